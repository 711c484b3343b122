#pragma once
// No error may leave an event handler: Qt's event dispatch is not built for
// exceptions, and one that escapes ends the program. Every handler that can fail runs
// its work through RunGuarded.
//
// An operation the analyst started (a run, a report, a save) shows the error's text
// in a message box under the operation's title; a background handler (a timer tick, a
// resize, a mouse move) swallows it, since a message per tick or per pixel of a drag
// would flood the screen, and its caller leaves what it was drawing cleared.
#include <string>

namespace nuvir {

enum class GuardPolicy {
    ShowMessage,  // message box, OK only, titled
    Swallow,      // nothing shown
};

// Runs fn; returns false when it raised (an AppError, any std::exception, or anything
// else), after showing the text when the policy says so.
template <class F>
bool RunGuarded(GuardPolicy policy, const std::string& title, F&& fn);

// The text shown for the error being handled (inside a catch block).
std::string CurrentErrorText();
void ShowGuardedError(const std::string& text, const std::string& title);

template <class F>
bool RunGuarded(GuardPolicy policy, const std::string& title, F&& fn) {
    try {
        fn();
        return true;
    } catch (...) {
        if (policy == GuardPolicy::ShowMessage) {
            // Showing the message must not throw either.
            try {
                ShowGuardedError(CurrentErrorText(), title);
            } catch (...) {
            }
        }
        return false;
    }
}

}  // namespace nuvir
