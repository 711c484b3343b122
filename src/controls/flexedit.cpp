#include "controls/flexedit.h"

#include <QToolTip>

#include <algorithm>

#include "controls/flexedit_settings.h"
#include "platform/controls.h"
#include "platform/flexgrid.h"
#include "platform/form.h"
#include "platform/handlerguard.h"
#include "platform/services.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "utilities/utilities_arrays.h"

namespace nuvir {

namespace {

constexpr const char* kGridStem = "flxFlexEdit";
constexpr const char* kEditorStem = "txtFlexEditBox";
constexpr const char* kSinkStem = "txtFlexDummy";
constexpr const char* kTagNormal = "Normal";
constexpr const char* kTagFixed = "Fixed";

std::string WithoutCrLf(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            ++i;
            continue;
        }
        out += s[i];
    }
    return out;
}

// Handlers run from the window's focus and key events: an error there is shown to the
// user, as any error a user action causes, and never thrown into the event loop.
template <class F>
void FromEvent(F&& f) {
    RunGuarded(GuardPolicy::ShowMessage, {}, "Editing the table", std::forward<F>(f));
}

// Sets a flag for the life of a scope, whatever way the scope is left.
class FlagScope {
public:
    FlagScope(bool& flag, bool value) : flag_(flag), old_(flag) { flag_ = value; }
    ~FlagScope() { flag_ = old_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool old_;
};

}  // namespace

CFlexEditA::CFlexEditA() = default;

CFlexEditA::~CFlexEditA() {
    // Removing the controls hides them, which moves the focus; nothing may reach this
    // object any more.
    if (grid_) QObject::disconnect(grid_, nullptr, this, nullptr);
    if (grid_) QObject::disconnect(grid_->Events(), nullptr, this, nullptr);
    if (editor_) QObject::disconnect(editor_->Events(), nullptr, this, nullptr);
    if (sink_) QObject::disconnect(sink_->Events(), nullptr, this, nullptr);
    RemoveControls();
}

// ---- building and removing the controls -------------------------------------------------

void CFlexEditA::SetContainer(Control* host) {
    if (host_ || host == nullptr) return;
    Form* form = host->Parent();
    if (form == nullptr) return;
    Control* container = host->IsForm() ? nullptr : host;

    int n = 1;
    while (form->Find(kGridStem + std::to_string(n)) != nullptr) ++n;
    gridName_ = kGridStem + std::to_string(n);
    editorName_ = kEditorStem + std::to_string(n);
    sinkName_ = kSinkStem + std::to_string(n);
    host_ = form;

    FlexGrid::RegisterType();
    grid_ = dynamic_cast<FlexGrid*>(form->AddByType("MSFlexGridLib.MSFlexGrid", gridName_, container));
    FlexGrid& g = *grid_;
    g.SetRows(2);
    g.SetFixedRows(1);
    g.SetCols(2);
    g.SetFixedCols(0);
    g.SetForeColor(0);
    g.SetBackColor(0xFFFFFF);
    // The current cell is drawn like any other.
    g.SetBackColorSel(g.BackColor());
    g.SetForeColorSel(g.ForeColor());
    g.SetForeColorFixed(0xFF0000);
    g.SetFocusRect(0);
    g.SetHighLight(0);
    g.SetScrollBars(flexscroll::Vertical);
    g.SetRowHeight(0, 240);
    g.SetColWidth(0, 240);
    // Users cannot resize rows or columns nor select ranges in this grid, so nothing
    // else needs switching off.

    editor_ = dynamic_cast<TextBox*>(form->AddByType("TextBox", editorName_, container));
    // The editor covers one cell exactly.
    editor_->setFrame(false);
    editor_->setTextMargins(1, 0, 1, 0);

    sink_ = dynamic_cast<TextBox*>(form->AddByType("TextBox", sinkName_));
    sink_->SetLeft(0);
    sink_->SetTop(-1000);
    // Small enough to stay wholly above the window's top edge, where it can take the
    // focus but never a click.
    sink_->SetWidth(255);
    sink_->SetHeight(255);
    sink_->SetVisible(true);

    editBackColor_ = 0xFFFF00;
    cursorAction_ = 2;
    autoNewRow_ = false;
    minCol_ = g.FixedCols();
    minRow_ = g.FixedRows();
    ConnectControls();
}

