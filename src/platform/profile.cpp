#include "platform/profile.h"

#include <QString>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <new>
#include <random>
#include <string_view>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <unordered_set>
#include <utility>

#include "runtime/convert.h"
#include "runtime/error.h"

namespace nuvir::profile {

namespace {

thread_local Failure g_lastFailure = Failure::None;
// The system's error number behind the last write failure of this thread, 0 when none.
thread_local int g_lastErrno = 0;
std::atomic<std::size_t> g_flushes{0};
std::atomic<std::size_t> g_bytesRead{0};
std::atomic<std::size_t> g_linesWalked{0};
std::atomic<long long> g_lockTimeoutMs{5000};

bool Fail(Failure f) {
    g_lastFailure = f;
    return false;
}

// Each read and write starts with no failure: a cause left by an earlier one (a size
// limit's EFBIG) must never be given as the cause of a later one.
void ClearFailure() {
    g_lastFailure = Failure::None;
    g_lastErrno = 0;
}

std::function<int(FileStage)>& FaultHook() {
    static std::function<int(FileStage)> fault;
    return fault;
}

int InjectedError(FileStage stage) { return FaultHook() ? FaultHook()(stage) : 0; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Folded(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = FoldAscii(c);
    return out;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

std::string CacheKey(std::string_view section, std::string_view key) { return Folded(section) + '\x01' + Folded(key); }

// The folder part of a file name ("." when it has none).
std::string FolderOf(const std::string& file) {
    const auto slash = file.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return file.substr(0, slash);
}

// A name in the folder of `file`: prefix + its name + suffix, or, when a name near the
// longest allowed cannot take them, what `shortName` makes of its name.
template <class ShortName>
std::string NameBeside(const std::string& file, std::string_view prefix, std::string_view suffix, ShortName shortName) {
    const auto slash = file.find_last_of('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    const std::string folder = file.substr(0, start);
    const std::string_view name = std::string_view(file).substr(start);
    if (prefix.size() + name.size() + suffix.size() <= NAME_MAX)
        return folder + std::string(prefix) + std::string(name) + std::string(suffix);
    return folder + shortName(name);
}

bool FolderExists(const std::string& folder) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The name part of a path.
std::string NameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folder of a file, opened for the *at calls; -1 when it cannot be. The names beside
// a file (its lock and temporary files) are reached through it: each needs to fit only
// the name limit, while its whole path would pass the path limit where the target's,
// a few bytes shorter, does not.
int OpenFolderOf(const std::string& file) { return ::open(FolderOf(file).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC); }

// ---- lines ----------------------------------------------------------------------------------

struct Line {
    std::size_t start = 0;  // first byte
    std::size_t end = 0;    // one past the last byte before the line end
    std::size_t next = 0;   // start of the next line
};

constexpr std::string_view kUtf8Mark("\xEF\xBB\xBF");

// Calls f(line) for each line from `from` on, until it returns false. CR LF, LF and CR
// each end a line.
template <class F>
void ForEachLine(std::string_view text, std::size_t from, F&& f) {
    std::size_t pos = from;
    std::size_t lines = 0;  // counted here, added once: a shared count per line would cost
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        std::size_t next;
        if (end == std::string_view::npos) {
            end = next = text.size();
        } else {
            next = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
        }
        ++lines;
        if (!f(Line{pos, end, next})) break;
        pos = next;
    }
    g_linesWalked.fetch_add(lines, std::memory_order_relaxed);
}

// A line as UTF-8: its bytes when they are ASCII or valid UTF-8, else read as
// Windows-1252. `store` keeps a converted copy alive.
std::string_view Decoded(std::string_view bytes, std::string& store) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            store = DecodeText(bytes);
            return store;
        }
    }
    return bytes;
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

// The value of a key line, at most `limit` characters of it.
std::string ValueOf(std::string_view line, std::size_t limit = kMaxValueLength) {
    std::string_view value = TrimBlanks(line.substr(line.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value.remove_prefix(1);
        value.remove_suffix(1);
    }
    return CutCharacters(value, limit);
}

std::string WithoutLineBreaks(std::string s) {
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

// ---- UTF-16 ---------------------------------------------------------------------------------

// The text of UTF-16 bytes; whole turns false when they are no UTF-16 (an odd byte at
// the end is dropped, a lone surrogate replaced).
std::string FromUtf16(std::string_view bytes, bool bigEndian, bool& whole) {
    std::u16string units(bytes.size() / 2, u'\0');
    whole = bytes.size() % 2 == 0;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const auto a = static_cast<unsigned char>(bytes[2 * i]);
        const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
        units[i] = static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    }
    const auto isHigh = [](char16_t u) { return u >= 0xD800 && u <= 0xDBFF; };
    const auto isLow = [](char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; };
    for (std::size_t i = 0; i < units.size() && whole; ++i) {
        if (isHigh(units[i]) && i + 1 < units.size() && isLow(units[i + 1])) {
            ++i;
        } else if (isHigh(units[i]) || isLow(units[i])) {
            whole = false;
        }
    }
    return QString::fromStdU16String(units).toStdString();
}

std::string ToUtf16(std::string_view utf8, bool bigEndian) {
    const std::u16string units = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toStdU16String();
    std::string bytes = bigEndian ? std::string("\xFE\xFF") : std::string("\xFF\xFE");
    for (const char16_t u : units) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        bytes += bigEndian ? hi : lo;
        bytes += bigEndian ? lo : hi;
    }
    return bytes;
}

// The encoding a file's first bytes give, and its text: after a UTF-16 mark converted to
// UTF-8 (whole false when it is no UTF-16), else its bytes as they are.
std::string TextAfterMark(std::string_view bytes, TextEncoding& encoding, bool& whole) {
    whole = true;
    if (bytes.size() >= 2 && (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")) {
        const bool big = bytes[0] == '\xFE';
        encoding = big ? TextEncoding::Utf16BE : TextEncoding::Utf16LE;
        return FromUtf16(bytes.substr(2), big, whole);
    }
    encoding = TextEncoding::Bytes;
    return std::string(bytes);
}

// Calls f(line, its text as UTF-8) for each line of a file's text (as TextAfterMark gives
// it) until f returns false.
template <class F>
void EachDecodedLine(std::string_view text, TextEncoding encoding, F&& f) {
    const std::size_t from = encoding == TextEncoding::Bytes && text.starts_with(kUtf8Mark) ? kUtf8Mark.size() : 0;
    std::string store;
    ForEachLine(text, from, [&](const Line& l) { return f(l, Decoded(text.substr(l.start, l.end - l.start), store)); });
}

// ---- locks ----------------------------------------------------------------------------------

// flock with the lock timeout; false when it was not had in time. A file system
// without locks counts as locked: nothing else could lock it either.
bool WaitForLock(int fd, int operation) {
    const auto deadline = std::chrono::steady_clock::now() + LockTimeout();
    for (;;) {
        if (::flock(fd, operation | LOCK_NB) == 0) return true;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// The write lock of a file: an exclusive lock on a lock file beside it, removed when
// released; or, where the folder takes no new file, a lock on the file itself.
class WriteLock {
public:
    explicit WriteLock(const std::string& target)
        : folderFd_(OpenFolderOf(target)), lockName_(NameOf(LockFileName(target))) {
        const auto deadline = std::chrono::steady_clock::now() + LockTimeout();
        while (!ok_) {
            fd_ = folderFd_ < 0
                      ? -1
                      : ::openat(folderFd_, lockName_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
            if (fd_ < 0) {
                LockTargetItself(target);
                return;
            }
            if (!WaitForLock(fd_, LOCK_EX)) {
                Close();
                g_lastFailure = Failure::InUse;
                return;
            }
            // The holder before us may have removed the file we locked: lock the new one.
            struct stat held {
            }, now{};
            if (::fstat(fd_, &held) == 0 && ::fstatat(folderFd_, lockName_.c_str(), &now, 0) == 0 &&
                held.st_ino == now.st_ino && held.st_dev == now.st_dev) {
                ok_ = ownsLockFile_ = true;
            } else {
                Close();
                if (std::chrono::steady_clock::now() >= deadline) {
                    g_lastFailure = Failure::InUse;
                    return;
                }
            }
        }
    }
    ~WriteLock() {
        if (ownsLockFile_) ::unlinkat(folderFd_, lockName_.c_str(), 0);
        Close();
        if (folderFd_ >= 0) ::close(folderFd_);
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

    bool Ok() const { return ok_; }
    // Whether the target itself is locked (a read must not lock it again).
    bool OnTarget() const { return ok_ && !ownsLockFile_ && fd_ >= 0; }

private:
    void LockTargetItself(const std::string& target) {
        fd_ = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) {
            ok_ = true;  // a new file in a folder that takes none: the write will say so
            return;
        }
        ok_ = WaitForLock(fd_, LOCK_EX);
        if (!ok_) g_lastFailure = Failure::InUse;
    }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    int folderFd_;
    std::string lockName_;  // in the folder of folderFd_
    int fd_ = -1;
    bool ok_ = false;
    bool ownsLockFile_ = false;
};

// Whether a file of `size` bytes, or a write starting at `size`, passes the largest file
// this process may write (RLIMIT_FSIZE, "ulimit -f"). The system refuses such a write
// with EFBIG but first sends SIGXFSZ, which ends a process that has not set it aside;
// asking first makes the limit a refusal like a full disk's, whoever calls the writer.
bool PastSizeLimit(off_t size, bool writingAt) {
    rlimit limit{};
    if (size < 0 || ::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return false;
    const auto at = static_cast<rlim_t>(size);
    return writingAt ? at >= limit.rlim_cur : at > limit.rlim_cur;
}

Failure WriteFailureOf(int error) {
    g_lastErrno = error;
    return error == ENOSPC || error == EFBIG || error == EDQUOT ? Failure::NoSpace : Failure::WriteFailed;
}

// Writes from the start of the file, wherever its position stands.
bool WriteAllAtStart(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (PastSizeLimit(static_cast<off_t>(done), true)) return Fail(WriteFailureOf(EFBIG));
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail(WriteFailureOf(errno));
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool Flush(int fd) {
    g_flushes.fetch_add(1, std::memory_order_relaxed);
    return ::fsync(fd) == 0 || Fail(WriteFailureOf(errno));
}

// Rewrites an existing file in place: its space is reserved before the first byte
// changes, so a full disk stops the write while the old contents are still whole.
bool WriteInPlace(const std::string& target, std::string_view bytes) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return Fail(WriteFailureOf(errno));
    bool ok = true;
    if (PastSizeLimit(static_cast<off_t>(bytes.size()), false)) {
        ok = Fail(WriteFailureOf(EFBIG));
    } else if (!bytes.empty()) {
        const int r = ::posix_fallocate(fd, 0, static_cast<off_t>(bytes.size()));
        if (r != 0 && r != EOPNOTSUPP && r != EINVAL) ok = Fail(WriteFailureOf(r));
    }
    ok = ok && WriteAllAtStart(fd, bytes);
    ok = ok && (::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 || Fail(WriteFailureOf(errno)));
    ok = ok && Flush(fd);
    if (::close(fd) != 0 && ok) ok = Fail(WriteFailureOf(errno));
    return ok;
}

// Why a resolved target cannot be written (None when it can); exists tells whether
// the file is there.
Failure TargetFailure(const std::string& target, bool& exists) {
    if (!FolderExists(FolderOf(target))) return Failure::NoFolder;
    struct stat st {};
    exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return Failure::NotAFile;
    if (exists && (st.st_mode & S_IWUSR) == 0) return Failure::ReadOnly;
    return Failure::None;
}

// The whole new contents of an already resolved and locked target.
bool WriteFile(const std::string& target, std::string_view bytes) {
    bool exists = false;
    if (const Failure f = TargetFailure(target, exists); f != Failure::None) return Fail(f);
    AtomicFile file(target, true);
    if (!file.Open()) {
        // The folder takes no new file; a writable file can still be rewritten.
        if (exists && ::access(target.c_str(), W_OK) == 0) return WriteInPlace(target, bytes);
        return Fail(Failure::WriteFailed);
    }
    return file.Write(bytes) && file.Commit();
}

}  // namespace

std::string FailureText(Failure failure) {
    switch (failure) {
        case Failure::None: return {};
        case Failure::Missing: return "The file does not exist.";
        case Failure::NotAFile: return "It is not a file.";
        case Failure::TooLarge: return "It is not an assessment file: it is larger than 16 MB.";
        case Failure::Unreadable: return "The file could not be read.";
        case Failure::NoFolder: return "The folder does not exist.";
        case Failure::ReadOnly: return "The file is read-only.";
        case Failure::InUse: return "The file is in use by another copy of the program.";
        case Failure::NoSpace: return "The disk is full.";
        case Failure::WriteFailed: return "The file could not be written.";
    }
    return {};
}

Failure LastFailure() { return g_lastFailure; }

std::string LastFailureCause() {
    // A file-size limit fails as a full disk does, but the disk is not full: say so.
    if (g_lastErrno != 0 &&
        (g_lastFailure == Failure::WriteFailed || (g_lastFailure == Failure::NoSpace && g_lastErrno == EFBIG)))
        return std::strerror(g_lastErrno);
    return FailureText(g_lastFailure);
}

Failure ReadWholeFile(const std::string& file, std::size_t maxBytes, std::string& bytes, bool lock) {
    bytes.clear();
    const auto fail = [](Failure f) { return g_lastFailure = f; };
    ClearFailure();
    // Looked at before it is opened: opening a device may do something by itself.
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return fail(errno == ENOENT || errno == ENOTDIR ? Failure::Missing : Failure::Unreadable);
    if (!S_ISREG(st.st_mode)) return fail(Failure::NotAFile);
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fail(errno == ENOENT || errno == ENOTDIR ? Failure::Missing : Failure::Unreadable);
    Failure status = Failure::None;
    try {
        // Again on what was opened: the name may have been given to a FIFO meanwhile.
        if (::fstat(fd, &st) != 0) {
            status = Failure::Unreadable;
        } else if (!S_ISREG(st.st_mode)) {
            status = Failure::NotAFile;
        } else if (static_cast<std::size_t>(st.st_size) > maxBytes) {
            status = Failure::TooLarge;
        } else if (lock && !WaitForLock(fd, LOCK_SH)) {
            status = Failure::InUse;
        } else {
            // One more byte than the size tells: a file that grew is still caught.
            bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
            std::size_t got = 0;
            while (status == Failure::None) {
                if (got == bytes.size()) {
                    if (bytes.size() > maxBytes) {
                        status = Failure::TooLarge;
                        break;
                    }
                    bytes.resize(std::min(bytes.size() * 2, maxBytes + 1));
                }
                const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) status = Failure::Unreadable;
                if (n <= 0) break;
                got += static_cast<std::size_t>(n);
            }
            bytes.resize(got);
            g_bytesRead.fetch_add(got, std::memory_order_relaxed);
        }
    } catch (const std::bad_alloc&) {
        ::close(fd);
        bytes.clear();
        RaiseOutOfMemory();
    }
    ::close(fd);
    if (status != Failure::None) {
        bytes.clear();
        bytes.shrink_to_fit();
        return fail(status);
    }
    return Failure::None;
}

// ---- Contents ---------------------------------------------------------------------------------

Contents Contents::Load(const std::string& file, bool lock) {
    std::string bytes;
    const Failure status = ReadWholeFile(file, kMaxFileSize, bytes, lock);
    if (status != Failure::None) {
        Contents c;
        c.status_ = status;
        return c;
    }
    return Parse(bytes);
}

Contents Contents::Parse(std::string_view bytes) {
    Contents c;
    // Settings are read whatever a broken character costs them.
    bool whole = true;
    c.text_ = TextAfterMark(bytes, c.encoding_, whole);
    return c;
}

template <class F>
void Contents::EachLine(F&& f) const {
    EachDecodedLine(text_, encoding_, std::forward<F>(f));
}

std::optional<TextLines> DecodeTextLines(std::string_view bytes) {
    TextLines out;
    bool whole = true;
    const std::string text = TextAfterMark(bytes, out.encoding, whole);
    if (!whole) return std::nullopt;
    EachDecodedLine(text, out.encoding, [&out](const Line&, std::string_view line) {
        out.lines.emplace_back(line);
        return true;
    });
    return out;
}

std::string EncodeText(std::string_view utf8, TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::Utf16LE: return ToUtf16(utf8, false);
        case TextEncoding::Utf16BE: return ToUtf16(utf8, true);
        default: return std::string(utf8);
    }
}

// Where a key stands: the first section of its name, that section's last key line and
// the key's first line. With stopAtKey the walk ends at the key.
struct Contents::Location {
    std::optional<Line> header, lastKey, keyLine;
    std::string keySpelling;  // the key's name as the file writes it
    std::string value;
};

Contents::Location Contents::Locate(std::string_view section, std::string_view key, bool stopAtKey) const {
    Location at;
    bool inSection = false;
    EachLine([&](const Line& l, std::string_view line) {
        if (auto name = SectionName(line)) {
            if (inSection) return false;  // only the first section of the name counts
            inSection = SameName(*name, section);
            if (inSection) at.header = l;
            return true;
        }
        if (!inSection) return true;
        const auto k = KeyName(line);
        if (!k) return true;
        at.lastKey = l;
        if (at.keyLine || !SameName(*k, key)) return true;
        at.keyLine = l;
        at.keySpelling = std::string(*k);
        at.value = ValueOf(line, std::string::npos);
        return !stopAtKey;
    });
    return at;
}

std::optional<std::string> Contents::Get(std::string_view section, std::string_view key) const {
    const std::string cacheKey = CacheKey(section, key);
    if (const auto it = found_.find(cacheKey); it != found_.end()) return it->second;
    Location at = Locate(section, key, true);
    std::optional<std::string> value;
    if (at.keyLine) value = CutCharacters(at.value, kMaxValueLength);
    found_.emplace(cacheKey, value);
    return value;
}

std::optional<std::string> Contents::GetWhole(std::string_view section, std::string_view key) const {
    Location at = Locate(section, key, true);
    if (!at.keyLine) return std::nullopt;
    return std::move(at.value);
}

bool Contents::HasSection(std::string_view section) const {
    // The walk ends at the header: the lines of a long section need not be gone through.
    bool found = false;
    EachLine([&](const Line&, std::string_view line) {
        const auto name = SectionName(line);
        found = name && SameName(*name, section);
        return !found;
    });
    return found;
}

void Contents::Prefetch(const std::vector<std::pair<std::string, std::string>>& keys) const {
    std::unordered_set<std::string> wanted, sections, seen;
    for (const auto& [section, key] : keys) {
        const std::string k = CacheKey(section, key);
        if (found_.count(k) == 0) {
            wanted.insert(k);
            sections.insert(Folded(section));
        }
    }
    if (wanted.empty()) return;
    std::unordered_map<std::string, std::optional<std::string>> values;
    std::string current;  // the folded name of a first section that is wanted, else ""
    bool inWanted = false;
    EachLine([&](const Line&, std::string_view line) {
        if (auto name = SectionName(line)) {
            current = Folded(*name);
            inWanted = sections.count(current) != 0 && seen.insert(current).second;
            return true;
        }
        if (!inWanted) return true;
        if (const auto k = KeyName(line)) {
            const std::string cacheKey = current + '\x01' + Folded(*k);
            if (wanted.count(cacheKey) != 0 && values.count(cacheKey) == 0) values.emplace(cacheKey, ValueOf(line));
        }
        return true;
    });
    for (const auto& k : wanted) {
        const auto it = values.find(k);
        found_.emplace(k, it == values.end() ? std::nullopt : it->second);
    }
}

bool Contents::Set(std::string_view section, std::string_view key, const std::optional<std::string>& text) {
    found_.clear();
    const Location at = Locate(section, key, false);
    const auto& keyLine = at.keyLine;
    if (!text) {
        if (!keyLine) return false;
        text_.erase(keyLine->start, keyLine->next - keyLine->start);
        return true;
    }
    const std::string value = WithoutLineBreaks(*text);
    if (keyLine) {
        text_.replace(keyLine->start, keyLine->end - keyLine->start, at.keySpelling + "=" + value);
    } else if (at.header) {
        const Line& after = at.lastKey ? *at.lastKey : *at.header;
        const std::string lineBreak = after.next == after.end ? "\r\n" : "";
        text_.insert(after.next, lineBreak + std::string(key) + "=" + value + (lineBreak.empty() ? "\r\n" : ""));
    } else {
        if (!text_.empty() && text_ != kUtf8Mark && text_.back() != '\n' && text_.back() != '\r') text_ += "\r\n";
        text_ += "[" + std::string(section) + "]\r\n" + std::string(key) + "=" + value + "\r\n";
    }
    return true;
}

std::string Contents::Bytes() const { return EncodeText(text_, encoding_); }

// ---- files ------------------------------------------------------------------------------------

std::string GetString(const std::string& file, const std::string& section, const std::string& key) {
    return Contents::Load(file).Get(section, key).value_or(std::string());
}

bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                 const std::optional<std::string>& text) {
    return WriteStrings(file, {KeyText{section, key, text}});
}

bool WriteStrings(const std::string& file, const std::vector<KeyText>& keys) {
    ClearFailure();
    const std::string target = FinalTarget(file);
    // Checked before the lock too, so that a write bound to fail reads nothing.
    bool exists = false;
    if (const Failure f = TargetFailure(target, exists); f != Failure::None) return Fail(f);
    WriteLock lock(target);
    if (!lock.Ok()) return false;
    Contents contents = Contents::Load(target, !lock.OnTarget());
    if (contents.Status() != Failure::None && contents.Status() != Failure::Missing) return Fail(contents.Status());
    bool changed = false;
    for (const KeyText& k : keys) changed = contents.Set(k.section, k.key, k.text) || changed;
    if (!changed) return true;  // nothing to delete
    return WriteFile(target, contents.Bytes());
}

bool ReplaceFileContents(const std::string& file, const std::string& bytes) {
    ClearFailure();
    const std::string target = FinalTarget(file);
    if (!FolderExists(FolderOf(target))) return Fail(Failure::NoFolder);
    WriteLock lock(target);
    if (!lock.Ok()) return false;
    return WriteFile(target, bytes);
}

Contents::Encoding Contents::EncodingOfFile(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Encoding::Bytes;
    char mark[2] = {};
    struct stat st {};
    const bool read = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::pread(fd, mark, 2, 0) == 2;
    ::close(fd);
    if (read && mark[0] == '\xFF' && mark[1] == '\xFE') return Encoding::Utf16LE;
    if (read && mark[0] == '\xFE' && mark[1] == '\xFF') return Encoding::Utf16BE;
    return Encoding::Bytes;
}

bool ReplaceFileContents(const std::string& file, Contents contents) {
    ClearFailure();
    const std::string target = FinalTarget(file);
    if (!FolderExists(FolderOf(target))) return Fail(Failure::NoFolder);
    WriteLock lock(target);
    if (!lock.Ok()) return false;
    // Taken under the lock: the file another writer has just replaced decides.
    if (contents.encoding_ == Contents::Encoding::Bytes) contents.encoding_ = Contents::EncodingOfFile(target);
    return WriteFile(target, contents.Bytes());
}

bool IsReadOnly(const std::string& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return false;
    return (st.st_mode & S_IWUSR) == 0;
}

bool DeleteFile(const std::string& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return true;
    if ((st.st_mode & S_IWUSR) == 0) return false;
    return ::unlink(file.c_str()) == 0;
}

std::string FinalTarget(const std::string& file) {
    std::string path = file;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n <= 0) return path;
        link.resize(static_cast<std::size_t>(n));
        if (link.front() != '/') link = FolderOf(path).append("/").append(link);
        path = link;
    }
    return path;
}

std::string LockFileName(const std::string& file) {
    return NameBeside(FinalTarget(file), ".", ".lock", [](std::string_view name) {
        return ".~" + std::to_string(std::hash<std::string_view>{}(name)) + ".lock";
    });
}

std::chrono::milliseconds LockTimeout() { return std::chrono::milliseconds(g_lockTimeoutMs.load()); }

void SetLockTimeout(std::chrono::milliseconds timeout) { g_lockTimeoutMs.store(timeout.count()); }

namespace {

// Moves a finished temporary file (a name in the target's folder, open as folderFd)
// over the target, giving it the target's permissions (or the usual ones for a new
// file). False, with the target unchanged, when the target is read-only or the move fails.
bool RenameOver(int folderFd, const std::string& temp, const std::string& file) {
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
    if (::fchmodat(folderFd, temp.c_str(), mode, 0) != 0) return false;
    return ::renameat(folderFd, temp.c_str(), folderFd, NameOf(file).c_str()) == 0;
}

// The temporary files' name pattern beside a file: six X for the random part.
std::string TempPattern(const std::string& file) {
    return NameBeside(file, ".", ".~XXXXXX", [](std::string_view name) {
        return ".~" + std::to_string(std::hash<std::string_view>{}(name)) + ".~XXXXXX";
    });
}

bool IsRandomPart(std::string_view s) {
    for (const char c : s)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

// Removes what a killed write of the file left behind: the regular files beside it whose
// names match its temporary-file pattern exactly. Only under the file's write lock, when
// no other writer can have a temporary file of it open.
void RemoveLeftoverTemporaries(const std::string& file) {
    const std::string pattern = TempPattern(file);
    const auto slash = pattern.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : pattern.substr(0, slash);
    const std::string_view name = std::string_view(pattern).substr(slash == std::string::npos ? 0 : slash + 1);
    const std::string_view fixed = name.substr(0, name.size() - 6);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    const int dfd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view found(entry->d_name);
        if (found.size() != name.size() || !found.starts_with(fixed) || !IsRandomPart(found.substr(fixed.size())))
            continue;
        struct stat st {};
        if (::fstatat(dfd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            ::unlinkat(dfd, entry->d_name, 0);
    }
    ::closedir(dir);
}

// Creates and opens (read-write) a new empty temporary file beside the target, in its
// folder open as folderFd; its descriptor with temp set to its name, or -1 (temp empty,
// errno set) when the folder takes no new file.
int OpenTempBeside(int folderFd, const std::string& file, std::string& temp) {
    static constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const std::string pattern = NameOf(TempPattern(file));
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = pattern;
        for (std::size_t i = temp.size() - 6; i < temp.size(); ++i) temp[i] = kLetters[random() % kLetters.size()];
        const int fd = ::openat(folderFd, temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) return fd;
        if (errno != EEXIST) break;
    }
    const int error = errno;
    temp.clear();
    errno = error;
    return -1;
}

}  // namespace

std::size_t FlushCount() { return g_flushes.load(std::memory_order_relaxed); }
std::size_t BytesRead() { return g_bytesRead.load(std::memory_order_relaxed); }
std::size_t LinesWalked() { return g_linesWalked.load(std::memory_order_relaxed); }

// ---- AtomicFile -------------------------------------------------------------------------------

void SetFileFaultForTesting(std::function<int(FileStage)> fault) { FaultHook() = std::move(fault); }

int WriteAllTo(int fd, std::string_view bytes) {
    if (const int e = InjectedError(FileStage::Write)) return e;
    while (!bytes.empty()) {
        // A write that straddles the limit is cut short there; one that starts there signals.
        if (PastSizeLimit(::lseek(fd, 0, SEEK_CUR), true)) return EFBIG;
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

class AtomicFile::Lock : public WriteLock {
public:
    using WriteLock::WriteLock;
};

AtomicFile::AtomicFile(std::string target, bool lockHeld) : target_(std::move(target)), lockHeld_(lockHeld) {}

AtomicFile::~AtomicFile() { Abandon(); }

bool AtomicFile::Fail(int errnoValue, const std::string& reason) {
    errno_ = errnoValue;
    error_ = target_ + ": " + (reason.empty() ? std::string(std::strerror(errnoValue)) : reason);
    g_lastFailure = WriteFailureOf(errnoValue);
    Abandon();
    return false;
}

bool AtomicFile::Open() {
    ClearFailure();
    if (const int e = InjectedError(FileStage::Open)) return Fail(e);
    // What is written is the link's target; the link stays.
    if (!lockHeld_) target_ = FinalTarget(target_);
    bool exists = false;
    switch (TargetFailure(target_, exists)) {
        case Failure::None: break;
        case Failure::NoFolder: return Fail(ENOENT);
        case Failure::ReadOnly: return Fail(EACCES);
        default: {
            struct stat st {};
            const bool folder = ::stat(target_.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
            return Fail(folder ? EISDIR : EINVAL, folder ? std::string() : FailureText(Failure::NotAFile));
        }
    }
    if (!lockHeld_) {
        lock_ = std::make_unique<Lock>(target_);
        if (!lock_->Ok()) return Fail(EWOULDBLOCK, FailureText(Failure::InUse));
    }
    RemoveLeftoverTemporaries(target_);
    folderFd_ = OpenFolderOf(target_);
    if (folderFd_ < 0) return Fail(errno);
    fd_ = OpenTempBeside(folderFd_, target_, temp_);
    if (fd_ < 0) return Fail(errno);
    return true;
}

bool AtomicFile::Write(std::string_view bytes) {
    if (fd_ < 0) return Fail(EBADF);
    if (const int e = WriteAllTo(fd_, bytes)) return Fail(e);
    return true;
}

bool AtomicFile::Commit() {
    if (fd_ < 0) return Fail(EBADF);
    if (const int e = InjectedError(FileStage::Commit)) return Fail(e);
    g_flushes.fetch_add(1, std::memory_order_relaxed);
    if (::fsync(fd_) != 0) return Fail(errno);
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) return Fail(errno);
    errno = 0;
    if (!RenameOver(folderFd_, temp_, target_)) return Fail(errno ? errno : EACCES);
    temp_.clear();
    ::close(std::exchange(folderFd_, -1));
    lock_.reset();
    return true;
}

void AtomicFile::Abandon() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    if (!temp_.empty()) ::unlinkat(folderFd_, temp_.c_str(), 0);
    temp_.clear();
    if (folderFd_ >= 0) ::close(std::exchange(folderFd_, -1));
    lock_.reset();
}

}  // namespace nuvir::profile
