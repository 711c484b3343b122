#pragma once
// Private-profile (INI) files: "[Section]" lines followed by "key=value" lines. Names
// compare without regard to ASCII case; the first section and the first key of a name
// win. Lines end in CR LF, LF or CR.
//
// Encodings: each line is read as UTF-8 when it is valid UTF-8 and as Windows-1252
// otherwise, and a write keeps the bytes of every line it does not change, so one odd
// line never turns the others into mojibake. A file with a UTF-16 byte-order mark is
// read as UTF-16 and written back as UTF-16 with the same mark.
//
// Safety: only regular files of at most kMaxFileSize bytes are read (a FIFO is never
// opened for a blocking read). A write goes to the final target of a symbolic link,
// through a temporary file renamed over it, under an exclusive lock (a lock file beside
// the target, removed afterwards), so two processes writing keys into one file lose
// none; reads take a shared lock on the file itself. Where the folder takes no new file
// but the file is writable, the file is rewritten in place, its space reserved first.
// A lock not had within the lock timeout is a failure ("in use"), never a hang. A write
// that would pass the process's file-size limit (RLIMIT_FSIZE) is refused before the
// system would answer it with SIGXFSZ, and fails as on a full disk.
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace nuvir::profile {

// Longest value text a read returns; longer values are cut.
inline constexpr std::size_t kMaxValueLength = 4095;
// Largest file that is read at all.
inline constexpr std::size_t kMaxFileSize = 16u << 20;

// Why a read or a write failed.
enum class Failure {
    None,
    Missing,      // read: no such file
    NotAFile,     // a folder, FIFO, device ...
    TooLarge,     // read: above kMaxFileSize
    Unreadable,   // read: an I/O error
    NoFolder,     // write: the folder does not exist
    ReadOnly,     // write: the file is read-only
    InUse,        // the lock was not had in time
    NoSpace,      // write: the disk (or the allowed file size) is full
    WriteFailed,  // write: any other refusal
};
// How a text file's bytes hold its text: without a byte-order mark (or with UTF-8's),
// each line UTF-8 when it is valid UTF-8 and Windows-1252 otherwise; after a UTF-16 mark,
// UTF-16 in that byte order.
enum class TextEncoding { Bytes, Utf16LE, Utf16BE };

// A text file's lines (CR LF, LF and CR end them), each as UTF-8, decoded as profile
// files decode theirs, with the encoding found. Nothing when a file marked as UTF-16 is
// no UTF-16: an odd number of bytes, or a surrogate without its partner (profile files
// read those with the broken characters replaced, a caller that must not guess refuses).
struct TextLines {
    TextEncoding encoding = TextEncoding::Bytes;
    std::vector<std::string> lines;
};
std::optional<TextLines> DecodeTextLines(std::string_view bytes);
// UTF-8 text as the bytes of a file in the encoding: UTF-16 after its byte-order mark,
// or unchanged.
std::string EncodeText(std::string_view utf8, TextEncoding encoding);

// A sentence for a message box ("The disk is full." ...); "" for None.
std::string FailureText(Failure failure);
// The failure of the last read or write of this thread.
Failure LastFailure();
// Its cause for a message: the system's reason for a write it refused for a reason
// Failure does not name ("Permission denied", "Input/output error", "File too large"
// for the file-size limit), else FailureText.
std::string LastFailureCause();

// Reads a whole file, as every file the program reads is read: only a regular file
// (symbolic links followed) is opened, and that without blocking, so a FIFO or device
// never hangs the program; a file above maxBytes is not read (TooLarge), also one that
// claims a smaller size and goes on. lock takes a shared lock on the file while it is
// read. Failure::None with the bytes, else why not (bytes then empty).
Failure ReadWholeFile(const std::string& file, std::size_t maxBytes, std::string& bytes, bool lock = true);

// The contents of one profile file, read once: lookups and edits work on the text in
// memory, and Bytes() gives what a write puts back.
class Contents {
public:
    Contents() = default;
    // Reads the file under a shared lock (lock false: the caller holds the file's
    // lock already). Status() tells what went wrong; the contents are then empty.
    // Memory running out raises the runtime's Out of memory.
    static Contents Load(const std::string& file, bool lock = true);
    // The contents of a file's bytes.
    static Contents Parse(std::string_view bytes);
    Failure Status() const { return status_; }

    // The key's value with blanks and tabs around it removed and a pair of matching
    // enclosing quotes (double or single) stripped, at most kMaxValueLength characters;
    // nullopt when the section or key does not exist.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;
    // The same value however long: for a caller that refuses a longer value rather than
    // take it cut.
    std::optional<std::string> GetWhole(std::string_view section, std::string_view key) const;
    // Finds many keys in one pass over the text; later Gets of them cost nothing.
    void Prefetch(const std::vector<std::pair<std::string, std::string>>& keys) const;
    // True when the text has a section of that name.
    bool HasSection(std::string_view section) const;

    // Writes key=text into the section, creating the section (at the end) and the key
    // (after the last key line of its section) as needed; an existing key is replaced
    // in its line. No text (nullopt) deletes the key. Carriage returns and line feeds
    // in the text become blanks, since they would split the line. False when nothing
    // changed (a key to delete that is not there).
    bool Set(std::string_view section, std::string_view key, const std::optional<std::string>& text);

    std::string Bytes() const;

private:
    friend bool ReplaceFileContents(const std::string& file, Contents contents);
    using Encoding = TextEncoding;
    // The encoding a file's byte-order mark gives (Bytes when it has none or is no file).
    static Encoding EncodingOfFile(const std::string& file);
    struct Location;
    // Calls f(line, its text as UTF-8) for each line until f returns false.
    template <class F>
    void EachLine(F&& f) const;
    Location Locate(std::string_view section, std::string_view key, bool stopAtKey) const;

    std::string text_;  // the file's bytes; UTF-16 files converted to UTF-8
    Encoding encoding_ = Encoding::Bytes;
    Failure status_ = Failure::None;
    mutable std::unordered_map<std::string, std::optional<std::string>> found_;
};

// The key's value as Contents::Get gives it; empty text when the file, section or key
// does not exist or the file cannot be read.
std::string GetString(const std::string& file, const std::string& section, const std::string& key);

// Contents::Set on the file, under its lock. Returns false (LastFailure tells why) when
// the folder does not exist, the file is read-only (owner-write bit clear), not a
// regular file, in use, or the write fails; the old file is then unchanged.
bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                 const std::optional<std::string>& text);
// Several keys set as WriteString sets one, in their order, in one write of the file:
// it takes every one of them or, on failure, none.
struct KeyText {
    std::string section, key;
    std::optional<std::string> text;
};
bool WriteStrings(const std::string& file, const std::vector<KeyText>& keys);

