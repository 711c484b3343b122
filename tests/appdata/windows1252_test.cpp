// Settings and assessment files written by an older program, or edited on another
// system, hold Windows-1252 text: every byte of its upper half reads as its own
// character, each against the code page's published map (windows1252.h).
#include "appdata/ini.h"
#include "appdata/options.h"
#include "appdata_fixture.h"
#include "windows1252.h"

namespace nuvir::test {
namespace {

class Windows1252Files : public AppDataTest {};

// One key per byte, each value the byte between two letters, so that no line is UTF-8.
TEST_F(Windows1252Files, EveryUpperByteOfASettingsFileReadsAsItsCharacter) {
    const std::string file = GetOptionsIniFileName();
    std::string text = "[App Defaults]\r\n";
    for (int b = 0x80; b <= 0xFF; ++b)
        text += "Folder" + ByteName(static_cast<unsigned char>(b)) + "=/a" + char(b) + "z\r\n";
    WriteBytes(file, text);
    for (int b = 0x80; b <= 0xFF; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        SCOPED_TRACE(ByteName(byte));
        const Variant read = ReadIniValue(file, "App Defaults", "Folder" + ByteName(byte), Variant(), ini::kText);
        EXPECT_EQ(CStr(read), "/a" + Windows1252Character(byte) + "z");
    }
}

TEST_F(Windows1252Files, EveryUpperByteOfAnAssessmentsSpeciesReadsAsItsCharacter) {
    const std::string raf = dir.file("case.raf");
    for (int b = 0x80; b <= 0xFF; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        SCOPED_TRACE(ByteName(byte));
        WriteBytes(raf, std::string("[App Defaults]\r\nSpecies=Ves") + char(b) + "pa\r\nLocation=" + char(b) + "\r\n");
        const Variant data = LoadAppData(raf, false, Variant());
        EXPECT_EQ(CStr(data(item::kSpecies)), "Ves" + Windows1252Character(byte) + "pa");
        EXPECT_EQ(CStr(data(item::kLocation)), Windows1252Character(byte));
    }
}

// The five bytes without a character in the code page keep their own numbers: two of
// them read as two different characters, and neither as a replacement sign.
TEST_F(Windows1252Files, TheFiveUndefinedBytesReadAsTheControlsOfTheirNumbers) {
    const std::string file = GetOptionsIniFileName();
    WriteBytes(file, "[App Defaults]\r\nK=\x81\x8D\x8F\x90\x9D\r\n");
    EXPECT_EQ(CStr(ReadIniValue(file, "App Defaults", "K", Variant(), ini::kText)),
              "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
}

}  // namespace
}  // namespace nuvir::test
