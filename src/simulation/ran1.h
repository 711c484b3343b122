#pragma once
// The custom uniform generator: the portable three-generator ran1 with a 97-entry
// shuffle table, as the program has always drawn it, so a run seeded with it repeats
// the same numbers everywhere. One state per process, unseeded at program start.
#include <array>
#include <cstdint>

namespace nuvir::MUtilities {

// A number in [0, 1] (exactly 1 when the selected table entry exceeds 1).
// idum < 0 reseeds from idum and sets it to 1, then draws. idum = 0 after the first
// seeding returns the last value again and changes nothing. The very first call of the
// process seeds from the clock unless idum is negative. Any other value draws the next
// number and is left as it is.
// Raises 255 "Abnormal exit from custom PRNG (ran1)" on an impossible table index and
// Overflow for a seed below -2147428874.
double Ran1(std::int32_t& idum);

namespace ran1_detail {
// The generator's state, exposed for tests that need to reach its rare branches.
struct Ran1State {
    std::array<double, 98> r{};  // entries 1 to 97 are used
    std::int32_t ix1 = 0;
    std::int32_t ix2 = 0;
    std::int32_t ix3 = 0;
    std::int16_t iff = 0;
    std::int16_t j = 0;
    double last = 0.0;
};
Ran1State& State();
}  // namespace ran1_detail

}  // namespace nuvir::MUtilities
