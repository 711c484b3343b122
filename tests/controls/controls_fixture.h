#pragma once
// What the component tests share: table texts, and an editable grid hosted on a shown
// form, 15 twips to the pixel, with a log of its events and helpers to type and click.
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/flexedit.h"
#include "platform/controls.h"
#include "platform/flexgrid.h"
#include "platform/form.h"
#include "platform/screen.h"
#include "runtime/convert.h"
#include "testsupport.h"

namespace nuvir {

// Reaches the error marks: nothing a user or an owner does can set one.
class FlexEditTestPeer {
public:
    static void Mark(CFlexEditA& e, int row, int col, const std::string& text) { e.MarkCellError(row, col, text); }
    static bool Editing(const CFlexEditA& e) { return e.editing_; }
};

namespace test {

// A generic (columns x rows) table from rows of texts.
inline Variant Table(const std::vector<std::vector<std::string>>& rows) {
    const int nRows = static_cast<int>(rows.size());
    const int nCols = nRows > 0 ? static_cast<int>(rows[0].size()) : 0;
    Variant a = Variant::MakeArray(VarType::Generic, {Bounds{0, nCols - 1}, Bounds{0, nRows - 1}});
    for (int r = 0; r < nRows; ++r)
        for (int c = 0; c < nCols; ++c) a(c, r) = rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
    return a;
}

// The texts of a (columns x rows) array, row by row, "|" between cells, "/" between rows.
inline std::string Rows(const Variant& a) {
    if (a.dims() != 2) return "<" + std::string(a.isEmpty() ? "empty" : "not a table") + ">";
    std::string s;
    for (int r = a.lbound(2); r <= a.ubound(2); ++r) {
        if (r > a.lbound(2)) s += "/";
        for (int c = a.lbound(1); c <= a.ubound(1); ++c) s += (c > a.lbound(1) ? "|" : "") + TextOf(a(c, r));
    }
    return s;
}

// Key clicks go to the widget with the focus, as a keyboard's do.
inline void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* w = QApplication::focusWidget();
    ASSERT_NE(w, nullptr) << "nothing has the focus";
    QTest::keyClick(w, key, mods);
}
inline void Type(const char* text) {
    QWidget* w = QApplication::focusWidget();
    ASSERT_NE(w, nullptr) << "nothing has the focus";
    QTest::keyClicks(w, QString::fromUtf8(text));
}

class FlexEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetScreenMetrics(&metrics_);
        form_ = std::make_unique<Form>();
        form_->resize(500, 400);
        other_ = form_->Add<TextBox>("txtOther");
        other_->Move(4500, 150, 1200, 300);
        edit_ = std::make_unique<CFlexEditA>();
        edit_->SetContainer(form_.get());
        grid_ = edit_->Flexgrid();
        editor_ = form_->FindAs<TextBox>("txtFlexEditBox1");
        sink_ = form_->FindAs<TextBox>("txtFlexDummy1");
        Record();
        form_->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
        QApplication::setActiveWindow(form_.get());
    }

    void TearDown() override {
        edit_.reset();
        form_.reset();
        SetScreenMetrics(nullptr);
    }

    void Record() {
        QObject::connect(edit_.get(), &CFlexEditA::Validate, [this](int r, int c, const Variant& v) {
            log_.push_back("validate(" + std::to_string(r) + "," + std::to_string(c) + "," + TextOf(v) + ")");
        });
        QObject::connect(edit_.get(), &CFlexEditA::CellChange, [this](int r, int c) {
            log_.push_back("change(" + std::to_string(r) + "," + std::to_string(c) + ")");
        });
    }

    // Loads a table of the given rows and lays the grid out on the form.
    void Load(const std::vector<std::vector<std::string>>& rows) {
        edit_->PutArray(Table(rows));
        grid_->SetColWidth(-1, 900);
        grid_->Move(150, 150, 3000, 2400);
        log_.clear();
    }

    std::string Joined() const {
        std::string s;
        for (const auto& e : log_) s += (s.empty() ? "" : " ") + e;
        return s;
    }

    void ClickCell(int row, int col) {
        const QRect r = grid_->CellRectPx(row, col);
        ASSERT_FALSE(r.isEmpty()) << "cell " << row << "," << col << " is not on view";
        QTest::mouseClick(grid_->viewport(), Qt::LeftButton, Qt::NoModifier,
                          r.center() - grid_->viewport()->geometry().topLeft());
    }

    // Whether the editor sits over the cell, shown in front, with the focus.
    ::testing::AssertionResult EditorOver(int row, int col) {
        if (!FlexEditTestPeer::Editing(*edit_)) return ::testing::AssertionFailure() << "not editing";
        if (grid_->Row() != row || grid_->Col() != col) {
            return ::testing::AssertionFailure() << "current cell " << grid_->Row() << "," << grid_->Col();
        }
        const QRect cell = grid_->CellRectPx(row, col).translated(grid_->pos());
        if (editor_->geometry() != cell) {
            return ::testing::AssertionFailure() << "editor at " << editor_->geometry().x() << ","
                                                 << editor_->geometry().y() << " cell at " << cell.x() << ","
                                                 << cell.y();
        }
        if (QApplication::focusWidget() != editor_) return ::testing::AssertionFailure() << "editor lacks the focus";
        return ::testing::AssertionSuccess();
    }

    ScreenMetrics metrics_{};
    std::unique_ptr<Form> form_;
    std::unique_ptr<CFlexEditA> edit_;
    TextBox* other_ = nullptr;
    FlexGrid* grid_ = nullptr;
    TextBox* editor_ = nullptr;
    TextBox* sink_ = nullptr;
    std::vector<std::string> log_;
};

}  // namespace test
}  // namespace nuvir
