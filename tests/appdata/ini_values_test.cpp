#include <clocale>
#include <cmath>
#include <string>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "appdata/ini.h"
#include "appdata_fixture.h"

namespace nuvir {
namespace {

using test::Int16;
using test::ReadBytes;
using test::SameValue;
using test::Table;
using test::WriteBytes;

class IniValues : public test::AppDataTest {
protected:
    // Reads key k of section S from a file holding the given value.
    Variant ReadValue(const std::string& value, int code, int count = 3, int rows = 2,
                      const Variant& def = Variant("default")) {
        WriteBytes(File(), "[S]\r\nk=" + value + "\r\n");
        return ReadIniValue(File(), "S", "k", def, code, count, rows);
    }
    std::string File() const { return dir.file("values.ini"); }
};

TEST_F(IniValues, NoTextGivesTheDefaultUnchangedWhateverItsKind) {
    const Variant list = Variant::Doubles({1, 2, 3});
    const std::string missing = dir.file("missing.ini");
    EXPECT_TRUE(SameValue(ReadIniValue(missing, "S", "k", list, ini::kDoubleList), list));
    EXPECT_TRUE(SameValue(ReadIniValue(missing, "S", "k", Variant(), ini::kInt16), Variant()));
    WriteBytes(File(), "[S]\r\nempty=\r\nquoted=\"\"\r\n");
    EXPECT_TRUE(SameValue(ReadIniValue(File(), "T", "k", Int16(7), ini::kInt16), Int16(7)));
    EXPECT_TRUE(SameValue(ReadIniValue(File(), "S", "k", list, ini::kTable), list));
    EXPECT_TRUE(SameValue(ReadIniValue(File(), "S", "empty", Variant(), ini::kBoolean), Variant()));
    EXPECT_TRUE(SameValue(ReadIniValue(File(), "S", "quoted", Variant(2.5), ini::kText), Variant(2.5)));
}

TEST_F(IniValues, NamesIgnoreCaseAndValuesLoseBlanksAndQuotes) {
    WriteBytes(File(), "[App Defaults]\r\nSPECIES =  'Rattus rattus'  \r\n");
    EXPECT_TRUE(SameValue(ReadIniValue(File(), "app defaults", "species", Variant(), ini::kText),
                          Variant("Rattus rattus")));
}

TEST_F(IniValues, WholeNumberCodes) {
    EXPECT_TRUE(SameValue(ReadValue("12abc", ini::kInt32), Int16(0)));  // not numeric: 16-bit 0
    EXPECT_TRUE(SameValue(ReadValue("12abc", ini::kDouble), Int16(0)));
    EXPECT_TRUE(SameValue(ReadValue("2.5", ini::kInt32), Variant(2)));
    EXPECT_TRUE(SameValue(ReadValue("3.5", ini::kInt32), Variant(4)));
    EXPECT_TRUE(SameValue(ReadValue("-7", ini::kInt16), Int16(-7)));
    EXPECT_TRUE(SameValue(ReadValue("&HFF", ini::kInt32), Variant(255)));
    EXPECT_TRUE(SameValue(ReadValue("1E-05", ini::kDouble), Variant(1e-5)));
    EXPECT_TRUE(SameValue(ReadValue("40000", ini::kInt32), Variant(40000)));
    try {
        ReadValue("40000", ini::kInt16);
        FAIL() << "out of range must raise";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), err::Overflow);
    }
}

TEST_F(IniValues, BooleanCode) {
    EXPECT_TRUE(SameValue(ReadValue("TRUE", ini::kBoolean), Variant(true)));
    EXPECT_TRUE(SameValue(ReadValue("false", ini::kBoolean), Variant(false)));
    EXPECT_TRUE(SameValue(ReadValue("0", ini::kBoolean), Variant(false)));
    EXPECT_TRUE(SameValue(ReadValue("-1", ini::kBoolean), Variant(true)));
    EXPECT_THROW(ReadValue("yes", ini::kBoolean), AppError);
}

