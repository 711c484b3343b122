// The inverse beta of a run: building the per-run polynomial for a shape pair, one
// value from it, and one value from the library (its everyday and its accurate
// policy) for comparison. Shapes: the engine bench's three, a J-shaped pair, two of
// model C's (a = 0.01 with b = 1, a = b = 0.02), and p1 with mean 0.0002 and SD 0.01155
// (a = 1e-4 with b = 0.5), and a = 6e-4 with b = 0.3 (below 0.002 the search works in
// quadruple precision).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "numerics/betaquantile.h"
#include "numerics/numerics.h"

namespace nuvir {
namespace {

const double kShapes[][2] = {{13.8, 9.2},
                             {2.625, 2.625},
                             {3.87, 5.8},
                             {0.19, 204},
                             {0.010018, 1.0019},
                             {0.0206, 0.0206},
                             {9.97844867974739e-05, 0.498822649500572},
                             {6e-4, 0.3}};

std::vector<double> Uniforms() {
    std::mt19937_64 g(5);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<double> v(4096);
    for (auto& x : v) x = u(g);
    return v;
}

// All octaves (a long run's build), the few of a run of 10^4 trials, or none (a run
// of 300).
void BM_BetaQuantileBuild(benchmark::State& state) {
    const auto* s = kShapes[state.range(0)];
    const int octaves = static_cast<int>(state.range(1));
    const double draws = octaves == BetaQuantile::kOctaves ? 1e300 : octaves == 0 ? 300.0 : 10000.0;
    for (auto _ : state) {
        BetaQuantile q(s[0], s[1], octaves, draws);
        q.BuildAll();
        benchmark::DoNotOptimize(q.Usable());
    }
}
BENCHMARK(BM_BetaQuantileBuild)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7}, {BetaQuantile::kOctaves, BetaQuantile::OctavesFor(10000), 0}})
    ->Unit(benchmark::kMillisecond);

// A long run's value, or (second argument 1) a run of 300's.
void BM_BetaQuantileValue(benchmark::State& state) {
    const auto* s = kShapes[state.range(0)];
    const bool shortRun = state.range(1) == 1;
    BetaQuantile q(s[0], s[1], shortRun ? 0 : BetaQuantile::kOctaves, shortRun ? 300.0 : 1e300);
    q.BuildAll();
    const auto u = Uniforms();
    std::size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(q(u[i++ & 4095]));
}
BENCHMARK(BM_BetaQuantileValue)->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7}, {0, 1}});

void BM_InverseBetaLibrary(benchmark::State& state) {
    const auto* s = kShapes[state.range(0)];
    const auto u = Uniforms();
    std::size_t i = 0;
    const int kind = static_cast<int>(state.range(1));
    for (auto _ : state) {
        const double x = u[i++ & 4095];
        benchmark::DoNotOptimize(kind == 0   ? DistributionFunctions::InverseBeta(x, s[0], s[1])
                                 : kind == 1 ? betaquantile::PreciseInverseBeta(x, s[0], s[1])
                                             : betaquantile::AccurateInverseBeta(x, s[0], s[1]));
    }
}
// 0 the everyday policy, 1 the accurate one, 2 the search that gives the node values.
BENCHMARK(BM_InverseBetaLibrary)->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7}, {0, 1, 2}});

}  // namespace
}  // namespace nuvir