void CFlexEditA::ConnectControls() {
    connect(grid_, &FlexGrid::LeaveCell, this, &CFlexEditA::OnLeaveCell);
    connect(grid_, &FlexGrid::EnterCell, this, &CFlexEditA::OnEnterCell);
    ControlEvents* ge = grid_->Events();
    connect(ge, &ControlEvents::MouseDown, this, &CFlexEditA::OnGridMouseDown);
    connect(ge, &ControlEvents::MouseUp, this,
            [this](int b, int s, double x, double y) { Q_EMIT MouseUp(b, s, x, y); });
    connect(ge, &ControlEvents::Click, this, &CFlexEditA::OnGridClick);
    connect(ge, &ControlEvents::MouseMove, this, [this](int, int, double, double) { OnGridMouseMove(); });
    connect(ge, &ControlEvents::Scroll, this, &CFlexEditA::OnGridScroll);
    connect(ge, &ControlEvents::GotFocus, this, [this] {
        hasFocus_ = true;
        FromEvent([this] { FocusArrived(); });
    });
    connect(ge, &ControlEvents::LostFocus, this, [this] { hasFocus_ = false; });

    ControlEvents* ee = editor_->Events();
    connect(ee, &ControlEvents::Change, this, &CFlexEditA::OnEditChange);
    connect(ee, &ControlEvents::KeyDown, this,
            [this](int& code, int shift) { FromEvent([&] { OnEditKeyDown(code, shift); }); });
    connect(ee, &ControlEvents::KeyPress, this, &CFlexEditA::OnEditKeyPress);
    connect(ee, &ControlEvents::GotFocus, this, [this] { hasFocus_ = true; });
    connect(ee, &ControlEvents::LostFocus, this, [this] {
        hasFocus_ = false;
        FromEvent([this] { OnEditLostFocus(); });
    });
    // The window asks the editor to validate before the focus moves on.
    connect(ee, &ControlEvents::Validate, this, [this](bool&) { FromEvent([this] { CaptureEdit(); }); });

    connect(sink_->Events(), &ControlEvents::GotFocus, this, [this] { FromEvent([this] { FocusArrived(); }); });
}

void CFlexEditA::RemoveControls() {
    if (host_) {
        for (const std::string& name : {gridName_, editorName_, sinkName_}) {
            TryStep([&] {
                if (!name.empty() && host_->Find(name) != nullptr) host_->Remove(name);
            });
        }
    }
    grid_ = nullptr;
    editor_ = nullptr;
    sink_ = nullptr;
    host_ = nullptr;
}

// ---- properties -----------------------------------------------------------------------------

FlexGrid* CFlexEditA::Flexgrid() const { return grid_; }

Variant CFlexEditA::GetArray() const {
    if (grid_ && MUtilities::ArrayDims(current_) == 2) return current_;
    return Variant();
}

void CFlexEditA::SetTabIndex(int n) {
    tabIndex_ = n;
    if (!grid_ || !editor_ || !sink_) return;
    sink_->SetTabStop(true);
    sink_->SetTabIndex(n);
    editor_->SetTabStop(true);
    editor_->SetTabIndex(n + 1);
    grid_->SetTabStop(true);
    grid_->SetTabIndex(n + 2);
}

void CFlexEditA::SetMinCol(int col) {
    if (grid_ && col >= 0 && col <= grid_->Cols() - 1) minCol_ = col;
}

void CFlexEditA::SetMinRow(int row) {
    if (grid_ && row >= 0 && row <= grid_->Rows() - 1) minRow_ = row;
}

bool CFlexEditA::Redraw() const { return grid_ ? grid_->Redraw() : false; }

void CFlexEditA::SetRedraw(bool on) {
    if (grid_) grid_->SetRedraw(on);
}

// ---- snapshots and dirty state -----------------------------------------------------------------

