#pragma once
// The rules of the input pages that need no window: reading the number of trials,
// placing the level sliders from the data, and the level wordings.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nuvir::pagerules {

// The number of trials a typed text stands for, or nothing when the text is not a
// number. Accepted: blanks, a sign, digits with at most one ".", an exponent ("e" or
// "E", a sign, digits), blanks. The whole part is kept and held within 1000..100000,
// so a number too large for a Double still gives 100000. "nan", "inf", hexadecimal
// and the empty text are not numbers.
std::optional<std::int32_t> TrialsFromText(std::string_view text);

// The slider values for the level percentages (items 4..8): the first held within
// 0..100, each later one within the one before it and 100, then rounded (halves to
// even).
std::array<int, 5> LevelSliderValues(const std::array<double, 5>& levels);

// The percentage a level label's caption stands for: its leading number once every
// "%" is removed, held within 0..100.
double LevelFromCaption(std::string_view caption);

// Tool tip wording of level `level` (0..4) with 4 or 5 levels.
std::string LevelWording(int level, int levels);
// The two lines of a grid column caption, joined by CR LF.
std::string LevelColumnCaption(int level, int levels);

}  // namespace nuvir::pagerules
