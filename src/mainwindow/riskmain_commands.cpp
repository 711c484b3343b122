// The menus: file commands, edit commands, options, help; and the batch window.
#include <utility>

#include "appdata/appservices.h"
#include "appdata/ini.h"
#include "appdata/paths.h"
#include "mainwindow/about.h"
#include "mainwindow/riskmain.h"
#include "mainwindow/riskmain_internal.h"
#include "platform/flexgrid.h"
#include "platform/profile.h"
#include "platform/screen.h"
#include "platform/windowutilities.h"
#include "runtime/convert.h"
#include "utilities/criticalcorrelation.h"

namespace nuvir {

namespace {

constexpr const char* kHelpFileName = "PKelvaro3.hlp";
constexpr const char* kRafPattern = "*.RAF";

// Equality of two item values that may be of any kind; arrays and Null are never
// equal here.
bool SameValue(const Variant& a, const Variant& b) {
    if (a.isArray() || b.isArray()) return false;
    try {
        return a == b;
    } catch (const AppError&) {
        return false;
    }
}

}  // namespace

std::string HelpFilePath() { return MUtilities::AddBackslash(App().path) + kHelpFileName; }

void RegisterHelpTopics() {
    // The pages by their tabs (the Uncertainty page by its mode), the windows by what
    // they are.
    static constexpr std::pair<int, const char*> kTopics[] = {
        {5, "Ps and Qs"},   {9, "Uncertainty, relative"},     {10, "Uncertainty, absolute"}, {11, "Monte Carlo"},
        {25, "Batch mode"}, {26, "Options and plot options"}, {31, "Category table"},        {37, "Export file names"}};
    for (const auto& [context, title] : kTopics) SetHelpTopicTitle(context, title);
}

// ---- menus -----------------------------------------------------------------------------

void FRiskMain::OptionsMenuOpening() {
    CommitChainEdit();
    if (!AppData.isArray()) return;
    mnuOptions[3]->SetCaption("Categorical &Impacts (" + TextOf(AppData(item::kNumImpactCategories)) + ")");
    mnuOptions[4]->SetCaption("Categorical Cos&ts (" + TextOf(AppData(item::kNumCostCategories)) + ")");
}

void FRiskMain::FileMenuClick(int index) {
    // A batch run walks its lines through AppData: nothing may replace, save or clear
    // them under it. The window is disabled then, but its commands do not rely on that.
    if (results_->BatchMode() && index != 9) return;
    CommitChainEdit();
    switch (index) {
        case 0: FileNew(); break;
        case 1: FileOpen(); break;
        case 2: FileSave(false); break;
        case 3: FileSave(true); break;
        case 5: results_->SavePlotOptionsToIni(); break;
        case 7: OpenBatchWindow(); break;
        case 9: Unload(); break;
        default: break;
    }
    if (index == 0 || index == 1 || index == 7) ClearResults(true);
}

void FRiskMain::OpenBatchWindow() {
    if (results_->Busy()) return;
    if (!parts_.makeBatchWindow) return;
    // A second batch window would be left behind, unmanaged, when the reference moved
    // on to the newer one: bring the open one forward instead.
    if (BatchForm) {
        BatchForm->SetVisible(true);
        BatchForm->Raise();
        return;
    }
    BatchForm = parts_.makeBatchWindow(*this);
    const ScreenMetrics& screen = Screen();
    const double xTwips = RoundHalfEven(Left() + (Width() - BatchForm->Width()) / 2);
    const double yTwips = RoundHalfEven(Top() + (Height() - BatchForm->Height()) / 2);
    BatchForm->ShowTopmostAt(static_cast<int>(RoundHalfEven(xTwips / screen.twipsPerPixelX)),
                             static_cast<int>(RoundHalfEven(yTwips / screen.twipsPerPixelY)));
    BatchForm->SetParent(this);
}

void FRiskMain::EditMenuClick(int index) { DoEditCommand(index); }

void FRiskMain::OptionsMenuClick(int index) {
    if (!AppData.isArray() || results_->BatchMode()) return;
    switch (index) {
        case 0: {
            const bool on = !mnuOptions[0]->Checked();
            mnuOptions[0]->SetChecked(on);
            AppData(item::kPrng) = Variant(on ? 1 : 0);
            break;
        }
        case 1: {
            const bool on = !mnuOptions[1]->Checked();
            mnuOptions[1]->SetChecked(on);
            if (AppOptions.isArray()) AppOptions(opt::kHideCosts) = Variant(on);
            chain_->Render();
            break;
        }
        case 3:
        case 4: {
            const int itemNumber = index == 3 ? item::kCategoricalImpacts : item::kCategoricalCosts;
            const bool on = !mnuOptions[index]->Checked();
            mnuOptions[index]->SetChecked(on);
            AppData(itemNumber) = Variant(on);
            ApplyCategoryDataSwitch(itemNumber);
            break;
        }
        case 6: ManageOptions(); break;
        default: break;
    }
}

void FRiskMain::ManageOptions() {
    if (results_->Busy()) return;
    if (!parts_.showOptions || !AppData.isArray() || !AppOptions.isArray()) return;
    std::int32_t oldDecimals = 0;
    TryStep([&] { oldDecimals = CLng(AppOptions(opt::kDecimals)); });
    const Variant dataBefore = AppData, optionsBefore = AppOptions;
    const std::string exportBefore = ExportPath;

    const OptionsOutcome outcome = parts_.showOptions(*this, static_cast<double>(results_->EditedPlotType()));
    results_->SetEditedPlotType(static_cast<int>(RoundHalfEven(outcome.plotType)));
    if (!outcome.optionsChanged) return;

    try {
        ApplyOptionsChange(dataBefore, oldDecimals);
    } catch (const std::exception& e) {
        // A change taken in part (categorical impacts on, the chain's tables not) would
        // run on data the window does not show: everything goes back as it was.
        AppData = dataBefore;
        AppOptions = optionsBefore;
        ExportPath = exportBefore;
        const auto* error = dynamic_cast<const AppError*>(&e);
        MsgBox("The options could not be applied (" + (error ? error->description() : std::string(e.what())) +
                   "); they are as they were.",
               mb::OKOnly | mb::Exclamation, mainwindow::kProductName);
        ShowAssessment();
    }
}

void FRiskMain::ApplyOptionsChange(const Variant& dataBefore, std::int32_t oldDecimals) {
    const Variant& categoricalImpactsBefore = dataBefore(item::kCategoricalImpacts);
    const Variant& categoricalCostsBefore = dataBefore(item::kCategoricalCosts);
    const Variant& impactCategoriesBefore = dataBefore(item::kNumImpactCategories);
    const Variant& costCategoriesBefore = dataBefore(item::kNumCostCategories);
    const Variant& impactMasterBefore = dataBefore(item::kMasterImpactCategories);
    const Variant& costMasterBefore = dataBefore(item::kMasterCostCategories);
    chain_->Render();
    mnuOptions[0]->SetChecked(ItemNumber(AppData, item::kPrng) != 0);
    mnuOptions[1]->SetChecked(ItemFlag(AppOptions, opt::kHideCosts));
    mnuOptions[3]->SetChecked(ItemFlag(AppData, item::kCategoricalImpacts));
    if (!SameValue(categoricalImpactsBefore, AppData(item::kCategoricalImpacts)) ||
        !SameValue(impactCategoriesBefore, AppData(item::kNumImpactCategories)) ||
        !MKelvaro::ArraysEqual(impactMasterBefore, AppData(item::kMasterImpactCategories))) {
        ApplyCategoryDataSwitch(item::kCategoricalImpacts);
    }
    mnuOptions[4]->SetChecked(ItemFlag(AppData, item::kCategoricalCosts));
    if (!SameValue(categoricalCostsBefore, AppData(item::kCategoricalCosts)) ||
        !SameValue(costCategoriesBefore, AppData(item::kNumCostCategories)) ||
        !MKelvaro::ArraysEqual(costMasterBefore, AppData(item::kMasterCostCategories))) {
        ApplyCategoryDataSwitch(item::kCategoricalCosts);
    }
    results_->RedrawAfterOptionsChange();
    std::int32_t newDecimals = oldDecimals;
    TryStep([&] { newDecimals = CLng(AppOptions(opt::kDecimals)); });
    if (newDecimals != oldDecimals) {
        BuildCheckboxCaptions();
        RenderEditors();
    }
}

void FRiskMain::HelpMenuClick(int index) {
    CommitChainEdit();
    if (index == 0) {
        // The page's topic rather than the contents: the message that stands in for the
        // help file names it. The page may have changed since the last housekeeping tick.
        SetHelpContext();
        Help().ShowHelp(HelpFilePath(), HelpContextID());
    } else if (index == 1) {
        FAbout about(this);
        about.ShowModal();
    }
}

void FRiskMain::SetHelpContext() {
    switch (tabMain->Tab()) {
        case 0: HelpContext = 5; break;
        case 1: HelpContext = ItemNumber(AppData, item::kUncertaintyMode) == 0 ? 9 : 10; break;
        case 2: HelpContext = 11; break;
        default: return;
    }
    SetHelpContextID(HelpContext);
}

// ---- edit commands ---------------------------------------------------------------------

void FRiskMain::UpdateEditMenu() {
    LastActiveControl = nullptr;
    bool copy = false;
    bool pictureOrGrid = false;
    bool lockedText = false;
    // Opening a menu from the keyboard moves the focus to the menu bar; the commands
    // still act on the control the analyst was working in.
    if (Control* active = WorkingControl()) {
        if (auto* text = dynamic_cast<TextBox*>(active)) {
            LastActiveControl = text;
            copy = text->SelLength() > 0 && !text->Locked();
            lockedText = text->Locked();
        } else if (auto* lines = dynamic_cast<MultiLineTextBox*>(active)) {
            // The result boxes are text boxes of many lines, locked like any other.
            LastActiveControl = lines;
            copy = !lines->SelText().empty() && !lines->Locked();
            lockedText = lines->Locked();
        } else if (auto* picture = dynamic_cast<QtPictureBox*>(active)) {
            LastActiveControl = picture;
            copy = picture->ToolTipText() == "Pick Me!" || picture->ScaleMode() == scale::User;
            pictureOrGrid = true;
        } else if (active == flxShowSensMeasures) {
            LastActiveControl = flxShowSensMeasures;
            copy = true;
            pictureOrGrid = true;
        }
    }
    mnuEdit[0]->SetEnabled(copy);
    mnuEdit[1]->SetEnabled(copy && !pictureOrGrid);
    mnuEdit[2]->SetEnabled(!pictureOrGrid && clipboardHasText_ && !lockedText);
}

void FRiskMain::DoEditCommand(int index) {
    QObject* target = LastActiveControl.data();
    if (target == nullptr) return;
    if (index == 0 || index == 1) {
        if (auto* text = dynamic_cast<TextBox*>(target)) {
            MUtilities::CopyToClipboard(Variant(text->SelText()), clipformat::Text);
            if (index == 1) text->SetSelText("");
        } else if (auto* lines = dynamic_cast<MultiLineTextBox*>(target)) {
            MUtilities::CopyToClipboard(Variant(lines->SelText()), clipformat::Text);
            if (index == 1) lines->textCursor().removeSelectedText();
        } else if (auto* picture = dynamic_cast<QtPictureBox*>(target)) {
            MUtilities::CopyToClipboard(picture->Image(), clipformat::Bitmap);
        } else if (target == flxShowSensMeasures) {
            results_->CopySensitivityTable();
        }
    } else if (index == 2) {
        if (auto* text = dynamic_cast<TextBox*>(target)) MUtilities::PasteIntoTextBox(text);
    }
}

// ---- file commands ---------------------------------------------------------------------

void FRiskMain::FileNew() {
    if (results_->Busy()) return;
    StopUpdateTimers();
    tabMain->SetTab(0);
    AppData = LoadAppData("");
    FillNewStateData(AppData);
    ShowAssessment();
    StateFileName.clear();
    StartUpdateTimer();
}

void FRiskMain::FileOpen() {
    if (results_->Busy()) return;
    StopUpdateTimers();
    tabMain->SetTab(0);
    // The dialog is asked directly, so a choice it would drop silently (a folder named
    // like a file, a file that cannot be read) is answered with a message.
    const FileDialogRequest request = MUtilities::BuildFileDialogRequest(MUtilities::filemode::kOpenExisting,
                                                                         "Restore current state from file", kRafPattern,
                                                                         MUtilities::AddBackslash(SavePath) + "*.raf",
                                                                         MUtilities::LastDialogFolder());
    std::string path;
    try {
        path = FileDialogs().Show(request);
    } catch (...) {
        path.clear();
    }
    if (!path.empty()) MUtilities::SetLastDialogFolder(MUtilities::GetPathPart(path));
    if (!path.empty()) {
        // One read, looked at and then loaded: a second read would give another copy the
        // moment between the two to take the file, and the load would fail unsaid.
        const profile::Contents contents = profile::Contents::Load(path);
        const profile::Failure failure = contents.Status();
        // Nothing of it can be read: keep the assessment shown and its file name. One too
        // large to be an assessment is read far enough for the load to say so.
        if (failure == profile::Failure::InUse) {
            // Its lock outlasted the wait: another copy is writing it, and will be done.
            MsgBox("The file " + path + " is in use by another copy of the program.\r\n\r\nPlease try again.",
                   mb::OKOnly, "Restore current state from file");
        } else if (failure != profile::Failure::None && failure != profile::Failure::TooLarge) {
            MsgBox("The file " + path + " could not be read.", mb::OKOnly, "Restore current state from file");
        } else {
            // A refused file (too large, no assessment) keeps the assessment shown and
            // its name, so a later Save cannot overwrite that file.
            bool unread = false;
            Variant loaded = LoadAppData(path, contents, &unread);
            if (!unread) {
                SavePath = MUtilities::GetPathPart(path);
                StateFileName = path;
                AppData = std::move(loaded);
                ShowAssessment();
            }
        }
    }
    StartUpdateTimer();
}

void FRiskMain::FileSave(bool asNew) {
    StopUpdateTimers();
    std::string path;
    if (!asNew && !StateFileName.empty()) {
        path = StateFileName;
    } else {
        const std::string start = StateFileName.empty()
                                      ? MUtilities::AddBackslash(SavePath) + DefaultStateFileName() + ".raf"
                                      : StateFileName;
        path =
            MUtilities::ShowFileDialog(MUtilities::filemode::kSave, "Save current state to file", kRafPattern, start);
        if (!path.empty()) SavePath = MUtilities::GetPathPart(path);
    }
    if (!path.empty() && SaveAppData(AppData, path, true)) StateFileName = path;
    StartUpdateTimer();
}

}  // namespace nuvir
