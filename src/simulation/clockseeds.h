#pragma once
// The seeds of runs that take theirs from the clock. The clock reads the time of day in
// single precision, whose steps near the end of the day are about 8 ms, and a short run
// takes less: two runs within one step would draw the same numbers. So a clock reading
// that is not after the last seed given (while the clock has not gone back) gives
// instead the next seed after that one which the run's generator tells apart from it:
// the next Single for the built-in generator, which is seeded from the seed's bits, and
// the next hundredth for the custom one, which is seeded from the seed times 100
// rounded to a whole number.
//
// Seeds that run ahead of the clock can reach the end of the day before it: they go on
// from the smallest seed, counted as the next day's, and the clock, still on the day
// before, stays behind them until it has passed them on that next day. Whether the clock
// moved on or went back is told by its UTC moment: midnight moves it on, and so does the
// end of daylight saving time, whose repeated hour reads below the last seed and so goes
// on after it; only a clock set back (a UTC moment earlier than the last reading's)
// starts the seeds afresh from itself.
#include <cstdint>
#include <mutex>

#include "runtime/rnd.h"

namespace nuvir {

class ClockSeeds {
public:
    // The seeds of this process's runs.
    static ClockSeeds& Process();

    // The seed for a run whose clock reads `clock` (its seconds above 0 and below
    // 86400) and whose generator is `prng` (1 the custom one, else the built-in).
    float Next(const ClockReading& clock, std::int32_t prng);

private:
    std::mutex mutex_;
    ClockReading lastClock_;
    float lastSeed_ = 0.0f;
    // The day the last seed belongs to: the one after its clock's once the seeds have
    // passed midnight ahead of the clock.
    std::int64_t lastSeedDay_ = 0;
};

}  // namespace nuvir
