// Start-up, the update timers, the layout of the pages, the tab order and shut-down.
#include "mainwindow_fixture.h"

#include <QClipboard>
#include <QTabBar>

#include <functional>
#include <optional>
#include <span>

#include "controls/boxarray.h"
#include "mainwindow/settingsfolder.h"
#include "platform/clipboardowner.h"

namespace nuvir::test {
namespace {

// Housekeeping re-enables the 500 ms chain timer every 200 ms; it must keep counting,
// at its own pace. Told by counting, not by the clock: twenty housekeeping ticks span at
// least 19 x 200 ms, time for four chain ticks however late a busy machine runs both
// (it delays or drops ticks of both alike), while a chain timer that each tick started
// again would have none. None comes early by more than a coarse timer's 5 %, and the
// first may come at once.
TEST_F(MainWindowTest, TheChainTimerKeepsCountingUnderTheHousekeeping) {
    FRiskMain& w = Start();
    int syncs = 0, housekeeping = 0;
    QObject::connect(w.tmrUpdate[1]->Events(), &ControlEvents::Timer, [&] { ++syncs; });
    QObject::connect(w.tmrUpdate[0]->Events(), &ControlEvents::Timer, [&] { ++housekeeping; });
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return syncs >= 4 || housekeeping >= 20; }, 200000));  // a hang guard
    EXPECT_GE(syncs, 4) << housekeeping << " housekeeping ticks";
    EXPECT_GE(clock.elapsed(), 3 * 475);
}

TEST_F(MainWindowTest, StartsOnceWithEveryFolderTheProgramFolder) {
    FRiskMain& w = Start();
    for (const std::string* folder : {&ReportPath, &SavePath, &BatchPath, &ExportPath}) EXPECT_EQ(*folder, dir.str());
    // A second activation (a dialog closed over the window) starts nothing again.
    AppData(item::kSpecies) = Variant("Kept");
    w.FormActivate();
    EXPECT_EQ(Text(item::kSpecies), "Kept");
}

// Each page for review, with its timers and its help topic.
TEST_F(MainWindowTest, EachPageRunsItsTimersAndOpensItsHelpTopic) {
    FRiskMain& w = Start();
    w.mnuHelp[0]->Trigger();
    ASSERT_EQ(services.help.calls.size(), 1u);
    EXPECT_EQ(services.help.calls[0].file, dir.file("PKelvaro3.hlp"));
    struct Case {
        const char* picture;
        int page;
        bool absolute, chainSync, resultsCheck;
        int help;
        const char* topic;
    };
    const Case cases[] = {
        {"ps_and_qs", 0, false, true, false, 5, "Help topic 5: Ps and Qs"},
        {"uncertainty_relative", 1, false, false, false, 9, "Help topic 9: Uncertainty, relative"},
        {"uncertainty_absolute", 1, true, false, false, 10, "Help topic 10: Uncertainty, absolute"},
        {"monte_carlo", 2, true, false, true, 11, "Help topic 11: Monte Carlo"},
        {nullptr, 0, true, true, false, 5, "Help topic 5: Ps and Qs"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.picture ? c.picture : "back to Ps and Qs");
        w.tabMain->SetTab(c.page);
        w.optUncertain[c.absolute ? 1 : 0]->SetValue(true);
        // The real help service, with no help file installed, names the page's topic,
        // from the Help menu at once and for F1 after the housekeeping tick.
        {
            ScopedServices realHelp(ServiceSet{&services.messageBox});
            w.mnuHelp[0]->Trigger();
            w.TimerTick(0);
            QTest::keyClick(&w, Qt::Key_F1);
        }
        const auto& boxes = services.messageBox.calls;
        ASSERT_GE(boxes.size(), 2u);
        EXPECT_EQ(boxes[boxes.size() - 2].text,
                  "No help file is installed: \"" + dir.file("PKelvaro3.hlp") + "\" was not found.\r\n" + c.topic)
            << "the Help menu";
        EXPECT_EQ(boxes.back().text, boxes[boxes.size() - 2].text) << "F1";
        if (c.picture) SavePicture(c.picture);
        EXPECT_EQ(w.tmrUpdate[1]->Running(), c.chainSync);
        EXPECT_EQ(w.tmrUpdate[2]->Running(), c.resultsCheck);
        QTest::keyClick(&w, Qt::Key_F1);
        EXPECT_EQ(services.help.calls.back().context, c.help);
    }
}

