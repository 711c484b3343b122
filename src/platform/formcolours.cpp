#include "platform/formcolours.h"

#include "platform/form.h"
#include "platform/picturebox.h"
#include "runtime/convert.h"
#include "runtime/error.h"

namespace nuvir::MKelvaro {

void ApplyFormColours(Form& form) {
    Form* main = MainForm();
    if (main == nullptr) RaiseError(91, "Object variable or With block variable not set");
    const Colour colour = main->BackColor();
    form.SetBackColor(colour);
    static const std::string kinds = "label,commandbutton,optionbutton,checkbox,sspanel,picturebox";
    // Copy: setting a picture box's colour must not disturb the walk.
    const std::vector<Control*> controls = form.Controls();
    for (Control* c : controls) {
        const std::string type = LCase(c->TypeName());
        if (type.empty() || kinds.find(type) == std::string::npos) continue;
        Control* container = c->Container();
        if (container != nullptr && EqualsNoCase(container->TypeName(), "SSTab") && type == "label") {
            c->SetBackColor(container->BackColor());
        } else {
            c->SetBackColor(colour);
        }
    }
}

std::function<double(const std::string&)> PictureTextWidth(const PictureBox& pic) {
    return [&pic](const std::string& text) { return static_cast<double>(static_cast<float>(pic.TextWidth(text))); };
}

}  // namespace nuvir::MKelvaro
