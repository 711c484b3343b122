#pragma once
// CCategoryData: one categorical impact or cost of a chain stage, a small table of
// possible values with their probabilities whose expected value stands in for the
// stage's number.
//
// A table is a two-dimensional Double array (0 To 1, 0 To N - 1): row 0 the values,
// row 1 the probabilities. N is the category count of the table's kind in the
// program's application data (item 44 for impacts, 45 for costs). The object starts
// with no data; reading Value, SetData or an accepted ShowTable give it a table, which
// is kept normalised: probabilities clamped into 0..1, scaled to sum to 1 and rounded
// to six decimals, values rounded to four significant figures. The object never
// changes N by itself.
//
// Each stage owns three (I5, I and F); the options dialog makes one only to obtain
// DefaultArray. ShowTable asks an ITableEditor, so tests script the dialog.
#include <optional>

#include "runtime/variant.h"

namespace nuvir {

class CChainElement;

// The modal table dialog as the category table uses it: given the table as texts
// (first index grid column, second grid row), one heading per column and the screen
// rectangle (twips) to place itself beside, it returns the edited cells as a
// two-dimensional Double array, or nothing when the analyst cancelled.
class ITableEditor {
public:
    virtual ~ITableEditor() = default;
    virtual std::optional<Variant> Edit(const Variant& textTable, const Variant& headings, const Variant& rect) = 0;
};

// The program's editor: the table-editing dialog shown modally.
class DialogTableEditor : public ITableEditor {
public:
    std::optional<Variant> Edit(const Variant& textTable, const Variant& headings, const Variant& rect) override;
};

class CCategoryData {
public:
    static constexpr int kImpact = 0;
    static constexpr int kCost = 1;

    int ObjectType() const { return objectType_; }
    // 0 and 1 are stored, anything else stores 0; the data is discarded either way.
    void SetObjectType(int type);

    // The expected value, each product rounded through the general text form and
    // summed in column order. Reading it without data first creates the default table:
    // a getter with a side effect, which decides whether the chain later writes a
    // table or nothing into the application data.
    double Value();
    // The table, or Empty when there is none.
    Variant ValueArray() const;
    // A new default table: values 1 (impact) or 0 (cost), probabilities 1 / N, with N
    // read from the application data and kept within 1..5.
    Variant DefaultArray() const;
    // Resets to the default shape with every value `value`, then takes `table` when it
    // is a two-dimensional Double array of exactly that shape, normalised.
    void SetData(const Variant& table, double value);

    CChainElement* Parent() const { return parent_; }
    void SetParent(CChainElement* parent) { parent_ = parent; }

    // Lets the analyst edit the table beside the screen rectangle (left, top, width,
    // height in twips). An accepted table is conformed to N columns and normalised; a
    // cancelled or misshapen one leaves the table as it was. Needs data (the stage reads
    // Value first). Null editor: the program's dialog.
    void ShowTable(const Variant& rect, ITableEditor* editor = nullptr);

    bool HasData() const { return table_.isArray(); }

private:
    void ResetCategoryData(std::optional<double> value);
    void NormaliseCategoryData();

    Variant table_;
    int objectType_ = kImpact;
    CChainElement* parent_ = nullptr;
};

// Helpers the chain shares with its stages and the options dialog.
namespace chaindata {
// Category count of a kind (item 44 or 45), kept within 1..5; 1 when unreadable.
int CategoryCount(int objectType);
// A number rounded through its general text form and read back.
double RoundTrip15(double x);
}  // namespace chaindata

}  // namespace nuvir
