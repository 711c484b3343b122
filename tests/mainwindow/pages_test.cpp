// The pages of the window: the chain on "Ps and Qs", the inputs, the level sliders and
// grid of the relative-uncertainty page, Copy Relative To Absolute, filling the window,
// and Run and Report on the "Monte Carlo" page with the commands that wait for a run.
#include "mainwindow_fixture.h"

#include <QClipboard>
#include <QImage>

#include <array>
#include <cmath>
#include <tuple>

#include "appdata/ini.h"
#include "controls/boxarray.h"
#include "mainwindow/pagerules.h"
#include "platform/multilinetextbox.h"

namespace nuvir::test {
namespace {

TEST(PageRules, TrialsAndLevelTextsGiveTheNumberStoredOrNothing) {
    struct Case {
        const char* name;
        const char* text;
        std::optional<std::int32_t> trials;
    };
    const Case cases[] = {
        {"below the least", "5", 1000},
        {"fraction dropped", "1500.7", 1500},
        {"negative", "-3", 1000},
        {"exponent", "1e6", 100000},
        {"beyond a double", "1e400", 100000},
        {"blanks around", "  2500 ", 2500},
        {"letters", "abc", std::nullopt},
        {"empty", "", std::nullopt},
        {"not a number", "nan", std::nullopt},
        {"infinity", "inf", std::nullopt},
        {"hexadecimal", "&H10", std::nullopt},
        {"half an exponent", "3e", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pagerules::TrialsFromText(c.text), c.trials);
    }
    // Level captions are held to the slider range.
    EXPECT_EQ(pagerules::LevelFromCaption("130%"), 100);
    EXPECT_EQ(pagerules::LevelFromCaption("-5%"), 0);
    EXPECT_EQ(pagerules::LevelFromCaption("30%"), 30);
}

// The sliders, their captions and the levels stored, each level on its own.
void ExpectLevels(FRiskMain& w, std::array<int, 5> v) {
    for (int k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(w.vscRelUnc[k]->Value(), v[k]);
        EXPECT_EQ(CDbl(AppData(item::kLevel0 + k)), v[k]);
        EXPECT_EQ(w.labRelUnc[k]->Caption(), CStr(Variant(v[k])) + "%");
    }
}

TEST_F(MainWindowTest, FillingHoldsSlidersAndChoicesToWhatTheControlsShow) {
    FRiskMain& w = Start();
    AppData(item::kConfidenceChoice) = Variant(7);
    // Any mode but 0 is the absolute view, stored as 1.
    AppData(item::kUncertaintyMode) = Variant(2);
    struct Case {
        const char* name;
        std::array<double, 5> items;
        std::array<int, 5> sliders;
    };
    const Case cases[] = {
        {"out of order and too large", {30, 10, 50, 120, 40}, {30, 30, 50, 100, 100}},
        {"negative first", {-5, 10, 20, 30, 40}, {0, 10, 20, 30, 40}},
        {"half rounds down to even", {0, 12.5, 20, 30, 40}, {0, 12, 20, 30, 40}},
        {"half rounds up to even", {0, 13.5, 20, 30, 40}, {0, 14, 20, 30, 40}},
        {"sliders already there", {30, 10, 50, 120, 40}, {30, 30, 50, 100, 100}},
        {"in order", {10, 30, 50, 70, 70}, {10, 30, 50, 70, 70}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int k = 0; k < 5; ++k) AppData(item::kLevel0 + k) = Variant(c.items[k]);
        w.ApplyAppDataToControls();
        ExpectLevels(w, c.sliders);
    }
    EXPECT_EQ(w.cboConfidence->ListIndex(), 2);
    EXPECT_EQ(Item(item::kConfidenceChoice), 2);
    EXPECT_TRUE(w.optUncertain[1]->Value());
    EXPECT_EQ(Item(item::kUncertaintyMode), 1);
    EXPECT_TRUE(w.picUncertainContainer[1]->Visible());
    EXPECT_EQ(w.labRelUnc[1]->ToolTipText(), "Reasonably certain means plus/minus 30%");
}

TEST_F(MainWindowTest, AFocusedSliderPushesItsNeighbours) {
    FRiskMain& w = Start();
    const int levels[] = {10, 30, 50, 70, 70};
    for (int k = 0; k < 5; ++k) AppData(item::kLevel0 + k) = Variant(levels[k]);
    w.ApplyAppDataToControls();
    w.tabMain->SetTab(1);
    w.vscRelUnc[3]->SetFocus();
    Settle();
    w.vscRelUnc[3]->SetValue(20);
    ExpectLevels(w, {10, 20, 20, 20, 70});
    w.vscRelUnc[1]->SetFocus();
    Settle();
    w.vscRelUnc[1]->SetValue(60);
    ExpectLevels(w, {10, 60, 60, 60, 70});
    // With four levels the hidden fifth slider is pushed too.
    w.vscRelUnc[3]->SetFocus();
    Settle();
    for (int i = 0; i < 2; ++i) QTest::keyClick(w.vscRelUnc[3], Qt::Key_PageDown);
    ExpectLevels(w, {10, 60, 60, 80, 80});
    EXPECT_FALSE(w.vscRelUnc[4]->isVisible());
    // Leaving the slider unmarks it: a set from the program pushes nobody.
    w.cmdButton[2]->SetFocus();
    Settle();
    w.vscRelUnc[2]->SetValue(5);
    ExpectLevels(w, {10, 60, 5, 80, 80});
}

TEST_F(MainWindowTest, LevelsFiveToFourToFiveRebuildTheGridAndKeepTheStoredIndex) {
    FRiskMain& w = Start();
    w.tabMain->SetTab(1);
    Settle();
    auto click = [&](int row, int col) {
        QTest::mouseClick(w.CheckboxArray()->CheckBoxes()[row][col], Qt::LeftButton, {}, QPoint(4, 4));
    };
    // A click stores the box's level, with one check in its row.
    click(5, 0);
    EXPECT_EQ(Record(item::Relative(5), 2), 0);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(CBool(w.CheckboxArray()->CheckArray()(5, c)), c == 0);

    w.updNumLevels->SetValue(5);
    EXPECT_EQ(w.CheckboxArray()->Cols(), 5);
    EXPECT_EQ(w.labRelSliders->Caption(),
              "Use sliders to set the actual risk value associated with each of the 5 risk categories");
    click(2, 4);
    EXPECT_EQ(Record(item::Relative(2), 2), 4);
    w.updNumLevels->Step(-1);
    EXPECT_EQ(Item(item::kNumRelUncLevels), 4);
    EXPECT_EQ(w.CheckboxArray()->Cols(), 4);
    EXPECT_FALSE(w.vscRelUnc[4]->Visible());
    EXPECT_TRUE(CBool(w.CheckboxArray()->CheckArray()(2, 3)));
    EXPECT_EQ(Record(item::Relative(2), 2), 4);
    w.updNumLevels->Step(1);
    EXPECT_TRUE(CBool(w.CheckboxArray()->CheckArray()(2, 4)));
    EXPECT_EQ(w.CheckboxArray()->CheckBoxes()[0][4]->Left() + w.CheckboxArray()->Container()->Left(),
              w.vscRelUnc[4]->Left());
}

TEST_F(MainWindowTest, CopyRelativeToAbsoluteGivesUniformSpreads) {
    MainWindowParts parts;
    FakeEditors* editors = nullptr;
    parts.makeUncertainty = Capture<UncertaintyPort>(editors);
    FRiskMain& w = Start(std::move(parts));
    for (int k = 0; k < 5; ++k) AppData(item::kLevel0 + k) = Variant(10 * (k + 1));  // 10..50
    AppData(item::Absolute(0))(0) = Variant(0.5);
    AppData(item::Relative(0))(2) = Variant(2);  // 30 %
    AppData(item::Absolute(4))(0) = Variant(-2.0);
    AppData(item::Relative(4))(2) = Variant(0);  // 10 %
    AppData(item::Absolute(9))(0) = Variant(0.0);
    // Index 4 with four levels shown: limited to level 3 (40 %), as a run does.
    AppData(item::Relative(1))(2) = Variant(4);
    AppData(item::Absolute(1))(1) = Variant(1.0);
    w.FitUncertaintyElements();  // the editors now show p2 as normal
    const int writesBefore = editors->writes;
    w.cmdButton[2]->SetValue(true);
    EXPECT_DOUBLE_EQ(Record(item::Absolute(0), 2), 0.3 / std::sqrt(12.0));
    EXPECT_DOUBLE_EQ(Record(item::Absolute(4), 2), 0.4 / std::sqrt(12.0));
    EXPECT_DOUBLE_EQ(Record(item::Absolute(9), 2), 0.0);
    EXPECT_DOUBLE_EQ(Record(item::Absolute(1), 2), std::fabs(0.5 * 40 / 50) / std::sqrt(12.0));
    EXPECT_EQ(Record(item::Absolute(1), 1), 0);
    EXPECT_EQ(Record(item::Relative(1), 2), 4);
    EXPECT_EQ(editors->writes, writesBefore);  // the re-render wrote nothing back
    EXPECT_FALSE(w.SuppressDataChanged);
}

// The largest impacts get a finite spread, which a saved file keeps (an Infinity was
// written and read back as 0). Expected deviations in long double, whose range takes
// the product.
TEST_F(MainWindowTest, CopyRelativeToAbsoluteGivesTheLargestImpactsAFiniteSpread) {
    FRiskMain& w = Start();
    for (int k = 0; k < 5; ++k) AppData(item::kLevel0 + k) = Variant(10 * (k + 1));  // 10..50
    struct Case {
        const char* name;
        int id;
        double mean;
        int level;
    };
    const Case cases[] = {
        {"the largest double at 30 %", item::kI1, std::numeric_limits<double>::max(), 2},
        {"1e308 at 10 %", item::kI1 + 1, 1e308, 0},
        {"the largest negative double at 40 %", item::kF1, -std::numeric_limits<double>::max(), 3},
    };
    for (const Case& c : cases) {
        AppData(item::Absolute(c.id))(0) = Variant(c.mean);
        AppData(item::Relative(c.id))(2) = Variant(c.level);
    }
    w.cmdButton[2]->SetValue(true);
    const std::string file = dir.file("largest.raf");
    ASSERT_TRUE(SaveAppData(AppData, file, true));
    const Variant reread = LoadAppData(file, false, AppData);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const long double wide =
            std::fabs(static_cast<long double>(c.mean) * (10 * (c.level + 1)) / 50 / std::sqrt(12.0L));
        EXPECT_DOUBLE_EQ(Record(item::Absolute(c.id), 2), static_cast<double>(wide));
        EXPECT_NEAR(CDbl(reread(item::Absolute(c.id))(2)) / static_cast<double>(wide), 1, 1e-14) << "as saved";
    }
}

// Whatever the editors showed: a.raf has p1 normal with SD 0.2, b.raf uniform with SD 0.05.
TEST_F(MainWindowTest, AnOpenedFileKeepsItsOwnSpreads) {
    MainWindowParts parts;
    FakeEditors* editors = nullptr;
    parts.makeUncertainty = Capture<UncertaintyPort>(editors);
    FRiskMain& w = Start(std::move(parts));
    AppData(item::kUncertaintyMode) = Variant(1);
    for (const auto& [name, code, sd] : {std::tuple{"a.raf", 1.0, 0.2}, std::tuple{"b.raf", 0.0, 0.05}}) {
        AppData(item::Absolute(0))(1) = Variant(code);
        AppData(item::Absolute(0))(2) = Variant(sd);
        ASSERT_TRUE(SaveAppData(AppData, dir.file(name), true));
    }
    w.tabMain->SetTab(1);
    Open("a.raf");
    Open("b.raf");
    EXPECT_EQ(Record(item::Absolute(0), 1), 0);
    EXPECT_DOUBLE_EQ(Record(item::Absolute(0), 2), 0.05);
}

TEST_F(MainWindowTest, AnEditOnTheDiagramReachesTheDataAtOnceWhenThePageIsLeft) {
    FRiskMain& w = Start();
    AppData(item::Relative(2))(1) = Variant(3.0);
    QtPictureBox* pic = w.picChainContainer;
    SavePicture("chain");
    ClickOnDiagram(3, CChainElement::kPartP);
    ASSERT_TRUE(w.txtChainEditBox->Visible());
    EXPECT_EQ(w.txtChainEditBox->Tag(), "1Establishes");
    QTest::keyClicks(w.txtChainEditBox, "0.2");
    // Tab walks on to q3, storing p3 on the way, and Enter stores q3.
    QTest::keyClick(w.txtChainEditBox, Qt::Key_Tab);
    EXPECT_EQ(w.txtChainEditBox->Tag(), "2Establishes");
    QTest::keyClicks(w.txtChainEditBox, "0.6");
    QTest::keyClick(w.txtChainEditBox, Qt::Key_Return);
    Settle();
    // A rejected entry keeps the box open with the focus on the diagram; Tab there moves
    // the edit on as Tab in the box does, and Shift+Tab back.
    struct Step {
        const char* name;
        const char* typed;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        const char* tag;
    };
    const Step steps[] = {{"Tab after a rejected text", "abc", Qt::Key_Tab, {}, "2Establishes"},
                          {"Tab after a rejected q", "1.5", Qt::Key_Tab, {}, "4Establishes"},
                          {"Shift+Tab after a rejected text", "x", Qt::Key_Backtab, Qt::ShiftModifier, "2Establishes"}};
    ClickOnDiagram(3, CChainElement::kPartP);
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        QTest::keyClicks(w.txtChainEditBox, s.typed);
        QTest::keyClick(w.txtChainEditBox, Qt::Key_Return);
        Settle();
        ASSERT_TRUE(w.txtChainEditBox->Visible());
        ASSERT_TRUE(pic->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), s.key, s.mods);
        Settle();
        EXPECT_EQ(w.txtChainEditBox->Tag(), s.tag);
        EXPECT_TRUE(w.txtChainEditBox->hasFocus());
    }
    QTest::keyClick(w.txtChainEditBox, Qt::Key_Return);
    Settle();
    w.tabMain->SetTab(1);
    EXPECT_EQ(Item(item::PointValue(2)), 0.4);
    EXPECT_EQ(Record(item::Relative(2), 0), 0.4);
    EXPECT_EQ(Record(item::Absolute(2), 0), 0.4);
    EXPECT_EQ(Record(item::Relative(2), 1), 3);  // only the value is copied
    EXPECT_DOUBLE_EQ(Item(62), 0.25 * 0.6);
    EXPECT_EQ(CDbl(w.Chain().PointValues()(49)), 0.4);
}

