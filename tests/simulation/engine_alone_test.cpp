// The engine linked with the libraries below the windows alone, never Qt Widgets: this
// program's link is the layer check, and a small seeded run is its test.
#include <gtest/gtest.h>

#include <array>

#include "simulation_fixture.h"

namespace nuvir {
namespace {

using namespace enginetest;

// Every quantity at its mean (uniform, no spread): probabilities one half, impacts and
// costs 1. Risks 1/2, 3/4, 7/8, 15/16 of the impact; costs FC1 + FC2 p1 + FC3 p1 p2 +
// FC4 p1 p2 p3 = 1.875, summed as 1, 1.5, 1.75.
TEST(EngineAlone, ARunWithoutSpreadGivesTheHandWorkedOutputsInEveryTrial) {
    Rows rows{};
    for (std::size_t k = 0; k < 13; ++k) rows[k] = {k < 4 ? 0.5 : 1.0, 0.0, 0.0};
    Engine e(1);
    e.mc.RunSimulation(Matrix(rows), 50, 10, 7.0f);
    EXPECT_EQ(e.mc.Seed(), 7.0f);
    const std::array<double, 9> expected{1, 1.875, 0.5, 0.75, 0.875, 0.9375, 1, 1.5, 1.75};
    const SimulationResults& r = e.mc.Results();
    for (std::size_t m = 0; m < expected.size(); ++m) {
        SCOPED_TRACE(m);
        EXPECT_EQ(r.min[m], expected[m]);
        EXPECT_EQ(r.max[m], expected[m]);
        EXPECT_EQ(r.variance[m], 0.0);
    }
}

TEST(EngineAlone, ASeedRepeatsItsRunOnEitherGenerator) {
    for (const std::int32_t prng : {0, 1}) {
        SCOPED_TRACE(prng);
        Engine e(prng);
        e.mc.RunSimulation(Matrix(MixedRows()), 200, 20, 12.5f);
        const SimulationResults first = e.mc.Results();
        e.mc.RunSimulation(Matrix(MixedRows()), 200, 20, 99.0f);
        EXPECT_NE(e.mc.Results().mean[0], first.mean[0]) << "another seed, another run";
        e.mc.RunSimulation(Matrix(MixedRows()), 200, 20, 12.5f);
        ExpectSameResults(first, e.mc.Results());
    }
}

}  // namespace
}  // namespace nuvir