Variant CFlexEditA::ReadGridArray() const {
    if (!grid_) return Variant();
    const FlexGrid& g = *grid_;
    const int fixedRows = g.FixedRows();
    const int fixedCols = g.FixedCols();
    const int dataCols = g.Cols() - fixedCols;
    const int dataRows = g.Rows() - fixedRows;
    if (dataCols <= 0 || dataRows <= 0) return Variant();
    Variant a = Variant::MakeArray(VarType::Generic, {Bounds{0, dataCols - 1}, Bounds{0, dataRows - 1}});
    int k = -1;
    for (int r = 0; r < dataRows; ++r) {
        if (g.RowHeight(fixedRows + r) <= 0) continue;
        ++k;
        for (int c = 0; c < dataCols; ++c) {
            const std::string* err = ErrorText(fixedRows + r, fixedCols + c);
            a(c, k) = (err != nullptr && !err->empty()) ? std::string() : g.TextMatrix(fixedRows + r, fixedCols + c);
        }
    }
    if (k < 0) return Variant();
    if (k < dataRows - 1) a.redimPreserve(k);
    return a;
}

bool CFlexEditA::IsDirty() const {
    if (!changed_) return false;
    const bool a = current_.dims() > 0;
    const bool b = clean_.dims() > 0;
    if (!a || !b) return !(current_.isEmpty() && clean_.isEmpty());
    if (current_.dims() != clean_.dims()) return true;
    for (int d = 1; d <= current_.dims(); ++d) {
        if (current_.lbound(d) != clean_.lbound(d) || current_.ubound(d) != clean_.ubound(d)) return true;
    }
    const auto& x = current_.elements();
    const auto& y = clean_.elements();
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (TextOf(x[i]) != TextOf(y[i])) return true;
    }
    return false;
}

void CFlexEditA::ClearDirty() {
    current_ = ReadGridArray();
    clean_ = current_;
    changed_ = false;
}

void CFlexEditA::SetDirty() {
    current_ = ReadGridArray();
    changed_ = true;
}

void CFlexEditA::CancelChanges() { current_ = clean_; }

CFlexEditA::GridState CFlexEditA::SaveGridState() const {
    GridState s;
    if (!grid_) return s;
    s.valid = true;
    s.row = grid_->Row();
    s.col = grid_->Col();
    s.suppressCellEvents = suppressCellEvents_;
    s.redraw = grid_->Redraw();
    return s;
}

// ---- loading ---------------------------------------------------------------------------------------

// A copy, not a reference: handlers that run while the grid fills may change the caller's table.
void CFlexEditA::PutArray(Variant data) {  // NOLINT(performance-unnecessary-value-param)
    // An open edit belongs to the table being replaced: close it unwritten, or its text would land in the new one.
    if (editing_ && grid_ && editor_) {
        editor_->SetTag("");
        grid_->SetFocusRect(savedIndicator_);
        editing_ = false;
        editor_->ZOrder(1);
    }
    data_ = data;
    current_ = Variant();
    clean_ = Variant();
    errorsAllocated_ = false;
    errors_.clear();
    errorCols_ = errorRows_ = 0;
    const GridState saved = SaveGridState();
    if (grid_) {
        FlexGrid& g = *grid_;
        g.SetRows(minRow_);
        if (MUtilities::ArrayDims(data) == 2) {
            FlagScope quiet(suppressCellEvents_, true);
            g.SetRedraw(false);
            try {
                // Lower bounds are taken as 0: the upper bounds give the sizes.
                g.SetRows(std::max(g.FixedRows(), g.FixedRows() + 1 + data.ubound(2)));
                g.SetCols(std::max(g.FixedCols(), g.FixedCols() + 1 + data.ubound(1)));
                if (g.Rows() > g.FixedRows() && g.Cols() > g.FixedCols()) {
                    g.SetRow(g.FixedRows());
                    g.SetCol(g.FixedCols());
                    g.SetRowSel(g.Rows() - 1);
                    g.SetColSel(g.Cols() - 1);
                    // One data row (second index) per grid row, cells separated by tabs.
                    g.SetClip(MUtilities::JoinArray2D(MUtilities::TransposeArray(data), "\t", "\r"));
                    g.SetRow(g.FixedRows());
                    g.SetCol(g.FixedCols());
                }
                lastColumn_ = g.Cols() - 1;
            } catch (...) {
                g.SetRedraw(saved.redraw);
                throw;
            }
            g.SetRedraw(saved.redraw);
            g.SetVisible(true);
        }
    }
    RevalidateCells();
    ClearDirty();
}

