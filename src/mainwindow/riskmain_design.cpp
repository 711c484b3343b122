// The window's design: every control and menu of the window, at tidy positions for
// the start-up size; the layout rules then move what they own. Events are wired here.
#include <QApplication>
#include <QClipboard>
#include <QKeySequence>
#include <QMimeData>
#include <QMenu>

#include "mainwindow/riskmain.h"
#include "mainwindow/riskmain_internal.h"
#include "platform/flexgrid.h"

namespace nuvir {

using mainwindow::Guard;

namespace {

template <class T>
T* Place(T* c, double left, double top, double width, double height) {
    c->Move(left, top, width, height);
    return c;
}

// A tab control with its captions.
void SetTabCaptions(TabControl* tab, std::initializer_list<const char*> captions) {
    tab->SetTabs(static_cast<int>(captions.size()));
    int i = 0;
    for (const char* caption : captions) tab->SetTabCaption(i++, caption);
}

// What the analyst started, as the message of a failed command names it: the button's
// or the menu's caption, "File > Save".
std::string Command(const CommandButton& button) { return DisplayCaption(button.Caption()).toStdString(); }
std::string Command(const MenuItem& menu, const MenuItem& entry) {
    return DisplayCaption(menu.Caption()).toStdString() + " > " + DisplayCaption(entry.Caption()).toStdString();
}

// The input boxes' values, as the message of a failed entry names them.
constexpr const char* kEntering[3] = {"Entering the species", "Entering the location", "Entering the number of trials"};

}  // namespace

// One picture per tab of a tab control, each shown on its own tab only.
template <std::size_t N>
void FRiskMain::AddTabPages(TabControl* tab, const char* name, std::array<QtPictureBox*, N>& pages, double left,
                            double top, double width, double height) {
    for (std::size_t i = 0; i < N; ++i) {
        pages[i] = Add<QtPictureBox>(name, static_cast<int>(i), tab);
        tab->SetControlTab(pages[i], static_cast<int>(i));
        Place(pages[i], left, top, width, height);
    }
}

void FRiskMain::BuildDesign() {
    SetName("FRiskMain");
    SetCaption(mainwindow::kProductName);
    SetHelpContextID(5);

    tabMain = Place(Add<TabControl>("tabMain"), 60, 100, 11760, 8150);
    SetTabCaptions(tabMain, {"Ps and Qs", "Uncertainty", "Monte Carlo"});
    AddTabPages(tabMain, "picContainer", picContainer, 60, 435, 11640, 7655);

    // ---- "Ps and Qs" ----
    QtPictureBox* page0 = picContainer[0];
    labTextLabel[0] = Place(Add<Label>("labTextLabel", 0, page0), 60, 105, 800, 255);
    labTextLabel[0]->SetCaption("&Species");
    txtTextBox[0] = Place(Add<TextBox>("txtTextBox", 0, page0), 900, 60, 3600, 345);
    labTextLabel[1] = Place(Add<Label>("labTextLabel", 1, page0), 4800, 105, 800, 255);
    labTextLabel[1]->SetCaption("&Location");
    txtTextBox[1] = Place(Add<TextBox>("txtTextBox", 1, page0), 5640, 60, 3600, 345);
    labTextLabel[0]->setBuddy(txtTextBox[0]);
    labTextLabel[1]->setBuddy(txtTextBox[1]);
    // No cut of the box's own: a name too long is refused whole, its length said.
    txtTextBox[0]->SetMaxLength(0);
    txtTextBox[1]->SetMaxLength(0);
    picChainContainer = Place(Add<QtPictureBox>("picChainContainer", -1, page0), 60, 605, 11460, 6900);
    // Picture boxes take the focus on a click, so the Edit menu can copy the diagram.
    picChainContainer->setFocusPolicy(Qt::ClickFocus);
    txtChainEditBox = Place(Add<TextBox>("txtChainEditBox", -1, picChainContainer), 0, 0, 900, 315);
    txtChainEditBox->SetVisible(false);

    // ---- "Uncertainty" ----
    QtPictureBox* page1 = picContainer[1];
    optUncertain[0] = Place(Add<OptionButton>("optUncertain", 0, page1), 120, 0, 1500, 285);
    optUncertain[0]->SetCaption("&Relative");
    optUncertain[1] = Place(Add<OptionButton>("optUncertain", 1, page1), 1800, 0, 1500, 285);
    optUncertain[1]->SetCaption("&Absolute");
    for (int i = 0; i < 2; ++i) {
        picUncertainContainer[i] = Place(Add<QtPictureBox>("picUncertainContainer", i, page1), 0, 300, 11640, 7355);
    }
    QtPictureBox* relative = picUncertainContainer[0];
    for (int k = 0; k < 5; ++k) {
        vscRelUnc[k] = Place(Add<ScrollBar>("vscRelUnc", k, relative), 2400 + 1250 * k, 5700, 255, 1200);
        vscRelUnc[k]->SetMin(0);
        vscRelUnc[k]->SetMax(100);
        vscRelUnc[k]->SetSmallChange(1);
        vscRelUnc[k]->SetLargeChange(10);
        labRelUnc[k] = Place(Add<Label>("labRelUnc", k, relative), 2400 + 1250 * k - 172, 6960, 600, 255);
        labRelUnc[k]->SetAlignment(align::Center);
    }
    labRelSliders = Place(Add<Label>("labRelSliders", -1, relative), 120, 5700, 2100, 1500);
    labRelSliders->SetWordWrap(true);
    cmdButton[2] = Place(Add<CommandButton>("cmdButton", 2, relative), 7620, 500, 2700, 420);
    cmdButton[2]->SetCaption("&Copy Relative To Absolute");
    labRelNum = Place(Add<Label>("labRelNum", -1, relative), 7620, 1920, 2700, 255);
    labRelNum->SetCaption("Number Uncertainty Levels:");
    fraNumLevels = Place(Add<Frame>("fraNumLevels", -1, relative), 7620, 2205, 1500, 600);
    labNumLevels = Place(Add<Label>("labNumLevels", -1, fraNumLevels), 200, 200, 500, 300);
    labNumLevels->SetAlignment(align::Center);
    updNumLevels = Place(Add<UpDown>("updNumLevels", -1, fraNumLevels), 800, 150, 300, 400);
    updNumLevels->SetMin(4);
    updNumLevels->SetMax(5);
    updNumLevels->SetValue(4);
    labNumLevels->SetCaption("4");

    tabAbsolute = Place(Add<TabControl>("tabAbsolute", -1, picUncertainContainer[1]), 0, 200, 11640, 7155);
    SetTabCaptions(tabAbsolute, {"Probabilities and Impacts", "Management Costs"});
    AddTabPages(tabAbsolute, "picAbsoluteContainer", picAbsoluteContainer, 30, 435, 11580, 6720);

    // ---- "Monte Carlo" ----
    QtPictureBox* page2 = picContainer[2];
    labTextLabel[2] = Place(Add<Label>("labTextLabel", 2, page2), 60, 105, 1560, 255);
    labTextLabel[2]->SetCaption("Number of Trials:");
    txtTextBox[2] = Place(Add<TextBox>("txtTextBox", 2, page2), 1680, 60, 960, 345);
    labTextLabel[2]->setBuddy(txtTextBox[2]);
    labConfidence = Place(Add<Label>("labConfidence", -1, page2), 2820, 105, 1860, 255);
    labConfidence->SetCaption("Confidence Interval:");
    cboConfidence = Place(Add<ComboBox>("cboConfidence", -1, page2), 4740, 60, 1000, 345);
    for (const char* entry : {"90 %", "95 %", "99 %"}) cboConfidence->AddItem(entry);
    labConfidence->setBuddy(cboConfidence);
    cmdButton[0] = Place(Add<CommandButton>("cmdButton", 0, page2), 5940, 45, 1000, 375);
    cmdButton[0]->SetCaption("&Run");
    cmdButton[1] = Place(Add<CommandButton>("cmdButton", 1, page2), 7040, 45, 1000, 375);
    cmdButton[1]->SetCaption("Re&port");
    cmdButton[1]->SetEnabled(false);  // nothing to report before a run
    cmdButton[3] = Place(Add<CommandButton>("cmdButton", 3, page2), 8140, 45, 1000, 375);
    cmdButton[3]->SetCaption("C&lear");
    for (int i = 0; i < 2; ++i) {
        labMonte[i] = Place(Add<Label>("labMonte", i, page2), 60 + 5820 * i, 540, 5640, 255);
        txtMonte[i] = Place(Add<MultiLineTextBox>("txtMonte", i, page2), 60 + 5820 * i, 810, 5640, 765);
        txtMonte[i]->SetLocked(true);
    }
    labMonte[0]->SetCaption("TBR, Sim Mean, Sim SD, Lower Limit, Upper Limit:");
    labMonte[1]->SetCaption("Cost, Sim Mean, Sim SD, Lower Limit, Upper Limit:");
    // The status notice takes the rest of the commands' row, on two lines where the
    // row is short.
    labPicMonte[10] = Place(Add<Label>("labPicMonte", 10, page2), 9240, 0, 2340, 525);
    labPicMonte[10]->SetWordWrap(true);
    labPicMonte[10]->SetAlignment(align::Center);
    // A notice of one line stands in the middle of its two-line box, not at its top.
    labPicMonte[10]->setAlignment(Qt::AlignCenter);
    labPicMonte[10]->SetVisible(false);
    tabSimulationGraphs = Place(Add<TabControl>("tabSimulationGraphs", -1, page2), 0, 1275, 11640, 6380);
    SetTabCaptions(tabSimulationGraphs, {"Probabilities and Impacts", " Management Costs"});
    // Risk plots (0, 1, 4) on the first tab, cost plots (2, 3, 5) on the second.
    constexpr int kPlotTab[6] = {0, 0, 1, 1, 0, 1};
    constexpr int kPlotColumn[6] = {0, 1, 0, 1, 2, 2};
    for (int i = 0; i < 6; ++i) {
        const double left = 60 + 3860 * kPlotColumn[i];
        labPicMonte[i] = Add<Label>("labPicMonte", i, tabSimulationGraphs);
        tabSimulationGraphs->SetControlTab(labPicMonte[i], kPlotTab[i]);
        Place(labPicMonte[i], left, 480, 3740, 255);
        static const char* const kPlotCaptions[6] = {"Monte Carlo Results:", "Sensitivity Results:",
                                                     "Monte Carlo Results:", "Sensitivity Results:",
                                                     "Cumulative Risks:",    "Cumulative Costs:"};
        labPicMonte[i]->SetCaption(kPlotCaptions[i]);
        picMonte[i] = Add<QtPictureBox>("picMonte", i, tabSimulationGraphs);
        tabSimulationGraphs->SetControlTab(picMonte[i], kPlotTab[i]);
        Place(picMonte[i], left, 760, 3740, 5500);
        // A click makes the plot the control the Edit menu copies.
        picMonte[i]->setFocusPolicy(Qt::ClickFocus);
    }
    picShowSensMeasures = Place(Add<QtPictureBox>("picShowSensMeasures", -1, page2), 3000, 1800, 5600, 4000);
    picShowSensMeasures->SetVisible(false);
    FlexGrid::RegisterType();
    flxShowSensMeasures =
        dynamic_cast<FlexGrid*>(AddByType(FlexGrid::kTypeName, "flxShowSensMeasures", picShowSensMeasures));
    if (flxShowSensMeasures != nullptr) {
        flxShowSensMeasures->Move(0, 0, 5600, 4000);
        flxShowSensMeasures->SetVisible(true);
    }

    picHidden = Place(Add<QtPictureBox>("picHidden"), 0, 0, 4480, 3136);
    picHidden->SetVisible(false);

    for (int i = 0; i < 3; ++i) tmrUpdate[i] = Add<Timer>("tmrUpdate", i);
    tabMain->SetTab(0);
}

void FRiskMain::BuildMenus() {
    mnuMain[0] = AddMenu("mnuMain", "&File", nullptr, 0);
    const char* fileItems[10] = {"&New", "&Open",       "&Save", "Save &As", "-", "Save &Plot Options",
                                 "-",    "&Batch Mode", "-",     "E&xit"};
    for (int i = 0; i < 10; ++i) mnuFile[i] = AddMenu("mnuFile", fileItems[i], mnuMain[0], i);

    mnuMain[1] = AddMenu("mnuMain", "&Edit", nullptr, 1);
    const char* editItems[3] = {"&Copy", "Cu&t", "&Paste"};
    const QKeySequence editKeys[3] = {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_X),
                                      QKeySequence(Qt::CTRL | Qt::Key_V)};
    for (int i = 0; i < 3; ++i) {
        mnuEdit[i] = AddMenu("mnuEdit", editItems[i], mnuMain[1], i);
        mnuEdit[i]->SetShortcut(editKeys[i]);
    }

