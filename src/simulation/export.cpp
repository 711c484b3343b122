#include "simulation/export.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <future>
#include <new>
#include <string_view>
#include <vector>

#include "appdata/paths.h"
#include "platform/profile.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "simulation/host.h"
#include "simulation/workers.h"

namespace nuvir {

namespace {

constexpr const char* kLineEnd = "\r\n";
// Text is gathered and handed to the file in blocks of about this size.
constexpr std::size_t kBlock = std::size_t{1} << 20;

constexpr std::string_view kColumnNames[TrialTable::kColumns] = {
    "p1",  "p2",  "p3",         "p4",         "I1",    "I2",    "I3",    "I4",    "I5",    "FC1",   "FC2",
    "FC3", "FC4", "Total_Risk", "Total_Cost", "Risk1", "Risk2", "Risk3", "Risk4", "Cost1", "Cost2", "Cost3"};

// A failed file operation as the runtime reports it: its error number and text.
[[noreturn]] void RaiseFileError(int errnum) {
    switch (errnum) {
        case ENOENT:
        case ENOTDIR: RaiseError(76, "Path not found");
        case EACCES:
        case EPERM:
        case EROFS: RaiseError(70, "Permission denied");
        case ENOSPC:
        case EDQUOT: RaiseError(61, "Disk full");
        // The file-size limit is full as a disk would be; the text names which.
        case EFBIG: RaiseError(61, "File too large");
        case EIO: RaiseError(57, "Device I/O error");
        case EMFILE:
        case ENFILE: RaiseError(67, "Too many files");
        default: RaiseError(75, "Path/File access error");
    }
}

// One output file, written through a temporary file that replaces the old file only
// when every byte is written, so a full disk or a failure leaves an existing file whole.
// Failures raise AppError with the runtime's text; the destructor abandons the write.
class ExportFile {
public:
    explicit ExportFile(const std::string& path) : file_(path) {
        if (!file_.Open()) RaiseFileError(file_.ErrorNumber());
        buffer_.reserve(kBlock + 4096);
    }
    ExportFile(const ExportFile&) = delete;
    ExportFile& operator=(const ExportFile&) = delete;

    std::string& text() { return buffer_; }
    // Adds text, handing the gathered text to the file once a block is full.
    void Write(const std::string& text) {
        buffer_ += text;
        if (buffer_.size() >= kBlock) Flush();
    }
    void Close() {
        Flush();
        if (!file_.Commit()) RaiseFileError(file_.ErrorNumber());
    }

private:
    void Flush() {
        if (buffer_.empty()) return;
        if (!file_.Write(buffer_)) RaiseFileError(file_.ErrorNumber());
        buffer_.clear();
    }

