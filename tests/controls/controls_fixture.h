#pragma once
// What the component tests share: table texts, ink on a picture, keys to the focus, and
// an editable grid hosted on a shown form, 15 twips to the pixel, with a log of its
// events and helpers to load, click and see where the editor is.
#include <QApplication>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/flexedit.h"
#include "defaultdata.h"
#include "formdriver.h"
#include "platform/controls.h"
#include "platform/flexgrid.h"
#include "platform/form.h"
#include "platform/screen.h"
#include "runtime/convert.h"
#include "testsupport.h"

namespace nuvir {

// Reaches the error marks, which nothing a user or an owner does can set, and the editor.
class FlexEditTestPeer {
public:
    static void Mark(CFlexEditA& e, int row, int col, const std::string& text) { e.MarkCellError(row, col, text); }
    static bool Editing(const CFlexEditA& e) { return e.editing_; }
    // Whether the editor is open over the cell with the focus.
    static bool EditorOver(const CFlexEditA& e, int row, int col) {
        const FlexGrid* g = e.Flexgrid();
        return e.editing_ && g->Row() == row && g->Col() == col && QApplication::focusWidget() == e.editor_.data() &&
               e.editor_->geometry() == g->CellRectPx(row, col).translated(g->pos());
    }
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
    if (a.dims() != 2) return "<" + std::string(a.isArray() ? "no bounds" : "not a table") + ">";
    std::string s;
    for (int r = a.lbound(2); r <= a.ubound(2); ++r) {
        if (r > a.lbound(2)) s += "/";
        for (int c = a.lbound(1); c <= a.ubound(1); ++c) s += (c > a.lbound(1) ? "|" : "") + TextOf(a(c, r));
    }
    return s;
}

// The bounding box of the pixels in the area that differ from the image's corner.
inline QRect Ink(const QImage& img, QRect area = {}) {
    if (area.isNull()) area = img.rect();
    QRect box;
    for (int y = std::max(0, area.top()); y <= std::min(img.height() - 1, area.bottom()); ++y)
        for (int x = std::max(0, area.left()); x <= std::min(img.width() - 1, area.right()); ++x)
            if ((img.pixel(x, y) | 0xFF000000u) != (img.pixel(0, 0) | 0xFF000000u)) box = box.united(QRect(x, y, 1, 1));
    return box;
}

class FlexEditTest : public DefaultDataTest {
protected:
    void SetUp() override {
        DefaultDataTest::SetUp();
        SetScreenMetrics(&metrics_);
        form_ = std::make_unique<Form>();
        form_->resize(500, 400);
        other_ = form_->Add<TextBox>("txtOther");
        other_->Move(4500, 150, 1200, 300);
        edit_ = std::make_unique<CFlexEditA>();
        edit_->SetContainer(form_.get());
        grid_ = edit_->Flexgrid();
        editor_ = form_->FindAs<TextBox>("txtFlexEditBox1");
        QObject::connect(edit_.get(), &CFlexEditA::Validate,
                         [this](int r, int c, const Variant& v) { Log("validate", r, c, "," + TextOf(v)); });
        QObject::connect(edit_.get(), &CFlexEditA::CellChange, [this](int r, int c) { Log("change", r, c, ""); });
        form_->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
        QApplication::setActiveWindow(form_.get());
    }
    void TearDown() override {
        edit_.reset();
        form_.reset();
        SetScreenMetrics(nullptr);
        DefaultDataTest::TearDown();
    }
    void Log(const std::string& what, int r, int c, const std::string& more) {
        log_ += (log_.empty() ? "" : " ") + what + "(" + std::to_string(r) + "," + std::to_string(c) + more + ")";
    }

    // Loads a table of the given rows and lays the grid out on the form.
    void Load(const std::vector<std::vector<std::string>>& rows) {
        edit_->ForceCapture();  // an edit left open is kept in the table it was typed into
        edit_->PutArray(Table(rows));
        grid_->SetColWidth(-1, 900);
        grid_->SetRowHeight(-1, FlexGrid::kDefaultRowHeight);
        grid_->Move(150, 150, 3000, 2400);
        log_.clear();
    }
    // rows x cols data cells holding "r.c" (grid row and column).
    void LoadGrid(int rows, int cols) {
        std::vector<std::vector<std::string>> t(static_cast<std::size_t>(rows));
        for (int r = 1; r <= rows; ++r)
            for (int c = 0; c < cols; ++c)
                t[static_cast<std::size_t>(r - 1)].push_back(std::to_string(r) + "." + std::to_string(c));
        Load(t);
    }
    bool EditorOver(int row, int col) const { return FlexEditTestPeer::EditorOver(*edit_, row, col); }
    void Start(int row, int col) {
        edit_->EditText(row, col);
        ASSERT_TRUE(EditorOver(row, col));
        log_.clear();
    }
    void Commit(int row, int col, const char* text) {
        edit_->EditText(row, col);
        Type(text);
        edit_->ForceCapture();
    }
    void ClickCell(int row, int col) {
        QTest::mouseClick(grid_->viewport(), Qt::LeftButton, Qt::NoModifier,
                          grid_->CellRectPx(row, col).center() - grid_->viewport()->geometry().topLeft());
    }

    ScreenMetrics metrics_{};
    std::unique_ptr<Form> form_;
    std::unique_ptr<CFlexEditA> edit_;
    TextBox* other_ = nullptr;
    FlexGrid* grid_ = nullptr;
    TextBox* editor_ = nullptr;
    std::string log_;
};

}  // namespace test
}  // namespace nuvir
