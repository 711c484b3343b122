#include "platform/control.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPalette>
#include <QPointer>
#include <QTimer>

#include <cmath>

#include "platform/controls.h"
#include "platform/form.h"
#include "platform/qtstring.h"
#include "platform/screen.h"
#include "platform/services.h"
#include "runtime/error.h"

namespace nuvir {

namespace {

Qt::FocusReason g_lastFocusReason = Qt::OtherFocusReason;
bool g_shiftHeld = false;
// The control whose Validate is running.
const Control* g_validating = nullptr;

// The palette roles a control's BackColor stands for.
void SetBackRoles(QPalette& pal, const QColor& c) {
    pal.setColor(QPalette::Window, c);
    pal.setColor(QPalette::Base, c);
    pal.setColor(QPalette::Button, c);
}

// The palette roles a control's ForeColor stands for. Its own text colour holds while it
// is enabled (in an active window or not); the disabled group keeps the style's greyed
// text, so a control that is off looks off.
void SetForeRoles(QPalette& pal, const QColor& c) {
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        pal.setColor(QPalette::Active, role, c);
        pal.setColor(QPalette::Inactive, role, c);
    }
}

}  // namespace

Qt::FocusReason LastFocusReason() { return g_lastFocusReason; }

bool ShiftKeyHeld() { return g_shiftHeld; }

int ShiftOf(Qt::KeyboardModifiers m) {
    int s = 0;
    if (m & Qt::ShiftModifier) s |= shiftstate::Shift;
    if (m & Qt::ControlModifier) s |= shiftstate::Ctrl;
    if (m & Qt::AltModifier) s |= shiftstate::Alt;
    return s;
}

int KeyCodeOf(int k) {
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return 'A' + (k - Qt::Key_A);
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return '0' + (k - Qt::Key_0);
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return vk::F1 + (k - Qt::Key_F1);
    switch (k) {
        case Qt::Key_Backspace: return vk::Back;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return vk::Tab;
        case Qt::Key_Return:
        case Qt::Key_Enter: return vk::Return;
        case Qt::Key_Shift: return vk::Shift;
        case Qt::Key_Control: return vk::Control;
        case Qt::Key_Alt: return vk::Menu;
        case Qt::Key_Pause: return 19;
        case Qt::Key_CapsLock: return 20;
        case Qt::Key_Escape: return vk::Escape;
        case Qt::Key_Space: return vk::Space;
        case Qt::Key_PageUp: return vk::PageUp;
        case Qt::Key_PageDown: return vk::PageDown;
        case Qt::Key_End: return vk::End;
        case Qt::Key_Home: return vk::Home;
        case Qt::Key_Left: return vk::Left;
        case Qt::Key_Up: return vk::Up;
        case Qt::Key_Right: return vk::Right;
        case Qt::Key_Down: return vk::Down;
        case Qt::Key_Insert: return vk::Insert;
        case Qt::Key_Delete: return vk::Delete;
        case Qt::Key_NumLock: return 144;
        case Qt::Key_ScrollLock: return 145;
        case Qt::Key_Asterisk: return 106;
        case Qt::Key_Plus: return 107;
        case Qt::Key_Semicolon:
        case Qt::Key_Colon: return 186;
        case Qt::Key_Equal: return 187;
        case Qt::Key_Comma:
        case Qt::Key_Less: return 188;
        case Qt::Key_Minus:
        case Qt::Key_Underscore: return 189;
        case Qt::Key_Period:
        case Qt::Key_Greater: return 190;
        case Qt::Key_Slash:
        case Qt::Key_Question: return 191;
        case Qt::Key_QuoteLeft:
        case Qt::Key_AsciiTilde: return 192;
        case Qt::Key_BracketLeft:
        case Qt::Key_BraceLeft: return 219;
        case Qt::Key_Backslash:
        case Qt::Key_Bar: return 220;
        case Qt::Key_BracketRight:
        case Qt::Key_BraceRight: return 221;
        case Qt::Key_Apostrophe:
        case Qt::Key_QuoteDbl: return vk::Quote;
        default: return 0;
    }
}

// ---- the application-wide filter that turns Qt focus and key events into the
// ---- control events -----------------------------------------------------------------

namespace {

class EventRouter : public QObject {
public:
    static void Ensure() {
        static EventRouter* router = nullptr;
        if (router == nullptr && QCoreApplication::instance() != nullptr) {
            router = new EventRouter(QCoreApplication::instance());
            QCoreApplication::instance()->installEventFilter(router);
        }
    }

