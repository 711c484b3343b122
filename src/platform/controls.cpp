#include "platform/controls.h"

#include <QAction>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <QToolButton>

#include <algorithm>

#include "platform/form.h"
#include "platform/qtstring.h"
#include "runtime/error.h"

namespace nuvir {

namespace {

[[noreturn]] void InvalidValue() { RaiseError(380, "Invalid property value"); }

constexpr Colour kButtonFace = static_cast<Colour>(0x8000000Fu);
constexpr Colour kButtonText = static_cast<Colour>(0x80000012u);
constexpr Colour kWindowBack = static_cast<Colour>(0x80000005u);
constexpr Colour kWindowText = static_cast<Colour>(0x80000008u);

Qt::Alignment QtAlign(int a) {
    switch (a) {
        case align::Right: return Qt::AlignRight | Qt::AlignVCenter;
        case align::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
        default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

// The width a button-like control needs for its text on one line: the text and what
// the style draws around the room it gives the text (indicator, frame, margins).
int ButtonTextNeeds(const QAbstractButton* w, QStyle::SubElement contents) {
    if (w->text().isEmpty()) return 0;
    QStyleOptionButton opt;
    opt.initFrom(w);
    opt.text = w->text();
    opt.rect = QRect(0, 0, 1000, std::max(1, w->height()));
    const QRect room = w->style()->subElementRect(contents, &opt, w);
    return w->fontMetrics().size(Qt::TextShowMnemonic, w->text()).width() + opt.rect.width() - room.width();
}

}  // namespace

QString DisplayCaption(const std::string& caption) {
    // Labels show the text; the access-key marks go.
    const QString in = QtText(caption);
    QString out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in.at(i) == QLatin1Char('&')) {
            if (i + 1 < in.size() && in.at(i + 1) == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        out += in.at(i);
    }
    return out;
}

// ---- Label ------------------------------------------------------------------------------

Label::Label() : Control("Label") {
    SetDefaultColours(kButtonFace, kButtonText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(true);
}

void Label::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    setText(DisplayCaption(caption));
    Refit();
    Q_EMIT Events()->Change();
}

Control::CaptionRoom Label::CaptionNeeds() const {
    if (wordWrap() || text().isEmpty()) return {};
    const QMargins m = contentsMargins();
    const int width = fontMetrics().size(0, text()).width() + 2 * margin() + m.left() + m.right();
    return {width, alignment_ == align::Right ? 1.0 : alignment_ == align::Center ? 0.5 : 0.0};
}

void Label::SetAlignment(int a) {
    if (a < 0 || a > 2) InvalidValue();
    alignment_ = a;
    setAlignment((QtAlign(a) & Qt::AlignHorizontal_Mask) | Qt::AlignTop);
}

void Label::SetBackStyle(int style) {
    if (style < 0 || style > 1) InvalidValue();
    backStyle_ = style;
    setAutoFillBackground(style == 1);
}

void Label::SetBackColor(Colour c) {
    Control::SetBackColor(c);
    setAutoFillBackground(backStyle_ == 1);
}

void Label::mouseReleaseEvent(QMouseEvent* e) {
    QLabel::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) Q_EMIT Events()->Click();
}

void Label::mouseDoubleClickEvent(QMouseEvent* e) {
    QLabel::mouseDoubleClickEvent(e);
    if (e->button() == Qt::LeftButton) Q_EMIT Events()->DblClick();
}

// ---- TextBox ----------------------------------------------------------------------------

TextBox::TextBox() : Control("TextBox") {
    SetDefaultColours(kWindowBack, kWindowText);
    connect(this, &QLineEdit::textChanged, this, [this] { Q_EMIT Events()->Change(); });
}

std::string TextBox::Text() const { return text().toStdString(); }

void TextBox::SetText(const std::string& t) {
    QString s = QtText(t);
    if (maxLength_ > 0 && s.size() > maxLength_) s.truncate(maxLength_);
    setText(s);
    // Qt leaves the caret at the end, and a text longer than the box then shows its
    // end: "...7.500375" for 187.500375 reads as another number. Only the box the user
    // is typing in keeps the caret there, after what they typed.
    if (!hasFocus() || isReadOnly()) {
        setCursorPosition(0);
        ScrollAnew();
    }
}

int TextBox::SelStart() const { return hasSelectedText() ? selectionStart() : cursorPosition(); }

void TextBox::SetSelStart(int start) {
    if (start < 0) InvalidValue();
    setCursorPosition(std::min<int>(start, static_cast<int>(text().size())));
}

int TextBox::SelLength() const { return hasSelectedText() ? static_cast<int>(selectedText().size()) : 0; }

void TextBox::SetSelLength(int length) {
    if (length < 0) InvalidValue();
    const int start = SelStart();
    const int len = std::min<int>(length, static_cast<int>(text().size()) - start);
    if (len <= 0) {
        setCursorPosition(start);
    } else {
        setSelection(start, len);
    }
}

void TextBox::SelectForOvertyping() {
    // A selection made backwards from the end leaves the caret at the start, and the box
    // scrolls to its caret.
    const auto length = static_cast<int>(text().size());
    setSelection(length, -length);
    ScrollAnew();
}

void TextBox::ScrollAnew() {
    // Qt scrolls a box on from where its last paint left the text, and after a longer
    // text that can lie past the whole of the new one: Qt then shows the new text's end,
    // wherever the caret is ("3456789" of 0.123456789). A paint to nowhere brings the
    // scroll within the new text, so that the next, on screen, scrolls to the caret. A
    // hidden box has it when it is shown.
    scrollWhenShown_ = !isVisible();
    if (scrollWhenShown_) return;
    QImage nowhere(1, 1, QImage::Format_ARGB32_Premultiplied);
    render(&nowhere, QPoint(), QRegion(0, 0, 1, 1), {});
}

std::string TextBox::SelText() const { return selectedText().toStdString(); }

void TextBox::SetSelText(const std::string& t) {
    const int start = SelStart();
    const int len = SelLength();
    QString s = text();
    s.replace(start, len, QtText(t));
    setText(s);
    setCursorPosition(start + static_cast<int>(QtText(t).size()));
}

void TextBox::SetMaxLength(int n) {
    if (n < 0) InvalidValue();
    maxLength_ = n;
    setMaxLength(n == 0 ? 32767 * 1024 : n);
}

void TextBox::SetAlignment(int a) {
    if (a < 0 || a > 2) InvalidValue();
    alignment_ = a;
    setAlignment(QtAlign(a));
}

void TextBox::mouseDoubleClickEvent(QMouseEvent* e) {
    QLineEdit::mouseDoubleClickEvent(e);  // selects the word, as before
    if (e->button() == Qt::LeftButton) Q_EMIT Events()->DblClick();
}

void TextBox::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    // Qt selects the whole text of a box entered by Tab or a shortcut, with the caret
    // after it: a long number would show its end.
    const Qt::FocusReason reason = e->reason();
    const bool entered = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                         reason == Qt::ShortcutFocusReason;
    if (entered && !text().isEmpty() && selectedText() == text()) SelectForOvertyping();
}

void TextBox::showEvent(QShowEvent* e) {
    QLineEdit::showEvent(e);
    if (scrollWhenShown_) ScrollAnew();
}

void TextBox::focusOutEvent(QFocusEvent* e) {
    // The menu bar takes the focus when a menu is opened from the keyboard (Alt+E):
    // the selection stays for the Edit commands, as for a menu opened with the mouse.
    if (e->reason() == Qt::MenuBarFocusReason) {
        QFocusEvent kept(QEvent::FocusOut, Qt::PopupFocusReason);
        QLineEdit::focusOutEvent(&kept);
        return;
    }
    QLineEdit::focusOutEvent(e);
}

// ---- CheckBox ---------------------------------------------------------------------------

CheckBox::CheckBox() : Control("CheckBox") {
    SetDefaultColours(kButtonFace, kButtonText);
    connect(this, &QCheckBox::stateChanged, this, [this] { Q_EMIT Events()->Click(); });
}

int CheckBox::Value() const {
    switch (checkState()) {
        case Qt::Checked: return 1;
        case Qt::PartiallyChecked: return 2;
        default: return 0;
    }
}

void CheckBox::SetValue(int v) {
    switch (v) {
        case 0: setCheckState(Qt::Unchecked); break;
        case 1: setCheckState(Qt::Checked); break;
        case 2: setCheckState(Qt::PartiallyChecked); break;
        default: InvalidValue();
    }
}

void CheckBox::SetCaption(const std::string& caption) {
    caption_ = caption;
    setText(QtText(caption));
    Refit();
}

Control::CaptionRoom CheckBox::CaptionNeeds() const {
    return {ButtonTextNeeds(this, QStyle::SE_CheckBoxContents), 0.0};
}

void CheckBox::nextCheckState() {
    // Called once for each toggle by mouse or Space, before the value changes.
    Q_EMIT BeforeToggle();
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

// ---- OptionButton -----------------------------------------------------------------------

OptionButton::OptionButton() : Control("OptionButton") {
    SetDefaultColours(kButtonFace, kButtonText);
    connect(this, &QRadioButton::toggled, this, [this](bool on) {
        if (on) Q_EMIT Events()->Click();
    });
}

void OptionButton::SetValue(bool on) {
    if (on) {
        setChecked(true);
    } else if (isChecked()) {
        // The group would refuse to clear its checked button.
        setAutoExclusive(false);
        setChecked(false);
        setAutoExclusive(true);
    }
}

void OptionButton::SetCaption(const std::string& caption) {
    caption_ = caption;
    setText(QtText(caption));
    Refit();
}

Control::CaptionRoom OptionButton::CaptionNeeds() const {
    return {ButtonTextNeeds(this, QStyle::SE_RadioButtonContents), 0.0};
}

// ---- CommandButton ----------------------------------------------------------------------

CommandButton::CommandButton() : Control("CommandButton") {
    SetDefaultColours(kButtonFace, kButtonText);
    setAutoDefault(false);
    setDefault(false);
    connect(this, &QPushButton::clicked, this, [this] { Q_EMIT Events()->Click(); });
}

void CommandButton::SetCaption(const std::string& caption) {
    caption_ = caption;
    setText(QtText(caption));
    Refit();
}

Control::CaptionRoom CommandButton::CaptionNeeds() const {
    return {ButtonTextNeeds(this, QStyle::SE_PushButtonContents), 0.0};
}

void CommandButton::SetDefault(bool on) {
    default_ = on;
    if (Form* f = Parent()) f->SetDefaultButton(this, on);
}

bool CommandButton::Press() {
    if (!Visible() || !Enabled() || !isEnabled()) return false;
    click();
    return true;
}

void CommandButton::SetCancel(bool on) {
    cancel_ = on;
    if (Form* f = Parent()) f->SetCancelButton(this, on);
}

void CommandButton::SetValue(bool on) {
    if (on) click();
}

// ---- Frame ------------------------------------------------------------------------------

Frame::Frame() : Control("Frame") { SetDefaultColours(kButtonFace, kButtonText); }

void Frame::SetCaption(const std::string& caption) {
    caption_ = caption;
    setTitle(QtText(caption));
}

// ---- Panel ------------------------------------------------------------------------------

Panel::Panel() : Control("SSPanel") {
    SetDefaultColours(kButtonFace, kButtonText);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
}

// ---- ComboBox ---------------------------------------------------------------------------

ComboBox::ComboBox(int style) : Control("ComboBox") {
    SetDefaultColours(kWindowBack, kWindowText);
    SetStyle(style);
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (!quiet_) Q_EMIT Events()->Click();
    });
}

