#pragma once
// Looking over a shown window as the analyst would: which controls are on view, whether
// each caption shows its whole text, whether a disabled control looks disabled, and a
// picture of the window for a person to look at.
//
// Every finding is one line naming the control (Name(Index) where it is one of ours)
// and what is wrong, so a failing check says where to look.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTextDocument>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/control.h"
#include "platform/flexgrid.h"

namespace nuvir::test::windowcheck {

// The device pixels per logical pixel the check runs at (2 under QT_SCALE_FACTOR=2).
inline double Scale() { return qApp->devicePixelRatio(); }

// "_x2" at scale 2, nothing at scale 1: picture names of the two runs differ.
inline std::string ScaleSuffix() { return Scale() > 1.0 ? "_x" + std::to_string(static_cast<int>(Scale())) : ""; }

// What a person calls the widget: the control's Name(Index), or the Qt class and object
// name for the parts Qt makes (a tab bar inside a tab control, a message box's label).
inline std::string NameOf(const QWidget* w) {
    if (const Control* c = Control::Of(const_cast<QWidget*>(w)); c != nullptr && c->Widget() == w) {
        return c->Index() >= 0 ? c->Name() + "(" + std::to_string(c->Index()) + ")" : c->Name();
    }
    std::string name = w->metaObject()->className();
    if (!w->objectName().isEmpty()) name += " " + w->objectName().toStdString();
    if (const Control* c = Control::Of(const_cast<QWidget*>(w)); c != nullptr) name += " in " + c->Name();
    return name;
}

// Every widget of the window a person can see, the window first, in creation order.
inline std::vector<QWidget*> VisibleWidgets(QWidget& window) {
    std::vector<QWidget*> out{&window};
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (w->isWindow() || !w->isVisibleTo(&window) || w->width() <= 0 || w->height() <= 0) continue;
        out.push_back(w);
    }
    return out;
}

// A widget's rectangle in the coordinates of the window.
inline QRect RectInWindow(const QWidget* w, const QWidget& window) {
    return QRect(w->mapTo(&window, QPoint(0, 0)), w->size());
}

// One text shown in a rectangle of a widget: what it needs against what it has.
struct ShownText {
    std::string where;
    QString text;
    QSize need;
    QSize room;
};

