#include "batch/batchwindow.h"

#include <QApplication>
#include <QShowEvent>

#include <algorithm>
#include <utility>

#include "platform/controls.h"
#include "platform/handlerguard.h"
#include "platform/multilinetextbox.h"
#include "platform/openboxes.h"
#include "platform/screen.h"

namespace nuvir {

namespace {

// The client area of the full window, twips.
constexpr double kClientWidth = 8490;
constexpr double kClientHeight = 6405;
constexpr double kStripWidth = 4770;
constexpr double kButtonTop = 60;
constexpr double kButtonWidth = 735;
constexpr double kButtonHeight = 255;
constexpr double kLabelWidth = 1215;
constexpr int kStateInterval = 300;
constexpr int kHelpContext = 25;

}  // namespace

template <class F>
void FBatch::Guarded(const std::string& action, F&& handler) {
    BoxesBelongTo boxes(*this);
    const int shownBefore = BoxesShown();
    RunGuarded(GuardPolicy::ShowMessage, "NUVIR Batch Module", action, std::forward<F>(handler));
    // A window manager gives the keys to the box's owner, or to the main window brought
    // back under it, as a box closes: once the command is done with its boxes, they are
    // the batch window's again, unless the command closed it or is closing it.
    if (BoxesShown() != shownBefore && IsLoaded() && !session_.CloseRequested() && isVisible() && !isMinimized())
        activateWindow();
}

FBatch::FBatch(QWidget* owner) : Form(owner) {
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    SetName("FBatch");
    SetBorderStyle(borderstyle::FixedToolWindow);
    // The window docks as a strip of its own width; a long file name in its title is cut
    // rather than the strip widened over the main window.
    SetWidensForTitle(false);
    SetCaption(BatchList::kCaption);

    const char* const captions[] = {"Capture", "Run", "Clear"};
    for (int i = 0; i < 3; ++i) {
        buttons_[i] = Add<CommandButton>("cmdButton", i);
        buttons_[i]->SetCaption(captions[i]);
        buttons_[i]->Move(120, kButtonTop, kButtonWidth, kButtonHeight);
        connect(buttons_[i]->Events(), &ControlEvents::Click, this, [this, i] {
            Guarded(buttons_[i]->Caption(), [&] {
                if (i == 0) session_.Capture();
                if (i == 1) session_.RunBatch();
                if (i == 2) session_.ClearBatch(true);
            });
        });
    }
    for (int i = 0; i < 2; ++i) {
        labels_[i] = Add<Label>("labBatch", i);
        labels_[i]->Move(120, kButtonTop, kLabelWidth, kButtonHeight);
    }
    labels_[0]->SetCaption("Captured Specs:");
    labels_[0]->SetAlignment(align::Right);

    list_ = Add<MultiLineTextBox>("txtBatch");
    list_->Move(120, 360, 8175, 5895);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list_->SetLocked(false);
    // Tab moves on to the next control, as everywhere else in the program.
    list_->setTabChangesFocus(true);
    connect(list_->Events(), &ControlEvents::Change, this, [this] {
        if (!showingState_) Guarded("Editing the list", [&] { session_.ListEdited(list_->Text()); });
    });

    timer_ = Add<Timer>("tmrState");
    // A failing tick shows nothing: a box every 300 ms would flood the screen.
    connect(timer_->Events(), &ControlEvents::Timer, this,
            [this] { RunGuarded(GuardPolicy::Swallow, {}, [&] { StateTick(); }); });

    mainMenus_[0] = AddMenu("mnuMain", "&File", nullptr, 0);
    const char* const fileCaptions[] = {"&Open", "&Save", "-", "E&xit"};
    for (int i = 0; i < 4; ++i) fileMenus_[i] = AddMenu("mnuFile", fileCaptions[i], mainMenus_[0], i);
    mainMenus_[1] = AddMenu("mnuMain", "&Record", nullptr, 1);
    connect(fileMenus_[0]->Events(), &ControlEvents::Click, this,
            [this] { Guarded("File > Open", [&] { session_.OpenBatchFile(); }); });
    connect(fileMenus_[1]->Events(), &ControlEvents::Click, this,
            [this] { Guarded("File > Save", [&] { session_.SaveBatchFile(); }); });
    connect(fileMenus_[3]->Events(), &ControlEvents::Click, this,
            [this] { Guarded("File > Exit", [&] { Unload(); }); });
    connect(mainMenus_[1]->Events(), &ControlEvents::Click, this, [this] {
        Guarded("Record", [&] {
            session_.ToggleRecord();
            if (session_.BatchFormMode() == batchmode::kRecord) {
                // The strip keeps the menu bar and the button row. The list is out of
                // sight, so it takes no keys: they go to the strip's button.
                list_->SetVisible(false);
                SizeWindow(kStripWidth, 2 * kButtonTop + kButtonHeight + PxToTwipsY(NonClientHeightPx()));
                buttons_[0]->setFocus();
            } else {
                SizeWindow(normalWidth_, normalHeight_);
                list_->SetVisible(true);
                list_->setFocus();
            }
            PositionBatchForm();
        });
    });

    connect(this, &Form::Activate, this, [this] {
        // A window manager activates a window again as its menu or a message box closes,
        // which may come after a close that went ahead has hidden it: that activation
        // must not cancel the close the main window has yet to carry out.
        if (!IsLoaded()) return;
        session_.Activated();
        if (firstActivation_) FirstActivation();
    });
    connect(this, &Form::QueryUnload, this, [this](bool& cancel, int) {
        cancel = true;
        Guarded("Closing the batch window", [&] { cancel = !session_.QueryClose(); });
    });

    SizeWindow(kClientWidth + PxToTwipsX(NonClientWidthPx()), kClientHeight + PxToTwipsY(NonClientHeightPx()));
}

FBatch::~FBatch() { SetBusyCursor(false); }

void FBatch::SetMainWindow(BatchHost* host, Form* mainWindow) {
    session_.SetHost(host);
    mainWindow_ = mainWindow;
}

void FBatch::showEvent(QShowEvent* e) {
    Form::showEvent(e);
    // A window manager, or the offscreen platform, may never activate the window.
    if (firstActivation_) FirstActivation();
}

void FBatch::FirstActivation() {
    firstActivation_ = false;
    normalWidth_ = Width();
    normalHeight_ = Height();
    CommandButton* capture = buttons_[0];
    // The caption keeps a margin of a character's width each side inside its button.
    const int capturePx = capture->CaptionNeeds().widthPx + 2 * capture->fontMetrics().averageCharWidth();
    if (PxToTwipsX(capturePx) > capture->Width()) capture->SetWidth(PxToTwipsX(capturePx));
    buttons_[1]->Move(capture->Left(), capture->Top());
    buttons_[2]->Move(buttons_[1]->Left() + buttons_[1]->Width() + 600, buttons_[1]->Top());
    // The label's text takes more room in this platform's font than its design width.
    const int textPx = labels_[0]->fontMetrics().horizontalAdvance(QStringLiteral("Spec Being Run:")) + 6;
    labels_[0]->SetWidth(std::max(kLabelWidth, PxToTwipsX(textPx)));
    labels_[0]->Move(buttons_[2]->Left() + buttons_[2]->Width() + 120, buttons_[2]->Top());
    labels_[1]->Move(labels_[0]->Left() + labels_[0]->Width() + 60, labels_[0]->Top());
    SetHelpContextID(kHelpContext);
    session_.InitialiseBatchWindow();
}

void FBatch::SizeWindow(double width, double height) {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    SetWidth(width);
    SetHeight(height);
    setFixedSize(size());
}

void FBatch::StateTick() {
    PositionBatchForm();
    session_.RefreshBatchControls();
}

void FBatch::PositionBatchForm() {
    if (mainWindow_ == nullptr || !isVisible()) return;
    const TwipsRect parent{mainWindow_->Left(), mainWindow_->Top(), mainWindow_->Width(), mainWindow_->Height()};
    const TwipsRect to = BatchSession::PositionFor(session_.BatchFormMode(), parent, Width(), Height());
    // Only what changed moves, so an unchanged position causes no move.
    if (to.left != Left()) SetLeft(to.left);
    if (to.top != Top()) SetTop(to.top);
}

int FBatch::AroundMessage(const std::function<int()>& showBox) {
    // Hidden while the box shows, not minimised: a window manager minimises the main
    // window with a window it owns, and the main window must stay as it is.
    const bool shown = isVisible() && !steppedAside_;
    if (!shown) return showBox();
    steppedAside_ = true;
    QWidget::hide();
    struct Back {
        FBatch& w;
        ~Back() {
            w.steppedAside_ = false;
            // A close that went ahead in the meantime keeps it hidden.
            if (w.IsLoaded()) w.QWidget::show();
        }
    } back{*this};
    return showBox();
}

void FBatch::SetStateTimer(bool on) {
    timer_->SetInterval(kStateInterval);
    timer_->SetEnabled(on);
}

void FBatch::SetBusyCursor(bool on) {
    if (on == busyCursor_) return;
    busyCursor_ = on;
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void FBatch::ShowState() {
    const BatchControls& c = session_.Controls();
    const BatchList& l = session_.List();
    showingState_ = true;
    list_->SetText(l.Text());
    list_->SetLocked(c.listReadOnly);
    showingState_ = false;
    SetCaption(l.Caption());
    buttons_[0]->SetVisible(c.captureVisible);
    buttons_[1]->SetVisible(c.runVisible);
    buttons_[2]->SetVisible(c.clearVisible);
    buttons_[0]->SetEnabled(c.captureEnabled);
    buttons_[1]->SetEnabled(c.runEnabled);
    buttons_[2]->SetEnabled(c.clearEnabled);
    labels_[0]->SetCaption(c.labelCaption);
    labels_[1]->SetCaption(l.CounterText());
    labels_[0]->SetVisible(c.labelsVisible);
    labels_[1]->SetVisible(c.labelsVisible);
    mainMenus_[0]->SetEnabled(c.fileMenuEnabled);
    mainMenus_[1]->SetEnabled(c.recordMenuEnabled);
    mainMenus_[1]->SetCaption(c.recordCaption);
    fileMenus_[1]->SetEnabled(c.saveEnabled);
}

}  // namespace nuvir
