// Assessment files under attack: links, a full disk for a new file, errors that are no
// AppError, huge files and FIFOs, loads during saves, the largest Double, rounding at
// the ends of the range, CR line ends and a folder that takes no new file.
#include <gtest/gtest.h>

#include <cfloat>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "appdata/formatting.h"
#include "appdata/ini.h"
#include "appdata/utilities_rounding.h"
#include "appdata_fixture.h"
#include "platform/profile.h"

namespace nuvir::test {
namespace {

std::size_t FilesIn(const std::filesystem::path& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

// An assessment whose species and location carry one marker.
Variant Marked(const std::string& marker) {
    Variant d = GetAppDataDefaults(false, Variant());
    d(item::kSpecies) = Variant(marker);
    d(item::kLocation) = Variant(marker);
    return d;
}

int ExitCodeOf(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

class HostileFiles : public AppDataTest {
protected:
    std::string Raf() const { return dir.file("case.raf"); }
};

TEST_F(HostileFiles, ASaveThroughALinkWritesTheFileItNames) {
    std::filesystem::create_directory(dir.path() / "data");
    ASSERT_TRUE(SaveAppData(Marked("old"), dir.file("data/real.raf"), true));
    std::filesystem::create_symlink("data/real.raf", Raf());
    ASSERT_TRUE(SaveAppData(Marked("new"), Raf(), true));
    EXPECT_TRUE(std::filesystem::is_symlink(Raf()));
    EXPECT_EQ(CStr(LoadAppData(dir.file("data/real.raf"), false, Variant())(item::kSpecies)), "new");
    ASSERT_TRUE(WriteIniValue(Raf(), "App Defaults", "Species", Variant("third"), true));
    EXPECT_EQ(CStr(LoadAppData(dir.file("data/real.raf"), false, Variant())(item::kSpecies)), "third");
}

TEST_F(HostileFiles, ANewFileOnAFullDiskIsAFailureAndLeavesNoEmptyFile) {
    for (bool raiseErrors : {false, true}) {
        SCOPED_TRACE(raiseErrors);
        messages.calls.clear();
        bool saved = true;
        {
            FileSizeLimit limit(100);
            saved = SaveAppData(Marked("x"), Raf(), raiseErrors);
        }
        EXPECT_FALSE(saved);
        EXPECT_EQ(FilesIn(dir.path()), 0u);
        EXPECT_EQ(messages.calls.size(), raiseErrors ? 1u : 0u);
        if (raiseErrors) {
            EXPECT_NE(messages.calls[0].text.find("The disk is full."), std::string::npos);
            EXPECT_EQ(messages.calls[0].text.find("read-only"), std::string::npos);
        }
    }
}

TEST_F(HostileFiles, ErrorsOfOtherKindsAreAbsorbedWhereTheRuntimesAre) {
    // The settings file is a folder.
    std::filesystem::create_directory(ProgramIni());
    EXPECT_TRUE(SameValue(LoadAppData("", false, Variant()), GetAppDataDefaults(false, Variant())));
    EXPECT_FALSE(SaveAppData(Marked("x"), "", false));
    EXPECT_FALSE(WriteIniValue(ProgramIni(), "A", "k", Variant(1), false));
    EXPECT_EQ(CLng(ReadIniValue(ProgramIni(), "A", "k", Variant(7), ini::kInt32)), 7);
    // A read that fails with an I/O error.
    EXPECT_TRUE(SameValue(LoadAppData("/proc/self/mem", false, Variant()), GetAppDataDefaults(false, Variant())));
    // Memory running out while a large file is read: in a child, whose address space
    // is held to a little more than it already uses.
    WriteBytes(Raf(), "[App Defaults]\r\nSpecies=big\r\n" + std::string(15u << 20, ';'));
    const pid_t pid = ::fork();
    if (pid == 0) {
        long pages = 0, resident = 0;
        if (FILE* f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) pages = 0;
            std::fclose(f);
        }
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (8u << 20);
        ::setrlimit(RLIMIT_AS, &limit);
        const Variant d = LoadAppData(Raf(), false, Variant());
        ::_exit(d.isArray() && CStr(d(item::kSpecies)) != "big" ? 0 : 1);
    }
    EXPECT_EQ(ExitCodeOf(pid), 0) << "the load returned the defaults instead of ending the program";
}

TEST_F(HostileFiles, HugeFilesAndFifosAreRefusedAtOnce) {
    WriteBytes(Raf(), std::string(profile::kMaxFileSize + 1, '\n'));
    EXPECT_TRUE(SameValue(LoadAppData(Raf(), false, Variant()), GetAppDataDefaults(false, Variant())));
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].text, "The file " + Raf() + " is not an assessment file.");
    ASSERT_EQ(::mkfifo(dir.file("pipe.raf").c_str(), 0600), 0);
    EXPECT_TRUE(SameValue(LoadAppData(dir.file("pipe.raf"), false, Variant()), GetAppDataDefaults(false, Variant())));
    EXPECT_EQ(messages.calls.size(), 2u);
    // 16 MB of line feeds is allowed, and read in one pass.
    WriteBytes(Raf(), "[App Defaults]\nSpecies=lf\n" + std::string(profile::kMaxFileSize - 30, '\n'));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CStr(LoadAppData(Raf(), false, Variant())(item::kSpecies)), "lf");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(HostileFiles, ALoadDuringAnotherProcesssSaveGetsOneSaveWhole) {
    ASSERT_TRUE(SaveAppData(Marked("a"), Raf(), true));
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (int i = 0; i < 150; ++i)
            if (!SaveAppData(Marked(i % 2 ? "a" : std::string(200, 'b')), Raf(), false)) ::_exit(1);
        ::_exit(0);
    }
    int mixed = 0;
    for (int i = 0; i < 150; ++i) {
        const Variant d = LoadAppData(Raf(), false, Variant());
        if (CStr(d(item::kSpecies)) != CStr(d(item::kLocation))) ++mixed;
    }
    EXPECT_EQ(ExitCodeOf(pid), 0);
    EXPECT_EQ(mixed, 0);
}

