#pragma once
// What the engine needs of the program around it, so that it runs as a library that
// tests drive without a window. The program's host reads the global settings and
// yields to the window's event loop; tests pass a scripted host.
#include <string>

namespace nuvir {

class SimulationHost {
public:
    virtual ~SimulationHost() = default;
    // Lets pending window events run; called once per trial.
    virtual void Yield() {}
    // Application data item 39: regressions are fitted with a constant term.
    virtual bool RegUseConstant() const = 0;
    // Application data items 44 and 45: the numbers of impact and cost categories.
    virtual int NumImpactCategories() const = 0;
    virtual int NumCostCategories() const = 0;
    // Options item 7: management costs are hidden.
    virtual bool HideManagementCosts() const = 0;
    // A message box with an OK button: the failed export's text under its title.
    virtual void ShowMessage(const std::string& text, const std::string& title) = 0;
};

}  // namespace nuvir
