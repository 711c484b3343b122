#include "simulation/columnsort.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "utilities/utilities_arrays.h"

namespace nuvir {

namespace {

// The sort splits the keys' range into buckets by their top bits, each level with the
// range of what it holds, so clustered or skewed columns split as finely as uniform
// ones; a bucket of a few keys is finished by insertion. One scattering pass over the
// column does most of the work, where a full radix sort of 64-bit keys needs eight:
// the run ranks and sorts many columns of a million values at once, and memory traffic
// is what bounds it.
constexpr std::size_t kInsertion = 24;
// At most 2^10 buckets a level: their counts stay in the first-level cache and their
// write positions in the second (more measured slower on a million values).
constexpr int kMaxBucketBits = 10;
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

// Keys are kept in 8-byte slots of double arrays (copied in and out as raw bits), so
// the sorted keys can become the sorted values where they lie.
struct Slots {
    double* slot;
    std::uint64_t operator[](std::size_t i) const {
        std::uint64_t k;
        std::memcpy(&k, slot + i, 8);
        return k;
    }
    void Set(std::size_t i, std::uint64_t k) const { std::memcpy(slot + i, &k, 8); }
};

// Keys with the positions they came from, or keys alone.
struct Indexed {
    Slots key;
    std::uint32_t* at;
    void Move(std::size_t to, std::size_t from) const {
        key.Set(to, key[from]);
        at[to] = at[from];
    }
};
struct Plain {
    Slots key;
    std::uint32_t* at = nullptr;
    void Move(std::size_t to, std::size_t from) const { key.Set(to, key[from]); }
};

template <class Data>
Data Offset(Data d, std::size_t by) {
    d.key.slot += by;
    if constexpr (std::is_same_v<Data, Indexed>) d.at += by;
    return d;
}

template <class Data>
void InsertionSort(Data d, std::size_t n) {
    for (std::size_t i = 1; i < n; ++i) {
        const std::uint64_t k = d.key[i];
        std::uint32_t a = 0;
        if constexpr (std::is_same_v<Data, Indexed>) a = d.at[i];
        std::size_t j = i;
        for (; j > 0 && d.key[j - 1] > k; --j) d.Move(j, j - 1);
        d.key.Set(j, k);
        if constexpr (std::is_same_v<Data, Indexed>) d.at[j] = a;
    }
}

// The split of n keys into at most 2^10 buckets by the top bits of their range (a
// few keys a bucket): where each bucket starts once the keys are placed, and where the
// next key of each goes.
struct Buckets {
    std::uint64_t lo = 0;
    int shift = 0;
    std::size_t count = 1;
    bool spread = false;  // not all keys equal
    std::array<std::uint32_t, (1u << kMaxBucketBits) + 1> start;
    std::array<std::uint32_t, (1u << kMaxBucketBits)> next;