// ---- errors -------------------------------------------------------------------------------------

const std::string* CFlexEditA::ErrorText(int row, int col) const {
    if (!errorsAllocated_ || row < 0 || col < 0 || row >= errorRows_ || col >= errorCols_) return nullptr;
    return &errors_[static_cast<std::size_t>(col) * errorRows_ + row];
}

void CFlexEditA::SizeErrorTable(bool grow) {
    if (!grid_) return;
    const int cols = grid_->Cols();
    const int rows = grid_->Rows();
    if (errorsAllocated_ && !grow) return;
    if (errorsAllocated_ && cols == errorCols_ && rows == errorRows_) return;
    std::vector<std::string> table(static_cast<std::size_t>(cols) * rows);
    if (errorsAllocated_) {
        for (int c = 0; c < std::min(cols, errorCols_); ++c)
            for (int r = 0; r < std::min(rows, errorRows_); ++r)
                table[static_cast<std::size_t>(c) * rows + r] =
                    std::move(errors_[static_cast<std::size_t>(c) * errorRows_ + r]);
    }
    errors_ = std::move(table);
    errorCols_ = cols;
    errorRows_ = rows;
    errorsAllocated_ = true;
}

void CFlexEditA::ClearCellError(int row, int col) {
    if (!grid_) return;
    SizeErrorTable(false);
    const std::string* err = ErrorText(row, col);
    if (err == nullptr || err->empty()) return;
    FlexGrid& g = *grid_;
    const GridState saved = SaveGridState();
    {
        FlagScope quiet(suppressCellEvents_, true);
        g.SetRow(row);
        g.SetCol(col);
        g.SetCellBackColor(g.BackColor());
        g.SetRow(saved.row);
        g.SetCol(saved.col);
    }
    errors_[static_cast<std::size_t>(col) * errorRows_ + row].clear();
}

void CFlexEditA::MarkCellError(int row, int col, const std::string& message) {
    if (!grid_) return;
    FlexGrid& g = *grid_;
    if (row < 0 || row >= g.Rows() || col < 0 || col >= g.Cols() || g.RowHeight(row) < 1) return;
    // The owner may have grown the grid since the table was made.
    SizeErrorTable(ErrorText(row, col) == nullptr);
    const GridState saved = SaveGridState();
    {
        FlagScope quiet(suppressCellEvents_, true);
        g.SetRow(row);
        g.SetCol(col);
        g.SetCellBackColor(flexsettings::ErrorColour());
        g.SetRow(saved.row);
        g.SetCol(saved.col);
    }
    errors_[static_cast<std::size_t>(col) * errorRows_ + row] = message;
}

bool CFlexEditA::CheckRow(int) { return true; }

bool CFlexEditA::ValidateCell(int row, int col, const std::string&, bool skipCheck) {
    bool ok = true;
    try {
        ClearCellError(row, col);
        if (!skipCheck) ok = CheckRow(row);
    } catch (const AppError& e) {
        ok = false;
        MarkCellError(row, col, e.description());
    }
    return ok;
}

void CFlexEditA::RevalidateCells() {
    if (!grid_) return;
    FlexGrid& g = *grid_;
    const GridState saved = SaveGridState();
    g.SetRedraw(false);
    for (int r = minRow_; r < g.Rows(); ++r) {
        bool all = true;
        for (int c = minCol_; c < g.Cols(); ++c) all = ValidateCell(r, c, g.TextMatrix(r, c), true) && all;
        if (all) CheckRow(r);
    }
    g.SetRedraw(saved.redraw);
}

bool CFlexEditA::IsValid() {
    RevalidateCells();
    if (!errorsAllocated_ || !grid_) return false;
    for (int r = 0; r < std::min(errorRows_, grid_->Rows()); ++r) {
        if (grid_->RowHeight(r) <= 0) continue;
        for (int c = 0; c < errorCols_; ++c) {
            if (!errors_[static_cast<std::size_t>(c) * errorRows_ + r].empty()) return false;
        }
    }
    return true;
}

// ---- editing ---------------------------------------------------------------------------------------

