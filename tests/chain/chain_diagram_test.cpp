// The diagram: a stage's figure (template, scaling, the part boxes its drawing records,
// its labels) on a recording picture with fixed text metrics, the chain's layout, the
// totals and a picture of the default chain for review.
#include <QCoreApplication>
#include <QDir>

#include "chain_fixture.h"
#include "numerics/numerics.h"

namespace nuvir::test {
namespace {

using StageFigure = ChainTest;
using ChainDiagram = ChainTest;

template <class T>
void ExpectBox(const std::array<T, 4>& got, std::array<double, 4> want) {
    for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(got[i], want[i], 0.01) << "coordinate " << i;
}

// Stage 1 of a linked pair (it has a next stage) or the pair's stage 2 (the last).
struct Pair {
    CChainElement first, last;
    LabelPicture pic{400, 300};
    int events = 0;
    explicit Pair(double scale) {
        last.SetPrevElement(&first);
        first.SetNextElement(&last);
        first.SetIndex(1);
        first.SetID("Arrives");
        last.SetIndex(2);
        for (CChainElement* s : {&first, &last}) {
            s->Measure(0, 0);  // OvalLeft of a stage measured at the origin: 791.67
            s->SetScaleFactor(scale);
        }
        QObject::connect(&last, &CChainElement::TotalRiskChanged, [this](double&, double&) { ++events; });
        const float h = static_cast<float>(pic.ScaleY(pic.ClientHeightPx(), 3, 1));  // y up, as the chain has it
        pic.SetScaleTop(h);
        pic.SetScaleHeight(-h);
    }
    // Draws one of the two at (0, 0) with characters of the given width in pixels.
    void Draw(CChainElement& s, double charWidthPx = 7) {
        pic.charWidthPx = charWidthPx;
        s.SetHost(&pic);
        s.Render(0, 0);
    }
};

TEST_F(StageFigure, TheTemplateScalesWithoutDriftAndMeasuresTheFigure) {
    Pair p(1);
    EXPECT_EQ(p.first.LineWidth(9), 1) << "half a pixel is still one";
    ExpectBox(p.first.Measure(0, 0), {0, 350, 1291.67, -360});
    EXPECT_NEAR(p.first.ConnectY(), -200, 0.01);
    EXPECT_EQ(p.last.ConnectX(), 0) << "the last stage connects to nothing";
    p.first.SetScaleFactor(3);
    p.first.SetScaleFactor(2);
    EXPECT_EQ(p.first.ScaledShape(9, 0), static_cast<float>(static_cast<float>(200.0 / 3) * 2.0));
    p.first.SetScaleFactor(6);
    EXPECT_EQ(p.first.LineWidth(14), 3);
}

TEST_F(StageFigure, DrawingRecordsThePartsAtScaleTwo) {
    Pair p(2);
    p.Draw(p.first);
    const double j = 733.33;
    ExpectBox(p.first.PartBox(7), {0, 250, 600, -250});
    ExpectBox(p.first.PartBox(1), {j - 150, -200, j + 250, -600});
    ExpectBox(p.first.PartBox(6), {j + 1050, 550, j + 1850, 250});
    ExpectBox(p.first.PartBox(0), {13.33, -320, 413.33, -720});
    EXPECT_FALSE(p.first.PartDrawn(3) || p.first.PartDrawn(5));
    ExpectBox(p.first.BoundingBox(), {0, -720, j + 1850, 600});
    EXPECT_EQ(p.pic.Count("DrawWidth=1"), p.pic.Count("DrawWidth="));
    EXPECT_EQ(p.events, 0);
    p.Draw(p.last);
    ExpectBox(p.last.PartBox(5), {j + 1050, 150, j + 1850, -150});
    EXPECT_EQ(p.events, 1);
    // Without a picture nothing is drawn or announced.
    Pair none(2);
    none.last.Render(5, 6);
    EXPECT_EQ(none.last.BoundingBox()[0], NumericLimits::LargestSingle);
    EXPECT_FALSE(none.last.PartDrawn(7));
    EXPECT_EQ(none.events, 0);
}

TEST_F(StageFigure, HiddenCostsLeaveTheCostCircleAndItsLabelOut) {
    AppOptions(opt::kHideCosts) = Variant(true);
    Pair p(2);
    p.Draw(p.first, 2);
    EXPECT_FALSE(p.first.PartDrawn(0));
    EXPECT_EQ(p.pic.Count("Circle"), 1) << "only the risk oval";
    for (const auto& printed : p.pic.printed) EXPECT_NE(printed.text[0], 'F');
}

TEST_F(StageFigure, AnEarlierStageRunsItsOvalLineToTheCommonColumn) {
    Pair p(1);
    p.first.SetOvalLeft(2000);
    p.Draw(p.first);
    EXPECT_NEAR(p.first.PartBox(6)[0], 2100, 0.01);
}

TEST_F(StageFigure, LabelsShowTheValuesInTheirFormatsCategoricalImpactsInItalics) {
    Pair p(2);
    p.Draw(p.first, 2);  // narrow text: every label fits on one line
    for (const char* text : {"F1=0", "p1=0.50", "q1=0.50", "I1=1", "R1=0.5", "Arrives?"})
        EXPECT_NE(p.pic.Find(text), nullptr) << text;
    EXPECT_EQ(p.pic.printed.size(), 6u) << "nothing in the I5 box or the R5 oval of a middle stage";
    // Centred: the text's top-left is half its size left of and above the box's centre.
    EXPECT_NEAR(p.pic.Find("q1=0.50")->x, 733.33 + 50 - 7 * 30 / 2.0, 0.01);
    EXPECT_NEAR(p.pic.Find("q1=0.50")->y, 400 + 13 * 15 / 2.0, 0.01);
    p.pic.printed.clear();
    AppOptions(opt::kDecimals) = Variant(3);
    AppData(item::kCategoricalImpacts) = Variant(true);
    p.Draw(p.last, 2);
    for (const char* text : {"p2=0.500", "I3=1", "R3=0.25", "R2=0.25"}) EXPECT_NE(p.pic.Find(text), nullptr) << text;
    for (const auto& printed : p.pic.printed) EXPECT_EQ(printed.italic, printed.text[0] == 'I') << printed.text;
    EXPECT_FALSE(p.pic.FontItalic());
}

TEST_F(StageFigure, LabelsThatDoNotFitSplitOrLoseCharacters) {
    // The I box is 400 wide at scale 2 and "WI1=1" five characters of 15 twips per pixel;
    // the diamond is 600 x 500, and a line 13 pixels high allows 2 (300 + 117).
    struct Case { const char* name; double charWidthPx; const char* text; double y; };
    const Case cases[] = {{"impact just fits", 5.3, "I1=1", -1},
                          {"impact splits above the centre line", 5.34, "I1=", 400 + 13 * 15},
                          {"its number starting on it", 5.34, "1", 400},
                          {"diamond fits", 3, "Arrives?", -1}, {"diamond cut", 7, "Arrives", -1},
                          {"diamond never below one character", 100, "A", -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pair p(2);
        p.Draw(p.first, c.charWidthPx);
        ASSERT_NE(p.pic.Find(c.text), nullptr);
        if (c.y != -1) {
            EXPECT_NEAR(p.pic.Find(c.text)->y, c.y, 0.01);
        }
    }
}

TEST_F(ChainDiagram, WritesAPictureOfTheDefaultChain) {
    ImagePictureBox pic(1200, 700);
    pic.SetBackColor(0xFFFFFF);
    CChain chain;
    chain.SetHost(&pic);
    EXPECT_FLOAT_EQ(chain.Measure()[0], 0);
    chain.SetScaleFactor(5);
    chain.SetData(AppData);
    chain.Render();
    EXPECT_TRUE(pic.Image().save(QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("chain_default.png")));
}

// The x, y, radius and aspect of the last `n` circles drawn, in drawing order.
std::vector<std::array<double, 4>> LastCircles(const RecordingPictureBox& pic, std::size_t n) {
    std::vector<std::array<double, 4>> out;
    for (const std::string& call : pic.calls)
        if (const auto w = Split(call, " "); w[0] == "Circle") out.push_back({Val(w[1]), Val(w[2]), Val(w[3]), Val(w[5])});
    return {out.end() - static_cast<std::ptrdiff_t>(n), out.end()};
}

// A 400 x 200 pixel picture: 6000 x 3000 twips.
struct Drawn {
    LabelPicture pic{400, 200};
    CChain chain;
    explicit Drawn(double scale) {
        chain.SetHost(&pic);
        chain.Measure();
        chain.SetScaleFactor(scale);
        chain.Render();
    }
};

TEST_F(ChainDiagram, TheYAxisTurnsUpOnceAndFollowsTheSize) {
    Drawn d(1);
    d.chain.Render();
    EXPECT_EQ(d.pic.ScaleTop(), 3000);
    EXPECT_EQ(d.pic.ScaleHeight(), -3000);
    d.pic.ResizeClient(500, 300);
    d.chain.Render();
    EXPECT_EQ(d.pic.ScaleHeight(), -4500);
    EXPECT_EQ(d.pic.ScaleWidth(), 7500);
    EXPECT_EQ(d.pic.PixelY(0), 300) << "y = 0 at the bottom edge";
}

TEST_F(ChainDiagram, StagesStandWhereTheMeasureAndTheConnectionsPutThem) {
    for (double scale : {1.0, 2.0}) {
        SCOPED_TRACE(scale);
        Drawn d(scale);
        EXPECT_EQ(d.chain.TopOffset(), 420);
        EXPECT_EQ(d.chain.Element(1)->OriginY(), 3000 - 420 * scale);
        EXPECT_NEAR(d.chain.Element(2)->OriginX(), 591.67 * scale, 0.01);
        EXPECT_NEAR(d.chain.Element(2)->OriginY(), (3000 - 420 * scale) - 200 * scale, 0.01);
        for (int k = 1; k <= 4; ++k) EXPECT_NEAR(d.chain.Element(k)->OvalLeft(), 791.67 + 3 * 591.67, 0.02) << k;
    }
}

TEST_F(ChainDiagram, TheTotalsStandBelowTheLastStageAndFollowARedrawOfOneStage) {
    for (bool hideCosts : {true, false}) {
        SCOPED_TRACE(hideCosts);
        AppOptions(opt::kHideCosts) = Variant(hideCosts);
        Drawn d(1);
        const CChainElement::Box bb = d.chain.Element(4)->BoundingBox();
        const auto ovals = LastCircles(d.pic, hideCosts ? 1 : 2);
        const auto& risk = ovals.front();  // drawn first, 800 x 300, 50 below the stage
        ExpectBox(risk, {bb[2] - 400, bb[1] - 50 - 150, 400, 0.375});
        EXPECT_NE(d.pic.Find("Total Biological Risk (RB)=1"), nullptr);
        EXPECT_EQ(d.pic.Find("Total Management Cost (CT)=0") != nullptr, !hideCosts);
        if (!hideCosts) ExpectBox(ovals.back(), {risk[0] - 880, risk[1], 400, 0.375});
    }
    Drawn d(1);
    d.pic.printed.clear();
    d.chain.Element(2)->SetPrimaryData({0.5, 0.5, 0, 3, 8});
    EXPECT_NE(d.pic.Find("Total Biological Risk (RB)=1.5"), nullptr);
    EXPECT_NE(d.pic.Find("Total Management Cost (CT)=4"), nullptr);
    EXPECT_EQ(d.pic.Find("p1=0.50"), nullptr) << "stage 1 is not redrawn";
}

}  // namespace
}  // namespace nuvir::test
