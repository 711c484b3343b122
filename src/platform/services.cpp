#include "platform/services.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

#include <map>

namespace nuvir {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Message texts break lines with CR LF; Qt wants LF.
QString MessageText(const std::string& text) {
    QString t = Q(text);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

ServiceSet& Current() {
    static ServiceSet set;
    return set;
}

}  // namespace

int QtMessageBoxService::Show(const std::string& text, int style, const std::string& title) {
    QMessageBox box;
    box.setWindowTitle(Q(title.empty() ? std::string(kProgramName) : title));
    box.setText(MessageText(text));
    switch (style & 0x70) {
        case mb::Critical: box.setIcon(QMessageBox::Critical); break;
        case mb::Question: box.setIcon(QMessageBox::Question); break;
        case mb::Exclamation: box.setIcon(QMessageBox::Warning); break;
        case mb::Information: box.setIcon(QMessageBox::Information); break;
        default: box.setIcon(QMessageBox::NoIcon); break;
    }
    struct B {
        QMessageBox::StandardButton button;
        int answer;
    };
    std::vector<B> buttons;
    switch (style & 7) {
        case mb::OKCancel: buttons = {{QMessageBox::Ok, mb::OK}, {QMessageBox::Cancel, mb::Cancel}}; break;
        case mb::AbortRetryIgnore:
            buttons = {{QMessageBox::Abort, mb::Abort}, {QMessageBox::Retry, mb::Retry}, {QMessageBox::Ignore, mb::Ignore}};
            break;
        case mb::YesNoCancel:
            buttons = {{QMessageBox::Yes, mb::Yes}, {QMessageBox::No, mb::No}, {QMessageBox::Cancel, mb::Cancel}};
            break;
        case mb::YesNo: buttons = {{QMessageBox::Yes, mb::Yes}, {QMessageBox::No, mb::No}}; break;
        case mb::RetryCancel: buttons = {{QMessageBox::Retry, mb::Retry}, {QMessageBox::Cancel, mb::Cancel}}; break;
        default: buttons = {{QMessageBox::Ok, mb::OK}}; break;
    }
    for (const auto& b : buttons) box.addButton(b.button);
    const std::size_t def = (style & mb::DefaultButton3) ? 2 : (style & mb::DefaultButton2) ? 1 : 0;
    if (def < buttons.size()) box.setDefaultButton(buttons[def].button);
    // Escape or the close box: Cancel where there is one, else the single button.
    int escapeAnswer = buttons.size() == 1 ? buttons[0].answer : 0;
    for (const auto& b : buttons) {
        if (b.answer == mb::Cancel) {
            box.setEscapeButton(b.button);
            escapeAnswer = mb::Cancel;
        }
    }
    if (buttons.size() == 1) box.setEscapeButton(buttons[0].button);
    box.exec();
    auto* clicked = box.clickedButton();
    for (const auto& b : buttons) {
        if (clicked == box.button(b.button)) return b.answer;
    }
    return escapeAnswer != 0 ? escapeAnswer : buttons.back().answer;
}

std::optional<Colour> QtColourDialogService::ChooseColour(Colour initial) {
    const QColor c = QColorDialog::getColor(ColourToQColor(initial));
    if (!c.isValid()) return std::nullopt;
    return QColorToColour(c);
}

void QtHelpService::ShowHelp(const std::string& helpFile, int contextId) {
    // A viewer opens the file at its start: no viewer here can address a topic.
    const QFileInfo info(Q(helpFile));
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
    const QFileInfo info(Q(path));
    if (!info.exists()) return false;
    return QProcess::startDetached(QStringLiteral("xdg-open"), {info.absoluteFilePath()});
}

std::string QtViewerService::AssociatedProgram(const std::string& path) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(Q(path));
    if (!type.isValid()) return {};
    QProcess p;
    p.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), type.name()});
    if (!p.waitForFinished(5000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed().toStdString();
}

bool QtViewerService::StartProgram(const std::string& program, const std::string& argument) {
    return QProcess::startDetached(Q(program), {Q(argument)});
}

void QtYieldService::Yield() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

MessageBoxService& MessageBoxes() {
    static QtMessageBoxService qt;
    return Current().messageBox ? *Current().messageBox : qt;
}
ColourDialogService& ColourDialog() {
    static QtColourDialogService qt;
    return Current().colourDialog ? *Current().colourDialog : qt;
}
HelpService& Help() {
    static QtHelpService qt;
    return Current().help ? *Current().help : qt;
}
ViewerService& Viewer() {
    static QtViewerService qt;
    return Current().viewer ? *Current().viewer : qt;
}
YieldService& Yielder() {
    static QtYieldService qt;
    return Current().yield ? *Current().yield : qt;
}

ServiceSet SetServices(const ServiceSet& services) {
    ServiceSet old = Current();
    Current() = services;
    return old;
}

namespace {
std::string& HelpFileName() {
    static std::string name;
    return name;
}

std::map<int, std::string>& HelpTopics() {
    static std::map<int, std::string> titles;
    return titles;
}
}  // namespace

std::string HelpFile() { return HelpFileName(); }
void SetHelpFile(const std::string& path) { HelpFileName() = path; }
std::string HelpTopicTitle(int contextId) {
    const auto it = HelpTopics().find(contextId);
    return it == HelpTopics().end() ? std::string() : it->second;
}
void SetHelpTopicTitle(int contextId, const std::string& title) { HelpTopics()[contextId] = title; }

int MsgBox(const std::string& text, int style, const std::string& title) {
    return MessageBoxes().Show(text, style, title.empty() ? std::string(kProgramName) : title);
}

void DoEvents() { Yielder().Yield(); }

}  // namespace nuvir
