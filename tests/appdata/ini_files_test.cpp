#include <cmath>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "appdata/ini.h"
#include "platform/profile.h"
#include "appdata_fixture.h"

namespace nuvir {
namespace {

using test::Int16;
using test::ReadBytes;
using test::SameValue;
using test::Table;
using test::WriteBytes;

// Equal as values to 15 significant digits, whatever the kind of a number.
bool Same15(const Variant& a, const Variant& b) {
    if (a.isNumberKind() && b.isNumberKind() && a.type() != VarType::Boolean && b.type() != VarType::Boolean)
        return FormatDouble(CDbl(a)) == FormatDouble(CDbl(b));
    return VarEquals(a, b);
}

// Equal as values, arrays element by element.
::testing::AssertionResult EqualValues(const Variant& a, const Variant& b) {
    if (a.isArray() != b.isArray()) return ::testing::AssertionFailure() << "array against scalar";
    if (!a.isArray()) {
        if (a.isEmpty() != b.isEmpty()) return ::testing::AssertionFailure() << "Empty against a value";
        if (Same15(a, b)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << TextOf(a) << " vs " << TextOf(b);
    }
    if (a.dims() != b.dims()) return ::testing::AssertionFailure() << "dimensions differ";
    for (int d = 1; d <= a.dims(); ++d)
        if (a.lbound(d) != b.lbound(d) || a.ubound(d) != b.ubound(d))
            return ::testing::AssertionFailure() << "bounds differ";
    for (std::size_t i = 0; i < a.elements().size(); ++i)
        if (!Same15(a.elements()[i], b.elements()[i]))
            return ::testing::AssertionFailure() << "element " << i << ": " << TextOf(a.elements()[i]) << " vs "
                                                 << TextOf(b.elements()[i]);
    return ::testing::AssertionSuccess();
}

std::size_t FilesIn(const std::filesystem::path& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

const char* const kSaveErrorText =
    "File could not be opened for writing. Possible reasons:\r\n\r\n"
    "1. Another application has it open exclusively\r\n"
    "2. It's been made read-only\r\n"
    "3. It's on read-only media\r\n\r\n"
    "Please try again.";

class AssessmentFiles : public test::AppDataTest {
protected:
    std::string Raf() const { return dir.file("case.raf"); }
    Variant Load(const std::string& text, bool firstActivation = false) {
        WriteBytes(Raf(), text);
        return LoadAppData(Raf(), firstActivation, Variant());
    }
    Variant Defaults() const { return GetAppDataDefaults(false, Variant()); }
};

// ---- loading ----------------------------------------------------------------------

TEST_F(AssessmentFiles, AMissingFileGivesExactlyTheDefaults) {
    EXPECT_TRUE(SameValue(LoadAppData(dir.file("none.raf"), true, Variant()), GetAppDataDefaults(true, Variant())));
    EXPECT_TRUE(SameValue(LoadAppData("", true, Variant()), GetAppDataDefaults(true, Variant())));
}

TEST_F(AssessmentFiles, AnEmptyNameStandsForTheProgramIni) {
    EXPECT_EQ(GetIniFileName(), dir.str() + "/nuvir.ini");
    WriteBytes(ProgramIni(), "[App Defaults]\r\nSpecies=Rat\r\nN Trials=250\r\n");
    const Variant d = LoadAppData("", true, Variant());
    EXPECT_TRUE(SameValue(d(0), Variant("Rat")));
    EXPECT_TRUE(SameValue(d(2), Variant(250)));  // a 32-bit integer when read
}

TEST_F(AssessmentFiles, OlderLevelKeysAndTheCopyIntoLevelFour) {
    Variant d = Load("[App Defaults]\r\nRisk Very Uncertain=40\r\n");
    EXPECT_TRUE(SameValue(d(7), Int16(40)));
    EXPECT_TRUE(SameValue(d(8), Int16(40)));
    d = Load("[App Defaults]\r\nLevel 3=60\r\n");
    EXPECT_TRUE(SameValue(d(7), Int16(60)));
    EXPECT_TRUE(SameValue(d(8), Int16(70)));
    d = Load("[App Defaults]\r\nRisk Very Certain=5\r\nLevel 0=15\r\nRisk Reasonably Certain=25\r\n");
    EXPECT_TRUE(SameValue(d(4), Int16(15)));  // the current key wins
    EXPECT_TRUE(SameValue(d(5), Int16(25)));
}

TEST_F(AssessmentFiles, CountsAreKeptWithinTheirRanges) {
    auto counts = [&](const std::string& numR, const std::string& numI, const std::string& numC) {
        const Variant d = Load("[App Defaults]\r\nNum Rel Unc Categories=" + numR + "\r\nNum Impact Categories=" +
                               numI + "\r\nNum Cost Categories=" + numC + "\r\n");
        return std::vector<std::int32_t>{CLng(d(3)), CLng(d(44)), CLng(d(45))};
    };
    EXPECT_EQ(counts("7", "0", "9"), (std::vector<std::int32_t>{5, 1, 5}));
    EXPECT_EQ(counts("2", "9", "3"), (std::vector<std::int32_t>{4, 5, 3}));
    EXPECT_EQ(counts("", "", ""), (std::vector<std::int32_t>{4, 5, 5}));
    EXPECT_EQ(counts("abc", "-4", "2"), (std::vector<std::int32_t>{4, 1, 2}));
}

TEST_F(AssessmentFiles, AValueThatDoesNotConvertSkipsOnlyItsKey) {
    const Variant d = Load(
        "[App Defaults]\r\nCategorical Impacts=maybe\r\nCategorical Costs=True\r\nLevel 1=99999\r\nConfidence Choice=2\r\n");
    EXPECT_TRUE(SameValue(d(42), Variant(false)));
    EXPECT_TRUE(SameValue(d(43), Variant(true)));
    EXPECT_TRUE(SameValue(d(5), Int16(30)));  // out of the 16-bit range: kept
    EXPECT_EQ(CLng(d(38)), 2);
}

TEST_F(AssessmentFiles, IndexItemsAreKeptWithinTheirLists) {
    Variant d = Load("[App Defaults]\r\nConfidence Choice=7\r\nUncertainty Module=-3\r\nPRNG=5\r\n");
    EXPECT_EQ(CLng(d(38)), 2);
    EXPECT_EQ(CLng(d(35)), 0);
    EXPECT_EQ(CLng(d(36)), 1);
    d = Load("[App Defaults]\r\nConfidence Choice=abc\r\nUncertainty Module=1\r\n");
    EXPECT_EQ(CLng(d(38)), 0);
    EXPECT_EQ(CLng(d(35)), 1);
}

TEST_F(AssessmentFiles, CategoryTablesTakeTheirWidthFromTheCounts) {
    const Variant d = Load(
        "[App Defaults]\r\nNum Impact Categories=3\r\nNum Cost Categories=2\r\n"
        "[Primary Cat Data]\r\nI1=1,2,3,0.2,0.3,0.5\r\nI2=1,2,3,0.2,0.3,0.5,9,9\r\nIx=1,5,10,0,0,0\r\n"
        "FC2=100,200,0.4,0.6\r\nFCx=7\r\n");
    EXPECT_TRUE(SameValue(d(69), Table(2, 3, {1, 2, 3, 0.2, 0.3, 0.5})));
    EXPECT_TRUE(SameValue(d(70), Table(2, 3, {1, 2, 3, 0.2, 0.3, 0.5})));  // cut after 2 x 3
    EXPECT_TRUE(d(71).isEmpty());
    EXPECT_TRUE(SameValue(d(78), Table(1, 3, {1, 5, 10})));
    EXPECT_TRUE(SameValue(d(75), Table(2, 2, {100, 200, 0.4, 0.6})));
    EXPECT_TRUE(SameValue(d(79), Table(1, 2, {7, 0})));
}

TEST_F(AssessmentFiles, WithoutPrimaryCatDataTheTablesStayEmpty) {
    const Variant d = Load("[App Defaults]\r\nCategorical Impacts=True\r\n[Primary Data]\r\nI1=4\r\n");
    for (int i = 69; i <= 79; ++i) EXPECT_TRUE(d(i).isEmpty()) << i;
    EXPECT_TRUE(SameValue(d(51), Variant(4.0)));
}

TEST_F(AssessmentFiles, RegressionKeysAreReadFromTheProgramIniAtStartUpOnly) {
    const std::string text = "[App Defaults]\r\nReg Use Constant=True\r\nRho Two Tails=False\r\n";
    Variant d = Load(text, true);
    EXPECT_TRUE(SameValue(d(39), Variant(true)));
    EXPECT_TRUE(SameValue(d(40), Variant(false)));

    Variant current = GetAppDataDefaults(true, Variant());  // 39 False, 40 True
    WriteBytes(Raf(), text);
    d = LoadAppData(Raf(), false, current);
    EXPECT_TRUE(SameValue(d(39), Variant(false)));
    EXPECT_TRUE(SameValue(d(40), Variant(true)));

    // The named operation takes the start-up state and the program-wide array.
    AppData = current;
    SetFirstActivation(false);
    d = LoadAppData(Raf());
    EXPECT_TRUE(SameValue(d(39), Variant(false)));
    SetFirstActivation(true);
    d = LoadAppData(Raf());
    EXPECT_TRUE(SameValue(d(39), Variant(true)));
}

TEST_F(AssessmentFiles, RecordsPointValuesAndOtherKeys) {
    const Variant d = Load(
        "[App Defaults]\r\nSpecies=\"Rattus rattus\"\r\nPRNG Seed=12345.5\r\nSoftware Version=3.1\r\n"
        "[Relative Uncertainty]\r\np2=0.4,2,4\r\nFC3=1,1\r\n[Absolute Uncertainty]\r\nI5=7,3,0.5\r\n"
        "[Primary Data]\r\np2=0.4\r\nFC3=1\r\n");
    EXPECT_TRUE(SameValue(d(0), Variant("Rattus rattus")));
    EXPECT_TRUE(SameValue(d(37), Variant(12345.5)));
    EXPECT_TRUE(SameValue(d(46), Variant(3.1)));
    EXPECT_TRUE(SameValue(d(10), Variant::Doubles({0.4, 2, 4})));
    EXPECT_TRUE(SameValue(d(20), Variant::Doubles({1, 1, 0})));
    EXPECT_TRUE(SameValue(d(30), Variant::Doubles({7, 3, 0.5})));
    EXPECT_TRUE(SameValue(d(48), Variant(0.4)));
    EXPECT_TRUE(SameValue(d(58), Variant(1.0)));
}

// ---- saving -----------------------------------------------------------------------

Variant SampleAssessment() {
    Variant d = GetAppDataDefaults(true, Variant());
    d(0) = Variant("Rattus rattus");
    d(1) = Variant("\xC3\x8Ele de R\xC3\xA9");  // Île de Ré
    d(2) = Variant(5000);
    d(3) = Int16(5);
    d(8) = Int16(80);
    d(35) = Variant(1);
    d(36) = Variant(1);
    d(37) = Variant(12345.5f);
    d(38) = Int16(2);
    d(9) = Variant::Doubles({0.25, 1, 3});
    d(22) = Variant::Doubles({0.25, 2, 0.1});
    d(47) = Variant(0.25);
    d(42) = Variant(true);
    d(43) = Variant(true);
    d(44) = Int16(3);
    d(45) = Int16(2);
    d(69) = Table(2, 3, {1, 2, 3, 0.2, 0.3, 0.5});
    d(71) = Table(2, 3, {0, 5, 10, 0.5, 0.25, 0.25});
    d(74) = Table(2, 2, {100, 200, 0.4, 0.6});
    d(77) = Table(2, 2, {1.5, 2.5, 0.1, 0.9});
    d(78) = Table(2, 3, {1, 5, 10, 0, 0, 0});
    d(79) = Table(1, 2, {100, 1000});
    return d;
}

const char* const kSampleFile =
    "[App Defaults]\r\n"
    "Species=Rattus rattus\r\n"
    "Location=\xC3\x8Ele de R\xC3\xA9\r\n"
    "N Trials=5000\r\n"
    "Level 0=10\r\n"
    "Level 1=30\r\n"
    "Level 2=50\r\n"
    "Level 3=70\r\n"
    "Level 4=80\r\n"
    "Uncertainty Module=1\r\n"
    "PRNG=1\r\n"
    "PRNG Seed=12345.5\r\n"
    "Confidence Choice=2\r\n"
    "Categorical Impacts=True\r\n"
    "Categorical Costs=True\r\n"
    "Num Impact Categories=3\r\n"
    "Num Cost Categories=2\r\n"
    "Num Rel Unc Categories=5\r\n"
    "Software Version=3.2\r\n"
    "[Relative Uncertainty]\r\n"
    "p1=0.25,1,3\r\n"
    "p2=0.5,0,2\r\n"
    "p3=0.5,0,2\r\n"
    "p4=0.5,0,2\r\n"
    "I1=1,0,2\r\n"
    "I2=1,0,2\r\n"
    "I3=1,0,2\r\n"
    "I4=1,0,2\r\n"
    "I5=1,0,2\r\n"
    "FC1=0,0,2\r\n"
    "FC2=0,0,2\r\n"
    "FC3=0,0,2\r\n"
    "FC4=0,0,2\r\n"
    "[Absolute Uncertainty]\r\n"
    "p1=0.25,2,0.1\r\n"
    "p2=0.5,0,0.144337567297406\r\n"
    "p3=0.5,0,0.144337567297406\r\n"
    "p4=0.5,0,0.144337567297406\r\n"
    "I1=1,0,0.144337567297406\r\n"
    "I2=1,0,0.144337567297406\r\n"
    "I3=1,0,0.144337567297406\r\n"
    "I4=1,0,0.144337567297406\r\n"
    "I5=1,0,0.144337567297406\r\n"
    "FC1=0,0,0.144337567297406\r\n"
    "FC2=0,0,0.144337567297406\r\n"
    "FC3=0,0,0.144337567297406\r\n"
    "FC4=0,0,0.144337567297406\r\n"
    "[Primary Data]\r\n"
    "p1=0.25\r\n"
    "p2=0.5\r\n"
    "p3=0.5\r\n"
    "p4=0.5\r\n"
    "I1=1\r\n"
    "I2=1\r\n"
    "I3=1\r\n"
    "I4=1\r\n"
    "I5=1\r\n"
    "FC1=0\r\n"
    "FC2=0\r\n"
    "FC3=0\r\n"
    "FC4=0\r\n"
    "[Primary Cat Data]\r\n"
    "I1=1,2,3,0.2,0.3,0.5\r\n"
    "I3=0,5,10,0.5,0.25,0.25\r\n"
    "Ix=1,5,10,0,0,0\r\n"
    "FC1=100,200,0.4,0.6\r\n"
    "FC4=1.5,2.5,0.1,0.9\r\n"
    "FCx=100,1000\r\n";

TEST_F(AssessmentFiles, SavedFileHasTheFixedLayoutAndReadsBack) {
    const Variant d = SampleAssessment();
    const std::size_t flushesBefore = profile::FlushCount();
    ASSERT_TRUE(SaveAppData(d, Raf(), true));
    // Built key by key beside the target, the file goes to disk once, not once a key.
    EXPECT_EQ(profile::FlushCount() - flushesBefore, 1u);
    EXPECT_EQ(ReadBytes(Raf()), kSampleFile);
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(FilesIn(dir.path()), 1u);

    Variant current = GetAppDataDefaults(true, Variant());
    current(39) = Variant(true);
    current(40) = Variant(false);
    const Variant back = LoadAppData(Raf(), false, current);
    for (int i = 0; i <= 38; ++i) EXPECT_TRUE(EqualValues(back(i), d(i))) << i;
    for (int i = 42; i <= 45; ++i) EXPECT_TRUE(EqualValues(back(i), d(i))) << i;
    for (int i = 47; i <= 59; ++i) EXPECT_TRUE(EqualValues(back(i), d(i))) << i;
    for (int i = 69; i <= 77; ++i) EXPECT_TRUE(EqualValues(back(i), d(i))) << i;
    EXPECT_TRUE(EqualValues(back(78), Table(1, 3, {1, 5, 10})));
    EXPECT_TRUE(EqualValues(back(79), Table(1, 2, {100, 1000})));
    EXPECT_TRUE(SameValue(back(46), Variant(3.2)));
    EXPECT_TRUE(SameValue(back(39), Variant(true)));
    EXPECT_TRUE(SameValue(back(40), Variant(false)));
}

TEST_F(AssessmentFiles, AnEmptyNameSavesTheProgramIni) {
    ASSERT_TRUE(SaveAppData(SampleAssessment(), "", false));
    EXPECT_EQ(ReadBytes(ProgramIni()), kSampleFile);
}

TEST_F(AssessmentFiles, SwitchedOffTablesAreNotWrittenButMastersAre) {
    Variant d = SampleAssessment();
    d(42) = Variant(false);
    d(43) = Variant(false);
    d(79) = Variant();
    ASSERT_TRUE(SaveAppData(d, Raf(), true));
    const std::string text = ReadBytes(Raf());
    const std::string tail = "FC4=0\r\n[Primary Cat Data]\r\nIx=1,5,10,0,0,0\r\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_EQ(text.find("I1=1,2,3"), std::string::npos);
    EXPECT_EQ(text.find("FCx"), std::string::npos);
}

TEST_F(AssessmentFiles, TheSaveReplacesTheWholeFile) {
    WriteBytes(Raf(), "[App Defaults]\r\nRisk Very Certain=5\r\nReg Use Constant=True\r\n[Extra]\r\nx=1\r\n");
    ASSERT_TRUE(SaveAppData(SampleAssessment(), Raf(), true));
    EXPECT_EQ(ReadBytes(Raf()), kSampleFile);
}

TEST_F(AssessmentFiles, ARegularSaveIntoAReadOnlyFileFailsAndKeepsTheOldFile) {
    const std::string before = "[App Defaults]\r\nSpecies=Old\r\n";
    WriteBytes(Raf(), before);
    ::chmod(Raf().c_str(), 0444);
    for (bool raiseErrors : {true, false}) {
        messages.calls.clear();
        EXPECT_FALSE(SaveAppData(SampleAssessment(), Raf(), raiseErrors));
        ASSERT_EQ(messages.calls.size(), 1u);
        EXPECT_EQ(messages.calls[0].title, "File save error");
        EXPECT_EQ(messages.calls[0].text, kSaveErrorText);
        EXPECT_EQ(ReadBytes(Raf()), before);
        EXPECT_EQ(FilesIn(dir.path()), 1u);
    }
}

TEST_F(AssessmentFiles, AnErrorMidwayKeepsTheOldFileWhole) {
    const std::string before = "[App Defaults]\r\nSpecies=Old\r\n";
    WriteBytes(Raf(), before);
    Variant d = SampleAssessment();
    d(1) = Variant(Null);  // has no text form
    EXPECT_FALSE(SaveAppData(d, Raf(), true));
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].title, "File save error");
    EXPECT_EQ(ReadBytes(Raf()), before);
    EXPECT_EQ(FilesIn(dir.path()), 1u);

    // Without raising, the failed write is skipped and the rest is saved.
    messages.calls.clear();
    EXPECT_TRUE(SaveAppData(d, Raf(), false));
    EXPECT_TRUE(messages.calls.empty());
    std::string expected = kSampleFile;
    expected.erase(expected.find("Location="), std::string("Location=\xC3\x8Ele de R\xC3\xA9\r\n").size());
    EXPECT_EQ(ReadBytes(Raf()), expected);
}

// The file size limit stands in for a full disk: writes past it fail.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST_F(AssessmentFiles, AFullDiskAtShutDownKeepsTheOldFileWhole) {
    ASSERT_TRUE(SaveAppData(SampleAssessment(), Raf(), true));
    const std::string before = ReadBytes(Raf());
    Variant d = SampleAssessment();
    d(1) = Variant(std::string(1500, 'A'));  // the file outgrows the limit halfway
    bool saved = true;
    {
        FileSizeLimit limit(2000);
        saved = SaveAppData(d, Raf(), false);
    }
    EXPECT_FALSE(saved);
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(ReadBytes(Raf()), before);
    EXPECT_EQ(FilesIn(dir.path()), 1u);

