// INI values, assessment files and the options file: what is read, the byte layout of
// what is written, that a failed save keeps the old file whole, and files under attack
// (full disks, huge files and FIFOs, memory running out, loads during saves).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cfloat>
#include <chrono>
#include <clocale>
#include <filesystem>
#include <optional>

#include "appdata/ini.h"
#include "appdata/options.h"
#include "appdata_fixture.h"
#include "platform/profile.h"

namespace nuvir {
namespace {

using namespace test;
using Expected = std::vector<std::pair<int, const char*>>;

// ---- single values ----------------------------------------------------------------------

class IniValues : public test::AppDataTest {
protected:
    // Reads key k of section S from a file holding the given value.
    Variant ReadValue(const std::string& value, int code, int count = 3) {
        WriteBytes(File(), "[S]\r\nk=" + value + "\r\n");
        return ReadIniValue(File(), "S", "k", Variant("default"), code, count, 2);
    }
    std::string File() const { return dir.file("values.ini"); }
};

TEST_F(IniValues, EachCodeReadsItsKind) {
    const Variant E;
    const std::tuple<const char*, int, int, Variant> cases[] = {
        {"12abc", ini::kInt32, 3, Int16(0)},
        {"12abc", ini::kDouble, 3, Int16(0)},  // not numeric: 16-bit 0
        {"2.5", ini::kInt32, 3, Variant(2)},
        {"3.5", ini::kInt32, 3, Variant(4)},
        {"&HFF", ini::kInt32, 3, Variant(255)},
        {"1E-05", ini::kDouble, 3, Variant(1e-5)},
        {"40000", ini::kInt32, 3, Variant(40000)},
        {"0", ini::kBoolean, 3, Variant(false)},
        {"-1", ini::kBoolean, 3, Variant(true)},
        {"x,y", 4, 3, Variant("x,y")},  // an unknown code gives the text
        {"0.5,x,2,7", ini::kDoubleList, 3, Variant::Doubles({0.5, 0, 2})},
        {"0,1,Auto,,5", ini::kValueList, 8, Variant::List({Variant(0.0), Variant(1.0), E, E, Variant(5.0), E, E, E})},
        {"False, True ,maybe", ini::kBooleanList, 3, Variant::List({Variant(false), Variant(true), Variant(false)})},
        {"1,2,3,0.2,0.3,0.5", ini::kTable, 4, Table(2, 4, {1, 2, 3, 0.2, 0.3, 0.5, 0, 0})},
        {"a,,3", ini::kTable, 2, Table(2, 2, {0, 0, 3, 0})},
        {"1,2", ini::kTable, 0, Variant()},
        {"1E999,2", ini::kTable, 2, Variant()},  // overflow on the way
        {"", ini::kBoolean, 3, Variant("default")},
        {"\"\"", ini::kDoubleList, 3, Variant("default")},  // no text: the default
    };
    for (const auto& [value, code, count, expected] : cases)
        EXPECT_TRUE(SameValue(ReadValue(value, code, count), expected)) << value << " " << code;
    EXPECT_EQ(test::ErrorNumber([&] { ReadValue("40000", ini::kInt16); }), err::Overflow);
    EXPECT_THROW(ReadValue("yes", ini::kBoolean), AppError);
}

// Written under a locale with a decimal comma, which must change nothing.
TEST_F(IniValues, WrittenTextForms) {
    const std::string savedLocale = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.utf8");
    const std::pair<const char*, Variant> values[] = {{"text", Variant("Rat")},
                                                      {"int", Int16(-12)},
                                                      {"double", Variant(0.1 + 0.2)},
                                                      {"small", Variant(0.00001)},
                                                      {"bool", Variant(true)},
                                                      {"empty", Variant()},
                                                      {"list", Variant::Doubles({0.5, 1.0 / 3.0, 2.5e-7})},
                                                      {"table", Table(2, 3, {1, 2, 3, 0.2, 0.3, 0.5})},
                                                      {"formats",
                                                       Variant::List({Variant(true), Variant(false), Variant(false)})},
                                                      {"gone", Variant(1)},
                                                      {"blanks", Variant("  Zebra ")},
                                                      {"quoted", Variant("\"Zebra\"")},
                                                      {"single", Variant("'Zebra'")},
                                                      {"inner", Variant("North \"Pond\"")}};
    for (const auto& [key, value] : values) EXPECT_TRUE(WriteIniValue(File(), "S", key, value, true)) << key;
    // An array of three dimensions deletes the key.
    EXPECT_TRUE(WriteIniValue(File(), "S", "gone",
                              Variant::MakeArray(VarType::Double, {Bounds{0, 1}, Bounds{0, 1}, Bounds{0, 1}}), true));
    std::setlocale(LC_NUMERIC, savedLocale.c_str());
    EXPECT_EQ(ReadBytes(File()),
              "[S]\r\ntext=Rat\r\nint=-12\r\ndouble=0.3\r\nsmall=1E-05\r\nbool=True\r\nempty=\r\n"
              "list=0.5,0.333333333333333,2.5E-07\r\ntable=1,2,3,0.2,0.3,0.5\r\nformats=True,False,False\r\n"
              "blanks=\"  Zebra \"\r\nquoted=\"\"Zebra\"\"\r\nsingle=\"'Zebra'\"\r\ninner=North \"Pond\"\r\n");
    // Texts with blanks at an end or quotes of their own read back as they were.
    for (const char* key : {"blanks", "quoted", "single", "inner"}) {
        const Variant& written = std::find_if(std::begin(values), std::end(values), [&](const auto& v) {
                                     return std::string(v.first) == key;
                                 })->second;
        EXPECT_EQ(CStr(ReadIniValue(File(), "S", key, Variant(), ini::kText)), CStr(written)) << key;
    }
}

TEST_F(IniValues, AFailedWriteRaisesOnlyOnRequestAndALineBreakCannotInjectAKey) {
    WriteBytes(File(), "[S]\r\nk=1\r\n");
    ::chmod(File().c_str(), 0444);
    EXPECT_FALSE(WriteIniValue(File(), "S", "k", Variant(2), false));
    EXPECT_EQ(test::ErrorText([&] { WriteIniValue(File(), "S", "k", Variant(2), true); }),
              "WritePrivateProfileString failed.");
    EXPECT_EQ(ReadBytes(File()), "[S]\r\nk=1\r\n");
    const std::string other = dir.file("other.ini");
    ASSERT_TRUE(WriteIniValue(other, "App Defaults", "Species", Variant("Rat\r\nPRNG=1"), true));
    EXPECT_TRUE(
        SameValue(ReadIniValue(other, "App Defaults", "Species", Variant(), ini::kText), Variant("Rat  PRNG=1")));
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
    EXPECT_TRUE(SameValue(LoadAppData("", true, Variant())(2), Variant(250)));  // a 32-bit integer when read
    const std::tuple<const char*, std::string, Expected> cases[] = {
        {"older level key, copied into level four", "Risk Very Uncertain=40\r\n", {{7, "40"}, {8, "40"}}},
        {"level 3 alone", "Level 3=60\r\n", {{7, "60"}, {8, "70"}}},
        {"the current key wins",
         "Risk Very Certain=5\r\nLevel 0=15\r\nRisk Reasonably Certain=25\r\n",
         {{4, "15"}, {5, "25"}}},
        {"counts too large or small",
         "Num Rel Unc Categories=7\r\nNum Impact Categories=0\r\nNum Cost Categories=9\r\n",
         {{3, "5"}, {44, "1"}, {45, "5"}}},
        {"counts empty or unreadable",
         "Num Rel Unc Categories=abc\r\nNum Impact Categories=\r\nNum Cost Categories=-4\r\n",
         {{3, "4"}, {44, "5"}, {45, "1"}}},
        {"a value that does not convert skips its key",
         "Categorical Impacts=maybe\r\nCategorical Costs=True\r\nLevel 1=99999\r\n",
         {{42, "False"}, {43, "True"}, {5, "30"}}},
        {"index items within their lists",
         "Confidence Choice=7\r\nUncertainty Module=-3\r\nPRNG=5\r\n",
         {{38, "2"}, {35, "0"}, {36, "1"}}},
        {"tables take their width from the counts",
         "Num Impact Categories=3\r\nNum Cost Categories=2\r\n[Primary Cat Data]\r\nI1=1,2,3,0.2,0.3,0.5\r\n"
         "I2=1,2,3,0.2,0.3,0.5,9,9\r\nIx=1,5,10,0,0,0\r\nFC2=100,200,0.4,0.6\r\nFCx=7\r\n",
         {{69, "1,2,3|0.2,0.3,0.5"},
          {70, "1,2,3|0.2,0.3,0.5"},
          {71, ""},
          {78, "1,5,10"},
          {75, "100,200|0.4,0.6"},
          {79, "7,0"}}},
        {"no tables without their section",
         "Categorical Impacts=True\r\n[Primary Data]\r\nI1=4\r\n",
         {{69, ""}, {51, "4"}}},
        {"records, point values and other keys",
         "Species=\"Rattus rattus\"\r\nPRNG Seed=12345.5\r\nSoftware Version=3.1\r\n[Relative Uncertainty]\r\np2=0.4,2,4\r\n"
         "FC3=1,1\r\n[Absolute Uncertainty]\r\nI5=7,3,0.5\r\n[Primary Data]\r\np2=0.4\r\nFC3=1\r\n",
         {{0, "Rattus rattus"},
          {37, "12345.5"},
          {46, "3.1"},
          {10, "0.4,2,4"},
          {20, "1,1,0"},
          {30, "7,3,0.5"},
          {48, "0.4"},
          {58, "1"}}},
        {"lines ended by carriage returns alone",
         "Species=Rat\rN Trials=250\rLevel 0=15\r",
         {{0, "Rat"}, {2, "250"}, {4, "15"}}},
    };
    for (const auto& [name, text, items] : cases) {
        SCOPED_TRACE(name);
        const Variant d = Load(text);
        for (const auto& [index, expected] : items) EXPECT_EQ(Text(d(index)), expected) << index;
    }
}

TEST_F(AssessmentFiles, RegressionKeysAreReadFromTheProgramIniAtStartUpOnly) {
    const Variant current = GetAppDataDefaults(true, Variant());  // 39 False, 40 True
    const Variant d = Load("Reg Use Constant=True\r\nRho Two Tails=False\r\n", true);
    const Variant later = LoadAppData(Raf(), false, current);
    EXPECT_EQ(Text(d(39)) + Text(d(40)) + Text(later(39)) + Text(later(40)), "TrueFalseFalseTrue");
    AppData = current;  // the named operation takes the start-up state and the program-wide array
    SetFirstActivation(false);
    EXPECT_EQ(Text(LoadAppData(Raf())(39)), "False");
}

Variant SampleAssessment() {
    Variant d = GetAppDataDefaults(true, Variant());
    const std::pair<int, Variant> items[] = {{0, Variant("Rattus rattus")},
                                             {1, Variant("\xC3\x8Ele de R\xC3\xA9")},
                                             {2, Variant(5000)},
                                             {3, Int16(5)},
                                             {8, Int16(80)},
                                             {35, Variant(1)},
                                             {36, Variant(1)},
                                             {37, Variant(12345.5f)},
                                             {38, Int16(2)},
                                             {9, Variant::Doubles({0.25, 1, 3})},
                                             {22, Variant::Doubles({0.25, 2, 0.1})},
                                             {47, Variant(0.25)},
                                             {42, Variant(true)},
                                             {43, Variant(true)},
                                             {44, Int16(3)},
                                             {45, Int16(2)},
                                             {51, Variant(DBL_MAX)},
                                             {52, Variant(-DBL_MAX)},
                                             {69, Table(2, 3, {1, 2, 3, 0.2, 0.3, 0.5})},
                                             {71, Table(2, 3, {0, 5, 10, 0.5, 0.25, 0.25})},
                                             {74, Table(2, 2, {100, 200, 0.4, 0.6})},
                                             {77, Table(2, 2, {1.5, 2.5, 0.1, 0.9})},
                                             {78, Table(2, 3, {1, 5, 10, 0, 0, 0})},
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
    "[Absolute Uncertainty]\r\np1=0.25,2,0.1\r\np2=0.5,0," +
    kSd + "\r\np3=0.5,0," + kSd + "\r\np4=0.5,0," + kSd + "\r\nI1=1,0," + kSd + "\r\nI2=1,0," + kSd + "\r\nI3=1,0," +
    kSd + "\r\nI4=1,0," + kSd + "\r\nI5=1,0," + kSd + "\r\nFC1=0,0," + kSd + "\r\nFC2=0,0," + kSd + "\r\nFC3=0,0," +
    kSd + "\r\nFC4=0,0," + kSd +
    "\r\n"
    "[Primary Data]\r\np1=0.25\r\np2=0.5\r\np3=0.5\r\np4=0.5\r\nI1=1.79769313486232E+308\r\nI2=-1.79769313486232E+308\r\nI3=1\r\nI4=1\r\nI5=1\r\n"
    "FC1=0\r\nFC2=0\r\nFC3=0\r\nFC4=0\r\n"
    "[Primary Cat Data]\r\nI1=1,2,3,0.2,0.3,0.5\r\nI3=0,5,10,0.5,0.25,0.25\r\nIx=1,5,10,0,0,0\r\n"
    "FC1=100,200,0.4,0.6\r\nFC4=1.5,2.5,0.1,0.9\r\nFCx=100,1000\r\n";

const char* const kSaveErrorText =
    "File could not be opened for writing. Possible reasons:\r\n\r\n1. Another application has it open exclusively\r\n"
    "2. It's been made read-only\r\n3. It's on read-only media\r\n\r\nPlease try again.";

TEST_F(AssessmentFiles, SavedFileHasTheFixedLayoutReadsBackAndLeavesSwitchedOffTablesOut) {
    WriteBytes(Raf(), "[App Defaults]\r\nRisk Very Certain=5\r\n[Extra]\r\nx=1\r\n");  // replaced whole
    const Variant d = SampleAssessment();
    const std::size_t flushesBefore = profile::FlushCount();
    ASSERT_TRUE(SaveAppData(d, Raf(), true));
    // Built key by key in memory, the file goes to disk once, not once a key.
    EXPECT_EQ(profile::FlushCount() - flushesBefore, 1u);
    EXPECT_EQ(ReadBytes(Raf()), kSampleFile);
    EXPECT_TRUE(messages.calls.empty());
    Variant current = GetAppDataDefaults(true, Variant());
    current(39) = Variant(true);
    const Variant back = LoadAppData(Raf(), false, current);
    for (int i = 0; i <= 77; ++i)
        if (i < 39 || (i > 41 && i != 46 && (i < 60 || i > 68))) {
            EXPECT_EQ(Text(back(i)), Text(d(i))) << i;
        }
    EXPECT_EQ(Text(back(78)), "1,5,10");
    EXPECT_EQ(Text(back(46)), "3.2");
    EXPECT_EQ(Text(back(39)), "True");
    // the largest Doubles read back as themselves
    EXPECT_EQ(CDbl(back(51)), DBL_MAX);
    EXPECT_EQ(CDbl(back(52)), -DBL_MAX);
    // An empty name saves the program INI.
    ASSERT_TRUE(SaveAppData(d, "", false));
    EXPECT_EQ(ReadBytes(ProgramIni()), kSampleFile);
    // Switched-off tables are not written, but the masters are.
    Variant off = d;
    off(42) = off(43) = Variant(false);
    off(79) = Variant();
    ASSERT_TRUE(SaveAppData(off, Raf(), true));
    EXPECT_TRUE(ReadBytes(Raf()).ends_with("FC4=0\r\n[Primary Cat Data]\r\nIx=1,5,10,0,0,0\r\n"));
}

// UTF-8 text as UTF-16 code units, by hand (the sample holds characters of the first
// plane only), after the byte-order mark of the byte order.
std::string AsUtf16(const std::string& utf8, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        unsigned unit = b;
        if (b >= 0xE0) {
            unit = (b & 0x0Fu) << 12 | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6 |
                   (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
            i += 3;
        } else if (b >= 0xC0) {
            unit = (b & 0x1Fu) << 6 | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
            i += 2;
        } else {
            i += 1;
        }
        const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

// A name is never cut on its way in or out: an assessment whose species or location
// passes the 4095 characters the reader gives back whole is not opened (the caller keeps
// what it shows), the program's settings are read without that name, and Save refuses
// one. Characters, not bytes: "\xC3\xA9" is one.
TEST_F(AssessmentFiles, ANameLongerThanTheReaderKeepsIsRefusedNeverCut) {
    const std::string e4095 = [] {
        std::string t;
        for (int i = 0; i < 4095; ++i) t += "\xC3\xA9";
        return t;
    }();
    struct Case {
        const char* name;
        bool programIni;
        std::string species, location, message;
    };
    const Case cases[] = {
        {"a species of 4095 characters", false, std::string(4095, 's'), "Lake", ""},
        {"a species of 4095 characters in 8190 bytes", false, e4095, "Lake", ""},
        {"a species of 4096 characters", false, std::string(4096, 's'), "Lake",
         "The file " + Raf() +
             " was not opened: a species name of 4096 characters is longer than the 4095 a name can have."},
        {"a species of 4096 characters of two bytes", false, e4095 + "\xC3\xA9", "Lake",
         "The file " + Raf() +
             " was not opened: a species name of 4096 characters is longer than the 4095 a name can have."},
        {"a location of 32,767 characters", false, "Ant", std::string(32767, 'l'),
         "The file " + Raf() +
             " was not opened: a location name of 32767 characters is longer than the 4095 a name can have."},
        {"the settings with a species of 5000 characters", true, std::string(5000, 's'), "Lake",
         "The file " + ProgramIni() +
             " was read without its name: a species name of 5000 characters is longer than the 4095 a name can have."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.calls.clear();
        const std::string file = c.programIni ? ProgramIni() : Raf();
        WriteBytes(file,
                   "[App Defaults]\r\nSpecies=" + c.species + "\r\nLocation=" + c.location + "\r\nN Trials=2000\r\n");
        bool unread = false;
        const Variant d = LoadAppData(c.programIni ? "" : file, false, Variant(), &unread);
        if (c.message.empty()) {
            EXPECT_TRUE(messages.calls.empty());
            EXPECT_EQ(CStr(d(item::kSpecies)), c.species) << "whole";
            EXPECT_EQ(CStr(d(item::kLocation)), c.location);
            continue;
        }
        ASSERT_EQ(messages.calls.size(), 1u);
        EXPECT_EQ(messages.calls[0].text, c.message);
        EXPECT_EQ(messages.calls[0].title, "Restore current state from file");
        EXPECT_EQ(unread, !c.programIni) << "an assessment is not opened";
        EXPECT_EQ(CStr(d(item::kSpecies)), "New Species");
        EXPECT_EQ(CLng(d(item::kTrials)), c.programIni ? 2000 : 1000) << "the settings' other keys are read";
    }
    // Save refuses a name the reader would cut, and the old file stays whole.
    WriteBytes(Raf(), "[App Defaults]\r\nSpecies=Old\r\n");
    for (const auto& [index, name] : {std::pair{item::kSpecies, "species"}, std::pair{item::kLocation, "location"}}) {
        SCOPED_TRACE(name);
        messages.calls.clear();
        Variant d = SampleAssessment();
        d(index) = Variant(std::string(4096, 'x'));
        EXPECT_FALSE(SaveAppData(d, Raf(), true));
        ASSERT_EQ(messages.calls.size(), 1u);
        EXPECT_NE(messages.calls[0].text.find("The file was not saved: a " + std::string(name) +
                                              " name of 4096 characters is longer than the 4095 a name can have."),
                  std::string::npos)
            << messages.calls[0].text;
        EXPECT_EQ(ReadBytes(Raf()), "[App Defaults]\r\nSpecies=Old\r\n");
    }
}

// A settings or assessment file in UTF-16 is saved back in UTF-16 with its mark, as a
// key written into it is; any other file is saved as UTF-8.
TEST_F(AssessmentFiles, AUtf16FileIsSavedBackAsUtf16) {
    const std::string old = "[App Defaults]\r\nSpecies=\xC3\x89l\xC3\xA9phant\r\n";
    struct Case {
        const char* name;
        bool programIni;
        std::string before, after;
    };
    const Case cases[] = {
        {"an assessment, little-endian", false, AsUtf16(old, false), AsUtf16(kSampleFile, false)},
        {"an assessment, big-endian", false, AsUtf16(old, true), AsUtf16(kSampleFile, true)},
        {"the program INI, little-endian", true, AsUtf16(old, false), AsUtf16(kSampleFile, false)},
        {"UTF-8 with its mark", false, "\xEF\xBB\xBF" + old, kSampleFile},
        {"Windows-1252", false, "[App Defaults]\r\nSpecies=\xC9l\xE9phant\r\n", kSampleFile},
        {"a new file", false, "", kSampleFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = c.programIni ? ProgramIni() : Raf();
        std::filesystem::remove(file);
        if (!c.before.empty()) WriteBytes(file, c.before);
        EXPECT_EQ(CStr(LoadAppData(c.programIni ? "" : file, false, Variant())(item::kSpecies)),
                  c.before.empty() ? "New Species" : "\xC3\x89l\xC3\xA9phant");
        ASSERT_TRUE(SaveAppData(SampleAssessment(), c.programIni ? "" : file, true));
        EXPECT_EQ(ReadBytes(file), c.after);
        EXPECT_EQ(CStr(LoadAppData(c.programIni ? "" : file, false, Variant())(item::kLocation)),
                  "\xC3\x8Ele de R\xC3\xA9");
    }
}

TEST_F(AssessmentFiles, AFailedSaveKeepsTheOldFileWhole) {
    const std::string before = "[App Defaults]\r\nSpecies=Old\r\n";
    Variant noText = SampleAssessment();
    noText(1) = Variant(Null);  // has no text form
    Variant big = SampleAssessment();
    big(1) = Variant(std::string(1500, 'A'));  // the file outgrows the limit halfway
    // Each row: name, data, read-only, full disk, raise, file there before.
    const std::tuple<const char*, Variant, bool, bool, bool, bool> cases[] = {
        {"read-only, raising", SampleAssessment(), true, false, true, true},
        {"read-only, quiet", SampleAssessment(), true, false, false, true},
        {"no text form midway", noText, false, false, true, true},
        {"full disk, quiet", big, false, true, false, true},
        {"full disk, raising", big, false, true, true, true},
        {"a new file on a full disk is a failure and leaves no empty file", big, false, true, false, false},
        {"a new file on a full disk, raising", big, false, true, true, false},
    };
    for (const auto& [name, data, readOnly, full, raise, exists] : cases) {
        SCOPED_TRACE(name);
        messages.calls.clear();
        std::filesystem::remove(Raf());
        if (exists) WriteBytes(Raf(), before);
        if (readOnly) ::chmod(Raf().c_str(), 0444);
        // The file-size limit fails a write as a full disk would.
        std::optional<test::FileSizeLimit> limit;
        if (full) limit.emplace(2000);
        const bool saved = SaveAppData(data, Raf(), raise);
        limit.reset();
        EXPECT_FALSE(saved);
        ASSERT_EQ(messages.calls.size(), raise || readOnly ? 1u : 0u);
        if (!messages.calls.empty()) {
            EXPECT_EQ(messages.calls[0].title, "File save error");
            // The message speaks of read-only only when the file is.
            EXPECT_EQ(messages.calls[0].text == kSaveErrorText, readOnly);
            EXPECT_EQ(messages.calls[0].text.find("read-only") != std::string::npos, readOnly);
            EXPECT_EQ(messages.calls[0].text.find("could not be written: File too large.") != std::string::npos, full);
        }
        EXPECT_EQ(ReadBytes(Raf()), exists ? before : "");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}),
                  exists ? 1 : 0);  // no work file left
    }
    // Without raising, a failed key is skipped and the rest is saved.
    messages.calls.clear();
    EXPECT_TRUE(SaveAppData(noText, Raf(), false));
    std::string expected = kSampleFile;
    expected.erase(expected.find("Location="), std::string("Location=\xC3\x8Ele de R\xC3\xA9\r\n").size());
    EXPECT_EQ(ReadBytes(Raf()), expected);
}

TEST_F(AssessmentFiles, AFailedSaveNamesTheFileAndTheSystemsReason) {
    const std::string before = "[App Defaults]\r\nSpecies=Old\r\n";
    struct Case {
        const char* name;
        profile::FileStage stage;
        int error;
        bool exists;
        const char* cause;
    };
    const Case cases[] = {
        {"the replacement refused", profile::FileStage::Commit, EIO, true, "Input/output error."},
        {"a write refused", profile::FileStage::Write, EROFS, true, "Read-only file system."},
        {"a new file refused", profile::FileStage::Open, EACCES, false, "Permission denied."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages.calls.clear();
        std::filesystem::remove(Raf());
        if (c.exists) WriteBytes(Raf(), before);
        profile::SetFileFaultForTesting([&c](profile::FileStage s) { return s == c.stage ? c.error : 0; });
        const bool saved = SaveAppData(SampleAssessment(), Raf(), true);
        profile::SetFileFaultForTesting({});
        EXPECT_FALSE(saved);
        ASSERT_EQ(messages.calls.size(), 1u);
        EXPECT_EQ(messages.calls[0].title, "File save error");
        EXPECT_EQ(messages.calls[0].text,
                  "The file \"" + Raf() + "\" could not be written: " + c.cause + "\r\n\r\nPlease try again.");
        EXPECT_EQ(ReadBytes(Raf()), c.exists ? before : "");
    }
}

// Each save that fails names its own cause, also right after one that failed on the
// file-size limit: that limit's "File too large" is no answer for a later refusal.
TEST_F(AssessmentFiles, ASaveAfterOneOnTheSizeLimitNamesItsOwnCause) {
    Variant big = SampleAssessment();
    big(1) = Variant(std::string(1500, 'A'));
    std::filesystem::create_directory(dir.file("folder.raf"));
    const std::string held = dir.file("held.raf");
    const int lock = ::open(profile::LockFileName(held).c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    profile::SetLockTimeout(std::chrono::milliseconds(100));
    const std::pair<std::string, const char*> cases[] = {
        {dir.file("folder.raf"), "It is not a file."},
        {dir.file("gone/case.raf"), "The folder does not exist."},
        {held, "The file is in use by another copy of the program."},
    };
    for (const auto& [file, cause] : cases) {
        SCOPED_TRACE(file);
        messages.calls.clear();
        {
            const test::FileSizeLimit limit(1000);
            ASSERT_TRUE(limit.Held());
            EXPECT_FALSE(SaveAppData(big, Raf(), true));
        }
        EXPECT_FALSE(SaveAppData(SampleAssessment(), file, true));
        ASSERT_EQ(messages.calls.size(), 2u);
        EXPECT_NE(messages.calls[0].text.find("could not be written: File too large."), std::string::npos);
        EXPECT_EQ(messages.calls[1].title, "File save error");
        EXPECT_EQ(messages.calls[1].text,
                  "The file \"" + file + "\" could not be written: " + cause + "\r\n\r\nPlease try again.");
    }
    profile::SetLockTimeout(std::chrono::seconds(5));
    ::close(lock);
    EXPECT_FALSE(std::filesystem::exists(held));
}

// ---- files under attack ----------------------------------------------------------------

// An assessment whose species and location carry one marker.
Variant Marked(const std::string& marker) {
    Variant d = GetAppDataDefaults(false, Variant());
    d(item::kSpecies) = Variant(marker);
    d(item::kLocation) = Variant(marker);
    return d;
}

TEST_F(AssessmentFiles, FilesThatAreNoAssessmentGiveTheDefaults) {
    std::filesystem::create_directory(ProgramIni());  // the settings file is a folder
    EXPECT_FALSE(SaveAppData(Marked("x"), "", false));
    WriteBytes(Raf(), std::string(profile::kMaxFileSize + 1, '\n'));
    ASSERT_EQ(::mkfifo(dir.file("pipe.raf").c_str(), 0600), 0);
    // The folder and a read failing with an I/O error quietly; a huge file and a FIFO
    // are refused at once, with a message.
    const std::pair<std::string, std::size_t> refused[] = {
        {"", 0}, {"/proc/self/mem", 0}, {Raf(), 1}, {dir.file("pipe.raf"), 2}};
    for (const auto& [file, messagesAfter] : refused) {
        EXPECT_TRUE(SameValue(LoadAppData(file, false, Variant()), GetAppDataDefaults(false, Variant()))) << file;
        ASSERT_EQ(messages.calls.size(), messagesAfter) << file;
    }
    EXPECT_EQ(messages.calls[0].text, "The file " + Raf() + " is not an assessment file.");
    // 16 MB of line feeds is allowed, read from the disk once and gone through in one
    // pass: a pass per key would take minutes.
    const std::string head = "[App Defaults]\nSpecies=lf\nLocation=lf\n";
    const std::size_t lines = 3 + (profile::kMaxFileSize - head.size());
    WriteBytes(Raf(), head + std::string(profile::kMaxFileSize - head.size(), '\n'));
    const std::size_t bytesBefore = profile::BytesRead(), linesBefore = profile::LinesWalked();
    EXPECT_EQ(CStr(LoadAppData(Raf(), false, Variant())(item::kSpecies)), "lf");
    EXPECT_EQ(profile::BytesRead() - bytesBefore, profile::kMaxFileSize);
    EXPECT_GE(profile::LinesWalked() - linesBefore, lines) << "every line looked at";
    EXPECT_LT(profile::LinesWalked() - linesBefore, 2 * lines) << "once";
}

TEST_F(AssessmentFiles, MemoryRunningOutWhileReadingGivesTheDefaults) {
    if (test::kAddressSanitizer) GTEST_SKIP() << "the address-space cap cannot hold a sanitizer's shadow memory";
    WriteBytes(Raf(), "[App Defaults]\r\nSpecies=big\r\n" + std::string(15u << 20, ';'));
    // In a child, whose address space is held to a little more than it already uses.
    const int code = ExitCodeInChild([&] {
        long pages = 0;
        if (FILE* f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
            std::fclose(f);
        }
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max =
            static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (8u << 20);
        ::setrlimit(RLIMIT_AS, &limit);
        const Variant d = LoadAppData(Raf(), false, Variant());
        return d.isArray() && CStr(d(item::kSpecies)) != "big" ? 0 : 1;
    });
    EXPECT_EQ(code, 0) << "the load returned the defaults instead of ending the program";
}

TEST_F(AssessmentFiles, ALoadDuringAnotherProcesssSaveGetsOneSaveWhole) {
    ASSERT_TRUE(SaveAppData(Marked("a"), Raf(), true));
    int mixed = 0;
    const int code = ExitCodeInChild(
        [&] {
            for (int i = 0; i < 150; ++i)
                if (!SaveAppData(Marked(i % 2 ? "a" : std::string(200, 'b')), Raf(), false)) return 1;
            return 0;
        },
        [&] {
            for (int i = 0; i < 150; ++i) {
                const Variant d = LoadAppData(Raf(), false, Variant());
                if (CStr(d(item::kSpecies)) != CStr(d(item::kLocation))) ++mixed;
            }
        });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(mixed, 0);
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

TEST_F(Options, KeysAsRead) {
    // Without a file: the defaults, and the menu item unchecked.
    form.hideCostsChecked = true;
    EXPECT_TRUE(SameValue(LoadAppOptions(), GetAppOptionsDefaults()));
    EXPECT_FALSE(form.hideCostsChecked);
    const std::tuple<const char*, std::string, Expected, bool> cases[] = {
        {"colours; empty gives the default",
         "[App Colours]\r\npBox=Red\r\nIBox=&H00FF00\r\nOval=purple\r\nDiamond= gray \r\nError=\r\n",
         {{0, "255"}, {1, "65280"}, {2, "0"}, {3, "12632256"}, {5, "255"}},
         false},
        {"a colour out of range keeps its default",
         "[App Colours]\r\npBox=99999999999\r\n[Appearance]\r\nHide Management Options=True\r\n",
         {{0, "65280"}, {7, "True"}},
         true},
        {"decimals above four", "[Appearance]\r\nProbability Decimal Places=9\r\n", {{11, "4"}}, false},
        {"decimals below one", "[Appearance]\r\nProbability Decimal Places=0\r\n", {{11, "1"}}, false},
        {"decimals unreadable", "[Appearance]\r\nProbability Decimal Places=two\r\n", {{11, "1"}}, false},
        {"an unreadable switch",
         "[Appearance]\r\nHide Management Options=perhaps\r\n[Reports]\r\nOpen After Generation=True\r\n",
         {{7, "False"}, {8, "True"}},
         false},
        {"plot options and formats",
         "[Plot Options]\r\nPandI Cumulative=Auto,Auto,Auto,,0,1,0.1,\r\nCosts Sensitivity=1,2\r\n[Export Options]\r\nFormats=True,False\r\n",
         {{15, ",,,,0,1,3,"}, {17, "1,2,,,,,,"}, {12, "True,False,False"}},
         false},
        {"plot options held to what the dialog takes",
         "[Plot Options]\r\nPandI Monte Carlo=5,1,-2147483648,,0,1,1000000000,\r\nCosts Monte Carlo=1,1,2.5,7,0,0.5,3.5,\r\n",
         {{13, ",,3,,0,1,100,"}, {16, ",,3,7,0,0.5,4,"}},
         false},
    };
    for (const auto& [name, text, items, hideChecked] : cases) {
        SCOPED_TRACE(name);
        const Variant o = LoadWith(text);
        for (const auto& [index, expected] : items) EXPECT_EQ(Text(o(index)), expected) << index;
        EXPECT_EQ(form.hideCostsChecked, hideChecked);
    }
    SetMainWindowHost(nullptr);  // without a main window loading still works
    EXPECT_TRUE(SameValue(LoadWith("[Appearance]\r\nHide Management Options=True\r\n")(7), Variant(true)));
    EXPECT_FALSE(form.hideCostsChecked);
}

TEST_F(Options, SavedOptionsHaveTheirLayoutReadBackAndKeepTheRestOfTheFile) {
    Variant o = GetAppOptionsDefaults();
    o(4) = Variant(0x80FF80);
    o(7) = Variant(true);
    o(11) = Int16(3);
    o(12) = Variant::List({Variant(true), Variant(false), Variant(true)});
    o(9) = Variant("/usr/bin/viewer");
    SaveAppOptions(o);  // the viewer is never stored
    EXPECT_EQ(
        ReadBytes(OptionsIni()),
        "[App Colours]\r\npBox=Green\r\nIBox=Cyan\r\nOval=Yellow\r\nDiamond=Grey\r\nFixedCost=&H80FF80\r\n"
        "Error=Red\r\nPlot Background=Grey\r\n[Appearance]\r\nHide Management Options=True\r\nProbability Decimal Places=3\r\n"
        "[Reports]\r\nOpen After Generation=False\r\n[Export Options]\r\nFormats=True,False,True\r\n");
    // The folders and plot options of the file stay.
    WriteBytes(
        OptionsIni(),
        "[App Defaults]\r\nReport Path=/home/a/reports\r\nSave Path=/home/a\r\n"
        "[Plot Options]\r\nPandI Monte Carlo=Auto,Auto,Auto,,Auto,Auto,Auto,\r\n[Appearance]\r\nProbability Decimal Places=4\r\n");
    SaveAppOptions(GetAppOptionsDefaults());
    EXPECT_TRUE(
        ReadBytes(OptionsIni())
            .starts_with(
                "[App Defaults]\r\nReport Path=/home/a/reports\r\nSave Path=/home/a\r\n[Plot Options]\r\n"
                "PandI Monte Carlo=Auto,Auto,Auto,,Auto,Auto,Auto,\r\n[Appearance]\r\nProbability Decimal Places=2\r\n"));
    // Saving never raises.
    SaveAppOptions(Variant());
    SetAppPath(dir.file("missing"));
    EXPECT_NO_THROW(SaveAppOptions(GetAppOptionsDefaults()));
    EXPECT_TRUE(messages.calls.empty());
}

}  // namespace
}  // namespace nuvir
