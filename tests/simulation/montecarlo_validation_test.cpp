// The engine's check and conversion of its input: every failure text, the look-up
// tables and the working matrix the draws use.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "montecarlo_testsupport.h"
#include "numerics/numerics.h"
#include "runtime/convert.h"
#include "runtime/error.h"

namespace nuvir {
namespace {

using enginetest::CumulativeTable;
using enginetest::Matrix;
using enginetest::Rows;
using enginetest::TableList;
using enginetest::UniformRows;
using enginetest::Wrapped;
using Access = CMonteCarloTestAccess;

const std::string kTail = ") in array passed to CMonteCarlo.RunSimulation";

// The failure of a run on this input, as number and text ("" when it ran).
struct Outcome {
    int number = 0;
    std::string text;
};
Outcome RunOn(const Variant& inputs, EngineTestHost& host) {
    CMonteCarlo mc(host);
    try {
        mc.RunSimulation(inputs, 10, 20, 1.0f);
    } catch (const AppError& e) {
        return {e.number(), e.description()};
    }
    return {};
}

Rows WithRow(Rows rows, int k, double mean, double s, double code) {
    rows[static_cast<std::size_t>(k)] = {mean, s, code};
    return rows;
}

struct TextCase {
    const char* name;
    Variant inputs;
    std::string text;
};

TEST(MonteCarloValidation, EachBadInputEndsTheRunWithItsText) {
    const Rows ok = UniformRows();
    Rows twoBad = WithRow(ok, 0, 0.5, 0.1, 9);
    twoBad = WithRow(twoBad, 1, 0.5, -2, 0);
    const std::vector<TextCase> cases = {
        {"one dimension", Variant::Doubles(std::vector<double>(39, 0.0)),
         "Invalid array passed to CMonteCarlo.RunSimulation"},
        {"three dimensions", Variant::MakeArray(VarType::Double, {Bounds{0, 12}, Bounds{0, 2}, Bounds{0, 0}}),
         "Invalid array passed to CMonteCarlo.RunSimulation"},
        {"never given bounds", Variant::Unallocated(VarType::Double),
         "Invalid array passed to CMonteCarlo.RunSimulation"},
        {"13 x 4", Variant::MakeArray(VarType::Double, {Bounds{0, 12}, Bounds{0, 3}}),
         "Wrong number of columns in array passed to CMonteCarlo.RunSimulation"},
        {"12 x 3", Variant::MakeArray(VarType::Double, {Bounds{0, 11}, Bounds{0, 2}}),
         "Wrong number of rows in array passed to CMonteCarlo.RunSimulation"},
        {"14 x 3", Variant::MakeArray(VarType::Double, {Bounds{0, 13}, Bounds{0, 2}}),
         "Wrong number of rows in array passed to CMonteCarlo.RunSimulation"},
        {"code 2.5", Matrix(WithRow(ok, 5, 1, 0.1, 2.5)), "Bad distribution type (2.5" + kTail},
        {"code 4", Matrix(WithRow(ok, 5, 1, 0.1, 4)), "Bad distribution type (4" + kTail},
        {"code -1", Matrix(WithRow(ok, 5, 1, 0.1, -1)), "Bad distribution type (-1" + kTail},
        {"code 99", Matrix(WithRow(ok, 5, 1, 0.1, 99)), "Bad distribution type (99" + kTail},
        {"spread -0.1", Matrix(WithRow(ok, 7, 1, -0.1, 0)), "Bad SD (-0.1" + kTail},
        {"spread before code", Matrix(WithRow(ok, 3, 0.5, -1, 7)), "Bad SD (-1" + kTail},
        {"row 0 before row 1", Matrix(twoBad), "Bad distribution type (9" + kTail},
        {"lognormal mean 0, spread 0", Matrix(WithRow(ok, 4, 0, 0, 2)), "Bad mean (0" + kTail + " for LN distribution"},
        {"lognormal mean -1", Matrix(WithRow(ok, 6, -1, 1, 2)), "Bad mean (-1" + kTail + " for LN distribution"},
        {"p mean 1.3 clamped, then beta", Matrix(WithRow(ok, 2, 1.3, 0.1, 3)), "Bad mean (1" + kTail + " for B distribution"},
        {"beta mean 0", Matrix(WithRow(ok, 9, 0, 0.1, 3)), "Bad mean (0" + kTail + " for B distribution"},
        {"beta spread at its largest", Matrix(WithRow(ok, 1, 0.5, 0.5, 3)), "Bad SD (0.5" + kTail},
        {"beta spread beyond its largest", Matrix(WithRow(ok, 1, 0.3, 0.5, 3)), "Bad SD (0.5" + kTail},
        {"wrapped, no tables", Wrapped(Matrix(ok), Variant(), Variant()),
         "Unexpected error: Expected look-up tables for impacts and/or costs"},
    };
    for (const auto& c : cases) {
        EngineTestHost host;
        const Outcome o = RunOn(c.inputs, host);
        EXPECT_EQ(o.number, 255) << c.name;
        EXPECT_EQ(o.text, c.text) << c.name;
        EXPECT_EQ(host.yields, 0) << c.name;
    }
}

TEST(MonteCarloValidation, BetaSpreadExactlyAtItsLargestIsRefusedAtOtherMeansToo) {
    // mean 0.3 and spread Sqr(0.21): k = 0 exactly, which would draw 0 in every trial.
    EngineTestHost host;
    const Outcome o = RunOn(Matrix(WithRow(UniformRows(), 0, 0.3, std::sqrt(0.21), 3)), host);
    EXPECT_EQ(o.text, "Bad SD (" + FormatDouble(std::sqrt(0.21)) + kTail);
}

TEST(MonteCarloValidation, ValuesThatAreNoDoubleMatrixAreATypeMismatch) {
    Variant longs = Variant::MakeArray(VarType::Int32, {Bounds{0, 12}, Bounds{0, 2}});
    for (const Variant& v : {Variant(1.5), Variant("text"), longs}) {
        EngineTestHost host;
        const Outcome o = RunOn(v, host);
        EXPECT_EQ(o.number, err::TypeMismatch);
    }
}

TEST(MonteCarloValidation, ConversionsThatOverflowOrDivideByZeroRaise) {
    EngineTestHost host;
    // The square of the spread overflows.
    Outcome o = RunOn(Matrix(WithRow(UniformRows(), 4, 1e200, 1e200, 2)), host);
    EXPECT_EQ(o.number, err::Overflow);
    EXPECT_EQ(o.text, "Overflow");
    // The square of the spread underflows to 0 under a division.
    o = RunOn(Matrix(WithRow(UniformRows(), 0, 0.5, 1e-170, 3)), host);
    EXPECT_EQ(o.number, err::DivisionByZero);
    EXPECT_EQ(o.text, "Division by zero");
}

// ---- the working matrix --------------------------------------------------------------

TEST(MonteCarloWorkingMatrix, ProbabilitiesAreClampedAndOtherRowsKept) {
    EngineTestHost host;
    CMonteCarlo mc(host);
    Rows rows = UniformRows();
    rows[0] = {1.3, 0.2, 1};
    rows[1] = {-0.2, 0.2, 0};
    rows[5] = {-7, 0.5, 1};  // impacts are not clamped
    const auto m = Access::Validate(mc, Matrix(rows));
    EXPECT_EQ(m[0][0], 1.0);
    EXPECT_EQ(m[1][0], 0.0);
    EXPECT_EQ(m[5][0], -7.0);
    EXPECT_EQ(m[5][1], 0.5);
    EXPECT_EQ(m[5][2], 1.0);
    EXPECT_TRUE(Access::LookupTables(mc).isEmpty());
}

TEST(MonteCarloWorkingMatrix, LognormalBecomesMuAndSigmaOfTheLogarithm) {
    EngineTestHost host;
    CMonteCarlo mc(host);
    const auto m = Access::Validate(mc, Matrix(WithRow(UniformRows(), 4, 1, 1, 2)));
    // Log(1 / Sqr(2)) and Sqr(Log(2)), each to 15 significant digits.
    EXPECT_EQ(m[4][0], -0.346573590279973);
    EXPECT_EQ(m[4][1], 0.832554611157698);
    EXPECT_EQ(m[4][2], 2.0);
}

TEST(MonteCarloWorkingMatrix, BetaBecomesItsShapesCleanedTo15Digits) {
    EngineTestHost host;
    CMonteCarlo mc(host);
    Rows rows = WithRow(UniformRows(), 0, 0.5, 0.1, 3);
    rows = WithRow(rows, 1, 0.3, 0.1, 3);
    const auto m = Access::Validate(mc, Matrix(rows));
    // a = mean k, b = (1 - mean) k with k = mean (1 - mean) / s^2 - 1: 24 and 20.
    EXPECT_EQ(m[0][0], 12.0);
    EXPECT_EQ(m[0][1], 12.0);
    EXPECT_EQ(m[1][0], 6.0);
    EXPECT_EQ(m[1][1], 14.0);
}

TEST(MonteCarloWorkingMatrix, SpreadZeroKeepsMeanAndSpreadUnconverted) {
    EngineTestHost host;
    CMonteCarlo mc(host);
    Rows rows = WithRow(UniformRows(), 3, 0.25, 0, 3);
    rows = WithRow(rows, 6, 5, 0, 2);
    const auto m = Access::Validate(mc, Matrix(rows));
    EXPECT_EQ(m[3][0], 0.25);
    EXPECT_EQ(m[3][1], 0.0);
    EXPECT_EQ(m[6][0], 5.0);
    EXPECT_EQ(m[6][1], 0.0);
}

// A lognormal spread so small against its mean that sigma rounds to 0 would draw mu,
// the logarithm's mean (13.8 for a mean of a million), in every trial: the row keeps
// its mean with no spread instead.
TEST(MonteCarloWorkingMatrix, LognormalWithNegligibleSpreadKeepsItsMean) {
    EngineTestHost host;
    CMonteCarlo mc(host);
    const auto m = Access::Validate(mc, Matrix(WithRow(UniformRows(), 9, 1e6, 0.001, 2)));
    EXPECT_EQ(m[9][0], 1e6);
    EXPECT_EQ(m[9][1], 0.0);
    EXPECT_EQ(m[9][2], 2.0);
}

TEST(MonteCarloWorkingMatrix, MatrixIsReadByPositionWhateverItsLowerBounds) {
    EngineTestHost host;
    CMonteCarlo a(host), b(host);
    const Rows rows = enginetest::MixedRows();
    const auto zeroBased = Access::Validate(a, Matrix(rows));
    const auto shifted = Access::Validate(b, Matrix(rows, 1, 1));
    EXPECT_EQ(zeroBased, shifted);
}

// ---- look-up tables ------------------------------------------------------------------

Variant GoodTable() { return CumulativeTable({1, 2, 3}, {0.2, 0.5, 1}); }  // expected value 2.3

Rows TableRows() {
    Rows rows = UniformRows();
    for (int k = 4; k < 13; ++k) rows[static_cast<std::size_t>(k)] = {2.3, 0.1, 2};
    return rows;
}

Variant Impacts(const Variant& at6 = GoodTable()) {
    return TableList(4, {GoodTable(), GoodTable(), at6, GoodTable(), GoodTable()});
}
Variant Costs(const Variant& at11 = GoodTable()) {
    return TableList(9, {GoodTable(), GoodTable(), at11, GoodTable()});
}

TEST(MonteCarloLookupTables, SpanTheGivenLists) {
    struct Case {
        Variant impacts, costs;
        std::int32_t lo, hi;
    };
    for (const auto& c : {Case{Impacts(), Variant(), 4, 8}, Case{Variant(), Costs(), 9, 12},
                          Case{Impacts(), Costs(), 4, 12}}) {
        EngineTestHost host;
        CMonteCarlo mc(host);
        const auto m = Access::Validate(mc, Wrapped(Matrix(TableRows()), c.impacts, c.costs));
        const Variant& tables = Access::LookupTables(mc);
        ASSERT_EQ(tables.dims(), 1);
        EXPECT_EQ(tables.lbound(1), c.lo);
        EXPECT_EQ(tables.ubound(1), c.hi);
        for (int k = 4; k < 13; ++k) {
            const bool hasTable = k >= c.lo && k <= c.hi;
            if (hasTable) {
                // A row with a table draws from it (code 99) and is not converted.
                EXPECT_EQ(m[k][0], 2.3) << k;
                EXPECT_EQ(m[k][1], NumericLimits::LargestDouble) << k;
                EXPECT_EQ(m[k][2], 99.0) << k;
            } else {
                // The lognormal rows without a table become mu and sigma.
                EXPECT_NE(m[k][0], 2.3) << k;
                EXPECT_EQ(m[k][2], 2.0) << k;
            }
        }
    }
}

TEST(MonteCarloLookupTables, ABadTableIsNamedByItsQuantity) {
    const Variant descending = CumulativeTable({3, 2, 1}, {0.2, 0.5, 1});
    EngineTestHost host;
    EXPECT_EQ(RunOn(Wrapped(Matrix(TableRows()), Impacts(descending), Variant()), host).text,
              "Bad discrete lookup table (I3)");
    EXPECT_EQ(RunOn(Wrapped(Matrix(TableRows()), Impacts(), Costs(descending)), host).text,
              "Bad discrete lookup table (FC3)");
}

TEST(MonteCarloLookupTables, EachConditionOfAGoodTable) {
    struct Case {
        const char* name;
        Variant table;
        double mean;
        bool good;
    };
    Variant threeRows = Variant::MakeArray(VarType::Double, {Bounds{0, 2}, Bounds{0, 2}});
    Variant oneBased = Variant::MakeArray(VarType::Double, {Bounds{0, 1}, Bounds{1, 3}});
    Variant generic = Variant::MakeArray(VarType::Generic, {Bounds{0, 1}, Bounds{0, 2}});
    {
        const Variant g = GoodTable();
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 3; ++c) {
                threeRows(r, c) = g(r, c);
                oneBased(r, c + 1) = g(r, c);
                generic(r, c) = g(r, c);
            }
    }
    const std::vector<Case> cases = {
        {"good", GoodTable(), 2.3, true},
        {"equal neighbours", CumulativeTable({1, 1, 3}, {0.2, 0.5, 1}), 2.0, true},
        {"more rows than two", threeRows, 2.3, true},
        {"empty entry", Variant(), 2.3, false},
        {"generic array", generic, 2.3, false},
        {"columns not from 0", oneBased, 2.3, false},
        {"too few columns", CumulativeTable({1, 2}, {0.5, 1}), 1.5, false},
        {"values decrease", CumulativeTable({1, 3, 2}, {0.2, 0.5, 1}), 2.2, false},
        {"cumulative decreases", CumulativeTable({1, 2, 3}, {0.5, 0.2, 1}), 2.3, false},
        {"cumulative above 1", CumulativeTable({1, 2, 3}, {0.2, 0.5, 1.0001}), 2.3, false},
        {"sum short of 1 within 4 figures", CumulativeTable({1, 2, 3}, {0.2, 0.5, 0.99996}), 2.3, true},
        {"sum short of 1 in 4 figures", CumulativeTable({1, 2, 3}, {0.2, 0.5, 0.9995}), 2.3, false},
        {"mean off in the 5th figure", GoodTable(), 2.30004, true},
        {"mean off in the 4th figure", GoodTable(), 2.301, false},
    };
    for (const auto& c : cases) {
        EngineTestHost host;
        Rows rows = TableRows();
        rows[6][0] = c.mean;
        const Outcome o = RunOn(Wrapped(Matrix(rows), Impacts(c.table), Variant()), host);
        EXPECT_EQ(o.text, c.good ? "" : "Bad discrete lookup table (I3)") << c.name;
    }
}

TEST(MonteCarloLookupTables, CategoryCountsComeFromTheHostByKind) {
    EngineTestHost host;
    host.impactCategories = 3;
    host.costCategories = 2;
    const Variant twoColumns = CumulativeTable({1, 3}, {0.5, 1});  // expected value 2
    Rows rows = TableRows();
    for (int k = 9; k < 13; ++k) rows[static_cast<std::size_t>(k)][0] = 2;
    const Variant costs = TableList(9, {twoColumns, twoColumns, twoColumns, twoColumns});
    EXPECT_EQ(RunOn(Wrapped(Matrix(rows), Impacts(), costs), host).text, "");
    host.costCategories = 3;
    EXPECT_EQ(RunOn(Wrapped(Matrix(rows), Impacts(), costs), host).text, "Bad discrete lookup table (FC1)");
}

}  // namespace
}  // namespace nuvir
