// The table-editing dialog: fitted to its table, placed over a screen rectangle and
// kept on the screen, editing from the first editable cell, Escape against the close
// box, the master-table restriction, help, the modal road, and a picture for review.
#include <QFileInfo>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <functional>

#include "controls/tableeditor.h"
#include "controls_fixture.h"
#include "flexedit_appdata.h"

namespace nuvir::test {
namespace {

std::string Numbers(const Variant& a) {
    if (a.dims() != 2) return a.isArray() ? "<no bounds>" : "<not an array>";
    std::string s;
    for (int r = a.lbound(2); r <= a.ubound(2); ++r) {
        if (r > a.lbound(2)) s += "/";
        for (int c = a.lbound(1); c <= a.ubound(1); ++c) s += (c > a.lbound(1) ? "|" : "") + FormatDouble(CDbl(a(c, r)));
    }
    return s;
}

Variant Rect(double left, double top, double width, double height) {
    return Variant::Doubles({left, top, width, height});
}

class TableEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetScreenMetrics(&metrics_);
        dialog_ = std::make_unique<FTableEdit>();
    }
    void TearDown() override {
        dialog_.reset();
        SetScreenMetrics(nullptr);
    }

    // A category table: values and probabilities, one row per category.
    void Give(const Variant& rect = Rect(3000, 3000, 1200, 300)) {
        dialog_->PutArray(Table({{"1", "0.2"}, {"2", "0.3"}, {"5", "0.5"}}),
                          Variant::List({Variant("Impact"), Variant("P (0-1)")}));
        dialog_->SetReferencePosition(rect);
    }