// The regression switches are turned from their defaults, so that a file that lacks
// them cannot pass.
TEST_F(MainWindowTest, ShutDownWritesBothSettingsFilesAndSaysNothing) {
    FRiskMain& w = Start();
    ReportPath = "/r";
    SavePath = "/s";
    BatchPath = "/b";
    ExportPath = "/e";
    AppData(item::kSpecies) = Variant("Zebra mussel");
    const bool useConstant = !ItemFlag(AppData, item::kRegUseConstant),
               twoTails = !ItemFlag(AppData, item::kRhoTwoTails);
    AppData(item::kRegUseConstant) = Variant(useConstant);
    AppData(item::kRhoTwoTails) = Variant(twoTails);
    const std::size_t messages = services.messageBox.calls.size();
    EXPECT_TRUE(w.Unload());
    const std::string ini = ReadBytes(dir.file("nuvir.ini"));
    EXPECT_NE(ini.find("Zebra mussel"), std::string::npos);
    EXPECT_NE(ini.find(std::string("Reg Use Constant=") + (useConstant ? "True" : "False")), std::string::npos) << ini;
    EXPECT_NE(ini.find(std::string("Rho Two Tails=") + (twoTails ? "True" : "False")), std::string::npos) << ini;
    const std::string options = ReadBytes(dir.file("nuvirOptions.ini"));
    std::size_t at = 0;
    for (const char* line : {"Report Path=/r", "Save Path=/s", "Batch Path=/b", "Export Path=/e"}) {
        SCOPED_TRACE(line);
        at = options.find(line, at);
        ASSERT_NE(at, std::string::npos);
    }
    EXPECT_EQ(services.messageBox.calls.size(), messages) << "shutting down says nothing";
}

// A close under a file-size limit, row by row from the old file: the file is then
// either the old one, byte for byte, or the whole new one, never a part of it.
struct LimitCase {
    const char* name;
    std::size_t limit;
    bool written;
};
void ExpectOldOrWhole(const std::string& file, const std::string& old, const std::string& whole,
                      std::span<const LimitCase> cases, const std::function<void(rlim_t)>& close) {
    for (const LimitCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(file, old);
        close(c.limit);
        EXPECT_EQ(ReadBytes(file), c.written ? whole : old);
    }
}

// The close writes the program INI in one piece: a file-size limit anywhere short of the
// whole file leaves the old one as it was (its "Rho Two Tails=False" kept for the next
// start), and with room for it every key is written, the two regression options after
// the version. Nothing is said either way.
TEST_F(MainWindowTest, ShutDownUnderASizeLimitKeepsTheOldSettingsOrWritesEveryKey) {
    const std::string ini = dir.file("nuvir.ini");
    auto closeWith = [&](const char* species, std::optional<rlim_t> limit) {
        FRiskMain& w = Start();
        AppData(item::kSpecies) = Variant(species);
        AppData(item::kRhoTwoTails) = Variant(false);
        const std::size_t messages = services.messageBox.calls.size();
        std::optional<FileSizeLimit> held;
        if (limit) held.emplace(*limit);
        EXPECT_TRUE(w.Unload());
        held.reset();
        EXPECT_EQ(services.messageBox.calls.size(), messages) << "the close says nothing";
    };
    closeWith("Zebra mussel", std::nullopt);
    const std::string whole = ReadBytes(ini);
    EXPECT_NE(whole.find("\r\nSoftware Version=3.2\r\nReg Use Constant=False\r\nRho Two Tails=False\r\n"
                         "[Relative Uncertainty]\r\n"),
              std::string::npos)
        << whole;
    std::string old = whole;
    old.replace(old.find("Zebra mussel"), 12, "Old");
    const std::size_t n = whole.size();
    const std::size_t rho = std::string("Rho Two Tails=False\r\n").size();
    const std::size_t reg = std::string("Reg Use Constant=False\r\n").size();
    const LimitCase cases[] = {
        {"room for the assessment alone", n - rho - reg, false},
        {"room for all but the last option", n - rho, false},
        {"one byte short", n - 1, false},
        {"room for every key", n, true},
    };
    ExpectOldOrWhole(ini, old, whole, cases, [&](rlim_t limit) { closeWith("Zebra mussel", limit); });
}

