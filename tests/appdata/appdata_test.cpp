// The application data defaults, the program facts, code tables and colours, the
// critical correlation, number texts, paths and the array and sort utilities.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>

#include "appdata/codetables.h"
#include "appdata/ini.h"
#include "appdata/options.h"
#include "appdata/paths.h"
#include "appdata_fixture.h"
#include "support/fakefiledialog.h"
#include "utilities/criticalcorrelation.h"
#include "utilities/formatting.h"
#include "utilities/utilities_arrays.h"
#include "utilities/utilities_rounding.h"

namespace nuvir {
namespace {

using namespace test;
namespace MU = MUtilities;

// ---- defaults and program facts -------------------------------------------------------

class AppDataDefaults : public test::AppDataTest {};

TEST_F(AppDataDefaults, RegressionOptionsAreFixedDuringStartUpAndCarriedOverAfterIt) {
    Variant current = GetAppDataDefaults(true, Variant());
    current(39) = Variant(true);
    current(40) = Variant(false);
    const Variant after = GetAppDataDefaults(false, current);
    EXPECT_EQ(Text(after(39)) + Text(after(40)), "TrueFalse");
    AppData = current;  // the named operation reads the start-up state and the program-wide array
    EXPECT_EQ(Text(GetAppDataDefaults()(39)), "False");
    SetFirstActivation(false);
    EXPECT_EQ(Text(GetAppDataDefaults()(39)), "True");
}

TEST_F(AppDataDefaults, FillNewStateDataSetsOnlyTheItemsOfANewAssessment) {
    Variant data = Variant::MakeArray(VarType::Generic, {Bounds{0, 79}});
    for (int i = 0; i < 80; ++i) data(i) = Variant(1000 + i);
    FillNewStateData(data);
    // Names, records, the mode, point values and category tables start afresh.
    const Variant defaults = GetAppDataDefaults(true, Variant());
    for (int i = 0; i < 80; ++i) {
        const bool fresh = i <= 1 || (i >= 9 && i <= 35) || (i >= 47 && i <= 59) || (i >= 69 && i <= 77);
        EXPECT_TRUE(SameValue(data(i), fresh ? defaults(i) : Variant(1000 + i))) << i;
    }
    // The point values and the category tables, kinds included (whole numbers come as
    // 16-bit integers, as from the files).
    const std::pair<int, Variant> points[] = {{47, Variant(0.5)},  {50, Variant(0.5)}, {51, Int16(1)},
                                              {55, Int16(1)},      {56, Int16(0)},     {59, Int16(0)},
                                              {68, Variant(1068)}, {69, Variant()},    {77, Variant()},
                                              {78, Variant(1078)}};
    for (const auto& [i, expected] : points) EXPECT_TRUE(SameValue(data(i), expected)) << i;
    // A short array grows instead of failing.
    data = Variant::List({Variant("a"), Variant("b"), Variant(7)});
    FillNewStateData(data);
    EXPECT_EQ(data.ubound(1), 79);
    EXPECT_EQ(Text(data(2)), "7");
}

TEST_F(AppDataDefaults, CertaintyLevelsOutcomesAndFileNames) {
    EXPECT_EQ(GetNumRelUncLevels(AppData), 4);  // no array yet
    AppData = GetAppDataDefaults(true, Variant());
    AppData(3) = Variant("5");
    EXPECT_EQ(GetNumRelUncLevels(AppData), 5);
    // Outcome risks and stage costs from the point values, by hand.
    Variant data = GetAppDataDefaults(true, Variant());
    for (int i = 56; i <= 59; ++i) data(i) = Variant(i - 55);  // F1..F4 = 1..4
    data(47) = Variant(0.2);
    data(52) = Variant(10);
    MKelvaro::StoreOutcomeRisks(data);
    const double expected[] = {0.8, 1, 0.05, 0.025, 0.025, 1, 0.4, 0.3, 0.2};
    for (int i = 0; i < 9; ++i) EXPECT_DOUBLE_EQ(CDbl(data(60 + i)), expected[i]) << 60 + i;
    // Minor version 10 is 3.1, not 4.0.
    SetAppFacts(AppFacts{"/opt/risk/", "Kelvin", 3, 10});
    EXPECT_DOUBLE_EQ(RunningVersion(), 3.1);
    EXPECT_EQ(GetIniFileName(), "/opt/risk/Kelvin.ini");
    EXPECT_EQ(GetOptionsIniFileName(), "/opt/risk/KelvinOptions.ini");
}

// ---- reading one item -------------------------------------------------------------------

// Each reader of an item gives its fallback for what is missing or does not convert, and
// the converted value otherwise; an Empty item is a value (0 or False), not a fault.
TEST(ItemReaders, NumbersAndFlagsOfPresentMissingAndFaultyItems) {
    const Variant items = Variant::List({Variant(), Variant("2.5"), Variant("abc"), Variant(Null), Variant(true),
                                         Variant::Doubles({7, 8}), Variant(static_cast<std::int16_t>(3))},
                                        1);
    struct Row {
        const char* what;
        Variant array;
        int index;
        double number;  // with fallback 9
        bool flag;
    };
    const Row rows[] = {
        {"Empty item", items, 1, 0, false},
        {"numeric text", items, 2, 2.5, true},
        {"text that is no number", items, 3, 9, false},
        {"Null", items, 4, 9, false},
        {"True", items, 5, -1, true},
        {"an array in the item", items, 6, 9, false},
        {"a whole number", items, 7, 3, true},
        {"below the lower bound", items, 0, 9, false},
        {"beyond the upper bound", items, 8, 9, false},
        {"array not loaded", Variant(), 1, 9, false},
        {"a scalar, no array", Variant(5.0), 0, 9, false},
        {"a table, not a list", Variant::MakeArray(VarType::Double, {Bounds{0, 1}, Bounds{0, 1}}), 0, 9, false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(ItemNumber(r.array, r.index, 9), r.number) << r.what;
        EXPECT_EQ(ItemFlag(r.array, r.index), r.flag) << r.what;
    }
    EXPECT_EQ(ItemNumber(items, 3), 0);  // the fallback is 0 unless given
}

// An option comes from the loaded options while they hold it, else from the defaults.
TEST_F(AppDataDefaults, AnOptionFallsBackToItsDefault) {
    Variant twoDims = Variant::MakeArray(VarType::Generic, {Bounds{0, 18}, Bounds{0, 1}});
    Variant loaded = GetAppOptionsDefaults();
    loaded(opt::kDecimals) = Variant(4);
    loaded(opt::kColourError) = Variant();
    const std::tuple<const char*, Variant, int, Variant> rows[] = {
        {"not loaded", Variant(), opt::kDecimals, Int16(2)},
        {"a table, not a list", twoDims, opt::kDecimals, Int16(2)},
        {"loaded", loaded, opt::kDecimals, Variant(4)},
        {"an Empty item", loaded, opt::kColourError, Variant(0x0000FF)},
        {"a short list", Variant::List({Variant(1)}), opt::kHideCosts, Variant(false)},
    };
    for (const auto& [what, options, index, expected] : rows) {
        AppOptions = options;
        EXPECT_TRUE(SameValue(OptionOrDefault(index), expected)) << what;
    }
    AppOptions = Variant();
    EXPECT_ANY_THROW(OptionOrDefault(opt::kCount));
}

// ---- codes and colours --------------------------------------------------------------------

TEST(CodeTables, DistributionAndLevelCodesBothWays) {
    using namespace MKelvaro;
    const char* const codes[] = {"?", "U", "N", "LN", "B", "?"};
    for (int code = -1; code <= 4; ++code) EXPECT_EQ(DistributionCode(code), codes[code + 1]);
    const char* const levelCodes[] = {"??", "L0", "L1", "L2", "L3", "L4", "??"};
    for (int level = -1; level <= 5; ++level) EXPECT_EQ(UncertaintyLevelCode(level), levelCodes[level + 1]);
    const std::pair<const char*, int> distributions[] = {{"U", 0}, {"N", 1}, {" ln ", 2}, {"b", 3},
                                                         {"X", 0}, {"", 0},  {"LN\t", 2}, {"\tb\r\n", 3}};
    for (const auto& [text, code] : distributions) EXPECT_EQ(ParseDistributionCode(text), code) << text;
    const std::pair<const char*, int> levels[] = {{"L0", 0}, {"L1", 1},   {"L3", 3},    {"vc", 0}, {" RC", 1},
                                                  {"ru", 2}, {"vu", 3},   {"l4", 4},    {"L5", 2}, {"L", 2},
                                                  {"", 2},   {"vu\r", 3}, {"\tL4\n", 4}};
    for (const auto& [text, level] : levels) EXPECT_EQ(ParseUncertaintyLevel(text), level) << text;
    // Stored codes, as a hand-edited file may hold them: no 32-bit overflow, halves to even.
    struct Stored {
        const char* name;
        double code;
        const char* letter;
        bool names;
    };
    const Stored stored[] = {{"beyond 32 bits", 1e10, "?", false},
                             {"far below", -1e10, "?", false},
                             {"the deleted comma", 144337567297406.0, "?", false},
                             {"a half", 2.5, "LN", false},
                             {"beta", 3, "B", true},
                             {"uniform", 0, "U", true},
                             {"just below", -0.4, "U", false},
                             {"no number", std::nan(""), "?", false},
                             {"past beta", 4, "?", false}};
    for (const auto& s : stored) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(DistributionCodeOf(s.code), s.letter);
        EXPECT_EQ(NamesDistribution(s.code), s.names);
    }
}

TEST(CodeTables, ColoursReadAndWritten) {
    using namespace MKelvaro;
    const std::pair<const char*, std::int32_t> read[] = {
        {"gray", 0xC0C0C0}, {" Grey ", 0xC0C0C0}, {"Red\r\n", 0xFF},     {"\tgray", 0xC0C0C0},
        {"BLUE", 0xFF0000}, {"cyan", 0xFFFF00},   {"Magenta", 0xFF00FF}, {"&HFF00", 65280},
        {"&hff", 255},      {"&HFFFFFFFF", -1},   {" 255 ", 255},        {"2.5", 2},
        {"3.5", 4},         {"-16", -16},         {"purple", 0},         {"", 0},
        {"12abc", 0},       {"1,000", 0}};
    for (const auto& [text, colour] : read) EXPECT_EQ(ParseColour(text), colour) << text;
    EXPECT_THROW(ParseColour("4294967296"), AppError);
    const std::pair<std::int32_t, const char*> written[] = {
        {0xC0C0C0, "Grey"}, {0xFFFFFF, "White"},     {0, "Black"}, {0x80FF80, "&H80FF80"}, {1, "&H000001"},
        {-1, "&HFFFFFFFF"}, {0x1000000, "&H1000000"}};
    for (const auto& [colour, name] : written) EXPECT_EQ(ColourName(colour), name);
    for (std::int32_t v : {0x7FFF, 0x8000, 0x7FFFFFFF, static_cast<std::int32_t>(0x80000000), -0x8000})
        EXPECT_EQ(ParseColour(ColourName(v)), v) << ColourName(v);
}

// ---- critical correlation and array comparison ------------------------------------------

TEST(CriticalCorrelation, PublishedTableValuesAndLimits) {
    using MKelvaro::CriticalCorrelation;
    const std::tuple<std::int32_t, double, int, double, double> cases[] = {
        {100, 0.05, 2, 0.19655, 5e-6},
        {20, 0.05, 2, 0.4438, 5e-5},
        {20, 0.05, 1, 0.3783, 5e-5},
        {20, 0.01, 2, 0.5614, 5e-5},
        // Student's t with 49998 df up to 50000, the normal above.
        {50000, 0.05, 2, 0.008765276, 1e-8},
        {50001, 0.05, 2, 0.008764976, 1e-8},
        {100000, 0.05, 2, 1.959963984540054 / std::sqrt(1.959963984540054 * 1.959963984540054 + 99998), 1e-15},
        {100, 0.05, 0, 0.1645, 1e-3},
        {100, 0.05, 3, 0.19655, 5e-6},  // tails clamped
        {100, -0.5, 2, 1, 0},
        {60000, 0.0, 2, 1, 0},  // alpha 0: certainty
    };
    for (const auto& [n, alpha, tails, expected, tolerance] : cases)
        EXPECT_NEAR(CDbl(CriticalCorrelation(n, alpha, tails)), expected, tolerance) << n;
    for (const auto& [n, alpha, tails] :
         {std::tuple{19, 0.05, 2}, {100, 1.0, 1}, {100, 1.0, 2}, {100, 1.5, 1}, {100, NAN, 2}})
        EXPECT_TRUE(CriticalCorrelation(n, alpha, tails).isEmpty()) << n << " " << alpha;
}

TEST(ArraysEqual, ShapeKindsAndFifteenDigitTexts) {
    using MKelvaro::ArraysEqual;
    const Variant a = test::Table(2, 3, {1, 2, 3, 4, 5, 6});
    const std::tuple<Variant, Variant, bool> cases[] = {
        {Variant::Doubles({1, 2, 3}), Variant::Doubles({1, 2, 3}), true},
        {Variant::Doubles({1, 2, 3}), Variant::Doubles({1, 2, 4}), false},
        {Variant::Doubles({1, 2}, 1), Variant::Doubles({1, 2}, 0), false},
        {Variant::Doubles({1, 2}), Variant::List({1.0, 2.0}), false},
        {Variant::List({1, "a", Variant(Null)}), Variant::List({1.0, "a", ""}), true},
        {Variant::List({"a"}), Variant::List({"A"}), false},
        {Variant::Doubles({0.1 + 0.2}), Variant::Doubles({0.3}), true},
        {a, test::Table(2, 3, {1, 2, 3, 4, 5, 6}), true},
        {a, test::Table(3, 2, {1, 2, 3, 4, 5, 6}), false},
        {a, test::Table(2, 3, {1, 2, 3, 4, 5, 0.5}), false},
        {Variant(1.0), Variant(1.0), false},
        {Variant::Unallocated(VarType::Double), Variant::Unallocated(VarType::Double), false}};
    for (const auto& [x, y, equal] : cases) EXPECT_EQ(ArraysEqual(x, y), equal) << Text(x) << " " << Text(y);
}

// ---- number texts ---------------------------------------------------------------------------

TEST(NumberTexts, DecimalsAndSignificantFigures) {
    using MKelvaro::FormatDecimals;
    using MKelvaro::FormatSigFigs;
    // 0.285 is 0.28499999999999998 in binary; its decimal text rounds up.
    const std::tuple<double, int, const char*> decimals[] = {{0.5, 1, "0.5"},      {0.5, 4, "0.5000"},
                                                             {1.0, 2, "1.00"},     {0.125, 2, "0.13"},
                                                             {-0.125, 2, "-0.13"}, {0.285, 2, "0.29"}};
    for (const auto& [v, places, text] : decimals) EXPECT_EQ(FormatDecimals(v, places), text) << v;
    Variant options = Variant::MakeArray(VarType::Generic, {Bounds{0, opt::kCount - 1}});
    options(opt::kDecimals) = Variant(2.5);  // to the nearest integer, halves to even
    EXPECT_EQ(FormatDecimals(0.5, options), "0.50");
    EXPECT_THROW(FormatDecimals(0.5, Variant()), AppError);
    // The shorter form; equal lengths go to the general text; digits outside 1 to 15 leave the value.
    const std::tuple<double, int, const char*> sigFigs[] = {{567.0, 3, "567"},
                                                            {123e6, 3, "1.230e08"},
                                                            {123456789.0, 4, "1.235e08"},
                                                            {0.156, 2, "0.16"},
                                                            {-347.0, 2, "-350"},
                                                            {0.0, 4, "0"},
                                                            {1.234e-5, 4, "1.234E-05"},
                                                            {1.234e-4, 4, "0.0001234"},
                                                            {0.123456, 0, "0.123456"},
                                                            {0.123456, 16, "0.123456"},
                                                            {1.797e308, 4, "1.797e308"},
                                                            {DBL_MAX, 4, "1.79769313486232E+308"},
                                                            {-DBL_MAX, 2, "-1.79769313486232E+308"}};
    for (const auto& [v, digits, text] : sigFigs) EXPECT_EQ(FormatSigFigs(v, digits), text) << v;
    // With a measure the drawn widths decide: a tie keeps the plain form, a wide capital E
    // loses, and widths differing below single precision count as equal.
    const MKelvaro::TextWidthMeasure wideCapital = [](const std::string& s) {
        return 5.0 * static_cast<double>(s.size()) + 3.0 * static_cast<double>(std::count(s.begin(), s.end(), 'E'));
    };
    EXPECT_EQ(FormatSigFigs(wideCapital, 1.234e-5, 4), "1.234e-05");
    const MKelvaro::TextWidthMeasure almost = [](const std::string& s) {
        return s.find('e') != s.npos ? 10.0 : 10.0 + 1e-9;
    };
    EXPECT_EQ(FormatSigFigs(almost, 123e6, 3), "123000000");
    EXPECT_EQ(FormatSigFigs(MKelvaro::TextWidthMeasure(), 123e6, 3), "1.230e08");
}

TEST(NumberTexts, RoundingToPlacesAndFigures) {
    const std::tuple<double, double, const char*> rounded[] = {
        {MU::RoundToPlace(0.125, -2), 0.13, "to place"},
        {MU::RoundToPlace(549.9, 2), 500, "down to hundreds"},
        {MU::RoundToPlace(-2.5, 0), -2, "negative half up"},
        {MU::RoundDownToPlace(-1234, 2), -1300, "down, negative"},
        {MU::RoundUpToPlace(-1234, 2), -1200, "up, negative"},
        {MU::RoundUpToPlace(0.231, -1), 0.3, "up, tenths"},
        {MU::RoundSigFigs(347, 2), 350, "figures"},
        {MU::RoundSigFigs(0.00012345, 3), 0.000123, "small"},
        {MU::RoundSigFigs(-0.0625, 1), -0.06, "negative figures"},
        {MU::RoundSigFigs(1.2345, 16), 1.2345, "16 figures leave it"}};
    for (const auto& [got, expected, name] : rounded) EXPECT_EQ(FormatDouble(got), FormatDouble(expected)) << name;
}

// Subnormal values keep four figures of what is stored, as normal ones do. Expected texts
// by hand from the stored values: 1e-320 is 2024 x 2^-1074 = 9.99988671826831e-321, half
// of it (an outcome risk of it at p1 = 0.5) 4.99994335913416e-321, the smallest subnormal
// 2^-1074 = 4.9406564584124654e-324, the largest 2.2250738585072009e-308 (near the
// smallest normal, 15 figures of it are as short as the scientific form, which it beats).
TEST(NumberTexts, SubnormalValuesShowFourFiguresOfTheStoredValue) {
    struct Case {
        const char* name;
        double value;
        int digits;
        const char* text;
    };
    const Case cases[] = {
        {"1e-320", 1e-320, 4, "1.000e-320"},
        {"half of 1e-320", 1e-320 * 0.5, 4, "5.000e-321"},
        {"the smallest subnormal", 4.9e-324, 4, "4.941e-324"},
        {"the largest subnormal", 2.2250738585072009e-308, 4, "2.225E-308"},
        {"the smallest normal", DBL_MIN, 4, "2.225E-308"},
        {"negative", -1e-320, 4, "-1.000e-320"},
        {"three figures", 1.23456e-315, 3, "1.230e-315"},
        {"a normal value below 1e-300", 5e-301, 4, "5E-301"},
        {"a normal value above it", 1.2346e-300, 4, "1.235E-300"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MKelvaro::FormatSigFigs(c.value, c.digits), c.text);
    }
    EXPECT_EQ(MU::RoundSigFigs(1e-320, 4), 1e-320) << "the double nearest 1.000e-320";
    EXPECT_EQ(MU::RoundSigFigs(4.9e-324, 4), 4.9e-324) << "not 0";
}

// The spread of a relative level in absolute terms: the same bits as value x percent / 50
// / Sqr(12) wherever that is finite, and finite wherever the deviation itself is (the
// largest doubles: expected values in long double, whose range takes the product).
TEST(Spreads, AUniformSpreadIsFiniteWhereverTheDeviationIs) {
    const double r12 = std::sqrt(12.0);
    struct Case {
        const char* name;
        double mean, percent;
    };
    const Case ordinary[] = {
        {"0.5 at 30 %", 0.5, 30},       {"-2 at 10 %", -2, 10},         {"123456.789 at 50 %", 123456.789, 50},
        {"0.1 at 70 %", 0.1, 70},       {"1e300 at 100 %", 1e300, 100}, {"the smallest normal at 30 %", DBL_MIN, 30},
        {"1e-320 at 10 %", 1e-320, 10}, {"0 at 50 %", 0, 50},
    };
    for (const Case& c : ordinary) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(UniformSpreadSD(c.mean, c.percent)),
                  std::bit_cast<std::uint64_t>(std::fabs(c.mean * c.percent / 50 / r12)));
    }
    const Case largest[] = {
        {"the largest double at 30 %", DBL_MAX, 30},
        {"1e308 at 10 %", 1e308, 10},
        {"the largest negative double at 100 %", -DBL_MAX, 100},
        {"1e307 at 70 %", 1e307, 70},
    };
    for (const Case& c : largest) {
        SCOPED_TRACE(c.name);
        const long double wide = std::fabs(static_cast<long double>(c.mean) * c.percent / 50 / std::sqrt(12.0L));
        EXPECT_DOUBLE_EQ(UniformSpreadSD(c.mean, c.percent), static_cast<double>(wide));
    }
    EXPECT_EQ(UniformSpreadSD(HUGE_VAL, 10), HUGE_VAL) << "an infinite mean stays infinite";
}

