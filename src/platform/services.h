#pragma once
// The modal and outside services the windows use, each behind an interface so tests
// answer them from a script (tests/support/fakeservices.h) instead of a screen:
// message boxes, the colour dialog, help, opening a file in the program associated
// with its type, and yielding to the event loop.
//
// The file dialog is in filedialog.h; the application facts in appdata/appservices.h.
// Qt's implementations are in services_qt.h: this part needs no window system.
#include <optional>
#include <string>
#include <vector>

#include "platform/colour.h"

namespace nuvir {

// Buttons, icons and answers of a message box, as numbers.
namespace mb {
constexpr int OKOnly = 0;
constexpr int OKCancel = 1;
constexpr int AbortRetryIgnore = 2;
constexpr int YesNoCancel = 3;
constexpr int YesNo = 4;
constexpr int RetryCancel = 5;
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
constexpr int DefaultButton2 = 256;
constexpr int DefaultButton3 = 512;
// answers
constexpr int OK = 1;
constexpr int Cancel = 2;
constexpr int Abort = 3;
constexpr int Retry = 4;
constexpr int Ignore = 5;
constexpr int Yes = 6;
constexpr int No = 7;
}  // namespace mb

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // Shows `text` (lines broken by CR LF) with the buttons and icon of `style`;
    // returns the answer. Closing the box without a button gives Cancel when the box
    // has one, else the only button.
    virtual int Show(const std::string& text, int style, const std::string& title) = 0;
};

class ColourDialogService {
public:
    virtual ~ColourDialogService() = default;
    // The chosen colour, or nothing when the user cancelled.
    virtual std::optional<Colour> ChooseColour(Colour initial) = 0;
};

class HelpService {
public:
    virtual ~HelpService() = default;
    // Opens `helpFile` at a context number (0 = its contents). A help file that is
    // missing or cannot be shown is reported to the user in a message, never silently.
    virtual void ShowHelp(const std::string& helpFile, int contextId) = 0;
};

class ViewerService {
public:
    virtual ~ViewerService() = default;
    // Opens the file in the program associated with its type; false when nothing
    // could be started.
    virtual bool OpenInViewer(const std::string& path) = 0;
    // The program associated with the file's type (its desktop entry, e.g.
    // "libreoffice-writer.desktop"), or "" when there is none.
    virtual std::string AssociatedProgram(const std::string& path) = 0;
    // Starts a program, detached, with one argument passed as it is (no shell, no
    // quoting); false when it could not be started.
    virtual bool StartProgram(const std::string& program, const std::string& argument) = 0;
};

class YieldService {
public:
    virtual ~YieldService() = default;
    // Lets the event loop handle pending events, then returns.
    virtual void Yield() = 0;
};

// ---- the services in use -----------------------------------------------------------

// Null members mean the standard implementation. The caller keeps ownership.
struct ServiceSet {
    MessageBoxService* messageBox = nullptr;
    ColourDialogService* colourDialog = nullptr;
    HelpService* help = nullptr;
    ViewerService* viewer = nullptr;
    YieldService* yield = nullptr;
};

MessageBoxService& MessageBoxes();
ColourDialogService& ColourDialog();
HelpService& Help();
ViewerService& Viewer();
YieldService& Yielder();

// The standard implementations, used for each member a set leaves null: the program
// installs Qt's at start-up (InstallQtServices, services_qt.h). A service asked for
// with neither raises std::logic_error.
void SetStandardServices(const ServiceSet& services);

// Replaces the whole set; returns the one it replaced.
ServiceSet SetServices(const ServiceSet& services);

// Installs a set for the life of the object (tests), then puts the old one back.
class ScopedServices {
public:
    explicit ScopedServices(const ServiceSet& services) : previous_(SetServices(services)) {}
    ~ScopedServices() { SetServices(previous_); }
    ScopedServices(const ScopedServices&) = delete;
    ScopedServices& operator=(const ScopedServices&) = delete;

private:
    ServiceSet previous_;
};

// The program's help file (F1 in a form with a HelpContextID opens it there).
std::string HelpFile();
void SetHelpFile(const std::string& path);
// The title of the help topic with a context number ("" when it has none), named in
// the message shown when the help file cannot be.
std::string HelpTopicTitle(int contextId);
void SetHelpTopicTitle(int contextId, const std::string& title);

// The title of a message box that is given none.
inline constexpr const char* kProgramName = "NUVIR";

// Shortcuts. A box without a title gets the program's name: none is left untitled.
int MsgBox(const std::string& text, int style = mb::OKOnly, const std::string& title = {});
void DoEvents();

}  // namespace nuvir