// The options file likewise: its folders and options in one write.
TEST_F(MainWindowTest, ShutDownUnderASizeLimitKeepsTheOldOptionsOrWritesEveryKey) {
    const std::string ini = dir.file("nuvirOptions.ini");
    auto closeWith = [&](const char* folder, std::optional<rlim_t> limit) {
        FRiskMain& w = Start();
        ExportPath = dir.str() + "/" + folder;
        AppOptions(opt::kDecimals) = Variant(std::int16_t{3});
        std::optional<FileSizeLimit> held;
        if (limit) held.emplace(*limit);
        EXPECT_TRUE(w.Unload());
    };
    ASSERT_TRUE(std::filesystem::create_directory(dir.file("exports")));
    closeWith("exports", std::nullopt);
    const std::string whole = ReadBytes(ini);
    // The export folder is the last key the close writes, though it lands in the first
    // section; the decimals come from the options in the middle.
    ASSERT_NE(whole.find("Export Path=" + dir.str() + "/exports\r\n[App Colours]"), std::string::npos) << whole;
    ASSERT_NE(whole.find("Probability Decimal Places=3\r\n"), std::string::npos) << whole;
    // An older file, without the export folder: every write before the last one fits
    // where the whole does not.
    const std::string exportLine = "Export Path=" + dir.str() + "/exports\r\n";
    std::string old = whole;
    old.replace(old.find("Probability Decimal Places=3"), 28, "Probability Decimal Places=1");
    old.erase(old.find(exportLine), exportLine.size());
    const std::size_t n = whole.size();
    const LimitCase cases[] = {
        {"room for the older file", old.size(), false},
        {"room for all but the export folder", n - exportLine.size() + 1, false},
        {"one byte short", n - 1, false},
        {"room for every key", n, true},
    };
    ExpectOldOrWhole(ini, old, whole, cases, [&](rlim_t limit) { closeWith("exports", limit); });
}

// The start-up's layout (which no resize follows on every platform) lays the result
// plots out with the pages, from their design height, taller than the page.
TEST_F(MainWindowTest, TheResultPlotsFitTheirPageAtStartUp) {
    MainWindowParts parts;
    parts.makeResults = [](FRiskMain& main) { return std::make_unique<WindowResults>(main); };
    FRiskMain& w = Start(std::move(parts));
    for (QtPictureBox* plot : w.picMonte) plot->SetHeight(5500);
    w.ApplyAppDataToControls();
    for (std::size_t i = 0; i < w.picMonte.size(); ++i) {
        SCOPED_TRACE(i);
        QtPictureBox* plot = w.picMonte[i];
        EXPECT_LE(plot->Top() + plot->Height(), plot->Container()->Height());
    }
}

