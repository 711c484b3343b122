// A stage's figure: template, scaling, measuring, the boxes its drawing records and the
// labels it prints, on a recording picture with fixed text metrics.
#include "chain_fixture.h"
#include "numerics/numerics.h"

namespace nuvir::test {
namespace {

using StageFigure = ChainTest;

void ExpectBox(const CChainElement::Box& got, std::array<double, 4> want) {
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[static_cast<std::size_t>(i)], want[static_cast<std::size_t>(i)], 0.01) << "coordinate " << i;
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
        last.SetID("Survives");
        for (CChainElement* s : {&first, &last}) {
            s->Measure(0, 0);  // OvalLeft of a stage measured at the origin: 791.67
            s->SetScaleFactor(scale);
        }
        QObject::connect(&last, &CChainElement::TotalRiskChanged, [this](double&, double&) { ++events; });
        pic.TurnUp();
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
    EXPECT_EQ(p.first.ScaledShape(9, 0), static_cast<float>(200.0 / 3));
    EXPECT_EQ(p.first.LineWidth(9), 1) << "half a pixel is still one";
    ExpectBox(p.first.Measure(0, 0), {0, 350, 1291.67, -360});
    EXPECT_NEAR(p.first.ConnectX(), 591.67, 0.01);
    EXPECT_NEAR(p.first.ConnectY(), -200, 0.01);
    EXPECT_NEAR(p.first.OvalLeft(), 791.67, 0.01);
    ExpectBox(p.last.Measure(0, 0), {0, 350, 1291.67, -360});
    EXPECT_EQ(p.last.ConnectX(), 0) << "the last stage connects to nothing";
    p.first.SetScaleFactor(3);
    p.first.SetScaleFactor(2);
    EXPECT_EQ(p.first.ScaledShape(9, 0), static_cast<float>(static_cast<float>(200.0 / 3) * 2.0));
    EXPECT_EQ(p.first.ScaledShape(15, 0), 320);
    p.first.SetScaleFactor(6);
    EXPECT_EQ(p.first.LineWidth(14), 3);
}

TEST_F(StageFigure, DrawingRecordsEveryPartAtScaleTwo) {
    Pair p(2);
    p.Draw(p.first);
    const double j = 733.33;
    ExpectBox(p.first.PartBox(7), {0, 250, 600, -250});
    ExpectBox(p.first.PartBox(1), {j - 150, -200, j + 250, -600});
    ExpectBox(p.first.PartBox(2), {j - 150, 600, j + 250, 200});
    ExpectBox(p.first.PartBox(4), {j + 450, 600, j + 850, 200});
    ExpectBox(p.first.PartBox(6), {j + 1050, 550, j + 1850, 250});
    ExpectBox(p.first.PartBox(0), {13.33, -320, 413.33, -720});
    EXPECT_NEAR(p.first.ConnectX(), j + 450, 0.01);
    EXPECT_NEAR(p.first.ConnectY(), -400, 0.01);
    EXPECT_FALSE(p.first.PartDrawn(3) || p.first.PartDrawn(5));
    const CChainElement::Box bb = p.first.BoundingBox();
    ExpectBox({bb[0], bb[1], bb[2], bb[3]}, {0, -720, j + 1850, 600});
    EXPECT_EQ(p.pic.Count("DrawWidth=1"), p.pic.Count("DrawWidth="));
    EXPECT_EQ(p.events, 0);

    p.Draw(p.last);
    ExpectBox(p.last.PartBox(3), {j + 450, -200, j + 850, -600});
    ExpectBox(p.last.PartBox(5), {j + 1050, 150, j + 1850, -150});
    EXPECT_EQ(p.last.ConnectX(), 0);
    EXPECT_EQ(p.events, 1);
}

TEST_F(StageFigure, HiddenCostsLeaveTheCostCircleAndItsLabelOut) {
    AppOptions(opt::kHideCosts) = Variant(true);
    Pair p(2);
    p.Draw(p.first, 2);
    EXPECT_FALSE(p.first.PartDrawn(0));
    EXPECT_NEAR(p.first.BoundingBox()[1], -600, 0.01);
    EXPECT_EQ(p.pic.Count("Circle"), 1) << "only the risk oval";
    for (const auto& printed : p.pic.printed) EXPECT_NE(printed.text[0], 'F');
}

TEST_F(StageFigure, WithoutAPictureNothingIsDrawnOrAnnounced) {
    Pair p(2);
    p.last.Render(5, 6);
    EXPECT_EQ(p.last.BoundingBox()[0], NumericLimits::LargestSingle);
    EXPECT_EQ(p.last.BoundingBox()[3], NumericLimits::MostNegativeSingle);
    EXPECT_FALSE(p.last.PartDrawn(7));
    EXPECT_EQ(p.events, 0);
    EXPECT_EQ(p.last.OriginX(), 5);
}

TEST_F(StageFigure, AnEarlierStageRunsItsOvalLineToTheCommonColumn) {
    Pair p(1);
    p.first.SetOvalLeft(2000);
    p.Draw(p.first);
    EXPECT_NEAR(p.first.PartBox(6)[0], 2100, 0.01);
}

TEST_F(StageFigure, LabelsShowTheValuesInTheirFormats) {
    Pair p(2);
    p.Draw(p.first, 2);  // narrow text: every label fits on one line
    for (const char* text : {"F1=0", "p1=0.50", "q1=0.50", "I1=1", "R1=0.5", "Arrives?"})
        EXPECT_NE(p.pic.Find(text), nullptr) << text;
    EXPECT_EQ(p.pic.printed.size(), 6u) << "nothing in the I5 box or the R5 oval of a middle stage";
    // Centred: the text's top-left is half its size left of and above the box's centre.
    const auto* q = p.pic.Find("q1=0.50");
    EXPECT_NEAR(q->x, 733.33 + 50 - 7 * 30 / 2.0, 0.01);
    EXPECT_NEAR(q->y, 400 + 13 * 15 / 2.0, 0.01);

    p.pic.printed.clear();
    AppOptions(opt::kDecimals) = Variant(3);
    p.Draw(p.last, 2);
    for (const char* text : {"p2=0.500", "I3=1", "R3=0.25", "R2=0.25"})
        EXPECT_NE(p.pic.Find(text), nullptr) << text;
}

TEST_F(StageFigure, CategoricalImpactsArePrintedInItalicsAndOnlyThey) {
    AppData(item::kCategoricalImpacts) = Variant(true);
    Pair p(2);
    p.Draw(p.last, 2);
    for (const auto& printed : p.pic.printed) {
        SCOPED_TRACE(printed.text);
        EXPECT_EQ(printed.italic, printed.text[0] == 'I');
    }
    EXPECT_FALSE(p.pic.FontItalic());
}

TEST_F(StageFigure, AnImpactLabelSplitsWhenItAndOneWNoLongerFitTheBox) {
    // The I box is 400 wide at scale 2; "WI1=1" is five characters of 15 twips per pixel.
    struct Case {
        const char* name;
        double charWidthPx;
        bool oneLine;
    };
    for (const Case& c : {Case{"just fits", 5.3, true}, Case{"just too wide", 5.34, false}}) {
        SCOPED_TRACE(c.name);
        Pair p(2);
        p.Draw(p.first, c.charWidthPx);
        EXPECT_EQ(p.pic.Find("I1=1") != nullptr, c.oneLine);
        EXPECT_EQ(p.pic.Find("I1=") != nullptr, !c.oneLine);
        if (!c.oneLine) {
            // Label above the centre line (y = 400), the number starting on it.
            EXPECT_NEAR(p.pic.Find("I1=")->y, 400 + 13 * 15, 0.01);
            EXPECT_NEAR(p.pic.Find("1")->y, 400, 0.01);
        }
    }
}

TEST_F(StageFigure, TheDiamondTextLosesCharactersUntilItFits) {
    // The diamond is 600 x 500 at scale 2; a line 13 pixels high allows 2 (300 + 117).
    struct Case {
        const char* name;
        double charWidthPx;
        const char* printed;
    };
    const Case cases[] = {{"fits", 3, "Arrives?"}, {"cut", 7, "Arrives"}, {"never below one", 100, "A"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pair p(2);
        p.Draw(p.first, c.charWidthPx);
        EXPECT_EQ(p.pic.printed.back().text, c.printed);
    }
}

}  // namespace
}  // namespace nuvir::test