    bool eventFilter(QObject* obj, QEvent* ev) override {
        switch (ev->type()) {
            case QEvent::FocusIn:
                if (obj->isWidgetType()) FocusIn(static_cast<QWidget*>(obj), static_cast<QFocusEvent*>(ev));
                return false;
            case QEvent::FocusOut:
                if (obj->isWidgetType()) FocusOut(static_cast<QWidget*>(obj), static_cast<QFocusEvent*>(ev));
                return false;
            case QEvent::KeyPress:
                if (!obj->isWidgetType() || resending_) return false;
                return KeyPress(static_cast<QWidget*>(obj), static_cast<QKeyEvent*>(ev));
            case QEvent::KeyRelease:
                if (!obj->isWidgetType() || resending_) return false;
                return KeyRelease(static_cast<QWidget*>(obj), static_cast<QKeyEvent*>(ev));
            default: return false;
        }
    }

private:
    using QObject::QObject;

    // A menu (a popup, or the menu bar entered with Alt or F10) borrows the focus
    // and gives it back; the control keeps it as far as the windows are concerned.
    static bool MenuReason(Qt::FocusReason reason) {
        return reason == Qt::PopupFocusReason || reason == Qt::MenuBarFocusReason;
    }

    struct Revert {
        QPointer<QWidget> from;  // the control that cancelled Validate
        QPointer<QObject> to;    // the control the focus went to meanwhile
    };

    void FocusOut(QWidget* w, QFocusEvent* fe) {
        if (suppress_) return;
        Control* c = Control::Of(w);
        if (c == nullptr) return;
        const Qt::FocusReason reason = fe->reason();
        if (MenuReason(reason)) return;
        // The control the focus is moving to has not had it yet while the one it left
        // is validating (a message box there deactivates the window), nor while a
        // cancelled Validate is taking it back.
        if (IsPendingTarget(c)) return;
        g_lastFocusReason = reason;
        if (reason != Qt::ActiveWindowFocusReason) {
            Control* target = Control::Of(QApplication::focusWidget());
            if (target == c) return;  // moved inside one control
            if (target != nullptr && target->Parent() == c->Parent() && target->CausesValidation()) {
                bool cancel = false;
                const QPointer<QObject> outer = validating_;
                const Control* outerSource = g_validating;
                validating_ = target->Object();
                g_validating = c;
                Q_EMIT c->Events()->Validate(cancel);
                g_validating = outerSource;
                validating_ = outer;
                if (cancel) {
                    // Unless the handler has already put the focus somewhere itself,
                    // take it back from the target when that gets it.
                    const Control* now = Control::Of(QApplication::focusWidget());
                    if (now == nullptr || now == target) {
                        revert_ = Revert{c->Widget(), target->Object()};
                    }
                    return;
                }
            }
        }
        Q_EMIT c->Events()->LostFocus();
    }

    void FocusIn(QWidget* w, QFocusEvent* fe) {
        if (suppress_) return;
        Control* c = Control::Of(w);
        if (c == nullptr) return;
        const Qt::FocusReason reason = fe->reason();
        if (MenuReason(reason)) return;
        g_lastFocusReason = reason;
        if (revert_.to != nullptr && revert_.to == c->Object()) {
            // A cancelled Validate: put the focus back without any focus events.
            QPointer<QWidget> from = revert_.from;
            revert_ = Revert{};
            QTimer::singleShot(0, this, [this, from] {
                if (!from) return;
                suppress_ = true;
                from->setFocus(Qt::OtherFocusReason);
                suppress_ = false;
            });
            return;
        }
        if (validating_ != nullptr && validating_ == c->Object()) return;  // see FocusOut
        Q_EMIT c->Events()->GotFocus();
    }

    bool IsPendingTarget(Control* c) const {
        QObject* o = c->Object();
        return (validating_ != nullptr && validating_ == o) || (revert_.to != nullptr && revert_.to == o);
    }

    // Sends a replacement key event to the widget, bypassing this filter.
    void Resend(QWidget* w, QKeyEvent* ke, int key, const QString& text) {
        QKeyEvent copy(QEvent::KeyPress, key, ke->modifiers(), text, ke->isAutoRepeat(), ke->count());
        resending_ = true;
        QCoreApplication::sendEvent(w, &copy);
        resending_ = false;
    }