// The texts a widget shows and the room each has, in the widget's own font. Labels,
// buttons, check boxes, option buttons, frame titles, tab captions and the heading
// cells of grids; other widgets show none that the check measures.
inline std::vector<ShownText> TextsOf(QWidget* w) {
    std::vector<ShownText> out;
    const QFontMetrics fm = w->fontMetrics();
    const std::string name = NameOf(w);
    auto plainSize = [&](const QString& t) { return fm.size(Qt::TextShowMnemonic, t); };
    if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text().isEmpty()) return out;
        const QRect room =
            label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
        QSize need;
        const bool rich = label->textFormat() == Qt::RichText ||
                          (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
        if (rich) {
            QTextDocument doc;
            doc.setDefaultFont(label->font());
            doc.setDocumentMargin(0);
            doc.setHtml(label->text());
            doc.setTextWidth(label->wordWrap() ? room.width() : -1);
            need = QSize(static_cast<int>(std::ceil(label->wordWrap() ? doc.idealWidth() : doc.size().width())),
                         static_cast<int>(std::ceil(doc.size().height())));
        } else {
            const int flags = Qt::TextShowMnemonic | (label->wordWrap() ? Qt::TextWordWrap : 0);
            need = fm.boundingRect(QRect(0, 0, room.width(), 100000), flags, label->text()).size();
        }
        out.push_back({name, label->text(), need, room.size()});
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        // Each kind of button has its own content rectangle in the style.
        QStyle::SubElement contents = QStyle::SE_PushButtonContents;
        if (qobject_cast<QCheckBox*>(w)) contents = QStyle::SE_CheckBoxContents;
        if (qobject_cast<QRadioButton*>(w)) contents = QStyle::SE_RadioButtonContents;
        if (!qobject_cast<QPushButton*>(w) && contents == QStyle::SE_PushButtonContents) return out;
        if (button->text().isEmpty()) return out;
        QStyleOptionButton opt;
        opt.initFrom(button);
        opt.text = button->text();
        const QRect room = button->style()->subElementRect(contents, &opt, button);
        out.push_back({name, button->text(), plainSize(button->text()), room.size()});
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        if (group->title().isEmpty()) return out;
        const int frame = group->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, group);
        // The title sits in the frame's top edge, inside its left and right borders.
        const QSize room(group->width() - 2 * frame - 2 * fm.averageCharWidth(), group->height());
        out.push_back({name, group->title(), plainSize(group->title()), room});
    } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
        for (int i = 0; i < tabs->count(); ++i) {
            QStyleOptionTab opt;
            opt.initFrom(tabs);
            opt.rect = tabs->tabRect(i);
            opt.text = tabs->tabText(i);
            opt.shape = tabs->shape();
            const QRect room = tabs->style()->subElementRect(QStyle::SE_TabBarTabText, &opt, tabs);
            out.push_back(
                {name + " tab " + std::to_string(i), tabs->tabText(i), plainSize(tabs->tabText(i)), room.size()});
        }
    } else if (auto* grid = dynamic_cast<FlexGrid*>(w)) {
        // Every cell on view, headings and values: a text is drawn in its cell less 2 px
        // each side and the grid line.
        for (int r = 0; r < grid->Rows(); ++r) {
            for (int c = 0; c < grid->Cols(); ++c) {
                const QRect cell = grid->CellRectPx(r, c);
                const QString text = QString::fromStdString(grid->TextMatrix(r, c));
                if (cell.isEmpty() || text.isEmpty() || !grid->viewport()->geometry().contains(cell)) continue;
                const std::string kind = r < grid->FixedRows() ? " caption " : " cell ";
                // Blanks on the side a text is aligned away from stand outside the cell
                // unseen; only the rest needs room.
                QString shown = text;
                const int across = grid->TextAlignment(c, grid->TextMatrix(r, c)) / 3;
                while (across == 2 && shown.startsWith(QLatin1Char(' '))) shown.remove(0, 1);
                while (across == 0 && shown.endsWith(QLatin1Char(' '))) shown.chop(1);
                out.push_back({name + kind + std::to_string(r) + "," + std::to_string(c), text,
                               fm.size(Qt::TextSingleLine, shown), cell.adjusted(2, 0, -3, -1).size()});
            }
        }
    }
    return out;
}

// Findings: every text on view that its room cuts ("name: 'text' needs WxH, has WxH").
inline std::vector<std::string> CutTexts(QWidget& window) {
    std::vector<std::string> out;
    for (QWidget* w : VisibleWidgets(window)) {
        for (const ShownText& t : TextsOf(w)) {
            if (t.need.width() <= t.room.width() && t.need.height() <= t.room.height()) continue;
            out.push_back(t.where + ": '" + t.text.toStdString() + "' needs " + std::to_string(t.need.width()) + "x" +
                          std::to_string(t.need.height()) + ", has " + std::to_string(t.room.width()) + "x" +
                          std::to_string(t.room.height()));
        }
    }
    return out;
}

// The room a window manager's title bar takes besides the title: the window's icon and
// three buttons of about 24 px, and the margins.
constexpr int kTitleBarRoomPx = 4 * 24 + 16;

// Finding when the window is too narrow for its title in a title bar's bold font. A
// window without a title of its own shows the application's name there.
inline std::vector<std::string> CutTitle(QWidget& window) {
    QFont bold = QApplication::font();
    bold.setBold(true);
    const QString title = window.windowTitle().isEmpty() ? QCoreApplication::applicationName() : window.windowTitle();
    // No window can be wider than its screen.
    const int need = std::min(QFontMetrics(bold).horizontalAdvance(title) + kTitleBarRoomPx,
                              window.screen()->availableGeometry().width());
    if (title.isEmpty() || window.width() >= need) return {};
    return {"title '" + title.toStdString() + "' needs " + std::to_string(need) + " px, window is " +
            std::to_string(window.width())};
}

