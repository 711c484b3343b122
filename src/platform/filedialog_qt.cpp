// Qt's file dialog behind the file-dialog service.
#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QString>
#include <QStringList>

#include <optional>

#include "platform/filedialog_qt.h"
#include "platform/modalwindows.h"
#include "platform/openboxes.h"
#include "platform/qtstring.h"

namespace nuvir {

namespace {

// Qt's own dialog reads a typed name holding a double quote as a list of quoted names
// (my "best" report.rtf offers best.RTF), whatever the file mode: here such a name is
// taken whole, with the checks the dialog makes of any name.
class WholeNameFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    // Call once the dialog is set up; a native dialog has no name box and is left alone.
    void TakeNamesWhole() {
        edit_ = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        buttons_ = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        // After the dialog's own handler, which judges the split name.
        if (edit_) connect(edit_, &QLineEdit::textChanged, this, [this] { UpdateAcceptButton(); });
    }
    // The chosen path when the name was taken whole.
    const std::optional<QString>& Whole() const { return whole_; }

    void accept() override {
        const std::optional<QString> path = WholePath();
        if (!path) {
            QFileDialog::accept();
            return;
        }
        if (!Acceptable(*path)) return;
        const QFileInfo info(*path);
        if (acceptMode() == AcceptSave && info.exists() && !testOption(DontConfirmOverwrite) &&
            QMessageBox::warning(this, windowTitle(),
                                 tr("%1 already exists.\nDo you want to replace it?").arg(info.fileName()),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
            return;
        whole_ = *path;
        // The overwrite question is asked above; QFileDialog's own accept would ask again.
        QDialog::accept();  // NOLINT(bugprone-parent-virtual-call)
    }

private:
    // The typed name as one file of the shown folder, with the default extension when
    // it has none; nothing for a name without a double quote.
    std::optional<QString> WholePath() const {
        const QString text = edit_ ? edit_->text() : QString();
        if (!text.contains(QLatin1Char('"'))) return std::nullopt;
        QString path = QDir::isAbsolutePath(text) ? text : directory().absoluteFilePath(text);
        if (!defaultSuffix().isEmpty() && QFileInfo(path).suffix().isEmpty())
            path += QLatin1Char('.') + defaultSuffix();
        return path;
    }
    bool Acceptable(const QString& path) const {
        const QFileInfo info(path);
        if (info.isDir() || !info.dir().exists()) return false;
        return fileMode() != ExistingFile || info.isFile();
    }
    void UpdateAcceptButton() {
        const std::optional<QString> path = WholePath();
        if (!path || !buttons_) return;
        for (QAbstractButton* b : buttons_->buttons())
            if (buttons_->buttonRole(b) == QDialogButtonBox::AcceptRole) b->setEnabled(Acceptable(*path));
    }

    QLineEdit* edit_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    std::optional<QString> whole_;
};

}  // namespace

std::string QtFileDialogService::Show(const FileDialogRequest& request) {
    QWidget* owner = ModalOwner();
    CentredDialog<WholeNameFileDialog> dialog(nullptr, QtText(request.title));
    dialog.SetOwner(owner);
    GuardFileDialog(dialog);
    // Fluxbox offers maximise to a window that may grow without end, whatever it asks.
    if (const QScreen* screen = owner != nullptr ? owner->screen() : QApplication::primaryScreen())
        dialog.setMaximumSize(screen->availableGeometry().size());
    PrepareModal(dialog, owner);
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
        dialog.setNameFilter(QtText(request.filterDescription) + QStringLiteral(" (") + QtText(match) +
                             QStringLiteral(")"));
    }
    if (!request.directory.empty()) dialog.setDirectory(QtText(request.directory));
    if (!request.fileName.empty()) dialog.selectFile(QtText(request.fileName));
    dialog.setDefaultSuffix(QtText(request.defaultSuffix));
    dialog.TakeNamesWhole();

    BoxScope open([&dialog] { return RejectIfOnTop(dialog); });
    if (dialog.exec() != QDialog::Accepted) return {};
    if (dialog.Whole()) return dialog.Whole()->toStdString();
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return {};
    return files.front().toStdString();
}

}  // namespace nuvir
