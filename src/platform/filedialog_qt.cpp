// Qt's file dialog behind the file-dialog service, and the service registry.
#include <QApplication>
#include <QFileDialog>
#include <QString>
#include <QStringList>

#include "platform/filedialog.h"

namespace nuvir {

namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

FileDialogService* g_service = nullptr;

}  // namespace

std::string QtFileDialogService::Show(const FileDialogRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), Q(request.title));
    GuardFileDialog(dialog);
    if (request.kind == FileDialogRequest::Kind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        // A name that need not exist (choosing a folder by a name such as "Untitled")
        // needs AnyFile; the caller checks that its folder exists.
        dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    }
    // The filter list shows the description and filters with the case-free pattern:
    // Qt takes the last parenthesised group as the patterns and, with the details
    // hidden, shows the text before it.
    const std::string match = request.matchPattern.empty() ? request.filterPattern : request.matchPattern;
    if (!match.empty()) {
        dialog.setOption(QFileDialog::HideNameFilterDetails, true);
        dialog.setNameFilter(Q(request.filterDescription) + QStringLiteral(" (") + Q(match) + QStringLiteral(")"));
    }
    if (!request.directory.empty()) dialog.setDirectory(Q(request.directory));
    if (!request.fileName.empty()) dialog.selectFile(Q(request.fileName));
    dialog.setDefaultSuffix(Q(request.defaultSuffix));

    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return {};
    return files.front().toStdString();
}

FileDialogService& FileDialogs() {
    static QtFileDialogService qtService;
    return g_service ? *g_service : qtService;
}

void SetFileDialogService(FileDialogService* service) { g_service = service; }

}  // namespace nuvir
