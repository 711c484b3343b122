#include "controls/chart_geometry.h"

#include "numerics/numerics.h"

namespace nuvir::chart {

ChartData CloseAreaOutline(const ChartData& data) {
    if (data.points <= 0) return data;
    const std::int32_t n = data.points - 1;
    ChartData closed(data.variables, data.points + 2);
    for (std::int32_t v = 0; v < data.variables; ++v)
        for (std::int32_t j = 0; j <= n; ++j) closed.at(v, j) = data.at(v, j);
    // The new points start at 0 in every variable; only X differs.
    closed.at(0, n + 1) = data.X(n);
    closed.at(0, n + 2) = data.X(0);
    return closed;
}

std::vector<ChartPoint> DataToPoints(const ChartData& data) {
    std::vector<ChartPoint> points;
    if (data.points < 3 || data.variables < 2) return points;
    points.reserve(static_cast<std::size_t>(data.points));
    for (std::int32_t j = 0; j < data.points; ++j) points.push_back({data.X(j), data.Y(j)});
    return points;
}

bool PointInPolygon(std::span<const ChartPoint> points, ChartPoint p) {
    const std::size_t n = points.size();
    if (n < 3) return false;
    std::size_t crossings = 0;
    ChartPoint p1 = points[0];
    for (std::size_t i = 0; i < n; ++i) {
        const ChartPoint p2 = points[(i + 1) % n];
        if (p.Y > MathFunctions::Min(p1.Y, p2.Y) && p.Y <= MathFunctions::Max(p1.Y, p2.Y) &&
            p.X <= MathFunctions::Max(p1.X, p2.X) && p1.Y != p2.Y) {
            const double crossX = (p.Y - p1.Y) * (p2.X - p1.X) / (p2.Y - p1.Y) + p1.X;
            if (p1.X == p2.X || p.X <= crossX) ++crossings;
        }
        p1 = p2;
    }
    return crossings % 2 == 1;
}

std::optional<ChartPoint> FillSeedPoint(const ChartData& data) {
    const std::vector<ChartPoint> points = DataToPoints(data);
    const std::int64_t m = static_cast<std::int64_t>(points.size());
    if (m < 3) return std::nullopt;

    std::int64_t first = 0;
    std::int64_t last = m - 2;
    if (m >= 12) {
        first = 5;
        last = m - 6;
    }
    ChartPoint best{0.0, NumericLimits::LowestDouble};
    for (std::int64_t i = first; i <= last; ++i) {
        const ChartPoint mid{(points[i].X + points[i + 1].X) / 2.0, (points[i].Y + points[i + 1].Y) / 2.0};
        if (mid.Y > best.Y) best = mid;  // the first of equal midpoints wins
    }
    if (!(best.Y > NumericLimits::LowestDouble)) return std::nullopt;
    best.Y /= 2.0;
    if (!PointInPolygon(points, best)) return std::nullopt;
    return best;
}

std::optional<ChartPoint> SeedWithinBand(const ChartData& data, ChartPoint seed, double low, double high) {
    if (seed.Y > low && seed.Y < high) return seed;
    const double bottom = MathFunctions::Max(MathFunctions::Min(0.0, 2.0 * seed.Y), low);
    const double top = MathFunctions::Min(MathFunctions::Max(0.0, 2.0 * seed.Y), high);
    if (!(top > bottom)) return std::nullopt;
    const ChartPoint moved{seed.X, (bottom + top) / 2.0};
    if (!PointInPolygon(DataToPoints(data), moved)) return std::nullopt;
    return moved;
}

}  // namespace nuvir::chart
