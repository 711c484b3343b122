// Editing the chain in place, driven offscreen as a person would: clicks on the
// diagram, typing, Enter, Tab and Shift+Tab, the space bar on a categorical part.
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QCoreApplication>
#include <QDir>
#include <QTest>
#include <QTimer>

#include <limits>

#include "chain_fixture.h"
#include "formdriver.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/qtpicturebox.h"
#include "platform/windowutilities.h"

namespace nuvir::test {
namespace {

constexpr int F = CChainElement::kPartF, P = CChainElement::kPartP, Q = CChainElement::kPartQ,
              I5 = CChainElement::kPartI5, I = CChainElement::kPartI;

// The window that hosts the chain, with the tab-stop switch the chain calls.
struct HostForm : Form, ITabStopHost {
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
    double lastCost = 0;
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
        form.Move(0, 0, 12500, 7000);
        ShowActive(form);
        chain.SetHost(pic);
        chain.SetEditBox(box);
        chain.SetTableEditor(&editor);
        chain.Measure();
        chain.SetScaleFactor(3);
        chain.SetData(AppData);
        QObject::connect(chain.Element(4), &CChainElement::TotalRiskChanged,
                         [this](double&, double& c) { lastCost = c; });
        QObject::connect(box->Events(), &ControlEvents::Validate, [this](bool&) { ++validates; });
        chain.Render();
    }

