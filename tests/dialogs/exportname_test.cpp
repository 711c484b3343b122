// The export naming dialog: the actions text and paths for a name, and the dialog
// driven by keys (Enter is OK, Esc is Skip Export, the close box keeps the paths).
#include "appdata/appservices.h"
#include "appdata/criticalcorrelation.h"
#include "dialogs/exportname.h"
#include "platform/multilinetextbox.h"
#include "dialogs_fixture.h"
#include "platform/controls.h"

namespace nuvir::test {
namespace {

const std::string kNoExport = "No export will occur (missing or improper file name)";

FileExistsTest Existing(std::string path) {
    return [path](const std::string& p) { return p == path; };
}

// ---- the rules --------------------------------------------------------------------------------

TEST(ExportActions, TheWorkedExampleGivesItsSevenLinesByteForByte) {
    const ExportActions a = UpdateExportActions("trial.csv", {true, false, true}, "/data", Existing("/data/trial.CSV"));
    EXPECT_EQ(a.text,
              "File for Excel will be written to:\r\n"
              "/data/trial.CSV\r\n"
              " (File already exists and will be overwritten)\r\n"
              "\r\n"
              "File for Excel,Systat will be written to:\r\n"
              "/data/trial.TXT\r\n"
              "\r\n");
    EXPECT_EQ(a.targetPaths, "/data/trial.CSV|/data/trial.TXT");
    EXPECT_TRUE(a.anyTarget);
}

TEST(ExportActions, AnyForbiddenCharacterMeansNoExport) {
    const std::string forbidden[] = {"<", ">", "|", "\"", "\\", "/", ":", "*", "?", std::string(1, '\0')};
    for (const std::string& c : forbidden) {
        SCOPED_TRACE("character code " + std::to_string(static_cast<int>(c[0])));
        const ExportActions a = UpdateExportActions("tri" + c + "al", {true, true, true}, "/data", {});
        EXPECT_EQ(a.text, kNoExport);
        EXPECT_EQ(a.targetPaths, "");
        EXPECT_FALSE(a.anyTarget);
    }
    EXPECT_EQ(UpdateExportActions("", {true, false, false}, "/data", {}).text, kNoExport);
}

TEST(ExportActions, OnlyTheLastExtensionGoesAndLongPathsAreDropped) {
    // "/" + folder + "/x.CSV": 7 characters besides the folder; 253 "d" make 260.
    struct Case { const char* name; std::string folder, name2, path; };
    const std::string d253(253, 'd');
    const Case cases[] = {
        {"two points", "/d/", "field.survey.txt", "/d/field.survey.CSV"},
        {"a single point", "/d", ".", "/d/.CSV"},
        {"260 characters", "/" + d253, "x", "/" + d253 + "/x.CSV"},
        {"261 characters", "/d" + d253, "x", ""},
        {"260 characters, not bytes", "/" + std::string(252, 'd') + "\xC3\xA9", "x", "/" + std::string(252, 'd') + "\xC3\xA9/x.CSV"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UpdateExportActions(c.name2, {true, false, false}, c.folder, {}).targetPaths, c.path);
    }
}

// ---- the dialog -------------------------------------------------------------------------------

class ExportDialogTest : public DialogTest {
protected:
    void Start(const std::string& baseName) {
        dialog_.fileExists = Existing("/data/trial.CSV");
        dialog_.BaseName = baseName;
        Open(dialog_);
        name_ = dialog_.FindAs<TextBox>("txtName");
        actions_ = dialog_.FindAs<MultiLineTextBox>("txtActions");
        ASSERT_NE(name_, nullptr);
        ASSERT_NE(actions_, nullptr);
    }
    CheckBox* Box(int i) { return dialog_.FindAs<CheckBox>("chkExport", i); }

