#pragma once
// The seeds of runs that take theirs from the clock. The clock reads the time of day in
// single precision, whose steps near the end of the day are about 8 ms, and a short run
// takes less: two runs within one step would draw the same numbers. So a clock reading
// that is not after the last seed given (while the clock has not gone back, as it does
// at midnight) gives instead the next seed after that one which the run's generator
// tells apart from it: the next Single for the built-in generator, which is seeded from
// the seed's bits, and the next hundredth for the custom one, which is seeded from the
// seed times 100 rounded to a whole number.
#include <cstdint>
#include <mutex>

namespace nuvir {

class ClockSeeds {
public:
    // The seeds of this process's runs.
    static ClockSeeds& Process();

    // The seed for a run whose clock reads `clock` (seconds since midnight, above 0 and
    // below 86400) and whose generator is `prng` (1 the custom one, else the built-in).
    float Next(float clock, std::int32_t prng);

private:
    std::mutex mutex_;
    float lastClock_ = 0.0f;
    float lastSeed_ = 0.0f;
};

}  // namespace nuvir
