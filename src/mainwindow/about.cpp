#include "mainwindow/about.h"

#include "platform/formcolours.h"
#include "runtime/convert.h"
#include "runtime/error.h"

namespace nuvir {

namespace versioninfo {
const char* const kLegalCopyright = "Copyright (C) 2024-2026 The NUVIR developers. All rights reserved.";
const char* const kComments =
    "NUVIR estimates the risk that an introduced species poses at a location from the analyst's own "
    "judgements; its results are only as good as those judgements.~~This program is provided \"as is\", "
    "without warranty of any kind, express or implied, including the warranties of merchantability and "
    "fitness for a particular purpose. In no event shall the authors be liable for any claim, damages or "
    "other liability arising from the use of the program or of its results.";
const char* const kCitation =
    "The NUVIR developers (2026). NUVIR: quantitative risk assessment of introduced species, Version 3.2.2. "
    "Desktop program for Linux.";
}  // namespace versioninfo

namespace {

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

constexpr const char* kDesignCaptions[3] = {"%c~~%v", "This work may be correctly cited as follows:~~%x", ""};

}  // namespace

std::string ExpandLineBreaks(const std::string& text) { return ReplaceAll(text, "~", "\r\n"); }

FAbout::FAbout(QWidget* owner) : Form(owner) {
    SetName("FAbout");
    SetCaption("NUVIR");
    SetBorderStyle(borderstyle::FixedDialog);
    SetWidth(6600);
    SetHeight(6300);
    Picture1 = Add<QtPictureBox>("Picture1");
    Picture1->Move(240, 240, 540, 540);
    Picture1->SetBorderStyle(0);
    for (int i = 0; i < 3; ++i) {
        Label1[i] = Add<Label>("Label1", i);
        Label1[i]->SetWordWrap(true);
    }
    Label1[0]->Move(1020, 240, 5220, 1000);
    Label1[1]->Move(1020, 1320, 5220, 1200);
    Label1[2]->Move(240, 2640, 6000, 2640);
    Command1 = Add<CommandButton>("Command1");
    Command1->SetCaption("OK");
    Command1->Move(5040, 5400, 1200, 375);
    Command1->SetDefault(true);
    Command1->SetCancel(true);
    connect(this, &Form::LoadEvent, this, [this] { FormLoad(); });
    connect(Command1->Events(), &ControlEvents::Click, this, [this] { Unload(); });
}

void FAbout::FormLoad() {
    for (int i = 0; i < 3; ++i) Label1[i]->SetCaption(kDesignCaptions[i]);
    TryStep([&] {
        if (OwnerForm == nullptr) OwnerForm = MainForm();
    });
    TryStep([&] {
        if (OwnerForm == nullptr) return;
        // As designed: centred on the owner's size from the screen's corner, without
        // the owner's own position.
        SetLeft((OwnerForm->Width() - Width()) / 2);
        SetTop((OwnerForm->Height() - Height()) / 2);
    });
    TryStep([&] { Label1[0]->SetCaption(ReplaceAll(Label1[0]->Caption(), "%c", versioninfo::kLegalCopyright)); });
    TryStep([&] {
        const std::string version = std::string(versioninfo::kProductName) + "  Version " +
                                    CStr(Variant(versioninfo::kMajor)) + "." + CStr(Variant(versioninfo::kMinor)) +
                                    "." + CStr(Variant(versioninfo::kRevision));
        Label1[0]->SetCaption(ReplaceAll(Label1[0]->Caption(), "%v", version));
    });
    TryStep([&] { Label1[1]->SetCaption(ReplaceAll(Label1[1]->Caption(), "%x", versioninfo::kCitation)); });
    TryStep([&] { Label1[2]->SetCaption(ExpandLineBreaks(versioninfo::kComments)); });
    for (Label* label : Label1) TryStep([&] { label->SetCaption(ExpandLineBreaks(label->Caption())); });
    TryStep([&] { MKelvaro::ApplyFormColours(*this); });
    TryStep([&] {
        // The program's emblem: a green disc, the colour of a passed stage.
        Picture1->SetFillStyle(fillstyle::Solid);
        Picture1->SetFillColor(RGBColour(40, 140, 60));
        Picture1->Circle(270, 270, 240, RGBColour(20, 90, 40));
    });
}

}  // namespace nuvir