    bool SeenBefore(QWidget* w, QEvent* ev) {
        // A key event an inner widget ignored travels on to its ancestors; report it
        // once.
        // A new event may come at the address of the last one (both on the stack of the
        // same caller): a press after a release, or one with another time stamp, is new.
        const auto stamp = static_cast<QInputEvent*>(ev)->timestamp();
        if (ev == lastEvent_ && ev->type() == lastType_ && stamp == lastStamp_ && lastReceiver_ && lastReceiver_ != w &&
            w->isAncestorOf(lastReceiver_))
            return true;
        lastEvent_ = ev;
        lastType_ = ev->type();
        lastStamp_ = stamp;
        lastReceiver_ = w;
        return false;
    }

    static bool ClickButton(CommandButton* b) { return b != nullptr && b->Press(); }

    bool KeyPress(QWidget* w, QKeyEvent* ke) {
        if (SeenBefore(w, ke)) return false;
        Control* c = Control::Of(w);
        if (c == nullptr) return false;
        Form* f = c->Parent();
        if (f == nullptr) return false;
        const int qtKey = ke->key();
        g_shiftHeld = (ke->modifiers() & Qt::ShiftModifier) || qtKey == Qt::Key_Backtab;
        if ((qtKey == Qt::Key_Tab || qtKey == Qt::Key_Backtab) && !(ke->modifiers() & Qt::ControlModifier)) {
            return TabWithoutStops(f, c);
        }
        const int shift = ShiftOf(ke->modifiers());
        if (PressesFormButton(f, c, qtKey, shift)) return true;

        QPointer<QWidget> guard(w);
        const bool keyConsumed = RaiseKeyDown(f, c, qtKey, shift);
        if (!guard) return true;
        if (!keyConsumed && qtKey == Qt::Key_F1 && ShowHelp(f, c)) return true;
        return TypeCharacter(w, ke, f, c, keyConsumed);
    }

    // Escape and Enter belong to the form's cancel and default buttons; Enter on a
    // focused button presses that button, as Space does.
    static bool PressesFormButton(Form* f, Control* c, int qtKey, int shift) {
        if (shift != 0) return false;
        if (qtKey == Qt::Key_Escape && ClickButton(f->CancelButton())) return true;
        if (qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter) {
            auto* focusedButton = dynamic_cast<CommandButton*>(c);
            return ClickButton(focusedButton != nullptr ? focusedButton : f->DefaultButton());
        }
        return false;
    }

    // The form's preview, then the control, see the key's code; either may consume it by
    // setting the code to 0. True when one did.
    static bool RaiseKeyDown(Form* f, Control* c, int qtKey, int shift) {
        int code = KeyCodeOf(qtKey);
        if (code == 0) return false;
        if (f->KeyPreview() && c != f) Q_EMIT f->Events()->KeyDown(code, shift);
        if (code != 0) Q_EMIT c->Events()->KeyDown(code, shift);
        return code == 0;
    }

    // F1 opens the help at the control's topic, or the form's when the control has none.
    static bool ShowHelp(Form* f, Control* c) {
        const int ctx = c->HelpContextID() != 0 ? c->HelpContextID() : f->HelpContextID();
        if (ctx == 0) return false;
        Help().ShowHelp(HelpFile(), ctx);
        return true;
    }

    // The character, if the key types one: the form's preview, then the control, may drop
    // it (set it to 0) or change it.
    bool TypeCharacter(QWidget* w, QKeyEvent* ke, Form* f, Control* c, bool keyConsumed) {
        const int qtKey = ke->key();
        QString text = ke->text();
        if (text.isEmpty() && (qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter)) text = QStringLiteral("\r");
        const bool types = text.size() == 1 && qtKey != Qt::Key_Tab && qtKey != Qt::Key_Backtab &&
                           qtKey != Qt::Key_Delete;
        if (!types) return keyConsumed;
        const int ascii = text.at(0).unicode();
        int a = ascii;
        QPointer<QWidget> guard(w);
        if (f->KeyPreview() && c != f) Q_EMIT f->Events()->KeyPress(a);
        if (a != 0) Q_EMIT c->Events()->KeyPress(a);
        if (!guard) return true;
        if (a == 0) return true;  // dropped
        if (!keyConsumed && a == ascii) return false;
        ResendTyped(w, ke, a, keyConsumed);
        return true;
    }

