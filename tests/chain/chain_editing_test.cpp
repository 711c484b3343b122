// Editing the chain in place, driven offscreen as a person would: clicks on the
// diagram, typing, Enter, Tab and Shift+Tab, the space bar on a categorical part.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QTest>
#include <QTimer>

#include "chain_fixture.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/qtpicturebox.h"

namespace nuvir::test {
namespace {

// The window that hosts the chain, with the tab-stop switch the chain calls.
class HostForm : public Form, public ITabStopHost {
public:
    void SetTabStops(bool on) override { tabStopCalls.push_back(on); }
    std::vector<bool> tabStopCalls;
};

class ChainEditing : public ChainTest {
protected:
    HostForm form;
    QtPictureBox* pic = nullptr;
    TextBox* box = nullptr;
    CChain chain;
    ScriptedTableEditor editor;
    double lastRisk = 0, lastCost = 0;
    int validates = 0;

    void SetUp() override {
        ChainTest::SetUp();
        for (int i = 56; i <= 59; ++i) AppData(i) = Variant(1.0);  // F1..F4 = 1
        pic = form.Add<QtPictureBox>("picChainContainer");
        pic->SetBorderStyle(0);
        pic->SetBackColor(0xFFFFFF);
        pic->Move(0, 0, 12000, 6000);
        box = form.Add<TextBox>("txtChainEditBox", -1, pic);
        box->Move(0, 0, 900, 315);
        box->SetVisible(false);
        form.SetWidth(12500);
        form.SetHeight(7000);
        form.Show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        chain.SetHost(pic);
        chain.SetEditBox(box);
        chain.SetTableEditor(&editor);
        chain.Measure();
        chain.SetScaleFactor(3);
        chain.SetData(AppData);
        QObject::connect(chain.Element(4), &CChainElement::TotalRiskChanged, [this](double& r, double& c) {
            lastRisk = r;
            lastCost = c;
        });
        QObject::connect(box->Events(), &ControlEvents::Validate, [this](bool&) { ++validates; });
        chain.Render();
    }

    QPoint Pixel(double x, double y) const { return QPoint(pic->PixelX(x), pic->PixelY(y)); }
    QPoint Centre(int stage, int part) const {
        const CChainElement::Box b = chain.Element(stage)->PartBox(part);
        return Pixel((b[0] + b[2]) / 2, (b[1] + b[3]) / 2);
    }
    void Click(int stage, int part) {
        QTest::mouseClick(pic, Qt::LeftButton, {}, Centre(stage, part));
        QApplication::processEvents();
    }
    void Type(const char* text) { QTest::keyClicks(box, text); }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = {}) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : static_cast<QWidget*>(box);
        QTest::keyClick(target, key, mods);
        QApplication::processEvents();
    }
    double Value(int stage, int index) const { return chain.Element(stage)->PrimaryData()[static_cast<std::size_t>(index)]; }
};

TEST_F(ChainEditing, ClickTypeAndEnterStoresPAndItsComplement) {
    Click(2, CChainElement::kPartP);
    ASSERT_TRUE(box->Visible());
    EXPECT_EQ(box->Tag(), "1Survives");
    EXPECT_EQ(box->Text(), "0.5");
    EXPECT_EQ(box->SelLength(), 3);
    EXPECT_TRUE(box->hasFocus());
    EXPECT_EQ(form.tabStopCalls, std::vector<bool>{false});
    // Over the middle 80 % of the p box, centred on it.
    const CChainElement::Box b = chain.Element(2)->PartBox(CChainElement::kPartP);
    EXPECT_NEAR(box->Left(), b[0] + 0.1 * (b[2] - b[0]), 1);
    EXPECT_NEAR(box->Width(), 0.8 * (b[2] - b[0]), 1);
    const QString path = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("chain_editing.png");
    EXPECT_TRUE(form.grab().save(path, "PNG"));

    Type("0.3");
    Key(Qt::Key_Return);
    EXPECT_EQ(Value(2, CChainElement::kP), 0.3);
    EXPECT_EQ(Value(2, CChainElement::kQ), 0.7);
    EXPECT_FALSE(box->Visible());
    EXPECT_EQ(box->Tag(), "");
    EXPECT_TRUE(pic->hasFocus());
    EXPECT_DOUBLE_EQ(lastCost, 1 + 0.5 + 0.15 + 0.075);
    EXPECT_DOUBLE_EQ(lastRisk, 1);
}

