// The menus: file commands, edit commands, options, help, batch mode and the About box.
#include "mainwindow_fixture.h"

#include <QClipboard>
#include <QMenu>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

#include "utilities/criticalcorrelation.h"
#include "appdata/ini.h"
#include "batch/batchwindow.h"
#include "controls/boxarray.h"
#include "dialogs/optionsdialog.h"
#include "formdriver.h"
#include "platform/flexgrid.h"
#include "platform/profile.h"
#include "mainwindow/about.h"
#include "mainwindow/windowchain.h"
#include "mainwindow/windowuncertainty.h"

namespace nuvir::test {
namespace {

// The failure the tests inject into a handler.
[[noreturn]] void Overflow() { RaiseError(6, "Overflow"); }

TEST(DefaultStateFileName, NamesFromSpeciesAndLocation) {
    struct Case {
        const char* name;
        std::string species, location, expected;
    };
    const Case cases[] = {
        {"no location", "Zebra mussel", "", "Zebra_muss"},
        {"no species", "", "North Pond", "_North_Pond"},
        {"neither", "", "", ""},
        {"a slash stays in the folder", "a/b", "c", "a_b_c"},
        {"characters, not bytes", "Ærø ærø ærø", "", "Ærø_ærø_ær"},
        // C1 is UTF-8 C2 80 to C2 9F; U+00A0 (C2 A0) is none.
        {"control characters as blanks",
         std::string("a\tb\x01"
                     "c\x7f"
                     "d\xC2\x85"
                     "e\0f",
                     12),
         "g\r\nh", "a_b_c_d_e__g__h"},
        {"a C1 character is one character",
         [] {
             std::string eleven;
             for (int i = 0; i < 11; ++i) eleven += "\xC2\x9F";
             return eleven;
         }(),
         "", "__________"},
        {"a no-break space is no control",
         "a\xC2\xA0"
         "b",
         "",
         "a\xC2\xA0"
         "b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Variant data = Variant::MakeArray(VarType::Generic, {Bounds{0, 79}});
        data(0) = Variant(c.species);
        data(1) = Variant(c.location);
        EXPECT_EQ(DefaultStateFileName(data), c.expected);
    }
}

// Program settings of five trials thousand, five levels and a category table for I1.
class SettingsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        WriteFile("nuvir.ini",
                  "[App Defaults]\r\nN Trials=5000\r\nNum Rel Unc Categories=5\r\n"
                  "[Primary Cat Data]\r\nI1=1,2,3,4,5,0.2,0.2,0.2,0.2,0.2\r\n");
        Start();
    }
    // Species, location, trials and confidence typed, then saved as pond.raf.
    void TypeAndSave() {
        Type(win->txtTextBox[0], "Zebra mussel");
        Type(win->txtTextBox[1], "North Pond");
        win->tabMain->SetTab(2);
        Type(win->txtTextBox[2], "1e6");
        win->cboConfidence->SetListIndex(2);
        files.QueueAnswer(dir.file("pond.raf"));
        win->FileMenuClick(2);
    }
};

TEST_F(SettingsTest, SettingsSurviveStartUp) {
    const Variant settings = LoadAppData(dir.file("nuvir.ini"), true, Variant());
    EXPECT_EQ(win->CheckboxArray()->Cols(), 5);
    ASSERT_TRUE(settings(item::CategoryTable(item::kI1)).isArray());
    for (int i = 69; i <= 77; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(AppData(i).get().isArray(), settings(i).isArray());
        if (settings(i).isArray()) {
            EXPECT_TRUE(MKelvaro::ArraysEqual(AppData(i), settings(i)));
        }
    }
}

TEST_F(SettingsTest, AnEntryIsStoredAsTypedBeforeItsBoxIsLeft) {
    TextBox* species = win->txtTextBox[0];
    Enter(species, "Zebra mussel");
    EXPECT_EQ(Text(item::kSpecies), "Zebra mussel");
    QTest::keyClick(species, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), win->txtTextBox[1]);
}

TEST_F(SettingsTest, AFillFromTheProgramWritesNothing) {
    win->txtTextBox[2]->SetText("7");
    win->txtTextBox[0]->SetText("Other");
    EXPECT_EQ(Text(item::kSpecies), "New Species");
    EXPECT_EQ(Item(item::kTrials), 5000);
}

