// Probability decimals and significant-figure texts.
#include <gtest/gtest.h>

#include "appdata/appdata.h"
#include "appdata/formatting.h"
#include "runtime/error.h"

namespace nuvir {
namespace {

using MKelvaro::FormatDecimals;
using MKelvaro::FormatSigFigs;
using MKelvaro::TextWidthMeasure;

TEST(FormatDecimals, FixedDecimalsWithHalvesAwayFromZero) {
    EXPECT_EQ(FormatDecimals(0.5, 1), "0.5");
    EXPECT_EQ(FormatDecimals(0.5, 4), "0.5000");
    EXPECT_EQ(FormatDecimals(1.0, 2), "1.00");
    EXPECT_EQ(FormatDecimals(0.125, 2), "0.13");
    EXPECT_EQ(FormatDecimals(-0.125, 2), "-0.13");
    // 0.285 is 0.28499999999999998 in binary; its decimal text rounds up.
    EXPECT_EQ(FormatDecimals(0.285, 2), "0.29");
}

TEST(FormatDecimals, DecimalsFromTheOptions) {
    Variant options = Variant::MakeArray(VarType::Generic, {Bounds{0, opt::kCount - 1}});
    options(opt::kDecimals) = Variant(2.5);  // to the nearest integer, halves to even
    EXPECT_EQ(FormatDecimals(0.5, options), "0.50");
    options(opt::kDecimals) = Variant(3.5);
    EXPECT_EQ(FormatDecimals(0.5, options), "0.5000");
    options(opt::kDecimals) = Variant("two");
    EXPECT_THROW(FormatDecimals(0.5, options), AppError);
    EXPECT_THROW(FormatDecimals(0.5, Variant()), AppError);

    const Variant saved = AppOptions;
    AppOptions = options;
    AppOptions(opt::kDecimals) = Variant(1);
    EXPECT_EQ(FormatDecimals(0.25), "0.3");
    AppOptions = saved;
}

TEST(FormatSigFigs, ShorterFormWithoutTarget) {
    EXPECT_EQ(FormatSigFigs(567.0, 3), "567");
    EXPECT_EQ(FormatSigFigs(123e6, 3), "1.230e08");  // 8 characters against 9
    EXPECT_EQ(FormatSigFigs(123456789.0, 4), "1.235e08");
    EXPECT_EQ(FormatSigFigs(0.123, 2), "0.12");
    EXPECT_EQ(FormatSigFigs(0.156, 2), "0.16");  // hides 0.16000000000000003
    EXPECT_EQ(FormatSigFigs(-347.0, 2), "-350");
    EXPECT_EQ(FormatSigFigs(0.0, 4), "0");
    // Equal lengths go to the general text.
    EXPECT_EQ(FormatSigFigs(1.234e-5, 4), "1.234E-05");
    EXPECT_EQ(FormatSigFigs(1.234e-4, 4), "0.0001234");
    // Digits outside 1 to 15 leave the value as it is.
    EXPECT_EQ(FormatSigFigs(0.123456, 0), "0.123456");
    EXPECT_EQ(FormatSigFigs(0.123456, 16), "0.123456");
}

TEST(FormatSigFigs, DrawnWidthsDecideWithATarget) {
    const TextWidthMeasure same = [](const std::string&) { return 100.0; };
    EXPECT_EQ(FormatSigFigs(same, 123e6, 3), "123000000");  // a tie keeps the plain form
    // Same length, but a capital E drawn wider than a small e.
    const TextWidthMeasure wideCapital = [](const std::string& s) {
        double w = 0;
        for (char c : s) w += c == 'E' ? 8.0 : 5.0;
        return w;
    };
    EXPECT_EQ(FormatSigFigs(wideCapital, 1.234e-5, 4), "1.234e-05");
    // Widths differing only below single precision count as equal.
    const TextWidthMeasure almost = [](const std::string& s) { return s.find('e') != s.npos ? 10.0 : 10.0 + 1e-9; };
    EXPECT_EQ(FormatSigFigs(almost, 123e6, 3), "123000000");
    EXPECT_EQ(FormatSigFigs(TextWidthMeasure(), 123e6, 3), "1.230e08");  // no measure: lengths
}

}  // namespace
}  // namespace nuvir
