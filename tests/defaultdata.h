#pragma once
// The program-wide data and options at their built-in defaults for one test, emptied
// again afterwards so that no test sees another's assessment.
#include <gtest/gtest.h>

#include "appdata/appdata.h"
#include "appdata/options.h"
#include "runtime/variant.h"

namespace nuvir::test {

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
