#pragma once
// The drawing surface every chart, diagram and report picture draws on.
//
// `PictureBox` is the interface the components talk to. It keeps the state of a
// retained drawing surface: a scale (twips, pixels or a user scale whose negative
// height turns the y axis up), a current point, pen, fill and text settings, and a
// persistent image that all drawing goes into. Two implementations share one
// engine (`ImagePictureBox`): the offscreen surface itself, usable without any
// window (report pictures, tests), and `QtPictureBox` (qtpicturebox.h), the
// widget that shows the same image on a form. A recording fake for tests lives in
// tests/support/recordingpicturebox.h.
//
// Coordinates passed to the drawing operations are in the current scale units.
// They become pixels by one rule only: `PixelX`/`PixelY`, rounding to the nearest
// whole pixel. Drawing is aliased, so pixels are exact and flood fills see hard
// edges.
#include <QFont>
#include <QImage>
#include <QRect>
#include <QSizeF>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/colour.h"

class QPainter;

namespace nuvir {

// Error number of a property set to a value it does not take.
constexpr int kInvalidPropertyValue = 380;

// Scale modes of a drawing surface (and units of the ScaleX/ScaleY conversions).
namespace scale {
constexpr int User = 0;
constexpr int Twips = 1;
constexpr int Points = 2;
constexpr int Pixels = 3;
constexpr int Characters = 4;
constexpr int Inches = 5;
constexpr int Millimeters = 6;
constexpr int Centimeters = 7;
}  // namespace scale

// Line and outline styles (`DrawStyle`).
namespace drawstyle {
constexpr int Solid = 0;
constexpr int Dash = 1;
constexpr int Dot = 2;
constexpr int DashDot = 3;
constexpr int DashDotDot = 4;
constexpr int Transparent = 5;
constexpr int InsideSolid = 6;
}  // namespace drawstyle

// Fill styles (`FillStyle`): only solid and transparent are drawn; 2..7 (hatches)
// are accepted and drawn as the matching Qt brush pattern.
namespace fillstyle {
constexpr int Solid = 0;
constexpr int Transparent = 1;
}  // namespace fillstyle

// The three shapes of the line operation.
enum class LineShape {
    Segment,    // a line from the first to the second point
    Box,        // an outlined box, its inside drawn with FillStyle/FillColor
    FilledBox,  // a box filled in the line colour
};

// BGR long <-> QColor. System colours (top bit set) resolve through the
// application palette.
QColor ColourToQColor(Colour c);
Colour QColorToColour(const QColor& c);

class PictureBox {
public:
    virtual ~PictureBox() = default;

    // ---- scale ------------------------------------------------------------
    // 0 user, 1 twips, 3 pixels (2, 4..7 the other fixed units). Setting a fixed
    // mode resets the scale to the client area in that unit (left/top 0).
    // Assigning any of the four scale values switches the mode to 0.
    virtual int ScaleMode() const = 0;
    virtual void SetScaleMode(int mode) = 0;
    virtual float ScaleLeft() const = 0;
    virtual void SetScaleLeft(float v) = 0;
    virtual float ScaleTop() const = 0;
    virtual void SetScaleTop(float v) = 0;
    // Width/height of the client area in scale units; a negative height turns
    // the y axis up. Setting 0 raises error 380.
    virtual float ScaleWidth() const = 0;
    virtual void SetScaleWidth(float v) = 0;
    virtual float ScaleHeight() const = 0;
    virtual void SetScaleHeight(float v) = 0;

    // Signed length conversions between units; `from`/`to` are scale modes, 0
    // meaning this surface's user scale (its sign included).
    virtual double ScaleX(double width, int from, int to) const = 0;
    virtual double ScaleY(double height, int from, int to) const = 0;

    // The one mapping from scale coordinates to pixels (round to nearest) and back.
    virtual int PixelX(double x) const = 0;
    virtual int PixelY(double y) const = 0;
    virtual double XFromPixel(double px) const = 0;
    virtual double YFromPixel(double py) const = 0;