TEST(NumberTexts, RoundingBeyondTheDoubleRangeRaisesOverflow) {
    for (const auto& overflow : std::initializer_list<std::function<void()>>{[] { MU::RoundToPlace(1e300, -10); },
                                                                             [] { MU::RoundSigFigs(DBL_MAX, 2); },
                                                                             [] { MU::RoundToPlace(5, 400); }})
        EXPECT_EQ(ErrorNumber(overflow), err::Overflow);
}

// Places finer than 1e-308 have a factor (10^309 and up) beyond the Double range; tiny
// and subnormal values still round to them. By hand, to 15 figures (subnormal results
// are the Doubles nearest the decimals).
TEST(NumberTexts, RoundingToPlacesFinerThan1e308) {
    const struct {
        const char* name;
        double got, expected;
    } cases[] = {
        {"down to 1e-308", MU::RoundDownToPlace(1.2345e-305, -308), 1.234e-305},
        {"up to 1e-309", MU::RoundUpToPlace(1.4567e-307, -309), 1.46e-307},
        {"to 1e-311", MU::RoundToPlace(1.2345e-309, -311), 1.23e-309},
        {"subnormal, down to 1e-323", MU::RoundDownToPlace(1.2345e-320, -323), 1.234e-320},
        {"negative, down to 1e-310", MU::RoundDownToPlace(-1.2345e-307, -310), -1.235e-307},
        {"zero", MU::RoundDownToPlace(0, -310), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FormatDouble(c.got), FormatDouble(c.expected));
    }
}