// A name no file could keep whole is refused in its box, typed or pasted, with a
// message: the box and the data keep the name they had. 40,000 characters pass a line
// edit's usual 32,767, which would have cut them before the count.
TEST_F(SettingsTest, ANameLongerThanAFileKeepsIsRefusedInItsBox) {
    struct Case {
        const char* name;
        int box;
        std::string paste, typed, kept, message;
    };
    const std::string s4095(4095, 's');
    const std::string refused = " characters is longer than the 4095 a name can have.";
    const Case cases[] = {
        {"4095 characters pasted", 0, s4095, "", s4095, ""},
        {"a 4096th character typed", 0, s4095, "x", s4095, "The change was not made: a species name of 4096" + refused},
        {"5000 characters pasted into the location", 1, std::string(5000, 'l'), "", "New Location",
         "The change was not made: a location name of 5000" + refused},
        {"40,000 characters pasted", 0, std::string(40000, 'f'), "", "New Species",
         "The change was not made: a species name of 40000" + refused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppData(item::kSpecies) = Variant("New Species");
        AppData(item::kLocation) = Variant("New Location");
        TextBox* box = win->txtTextBox[c.box];
        box->SetText(CStr(AppData(c.box)));
        services.messageBox.calls.clear();
        box->SetFocus();
        Settle();
        QApplication::clipboard()->setText(QString::fromStdString(c.paste));
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        if (!c.typed.empty()) QTest::keyClicks(box, QString::fromStdString(c.typed));
        EXPECT_EQ(CStr(AppData(c.box)), c.kept);
        EXPECT_EQ(box->Text(), c.kept);
        if (c.message.empty()) {
            EXPECT_TRUE(services.messageBox.calls.empty());
        } else {
            ASSERT_EQ(services.messageBox.calls.size(), 1u);
            EXPECT_EQ(services.messageBox.calls[0].text, c.message);
        }
        QTest::keyClick(box, Qt::Key_Tab);
    }
}

// The trials store the limited number while typed and show it when left; letters keep it.
TEST_F(SettingsTest, TheTrialsAreLimitedWhenTypedAndShownWhenLeft) {
    TextBox* trials = win->txtTextBox[2];
    win->tabMain->SetTab(2);
    Enter(trials, "1e6");
    EXPECT_EQ(Item(item::kTrials), 100000);
    EXPECT_EQ(trials->Text(), "1e6");
    Type(trials, "abc");
    EXPECT_EQ(trials->Text(), "100000");
}

TEST_F(SettingsTest, SaveOfANewAssessmentOffersItsDefaultNameInTheSaveFolder) {
    TypeAndSave();
    ASSERT_EQ(files.requests.size(), 1u);
    EXPECT_EQ(files.requests[0].fileName, "Zebra_muss_North_Pond.raf");
    EXPECT_EQ(files.requests[0].directory, dir.str());
    EXPECT_TRUE(files.requests[0].overwritePrompt);
    win->TimerTick(0);
    EXPECT_EQ(win->Caption(), "NUVIR [pond.raf]");
}

TEST_F(SettingsTest, NewTakesTheTrialsAndLevelsFromTheSettings) {
    TypeAndSave();
    win->FileMenuClick(0);
    EXPECT_EQ(Text(item::kSpecies), "New Species");
    EXPECT_EQ(Item(item::kTrials), 5000);
    EXPECT_EQ(Item(item::kNumRelUncLevels), 5);
    EXPECT_EQ(win->tabMain->Tab(), 0);
    win->TimerTick(0);
    EXPECT_EQ(win->Caption(), "NUVIR");
}

TEST_F(SettingsTest, OpenGivesBackWhatWasSaved) {
    TypeAndSave();
    win->FileMenuClick(0);
    Open("pond.raf");
    // Each item's round trip is the file tests' business; here what was typed comes back.
    EXPECT_EQ(win->txtTextBox[0]->Text(), "Zebra mussel");
    EXPECT_EQ(Text(item::kLocation), "North Pond");
    EXPECT_EQ(Item(item::kTrials), 100000);
    EXPECT_EQ(Item(item::kConfidenceChoice), 2);
}

// Save of an opened file asks for nothing; Save As offers its name, and one that fails
// reports it, leaves the old file whole and keeps the name.
TEST_F(SettingsTest, SaveOfAnOpenedFileAsksNothingAndAFailedSaveAsKeepsTheOldFile) {
    TypeAndSave();
    win->FileMenuClick(2);
    EXPECT_EQ(files.requests.size(), 1u);
    WriteFile("locked.raf", "old");
    std::filesystem::permissions(dir.file("locked.raf"), std::filesystem::perms::owner_read);
    files.QueueAnswer(dir.file("locked.raf"));
    win->FileMenuClick(3);
    EXPECT_EQ(files.requests.back().fileName, "pond.raf");
    EXPECT_EQ(services.messageBox.calls.size(), 1u);
    EXPECT_EQ(ReadBytes(dir.file("locked.raf")), "old");
    EXPECT_EQ(win->StateFileName, dir.file("pond.raf"));
    EXPECT_TRUE(win->tmrUpdate[0]->Running());
}

TEST_F(MainWindowTest, AGarbageFileOpensWithDefaultsForWhatItLacks) {
    Start();
    WriteFile("junk.raf", "[App Defaults]\r\nSpecies=Carp\r\n\x01\x02\xff\n[[[\n=");
    Open("junk.raf");
    EXPECT_EQ(Text(item::kSpecies), "Carp");
    EXPECT_EQ(Text(item::kLocation), "New Location");
    EXPECT_TRUE(services.messageBox.calls.empty());
}

// A cancel, a folder, a file one byte over what the loader reads and a camera's raw
// image (3 MB with no section of an assessment) change nothing, and Save goes to the
// file last opened.
TEST_F(MainWindowTest, ARefusedOpenChangesNothingAndSaveGoesToTheFileLastOpened) {
    FRiskMain& w = Start();
    WriteFile("junk.raf", "[App Defaults]\r\nSpecies=Carp\r\n");
    Open("junk.raf");
    const std::string savePath = SavePath;
    AppData(item::kLocation) = Variant("Edited");
    files.QueueCancel();
    w.FileMenuClick(1);
    std::filesystem::create_directory(dir.file("folder.raf"));
    Open("folder.raf");
    const std::string big = dir.file("big.raf");
    WriteFile("big.raf", "");
    std::filesystem::resize_file(big, (16u << 20) + 1);
    Open("big.raf");
    std::mt19937 bytes(38);
    std::string raw(3u << 20, '\0');
    for (char& b : raw) b = static_cast<char>(bytes());
    WriteFile("X.RAF", raw);
    Open("X.RAF");
    ASSERT_EQ(services.messageBox.calls.size(), 3u);
    EXPECT_EQ(services.messageBox.calls[1].text, "The file " + big + " is not an assessment file.");
    EXPECT_EQ(services.messageBox.calls[2].text, "The file " + dir.file("X.RAF") + " is not an assessment file.");
    EXPECT_EQ(Text(item::kLocation), "Edited");
    EXPECT_EQ(SavePath, savePath);
    w.FileMenuClick(2);
    EXPECT_EQ(files.requests.size(), 5u);
    EXPECT_EQ(std::filesystem::file_size(big), (16u << 20) + 1);
    EXPECT_EQ(ReadBytes(dir.file("X.RAF")), raw);
    EXPECT_NE(ReadBytes(dir.file("junk.raf")).find("Location=Edited"), std::string::npos);
}

// Another copy holding an assessment's lock as a writer does (its own process, the lock
// on the file itself): once the wait is over, Open says so, keeps what is shown and its
// name, and opens the file once the lock is let go.
class OtherCopy {
public:
    explicit OtherCopy(const std::string& file) {
        if (::pipe(held_) != 0 || ::pipe(go_) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(go_[1]);
            const int fd = ::open(file.c_str(), O_RDONLY);
            char c = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
            [[maybe_unused]] const auto w = ::write(held_[1], &c, 1);
            [[maybe_unused]] const auto r = ::read(go_[0], &c, 1);  // until told to let go
            ::_exit(0);
        }
        char c = 0;
        holds_ = ::read(held_[0], &c, 1) == 1 && c == 'y';
    }
    ~OtherCopy() { LetGo(); }
    OtherCopy(const OtherCopy&) = delete;
    OtherCopy& operator=(const OtherCopy&) = delete;
    bool Holds() const { return holds_; }
    void LetGo() {
        if (pid_ <= 0) return;
        ::close(go_[1]);
        ::waitpid(std::exchange(pid_, -1), nullptr, 0);
    }

private:
    int held_[2] = {-1, -1}, go_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool holds_ = false;
};

TEST_F(MainWindowTest, AnOpenOfAFileAnotherCopyHoldsSaysSoAndChangesNothing) {
    Start();
    const std::string file = dir.file("held.raf");
    WriteFile("held.raf", "[App Defaults]\r\nSpecies=Carp\r\n");
    OtherCopy other(file);
    ASSERT_TRUE(other.Holds());
    profile::SetLockTimeout(std::chrono::milliseconds(200));
    Open("held.raf");
    profile::SetLockTimeout(std::chrono::seconds(5));
    other.LetGo();
    ASSERT_EQ(services.messageBox.calls.size(), 1u);
    EXPECT_EQ(services.messageBox.calls[0].title, "Restore current state from file");
    EXPECT_EQ(services.messageBox.calls[0].text,
              "The file " + file + " is in use by another copy of the program.\r\n\r\nPlease try again.");
    EXPECT_EQ(Text(item::kSpecies), "New Species");
    EXPECT_TRUE(win->StateFileName.empty());
    Open("held.raf");
    EXPECT_EQ(Text(item::kSpecies), "Carp");
    EXPECT_EQ(win->StateFileName, file);
    EXPECT_EQ(services.messageBox.calls.size(), 1u);
}

// What Open looks at is what it loads: one read of the file. A second read after a first
// look gave another copy the moment between them to take the file, and the load then
// failed without a word.
TEST_F(MainWindowTest, OpenLoadsTheReadItLookedAtSoNoCopyCanTakeTheFileBetween) {
    Start();
    const std::string file = dir.file("carp.raf");
    WriteFile("carp.raf", "[App Defaults]\r\nSpecies=Carp\r\n");
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    // Closes watched too: two opens in a row would make one event.
    ASSERT_GE(::inotify_add_watch(watch, file.c_str(), IN_OPEN | IN_CLOSE), 0);
    Open("carp.raf");
    int opens = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            opens += (event->mask & IN_OPEN) != 0 ? 1 : 0;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    ::close(watch);
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(Text(item::kSpecies), "Carp");
    EXPECT_EQ(win->StateFileName, file);
    EXPECT_TRUE(services.messageBox.calls.empty());
}

TEST_F(MainWindowTest, EditMenuFollowsTheActiveControl) {
    MainWindowParts parts;
    FakeResults* results = nullptr;
    parts.makeResults = Capture<ResultsPort>(results);
    FRiskMain& w = Start(std::move(parts));
    QApplication::clipboard()->setText("pasted");
    Settle();
    auto expectMenu = [&](bool copy, bool cut, bool paste) {
        w.UpdateEditMenu();
        ExpectEditMenu(copy, cut, paste);
    };
    TextBox* species = w.txtTextBox[0];
    species->SetFocus();
    // Nothing selected is Keeping.TheHousekeepingTimerFollowsTheSelection's row.
    species->SetSelStart(0);
    species->SetSelLength(3);
    expectMenu(true, true, true);
    w.EditMenuClick(1);
    EXPECT_EQ(QApplication::clipboard()->text(), "New");
    EXPECT_EQ(species->Text(), " Species");
    w.EditMenuClick(2);
    EXPECT_EQ(species->Text(), "New Species");
    EXPECT_EQ(CStr(AppData(item::kSpecies)), "New Species");

    species->SetLocked(true);
    species->SetSelLength(3);
    expectMenu(false, false, false);
    species->SetLocked(false);

    w.picChainContainer->setFocus();
    expectMenu(true, false, false);
    w.EditMenuClick(0);
    EXPECT_FALSE(QApplication::clipboard()->image().isNull());

    w.tabMain->SetTab(2);
    w.picShowSensMeasures->SetVisible(true);
    w.flxShowSensMeasures->setFocus();
    expectMenu(true, false, false);
    w.EditMenuClick(1);
    EXPECT_EQ(results->tableCopies, 1);
}

// Costs hidden in the settings; the options dialog scripted to answer a plot type.
class OptionsMenuTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        WriteFile("nuvirOptions.ini", "[Appearance]\r\nHide Management Options=True\r\n");
        MainWindowParts parts;
        parts.showOptions = [this](FRiskMain&, double plotType) {
            shown.push_back(plotType);
            return OptionsOutcome{answer, changed};
        };
        Start(std::move(parts));
    }
    std::vector<double> shown;
    double answer = 0;
    bool changed = false;
};

