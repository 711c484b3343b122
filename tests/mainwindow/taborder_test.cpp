// The main window's tab order, control by control, for each page and view: the
// controls that keep a tab stop, in the order of their tab indexes, and nothing else.
#include <algorithm>

#include "mainwindow_fixture.h"

namespace nuvir::test {
namespace {

// "name(index)" for a control of an array, else its name.
std::string ControlName(const Control* c) {
    return c->Index() < 0 ? c->Name() : c->Name() + "(" + std::to_string(c->Index()) + ")";
}

// The controls with a tab stop, by tab index, as "name(index)=tab index".
std::vector<std::string> TabStops(const FRiskMain& w) {
    std::vector<const Control*> stops;
    for (const Control* c : w.Controls()) {
        if (c->Widget() != nullptr && c->TabStop()) stops.push_back(c);
    }
    std::sort(stops.begin(), stops.end(),
              [](const Control* a, const Control* b) { return a->TabIndex() < b->TabIndex(); });
    std::vector<std::string> out;
    for (const Control* c : stops) out.push_back(ControlName(c) + "=" + std::to_string(c->TabIndex()));
    return out;
}

// The expected order, numbered from 0.
std::vector<std::string> Numbered(const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < names.size(); ++i) out.push_back(names[i] + "=" + std::to_string(i));
    return out;
}

std::vector<std::string> RelativePage(int levels) {
    std::vector<std::string> names{"tabMain", "cmdButton(2)"};
    for (int r = 0; r < 13; ++r) {
        for (int c = 0; c < levels; ++c) names.push_back("chkArray1_" + std::to_string(r) + "_" + std::to_string(c));
    }
    for (int c = 0; c < levels; ++c) names.push_back("vscRelUnc(" + std::to_string(c) + ")");
    return names;
}

std::vector<std::string> AbsolutePage(int first, int last) {
    std::vector<std::string> names{"tabMain", "tabAbsolute"};
    for (int k = first; k <= last; ++k) {
        for (const char* part : {"uncElemCboDt", "uncElemTxtCv", "uncElemSlider"})
            names.push_back(part + std::to_string(k));
    }
    return names;
}

TEST_F(MainWindowTest, EachPageAndViewHasItsOwnTabOrderControlByControl) {
    FRiskMain& w = Start();
    struct Case {
        const char* name;
        int page;
        int levels;  // 4 or 5; 0 for the absolute view
        int absoluteTab;
        std::vector<std::string> order;
    };
    const Case cases[] = {
        {"Ps and Qs", 0, 4, 0, {"tabMain", "txtTextBox(0)", "txtTextBox(1)"}},
        {"relative, four levels", 1, 4, 0, RelativePage(4)},
        {"relative, five levels", 1, 5, 0, RelativePage(5)},
        {"absolute, probabilities and impacts", 1, 0, 0, AbsolutePage(1, 9)},
        {"absolute, management costs", 1, 0, 1, AbsolutePage(10, 13)},
        {"Monte Carlo",
         2,
         4,
         0,
         {"tabMain", "txtTextBox(2)", "cboConfidence", "cmdButton(0)", "cmdButton(1)", "tabSimulationGraphs",
          "cmdButton(3)"}},
        {"a page number outside 0 to 2", 3, 4, 0, {"tabMain"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        w.optUncertain[c.levels == 0 ? 1 : 0]->SetValue(true);
        if (c.levels != 0) w.updNumLevels->SetValue(c.levels);
        w.tabAbsolute->SetTab(c.absoluteTab);
        Settle();
        w.SetPageTabOrder(c.page);
        EXPECT_EQ(TabStops(w), Numbered(c.order));
    }
}

}  // namespace
}  // namespace nuvir::test
