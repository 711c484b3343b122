#include "mainwindow/windowchain.h"

#include "platform/qtpicturebox.h"

namespace nuvir {

void WindowChain::SetHost(QtPictureBox* picture) { chain_.SetHost(picture); }

std::array<double, 4> WindowChain::Measure() {
    const CChainElement::Box b = chain_.Measure();
    return {b[0], b[1], b[2], b[3]};
}

Variant WindowChain::PointValues() {
    Variant values = Variant::MakeArray(VarType::Double, {Bounds{47, 59}});
    for (int k = 1; k <= CChain::kStages; ++k) {
        const CChainElement::Values v = chain_.Element(k)->PrimaryData();
        values(46 + k) = Variant(v[CChainElement::kP]);
        values(50 + k) = Variant(v[CChainElement::kI]);
        values(55 + k) = Variant(v[CChainElement::kF]);
        if (k == CChain::kStages) values(55) = Variant(v[CChainElement::kI5]);
    }
    return values;
}

void WindowChain::CommitEdit(const std::string& stageKey) {
    if (CChainElement* stage = chain_.ChainElements(stageKey)) stage->DoUpdates(true);
}

void WindowChain::CheckCategoryData() {
    for (int k = 1; k <= CChain::kStages; ++k)
        for (int index = 0; index <= 4; ++index) chain_.Element(k)->CheckCategoryData(index);
}

void WindowChain::SetCategoryDataRestrictive() {
    for (int k = 1; k <= CChain::kStages; ++k)
        for (int index = 0; index <= 4; ++index) chain_.Element(k)->SetCategoryDataRestrictive(index);
}

}  // namespace nuvir