// Whether two text colours tell apart at a glance: one channel at least a fifth of the
// range away.
inline bool VisiblyDifferent(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) >= 51 || std::abs(a.green() - b.green()) >= 51 ||
           std::abs(a.blue() - b.blue()) >= 51;
}

// Findings: every disabled control on view whose text is drawn as when it is enabled.
inline std::vector<std::string> UndimmedDisabled(QWidget& window) {
    std::vector<std::string> out;
    for (QWidget* w : VisibleWidgets(window)) {
        if (auto* tabs = qobject_cast<QTabBar*>(w)) {
            // A tab that is off is drawn with the bar's disabled colours.
            for (int i = 0; i < tabs->count(); ++i) {
                if (tabs->isTabEnabled(i)) continue;
                const QColor off = tabs->palette().color(QPalette::Disabled, QPalette::WindowText);
                const QColor on = tabs->palette().color(QPalette::Active, QPalette::WindowText);
                if (!VisiblyDifferent(off, on)) out.push_back(NameOf(w) + " tab " + std::to_string(i) + ": not greyed");
            }
        }
        if (w->isEnabled() || TextsOf(w).empty()) continue;
        const QPalette::ColorRole role = w->foregroundRole();
        const QColor off = w->palette().color(QPalette::Disabled, role);
        const QColor on = w->palette().color(QPalette::Active, role);
        if (!VisiblyDifferent(off, on)) {
            out.push_back(NameOf(w) + ": disabled text " + off.name().toStdString() + " as enabled " +
                          on.name().toStdString());
        }
    }
    return out;
}

// Findings: every menu of the window that draws ink beside a separator line (a
// separator's own text). Menus are rendered off screen as they would open.
inline std::vector<std::string> InkedSeparators(QWidget& window) {
    std::vector<std::string> out;
    for (QAction* entry : window.actions()) {
        QMenu* menu = entry->menu();
        if (menu == nullptr) continue;
        menu->adjustSize();
        const QImage picture = menu->grab().toImage();
        const double ratio = picture.devicePixelRatio();
        for (QAction* a : menu->actions()) {
            if (!a->isSeparator() || !a->isVisible()) continue;
            const QRect r = menu->actionGeometry(a);
            int dark = 0;
            for (int y = static_cast<int>(r.top() * ratio); y < static_cast<int>((r.bottom() + 1) * ratio); ++y) {
                for (int x = static_cast<int>(r.left() * ratio); x < static_cast<int>((r.right() + 1) * ratio); ++x) {
                    if (picture.valid(x, y) && qGray(picture.pixel(x, y)) < 80) ++dark;
                }
            }
            if (dark > 0) {
                out.push_back("menu '" + menu->title().toStdString() + "': " + std::to_string(dark) +
                              " dark pixels beside a separator");
            }
        }
    }
    return out;
}

