// The services in use: the set a caller installed, else the standard one.
#include "platform/services.h"

#include <map>
#include <stdexcept>

namespace nuvir {

namespace {

ServiceSet& Current() {
    static ServiceSet set;
    return set;
}

ServiceSet& Standard() {
    static ServiceSet set;
    return set;
}

template <class Service>
Service& InUse(Service* installed, Service* standard) {
    if (installed != nullptr) return *installed;
    if (standard != nullptr) return *standard;
    throw std::logic_error("no standard service installed (InstallQtServices)");
}

}  // namespace

MessageBoxService& MessageBoxes() { return InUse(Current().messageBox, Standard().messageBox); }
ColourDialogService& ColourDialog() { return InUse(Current().colourDialog, Standard().colourDialog); }
HelpService& Help() { return InUse(Current().help, Standard().help); }
ViewerService& Viewer() { return InUse(Current().viewer, Standard().viewer); }
YieldService& Yielder() { return InUse(Current().yield, Standard().yield); }

void SetStandardServices(const ServiceSet& services) { Standard() = services; }

ServiceSet SetServices(const ServiceSet& services) {
    ServiceSet old = Current();
    Current() = services;
    return old;
}

namespace {
std::string& HelpFileName() {
    static std::string name;
    return name;
}

std::map<int, std::string>& HelpTopics() {
    static std::map<int, std::string> titles;
    return titles;
}
}  // namespace

std::string HelpFile() { return HelpFileName(); }
void SetHelpFile(const std::string& path) { HelpFileName() = path; }
std::string HelpTopicTitle(int contextId) {
    const auto it = HelpTopics().find(contextId);
    return it == HelpTopics().end() ? std::string() : it->second;
}
void SetHelpTopicTitle(int contextId, const std::string& title) { HelpTopics()[contextId] = title; }

int MsgBox(const std::string& text, int style, const std::string& title) {
    return MessageBoxes().Show(text, style, title.empty() ? std::string(kProgramName) : title);
}

void DoEvents() { Yielder().Yield(); }

}  // namespace nuvir
