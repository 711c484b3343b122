#include "platform/profile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <climits>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "runtime/convert.h"

namespace nuvir::profile {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

// The folder part of a file name ("." when it has none).
std::string FolderOf(const std::string& file) {
    const auto slash = file.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return file.substr(0, slash);
}

bool FolderExists(const std::string& folder) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0;
}

// The lines of the file as UTF-8, without their line ends; nullopt when it cannot be read.
std::optional<std::vector<std::string>> ReadLines(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    const std::string text = DecodeText(bytes);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::size_t stop = end;
        if (stop > start && text[stop - 1] == '\r') --stop;
        lines.emplace_back(text.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}

// The name of a section header line, or nullopt when the line is no header.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = TrimBlanks(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    line.remove_prefix(1);
    const auto close = line.find(']');
    if (close != std::string_view::npos) line = line.substr(0, close);
    return TrimBlanks(line);
}

// The key of a key line, or nullopt when the line has no "=".
std::optional<std::string_view> KeyName(std::string_view line) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return TrimBlanks(line.substr(0, eq));
}

// Where a section and a key stand in the lines.
struct Location {
    std::ptrdiff_t header = -1;    // the section's header line
    std::ptrdiff_t end = -1;       // one past the section's last line
    std::ptrdiff_t lastKey = -1;   // the section's last key line
    std::ptrdiff_t keyLine = -1;   // the key's line
};

Location Find(const std::vector<std::string>& lines, std::string_view section, std::string_view key) {
    Location loc;
    const auto n = static_cast<std::ptrdiff_t>(lines.size());
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        auto name = SectionName(lines[i]);
        if (name && SameName(*name, section)) {
            loc.header = i;
            break;
        }
    }
    if (loc.header < 0) return loc;
    loc.end = n;
    for (std::ptrdiff_t i = loc.header + 1; i < n; ++i) {
        if (SectionName(lines[i])) {
            loc.end = i;
            break;
        }
        auto k = KeyName(lines[i]);
        if (!k) continue;
        loc.lastKey = i;
        if (loc.keyLine < 0 && SameName(*k, key)) loc.keyLine = i;
    }
    return loc;
}

// At most `limit` characters of UTF-8 text.
std::string CutCharacters(std::string_view s, std::size_t limit) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if ((c & 0xC0) != 0x80) {
            if (chars == limit) return std::string(s.substr(0, i));
            ++chars;
        }
    }
    return std::string(s);
}

std::string WithoutLineBreaks(std::string s) {
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

}  // namespace

std::string GetString(const std::string& file, const std::string& section, const std::string& key) {
    const auto lines = ReadLines(file);
    if (!lines) return {};
    const Location loc = Find(*lines, section, key);
    if (loc.keyLine < 0) return {};
    const std::string& line = (*lines)[static_cast<std::size_t>(loc.keyLine)];
    std::string_view value = TrimBlanks(std::string_view(line).substr(line.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value.remove_prefix(1);
        value.remove_suffix(1);
    }
    return CutCharacters(value, kMaxValueLength);
}

bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                 const std::optional<std::string>& text) {
    if (!FolderExists(FolderOf(file))) return false;
    std::vector<std::string> lines;
    if (FileExists(file)) {
        if (IsReadOnly(file)) return false;
        auto read = ReadLines(file);
        if (!read) return false;
        lines = std::move(*read);
    }
    const Location loc = Find(lines, section, key);
    if (!text) {
        if (loc.keyLine < 0) return true;  // nothing to delete
        lines.erase(lines.begin() + loc.keyLine);
    } else {
        const std::string value = WithoutLineBreaks(*text);
        if (loc.header < 0) {
            lines.push_back("[" + section + "]");
            lines.push_back(key + "=" + value);
        } else if (loc.keyLine >= 0) {
            std::string& line = lines[static_cast<std::size_t>(loc.keyLine)];
            line = std::string(*KeyName(line)) + "=" + value;
        } else {
            const std::ptrdiff_t at = (loc.lastKey >= 0 ? loc.lastKey : loc.header) + 1;
            lines.insert(lines.begin() + at, key + "=" + value);
        }
    }
    std::string bytes;
    for (const auto& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return ReplaceFileContents(file, bytes);
}

bool IsReadOnly(const std::string& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return false;
    return (st.st_mode & S_IWUSR) == 0;
}

bool DeleteFile(const std::string& file) {
    if (!FileExists(file)) return true;
    if (IsReadOnly(file)) return false;
    return ::unlink(file.c_str()) == 0;
}

bool RenameOver(const std::string& temp, const std::string& file) {
    mode_t mode;
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0) {
        if ((st.st_mode & S_IWUSR) == 0 || !S_ISREG(st.st_mode)) return false;
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::chmod(temp.c_str(), mode) != 0) return false;
    return ::rename(temp.c_str(), file.c_str()) == 0;
}

int OpenTempBeside(const std::string& file, std::string& temp) {
    static constexpr std::size_t kSuffix = 7;  // ".XXXXXX"
    const auto slash = file.find_last_of('/');
    const std::size_t nameLength = slash == std::string::npos ? file.size() : file.size() - slash - 1;
    // A name near the longest allowed cannot take the suffix.
    if (nameLength + kSuffix <= NAME_MAX) {
        temp = file + ".XXXXXX";
    } else {
        temp = (slash == std::string::npos ? std::string() : file.substr(0, slash + 1)) + ".~XXXXXX";
    }
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) temp.clear();
    return fd;
}

namespace {

std::vector<std::string>& DeferredFiles() {
    static thread_local std::vector<std::string> files;
    return files;
}

bool IsDeferred(const std::string& file) {
    const auto& files = DeferredFiles();
    return std::find(files.begin(), files.end(), file) != files.end();
}

std::atomic<std::size_t> g_flushes{0};

bool Flush(int fd) {
    g_flushes.fetch_add(1, std::memory_order_relaxed);
    return ::fsync(fd) == 0;
}

}  // namespace

DeferredFlush::DeferredFlush(std::string file) : file_(std::move(file)) { DeferredFiles().push_back(file_); }

DeferredFlush::~DeferredFlush() {
    auto& files = DeferredFiles();
    if (const auto it = std::find(files.begin(), files.end(), file_); it != files.end()) files.erase(it);
}

bool FlushFile(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0) return false;
    const bool ok = Flush(fd);
    return ::close(fd) == 0 && ok;
}

std::size_t FlushCount() { return g_flushes.load(std::memory_order_relaxed); }

bool ReplaceFileContents(const std::string& file, const std::string& bytes) {
    if (!FolderExists(FolderOf(file))) return false;
    if (IsReadOnly(file)) return false;
    std::string temp;
    const int fd = OpenTempBeside(file, temp);
    if (fd < 0) return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
        } else {
            done += static_cast<std::size_t>(n);
        }
    }
    if (ok && !IsDeferred(file) && !Flush(fd)) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && !RenameOver(temp, file)) ok = false;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

}  // namespace nuvir::profile
