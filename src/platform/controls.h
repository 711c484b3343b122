#pragma once
// The kinds of controls the windows are made of. Each is its Qt widget and a
// `Control` (control.h) at once, so code can use the properties below and, where
// needed, the widget itself.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/control.h"

class QAction;
class QMenu;
class QTabBar;
class QToolButton;

namespace nuvir {

// Alignment of text in labels and text boxes: 0 left, 1 right, 2 centre.
namespace align {
constexpr int Left = 0;
constexpr int Right = 1;
constexpr int Center = 2;
}  // namespace align

// Text with "&" marking an access key, as Qt shows it: "&&" stands for "&".
QString DisplayCaption(const std::string& caption);

// ---- Label ---------------------------------------------------------------------------
// Raises Change when its caption changes (also by code), Click and DblClick.
class Label : public QLabel, public Control {
    Q_OBJECT
public:
    Label();
    QWidget* Widget() override { return this; }
    QObject* Object() override { return this; }

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    CaptionRoom CaptionNeeds() const override;
    void SetAlignment(int a);
    void SetWordWrap(bool on) {
        setWordWrap(on);
        Refit();
    }
    // 0 transparent, 1 opaque (default).
    void SetBackStyle(int style);
    void SetBackColor(Colour c) override;

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    std::string caption_;
    int alignment_ = align::Left;
    int backStyle_ = 1;
};

// ---- TextBox -------------------------------------------------------------------------
// One line of text (CR and LF are kept as characters). Change on every change of the
// text, by typing or by code; DblClick on a double click, locked or not. Positions
// count characters from 0.
class TextBox : public QLineEdit, public Control {
    Q_OBJECT
public:
    TextBox();
    QWidget* Widget() override { return this; }
    QObject* Object() override { return this; }

    std::string Text() const;
    // Shows the text from its first character (the caret before it), unless the user
    // is typing in the box: there the caret stays after the text.
    void SetText(const std::string& text);
    int SelStart() const;
    // Moves the caret there and clears the selection.
    void SetSelStart(int start);
    int SelLength() const;
    // Selects from SelStart on.
    void SetSelLength(int length);
    // Selects the whole text for the user to type over, the caret before it: a text
    // longer than the box shows from its first character, not from its end.
    void SelectForOvertyping();
    std::string SelText() const;
    // Replaces the selection.
    void SetSelText(const std::string& text);
    bool Locked() const { return isReadOnly(); }
    void SetLocked(bool on) { setReadOnly(on); }
    void SetMaxLength(int n);
    int Alignment() const { return alignment_; }
    void SetAlignment(int a);

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    // Lets the next paint scroll the text to the caret, whatever text the box held.
    void ScrollAnew();

    int maxLength_ = 0;
    int alignment_ = align::Left;
    bool scrollWhenShown_ = false;
};

// ---- CheckBox ------------------------------------------------------------------------
// Value 0 unchecked, 1 checked, 2 greyed. Click is raised whenever the value changes,
// by the user or by code. BeforeToggle is raised by a user's click or Space, once per
// toggle, before the box changes its value: a handler sees (and may change) the value
// before the toggle.
class CheckBox : public QCheckBox, public Control {
    Q_OBJECT
public:
    CheckBox();
    QWidget* Widget() override { return this; }
    QObject* Object() override { return this; }

    int Value() const;
    void SetValue(int v);
    void SetCaption(const std::string& caption);
    CaptionRoom CaptionNeeds() const override;

Q_SIGNALS:
    void BeforeToggle();

protected:
    void nextCheckState() override;

private:
    std::string caption_;
};

// ---- OptionButton --------------------------------------------------------------------
// Option buttons in one container exclude each other. Click when one becomes
// selected, by the user or by code.
class OptionButton : public QRadioButton, public Control {
    Q_OBJECT
public:
    OptionButton();
    QWidget* Widget() override { return this; }
    QObject* Object() override { return this; }