    FExportName dialog_;
    TextBox* name_ = nullptr;
    MultiLineTextBox* actions_ = nullptr;
};

TEST_F(ExportDialogTest, TypingShowsTheTargetsAndEnterAccepts) {
    AppOptions(opt::kExportFormats) = Flags(true, false, true);
    Start("");
    EXPECT_EQ(name_->Text(), "Untitled");
    Retype("trial.csv");
    EXPECT_EQ(actions_->toPlainText().toStdString(),
              "File for Excel will be written to:\n/data/trial.CSV\n (File already exists and will be overwritten)\n\n"
              "File for Excel,Systat will be written to:\n/data/trial.TXT\n\n");
    Key(Qt::Key_Return);
    EXPECT_EQ(dialog_.TargetPaths, "/data/trial.CSV|/data/trial.TXT");
    EXPECT_EQ(dialog_.BaseName, "trial.csv");
    EXPECT_TRUE(MKelvaro::ArraysEqual(AppOptions(opt::kExportFormats), Flags(true, false, true)));
}

TEST_F(ExportDialogTest, EscSkipsTheExportAndGivesBackTheCallersName) {
    AppOptions(opt::kExportFormats) = Flags(true, true, false);
    Start("given");
    Retype("typed");
    EXPECT_EQ(dialog_.BaseName, "typed") << "accepted while typing";
    Key(Qt::Key_Escape);
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(dialog_.BaseName, "given");
    EXPECT_EQ(dialog_.TargetPaths, "");
    EXPECT_TRUE(MKelvaro::ArraysEqual(AppOptions(opt::kExportFormats), Flags(true, true, false)));
}

TEST_F(ExportDialogTest, OkWithNoBoxTickedStoresThreeFalseAndNoPaths) {
    AppOptions(opt::kExportFormats) = Variant::List({Variant(true), Variant(false)});
    Start("given");
    EXPECT_EQ(Box(0)->Value(), 1) << "a short item 12 ticks the boxes it covers";
    EXPECT_EQ(Box(2)->Value(), 0);
    QTest::mouseClick(Box(0), Qt::LeftButton);
    EXPECT_EQ(actions_->Text(), "");
    QTest::mouseClick(dialog_.FindAs<CommandButton>("cmdButton", 0), Qt::LeftButton);
    EXPECT_EQ(dialog_.TargetPaths, "");
    EXPECT_EQ(dialog_.BaseName, "given");
    EXPECT_TRUE(MKelvaro::ArraysEqual(AppOptions(opt::kExportFormats), Flags(false, false, false)));
}

TEST_F(ExportDialogTest, TheCloseBoxKeepsThePathsOfTheLastUpdate) {
    AppOptions(opt::kExportFormats) = Flags(false, true, false);
    Start("given");
    Retype("run7");
    dialog_.close();
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(dialog_.TargetPaths, "/data/run7.SAM");
    EXPECT_EQ(dialog_.BaseName, "run7");
    EXPECT_TRUE(MKelvaro::ArraysEqual(AppOptions(opt::kExportFormats), Flags(false, true, false)));
}

TEST_F(ExportDialogTest, AnEmptyExportFolderBecomesTheProgramFolder) {
    const AppFacts saved = App();
    SetAppPath("/opt/nuvir");
    ExportPath.clear();
    AppOptions(opt::kExportFormats) = Flags(true, false, false);
    Start("a");
    EXPECT_EQ(ExportPath, "/opt/nuvir");
    EXPECT_EQ(dialog_.TargetPaths, "/opt/nuvir/a.CSV");
    SetAppFacts(saved);
}

TEST_F(ExportDialogTest, TheBoxesAreStackedAndCaptionedAndAPictureIsLeft) {
    AppOptions(opt::kExportFormats) = Flags(true, false, true);
    Start("trial.csv");
    const char* captions[] = {"CSV (Excel)", "SAM (SimLab)", "TXT (Excel,Systat)"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Box(i)->Caption(), captions[i]);
        EXPECT_DOUBLE_EQ(Box(i)->Top(), 240 + 300 * i);
        EXPECT_DOUBLE_EQ(Box(i)->Left(), 2220);
    }
    EXPECT_EQ(Box(2)->Tag(), "TXT|Excel,Systat");
    EXPECT_EQ(dialog_.Caption(), "Enter an export file name");
    EXPECT_EQ(dialog_.HelpContextID(), 37);
    Picture(dialog_, "dialogs_exportname.png");
}

}  // namespace
}  // namespace nuvir::test
