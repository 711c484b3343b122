#pragma once
// The one error type of the program: a number and a text, like the errors of the
// language runtime the data formats were designed around. Components raise 255.
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace nuvir {

namespace err {
constexpr int InvalidCall = 5;        // "Invalid procedure call or argument"
constexpr int Overflow = 6;           // "Overflow"
constexpr int OutOfMemory = 7;        // "Out of memory"
constexpr int SubscriptRange = 9;     // "Subscript out of range"
constexpr int DivisionByZero = 11;    // "Division by zero"
constexpr int TypeMismatch = 13;      // "Type mismatch"
constexpr int InvalidUseOfNull = 94;  // "Invalid use of Null"
constexpr int Component = 255;        // raised by the program's own components
}  // namespace err

class AppError : public std::runtime_error {
public:
    AppError(int number, std::string description)
        : std::runtime_error(description), number_(number), description_(std::move(description)) {}
    int number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }

private:
    int number_;
    std::string description_;
};

[[noreturn]] void RaiseError(int number, const std::string& description);
// A component's failure: error 255 with the given text.
[[noreturn]] void RaiseComponentError(const std::string& description);
[[noreturn]] void RaiseOverflow();
[[noreturn]] void RaiseOutOfMemory();
[[noreturn]] void RaiseTypeMismatch();
[[noreturn]] void RaiseSubscriptOutOfRange();
[[noreturn]] void RaiseDivisionByZero();
[[noreturn]] void RaiseInvalidCall();
[[noreturn]] void RaiseInvalidUseOfNull();

// Runs one step of a loader that skips what fails: an AppError inside is swallowed, and
// so are the failures that reach it in other forms (memory running out, a library's
// exception), which stand for the runtime's matching errors. Returns false when the
// step failed.
template <class F>
bool TryStep(F&& step) {
    try {
        step();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The value a calculation gives, or nothing where it raises Overflow (a result beyond
// the Double range); any other error goes on.
template <class F>
auto UnlessOverflow(F&& calculation) -> std::optional<decltype(calculation())> {
    try {
        return calculation();
    } catch (const AppError& e) {
        if (e.number() != err::Overflow) throw;
        return std::nullopt;
    }
}

}  // namespace nuvir
