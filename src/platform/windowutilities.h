#pragma once
// Clipboard, control geometry and flood fill for the windows.
#include <QImage>

#include <array>
#include <string>

#include "platform/picturebox.h"
#include "runtime/variant.h"

namespace nuvir {

class Control;

// Clipboard format codes.
namespace clipformat {
constexpr int Text = 1;
constexpr int Bitmap = 2;
constexpr int Metafile = 3;
constexpr int DIB = 8;
constexpr int EnhMetafile = 14;
constexpr int RTF = -16639;  // "Rich Text Format"
}  // namespace clipformat

// The MIME types Rich Text goes under (the first is the one other programs read).
inline constexpr const char* kRtfMimeType = "text/rtf";
inline constexpr const char* kRtfMimeTypeAlt = "text/richtext";
// Also offered with a report, for the programs that ask for the registered type.
inline constexpr const char* kRtfMimeTypeApplication = "application/rtf";

namespace MUtilities {

// Clears the clipboard, then puts text as plain text (format 1) or as Rich Text
// (-16639, offered also as plain text). Data that is not text, or text with any other
// format, leaves the clipboard empty. Never raises.
void CopyToClipboard(const Variant& data, int format);
// Clears the clipboard, then puts the picture (formats 2, 3, 8, 14). A null picture
// or another format leaves it empty. Never raises.
void CopyToClipboard(const QImage& picture, int format);
// Replaces the text box's selection with the clipboard text: the caret goes after the
// pasted text, or, in the editable grid's editor (a name starting "txtFlexEditBox"),
// the whole text ends selected. Nothing happens for another kind of control or when
// the clipboard holds no text.
void PasteIntoTextBox(Control* control);
// Whether the clipboard offers the format; false on any failure.
bool ClipboardHasFormat(int format);
// Empties the clipboard; true (the window system reports no failure).
bool ClearClipboard();
// The clipboard's plain text, "" when it has none.
std::string ClipboardText();

// Left, top, width and height of a control: left and top in twips summed up its
// container chain (positions inside picture boxes converted from their scale, as
// magnitudes), width and height as the control has them, in its container's units.
// With clientOnly the position is relative to the inside of the form; otherwise it
// is on the screen (where the window system knows the form's client origin, that is
// used; before the form is shown, its Left/Top plus a sizing frame and two caption
// heights). A container chain that ends without a form raises error 91.
std::array<double, 4> GetControlScreenRect(Control& control, bool clientOnly = false);

// Fills the area around (x, y) (the picture's scale) that has the colour of that
// point with `colour`; the picture's current point, draw style, fill style and fill
// colour are as before. A point outside the picture fills nothing.
void FloodFillPicture(PictureBox& pic, float x, float y, Colour colour);

}  // namespace MUtilities
}  // namespace nuvir