TEST_F(ChainEditing, AnInvalidEntryStaysInTheBoxAndStoresNothing) {
    for (const char* text : {"1.5", "-1e-9", "1.0000001", "nan", "inf", "0x1p3", "1,5", "1e999", "abc"}) {
        SCOPED_TRACE(text);
        Click(1, CChainElement::kPartP);
        Type(text);
        Key(Qt::Key_Return);
        EXPECT_EQ(Value(1, CChainElement::kP), 0.5);
        EXPECT_TRUE(box->Visible());
        EXPECT_EQ(box->Text(), text);
        EXPECT_TRUE(pic->hasFocus());
    }
    Click(1, CChainElement::kPartI);
    Type("-2.5e3");
    Key(Qt::Key_Return);
    EXPECT_EQ(Value(1, CChainElement::kI), -2500) << "impacts take any number";
    Click(1, CChainElement::kPartQ);
    Type("1");
    Key(Qt::Key_Return);
    EXPECT_EQ(Value(1, CChainElement::kP), 0);
}

TEST_F(ChainEditing, AClickOutsideThePartsOpensNothingAndLeavesARejectedBoxOpen) {
    Click(3, CChainElement::kPartQ);
    Type("abc");
    for (int part : {CChainElement::kPartR, CChainElement::kPartDiamond}) {
        Click(3, part);
        EXPECT_TRUE(box->Visible());
        EXPECT_EQ(box->Text(), "abc");
    }
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(chain.Element(k)->SelectedPart(), -1);
    box->SetFocus();
    Type("0.2");  // the box belongs to no stage now: nothing is stored
    Key(Qt::Key_Return);
    EXPECT_EQ(Value(3, CChainElement::kQ), 0.5);
}

TEST_F(ChainEditing, OverlappingBoxesGiveTheLowerPart) {
    // The p box reaches into the corner of the diamond's box.
    const CChainElement* s = chain.Element(1);
    const CChainElement::Box p = s->PartBox(CChainElement::kPartP);
    const CChainElement::Box d = s->PartBox(CChainElement::kPartDiamond);
    EXPECT_EQ(s->HitTestPart(p[0], d[3]), CChainElement::kPartP);
    EXPECT_EQ(s->HitTestPart(p[0] - 1, d[3]), CChainElement::kPartDiamond);
}

TEST_F(ChainEditing, AClickAtThePicturesOriginOpensNothing) {
    for (bool hideCosts : {false, true}) {
        SCOPED_TRACE(hideCosts);
        AppOptions(opt::kHideCosts) = Variant(hideCosts);
        chain.Render();
        Q_EMIT pic->Events()->MouseDown(1, 0, 0.0, 0.0);
        EXPECT_FALSE(box->Visible());
        for (int k = 1; k <= 4; ++k) EXPECT_EQ(chain.Element(k)->SelectedPart(), -1);
    }
}

TEST_F(ChainEditing, TabAndShiftTabWalkThePartsOfAllStages) {
    struct Step {
        int stage, part;
        Qt::KeyboardModifiers mods;
        const char* tag;
    };
    const Step steps[] = {
        {3, CChainElement::kPartQ, {}, "4Establishes"},
        {4, CChainElement::kPartQ, {}, "3Spreads"},
        {4, CChainElement::kPartI, {}, "0Arrives"},
        {1, CChainElement::kPartF, Qt::ShiftModifier, "4Spreads"},
        {4, CChainElement::kPartI, Qt::ShiftModifier, "3Spreads"},
        {2, CChainElement::kPartF, Qt::ShiftModifier, "4Arrives"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.tag);
        Click(s.stage, s.part);
        Key(Qt::Key_Tab, s.mods);
        EXPECT_EQ(box->Tag(), s.tag);
        EXPECT_TRUE(box->hasFocus());
    }
    Key(Qt::Key_Backtab);
    EXPECT_EQ(box->Tag(), "2Arrives");
}

