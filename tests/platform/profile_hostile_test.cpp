// Settings files under attack: links, wide encodings, two writers, a held lock, files
// that are no files and a folder that takes no new file.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/profile.h"
#include "testsupport.h"

namespace nuvir::test {
namespace {

using namespace nuvir::profile;

// Runs fn in a child process (as an unprivileged user when the tests run as root, so
// that folder permissions count) and returns its exit code.
int InChild(const std::function<int()>& fn, bool unprivileged = false) {
    return ExitCodeInChild([&] {
        if (unprivileged && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 90;
        return fn();
    });
}

TEST(ProfileHostile, AWriteThroughALinkReachesTheFileAndKeepsTheLink) {
    TempDir dir;
    WriteBytes(dir.file("real.ini"), "[A]\r\nx=1\r\n");
    std::filesystem::create_directory(dir.path() / "sub");
    std::filesystem::create_symlink("../real.ini", dir.path() / "sub" / "link.ini");
    std::filesystem::create_symlink("gone.ini", dir.path() / "dangling.ini");
    ASSERT_TRUE(WriteString(dir.file("sub/link.ini"), "A", "y", std::string("2")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "sub" / "link.ini"));
    EXPECT_EQ(ReadBytes(dir.file("real.ini")), "[A]\r\nx=1\r\ny=2\r\n");
    ASSERT_TRUE(ReplaceFileContents(dir.file("dangling.ini"), "[B]\r\n"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "dangling.ini"));
    EXPECT_EQ(ReadBytes(dir.file("gone.ini")), "[B]\r\n");
}

TEST(ProfileHostile, Utf16FilesAreReadAndWrittenAsUtf16) {
    struct Case {
        const char* name;
        std::string bytes, written;
    };
    const Case cases[] = {
        {"little-endian", std::string("\xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0\xE9\0\r\0\n\0", 22),
         std::string("\xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0\xE9\0\r\0\n\0n\0=\0"
                     "1\0\r\0\n\0",
                     32)},
        {"big-endian", std::string("\xFE\xFF\0[\0A\0]\0\r\0\n\0k\0=\0\xE9\0\r\0\n", 22),
         std::string("\xFE\xFF\0[\0A\0]\0\r\0\n\0k\0=\0\xE9\0\r\0\n\0n\0=\0"
                     "1\0\r\0\n",
                     32)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string file = dir.file("w.ini");
        WriteBytes(file, c.bytes);
        EXPECT_EQ(GetString(file, "A", "k"), "\xC3\xA9");
        ASSERT_TRUE(WriteString(file, "A", "n", std::string("1")));
        EXPECT_EQ(ReadBytes(file), c.written);
    }
}

// Each writer waits for the lock as long as a busy machine keeps the other holding it:
// the 5 s a user waits would fail a writer starved of its processor, so the wait here
// is only a hang guard, 100 s.
TEST(ProfileHostile, TwoProcessesWritingOneFileLoseNoKey) {
    struct LockWait {
        const std::chrono::milliseconds saved = LockTimeout();
        LockWait() { SetLockTimeout(std::chrono::seconds(100)); }
        ~LockWait() { SetLockTimeout(saved); }
    } lockWait;
    TempDir dir;
    const std::string file = dir.file("shared.ini");
    auto writer = [&file](int id) {
        return [&file, id] {
            for (int i = 0; i < 300; ++i)
                if (!WriteString(file, "S", "w" + std::to_string(id) + "_" + std::to_string(i), std::string("v")))
                    return 1;
            return 0;
        };
    };
    const pid_t a = ::fork();
    if (a == 0) ::_exit(writer(1)());
    const int b = InChild(writer(2));
    int status = 0;
    ::waitpid(a, &status, 0);
    ASSERT_EQ(b, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    const Contents contents = Contents::Load(file);
    int found = 0;
    for (int id = 1; id <= 2; ++id)
        for (int i = 0; i < 300; ++i)
            found += contents.Get("S", "w" + std::to_string(id) + "_" + std::to_string(i)) ? 1 : 0;
    EXPECT_EQ(found, 600);
    EXPECT_FALSE(std::filesystem::exists(LockFileName(file))) << "the lock file goes with the last writer";
}

TEST(ProfileHostile, ALockNotHadInTimeIsAClearFailureNotAHang) {
    TempDir dir;
    const std::string file = dir.file("a.ini");
    WriteBytes(file, "[A]\r\nx=1\r\n");
    const int held = ::open(LockFileName(file).c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    SetLockTimeout(std::chrono::milliseconds(100));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(WriteString(file, "A", "x", std::string("2")));
    EXPECT_EQ(LastFailure(), Failure::InUse);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(100)) << "it waited for the lock as long as it was told";
    EXPECT_LT(waited, std::chrono::seconds(100)) << "and no hang (a guard as long as the other hang guards)";
    SetLockTimeout(std::chrono::seconds(5));
    ::close(held);
    EXPECT_EQ(ReadBytes(file), "[A]\r\nx=1\r\n");
}

TEST(ProfileHostile, WhatIsNoRegularFileIsNeitherReadNorWritten) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.raf").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.path() / "folder.ini");
    EXPECT_EQ(GetString(dir.file("pipe.raf"), "A", "x"), "");  // returns: no blocking read
    EXPECT_EQ(LastFailure(), Failure::NotAFile);
    EXPECT_FALSE(WriteString(dir.file("folder.ini"), "A", "x", std::string("1")));
    EXPECT_EQ(LastFailure(), Failure::NotAFile);
    EXPECT_EQ(GetString("/proc/self/mem", "A", "x"), "");
    EXPECT_EQ(LastFailure(), Failure::Unreadable);
    WriteBytes(dir.file("big.ini"), std::string(kMaxFileSize + 1, '\n'));
    EXPECT_EQ(Contents::Load(dir.file("big.ini")).Status(), Failure::TooLarge);
}

TEST(ProfileHostile, AWritableFileInAFolderThatTakesNoNewFileIsWrittenInPlace) {
    TempDir dir;
    const std::filesystem::path folder = dir.path() / "locked";
    std::filesystem::create_directory(folder);
    const std::string file = (folder / "a.ini").generic_string();
    WriteBytes(file, "[A]\r\nx=1\r\n");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(dir.str().c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
    }
    ::chmod(dir.str().c_str(), 0755);
    ::chmod(folder.c_str(), 0555);
    const int code = InChild(
        [&] {
            if (!WriteString(file, "A", "y", std::string("2"))) return 1;
            if (ReadBytes(file) != "[A]\r\nx=1\r\ny=2\r\n") return 2;
            ::chmod(file.c_str(), 0444);
            if (WriteString(file, "A", "y", std::string("3")) || LastFailure() != Failure::ReadOnly) return 3;
            return 0;
        },
        true);
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(code, 0);
}

// A file whose path is near the longest allowed (4095 bytes): its hidden temporary
// (".name.~" and six, 9 bytes more) and lock (".name.lock", 6 more) would pass the limit
// as paths; every write still reaches it and leaves nothing beside it.
TEST(ProfileHostile, AFileAtTheLongestPathsIsWrittenByEveryWrite) {
    struct Case {
        const char* name;
        std::size_t path, fileName;
    };
    const Case cases[] = {
        {"4087 bytes, a name of 5", 4087, 5},     {"4090 bytes, a name of 5", 4090, 5},
        {"4095 bytes, a name of 5", 4095, 5},     {"4095 bytes, a name of 1", 4095, 1},
        {"4095 bytes, a name of 250", 4095, 250}, {"4095 bytes, a name of 255", 4095, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string folder = FolderOfLength(dir, c.path - 1 - c.fileName);
        const std::string file = folder + "/" + std::string(c.fileName, 'f');
        ASSERT_EQ(file.size(), c.path);
        EXPECT_TRUE(ReplaceFileContents(file, "[A]\r\nx=1\r\n")) << FailureText(LastFailure());
        EXPECT_TRUE(WriteString(file, "A", "y", std::string("2"))) << FailureText(LastFailure());
        EXPECT_EQ(ReadBytes(file), "[A]\r\nx=1\r\ny=2\r\n");
        AtomicFile atomic(file);
        EXPECT_TRUE(atomic.Open() && atomic.Write("new") && atomic.Commit()) << atomic.Error();
        EXPECT_EQ(ReadBytes(file), "new");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1) << "nothing left beside it";
    }
}

TEST(ProfileHostile, ASaveKilledMidwayLeavesAHiddenTemporaryThatTheNextSaveRemovesAndNothingElse) {
    TempDir dir;
    const std::string file = dir.file("k.raf");
    WriteBytes(file, "[A]\r\nx=1\r\n");
    const int code = InChild([&] {
        SetFileFaultForTesting([](FileStage s) {
            if (s == FileStage::Write) ::raise(SIGKILL);
            return 0;
        });
        ReplaceFileContents(file, "[A]\r\nx=2\r\n");
        return 0;
    });
    ASSERT_EQ(code, 100 + SIGKILL);
    EXPECT_EQ(ReadBytes(file), "[A]\r\nx=1\r\n");
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    ASSERT_EQ(left.size(), 3u);  // the lock file, the temporary, the file
    EXPECT_EQ(left[0], ".k.raf.lock");
    EXPECT_EQ(left[1].substr(0, 8), ".k.raf.~") << "hidden, beside the file";
    EXPECT_EQ(left[1].size(), 14u);
    EXPECT_EQ(left[2], "k.raf");

    // Names near the pattern, another file's temporary, and what is no regular file stay.
    const std::vector<std::string> others = {".k.raf.~ABCDE",  ".k.raf.~ABCDEFG", ".k.raf.~ABC-EF", "k.raf.1B2QPl",
                                             ".j.raf.~ABCDEF", ".K.RAF.~ABCDEF",  "k.raf.~ABCDEF"};
    for (const auto& name : others) WriteBytes(dir.file(name), "keep");
    std::filesystem::create_directory(dir.path() / ".k.raf.~FOLDER");
    std::filesystem::create_symlink("k.raf.1B2QPl", dir.path() / ".k.raf.~LINKED");
    WriteBytes(dir.file(".k.raf.~Zz0912"), "left by another kill");
    ASSERT_TRUE(WriteString(file, "A", "x", std::string("3")));
    EXPECT_EQ(ReadBytes(file), "[A]\r\nx=3\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / left[1]));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / ".k.raf.~Zz0912"));
    for (const auto& name : others) EXPECT_EQ(ReadBytes(dir.file(name)), "keep") << name;
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / ".k.raf.~FOLDER"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / ".k.raf.~LINKED"));
}

// Under a file-size limit of 2000 bytes every road of the writer fails as on a full disk,
// names the limit and ends nothing: the child keeps the signal's default, which ends a
// process that lets a write pass the limit.
TEST(ProfileHostile, AWritePastTheFileSizeLimitFailsAsOnAFullDiskAndEndsNothing) {
    const std::string big(5000, 'x'), old = "[A]\r\nx=1\r\n";
    struct Case {
        const char* name;
        bool exists, folderTakesFiles;
        std::function<bool(const std::string&)> write;
    };
    const Case cases[] = {
        {"a new file through the atomic file", false, true,
         [&big](const std::string& file) {
             AtomicFile atomic(file);
             const bool ok = atomic.Open() && atomic.Write(big) && atomic.Commit();
             return ok || atomic.ErrorNumber() != EFBIG || atomic.Error() != file + ": File too large";
         }},
        {"a file replaced whole", true, true,
         [&big](const std::string& file) { return ReplaceFileContents(file, big); }},
        {"a key written into a file", true, true,
         [&big](const std::string& file) { return WriteString(file, "A", "y", big); }},
        {"a file rewritten in place", true, false,
         [&big](const std::string& file) { return WriteString(file, "A", "y", big); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::filesystem::path folder = dir.path() / "f";
        std::filesystem::create_directory(folder);
        const std::string file = (folder / "a.ini").generic_string();
        if (c.exists) WriteBytes(file, old);
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
            ASSERT_TRUE(!c.exists || ::chown(file.c_str(), 65534, 65534) == 0);
        }
        ::chmod(dir.str().c_str(), 0755);
        ::chmod(folder.c_str(), c.folderTakesFiles ? 0755 : 0555);
        const int code = InChild(
            [&] {
                const FileSizeLimit limit(2000);
                if (!limit.Held()) return 90;
                if (c.write(file)) return 1;
                if (c.exists && (LastFailure() != Failure::NoSpace || LastFailureCause() != "File too large")) return 2;
                return 0;
            },
            true);
        ::chmod(folder.c_str(), 0755);
        EXPECT_EQ(code, 0) << "1: written, 2: another failure or cause, " << 100 + SIGXFSZ << ": ended by SIGXFSZ";
        EXPECT_EQ(ReadBytes(file), c.exists ? old : std::string()) << "the old file whole, no new one";
        std::vector<std::string> left;
        for (const auto& e : std::filesystem::directory_iterator(folder)) left.push_back(e.path().filename().string());
        EXPECT_EQ(left, c.exists ? std::vector<std::string>{"a.ini"} : std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace nuvir::test