// Hidden costs are hidden after the first tick, shown again on request, and hiding
// switches the cost tabs away.
TEST_F(OptionsMenuTest, HiddenCostsSwitchTheCostTabsOffAndAway) {
    FRiskMain& w = *win;
    EXPECT_TRUE(w.mnuOptions[1]->Checked());
    auto expectCostTabs = [&](bool enabled) {
        w.TimerTick(0);
        for (TabControl* tab : {w.tabAbsolute, w.tabSimulationGraphs}) {
            EXPECT_EQ(tab->Tab(), 0);
            EXPECT_EQ(tab->TabEnabled(1), enabled);
        }
    };
    expectCostTabs(false);
    EXPECT_FALSE(w.CheckboxArray()->CheckBoxes()[9][0]->isVisibleTo(w.picUncertainContainer[0]));
    EXPECT_EQ(CStr(w.CheckboxArray()->RowSet()(9)), "");
    w.mnuOptions[1]->Trigger();
    expectCostTabs(true);
    EXPECT_EQ(CStr(w.CheckboxArray()->RowSet()(9)), "F1:    0");
    w.tabAbsolute->SetTab(1);
    w.tabSimulationGraphs->SetTab(1);
    w.mnuOptions[1]->Trigger();
    expectCostTabs(false);
    EXPECT_TRUE(w.picAbsoluteContainer[0]->Visible());
}