// A run from the Monte Carlo page with the real results and report.
class RunPage : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        MainWindowParts parts;
        parts.makeResults = [](FRiskMain& main) { return std::make_unique<WindowResults>(main); };
        parts.findRtfViewer = [] { return FindRtfViewer(); };
        Start(std::move(parts));
        win->tabMain->SetTab(2);
        Settle();
        win->cmdButton[0]->click();
    }
    void ExpectEditMenuAfterTick(bool copy, bool cut, bool paste) {
        win->TimerTick(0);
        ExpectEditMenu(copy, cut, paste);
    }
};

// The lines' fields and the plots themselves are the results tests' business.
TEST_F(RunPage, ARunShowsItsResults) {
    EXPECT_FALSE(win->txtMonte[0]->Text().empty());
    EXPECT_EQ(win->picMonte[0]->ScaleMode(), scale::User) << "the histogram was drawn";
    win->TimerTick(2);
    EXPECT_TRUE(win->cmdButton[1]->isEnabled());
    EXPECT_FALSE(win->labPicMonte[10]->Visible());
    SavePicture("results_after_run");
}

// The redraw after an options change draws the six plots as the run drew them.
TEST_F(RunPage, TheRedrawAfterAnOptionsChangeDrawsTheSixPlotsAgain) {
    std::array<QImage, 6> drawn;
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        drawn[i] = win->picMonte[i]->Image();
        win->picMonte[i]->Cls();
        ASSERT_NE(win->picMonte[i]->Image(), drawn[i]) << "plot " << i << " was drawn by the run";
    }
    win->Results().RedrawAfterOptionsChange();
    for (std::size_t i = 0; i < drawn.size(); ++i) EXPECT_EQ(win->picMonte[i]->Image(), drawn[i]) << "plot " << i;
}

