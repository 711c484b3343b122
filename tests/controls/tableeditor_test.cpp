// The table-editing dialog: fitted to its table, placed over a screen rectangle and
// kept on the screen, editing from the first editable cell, Escape against the close
// box, the master-table restriction and the modal road.
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include "controls/tableeditor.h"
#include "controls_fixture.h"

namespace nuvir::test {
namespace {

class TableEditTest : public DefaultDataTest {
protected:
    void SetUp() override {
        DefaultDataTest::SetUp();
        AppData(item::kConformCategories) = false;
        SetScreenMetrics(&metrics_);  // 800 x 800 pixels at 15 twips
    }
    void TearDown() override {
        dialog_.reset();
        SetScreenMetrics(nullptr);
        DefaultDataTest::TearDown();
    }

    // A category table (values and probabilities) to place over the rectangle.
    void Give(double left = 3000, double top = 3000, double width = 1200, double height = 300) {
        dialog_ = std::make_unique<FTableEdit>();
        dialog_->PutArray(Table({{"1", "0.2"}, {"2", "0.3"}, {"5", "0.5"}}),
                          Variant::List({Variant("Impact"), Variant("P (0-1)")}));
        dialog_->PutArray(Variant::List({1, 2}), Variant());  // ignored: the table stays
        dialog_->SetReferencePosition(Variant::Doubles({left, top, width, height}));
    }
    void Open(double left = 3000, double top = 3000, double width = 1200, double height = 300) {
        Give(left, top, width, height);
        Show();
    }
    void Show() {
        dialog_->Show();
        QApplication::setActiveWindow(dialog_.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
        grid_ = dialog_->FindAs<FlexGrid>("flxFlexEdit1");
        editor_ = dialog_->FindAs<TextBox>("txtFlexEditBox1");
    }
    bool EditingAt(int row, int col) const { return FlexEditTestPeer::EditorOver(*dialog_->Grid(), row, col); }

    ScreenMetrics metrics_{};
    std::unique_ptr<FTableEdit> dialog_;
    FlexGrid* grid_ = nullptr;
    TextBox* editor_ = nullptr;
};

TEST_F(TableEditTest, TheDialogFitsItsTableIsCentredOnTheRectangleAndKeptOnTheScreen) {
    const struct {
        const char* name;
        double left, top, width, height;
        double x, y;  // where the dialog goes: -1 centred, -2 against the far edge
    } cases[] = {
        {"ending at the right and bottom edges", 11700, 11800, 300, 200, -2, -2},
        {"starting at zero", 15, 30, 300, 200, 0, 0},
        {"centred", 4500, 6000, 1500, 450, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Open(c.left, c.top, c.width, c.height);
        const double w = dialog_->Width(), h = dialog_->Height();
        EXPECT_DOUBLE_EQ(dialog_->Left(), c.x == -1 ? c.left - (w - c.width) / 2 : c.x == -2 ? 12000 - w : c.x);
        EXPECT_DOUBLE_EQ(dialog_->Top(), c.y == -1 ? c.top - (h - c.height) / 2 : c.y == -2 ? 12000 - h : c.y);
    }
    EXPECT_EQ(grid_->TextMatrix(0, 0), "Impact");
    EXPECT_EQ(grid_->TextMatrix(0, 1), "P (0-1)");
    EXPECT_EQ(grid_->TextMatrix(3, 0), "5");
    // The client area is the grid, showing every cell without scroll bars; a fixed dialog
    // cannot be resized into an empty grey area, nor minimised.
    EXPECT_EQ(dialog_->size(), grid_->size());
    EXPECT_EQ(dialog_->minimumSize(), dialog_->maximumSize());
    EXPECT_FALSE(dialog_->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(grid_->verticalScrollBar()->isVisible());
    EXPECT_FALSE(grid_->horizontalScrollBar()->isVisible());
    for (int r = 0; r < grid_->Rows(); ++r)
        for (int c = 0; c < grid_->Cols(); ++c)
            EXPECT_TRUE(grid_->viewport()->geometry().contains(grid_->CellRectPx(r, c))) << r << "," << c;
    // The dialog beside its rectangle for a reviewer, with a value being typed.
    Type("4");
    QApplication::processEvents();
    const auto px = [](double twips) { return static_cast<int>(twips / 15.0 + 0.5); };
    QImage screen(metrics_.widthPx, metrics_.heightPx, QImage::Format_RGB32);
    screen.fill(QColor(58, 110, 165));
    QPainter p(&screen);
    const QRect reference(px(4500), px(6000), px(1500), px(450));  // the control that was clicked
    p.fillRect(reference, QColor(255, 255, 192));
    p.drawText(reference, Qt::AlignCenter, QStringLiteral("reference"));
    // The dialog: its frame and caption as the outer size counts them, its client drawn.
    const QRect outer(px(dialog_->Left()), px(dialog_->Top()), px(dialog_->Width()), px(dialog_->Height()));
    p.fillRect(outer, QColor(212, 208, 200));
    p.fillRect(QRect(outer.left() + 3, outer.top() + 3, outer.width() - 6, 19), QColor(10, 36, 106));
    p.drawImage(outer.topLeft() + QPoint(3, 3 + 19), dialog_->grab().toImage());
    p.setPen(QPen(Qt::red, 1, Qt::DashLine));  // the rectangle again, over the dialog that covers it
    p.drawRect(reference.adjusted(0, 0, -1, -1));
    p.end();
    ASSERT_TRUE(screen.save(QCoreApplication::applicationDirPath() + QStringLiteral("/tableeditor_dialog.png")));
}

// A column widens to its widest value, so six-decimal probabilities and long values
// show whole (a text stands 2 px inside its cell and the grid line takes one more).
TEST_F(TableEditTest, EveryValueShowsWhole) {
    dialog_ = std::make_unique<FTableEdit>();
    dialog_->PutArray(Table({{"-1234567.891", "0.000001"}, {"2", "0.999999"}, {"12345678", "0.5"}}),
                      Variant::List({Variant("Impact"), Variant("P (0-1)")}));
    dialog_->SetReferencePosition(Variant::Doubles({3000, 3000, 1200, 300}));
    Show();
    const QFontMetrics fm = grid_->fontMetrics();
    for (int r = 0; r < grid_->Rows(); ++r)
        for (int c = 0; c < grid_->Cols(); ++c) {
            const std::string text = grid_->TextMatrix(r, c);
            SCOPED_TRACE(text);
            EXPECT_GE(grid_->CellRectPx(r, c).width() - 5, fm.horizontalAdvance(QString::fromStdString(text)));
        }
}

TEST_F(TableEditTest, EditingStartsOnTheFirstEditableCellAndTheCloseBoxKeepsWhatWasTyped) {
    Open();
    EXPECT_TRUE(EditingAt(1, 0));
    Type("3");
    Key(Qt::Key_Return);
    EXPECT_TRUE(dialog_->isVisible()) << "Enter pressed no button";
    EXPECT_TRUE(EditingAt(1, 1)) << "Enter pressed no button";
    Key(Qt::Key_Tab);  // Tab stays in the grid and never reaches the hidden button
    EXPECT_TRUE(EditingAt(1, 0));
    Key(Qt::Key_Down);
    Type("7.5");  // still being edited when the close box is used
    EXPECT_TRUE(dialog_->UnloadFor(unloadreason::ControlMenu));
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(Rows(dialog_->GetArray()), "3|0.2/7.5|0.3/5|0.5");
    // Restricted to master tables only the last column is edited.
    AppData(item::kConformCategories) = true;
    Open();
    EXPECT_TRUE(EditingAt(1, 1));
    Key(Qt::Key_Tab);
    EXPECT_TRUE(EditingAt(1, 1));
    Key(Qt::Key_Return);
    EXPECT_TRUE(EditingAt(2, 1));
    QTest::mouseClick(grid_->viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid_->CellRectPx(3, 0).center() - grid_->viewport()->geometry().topLeft());
    EXPECT_EQ(grid_->Col(), 0) << "no editor over the first column";
    EXPECT_FALSE(EditingAt(3, 0)) << "no editor over the first column";
    Type("9");
    EXPECT_EQ(grid_->TextMatrix(3, 0), "5");
}

TEST_F(TableEditTest, EscapeAfterTypingClosesTheModalDialogAndGivesTheTableAsPassed) {
    Give();
    bool pressed = false;
    QTimer::singleShot(0, [&] {
        QApplication::setActiveWindow(dialog_.get());
        if (!QTest::qWaitForWindowActive(dialog_.get()) || QApplication::focusWidget() == nullptr) {
            dialog_->Unload();
            return;
        }
        Type("9");
        Key(Qt::Key_Return);
        Type("8");
        Key(Qt::Key_Escape);
        pressed = true;
    });
    dialog_->ShowModal();
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(Rows(dialog_->GetArray()), "1|0.2/2|0.3/5|0.5");
}

TEST_F(TableEditTest, WithoutATableTheGridStaysHiddenAndTheCloseBoxGivesNoBounds) {
    dialog_ = std::make_unique<FTableEdit>();
    EXPECT_EQ(Rows(dialog_->GetArray()), "<no bounds>") << "before any showing";
    dialog_->PutArray(Variant("x"), Variant());
    Show();
    EXPECT_FALSE(grid_->isVisible());
    EXPECT_FALSE(editor_->isVisible());
    EXPECT_TRUE(dialog_->UnloadFor(unloadreason::ControlMenu));
    const Variant result = dialog_->GetArray();
    EXPECT_EQ(Rows(result), "<no bounds>");
    EXPECT_EQ(result.elemKind(), VarType::Double);
}

}  // namespace
}  // namespace nuvir::test
