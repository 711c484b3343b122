// The built-in template, its file, and finding the program that opens reports.
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "platform/profile.h"
#include "report/rtfviewer.h"
#include "report/templatefile.h"
#include "report_fixture.h"

namespace nuvir::test {
namespace {

// Plain ASCII with CR LF line ends; each placeholder once, set B's after the page break.
TEST(DefaultTemplate, EachPlaceholderOnceOnItsPage) {
    const std::string& t = CReport::DefaultTemplate();
    for (std::size_t i = 0; i < t.size(); ++i) {
        const auto c = static_cast<unsigned char>(t[i]);
        SCOPED_TRACE(i);
        if (c >= 0x20) {
            ASSERT_LT(c, 0x80);
        } else if (c == '\r') {
            ASSERT_EQ(t[i + 1], '\n');
        } else {
            ASSERT_EQ(c, '\n');
            ASSERT_EQ(t[i - 1], '\r');
        }
    }
    ASSERT_EQ(CountOf(t, "\\page"), 1);
    int placeholders = 0;
    for (int set = 0; set < 2; ++set) {
        for (int row = 0; row < field::kTextRows; ++row) {
            const std::string name = PlaceholderName(row, set);
            if (name.empty()) continue;
            ++placeholders;
            EXPECT_EQ(CountOf(t, name), 1) << name;
            EXPECT_EQ(t.find(name) < t.find("\\page"), set == field::kSetA) << name;
        }
    }
    EXPECT_EQ(CountOf(t, "%"), 2 * placeholders);  // nothing else looks like one
}

// The banner's labels stay whole in an office suite: "Location:", the longest, is
// 4585/1000 em in DejaVu Sans, which stands in for a missing Arial (L 557, o 612,
// c 550, a 613, t 392, i 278, o 612, n 634, : 337), 917 twips at 10 pt, within the
// label cell less its gaps; the nested table's right edge stays at 3505.
TEST(DefaultTemplate, BannerLabelCellsHoldTheirLabels) {
    const std::string& t = CReport::DefaultTemplate();
    const auto number = [&](std::size_t at) { return std::stoi(t.substr(at)); };
    int rows = 0;
    for (auto p = t.find("\\nesttableprops"); p != std::string::npos; p = t.find("\\nesttableprops", p + 1)) {
        SCOPED_TRACE(++rows);
        const int gap = number(t.find("\\trgaph", p) + 7);
        const auto label = t.find("\\cellx", p);
        EXPECT_GE(number(label + 6) - 2 * gap, 917);
        EXPECT_EQ(number(t.find("\\cellx", label + 1) + 6), 3505);
    }
    EXPECT_EQ(rows, 3);
}

// The desktop entries live in the test's folder; the system folders stay after ours
// for the MIME database.
class ViewerTest : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        for (const char* d : {"data/applications", "home/applications", "bin"})
            std::filesystem::create_directories(dir.path() / d);
        Executable("bin/writer", "#!/bin/sh\n");
        ::setenv("XDG_DATA_HOME", dir.file("home").c_str(), 1);
        ::setenv("XDG_DATA_DIRS", (dir.file("data") + ":/usr/local/share:/usr/share").c_str(), 1);
        ::setenv("PATH", (dir.file("bin") + ":/usr/bin:/bin").c_str(), 1);
    }
    void TearDown() override {
        ::setenv("PATH", path.c_str(), 1);
        ::unsetenv("XDG_DATA_HOME");
        ::unsetenv("XDG_DATA_DIRS");
        ReportTest::TearDown();
    }
    void Executable(const std::string& name, const std::string& text) {
        WriteBytes(dir.file(name), text);
        ::chmod(dir.file(name).c_str(), 0755);
    }
    void Entry(const std::string& id, const std::string& exec, const char* folder = "data") {
        WriteBytes(dir.file(std::string(folder) + "/applications/" + id),
                   "[Desktop Entry]\nName=Writer\nExec=" + exec + "\n[Desktop Action new]\nExec=other\n");
    }
    const std::string path = std::getenv("PATH");
};

TEST_F(ViewerTest, TheProgramOfADesktopEntry) {
    const std::string writer = dir.file("bin/writer");
    ExpectEach({{"a name on PATH", "writer --writer %U", writer},
                {"after env and its variables", "env LANG=C GDK_BACKEND=x11 writer %F", writer},
                {"a quoted absolute path", "\"" + writer + "\" %f", writer},
                {"a program that is not there", "no-such-program %f", ""}},
               [&](const std::string& exec) {
                   Entry("e.desktop", exec);
                   return DesktopEntryProgram("e.desktop");
               });
    Entry("e.desktop", "writer %U", "home");  // the user's own entry comes first
    EXPECT_EQ(DesktopEntryProgram("e.desktop"), writer);
    // A FIFO where an entry should be is no entry, and is not waited on.
    ASSERT_EQ(::mkfifo(dir.file("home/applications/f.desktop").c_str(), 0600), 0);
    EXPECT_EQ(DesktopEntryProgram("f.desktop"), "");
}

// Start-up writes a missing template (never over the analyst's own) and asks the
// system which program opens it.
TEST_F(ViewerTest, StartUpWritesTheTemplateAndResolvesTheAssociation) {
    Entry("writer.desktop", "writer --writer %U");
    Executable("bin/xdg-mime",
               "#!/bin/sh\n[ \"$1 $2 $3\" = \"query default application/rtf\" ] && echo writer.desktop\n");
    AppOptions(opt::kViewerIsWord) = Variant(true);
    {
        ScopedServices qtViewer(ServiceSet{&services.messageBox, nullptr, nullptr, nullptr, nullptr});
        EXPECT_EQ(FindRtfViewer(), dir.file("bin/writer"));
        EXPECT_EQ(ReadBytes(dir.file("ReportTemplate_v32.rtf")), CReport::DefaultTemplate() + "\r\n");
        EXPECT_FALSE(CBool(AppOptions(opt::kViewerIsWord)));
        WriteBytes(GetReportTemplatePath(), "{\\rtf1 mine}");
        Executable("bin/xdg-mime", "#!/bin/sh\nexit 4\n");
        EXPECT_EQ(FindRtfViewer(), "");
        EXPECT_EQ(ReadBytes(GetReportTemplatePath()), "{\\rtf1 mine}");
    }
    ExpectLastMessage("");
}

TEST_F(ViewerTest, AnUnwritableSettingsFolderOnlyLosesTheViewer) {
    SetAppFacts(AppFacts{dir.file("no such folder"), "nuvir"});
    AppOptions(opt::kViewerIsWord) = Variant(true);
    EXPECT_EQ(FindRtfViewer(), "");
    ASSERT_FALSE(services.messageBox.calls.empty());
    EXPECT_EQ(services.messageBox.calls.back().title, "Error creating report template");
    EXPECT_TRUE(services.viewer.asked.empty());
    EXPECT_TRUE(CBool(AppOptions(opt::kViewerIsWord)));
}

}  // namespace
}  // namespace nuvir::test
