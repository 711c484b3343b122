#pragma once
// The program-wide data and options at their built-in defaults for one test, emptied
// again afterwards so that no test sees another's assessment.
#include <gtest/gtest.h>

#include <initializer_list>

#include "appdata/appdata.h"
#include "appdata/options.h"
#include "runtime/variant.h"

namespace nuvir::test {

// A rows x cols array of Doubles, zero-based, filled row by row (a category table is
// 2 x n: values, then probabilities).
inline Variant Table(int rows, int cols, std::initializer_list<double> values) {
    Variant t = Variant::MakeArray(VarType::Double, {Bounds{0, rows - 1}, Bounds{0, cols - 1}});
    for (int k = 0; k < static_cast<int>(values.size()); ++k) t(k / cols, k % cols) = Variant(values.begin()[k]);
    return t;
}

struct DefaultDataTest : ::testing::Test {
    void SetUp() override {
        AppData = GetAppDataDefaults(true, Variant());
        AppOptions = GetAppOptionsDefaults();
    }
    void TearDown() override {
        AppData = Variant();
        AppOptions = Variant();
    }
};

}  // namespace nuvir::test
