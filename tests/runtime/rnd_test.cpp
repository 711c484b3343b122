// The built-in uniform generator and the time of day.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>
#include <time.h>
#include <utility>
#include <vector>

#include "runtime/rnd.h"
#include "testsupport.h"

namespace nuvir {
namespace {

constexpr double kTwo24 = 16777216.0;

std::vector<float> Draw(int n) {
    std::vector<float> v;
    for (int i = 0; i < n; ++i) v.push_back(Rnd());
    return v;
}

// Reference values from an independent implementation of the documented algorithm
// (splitmix64 of the argument's bit pattern gives the PCG32 state and stream; the
// top 24 bits of each output over 2^24), written in Python.
TEST(RndSequence, ReseedingGivesTheDocumentedSequence) {
    const std::vector<std::pair<float, std::vector<std::uint32_t>>> cases = {
        {-1.0f, {13598842, 8289241, 8057254, 8531885, 12154456}},
        {-12.5f, {14709863, 403807, 9266038, 1738544, 11657044}},
    };
    for (const auto& [seed, expected] : cases) {
        EXPECT_EQ(Rnd(seed) * kTwo24, expected[0]) << seed;
        for (std::size_t i = 1; i < expected.size(); ++i) EXPECT_EQ(Rnd() * kTwo24, expected[i]) << seed << " " << i;
    }
}

// A copied position draws what the generator would; skipping k values lands where k
// draws would, for distances from 0 to past 2^32, and the largest counts step back.
TEST(RndSequence, APositionDrawsOnItsOwnAndSkipsAsDrawingWould) {
    Rnd(-7.0f);
    const RndPosition start = RndPosition::Current();
    const std::vector<float> drawn = Draw(5000);
    for (const std::uint64_t k : {0ULL, 1ULL, 2ULL, 3ULL, 64ULL, 1000ULL, 4095ULL}) {
        RndPosition p = start;
        p.Skip(k);
        EXPECT_EQ(p.Next(), drawn[k]) << k;
    }
    RndPosition stepped = start;
    for (int i = 0; i < 5000; ++i) stepped.Next();
    EXPECT_TRUE(stepped == RndPosition::Current());
    // A far jump done in two halves or at once, and back again.
    RndPosition far = start, halves = start;
    far.Skip((1ULL << 33) + 12345);
    halves.Skip(1ULL << 32);
    halves.Skip((1ULL << 32) + 12345);
    EXPECT_TRUE(far == halves);
    far.Skip(0ULL - ((1ULL << 33) + 12345));
    EXPECT_TRUE(far == start);
    // Making a position current moves the generator there.
    RndPosition p = start;
    p.Skip(10);
    p.MakeCurrent();
    EXPECT_EQ(Rnd(), drawn[10]);
}

// The same negative argument restarts the same sequence wherever it stands; a
// non-negative one draws the next value without reseeding.
TEST(RndSequence, NegativeArgumentsRestartAndOthersDrawOn) {
    const float first = Rnd(-3.25f);
    const std::vector<float> a = Draw(1000);
    Draw(17);
    EXPECT_EQ(Rnd(-3.25f), first);
    EXPECT_EQ(Draw(1000), a);
    Rnd(-3.25f);
    EXPECT_EQ(Rnd(5.0f), a[0]);
    EXPECT_EQ(Rnd(0.0f), a[1]);
}

TEST(RndSequence, NeighbouringSeedsGiveDifferentSequences) {
    Rnd(-0.5f);
    const std::vector<float> a = Draw(20);
    Rnd(std::nextafter(-0.5f, -1.0f));
    const std::vector<float> b = Draw(20);
    EXPECT_NE(a, b);
}

TEST(RndValues, AreMultiplesOfTwoToTheMinus24InZeroToBelowOne) {
    Rnd(-42.0f);
    double sum = 0.0;
    int bins[16] = {};
    const int n = 1 << 20;
    for (int i = 0; i < n; ++i) {
        const float v = Rnd();
        ASSERT_GE(v, 0.0f);
        ASSERT_LT(v, 1.0f);
        const double scaled = static_cast<double>(v) * kTwo24;
        ASSERT_EQ(scaled, std::floor(scaled));
        sum += v;
        ++bins[static_cast<int>(v * 16.0f)];
    }
    EXPECT_NEAR(sum / n, 0.5, 0.002);
    // Chi-square with 15 degrees of freedom: 40 is beyond the 0.9995 quantile.
    double chi2 = 0.0;
    for (const int count : bins) chi2 += (count - n / 16.0) * (count - n / 16.0) / (n / 16.0);
    EXPECT_LT(chi2, 40.0);
}

// The whole seconds since 1970 by the clock LocalClock reads: std::time may lag it
// by a clock tick at a whole second.
std::time_t RealtimeSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec;
}

// The local clock's seconds since midnight, whole.
double LocalSeconds(std::time_t at) {
    std::tm local{};
    localtime_r(&at, &local);
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
}

TEST(Timer, IsSecondsSinceLocalMidnightWithTheFractionOfTheSecond) {
    // Read between two readings of the clock, however long a busy machine took between
    // them: from the whole second of the first to the one after the second (which single
    // precision may round up to).
    const std::time_t before = RealtimeSeconds();
    const float t = Timer();
    const std::time_t after = RealtimeSeconds();
    ASSERT_GE(t, 0.0f);
    ASSERT_LT(t, 86400.0f);
    const double sinceBefore = std::fmod(t - LocalSeconds(before) + 86400.0, 86400.0);  // across midnight
    EXPECT_LE(sinceBefore, static_cast<double>(after - before) + 1.0);
    // Over a stretch of readings some must fall between whole seconds.
    bool fraction = false;
    for (int i = 0; i < 2000 && !fraction; ++i) {
        const float r = Timer();
        fraction = r != std::floor(r);
    }
    EXPECT_TRUE(fraction);
}

// The day and seconds of a reading, less the zone's offset from UTC, are the time
// since 1970: in zones whose date differs from UTC's for much of the day, too. The
// reading lies between two readings of the clock, however long a busy machine took
// between them: from the whole second of the first to the one after the second (which
// single precision may round up to).
TEST(LocalClock, CountsTheDaysOfTheLocalCalendar) {
    struct Case {
        const char* name;
        const char* zone;  // POSIX form: the name, then the hours to add to reach UTC
    };
    const Case cases[] = {{"UTC", "UTC0"}, {"fourteen hours ahead", "<+14>-14"}, {"eleven hours behind", "<-11>11"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const test::ScopedZone zone(c.zone);
        const std::time_t before = RealtimeSeconds();
        const ClockReading r = LocalClock();
        const std::time_t after = RealtimeSeconds();
        std::tm local{};
        localtime_r(&before, &local);  // the zones keep one offset all year
        const double reading = static_cast<double>(r.day) * 86400.0 + r.seconds - static_cast<double>(local.tm_gmtoff);
        EXPECT_GE(reading, static_cast<double>(before));
        EXPECT_LE(reading, static_cast<double>(after) + 1.0);
    }
}

}  // namespace
}  // namespace nuvir