    // Client area in pixels.
    virtual int ClientWidthPx() const = 0;
    virtual int ClientHeightPx() const = 0;

    // ---- current point ----------------------------------------------------
    virtual float CurrentX() const = 0;
    virtual void SetCurrentX(float v) = 0;
    virtual float CurrentY() const = 0;
    virtual void SetCurrentY(float v) = 0;

    // ---- pen, fill and colours --------------------------------------------
    // Pen width in pixels (at least 1; 0 and negatives raise 380).
    virtual int DrawWidth() const = 0;
    virtual void SetDrawWidth(int w) = 0;
    // 0..6 (see drawstyle); anything else raises 380. With DrawWidth > 1 the
    // broken styles draw solid.
    virtual int DrawStyle() const = 0;
    virtual void SetDrawStyle(int s) = 0;
    // Only 13 (copy pen) is drawn; other values are stored and ignored.
    virtual int DrawMode() const = 0;
    virtual void SetDrawMode(int m) = 0;
    virtual int FillStyle() const = 0;  // default 1, transparent
    virtual void SetFillStyle(int s) = 0;
    virtual Colour FillColor() const = 0;  // default 0
    virtual void SetFillColor(Colour c) = 0;
    virtual Colour ForeColor() const = 0;  // text and default line colour
    virtual void SetForeColor(Colour c) = 0;
    virtual Colour BackColor() const = 0;
    // Also erases the drawing to the new colour, as the window system did.
    virtual void SetBackColor(Colour c) = 0;
    // The image always persists; the flag is kept for callers that set it.
    virtual bool AutoRedraw() const = 0;
    virtual void SetAutoRedraw(bool on) = 0;

    // ---- font ---------------------------------------------------------------
    virtual QFont Font() const = 0;
    virtual void SetFont(const QFont& f) = 0;
    // Conveniences over Font()/SetFont().
    void SetFontName(const std::string& name);
    void SetFontSize(float points);  // points
    bool FontItalic() const;
    void SetFontItalic(bool on);

    // ---- drawing ------------------------------------------------------------
    // Clears to BackColor and sets CurrentX and CurrentY to 0.
    virtual void Cls() = 0;
    // Segment, box or filled box between two points in `colour` (ForeColor when
    // none); the current point becomes (x2, y2).
    virtual void Line(double x1, double y1, double x2, double y2, std::optional<Colour> colour = std::nullopt,
                      LineShape shape = LineShape::Segment) = 0;
    // A segment (or box) from the current point to (x2, y2).
    void LineTo(double x2, double y2, std::optional<Colour> colour = std::nullopt,
                LineShape shape = LineShape::Segment) {
        Line(CurrentX(), CurrentY(), x2, y2, colour, shape);
    }
    // A dot DrawWidth pixels wide; the point becomes the current point.
    virtual void PSet(double x, double y, std::optional<Colour> colour = std::nullopt) = 0;
    // Circle or ellipse around (x, y): `radius` in x-axis units is the
    // horizontal radius; the vertical radius in pixels is aspect times the
    // horizontal one (for aspect > 1 the radius is the vertical one, as the
    // window system did). Outline in the colour, inside per FillStyle/FillColor.
    // The current point becomes the centre.
    virtual void Circle(double x, double y, double radius, std::optional<Colour> colour = std::nullopt,
                        double aspect = 1.0) = 0;
    // Colour of the pixel under (x, y); -1 outside the surface.
    virtual Colour Point(double x, double y) const = 0;
    // Draws the text with its top-left corner at the current point, in ForeColor
    // and the current font, without background. Lines split at CR LF / LF; later
    // lines start at ScaleLeft. Afterwards CurrentX = ScaleLeft and CurrentY is
    // one line below the last line printed.
    virtual void Print(const std::string& text) = 0;
    // Size of the text in the current font and scale units. TextHeight carries
    // the sign of ScaleHeight (negative under a y-up scale). Multi-line text:
    // widest line, sum of line heights.
    virtual double TextWidth(const std::string& text) const = 0;
    virtual double TextHeight(const std::string& text) const = 0;

