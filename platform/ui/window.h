// The window runtime as procedures see it: windows built from resources, controls with
// properties and variable bindings, the event loop, posted events, threads and message
// boxes. Everything here runs on procedure threads; nothing here touches a toolkit. A
// window's state is owned by the thread that opened it; changes reach the GUI back end
// (backend.h) when the thread next waits for an event or displays.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/layout.h"
#include "platform/ui/events.h"
#include "platform/ui/resource.h"

namespace rt::ui {

using WindowId = std::uint32_t;

// A variable a control shows and updates.
struct Binding {
    enum class Kind { None, Field, Text, Real, Long };
    Kind kind = Kind::None;
    FieldType field_type = FieldType::CString;  // for Kind::Field
    std::size_t size = 0;                       // bytes of a Field
    void* target = nullptr;                     // a field's bytes, std::string*, double*, std::int32_t*

    static Binding OfField(const FieldDef& f, void* record, std::size_t element = 0);
    static Binding OfText(std::string* s) { return {Kind::Text, FieldType::CString, 0, s}; }
    static Binding OfReal(double* d) { return {Kind::Real, FieldType::Real, 0, d}; }
    static Binding OfLong(std::int32_t* l) { return {Kind::Long, FieldType::Long, 0, l}; }
    bool bound() const { return kind != Kind::None && target; }

    // The variable's value as text (CP1250; texts clipped) and as a number.
    std::string text() const;
    double number() const;
    void set_text(std::string_view cp1250) const;
    void set_number(double v) const;
    bool numeric() const;
    // The most bytes of text the variable holds: a CSTRING's size less its terminator, a
    // STRING's size; 0 for texts without a limit and for numbers.
    std::size_t capacity() const;
    // Whether the number can be stored as it is: within the range of an integer variable,
    // and as text within a text variable's capacity (set_number truncates and wraps).
    bool fits(double v) const;
};

// Resolves a resource's USE name ("KVD:BROJ") to this thread's variable. The data layer
// registers one for the tables' record fields and the process-wide variables.
using UseResolver = std::function<Binding(std::string_view name)>;
void SetUseResolver(UseResolver resolver);

// The colours of a list cell (00BBGGRRh; -1: the list's default): its text and background,
// and both while its row is selected. Only columns whose format carries "*" show them.
struct CellColors {
    std::int32_t text = -1, background = -1, selected_text = -1, selected_background = -1;
    bool operator==(const CellColors&) const = default;
};

struct DrawItem {
    enum class Kind { Box, Text } kind = Kind::Box;
    int x = 0, y = 0, w = 0, h = 0;   // dialog units
    std::int32_t fill = -1, pen = 0;  // Box colours (00BBGGRRh)
    std::int32_t color = 0;           // Text colour
    std::string text;                 // CP1250
};

class Window {
public:
    // The resource must outlive the window and its close (the back end keeps pointers
    // into it); registered resources live for the process.
    explicit Window(const WindowDef& def);
    ~Window();  // closes the window when still open
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    const WindowDef& def() const;
    WindowId id() const;
    int thread() const;  // the runtime thread number that owns it

    // The procedure the window belongs to (the back end names its widget after it).
    void SetProcedureName(std::string_view name);

    // Control numbers: by declaration order unless the resource gives one; menus negative.
    int Feq(std::string_view label) const;  // 0 when there is no such control
    std::vector<int> Controls() const;      // every control number, ascending
    int FirstControl() const;
    int LastControl() const;
    const ControlDef* Control(int feq) const;

    // Bindings: resolved from the resource's USE names when the window is created; a
    // procedure binds its locals (and may rebind any control) itself.
    void Use(int feq, Binding b);
    Binding UseOf(int feq) const;

    void Open();
    void Close();
    bool IsOpen() const;

    // Properties of a control (feq) or the window (feq 0).
    long Get(int feq, Prop p) const;
    std::string GetText(int feq, Prop p = Prop::Text) const;
    void Set(int feq, Prop p, long value);
    void SetText(int feq, Prop p, std::string_view value);  // CP1250
    void Hide(int feq) { Set(feq, Prop::Hide, 1); }
    void Unhide(int feq) { Set(feq, Prop::Hide, 0); }
    void Disable(int feq) { Set(feq, Prop::Disable, 1); }
    // The least size (dialog units, 0: none) the window is kept at: the user cannot make
    // it smaller, and the frame's Tile and Cascade leave it at least so large.
    void SetMinimumSize(int width, int height);

    // Variables to controls through their pictures (0: all), and back.
    void Display(int feq = 0);
    // Screen texts into the bound variables (0: all); false when a text does not fit its
    // picture (the variable keeps its value).
    bool Update(int feq = 0);
    // The text a control shows now (what the user typed, before or after Accepted).
    std::string ScreenText(int feq) const;

    void Select(int feq);  // move the focus (0: the first control that takes it)
    int FocusedControl() const;

