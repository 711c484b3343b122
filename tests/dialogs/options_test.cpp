// The options dialog: the change rule, the category tables, and the five pages driven
// as a person would, with the plot, folder and colour dialogs and the viewer test faked.
#include <QTabBar>

#include "controls/flexedit.h"
#include "dialogs/optionsdialog.h"
#include "dialogs_fixture.h"
#include "platform/controls.h"
#include "platform/flexgrid.h"
#include "runtime/convert.h"
#include "utilities/criticalcorrelation.h"

namespace nuvir::test {
namespace {

// A Double master table (0 To 0, 0 To n-1).
Variant Row(std::initializer_list<double> values) {
    Variant a = Variant::MakeArray(VarType::Double, {Bounds{0, 0}, Bounds{0, static_cast<int>(values.size()) - 1}});
    int j = 0;
    for (double v : values) a(0, j++) = Variant(v);
    return a;
}

std::string Cells(const Variant& a) {
    std::string s;
    for (int j = a.lbound(2); j <= a.ubound(2); ++j) s += (j > a.lbound(2) ? "," : "") + TextOf(a(0, j));
    return s;
}

TEST(OptionsRules, StoredTablesAreCutPaddedOrReplacedByTheDefaults) {
    Variant twoRows = Variant::MakeArray(VarType::Double, {Bounds{0, 1}, Bounds{0, 2}});
    struct Case {
        const char* name;
        Variant stored;
        bool cost;
        const char* cells;
    };
    const Case cases[] = {
        {"five values, three categories", Row({4, 5, 6, 7, 8}), false, "4,5,6"},
        {"two values, three categories", Row({4, 5}), false, "4,5,0"},
        {"values and probabilities", twoRows, false, "1,1,1"},
        {"nothing stored, impacts", Variant(), false, "1,1,1"},
        {"nothing stored, costs", Variant(), true, "0,0,0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Cells(CategoryCellsFromStored(c.stored, 3, c.cost)), c.cells);
    }
    EXPECT_EQ(Cells(ResizeCategoryCells(CategoryCellsFromStored(Row({4, 5, 6}), 3, true), 4, true)), "4,5,6,0");
}

TEST(OptionsRules, ColourTextsThatCannotBeReadStoreBlack) {
    struct Case {
        const char* text;
        std::int32_t colour;
    };
    const Case cases[] = {{"  red ", 0xFF},   {"GRAY", 0xC0C0C0}, {"purple", 0}, {"&H123456", 0x123456},
                          {"99999999999", 0}, {"&H1FFFFFFFF", 0}, {"-1", -1}};
    for (const Case& c : cases) EXPECT_EQ(ColourFromText(c.text), c.colour) << c.text;
}

TEST_F(DialogTest, TheSameValuesInAnotherShapeAreAChange) {
    AppData(item::kMasterImpactCategories) = Row({1, 2});
    OptionsModel m;
    m.SetOption(item::kMasterImpactCategories, Variant::List({Variant(1.0), Variant(2.0)}), false);
    EXPECT_TRUE(m.OptionsChanged);
}

// A plot type outside the list would leave the "..." button without a type.
TEST_F(DialogTest, ThePlotTypeIsHeldToTheList) {
    OptionsModel m;
    EXPECT_EQ(m.Load(7.4, {}).plotType, 5);
    EXPECT_EQ(m.Load(-2, {}).plotType, 0);
}

// ---- the dialog ---------------------------------------------------------------------------------

// A plot options dialog that "edits" by writing a tick count into the type's array;
// its texts are ten times the type plus the box, "*" once edited.
struct FakePlotOptions : PlotOptionsDialog {
    void SetPlotTypeOf(std::int32_t type) override { type_ = type; }
    std::string OptionText(int index) const override {
        return CStr(Variant(type_ * 10 + index)) + (AppOptions(13 + type_)(6).get().isEmpty() ? "" : "*");
    }
    bool EditModal(Form&) override {
        AppOptions(13 + type_)(6) = Variant(7.0);
        return true;
    }
    void Close() override {}
    int type_ = -1;
};

class OptionsDialogTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        AppData(item::kMasterImpactCategories) = Row({1, 1, 1, 1, 1});
        AppData(item::kMasterCostCategories) = Row({0, 0, 0, 0, 0});
        AppOptions(opt::kReportViewer) = Variant("/usr/bin/viewer");
        dialog_.fileExists = [](const std::string& p) { return p == "/usr/bin/viewer"; };
        dialog_.makePlotOptions = [] { return std::make_unique<FakePlotOptions>(); };
    }
    void Press(const char* name, int index = -1) { Click(dialog_.FindAs<CommandButton>(name, index)); }
    // Clicks the page's tab, as a person would.
    void Page(int page) {
        QTabBar* bar = dialog_.FindAs<TabControl>("tabMain")->Bar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
    }
    // The focus order from OK, one Tab at a time, until it comes back to OK.
    std::string TabChain() {
        dialog_.FindAs<CommandButton>("cmdButton", 0)->SetFocus();
        std::string names;
        do {
            const Control* c = Control::Of(Focus());
            names += c == nullptr ? "?," : c->Name() + (c->Index() >= 0 ? std::to_string(c->Index()) : "") + ",";
            Key(Qt::Key_Tab);
        } while (Focus() != dialog_.FindAs<CommandButton>("cmdButton", 0) && names.size() < 300);
        return names;
    }

