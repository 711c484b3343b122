#pragma once
// The export naming dialog that the Run command shows before an interactive run when
// at least one trial export format is chosen (options item 12).
//
// The analyst types one base name and ticks the formats; the dialog shows, while the
// analyst types, which file will be written for which program and whether it will
// overwrite one. Caller's order: create, set BaseName, ShowModal, read BaseName (kept
// for the next run) and TargetPaths (the engine's export paths, "|" between them;
// empty means no export), release.
//
// The rules live in UpdateExportActions, a pure function tests drive without a screen;
// FExportName only shows its result. OK also stores the ticked formats into options
// item 12; Skip Export gives back the caller's name and no paths; the close box
// keeps what the last update left (the dialog has already shown its warnings).
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/form.h"
#include "runtime/variant.h"

namespace nuvir {

class CheckBox;
class CommandButton;
class Label;
class MultiLineTextBox;
class TextBox;

// A test for an existing file (the numerics library's by default; tests fake it).
using FileExistsTest = std::function<bool(const std::string& path)>;

// One trial export format: its code (the file extension) and the program it is for.
struct ExportFormat {
    std::string code;
    std::string program;
};

// The formats in check-box order, from "CSV~SAM~TXT|Excel~SimLab~Excel,Systat".
const std::vector<ExportFormat>& ExportFormats();
// "CSV (Excel)": the caption of a format's check box.
std::string ExportFormatCaption(const ExportFormat& format);

// What a base name and the ticked formats lead to.
struct ExportActions {
    std::string text;         // lines ending in CR LF
    std::string targetPaths;  // "|" between paths
    bool anyTarget = false;   // at least one path is in use: the name counts as accepted
};

// The text and paths for a typed name, the ticks (index = format), the export folder.
// A name with one of <>|"\/:*? or NUL counts as empty; a target whose path or name is
// longer than the system allows (4095 bytes, 255 bytes) is left out, and the text says so.
ExportActions UpdateExportActions(std::string_view name, const std::vector<bool>& ticked, std::string_view exportPath,
                                  const FileExistsTest& exists);

// The ticked states that options item 12 gives for `count` boxes: element i when it is
// a Boolean True; boxes beyond the array, or when it is no array, stay clear.
std::vector<bool> ExportTicksFromOption(const Variant& formats, int count);
// Options item 12 for the ticked states: a generic array (0 To n-1) of Booleans, the
// one element kind the INI reader and the options dialog use too.
Variant ExportOptionFromTicks(const std::vector<bool>& ticked);

class FExportName : public Form {
    Q_OBJECT
public:
    FExportName();

    // Exchange with the caller.
    std::string BaseName;
    std::string TargetPaths;

    // The file-exists test for the overwrite note.
    FileExistsTest fileExists;

    static constexpr int kHelpContext = 37;
    // The design's client area, actions box and button row, in twips.
    static constexpr double kClientWidth = 6285, kClientHeight = 4605;
    static constexpr double kActionsTop = 1680, kActionsWidth = 6100, kActionsHeight = 2295;
    static constexpr double kButtonsTop = 4080;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void SetUp();
    void InitExportChoices();
    void StackExportChecks();
    void UpdateExportActions();
    // Sizes the actions box (and the window) to its text, up to the screen's height.
    void FitActions();
    std::vector<bool> Ticked() const;
    void OnButton(int index);

    TextBox* txtName_ = nullptr;
    MultiLineTextBox* txtActions_ = nullptr;
    std::vector<CheckBox*> chkExport_;
    std::string entryBaseName_;
    bool firstActivation_ = false;
};

}  // namespace nuvir