// Findings: a check-box grid whose boxes cross its border, or whose captions run into
// its right border (ink in the last pixel column inside it).
inline std::vector<std::string> CutOnGrids(QWidget& window) {
    std::vector<std::string> out;
    for (QWidget* w : VisibleWidgets(window)) {
        const Control* c = Control::Of(w);
        if (c == nullptr || c->Widget() != w || c->TypeName() != "PictureBox" || c->Name().rfind("chkArray", 0) != 0) {
            continue;
        }
        const QRect inside = w->contentsRect();
        for (QWidget* child : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisibleTo(w) && !inside.contains(child->geometry())) {
                out.push_back(NameOf(child) + " crosses the border of " + NameOf(w));
            }
        }
        const QImage picture = w->grab().toImage();
        const double ratio = picture.devicePixelRatio();
        const int x = static_cast<int>((inside.right() + 1) * ratio) - 1;
        int dark = 0;
        for (int y = static_cast<int>(inside.top() * ratio); y < static_cast<int>((inside.bottom() + 1) * ratio); ++y) {
            if (qGray(picture.pixel(x, y)) < 100) ++dark;
        }
        if (dark > 0) out.push_back(NameOf(w) + ": " + std::to_string(dark) + " dark pixels against its right border");
        // Column captions start a few pixels left of their boxes: between one caption's
        // last ink and the next one's first stand at least 4 empty pixel columns, so
        // that neighbouring captions do not run together.
        std::vector<QRect> firstRow;
        for (QWidget* child : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!child->isVisibleTo(w)) continue;
            if (!firstRow.empty() && child->y() > firstRow.front().y()) continue;
            if (!firstRow.empty() && child->y() < firstRow.front().y()) firstRow.clear();
            firstRow.push_back(child->geometry());
        }
        std::sort(firstRow.begin(), firstRow.end(), [](const QRect& a, const QRect& b) { return a.x() < b.x(); });
        const auto inked = [&](int x) {  // x in device pixels
            for (int y = static_cast<int>(inside.top() * ratio); y < static_cast<int>(firstRow[0].y() * ratio); ++y) {
                if (qGray(picture.pixel(x, y)) < 100) return true;
            }
            return false;
        };
        const auto from = [&](std::size_t j) { return static_cast<int>((firstRow[j].x() - 8) * ratio); };
        for (std::size_t j = 0; j + 1 < firstRow.size(); ++j) {
            int last = -1, next = -1;
            for (int x = from(j); x < from(j + 1); ++x) {
                if (inked(x)) last = x;
            }
            for (int x = from(j + 1); x < from(j + 1) + static_cast<int>(16 * ratio) && next < 0; ++x) {
                if (inked(x)) next = x;
            }
            if (last < 0 || next < 0) continue;
            if ((next - last - 1) < static_cast<int>(4 * ratio)) {
                out.push_back(NameOf(w) + ": column caption " + std::to_string(j) + " runs into the next (" +
                              std::to_string(next - last - 1) + " device pixels apart)");
            }
        }
    }
    return out;
}

// Findings: a framed picture box whose border shows pixels of other colours than the
// border's own (at a high density a border drawn one device pixel wide leaves the other
// half showing what was drawn there before).
inline std::vector<std::string> StrayBorderPixels(QWidget& window) {
    std::vector<std::string> out;
    for (QWidget* w : VisibleWidgets(window)) {
        const Control* c = Control::Of(w);
        const int border = w->contentsMargins().left();
        if (c == nullptr || c->Widget() != w || c->TypeName() != "PictureBox" || border <= 0) continue;
        const QPalette& pal = w->palette();
        const QRgb allowed[] = {pal.color(QPalette::Dark).rgb(), pal.color(QPalette::Shadow).rgb(),
                                pal.color(QPalette::Light).rgb(), pal.color(QPalette::Midlight).rgb()};
        const QImage picture = w->grab().toImage();
        const int band = static_cast<int>(border * picture.devicePixelRatio());
        int stray = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const bool edge = x < band || y < band || x >= picture.width() - band || y >= picture.height() - band;
                if (edge && std::find(std::begin(allowed), std::end(allowed), picture.pixel(x, y) | 0xFF000000u) ==
                                std::end(allowed)) {
                    ++stray;
                }
            }
        }
        if (stray > 0) out.push_back(NameOf(w) + ": " + std::to_string(stray) + " stray pixels on its border");
    }
    return out;
}

// Findings: every line of a multi-line box on view with a tab-separated field that
// reaches the next tab stop, so that the fields after it start a column late.
inline std::vector<std::string> OverrunTabFields(QWidget& window) {
    std::vector<std::string> out;
    for (QWidget* w : VisibleWidgets(window)) {
        auto* box = qobject_cast<QPlainTextEdit*>(w);
        if (box == nullptr) continue;
        const QFontMetrics fm = box->fontMetrics();
        const QString space = QStringLiteral(" ");
        for (const QString& line : box->toPlainText().split(QLatin1Char('\n'))) {
            const QStringList fields = line.split(QLatin1Char('\t'));
            for (qsizetype i = 0; i + 1 < fields.size(); ++i) {
                if (fm.horizontalAdvance(fields[i] + space) <= box->tabStopDistance()) continue;
                out.push_back(NameOf(box) + ": field '" + fields[i].toStdString() + "' reaches the next tab stop (" +
                              std::to_string(box->tabStopDistance()) + " px)");
            }
        }
    }
    return out;
}

inline bool IsOurs(QWidget* w);

