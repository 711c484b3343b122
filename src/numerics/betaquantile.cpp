#include "numerics/betaquantile.h"

#include <algorithm>
#include <cmath>

#include "numerics/numerics.h"

namespace nuvir {

namespace {

constexpr int kN = BetaQuantile::kDegree + 1;  // nodes of a part
constexpr int kMaxParts = 256;
// Growth of the represented value across one part: small enough that the polynomial's
// rounding, relative to the part's largest value, stays within an ulp of its smallest.
constexpr double kPartRatio = 1.6;
const double kLowestU = std::ldexp(1.0, -(BetaQuantile::kOctaves + 1));
const long double kPi = 3.141592653589793238462643383279502884L;

// Units in the last place of x as a double (x > 0).
double Ulp(double x) { return std::ldexp(1.0, std::ilogb(x) - 52); }

// Where a part's variable t in [-1, 1] lies in its octave's m in [1/2, 1].
struct PartFrame {
    int parts;
    int index;
    double m0() const { return 0.5 + static_cast<double>(index) / (2.0 * parts); }
    double MAt(double t) const { return m0() + (t + 1.0) / (4.0 * parts); }
    // Exact for any m of the part: m - m0 is exact and the scale a power of two.
    double TAt(double m) const { return (m - m0()) * (4.0 * parts) - 1.0; }
};

// Gaussian elimination with partial pivoting on an augmented kN x (kN + 1) system.
std::array<long double, kN> SolveLinear(std::array<std::array<long double, kN + 1>, kN> s) {
    for (std::size_t c = 0; c < kN; ++c) {
        std::size_t pivot = c;
        for (std::size_t r = c + 1; r < kN; ++r)
            if (std::fabs(s[r][c]) > std::fabs(s[pivot][c])) pivot = r;
        std::swap(s[c], s[pivot]);
        for (std::size_t r = c + 1; r < kN; ++r) {
            const long double f = s[r][c] / s[c][c];
            for (std::size_t k = c; k <= kN; ++k) s[r][k] -= f * s[c][k];
        }
    }
    std::array<long double, kN> x{};
    for (std::size_t c = kN; c-- > 0;) {
        long double v = s[c][kN];
        for (std::size_t k = c + 1; k < kN; ++k) v -= s[c][k] * x[k];
        x[c] = v / s[c][c];
    }
    return x;
}

}  // namespace

BetaQuantile::BetaQuantile(double a, double b, int octaves)
    : a_(a), b_(b), built_(std::clamp(octaves, 0, kOctaves)) {}

int BetaQuantile::OctavesFor(double draws) {
    int octaves = 0;
    while (octaves < kOctaves && draws * std::ldexp(1.0, -(octaves + 2)) >= kDrawsPerOctave) ++octaves;
    return octaves;
}

bool BetaQuantile::BuildOctave(int half, int octave, int parts, Octave& out) const {
    const bool upper = half == 1;
    const int exponent = -octave - 1;  // w = m 2^exponent, m in [1/2, 1]
    // Q at w (u = w below 1/2, 1 - u = w from 1/2 on), and 1 - Q, in long double.
    auto q = [&](double w) { return betaquantile::Solve(a_, b_, w, upper); };
    auto y = [&](double w) { return betaquantile::Solve(b_, a_, w, !upper); };
    // What a part's polynomial holds: Q, or 1 - Q for a complement part.
    auto value = [&](const Part& p, double w) { return p.complement ? y(w) : q(w); };

    out.parts = parts;
    out.part.assign(static_cast<std::size_t>(parts), Part{});
    for (int j = 0; j < parts; ++j) {
        const PartFrame frame{parts, j};
        // Q so close to 1 that it rounds to 1 has no direct form: then 1 - Q serves.
        const auto mid = q(std::ldexp(frame.MAt(0.0), exponent));
        Part& part = out.part[static_cast<std::size_t>(j)];
        part.complement = !mid || *mid >= 0.5L;

        // Chebyshev coefficients through the values at the nodes. A node's m is rounded
        // to a double, and for a small shape a the quantile moves by 1/a times that
        // relative step, so the values are interpolated where they were taken (the exact
        // t of the rounded m), not where the textbook puts the nodes.
        std::array<std::array<long double, kN + 1>, kN> system{};
        for (int k = 0; k < kN; ++k) {
            const double m = frame.MAt(static_cast<double>(std::cos(kPi * (k + 0.5L) / kN)));
            const auto v = value(part, std::ldexp(m, exponent));
            if (!v) return false;
            auto& row = system[static_cast<std::size_t>(k)];
            const long double t = frame.TAt(m);
            long double tPrev = 1.0L, tCur = t;
            row[0] = 1.0L;
            for (int i = 1; i < kN; ++i) {
                row[static_cast<std::size_t>(i)] = tCur;
                const long double next = 2.0L * t * tCur - tPrev;
                tPrev = tCur;
                tCur = next;
            }
            row[kN] = *v;
        }
        const std::array<long double, kN> cheb = SolveLinear(system);
        // The same polynomial in powers of t: T(k+1) = 2t T(k) - T(k-1).
        std::array<long double, kN> power{}, tPrev{}, tCur{}, tNext{};
        tPrev[0] = 1.0L;
        tCur[1] = 1.0L;
        power[0] = cheb[0];
        for (int i = 1; i < kN; ++i) {
            for (int k = 0; k < kN; ++k) power[static_cast<std::size_t>(k)] += cheb[static_cast<std::size_t>(i)] * tCur[static_cast<std::size_t>(k)];
            tNext.fill(0.0L);
            for (int k = 0; k + 1 < kN; ++k) tNext[static_cast<std::size_t>(k + 1)] = 2.0L * tCur[static_cast<std::size_t>(k)];
            for (int k = 0; k < kN; ++k) tNext[static_cast<std::size_t>(k)] -= tPrev[static_cast<std::size_t>(k)];
            tPrev = tCur;
            tCur = tNext;
        }
        for (int k = 0; k < kN; ++k) part.coefficients[static_cast<std::size_t>(k)] = static_cast<double>(power[static_cast<std::size_t>(k)]);
    }

    // The check: both ends of every part and the points halfway between its nodes,
    // evaluated exactly as a draw evaluates them, against the reference.
    for (int j = 0; j < parts; ++j) {
        const PartFrame frame{parts, j};
        for (int k = 0; k <= kN; ++k) {
            const double t = k == 0 ? -1.0 : k == kN ? 1.0 : static_cast<double>(std::cos(kPi * k / kN));
            const double m = frame.MAt(t);
            const double w = std::ldexp(m, exponent);
            const Part& part = out.part[static_cast<std::size_t>(j)];
            const auto r = value(part, w);
            if (!r) return false;
            const long double ref = part.complement ? 1.0L - *r : *r;
            const double got = Evaluate(out, m);
            const double ulps = static_cast<double>(std::fabs(static_cast<long double>(got) - ref)) /
                                Ulp(static_cast<double>(ref));
            if (!(ulps <= kMaxUlps)) return false;
        }
    }
    return true;
}

double BetaQuantile::Evaluate(const Octave& o, double m) const {
    const int j = std::min(o.parts - 1, static_cast<int>((m - 0.5) * (2.0 * o.parts)));
    const double t = PartFrame{o.parts, j}.TAt(m);
    const Part& p = o.part[static_cast<std::size_t>(j)];
    double v = p.coefficients[kDegree];
    for (int k = kDegree - 1; k >= 0; --k) v = v * t + p.coefficients[static_cast<std::size_t>(k)];
    return p.complement ? 1.0 - v : v;
}

void BetaQuantile::BuildTask(int task) {
    const int half = task / built_;
    const int octave = task % built_;
    const bool upper = half == 1;
    Octave& out = octaves_[static_cast<std::size_t>(half * kOctaves + octave)];
    out = Octave{};
    // The first guess of the parts: how much Q, or 1 - Q, grows across the octave.
    const int exponent = -octave - 1;
    long double growth = 1.0L;
    bool found = false;
    // Q below 1/2 and 1 - Q below 1/2 are the values the parts hold.
    for (const bool complement : {false, true}) {
        const double a = complement ? b_ : a_, b = complement ? a_ : b_;
        const auto v0 = betaquantile::Solve(a, b, std::ldexp(0.5, exponent), upper != complement);
        const auto v1 = betaquantile::Solve(a, b, std::ldexp(1.0, exponent), upper != complement);
        if (!v0 || !v1) continue;
        found = true;
        const long double lo = std::min(*v0, *v1), hi = std::max(*v0, *v1);
        if (lo < 0.5L) growth = std::max(growth, std::min(hi, 0.5L) / lo);
    }
    if (!found) return;
    int parts = 2;
    while (parts < kMaxParts && std::pow(kPartRatio, parts) < growth) parts *= 2;
    for (; parts <= kMaxParts; parts *= 2) {
        if (BuildOctave(half, octave, parts, out)) {
            out.ok = true;
            return;
        }
    }
    out = Octave{};
}

bool BetaQuantile::Finish() {
    usable_ = built_ > 0;
    for (int half = 0; half < 2; ++half)
        for (int octave = 0; octave < built_; ++octave)
            usable_ = usable_ && octaves_[static_cast<std::size_t>(half * kOctaves + octave)].ok;
    return usable_;
}

void BetaQuantile::BuildAll() {
    for (int t = 0; t < Tasks(); ++t) BuildTask(t);
    Finish();
}

std::optional<double> BetaQuantile::operator()(double u) const {
    if (!(u >= 0.0 && u <= 1.0)) return std::nullopt;
    if (u == 0.0) return 0.0;
    if (u == 1.0) return 1.0;
    if (!usable_ || u < kLowestU || u > 1.0 - kLowestU) return betaquantile::AccurateInverseBeta(u, a_, b_);
    const int half = u < 0.5 ? 0 : 1;
    const double w = half == 0 ? u : 1.0 - u;  // exact from 1/2 on
    int e = 0;
    double m = std::frexp(w, &e);  // w = m 2^e, m in [1/2, 1)
    int octave = -e - 1;
    if (e == 0) {  // w = 1/2: the top of the first octave
        octave = 0;
        m = 1.0;
    }
    if (octave >= built_) return betaquantile::AccurateInverseBeta(u, a_, b_);
    return Evaluate(octaves_[static_cast<std::size_t>(half * kOctaves + octave)], m);
}

namespace betaquantile {

std::optional<double> AccurateInverseBeta(double u, double a, double b) {
    if (!(u > 0.0 && u < 1.0)) return DistributionFunctions::InverseBeta(u, a, b);
    // u above 1/2 as 1 - u (exact there), so that the upper tail keeps its precision.
    const bool upper = u > 0.5;
    if (const auto x = Solve(a, b, upper ? 1.0 - u : u, upper)) return static_cast<double>(*x);
    // Far in a tail even the accurate search can give up; the everyday one answers.
    if (const auto x = PreciseInverseBeta(u, a, b)) return x;
    return DistributionFunctions::InverseBeta(u, a, b);
}

}  // namespace betaquantile

}  // namespace nuvir