void ComboBox::SetStyle(int style) {
    if (style != 0 && style != 2) InvalidValue();
    style_ = style;
    const bool wasQuiet = quiet_;
    quiet_ = true;
    const int index = currentIndex();
    const bool wasEditable = isEditable();
    setEditable(style == 0);
    if (style == 0 && !wasEditable) {
        setInsertPolicy(QComboBox::NoInsert);
        connect(this, &QComboBox::editTextChanged, this, [this] {
            if (!quiet_) Q_EMIT Events()->Change();
        });
    }
    setCurrentIndex(index);
    quiet_ = wasQuiet;
}

void ComboBox::AddItem(const std::string& text, int index) {
    if (index < -1 || index > count()) InvalidValue();
    const int keep = currentIndex();
    const QString edit = style_ == 0 ? currentText() : QString();
    quiet_ = true;
    const int at = index == -1 ? count() : index;
    insertItem(at, QtText(text), QVariant(0));
    // Inserting never selects: the selection stays where it was.
    const int restored = keep < 0 ? -1 : (at <= keep ? keep + 1 : keep);
    setCurrentIndex(restored);
    if (style_ == 0 && restored < 0) setEditText(edit);
    quiet_ = false;
    newIndex_ = at;
}

void ComboBox::Clear() {
    quiet_ = true;
    clear();
    setCurrentIndex(-1);
    quiet_ = false;
    newIndex_ = -1;
}

