#include "support/recordingpicturebox.h"

#include <QString>

#include "runtime/convert.h"

namespace nuvir {

namespace {

std::string Num(double v) { return FormatDouble(v); }
std::string ColourText(std::optional<Colour> c) { return c ? Num(*c) : std::string("default"); }

}  // namespace

RecordingPictureBox::RecordingPictureBox(int widthPx, int heightPx) : ImagePictureBox(widthPx, heightPx) {}

int RecordingPictureBox::Count(const std::string& prefix) const {
    int n = 0;
    for (const auto& c : calls) {
        if (c.compare(0, prefix.size(), prefix) == 0) ++n;
    }
    return n;
}

void RecordingPictureBox::SetScaleMode(int mode) {
    calls.push_back("ScaleMode=" + Num(mode));
    ImagePictureBox::SetScaleMode(mode);
}
void RecordingPictureBox::SetScaleLeft(float v) {
    calls.push_back("ScaleLeft=" + FormatSingle(v));
    ImagePictureBox::SetScaleLeft(v);
}
void RecordingPictureBox::SetScaleTop(float v) {
    calls.push_back("ScaleTop=" + FormatSingle(v));
    ImagePictureBox::SetScaleTop(v);
}
void RecordingPictureBox::SetScaleWidth(float v) {
    calls.push_back("ScaleWidth=" + FormatSingle(v));
    ImagePictureBox::SetScaleWidth(v);
}
void RecordingPictureBox::SetScaleHeight(float v) {
    calls.push_back("ScaleHeight=" + FormatSingle(v));
    ImagePictureBox::SetScaleHeight(v);
}
void RecordingPictureBox::SetCurrentX(float v) {
    calls.push_back("CurrentX=" + FormatSingle(v));
    ImagePictureBox::SetCurrentX(v);
}
void RecordingPictureBox::SetCurrentY(float v) {
    calls.push_back("CurrentY=" + FormatSingle(v));
    ImagePictureBox::SetCurrentY(v);
}
void RecordingPictureBox::SetDrawWidth(int w) {
    calls.push_back("DrawWidth=" + Num(w));
    ImagePictureBox::SetDrawWidth(w);
}
void RecordingPictureBox::SetDrawStyle(int s) {
    calls.push_back("DrawStyle=" + Num(s));
    ImagePictureBox::SetDrawStyle(s);
}
void RecordingPictureBox::SetDrawMode(int m) {
    calls.push_back("DrawMode=" + Num(m));
    ImagePictureBox::SetDrawMode(m);
}
void RecordingPictureBox::SetFillStyle(int s) {
    calls.push_back("FillStyle=" + Num(s));
    ImagePictureBox::SetFillStyle(s);
}
void RecordingPictureBox::SetFillColor(Colour c) {
    calls.push_back("FillColor=" + Num(c));
    ImagePictureBox::SetFillColor(c);
}
void RecordingPictureBox::SetForeColor(Colour c) {
    calls.push_back("ForeColor=" + Num(c));
    ImagePictureBox::SetForeColor(c);
}
void RecordingPictureBox::SetBackColor(Colour c) {
    calls.push_back("BackColor=" + Num(c));
    ImagePictureBox::SetBackColor(c);
}
void RecordingPictureBox::SetAutoRedraw(bool on) {
    calls.push_back(std::string("AutoRedraw=") + (on ? "True" : "False"));
    ImagePictureBox::SetAutoRedraw(on);
}
void RecordingPictureBox::SetFont(const QFont& f) {
    calls.push_back("Font=" + f.family().toStdString() + " " + Num(f.pointSizeF()));
    ImagePictureBox::SetFont(f);
}

void RecordingPictureBox::Cls() {
    calls.push_back("Cls");
    ImagePictureBox::Cls();
}

void RecordingPictureBox::Line(double x1, double y1, double x2, double y2, std::optional<Colour> colour,
                               LineShape shape) {
    std::string s = "Line " + Num(x1) + " " + Num(y1) + " " + Num(x2) + " " + Num(y2) + " " + ColourText(colour);
    if (shape == LineShape::Box) s += " Box";
    if (shape == LineShape::FilledBox) s += " FilledBox";
    calls.push_back(s);
    ImagePictureBox::Line(x1, y1, x2, y2, colour, shape);
}

void RecordingPictureBox::PSet(double x, double y, std::optional<Colour> colour) {
    calls.push_back("PSet " + Num(x) + " " + Num(y) + " " + ColourText(colour));
    ImagePictureBox::PSet(x, y, colour);
}

void RecordingPictureBox::Circle(double x, double y, double radius, std::optional<Colour> colour, double aspect) {
    calls.push_back("Circle " + Num(x) + " " + Num(y) + " " + Num(radius) + " " + ColourText(colour) + " " +
                    Num(aspect));
    ImagePictureBox::Circle(x, y, radius, colour, aspect);
}

void RecordingPictureBox::Print(const std::string& text) {
    calls.push_back("Print " + text);
    ImagePictureBox::Print(text);
}

void RecordingPictureBox::FloodFillPx(int px, int py) {
    calls.push_back("FloodFill " + Num(px) + " " + Num(py) + " " + Num(FillColor()));
    ImagePictureBox::FloodFillPx(px, py);
}

void RecordingPictureBox::DrawTextRotatedPx(int px, int py, const std::string& text, double degrees,
                                            const QFont& font) {
    calls.push_back("RotatedText " + Num(px) + " " + Num(py) + " " + Num(degrees) + " " + text);
    ImagePictureBox::DrawTextRotatedPx(px, py, text, degrees, font);
}

QSizeF RecordingPictureBox::MeasureTextPx(const std::string& text, const QFont&) const {
    return QSizeF(charWidthPx * static_cast<double>(QString::fromStdString(text).size()), lineHeightPx);
}

}  // namespace nuvir
