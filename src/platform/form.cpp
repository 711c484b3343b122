#include "platform/form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "platform/controls.h"
#include "platform/modalwindows.h"
#include "platform/openboxes.h"
#include "platform/qtpicturebox.h"
#include "platform/qtstring.h"
#include "platform/screen.h"
#include "runtime/convert.h"
#include "runtime/error.h"

namespace nuvir {

namespace {

Form* g_mainForm = nullptr;

std::map<std::string, Form::ControlFactory>& Factories() {
    static std::map<std::string, Form::ControlFactory> map;
    if (map.empty()) {
        map["picturebox"] = [] { return new QtPictureBox(); };
        map["checkbox"] = [] { return new CheckBox(); };
        map["textbox"] = [] { return new TextBox(); };
        map["label"] = [] { return new Label(); };
        map["commandbutton"] = [] { return new CommandButton(); };
        map["optionbutton"] = [] { return new OptionButton(); };
        map["frame"] = [] { return new Frame(); };
        map["combobox"] = [] { return new ComboBox(); };
        map["vscrollbar"] = [] { return new ScrollBar(Qt::Vertical); };
        map["hscrollbar"] = [] { return new ScrollBar(Qt::Horizontal); };
        map["updown"] = [] { return new UpDown(); };
        map["sstab"] = [] { return new TabControl(); };
        map["sspanel"] = [] { return new Panel(); };
        map["timer"] = [] { return new Timer(); };
    }
    return map;
}

}  // namespace

Form* MainForm() { return g_mainForm; }
void SetMainForm(Form* form) { g_mainForm = form; }

namespace {
// The menu bar, or a menu dropped from it.
bool IsMenuPart(const QWidget* w, const QMenuBar* bar) {
    return w != nullptr && ((bar != nullptr && w == bar) || qobject_cast<const QMenu*>(w) != nullptr);
}
}  // namespace

Form::Form(QWidget* parent) : QWidget(parent, Qt::Window), Control("Form") {
    form_ = this;
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
    client_ = new QWidget(this);
    layout_->addWidget(client_);
    // A new window's size until the program gives it one.
    SetWidth(4800);
    SetHeight(3600);
    width_.set = false;
    height_.set = false;
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        connect(app, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
            if (now != nullptr && now->window() == this && !IsMenuPart(now, menuBar_)) workFocus_ = now;
        });
    }
}

Form::~Form() {
    if (g_mainForm == this) g_mainForm = nullptr;
    for (Control* c : controls_) {
        c->form_ = nullptr;
        c->container_ = nullptr;
    }
    controls_.clear();
    tabOrder_.clear();
}

void Form::RegisterControlType(const std::string& typeName, ControlFactory factory) {
    Factories()[LCase(typeName)] = std::move(factory);
}

void Form::Adopt(Control* c, const std::string& name, int index, Control* container, bool visible) {
    if (container == nullptr) container = this;
    if (name.empty()) RaiseInvalidCall();
    if (container->Parent() != this || !container->CanContain()) RaiseInvalidCall();
    if (Find(name, index) != nullptr) {
        if (QObject* o = c->Object()) delete o;
        RaiseError(727, "There is already a control with the name '" + name + "'");
    }
    c->form_ = this;
    c->name_ = name;
    c->index_ = index;
    c->container_ = container;
    c->visible_ = visible;
    if (QWidget* w = c->Widget()) {
        w->setParent(container->ChildHost());
        c->PinColours();
        tabOrder_.push_back(c);
        RebuildTabOrder();
    } else if (QObject* o = c->Object()) {
        o->setParent(this);
    }
    controls_.push_back(c);
    container->ChildAdded(c);
    c->ApplyVisibility();
}

Control* Form::AddByType(const std::string& typeName, const std::string& name, Control* container) {
    std::string kind = typeName;
    if (const auto dot = kind.rfind('.'); dot != std::string::npos) kind = kind.substr(dot + 1);
    const auto it = Factories().find(LCase(Trim(kind)));
    if (it == Factories().end()) RaiseError(711, "Invalid class string");
    Control* c = it->second();
    Adopt(c, name, -1, container, false);
    return c;
}

Control* Form::Find(const std::string& name, int index) const {
    for (Control* c : controls_) {
        if (c->index_ == index && EqualsNoCase(c->name_, name)) return c;
    }
    return nullptr;
}

