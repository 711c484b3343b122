#pragma once
// A window of the program: a top-level widget that holds its controls by name.
//
// Controls are added by kind and name (and optionally an index, for control arrays)
// into a container, found by name without regard to case, enumerated in creation
// order and removed. Positions on a form are twips; Left/Top/Width/Height of the form
// are its outer frame, converted with the fixed frame and caption metrics of
// screen.h so that sizing arithmetic gives the same numbers before and after the
// window is shown.
//
// Life cycle: Load (once per load, before the first showing), Activate (each time the
// window becomes active), QueryUnload(cancel, reason) and Unload(cancel) when it
// closes by any route. Unloading hides the window; the object and its members live
// on, so a caller reads a dialog's results after ShowModal returns.
#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/control.h"

class QMenuBar;
class QEventLoop;
class QVBoxLayout;

namespace nuvir {

class CommandButton;
class MenuItem;

// Why a form is closing (QueryUnload / Unload).
namespace unloadreason {
constexpr int ControlMenu = 0;  // the close box or the window menu
constexpr int FormCode = 1;     // the program's Unload
constexpr int AppWindows = 2;   // the session is ending
}  // namespace unloadreason

// Border styles; they decide the frame metrics used for the outer size.
namespace borderstyle {
constexpr int None = 0;
constexpr int FixedSingle = 1;
constexpr int Sizable = 2;
constexpr int FixedDialog = 3;
constexpr int FixedToolWindow = 4;
constexpr int SizableToolWindow = 5;
}  // namespace borderstyle

class Form : public QWidget, public Control {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);
    ~Form() override;

    QWidget* Widget() override { return this; }
    QObject* Object() override { return this; }
    bool IsForm() const override { return true; }
    bool CanContain() const override { return true; }
    QWidget* ChildHost() override { return client_; }

    // ---- the controls collection ---------------------------------------------
    // Adds a control made by this program (the form keeps it; it starts Visible).
    template <class T>
    T* Add(const std::string& name, int index = -1, Control* container = nullptr) {
        auto* c = new T();
        Adopt(c, name, index, container, true);
        return c;
    }
    // Adds a control by kind name ("PictureBox", "CheckBox", "TextBox", "Label",
    // "CommandButton", "OptionButton", "Frame", "ComboBox", "VScrollBar",
    // "HScrollBar", "UpDown", "SSTab", "SSPanel", "Timer", a registered kind; a
    // library prefix before a dot is ignored). It starts invisible. A name in use
    // raises error 727, an unknown kind error 711.
    Control* AddByType(const std::string& typeName, const std::string& name, Control* container = nullptr);
    // The control of that name (and index), or nullptr.
    Control* Find(const std::string& name, int index = -1) const;
    template <class T>
    T* FindAs(const std::string& name, int index = -1) const {
        return dynamic_cast<T*>(Find(name, index));
    }
    // All controls in creation order (the form itself not included).
    const std::vector<Control*>& Controls() const { return controls_; }
    // The members of a control array, by index.
    std::vector<Control*> ControlArray(const std::string& name) const;
    // Removes the control (and the controls inside it). A missing name raises 730.
    void Remove(const std::string& name, int index = -1);

    // Kinds that other parts of the program add (the flex grid).
    using ControlFactory = std::function<Control*()>;
    static void RegisterControlType(const std::string& typeName, ControlFactory factory);

    // ---- menus ------------------------------------------------------------------
    // A menu entry: on the menu bar without a parent, else inside `parent`'s menu.
    // A caption "-" makes a separator.
    MenuItem* AddMenu(const std::string& name, const std::string& caption, MenuItem* parent = nullptr, int index = -1);
    QMenuBar* MenuBar();