TEST_F(OptionsMenuTest, TheCategoricalEntriesCountTheCategoriesAndSwitchTheGridsRows) {
    FRiskMain& w = *win;
    AppData(item::kNumImpactCategories) = Variant(3);
    Q_EMIT w.mnuMain[2]->Menu()->aboutToShow();
    EXPECT_EQ(w.mnuOptions[3]->Caption(), "Categorical &Impacts (3)");
    EXPECT_EQ(w.mnuOptions[4]->Caption(), "Categorical Cos&ts (5)");
    w.mnuOptions[3]->Trigger();
    EXPECT_TRUE(w.mnuOptions[3]->Checked());
    EXPECT_TRUE(CBool(AppData(item::kCategoricalImpacts)));
    EXPECT_FALSE(w.CheckboxArray()->CheckBoxes()[4][0]->isVisibleTo(w.picUncertainContainer[0]));
    EXPECT_TRUE(w.CheckboxArray()->CheckBoxes()[3][0]->isVisibleTo(w.picUncertainContainer[0]));
}

TEST_F(OptionsMenuTest, AnUnchangedManageOnlyRoundsThePlotType) {
    const Variant before = AppData;
    for (const auto& [given, kept] : {std::pair{2.5, 2}, std::pair{3.5, 4}}) {
        SCOPED_TRACE(given);
        answer = given;
        win->OptionsMenuClick(6);
        EXPECT_EQ(win->Results().EditedPlotType(), kept);  // half to even
    }
    EXPECT_EQ(shown, (std::vector<double>{0, 2}));
    EXPECT_EQ(TextOf(AppData(item::kCategoricalImpacts)), TextOf(before(item::kCategoricalImpacts)));
}

