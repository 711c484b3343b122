// Trial exports: byte-exact CSV, TXT and SAM files of a small table, the choice of
// format by extension, and what a failed export does. Long tables, written in blocks
// on the workers, come with the engine's whole runs.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

#include "platform/profile.h"
#include "simulation/export.h"
#include "simulation_fixture.h"
#include "testsupport.h"

namespace nuvir {
namespace {

using test::ReadBytes;
using test::TempDir;

// Two trials: a negative value, a 0 and a -0, exponent forms and a 17-digit sum.
TrialTable SmallTable() {
    TrialTable t(2, 0);
    const double rows[2][TrialTable::kColumns] = {
        {0.5, 0.25, 1, 0, 1, 2.5, 3, 4, 5, 100, 200, 300, 400, 1e-05, -2.5, 0.1 + 0.2, 1.5e15, -0.0, 7, 8, 9, 10},
        {1,  0.125, -0.0, 0.75, -1, 0,  1e-300, 123456789012345678.0, 2, 0, 0, 0, 1, 1.0 / 3.0, 0,
         12, 13,    14,   15,   16, 17, 18}};
    for (int c = 0; c < TrialTable::kColumns; ++c) t(1, c) = rows[0][c], t(2, c) = rows[1][c];
    return t;
}

const std::string kCsv =
    "p1,p2,p3,p4,I1,I2,I3,I4,I5,FC1,FC2,FC3,FC4,Total_Risk,Total_Cost,Risk1,Risk2,Risk3,Risk4,Cost1,Cost2,Cost3\r\n"
    "0.5,0.25,1,0,1,2.5,3,4,5,100,200,300,400,1E-05,-2.5,0.3,1.5E+15,0,7,8,9,10\r\n"
    "1,0.125,0,0.75,-1,0,1E-300,1.23456789012346E+17,2,0,0,0,1,0.333333333333333,0,12,13,14,15,16,17,18\r\n";
const std::string kSamRisk =
    "2\r\n9\r\np1\r\np2\r\np3\r\np4\r\nI1\r\nI2\r\nI3\r\nI4\r\nI5\r\n"
    " 0.5 \t 0.25 \t 1 \t 0 \t1\t2.5\t3\t4\t5\r\n"
    " 1 \t 0.125 \t 0 \t 0.75 \t-1\t0\t1E-300\t1.23456789012346E+17\t2\r\n";
const std::string kSamCost =
    "2\r\n8\r\np1\r\np2\r\np3\r\np4\r\nFC1\r\nFC2\r\nFC3\r\nFC4\r\n"
    " 0.5 \t 0.25 \t 1 \t 0 \t100\t200\t300\t400\r\n"
    " 1 \t 0.125 \t 0 \t 0.75 \t0\t0\t0\t1\r\n";

// Every file and folder under dir.
std::ptrdiff_t Entries(const TempDir& dir) {
    const std::filesystem::recursive_directory_iterator files(dir.path());
    return std::distance(begin(files), end(files));
}

TEST(TrialExport, FormatsByExtensionByteForByte) {
    std::string tabbed = kCsv;
    std::replace(tabbed.begin(), tabbed.end(), ',', '\t');
    // The paths are joined with "|"; the files are every file afterwards, with its bytes.
    const struct {
        const char* name;
        std::vector<std::string> paths;
        bool hideCosts;
        std::vector<std::pair<std::string, std::string>> files;
    } cases[] = {
        {"csv, txt and sam",
         {"run.csv", "run.txt", "run.sam"},
         false,
         {{"run.csv", kCsv}, {"run.sam", kSamRisk}, {"run.txt", tabbed}, {"run_Costs.sam", kSamCost}}},
        {"hidden costs write no cost file", {"a.csv", "b.SAM"}, true, {{"a.csv", kCsv}, {"b.SAM", kSamRisk}}},
        {"other extensions: none, csv, sam",
         {"x.Csv", "x.dat", "", "y.csvx", "z.samx", "noext"},
         false,
         {{"x.Csv", kCsv}, {"y.csvx", kCsv}, {"z.samx", kSamRisk}, {"z_Costs.sam", kSamCost}}},
        // The only "." is in the folder's name: written as SAM, the cost file beside it.
        {"cost file stays in the chosen folder",
         {"data.sam/run"},
         false,
         {{"data.sam/run", kSamRisk}, {"data.sam/run_Costs.sam", kSamCost}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::filesystem::create_directory(dir.path() / "data.sam");
        std::string paths;
        for (std::size_t i = 0; i < c.paths.size(); ++i)
            paths += (i ? "|" : "") + (c.paths[i].empty() ? "" : dir.file(c.paths[i]));
        EngineTestHost host;
        host.hideCosts = c.hideCosts;
        bool failed = false;
        ExportTrialData(SmallTable(), paths, failed, host);
        EXPECT_FALSE(failed);
        EXPECT_TRUE(host.messages.empty());
        for (const auto& [name, bytes] : c.files) EXPECT_EQ(ReadBytes(dir.file(name)), bytes) << name;
        EXPECT_EQ(Entries(dir), static_cast<std::ptrdiff_t>(c.files.size()) + 1);
    }
    // Writers given no path write nothing, even in the working folder.
    TempDir dir;
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    EngineTestHost host;
    bool failed = false;
    WriteDelimitedTrials(SmallTable(), "", ",", failed, host);
    WriteSamTrials(SmallTable(), "", failed, host);
    std::filesystem::current_path(before);
    EXPECT_EQ(Entries(dir), 0);
    test::WriteBytes(dir.file("old.csv"), std::string(100000, 'x'));  // an existing file is replaced
    ExportTrialData(SmallTable(), dir.file("old.csv"), failed, host);
    EXPECT_EQ(ReadBytes(dir.file("old.csv")), kCsv);
}

TEST(TrialExport, FirstFailureIsReportedOnceAndStopsTheRest) {
    TempDir dir;
    EngineTestHost host;
    bool failed = false;
    ExportTrialData(SmallTable(), dir.file("missing/a.csv") + "|" + dir.file("b.txt") + "|" + dir.file("c.sam"), failed,
                    host);
    ASSERT_TRUE(failed);
    ASSERT_EQ(host.messages.size(), 1u);
    ASSERT_EQ(host.yields, 1);
    EXPECT_EQ(host.messages[0], "Export(s) discontinued because of an error: Path not found");
    ExportTrialData(SmallTable(), dir.file("d.csv"), failed, host);  // a later export of the same run is skipped too
    EXPECT_EQ(Entries(dir), 0);
    // A failed SAM risk file (a folder where the file should go) abandons its cost file.
    failed = false;
    std::filesystem::create_directory(dir.path() / "r.sam");
    ExportTrialData(SmallTable(), dir.file("first.csv") + "|" + dir.file("r.sam") + "|" + dir.file("last.csv"), failed,
                    host);
    EXPECT_TRUE(failed);
    EXPECT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(Entries(dir), 2);
    EXPECT_TRUE(std::filesystem::exists(dir.file("first.csv")));
}

TEST(TrialExport, AnExistingFileStaysWholeUntilTheNewOneIsAndKeepsItsLinkAndPermissions) {
    TempDir dir;
    const std::string old = "1,2,3\r\n";
    test::WriteBytes(dir.file("Untitled.CSV"), old);
    EngineTestHost host;
    bool failed = false;
    // The disk is full.
    profile::SetFileFaultForTesting([](profile::FileStage s) { return s == profile::FileStage::Write ? ENOSPC : 0; });
    ExportTrialData(SmallTable(), dir.file("Untitled.CSV"), failed, host);
    profile::SetFileFaultForTesting({});
    EXPECT_TRUE(failed);
    EXPECT_EQ(host.messages.back(), "Export(s) discontinued because of an error: Disk full");
    EXPECT_EQ(ReadBytes(dir.file("Untitled.CSV")), old);
    EXPECT_EQ(Entries(dir), 1) << "no temporary file left";
    // A file-size limit below the new file's size fails it in the same way and names it.
    failed = false;
    {
        const test::FileSizeLimit limit(100);
        ExportTrialData(SmallTable(), dir.file("Untitled.CSV"), failed, host);
    }
    EXPECT_TRUE(failed);
    EXPECT_EQ(host.messages.back(), "Export(s) discontinued because of an error: File too large");
    EXPECT_EQ(ReadBytes(dir.file("Untitled.CSV")), old);
    EXPECT_EQ(Entries(dir), 1) << "no temporary file left";
    // Written through a link: the link stays a link, its target takes the bytes and keeps its mode.
    std::filesystem::create_symlink("Untitled.CSV", dir.path() / "link.csv");
    ::chmod(dir.file("Untitled.CSV").c_str(), 0640);
    failed = false;
    ExportTrialData(SmallTable(), dir.file("link.csv"), failed, host);
    EXPECT_FALSE(failed);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "link.csv"));
    EXPECT_EQ(ReadBytes(dir.file("Untitled.CSV")), kCsv);
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("Untitled.CSV").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace
}  // namespace nuvir
