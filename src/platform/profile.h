#pragma once
// Private-profile (INI) files: "[Section]" lines followed by "key=value" lines. Names
// compare without regard to ASCII case; the first section and the first key of a name
// win. Files are written as UTF-8 with CR LF line ends; LF is read too, and a file that
// is not valid UTF-8 is read as Windows-1252. No caching: every call reads the file, and
// every write rewrites it through a temporary file renamed over the old one.
#include <cstddef>
#include <optional>
#include <string>

namespace nuvir::profile {

// Longest value text a read returns; longer values are cut.
inline constexpr std::size_t kMaxValueLength = 4095;

// The key's value with blanks and tabs around it removed and a pair of matching
// enclosing quotes (double or single) stripped, at most kMaxValueLength characters.
// Empty text when the file, section or key does not exist.
std::string GetString(const std::string& file, const std::string& section, const std::string& key);

// Writes key=text into the section, creating the file, the section (at the end of the
// file) and the key (after the last key line of its section) as needed; an existing key
// is replaced in its line. No text (std::nullopt) deletes the key. Returns false when
// the folder does not exist, the file is read-only (owner-write bit clear) or the write
// fails; the old file is then unchanged. Carriage returns and line feeds in the text are
// written as blanks, since they would split the line.
bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                 const std::optional<std::string>& text);

// A file counts as read-only when its owner-write permission bit is clear.
bool IsReadOnly(const std::string& file);

// Deletes a file; false when it is read-only or cannot be removed. A missing file is
// not an error.
bool DeleteFile(const std::string& file);

// Writes bytes to a file through a temporary file in the same folder that is renamed
// over it, so a failure leaves the old file whole. False on any failure (a read-only
// target among them).
bool ReplaceFileContents(const std::string& file, const std::string& bytes);

// Creates and opens (read-write) a new empty temporary file in the target's folder, to be
// renamed over the target later. Its name is the target's followed by a random suffix,
// or a short hidden random name when that would be longer than a file name may be.
// Returns the descriptor and sets temp, or -1 when no file can be created.
int OpenTempBeside(const std::string& file, std::string& temp);

// While an object lives, rewrites of that file skip the flush to disk: a work file built
// up key by key beside its target needs flushing once, before it replaces the target,
// not after every key.
class DeferredFlush {
public:
    explicit DeferredFlush(std::string file);
    ~DeferredFlush();
    DeferredFlush(const DeferredFlush&) = delete;
    DeferredFlush& operator=(const DeferredFlush&) = delete;

private:
    std::string file_;
};

// Flushes a file's contents to disk; false when it cannot be opened or flushed.
bool FlushFile(const std::string& file);

// How many times file contents were flushed to disk so far (for tests of the above).
std::size_t FlushCount();

// Moves a finished temporary file over the target, giving it the target's permissions
// (or the usual ones for a new file). False, with the target unchanged, when the target
// is read-only or the move fails.
bool RenameOver(const std::string& temp, const std::string& file);

}  // namespace nuvir::profile
