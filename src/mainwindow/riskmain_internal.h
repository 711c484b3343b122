#pragma once
// Helpers shared by the main window's source files.
#include <string>
#include <utility>

#include "platform/handlerguard.h"
#include "platform/services.h"
#include "runtime/error.h"
#include "runtime/variant.h"

namespace nuvir::mainwindow {

// Runs an event handler so that no error escapes into Qt's event loop: the error's
// text is shown after `action`, what the analyst was doing ("File > Save").
template <class F>
void Guard(const std::string& action, F&& handler) {
    RunGuarded(GuardPolicy::ShowMessage, {}, action, std::forward<F>(handler));
}

// The design caption of the product and the window caption with a file name.
inline constexpr const char* kProductName = "NUVIR";

}  // namespace nuvir::mainwindow

namespace nuvir {
// The help file in the program's folder.
std::string HelpFilePath();
// Names the program's help topics for the message that stands in for the help file.
void RegisterHelpTopics();
}  // namespace nuvir
