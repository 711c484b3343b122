#include "appdata/codetables.h"

#include <gtest/gtest.h>

#include "runtime/convert.h"
#include "runtime/error.h"

namespace nuvir::MKelvaro {
namespace {

TEST(DistributionCodes, LettersAndTheirReader) {
    EXPECT_EQ(DistributionCode(0), "U");
    EXPECT_EQ(DistributionCode(1), "N");
    EXPECT_EQ(DistributionCode(2), "LN");
    EXPECT_EQ(DistributionCode(3), "B");
    EXPECT_EQ(DistributionCode(4), "?");
    EXPECT_EQ(DistributionCode(-1), "?");
    EXPECT_EQ(ParseDistributionCode(" ln "), 2);
    EXPECT_EQ(ParseDistributionCode("b"), 3);
    EXPECT_EQ(ParseDistributionCode("N"), 1);
    EXPECT_EQ(ParseDistributionCode("u"), 0);
    EXPECT_EQ(ParseDistributionCode("X"), 0);
    EXPECT_EQ(ParseDistributionCode(""), 0);
    for (int code = 0; code <= 3; ++code) EXPECT_EQ(ParseDistributionCode(DistributionCode(code)), code);
}

TEST(LevelCodes, CurrentAndOlderCodes) {
    for (int level = 0; level <= 4; ++level) {
        EXPECT_EQ(UncertaintyLevelCode(level), "L" + std::to_string(level));
        EXPECT_EQ(ParseUncertaintyLevel(UncertaintyLevelCode(level)), level);
    }
    EXPECT_EQ(UncertaintyLevelCode(5), "??");
    EXPECT_EQ(UncertaintyLevelCode(-1), "??");
    EXPECT_EQ(ParseUncertaintyLevel("vc"), 0);
    EXPECT_EQ(ParseUncertaintyLevel(" RC"), 1);
    EXPECT_EQ(ParseUncertaintyLevel("ru"), 2);
    EXPECT_EQ(ParseUncertaintyLevel("vu"), 3);
    EXPECT_EQ(ParseUncertaintyLevel("l4"), 4);
    EXPECT_EQ(ParseUncertaintyLevel("L5"), 2);
    EXPECT_EQ(ParseUncertaintyLevel("L"), 2);
    EXPECT_EQ(ParseUncertaintyLevel(""), 2);
}

TEST(CodeReaders, TabsAndLineEndsAroundACodeAreIgnoredLikeBlanks) {
    EXPECT_EQ(ParseDistributionCode("LN\t"), 2);
    EXPECT_EQ(ParseDistributionCode("\tb\r\n"), 3);
    EXPECT_EQ(ParseUncertaintyLevel("vu\r"), 3);
    EXPECT_EQ(ParseUncertaintyLevel("\tL4\n"), 4);
    EXPECT_EQ(ParseColour("Red\r\n"), 0xFF);
    EXPECT_EQ(ParseColour("\tgray"), 0xC0C0C0);
}

TEST(StateTokensTable, FilledOnceWithTheKeysAndSeparators) {
    InitStateTokens();
    ASSERT_EQ(StateTokens.dims(), 1);
    EXPECT_EQ(StateTokens.lbound(1), 0);
    ASSERT_EQ(StateTokens.ubound(1), 19);
    const char* expected[] = {";", "=", ",", "SPECIES", "LOCATION", "N", "UM", "PRNG", "CI", "CATI",
                              "CATC", "NUMI", "NUMC", "NUMR", "VN", "P", "I", "F", "ICAT", "FCAT"};
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(StateTokens(i).type(), VarType::String) << i;
        EXPECT_EQ(CStr(StateTokens(i)), expected[i]) << i;
    }
    EXPECT_EQ(CStr(StateTokens(token::kCostTablePrefix)), "FCAT");
}

TEST(Colours, NamesAreReadWithoutRegardToCaseOrBlanks) {
    EXPECT_EQ(ParseColour("gray"), 0xC0C0C0);
    EXPECT_EQ(ParseColour(" Grey "), 0xC0C0C0);
    EXPECT_EQ(ParseColour("Red"), 0xFF);
    EXPECT_EQ(ParseColour("BLUE"), 0xFF0000);
    EXPECT_EQ(ParseColour("black"), 0);
    EXPECT_EQ(ParseColour("cyan"), 0xFFFF00);
    EXPECT_EQ(ParseColour("Magenta"), 0xFF00FF);
}

TEST(Colours, NumberTexts) {
    EXPECT_EQ(ParseColour("&HFF00"), 65280);  // four digits stay unsigned
    EXPECT_EQ(ParseColour("&H00FF00"), 0xFF00);
    EXPECT_EQ(ParseColour("&hff"), 255);
    EXPECT_EQ(ParseColour("&HFFFFFFFF"), -1);
    EXPECT_EQ(ParseColour("255"), 255);
    EXPECT_EQ(ParseColour(" 255 "), 255);
    EXPECT_EQ(ParseColour("2.5"), 2);
    EXPECT_EQ(ParseColour("3.5"), 4);
    EXPECT_EQ(ParseColour("-16"), -16);
}

TEST(Colours, AnythingElseIsBlackAndOverflowRaises) {
    EXPECT_EQ(ParseColour("purple"), 0);
    EXPECT_EQ(ParseColour(""), 0);
    EXPECT_EQ(ParseColour("12abc"), 0);
    EXPECT_EQ(ParseColour("1,000"), 0);
    try {
        ParseColour("4294967296");
        FAIL() << "must raise";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), err::Overflow);
    }
}

TEST(Colours, NamesWritten) {
    EXPECT_EQ(ColourName(0xC0C0C0), "Grey");
    EXPECT_EQ(ColourName(0xFFFFFF), "White");
    EXPECT_EQ(ColourName(0), "Black");
    EXPECT_EQ(ColourName(0x80FF80), "&H80FF80");
    EXPECT_EQ(ColourName(1), "&H000001");
    EXPECT_EQ(ColourName(-1), "&HFFFFFFFF");
    EXPECT_EQ(ColourName(0x1000000), "&H1000000");
}

TEST(Colours, EveryValueReadsBackFromItsName) {
    std::vector<std::int32_t> values = {0, 1, -1, 0xFF, 0xFF00, 0xFFFF, 0x7FFF, 0x8000, 0xC0C0C0, 0xFFFFFF,
                                        0x1000000, 0x7FFFFFFF, static_cast<std::int32_t>(0x80000000), -0x8000};
    for (std::int64_t v = -2147483648LL; v <= 2147483647LL; v += 16777259LL) values.push_back(static_cast<std::int32_t>(v));
    for (std::int32_t v : values) EXPECT_EQ(ParseColour(ColourName(v)), v) << ColourName(v);
}

}  // namespace
}  // namespace nuvir::MKelvaro