TEST_F(OptionsMenuTest, ChangingTheDecimalsRecaptionsTheGrid) {
    changed = true;
    AppOptions(opt::kDecimals) = Variant(3);
    win->SyncChainToAppData();
    AppOptions(opt::kDecimals) = Variant(2);
    win->OptionsMenuClick(6);
    EXPECT_EQ(CStr(win->CheckboxArray()->RowSet()(0)), "p1:    0.50");
    EXPECT_EQ(CStr(win->CheckboxArray()->RowSet()(4)), "I1:    1");
}

// The options dialog's OK has the results redraw their plots, once; Cancel does not.
TEST_F(MainWindowTest, OptionsTakenFromTheDialogRedrawTheResultPlots) {
    bool changed = false;
    MainWindowParts parts;
    FakeResults* results = nullptr;
    parts.makeResults = Capture<ResultsPort>(results);
    parts.showOptions = [&changed](FRiskMain&, double plotType) { return OptionsOutcome{plotType, changed}; };
    FRiskMain& w = Start(std::move(parts));
    w.OptionsMenuClick(6);
    EXPECT_EQ(results->redraws, 0) << "Cancel";
    changed = true;
    w.OptionsMenuClick(6);
    EXPECT_EQ(results->redraws, 1) << "OK";
    EXPECT_TRUE(services.messageBox.calls.empty());
}

