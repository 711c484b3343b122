#pragma once
// The batch window as the main window's part: FBatch behind the window's batch port
// (created by File > "&Batch Mode", polled by the housekeeping tick, closed at
// shut-down), with the main window behind the batch window's host (captured states,
// batch mode, one simulation per entry).
#include <memory>

#include "batch/batchhost.h"
#include "mainwindow/mainports.h"

namespace nuvir {

class FBatch;

// The factory for MainWindowParts::makeBatchWindow.
std::unique_ptr<BatchFormPort> MakeBatchWindow(FRiskMain& main);

class BatchWindowPart : public BatchFormPort, public BatchHost {
public:
    explicit BatchWindowPart(FRiskMain& main);
    ~BatchWindowPart() override;

    FBatch& Form() { return *form_; }

    // BatchFormPort.
    double Width() const override;
    double Height() const override;
    void ShowTopmostAt(int xPx, int yPx) override;
    void Raise() override;
    void SetVisible(bool on) override;
    void SetParent(FRiskMain* main) override;
    bool CloseRequested() const override;
    bool Unload() override;

    // BatchHost.
    std::string SerialiseState(std::int32_t form) override;
    std::string CaptureState() override;
    Variant GetAppDataDefaults() override;
    void StartBatch() override;
    void EndBatch() override;
    bool Busy() override;
    std::optional<BatchResult> RunBatchSimulation(const std::string& state) override;

private:
    FRiskMain& main_;
    std::unique_ptr<FBatch> form_;
};

}  // namespace nuvir
