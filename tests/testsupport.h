#pragma once
// Small helpers shared by the tests of every folder.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
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

}  // namespace nuvir::test
