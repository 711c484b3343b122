#pragma once
// The axis arithmetic of the chart: measuring a variable, rounding an axis outward to
// multiples of a power of ten, keeping the number of ticks finite, laying out the
// margins and writing tick labels. Pure functions; text sizes come in as functions, so
// none of this needs a drawing surface.
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace nuvir::chart {

// One row of the axis table: the smallest and largest data value, the low and high
// end of the axis, the tick step and the decimal exponent of the axis range.
using AxisRow = std::array<double, 6>;
namespace axis {
inline constexpr int kMin = 0;
inline constexpr int kMax = 1;
inline constexpr int kLow = 2;
inline constexpr int kHigh = 3;
inline constexpr int kStep = 4;
inline constexpr int kExponent = 5;
// Rows of the table.
inline constexpr int kX = 0;
inline constexpr int kY = 1;
inline constexpr int kThird = 2;  // measured, never drawn
}  // namespace axis

// Most ticks drawn on one axis. Caller limits far wider than the automatic step, or
// huge tick counts, would otherwise mean millions of segments and labels.
inline constexpr std::int32_t kMaxTicks = 1000;

// Width and height of a text in the units of the surface it is drawn on.
using TextMeasure = std::function<double(const std::string& text)>;

// The minimum and maximum of the values (strict tests, so NaN never wins), the rest
// 0. No values leave the start values: largest Double, most negative Double.
AxisRow ColumnMinMax(std::span<const double> values);

// The automatic axis for data from `min` to `max`: the exponent p of the larger
// magnitude (one lower when its fraction is below 0.2), both ends rounded outward to
// multiples of 10^p, and a step of a quarter (X axis, `axisIndex` 0) or half (any other
// axis) of the range, rounded to 10^(p-2). Equal values give one 10^p either side of
// the rounded value, all zeros -1 to 1.
AxisRow NiceAxisRange(double min, double max, int axisIndex);

// Smallest width of an axis whose ends the caller gives.
inline constexpr double kMinAxisSpan = 1e-300;
// Finest place an automatic axis rounds to: its tick steps, a quarter of its width at
// least, are then normal Doubles (2.5e-308 and up). Results smaller than that are
// drawn on an axis 1e-307 wide.
inline constexpr int kMinAxisExponent = -307;

// The axis the drawing shows for ends the caller gives, low..high (low < high, both
// finite): ends further apart than the largest Double are each brought within
// kHeldAxisEnd of zero: a round number under half the largest Double, so that the
// width (1.6e308) and ticks at whole multiples of 1e307 are Doubles, and zero is a
// tick. A narrower axis than kMinAxisSpan keeps its low end and gets that width. Any
// other range comes back as it is. (An automatic axis covers its data, however far
// apart; see WidthOver.)
inline constexpr double kHeldAxisEnd = 8e307;
std::pair<double, double> HeldAxisRange(double low, double high);

// (high - low) / divisor for finite ends, formed from their halves where the ends lie
// further apart than the largest Double (the data of a run from -1.7e308 to 1.7e308).
double WidthOver(double low, double high, double divisor);

// How the values of one axis reach a drawing surface whose coordinates are Singles:
// as (v - origin) / unit, unit a power of two, so that the axis spans one to two units
// (origin 0 unless the values lie so far from zero that a Single could not tell the
// ticks apart; two to four units, about zero, for ends further apart than the largest
// Double). An axis that Singles hold well, as every everyday one, keeps its own
// values: origin 0, unit 1.
struct SurfaceMap {
    double origin = 0.0;
    double unit = 1.0;
    // Far beyond every axis but still a Single: a value further out (or infinite, when
    // the division overflows) is drawn from there, outside the plot.
    static constexpr double kFar = 0x1p100;
    double ToSurface(double v) const;
};
SurfaceMap SurfaceMapFor(double low, double high);

// A tick step that is positive, finite and gives at most kMaxTicks ticks from low to
// high. A step over the cap is replaced by the automatic step of the range (or, when
// that is still too fine or wider than the range, by a plain quarter of it on the X
// axis and a half on the others); `wholeSteps` rounds a
// replaced step up to a whole number, as label positions need. A range or step that
// is not finite, or a step that is not positive, raises error 255.
double GuardedTickStep(double low, double high, double step, int axisIndex, bool wholeSteps);

// Number of ticks from low to high at the step, both ends included, with a millionth
// of a step of tolerance at the high end; never more than kMaxTicks + 1.
std::int32_t TickCount(double low, double high, double step);
// Position of tick i: low + i * step, with a position within a millionth of a step of
// zero made exactly zero, so a label never reads "-0.0" from rounding dust, and any
// other rounded to a ten-billionth of the step's decade, so its label shows no dust.
double TickPosition(double low, double step, std::int32_t i);

// The fixed-point form of a tick label for exponent p: "0.0" for p = 0 or 1, "0" for
// p >= 2, "." and |p| zeros for p < 0 (no digit before the point: 0.25 gives ".25",
// 1.25 gives "1.25"). ".0" becomes "0"; a text that rounds to zero has no sign.
std::string FixedTickText(double value, int p);
// The form "0.0e-0": one digit, one decimal, "e", a "-" only for negative exponents
// ("1.5e3", "2.5e-1", "0.0e0"). Halves away from zero.
std::string ScientificTickText(double value);
// The fixed form unless it is wider than the scientific one on the surface.
std::string FormatTickLabel(double value, int p, const TextMeasure& textWidth);

// The labels of all ticks of one axis. Each tick keeps FormatTickLabel's text while every
// such text shows its tick's value (to 15 significant digits). Otherwise, as with a
// caller's step of 0.35 under one decimal, the whole axis takes the fewest decimals
// that show every tick exactly (written as the exponent's pattern writes them), or the
// scientific form with as many decimals, whichever is narrower at its widest label.
std::vector<std::string> AxisTickLabels(std::span<const double> ticks, int p, const TextMeasure& textWidth);

// Which of a row of labels to print so that no two printed ones overlap: all of them
// when they fit, else every k-th from the first (the smallest k that fits) with the
// last one kept too, the one before it left out when it would meet the last. Label i
// spans starts[i] to ends[i]; printed neighbours keep at least `gap` between them.
// Labels of no width (empty texts) never count as meeting another.
std::vector<bool> LabelsThatFit(std::span<const double> starts, std::span<const double> ends, double gap);

// Margins of the plot area as fractions of the picture: room for the widest Y label
// at the left, half a label at the right, the X labels (and the X title) below, and a
// line or two (with a Y title) above. Measured in the picture's own units, whose size
// is scaleWidth x scaleHeight. Labels wider than the texts those rooms are made for
// (a Y label, or half of the widest X label, which stands centred on its tick) widen
// their margin, so that no label is cut at the picture's edge.
// The space between a tick's end and its label, as a share of a line of text, so that
// a label never touches its tick.
inline constexpr double kTickLabelGapLines = 0.2;

struct PlotMargins {
    double left = 0.0;
    double right = 0.0;
    double bottom = 0.0;
    double top = 0.0;
};
PlotMargins ComputeMargins(const TextMeasure& textWidth, const TextMeasure& textHeight, double scaleWidth,
                           double scaleHeight, const std::string& xTitle, const std::string& yTitle,
                           double widestXLabel = 0.0, double widestYLabel = 0.0);

}  // namespace nuvir::chart
