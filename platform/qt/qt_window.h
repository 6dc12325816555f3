// One runtime window on the GUI thread: its widgets built from the window resource, the
// state deltas applied to them, and the user's input turned into runtime events.
#pragma once

#include <optional>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <map>
#include <string>
#include <vector>

#include "platform/ui/backend.h"
#include "platform/ui/list_format.h"

class QAction;
class QButtonGroup;
class QKeyEvent;
class QMainWindow;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMouseEvent;
class QStandardItem;
class QStandardItemModel;
class QWheelEvent;

namespace rt::qt {

class Canvas;

// Names of the dynamic properties that tie widgets to their window and control.
inline constexpr const char* kWindowProperty = "kvWindow";
inline constexpr const char* kControlProperty = "kvFeq";
// Set on a child window of the frame whose size its resource fixes.
inline constexpr const char* kFixedSizeProperty = "kvFixedSize";

class QtWindow : public QObject {
    Q_OBJECT
public:
    // `mdi` is the frame's MDI area for a child window, null for a top-level window.
    QtWindow(const ui::WindowState& state, QMdiArea* mdi);
    ~QtWindow() override;

    ui::WindowId id() const { return state_.id; }
    int thread() const { return state_.thread; }
    const std::string& procedure() const { return state_.procedure; }
    // A child window inside the frame's MDI area (no top-level window of the desktop).
    bool is_child() const { return parent_area_ != nullptr; }
    QMdiArea* mdi_area() const { return mdi_area_; }
    // The window as the desktop shows it: the top-level widget or the MDI sub-window.
    QWidget* top() const { return top_; }
    // The widget that holds the controls (dialog-unit coordinates start at its origin).
    QWidget* client() const { return client_; }

    void Show();
    void Apply(const ui::WindowState& delta);
    // An action on a control (the rich-text control's tool bar actions).
    void Perform(int feq, const std::string& action, const std::string& value);
    // Disabled while a newer window or a message box of the same thread is open.
    void SetBlocked(bool blocked);
    // The frame's toolbar buttons 3001-3013 shown as a window in use offers them (bit 0:
    // 3001); none: as the frame's own state says.
    void SetToolbarOverride(std::optional<std::uint16_t> enabled);
    static constexpr int kFirstToolbarButton = 3001;
    bool blocked() const { return blocked_; }

    // Input seen by the server's application-wide filter for widgets of this window;
    // true when the event is consumed.
    bool OnKey(QWidget* receiver, QKeyEvent* event, bool shortcut_override);
    bool OnMouse(QWidget* receiver, QMouseEvent* event);
    bool OnWheel(QWidget* receiver, QWheelEvent* event);
    void OnFocusIn(QWidget* receiver, Qt::FocusReason reason);
    void OnFocusOut(QWidget* receiver, Qt::FocusReason reason);
    // WM_QUERYENDSESSION / WM_ENDSESSION through the window's handle chain; true when the
    // chain lets the session end (or passes the message on).
    bool SessionMessage(std::uint32_t message, std::uintptr_t wparam);

    // Dialog units of the window font to pixels and back.
    int PxX(int du) const;
    int PxY(int du) const;
    int DuX(int px) const;
    int DuY(int px) const;