// Findings: every one-line label on view whose text comes nearer than 3 px to a control
// of ours standing to its right in the same row (a caption meeting its box).
inline std::vector<std::string> CaptionsAgainstNeighbours(QWidget& window) {
    std::vector<std::string> out;
    const std::vector<QWidget*> shown = VisibleWidgets(window);
    for (QWidget* w : shown) {
        auto* label = qobject_cast<QLabel*>(w);
        if (label == nullptr || label->text().isEmpty() || label->wordWrap() || !IsOurs(w)) continue;
        const QFontMetrics fm = label->fontMetrics();
        const int textWidth = fm.horizontalAdvance(QString(label->text()).remove(QLatin1Char('&')));
        const QRect room = label->contentsRect();
        int textRight = room.left() + textWidth;
        if (label->alignment() & Qt::AlignRight) textRight = room.right() + 1;
        if (label->alignment() & Qt::AlignHCenter) textRight = room.center().x() + (textWidth + 1) / 2;
        textRight += label->x();
        for (QWidget* other : shown) {
            if (other == w || other->parentWidget() != label->parentWidget() || !IsOurs(other)) continue;
            const QRect g = other->geometry();
            if (g.left() <= label->x() || g.bottom() < label->y() || g.top() > label->geometry().bottom()) continue;
            const int gap = g.left() - textRight;
            if (gap < 3 && g.left() < label->x() + label->width() + 3) {
                out.push_back(NameOf(w) + ": '" + label->text().toStdString() + "' ends " + std::to_string(gap) +
                              " px from " + NameOf(other));
            }
        }
    }
    return out;
}

// Findings: every label on view drawn as a box of its own colour (a notice) whose text,
// on one line, does not stand in the middle of it from top to bottom: its ink no more
// than 4 px nearer one edge than the other (a capital's top and a descender's foot
// are not alike far from the line's middle).
inline std::vector<std::string> OffCentreNotices(QWidget& window) {
    std::vector<std::string> out;
    for (QWidget* w : VisibleWidgets(window)) {
        auto* label = qobject_cast<QLabel*>(w);
        if (label == nullptr || label->text().isEmpty() || !label->autoFillBackground() ||
            label->parentWidget() == nullptr) {
            continue;
        }
        const QColor back = label->palette().color(label->backgroundRole());
        const QColor around = label->parentWidget()->palette().color(label->parentWidget()->backgroundRole());
        if (!VisiblyDifferent(back, around)) continue;
        const QFontMetrics fm = label->fontMetrics();
        const int flags = Qt::TextShowMnemonic | (label->wordWrap() ? Qt::TextWordWrap : 0);
        if (fm.boundingRect(label->contentsRect(), flags, label->text()).height() > fm.height()) continue;
        const QImage picture = label->grab().toImage();
        int first = -1, last = -1;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                if (std::abs(qGray(picture.pixel(x, y)) - qGray(back.rgb())) < 100) continue;
                if (first < 0) first = y;
                last = y;
                break;
            }
        }
        if (first < 0) continue;
        const int above = first, below = picture.height() - 1 - last;
        if (std::abs(above - below) > static_cast<int>(4 * picture.devicePixelRatio())) {
            out.push_back(NameOf(w) + ": '" + label->text().toStdString() + "' stands " + std::to_string(above) +
                          " px below its top and " + std::to_string(below) + " px above its bottom");
        }
    }
    return out;
}

// The part of a one-line box's text a person sees: from the character at its left edge
// to the one at its right edge, as the box was drawn last (it scrolls as it paints).
inline QString VisibleText(QLineEdit& box) {
    box.grab();
    const int frame = box.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &box);
    const int middle = box.height() / 2;
    const int first = box.cursorPositionAt(QPoint(frame + 1, middle));
    const int last = box.cursorPositionAt(QPoint(box.width() - frame - 2, middle));
    return box.text().mid(first, last - first);
}