    bool Value() const { return isChecked(); }
    void SetValue(bool on);
    void SetCaption(const std::string& caption);
    CaptionRoom CaptionNeeds() const override;

private:
    std::string caption_;
};

// ---- CommandButton -------------------------------------------------------------------
// Click on a click, on Enter when it is the form's Default button (and no other
// button has the focus), on Escape when it is the Cancel button, and when code sets
// Value to True. Enter in a text box never clicks a button that is not Default.
class CommandButton : public QPushButton, public Control {
    Q_OBJECT
public:
    CommandButton();
    QWidget* Widget() override { return this; }
    QObject* Object() override { return this; }

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    CaptionRoom CaptionNeeds() const override;
    bool Default() const { return default_; }
    void SetDefault(bool on);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool on);
    void SetValue(bool on);
    void ClearDefaultFlag() { default_ = false; }
    void ClearCancelFlag() { cancel_ = false; }
    // Clicks it as Enter, Esc or Space would: only a button shown and enabled. False when
    // it was not clicked.
    bool Press();

private:
    std::string caption_;
    bool default_ = false;
    bool cancel_ = false;
};

// ---- Frame ---------------------------------------------------------------------------
// A captioned container; children are placed in twips from its outer top-left corner.
class Frame : public QGroupBox, public Control {
    Q_OBJECT
public:
    Frame();
    QWidget* Widget() override { return this; }
    QObject* Object() override { return this; }
    bool CanContain() const override { return true; }

    void SetCaption(const std::string& caption);

private:
    std::string caption_;
};

// ---- Panel ---------------------------------------------------------------------------
// A plain raised container.
class Panel : public QFrame, public Control {
    Q_OBJECT
public:
    Panel();
    QWidget* Widget() override { return this; }
    QObject* Object() override { return this; }
    bool CanContain() const override { return true; }
};

// ---- ComboBox ------------------------------------------------------------------------
// Style 0: an editable text with a list (Change on editing); 2: a list to pick from.
// ListIndex is -1 until code or the user picks an item (adding items never selects
// one). Click when ListIndex changes, by the user or by code.
class ComboBox : public QComboBox, public Control {
    Q_OBJECT
public:
    explicit ComboBox(int style = 2);
    QWidget* Widget() override { return this; }
    QObject* Object() override { return this; }

    void SetStyle(int style);
    // Adds at `index` (-1: at the end). The index of the added item is NewIndex.
    void AddItem(const std::string& text, int index = -1);
    void Clear();
    int ListCount() const { return count(); }
    std::string List(int index) const;
    std::int32_t ItemData(int index) const;
    void SetItemData(int index, std::int32_t data);
    int NewIndex() const { return newIndex_; }
    int ListIndex() const { return currentIndex(); }
    // -1 clears the selection; other values outside the list raise error 380.
    void SetListIndex(int index);
    // The edit text (style 0) or the selected item's text.
    std::string Text() const;
    void SetText(const std::string& text);

private:
    int style_ = 2;
    int newIndex_ = -1;
    bool quiet_ = false;
};

// ---- ScrollBar -----------------------------------------------------------------------
// Vertical ("VScrollBar") or horizontal ("HScrollBar"). Min may exceed Max (the bar
// then runs the other way). Change when Value changes by code, by the arrows or the
// track, or when a thumb drag ends; Scroll while the thumb is dragged. Takes the
// focus on a click. A Value outside Min..Max raises error 380.
class ScrollBar : public QScrollBar, public Control {
    Q_OBJECT
public:
    explicit ScrollBar(Qt::Orientation orientation = Qt::Vertical);
    QWidget* Widget() override { return this; }
    QObject* Object() override { return this; }

    void SetMin(int v);
    void SetMax(int v);
    int Value() const { return value(); }
    void SetValue(int v);
    void SetSmallChange(int v) { setSingleStep(v); }
    void SetLargeChange(int v) { setPageStep(v); }

private:
    void ApplyRange();
    int min_ = 0;
    int max_ = 32767;
};

