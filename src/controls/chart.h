#pragma once
// CChart draws one graph on a picture box: a line graph of one series, optionally
// closed and filled down to zero, or a vertical-bar graph, with automatic or
// caller-limited axes, tick labels, axis titles, reference lines and a frame.
//
// A caller creates a chart per drawing, sets the target and calls a graph operation
// once with drawAxes True and possibly again with drawAxes False to draw over the same
// axes. AxisData then gives the axis table for converting between data and drawing
// coordinates. After the axes are drawn the target is left in a user scale in data
// units, y growing upward.
//
// The graph operations never raise: any failure clears the picture and returns True.
// Drawing without a target is a programming error and throws std::logic_error.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "controls/chart_axes.h"
#include "controls/chart_geometry.h"
#include "controls/chart_options.h"
#include "platform/picturebox.h"
#include "runtime/variant.h"

namespace nuvir {

// The data of one series for the graph operations: Double (0 To 1, 0 To n - 1) with x
// in variable 0 and y in variable 1 (n the length of x; y at least as long).
Variant ChartSeries(const std::vector<double>& x, const std::vector<double>& y);

class CChart {
public:
    CChart() = default;
    CChart(const CChart&) = delete;
    CChart& operator=(const CChart&) = delete;

    // The picture box drawn on; the chart does not own it.
    void SetTarget(PictureBox* target) { m_oTarget = target; }
    PictureBox* Target() const { return m_oTarget; }

    // data: two-dimensional numbers (variable, point), variable 0 X, variable 1 the
    // series drawn, variable 2 measured into the third row of the axis table.
    // colours: one-dimensional Long colours, 0 the background, 1 the series; resized in
    // place to as many elements as the data has variables (even when drawing fails).
    // titles: array of the X and Y axis titles (element 2 kept, not drawn); options: the
    // chart options (0 line style, 1 marker kind, 2 marker radius, 3..10 axis options);
    // xLabels: texts for the X ticks, indexed by X value. Empty values count as absent.
    // Returns True when drawing failed; the picture is then cleared.
    bool DrawLineGraph(const Variant& data, Variant& colours, bool drawAxes, bool fill,
                       const Variant& titles = Variant(), const Variant& options = Variant(),
                       const Variant& xLabels = Variant(), bool noFrame = false);
    // The same for bars centred on the X values: options 0 True hides the X ticks,
    // 1 the bar width in pixels, 2 the bar base (clamped into the Y axis).
    bool DrawVBarGraph(const Variant& data, Variant& colours, bool drawAxes, const Variant& titles = Variant(),
                       const Variant& options = Variant());
    // Bars of the later bar graphs as wide as this many X units (a histogram's class
    // width), instead of the pixel width of option 1, so that neighbours meet at every
    // size of the picture; 0 goes back to the pixel width.
    void SetBarSpan(double xUnits) { m_dBarSpan = xUnits; }

    // The axis table (0 To 2, 0 To 5) of the last graph that drew axes: per axis the
    // data minimum and maximum, the axis low and high ends, the tick step and the
    // exponent. An unallocated Double array before any axes were drawn.
    Variant AxisData() const;

    // Where a data value stands in the target's user scale after the last axes: the
    // value itself for every axis the Singles of that scale hold, else the value
    // brought to the axis's surface map (chart::SurfaceMapFor), so that 1e39 or a
    // range of 1e-300 can be drawn at all. Whoever draws on the target next to the
    // graph passes its data coordinates through these; widths in the scale's units
    // (ScaleX, TextWidth) need no conversion.
    double SurfaceX(double x) const;
    double SurfaceY(double y) const;

private:
    using AxisTable = std::array<chart::AxisRow, 3>;

    PictureBox& Surface() const;
    void ResetLineStyle();
    // Validates the caller's data and copies it as numbers.
    chart::ChartData CopyData(const Variant& data) const;
    void FitColours(Variant& colours, std::int32_t lastVariable) const;
    void RequireDrawable(const chart::ChartData& data) const;
    const AxisTable& Axes() const;
    Colour ColourAt(const Variant& colours, int i) const;

    void DrawMarker(Colour colour);
    double LineWidthOption() const;
    double ClampedOption() const;
    void DrawReferenceLines();
    void FloodFill(double x, double y, Colour colour);

    void DrawAxes(int kind, const chart::ChartData& data, const Variant& colours, const Variant& titles,
                  const Variant& labels);
    void GuardAxes(bool labelMode, const std::array<bool, 3>& setByCaller);
    // The ticks of an axis and their label texts, measured in the picture's units.
    struct AxisTicks {
        std::vector<double> positions;
        std::vector<std::string> labels;
        double widestLabel = 0.0;  // of the labels that are printed
    };
    AxisTicks TicksOf(int axisIndex, const Variant* labels) const;
    void SetUserScale(double widestXLabel, double widestYLabel);
    void DrawTicksAndLabels(Colour colour, const AxisTicks& xTicks, const AxisTicks& yTicks, bool labelArray);
    void DrawPlotFrame(Colour colour);

    friend class PlotClip;

    PictureBox* m_oTarget = nullptr;
    std::optional<AxisTable> m_dAxisData;
    std::array<chart::SurfaceMap, 2> m_oSurface{};  // X, Y
    std::array<std::string, 3> m_sAxisTitles;
    chart::ChartOptions m_vOptions;
    double m_dBarSpan = 0.0;
};

// While it lives, whatever is drawn on the chart's target stays inside the plot frame
// of the chart's last axes, however far beyond the axis a value lies; the surface's own
// clip comes back afterwards. Before any axes were drawn it changes nothing.
class PlotClip {
public:
    explicit PlotClip(const CChart& chart);
    PlotClip(const PlotClip&) = delete;
    PlotClip& operator=(const PlotClip&) = delete;
    ~PlotClip();

private:
    PictureBox* m_oPic = nullptr;
    std::optional<QRect> m_oSaved;
};

}  // namespace nuvir
