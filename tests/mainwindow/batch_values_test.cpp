// The batch CSV line of one assessment carries its own inputs and its own run's
// numbers, each in its column: the model of onerun.h run through the batch window beside the real main
// window, against values worked out from the trial table of the same run (the same
// inputs and seed) exported by the engine.
#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "appdata/statestring.h"

#include "batch/batchwindow.h"
#include "formdriver.h"
#include "mainwindow/batchwindowpart.h"
#include "mainwindow_fixture.h"
#include "onerun.h"
#include "results/simulationinputs.h"
#include "simulation/montecarlo.h"
#include "simulation/programhost.h"

namespace nuvir::test {
namespace {

class BatchValuesTest : public MainWindowTest {
protected:
    // The real batch window and results, with `part` set to the batch window once made.
    static MainWindowParts WithBatchWindow(BatchWindowPart*& part) {
        MainWindowParts parts;
        parts.makeBatchWindow = [&part](FRiskMain& main) {
            auto made = std::make_unique<BatchWindowPart>(main);
            part = made.get();
            return std::unique_ptr<BatchFormPort>(std::move(made));
        };
        parts.makeResults = [](FRiskMain& w) { return std::make_unique<WindowResults>(w); };
        return parts;
    }
    // The model's run of its trials from the batch tests' seed, its trials exported and
    // read back; the application data are left as they were.
    TrialTableStatistics ExportedTrials(const Variant& model) {
        const Variant own = AppData;
        ProgramSimulationHost host;
        CMonteCarlo engine(host);
        engine.SetExportPaths(dir.file("trials.csv"));
        AppData = model;
        engine.RunSimulation(BuildSimulationInputs(model, true), CLng(model(item::kTrials)), 200, kDistinctStagesSeed);
        AppData = own;
        return TrialTableStatistics(ReadBytes(dir.file("trials.csv")));
    }
};

TEST_F(BatchValuesTest, EachColumnOfTheCsvLineHoldsItsOwnInputOrResult) {
    BatchWindowPart* part = nullptr;
    MainWindowParts parts = WithBatchWindow(part);
    parts.makeChain = [] { return std::make_unique<WindowChain>(); };
    FRiskMain& w = Start(std::move(parts));
    dynamic_cast<WindowResults&>(w.Results()).Controller().runSeed = kDistinctStagesSeed;

    // The model as a batch line; the analyst's own assessment stays on screen.
    const Variant own = AppData;
    SetDistinctStagesModel(AppData);
    AppData(item::kTrials) = 1000;
    const std::string line = w.SerialiseState(0);
    const Variant model = AppData;
    AppData = own;

    w.mnuFile[7]->Trigger();  // File > "&Batch Mode"
    Settle();
    ASSERT_NE(part, nullptr);
    FBatch& batch = part->Form();
    batch.Session().ListEdited(line + "\r\n");
    batch.StateTick();
    ASSERT_TRUE(batch.Button(1)->Enabled());
    files.QueueAnswer(dir.file("values.CSV"));
    Click(batch.Button(1));
    ASSERT_FALSE(services.messageBox.calls.empty());
    ASSERT_EQ(services.messageBox.calls.back().title, "Success running batch file");
    const auto csv = SplitText(ReadBytes(dir.file("values.CSV")), '\n');
    ASSERT_GE(csv.size(), 2u);
    EXPECT_TRUE(
        csv[0].ends_with(",n,TBR,TBRMean,TBRSD,TBRMin,TBRMax,TBRLCL,TBRUCL,"
                         "Cost,CostMean,CostSD,CostMin,CostMax,CostLCL,CostUCL\r"))
        << csv[0];
    const auto header = SplitText(csv[0].substr(0, csv[0].size() - 1), ',');
    auto fields = SplitText(csv[1].substr(0, csv[1].size() - 1), ',');
    ASSERT_EQ(fields.size(), header.size());
    ASSERT_GE(fields.size(), 15u);

    // The inputs as simulated: each quantity's mean, distribution and spread under its
    // own key (KEY, KEYD, KEYV).
    const auto column = [&](const std::string& name) {
        const auto at = std::find(header.begin(), header.end(), name);
        return at == header.end() ? std::string("(no column)") : fields[static_cast<std::size_t>(at - header.begin())];
    };
    const char* const keys[13] = {"P1", "P2", "P3", "P4", "I1", "I2", "I3", "I4", "I5", "F1", "F2", "F3", "F4"};
    const char* const letters[3] = {"U", "N", "LN"};
    for (int j = 0; j < 13; ++j) {
        SCOPED_TRACE(keys[j]);
        const StageQuantity& q = kDistinctStages[j];
        EXPECT_EQ(ParseNumber(column(keys[j])), q.mean) << column(keys[j]);
        EXPECT_EQ(column(std::string(keys[j]) + "D"), letters[q.code]);
        EXPECT_EQ(ParseNumber(column(std::string(keys[j]) + "V")), q.sd) << column(std::string(keys[j]) + "V");
    }
    fields.erase(fields.begin(), fields.end() - 15);

    // The same run with its trials exported: the model's inputs, the seed, 95 %.
    const TrialTableStatistics t = ExportedTrials(model);
    ASSERT_EQ(t.Trials(), 1000u);

    struct Column {
        const char* name;
        double value;
    };
    const Column columns[15] = {
        {"n", 1000},
        {"TBR", kPointTotalRisk},
        {"TBRMean", t.Mean(0)},
        {"TBRSD", t.Sd(0)},
        {"TBRMin", t.Min(0)},
        {"TBRMax", t.Max(0)},
        {"TBRLCL", t.LowerLimit(0)},
        {"TBRUCL", t.UpperLimit(0)},
        {"Cost", kPointTotalCost},
        {"CostMean", t.Mean(1)},
        {"CostSD", t.Sd(1)},
        {"CostMin", t.Min(1)},
        {"CostMax", t.Max(1)},
        {"CostLCL", t.LowerLimit(1)},
        {"CostUCL", t.UpperLimit(1)},
    };
    for (int i = 0; i < 15; ++i) {
        SCOPED_TRACE(columns[i].name);
        // Written whole: the trial table's 15 figures are all the expected value has.
        EXPECT_NEAR(ParseNumber(fields[i]), columns[i].value, 1e-11 * std::fabs(columns[i].value)) << fields[i];
    }
}

// Lines whose total risks lie at either end of the Double range run to their numbers:
// impacts of 1e-305 +- 1e-306, a risk spread from about -1.4e308 to 1.5e308 (further
// apart than the largest Double reaches), one from about 1e304 to 1.797e308 (a range
// that rounds up beyond it) and one whose least lies within 1e304 of -1.7977e308. The
// expected values from the same run (the line read into the defaults, the same seed)
// with its trials exported, in quadruple precision.
TEST_F(BatchValuesTest, LinesWithResultsAtTheEndsOfTheRangeRunToTheirNumbers) {
    const struct {
        const char* line;
        // The line reaches what it stands for.
        std::function<bool(double min, double max)> reached;
    } lines[] = {
        {"SPECIES=Tiny;N=1000;I1=1E-305,N,1E-306;I2=1E-305,N,1E-306;I3=1E-305,N,1E-306;I4=1E-305,N,1E-306;"
         "I5=1E-305,N,1E-306",
         [](double, double max) { return max < 1e-304; }},
        {"SPECIES=Wide;N=1000;UM=1;P1=1,U,0;P2=1,U,0;P3=1,U,0;P4=1,U,0;I5=0,N,4.5E307",
         [](double min, double max) { return !std::isfinite(max - min); }},
        {"SPECIES=High;N=10000;UM=1;P1=1,U,0;P2=1,U,0;P3=1,U,0;P4=1,U,0;I5=8.985E307,U,5.187E307",
         [](double min, double max) { return max - min > 1.79e308; }},
        {"SPECIES=Low;N=10000;UM=1;P1=1,U,0;P2=1,U,0;P3=1,U,0;P4=1,U,0;I5=-1.74668E308,U,2.9445E306",
         [](double min, double) { return min < -1.7976e308; }},
    };
    BatchWindowPart* part = nullptr;
    FRiskMain& w = Start(WithBatchWindow(part));
    dynamic_cast<WindowResults&>(w.Results()).Controller().runSeed = kDistinctStagesSeed;
    w.mnuFile[7]->Trigger();  // File > "&Batch Mode"
    Settle();
    ASSERT_NE(part, nullptr);
    FBatch& batch = part->Form();
    std::string list;
    for (const auto& l : lines) list += std::string(l.line) + "\r\n";
    batch.Session().ListEdited(list);
    batch.StateTick();
    files.QueueAnswer(dir.file("ends.CSV"));
    Click(batch.Button(1));
    ASSERT_FALSE(services.messageBox.calls.empty());
    ASSERT_EQ(services.messageBox.calls.back().title, "Success running batch file")
        << services.messageBox.calls.back().text;
    const auto csv = SplitText(ReadBytes(dir.file("ends.CSV")), '\n');
    ASSERT_GE(csv.size(), std::size(lines) + 1);

    for (std::size_t i = 0; i < std::size(lines); ++i) {
        SCOPED_TRACE(lines[i].line);
        auto fields = SplitText(csv[i + 1].substr(0, csv[i + 1].size() - 1), ',');
        ASSERT_GE(fields.size(), 15u);
        fields.erase(fields.begin(), fields.end() - 15);

        Variant model = GetAppDataDefaults(true, Variant());
        DeserialiseState(model, lines[i].line, RunningVersion());
        const TrialTableStatistics t = ExportedTrials(model);
        std::vector<double> risk = t.Output(0);
        const QuadPair q = QuadMoments(risk, risk);
        std::sort(risk.begin(), risk.end());
        EXPECT_TRUE(lines[i].reached(risk.front(), risk.back()));
        const struct {
            const char* name;
            int field;
            double value;
        } columns[] = {{"TBRMean", 2, q.meanA},
                       {"TBRSD", 3, q.sdA},
                       {"TBRMin", 4, risk.front()},
                       {"TBRMax", 5, risk.back()},
                       {"TBRLCL", 6, QuadQuantile(risk, 0.025)},
                       {"TBRUCL", 7, QuadQuantile(risk, 0.975)}};
        for (const auto& c : columns) {
            SCOPED_TRACE(c.name);
            const double shown = ParseNumber(fields[static_cast<std::size_t>(c.field)]);
            EXPECT_NEAR(shown, c.value, 1e-11 * std::max(std::fabs(risk.front()), std::fabs(risk.back())))
                << fields[static_cast<std::size_t>(c.field)];
        }
    }
}

// Runs that follow each other within one step of the clock (a Single's, some 4 ms) start
// from seeds of their own: forty identical lines give forty different result sets.
TEST_F(BatchValuesTest, IdenticalLinesRunFromSeedsOfTheirOwn) {
    BatchWindowPart* part = nullptr;
    MainWindowParts parts = WithBatchWindow(part);
    FRiskMain& w = Start(std::move(parts));
    w.mnuFile[7]->Trigger();  // File > "&Batch Mode"
    Settle();
    ASSERT_NE(part, nullptr);
    FBatch& batch = part->Form();
    std::string list;
    for (int i = 0; i < 40; ++i) list += "SPECIES=Ri;N=1000\r\n";
    batch.Session().ListEdited(list);
    batch.StateTick();
    files.QueueAnswer(dir.file("same.CSV"));
    Click(batch.Button(1));
    ASSERT_FALSE(services.messageBox.calls.empty());
    ASSERT_EQ(services.messageBox.calls.back().title, "Success running batch file");
    const auto csv = SplitText(ReadBytes(dir.file("same.CSV")), '\n');
    std::set<std::vector<std::string>> results;
    int lines = 0;
    for (std::size_t i = 1; i < csv.size(); ++i) {
        if (csv[i].empty()) continue;
        const auto fields = SplitText(csv[i].substr(0, csv[i].size() - 1), ',');
        ASSERT_GE(fields.size(), 15u);
        results.insert(std::vector<std::string>(fields.end() - 15, fields.end()));
        ++lines;
    }
    EXPECT_EQ(lines, 40);
    EXPECT_EQ(results.size(), 40u);
}

}  // namespace
}  // namespace nuvir::test
