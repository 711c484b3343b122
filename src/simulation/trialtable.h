#pragma once
// The table of one run: a row per trial, the thirteen sampled quantities and then the
// nine outputs. Stored column by column (the trial index varies fastest) so a column
// is one contiguous block for the statistics and the rank transform.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "simulation/largearray.h"

namespace nuvir {

class TrialTable {
public:
    static constexpr int kQuantities = 13;
    static constexpr int kOutputs = 9;
    static constexpr int kColumns = kQuantities + kOutputs;
    // Offsets of the outputs from the first column.
    static constexpr int kTotalRisk = 13;
    static constexpr int kTotalCost = 14;
    static constexpr int kRisk1 = 15;  // Risk1 to Risk4: 15 to 18
    static constexpr int kCost1 = 19;  // Cost1 to Cost3: 19 to 21

    TrialTable() = default;
    // Rows 1 to trials, columns firstColumn to firstColumn + 21, zero-filled. A large
    // table is zeroed by the worker threads, so that its pages are first touched, and
    // their cost paid, on many processors instead of one.
    TrialTable(std::int32_t trials, std::int32_t firstColumn);
    // The same with every cell undefined, for a caller that writes every cell before
    // reading any (the run's trial loop, on its workers).
    struct Unfilled {};
    TrialTable(std::int32_t trials, std::int32_t firstColumn, Unfilled);
    TrialTable(const TrialTable& other);
    TrialTable(TrialTable&&) noexcept = default;
    TrialTable& operator=(TrialTable&&) noexcept = default;

    std::int32_t trials() const { return trials_; }
    std::int32_t firstColumn() const { return first_; }
    std::int32_t lastColumn() const { return first_ + kColumns - 1; }

    // Trial t (1-based) in column c (firstColumn-based); no bounds check on the hot path.
    double& operator()(std::int32_t t, std::int32_t c) { return data_[index(t, c)]; }
    double operator()(std::int32_t t, std::int32_t c) const { return data_[index(t, c)]; }
    // The trials of column c, trial 1 first.
    double* column(std::int32_t c) { return data_.get() + index(1, c); }
    const double* column(std::int32_t c) const { return data_.get() + index(1, c); }
    // The same by offset from the first column (0 to 21), with their count.
    std::span<double> values(std::int32_t offset) {
        return {column(first_ + offset), static_cast<std::size_t>(trials_)};
    }
    std::span<const double> values(std::int32_t offset) const {
        return {column(first_ + offset), static_cast<std::size_t>(trials_)};
    }

private:
    std::size_t size() const { return static_cast<std::size_t>(trials_) * kColumns; }
    std::size_t index(std::int32_t t, std::int32_t c) const {
        return static_cast<std::size_t>(c - first_) * static_cast<std::size_t>(trials_) +
               static_cast<std::size_t>(t - 1);
    }
    std::int32_t trials_ = 0;
    std::int32_t first_ = 0;
    LargeArray<double> data_;
};

}  // namespace nuvir