TEST(NumberTexts, InfinitiesPrintAsWordsNeverAsNaN) {
    EXPECT_EQ(MKelvaro::FormatSigFigs(HUGE_VAL, 4), "Infinity");
    EXPECT_EQ(MKelvaro::FormatSigFigs(-HUGE_VAL, 4), "-Infinity");
}

// Doubles compare equal when they differ only in the lowest ten bits of one 1024-unit block.
TEST(NumberTexts, NearlyEqualIgnoresTheLowestTenBits) {
    const auto bits = [](double x) { return std::bit_cast<std::uint64_t>(x); };
    const auto fromBits = [](std::uint64_t b) { return std::bit_cast<double>(b); };
    const std::uint64_t edge = bits(1.0) | 0x3FF;  // neighbours across a 1024-unit block boundary
    const std::tuple<double, double, bool> near[] = {{0.0, -0.0, true},
                                                     {1.0, fromBits(bits(1.0) + 1023), true},
                                                     {1.0, fromBits(bits(1.0) + 1024), false},
                                                     {fromBits(edge), fromBits(edge + 1), false},
                                                     {1e-300, -1e-300, false},
                                                     {std::nextafter(2.0, 1.0), 2.0, false}};
    for (const auto& [x, y, equal] : near) EXPECT_EQ(MU::NearlyEqual(x, y), equal) << x << " " << y;
}

