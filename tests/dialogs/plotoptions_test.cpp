// The plot options dialog: the tick table, the working copy's shape, and the dialog
// closed by Esc and by its caller, storing the eight boxes once per showing.
#include "dialogs/plotoptions.h"
#include "dialogs_fixture.h"
#include "platform/controls.h"
#include "runtime/convert.h"
#include "utilities/criticalcorrelation.h"

namespace nuvir::test {
namespace {

TEST(PlotTicks, TickCountsAreMadeWholeAndKeptWithin3To100) {
    const char* cases[][2] = {{"2.5", "3"},   {"3.5", "4"}, {"4.5", "4"},    {"250", "100"}, {"-7", "3"},
                              {"abc", "abc"}, {" 7 ", "7"}, {"1E10", "100"}, {"-1E10", "3"}, {"", ""}};
    for (const auto& c : cases) EXPECT_EQ(NormaliseTicksText(c[0]), c[1]) << c[0];
}

// The working copy is written back at once.
TEST_F(DialogTest, PlotOptionsWorkingCopyHasExactlyEightElements) {
    struct Case {
        const char* name;
        Variant stored;
        const char* after;
    };
    const Case cases[] = {
        {"four Doubles", Variant::Doubles({1, 2, 3, 4}), "1,2,3,4,-,-,-,-"},
        {"ten", Variant::List({1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0, 10.0}), "1,2,3,4,5,6,7,8"},
        {"not an array", Variant("x"), "-,-,-,-,-,-,-,-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppOptions(14) = c.stored;
        PlotAxisOptionsEditor e;
        e.PlotType = 1;
        e.SetPlotType();
        EXPECT_EQ(Texts(AppOptions(14)), c.after);
        EXPECT_EQ(AppOptions(14).get().elemKind(), VarType::Generic) << "Empty must stay storable";
    }
}

TEST_F(DialogTest, PlotOptionsOfAnInvalidTypeStoreNothing) {
    PlotAxisOptionsEditor e;
    e.PlotType = 6;
    e.SetPlotType();
    e.StorePlotOption(0, "5");
    e.WriteBack();
    EXPECT_FALSE(e.OptionsChanged);
    for (int i = 13; i <= 18; ++i) EXPECT_EQ(Texts(AppOptions(i)), "-,-,-,-,-,-,-,-") << i;
}

class PlotDialogTest : public DialogTest {
protected:
    TextBox* Box(int i) { return dialog_.FindAs<TextBox>("txtOptions", i); }
    FPlotOptions dialog_;
};

TEST_F(PlotDialogTest, ClosingWithoutAChangeOfKindOrValueChangesNothing) {
    // "Save Plot Options" leaves the automatic values as the texts "Auto" and "".
    AppOptions(13) = Variant::List({Variant(0.1), Variant("Auto"), Variant(5.0), Variant(""), Variant(),
                                    Variant(1234567.89012345), Variant("Auto"), Variant(0.75)});
    const Variant before = AppOptions(13);
    ShowActive(dialog_);
    EXPECT_EQ(Box(1)->Text(), "1234567.89012345");
    EXPECT_EQ(Box(7)->Text(), "") << "an automatic reference line";
    Retype("abc");  // box 0, automatic: a text that is no number is automatic too
    Box(3)->SetFocus();
    EXPECT_EQ(Box(3)->Text(), "0.75");
    Retype("7.50E-1");
    Key(Qt::Key_Escape);
    EXPECT_FALSE(dialog_.OptionsChanged);
    EXPECT_TRUE(MKelvaro::ArraysEqual(AppOptions(13), before));
}

TEST_F(PlotDialogTest, TabWalksTheBoxesAndNormalisesATickCountWhenLeft) {
    dialog_.PlotType = 3;
    ShowActive(dialog_);
    EXPECT_TRUE(dialog_.FindAs<Frame>("fraOptions", 1)->isVisible()) << "a Monte Carlo plot has an x axis";
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(Focus(), Box(i)) << i;
        if (i == 6) Retype("2.5");
        Key(Qt::Key_Tab);
    }
    EXPECT_EQ(Focus(), Box(0)) << "Tab wraps round";
    EXPECT_EQ(Box(6)->Text(), "3");
    Picture(dialog_, "dialogs_plotoptions.png");
}

TEST_F(PlotDialogTest, EscNormalisesTheBoxBeingEditedAndStores) {
    dialog_.PlotType = 3;
    ShowActive(dialog_);
    Box(2)->SetFocus();
    Retype("-5");
    // A minimum not below its maximum leaves both automatic; a span stays.
    for (const auto& [box, text] : {std::pair{0, "0"}, std::pair{1, "1"}, std::pair{4, "2"}, std::pair{5, "2"}}) {
        Box(box)->SetFocus();
        Retype(text);
    }
    Key(Qt::Key_Escape);
    EXPECT_TRUE(dialog_.OptionsChanged);
    EXPECT_EQ(Texts(AppOptions(16)), "-,-,-,-,0,1,3,-");
}

TEST_F(PlotDialogTest, AShownInstanceStoresOnlyOncePerShowing) {
    dialog_.PlotType = 5;
    ShowActive(dialog_);
    EXPECT_FALSE(dialog_.FindAs<Frame>("fraOptions", 1)->isVisible()) << "no x axis";
    Picture(dialog_, "dialogs_plotoptions_yonly.png");
    Retype("7");
    dialog_.Unload();
    EXPECT_EQ(Texts(AppOptions(18)), "-,-,-,-,7,-,-,-");
    AppOptions(18) = Variant::MakeArray(VarType::Generic, {Bounds{0, 7}});
    dialog_.Unload();
    EXPECT_EQ(Texts(AppOptions(18)), "-,-,-,-,-,-,-,-");
}

}  // namespace
}  // namespace nuvir::test
