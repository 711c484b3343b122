#include "results/runstate.h"

namespace nuvir {

namespace {
Variant Column(const std::array<double, outcol::kCount>& values) {
    return Variant::Doubles(std::vector<double>(values.begin(), values.end()));
}

template <std::size_t N>
Variant Table(const std::array<std::array<double, 2>, N>& values) {
    Variant t = Variant::MakeArray(VarType::Double, {{0, static_cast<std::int32_t>(N) - 1}, {0, 1}});
    for (std::size_t i = 0; i < N; ++i) {
        for (int j = 0; j < 2; ++j) t(static_cast<std::int32_t>(i), j) = values[i][j];
    }
    return t;
}
}  // namespace

Variant RunState::RunSummaryVariant() const {
    return Variant::List({Variant(static_cast<int>(RunSummary.trials)), Column(RunSummary.mean),
                          Column(RunSummary.sd), Column(RunSummary.min), Column(RunSummary.max)});
}

Variant RunState::RunLimitsVariant() const { return Table(RunLimits); }

Variant RunState::RunRankCorrelationsVariant() const { return Table(RunRankCorrelations); }

Variant RunState::RunFrequenciesVariant() const {
    const std::int32_t classes = RunFrequencies.classes;
    Variant f = Variant::MakeArray(VarType::Double, {{0, 1}, {0, classes - 1}, {0, 1}});
    for (int m = 0; m < 2; ++m) {
        for (std::int32_t k = 0; k < classes; ++k) {
            f(0, k, m) = RunFrequencies.Midpoint(k, m);
            f(1, k, m) = RunFrequencies.Count(k, m);
        }
    }
    return f;
}

}  // namespace nuvir