// ---- paths and the file dialog ---------------------------------------------------------------

TEST(Paths, TextsWithTheSlashAsTheOnlySeparator) {
    // The filter a file dialog is asked for: description "|" pattern.
    const auto filter = [](std::string_view pattern) {
        const FileDialogRequest r = MU::BuildFileDialogRequest(1, "Open", pattern, "", "/w");
        return r.filterDescription + "|" + r.filterPattern;
    };
    const std::pair<std::string, std::string> cases[] = {{MU::RemoveExtension("/data/trial.CSV"), "/data/trial"},
                                                         {MU::RemoveExtension("a.tar.gz"), "a.tar"},
                                                         {MU::RemoveExtension("/a.b/c"), "/a.b/c"},
                                                         {MU::RemoveExtension("C:\\a\\b.txt"), "C:\\a\\b"},
                                                         {MU::GetPathPart("/data/trial.CSV"), "/data"},
                                                         {MU::GetPathPart("/b.txt"), "/"},
                                                         {MU::GetPathPart("b.txt"), "b.txt"},
                                                         {MU::AddBackslash(""), "/"},
                                                         {MU::AddBackslash("/data"), "/data/"},
                                                         {MU::AddBackslash("/data/"), "/data/"},
                                                         {MU::GetFileName("/data/trial.CSV"), "trial.CSV"},
                                                         {MU::GetFileName("/data/"), ""},
                                                         {MU::GetExtension("a.html"), "htm"},
                                                         {MU::GetExtension("noext"), ""},
                                                         {MU::GetExtension("/a.b/c"), "b/c"},
                                                         {MU::GetExtension("x.\xC3\xA9t\xC3\xA9x"),
                                                          "\xC3\xA9t\xC3\xA9"},  // characters, not bytes
                                                         {filter("*.RAF"), "RAF Files (*.RAF)|*.RAF"},
                                                         {filter("*.*"), "All Files (*.*)|*.*"}};
    for (const auto& [got, expected] : cases) EXPECT_EQ(got, expected);
    auto v = [](int a, int b, int c, int d) { return Variant::List({Variant(a), Variant(b), Variant(c), Variant(d)}); };
    const std::tuple<Variant, const char*, bool> versions[] = {{v(10, 0, 2627, 0), "10.0.0.0", true},
                                                               {v(10, 0, 2627, 0), "10.0.2628.0", false},
                                                               {v(11, 0, 0, 0), "10.5.0.0", true},
                                                               {v(16, 0, 40000, 0), "16.0.32768.0", true},
                                                               {v(10, 0, 0, 0), "10.0.0", false},
                                                               {v(10, 0, 0, 0), "10.x.0.0", false},
                                                               {MU::GetFileVersion("/proc/self/exe"), "0.0.0.0",
                                                                false}};  // a file without a version
    for (const auto& [version, required, atLeast] : versions)
        EXPECT_EQ(MU::VersionAtLeast(version, required), atLeast) << required;
}