// A widget as the screen shows it, from its last paint: a grab paints it again, and a
// box, which scrolls as it paints, may then show what the screen did not.
inline QImage OnScreen(QWidget& w) {
    QWidget& window = *w.window();
    const QImage shot = window.screen()->grabWindow(window.winId()).toImage();
    const qreal ratio = window.devicePixelRatio();
    return shot.copy(QRect(w.mapTo(&window, QPoint(0, 0)) * ratio, w.size() * ratio));
}

// Writes a picture of the window into the build folder: windowcheck_<name>[_x2].png.
inline void SavePicture(QWidget& window, const std::string& name) {
    QApplication::processEvents();
    const QString path = QCoreApplication::applicationDirPath() + "/windowcheck_" +
                         QString::fromStdString(name + ScaleSuffix()) + ".png";
    ASSERT_TRUE(window.grab().save(path)) << path.toStdString();
}

// The whole check of one window state: its picture, then one failure per finding.
inline void CheckWindow(QWidget& window, const std::string& name) {
    SCOPED_TRACE(name + ScaleSuffix());
    SavePicture(window, name);
    for (const std::string& f : CutTitle(window)) ADD_FAILURE() << f;
    for (const std::string& f : CutTexts(window)) ADD_FAILURE() << "cut: " << f;
    for (const std::string& f : UndimmedDisabled(window)) ADD_FAILURE() << "not greyed: " << f;
    for (const std::string& f : InkedSeparators(window)) ADD_FAILURE() << f;
    for (const std::string& f : CutOnGrids(window)) ADD_FAILURE() << "cut: " << f;
    for (const std::string& f : StrayBorderPixels(window)) ADD_FAILURE() << f;
    for (const std::string& f : OverrunTabFields(window)) ADD_FAILURE() << f;
    for (const std::string& f : OffCentreNotices(window)) ADD_FAILURE() << "notice: " << f;
    for (const std::string& f : CaptionsAgainstNeighbours(window)) ADD_FAILURE() << "caption: " << f;
}

// ---- layout ------------------------------------------------------------------------------

// Whether the widget is one of our controls (not a part Qt makes inside one).
inline bool IsOurs(QWidget* w) {
    const Control* c = Control::Of(w);
    return c != nullptr && c->Widget() == w;
}

inline std::string RectText(const QRect& r) {
    return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
           std::to_string(r.height());
}

// Findings: every control of ours on view that runs past the inside of what holds it.
inline std::vector<std::string> OutsideContainers(QWidget& window) {
    std::vector<std::string> out;
    for (QWidget* w : VisibleWidgets(window)) {
        if (w == &window || !IsOurs(w) || w->parentWidget() == nullptr) continue;
        const QRect room = w->parentWidget()->rect();
        const QRect r = w->geometry();
        if (room.contains(r)) continue;
        out.push_back(NameOf(w) + " at " + RectText(r) + " runs past " + NameOf(w->parentWidget()) + " " +
                      RectText(room));
    }
    return out;
}

// Two controls the design lays one over the other, by the names NameOf gives; a name
// ending in "*" stands for every index of a control array.
struct Stack {
    std::string over, under;
};

inline bool NameMatches(const std::string& pattern, const std::string& name) {
    if (!pattern.empty() && pattern.back() == '*') return name.rfind(pattern.substr(0, pattern.size() - 1), 0) == 0;
    return pattern == name;
}

// Findings: every two controls of ours on view in one container that cover each other,
// the design's stacks excepted.
inline std::vector<std::string> Overlaps(QWidget& window, const std::vector<Stack>& stacks) {
    std::vector<std::string> out;
    std::vector<QWidget*> ours;
    for (QWidget* w : VisibleWidgets(window)) {
        if (w != &window && IsOurs(w)) ours.push_back(w);
    }
    for (std::size_t i = 0; i < ours.size(); ++i) {
        for (std::size_t j = i + 1; j < ours.size(); ++j) {
            QWidget* a = ours[i];
            QWidget* b = ours[j];
            if (a->parentWidget() != b->parentWidget() || !a->geometry().intersects(b->geometry())) continue;
            const std::string na = NameOf(a), nb = NameOf(b);
            const bool stacked = std::any_of(stacks.begin(), stacks.end(), [&](const Stack& s) {
                return (NameMatches(s.over, na) && NameMatches(s.under, nb)) ||
                       (NameMatches(s.over, nb) && NameMatches(s.under, na));
            });
            if (!stacked) {
                out.push_back(na + " at " + RectText(a->geometry()) + " and " + nb + " at " + RectText(b->geometry()) +
                              " cover each other");
            }
        }
    }
    return out;
}

