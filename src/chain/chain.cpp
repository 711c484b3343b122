#include "chain/chain.h"

#include "appdata/appdata.h"
#include "numerics/numerics.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "runtime/convert.h"

namespace nuvir {

namespace {

constexpr const char* kStageIds[CChain::kStages] = {"Arrives", "Survives", "Establishes", "Spreads"};

}  // namespace

CChain::CChain() { CreateElements(); }

CChain::~CChain() {
    // The stages' links do not own; unlink before the stages go.
    for (auto& e : elements_) e->disconnect(this);
}

void CChain::CreateElements() {
    scaleFactor_ = 1;
    for (int i = 0; i < kStages; ++i) {
        auto stage = std::make_unique<CChainElement>();
        if (i > 0) {
            stage->SetPrevElement(elements_[static_cast<std::size_t>(i - 1)].get());
            elements_[static_cast<std::size_t>(i - 1)]->SetNextElement(stage.get());
        }
        stage->SetIndex(static_cast<std::int16_t>(i + 1));
        stage->SetID(kStageIds[i]);
        stage->SetScaleFactor(scaleFactor_);
        stage->SetRedrawHandler([this] { Render(); });
        elements_[static_cast<std::size_t>(i)] = std::move(stage);
    }
    connect(elements_[kStages - 1].get(), &CChainElement::TotalRiskChanged, this, &CChain::OnTotalRiskChanged);
}

CChainElement* CChain::ChainElements(std::string_view id) const {
    for (const auto& e : elements_)
        if (EqualsNoCase(e->ID(), id)) return e.get();
    return nullptr;
}

CChainElement* CChain::Element(int index) const {
    if (index < 1 || index > kStages) return nullptr;
    return elements_[static_cast<std::size_t>(index - 1)].get();
}

void CChain::SetTableEditor(ITableEditor* editor) {
    for (auto& e : elements_) e->SetTableEditor(editor);
}

void CChain::SetData(const Variant& data) {
    if (data.dims() != 1) return;
    for (const char* id : kStageIds) {
        CChainElement* stage = ChainElements(id);
        const int k = stage->Index();
        const bool last = stage->NextElement() == nullptr;
        CChainElement::Values v = stage->PrimaryData();
        v[CChainElement::kI5] = 0;
        v[CChainElement::kP] = ItemNumber(data, item::PointValue(item::P(k)));
        v[CChainElement::kI] = ItemNumber(data, item::PointValue(item::I(k)));
        if (last) v[CChainElement::kI5] = ItemNumber(data, item::PointValue(item::I(5)));
        v[CChainElement::kF] = ItemNumber(data, item::PointValue(item::F(k)));
        v[CChainElement::kP] = MathFunctions::Max(MathFunctions::Min(v[CChainElement::kP], 1), 0);
        v[CChainElement::kQ] = 1 - v[CChainElement::kP];
        stage->SetPrimaryData(v);

        // Each table goes with its quantity's point value.
        const auto setTable = [&](int part, int id) {
            stage->SetCategoryData(part, data(item::PointValue(id)), data(item::CategoryTable(id)));
        };
        setTable(CChainElement::kI, item::I(k));
        if (last) setTable(CChainElement::kI5, item::I(5));
        setTable(CChainElement::kF, item::F(k));

        if (ItemFlag(AppData, item::kConformCategories)) {
            stage->SetCategoryDataRestrictive(CChainElement::kI);
            if (last) stage->SetCategoryDataRestrictive(CChainElement::kI5);
            stage->SetCategoryDataRestrictive(CChainElement::kF);
        }
    }
}

Variant CChain::GetData() {
    Variant result = Variant::MakeArray(VarType::Double, {Bounds{item::kPointValue, item::kStageCost + kStages - 1}});
    for (const char* id : kStageIds) {
        CChainElement* stage = ChainElements(id);
        const int k = stage->Index();
        const bool last = stage->NextElement() == nullptr;
        const CChainElement::Values v = stage->PrimaryData();
        const auto risks = stage->Risks();
        result(item::PointValue(item::P(k))) = Variant(v[CChainElement::kP]);
        result(item::PointValue(item::I(k))) = Variant(v[CChainElement::kI]);
        if (last) result(item::PointValue(item::I(5))) = Variant(v[CChainElement::kI5]);
        result(item::kOutcomeRisk + k - 1) = Variant(risks[1]);
        if (last) result(item::kOutcomeRisk + 4) = Variant(risks[0]);  // R5, the completed invasion
        result(item::PointValue(item::F(k))) = Variant(v[CChainElement::kF]);
        result(item::kStageCost + k - 1) = Variant(stage->Cost());

        if (AppData.isArray()) {
            AppData(item::CategoryTable(item::I(k))) = stage->GetCategoryData(CChainElement::kI);
            if (last) AppData(item::CategoryTable(item::I(5))) = stage->GetCategoryData(CChainElement::kI5);
            AppData(item::CategoryTable(item::F(k))) = stage->GetCategoryData(CChainElement::kF);
        }
    }
    return result;
}

}  // namespace nuvir