TEST(Paths, FileDialogRequestsAndAnswers) {
    const FileDialogRequest open = MU::BuildFileDialogRequest(1, "Restore current state from file", "*.RAF", "", "/w");
    EXPECT_EQ(open.matchPattern, "*.[rR][aA][fF]");
    EXPECT_EQ(open.defaultSuffix, "RAF");
    const FileDialogRequest folder = MU::BuildFileDialogRequest(3, "Export folder", "*.*", "/data/x/Untitled", "/w");
    // any file
    EXPECT_EQ(folder.matchPattern, "*");
    EXPECT_EQ(folder.directory, "/data/x");
    EXPECT_EQ(folder.fileName, "Untitled");
    const FileDialogRequest wild = MU::BuildFileDialogRequest(1, "Open", "*.RAF", "/data/saves/*.raf", "/w");
    // a wildcard name opens its folder
    EXPECT_EQ(wild.directory, "/data/saves");
    EXPECT_EQ(wild.fileName, "");
    // Cancel and failure give no name; the file or folder must exist where the mode says.
    test::TempDir dir;
    const std::string savedFolder = MU::LastDialogFolder();
    MU::SetLastDialogFolder(dir.str());
    std::filesystem::create_directory(dir.path() / "sub");
    test::WriteBytes(dir.file("a.raf"), "[App Defaults]\r\n");
    FakeFileDialog fake;
    fake.QueueCancel();
    fake.QueueFailure();
    for (const char* answer : {"sub/trial.RAF", "missing.raf", "a.raf", "Untitled", "nosuchfolder/Untitled"})
        fake.QueueAnswer(dir.file(answer));
    SetFileDialogService(&fake);
    const std::tuple<int, const char*, std::string> calls[] = {{2, "*.RAF", ""},
                                                               {2, "*.RAF", ""},
                                                               {2, "*.RAF", dir.file("sub/trial.RAF")},
                                                               {1, "*.RAF", ""},  // must exist
                                                               {1, "*.RAF", dir.file("a.raf")},
                                                               {3, "*.*", dir.file("Untitled")},
                                                               {3, "*.*", ""}};  // its folder must exist
    for (const auto& [mode, pattern, answer] : calls)
        EXPECT_EQ(MU::ShowFileDialog(mode, "Title", pattern, "Untitled"), answer);
    SetFileDialogService(nullptr);
    ASSERT_EQ(fake.requests.size(), 7u);
    EXPECT_EQ(fake.requests[2].directory, dir.str());
    EXPECT_EQ(fake.requests[3].directory, dir.str() + "/sub");  // the folder of the last choice
    MU::SetLastDialogFolder(savedFolder);
}