    // ---- form properties ----------------------------------------------------------
    void SetName(const std::string& name) { name_ = name; }
    std::string Caption() const;
    void SetCaption(const std::string& caption);
    int BorderStyle() const { return borderStyle_; }
    // Also the window's frame: a fixed style cannot be resized by the user and a fixed
    // dialog has no minimise or maximise button; the tool styles get a tool window's frame.
    void SetBorderStyle(int style);
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool on) { keyPreview_ = on; }
    // The control with the focus (the window's focus child), or nullptr.
    Control* ActiveControl() const;
    // The control the analyst is working in: the active control, or, while the menu bar
    // or one of its menus has the focus (opened from the keyboard), the control that had
    // it before; nullptr for none.
    Control* WorkingControl() const;
    // The buttons that Enter and Escape click; set through CommandButton.
    CommandButton* DefaultButton() const { return defaultButton_; }
    CommandButton* CancelButton() const { return cancelButton_; }

    // Outer geometry in twips.
    double Left() const override;
    double Top() const override;
    double Width() const override;
    double Height() const override;
    void SetLeft(double v) override;
    void SetTop(double v) override;
    void SetWidth(double v) override;
    void SetHeight(double v) override;
    // Client area in twips (below the menu bar).
    double ScaleWidth() const;
    double ScaleHeight() const;
    // Outer minus client size, in pixels, for this border style (menu bar included).
    int NonClientWidthPx() const;
    int NonClientHeightPx() const;

    void SetVisible(bool on) override;
    Colour BackColor() const override;
    void SetBackColor(Colour c) override;

    // ---- life cycle -----------------------------------------------------------------
    bool IsLoaded() const { return loaded_; }
    // Raises Load unless loaded.
    void Load();
    void Show();
    // Shows the form application-modal and returns when it has been unloaded or
    // hidden; minimised meanwhile, it comes back (modalwindows.h).
    void ShowModal();
    // Places every captioned control again, now that all its neighbours have their
    // places: a caption too long for its control widens it (see Control::Refit).
    void FitCaptions();
    // Widens the window to show its whole title in the title bar, unless the window
    // keeps its own width (SetWidensForTitle(false)).
    void FitTitle();
    // The width in pixels a title bar needs for the title the window manager shows: the
    // program's name for a window without a title of its own.
    int TitleNeedPx() const;
    void SetWidensForTitle(bool on) { widensForTitle_ = on; }
    // Closes by program: QueryUnload and Unload with reason FormCode. Returns false
    // when a handler cancelled.
    bool Unload();
    // The same route with another reason (the close box comes through closeEvent).
    bool UnloadFor(int reason);

    // ---- internal, for the controls --------------------------------------------------
    void Adopt(Control* c, const std::string& name, int index, Control* container, bool visible);
    void Forget(Control* c);
    int TabIndexOf(const Control* c) const;
    void SetTabIndexOf(Control* c, int index);
    void RebuildTabOrder();
    void SetDefaultButton(CommandButton* b, bool on);
    void SetCancelButton(CommandButton* b, bool on);

Q_SIGNALS:
    void LoadEvent();
    void Activate();
    void Deactivate();
    void QueryUnload(bool& cancel, int reason);
    void UnloadEvent(bool& cancel);
    void Resize();

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    // Centres a modal form over its owner, once its size is final, unless it placed
    // itself.
    void showEvent(QShowEvent* e) override;
    bool event(QEvent* e) override;

private:
    bool FixedSize() const;
    // Holds a fixed style's window at its size (the program still sets the size).
    void LockSize();
    // The program's resize: a fixed style's window is held at the new size.
    void ResizeTo(const QSize& next);
    int FrameXPx() const;
    int FrameYPx() const;
    int CaptionPx() const;
    int MenuBarPx() const;

    QWidget* client_ = nullptr;
    QVBoxLayout* layout_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    std::vector<Control*> controls_;
    std::vector<Control*> tabOrder_;
    CommandButton* defaultButton_ = nullptr;
    CommandButton* cancelButton_ = nullptr;
    QEventLoop* modalLoop_ = nullptr;
    QPointer<QWidget> centreOver_;
    // The window's last focus widget outside its menus, for WorkingControl.
    QPointer<QWidget> workFocus_;
    int borderStyle_ = borderstyle::Sizable;
    bool keyPreview_ = false;
    bool loaded_ = false;
    bool widensForTitle_ = true;
    bool closing_ = false;
    bool tabOrderDirty_ = false;
    Colour formBackColor_ = static_cast<Colour>(0x8000000Fu);
};

// The main window, once it has been activated; nullptr before.
Form* MainForm();
void SetMainForm(Form* form);

}  // namespace nuvir
