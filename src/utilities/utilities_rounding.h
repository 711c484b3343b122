#pragma once
// Rounding of doubles to decimal places and significant figures, and the comparison
// of doubles that ignores the last ten bits of the significand. Plain IEEE double
// arithmetic in the order written; no tolerance is added anywhere.
#include <cstdint>

namespace nuvir::MUtilities {

// n counts decimal places negatively: -2 hundredths, 0 units, 2 hundreds; places
// finer than 1e-308 (down to about 1e-600) round tiny and subnormal values as well. A
// result beyond the Double range raises Overflow.
// x rounded to a multiple of 10^n, halves towards plus infinity (-2.5 gives -2).
double RoundToPlace(double x, std::int16_t n);
// The largest multiple of 10^n not above x.
double RoundDownToPlace(double x, std::int16_t n);
// The smallest multiple of 10^n not below x.
double RoundUpToPlace(double x, std::int16_t n);
// x rounded to d significant figures (halves of the magnitude up, so away from zero
// for negative x); x itself when d is outside 1..15 or x is 0. Logarithms pick the
// decade, so the result can miss the exact decimal in its last digits (1000 with 15
// figures gives 999.999999999999); callers format it to fewer digits. Subnormal x
// are rounded as normal ones: 1e-320 to 4 figures is the double nearest 1.000e-320.
double RoundSigFigs(double x, std::int32_t d);
// True when x = y, or when the bit patterns agree from bit 10 upwards.
bool NearlyEqual(double x, double y);

}  // namespace nuvir::MUtilities
