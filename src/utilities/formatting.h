#pragma once
// Number texts shared by the windows, the report and the engine: probabilities with the
// analyst's number of decimals, and numbers rounded to significant figures in whichever
// of the plain and the scientific form is shorter (or narrower where it is drawn).
#include <cstdint>
#include <functional>
#include <string>

#include "runtime/variant.h"

namespace nuvir::MKelvaro {

// Width of a text as drawn on a target (its current font and scale). The drawing
// layer supplies one for a picture box; any measure serves as long as both forms are
// measured alike.
using TextWidthMeasure = std::function<double(const std::string& text)>;

// x with exactly `decimals` digits after the "." and at least one before it, the last
// digit rounded with halves away from zero ("0.125" with 2 gives "0.13").
std::string FormatDecimals(double x, std::int32_t decimals);
// The overloads that take the number of decimals from the options are in
// appdata/options.h: this library knows nothing of the options.

// x rounded to `digits` significant figures, as its general text (for example
// "1.234E-05") or in the form "0.000e-00" (for example "1.235e08"), whichever has no
// more characters; on a tie the general text.
std::string FormatSigFigs(double x, std::int32_t digits);
// The same, comparing the drawn widths on a target instead of the lengths; an empty
// measure compares lengths.
std::string FormatSigFigs(const TextWidthMeasure& target, double x, std::int32_t digits);
// The same with `decimals` digits after the point in the scientific form ("0.00e-00"
// for 2). A finite x whose rounding would carry it past the largest Double (the
// rounding raises Overflow) is shown unrounded in its 15-digit general text, which
// reads back as a Double, so any stored number has a text.
std::string FormatSigFigs(const TextWidthMeasure& target, double x, std::int32_t digits, std::int32_t decimals);

}  // namespace nuvir::MKelvaro
