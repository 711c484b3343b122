#include "chain/chainelement.h"

#include <cmath>

#include "appdata/appdata.h"
#include "numerics/numerics.h"
#include "platform/controls.h"
#include "runtime/convert.h"

namespace nuvir {

namespace {

double Clamp01(double x) { return MathFunctions::Max(MathFunctions::Min(x, 1), 0); }

// How many stage updates are running, the later stages' inside the earlier one's
// (one window thread).
int updateDepth = 0;

int KindOfIndex(int index) { return index == CChainElement::kF ? CCategoryData::kCost : CCategoryData::kImpact; }

bool SwitchOn(int objectType) {
    return ItemFlag(AppData, objectType == CCategoryData::kCost ? item::kCategoricalCosts : item::kCategoricalImpacts);
}

}  // namespace

CChainElement::CChainElement() { InitialiseElement(); }

CChainElement::~CChainElement() {
    for (auto& table : categoryTables_)
        if (table) table->SetParent(nullptr);
}

void CChainElement::InitialiseElement() {
    scaleFactor_ = 1;
    InitShapeTemplate();
    selectedPart_ = -1;
    primary_ = {0.5, 0.5, 1, 1, 0};
    risks_ = {0, 0};
    cost_ = 0;
    for (int index = kI5; index <= kF; ++index) {
        auto table = std::make_unique<CCategoryData>();
        table->SetObjectType(KindOfIndex(index));
        table->SetParent(this);
        categoryTables_[static_cast<std::size_t>(index)] = std::move(table);
    }
    eventTotalRisk_ = eventTotalCost_ = 0;
    CalculateRisks();
}

// ---- links, identity ------------------------------------------------------------------

void CChainElement::SetPrevElement(CChainElement* prev) {
    prev_ = prev;
    CalculateRisks();
}

void CChainElement::SetNextElement(CChainElement* next) {
    next_ = next;
    risks_[0] = 0;
}

void CChainElement::SetIndex(std::int16_t index) {
    if (index_ < 0) index_ = index;
}

void CChainElement::SetID(const std::string& id) {
    if (id_.empty()) id_ = id;
}

// ---- arithmetic -------------------------------------------------------------------------

void CChainElement::SetPrimaryData(const Values& values) {
    primary_[kP] = Clamp01(values[kP]);
    primary_[kQ] = Clamp01(values[kQ]);
    primary_[kI5] = values[kI5];
    primary_[kI] = values[kI];
    primary_[kF] = values[kF];
    CalculateRisks();
}

double CChainElement::CumulativeP(bool exclude) const {
    const double c = prev_ ? prev_->CumulativeP(false) : 1.0;
    return exclude ? c : c * primary_[kP];
}

void CChainElement::CalculateRisks() {
    const double c = CumulativeP(true);
    risks_[0] = next_ ? 0.0 : (c * primary_[kP]) * primary_[kI5];
    risks_[1] = (c * primary_[kQ]) * primary_[kI];
    cost_ = c * primary_[kF];
    if (next_) next_->DoUpdates(true);
}

double CChainElement::TotalRisk() const {
    const double t = (prev_ ? prev_->TotalRisk() : 0.0) + risks_[1];
    return next_ ? t : t + risks_[0];
}

double CChainElement::TotalCost() const { return (prev_ ? prev_->TotalCost() : 0.0) + cost_; }

bool CChainElement::OwnsPendingEdit() const {
    // No edit box yet (a chain not rendered, the batch run): nothing can be pending.
    if (!textBox_ || selectedPart_ < 0) return false;
    const std::string& tag = textBox_->Tag();
    if (tag.empty()) return false;
    return Val(tag.substr(0, 1)) == selectedPart_ && tag.substr(1) == id_;
}

void CChainElement::DoUpdates(bool closeEditBox) {
    double value = 0;
    if (OwnsPendingEdit() && IsValidEntry(value)) {
        SetPrimaryValue(value);
        if (closeEditBox) HideEditBox();
    }
    // The later stages' updates run inside this one; only the outermost draws, once
    // every stage holds its new values.
    ++updateDepth;
    try {
        CalculateRisks();
    } catch (...) {
        --updateDepth;
        throw;
    }
    if (--updateDepth > 0) return;
    if (redraw_)
        redraw_();
    else
        Render(originX_, originY_);
}

bool CChainElement::IsValidEntry(double& value) const {
    if (!textBox_) return false;
    const std::string text = textBox_->Text();
    // Strict and finite: "nan", "inf", "0x1p3", "1,5" or an overflowing exponent would
    // otherwise poison every risk.
    if (!IsNumericText(text)) return false;
    if (!TryStep([&] { value = CDbl(Variant(text)); }) || !std::isfinite(value)) return false;
    if (selectedPart_ == kPartP || selectedPart_ == kPartQ) return value >= 0 && value <= 1;
    return true;
}

void CChainElement::SetPrimaryValue(double value) {
    primary_[static_cast<std::size_t>(kPartMap[static_cast<std::size_t>(selectedPart_)])] = value;
    if (selectedPart_ == kPartP) primary_[kQ] = 1 - value;
    if (selectedPart_ == kPartQ) primary_[kP] = 1 - value;
}

// ---- category tables ----------------------------------------------------------------------

CCategoryData* CChainElement::CategoryTable(int index) const {
    if (index < 0 || index > 4) return nullptr;
    return categoryTables_[static_cast<std::size_t>(index)].get();
}

bool CChainElement::IsCategorical(int part) const {
    if (part < 0 || part > 4) return false;
    const int index = kPartMap[static_cast<std::size_t>(part)];
    if (index < kI5) return false;
    return SwitchOn(KindOfIndex(index));
}

void CChainElement::SetCategoryData(int index, const Variant& value, const Variant& table) {
    CCategoryData* t = CategoryTable(index);
    if (!t) return;
    // Any number kind is the value: impacts held as 16-bit integers must not fall back
    // to the default.
    const double v = value.isNumberKind() && value.type() != VarType::Boolean
                         ? value.numberValue()
                         : (t->ObjectType() == CCategoryData::kImpact ? 1.0 : 0.0);
    if (SwitchOn(t->ObjectType())) t->SetData(table, v);
}

void CChainElement::SetCategoryDataRestrictive(int index) {
    if (index < 0 || index > 4) return;
    const double pv = primary_[static_cast<std::size_t>(index)];
    CCategoryData* t = CategoryTable(index);
    if (!t) return;
    const bool on = SwitchOn(t->ObjectType());
    const int masterItem = t->ObjectType() == CCategoryData::kCost ? item::kMasterCostCategories
                                                                   : item::kMasterImpactCategories;
    Variant master;
    if (AppData.isArray()) master = AppData(masterItem);
    const Variant defaults = t->DefaultArray();
    if (!master.isArray() || master.dims() < 1 || master.dims() > 2) {
        master = Variant::MakeArray(VarType::Double, {Bounds{0, 0}, defaults.bounds(2)});
        for (int j = defaults.lbound(2); j <= defaults.ubound(2); ++j) master(0, j) = defaults(0, j);
        if (on && AppData.isArray()) AppData(masterItem) = master;
    }
    if (!on) return;

    // A master of another width than the category count (a hand-edited file or state
    // string) would leave a table of sentinel values and a primary value of -1.8E+308;
    // the table and the value stay as they are instead.
    const int lastDim = master.dims();
    if (master.bounds(lastDim).lower != defaults.lbound(2) || master.bounds(lastDim).upper != defaults.ubound(2))
        return;
    Variant work = t->HasData() ? t->ValueArray() : defaults;
    if (work.lbound(2) != defaults.lbound(2)) work = defaults;
    if (work.ubound(2) != defaults.ubound(2)) work.redimPreserve(defaults.ubound(2));
    for (int j = work.lbound(2); j <= work.ubound(2); ++j) {
        double v = 0;
        TryStep([&] { v = CDbl(lastDim == 2 ? master(master.lbound(1), j) : master(j)); });
        work(0, j) = Variant(v);
    }
    t->SetData(work, NumericLimits::LowestDouble);
    primary_[static_cast<std::size_t>(index)] = t->Value();
    if (primary_[static_cast<std::size_t>(index)] != pv) CalculateRisks();
}

Variant CChainElement::GetCategoryData(int index) const {
    const CCategoryData* t = CategoryTable(index);
    return t ? t->ValueArray() : Variant();
}

void CChainElement::CheckCategoryData(int index) {
    CCategoryData* t = CategoryTable(index);
    if (!t) return;
    const double pv = primary_[static_cast<std::size_t>(index)];
    if (FormatDouble(t->Value()) == FormatDouble(pv))
        SetCategoryData(index, Variant(pv), t->ValueArray());
    else
        SetCategoryData(index, Variant(pv), Variant());
}

}  // namespace nuvir
