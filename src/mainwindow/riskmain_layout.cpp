// Page layout from the window size, page switching, the cost pages, and the tab order.
#include <algorithm>
#include <vector>

#include "controls/boxarray.h"
#include "mainwindow/riskmain.h"
#include "mainwindow/riskmain_internal.h"
#include "platform/screen.h"
#include "runtime/convert.h"

#include <QScopedValueRollback>
#include <QTabBar>

namespace nuvir {

namespace {

// Height of a tab control's strip of tabs, in twips.
double StripHeight(const TabControl* tab) { return PxToTwipsY(tab->Bar()->sizeHint().height()); }

}  // namespace

void FRiskMain::FormResize() {
    if (FirstActivation() || shuttingDown_) return;
    if (!isMinimized()) {
        ++layoutCount_;
        ArrangeWidths();
        ArrangeHeights();
        FitChainToContainer();
        FitUncertaintyElements();
        results_->ArrangeResultPlots();
    }
    results_->RefreshSensitivityDetails();
}

void FRiskMain::ArrangeWidths() {
    // Never narrower than at start-up, also when a larger window shrinks again.
    tabMain->SetWidth(std::max(Width() - tabMain->Left() - 60 - 2 * FrameWidth, TabWidth));
    for (QtPictureBox* page : picContainer) {
        page->SetLeft(60);
        page->SetWidth(tabMain->Width() - page->Left() - 60);
    }
    picChainContainer->SetLeft(60);
    for (QtPictureBox* view : picUncertainContainer) {
        view->SetLeft(0);
        view->SetWidth(view->Container()->Width());
    }
    if (checkboxArray_) {
        cmdButton[2]->SetLeft(checkboxArray_->Left() + checkboxArray_->Width() + 500);
        const CBoxArray::BoxGrid boxes = checkboxArray_->CheckBoxes();
        if (!boxes.empty() && checkboxArray_->Container() != nullptr) {
            const double gridLeft = checkboxArray_->Container()->Left();
            for (std::size_t j = 0; j < boxes[0].size() && j < vscRelUnc.size(); ++j) {
                if (boxes[0][j] != nullptr) vscRelUnc[j]->SetLeft(gridLeft + boxes[0][j]->Left());
            }
        }
    }
    labRelNum->SetLeft(cmdButton[2]->Left());
    fraNumLevels->SetLeft(labRelNum->Left());
    for (std::size_t i = 0; i < vscRelUnc.size(); ++i) {
        labRelUnc[i]->SetLeft(vscRelUnc[i]->Left() - (labRelUnc[i]->Width() - vscRelUnc[i]->Width()) / 2);
    }
    // The hint wraps in the room left of the first slider and its percentage label.
    const double sliderColumn = std::min(vscRelUnc[0]->Left(), labRelUnc[0]->Left());
    labRelSliders->SetWidth(std::max(600.0, sliderColumn - labRelSliders->Left() - 120));
    tabAbsolute->SetLeft(0);
    tabAbsolute->SetWidth(tabAbsolute->Container()->Width());
    for (QtPictureBox* host : picAbsoluteContainer) {
        host->SetLeft(30);
        host->SetWidth(host->Container()->Width() - host->Left() - 30);
    }
    tabSimulationGraphs->SetLeft(0);
    tabSimulationGraphs->SetWidth(tabSimulationGraphs->Container()->Width());
    labPicMonte[10]->SetWidth(std::max(600.0, labPicMonte[10]->Container()->Width() - labPicMonte[10]->Left() - 60));
}

void FRiskMain::ArrangeHeights() {
    tabMain->SetHeight(std::max(Height() - tabMain->Top() - 120 - FrameHeight - CaptionHeight - MenuHeight, TabHeight));
    for (QtPictureBox* page : picContainer) {
        page->SetTop(StripHeight(tabMain) + 60);
        page->SetHeight(tabMain->Height() - page->Top() - 60);
    }
    picChainContainer->SetTop(txtTextBox[0]->Top() + txtTextBox[0]->Height() + 200);
    for (QtPictureBox* view : picUncertainContainer) {
        view->SetTop(300);
        view->SetHeight(view->Container()->Height() - view->Top());
    }
    if (checkboxArray_) cmdButton[2]->SetTop(checkboxArray_->Top() + 500);
    labRelNum->SetTop(cmdButton[2]->Top() + cmdButton[2]->Height() + 1000);
    fraNumLevels->SetTop(labRelNum->Top() + labRelNum->Height() + 30);
    tabAbsolute->SetTop(200);
    tabAbsolute->SetHeight(tabAbsolute->Container()->Height() - tabAbsolute->Top());
    for (QtPictureBox* host : picAbsoluteContainer) {
        host->SetTop(StripHeight(tabAbsolute) + 60);
        host->SetHeight(host->Container()->Height() - host->Top());
    }
    tabSimulationGraphs->SetTop(txtMonte[0]->Top() + txtMonte[0]->Height() + 120);
    tabSimulationGraphs->SetHeight(tabSimulationGraphs->Container()->Height() - tabSimulationGraphs->Top());
}

void FRiskMain::FitChainToContainer() {
    const double chainW = ChainSize[2] - ChainSize[0];
    // The totals hang below the stages: fit the height of the whole drawing, so they
    // never fall off a short page.
    const double chainH = std::max(ChainSize[1] - ChainSize[3], chain_->DrawingDepth());
    if (chainW <= 0 || chainH <= 0) return;
    const double aspect = chainH / chainW;
    Control* page = picChainContainer->Container();
    const double h = page->Height() - picChainContainer->Top() - 60;
    const double w = page->Width() - picChainContainer->Left() - 60;
    if (w <= 0 || h <= 0) return;
    if (h / w >= aspect) {
        picChainContainer->SetWidth(w);
        picChainContainer->SetHeight(aspect * w);
    } else {
        picChainContainer->SetHeight(h);
        picChainContainer->SetWidth(h / aspect);
    }
    chain_->SetScaleFactor(0.98 * picChainContainer->Height() / chainH);
    picChainContainer->SetHeight(page->Height() - picChainContainer->Top());
    chain_->Render();
}

void FRiskMain::FitUncertaintyElements() {
    QtPictureBox* view = picUncertainContainer[1];
    Control* container = view->Container();
    if (auto* form = dynamic_cast<Form*>(container)) {
        view->SetHeight(form->ScaleHeight() - view->Top() - 60);
        view->SetWidth(form->ScaleWidth() - view->Left() - 60);
    } else {
        view->SetHeight(container->Height() - view->Top() - 60);
        view->SetWidth(container->Width() - view->Left() - 60);
    }
    // The view has just been made smaller than its page: its tab control and the
    // editors' pages follow it, or they would run past its edges.
    tabAbsolute->SetWidth(view->Width());
    tabAbsolute->SetHeight(view->Height() - tabAbsolute->Top());
    for (QtPictureBox* host : picAbsoluteContainer) {
        host->SetWidth(tabAbsolute->Width() - host->Left() - 30);
        host->SetHeight(tabAbsolute->Height() - host->Top());
    }
    RenderEditors();
}

void FRiskMain::RenderEditors() {
    // Re-showing the editors must not write their old spreads back into the data.
    const QScopedValueRollback suppress(SuppressDataChanged, true);
    uncertainty_->Render();
}

void FRiskMain::TabMainClick(int previousTab) {
    if (previousTab >= 0 && previousTab < 3) picContainer[previousTab]->SetVisible(false);
    picContainer[tabMain->Tab()]->SetVisible(true);
    if (!picContainer[0]->Visible()) SyncChainToAppData();
    SetPageTabOrder(tabMain->Tab());
    picShowSensMeasures->SetVisible(false);
    // The plots get their room from the page they are shown on.
    if (tabMain->Tab() == 2) results_->ArrangeResultPlots();
}

void FRiskMain::TabAbsoluteClick(int previousTab) {
    if (previousTab >= 0 && previousTab < 2) picAbsoluteContainer[previousTab]->SetVisible(false);
    picAbsoluteContainer[tabAbsolute->Tab()]->SetVisible(true);
    SetPageTabOrder(tabMain->Tab());
}

void FRiskMain::ApplyCostsVisibility() {
    for (TabControl* tab : {tabSimulationGraphs, tabAbsolute}) {
        if (!ShowCosts && tab->Tab() == 1) tab->SetTab(0);
        tab->SetTabEnabled(1, ShowCosts);
    }
    UpdateCheckGridRows(item::kCategoricalCosts);
    BuildCheckboxCaptions();
}

// ---- tab order -------------------------------------------------------------------------

void FRiskMain::SetPageTabOrder(int page) {
    SetTabStops(false);
    tabMain->SetTabStop(true);
    tabMain->SetTabIndex(0);
    int counter = 0;
    auto put = [&](Control* c) {
        // A run-time control that is missing (a grid not yet rebuilt) is skipped
        // rather than ending the program.
        if (c == nullptr) return;
        c->SetTabStop(true);
        c->SetTabIndex(++counter);
    };
    auto putNamed = [&](const std::string& name) { put(Find(name)); };
    auto putEditors = [&](int first, int last) {
        put(tabAbsolute);
        for (int k = first; k <= last; ++k) {
            const std::string n = CStr(Variant(k));
            putNamed("uncElemCboDt" + n);
            putNamed("uncElemTxtCv" + n);
            putNamed("uncElemSlider" + n);
        }
    };
    switch (page) {
        case 0:
            put(txtTextBox[0]);
            put(txtTextBox[1]);
            break;
        case 1:
            if (optUncertain[0]->Value()) {
                const int last = GetNumRelUncLevels() == 4 ? 3 : 4;
                put(cmdButton[2]);
                for (int r = 0; r < item::kQuantities; ++r) {
                    for (int c = 0; c <= last; ++c) {
                        putNamed("chkArray1_" + CStr(Variant(r)) + "_" + CStr(Variant(c)));
                    }
                }
                for (int k = 0; k <= last; ++k) put(vscRelUnc[k]);
            } else if (tabAbsolute->Tab() == 0) {
                putEditors(1, 9);
            } else {
                putEditors(10, 13);
            }
            break;
        case 2:
            put(txtTextBox[2]);
            put(cboConfidence);
            put(cmdButton[0]);
            put(cmdButton[1]);
            put(tabSimulationGraphs);
            put(cmdButton[3]);
            break;
        default: break;
    }
}

bool FRiskMain::focusNextPrevChild(bool next) {
    // Tab walks the controls of the form by their tab indexes, those with a tab stop
    // that can be seen and used; a tab control takes the focus on its strip of tabs.
    std::vector<std::pair<int, QWidget*>> stops;
    for (Control* c : Controls()) {
        QWidget* w = c->Widget();
        if (w == nullptr || !c->TabStop() || w->focusPolicy() == Qt::NoFocus) continue;
        if (!w->isVisibleTo(this) || !w->isEnabled()) continue;
        if (auto* tab = dynamic_cast<TabControl*>(c)) w = tab->Bar();
        stops.emplace_back(c->TabIndex(), w);
    }
    if (stops.empty()) return true;
    std::stable_sort(stops.begin(), stops.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QWidget* focus = focusWidget();
    const Control* current = focus != nullptr ? Control::Of(focus) : nullptr;
    std::ptrdiff_t at = -1;
    for (std::size_t i = 0; i < stops.size(); ++i) {
        if (stops[i].second == focus || (current != nullptr && Control::Of(stops[i].second) == current)) {
            at = static_cast<std::ptrdiff_t>(i);
            break;
        }
    }
    const auto n = static_cast<std::ptrdiff_t>(stops.size());
    const std::ptrdiff_t to = at < 0 ? (next ? 0 : n - 1) : ((at + (next ? 1 : -1)) % n + n) % n;
    stops[static_cast<std::size_t>(to)].second->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

}  // namespace nuvir