TEST_F(HostileFiles, TheLargestDoubleReadsBackAsItself) {
    Variant d = Marked("max");
    d(item::PointValue(4)) = Variant(DBL_MAX);
    d(item::PointValue(5)) = Variant(-DBL_MAX);
    ASSERT_TRUE(SaveAppData(d, Raf(), true));
    EXPECT_NE(ReadBytes(Raf()).find("I1=1.79769313486232E+308"), std::string::npos);
    const Variant back = LoadAppData(Raf(), false, Variant());
    EXPECT_EQ(CDbl(back(item::PointValue(4))), DBL_MAX);
    EXPECT_EQ(CDbl(back(item::PointValue(5))), -DBL_MAX);
    EXPECT_EQ(CStr(back(item::kSpecies)), "max") << "the record around it is read too";
    EXPECT_THROW(CDbl(Variant("1.797693134862325E+308")), AppError);
}

TEST(RangeEnds, RoundingRaisesOverflowAndNeverPrintsNaNForANumber) {
    auto overflowNumber = [](auto&& f) {
        try {
            f();
        } catch (const AppError& e) {
            return e.number();
        }
        return 0;
    };
    EXPECT_EQ(overflowNumber([] { MUtilities::RoundSigFigs(DBL_MAX, 2); }), err::Overflow);
    EXPECT_EQ(overflowNumber([] { MUtilities::RoundToPlace(5, 400); }), err::Overflow);
    EXPECT_EQ(MKelvaro::FormatSigFigs(HUGE_VAL, 4), "Infinity");
    EXPECT_EQ(MKelvaro::FormatSigFigs(-HUGE_VAL, 4), "-Infinity");
    EXPECT_EQ(MKelvaro::FormatSigFigs(347, 2), "350");
}

TEST_F(HostileFiles, AFileWithCarriageReturnsAloneIsRead) {
    WriteBytes(Raf(), "[App Defaults]\rSpecies=Rat\rN Trials=250\r");
    const Variant d = LoadAppData(Raf(), false, Variant());
    EXPECT_EQ(CStr(d(item::kSpecies)), "Rat");
    EXPECT_EQ(CLng(d(item::kTrials)), 250);
}

TEST_F(HostileFiles, AWritableFileInAFolderThatTakesNoNewFileIsSaved) {
    const std::filesystem::path folder = dir.path() / "locked";
    std::filesystem::create_directory(folder);
    const std::string file = (folder / "a.raf").generic_string();
    ASSERT_TRUE(SaveAppData(Marked("old"), file, true));
    if (::geteuid() == 0) {
        for (const std::string& p : {dir.str(), folder.generic_string(), file}) ASSERT_EQ(::chown(p.c_str(), 65534, 65534), 0);
    }
    ::chmod(dir.str().c_str(), 0755);
    ::chmod(folder.c_str(), 0555);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(90);
        if (!SaveAppData(Marked("new"), file, true) || !messages.calls.empty()) ::_exit(1);
        if (CStr(LoadAppData(file, false, Variant())(item::kSpecies)) != "new") ::_exit(2);
        ::_exit(0);
    }
    EXPECT_EQ(ExitCodeOf(pid), 0);
    ::chmod(folder.c_str(), 0755);
}

}  // namespace
}  // namespace nuvir::test
