// The chain's diagram: layout of the four stages and the two total ovals.
#include <algorithm>

#include "appdata/appdata.h"
#include "chain/chain.h"
#include "chain/diagramoptions.h"
#include "numerics/numerics.h"
#include "platform/picturebox.h"
#include "utilities/formatting.h"

namespace nuvir {

namespace {
// The total ovals at scale 1: their size and their distance below the last stage.
constexpr double kOvalWidth = 800, kOvalHeight = 300, kOvalGap = 50;
}  // namespace

CChainElement::Box CChain::Measure() {
    using NumericLimits::LargestSingle;
    using NumericLimits::MostNegativeSingle;
    chainBox_ = {LargestSingle, MostNegativeSingle, MostNegativeSingle, LargestSingle};
    float ovalLeft = 0;
    float lastLowest = 0;
    for (auto& stage : elements_) {
        stage->SetHost(pic_);
        CChainElement* prev = stage->PrevElement();
        const CChainElement::Box b = prev ? stage->Measure(prev->ConnectX(), prev->ConnectY()) : stage->Measure(0, 0);
        if (!prev) topOffset_ = 60 - b[3];
        ovalLeft = stage->OvalLeft();
        lastLowest = b[3];
        if (b[0] < chainBox_[0]) chainBox_[0] = b[0];
        if (b[2] > chainBox_[2]) chainBox_[2] = b[2];
        if (b[3] < chainBox_[3]) chainBox_[3] = b[3];
        if (b[1] > chainBox_[1]) chainBox_[1] = b[1];
    }
    for (auto& stage : elements_) stage->SetOvalLeft(ovalLeft);
    const double totalsBottom = lastLowest - kOvalGap - kOvalHeight;
    drawingDepth_ = static_cast<float>(topOffset_ - std::min<double>(chainBox_[3], totalsBottom));
    return chainBox_;
}

void CChain::Render() {
    if (!pic_) return;
    PictureBox& pic = *pic_;
    pic.Cls();
    // y up: 0 at the bottom edge and the picture's height in twips at the top. Taken
    // afresh from the picture's size each time, so a resized picture never keeps a
    // stretched scale, and never turned back down.
    const float w = static_cast<float>(pic.ScaleX(pic.ClientWidthPx(), scale::Pixels, scale::Twips));
    const float h = static_cast<float>(pic.ScaleY(pic.ClientHeightPx(), scale::Pixels, scale::Twips));
    if (w <= 0 || h <= 0) return;
    pic.SetScaleLeft(0);
    pic.SetScaleWidth(w);
    pic.SetScaleTop(h);
    pic.SetScaleHeight(-h);
    for (auto& stage : elements_) {
        stage->SetHost(pic_);
        stage->SetEditBox(textBox_);
        stage->SetScaleFactor(scaleFactor_);
        if (const CChainElement* prev = stage->PrevElement())
            stage->Render(prev->ConnectX(), prev->ConnectY());
        else
            stage->Render(0, static_cast<float>(pic.ScaleTop() - topOffset_ * scaleFactor_));
    }
}

void CChain::OnTotalRiskChanged(double& totalRisk, double& totalCost) { DrawTotals(totalRisk, totalCost); }

void CChain::DrawTotals(double totalRisk, double totalCost) {
    if (!pic_) return;
    PictureBox& pic = *pic_;
    const CChainElement& last = *elements_[kStages - 1];
    const double s = last.ScaleFactor();
    const CChainElement::Box bb = last.BoundingBox();
    const double W = kOvalWidth * s, H = kOvalHeight * s;
    double x = bb[2] - W / 2;
    const double y = bb[1] - kOvalGap * s;
    const MKelvaro::TextWidthMeasure measure = [&pic](const std::string& t) { return pic.TextWidth(t); };
    auto oval = [&](Colour fill, const std::string& text) {
        pic.SetFillColor(fill);
        pic.Circle(x, y - H / 2, W / 2, std::nullopt, H / W);
        // A total too long for the page starts at its left edge, not before it.
        pic.SetCurrentX(
            static_cast<float>(std::max(x - pic.TextWidth(text) / 2, static_cast<double>(pic.ScaleLeft()))));
        pic.SetCurrentY(static_cast<float>(y - H / 2 - pic.TextHeight(text) / 2));
        pic.Print(text);
    };
    oval(diagram::Colour(opt::kColourOval),
         "Total Biological Risk (RB)=" + MKelvaro::FormatSigFigs(measure, totalRisk, 4));
    if (diagram::HideCosts()) return;
    x -= 1.1 * W;
    oval(diagram::Colour(opt::kColourFixedCost),
         "Total Management Cost (CT)=" + MKelvaro::FormatSigFigs(measure, totalCost, 4));
}

}  // namespace nuvir