    // A consumed key still types its character; a changed character types the new one.
    void ResendTyped(QWidget* w, QKeyEvent* ke, int a, bool keyConsumed) {
        const QString typed(QChar(static_cast<char16_t>(a)));
        if (a >= 32) {
            Resend(w, ke, Qt::Key_unknown, typed);
            return;
        }
        const int key = a == 13 ? Qt::Key_Return : a == 8 ? Qt::Key_Backspace : a == 27 ? Qt::Key_Escape : 0;
        if (key != 0 && !(keyConsumed && key == ke->key())) Resend(w, ke, key, typed);
    }

    // Tab moves the focus while another control of the form takes it by Tab. When none
    // does (the form has turned its tab stops off), the key is typed instead: the form's
    // preview sees it first as character 9, then the control; it never moves the focus.
    static bool TabWithoutStops(Form* f, Control* c) {
        for (Control* other : f->Controls()) {
            if (other == c || !other->TabStop() || !other->Visible() || !other->Enabled()) continue;
            const QWidget* w = other->Widget();
            if (w != nullptr && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) return false;
        }
        QPointer<QObject> guard(c->Object());
        int a = 9;
        if (f->KeyPreview() && c != f) Q_EMIT f->Events()->KeyPress(a);
        if (a != 0 && guard) Q_EMIT c->Events()->KeyPress(a);
        return true;
    }

    bool KeyRelease(QWidget* w, QKeyEvent* ke) {
        if (SeenBefore(w, ke)) return false;
        Control* c = Control::Of(w);
        if (c == nullptr || c->Parent() == nullptr) return false;
        Form* f = c->Parent();
        const int qtKey = ke->key();
        if (qtKey == Qt::Key_Tab || qtKey == Qt::Key_Backtab) return false;
        int code = KeyCodeOf(qtKey);
        if (code == 0) return false;
        const int shift = ShiftOf(ke->modifiers());
        if (f->KeyPreview() && c != f) Q_EMIT f->Events()->KeyUp(code, shift);
        if (code != 0) Q_EMIT c->Events()->KeyUp(code, shift);
        return false;
    }

    Revert revert_;
    QPointer<QObject> validating_;  // where the focus is going while Validate runs
    bool suppress_ = false;
    bool resending_ = false;
    QEvent* lastEvent_ = nullptr;
    QEvent::Type lastType_ = QEvent::None;
    quint64 lastStamp_ = 0;
    QPointer<QWidget> lastReceiver_;
};

}  // namespace

// ---- Control ----------------------------------------------------------------------------

Control::Control(std::string typeName) : typeName_(std::move(typeName)) { EventRouter::Ensure(); }

Control::~Control() {
    if (form_ != nullptr && !IsForm()) form_->Forget(this);
}

Control* Control::Of(QObject* object) {
    for (QObject* o = object; o != nullptr; o = o->parent()) {
        if (auto* c = dynamic_cast<Control*>(o)) return c->Parent() != nullptr ? c : nullptr;
        if (o->isWidgetType() && static_cast<QWidget*>(o)->isWindow()) return nullptr;
    }
    return nullptr;
}

void Control::NotSupported() const { RaiseError(438, "Object doesn't support this property or method"); }

void Control::SetContainer(Control* container) {
    if (container == nullptr || container == this || !container->CanContain()) RaiseInvalidCall();
    if (form_ == nullptr || container->Parent() != form_) RaiseInvalidCall();
    for (Control* p = container; p != nullptr; p = p->Container()) {
        if (p == this) RaiseInvalidCall();  // into itself or its own child
    }
    container_ = container;
    if (QWidget* w = Widget()) {
        const bool wasVisible = visible_;
        w->setParent(container->ChildHost());
        PlaceWidget();
        visible_ = wasVisible;
    }
    container->ChildAdded(this);
    ApplyVisibility();
}

namespace {

// Whether two controls can be on screen together: not on different pages of a tab
// control.
bool ShownTogether(const Control* a, const Control* b) {
    const Control* c = a->Container();
    return c == nullptr || c->ShowsChild(a) == c->ShowsChild(b);
}

}  // namespace

