#include "simulation/programhost.h"

#include "appdata/appdata.h"
#include "platform/services.h"
#include "runtime/convert.h"

namespace nuvir {

void ProgramSimulationHost::Yield() {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastYield_ < kYieldInterval) return;
    lastYield_ = now;
    DoEvents();
}

bool ProgramSimulationHost::RegUseConstant() const { return CBool(AppData(item::kRegUseConstant)); }

int ProgramSimulationHost::NumImpactCategories() const { return CLng(AppData(item::kNumImpactCategories)); }

int ProgramSimulationHost::NumCostCategories() const { return CLng(AppData(item::kNumCostCategories)); }

bool ProgramSimulationHost::HideManagementCosts() const { return CBool(AppOptions(opt::kHideCosts)); }

void ProgramSimulationHost::ShowMessage(const std::string& text, const std::string& title) {
    MsgBox(text, mb::OKOnly, title);
}

}  // namespace nuvir
