#include "appdata/appservices.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "runtime/convert.h"

namespace nuvir {

namespace {

AppFacts RunningExecutableFacts() {
    AppFacts facts;
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        facts.path = exe.parent_path().generic_string();
        facts.exeName = exe.stem().string();
    }
    if (facts.exeName.empty()) facts.exeName = "nuvir";
    return facts;
}

std::optional<AppFacts>& Facts() {
    static std::optional<AppFacts> facts;
    return facts;
}

}  // namespace

const AppFacts& App() {
    auto& facts = Facts();
    if (!facts) facts = RunningExecutableFacts();
    return *facts;
}

void SetAppFacts(AppFacts facts) { Facts() = std::move(facts); }

void SetAppPath(const std::string& folder) {
    AppFacts facts = App();
    facts.path = folder;
    SetAppFacts(std::move(facts));
}

double RunningVersion() {
    // Major "." minor read as a number, so minor 10 gives 3.1 as it always has.
    return CDbl(Variant(std::to_string(App().major) + "." + std::to_string(App().minor)));
}

}  // namespace nuvir
