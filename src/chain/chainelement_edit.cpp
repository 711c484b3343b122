// Editing a stage in place: the hit test, the shared edit box and its events. Every
// stage receives every event of the shared picture and box; the box's Tag (part digit
// and stage ID) says whose edit is open, and only that stage stores anything.
#include "appdata/appdata.h"
#include "chain/chainelement.h"
#include "platform/controls.h"
#include "platform/handlerguard.h"
#include "platform/windowutilities.h"
#include "runtime/convert.h"

namespace nuvir {

namespace {

constexpr Colour kLockedBack = 0xC0C0C0;
constexpr Colour kWhite = 0xFFFFFF;

// Nothing a click or key does on the diagram is reported to the analyst.
template <class F>
void Quietly(F&& f) {
    RunGuarded(GuardPolicy::Swallow, "", std::forward<F>(f));
}

}  // namespace

void CChainElement::SetHost(PictureBox* pic) {
    if (pic == pic_) return;
    disconnect(mouseDown_);
    pic_ = pic;
    if (auto* control = dynamic_cast<Control*>(pic)) {
        mouseDown_ = connect(control->Events(), &ControlEvents::MouseDown, this,
                             [this](int button, int shift, double x, double y) {
                                 Quietly([&] { OnMouseDown(button, shift, x, y); });
                             });
    }
}

void CChainElement::SetEditBox(TextBox* box) {
    if (box == textBox_) return;
    for (auto& c : boxEvents_) disconnect(c);
    textBox_ = box;
    if (!box) return;
    ControlEvents* ev = box->Events();
    boxEvents_[0] = connect(ev, &ControlEvents::KeyDown, this,
                            [this](int& keyCode, int shift) { Quietly([&] { OnKeyDown(keyCode, shift); }); });
    boxEvents_[1] =
        connect(ev, &ControlEvents::KeyPress, this, [this](int& keyAscii) { Quietly([&] { OnKeyPress(keyAscii); }); });
    boxEvents_[2] = connect(ev, &ControlEvents::DblClick, this, [this] { Quietly([&] { OnDblClick(); }); });
    boxEvents_[3] =
        connect(ev, &ControlEvents::Validate, this, [this](bool& cancel) { Quietly([&] { OnValidate(cancel); }); });
}

int CChainElement::HitTestPart(float x, float y) const {
    for (int part = 0; part < kParts; ++part) {
        // A part that was not drawn has no place: its zero box at the origin is no target.
        if (!partDrawn_[static_cast<std::size_t>(part)]) continue;
        const Box& b = partBoxes_[static_cast<std::size_t>(part)];
        if (b[0] <= x && x <= b[2] && b[3] <= y && y <= b[1]) return part;
    }
    return -1;
}

void CChainElement::DisplayTextBox(int part) {
    selectedPart_ = -1;
    if (part < 0 || part > 4) return;
    const int index = kPartMap[static_cast<std::size_t>(part)];
    if (textBox_) {
        if (IsCategorical(part)) {
            textBox_->SetLocked(true);
            textBox_->SetForeColor(0);
            textBox_->SetBackColor(kLockedBack);
            textBox_->SetToolTipText("Space-bar or double-click to edit");
            CheckCategoryData(index);
        } else {
            textBox_->SetLocked(false);
            textBox_->SetForeColor(0);
            textBox_->SetBackColor(kWhite);
            textBox_->SetToolTipText("");
        }
    }
    selectedPart_ = static_cast<std::int16_t>(part);
    PositionEditBox(FormatDouble(primary_[static_cast<std::size_t>(index)]));
}

void CChainElement::PositionEditBox(const std::string& text) {
    if (selectedPart_ < 0 || !textBox_) return;
    const Box& b = partBoxes_[static_cast<std::size_t>(selectedPart_)];
    const double w = b[2] - b[0];
    const double h = std::abs(textBox_->Height());
    textBox_->SetWidth(0.8 * w);
    textBox_->SetLeft(b[0] + w * (1 - 0.8) / 2);
    textBox_->SetTop(b[3] + (b[1] - b[3] + h) / 2);
    textBox_->SetVisible(true);
    textBox_->SetTag(FormatDouble(selectedPart_) + id_);
    textBox_->SetText(text);
    if (!textBox_->Locked()) textBox_->SelectForOvertyping();
    textBox_->SetFocus();
}

void CChainElement::HideEditBox() {
    if (!textBox_) return;
    textBox_->SetVisible(false);
    textBox_->SetTag("");
}

void CChainElement::OnMouseDown(int, int, double x, double y) {
    DisplayTextBox(HitTestPart(static_cast<float>(x), static_cast<float>(y)));
}

void CChainElement::OnKeyPress(int& keyAscii) {
    if (keyAscii != 13 || selectedPart_ < 0) return;
    DoUpdates(true);
    if (auto* picture = dynamic_cast<Control*>(pic_)) picture->SetFocus();
}

void CChainElement::OnValidate(bool&) { DoUpdates(true); }

void CChainElement::OnKeyDown(int& keyCode, int) {
    if (keyCode == 32) OnDblClick();
}

void CChainElement::OnDblClick() {
    if (!textBox_) return;
    const std::string tag = textBox_->Tag();
    if (tag.empty() || tag.substr(1) != id_ || !textBox_->Locked()) return;
    const double part = Val(tag.substr(0, 1));
    if (part < 0 || part > 4) return;
    const int index = kPartMap[static_cast<std::size_t>(part)];
    CCategoryData* table = CategoryTable(index);
    if (index < kI5 || !table) return;
    const std::array<double, 4> r = MUtilities::GetControlScreenRect(*textBox_);
    table->ShowTable(Variant::Doubles({r[0], r[1], r[2], r[3]}), tableEditor_);
    textBox_->SetText(FormatDouble(table->Value()));
    DoUpdates(false);
}

}  // namespace nuvir
