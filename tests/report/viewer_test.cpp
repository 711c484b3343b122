// Finding the program that opens reports.
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "report/rtfviewer.h"
#include "report/templatefile.h"
#include "report_fixture.h"

namespace nuvir::test {
namespace {

// The desktop entries live in the test's folder; the system folders stay after ours
// for the MIME database.
class ViewerTest : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        for (const char* d : {"data/applications", "home/applications", "bin"}) std::filesystem::create_directories(dir.path() / d);
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
    Entry("writer.desktop", "writer --writer %U");
    Entry("env.desktop", "env LANG=C GDK_BACKEND=x11 writer %F");
    Entry("quoted.desktop", "\"" + dir.file("bin/writer") + "\" %f");
    Entry("missing.desktop", "no-such-program %f");
    Entry("empty.desktop", "");
    Entry("own.desktop", "no-such-program %U");
    Entry("own.desktop", "writer %U", "home");
    struct Case { const char* name; std::string id; std::string program; };
    const Case cases[] = {
        {"a name on PATH", "writer.desktop", dir.file("bin/writer")},
        {"after env and its variables", "env.desktop", dir.file("bin/writer")},
        {"a quoted absolute path", "quoted.desktop", dir.file("bin/writer")},
        {"the user's own entry first", "own.desktop", dir.file("bin/writer")},
        {"a program that is not there", "missing.desktop", ""},
        {"no Exec line", "empty.desktop", ""},
        {"no such entry", "none.desktop", ""},
        {"no association", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DesktopEntryProgram(c.id), c.program);
    }
}

TEST_F(ViewerTest, StartUpWritesTheTemplateAndResolvesTheAssociation) {
    Entry("writer.desktop", "writer --writer %U");
    Executable("bin/xdg-mime", "#!/bin/sh\n[ \"$1 $2 $3\" = \"query default application/rtf\" ] && echo writer.desktop\n");
    AppOptions(opt::kViewerIsWord) = Variant(true);
    ScopedServices qtViewer(ServiceSet{&services.messageBox, nullptr, nullptr, nullptr, nullptr});
    EXPECT_EQ(FindRtfViewer(), dir.file("bin/writer"));
    EXPECT_EQ(ReadBytes(GetReportTemplatePath()), CReport::DefaultTemplate() + "\r\n");
    EXPECT_FALSE(CBool(AppOptions(opt::kViewerIsWord)));
    Executable("bin/xdg-mime", "#!/bin/sh\nexit 4\n");
    EXPECT_EQ(FindRtfViewer(), "");
}

TEST_F(ViewerTest, AnUnwritableSettingsFolderGivesNoViewerAndStartUpGoesOn) {
    SetAppFacts(AppFacts{dir.file("no such folder"), "nuvir"});
    AppOptions(opt::kViewerIsWord) = Variant(true);
    EXPECT_EQ(FindRtfViewer(), "");
    ASSERT_EQ(services.messageBox.calls.size(), 1u);
    EXPECT_EQ(services.messageBox.calls[0].title, "Error creating report template");
    EXPECT_TRUE(services.viewer.asked.empty());
    EXPECT_TRUE(CBool(AppOptions(opt::kViewerIsWord)));
}

}  // namespace
}  // namespace nuvir::test