// ---- UpDown --------------------------------------------------------------------------
// A pair of arrow buttons stepping Value by Increment between Min and Max (wrapping
// round when Wrap is set). Up and Down keys step it when it has the focus. Change
// whenever Value changes, also by code. A Value outside the range raises error 380.
class UpDown : public QWidget, public Control {
    Q_OBJECT
public:
    UpDown();
    QWidget* Widget() override { return this; }
    QObject* Object() override { return this; }

    void SetMin(int v) { min_ = v; }
    void SetMax(int v) { max_ = v; }
    int Value() const { return value_; }
    void SetValue(int v);
    void SetIncrement(int v) { increment_ = v; }
    void SetWrap(bool on) { wrap_ = on; }
    // One step up (+1) or down (-1), as a click on an arrow does.
    void Step(int direction);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    int min_ = 0;
    int max_ = 10;
    int value_ = 0;
    int increment_ = 1;
    bool wrap_ = false;
};

// ---- TabControl ----------------------------------------------------------------------
// Tabs along the top; each child control belongs to one tab (the tab current when it
// was placed in the control, or the one given by SetControlTab) and is on screen only
// while that tab is shown. Children are placed in twips from the control's outer
// top-left corner. Click when Tab changes, by the user or by code, with PreviousTab
// telling the tab that was shown before. A click on a tab takes the focus.
class TabControl : public QWidget, public Control {
    Q_OBJECT
public:
    TabControl();
    QWidget* Widget() override { return this; }
    QObject* Object() override { return this; }
    bool CanContain() const override { return true; }
    bool ShowsChild(const Control* child) const override;
    void ChildAdded(Control* child) override;

    int Tabs() const;
    void SetTabs(int n);
    int Tab() const { return current_; }
    void SetTab(int index);
    int PreviousTab() const { return previous_; }
    void SetTabCaption(int index, const std::string& caption);
    bool TabEnabled(int index) const;
    void SetTabEnabled(int index, bool on);
    void SetControlTab(Control* child, int index);
    int ControlTab(const Control* child) const;
    QTabBar* Bar() const { return bar_; }

protected:
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void Refresh();
    void CheckTab(int index) const;  // an index past the tabs is an invalid value
    QTabBar* bar_ = nullptr;
    std::vector<std::pair<const Control*, int>> pages_;
    int current_ = 0;
    int previous_ = 0;
    bool quiet_ = false;
};

// ---- Timer ---------------------------------------------------------------------------
// Raises the Timer event every Interval milliseconds while Enabled and Interval > 0.
// Enabling a running timer or setting its interval to the same value does not restart
// the count; a different interval restarts it.
class Timer : public QObject, public Control {
    Q_OBJECT
public:
    Timer();
    QWidget* Widget() override { return nullptr; }
    QObject* Object() override { return this; }

    void SetInterval(int ms);
    void SetEnabled(bool on) override;
    bool Running() const { return timer_.isActive(); }
    // Milliseconds until the next Timer event; -1 when not running.
    int RemainingTime() const { return timer_.remainingTime(); }

private:
    void Apply(bool restart);
    QTimer timer_;
    int interval_ = 0;
};

// ---- MenuItem ------------------------------------------------------------------------
// An entry of the form's menu bar or of another entry's menu. Click when chosen. A
// checked entry shows a check mark that only code changes: choosing the entry does not
// toggle it.
class MenuItem : public QObject, public Control {
    Q_OBJECT
public:
    MenuItem();
    ~MenuItem() override;
    QWidget* Widget() override { return nullptr; }
    QObject* Object() override { return this; }

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    bool Checked() const { return checked_; }
    void SetChecked(bool on);
    void SetEnabled(bool on) override;
    void SetVisible(bool on) override;
    void SetShortcut(const QKeySequence& keys);
    QAction* Action() const { return action_; }
    // The entry's own menu, created when the first entry is added under it.
    QMenu* Menu();
    // Chooses the entry, as a click on it does.
    void Trigger();

    // For Form.
    void Attach(Form* form, MenuItem* parent, const std::string& caption);
    void Detach();

private:
    QAction* action_ = nullptr;
    QMenu* menu_ = nullptr;
    std::string caption_;
    bool checked_ = false;
};

}  // namespace nuvir
