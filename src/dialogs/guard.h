#pragma once
// Runs a dialog's event handler so that no error leaves it into the event loop: the
// error's text is shown instead, as the program's other handlers do.
#include <exception>

#include "platform/services.h"
#include "runtime/error.h"

namespace nuvir::dialogs {

template <class F>
void Guarded(F&& handler) noexcept {
    try {
        handler();
    } catch (const AppError& e) {
        try { MsgBox(e.description()); } catch (...) {}
    } catch (const std::exception& e) {
        try { MsgBox(e.what()); } catch (...) {}
    } catch (...) {
    }
}

}  // namespace nuvir::dialogs
