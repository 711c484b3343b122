#pragma once
// The batch window's behaviour without the window: the batch list with its Capture,
// Run and Clear commands, the batch files of its File menu, record mode, the state
// tick's enabled and visible rules, the save query and the close. The window (FBatch)
// shows what this holds and forwards its events here; tests drive it directly with a
// fake host (batchhost.h), the fake file dialog and message services.
//
// The session reaches the window only through BatchView (message boxes with the
// window out of the way, its state timer, the hourglass, a repaint) and the main window
// only through BatchHost. Both may be absent: no host means no capture and no run.
//
// A batch run yields to the event loop once per line. While it runs every command of
// the batch window is refused and the list is read-only, so nothing can change the
// list, the data or the output under the walk.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "batch/batchhost.h"
#include "batch/batchlist.h"
#include "platform/profile.h"

namespace nuvir {

class BatchCsvWriter;
class MessageBoxService;
struct FailedLines;

// What the session needs of its window.
class BatchView {
public:
    virtual ~BatchView() = default;
    // Gets the window out of the way of a message box (minimised), runs showBox, puts
    // the window back, and returns showBox's answer.
    virtual int AroundMessage(const std::function<int()>& showBox) = 0;
    virtual void SetStateTimer(bool on) = 0;
    virtual void SetBusyCursor(bool on) = 0;
    // Shows the session's current state.
    virtual void ShowState() = 0;
};

// One line after another of a batch file.
class BatchLineReader {
public:
    virtual ~BatchLineReader() = default;
    // The next line without its line end; false at the end. A failed read raises AppError.
    virtual bool ReadLine(std::string& line) = 0;
    // How the file holds its text, which a save of the list keeps.
    virtual profile::TextEncoding Encoding() const { return profile::TextEncoding::Bytes; }
};
// Opens a batch file for reading; raises AppError when it cannot be opened.
using BatchReaderFactory = std::function<std::unique_ptr<BatchLineReader>(const std::string& path)>;
// The file's lines, ended by CR LF, LF or a lone CR, decoded as the settings files are
// (profile::DecodeTextLines): each line UTF-8, else Windows-1252; UTF-16 after its
// byte-order mark. Only a regular file of at most BatchList::kMaxFileBytes that decodes
// to lines without a NUL is read; anything else raises AppError with a sentence that
// names the file and why (for a larger file, the limit).
std::unique_ptr<BatchLineReader> OpenBatchLines(const std::string& path);

// The enabled, visible and caption states of the window's controls.
struct BatchControls {
    bool captureVisible = false;
    bool runVisible = false;
    bool clearVisible = false;
    bool captureEnabled = true;
    bool runEnabled = false;
    bool clearEnabled = false;
    bool labelsVisible = false;
    bool fileMenuEnabled = true;
    bool saveEnabled = false;
    bool recordMenuEnabled = true;
    bool listReadOnly = false;
    std::string labelCaption = "Captured Specs:";
    std::string recordCaption = "&Record";
};

// Window geometry in twips.
struct TwipsRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

namespace batchmode {
inline constexpr int kRecord = 0;
inline constexpr int kNormal = 1;
}  // namespace batchmode

// The set-foreground flag every message box of the batch window carries.
inline constexpr int kSetForeground = 65536;

class BatchSession {
public:
    explicit BatchSession(BatchView* port = nullptr);

    // The main window it drives ("Parent"); nullptr detaches.
    void SetHost(BatchHost* host) { host_ = host; }
    void SetReaderFactory(BatchReaderFactory factory) { reader_ = std::move(factory); }

    BatchList& List() { return list_; }
    const BatchList& List() const { return list_; }
    const BatchControls& Controls() const { return controls_; }
    int BatchFormMode() const { return mode_; }
    bool Running() const { return running_; }
    bool CloseRequested() const { return closeRequested_; }

    // The first activation's set-up: Run and Clear shown but disabled, labels hidden,
    // an empty list, the state timer on.
    void InitialiseBatchWindow();
    // Every activation clears CloseRequested.
    void Activated() { closeRequested_ = false; }

