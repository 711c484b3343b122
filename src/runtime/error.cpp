#include "runtime/error.h"

namespace nuvir {

void RaiseError(int number, const std::string& description) { throw AppError(number, description); }
void RaiseComponentError(const std::string& description) { throw AppError(err::Component, description); }
void RaiseOverflow() { throw AppError(err::Overflow, "Overflow"); }
void RaiseOutOfMemory() { throw AppError(err::OutOfMemory, "Out of memory"); }
void RaiseTypeMismatch() { throw AppError(err::TypeMismatch, "Type mismatch"); }
void RaiseSubscriptOutOfRange() { throw AppError(err::SubscriptRange, "Subscript out of range"); }
void RaiseDivisionByZero() { throw AppError(err::DivisionByZero, "Division by zero"); }
void RaiseInvalidCall() { throw AppError(err::InvalidCall, "Invalid procedure call or argument"); }
void RaiseInvalidUseOfNull() { throw AppError(err::InvalidUseOfNull, "Invalid use of Null"); }

}  // namespace nuvir
