#include "batch/batchsession.h"

#include <sys/stat.h>

#include <exception>
#include <memory>

#include "appdata/appdata.h"
#include "appdata/appservices.h"
#include "appdata/paths.h"
#include "numerics/numerics.h"
#include "platform/handlerguard.h"
#include "platform/profile.h"
#include "platform/services.h"
#include "runtime/convert.h"
#include "runtime/error.h"

namespace nuvir {

namespace {

class FileLines : public BatchLineReader {
public:
    explicit FileLines(profile::TextLines text) : text_(std::move(text)) {}
    bool ReadLine(std::string& line) override {
        if (next_ >= text_.lines.size()) return false;
        line = std::move(text_.lines[next_++]);
        return true;
    }
    profile::TextEncoding Encoding() const override { return text_.encoding; }

private:
    profile::TextLines text_;
    std::size_t next_ = 0;
};

// Sends the message boxes of the main window's run, while a batch run goes on, through
// the batch window, so that none opens hidden behind it.
class RoutedMessages : public MessageBoxService {
public:
    explicit RoutedMessages(BatchSession& session) : session_(session) {}
    int Show(const std::string& text, int style, const std::string& title) override {
        return session_.MessageAnswer(text, style | kSetForeground, title);
    }

private:
    BatchSession& session_;
};

}  // namespace

std::unique_ptr<BatchLineReader> OpenBatchLines(const std::string& path) {
    std::string bytes;
    const profile::Failure failure = profile::ReadWholeFile(path, BatchList::kMaxFileBytes, bytes);
    if (failure == profile::Failure::TooLarge) {
        RaiseComponentError("The batch file \"" + path + "\" was not read: it is larger than " +
                            std::to_string(BatchList::kMaxFileBytes) + " bytes, more than a batch list of at most " +
                            std::to_string(BatchList::kMaxChars) + " characters can take.");
    }
    if (failure != profile::Failure::None)
        RaiseComponentError("The batch file \"" + path + "\" could not be read.\r\n\r\n" +
                            profile::FailureText(failure));
    std::optional<profile::TextLines> text = profile::DecodeTextLines(bytes);
    // Guessed text would run as lines no one wrote.
    if (!text)
        RaiseComponentError("The batch file \"" + path +
                            "\" was not read: it begins with a UTF-16 byte-order mark, but what follows is no "
                            "UTF-16 text.");
    // No list holds a NUL: lines of them are text read in the wrong encoding, whose keys
    // no line would recognise.
    for (std::size_t n = 0; n < text->lines.size(); ++n) {
        if (text->lines[n].find('\0') == std::string::npos) continue;
        RaiseComponentError("The batch file \"" + path + "\" was not read: line " + std::to_string(n + 1) +
                            " holds a NUL character, which no batch line may hold (as text in UTF-32, or in UTF-16 "
                            "without its byte-order mark, would).");
    }
    return std::make_unique<FileLines>(std::move(*text));
}

// The batch CSV, written as every output of the program is: line by line into a hidden
// temporary file beside the target (it grows while the run goes on), which replaces the
// target only once the run has ended. Until then an earlier CSV stays whole, whatever
// stops the run: a full disk, an error, the program killed.
class BatchCsvWriter {
public:
    void Open(const std::string& path) {
        path_ = path;
        file_ = std::make_unique<profile::AtomicFile>(path);
        if (!file_->Open()) Fail();
    }
    void Write(const std::string& line) {
        if (!file_->Write(line)) Fail();
    }
    void Commit() {
        if (file_ && !file_->Commit()) Fail();
    }
    // What was written goes; the target stays as it was.
    void Abandon() noexcept {
        if (file_) file_->Abandon();
    }

private:
    [[noreturn]] void Fail() {
        // The writer's text is "target: reason"; the message names the file as chosen.
        std::string reason = file_->Error();
        const std::string prefix = file_->Target() + ": ";
        if (reason.starts_with(prefix)) reason.erase(0, prefix.size());
        RaiseComponentError("The batch output file \"" + path_ + "\" could not be written: " + reason);
    }

