// The options dialog: the change rule, the category tables, and the five pages driven
// as a person would, with the plot, folder and colour dialogs and the viewer test faked.
#include <QTabBar>

#include "appdata/criticalcorrelation.h"
#include "appdata/paths.h"
#include "controls/flexedit.h"
#include "dialogs/optionsdialog.h"
#include "dialogs_fixture.h"
#include "platform/controls.h"
#include "platform/flexgrid.h"
#include "runtime/convert.h"

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
    struct Case { const char* name; Variant stored; bool cost; const char* cells; };
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
    EXPECT_EQ(Cells(ResizeCategoryCells(CategoryCellsFromStored(Row({4, 5, 6}), 3, false), 4, false)), "4,5,6,1");
    EXPECT_EQ(Cells(ResizeCategoryCells(CategoryCellsFromStored(Row({4, 5, 6}), 3, true), 4, true)), "4,5,6,0");
    EXPECT_EQ(Cells(ResizeCategoryCells(CategoryCellsFromStored(Row({4, 5, 6}), 3, true), 2, true)), "4,5");
}

TEST(OptionsRules, ColourTextsThatCannotBeReadStoreBlack) {
    struct Case { const char* text; std::int32_t colour; };
    const Case cases[] = {{"  red ", 0xFF}, {"GRAY", 0xC0C0C0}, {"purple", 0}, {"&H123456", 0x123456},
                          {"99999999999", 0}, {"&H1FFFFFFFF", 0}, {"-1", -1}};
    for (const Case& c : cases) EXPECT_EQ(ColourFromText(c.text), c.colour) << c.text;
}

TEST(OptionsRules, AValueIsStoredOnlyWhenItDiffers) {
    Variant data = GetAppDataDefaults(false, Variant());
    Variant options = GetAppOptionsDefaults();
    std::string folder;
    OptionsModel m(&data, &options, &folder);
    data(item::kNumImpactCategories) = Variant(std::int16_t{5});
    m.SetOption(item::kNumImpactCategories, Variant(5), false);
    m.SetOption(opt::kExportFormats, Flags(false, false, false), true);
    m.SetOption(80, Variant(1), false);
    m.SetOption(-1, Variant(1), true);
    EXPECT_FALSE(m.OptionsChanged);
    EXPECT_EQ(data(item::kNumImpactCategories).get().type(), VarType::Int16) << "not rewritten";
    data(item::kMasterImpactCategories) = Row({1, 2});
    m.SetOption(item::kMasterImpactCategories, Row({1, 2}), false);
    EXPECT_FALSE(m.OptionsChanged);
    m.SetOption(item::kMasterImpactCategories, Variant::List({Variant(1.0), Variant(2.0)}), false);
    EXPECT_TRUE(m.OptionsChanged) << "another shape";
    // A plot type outside the list would leave the "..." button without a type.
    EXPECT_EQ(m.Load(7.4, {}).plotType, 5);
    EXPECT_EQ(m.Load(-2, {}).plotType, 0);
}

// ---- the dialog ---------------------------------------------------------------------------------

// A plot options dialog that "edits" by writing a tick count into the type's array.
class FakePlotOptions : public PlotOptionsDialog {
public:
    explicit FakePlotOptions(int* shown) : shown_(shown) {}
    void SetPlotTypeOf(std::int32_t type) override { type_ = type; }
    std::string OptionText(int index) const override {
        return CStr(Variant(type_ * 10 + index)) + (AppOptions(13 + type_)(6).get().isEmpty() ? "" : "*");
    }
    bool EditModal(Form&) override {
        ++*shown_;
        AppOptions(13 + type_)(6) = Variant(7.0);
        return true;
    }
    void Close() override {}

private:
    int* shown_;
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
        dialog_.makePlotOptions = [this] { return std::make_unique<FakePlotOptions>(&plotShown_); };
    }
    void Start(double plotType = 0) {
        dialog_.PlotType = plotType;
        Open(dialog_);
    }
    template <class T>
    T* Get(const char* name, int index = -1) {
        return dialog_.FindAs<T>(name, index);
    }
    void Press(const char* name, int index = -1) { QTest::mouseClick(Get<CommandButton>(name, index), Qt::LeftButton); }
    // Clicks the page's tab, as a person would.
    void Page(int page) {
        QTabBar* bar = Get<TabControl>("tabMain")->Bar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
    }
    // The focus order from OK, one Tab at a time, until it comes back to OK.
    std::vector<std::string> TabChain() {
        Get<CommandButton>("cmdButton", 0)->SetFocus();
        std::vector<std::string> names;
        for (int i = 0; i < 20; ++i) {
            Control* c = Control::Of(Focus());
            names.push_back(c == nullptr ? "?" : c->Name() + (c->Index() >= 0 ? std::to_string(c->Index()) : ""));
            Key(Qt::Key_Tab);
            if (Focus() == Get<CommandButton>("cmdButton", 0)) break;
        }
        return names;
    }

    FOptions dialog_;
    int plotShown_ = 0;
};