    std::size_t Of(std::uint64_t k) const { return static_cast<std::size_t>((k - lo) >> shift); }
    std::uint32_t Place(std::uint64_t k) { return next[Of(k)]++; }
    std::size_t Size(std::size_t b) const { return start[b + 1] - start[b]; }
};

template <class KeyAt>
void SplitKeys(std::size_t n, KeyAt keyAt, Buckets& s) {
    std::uint64_t lo = keyAt(0), hi = lo;
    for (std::size_t i = 1; i < n; ++i) {
        lo = std::min(lo, keyAt(i));
        hi = std::max(hi, keyAt(i));
    }
    const int range = static_cast<int>(std::bit_width(hi - lo));
    const int bits = std::min(std::clamp(static_cast<int>(std::bit_width(n)) - 3, 1, kMaxBucketBits), range);
    s.lo = lo;
    s.shift = range - bits;
    s.count = std::size_t{1} << bits;
    s.spread = range > 0;
    std::fill_n(s.start.begin(), s.count + 1, 0u);
    for (std::size_t i = 0; i < n; ++i) ++s.start[s.Of(keyAt(i)) + 1];
    for (std::size_t b = 1; b <= s.count; ++b) s.start[b] += s.start[b - 1];
    std::copy_n(s.start.begin(), s.count, s.next.begin());
}

template <class Data>
void SortKeys(Data d, Data scratch, std::size_t n);

// Sorts each bucket of placed keys on its own; scratch holds the largest.
template <class Data>
void SortEachBucket(Data d, Data scratch, const Buckets& s) {
    for (std::size_t b = 0; b < s.count; ++b)
        if (s.Size(b) > 1) SortKeys(Offset(d, s.start[b]), scratch, s.Size(b));
}

// Sorts d in place; scratch holds at least n entries.
template <class Data>
void SortKeys(Data d, Data scratch, std::size_t n) {
    if (n <= kInsertion) {
        InsertionSort(d, n);
        return;
    }
    Buckets s;
    SplitKeys(
        n, [&](std::size_t i) { return d.key[i]; }, s);
    if (!s.spread) return;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t to = s.Place(d.key[i]);
        scratch.key.Set(to, d.key[i]);
        if constexpr (std::is_same_v<Data, Indexed>) scratch.at[to] = d.at[i];
    }
    std::memcpy(d.key.slot, scratch.key.slot, 8 * n);
    if constexpr (std::is_same_v<Data, Indexed>) std::memcpy(d.at, scratch.at, 4 * n);
    SortEachBucket(d, scratch, s);
}

// The column's keys in ascending order in d (and, when indexed, the positions they
// came from): one scattering pass straight from the column, then each bucket sorted
// on its own.
template <class Data>
void SortFromColumn(std::span<const double> values, Data d, ColumnScratch& work) {
    const std::size_t n = values.size();
    if (n == 0) return;
    Buckets s;
    SplitKeys(
        n, [&](std::size_t i) { return KeyOf(values[i]); }, s);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t k = KeyOf(values[i]);
        const std::uint32_t to = s.Place(k);
        d.key.Set(to, k);
        if constexpr (std::is_same_v<Data, Indexed>) d.at[to] = static_cast<std::uint32_t>(i);
    }
    if (!s.spread) return;
    std::size_t largest = 0;
    for (std::size_t b = 0; b < s.count; ++b) largest = std::max(largest, s.Size(b));
    Data scratch{Slots{work.BucketKeys(largest)}, nullptr};
    if constexpr (std::is_same_v<Data, Indexed>) scratch.at = work.BucketPositions(largest);
    SortEachBucket(d, scratch, s);
}

bool HoldsNaN(std::span<const double> values) {
    return std::any_of(values.begin(), values.end(), [](double x) { return std::isnan(x); });
}

}  // namespace

ScratchPool::Lease::~Lease() {
    std::lock_guard<std::mutex> lock(pool_.mutex_);
    try {
        pool_.free_.push_back(std::move(scratch_));
    } catch (...) {
        // No room to keep it: it is freed instead.
    }
}

ScratchPool::Lease ScratchPool::Take() {
    std::unique_ptr<ColumnScratch> scratch;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!free_.empty()) {
            scratch = std::move(free_.back());
            free_.pop_back();
        }
    }
    if (!scratch) scratch = std::make_unique<ColumnScratch>();
    return Lease(*this, std::move(scratch));
}

void SortColumn(std::span<double> values) {
    const std::size_t n = values.size();
    if (n < 2) return;
    if (HoldsNaN(values)) {
        MUtilities::SortDoubles(values);
        return;
    }
    ColumnScratch work;
    const Slots keys{work.Keys(n)};
    SortFromColumn(values, Plain{keys}, work);
    for (std::size_t i = 0; i < n; ++i) values[i] = ValueOf(keys[i]);
}

void RankColumn(std::span<double> values) {
    ColumnScratch work;
    RankColumn(values, work);
}

std::span<const double> RankColumn(std::span<double> values, ColumnScratch& work) {
    const std::size_t n = values.size();
    double* sorted = work.Keys(n);
    std::vector<double> quicksorted;
    if (HoldsNaN(values)) {
        // The ranks need no special order of NaN; the sorted values keep the quicksort's.
        quicksorted.assign(values.begin(), values.end());
        SortColumn(quicksorted);
    }
    const Slots keys{sorted};
    std::uint32_t* at = work.Positions(n);
    SortFromColumn(values, Indexed{keys, at}, work);
    for (std::size_t i = 0; i < n; ++i) sorted[i] = ValueOf(keys[i]);
    // A run of equal values shares the mean of its first and last place: twice the
    // rank is a whole number, so the half of a tie is exact. Sorted, so "not below the
    // next" means equal to it (0 and -0 are neighbours).
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i + 1 < n && sorted[i] >= sorted[i + 1]) continue;
        const double rank = static_cast<double>((i + 1) + (runStart + 1)) / 2.0;
        for (std::size_t k = runStart; k <= i; ++k) values[at[k]] = rank;
        runStart = i + 1;
    }
    if (!quicksorted.empty()) std::copy(quicksorted.begin(), quicksorted.end(), sorted);
    return {sorted, n};
}

}  // namespace nuvir