void CFlexEditA::EnterCell() {
    if (busy_ || !grid_ || !editor_) return;
    FlexGrid& g = *grid_;
    Q_EMIT CellChange(g.Row(), g.Col());
    if (!allowEdit_) return;
    if (g.Rows() == g.FixedRows() || g.Rows() < 1) return;

    if (mousePressed_) {
        const int mr = g.MouseRow();
        const int mc = g.MouseCol();
        const bool overFixed = mc <= g.FixedCols() - 1 || mr <= g.FixedRows() - 1;
        if (overFixed && mr >= minRow_ && mc >= minCol_ && mr < g.Rows() && mc < g.Cols()) {
            FlagScope busy(busy_, true);
            g.SetRow(mr);
            g.SetCol(mc);
        }
    }

    editRow_ = g.Row();
    editCol_ = g.Col();
    if (editCol_ <= g.FixedCols() - 1 || editRow_ <= g.FixedRows() - 1) {
        if (editRow_ == minRow_ && editCol_ == minCol_ && editCol_ == 0 && editRow_ + 1 < g.Rows() && g.Cols() > 1) {
            FlagScope busy(busy_, true);
            g.SetRow(editRow_ + 1);
            g.SetCol(1);
        }
        editor_->SetTag(kTagFixed);
    } else {
        editor_->SetTag(kTagNormal);
    }

    if (g.ColWidth(g.Col()) <= 0 || g.RowHeight(g.Row()) <= 0 || editRow_ < minRow_ || editCol_ < minCol_) return;

    editing_ = true;
    const double left = g.Left() + g.CellLeft();
    const double top = g.Top() + g.CellTop();
    const double width = g.CellWidth();
    const double height = g.CellHeight();
    editor_->SetTop(top);
    editor_->SetLeft(left);
    if (width >= 0) editor_->SetWidth(width);
    if (height >= 0) editor_->SetHeight(height);
    const std::string text = g.Text();
    // The editor writes its text where the cell does, so nothing moves when editing starts.
    const int column = g.TextAlignment(editCol_, text) / 3;  // left, centre, right
    editor_->SetAlignment(column == 0 ? align::Left : column == 1 ? align::Center : align::Right);
    editor_->SetText(text);
    editor_->SelectForOvertyping();
    editor_->SetBackColor(editBackColor_);
    editor_->SetVisible(true);
    editor_->ZOrder(0);
    editor_->SetFocus();

    savedIndicator_ = g.FocusRect();
    g.SetFocusRect(0);
}

void CFlexEditA::CaptureEdit() {
    if (!grid_ || !editor_) return;
    FlexGrid& g = *grid_;
    auto finish = [this] {
        editing_ = false;
        editor_->ZOrder(1);
    };
    if (!editing_) {
        finish();
        return;
    }
    if (g.Rows() < 1) return;
    if (editor_->Tag() == kTagNormal) g.SetCellBackColor(g.BackColor());
    editor_->SetTag("");
    const int row = g.Row();
    const int col = g.Col();
    if (row >= minRow_) {
        // Stored as typed: line breaks removed while typing come back here.
        const std::string text = editor_->Text();
        g.SetTextMatrix(row, col, text);
        ValidateCell(row, col, text, false);
    }
    current_ = ReadGridArray();
    try {
        Q_EMIT Validate(row, col, Variant(g.TextMatrix(row, col)));
    } catch (...) {
        g.SetFocusRect(savedIndicator_);
        finish();
        throw;
    }
    // A handler may have rewritten the cell; the snapshot holds what the grid shows.
    current_ = ReadGridArray();
    g.SetFocusRect(savedIndicator_);
    finish();
}

int CFlexEditA::LastColumn() const {
    // The owner may have removed columns since the table was loaded.
    return grid_ ? std::min(lastColumn_, grid_->Cols() - 1) : lastColumn_;
}

namespace {

// From start in steps of step, wrapping from last to first and back, the first place
// that is start again or visible; start when `tries` steps meet neither.
template <class Visible>
int StepToVisible(int start, int step, int first, int last, int tries, Visible visible) {
    int p = start;
    for (int i = 0; i < tries; ++i) {
        p += step;
        if (p > last) {
            p = first;
        } else if (p < first) {
            p = last;
        }
        if (p == start || visible(p)) return p;
    }
    return start;
}

}  // namespace

