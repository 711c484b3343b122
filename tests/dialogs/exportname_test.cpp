// The export naming dialog: the paths for a name, and the dialog driven by keys and
// clicks (Enter is OK, Esc is Skip Export, the close box keeps the paths).
#include "appdata/appservices.h"
#include "appdata/criticalcorrelation.h"
#include "dialogs/exportname.h"
#include "dialogs_fixture.h"
#include "platform/controls.h"
#include "platform/multilinetextbox.h"

namespace nuvir::test {
namespace {

TEST(ExportActions, ForbiddenCharactersLastExtensionsAndLongPaths) {
    // "/" + folder + "/x.CSV": 7 characters besides the folder; 253 "d" make 260.
    struct Case { std::string name, folder, base, path; };
    const std::string d253(253, 'd'), d252e = std::string(252, 'd') + "\xC3\xA9";
    std::vector<Case> cases = {
        {"empty", "/d", "", ""},
        {"two points", "/d/", "field.survey.txt", "/d/field.survey.CSV"},
        {"a single point", "/d", ".", "/d/.CSV"},
        {"260 characters", "/" + d253, "x", "/" + d253 + "/x.CSV"},
        {"261 characters", "/d" + d253, "x", ""},
        {"260 characters, not bytes", "/" + d252e, "x", "/" + d252e + "/x.CSV"},
    };
    for (char c : std::string("<>|\"\\/:*?\0", 10)) {
        cases.push_back({"code " + std::to_string(c), "/d", "tri" + std::string(1, c) + "al", ""});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UpdateExportActions(c.base, {true, false, false}, c.folder, {}).targetPaths, c.path);
    }
    EXPECT_EQ(UpdateExportActions("tri:al", {true, true, true}, "/d", {}).text,
              "No export will occur (missing or improper file name)");
}

class ExportDialogTest : public DialogTest {
protected:
    void Start(const std::string& baseName, const Variant& formats) {
        AppOptions(opt::kExportFormats) = formats;
        dialog_.fileExists = [](const std::string& p) { return p == ExportPath + "/trial.CSV"; };
        dialog_.BaseName = baseName;
        ShowActive(dialog_);
    }
    CheckBox* Box(int i) { return dialog_.FindAs<CheckBox>("chkExport", i); }

    FExportName dialog_;
};

TEST_F(ExportDialogTest, TypingAndTickingShowTheTargetsAndEnterAccepts) {
    const AppFacts saved = App();
    SetAppPath("/opt/nuvir");
    ExportPath.clear();
    Start("", Variant::List({Variant(true), Variant(false)}));  // a short item 12 ticks the boxes it covers
    EXPECT_EQ(ExportPath, "/opt/nuvir") << "an empty export folder is the program folder";
    auto* name = dialog_.FindAs<TextBox>("txtName");
    EXPECT_EQ(name->Text(), "Untitled");
    Click(Box(2));
    name->SetFocus();
    Retype("trial.csv");
    EXPECT_EQ(dialog_.FindAs<MultiLineTextBox>("txtActions")->Text(),
              "File for Excel will be written to:\r\n/opt/nuvir/trial.CSV\r\n"
              " (File already exists and will be overwritten)\r\n\r\n"
              "File for Excel,Systat will be written to:\r\n/opt/nuvir/trial.TXT\r\n\r\n");
    Picture(dialog_, "dialogs_exportname.png");
    Key(Qt::Key_Return);
    EXPECT_EQ(dialog_.TargetPaths, "/opt/nuvir/trial.CSV|/opt/nuvir/trial.TXT");
    EXPECT_EQ(dialog_.BaseName, "trial.csv");
    EXPECT_TRUE(MKelvaro::ArraysEqual(AppOptions(opt::kExportFormats), Flags(true, false, true)));
    SetAppFacts(saved);
}

TEST_F(ExportDialogTest, EscSkipsTheExportAndGivesBackTheCallersName) {
    Start("given", Flags(true, true, false));
    Retype("typed");
    EXPECT_EQ(dialog_.BaseName, "typed") << "accepted while typing";
    Key(Qt::Key_Escape);
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(dialog_.BaseName + dialog_.TargetPaths, "given");
}

TEST_F(ExportDialogTest, TheCloseBoxKeepsThePathsOfTheLastUpdate) {
    Start("given", Flags(false, true, false));
    Retype("run7");
    dialog_.close();
    EXPECT_EQ(dialog_.TargetPaths, "/data/run7.SAM");
    EXPECT_EQ(dialog_.BaseName, "run7");
}

}  // namespace
}  // namespace nuvir::test
