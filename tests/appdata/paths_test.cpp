// Path texts, the file dialog call over a scripted dialog, and the version test.
#include <gtest/gtest.h>

#include "appdata/paths.h"
#include "platform/fakefiledialog.h"
#include "testsupport.h"

namespace nuvir {
namespace {

using namespace MUtilities;

TEST(PathsText, SeparatorIsTheSlashOnly) {
    EXPECT_EQ(RemoveExtension("/data/trial.CSV"), "/data/trial");
    EXPECT_EQ(RemoveExtension("a.tar.gz"), "a.tar");
    EXPECT_EQ(RemoveExtension(".txt"), "");
    EXPECT_EQ(RemoveExtension("/a.b/c"), "/a.b/c");  // the only "." is in a folder
    EXPECT_EQ(RemoveExtension("C:\\a\\b.txt"), "C:\\a\\b");

    EXPECT_EQ(GetPathPart("/data/trial.CSV"), "/data");
    EXPECT_EQ(GetPathPart("/b.txt"), "/");
    EXPECT_EQ(GetPathPart("b.txt"), "b.txt");
    EXPECT_EQ(GetPathPart("C:\\b.txt"), "C:\\b.txt");

    EXPECT_EQ(AddBackslash(""), "/");
    EXPECT_EQ(AddBackslash("/data"), "/data/");
    EXPECT_EQ(AddBackslash("/data/"), "/data/");

    EXPECT_EQ(GetFileName("/data/trial.CSV"), "trial.CSV");
    EXPECT_EQ(GetFileName("C:b.txt"), "C:b.txt");
    EXPECT_EQ(GetFileName("/data/"), "");
}

TEST(PathsText, GetExtensionTakesAtMostThreeCharacters) {
    EXPECT_EQ(GetExtension("a.txt"), "txt");
    EXPECT_EQ(GetExtension("a.html"), "htm");
    EXPECT_EQ(GetExtension("noext"), "");
    EXPECT_EQ(GetExtension("/a.b/c"), "b/c");  // the search does not stop at a folder
    EXPECT_EQ(GetExtension("x.\xC3\xA9t\xC3\xA9x"), "\xC3\xA9t\xC3\xA9");  // characters, not bytes
}

TEST(FileDialogRequestMapping, FilterFlagsAndFolders) {
    EXPECT_EQ(FileDialogFilter("*.RAF"), "RAF Files (*.RAF)|*.RAF");
    EXPECT_EQ(FileDialogFilter("*.*"), "All Files (*.*)|*.*");

    const FileDialogRequest open = BuildFileDialogRequest(1, "Restore current state from file", "*.RAF", "", "/w");
    EXPECT_EQ(open.kind, FileDialogRequest::Kind::Open);
    EXPECT_EQ(open.filterDescription, "RAF Files (*.RAF)");
    EXPECT_EQ(open.matchPattern, "*.[rR][aA][fF]");
    EXPECT_EQ(open.defaultSuffix, "RAF");
    EXPECT_EQ(open.directory, "/w");
    EXPECT_TRUE(open.fileMustExist && open.hideReadOnly);
    EXPECT_FALSE(open.pathMustExist || open.overwritePrompt);

    const FileDialogRequest save = BuildFileDialogRequest(2, "Save", "*.RAF", "trial.raf", "/w");
    EXPECT_EQ(save.kind, FileDialogRequest::Kind::Save);
    EXPECT_TRUE(save.overwritePrompt && save.hideReadOnly);
    EXPECT_FALSE(save.fileMustExist || save.pathMustExist);
    EXPECT_EQ(save.fileName, "trial.raf");

    const FileDialogRequest folder = BuildFileDialogRequest(3, "Export folder", "*.*", "/data/x/Untitled", "/w");
    EXPECT_EQ(folder.kind, FileDialogRequest::Kind::Open);
    EXPECT_TRUE(folder.pathMustExist);
    EXPECT_FALSE(folder.fileMustExist);
    EXPECT_EQ(folder.defaultSuffix, "All");
    EXPECT_EQ(folder.matchPattern, "*");  // every file, with or without a dot
    EXPECT_EQ(folder.directory, "/data/x");
    EXPECT_EQ(folder.fileName, "Untitled");

    // A wildcard name opens its folder and leaves the name box empty.
    const FileDialogRequest wild = BuildFileDialogRequest(1, "Open", "*.RAF", "/data/saves/*.raf", "/w");
    EXPECT_EQ(wild.directory, "/data/saves");
    EXPECT_EQ(wild.fileName, "");
}

class ShowFileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = LastDialogFolder();
        SetLastDialogFolder(dir.str());
    }
    void TearDown() override { SetLastDialogFolder(saved_); }
    test::TempDir dir;
    FakeFileDialog fake;
    std::string saved_;
};

