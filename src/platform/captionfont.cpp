#include "platform/captionfont.h"

#include <QFontMetrics>
#include <QImage>

#include "platform/qtstring.h"
#include "runtime/convert.h"

namespace nuvir {

int CaptionCellHeightPx(double points) { return static_cast<int>(RoundHalfEven(points * 1.5)); }

QFont FontForCellHeight(const std::string& face, int cellHeightPx, bool bold) {
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(3780);  // 96 dpi, as the drawing surfaces
    device.setDotsPerMeterY(3780);
    QFont font(QtText(face));
    font.setWeight(bold ? QFont::DemiBold : QFont::Normal);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::PreferMatch));
    if (cellHeightPx < 1) cellHeightPx = 1;
    int best = 1;
    for (int px = 1; px <= cellHeightPx * 2 + 4; ++px) {
        font.setPixelSize(px);
        const int h = QFontMetrics(font, &device).height();
        if (h <= cellHeightPx) best = px;
        if (h == cellHeightPx) break;
        if (h > cellHeightPx) break;
    }
    font.setPixelSize(best);
    if (QFontMetrics(font, &device).height() == cellHeightPx) return font;
    // No whole pixel size gives the cell: try the sizes in between.
    for (int k = 1; k < 20; ++k) {
        QFont f = font;
        f.setPointSizeF((best + k / 20.0) * 0.75);
        if (QFontMetrics(f, &device).height() == cellHeightPx) return f;
    }
    return font;
}

QFont CaptionFont(const std::string& face, double points, bool bold) {
    return FontForCellHeight(face, CaptionCellHeightPx(points), bold);
}

}  // namespace nuvir
