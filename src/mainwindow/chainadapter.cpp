#include "mainwindow/chainadapter.h"

#include "appdata/appdata.h"
#include "chain/chain.h"
#include "platform/qtpicturebox.h"

namespace nuvir {

namespace {

constexpr int kParts = 5;  // the editable parts 0..4 of a stage

class ChainAdapter : public ChainPort {
public:
    explicit ChainAdapter(ITabStopHost* tabStops) { chain_.SetTabStopHost(tabStops); }

    void SetHost(QtPictureBox* picture) override { chain_.SetHost(picture); }
    void SetEditBox(TextBox* box) override { chain_.SetEditBox(box); }
    std::array<double, 4> Measure() override {
        const CChainElement::Box box = chain_.Measure();
        return {box[0], box[1], box[2], box[3]};
    }
    double ScaleFactor() const override { return chain_.ScaleFactor(); }
    void SetScaleFactor(double factor) override { chain_.SetScaleFactor(factor); }
    void Render() override {
        if (chain_.Host() != nullptr) chain_.Render();
    }
    void SetData(const Variant& appData) override { chain_.SetData(appData); }
    Variant GetData() override { return chain_.GetData(); }

    Variant PointValues() override {
        Variant values = Variant::MakeArray(VarType::Double, {Bounds{item::kPointValue, item::kPointValue + 12}});
        for (int k = 1; k <= CChain::kStages; ++k) {
            const CChainElement::Values v = chain_.Element(k)->PrimaryData();
            values(item::PointValue(item::kP1 + k - 1)) = Variant(v[0]);
            values(item::PointValue(item::kI1 + k - 1)) = Variant(v[3]);
            values(item::PointValue(item::kF1 + k - 1)) = Variant(v[4]);
            if (k == CChain::kStages) values(item::PointValue(item::kI1 + 4)) = Variant(v[2]);
        }
        return values;
    }

    void CommitEdit(const std::string& stageKey) override {
        if (CChainElement* stage = chain_.ChainElements(stageKey)) stage->DoUpdates(true);
    }
    void CheckCategoryData() override {
        for (int k = 1; k <= CChain::kStages; ++k) {
            for (int part = 0; part < kParts; ++part) chain_.Element(k)->CheckCategoryData(part);
        }
    }
    void SetCategoryDataRestrictive() override {
        for (int k = 1; k <= CChain::kStages; ++k) {
            for (int part = 0; part < kParts; ++part) chain_.Element(k)->SetCategoryDataRestrictive(part);
        }
    }

private:
    CChain chain_;
};

}  // namespace

std::unique_ptr<ChainPort> MakeChain(ITabStopHost* tabStops) { return std::make_unique<ChainAdapter>(tabStops); }

}  // namespace nuvir
