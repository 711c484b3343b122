// The INI profile: what a read finds, where a write puts its line, byte for byte, and
// that a failed write changes nothing.
#include "platform/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "testsupport.h"

namespace nuvir::profile {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::size_t FilesIn(const TempDir& dir) {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()));
}

TEST(ProfileRead, WhatAReadFinds) {
    TempDir dir;
    const auto file = dir.file("a.ini");
    EXPECT_EQ(GetString(file, "S", "k"), "");  // no file
    std::string accented;
    for (int i = 0; i < 5000; ++i) accented += "\xC3\xA9";
    const struct {
        const char* name;
        std::string content, section, key, expected;
    } cases[] = {
        {"missing section", "[S]\r\nk=1\r\n", "T", "k", ""},
        {"missing key", "[S]\r\nk=1\r\n", "S", "other", ""},
        {"empty value", "[S]\r\nempty=\r\n", "S", "empty", ""},
        {"names ignore case, the first occurrence wins",
         "[App Defaults]\r\nN Trials=10\r\nn trials=20\r\n[APP DEFAULTS]\r\nOther=3\r\n", "app defaults", "N TRIALS",
         "10"},
        {"a second section of the same name is not searched", "[A]\r\nx=1\r\n[a]\r\nOther=3\r\n", "A", "Other", ""},
        {"blanks around names and values", "[ S ]\r\n  key \t=  two words \t\r\n", "S", "key", "two words"},
        {"matching double quotes", "[S]\r\na= \"  Rat \" \r\n", "S", "a", "  Rat "},
        {"matching single quotes", "[S]\r\nb='Rat'\r\n", "S", "b", "Rat"},
        {"quotes that do not match", "[S]\r\nc=\"Rat'\r\n", "S", "c", "\"Rat'"},
        {"a lone quote", "[S]\r\nd=\"\r\n", "S", "d", "\""},
        {"an empty quoted text", "[S]\r\ne=\"\"\r\n", "S", "e", ""},
        {"quotes inside", "[S]\r\nf=it's \"x\"\r\n", "S", "f", "it's \"x\""},
        {"two quoted parts", "[S]\r\ng=\"a\" and \"b\"\r\n", "S", "g", "a\" and \"b"},
        {"cut at 4095 characters", "[S]\r\nlong=" + std::string(5000, 'x') + "\r\n", "S", "long",
         std::string(4095, 'x')},
        {"exactly 4095", "[S]\r\nexact=" + std::string(4095, 'y') + "\r\n", "S", "exact", std::string(4095, 'y')},
        {"characters, not bytes", "[S]\r\naccented=" + accented + "\r\n", "S", "accented",
         accented.substr(0, 2 * 4095)},
        {"LF lines, text before the first section", "k=outside\n[S]\nnot a key\nk=inside\n[T]\nk=other", "S", "k",
         "inside"},
        {"the last line without a line end", "[S]\nk=inside\n[T]\nk=other", "T", "k", "other"},
        {"a line without an equals sign", "[S]\nnot a key\n", "S", "not a key", ""},
        {"Windows-1252 when not UTF-8", "[S]\r\nSpecies=Caf\xE9 \x80\r\n", "S", "Species", "Caf\xC3\xA9 \xE2\x82\xAC"},
        {"UTF-8 beside a Windows-1252 line", "[S]\r\nOld=caf\xE9\r\nSave=/home/\xC3\xA6r\r\n", "S", "Save",
         "/home/\xC3\xA6r"},
        {"carriage returns alone end lines", "[A]\rx=1\ry=2\r[B]\rx=3\r", "B", "x", "3"},
    };
    for (const auto& c : cases) {
        WriteBytes(file, c.content);
        EXPECT_EQ(GetString(file, c.section, c.key), c.expected) << c.name;
    }
}