TEST_F(ChainEditing, TabCommitsTheEditAndSkipsHiddenCosts) {
    AppOptions(opt::kHideCosts) = Variant(true);
    chain.Render();
    Click(1, CChainElement::kPartI);
    Type("4");
    Key(Qt::Key_Tab);
    EXPECT_EQ(Value(1, CChainElement::kI), 4);
    EXPECT_EQ(box->Tag(), "1Survives");
    Click(1, CChainElement::kPartP);
    Key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(box->Tag(), "4Spreads");
}

TEST_F(ChainEditing, ATabWithTheBoxHiddenOpensNothing) {
    pic->SetFocus();
    int afterChain = -1;
    QObject::connect(form.Events(), &ControlEvents::KeyPress, [&](int& k) { afterChain = k; });
    QTest::keyClick(pic, Qt::Key_Tab);
    EXPECT_EQ(afterChain, 0) << "the chain discards the Tab";
    EXPECT_FALSE(box->Visible());
    EXPECT_TRUE(pic->hasFocus());
}

TEST_F(ChainEditing, ACategoricalCostOpensItsTableAndStoresItsValue) {
    AppData(item::kCategoricalCosts) = Variant(true);
    AppData(item::kNumCostCategories) = Variant(2);
    chain.Render();
    Click(2, CChainElement::kPartF);
    ASSERT_TRUE(box->Visible());
    EXPECT_TRUE(box->Locked());
    EXPECT_EQ(box->BackColor(), 0xC0C0C0);
    EXPECT_EQ(box->ToolTipText(), "Space-bar or double-click to edit");
    Type("7");
    EXPECT_EQ(box->Text(), "1");

    editor.answer = Table(2, 2, {10, 30, 0.5, 0.5});
    Key(Qt::Key_Space);
    ASSERT_EQ(editor.calls, 1);
    EXPECT_EQ(Value(2, CChainElement::kF), 20);
    EXPECT_TRUE(box->Visible());
    EXPECT_EQ(box->Tag(), "0Survives");
    EXPECT_EQ(box->Text(), "20");

    editor.answer = Table(2, 2, {10, 30, 0, 1});
    QTest::mouseDClick(box, Qt::LeftButton);
    EXPECT_EQ(editor.calls, 2);
    EXPECT_EQ(Value(2, CChainElement::kF), 30);

    Click(2, CChainElement::kPartI);
    EXPECT_FALSE(box->Locked());
    EXPECT_EQ(box->BackColor(), 0xFFFFFF);
    Key(Qt::Key_Space);
    EXPECT_EQ(editor.calls, 2) << "space in a plain box only types";
    EXPECT_EQ(box->Text(), " ");
}

TEST_F(ChainEditing, TheTableDialogOpensWithoutValidatingTheBox) {
    AppData(item::kCategoricalImpacts) = Variant(true);
    chain.SetTableEditor(nullptr);  // the program's own dialog
    chain.Render();
    Click(4, CChainElement::kPartI5);
    const int before = validates;
    int closed = 0;
    QTimer::singleShot(50, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            ++closed;
            dialog->close();  // the close box keeps the table
        }
    });
    Key(Qt::Key_Space);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(validates, before);
    EXPECT_TRUE(box->Visible());
    EXPECT_EQ(box->Tag(), "3Spreads");
    EXPECT_EQ(Value(4, CChainElement::kI5), 1);
    EXPECT_FALSE(chain.Element(4)->GetCategoryData(CChainElement::kI5).isEmpty());
}

// A rejected entry after a Tab across stages must stay on the part it was typed into,
// and the corrected number must land there.
TEST_F(ChainEditing, ARejectedEntryAfterTabAcrossStagesStaysOnItsPart) {
    Click(1, CChainElement::kPartI);
    Key(Qt::Key_Tab);
    ASSERT_EQ(box->Tag(), "0Survives");
    Type("x");
    Key(Qt::Key_Return);
    EXPECT_EQ(box->Tag(), "0Survives");
    const CChainElement::Box f2 = chain.Element(2)->PartBox(CChainElement::kPartF);
    EXPECT_NEAR(box->Left(), f2[0] + 0.1 * (f2[2] - f2[0]), 1);
    box->SetFocus();
    box->selectAll();
    Type("5");
    Key(Qt::Key_Return);
    EXPECT_EQ(Value(2, CChainElement::kF), 5);
    EXPECT_EQ(Value(1, CChainElement::kI), 1);
}

}  // namespace
}  // namespace nuvir::test
