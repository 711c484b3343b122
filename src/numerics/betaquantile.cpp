#include "numerics/betaquantile.h"

#include <algorithm>
#include <cmath>

#include "numerics/numerics.h"

// libquadmath's functions; its header lives in the compiler's private folder, where
// not every tool looks.
extern "C" {
__float128 lgammaq(__float128);
__float128 expq(__float128);
__float128 logq(__float128);
__float128 log1pq(__float128);
}

namespace nuvir {

namespace {

constexpr int kN = BetaQuantile::kDegree + 1;  // nodes of a part
constexpr int kMaxParts = 256;
// Growth of the represented value across one part: small enough that the polynomial's
// rounding, relative to the part's largest value, stays within an ulp of its smallest.
constexpr double kPartRatio = 1.6;
const double kLowestU = std::ldexp(1.0, -(BetaQuantile::kOctaves + 1));
// Shapes from which the search is not accurate enough far in a tail.
constexpr double kLargeShape = 1000.0;
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

BetaQuantile::BetaQuantile(double a, double b, int octaves, double draws)
    : a_(a), b_(b), built_(std::clamp(octaves, 0, kOctaves)), draws_(draws) {
    // The first correction leaves a relative error of the order of r^2 (times the
    // other shape's distance from 1, squared): below 2^-58 where r < 2^-29 (1 + |1 - q|)^-1.
    // For 1 - Q only its absolute error counts, next to Q's ulp near 1.
    const auto logBeta = betaquantile::LogBeta(a, b);
    if (!logBeta) return;
    auto tail = [&](double p, double q, double largest) {
        Tail t;
        t.p = p;
        // ln(p B(p, q)) as ln G(1 + p) + ln G(q) - ln G(p + q), in quadruple precision:
        // for a small p the value is the difference of nearly equal logarithms, and
        // its error is multiplied by 1 / p in Q.
        const __float128 qp = p, qq = q;
        const __float128 scale = lgammaq(1 + qp) + lgammaq(qq) - lgammaq(qp + qq);
        t.scale = static_cast<long double>(scale);
        const __float128 v0 = expq(-scale);
        t.v0 = static_cast<long double>(v0);
        t.v0Low = std::isfinite(t.v0) ? static_cast<long double>(v0 - static_cast<__float128>(t.v0)) : 0.0L;
        t.slope = (1.0L - q) / (p + 1.0L);
        const long double logLimit = p * std::log(static_cast<long double>(largest)) - t.scale;
        t.limit = logLimit >= 0.0L ? 1.0 : static_cast<double>(std::exp(logLimit));
        return t;
    };
    low_ = tail(a, b, std::ldexp(1.0, -29) / (1.0 + std::fabs(1.0 - b)));
    high_ = tail(b, a, std::ldexp(1.0, -20) / (1.0 + std::fabs(1.0 - a)));
}

long double BetaQuantile::Tail::Value(long double v) const {
    // ln(v / v0), whose relative error is that of Q. Near v0, where a small shape puts
    // every v that gives Q a double above 0, from v - v0, which is exact there.
    const long double logRatio = v >= 0.5L * v0 ? std::log1p(((v - v0) - v0Low) / v0) : std::log(v) + scale;
    const long double r = std::exp(logRatio / p);
    return r * (1.0L - slope * r);
}

int BetaQuantile::OctavesFor(double draws) {
    int octaves = 0;
    while (octaves < kOctaves && draws * std::ldexp(1.0, -(octaves + 2)) >= kDrawsPerOctave) ++octaves;
    return octaves;
}

bool BetaQuantile::InTails(long double lo, long double hi) const { return hi < low_.limit || 1.0L - lo < high_.limit; }

int BetaQuantile::Tasks() const { return round_ == 0 ? 2 * built_ : static_cast<int>(groups_.size()); }

void BetaQuantile::BuildTask(int task) {
    if (round_ == 0) {
        Plan(task / built_ * kOctaves + task % built_);
        return;
    }
    const Group& g = groups_[static_cast<std::size_t>(task)];
    Octave& o = OctaveAt(g.octave);
    for (int j = g.first; j <= g.last; ++j)
        o.part[static_cast<std::size_t>(j)].ok =
            BuildPart(g.octave / kOctaves, g.octave % kOctaves, j, o.part[static_cast<std::size_t>(j)]);
}

namespace {
// The u-range of part j of `parts` in the octave with that exponent of either half.
std::pair<long double, long double> PartRange(int half, int exponent, int parts, int j) {
    const PartFrame frame{parts, j};
    const long double w0 = std::ldexp(static_cast<long double>(frame.m0()), exponent);
    const long double w1 = std::ldexp(static_cast<long double>(frame.m0()) + 0.5L / parts, exponent);
    return half == 0 ? std::pair{w0, w1} : std::pair{1.0L - w1, 1.0L - w0};
}
}  // namespace

void BetaQuantile::Plan(int index) {
    const int half = index / kOctaves, octave = index % kOctaves;
    const bool upper = half == 1;
    Octave& out = OctaveAt(index);
    out = Octave{};
    out.draws = draws_ * std::ldexp(1.0, -(octave + 2));
    // The part of the octave (in w: u below 1/2, 1 - u from 1/2 on) the closed forms
    // leave; the growth over it gives the first guess of the parts.
    const int exponent = -octave - 1;
    const Tail& nearTail = upper ? high_ : low_;
    const Tail& farTail = upper ? low_ : high_;
    const double wLo = std::ldexp(0.5, exponent), wHi = std::ldexp(1.0, exponent);
    const double from = std::max(wLo, nearTail.limit), to = std::min(wHi, 1.0 - farTail.limit);
    if (!(from < to)) {
        out.state = State::kReady;
        return;
    }
    // Parts built from the long-double search would carry its error.
    if (std::min(a_, b_) < betaquantile::kTinyShape) {
        out.state = State::kSearch;
        return;
    }
    const double share = (to - from) / (wHi - wLo);
    long double growth = 1.0L;
    bool found = false;
    // Q below 1/2 and 1 - Q below 1/2 are the values the parts hold.
    for (const bool complement : {false, true}) {
        const double a = complement ? b_ : a_, b = complement ? a_ : b_;
        const auto v0 = betaquantile::Solve(a, b, from, upper != complement);
        const auto v1 = betaquantile::Solve(a, b, to, upper != complement);
        if (!v0 || !v1) continue;
        found = true;
        const long double lo = std::min(*v0, *v1), hi = std::max(*v0, *v1);
        if (lo < 0.5L) growth = std::max(growth, std::min(hi, 0.5L) / lo);
    }
    if (!found) {
        out.state = State::kSearch;
        return;
    }
    int parts = 2;
    while (parts < kMaxParts && std::pow(kPartRatio, parts * share) < growth) parts *= 2;
    Resize(index, parts);
    // An everyday octave's few parts are built in this step: a round more would make
    // the run wait longer before its first trial.
    if (out.state == State::kBuild && out.last - out.first < kPartsPerTask) {
        for (int j = out.first; j <= out.last; ++j)
            out.part[static_cast<std::size_t>(j)].ok =
                BuildPart(half, octave, j, out.part[static_cast<std::size_t>(j)]);
        out.state = State::kBuilt;
    }
}

void BetaQuantile::Resize(int index, int parts) {
    const int half = index / kOctaves, octave = index % kOctaves;
    Octave& out = OctaveAt(index);
    out.parts = parts;
    out.first = 0;
    out.last = parts - 1;
    while (out.first <= out.last) {
        const auto [lo, hi] = PartRange(half, -octave - 1, parts, out.first);
        if (!InTails(lo, hi)) break;
        ++out.first;
    }
    while (out.last >= out.first) {
        const auto [lo, hi] = PartRange(half, -octave - 1, parts, out.last);
        if (!InTails(lo, hi)) break;
        --out.last;
    }
    const int toBuild = out.last - out.first + 1;
    out.part.assign(static_cast<std::size_t>(parts), Part{});
    if (toBuild <= 0) {
        out.state = State::kReady;
        return;
    }
    // The draws those parts get pay for them, or the search serves the octave.
    const bool pays = out.draws * toBuild / parts >= kDrawsPerPart * toBuild;
    out.state = pays ? State::kBuild : State::kSearch;
}

void BetaQuantile::GroupBuilds() {
    groups_.clear();
    for (int i = 0; i < 2 * kOctaves; ++i) {
        const Octave& o = OctaveAt(i);
        if (o.state != State::kBuild) continue;
        for (int j = o.first; j <= o.last; j += kPartsPerTask)
            groups_.push_back({i, j, std::min(j + kPartsPerTask - 1, o.last)});
    }
}

bool BetaQuantile::NextRound() {
    // Octaves built in the round just ended: used, built again with twice the parts,
    // or left to the search.
    for (int i = 0; i < 2 * kOctaves; ++i) {
        Octave& o = OctaveAt(i);
        if (o.state == State::kBuild && round_ > 0) o.state = State::kBuilt;
        if (o.state != State::kBuilt) continue;
        bool ok = true;
        for (int j = o.first; j <= o.last; ++j) ok = ok && o.part[static_cast<std::size_t>(j)].ok;
        if (ok)
            o.state = State::kReady;
        else if (o.parts < kMaxParts)
            Resize(i, 2 * o.parts);
        else
            o.state = State::kSearch;
    }
    ++round_;
    GroupBuilds();
    if (!groups_.empty()) return true;
    usable_ = built_ > 0;
    for (int half = 0; half < 2; ++half)
        for (int octave = 0; octave < built_; ++octave)
            usable_ = usable_ && OctaveAt(half * kOctaves + octave).state == State::kReady;
    return false;
}

void BetaQuantile::BuildAll() {
    do {
        for (int t = 0; t < Tasks(); ++t) BuildTask(t);
    } while (NextRound());
}

int BetaQuantile::PartsBuilt() const {
    int n = 0;
    for (const Octave& o : octaves_)
        if (o.state == State::kReady) n += std::max(0, o.last - o.first + 1);
    return n;
}

bool BetaQuantile::BuildPart(int half, int octave, int j, Part& part) const {
    const bool upper = half == 1;
    const int exponent = -octave - 1;  // w = m 2^exponent, m in [1/2, 1]
    const int parts = OctaveAt(half * kOctaves + octave).parts;
    // Q at w (u = w below 1/2, 1 - u = w from 1/2 on), and 1 - Q, in long double.
    auto q = [&](double w) { return betaquantile::Solve(a_, b_, w, upper); };
    auto y = [&](double w) { return betaquantile::Solve(b_, a_, w, !upper); };
    // What a part's polynomial holds: Q, or 1 - Q for a complement part.
    auto value = [&](double w) { return part.complement ? y(w) : q(w); };

    const PartFrame frame{parts, j};
    // Q so close to 1 that it rounds to 1 has no direct form: then 1 - Q serves.
    const auto mid = q(std::ldexp(frame.MAt(0.0), exponent));
    part.complement = !mid || *mid >= 0.5L;

    // Chebyshev coefficients through the values at the nodes. A node's m is rounded
    // to a double, and for a small shape a the quantile moves by 1/a times that
    // relative step, so the values are interpolated where they were taken (the exact
    // t of the rounded m), not where the textbook puts the nodes.
    std::array<std::array<long double, kN + 1>, kN> system{};
    for (int k = 0; k < kN; ++k) {
        const double m = frame.MAt(static_cast<double>(std::cos(kPi * (k + 0.5L) / kN)));
        const auto v = value(std::ldexp(m, exponent));
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
        for (int k = 0; k < kN; ++k)
            power[static_cast<std::size_t>(k)] += cheb[static_cast<std::size_t>(i)] * tCur[static_cast<std::size_t>(k)];
        tNext.fill(0.0L);
        for (int k = 0; k + 1 < kN; ++k)
            tNext[static_cast<std::size_t>(k + 1)] = 2.0L * tCur[static_cast<std::size_t>(k)];
        for (int k = 0; k < kN; ++k) tNext[static_cast<std::size_t>(k)] -= tPrev[static_cast<std::size_t>(k)];
        tPrev = tCur;
        tCur = tNext;
    }
    for (int k = 0; k < kN; ++k)
        part.coefficients[static_cast<std::size_t>(k)] = static_cast<double>(power[static_cast<std::size_t>(k)]);

    // The check: the part's lower end, the points halfway between its nodes and, for
    // the octave's last part, its upper end (elsewhere that point is the next part's),
    // evaluated exactly as a draw evaluates them, against the reference.
    for (int k = 0; k <= kN; ++k) {
        if (k == kN && j + 1 < parts) break;
        const double t = k == 0 ? -1.0 : k == kN ? 1.0 : static_cast<double>(std::cos(kPi * k / kN));
        const double m = frame.MAt(t);
        // The polynomial's value is as good a start for the search as any: within a
        // few ulp when the part is sound.
        const double held = Held(part, parts, j, m);
        const double w = std::ldexp(m, exponent);
        const auto r = part.complement ? betaquantile::Solve(b_, a_, w, !upper, held)
                                       : betaquantile::Solve(a_, b_, w, upper, held);
        if (!r) return false;
        const long double ref = part.complement ? 1.0L - *r : *r;
        const double got = part.complement ? 1.0 - held : held;
        const double ulps =
            static_cast<double>(std::fabs(static_cast<long double>(got) - ref)) / Ulp(static_cast<double>(ref));
        if (!(ulps <= kMaxUlps)) return false;
    }
    return true;
}

double BetaQuantile::Held(const Part& p, int parts, int j, double m) {
    const double t = PartFrame{parts, j}.TAt(m);
    double v = p.coefficients[kDegree];
    for (int k = kDegree - 1; k >= 0; --k) v = v * t + p.coefficients[static_cast<std::size_t>(k)];
    return v;
}

double BetaQuantile::Evaluate(const Part& p, int parts, int j, double m) {
    const double v = Held(p, parts, j, m);
    return p.complement ? 1.0 - v : v;
}

std::optional<double> BetaQuantile::operator()(double u) const {
    if (!(u >= 0.0 && u <= 1.0)) return std::nullopt;
    if (u == 0.0) return 0.0;
    if (u == 1.0) return 1.0;
    if (u < low_.limit) return static_cast<double>(low_.Value(u));
    if (const long double w = 1.0L - u; w < high_.limit) return static_cast<double>(1.0L - high_.Value(w));
    if (u < kLowestU || u > 1.0 - kLowestU) return betaquantile::AccurateInverseBeta(u, a_, b_);
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
    const Octave& o = octaves_[static_cast<std::size_t>(half * kOctaves + octave)];
    if (o.state != State::kReady) return betaquantile::AccurateInverseBeta(u, a_, b_);
    const int j = std::min(o.parts - 1, static_cast<int>((m - 0.5) * (2.0 * o.parts)));
    return Evaluate(o.part[static_cast<std::size_t>(j)], o.parts, j, m);
}

namespace betaquantile {

namespace {

using F128 = __float128;

// ln I_x(p, q) for x up to 1/2, t = ln x, from x^p (1 - x)^q / (p B(p, q)) times
// the series of (p + q)_n / (p + 1)_n x^n, which converges like the powers of x;
// logPB is ln(p B(p, q)). Every term is of the size of ln I, nothing cancels. No
// value when the series has not converged (a large other shape far from its mean).
std::optional<F128> LogLowerI(F128 t, F128 x, F128 p, F128 q, F128 logPB) {
    const F128 eps = std::ldexp(1.0, -116);
    F128 term = 1, sum = 1;
    for (int n = 0;; ++n) {
        if (n == 100000) return std::nullopt;
        term *= (p + q + n) / (p + 1 + n) * x;
        sum += term;
        if (term <= sum * eps) break;
    }
    return p * t + q * log1pq(-x) - logPB + logq(sum);
}

}  // namespace

// Newton's steps on ln I as a function of ln x, kept inside a bracket by halving. Q
// below 1/2 from I_x(a, b) = u, above it from I_y(b, a) = 1 - u with y = 1 - x.
std::optional<double> TinyShapeInverse(double u, double a, double b) {
    if (!(u > 0.0 && u < 1.0) || !(a > 0.0) || !(b > 0.0)) return std::nullopt;
    const F128 qa = a, qb = b;
    const F128 logB = lgammaq(qa) + lgammaq(qb) - lgammaq(qa + qb);
    const F128 logHalf = -logq(2);
    const auto half = LogLowerI(logHalf, 0.5, qa, qb, logB + logq(qa));
    if (!half) return std::nullopt;
    const bool upper = logq(static_cast<F128>(u)) > *half;
    const F128 p = upper ? qb : qa, q = upper ? qa : qb;
    const F128 logPB = logB + logq(p);
    const F128 target = upper ? logq(1 - static_cast<F128>(u)) : logq(static_cast<F128>(u));
    // Below e^-746 the value is 0 as a double; on the upper side 1 - x is 1 long before.
    F128 lo = -746, hi = logHalf;
    const auto atLo = LogLowerI(lo, expq(lo), p, q, logPB);
    if (!atLo) return std::nullopt;
    if (*atLo >= target) return upper ? 1.0 : 0.0;
    // The closed form's value as the start.
    F128 t = (target + logPB) / p;
    if (!(t > lo && t < hi)) t = (lo + hi) / 2;
    for (int step = 0; step < 200; ++step) {
        const F128 x = expq(t);
        const auto g = LogLowerI(t, x, p, q, logPB);
        if (!g) return std::nullopt;
        const F128 d = *g - target;
        if (d == 0) break;
        if (d < 0) {
            lo = t;
        } else {
            hi = t;
        }
        // d(ln I)/d(ln x) = x f(x) / I.
        const F128 slope = expq(p * t + (q - 1) * log1pq(-x) - (logPB - logq(p)) - *g);
        F128 next = t - d / slope;
        if (!(next > lo && next < hi)) next = (lo + hi) / 2;
        const F128 change = next - t;
        t = next;
        if ((change < 0 ? -change : change) < std::ldexp(1.0, -100)) break;
    }
    const F128 x = expq(t);
    return static_cast<double>(upper ? 1 - x : x);
}

std::optional<double> AccurateInverseBeta(double u, double a, double b) {
    if (!(u > 0.0 && u < 1.0)) return DistributionFunctions::InverseBeta(u, a, b);
    if (std::min(a, b) < kQuadrupleSearchShape)
        if (const auto x = TinyShapeInverse(u, a, b)) return x;
    // With a shape in the thousands the long-double distribution function is off in its
    // fifteenth digit far in the tail of the other (and so is the search), which the
    // accurate policy is not; the search costs as much there.
    if (std::max(a, b) > kLargeShape)
        if (const auto x = PreciseInverseBeta(u, a, b)) return x;
    // u above 1/2 as 1 - u (exact there), so that the upper tail keeps its precision.
    const bool upper = u > 0.5;
    if (const auto x = Solve(a, b, upper ? 1.0 - u : u, upper)) return static_cast<double>(*x);
    // Far in a tail even the accurate search can give up; the everyday one answers.
    if (const auto x = PreciseInverseBeta(u, a, b)) return x;
    return DistributionFunctions::InverseBeta(u, a, b);
}

}  // namespace betaquantile

}  // namespace nuvir