    void Open() {
        dialog_->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
        QApplication::setActiveWindow(dialog_.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
        grid_ = dialog_->FindAs<FlexGrid>("flxFlexEdit1");
        editor_ = dialog_->FindAs<TextBox>("txtFlexEditBox1");
    }

    // Whether the editor is open on the cell, with the focus.
    bool EditingAt(int row, int col) const {
        return editor_ != nullptr && editor_->isVisible() && QApplication::focusWidget() == editor_ &&
               grid_->Row() == row && grid_->Col() == col &&
               editor_->geometry() == grid_->CellRectPx(row, col).translated(grid_->pos());
    }

    ScreenMetrics metrics_{};  // 800 x 800 pixels at 15 twips
    std::unique_ptr<FTableEdit> dialog_;
    FlexGrid* grid_ = nullptr;
    TextBox* editor_ = nullptr;
};

// ---- fitted and placed --------------------------------------------------------------------------

TEST_F(TableEditTest, TheDialogFitsItsTableExactlyAndShowsItWhole) {
    Give();
    Open();
    ASSERT_NE(grid_, nullptr);
    EXPECT_EQ(grid_->Rows(), 4);
    EXPECT_EQ(grid_->TextMatrix(0, 0) + "|" + grid_->TextMatrix(0, 1), "Impact|P (0-1)");
    EXPECT_EQ(dialog_->size(), grid_->size()) << "the client area is the grid";
    // A fixed dialog: it cannot be resized into an empty grey area, nor minimised.
    EXPECT_EQ(dialog_->minimumSize(), dialog_->maximumSize());
    EXPECT_FALSE(dialog_->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_DOUBLE_EQ(dialog_->Width(), grid_->Width() + 15 * 2 * 3);
    EXPECT_DOUBLE_EQ(dialog_->Height(), grid_->Height() + 15 * (2 * 3 + 19));
    EXPECT_FALSE(grid_->verticalScrollBar()->isVisible() || grid_->horizontalScrollBar()->isVisible());
    const QRect inside = grid_->viewport()->geometry();
    for (int r = 0; r < grid_->Rows(); ++r)
        for (int c = 0; c < grid_->Cols(); ++c) EXPECT_TRUE(inside.contains(grid_->CellRectPx(r, c))) << r << "," << c;
    EXPECT_EQ(dialog_->HelpContextID(), 31);
}

TEST_F(TableEditTest, TheDialogIsCentredOnTheRectangleAndKeptOnTheScreen) {
    const struct {
        const char* name;
        double left, top, width, height;
        std::function<double(const FTableEdit&)> x, y;
    } cases[] = {
        {"centred", 3000, 4000, 1200, 300, [](const FTableEdit& d) { return 3000 - (d.Width() - 1200) / 2; },
         [](const FTableEdit& d) { return 4000 - (d.Height() - 300) / 2; }},
        {"ending at the right and bottom edges", 11700, 11800, 300, 200, [](const FTableEdit& d) { return 12000 - d.Width(); },
         [](const FTableEdit& d) { return 12000 - d.Height(); }},
        {"starting at zero", 15, 30, 300, 200, [](const FTableEdit&) { return 0.0; }, [](const FTableEdit&) { return 0.0; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dialog_ = std::make_unique<FTableEdit>();
        Give(Rect(c.left, c.top, c.width, c.height));
        Open();
        EXPECT_DOUBLE_EQ(dialog_->Left(), c.x(*dialog_));
        EXPECT_DOUBLE_EQ(dialog_->Top(), c.y(*dialog_));
    }
}

// ---- editing and closing ------------------------------------------------------------------------------

TEST_F(TableEditTest, EditingStartsOnTheFirstCellAndTheCloseBoxKeepsWhatWasTyped) {
    Give();
    Open();
    EXPECT_TRUE(EditingAt(1, 0));
    Type("3");
    Key(Qt::Key_Return);
    EXPECT_TRUE(dialog_->isVisible()) << "Enter pressed no button";
    EXPECT_TRUE(EditingAt(1, 1));
    Key(Qt::Key_Tab);  // Tab stays in the grid and never reaches the hidden button
    EXPECT_TRUE(EditingAt(1, 0));
    CommandButton* button = dialog_->FindAs<CommandButton>("cmdButton", 0);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->Caption(), "X");
    EXPECT_DOUBLE_EQ(button->Left(), -1000);
    Key(Qt::Key_Down);
    Type("7.5");  // still being edited when the close box is used
    EXPECT_TRUE(dialog_->UnloadFor(unloadreason::ControlMenu));
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(Numbers(dialog_->GetArray()), "3|0.2/7.5|0.3/5|0.5");
}

TEST_F(TableEditTest, EscapeAfterTypingClosesAndGivesTheTableAsPassedAlsoOnTheModalRoad) {
    Give();
    Open();
    Type("9");
    Key(Qt::Key_Return);
    Type("8");
    Key(Qt::Key_Escape);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(Numbers(dialog_->GetArray()), "1|0.2/2|0.3/5|0.5");
    bool pressed = false;
    QTimer::singleShot(0, [&] {
        QApplication::setActiveWindow(dialog_.get());
        if (!QTest::qWaitForWindowActive(dialog_.get()) || QApplication::focusWidget() == nullptr) {
            dialog_->Unload();
            return;
        }
        QTest::keyClicks(QApplication::focusWidget(), "4");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        pressed = true;
    });
    dialog_->ShowModal();
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(Numbers(dialog_->GetArray()), "1|0.2/2|0.3/5|0.5");
    EXPECT_NE(dialog_->Grid(), nullptr) << "the dialog outlives its closing";
}

// ---- master tables only ------------------------------------------------------------------------------

TEST_F(TableEditTest, RestrictedToMasterTablesOnlyTheLastColumnIsEdited) {
    ScopedGridSettings settings;
    settings.SetRestrictToMasterTables(true);
    Give();
    Open();
    EXPECT_TRUE(EditingAt(1, 1));
    Key(Qt::Key_Tab);
    EXPECT_TRUE(EditingAt(1, 1));
    Key(Qt::Key_Return);
    EXPECT_TRUE(EditingAt(2, 1));
    const QRect first = grid_->CellRectPx(3, 0);
    QTest::mouseClick(grid_->viewport(), Qt::LeftButton, Qt::NoModifier,
                      first.center() - grid_->viewport()->geometry().topLeft());
    EXPECT_FALSE(editor_->geometry().intersects(first.translated(grid_->pos())) && editor_->isVisible() &&
                 QApplication::focusWidget() == editor_)
        << "no editor over the first column";
    EXPECT_EQ(grid_->Col(), 0);
    Type("9");
    EXPECT_EQ(grid_->TextMatrix(3, 0), "5");
}

// ---- no table ----------------------------------------------------------------------------------------

TEST_F(TableEditTest, WithoutATableTheGridStaysHiddenAndTheResultHasNoBounds) {
    EXPECT_EQ(Numbers(dialog_->GetArray()), "<no bounds>") << "before any showing";
    dialog_->PutArray(Variant::List({1, 2}), Variant());
    dialog_->PutArray(Variant("x"), Variant());
    dialog_->SetReferencePosition(Rect(3000, 3000, 100, 100));
    Open();
    ASSERT_NE(grid_, nullptr);
    EXPECT_FALSE(grid_->isVisible());
    EXPECT_FALSE(editor_->isVisible());
    EXPECT_TRUE(dialog_->UnloadFor(unloadreason::ControlMenu));
    const Variant result = dialog_->GetArray();
    EXPECT_EQ(Numbers(result), "<no bounds>");
    EXPECT_EQ(result.elemKind(), VarType::Double);
}

TEST_F(TableEditTest, AnIgnoredTableLeavesTheEarlierOne) {
    Give();
    dialog_->PutArray(Variant::List({1, 2}), Variant());
    Open();
    EXPECT_EQ(grid_->Rows(), 4);
    EXPECT_EQ(grid_->TextMatrix(0, 0), "Impact");
}

// ---- a picture for review ------------------------------------------------------------------------------

TEST_F(TableEditTest, WritesAPictureOfTheDialogBesideItsRectangle) {
    const double rect[4] = {4500, 6000, 1500, 450};
    Give(Rect(rect[0], rect[1], rect[2], rect[3]));
    Open();
    Type("4");
    QApplication::processEvents();

    const auto px = [](double twips) { return static_cast<int>(twips / 15.0 + 0.5); };
    QImage screen(metrics_.widthPx, metrics_.heightPx, QImage::Format_RGB32);
    screen.fill(QColor(58, 110, 165));
    QPainter p(&screen);
    // The control that was clicked.
    const QRect reference(px(rect[0]), px(rect[1]), px(rect[2]), px(rect[3]));
    p.fillRect(reference, QColor(255, 255, 192));
    p.setPen(Qt::black);
    p.drawRect(reference.adjusted(0, 0, -1, -1));
    p.drawText(reference, Qt::AlignCenter, QStringLiteral("reference"));
    // The dialog: its frame and caption as the outer size counts them, its client drawn.
    const QRect outer(px(dialog_->Left()), px(dialog_->Top()), px(dialog_->Width()), px(dialog_->Height()));
    p.fillRect(outer, QColor(212, 208, 200));
    p.fillRect(QRect(outer.left() + 3, outer.top() + 3, outer.width() - 6, 19), QColor(10, 36, 106));
    p.drawRect(outer.adjusted(0, 0, -1, -1));
    p.drawImage(outer.topLeft() + QPoint(3, 3 + 19), dialog_->grab().toImage());
    // The rectangle again, over the dialog that covers it.
    p.setPen(QPen(Qt::red, 1, Qt::DashLine));
    p.drawRect(reference.adjusted(0, 0, -1, -1));
    p.end();

    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/tableeditor_dialog.png");
    ASSERT_TRUE(screen.save(path));
    EXPECT_TRUE(QFileInfo(path).size() > 0);
    EXPECT_TRUE(outer.intersects(reference)) << "the dialog lies over its rectangle";
    EXPECT_NEAR(outer.center().x(), reference.center().x(), 1);
}

}  // namespace
}  // namespace nuvir::test
