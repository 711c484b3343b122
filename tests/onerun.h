#pragma once
// One run of a model in which every stage has its own probability, impact and cost, all
// different and none zero, so that risk and cost, and each stage, give values of their
// own: a number carried from the wrong stage, the wrong output or the wrong end of a
// series shows on the screen, in the report or in a batch line.
//
// The expected values are worked out here from the run's exported trial table with
// plain code of the test's own (sums, a sort, ranks), never with the program's
// statistics or number formatting, and the point outcomes by hand from the chain.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

#include "appdata/appdata.h"
#include "runtime/variant.h"

namespace nuvir::test {

struct StageQuantity {
    double mean;
    double sd;
    int code;  // 0 uniform, 1 normal, 2 lognormal
};

// p1..p4, I1..I5, F1..F4.
inline constexpr StageQuantity kDistinctStages[13] = {
    {0.35, 0.05, 0}, {0.60, 0.04, 0}, {0.45, 0.06, 0}, {0.80, 0.03, 0},                  // p
    {2.0, 0.4, 1},   {5.0, 0.9, 1},   {11.0, 2.1, 1},  {23.0, 3.3, 1},  {47.0, 6.5, 1},  // I
    {3.0, 0.5, 2},   {7.0, 1.1, 2},   {13.0, 2.3, 2},  {31.0, 4.1, 2},                   // F
};

// The point outcomes of the model, by hand:
//   R1 = (1 - .35) 2 = 1.3          R2 = (1 - .6) .35 5 = 0.7
//   R3 = .6 .35 (1 - .45) 11 = 1.2705
//   R4 = .6 .35 .45 (1 - .8) 23 = 0.4347
//   R5 = .6 .35 .45 .8 47 = 3.5532  total 7.2584
//   C1 = 3   C2 = 7 .35 = 2.45   C3 = .6 .35 13 = 2.73   C4 = .6 .35 .45 31 = 2.9295
//   total 11.1095
inline constexpr double kPointRisks[5] = {1.3, 0.7, 1.2705, 0.4347, 3.5532};
inline constexpr double kPointCosts[4] = {3.0, 2.45, 2.73, 2.9295};
inline constexpr double kPointTotalRisk = 7.2584;
inline constexpr double kPointTotalCost = 11.1095;

// The seed every run of the model is given, so that it repeats.
inline constexpr float kDistinctStagesSeed = 4321.0f;

// The model into an application data array, in absolute mode, with its point outcomes
// (by hand, as above) in items 60 to 68.
inline void SetDistinctStagesModel(Variant& data) {
    data(item::kUncertaintyMode) = 1;
    for (int j = 0; j < 13; ++j) {
        const StageQuantity& q = kDistinctStages[j];
        data(item::Absolute(j)) = Variant::Doubles({q.mean, static_cast<double>(q.code), q.sd});
        data(item::PointValue(j)) = q.mean;
        data(item::Relative(j))(data(item::Relative(j)).get().lbound()) = Variant(q.mean);
    }
    for (int k = 0; k < 5; ++k) data(item::kOutcomeRisk + k) = kPointRisks[k];
    for (int k = 0; k < 4; ++k) data(item::kStageCost + k) = kPointCosts[k];
}

// A number of the program's text as written ("." decimal point, exponent allowed).
inline double ParseNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double v = std::nan("");
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nan("");
    return v;
}

inline std::vector<std::string> SplitText(std::string_view text, char sep) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(sep, start);
        out.emplace_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) return out;
        start = at + 1;
    }
}