TEST_F(MainWindowTest, TheChainFitsItsShape) {
    FRiskMain& w = Start();
    QtPictureBox* pic = w.picChainContainer;
    Control* page = pic->Container();
    // The page is 11640 x about 7600. A chain 3000 wide and 1000 high is wider than
    // that: the width decides (W = 11640 - 60 - 60 = 11520 gives 3840 high).
    w.ChainSize = {0, 1000, 3000, 0};
    w.FitChainToContainer();
    EXPECT_NEAR(pic->Width(), page->Width() - 120, 15);
    EXPECT_NEAR(w.Chain().ScaleFactor(), 0.98 * (page->Width() - 120) / 3 / 1000, 0.01);
    EXPECT_NEAR(pic->Height(), page->Height() - pic->Top(), 15);
    // One 10 high for 1 wide: the height decides.
    w.ChainSize = {0, 10000, 1000, 0};
    w.FitChainToContainer();
    const double h = page->Height() - pic->Top() - 60;
    EXPECT_NEAR(pic->Width(), h / 10, 15);
    EXPECT_NEAR(w.Chain().ScaleFactor(), 0.98 * h / 10000, 0.001);
    EXPECT_NEAR(pic->Height(), page->Height() - pic->Top(), 15);
}

// Shrinking keeps the start-up size; enlarging grows the pages.
TEST_F(MainWindowTest, ThePagesGrowWithTheWindowButNeverShrinkBelowTheStartUpSize) {
    FRiskMain& w = Start();
    const double tabW = w.tabMain->Width(), tabH = w.tabMain->Height();
    const double subW = w.tabAbsolute->Width();
    w.SetWidth(9000);
    w.SetHeight(7000);
    Settle();
    EXPECT_EQ(w.tabMain->Width(), tabW);
    EXPECT_EQ(w.tabMain->Height(), tabH);
    w.SetWidth(12000 + 1500);
    w.SetHeight(9000 + 900);
    Settle();
    EXPECT_NEAR(w.tabMain->Width(), tabW + 1500, 15);
    EXPECT_NEAR(w.tabMain->Height(), tabH + 900, 15);
    EXPECT_NEAR(w.tabAbsolute->Width(), subW + 1500, 15);
    EXPECT_NEAR(w.tabSimulationGraphs->Width(), w.picContainer[2]->Width(), 1);
    // Shrinking after enlarging goes back to the start-up size, not to the large one.
    w.SetWidth(9000);
    w.SetHeight(7000);
    Settle();
    EXPECT_EQ(w.tabMain->Width(), tabW);
    EXPECT_EQ(w.tabMain->Height(), tabH);
}

TEST_F(MainWindowTest, AMinimisedWindowLaysNothingOut) {
    FRiskMain& w = Start();
    const int before = w.LayoutCount();
    w.setWindowState(Qt::WindowMinimized);
    w.FormResize();
    EXPECT_EQ(w.LayoutCount(), before);
    w.setWindowState(Qt::WindowNoState);
    w.FormResize();
    EXPECT_EQ(w.LayoutCount(), before + 1);
}

// The totals hang below the last stage: on a short page they stay whole, with the
// page's background under them.
TEST_F(MainWindowTest, TheChainsTotalsStayOnTheirPageAtEveryWindowSize) {
    struct Case {
        const char* name;
        int width, height;
    };  // pixels
    const Case cases[] = {{"800x600", 800, 600},   {"1100x700", 1100, 700},   {"1200x700", 1200, 700},
                          {"1280x800", 1280, 800}, {"1600x1000", 1600, 1000}, {"1920x1080", 1920, 1080}};
    FRiskMain& w = Start();
    const QColor risk = ColourToQColor(CLng(AppOptions(opt::kColourOval)));
    const QColor cost = ColourToQColor(CLng(AppOptions(opt::kColourFixedCost)));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        w.SetWidth(c.width * metrics.twipsPerPixelX);
        w.SetHeight(c.height * metrics.twipsPerPixelY);
        Settle();
        const QImage image = w.picChainContainer->Image();
        int lowestOval = -1;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor p = image.pixelColor(x, y);
                if (p == risk || p == cost) lowestOval = y;
            }
        }
        EXPECT_GE(lowestOval, 0) << "the totals are drawn";
        EXPECT_LT(lowestOval, image.height() - 2) << "background under the totals";
        if (c.width == 1200) SavePicture("chain_1200x700");
    }
}

