#include "uncertainty/plotcurves.h"

#include <algorithm>
#include <cmath>

#include "controls/chart.h"
#include "numerics/numerics.h"
#include "utilities/utilities_arrays.h"

namespace nuvir {

namespace {

double GridX(const PlotRange& r, int i) { return r.xMin + (static_cast<double>(i) / kCurvePoints) * (r.xMax - r.xMin); }

template <class Density>
Curve GridCurve(const PlotRange& range, Density density) {
    Curve c;
    c.x.resize(kCurvePoints);
    c.y.resize(kCurvePoints);
    for (int i = 0; i < kCurvePoints; ++i) {
        c.x[i] = GridX(range, i);
        c.y[i] = density(c.x[i]);
    }
    return c;
}

double NormalPeak(double m, double s) { return DistributionFunctions::NormalDensity(m, m, s).value_or(0.0); }

// Parameters of the underlying normal that give mean m and standard deviation s.
struct LogParams {
    double mu;
    double sigma;
};
LogParams LogNormalParams(double m, double s) {
    return {std::log(m * m / std::sqrt(s * s + m * m)), std::sqrt(std::log((s / m) * (s / m) + 1.0))};
}

double LogNormalPeak(double m, double s) {
    const LogParams p = LogNormalParams(m, s);
    const double mode = std::exp(p.mu - p.sigma * p.sigma);
    const double y = DistributionFunctions::LognormalDensity(mode, p.mu, p.sigma).value_or(0.0);
    return std::isfinite(y) ? y : 0.0;
}

void AddPoint(Curve& c, double x, double y) {
    c.x.push_back(x);
    c.y.push_back(y);
}

}  // namespace

Variant Curve::ToChartData() const { return ChartSeries(x, y); }

PlotRange ComputePlotRange(QuantityKind kind, int distribution, double m, double sLow, double sHigh, double spread,
                           double previousYMax) {
    PlotRange r;
    if (sLow <= 0) sLow = 1;
    if (kind == QuantityKind::Probability) {
        r.xMin = -0.5;
        r.xMax = 1.5;
    } else if (distribution == distribution::LogNormal && m > 0) {
        r.xMin = 0;
        r.xMax = m + 3 * sHigh;
    } else {
        r.xMin = m - 3 * sHigh;
        r.xMax = m + 3 * sHigh;
    }
    switch (distribution) {
        case distribution::Uniform: r.yMax = 1.0 / (sLow * kSqr12); break;
        case distribution::LogNormal:
            r.yMax = m > 0 ? std::max(std::max(0.0, LogNormalPeak(m, sLow)), LogNormalPeak(m, sHigh))
                           : NormalPeak(m, sLow);
            break;
        case distribution::Beta: {
            PlotRange trial = r;
            trial.yMax = previousYMax;
            const Curve c = spread <= 0 ? (m > 0 && m < 1 ? SpikeCurve(m, previousYMax) : Curve{})
                                        : BetaCurve(m, sLow, trial);
            double top = NumericLimits::LowestDouble;
            for (double y : c.y) top = std::max(top, y);
            r.yMax = top < 0 ? NormalPeak(m, sLow) : top;
            break;
        }
        default: r.yMax = NormalPeak(m, sLow); break;
    }
    return r;
}

Curve SpikeCurve(double m, double yMax) { return Curve{{m, m}, {0.0, yMax}}; }

Curve UniformCurve(QuantityKind kind, double m, double sd, double yMax) {
    if (sd <= 0) return SpikeCurve(m, yMax);
    const double half = kSqr12 * sd / 2;
    double lo = m - half;
    double hi = m + half;
    if (kind == QuantityKind::Probability) {
        lo = std::max(0.0, lo);
        hi = std::min(1.0, hi);
    }
    // The height of the uncut rectangle, also when it was cut.
    const double h = 0.5 / half;
    return Curve{{lo, lo, hi, hi}, {0.0, h, h, 0.0}};
}

Curve NormalCurve(double m, double sd, const PlotRange& range) {
    if (sd <= 0) return SpikeCurve(m, range.yMax);
    return GridCurve(range, [&](double x) { return DistributionFunctions::NormalDensity(x, m, sd).value_or(0.0); });
}

Curve LogNormalCurve(double m, double sd, const PlotRange& range) {
    if (m <= 0) return {};
    if (sd <= 0) return SpikeCurve(m, range.yMax);
    const LogParams p = LogNormalParams(m, sd);
    return GridCurve(range, [&](double x) {
        if (x <= 0) return 0.0;
        const double y = DistributionFunctions::LognormalDensity(x, p.mu, p.sigma).value_or(0.0);
        return std::isfinite(y) ? y : 0.0;
    });
}

Curve BetaCurve(double m, double sd, const PlotRange& range) {
    if (m <= 0 || m >= 1) return {};
    if (sd <= 0) return SpikeCurve(m, range.yMax);
    const double r = 1.0 / m - 1.0;
    const double k = r / ((r + 1) * (r + 1) * sd * sd) - 1.0;
    const double beta = k * r / (r + 1);
    const double alpha = beta / r;
    // A spread too wide for a beta (k <= 0) has no density anywhere: the curve is flat.
    return GridCurve(range, [&](double x) {
        if (x <= 0 || x >= 1) return 0.0;
        return DistributionFunctions::BetaDensity(x, alpha, beta).value_or(0.0);
    });
}

Curve ClipCurveToUnitRange(const Curve& c) {
    Curve o;
    const std::size_t n = c.size();
    for (std::size_t i = 0; i < n; ++i) {
        const double x = c.x[i];
        if (x >= 0 && x < 1) {
            AddPoint(o, x, c.y[i]);
        } else if (x >= 1) {
            if (i == 0) {
                // Nothing before the first point to cut against: keep what stands at 1.
                for (std::size_t j = 0; j < n && c.x[j] == 1.0; ++j) AddPoint(o, c.x[j], c.y[j]);
                break;
            }
            if (c.x[i - 1] >= 1) break;
            AddPoint(o, 1.0, MUtilities::Interpolate(1.0, c.x[i - 1], c.y[i - 1], x, c.y[i]));
            break;
        } else if (i + 1 < n && c.x[i + 1] > 0) {
            AddPoint(o, 0.0, MUtilities::Interpolate(0.0, x, c.y[i], c.x[i + 1], c.y[i + 1]));
        }
    }
    return o;
}

CurveStats CurveMoments(const Curve& c, bool uniform) {
    // Each interval of the trapezium rule: its width, mean height and midpoint.
    auto intervals = [&c](auto&& add) {
        for (std::size_t i = 0; i + 1 < c.size(); ++i)
            add(c.x[i + 1] - c.x[i], (c.y[i] + c.y[i + 1]) / 2, (c.x[i] + c.x[i + 1]) / 2);
    };
    CurveStats s;
    double area = 0, m1 = 0;
    intervals([&](double w, double ybar, double xbar) {
        area += ybar * w;
        m1 += xbar * ybar * w;
    });
    if (c.empty() || !(area > 0)) return s;
    const double mean = m1 / area;
    s.mean = mean;
    if (uniform) {
        s.sd = (c.x.back() - c.x.front()) / kSqr12;
        return s;
    }
    double a = 0, m2 = 0;
    intervals([&](double w, double ybar, double xbar) {
        a += ybar * w;
        m2 += (xbar - mean) * (xbar - mean) * ybar * w;
    });
    if (a > 0) s.sd = std::sqrt(m2 / a);
    return s;
}

CurveData BuildCurveData(QuantityKind kind, int distribution, double m, double sd, const PlotRange& range) {
    CurveData d;
    switch (distribution) {
        case distribution::Uniform: d.curve = UniformCurve(kind, m, sd, range.yMax); break;
        case distribution::LogNormal: d.curve = LogNormalCurve(m, sd, range); break;
        case distribution::Beta: d.curve = BetaCurve(m, sd, range); break;
        default: d.curve = NormalCurve(m, sd, range); break;
    }
    if (kind == QuantityKind::Probability && distribution != distribution::Uniform)
        d.curve = ClipCurveToUnitRange(d.curve);
    d.stats = CurveMoments(d.curve, distribution == distribution::Uniform);
    return d;
}

}  // namespace nuvir