    // The same with raising stops with the message, also leaving the old file.
    {
        FileSizeLimit limit(2000);
        saved = SaveAppData(d, Raf(), true);
    }
    EXPECT_FALSE(saved);
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].title, "File save error");
    EXPECT_EQ(ReadBytes(Raf()), before);
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST_F(AssessmentFiles, ASaveIntoAMissingFolderReportsTheError) {
    EXPECT_FALSE(SaveAppData(SampleAssessment(), dir.file("no/such.raf"), true));
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].title, "File save error");
}

TEST_F(AssessmentFiles, AFileWithANameOfTheLongestAllowedLengthIsSaved) {
    const std::string file = dir.file(std::string(251, 'r') + ".raf");  // 255 bytes
    ASSERT_TRUE(SaveAppData(SampleAssessment(), file, true));
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(ReadBytes(file), kSampleFile);
    ASSERT_TRUE(SaveAppData(SampleAssessment(), file, true));  // over the old one
    EXPECT_EQ(ReadBytes(file), kSampleFile);
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST_F(AssessmentFiles, ANewFileGetsTheUsualPermissions) {
    ASSERT_TRUE(SaveAppData(SampleAssessment(), Raf(), true));
    struct stat st {};
    ASSERT_EQ(::stat(Raf().c_str(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

}  // namespace
}  // namespace nuvir
