#include "results/resultscontroller.h"

#include <cmath>

#include "appdata/appdata.h"
#include "utilities/formatting.h"
#include "platform/clipboardowner.h"
#include "platform/controls.h"
#include "platform/flexgrid.h"
#include "platform/form.h"
#include "platform/handlerguard.h"
#include "platform/multilinetextbox.h"
#include "platform/mousepointer.h"
#include "platform/qtpicturebox.h"
#include "platform/services.h"
#include "results/resultplots.h"
#include "results/simulationinputs.h"
#include "runtime/convert.h"
#include "simulation/montecarlo.h"
#include "simulation/programhost.h"

namespace nuvir {

namespace {

constexpr Colour kYellow = 0xFFFF;
constexpr std::int32_t kFrequencyClasses = 200;

// Values of one compared item: what cannot be compared (Null, an array where a scalar
// belongs) counts as different, so a doubtful result never enables a report.
bool SameValue(const Variant& a, const Variant& b) {
    if (a.isNull() || b.isNull() || a.isArray() || b.isArray()) return false;
    return VarEquals(a, b);
}

bool SameRecord(const Variant& a, const Variant& b) {
    if (a.dims() != 1 || b.dims() != 1) return false;
    for (int j = 0; j < 3; ++j) {
        if (!SameValue(a(a.lbound() + j), b(b.lbound() + j))) return false;
    }
    return true;
}

bool DataMatchesSnapshot(const Variant& live, const Variant& snap) {
    for (int i : {item::kSpecies, item::kLocation, item::kTrials, item::kUncertaintyMode, item::kPrng,
                  item::kConfidenceChoice}) {
        if (!SameValue(live(i), snap(i))) return false;
    }
    if (VarEquals(live(item::kUncertaintyMode), Variant(1))) {
        for (int i = item::Absolute(0); i < item::Absolute(item::kQuantities); ++i) {
            if (!SameRecord(snap(i), live(i))) return false;
        }
        return true;
    }
    for (int i = item::Relative(0); i < item::Relative(item::kQuantities); ++i) {
        if (!SameRecord(snap(i), live(i))) return false;
    }
    for (int i = item::kLevel0; i <= item::kLevel4; ++i) {
        if (!SameValue(live(i), snap(i))) return false;
    }
    return true;
}

double SumItems(const Variant& data, int first, int last) {
    double sum = 0.0;
    for (int i = first; i <= last; ++i) sum += CDbl(data(i));
    return sum;
}

}  // namespace

int PlotTypeOfPicture(int picIndex) {
    static constexpr int kTypes[6] = {0, 1, 3, 4, 2, 5};
    return picIndex >= 0 && picIndex < 6 ? kTypes[picIndex] : -1;
}

ResultsController::ResultsController(ResultsHost& host, const ResultsPage& page) : host_(host), page_(page) {}

// ---- busy operations ---------------------------------------------------------------

ResultsController::BusyScope::BusyScope(ResultsController& owner) : owner_(owner), wasBusy_(owner.state_.Busy) {
    owner_.state_.Busy = true;
    owner_.UpdateCommandStates();
}

ResultsController::BusyScope::~BusyScope() {
    owner_.state_.Busy = wasBusy_;
    if (wasBusy_) return;
    try {
        owner_.UpdateCommandStates();
        if (owner_.state_.CloseRequested) {
            owner_.state_.CloseRequested = false;
            owner_.host_.CloseMainWindow();
        }
    } catch (...) {
    }
}

bool ResultsController::RequestClose() {
    if (!state_.Busy) return true;
    state_.CloseRequested = true;
    return false;
}

void ResultsController::UpdateCommandStates() {
    const bool busy = state_.Busy;
    // A batch run keeps Run disabled until it ends.
    if (page_.cmdButton[0] != nullptr) page_.cmdButton[0]->SetEnabled(!busy && !state_.BatchMode);
    if (page_.cmdButton[1] != nullptr) {
        page_.cmdButton[1]->SetEnabled(!busy && state_.ResultsValid && !state_.DataChangedSinceRun);
    }
    if (page_.cmdButton[3] != nullptr) page_.cmdButton[3]->SetEnabled(!busy);
}

// ---- the run -------------------------------------------------------------------------

void ResultsController::cmdButton_Click(int index) {
    // A button clicked during a run's or a report's yields (keyboard, script) waits.
    if (state_.Busy && index != 2) return;
    // The yield below lets a second click through; it would start a command inside
    // this one.
    if (inButton_) return;
    inButton_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{inButton_};
    SetScreenMousePointer(mousepointer::Hourglass);
    DoEvents();
    switch (index) {
        case 0: {
            BusyScope busy(*this);
            // The run's clear hides the details of the old results; the new ones take
            // their place in the panel the analyst had open.
            const bool detailsShown = SensitivityPanelVisible();
            if (SimulateAppData() && detailsShown) ShowSensitivityMeasures(ShownResultTab());
            RefreshSensitivityDetails();
            break;
        }
        case 1: {
            // The report yields too: nothing may replace the results it is writing.
            BusyScope busy(*this);
            host_.RunReport();
            break;
        }
        case 2: host_.CopyRelativeToAbsolute(); break;
        case 3: ClearResults(true); break;
        default: break;
    }
    SetScreenMousePointer(mousepointer::Default);
}

bool ResultsController::SimulateAppData() {
    mixedPending_ = state_.ResultsValid && state_.DataChangedSinceRun;
    state_.RunSnapshot = AppData;
    state_.ResultsValid = RunSimulationAndShowResults(state_.RunSnapshot, runSeed);
    mixedPending_ = false;
    UpdateCommandStates();
    return state_.ResultsValid;
}

bool ResultsController::RunSimulationAndShowResults(Variant& data, float seed) {
    BusyScope busy(*this);
    bool success = false;
    try {
        ClearResults(false);
        page_.cmdButton[0]->SetEnabled(false);
        state_.PointTotalRisk = SumItems(data, item::kOutcomeRisk, item::kOutcomeRisk + 4);
        state_.PointTotalCost = SumItems(data, item::kStageCost, item::kStageCost + 3);
        DoEvents();

        ProgramSimulationHost simulationHost;
        CMonteCarlo engine(simulationHost);
        engine.SetPRNGToUse(CLng(data(item::kPrng)));
        engine.SetCI(ConfidencePercent(data(item::kConfidenceChoice)));
        const Variant formats = ItemOrEmpty(AppOptions, opt::kExportFormats);
        if (!state_.BatchMode && formats.isArray()) {
            bool any = false;
            for (std::int32_t i = formats.lbound(); i <= formats.ubound() && !any; ++i) {
                any = !formats(i).isEmpty() && CBool(formats(i));
            }
            std::string paths;
            if (any) {
                SetScreenMousePointer(mousepointer::Default);
                DoEvents();
                std::string baseName = state_.ExportBaseName;
                paths = host_.AskExportNames(baseName);
                state_.ExportBaseName = baseName;
                SetScreenMousePointer(mousepointer::Hourglass);
                DoEvents();
            }
            engine.SetExportPaths(paths);
        }

        const Variant input = BuildSimulationInputs(data, true);
        const std::int32_t trials = CLng(data(item::kTrials));
        engine.RunSimulation(input, trials, kFrequencyClasses, seed);
        data(item::kPrngSeed) = engine.Seed();

        StoreEngineResults(state_, engine.Results(), trials);

        if (!state_.BatchMode) {
            BuildSensitivitySummary(engine.R2(-1), engine.Sensitivities(-1));
            for (int i = 0; i < 6; ++i) DrawResultPlot(i);
            AppendResultLines();
            SetHeadings(engine.PRNGToUse() != 0);
            ShowResultBox(ShownResultTab(), true);
            page_.cmdButton[3]->SetVisible(true);
        }
        success = true;
    } catch (...) {
        success = false;
        try {
            ShowGuardedError(CurrentErrorText(), kRunErrorTitle);
        } catch (...) {
        }
    }
    try {
        if (!state_.BatchMode) page_.cmdButton[0]->SetEnabled(true);
    } catch (...) {
    }
    return success;
}

void ResultsController::AppendResultLines() {
    const auto line = [this](double point, int output) {
        const auto m = static_cast<std::size_t>(output);
        const double values[5] = {point, state_.RunSummary.mean[m], state_.RunSummary.sd[m], state_.RunLimits[m][0],
                                  state_.RunLimits[m][1]};
        std::string text;
        for (int i = 0; i < 5; ++i) {
            if (i > 0) text += '\t';
            text += MKelvaro::FormatSigFigs(values[i], 4);
        }
        return text + "\r\n";
    };
    page_.txtMonte[0]->AppendText(line(state_.PointTotalRisk, outcol::kTotalRisk));
    page_.txtMonte[1]->AppendText(line(state_.PointTotalCost, outcol::kTotalCost));
    // The boxes hold lines of different data only once a line has been added.
    if (mixedPending_ && !state_.MixedResults) {
        state_.MixedResults = true;
        MarkMixedResults();
    }
}

void ResultsController::SetHeadings(bool customPrng) {
    for (Label* heading : page_.labMonte) {
        const std::string& caption = heading->Caption();
        const std::size_t colon = caption.find(':');
        if (colon == std::string::npos) continue;
        heading->SetCaption(caption.substr(0, colon + 1) + (customPrng ? " [Custom PRNG]" : ""));
    }
}

void ResultsController::ShowResultBox(int tab, bool visible) {
    if (tab != 0 && tab != 1) return;
    page_.txtMonte[static_cast<std::size_t>(tab)]->SetVisible(visible);
    page_.labMonte[static_cast<std::size_t>(tab)]->SetVisible(visible);
}

void ResultsController::MarkMixedResults() {
    Label* status = page_.labPicMonte[10];
    if (status == nullptr) return;
    Form* form = status->Parent();
    if (form != nullptr) status->SetBackColor(form->BackColor());
    status->SetCaption(kMixedResults);
}

// ---- currency ----------------------------------------------------------------------

void ResultsController::CheckResultsCurrent() {
    if (!state_.RunSnapshot.isArray()) return;
    try {
        state_.DataChangedSinceRun = !DataMatchesSnapshot(AppData, state_.RunSnapshot);
    } catch (...) {
        state_.DataChangedSinceRun = true;
    }
}

void ResultsController::ClearResults(bool full) {
    // A full clear (New, Open, Batch Mode) during a run's yields would hand the run's
    // results to other data.
    if (full && state_.Busy) return;
    state_.ResultsValid = false;
    if (page_.cmdButton[1] != nullptr) page_.cmdButton[1]->SetEnabled(false);
    ClearOwnedClipboard();
    for (QtPictureBox* pic : page_.picMonte) {
        if (pic != nullptr) pic->Cls();
    }
    if (state_.MixedResults) MarkMixedResults();
    state_.SensitivitySummary.reset();
    RefreshSensitivityDetails();
    if (!full) return;
    if (page_.picShowSensMeasures != nullptr) page_.picShowSensMeasures->SetVisible(false);
    for (int i = 0; i < 2; ++i) {
        ShowResultBox(i, false);
        page_.txtMonte[static_cast<std::size_t>(i)]->SetText("");
    }
    page_.cmdButton[3]->SetVisible(false);
    state_.MixedResults = false;
    state_.RunSnapshot = AppData;
    state_.DataChangedSinceRun = false;
}

void ResultsController::ResultsStateTick() {
    CheckResultsCurrent();
    UpdateCommandStates();
    Label* status = page_.labPicMonte[10];
    if (status == nullptr) return;
    // The banner says what holds now: after an edit is undone the mixed results are
    // current again and say so, not that the data changed.
    if (state_.ResultsValid && state_.DataChangedSinceRun) {
        status->SetBackColor(kYellow);
        status->SetCaption(kDataChanged);
        status->SetVisible(true);
    } else if (state_.MixedResults) {
        MarkMixedResults();
        status->SetVisible(true);
    } else {
        status->SetVisible(false);
    }
}

// ---- plots ---------------------------------------------------------------------------

void ResultsController::DrawFrequencyPlot(PictureBox& target, int kind, bool forReport) {
    nuvir::DrawFrequencyPlot(target, kind, forReport, state_);
}

void ResultsController::DrawSensitivityPlot(PictureBox& target, int kind, bool forReport) {
    nuvir::DrawSensitivityPlot(target, kind, forReport, state_);
}

void ResultsController::DrawCumulativePlot(PictureBox& target, int kind, bool forReport) {
    nuvir::DrawCumulativePlot(target, kind, forReport, state_);
}

void ResultsController::DrawResultPlot(int picIndex) {
    if (picIndex < 0 || picIndex > 5) return;
    PictureBox& pic = *page_.picMonte[static_cast<std::size_t>(picIndex)];
    switch (picIndex) {
        case 0: DrawFrequencyPlot(pic, 0, false); break;
        case 1: DrawSensitivityPlot(pic, 0, false); break;
        case 2: DrawFrequencyPlot(pic, 1, false); break;
        case 3: DrawSensitivityPlot(pic, 1, false); break;
        case 4: DrawCumulativePlot(pic, 0, false); break;
        default: DrawCumulativePlot(pic, 1, false); break;
    }
}

bool ResultsController::DrawGuarded(int picIndex, bool showErrors) {
    const bool ok = RunGuarded(showErrors ? GuardPolicy::ShowMessage : GuardPolicy::Swallow, {},
                               "Applying the plot options", [&] { DrawResultPlot(picIndex); });
    if (!ok) {
        RunGuarded(GuardPolicy::Swallow, {}, [&] { page_.picMonte[static_cast<std::size_t>(picIndex)]->Cls(); });
    }
    return ok;
}

void ResultsController::DrawResultPlots() {
    for (int i : {0, 2, 1, 3, 4, 5}) DrawGuarded(i, false);
}

void ResultsController::RedrawAfterOptionsChange() {
    if (state_.ResultsValid) DrawResultPlots();
}

// ---- event wiring --------------------------------------------------------------------

void ResultsController::ConnectPageEvents() {
    // The run's and the report's titles say what failed; Clear's message names itself.
    static const char* const kTitles[4] = {kRunErrorTitle, "Error writing report", "", ""};
    // "&Copy Relative To Absolute" sits on another page and is the window's own.
    for (int i : {0, 1, 3}) {
        CommandButton* b = page_.cmdButton[static_cast<std::size_t>(i)];
        if (b == nullptr) continue;
        QObject::connect(b->Events(), &ControlEvents::Click, b, [this, i, b] {
            const std::string action = *kTitles[i] != '\0' ? std::string() : DisplayCaption(b->Caption()).toStdString();
            RunGuarded(GuardPolicy::ShowMessage, kTitles[i], action, [&] { cmdButton_Click(i); });
            SetScreenMousePointer(mousepointer::Default);
        });
    }
    for (int i = 0; i < 6; ++i) {
        QtPictureBox* pic = page_.picMonte[static_cast<std::size_t>(i)];
        if (pic == nullptr) continue;
        QObject::connect(pic->Events(), &ControlEvents::MouseUp, pic,
                         [this, i](int button, int shift, double x, double y) {
                             RunGuarded(GuardPolicy::Swallow, {}, [&] { picMonte_MouseUp(i, button, shift, x, y); });
                         });
        QObject::connect(pic->Events(), &ControlEvents::MouseMove, pic,
                         [this, i](int button, int shift, double x, double y) {
                             RunGuarded(GuardPolicy::Swallow, {}, [&] { picMonte_MouseMove(i, button, shift, x, y); });
                         });
        QObject::connect(pic->Events(), &ControlEvents::DblClick, pic, [this, i] {
            RunGuarded(GuardPolicy::ShowMessage, {}, "Editing the plot options", [&] { picMonte_DblClick(i); });
        });
    }
    if (TabControl* tab = page_.tabSimulationGraphs) {
        QObject::connect(tab->Events(), &ControlEvents::Click, tab, [this, tab] {
            RunGuarded(GuardPolicy::Swallow, {}, [&] { tabSimulationGraphs_Click(tab->PreviousTab()); });
        });
    }
    for (int i = 0; i < 3; ++i) {
        MenuItem* m = page_.mnuSensPlot[static_cast<std::size_t>(i)];
        if (m == nullptr) continue;
        QObject::connect(m->Events(), &ControlEvents::Click, m,
                         [this, i] { RunGuarded(GuardPolicy::Swallow, {}, [&] { DoSensPlotCommand(i); }); });
    }
    if (FlexGrid* grid = page_.flxShowSensMeasures) {
        QObject::connect(grid->Events(), &ControlEvents::GotFocus, grid, [this] { SensitivityGridFocus(true); });
        QObject::connect(grid->Events(), &ControlEvents::LostFocus, grid, [this] { SensitivityGridFocus(false); });
    }
}

}  // namespace nuvir
