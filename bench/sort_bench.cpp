// The quicksort on the sizes the simulation uses: 100,000 doubles (random, already
// sorted, reversed, all equal), the Variant-array version, a rank pass over a
// 100,000 x 2 table, and 100,000 sorts of 13 keys. The counter "stack" is the largest
// number of pending ranges the explicit stack held.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <span>
#include <utility>
#include <vector>

#include "runtime/variant.h"
#include "utilities/utilities_arrays.h"

using namespace nuvir;
namespace MU = nuvir::MUtilities;

namespace {

constexpr std::int32_t kN = 100000;

enum Shape { Random, Sorted, Reversed, AllEqual };

std::vector<double> Input(Shape shape) {
    std::vector<double> v(kN);
    std::mt19937_64 gen(42);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (std::int32_t i = 0; i < kN; ++i) {
        switch (shape) {
            case Random: v[static_cast<std::size_t>(i)] = u(gen); break;
            case Sorted: v[static_cast<std::size_t>(i)] = i; break;
            case Reversed: v[static_cast<std::size_t>(i)] = kN - i; break;
            case AllEqual: v[static_cast<std::size_t>(i)] = 0.25; break;
        }
    }
    return v;
}

void BM_QuickSortDoubles(benchmark::State& state) {
    const std::vector<double> input = Input(static_cast<Shape>(state.range(0)));
    std::size_t peak = 0;
    for (auto _ : state) {
        std::vector<double> v = input;
        peak = MU::QuickSort1D(std::span<double>(v), 0, kN - 1);
        benchmark::DoNotOptimize(v.data());
    }
    state.counters["stack"] = static_cast<double>(peak);
}
// Ordered input costs quadratic time with this pivot rule: one iteration each.
BENCHMARK(BM_QuickSortDoubles)->Arg(Random)->Arg(AllEqual)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuickSortDoubles)->Arg(Sorted)->Arg(Reversed)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_SortDoubles(benchmark::State& state) {
    const std::vector<double> input = Input(static_cast<Shape>(state.range(0)));
    for (auto _ : state) {
        std::vector<double> v = input;
        MU::SortDoubles(v);
        benchmark::DoNotOptimize(v.data());
    }
}
BENCHMARK(BM_SortDoubles)->Arg(Random)->Arg(Sorted)->Arg(Reversed)->Arg(AllEqual)->Unit(benchmark::kMillisecond);

void BM_QuickSortVariantArray(benchmark::State& state) {
    const Variant input = Variant::Doubles(Input(static_cast<Shape>(state.range(0))), 1);
    for (auto _ : state) {
        Variant v = input;
        MU::QuickSort1D(v, 1, kN);
        benchmark::DoNotOptimize(&v);
    }
}
BENCHMARK(BM_QuickSortVariantArray)->Arg(Random)->Arg(AllEqual)->Unit(benchmark::kMillisecond);

// One rank pass: the rows of (value, original position) sorted by the value.
void BM_RankRowsVariant(benchmark::State& state) {
    const std::vector<double> values = Input(Random);
    Variant input = Variant::MakeArray(VarType::Double, {{1, kN}, {0, 1}});
    for (std::int32_t i = 1; i <= kN; ++i) {
        input(i, 0) = values[static_cast<std::size_t>(i - 1)];
        input(i, 1) = i;
    }
    for (auto _ : state) {
        Variant t = input;
        MU::QuickSortRowsByColumn(t, 0, 1, kN);
        benchmark::DoNotOptimize(&t);
    }
}
BENCHMARK(BM_RankRowsVariant)->Unit(benchmark::kMillisecond);

void BM_RankRowsTyped(benchmark::State& state) {
    const std::vector<double> values = Input(Random);
    for (auto _ : state) {
        std::vector<double> key = values;
        std::vector<std::int32_t> pos(kN);
        for (std::int32_t i = 0; i < kN; ++i) pos[static_cast<std::size_t>(i)] = i;
        MU::QuickSortPositions(
            0, kN - 1, [&](std::int32_t p) { return key[static_cast<std::size_t>(p)]; },
            [&](std::int32_t p, std::int32_t q) {
                std::swap(key[static_cast<std::size_t>(p)], key[static_cast<std::size_t>(q)]);
                std::swap(pos[static_cast<std::size_t>(p)], pos[static_cast<std::size_t>(q)]);
            });
        benchmark::DoNotOptimize(pos.data());
    }
}
BENCHMARK(BM_RankRowsTyped)->Unit(benchmark::kMillisecond);

// The per-trial random order: 13 random keys carrying the quantity numbers.
void BM_ThirteenKeySorts(benchmark::State& state) {
    std::mt19937 gen(1);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    for (auto _ : state) {
        for (int trial = 0; trial < kN; ++trial) {
            double key[13];
            int order[13];
            for (int i = 0; i < 13; ++i) {
                key[i] = u(gen);
                order[i] = i;
            }
            MU::QuickSortPositions(
                0, 12, [&](std::int32_t p) { return key[p]; },
                [&](std::int32_t p, std::int32_t q) {
                    std::swap(key[p], key[q]);
                    std::swap(order[p], order[q]);
                });
            benchmark::DoNotOptimize(order);
        }
    }
}
BENCHMARK(BM_ThirteenKeySorts)->Unit(benchmark::kMillisecond);

}  // namespace
