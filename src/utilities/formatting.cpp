// Number texts with decimals and with significant figures.
#include "utilities/formatting.h"

#include <algorithm>
#include <cmath>

#include "runtime/convert.h"
#include "runtime/error.h"
#include "utilities/utilities_rounding.h"

namespace nuvir::MKelvaro {

std::string FormatDecimals(double x, std::int32_t decimals) {
    // The options keep 1 to 4; anything read from an edited file is held to what the
    // 15-digit text can carry.
    return FormatFixed(x, std::clamp<std::int32_t>(decimals, 0, 15));
}

std::string FormatSigFigs(double x, std::int32_t digits) { return FormatSigFigs(TextWidthMeasure(), x, digits); }

std::string FormatSigFigs(const TextWidthMeasure& target, double x, std::int32_t digits) {
    return FormatSigFigs(target, x, digits, 3);
}

std::string FormatSigFigs(const TextWidthMeasure& target, double x, std::int32_t digits, std::int32_t decimals) {
    // An infinity is written as one, not through the rounding of a mantissa it lacks.
    if (!std::isfinite(x)) return FormatDouble(x);
    double r = x;
    try {
        r = MUtilities::RoundSigFigs(x, digits);
    } catch (const AppError& e) {
        // 1.7976931348623157e308 rounds to 1.798e308, beyond the range: a text that
        // cannot be read back, and one that has locked windows out before.
        if (e.number() != err::Overflow) throw;
        return FormatDouble(x);
    }
    std::string plain = FormatDouble(r);
    std::string scientific = FormatScientific(r, decimals);
    if (!target) return plain.size() <= scientific.size() ? plain : scientific;
    // Drawn widths are single-precision numbers on the drawing surface.
    const float widthPlain = static_cast<float>(target(plain));
    const float widthScientific = static_cast<float>(target(scientific));
    return widthPlain <= widthScientific ? plain : scientific;
}

}  // namespace nuvir::MKelvaro
