#include "simulation/columnsort.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <numeric>

#include "appdata/utilities_arrays.h"

namespace nuvir {

namespace {

// Below this many values a comparison sort is quicker than six counting passes.
constexpr std::size_t kSmall = 256;

constexpr int kDigitBits = 8;
constexpr int kBuckets = 1 << kDigitBits;
constexpr int kPasses = (64 + kDigitBits - 1) / kDigitBits;  // 6
constexpr std::uint64_t kSignBit = 0x8000000000000000ULL;

// An unsigned key that orders like the double: negative patterns flipped whole,
// non-negative ones with the sign bit set.
inline std::uint64_t KeyOf(double x) {
    const std::uint64_t b = std::bit_cast<std::uint64_t>(x);
    return (b & kSignBit) ? ~b : (b | kSignBit);
}

inline double ValueOf(std::uint64_t k) {
    const std::uint64_t b = (k & kSignBit) ? (k & ~kSignBit) : ~k;
    return std::bit_cast<double>(b);
}

inline unsigned Digit(std::uint64_t k, int pass) {
    return static_cast<unsigned>((k >> (pass * kDigitBits)) & (kBuckets - 1));
}

using Histograms = std::array<std::array<std::uint32_t, kBuckets>, kPasses>;

void CountDigits(const std::uint64_t* keys, std::size_t n, Histograms& h) {
    for (auto& row : h) row.fill(0);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t k = keys[i];
        for (int p = 0; p < kPasses; ++p) ++h[static_cast<std::size_t>(p)][Digit(k, p)];
    }
}

// A pass whose digit is the same for every key would only copy.
bool PassNeeded(const std::array<std::uint32_t, kBuckets>& counts, std::size_t n) {
    for (const auto c : counts)
        if (c != 0) return c != n;
    return false;
}

// Turns counts into starting offsets.
void Offsets(const std::array<std::uint32_t, kBuckets>& counts, std::array<std::uint32_t, kBuckets>& start) {
    std::uint32_t sum = 0;
    for (int b = 0; b < kBuckets; ++b) {
        start[static_cast<std::size_t>(b)] = sum;
        sum += counts[static_cast<std::size_t>(b)];
    }
}

}  // namespace

void SortColumn(std::span<double> values) {
    const std::size_t n = values.size();
    if (n < 2) return;
    for (const double x : values)
        if (std::isnan(x)) {
            MUtilities::SortDoubles(values);
            return;
        }
    if (n < kSmall) {
        std::sort(values.begin(), values.end());
        return;
    }
    std::vector<std::uint64_t> keys(n), work(n);
    for (std::size_t i = 0; i < n; ++i) keys[i] = KeyOf(values[i]);
    Histograms h;
    CountDigits(keys.data(), n, h);
    std::array<std::uint32_t, kBuckets> start;
    std::uint64_t* from = keys.data();
    std::uint64_t* to = work.data();
    for (int p = 0; p < kPasses; ++p) {
        const auto& counts = h[static_cast<std::size_t>(p)];
        if (!PassNeeded(counts, n)) continue;
        Offsets(counts, start);
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t k = from[i];
            to[start[Digit(k, p)]++] = k;
        }
        std::swap(from, to);
    }
    for (std::size_t i = 0; i < n; ++i) values[i] = ValueOf(from[i]);
}

void SortColumnWithPositions(std::span<const double> values, std::vector<double>& sorted,
                             std::vector<std::uint32_t>& order) {
    const std::size_t n = values.size();
    sorted.resize(n);
    order.resize(n);
    if (n < kSmall) {
        std::iota(order.begin(), order.end(), 0u);
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return KeyOf(values[a]) < KeyOf(values[b]);
        });
        for (std::size_t i = 0; i < n; ++i) sorted[i] = values[order[i]];
        return;
    }
    std::vector<std::uint64_t> keys(n), workKeys(n);
    std::vector<std::uint32_t> workOrder(n);
    for (std::size_t i = 0; i < n; ++i) {
        keys[i] = KeyOf(values[i]);
        order[i] = static_cast<std::uint32_t>(i);
    }
    Histograms h;
    CountDigits(keys.data(), n, h);
    std::array<std::uint32_t, kBuckets> start;
    std::uint64_t* fromKeys = keys.data();
    std::uint64_t* toKeys = workKeys.data();
    std::uint32_t* fromOrder = order.data();
    std::uint32_t* toOrder = workOrder.data();
    for (int p = 0; p < kPasses; ++p) {
        const auto& counts = h[static_cast<std::size_t>(p)];
        if (!PassNeeded(counts, n)) continue;
        Offsets(counts, start);
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t k = fromKeys[i];
            const std::uint32_t dst = start[Digit(k, p)]++;
            toKeys[dst] = k;
            toOrder[dst] = fromOrder[i];
        }
        std::swap(fromKeys, toKeys);
        std::swap(fromOrder, toOrder);
    }
    for (std::size_t i = 0; i < n; ++i) sorted[i] = ValueOf(fromKeys[i]);
    if (fromOrder != order.data()) std::memcpy(order.data(), fromOrder, n * sizeof(std::uint32_t));
}

}  // namespace nuvir
