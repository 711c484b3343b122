// The plot options dialog: the tick table, the box-to-element mapping, the working
// copy's shape, the store-and-flag rule, and the dialog closed by Esc and the close box.
#include "appdata/criticalcorrelation.h"
#include "dialogs/plotoptions.h"
#include "dialogs_fixture.h"
#include "platform/controls.h"
#include "runtime/convert.h"

namespace nuvir::test {
namespace {

// A generic array of the given values, Empty where a value is "".
Variant Values(std::initializer_list<const char*> items) {
    std::vector<Variant> v;
    for (const char* s : items) v.push_back(*s == 0 ? Variant() : Variant(CDbl(Variant(s))));
    return Variant::List(v);
}

// The element texts of an option item, "-" for Empty.
std::string Texts(const Variant& a) {
    std::string s;
    for (int i = a.lbound(1); i <= a.ubound(1); ++i) {
        s += i > a.lbound(1) ? "," : "";
        s += a(i).isEmpty() ? "-" : CStr(a(i));
    }
    return s;
}

// Items 13 to 18 as texts.
std::string PlotItems() {
    std::string s;
    for (int i = 13; i <= 18; ++i) s += (AppOptions(i).get().isArray() ? Texts(AppOptions(i)) : "?") + "|";
    return s;
}

TEST(PlotTicks, TickCountsAreMadeWholeAndKeptWithin3To100) {
    struct Case { const char* typed; const char* shown; };
    const Case cases[] = {
        {"2.5", "3"},  {"3.5", "4"},  {"4.5", "4"},   {"250", "100"},      {"-7", "3"},
        {"abc", "abc"}, {" 7 ", "7"}, {"1E10", "100"}, {"-1E10", "3"},    {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(NormaliseTicksText(c.typed), c.shown);
    }
}

class PlotEditorTest : public DialogTest {};

TEST_F(PlotEditorTest, BoxIShowsElementIPlus4Mod8) {
    AppOptions(16) = Values({"1", "", "3", "", "", "1.25E-07", "7", ""});
    PlotAxisOptionsEditor e;
    e.PlotType = 3;
    EXPECT_EQ(e.SetPlotType(), "Options for Management Costs Monte Carlo Plot");
    const char* shown[] = {"{Auto}", "1.25E-07", "7", "", "1", "{Auto}", "3", ""};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(e.GetOption(i), shown[i]) << i;
    EXPECT_EQ(e.GetOption(9), "{Auto}");
    e.StorePlotOption(4, "0.5");
    e.WriteBack();
    EXPECT_EQ(Texts(AppOptions(16)), "0.5,-,3,-,-,1.25E-07,7,-");
    EXPECT_TRUE(e.OptionsChanged);
}

TEST_F(PlotEditorTest, TheWorkingCopyHasExactlyEightElementsAndIsWrittenBackAtOnce) {
    struct Case { const char* name; Variant stored; const char* after; };
    const Case cases[] = {
        {"four", Values({"1", "2", "3", "4"}), "1,2,3,4,-,-,-,-"},
        {"ten", Values({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}), "1,2,3,4,5,6,7,8"},
        {"not an array", Variant("x"), "-,-,-,-,-,-,-,-"},
        {"a Double array", Variant::Doubles({1, 2, 3, 4, 5, 6, 7, 8}), "1,2,3,4,5,6,7,8"},
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

TEST_F(PlotEditorTest, AnInvalidTypeShowsQuestionMarksAndStoresNothing) {
    const std::string before = PlotItems();
    PlotAxisOptionsEditor e;
    e.PlotType = 6;
    EXPECT_EQ(e.SetPlotType(), "Options for ????");
    EXPECT_EQ(e.GetOption(0), "");
    e.StorePlotOption(0, "5");
    e.WriteBack();
    EXPECT_FALSE(e.OptionsChanged);
    EXPECT_EQ(PlotItems(), before);
}

TEST_F(PlotEditorTest, AutomaticInAnyFormIsOneKind) {
    // "Save Plot Options" leaves the automatic values as the texts "Auto" and "".
    AppOptions(13) = Variant::List({Variant("Auto"), Variant(""), Variant(), Variant(""), Variant(2.0),
                                    Variant("Auto"), Variant("Auto"), Variant("")});
    PlotAxisOptionsEditor e;
    e.PlotType = 0;
    e.SetPlotType();
    for (int i = 0; i < 8; ++i) e.StorePlotOption(i, e.GetOption(i));
    EXPECT_FALSE(e.OptionsChanged);
    e.StorePlotOption(6, "abc");
    EXPECT_FALSE(e.OptionsChanged) << "text that is no number is automatic";
    e.StorePlotOption(0, "2");
    EXPECT_FALSE(e.OptionsChanged) << "the same number";
    e.StorePlotOption(0, "{Auto}");
    EXPECT_TRUE(e.OptionsChanged);
}

// ---- the dialog -------------------------------------------------------------------------------

class PlotDialogTest : public DialogTest {
protected:
    void Start(int type) {
        dialog_.PlotType = type;
        Open(dialog_);
    }
    TextBox* Box(int i) { return dialog_.FindAs<TextBox>("txtOptions", i); }
    FPlotOptions dialog_;
};

TEST_F(PlotDialogTest, OpeningAndClosingWithoutTypingChangesNothing) {
    AppOptions(13) = Variant::List({Variant(0.1), Variant("Auto"), Variant(5.0), Variant(""), Variant(),
                                    Variant(1234567.89012345), Variant("Auto"), Variant(0.75)});
    const Variant before = AppOptions(13);
    Start(0);
    EXPECT_EQ(dialog_.Caption(), "Options for P and I Monte Carlo Plot");
    EXPECT_EQ(Box(1)->Text(), "1234567.89012345");
    EXPECT_EQ(Box(3)->Text(), "0.75");
    EXPECT_EQ(Box(7)->Text(), "");
    Key(Qt::Key_Escape);
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_FALSE(dialog_.OptionsChanged);
    EXPECT_TRUE(MKelvaro::ArraysEqual(AppOptions(13), before));
}

TEST_F(PlotDialogTest, ATickCountTypedAndEscapedAtOnceIsStoredNormalised) {
    Start(0);
    EXPECT_EQ(Focus(), Box(0));
    Key(Qt::Key_Tab);
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), Box(2));
    Retype("-5");
    Key(Qt::Key_Escape);
    EXPECT_TRUE(dialog_.OptionsChanged);
    EXPECT_EQ(Texts(AppOptions(13)), "-,-,-,-,-,-,3,-");
}

TEST_F(PlotDialogTest, TabWalksTheEightBoxesAndLeavingATickBoxNormalisesIt) {
    Start(3);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(Focus(), Box(i)) << i;
        if (i == 6) Retype("2.5");
        Key(Qt::Key_Tab);
    }
    EXPECT_EQ(Focus(), Box(0)) << "Tab wraps round";
    EXPECT_EQ(Box(6)->Text(), "3");
    Picture(dialog_, "dialogs_plotoptions.png");
    dialog_.close();  // the close box
    EXPECT_EQ(Texts(AppOptions(16)), "-,-,3,-,-,-,-,-");
}

TEST_F(PlotDialogTest, OnlyTheMonteCarloPlotsShowTheXAxis) {
    for (int type = 0; type < 6; ++type) {
        SCOPED_TRACE(type);
        FPlotOptions d;
        d.PlotType = type;
        Open(d);
        EXPECT_TRUE(d.FindAs<Frame>("fraOptions", 0)->isVisible());
        EXPECT_EQ(d.FindAs<Frame>("fraOptions", 1)->isVisible(), type == 0 || type == 3);
        if (type == 4) Picture(d, "dialogs_plotoptions_yonly.png");
        d.Unload();
    }
}

TEST_F(PlotDialogTest, TheDisplayOnlyInstanceStoresNothing) {
    AppOptions(13) = Values({"1", "2", "3", "4", "5", "6", "7", "8"});
    AppOptions(15) = Values({"9", "", "", "", "", "", "", ""});
    const std::string before = PlotItems();
    FPlotOptions d;
    for (int type : {0, 2, 0}) {
        d.PlotType = type;
        d.SetPlotType();
        EXPECT_EQ(d.GetOption(4), type == 0 ? "1" : "9");
    }
    d.Unload();
    EXPECT_FALSE(d.OptionsChanged);
    EXPECT_EQ(PlotItems(), before);
}

TEST_F(PlotDialogTest, AShownInstanceStoresOnlyOncePerShowing) {
    Start(5);
    Retype("7");
    dialog_.Unload();
    EXPECT_EQ(Texts(AppOptions(18)), "-,-,-,-,7,-,-,-");
    AppOptions(18) = Values({"", "", "", "", "", "", "", ""});
    dialog_.Unload();
    EXPECT_EQ(Texts(AppOptions(18)), "-,-,-,-,-,-,-,-");
}

}  // namespace
}  // namespace nuvir::test
