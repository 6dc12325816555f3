// The GUI back end behind the window runtime. The runtime calls it from procedure threads
// with snapshots of window state; the back end (platform/qt) applies them on the GUI
// thread and never blocks a procedure thread for long. User input comes back through
// Deliver(), which queues an event for the thread that owns the window; the GUI thread
// never waits for a procedure thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/window.h"

namespace rt::ui {

struct ControlState {
    int feq = 0;
    const ControlDef* def = nullptr;  // lives as long as the window's resource
    int kind = 0;
    int parent = 0;  // the containing control's number (tab, group, ...)
    // Shown text (CP1250): entry contents, caption, ... A check box carries its value
    // (CheckValue below: checked when it is the true value), an option group the value of
    // its chosen radio (and `selected` the radio's 1-based place among its radios).
    std::string text;
    bool hide = false, disable = false, readonly = false, req = false, skip = false;
    long progress = 0, range_low = 0, range_high = 100;
    long selected = 0;  // list row / sheet tab / option radio (1-based)
    int font_style = 0;
    std::int32_t font_color = -1, background = -1;
    int x = 0, y = 0, w = -1, h = -1;
    std::vector<std::vector<std::string>> rows;       // list rows
    std::vector<std::vector<CellColors>> row_colors;  // per row and column; empty: the defaults
    std::vector<int> alert_keys;
    std::string format;     // list format; a rich-text control's format at its cursor
    std::string icon, tip;  // button/image file and tool tip
};

// A check box's true (on) or false value as ControlState::text carries it: the resource's
// value and off_value, "1" and "0" when it gives none.
inline std::string CheckValue(const ControlDef& def, bool on) {
    if (on) return def.value.empty() ? "1" : def.value;
    return def.off_value.empty() ? "0" : def.off_value;
}

// A window's state. OpenWindow carries all of it. A SyncWindow delta carries the
// window-level values (caption to disabled, window_alerts) always at their current values,
// except the placement (x to minimized), which is meant only when `placement` is set: the
// procedure changed it; otherwise it may lag behind what the user just did. `controls`
// holds only the controls that changed (each complete), `drawing` is set only when the
// drawing layer changed, `focus` only when the procedure moved the focus, and
// `pressed_keys` holds the keys pressed since the last call.
struct WindowState {
    WindowId id = 0;
    int thread = 0;
    const WindowDef* def = nullptr;
    std::string procedure;
    std::string caption;
    int x = 0, y = 0, w = 0, h = 0;  // dialog units
    bool has_position = false;       // x and y known; false: the resource's (centred etc.)
    bool has_size = false;           // w and h known; false: the resource's size
    bool maximized = false, minimized = false;
    bool placement = true;  // in a delta: x .. minimized changed (always in OpenWindow)
    // The least size the window is kept at, in dialog units (0: none).
    int min_w = 0, min_h = 0;
    int timer = 0;
    bool wait_cursor = false;
    bool disabled = false;  // an older window of a thread while a newer one is open
    int focus = 0;          // the control to focus, 0 unchanged
    std::vector<int> window_alerts;
    std::vector<ControlState> controls;            // every control in OpenWindow; changed ones in Sync
    std::optional<std::vector<DrawItem>> drawing;  // set when the drawing layer changed
    std::vector<int> pressed_keys;                 // keys queued by PressKey, in order
};

struct MessageRequest {
    std::uint32_t id = 0;  // answer comes back as InputEvent{Event::None, ..., answer}
    int thread = 0;
    std::string text, caption, icon;
    std::vector<std::string> buttons;  // at least one ("OK")
    int default_button = 1;
};

void DeliverAnswer(std::uint32_t message_id, int answer);

// A file or folder dialog (FileDialog in window.h).
struct FileDialogRequest {
    std::uint32_t id = 0;  // the answer comes back through DeliverFileName
    int thread = 0;
    std::string title;   // CP1250
    std::string mask;    // "All Files|*.*": pairs of a description and its patterns
    std::string start;   // the file or folder it starts from (CP1250); "" the current folder
    unsigned flags = 0;  // FileDialogFlag bits
};
// The dialog's answer: the chosen file or folder (CP1250), or none when it was cancelled.
void DeliverFileName(std::uint32_t request_id, bool chosen, const std::string& name);

class Backend {
public:
    virtual ~Backend() = default;
    virtual void OpenWindow(const WindowState& state) = 0;
    virtual void SyncWindow(const WindowState& delta) = 0;  // only changed parts filled
    virtual void CloseWindow(WindowId id) = 0;
    // Shows a message box; the answer comes back through DeliverAnswer.
    virtual void ShowMessage(const MessageRequest& request) = 0;
    // Shows a popup menu (MessageRequest::text is the menu text: items separated by "|",
    // "-" a separator, "~" before a text a disabled item) at the mouse; the answer, the
    // 1-based number of the chosen item among the enabled ones or 0 for none, comes back
    // through DeliverAnswer. Without a menu of its own a back end answers 0.
    virtual void ShowPopup(const MessageRequest& request) { DeliverAnswer(request.id, 0); }
    // Closes the message boxes that `thread` waits on; each answers 0 through
    // DeliverAnswer.
    virtual void WithdrawMessages(int thread) {}
    // Which of the frame's toolbar buttons (bit 0: 3001 ... bit 12: 3013) a window offers;
    // the frame shows them so while that window is the one in use.
    virtual void ToolbarState(WindowId window, std::uint16_t enabled) {}
    // Shows a file or folder dialog; the answer comes back through DeliverFileName. A
    // back end without dialogs answers that none was chosen.
    virtual void ShowFileDialog(const FileDialogRequest& request) { DeliverFileName(request.id, false, {}); }
    // An action on a control (Window::Perform); a back end without it ignores it.
    virtual void Perform(WindowId window, int feq, const std::string& action, const std::string& value) {}
    // A thread's database write waits for another workstation's (busy: 0 the wait ended,
    // 1 waiting, 2 waiting for some seconds): the back end shows it on that thread's
    // windows. A back end without it ignores it.
    virtual void ShowBusyWait(int thread, int busy) {}
    virtual void Beep() = 0;
    virtual void PrinterSetup(int thread) = 0;
};

void SetBackend(Backend* backend);
Backend* GetBackend();

// Input from the back end, on any thread.
struct InputEvent {
    int event = 0;
    int feq = 0;
    int keycode = 0;
    std::string keychar;  // what the key typed (CP1250), for AlertKey
    int column = 0;
    std::optional<std::string> text;    // the control's new screen text (CP1250)
    std::optional<long> selected;       // a list's or sheet's new selection (1-based)
    std::optional<std::string> format;  // a rich-text control's format at its cursor
    int x = 0, y = 0, w = 0, h = 0;     // Moved/Sized: the new placement in dialog units
    bool maximized = false, minimized = false;
};
// Input for a window that is not open (any more) is dropped. GainFocus also makes the
// window the one FocusedWindow() names: send it when a window (an MDI child too) becomes
// the one the user works in.
void Deliver(WindowId window, const InputEvent& input);
// The 1-based button chosen; anything else counts as the last button (a box closed
// without a choice).
void DeliverAnswer(std::uint32_t message_id, int answer);

}  // namespace rt::ui
