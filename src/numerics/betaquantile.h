#pragma once
// The inverse beta distribution for one shape pair at the speed of a table lookup.
//
// A run draws millions of values from a few beta distributions whose shapes stay
// fixed, and the library's inverse costs microseconds a value (its default policy,
// which is accurate, tens of microseconds). So each beta quantity gets its own
// piecewise polynomial of the quantile function, built once per run from node values
// that a long-double Newton step makes exact to far below a double's last bit, and
// checked against those reference values between the nodes before it is used.
//
// Layout: u below 1/2 is split by the octaves of u, u from 1/2 on by those of 1 - u
// (both exact), each octave into equal parts; per part a polynomial in a variable
// that the part's bounds give exactly, of Q itself where Q < 1/2 and of 1 - Q
// elsewhere, so that every value keeps its relative precision. Within 2^-16 of 0 or
// 1, where draws are rare, the search that gives the node values serves.
//
// Where Q, or 1 - Q, is so small that the distribution function is its leading power
// times one correction (x^a / (a B(a, b)) for Q, within far less than an ulp), that
// closed form serves instead: for a shape near 0.01 it covers most of the range, whose
// values would otherwise span hundreds of binary orders (down to below the smallest
// double) and need hundreds of parts. Its constant a B(a, b) is taken in quadruple
// precision, as for a tiny a its rounding is multiplied by 1 / a.
//
// The result depends only on (a, b, u), the octaves built and the draws the build is
// planned for: the same for any number of threads that build or use it. The build runs
// in rounds of independent steps (`BuildTask`), which may run in parallel; `NextRound`
// then sets up the next round. The first round plans each octave: how many parts, which
// of them the closed forms leave to build, and whether that pays for the draws the octave
// gets; the others build groups of parts and check them against the error bound. An
// octave that does not meet it is built again with twice the parts while that still
// pays; else the search that gives the node values serves it.
//
// Building a part costs about 35 values from that search, and a run of n draws puts
// about n 2^-(k+2) of them in octave k of either half; so a short run builds only the
// octaves around the median that pay, and the search serves beyond them.
#include <array>
#include <limits>
#include <optional>
#include <vector>

namespace nuvir {

class BetaQuantile {
public:
    // Error bound of every checked point against the long-double reference, in units
    // in the last place of the double result.
    static constexpr double kMaxUlps = 2.0;
    // Polynomial degree of a part.
    static constexpr int kDegree = 16;
    // Octaves of u (and of 1 - u) covered by the polynomials: u from 2^-16 to 1/2.
    static constexpr int kOctaves = 15;

    // Built draws per octave from which building it pays.
    static constexpr double kDrawsPerOctave = 128.0;
    // Draws an octave must get per part it builds: a part costs about 35 searches.
    static constexpr double kDrawsPerPart = 32.0;
    // The octaves worth building for a run of that many draws: 0 to kOctaves.
    static int OctavesFor(double draws);

    // Polynomials for the first `octaves` octaves of each half (u from 2^-(octaves+1)
    // to 1 - 2^-(octaves+1)), built where they pay for `draws` draws.
    explicit BetaQuantile(double a, double b, int octaves = kOctaves,
                          double draws = std::numeric_limits<double>::infinity());

    // The independent steps of the present round.
    int Tasks() const;
    void BuildTask(int task);
    // After every step of the round has run: sets up the next round; false when the
    // build is complete.
    bool NextRound();
    void BuildAll();
    // True when the build is complete and every octave built is served by its
    // polynomials or the closed forms (none left to the search).
    bool Usable() const { return usable_; }
    // Parts built, all octaves together (for the benchmark and tests).
    int PartsBuilt() const;