    std::string path_;
    std::unique_ptr<profile::AtomicFile> file_;
};

std::string BatchFolder() { return BatchPath.empty() ? App().path : BatchPath; }

std::string ForceExtension(const std::string& chosen, const std::string& ext) {
    const std::string name = MUtilities::GetFileName(chosen);
    const std::string stem = MUtilities::RemoveExtension(name);
    if (EqualsNoCase(name.substr(stem.size()), ext)) return chosen;
    return MUtilities::AddBackslash(MUtilities::GetPathPart(chosen)) + stem + ext;
}

std::string BatchResultFields(const BatchResult& r) {
    std::string s;
    const auto add = [&s](double x) { s += "," + PrintFileForm(x); };
    const auto stats = [&add](const BatchOutputStats& o) {
        for (const double x : {o.mean, o.sd, o.min, o.max, o.lowerLimit, o.upperLimit}) add(x);
    };
    add(r.trials);
    add(r.pointTotalRisk);
    stats(r.risk);
    add(r.pointTotalCost);
    stats(r.cost);
    return s;
}

std::string FailedLinesText(const FailedLines& failures, int lines) {
    const std::string text = BlankControls(failures.firstText);
    const std::string cut = CutCharacters(text, kFailedLineChars);
    const std::string first = "line " + std::to_string(failures.firstLine) + " (\"" + cut +
                              (cut.size() < text.size() ? "\xE2\x80\xA6" : "") + "\")";
    const std::string which = lines == 1 ? std::string("its one line failed: ")
                                         : std::to_string(failures.count) + " of its " + std::to_string(lines) +
                                               " lines failed" + (failures.count == 1 ? ": " : "; the first was ");
    return "The batch run has ended, but " + which + first +
           ".\r\n\r\nA line that failed has no line in the CSV file, and the lines after it ran without its values.";
}

BatchSession::BatchSession(BatchView* port) : port_(port) {}

void BatchSession::Show() {
    if (port_ != nullptr) port_->ShowState();
}

void BatchSession::SetStateTimer(bool on) {
    stateTimerOn_ = on;
    if (port_ != nullptr) port_->SetStateTimer(on);
}

void BatchSession::InitialiseBatchWindow() {
    controls_.captureVisible = false;
    controls_.runVisible = true;
    controls_.clearVisible = true;
    controls_.runEnabled = false;
    controls_.clearEnabled = false;
    controls_.labelsVisible = false;
    ClearBatch(false);
    SetStateTimer(true);
    Show();
}

void BatchSession::RefreshBatchControls() {
    if (running_) return;
    const bool has = list_.HasText();
    // The commands wait while the main window runs or reports.
    const bool free = host_ == nullptr || !host_->Busy();
    controls_.runEnabled = has && free;
    controls_.clearEnabled = has && free;
    controls_.captureEnabled = free;
    controls_.fileMenuEnabled = mode_ == batchmode::kNormal && free;
    controls_.saveEnabled = list_.ListChanged() && has;
    controls_.labelsVisible = list_.Counter() > 0;
    Show();
}

TwipsRect BatchSession::PositionFor(int mode, const TwipsRect& parent, double width, double height) {
    if (mode != batchmode::kRecord) {
        return {(parent.width - width) / 2 + parent.left, (parent.height - height) / 2 + parent.top, width, height};
    }
    return {parent.left + parent.width - width - 1500, parent.top, width, height};
}

int BatchSession::MessageAnswer(const std::string& prompt, int style, const std::string& title) {
    // A box shown while the timer is off (during a run) must not switch it on.
    const bool timerWasOn = stateTimerOn_;
    SetStateTimer(false);
    MessageBoxService& boxes = plainMessages_ != nullptr ? *plainMessages_ : MessageBoxes();
    const auto show = [&] { return boxes.Show(prompt, style, title); };
    const int answer = port_ != nullptr ? port_->AroundMessage(show) : show();
    SetStateTimer(timerWasOn);
    return answer;
}

bool BatchSession::BatchMessage(const std::string& prompt, int buttons, const std::string& title) {
    const int answer = MessageAnswer(prompt, buttons | kSetForeground, title);
    return answer == mb::Yes || answer == mb::OK;
}

bool BatchSession::QueryBatchSave() {
    if (!list_.ListChanged()) return false;
    return BatchMessage("Current batch set has changed.\r\n\r\nSave?", mb::YesNo, "NUVIR Batch: Query Save");
}

bool BatchSession::RefusedWhileMainBusy() {
    if (host_ == nullptr || !host_->Busy()) return false;
    BatchMessage(kMainWindowBusy, mb::OKOnly, "NUVIR Batch Module");
    return true;
}

void BatchSession::ClearBatch(bool query) {
    if (running_ || (query && RefusedWhileMainBusy())) return;
    if (query && QueryBatchSave() && !SaveBatchFile()) return;
    list_.Clear();
    listFile_.clear();
    encoding_ = profile::TextEncoding::Bytes;
    cut_.reset();
    controls_.labelsVisible = false;
    Show();
}

void BatchSession::Capture() {
    if (running_ || host_ == nullptr || RefusedWhileMainBusy()) return;
    try {
        const std::string spec = host_->CaptureState();
        // A code that names no distribution is written "?", which a batch line reads as
        // uniform: a run the main window would refuse. Relative uncertainty never uses it.
        bool absolute = false;
        TryStep([&] { absolute = CLng(AppData(item::kUncertaintyMode)) == 1; });
        const DistributionFaults faults = absolute ? DistributionCodesAtFault(AppData) : DistributionFaults{};
        if (faults.count > 0) {
            BatchMessage("The assessment was not captured: the distribution code of " + faults.first +
                             " names no distribution.\r\n\r\nChoose one in its editor first.",
                         mb::OKOnly, "Error capturing batch spec");
        } else if (!list_.AppendSpec(spec)) {
            BatchMessage("The assessment was not captured: the batch list holds at most " +
                             std::to_string(BatchList::kMaxChars) + " characters, and it has " +
                             std::to_string(list_.Length()) + ".",
                         mb::OKOnly, "Error capturing batch spec");
        }
    } catch (const std::exception&) {
        BatchMessage(CurrentErrorText(), mb::OKOnly, "Error capturing batch spec");
    }
    Show();
}

void BatchSession::ListEdited(const std::string& text) {
    if (running_ || list_.SetText(text)) return;
    BatchMessage("The change was not made: the batch list holds at most " + std::to_string(BatchList::kMaxChars) +
                     " characters, and it would have had " + std::to_string(CharCount(text)) + ".",
                 mb::OKOnly, "NUVIR Batch Module");
    Show();  // the view shows the list as it stays
}

void BatchSession::ToggleRecord() {
    if (running_) return;
    const bool toRecord = mode_ == batchmode::kNormal;
    controls_.recordCaption = toRecord ? "Stop Recording" : "&Record";
    controls_.captureVisible = toRecord;
    controls_.runVisible = !toRecord;
    controls_.clearVisible = !toRecord;
    mode_ = toRecord ? batchmode::kRecord : batchmode::kNormal;
    RefreshBatchControls();
}

bool BatchSession::ConfirmForcedPath(const std::string& chosen, const std::string& forced, const std::string& title) {
    // The dialog asked about the name chosen, not about the one written.
    if (forced == chosen || !FileFunctions::FileExists(forced)) return true;
    return BatchMessage("\"" + MUtilities::GetFileName(forced) + "\" already exists.\r\nDo you want to replace it?",
                        mb::YesNo, title);
}

bool BatchSession::IsListFile(const std::string& path) const {
    struct stat list {};
    struct stat other {};
    return !listFile_.empty() && ::stat(listFile_.c_str(), &list) == 0 && ::stat(path.c_str(), &other) == 0 &&
           list.st_dev == other.st_dev && list.st_ino == other.st_ino;
}

bool BatchSession::ConfirmCutFile(const std::string& path) {
    struct stat st {};
    if (!cut_ || ::stat(path.c_str(), &st) != 0 || st.st_dev != cut_->device || st.st_ino != cut_->inode) return true;
    // The list as it is now: edits since the open changed its count, not the lines of
    // the file that were never read.
    const std::string& text = list_.Text();
    std::size_t listLines = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++listLines;
    if (!text.empty() && !text.ends_with("\r\n")) ++listLines;
    const std::string n = std::to_string(cut_->fileLines);
    if (!BatchMessage("The file holds " + n + " lines, the list " + std::to_string(listLines) + "; lines " +
                          std::to_string(cut_->keptLines + 1) + " to " + n +
                          " of the file were never read into the list and would be lost.\r\n\r\nReplace \"" +
                          MUtilities::GetFileName(path) + "\" all the same?",
                      mb::YesNo, "Save batch file"))
        return false;
    // Once agreed, the file will hold the list.
    cut_.reset();
    return true;
}

bool BatchSession::SaveBatchFile() {
    if (running_ || RefusedWhileMainBusy()) return false;
    const std::string name = list_.BatchFileName().empty() ? std::string("*.RAB") : list_.BatchFileName();
    const std::string chosen = MUtilities::ShowFileDialog(MUtilities::filemode::kSave, "Save batch file", "*.RAB",
                                                          MUtilities::AddBackslash(BatchFolder()) + name);
    if (chosen.empty()) return false;
    const std::string path = ForceExtension(chosen, ".RAB");
    if (!ConfirmForcedPath(chosen, path, "Save batch file") || !ConfirmCutFile(path)) return false;
    if (!profile::ReplaceFileContents(path, profile::EncodeText(list_.Text(), encoding_))) {
        BatchMessage("The batch file \"" + path + "\" could not be written.\r\n\r\n" + profile::LastFailureCause(),
                     mb::OKOnly, "Error saving batch file");
        return false;
    }
    BindListFile(path);
    Show();
    return true;
}

void BatchSession::BindListFile(const std::string& path) {
    BatchPath = MUtilities::GetPathPart(path);
    const std::string file = MUtilities::GetFileName(path);
    listFile_ = path;
    list_.ShowFileInCaption(file);
    list_.SetBatchFileName(file);
    list_.SetListChanged(false);
}

bool BatchSession::OpenBatchFile() {
    if (running_ || RefusedWhileMainBusy()) return false;
    list_.SetBatchFileName("");
    listFile_.clear();
    if (QueryBatchSave() && !SaveBatchFile()) return false;
    ClearBatch(false);
    // The open dialog proposes no name, only the folder.
    const std::string chosen = MUtilities::ShowFileDialog(MUtilities::filemode::kOpenExisting, "Open batch file",
                                                          "*.RAB", MUtilities::AddBackslash(BatchFolder()));
    if (chosen.empty()) return false;
    bool result = false;
    try {
        const auto reader = reader_ ? reader_(chosen) : OpenBatchLines(chosen);
        encoding_ = reader->Encoding();
        std::string line;
        std::size_t lines = 0, kept = 0;
        // The lines after the first that does not fit are counted, not read into the list.
        while (reader->ReadLine(line)) {
            ++lines;
            if (kept + 1 == lines && list_.AppendSpec(line)) ++kept;
        }
        BindListFile(chosen);
        result = true;
        if (kept < lines) {
            struct stat st {};
            if (::stat(chosen.c_str(), &st) == 0) cut_ = CutFile{st.st_dev, st.st_ino, lines, kept};
            Show();
            BatchMessage("Only the first " + std::to_string(kept) + " of the " + std::to_string(lines) +
                             " lines of \"" + list_.BatchFileName() + "\" were read: the batch list holds at most " +
                             std::to_string(BatchList::kMaxChars) + " characters.",
                         mb::OKOnly, "Open batch file");
        }
    } catch (const std::exception&) {
        BatchMessage(CurrentErrorText(), mb::OKOnly, "Error opening batch file");
    }
    Show();
    return result;
}

void BatchSession::WalkList(BatchCsvWriter& out, FailedLines& failures) {
    std::size_t p = 0;
    bool headerWritten = false;
    for (;;) {
        const std::string& text = list_.Text();
        if (p >= text.size()) break;
        const std::size_t q = text.find("\r\n", p);
        std::string line;
        if (q == std::string::npos) {
            line = Trim(std::string_view(text).substr(p));
            p = text.size();
        } else {
            line = Trim(std::string_view(text).substr(p, q - p));
            p = q + 2;
        }
        if (line.empty()) break;
        list_.IncrementSpecCounter();
        Show();
        DoEvents();
        // A line that fails hands none of its changes on: the lines after it start from
        // what the line before it left, as if it had not been there. A line holding a NUL
        // (pasted from another program) fails unrun: its keys would go unread.
        const Variant before = AppData;
        const bool readable = line.find('\0') == std::string::npos;
        const std::optional<BatchResult> r = readable ? host_->RunBatchSimulation(line) : std::nullopt;
        if (!r) {
            if (failures.count++ == 0) {
                failures.firstLine = list_.Counter();
                failures.firstText = line;
            }
            AppData = before;
        }
        if (!headerWritten) {
            out.Write(host_->SerialiseState(2) + kBatchHeaderSuffix + "\r\n");
            headerWritten = true;
        }
        if (r) out.Write(host_->SerialiseState(1) + BatchResultFields(*r) + "\r\n");
    }
}

bool BatchSession::RunBatch() {
    if (running_ || host_ == nullptr || RefusedWhileMainBusy()) return false;
    std::string proposed = list_.BatchFileName().empty() ? std::string("BatchOutput.CSV")
                                                         : MUtilities::RemoveExtension(list_.BatchFileName()) + ".CSV";
    // A list kept as a .CSV file would be offered as its own results file.
    if (IsListFile(MUtilities::AddBackslash(BatchFolder()) + proposed)) proposed = "BatchOutput.CSV";
    // Kept before anything can fail, so every road gives the label its caption back.
    const std::string savedCaption = controls_.labelCaption;
    const Variant savedData = AppData;
    const bool timerWasOn = stateTimerOn_;

    running_ = true;
    controls_.captureEnabled = controls_.runEnabled = controls_.clearEnabled = false;
    controls_.saveEnabled = false;
    controls_.listReadOnly = true;
    Show();

    RoutedMessages routed(*this);
    plainMessages_ = &MessageBoxes();
    ServiceSet services{&routed, &ColourDialog(), &Help(), &Viewer(), &Yielder()};
    ScopedServices scope(services);

    bool result = false;
    BatchCsvWriter out;
    try {
        AppData = host_->GetAppDataDefaults();
        host_->StartBatch();
        const std::string chosen = MUtilities::ShowFileDialog(MUtilities::filemode::kSave, "Run batch file", "*.CSV",
                                                              MUtilities::AddBackslash(BatchFolder()) + proposed);
        const std::string path = chosen.empty() ? chosen : ForceExtension(chosen, ".CSV");
        const bool ownList = !path.empty() && IsListFile(path);
        if (ownList) {
            BatchMessage("The results were not written to \"" + MUtilities::GetFileName(path) +
                             "\": it is the file of the batch list being run.\r\n\r\nRun again and choose another "
                             "file for them.",
                         mb::OKOnly, "Run batch file");
        }
        if (!path.empty() && !ownList && ConfirmForcedPath(chosen, path, "Run batch file")) {
            out.Open(path);
            SetStateTimer(false);
            controls_.fileMenuEnabled = controls_.recordMenuEnabled = false;
            if (port_ != nullptr) port_->SetBusyCursor(true);
            list_.SetCounter(0);
            controls_.labelCaption = "Spec Being Run:";
            controls_.labelsVisible = true;
            Show();
            DoEvents();
            FailedLines failures;
            WalkList(out, failures);
            out.Commit();
            if (port_ != nullptr) port_->SetBusyCursor(false);
            SetStateTimer(true);
            controls_.fileMenuEnabled = controls_.recordMenuEnabled = true;
            result = true;
            if (failures.count == 0) {
                BatchMessage("Batch run complete.", mb::OKOnly, "Success running batch file");
            } else {
                BatchMessage(FailedLinesText(failures, list_.Counter()), mb::OKOnly, "Error running batch file");
            }
            controls_.labelCaption = savedCaption;
        }
    } catch (const std::exception&) {
        // Nothing of a run that stopped replaces an earlier file.
        out.Abandon();
        if (port_ != nullptr) port_->SetBusyCursor(false);
        result = false;
        SetStateTimer(timerWasOn);
        BatchMessage(CurrentErrorText(), mb::OKOnly, "Error running batch file");
        controls_.fileMenuEnabled = controls_.recordMenuEnabled = true;
        controls_.labelCaption = savedCaption;
    }

    // The clean-up of every road.
    out.Abandon();
    AppData = savedData;
    try {
        host_->EndBatch();
    } catch (const std::exception&) {
    }
    plainMessages_ = nullptr;
    running_ = false;
    controls_.listReadOnly = false;
    RefreshBatchControls();
    return result;
}

bool BatchSession::QueryClose() {
    if (running_ || (QueryBatchSave() && !SaveBatchFile())) {
        closeRequested_ = false;
        return false;
    }
    closeRequested_ = true;
    return true;
}

}  // namespace nuvir