std::string ComboBox::List(int index) const {
    if (index < 0 || index >= count()) return {};
    return itemText(index).toStdString();
}

std::int32_t ComboBox::ItemData(int index) const {
    if (index < 0 || index >= count()) InvalidValue();
    return itemData(index).toInt();
}

void ComboBox::SetItemData(int index, std::int32_t data) {
    if (index < 0 || index >= count()) InvalidValue();
    setItemData(index, QVariant(data));
}

void ComboBox::SetListIndex(int index) {
    if (index < -1 || index >= count()) InvalidValue();
    setCurrentIndex(index);
}

std::string ComboBox::Text() const { return currentText().toStdString(); }

void ComboBox::SetText(const std::string& text) {
    if (style_ == 0) {
        setEditText(QtText(text));
        return;
    }
    const int i = findText(QtText(text), Qt::MatchFixedString);
    if (i < 0) InvalidValue();
    setCurrentIndex(i);
}

// ---- ScrollBar --------------------------------------------------------------------------

ScrollBar::ScrollBar(Qt::Orientation orientation)
    : QScrollBar(orientation), Control(orientation == Qt::Vertical ? "VScrollBar" : "HScrollBar") {
    setFocusPolicy(Qt::StrongFocus);
    setTracking(false);
    setSingleStep(1);
    setPageStep(1);
    ApplyRange();
    connect(this, &QScrollBar::valueChanged, this, [this] { Q_EMIT Events()->Change(); });
    connect(this, &QScrollBar::sliderMoved, this, [this] { Q_EMIT Events()->Scroll(); });
}

