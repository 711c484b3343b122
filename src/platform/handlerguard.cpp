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

void ShowGuardedError(const std::string& text, const std::string& title) { MsgBox(text, mb::OKOnly, title); }

}  // namespace nuvir