// A caption too long for the designed width widens its control. It keeps its place
// where it can; where the wider control would reach past its container's right edge
// or into a neighbour on its right, it moves left (never past the container's left
// edge).
QRect Control::WidenForCaption(QRect r) const {
    const CaptionRoom room = CaptionNeeds();
    const int grow = room.widthPx - r.width();
    if (grow <= 0) return r;
    const QRect designed = r;
    r.setLeft(r.left() - static_cast<int>(std::lround(grow * room.leftShare)));
    r.setWidth(room.widthPx);
    const QWidget* w = Widget();
    const QWidget* host = w->parentWidget();
    if (host == nullptr) return r;
    int right = host->width();
    for (const QObject* o : host->children()) {
        if (o == w || !o->isWidgetType()) continue;
        const auto* other = static_cast<const QWidget*>(o);
        const Control* c = Control::Of(const_cast<QWidget*>(other));
        if (c == nullptr || c->Widget() != other || c->Container() != container_) continue;
        // A control the program hides (the results heading of the other sub-tab) takes
        // no room: the widened caption would move off its own box for nothing.
        if (!ShownTogether(this, c) || !c->Visible()) continue;
        const QRect g = other->geometry();
        // Only what stands beside it, to its right; what the design stacks stays so.
        if (g.top() >= r.bottom() || g.bottom() <= r.top() || g.left() < designed.right() || g.intersects(designed)) {
            continue;
        }
        right = std::min(right, g.left());
    }
    if (r.right() + 1 > right) r.moveRight(right - 1);
    if (r.left() < 0) r.moveLeft(0);
    return r;
}

void Control::PlaceWidget() {
    QWidget* w = Widget();
    if (w == nullptr || container_ == nullptr) return;
    const QPoint pos = container_->ChildPosToPx(left_.value, top_.value);
    QSize size = w->size();
    if (width_.set || height_.set) {
        const QSize s = container_->ChildSizeToPx(width_.value, height_.value);
        if (width_.set) size.setWidth(s.width());
        if (height_.set) size.setHeight(s.height());
    }
    w->setGeometry(WidenForCaption(QRect(pos, size)));
    GeometryApplied();
}

// A coordinate set in twips is given back as set while the widget stands where it put
// it (the twips-to-pixels rounding would lose its fraction); once a layout has moved
// the widget, it is read from the widget.
template <class SetPx, class FromPx>
double Control::Placement(const Coord& coord, int (QWidget::*shown)() const, SetPx setPx, FromPx fromPx) const {
    const QWidget* w = Widget();
    if (w == nullptr) NotSupported();
    if (container_ == nullptr) return coord.value;
    const int shownPx = (w->*shown)();
    if (coord.set && setPx() == shownPx) return coord.value;
    return fromPx(shownPx);
}

double Control::Left() const {
    return Placement(
        left_, &QWidget::x, [this] { return container_->ChildPosToPx(left_.value, top_.value).x(); },
        [this](int px) { return container_->ChildXFromPx(px); });
}

double Control::Top() const {
    return Placement(
        top_, &QWidget::y, [this] { return container_->ChildPosToPx(left_.value, top_.value).y(); },
        [this](int px) { return container_->ChildYFromPx(px); });
}

double Control::Width() const {
    return Placement(
        width_, &QWidget::width, [this] { return container_->ChildSizeToPx(width_.value, 0).width(); },
        [this](int px) { return container_->ChildWFromPx(px); });
}

double Control::Height() const {
    return Placement(
        height_, &QWidget::height, [this] { return container_->ChildSizeToPx(0, height_.value).height(); },
        [this](int px) { return container_->ChildHFromPx(px); });
}

void Control::SetLeft(double v) {
    if (Widget() == nullptr) NotSupported();
    if (!top_.set) top_ = Coord{Top(), true};
    left_ = Coord{v, true};
    PlaceWidget();
}

void Control::SetTop(double v) {
    if (Widget() == nullptr) NotSupported();
    if (!left_.set) left_ = Coord{Left(), true};
    top_ = Coord{v, true};
    PlaceWidget();
}

void Control::SetSize(Coord& size, double v) {
    if (Widget() == nullptr) NotSupported();
    if (v < 0) RaiseError(380, "Invalid property value");
    if (!left_.set) left_ = Coord{Left(), true};
    if (!top_.set) top_ = Coord{Top(), true};
    size = Coord{v, true};
    PlaceWidget();
}

void Control::SetWidth(double v) { SetSize(width_, v); }

void Control::SetHeight(double v) { SetSize(height_, v); }

void Control::Move(double left, double top) {
    SetLeft(left);
    SetTop(top);
}

void Control::Move(double left, double top, double width, double height) {
    SetLeft(left);
    SetTop(top);
    SetWidth(width);
    SetHeight(height);
}

void Control::SetVisible(bool on) {
    const bool showing = on && !visible_;
    visible_ = on;
    ApplyVisibility();
    // Its neighbours may have been shown or hidden since it was placed.
    if (showing && CaptionNeeds().widthPx > 0) Refit();
}

