// Batch files in every encoding the settings files read: the bytes of each through Open,
// an edit and Save, and the lists that are no text, or text in another encoding, refused
// before a line of them can run.
#include "batch_fixture.h"

namespace nuvir::batchtest {
namespace {

// ASCII text as UTF-16 code units in the byte order, without a mark: each byte beside
// a zero byte.
std::string U16(std::string_view ascii, bool big) {
    std::string out;
    for (const char c : ascii) out += big ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

const std::string kLE = "\xFF\xFE", kBE = "\xFE\xFF";

// Opened, one assessment captured, saved over itself: the list as opened and the file
// as saved. Characters beyond ASCII by hand: U+00E9 is UTF-8 C3 A9, UTF-16 00E9; U+1F41D
// is UTF-8 F0 9F 90 9D, UTF-16 D83D DC1D.
TEST_F(BatchTest, AListKeepsItsEncodingThroughOpenAndSave) {
    const std::string two = "SPECIES=U16A;N=2000;I1=5\r\nSPECIES=U16B;N=3000\r\n", added = "SPECIES=A;N=1000\r\n";
    struct Case {
        const char* name;
        std::string file, list, saved;
    };
    const std::string eBee("\x00\xE9\xD8\x3D\xDC\x1D", 6);  // U+00E9 U+1F41D, big-endian
    const Case cases[] = {
        {"UTF-16 little-endian", kLE + U16(two, false), two, kLE + U16(two + added, false)},
        {"UTF-16 big-endian, beyond ASCII and the first plane", kBE + U16("SPECIES=", true) + eBee + U16("\r\n", true),
         "SPECIES=\xC3\xA9\xF0\x9F\x90\x9D\r\n", kBE + U16("SPECIES=", true) + eBee + U16("\r\n" + added, true)},
        {"UTF-16 without a last line end", kLE + U16("SPECIES=C", false), "SPECIES=C\r\n",
         kLE + U16("SPECIES=C\r\n" + added, false)},
        // The UTF-8 line keeps its bytes; the Windows-1252 one is saved as the same
        // characters in UTF-8, which opens again as it was.
        {"a UTF-8 line beside one with stray bytes", "SPECIES=OK\xC3\xA9\r\nSPECIES=X\xE9\x80\r\n",
         "SPECIES=OK\xC3\xA9\r\nSPECIES=X\xC3\xA9\xE2\x82\xAC\r\n",
         "SPECIES=OK\xC3\xA9\r\nSPECIES=X\xC3\xA9\xE2\x82\xAC\r\n" + added},
        {"UTF-8 with its mark", "\xEF\xBB\xBFSPECIES=\xC3\xA9\r\n", "SPECIES=\xC3\xA9\r\n",
         "SPECIES=\xC3\xA9\r\n" + added},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteBytes(Path("list.RAB"), c.file);
        dialog.QueueAnswer(Path("list.RAB"));  // the list before was saved: no question
        ASSERT_TRUE(session.OpenBatchFile());
        EXPECT_EQ(session.List().Text(), c.list);
        session.Capture();
        dialog.QueueAnswer(Path("list.RAB"));
        ASSERT_TRUE(session.SaveBatchFile());
        EXPECT_EQ(Bytes("list.RAB"), c.saved);
    }
    // A new list is UTF-8 again.
    session.ClearBatch(false);
    session.Capture();
    dialog.QueueAnswer(Path("new.RAB"));
    ASSERT_TRUE(session.SaveBatchFile());
    EXPECT_EQ(Bytes("new.RAB"), added);
}

// Marked as UTF-16 but no UTF-16: refused whole, with the file named; nothing of it is
// in the list, so there is nothing to run.
TEST_F(BatchTest, AListThatIsNoUtf16IsRefusedAndNothingRuns) {
    struct Case {
        const char* name;
        std::string file;
    };
    const Case cases[] = {
        {"an odd number of bytes", kLE + U16("SPECIES=A\r\n", false) + "B"},
        {"a high surrogate before a letter", kBE + U16("SPECIES=", true) + "\xD8\x3D" + U16("A\r\n", true)},
        {"a low surrogate alone", kLE + U16("SPECIES=", false) + "\x1D\xDC" + U16("\r\n", false)},
        {"a high surrogate at the end", kLE + U16("SPECIES=A\r\n", false) + "\x3D\xD8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectOpenRefused("bad.RAB", c.file,
                          "it begins with a UTF-16 byte-order mark, but what follows is no UTF-16 text.");
    }
    EXPECT_TRUE(host.ran.empty());
}

// ASCII text as UTF-32 code units in the byte order: each byte beside three zero bytes.
std::string U32(std::string_view ascii, bool big) {
    std::string out;
    for (const char c : ascii) out += big ? std::string{'\0', '\0', '\0', c} : std::string{c, '\0', '\0', '\0'};
    return out;
}

// Text in another encoding reads as lines of NULs, whose keys no line would recognise:
// refused whole, the file and the first such line named, before a line of it can run.
// UTF-32's little-endian mark FF FE 00 00 is UTF-16's and then a NUL.
TEST_F(BatchTest, AListWhoseLinesHoldNulsIsRefusedAndNothingRuns) {
    const std::string two = "SPECIES=A;N=2000\r\nSPECIES=B\r\n";
    struct Case {
        const char* name;
        std::string file;
        int line;
    };
    const Case cases[] = {
        {"UTF-16 little-endian without its mark", U16(two, false), 1},
        {"UTF-16 big-endian without its mark", U16(two, true), 1},
        {"UTF-32 little-endian with its mark", std::string("\xFF\xFE\0\0", 4) + U32(two, false), 1},
        {"UTF-32 big-endian with its mark", std::string("\0\0\xFE\xFF", 4) + U32(two, true), 1},
        {"UTF-32 little-endian without its mark", U32(two, false), 1},
        {"a NUL in the second line of UTF-8", std::string("SPECIES=A\r\nSPECIES=B\0C\r\n", 24), 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectOpenRefused("nul.RAB", c.file,
                          "line " + std::to_string(c.line) +
                              " holds a NUL character, which no batch line may hold (as text in UTF-32, or in UTF-16 "
                              "without its byte-order mark, would).");
    }
    EXPECT_TRUE(host.ran.empty());
}

// A line or paragraph separator inside a line is a blank in the list, as the view shows
// it and in the file Save writes: each assessment stays one line (captured ones and the
// run: the batch window's tests).
// By hand: U+2028 is UTF-8 E2 80 A8 and UTF-16 2028, U+2029 E2 80 A9 and 2029.
TEST_F(BatchTest, SeparatorsInsideALineAreBlanksAndTheLineStaysWhole) {
    const std::string ls = "\xE2\x80\xA8", ps = "\xE2\x80\xA9";
    const std::string blanked = "SPECIES=A B;LOCATION=L M\r\nSPECIES=C\r\n";
    struct Case {
        const char* name;
        std::string file, saved;
    };
    const Case cases[] = {
        {"UTF-8", "SPECIES=A" + ls + "B;LOCATION=L" + ps + "M\r\nSPECIES=C\r\n", blanked},
        {"UTF-16 little-endian",
         kLE + U16("SPECIES=A", false) + "\x28\x20" + U16("B;LOCATION=L", false) + "\x29\x20" +
             U16("M\r\nSPECIES=C\r\n", false),
         kLE + U16(blanked, false)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        session.ClearBatch(false);
        test::WriteBytes(Path("sep.RAB"), c.file);
        dialog.QueueAnswer(Path("sep.RAB"));
        ASSERT_TRUE(session.OpenBatchFile());
        EXPECT_EQ(session.List().Text(), blanked);
        dialog.QueueAnswer(Path("sep.RAB"));
        ASSERT_TRUE(session.SaveBatchFile());
        EXPECT_EQ(Bytes("sep.RAB"), c.saved);
    }
    // An edit from elsewhere is held the same way.
    session.ListEdited("SPECIES=D" + ls + "E\r\n");
    EXPECT_EQ(session.List().Text(), "SPECIES=D E\r\n");
}

}  // namespace
}  // namespace nuvir::batchtest
