// The chain diagram: layout on its picture, the y axis, the totals and a picture of the
// default chain for review.
#include <QCoreApplication>
#include <QDir>

#include "chain_fixture.h"
#include "platform/recordingpicturebox.h"

namespace nuvir::test {
namespace {

using ChainDiagram = ChainTest;

TEST_F(ChainDiagram, WritesAPictureOfTheDefaultChain) {
    ImagePictureBox pic(1200, 700);
    pic.SetBackColor(0xFFFFFF);
    CChain chain;
    chain.SetHost(&pic);
    const CChainElement::Box box = chain.Measure();
    EXPECT_FLOAT_EQ(box[0], 0);
    chain.SetScaleFactor(5);
    chain.SetData(AppData);
    chain.Render();
    const QString path = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("chain_default.png");
    EXPECT_TRUE(pic.Image().save(path, "PNG"));
}

// The numbers of the last `n` logged calls that start with `prefix`.
std::vector<std::vector<double>> LastCalls(const RecordingPictureBox& pic, const std::string& prefix, int n) {
    std::vector<std::vector<double>> out;
    for (auto it = pic.calls.rbegin(); it != pic.calls.rend() && static_cast<int>(out.size()) < n; ++it) {
        if (it->compare(0, prefix.size(), prefix) != 0) continue;
        std::vector<double> numbers;
        for (const std::string& word : Split(it->substr(prefix.size() + 1), " "))
            if (IsNumericText(word)) numbers.push_back(Val(word));
        out.insert(out.begin(), numbers);
    }
    return out;
}

// A 400 x 200 pixel picture: 6000 x 3000 twips.
struct Drawn {
    LabelPicture pic{400, 200};
    CChain chain;
    explicit Drawn(double scale) {
        chain.SetHost(&pic);
        chain.Measure();
        chain.SetScaleFactor(scale);
    }
};

TEST_F(ChainDiagram, TheYAxisTurnsUpOnceAndFollowsTheSize) {
    Drawn d(1);
    d.chain.Render();
    EXPECT_EQ(d.pic.ScaleTop(), 3000);
    EXPECT_EQ(d.pic.ScaleHeight(), -3000);
    d.chain.Render();
    EXPECT_EQ(d.pic.ScaleTop(), 3000);
    EXPECT_EQ(d.pic.ScaleHeight(), -3000);
    d.pic.ResizeClient(500, 300);
    d.chain.Render();
    EXPECT_EQ(d.pic.ScaleTop(), 4500);
    EXPECT_EQ(d.pic.ScaleHeight(), -4500);
    EXPECT_EQ(d.pic.ScaleWidth(), 7500);
    EXPECT_EQ(d.pic.PixelY(0), 300) << "y = 0 at the bottom edge";
}

TEST_F(ChainDiagram, StagesStandWhereTheMeasureAndTheConnectionsPutThem) {
    for (double scale : {1.0, 2.0}) {
        SCOPED_TRACE(scale);
        Drawn d(scale);
        d.chain.Render();
        EXPECT_EQ(d.chain.TopOffset(), 420);
        EXPECT_EQ(d.chain.Element(1)->OriginX(), 0);
        EXPECT_EQ(d.chain.Element(1)->OriginY(), 3000 - 420 * scale);
        EXPECT_NEAR(d.chain.Element(2)->OriginX(), 591.67 * scale, 0.01);
        EXPECT_NEAR(d.chain.Element(2)->OriginY(), (3000 - 420 * scale) - 200 * scale, 0.01);
        for (int k = 1; k <= 4; ++k) EXPECT_NEAR(d.chain.Element(k)->OvalLeft(), 791.67 + 3 * 591.67, 0.02) << k;
    }
}

TEST_F(ChainDiagram, TheTotalsStandBelowTheLastStage) {
    struct Case {
        const char* name;
        double scale;
        bool hideCosts;
    };
    const Case cases[] = {{"scale 1", 1, false}, {"scale 0.5", 0.5, false}, {"hidden costs", 1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppOptions(opt::kHideCosts) = Variant(c.hideCosts);
        Drawn d(c.scale);
        d.chain.Render();
        const CChainElement::Box bb = d.chain.Element(4)->BoundingBox();
        const double W = 800 * c.scale, H = 300 * c.scale;
        const auto ovals = LastCalls(d.pic, "Circle", c.hideCosts ? 1 : 2);
        const auto& risk = ovals.front();  // drawn first
        EXPECT_NEAR(risk[0], bb[2] - W / 2, 0.01);
        EXPECT_NEAR(risk[1], bb[1] - 50 * c.scale - H / 2, 0.01);
        EXPECT_NEAR(risk[2], W / 2, 0.01);
        EXPECT_NEAR(risk[3], 0.375, 1e-9);
        EXPECT_NE(d.pic.Find("Total Biological Risk (RB)=1"), nullptr);
        EXPECT_EQ(d.pic.Find("Total Management Cost (CT)=0") != nullptr, !c.hideCosts);
        if (!c.hideCosts) {
            EXPECT_NEAR(ovals.back()[0], risk[0] - 1.1 * W, 0.01);
            EXPECT_NEAR(ovals.back()[1], risk[1], 0.01);
        }
    }
}

TEST_F(ChainDiagram, ARedrawOfOneStageRedrawsTheTotalsWithTheNewValues) {
    Drawn d(1);
    d.chain.Render();
    d.pic.printed.clear();
    d.chain.Element(2)->SetPrimaryData({0.5, 0.5, 0, 3, 8});
    EXPECT_NE(d.pic.Find("Total Biological Risk (RB)=1.5"), nullptr);
    EXPECT_NE(d.pic.Find("Total Management Cost (CT)=4"), nullptr);
    EXPECT_EQ(d.pic.Find("p1=0.50"), nullptr) << "stage 1 is not redrawn";
}

}  // namespace
}  // namespace nuvir::test