    mnuMain[2] = AddMenu("mnuMain", "&Options", nullptr, 2);
    const char* optionItems[7] = {"&Custom Random Number Generator",
                                  "&Hide Management Costs",
                                  "-",
                                  "Categorical &Impacts",
                                  "Categorical Cos&ts",
                                  "-",
                                  "&Manage"};
    for (int i = 0; i < 7; ++i) mnuOptions[i] = AddMenu("mnuOptions", optionItems[i], mnuMain[2], i);
    for (int i : {0, 1, 3, 4}) mnuOptions[i]->SetChecked(false);

    mnuMain[3] = AddMenu("mnuMain", "&Help", nullptr, 3);
    mnuHelp[0] = AddMenu("mnuHelp", "Risk Assessment &Help", mnuMain[3], 0);
    mnuHelp[1] = AddMenu("mnuHelp", "&About", mnuMain[3], 1);

    mnuMain[4] = AddMenu("mnuMain", "Sens Plot Popup", nullptr, 4);
    const char* sensItems[3] = {"Show Details", "-", "Copy"};
    for (int i = 0; i < 3; ++i) mnuSensPlot[i] = AddMenu("mnuSensPlot", sensItems[i], mnuMain[4], i);
    mnuMain[4]->SetVisible(false);

    // Commands whose window has not been built into this program stay off.
    mnuFile[7]->SetEnabled(static_cast<bool>(parts_.makeBatchWindow));
    mnuOptions[6]->SetEnabled(static_cast<bool>(parts_.showOptions));
}