void CFlexEditA::MoveCursor(int direction, int step) {
    if (!grid_) return;
    FlexGrid& g = *grid_;
    if (direction == 1) {
        const int last = g.Rows() - 1;
        if (last < minRow_) return;
        // Steps of 10 over hidden rows can cycle without meeting the start again: after
        // as many steps as there are rows the cursor stays where it is.
        g.SetRow(StepToVisible(g.Row(), step, minRow_, last, last + 1, [&](int r) { return g.RowHeight(r) >= 1; }));
    } else if (direction == 0) {
        const int start = g.Col();
        const int last = LastColumn();
        if (last < minCol_) return;
        const int c =
            StepToVisible(start, step, minCol_, last, g.Cols() + 1, [&](int col) { return g.ColWidth(col) >= 1; });
        g.SetCol(c);
        if (c == start) EnterCell();
    }
}

void CFlexEditA::AddRow(bool refresh) {
    if (!grid_) return;
    FlexGrid& g = *grid_;
    g.SetRows(g.Rows() + 1);
    SizeErrorTable(true);
    changed_ = true;
    if (refresh) current_ = ReadGridArray();
    for (int c = minCol_; c < g.Cols(); ++c) ValidateCell(g.Rows() - 1, c, "", true);
}

void CFlexEditA::EnterKey(bool shift) {
    FlexGrid& g = *grid_;
    const bool atEnd = g.Col() == LastColumn() && g.Row() == g.Rows() - 1;
    if (!shift) {
        switch (cursorAction_) {
            case 0:
                if (autoNewRow_ && g.Row() == g.Rows() - 1) AddRow(true);
                MoveCursor(1, +1);
                break;
            case 1:
                if (autoNewRow_ && atEnd) {
                    AddRow(true);
                    g.SetRow(g.Rows() - 1);
                }
                MoveCursor(0, +1);
                break;
            case 2:
                if (autoNewRow_ && atEnd) AddRow(true);
                MoveCursor(0, +1);
                if (g.Col() == minCol_) MoveCursor(1, +1);
                break;
            default: break;
        }
        return;
    }
    switch (cursorAction_) {
        case 0: MoveCursor(1, -1); break;
        case 1: MoveCursor(0, -1); break;
        case 2:
            MoveCursor(0, -1);
            if (g.Col() == LastColumn()) MoveCursor(1, -1);
            break;
        default: break;
    }
}

void CFlexEditA::FocusArrived() {
    // Giving the grid the focus from here raises this again; the outer call decides.
    if (arriving_ || !grid_) return;
    FlagScope inside(arriving_, true);
    const int direction = tabDirection_;
    try {
        if (direction != 0) {
            if (host_ && host_->ActiveControl() != grid_) grid_->SetFocus();
            MoveCursor(0, direction);
        } else if (!editing_ && LastFocusReason() != Qt::MouseFocusReason) {
            // A click on the grid gives it the focus before the press reaches it; the
            // press and the click then enter the cell under the mouse.
            if (grid_->isVisible()) {
                grid_->SetFocus();
                if (allowEdit_) EnterCell();
            }
        }
    } catch (...) {
        tabDirection_ = 0;
        throw;
    }
    tabDirection_ = 0;
}

void CFlexEditA::EditText(int row, int col) {
    if (!grid_) return;
    if (row == grid_->Row() && col == grid_->Col()) {
        EnterCell();
    } else {
        grid_->SetRow(row);
        grid_->SetCol(col);
    }
}

void CFlexEditA::ForceCapture() {
    if (editing_) CaptureEdit();
}

// ---- handlers ---------------------------------------------------------------------------------------

void CFlexEditA::OnLeaveCell() {
    if (!suppressCellEvents_) CaptureEdit();
}

void CFlexEditA::OnEnterCell() {
    if (suppressCellEvents_ || !grid_) return;
    if (grid_->Col() >= minCol_ && grid_->Row() >= minRow_) EnterCell();
}

void CFlexEditA::OnGridMouseDown(int button, int shift, double x, double y) {
    if (button == 1) mousePressed_ = true;
    Q_EMIT MouseDown(button, shift, x, y);
}

