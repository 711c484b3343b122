#pragma once
// The results page of the main window as a class the tests drive without a window:
// the Run, Report, Copy and Clear buttons, the run of one simulation on a snapshot of
// the application data and the display of its results (result lines, six plots, the
// sensitivity details), the check that the shown results still belong to the data,
// the layout of the plots, the plot clicks and the plot options.
//
// It works on the page's controls (ResultsPage) and reaches the rest of the window
// only through ResultsHost. The window forwards its events here (ConnectPageEvents
// does it for the page's own controls) and calls ResultsStateTick from its 200 ms
// results timer. The batch run and the report read State() and call SimulateAppData
// and the plot routines directly.
//
// Re-entrancy: a run yields to the event loop. While it runs, State().Busy is set:
// Run, Report and Clear are disabled, and the window must ignore the commands that
// would replace the data (New, Open, Batch Mode, Manage) and defer a close
// (RequestClose) until the run returns.
#include <string>

#include "platform/picturebox.h"
#include "results/resultshost.h"
#include "results/resultspage.h"
#include "results/runstate.h"
#include "runtime/variant.h"

namespace nuvir {

class ResultsController {
public:
    ResultsController(ResultsHost& host, const ResultsPage& page);
    ResultsController(const ResultsController&) = delete;
    ResultsController& operator=(const ResultsController&) = delete;

    RunState& State() { return state_; }

    // Connects the page's buttons, plots, sub-tabs, popup entries and grid to the
    // handlers below, each guarded so no error reaches Qt.
    void ConnectPageEvents();

    // ---- the run ------------------------------------------------------------------
    // A button of the page: 0 Run, 1 Report, 2 Copy Relative To Absolute, 3 Clear.
    void cmdButton_Click(int index);
    // Runs on a fresh snapshot of the application data; the result is ResultsValid.
    bool SimulateAppData();
    // One run on `data` (its item 37 receives the seed used). False after an error,
    // which has been shown under "Error running Monte Carlo simulation".
    bool RunSimulationAndShowResults(Variant& data, float seed);
    // The seed Run hands the engine: 0 draws one from the clock, as the program does;
    // a test fixes it so that its run, and what the plots show, repeat.
    float runSeed = 0.0f;

    // ---- currency -----------------------------------------------------------------
    // Compares the live data with the snapshot and sets DataChangedSinceRun; what
    // cannot be compared counts as a change. Never raises.
    void CheckResultsCurrent();
    // Partial (before a run) or full clear of the shown results.
    void ClearResults(bool full);
    // The results-state timer: the check, then the Report button and status label.
    void ResultsStateTick();

    // ---- busy operations (a run here, a report elsewhere) --------------------------
    bool IsBusy() const { return state_.Busy; }
    // The window was asked to close: true when it may close now, false when the
    // close waits for the operation in progress.
    bool RequestClose();
    // Marks an operation in progress for its lifetime, then carries out a close that
    // was asked for meanwhile. The report uses it as the run does.
    class BusyScope {
    public:
        explicit BusyScope(ResultsController& owner);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        ResultsController& owner_;
        bool wasBusy_;
    };

    // ---- plots ---------------------------------------------------------------------
    // The page's plots in screen style; a plot that fails is left cleared.
    void DrawResultPlots();
    void DrawResultPlot(int picIndex);
    void DrawFrequencyPlot(PictureBox& target, int kind, bool forReport);
    void DrawSensitivityPlot(PictureBox& target, int kind, bool forReport);
    void DrawCumulativePlot(PictureBox& target, int kind, bool forReport);
    // Redraw after the options dialog changed something (when results are valid).
    void RedrawAfterOptionsChange();

    // ---- sensitivity details -------------------------------------------------------
    void BuildSensitivitySummary(const Variant& r2, const Variant& sensitivities);
    void ShowSensitivityMeasures(int page);
    void RefreshSensitivityDetails();
    void ToggleSensitivityDetails(int index, float x, float y);
    void picMonte_MouseUp(int index, int button, int shift, double x, double y);
    void DoSensPlotCommand(int index);
    void MarkSensitivityRow(int row);
    void CopySensitivityTable();
    // The grid's focus cue on its panel.
    void SensitivityGridFocus(bool gained);

    // ---- layout, clicks, plot options ------------------------------------------------
    void ArrangeResultPlots();
    void tabSimulationGraphs_Click(int previousTab);
    void picMonte_DblClick(int index);
    void picMonte_MouseMove(int index, int button, int shift, double x, double y);
    void EditPlotOptions(int index);
    // "Save &Plot Options": the six plot option arrays into the options INI, in one write;
    // a file that refuses it is named with the cause, as the other saves name theirs.
    void SavePlotOptionsToIni();

    // The texts the page shows.
    static constexpr const char* kRunErrorTitle = "Error running Monte Carlo simulation";
    static constexpr const char* kPlotOptionsSaveErrorTitle = "Error saving plot options";
    static constexpr const char* kDataChanged = "**** Data has changed! ****";
    static constexpr const char* kMixedResults = "Results box contains mixed results -->";

private:
    void UpdateCommandStates();
    bool DrawGuarded(int picIndex, bool showErrors);
    void AppendResultLines();
    void SetHeadings(bool customPrng);
    // The result lines of a sub-tab (0 risk, 1 cost) with their heading; other tabs have none.
    void ShowResultBox(int tab, bool visible);
    bool SensitivityPanelVisible() const;
    // The result sub-tab shown: 0 risk, 1 management costs.
    int ShownResultTab() const;
    void MarkMixedResults();

    ResultsHost& host_;
    ResultsPage page_;
    RunState state_;
    // The run in progress follows a data change while results were valid: its lines
    // make the result boxes mixed.
    bool mixedPending_ = false;
    bool inButton_ = false;
};

// The type of plot options (0..5) of a result plot, by its picture index; -1 for none.
int PlotTypeOfPicture(int picIndex);

}  // namespace nuvir
