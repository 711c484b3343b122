#pragma once
// The common ground of every window element: name and control-array index, Tag, the
// container it sits in, geometry in the container's units, visibility, tab order,
// colours, and the events the windows handle.
//
// Events are Qt signals of `ControlEvents`, one object per control, raised
// synchronously. Arguments the handler may change (Cancel of Validate, the key code
// of KeyDown, the character of KeyPress) are passed by reference; connect handlers
// directly (the default for objects of one thread), never queued.
//
// How the events are raised (the rules the windows rely on):
// - Change: whenever the value or text changes, also when code sets it (not when it
//   is set to what it already is).
// - Click: on a user click, and when code changes the value of a check box, an option
//   button (to True), a combo box's ListIndex or a tab control's Tab.
// - Validate(cancel): on the control losing the focus to another control of the same
//   form, before its LostFocus and before the other's GotFocus. Not when a menu opens,
//   a popup shows or the window loses activation. With cancel set the focus returns
//   to the control and neither LostFocus nor GotFocus is raised.
// - GotFocus / LostFocus: on every focus change, window activation included; not
//   when a menu or popup opens. `LastFocusReason` tells why during these events.
// - KeyDown(keyCode, shift) / KeyPress(keyAscii) / KeyUp: with the form's KeyPreview
//   the form sees them first. KeyDown with keyCode set to 0 stops the key's own
//   action, but a typed character still arrives through KeyPress; KeyPress with
//   keyAscii set to 0 drops the character, set to another code types that one. Tab
//   and Shift+Tab move the focus and are not reported, unless no other control of
//   the form takes the focus by Tab: then they arrive as KeyPress 9 (form first) and
//   move nothing.
// - SetFocus on a control from inside its own Validate is ignored: the focus is
//   leaving it.
#include <QFont>
#include <QObject>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <string>

#include "platform/picturebox.h"  // Colour

namespace nuvir {

class Form;

// Shift state bits of key and mouse events.
namespace shiftstate {
constexpr int Shift = 1;
constexpr int Ctrl = 2;
constexpr int Alt = 4;
}  // namespace shiftstate

// Key codes of KeyDown / KeyUp.
namespace vk {
constexpr int Back = 8;
constexpr int Tab = 9;
constexpr int Return = 13;
constexpr int Shift = 16;
constexpr int Control = 17;
constexpr int Menu = 18;
constexpr int Escape = 27;
constexpr int Space = 32;
constexpr int PageUp = 33;
constexpr int PageDown = 34;
constexpr int End = 35;
constexpr int Home = 36;
constexpr int Left = 37;
constexpr int Up = 38;
constexpr int Right = 39;
constexpr int Down = 40;
constexpr int Insert = 45;
constexpr int Delete = 46;
constexpr int F1 = 112;
constexpr int Quote = 222;
}  // namespace vk

class ControlEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    void Click();
    void DblClick();
    void Change();
    void GotFocus();
    void LostFocus();
    void Validate(bool& cancel);
    void KeyDown(int& keyCode, int shift);
    void KeyPress(int& keyAscii);
    void KeyUp(int& keyCode, int shift);
    // Buttons: 1 left, 2 right, 4 middle. x, y in the control's own scale (a picture
    // box's user scale; twips for others).
    void MouseDown(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);
    void MouseMove(int button, int shift, double x, double y);
    // A scroll bar's thumb is being dragged.
    void Scroll();
    // A timer's interval has elapsed.
    void Timer();
};

class Control {
public:
    explicit Control(std::string typeName);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // The widget that shows the control; nullptr for timers and menu items.
    virtual QWidget* Widget() = 0;
    const QWidget* Widget() const { return const_cast<Control*>(this)->Widget(); }
    // The QObject that carries the control (the widget, or the timer or menu object).
    virtual QObject* Object() = 0;

    ControlEvents* Events() { return &events_; }

    // "TextBox", "Label", "CheckBox", "OptionButton", "CommandButton", "Frame",
    // "ComboBox", "VScrollBar", "HScrollBar", "UpDown", "SSTab", "SSPanel",
    // "PictureBox", "Timer", "Menu", or what a registered kind calls itself.
    const std::string& TypeName() const { return typeName_; }
    const std::string& Name() const { return name_; }
    // Index within a control array, -1 for a control that is not in one.
    int Index() const { return index_; }
    // The form the control belongs to, whatever the nesting (a form is its own).
    Form* Parent() const { return form_; }
    // The control it sits in: a frame, picture box, tab control, panel or the form.
    // A form has none.
    Control* Container() const { return container_; }
    // Moves the control into another container of the same form (a reparent); its
    // Left/Top/Width/Height are then taken in the new container's units.
    void SetContainer(Control* container);
    virtual bool IsForm() const { return false; }
    // Whether other controls can be placed in it.
    virtual bool CanContain() const { return false; }

    const std::string& Tag() const { return tag_; }
    void SetTag(std::string tag) { tag_ = std::move(tag); }

    // Geometry in the container's units (twips for a form, frame, panel or tab
    // control; the scale of a picture box). What was assigned reads back unchanged
    // as long as the control was not moved otherwise.
    virtual double Left() const;
    virtual double Top() const;
    virtual double Width() const;
    virtual double Height() const;
    virtual void SetLeft(double v);
    virtual void SetTop(double v);
    virtual void SetWidth(double v);
    virtual void SetHeight(double v);
    void Move(double left, double top);
    void Move(double left, double top, double width, double height);

