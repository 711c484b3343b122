#include "platform/windowutilities.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cmath>

#include "platform/controls.h"
#include "platform/form.h"
#include "platform/qtpicturebox.h"
#include "platform/qtstring.h"
#include "platform/screen.h"
#include "runtime/convert.h"
#include "runtime/error.h"

namespace nuvir::MUtilities {

namespace {

QClipboard* Board() { return QGuiApplication::clipboard(); }

bool IsPictureFormat(int format) {
    return format == clipformat::Bitmap || format == clipformat::Metafile || format == clipformat::DIB ||
           format == clipformat::EnhMetafile;
}

}  // namespace

void CopyToClipboard(const Variant& data, int format) {
    try {
        QClipboard* cb = Board();
        if (cb == nullptr) return;
        cb->clear();
        if (!data.isString()) return;  // no picture can travel in a value
        const std::string& text = data.rawString();
        if (format == clipformat::RTF) {
            auto* md = new QMimeData();
            md->setText(QtText(text));
            // Rich Text is 8-bit text in the Windows code page.
            const QByteArray bytes = QByteArray::fromStdString(EncodeWindows1252(text));
            md->setData(QString::fromLatin1(kRtfMimeType), bytes);
            md->setData(QString::fromLatin1(kRtfMimeTypeAlt), bytes);
            cb->setMimeData(md);
        } else if (format == clipformat::Text) {
            cb->setText(QtText(text));
        }
    } catch (...) {
    }
}

void CopyToClipboard(const QImage& picture, int format) {
    try {
        QClipboard* cb = Board();
        if (cb == nullptr) return;
        cb->clear();
        if (picture.isNull() || !IsPictureFormat(format)) return;
        cb->setImage(picture);
    } catch (...) {
    }
}

bool ClipboardHasFormat(int format) {
    try {
        QClipboard* cb = Board();
        if (cb == nullptr) return false;
        const QMimeData* md = cb->mimeData();
        if (md == nullptr) return false;  // nothing at all after a clear
        switch (format) {
            case clipformat::Text: return md->hasText();
            case clipformat::Bitmap:
            case clipformat::DIB: return md->hasImage();
            case clipformat::RTF:
                return md->hasFormat(QString::fromLatin1(kRtfMimeType)) ||
                       md->hasFormat(QString::fromLatin1(kRtfMimeTypeAlt)) ||
                       md->hasFormat(QString::fromLatin1(kRtfMimeTypeApplication));
            default: return false;
        }
    } catch (...) {
        return false;
    }
}

bool ClearClipboard() {
    try {
        if (QClipboard* cb = Board()) cb->clear();
        return true;
    } catch (...) {
        return false;
    }
}

std::string ClipboardText() {
    if (!ClipboardHasFormat(clipformat::Text)) return {};
    return Board()->text().toStdString();
}

void PasteIntoTextBox(Control* control) {
    try {
        auto* box = dynamic_cast<TextBox*>(control);
        if (box == nullptr || !ClipboardHasFormat(clipformat::Text)) return;
        const QString clip = Board()->text();
        const int s = box->SelStart();
        const QString old = box->text();
        const int l = box->SelLength();
        const QString next = old.left(s) + clip + old.mid(s + l);
        box->setText(next);
        if (box->Name().rfind("txtFlexEditBox", 0) != 0) {
            box->SetSelStart(s + static_cast<int>(clip.size()));
        } else {
            box->SelectForOvertyping();
        }
    } catch (...) {
    }
}

std::array<double, 4> GetControlScreenRect(Control& control, bool clientOnly) {
    std::array<double, 4> r{0.0, 0.0, control.Width(), control.Height()};
    double x = control.Left();
    double y = control.Top();
    Control* container = control.Container();
    Form* form = nullptr;
    for (;;) {
        if (container == nullptr) RaiseError(91, "Object variable or With block variable not set");
        double dx = x, dy = y;
        if (auto* pic = dynamic_cast<QtPictureBox*>(container)) {
            dx = std::abs(pic->ScaleX(x - pic->ScaleLeft(), scale::User, scale::Twips));
            dy = std::abs(pic->ScaleY(y - pic->ScaleTop(), scale::User, scale::Twips));
        }
        r[0] += dx;
        r[1] += dy;
        if (container->IsForm()) {
            form = static_cast<Form*>(container);
            break;
        }
        x = container->Left();
        y = container->Top();
        container = container->Container();
    }
    if (!clientOnly) {
        if (form->isVisible()) {
            const QPoint origin = form->ChildHost()->mapToGlobal(QPoint(0, 0));
            r[0] += PxToTwipsX(origin.x());
            r[1] += PxToTwipsY(origin.y());
        } else {
            r[0] += form->Left() + PxToTwipsX(GetSystemMetrics(sm::CxFrame));
            r[1] += form->Top() + PxToTwipsY(2 * GetSystemMetrics(sm::CyCaption));
        }
    }
    return r;
}

void FloodFillPicture(PictureBox& pic, float x, float y, Colour colour) {
    const float savedX = pic.CurrentX();
    const float savedY = pic.CurrentY();
    const int px = pic.PixelX(x);
    const int py = pic.PixelY(y);
    pic.SetCurrentX(x);
    pic.SetCurrentY(y);
    const int drawStyle = pic.DrawStyle();
    const int fillStyle = pic.FillStyle();
    const Colour fillColor = pic.FillColor();
    pic.SetDrawStyle(drawstyle::Solid);
    pic.SetFillStyle(fillstyle::Solid);
    pic.SetFillColor(colour);
    pic.FloodFillPx(px, py);
    pic.SetDrawStyle(drawStyle);
    pic.SetFillStyle(fillStyle);
    pic.SetFillColor(fillColor);
    pic.SetCurrentX(savedX);
    pic.SetCurrentY(savedY);
}

}  // namespace nuvir::MUtilities