TEST_F(MainWindowTest, CategoricalImpactsWithTheLargestDoubleFromTheOptionsAreTakenWhole) {
    MainWindowParts parts;
    // What the options dialog's OK stores: the switch on, every master impact the largest Double.
    parts.showOptions = [](FRiskMain&, double plotType) {
        AppData(item::kCategoricalImpacts) = Variant(true);
        Variant master = Variant::MakeArray(VarType::Double, {Bounds{0, 0}, Bounds{0, 4}});
        for (int j = 0; j < 5; ++j) master(0, j) = Variant(std::numeric_limits<double>::max());
        AppData(item::kMasterImpactCategories) = master;
        return OptionsOutcome{plotType, true};
    };
    FRiskMain& w = Start(std::move(parts));
    w.OptionsMenuClick(6);
    EXPECT_TRUE(services.messageBox.calls.empty());
    EXPECT_TRUE(CBool(AppData(item::kCategoricalImpacts)));
    EXPECT_TRUE(w.mnuOptions[3]->Checked());
    EXPECT_FALSE(w.CheckboxArray()->CheckBoxes()[item::kI1][0]->isVisibleTo(w.picUncertainContainer[0]));
    w.TimerTick(1);
    EXPECT_TRUE(services.messageBox.calls.empty());
    SavePicture("categorical_largest_double");
}

