#include "platform/qt/qt_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "platform/core/picture.h"
#include "platform/core/text.h"
#include "platform/qt/builtin_icons.h"
#include "platform/qt/controls.h"
#include "platform/qt/keys.h"
#include "platform/qt/rtf_control.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/window.h"
#include "platform/ui/wndproc.h"

namespace rt::qt {

namespace Ctl = ui::Ctl;
using ui::ControlState;
using ui::InputEvent;
namespace Event = ui::Event;
namespace Key = ui::Key;

QString FromCp1250(std::string_view text) { return QString::fromStdString(rt::cp1250_to_utf8(text)); }

std::string ToCp1250(const QString& text) { return rt::utf8_to_cp1250(text.toStdString()); }

void BringToFront(QWidget* w) {
    if (!w) return;
    // The offscreen platform has no stacking of its windows.
    if (w->isWindow() && QGuiApplication::platformName() != QLatin1String("offscreen"))
        w->raise();
    else if (!w->isWindow())
        w->raise();
    w->activateWindow();
}

QColor ColorOf(std::int32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

namespace {

QFont FontOf(const ui::Font& f, const QFont& base) {
    QFont font = base;
    if (!f.face.empty()) font.setFamily(QString::fromStdString(f.face));
    if (f.size > 0) font.setPointSize(f.size);
    int weight = f.style & 0xFFF;
    if (weight != 0) font.setBold(weight >= 700);
    if (f.style & ui::Font::kItalic) font.setItalic(true);
    if (f.style & ui::Font::kUnderline) font.setUnderline(true);
    return font;
}

Qt::Alignment AlignmentOf(ui::Align a) {
    switch (a) {
        case ui::Align::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
        case ui::Align::Right:
        case ui::Align::Decimal: return Qt::AlignRight | Qt::AlignVCenter;
        case ui::Align::Left: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

// ---------------------------------------------------------------- building

QtWindow::QtWindow(const ui::WindowState& state, QMdiArea* mdi) : state_(state) {
    const ui::WindowDef& def = *state_.def;
    font_ = FontOf(def.font, QApplication::font());
    QFontMetrics fm(font_);
    unit_x_ = std::max(
        1,
        (fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 +
         1) /
            2);
    unit_y_ = std::max(1, fm.height());

    bool bars = def.frame;
    for (const ControlState& c : state_.controls)
        if (c.kind == Ctl::Menubar || c.kind == Ctl::Toolbar) bars = true;

    QWidget* content = nullptr;
    if (bars) {
        main_ = new QMainWindow(nullptr, Qt::Window);
        if (def.frame) {
            mdi_area_ = new QMdiArea(main_);
            mdi_area_->setViewMode(QMdiArea::SubWindowView);
            mdi_area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            mdi_area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            main_->setCentralWidget(mdi_area_);
            client_ = mdi_area_;
        } else {
            client_ = new QWidget(main_);
            main_->setCentralWidget(client_);
        }
        content = main_;
    } else {
        client_ = new QWidget(nullptr, Qt::Window);
        content = client_;
    }
    client_->setFont(font_);
    content->setFont(font_);

    if (mdi && !def.frame && def.mdi) {
        parent_area_ = mdi;
        sub_ = new QMdiSubWindow;
        sub_->setAttribute(Qt::WA_DeleteOnClose, false);
        content->setWindowFlags(Qt::Widget);
        sub_->setWidget(content);
        Qt::WindowFlags flags = Qt::SubWindow | Qt::WindowTitleHint;
        if (def.system_menu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (def.max_box) flags |= Qt::WindowMaximizeButtonHint;
        if (def.min_box) flags |= Qt::WindowMinimizeButtonHint;
        sub_->setWindowFlags(flags);
        mdi->addSubWindow(sub_);
        top_ = sub_;
    } else {
        Qt::WindowFlags flags = def.tool_window ? Qt::Tool : Qt::Window;
        if (def.frameless) {
            // Neither caption nor border: the window manager draws nothing around it.
            flags |= Qt::FramelessWindowHint;
        } else {
            flags |= Qt::WindowTitleHint | Qt::CustomizeWindowHint;
            if (def.system_menu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (def.max_box) flags |= Qt::WindowMaximizeButtonHint;
            if (def.min_box) flags |= Qt::WindowMinimizeButtonHint;
        }
        content->setWindowFlags(flags);
        top_ = content;
    }
    top_->setObjectName(QString::fromStdString(state_.procedure));
    for (QWidget* w : {static_cast<QWidget*>(top_), content, client_})
        w->setProperty(kWindowProperty, static_cast<quint32>(state_.id));
    top_->setWindowTitle(FromCp1250(state_.caption.empty() ? def.caption : state_.caption));
    if (!def.icon.empty() && QFileInfo::exists(QString::fromStdString(def.icon))) {
        top_->setWindowIcon(QIcon(QString::fromStdString(def.icon)));
    } else if (HasBuiltinIcon(def.icon)) {
        top_->setWindowIcon(BuiltinIcon(def.icon));
    } else if (sub_) {
        // No toolkit logo on a child window without an icon of its own.
        QPixmap none(16, 16);
        none.fill(Qt::transparent);
        sub_->setWindowIcon(QIcon(none));
    }

    if (!mdi_area_) {
        canvas_ = new Canvas(*this, client_);
        canvas_->setGeometry(client_->rect());
    }
    applying_ = true;  // the widgets' own signals while they are built are no input
    for (const ControlState& c : state_.controls) BuildControl(c);
    // A prompt's hot key moves the focus to the control declared after it.
    for (std::size_t i = 0; i < order_.size(); ++i) {
        Control& p = ctls_[order_[i]];
        auto* label = qobject_cast<QLabel*>(p.w);
        if (!label || p.st.kind != Ctl::Prompt || p.st.text.find('&') == std::string::npos) continue;
        for (std::size_t k = i + 1; k < order_.size(); ++k) {
            Control& next = ctls_[order_[k]];
            if (next.w && !next.in_toolbar && next.w->focusPolicy() != Qt::NoFocus &&
                next.st.kind != Ctl::Prompt && next.st.kind != Ctl::Tab) {
                label->setBuddy(next.w);
                break;
            }
        }
    }
    for (int feq : order_) ApplyControl(ctls_[feq], ctls_[feq].st, true);
    for (int feq : order_)
        if (ctls_[feq].radios) UpdateRadioStops(ctls_[feq]);

    if (canvas_) {
        canvas_->raise();
        for (int feq : order_) {
            Control& c = ctls_[feq];
            if (c.w && !c.in_toolbar && c.w->parentWidget() == client_ &&
                !ui::KindTraits(c.st.kind).beneath_drawing)
                c.w->raise();
        }
    }
    if (state_.drawing) drawing_ = *state_.drawing;
    UpdateVisibility();
    applying_ = false;

    if (sub_) sub_->setProperty(kFixedSizeProperty, !def.resizable);
    ApplyMinimumSize();

    top_->installEventFilter(this);
    client_->installEventFilter(this);
    was_maximized_ = false;
}

QtWindow::~QtWindow() {
    if (top_) {
        top_->hide();
        top_->deleteLater();
    }
}

void QtWindow::BuildControl(const ControlState& st) {
    Control& c = ctls_[st.feq];
    c.st = st;
    order_.push_back(st.feq);
    const Control* parent = st.parent ? Find(st.parent) : nullptr;
    const int parent_kind = parent ? parent->st.kind : 0;

    if (st.kind == Ctl::Menubar || st.kind == Ctl::Menu || st.kind == Ctl::Item ||
        parent_kind == Ctl::Menubar || parent_kind == Ctl::Menu) {
        BuildMenu(c);
        return;
    }
    if (st.kind == Ctl::Toolbar) {
        BuildToolbar(c);
        return;
    }
    if (parent_kind == Ctl::Toolbar || (parent && parent->in_toolbar)) {
        BuildToolbarEntry(c);
        return;
    }
    if (st.kind == Ctl::Tab) {
        BuildTab(c);
        return;
    }
    QWidget* w = nullptr;
    switch (st.kind) {
        case Ctl::Prompt:
        case Ctl::String:
        case Ctl::StringPic: w = BuildLabel(c); break;
        case Ctl::Entry:
        case Ctl::Spin: w = BuildEntry(c); break;
        case Ctl::Text: w = BuildTextBox(c); break;
        case Ctl::Rtf: w = BuildRichText(c); break;
        case Ctl::Button: w = BuildButton(c); break;
        case Ctl::Check: w = BuildCheck(c); break;
        case Ctl::Option:
        case Ctl::Group: w = BuildGroup(c); break;
        case Ctl::Radio: w = BuildRadio(c); break;
        case Ctl::List: w = BuildList(c); break;
        case Ctl::DropList: w = BuildDropList(c); break;
        case Ctl::Sheet: w = BuildSheet(c); break;
        case Ctl::Progress: w = BuildProgress(c); break;
        case Ctl::Image: w = BuildImage(c); break;
        case Ctl::Line:
        case Ctl::Box:
        case Ctl::Panel:
        case Ctl::Ellipse: w = BuildShape(c); break;
        default: w = new QWidget(client_); break;
    }
    w->setObjectName(st.def ? QString::fromStdString(st.def->label) : QString());
    w->setProperty(kControlProperty, st.feq);
    c.w = w;
}

// ---------------------------------------------------------------- applying state

QtWindow::Control* QtWindow::Find(int feq) {
    auto it = ctls_.find(feq);
    return it == ctls_.end() ? nullptr : &it->second;
}

const QtWindow::Control* QtWindow::Find(int feq) const {
    auto it = ctls_.find(feq);
    return it == ctls_.end() ? nullptr : &it->second;
}

int QtWindow::PxX(int du) const { return static_cast<int>(std::lround(du * unit_x_ / 4.0)); }
int QtWindow::PxY(int du) const { return static_cast<int>(std::lround(du * unit_y_ / 8.0)); }
int QtWindow::DuX(int px) const { return static_cast<int>(std::lround(px * 4.0 / unit_x_)); }
int QtWindow::DuY(int px) const { return static_cast<int>(std::lround(px * 8.0 / unit_y_)); }

void QtWindow::Apply(const ui::WindowState& delta) {
    if (!top_ || !client_) return;
    applying_ = true;
    if (!delta.procedure.empty() && delta.procedure != state_.procedure) {
        state_.procedure = delta.procedure;
        top_->setObjectName(QString::fromStdString(state_.procedure));
    }
    if (delta.caption != state_.caption) {
        state_.caption = delta.caption;
        top_->setWindowTitle(FromCp1250(delta.caption));
    }
    state_.window_alerts = delta.window_alerts;
    if (delta.min_w != state_.min_w || delta.min_h != state_.min_h) {
        state_.min_w = delta.min_w;
        state_.min_h = delta.min_h;
        ApplyMinimumSize();
    }
    if (delta.disabled != state_.disabled) {
        state_.disabled = delta.disabled;
        RefreshBlocked();
    }
    for (const ControlState& st : delta.controls) {
        Control* c = Find(st.feq);
        if (c) ApplyControl(*c, st, false);
    }
    if (delta.drawing) {
        drawing_ = *delta.drawing;
        if (canvas_) canvas_->update();
    }
    if (delta.wait_cursor != state_.wait_cursor) {
        state_.wait_cursor = delta.wait_cursor;
        if (delta.wait_cursor)
            top_->setCursor(Qt::WaitCursor);
        else
            top_->unsetCursor();
    }
    // The placement only when the procedure changed it: otherwise it is what the runtime
    // knew when it sent the delta, which may be older than the window's own (moved by
    // the user or by the frame's Tile and Cascade meanwhile).
    if (delta.placement && shown_ &&
        (delta.maximized != state_.maximized || delta.minimized != state_.minimized)) {
        state_.maximized = delta.maximized;
        state_.minimized = delta.minimized;
        if (delta.maximized)
            top_->showMaximized();
        else if (delta.minimized)
            top_->showMinimized();
        else
            top_->showNormal();
    }
    if (delta.placement && (delta.has_position || delta.has_size)) {
        if (delta.has_position) {
            state_.has_position = true;
            state_.x = delta.x;
            state_.y = delta.y;
        }
        if (delta.has_size) {
            state_.has_size = true;
            state_.w = delta.w;
            state_.h = delta.h;
        }
        // A maximized or minimized window stays so: moving it would make it leave its state.
        if (shown_ && !top_->isMaximized() && !top_->isMinimized() &&
            QRect(state_.x, state_.y, state_.w, state_.h) != placed_du_)
            PlaceWindow(false);
    }
    UpdateVisibility();
    applying_ = false;
    if (delta.focus) Focus(delta.focus);
    if (!delta.pressed_keys.empty()) PressKeys(delta.pressed_keys);
}

void QtWindow::ApplyControl(Control& c, const ControlState& st, bool first) {
    const ui::ControlDef* def = c.st.def ? c.st.def : st.def;
    ControlState old = c.st;
    c.st = st;
    c.st.def = def;
    bool was_applying = applying_;
    applying_ = true;
    if (first || st.text != old.text) ApplyText(c);
    if (first || st.format != old.format) ApplyColumns(c);
    if (first || st.rows != old.rows || st.row_colors != old.row_colors) ApplyRows(c);
    if (first || st.selected != old.selected || st.rows != old.rows || st.text != old.text) ApplySelected(c);
    if (first || st.font_style != old.font_style || st.font_color != old.font_color ||
        st.background != old.background)
        ApplyFont(c);
    if (first || st.x != old.x || st.y != old.y || st.w != old.w || st.h != old.h) ApplyGeometry(c);
    if (first || st.readonly != old.readonly) {
        if (auto* e = qobject_cast<QLineEdit*>(c.w)) e->setReadOnly(st.readonly);
        if (auto* t = qobject_cast<QPlainTextEdit*>(c.w)) t->setReadOnly(st.readonly);
        if (auto* t = qobject_cast<QTextEdit*>(c.w)) t->setReadOnly(st.readonly);
    }
    if ((first || st.skip != old.skip) && c.w && !c.in_toolbar && ui::TakesFocus(c.st.kind))
        c.w->setFocusPolicy(TabStop(c));
    if (first || st.icon != old.icon) ApplyIcon(c);
    if ((first || st.tip != old.tip) && c.w) {
        const std::string& tip = !st.tip.empty() ? st.tip : (def ? def->tip : std::string());
        c.w->setToolTip(FromCp1250(tip));
    }
    if (auto* p = qobject_cast<QProgressBar*>(c.w)) {
        if (first || st.range_low != old.range_low || st.range_high != old.range_high)
            p->setRange(static_cast<int>(st.range_low), static_cast<int>(st.range_high));
        p->setValue(static_cast<int>(std::clamp(st.progress, st.range_low, st.range_high)));
    }
    applying_ = was_applying;
}

void QtWindow::ApplyText(Control& c) {
    QString text = FromCp1250(c.st.text);
    switch (c.st.kind) {
        case Ctl::Prompt:
            // With a control to take its hot key the prompt shows it underlined.
            if (auto* l = qobject_cast<QLabel*>(c.w)) l->setText(l->buddy() ? text : WithoutMnemonic(text));
            break;
        case Ctl::String:
        case Ctl::StringPic:
            if (auto* l = qobject_cast<QLabel*>(c.w)) l->setText(text);
            break;
        case Ctl::Entry:
        case Ctl::Spin:
            if (auto* e = qobject_cast<QLineEdit*>(c.w)) {
                // Pictures pad with blanks; the entry shows the value itself.
                QString shown = text.trimmed();
                c.shown = shown;
                if (e->text() != shown) e->setText(shown);
            }
            break;
        case Ctl::Button:
            if (auto* b = qobject_cast<QAbstractButton*>(c.w)) b->setText(text);
            break;
        case Ctl::Check:
            if (auto* b = qobject_cast<QCheckBox*>(c.w)) {
                const ui::ControlDef* d = c.st.def;
                b->setText(d ? FromCp1250(d->text) : QString());
            }
            ApplyCheck(c);
            break;
        case Ctl::Radio:
            if (auto* b = qobject_cast<QRadioButton*>(c.w)) b->setText(text);
            break;
        case Ctl::Option:
        case Ctl::Group:
            if (auto* g = qobject_cast<QGroupBox*>(c.w)) {
                // An option group shows its chosen value in `text`; the caption is the resource's.
                const ui::ControlDef* d = c.st.def;
                g->setTitle(c.st.kind == Ctl::Option ? (d ? FromCp1250(d->text) : QString()) : text);
                if (g->title().isEmpty()) g->setFlat(true);
            }
            break;
        case Ctl::Tab:
            if (Control* sheet = Find(c.st.parent)) {
                if (auto* t = qobject_cast<QTabWidget*>(sheet->w)) t->setTabText(c.tab_index, text);
            }
            break;
        case Ctl::Menu:
        case Ctl::Item:
            if (c.action) c.action->setText(text);
            break;
        case Ctl::Text:
            if (auto* t = qobject_cast<QPlainTextEdit*>(c.w)) {
                if (t->toPlainText() != text) t->setPlainText(text);
            }
            break;
        case Ctl::Rtf:
            if (auto* t = qobject_cast<RtfControl*>(c.w)) t->SetValue(c.st.text);
            break;
        default:
            if (auto* l = qobject_cast<QLabel*>(c.w)) {
                if (c.in_toolbar) l->setText(text);
            }
            break;
    }
    if (c.in_toolbar) {
        if (auto* b = qobject_cast<QToolButton*>(c.w)) {
            if (b->icon().isNull()) b->setText(text);
        }
    }
    if (c.w && !c.in_toolbar && (c.st.w < 0 || c.st.h < 0)) ApplyGeometry(c);
}

// Buttons and images show their file when it exists, else the program's own drawing of it;
// a tool button with neither shows its text.
void QtWindow::ApplyIcon(Control& c) {
    const ui::ControlDef* d = c.st.def;
    std::string file = !c.st.icon.empty() ? c.st.icon : (d ? d->icon : std::string());
    QString path = QString::fromStdString(file);
    const bool exists = !file.empty() && QFileInfo::exists(path);
    const QIcon icon = exists ? QIcon(path) : BuiltinIcon(file);
    if (auto* t = qobject_cast<QToolButton*>(c.w)) {
        t->setIcon(icon);
        t->setToolButtonStyle(icon.isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
        if (icon.isNull()) t->setText(FromCp1250(c.st.text));
    } else if (auto* b = qobject_cast<QPushButton*>(c.w)) {
        b->setIcon(icon);
    } else if (auto* l = qobject_cast<QLabel*>(c.w); l && c.st.kind == Ctl::Image) {
        if (exists) {
            l->setPixmap(QPixmap(path));
        } else {
            const QSize size =
                l->size().isEmpty() ? QSize(PxX(d ? d->w : 16), PxY(d ? d->h : 16)) : l->size();
            l->setPixmap(BuiltinImage(file, size));
            l->setAlignment(Qt::AlignCenter);
        }
    }
}

void QtWindow::ApplyCheck(Control& c) {
    auto* b = qobject_cast<QAbstractButton*>(c.w);
    if (!b || !b->isCheckable()) return;
    const ui::ControlDef* d = c.st.def;
    std::string value = rt::clip(c.st.text);
    bool on = d && !d->value.empty() ? value == rt::clip(d->value) : !value.empty() && value != "0";
    b->setChecked(on);
}

void QtWindow::ApplyColumns(Control& c) {
    auto* v = qobject_cast<QTreeView*>(c.w);
    if (!v || !c.model) return;
    const std::string& format =
        !c.st.format.empty() ? c.st.format : (c.st.def ? c.st.def->format : std::string());
    c.columns = ui::ParseListFormat(format);
    int n = static_cast<int>(c.columns.size());
    if (n == 0) {
        v->setHeaderHidden(true);
        return;
    }
    v->setHeaderHidden(false);
    if (c.model->columnCount() < n) c.model->setColumnCount(n);
    for (int i = 0; i < n; ++i) {
        const ui::ListColumn& col = c.columns[i];
        auto* item = new QStandardItem(FromCp1250(col.heading));
        item->setTextAlignment(AlignmentOf(col.heading_align));
        c.model->setHorizontalHeaderItem(i, item);
        v->header()->resizeSection(i, PxX(col.width));
    }
}

namespace {

// A colour of the runtime (00BBGGRRh) as a role's value; -1: none (the list's own).
QVariant ColorValue(std::int32_t bgr) {
    if (bgr < 0) return {};
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

}  // namespace

// The colours the row gives cell (r, k) when its column shows colours; else the list's.
void QtWindow::ApplyCellColors(QStandardItem& item, const Control& c, int r, int k) {
    ui::CellColors colors;
    const bool colored = k < static_cast<int>(c.columns.size()) && c.columns[k].colored;
    if (colored && r < static_cast<int>(c.st.row_colors.size()) &&
        k < static_cast<int>(c.st.row_colors[r].size()))
        colors = c.st.row_colors[r][k];
    const QVariant values[] = {ColorValue(colors.text), ColorValue(colors.background),
                               ColorValue(colors.selected_text), ColorValue(colors.selected_background)};
    const int roles[] = {Qt::ForegroundRole, Qt::BackgroundRole, kSelectedTextRole, kSelectedBackgroundRole};
    for (int i = 0; i < 4; ++i)
        if (item.data(roles[i]) != values[i]) item.setData(values[i], roles[i]);
}

void QtWindow::ApplyRows(Control& c) {
    if (auto* box = qobject_cast<QComboBox*>(c.w)) {
        // A drop list with a format shows each row's columns side by side; one with fixed
        // items shows their texts.
        QStringList items;
        for (const auto& row : c.st.rows) {
            QString text;
            const std::size_t shown = c.st.format.empty() ? std::min<std::size_t>(row.size(), 1) : row.size();
            for (std::size_t k = 0; k < shown; ++k) {
                const QString cell = FromCp1250(row[k]).trimmed();
                if (k > 0 && !cell.isEmpty()) text += QStringLiteral("  ");
                text += cell;
            }
            items << text;
        }
        QStringList now;
        for (int i = 0; i < box->count(); ++i) now << box->itemText(i);
        if (now != items) {
            box->clear();
            box->addItems(items);
        }
        return;
    }
    if (!c.model) return;
    int columns = static_cast<int>(c.columns.size());
    for (const auto& row : c.st.rows) columns = std::max(columns, static_cast<int>(row.size()));
    if (c.columns.empty()) columns = std::max(columns, 1);
    c.model->setRowCount(static_cast<int>(c.st.rows.size()));
    if (c.model->columnCount() != columns) c.model->setColumnCount(columns);
    for (int r = 0; r < static_cast<int>(c.st.rows.size()); ++r) {
        const auto& row = c.st.rows[r];
        for (int k = 0; k < columns; ++k) {
            QString text = k < static_cast<int>(row.size()) ? FromCp1250(row[k]) : QString();
            QStandardItem* item = c.model->item(r, k);
            if (!item) {
                item = new QStandardItem;
                item->setEditable(false);
                c.model->setItem(r, k, item);
            }
            if (item->text() != text) item->setText(text);
            ui::Align a = k < static_cast<int>(c.columns.size()) ? c.columns[k].align : ui::Align::Left;
            item->setTextAlignment(AlignmentOf(a));
            ApplyCellColors(*item, c, r, k);
        }
    }
    if (c.columns.empty()) {
        if (auto* v = qobject_cast<QTreeView*>(c.w)) v->setHeaderHidden(true);
    }
}

void QtWindow::ApplySelected(Control& c) {
    if (auto* v = qobject_cast<QTreeView*>(c.w)) {
        long sel = c.st.selected;
        if (sel >= 1 && sel <= c.model->rowCount()) {
            QModelIndex index = c.model->index(static_cast<int>(sel - 1), 0);
            v->selectionModel()->setCurrentIndex(
                index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            v->scrollTo(index);
        } else {
            v->selectionModel()->clearSelection();
            v->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        }
    } else if (auto* t = qobject_cast<QTabWidget*>(c.w)) {
        if (c.st.selected >= 1 && c.st.selected <= t->count())
            t->setCurrentIndex(static_cast<int>(c.st.selected - 1));
    } else if (auto* box = qobject_cast<QComboBox*>(c.w)) {
        const long sel = c.st.selected;
        box->setCurrentIndex(sel >= 1 && sel <= box->count() ? static_cast<int>(sel - 1) : -1);
    } else if (c.radios) {
        // The chosen radio: by the option's value, else by its position.
        std::string value = rt::clip(c.st.text);
        int index = 0, chosen = 0;
        for (int feq : order_) {
            Control& r = ctls_[feq];
            if (r.st.parent != c.st.feq || r.st.kind != Ctl::Radio) continue;
            ++index;
            const ui::ControlDef* d = r.st.def;
            std::string rv =
                d && !d->value.empty() ? d->value : ToCp1250(WithoutMnemonic(FromCp1250(r.st.text)));
            if (!value.empty() ? rt::clip(rv) == value : index == c.st.selected) chosen = feq;
        }
        for (int feq : order_) {
            Control& r = ctls_[feq];
            if (r.st.parent == c.st.feq && r.st.kind == Ctl::Radio)
                if (auto* b = qobject_cast<QAbstractButton*>(r.w)) b->setChecked(feq == chosen);
        }
    }
}

void QtWindow::ApplyFont(Control& c) {
    if (!c.w) return;
    const ui::ControlDef* d = c.st.def;
    QFont f = d ? FontOf(d->font, font_) : font_;
    int style = c.st.font_style ? c.st.font_style : (d ? d->font.style : 0);
    int weight = style & 0xFFF;
    if (weight) f.setBold(weight >= 700);
    c.w->setFont(f);
    std::int32_t color = c.st.font_color != -1 ? c.st.font_color : (d ? d->font.color : -1);
    std::int32_t back = c.st.background != -1 ? c.st.background : (d ? d->background : -1);
    QPalette pal = c.w->parentWidget() ? c.w->parentWidget()->palette() : QApplication::palette();
    if (color != -1) {
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            pal.setColor(role, ColorOf(color));
    }
    bool fill = false;
    if (back != -1) {
        pal.setColor(QPalette::Base, ColorOf(back));
        pal.setColor(QPalette::Window, ColorOf(back));
        pal.setColor(QPalette::Button, ColorOf(back));
        fill = !ui::KindTraits(c.st.kind).line_entry && c.st.kind != Ctl::List;
    }
    c.w->setPalette(pal);
    if (!qobject_cast<QTreeView*>(c.w) && !qobject_cast<QLineEdit*>(c.w)) c.w->setAutoFillBackground(fill);
}

void QtWindow::ApplyGeometry(Control& c) {
    if (!c.w || c.in_toolbar || c.st.kind == Ctl::Tab || c.w->parentWidget() != client_) return;
    QSize hint = c.w->sizeHint();
    int w = c.st.w >= 0 ? PxX(c.st.w) : hint.width();
    int h = c.st.h >= 0 ? PxY(c.st.h) : hint.height();
    const ui::ControlDef* d = c.st.def;
    if (d && (d->attrs & ui::kFull) && c.st.w < 0 && c.st.h < 0) {
        c.w->setGeometry(client_->rect());
        return;
    }
    c.w->setGeometry(PxX(c.st.x), PxY(c.st.y), std::max(w, 1), std::max(h, 1));
    if (auto* f = qobject_cast<QFrame*>(c.w); f && c.st.kind == Ctl::Line)
        f->setFrameShape(w > h ? QFrame::HLine : QFrame::VLine);
}

bool QtWindow::EffectiveVisible(const Control& c) const {
    if (c.st.hide) return false;
    if (!c.st.parent) return true;
    const Control* p = Find(c.st.parent);
    if (!p) return true;
    if (p->st.kind == Ctl::Tab) {
        const Control* sheet = Find(p->st.parent);
        if (sheet) {
            auto* t = qobject_cast<QTabWidget*>(sheet->w);
            if (t && t->currentIndex() != p->tab_index) return false;
        }
    }
    return EffectiveVisible(*p);
}

bool QtWindow::EffectiveEnabled(const Control& c) const {
    // The frame's toolbar buttons follow the window in use while one offers its own.
    if (toolbar_override_ && c.in_toolbar && c.st.feq >= kFirstToolbarButton &&
        c.st.feq < kFirstToolbarButton + 13)
        return (*toolbar_override_ >> (c.st.feq - kFirstToolbarButton)) & 1u;
    if (c.st.disable) return false;
    const Control* p = c.st.parent ? Find(c.st.parent) : nullptr;
    return p ? EffectiveEnabled(*p) : true;
}

void QtWindow::SetToolbarOverride(std::optional<std::uint16_t> enabled) {
    if (toolbar_override_ == enabled) return;
    toolbar_override_ = enabled;
    UpdateVisibility();
}

void QtWindow::UpdateVisibility() {
    for (int feq : order_) {
        Control& c = ctls_[feq];
        bool visible = EffectiveVisible(c);
        bool enabled = EffectiveEnabled(c);
        if (c.st.kind == Ctl::Tab) {
            if (Control* sheet = Find(c.st.parent)) {
                if (auto* t = qobject_cast<QTabWidget*>(sheet->w)) {
                    t->setTabVisible(c.tab_index, !c.st.hide);
                    t->setTabEnabled(c.tab_index, !c.st.disable);
                }
            }
            continue;
        }
        if (c.action) {
            c.action->setVisible(visible);
            c.action->setEnabled(enabled);
            if (c.in_toolbar && c.w) c.w->setEnabled(enabled);
            continue;
        }
        if (c.w && c.st.kind != Ctl::Menubar) {
            if (c.w->isHidden() == visible) c.w->setVisible(visible);
            if (c.w->isEnabled() != enabled || c.w->testAttribute(Qt::WA_ForceDisabled) == enabled)
                c.w->setEnabled(enabled);
        }
    }
}

// ---------------------------------------------------------------- the window

void QtWindow::PlaceWindow(bool first) {
    const ui::WindowDef& def = *state_.def;
    int x = state_.has_position ? state_.x : def.x;
    int y = state_.has_position ? state_.y : def.y;
    int w = state_.has_size && state_.w > 0 ? state_.w : def.w;
    int h = state_.has_size && state_.h > 0 ? state_.h : def.h;
    QSize client(std::max(PxX(w), 1), std::max(PxY(h), 1));
    QSize outer = client;
    if (main_) {
        if (main_->menuBar() && !main_->menuBar()->actions().isEmpty())
            outer.rheight() += main_->menuBar()->sizeHint().height();
        if (toolbar_) outer.rheight() += toolbar_->sizeHint().height();
    }
    QWidget* content = main_ ? static_cast<QWidget*>(main_) : client_;
    if (!def.resizable && !main_)
        content->setFixedSize(client);
    else
        content->resize(outer);

    QRect area;
    if (parent_area_)
        area = QRect(QPoint(0, 0), parent_area_->viewport()->size());
    else if (QScreen* s = QGuiApplication::primaryScreen())
        area = s->availableGeometry();
    QPoint at;
    // Centred as the resource says until a position is known: a size given before the
    // window was ever moved keeps it centred.
    bool center = def.center && !state_.has_position;
    if (sub_) {
        // The child's frame (borders and title bar) around the client size; the content
        // has no layout, so the child's own size hint would shrink it to its title.
        const QMargins m = sub_->contentsMargins();
        sub_->resize(outer + QSize(m.left() + m.right(), m.top() + m.bottom()));
        QSize size = sub_->size();
        at = center ? QPoint(area.x() + (area.width() - size.width()) / 2,
                             area.y() + (area.height() - size.height()) / 2)
                    : QPoint(PxX(x), PxY(y));
        sub_->move(at);
    } else {
        at = center ? QPoint(area.x() + (area.width() - outer.width()) / 2,
                             area.y() + (area.height() - outer.height()) / 2)
                    : area.topLeft() + QPoint(PxX(x), PxY(y));
        content->move(at);
    }
    if (center) {
        x = DuX(at.x() - area.x());
        y = DuY(at.y() - area.y());
    }
    placed_du_ = QRect(x, y, w, h);
}

QSize QtWindow::OuterSize(QSize client) const {
    QSize outer = client;
    if (main_) {
        if (main_->menuBar() && !main_->menuBar()->actions().isEmpty())
            outer.rheight() += main_->menuBar()->sizeHint().height();
        if (toolbar_) outer.rheight() += toolbar_->sizeHint().height();
    }
    if (sub_) {
        const QMargins m = sub_->contentsMargins();
        outer += QSize(m.left() + m.right(), m.top() + m.bottom());
    }
    return outer;
}

void QtWindow::ApplyMinimumSize() {
    if (!top_ || !state_.def->resizable) return;
    QSize least(0, 0);
    if (state_.min_w > 0 && state_.min_h > 0) least = OuterSize(QSize(PxX(state_.min_w), PxY(state_.min_h)));
    top_->setMinimumSize(least);
}

void QtWindow::Show() {
    if (!top_) return;
    applying_ = true;
    PlaceWindow(true);
    const ui::WindowDef& def = *state_.def;
    bool maximized = state_.maximized || (!state_.has_position && def.maximized);
    state_.maximized = maximized;
    was_maximized_ = maximized;
    if (maximized)
        top_->showMaximized();
    else
        top_->show();
    shown_ = true;
    BringToFront(top_);
    if (sub_) parent_area_->setActiveSubWindow(sub_);
    applying_ = false;
    if (state_.focus) {
        Focus(state_.focus);
        return;
    }
    // Without a control chosen by the procedure the first one in Tab order has the focus.
    for (int feq : order_) {
        Control& c = ctls_[feq];
        if (c.w && !c.in_toolbar && ui::TakesFocus(c.st.kind) && !c.st.skip && EffectiveVisible(c) &&
            EffectiveEnabled(c)) {
            c.w->setFocus(Qt::TabFocusReason);
            break;
        }
    }
}

void QtWindow::SetBlocked(bool blocked) {
    modal_ = blocked;
    RefreshBlocked();
}

void QtWindow::RefreshBlocked() {
    bool blocked = modal_ || state_.disabled;
    if (blocked_ == blocked || !top_) return;
    blocked_ = blocked;
    if (main_ && mdi_area_) {
        // The frame stays usable for the other threads' child windows inside it.
        main_->menuBar()->setEnabled(!blocked);
        if (toolbar_) toolbar_->setEnabled(!blocked);
    } else {
        client_->setEnabled(!blocked);
        if (main_) main_->setEnabled(!blocked);
    }
    if (!blocked && shown_) {
        BringToFront(top_);
        if (sub_) parent_area_->setActiveSubWindow(sub_);
        // The control that had the focus, or that the procedure chose while the window
        // was disabled, gets it back once the closing window is gone: closing it hands the
        // focus to whatever the desktop and the frame's area pick.
        QTimer::singleShot(0, this, [this] {
            if (!blocked_ && focus_wanted_) Focus(focus_wanted_);
        });
    }
}

Qt::FocusPolicy QtWindow::TabStop(const Control& c) const {
    if (c.st.skip) return Qt::ClickFocus;
    // An option group is one stop of the Tab key: its chosen radio, or its first.
    const Control* option = c.st.kind == Ctl::Radio && c.st.parent ? Find(c.st.parent) : nullptr;
    if (option && option->radios) {
        QAbstractButton* stop = nullptr;
        for (QAbstractButton* b : option->radios->buttons()) {
            if (!stop || b->isChecked()) stop = b;
            if (b->isChecked()) break;
        }
        return c.w == stop ? Qt::StrongFocus : Qt::ClickFocus;
    }
    return Qt::StrongFocus;
}

void QtWindow::UpdateRadioStops(Control& option) {
    for (int feq : order_) {
        Control& r = ctls_[feq];
        if (r.st.parent == option.st.feq && r.st.kind == Ctl::Radio && r.w) r.w->setFocusPolicy(TabStop(r));
    }
}

void QtWindow::Focus(int feq) {
    if (!top_) return;
    Control* c = Find(feq);
    if (!c || !c->w || c->in_toolbar) return;
    focus_wanted_ = feq;
    QWidget* w = c->w;
    if (c->st.kind == Ctl::Option) {
        // The chosen radio, or the first one.
        QWidget* first = nullptr;
        for (QAbstractButton* b : c->radios->buttons()) {
            if (!first) first = b;
            if (b->isChecked()) first = b;
        }
        if (first) w = first;
    }
    // A prompt, a string or a sheet never holds the focus: keys typed there would be lost.
    if (c->st.kind != Ctl::Option && !ui::TakesFocus(c->st.kind)) return;
    w->setFocus(Qt::OtherFocusReason);
    if (auto* e = qobject_cast<QLineEdit*>(w)) e->selectAll();
}

void QtWindow::PressKeys(const std::vector<int>& keys) {
    for (int code : keys) {
        if (!top_) return;
        QWidget* target = top_ ? top_->focusWidget() : nullptr;
        if (!target) target = client_;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        if (!QtKeyOf(code, key, mods)) continue;
        QString text = KeyText(code);
        QPointer<QWidget> guard(target);
        pressing_ = target;
        QKeyEvent press(QEvent::KeyPress, key, mods, text);
        QApplication::sendEvent(target, &press);
        if (guard) {
            QKeyEvent release(QEvent::KeyRelease, key, mods, text);
            QApplication::sendEvent(guard, &release);
        }
        pressing_ = nullptr;
    }
}

QtWindow::Control* QtWindow::ControlOf(QWidget* w) {
    for (; w && w != client_ && w != top_; w = w->parentWidget()) {
        QVariant v = w->property(kControlProperty);
        if (v.isValid()) return Find(v.toInt());
    }
    return nullptr;
}

bool QtWindow::HasAlert(const Control* c, int keycode) const {
    return c &&
           std::find(c->st.alert_keys.begin(), c->st.alert_keys.end(), keycode) != c->st.alert_keys.end();
}

void QtWindow::Deliver(InputEvent ev) { ui::Deliver(state_.id, ev); }

void QtWindow::DeliverSelected(int feq) {
    if (feq == last_selected_) return;
    last_selected_ = feq;
    Deliver(Ev(Event::Selected, feq));
}

// ---------------------------------------------------------------- input

// A text that a number, date or time picture cannot read, or cannot show again once read
// (a number too wide, a date of another century), is refused where it was typed.
bool QtWindow::Acceptable(const ui::ControlDef& d, const std::string& cp1250) {
    auto p = d.picture.empty() ? std::nullopt : rt::parse_picture(d.picture);
    return !p || p->kind == rt::PictureKind::String || rt::entry_value(cp1250, *p).has_value();
}

bool QtWindow::FinishEntry(Control& c) {
    auto* e = qobject_cast<QLineEdit*>(c.w);
    if (!e || e->isReadOnly()) return true;
    QString text = e->text();
    if (text == c.shown) return true;
    std::string cp = ToCp1250(text);
    const ui::ControlDef* d = c.st.def;
    if (d && !Acceptable(*d, cp)) {
        Refuse(c);
        return false;
    }
    c.shown = text;
    // The control holds the user's text now: whatever the runtime shows next (the value
    // taken, or the old one when it refuses this one) differs from it and is shown.
    c.st.text = cp;
    InputEvent ev = Ev(Event::Accepted, c.st.feq);
    ev.text = cp;
    Deliver(ev);
    return true;
}

bool QtWindow::FinishFocusedEntry() {
    // The entry left for the cancel button is the one in use until Cancel is pressed.
    if (cancel_pending_) {
        Control* entry = Find(cancel_pending_);
        cancel_pending_ = 0;
        return !entry || FinishEntry(*entry);
    }
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !top_ || !top_->isAncestorOf(focus)) return true;
    Control* c = ControlOf(focus);
    if (!c || !ui::KindTraits(c->st.kind).line_entry) return true;
    return FinishEntry(*c);
}

void QtWindow::SettleEntryForCancel() {
    Control* c = nullptr;
    if (refusing_) {
        c = Find(refusing_);
    } else if (cancel_pending_) {
        c = Find(cancel_pending_);
    } else {
        QWidget* focus = QApplication::focusWidget();
        if (focus && top_ && top_->isAncestorOf(focus)) c = ControlOf(focus);
    }
    refusing_ = cancel_pending_ = 0;
    if (!c || !ui::KindTraits(c->st.kind).line_entry) return;
    auto* e = qobject_cast<QLineEdit*>(c->w);
    if (!e || e->isReadOnly() || e->text() == c->shown) return;
    if (c->st.def && !Acceptable(*c->st.def, ToCp1250(e->text())))
        e->setText(c->shown);
    else
        FinishEntry(*c);
}

bool QtWindow::PressCancel() {
    Control* c = cancel_button_ ? Find(cancel_button_) : nullptr;
    auto* button = c ? qobject_cast<QPushButton*>(c->w) : nullptr;
    if (!button || !button->isVisible() || !button->isEnabled()) return false;
    button->click();
    return true;
}

void QtWindow::Refuse(Control& c) {
    ui::Beep();
    auto* e = qobject_cast<QLineEdit*>(c.w);
    if (e && e->hasFocus()) {
        e->selectAll();
        return;
    }
    const int feq = c.st.feq;
    refusing_ = feq;
    QTimer::singleShot(0, this, [this, feq] {
        if (refusing_ != feq) return;  // cancelled meanwhile
        Control* self = Find(feq);
        if (self && self->w) {
            self->w->setFocus(Qt::OtherFocusReason);
            if (auto* le = qobject_cast<QLineEdit*>(self->w)) le->selectAll();
        }
        last_selected_ = feq;
        refusing_ = 0;
    });
}

bool QtWindow::OnKey(QWidget* receiver, QKeyEvent* event, bool shortcut_override) {
    QWidget* focus = QApplication::focusWidget();
    bool first =
        receiver == focus || receiver == pressing_ || (!focus && (receiver == top_ || receiver == client_));
    if (!first) return false;
    int code = KeyCodeOf(*event);
    Control* c = ControlOf(receiver);
    // The printable character the key types (Š, ć, "/", "-" ...), in CP1250; a control
    // that alerts every such key (Key::Char) gets it whatever the key's code.
    std::string typed;
    if (!(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const QString text = event->text();
        bool printable = !text.isEmpty();
        for (QChar ch : text) printable = printable && ch.isPrint();
        if (printable) {
            typed = ToCp1250(text);
            if (FromCp1250(typed) != text) typed.clear();  // no such character in CP1250
        }
    }
    const bool char_alert = !typed.empty() && HasAlert(c, ui::Key::Char);
    if (!code && !char_alert) return false;
    bool control_alert = HasAlert(c, code) || char_alert;
    bool window_alert = std::find(state_.window_alerts.begin(), state_.window_alerts.end(), code) !=
                        state_.window_alerts.end();
    if (shortcut_override) {
        if (control_alert || window_alert || (code == Key::Escape && cancel_button_)) {
            event->accept();
            return true;
        }
        return false;
    }
    if (blocked_) return true;
    last_key_ = code;
    by_mouse_ = false;
    if (control_alert || window_alert) {
        InputEvent ev = Ev(Event::AlertKey, control_alert ? c->st.feq : 0);
        ev.keycode = code ? code : static_cast<int>(ui::Key::Char);
        ev.keychar = typed;
        Deliver(ev);
        return true;
    }
    if (!code) return false;
    // Escape is Cancel in a window that has one (a form), unless a popup takes it.
    if (code == Key::Escape && cancel_button_ && !QApplication::activePopupWidget() && PressCancel())
        return true;
    if (c && c->st.kind == Ctl::List && ListEdgeKey(*c, code)) return true;
    bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        int kind = c ? c->st.kind : 0;
        // Enter presses the focused button, as on the desktop the program was made for.
        if (kind == Ctl::Button) {
            auto* button = qobject_cast<QPushButton*>(c->w);
            if (!button || !button->isVisible() || !button->isEnabled()) return false;
            button->click();
            return true;
        }
        if (ui::KindTraits(kind).enter_to_control) return false;
        if (c && ui::KindTraits(kind).line_entry && !FinishEntry(*c)) return true;
        if (Control* b = default_button_ ? Find(default_button_) : nullptr) {
            auto* button = qobject_cast<QPushButton*>(b->w);
            if (button && button->isVisible() && button->isEnabled()) button->click();
            return true;
        }
    }
    return false;
}

// A list shows a page of its rows: a key that would leave the page asks the procedure
// for the rows beyond it. Ctrl+Home and Ctrl+End ask for the first and the last page.
bool QtWindow::ListEdgeKey(Control& c, int code) {
    auto* v = qobject_cast<QTreeView*>(c.w);
    if (!v || !c.model) return false;
    int rows = c.model->rowCount();
    int row = v->currentIndex().isValid() ? v->currentIndex().row() : -1;
    bool first = rows == 0 || row <= 0, last = rows == 0 || row == rows - 1;
    int event = 0;
    switch (code) {
        case Key::Down:
            if (last) event = Event::ScrollDown;
            break;
        case Key::Up:
            if (first) event = Event::ScrollUp;
            break;
        case Key::PageDown:
            if (last) event = Event::PageDown;
            break;
        case Key::PageUp:
            if (first) event = Event::PageUp;
            break;
        case Key::Ctrl | Key::Home: event = Event::ScrollTop; break;
        case Key::Ctrl | Key::End: event = Event::ScrollBottom; break;
        default: break;
    }
    if (!event) return false;
    InputEvent ev = Ev(event, c.st.feq);
    ev.keycode = code;
    Deliver(ev);
    return true;
}

int QtWindow::ColumnAt(const Control& c, QPoint global) const {
    auto* v = qobject_cast<QTreeView*>(c.w);
    if (!v) return 0;
    int x = v->viewport()->mapFromGlobal(global).x();
    int logical = v->header()->logicalIndexAt(x);
    return logical >= 0 ? logical + 1 : 0;
}

bool QtWindow::OnMouse(QWidget* receiver, QMouseEvent* event) {
    if (blocked_) return false;
    Control* c = ControlOf(receiver);
    int code = 0;
    if (event->type() == QEvent::MouseButtonPress) {
        if (event->button() == Qt::LeftButton)
            code = Key::MouseLeft;
        else if (event->button() == Qt::RightButton)
            code = Key::MouseRight;
    } else if (event->type() == QEvent::MouseButtonDblClick) {
        if (event->button() == Qt::LeftButton) code = Key::MouseLeft2;
    } else if (event->type() == QEvent::MouseButtonRelease) {
        if (event->button() == Qt::RightButton) code = Key::MouseRightUp;
    }
    if (!code) return false;
    QPoint global = event->globalPosition().toPoint();
    if (HasAlert(c, code) || std::find(state_.window_alerts.begin(), state_.window_alerts.end(), code) !=
                                 state_.window_alerts.end()) {
        InputEvent ev = Ev(Event::AlertKey, HasAlert(c, code) ? c->st.feq : 0);
        ev.keycode = code;
        if (c) ev.column = ColumnAt(*c, global);
        Deliver(ev);
        return true;
    }
    if (!c || c->st.kind != Ctl::List) return false;
    auto* v = qobject_cast<QTreeView*>(c->w);
    if (!v || (!v->viewport()->isAncestorOf(receiver) && receiver != v->viewport())) return false;
    if (event->type() == QEvent::MouseButtonPress) {
        by_mouse_ = true;
        last_key_ = code;
        row_changed_in_press_ = false;
    } else if (code == Key::MouseRightUp) {
        QModelIndex index = v->indexAt(v->viewport()->mapFromGlobal(global));
        InputEvent ev = Ev(Event::NewSelection, c->st.feq);
        ev.keycode = code;
        ev.column = ColumnAt(*c, global);
        if (index.isValid()) {
            c->st.selected = index.row() + 1;
            ev.selected = c->st.selected;
        }
        Deliver(ev);
    } else if (code == Key::MouseLeft2) {
        InputEvent ev = Ev(Event::Accepted, c->st.feq);
        ev.keycode = code;
        ev.column = ColumnAt(*c, global);
        Deliver(ev);
        return true;
    }
    return false;
}

bool QtWindow::OnWheel(QWidget* receiver, QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) return false;
    // A turn that no widget takes travels up to the parents: it goes through the chain once.
    if (wheel_seen_ == event && wheel_time_ == event->timestamp()) return false;
    wheel_seen_ = event;
    wheel_time_ = event->timestamp();
    Control* c = ControlOf(receiver);
    int feq = c && c->st.kind == Ctl::List ? c->st.feq : 0;
    QPoint g = event->globalPosition().toPoint();
    auto lparam = static_cast<std::intptr_t>((static_cast<std::uint32_t>(g.y() & 0xFFFF) << 16) |
                                             static_cast<std::uint32_t>(g.x() & 0xFFFF));
    bool pass = PassToWidget(feq, ui::WM_MOUSEWHEEL, ui::WheelWParam(ui::MK_CONTROL, event->angleDelta().y()),
                             lparam);
    if (!pass) event->accept();
    return !pass;
}

void QtWindow::OnFocusIn(QWidget* receiver, Qt::FocusReason) {
    Control* c = ControlOf(receiver);
    if (!c || c->in_toolbar) return;
    if (ui::TakesFocus(c->st.kind) || c->st.kind == Ctl::Option) focus_wanted_ = c->st.feq;
    if (refusing_ && c->st.feq != refusing_) return;
    DeliverSelected(c->st.feq);
}

void QtWindow::OnFocusOut(QWidget* receiver, Qt::FocusReason reason) {
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
    Control* c = ControlOf(receiver);
    if (c && c->st.feq == cancel_button_ && cancel_pending_) {
        // The focus left the cancel button without its press: the entry's text is taken now.
        Control* entry = Find(cancel_pending_);
        cancel_pending_ = 0;
        if (entry && !refusing_) FinishEntry(*entry);
        return;
    }
    if (!c || !ui::KindTraits(c->st.kind).line_entry || refusing_) return;
    // Leaving for the cancel button: its press settles the text (a refused one is dropped).
    if (Control* to = ControlOf(QApplication::focusWidget());
        to && cancel_button_ && to->st.feq == cancel_button_) {
        cancel_pending_ = c->st.feq;
        return;
    }
    FinishEntry(*c);
}

void QtWindow::ListRowChanged(Control& c, int row) {
    if (applying_) return;
    row_changed_in_press_ = true;
    c.st.selected = row + 1;
    InputEvent ev = Ev(Event::NewSelection, c.st.feq);
    ev.selected = c.st.selected;
    ev.keycode = by_mouse_ ? static_cast<int>(Key::MouseLeft) : last_key_;
    Deliver(ev);
}

void QtWindow::OptionClicked(Control& option, int radio_feq) {
    int index = 0;
    for (int feq : order_) {
        Control& r = ctls_[feq];
        if (r.st.parent != option.st.feq || r.st.kind != Ctl::Radio) continue;
        ++index;
        if (feq != radio_feq) continue;
        const ui::ControlDef* d = r.st.def;
        std::string value =
            d && !d->value.empty() ? d->value : ToCp1250(WithoutMnemonic(FromCp1250(r.st.text)));
        option.st.text = value;
        option.st.selected = index;
        InputEvent ev = Ev(Event::Accepted, option.st.feq);
        ev.text = value;
        ev.selected = index;
        Deliver(ev);
        return;
    }
}

void QtWindow::SheetChanged(Control& sheet, int index) {
    UpdateVisibility();
    if (applying_) return;
    Deliver(Ev(Event::TabChanging, sheet.st.feq));
    sheet.st.selected = index + 1;
    InputEvent ev = Ev(Event::NewSelection, sheet.st.feq);
    ev.selected = sheet.st.selected;
    Deliver(ev);
    // The tab change took the focus marks away: the control that has the focus now (the
    // one it kept, or the new tab's) is selected again after it.
    last_selected_ = 0;
    QWidget* focus = QApplication::focusWidget();
    if (focus && top_ && top_->isAncestorOf(focus))
        if (Control* f = ControlOf(focus); f && !f->in_toolbar) DeliverSelected(f->st.feq);
}

void QtWindow::MenuTriggered(Control& c) {
    Deliver(Ev(Event::Accepted, c.st.feq));
    const std::string label = c.st.def ? c.st.def->label : std::string();
    // The standard actions the toolkit carries out itself.
    if (mdi_area_ && EqualLabel(label, "?TILE")) {
        TileChildren();
    } else if (mdi_area_ && EqualLabel(label, "?CASCADE")) {
        CascadeChildren();
    } else if (mdi_area_ && EqualLabel(label, "?ARRANGE")) {
        // Minimized children line up along the bottom of the area.
        int x = 0;
        for (QMdiSubWindow* s : mdi_area_->subWindowList()) {
            if (!s->isMinimized()) continue;
            s->move(x, mdi_area_->viewport()->height() - s->height());
            x += s->width();
        }
    } else if (EqualLabel(label, "?CUT") || EqualLabel(label, "?COPY") || EqualLabel(label, "?PASTE")) {
        if (auto* e = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
            if (EqualLabel(label, "?CUT"))
                e->cut();
            else if (EqualLabel(label, "?COPY"))
                e->copy();
            else
                e->paste();
        } else if (auto* t = qobject_cast<QTextEdit*>(QApplication::focusWidget())) {
            if (EqualLabel(label, "?CUT"))
                t->cut();
            else if (EqualLabel(label, "?COPY"))
                t->copy();
            else
                t->paste();
        }
    } else if (EqualLabel(label, "?EXIT")) {
        CloseRequested();
    }
}

namespace {

// The children an arrangement moves: shown and not minimized, in the given order.
QList<QMdiSubWindow*> Arranged(QMdiArea& area, QMdiArea::WindowOrder order) {
    QList<QMdiSubWindow*> out;
    for (QMdiSubWindow* s : area.subWindowList(order))
        if (s->isVisible() && !s->isMinimized()) out << s;
    return out;
}

// The area's room for its children: all of its inside, also while scroll bars show
// because a child lies beyond it (they go once the children are inside).
QSize Room(const QMdiArea& area) { return area.contentsRect().size(); }

bool FixedSize(const QMdiSubWindow* s) { return s->property(kFixedSizeProperty).toBool(); }

// The least size of a child: a window of a fixed size keeps its own; a resizable one
// is never made smaller than its procedure keeps it.
QSize LeastSize(const QMdiSubWindow* s) {
    if (FixedSize(s)) return s->size();
    return s->minimumSize().expandedTo(QSize(1, 1));
}

// A child at its normal size (a maximized one is restored first), so that its frame and
// close box lie inside the area again.
void Restore(QMdiSubWindow* s) {
    if (s->isMaximized()) s->showNormal();
}

}  // namespace

// Each child keeps its size (a larger one is fitted to the area), and each lies one title
// bar lower and further right than the one beneath it; the window in front stays in
// front. A child that would run past the area starts again at its top left corner.
void QtWindow::CascadeChildren() {
    const QList<QMdiSubWindow*> children = Arranged(*mdi_area_, QMdiArea::StackingOrder);
    if (children.isEmpty()) return;
    const QSize room = Room(*mdi_area_);
    QStyleOptionTitleBar title;
    title.initFrom(children.front());
    const int step = std::max(
        1, children.front()->style()->pixelMetric(QStyle::PM_TitleBarHeight, &title, children.front()));
    int offset = 0;
    for (QMdiSubWindow* s : children) {
        Restore(s);
        QSize size = s->size();
        if (!FixedSize(s)) size = size.boundedTo(room).expandedTo(LeastSize(s));
        if (offset > 0 && (offset + size.width() > room.width() || offset + size.height() > room.height()))
            offset = 0;
        s->setGeometry(QRect(QPoint(offset, offset), size));
        s->raise();
        offset += step;
    }
}

namespace {

// One axis of a tiling: where each of a run of parts starts and how far it reaches in
// `room`, each part needing at least its `need`. While every part fits an equal share
// the room is shared equally; while they fit together, in proportion to their needs.
// Otherwise each keeps its need and they overlap: the last ends at the room's end, and
// the others start spread out before it in proportion to their needs.
struct Span {
    int start, extent;
};
std::vector<Span> Spread(int room, const std::vector<int>& need) {
    const int n = static_cast<int>(need.size());
    std::vector<Span> out;
    long long total = 0;
    bool equal = true;
    for (int v : need) {
        total += v;
        equal = equal && static_cast<long long>(v) * n <= room;
    }
    if (equal || total <= room) {
        long long before = 0;
        for (int i = 0; i < n; ++i) {
            const long long after = before + need[static_cast<std::size_t>(i)];
            const int start =
                static_cast<int>(equal ? room * static_cast<long long>(i) / n : room * before / total);
            const int end =
                static_cast<int>(equal ? room * static_cast<long long>(i + 1) / n : room * after / total);
            out.push_back({start, end - start});
            before = after;
        }
        return out;
    }
    const int last = std::min(need.back(), room);
    const long long ahead = total - need.back();  // the needs before the last part
    long long before = 0;
    for (int i = 0; i < n; ++i) {
        const int extent = std::min(need[static_cast<std::size_t>(i)], room);
        const int start =
            i == n - 1 ? room - last : static_cast<int>((room - last) * before / std::max(ahead, 1LL));
        out.push_back({start, extent});
        before += need[static_cast<std::size_t>(i)];
    }
    return out;
}

// A grid of `columns` columns over `room` for children of the given least sizes: each
// child's cell, in rows from the top and left to right (the last row holds the rest);
// and how far the rows overrun the room across and down.
struct Grid {
    std::vector<QRect> cells;
    long long across = 0, down = 0;
};
Grid Tiled(QSize room, const std::vector<QSize>& least, int columns) {
    const int n = static_cast<int>(least.size());
    const int rows = (n + columns - 1) / columns;
    Grid g;
    std::vector<int> row_need;
    for (int r = 0; r < rows; ++r) {
        int h = 1;
        for (int i = r * columns; i < std::min(n, (r + 1) * columns); ++i)
            h = std::max(h, least[static_cast<std::size_t>(i)].height());
        row_need.push_back(h);
    }
    long long height = 0;
    for (int h : row_need) height += h;
    g.down = std::max(0LL, height - room.height());
    const std::vector<Span> ys = Spread(room.height(), row_need);
    for (int r = 0; r < rows; ++r) {
        std::vector<int> need;
        for (int i = r * columns; i < std::min(n, (r + 1) * columns); ++i)
            need.push_back(least[static_cast<std::size_t>(i)].width());
        long long width = 0;
        for (int w : need) width += w;
        g.across += std::max(0LL, width - room.width());
        const std::vector<Span> xs = Spread(room.width(), need);
        const Span& y = ys[static_cast<std::size_t>(r)];
        for (const Span& x : xs) g.cells.emplace_back(x.start, y.start, x.extent, y.extent);
    }
    return g;
}

}  // namespace

// The area is divided into a grid, one child per cell in the order they were opened: the
// rows share the area's height and each row's children its width (see Spread). Of the
// grids of 1 to n columns the one is taken whose children overrun the area's width least
// (children side by side that overlap hide each other's columns), then its height least
// (rows that overlap hide only the lower part of the upper children), then the squarest.
// A child fills its cell, never smaller than its least size, and stays inside the area.
// Where children overlap, the lower row lies over the upper one and, in a row, the left
// child over the right one, so that every title bar with its close box shows.
void QtWindow::TileChildren() {
    const QList<QMdiSubWindow*> children = Arranged(*mdi_area_, QMdiArea::CreationOrder);
    const int n = static_cast<int>(children.size());
    if (n == 0) return;
    for (QMdiSubWindow* s : children) Restore(s);
    const QSize room = Room(*mdi_area_);
    std::vector<QSize> least;
    for (QMdiSubWindow* s : children) least.push_back(LeastSize(s).boundedTo(room));
    int squarest = 1;
    while (squarest * squarest < n) ++squarest;
    int best = 0;
    Grid grid;
    for (int columns = 1; columns <= n; ++columns) {
        Grid g = Tiled(room, least, columns);
        const bool better = best == 0 || g.across < grid.across ||
                            (g.across == grid.across &&
                             (g.down < grid.down || (g.down == grid.down && std::abs(columns - squarest) <
                                                                                std::abs(best - squarest))));
        if (!better) continue;
        best = columns;
        grid = std::move(g);
    }
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* s = children[i];
        const QRect& c = grid.cells[static_cast<std::size_t>(i)];
        const QSize size = FixedSize(s)
                               ? s->size()
                               : c.size().expandedTo(least[static_cast<std::size_t>(i)]).boundedTo(room);
        const int x = std::max(0, std::min(c.x(), room.width() - size.width()));
        const int y = std::max(0, std::min(c.y(), room.height() - size.height()));
        s->setGeometry(QRect(QPoint(x, y), size));
    }
    for (int row_start = 0; row_start < n; row_start += best)
        for (int i = std::min(n, row_start + best) - 1; i >= row_start; --i) children[i]->raise();
}

void QtWindow::FillWindowMenu(QMenu* menu) {
    for (QAction* a : menu->actions())
        if (a->property("kvChildWindow").isValid()) {
            menu->removeAction(a);
            a->deleteLater();
        }
    if (!mdi_area_) return;
    const auto children = mdi_area_->subWindowList();
    if (children.isEmpty()) return;
    QAction* sep = menu->addSeparator();
    sep->setProperty("kvChildWindow", true);
    int n = 0;
    for (QMdiSubWindow* s : children) {
        QAction* a = menu->addAction(QStringLiteral("&%1 %2").arg(++n).arg(s->windowTitle()));
        a->setProperty("kvChildWindow", true);
        a->setCheckable(true);
        a->setChecked(s == mdi_area_->activeSubWindow());
        QPointer<QMdiSubWindow> target(s);
        connect(a, &QAction::triggered, this, [this, target] {
            if (target && mdi_area_) mdi_area_->setActiveSubWindow(target);
        });
    }
}

void QtWindow::Perform(int feq, const std::string& action, const std::string& value) {
    Control* c = Find(feq);
    if (auto* t = c ? qobject_cast<RtfControl*>(c->w) : nullptr) t->Perform(action, value);
}

bool QtWindow::PassToWidget(int feq, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
    ui::Handle h = feq ? ui::ControlHandle(state_.id, feq) : ui::WindowHandle(state_.id);
    if (!h) return true;
    bool pass = true;
    ui::DispatchNative(h, message, wparam, lparam, &pass);
    return pass;
}

bool QtWindow::SessionMessage(std::uint32_t message, std::uintptr_t wparam) {
    ui::Handle h = ui::WindowHandle(state_.id);
    if (!h) return true;
    bool pass = true;
    ui::LResult r = ui::DispatchNative(h, message, wparam, 0, &pass);
    return pass || r != 0;
}

void QtWindow::CloseRequested() {
    if (blocked_) {
        QApplication::beep();
        return;
    }
    if (!PassToWidget(0, ui::WM_CLOSE, 0, 0)) return;
    if (cancel_button_) SettleEntryForCancel();
    Deliver(Ev(Event::CloseWindow, 0));
}

void QtWindow::TopResized() {
    if (!shown_ || !client_) return;
    QSize s = client_->size();
    int w = DuX(s.width()), h = DuY(s.height());
    if (w == placed_du_.width() && h == placed_du_.height()) return;
    placed_du_.setSize(QSize(w, h));
    if (applying_) return;
    InputEvent ev = Ev(Event::Sized, 0);
    ev.x = placed_du_.x();
    ev.y = placed_du_.y();
    ev.w = w;
    ev.h = h;
    ev.maximized = top_->isMaximized();
    ev.minimized = top_->isMinimized();
    Deliver(ev);
}

void QtWindow::TopMoved() {
    if (!shown_ || !top_ || top_->isMaximized() || top_->isMinimized()) return;
    QPoint p = top_->pos();
    if (!sub_) {
        if (QScreen* s = QGuiApplication::primaryScreen()) p -= s->availableGeometry().topLeft();
    }
    int x = DuX(p.x()), y = DuY(p.y());
    if (x == placed_du_.x() && y == placed_du_.y()) return;
    placed_du_.moveTo(x, y);
    if (applying_) return;
    state_.has_position = true;
    state_.x = x;
    state_.y = y;
    InputEvent ev = Ev(Event::Moved, 0);
    ev.x = x;
    ev.y = y;
    ev.w = placed_du_.width();
    ev.h = placed_du_.height();
    Deliver(ev);
}

void QtWindow::TopStateChanged() {
    if (!top_) return;
    bool max = top_->isMaximized(), min = top_->isMinimized();
    bool was_max = was_maximized_, was_min = was_minimized_;
    was_maximized_ = max;
    was_minimized_ = min;
    if (applying_ || !shown_) return;
    InputEvent ev;
    if (max && !was_max)
        ev.event = Event::Maximized;
    else if (min && !was_min)
        ev.event = Event::Iconized;
    else if (!max && !min && (was_max || was_min))
        ev.event = Event::Restored;
    else
        return;
    state_.maximized = max;
    state_.minimized = min;
    ev.maximized = max;
    ev.minimized = min;
    Deliver(ev);
}

// Where the style draws a child's close box, in the child's own coordinates (as the
// child lays out its title bar).
QRect QtWindow::CloseBox() const {
    if (!sub_) return {};
    QStyleOptionTitleBar opt;
    opt.initFrom(sub_);
    opt.subControls = QStyle::SC_All;
    opt.titleBarFlags = sub_->windowFlags();
    opt.titleBarState = sub_->windowState();
    opt.text = sub_->windowTitle();
    QStyle* style = sub_->style();
    const int border = style->styleHint(QStyle::SH_TitleBar_NoBorder, &opt, sub_) ? 0 : 4;
    const int height = style->pixelMetric(QStyle::PM_TitleBarHeight, &opt, sub_) - border;
    opt.rect = QRect(border, border, sub_->width() - 2 * border, height);
    return style->subControlRect(QStyle::CC_TitleBar, &opt, QStyle::SC_TitleBarCloseButton, sub_);
}

// A child's close box takes one click, whether the child is the active one or not: the
// toolkit's own handling makes the first click on another child's box only activate it.
bool QtWindow::CloseBoxClicked(QMouseEvent* event) {
    if (!sub_ || event->button() != Qt::LeftButton || sub_->isMaximized() ||
        !(sub_->windowFlags() & Qt::WindowCloseButtonHint))
        return false;
    const bool on = CloseBox().contains(event->position().toPoint());
    if (event->type() == QEvent::MouseButtonPress) {
        close_box_pressed_ = on;
        return on;
    }
    if (event->type() != QEvent::MouseButtonRelease || !close_box_pressed_) return false;
    close_box_pressed_ = false;
    if (on) CloseRequested();
    return true;
}

bool QtWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == top_) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
                if (CloseBoxClicked(static_cast<QMouseEvent*>(event))) return true;
                break;
            case QEvent::Close:
                event->ignore();
                CloseRequested();
                return true;
            case QEvent::Move: TopMoved(); break;
            case QEvent::WindowStateChange: TopStateChanged(); break;
            default: break;
        }
    }
    if (watched == client_ && event->type() == QEvent::Resize) {
        if (canvas_) canvas_->setGeometry(client_->rect());
        TopResized();
    }
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------- drawing layer

Canvas::Canvas(QtWindow& window, QWidget* parent) : QWidget(parent), window_(window) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(QStringLiteral("kvDrawing"));
}

void Canvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(window_.font());
    for (const ui::DrawItem& item : window_.drawing()) {
        QRect r(window_.PxX(item.x), window_.PxY(item.y), window_.PxX(item.w), window_.PxY(item.h));
        if (item.kind == ui::DrawItem::Kind::Box) {
            p.setBrush(item.fill == -1 ? QBrush(Qt::NoBrush) : QBrush(ColorOf(item.fill)));
            p.setPen(item.pen == -1 ? QPen(Qt::NoPen) : QPen(ColorOf(item.pen)));
            p.drawRect(r.adjusted(0, 0, -1, -1));
        } else {
            p.setPen(ColorOf(item.color));
            QFontMetrics fm(window_.font());
            p.drawText(QPoint(r.x(), r.y() + fm.ascent()), FromCp1250(item.text));
        }
    }
}

}  // namespace rt::qt