void FRiskMain::ConnectEvents() {
    connect(this, &Form::Activate, this, [this] { Guard("Showing the assessment", [&] { FormActivate(); }); });
    connect(this, &Form::QueryUnload, this, [this](bool& cancel, int) {
        Guard("Closing NUVIR", [&] {
            if (!FormQueryUnload()) cancel = true;
        });
    });
    // Resizes come in bursts while the frame is dragged: lay out once per burst.
    resizeTimer_.setSingleShot(true);
    resizeTimer_.setInterval(0);
    connect(&resizeTimer_, &QTimer::timeout, this, [this] { Guard("Laying out the window", [&] { FormResize(); }); });
    connect(this, &Form::Resize, this, [this] { resizeTimer_.start(); });
    for (int i = 0; i < 3; ++i) {
        connect(tmrUpdate[i]->Events(), &ControlEvents::Timer, this,
                [this, i] { Guard("Updating the window", [&] { TimerTick(i); }); });
    }

    connect(tabMain->Events(), &ControlEvents::Click, this,
            [this] { Guard("Changing the page", [&] { TabMainClick(tabMain->PreviousTab()); }); });
    connect(tabAbsolute->Events(), &ControlEvents::Click, this,
            [this] { Guard("Changing the page", [&] { TabAbsoluteClick(tabAbsolute->PreviousTab()); }); });
    connect(picContainer[0]->Events(), &ControlEvents::Click, this,
            [this] { Guard("Entering the chain value", [&] { CommitChainEdit(); }); });
    // The chain stores the box's entry as the box loses the focus (Enter moves the focus
    // too); the data takes it at the next sync or commit.
    connect(txtChainEditBox->Events(), &ControlEvents::Validate, this, [this](bool&) { chainEntryPending_ = true; });

    for (int i = 0; i < 3; ++i) {
        ControlEvents* ev = txtTextBox[i]->Events();
        connect(ev, &ControlEvents::Change, this, [this, i] { Guard(kEntering[i], [&] { TextBoxChange(i); }); });
        connect(ev, &ControlEvents::GotFocus, this, [this, i] { Guard(kEntering[i], [&] { TextBoxGotFocus(i); }); });
        connect(ev, &ControlEvents::Validate, this,
                [this, i](bool&) { Guard(kEntering[i], [&] { TextBoxValidate(i); }); });
    }
    connect(cboConfidence->Events(), &ControlEvents::Click, this,
            [this] { Guard("Choosing the confidence level", [&] { ConfidenceClick(); }); });

    for (int i = 0; i < 2; ++i) {
        connect(optUncertain[i]->Events(), &ControlEvents::Click, this,
                [this] { Guard("Choosing relative or absolute uncertainty", [&] { ShowUncertaintyMode(); }); });
    }
    for (int k = 0; k < 5; ++k) {
        ScrollBar* s = vscRelUnc[k];
        connect(s->Events(), &ControlEvents::Change, this,
                [this, k] { Guard("Setting an uncertainty level", [&] { OnLevelSliderChanged(k); }); });
        connect(s->Events(), &ControlEvents::Scroll, this,
                [this, k] { Guard("Setting an uncertainty level", [&] { OnLevelSliderChanged(k); }); });
        connect(s->Events(), &ControlEvents::GotFocus, this, [s] { s->SetTag("1"); });
        connect(s->Events(), &ControlEvents::Validate, this, [s](bool&) { s->SetTag(""); });
        connect(labRelUnc[k]->Events(), &ControlEvents::Change, this,
                [this, k] { Guard("Setting an uncertainty level", [&] { LevelLabelChange(k); }); });
    }
    connect(updNumLevels->Events(), &ControlEvents::Change, this,
            [this] { Guard("Changing the number of uncertainty levels", [&] { NumLevelsChange(); }); });
    connect(cmdButton[2]->Events(), &ControlEvents::Click, this,
            [this] { Guard(Command(*cmdButton[2]), [&] { CopyRelativeToAbsolute(); }); });

    // Each entry of a menu runs the menu's handler with its index, guarded under the
    // menu's and the entry's captions as they read when it is clicked.
    const auto connectMenu = [this](const auto& entries, int menu, void (FRiskMain::*click)(int)) {
        for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
            connect(entries[i]->Events(), &ControlEvents::Click, this, [this, &entries, menu, click, i] {
                Guard(Command(*mnuMain[menu], *entries[i]), [&] { (this->*click)(i); });
            });
        }
    };
    connectMenu(mnuFile, 0, &FRiskMain::FileMenuClick);
    connectMenu(mnuEdit, 1, &FRiskMain::EditMenuClick);
    connectMenu(mnuOptions, 2, &FRiskMain::OptionsMenuClick);
    connectMenu(mnuHelp, 3, &FRiskMain::HelpMenuClick);
    connect(mnuMain[2]->Menu(), &QMenu::aboutToShow, this,
            [this] { Guard("Opening the Options menu", [&] { OptionsMenuOpening(); }); });

    // Whether the clipboard holds text, kept from its change signal: asking the
    // clipboard's owner every 200 ms can block under a real X11 session.
    QClipboard* clipboard = QApplication::clipboard();
    auto refresh = [this, clipboard] {
        clipboardHasText_ = clipboard->mimeData() != nullptr && clipboard->mimeData()->hasText();
    };
    refresh();
    connect(clipboard, &QClipboard::dataChanged, this, refresh);
}

}  // namespace nuvir
