#pragma once
// The controls of the main window's "Monte Carlo" page that the results logic works
// on. The main window creates them and fills this table; tests fill it from a
// throwaway form. Index positions follow the window's control arrays.
#include <array>

namespace nuvir {

class CommandButton;
class ComboBox;
class FlexGrid;
class Label;
class MenuItem;
class MultiLineTextBox;
class QtPictureBox;
class TabControl;

struct ResultsPage {
    // 0 "&Run", 1 "Re&port", 2 "&Copy Relative To Absolute", 3 "C&lear".
    std::array<CommandButton*, 4> cmdButton{};
    // 0 the risk result lines, 1 the cost result lines, with their headings.
    std::array<MultiLineTextBox*, 2> txtMonte{};
    std::array<Label*, 2> labMonte{};
    // The six result plots: 0 risk histogram, 1 risk sensitivity, 2 cost histogram,
    // 3 cost sensitivity, 4 cumulative risks, 5 cumulative costs.
    std::array<QtPictureBox*, 6> picMonte{};
    // Captions of the plots (0..5) and the status label (10); 6..9 unused.
    std::array<Label*, 11> labPicMonte{};
    // Sub-tabs: 0 "Probabilities and Impacts", 1 " Management Costs".
    TabControl* tabSimulationGraphs = nullptr;
    // The sensitivity details panel and its grid.
    QtPictureBox* picShowSensMeasures = nullptr;
    FlexGrid* flxShowSensMeasures = nullptr;
    // The popup menu of the sensitivity plots ("Sens Plot Popup") and its entries:
    // 0 "Show Details"/"Hide Details", 1 a separator, 2 "Copy".
    MenuItem* mnuSensPlotPopup = nullptr;
    std::array<MenuItem*, 3> mnuSensPlot{};
};

}  // namespace nuvir
