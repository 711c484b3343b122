// The diagram: a stage's figure (template, scaling, the part boxes its drawing records,
// its labels) on a recording picture with fixed text metrics, the chain's layout, the
// totals and a picture of the default chain for review.
#include <algorithm>

#include <QCoreApplication>
#include <QDir>

#include "chain_fixture.h"
#include "numerics/numerics.h"

namespace nuvir::test {
namespace {

using StageFigure = ChainTest;
using ChainDiagram = ChainTest;

// The diagram of the application data as a person sees it, 1200 x 700 pixels on white,
// saved in the build folder under `file` for a look.
void SaveDiagramOfAppData(const char* file) {
    ImagePictureBox image(1200, 700);
    image.SetBackColor(0xFFFFFF);
    CChain review;
    review.SetHost(&image);
    review.Measure();
    review.SetScaleFactor(5);
    review.SetData(AppData);
    review.Render();
    EXPECT_TRUE(image.Image().save(QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(file)));
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

// The template scales without drift; only the last stage draws I5 and R5 and announces
// the totals, and without a picture nothing is drawn or announced.
TEST_F(StageFigure, OnlyTheLastStageDrawsI5AndR5AndAnnouncesTheTotals) {
    Pair p(1);
    EXPECT_EQ(p.first.LineWidth(9), 1) << "half a pixel is still one";
    EXPECT_EQ(p.last.ConnectX(), 0) << "the last stage connects to nothing";
    p.first.SetScaleFactor(3);
    p.first.SetScaleFactor(2);
    EXPECT_EQ(p.first.ScaledShape(9, 0), static_cast<float>(static_cast<float>(200.0 / 3) * 2.0));
    p.Draw(p.first);
    EXPECT_FALSE(p.first.PartDrawn(CChainElement::kPartI5));
    EXPECT_FALSE(p.first.PartDrawn(CChainElement::kPartR5));
    p.Draw(p.last);  // its I5 and R5 are rows of the hit table
    EXPECT_EQ(p.events, 1);
    Pair none(2);
    none.last.Render(5, 6);
    EXPECT_EQ(none.last.BoundingBox()[0], NumericLimits::LargestSingle);
    EXPECT_FALSE(none.last.PartDrawn(7));
    EXPECT_EQ(none.events, 0);
}

// At scale 1 from (0, 0): the diamond's left tip to the R oval's far corner (200 + 150
// up, 791.67 + 100 + 400 right) and the fixed-cost circle's bottom (160 + 200 down).
TEST_F(StageFigure, MeasureWalksTheOutlineAndSetsTheConnectPoint) {
    Pair p(1);
    const std::array<double, 4> extent{0, 350, 1291.67, -360};
    for (CChainElement* s : {&p.first, &p.last}) {
        SCOPED_TRACE(s == &p.first ? "stage with a next stage" : "last stage");
        const CChainElement::Box b = s->Measure(0, 0);
        for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(b[i], extent[i], 0.01) << i;
        EXPECT_NEAR(s->OvalLeft(), 791.67, 0.01);
    }
    EXPECT_NEAR(p.first.ConnectX(), 591.67, 0.01);
    EXPECT_NEAR(p.first.ConnectY(), -200, 0.01);
    EXPECT_EQ(p.last.ConnectX(), 0) << "the last stage leaves its connect point alone";
}

// Each part's hit box, drawn at (0, 0), worked out from the shape's sizes at scale 1
// (the junction at 300 + 200 / 3) and scaled; a click on a part lands on that part.
TEST_F(StageFigure, EachDrawnPartIsHitWhereItIsDrawn) {
    struct Case {
        const char* name;
        bool last;
        int part;
        std::array<double, 4> box;
    };
    const Case cases[] = {
        {"diamond", false, CChainElement::kPartDiamond, {0, 125, 300, -125}},
        {"p box below the junction", false, CChainElement::kPartP, {291.67, -100, 491.67, -300}},
        {"q box above it", false, CChainElement::kPartQ, {291.67, 300, 491.67, 100}},
        {"I box after the q box", false, CChainElement::kPartI, {591.67, 300, 791.67, 100}},
        {"R oval centred on the I box's line", false, CChainElement::kPartR, {891.67, 275, 1291.67, 125}},
        {"cost circle below the diagonal's end", false, CChainElement::kPartF, {6.67, -160, 206.67, -360}},
        {"I5 box after the p box", true, CChainElement::kPartI5, {591.67, -100, 791.67, -300}},
        {"R5 oval raised by the I5 box's height", true, CChainElement::kPartR5, {891.67, 75, 1291.67, -75}}};
    for (const Case& c : cases)
        for (double scale : {1.0, 2.0}) {
            SCOPED_TRACE(testing::Message() << c.name << " at scale " << scale);
            Pair p(scale);
            CChainElement& s = c.last ? p.last : p.first;
            p.Draw(s);
            const CChainElement::Box b = s.PartBox(c.part);
            for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(b[i], c.box[i] * scale, 0.01) << i;
            EXPECT_EQ(s.HitTestPart(static_cast<float>((b[0] + b[2]) / 2), static_cast<float>((b[1] + b[3]) / 2)),
                      c.part);
        }
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
    struct Case {
        const char* name;
        double charWidthPx;
        const char* text;
        double y;
    };
    const Case cases[] = {{"impact just fits", 5.3, "I1=1", -1},
                          {"impact splits above the centre line", 5.34, "I1=", 400 + 13 * 15},
                          {"its number starting on it", 5.34, "1", 400},
                          {"diamond fits", 3, "Arrives?", -1},
                          {"diamond cut", 7, "Arrives", -1},
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

// A 400 x 200 pixel picture (6000 x 3000 twips) at scale 1, and the default chain
// at scale 5 written for review.
TEST_F(ChainDiagram, TheYAxisPointsUpFromTheBottomEdgeWhateverTheSize) {
    DrawnChain d(400, 200, 1);
    LabelPicture& pic = d.pic;
    d.chain.Render();
    EXPECT_EQ(pic.ScaleTop(), 3000.0f);
    EXPECT_EQ(pic.ScaleHeight(), -3000.0f);
    pic.ResizeClient(500, 300);
    d.chain.Render();
    EXPECT_EQ(pic.ScaleWidth(), 7500.0f);
    EXPECT_EQ(pic.ScaleHeight(), -4500.0f);
    EXPECT_EQ(pic.PixelY(0), 300) << "y = 0 at the bottom edge";
    SaveDiagramOfAppData("chain_default.png");
}

// On a 600 x 300 pixel picture (4500 twips high): the first stage's diamond tip hangs
// 420 scaled below the top, each later stage 200 scaled lower; the risk total's oval
// (800 x 300 scaled) ends at the chain's right edge (3066.67 scaled) with its top 50
// scaled below the last stage's lowest part (the cost circle 360 down, else the p box
// 300 down), the cost total's oval 1.1 oval widths to its left. The R ovals line up
// after the last stage's I box. Hidden costs leave out the cost circles, their labels
// and their total.
TEST_F(ChainDiagram, TheStagesHangFromTheTopAndTheTotalsStandBelowTheLast) {
    struct Case {
        const char* name;
        double scale;
        bool hideCosts;
        double originY, riskX, riskY, costX;
    };
    const Case cases[] = {{"scale 1", 1, false, 4080, 2666.67, 3480 - 360 - 200, 1786.67},
                          {"scale 1 without costs", 1, true, 4080, 2666.67, 3480 - 300 - 200, 0},
                          {"scale 2", 2, false, 3660, 5333.33, 2460 - 720 - 400, 3573.33},
                          {"scale 0.5", 0.5, false, 4290, 1333.33, 3990 - 180 - 100, 893.33}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppOptions(opt::kHideCosts) = Variant(c.hideCosts);
        DrawnChain d(600, 300, c.scale, 2);
        const CChain& chain = d.chain;
        EXPECT_EQ(chain.Element(1)->OriginX(), 0);
        EXPECT_NEAR(chain.Element(1)->OriginY(), c.originY, 0.01);
        EXPECT_NEAR(chain.Element(4)->OriginY(), c.originY - 600 * c.scale, 0.01);
        for (int k = 1; k <= 4; ++k) {  // every R oval in the last stage's column, 791.67 + 3 x 591.67 + 100
            EXPECT_NEAR(chain.Element(k)->OvalLeft(), 791.67 + 3 * 591.67, 0.02) << k;
            EXPECT_NEAR(chain.Element(k)->PartBox(CChainElement::kPartR)[0], 8000.0 / 3 * c.scale, 0.01) << k;
        }
        EXPECT_EQ(chain.Element(1)->PartDrawn(CChainElement::kPartF), !c.hideCosts);
        const bool costLabel = std::any_of(d.pic.printed.begin(), d.pic.printed.end(),
                                           [](const auto& printed) { return printed.text.rfind("F1", 0) == 0; });
        EXPECT_EQ(costLabel, !c.hideCosts);
        // Where an oval's text is centred.
        auto centre = [&d](const char* text) {
            const LabelPicture::Printed* p = d.pic.Find(text);
            return p ? std::make_pair(p->x + d.pic.TextWidth(text) / 2, p->y + d.pic.TextHeight(text) / 2)
                     : std::make_pair(-1.0, -1.0);
        };
        const auto risk = centre("Total Biological Risk (RB)=1");
        EXPECT_NEAR(risk.first, c.riskX, 0.01);
        EXPECT_NEAR(risk.second, c.riskY, 0.01);
        const auto cost = centre("Total Management Cost (CT)=0");
        EXPECT_NEAR(cost.first, c.hideCosts ? -1 : c.costX, 0.01);
        EXPECT_NEAR(cost.second, c.hideCosts ? -1 : c.riskY, 0.01);
    }
}

// A change of one stage draws the whole diagram again on a cleared picture, once: a
// stage drawn over its old self would darken its smoothed text.
TEST_F(ChainDiagram, TheTotalsFollowARedrawOfOneStage) {
    DrawnChain d(400, 200, 1, 2);
    d.pic.printed.clear();
    d.pic.ClearCalls();
    d.chain.Element(2)->SetPrimaryData({0.5, 0.5, 0, 3, 8});
    EXPECT_NE(d.pic.Find("Total Biological Risk (RB)=1.5"), nullptr);
    EXPECT_NE(d.pic.Find("Total Management Cost (CT)=4"), nullptr);
    EXPECT_NE(d.pic.Find("p1=0.50"), nullptr) << "stage 1 is drawn again with the others";
    EXPECT_EQ(d.pic.Count("Cls"), 1) << "on a cleared picture, once for the stages 3 and 4 changed";
}

// Subnormal values show four figures of what is stored, as normal ones do (they showed
// 9.980e-321 for 1e-320 and 0 for the smallest subnormal); R1 is half of I1, R2 a
// quarter of the smallest subnormal, which is 0. A picture for review.
TEST_F(ChainDiagram, SubnormalValuesShowFourFiguresOfWhatIsStored) {
    AppData(item::PointValue(item::kI1)) = Variant(1e-320);
    AppData(item::PointValue(item::kI1 + 1)) = Variant(4.9e-324);
    DrawnChain d(400, 200, 1, 2);
    d.chain.SetData(AppData);
    d.pic.printed.clear();
    d.chain.Render();
    // An I box splits its label after the "=".
    for (const char* text : {"I1=", "1.000e-320", "R1=5.000e-321", "I2=", "4.941e-324", "R2=0"})
        EXPECT_NE(d.pic.Find(text), nullptr) << text;
    SaveDiagramOfAppData("chain_subnormal.png");
}

}  // namespace
}  // namespace nuvir::test
