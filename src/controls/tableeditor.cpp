#include "controls/tableeditor.h"

#include <cmath>

#include "controls/flexedit.h"
#include "controls/flexedit_settings.h"
#include "controls/gridfit.h"
#include "numerics/numerics.h"
#include "platform/controls.h"
#include "platform/flexgrid.h"
#include "platform/screen.h"
#include "runtime/convert.h"
#include "utilities/utilities_arrays.h"

namespace nuvir {

FTableEdit::FTableEdit() {
    SetBorderStyle(borderstyle::FixedDialog);
    cmdButton_ = Add<CommandButton>("cmdButton", 0);
    cmdButton_->SetCaption("X");
    cmdButton_->Move(0, 0, 255, 255);
    cmdButton_->SetCancel(true);
    // Escape reaches it as the cancel button; Tab must stay within the grid.
    cmdButton_->setFocusPolicy(Qt::NoFocus);
    connect(cmdButton_->Events(), &ControlEvents::Click, this, [this] { Unload(); });
    connect(this, &Form::QueryUnload, this, &FTableEdit::OnQueryUnload);
}

FTableEdit::~FTableEdit() {
    // The grid removes its controls from this form, which must still be whole.
    grid_.reset();
}

void FTableEdit::PutArray(const Variant& data, const Variant& headings) {
    if (MUtilities::ArrayDims(data) != 2) return;
    table_ = data;
    headings_ = headings;
}

void FTableEdit::SetReferencePosition(const Variant& rect) {
    for (int i = 0; i < 4; ++i) {
        rect_[i] = 0;
        if (rect.dims() == 1 && i >= rect.lbound(1) && i <= rect.ubound(1)) {
            TryStep([&] { rect_[i] = CDbl(rect(i)); });
        }
    }
}

Variant FTableEdit::GetArray() const { return MKelvaro::GetGridAsDoubles(grid_.get()); }

void FTableEdit::showEvent(QShowEvent* e) {
    // The first showing builds the table before the window appears.
    if (firstActivation_) {
        firstActivation_ = false;
        Build();
    }
    Form::showEvent(e);
}

void FTableEdit::Build() {
    cmdButton_->SetVisible(true);
    cmdButton_->SetLeft(-1000);

    grid_ = std::make_unique<CFlexEditA>();
    grid_->SetContainer(this);
    const bool haveTable = table_.isArray();
    if (haveTable) grid_->PutArray(table_);
    const Variant size = MKelvaro::FitGridToContents(grid_.get(), headings_);
    if (flexsettings::RestrictToMasterTables()) grid_->SetMinCol(grid_->Flexgrid()->Cols() - 1);

    double width = size(0).numberValue();
    const double height = size(1).numberValue();
    const ScreenMetrics& screen = Screen();
    // The window manager's title bar shows the whole title: the last column takes the
    // width the window lacks for it, so the grid still fills the window.
    const int titlePx = TitleNeedPx() + 2 * GetSystemMetrics(sm::CxDlgFrame);
    const int shortPx = static_cast<int>(std::ceil(titlePx - width / screen.twipsPerPixelX));
    if (shortPx > 0 && grid_->Flexgrid() != nullptr && grid_->Flexgrid()->Cols() > 0) {
        FlexGrid& g = *grid_->Flexgrid();
        const double more = shortPx * screen.twipsPerPixelX;
        g.SetColWidth(g.Cols() - 1, static_cast<int>(std::ceil(g.ColWidth(g.Cols() - 1) + more)));
        g.SetWidth(g.Width() + more);
        width += more;
    }
    using MathFunctions::Max;
    using MathFunctions::Min;
    SetLeft(Max(Min(rect_[0] - (width - rect_[2]) / 2, screen.WidthTwips() - width), 0));
    SetTop(Max(Min(rect_[1] - (height - rect_[3]) / 2, screen.HeightTwips() - height), 0));
    SetWidth(width);
    SetHeight(height);
    SetHelpContextID(kHelpContext);

    // Without a table the grid stays hidden, and no editor may open over it: the close
    // box would otherwise commit a table nobody gave.
    if (haveTable) grid_->EditText(grid_->MinRow(), grid_->MinCol());
}

void FTableEdit::OnQueryUnload(bool&, int reason) {
    if (!grid_) return;
    if (reason == unloadreason::ControlMenu) {
        grid_->ForceCapture();
    } else {
        grid_->CancelChanges();
    }
}

}  // namespace nuvir
