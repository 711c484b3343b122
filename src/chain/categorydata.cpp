#include "chain/categorydata.h"

#include "appdata/appdata.h"
#include "controls/tableeditor.h"
#include "numerics/numerics.h"
#include "runtime/convert.h"
#include "runtime/patternformats.h"
#include "utilities/formatting.h"

namespace nuvir {

namespace chaindata {

int CategoryCount(int objectType) {
    const int index = objectType == CCategoryData::kCost ? item::kNumCostCategories : item::kNumImpactCategories;
    const double n = ItemNumber(AppData, index, 1);
    // A hand-edited count outside 1..5 must not divide by zero or build a huge table.
    return static_cast<int>(MathFunctions::Max(MathFunctions::Min(RoundHalfEven(n), 5), 1));
}

double RoundTrip15(double x) { return Val(FormatDouble(x)); }

}  // namespace chaindata

namespace {

// A number read back from a text the program wrote; a text it cannot read counts as 0.
double ReadBack(const std::string& text) {
    double v = 0;
    TryStep([&] { v = Val(text); });
    return v;
}

// Probabilities keep at most six decimals ("0.0#####").
double SixDecimals(double x) { return ReadBack(FormatUpToSixDecimals(x)); }

bool SameBounds(const Variant& a, const Variant& b) {
    if (a.dims() != 2 || b.dims() != 2) return false;
    for (int d = 1; d <= 2; ++d)
        if (a.lbound(d) != b.lbound(d) || a.ubound(d) != b.ubound(d)) return false;
    return true;
}

}  // namespace

std::optional<Variant> DialogTableEditor::Edit(const Variant& textTable, const Variant& headings, const Variant& rect) {
    FTableEdit dialog;
    dialog.PutArray(textTable, headings);
    dialog.SetReferencePosition(rect);
    dialog.ShowModal();
    // Escape gives back the table as passed, so there is always an answer.
    return dialog.GetArray();
}

void CCategoryData::SetObjectType(int type) {
    objectType_ = type == kCost ? kCost : kImpact;
    table_ = Variant();
}

Variant CCategoryData::DefaultArray() const {
    const int n = chaindata::CategoryCount(objectType_);
    Variant table = Variant::MakeArray(VarType::Double, {Bounds{0, 1}, Bounds{0, n - 1}});
    for (int j = 0; j < n; ++j) {
        table(0, j) = Variant(objectType_ == kImpact ? 1.0 : 0.0);
        table(1, j) = Variant(1.0 / n);
    }
    return table;
}

void CCategoryData::ResetCategoryData(std::optional<double> value) {
    table_ = DefaultArray();
    if (!value) return;
    for (int j = table_.lbound(2); j <= table_.ubound(2); ++j) table_(0, j) = Variant(*value);
}

double CCategoryData::Value() {
    if (!HasData()) ResetCategoryData(std::nullopt);
    double sum = 0;
    for (int j = table_.lbound(2); j <= table_.ubound(2); ++j)
        sum += chaindata::RoundTrip15(table_(0, j).get().numberValue() * table_(1, j).get().numberValue());
    return sum;
}

Variant CCategoryData::ValueArray() const { return table_.dims() == 2 ? table_ : Variant(); }

void CCategoryData::SetData(const Variant& table, double value) {
    ResetCategoryData(value);
    if (table.isArray() && table.elemKind() == VarType::Double && SameBounds(table, table_)) {
        table_ = table;
        NormaliseCategoryData();
    }
}

void CCategoryData::NormaliseCategoryData() {
    const int lo = table_.lbound(2), hi = table_.ubound(2);
    double sum = 0;
    for (int j = lo; j <= hi; ++j) {
        const double p = MathFunctions::Max(MathFunctions::Min(table_(1, j).get().numberValue(), 1), 0);
        table_(1, j) = Variant(p);
        if (p > 0) sum += p;
    }
    const int n = hi - lo + 1;
    for (int j = lo; j <= hi; ++j) {
        const double p = sum > 0 ? table_(1, j).get().numberValue() / sum : 1.0 / n;
        table_(1, j) = Variant(SixDecimals(p));
        table_(0, j) = Variant(ReadBack(MKelvaro::FormatSigFigs(table_(0, j).get().numberValue(), 4)));
    }
}

void CCategoryData::ShowTable(const Variant& rect, ITableEditor* editor) {
    if (!HasData()) return;
    const int lo = table_.lbound(2), hi = table_.ubound(2);
    Variant text = Variant::MakeArray(VarType::String, {Bounds{0, 1}, Bounds{lo, hi}});
    for (int j = lo; j <= hi; ++j) {
        text(0, j) = Variant(MKelvaro::FormatSigFigs(table_(0, j).get().numberValue(), 4));
        text(1, j) = Variant(FormatUpToSixDecimals(table_(1, j).get().numberValue()));
    }
    const Variant headings = Variant::List({Variant(objectType_ == kCost ? "Cost" : "Impact"), Variant("P (0-1)")});

    DialogTableEditor dialog;
    const std::optional<Variant> edited = (editor ? editor : &dialog)->Edit(text, headings, rect);
    if (!edited || edited->dims() != 2) return;
    const Variant& t = *edited;
    if (t.lbound(1) != 0 || t.ubound(1) != 1 || t.lbound(2) != lo) return;
    // Rows of the grid beyond N are dropped; missing ones count as value 0, probability 0.
    for (int j = lo; j <= hi; ++j) {
        for (int r = 0; r <= 1; ++r) {
            double v = 0;
            if (j <= t.ubound(2)) TryStep([&] { v = CDbl(t(r, j)); });
            table_(r, j) = Variant(v);
        }
    }
    NormaliseCategoryData();
}

}  // namespace nuvir
