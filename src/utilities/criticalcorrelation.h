#pragma once
// The smallest significant correlation for a sample size, and the comparison of two
// arrays by shape and contents.
#include <cstdint>

#include "runtime/variant.h"

namespace nuvir::MKelvaro {

// The correlation r at which r sqrt(n - 2) / sqrt(1 - r^2) reaches the critical t of
// the significance level alpha (clamped into 0..1) with tails (clamped into 1..2);
// Student's t with n - 2 degrees of freedom up to n = 50000, the normal above. Empty
// when n < 20 or alpha / tails is not below 0.5. alpha = 0 gives 1.
Variant CriticalCorrelation(std::int32_t n, double alpha, std::int32_t tails);

// True when both are arrays of the same element kind, the same one or two dimensions
// with the same bounds, and the same contents in their text forms (1-D joined with ",",
// 2-D with tab and carriage return). Scalars, Empty and unallocated arrays are never
// equal. Arrays of three or more dimensions compare element texts one by one.
bool ArraysEqual(const Variant& a, const Variant& b);

}  // namespace nuvir::MKelvaro
