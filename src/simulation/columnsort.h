#pragma once
// Ascending sorts and ranks of whole trial-table columns. A run sorts 22 columns of up
// to millions of values, so these are bucket sorts on the bit patterns of the doubles
// (each level splits the range of what it holds; no comparisons but within the last
// few keys). Only values matter to the callers: for values that compare equal (0 and
// -0) the order between them is unspecified.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "simulation/largearray.h"

namespace nuvir {

// Work space of the sorts, reused from column to column: a run pays for first touching
// its memory once per worker rather than once per column.
class ColumnScratch {
public:
    // Buffers of at least n elements; what they held survives only while n does not grow.
    double* Keys(std::size_t n) { return keys_.Reserve(n); }
    std::uint32_t* Positions(std::size_t n) { return positions_.Reserve(n); }
    double* BucketKeys(std::size_t n) { return bucketKeys_.Reserve(n); }
    std::uint32_t* BucketPositions(std::size_t n) { return bucketPositions_.Reserve(n); }

private:
    template <class T>
    struct Buffer {
        LargeArray<T> data;
        std::size_t capacity = 0;
        T* Reserve(std::size_t n) {
            if (n > capacity) {
                data.reset();
                capacity = 0;
                data = MakeLargeArray<T>(n);
                capacity = n;
            }
            return data.get();
        }
    };
    Buffer<double> keys_;
    Buffer<std::uint32_t> positions_;
    Buffer<double> bucketKeys_;
    Buffer<std::uint32_t> bucketPositions_;
};

// Work spaces for the tasks of a parallel step, one per task running at a time; each
// goes back to the pool when its lease ends, and all live as long as the pool.
class ScratchPool {
public:
    class Lease {
    public:
        Lease(ScratchPool& pool, std::unique_ptr<ColumnScratch> scratch) : pool_(pool), scratch_(std::move(scratch)) {}
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        ~Lease();
        ColumnScratch& operator*() const { return *scratch_; }

    private:
        ScratchPool& pool_;
        std::unique_ptr<ColumnScratch> scratch_;
    };
    Lease Take();

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<ColumnScratch>> free_;
};

// Sorts the values ascending in place. Data holding NaN goes through the program's
// general quicksort instead, so the order it gives stays the same everywhere.
void SortColumn(std::span<double> values);

// Replaces the values by their ranks 1 to n in place; a run of equal values shares
// the mean of its first and last position. NaN compares equal to nothing and sorts
// beyond the infinities.
void RankColumn(std::span<double> values);
// The same in the given work space, returning the values as SortColumn sorts them,
// which stay in the work space until its next use.
std::span<const double> RankColumn(std::span<double> values, ColumnScratch& scratch);

}  // namespace nuvir