TEST_F(RunPage, AClickOnADrawnPlotMakesItWhatCopyCopies) {
    QApplication::clipboard()->setText("pasted");
    QTest::mouseClick(win->picMonte[0], Qt::LeftButton);
    ExpectEditMenuAfterTick(true, false, false);
    win->mnuEdit[0]->Trigger();
    const QImage copied = QApplication::clipboard()->image();
    EXPECT_EQ(copied, win->picMonte[0]->Image()) << "the plot's own picture";
    copied.save("mainwindow_copied_plot.png");
}

// Nothing is cut from the result boxes or pasted into them, and the Edit menu stays
// grey there; Ctrl+C still copies what is selected.
TEST_F(RunPage, TheResultBoxesAreLocked) {
    for (int t : {0, 1}) {
        SCOPED_TRACE(t == 0 ? "risk result box" : "cost result box");
        win->tabSimulationGraphs->SetTab(t);
        QApplication::clipboard()->setText("pasted");
        Settle();
        QTest::mouseClick(win->txtMonte[t], Qt::LeftButton);
        QTest::keyClick(win->txtMonte[t], Qt::Key_A, Qt::ControlModifier);
        ExpectEditMenuAfterTick(false, false, false);
        QTest::keyClick(win->txtMonte[t], Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QApplication::clipboard()->text().toStdString(), win->txtMonte[t]->toPlainText().toStdString());
    }
}

