// Drawing a stage: its shapes, labels and the announcement of new totals.
#include "chain/chainelement.h"
#include "numerics/numerics.h"
#include "platform/picturebox.h"

namespace nuvir {

void CChainElement::Render(float x, float y) {
    using NumericLimits::LargestSingle;
    using NumericLimits::MostNegativeSingle;
    boundingBox_ = Box{LargestSingle, LargestSingle, MostNegativeSingle, MostNegativeSingle};
    partBoxes_ = {};
    partDrawn_ = {};
    originX_ = x;
    originY_ = y;
    if (!pic_) return;
}

void CChainElement::DrawLabels() {}

void CChainElement::PrintInBox(int, std::string) {}

void CChainElement::PrintSplitLabel(int, const std::string&, double, bool) {}

}  // namespace nuvir