// Writes bytes as the whole new contents of a file, under its lock, so that a failure
// leaves the old file whole. False (LastFailure tells why) on any failure.
bool ReplaceFileContents(const std::string& file, const std::string& bytes);
// The same with the contents' text, in the encoding of the file it replaces: a UTF-16
// file stays UTF-16 with its byte-order mark, as a key written into it would.
bool ReplaceFileContents(const std::string& file, Contents contents);

// A file counts as read-only when its owner-write permission bit is clear.
bool IsReadOnly(const std::string& file);

// Deletes a file; false when it is read-only or cannot be removed. A missing file is
// not an error.
bool DeleteFile(const std::string& file);

// The path a write reaches: symbolic links followed to their final target (which need
// not exist yet).
std::string FinalTarget(const std::string& file);

// The lock file that writers of a file hold (beside its final target).
std::string LockFileName(const std::string& file);
// How long a read or write waits for a lock (5 seconds unless set; tests shorten it).
std::chrono::milliseconds LockTimeout();
void SetLockTimeout(std::chrono::milliseconds timeout);

// A file written whole or not at all, as every file the program writes is written: the
// bytes go to a temporary file beside the final target of the path (links followed),
// under the file's write lock, and replace the target with its permissions only once
// all of them are written and flushed. Until then an existing file keeps its old bytes;
// an abandoned write leaves nothing behind. The temporary file's name is hidden: "." and
// the target's name, then ".~" and six random letters or digits (a name near the longest
// allowed is replaced by its hash). The names beside the target are reached through its
// folder, so they fit whenever the target's path does, up to the longest path allowed.
// Holding the lock, Open first removes the regular files beside the target that match
// that pattern exactly: what a killed write left.
class AtomicFile {
public:
    // lockHeld: the caller holds the file's write lock and has followed its links.
    explicit AtomicFile(std::string target, bool lockHeld = false);
    ~AtomicFile();  // abandons the write unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Takes the lock and creates the temporary file; false (with Error()) when the
    // target cannot be replaced or the folder refuses the temporary file.
    bool Open();
    bool Write(std::string_view bytes);
    // Flushes and closes the temporary file and renames it over the target.
    bool Commit();
    // Removes the temporary file; the target stays as it was.
    void Abandon();

    const std::string& Target() const { return target_; }
    // What went wrong, as "path: reason", for a message box.
    const std::string& Error() const { return error_; }
    // The system's error number of the failure (0 when there was none).
    int ErrorNumber() const { return errno_; }

private:
    class Lock;
    bool Fail(int errnoValue, const std::string& reason = {});

    std::string target_;
    std::string temp_;  // the temporary file's name, in the folder open as folderFd_
    std::string error_;
    int errno_ = 0;
    int fd_ = -1;
    int folderFd_ = -1;
    bool lockHeld_ = false;
    std::unique_ptr<Lock> lock_;
};

// The stages at which tests make writing fail.
enum class FileStage { Open, Write, Commit };
// A test's hook: returning an errno value makes that stage of every write fail as the
// system would. An empty function (the default) injects nothing.
void SetFileFaultForTesting(std::function<int(FileStage)> fault);
// Writes all bytes to a descriptor; 0, or the errno value of the failure (the test hook's
// Write stage included).
int WriteAllTo(int fd, std::string_view bytes);

// How many times file contents were flushed to disk so far (for tests).
std::size_t FlushCount();
// How many bytes ReadWholeFile has read, and how many lines of text the readers of
// profile and text files have gone through, so far (for tests: what a read costs).
std::size_t BytesRead();
std::size_t LinesWalked();

}  // namespace nuvir::profile
