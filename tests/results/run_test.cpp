#include "results_fixture.h"

namespace nuvir::test {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "text ends without CR LF";
    return lines;
}

TEST_F(ResultsTest, RunOfTheDefaultAssessmentAppendsFiveFieldLinesThatAccumulate) {
    ASSERT_TRUE(Run());
    ASSERT_TRUE(Run());
    for (int box = 0; box < 2; ++box) {
        SCOPED_TRACE(box);
        const auto lines = Lines(page.txtMonte[box]->Text());
        ASSERT_EQ(lines.size(), 2u);
        for (const auto& line : lines) EXPECT_EQ(Split(line, "\t").size(), 5u) << line;
        EXPECT_TRUE(page.txtMonte[box]->Visible() == (box == 0));
    }
    EXPECT_FALSE(rc->State().MixedResults);
    EXPECT_TRUE(page.cmdButton[0]->isEnabled());
    EXPECT_TRUE(page.cmdButton[3]->Visible());
    EXPECT_TRUE(services.messageBox.calls.empty());
    // The risk line's first field is the point total of the default chain.
    const double point = CDbl(AppData(60)) + CDbl(AppData(61)) + CDbl(AppData(62)) + CDbl(AppData(63)) + CDbl(AppData(64));
    EXPECT_EQ(Split(Lines(page.txtMonte[0]->Text())[0], "\t")[0], MKelvaro::FormatSigFigs(point, 4));
}

}  // namespace
}  // namespace nuvir::test
