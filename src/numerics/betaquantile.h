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
// The result depends only on (a, b, u) and the octaves built: the same for any number
// of threads that build or use it. Build steps (`BuildTask`) are independent and may
// run in parallel; `Finish` then tells whether every part met the error bound. A pair
// that does not is served by the node values' search throughout.
//
// Building an octave costs about as much as a hundred values from that search, and a
// run of n draws puts about n 2^-(k+2) of them in octave k of either half; so a short
// run builds only the octaves around the median that pay, and the search serves
// beyond them.
#include <array>
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
    // The octaves worth building for a run of that many draws: 0 to kOctaves.
    static int OctavesFor(double draws);

    // Polynomials for the first `octaves` octaves of each half (u from 2^-(octaves+1)
    // to 1 - 2^-(octaves+1)).
    explicit BetaQuantile(double a, double b, int octaves = kOctaves);

    // Independent build steps, one per half and octave.
    int Tasks() const { return 2 * built_; }
    void BuildTask(int task);
    // True when every octave was built within the bound; the polynomials are used
    // only then. Call after all tasks have run.
    bool Finish();
    void BuildAll();
    bool Usable() const { return usable_; }

    // x with I_x(a, b) = u, for u in [0, 1]; within kMaxUlps (plus the reference's
    // own rounding) of the library's accurate inverse. 0 at u = 0, 1 at u = 1; no
    // value where the library has none.
    std::optional<double> operator()(double u) const;

private:
    struct Part {
        bool complement = false;  // the polynomial gives 1 - Q
        std::array<double, kDegree + 1> coefficients{};  // in powers of the part's variable
    };
    struct Octave {
        int parts = 0;  // a power of two
        std::vector<Part> part;
        bool ok = false;
    };

    bool BuildOctave(int half, int octave, int parts, Octave& out) const;
    double Evaluate(const Octave& o, double m) const;

    double a_, b_;
    int built_;  // octaves of each half
    std::array<Octave, 2 * kOctaves> octaves_;
    bool usable_ = false;
};

namespace betaquantile {
// The library's inverse under its accurate (long-double) policy.
std::optional<double> PreciseInverseBeta(double u, double a, double b);
// x with I_x(a, b) = p (upper false) or 1 - I_x(a, b) = p (upper true), refined in
// long double; no value where the library cannot start the search.
std::optional<long double> Solve(double a, double b, double p, bool upper);
// x with I_x(a, b) = u from that search, rounded to double; where it has no value, the
// library's accurate inverse, else its everyday one.
std::optional<double> AccurateInverseBeta(double u, double a, double b);
}  // namespace betaquantile

}  // namespace nuvir
