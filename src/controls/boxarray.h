#pragma once
// A grid of check boxes with a caption left of every row and above every column (the
// column captions may be turned), built at run time on a host window. A user's click
// or Space on a box runs the uniqueness rule and raises `Validate` before the box
// toggles.
//
// Use: set the font, orientation, rule, spacings, column and row captions, colours
// and tab index; assign `SetContainer` (this builds, once for the object's life);
// then position, size and AllowEdit; a later `SetRowSet` with as many captions
// relabels the rows. `SetContainer(nullptr)` removes the controls; a grid of another
// shape is a new object.
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "controls/boxarray_captions.h"
#include "platform/controls.h"
#include "platform/picturebox.h"  // Colour
#include "platform/qtpicturebox.h"
#include "runtime/variant.h"

namespace nuvir {

class Form;

class CBoxArray : public QObject {
    Q_OBJECT
public:
    // The boxes by (row, column); an entry is null after removal.
    using BoxGrid = std::vector<std::vector<CheckBox*>>;

    explicit CBoxArray(QObject* parent = nullptr);
    ~CBoxArray() override;
    CBoxArray(const CBoxArray&) = delete;
    CBoxArray& operator=(const CBoxArray&) = delete;

    // Tab index of the first box, the others following row by row; negative leaves
    // the boxes in the window's default order. Read only when building.
    void SetTabIndex(std::int16_t index) { tabIndex_ = index; }
    std::int16_t TabIndex() const { return tabIndex_; }

    // The grid's own drawing surface (not the control that was assigned); null before
    // building and after removal.
    QtPictureBox* Container() const { return surface_.data(); }
    // The first assignment of a control builds inside it (a form, or a container on
    // one); null after building removes the controls; everything else does nothing.
    void SetContainer(Control* container);

    bool AllowEdit() const { return allowEdit_; }
    // Also enables or disables the surface and with it every box.
    void SetAllowEdit(bool on);
    bool IsDirty() const { return isDirty_; }
    void SetIsDirty(bool on) { isDirty_ = on; }
    // Whether some box is checked (or about to be, by the click in progress).
    bool IsData() const { return isData_; }
    void SetIsData(bool on) { isData_ = on; }
    const Variant& ID() const { return id_; }
    void SetID(const Variant& id) { id_ = id; }

    // Used by the next caption drawing.
    void SetFont(const BoxArrayFont& font) { font_ = font; }

    const Variant& RowSet() const { return rowSet_; }
    const Variant& ColSet() const { return colSet_; }
    // Stores the column captions and resizes the check states to rows x columns,
    // all False. Neither the boxes nor the captions change.
    void SetColSet(const Variant& captions);
    // The first time: as SetColSet, for the rows. Later: replaces the row texts and
    // redraws the captions; states and boxes keep their shape.
    void SetRowSet(const Variant& captions);

    // The click logic for one of this grid's boxes, run before the box toggles: the
    // uniqueness rule, then (with AllowEdit) IsDirty and `Validate` with the value
    // before the toggle, then IsData. A box of another grid raises error 5.
    void CheckClick(CheckBox* box);

    std::int32_t Left() const { return left_; }
    void SetLeft(std::int32_t v);
    std::int32_t Top() const { return top_; }
    void SetTop(std::int32_t v);
    std::int32_t Width() const { return width_; }
    // A size that differs from the surface's redraws the captions.
    void SetWidth(std::int32_t v);
    // The width the built surface needs to hold every box and the whole of every
    // column caption inside its border, twips; Width before building.
    std::int32_t NeededWidth();
    std::int32_t Height() const { return height_; }
    void SetHeight(std::int32_t v);

    std::int32_t BoxXSpacing() const { return boxXSpacing_; }
    void SetBoxXSpacing(std::int32_t v) { boxXSpacing_ = v; }
    std::int32_t BoxYSpacing() const { return boxYSpacing_; }
    void SetBoxYSpacing(std::int32_t v) { boxYSpacing_ = v; }
    // Degrees, counter-clockwise from the horizontal.
    std::int32_t ColTextOrientation() const { return colTextOrientation_; }
    void SetColTextOrientation(std::int32_t v) { colTextOrientation_ = v; }
    // 0 free, 1 at most one check per column, 2 one check per row that a click cannot
    // clear, 3 at most one check in the grid; other values apply no rule.
    std::int32_t Uniqueness() const { return uniqueness_; }
    void SetUniqueness(std::int32_t v) { uniqueness_ = v; }
    // Applied when building.
    Colour BackColor() const { return backColor_; }
    void SetBackColor(Colour c) { backColor_ = c; }
    Colour ForeColor() const { return foreColor_; }
    void SetForeColor(Colour c) { foreColor_ = c; }

    // A copy of the states, a two-dimensional array (row, column) of Booleans, read
    // from the boxes when a click came since the last read or write.
    Variant CheckArray();
    // Accepted only as a two-dimensional array with the current bounds (lower bounds
    // 0); then stored and shown in the boxes. Anything else is ignored.
    void SetCheckArray(const Variant& states);
    // The boxes, for the owner to align its own controls with them.
    BoxGrid CheckBoxes() const;
    // Unchecks everything (the boxes too, once built).
    void Clear();
    // Shows or hides every box of the row; a row outside the grid is ignored.
    void SetRowVisibility(std::int32_t row, bool visible);
    // Number of box columns; -1 before building. Removal keeps the count.
    std::int32_t Cols() const;

Q_SIGNALS:
    // Raised by a user's click before it takes effect: the boxes still show the values
    // before the toggle (with the rule applied); `value` holds the clicked box's value
    // as a 16-bit integer.
    void Validate(std::int16_t row, std::int16_t col, const nuvir::Variant& value);

private:
    CheckBox* Box(int row, int col) const;
    int BoxValue(int row, int col) const;
    void SetBoxValue(int row, int col, int value);
    void SizeStates();
    void ClearCheckArray();
    void ArrayToBoxes();
    void BoxesToArray();
    void DrawCaptions();
    TextExtents Measure(const Variant& captions, double angle);
    void RemoveControls();

    // What the grid was given and keeps.
    bool hostRecorded_ = false;
    QPointer<Form> host_;
    QPointer<QtPictureBox> surface_;
    std::string surfaceName_;
    int boxRows_ = -1;  // -1: the boxes array has no bounds yet
    int boxCols_ = -1;
    std::vector<QPointer<CheckBox>> boxes_;  // row by row
    std::map<const CheckBox*, std::pair<int, int>> registry_;

    Variant states_;
    Variant rowSet_;
    Variant colSet_;
    BoxArrayFont font_;
    std::int16_t tabIndex_ = -1;
    bool allowEdit_ = false;
    bool isDirty_ = false;
    bool changedSinceRead_ = false;
    bool isData_ = false;
    Variant id_;
    std::int32_t uniqueness_ = 1;
    std::int32_t boxXSpacing_ = 300;
    std::int32_t boxYSpacing_ = 300;
    std::int32_t left_ = 0;
    std::int32_t top_ = 0;
    std::int32_t width_ = 4000;
    std::int32_t height_ = 4000;
    Colour backColor_ = 0xFFFFFF;
    Colour foreColor_ = 0;
    std::int32_t colTextOrientation_ = 45;
    std::int32_t originX_ = 0;
    std::int32_t originY_ = 0;
    bool rowsSized_ = false;
};

}  // namespace nuvir