    // The buttons and menus.
    void Capture();
    bool RunBatch();
    void ClearBatch(bool query);
    bool SaveBatchFile();
    bool OpenBatchFile();
    void ToggleRecord();
    // An edit of the list in the view.
    void ListEdited(const std::string& text);

    // The state tick's second half: enabled and visible states from the list.
    void RefreshBatchControls();
    // Where the window goes: centred over the main window, or, recording, on its top
    // edge 1500 twips short of its right edge.
    static TwipsRect PositionFor(int mode, const TwipsRect& parent, double width, double height);

    // True when the analyst wants the changed list saved.
    bool QueryBatchSave();
    // A message box of the batch window: state timer off and the window out of the
    // way while it shows. True for Yes or OK.
    bool BatchMessage(const std::string& prompt, int buttons, const std::string& title);
    // Any close of the window: false (stay open) when the save asked for failed or was
    // cancelled, or while a run is going on. Sets CloseRequested.
    bool QueryClose();
    // BatchMessage's box with its answer as given; the style as passed.
    int MessageAnswer(const std::string& prompt, int style, const std::string& title);

    // The message a command gets while the main window is busy.
    static constexpr const char* kMainWindowBusy =
        "The main window is running a simulation or writing a report.\r\n\r\nTry again when it has finished.";

private:
    // True, after saying so, when the main window is busy and the command must wait.
    bool RefusedWhileMainBusy();
    bool ConfirmForcedPath(const std::string& chosen, const std::string& forced, const std::string& title);
    void WalkList(BatchCsvWriter& out, FailedLines& failures);
    bool ConfirmCutFile(const std::string& path);
    // The list is the file at `path` from now on, unchanged: the batch folder, the
    // window's caption and the list's file name follow it.
    void BindListFile(const std::string& path);
    // True when path is the file the list was last saved to or opened from.
    bool IsListFile(const std::string& path) const;
    void SetStateTimer(bool on);
    void Show();

    BatchView* port_ = nullptr;
    BatchHost* host_ = nullptr;
    BatchReaderFactory reader_;
    BatchList list_;
    BatchControls controls_;
    int mode_ = batchmode::kNormal;
    bool closeRequested_ = false;
    bool running_ = false;
    bool stateTimerOn_ = false;
    // The message service the run routes through BatchMessage.
    MessageBoxService* plainMessages_ = nullptr;
    // The file of the last open that did not fit whole into the list: saving over it
    // asks first, since its lines beyond the list would be lost.
    struct CutFile {
        unsigned long long device = 0, inode = 0;
        std::size_t fileLines = 0, keptLines = 0;
    };
    std::optional<CutFile> cut_;
    // The file the list is bound to, with its folder ("" when none).
    std::string listFile_;
    // How the file the list was opened from held its text; a save writes it so.
    profile::TextEncoding encoding_ = profile::TextEncoding::Bytes;
};

// The lines of a batch run that failed: how many, and the first by its number in the
// list and its own text (what an earlier line left in force may be another species).
struct FailedLines {
    int count = 0;
    int firstLine = 0;
    std::string firstText;
};
// The end message of a run of `lines` lines of which some failed. The first failed line
// is quoted with its control characters as blanks and cut after kFailedLineChars
// characters, an ellipsis in place of the rest.
std::string FailedLinesText(const FailedLines& failures, int lines);
inline constexpr std::size_t kFailedLineChars = 60;

// The starting folder of the batch dialogs: BatchPath, or the program's folder.
std::string BatchFolder();
// A chosen name with its extension made ext (".RAB", ".CSV"); a name that already
// ends in ext in any case keeps its own spelling.
std::string ForceExtension(const std::string& chosen, const std::string& ext);
// The fifteen result columns' names after the state's own, as the header ends.
inline constexpr const char* kBatchHeaderSuffix =
    ",n,TBR,TBRMean,TBRSD,TBRMin,TBRMax,TBRLCL,TBRUCL,Cost,CostMean,CostSD,CostMin,CostMax,CostLCL,CostUCL";
// The fifteen values of a data line, each after its ",".
std::string BatchResultFields(const BatchResult& r);

}  // namespace nuvir
