#include "controls/chart_options.h"

#include "runtime/convert.h"

namespace nuvir::chart {

ChartOptions::ChartOptions(const Variant& options) {
    if (!options.isArray()) return;
    if (options.dims() == 0) {
        // An array never given bounds takes them now.
        options_ = Variant::MakeArray(options.elemKind(), {Bounds{0, option::kLast}});
        return;
    }
    options_ = options;
    options_.redimPreserve(option::kLast);
}

const Variant& ChartOptions::Element(int i) const { return options_(i); }

std::optional<double> ChartOptions::Setting(int i) const {
    if (!Present()) return std::nullopt;
    const Variant& v = Element(i);
    if (!IsNumeric(v)) return std::nullopt;  // Empty is numeric and reads as 0
    return CDbl(v);
}

bool ChartOptions::IsTrue(int i) const { return Present() && VarEquals(Element(i), Variant(true)); }

std::optional<double> ChartOptions::AxisValue(int i) const {
    if (!Present()) return std::nullopt;
    const Variant& v = Element(i);
    if (v.isEmpty() || !IsNumeric(v)) return std::nullopt;
    return CDbl(v);
}

std::optional<std::int32_t> ChartOptions::TickCount(int i) const {
    if (!AxisValue(i)) return std::nullopt;
    const std::int32_t count = CLng(Element(i));
    if (count < 2) return std::nullopt;
    return count;
}

std::optional<double> ChartOptions::ReferencePosition(int i) const {
    if (!AxisValue(i)) return std::nullopt;
    return Val(CStr(Element(i)));
}

}  // namespace nuvir::chart
