#pragma once
// No error may leave an event handler: Qt's event dispatch is not built for
// exceptions, and one that escapes ends the program. Every handler that can fail runs
// its work through RunGuarded.
//
// An operation the analyst started (a run, a report, a save) shows the error's text
// in a message box under the operation's title, after a line that names what could not
// be done ("File > Save could not be completed."); a background handler (a timer tick, a
// resize, a mouse move) swallows it, since a message per tick or per pixel of a drag
// would flood the screen, and its caller leaves what it was drawing cleared.
#include <string>
#include <utility>

namespace nuvir {

enum class GuardPolicy {
    ShowMessage,  // message box, OK only, titled
    Swallow,      // nothing shown
};

// Runs fn; returns false when it raised (an AppError, any std::exception, or anything
// else), after showing the text when the policy says so. `action` names what the
// analyst started, as the menu or button does ("File > Save", "Clear"); it is left
// empty only where the title says it already ("Error writing report").
template <class F>
bool RunGuarded(GuardPolicy policy, const std::string& title, const std::string& action, F&& fn);
template <class F>
bool RunGuarded(GuardPolicy policy, const std::string& title, F&& fn) {
    return RunGuarded(policy, title, std::string(), std::forward<F>(fn));
}

// The text shown for the error being handled (inside a catch block).
std::string CurrentErrorText();
// The message's text: what could not be done, then the error's own text.
std::string GuardedErrorText(const std::string& action, const std::string& error);
void ShowGuardedError(const std::string& text, const std::string& title);

template <class F>
bool RunGuarded(GuardPolicy policy, const std::string& title, const std::string& action, F&& fn) {
    try {
        fn();
        return true;
    } catch (...) {
        if (policy == GuardPolicy::ShowMessage) {
            // Showing the message must not throw either.
            try {
                ShowGuardedError(GuardedErrorText(action, CurrentErrorText()), title);
            } catch (...) {
            }
        }
        return false;
    }
}

}  // namespace nuvir
