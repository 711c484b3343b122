// Trial exports: byte-exact CSV, TXT and SAM files of a small table, the choice of
// format by extension, and what a failed export does.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "simulation/export.h"
#include "simulation/host.h"
#include "simulation/trialtable.h"
#include "testsupport.h"

namespace nuvir {
namespace {

using test::ReadBytes;
using test::TempDir;

class RecordingHost : public SimulationHost {
public:
    struct Message {
        std::string text, title;
    };
    void Yield() override { ++yields; }
    bool RegUseConstant() const override { return false; }
    int NumImpactCategories() const override { return 0; }
    int NumCostCategories() const override { return 0; }
    bool HideManagementCosts() const override { return hideCosts; }
    void ShowMessage(const std::string& text, const std::string& title) override {
        messages.push_back({text, title});
    }
    bool hideCosts = false;
    int yields = 0;
    std::vector<Message> messages;
};

// Two trials: a negative value, a 0 and a -0, exponent forms and a 17-digit sum.
TrialTable SmallTable() {
    TrialTable t(2, 0);
    const double row1[TrialTable::kColumns] = {0.5, 0.25, 1, 0, 1, 2.5, 3, 4, 5, 100, 200, 300, 400,
                                               1e-05, -2.5, 0.1 + 0.2, 1.5e15, -0.0, 7, 8, 9, 10};
    const double row2[TrialTable::kColumns] = {1, 0.125, -0.0, 0.75, -1, 0, 1e-300, 123456789012345678.0,
                                               2, 0, 0, 0, 1, 1.0 / 3.0, 0, 12, 13, 14, 15, 16, 17, 18};
    for (int c = 0; c < TrialTable::kColumns; ++c) {
        t(1, c) = row1[c];
        t(2, c) = row2[c];
    }
    return t;
}

const char* kCsv =
    "p1,p2,p3,p4,I1,I2,I3,I4,I5,FC1,FC2,FC3,FC4,Total_Risk,Total_Cost,Risk1,Risk2,Risk3,Risk4,Cost1,Cost2,Cost3\r\n"
    "0.5,0.25,1,0,1,2.5,3,4,5,100,200,300,400,1E-05,-2.5,0.3,1.5E+15,0,7,8,9,10\r\n"
    "1,0.125,0,0.75,-1,0,1E-300,1.23456789012346E+17,2,0,0,0,1,0.333333333333333,0,12,13,14,15,16,17,18\r\n";

const char* kSamRisk =
    "2\r\n9\r\np1\r\np2\r\np3\r\np4\r\nI1\r\nI2\r\nI3\r\nI4\r\nI5\r\n"
    " 0.5 \t 0.25 \t 1 \t 0 \t1\t2.5\t3\t4\t5\r\n"
    " 1 \t 0.125 \t 0 \t 0.75 \t-1\t0\t1E-300\t1.23456789012346E+17\t2\r\n";

const char* kSamCost =
    "2\r\n8\r\np1\r\np2\r\np3\r\np4\r\nFC1\r\nFC2\r\nFC3\r\nFC4\r\n"
    " 0.5 \t 0.25 \t 1 \t 0 \t100\t200\t300\t400\r\n"
    " 1 \t 0.125 \t 0 \t 0.75 \t0\t0\t0\t1\r\n";

std::string Tabbed(std::string s) {
    for (auto& ch : s)
        if (ch == ',') ch = '\t';
    return s;
}

std::vector<std::string> FilesIn(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(TrialExport, CsvTxtAndSamFilesByteForByte) {
    TempDir dir;
    RecordingHost host;
    bool failed = false;
    const std::string paths = dir.file("run.csv") + "|" + dir.file("run.txt") + "|" + dir.file("run.sam");
    ExportTrialData(SmallTable(), paths, failed, host);
    EXPECT_FALSE(failed);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(ReadBytes(dir.file("run.csv")), kCsv);
    EXPECT_EQ(ReadBytes(dir.file("run.txt")), Tabbed(kCsv));
    EXPECT_EQ(ReadBytes(dir.file("run.sam")), kSamRisk);
    EXPECT_EQ(ReadBytes(dir.file("run_Costs.sam")), kSamCost);
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"run.csv", "run.sam", "run.txt", "run_Costs.sam"}));
}

TEST(TrialExport, HiddenCostsWriteNoCostFile) {
    TempDir dir;
    RecordingHost host;
    host.hideCosts = true;
    bool failed = false;
    ExportTrialData(SmallTable(), dir.file("a.csv") + "|" + dir.file("b.SAM"), failed, host);
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"a.csv", "b.SAM"}));
    EXPECT_EQ(ReadBytes(dir.file("b.SAM")), kSamRisk);
}

TEST(TrialExport, ExtensionChoosesTheFormat) {
    TempDir dir;
    RecordingHost host;
    bool failed = false;
    const std::string paths = dir.file("x.Csv") + "|" + dir.file("x.dat") + "||" + dir.file("y.csvx") + "|" +
                              dir.file("z.samx") + "|" + dir.file("noext");
    ExportTrialData(SmallTable(), paths, failed, host);
    EXPECT_FALSE(failed);
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"x.Csv", "y.csvx", "z.samx", "z_Costs.sam"}));
    EXPECT_EQ(ReadBytes(dir.file("y.csvx")), kCsv);
    EXPECT_EQ(ReadBytes(dir.file("z_Costs.sam")), kSamCost);
}