// A number shown to 4 significant figures stands for the expected one: within half a
// unit of its fourth figure.
inline ::testing::AssertionResult ShownTo4Figures(const std::string& shown, double expected) {
    const double v = ParseNumber(shown);
    if (std::isnan(v)) return ::testing::AssertionFailure() << "\"" << shown << "\" is no number";
    const double unit = expected == 0 ? 1e-300 : std::pow(10.0, std::floor(std::log10(std::fabs(expected))) - 3);
    if (std::fabs(v - expected) <= 0.5 * unit * (1 + 1e-9)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << shown << "\" does not show " << expected;
}

// The trial table of the run as exported (CSV: a header line, then 22 values a trial)
// and its statistics.
class TrialTableStatistics {
public:
    static constexpr int kColumns = 22;
    static constexpr int kFirstOutput = 13;  // Total_Risk, Total_Cost, Risk1..4, Cost1..3

    explicit TrialTableStatistics(const std::string& csv) {
        const auto lines = SplitText(csv, '\n');
        for (std::size_t i = 1; i < lines.size(); ++i) {
            if (lines[i].empty() || lines[i] == "\r") continue;
            const auto fields = SplitText(lines[i], ',');
            std::array<double, kColumns> row{};
            if (fields.size() != kColumns) {
                ADD_FAILURE() << "trial line " << i << " has " << fields.size() << " fields";
                continue;
            }
            for (int c = 0; c < kColumns; ++c) row[c] = ParseNumber(fields[c]);
            rows_.push_back(row);
        }
    }

    std::size_t Trials() const { return rows_.size(); }
    std::vector<double> Column(int c) const {
        std::vector<double> v;
        for (const auto& r : rows_) v.push_back(r[static_cast<std::size_t>(c)]);
        return v;
    }
    std::vector<double> Output(int m) const { return Column(kFirstOutput + m); }

    double Mean(int m) const {
        const auto v = Output(m);
        return std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
    }
    // Sample standard deviation (n - 1), two passes.
    double Sd(int m) const {
        const auto v = Output(m);
        const double mean = Mean(m);
        double ss = 0;
        for (double x : v) ss += (x - mean) * (x - mean);
        return std::sqrt(ss / static_cast<double>(v.size() - 1));
    }
    double Min(int m) const {
        const auto v = Output(m);
        return *std::min_element(v.begin(), v.end());
    }
    double Max(int m) const {
        const auto v = Output(m);
        return *std::max_element(v.begin(), v.end());
    }
    // The p-quantile by linear interpolation between order statistics at (n - 1) p
    // (Hyndman and Fan's definition 7).
    double Quantile(int m, double p) const {
        auto v = Output(m);
        std::sort(v.begin(), v.end());
        const double h = (static_cast<double>(v.size()) - 1) * p;
        const auto lo = static_cast<std::size_t>(std::floor(h));
        if (lo + 1 >= v.size()) return v.back();
        return v[lo] + (h - static_cast<double>(lo)) * (v[lo + 1] - v[lo]);
    }
    double LowerLimit(int m) const { return Quantile(m, 0.025); }  // 95 %
    double UpperLimit(int m) const { return Quantile(m, 0.975); }

    // Spearman's rank correlation of input j with output m: Pearson's on average ranks.
    double Spearman(int j, int m) const { return Pearson(Ranks(Column(j)), Ranks(Output(m))); }

    // Frequency classes of an output: `classes` classes whose width is the range rounded
    // up to three figures, split evenly, starting at the minimum rounded down to four.
    struct Classes {
        double start = 0;
        double width = 0;
        std::vector<int> counts;
        // False for a class with a trial within a hair of one of its bounds, which
        // either side may claim.
        std::vector<bool> sure;
        double Midpoint(int k) const { return start + (k + 0.5) * width; }
    };
    Classes Frequencies(int m, int classes) const {
        Classes c;
        const double mn = Min(m);
        const double d = Max(m) - mn;
        const int place = static_cast<int>(std::floor(std::log10(d))) - 2;
        const double unit = std::pow(10.0, place);
        c.width = std::ceil(d / unit - 1e-9) * unit / classes;
        const double fine = unit / 10;
        c.start = std::floor(mn / fine + 1e-9) * fine;
        c.counts.assign(static_cast<std::size_t>(classes), 0);
        c.sure.assign(static_cast<std::size_t>(classes), true);
        for (double x : Output(m)) {
            const double at = (x - c.start) / c.width;
            const int k = std::clamp(static_cast<int>(std::floor(at)), 0, classes - 1);
            ++c.counts[static_cast<std::size_t>(k)];
            const double edge = std::fabs(at - std::round(at));
            if (edge < 1e-9) {
                c.sure[static_cast<std::size_t>(k)] = false;
                if (k > 0) c.sure[static_cast<std::size_t>(k - 1)] = false;
            }
        }
        return c;
    }

    // R² of the least-squares fit of output m on the given inputs, on the values or on
    // their ranks: with a constant term the centred ratio 1 - SSE / sum (y - mean)^2,
    // without it the uncentred 1 - SSE / sum y^2. Normal equations solved by Gauss-Jordan
    // elimination with partial pivoting.
    double R2(int m, const std::vector<int>& inputs, bool constant, bool ranked) const {
        std::vector<std::vector<double>> x;
        if (constant) x.emplace_back(Trials(), 1.0);
        for (int j : inputs) x.push_back(ranked ? Ranks(Column(j)) : Column(j));
        const std::vector<double> y = ranked ? Ranks(Output(m)) : Output(m);
        const std::vector<double> b = LeastSquares(x, y);
        double sse = 0, total = 0;
        const double mean = std::accumulate(y.begin(), y.end(), 0.0) / static_cast<double>(y.size());
        for (std::size_t t = 0; t < y.size(); ++t) {
            double fitted = 0;
            for (std::size_t i = 0; i < x.size(); ++i) fitted += b[i] * x[i][t];
            sse += (y[t] - fitted) * (y[t] - fitted);
            total += constant ? (y[t] - mean) * (y[t] - mean) : y[t] * y[t];
        }
        return 1 - sse / total;
    }

    // The standardised coefficients of that fit on the values, in the inputs' order:
    // each slope times the input's root sum of squares over the output's (about the
    // means with the constant, about 0 without). Each column is first multiplied by the
    // power of two that takes its largest magnitude near 1, which leaves them as they
    // are, so that columns of any sizes give them.
    std::vector<double> Standardised(int m, const std::vector<int>& inputs, bool constant) const {
        const auto nearOne = [](std::vector<double> v) {
            double largest = 0;
            for (double e : v) largest = std::max(largest, std::fabs(e));
            const int exponent = std::ilogb(largest);
            for (double& e : v) e = std::ldexp(e, -exponent);
            return v;
        };
        std::vector<std::vector<double>> x;
        if (constant) x.emplace_back(Trials(), 1.0);
        for (int j : inputs) x.push_back(nearOne(Column(j)));
        const std::vector<double> y = nearOne(Output(m));
        const std::vector<double> b = LeastSquares(x, y);
        const auto spread = [&](const std::vector<double>& v) {
            const double mean = constant ? std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size()) : 0;
            double ss = 0;
            for (double e : v) ss += (e - mean) * (e - mean);
            return std::sqrt(ss);
        };
        std::vector<double> standardised;
        for (std::size_t i = constant ? 1 : 0; i < x.size(); ++i)
            standardised.push_back(b[i] * spread(x[i]) / spread(y));
        return standardised;
    }

private:
    // The coefficients of y on the columns x: the normal equations solved by Gauss-Jordan
    // elimination with partial pivoting.
    static std::vector<double> LeastSquares(const std::vector<std::vector<double>>& x, const std::vector<double>& y) {
        const std::size_t k = x.size();
        const auto dot = [](const std::vector<double>& a, const std::vector<double>& b) {
            return std::inner_product(a.begin(), a.end(), b.begin(), 0.0);
        };
        std::vector<std::vector<double>> a(k, std::vector<double>(k + 1));
        for (std::size_t i = 0; i < k; ++i) {
            for (std::size_t j = 0; j < k; ++j) a[i][j] = dot(x[i], x[j]);
            a[i][k] = dot(x[i], y);
        }
        for (std::size_t c = 0; c < k; ++c) {
            std::size_t pivot = c;
            for (std::size_t r = c + 1; r < k; ++r) {
                if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
            }
            std::swap(a[c], a[pivot]);
            for (std::size_t r = 0; r < k; ++r) {
                if (r == c) continue;
                const double f = a[r][c] / a[c][c];
                for (std::size_t j = c; j <= k; ++j) a[r][j] -= f * a[c][j];
            }
        }
        std::vector<double> b(k);
        for (std::size_t i = 0; i < k; ++i) b[i] = a[i][k] / a[i][i];
        return b;
    }
    static std::vector<double> Ranks(const std::vector<double>& v) {
        std::vector<std::size_t> order(v.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return v[a] < v[b]; });
        std::vector<double> rank(v.size());
        for (std::size_t i = 0; i < order.size();) {
            std::size_t j = i;
            while (j + 1 < order.size() && v[order[j + 1]] == v[order[i]]) ++j;
            const double shared = (static_cast<double>(i) + static_cast<double>(j)) / 2 + 1;
            for (std::size_t k = i; k <= j; ++k) rank[order[k]] = shared;
            i = j + 1;
        }
        return rank;
    }
    static double Pearson(const std::vector<double>& a, const std::vector<double>& b) {
        const double n = static_cast<double>(a.size());
        const double ma = std::accumulate(a.begin(), a.end(), 0.0) / n;
        const double mb = std::accumulate(b.begin(), b.end(), 0.0) / n;
        double sab = 0, saa = 0, sbb = 0;
        for (std::size_t i = 0; i < a.size(); ++i) {
            sab += (a[i] - ma) * (b[i] - mb);
            saa += (a[i] - ma) * (a[i] - ma);
            sbb += (b[i] - mb) * (b[i] - mb);
        }
        return sab / std::sqrt(saa * sbb);
    }

    std::vector<std::array<double, kColumns>> rows_;
};

}  // namespace nuvir::test
