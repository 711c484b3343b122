#pragma once
// The built-in uniform random generator and the time of day.
//
// The generator is process-wide: one sequence shared by every caller on the window
// thread (it is not safe to use from two threads at once). Its values are single
// precision in [0, 1), never 1, each a multiple of 2^-24. A call with a negative
// argument reseeds it deterministically from that argument, so the same negative
// argument always starts the same sequence.
//
// The core is PCG32 (O'Neill's permuted congruential generator, 64-bit state, XSH RR
// output); a reseed runs the argument's bit pattern through splitmix64 to fill the
// state and the stream selector. The top 24 bits of each 32-bit output, divided by
// 2^24, give the value: exact in single precision and at most 1 - 2^-24. Sequences
// are reproducible within this implementation only.
#include <bit>
#include <cstdint>

namespace nuvir {

namespace rnd_detail {
// On a cache line of its own: it changes with every value drawn.
struct alignas(64) Pcg32 {
    std::uint64_t state;
    std::uint64_t increment;  // odd: selects the stream
};
// The process-wide generator (inline below because a simulation draws millions).
extern Pcg32 generator;

constexpr std::uint32_t Next32(Pcg32& g) {
    const std::uint64_t old = g.state;
    g.state = old * 6364136223846793005ULL + g.increment;
    const auto xorshifted = static_cast<std::uint32_t>(((old >> 18) ^ old) >> 27);
    const auto rot = static_cast<std::uint32_t>(old >> 59);
    return std::rotr(xorshifted, static_cast<int>(rot));
}

constexpr float ValueOf(std::uint32_t output) {
    constexpr float kScale = 1.0f / 16777216.0f;  // 2^-24
    return static_cast<float>(output >> 8) * kScale;
}
}  // namespace rnd_detail

// The next value of the sequence.
inline float Rnd() { return rnd_detail::ValueOf(rnd_detail::Next32(rnd_detail::generator)); }

// A place in the built-in sequence, drawn from on its own: a copy of where the
// process-wide generator stands gives the values Rnd() would give from there. Skipping
// ahead costs a few dozen multiplications whatever the distance, so threads can each
// draw their own stretch of one run's sequence.
class RndPosition {
public:
    // Where the process-wide generator stands now.
    static RndPosition Current() { return RndPosition(rnd_detail::generator); }
    // Moves the process-wide generator here.
    void MakeCurrent() const { rnd_detail::generator = g_; }
    // Moves past the next `count` values; modulo 2^64, so the largest counts step back.
    void Skip(std::uint64_t count);
    float Next() { return rnd_detail::ValueOf(rnd_detail::Next32(g_)); }
    bool operator==(const RndPosition& o) const { return g_.state == o.g_.state && g_.increment == o.g_.increment; }

    // The raw generator state, for tests that need a chosen stretch of values.
    static RndPosition FromState(std::uint64_t state, std::uint64_t increment) {
        return RndPosition(rnd_detail::Pcg32{state, increment | 1ULL});
    }

private:
    explicit RndPosition(const rnd_detail::Pcg32& g) : g_(g) {}
    rnd_detail::Pcg32 g_;
};

// With a negative argument: reseeds from the argument, then returns the first value of
// the new sequence. With any other argument: the next value, as Rnd().
float Rnd(float argument);

// Seconds since local midnight, with their fraction, in single precision (0 to below
// 86400).
float Timer();

// A reading of the local clock: the day of the local calendar, counted from 1 January
// 1970, and the seconds since its midnight as Timer() gives them, with the same moment
// in UTC. Midnight moves the day on; the end of daylight saving time sets the local
// day and seconds back an hour, as a clock set back does, while the UTC moment moves on:
// only that tells which reading came first.
struct ClockReading {
    std::int64_t day = 0;
    float seconds = 0.0f;
    std::int64_t utcNanoseconds = 0;  // since 1970-01-01 00:00 UTC
};
ClockReading LocalClock();
// The reading at a moment given as nanoseconds since 1970-01-01 00:00 UTC, in the zone
// the process is set to (TZ).
ClockReading LocalClockAt(std::int64_t utcNanoseconds);

}  // namespace nuvir
