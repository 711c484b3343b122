#pragma once
// The small density plot of an uncertainty editor: its fixed axes, the curve of each
// distribution over them, the cut of a probability's curve to 0..1, and the moments
// of the curve actually drawn (its mean is the blue dot, which moves away from the
// entered mean when the curve is cut).
//
// The axes are computed for the spreads at the slider's two ends, so the curve can
// follow the slider without the axes moving under it.
#include <cmath>
#include <optional>
#include <vector>

#include "runtime/variant.h"

namespace nuvir {

enum class QuantityKind { Probability = 0, Impact = 1, Cost = 2 };

namespace distribution {
constexpr int Uniform = 0;
constexpr int Normal = 1;
constexpr int LogNormal = 2;
constexpr int Beta = 3;
}  // namespace distribution

// A uniform distribution of width w has the standard deviation w / Sqr(12).
inline const double kSqr12 = std::sqrt(12.0);

struct PlotRange {
    double xMin = 0.0;
    double xMax = 0.0;
    double yMax = 0.0;
};

// Points in order of increasing x; empty when there is no curve.
struct Curve {
    std::vector<double> x;
    std::vector<double> y;
    bool empty() const { return x.empty(); }
    std::size_t size() const { return x.size(); }
    // The (variable, point) Double array that the chart draws.
    Variant ToChartData() const;
};

// Mean and standard deviation of a curve by the trapezium rule; missing where they
// cannot be computed (no area).
struct CurveStats {
    std::optional<double> mean;
    std::optional<double> sd;
};

struct CurveData {
    Curve curve;
    CurveStats stats;
};

// Points of the density grid: x_i = xMin + i / 200 (xMax - xMin), i = 0..199.
constexpr int kCurvePoints = 200;

// The fixed axes for mean m and the spreads at the slider's ends (sLow <= 0 counts
// as 1). `spread` is the element's own SD, which decides only whether the beta's
// trial curve is a spike (of the old height `previousYMax`).
PlotRange ComputePlotRange(QuantityKind kind, int distribution, double m, double sLow, double sHigh, double spread,
                           double previousYMax);

// The curve of a distribution (0..3) with mean m and standard deviation sd over the
// range, cut to 0..1 for a probability, with its moments.
CurveData BuildCurveData(QuantityKind kind, int distribution, double m, double sd, const PlotRange& range);

// The single curves. No curve where the parameters give none (lognormal m <= 0, beta
// m outside (0, 1)); a zero spread gives the spike.
Curve UniformCurve(QuantityKind kind, double m, double sd, double yMax);
Curve NormalCurve(double m, double sd, const PlotRange& range);
Curve LogNormalCurve(double m, double sd, const PlotRange& range);
Curve BetaCurve(double m, double sd, const PlotRange& range);
// A vertical line at the mean up to the top of the plot.
Curve SpikeCurve(double m, double yMax);

// Cuts a curve to x in [0, 1], with interpolated end points. A curve that starts at
// or beyond 1 keeps only its points at exactly 1 (a spike at 1 stays visible).
Curve ClipCurveToUnitRange(const Curve& c);
// sd for the uniform distribution is the span of the points over Sqr(12).
CurveStats CurveMoments(const Curve& c, bool uniform);

}  // namespace nuvir