std::vector<Control*> Form::ControlArray(const std::string& name) const {
    std::vector<Control*> out;
    for (Control* c : controls_) {
        if (c->index_ >= 0 && EqualsNoCase(c->name_, name)) out.push_back(c);
    }
    std::sort(out.begin(), out.end(), [](Control* a, Control* b) { return a->index_ < b->index_; });
    return out;
}

void Form::Remove(const std::string& name, int index) {
    Control* c = Find(name, index);
    if (c == nullptr) RaiseError(730, "Control '" + name + "' not found");
    std::vector<Control*> doomed;
    for (Control* x : controls_) {
        for (Control* p = x; p != nullptr && p != this; p = p->container_) {
            if (p == c) {
                doomed.push_back(x);
                break;
            }
        }
    }
    for (Control* x : doomed) {
        Forget(x);
        if (auto* t = dynamic_cast<Timer*>(x)) t->SetEnabled(false);
        if (QWidget* w = x->Widget()) w->hide();
        if (auto* m = dynamic_cast<MenuItem*>(x)) m->Detach();
        x->form_ = nullptr;
        x->container_ = nullptr;
        if (QObject* o = x->Object()) o->deleteLater();
    }
}

void Form::Forget(Control* c) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
    const auto before = tabOrder_.size();
    tabOrder_.erase(std::remove(tabOrder_.begin(), tabOrder_.end(), c), tabOrder_.end());
    if (defaultButton_ == c) defaultButton_ = nullptr;
    if (cancelButton_ == c) cancelButton_ = nullptr;
    if (tabOrder_.size() != before) RebuildTabOrder();
}

MenuItem* Form::AddMenu(const std::string& name, const std::string& caption, MenuItem* parent, int index) {
    auto* m = new MenuItem();
    Adopt(m, name, index, nullptr, true);
    m->Attach(this, parent, caption);
    return m;
}

QMenuBar* Form::MenuBar() {
    if (menuBar_ == nullptr) {
        menuBar_ = new QMenuBar(this);
        menuBar_->setNativeMenuBar(false);
        layout_->setMenuBar(menuBar_);
    }
    return menuBar_;
}

std::string Form::Caption() const { return windowTitle().toStdString(); }
void Form::SetCaption(const std::string& caption) {
    setWindowTitle(QtText(caption));
    FitTitle();
}

void Form::SetBorderStyle(int style) {
    if (style < 0 || style > 5) RaiseError(380, "Invalid property value");
    borderStyle_ = style;
    const Qt::WindowFlags titled = Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    Qt::WindowFlags flags = Qt::Window;
    switch (style) {
        case borderstyle::None: flags = Qt::Window | Qt::FramelessWindowHint; break;
        case borderstyle::FixedSingle:
            flags = Qt::Window | titled | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint;
            break;
        case borderstyle::FixedDialog: flags = Qt::Dialog | titled; break;
        case borderstyle::FixedToolWindow:
        case borderstyle::SizableToolWindow: flags = Qt::Tool | titled; break;
        default: break;
    }
    flags |= windowFlags() & (Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);  // not the frame's
    // New flags hide a shown window: show it again as it was.
    const bool shown = isVisible();
    setWindowFlags(flags);
    LockSize();
    if (shown) QWidget::show();
}

bool Form::FixedSize() const {
    return borderStyle_ == borderstyle::None || borderStyle_ == borderstyle::FixedSingle ||
           borderStyle_ == borderstyle::FixedDialog || borderStyle_ == borderstyle::FixedToolWindow;
}

