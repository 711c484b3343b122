#include "dialogs/plotoptions.h"

#include <QFont>

#include "appdata/appdata.h"
#include "appdata/options.h"
#include "dialogs/guard.h"
#include "platform/controls.h"
#include "platform/screen.h"
#include "runtime/convert.h"

namespace nuvir {

namespace {

constexpr int kBoxes = 8;
constexpr const char* kAuto = "{Auto}";

int ElementOf(int box) { return (box + 4) % kBoxes; }

// A number, or automatic: Empty, "", "Auto" and any other text that is no number
// are one kind, so options saved as texts compare equal to what the boxes give back.
bool IsNumberValue(const Variant& v) { return !v.isEmpty() && !v.isArray() && IsNumeric(v); }

}  // namespace

const std::array<const char*, 6>& PlotTypeTitles() {
    static const std::array<const char*, 6> titles = {
        "P and I Monte Carlo Plot",          "P and I Sensitivity Plot",          "P and I Cumulative Impacts Plot",
        "Management Costs Monte Carlo Plot", "Management Costs Sensitivity Plot", "Management Costs Cumulative Plot"};
    return titles;
}

std::string NormaliseTicksText(const std::string& text) {
    if (!IsNumericText(text)) return text;
    return FormatDouble(PlotTickCount(CDbl(Variant(text))));
}

// ---- the rules ---------------------------------------------------------------------------

PlotAxisOptionsEditor::PlotAxisOptionsEditor(Variant* options) : options_(options) {}

Variant& PlotAxisOptionsEditor::Options() const { return options_ != nullptr ? *options_ : AppOptions; }

std::string PlotAxisOptionsEditor::SetPlotType() {
    working_ = Variant();
    if (PlotType < 0 || PlotType > 5) return "Options for ????";
    const int item = opt::kPlotOptions + PlotType;
    Variant& options = Options();
    const bool haveItem = options.dims() == 1 && item >= options.lbound(1) && item <= options.ubound(1);
    // Always a generic array of eight: a typed Double array would turn a stored
    // Empty (automatic) into 0.
    working_ = Variant::MakeArray(VarType::Generic, {Bounds{0, kBoxes - 1}});
    if (haveItem) {
        const Variant& stored = options(item);
        if (stored.dims() == 1) {
            for (int i = std::max(0, stored.lbound(1)); i <= std::min(kBoxes - 1, stored.ubound(1)); ++i) {
                working_(i) = stored(i);
            }
        }
        options(item) = working_;
    }
    return std::string("Options for ") + PlotTypeTitles()[static_cast<std::size_t>(PlotType)];
}

std::string PlotAxisOptionsEditor::GetOption(int index) const {
    if (!working_.isArray()) return {};
    const Variant value = index >= 0 && index < kBoxes ? working_(ElementOf(index)) : Variant("????");
    if (IsNumberValue(value)) return FormatDouble(CDbl(value));
    return index == 3 || index == 7 ? std::string() : std::string(kAuto);
}

void PlotAxisOptionsEditor::StorePlotOption(int index, const std::string& text) {
    if (!working_.isArray() || index < 0 || index >= kBoxes) return;
    const std::string shown = IsTickBox(index) ? NormaliseTicksText(text) : text;
    const Variant value = IsNumericText(shown) ? Variant(CDbl(Variant(shown))) : Variant();
    auto element = working_(ElementOf(index));
    const Variant& old = element.get();
    const bool oldNumber = IsNumberValue(old);
    const bool newNumber = !value.isEmpty();
    if (oldNumber != newNumber || (newNumber && CDbl(old) != value.rawDouble())) {
        element = value;
        OptionsChanged = true;
    }
}

void PlotAxisOptionsEditor::WriteBack() {
    if (!working_.isArray()) return;
    // A minimum typed at or above its maximum would leave the plot blank.
    NormalisePlotAxisOptions(working_);
    Variant& options = Options();
    const int item = opt::kPlotOptions + PlotType;
    if (options.dims() == 1 && item >= options.lbound(1) && item <= options.ubound(1)) options(item) = working_;
}

// ---- the dialog -------------------------------------------------------------------------

FPlotOptions::FPlotOptions() {
    SetName("FPlotOptions");
    SetBorderStyle(borderstyle::FixedToolWindow);
    setFixedSize(TwipsToPxX(4455), TwipsToPxY(2235));

    const char* const frameCaptions[2] = {"Y-Axis", "X-Axis"};
    const char* const labels[4] = {"Min:", "Max:", "Ticks:", "Ref. Line:"};
    const double tops[4] = {360, 720, 1080, 1560};
    for (int f = 0; f < 2; ++f) {
        fraOptions_[static_cast<std::size_t>(f)] = Add<Frame>("fraOptions", f);
        fraOptions_[static_cast<std::size_t>(f)]->SetCaption(frameCaptions[f]);
        fraOptions_[static_cast<std::size_t>(f)]->Move(f == 0 ? 120 : 2280, 120, 2055, 1935);
    }
    for (int i = 0; i < kBoxes; ++i) {
        Frame* frame = fraOptions_[static_cast<std::size_t>(i / 4)];
        auto* label = Add<Label>("labOptions", i, frame);
        label->SetCaption(labels[i % 4]);
        // Wider labels and boxes a little to the right of the design: "Ref. Line:" fits
        // and keeps a few pixels from its box.
        label->Move(120, tops[i % 4], 825, 255);
        auto* box = Add<TextBox>("txtOptions", i, frame);
        box->Move(1005, tops[i % 4] - 15, 915, 285);
        txtOptions_[static_cast<std::size_t>(i)] = box;
        if (PlotAxisOptionsEditor::IsTickBox(i)) {
            connect(box->Events(), &ControlEvents::Validate, this, [box](bool&) {
                dialogs::Guarded("Entering the tick count", [box] { box->SetText(NormaliseTicksText(box->Text())); });
            });
        }
    }
    auto* close = Add<CommandButton>("cmdButton", 0);
    close->SetCaption("X");
    QFont bold = close->Font();
    bold.setBold(true);
    close->SetFont(bold);
    close->Move(4455 - 255, 0, 255, 255);
    close->SetCancel(true);
    close->setFocusPolicy(Qt::NoFocus);

    connect(close->Events(), &ControlEvents::Click, this,
            [this] { dialogs::Guarded("Closing the plot options", [this] { Unload(); }); });
    connect(this, &Form::LoadEvent, this, [this] { loadedSinceShow_ = true; });
    connect(this, &Form::QueryUnload, this,
            [this](bool&, int) { dialogs::Guarded("Applying the plot options", [this] { SavePlotOptions(); }); });
}

void FPlotOptions::SetPlotType() {
    // Setting the caption loads the form, as it always has; loading alone arms no save.
    Load();
    editor_.PlotType = PlotType;
    SetCaption(editor_.SetPlotType());
}

std::string FPlotOptions::GetOption(int index) const { return editor_.GetOption(index); }

void FPlotOptions::SetPlotTypeOf(std::int32_t type) {
    PlotType = type;
    SetPlotType();
}

bool FPlotOptions::EditModal(Form& owner) {
    OptionsChanged = false;
    SetLeft(owner.Left() + (owner.Width() - Width()) / 2);
    SetTop(owner.Top() + (owner.Height() - Height()) / 2);
    ShowModal();
    return OptionsChanged;
}

void FPlotOptions::showEvent(QShowEvent* e) {
    if (loadedSinceShow_) {
        loadedSinceShow_ = false;
        dialogs::Guarded("Loading the plot options", [this] { LoadPlotOptions(); });
        OptionsChanged = false;
        setUpDone_ = true;
    }
    Form::showEvent(e);
}

void FPlotOptions::LoadPlotOptions() {
    if (Control* close = Find("cmdButton", 0)) {
        close->SetVisible(true);
        close->SetLeft(-1000);
    }
    SetPlotType();
    if (editor_.HasWorkingCopy()) {
        const bool xAxis = PlotType == 0 || PlotType == 3;
        fraOptions_[0]->SetVisible(true);
        fraOptions_[1]->SetVisible(xAxis);
        for (int i = 0; i < kBoxes; ++i) txtOptions_[static_cast<std::size_t>(i)]->SetText(editor_.GetOption(i));
        SetTabOrder();
    }
    SetHelpContextID(kHelpContext);
}

void FPlotOptions::SetTabOrder() {
    for (Control* c : Controls()) {
        if (c->Widget() != nullptr) c->SetTabStop(false);
    }
    for (int i = 0; i < kBoxes; ++i) {
        txtOptions_[static_cast<std::size_t>(i)]->SetTabStop(true);
        txtOptions_[static_cast<std::size_t>(i)]->SetTabIndex(i);
    }
    // The first box of a shown frame takes the focus.
    txtOptions_[0]->SetFocus();
}

void FPlotOptions::SavePlotOptions() {
    if (!setUpDone_) return;  // loaded for display only, or already saved
    setUpDone_ = false;
    if (!editor_.HasWorkingCopy()) return;
    editor_.OptionsChanged = OptionsChanged;
    for (int i = 0; i < kBoxes; ++i) editor_.StorePlotOption(i, txtOptions_[static_cast<std::size_t>(i)]->Text());
    editor_.WriteBack();
    OptionsChanged = editor_.OptionsChanged;
}

}  // namespace nuvir