    // ---- clipping -------------------------------------------------------------
    // Pixels (both corners included) outside which drawing, printing and flood fills
    // change nothing; none, the whole surface. Cls still clears everything.
    virtual std::optional<QRect> ClipPx() const = 0;
    virtual void SetClipPx(std::optional<QRect> area) = 0;

    // ---- pixel-level services (no scale involved) ---------------------------
    // Paints every pixel 4-connected to (px, py) that has that pixel's colour with
    // FillColor. Nothing happens outside the surface or when the colours agree.
    virtual void FloodFillPx(int px, int py) = 0;
    // Text in `font`, rotated counter-clockwise by `degrees` around its top-left
    // corner at (px, py), in ForeColor. One line per call.
    virtual void DrawTextRotatedPx(int px, int py, const std::string& text, double degrees, const QFont& font) = 0;
    // Pixel width and cell height of one line of text in `font`. Every text
    // measurement of the surface (TextWidth, TextHeight, Print) goes through it.
    virtual QSizeF MeasureTextPx(const std::string& text, const QFont& font) const = 0;

    // ---- image --------------------------------------------------------------
    // The persistent drawing (a copy; cheap, implicitly shared).
    virtual QImage Image() const = 0;
    // Shows what was drawn (a widget repaints; an offscreen surface does nothing).
    virtual void Refresh() = 0;
};

// The offscreen surface and the engine of the widget: a QImage of the client size.
class ImagePictureBox : public PictureBox {
public:
    explicit ImagePictureBox(int widthPx = 1, int heightPx = 1);
    ~ImagePictureBox() override;

    // Changes the client size. The old drawing stays at the top left, new area is
    // BackColor. A fixed scale mode follows the new size; a user scale keeps its
    // four values (so the same units stretch over the new size).
    void ResizeClient(int widthPx, int heightPx);
    // Twips per pixel of the surface (15 at 96 dpi unless the screen says otherwise).
    double TwipsPerPixelX() const { return twipsPerPixelX_; }
    double TwipsPerPixelY() const { return twipsPerPixelY_; }
    void SetTwipsPerPixel(double x, double y);

    int ScaleMode() const override { return scaleMode_; }
    void SetScaleMode(int mode) override;
    float ScaleLeft() const override { return scaleLeft_; }
    void SetScaleLeft(float v) override;
    float ScaleTop() const override { return scaleTop_; }
    void SetScaleTop(float v) override;
    float ScaleWidth() const override { return scaleWidth_; }
    void SetScaleWidth(float v) override;
    float ScaleHeight() const override { return scaleHeight_; }
    void SetScaleHeight(float v) override;
    double ScaleX(double width, int from, int to) const override;
    double ScaleY(double height, int from, int to) const override;
    int PixelX(double x) const override;
    int PixelY(double y) const override;
    double XFromPixel(double px) const override;
    double YFromPixel(double py) const override;
    int ClientWidthPx() const override { return widthPx_; }
    int ClientHeightPx() const override { return heightPx_; }
    // Device pixels per pixel of the screen the surface is shown on. The drawing keeps
    // its pixels, scales and twips; only the stored image gets finer, so that a high
    // density screen shows it sharp. A change keeps the drawing, resampled.
    void SetDevicePixelRatio(double ratio);

    float CurrentX() const override { return currentX_; }
    void SetCurrentX(float v) override { currentX_ = v; }
    float CurrentY() const override { return currentY_; }
    void SetCurrentY(float v) override { currentY_ = v; }

