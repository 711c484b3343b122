// The report of one run carries that run's statistics to the field of the right
// placeholder: a template naming every statistics placeholder of both sets, merged by
// the Report command, against values worked out from the run's exported trial table.
#include <map>

#include "support/fakefiledialog.h"
#include "report/reportcommand.h"
#include "report/reportfields.h"
#include "results/resultplots.h"
#include "report/templatefile.h"
#include "report_fixture.h"
#include "results/onerun_fixture.h"

namespace nuvir::test {
namespace {

class ReportValuesTest : public OneRunTest {
protected:
    void SetUp() override {
        OneRunTest::SetUp();
        SetFileDialogService(&dialog);
    }
    void TearDown() override {
        SetFileDialogService(nullptr);
        OneRunTest::TearDown();
    }
    // The merged report of a template holding "[<placeholder>=<placeholder>]" for each
    // name, read back as name -> merged text.
    std::map<std::string, std::string> Merged(const std::vector<std::string>& names) {
        std::string text = "{\\rtf1\\ansi\\ansicpg1252\r\n";
        for (const std::string& n : names) text += "[" + n + "=%" + n + "%]\\par\r\n";
        WriteBytes(GetReportTemplatePath(), text + "}");
        FakeReportHost report;
        report.run = rc->State();
        dialog.QueueAnswer(dir.file("values.rtf"));
        std::map<std::string, std::string> out;
        if (GenerateRtfReport(report, "values") != dir.file("values.rtf")) {
            ADD_FAILURE() << "no report written";
            return out;
        }
        const std::string rtf = ReadBytes(dir.file("values.rtf"));
        for (const std::string& n : names) {
            const std::size_t at = rtf.find("[" + n + "=");
            if (at == std::string::npos) continue;
            const std::size_t from = at + n.size() + 2;
            out[n] = rtf.substr(from, rtf.find(']', from) - from);
        }
        return out;
    }
    FakeFileDialog dialog;
};

// The critical correlation of 1000 trials at 95 % with two tails:
// t(0.975, 998) = 1.962344, r = t / sqrt(t^2 + 998) = 1.962344 / 31.65203 = 0.0619968.
constexpr double kCritical = 0.0619968;

TEST_F(ReportValuesTest, EachStatisticsFieldOfBothSetsHoldsItsOwnValue) {
    struct Field {
        std::string name;
        double value;
    };
    std::vector<Field> fields;
    // Set A, the biological risks; set B, the management costs.
    for (int k = 0; k < 5; ++k) fields.push_back({"AR" + std::to_string(k + 1) + "a", kPointRisks[k]});
    for (int k = 0; k < 4; ++k) fields.push_back({"BR" + std::to_string(k + 1) + "a", kPointCosts[k]});
    fields.push_back({"ARTa", kPointTotalRisk});
    fields.push_back({"BRTa", kPointTotalCost});
    fields.push_back({"AMa", trials->Mean(0)});
    fields.push_back({"ASa", trials->Sd(0)});
    fields.push_back({"BMa", trials->Mean(1)});
    fields.push_back({"BSa", trials->Sd(1)});
    // The cumulative tables: row Sk holds mean, min, max, lower and upper limit of the
    // first k stages; trial table outputs 2..5 Risk1..Risk4, 0 Total_Risk, 6..8
    // Cost1..Cost3, 1 Total_Cost.
    const int riskRows[5] = {2, 3, 4, 5, 0};
    const int costRows[4] = {6, 7, 8, 1};
    const auto cumulative = [&](char set, int row, int m) {
        const double values[5] = {trials->Mean(m), trials->Min(m), trials->Max(m), trials->LowerLimit(m),
                                  trials->UpperLimit(m)};
        for (int c = 0; c < 5; ++c) {
            fields.push_back({std::string(1, set) + "R" + std::to_string(row) + "a" + std::to_string(c), values[c]});
        }
    };
    for (int k = 0; k < 5; ++k) cumulative('A', k + 1, riskRows[k]);
    for (int k = 0; k < 4; ++k) cumulative('B', k + 1, costRows[k]);

    // Rank correlations: set A p1..p4, I1..I5 with total risk; set B p1..p4, F1..F4
    // (placeholders I1b..I4b) with total cost.
    struct Rank {
        std::string name;
        int input;
        int output;
    };
    std::vector<Rank> ranks;
    for (int j = 0; j < 4; ++j) {
        ranks.push_back({"Ap" + std::to_string(j + 1) + "b", j, 0});
        ranks.push_back({"Bp" + std::to_string(j + 1) + "b", j, 1});
        ranks.push_back({"BI" + std::to_string(j + 1) + "b", 9 + j, 1});
    }
    for (int j = 0; j < 5; ++j) ranks.push_back({"AI" + std::to_string(j + 1) + "b", 4 + j, 0});

    // The R² of each output's fits on its own inputs, values and ranks, to three decimals.
    const bool constant = CBool(rc->State().RunSnapshot(item::kRegUseConstant));
    const std::vector<int> riskInputs{0, 1, 2, 3, 4, 5, 6, 7, 8}, costInputs{0, 1, 2, 3, 9, 10, 11, 12};
    const std::pair<std::string, double> r2s[4] = {{"ARR2a", trials->R2(0, riskInputs, constant, false)},
                                                   {"ARR2b", trials->R2(0, riskInputs, constant, true)},
                                                   {"BRR2a", trials->R2(1, costInputs, constant, false)},
                                                   {"BRR2b", trials->R2(1, costInputs, constant, true)}};

    std::vector<std::string> names{"ANa", "BNa"};
    for (const auto& r : r2s) names.push_back(r.first);
    for (const Field& f : fields) names.push_back(f.name);
    for (const Rank& r : ranks) names.push_back(r.name);
    const auto merged = Merged(names);

    EXPECT_EQ(merged.at("ANa"), "1000");
    EXPECT_EQ(merged.at("BNa"), "1000");
    for (const Field& f : fields) {
        SCOPED_TRACE(f.name);
        ASSERT_EQ(merged.count(f.name), 1u);
        EXPECT_TRUE(ShownTo4Figures(merged.at(f.name), f.value));
    }
    for (const auto& [name, r2] : r2s) {
        SCOPED_TRACE(name);
        ASSERT_EQ(merged.count(name), 1u);
        EXPECT_NEAR(ParseNumber(merged.at(name)), r2, 0.0005 + 1e-12) << merged.at(name);
    }
    for (const Rank& r : ranks) {
        SCOPED_TRACE(r.name);
        ASSERT_EQ(merged.count(r.name), 1u);
        const std::string& text = merged.at(r.name);
        ASSERT_GE(text.size(), 2u);
        const double rho = trials->Spearman(r.input, r.output);
        const double shown = ParseNumber(text.substr(0, text.size() - 1));
        EXPECT_NEAR(shown, rho, 0.0005 + 1e-12) << text;
        // The mark judges the number as shown, to three decimals.
        EXPECT_EQ(text.substr(text.find('.') + 4), std::fabs(shown) > kCritical ? "*" : " ")
            << "three decimals, then the mark";
    }
}

// The pictures of set A are the risk plots and those of set B the cost plots, each the
// plot of its row, drawn for the report (their numbers are the plot tests' business).
TEST_F(ReportValuesTest, EachPictureFieldHoldsItsOwnPlotOfItsOwnOutput) {
    using Draw = bool (*)(PictureBox&, int, bool, const RunState&);
    struct Case {
        const char* name;
        Draw draw;
        int kind;
    };
    const Case cases[] = {
        {"Apic1", DrawFrequencyPlot, 0}, {"Apic2", DrawSensitivityPlot, 0}, {"Apic3", DrawCumulativePlot, 0},
        {"Bpic1", DrawFrequencyPlot, 1}, {"Bpic2", DrawSensitivityPlot, 1}, {"Bpic3", DrawCumulativePlot, 1},
    };
    std::vector<std::string> names;
    for (const Case& c : cases) names.push_back(c.name);
    const auto merged = Merged(names);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImagePictureBox picture(299, 209);  // the fake window's hidden picture
        c.draw(picture, c.kind, true, rc->State());
        ASSERT_EQ(merged.count(c.name), 1u);
        EXPECT_EQ(merged.at(c.name), PictureToRtf(picture));
    }
}

}  // namespace
}  // namespace nuvir::test
