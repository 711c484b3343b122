#include "platform/handlerguard.h"

#include <exception>

#include "platform/services.h"
#include "runtime/error.h"

namespace nuvir {

std::string CurrentErrorText() {
    try {
        throw;
    } catch (const AppError& e) {
        return e.description();
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unexpected error";
    }
}

std::string GuardedErrorText(const std::string& action, const std::string& error) {
    if (action.empty()) return error;
    return action + " could not be completed.\r\n\r\n" + error;
}

void ShowGuardedError(const std::string& text, const std::string& title) { MsgBox(text, mb::OKOnly, title); }

}  // namespace nuvir