void ScrollBar::ApplyRange() {
    const bool inverted = min_ > max_;
    setInvertedAppearance(inverted);
    setRange(std::min(min_, max_), std::max(min_, max_));
}

void ScrollBar::SetMin(int v) {
    min_ = v;
    ApplyRange();
}

void ScrollBar::SetMax(int v) {
    max_ = v;
    ApplyRange();
}

void ScrollBar::SetValue(int v) {
    if (v < std::min(min_, max_) || v > std::max(min_, max_)) InvalidValue();
    setValue(v);
}

// ---- UpDown -----------------------------------------------------------------------------

UpDown::UpDown() : Control("UpDown") {
    setFocusPolicy(Qt::StrongFocus);
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
    }
    connect(up_, &QToolButton::clicked, this, [this] { Step(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
    resize(17, 34);
}

void UpDown::SetValue(int v) {
    if (v < std::min(min_, max_) || v > std::max(min_, max_)) InvalidValue();
    if (v == value_) return;
    value_ = v;
    Q_EMIT Events()->Change();
}

void UpDown::Step(int direction) {
    const int lo = std::min(min_, max_), hi = std::max(min_, max_);
    const int sign = min_ <= max_ ? 1 : -1;
    long long next = static_cast<long long>(value_) + static_cast<long long>(direction) * sign * increment_;
    if (next > hi) next = wrap_ ? lo : hi;
    if (next < lo) next = wrap_ ? hi : lo;
    SetValue(static_cast<int>(next));
}

void UpDown::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Up) {
        Step(+1);
    } else if (e->key() == Qt::Key_Down) {
        Step(-1);
    } else {
        QWidget::keyPressEvent(e);
    }
}

void UpDown::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    const int h = height() / 2;
    up_->setGeometry(0, 0, width(), h);
    down_->setGeometry(0, h, width(), height() - h);
}

// ---- TabControl -------------------------------------------------------------------------

TabControl::TabControl() : Control("SSTab") {
    SetDefaultColours(kButtonFace, kButtonText);
    bar_ = new QTabBar(this);
    bar_->setFocusPolicy(Qt::StrongFocus);
    bar_->setDrawBase(false);
    setFocusProxy(bar_);
    setFocusPolicy(Qt::StrongFocus);
    SetTabs(3);
    connect(bar_, &QTabBar::currentChanged, this, [this](int index) {
        if (quiet_ || index < 0 || index == current_) return;
        previous_ = current_;
        current_ = index;
        Refresh();
        Q_EMIT Events()->Click();
    });
}

int TabControl::Tabs() const { return bar_->count(); }

void TabControl::SetTabs(int n) {
    if (n < 1) InvalidValue();
    quiet_ = true;
    while (bar_->count() < n) bar_->addTab(QStringLiteral("Tab %1").arg(bar_->count()));
    while (bar_->count() > n) bar_->removeTab(bar_->count() - 1);
    if (current_ >= n) current_ = n - 1;
    bar_->setCurrentIndex(current_);
    quiet_ = false;
    Refresh();
}

void TabControl::CheckTab(int index) const {
    if (index < 0 || index >= Tabs()) InvalidValue();
}

void TabControl::SetTab(int index) {
    CheckTab(index);
    if (index == current_) return;
    bar_->setCurrentIndex(index);  // raises Click through currentChanged
}

void TabControl::SetTabCaption(int index, const std::string& caption) {
    CheckTab(index);
    bar_->setTabText(index, QtText(caption));
}

bool TabControl::TabEnabled(int index) const {
    CheckTab(index);
    return bar_->isTabEnabled(index);
}

void TabControl::SetTabEnabled(int index, bool on) {
    CheckTab(index);
    bar_->setTabEnabled(index, on);
}

