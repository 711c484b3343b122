#include "platform/picturebox.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "platform/qtstring.h"
#include "runtime/error.h"

namespace nuvir {

namespace {

// 96 dots per inch, so point sizes give the same pixels on every surface.
constexpr int kDotsPerMeter96 = 3780;

[[noreturn]] void RaiseInvalidProperty() { RaiseError(kInvalidPropertyValue, "Invalid property value"); }

QColor SystemColour(int index) {
    const QPalette pal = QGuiApplication::palette();
    switch (index) {
        case 0x00: return pal.color(QPalette::Button);           // scroll bars
        case 0x01: return pal.color(QPalette::Window);           // desktop
        case 0x02: return pal.color(QPalette::Highlight);        // active caption
        case 0x03: return pal.color(QPalette::Mid);              // inactive caption
        case 0x04: return pal.color(QPalette::Window);           // menu bar
        case 0x05: return pal.color(QPalette::Base);             // window background
        case 0x06: return pal.color(QPalette::Shadow);           // window frame
        case 0x07: return pal.color(QPalette::WindowText);       // menu text
        case 0x08: return pal.color(QPalette::Text);             // window text
        case 0x09: return pal.color(QPalette::HighlightedText);  // caption text
        case 0x0A:
        case 0x0B: return pal.color(QPalette::Button);  // borders
        case 0x0C: return pal.color(QPalette::Dark);    // application workspace
        case 0x0D: return pal.color(QPalette::Highlight);
        case 0x0E: return pal.color(QPalette::HighlightedText);
        case 0x0F: return pal.color(QPalette::Button);  // button face
        case 0x10: return pal.color(QPalette::Dark);    // button shadow
        case 0x11: return pal.color(QPalette::Disabled, QPalette::Text);
        case 0x12: return pal.color(QPalette::ButtonText);
        case 0x13: return pal.color(QPalette::WindowText);  // inactive caption text
        case 0x14: return pal.color(QPalette::Light);
        case 0x15: return pal.color(QPalette::Shadow);
        case 0x16: return pal.color(QPalette::Midlight);
        case 0x17: return pal.color(QPalette::ToolTipText);
        case 0x18: return pal.color(QPalette::ToolTipBase);
        default: return QColor(0, 0, 0);
    }
}

int RoundPx(double v) {
    if (!std::isfinite(v)) return v > 0 ? 1 << 28 : -(1 << 28);
    v = std::clamp(v, -1.0e8, 1.0e8);
    return static_cast<int>(std::floor(v + 0.5));
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string cur;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            lines.push_back(cur);
            cur.clear();
            ++i;
        } else if (ch == '\n') {
            lines.push_back(cur);
            cur.clear();
        } else {
            cur += ch;
        }
    }
    lines.push_back(cur);
    return lines;
}

QFont DrawingFont(QFont f, bool smooth = false) {
    f.setStyleStrategy(
        QFont::StyleStrategy((smooth ? QFont::PreferAntialias : QFont::NoAntialias) | QFont::PreferMatch));
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

// Readies a painter to draw text in `font` (already a DrawingFont) and `colour`,
// smoothed or not.
void SetUpTextPainter(QPainter& p, const QFont& font, const QColor& colour, bool smooth) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, smooth);
    p.setFont(font);
    p.setPen(colour);
}

}  // namespace

QColor ColourToQColor(Colour c) {
    const auto u = static_cast<std::uint32_t>(c);
    if (u & 0x80000000u) return SystemColour(static_cast<int>(u & 0xFFu));
    return QColor(static_cast<int>(u & 0xFF), static_cast<int>((u >> 8) & 0xFF), static_cast<int>((u >> 16) & 0xFF));
}

Colour QColorToColour(const QColor& c) { return RGBColour(c.red(), c.green(), c.blue()); }

// ---- font conveniences ---------------------------------------------------------

void PictureBox::SetFontName(const std::string& name) {
    QFont f = Font();
    f.setFamily(QtText(name));
    SetFont(f);
}
void PictureBox::SetFontSize(float points) {
    if (!(points > 0.0f)) RaiseInvalidProperty();
    QFont f = Font();
    f.setPointSizeF(points);
    SetFont(f);
}
bool PictureBox::FontItalic() const { return Font().italic(); }
void PictureBox::SetFontItalic(bool on) {
    QFont f = Font();
    f.setItalic(on);
    SetFont(f);
}

// ---- ImagePictureBox -----------------------------------------------------------