TEST_F(IniValues, TextAndUnknownCodesGiveTheText) {
    EXPECT_TRUE(SameValue(ReadValue("0.5", ini::kText), Variant("0.5")));
    EXPECT_TRUE(SameValue(ReadValue("x,y", 4), Variant("x,y")));
}

TEST_F(IniValues, DoubleListIsCutOrPaddedToCount) {
    EXPECT_TRUE(SameValue(ReadValue("0.5,1", ini::kDoubleList), Variant::Doubles({0.5, 1, 0})));
    EXPECT_TRUE(SameValue(ReadValue("0.5,x,2,7", ini::kDoubleList), Variant::Doubles({0.5, 0, 2})));
    EXPECT_TRUE(SameValue(ReadValue("1,2,3,4,5", ini::kDoubleList, 5), Variant::Doubles({1, 2, 3, 4, 5})));
}

TEST_F(IniValues, ValueListKeepsEmptyForWhatIsNoNumber) {
    const Variant E;
    EXPECT_TRUE(SameValue(ReadValue("0,1,Auto,,5", ini::kValueList, 8),
                          Variant::List({Variant(0.0), Variant(1.0), E, E, Variant(5.0), E, E, E})));
}

TEST_F(IniValues, BooleanListNeverFails) {
    EXPECT_TRUE(SameValue(ReadValue("True,maybe", ini::kBooleanList),
                          Variant::List({Variant(true), Variant(false), Variant(false)})));
    // Blanks around a piece, as a hand-edited file may have them, are ignored.
    EXPECT_TRUE(SameValue(ReadValue("False, True ,1", ini::kBooleanList),
                          Variant::List({Variant(false), Variant(true), Variant(true)})));
}

TEST_F(IniValues, TableCodeGoesThroughParseCategoryArray) {
    EXPECT_TRUE(SameValue(ReadValue("1,2,3,0.2,0.3,0.5", ini::kTable, 3, 2),
                          Table(2, 3, {1, 2, 3, 0.2, 0.3, 0.5})));
    EXPECT_TRUE(SameValue(ReadValue("1,2", ini::kTable, 0, 2), Variant()));
}

TEST(ParseCategoryArray, FillsRowByRowFromTheCommaList) {
    EXPECT_TRUE(SameValue(ParseCategoryArray("1,2,3,0.2,0.3,0.5", 3, 2), Table(2, 3, {1, 2, 3, 0.2, 0.3, 0.5})));
    EXPECT_TRUE(SameValue(ParseCategoryArray("1,2,3,0.2,0.3,0.5", 3, 1), Table(1, 3, {1, 2, 3})));
    EXPECT_TRUE(SameValue(ParseCategoryArray("1,2,3,0.2,0.3,0.5", 4, 2), Table(2, 4, {1, 2, 3, 0.2, 0.3, 0.5, 0, 0})));
    EXPECT_TRUE(SameValue(ParseCategoryArray("a,,3", 2, 2), Table(2, 2, {0, 0, 3, 0})));
}

TEST(ParseCategoryArray, FailuresGiveEmpty) {
    EXPECT_TRUE(ParseCategoryArray("1,2,3", 0, 2).isEmpty());
    EXPECT_TRUE(ParseCategoryArray("1,2,3", 3, 0).isEmpty());
    EXPECT_TRUE(ParseCategoryArray("1,2,3", -1, -1).isEmpty());
    EXPECT_TRUE(ParseCategoryArray("1E999,2", 2, 1).isEmpty());  // overflow on the way
}

