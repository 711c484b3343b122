#pragma once
// The thirteen uncertainty editors of the absolute view as the window's
// UncertaintyPort: their DataChanged is relayed to the window's handler.
#include "mainwindow/mainports.h"
#include "uncertainty/uncertaintyelements.h"

namespace nuvir {

class WindowUncertainty : public UncertaintyPort {
public:
    WindowUncertainty();
    CUncertaintyElements& Elements() { return elements_; }

    bool HasHost() const override { return !elements_.Host().empty(); }
    void SetHost(const std::array<QtPictureBox*, 2>& hosts) override;
    void Render() override { elements_.Render(); }
    void SetData() override { elements_.SetData(); }
    void UpdateAppData(int id) override { elements_.UpdateAppData(id); }

private:
    CUncertaintyElements elements_;
};

}  // namespace nuvir