    void Click(int stage, int part) {
        const CChainElement::Box b = chain.Element(stage)->PartBox(part);
        QTest::mouseClick(pic, Qt::LeftButton, {},
                          QPoint(pic->PixelX((b[0] + b[2]) / 2), pic->PixelY((b[1] + b[3]) / 2)));
        QApplication::processEvents();
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = {}) {
        QTest::keyClick(QApplication::focusWidget(), key, mods);
        QApplication::processEvents();
    }
    // Types into the box (after a click on a part, when given one), then presses `key`
    // unless it is Key_unknown.
    void Type(const char* text, Qt::Key key = Qt::Key_Return, int stage = 0, int part = 0) {
        if (stage) Click(stage, part);
        QTest::keyClicks(box, text);
        if (key != Qt::Key_unknown) Key(key);
    }
    double Value(int stage, int index) const {
        return chain.Element(stage)->PrimaryData()[static_cast<std::size_t>(index)];
    }
};

TEST_F(ChainEditing, ClickTypeAndEnterStoresPAndItsComplement) {
    Click(2, P);
    ASSERT_TRUE(box->Visible());
    EXPECT_EQ(box->Tag(), "1Survives");
    EXPECT_EQ(box->SelText(), "0.5");
    EXPECT_TRUE(box->hasFocus());
    EXPECT_EQ(form.tabStopCalls, std::vector<bool>{false});
    EXPECT_TRUE(form.grab().save(QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("chain_editing.png")));
    Type("0.3");
    EXPECT_EQ(Value(2, CChainElement::kP), 0.3);
    EXPECT_EQ(Value(2, CChainElement::kQ), 0.7);
    EXPECT_FALSE(box->Visible());
    EXPECT_TRUE(pic->hasFocus());
    EXPECT_DOUBLE_EQ(lastCost, 1 + 0.5 + 0.15 + 0.075) << "the totals follow";
}

TEST_F(ChainEditing, OnlyAPlainNumberWithinItsRangeIsStored) {
    for (const char* text : {"1.5", "-1e-9", "1.0000001", "nan", "inf", "0x1p3", "1,5", "1e999", "abc"}) {
        SCOPED_TRACE(text);
        Type(text, Qt::Key_Return, 1, P);
        EXPECT_EQ(Value(1, CChainElement::kP), 0.5);
        EXPECT_TRUE(box->Visible());
        EXPECT_EQ(box->Text(), std::string(text));
        EXPECT_TRUE(pic->hasFocus());
    }
    Type("-2.5e3", Qt::Key_Return, 1, I);
    EXPECT_EQ(Value(1, CChainElement::kI), -2500) << "impacts take any number";
    Type("1", Qt::Key_Return, 1, Q);
    EXPECT_EQ(Value(1, CChainElement::kP), 0);
}

// Nothing opens from a click at the picture's origin, with or without the cost parts.
TEST_F(ChainEditing, AClickOutsideThePartsOpensNothing) {
    for (bool hideCosts : {false, true}) {
        AppOptions(opt::kHideCosts) = Variant(hideCosts);
        chain.Render();
        Q_EMIT pic->Events()->MouseDown(1, 0, 0.0, 0.0);
        EXPECT_FALSE(box->Visible()) << hideCosts;
    }
    // Where boxes overlap (the p box reaches into the diamond's) the lower part wins.
    const CChainElement* s = chain.Element(1);
    EXPECT_EQ(s->HitTestPart(s->PartBox(P)[0], s->PartBox(CChainElement::kPartDiamond)[3]), P);
}

// A click on an oval or a diamond leaves a rejected entry open, belonging to no stage.
TEST_F(ChainEditing, AClickOnAPartThatTakesNoValueLeavesARejectedEntryOpen) {
    Type("abc", Qt::Key_unknown, 3, Q);
    Click(3, CChainElement::kPartR);
    Click(3, CChainElement::kPartDiamond);
    EXPECT_TRUE(box->Visible());
    EXPECT_EQ(box->Text(), "abc");
    box->SetFocus();  // the box belongs to no stage now: nothing is stored
    Type("0.2");
    EXPECT_EQ(Value(3, CChainElement::kQ), 0.5);
}

// Tab stores the entry and walks the parts of all stages; a rejected entry stays on
// its part; a box tagged for no stage moves nothing; hidden costs are skipped.
TEST_F(ChainEditing, TabAndShiftTabWalkThePartsOfAllStages) {
    // Within a stage and onto the last stage's I5 (the walks across stages follow below).
    struct Step {
        int stage, part;
        Qt::Key key;
        const char* tag;
    };
    for (const Step& s : {Step{3, Q, Qt::Key_Tab, "4Establishes"}, Step{4, Q, Qt::Key_Tab, "3Spreads"},
                          Step{4, I, Qt::Key_Backtab, "3Spreads"}}) {
        Type("", s.key, s.stage, s.part);
        EXPECT_EQ(box->Tag(), s.tag);
    }
    Key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(box->Tag(), "2Spreads");
    // Stored with the key, then a rejected entry on the part walked to (the redraw must
    // not put the box back on the part left, whichever stage is drawn last), then 5.
    struct Walk {
        const char* name;
        int stage, part;
        Qt::Key key;
        const char* tag;
        int toStage, toPart, to, left;
    };
    const Walk walks[] = {
        {"forward, I1 to F2", 1, I, Qt::Key_Tab, "0Survives", 2, F, CChainElement::kF, CChainElement::kI},
        {"backward, F2 to I1", 2, F, Qt::Key_Backtab, "4Arrives", 1, I, CChainElement::kI, CChainElement::kF},
        {"forward round, I4 to F1", 4, I, Qt::Key_Tab, "0Arrives", 1, F, CChainElement::kF, CChainElement::kI},
        {"backward round, F1 to I4", 1, F, Qt::Key_Backtab, "4Spreads", 4, I, CChainElement::kI, CChainElement::kF}};
    for (const Walk& w : walks) {
        SCOPED_TRACE(w.name);
        Type("4", w.key, w.stage, w.part);
        Type("x");
        EXPECT_EQ(box->Tag(), w.tag);
        EXPECT_EQ(Value(w.stage, w.left), 4.0);
        const CChainElement::Box b = chain.Element(w.toStage)->PartBox(w.toPart);  // the middle 80 % of the part
        EXPECT_NEAR(box->Left(), b[0] + 0.1 * (b[2] - b[0]), 1);
        EXPECT_NEAR(box->Width(), 0.8 * (b[2] - b[0]), 1);
        box->SetFocus();
        box->selectAll();
        Type("5");
        EXPECT_EQ(Value(w.toStage, w.to), 5.0);
        EXPECT_EQ(Value(w.stage, w.left), 4.0);
    }
    for (const char* tag : {"", "9", "1Nowhere"}) {
        Click(1, P);
        box->SetTag(tag);
        Key(Qt::Key_Tab);
        EXPECT_EQ(box->Tag(), std::string(tag));
        EXPECT_TRUE(box->Visible());
    }
    AppOptions(opt::kHideCosts) = Variant(true);
    chain.Render();
    Type("", Qt::Key_Tab, 1, I);
    EXPECT_EQ(box->Tag(), "1Survives");
    Type("", Qt::Key_Backtab, 1, P);
    EXPECT_EQ(box->Tag(), "4Spreads");
    box->SetVisible(false);
    pic->SetFocus();
    Key(Qt::Key_Tab);
    EXPECT_FALSE(box->Visible()) << "a Tab with the box hidden opens nothing";
    EXPECT_TRUE(pic->hasFocus());
}

// A categorical part opens its table on the space bar or a double-click.
TEST_F(ChainEditing, ACategoricalCostOpensItsTableAndStoresItsValue) {
    AppData(item::kCategoricalCosts) = Variant(true);
    AppData(item::kNumCostCategories) = Variant(2);
    Type("7", Qt::Key_unknown, 2, F);
    EXPECT_TRUE(box->Locked());
    EXPECT_EQ(box->ToolTipText(), "Space-bar or double-click to edit");
    EXPECT_EQ(box->Text(), "1");
    editor.answer = Table(2, 2, {10, 30, 0.5, 0.5});
    Key(Qt::Key_Space);
    EXPECT_EQ(Value(2, CChainElement::kF), 20);
    EXPECT_EQ(box->Tag(), "0Survives");
    EXPECT_EQ(box->Text(), "20");
    editor.answer = Table(2, 2, {10, 30, 0, 1});
    QTest::mouseDClick(box, Qt::LeftButton);
    EXPECT_EQ(Value(2, CChainElement::kF), 30);
    // The dialog sees each probability with one to six decimals; its answer is what the
    // next opening shows.
    struct Shown {
        const char* name;
        double answer0, answer1;
        const char *p0, *p1;
    };
    const Shown shown[] = {{"zero and one", 0.000001, 0.999999, "0.0", "1.0"},
                           {"six decimals", 0.25, 0.75, "0.000001", "0.999999"}};
    for (const Shown& c : shown) {
        SCOPED_TRACE(c.name);
        editor.answer = Table(2, 2, {10, 30, c.answer0, c.answer1});
        Key(Qt::Key_Space);
        EXPECT_EQ(TextOf(editor.shown(1, 0)), c.p0);
        EXPECT_EQ(TextOf(editor.shown(1, 1)), c.p1);
    }
    Type("", Qt::Key_Space, 2, I);
    EXPECT_EQ(editor.calls, 4) << "space in a plain box only types";
    EXPECT_EQ(box->Text(), " ");
    // The program's own dialog opens without validating the box.
    AppData(item::kCategoricalImpacts) = Variant(true);
    chain.SetTableEditor(nullptr);
    Click(4, I5);
    const int before = validates;
    int closed = 0;
    QTimer::singleShot(50, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) closed += dialog->close();  // keeps the table
    });
    Key(Qt::Key_Space);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(validates, before);
    EXPECT_EQ(box->Tag(), "3Spreads");
    EXPECT_TRUE(chain.Element(4)->GetCategoryData(CChainElement::kI5).isArray()) << "the table was stored";
}

