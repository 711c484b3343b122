#pragma once
// The drawing-dependent helpers of the number formats and form colours.
#include <functional>
#include <string>

namespace nuvir {

class Form;
class PictureBox;

namespace MKelvaro {

// Gives a secondary window the background colour of the main window: the form, and
// its labels, command buttons, option buttons, check boxes, panels and picture boxes
// (a label on a tab control takes the tab control's colour instead). Other controls
// keep their colours. Without a main window raises error 91.
void ApplyFormColours(Form& form);

// The drawn width of a text on a picture box, in its current font and scale, for
// FormatSigFigs' choice between the plain and the scientific form. The picture box
// must outlive the returned function.
std::function<double(const std::string&)> PictureTextWidth(const PictureBox& pic);

}  // namespace MKelvaro
}  // namespace nuvir
