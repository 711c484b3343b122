#pragma once
// What the main window needs of the subsystems it hosts or calls: the chain diagram,
// the set of thirteen uncertainty editors, the results display, the report's viewer
// look-up, the options dialog and the batch window.
//
// The window talks to each through one of these small interfaces, so it can be built
// and tested before (and without) the real subsystem: `MainWindowParts` carries a
// factory per part, and a part without a factory gets the stand-in of this header,
// which keeps the window whole but does nothing visible (its command stays disabled
// where one exists). The program wires the real classes in app/; tests wire fakes.
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "batch/batchhost.h"
#include "runtime/variant.h"

namespace nuvir {

class QtPictureBox;
class TextBox;
class FRiskMain;

// The chain diagram and model on the "Ps and Qs" page.
class ChainPort {
public:
    virtual ~ChainPort() = default;
    // The picture it draws on and the shared in-place edit box.
    virtual void SetHost(QtPictureBox* picture) = 0;
    virtual void SetEditBox(TextBox* box) = 0;
    // Bounding box at scale 1: minimum x, maximum y, maximum x, minimum y (twips).
    virtual std::array<double, 4> Measure() = 0;
    // How far below the picture's top the drawing reaches at scale 1, the totals
    // included (0 when not known); valid after Measure.
    virtual double DrawingDepth() const { return 0.0; }
    virtual double ScaleFactor() const = 0;
    virtual void SetScaleFactor(double factor) = 0;
    virtual void Render() = 0;
    // Takes the point values and category tables of an application data array.
    virtual void SetData(const Variant& appData) = 0;
    // Items 47..68 as Doubles indexed 47..68; also writes the stages' category tables
    // into items 69..77 of the program-wide AppData.
    virtual Variant GetData() = 0;
    // Items 47..59 (the point values) indexed 47..59, with no side effect.
    virtual Variant PointValues() = 0;
    // Stores the edit box's entry into the stage with that key (and closes the box
    // when it is valid); nothing for a key that names no stage.
    virtual void CommitEdit(const std::string& stageKey) = 0;
    // For every stage in order, parts 0..4 in turn: the stage's check of its category
    // tables, or their conforming to the master tables.
    virtual void CheckCategoryData() = 0;
    virtual void SetCategoryDataRestrictive() = 0;
};

// The thirteen uncertainty editors of the absolute view.
class UncertaintyPort {
public:
    virtual ~UncertaintyPort() = default;
    virtual bool HasHost() const = 0;
    // The two pictures that host the editors: (0) p1..I5, (1) F1..F4.
    virtual void SetHost(const std::array<QtPictureBox*, 2>& hosts) = 0;
    virtual void Render() = 0;
    // Reloads the means from the program-wide AppData.
    virtual void SetData() = 0;
    // Writes editor `id`'s mean, distribution and spread into AppData item 22 + id.
    virtual void UpdateAppData(int id) = 0;
    // Raised by an editor whose settings changed; the window sets it.
    std::function<void(int id)> DataChanged;
};

// The results display of the "Monte Carlo" page and its run state.
class ResultsPort {
public:
    virtual ~ResultsPort() = default;
    virtual bool ResultsValid() const = 0;
    virtual bool BatchMode() const = 0;
    virtual void SetBatchMode(bool on) = 0;
    virtual int EditedPlotType() const = 0;
    virtual void SetEditedPlotType(int type) = 0;
    virtual void ClearResults(bool all) = 0;
    // The 200 ms results-state timer: whether the shown results still belong to the
    // data, and the page's Report button and status label to match.
    virtual void ResultsStateTick() = 0;
    virtual void ArrangeResultPlots() = 0;
    virtual void RefreshSensitivityDetails() = 0;
    virtual void CopySensitivityTable() = 0;
    // The page's six plots drawn again after the options changed (when the results are
    // valid); a plot that fails is left cleared.
    virtual void RedrawAfterOptionsChange() = 0;
    virtual void SavePlotOptionsToIni() = 0;
    // One batch entry, run on the application data as it stands while in batch mode:
    // the results cleared, then the simulation; its fifteen CSV values, or nothing when
    // the run failed (the run has shown why).
    virtual std::optional<BatchResult> RunBatchEntry() { return std::nullopt; }
    // A run or a report is in progress: File New, Open, Batch Mode and Options Manage
    // wait (do nothing), since they would replace the data the results belong to.
    virtual bool Busy() const { return false; }
    // Asked to close: false when the close has to wait for the operation in progress
    // (it is carried out when that returns).
    virtual bool RequestClose() { return true; }
};

// The open batch window.
class BatchFormPort {
public:
    virtual ~BatchFormPort() = default;
    // Outer size in twips, read to centre it.
    virtual double Width() const = 0;
    virtual double Height() const = 0;
    // Shows it at a screen position in pixels, above all other windows.
    virtual void ShowTopmostAt(int xPx, int yPx) = 0;
    virtual void Raise() = 0;
    virtual void SetVisible(bool on) = 0;
    // The main window it drives; nullptr detaches it.
    virtual void SetParent(FRiskMain* main) = 0;
    // Its own close went ahead.
    virtual bool CloseRequested() const = 0;
    // Closes it (its save query runs); false when it refused.
    virtual bool Unload() = 0;
};

// What the options dialog hands back.
struct OptionsOutcome {
    double plotType = 0.0;
    bool optionsChanged = false;
};

struct MainWindowParts {
    std::function<std::unique_ptr<ChainPort>()> makeChain;
    std::function<std::unique_ptr<UncertaintyPort>()> makeUncertainty;
    // Made with the window, which it may keep to reach the page's controls.
    std::function<std::unique_ptr<ResultsPort>(FRiskMain&)> makeResults;
    // The program that opens RTF reports (writing the template when it is missing).
    std::function<std::string()> findRtfViewer;
    // Shows the options dialog modally with the plot type first shown.
    std::function<OptionsOutcome(FRiskMain&, double plotType)> showOptions;
    std::function<std::unique_ptr<BatchFormPort>(FRiskMain&)> makeBatchWindow;
};

// ---- stand-ins ---------------------------------------------------------------------

// A chain that draws nothing; its point values are those last given.
class NoChain : public ChainPort {
public:
    void SetHost(QtPictureBox*) override {}
    void SetEditBox(TextBox*) override {}
    std::array<double, 4> Measure() override { return {0.0, 4000.0, 10000.0, 0.0}; }
    double ScaleFactor() const override { return scale_; }
    void SetScaleFactor(double factor) override { scale_ = factor; }
    void Render() override {}
    void SetData(const Variant& appData) override;
    Variant GetData() override;
    Variant PointValues() override;
    void CommitEdit(const std::string&) override {}
    void CheckCategoryData() override {}
    void SetCategoryDataRestrictive() override {}

private:
    double scale_ = 1.0;
    Variant values_;  // 47..68
};

class NoUncertainty : public UncertaintyPort {
public:
    bool HasHost() const override { return hasHost_; }
    void SetHost(const std::array<QtPictureBox*, 2>&) override { hasHost_ = true; }
    void Render() override {}
    void SetData() override {}
    void UpdateAppData(int) override {}

private:
    bool hasHost_ = false;
};

// The run state alone, without a display: a clear leaves no results.
class NoResults : public ResultsPort {
public:
    bool ResultsValid() const override { return valid_; }
    bool BatchMode() const override { return batch_; }
    void SetBatchMode(bool on) override { batch_ = on; }
    int EditedPlotType() const override { return plotType_; }
    void SetEditedPlotType(int type) override { plotType_ = type; }
    void ClearResults(bool all) override;
    void ResultsStateTick() override {}
    void ArrangeResultPlots() override {}
    void RefreshSensitivityDetails() override {}
    void CopySensitivityTable() override {}
    void RedrawAfterOptionsChange() override {}
    void SavePlotOptionsToIni() override {}

protected:
    bool valid_ = false;
    bool batch_ = false;
    int plotType_ = 0;
};

}  // namespace nuvir