ImagePictureBox::ImagePictureBox(int widthPx, int heightPx)
    : widthPx_(std::max(widthPx, 1)), heightPx_(std::max(heightPx, 1)), font_(QGuiApplication::font()) {
    image_ = NewImage(widthPx_, heightPx_);
    ResetFixedScale();
}

ImagePictureBox::~ImagePictureBox() = default;

void ImagePictureBox::AlignStroke(QPainter& p) const {
    // An aliased pen is centred on its line; on a finer image that puts an odd width
    // across two pixels of the drawing. Half a pixel down and right makes it cover the
    // pixels it covers at a ratio of 1.
    if (devicePixelRatio_ != 1.0 && drawWidth_ % 2 == 1) p.translate(0.5, 0.5);
}

QImage ImagePictureBox::NewImage(int widthPx, int heightPx) const {
    QImage image(static_cast<int>(std::ceil(widthPx * devicePixelRatio_)),
                 static_cast<int>(std::ceil(heightPx * devicePixelRatio_)), QImage::Format_RGB32);
    // Dots per metre are per logical inch: text measures the same at any ratio.
    image.setDotsPerMeterX(kDotsPerMeter96);
    image.setDotsPerMeterY(kDotsPerMeter96);
    image.setDevicePixelRatio(devicePixelRatio_);
    image.fill(ColourToQColor(backColor_));
    return image;
}

void ImagePictureBox::BeginPaint(QPainter& p) {
    p.begin(&image_);
    if (clipPx_) p.setClipRect(*clipPx_);
}

bool ImagePictureBox::OnSurface(int px, int py) const { return px >= 0 && py >= 0 && px < widthPx_ && py < heightPx_; }

QPoint ImagePictureBox::DevicePoint(int px, int py) const {
    return QPoint(static_cast<int>(std::floor(px * devicePixelRatio_)),
                  static_cast<int>(std::floor(py * devicePixelRatio_)));
}

QImage ImagePictureBox::Image() const {
    if (devicePixelRatio_ == 1.0) return image_;
    QImage logical = image_.scaled(widthPx_, heightPx_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    logical.setDevicePixelRatio(1.0);
    logical.setDotsPerMeterX(kDotsPerMeter96);
    logical.setDotsPerMeterY(kDotsPerMeter96);
    return logical;
}

void ImagePictureBox::SetDevicePixelRatio(double ratio) {
    if (!(ratio > 0.0) || !std::isfinite(ratio) || ratio == devicePixelRatio_) return;
    const QImage old = image_;
    devicePixelRatio_ = ratio;
    image_ = NewImage(widthPx_, heightPx_);
    {
        QPainter p(&image_);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRectF(0, 0, widthPx_, heightPx_), old);
    }
    ImageChanged();
}

void ImagePictureBox::ResizeClient(int widthPx, int heightPx) {
    widthPx = std::max(widthPx, 1);
    heightPx = std::max(heightPx, 1);
    if (widthPx == widthPx_ && heightPx == heightPx_) return;
    QImage next = NewImage(widthPx, heightPx);
    {
        QPainter p(&next);
        p.drawImage(0, 0, image_);
    }
    image_ = std::move(next);
    widthPx_ = widthPx;
    heightPx_ = heightPx;
    if (scaleMode_ != scale::User) ResetFixedScale();
    ImageChanged();
}

void ImagePictureBox::SetTwipsPerPixel(double x, double y) {
    if (!(x > 0) || !(y > 0)) RaiseInvalidProperty();
    twipsPerPixelX_ = x;
    twipsPerPixelY_ = y;
    if (scaleMode_ != scale::User) ResetFixedScale();
}

double ImagePictureBox::UnitTwipsX(int mode) const {
    switch (mode) {
        case scale::Twips: return 1.0;
        case scale::Points: return 20.0;
        case scale::Pixels: return twipsPerPixelX_;
        case scale::Characters: return 120.0;
        case scale::Inches: return 1440.0;
        case scale::Millimeters: return 1440.0 / 25.4;
        case scale::Centimeters: return 1440.0 / 2.54;
        default: RaiseInvalidProperty();
    }
}

double ImagePictureBox::UnitTwipsY(int mode) const {
    switch (mode) {
        case scale::Characters: return 240.0;
        case scale::Pixels: return twipsPerPixelY_;
        default: return UnitTwipsX(mode);
    }
}

void ImagePictureBox::ResetFixedScale() {
    scaleLeft_ = 0.0f;
    scaleTop_ = 0.0f;
    scaleWidth_ = static_cast<float>(widthPx_ * twipsPerPixelX_ / UnitTwipsX(scaleMode_));
    scaleHeight_ = static_cast<float>(heightPx_ * twipsPerPixelY_ / UnitTwipsY(scaleMode_));
}