    profile::AtomicFile file_;
    std::string buffer_;
};

// Formats the trial lines in blocks of rows on the worker threads and writes the
// blocks in trial order, so the file is the same as one written line by line. While
// one round of blocks is written the next one is being formatted.
template <class FormatRow>
void WriteTrialLines(ExportFile& file, std::int32_t trials, FormatRow formatRow) {
    constexpr std::int32_t kRowsPerBlock = 4096;
    const std::int32_t blocks = (trials + kRowsPerBlock - 1) / kRowsPerBlock;
    if (blocks <= 0) return;
    const std::int32_t perRound = std::max(1, SimulationWorkerThreads()) * 2;
    auto format = [&](std::int32_t firstBlock, std::vector<std::string>& texts) {
        const int count = static_cast<int>(std::min<std::int32_t>(perRound, blocks - firstBlock));
        ParallelFor(count, [&](int b) {
            std::string& out = texts[static_cast<std::size_t>(b)];
            out.clear();
            const std::int64_t from = std::int64_t{firstBlock + b} * kRowsPerBlock + 1;
            const std::int64_t to = std::min<std::int64_t>(trials, from + kRowsPerBlock - 1);
            for (std::int64_t t = from; t <= to; ++t) {
                formatRow(out, static_cast<std::int32_t>(t));
                out += kLineEnd;
            }
        });
        return count;
    };
    std::vector<std::string> ready(static_cast<std::size_t>(perRound));
    std::vector<std::string> pending(static_cast<std::size_t>(perRound));
    int count = format(0, ready);
    for (std::int32_t first = 0; first < blocks; first += perRound) {
        // The future waits for its task when destroyed, also when a write fails.
        std::future<int> next;
        if (first + perRound < blocks)
            next = std::async(std::launch::async, format, first + perRound, std::ref(pending));
        for (int b = 0; b < count; ++b) file.Write(ready[static_cast<std::size_t>(b)]);
        if (next.valid()) {
            count = next.get();
            std::swap(ready, pending);
        }
    }
}

// Runs one writer; a failure is reported once and marks the run's exports failed.
template <class Write>
void Guarded(bool& exportsFailed, SimulationHost& host, Write&& write) {
    std::string text;
    try {
        write();
        return;
    } catch (const AppError& e) {
        text = e.description();
    } catch (const std::bad_alloc&) {
        text = "Out of memory";
    } catch (const std::exception& e) {
        text = e.what();
    }
    exportsFailed = true;
    host.ShowMessage(text, kExportFailedTitle);
    host.Yield();
}

// One SAM file: the count, the number of variables, their names, then per trial the
// four probabilities in print form and the other variables in plain text.
void WriteSamFile(const TrialTable& table, const std::string& path, bool costs) {
    ExportFile file(path);
    std::string& out = file.text();
    const std::int32_t first = table.firstColumn();
    const std::int32_t n = table.trials();
    const int fromColumn = costs ? 9 : 4;
    const int columns = costs ? 4 : 5;
    out += CStr(Variant(n));
    out += kLineEnd;
    out += costs ? "8" : "9";
    out += kLineEnd;
    for (int c = 0; c < 4; ++c) {
        out += kColumnNames[c];
        out += kLineEnd;
    }
    for (int c = fromColumn; c < fromColumn + columns; ++c) {
        out += kColumnNames[c];
        out += kLineEnd;
    }
    WriteTrialLines(file, n, [&](std::string& line, std::int32_t t) {
        for (int c = 0; c < 4; ++c) {
            if (c > 0) line += '\t';
            line += PrintForm(Variant(table(t, first + c)));
        }
        for (int c = fromColumn; c < fromColumn + columns; ++c) {
            line += '\t';
            AppendDouble(line, table(t, first + c));
        }
    });
    file.Close();
}

}  // namespace

void ExportTrialData(const TrialTable& table, const std::string& exportPaths, bool& exportsFailed,
                     SimulationHost& host) {
    if (exportPaths.empty()) return;
    for (const std::string& piece : Split(exportPaths, "|")) {
        if (exportsFailed) continue;
        const std::string ext = UCase(MUtilities::GetExtension(piece));
        if (ext == "CSV")
            WriteDelimitedTrials(table, piece, ",", exportsFailed, host);
        else if (ext == "SAM")
            WriteSamTrials(table, piece, exportsFailed, host);
        else if (ext == "TXT")
            WriteDelimitedTrials(table, piece, "\t", exportsFailed, host);
    }
}

void WriteDelimitedTrials(const TrialTable& table, const std::string& path, const std::string& delimiter,
                          bool& exportsFailed, SimulationHost& host) {
    Guarded(exportsFailed, host, [&] {
        if (path.empty()) return;
        ExportFile file(path);
        std::string& out = file.text();
        for (int c = 0; c < TrialTable::kColumns; ++c) {
            if (c > 0) out += delimiter;
            out += kColumnNames[c];
        }
        out += kLineEnd;
        const std::int32_t first = table.firstColumn();
        WriteTrialLines(file, table.trials(), [&](std::string& line, std::int32_t t) {
            for (int c = 0; c < TrialTable::kColumns; ++c) {
                if (c > 0) line += delimiter;
                AppendDouble(line, table(t, first + c));
            }
        });
        file.Close();
    });
}

void WriteSamTrials(const TrialTable& table, const std::string& path, bool& exportsFailed, SimulationHost& host) {
    Guarded(exportsFailed, host, [&] {
        // Without a path there is no risk file, and no name for a cost file beside it.
        if (path.empty()) return;
        WriteSamFile(table, path, false);
        if (host.HideManagementCosts()) return;
        WriteSamFile(table, MUtilities::RemoveExtension(path) + "_Costs." + MUtilities::GetExtension(path), true);
    });
}

}  // namespace nuvir
