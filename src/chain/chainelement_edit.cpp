// Editing a stage in place: the hit test, the shared edit box and its events.
#include "chain/chainelement.h"
#include "platform/controls.h"

namespace nuvir {

void CChainElement::SetHost(PictureBox* pic) { pic_ = pic; }

void CChainElement::SetEditBox(TextBox* box) { textBox_ = box; }

int CChainElement::HitTestPart(float, float) const { return -1; }

void CChainElement::DisplayTextBox(int) { selectedPart_ = -1; }

void CChainElement::PositionEditBox(const std::string&) {}

void CChainElement::HideEditBox() {
    if (!textBox_) return;
    textBox_->SetVisible(false);
    textBox_->SetTag("");
}

void CChainElement::OnMouseDown(int, int, double, double) {}
void CChainElement::OnDblClick() {}
void CChainElement::OnKeyDown(int&, int) {}
void CChainElement::OnKeyPress(int&) {}
void CChainElement::OnValidate(bool&) {}

}  // namespace nuvir