void ImagePictureBox::SetScaleMode(int mode) {
    if (mode < scale::User || mode > scale::Centimeters) RaiseInvalidProperty();
    scaleMode_ = mode;
    if (mode != scale::User) ResetFixedScale();
}

void ImagePictureBox::SetScaleLeft(float v) {
    scaleLeft_ = v;
    scaleMode_ = scale::User;
}
void ImagePictureBox::SetScaleTop(float v) {
    scaleTop_ = v;
    scaleMode_ = scale::User;
}
void ImagePictureBox::SetScaleWidth(float v) {
    if (v == 0.0f || !std::isfinite(v)) RaiseInvalidProperty();
    scaleWidth_ = v;
    scaleMode_ = scale::User;
}
void ImagePictureBox::SetScaleHeight(float v) {
    if (v == 0.0f || !std::isfinite(v)) RaiseInvalidProperty();
    scaleHeight_ = v;
    scaleMode_ = scale::User;
}

double ImagePictureBox::ScaleX(double width, int from, int to) const {
    // Through pixels: pixels per unit of each mode.
    auto pxPerUnit = [this](int mode) {
        if (mode == scale::User) return widthPx_ / static_cast<double>(scaleWidth_);
        return UnitTwipsX(mode) / twipsPerPixelX_;
    };
    return width * pxPerUnit(from) / pxPerUnit(to);
}

double ImagePictureBox::ScaleY(double height, int from, int to) const {
    auto pxPerUnit = [this](int mode) {
        if (mode == scale::User) return heightPx_ / static_cast<double>(scaleHeight_);
        return UnitTwipsY(mode) / twipsPerPixelY_;
    };
    return height * pxPerUnit(from) / pxPerUnit(to);
}

int ImagePictureBox::PixelX(double x) const {
    return RoundPx((x - scaleLeft_) * widthPx_ / static_cast<double>(scaleWidth_));
}
int ImagePictureBox::PixelY(double y) const {
    return RoundPx((y - scaleTop_) * heightPx_ / static_cast<double>(scaleHeight_));
}
double ImagePictureBox::XFromPixel(double px) const {
    return scaleLeft_ + px * static_cast<double>(scaleWidth_) / widthPx_;
}
double ImagePictureBox::YFromPixel(double py) const {
    return scaleTop_ + py * static_cast<double>(scaleHeight_) / heightPx_;
}

void ImagePictureBox::SetDrawWidth(int w) {
    if (w < 1 || w > 32767) RaiseInvalidProperty();
    drawWidth_ = w;
}

void ImagePictureBox::SetDrawStyle(int s) {
    if (s < drawstyle::Solid || s > drawstyle::InsideSolid) RaiseInvalidProperty();
    drawStyle_ = s;
}

void ImagePictureBox::SetFillStyle(int s) {
    if (s < 0 || s > 7) RaiseInvalidProperty();
    fillStyle_ = s;
}

void ImagePictureBox::SetBackColor(Colour c) {
    backColor_ = c;
    image_.fill(ColourToQColor(backColor_));
    ImageChanged();
}

void ImagePictureBox::SetFont(const QFont& f) { font_ = f; }

namespace {

QPen MakePen(const QColor& colour, int width, int style) {
    QPen pen(colour);
    pen.setWidth(width);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(width > 1 ? Qt::RoundCap : Qt::SquareCap);
    Qt::PenStyle ps = Qt::SolidLine;
    if (width <= 1) {
        switch (style) {
            case drawstyle::Dash: ps = Qt::DashLine; break;
            case drawstyle::Dot: ps = Qt::DotLine; break;
            case drawstyle::DashDot: ps = Qt::DashDotLine; break;
            case drawstyle::DashDotDot: ps = Qt::DashDotDotLine; break;
            default: break;
        }
    }
    if (style == drawstyle::Transparent) ps = Qt::NoPen;
    pen.setStyle(ps);
    return pen;
}

QBrush MakeBrush(int fillStyle, const QColor& colour) {
    switch (fillStyle) {
        case 0: return QBrush(colour, Qt::SolidPattern);
        case 2: return QBrush(colour, Qt::HorPattern);
        case 3: return QBrush(colour, Qt::VerPattern);
        case 4: return QBrush(colour, Qt::BDiagPattern);
        case 5: return QBrush(colour, Qt::FDiagPattern);
        case 6: return QBrush(colour, Qt::CrossPattern);
        case 7: return QBrush(colour, Qt::DiagCrossPattern);
        default: return QBrush(Qt::NoBrush);
    }
}

}  // namespace

