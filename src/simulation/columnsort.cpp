#include "simulation/columnsort.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <vector>

#include "appdata/utilities_arrays.h"

namespace nuvir {

namespace {

// Below this many values a comparison sort is quicker than eight counting passes.
constexpr std::size_t kSmall = 256;

// Eight passes of eight bits: small bucket tables that stay in the first-level cache
// measured faster than fewer passes with more buckets.
constexpr int kDigitBits = 8;
constexpr int kBuckets = 1 << kDigitBits;
constexpr int kPasses = 64 / kDigitBits;
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

// Keys are kept in raw 8-byte slots, so the column's own doubles can hold them while
// it is being sorted.
inline std::uint64_t Load(const unsigned char* slots, std::size_t i) {
    std::uint64_t k;
    std::memcpy(&k, slots + 8 * i, 8);
    return k;
}
inline void Store(unsigned char* slots, std::size_t i, std::uint64_t k) { std::memcpy(slots + 8 * i, &k, 8); }

using Counts = std::array<std::uint32_t, kBuckets>;
using Histograms = std::array<Counts, kPasses>;

// Writes the keys of the values into their own slots and counts every digit.
void ToKeys(std::span<double> values, unsigned char* slots, Histograms& h) {
    for (auto& row : h) row.fill(0);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::uint64_t k = KeyOf(values[i]);
        Store(slots, i, k);
        for (int p = 0; p < kPasses; ++p) ++h[static_cast<std::size_t>(p)][Digit(k, p)];
    }
}

// A pass whose digit is the same for every key would only copy.
bool PassNeeded(const Counts& counts, std::size_t n) {
    for (const auto c : counts)
        if (c != 0) return c != n;
    return false;
}

// Turns counts into starting offsets.
Counts Offsets(const Counts& counts) {
    Counts start;
    std::uint32_t sum = 0;
    for (std::size_t b = 0; b < counts.size(); ++b) {
        start[b] = sum;
        sum += counts[b];
    }
    return start;
}

// Ranks from keys in ascending order and the position each came from.
template <class KeyAt>
void AssignRanks(std::span<double> values, KeyAt keyAt, const std::uint32_t* order) {
    const std::size_t n = values.size();
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < n; ++i) {
        // Sorted, so "not below the next" means equal to it.
        const bool tiedWithNext = i + 1 < n && ValueOf(keyAt(i)) >= ValueOf(keyAt(i + 1));
        if (tiedWithNext) continue;
        const double rank = i == runStart ? static_cast<double>(i + 1)
                                          : (static_cast<double>(i + 1) + static_cast<double>(runStart + 1)) / 2.0;
        for (std::size_t k = runStart; k <= i; ++k) values[order[k]] = rank;
        runStart = i + 1;
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
    std::vector<std::uint64_t> work(n);
    auto* column = reinterpret_cast<unsigned char*>(values.data());
    auto* other = reinterpret_cast<unsigned char*>(work.data());
    Histograms h;
    ToKeys(values, column, h);
    unsigned char* from = column;
    unsigned char* to = other;
    for (int p = 0; p < kPasses; ++p) {
        const Counts& counts = h[static_cast<std::size_t>(p)];
        if (!PassNeeded(counts, n)) continue;
        Counts start = Offsets(counts);
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t k = Load(from, i);
            Store(to, start[Digit(k, p)]++, k);
        }
        std::swap(from, to);
    }
    for (std::size_t i = 0; i < n; ++i) values[i] = ValueOf(Load(from, i));
}

void RankColumn(std::span<double> values) {
    const std::size_t n = values.size();
    if (n == 0) return;
    if (n < kSmall) {
        std::vector<std::uint64_t> keys(n);
        std::vector<std::uint32_t> order(n);
        std::iota(order.begin(), order.end(), 0u);
        for (std::size_t i = 0; i < n; ++i) keys[i] = KeyOf(values[i]);
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
        AssignRanks(values, [&](std::size_t i) { return keys[order[i]]; }, order.data());
        return;
    }
    std::vector<std::uint64_t> work(n);
    std::vector<std::uint32_t> order(n), workOrder(n);
    std::iota(order.begin(), order.end(), 0u);
    auto* column = reinterpret_cast<unsigned char*>(values.data());
    auto* other = reinterpret_cast<unsigned char*>(work.data());
    Histograms h;
    ToKeys(values, column, h);
    unsigned char* fromKeys = column;
    unsigned char* toKeys = other;
    std::uint32_t* fromOrder = order.data();
    std::uint32_t* toOrder = workOrder.data();
    for (int p = 0; p < kPasses; ++p) {
        const Counts& counts = h[static_cast<std::size_t>(p)];
        if (!PassNeeded(counts, n)) continue;
        Counts start = Offsets(counts);
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t k = Load(fromKeys, i);
            const std::uint32_t at = start[Digit(k, p)]++;
            Store(toKeys, at, k);
            toOrder[at] = fromOrder[i];
        }
        std::swap(fromKeys, toKeys);
        std::swap(fromOrder, toOrder);
    }
    // The ranks go into the column, so the sorted keys must live in the other buffer.
    if (fromKeys == column) std::memcpy(other, column, 8 * n);
    AssignRanks(values, [&](std::size_t i) { return work[i]; }, fromOrder);
}

}  // namespace nuvir
