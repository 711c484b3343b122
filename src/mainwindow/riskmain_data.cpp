// The assessment in the window: filling the controls from AppData, the chain's values
// back into it, the categorical switches, the uncertainty mode, the inputs page and the
// relative-uncertainty page.
#include <QScopedValueRollback>

#include <algorithm>
#include <cmath>

#include "appdata/options.h"
#include "controls/boxarray.h"
#include "mainwindow/pagerules.h"
#include "mainwindow/riskmain.h"
#include "mainwindow/riskmain_internal.h"
#include "platform/formcolours.h"
#include "runtime/convert.h"
#include "utilities/formatting.h"
#include "utilities/utilities_rounding.h"

namespace nuvir {

namespace {

// Element `e` of a three-number record, or 0 when the item holds none.
double RecordElement(int index, int e) { return ItemNumber(ItemOrEmpty(AppData, index), e); }

void SetRecordElement(int index, int e, const Variant& value) {
    TryStep([&] {
        if (AppData(index).get().isArray()) AppData(index)(e) = value;
    });
}

// The key of quantity k in files and state strings: p1..p4, I1..I5, FC1..FC4.
std::string QuantityKey(int k) {
    if (k < item::kI1) return "p" + std::to_string(k + 1);
    if (k < item::kF1) return "I" + std::to_string(k - item::kI1 + 1);
    return "FC" + std::to_string(k - item::kF1 + 1);
}

// The first quantity whose value has no 4-figure text (the rounding carries it past
// the largest Double, or it is no finite number), as "I1 (1.79769313486232E+308)".
std::string ValueAtFault() {
    for (int k = 0; k < item::kQuantities; ++k) {
        const double v = ItemNumber(AppData, item::PointValue(k));
        if (!std::isfinite(v) || !TryStep([&] { MUtilities::RoundSigFigs(v, 4); }))
            return QuantityKey(k) + " (" + FormatDouble(v) + ")";
    }
    return {};
}

}  // namespace

// ---- filling the window ----------------------------------------------------------------

bool FRiskMain::ShowAssessment() {
    try {
        ApplyAppDataToControls();
        // At start-up the message waits for the window to be up (see FormActivate).
        if (!FirstActivation()) SayDistributionFaults();
        return true;
    } catch (const std::exception& e) {
        // A start-up that stopped here would be tried again, and fail again, at every
        // activation of a blank window: the window comes up with what could be shown.
        const auto* error = dynamic_cast<const AppError*>(&e);
        const std::string cause = error ? error->description() : std::string(e.what());
        const std::string value = ValueAtFault();
        MsgBox((value.empty() ? "The assessment could not be shown in full"
                              : "The value of " + value + " could not be shown") +
                   " (" + cause + ").",
               mb::OKOnly | mb::Exclamation, mainwindow::kProductName);
        return false;
    }
}

void FRiskMain::SayDistributionFaults() {
    // A code no editor has opened without a word before, and the editors showed a
    // spread the data do not hold.
    const DistributionFaults faults = DistributionCodesAtFault(AppData);
    if (faults.count == 0) return;
    const bool one = faults.count == 1;
    MsgBox("The distribution code of " + faults.first + " names no distribution" +
               (one ? std::string() : " (nor do " + std::to_string(faults.count - 1) + " more)") +
               (one ? ". Its editor shows it as invalid until a distribution is chosen there; until then a run "
                      "with absolute uncertainty stops at it."
                    : ". Their editors show them as invalid until distributions are chosen there; until then a "
                      "run with absolute uncertainty stops at them."),
           mb::OKOnly | mb::Exclamation, mainwindow::kProductName);
}

void FRiskMain::ApplyAppDataToControls() {
    if (!AppData.isArray()) return;
    // The editors are refilled here: their change reports must not write the spreads
    // they showed before into the data being shown.
    const QScopedValueRollback suppress(SuppressDataChanged, true);

    for (int i = 0; i < 3; ++i) txtTextBox[i]->SetText(TextOf(AppData(i)));

    std::array<double, 5> levels{};
    for (int k = 0; k < 5; ++k) levels[k] = ItemNumber(AppData, item::kLevel0 + k);
    const auto values = pagerules::LevelSliderValues(levels);
    for (int k = 0; k < 5; ++k) vscRelUnc[k]->SetValue(values[k]);
    // A slider already at its value raised no change: run every slider's handling once
    // more, unmarked, so each item and label equals what the slider shows.
    for (int k = 0; k < 5; ++k) {
        const std::string mark = vscRelUnc[k]->Tag();
        vscRelUnc[k]->SetTag("");
        OnLevelSliderChanged(k);
        LevelLabelChange(k);
        vscRelUnc[k]->SetTag(mark);
    }

    ArrangeWidths();
    ArrangeHeights();
    FitChainToContainer();
    SyncAppDataToCheckGrid();
    if (!uncertainty_->HasHost()) uncertainty_->SetHost(picAbsoluteContainer);

    if (ItemNumber(AppData, item::kUncertaintyMode) == 0) {
        optUncertain[1]->SetValue(false);
        optUncertain[0]->SetValue(true);
    } else {
        optUncertain[0]->SetValue(false);
        optUncertain[1]->SetValue(true);
    }

    // A count other than 4 shows five levels. The handling runs whether or not the
    // value changed, so the grid always matches item 3.
    const int numLevels = ItemNumber(AppData, item::kNumRelUncLevels, 4) == 4 ? 4 : 5;
    const bool levelsChange = updNumLevels->Value() != numLevels;
    updNumLevels->SetValue(numLevels);
    if (!levelsChange) NumLevelsChange();

    ShowUncertaintyMode();
    FitUncertaintyElements();
    // The start-up lays the pages out without a resize: the plots too.
    results_->ArrangeResultPlots();
    chain_->SetData(AppData);
    chain_->Render();
    Colour plotBack = 0xFFFFFF;
    if (AppOptions.isArray()) TryStep([&] { plotBack = CLng(AppOptions(opt::kColourPlotBackground)); });
    for (QtPictureBox* plot : picMonte) plot->SetBackColor(plotBack);
    mnuOptions[0]->SetChecked(ItemNumber(AppData, item::kPrng) != 0);
    mnuOptions[3]->SetChecked(ItemFlag(AppData, item::kCategoricalImpacts));
    mnuOptions[4]->SetChecked(ItemFlag(AppData, item::kCategoricalCosts));
    UpdateCheckGridRows(item::kCategoricalCosts);
    UpdateCheckGridRows(item::kCategoricalImpacts);

    // A hand-edited file may name an entry the list does not have: show and keep a
    // valid one, so the run never reads an index of nothing.
    const double wanted = ItemNumber(AppData, item::kConfidenceChoice, 1);
    const int confidence = std::isnan(wanted) ? 1 : static_cast<int>(std::clamp(std::round(wanted), 0.0, 2.0));
    AppData(item::kConfidenceChoice) = Variant(static_cast<std::int16_t>(confidence));
    cboConfidence->SetListIndex(confidence);
}

void FRiskMain::SyncChainToAppData() {
    chainEntryPending_ = false;
    if (!AppData.isArray()) return;
    const Variant data = chain_->GetData();
    if (!data.isArray()) return;
    for (int i = data.lbound(); i <= data.ubound(); ++i) AppData(i) = Variant(CDbl(data(i)));
    for (int k = 0; k < item::kQuantities; ++k) SetRecordElement(item::Absolute(k), 0, data(item::PointValue(k)));
    for (int k = 0; k < item::kQuantities; ++k) SetRecordElement(item::Relative(k), 0, data(item::PointValue(k)));
    uncertainty_->SetData();
    BuildCheckboxCaptions(data);
}

void FRiskMain::ApplyCategoryDataSwitch(int itemNumber) {
    SyncChainToAppData();
    if (!ItemFlag(AppData, item::kConformCategories)) {
        if (ItemFlag(AppData, itemNumber)) {
            chain_->CheckCategoryData();
            SyncChainToAppData();
        }
    } else {
        chain_->SetCategoryDataRestrictive();
        // The master tables set the stages' values: the data and the editors take them
        // now, not when "Ps and Qs" is next shown.
        SyncChainToAppData();
    }
    chain_->Render();
    RenderEditors();
    UpdateCheckGridRows(itemNumber);
    ClearResults(true);
}

void FRiskMain::ShowUncertaintyMode() {
    if (!AppData.isArray()) return;
    if (optUncertain[0]->Value()) {
        AppData(item::kUncertaintyMode) = Variant(0);
        picUncertainContainer[0]->SetVisible(true);
        picUncertainContainer[1]->SetVisible(false);
    } else {
        AppData(item::kUncertaintyMode) = Variant(1);
        picUncertainContainer[0]->SetVisible(false);
        picUncertainContainer[1]->SetVisible(true);
        picAbsoluteContainer[tabAbsolute->Tab()]->SetVisible(true);
        if (!FirstActivation()) RenderEditors();
    }
    if (!FirstActivation()) SetPageTabOrder(tabMain->Tab());
}

void FRiskMain::UncertaintyElementsDataChanged(int id) {
    if (SuppressDataChanged || shuttingDown_) return;
    uncertainty_->UpdateAppData(id);
}

void FRiskMain::CommitChainEdit() {
    if (txtChainEditBox->Visible() && !txtChainEditBox->Tag().empty()) {
        chain_->CommitEdit(txtChainEditBox->Tag().substr(1));
    } else if (!chainEntryPending_) {
        return;
    }
    // The box also stores and closes itself, on Enter or as it loses the focus (a press
    // on the page takes the focus before the page's Click): a command given before the
    // next sync tick must not act on the old value.
    SyncChainToAppData();
}

// ---- inputs page -----------------------------------------------------------------------

void FRiskMain::TextBoxChange(int index) {
    TextBox* box = txtTextBox[index];
    if (box->Tag().empty() || !AppData.isArray()) return;
    if (index < 2) {
        const std::string text = box->Text();
        // Refused whole, not cut: the box shows the name kept, and says why.
        if (const std::string fault = NameLengthFault(index, text); !fault.empty()) {
            box->SetText(TextOf(AppData(index)));
            MsgBox("The change was not made: " + fault + ".", mb::OKOnly | mb::Exclamation, mainwindow::kProductName);
            return;
        }
        AppData(index) = Variant(text);
    } else if (const auto trials = pagerules::TrialsFromText(box->Text())) {
        AppData(item::kTrials) = Variant(*trials);
    }
}

void FRiskMain::TextBoxGotFocus(int index) {
    txtTextBox[index]->SetTag("1");
    if (index < 2) SetTabStops(true);
}

void FRiskMain::TextBoxValidate(int index) {
    txtTextBox[index]->SetTag("");
    if (index == 2 && AppData.isArray()) txtTextBox[2]->SetText(TextOf(AppData(item::kTrials)));
}

void FRiskMain::ConfidenceClick() {
    if (!AppData.isArray() || cboConfidence->ListIndex() < 0) return;
    AppData(item::kConfidenceChoice) = Variant(static_cast<std::int16_t>(cboConfidence->ListIndex()));
}

// ---- relative-uncertainty page ------------------------------------------------------------

void FRiskMain::OnLevelSliderChanged(int index) {
    const int v = vscRelUnc[index]->Value();
    labRelUnc[index]->SetCaption(CStr(Variant(v)) + "%");
    if (!vscRelUnc[index]->Tag().empty()) {
        for (int k = index - 1; k >= 0; --k) {
            if (vscRelUnc[k]->Value() > v) vscRelUnc[k]->SetValue(v);
        }
        for (int k = index + 1; k < 5; ++k) {
            if (vscRelUnc[k]->Value() < v) vscRelUnc[k]->SetValue(v);
        }
    }
    SetRelUncLabels();
}

void FRiskMain::LevelLabelChange(int index) {
    if (!AppData.isArray()) return;
    const double x = pagerules::LevelFromCaption(labRelUnc[index]->Caption());
    AppData(item::kLevel0 + index) = x == std::floor(x) ? Variant(static_cast<std::int16_t>(x)) : Variant(x);
}

void FRiskMain::SetRelUncLabels() {
    const int n = GetNumRelUncLevels();
    const int last = n == 4 ? 3 : 4;
    for (int i = 0; i <= last; ++i) {
        labRelUnc[i]->SetToolTipText(pagerules::LevelWording(i, n == 4 ? 4 : 5) + labRelUnc[i]->Caption());
    }
}

std::int32_t FRiskMain::GetNumRelUncLevels() const {
    std::int32_t n = 4;
    TryStep([&] { n = nuvir::GetNumRelUncLevels(AppData); });
    return n;
}

void FRiskMain::NumLevelsChange() {
    if (AppData.isArray()) AppData(item::kNumRelUncLevels) = Variant(static_cast<std::int32_t>(updNumLevels->Value()));
    labNumLevels->SetCaption(CStr(Variant(updNumLevels->Value())));
    BuildRelativeUncertaintyGrid();
}

void FRiskMain::BuildRelativeUncertaintyGrid() {
    const int n = GetNumRelUncLevels();
    const int columns = n == 4 ? 4 : 5;
    bool rebuilt = false;
    if (AppData.isArray() && checkboxArray_ && checkboxArray_->Cols() != columns) {
        checkboxArray_->SetContainer(nullptr);
        checkboxArray_.reset();
        rebuilt = true;
    }
    if (!checkboxArray_) {
        QtPictureBox* view = picUncertainContainer[0];
        const bool wasVisible = view->Visible();
        view->SetVisible(false);
        checkboxArray_ = std::make_unique<CBoxArray>();
        checkboxArray_->SetFont(BoxArrayFont{"MS San Serif", 10.0, false});
        checkboxArray_->SetColTextOrientation(0);
        checkboxArray_->SetUniqueness(2);
        checkboxArray_->SetBoxXSpacing(static_cast<std::int32_t>(vscRelUnc[1]->Left() - vscRelUnc[0]->Left()));
        checkboxArray_->SetBoxYSpacing(320);
        std::vector<Variant> colCaptions;
        colCaptions.reserve(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c) colCaptions.emplace_back(pagerules::LevelColumnCaption(c, columns));
        checkboxArray_->SetColSet(Variant::List(colCaptions));
        std::vector<Variant> provisional(item::kQuantities, Variant(std::string("p1:    0.00")));
        provisional[8] = Variant(std::string("I5: 0.000E-00"));
        checkboxArray_->SetRowSet(Variant::List(provisional));
        checkboxArray_->SetForeColor(0);
        checkboxArray_->SetBackColor(view->BackColor());
        checkboxArray_->SetContainer(view);
        checkboxArray_->SetTop(0);
        checkboxArray_->SetHeight(static_cast<std::int32_t>(vscRelUnc[0]->Top() - 400 - checkboxArray_->Top()));
        checkboxArray_->SetLeft(static_cast<std::int32_t>(optUncertain[0]->Left()));
        checkboxArray_->SetWidth(7000);
        checkboxArray_->SetAllowEdit(true);
        std::vector<Variant> rows;
        for (const char* r :
             {"p1:", "p2:", "p3:", "p4:", "I1:", "I2:", "I3:", "I4:", "I5:", "F1:", "F2:", "F3:", "F4:"})
            rows.emplace_back(std::string(r));
        checkboxArray_->SetRowSet(Variant::List(rows));
        // Five levels need more room than the design's width: the last column's boxes
        // and caption stay inside the grid's border.
        checkboxArray_->SetWidth(std::max<std::int32_t>(7000, checkboxArray_->NeededWidth()));
        ConnectGrid();
        const CBoxArray::BoxGrid boxes = checkboxArray_->CheckBoxes();
        if (columns == 5 && !boxes.empty() && boxes[0].size() > 4 && boxes[0][4] != nullptr) {
            vscRelUnc[4]->SetLeft(checkboxArray_->Container()->Left() + boxes[0][4]->Left());
            labRelUnc[4]->SetLeft(vscRelUnc[4]->Left() - (labRelUnc[4]->Width() - vscRelUnc[4]->Width()) / 2);
            vscRelUnc[4]->SetVisible(true);
            labRelUnc[4]->SetVisible(true);
        } else if (columns == 4) {
            vscRelUnc[4]->SetVisible(false);
            vscRelUnc[4]->SetTag("");
            labRelUnc[4]->SetVisible(false);
        }
        if (rebuilt) {
            SyncAppDataToCheckGrid();
            // The captions read the values the data holds: asking the chain here would
            // also write its tables into the data before the chain has been refilled.
            BuildCheckboxCaptions(AppData);
            UpdateCheckGridRows(item::kCategoricalCosts);
            UpdateCheckGridRows(item::kCategoricalImpacts);
        }
        view->SetVisible(wasVisible);
        // The commands beside the grid follow its width.
        if (rebuilt && !FirstActivation()) ArrangeWidths();
    }
    if (AppData.isArray()) {
        labRelSliders->SetCaption("Use sliders to set the actual risk value associated with each of the " +
                                  TextOf(AppData(item::kNumRelUncLevels)) + " risk categories");
    }
}

void FRiskMain::ConnectGrid() {
    connect(checkboxArray_.get(), &CBoxArray::Validate, this,
            [this](std::int16_t row, std::int16_t col, const Variant&) {
                mainwindow::Guard("Choosing an input's uncertainty level", [&] { CheckboxArrayValidate(row, col); });
            });
}

void FRiskMain::SyncAppDataToCheckGrid() {
    if (!checkboxArray_ || !AppData.isArray()) return;
    Variant states = checkboxArray_->CheckArray();
    if (states.dims() != 2) return;
    const int lastRow = states.ubound(1);
    const int lastCol = states.ubound(2);
    for (int r = 0; r <= lastRow && r < item::kQuantities; ++r) {
        for (int c = 0; c <= lastCol; ++c) states(r, c) = Variant(false);
        const double level = RecordElement(item::Relative(r), 2);
        const int c = static_cast<int>(std::clamp(std::round(std::isnan(level) ? 0.0 : level), 0.0, double(lastCol)));
        states(r, c) = Variant(true);
    }
    checkboxArray_->SetCheckArray(states);
}

void FRiskMain::CheckboxArrayValidate(int row, int col) {
    if (row < 0 || row >= item::kQuantities) return;
    SetRecordElement(item::Relative(row), 2, Variant(static_cast<std::int16_t>(col)));
}

void FRiskMain::UpdateCheckGridRows(int itemNumber) {
    if (!checkboxArray_ || !AppData.isArray()) return;
    if (itemNumber == item::kCategoricalImpacts) {
        const bool show = !ItemFlag(AppData, item::kCategoricalImpacts);
        for (int r = 4; r <= 8; ++r) checkboxArray_->SetRowVisibility(r, show);
    } else if (itemNumber == item::kCategoricalCosts) {
        const bool show = !ItemFlag(AppData, item::kCategoricalCosts) && !ItemFlag(AppOptions, opt::kHideCosts);
        for (int r = 9; r <= 12; ++r) checkboxArray_->SetRowVisibility(r, show);
    }
}

void FRiskMain::BuildCheckboxCaptions(const Variant& data) {
    if (!checkboxArray_) return;
    const Variant values = data.isArray() ? data : chain_->PointValues();
    if (!values.isArray()) return;
    const auto measure = MKelvaro::PictureTextWidth(*picUncertainContainer[0]);
    std::vector<Variant> captions;
    for (int k = 0; k < item::kQuantities; ++k) {
        const double v = ItemNumber(values, item::PointValue(k));
        std::string caption;
        if (k < 4) {
            caption = "p" + CStr(Variant(k + 1)) + ":    " + MKelvaro::FormatDecimals(v);
        } else if (k < 9) {
            caption = "I" + CStr(Variant(k - 3)) + ":    " + MKelvaro::FormatSigFigs(measure, v, 4);
        } else if (ShowCosts) {
            caption = "F" + CStr(Variant(k - 8)) + ":    " + MKelvaro::FormatSigFigs(measure, v, 4);
        }
        captions.emplace_back(caption);
    }
    checkboxArray_->SetRowSet(Variant::List(captions));
}

void FRiskMain::CopyRelativeToAbsolute() {
    if (!AppData.isArray()) return;
    // The run uses no level above the highest shown; neither does the copy.
    const int top = GetNumRelUncLevels() == 4 ? 3 : 4;
    for (int r = 0; r < item::kQuantities; ++r) {
        SetRecordElement(item::Absolute(r), 1, Variant(0.0));
        const double index = RecordElement(item::Relative(r), 2);
        const int level = static_cast<int>(std::clamp(std::round(std::isnan(index) ? 0.0 : index), 0.0, double(top)));
        const double percent = ItemNumber(AppData, item::kLevel0 + level);
        const double mean = RecordElement(item::Absolute(r), 0);
        SetRecordElement(item::Absolute(r), 2, Variant(UniformSpreadSD(mean, percent)));
    }
    RenderEditors();
}

}  // namespace nuvir