// Findings for a picture a plot was drawn into: a frame, a tick label or a title that
// reaches its edge is cut there, so the outermost ring of pixels is background only.
inline std::vector<std::string> PlotCut(const std::string& name, const QImage& image, const QColor& background) {
    if (image.width() < 3 || image.height() < 3) return {name + ": no room for a plot"};
    int drawn = 0, edge = 0;
    QPoint first;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == background) continue;
            ++drawn;
            if (x != 0 && y != 0 && x != image.width() - 1 && y != image.height() - 1) continue;
            if (edge++ == 0) first = QPoint(x, y);
        }
    }
    std::vector<std::string> out;
    if (drawn == 0) out.push_back(name + ": nothing drawn");
    if (edge > 0) {
        out.push_back(name + ": " + std::to_string(edge) + " drawn pixels on the picture's edge, the first at " +
                      std::to_string(first.x()) + "," + std::to_string(first.y()) + " of " +
                      std::to_string(image.width()) + "x" + std::to_string(image.height()));
    }
    return out;
}

// The frame a chart drew on a picture: the outermost columns and rows of black that run
// over at least half of the picture's height or width. Empty when there is none.
inline QRect PlotFrame(const QImage& image) {
    const auto black = [&](int x, int y) { return (image.pixel(x, y) & 0xFFFFFFu) == 0; };
    // The first and last column (or row) that is black over at least half its length.
    const auto extent = [&](bool columns) {
        const int lines = columns ? image.width() : image.height();
        const int length = columns ? image.height() : image.width();
        int first = -1, last = -1;
        for (int i = 0; i < lines; ++i) {
            int run = 0;
            for (int j = 0; j < length; ++j) run += columns ? black(i, j) : black(j, i);
            if (run * 2 < length) continue;
            if (first < 0) first = i;
            last = i;
        }
        return std::pair{first, last};
    };
    const auto [left, right] = extent(true);
    const auto [top, bottom] = extent(false);
    if (left < 0 || top < 0) return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// Findings: a panel that hides part of a plot's title, scale or axis titles (what the
// chart drew outside its frame), with how much of the plot area it hides.
inline std::vector<std::string> PlotMarginsHidden(const std::string& name, const QImage& plot, const QColor& background,
                                                  const QRect& panelInPlot) {
    const QRect frame = PlotFrame(plot);
    if (frame.isEmpty()) return {name + ": no plot frame found"};
    int hidden = 0;
    QPoint first;
    for (int y = 0; y < plot.height(); ++y) {
        for (int x = 0; x < plot.width(); ++x) {
            if (frame.contains(x, y) || !panelInPlot.contains(x, y) || plot.pixelColor(x, y) == background) continue;
            if (hidden++ == 0) first = QPoint(x, y);
        }
    }
    if (hidden == 0) return {};
    const QRect covered = frame & panelInPlot;
    const int share = static_cast<int>(100.0 * covered.width() * covered.height() / (frame.width() * frame.height()));
    return {name + ": the panel hides " + std::to_string(hidden) + " pixels of its title or scale, the first at " +
            std::to_string(first.x()) + "," + std::to_string(first.y()) + ", and " + std::to_string(share) +
            " % of its plot area"};
}

// The layout check of one window state: its picture, then one failure per finding.
inline void CheckLayout(QWidget& window, const std::string& name, const std::vector<Stack>& stacks) {
    SCOPED_TRACE(name + ScaleSuffix());
    SavePicture(window, name);
    for (const std::string& f : OutsideContainers(window)) ADD_FAILURE() << "outside: " << f;
    for (const std::string& f : Overlaps(window, stacks)) ADD_FAILURE() << "overlap: " << f;
    for (const std::string& f : OffCentreNotices(window)) ADD_FAILURE() << "notice: " << f;
}

}  // namespace nuvir::test::windowcheck