TEST_F(OptionsDialogTest, OkWithoutAnEditReportsNoChange) {
    Start();
    EXPECT_EQ(Get<Label>("labNumCats", 3)->Caption(), "5");
    EXPECT_EQ(Get<Label>("labDecPlace")->Caption(), "2");
    Press("cmdButton", 0);
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_FALSE(dialog_.OptionsChanged);
    EXPECT_EQ(AppData(item::kNumImpactCategories).get().type(), VarType::Int16);
}

TEST_F(OptionsDialogTest, EachPageHasItsOwnTabChain) {
    Start();
    using V = std::vector<std::string>;
    EXPECT_EQ(TabChain(), (V{"cmdButton0", "cmdButton1", "tabMain", "chkOptions0"}));
    Picture(dialog_, "dialogs_options_calculation.png");
    Page(optpage::kPlots);
    EXPECT_EQ(TabChain(), (V{"cmdButton0", "cmdButton1", "tabMain"}));
    Picture(dialog_, "dialogs_options_plots.png");
    Page(optpage::kReports);
    EXPECT_EQ(TabChain(), (V{"cmdButton0", "cmdButton1", "tabMain", "chkOptions1"}));
    Picture(dialog_, "dialogs_options_reports.png");
    Page(optpage::kExports);
    EXPECT_EQ(TabChain(), (V{"cmdButton0", "cmdButton1", "tabMain", "chkExport0", "chkExport1", "chkExport2",
                             "cmdExportOptions", "txtExport"}));
    Picture(dialog_, "dialogs_options_exports.png");
    Page(optpage::kAppearance);
    EXPECT_EQ(Control::Of(Focus()), Get<TextBox>("txtColours", 0));
    EXPECT_EQ(TabChain(), (V{"cmdButton0", "cmdButton1", "tabMain", "txtColours0", "txtColours1", "txtColours2",
                             "txtColours3", "txtColours4", "txtColours5", "txtColours6", "chkOptions2"}));
    Picture(dialog_, "dialogs_options_appearance.png");
}

TEST_F(OptionsDialogTest, CategoryGridsFollowTheirBoxesCountsAndValidation) {
    AppData(item::kCategoricalImpacts) = Variant(true);
    AppData(item::kNumImpactCategories) = Variant(3);
    Start();
    CFlexEditA* impacts = dialog_.CategoryGrid(3);
    FlexGrid* g = impacts->Flexgrid();
    EXPECT_EQ(g->TextMatrix(0, 0), "Impact");
    EXPECT_EQ(g->Rows(), 4);
    EXPECT_TRUE(impacts->AllowEdit());
    EXPECT_EQ(g->BackColor(), FOptions::kEditable);
    EXPECT_FALSE(dialog_.CategoryGrid(4)->AllowEdit());
    EXPECT_EQ(dialog_.CategoryGrid(4)->Flexgrid()->BackColor(), FOptions::kReadOnly);

    impacts->EditText(2, 0);
    Type("12abc");
    Key(Qt::Key_Return);
    EXPECT_EQ(g->TextMatrix(2, 0), "1");
    impacts->EditText(3, 0);
    Type("2.5");
    Key(Qt::Key_Return);
    Get<UpDown>("updNumCats", 3)->Step(+1);
    EXPECT_EQ(g->TextMatrix(4, 0), "1");
    EXPECT_EQ(Get<Label>("labNumCats", 3)->Caption(), "4");
    Get<UpDown>("updNumCats", 4)->Step(-1);
    EXPECT_EQ(dialog_.CategoryGrid(4)->Flexgrid()->Rows(), 5);
    QTest::mouseClick(Get<CheckBox>("chkOptions", 3), Qt::LeftButton);
    EXPECT_FALSE(impacts->AllowEdit());
    EXPECT_EQ(g->BackColor(), FOptions::kReadOnly);
    Picture(dialog_, "dialogs_options_categories.png");

    Press("cmdButton", 0);
    EXPECT_TRUE(MKelvaro::ArraysEqual(AppData(item::kMasterImpactCategories), Row({1, 1, 2.5, 1})));
    EXPECT_TRUE(MKelvaro::ArraysEqual(AppData(item::kMasterCostCategories), Row({0, 0, 0, 0})));
    EXPECT_EQ(CLng(AppData(item::kNumImpactCategories)), 4);
    EXPECT_FALSE(CBool(AppData(item::kCategoricalImpacts)));
    EXPECT_TRUE(dialog_.OptionsChanged);
}

