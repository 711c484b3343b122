// One look over every window in each of its states at its design size: every caption
// on view shows its whole text, every disabled control looks disabled, and a picture
// of each goes into the build folder. The ctest entry "windowcheck_x2" runs it again
// at QT_SCALE_FACTOR=2.
#include "mainwindow_fixture.h"

#include <functional>

#include "../windowcheck.h"
#include "mainwindow/windowchain.h"
#include "mainwindow/windowuncertainty.h"

namespace nuvir::test {
namespace {

class WindowCheck : public MainWindowTest {
protected:
    // The window as the program wires it, minus the dialogs a test opens itself.
    FRiskMain& StartReal() {
        MainWindowParts parts;
        parts.makeChain = [] { return std::make_unique<WindowChain>(); };
        parts.makeUncertainty = [] { return std::make_unique<WindowUncertainty>(); };
        parts.makeResults = [](FRiskMain& w) { return std::make_unique<WindowResults>(w); };
        return Start(std::move(parts));
    }
};

TEST_F(WindowCheck, EveryMainWindowStateShowsWholeTextsAndGreysWhatIsOff) {
    FRiskMain& w = StartReal();
    struct Case {
        const char* name;
        std::function<void()> enter;
    };
    const Case cases[] = {
        {"main_inputs", [&] { w.tabMain->SetTab(0); }},
        {"main_relative", [&] {
             w.tabMain->SetTab(1);
             w.optUncertain[0]->click();
         }},
        {"main_relative_five_levels", [&] { w.updNumLevels->SetValue(5); }},
        {"main_absolute", [&] { w.optUncertain[1]->click(); }},
        {"main_absolute_costs", [&] { w.tabAbsolute->SetTab(1); }},
        {"main_monte_carlo_before_run", [&] { w.tabMain->SetTab(2); }},
        {"main_monte_carlo_after_run", [&] {
             w.cmdButton[0]->click();
             w.TimerTick(2);
         }},
        {"main_monte_carlo_data_changed", [&] {
             AppData(item::kSpecies) = Variant("Changed");
             w.TimerTick(2);
         }},
        {"main_monte_carlo_mixed_results", [&] {
             w.cmdButton[0]->click();
             w.TimerTick(2);
         }},
        {"main_monte_carlo_custom_generator", [&] {
             w.OptionsMenuClick(0);
             w.cmdButton[0]->click();
             w.TimerTick(2);
         }},
        {"main_monte_carlo_costs", [&] { w.tabSimulationGraphs->SetTab(1); }},
        {"main_costs_hidden_inputs", [&] {
             w.OptionsMenuClick(1);
             w.tabMain->SetTab(0);
         }},
        {"main_costs_hidden_absolute", [&] {
             w.tabMain->SetTab(1);
             w.tabAbsolute->SetTab(1);
         }},
        {"main_categorical_inputs", [&] {
             w.OptionsMenuClick(1);
             w.OptionsMenuClick(3);
             w.OptionsMenuClick(4);
             w.tabMain->SetTab(0);
         }},
        {"main_categorical_relative", [&] {
             w.tabMain->SetTab(1);
             w.optUncertain[0]->click();
         }},
        {"main_categorical_absolute", [&] {
             w.optUncertain[1]->click();
             w.tabAbsolute->SetTab(0);
         }},
    };
    for (const Case& c : cases) {
        c.enter();
        Settle();
        windowcheck::CheckWindow(w, c.name);
    }
}

}  // namespace
}  // namespace nuvir::test
