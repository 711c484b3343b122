#include "platform/services_qt.h"

#include <QApplication>
#include "platform/screen.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QSpacerItem>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

#include "platform/filedialog_qt.h"
#include "platform/modalwindows.h"
#include "platform/openboxes.h"
#include "platform/picturebox.h"
#include "platform/qtstring.h"
#include "platform/toolwindow.h"

#include <map>

namespace nuvir {

namespace {

// A window manager's title bar gives the title the window's width less its icon, three
// buttons and margins; the box is made at least that much wider than its title.
void WidenForTitle(QMessageBox& box) {
    const int need = TitleBarWidthPx(box.windowTitle(), QApplication::font());
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) return;
    grid->addItem(new QSpacerItem(need, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

}  // namespace

int QtMessageBoxService::Show(const std::string& text, int style, const std::string& title) {
    QWidget* owner = ModalOwner();
    CentredDialog<QMessageBox> box;
    box.SetOwner(owner);
    Build(box, text, style, title);
    PrepareModal(box, owner);
    {
        // Only a box whose Esc cancels or acknowledges it may be closed for the analyst.
        BoxScope open([&box] {
            QAbstractButton* escape = box.escapeButton();
            if (escape == nullptr || QApplication::activeModalWidget() != &box) return false;
            escape->click();
            return true;
        });
        box.exec();
    }
    auto* clicked = box.clickedButton();
    const std::vector<Answer> buttons = Answers(style);
    for (const auto& b : buttons) {
        if (clicked == box.button(static_cast<QMessageBox::StandardButton>(b.button))) return b.answer;
    }
    int escapeAnswer = buttons.size() == 1 ? buttons[0].answer : 0;
    for (const auto& b : buttons) {
        if (b.answer == mb::Cancel) escapeAnswer = mb::Cancel;
    }
    return escapeAnswer != 0 ? escapeAnswer : buttons.back().answer;
}

std::vector<QtMessageBoxService::Answer> QtMessageBoxService::Answers(int style) {
    switch (style & 7) {
        case mb::OKCancel: return {{QMessageBox::Ok, mb::OK}, {QMessageBox::Cancel, mb::Cancel}};
        case mb::AbortRetryIgnore:
            return {{QMessageBox::Abort, mb::Abort},
                    {QMessageBox::Retry, mb::Retry},
                    {QMessageBox::Ignore, mb::Ignore}};
        case mb::YesNoCancel:
            return {{QMessageBox::Yes, mb::Yes}, {QMessageBox::No, mb::No}, {QMessageBox::Cancel, mb::Cancel}};
        case mb::YesNo: return {{QMessageBox::Yes, mb::Yes}, {QMessageBox::No, mb::No}};
        case mb::RetryCancel: return {{QMessageBox::Retry, mb::Retry}, {QMessageBox::Cancel, mb::Cancel}};
        default: return {{QMessageBox::Ok, mb::OK}};
    }
}

void QtMessageBoxService::Build(QMessageBox& box, const std::string& text, int style, const std::string& title) {
    box.setWindowTitle(QtText(title.empty() ? std::string(kProgramName) : title));
    box.setText(QtLines(text));
    switch (style & 0x70) {
        case mb::Critical: box.setIcon(QMessageBox::Critical); break;
        case mb::Question: box.setIcon(QMessageBox::Question); break;
        case mb::Exclamation: box.setIcon(QMessageBox::Warning); break;
        case mb::Information: box.setIcon(QMessageBox::Information); break;
        default: box.setIcon(QMessageBox::NoIcon); break;
    }
    const std::vector<Answer> buttons = Answers(style);
    for (const auto& b : buttons) box.addButton(static_cast<QMessageBox::StandardButton>(b.button));
    const std::size_t def = (style & mb::DefaultButton3) ? 2 : (style & mb::DefaultButton2) ? 1 : 0;
    if (def < buttons.size()) box.setDefaultButton(static_cast<QMessageBox::StandardButton>(buttons[def].button));
    // Escape or the close box: Cancel where there is one, else the single button.
    for (const auto& b : buttons) {
        if (b.answer == mb::Cancel) box.setEscapeButton(static_cast<QMessageBox::StandardButton>(b.button));
    }
    if (buttons.size() == 1) box.setEscapeButton(static_cast<QMessageBox::StandardButton>(buttons[0].button));
    WidenForTitle(box);
}

std::optional<Colour> QtColourDialogService::ChooseColour(Colour initial) {
    QWidget* owner = ModalOwner();
    CentredDialog<QColorDialog> dialog(ColourToQColor(initial));
    dialog.SetOwner(owner);
    PrepareModal(dialog, owner);
    BoxScope open([&dialog] { return RejectIfOnTop(dialog); });
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QColor c = dialog.selectedColor();
    if (!c.isValid()) return std::nullopt;
    return QColorToColour(c);
}

void QtHelpService::ShowHelp(const std::string& helpFile, int contextId) {
    // A viewer opens the file at its start: no viewer here can address a topic.
    const QFileInfo info(QtText(helpFile));
    if (info.exists() && QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()))) return;
    std::string text = info.exists() ? "The help file \"" + helpFile + "\" cannot be shown on this system."
                                     : "No help file is installed: \"" + helpFile + "\" was not found.";
    if (contextId == 0) {
        text += "\r\nHelp topic: contents";
    } else {
        const std::string title = HelpTopicTitle(contextId);
        text += "\r\nHelp topic " + std::to_string(contextId) + (title.empty() ? "" : ": " + title);
    }
    MessageBoxes().Show(text, mb::OKOnly | mb::Information, "Help");
}

bool QtViewerService::OpenInViewer(const std::string& path) {
    const QFileInfo info(QtText(path));
    if (!info.exists()) return false;
    return QProcess::startDetached(QStringLiteral("xdg-open"), {info.absoluteFilePath()});
}

std::string QtViewerService::AssociatedProgram(const std::string& path) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(QtText(path));
    if (!type.isValid()) return {};
    QProcess p;
    p.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), type.name()});
    if (!p.waitForFinished(5000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed().toStdString();
}

bool QtViewerService::StartProgram(const std::string& program, const std::string& argument) {
    return QProcess::startDetached(QtText(program), {QtText(argument)});
}

void QtYieldService::Yield() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void InstallQtServices() {
    static QtMessageBoxService messageBox;
    static QtColourDialogService colourDialog;
    static QtHelpService help;
    static QtViewerService viewer;
    static QtYieldService yield;
    static QtFileDialogService fileDialog;
    SetStandardServices({&messageBox, &colourDialog, &help, &viewer, &yield});
    SetStandardFileDialogService(&fileDialog);
    DeclareToolWindowsAsShown();
    KeepModalsInSight();
}

}  // namespace nuvir
