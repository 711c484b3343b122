#pragma once
// Ordinary least squares through the normal equations: one dependent column of a
// table fitted on a list of regressor columns, with or without a constant term.
//
// A fit is Initialise, SetUseConstant, LeastSquares, then reading the results. One
// object serves one thread; separate objects may fit on separate threads.
// LeastSquares never throws: any failure (too few observations, a singular or
// ill-conditioned cross-product matrix, a square root of a negative value, a
// division by zero, an overflow) ends the fit, its text goes to ErrorText, and the
// results computed before the failure stay as they were set; those not reached keep
// their values from before the call (Empty after Initialise).
//
// Singular means: the cross-product matrix, rows and columns scaled, has a reciprocal
// condition number below N x the Double epsilon, the most its N-term sums can be off
// by. A regressor without spread next to the constant, a copy of another regressor
// or a column of zeros ends there with "Matrix is singular".
//
// Each column is first scaled by a power of two from its largest magnitude and, with
// the constant, centred on its mean; the fit is made on those columns, whose cross
// products neither cancel (data like 1E9 +- 1) nor leave the Double range, and its
// results are taken back to the data's units. R^2 and the standardised coefficients
// do not depend on those units; a coefficient or standard error that lies beyond the
// Double range there (a constant beyond it, a slope of y near 1E300 on x near
// 1E-300) is held as an infinity of its sign, and the others stand. The standard
// error of the estimate and the ANOVA sums come last; the sums are in the units of y
// squared, and for y beyond about 1E154 end the fit with Overflow. The cross
// products are formed in one pass over the rows, in the same order for every
// overload, so the results do not depend on which one is used.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "runtime/variant.h"

namespace nuvir {

class Matrix;
class TrialTable;

class CRegression {
public:
    CRegression();  // runs Initialise
    ~CRegression();
    CRegression(const CRegression&) = delete;
    CRegression& operator=(const CRegression&) = delete;

    // Text of the last failure absorbed by LeastSquares; "" after Initialise, which is
    // the only place that clears it (a later successful fit leaves it).
    const std::string& ErrorText() const { return errorText_; }
    void SetErrorText(std::string text) { errorText_ = std::move(text); }
    // Fit with a constant term; True after Initialise.
    bool UseConstant() const { return useConstant_; }
    void SetUseConstant(bool use) { useConstant_ = use; }

    // Releases every result: N and P 0, the rest Empty, ErrorText "", UseConstant True.
    void Initialise();

    // data: a two-dimensional Double array (any bounds), first index the observation,
    // second the column. regressors: a one-dimensional array of whole numbers, the data
    // columns of the regressors in coefficient order. dependent: the data column of y.
    void LeastSquares(const Variant& data, const Variant& regressors, std::int32_t dependent);
    // The same on the engine's trial table; column numbers count from its first column.
    void LeastSquares(const TrialTable& table, std::span<const std::int32_t> regressors, std::int32_t dependent);
    // The same on raw columns of `rows` contiguous values each.
    void LeastSquares(std::span<const double* const> regressorColumns, const double* dependentColumn,
                      std::int32_t rows);

    // ---- results (Empty when not computed) ------------------------------------
    Variant R2() const;
    Variant R2Adjusted() const;
    Variant StdErrEstimate() const;
    // Double arrays (0 To P - 1) in coefficient order; with the constant, element 0
    // belongs to it and element i to regressor i - 1.
    Variant Coefficients() const;
    // Square roots of the variances of the coefficients (+infinity beyond the Double
    // range); a negative variance raises Invalid procedure call (a fit that passed the
    // condition test has none).
    Variant CoefficientsStdErr() const;
    // With the constant its element 0 is the unscaled constant.
    Variant StandardisedCoefficients() const;
    std::int32_t N() const { return n_; }
    std::int32_t P() const { return p_; }
    Variant MeanY() const;
    // Double array (0 To regressors - 1).
    Variant MeanX() const;
    // Double array (0 To 2): SSR, SSE and the uncentred sum of squares of y; a value not
    // computed gives 0.
    Variant ANOVA() const;

    // ---- typed views of the same results, for callers that need no boxing -----
    std::optional<double> R2Value() const { return r2_; }
    // Empty when not computed.
    std::vector<double> CoefficientValues() const;
    std::vector<double> StandardisedValues() const;

private:
    struct Sums;
    template <class F>
    void Guard(F&& body);
    void Begin(std::int32_t rows, std::int64_t regressors);
    void Run(std::span<const double* const> x, const double* y);
    void Fit(const Sums& sums);
    void Absorb(const std::string& text);

    std::string errorText_;
    bool useConstant_ = true;

    // Each null until a fit creates it. The sums are those of the fit's own columns,
    // scaled and shifted (see Sums in regression.cpp): Z holds the column of ones (with
    // the constant) and z = x 2^-e - shift for each regressor, w = y 2^-e - shift (the
    // shifts 0 without the constant), and bw are the coefficients of w on Z.
    std::unique_ptr<Matrix> xx_;            // Z'Z, P x P
    std::unique_ptr<Matrix> xy_;            // Z'w, P x 1
    std::unique_ptr<Matrix> b_;             // coefficients in the data's units, P x 1
    std::unique_ptr<Matrix> standardised_;  // P x 1
    std::unique_ptr<Matrix> bxy_;           // bw'Z'w, 1 x 1
    std::unique_ptr<Matrix> covariance_;    // s^2 (X'X)^-1, P x P, row and column i over 2^e_i
    std::vector<int> covarianceExponent_;   // the e_i

    std::int32_t n_ = 0;
    std::int32_t p_ = 0;

    std::optional<std::vector<double>> meanX_;
    std::optional<double> meanY_;
    std::optional<double> r2_;
    std::optional<double> r2Adjusted_;
    std::optional<double> sumYY_;
    std::optional<double> ssr_;
    std::optional<double> sse_;
    std::optional<double> stdErrEstimate_;
};

}  // namespace nuvir
