// Start-up, shut-down, the three update timers and the public members of the window.
#include "mainwindow/riskmain.h"

#include <QShowEvent>
#include <iterator>
#include <vector>

#include "appdata/appservices.h"
#include "appdata/ini.h"
#include "appdata/options.h"
#include "appdata/paths.h"
#include "appdata/statestring.h"
#include "controls/boxarray.h"
#include "mainwindow/windowchain.h"
#include "mainwindow/windowuncertainty.h"
#include "mainwindow/riskmain_internal.h"
#include "platform/clipboardowner.h"
#include "platform/openboxes.h"
#include "platform/screen.h"
#include "platform/windowutilities.h"
#include "runtime/convert.h"

namespace nuvir {

using mainwindow::Guard;

namespace {

constexpr const char* kAppDefaults = "App Defaults";

}  // namespace

FRiskMain::FRiskMain(MainWindowParts parts, std::string documentFolder)
    : parts_(std::move(parts)), documentFolder_(std::move(documentFolder)) {
    if (documentFolder_.empty()) documentFolder_ = App().path;
    // Stand-ins until the start-up makes the real parts, so nothing ever meets a null.
    chain_ = std::make_unique<NoChain>();
    uncertainty_ = std::make_unique<NoUncertainty>();
    BuildDesign();
    BuildMenus();
    results_ = parts_.makeResults ? parts_.makeResults(*this) : std::make_unique<NoResults>();
    ConnectEvents();
    SetHelpFile(HelpFilePath());
    RegisterHelpTopics();
    // A new main window has its start-up ahead of it, even when one before it ran its own.
    SetFirstActivation(true);
}

FRiskMain::~FRiskMain() {
    shuttingDown_ = true;
    if (MainWindowHost() == this) SetMainWindowHost(nullptr);
    if (MainForm() == this) SetMainForm(nullptr);
    if (checkboxArray_) checkboxArray_->SetContainer(nullptr);
}

void FRiskMain::showEvent(QShowEvent* e) {
    Form::showEvent(e);
    // Where a platform never activates a shown window, the start-up still runs.
    if (FirstActivation())
        QTimer::singleShot(0, this, [this] { Guard("Showing the assessment", [&] { FormActivate(); }); });
}

// ---- start-up --------------------------------------------------------------------------

void FRiskMain::FormActivate() {
    if (!FirstActivation() || shuttingDown_) return;
    try {
        StartUp();
    } catch (...) {
        Q_EMIT ReadyToClose();
        throw;
    }
}

void FRiskMain::StartUp() {
    SetMainWindowHost(this);
    StopUpdateTimers();
    const ScreenMetrics& screen = Screen();
    FrameWidth = GetSystemMetrics(sm::CxFrame) * screen.twipsPerPixelX;
    FrameHeight = GetSystemMetrics(sm::CyFrame) * screen.twipsPerPixelY;
    CaptionHeight = GetSystemMetrics(sm::CyCaption) * screen.twipsPerPixelY;
    MenuHeight = screen.menuHeightPx * screen.twipsPerPixelY;
    InitialiseMainWindow();
    picContainer[0]->SetVisible(true);
    tmrUpdate[0]->SetInterval(200);
    tmrUpdate[0]->SetEnabled(true);
    tmrUpdate[1]->SetInterval(500);
    tmrUpdate[2]->SetInterval(200);
    SetMainForm(this);
    SetFirstActivation(false);
    // Said once the window shows the assessment, over it, not over a blank start-up.
    QTimer::singleShot(0, this, [this] { Guard("Showing the assessment", [&] { SayDistributionFaults(); }); });
}

void FRiskMain::InitialiseMainWindow() {
    SetHeight(9000);
    SetWidth(12000);
    DoEvents();

    tabMain->SetTab(0);
    tabMain->SetTop(100);
    tabMain->SetHeight(Height() - tabMain->Top() - 120 - FrameHeight - CaptionHeight - MenuHeight);
    tabMain->SetLeft(60);
    tabMain->SetWidth(Width() - tabMain->Left() - 60 - 2 * FrameWidth);
    TabHeight = tabMain->Height();
    TabWidth = tabMain->Width();
    tabMain->SetBackColor(Form::BackColor());

    picChainContainer->SetForeColor(0);
    picChainContainer->SetDrawMode(13);
    picChainContainer->SetDrawStyle(0);
    picChainContainer->SetAutoRedraw(true);
    picChainContainer->SetBackColor(picContainer[0]->BackColor());
    picChainContainer->SetBorderStyle(0);
    picChainContainer->SetToolTipText("Pick Me!");
    txtChainEditBox->SetText("");

    for (int i = 0; i < 3; ++i) {
        txtTextBox[i]->SetText("");
        txtTextBox[i]->SetVisible(true);
        labTextLabel[i]->SetVisible(true);
    }
    for (QtPictureBox* page : picContainer) {
        page->SetBackColor(tabMain->BackColor());
        page->SetBorderStyle(0);
        page->SetVisible(false);
    }
    for (QtPictureBox* view : picUncertainContainer) {
        view->SetBackColor(picContainer[1]->BackColor());
        view->SetBorderStyle(0);
    }
    BuildRelativeUncertaintyGrid();
    uncertainty_ = parts_.makeUncertainty ? parts_.makeUncertainty() : std::make_unique<WindowUncertainty>();
    uncertainty_->DataChanged = [this](int id) { UncertaintyElementsDataChanged(id); };
    for (QtPictureBox* plot : picMonte) plot->SetBorderStyle(1);
    // The report's pictures become one-bit images: their text stays hard-edged.
    picHidden->SetSmoothText(false);
    picHidden->SetBorderStyle(1);
    picHidden->SetWidth(4480);
    picHidden->SetHeight(0.7 * picHidden->Width());
    picHidden->SetVisible(false);
    for (int i : {0, 3, 4}) mnuOptions[i]->SetChecked(false);
    cmdButton[2]->SetToolTipText("Make absolute uncertainty settings the same as these relative settings");
    labRelSliders->SetLeft(checkboxArray_->Left());
    labRelSliders->SetTop(vscRelUnc[0]->Top());
    SetRelUncLabels();
    for (QtPictureBox* host : picAbsoluteContainer) {
        host->SetBackColor(tabAbsolute->BackColor());
        host->SetBorderStyle(0);
        host->SetVisible(false);
    }
    tabSimulationGraphs->SetTab(1);
    tabSimulationGraphs->SetTab(0);
    ClearResults(true);

    AppData = LoadAppData("");
    AppOptions = LoadAppOptions();
    chain_ = parts_.makeChain ? parts_.makeChain() : std::make_unique<WindowChain>();
    chain_->SetHost(picChainContainer);
    chain_->SetEditBox(txtChainEditBox);
    ChainSize = chain_->Measure();

    const std::string optionsIni = GetOptionsIniFileName();
    auto readFolder = [&](const char* key) {
        std::string folder = documentFolder_;
        TryStep(
            [&] { folder = CStr(ReadIniValue(optionsIni, kAppDefaults, key, Variant(documentFolder_), ini::kText)); });
        // A folder since removed, or a hand-edited file name, would open the dialogs on
        // nothing and fail every save there: the folder offered at first instead.
        return MUtilities::FolderExists(folder) ? folder : documentFolder_;
    };
    ReportPath = readFolder("Report Path");
    SavePath = readFolder("Save Path");
    BatchPath = readFolder("Batch Path");
    ExportPath = readFolder("Export Path");
    Q_EMIT ReadyToClose();

    ShowAssessment();
    StateFileName.clear();
    SetPageTabOrder(tabMain->Tab());
    results_->SetEditedPlotType(0);
    ShowCosts = true;
    // A viewer look-up that fails (a read-only program folder for the template) must
    // not stop the program from starting: the report then has no viewer.
    std::string viewer;
    if (parts_.findRtfViewer) Guard("Finding the program that opens reports", [&] { viewer = parts_.findRtfViewer(); });
    AppOptions(opt::kReportViewer) = Variant(viewer);
    results_->SetBatchMode(false);
    SuppressDataChanged = false;
}

// ---- shut-down -------------------------------------------------------------------------

bool FRiskMain::FormQueryUnload() {
    if (!results_->RequestClose()) return false;
    // A batch run has the data and the timers in hand until it ends.
    if (results_->BatchMode()) return false;
    StopUpdateTimers();
    if (BatchForm) {
        BatchForm->SetParent(nullptr);
        if (!BatchForm->Unload()) {
            // Its save query kept it open: keep the main window too, so the list the
            // analyst chose to keep is not left in a window nothing drives.
            BatchForm->SetParent(this);
            StartUpdateTimer();
            return false;
        }
        BatchForm.reset();
    }
    // The regression options go in the same write as the assessment: a file that takes
    // only part of it (a size limit, a nearly full disk) keeps its old settings whole.
    if (AppData.isArray()) TryStep([&] { SaveProgramIni(AppData); });
    // The folders and options likewise go in one write of the options INI.
    std::vector<IniEntry> options = {{kAppDefaults, "Report Path", Variant(ReportPath)},
                                     {kAppDefaults, "Save Path", Variant(SavePath)},
                                     {kAppDefaults, "Batch Path", Variant(BatchPath)}};
    if (AppOptions.isArray()) {
        std::vector<IniEntry> items = AppOptionsEntries(AppOptions);
        options.insert(options.end(), std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
    }
    options.push_back({kAppDefaults, "Export Path", Variant(ExportPath)});
    TryStep([&] { WriteIniValues(GetOptionsIniFileName(), options); });

    // The handlers must not reach the parts once they are gone: a focused editor box
    // loses the focus while the window closes.
    shuttingDown_ = true;
    if (checkboxArray_) {
        checkboxArray_->SetContainer(nullptr);
        checkboxArray_.reset();
    }
    uncertainty_->DataChanged = nullptr;
    chain_ = std::make_unique<NoChain>();
    uncertainty_ = std::make_unique<NoUncertainty>();
    // What the analyst copied from another program since is theirs to keep.
    ClearOwnedClipboard();
    LastActiveControl = nullptr;
    SetMainForm(nullptr);
    if (MainWindowHost() == this) SetMainWindowHost(nullptr);
    Q_EMIT Closed();
    return true;
}

// ---- timers ----------------------------------------------------------------------------

void FRiskMain::StopUpdateTimers() {
    for (Timer* t : tmrUpdate) t->SetEnabled(false);
}

void FRiskMain::StartUpdateTimer() { tmrUpdate[0]->SetEnabled(true); }

void FRiskMain::TimerTick(int index) {
    if (shuttingDown_) return;
    switch (index) {
        case 0: {
            tmrUpdate[1]->SetEnabled(picContainer[0]->Visible());
            tmrUpdate[2]->SetEnabled(picContainer[2]->Visible());
            std::string caption = mainwindow::kProductName;
            if (!StateFileName.empty()) caption += " [" + MUtilities::GetFileName(StateFileName) + "]";
            if (Caption() != caption) SetCaption(caption);
            UpdateEditMenu();
            SetHelpContext();
            const bool hideCosts = AppOptions.isArray() && CBool(AppOptions(opt::kHideCosts));
            if (ShowCosts == hideCosts) {
                ShowCosts = !hideCosts;
                ApplyCostsVisibility();
            }
            if (BatchForm) {
                if (BatchForm->CloseRequested()) {
                    // Not while a box is open: the code that showed it may be the batch
                    // window's, which must return before the window goes.
                    if (OpenBoxes() == 0) {
                        BatchForm->SetParent(nullptr);
                        BatchForm->Unload();
                        BatchForm.reset();
                    }
                } else {
                    BatchForm->SetVisible(!isMinimized());
                }
            }
            break;
        }
        case 1: SyncChainToAppData(); break;
        case 2: results_->ResultsStateTick(); break;
        default: break;
    }
}

void FRiskMain::ClearResults(bool all) { results_->ClearResults(all); }

// ---- public members --------------------------------------------------------------------

std::string FRiskMain::DumpTabStops() const {
    std::string out;
    for (Control* c : Controls()) {
        if (c->Widget() == nullptr) continue;
        out += c->Name() + "/" + (c->Index() < 0 ? std::string() : CStr(Variant(c->Index()))) + "/" +
               CStr(Variant(c->TabStop())) + "/" + CStr(Variant(c->TabIndex())) + "\n";
    }
    return out;
}

void FRiskMain::SetTabStops(bool on) {
    for (Control* c : Controls()) {
        if (c->Widget() != nullptr) TryStep([&] { c->SetTabStop(on); });
    }
}

std::string FRiskMain::SerialiseState(std::int32_t form) const { return nuvir::SerialiseState(AppData, form); }

void FRiskMain::DeserialiseState(const std::string& state) { nuvir::DeserialiseState(state); }

std::optional<BatchResult> FRiskMain::RunBatchSimulation(const std::string& state) {
    // A line the reader refuses (a name longer than a file keeps) fails as a line whose
    // run fails does: said, and not run.
    try {
        DeserialiseState(state);
    } catch (const AppError& e) {
        MsgBox(e.description(), mb::OKOnly, "Error reading batch spec");
        return std::nullopt;
    }
    HoldAsShown(AppData);
    MKelvaro::StoreOutcomeRisks(AppData);
    return results_->RunBatchEntry();
}

void FRiskMain::StartBatch() {
    StopUpdateTimers();
    results_->SetBatchMode(true);
    ClearResults(true);
    labPicMonte[10]->SetVisible(false);
}

void FRiskMain::EndBatch() {
    ClearResults(true);
    results_->SetBatchMode(false);
    cmdButton[0]->SetEnabled(true);
    StartUpdateTimer();
}

Variant FRiskMain::GetAppDataDefaults() const { return nuvir::GetAppDataDefaults(); }

std::int32_t FRiskMain::BackColor() const { return QColorToColour(ColourToQColor(Form::BackColor())); }

void FRiskMain::SetHideManagementCostsChecked(bool checked) { mnuOptions[1]->SetChecked(checked); }

// ---- stand-ins -------------------------------------------------------------------------

void NoChain::SetData(const Variant& appData) {
    values_ = Variant::MakeArray(VarType::Double, {Bounds{item::kPointValue, item::kStageCost + 3}});
    for (int i = item::kPointValue; i <= item::kStageCost + 3; ++i) {
        TryStep([&] { values_(i) = Variant(CDbl(appData(i))); });
    }
}

Variant NoChain::GetData() {
    if (!values_.isArray()) SetData(AppData);
    return values_;
}

Variant NoChain::PointValues() { return GetData(); }

void NoResults::ClearResults(bool) { valid_ = false; }

}  // namespace nuvir
