// Rounding to places and significant figures, and the ten-bit comparison.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>

#include "appdata/utilities_rounding.h"
#include "runtime/convert.h"
#include "runtime/error.h"

using namespace nuvir;
namespace MU = nuvir::MUtilities;

namespace {
double FromBits(std::uint64_t b) { return std::bit_cast<double>(b); }
std::uint64_t BitsOf(double x) { return std::bit_cast<std::uint64_t>(x); }
}  // namespace

TEST(UtilitiesRounding, RoundToPlace) {
    EXPECT_EQ(FormatDouble(MU::RoundToPlace(0.125, -2)), "0.13");
    EXPECT_EQ(FormatDouble(MU::RoundToPlace(2.718, -2)), "2.72");
    EXPECT_EQ(MU::RoundToPlace(567, 2), 600.0);
    EXPECT_EQ(MU::RoundToPlace(549.9, 2), 500.0);
    EXPECT_EQ(MU::RoundToPlace(2.5, 0), 3.0);
    EXPECT_EQ(MU::RoundToPlace(-2.5, 0), -2.0);  // halves towards plus infinity
    EXPECT_EQ(MU::RoundToPlace(-2.6, 0), -3.0);
}

TEST(UtilitiesRounding, RoundDownAndUp) {
    EXPECT_EQ(MU::RoundDownToPlace(1234, 2), 1200.0);
    EXPECT_EQ(MU::RoundDownToPlace(-1234, 2), -1300.0);
    EXPECT_EQ(MU::RoundUpToPlace(1234, 2), 1300.0);
    EXPECT_EQ(MU::RoundUpToPlace(-1234, 2), -1200.0);
    EXPECT_EQ(MU::RoundDownToPlace(1200, 2), 1200.0);
    EXPECT_EQ(MU::RoundUpToPlace(-1300, 2), -1300.0);
    EXPECT_EQ(FormatDouble(MU::RoundUpToPlace(0.231, -1)), "0.3");
    EXPECT_EQ(FormatDouble(MU::RoundDownToPlace(0.239, -2)), "0.23");
}

TEST(UtilitiesRounding, OverflowOfTheScaledValueRaises) {
    try {
        MU::RoundToPlace(1e300, -10);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), err::Overflow);
    }
    EXPECT_THROW(MU::RoundUpToPlace(-1e300, -10), AppError);
}

TEST(UtilitiesRounding, RoundSigFigs) {
    EXPECT_EQ(FormatDouble(MU::RoundSigFigs(347, 2)), "350");
    EXPECT_EQ(FormatDouble(MU::RoundSigFigs(-347, 2)), "-350");
    EXPECT_EQ(FormatDouble(MU::RoundSigFigs(0.156, 2)), "0.16");
    EXPECT_TRUE(MU::NearlyEqual(MU::RoundSigFigs(0.156, 2), 0.16));
    EXPECT_EQ(FormatDouble(MU::RoundSigFigs(123456, 4)), "123500");
    EXPECT_EQ(FormatDouble(MU::RoundSigFigs(0.00012345, 3)), "0.000123");
    EXPECT_EQ(FormatDouble(MU::RoundSigFigs(-0.0625, 1)), "-0.06");
    EXPECT_EQ(MU::RoundSigFigs(1.2345, 0), 1.2345);
    EXPECT_EQ(MU::RoundSigFigs(1.2345, 16), 1.2345);
    EXPECT_EQ(MU::RoundSigFigs(0.0, 3), 0.0);
}

TEST(UtilitiesRounding, NearlyEqual) {
    EXPECT_TRUE(MU::NearlyEqual(0.1, 0.1));
    EXPECT_TRUE(MU::NearlyEqual(0.0, -0.0));
    EXPECT_TRUE(MU::NearlyEqual(1.0, std::nextafter(1.0, 2.0)));
    EXPECT_TRUE(MU::NearlyEqual(1.0, FromBits(BitsOf(1.0) + 1023)));
    EXPECT_FALSE(MU::NearlyEqual(1.0, FromBits(BitsOf(1.0) + 1024)));
    EXPECT_FALSE(MU::NearlyEqual(1.0, 2.0));
    // Neighbours across a 1024-unit block boundary are not nearly equal.
    const std::uint64_t edge = BitsOf(1.0) | 0x3FF;
    EXPECT_FALSE(MU::NearlyEqual(FromBits(edge), FromBits(edge + 1)));
    // Opposite signs or either side of a power of two: only when equal.
    EXPECT_FALSE(MU::NearlyEqual(1e-300, -1e-300));
    EXPECT_FALSE(MU::NearlyEqual(std::nextafter(2.0, 1.0), 2.0));
}

TEST(UtilitiesRounding, DoubleBytesAreInMemoryOrder) {
    EXPECT_EQ(MU::DoubleBytes(1.0), std::string("\0\0\0\0\0\0\xF0\x3F", 8));
    EXPECT_EQ(MU::DoubleBytes(-2.0), std::string("\0\0\0\0\0\0\0\xC0", 8));
}
