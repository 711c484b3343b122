#pragma once
// What the results logic needs of the main window, and nothing more: the window
// implements this interface and forwards its events to ResultsController; tests give
// a fake. The window's controls of the results page come separately (resultspage.h).
#include <string>

namespace nuvir {

class ResultsHost {
public:
    virtual ~ResultsHost() = default;

    // The index of the main window's page on show (kMonteCarloPage for the results).
    virtual int ShownMainPage() const = 0;
    static constexpr int kMonteCarloPage = 2;

    // The "&Copy Relative To Absolute" command of the window.
    virtual void CopyRelativeToAbsolute() = 0;
    // The Report command (the report subsystem), for the "Re&port" button.
    virtual void RunReport() = 0;

    // The export naming dialog, modal over the window: `baseName` is shown and comes
    // back as the analyst left it; returns the target paths joined by "|", "" for none
    // (the dialog's "Skip Export").
    virtual std::string AskExportNames(std::string& baseName) = 0;

    // The plot options dialog of plot type 0..5, modal over the window with its
    // top-left corner at the given screen position (twips). True when it changed an
    // option (stored in the options array when it closed).
    virtual bool EditPlotOptions(int plotType, double screenLeftTwips, double screenTopTwips) = 0;

    // Closes the window: a close asked for during a run or a report, carried out once
    // the operation has returned.
    virtual void CloseMainWindow() = 0;
};

}  // namespace nuvir
