// A batch list written on another system holds Windows-1252 text: every byte of its
// upper half opens as its own character, against the code page's published map.
#include "batch_fixture.h"
#include "windows1252.h"

namespace nuvir::batchtest {
namespace {

// One line per byte, each the byte between two letters: the file as a whole is no
// UTF-8, so it reads as Windows-1252.
TEST_F(BatchTest, EveryUpperByteOfABatchListOpensAsItsCharacter) {
    std::string file;
    for (int b = 0x80; b <= 0xFF; ++b) file += std::string("SPECIES=A") + char(b) + "z\r\n";
    test::WriteBytes(Path("upper.RAB"), file);
    dialog.QueueAnswer(Path("upper.RAB"));
    ASSERT_TRUE(session.OpenBatchFile());
    const std::string list = session.List().Text();
    std::size_t at = 0;
    for (int b = 0x80; b <= 0xFF; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        SCOPED_TRACE(test::ByteName(byte));
        const std::size_t end = list.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(list.substr(at, end - at), "SPECIES=A" + test::Windows1252Character(byte) + "z");
        at = end + 2;
    }
    EXPECT_EQ(at, list.size());
}

}  // namespace
}  // namespace nuvir::batchtest
