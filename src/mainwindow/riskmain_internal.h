#pragma once
// Helpers shared by the main window's source files.
#include <exception>
#include <string>

#include "platform/services.h"
#include "runtime/error.h"
#include "runtime/variant.h"

namespace nuvir::mainwindow {

// Runs an event handler so that no error escapes into Qt's event loop: the error's
// text is shown, as an unhandled error of the window would have been.
template <class F>
void Guard(F&& handler) {
    try {
        handler();
    } catch (const AppError& e) {
        MsgBox(e.description());
    } catch (const std::exception& e) {
        MsgBox(e.what());
    }
}

// Saves a flag, sets it, and puts the saved value back on leaving the scope.
class FlagScope {
public:
    FlagScope(bool& flag, bool value) : flag_(flag), saved_(flag) { flag_ = value; }
    ~FlagScope() { flag_ = saved_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool saved_;
};

// The design caption of the product and the window caption with a file name.
inline constexpr const char* kProductName = "NUVIR";

}  // namespace nuvir::mainwindow

namespace nuvir {
// The help file in the program's folder.
std::string HelpFilePath();
}  // namespace nuvir
