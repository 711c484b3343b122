#include "simulation/trialtable.h"

#include <algorithm>

#include "simulation/workers.h"

namespace nuvir {

TrialTable::TrialTable(std::int32_t trials, std::int32_t firstColumn, Unfilled)
    : trials_(trials),
      first_(firstColumn),
      data_(MakeLargeArray<double>(static_cast<std::size_t>(std::max(trials, 0)) * kColumns)) {}

TrialTable::TrialTable(std::int32_t trials, std::int32_t firstColumn) : TrialTable(trials, firstColumn, Unfilled{}) {
    const std::size_t n = size();
    // Slices of 4 MB: enough to keep every worker busy on a large table, one slice
    // (this thread alone) on a small one.
    constexpr std::size_t kSlice = std::size_t{1} << 19;
    const int slices = static_cast<int>((n + kSlice - 1) / kSlice);
    ParallelFor(slices, [&](int i) {
        const std::size_t begin = static_cast<std::size_t>(i) * kSlice;
        std::fill(data_.get() + begin, data_.get() + std::min(n, begin + kSlice), 0.0);
    });
}

TrialTable::TrialTable(const TrialTable& other)
    : trials_(other.trials_),
      first_(other.first_),
      data_(other.data_ ? MakeLargeArray<double>(other.size()) : nullptr) {
    if (data_) std::copy(other.data_.get(), other.data_.get() + other.size(), data_.get());
}

}  // namespace nuvir
