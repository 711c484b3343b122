#include "controls/boxarray_captions.h"

#include <QFontMetrics>
#include <QImage>
#include <QSizeF>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/captionfont.h"
#include "platform/picturebox.h"
#include "platform/screen.h"
#include "runtime/convert.h"
#include "utilities/utilities_arrays.h"

namespace nuvir::MBoxArray {

namespace {

int RoundToInt(double v) { return static_cast<int>(RoundHalfEven(v)); }

// The height of one line: the font's whole-pixel cell height on a 96 dpi surface, the
// measure the caption font was chosen by, whatever the characters of the line.
int LineHeightPx(const QFont& font) {
    static const QImage device = [] {
        QImage img(1, 1, QImage::Format_RGB32);
        img.setDotsPerMeterX(3780);
        img.setDotsPerMeterY(3780);
        return img;
    }();
    return QFontMetrics(font, &device).height();
}

}  // namespace

std::optional<CaptionFontRecord> MakeCaptionFont(const BoxArrayFont& font, double angle) {
    CaptionFontRecord r;
    r.CellHeightPx = CaptionCellHeightPx(font.Size);
    if (r.CellHeightPx < 1) return std::nullopt;
    r.Escapement = static_cast<int>(std::floor(angle * 10.0));
    r.Weight = font.Bold ? 600 : static_cast<int>(QFont::Normal);
    r.Font = FontForCellHeight(font.Name, r.CellHeightPx, font.Bold);
    return r;
}

std::optional<TextExtents> DrawRotatedText(PictureBox& surface, double widthTwips, double heightTwips,
                                           const BoxArrayFont& font, const std::string& text, double x, double y,
                                           double angle, bool measureOnly) {
    const auto record = MakeCaptionFont(font, angle);
    if (!record) return std::nullopt;

    const std::vector<std::string> lines = Split(text, "\r\n");
    double widest = 0.0;
    double total = 0.0;
    const int lineHeight = LineHeightPx(record->Font);
    for (const auto& line : lines) {
        // Extents are whole pixels, as the window system measured them.
        const double width = RoundHalfEven(surface.MeasureTextPx(line, record->Font).width());
        widest = std::max(widest, width);
        total += lineHeight;
    }

    // Pixels per twip of this surface: its client pixels over its outer twips. A
    // surface without a size yet measures at the screen's factor.
    double scaleX = widthTwips > 0 ? surface.ClientWidthPx() / widthTwips : 0.0;
    double scaleY = heightTwips > 0 ? surface.ClientHeightPx() / heightTwips : 0.0;
    if (!(scaleX > 0)) scaleX = 1.0 / Screen().twipsPerPixelX;
    if (!(scaleY > 0)) scaleY = 1.0 / Screen().twipsPerPixelY;

    if (!measureOnly) {
        const int px = RoundToInt(scaleX * x);
        int py = RoundToInt(scaleY * y);
        const int step = RoundToInt(total / static_cast<double>(lines.size()));
        const double degrees = record->Escapement / 10.0;
        for (const auto& line : lines) {
            surface.DrawTextRotatedPx(px, py, line, degrees, record->Font);
            py += step;
        }
    }
    return TextExtents{widest / scaleX, total / scaleY};
}

TextExtents MeasureCaptions(PictureBox& surface, double widthTwips, double heightTwips, const BoxArrayFont& font,
                            const Variant& captions, double angle) {
    TextExtents out;
    if (MUtilities::ArrayDims(captions) != 1) return out;
    for (std::int32_t i = captions.lbound(1); i <= captions.ubound(1); ++i) {
        const auto e =
            DrawRotatedText(surface, widthTwips, heightTwips, font, TextOf(captions(i)), 0.0, 0.0, angle, true);
        if (!e) continue;
        if (e->Width > out.Width) out.Width = e->Width;
        if (e->Height > out.Height) out.Height = e->Height;
    }
    return out;
}

}  // namespace nuvir::MBoxArray
