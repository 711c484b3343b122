#pragma once
// The engine's host in the running program: settings come from the program-wide
// application data and options, messages go to the message-box service, and the run
// lets window events through so the window stays responsive.
#include <chrono>

#include "simulation/host.h"

namespace nuvir {

class ProgramSimulationHost : public SimulationHost {
public:
    // Window events are let through at most this often: handing control to the event
    // loop on every one of a million trials would cost more than the trials.
    static constexpr std::chrono::milliseconds kYieldInterval{10};

    void Yield() override;
    bool RegUseConstant() const override;
    int NumImpactCategories() const override;
    int NumCostCategories() const override;
    bool HideManagementCosts() const override;
    void ShowMessage(const std::string& text, const std::string& title) override;

private:
    std::chrono::steady_clock::time_point lastYield_{};
};

}  // namespace nuvir
