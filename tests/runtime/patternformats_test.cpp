#include <gtest/gtest.h>

#include "runtime/patternformats.h"

namespace nuvir {
namespace {

TEST(PatternFormats, FixedPatternsWorkedOutByHand) {
    struct Case {
        const char* name;
        std::string got;
        const char* expected;
    };
    const Case cases[] = {
        {".000 of a fraction", FormatNoLeadingZero(0.1234, 3), ".123"},
        {".000 of a negative fraction", FormatNoLeadingZero(-0.1236, 3), "-.124"},
        {".000 of one", FormatNoLeadingZero(1, 3), "1.000"},
        {".000 of minus one", FormatNoLeadingZero(-1, 3), "-1.000"},
        {".000 of zero", FormatNoLeadingZero(0, 3), ".000"},
        {"0.0##### of a half", FormatUpToSixDecimals(0.5), "0.5"},
        {"0.0##### of a whole number", FormatUpToSixDecimals(2), "2.0"},
        {"0.0##### rounds the seventh decimal", FormatUpToSixDecimals(0.1234567), "0.123457"},
        {"0.0##### of a negative", FormatUpToSixDecimals(-0.25), "-0.25"},
        {"DD-MMM-YYYY", FormatDateDMY(2026, 12, 6), "06-Dec-2026"},
        {"DD-MMM-YYYY in May", FormatDateDMY(1999, 5, 31), "31-May-1999"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.got, c.expected);
    }
}

}  // namespace
}  // namespace nuvir