void CFlexEditA::OnGridClick() {
    if (mousePressed_ && !editing_ && grid_ && grid_->Col() >= minCol_ && grid_->Row() >= minRow_) EnterCell();
    mousePressed_ = false;
}

void CFlexEditA::OnGridMouseMove() { UpdateErrorTip(); }

void CFlexEditA::UpdateErrorTip() {
    if (!grid_) return;
    const std::string* err = ErrorText(grid_->MouseRow(), grid_->MouseCol());
    const std::string tip = err != nullptr ? *err : std::string();
    if (tip == grid_->ToolTipText()) return;
    // A tip on show belongs to the cell it was raised for.
    if (QToolTip::isVisible()) QToolTip::hideText();
    grid_->SetToolTipText(tip);
}

void CFlexEditA::OnGridScroll() {
    UpdateErrorTip();  // the cell under the mouse changed with the scroll
    if (!editing_ || scrollBusy_ || !grid_ || !editor_) return;
    FlexGrid& g = *grid_;
    const bool onView = editRow_ < g.Rows() && editCol_ < g.Cols() && g.RowIsVisible(editRow_) &&
                        g.ColIsVisible(editCol_);
    if (onView) {
        FlagScope busy(scrollBusy_, true);
        editor_->SetLeft(g.Left() + g.CellLeft());
        editor_->SetTop(g.Top() + g.CellTop());
        editor_->ZOrder(0);
    } else {
        editor_->ZOrder(1);
    }
}

void CFlexEditA::OnEditChange() {
    if (!grid_ || !editor_) return;
    FlexGrid& g = *grid_;
    const std::string text = WithoutCrLf(editor_->Text());
    if (editing_ && g.Row() >= minRow_ && g.Rows() > 0) {
        if (text != g.Text()) changed_ = true;
        g.SetText(text);
    }
}

void CFlexEditA::OnEditKeyDown(int& keyCode, int shift) {
    if (!grid_) return;
    FlexGrid& g = *grid_;
    dropChar_ = false;
    switch (keyCode) {
        case vk::Return: EnterKey((shift & shiftstate::Shift) != 0); return;
        case vk::Down:
            keyCode = 0;
            MoveCursor(1, +1);
            return;
        case vk::Up:
            keyCode = 0;
            MoveCursor(1, -1);
            return;
        case vk::PageUp:
            keyCode = 0;
            MoveCursor(1, g.Row() > 10 ? -10 : 1 - g.Row());
            return;
        case vk::PageDown:
            keyCode = 0;
            MoveCursor(1, g.Rows() - g.Row() > 10 ? 10 : g.Rows() - g.Row() - 1);
            return;
        case vk::Left:
        case vk::Right:
        case vk::Home:
        case vk::End:
        case vk::Delete: return;
        case vk::Quote:
            if (shift == shiftstate::Ctrl) {
                dropChar_ = true;
                if (g.Row() > minRow_) editor_->SetText(g.TextMatrix(g.Row() - 1, g.Col()));
            }
            return;
        // Backspace deletes, and Ctrl+C, V, X and Z copy, paste, cut and undo, through
        // the character their key types; consuming the key here would lose them. F1
        // stays with the window's help.
        case vk::Back:
        case vk::F1: return;
        default: break;
    }
    if ((shift & shiftstate::Ctrl) != 0 && (keyCode == 'C' || keyCode == 'V' || keyCode == 'X' || keyCode == 'Z')) {
        return;
    }
    keyCode = 0;
}

void CFlexEditA::OnEditKeyPress(int& keyAscii) {
    if (keyAscii == '\r' || dropChar_) keyAscii = 0;
    dropChar_ = false;
}

void CFlexEditA::OnEditLostFocus() {
    if (!grid_ || !editor_) return;
    Control* active = host_ ? host_->ActiveControl() : nullptr;
    if (active != grid_ && active != sink_ && active != editor_) {
        CaptureEdit();
        return;
    }
    if (active == editor_) return;
    tabDirection_ = 0;
    const Qt::FocusReason reason = LastFocusReason();
    if (reason == Qt::TabFocusReason) tabDirection_ = +1;
    if (reason == Qt::BacktabFocusReason) tabDirection_ = -1;
}

}  // namespace nuvir