TEST_F(OptionsDialogTest, ThePlotListShowsTheTypesTextsAndThePlotDialogsChangeSurvivesCancel) {
    Start(4);
    auto* list = Get<ComboBox>("cboPlotTypes");
    EXPECT_EQ(list->Text(), "Costs Sensitivity");
    EXPECT_EQ(Get<TextBox>("txtOptions", 3)->Text(), "43");
    EXPECT_EQ(Get<TextBox>("txtOptions", 4)->Text(), "");
    list->SetListIndex(0);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(Get<TextBox>("txtOptions", i)->Text(), std::to_string(i)) << i;
    Press("cmdPlotOptions");
    EXPECT_EQ(plotShown_, 1);
    EXPECT_EQ(Get<TextBox>("txtOptions", 0)->Text(), "0*") << "the texts are refreshed";
    Press("cmdButton", 1);
    EXPECT_TRUE(dialog_.OptionsChanged);
    EXPECT_EQ(dialog_.PlotType, 0);
    EXPECT_EQ(CDbl(AppOptions(13)(6)), 7);
}

TEST_F(OptionsDialogTest, APlotTypeOfZeroFillsAllEightTexts) {
    AppOptions(13) = Variant::List({Variant(1.5), Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant()});
    dialog_.makePlotOptions = [] { return std::make_unique<FPlotOptions>(); };
    Start(0);
    const char* shown[] = {"{Auto}", "{Auto}", "{Auto}", "", "1.5", "{Auto}", "{Auto}", ""};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(Get<TextBox>("txtOptions", i)->Text(), shown[i]) << i;
    Press("cmdButton", 1);
    EXPECT_EQ(CDbl(AppOptions(13)(0)), 1.5) << "the display-only instance stored nothing";
}

TEST_F(OptionsDialogTest, AMissingViewerSwitchesOpenReportOffEvenOnCancel) {
    AppOptions(opt::kOpenReport) = Variant(true);
    dialog_.fileExists = [](const std::string&) { return false; };
    Start();
    EXPECT_FALSE(Get<CheckBox>("chkOptions", 1)->Enabled());
    EXPECT_EQ(Get<CheckBox>("chkOptions", 1)->Value(), 0);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_FALSE(CBool(AppOptions(opt::kOpenReport)));
    EXPECT_FALSE(dialog_.OptionsChanged);
}

TEST_F(OptionsDialogTest, TheExportFolderComesFromTheFolderDialog) {
    TempDir dir;
    AppOptions(opt::kExportFormats) = Variant::List({Variant(false), Variant(true)});
    fileDialog_.QueueAnswer(dir.file("Untitled"));
    Start();
    Page(optpage::kExports);
    EXPECT_EQ(Get<CheckBox>("chkExport", 1)->Value(), 1);
    Press("cmdExportOptions");
    ASSERT_EQ(fileDialog_.requests.size(), 1u);
    EXPECT_EQ(fileDialog_.requests[0].title, "Choose folder for exported files");
    EXPECT_EQ(fileDialog_.requests[0].fileName, "Untitled");
    EXPECT_EQ(Get<TextBox>("txtExport")->Text(), dir.str());
    Press("cmdButton", 0);
    EXPECT_EQ(ExportPath, dir.str());
    EXPECT_TRUE(MKelvaro::ArraysEqual(AppOptions(opt::kExportFormats), Flags(false, true, false)));
    EXPECT_TRUE(dialog_.OptionsChanged);
}

TEST_F(OptionsDialogTest, ColoursComeFromTheirTextsAndThePicker) {
    services_.colourDialog.QueueColour(0x123456);
    services_.colourDialog.QueueCancel();
    Start();
    Page(optpage::kAppearance);
    Press("cmdColours");  // box 0 has the focus from the page switch, and no box had it before
    EXPECT_EQ(services_.colourDialog.initials.at(0), 0x00FF00);
    EXPECT_EQ(Get<TextBox>("txtColours", 0)->Text(), "&H123456");
    const char* typed[] = {"99999999999", "  red ", "&HFFFFFF"};
    for (int i = 1; i <= 3; ++i) {
        Get<TextBox>("txtColours", i)->SetFocus();
        Retype(typed[i - 1]);
    }
    Press("cmdColours");  // cancelled: the box keeps its colour
    EXPECT_EQ(services_.colourDialog.initials.at(1), 0xFFFFFF);
    EXPECT_EQ(Get<TextBox>("txtColours", 3)->Text(), "White");
    Get<UpDown>("updDecPlace")->Step(+1);
    Press("cmdButton", 0);
    EXPECT_EQ(CLng(AppOptions(0)), 0x123456);
    EXPECT_EQ(CLng(AppOptions(1)), 0);
    EXPECT_EQ(CLng(AppOptions(2)), 0xFF);
    EXPECT_EQ(CLng(AppOptions(3)), 0xFFFFFF);
    EXPECT_EQ(CLng(AppOptions(opt::kDecimals)), 3);
}

}  // namespace
}  // namespace nuvir::test
