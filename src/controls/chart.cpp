#include "controls/chart.h"

#include "platform/windowutilities.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "numerics/numerics.h"
#include "runtime/convert.h"
#include "runtime/error.h"

namespace nuvir {

namespace {

using chart::AxisRow;
using chart::ChartData;
namespace axis = chart::axis;
namespace option = chart::option;

constexpr int kLineGraph = 0;
constexpr int kBarGraph = 1;
constexpr Colour kBlack = 0;

// Coordinates reach the surface as Singles. The axis map keeps every axis well
// inside their range; a point far beyond the plot is drawn from far outside it rather
// than failing the graph (which would blank the picture).
double ToSingle(double v) {
    return static_cast<double>(static_cast<float>(std::clamp(v, -chart::SurfaceMap::kFar, chart::SurfaceMap::kFar)));
}

// The text of a label array element for a tick at x; ticks between or beyond the
// array's elements get no text.
std::string LabelText(const Variant& labels, double x) {
    const double index = RoundHalfEven(x);
    if (index < labels.lbound(1) || index > labels.ubound(1)) return std::string();
    return TextOf(labels(static_cast<std::int32_t>(index)));
}

// The caller's ends of one axis and, unless ticksItem is -1, its tick count, where the
// options give them; ends given the wrong way round are swapped. True when the options
// gave any of them.
bool TakeAxisOptions(const chart::ChartOptions& options, AxisRow& row, int minItem, int maxItem, int ticksItem) {
    bool given = false;
    if (const auto v = options.AxisValue(minItem)) {
        row[axis::kLow] = *v;
        given = true;
    }
    if (const auto v = options.AxisValue(maxItem)) {
        row[axis::kHigh] = *v;
        given = true;
    }
    if (row[axis::kHigh] < row[axis::kLow]) std::swap(row[axis::kLow], row[axis::kHigh]);
    if (ticksItem < 0) return given;
    if (const auto n = options.TickCount(ticksItem)) {
        row[axis::kStep] = chart::WidthOver(row[axis::kLow], row[axis::kHigh], *n - 1);
        given = true;
    }
    return given;
}

}  // namespace

// ---------------------------------------------------------------------------------
// Public members

bool CChart::DrawLineGraph(const Variant& data, Variant& colours, bool drawAxes, bool fill, const Variant& titles,
                           const Variant& options, const Variant& xLabels, bool noFrame) {
    PictureBox& pic = Surface();
    try {
        ResetLineStyle();
        ChartData points = CopyData(data);
        if (fill) points = chart::CloseAreaOutline(points);
        FitColours(colours, points.variables - 1);
        m_vOptions = chart::ChartOptions(options);
        RequireDrawable(points);

        if (drawAxes) DrawAxes(kLineGraph, points, colours, titles, xLabels);
        const PlotClip clip(*this);

        const Colour series = ColourAt(colours, 1);
        const bool markers = m_vOptions.Setting(option::kMarkerKind).has_value();
        // Element 0 is a DrawStyle value; one the surface does not take fails the graph.
        int lineStyle = drawstyle::Solid;
        if (m_vOptions.Setting(option::kLineStyle)) lineStyle = CInt(m_vOptions.Element(option::kLineStyle));

        pic.PSet(ToSingle(SurfaceX(points.X(0))), ToSingle(SurfaceY(points.Y(0))), series);
        pic.SetDrawStyle(drawstyle::Solid);
        if (markers) {
            DrawMarker(series);
            pic.PSet(ToSingle(SurfaceX(points.X(0))), ToSingle(SurfaceY(points.Y(0))), series);
        }
        pic.SetDrawStyle(lineStyle);

        for (std::int32_t j = 1; j < points.points; ++j) {
            pic.SetDrawStyle(lineStyle);
            pic.LineTo(ToSingle(SurfaceX(points.X(j))), ToSingle(SurfaceY(points.Y(j))), series);
            // Markers are always solid.
            pic.SetDrawStyle(drawstyle::Solid);
            if (markers) {
                DrawMarker(series);
                pic.PSet(ToSingle(SurfaceX(points.X(j))), ToSingle(SurfaceY(points.Y(j))), series);
            }
        }

        if (fill) {
            pic.LineTo(ToSingle(SurfaceX(points.X(0))), ToSingle(SurfaceY(points.Y(0))), series);
            auto seed = chart::FillSeedPoint(points);
            if (seed && m_dAxisData)
                seed =
                    chart::SeedWithinBand(points, *seed, Axes()[axis::kY][axis::kLow], Axes()[axis::kY][axis::kHigh]);
            if (seed) FloodFill(ToSingle(SurfaceX(seed->X)), ToSingle(SurfaceY(seed->Y)), series);
        }

        DrawReferenceLines();
        if (!noFrame) DrawPlotFrame(kBlack);
        return false;
    } catch (const std::exception&) {
        pic.Cls();
        return true;
    }
}

bool CChart::DrawVBarGraph(const Variant& data, Variant& colours, bool drawAxes, const Variant& titles,
                           const Variant& options) {
    PictureBox& pic = Surface();
    try {
        ResetLineStyle();
        const ChartData bars = CopyData(data);
        FitColours(colours, bars.variables - 1);
        m_vOptions = chart::ChartOptions(options);
        RequireDrawable(bars);

        if (drawAxes) DrawAxes(kBarGraph, bars, colours, titles, Variant());
        const PlotClip clip(*this);

        const Colour series = ColourAt(colours, 1);
        // A span of X units is a length on the picture's scale, which holds X in units
        // of the axis's map.
        const double width = m_dBarSpan > 0.0 ? m_dBarSpan / m_oSurface[axis::kX].unit
                                              : pic.ScaleX(LineWidthOption(), scale::Pixels, pic.ScaleMode());
        pic.SetFillColor(series);
        double base = ClampedOption();
        if (!(base > NumericLimits::LowestDouble)) base = Axes()[axis::kY][axis::kLow];

        for (std::int32_t i = 0; i < bars.points; ++i) {
            // A bar below the base hangs down from it.
            pic.Line(ToSingle(SurfaceX(bars.X(i)) - width / 2.0), ToSingle(SurfaceY(base)),
                     ToSingle(SurfaceX(bars.X(i)) + width / 2.0), ToSingle(SurfaceY(bars.Y(i))), series,
                     LineShape::FilledBox);
        }

        DrawReferenceLines();
        DrawPlotFrame(kBlack);
        return false;
    } catch (const std::exception&) {
        pic.Cls();
        return true;
    }
}

double CChart::SurfaceX(double x) const { return m_oSurface[axis::kX].ToSurface(x); }
double CChart::SurfaceY(double y) const { return m_oSurface[axis::kY].ToSurface(y); }

Variant CChart::AxisData() const {
    if (!m_dAxisData) return Variant::Unallocated(VarType::Double);
    Variant table = Variant::MakeArray(VarType::Double, {Bounds{0, 2}, Bounds{0, 5}});
    for (int a = 0; a < 3; ++a)
        for (int k = 0; k < 6; ++k) table(a, k) = (*m_dAxisData)[a][k];
    return table;
}

// ---------------------------------------------------------------------------------
// Graph helpers

PictureBox& CChart::Surface() const {
    if (m_oTarget == nullptr) throw std::logic_error("CChart: no target picture box set before drawing");
    return *m_oTarget;
}

void CChart::ResetLineStyle() { Surface().SetDrawStyle(drawstyle::Solid); }

ChartData CChart::CopyData(const Variant& data) const {
    if (data.dims() != 2) RaiseComponentError("Chart data not arranged as a 2D array");
    const std::int32_t lastVariable = data.ubound(1);
    if (lastVariable < 1) RaiseComponentError("Chart data has only one variable");
    const std::int32_t lastPoint = data.ubound(2);
    ChartData copy(lastVariable + 1, lastPoint < 0 ? 0 : lastPoint + 1);
    for (std::int32_t v = 0; v <= lastVariable; ++v)
        for (std::int32_t j = 0; j <= lastPoint; ++j) copy.at(v, j) = CDbl(data(v, j));
    return copy;
}

void CChart::FitColours(Variant& colours, std::int32_t lastVariable) const {
    if (colours.dims() != 1) RaiseComponentError("Series colours not arranged as a 1D array");
    if (colours.ubound(1) != lastVariable) colours.redimPreserve(lastVariable);
}

void CChart::RequireDrawable(const ChartData& data) const {
    // Without points there is nothing to measure, and a value that is not finite
    // would give the axes and the scale no size.
    if (data.points == 0) RaiseComponentError("Chart data has no points");
    for (double v : data.values)
        if (!std::isfinite(v)) RaiseComponentError("Chart data holds a value that is not a number");
}

const CChart::AxisTable& CChart::Axes() const {
    if (!m_dAxisData) RaiseSubscriptOutOfRange();
    return *m_dAxisData;
}

Colour CChart::ColourAt(const Variant& colours, int i) const { return static_cast<Colour>(CLng(colours(i))); }

void CChart::DrawMarker(Colour colour) {
    PictureBox& pic = Surface();
    const double kind = *m_vOptions.Setting(option::kMarkerKind);
    double radiusPx = 0.0;
    if (m_vOptions.Setting(option::kMarkerRadius)) radiusPx = CSng(m_vOptions.Element(option::kMarkerRadius));
    const double radius = pic.ScaleX(radiusPx, scale::Pixels, pic.ScaleMode());
    const double x = pic.CurrentX();
    const double y = pic.CurrentY();
    if (kind == 0.0) {
        pic.Circle(x, y, radius, colour);
    } else if (kind == 1.0) {
        const int fillStyle = pic.FillStyle();
        const Colour fillColour = pic.FillColor();
        pic.SetFillColor(colour);
        pic.SetFillStyle(fillstyle::Solid);
        pic.Circle(x, y, radius, colour);
        pic.SetFillStyle(fillStyle);
        pic.SetFillColor(fillColour);
    }
}

double CChart::LineWidthOption() const {
    if (!m_vOptions.Setting(option::kBarWidth)) return 1.0;
    return MathFunctions::Max(static_cast<double>(CSng(m_vOptions.Element(option::kBarWidth))), 1.0);
}

double CChart::ClampedOption() const {
    const auto base = m_vOptions.Setting(option::kBarBase);
    if (!base) return NumericLimits::LowestDouble;
    const AxisRow& y = Axes()[axis::kY];
    return MathFunctions::Max(y[axis::kLow], MathFunctions::Min(*base, y[axis::kHigh]));
}

void CChart::DrawReferenceLines() {
    PictureBox& pic = Surface();
    if (const auto y = m_vOptions.ReferencePosition(option::kYReference)) {
        const AxisRow& x = Axes()[axis::kX];
        const double width = x[axis::kHigh] - x[axis::kLow];
        const double inset = std::isfinite(width) ? 0.02 * width
                                                  : chart::WidthOver(x[axis::kLow], x[axis::kHigh], 50.0);
        pic.Line(ToSingle(SurfaceX(x[axis::kLow] + inset)), ToSingle(SurfaceY(*y)),
                 ToSingle(SurfaceX(x[axis::kHigh] - inset)), ToSingle(SurfaceY(*y)), kBlack);
    }
    if (const auto x = m_vOptions.ReferencePosition(option::kXReference)) {
        const AxisRow& y = Axes()[axis::kY];
        const double height = y[axis::kHigh] - y[axis::kLow];
        const double inset = std::isfinite(height) ? 0.02 * height
                                                   : chart::WidthOver(y[axis::kLow], y[axis::kHigh], 50.0);
        pic.Line(ToSingle(SurfaceX(*x)), ToSingle(SurfaceY(y[axis::kLow] + inset)), ToSingle(SurfaceX(*x)),
                 ToSingle(SurfaceY(y[axis::kHigh] - inset)), kBlack);
    }
}

void CChart::FloodFill(double x, double y, Colour colour) {
    // The fill keeps the caller's drawing state; a seed off the picture fills nothing.
    MUtilities::FloodFillPicture(Surface(), static_cast<float>(x), static_cast<float>(y), colour);
}

// ---------------------------------------------------------------------------------
// Axes

void CChart::DrawAxes(int kind, const ChartData& data, const Variant& colours, const Variant& titles,
                      const Variant& labels) {
    PictureBox& pic = Surface();
    std::array<bool, 3> setByCaller{false, false, false};
    m_dAxisData = AxisTable{};
    m_oSurface = {};
    AxisTable& table = *m_dAxisData;

    for (std::int32_t v = 0; v < data.variables && v <= axis::kThird; ++v) {
        const AxisRow mm = chart::ColumnMinMax(data.Variable(v));
        table[v] = chart::NiceAxisRange(mm[axis::kMin], mm[axis::kMax], v);
    }

    m_sAxisTitles = {};
    if (titles.dims() == 1) {
        const std::int32_t last = std::min<std::int32_t>(titles.ubound(1), 2);
        for (std::int32_t i = 0; i <= last; ++i) m_sAxisTitles[i] = CStr(titles(i));
    }

    AxisRow& x = table[axis::kX];
    AxisRow& y = table[axis::kY];
    const bool labelMode = labels.dims() == 1 && labels.lbound(1) == x[axis::kMin] && labels.ubound(1) == x[axis::kMax];
    if (labelMode) {
        x[axis::kLow] = x[axis::kMin];
        x[axis::kHigh] = x[axis::kMax];
        x[axis::kStep] = 1.0;
    }

    if ((kind == kLineGraph || kind == kBarGraph) && m_vOptions.Present()) {
        setByCaller[axis::kY] = TakeAxisOptions(m_vOptions, y, option::kYMin, option::kYMax, option::kYTicks);
        // Labelled categories keep one tick each.
        setByCaller[axis::kX] =
            TakeAxisOptions(m_vOptions, x, option::kXMin, option::kXMax, labelMode ? -1 : option::kXTicks);
    }

    // An axis set by the caller keeps its ends and step but takes the exponent of
    // its own range for the labels.
    for (int a = 0; a <= axis::kThird; ++a) {
        if (setByCaller[a])
            table[a][axis::kExponent] =
                chart::NiceAxisRange(table[a][axis::kLow], table[a][axis::kHigh], a)[axis::kExponent];
    }
    GuardAxes(labelMode, setByCaller);

    pic.SetAutoRedraw(true);
    pic.SetBackColor(ColourAt(colours, 0));
    pic.SetForeColor(kBlack);
    pic.SetDrawMode(13);
    pic.Cls();
    pic.SetScaleMode(scale::Twips);

    // The labels are known before the scale, so the margins can make room for them.
    const AxisTicks xTicks = TicksOf(axis::kX, labelMode ? &labels : nullptr);
    const AxisTicks yTicks = TicksOf(axis::kY, nullptr);
    SetUserScale(xTicks.widestLabel, yTicks.widestLabel);
    DrawTicksAndLabels(kBlack, xTicks, yTicks, labelMode);
}

CChart::AxisTicks CChart::TicksOf(int axisIndex, const Variant* labels) const {
    PictureBox& pic = Surface();
    const AxisRow& row = Axes()[axisIndex];
    AxisTicks ticks;
    const std::int32_t n = chart::TickCount(row[axis::kLow], row[axis::kHigh], row[axis::kStep]);
    for (std::int32_t i = 0; i < n; ++i)
        ticks.positions.push_back(chart::TickPosition(row[axis::kLow], row[axis::kStep], i));
    const auto width = [&pic](const std::string& s) { return pic.TextWidth(s); };
    // Numbers stand at every second X tick, label texts at every tick: only the ticks
    // that are labelled decide the labels' form.
    const std::size_t every = axisIndex == axis::kX && !labels ? 2 : 1;
    ticks.labels.resize(ticks.positions.size());
    if (labels) {
        for (std::size_t i = 0; i < ticks.positions.size(); ++i)
            ticks.labels[i] = LabelText(*labels, ticks.positions[i]);
    } else {
        std::vector<double> labelled;
        for (std::size_t i = 0; i < ticks.positions.size(); i += every) labelled.push_back(ticks.positions[i]);
        const auto texts = chart::AxisTickLabels(labelled, static_cast<int>(row[axis::kExponent]), width);
        for (std::size_t k = 0; k < texts.size(); ++k) ticks.labels[k * every] = texts[k];
    }
    const bool hidden = axisIndex == axis::kX && m_vOptions.IsTrue(option::kHideXTicks);
    for (std::size_t i = 0; !hidden && i < ticks.labels.size(); i += every)
        ticks.widestLabel = std::max(ticks.widestLabel, width(ticks.labels[i]));
    return ticks;
}

void CChart::GuardAxes(bool labelMode, const std::array<bool, 3>& setByCaller) {
    for (int a : {axis::kX, axis::kY}) {
        AxisRow& row = (*m_dAxisData)[a];
        const double low = row[axis::kLow];
        const double high = row[axis::kHigh];
        if (!std::isfinite(low) || !std::isfinite(high)) RaiseComponentError("Chart axis limits are not finite");
        // Equal limits give a scale of no size.
        if (!(high > low)) RaiseComponentError("Chart axis has no width");
        const bool labels = a == axis::kX && labelMode;
        // An automatic axis covers its data, which a run can spread beyond the largest
        // Double; the caller's ends are held.
        const auto [heldLow, heldHigh] = setByCaller[static_cast<std::size_t>(a)] ? chart::HeldAxisRange(low, high)
                                                                                  : std::pair{low, high};
        if (heldLow != low || heldHigh != high) {
            // Ends that passed the min < max rule but that no step could divide (the
            // caller's -1e308..1e308, or 0..1e-320): the axis shows the held range, in
            // the caller's tick count when there is one, else in its automatic step.
            const AxisRow nice = chart::NiceAxisRange(heldLow, heldHigh, a);
            row[axis::kLow] = heldLow;
            row[axis::kHigh] = heldHigh;
            row[axis::kExponent] = nice[axis::kExponent];
            const auto ticks = m_vOptions.TickCount(a == axis::kX ? option::kXTicks : option::kYTicks);
            row[axis::kStep] = ticks && !labels ? (heldHigh / (*ticks - 1) - heldLow / (*ticks - 1))
                                                : nice[axis::kStep];
        }
        row[axis::kStep] = chart::GuardedTickStep(row[axis::kLow], row[axis::kHigh], row[axis::kStep], a, labels);
        m_oSurface[static_cast<std::size_t>(a)] = chart::SurfaceMapFor(row[axis::kLow], row[axis::kHigh]);
    }
}

void CChart::SetUserScale(double widestXLabel, double widestYLabel) {
    PictureBox& pic = Surface();
    const chart::PlotMargins m = chart::ComputeMargins([&pic](const std::string& s) { return pic.TextWidth(s); },
                                                       [&pic](const std::string& s) { return pic.TextHeight(s); },
                                                       pic.ScaleWidth(), pic.ScaleHeight(), m_sAxisTitles[0],
                                                       m_sAxisTitles[1], widestXLabel, widestYLabel);
    const double across = 1.0 - m.left - m.right;
    const double down = 1.0 - m.top - m.bottom;
    // A picture too small for its labels would divide by zero or mirror the plot.
    if (!(across > 0.0) || !(down > 0.0)) RaiseComponentError("Chart picture too small for its axes");

    const AxisRow& x = (*m_dAxisData)[axis::kX];
    const AxisRow& y = (*m_dAxisData)[axis::kY];
    const double xLow = SurfaceX(x[axis::kLow]), xHigh = SurfaceX(x[axis::kHigh]);
    const double yLow = SurfaceY(y[axis::kLow]), yHigh = SurfaceY(y[axis::kHigh]);
    pic.SetScaleWidth(static_cast<float>(ToSingle((xHigh - xLow) / across)));
    pic.SetScaleHeight(static_cast<float>(ToSingle((yLow - yHigh) / down)));
    pic.SetScaleLeft(static_cast<float>(ToSingle(xLow - pic.ScaleWidth() * m.left)));
    pic.SetScaleTop(static_cast<float>(ToSingle(yHigh - pic.ScaleHeight() * m.top)));
}

void CChart::DrawTicksAndLabels(Colour colour, const AxisTicks& xTicks, const AxisTicks& yTicks, bool labelArray) {
    PictureBox& pic = Surface();
    const AxisRow& x = Axes()[axis::kX];
    const AxisRow& y = Axes()[axis::kY];

    DrawPlotFrame(colour);
    const double tickX = 0.025 * pic.ScaleHeight();  // negative: X ticks point down
    const double tickY = 0.025 * pic.ScaleWidth();
    // Labels stand clear of their ticks: below an X tick by part of a line (a text
    // height is negative like the scale), left of a Y tick by half a blank.
    const double gapDown = chart::kTickLabelGapLines * pic.TextHeight("E");
    const double gapLeft = pic.TextWidth(" ") / 2.0;
    pic.SetForeColor(colour);

    if (!m_vOptions.IsTrue(option::kHideXTicks)) {
        const double y0 = SurfaceY(y[axis::kLow]);
        const double y1 = y0 + tickX;
        // Label texts stand at every tick unless they would run into each other, then
        // at a regular step; only their visible part counts (trailing blanks shift a
        // text off its tick).
        std::vector<bool> fits(xTicks.positions.size(), true);
        if (labelArray) {
            std::vector<double> starts, ends;
            for (std::size_t i = 0; i < xTicks.positions.size(); ++i) {
                const std::string& text = xTicks.labels[i];
                const std::size_t inked = text.find_last_not_of(' ');
                starts.push_back(SurfaceX(xTicks.positions[i]) - pic.TextWidth(text) / 2.0);
                ends.push_back(starts.back() +
                               (inked == std::string::npos ? 0.0 : pic.TextWidth(text.substr(0, inked + 1))));
            }
            fits = chart::LabelsThatFit(starts, ends, pic.TextWidth(" "));
        }
        bool show = true;
        for (std::size_t i = 0; i < xTicks.positions.size(); ++i) {
            const double tx = SurfaceX(xTicks.positions[i]);
            const std::string& text = xTicks.labels[i];
            pic.Line(ToSingle(tx), ToSingle(y0), ToSingle(tx), ToSingle(y1), colour);
            pic.SetCurrentX(static_cast<float>(ToSingle(tx - pic.TextWidth(text) / 2.0)));
            pic.SetCurrentY(static_cast<float>(ToSingle(y1 + gapDown)));
            if (show && fits[i]) pic.Print(text);
            // Numbers stand at every second tick.
            if (!labelArray) show = !show;
        }
    }

    {
        const double x0 = SurfaceX(x[axis::kLow]);
        const double x1 = x0 - tickY;
        for (std::size_t i = 0; i < yTicks.positions.size(); ++i) {
            const double ty = SurfaceY(yTicks.positions[i]);
            const std::string& text = yTicks.labels[i];
            pic.Line(ToSingle(x0), ToSingle(ty), ToSingle(x1), ToSingle(ty), colour);
            pic.SetCurrentX(static_cast<float>(ToSingle(x1 - gapLeft - pic.TextWidth(text))));
            pic.SetCurrentY(static_cast<float>(ToSingle(ty - pic.TextHeight(text) / 2.0)));
            pic.Print(text);
        }
    }

    // The Y title goes with an X title only; a blank X title keeps the Y title.
    if (!m_sAxisTitles[0].empty()) {
        const std::string& xTitle = m_sAxisTitles[0];
        const double lineHeight = pic.TextHeight("E");
        pic.SetCurrentX(static_cast<float>(
            ToSingle((SurfaceX(x[axis::kLow]) + SurfaceX(x[axis::kHigh])) / 2.0 - pic.TextWidth(xTitle) / 2.0)));
        pic.SetCurrentY(static_cast<float>(ToSingle(SurfaceY(y[axis::kLow]) + tickX + gapDown + lineHeight)));
        pic.Print(xTitle);
        pic.SetCurrentX(static_cast<float>(ToSingle(SurfaceX(x[axis::kLow]))));
        pic.SetCurrentY(static_cast<float>(ToSingle(SurfaceY(y[axis::kHigh]) - lineHeight)));
        pic.Print(m_sAxisTitles[1]);
    }
}

void CChart::DrawPlotFrame(Colour colour) {
    PictureBox& pic = Surface();
    const AxisRow& x = Axes()[axis::kX];
    const AxisRow& y = Axes()[axis::kY];
    pic.SetDrawWidth(1);
    pic.Line(ToSingle(SurfaceX(x[axis::kLow])), ToSingle(SurfaceY(y[axis::kLow])), ToSingle(SurfaceX(x[axis::kHigh])),
             ToSingle(SurfaceY(y[axis::kHigh])), colour, LineShape::Box);
}

Variant ChartSeries(const std::vector<double>& x, const std::vector<double>& y) {
    const auto n = static_cast<std::int32_t>(x.size());
    Variant data = Variant::MakeArray(VarType::Double, {Bounds{0, 1}, Bounds{0, n - 1}});
    auto& cells = data.mutableElements();  // the first index varies fastest
    for (std::size_t i = 0; i < x.size(); ++i) {
        cells[2 * i] = Variant(x[i]);
        cells[2 * i + 1] = Variant(y[i]);
    }
    return data;
}

// ---------------------------------------------------------------------------------
// PlotClip

PlotClip::PlotClip(const CChart& chart) {
    if (!chart.m_dAxisData || chart.Target() == nullptr) return;
    PictureBox& pic = *chart.Target();
    const AxisRow& x = (*chart.m_dAxisData)[axis::kX];
    const AxisRow& y = (*chart.m_dAxisData)[axis::kY];
    const int left = pic.PixelX(ToSingle(chart.SurfaceX(x[axis::kLow])));
    const int right = pic.PixelX(ToSingle(chart.SurfaceX(x[axis::kHigh])));
    const int top = pic.PixelY(ToSingle(chart.SurfaceY(y[axis::kHigh])));
    const int bottom = pic.PixelY(ToSingle(chart.SurfaceY(y[axis::kLow])));
    QRect frame(QPoint(std::min(left, right), std::min(top, bottom)),
                QPoint(std::max(left, right), std::max(top, bottom)));
    m_oSaved = pic.ClipPx();
    if (m_oSaved) frame &= *m_oSaved;
    m_oPic = &pic;
    pic.SetClipPx(frame);
}

PlotClip::~PlotClip() {
    if (m_oPic != nullptr) m_oPic->SetClipPx(m_oSaved);
}

}  // namespace nuvir
