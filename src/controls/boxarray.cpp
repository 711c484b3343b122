#include "controls/boxarray.h"

#include <algorithm>
#include <cmath>

#include "platform/controls.h"
#include "platform/form.h"
#include "platform/qtpicturebox.h"
#include "platform/screen.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "utilities/utilities_arrays.h"

namespace nuvir {

namespace {

// The angle is turned into radians with pi to seven digits, as the layout always was.
constexpr double kPi = 3.141593;
constexpr const char* kStem = "chkArray";

std::string Decimal(std::int32_t n) { return CStr(Variant(static_cast<int>(n))); }

// Upper bound of a caption list; a value that is no list raises the runtime's error.
std::int32_t UpperOf(const Variant& captions) { return captions.ubound(1); }

// A stored state counts as checked when it converts to True; Null does not.
bool StateOn(const Variant& v) { return !v.isNull() && CBool(v); }

}  // namespace

CBoxArray::CBoxArray(QObject* parent) : QObject(parent) {
    font_.Name = "MS San Serif";
    font_.Size = 12.0;
    font_.Bold = true;
    rowSet_ = Variant::List({Variant("Row 0"), Variant("Row 1")});
    colSet_ = Variant::List({Variant("Column 0"), Variant("Column 1"), Variant("Column 2")});
    SizeStates();
}

CBoxArray::~CBoxArray() { RemoveControls(); }

// ---- captions and states ---------------------------------------------------------------

void CBoxArray::SizeStates() {
    states_ = Variant::MakeArray(VarType::Boolean, {Bounds{0, UpperOf(rowSet_)}, Bounds{0, UpperOf(colSet_)}});
    ClearCheckArray();
}

void CBoxArray::SetColSet(const Variant& captions) {
    UpperOf(captions);  // a value that is no list fails before anything changes
    colSet_ = captions;
    SizeStates();
}

void CBoxArray::SetRowSet(const Variant& captions) {
    if (!rowsSized_) {
        UpperOf(captions);
        rowSet_ = captions;
        SizeStates();
        rowsSized_ = true;
        return;
    }
    rowSet_ = captions;
    DrawCaptions();
}

void CBoxArray::ClearCheckArray() {
    if (MUtilities::ArrayDims(states_) != 2) return;
    for (std::int32_t i = states_.lbound(1); i <= states_.ubound(1); ++i) {
        for (std::int32_t j = states_.lbound(2); j <= states_.ubound(2); ++j) states_(i, j) = Variant(false);
    }
}

Variant CBoxArray::CheckArray() {
    if (changedSinceRead_) BoxesToArray();
    return states_;
}

void CBoxArray::SetCheckArray(const Variant& states) {
    if (MUtilities::ArrayDims(states) != 2 || MUtilities::ArrayDims(states_) != 2) return;
    if (states.lbound(1) != 0 || states.lbound(2) != 0) return;
    if (states.ubound(1) != states_.ubound(1) || states.ubound(2) != states_.ubound(2)) return;
    states_ = states;
    if (surface_) ArrayToBoxes();
}

void CBoxArray::Clear() {
    if (!states_.isArray()) return;
    ClearCheckArray();
    // Before building (or after removal) there are no boxes to show it.
    if (surface_) ArrayToBoxes();
}

void CBoxArray::ArrayToBoxes() {
    isData_ = false;
    if (MUtilities::ArrayDims(states_) == 2) {
        for (std::int32_t i = 0; i <= states_.ubound(1); ++i) {
            for (std::int32_t j = 0; j <= states_.ubound(2); ++j) {
                const bool on = StateOn(states_(i, j));
                SetBoxValue(i, j, on ? 1 : 0);
                if (on) isData_ = true;
            }
        }
    }
    changedSinceRead_ = false;
}

void CBoxArray::BoxesToArray() {
    if (MUtilities::ArrayDims(states_) == 2) {
        for (std::int32_t i = 0; i <= states_.ubound(1); ++i) {
            for (std::int32_t j = 0; j <= states_.ubound(2); ++j) {
                // A box that is not there (captions recounted after building) keeps
                // its stored state.
                if (Box(i, j) != nullptr) states_(i, j) = Variant(BoxValue(i, j) == 1);
            }
        }
    }
    changedSinceRead_ = false;
}

// ---- boxes ------------------------------------------------------------------------------

CheckBox* CBoxArray::Box(int row, int col) const {
    if (row < 0 || col < 0 || row >= boxRows_ || col >= boxCols_) return nullptr;
    return boxes_[static_cast<std::size_t>(row) * static_cast<std::size_t>(boxCols_) + static_cast<std::size_t>(col)]
        .data();
}

int CBoxArray::BoxValue(int row, int col) const {
    const CheckBox* b = Box(row, col);
    return b != nullptr ? b->Value() : 0;
}

void CBoxArray::SetBoxValue(int row, int col, int value) {
    if (CheckBox* b = Box(row, col)) b->SetValue(value);
}

CBoxArray::BoxGrid CBoxArray::CheckBoxes() const {
    BoxGrid out;
    if (boxRows_ < 0) return out;
    out.assign(static_cast<std::size_t>(boxRows_), std::vector<CheckBox*>(static_cast<std::size_t>(boxCols_), nullptr));
    for (int i = 0; i < boxRows_; ++i) {
        for (int j = 0; j < boxCols_; ++j) out[i][j] = Box(i, j);
    }
    return out;
}

std::int32_t CBoxArray::Cols() const { return boxRows_ < 0 ? -1 : boxCols_; }

void CBoxArray::SetRowVisibility(std::int32_t row, bool visible) {
    if (boxRows_ < 0 || row < 0 || row >= boxRows_) return;
    for (int j = 0; j < boxCols_; ++j) {
        if (CheckBox* b = Box(row, j)) b->SetVisible(visible);
    }
}

// ---- click logic --------------------------------------------------------------------------

void CBoxArray::CheckClick(CheckBox* box) {
    const auto it = registry_.find(box);
    if (it == registry_.end()) RaiseInvalidCall();
    const int r = it->second.first;
    const int c = it->second.second;

    switch (uniqueness_) {
        case 1:
            for (int i = 0; i < boxRows_; ++i) {
                if (i != r && BoxValue(i, c) == 1) SetBoxValue(i, c, 0);
            }
            break;
        case 2:
            // Cleared first so that the box's own toggle checks it again.
            if (BoxValue(r, c) == 1) SetBoxValue(r, c, 0);
            for (int j = 0; j < boxCols_; ++j) {
                if (j != c && BoxValue(r, j) == 1) SetBoxValue(r, j, 0);
            }
            break;
        case 3:
            for (int i = 0; i < boxRows_; ++i) {
                for (int j = 0; j < boxCols_; ++j) {
                    if ((i != r || j != c) && BoxValue(i, j) == 1) SetBoxValue(i, j, 0);
                }
            }
            break;
        default: break;
    }

    if (allowEdit_) {
        isDirty_ = true;
        changedSinceRead_ = true;
        const QPointer<CBoxArray> alive(this);
        Q_EMIT Validate(static_cast<std::int16_t>(r), static_cast<std::int16_t>(c),
                        Variant(static_cast<std::int16_t>(BoxValue(r, c))));
        if (!alive) return;
    }

    bool data = BoxValue(r, c) == 0;
    for (int i = 0; i < boxRows_ && !data; ++i) {
        for (int j = 0; j < boxCols_; ++j) {
            if ((i != r || j != c) && BoxValue(i, j) == 1) {
                data = true;
                break;
            }
        }
    }
    isData_ = data;
}

// ---- the surface ----------------------------------------------------------------------------

void CBoxArray::SetAllowEdit(bool on) {
    allowEdit_ = on;
    if (surface_) surface_->SetEnabled(on);
}

void CBoxArray::SetLeft(std::int32_t v) {
    left_ = v;
    if (surface_) surface_->SetLeft(v);
}

void CBoxArray::SetTop(std::int32_t v) {
    top_ = v;
    if (surface_) surface_->SetTop(v);
}

void CBoxArray::SetWidth(std::int32_t v) {
    width_ = v;
    if (!surface_) return;
    const auto before = static_cast<std::int32_t>(RoundHalfEven(surface_->Width()));
    surface_->SetWidth(v);
    // Caption positions in pixels follow the surface's size.
    if (before != v) DrawCaptions();
}

void CBoxArray::SetHeight(std::int32_t v) {
    height_ = v;
    if (!surface_) return;
    const auto before = static_cast<std::int32_t>(RoundHalfEven(surface_->Height()));
    surface_->SetHeight(v);
    if (before != v) DrawCaptions();
}

TextExtents CBoxArray::Measure(const Variant& captions, double angle) {
    if (!surface_) return {};
    return MBoxArray::MeasureCaptions(*surface_, surface_->Width(), surface_->Height(), font_, captions, angle);
}

std::int32_t CBoxArray::NeededWidth() {
    if (!surface_ || boxCols_ <= 0) return width_;
    const double a = colTextOrientation_ * kPi / 180.0;
    const TextExtents col = Measure(colSet_, colTextOrientation_);
    // A caption's reach to the right of where it starts, whatever its angle.
    const double across = std::abs(col.Width * std::cos(a)) + std::abs(col.Height * std::sin(a));
    const double lastColumn = originX_ + (boxCols_ - 1.0) * boxXSpacing_;
    const double boxRight = lastColumn + 50.0 + std::max(1.0, boxXSpacing_ - PxToTwipsX(1));
    const double border = PxToTwipsX(surface_->width() - surface_->contentsRect().width());
    return static_cast<std::int32_t>(std::ceil(std::max(boxRight, lastColumn + across) + border + PxToTwipsX(4)));
}

void CBoxArray::DrawCaptions() {
    if (!surface_) return;  // nothing built yet, or removed
    const double a = colTextOrientation_ * kPi / 180.0;
    const TextExtents col = Measure(colSet_, colTextOrientation_);
    const double lift = col.Height * std::cos(a);
    surface_->Cls();
    const double w = surface_->Width();
    const double h = surface_->Height();
    if (MUtilities::ArrayDims(rowSet_) == 1) {
        for (std::int32_t i = 0; i <= rowSet_.ubound(1); ++i) {
            MBoxArray::DrawRotatedText(*surface_, w, h, font_, TextOf(rowSet_(i)), 50.0,
                                       static_cast<double>(originY_ + i * boxYSpacing_), 0.0, false);
        }
    }
    if (MUtilities::ArrayDims(colSet_) == 1) {
        for (std::int32_t j = 0; j <= colSet_.ubound(1); ++j) {
            MBoxArray::DrawRotatedText(*surface_, w, h, font_, TextOf(colSet_(j)),
                                       static_cast<double>(originX_ + j * boxXSpacing_), originY_ - lift - 50.0,
                                       colTextOrientation_, false);
        }
    }
}

// ---- building and removal ----------------------------------------------------------------------

void CBoxArray::SetContainer(Control* container) {
    if (hostRecorded_) {
        if (container == nullptr) RemoveControls();
        return;
    }
    if (container == nullptr) return;  // nothing built, nothing to remove

    Form* host = container->IsForm() ? dynamic_cast<Form*>(container) : container->Parent();
    if (host == nullptr) RaiseError(91, "Object variable or With block variable not set");
    hostRecorded_ = true;
    host_ = host;
    const bool onForm = container->IsForm();

    std::int32_t n = 1;
    while (host->Find(kStem + Decimal(n)) != nullptr) ++n;
    surfaceName_ = kStem + Decimal(n);

    auto* surface = dynamic_cast<QtPictureBox*>(host->AddByType("PictureBox", surfaceName_));
    if (surface == nullptr) RaiseInvalidCall();
    surface_ = surface;
    if (!onForm) surface->SetContainer(container);
    surface->SetEnabled(allowEdit_);
    surface->SetVisible(true);
    surface->SetBackColor(backColor_);
    surface->SetForeColor(foreColor_);
    surface->SetAutoRedraw(true);
    surface->SetLeft(left_);
    surface->SetTop(top_);
    surface->SetHeight(height_);
    surface->SetWidth(width_);

    const double a = colTextOrientation_ * kPi / 180.0;
    const TextExtents row = Measure(rowSet_, 0.0);
    originX_ = static_cast<std::int32_t>(RoundHalfEven(row.Width + 500.0));
    const double boxHeight = row.Height;
    const TextExtents col = Measure(colSet_, colTextOrientation_);
    originY_ = static_cast<std::int32_t>(RoundHalfEven(col.Width * std::sin(a) + col.Height * std::cos(a) + 500.0));

    boxRows_ = UpperOf(rowSet_) + 1;
    boxCols_ = UpperOf(colSet_) + 1;
    boxes_.assign(static_cast<std::size_t>(boxRows_) * static_cast<std::size_t>(std::max(boxCols_, 0)), nullptr);

    int k = -1;
    for (int i = 0; i < boxRows_; ++i) {
        for (int j = 0; j < boxCols_; ++j) {
            ++k;
            const std::string name = surfaceName_ + "_" + Decimal(i) + "_" + Decimal(j);
            auto* box = dynamic_cast<CheckBox*>(host->AddByType("CheckBox", name));
            if (box == nullptr) RaiseInvalidCall();
            boxes_[static_cast<std::size_t>(i) * static_cast<std::size_t>(boxCols_) + static_cast<std::size_t>(j)] =
                box;
            box->SetContainer(surface);
            if (tabIndex_ >= 0) box->SetTabIndex(static_cast<std::int16_t>(tabIndex_ + k));
            box->SetBackColor(surface->BackColor());
            // One pixel short of the spacing: rounded to pixels, boxes as wide as the
            // spacing would reach into their neighbours.
            box->SetWidth(std::max(1.0, boxXSpacing_ - PxToTwipsX(1)));
            box->SetHeight(boxHeight);
            box->SetCaption("");
            box->SetLeft(originX_ + j * boxXSpacing_ + 50);
            box->SetTop(originY_ + i * boxYSpacing_);
            box->SetVisible(true);
            box->ZOrder(0);
            // The box calls back once per real toggle, before it changes its value.
            registry_[box] = {i, j};
            connect(box, &CheckBox::BeforeToggle, this, [this, box] { CheckClick(box); });
        }
    }

    DrawCaptions();
    ArrayToBoxes();
}

void CBoxArray::RemoveControls() {
    if (hostRecorded_) {
        // Clicks not read yet live only in the boxes; the states outlast them.
        if (changedSinceRead_) BoxesToArray();
        for (auto& p : boxes_) {
            CheckBox* box = p.data();
            if (box != nullptr) {
                disconnect(box, nullptr, this, nullptr);
                registry_.erase(box);
                if (host_) {
                    const std::string name = box->Name();
                    TryStep([&] { host_->Remove(name); });
                }
            }
            p = nullptr;
        }
        if (host_ && !surfaceName_.empty()) TryStep([&] { host_->Remove(surfaceName_); });
    }
    registry_.clear();
    surface_ = nullptr;
}

}  // namespace nuvir
