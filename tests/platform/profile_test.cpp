#include "platform/profile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "testsupport.h"

namespace nuvir::profile {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::size_t FilesIn(const TempDir& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++n;
    return n;
}

// ---- reading ---------------------------------------------------------------------

TEST(ProfileRead, MissingFileSectionOrKeyGiveEmptyText) {
    TempDir dir;
    const auto file = dir.file("a.ini");
    EXPECT_EQ(GetString(file, "S", "k"), "");
    WriteBytes(file, "[S]\r\nk=1\r\nempty=\r\n");
    EXPECT_EQ(GetString(file, "T", "k"), "");
    EXPECT_EQ(GetString(file, "S", "other"), "");
    EXPECT_EQ(GetString(file, "S", "empty"), "");
    EXPECT_EQ(GetString(file, "S", "k"), "1");
}

TEST(ProfileRead, NamesIgnoreCaseAndTheFirstOccurrenceWins) {
    TempDir dir;
    const auto file = dir.file("a.ini");
    WriteBytes(file, "[App Defaults]\r\nN Trials=10\r\nn trials=20\r\n[APP DEFAULTS]\r\nOther=3\r\n");
    EXPECT_EQ(GetString(file, "app defaults", "N TRIALS"), "10");
    // The second section of the same name is not searched.
    EXPECT_EQ(GetString(file, "App Defaults", "Other"), "");
}

TEST(ProfileRead, BlanksAroundNamesAndValuesAreRemoved) {
    TempDir dir;
    const auto file = dir.file("a.ini");
    WriteBytes(file, "[ S ]\r\n  key \t=  two words \t\r\n");
    EXPECT_EQ(GetString(file, "S", "key"), "two words");
}

TEST(ProfileRead, OnlyAMatchingPairOfEnclosingQuotesIsStripped) {
    TempDir dir;
    const auto file = dir.file("a.ini");
    WriteBytes(file,
               "[S]\r\na= \"  Rat \" \r\nb='Rat'\r\nc=\"Rat'\r\nd=\"\r\ne=\"\"\r\nf=it's \"x\"\r\ng=\"a\" and \"b\"\r\n");
    EXPECT_EQ(GetString(file, "S", "a"), "  Rat ");
    EXPECT_EQ(GetString(file, "S", "b"), "Rat");
    EXPECT_EQ(GetString(file, "S", "c"), "\"Rat'");
    EXPECT_EQ(GetString(file, "S", "d"), "\"");
    EXPECT_EQ(GetString(file, "S", "e"), "");
    EXPECT_EQ(GetString(file, "S", "f"), "it's \"x\"");
    EXPECT_EQ(GetString(file, "S", "g"), "a\" and \"b");
}

TEST(ProfileRead, ValuesAreCutAt4095Characters) {
    TempDir dir;
    const auto file = dir.file("a.ini");
    std::string accented;
    for (int i = 0; i < 5000; ++i) accented += "\xC3\xA9";  // é
    WriteBytes(file, "[S]\r\nlong=" + std::string(5000, 'x') + "\r\nexact=" + std::string(4095, 'y') +
                         "\r\naccented=" + accented + "\r\n");
    EXPECT_EQ(GetString(file, "S", "long"), std::string(4095, 'x'));
    EXPECT_EQ(GetString(file, "S", "exact"), std::string(4095, 'y'));
    EXPECT_EQ(GetString(file, "S", "accented"), accented.substr(0, 2 * 4095));
}

TEST(ProfileRead, LfLinesTextBeforeTheFirstSectionAndLinesWithoutEqualsSign) {
    TempDir dir;
    const auto file = dir.file("a.ini");
    WriteBytes(file, "k=outside\n[S]\nnot a key\nk=inside\n[T]\nk=other");
    EXPECT_EQ(GetString(file, "S", "k"), "inside");
    EXPECT_EQ(GetString(file, "T", "k"), "other");
    EXPECT_EQ(GetString(file, "S", "not a key"), "");
}

TEST(ProfileRead, TextThatIsNotUtf8IsReadAsWindows1252) {
    TempDir dir;
    const auto file = dir.file("a.ini");
    WriteBytes(file, "[S]\r\nSpecies=Caf\xE9 \x80\r\n");
    EXPECT_EQ(GetString(file, "S", "Species"), "Caf\xC3\xA9 \xE2\x82\xAC");
}

// ---- writing ---------------------------------------------------------------------

TEST(ProfileWrite, CreatesTheFileWithCrLfLines) {
    TempDir dir;
    const auto file = dir.file("new.ini");
    EXPECT_TRUE(WriteString(file, "App Defaults", "Species", std::string("Rat")));
    EXPECT_TRUE(WriteString(file, "App Defaults", "Location", std::string("Île")));
    EXPECT_EQ(ReadBytes(file), "[App Defaults]\r\nSpecies=Rat\r\nLocation=\xC3\x8Ele\r\n");
}

TEST(ProfileWrite, ReplacesAnExistingValueInItsLine) {
    TempDir dir;
    const auto file = dir.file("a.ini");
    WriteBytes(file, "[A]\r\nx=1\r\ny=2\r\n[B]\r\nx=3\r\n");
    EXPECT_TRUE(WriteString(file, "a", "X", std::string("9")));
    EXPECT_EQ(ReadBytes(file), "[A]\r\nx=9\r\ny=2\r\n[B]\r\nx=3\r\n");
}

TEST(ProfileWrite, NewKeyGoesAfterTheLastKeyOfItsSectionEvenWithLaterSections) {
    TempDir dir;
    const auto file = dir.file("a.ini");
    WriteBytes(file, "[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
    EXPECT_TRUE(WriteString(file, "A", "w", std::string("5")));
    EXPECT_EQ(ReadBytes(file), "[A]\r\nx=1\r\ny=2\r\nw=5\r\n\r\n[B]\r\nz=3\r\n");
}

TEST(ProfileWrite, NewKeyOfASectionWithoutKeysFollowsItsHeader) {
    TempDir dir;
    const auto file = dir.file("a.ini");
    WriteBytes(file, "[A]\n\n[B]\nz=3\n");
    EXPECT_TRUE(WriteString(file, "A", "k", std::string("1")));
    EXPECT_EQ(ReadBytes(file), "[A]\nk=1\r\n\n[B]\nz=3\n") << "the other lines keep their bytes";
}

TEST(ProfileWrite, NewSectionGoesAtTheEnd) {
    TempDir dir;
    const auto file = dir.file("a.ini");
    WriteBytes(file, "[A]\r\nx=1\r\n[B]\r\nz=3\r\n");
    EXPECT_TRUE(WriteString(file, "C", "k", std::string("v")));
    EXPECT_EQ(ReadBytes(file), "[A]\r\nx=1\r\n[B]\r\nz=3\r\n[C]\r\nk=v\r\n");
}

TEST(ProfileWrite, NoTextDeletesTheKeyButEmptyTextKeepsIt) {
    TempDir dir;
    const auto file = dir.file("a.ini");
    WriteBytes(file, "[A]\r\nx=1\r\ny=2\r\n");
    EXPECT_TRUE(WriteString(file, "A", "y", std::string()));
    EXPECT_EQ(ReadBytes(file), "[A]\r\nx=1\r\ny=\r\n");
    EXPECT_TRUE(WriteString(file, "A", "X", std::nullopt));
    EXPECT_EQ(ReadBytes(file), "[A]\r\ny=\r\n");
    // Deleting what is not there succeeds and changes nothing.
    EXPECT_TRUE(WriteString(file, "A", "gone", std::nullopt));
    EXPECT_TRUE(WriteString(file, "Z", "gone", std::nullopt));
    EXPECT_EQ(ReadBytes(file), "[A]\r\ny=\r\n");
    const auto missing = dir.file("missing.ini");
    EXPECT_TRUE(WriteString(missing, "A", "k", std::nullopt));
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(ProfileWrite, LineBreaksInAValueBecomeBlanksSoNoKeyCanBeInjected) {
    TempDir dir;
    const auto file = dir.file("a.ini");
    EXPECT_TRUE(WriteString(file, "A", "Species", std::string("Rat\r\nPRNG=1\nx")));
    EXPECT_EQ(ReadBytes(file), "[A]\r\nSpecies=Rat  PRNG=1 x\r\n");
    EXPECT_EQ(GetString(file, "A", "PRNG"), "");
}

TEST(ProfileWrite, ReadOnlyFileOrMissingFolderFailsAndChangesNothing) {
    TempDir dir;
    const auto file = dir.file("ro.ini");
    const std::string before = "[A]\r\nx=1\r\n";
    WriteBytes(file, before);
    ::chmod(file.c_str(), 0444);
    EXPECT_TRUE(IsReadOnly(file));
    EXPECT_FALSE(WriteString(file, "A", "x", std::string("2")));
    EXPECT_FALSE(WriteString(file, "A", "x", std::nullopt));
    EXPECT_FALSE(DeleteFile(file));
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(FilesIn(dir), 1u);  // no temporary file left behind
    EXPECT_FALSE(WriteString(dir.file("no/such/folder.ini"), "A", "x", std::string("1")));
}

TEST(ProfileWrite, ReplacingKeepsThePermissionsAndLeavesNoTemporaryFile) {
    TempDir dir;
    const auto file = dir.file("a.ini");
    WriteBytes(file, "[A]\r\nx=1\r\n");
    ::chmod(file.c_str(), 0640);
    EXPECT_TRUE(WriteString(file, "A", "x", std::string("2")));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(FilesIn(dir), 1u);
}

TEST(ProfileWrite, AFileWhoseNameHasTheLongestAllowedLengthCanBeWritten) {
    TempDir dir;
    const auto file = dir.file(std::string(251, 'a') + ".ini");  // 255 bytes
    ASSERT_TRUE(WriteString(file, "A", "x", std::string("1")));
    ASSERT_TRUE(WriteString(file, "A", "y", std::string("2")));
    EXPECT_EQ(ReadBytes(file), "[A]\r\nx=1\r\ny=2\r\n");
    EXPECT_EQ(FilesIn(dir), 1u);
}

TEST(ProfileWrite, AnOldWindows1252LineKeepsItsBytesWhenAnotherKeyIsWritten) {
    TempDir dir;
    const auto file = dir.file("a.ini");
    WriteBytes(file, "[A]\r\nSpecies=Caf\xE9\r\n");
    EXPECT_TRUE(WriteString(file, "A", "N", std::string("1")));
    EXPECT_EQ(ReadBytes(file), "[A]\r\nSpecies=Caf\xE9\r\nN=1\r\n");
    EXPECT_EQ(GetString(file, "A", "Species"), "Caf\xC3\xA9");
}

TEST(ProfileFiles, DeleteFileRemovesAWritableFileAndAcceptsAMissingOne) {
    TempDir dir;
    const auto file = dir.file("a.ini");
    WriteBytes(file, "x");
    EXPECT_TRUE(DeleteFile(file));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(DeleteFile(file));
}

}  // namespace
}  // namespace nuvir::profile
