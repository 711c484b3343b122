#include "uncertainty/uncertaintyelement.h"

#include <QFontDatabase>

#include <algorithm>

#include "appdata/appdata.h"
#include "appdata/options.h"
#include "controls/chart.h"
#include "controls/flexedit.h"
#include "controls/gridfit.h"
#include "platform/controls.h"
#include "platform/flexgrid.h"
#include "platform/form.h"
#include "platform/handlerguard.h"
#include "platform/qtpicturebox.h"
#include "runtime/convert.h"
#include "utilities/criticalcorrelation.h"
#include "utilities/formatting.h"

namespace nuvir {

namespace {

enum ControlIndex {
    kLabDt = 0,
    kLabMn,
    kLabCv,
    kLabPl,
    kTxtMn,
    kTxtCv,
    kCboDt,
    kSlider,
    kPlot,
};

constexpr const char* kBaseNames =
    "uncElemLabDt,uncElemLabMn,uncElemLabCv,uncElemLabPl,uncElemTxtMn,uncElemTxtCv,uncElemCboDt,uncElemSlider,"
    "uncElemPlot";
constexpr std::array<const char*, 9> kKinds = {"Label",   "Label",    "Label",      "Label",     "TextBox",
                                               "TextBox", "ComboBox", "VScrollBar", "PictureBox"};

constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kRed = 0x0000FF;
constexpr Colour kBlue = 0xFF0000;

Colour OptionColour(int i, Colour fallback) {
    Colour c = fallback;
    TryStep([&] { c = CLng(ItemOrEmpty(AppOptions, i)); });
    return c;
}

std::string FormatProbability(double x) {
    std::string text;
    if (!TryStep([&] { text = MKelvaro::FormatDecimals(x); })) text = MKelvaro::FormatDecimals(x, 2);
    return text;
}

double Bottom(const Control* c) { return c->Top() + c->Height(); }
double Right(const Control* c) { return c->Left() + c->Width(); }

Variant Pair(double x0, double x1, double y0, double y1) { return ChartSeries({x0, x1}, {y0, y1}); }

}  // namespace

QFont SansSerif(double points) {
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    return f;
}

CUncertaintyElement::CUncertaintyElement() = default;

CUncertaintyElement::~CUncertaintyElement() {
    if (m_oHost != nullptr) {
        m_bVisible = false;
        ShowControls();
        RemoveControls();
    }
}

Control* CUncertaintyElement::ControlAt(int index) const {
    if (index < 0 || index > kPlot) return nullptr;
    const auto i = static_cast<std::size_t>(index);
    return m_controlObjects[i].isNull() ? nullptr : m_controls[i];
}

template <class T>
static T* As(Control* c) {
    return dynamic_cast<T*>(c);
}

void CUncertaintyElement::SetHost(QtPictureBox* host) {
    if (m_oHost != nullptr && host != m_oHost) {
        // Not re-hosted in place: the old controls go first.
        m_bVisible = false;
        ShowControls();
        RemoveControls();
        m_bVisible = true;
    }
    m_oHost = host;
    CreateControls();
}

void CUncertaintyElement::CreateControls() {
    if (m_oHost == nullptr) {
        m_bVisible = false;
        ShowControls();
        RemoveControls();
        return;
    }
    m_oHostForm = m_oHost->Parent();
    if (m_oHostForm == nullptr) return;
    m_oHostForm->SetKeyPreview(true);
    const auto bases = Split(kBaseNames, ",");
    for (int i = 0; i <= kPlot; ++i) {
        std::string name;
        for (int n = 1;; ++n) {
            name = bases[static_cast<std::size_t>(i)] + FormatDouble(n);
            if (m_oHostForm->Find(name) == nullptr) break;
        }
        m_asControlNames[static_cast<std::size_t>(i)] = name;
        TryStep([&] {
            Control* c = m_oHostForm->AddByType(kKinds[static_cast<std::size_t>(i)], name, m_oHost);
            m_controls[static_cast<std::size_t>(i)] = c;
            m_controlObjects[static_cast<std::size_t>(i)] = c->Object();
            if (i == kPlot) {
                auto* plot = As<QtPictureBox>(c);
                plot->SetFont(SansSerif(7));
                plot->SetBorderStyle(1);
                // A click makes the plot the control the Edit menu copies, as on the
                // result plots.
                plot->setFocusPolicy(Qt::ClickFocus);
            } else {
                c->SetFont(m_oHost->Font());
            }
        });
    }
    if (auto* cbo = As<ComboBox>(ControlAt(kCboDt))) cbo->SetHeight(m_oHost->ChildHFromPx(cbo->sizeHint().height()));
    if (auto* plot = As<QtPictureBox>(ControlAt(kPlot))) {
        m_model.SetTextMeasure([p = QPointer<QtPictureBox>(plot)](const std::string& s) {
            return p ? p->MeasureTextPx(s, p->Font()).width() : static_cast<double>(s.size());
        });
    }
    if (auto* c = ControlAt(kCboDt))
        m_connections[0] = connect(c->Events(), &ControlEvents::Click, this,
                                   [this] { RunGuarded(GuardPolicy::Swallow, {}, [this] { m_oElemCboDt_Click(); }); });
    if (auto* c = ControlAt(kSlider)) {
        auto slide = [this] { RunGuarded(GuardPolicy::Swallow, {}, [this] { m_oElemSlider_Change(); }); };
        m_connections[1] = connect(c->Events(), &ControlEvents::Change, this, slide);
        m_connections[2] = connect(c->Events(), &ControlEvents::Scroll, this, slide);
    }
    if (auto* c = ControlAt(kTxtCv)) {
        m_connections[3] = connect(c->Events(), &ControlEvents::Change, this,
                                   [this] { RunGuarded(GuardPolicy::Swallow, {}, [this] { m_oElemTxtCv_Change(); }); });
        m_connections[4] = connect(c->Events(), &ControlEvents::GotFocus, this, [this] { m_bSpreadEditing = true; });
        m_connections[6] =
            connect(c->Events(), &ControlEvents::Validate, this, [this](bool&) { m_bSpreadEditing = false; });
    }
    m_connections[5] = connect(m_oHostForm->Events(), &ControlEvents::KeyPress, this, [this](int& key) {
        RunGuarded(GuardPolicy::Swallow, {}, [&] { m_oHostForm_KeyPress(key); });
    });
    m_model.MarkRangeStale();
}

void CUncertaintyElement::RemoveControls() {
    ReleaseCategoryGrid();
    for (auto& c : m_connections) disconnect(c);
    m_model.SetTextMeasure({});
    if (m_oHostForm != nullptr) {
        for (const auto& name : m_asControlNames) {
            if (!name.empty()) TryStep([&] { m_oHostForm->Remove(name); });
        }
    }
    m_asControlNames = {};
    m_controlObjects = {};
    m_controls = {};
    m_oHostForm = nullptr;
}

void CUncertaintyElement::ShowControls() {
    for (int i = 0; i <= kPlot; ++i) {
        if (Control* c = ControlAt(i)) TryStep([&] { c->SetVisible(m_bVisible); });
    }
}

void CUncertaintyElement::WriteSpreadText(const std::string& text) {
    if (auto* box = As<TextBox>(ControlAt(kTxtCv))) box->SetText(text + (m_model.PercentMode() ? "%" : ""));
}

void CUncertaintyElement::SetControlValue(int index, double value, double v1, double v2) {
    Control* c = ControlAt(index);
    if (c == nullptr) return;
    switch (index) {
        case kLabCv: As<Label>(c)->SetCaption(m_model.SpreadCaption()); break;
        case kTxtMn: {
            std::string text;
            if (m_model.Kind() == QuantityKind::Probability) {
                text = FormatProbability(value);
            } else {
                QtPictureBox* host = m_oHost;
                text = MKelvaro::FormatSigFigs(
                    [host](const std::string& s) { return host->MeasureTextPx(s, host->Font()).width(); }, value, 4);
            }
            As<TextBox>(c)->SetText(text);
            break;
        }
        case kTxtCv: WriteSpreadText(FormatDouble(value)); break;
        case kCboDt: {
            auto* cbo = As<ComboBox>(c);
            if (cbo->ListCount() == 0) break;
            if (const auto code = m_model.InvalidCode()) {
                // Plainly invalid rather than a distribution the data do not hold; the
                // tip gives the code they hold.
                cbo->setPlaceholderText("Invalid");
                cbo->SetToolTipText("The code " + FormatDouble(*code) + " names no distribution.");
                cbo->SetListIndex(-1);
                if (!m_comboLook) m_comboLook = ComboLook{cbo->palette(), cbo->BackColor()};
                cbo->SetBackColor(OptionColour(opt::kColourError, 0xFF));
                QPalette pal = cbo->palette();
                pal.setColor(QPalette::PlaceholderText, pal.color(QPalette::Text));
                cbo->setPalette(pal);
                break;
            }
            if (m_comboLook) {
                cbo->SetBackColor(m_comboLook->back);
                cbo->setPalette(m_comboLook->palette);
                cbo->SetToolTipText("");
                m_comboLook.reset();
            }
            cbo->setPlaceholderText(QString());
            const int index6 = static_cast<int>(value);
            // Beta on a three-item list (an impact or a cost) shows no selection.
            cbo->SetListIndex(index6 < cbo->ListCount() ? index6 : -1);
            break;
        }
        case kSlider: {
            auto* bar = As<ScrollBar>(c);
            m_bSliderEventsOff = true;
            TryStep([&] {
                bar->SetMin(static_cast<int>(value));
                bar->SetMax(static_cast<int>(v2));
                bar->SetValue(static_cast<int>(v1));
            });
            m_bSliderEventsOff = false;
            break;
        }
        default: break;
    }
}

void CUncertaintyElement::SetValue(double mean) {
    if (!m_model.SetValue(mean)) return;
    // The mean box only shows the mean: its rounded text never comes back into it.
    SetControlValue(kTxtMn, mean);
    if (m_bRendered && !m_bSuppressRendering) Render();
}

void CUncertaintyElement::SetSD(double sd) {
    m_model.SetSD(sd);
    if (m_bRendered) SetControlValue(kTxtCv, sd);
}

void CUncertaintyElement::SetPercent(double percent) {
    if (!m_model.SetPercent(percent)) return;
    if (m_bRendered) SetControlValue(kTxtCv, percent);
}

void CUncertaintyElement::SetDistribution(int code) {
    if (!m_model.SetDistribution(code)) return;
    SetControlValue(kCboDt, code);
}

void CUncertaintyElement::SetInvalidDistribution(double code) {
    m_model.SetInvalidDistribution(code);
    SetControlValue(kCboDt, m_model.Distribution());
}

double CUncertaintyElement::ClampToHost(double v, bool vertical) const {
    if (m_oHost == nullptr) return std::max(0.0, v);
    return std::max(0.0, std::min(v, vertical ? m_oHost->Control::Height() : m_oHost->Control::Width()));
}
void CUncertaintyElement::SetTop(double v) { m_dTop = ClampToHost(v, true); }
void CUncertaintyElement::SetLeft(double v) { m_dLeft = ClampToHost(v, false); }
void CUncertaintyElement::SetHeight(double v) { m_dHeight = ClampToHost(v, true); }
void CUncertaintyElement::SetWidth(double v) { m_dWidth = ClampToHost(v, false); }

void CUncertaintyElement::SetVisible(bool on) {
    m_bVisible = on;
    ShowControls();
}

bool CUncertaintyElement::CategoricalForKind() const {
    switch (m_model.Kind()) {
        case QuantityKind::Impact: return ItemFlag(AppData, item::kCategoricalImpacts);
        case QuantityKind::Cost: return ItemFlag(AppData, item::kCategoricalCosts);
        default: return false;
    }
}

void CUncertaintyElement::SetCategoryData(const Variant& table) {
    if (m_model.Kind() == QuantityKind::Probability || !CategoricalForKind()) return;
    if (MKelvaro::ArraysEqual(table, m_vCategoryData)) return;
    m_vCategoryData = table;
    Render();
}

std::string CUncertaintyElement::SpreadText() const {
    auto* box = As<TextBox>(ControlAt(kTxtCv));
    return box != nullptr ? box->Text() : std::string();
}

void CUncertaintyElement::Render() {
    m_bCategorical = CategoricalForKind();
    auto* labDt = As<Label>(ControlAt(kLabDt));
    auto* labMn = As<Label>(ControlAt(kLabMn));
    auto* labCv = As<Label>(ControlAt(kLabCv));
    auto* labPl = As<Label>(ControlAt(kLabPl));
    auto* txtMn = As<TextBox>(ControlAt(kTxtMn));
    auto* txtCv = As<TextBox>(ControlAt(kTxtCv));
    auto* cbo = As<ComboBox>(ControlAt(kCboDt));
    auto* slider = As<ScrollBar>(ControlAt(kSlider));
    auto* plot = As<QtPictureBox>(ControlAt(kPlot));
    if (!labDt || !labMn || !labCv || !labPl || !txtMn || !txtCv || !cbo || !slider || !plot) return;
    const double T = m_dTop, L = m_dLeft, W = m_dWidth, H = m_dHeight;

    const double h = 1.1 * m_oHost->TextHeight("E");
    labDt->Move(L, T, 1000, h);
    labDt->SetCaption("Distribution:");
    cbo->Move(labDt->Left(), Bottom(labDt) + 20);
    if (!m_bComboFilled) {
        cbo->AddItem("Uniform");
        cbo->AddItem("Normal");
        cbo->AddItem("LogNormal");
        if (m_model.Kind() == QuantityKind::Probability) cbo->AddItem("Beta");
        m_bComboFilled = true;
    }
    SetControlValue(kCboDt, m_model.Distribution());
    labMn->Move(L, Bottom(cbo) + 100, 1000, h);
    labMn->SetCaption("Mean:");
    txtMn->Move(L, Bottom(labMn) + 20);
    txtMn->SetWidth(1000);
    if (m_oHost->Font() != txtMn->Font()) m_oHost->SetFont(txtMn->Font());
    const double h2 = 1.1 * m_oHost->TextHeight("E");
    txtMn->SetHeight(h2);
    txtMn->SetLocked(true);
    txtMn->SetBackColor(m_oHost->BackColor());
    SetControlValue(kTxtMn, m_model.Value());
    labCv->Move(L, Bottom(txtMn) + 100, 1000, h);
    txtCv->Move(L, Bottom(labCv) + 20, 1000, h2);
    const bool suppressed = m_bSuppressRendering;
    m_bSuppressRendering = true;
    // The narrower of the plain and the exponent form, as the summary label shows it.
    WriteSpreadText(m_model.FormatSpread(m_model.SDToPercent(m_model.SD()), 4));
    m_bSuppressRendering = suppressed;
    SetControlValue(kLabCv);

    slider->Move(Right(txtMn) + 100, labMn->Top(), 200, std::max(0.0, Bottom(txtCv) + 300 - labMn->Top()));
    if (!m_bRendered) {
        SetControlValue(kSlider, kSliderMin, 0, kSliderMax);
        slider->SetSmallChange(1);
        slider->SetLargeChange(5);
    }
    cbo->SetWidth(std::max(0.0, Right(slider) - cbo->Left()));
    const double plotLeft = Right(slider) + 100;
    labPl->Move(plotLeft, T, std::max(0.0, L + W - plotLeft), h);
    labPl->SetAlignment(align::Center);
    const double plotTop = Bottom(labPl) + 20;
    plot->Move(plotLeft, plotTop, labPl->Width(), std::max(0.0, T + H - plotTop));

    ShowControls();
    if (m_bVisible) {
        if (m_bCategorical) {
            for (Control* c : std::initializer_list<Control*>{labDt, cbo, labCv, txtCv, slider}) c->SetVisible(false);
        }
        labPl->SetCaption(m_model.SummaryText(m_bCategorical));
    }
    RefreshPlot();
    m_bRendered = true;
}

void CUncertaintyElement::RefreshPlot() {
    m_model.RefreshRange(m_bCategorical);
    DrawPlot();
}

void CUncertaintyElement::ReleaseCategoryGrid() { m_oCategoryGrid.reset(); }

void CUncertaintyElement::DrawPlot() {
    auto* plot = As<QtPictureBox>(ControlAt(kPlot));
    if (plot == nullptr) return;
    ++m_nPlotDrawings;
    if (m_bCategorical) {
        DrawCategoryView();
        return;
    }
    ReleaseCategoryGrid();
    const CurveData cd = m_model.BuildCurve();
    const PlotRange& r = m_model.Range();
    const double m = m_model.Value();
    CChart chart;
    chart.SetTarget(plot);
    Variant colours = Variant::MakeArray(VarType::Int32, {Bounds{0, 1}});
    colours(0) = Variant(OptionColour(opt::kColourPlotBackground, kWhite));
    colours(1) = colours(0).get();
    chart.DrawLineGraph(Pair(r.xMin, r.xMax, 0, r.yMax), colours, true, false);
    if (cd.curve.empty()) return;

    const int kindColour = m_model.Kind() == QuantityKind::Probability ? opt::kColourPBox
                           : m_model.Kind() == QuantityKind::Impact    ? opt::kColourIBox
                                                                       : opt::kColourFixedCost;
    const Variant curve = cd.curve.ToChartData();
    colours(1) = Variant(OptionColour(kindColour, 0xC0C0C0));
    chart.DrawLineGraph(curve, colours, false, true);
    colours(1) = Variant(0);
    chart.DrawLineGraph(curve, colours, false, false);

    const Variant a = chart.AxisData();
    plot->SetDrawWidth(2);
    const double q = a.dims() == 2 ? (CDbl(a(1, 3)) - CDbl(a(1, 2))) / 4 : 0.0;
    colours(1) = Variant(kRed);
    chart.DrawLineGraph(Pair(m, m, 0, q), colours, false, false);
    if (cd.stats.mean) {
        TryStep([&] {
            const int style = plot->FillStyle();
            const Colour fill = plot->FillColor();
            plot->SetFillStyle(fillstyle::Solid);
            plot->SetFillColor(kBlue);
            plot->Circle(chart.SurfaceX(*cd.stats.mean), chart.SurfaceY(0.7 * q),
                         plot->ScaleX(3, scale::Pixels, scale::User), kBlue);
            plot->SetFillStyle(style);
            plot->SetFillColor(fill);
        });
    }
    if (m_model.Kind() == QuantityKind::Probability) {
        plot->SetDrawWidth(2);
        colours(1) = Variant(kBlue);
        for (double x : {0.0, 1.0}) chart.DrawLineGraph(Pair(x, x, 0, q / 4), colours, false, false);
    }
}

void CUncertaintyElement::DrawCategoryView() {
    auto* plot = As<QtPictureBox>(ControlAt(kPlot));
    const bool created = m_oCategoryGrid == nullptr;
    if (created) {
        m_oCategoryGrid = std::make_unique<CFlexEditA>();
        m_oCategoryGrid->SetContainer(plot);
        m_oCategoryGrid->SetAllowEdit(false);
    }
    if (m_vCategoryData.isArray()) m_oCategoryGrid->PutArray(m_vCategoryData);
    if (created) {
        // Fitted after loading, so the widths and headings cover the loaded columns.
        const bool impact = m_model.Kind() == QuantityKind::Impact;
        MKelvaro::FitGridToContents(m_oCategoryGrid.get(), Variant::List({impact ? "Impact" : "Cost", "P (0-1)"}));
    }
    FlexGrid* grid = m_oCategoryGrid->Flexgrid();
    if (grid == nullptr) return;
    plot->SetScaleMode(scale::Twips);
    grid->Move(0, 0, plot->ScaleWidth(), plot->ScaleHeight());
    grid->SetBackColor(
        OptionColour(m_model.Kind() == QuantityKind::Impact ? opt::kColourIBox : opt::kColourFixedCost, 0xC0C0C0));
    grid->SetVisible(true);
}

void CUncertaintyElement::RaiseDataChanged() { Q_EMIT DataChanged(m_model.ID()); }

void CUncertaintyElement::m_oElemCboDt_Click() {
    auto* cbo = As<ComboBox>(ControlAt(kCboDt));
    if (cbo == nullptr || cbo->ListIndex() < 0) return;
    m_model.SetDistribution(cbo->ListIndex());
    SetControlValue(kLabCv);
    if (auto* labPl = As<Label>(ControlAt(kLabPl))) labPl->SetCaption(m_model.SummaryText(m_bCategorical));
    if (!m_bRendered) return;
    m_model.MarkRangeStale();
    if (!m_bSuppressRendering) Render();
    RaiseDataChanged();
}

void CUncertaintyElement::m_oElemSlider_Change() {
    if (m_bSliderEventsOff) return;
    auto* slider = As<ScrollBar>(ControlAt(kSlider));
    if (slider == nullptr) return;
    SetControlValue(kTxtCv, m_model.SliderToSpread(slider->Value(), true));
    RaiseDataChanged();
}

void CUncertaintyElement::m_oElemTxtCv_Change() {
    auto* box = As<TextBox>(ControlAt(kTxtCv));
    if (box == nullptr) return;
    const auto result = m_model.ApplySpreadText(box->Text(), m_bSpreadEditing);
    if (!result.valid) {
        box->SetBackColor(OptionColour(opt::kColourError, 0xFF));
        return;
    }
    box->SetBackColor(kWhite);
    if (result.resetSlider) SetControlValue(kSlider, kSliderMin, 0, kSliderMax);
    SetControlValue(kLabCv);
    if (!m_bRendered) return;
    if (auto* labPl = As<Label>(ControlAt(kLabPl))) labPl->SetCaption(m_model.SummaryText(m_bCategorical));
    if (!m_bSuppressRendering) RefreshPlot();
    if (m_bSpreadEditing) RaiseDataChanged();
}

void CUncertaintyElement::m_oHostForm_KeyPress(int& keyAscii) {
    if (!m_bSpreadEditing) return;
    keyAscii = m_model.FilterSpreadKey(keyAscii, SpreadText());
}

}  // namespace nuvir