TEST_F(IniValues, WrittenTextForms) {
    const auto file = File();
    EXPECT_TRUE(WriteIniValue(file, "S", "text", Variant("Rat"), true));
    EXPECT_TRUE(WriteIniValue(file, "S", "int", Int16(-12), true));
    EXPECT_TRUE(WriteIniValue(file, "S", "double", Variant(0.1 + 0.2), true));
    EXPECT_TRUE(WriteIniValue(file, "S", "small", Variant(0.00001), true));
    EXPECT_TRUE(WriteIniValue(file, "S", "bool", Variant(true), true));
    EXPECT_TRUE(WriteIniValue(file, "S", "empty", Variant(), true));
    EXPECT_TRUE(WriteIniValue(file, "S", "list", Variant::Doubles({0.5, 0, 1 / std::sqrt(48.0)}), true));
    EXPECT_TRUE(WriteIniValue(file, "S", "table", Table(2, 3, {1, 2, 3, 0.2, 0.3, 0.5}), true));
    EXPECT_TRUE(WriteIniValue(file, "S", "formats", Variant::List({Variant(true), Variant(false), Variant(false)}), true));
    EXPECT_EQ(ReadBytes(file),
              "[S]\r\ntext=Rat\r\nint=-12\r\ndouble=0.3\r\nsmall=1E-05\r\nbool=True\r\nempty=\r\n"
              "list=0.5,0,0.144337567297406\r\ntable=1,2,3,0.2,0.3,0.5\r\nformats=True,False,False\r\n");
}

TEST_F(IniValues, DoublesReadBackEqualTo15SignificantDigits) {
    const double values[] = {1.0 / 3.0, 123456.789012345, -2.5e-7, 6.02214076e23, 0.1};
    for (double v : values) {
        ASSERT_TRUE(WriteIniValue(File(), "S", "x", Variant(v), true));
        const double back = CDbl(ReadIniValue(File(), "S", "x", Variant(), ini::kDouble));
        EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << v;
    }
}

TEST_F(IniValues, TheUsersDecimalCommaChangesNothing) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "de_DE.utf8"))
        GTEST_SKIP() << "no German locale installed";
    ASSERT_TRUE(WriteIniValue(File(), "S", "x", Variant::Doubles({0.5, 1.0 / 3.0, 2.5e-7}), true));
    const Variant back = ReadIniValue(File(), "S", "x", Variant(), ini::kDoubleList);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(ReadBytes(File()), "[S]\r\nx=0.5,0.333333333333333,2.5E-07\r\n");
    EXPECT_TRUE(SameValue(back, Variant::Doubles({0.5, 0.333333333333333, 2.5e-7})));
}

TEST_F(IniValues, AnArrayOfThreeDimensionsDeletesTheKey) {
    WriteBytes(File(), "[S]\r\na=1\r\nk=2\r\n");
    const Variant cube = Variant::MakeArray(VarType::Double, {Bounds{0, 1}, Bounds{0, 1}, Bounds{0, 1}});
    EXPECT_TRUE(WriteIniValue(File(), "S", "k", cube, true));
    EXPECT_EQ(ReadBytes(File()), "[S]\r\na=1\r\n");
}

TEST_F(IniValues, AFailedWriteRaisesOnlyOnRequest) {
    const std::string before = "[S]\r\nk=1\r\n";
    WriteBytes(File(), before);
    ::chmod(File().c_str(), 0444);
    EXPECT_FALSE(WriteIniValue(File(), "S", "k", Variant(2), false));
    try {
        WriteIniValue(File(), "S", "k", Variant(2), true);
        FAIL() << "must raise";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number(), 255);
        EXPECT_EQ(e.description(), "WritePrivateProfileString failed.");
    }
    EXPECT_EQ(ReadBytes(File()), before);
    EXPECT_FALSE(WriteIniValue(dir.file("nowhere/x.ini"), "S", "k", Variant(2), false));
}

TEST_F(IniValues, ALineBreakInANameCannotInjectAKey) {
    ASSERT_TRUE(WriteIniValue(File(), "App Defaults", "Species", Variant("Rat\r\nPRNG=1"), true));
    EXPECT_TRUE(SameValue(ReadIniValue(File(), "App Defaults", "Species", Variant(), ini::kText), Variant("Rat  PRNG=1")));
    EXPECT_TRUE(ReadIniValue(File(), "App Defaults", "PRNG", Variant(), ini::kInt16).isEmpty());
}

}  // namespace
}  // namespace nuvir