TEST_F(MainWindowTest, TabIndexesFollowThePageAndTheUncertaintyView) {
    FRiskMain& w = Start();
    auto index = [&](const std::string& name) { return w.Find(name)->TabIndex(); };
    // The relative view with five levels: the button, the grid by rows, the sliders.
    w.updNumLevels->SetValue(5);
    w.SetPageTabOrder(1);
    EXPECT_EQ(w.cmdButton[2]->TabIndex(), 1);
    EXPECT_EQ(index("chkArray1_3_2"), 2 + 5 * 3 + 2);
    EXPECT_EQ(w.vscRelUnc[4]->TabIndex(), 71);

    // The absolute view: the editors of p1..I5, then of F1..F4, three controls each.
    w.tabMain->SetTab(1);
    w.optUncertain[1]->SetValue(true);
    EXPECT_EQ(index("uncElemCboDt1"), 2);
    EXPECT_EQ(index("uncElemSlider9"), 28);
    w.tabAbsolute->SetTab(1);
    EXPECT_EQ(index("uncElemCboDt10"), 2);
    EXPECT_EQ(index("uncElemSlider13"), 13);
    EXPECT_NE(w.DumpTabStops().find("tabAbsolute//True/1\n"), std::string::npos);
}

TEST_F(MainWindowTest, TabWalksOnlyTheMonteCarloPage) {
    FRiskMain& w = Start();
    w.activateWindow();
    w.tabMain->SetTab(2);
    Settle();
    w.txtTextBox[2]->SetFocus();
    Settle();
    // Report waits for a run.
    const QWidget* expected[] = {w.cboConfidence, w.cmdButton[0],   w.tabSimulationGraphs->Bar(),
                                 w.cmdButton[3],  w.tabMain->Bar(), w.txtTextBox[2]};
    for (const QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        Settle();
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
}

TEST_F(MainWindowTest, AProgramFolderThatRefusesFilesSendsTheSettingsElsewhere) {
    auto refuse = [](const std::string&) { return false; };
    auto accept = [](const std::string&) { return true; };
    struct Case {
        const char* name;
        std::string xdg;
        bool writable;
        std::string settings, documents;
    };
    const Case cases[] = {
        {"writable program folder", "", true, "/opt/nuvir", "/opt/nuvir"},
        {"read-only, XDG set", "/cfg", false, "/cfg/nuvir", "/home/ann"},
        {"read-only, XDG unset", "", false, "/home/ann/.config/nuvir", "/home/ann"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramFolders f = ChooseProgramFolders("/opt/nuvir", c.xdg, "/home/ann", c.writable ? accept : refuse);
        EXPECT_EQ(f.settings, c.settings);
        EXPECT_EQ(f.documents, c.documents);
    }
    EXPECT_TRUE(FolderAcceptsFiles(dir.str()));
    EXPECT_FALSE(FolderAcceptsFiles(dir.str() + "/missing"));
}

TEST_F(MainWindowTest, AnUnwritableProgramFolderShutsDownQuietly) {
    SetAppPath(dir.str() + "/no/such/folder");
    FRiskMain& w = Start();
    EXPECT_TRUE(w.Unload());
    EXPECT_TRUE(services.messageBox.calls.empty());
}

TEST_F(MainWindowTest, AFolderSettingNamingAFileOrNothingFallsBackToTheFolderOfferedAtFirst) {
    WriteFile("notes.txt", "x");
    std::filesystem::create_directory(dir.file("batches"));
    WriteFile("nuvirOptions.ini", "[App Defaults]\r\nSave Path=" + dir.file("notes.txt") + "\r\nReport Path=" +
                                      dir.file("gone") + "\r\nBatch Path=" + dir.file("batches") + "\r\n");
    FRiskMain& w = Start();
    EXPECT_EQ(SavePath, dir.str());
    EXPECT_EQ(ReportPath, dir.str());
    EXPECT_EQ(BatchPath, dir.file("batches"));
    files.QueueAnswer(dir.file("kept.raf"));
    w.FileMenuClick(2);
    ASSERT_EQ(files.requests.size(), 1u);
    EXPECT_EQ(files.requests[0].directory, dir.str());
    EXPECT_TRUE(services.messageBox.calls.empty());
    EXPECT_EQ(w.StateFileName, dir.file("kept.raf"));
}

TEST_F(MainWindowTest, ShutDownEmptiesTheClipboardOnlyWhenItHoldsWhatThisProgramPutThere) {
    struct Case {
        const char* name;
        bool owned;
        const char* left;
    };
    const Case cases[] = {{"another program's", false, "copied elsewhere"}, {"this program's", true, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetClipboardOwnerQuery([&c] { return c.owned; });
        FRiskMain& w = Start();
        QApplication::clipboard()->setText("copied elsewhere");
        EXPECT_TRUE(w.Unload());
        EXPECT_EQ(QApplication::clipboard()->text().toStdString(), c.left);
        win.reset();
    }
    SetClipboardOwnerQuery({});
}

// A chain that fails to take the first data it is given, as the display of a value too
// large for it once did.
class FailingChain : public NoChain {
public:
    void SetData(const Variant& data) override {
        if (!failed_) {
            failed_ = true;
            RaiseOverflow();
        }
        NoChain::SetData(data);
    }

private:
    bool failed_ = false;
};

TEST_F(MainWindowTest, TheLargestDoubleInTheProgramSettingsOrAnOpenedFileStartsAndShowsItsFullText) {
    const std::string top = "[Primary Data]\r\nI1=1.7976931348623157e308\r\n";
    struct Case {
        const char* name;
        const char* settings;
        const char* opened;
        bool failingChain;
        const char* message;
    };
    const Case cases[] = {
        {"in nuvir.ini", "nuvir.ini", nullptr, false, nullptr},
        {"in an opened file", "other.ini", "top.raf", false, nullptr},
        {"a fill that fails still starts, once", "nuvir.ini", nullptr, true,
         "The value of I1 (1.79769313486232E+308) could not be shown (Overflow)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(c.settings, top);
        MainWindowParts parts;
        if (c.failingChain)
            parts.makeChain = [] { return std::unique_ptr<ChainPort>(std::make_unique<FailingChain>()); };
        FRiskMain& w = Start(std::move(parts));
        if (c.opened) {
            WriteFile(c.opened, top);
            Open(c.opened);
        }
        EXPECT_EQ(Item(item::PointValue(item::kI1)), std::numeric_limits<double>::max());
        // The chain timer's round writes the grid's captions, as it did once a second before.
        w.TimerTick(1);
        w.FormActivate();
        if (c.message) {
            ASSERT_EQ(services.messageBox.calls.size(), 1u);
            EXPECT_EQ(services.messageBox.calls[0].text, c.message);
            EXPECT_EQ(services.messageBox.calls[0].title, "NUVIR");
            EXPECT_TRUE(w.tmrUpdate[0]->Running());
        } else {
            EXPECT_TRUE(services.messageBox.calls.empty());
            EXPECT_EQ(CStr(w.CheckboxArray()->RowSet()(item::kI1)), "I1:    1.79769313486232E+308");
            SavePicture(std::string("largest_double_") + (c.opened ? "opened" : "settings"));
            // Every page shows it without a message, the editors' as well.
            for (const auto& [page, absolute] : {std::pair{1, false}, std::pair{1, true}, std::pair{2, true}}) {
                w.tabMain->SetTab(page);
                w.optUncertain[absolute ? 1 : 0]->SetValue(true);
                for (int t = 0; t < 3; ++t) w.TimerTick(t);
                Settle();
            }
            EXPECT_TRUE(services.messageBox.calls.empty());
            w.tabMain->SetTab(1);
            SavePicture("largest_double_editors");
        }
        EXPECT_TRUE(w.Unload());
        win.reset();
        services.messageBox.calls.clear();
        std::filesystem::remove(dir.file("nuvir.ini"));
    }
}

}  // namespace
}  // namespace nuvir::test
