#include "runtime/patternformats.h"

#include <array>

#include "runtime/convert.h"

namespace nuvir {

std::string FormatNoLeadingZero(double x, int decimals) { return WithoutLeadingZero(FormatFixed(x, decimals)); }

std::string FormatUpToSixDecimals(double x) {
    std::string s = FormatFixed(x, 6);
    const std::size_t point = s.find('.');
    std::size_t end = s.size();
    while (end > point + 2 && s[end - 1] == '0') --end;
    s.erase(end);
    return s;
}

std::string FormatDateDMY(int year, int month, int day) {
    static constexpr std::array<const char*, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const auto two = [](int v) { return std::string(v < 10 ? "0" : "") + FormatDouble(static_cast<double>(v)); };
    const int m = month < 1 ? 1 : (month > 12 ? 12 : month);
    std::string y = FormatDouble(static_cast<double>(year));
    while (y.size() < 4) y.insert(0, "0");
    return two(day) + "-" + kMonths[static_cast<std::size_t>(m - 1)] + "-" + y;
}

}  // namespace nuvir
