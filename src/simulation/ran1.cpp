#include "simulation/ran1.h"

#include <cmath>
#include <limits>

#include "runtime/error.h"
#include "runtime/rnd.h"

namespace nuvir::MUtilities {

namespace {

constexpr std::int32_t M1 = 259200, IA1 = 7141, IC1 = 54773;
constexpr std::int32_t M2 = 134456, IA2 = 8121, IC2 = 28411;
constexpr std::int32_t M3 = 243000, IA3 = 4561, IC3 = 51349;
// Slightly above 1/M1 and 1/M2, so a table entry can come out a little above 1; the
// draw clamps it.
constexpr double RM1 = 3.8580247E-06;
constexpr double RM2 = 7.4373773E-06;

// With these constants and states below their moduli no step leaves 32 bits: the
// largest intermediate is IA1 * (M1 - 1) + IC1 = 1 850 994 832.
inline void Step1(ran1_detail::Ran1State& s) { s.ix1 = (IA1 * s.ix1 + IC1) % M1; }
inline void Step2(ran1_detail::Ran1State& s) { s.ix2 = (IA2 * s.ix2 + IC2) % M2; }
inline void Step3(ran1_detail::Ran1State& s) { s.ix3 = (IA3 * s.ix3 + IC3) % M3; }

inline double TableValue(const ran1_detail::Ran1State& s) {
    return (static_cast<double>(s.ix1) + static_cast<double>(s.ix2) * RM2) * RM1;
}

}  // namespace

namespace ran1_detail {
Ran1State& State() {
    static Ran1State state;
    return state;
}
}  // namespace ran1_detail

double Ran1(std::int32_t& idum) {
    ran1_detail::Ran1State& s = ran1_detail::State();
    if (idum == 0 && s.iff == 1) return s.last;

    if (idum < 0 || s.iff == 0) {
        s.iff = 1;
        // Only the first call of the process gets here without a negative seed.
        if (idum >= 0) idum = -static_cast<std::int32_t>(std::floor(Timer()));
        const std::int64_t start = static_cast<std::int64_t>(IC1) - idum;
        if (start > std::numeric_limits<std::int32_t>::max()) RaiseOverflow();
        s.ix1 = static_cast<std::int32_t>(start) % M1;
        Step1(s);
        s.ix2 = s.ix1 % M2;
        Step1(s);
        s.ix3 = s.ix1 % M3;
        for (int j = 1; j <= 97; ++j) {
            Step1(s);
            Step2(s);
            s.r[static_cast<std::size_t>(j)] = TableValue(s);
        }
        idum = 1;
    }

    Step1(s);
    Step2(s);
    Step3(s);
    // floor((97 * ix3) / 243000.0) in double equals the integer quotient here: the
    // product stays below 2^25, so the double quotient can never round up to the next
    // whole number (tests compare the two for every ix3).
    const std::int32_t j = 1 + (97 * s.ix3) / M3;
    if (j > 97 || j < 1) RaiseComponentError("Abnormal exit from custom PRNG (ran1)");
    s.j = static_cast<std::int16_t>(j);
    double value = s.r[static_cast<std::size_t>(j)];
    if (value > 1.0) value = 1.0;
    s.last = value;
    s.r[static_cast<std::size_t>(j)] = TableValue(s);
    return value;
}

}  // namespace nuvir::MUtilities