    const std::vector<ui::DrawItem>& drawing() const { return drawing_; }
    QFont font() const { return font_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Control {
        ui::ControlState st;
        QWidget* w = nullptr;       // the control's widget (null for menu entries)
        QAction* action = nullptr;  // menu items, menus and toolbar entries
        QMenu* menu = nullptr;
        QButtonGroup* radios = nullptr;       // option groups
        QStandardItemModel* model = nullptr;  // lists
        std::vector<ui::ListColumn> columns;
        QString shown;       // an entry's text as last shown by the runtime
        int tab_index = -1;  // tabs: the page of the sheet
        bool in_toolbar = false;
    };
    std::optional<std::uint16_t> toolbar_override_;

    void BuildControl(const ui::ControlState& st);
    // One builder per kind of control, in controls_*.cpp: each makes the control's widget.
    QWidget* BuildLabel(Control& c);  // prompts and strings
    QWidget* BuildEntry(Control& c);  // entries and spin boxes
    QWidget* BuildTextBox(Control& c);
    QWidget* BuildRichText(Control& c);
    QWidget* BuildButton(Control& c);
    QWidget* BuildCheck(Control& c);
    QWidget* BuildGroup(Control& c);  // groups and option groups
    QWidget* BuildRadio(Control& c);
    QWidget* BuildList(Control& c);
    void ApplyCellColors(QStandardItem& item, const Control& c, int row, int column);
    QWidget* BuildDropList(Control& c);
    QWidget* BuildSheet(Control& c);
    QWidget* BuildProgress(Control& c);
    QWidget* BuildImage(Control& c);
    QWidget* BuildShape(Control& c);  // lines, boxes, panels and ellipses
    // Builders that place what they make themselves (a sheet's page, the bars).
    void BuildTab(Control& c);
    void BuildMenu(Control& c);
    void BuildToolbar(Control& c);
    void BuildToolbarEntry(Control& c);
    void ApplyControl(Control& c, const ui::ControlState& st, bool first);
    void ApplyText(Control& c);
    void ApplyGeometry(Control& c);
    void ApplyFont(Control& c);
    void ApplyRows(Control& c);
    void ApplySelected(Control& c);
    void ApplyColumns(Control& c);
    void ApplyCheck(Control& c);
    void ApplyIcon(Control& c);
    void RefreshBlocked();
    void UpdateVisibility();
    bool EffectiveVisible(const Control& c) const;
    bool EffectiveEnabled(const Control& c) const;
    void PlaceWindow(bool first);
    // The outer size of a client area of w by h pixels (the bars, a child's frame).
    QSize OuterSize(QSize client) const;
    void ApplyMinimumSize();
    // The frame's Window menu: its children laid out inside its area.
    void CascadeChildren();
    void TileChildren();
    void PressKeys(const std::vector<int>& keys);
    void Focus(int feq);
    // How a control that takes the focus is reached by the Tab key.
    Qt::FocusPolicy TabStop(const Control& c) const;
    // Only the chosen radio of an option group is a stop of the Tab key.
    void UpdateRadioStops(Control& option);

    Control* Find(int feq);
    const Control* Find(int feq) const;
    Control* ControlOf(QWidget* w);
    bool HasAlert(const Control* c, int keycode) const;
    static bool Acceptable(const ui::ControlDef& d, const std::string& cp1250);
    bool FinishEntry(Control& c);
    // Finishes the entry of this window that has the focus, if any; false when refused.
    bool FinishFocusedEntry();
    void Refuse(Control& c);
    // Cancel (its button, hot key, Escape, the close box) is never stopped by an entry: a
    // text the entry takes is taken first, so that the cancel question asks about it; a
    // refused text is dropped and the entry shows its value again.
    void SettleEntryForCancel();
    bool PressCancel();
    void Deliver(ui::InputEvent ev);
    void DeliverSelected(int feq);
    void ListRowChanged(Control& c, int row);
    void OptionClicked(Control& option, int radio_feq);
    void SheetChanged(Control& sheet, int index);
    void MenuTriggered(Control& c);
    void FillWindowMenu(QMenu* menu);
    void TopResized();
    void TopMoved();
    void TopStateChanged();
    void CloseRequested();
    QRect CloseBox() const;
    bool CloseBoxClicked(QMouseEvent* event);
    bool PassToWidget(int feq, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
    int ColumnAt(const Control& c, QPoint global) const;
    bool ListEdgeKey(Control& c, int code);

    ui::WindowState state_;  // the full state as last applied
    std::map<int, Control> ctls_;
    std::vector<int> order_;  // control numbers in declaration order
    std::vector<ui::DrawItem> drawing_;
    QFont font_;
    int unit_x_ = 6, unit_y_ = 13;  // pixels of 4 horizontal and 8 vertical dialog units

    QPointer<QWidget> top_;
    QWidget* client_ = nullptr;
    QMainWindow* main_ = nullptr;
    QMdiArea* mdi_area_ = nullptr;     // the frame's own area
    QMdiArea* parent_area_ = nullptr;  // the area this child window lives in
    QMdiSubWindow* sub_ = nullptr;
    Canvas* canvas_ = nullptr;
    QWidget* toolbar_ = nullptr;

    bool shown_ = false;
    bool applying_ = false;
    bool blocked_ = false;
    bool modal_ = false;  // a newer window or a message box of the thread is open
    int last_selected_ = 0;
    int focus_wanted_ = 0;  // the control that has, or last had, the focus
    int refusing_ = 0;      // the entry whose text was refused, until it has the focus again
    int last_key_ = 0;      // key code of the key being handled (NewSelection by keys)
    bool by_mouse_ = false;
    bool row_changed_in_press_ = false;
    int default_button_ = 0;
    int cancel_button_ = 0;                    // the window's ?CANCEL button
    int cancel_pending_ = 0;                   // the entry left for the cancel button, its text not yet taken
    QWidget* pressing_ = nullptr;              // the target of a key press the runtime queued
    const QWheelEvent* wheel_seen_ = nullptr;  // the wheel turn already sent through the chain
    quint64 wheel_time_ = 0;
    QRect placed_du_;  // the placement last applied or reported, in dialog units
    bool was_maximized_ = false, was_minimized_ = false;
    bool close_box_pressed_ = false;  // a left button went down on the child's close box
};

// The drawing layer beneath a window's controls.
class Canvas : public QWidget {
    Q_OBJECT
public:
    explicit Canvas(QtWindow& window, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QtWindow& window_;
};

// Text conversions at the GUI edge: the runtime's texts are CP1250.
QString FromCp1250(std::string_view text);
std::string ToCp1250(const QString& text);
// Raises a window (where the platform stacks windows) and activates it.
void BringToFront(QWidget* window);
// A colour 00BBGGRRh.
QColor ColorOf(std::int32_t bgr);

}  // namespace rt::qt
