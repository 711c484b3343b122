#include "runtime/rnd.h"

#include <bit>
#include <ctime>

namespace nuvir {

namespace {

struct Pcg32 {
    std::uint64_t state;
    std::uint64_t increment;  // odd: selects the stream
};

std::uint64_t SplitMix64(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint32_t Next32(Pcg32& g) {
    const std::uint64_t old = g.state;
    g.state = old * 6364136223846793005ULL + g.increment;
    const auto xorshifted = static_cast<std::uint32_t>(((old >> 18) ^ old) >> 27);
    const auto rot = static_cast<std::uint32_t>(old >> 59);
    return std::rotr(xorshifted, static_cast<int>(rot));
}

Pcg32 SeededFrom(std::uint64_t seed) {
    std::uint64_t x = seed;
    Pcg32 g{SplitMix64(x), SplitMix64(x) | 1ULL};
    Next32(g);  // moves the state away from the raw hash
    return g;
}

// The sequence a program gets before any reseed; fixed, like every later one.
Pcg32& Generator() {
    static Pcg32 g = SeededFrom(0x4E55564952ULL);
    return g;
}

}  // namespace

float Rnd() {
    constexpr float kScale = 1.0f / 16777216.0f;  // 2^-24
    return static_cast<float>(Next32(Generator()) >> 8) * kScale;
}

float Rnd(float argument) {
    if (argument < 0.0f) Generator() = SeededFrom(std::bit_cast<std::uint32_t>(argument));
    return Rnd();
}

float Timer() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    // Seconds 60 (a leap second) fold into the last second of the day.
    const int wholeSeconds = local.tm_hour * 3600 + local.tm_min * 60 + (local.tm_sec > 59 ? 59 : local.tm_sec);
    const double seconds = static_cast<double>(wholeSeconds) + static_cast<double>(now.tv_nsec) / 1e9;
    float result = static_cast<float>(seconds);
    // Rounding to single precision must not reach the next midnight.
    if (result >= 86400.0f) result = 86399.9921875f;
    return result;
}

}  // namespace nuvir
