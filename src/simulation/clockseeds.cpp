#include "simulation/clockseeds.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

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

float ClockSeeds::Next(const ClockReading& clock, std::int32_t prng) {
    const std::lock_guard<std::mutex> lock(mutex_);
    float seed = clock.seconds;
    std::int64_t day = clock.day;
    // Judged by the UTC moment: the local time of day also goes back an hour at the end
    // of daylight saving time, and starting afresh there would repeat that hour's seeds.
    const bool clockWentBack = clock.utcNanoseconds < lastClock_.utcNanoseconds;
    const double key = Key(clock.seconds, prng), lastKey = Key(lastSeed_, prng);
    const bool notPastLastSeed = std::pair{clock.day, key} <= std::pair{lastSeedDay_, lastKey};
    if (lastSeed_ > 0.0f && (key == lastKey || (!clockWentBack && notPastLastSeed))) {
        seed = After(lastSeed_, prng);
        day = lastSeedDay_;
        // Past the last step of the day: the smallest seed there is, on the next day.
        if (seed >= kDay) {
            seed = std::numeric_limits<float>::denorm_min();
            ++day;
        }
    }
    lastClock_ = clock;
    lastSeed_ = seed;
    lastSeedDay_ = day;
    return seed;
}

}  // namespace nuvir
