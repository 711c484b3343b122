#include "dialogs/exportname.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include <QStyle>
#include <QTextDocument>

#include "appdata/appdata.h"
#include "appdata/appservices.h"
#include "appdata/paths.h"
#include "dialogs/guard.h"
#include "platform/multilinetextbox.h"
#include "numerics/numerics.h"
#include "platform/controls.h"
#include "platform/screen.h"
#include "runtime/convert.h"

namespace nuvir {

namespace {

constexpr const char* kFormatTable = "CSV~SAM~TXT|Excel~SimLab~Excel,Systat";
constexpr const char* kNoExport = "No export will occur (missing or improper file name)";
constexpr std::string_view kForbidden("<>|\"\\/:*?\0", 10);
// This system's limits: a path of at most PATH_MAX bytes with its terminating NUL, a
// name of at most NAME_MAX bytes.
constexpr std::size_t kMaxPathBytes = PATH_MAX - 1;
constexpr std::size_t kMaxNameBytes = NAME_MAX;
constexpr const char* kCrLf = "\r\n";

}  // namespace

const std::vector<ExportFormat>& ExportFormats() {
    static const std::vector<ExportFormat> formats = [] {
        const auto halves = Split(kFormatTable, "|");
        const auto codes = Split(halves[0], "~");
        const auto programs = Split(halves[1], "~");
        std::vector<ExportFormat> out;
        for (std::size_t i = 0; i < codes.size() && i < programs.size(); ++i) out.push_back({codes[i], programs[i]});
        return out;
    }();
    return formats;
}

std::string ExportFormatCaption(const ExportFormat& format) { return format.code + " (" + format.program + ")"; }

ExportActions UpdateExportActions(std::string_view name, const std::vector<bool>& ticked, std::string_view exportPath,
                                  const FileExistsTest& exists) {
    ExportActions out;
    if (name.empty() || name.find_first_of(kForbidden) != std::string_view::npos) {
        out.text = kNoExport;
        return out;
    }
    const auto& formats = ExportFormats();
    const std::string stem = MUtilities::AddBackslash(exportPath) + MUtilities::RemoveExtension(name) + ".";
    for (std::size_t i = 0; i < formats.size() && i < ticked.size(); ++i) {
        if (!ticked[i]) continue;
        const std::string path = stem + UCase(formats[i].code);
        // A SAM export writes a cost file too, whose name is longer.
        const std::string longest =
            formats[i].code == "SAM" ? MUtilities::RemoveExtension(path) + "_Costs." + UCase(formats[i].code) : path;
        const std::string refusal = longest.size() > kMaxPathBytes ? "its path is longer than 4095 bytes"
                                    : MUtilities::GetFileName(longest).size() > kMaxNameBytes
                                        ? "its name is longer than 255 bytes"
                                        : "";
        if (!refusal.empty()) {
            out.text.append("File for ").append(formats[i].program).append(" cannot be written (").append(refusal);
            out.text.append("):").append(kCrLf).append(path).append(kCrLf).append(kCrLf);
            continue;
        }
        out.text += "File for " + formats[i].program + " will be written to:" + kCrLf + path;
        if (exists && exists(path)) out.text += std::string(kCrLf) + " (File already exists and will be overwritten)";
        out.text += std::string(kCrLf) + kCrLf;
        if (out.anyTarget) out.targetPaths += "|";
        out.targetPaths += path;
        out.anyTarget = true;
    }
    return out;
}

std::vector<bool> ExportTicksFromOption(const Variant& formats, int count) {
    std::vector<bool> ticked(static_cast<std::size_t>(std::max(count, 0)), false);
    if (formats.dims() != 1) return ticked;
    const int last = std::min(count - 1, formats.ubound(1));
    for (int i = std::max(0, formats.lbound(1)); i <= last; ++i) {
        const Variant& v = formats(i);
        ticked[static_cast<std::size_t>(i)] = v.type() == VarType::Boolean && v.rawBool();
    }
    return ticked;
}

Variant ExportOptionFromTicks(const std::vector<bool>& ticked) {
    std::vector<Variant> items;
    items.reserve(ticked.size());
    for (bool t : ticked) items.emplace_back(t);
    return Variant::List(items);
}

// ---- the dialog ------------------------------------------------------------------------

FExportName::FExportName() : fileExists(FileFunctions::FileExists) {
    SetName("FExportName");
    SetBorderStyle(borderstyle::FixedToolWindow);
    SetCaption("Enter an export file name");
    setFixedSize(TwipsToPxX(kClientWidth), TwipsToPxY(kClientHeight));
    SetHelpContextID(kHelpContext);

    // The labels first: their boxes, made later, lie over the labels' lower part.
    auto* label0 = Add<Label>("Label1", 0);
    label0->SetCaption("Base File Name:");
    label0->Move(60, 240, 1935, 375);
    auto* label1 = Add<Label>("Label1", 1);
    label1->SetCaption("What Will Happen:");
    label1->Move(60, 1440, 3855, 375);
    txtName_ = Add<TextBox>("txtName");
    txtName_->Move(60, 480, 1905, 375);
    txtName_->SetText("Untitled");
    chkExport_.push_back(Add<CheckBox>("chkExport", 0));
    chkExport_[0]->Move(2220, 240, 2655, 240);
    txtActions_ = Add<MultiLineTextBox>("txtActions");
    txtActions_->SetLocked(true);
    // Long paths wrap; the box grows to show every target (FitActions), and only a
    // text taller than the screen brings a scroll bar.
    txtActions_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txtActions_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    txtActions_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtActions_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    txtActions_->Move(60, kActionsTop, kActionsWidth, kActionsHeight);
    auto* skip = Add<CommandButton>("cmdButton", 1);
    skip->SetCaption("Skip Export");
    skip->SetToolTipText("Run without export");
    skip->SetCancel(true);
    // A little wider than the design, so that "Skip Export" fits this platform's font.
    skip->Move(5040, kButtonsTop, 1120, 375);
    auto* ok = Add<CommandButton>("cmdButton", 0);
    ok->SetCaption("OK");
    ok->SetToolTipText("Run with export");
    ok->SetDefault(true);
    ok->Move(3840, kButtonsTop, 1120, 375);

    connect(this, &Form::LoadEvent, this, [this] { firstActivation_ = true; });
    connect(txtName_->Events(), &ControlEvents::Change, this,
            [this] { dialogs::Guarded("Checking the export name", [this] { UpdateExportActions(); }); });
    connect(chkExport_[0]->Events(), &ControlEvents::Click, this,
            [this] { dialogs::Guarded("Checking the export name", [this] { UpdateExportActions(); }); });
    connect(ok->Events(), &ControlEvents::Click, this,
            [this] { dialogs::Guarded("Accepting the export name", [this] { OnButton(0); }); });
    connect(skip->Events(), &ControlEvents::Click, this,
            [this] { dialogs::Guarded("Skipping the export", [this] { OnButton(1); }); });
}

void FExportName::showEvent(QShowEvent* e) {
    // The set-up runs before the window first appears, as at its first activation.
    if (firstActivation_) {
        firstActivation_ = false;
        dialogs::Guarded("Proposing an export name", [this] { SetUp(); });
    }
    Form::showEvent(e);
}

void FExportName::SetUp() {
    TargetPaths.clear();
    entryBaseName_ = BaseName;
    InitExportChoices();
    StackExportChecks();
    txtName_->SetFocus();
    txtName_->SelectForOvertyping();
}

void FExportName::InitExportChoices() {
    if (ExportPath.empty()) ExportPath = App().path;
    txtName_->SetText(BaseName.empty() ? std::string("Untitled") : BaseName);
    const auto& formats = ExportFormats();
    for (std::size_t i = chkExport_.size(); i < formats.size(); ++i) {
        auto* box = Add<CheckBox>("chkExport", static_cast<int>(i));
        box->Move(chkExport_[0]->Left(), chkExport_[0]->Top(), chkExport_[0]->Width(), chkExport_[0]->Height());
        connect(box->Events(), &ControlEvents::Click, this,
                [this] { dialogs::Guarded("Checking the export name", [this] { UpdateExportActions(); }); });
        chkExport_.push_back(box);
    }
    const std::vector<bool> ticked =
        ExportTicksFromOption(ItemOrEmpty(AppOptions, opt::kExportFormats), static_cast<int>(chkExport_.size()));
    for (std::size_t i = 0; i < chkExport_.size(); ++i) {
        chkExport_[i]->SetTag(formats[i].code + "|" + formats[i].program);
        chkExport_[i]->SetCaption(ExportFormatCaption(formats[i]));
        chkExport_[i]->SetVisible(true);
        chkExport_[i]->SetValue(ticked[i] ? 1 : 0);
    }
    // Tab order: the name, the boxes, the actions, Skip Export, OK.
    int tab = 0;
    txtName_->SetTabIndex(tab++);
    for (CheckBox* box : chkExport_) box->SetTabIndex(tab++);
    txtActions_->SetTabIndex(tab++);
    if (Control* skip = Find("cmdButton", 1)) skip->SetTabIndex(tab++);
    if (Control* ok = Find("cmdButton", 0)) ok->SetTabIndex(tab++);
    UpdateExportActions();
    SetHelpContextID(kHelpContext);
}

void FExportName::StackExportChecks() {
    for (std::size_t i = 1; i < chkExport_.size(); ++i) {
        chkExport_[i]->SetLeft(chkExport_[i - 1]->Left());
        chkExport_[i]->SetTop(chkExport_[i - 1]->Top() + chkExport_[i]->Height() + 60);
    }
}

void FExportName::UpdateExportActions() {
    const ExportActions actions = nuvir::UpdateExportActions(txtName_->Text(), Ticked(), ExportPath, fileExists);
    TargetPaths = actions.targetPaths;
    if (actions.anyTarget) BaseName = txtName_->Text();
    txtActions_->SetText(actions.text);
    FitActions();
}

void FExportName::FitActions() {
    QTextDocument doc;
    doc.setDefaultFont(txtActions_->font());
    doc.setDocumentMargin(txtActions_->document()->documentMargin());
    QTextOption wrap = txtActions_->document()->defaultTextOption();
    wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    doc.setDefaultTextOption(wrap);
    doc.setPlainText(txtActions_->toPlainText());
    const int frame = 2 * txtActions_->frameWidth();
    // Measured as if the scroll bar showed, so that one appearing wraps nothing anew.
    const int bar = txtActions_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, txtActions_);
    doc.setTextWidth(TwipsToPxX(kActionsWidth) - frame - bar);
    // The box scrolls by whole lines: a line's height more keeps the last one in view.
    const int need =
        static_cast<int>(std::ceil(doc.size().height())) + frame + txtActions_->fontMetrics().lineSpacing();
    const int design = TwipsToPxY(kActionsHeight);
    const int rest = TwipsToPxY(kClientHeight) - design;
    const int room = Screen().heightPx - NonClientHeightPx() - rest;
    const int box = std::max(design, std::min(need, room));
    const double grow = PxToTwipsY(box - design);
    txtActions_->SetHeight(PxToTwipsY(box));
    for (int i = 0; i < 2; ++i) {
        if (Control* button = Find("cmdButton", i)) button->SetTop(kButtonsTop + grow);
    }
    setFixedSize(TwipsToPxX(kClientWidth), TwipsToPxY(kClientHeight) + box - design);
}

std::vector<bool> FExportName::Ticked() const {
    std::vector<bool> ticked;
    for (CheckBox* box : chkExport_) ticked.push_back(box->Value() == 1);
    return ticked;
}

void FExportName::OnButton(int index) {
    if (index == 0) {
        if (AppOptions.dims() == 1 && AppOptions.ubound(1) >= opt::kExportFormats) {
            AppOptions(opt::kExportFormats) = ExportOptionFromTicks(Ticked());
        }
    } else {
        BaseName = entryBaseName_;
        TargetPaths.clear();
    }
    Unload();
}

}  // namespace nuvir
