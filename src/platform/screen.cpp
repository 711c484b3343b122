#include "platform/screen.h"

#include <QFontMetrics>

#include <QApplication>
#include <QScreen>
#include <QStyle>

#include <cmath>
#include <optional>

namespace nuvir {

namespace {

std::optional<ScreenMetrics>& Injected() {
    static std::optional<ScreenMetrics> m;
    return m;
}

ScreenMetrics Measured() {
    ScreenMetrics m;
    if (auto* screen = QGuiApplication::primaryScreen()) {
        const QRect g = screen->geometry();
        m.widthPx = g.width();
        m.heightPx = g.height();
        const double dpiX = screen->logicalDotsPerInchX();
        const double dpiY = screen->logicalDotsPerInchY();
        if (dpiX > 0) m.twipsPerPixelX = 1440.0 / dpiX;
        if (dpiY > 0) m.twipsPerPixelY = 1440.0 / dpiY;
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        m.vScrollWidthPx = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    }
    return m;
}

int Round(double v) { return static_cast<int>(std::floor(v + 0.5)); }

}  // namespace

const ScreenMetrics& Screen() {
    if (Injected()) return *Injected();
    static thread_local ScreenMetrics current;
    current = Measured();
    return current;
}

void SetScreenMetrics(const ScreenMetrics* metrics) {
    if (metrics) {
        Injected() = *metrics;
    } else {
        Injected().reset();
    }
}

int GetSystemMetrics(int code) {
    const ScreenMetrics& m = Screen();
    switch (code) {
        case sm::CxVScroll: return m.vScrollWidthPx;
        case sm::CyCaption: return m.captionHeightPx;
        case sm::CxDlgFrame: return m.dlgFrameXPx;
        case sm::CyDlgFrame: return m.dlgFrameYPx;
        case sm::CxFrame: return m.frameXPx;
        case sm::CyFrame: return m.frameYPx;
        default: return 0;
    }
}

int TwipsToPxX(double twips) { return Round(twips / Screen().twipsPerPixelX); }
int TwipsToPxY(double twips) { return Round(twips / Screen().twipsPerPixelY); }
double PxToTwipsX(double px) { return px * Screen().twipsPerPixelX; }
double PxToTwipsY(double px) { return px * Screen().twipsPerPixelY; }

int TitleBarWidthPx(const QString& title, const QFont& font) {
    if (title.isEmpty()) return 0;
    QFont bold = font;
    bold.setBold(true);
    constexpr int kIconAndButtonsPx = 4 * 24 + 16;
    return QFontMetrics(bold).horizontalAdvance(title) + kIconAndButtonsPx;
}

}  // namespace nuvir
