#include "simulation/clockseeds.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace nuvir {

namespace {

constexpr float kDay = 86400.0f;
constexpr float kAbove = std::numeric_limits<float>::infinity();

// What seeds the custom generator: the seed times 100, to the nearest whole number
// (halves to even), and never below 1.
double CustomKey(float seed) { return std::max(1.0, std::nearbyint(static_cast<double>(seed) * 100.0)); }

// The generator's key of a seed, in an order that follows the seeds'.
double Key(float seed, std::int32_t prng) { return prng == 1 ? CustomKey(seed) : static_cast<double>(seed); }

// The smallest seed above `seed` that the generator tells apart from it.
float After(float seed, std::int32_t prng) {
    if (prng != 1) return std::nextafter(seed, kAbove);
    const double next = CustomKey(seed) + 1.0;
    float s = static_cast<float>((next - 0.5) / 100.0);
    while (CustomKey(s) >= next) s = std::nextafter(s, 0.0f);
    while (CustomKey(s) < next) s = std::nextafter(s, kAbove);
    return s;
}

}  // namespace

ClockSeeds& ClockSeeds::Process() {
    static ClockSeeds seeds;
    return seeds;
}

float ClockSeeds::Next(float clock, std::int32_t prng) {
    const std::lock_guard<std::mutex> lock(mutex_);
    float seed = clock;
    const bool clockWentBack = clock < lastClock_;
    const double key = Key(clock, prng), lastKey = Key(lastSeed_, prng);
    if (lastSeed_ > 0.0f && (key == lastKey || (!clockWentBack && key < lastKey))) {
        seed = After(lastSeed_, prng);
        // The last step of the day: the smallest seed there is.
        if (seed >= kDay) seed = std::numeric_limits<float>::denorm_min();
    }
    lastClock_ = clock;
    lastSeed_ = seed;
    return seed;
}

}  // namespace nuvir