    int DrawWidth() const override { return drawWidth_; }
    void SetDrawWidth(int w) override;
    int DrawStyle() const override { return drawStyle_; }
    void SetDrawStyle(int s) override;
    int DrawMode() const override { return drawMode_; }
    void SetDrawMode(int m) override { drawMode_ = m; }
    int FillStyle() const override { return fillStyle_; }
    void SetFillStyle(int s) override;
    Colour FillColor() const override { return fillColor_; }
    void SetFillColor(Colour c) override { fillColor_ = c; }
    Colour ForeColor() const override { return foreColor_; }
    void SetForeColor(Colour c) override { foreColor_ = c; }
    Colour BackColor() const override { return backColor_; }
    void SetBackColor(Colour c) override;
    bool AutoRedraw() const override { return autoRedraw_; }
    void SetAutoRedraw(bool on) override { autoRedraw_ = on; }

    QFont Font() const override { return font_; }
    void SetFont(const QFont& f) override;
    // Whether text is drawn smoothed (antialiased): on a screen, small text stays
    // legible; a picture made into a one-bit image keeps hard-edged text (the default).
    void SetSmoothText(bool on) { smoothText_ = on; }

    void Cls() override;
    void Line(double x1, double y1, double x2, double y2, std::optional<Colour> colour = std::nullopt,
              LineShape shape = LineShape::Segment) override;
    void PSet(double x, double y, std::optional<Colour> colour = std::nullopt) override;
    void Circle(double x, double y, double radius, std::optional<Colour> colour = std::nullopt,
                double aspect = 1.0) override;
    Colour Point(double x, double y) const override;
    void Print(const std::string& text) override;
    double TextWidth(const std::string& text) const override;
    double TextHeight(const std::string& text) const override;

    std::optional<QRect> ClipPx() const override { return clipPx_; }
    void SetClipPx(std::optional<QRect> area) override { clipPx_ = area; }

    void FloodFillPx(int px, int py) override;
    void DrawTextRotatedPx(int px, int py, const std::string& text, double degrees, const QFont& font) override;
    QSizeF MeasureTextPx(const std::string& text, const QFont& font) const override;

    // The drawing at its own size in pixels, as the clipboard and a report take it.
    QImage Image() const override;
    // The drawing in device pixels, for showing on the screen.
    const QImage& DeviceImage() const { return image_; }
    void Refresh() override {}

protected:
    // Called after every change of the image, so a widget can repaint.
    virtual void ImageChanged() {}

private:
    double UnitTwipsX(int mode) const;  // twips per unit of a fixed mode
    double UnitTwipsY(int mode) const;
    void ResetFixedScale();
    QImage NewImage(int widthPx, int heightPx) const;
    void AlignStroke(QPainter& p) const;
    // Opens a painter on the image, limited to the clip area.
    void BeginPaint(QPainter& p);
    // Whether a pixel lies on the drawing, and the device pixel of its top left corner.
    bool OnSurface(int px, int py) const;
    QPoint DevicePoint(int px, int py) const;

    QImage image_;
    int widthPx_ = 1;
    int heightPx_ = 1;
    double devicePixelRatio_ = 1.0;
    double twipsPerPixelX_ = 15.0;
    double twipsPerPixelY_ = 15.0;
    int scaleMode_ = scale::Twips;
    float scaleLeft_ = 0.0f;
    float scaleTop_ = 0.0f;
    float scaleWidth_ = 0.0f;
    float scaleHeight_ = 0.0f;
    float currentX_ = 0.0f;
    float currentY_ = 0.0f;
    int drawWidth_ = 1;
    int drawStyle_ = drawstyle::Solid;
    int drawMode_ = 13;
    int fillStyle_ = fillstyle::Transparent;
    Colour fillColor_ = 0;
    Colour foreColor_ = static_cast<Colour>(0x80000012u);  // system button text
    Colour backColor_ = static_cast<Colour>(0x8000000Fu);  // system button face
    bool autoRedraw_ = false;
    QFont font_;
    bool smoothText_ = false;
    std::optional<QRect> clipPx_;
};

}  // namespace nuvir