void TabControl::ChildAdded(Control* child) {
    for (auto& p : pages_) {
        if (p.first == child) {
            p.second = current_;
            return;
        }
    }
    pages_.emplace_back(child, current_);
}

void TabControl::SetControlTab(Control* child, int index) {
    CheckTab(index);
    for (auto& p : pages_) {
        if (p.first == child) p.second = index;
    }
    Refresh();
}

int TabControl::ControlTab(const Control* child) const {
    for (const auto& p : pages_) {
        if (p.first == child) return p.second;
    }
    return -1;
}

bool TabControl::ShowsChild(const Control* child) const { return ControlTab(child) == current_; }

void TabControl::Refresh() {
    if (Form* f = Parent()) {
        for (Control* c : f->Controls()) {
            if (c->Container() == this && c->Widget() != nullptr) c->SetVisible(c->Visible());
        }
    }
}

void TabControl::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    bar_->setGeometry(0, 0, width(), bar_->sizeHint().height());
}

void TabControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QStyleOptionTabWidgetFrame opt;
    opt.initFrom(this);
    opt.rect = QRect(0, bar_->sizeHint().height() - 1, width(), height() - bar_->sizeHint().height() + 1);
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &opt, &p, this);
}

// ---- Timer ------------------------------------------------------------------------------

Timer::Timer() : Control("Timer") {
    connect(&timer_, &QTimer::timeout, this, [this] { Q_EMIT Events()->Timer(); });
    timer_.setTimerType(Qt::PreciseTimer);
}

void Timer::SetInterval(int ms) {
    if (ms < 0 || ms > 65535) InvalidValue();
    const bool changed = ms != interval_;
    interval_ = ms;
    Apply(changed);
}

void Timer::SetEnabled(bool on) {
    Control::SetEnabled(on);
    Apply(false);
}

void Timer::Apply(bool restart) {
    const bool run = Enabled() && interval_ > 0;
    if (!run) {
        timer_.stop();
        return;
    }
    if (timer_.isActive() && !restart) return;
    timer_.start(interval_);
}

// ---- MenuItem ---------------------------------------------------------------------------

MenuItem::MenuItem() : Control("Menu") {}

MenuItem::~MenuItem() { Detach(); }

void MenuItem::Attach(Form* form, MenuItem* parent, const std::string& caption) {
    caption_ = caption;
    // A separator shows no text: the style would draw the "-" beside its line.
    action_ = new QAction(caption == "-" ? QString() : QtText(caption), this);
    if (caption == "-") action_->setSeparator(true);
    connect(action_, &QAction::triggered, this, [this] {
        // Qt toggles a checkable entry before it reports it; the mark belongs to code.
        if (action_->isCheckable() && action_->isChecked() != checked_) action_->setChecked(checked_);
        Q_EMIT Events()->Click();
    });
    if (parent == nullptr) {
        form->MenuBar()->addAction(action_);
    } else {
        parent->Menu()->addAction(action_);
    }
    form->addAction(action_);
}

void MenuItem::Detach() {
    if (action_ == nullptr) return;
    const auto widgets = action_->associatedObjects();
    for (QObject* o : widgets) {
        if (auto* w = qobject_cast<QWidget*>(o)) w->removeAction(action_);
    }
    delete menu_;
    menu_ = nullptr;
    delete action_;
    action_ = nullptr;
}

QMenu* MenuItem::Menu() {
    if (menu_ == nullptr) {
        menu_ = new QMenu();
        menu_->setTitle(action_ != nullptr ? action_->text() : QString());
        if (action_ != nullptr) action_->setMenu(menu_);
    }
    return menu_;
}

void MenuItem::SetCaption(const std::string& caption) {
    caption_ = caption;
    if (action_ == nullptr) return;
    action_->setSeparator(caption == "-");
    action_->setText(caption == "-" ? QString() : QtText(caption));
    if (menu_ != nullptr) menu_->setTitle(QtText(caption));
}

void MenuItem::SetChecked(bool on) {
    checked_ = on;
    if (action_ == nullptr) return;
    action_->setCheckable(true);
    action_->setChecked(on);
}

void MenuItem::SetEnabled(bool on) {
    Control::SetEnabled(on);
    if (action_ != nullptr) action_->setEnabled(on);
}

void MenuItem::SetVisible(bool on) {
    Control::SetVisible(on);
    if (action_ != nullptr) action_->setVisible(on);
}

void MenuItem::SetShortcut(const QKeySequence& keys) {
    if (action_ != nullptr) action_->setShortcut(keys);
}

void MenuItem::Trigger() {
    if (action_ != nullptr && action_->isEnabled()) action_->trigger();
}

}  // namespace nuvir