TEST(ProfileWrite, WhereTheLineGoesByteForByte) {
    TempDir dir;
    const auto file = dir.file("a.ini");
    const struct {
        const char* name;
        std::string before, section, key;
        std::optional<std::string> value;
        std::string after;
    } cases[] = {
        {"a new file with CR LF lines", "", "App Defaults", "Location", "\xC3\x8Ele",
         "[App Defaults]\r\nLocation=\xC3\x8Ele\r\n"},
        {"a value replaced in its line", "[A]\r\nx=1\r\ny=2\r\n[B]\r\nx=3\r\n", "a", "X", "9",
         "[A]\r\nx=9\r\ny=2\r\n[B]\r\nx=3\r\n"},
        {"a new key after the last key of its section", "[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n", "A", "w", "5",
         "[A]\r\nx=1\r\ny=2\r\nw=5\r\n\r\n[B]\r\nz=3\r\n"},
        {"a new key of a section without keys; the other lines keep their bytes", "[A]\n\n[B]\nz=3\n", "A", "k", "1",
         "[A]\nk=1\r\n\n[B]\nz=3\n"},
        {"a new section at the end", "[A]\r\nx=1\r\n", "C", "k", "v", "[A]\r\nx=1\r\n[C]\r\nk=v\r\n"},
        {"empty text keeps the key", "[A]\r\nx=1\r\ny=2\r\n", "A", "y", "", "[A]\r\nx=1\r\ny=\r\n"},
        {"no text deletes the key", "[A]\r\nx=1\r\ny=\r\n", "A", "X", std::nullopt, "[A]\r\ny=\r\n"},
        {"deleting what is not there", "[A]\r\ny=\r\n", "Z", "gone", std::nullopt, "[A]\r\ny=\r\n"},
        {"line breaks become blanks: no key can be injected", "", "A", "Species", "Rat\r\nPRNG=1\nx",
         "[A]\r\nSpecies=Rat  PRNG=1 x\r\n"},
        {"each line keeps its own encoding", "[A]\r\nSave=/home/\xC3\xA6r\r\nOld=caf\xE9\r\n", "A", "New",
         "\xC3\xA9t\xC3\xA9", "[A]\r\nSave=/home/\xC3\xA6r\r\nOld=caf\xE9\r\nNew=\xC3\xA9t\xC3\xA9\r\n"},
        {"carriage returns alone end lines", "[A]\rx=1\ry=2\r[B]\rx=3\r", "A", "z", "4",
         "[A]\rx=1\ry=2\rz=4\r\n[B]\rx=3\r"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(file);
        if (!c.before.empty()) WriteBytes(file, c.before);
        EXPECT_TRUE(WriteString(file, c.section, c.key, c.value)) << c.name;
        EXPECT_EQ(ReadBytes(file), c.after) << c.name;
    }
    const auto missing = dir.file("missing.ini");
    EXPECT_TRUE(WriteString(missing, "A", "k", std::nullopt));
    EXPECT_FALSE(std::filesystem::exists(missing));
    // A name of the longest allowed length.
    const auto longest = dir.file(std::string(251, 'a') + ".ini");  // 255 bytes
    ASSERT_TRUE(WriteString(longest, "A", "x", std::string("1")));
    ASSERT_TRUE(WriteString(longest, "A", "y", std::string("2")));
    EXPECT_EQ(ReadBytes(longest), "[A]\r\nx=1\r\ny=2\r\n");
    EXPECT_EQ(FilesIn(dir), 2u);  // no temporary file left behind
}

TEST(ProfileWrite, AFailedWriteChangesNothingAndAReplacementKeepsThePermissions) {
    TempDir dir;
    const auto file = dir.file("ro.ini");
    WriteBytes(file, "[A]\r\nx=1\r\n");
    ::chmod(file.c_str(), 0444);
    EXPECT_TRUE(IsReadOnly(file));
    EXPECT_FALSE(WriteString(file, "A", "x", std::string("2")));
    EXPECT_FALSE(WriteString(file, "A", "x", std::nullopt));
    EXPECT_FALSE(DeleteFile(file));
    EXPECT_EQ(ReadBytes(file), "[A]\r\nx=1\r\n");
    EXPECT_EQ(FilesIn(dir), 1u);
    EXPECT_FALSE(WriteString(dir.file("no/such/folder.ini"), "A", "x", std::string("1")));
    ::chmod(file.c_str(), 0640);
    EXPECT_TRUE(WriteString(file, "A", "x", std::string("2")));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(FilesIn(dir), 1u);
    EXPECT_TRUE(DeleteFile(file));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(DeleteFile(file));  // a missing file is accepted
}

}  // namespace
}  // namespace nuvir::profile