// ---- arrays ------------------------------------------------------------------------------------

// A table of Doubles with rows 1..2 and columns -1..1: 0.1 at the first corner, -7 at the last.
Variant TypedTable() {
    Variant typed = Variant::MakeArray(VarType::Double, {{1, 2}, {-1, 1}});
    typed(1, -1) = 0.1;
    typed(2, 1) = -7;
    return typed;
}

TEST(UtilitiesArrays, JoinsWriteEachElementsText) {
    EXPECT_EQ(MU::ArrayDims(Variant::Unallocated(VarType::Double)), 0);
    EXPECT_EQ(MU::JoinArray1D(Variant::List({Variant(true), Variant("a b"), Variant(Null), 1e-5}), "\t"),
              "True\ta b\t\t1E-05");
    EXPECT_EQ(MU::JoinArray1D(test::Table(1, 1, {1}), ","), "") << "a table is no list";
    EXPECT_EQ(MU::JoinArray2D(Variant::List({1, 2}), ",", "|"), "") << "a list is no table";
    Variant generic = Variant::MakeArray(VarType::Generic, {{0, 1}, {0, 1}});
    generic(0, 0) = 1, generic(0, 1) = 2, generic(1, 0) = Variant::List({9}), generic(1, 1) = 4;
    // A failing entry in row 2: the text so far, with its leading row delimiter.
    EXPECT_EQ(MU::JoinArray2D(generic, "\t", "\r"), "ERROR:\r1\t2");
    EXPECT_EQ(MU::JoinArray2D(TypedTable(), ",", "|"), "0.1,0,0|0,0,-7");
}

