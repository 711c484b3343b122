#include "platform/qtpicturebox.h"

#include <QMouseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <cmath>

#include "platform/screen.h"
#include "runtime/error.h"

namespace nuvir {

namespace {

int Round(double v) { return static_cast<int>(std::floor(v + 0.5)); }

int ButtonOf(Qt::MouseButtons b) {
    int n = 0;
    if (b & Qt::LeftButton) n |= 1;
    if (b & Qt::RightButton) n |= 2;
    if (b & Qt::MiddleButton) n |= 4;
    return n;
}

}  // namespace

QtPictureBox::QtPictureBox() : Control("PictureBox"), ImagePictureBox(1, 1) {
    // Text on the screen is smoothed; a picture made for a one-bit report turns it off.
    SetSmoothText(true);
    // Twips in the box must be the twips of the form around it, or children placed
    // in a twips scale land elsewhere than the same numbers put them on a form.
    SetTwipsPerPixel(Screen().twipsPerPixelX, Screen().twipsPerPixelY);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setContentsMargins(Border(), Border(), Border(), Border());
    setMouseTracking(true);
    resize(100, 100);
    // The screen's density before anything is drawn: the owner draws before showing.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) SetDevicePixelRatio(screen->devicePixelRatio());
    ImagePictureBox::SetFont(QWidget::font());
}

void QtPictureBox::SetBorderStyle(int style) {
    if (style < 0 || style > 1) RaiseError(380, "Invalid property value");
    borderStyle_ = style;
    setContentsMargins(Border(), Border(), Border(), Border());
    ResizeClient(contentsRect().width(), contentsRect().height());
    // The controls inside stand from the inside edge: they move with the border.
    for (QObject* o : children()) {
        Control* c = o->isWidgetType() ? Control::Of(o) : nullptr;
        if (c != nullptr && c->Widget() == o && c->Container() == this) c->Refit();
    }
    update();
}

void QtPictureBox::SetBackColor(Colour c) {
    ImagePictureBox::SetBackColor(c);
    Control::SetBackColor(c);
}

void QtPictureBox::SetForeColor(Colour c) {
    ImagePictureBox::SetForeColor(c);
    Control::SetForeColor(c);
}

void QtPictureBox::SetFont(const QFont& f) {
    ImagePictureBox::SetFont(f);
    QWidget::setFont(f);
}

QPoint QtPictureBox::ChildPosToPx(double x, double y) const {
    return QPoint(PixelX(x) + Border(), PixelY(y) + Border());
}

QSize QtPictureBox::ChildSizeToPx(double w, double h) const {
    return QSize(Round(std::abs(ScaleX(w, scale::User, scale::Pixels))),
                 Round(std::abs(ScaleY(h, scale::User, scale::Pixels))));
}

double QtPictureBox::ChildXFromPx(int px) const { return XFromPixel(px - Border()); }
double QtPictureBox::ChildYFromPx(int py) const { return YFromPixel(py - Border()); }
double QtPictureBox::ChildWFromPx(int w) const { return std::abs(ScaleX(w, scale::Pixels, scale::User)); }
double QtPictureBox::ChildHFromPx(int h) const { return std::abs(ScaleY(h, scale::Pixels, scale::User)); }

void QtPictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // The screen may have changed since the last drawing (a window moved to another
    // screen): the image follows its density from then on.
    SetDevicePixelRatio(devicePixelRatioF());
    p.drawImage(contentsRect().topLeft(), DeviceImage());
    if (Border() > 0) {
        // Whole pixels filled, not lines: a line is one device pixel wide on a high
        // density screen and would leave the other half of the border pixel showing
        // whatever was drawn there before (the widget paints without erasing).
        const QRect r = rect();
        const int w = r.width(), h = r.height();
        const QColor dark = palette().color(QPalette::Dark), shadow = palette().color(QPalette::Shadow);
        const QColor light = palette().color(QPalette::Light), midlight = palette().color(QPalette::Midlight);
        p.fillRect(QRect(0, 0, w, 1), dark);
        p.fillRect(QRect(0, 0, 1, h), dark);
        p.fillRect(QRect(1, 1, w - 2, 1), shadow);
        p.fillRect(QRect(1, 1, 1, h - 2), shadow);
        p.fillRect(QRect(0, h - 1, w, 1), light);
        p.fillRect(QRect(w - 1, 0, 1, h), light);
        p.fillRect(QRect(1, h - 2, w - 2, 1), midlight);
        p.fillRect(QRect(w - 2, 1, 1, h - 2), midlight);
    }
}

void QtPictureBox::GeometryApplied() { ResizeClient(contentsRect().width(), contentsRect().height()); }

void QtPictureBox::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    ResizeClient(contentsRect().width(), contentsRect().height());
}

void QtPictureBox::RaiseMouse(int kind, QMouseEvent* e) {
    const QPointF pos = e->position() - QPointF(Border(), Border());
    const double x = XFromPixel(pos.x());
    const double y = YFromPixel(pos.y());
    const int shift = ShiftOf(e->modifiers());
    switch (kind) {
        case 0: Q_EMIT Events()->MouseDown(ButtonOf(e->button()), shift, x, y); break;
        case 1: Q_EMIT Events()->MouseUp(ButtonOf(e->button()), shift, x, y); break;
        default: Q_EMIT Events()->MouseMove(ButtonOf(e->buttons()), shift, x, y); break;
    }
}

void QtPictureBox::mousePressEvent(QMouseEvent* e) {
    pressed_ = true;
    RaiseMouse(0, e);
}

void QtPictureBox::mouseReleaseEvent(QMouseEvent* e) {
    RaiseMouse(1, e);
    if (pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) {
        Q_EMIT Events()->Click();
    }
    pressed_ = false;
}

void QtPictureBox::mouseMoveEvent(QMouseEvent* e) { RaiseMouse(2, e); }

void QtPictureBox::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) Q_EMIT Events()->DblClick();
}

}  // namespace nuvir