// A diagram edited in place shows the pixels of a first drawing: smoothed captions
// drawn again over themselves would darken, a shorter total would leave the ends of a
// wider one beside its oval. The copied diagram is the same picture.
TEST_F(ChainEditing, AnEditedDiagramLooksAsIfDrawnFirstAndSoDoesItsCopy) {
    const QImage first = pic->Image().copy();
    const char* const huge = "1.79769313486232E+308";
    struct Edit {
        const char* name;
        const char* text;
        int stage, part;
    };
    const Edit edits[] = {{"p1 down", "0.3", 1, P}, {"p1 back", "0.5", 1, P}, {"I2 up", "12.5", 2, I},
                          {"I2 back", "1", 2, I},   {"F1 huge", huge, 1, F},  {"F2 huge", huge, 2, F},
                          {"F1 back", "1", 1, F},   {"F2 back", "1", 2, F},   {"q3 twice", "0.5", 3, Q},
                          {"I5 same", "1", 4, I5}};
    for (const Edit& e : edits) {
        SCOPED_TRACE(e.name);
        Type(e.text, Qt::Key_Return, e.stage, e.part);
        ASSERT_FALSE(box->Visible());
    }
    const QImage edited = pic->Image().copy();
    EXPECT_TRUE(edited.save(QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("chain_after_edits.png")));
    EXPECT_TRUE(first.save(QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("chain_first_drawing.png")));
    int differing = 0;
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x) differing += first.pixel(x, y) != edited.pixel(x, y);
    EXPECT_EQ(differing, 0) << "pixels unlike the first drawing";
    MUtilities::CopyToClipboard(pic->Image(), clipformat::Bitmap);
    EXPECT_EQ(QApplication::clipboard()->image().convertToFormat(first.format()), first);
}

// A long number on the fixed-cost circle by the page's left edge starts on the page.
TEST_F(ChainEditing, ALongLabelNeverStartsLeftOfThePage) {
    LabelPicture labels(800, 400);
    CChain drawn;
    drawn.SetHost(&labels);
    drawn.Measure();
    drawn.SetScaleFactor(1);
    AppData(56) = Variant(-std::numeric_limits<double>::max());
    drawn.SetData(AppData);
    drawn.Render();
    ASSERT_FALSE(labels.printed.empty());
    for (const auto& printed : labels.printed) EXPECT_GE(printed.x, labels.ScaleLeft()) << printed.text;
}

}  // namespace
}  // namespace nuvir::test