TEST(UtilitiesArrays, TransposeKeepsTheBoundsOfEachDimension) {
    const Variant r = MU::TransposeArray(TypedTable());
    EXPECT_EQ(r.lbound(1), -1);
    EXPECT_EQ(r.ubound(1), 1);
    EXPECT_EQ(r.lbound(2), 1);
    EXPECT_EQ(r.ubound(2), 2);
    EXPECT_EQ(MU::JoinArray2D(r, ",", "|"), "0.1,0|0,0|0,-7");
}

TEST(UtilitiesArrays, HexPadFillsWholeNumbersToTheDigitsAsked) {
    const std::tuple<Variant, int, const char*> hex[] = {{Variant(255), 6, "0000FF"},
                                                         {Variant(255), 10, "000000FF"},
                                                         {Variant(255), 1, "FF"},
                                                         {Variant(std::int16_t{-1}), 2, "FFFF"},
                                                         {Variant(-1), 0, "FFFFFFFF"},
                                                         {Variant(std::uint8_t{10}), 4, "000A"},
                                                         {Variant(5), -3, "5"},
                                                         {Variant(255.0), 6, ""},
                                                         {Variant("255"), 6, ""},
                                                         {Variant(true), 6, ""},
                                                         {Variant(), 6, ""}};
    for (const auto& [v, digits, text] : hex) EXPECT_EQ(MU::HexPad(v, digits), text) << text;
}

