// What keeps Qt's file dialog from hanging on special files.
#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QStyle>

#include "platform/filedialog_qt.h"

namespace nuvir {

namespace {

// Icons and type names from the kind of entry alone. The default provider asks the
// MIME database, which reads the first bytes of a file whose name tells nothing; a read
// of /proc/kmsg or of a FIFO never returns, and the dialog with the program waits too.
class NoProbeIconProvider : public QAbstractFileIconProvider {
public:
    QIcon icon(IconType type) const override {
        return Style(type == Folder || type == Drive ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    }
    QIcon icon(const QFileInfo& info) const override {
        return Style(info.isDir() ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    }
    QString type(const QFileInfo& info) const override {
        return info.isDir() ? QStringLiteral("Folder") : QStringLiteral("File");
    }

private:
    static QIcon Style(QStyle::StandardPixmap pixmap) {
        return QApplication::style() != nullptr ? QApplication::style()->standardIcon(pixmap) : QIcon();
    }
};

}  // namespace

void GuardFileDialog(QFileDialog& dialog) {
    // Qt's own dialog, not the desktop's: only it takes the provider and the filter.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    static NoProbeIconProvider provider;
    dialog.setIconProvider(&provider);
    // FIFOs, sockets and devices count as system entries, which the dialog's filter
    // leaves out already; it must stay without QDir::System.
}

}  // namespace nuvir
