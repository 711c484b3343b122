#pragma once
// The two regression measures: standardised coefficients of least-squares fits of
// total risk on p1-p4 and I1-I5 and of total cost on p1-p4 and FC1-FC4, on the trial
// values (SRC) or on the ranked table (SRRC).
#include <array>
#include <cstdint>

#include "simulation/statistics.h"
#include "simulation/trialtable.h"

namespace nuvir {

// Regressor columns of the two fits, counted from the table's first column; the
// dependent columns are TrialTable::kTotalRisk and TrialTable::kTotalCost.
inline constexpr std::array<std::int32_t, 9> kRiskRegressors = {0, 1, 2, 3, 4, 5, 6, 7, 8};
inline constexpr std::array<std::int32_t, 8> kCostRegressors = {0, 1, 2, 3, 9, 10, 11, 12};

// Fills regressionTable: column m holds the standardised coefficients of fit m at its
// regressors' rows and kNoValue elsewhere, all kNoValue when the fit failed. A
// regressor without spread is left out of its fit and keeps kNoValue; the others are
// fitted without it. An output that does not vary (OutputVaries), or a fit with no
// regressor left, is not fitted: its column keeps kNoValue. Returns R² of each fit (no
// value when it failed or was not made). The fits never raise; the two may run on
// worker threads.
R2Pair RegressionSensitivities(const TrialTable& table, bool useConstant, SensitivityTable& regressionTable);

}  // namespace nuvir
