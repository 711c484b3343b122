#include "platform/clipboardowner.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "platform/windowutilities.h"

namespace nuvir {

namespace {
std::function<bool()>& OwnerQuery() {
    static std::function<bool()> query;
    return query;
}
}  // namespace

bool ProgramOwnsClipboard() {
    if (OwnerQuery()) return OwnerQuery()();
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return true;
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard != nullptr && clipboard->ownsClipboard();
}

bool ClearOwnedClipboard() {
    if (!ProgramOwnsClipboard()) return false;
    return MUtilities::ClearClipboard();
}

void SetClipboardOwnerQuery(std::function<bool()> query) { OwnerQuery() = std::move(query); }

void CopyRtfBytesToClipboard(const std::string& bytes) {
    try {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard == nullptr) return;
        clipboard->clear();
        auto* data = new QMimeData();
        const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
        data->setData(QString::fromLatin1(kRtfMimeType), raw);
        data->setData(QString::fromLatin1(kRtfMimeTypeAlt), raw);
        data->setData(QString::fromLatin1(kRtfMimeTypeApplication), raw);
        clipboard->setMimeData(data);
    } catch (...) {
    }
}

std::string ClipboardRtfBytes() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return {};
    const QMimeData* data = clipboard->mimeData();
    if (data == nullptr || !data->hasFormat(QString::fromLatin1(kRtfMimeType))) return {};
    const QByteArray raw = data->data(QString::fromLatin1(kRtfMimeType));
    return std::string(raw.constData(), static_cast<std::size_t>(raw.size()));
}

}  // namespace nuvir