void ImagePictureBox::Cls() {
    image_.fill(ColourToQColor(backColor_));
    currentX_ = 0.0f;
    currentY_ = 0.0f;
    ImageChanged();
}

void ImagePictureBox::Line(double x1, double y1, double x2, double y2, std::optional<Colour> colour, LineShape shape) {
    const QColor c = ColourToQColor(colour.value_or(foreColor_));
    const int px1 = PixelX(x1), py1 = PixelY(y1), px2 = PixelX(x2), py2 = PixelY(y2);
    {
        QPainter p;
        BeginPaint(p);
        p.setRenderHint(QPainter::Antialiasing, false);
        const QRect box(QPoint(std::min(px1, px2), std::min(py1, py2)), QPoint(std::max(px1, px2), std::max(py1, py2)));
        switch (shape) {
            case LineShape::Segment:
                p.setPen(MakePen(c, drawWidth_, drawStyle_));
                AlignStroke(p);
                if (px1 == px2 && py1 == py2) {
                    p.drawPoint(px1, py1);
                } else {
                    p.drawLine(px1, py1, px2, py2);
                }
                break;
            case LineShape::FilledBox: p.fillRect(box, c); break;
            case LineShape::Box: {
                const QBrush brush = MakeBrush(fillStyle_, ColourToQColor(fillColor_));
                if (brush.style() != Qt::NoBrush) p.fillRect(box, brush);
                p.setPen(MakePen(c, drawWidth_, drawStyle_));
                AlignStroke(p);
                if (drawStyle_ != drawstyle::Transparent) {
                    const int l = box.left(), t = box.top(), r = box.right(), b = box.bottom();
                    if (l == r || t == b) {
                        p.drawLine(l, t, r, b);
                    } else {
                        p.drawLine(l, t, r, t);
                        p.drawLine(r, t, r, b);
                        p.drawLine(r, b, l, b);
                        p.drawLine(l, b, l, t);
                    }
                }
                break;
            }
        }
    }
    currentX_ = static_cast<float>(x2);
    currentY_ = static_cast<float>(y2);
    ImageChanged();
}

void ImagePictureBox::PSet(double x, double y, std::optional<Colour> colour) {
    const QColor c = ColourToQColor(colour.value_or(foreColor_));
    const int px = PixelX(x), py = PixelY(y);
    if (drawWidth_ <= 1) {
        if (OnSurface(px, py)) {
            QPainter p;
            BeginPaint(p);
            p.fillRect(QRect(px, py, 1, 1), c);
        }
    } else {
        QPainter p;
        BeginPaint(p);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        const double r = drawWidth_ / 2.0;
        p.drawEllipse(QRectF(px + 0.5 - r, py + 0.5 - r, drawWidth_, drawWidth_));
    }
    currentX_ = static_cast<float>(x);
    currentY_ = static_cast<float>(y);
    ImageChanged();
}

void ImagePictureBox::Circle(double x, double y, double radius, std::optional<Colour> colour, double aspect) {
    const QColor c = ColourToQColor(colour.value_or(foreColor_));
    const int cx = PixelX(x), cy = PixelY(y);
    const double rPx = std::abs(ScaleX(radius, scale::User, scale::Pixels));
    if (!std::isfinite(aspect)) aspect = 1.0;
    aspect = std::abs(aspect);
    double rx = rPx, ry = rPx * aspect;
    if (aspect > 1.0) {
        ry = rPx;
        rx = rPx / aspect;
    }
    const int irx = RoundPx(rx), iry = RoundPx(ry);
    if (irx > 0 || iry > 0) {
        QPainter p;
        BeginPaint(p);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(MakePen(c, drawWidth_, drawStyle_));
        p.setBrush(MakeBrush(fillStyle_, ColourToQColor(fillColor_)));
        AlignStroke(p);
        p.drawEllipse(QPoint(cx, cy), irx, iry);
    }
    currentX_ = static_cast<float>(x);
    currentY_ = static_cast<float>(y);
    ImageChanged();
}

Colour ImagePictureBox::Point(double x, double y) const {
    const int px = PixelX(x), py = PixelY(y);
    if (!OnSurface(px, py)) return -1;
    return QColorToColour(QColor(image_.pixel(DevicePoint(px, py))));
}