TEST(UtilitiesArrays, InterpolateExtrapolatesAndTakesTheMeanOfOnePoint) {
    EXPECT_DOUBLE_EQ(MU::Interpolate(3, 1, 10, 2, 20), 30.0);  // extrapolates
    EXPECT_DOUBLE_EQ(MU::Interpolate(99, 4, 1, 4, 2), 1.5);    // x0 = x1: the mean
    EXPECT_THROW(MU::Interpolate(1e308, 0, 0, 1e-10, 1e308), AppError);
}

// ---- sorts ------------------------------------------------------------------------------------

TEST(UtilitiesSort, EqualKeysEndInTheDocumentedOrderAndOddInputsLoseNothingWithoutADeepStack) {
    // Row 0 the keys, row 1 the items.
    Variant columns = test::Table(2, 4, {2, 1, 2, 1, 10, 20, 30, 40}), rows = MU::TransposeArray(columns);
    MU::QuickSortColumnsByRow(columns, 0, 0, 3);
    MU::QuickSortRowsByColumn(rows, 0, 0, 3);
    EXPECT_EQ(Text(columns), "1,1,2,2|20,40,10,30");
    EXPECT_EQ(Text(rows), "1,20|1,40|2,10|2,30");
    // Equal numbers held in different kinds show where each one went: A = 2 (Int32),
    // B = 1 (Int16), C = 2 (Double), D = 1 (Single) end as B, D, A, C.
    Variant list = Variant::List({Variant(2), Variant(std::int16_t{1}), Variant(2.0), Variant(1.0f)}, -3);
    MU::QuickSort1D(list, -3, 0);
    const VarType kinds[] = {list(-3).get().type(), list(-2).get().type(), list(-1).get().type()};
    EXPECT_EQ(kinds[0], VarType::Int16);
    EXPECT_EQ(kinds[1], VarType::Single);
    EXPECT_EQ(kinds[2], VarType::Int32);
    // A partial range leaves the rest alone; odd ranges and shapes leave everything alone.
    columns = test::Table(2, 5, {4, 3, 2, 1, 0, 10, 20, 30, 40, 50});
    MU::QuickSortColumnsByRow(columns, 0, 1, 3);
    list = Variant::List({3, 1, 2});
    MU::QuickSort1D(list, 2, 0);               // an empty range
    MU::QuickSortColumnsByRow(list, 0, 0, 2);  // one dimension: not a table
    MU::QuickSort1D(columns, 0, 2);            // two dimensions: not a list
    EXPECT_EQ(Text(list), "3,1,2");
    EXPECT_EQ(Text(columns), "4,1,2,3,0|10,40,30,20,50");
    EXPECT_THROW(MU::QuickSort1D(list, 0, 3), AppError);  // beyond the bounds
    EXPECT_THROW(MU::QuickSortColumnsByRow(columns, 2, 0, 1), AppError);
    std::vector<double> two{2, 1};
    EXPECT_THROW(MU::QuickSort1D(std::span<double>(two), 0, 2), AppError);
    // Null and NaN keys compare false and lose nothing.
    Variant nulls = Variant::List({3, Variant(Null), 1, 2, Variant(Null)});
    MU::QuickSort1D(nulls, 0, 4);
    double sum = 0;
    for (std::int32_t i = 0; i <= 4; ++i) sum += nulls(i).get().isNull() ? 100.0 : CDbl(nulls(i));
    EXPECT_EQ(sum, 206.0);
    std::vector<double> v{3, NAN, 1, 2, NAN, 0};
    MU::SortDoubles(v);
    EXPECT_EQ(std::count_if(v.begin(), v.end(), [](double x) { return std::isnan(x); }), 2);
    // Ordered input is the worst case, each pass splitting off one position: no deep stack.
    std::vector<double> sorted(20000), equal(100000, 1.5);
    for (std::size_t i = 0; i < sorted.size(); ++i) sorted[i] = static_cast<double>(i);
    EXPECT_LE(MU::QuickSort1D(std::span<double>(sorted), 0, 19999), 2u);
    EXPECT_LT(MU::QuickSort1D(std::span<double>(equal), 0, 99999), 40u);
    std::vector<double> shuffled(20000);  // a permutation with runs both ways
    for (std::size_t i = 0; i < shuffled.size(); ++i) shuffled[i] = static_cast<double>(i * 7919 % 20000);
    MU::QuickSort1D(std::span<double>(shuffled), 0, 19999);
    EXPECT_EQ(shuffled, sorted);
}

}  // namespace
}  // namespace nuvir
