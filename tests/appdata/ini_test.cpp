// INI values, assessment files and the options file: what is read, the byte layout of
// what is written, and that a failed save keeps the old file whole.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <clocale>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <optional>

#include "appdata/ini.h"
#include "appdata/options.h"
#include "appdata_fixture.h"
#include "platform/profile.h"

namespace nuvir {
namespace {

using test::FileSizeLimit;
using test::Int16;
using test::ReadBytes;
using test::SameValue;
using test::Table;
using test::WriteBytes;

// Equal as values to 15 significant digits whatever the kind of a number, arrays
// element by element.
bool Same15(const Variant& a, const Variant& b) {
    if (a.isArray() || b.isArray()) {
        if (!a.isArray() || !b.isArray() || a.dims() != b.dims() || a.elements().size() != b.elements().size()) return false;
        for (int d = 1; d <= a.dims(); ++d)
            if (a.lbound(d) != b.lbound(d)) return false;
        for (std::size_t i = 0; i < a.elements().size(); ++i)
            if (!Same15(a.elements()[i], b.elements()[i])) return false;
        return true;
    }
    if (a.isEmpty() || b.isEmpty()) return a.isEmpty() && b.isEmpty();
    if (a.isNumberKind() && b.isNumberKind() && a.type() != VarType::Boolean && b.type() != VarType::Boolean)
        return FormatDouble(CDbl(a)) == FormatDouble(CDbl(b));
    return VarEquals(a, b);
}

std::size_t FilesIn(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

// ---- single values ----------------------------------------------------------------------

class IniValues : public test::AppDataTest {
protected:
    // Reads key k of section S from a file holding the given value.
    Variant ReadValue(const std::string& value, int code, int count = 3, int rows = 2) {
        WriteBytes(File(), "[S]\r\nk=" + value + "\r\n");
        return ReadIniValue(File(), "S", "k", Variant("default"), code, count, rows);
    }
    std::string File() const { return dir.file("values.ini"); }
};

TEST_F(IniValues, EachCodeReadsItsKind) {
    const Variant E;
    const struct {
        const char* value;
        int code, count;
        Variant expected;
    } cases[] = {
        {"12abc", ini::kInt32, 3, Int16(0)},  // not numeric: 16-bit 0
        {"12abc", ini::kDouble, 3, Int16(0)},
        {"2.5", ini::kInt32, 3, Variant(2)},
        {"3.5", ini::kInt32, 3, Variant(4)},
        {"-7", ini::kInt16, 3, Int16(-7)},
        {"&HFF", ini::kInt32, 3, Variant(255)},
        {"1E-05", ini::kDouble, 3, Variant(1e-5)},
        {"40000", ini::kInt32, 3, Variant(40000)},
        {"TRUE", ini::kBoolean, 3, Variant(true)},
        {"0", ini::kBoolean, 3, Variant(false)},
        {"-1", ini::kBoolean, 3, Variant(true)},
        {"0.5", ini::kText, 3, Variant("0.5")},
        {"x,y", 4, 3, Variant("x,y")},  // an unknown code gives the text
        {"0.5,1", ini::kDoubleList, 3, Variant::Doubles({0.5, 1, 0})},
        {"0.5,x,2,7", ini::kDoubleList, 3, Variant::Doubles({0.5, 0, 2})},
        {"0,1,Auto,,5", ini::kValueList, 8, Variant::List({Variant(0.0), Variant(1.0), E, E, Variant(5.0), E, E, E})},
        {"True,maybe", ini::kBooleanList, 3, Variant::List({Variant(true), Variant(false), Variant(false)})},
        {"False, True ,1", ini::kBooleanList, 3, Variant::List({Variant(false), Variant(true), Variant(true)})},
        {"1,2,3,0.2,0.3,0.5", ini::kTable, 3, Table(2, 3, {1, 2, 3, 0.2, 0.3, 0.5})},
        {"1,2", ini::kTable, 0, Variant()},
    };
    for (const auto& c : cases) EXPECT_TRUE(SameValue(ReadValue(c.value, c.code, c.count), c.expected)) << c.value << " " << c.code;
    EXPECT_EQ(test::ErrorNumber([&] { ReadValue("40000", ini::kInt16); }), err::Overflow);
    EXPECT_THROW(ReadValue("yes", ini::kBoolean), AppError);
    // No text gives the default unchanged, whatever its kind; names ignore case.
    const Variant list = Variant::Doubles({1, 2, 3});
    EXPECT_TRUE(SameValue(ReadIniValue(dir.file("missing.ini"), "S", "k", list, ini::kDoubleList), list));
    WriteBytes(File(), "[S]\r\nempty=\r\nquoted=\"\"\r\n[App Defaults]\r\nSPECIES =  'Rattus rattus'  \r\n");
    EXPECT_TRUE(SameValue(ReadIniValue(File(), "T", "k", Int16(7), ini::kInt16), Int16(7)));
    EXPECT_TRUE(SameValue(ReadIniValue(File(), "S", "empty", Variant(), ini::kBoolean), Variant()));
    EXPECT_TRUE(SameValue(ReadIniValue(File(), "S", "quoted", Variant(2.5), ini::kText), Variant(2.5)));
    EXPECT_TRUE(SameValue(ReadIniValue(File(), "app defaults", "species", Variant(), ini::kText), Variant("Rattus rattus")));
}

TEST(ParseCategoryArray, FillsRowByRowAndFailsToEmpty) {
    EXPECT_TRUE(SameValue(ParseCategoryArray("1,2,3,0.2,0.3,0.5", 3, 1), Table(1, 3, {1, 2, 3})));
    EXPECT_TRUE(SameValue(ParseCategoryArray("1,2,3,0.2,0.3,0.5", 4, 2), Table(2, 4, {1, 2, 3, 0.2, 0.3, 0.5, 0, 0})));
    EXPECT_TRUE(SameValue(ParseCategoryArray("a,,3", 2, 2), Table(2, 2, {0, 0, 3, 0})));
    EXPECT_TRUE(ParseCategoryArray("1,2,3", 0, 2).isEmpty());
    EXPECT_TRUE(ParseCategoryArray("1,2,3", -1, -1).isEmpty());
    EXPECT_TRUE(ParseCategoryArray("1E999,2", 2, 1).isEmpty());  // overflow on the way
}

TEST_F(IniValues, WrittenTextForms) {
    const std::pair<const char*, Variant> values[] = {
        {"text", Variant("Rat")}, {"int", Int16(-12)}, {"double", Variant(0.1 + 0.2)}, {"small", Variant(0.00001)},
        {"bool", Variant(true)}, {"empty", Variant()}, {"list", Variant::Doubles({0.5, 0, 1 / std::sqrt(48.0)})},
        {"table", Table(2, 3, {1, 2, 3, 0.2, 0.3, 0.5})}, {"formats", Variant::List({Variant(true), Variant(false), Variant(false)})}};
    for (const auto& [key, value] : values) EXPECT_TRUE(WriteIniValue(File(), "S", key, value, true)) << key;
    EXPECT_EQ(ReadBytes(File()),
              "[S]\r\ntext=Rat\r\nint=-12\r\ndouble=0.3\r\nsmall=1E-05\r\nbool=True\r\nempty=\r\n"
              "list=0.5,0,0.144337567297406\r\ntable=1,2,3,0.2,0.3,0.5\r\nformats=True,False,False\r\n");
    for (const double v : {1.0 / 3.0, 123456.789012345, -2.5e-7, 6.02214076e23, 0.1}) {
        ASSERT_TRUE(WriteIniValue(File(), "S", "x", Variant(v), true));
        EXPECT_NEAR(CDbl(ReadIniValue(File(), "S", "x", Variant(), ini::kDouble)), v, std::fabs(v) * 1e-14) << v;
    }
    // An array of three dimensions deletes the key.
    WriteBytes(File(), "[S]\r\na=1\r\nk=2\r\n");
    EXPECT_TRUE(WriteIniValue(File(), "S", "k", Variant::MakeArray(VarType::Double, {Bounds{0, 1}, Bounds{0, 1}, Bounds{0, 1}}), true));
    EXPECT_EQ(ReadBytes(File()), "[S]\r\na=1\r\n");
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

TEST_F(IniValues, AFailedWriteRaisesOnlyOnRequestAndALineBreakCannotInjectAKey) {
    WriteBytes(File(), "[S]\r\nk=1\r\n");
    ::chmod(File().c_str(), 0444);
    EXPECT_FALSE(WriteIniValue(File(), "S", "k", Variant(2), false));
    try {
        WriteIniValue(File(), "S", "k", Variant(2), true);
        ADD_FAILURE() << "must raise";
    } catch (const AppError& e) {
        EXPECT_EQ(e.description(), "WritePrivateProfileString failed.");
    }
    EXPECT_EQ(ReadBytes(File()), "[S]\r\nk=1\r\n");
    EXPECT_FALSE(WriteIniValue(dir.file("nowhere/x.ini"), "S", "k", Variant(2), false));
    const std::string other = dir.file("other.ini");
    ASSERT_TRUE(WriteIniValue(other, "App Defaults", "Species", Variant("Rat\r\nPRNG=1"), true));
    EXPECT_TRUE(SameValue(ReadIniValue(other, "App Defaults", "Species", Variant(), ini::kText), Variant("Rat  PRNG=1")));
    EXPECT_TRUE(ReadIniValue(other, "App Defaults", "PRNG", Variant(), ini::kInt16).isEmpty());
}

// ---- assessment files ---------------------------------------------------------------------

class AssessmentFiles : public test::AppDataTest {
protected:
    std::string Raf() const { return dir.file("case.raf"); }
    Variant Load(const std::string& text, bool firstActivation = false) {
        WriteBytes(Raf(), "[App Defaults]\r\n" + text);
        return LoadAppData(Raf(), firstActivation, Variant());
    }
};

TEST_F(AssessmentFiles, LoadingKeysLevelsRangesAndTables) {
    EXPECT_TRUE(SameValue(LoadAppData(dir.file("none.raf"), true, Variant()), GetAppDataDefaults(true, Variant())));
    // An empty name stands for the program INI.
    WriteBytes(ProgramIni(), "[App Defaults]\r\nSpecies=Rat\r\nN Trials=250\r\n");
    const Variant ini = LoadAppData("", true, Variant());
    EXPECT_TRUE(SameValue(ini(0), Variant("Rat")));
    EXPECT_TRUE(SameValue(ini(2), Variant(250)));  // a 32-bit integer when read
    const struct {
        const char* name;
        std::string text;
        std::vector<std::pair<int, Variant>> items;
    } cases[] = {
        {"older level key, copied into level four", "Risk Very Uncertain=40\r\n", {{7, Int16(40)}, {8, Int16(40)}}},
        {"level 3 alone", "Level 3=60\r\n", {{7, Int16(60)}, {8, Int16(70)}}},
        {"the current key wins", "Risk Very Certain=5\r\nLevel 0=15\r\nRisk Reasonably Certain=25\r\n", {{4, Int16(15)}, {5, Int16(25)}}},
        {"counts too large or small", "Num Rel Unc Categories=7\r\nNum Impact Categories=0\r\nNum Cost Categories=9\r\n",
         {{3, Int16(5)}, {44, Int16(1)}, {45, Int16(5)}}},
        {"counts empty or unreadable", "Num Rel Unc Categories=abc\r\nNum Impact Categories=\r\nNum Cost Categories=-4\r\n",
         {{3, Int16(4)}, {44, Int16(5)}, {45, Int16(1)}}},
        {"a value that does not convert skips its key", "Categorical Impacts=maybe\r\nCategorical Costs=True\r\nLevel 1=99999\r\n",
         {{42, Variant(false)}, {43, Variant(true)}, {5, Int16(30)}}},
        {"index items within their lists", "Confidence Choice=7\r\nUncertainty Module=-3\r\nPRNG=5\r\n",
         {{38, Int16(2)}, {35, Variant(0)}, {36, Variant(1)}}},
        {"tables take their width from the counts",
         "Num Impact Categories=3\r\nNum Cost Categories=2\r\n[Primary Cat Data]\r\nI1=1,2,3,0.2,0.3,0.5\r\n"
         "I2=1,2,3,0.2,0.3,0.5,9,9\r\nIx=1,5,10,0,0,0\r\nFC2=100,200,0.4,0.6\r\nFCx=7\r\n",
         {{69, Table(2, 3, {1, 2, 3, 0.2, 0.3, 0.5})}, {70, Table(2, 3, {1, 2, 3, 0.2, 0.3, 0.5})}, {71, Variant()},
          {78, Table(1, 3, {1, 5, 10})}, {75, Table(2, 2, {100, 200, 0.4, 0.6})}, {79, Table(1, 2, {7, 0})}}},
        {"no tables without their section", "Categorical Impacts=True\r\n[Primary Data]\r\nI1=4\r\n", {{69, Variant()}, {51, Variant(4.0)}}},
        {"records, point values and other keys",
         "Species=\"Rattus rattus\"\r\nPRNG Seed=12345.5\r\nSoftware Version=3.1\r\n[Relative Uncertainty]\r\np2=0.4,2,4\r\n"
         "FC3=1,1\r\n[Absolute Uncertainty]\r\nI5=7,3,0.5\r\n[Primary Data]\r\np2=0.4\r\nFC3=1\r\n",
         {{0, Variant("Rattus rattus")}, {37, Variant(12345.5)}, {46, Variant(3.1)}, {10, Variant::Doubles({0.4, 2, 4})},
          {20, Variant::Doubles({1, 1, 0})}, {30, Variant::Doubles({7, 3, 0.5})}, {48, Variant(0.4)}, {58, Variant(1.0)}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Variant d = Load(c.text);
        for (const auto& [index, value] : c.items)
            EXPECT_TRUE(Same15(d(index), value)) << index << ": " << (d(index).isArray() ? "array" : TextOf(d(index)));
    }
}

TEST_F(AssessmentFiles, RegressionKeysAreReadFromTheProgramIniAtStartUpOnly) {
    const std::string text = "Reg Use Constant=True\r\nRho Two Tails=False\r\n";
    Variant d = Load(text, true);
    EXPECT_TRUE(SameValue(d(39), Variant(true)));
    EXPECT_TRUE(SameValue(d(40), Variant(false)));
    const Variant current = GetAppDataDefaults(true, Variant());  // 39 False, 40 True
    d = LoadAppData(Raf(), false, current);
    EXPECT_TRUE(SameValue(d(39), Variant(false)));
    EXPECT_TRUE(SameValue(d(40), Variant(true)));
    AppData = current;  // the named operation takes the start-up state and the program-wide array
    SetFirstActivation(false);
    EXPECT_TRUE(SameValue(LoadAppData(Raf())(39), Variant(false)));
    SetFirstActivation(true);
    EXPECT_TRUE(SameValue(LoadAppData(Raf())(39), Variant(true)));
}

Variant SampleAssessment() {
    Variant d = GetAppDataDefaults(true, Variant());
    const std::pair<int, Variant> items[] = {
        {0, Variant("Rattus rattus")}, {1, Variant("\xC3\x8Ele de R\xC3\xA9")}, {2, Variant(5000)}, {3, Int16(5)}, {8, Int16(80)},
        {35, Variant(1)}, {36, Variant(1)}, {37, Variant(12345.5f)}, {38, Int16(2)}, {9, Variant::Doubles({0.25, 1, 3})},
        {22, Variant::Doubles({0.25, 2, 0.1})}, {47, Variant(0.25)}, {42, Variant(true)}, {43, Variant(true)}, {44, Int16(3)},
        {45, Int16(2)}, {69, Table(2, 3, {1, 2, 3, 0.2, 0.3, 0.5})}, {71, Table(2, 3, {0, 5, 10, 0.5, 0.25, 0.25})},
        {74, Table(2, 2, {100, 200, 0.4, 0.6})}, {77, Table(2, 2, {1.5, 2.5, 0.1, 0.9})}, {78, Table(2, 3, {1, 5, 10, 0, 0, 0})},
        {79, Table(1, 2, {100, 1000})}};
    for (const auto& [index, value] : items) d(index) = value;
    return d;
}

const std::string kSd = "0.144337567297406";
const std::string kSampleFile =
    "[App Defaults]\r\nSpecies=Rattus rattus\r\nLocation=\xC3\x8Ele de R\xC3\xA9\r\nN Trials=5000\r\nLevel 0=10\r\n"
    "Level 1=30\r\nLevel 2=50\r\nLevel 3=70\r\nLevel 4=80\r\nUncertainty Module=1\r\nPRNG=1\r\nPRNG Seed=12345.5\r\n"
    "Confidence Choice=2\r\nCategorical Impacts=True\r\nCategorical Costs=True\r\nNum Impact Categories=3\r\n"
    "Num Cost Categories=2\r\nNum Rel Unc Categories=5\r\nSoftware Version=3.2\r\n"
    "[Relative Uncertainty]\r\np1=0.25,1,3\r\np2=0.5,0,2\r\np3=0.5,0,2\r\np4=0.5,0,2\r\nI1=1,0,2\r\nI2=1,0,2\r\n"
    "I3=1,0,2\r\nI4=1,0,2\r\nI5=1,0,2\r\nFC1=0,0,2\r\nFC2=0,0,2\r\nFC3=0,0,2\r\nFC4=0,0,2\r\n"
    "[Absolute Uncertainty]\r\np1=0.25,2,0.1\r\np2=0.5,0," + kSd + "\r\np3=0.5,0," + kSd + "\r\np4=0.5,0," + kSd +
    "\r\nI1=1,0," + kSd + "\r\nI2=1,0," + kSd + "\r\nI3=1,0," + kSd + "\r\nI4=1,0," + kSd + "\r\nI5=1,0," + kSd +
    "\r\nFC1=0,0," + kSd + "\r\nFC2=0,0," + kSd + "\r\nFC3=0,0," + kSd + "\r\nFC4=0,0," + kSd + "\r\n"
    "[Primary Data]\r\np1=0.25\r\np2=0.5\r\np3=0.5\r\np4=0.5\r\nI1=1\r\nI2=1\r\nI3=1\r\nI4=1\r\nI5=1\r\n"
    "FC1=0\r\nFC2=0\r\nFC3=0\r\nFC4=0\r\n"
    "[Primary Cat Data]\r\nI1=1,2,3,0.2,0.3,0.5\r\nI3=0,5,10,0.5,0.25,0.25\r\nIx=1,5,10,0,0,0\r\n"
    "FC1=100,200,0.4,0.6\r\nFC4=1.5,2.5,0.1,0.9\r\nFCx=100,1000\r\n";

const char* const kSaveErrorText =
    "File could not be opened for writing. Possible reasons:\r\n\r\n1. Another application has it open exclusively\r\n"
    "2. It's been made read-only\r\n3. It's on read-only media\r\n\r\nPlease try again.";

TEST_F(AssessmentFiles, SavedFileHasTheFixedLayoutAndReadsBack) {
    WriteBytes(Raf(), "[App Defaults]\r\nRisk Very Certain=5\r\n[Extra]\r\nx=1\r\n");  // replaced whole
    const Variant d = SampleAssessment();
    const std::size_t flushesBefore = profile::FlushCount();
    ASSERT_TRUE(SaveAppData(d, Raf(), true));
    // Built key by key beside the target, the file goes to disk once, not once a key.
    EXPECT_EQ(profile::FlushCount() - flushesBefore, 1u);
    EXPECT_EQ(ReadBytes(Raf()), kSampleFile);
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(FilesIn(dir.path()), 1u);
    struct stat st {};  // a new file gets the usual permissions
    ASSERT_EQ(::stat(Raf().c_str(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
    Variant current = GetAppDataDefaults(true, Variant());
    current(39) = Variant(true);
    const Variant back = LoadAppData(Raf(), false, current);
    for (int i = 0; i <= 77; ++i)
        if (i < 39 || (i > 41 && i != 46 && (i < 60 || i > 68))) {
            EXPECT_TRUE(Same15(back(i), d(i))) << i;
        }
    EXPECT_TRUE(SameValue(back(78), Table(1, 3, {1, 5, 10})));
    EXPECT_TRUE(SameValue(back(46), Variant(3.2)));
    EXPECT_TRUE(SameValue(back(39), Variant(true)));
    // An empty name saves the program INI; a name of the longest allowed length is saved.
    ASSERT_TRUE(SaveAppData(d, "", false));
    EXPECT_EQ(ReadBytes(ProgramIni()), kSampleFile);
    const std::string longest = dir.file(std::string(251, 'r') + ".raf");  // 255 bytes
    ASSERT_TRUE(SaveAppData(d, longest, true));
    ASSERT_TRUE(SaveAppData(d, longest, true));
    EXPECT_EQ(ReadBytes(longest), kSampleFile);
    EXPECT_EQ(FilesIn(dir.path()), 3u);
}

TEST_F(AssessmentFiles, SwitchedOffTablesAreNotWrittenButMastersAre) {
    Variant d = SampleAssessment();
    d(42) = Variant(false);
    d(43) = Variant(false);
    d(79) = Variant();
    ASSERT_TRUE(SaveAppData(d, Raf(), true));
    const std::string text = ReadBytes(Raf());
    EXPECT_TRUE(text.ends_with("FC4=0\r\n[Primary Cat Data]\r\nIx=1,5,10,0,0,0\r\n"));
    EXPECT_EQ(text.find("I1=1,2,3"), std::string::npos);
    EXPECT_EQ(text.find("FCx"), std::string::npos);
}

TEST_F(AssessmentFiles, AFailedSaveKeepsTheOldFileWhole) {
    const std::string before = "[App Defaults]\r\nSpecies=Old\r\n";
    Variant noText = SampleAssessment();
    noText(1) = Variant(Null);  // has no text form
    Variant big = SampleAssessment();
    big(1) = Variant(std::string(1500, 'A'));  // the file outgrows the limit halfway
    const struct {
        const char* name;
        Variant data;
        bool readOnly, full, raise;
    } cases[] = {
        {"read-only, raising", SampleAssessment(), true, false, true}, {"read-only, quiet", SampleAssessment(), true, false, false},
        {"no text form midway", noText, false, false, true},          {"full disk, quiet", big, false, true, false},
        {"full disk, raising", big, false, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages.calls.clear();
        ::chmod(Raf().c_str(), 0644);
        WriteBytes(Raf(), before);
        if (c.readOnly) ::chmod(Raf().c_str(), 0444);
        bool saved = true;
        {
            std::optional<FileSizeLimit> limit;
            if (c.full) limit.emplace(2000);
            saved = SaveAppData(c.data, Raf(), c.raise);
        }
        EXPECT_FALSE(saved);
        ASSERT_EQ(messages.calls.size(), c.raise || c.readOnly ? 1u : 0u);
        if (!messages.calls.empty()) {
            EXPECT_EQ(messages.calls[0].title, "File save error");
            // The message speaks of read-only only when the file is.
            if (c.readOnly) {
                EXPECT_EQ(messages.calls[0].text, kSaveErrorText);
            } else {
                EXPECT_EQ(messages.calls[0].text.find("read-only"), std::string::npos);
            }
        }
        EXPECT_EQ(ReadBytes(Raf()), before);
        EXPECT_EQ(FilesIn(dir.path()), 1u);
    }
    // Without raising, a failed key is skipped and the rest is saved.
    messages.calls.clear();
    ::chmod(Raf().c_str(), 0644);
    EXPECT_TRUE(SaveAppData(noText, Raf(), false));
    EXPECT_TRUE(messages.calls.empty());
    std::string expected = kSampleFile;
    expected.erase(expected.find("Location="), std::string("Location=\xC3\x8Ele de R\xC3\xA9\r\n").size());
    EXPECT_EQ(ReadBytes(Raf()), expected);
    EXPECT_FALSE(SaveAppData(SampleAssessment(), dir.file("no/such.raf"), true));
    EXPECT_EQ(messages.calls.size(), 1u);
}

// ---- the options file ------------------------------------------------------------------------

class Options : public test::AppDataTest {
protected:
    void SetUp() override {
        AppDataTest::SetUp();
        SetMainWindowHost(&form);
    }
    Variant LoadWith(const std::string& text) {
        WriteBytes(OptionsIni(), text);
        return LoadAppOptions();
    }
    test::FakeMainForm form;
};

TEST_F(Options, WithoutAFileTheDefaultsAndAnUncheckedMenu) {
    form.hideCostsChecked = true;
    const Variant o = LoadAppOptions();
    ASSERT_EQ(o.ubound(1), 18);
    const std::int32_t colours[] = {0xFF00, 0xFFFF00, 0xFFFF, 0xC0C0C0, 0xFFFFFF, 0xFF, 0xC0C0C0};
    for (int i = 0; i < 7; ++i) EXPECT_TRUE(SameValue(o(i), Variant(colours[i]))) << i;
    EXPECT_TRUE(SameValue(o(7), Variant(false)));
    EXPECT_TRUE(o(9).isEmpty());
    EXPECT_TRUE(SameValue(o(11), Int16(2)));
    EXPECT_TRUE(SameValue(o(12), Variant::List({Variant(false), Variant(false), Variant(false)})));
    const Variant E;
    for (int i = 13; i <= 18; ++i) EXPECT_TRUE(SameValue(o(i), Variant::List({E, E, E, E, E, E, E, E}))) << i;
    EXPECT_EQ(form.checkCalls, 1);
    EXPECT_FALSE(form.hideCostsChecked);
    EXPECT_TRUE(SameValue(o, GetAppOptionsDefaults()));
}

TEST_F(Options, KeysAsRead) {
    const Variant E;
    const struct {
        const char* name;
        std::string text;
        std::vector<std::pair<int, Variant>> items;
        bool hideChecked;
    } cases[] = {
        {"colours; empty gives the default", "[App Colours]\r\npBox=Red\r\nIBox=&H00FF00\r\nOval=purple\r\nDiamond= gray \r\nError=\r\n",
         {{0, Variant(0xFF)}, {1, Variant(0xFF00)}, {2, Variant(0)}, {3, Variant(0xC0C0C0)}, {5, Variant(0xFF)}}, false},
        {"a colour out of range keeps its default", "[App Colours]\r\npBox=99999999999\r\n[Appearance]\r\nHide Management Options=True\r\n",
         {{0, Variant(0xFF00)}, {7, Variant(true)}}, true},
        {"decimals above four", "[Appearance]\r\nProbability Decimal Places=9\r\n", {{11, Variant(4)}}, false},
        {"decimals below one", "[Appearance]\r\nProbability Decimal Places=0\r\n", {{11, Variant(1)}}, false},
        {"decimals unreadable", "[Appearance]\r\nProbability Decimal Places=two\r\n", {{11, Variant(1)}}, false},
        {"an unreadable switch", "[Appearance]\r\nHide Management Options=perhaps\r\n[Reports]\r\nOpen After Generation=True\r\n",
         {{7, Variant(false)}, {8, Variant(true)}}, false},
        {"plot options and formats",
         "[Plot Options]\r\nPandI Cumulative=Auto,Auto,Auto,,0,1,0.1,\r\nCosts Sensitivity=1,2\r\n[Export Options]\r\nFormats=True,False\r\n",
         {{15, Variant::List({E, E, E, E, Variant(0.0), Variant(1.0), Variant(0.1), E})},
          {17, Variant::List({Variant(1.0), Variant(2.0), E, E, E, E, E, E})},
          {12, Variant::List({Variant(true), Variant(false), Variant(false)})}}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Variant o = LoadWith(c.text);
        for (const auto& [index, value] : c.items) EXPECT_TRUE(Same15(o(index), value)) << index;
        EXPECT_EQ(form.hideCostsChecked, c.hideChecked);
    }
    SetMainWindowHost(nullptr);  // without a main window loading still works
    const int calls = form.checkCalls;
    EXPECT_TRUE(SameValue(LoadWith("[Appearance]\r\nHide Management Options=True\r\n")(7), Variant(true)));
    EXPECT_EQ(form.checkCalls, calls);
}

TEST_F(Options, SavedOptionsHaveTheirLayoutReadBackAndKeepTheRestOfTheFile) {
    Variant o = GetAppOptionsDefaults();
    o(3) = Variant(0xC0C0C0);
    o(4) = Variant(0x80FF80);
    o(7) = Variant(true);
    o(11) = Int16(3);
    o(12) = Variant::List({Variant(true), Variant(false), Variant(true)});
    o(9) = Variant("/usr/bin/viewer");
    SaveAppOptions(o);
    EXPECT_EQ(ReadBytes(OptionsIni()),
              "[App Colours]\r\npBox=Green\r\nIBox=Cyan\r\nOval=Yellow\r\nDiamond=Grey\r\nFixedCost=&H80FF80\r\n"
              "Error=Red\r\nPlot Background=Grey\r\n[Appearance]\r\nHide Management Options=True\r\nProbability Decimal Places=3\r\n"
              "[Reports]\r\nOpen After Generation=False\r\n[Export Options]\r\nFormats=True,False,True\r\n");
    const Variant back = LoadAppOptions();
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 12}) EXPECT_TRUE(SameValue(back(i), o(i))) << i;
    EXPECT_TRUE(SameValue(back(11), Variant(3)));  // read back as a 32-bit integer
    EXPECT_TRUE(back(9).isEmpty());          // the viewer is never stored
    EXPECT_TRUE(form.hideCostsChecked);
    // The folders and plot options of the file stay.
    WriteBytes(OptionsIni(),
               "[App Defaults]\r\nReport Path=/home/a/reports\r\nSave Path=/home/a\r\n"
               "[Plot Options]\r\nPandI Monte Carlo=Auto,Auto,Auto,,Auto,Auto,Auto,\r\n[Appearance]\r\nProbability Decimal Places=4\r\n");
    SaveAppOptions(GetAppOptionsDefaults());
    EXPECT_EQ(ReadBytes(OptionsIni()),
              "[App Defaults]\r\nReport Path=/home/a/reports\r\nSave Path=/home/a\r\n"
              "[Plot Options]\r\nPandI Monte Carlo=Auto,Auto,Auto,,Auto,Auto,Auto,\r\n"
              "[Appearance]\r\nProbability Decimal Places=2\r\nHide Management Options=False\r\n"
              "[App Colours]\r\npBox=Green\r\nIBox=Cyan\r\nOval=Yellow\r\nDiamond=Grey\r\nFixedCost=White\r\n"
              "Error=Red\r\nPlot Background=Grey\r\n[Reports]\r\nOpen After Generation=False\r\n"
              "[Export Options]\r\nFormats=False,False,False\r\n");
    // Saving never raises.
    SaveAppOptions(Variant());
    SetAppPath(dir.file("missing"));
    EXPECT_NO_THROW(SaveAppOptions(GetAppOptionsDefaults()));
    EXPECT_TRUE(messages.calls.empty());
}

}  // namespace
}  // namespace nuvir
