#include "mainwindow/pagerules.h"

#include <algorithm>
#include <cmath>

#include "runtime/convert.h"

namespace nuvir::pagerules {

namespace {

// Val, with a text beyond the Double range read as the limit its sign points to.
double ValOrLimit(std::string_view s, double negativeLimit, double positiveLimit) {
    try {
        return Val(s);
    } catch (const AppError&) {
        const auto sign = s.find_first_not_of(" \t");
        return sign != std::string_view::npos && s[sign] == '-' ? negativeLimit : positiveLimit;
    }
}

constexpr int kMinTrials = 1000;
constexpr int kMaxTrials = 100000;

}  // namespace

std::optional<std::int32_t> TrialsFromText(std::string_view text) {
    // Tabs count as blanks here (a cell pasted from a sheet brings them), where the
    // runtime's test trims spaces only.
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    const std::string_view t = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (!IsDecimalText(t)) return std::nullopt;
    const double whole = std::floor(ValOrLimit(t, -HUGE_VAL, HUGE_VAL));
    return static_cast<std::int32_t>(std::clamp(whole, double{kMinTrials}, double{kMaxTrials}));
}

std::array<int, 5> LevelSliderValues(const std::array<double, 5>& levels) {
    std::array<int, 5> out{};
    double previous = 0.0;
    for (std::size_t k = 0; k < levels.size(); ++k) {
        const double lower = k == 0 ? 0.0 : previous;
        const double v = std::isnan(levels[k]) ? lower : std::clamp(levels[k], lower, 100.0);
        out[k] = static_cast<int>(RoundHalfEven(v));
        previous = out[k];
    }
    return out;
}

double LevelFromCaption(std::string_view caption) {
    std::string s;
    for (char c : caption) {
        if (c != '%') s += c;
    }
    return std::clamp(ValOrLimit(s, 0.0, 100.0), 0.0, 100.0);
}

std::string LevelWording(int level, int levels) {
    static const char* const four[4] = {"Very certain means plus/minus ", "Reasonably certain means plus/minus ",
                                        "Reasonably uncertain means plus/minus ", "Very uncertain means plus/minus "};
    static const char* const five[5] = {"Very high certainty means plus/minus ", "High certainty means plus/minus ",
                                        "Moderate certainty means plus/minus ", "Low certainty means plus/minus ",
                                        "Very low certainty means plus/minus "};
    if (levels == 4) return level >= 0 && level < 4 ? four[level] : "";
    return level >= 0 && level < 5 ? five[level] : "";
}

std::string LevelColumnCaption(int level, int levels) {
    static const char* const four[4][2] = {
        {"Very", "Certain"}, {"Reasonably", "Certain"}, {"Reasonably", "Uncertain"}, {"Very", "Uncertain"}};
    static const char* const five[5][2] = {{"Very High", "Certainty"},
                                           {"High", "Certainty"},
                                           {"Moderate", "Certainty"},
                                           {"Low", "Certainty"},
                                           {"Very Low", "Certainty"}};
    if (levels == 4) return level >= 0 && level < 4 ? std::string(four[level][0]) + "\r\n" + four[level][1] : "";
    return level >= 0 && level < 5 ? std::string(five[level][0]) + "\r\n" + five[level][1] : "";
}

}  // namespace nuvir::pagerules