    // Alert keys: a key declared for a control (or the window, feq 0) raises AlertKey
    // instead of reaching the control.
    void Alert(int feq, int key);
    void RemoveAlert(int feq, int key);
    void ClearAlerts(int feq);

    // Asks the back end to carry out an action on a control (the formatting, clipboard,
    // file and print actions of a rich-text control), after what the window shows so far.
    // Nothing happens while the window is not open.
    void Perform(int feq, std::string_view action, std::string_view value = {});

    // Rows of a list control: each row the texts of its columns, already formatted, and
    // optionally the colours of its columns (none: every cell in the list's colours). A
    // drop list with fixed items has one row per item: its text and its value.
    void SetRows(int feq, std::vector<std::vector<std::string>> rows,
                 std::vector<std::vector<CellColors>> colors = {});
    const std::vector<std::vector<std::string>>& Rows(int feq) const;
    const std::vector<std::vector<CellColors>>& RowColors(int feq) const;

    // The drawing layer beneath the controls.
    void Draw(const DrawItem& item);
    void Erase(int x, int y, int w, int h);  // everything drawn within the rectangle

    void SetWaitCursor(bool on);
    // Queues a key press for the focused control as if it had been typed (Tab moves on).
    void PressKey(int key);

    // The event loop: waits for the window's next event. False once the window is closed.
    bool Accept();
    int event() const;
    int field() const;    // the control of the current event, 0 for window events
    int keycode() const;  // the key of an AlertKey event, the mouse key of a mouse event
    // The printable character (CP1250) that the key of an AlertKey event typed; empty for
    // keys that type none.
    const std::string& keychar() const;
    int column() const;  // the list column of a header or mouse event (1-based)
    // Posts an event to this window (from its own thread).
    void Post(int event, int feq = 0);

    struct Impl;
    Impl& impl() const { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

// The window the calling thread opened last and has not closed (the one that accepts).
Window* ActiveWindow();
// The window the user works in: the one the back end last reported with GainFocus, else
// the one opened last (0 when none is open); and the thread that owns a window (0 when it
// is not open).
WindowId FocusedWindow();
int WindowThread(WindowId window);

// Starts a procedure on a new thread: the per-thread start hooks, the procedure, the end
// hooks. The stack size is a minimum. Returns the new thread's number.
int rtl_start(std::function<void()> procedure, std::size_t stack_bytes = 0);
// Posts an event to a thread's active window (thread 0: the calling thread).
void rtl_post(int event, int feq = 0, int thread = 0);
int rtl_thread();
// Waits until every thread started with rtl_start has ended (true), or the time is up.
bool WaitForThreads(int timeout_ms);
// True while the thread waits for input (in Accept or for a message box's answer) with
// nothing queued for its active window: everything it did so far has gone to the back end.
bool ThreadIdle(int thread);
// How many threads started with rtl_start are still running.
int RunningThreads();

// Message boxes, modal for the calling thread's windows.
// Text only: no caption, one OK button. With buttons ("Da|Ne"): the 1-based answer.
namespace Icon {
inline constexpr const char* None = "";
inline constexpr const char* Question = "Question";
inline constexpr const char* Exclamation = "Exclamation";
inline constexpr const char* Hand = "Hand";
inline constexpr const char* Asterisk = "Asterisk";
}  // namespace Icon
// A message box, modal for the calling thread's windows: the 1-based number of the button
// pressed; 0 when the box was withdrawn unanswered (the application closing down).
int Message(std::string_view text, std::string_view caption = {}, std::string_view icon = {},
            std::string_view buttons = {}, int default_button = 1);
// Withdraws the message boxes that threads other than the caller's wait on: each answers
// 0, none of its buttons.
void WithdrawOtherThreadsMessages();
void Beep();
// A popup menu at the mouse, modal for the calling thread's windows: the 1-based number of
// the chosen item among the enabled ones, 0 for none (menu text as PopupManager writes it).
int PopupMenu(std::string_view menu);

// The printer set-up dialog of the platform.
void PrinterSetup();

// The file dialog, modal for the calling thread's windows: `title`, the file masks
// ("All Files|*.*", description and patterns in turns) and FileDialogFlag bits. True
// with the chosen file or folder (full path, CP1250) in `name`; false when cancelled,
// `name` then kept, or emptied with ClearOnCancel. `name` is also where it starts.
namespace FileDialogFlag {
inline constexpr unsigned Save = 1u << 0;       // a file to write, not one to open
inline constexpr unsigned Directory = 1u << 1;  // a folder is chosen, not a file
inline constexpr unsigned LongName = 1u << 2;   // long names (the only kind here)
inline constexpr unsigned KeepDir = 1u << 3;    // the current folder stays (it always does here)
inline constexpr unsigned ClearOnCancel = 1u << 4;
}  // namespace FileDialogFlag
bool FileDialog(std::string_view title, std::string& name, std::string_view mask, unsigned flags);

// Makes the error manager's messages (rt::ErrorManager) appear as message boxes.
void InstallErrorShower();

}  // namespace rt::ui