TEST_F(MainWindowTest, ACategoricalSwitchShowsTheMasterTablesMeanInTheEditorsAtOnce) {
    MainWindowParts parts;
    parts.makeChain = [] { return std::make_unique<WindowChain>(); };
    parts.makeUncertainty = [] { return std::make_unique<WindowUncertainty>(); };
    FRiskMain& w = Start(std::move(parts));
    w.tabMain->SetTab(1);
    w.optUncertain[1]->click();
    Settle();
    // Stages conform to the master tables (the default): their means are 6 and 1.4.
    AppData(item::kMasterImpactCategories) = Variant::Doubles({2, 4, 6, 8, 10});
    AppData(item::kMasterCostCategories) = Variant::Doubles({1, 1, 1, 1, 3});
    auto& editors = dynamic_cast<WindowUncertainty&>(w.UncertaintyElements()).Elements();
    struct Case {
        const char* name;
        int menu, id;
        double mean;
    };
    const Case cases[] = {{"impacts: I1", 3, item::kI1, 6}, {"costs: F1", 4, item::kF1, 1.4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        w.mnuOptions[c.menu]->Trigger();
        EXPECT_DOUBLE_EQ(editors.UncertaintyElement(c.id)->Value(), c.mean);
        EXPECT_DOUBLE_EQ(Record(item::Absolute(c.id), 0), c.mean);
    }
}

// The texts composed, the box placed by the window's size, not where it stands.
TEST_F(MainWindowTest, TheAboutBox) {
    FRiskMain& w = Start();
    // The box follows the window's size, not where it stands.
    w.SetLeft(w.Left() + 1500);
    FAbout about;
    about.FormLoad();
    const std::string version = about.Label1[0]->Caption();
    EXPECT_NE(version.find("\r\n\r\nNUVIR  Version 3.2.2"), std::string::npos);
    EXPECT_EQ(version.find('%'), std::string::npos);
    EXPECT_EQ(about.Label1[1]->Caption().rfind("This work may be correctly cited as follows:\r\n\r\n", 0), 0u);
    EXPECT_EQ(about.Label1[2]->Caption().find('~'), std::string::npos);
    EXPECT_DOUBLE_EQ(about.Left(), (w.Width() - about.Width()) / 2);
    EXPECT_DOUBLE_EQ(about.Top(), (w.Height() - about.Height()) / 2);
    about.Show();
    Settle();
    about.grab().save("mainwindow_about.png");
}

// A command that fails says what could not be done, then why, under its window's title.
TEST_F(MainWindowTest, AFailedCommandsMessageNamesTheCommandAndTheErrorUnderItsTitle) {
    struct FailingEditors : NoUncertainty {
        void Render() override {
            if (fail) Overflow();
        }
        bool fail = false;
    };
    struct FailingColours : ColourDialogService {
        std::optional<Colour> ChooseColour(Colour) override { Overflow(); }
    };
    struct BusyFails : BatchHost {
        std::string SerialiseState(std::int32_t) override { return {}; }
        std::string CaptureState() override { return {}; }
        Variant GetAppDataDefaults() override { return {}; }
        void StartBatch() override {}
        void EndBatch() override {}
        bool Busy() override {
            if (fail) Overflow();
            return false;
        }
        std::optional<BatchResult> RunBatchSimulation(const std::string&) override { return {}; }
        bool fail = false;
    };
    FailingColours colours;
    BusyFails host;
    ScopedServices failing(
        ServiceSet{&services.messageBox, &colours, &services.help, &services.viewer, &services.yield});
    FailingEditors* editors = nullptr;
    MainWindowParts parts;
    parts.makeUncertainty = Capture<UncertaintyPort>(editors);
    parts.showOptions = [](FRiskMain&, double) -> OptionsOutcome { Overflow(); };
    FRiskMain& w = Start(std::move(parts));

    struct Case {
        const char* name;
        std::function<void()> drive;
        const char* title;
        const char* action;
    };
    const Case cases[] = {
        {"a menu of the main window", [&] { w.mnuOptions[6]->Trigger(); }, "NUVIR", "Options > Manage"},
        {"a button of the main window",
         [&] {
             w.tabMain->SetTab(1);
             editors->fail = true;
             Click(w.cmdButton[2]);
             editors->fail = false;
         },
         "NUVIR", "Copy Relative To Absolute"},
        {"a button of a dialog",
         [&] {
             FOptions options;
             ShowActive(options);
             Click(options.FindAs<CommandButton>("cmdColours", -1));
         },
         "NUVIR", "Choosing a colour"},
        {"a button of the batch window",
         [&] {
             FBatch batch;
             batch.SetMainWindow(&host, nullptr);
             ShowActive(batch);
             batch.ListBox()->setFocus();
             test::Type("S1");
             // Clear comes on with the window's next look at the list: two ticks of its
             // timer, however late (60 s at most: a hang guard).
             int looks = 0;
             QObject::connect(batch.StateTimer()->Events(), &ControlEvents::Timer, &batch, [&] { ++looks; });
             ASSERT_TRUE(QTest::qWaitFor([&] { return looks >= 2; }, 60000));
             ASSERT_TRUE(batch.Button(2)->isEnabled());
             host.fail = true;
             Click(batch.Button(2));
             host.fail = false;
         },
         "NUVIR Batch Module", "Clear"},
        {"a double click in a table",
         [&] {
             Form form;
             FlexGrid* grid = form.Add<FlexGrid>("flxTest");
             grid->Move(150, 150, 4500, 3000);
             QObject::connect(grid->Events(), &ControlEvents::DblClick, [] { Overflow(); });
             ShowActive(form);
             QTest::mouseDClick(grid->viewport(), Qt::LeftButton);
         },
         "NUVIR", "Double-clicking in the table"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        services.messageBox.calls.clear();
        c.drive();
        ASSERT_EQ(services.messageBox.calls.size(), 1u);
        EXPECT_EQ(services.messageBox.calls[0].title, c.title);
        EXPECT_EQ(services.messageBox.calls[0].text,
                  std::string(c.action) + " could not be completed.\r\n\r\nOverflow");
    }
}

}  // namespace
}  // namespace nuvir::test
