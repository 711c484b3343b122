// The report viewer's look-up.
#include "report/rtfviewer.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

#include "appdata/appdata.h"
#include "appdata/paths.h"
#include "numerics/numerics.h"
#include "platform/profile.h"
#include "platform/services.h"
#include "report/templatefile.h"
#include "runtime/convert.h"

namespace nuvir {

namespace {

// The folders desktop entries are looked for in, in order of precedence.
QStringList DataFolders() {
    QStringList folders;
    const QByteArray home = qgetenv("XDG_DATA_HOME");
    folders << (home.isEmpty() ? QDir::homePath() + "/.local/share" : QString::fromLocal8Bit(home));
    const QByteArray dirs = qgetenv("XDG_DATA_DIRS");
    folders << (dirs.isEmpty() ? QStringList{"/usr/local/share", "/usr/share"}
                               : QString::fromLocal8Bit(dirs).split(':', Qt::SkipEmptyParts));
    return folders;
}

// The words of an Exec value: blanks separate them, double quotes group them.
QStringList ExecWords(const QString& exec) {
    QStringList words;
    QString word;
    bool quoted = false;
    bool inWord = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted && c == '\\' && i + 1 < exec.size()) {
            word += exec[++i];
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && c.isSpace()) {
            if (inWord) words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words << word;
    return words;
}

QString ExecLine(const QString& entryFile) {
    // A desktop entry is a few lines; anything larger, or no regular file, is none.
    constexpr std::size_t kMaxEntryBytes = 1u << 20;
    std::string bytes;
    if (profile::ReadWholeFile(entryFile.toStdString(), kMaxEntryBytes, bytes, false) != profile::Failure::None)
        return {};
    QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QTextStream in(&text, QIODevice::ReadOnly);
    bool mainGroup = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith('[')) {
            mainGroup = line == QLatin1String("[Desktop Entry]");
        } else if (mainGroup && line.startsWith(QLatin1String("Exec="))) {
            return line.mid(5);
        }
    }
    return {};
}

}  // namespace

std::string DesktopEntryProgram(const std::string& desktopId) {
    if (desktopId.empty() || desktopId.find('/') != std::string::npos) return {};
    for (const QString& folder : DataFolders()) {
        const QString entry = folder + "/applications/" + QString::fromStdString(desktopId);
        if (!QFileInfo::exists(entry)) continue;
        QStringList words = ExecWords(ExecLine(entry));
        // "env VAR=value ... program": the program is what env runs.
        if (!words.isEmpty() && words.front() == QLatin1String("env")) words.pop_front();
        while (!words.isEmpty() && words.front().contains('=') && !words.front().startsWith('/')) words.pop_front();
        if (words.isEmpty()) return {};
        const QString program = words.front();
        if (program.contains('/')) {
            const QFileInfo info(program);
            return info.isFile() && info.isExecutable() ? info.absoluteFilePath().toStdString() : std::string();
        }
        return QStandardPaths::findExecutable(program).toStdString();
    }
    return {};
}

std::string FindRtfViewer() {
    const std::string templatePath = GetReportTemplatePath();
    if (!FileFunctions::FileExists(templatePath)) WriteDefaultTemplate();
    if (!FileFunctions::FileExists(templatePath)) return {};
    std::string viewer = DesktopEntryProgram(Viewer().AssociatedProgram(templatePath));
    if (AppOptions.isArray()) {
        // Files here carry no version resource, so no viewer passes as Word 10.
        const bool word = EqualsNoCase(MUtilities::GetFileName(viewer), "winword.exe") &&
                          MUtilities::IsVersionAtLeast(viewer, "10.0.0.0");
        AppOptions(opt::kViewerIsWord) = Variant(word);
    }
    return viewer;
}

}  // namespace nuvir
