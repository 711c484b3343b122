#pragma once
// The results page after one run of the model of onerun.h, with its trial table
// exported and read back for the expected values.
#include <memory>

#include "onerun.h"
#include "results_fixture.h"

namespace nuvir::test {

// The run on the page, 1000 trials at 95 %, its trials exported to trials.csv.
class OneRunTest : public ResultsTest {
protected:
    void SetUp() override {
        ResultsTest::SetUp();
        SetDistinctStagesModel(AppData);
        AppOptions(opt::kExportFormats) = Variant::List({true, false, false});
        host.exportPaths = dir.file("trials.csv");
        rc->runSeed = kDistinctStagesSeed;
        ASSERT_TRUE(Run(1000));
        trials = std::make_unique<TrialTableStatistics>(ReadBytes(host.exportPaths));
        ASSERT_EQ(trials->Trials(), 1000u);
    }
    Colour Option(int item) const { return static_cast<Colour>(CLng(AppOptions(item))); }

    std::unique_ptr<TrialTableStatistics> trials;
};

}  // namespace nuvir::test
