#include "simulation/statistics.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <exception>
#include <new>
#include <optional>

#include "numerics/accuratesums.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "simulation/columnsort.h"
#include "simulation/workers.h"
#include "utilities/utilities_rounding.h"

namespace nuvir {

namespace {

// Everything the statistics work out for one output column. The stages are kept
// apart so that a column that fails half-way can still hand over what it finished.
struct ColumnSummary {
    enum Stage { kNone, kExtremes, kMoments, kLimits, kFrequencies };
    Stage done = kNone;
    double min = 0.0, max = 0.0, mean = 0.0, variance = 0.0, sd = 0.0, lower = 0.0, upper = 0.0;
    std::vector<double> centres, counts;
    std::exception_ptr failure;
};

struct MeanAndVariance {
    double mean = 0.0;
    double variance = 0.0;
    double sd = 0.0;
    bool meanOverflow = false;  // a value that is not finite
};

// Two passes over the column scaled by a power of two from its largest magnitude:
// the mean, then the sums of the deviations from it and of their squares. The sum of
// the deviations, near zero, corrects the mean and the squares for the rounding of
// the first pass. Scaled so, neither sum can overflow nor the squares of the
// deviations underflow, and data like 1E9 +- 1 keep the digits that the sum of
// squares minus the squared sum would cancel. The SD is formed at the scale and
// scaled back; the variance, its square, may lie beyond the Double range when the SD
// does not (an SD of 1E-200 or 1E200): it is then 0 or infinite, and the SD is what
// the program shows.
MeanAndVariance ComputeMeanVariance(std::span<const double> v) {
    MeanAndVariance r;
    const std::size_t n = v.size();
    if (n == 0) {
        r.meanOverflow = true;
        return r;
    }
    // The column is sorted: its largest magnitude is at one end.
    const int e = ScaleExponent(std::max(std::fabs(v.front()), std::fabs(v.back())));
    const double scale = std::ldexp(1.0, -e);
    const double dn = static_cast<double>(n);
    // From the first value, so that a column of equal values has exactly that mean.
    const double first = v.front() * scale;
    auto offsets = [&](auto scaled) {
        return BlockedSums<1>(n, [&](std::size_t i) { return std::array{(scaled ? v[i] * scale : v[i]) - first}; })[0];
    };
    double mean = first + WithScaling(scale != 1.0, offsets) / dn;
    if (!std::isfinite(mean)) {
        r.meanOverflow = true;
        return r;
    }
    auto centred = [&](auto scaled) {
        return BlockedSums<2>(n, [&](std::size_t i) {
            const double d = (scaled ? v[i] * scale : v[i]) - mean;
            return std::array{d, d * d};
        });
    };
    const auto [deviations, squares] = WithScaling(scale != 1.0, centred);
    mean += deviations / dn;
    r.mean = std::ldexp(mean, e);
    if (n <= 1) return r;
    const double var = std::max(0.0, squares - deviations * deviations / dn) / (dn - 1.0);
    r.sd = std::ldexp(std::sqrt(var), e);
    r.variance = std::ldexp(var, 2 * e);
    return r;
}

// Summarises output m from its column, sorted by `sort` (which returns the values
// ascending).
template <class Sort>
void Summarise(Sort sort, int m, std::int32_t classes, double ci, ColumnSummary& s) {
    try {
        const std::span<const double> v = sort();
        s.min = Round15(v.front());
        s.max = Round15(v.back());
        s.done = ColumnSummary::kExtremes;
        const MeanAndVariance mv = ComputeMeanVariance(v);
        if (mv.meanOverflow) RaiseOverflow();
        s.mean = mv.mean;
        s.variance = mv.variance;
        s.sd = mv.sd;
        s.done = ColumnSummary::kMoments;
        s.lower = ArrayStatistics::Quantile((1.0 - ci / 100.0) / 2.0, v);
        s.upper = ArrayStatistics::Quantile((1.0 + ci / 100.0) / 2.0, v);
        s.done = ColumnSummary::kLimits;
        if (m < 2) {
            const ClassDescriptor d = FrequencyClasses(s.min, s.max, classes);
            s.centres.assign(static_cast<std::size_t>(classes), 0.0);
            s.counts.assign(static_cast<std::size_t>(classes), 0.0);
            CountFrequencies(v, d, s.centres, s.counts);
            s.done = ColumnSummary::kFrequencies;
        }
    } catch (const std::bad_alloc&) {
        try {
            RaiseOutOfMemory();
        } catch (...) {
            s.failure = std::current_exception();
        }
    } catch (...) {
        s.failure = std::current_exception();
    }
}

// The decimal classes of extremes whose range is a finite Double: a width of the range
// rounded up to 10^p over the classes, p two below the range's decade, from the
// minimum rounded down to 10^(p - 1). Nothing where the range rounded up lies beyond
// the Double range (a range above about 1.79E308); a start that would lie beyond it (a
// minimum within 10^(p - 1) of the most negative Double) is held at the minimum.
std::optional<ClassDescriptor> DecimalClasses(double mn, double mx, double classes) {
    ClassDescriptor d;
    const double range = mx - mn;
    const double decade = MUtilities::RoundDownToPlace(std::log(range) / std::log(10.0), 0) - 2.0;
    // The place is a 16-bit whole number.
    if (!(decade >= -32768.0 && decade <= 32767.0)) RaiseOverflow();
    const auto p = static_cast<std::int16_t>(decade);
    const std::optional<double> rounded = UnlessOverflow([&] { return MUtilities::RoundUpToPlace(range, p); });
    if (!rounded) return std::nullopt;
    d.width = *rounded / classes;
    d.start =
        UnlessOverflow([&] { return MUtilities::RoundDownToPlace(mn, static_cast<std::int16_t>(p - 1)); }).value_or(mn);
    // A subnormal width is a whole number of units of the smallest Double, and the
    // quotient rounded to the nearest one (1.245 units to 1 for a range of 249) would
    // leave part of the range beyond the last class, which would take it all: the
    // width is rounded up to the units that cover the rounded range and the range from
    // the start. A width rounded to 0 stays so (its extremes count as equal).
    if (d.width > 0.0 && d.width < DBL_MIN) {
        constexpr int kUnitExponent = 1074;  // the smallest Double is 2^-1074
        const double covered = std::ldexp(std::max(*rounded, mx - d.start), kUnitExponent);
        d.width = std::ldexp(std::ceil(covered / classes), -kUnitExponent);
    }
    return d;
}

// Whether x has reached the bound when both are rounded to 15 significant digits;
// rb is the bound rounded. Rounding keeps the order of values, so only values just
// below the bound need the rounding itself.
inline bool ReachesBound(double x, double bound, double rb) {
    if (x >= bound) return true;
    // The bound after classes that end beyond the Double range.
    if (std::isinf(bound)) return false;
    const double scale = std::max(std::fabs(x), std::fabs(bound));
    // Two values that round to the same 15 digits lie within 1E-14 of each other,
    // relatively; tiny magnitudes are simply rounded.
    if (scale > 1e-290 && bound - x > scale * 1e-13) return false;
    return rb <= Round15(x);
}

}  // namespace

// ---- SensitivityTable -----------------------------------------------------------

Variant SensitivityTable::ToVariant() const {
    Variant v = Variant::MakeArray(VarType::Double, {{0, kInputColumns - 1}, {0, 1}});
    for (int m = 0; m < 2; ++m)
        for (int j = 0; j < kInputColumns; ++j) v(j, m) = Variant((*this)(j, m));
    return v;
}

// ---- pieces -----------------------------------------------------------------------

std::vector<double> ExtractColumn(const TrialTable& table, std::int32_t column) {
    if (column < 0 || column >= TrialTable::kColumns) RaiseSubscriptOutOfRange();
    const std::span<const double> v = table.values(column);
    return std::vector<double>(v.begin(), v.end());
}

double Round15(double x) { return Val(FormatDouble(x)); }

ClassDescriptor FrequencyClasses(double mn, double mx, std::int32_t classes) {
    ClassDescriptor d;
    const double c = static_cast<double>(classes);
    // Width 1 centred on mn.
    const auto aroundMin = [&] {
        d.width = 1.0;
        d.start = mn - std::floor(c / 2.0) - 0.5;
    };
    if (MUtilities::NearlyEqual(mx, mn)) {
        aroundMin();
    } else {
        const double range = mx - mn;
        std::optional<ClassDescriptor> decimal;
        if (std::isfinite(range)) decimal = DecimalClasses(mn, mx, c);
        if (decimal) {
            d = *decimal;
        } else {
            // Extremes further apart than the largest Double (-1E308 and 1E308), or so
            // nearly (a range that rounds up beyond it): the classes of a tenth of the
            // data, ten times as wide, whose range rounds up within it. A start rounded
            // down beyond the Double range is held at the minimum.
            const ClassDescriptor tenth = DecimalClasses(mn / 10.0, mx / 10.0, c).value();
            d.width = tenth.width * 10.0;
            d.start = tenth.start * 10.0;
            if (!std::isfinite(d.start)) d.start = mn;
        }
        // Extremes a few subnormal steps apart have classes narrower than the smallest
        // Double: they count as equal.
        if (d.width == 0.0) aroundMin();
    }
    d.end = c * d.width + d.start;
    // The whole classes of a range wider than the largest Double are wider still;
    // their end, formed from halves, may lie beyond it too, and is then held at the
    // largest Double (the last class takes every value from its start on anyway).
    if (!std::isfinite(d.end) && std::isfinite(d.width) && std::isfinite(d.start)) {
        d.end = (c * (d.width / 2.0) + d.start / 2.0) * 2.0;
        if (!std::isfinite(d.end)) d.end = NumericLimits::LargestDouble;
    }
    if (!std::isfinite(d.width) || !std::isfinite(d.start) || !std::isfinite(d.end)) RaiseOverflow();
    return d;
}

void CountFrequencies(std::span<const double> sorted, const ClassDescriptor& d, std::span<double> centres,
                      std::span<double> counts) {
    const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(counts.size()) - 1;
    if (last < 0) RaiseSubscriptOutOfRange();
    double bound = d.start;
    double roundedBound = Round15(bound);
    std::ptrdiff_t k = -1;
    for (const double x : sorted) {
        // Once the last class is reached every later value belongs to it. Leaving the
        // advance there also ends it when the width is too small to move the bound.
        if (k < last && ReachesBound(x, bound, roundedBound)) {
            do {
                bound += d.width;
                ++k;
            } while (k < last && !(x < bound));
            roundedBound = Round15(bound);
        }
        // A first value that rounds below the start belongs in the first class.
        counts[static_cast<std::size_t>(std::max<std::ptrdiff_t>(k, 0))] += 1.0;
    }
    double centre = d.start + d.width / 2.0;
    for (std::size_t i = 0; i < centres.size(); ++i) {
        // The last centres of classes that end beyond the Double range are held at
        // its largest value.
        centres[i] = std::isinf(centre) ? NumericLimits::LargestDouble : centre;
        centre += d.width;
    }
}

// ---- SimulationResults ----------------------------------------------------------

void SimulationResults::InitialiseResultArrays() {
    frequenciesAllocated = false;
    frequencyClasses = 0;
    frequencies.clear();
    frequencies.shrink_to_fit();
    regressionTable.reset();
    for (auto& s : sensitivities) s.reset();
    for (auto& r : r2) r.reset();
    min.fill(NumericLimits::LargestDouble);
    max.fill(kNoValue);
    mean.fill(kNoValue);
    variance.fill(kNoValue);
    sd.fill(kNoValue);
    for (auto& l : limits) l = {0.0, 0.0};
}

struct OutputStatisticsWork::Columns {
    std::array<ColumnSummary, kOutputColumns> s;
};

OutputStatisticsWork::OutputStatisticsWork(SimulationResults& results, const TrialTable& table, std::int32_t classes,
                                           double ci)
    : results_(results), classes_(classes), ci_(ci), columns_(std::make_unique<Columns>()) {
    if (classes < 1) RaiseSubscriptOutOfRange();
    if (table.trials() < 1) RaiseSubscriptOutOfRange();
    try {
        results.frequencies.assign(static_cast<std::size_t>(classes) * 4, 0.0);
    } catch (const std::bad_alloc&) {
        RaiseOutOfMemory();
    }
    results.frequenciesAllocated = true;
    results.frequencyClasses = classes;
}

OutputStatisticsWork::~OutputStatisticsWork() = default;

void OutputStatisticsWork::Column(const TrialTable& table, int m) {
    std::vector<double> v;
    auto sort = [&] {
        v = ExtractColumn(table, TrialTable::kTotalRisk + m);
        SortColumn(v);
        return std::span<const double>(v);
    };
    Summarise(sort, m, classes_, ci_, columns_->s[static_cast<std::size_t>(m)]);
}

void OutputStatisticsWork::RankedColumn(TrialTable& table, int m, ColumnScratch& scratch) {
    auto sort = [&] { return RankColumn(table.values(TrialTable::kTotalRisk + m), scratch); };
    Summarise(sort, m, classes_, ci_, columns_->s[static_cast<std::size_t>(m)]);
}

void OutputStatisticsWork::Publish() {
    SimulationResults& r = results_;
    for (int m = 0; m < kOutputColumns; ++m) {
        const ColumnSummary& c = columns_->s[static_cast<std::size_t>(m)];
        const auto at = static_cast<std::size_t>(m);
        if (c.done >= ColumnSummary::kExtremes) {
            r.min[at] = c.min;
            r.max[at] = c.max;
        }
        if (c.done >= ColumnSummary::kMoments) {
            r.mean[at] = c.mean;
            r.variance[at] = c.variance;
            r.sd[at] = c.sd;
        }
        if (c.done >= ColumnSummary::kLimits) r.limits[at] = {c.lower, c.upper};
        if (c.done >= ColumnSummary::kFrequencies) {
            for (std::int32_t k = 0; k < classes_; ++k) {
                const std::size_t f = 2 * (static_cast<std::size_t>(k) + static_cast<std::size_t>(classes_) * at);
                r.frequencies[f] = c.centres[static_cast<std::size_t>(k)];
                r.frequencies[f + 1] = c.counts[static_cast<std::size_t>(k)];
            }
        }
        if (c.failure) std::rethrow_exception(c.failure);
    }
}

void SimulationResults::ComputeOutputStatistics(const TrialTable& table, std::int32_t classes, double ci) {
    OutputStatisticsWork work(*this, table, classes, ci);
    ParallelFor(kOutputColumns, [&](int m) { work.Column(table, m); });
    work.Publish();
}

void SimulationResults::MeanVariance(std::span<const double> sorted, int m) {
    const MeanAndVariance mv = ComputeMeanVariance(sorted);
    if (mv.meanOverflow) RaiseOverflow();
    mean.at(static_cast<std::size_t>(m)) = mv.mean;
    variance.at(static_cast<std::size_t>(m)) = mv.variance;
    sd.at(static_cast<std::size_t>(m)) = mv.sd;
}

ClassDescriptor SimulationResults::FrequencyClasses(std::int32_t classes, int m) const {
    return nuvir::FrequencyClasses(min.at(static_cast<std::size_t>(m)), max.at(static_cast<std::size_t>(m)), classes);
}

// ---- copies -----------------------------------------------------------------------

Variant SimulationResults::SensitivitiesCopy(std::int32_t index) const {
    auto one = [&](std::size_t i) { return sensitivities[i] ? sensitivities[i]->ToVariant() : Variant(); };
    if (index == -1) return Variant::List({one(0), one(1), one(2), one(3)});
    if (index < 0 || index > 3) RaiseSubscriptOutOfRange();
    return one(static_cast<std::size_t>(index));
}

Variant SimulationResults::R2Copy(std::int32_t index) const {
    auto value = [](const std::optional<double>& x) { return x ? Variant(*x) : Variant(); };
    auto pair = [&](std::size_t i) {
        if (!r2[i]) return Variant();
        return Variant::List({value((*r2[i])[0]), value((*r2[i])[1])});
    };
    if (index == -1) return Variant::List({pair(0), pair(1)});
    if (index == 0 || index == 1) return pair(static_cast<std::size_t>(index));
    return Variant();
}

}  // namespace nuvir
