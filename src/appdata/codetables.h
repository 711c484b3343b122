#pragma once
// The code tables through which numbers of the data are written as text and read back:
// distribution letters, certainty level codes, the state-string keys and colour names.
// Readers ignore case and surrounding blanks, tabs, carriage returns and line feeds (a
// code read from a line with a trailing CR stays the same) and give a fixed default for
// unknown text.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/variant.h"

namespace nuvir::MKelvaro {

// 0 "U", 1 "N", 2 "LN", 3 "B"; any other code "?".
std::string DistributionCode(std::int32_t code);
// The code of a letter; unknown text gives 0.
std::int32_t ParseDistributionCode(std::string_view text);
// The letter of a stored code taken to the nearest whole number (halves to even). A
// hand-edited file can hold any number there: one beyond the 32-bit range is as unknown
// as 7 and gives "?", never an overflow.
std::string DistributionCodeOf(double code);
// True when a stored code names a distribution as a run takes it: a whole number 0 to 3.
bool NamesDistribution(double code);

// 0 to 4 give "L0" to "L4"; any other index "??".
std::string UncertaintyLevelCode(std::int32_t level);
// "L0".."L4" give 0..4, the older "VC", "RC", "RU", "VU" 0..3; anything else 2.
std::int32_t ParseUncertaintyLevel(std::string_view text);
// The codes of levels 0 to 3 in the older four-level data, still read.
inline constexpr std::array<std::string_view, 4> kOlderLevelCodes{"VC", "RC", "RU", "VU"};

// Indices of the state-string key table.
namespace token {
inline constexpr int kFieldSeparator = 0;  // ";"
inline constexpr int kKeySeparator = 1;    // "="
inline constexpr int kValueSeparator = 2;  // ","
inline constexpr int kSpecies = 3;
inline constexpr int kLocation = 4;
inline constexpr int kTrials = 5;
inline constexpr int kUncertaintyMode = 6;
inline constexpr int kPrng = 7;
inline constexpr int kConfidence = 8;
inline constexpr int kCategoricalImpacts = 9;
inline constexpr int kCategoricalCosts = 10;
inline constexpr int kNumImpactCategories = 11;
inline constexpr int kNumCostCategories = 12;
inline constexpr int kNumRelUncLevels = 13;
inline constexpr int kVersion = 14;
inline constexpr int kProbabilityPrefix = 15;
inline constexpr int kImpactPrefix = 16;
inline constexpr int kCostPrefix = 17;
inline constexpr int kImpactTablePrefix = 18;
inline constexpr int kCostTablePrefix = 19;
}  // namespace token

// The state-string key table: Empty until InitStateTokens fills it with a generic array
// (0 To 19) of texts. Its users call InitStateTokens when it is not yet a 1-D array.
extern Variant StateTokens;
void InitStateTokens();

// A colour from its name ("Grey" and "Gray" alike) or from a decimal or "&H" number
// text; anything else gives 0. A number outside the 32-bit range raises Overflow.
std::int32_t ParseColour(std::string_view text);
// The colour's name, or "&H" and at least six upper-case hexadecimal digits.
std::string ColourName(std::int32_t colour);

}  // namespace nuvir::MKelvaro
