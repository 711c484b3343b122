#pragma once
// The dialogs' event handlers run through the platform's guard: an error shows its
// text, after `action`, what the analyst was doing, instead of leaving the handler into
// the event loop.
#include <string>
#include <utility>

#include "platform/handlerguard.h"

namespace nuvir::dialogs {

template <class F>
void Guarded(const std::string& action, F&& handler) noexcept {
    RunGuarded(GuardPolicy::ShowMessage, {}, action, std::forward<F>(handler));
}

}  // namespace nuvir::dialogs