void Control::PinColours() {
    QWidget* w = Widget();
    if (w == nullptr || IsForm()) return;
    // Own colours, so a container's colour does not spread into its controls.
    QPalette pal = w->palette();
    SetBackRoles(pal, ColourToQColor(backColor_));
    SetForeRoles(pal, ColourToQColor(foreColor_));
    w->setPalette(pal);
}

void Control::ApplyVisibility() {
    QWidget* w = Widget();
    if (w == nullptr || IsForm()) return;
    const bool show = visible_ && (container_ == nullptr || container_->ShowsChild(this));
    w->setVisible(show);
}

void Control::SetEnabled(bool on) {
    enabled_ = on;
    if (QWidget* w = Widget()) w->setEnabled(on);
}

int Control::TabIndex() const { return form_ != nullptr ? form_->TabIndexOf(this) : 0; }

void Control::SetTabIndex(int index) {
    if (index < 0) RaiseError(380, "Invalid property value");
    if (form_ != nullptr) form_->SetTabIndexOf(this, index);
}

void Control::SetTabStop(bool on) {
    tabStop_ = on;
    if (QWidget* w = Widget()) {
        Qt::FocusPolicy p = w->focusPolicy();
        if (p == Qt::NoFocus) return;
        p = on ? Qt::FocusPolicy(p | Qt::TabFocus) : Qt::FocusPolicy(p & ~Qt::TabFocus);
        if (p == Qt::NoFocus) p = Qt::ClickFocus;
        w->setFocusPolicy(p);
    }
}

void Control::SetFocus() {
    QWidget* w = Widget();
    if (w == nullptr) NotSupported();
    if (!visible_ || !enabled_) RaiseInvalidCall();
    // The focus is already leaving this control: taking it back from inside its own
    // Validate would recurse, and the move that caused the Validate must complete.
    if (g_validating == this) return;
    w->setFocus(Qt::OtherFocusReason);
}

bool Control::HasFocus() const {
    const QWidget* w = Widget();
    if (w == nullptr) return false;
    const QWidget* f = QApplication::focusWidget();
    return f != nullptr && (f == w || w->isAncestorOf(f));
}

void Control::ZOrder(int position) {
    QWidget* w = Widget();
    if (w == nullptr) NotSupported();
    if (position == 0) {
        w->raise();
    } else {
        w->lower();
    }
}

std::string Control::ToolTipText() const {
    const QWidget* w = Widget();
    if (w == nullptr) NotSupported();
    return w->toolTip().toStdString();
}

void Control::SetToolTipText(const std::string& text) {
    QWidget* w = Widget();
    if (w == nullptr) NotSupported();
    w->setToolTip(QtText(text));
}

Colour Control::BackColor() const {
    if (Widget() == nullptr) NotSupported();
    return backColor_;
}

void Control::SetBackColor(Colour c) {
    QWidget* w = Widget();
    if (w == nullptr) NotSupported();
    backColor_ = c;
    QPalette pal = w->palette();
    SetBackRoles(pal, ColourToQColor(c));
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

Colour Control::ForeColor() const {
    if (Widget() == nullptr) NotSupported();
    return foreColor_;
}

void Control::SetForeColor(Colour c) {
    QWidget* w = Widget();
    if (w == nullptr) NotSupported();
    foreColor_ = c;
    QPalette pal = w->palette();
    SetForeRoles(pal, ColourToQColor(c));
    w->setPalette(pal);
}

QFont Control::Font() const {
    const QWidget* w = Widget();
    if (w == nullptr) NotSupported();
    return w->font();
}

void Control::SetFont(const QFont& f) {
    QWidget* w = Widget();
    if (w == nullptr) NotSupported();
    w->setFont(f);
    Refit();
}

QPoint Control::ChildPosToPx(double x, double y) const { return QPoint(TwipsToPxX(x), TwipsToPxY(y)); }
QSize Control::ChildSizeToPx(double w, double h) const {
    return QSize(std::max(0, TwipsToPxX(w)), std::max(0, TwipsToPxY(h)));
}
double Control::ChildXFromPx(int px) const { return PxToTwipsX(px); }
double Control::ChildYFromPx(int py) const { return PxToTwipsY(py); }
double Control::ChildWFromPx(int w) const { return PxToTwipsX(w); }
double Control::ChildHFromPx(int h) const { return PxToTwipsY(h); }
bool Control::ShowsChild(const Control*) const { return true; }

}  // namespace nuvir
