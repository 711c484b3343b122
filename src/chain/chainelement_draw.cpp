// Drawing a stage: its shapes in the option colours, its labels, and on the last stage
// the announcement of new totals. Drawing accumulates on the picture: a stage drawn
// again over itself darkens its smoothed text, so in a chain a change redraws the
// whole diagram on a cleared picture.
#include <algorithm>
#include <cmath>

#include "appdata/appdata.h"
#include "chain/chainelement.h"
#include "chain/diagramoptions.h"
#include "numerics/numerics.h"
#include "platform/controls.h"
#include "platform/picturebox.h"
#include "platform/windowutilities.h"
#include "runtime/convert.h"
#include "utilities/formatting.h"

namespace nuvir {

namespace {

// The picture's current point, moved by relative steps as the figure is walked.
class Pen {
public:
    explicit Pen(PictureBox& pic) : pic_(pic) {}
    float X() const { return pic_.CurrentX(); }
    float Y() const { return pic_.CurrentY(); }
    void LineBy(float dx, float dy, std::optional<Colour> colour = std::nullopt) {
        pic_.Line(X(), Y(), X() + dx, Y() + dy, colour);
    }
    void BoxBy(float w, float h) { pic_.Line(X(), Y(), X() + w, Y() + h, std::nullopt, LineShape::Box); }
    // A pen move: a point in the back colour, which the outlines drawn next cover.
    void MoveBy(float dx, float dy) { pic_.PSet(X() + dx, Y() + dy, pic_.BackColor()); }
    void Plot(float x, float y) { pic_.PSet(x, y); }
    // An ellipse w wide and h high whose left end is the current point.
    void OvalRight(float w, float h) { pic_.Circle(X() + w / 2, Y(), w / 2, std::nullopt, h / w); }

private:
    PictureBox& pic_;
};

// Prints a text from x on, but never from left of the page: a long number on the
// fixed-cost circle by the page's edge would lose its first digits.
void PrintFrom(PictureBox& pic, double x, const std::string& text) {
    pic.SetCurrentX(static_cast<float>(std::max(x, static_cast<double>(pic.ScaleLeft()))));
    pic.Print(text);
}

// Prints a text centred on a box.
void PrintCentred(PictureBox& pic, const CChainElement::Box& b, const std::string& text) {
    const float cx = (b[0] + b[2]) / 2, cy = (b[1] + b[3]) / 2;
    pic.SetCurrentY(static_cast<float>(cy - pic.TextHeight(text) / 2));
    PrintFrom(pic, cx - pic.TextWidth(text) / 2, text);
}

}  // namespace

void CChainElement::Render(float x, float y) {
    using NumericLimits::LargestSingle;
    using NumericLimits::MostNegativeSingle;
    boundingBox_ = Box{LargestSingle, LargestSingle, MostNegativeSingle, MostNegativeSingle};
    partBoxes_ = {};
    partDrawn_ = {};
    originX_ = x;
    originY_ = y;
    if (!pic_) return;
    PictureBox& pic = *pic_;
    Pen pen(pic);
    auto S = [this](int r, int c) { return scaled_[r][c]; };
    auto width = [&](int row) { pic.SetDrawWidth(LineWidth(row)); };
    // A value box from the current point, h negative for one that hangs down; the pen
    // ends at the middle of its right side.
    auto valueBox = [&](int part, float w, float h) {
        UpdatePartBox(part, pen.X(), pen.Y(), pen.X() + w, pen.Y() + h);
        pen.BoxBy(w, h);
        pen.LineBy(0, -h / 2);
    };

    pic.SetFontName("Times New Roman");
    pic.SetFontSize(static_cast<float>(2 * scaleFactor_));
    pic.SetFillStyle(fillstyle::Solid);

    // Diamond.
    {
        const float hw = S(7, 0) / 2, hh = S(7, 1) / 2;
        width(9);
        pen.Plot(x + S(7, 0), y);
        pen.LineBy(-hw, hh);
        pen.LineBy(-hw, -hh);
        pen.LineBy(hw, -hh);
        pen.LineBy(hw, hh);
        UpdatePartBox(kPartDiamond, x, y - hh, pen.X(), pen.Y() + hh);
        const Box& b = partBoxes_[kPartDiamond];
        MUtilities::FloodFillPicture(pic, (b[0] + b[2]) / 2, (b[1] + b[3]) / 2, diagram::Colour(opt::kColourDiamond));
    }
    width(9);
    pen.LineBy(S(9, 0), 0);
    const float jx = pen.X(), jy = pen.Y();
    width(10);
    pen.LineBy(0, -S(10, 0));

    // The p and q boxes hang from the junction's column, the I boxes and risk ovals
    // stand on the line that reaches them.
    auto probabilityBox = [&](int part, int row, float h) {
        const float w = S(row, 0);
        width(row + 9);
        pen.MoveBy(w / 8, 0);
        pic.SetFillColor(diagram::Colour(opt::kColourPBox));
        pen.MoveBy(-w / 2, 0);
        valueBox(part, w, h);
    };
    auto impactBox = [&](int part, int row) {
        const float w = S(row, 0), h = S(row, 1);
        width(13);
        pic.SetFillColor(diagram::Colour(opt::kColourIBox));
        pen.MoveBy(0, h / 2);
        valueBox(part, w, -h);
    };
    auto riskOval = [&](int part, int row) {
        const float ow = S(row, 0), oh = S(row, 1);
        width(14);
        pic.SetFillColor(diagram::Colour(opt::kColourOval));
        UpdatePartBox(part, pen.X(), pen.Y() - oh / 2, pen.X() + ow, pen.Y() + oh / 2);
        pen.OvalRight(ow, oh);
    };
    // A line in row `row`'s width from the point (fx, fy).
    auto lineFrom = [&](int row, float fx, float fy, float dx, float dy) {
        width(row);
        pen.Plot(fx, fy);
        pen.LineBy(dx, dy);
    };

    // p box, then the line to the next stage or, on the last stage, to I5 and R5.
    probabilityBox(kPartP, 1, -S(1, 1));
    if (next_) {
        lineFrom(12, pen.X(), pen.Y(), S(12, 0), 0);
        connectX_ = pen.X();
        connectY_ = pen.Y();
    } else {
        lineFrom(12, pen.X(), pen.Y(), S(13, 0), 0);
        impactBox(kPartI5, 3);
        lineFrom(12, pen.X(), pen.Y(), S(12, 0) / 2, 0);
        pen.LineBy(0, S(3, 1));
        pen.LineBy(S(12, 0) / 2, 0);
        riskOval(kPartR5, 5);
    }

    // q box, I box and the line to the common column of the risk ovals.
    lineFrom(11, jx, jy, 0, S(11, 0));
    probabilityBox(kPartQ, 2, S(2, 1));
    lineFrom(13, pen.X(), pen.Y(), S(13, 0), 0);
    impactBox(kPartI, 4);
    lineFrom(14, pen.X(), pen.Y(), S(14, 0), 0);
    pen.LineBy(static_cast<float>(ovalLeft_ * scaleFactor_) - pen.X() + S(14, 0), 0);
    riskOval(kPartR, 6);

    // Fixed-cost circle on its 45-degree line, joined to the rim.
    if (!diagram::HideCosts()) {
        const float d = S(15, 0);
        width(15);
        pen.Plot(jx, jy);
        pen.LineBy(-d, -d);
        const float dx = pen.X(), dy = pen.Y();
        const float r = S(0, 0), r1 = S(0, 1);
        pic.SetFillColor(diagram::Colour(opt::kColourFixedCost));
        pic.Circle(dx - r, dy - r1, r, std::nullopt, r1 / r);
        const float cx = pen.X(), cy = pen.Y();
        UpdatePartBox(kPartF, cx - r, cy + r1, cx + r, cy - r1);
        const float e = static_cast<float>(r * std::sqrt(2.0) / 2);
        pen.LineBy(e, e, diagram::Colour(opt::kColourFixedCost));
        pen.Plot(pen.X(), pen.Y());
        pic.Line(pen.X(), pen.Y(), dx, dy);
    }

    DrawLabels();
    // Only the stage the box belongs to puts it back: a stale selection on another
    // stage would otherwise move an open edit onto its own part.
    if (textBox_ && textBox_->Visible() && OwnsPendingEdit()) PositionEditBox(textBox_->Text());

    if (!next_) {
        eventTotalRisk_ = TotalRisk();
        eventTotalCost_ = TotalCost();
        Q_EMIT TotalRiskChanged(eventTotalRisk_, eventTotalCost_);
    }
}

void CChainElement::DrawLabels() {
    PictureBox& pic = *pic_;
    const std::string k = FormatDouble(index_);
    const std::string k1 = FormatDouble(index_ + 1);
    const MKelvaro::TextWidthMeasure measure = [&pic](const std::string& t) { return pic.TextWidth(t); };
    const int decimals = diagram::Decimals();

    if (partDrawn_[kPartF])
        PrintSplitLabel(kPartF, "F" + k + "=", primary_[kF], ItemFlag(AppData, item::kCategoricalCosts));
    PrintCentred(pic, partBoxes_[kPartP], "p" + k + "=" + MKelvaro::FormatDecimals(primary_[kP], decimals));
    PrintCentred(pic, partBoxes_[kPartQ], "q" + k + "=" + MKelvaro::FormatDecimals(primary_[kQ], decimals));
    const bool italicImpacts = ItemFlag(AppData, item::kCategoricalImpacts);
    if (!next_) PrintSplitLabel(kPartI5, "I" + k1 + "=", primary_[kI5], italicImpacts);
    PrintSplitLabel(kPartI, "I" + k + "=", primary_[kI], italicImpacts);
    if (!next_) PrintInBox(kPartR5, "R" + k1 + "=" + MKelvaro::FormatSigFigs(measure, risks_[0], 4));
    PrintInBox(kPartR, "R" + k + "=" + MKelvaro::FormatSigFigs(measure, risks_[1], 4));
    PrintInBox(kPartDiamond, id_ + "?");
}

void CChainElement::PrintSplitLabel(int part, const std::string& label, double value, bool italic) {
    PictureBox& pic = *pic_;
    const Box& b = partBoxes_[static_cast<std::size_t>(part)];
    const float cx = (b[0] + b[2]) / 2, cy = (b[1] + b[3]) / 2;
    pic.SetFontItalic(italic);
    // The number's form is chosen in the font as just set: italic may pick another.
    const std::string number =
        MKelvaro::FormatSigFigs([&pic](const std::string& t) { return pic.TextWidth(t); }, value, 4);
    if (b[2] - b[0] > pic.TextWidth("W" + label + number)) {
        PrintCentred(pic, b, label + number);
    } else {
        pic.SetCurrentY(static_cast<float>(cy - pic.TextHeight(label)));
        PrintFrom(pic, cx - pic.TextWidth(label) / 2, label);
        pic.SetCurrentY(cy);
        PrintFrom(pic, cx - pic.TextWidth(number) / 2, number);
    }
    pic.SetFontItalic(false);
}

void CChainElement::PrintInBox(int part, std::string text) {
    PictureBox& pic = *pic_;
    const Box& b = partBoxes_[static_cast<std::size_t>(part)];
    const double hh = (b[1] - b[3]) / 2.0, hw = (b[2] - b[0]) / 2.0;
    const double t = pic.TextHeight(text), w = pic.TextWidth(text);
    // With the y axis up t is negative, so this inset widens the allowance: a text is
    // cut only when it overflows the box by more than W |t| / H.
    const double d = hw * (t / 2) / hh;
    pic.SetCurrentY(static_cast<float>(b[3] + hh - t / 2));
    if (static_cast<float>(hw - w / 2) < d) {
        const double limit = 2 * (hw - d);
        while (text.size() >= 2 && pic.TextWidth(text) > limit) text.pop_back();
    }
    PrintFrom(pic, b[0] + hw - pic.TextWidth(text) / 2, text);
}

}  // namespace nuvir
