// The layout of the result plots on the two sub-tabs, the sub-tab switch, the mouse
// over the sensitivity bars, and the plot axis options.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "appdata/appdata.h"
#include "appdata/ini.h"
#include "appdata/options.h"
#include "numerics/numerics.h"
#include "platform/controls.h"
#include "platform/handlerguard.h"
#include "platform/multilinetextbox.h"
#include "platform/profile.h"
#include "platform/qtpicturebox.h"
#include "platform/screen.h"
#include "platform/services.h"
#include "platform/windowutilities.h"
#include "results/resultplots.h"
#include "results/resultscontroller.h"
#include "runtime/convert.h"

namespace nuvir {

void ResultsController::ArrangeResultPlots() {
    Control* container = page_.picMonte[0]->Container();
    if (container == nullptr) return;
    // A window made very small must not give negative sizes, which the controls refuse.
    const double onePixelX = PxToTwipsX(1);
    const double onePixelY = PxToTwipsY(1);
    const double w = std::max(onePixelX, (container->Width() - 480 - 200) / 3);
    auto& lab = page_.labPicMonte;
    lab[0]->SetLeft(240);
    lab[2]->SetLeft(240);
    lab[1]->SetLeft(lab[0]->Left() + w + 100);
    lab[4]->SetLeft(lab[1]->Left() + w + 100);
    lab[3]->SetLeft(lab[2]->Left() + w + 100);
    lab[5]->SetLeft(lab[3]->Left() + w + 100);
    for (std::size_t i = 0; i < 6; ++i) {
        page_.picMonte[i]->SetLeft(lab[i]->Left());
        page_.picMonte[i]->SetWidth(w);
    }
    for (QtPictureBox* pic : page_.picMonte) {
        Control* c = pic->Container();
        pic->SetHeight(std::max(onePixelY, c->Height() - pic->Top() - 60));
    }
    if (state_.ResultsValid) DrawResultPlots();
}

void ResultsController::tabSimulationGraphs_Click(int previousTab) {
    const int tab = page_.tabSimulationGraphs->Tab();
    ShowResultBox(previousTab, false);
    ShowResultBox(tab, true);
    if (tab == 0 || tab == 1) {
        const bool costs = tab == 1;
        for (int i : {2, 3, 5}) page_.picMonte[static_cast<std::size_t>(i)]->SetVisible(costs);
        for (int i : {0, 1, 4}) page_.picMonte[static_cast<std::size_t>(i)]->SetVisible(!costs);
        page_.labPicMonte[5]->SetVisible(costs);
        page_.labPicMonte[4]->SetVisible(!costs);
    }
    RefreshSensitivityDetails();
}

void ResultsController::picMonte_DblClick(int index) { EditPlotOptions(index); }

void ResultsController::picMonte_MouseMove(int index, int /*button*/, int /*shift*/, double x, double y) {
    if (index != 1 && index != 3) return;
    if (!SensitivityPanelVisible()) return;
    const double bar = std::floor(x + 0.3);
    if (std::fabs(bar - x) > 0.3) {
        MarkSensitivityRow(-1);
        return;
    }
    const int b = static_cast<int>(bar);
    const int input = index == 1 || b <= 3 ? b : b + 5;
    double test = 0.0;
    if (input >= 0 && input < item::kQuantities) {
        double v = state_.RunRankCorrelations[static_cast<std::size_t>(input)][index == 1 ? 0 : 1];
        if (v == NumericLimits::LowestDouble) v = 0.0;
        test = (v - y) * AuxFunctions::Sign(static_cast<float>(y));
    }
    MarkSensitivityRow(test >= -0.05 ? b : -1);
}

void ResultsController::EditPlotOptions(int index) {
    const int type = PlotTypeOfPicture(index);
    if (type < 0) return;
    state_.EditedPlotType = type;
    const auto r = MUtilities::GetControlScreenRect(*page_.picMonte[static_cast<std::size_t>(index)], false);
    const bool changed = host_.EditPlotOptions(type, r[0], r[1]);
    if (changed && state_.ResultsValid) DrawGuarded(index, true);
}

void ResultsController::SavePlotOptionsToIni() {
    static const char* const kKeys[6] = {"PandI Monte Carlo", "PandI Sensitivity", "PandI Cumulative",
                                         "Costs Monte Carlo", "Costs Sensitivity", "Costs Cumulative"};
    std::string file;
    TryStep([&] { file = GetOptionsIniFileName(); });
    std::vector<IniEntry> entries;
    for (int t = 0; t < 6; ++t) {
        const int itemNo = opt::kPlotOptions + t;
        try {
            const auto old = PlotOptions(AppOptions, itemNo);
            Variant n = Variant::MakeArray(VarType::Generic, {{0, 7}});
            for (int i = 0; i < 8; ++i) {
                Variant v = old[static_cast<std::size_t>(i)];
                if (v.isEmpty()) v = "";
                if (!v.isArray() && !v.isEmpty() && IsNumeric(v) && !(v.isString() && v.rawString().empty())) {
                    n(i) = v;
                } else {
                    n(i) = (i == 3 || i == 7) ? "" : "Auto";
                }
            }
            AppOptions(itemNo) = n;
            entries.push_back({"Plot Options", kKeys[t], n});
        } catch (...) {
        }
    }
    // The analyst asked for this save: a file that refuses it says so (the keys go in one
    // write, so it then keeps every old byte).
    bool written = false;
    std::string cause;
    try {
        written = WriteIniValues(file, entries);
        if (!written) cause = profile::LastFailureCause();
    } catch (...) {
        cause = CurrentErrorText();
    }
    if (!written) MsgBox(SaveFailureMessage(file, cause), mb::OKOnly, kPlotOptionsSaveErrorTitle);
}

}  // namespace nuvir
