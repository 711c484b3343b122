// The chain's diagram: layout of the four stages and the two total ovals.
#include "chain/chain.h"
#include "numerics/numerics.h"
#include "platform/picturebox.h"

namespace nuvir {

CChainElement::Box CChain::Measure() {
    using NumericLimits::LargestSingle;
    using NumericLimits::MostNegativeSingle;
    chainBox_ = {LargestSingle, MostNegativeSingle, MostNegativeSingle, LargestSingle};
    float ovalLeft = 0;
    for (auto& stage : elements_) {
        stage->SetHost(pic_);
        CChainElement* prev = stage->PrevElement();
        const CChainElement::Box b = prev ? stage->Measure(prev->ConnectX(), prev->ConnectY()) : stage->Measure(0, 0);
        if (!prev) topOffset_ = 60 - b[3];
        ovalLeft = stage->OvalLeft();
        if (b[0] < chainBox_[0]) chainBox_[0] = b[0];
        if (b[2] > chainBox_[2]) chainBox_[2] = b[2];
        if (b[3] < chainBox_[3]) chainBox_[3] = b[3];
        if (b[1] > chainBox_[1]) chainBox_[1] = b[1];
    }
    for (auto& stage : elements_) stage->SetOvalLeft(ovalLeft);
    return chainBox_;
}

void CChain::Render() {}

void CChain::OnTotalRiskChanged(double& totalRisk, double& totalCost) { DrawTotals(totalRisk, totalCost); }

void CChain::DrawTotals(double, double) {}

}  // namespace nuvir
