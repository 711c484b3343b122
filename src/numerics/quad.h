#pragma once
// A quadruple-precision scalar (113-bit significand) that Eigen can hold and combine.
// The least-squares fits invert nearly collinear normal matrices and then cancel large
// products (the residual sum of squares is a sum of squares minus b'X'y): in Double,
// or even in the 64-bit long double, that difference keeps only a few of its digits
// on a classic collinear data set. The matrices are at most a dozen rows, so the
// software arithmetic costs microseconds.
#include <Eigen/Core>
#include <cmath>
#include <type_traits>

namespace nuvir {

struct Quad {
    __float128 v = 0;
    Quad() = default;
    template <class T, class = std::enable_if_t<std::is_arithmetic_v<T>>>
    Quad(T x) : v(static_cast<__float128>(x)) {}
    Quad(__float128 x) : v(x) {}
    explicit operator double() const { return static_cast<double>(v); }

    Quad& operator+=(Quad o) {
        v += o.v;
        return *this;
    }
    Quad& operator-=(Quad o) {
        v -= o.v;
        return *this;
    }
    Quad& operator*=(Quad o) {
        v *= o.v;
        return *this;
    }
    Quad& operator/=(Quad o) {
        v /= o.v;
        return *this;
    }
    friend Quad operator+(Quad a, Quad b) { return a.v + b.v; }
    friend Quad operator-(Quad a, Quad b) { return a.v - b.v; }
    friend Quad operator*(Quad a, Quad b) { return a.v * b.v; }
    friend Quad operator/(Quad a, Quad b) { return a.v / b.v; }
    friend Quad operator-(Quad a) { return -a.v; }
    friend bool operator<(Quad a, Quad b) { return a.v < b.v; }
    friend bool operator>(Quad a, Quad b) { return a.v > b.v; }
    friend bool operator<=(Quad a, Quad b) { return a.v <= b.v; }
    friend bool operator>=(Quad a, Quad b) { return a.v >= b.v; }
    friend bool operator==(Quad a, Quad b) { return a.v == b.v; }
    friend bool operator!=(Quad a, Quad b) { return a.v != b.v; }
};

// Found by argument-dependent lookup from Eigen's generic code.
inline Quad abs(Quad a) { return a.v < 0 ? -a.v : a.v; }
inline Quad abs2(Quad a) { return a.v * a.v; }
inline bool isnan(Quad a) { return a.v != a.v; }
inline bool isfinite(Quad a) { return a.v - a.v == 0; }
inline bool isinf(Quad a) { return !isfinite(a) && !isnan(a); }
inline Quad sqrt(Quad a) { return std::sqrt(static_cast<long double>(a.v)); }

}  // namespace nuvir

namespace Eigen {
template <>
struct NumTraits<nuvir::Quad> : GenericNumTraits<nuvir::Quad> {
    using Real = nuvir::Quad;
    using NonInteger = nuvir::Quad;
    using Nested = nuvir::Quad;
    using Literal = nuvir::Quad;
    enum {
        IsComplex = 0,
        IsInteger = 0,
        IsSigned = 1,
        RequireInitialization = 1,
        ReadCost = 1,
        AddCost = 4,
        MulCost = 8
    };
    static Real epsilon() { return Real(__float128(1) / (__float128(1ull << 56) * __float128(1ull << 56))); }
    static Real dummy_precision() { return Real(1e-30); }
    static Real highest() { return Real(1.79769313486231570e308); }
    static Real lowest() { return Real(-1.79769313486231570e308); }
    static int digits10() { return 33; }
};
}  // namespace Eigen