void Form::LockSize() {
    if (FixedSize()) {
        setFixedSize(size());
    } else {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
}

void Form::ResizeTo(const QSize& next) {
    if (FixedSize()) setFixedSize(next);
    resize(next);
}

Control* Form::ActiveControl() const {
    QWidget* f = focusWidget();
    if (f == nullptr) return nullptr;
    Control* c = Control::Of(f);
    return (c != nullptr && c != this && c->Parent() == this) ? c : nullptr;
}

Control* Form::WorkingControl() const {
    QWidget* f = focusWidget();
    // The menu bar takes the focus while it is worked from the keyboard and hands it
    // back when it closes; until then the analyst still works in the control it left.
    if (IsMenuPart(f, menuBar_)) f = workFocus_.data();
    if (f == nullptr || f->window() != this) return nullptr;
    Control* c = Control::Of(f);
    return (c != nullptr && c != this && c->Parent() == this) ? c : nullptr;
}

int Form::FrameXPx() const {
    switch (borderStyle_) {
        case borderstyle::None: return 0;
        case borderstyle::Sizable:
        case borderstyle::SizableToolWindow: return Screen().frameXPx;
        default: return Screen().dlgFrameXPx;
    }
}

int Form::FrameYPx() const {
    switch (borderStyle_) {
        case borderstyle::None: return 0;
        case borderstyle::Sizable:
        case borderstyle::SizableToolWindow: return Screen().frameYPx;
        default: return Screen().dlgFrameYPx;
    }
}

int Form::CaptionPx() const { return borderStyle_ == borderstyle::None ? 0 : Screen().captionHeightPx; }

int Form::MenuBarPx() const {
    if (menuBar_ == nullptr) return 0;
    bool any = false;
    for (QAction* a : menuBar_->actions()) any = any || a->isVisible();
    return any ? menuBar_->sizeHint().height() : 0;
}

int Form::NonClientWidthPx() const { return 2 * FrameXPx(); }
int Form::NonClientHeightPx() const { return 2 * FrameYPx() + CaptionPx() + MenuBarPx(); }

double Form::Left() const {
    if (left_.set && TwipsToPxX(left_.value) == x()) return left_.value;
    return PxToTwipsX(x());
}
double Form::Top() const {
    if (top_.set && TwipsToPxY(top_.value) == y()) return top_.value;
    return PxToTwipsY(y());
}
double Form::Width() const {
    const int outer = width() + NonClientWidthPx();
    if (width_.set && std::max(0, TwipsToPxX(width_.value) - NonClientWidthPx()) == width()) return width_.value;
    return PxToTwipsX(outer);
}
double Form::Height() const {
    const int outer = height() + 2 * FrameYPx() + CaptionPx();
    if (height_.set && std::max(0, TwipsToPxY(height_.value) - 2 * FrameYPx() - CaptionPx()) == height()) {
        return height_.value;
    }
    return PxToTwipsY(outer);
}
void Form::SetLeft(double v) {
    left_ = Coord{v, true};
    move(TwipsToPxX(v), y());
}
void Form::SetTop(double v) {
    top_ = Coord{v, true};
    move(x(), TwipsToPxY(v));
}
void Form::SetWidth(double v) {
    width_ = Coord{v, true};
    ResizeTo(QSize(std::max(0, TwipsToPxX(v) - NonClientWidthPx()), height()));
}
void Form::SetHeight(double v) {
    height_ = Coord{v, true};
    ResizeTo(QSize(width(), std::max(0, TwipsToPxY(v) - 2 * FrameYPx() - CaptionPx())));
}
double Form::ScaleWidth() const { return PxToTwipsX(width()); }
double Form::ScaleHeight() const { return PxToTwipsY(std::max(0, height() - MenuBarPx())); }

void Form::SetVisible(bool on) {
    if (on) {
        Show();
    } else {
        visible_ = false;
        hide();
    }
}

Colour Form::BackColor() const { return formBackColor_; }

void Form::SetBackColor(Colour c) {
    formBackColor_ = c;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ColourToQColor(c));
    setPalette(pal);
    setAutoFillBackground(true);
}

void Form::Load() {
    if (loaded_) return;
    loaded_ = true;
    Q_EMIT LoadEvent();
}

void Form::FitCaptions() {
    for (Control* c : controls_) {
        if (c->CaptionNeeds().widthPx > 0) c->Refit();
    }
    FitTitle();
}

void Form::FitTitle() {
    // A window narrower than its title would have the title bar cut it.
    if (borderStyle_ == borderstyle::None || !widensForTitle_) return;
    const int need = TitleNeedPx();
    if (width() < need) ResizeTo(QSize(need, height()));
}

int Form::TitleNeedPx() const {
    // Qt gives a window without a title the application's name.
    const QString shown = windowTitle().isEmpty() ? QCoreApplication::applicationName() : windowTitle();
    return TitleBarWidthPx(shown, QApplication::font());
}

void Form::Show() {
    Load();
    if (!loaded_) return;  // its Load unloaded it again
    visible_ = true;
    FitCaptions();
    QWidget::show();
}

