// Escaping, probability texts and the appendix's table form.
#include "report/rtftext.h"

#include "report_fixture.h"

namespace nuvir::test {
namespace {

TEST(EscapeRtf, EveryCharacterClassComesOutAsAsciiRtf) {
    struct Case { const char* name; std::string in; std::string out; };
    const Case cases[] = {
        {"backslash", "C:\\temp\\new", "C:\\\\temp\\\\new"},
        {"braces", "{x}", "\\{x\\}"},
        {"tab", "a\tb", "a\\tab b"},
        {"CR and LF", "a\r\nb\nc", "a  b c"},
        {"other controls dropped", std::string("a\x01" "b\x7f" "c\x1f", 6), "abc"},
        {"e acute", "caf\xC3\xA9", "caf\\u233?"},
        {"unit above 0x7FFF is negative", "\xEF\xBF\xBD", "\\u-3?"},
        {"beyond U+FFFF: surrogate pair", "\xF0\x9F\x98\x80", "\\u-10179?\\u-8704?"},
        {"hostile species", "Ant } {x} C:\\temp \xC3\xA9 \xE2\x82\xAC",
         "Ant \\} \\{x\\} C:\\\\temp \\u233? \\u8364?"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EscapeRtf(c.in), c.out);
    }
}

Variant OneRow(const char* a, const char* b) {
    Variant data = Variant::MakeArray(VarType::Generic, {Bounds{0, 0}, Bounds{0, 1}});
    data(0, 0) = Variant(a);
    data(0, 1) = Variant(b);
    return data;
}

TEST(RtfTable, TheTwoColumnExampleByteForByteAndPositioned) {
    EXPECT_EQ(RtfTable(OneRow("2.5", "1.0"), -1, -1, 8, "I1,P(0-1),  ", "960,760", "<,<"), OneCategoryTable("I1"));
    const auto lines = Split(RtfTable(OneRow("2.5", "1.0"), 1900, 2600, 8, "I2,P(0-1)", "960,760", "<,<"), "\r\n");
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "{\\trowd \\trgaph0\\trleft-0 \\tphmrg\\tposx1900\\tposy2600\\clbrdrb\\brdrs\\brdrw10\\clvertalc\\cellx960");
    EXPECT_EQ(lines[5], "\\trowd \\trgaph0\\trleft-0 \\tphmrg\\tposx1900\\tposy2600\\clvertalc\\cellx960");
    // Only one of the two coordinates set is enough to place it.
    EXPECT_EQ(CountOf(RtfTable(OneRow("1", "2"), -1, 0, 8, "", "", ""), "\\tposx-1\\tposy0"), 2);
}

TEST(RtfTable, MissingOrOddListEntriesFallBackToTheirDefaults) {
    Variant data = Variant::MakeArray(VarType::Generic, {Bounds{1, 1}, Bounds{1, 4}});
    data(1, 1) = Variant("{a}");
    data(1, 2) = Variant(0.5);
    const std::string text = RtfTable(data, -1, -1, 10, "First, ,Third", "abc,500.5,0.5", "?,^,>,");
    // Edges: 1000 for "abc", then 1500.5 rounds to the even 1500, then 1501, then 2501.
    EXPECT_EQ(CountOf(text, "\\cellx1000\r\n"), 2);
    EXPECT_EQ(CountOf(text, "\\cellx1500\r\n"), 2);
    EXPECT_EQ(CountOf(text, "\\cellx1501\r\n"), 2);
    EXPECT_EQ(CountOf(text, "\\cellx2501\r\n"), 2);
    EXPECT_NE(text.find("\\pard\\ql\\intbl{\\fs20 First\\cell}\r\n\\pard\\qc\\intbl{\\fs20 \\cell}\r\n"
                        "\\pard\\qr\\intbl{\\fs20 Third\\cell}\r\n\\pard\\ql\\intbl{\\fs20 \\cell}\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("\\pard\\ql\\intbl{\\fs20 \\{a\\}\\cell}\r\n\\pard\\qc\\intbl{\\fs20 0.5\\cell}\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace nuvir::test
