#include "runtime/rnd.h"

#include <chrono>
#include <ctime>

namespace nuvir {

namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;

}  // namespace

namespace rnd_detail {

namespace {

constexpr std::uint64_t SplitMix64(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

constexpr Pcg32 SeededFrom(std::uint64_t seed) {
    std::uint64_t x = seed;
    const std::uint64_t state = SplitMix64(x);
    Pcg32 g{state, SplitMix64(x) | 1ULL};
    Next32(g);  // moves the state away from the raw hash
    return g;
}

}  // namespace

// The sequence a program gets before any reseed; fixed, like every later one.
constinit Pcg32 generator = SeededFrom(0x4E55564952ULL);

}  // namespace rnd_detail

void RndPosition::Skip(std::uint64_t count) {
    // The state moves by s -> a s + c; `count` steps compose to s -> A s + C, built by
    // squaring the one-step map along the bits of count (arithmetic modulo 2^64).
    std::uint64_t stepMul = 6364136223846793005ULL, stepAdd = g_.increment;
    std::uint64_t mul = 1, add = 0;
    for (; count != 0; count >>= 1) {
        if (count & 1) {
            mul *= stepMul;
            add = add * stepMul + stepAdd;
        }
        stepAdd = (stepMul + 1) * stepAdd;
        stepMul *= stepMul;
    }
    g_.state = mul * g_.state + add;
}

float Rnd(float argument) {
    if (argument < 0.0f) rnd_detail::generator = rnd_detail::SeededFrom(std::bit_cast<std::uint32_t>(argument));
    return Rnd();
}

ClockReading LocalClock() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return LocalClockAt(static_cast<std::int64_t>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec);
}

ClockReading LocalClockAt(std::int64_t utcNanoseconds) {
    const auto utcSeconds = static_cast<std::time_t>(utcNanoseconds / kNanosecondsPerSecond);
    const std::int64_t nanoseconds = utcNanoseconds % kNanosecondsPerSecond;
    std::tm local{};
    localtime_r(&utcSeconds, &local);
    // Seconds 60 (a leap second) fold into the last second of the day.
    const int wholeSeconds = local.tm_hour * 3600 + local.tm_min * 60 + (local.tm_sec > 59 ? 59 : local.tm_sec);
    const double seconds = static_cast<double>(wholeSeconds) + static_cast<double>(nanoseconds) / 1e9;
    float result = static_cast<float>(seconds);
    // Rounding to single precision must not reach the next midnight.
    if (result >= 86400.0f) result = 86399.9921875f;
    const std::chrono::year_month_day date{std::chrono::year{local.tm_year + 1900},
                                           std::chrono::month{static_cast<unsigned>(local.tm_mon + 1)},
                                           std::chrono::day{static_cast<unsigned>(local.tm_mday)}};
    return {std::chrono::sys_days{date}.time_since_epoch().count(), result, utcNanoseconds};
}

float Timer() { return LocalClock().seconds; }

}  // namespace nuvir
