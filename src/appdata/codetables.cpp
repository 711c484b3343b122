#include "appdata/codetables.h"

#include <array>
#include <cmath>

#include "runtime/convert.h"
#include "utilities/utilities_arrays.h"

namespace nuvir::MKelvaro {

Variant StateTokens;

namespace {

struct NamedColour {
    std::int32_t value;
    const char* written;
};

// Name lookups go through the first entry of a value, so "Grey" is the name written
// for C0C0C0; "GRAY" is only read.
constexpr std::array<NamedColour, 9> kColours{{
    {0x000000, "Black"},
    {0xFFFFFF, "White"},
    {0x0000FF, "Red"},
    {0x00FF00, "Green"},
    {0xFF0000, "Blue"},
    {0x00FFFF, "Yellow"},
    {0xFF00FF, "Magenta"},
    {0xFFFF00, "Cyan"},
    {0xC0C0C0, "Grey"},
}};

}  // namespace

std::string DistributionCode(std::int32_t code) {
    switch (code) {
        case 0: return "U";
        case 1: return "N";
        case 2: return "LN";
        case 3: return "B";
        default: return "?";
    }
}

std::string DistributionCodeOf(double code) {
    const double whole = RoundHalfEven(code);
    if (!(whole >= 0 && whole <= 3)) return DistributionCode(-1);
    return DistributionCode(static_cast<std::int32_t>(whole));
}

bool NamesDistribution(double code) { return code >= 0 && code <= 3 && code == std::floor(code); }

std::int32_t ParseDistributionCode(std::string_view text) {
    const std::string code = UCase(TrimWhite(text));
    if (code == "N") return 1;
    if (code == "LN") return 2;
    if (code == "B") return 3;
    return 0;  // "U" and anything unknown
}

std::string UncertaintyLevelCode(std::int32_t level) {
    if (level < 0 || level > 4) return "??";
    return "L" + std::to_string(level);
}

std::int32_t ParseUncertaintyLevel(std::string_view text) {
    const std::string code = UCase(TrimWhite(text));
    for (std::size_t level = 0; level < kOlderLevelCodes.size(); ++level)
        if (code == kOlderLevelCodes[level]) return static_cast<std::int32_t>(level);
    if (code.size() == 2 && code[0] == 'L' && code[1] >= '0' && code[1] <= '4') return code[1] - '0';
    return 2;
}

void InitStateTokens() {
    StateTokens = Variant::List({";",    "=",    ",",    "SPECIES", "LOCATION", "N", "UM", "PRNG", "CI",   "CATI",
                                 "CATC", "NUMI", "NUMC", "NUMR",    "VN",       "P", "I",  "F",    "ICAT", "FCAT"});
}

std::int32_t ParseColour(std::string_view text) {
    const std::string name = UCase(TrimWhite(text));
    if (name == "GRAY") return 0xC0C0C0;
    for (const auto& colour : kColours)
        if (name == UCase(colour.written)) return colour.value;
    if (!IsNumericText(text)) return 0;
    // The "&" suffix makes a short "&H" form a 32-bit value (&HFF00 is 65280, not a
    // negative 16-bit number) and leaves a decimal text as it is.
    const double value = Val(std::string(text) + "&");
    return CLng(Variant(value));
}

std::string ColourName(std::int32_t colour) {
    for (const auto& named : kColours)
        if (named.value == colour) return named.written;
    return "&H" + MUtilities::HexPad(Variant(colour), 6);
}

}  // namespace nuvir::MKelvaro
