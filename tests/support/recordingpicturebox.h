#pragma once
// A drawing surface for tests: it draws like the offscreen surface (so pixels and
// Point still work), logs every drawing call and state change as a line of text,
// and measures text with fixed metrics so layout arithmetic is predictable on any
// machine: every character is `charWidthPx` wide and a line is `lineHeightPx` high.
#include <string>
#include <vector>

#include "platform/picturebox.h"

namespace nuvir {

class RecordingPictureBox : public ImagePictureBox {
public:
    explicit RecordingPictureBox(int widthPx = 400, int heightPx = 300);

    // The log: e.g. "Cls", "Line 1 2 3 4 255 Box", "PSet 1 2 default",
    // "Circle 5 5 2 default 1", "Print Hello", "DrawStyle=2", "FillColor=255".
    std::vector<std::string> calls;
    void ClearCalls() { calls.clear(); }
    // How many logged lines start with `prefix`.
    int Count(const std::string& prefix) const;

    double charWidthPx = 7.0;
    double lineHeightPx = 13.0;

    void SetScaleMode(int mode) override;
    void SetScaleLeft(float v) override;
    void SetScaleTop(float v) override;
    void SetScaleWidth(float v) override;
    void SetScaleHeight(float v) override;
    void SetCurrentX(float v) override;
    void SetCurrentY(float v) override;
    void SetDrawWidth(int w) override;
    void SetDrawStyle(int s) override;
    void SetDrawMode(int m) override;
    void SetFillStyle(int s) override;
    void SetFillColor(Colour c) override;
    void SetForeColor(Colour c) override;
    void SetBackColor(Colour c) override;
    void SetAutoRedraw(bool on) override;
    void SetFont(const QFont& f) override;

    void Cls() override;
    void Line(double x1, double y1, double x2, double y2, std::optional<Colour> colour = std::nullopt,
              LineShape shape = LineShape::Segment) override;
    void PSet(double x, double y, std::optional<Colour> colour = std::nullopt) override;
    void Circle(double x, double y, double radius, std::optional<Colour> colour = std::nullopt,
                double aspect = 1.0) override;
    void Print(const std::string& text) override;
    void FloodFillPx(int px, int py) override;
    void DrawTextRotatedPx(int px, int py, const std::string& text, double degrees, const QFont& font) override;
    QSizeF MeasureTextPx(const std::string& text, const QFont& font) const override;
};

}  // namespace nuvir
