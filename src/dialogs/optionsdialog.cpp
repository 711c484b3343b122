#include "dialogs/optionsdialog.h"

#include <QTabBar>

#include "appdata/appdata.h"
#include "appdata/appservices.h"
#include "appdata/codetables.h"
#include "appdata/paths.h"
#include "controls/flexedit.h"
#include "controls/gridfit.h"
#include "dialogs/guard.h"
#include "numerics/numerics.h"
#include "platform/controls.h"
#include "platform/flexgrid.h"
#include "platform/screen.h"
#include "platform/services.h"
#include "runtime/convert.h"

namespace nuvir {

namespace {

constexpr const char* kTabCaptions = "Calculation,Plots,Reports,Exports,Appearance";
constexpr const char* kPlotTypeNames[6] = {"P and I Monte Carlo", "P and I Sensitivity", "P and I Cumulative",
                                           "Costs Monte Carlo",   "Costs Sensitivity",   "Costs Cumulative"};
constexpr const char* kAxisLabels[8] = {"Y Min:", "Y Max:", "Y Ticks:", "Y Ref. Line:",
                                        "X Min:", "X Max:", "X Ticks:", "X Ref. Line:"};
constexpr const char* kColourLabels[7] = {"P box:",      "I Box:", "Risk Oval:", "Diamond:",
                                          "Fixed Cost:", "Error:", "Plot Bkgd:"};

// Client area and tab control, in twips.
constexpr double kClientWidth = 6520;
constexpr double kClientHeight = 5000;
constexpr double kTabWidth = 6400;
constexpr double kTabHeight = 4320;
constexpr double kRowGap = 420;  // one row of label and box
constexpr double kCategoryGridHeight = 1600;

// Colours are 24-bit where they are shown; the stored number stays as typed.
Colour Shown(std::int32_t colour) { return static_cast<Colour>(colour & 0xFFFFFF); }

template <class T>
T* Place(T* c, double left, double top, double width, double height) {
    c->Move(left, top, width, height);
    return c;
}

}  // namespace

FOptions::FOptions(QWidget* owner)
    : Form(owner),
      fileExists(FileFunctions::FileExists),
      makePlotOptions([] { return std::unique_ptr<PlotOptionsDialog>(std::make_unique<FPlotOptions>()); }) {
    SetName("FOptions");
    SetBorderStyle(borderstyle::FixedDialog);
    SetCaption("NUVIR Options");
    setFixedSize(TwipsToPxX(kClientWidth), TwipsToPxY(kClientHeight));

    cmdButton_[0] = Place(Add<CommandButton>("cmdButton", 0), 4020, 60 + kTabHeight + 120, 1140, 375);
    cmdButton_[0]->SetCaption("OK");
    cmdButton_[1] = Place(Add<CommandButton>("cmdButton", 1), 5260, 60 + kTabHeight + 120, 1140, 375);
    cmdButton_[1]->SetCaption("Cancel");
    cmdButton_[1]->SetCancel(true);

    tabMain_ = Place(Add<TabControl>("tabMain"), 60, 60, kTabWidth, kTabHeight);
    const auto captions = Split(kTabCaptions, ",");
    tabMain_->SetTabs(static_cast<int>(captions.size()));
    const double headerHeight = PxToTwipsY(tabMain_->Bar()->sizeHint().height());
    for (int t = static_cast<int>(captions.size()) - 1; t >= 0; --t) {
        tabMain_->SetTabCaption(t, captions[static_cast<std::size_t>(t)]);
        tabMain_->SetTab(t);
        Panel* page = Add<Panel>("picContainer", t, tabMain_);
        page->setFrameShape(QFrame::NoFrame);
        page->Move(60, headerHeight + 60, kTabWidth - 120, kTabHeight - headerHeight - 120);
        tabMain_->SetControlTab(page, t);
        picContainer_[static_cast<std::size_t>(t)] = page;
    }
    BuildCalculationPage();
    BuildPlotsPage();
    chkOptions_[1] = Place(Add<CheckBox>("chkOptions", 1, picContainer_[optpage::kReports]), 240, 400, 4000, 285);
    chkOptions_[1]->SetCaption("Open Report After Generation");
    BuildExportsPage();
    BuildAppearancePage();
    // Labels show the page behind them.
    for (Control* c : Controls()) {
        if (auto* label = dynamic_cast<Label*>(c)) label->SetBackStyle(0);
    }

    connect(this, &Form::LoadEvent, this, [this] { firstActivation_ = true; });
    connect(this, &Form::QueryUnload, this,
            [this](bool&, int) { dialogs::Guarded("Closing the options", [this] { OnQueryUnload(); }); });
    connect(tabMain_->Events(), &ControlEvents::Click, this, [this] {
        if (!firstActivation_)
            dialogs::Guarded("Changing the options page", [this] { SetPageTabStops(tabMain_->Tab()); });
    });
    for (int i = 0; i < 2; ++i) {
        connect(cmdButton_[static_cast<std::size_t>(i)]->Events(), &ControlEvents::Click, this, [this, i] {
            dialogs::Guarded(i == 0 ? "Applying the options" : "Cancelling the options", [this, i] { OnButton(i); });
        });
    }
    for (int i = kImpactIndex; i <= kCostIndex; ++i) {
        connect(chkOptions_[static_cast<std::size_t>(i)]->Events(), &ControlEvents::Click, this,
                [this, i] { dialogs::Guarded("Changing the categories", [this, i] { chkOptions_Click(i); }); });
        connect(updNumCats_[static_cast<std::size_t>(i - kImpactIndex)]->Events(), &ControlEvents::Change, this,
                [this, i] {
                    dialogs::Guarded("Changing the number of categories", [this, i] { updNumCats_Change(i); });
                });
    }
}

FOptions::~FOptions() {
    // The grid editors remove their controls from this form, which must still be whole.
    for (auto& g : grids_) g.reset();
}

CFlexEditA* FOptions::CategoryGrid(int index) const {
    return index == kImpactIndex || index == kCostIndex ? grids_[static_cast<std::size_t>(index - kImpactIndex)].get()
                                                        : nullptr;
}

// ---- the pages, as designed ------------------------------------------------------------

void FOptions::BuildCalculationPage() {
    Panel* page = picContainer_[optpage::kCalculation];
    const char* labels[4] = {"Random Number Generator:", "Categorical:", "Categories:", "Category Values:"};
    const int labelIndex[4] = {0, 3, 4, 5};
    for (int r = 0; r < 4; ++r) {
        Place(Add<Label>("labCalc", labelIndex[r], page), 240, 400 + r * kRowGap, 2640, 255)->SetCaption(labels[r]);
    }
    chkOptions_[0] = Place(Add<CheckBox>("chkOptions", 0, page), 2940, 385, 2400, 285);
    chkOptions_[0]->SetCaption("Use Custom PRNG");
    const char* kinds[2] = {"Impacts", "Costs"};
    for (int k = 0; k < 2; ++k) {
        const int index = kImpactIndex + k;
        const double left = 2940 + k * 1400;
        chkOptions_[static_cast<std::size_t>(index)] =
            Place(Add<CheckBox>("chkOptions", index, page), left, 385 + kRowGap, 1300, 285);
        chkOptions_[static_cast<std::size_t>(index)]->SetCaption(kinds[k]);
        Panel* box = Place(Add<Panel>("fraNumCats", index, page), left, 340 + 2 * kRowGap, 1300, 375);
        box->setFrameShape(QFrame::NoFrame);
        auto* upDown = Place(Add<UpDown>("updNumCats", index, box), 0, 0, 255, 375);
        upDown->SetMin(1);
        upDown->SetMax(5);
        upDown->SetValue(1);
        updNumCats_[static_cast<std::size_t>(k)] = upDown;
        labNumCats_[static_cast<std::size_t>(k)] = Place(Add<Label>("labNumCats", index, box), 360, 60, 600, 255);
        labNumCats_[static_cast<std::size_t>(k)]->SetCaption("Label1");
    }
    // A borderless holder: the design caption of its frame is never shown.
    fraCategoryData_ =
        Place(Add<Panel>("fraCategoryData", -1, page), 2940, 400 + 3 * kRowGap, 3300, kCategoryGridHeight + 60);
    fraCategoryData_->setFrameShape(QFrame::NoFrame);
}

void FOptions::BuildPlotsPage() {
    auto* frame = Place(Add<Frame>("fraPlotOptions", -1, picContainer_[optpage::kPlots]), 240, 240, 5800, 2700);
    frame->SetCaption("Plot Options");
    cboPlotTypes_ = Place(Add<ComboBox>("cboPlotTypes", -1, frame), 240, 360, 3400, 315);
    cmdPlotOptions_ = Place(Add<CommandButton>("cmdPlotOptions", -1, frame), 3760, 360, 420, 315);
    cmdPlotOptions_->SetCaption("...");
    for (int i = 0; i < 8; ++i) {
        const double left = i < 4 ? 240 : 2960;
        const double top = 900 + (i % 4) * kRowGap;
        Place(Add<Label>("labOptions", i, frame), left, top, 1200, 255)->SetCaption(kAxisLabels[i]);
        txtOptions_[static_cast<std::size_t>(i)] =
            Place(Add<TextBox>("txtOptions", i, frame), left + 1260, top - 15, 1250, 285);
        txtOptions_[static_cast<std::size_t>(i)]->SetLocked(true);
    }
    connect(cboPlotTypes_->Events(), &ControlEvents::Click, this,
            [this] { dialogs::Guarded("Choosing the plot type", [this] { cboPlotTypes_Click(); }); });
    connect(cmdPlotOptions_->Events(), &ControlEvents::Click, this,
            [this] { dialogs::Guarded("Editing the plot options", [this] { cmdPlotOptions_Click(); }); });
}

void FOptions::BuildExportsPage() {
    fraExport_ = Place(Add<Frame>("fraExport", -1, picContainer_[optpage::kExports]), 240, 240, 5800, 2400);
    fraExport_->SetCaption("Export Options");
    Place(Add<Label>("labExport", 1, fraExport_), 240, 420, 1500, 255)->SetCaption("File Folder:");
    txtExport_ = Place(Add<TextBox>("txtExport", -1, fraExport_), 1800, 390, 3200, 285);
    txtExport_->SetLocked(true);
    cmdExportOptions_ = Place(Add<CommandButton>("cmdExportOptions", -1, fraExport_), 5060, 390, 420, 285);
    cmdExportOptions_->SetCaption("...");
    Place(Add<Label>("labExport", 0, fraExport_), 240, 900, 1500, 255)->SetCaption("File Format(s):");
    chkExport_[0] = Place(Add<CheckBox>("chkExport", 0, fraExport_), 1800, 885, 2655, 240);
    chkExport_[0]->SetCaption("$$$");
    connect(cmdExportOptions_->Events(), &ControlEvents::Click, this,
            [this] { dialogs::Guarded("Choosing the export folder", [this] { cmdExportOptions_Click(); }); });
}

void FOptions::BuildAppearancePage() {
    Panel* page = picContainer_[optpage::kAppearance];
    auto* frame = Place(Add<Frame>("fraColours", -1, page), 240, 240, 3100, 3300);
    frame->SetCaption("Colours");
    for (int i = 0; i < 7; ++i) {
        const double top = 420 + i * kRowGap;
        Place(Add<Label>("labColours", i, frame), 200, top, 1100, 255)->SetCaption(kColourLabels[i]);
        txtColours_[static_cast<std::size_t>(i)] =
            Place(Add<TextBox>("txtColours", i, frame), 1320, top - 15, 1200, 285);
        connect(txtColours_[static_cast<std::size_t>(i)]->Events(), &ControlEvents::GotFocus, this,
                [this, i] { dialogs::Guarded("Choosing a colour", [this, i] { txtColours_GotFocus(i); }); });
    }
    cmdColours_ = Place(Add<CommandButton>("cmdColours", -1, frame), 2580, 405, 420, 285);
    cmdColours_->SetCaption("...");
    connect(cmdColours_->Events(), &ControlEvents::Click, this,
            [this] { dialogs::Guarded("Choosing a colour", [this] { cmdColours_Click(); }); });

    chkOptions_[2] = Place(Add<CheckBox>("chkOptions", 2, page), 3540, 400, 2600, 285);
    chkOptions_[2]->SetCaption("Hide Management Costs");
    Place(Add<Label>("labAppear", 0, page), 3540, 900, 2400, 255)->SetCaption("Probability Decimals:");
    Panel* box = Place(Add<Panel>("fraDecPlaces", -1, page), 3540, 1200, 1300, 375);
    box->setFrameShape(QFrame::NoFrame);
    updDecPlace_ = Place(Add<UpDown>("updDecPlace", -1, box), 0, 0, 255, 375);
    updDecPlace_->SetMin(1);
    updDecPlace_->SetMax(4);
    updDecPlace_->SetValue(1);
    labDecPlace_ = Place(Add<Label>("labDecPlace", -1, box), 360, 60, 600, 255);
    labDecPlace_->SetCaption("Label1");
    connect(updDecPlace_->Events(), &ControlEvents::Change, this,
            [this] { labDecPlace_->SetCaption(std::to_string(updDecPlace_->Value())); });
}

// ---- first activation ---------------------------------------------------------------------

void FOptions::showEvent(QShowEvent* e) {
    // The set-up runs before the window first appears, as at its first activation.
    if (firstActivation_) {
        dialogs::Guarded("Loading the options", [this] { LoadOptions(); });
        OptionsChanged = false;
        model_.OptionsChanged = false;
        firstActivation_ = false;
        tabMain_->SetTab(optpage::kCalculation);
        dialogs::Guarded("Opening the options", [this] {
            SetPageTabStops(optpage::kCalculation);
            cmdButton_[0]->SetFocus();
        });
    }
    Form::showEvent(e);
}

void FOptions::LoadOptions() {
    const OptionsState s = model_.Load(PlotType, fileExists);
    PlotType = s.plotType;
    for (int index = kImpactIndex; index <= kCostIndex; ++index) BuildCategoryGrid(index, s);

    // From here on a step that fails is skipped and loading goes on.
    TryStep([&] {
        const auto& formats = ExportFormats();
        for (std::size_t i = 0; i < chkExport_.size() && i < formats.size(); ++i) {
            if (chkExport_[i] == nullptr) {
                chkExport_[i] = Add<CheckBox>("chkExport", static_cast<int>(i), fraExport_);
                chkExport_[i]->Move(chkExport_[0]->Left(), chkExport_[0]->Top() + 300.0 * static_cast<double>(i),
                                    chkExport_[0]->Width(), chkExport_[0]->Height());
            }
            chkExport_[i]->SetCaption(ExportFormatCaption(formats[i]));
            chkExport_[i]->SetVisible(true);
        }
    });
    TryStep([&] {
        for (std::size_t i = 0; i < txtColours_.size(); ++i) {
            txtColours_[i]->SetText("");
            txtColours_[i]->SetText(s.colours[i]);
            txtColours_[i]->SetBackColor(Shown(ColourFromText(s.colours[i])));
        }
    });
    TryStep([&] {
        chkOptions_[1]->SetEnabled(s.openReportEnabled);
        for (std::size_t i = 0; i < chkOptions_.size(); ++i) chkOptions_[i]->SetValue(s.checks[i] ? 1 : 0);
    });
    TryStep([&] {
        updDecPlace_->SetValue(s.decimals);
        labDecPlace_->SetCaption(std::to_string(s.decimals));
    });
    TryStep([&] { colourButtonOffset_ = txtColours_[0]->Top() - cmdColours_->Top(); });
    TryStep([&] {
        for (TextBox* box : txtOptions_) box->SetText("");
        cboPlotTypes_->Clear();
        for (int t = 0; t < 6; ++t) {
            cboPlotTypes_->AddItem(kPlotTypeNames[t]);
            cboPlotTypes_->SetItemData(cboPlotTypes_->NewIndex(), t);
        }
        plotOptions_ = makePlotOptions();
        cboPlotTypes_->SetListIndex(s.plotType);
    });
    TryStep([&] {
        exportFolder_ = s.exportFolder;
        txtExport_->SetText(exportFolder_);
    });
    TryStep([&] {
        for (std::size_t i = 0; i < chkExport_.size(); ++i) {
            if (chkExport_[i] != nullptr) chkExport_[i]->SetValue(s.exports[i] ? 1 : 0);
        }
    });
    SetHelpContextID(kHelpContext);
}

void FOptions::BuildCategoryGrid(int index, const OptionsState& s) {
    const std::size_t k = static_cast<std::size_t>(index - kImpactIndex);
    auto grid = std::make_unique<CFlexEditA>();
    grid->SetContainer(fraCategoryData_);
    FlexGrid* g = grid->Flexgrid();
    g->SetCols(1);
    g->SetRows(s.numCats[k] + 1);
    g->SetVisible(true);
    MKelvaro::FitGridToContents(grid.get(), Variant::List({Variant(index == kImpactIndex ? "Impact" : "Cost")}));
    g->SetHeight(kCategoryGridHeight);
    if (k == 1 && grids_[0]) g->SetLeft(grids_[0]->Flexgrid()->Left() + grids_[0]->Flexgrid()->Width() + 120);
    connect(grid.get(), &CFlexEditA::Validate, this, [this, index](int row, int col, const Variant& value) {
        dialogs::Guarded("Entering a category value", [&] { CategoryValidate(index, row, col, value); });
    });
    grids_[k] = std::move(grid);
    updNumCats_[k]->SetValue(s.numCats[k]);
    labNumCats_[k]->SetCaption(std::to_string(s.numCats[k]));
    grids_[k]->PutArray(s.categories[k]);
    chkOptions_Click(index);
}

// ---- tab order ----------------------------------------------------------------------------

void FOptions::SetPageTabStops(int page) {
    for (Control* c : Controls()) {
        if (c->Widget() != nullptr) c->SetTabStop(false);
    }
    int next = 0;
    auto stop = [&next](Control* c) {
        c->SetTabStop(true);
        c->SetTabIndex(next++);
    };
    stop(cmdButton_[0]);
    stop(cmdButton_[1]);
    stop(tabMain_);
    switch (page) {
        case optpage::kCalculation: stop(chkOptions_[0]); break;
        case optpage::kReports: stop(chkOptions_[1]); break;
        case optpage::kExports:
            for (CheckBox* box : chkExport_) {
                if (box != nullptr) stop(box);
            }
            stop(cmdExportOptions_);
            stop(txtExport_);
            break;
        case optpage::kAppearance:
            for (TextBox* box : txtColours_) stop(box);
            stop(chkOptions_[2]);
            txtColours_[0]->SetFocus();
            break;
        default: break;
    }
}

// ---- OK, Cancel and closing -------------------------------------------------------------------

void FOptions::OnButton(int index) {
    if (index == 0) ApplyOptions();
    Unload();
}

void FOptions::ApplyOptions() {
    OptionsState s;
    for (std::size_t i = 0; i < txtColours_.size(); ++i) s.colours[i] = txtColours_[i]->Text();
    for (std::size_t i = 0; i < chkOptions_.size(); ++i) s.checks[i] = chkOptions_[i]->Value() == 1;
    s.decimals = updDecPlace_->Value();
    for (std::size_t k = 0; k < 2; ++k) {
        s.numCats[k] = updNumCats_[k]->Value();
        s.categories[k] = MKelvaro::GetGridAsDoubles(grids_[k].get());
    }
    for (std::size_t i = 0; i < chkExport_.size(); ++i)
        s.exports[i] = chkExport_[i] != nullptr && chkExport_[i]->Value() == 1;
    s.exportFolder = exportFolder_;
    model_.OptionsChanged = OptionsChanged;
    model_.Apply(s);
    OptionsChanged = model_.OptionsChanged;
}

void FOptions::OnQueryUnload() {
    if (plotOptions_) {
        plotOptions_->Close();
        plotOptions_.reset();
    }
    for (auto& g : grids_) g.reset();
}

// ---- the category tables ------------------------------------------------------------------

void FOptions::SetGridColours(CFlexEditA* grid) {
    if (grid == nullptr || grid->Flexgrid() == nullptr) return;
    FlexGrid* g = grid->Flexgrid();
    const Colour colour = grid->AllowEdit() ? kEditable : kReadOnly;
    grid->SetSuppressCellEvents(true);
    for (int row = grid->MinRow(); row < g->Rows(); ++row) {
        g->SetRow(row);
        g->SetCol(0);
        g->SetCellBackColor(colour);
    }
    g->SetBackColor(colour);
    g->SetBackColorBkg(colour);
    if (grid->MinRow() < g->Rows()) g->SetRow(grid->MinRow());
    grid->SetSuppressCellEvents(false);
}

void FOptions::chkOptions_Click(int index) {
    CFlexEditA* grid = CategoryGrid(index);
    if (grid == nullptr) return;
    grid->SetAllowEdit(chkOptions_[static_cast<std::size_t>(index)]->Value() == 1);
    SetGridColours(grid);
}

void FOptions::updNumCats_Change(int index) {
    const std::size_t k = static_cast<std::size_t>(index - kImpactIndex);
    labNumCats_[k]->SetCaption(std::to_string(updNumCats_[k]->Value()));
    CFlexEditA* grid = CategoryGrid(index);
    if (grid == nullptr) return;
    const Variant cells = grid->GetArray();
    if (cells.dims() != 2) return;
    grid->PutArray(ResizeCategoryCells(cells, updNumCats_[k]->Value(), index == kCostIndex));
    // New rows take the grid's background, which SetGridColours has already set.
}

void FOptions::CategoryValidate(int index, int row, int col, const Variant& value) {
    const std::string valid = ValidCategoryText(value, index == kCostIndex);
    if (valid != TextOf(value)) CategoryGrid(index)->Flexgrid()->SetTextMatrix(row, col, valid);
}

// ---- the plots page ---------------------------------------------------------------------------

void FOptions::cboPlotTypes_Click() {
    if (cboPlotTypes_->ListIndex() < 0) return;
    ShowPlotTypeOptions();
    PlotType = cboPlotTypes_->ItemData(cboPlotTypes_->ListIndex());
}

void FOptions::ShowPlotTypeOptions() {
    if (!plotOptions_) return;
    const std::int32_t type = cboPlotTypes_->ItemData(cboPlotTypes_->ListIndex());
    plotOptions_->SetPlotTypeOf(type);
    const bool xAxis = type == 0 || type == 3;
    for (int i = 0; i < 8; ++i) {
        txtOptions_[static_cast<std::size_t>(i)]->SetText(i < 4 || xAxis ? plotOptions_->OptionText(i) : std::string());
    }
}

void FOptions::cmdPlotOptions_Click() {
    if (!plotOptions_ || cboPlotTypes_->ListIndex() < 0) return;
    plotOptions_->SetPlotTypeOf(cboPlotTypes_->ItemData(cboPlotTypes_->ListIndex()));
    if (plotOptions_->EditModal(*this)) {
        ShowPlotTypeOptions();
        OptionsChanged = true;
    }
}

// ---- the exports and appearance pages ------------------------------------------------------

void FOptions::cmdExportOptions_Click() {
    const std::string start = exportFolder_.empty() ? App().path : exportFolder_;
    const std::string chosen = MUtilities::ShowFileDialog(MUtilities::filemode::kOpenInFolder,
                                                          "Choose folder for exported files", "*.*",
                                                          MUtilities::AddBackslash(start) + "Untitled");
    if (chosen.empty()) return;
    exportFolder_ = MUtilities::GetPathPart(chosen);
    txtExport_->SetText(exportFolder_);
}

void FOptions::txtColours_GotFocus(int index) {
    cmdColours_->SetTop(txtColours_[static_cast<std::size_t>(index)]->Top() - colourButtonOffset_);
    cmdColours_->SetTag(std::to_string(index));
}

void FOptions::cmdColours_Click() {
    const int i = cmdColours_->Tag().empty() ? 0 : static_cast<int>(Val(cmdColours_->Tag()));
    if (i < 0 || i >= static_cast<int>(txtColours_.size())) return;
    TextBox* box = txtColours_[static_cast<std::size_t>(i)];
    const std::int32_t given = ColourFromText(box->Text());
    const std::int32_t colour = ColourDialog().ChooseColour(Shown(given)).value_or(given);
    box->SetText(MKelvaro::ColourName(colour));
    box->SetBackColor(Shown(colour));
}

}  // namespace nuvir
