// Keyboard routing of the chain's edit box: Tab and Shift+Tab walk the editable parts
// of all four stages, F1 p1 q1 I1 F2 ... q4 I5 I4 and round again. The host form sees
// Tab through its key preview once the edit box has turned the form's tab stops off.
#include "chain/chain.h"
#include "chain/diagramoptions.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/handlerguard.h"
#include "runtime/convert.h"

namespace nuvir {

void CChain::SetHost(PictureBox* pic) {
    pic_ = pic;
    disconnect(formKeyPress_);
    hostForm_ = nullptr;
    auto* control = dynamic_cast<Control*>(pic);
    if (control) hostForm_ = control->Parent();
    // A click on the diagram must take the focus, so that the edit box it leaves
    // validates before the click opens another part.
    if (control && control->Widget() && control->Widget()->focusPolicy() == Qt::NoFocus)
        control->Widget()->setFocusPolicy(Qt::ClickFocus);
    if (!hostForm_) return;
    hostForm_->SetKeyPreview(true);
    if (!tabStopHost_) tabStopHost_ = dynamic_cast<ITabStopHost*>(hostForm_);
    formKeyPress_ = connect(hostForm_->Events(), &ControlEvents::KeyPress, this, [this](int& keyAscii) {
        RunGuarded(GuardPolicy::Swallow, "", [&] { OnHostFormKeyPress(keyAscii); });
    });
}

void CChain::SetEditBox(TextBox* box) {
    textBox_ = box;
    disconnect(boxGotFocus_);
    if (!box) return;
    boxGotFocus_ = connect(box->Events(), &ControlEvents::GotFocus, this,
                           [this] { RunGuarded(GuardPolicy::Swallow, "", [&] { OnEditBoxGotFocus(); }); });
}

void CChain::OnEditBoxGotFocus() {
    if (tabStopHost_) tabStopHost_->SetTabStops(false);
}

void CChain::OnHostFormKeyPress(int& keyAscii) {
    if (keyAscii != 9) return;
    if (textBox_ && textBox_->Visible()) MoveEditPart(ShiftKeyHeld(), textBox_->Tag());
    keyAscii = 0;
}

void CChain::MoveEditPart(bool backward, const std::string& tag) {
    // An empty tag or one naming no stage: there is no open edit to move from.
    if (tag.size() < 2) return;
    CChainElement* stage = ChainElements(tag.substr(1));
    if (!stage) return;
    int part = static_cast<int>(Val(tag.substr(0, 1)));
    stage->DoUpdates(true);
    // The stage left behind keeps no selection that a later redraw could put the box
    // back onto.
    stage->ClearSelection();
    CChainElement* first = elements_.front().get();
    CChainElement* last = elements_.back().get();
    const bool hideCosts = diagram::HideCosts();
    do {
        if (backward) {
            if (part > 0) {
                --part;
                if (part == CChainElement::kPartI5 && stage != last) part = CChainElement::kPartQ;
            } else {
                stage = stage->PrevElement() ? stage->PrevElement() : last;
                part = CChainElement::kPartI;
            }
        } else {
            if (part < 4) {
                ++part;
                if (part == CChainElement::kPartI5 && stage != last) part = CChainElement::kPartI;
            } else {
                stage = stage->NextElement() ? stage->NextElement() : first;
                part = CChainElement::kPartF;
            }
        }
        // Hidden costs have no box to edit in.
    } while (part == CChainElement::kPartF && hideCosts);
    stage->DisplayTextBox(part);
}

}  // namespace nuvir
