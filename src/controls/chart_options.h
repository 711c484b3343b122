#pragma once
// The options array of one chart call (elements 0 to 10), read the way the chart reads
// it: elements 0 to 2 are graph-kind settings where Empty counts as 0, elements 3 to
// 10 are axis settings used only when given as a number (or numeric text).
#include <cstdint>
#include <optional>

#include "runtime/variant.h"

namespace nuvir::chart {

namespace option {
inline constexpr int kLineStyle = 0;     // line graph: DrawStyle of the series
inline constexpr int kHideXTicks = 0;    // True: no X ticks or labels
inline constexpr int kMarkerKind = 1;    // line graph: 0 circle, 1 filled circle, else none
inline constexpr int kBarWidth = 1;      // bar graph: pixels, at least 1
inline constexpr int kMarkerRadius = 2;  // line graph: pixels
inline constexpr int kBarBase = 2;       // bar graph: clamped into the Y axis
inline constexpr int kYMin = 3;
inline constexpr int kYMax = 4;
inline constexpr int kYTicks = 5;
inline constexpr int kXMin = 6;
inline constexpr int kXMax = 7;
inline constexpr int kXTicks = 8;
inline constexpr int kYReference = 9;
inline constexpr int kXReference = 10;
inline constexpr int kLast = 10;
}  // namespace option

class ChartOptions {
public:
    // No options array.
    ChartOptions() = default;
    // A copy of the caller's array sized to end at element 10 (missing trailing
    // elements Empty, later ones dropped); anything that is not an array means none.
    explicit ChartOptions(const Variant& options);

    bool Present() const { return options_.isArray(); }
    // The element itself; raises Subscript out of range when the array lacks it.
    const Variant& Element(int i) const;

    // Elements 0 to 2: the number held, Empty counting as 0; nothing without an
    // options array or for a text that is not a number.
    std::optional<double> Setting(int i) const;
    // True when there is an array and element i equals True (-1).
    bool IsTrue(int i) const;
    // Elements 3 to 10: the number held when the element is not Empty and numeric.
    std::optional<double> AxisValue(int i) const;
    // A tick count (elements 5 and 8): the element as a whole number when that is at
    // least 2. Fewer ticks cannot make an axis, and a count below 1 would never let
    // the tick loop reach the end, so those counts leave the step automatic.
    std::optional<std::int32_t> TickCount(int i) const;
    // A reference line position (elements 9 and 10): the element's text read as a
    // number with "." as the decimal separator.
    std::optional<double> ReferencePosition(int i) const;

private:
    Variant options_;
};

}  // namespace nuvir::chart