QSizeF ImagePictureBox::MeasureTextPx(const std::string& text, const QFont& font) const {
    const QFontMetricsF fm(DrawingFont(font), &image_);
    return QSizeF(fm.horizontalAdvance(QtText(text)), fm.height());
}

double ImagePictureBox::TextWidth(const std::string& text) const {
    double widest = 0.0;
    for (const auto& line : SplitLines(text)) widest = std::max(widest, MeasureTextPx(line, font_).width());
    return widest * static_cast<double>(scaleWidth_) / widthPx_;
}

double ImagePictureBox::TextHeight(const std::string& text) const {
    double total = 0.0;
    for (const auto& line : SplitLines(text)) total += MeasureTextPx(line, font_).height();
    return total * static_cast<double>(scaleHeight_) / heightPx_;
}

void ImagePictureBox::Print(const std::string& text) {
    const auto lines = SplitLines(text);
    const QFont f = DrawingFont(font_, smoothText_);
    {
        QPainter p;
        BeginPaint(p);
        SetUpTextPainter(p, f, ColourToQColor(foreColor_), smoothText_);
        const QFontMetricsF fm(f, &image_);
        double x = currentX_;
        double y = currentY_;
        for (const auto& line : lines) {
            const double hPx = MeasureTextPx(line, font_).height();
            if (!line.empty()) {
                p.drawText(QPointF(PixelX(x), PixelY(y) + fm.ascent()), QtText(line));
            }
            x = scaleLeft_;
            y += hPx * static_cast<double>(scaleHeight_) / heightPx_;
        }
        currentX_ = static_cast<float>(x);
        currentY_ = static_cast<float>(y);
    }
    ImageChanged();
}

void ImagePictureBox::FloodFillPx(int pixelX, int pixelY) {
    if (!OnSurface(pixelX, pixelY) || fillStyle_ == fillstyle::Transparent) return;
    if (clipPx_ && !clipPx_->contains(pixelX, pixelY)) return;
    // The fill runs over device pixels, where the outline was drawn.
    const QPoint device = DevicePoint(pixelX, pixelY);
    const int px = device.x(), py = device.y();
    const QRgb seed = image_.pixel(px, py) | 0xFF000000u;
    const QRgb fill = ColourToQColor(fillColor_).rgb() | 0xFF000000u;
    if (seed == fill) return;
    // Device pixels the fill may reach: the image, or the clip area's.
    QRect area = image_.rect();
    if (clipPx_)
        area &= QRect(DevicePoint(clipPx_->left(), clipPx_->top()),
                      DevicePoint(clipPx_->right() + 1, clipPx_->bottom() + 1) - QPoint(1, 1));
    const int x0 = area.left(), x1 = area.right(), y0 = area.top(), y1 = area.bottom();
    auto at = [this](int x, int y) { return reinterpret_cast<QRgb*>(image_.scanLine(y)) + x; };
    auto matches = [&](int x, int y) { return (*at(x, y) | 0xFF000000u) == seed; };
    // Scanline fill with an explicit stack of seeds: each popped seed paints its
    // whole run, then pushes one seed per run of matching pixels above and below.
    std::vector<std::pair<int, int>> stack;
    stack.emplace_back(px, py);
    while (!stack.empty()) {
        auto [x, y] = stack.back();
        stack.pop_back();
        if (!matches(x, y)) continue;
        int l = x, r = x;
        while (l > x0 && matches(l - 1, y)) --l;
        while (r < x1 && matches(r + 1, y)) ++r;
        for (int i = l; i <= r; ++i) *at(i, y) = fill;
        for (int ny : {y - 1, y + 1}) {
            if (ny < y0 || ny > y1) continue;
            bool inRun = false;
            for (int i = l; i <= r; ++i) {
                if (matches(i, ny)) {
                    if (!inRun) {
                        stack.emplace_back(i, ny);
                        inRun = true;
                    }
                } else {
                    inRun = false;
                }
            }
        }
    }
    ImageChanged();
}

void ImagePictureBox::DrawTextRotatedPx(int px, int py, const std::string& text, double degrees, const QFont& font) {
    const QFont f = DrawingFont(font, smoothText_);
    {
        QPainter p;
        BeginPaint(p);
        SetUpTextPainter(p, f, ColourToQColor(foreColor_), smoothText_);
        const QFontMetricsF fm(f, &image_);
        p.translate(px, py);
        p.rotate(-degrees);  // counter-clockwise on a y-down surface
        p.drawText(QPointF(0, fm.ascent()), QtText(text));
    }
    ImageChanged();
}

}  // namespace nuvir