TEST_F(RunPage, ReportWritesTheRunsReport) {
    const std::string target = dir.file("report.rtf");
    files.QueueAnswer(target);
    win->cmdButton[1]->click();
    EXPECT_TRUE(services.messageBox.calls.empty());
    ASSERT_EQ(files.requests.size(), 1u);
    EXPECT_EQ(files.requests[0].fileName, "New_Specie_New_Locati.rtf");
    const std::string report = ReadBytes(target);
    EXPECT_EQ(CountOf(report, "\\pngblip"), 7);
    EXPECT_EQ(CountOf(report, "Plot not available"), 0);
}

// A name from another program's file, with NUL, tab, 0x01, DEL, U+0085 (UTF-8 C2 85),
// U+2028 (E2 80 A8) and U+2029 (E2 80 A9) in it, is written with a blank for each, as the
// batch CSV writes it: in the report, in the file Save As writes, and so in what Open
// reads back.
TEST_F(RunPage, AControlCharacterInANameIsABlankInTheReportAndTheSavedFile) {
    const std::string raw(
        "A\0B\tC\x01"
        "D\x7F"
        "E\xC2\x85"
        "F\xE2\x80\xA8"
        "G\xE2\x80\xA9"
        "H",
        20);
    WriteFile("other.raf", "[App Defaults]\r\nSpecies=" + raw + "\r\n");
    Open("other.raf");
    ASSERT_EQ(Text(item::kSpecies), raw) << "read as it stands";
    win->cmdButton[0]->click();
    files.QueueAnswer(dir.file("report.rtf"));
    win->cmdButton[1]->click();
    EXPECT_EQ(CountOf(ReadBytes(dir.file("report.rtf")), "{A B C D E F G H}"), 1);
    files.QueueAnswer(dir.file("saved.raf"));
    win->FileMenuClick(3);  // Save As
    EXPECT_EQ(CountOf(ReadBytes(dir.file("saved.raf")), "\r\nSpecies=A B C D E F G H\r\n"), 1);
    Open("saved.raf");
    EXPECT_EQ(Text(item::kSpecies), "A B C D E F G H");
    EXPECT_TRUE(services.messageBox.calls.empty());
}

TEST_F(RunPage, TheResultsStateTimerFollowsTheData) {
    AppData(item::kSpecies) = Variant("Changed");
    win->TimerTick(2);
    EXPECT_TRUE(win->labPicMonte[10]->Visible());
    EXPECT_FALSE(win->cmdButton[1]->Enabled());
}

TEST_F(RunPage, NewAndACloseDuringARunWaitForIt) {
    AppData(item::kSpecies) = Variant("Changed");
    int tried = 0;
    services.yield.onYield = [&] {
        if (!win->Results().Busy()) return;
        ++tried;
        win->FileNew();
        EXPECT_FALSE(win->FormQueryUnload()) << "the close waits for the run";
    };
    win->cmdButton[0]->click();
    services.yield.onYield = nullptr;
    EXPECT_GT(tried, 0);
    EXPECT_EQ(Text(item::kSpecies), "Changed") << "New did nothing during the run";
    EXPECT_TRUE(win->Results().ResultsValid());
}

}  // namespace
}  // namespace nuvir::test
