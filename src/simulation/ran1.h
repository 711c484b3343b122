#pragma once
// The custom uniform generator: the portable three-generator ran1 with a 97-entry
// shuffle table, as the program has always drawn it, so a run seeded with it repeats
// the same numbers everywhere. One state per process, unseeded at program start.
//
// The draw is inline: a simulation makes tens of millions of them.
#include <array>
#include <cstdint>

namespace nuvir::MUtilities {

namespace ran1_detail {
// The generator's state; tests reach it to cover the rare branches. On cache lines of
// its own: it changes with every draw.
struct alignas(64) Ran1State {
    std::array<double, 98> r{};  // entries 1 to 97 are used
    std::int32_t ix1 = 0;
    std::int32_t ix2 = 0;
    std::int32_t ix3 = 0;
    std::int16_t iff = 0;
    std::int16_t j = 0;
    double last = 0.0;
};
extern Ran1State state;
inline Ran1State& State() { return state; }

inline constexpr std::int32_t M1 = 259200, IA1 = 7141, IC1 = 54773;
inline constexpr std::int32_t M2 = 134456, IA2 = 8121, IC2 = 28411;
inline constexpr std::int32_t M3 = 243000, IA3 = 4561, IC3 = 51349;
// Slightly above 1/M1 and 1/M2, so a table entry can come out a little above 1; the
// draw clamps it.
inline constexpr double RM1 = 3.8580247E-06;
inline constexpr double RM2 = 7.4373773E-06;

// (Re)seeds from idum (the clock when it is not negative) and sets it to 1.
void Seed(std::int32_t& idum);
[[noreturn]] void AbnormalExit();
}  // namespace ran1_detail

// A number in [0, 1] (exactly 1 when the selected table entry exceeds 1).
// idum < 0 reseeds from idum and sets it to 1, then draws. idum = 0 after the first
// seeding returns the last value again and changes nothing. The very first call of the
// process seeds from the clock unless idum is negative. Any other value draws the next
// number and is left as it is.
// Raises 255 "Abnormal exit from custom PRNG (ran1)" on an impossible table index and
// Overflow for a seed below -2147428874.
inline double Ran1(std::int32_t& idum) {
    using namespace ran1_detail;
    Ran1State& s = state;
    if (idum == 0 && s.iff == 1) return s.last;
    if (idum < 0 || s.iff == 0) Seed(idum);
    // With states below their moduli no step leaves 32 bits: the largest intermediate
    // is IA1 * (M1 - 1) + IC1 = 1 850 994 832.
    s.ix1 = (IA1 * s.ix1 + IC1) % M1;
    s.ix2 = (IA2 * s.ix2 + IC2) % M2;
    s.ix3 = (IA3 * s.ix3 + IC3) % M3;
    // floor((97 * ix3) / 243000.0) in double equals the integer quotient here: the
    // product stays below 2^25, so the double quotient can never round up to the next
    // whole number (tests compare the two for every ix3).
    const std::int32_t j = 1 + (97 * s.ix3) / M3;
    if (j > 97 || j < 1) AbnormalExit();
    s.j = static_cast<std::int16_t>(j);
    double value = s.r[static_cast<std::size_t>(j)];
    if (value > 1.0) value = 1.0;
    s.last = value;
    s.r[static_cast<std::size_t>(j)] = (static_cast<double>(s.ix1) + static_cast<double>(s.ix2) * RM2) * RM1;
    return value;
}

}  // namespace nuvir::MUtilities
