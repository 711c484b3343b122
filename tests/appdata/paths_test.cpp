// Path texts, the file dialog call over a scripted dialog, and the version test.
#include <gtest/gtest.h>

#include "appdata/paths.h"
#include "platform/fakefiledialog.h"
#include "testsupport.h"

namespace nuvir {
namespace {

using namespace MUtilities;

TEST(PathsText, RemoveExtensionCutsTheLastDotOfTheName) {
    EXPECT_EQ(RemoveExtension("/data/trial.CSV"), "/data/trial");
    EXPECT_EQ(RemoveExtension("a.tar.gz"), "a.tar");
    EXPECT_EQ(RemoveExtension(".txt"), "");
    EXPECT_EQ(RemoveExtension("noext"), "noext");
    EXPECT_EQ(RemoveExtension(""), "");
}

TEST(PathsText, RemoveExtensionLeavesADotInAFolderAlone) {
    EXPECT_EQ(RemoveExtension("/a.b/c"), "/a.b/c");
    EXPECT_EQ(RemoveExtension("/data.v2/report"), "/data.v2/report");
}

TEST(PathsText, BackslashAndColonAreOrdinaryCharacters) {
    EXPECT_EQ(RemoveExtension("C:\\a\\b.txt"), "C:\\a\\b");
    EXPECT_EQ(GetFileName("C:b.txt"), "C:b.txt");
    EXPECT_EQ(GetPathPart("C:\\b.txt"), "C:\\b.txt");
}

TEST(PathsText, GetPathPartKeepsTheRootAndLeavesABareName) {
    EXPECT_EQ(GetPathPart("/data/trial.CSV"), "/data");
    EXPECT_EQ(GetPathPart("/a/b/c.txt"), "/a/b");
    EXPECT_EQ(GetPathPart("/b.txt"), "/");
    EXPECT_EQ(GetPathPart("b.txt"), "b.txt");
    EXPECT_EQ(GetPathPart("/a/b/"), "/a/b");
}

TEST(PathsText, AddBackslashAppendsOneSeparator) {
    EXPECT_EQ(AddBackslash(""), "/");
    EXPECT_EQ(AddBackslash("/data"), "/data/");
    EXPECT_EQ(AddBackslash("/data/"), "/data/");
}

TEST(PathsText, GetFileNameIsTheTextAfterTheLastSeparator) {
    EXPECT_EQ(GetFileName("/data/trial.CSV"), "trial.CSV");
    EXPECT_EQ(GetFileName("trial.CSV"), "trial.CSV");
    EXPECT_EQ(GetFileName("/data/"), "");
}

TEST(PathsText, GetExtensionTakesAtMostThreeCharacters) {
    EXPECT_EQ(GetExtension("a.txt"), "txt");
    EXPECT_EQ(GetExtension("/data/trial.CSV"), "CSV");
    EXPECT_EQ(GetExtension("a.html"), "htm");
    EXPECT_EQ(GetExtension("a.tar.gz"), "gz");
    EXPECT_EQ(GetExtension("noext"), "");
    EXPECT_EQ(GetExtension("a."), "");
    // The search does not stop at a folder: three characters from the folder's name on.
    EXPECT_EQ(GetExtension("/a.b/c"), "b/c");
    // Characters, not bytes: a two-byte letter counts once.
    EXPECT_EQ(GetExtension("r\xC3\xA9sum\xC3\xA9.\xC3\xA9t\xC3\xA9x"), "\xC3\xA9t\xC3\xA9");
}

TEST(FileDialogFilterText, DescriptionAndPattern) {
    EXPECT_EQ(FileDialogFilter("*.RAF"), "RAF Files (*.RAF)|*.RAF");
    EXPECT_EQ(FileDialogFilter("*.*"), "All Files (*.*)|*.*");
    EXPECT_EQ(PatternExtensionText("*.RAB"), "RAB");
    EXPECT_EQ(PatternExtensionText("*.*"), "All");
    EXPECT_EQ(PatternExtensionText("*"), "All");
    EXPECT_EQ(PatternExtensionText("README"), "README");
}

TEST(FileDialogRequestMapping, OpenExistingFile) {
    const FileDialogRequest r = BuildFileDialogRequest(1, "Restore current state from file", "*.RAF", "", "/work/saves");
    EXPECT_EQ(r.kind, FileDialogRequest::Kind::Open);
    EXPECT_EQ(r.title, "Restore current state from file");
    EXPECT_EQ(r.filterDescription, "RAF Files (*.RAF)");
    EXPECT_EQ(r.filterPattern, "*.RAF");
    EXPECT_EQ(r.matchPattern, "*.[rR][aA][fF]");
    EXPECT_EQ(r.defaultSuffix, "RAF");
    EXPECT_EQ(r.directory, "/work/saves");
    EXPECT_EQ(r.fileName, "");
    EXPECT_TRUE(r.fileMustExist);
    EXPECT_FALSE(r.pathMustExist);
    EXPECT_FALSE(r.overwritePrompt);
    EXPECT_TRUE(r.hideReadOnly);
}

TEST(FileDialogRequestMapping, SaveAsksBeforeOverwriting) {
    const FileDialogRequest r = BuildFileDialogRequest(2, "Save current state to file", "*.RAF", "trial.raf", "/w");
    EXPECT_EQ(r.kind, FileDialogRequest::Kind::Save);
    EXPECT_TRUE(r.overwritePrompt);
    EXPECT_TRUE(r.hideReadOnly);
    EXPECT_FALSE(r.fileMustExist);
    EXPECT_FALSE(r.pathMustExist);
    EXPECT_EQ(r.directory, "/w");
    EXPECT_EQ(r.fileName, "trial.raf");
}

TEST(FileDialogRequestMapping, FolderChoiceAcceptsANewNameInAnExistingFolder) {
    const FileDialogRequest r = BuildFileDialogRequest(3, "Export folder", "*.*", "/data/exports/Untitled", "/w");
    EXPECT_EQ(r.kind, FileDialogRequest::Kind::Open);
    EXPECT_TRUE(r.pathMustExist);
    EXPECT_FALSE(r.fileMustExist);
    EXPECT_FALSE(r.overwritePrompt);
    EXPECT_EQ(r.filterDescription, "All Files (*.*)");
    EXPECT_EQ(r.defaultSuffix, "All");
    // "*.*" stands for every file, also one without a dot in its name.
    EXPECT_EQ(r.matchPattern, "*");
    EXPECT_EQ(r.directory, "/data/exports");
    EXPECT_EQ(r.fileName, "Untitled");
}

TEST(FileDialogRequestMapping, WildcardInitialNameOpensItsFolderWithAnEmptyNameBox) {
    const FileDialogRequest r = BuildFileDialogRequest(1, "Open", "*.RAF", "/data/saves/*.raf", "/w");
    EXPECT_EQ(r.directory, "/data/saves");
    EXPECT_EQ(r.fileName, "");
    const FileDialogRequest bare = BuildFileDialogRequest(1, "Open", "*.RAF", "*.RAF", "/w");
    EXPECT_EQ(bare.directory, "/w");
    EXPECT_EQ(bare.fileName, "");
}

TEST(FileDialogRequestMapping, UnknownModeOpensWithoutRules) {
    const FileDialogRequest r = BuildFileDialogRequest(0, "t", "*.CSV", "", "/w");
    EXPECT_EQ(r.kind, FileDialogRequest::Kind::Open);
    EXPECT_FALSE(r.fileMustExist || r.pathMustExist || r.overwritePrompt || r.hideReadOnly);
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
    ASSERT_EQ(fake.requests.size(), 2u);
    EXPECT_EQ(LastDialogFolder(), dir.str());
}

TEST_F(ShowFileDialogTest, AChoiceReturnsThePathAndTheNextDialogOpensInItsFolder) {
    std::filesystem::create_directory(dir.path() / "sub");
    const std::string chosen = dir.file("sub/trial.RAF");
    fake.QueueAnswer(chosen);
    EXPECT_EQ(ShowFileDialog(fake, 2, "Save current state to file", "*.RAF", ""), chosen);
    EXPECT_EQ(fake.requests[0].directory, dir.str());
    EXPECT_EQ(LastDialogFolder(), dir.str() + "/sub");

    fake.QueueCancel();
    ShowFileDialog(fake, 1, "Open", "*.RAF", "");
    EXPECT_EQ(fake.requests[1].directory, dir.str() + "/sub");
}

TEST_F(ShowFileDialogTest, OpenExistingRejectsAMissingFile) {
    const std::string existing = dir.file("a.raf");
    test::WriteBytes(existing, "[App Defaults]\r\n");
    fake.QueueAnswer(dir.file("missing.raf"));
    fake.QueueAnswer(existing);
    EXPECT_EQ(ShowFileDialog(fake, 1, "Open", "*.RAF", ""), "");
    EXPECT_EQ(ShowFileDialog(fake, 1, "Open", "*.RAF", ""), existing);
}

TEST_F(ShowFileDialogTest, FolderChoiceNeedsTheFolderButNotTheFile) {
    fake.QueueAnswer(dir.file("Untitled"));
    fake.QueueAnswer(dir.file("nosuchfolder/Untitled"));
    EXPECT_EQ(ShowFileDialog(fake, 3, "Export folder", "*.*", "Untitled"), dir.file("Untitled"));
    EXPECT_EQ(ShowFileDialog(fake, 3, "Export folder", "*.*", "Untitled"), "");
}

TEST_F(ShowFileDialogTest, TheProgramWideServiceCanBeReplaced) {
    SetFileDialogService(&fake);
    fake.QueueAnswer(dir.file("out.csv"));
    EXPECT_EQ(ShowFileDialog(2, "Batch output", "*.CSV", "BatchOutput.CSV"), dir.file("out.csv"));
    SetFileDialogService(nullptr);
    ASSERT_EQ(fake.requests.size(), 1u);
    EXPECT_EQ(fake.requests[0].fileName, "BatchOutput.CSV");
    EXPECT_EQ(fake.requests[0].matchPattern, "*.[cC][sS][vV]");
}

TEST(FileVersion, NoVersionResourceOnThisPlatform) {
    test::TempDir dir;
    const std::string file = dir.file("viewer");
    test::WriteBytes(file, "x");
    EXPECT_TRUE(GetFileVersion(file).isEmpty());
    EXPECT_TRUE(GetFileVersion(dir.file("missing")).isEmpty());
    EXPECT_FALSE(IsVersionAtLeast(file, "10.0.0.0"));
    EXPECT_FALSE(IsVersionAtLeast(dir.file("missing"), "10.0.0.0"));
}

TEST(FileVersion, ComparisonOfAGivenVersion) {
    const Variant v10 = Variant::List({Variant(10), Variant(0), Variant(2627), Variant(0)});
    EXPECT_TRUE(VersionAtLeast(v10, "10.0.0.0"));
    EXPECT_TRUE(VersionAtLeast(v10, "10.0.2627.0"));
    EXPECT_FALSE(VersionAtLeast(v10, "10.0.2628.0"));
    EXPECT_FALSE(VersionAtLeast(Variant::List({Variant(9), Variant(9), Variant(9), Variant(9)}), "10.0.0.0"));
    // A later major version is later whatever its minor part.
    EXPECT_TRUE(VersionAtLeast(Variant::List({Variant(11), Variant(0), Variant(0), Variant(0)}), "10.5.0.0"));
    EXPECT_FALSE(VersionAtLeast(Variant::List({Variant(10), Variant(4), Variant(9), Variant(0)}), "10.5.0.0"));
    // Build numbers above 32767 are ordinary.
    EXPECT_TRUE(VersionAtLeast(Variant::List({Variant(16), Variant(0), Variant(40000), Variant(0)}), "16.0.32768.0"));
}

TEST(FileVersion, AnythingButFourWholePartsIsFalse) {
    const Variant v = Variant::List({Variant(10), Variant(0), Variant(0), Variant(0)});
    EXPECT_FALSE(VersionAtLeast(v, "10.0.0"));
    EXPECT_FALSE(VersionAtLeast(v, "10.0.0.0.0"));
    EXPECT_FALSE(VersionAtLeast(v, "10.x.0.0"));
    EXPECT_FALSE(VersionAtLeast(v, ""));
    EXPECT_FALSE(VersionAtLeast(Variant(), "10.0.0.0"));
    EXPECT_FALSE(VersionAtLeast(Variant(10), "10.0.0.0"));
}

}  // namespace
}  // namespace nuvir
