#include "controls/chart_axes.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "numerics/numerics.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "utilities/utilities_rounding.h"

namespace nuvir::chart {

namespace {

// Fraction of a step within which a tick still counts as reaching the high end, and
// within which a position counts as zero.
constexpr double kStepTolerance = 1e-6;

bool IsAllZero(const std::string& digitsAndPoint) {
    for (char c : digitsAndPoint)
        if (c != '0' && c != '.') return false;
    return true;
}

// The value with the given decimals as an exponent's pattern writes it: a pattern of only
// decimals writes no digit before the point, and no zero carries a sign.
std::string PatternFixed(double value, int decimals, bool onlyDecimals) {
    std::string s = FormatFixed(value, decimals);
    if (onlyDecimals && s.rfind("0.", 0) == 0)
        s.erase(0, 1);
    else if (onlyDecimals && s.rfind("-0.", 0) == 0)
        s.erase(1, 1);
    if (!s.empty() && s[0] == '-' && IsAllZero(s.substr(1))) s.erase(0, 1);
    return s;
}

// Whether a tick's label reads back as the tick's 15-digit value. A label rounded
// beyond the Double range (-1.8e308 for a tick at -1.7974e308) reads back as none.
bool ShowsTick(const std::string& label, double tick) {
    const std::optional<double> read = UnlessOverflow([&] { return Val(label); });
    return read && FormatDouble(*read) == FormatDouble(Val(FormatDouble(tick)));
}

}  // namespace

AxisRow ColumnMinMax(std::span<const double> values) {
    AxisRow r{};
    r[axis::kMin] = NumericLimits::LargestDouble;
    r[axis::kMax] = NumericLimits::LowestDouble;
    for (double v : values) {
        if (v < r[axis::kMin]) r[axis::kMin] = v;
        if (v > r[axis::kMax]) r[axis::kMax] = v;
    }
    return r;
}

AxisRow NiceAxisRange(double min, double max, int axisIndex) {
    using MUtilities::RoundDownToPlace;
    using MUtilities::RoundToPlace;
    using MUtilities::RoundUpToPlace;

    AxisRow r{};
    r[axis::kMin] = min;
    r[axis::kMax] = max;

    const double m = MathFunctions::Max(std::fabs(min), std::fabs(max));
    int p = 0;
    if (m > 0.0) {
        const double e = std::log(m) / std::log(10.0);
        p = static_cast<int>(RoundDownToPlace(e, 0));
        // A range just above a power of ten would get only one or two ticks.
        if (e - std::floor(e) < 0.2) p -= 1;
        // Subnormal data would ask for places whose factor 10^-p overflows.
        p = std::max(p, kMinAxisExponent);
    }
    const double unit = std::pow(10.0, p);
    // Data near the largest Double would round past it: such an end rounds to the next
    // finer place (1.2e308 to 1.3e308, so that a range wider than the largest Double
    // still has round ticks), or where that too would pass it stays where the data end.
    const auto outward = [&](double v, bool up) {
        for (int q = p; q >= p - 1; --q) {
            if (std::fabs(v) > NumericLimits::LargestDouble - (q == p ? unit : unit / 10.0)) continue;
            const auto place = static_cast<std::int16_t>(q);
            return up ? RoundUpToPlace(v, place) : RoundDownToPlace(v, place);
        }
        return v;
    };
    if (min < max) {
        r[axis::kLow] = outward(min, false);
        r[axis::kHigh] = outward(max, true);
        r[axis::kExponent] = p;
    } else if (min == 0.0) {
        r[axis::kLow] = -1.0;
        r[axis::kHigh] = 1.0;
        r[axis::kExponent] = 0.0;
    } else {
        const double base = outward(min, false);
        r[axis::kLow] = std::fabs(base - unit) <= NumericLimits::LargestDouble ? base - unit : base;
        r[axis::kHigh] = std::fabs(base + unit) <= NumericLimits::LargestDouble ? base + unit : base;
        r[axis::kExponent] = p;
    }
    const double divisions = axisIndex == axis::kX ? 4.0 : 2.0;
    const auto stepPlace = static_cast<std::int16_t>(static_cast<int>(r[axis::kExponent]) - 2);
    // Each end divided first: ends of opposite signs near the largest Double are further
    // apart than a Double reaches. (Dividing by a power of two is exact either way.)
    r[axis::kStep] = RoundToPlace(r[axis::kHigh] / divisions - r[axis::kLow] / divisions, stepPlace);
    return r;
}

std::pair<double, double> HeldAxisRange(double low, double high) {
    if (!std::isfinite(high - low)) {
        low = std::max(low, -kHeldAxisEnd);
        high = std::min(high, kHeldAxisEnd);
    }
    // Only ends within about 1e-284 of zero can be this close; there low + the minimum
    // width is a different number.
    if (high - low < kMinAxisSpan) high = low + kMinAxisSpan;
    return {low, high};
}

double WidthOver(double low, double high, double divisor) {
    const double width = high - low;
    if (std::isfinite(width) || !std::isfinite(low) || !std::isfinite(high)) return width / divisor;
    // Halving is exact at this size.
    return (high / 2.0 - low / 2.0) / divisor * 2.0;
}

double SurfaceMap::ToSurface(double v) const {
    // Each value divided first, so that neither it nor the origin overflows on the way.
    const double s = v / unit - origin / unit;
    return std::clamp(s, -kFar, kFar);
}

SurfaceMap SurfaceMapFor(double low, double high) {
    const double span = high - low;
    const double m = std::max(std::fabs(low), std::fabs(high));
    // Singles reach 3.4e38 and resolve 2^-24 of a value: an axis within 2^64 of zero,
    // at least 2^-64 wide and wider than 2^-10 of its values is drawn as it stands.
    constexpr double kNear = 0x1p64;
    constexpr double kFine = 0x1p-10;
    SurfaceMap map;
    if (std::isinf(span) && std::isfinite(low) && std::isfinite(high)) {
        map.unit = std::ldexp(1.0, std::ilogb(high / 2.0 - low / 2.0));
        return map;
    }
    if (!(span > 0.0) || !std::isfinite(span)) return map;
    if (m <= kNear && span >= 1.0 / kNear && span >= m * kFine) return map;
    map.unit = std::ldexp(1.0, std::ilogb(span));
    if (m / map.unit > 1.0 / kFine) map.origin = low;
    return map;
}

double GuardedTickStep(double low, double high, double step, int axisIndex, bool wholeSteps) {
    const double range = high - low;
    if (!std::isfinite(low) || !std::isfinite(high) || !std::isfinite(step) || !(step > 0.0))
        RaiseComponentError("Chart axis has no usable tick step");
    if (WidthOver(low, high, step) <= kMaxTicks) return step;

    // The step the range would get automatically, unless that still gives too many
    // ticks or is wider than the range (a narrow range far from zero).
    double coarser = NiceAxisRange(low, high, axisIndex)[axis::kStep];
    if (!(coarser > 0.0) || !std::isfinite(coarser) || WidthOver(low, high, coarser) > kMaxTicks ||
        (std::isfinite(range) && coarser > range))
        coarser = WidthOver(low, high, axisIndex == axis::kX ? 4.0 : 2.0);
    if (wholeSteps) coarser = std::ceil(coarser);
    if (!(coarser > 0.0) || !std::isfinite(coarser)) RaiseComponentError("Chart axis has no usable tick step");
    return coarser;
}

std::int32_t TickCount(double low, double high, double step) {
    const double intervals = std::floor(WidthOver(low, high, step) + kStepTolerance);
    if (!(intervals >= 0.0)) return 1;  // the first tick is always drawn
    if (intervals >= kMaxTicks) return kMaxTicks + 1;
    return static_cast<std::int32_t>(intervals) + 1;
}

double TickPosition(double low, double step, std::int32_t i) {
    double x = low + static_cast<double>(i) * step;
    // Far along an axis wider than the largest Double, i steps are wider too: halves.
    if (std::isinf(x) && std::isfinite(low) && std::isfinite(step))
        x = (low / 2.0 + static_cast<double>(i) * (step / 2.0)) * 2.0;
    if (std::fabs(x) < std::fabs(step) * kStepTolerance) return 0.0;
    // Binary fractions leave dust in the last digits (-0.6 + 2 x 0.275 gives
    // -0.049999999999999933), which a label would spell out in full: a tick stands on
    // a multiple of a ten-billionth of the step's decade.
    const double decade = std::floor(std::log10(std::fabs(step)));
    if (!std::isfinite(decade)) return x;
    // A tick that rounding could carry past the largest Double stays as it is.
    if (decade > 290 && std::fabs(x) > NumericLimits::LargestDouble - std::pow(10.0, decade - 10)) return x;
    return MUtilities::RoundToPlace(x, static_cast<std::int16_t>(decade - 10));
}

std::string FixedTickText(double value, int p) {
    const std::string s = PatternFixed(value, p >= 2 ? 0 : (p >= 0 ? 1 : -p), p < 0);
    return s == ".0" ? "0" : s;
}

std::string ScientificTickText(double value) {
    if (!std::isfinite(value)) return FormatDouble(value);
    if (value == 0.0) return "0.0e0";
    // Round the 15-digit decimal text to two digits, halves away from zero.
    const DecimalDigits d = ToDecimalDigits(value, 15);
    std::string digits = d.digits;
    while (digits.size() < 3) digits.push_back('0');
    int mantissa = (digits[0] - '0') * 10 + (digits[1] - '0');
    if (digits[2] >= '5') ++mantissa;
    int exponent = d.exp10;
    if (mantissa >= 100) {
        mantissa /= 10;
        ++exponent;
    }
    std::string s;
    if (d.negative) s.push_back('-');
    s.push_back(static_cast<char>('0' + mantissa / 10));
    s.push_back('.');
    s.push_back(static_cast<char>('0' + mantissa % 10));
    s.push_back('e');
    if (exponent < 0) s.push_back('-');
    s += FormatDouble(static_cast<double>(exponent < 0 ? -exponent : exponent));
    return s;
}

std::string FormatTickLabel(double value, int p, const TextMeasure& textWidth) {
    std::string fixed = FixedTickText(value, p);
    std::string scientific = ScientificTickText(value);
    return textWidth(fixed) <= textWidth(scientific) ? fixed : scientific;
}

std::vector<std::string> AxisTickLabels(std::span<const double> ticks, int p, const TextMeasure& textWidth) {
    std::vector<std::string> labels;
    int decimals = 0;          // the fewest that show every tick in the fixed form
    int mantissaDecimals = 1;  // and in the scientific form
    bool shown = true;
    for (double t : ticks) {
        const std::string text = FormatTickLabel(t, p, textWidth);
        const DecimalDigits d = ToDecimalDigits(t, 15);
        const int significant = static_cast<int>(d.digits.size());
        decimals = std::max(decimals, significant - 1 - d.exp10);
        mantissaDecimals = std::max(mantissaDecimals, significant - 1);
        shown = shown && ShowsTick(text, t);
        labels.push_back(text);
    }
    if (shown) return labels;

    std::vector<std::string> fixed, scientific;
    double widestFixed = 0.0, widestScientific = 0.0;
    for (double t : ticks) {
        std::string f = PatternFixed(t, decimals, p < 0);
        const DecimalDigits d = ToDecimalDigits(t, 15);
        std::string e = t == 0.0 ? "0" : FormatFixed(t / std::pow(10.0, d.exp10), mantissaDecimals);
        if (t == 0.0) {
            e += "." + std::string(static_cast<std::size_t>(mantissaDecimals), '0') + "e0";
        } else {
            e += "e" + std::string(d.exp10 < 0 ? "-" : "") + FormatDouble(std::abs(d.exp10));
        }
        widestFixed = std::max(widestFixed, textWidth(f));
        widestScientific = std::max(widestScientific, textWidth(e));
        fixed.push_back(std::move(f));
        scientific.push_back(std::move(e));
    }
    return widestFixed <= widestScientific ? fixed : scientific;
}

std::vector<bool> LabelsThatFit(std::span<const double> starts, std::span<const double> ends, double gap) {
    const std::size_t n = std::min(starts.size(), ends.size());
    const auto fits = [&](const std::vector<bool>& shown) {
        bool any = false;
        double end = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            if (!shown[i] || !(ends[i] > starts[i])) continue;
            if (any && starts[i] < end + gap) return false;
            end = ends[i];
            any = true;
        }
        return true;
    };
    // k = n - 1 leaves the first and the last.
    for (std::size_t k = 1; k < std::max<std::size_t>(n, 2); ++k) {
        std::vector<bool> shown(n, false);
        for (std::size_t i = 0; i < n; i += k) shown[i] = true;
        if (n > 1 && (n - 1) % k != 0) {
            shown[n - 1] = true;
            const std::size_t before = (n - 1) / k * k;
            if (before > 0) shown[before] = false;
        }
        if (fits(shown)) return shown;
    }
    // Even the first and the last meet: the first alone.
    std::vector<bool> shown(n, false);
    if (n > 0) shown[0] = true;
    return shown;
}

PlotMargins ComputeMargins(const TextMeasure& textWidth, const TextMeasure& textHeight, double scaleWidth,
                           double scaleHeight, const std::string& xTitle, const std::string& yTitle,
                           double widestXLabel, double widestYLabel) {
    PlotMargins m;
    const double lineHeight = textHeight("E");
    m.left = std::max(textWidth(" 0.0e-00"), widestYLabel + textWidth(" ")) / scaleWidth + 0.025;
    m.right = std::max(textWidth("00 "), widestXLabel / 2.0 + textWidth(" ")) / scaleWidth;
    const double gap = kTickLabelGapLines * lineHeight;
    if (xTitle.empty())
        m.bottom = (lineHeight + gap) / scaleHeight + 0.025;
    else
        m.bottom = (1.2 * textHeight(xTitle) + lineHeight + gap) / scaleHeight + 0.025;
    m.top = (yTitle.empty() ? 3.0 : 4.0) * lineHeight / 2.0 / scaleHeight;
    return m;
}

}  // namespace nuvir::chart