TEST(TrialExport, CostFileStaysInTheChosenFolder) {
    // The only "." is in the folder's name: the name is written as SAM, and the cost
    // file goes beside it, not beside the folder.
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "data.sam");
    RecordingHost host;
    bool failed = false;
    ExportTrialData(SmallTable(), dir.file("data.sam/run"), failed, host);
    EXPECT_FALSE(failed);
    EXPECT_EQ(ReadBytes(dir.file("data.sam/run")), kSamRisk);
    EXPECT_EQ(ReadBytes(dir.file("data.sam/run_Costs.sam")), kSamCost);
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"data.sam"}));
}

TEST(TrialExport, EmptyPathsWriteNothing) {
    TempDir dir;
    RecordingHost host;
    bool failed = false;
    ExportTrialData(SmallTable(), "", failed, host);
    ExportTrialData(SmallTable(), "|", failed, host);
    EXPECT_FALSE(failed);
    EXPECT_TRUE(FilesIn(dir).empty());
    EXPECT_TRUE(host.messages.empty());
}

TEST(TrialExport, WritersGivenNoPathWriteNothing) {
    TempDir dir;
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    RecordingHost host;
    bool failed = false;
    WriteDelimitedTrials(SmallTable(), "", ",", failed, host);
    WriteSamTrials(SmallTable(), "", failed, host);
    std::filesystem::current_path(before);
    EXPECT_FALSE(failed);
    EXPECT_TRUE(FilesIn(dir).empty());
}

TEST(TrialExport, FirstFileFailingStopsTheRest) {
    TempDir dir;
    RecordingHost host;
    bool failed = false;
    const std::string paths =
        dir.file("missing/a.csv") + "|" + dir.file("b.txt") + "|" + dir.file("c.sam");
    ExportTrialData(SmallTable(), paths, failed, host);
    EXPECT_TRUE(failed);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, "Export(s) discontinued because of an error");
    EXPECT_EQ(host.messages[0].text, "Path not found");
    EXPECT_EQ(host.yields, 1);
    EXPECT_TRUE(FilesIn(dir).empty());
    // A later export of the same run is skipped too.
    ExportTrialData(SmallTable(), dir.file("d.csv"), failed, host);
    EXPECT_TRUE(FilesIn(dir).empty());
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST(TrialExport, FailedSamRiskFileAbandonsItsCostFile) {
    TempDir dir;
    RecordingHost host;
    bool failed = false;
    std::filesystem::create_directory(dir.path() / "r.sam");  // a folder where the file should go
    ExportTrialData(SmallTable(), dir.file("first.csv") + "|" + dir.file("r.sam") + "|" + dir.file("last.csv"),
                    failed, host);
    EXPECT_TRUE(failed);
    EXPECT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(ReadBytes(dir.file("first.csv")), kCsv);
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"first.csv", "r.sam"}));
}

TEST(TrialExport, WriteFailureIsReportedOnce) {
    // Every write to this device fails for want of space.
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    RecordingHost host;
    bool failed = false;
    WriteDelimitedTrials(SmallTable(), "/dev/full", ",", failed, host);
    EXPECT_TRUE(failed);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Disk full");
    EXPECT_EQ(host.messages[0].title, kExportFailedTitle);
    EXPECT_EQ(host.yields, 1);
    failed = false;
    WriteSamTrials(SmallTable(), "/dev/full", failed, host);
    EXPECT_TRUE(failed);
    EXPECT_EQ(host.messages.size(), 2u);
}

TEST(TrialExport, ExistingFileIsReplaced) {
    TempDir dir;
    test::WriteBytes(dir.file("old.csv"), std::string(100000, 'x'));
    RecordingHost host;
    bool failed = false;
    ExportTrialData(SmallTable(), dir.file("old.csv"), failed, host);
    EXPECT_EQ(ReadBytes(dir.file("old.csv")), kCsv);
}

TEST(TrialExport, LongTablesComeOutWhole) {
    // Several blocks of output: every line present, in order, each ending in CR LF.
    const std::int32_t n = 60000;
    TrialTable t(n, 0);
    for (std::int32_t i = 1; i <= n; ++i)
        for (int c = 0; c < TrialTable::kColumns; ++c) t(i, c) = i + c / 100.0;
    TempDir dir;
    RecordingHost host;
    bool failed = false;
    ExportTrialData(t, dir.file("big.csv") + "|" + dir.file("big.sam"), failed, host);
    const std::string csv = ReadBytes(dir.file("big.csv"));
    std::size_t lines = 0, pos = 0;
    for (std::size_t at; (at = csv.find("\r\n", pos)) != std::string::npos; pos = at + 2) ++lines;
    EXPECT_EQ(lines, static_cast<std::size_t>(n) + 1);
    EXPECT_EQ(pos, csv.size());
    EXPECT_NE(csv.find("\r\n59999,59999.01,59999.02,"), std::string::npos);
    const std::string last = "\r\n60000,60000.01,60000.02,60000.03,60000.04,60000.05,60000.06,60000.07,60000.08,"
                             "60000.09,60000.1,60000.11,60000.12,60000.13,60000.14,60000.15,60000.16,60000.17,"
                             "60000.18,60000.19,60000.2,60000.21\r\n";
    EXPECT_EQ(csv.substr(csv.size() - last.size()), last);
    const std::string sam = ReadBytes(dir.file("big.sam"));
    EXPECT_EQ(sam.substr(0, 9), "60000\r\n9\r");
    const std::string samLast = "\r\n 60000 \t 60000.01 \t 60000.02 \t 60000.03 \t60000.04\t60000.05\t60000.06\t"
                                "60000.07\t60000.08\r\n";
    EXPECT_EQ(sam.substr(sam.size() - samLast.size()), samLast);
}

}  // namespace
}  // namespace nuvir
