#pragma once
// The dialogs' event handlers run through the platform's guard: an error shows its
// text instead of leaving the handler into the event loop.
#include <utility>

#include "platform/handlerguard.h"

namespace nuvir::dialogs {

template <class F>
void Guarded(F&& handler) noexcept {
    RunGuarded(GuardPolicy::ShowMessage, {}, std::forward<F>(handler));
}

}  // namespace nuvir::dialogs
