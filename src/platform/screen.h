#pragma once
// Screen size and window metrics as the sizing arithmetic of the windows needs them.
//
// Qt cannot tell the window manager's frame and caption sizes before a window is
// mapped (and the offscreen platform has no caption at all), so those come from a
// fixed table. The scroll-bar width comes from the widget style, so a grid sized with
// it fits its real scroll bar. Tests inject their own values.
#include <QFont>
#include <QString>

namespace nuvir {

struct ScreenMetrics {
    double twipsPerPixelX = 15.0;  // 96 dpi
    double twipsPerPixelY = 15.0;
    int widthPx = 800;  // the whole screen
    int heightPx = 800;
    int vScrollWidthPx = 17;   // SM_CXVSCROLL
    int captionHeightPx = 19;  // SM_CYCAPTION
    int dlgFrameXPx = 3;       // SM_CXDLGFRAME
    int dlgFrameYPx = 3;       // SM_CYDLGFRAME
    int frameXPx = 4;          // SM_CXFRAME (sizable frame)
    int frameYPx = 4;          // SM_CYFRAME
    int menuHeightPx = 19;     // one menu-bar line

    double WidthTwips() const { return widthPx * twipsPerPixelX; }
    double HeightTwips() const { return heightPx * twipsPerPixelY; }
};

// The metrics in use: injected ones, or else read from the primary screen and the
// application style, with the frame and caption table above.
const ScreenMetrics& Screen();
// Injects metrics (tests); nullptr returns to the measured ones.
void SetScreenMetrics(const ScreenMetrics* metrics);

// The system-metric codes the windows ask for, by number.
namespace sm {
constexpr int CxVScroll = 2;
constexpr int CyCaption = 4;
constexpr int CxDlgFrame = 7;
constexpr int CyDlgFrame = 8;
constexpr int CxFrame = 32;
constexpr int CyFrame = 33;
}  // namespace sm
// The metric in pixels; 0 for a code not in the table.
int GetSystemMetrics(int code);

// Twips <-> pixels with the screen's factor, to the nearest pixel.
int TwipsToPxX(double twips);
int TwipsToPxY(double twips);
double PxToTwipsX(double px);
double PxToTwipsY(double px);

// The width a window needs for its whole title in a window manager's title bar: the
// title in a bold font, the window's icon, three buttons and the margins.
int TitleBarWidthPx(const QString& title, const QFont& font);

}  // namespace nuvir
