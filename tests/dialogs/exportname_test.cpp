// The export naming dialog: the paths for a name, and the dialog driven by keys and
// clicks (Enter is OK, Esc is Skip Export, the close box keeps the paths).
#include "appdata/appservices.h"
#include "dialogs/exportname.h"
#include "dialogs_fixture.h"
#include "platform/controls.h"
#include "platform/multilinetextbox.h"
#include "platform/profile.h"
#include "testsupport.h"
#include "utilities/criticalcorrelation.h"

namespace nuvir::test {
namespace {

// A target is refused for a forbidden character or a name or path the system cannot take.
TEST(ExportActions, TargetPathsWithinTheSystemsRules) {
    // "/" + folder + "/x.CSV": 7 bytes besides the folder. A name may take 255 bytes, a
    // path 4095; "\xC3\xA9" is one character in two bytes.
    struct Case {
        std::string name, folder, base, path;
    };
    std::string long4089;  // sixteen folders of 254 bytes and one of 8
    for (int i = 0; i < 16; ++i) long4089 += "/" + std::string(254, 'd');
    long4089 += "/" + std::string(8, 'd');
    const std::string d300(300, 'd');
    const std::string name251(251, 'n'), name250e = std::string(250, 'n') + "\xC3\xA9";
    std::vector<Case> cases = {
        {"empty", "/d", "", ""},
        {"two points", "/d/", "field.survey.txt", "/d/field.survey.CSV"},
        {"a single point", "/d", ".", "/d/.CSV"},
        {"a path of 300 characters", "/" + d300, "x", "/" + d300 + "/x.CSV"},
        {"a path of 4095 bytes", long4089, "x", long4089 + "/x.CSV"},
        {"a path of 4096 bytes", long4089 + "d", "x", ""},
        {"a name of 255 bytes", "/d", name251, "/d/" + name251 + ".CSV"},
        {"a name of 256 bytes", "/d", name251 + "n", ""},
        {"a name of 255 characters in 256 bytes", "/d", name250e, ""},
    };
    for (char c : std::string("<>|\"\\/:*?\0", 10)) {
        cases.push_back({"code " + std::to_string(c), "/d", "tri" + std::string(1, c) + "al", ""});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UpdateExportActions(c.base, {true, false, false}, c.folder, {}).targetPaths, c.path);
    }
}

// "What Will Happen" promises only what is then written: targets of 4087 to 4095
// bytes, whose hidden temporary and lock files beside them have longer paths, are
// written by the writer every export uses.
TEST(ExportActions, EveryTargetPromisedIsWritten) {
    struct Case {
        const char* name;
        std::size_t path;
        std::vector<bool> ticked;
        std::vector<std::string> files;
    };
    // "/x.CSV" is 6 bytes; a SAM export also writes "/x_Costs.SAM", 12.
    const Case cases[] = {
        {"CSV and TXT of 4087 bytes", 4087, {true, false, true}, {"x.CSV", "x.TXT"}},
        {"CSV of 4090 bytes", 4090, {true, false, false}, {"x.CSV"}},
        {"CSV of 4095 bytes", 4095, {true, false, false}, {"x.CSV"}},
        {"SAM whose cost file has 4095 bytes", 4095 - 6, {false, true, false}, {"x.SAM", "x_Costs.SAM"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string folder = FolderOfLength(dir, c.path - 6);
        const ExportActions actions = UpdateExportActions("x", c.ticked, folder, {});
        ASSERT_EQ(CountOf(actions.text, "will be written to:"), CountOf(actions.text, "File for"));
        for (const std::string& name : c.files) {
            const std::string path = folder + "/" + name;
            if (!name.ends_with("_Costs.SAM")) {
                EXPECT_NE(actions.targetPaths.find(path), std::string::npos) << "promised";
            }
            profile::AtomicFile file(path);
            EXPECT_TRUE(file.Open() && file.Write("trials\r\n") && file.Commit()) << file.Error();
            EXPECT_EQ(ReadBytes(path), "trials\r\n");
        }
    }
}

// A refused target is named, the others still go; SAM's cost file needs 6 bytes more.
TEST(ExportActions, TheTextNamesEachRefusedTarget) {
    EXPECT_EQ(UpdateExportActions("tri:al", {true, true, true}, "/d", {}).text,
              "No export will occur (missing or improper file name)");
    const std::string name251(251, 'n');
    const std::string name246(246, 'n');
    const ExportActions mixed = UpdateExportActions(name246, {true, true, false}, "/d", {});
    EXPECT_EQ(mixed.text, "File for Excel will be written to:\r\n/d/" + name246 +
                              ".CSV\r\n\r\n"
                              "File for SimLab cannot be written (its name is longer than 255 bytes):\r\n/d/" +
                              name246 + ".SAM\r\n\r\n");
    EXPECT_EQ(mixed.targetPaths, "/d/" + name246 + ".CSV");
    EXPECT_EQ(UpdateExportActions(name251 + "n", {true, false, false}, "/d", {}).text,
              "File for Excel cannot be written (its name is longer than 255 bytes):\r\n/d/" + name251 +
                  "n.CSV\r\n\r\n");
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

// A short item 12 ticks the boxes it covers; an empty export folder is the program's.
struct TypedExport : ExportDialogTest {
    void SetUp() override {
        ExportDialogTest::SetUp();
        saved = App();
        SetAppPath("/opt/nuvir");
        ExportPath.clear();
        Start("", Variant::List({Variant(true), Variant(false)}));
        EXPECT_EQ(ExportPath, "/opt/nuvir");
        EXPECT_EQ(dialog_.FindAs<TextBox>("txtName")->Text(), "Untitled");
        Click(Box(2));
        dialog_.FindAs<TextBox>("txtName")->SetFocus();
        Retype("trial.csv");
    }
    void TearDown() override {
        SetAppFacts(saved);
        ExportDialogTest::TearDown();
    }
    AppFacts saved;
};

TEST_F(TypedExport, TheTargetsFollowTheTypingAndTicking) {
    EXPECT_EQ(dialog_.FindAs<MultiLineTextBox>("txtActions")->Text(),
              "File for Excel will be written to:\r\n/opt/nuvir/trial.CSV\r\n"
              " (File already exists and will be overwritten)\r\n\r\n"
              "File for Excel,Systat will be written to:\r\n/opt/nuvir/trial.TXT\r\n\r\n");
    Picture(dialog_, "dialogs_exportname.png");
}

TEST_F(TypedExport, EnterStoresTheTargets) {
    Key(Qt::Key_Return);
    EXPECT_EQ(dialog_.TargetPaths, "/opt/nuvir/trial.CSV|/opt/nuvir/trial.TXT");
    EXPECT_EQ(dialog_.BaseName, "trial.csv");
    EXPECT_EQ(Texts(AppOptions(opt::kExportFormats)), "True,False,True");
}

TEST_F(ExportDialogTest, EscSkipsTheExportAndGivesBackTheCallersName) {
    Start("given", Flags(true, true, false));
    Retype("typed");
    EXPECT_EQ(dialog_.BaseName, "typed") << "accepted while typing";
    Key(Qt::Key_Escape);
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(dialog_.BaseName, "given");
    EXPECT_EQ(dialog_.TargetPaths, "");
}

TEST_F(ExportDialogTest, TheCloseBoxKeepsThePathsOfTheLastUpdate) {
    Start("given", Flags(false, true, false));
    Retype("run7");
    dialog_.close();
    EXPECT_EQ(dialog_.TargetPaths, "/data/run7.SAM");
    EXPECT_EQ(dialog_.BaseName, "run7");
}

// The proposed name comes selected to be typed over, the caret before it: a name longer
// than the box shows its start.
TEST_F(ExportDialogTest, TheProposedNameShowsFromItsStart) {
    const std::string name = "spread_of_the_green_crab_along_the_coast_in_the_wettest_year";
    Start(name, Flags(true, false, false));
    auto* box = dialog_.FindAs<TextBox>("txtName");
    ASSERT_TRUE(box->hasFocus());
    EXPECT_EQ(box->SelText(), name);
    EXPECT_EQ(box->cursorPosition(), 0);
}

// Tab walks the name, the three format boxes (the two made at run time right after the
// designed one), the actions, Skip Export and OK, and round again; labels take no focus.
TEST_F(ExportDialogTest, TabWalksTheControlsInTheirOrderControlByControl) {
    Start("given", Flags(true, false, true));
    const char* const order[] = {"txtName",    "chkExport0", "chkExport1", "chkExport2",
                                 "txtActions", "cmdButton1", "cmdButton0", "txtName"};
    dialog_.FindAs<TextBox>("txtName")->SetFocus();
    for (const char* expected : order) {
        const Control* c = Control::Of(Focus());
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->Name() + (c->Index() >= 0 ? std::to_string(c->Index()) : ""), expected);
        Key(Qt::Key_Tab);
    }
}

}  // namespace
}  // namespace nuvir::test