    // x with I_x(a, b) = u, for u in [0, 1]; within kMaxUlps (plus the reference's
    // own rounding) of the library's accurate inverse. 0 at u = 0, 1 at u = 1; no
    // value where the library has none.
    std::optional<double> operator()(double u) const;

private:
    struct Part {
        bool complement = false;                         // the polynomial gives 1 - Q
        bool ok = false;                                 // built within the bound
        std::array<double, kDegree + 1> coefficients{};  // in powers of the part's variable
    };
    // Planned, parts to build, parts built (not yet judged), used, left to the search.
    enum class State { kPlan, kBuild, kBuilt, kReady, kSearch };
    struct Octave {
        State state = State::kPlan;
        int parts = 0;             // a power of two
        int first = 0, last = -1;  // the parts to build; the closed forms serve the others
        double draws = 0.0;        // draws the octave gets
        std::vector<Part> part;
    };
    // One of the closed forms: the smaller of Q and 1 - Q, r = (v p B(a, b))^(1/p)
    // (1 - slope r), where v is u or 1 - u and p the shape of that side; it serves v
    // below `limit`.
    struct Tail {
        double p = 1.0;
        long double scale = 0.0L;  // ln(p B(a, b))
        // 1 / (p B(a, b)) = v0 + v0Low, the v at which the leading power reaches 1.
        long double v0 = 0.0L, v0Low = 0.0L;
        long double slope = 0.0L;  // (1 - q) / (p + 1), q the other shape
        double limit = 0.0;
        long double Value(long double v) const;
    };
    struct Group {
        int octave, first, last;
    };

    // Parts a build step takes on.
    static constexpr int kPartsPerTask = 4;

    Octave& OctaveAt(int index) { return octaves_[static_cast<std::size_t>(index)]; }
    const Octave& OctaveAt(int index) const { return octaves_[static_cast<std::size_t>(index)]; }
    void Plan(int index);
    // Splits the octave into that many parts: which to build, and whether that pays.
    void Resize(int index, int parts);
    bool BuildPart(int half, int octave, int j, Part& out) const;
    // Sets up a round building every octave waiting for it, in groups of parts.
    void GroupBuilds();
    // Part j of `parts` at m: what its polynomial holds (Q or 1 - Q), and Q.
    static double Held(const Part& p, int parts, int j, double m);
    static double Evaluate(const Part& p, int parts, int j, double m);
    // Whether every u of [lo, hi] lies in one of the closed forms' ranges.
    bool InTails(long double lo, long double hi) const;

    double a_, b_;
    int built_;  // octaves of each half
    double draws_;
    Tail low_, high_;  // Q near 0, and 1 - Q near 0
    std::array<Octave, 2 * kOctaves> octaves_;
    int round_ = 0;
    std::vector<Group> groups_;
    bool usable_ = false;
};

namespace betaquantile {
// Shapes below which Q moves by more than an ulp for the last bit of a long-double
// distribution function (by 1 / a times its relative error): there the polynomials are
// not built and a search in quadruple precision serves wherever the closed forms,
// computed from quadruple-precision constants, do not.
inline constexpr double kTinyShape = 5e-4;
// Shapes below which that search serves the values left to a search after all: the
// long-double one moves Q by up to 1 / a times the distribution function's error,
// several of its ulp there (against a 50-digit reference it was off by 7 ulp at
// (6e-4, 0.3) and by 4.8 at a = b = 9e-4, by 1.3 at most from 1.2e-3 on).
inline constexpr double kQuadrupleSearchShape = 2e-3;
// x with I_x(a, b) = u for u in (0, 1), from the distribution function in quadruple
// precision (its series, which suits the tiniest shapes: the other shape may not be
// in the thousands); none where the series does not converge.
std::optional<double> TinyShapeInverse(double u, double a, double b);
// The library's inverse under its accurate (long-double) policy.
std::optional<double> PreciseInverseBeta(double u, double a, double b);
// x with I_x(a, b) = p (upper false) or 1 - I_x(a, b) = p (upper true), refined in
// long double from `start`, or from the library's everyday inverse when none (or none
// in (0, 1)) is given; no value where the library cannot start the search.
std::optional<long double> Solve(double a, double b, double p, bool upper, double start = 0.0);
// ln B(a, b) in long double; none where B underflows or overflows.
std::optional<long double> LogBeta(double a, double b);
// x with I_x(a, b) = u from that search (for a shape below kQuadrupleSearchShape the
// one in quadruple precision), rounded to double; where it has no value, the library's
// accurate inverse, else its everyday one.
std::optional<double> AccurateInverseBeta(double u, double a, double b);
}  // namespace betaquantile

}  // namespace nuvir