    FOptions dialog_;
};

TEST_F(OptionsDialogTest, EachPageHasItsOwnTabChain) {
    ShowActive(dialog_);
    struct Case {
        int page;
        const char* picture;
        const char* chain;
    };
    const Case cases[] = {
        {optpage::kCalculation, "dialogs_options_calculation.png", "chkOptions0,"},
        {optpage::kPlots, "dialogs_options_plots.png", ""},
        {optpage::kReports, "dialogs_options_reports.png", "chkOptions1,"},
        {optpage::kExports, "dialogs_options_exports.png",
         "chkExport0,chkExport1,chkExport2,cmdExportOptions,txtExport,"},
        {optpage::kAppearance, "dialogs_options_appearance.png",
         "txtColours0,txtColours1,txtColours2,txtColours3,txtColours4,txtColours5,txtColours6,chkOptions2,"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture);
        if (c.page != optpage::kCalculation) Page(c.page);
        if (c.page == optpage::kAppearance) {
            EXPECT_EQ(Control::Of(Focus()), dialog_.FindAs<TextBox>("txtColours", 0));
        }
        EXPECT_EQ(TabChain(), std::string("cmdButton0,cmdButton1,tabMain,") + c.chain);
        Picture(dialog_, c.picture);
    }
}

TEST_F(OptionsDialogTest, OkWithoutAnEditIsNoChange) {
    ShowActive(dialog_);
    Press("cmdButton", 0);
    EXPECT_FALSE(dialog_.OptionsChanged);
    EXPECT_EQ(AppData(item::kNumImpactCategories).get().type(), VarType::Int16) << "not rewritten";
}

TEST_F(OptionsDialogTest, ThePlotListShowsTheChosenTypesTexts) {
    dialog_.PlotType = 4;
    ShowActive(dialog_);
    EXPECT_EQ(dialog_.FindAs<ComboBox>("cboPlotTypes")->Text(), "Costs Sensitivity");
    EXPECT_EQ(dialog_.FindAs<TextBox>("txtOptions", 3)->Text(), "43");
    EXPECT_EQ(dialog_.FindAs<TextBox>("txtOptions", 4)->Text(), "") << "no x axis";
    dialog_.FindAs<ComboBox>("cboPlotTypes")->SetListIndex(0);
    EXPECT_EQ(dialog_.FindAs<TextBox>("txtOptions", 7)->Text(), "7");
}

TEST_F(OptionsDialogTest, ThePlotDialogsChangeSurvivesCancel) {
    dialog_.PlotType = 4;
    ShowActive(dialog_);
    dialog_.FindAs<ComboBox>("cboPlotTypes")->SetListIndex(0);
    Press("cmdPlotOptions");
    EXPECT_EQ(dialog_.FindAs<TextBox>("txtOptions", 0)->Text(), "0*") << "edited, and the texts are refreshed";
    Press("cmdButton", 1);
    EXPECT_TRUE(dialog_.OptionsChanged);
    EXPECT_EQ(dialog_.PlotType, 0);
    EXPECT_EQ(CDbl(AppOptions(13)(6)), 7);
}

// Only the switch-off of a viewer that is gone stays after Cancel.
TEST_F(OptionsDialogTest, CancelAfterTheRealPlotDialogsTextsStoresNothing) {
    AppOptions(13)(0) = Variant(1.5);
    AppOptions(opt::kOpenReport) = Variant(true);
    dialog_.fileExists = [](const std::string&) { return false; };
    dialog_.makePlotOptions = [] { return std::make_unique<FPlotOptions>(); };
    ShowActive(dialog_);
    EXPECT_EQ(dialog_.FindAs<TextBox>("txtOptions", 4)->Text(), "1.5");
    EXPECT_FALSE(dialog_.FindAs<CheckBox>("chkOptions", 1)->Enabled());
    Key(Qt::Key_Escape);
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(CDbl(AppOptions(13)(0)), 1.5) << "the display-only instance stored nothing";
    EXPECT_FALSE(CBool(AppOptions(opt::kOpenReport)));
    EXPECT_FALSE(dialog_.OptionsChanged);
}

TEST_F(OptionsDialogTest, OkStoresEveryPageAsEdited) {
    AppData(item::kCategoricalImpacts) = Variant(true);
    AppData(item::kNumImpactCategories) = Variant(3);
    AppOptions(opt::kExportFormats) = Variant::List({Variant(false), Variant(true)});
    fileDialog_.QueueAnswer("/tmp/Untitled");  // a folder that exists
    services_.colourDialog.QueueColour(0x123456);
    services_.colourDialog.QueueCancel();
    ShowActive(dialog_);
    CFlexEditA* impacts = dialog_.CategoryGrid(kImpactIndex);
    EXPECT_EQ(impacts->Flexgrid()->BackColor(), FOptions::kEditable);
    impacts->EditText(2, 0);
    Type("12abc");
    Key(Qt::Key_Return);
    impacts->EditText(3, 0);
    Type("2.5");
    Key(Qt::Key_Return);
    dialog_.FindAs<UpDown>("updNumCats", kImpactIndex)->Step(+1);
    EXPECT_EQ(dialog_.FindAs<Label>("labNumCats", kImpactIndex)->Caption(), "4");
    dialog_.FindAs<UpDown>("updNumCats", kCostIndex)->Step(-1);
    Click(dialog_.FindAs<CheckBox>("chkOptions", kImpactIndex));
    EXPECT_EQ(impacts->Flexgrid()->BackColor(), FOptions::kReadOnly);
    Picture(dialog_, "dialogs_options_categories.png");

    Page(optpage::kExports);
    Press("cmdExportOptions");
    Page(optpage::kAppearance);
    Press("cmdColours");  // box 0 has the focus from the page switch, and no box had it before
    EXPECT_EQ(services_.colourDialog.initials.at(0), 0x00FF00);
    dialog_.FindAs<TextBox>("txtColours", 3)->SetFocus();
    Retype("&HFFFFFF");
    Press("cmdColours");  // cancelled: the box keeps its colour
    EXPECT_EQ(services_.colourDialog.initials.at(1), 0xFFFFFF);
    dialog_.FindAs<UpDown>("updDecPlace")->Step(+1);

    Press("cmdButton", 0);
    EXPECT_TRUE(dialog_.OptionsChanged);
    EXPECT_EQ(Cells(AppData(item::kMasterImpactCategories)), "1,1,2.5,1");
    EXPECT_EQ(Cells(AppData(item::kMasterCostCategories)), "0,0,0,0");
    EXPECT_EQ(CLng(AppData(item::kNumImpactCategories)), 4);
    EXPECT_FALSE(CBool(AppData(item::kCategoricalImpacts)));
    EXPECT_EQ(ExportPath, "/tmp");
    EXPECT_EQ(Texts(AppOptions(opt::kExportFormats)), "False,True,False");
    EXPECT_EQ(CLng(AppOptions(0)), 0x123456);
    EXPECT_EQ(CLng(AppOptions(3)), 0xFFFFFF);
    EXPECT_EQ(CLng(AppOptions(opt::kDecimals)), 3);
}

}  // namespace
}  // namespace nuvir::test
