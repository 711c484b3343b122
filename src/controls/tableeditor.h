#pragma once
// FTableEdit: a small modal dialog that edits one table in an editable grid, placed
// over a reference rectangle on the screen, and hands the edited table back as numbers.
//
// The caller creates it, gives it the table (texts, first index column, second row)
// with one heading per column and the screen rectangle of the control that was
// clicked, shows it modally, and reads GetArray after it has closed. There are no
// visible buttons: closing the window with its close box keeps the edits, Escape
// discards them, Enter in a cell commits the cell and moves on.
#include <memory>

#include "platform/form.h"
#include "runtime/variant.h"

namespace nuvir {

class CFlexEditA;
class CommandButton;

class FTableEdit : public Form {
    Q_OBJECT
public:
    // Help topic of the dialog.
    static constexpr int kHelpContext = 31;

    FTableEdit();
    ~FTableEdit() override;

    // Keeps copies of a two-dimensional table and its headings; anything else is
    // ignored (earlier values stay).
    void PutArray(const Variant& data, const Variant& headings);
    // The rectangle (0 To 3) to centre on: left, top, width, height in screen twips.
    void SetReferencePosition(const Variant& rect);
    // The grid's snapshot as numbers; an unallocated Double array when there is none.
    Variant GetArray() const;

    // The grid, once the dialog has been shown.
    CFlexEditA* Grid() const { return grid_.get(); }

protected:
    void showEvent(QShowEvent* e) override;

private:
    void Build();
    void OnQueryUnload(bool& cancel, int reason);

    CommandButton* cmdButton_ = nullptr;
    std::unique_ptr<CFlexEditA> grid_;
    Variant table_;
    Variant headings_;
    double rect_[4] = {0, 0, 0, 0};
    bool firstActivation_ = true;
};

}  // namespace nuvir