TEST_F(ShowFileDialogTest, CancelAndFailureGiveEmptyText) {
    fake.QueueCancel();
    fake.QueueFailure();
    EXPECT_EQ(ShowFileDialog(fake, 2, "Save", "*.RAF", ""), "");
    EXPECT_EQ(ShowFileDialog(fake, 2, "Save", "*.RAF", ""), "");
    EXPECT_EQ(LastDialogFolder(), dir.str());
}

TEST_F(ShowFileDialogTest, NextDialogOpensInTheFolderOfTheLastChoice) {
    std::filesystem::create_directory(dir.path() / "sub");
    fake.QueueAnswer(dir.file("sub/trial.RAF"));
    SetFileDialogService(&fake);
    EXPECT_EQ(ShowFileDialog(2, "Save current state to file", "*.RAF", ""), dir.file("sub/trial.RAF"));
    ShowFileDialog(1, "Open", "*.RAF", "");
    SetFileDialogService(nullptr);
    ASSERT_EQ(fake.requests.size(), 2u);
    EXPECT_EQ(fake.requests[0].directory, dir.str());
    EXPECT_EQ(fake.requests[1].directory, dir.str() + "/sub");
}

TEST_F(ShowFileDialogTest, MustExistRulesAreEnforced) {
    test::WriteBytes(dir.file("a.raf"), "[App Defaults]\r\n");
    fake.QueueAnswer(dir.file("missing.raf"));
    fake.QueueAnswer(dir.file("a.raf"));
    fake.QueueAnswer(dir.file("Untitled"));
    fake.QueueAnswer(dir.file("nosuchfolder/Untitled"));
    EXPECT_EQ(ShowFileDialog(fake, 1, "Open", "*.RAF", ""), "");
    EXPECT_EQ(ShowFileDialog(fake, 1, "Open", "*.RAF", ""), dir.file("a.raf"));
    EXPECT_EQ(ShowFileDialog(fake, 3, "Export folder", "*.*", "Untitled"), dir.file("Untitled"));
    EXPECT_EQ(ShowFileDialog(fake, 3, "Export folder", "*.*", "Untitled"), "");
}

TEST(FileVersion, NoVersionResourceHereAndTheComparisonOfAGivenOne) {
    test::TempDir dir;
    test::WriteBytes(dir.file("viewer"), "x");
    EXPECT_TRUE(GetFileVersion(dir.file("viewer")).isEmpty());
    EXPECT_FALSE(IsVersionAtLeast(dir.file("viewer"), "10.0.0.0"));
    EXPECT_FALSE(IsVersionAtLeast(dir.file("missing"), "10.0.0.0"));

    auto v = [](int a, int b, int c, int d) { return Variant::List({Variant(a), Variant(b), Variant(c), Variant(d)}); };
    EXPECT_TRUE(VersionAtLeast(v(10, 0, 2627, 0), "10.0.0.0"));
    EXPECT_FALSE(VersionAtLeast(v(10, 0, 2627, 0), "10.0.2628.0"));
    EXPECT_FALSE(VersionAtLeast(v(9, 9, 9, 9), "10.0.0.0"));
    EXPECT_TRUE(VersionAtLeast(v(11, 0, 0, 0), "10.5.0.0"));  // a later major version is later
    EXPECT_TRUE(VersionAtLeast(v(16, 0, 40000, 0), "16.0.32768.0"));
    EXPECT_FALSE(VersionAtLeast(v(10, 0, 0, 0), "10.0.0"));
    EXPECT_FALSE(VersionAtLeast(v(10, 0, 0, 0), "10.x.0.0"));
    EXPECT_FALSE(VersionAtLeast(Variant(), "10.0.0.0"));
}

}  // namespace
}  // namespace nuvir
