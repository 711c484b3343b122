// The table-editing dialog: fitted to its table, placed over a screen rectangle and
// kept on the screen, editing from the first editable cell, Escape against the close
// box, the master-table restriction, help, the modal road, and a picture for review.
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/flexedit.h"
#include "controls/gridfit.h"
#include "controls/tableeditor.h"
#include "flexedit_appdata.h"
#include "platform/controls.h"
#include "platform/fakeservices.h"
#include "platform/flexgrid.h"
#include "platform/screen.h"
#include "runtime/convert.h"

namespace nuvir::test {
namespace {

Variant Texts(const std::vector<std::vector<std::string>>& rows) {
    const int nRows = static_cast<int>(rows.size());
    const int nCols = static_cast<int>(rows[0].size());
    Variant a = Variant::MakeArray(VarType::Generic, {Bounds{0, nCols - 1}, Bounds{0, nRows - 1}});
    for (int r = 0; r < nRows; ++r)
        for (int c = 0; c < nCols; ++c) a(c, r) = rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
    return a;
}

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
        dialog_->PutArray(Texts({{"1", "0.2"}, {"2", "0.3"}, {"5", "0.5"}}),
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

    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* w = QApplication::focusWidget();
        ASSERT_NE(w, nullptr);
        QTest::keyClick(w, key, mods);
    }
    void Type(const char* text) {
        QWidget* w = QApplication::focusWidget();
        ASSERT_NE(w, nullptr);
        QTest::keyClicks(w, QString::fromUtf8(text));
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
    EXPECT_EQ(grid_->TextMatrix(0, 0), "Impact");
    EXPECT_EQ(grid_->TextMatrix(0, 1), "P (0-1)");
    EXPECT_EQ(dialog_->width(), grid_->width()) << "the client area is the grid";
    EXPECT_EQ(dialog_->height(), grid_->height());
    EXPECT_DOUBLE_EQ(dialog_->Width(), grid_->Width() + 15 * 2 * 3);
    EXPECT_DOUBLE_EQ(dialog_->Height(), grid_->Height() + 15 * (2 * 3 + 19));
    EXPECT_FALSE(grid_->verticalScrollBar()->isVisible());
    EXPECT_FALSE(grid_->horizontalScrollBar()->isVisible());
    const QRect inside = grid_->viewport()->geometry();
    for (int r = 0; r < grid_->Rows(); ++r)
        for (int c = 0; c < grid_->Cols(); ++c) EXPECT_TRUE(inside.contains(grid_->CellRectPx(r, c))) << r << "," << c;
    EXPECT_EQ(dialog_->HelpContextID(), 31);
}

TEST_F(TableEditTest, TheDialogIsCentredOnTheRectangle) {
    Give(Rect(3000, 4000, 1200, 300));
    Open();
    EXPECT_DOUBLE_EQ(dialog_->Left(), 3000 - (dialog_->Width() - 1200) / 2);
    EXPECT_DOUBLE_EQ(dialog_->Top(), 4000 - (dialog_->Height() - 300) / 2);
}

TEST_F(TableEditTest, NearTheRightAndBottomEdgesTheDialogEndsAtTheScreensEdges) {
    Give(Rect(11700, 11800, 300, 200));
    Open();
    EXPECT_DOUBLE_EQ(dialog_->Left() + dialog_->Width(), 12000);
    EXPECT_DOUBLE_EQ(dialog_->Top() + dialog_->Height(), 12000);
}

TEST_F(TableEditTest, NearTheLeftAndTopEdgesTheDialogStartsAtZero) {
    Give(Rect(15, 30, 300, 200));
    Open();
    EXPECT_DOUBLE_EQ(dialog_->Left(), 0);
    EXPECT_DOUBLE_EQ(dialog_->Top(), 0);
}

// ---- editing and closing ------------------------------------------------------------------------------

TEST_F(TableEditTest, EditingStartsOnTheFirstCellAndEnterMovesOnWithoutClosing) {
    Give();
    Open();
    EXPECT_TRUE(EditingAt(1, 0));
    Type("3");
    Key(Qt::Key_Return);
    EXPECT_TRUE(dialog_->isVisible()) << "Enter pressed no button";
    EXPECT_TRUE(EditingAt(1, 1));
    Type("0.1");
    Key(Qt::Key_Return);
    EXPECT_TRUE(EditingAt(2, 0));
    EXPECT_TRUE(dialog_->UnloadFor(unloadreason::ControlMenu));
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(Numbers(dialog_->GetArray()), "3|0.1/2|0.3/5|0.5");
}

TEST_F(TableEditTest, EscapeAfterTypingClosesAndGivesTheTableAsPassed) {
    Give();
    Open();
    Type("9");
    Key(Qt::Key_Return);
    Type("8");
    Key(Qt::Key_Escape);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(Numbers(dialog_->GetArray()), "1|0.2/2|0.3/5|0.5");
}

TEST_F(TableEditTest, TheCloseBoxWhileACellIsEditedKeepsTheTypedText) {
    Give();
    Open();
    Key(Qt::Key_Down);
    Type("7.5");
    EXPECT_TRUE(dialog_->UnloadFor(unloadreason::ControlMenu));
    EXPECT_EQ(Numbers(dialog_->GetArray()), "1|0.2/7.5|0.3/5|0.5");
}

TEST_F(TableEditTest, TabStaysInTheGridAndNeverReachesTheHiddenButton) {
    Give();
    Open();
    Key(Qt::Key_Tab);
    EXPECT_TRUE(EditingAt(1, 1));
    Key(Qt::Key_Tab);
    EXPECT_TRUE(EditingAt(1, 0));
    CommandButton* button = dialog_->FindAs<CommandButton>("cmdButton", 0);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->Caption(), "X");
    EXPECT_TRUE(button->Visible());
    EXPECT_DOUBLE_EQ(button->Left(), -1000);
}

TEST_F(TableEditTest, TheModalRoadReturnsWhenEscapeIsPressed) {
    Give();
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

TEST_F(TableEditTest, F1OpensHelpTopic31) {
    FakeHelp help;
    ScopedServices services(ServiceSet{nullptr, nullptr, &help, nullptr, nullptr});
    Give();
    Open();
    Key(Qt::Key_F1);
    ASSERT_EQ(help.calls.size(), 1u);
    EXPECT_EQ(help.calls[0].context, 31);
    EXPECT_TRUE(EditingAt(1, 0)) << "F1 typed nothing and moved nothing";
    EXPECT_EQ(editor_->Text(), "1");
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
