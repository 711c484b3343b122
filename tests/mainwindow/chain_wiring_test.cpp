// The chain on the "Ps and Qs" page: an edit made on the diagram reaches the
// application data, and the diagram fills its picture.
#include "mainwindow/windowchain.h"
#include "mainwindow_fixture.h"

namespace nuvir::test {
namespace {

TEST_F(MainWindowTest, AnEditOnTheDiagramReachesTheApplicationData) {
    FRiskMain& w = Start();
    auto& chain = dynamic_cast<WindowChain&>(w.Chain()).Chain();
    QtPictureBox* pic = w.picChainContainer;
    EXPECT_LT(pic->ScaleHeight(), 0);
    SavePicture("chain");

    const CChainElement::Box b = chain.Element(3)->PartBox(CChainElement::kPartP);
    QTest::mouseClick(pic, Qt::LeftButton, {}, QPoint(pic->PixelX((b[0] + b[2]) / 2), pic->PixelY((b[1] + b[3]) / 2)));
    Settle();
    ASSERT_TRUE(w.txtChainEditBox->Visible());
    EXPECT_EQ(w.txtChainEditBox->Tag(), "1Establishes");
    QTest::keyClicks(w.txtChainEditBox, "0.2");
    // Tab walks on to q3, storing p3 on the way, and Enter stores q3.
    QTest::keyClick(w.txtChainEditBox, Qt::Key_Tab);
    EXPECT_EQ(w.txtChainEditBox->Tag(), "2Establishes");
    QTest::keyClicks(w.txtChainEditBox, "0.6");
    QTest::keyClick(w.txtChainEditBox, Qt::Key_Return);
    Settle();
    w.SyncChainToAppData();
    EXPECT_EQ(Item(item::PointValue(2)), 0.4);
    EXPECT_DOUBLE_EQ(Item(62), 0.25 * 0.6);
    EXPECT_EQ(CDbl(w.Chain().PointValues()(49)), 0.4);
}

}  // namespace
}  // namespace nuvir::test