    // The property, not whether it is on screen: a control may be Visible on a
    // hidden form or on a tab page that is not shown.
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool on);
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool on);

    // Position in the form's tab order, 0 first. Assigning one renumbers the others;
    // values past the end go to the end.
    int TabIndex() const;
    void SetTabIndex(int index);
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool on);
    // Whether moving the focus onto this control validates the one that had it.
    bool CausesValidation() const { return causesValidation_; }
    void SetCausesValidation(bool on) { causesValidation_ = on; }
    // Gives the control the focus. A control that is not Visible or not Enabled
    // raises error 5.
    void SetFocus();
    bool HasFocus() const;
    // 0 brings it to the front of its siblings, 1 sends it to the back.
    void ZOrder(int position = 0);
    std::string ToolTipText() const;
    void SetToolTipText(const std::string& text);
    int HelpContextID() const { return helpContextId_; }
    void SetHelpContextID(int id) { helpContextId_ = id; }

    // Colours as BGR longs; the defaults are system colours (top bit set).
    virtual Colour BackColor() const;
    virtual void SetBackColor(Colour c);
    virtual Colour ForeColor() const;
    virtual void SetForeColor(Colour c);
    virtual QFont Font() const;
    virtual void SetFont(const QFont& f);

    // ---- for containers --------------------------------------------------------
    // Where children's widgets live (the form's client area, the frame itself, ...).
    virtual QWidget* ChildHost() { return Widget(); }
    // Child units <-> pixels of ChildHost. The default is twips.
    virtual QPoint ChildPosToPx(double x, double y) const;
    virtual QSize ChildSizeToPx(double w, double h) const;
    virtual double ChildXFromPx(int px) const;
    virtual double ChildYFromPx(int py) const;
    virtual double ChildWFromPx(int w) const;
    virtual double ChildHFromPx(int h) const;
    // Whether a child placed in it is currently allowed on screen (tab pages).
    virtual bool ShowsChild(const Control* child) const;
    // Called when a control is placed into this container.
    virtual void ChildAdded(Control* child) { (void)child; }
    // Called after the program has set the control's geometry (a hidden widget gets
    // its resize event only when shown).
    virtual void GeometryApplied() {}

    // The room a one-line caption needs: its width in pixels with the kind's own
    // margins (0: no caption, or one that wraps), and how much of any widening goes to
    // the left (0 for text that starts at the left, 0.5 centred, 1 right-aligned).
    struct CaptionRoom {
        int widthPx = 0;
        double leftShare = 0.0;
    };
    virtual CaptionRoom CaptionNeeds() const { return {}; }
    // Places the widget again: after a change of caption or font, and once more when
    // the form shows, when every neighbour has its place.
    void Refit() {
        if (left_.set || width_.set) PlaceWidget();
    }

    // The control a widget belongs to (the widget itself or the nearest ancestor in
    // the same window that is a control); nullptr when none.
    static Control* Of(QObject* object);

protected:
    // Applies the Visible property together with what the container allows.
    void ApplyVisibility();
    // Gives the widget its BackColor and ForeColor as its own palette.
    void PinColours();
    // Default colours of the kind.
    void SetDefaultColours(Colour back, Colour fore) {
        backColor_ = back;
        foreColor_ = fore;
    }
    // Raises error 438 for a property the kind does not have.
    [[noreturn]] void NotSupported() const;

private:
    friend class Form;
    void PlaceWidget();
    QRect WidenForCaption(QRect designed) const;

    struct Coord {
        double value = 0.0;
        bool set = false;
    };
    // One of Left, Top, Width, Height: `coord` as set while the widget still stands
    // where that puts it (`setPx`), else read back from the widget's `shown` pixels.
    template <class SetPx, class FromPx>
    double Placement(const Coord& coord, int (QWidget::*shown)() const, SetPx setPx, FromPx fromPx) const;
    // SetWidth or SetHeight: the position is fixed first where the widget stands.
    void SetSize(Coord& size, double v);

    ControlEvents events_;
    std::string typeName_;
    std::string name_;
    int index_ = -1;
    Form* form_ = nullptr;
    Control* container_ = nullptr;
    std::string tag_;
    Coord left_, top_, width_, height_;
    bool visible_ = true;
    bool enabled_ = true;
    bool tabStop_ = true;
    bool causesValidation_ = true;
    int helpContextId_ = 0;
    Colour backColor_ = static_cast<Colour>(0x8000000Fu);
    Colour foreColor_ = static_cast<Colour>(0x80000012u);
};

// Why the focus moved, during GotFocus, LostFocus and Validate: Qt's reason
// (Qt::TabFocusReason 1 for Tab, Qt::BacktabFocusReason 2 for Shift+Tab, ...).
Qt::FocusReason LastFocusReason();

// Whether Shift was held with the last key pressed (Shift+Tab may arrive as Backtab).
bool ShiftKeyHeld();

// The key code and shift state of a Qt key event.
int KeyCodeOf(int qtKey);
int ShiftOf(Qt::KeyboardModifiers modifiers);

}  // namespace nuvir
