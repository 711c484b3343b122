#pragma once
// The series data of a chart and the geometry of a filled area: closing the outline
// down to the zero line and finding a point inside it to start the flood fill from.
// Pure arithmetic, no drawing surface involved.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace nuvir::chart {

// The chart's working copy of the caller's data (variable, point): variable 0 holds
// the X values, variable 1 the Y values of the drawn series, higher variables are only
// measured. Stored one variable after the other.
struct ChartData {
    std::int32_t variables = 0;
    std::int32_t points = 0;
    std::vector<double> values;

    ChartData() = default;
    ChartData(std::int32_t variableCount, std::int32_t pointCount)
        : variables(variableCount),
          points(pointCount),
          values(static_cast<std::size_t>(variableCount) * static_cast<std::size_t>(pointCount), 0.0) {}

    double& at(std::int32_t v, std::int32_t j) { return values[Index(v, j)]; }
    double at(std::int32_t v, std::int32_t j) const { return values[Index(v, j)]; }
    double X(std::int32_t j) const { return at(0, j); }
    double Y(std::int32_t j) const { return at(1, j); }
    // All values of one variable, point 0 first.
    std::span<const double> Variable(std::int32_t v) const {
        return std::span<const double>(values).subspan(Index(v, 0), static_cast<std::size_t>(points));
    }

private:
    std::size_t Index(std::int32_t v, std::int32_t j) const {
        return static_cast<std::size_t>(v) * static_cast<std::size_t>(points) + static_cast<std::size_t>(j);
    }
};

// A point of the filled outline, X then Y.
struct ChartPoint {
    double X = 0.0;
    double Y = 0.0;
};

// The data grown by two points so that the outline runs from the last point straight
// down to Y = 0, along the zero line back to the first X value and (when the caller
// closes it) up to the first point: point n + 1 is (X(n), 0), point n + 2 is (X(0), 0),
// every other variable of both new points 0. Data without points comes back unchanged.
ChartData CloseAreaOutline(const ChartData& data);

// Variables 0 and 1 as points; empty when the data has fewer than three points (no
// area to fill).
std::vector<ChartPoint> DataToPoints(const ChartData& data);

// The crossing-number test. A point on a horizontal edge does not count; a vertical
// edge right of or through the point always crosses. Fewer than three points: False.
bool PointInPolygon(std::span<const ChartPoint> points, ChartPoint p);

// A point inside the area of a closed outline, halfway between its highest segment
// midpoint and the zero line. For twelve or more points the first five and the last
// four segments are not scanned, which keeps the closing segments along the zero line
// (and the steep ends of a curve) out of the search.
// Nothing when there are fewer than three points or the point is not inside.
std::optional<ChartPoint> FillSeedPoint(const ChartData& data);

// A seed beyond the Y band low..high (a caller's fixed axis, which clips the area)
// moved to the middle of what the band shows of its column, from the zero line to
// twice the seed's height; a seed inside the band is kept. Nothing when the band
// shows none of the column or the moved point is not inside the outline.
std::optional<ChartPoint> SeedWithinBand(const ChartData& data, ChartPoint seed, double low, double high);

}  // namespace nuvir::chart
