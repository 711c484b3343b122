#pragma once
// Small helpers shared by the tests of every folder.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <span>
#include <string>

#include "runtime/error.h"

namespace nuvir::test {

// AddressSanitizer reserves terabytes of address space for its shadow memory, so a test
// that caps a process's address space cannot run in a sanitizer build.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir() {
        std::random_device rd;
        auto base = std::filesystem::temp_directory_path();
        for (;;) {
            path_ = base / ("nuvir-test-" + std::to_string(rd()));
            if (std::filesystem::create_directory(path_)) break;
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // The folder with "/" separators and no trailing one.
    std::string str() const { return path_.generic_string(); }
    std::string file(const std::string& name) const { return str() + "/" + name; }

private:
    std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A folder under dir whose path is `length` bytes long, made of folders of at most 200
// bytes (a file of n bytes in it has a path of length + 1 + n bytes).
inline std::string FolderOfLength(const TempDir& dir, std::size_t length) {
    std::string folder = dir.str();
    while (folder.size() < length) {
        std::size_t part = std::min<std::size_t>(200, length - folder.size() - 1);
        // Never leave room for a "/" alone.
        if (length - folder.size() - 1 - part == 1) --part;
        folder += "/" + std::string(part, 'd');
    }
    std::filesystem::create_directories(folder);
    return folder;
}

// The error number f raises, 0 when it raises nothing.
inline int ErrorNumber(const std::function<void()>& f) {
    try {
        f();
    } catch (const AppError& e) {
        return e.number();
    }
    return 0;
}

// How many times `what` stands in the text, without overlaps.
inline int CountOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + what.size())) ++n;
    return n;
}

// The description of the error f raises, "" when it raises nothing.
inline std::string ErrorText(const std::function<void()>& f) {
    try {
        f();
    } catch (const AppError& e) {
        return e.description();
    }
    return {};
}

// Folder holding the test sources, for checked-in expected files.
inline std::string SourceDir() { return NUVIR_TEST_SOURCE_DIR; }

// Runs child in a forked process while parent (if any) runs here; the child's exit code,
// or 100 plus the signal that ended it.
inline int ExitCodeInChild(const std::function<int()>& child, const std::function<void()>& parent = {}) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(child());
    if (parent) parent();
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

// Holds this process's file-size limit ("ulimit -f") at `bytes` while it lives, with
// SIGXFSZ at its default: a writer that let a write pass the limit ends the process, as
// that signal would end the program.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_DFL);
        held_ = ::getrlimit(RLIMIT_FSIZE, &previous_) == 0;
        const rlimit limit{bytes, previous_.rlim_max};
        held_ = held_ && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        if (held_) ::setrlimit(RLIMIT_FSIZE, &previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Held() const { return held_; }

private:
    rlimit previous_{};
    bool held_ = false;
};

// The process's time zone (TZ) for a scope; the one before comes back after it.
class ScopedZone {
public:
    explicit ScopedZone(const char* zone) : had_(std::getenv("TZ") != nullptr), saved_(had_ ? std::getenv("TZ") : "") {
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedZone() {
        if (had_)
            ::setenv("TZ", saved_.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    ScopedZone(const ScopedZone&) = delete;
    ScopedZone& operator=(const ScopedZone&) = delete;

private:
    bool had_;
    std::string saved_;
};

// The mean and sample SD of a, and the correlation of a with b, from sums in quadruple
// precision in two passes (the means, then the centred sums): a reference for the
// program's own.
struct QuadPair {
    double meanA, sdA, r;
};
inline QuadPair QuadMoments(std::span<const double> a, std::span<const double> b) {
    const double n = static_cast<double>(a.size());
    __float128 sa = 0, sb = 0, aa = 0, bb = 0, ab = 0;
    for (std::size_t i = 0; i < a.size(); ++i) sa += a[i], sb += b[i];
    const __float128 ma = sa / n, mb = sb / n;
    for (std::size_t i = 0; i < a.size(); ++i)
        aa += (a[i] - ma) * (a[i] - ma), bb += (b[i] - mb) * (b[i] - mb), ab += (a[i] - ma) * (b[i] - mb);
    const auto root = [](__float128 x) { return std::sqrt(static_cast<long double>(x)); };
    return {static_cast<double>(ma), static_cast<double>(root(aa / (n - 1))),
            static_cast<double>(ab / (root(aa) * root(bb)))};
}

// The p-quantile of an ascending array by linear interpolation between the elements at
// floor(h) and floor(h) + 1, h = (n - 1) p, formed in quadruple precision (so also
// between neighbours further apart than the largest Double): a reference for the
// program's confidence limits.
inline double QuadQuantile(std::span<const double> sorted, double p) {
    const __float128 h = static_cast<__float128>(sorted.size() - 1) * p;
    const auto lo = static_cast<std::size_t>(static_cast<double>(h));
    if (lo + 1 >= sorted.size()) return sorted.back();
    const __float128 a = sorted[lo], b = sorted[lo + 1];
    return static_cast<double>(a + (h - lo) * (b - a));
}

}  // namespace nuvir::test
