// Probability decimals and significant-figure texts.
#include <gtest/gtest.h>

#include "appdata/appdata.h"
#include "appdata/formatting.h"
#include "runtime/error.h"

namespace nuvir {
namespace {

using MKelvaro::FormatDecimals;
using MKelvaro::FormatSigFigs;

TEST(FormatDecimals, FixedNumberOfDecimals) {
    EXPECT_EQ(FormatDecimals(0.5, 1), "0.5");
    EXPECT_EQ(FormatDecimals(0.5, 4), "0.5000");
    EXPECT_EQ(FormatDecimals(1.0, 2), "1.00");
    EXPECT_EQ(FormatDecimals(0.0, 3), "0.000");
    EXPECT_EQ(FormatDecimals(12.3456, 2), "12.35");
}

TEST(FormatDecimals, HalvesGoAwayFromZeroOnTheDecimalText) {
    EXPECT_EQ(FormatDecimals(0.125, 2), "0.13");
    EXPECT_EQ(FormatDecimals(-0.125, 2), "-0.13");
    // 0.285 is 0.28499999999999998 in binary; its decimal text 0.285 rounds up.
    EXPECT_EQ(FormatDecimals(0.285, 2), "0.29");
    EXPECT_EQ(FormatDecimals(0.00005, 4), "0.0001");
}

TEST(FormatDecimals, DecimalsFromTheOptions) {
    Variant options = Variant::MakeArray(VarType::Generic, {Bounds{0, opt::kCount - 1}});
    options(opt::kDecimals) = Variant(std::int16_t{3});
    EXPECT_EQ(FormatDecimals(0.5, options), "0.500");
    // Rounded to the nearest integer, halves to even.
    options(opt::kDecimals) = Variant(2.5);
    EXPECT_EQ(FormatDecimals(0.5, options), "0.50");
    options(opt::kDecimals) = Variant(3.5);
    EXPECT_EQ(FormatDecimals(0.5, options), "0.5000");
}

TEST(FormatDecimals, ProgramWideOptions) {
    const Variant saved = AppOptions;
    AppOptions = Variant::MakeArray(VarType::Generic, {Bounds{0, opt::kCount - 1}});
    AppOptions(opt::kDecimals) = Variant(1);
    EXPECT_EQ(FormatDecimals(0.25), "0.3");
    AppOptions = saved;
}

TEST(FormatDecimals, OptionsWithoutTheItemRaise) {
    EXPECT_THROW(FormatDecimals(0.5, Variant()), AppError);
    Variant options = Variant::MakeArray(VarType::Generic, {Bounds{0, opt::kCount - 1}});
    options(opt::kDecimals) = Variant("two");
    EXPECT_THROW(FormatDecimals(0.5, options), AppError);
}

TEST(FormatSigFigs, ShorterFormWithoutTarget) {
    EXPECT_EQ(FormatSigFigs(567.0, 3), "567");
    // 9 characters of plain digits against 8 of the scientific form.
    EXPECT_EQ(FormatSigFigs(123e6, 3), "1.230e08");
    EXPECT_EQ(FormatSigFigs(0.123, 2), "0.12");
    EXPECT_EQ(FormatSigFigs(0.0, 4), "0");
    EXPECT_EQ(FormatSigFigs(123456789.0, 4), "1.235e08");
    EXPECT_EQ(FormatSigFigs(-347.0, 2), "-350");
}

TEST(FormatSigFigs, TheTextHidesTheBinaryRemainder) {
    // The rounded value is 0.16000000000000003; its 15-digit text is 0.16.
    EXPECT_EQ(FormatSigFigs(0.156, 2), "0.16");
    EXPECT_EQ(FormatSigFigs(2.0 / 3.0, 4), "0.6667");
}

TEST(FormatSigFigs, EqualLengthsGoToTheGeneralText) {
    // "1.234E-05" against "1.234e-05": nine characters each.
    EXPECT_EQ(FormatSigFigs(1.234e-5, 4), "1.234E-05");
    // "0.0001234" against "1.234e-04".
    EXPECT_EQ(FormatSigFigs(1.234e-4, 4), "0.0001234");
    EXPECT_EQ(FormatSigFigs(0.00001, 1), "1E-05");
}

TEST(FormatSigFigs, DigitsOutsideOneToFifteenLeaveTheValue) {
    // "0.123456" (8) against "1.235e-01" (9).
    EXPECT_EQ(FormatSigFigs(0.123456, 0), "0.123456");
    EXPECT_EQ(FormatSigFigs(0.123456, 16), "0.123456");
}

TEST(FormatSigFigs, TargetWidthsDecide) {
    int calls = 0;
    const MKelvaro::TextWidthMeasure sameWidth = [&](const std::string&) {
        ++calls;
        return 100.0;
    };
    // A tie of widths keeps the general text even where it has more characters.
    EXPECT_EQ(FormatSigFigs(sameWidth, 123e6, 3), "123000000");
    EXPECT_EQ(calls, 2);

    // Digits narrow, other characters wide: the plain digits win although longer.
    const MKelvaro::TextWidthMeasure digitsNarrow = [](const std::string& s) {
        double w = 0;
        for (char c : s) w += (c >= '0' && c <= '9') ? 1.0 : 5.0;
        return w;
    };
    EXPECT_EQ(FormatSigFigs(digitsNarrow, 123456789.0, 4), "123500000");

    // Same length, but a capital E is drawn wider than a small e: the scientific form.
    const MKelvaro::TextWidthMeasure wideCapital = [](const std::string& s) {
        double w = 0;
        for (char c : s) w += c == 'E' ? 8.0 : (c == 'e' ? 6.0 : 5.0);
        return w;
    };
    EXPECT_EQ(FormatSigFigs(wideCapital, 1.234e-5, 4), "1.234e-05");

    // A measure that counts characters behaves as the length rule.
    const MKelvaro::TextWidthMeasure byLength = [](const std::string& s) { return 7.0 * s.size(); };
    EXPECT_EQ(FormatSigFigs(byLength, 123456789.0, 4), "1.235e08");
    EXPECT_EQ(FormatSigFigs(byLength, 567.0, 3), "567");

    // Widths differing only below single precision count as equal.
    const MKelvaro::TextWidthMeasure nearlyEqual = [](const std::string& s) {
        return s.find('e') != std::string::npos ? 10.0 : 10.0 + 1e-9;
    };
    EXPECT_EQ(FormatSigFigs(nearlyEqual, 123e6, 3), "123000000");
}

TEST(FormatSigFigs, EmptyMeasureComparesLengths) {
    EXPECT_EQ(FormatSigFigs(MKelvaro::TextWidthMeasure(), 123e6, 3), "1.230e08");
}

}  // namespace
}  // namespace nuvir
