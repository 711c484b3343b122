#pragma once
// The drawing surface as a control on a form: the widget shows the persistent image
// of an ImagePictureBox that has its client size. It is also a container: child
// controls are placed in its scale units (a y-up scale puts Top at the upper edge).
#include <QWidget>

#include "platform/control.h"
#include "platform/picturebox.h"

namespace nuvir {

class QtPictureBox : public QWidget, public Control, public ImagePictureBox {
    Q_OBJECT
public:
    QtPictureBox();
    QWidget* Widget() override { return this; }
    QObject* Object() override { return this; }
    bool CanContain() const override { return true; }

    // 0 none, 1 a sunken border of 2 pixels (the default). The client area, and so
    // the image, is the inside.
    void SetBorderStyle(int style);

    // One colour, one font for the control and the drawing.
    Colour BackColor() const override { return ImagePictureBox::BackColor(); }
    void SetBackColor(Colour c) override;
    Colour ForeColor() const override { return ImagePictureBox::ForeColor(); }
    void SetForeColor(Colour c) override;
    QFont Font() const override { return ImagePictureBox::Font(); }
    void SetFont(const QFont& f) override;
    void Refresh() override { update(); }

    // Children in this surface's scale.
    QPoint ChildPosToPx(double x, double y) const override;
    QSize ChildSizeToPx(double w, double h) const override;
    double ChildXFromPx(int px) const override;
    double ChildYFromPx(int py) const override;
    double ChildWFromPx(int w) const override;
    double ChildHFromPx(int h) const override;
    void GeometryApplied() override;

protected:
    void ImageChanged() override { update(); }
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    int Border() const { return borderStyle_ == 0 ? 0 : 2; }
    void RaiseMouse(int kind, QMouseEvent* e);
    int borderStyle_ = 1;
    bool pressed_ = false;
};

}  // namespace nuvir