void Form::ShowModal() {
    Load();
    if (!loaded_) return;  // its Load unloaded it again: nothing to wait for
    visible_ = true;
    FitCaptions();
    // A form placed where it belongs (over a plot, say) stays there; one that places
    // itself as it is shown moves from the centre.
    QWidget* owner = parentWidget() != nullptr ? parentWidget()->window() : ModalOwner();
    PrepareModal(*this, owner);
    if (!testAttribute(Qt::WA_Moved)) centreOver_ = owner;
    setWindowModality(Qt::ApplicationModal);
    QWidget::show();
    if (isVisible()) {
        // Dismissed as Esc dismisses it: by its Cancel button, else as its close box does.
        BoxScope open([this] {
            if (QApplication::activeModalWidget() != this) return false;
            if (cancelButton_ != nullptr && cancelButton_->Press()) return true;
            return UnloadFor(unloadreason::ControlMenu);
        });
        QEventLoop loop;
        modalLoop_ = &loop;
        loop.exec(QEventLoop::DialogExec);
        modalLoop_ = nullptr;
    }
    setWindowModality(Qt::NonModal);
}

bool Form::Unload() { return UnloadFor(unloadreason::FormCode); }

bool Form::UnloadFor(int reason) {
    if (closing_) return true;
    bool cancel = false;
    {
        ClosingScope asking;
        Q_EMIT QueryUnload(cancel, reason);
        if (cancel) return false;
        Q_EMIT UnloadEvent(cancel);
        if (cancel) return false;
    }
    closing_ = true;
    visible_ = false;
    hide();
    loaded_ = false;
    closing_ = false;
    return true;
}

void Form::closeEvent(QCloseEvent* e) {
    if (closing_) {
        e->accept();
        return;
    }
    const int reason = e->spontaneous() ? unloadreason::ControlMenu : unloadreason::FormCode;
    if (UnloadFor(reason)) {
        e->accept();
    } else {
        e->ignore();
    }
}

void Form::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange) {
        if (isActiveWindow()) {
            Q_EMIT Activate();
        } else {
            Q_EMIT Deactivate();
        }
    }
    QWidget::changeEvent(e);
}

void Form::showEvent(QShowEvent* e) {
    if (centreOver_ && !testAttribute(Qt::WA_Moved)) CentreOver(*this, *centreOver_);
    centreOver_ = nullptr;
    QWidget::showEvent(e);
}

void Form::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    Q_EMIT Resize();
}

bool Form::event(QEvent* e) {
    // Only a real hide ends a modal showing: minimising sends a Hide too, but the
    // form stays shown and its caller must go on waiting.
    if (e->type() == QEvent::Hide && modalLoop_ != nullptr && !isVisible()) modalLoop_->quit();
    if (e->type() == QEvent::LayoutRequest && tabOrderDirty_) RebuildTabOrder();
    return QWidget::event(e);
}

int Form::TabIndexOf(const Control* c) const {
    const auto it = std::find(tabOrder_.begin(), tabOrder_.end(), c);
    return it == tabOrder_.end() ? 0 : static_cast<int>(it - tabOrder_.begin());
}

void Form::SetTabIndexOf(Control* c, int index) {
    const auto it = std::find(tabOrder_.begin(), tabOrder_.end(), c);
    if (it == tabOrder_.end()) return;
    tabOrder_.erase(it);
    const auto pos = std::min<std::size_t>(static_cast<std::size_t>(std::max(index, 0)), tabOrder_.size());
    tabOrder_.insert(tabOrder_.begin() + static_cast<std::ptrdiff_t>(pos), c);
    RebuildTabOrder();
}

void Form::RebuildTabOrder() {
    tabOrderDirty_ = false;
    QWidget* prev = nullptr;
    for (Control* c : tabOrder_) {
        QWidget* w = c->Widget();
        if (w == nullptr || w->focusPolicy() == Qt::NoFocus) continue;
        if (prev != nullptr) QWidget::setTabOrder(prev, w);
        prev = w;
    }
}

namespace {
// A form has one Default and one Cancel button at the most: `b` becomes the form's
// button of the kind `slot` holds, and the one it replaces loses its flag; or, turned
// off, it stops being that button.
void SetOnlyButton(CommandButton*& slot, CommandButton* b, bool on, void (CommandButton::*clearFlag)()) {
    if (on) {
        if (slot != nullptr && slot != b) (slot->*clearFlag)();
        slot = b;
    } else if (slot == b) {
        slot = nullptr;
    }
}
}  // namespace

void Form::SetDefaultButton(CommandButton* b, bool on) {
    SetOnlyButton(defaultButton_, b, on, &CommandButton::ClearDefaultFlag);
}

void Form::SetCancelButton(CommandButton* b, bool on) {
    SetOnlyButton(cancelButton_, b, on, &CommandButton::ClearCancelFlag);
}

}  // namespace nuvir
