#pragma once
// A file written whole or not at all: the report and its template go to a temporary
// file beside the target, which replaces the target only after every byte is written
// and flushed. Until then an existing file keeps its old bytes, and an abandoned write
// leaves nothing behind.
#include <functional>
#include <string>
#include <string_view>

namespace nuvir {

class AtomicFile {
public:
    explicit AtomicFile(std::string target);
    ~AtomicFile();  // removes the temporary file unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file; false (with Error()) when the folder refuses it or
    // the target cannot be replaced.
    bool Open();
    bool Write(std::string_view bytes);
    // Flushes and closes the temporary file and renames it over the target.
    bool Commit();
    // Removes the temporary file; the target stays as it was.
    void Abandon();

    const std::string& Target() const { return target_; }
    // What went wrong, in words, for a message box.
    const std::string& Error() const { return error_; }

private:
    bool Fail(const std::string& what, int errnoValue);

    std::string target_;
    std::string temp_;
    std::string error_;
    int fd_ = -1;
};

// The stages at which tests make writing fail.
enum class FileStage { Open, Write, Commit };
// A test's hook: returning an errno value makes that stage fail as the system would.
// An empty function (the default) injects nothing.
void SetFileFaultForTesting(std::function<int(FileStage)> fault);

}  // namespace nuvir
