// Window resources: declarative descriptions of windows and their controls, in dialog
// units, as the procedures' modules declare them (resources/). The window runtime builds
// a window's controls from them; the GUI back end builds its widgets from them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ui/events.h"
#include "platform/ui/list_format.h"

namespace rt::ui {

// Control attributes.
enum Attr : std::uint32_t {
    kReq = 1u << 0,  // required entry
    kUpr = 1u << 1,  // entered in upper case
    kPassword = 1u << 2,
    kReadOnly = 1u << 3,
    kSkip = 1u << 4,  // not reached by Tab
    kDisable = 1u << 5,
    kHide = 1u << 6,
    kDefault = 1u << 7,  // the default button (Enter)
    kLeft = 1u << 8,
    kRight = 1u << 9,
    kCenter = 1u << 10,
    kFlat = 1u << 11,
    kTransparent = 1u << 12,
    kMultiline = 1u << 13,  // TEXT/RTF controls
    kVScroll = 1u << 14,
    kHScroll = 1u << 15,
    kFull = 1u << 16,       // a control that fills its parent (sheets)
    kNoBar = 1u << 17,      // lists without a selection bar
    kImmediate = 1u << 18,  // entries: Accepted at every change
    kStdOk = 1u << 19,      // the dialog's standard OK / Cancel / Help buttons
    kStdCancel = 1u << 20,
    kStdHelp = 1u << 21,
};

struct Font {
    std::string face;         // "Microsoft Sans Serif", "Arial"
    int size = 0;             // points; 0 the window's font
    int style = 0;            // 0 the window's, 400 normal, 700 bold; +kItalic
    std::int32_t color = -1;  // 00BBGGRRh; -1 the default
    static constexpr int kItalic = 0x1000;
    static constexpr int kUnderline = 0x2000;
};

struct ControlDef {
    int kind = Ctl::String;            // one of Ctl
    std::string label;                 // the control's name, e.g. "?KVD:BROJ", "?OK", "?BROWSE:1"
    int number = 0;                    // the field number; 0 numbers it by declaration order
    int x = 0, y = 0, w = -1, h = -1;  // dialog units, relative to the window (w/h -1: default)
    std::string text;                  // caption, prompt text, button text, tab text, menu item text
    std::string picture;               // @s20, @n10.2, @d5 ...
    std::string use;                   // the variable the control shows: "KVD:BROJ", "LOC:UKUPNO", ""
    std::uint32_t attrs = 0;           // Attr bits
    Font font;
    std::int32_t background = -1;  // 00BBGGRRh; -1 the default
    std::string icon;              // button or image file, e.g. "WIZOK.ICO", "logo.png"
    std::string tip;
    std::string msg;     // status text
    int key = 0;         // the control's hot key (a key code)
    std::string format;  // a list's format text ("35L(2)|M~Sifra~C(0)@s7@...")
    // A drop list's fixed items: "Black|#1|Maroon|#2|...", each text followed by its
    // value after "#" (an item without one has its text as its value).
    std::string from;
    int drop = 0;  // rows a drop list shows when dropped (0: the toolkit's number)
    std::string value;                 // a radio's value, a check box's true value
    std::string off_value;             // a check box's false value
    int std_action = 0;                // the runtime's standard action of a menu item
    std::vector<ControlDef> children;  // controls of a sheet/tab/group/option/menu/toolbar
};

struct WindowDef {
    std::string module;  // "KVD$KVD003"
    std::string name;    // "P1$QUICKWINDOW"
    std::string caption;
    int x = 0, y = 0, w = 0, h = 0;  // dialog units
    bool center = true;
    bool mdi = false;    // a child of the application frame
    bool frame = false;  // the application frame (MDI area)
    bool resizable = false;
    bool max_box = false;
    bool min_box = false;
    bool system_menu = true;
    bool maximized = false;  // opens maximized
    bool tool_window = false;
    bool frameless = false;  // no caption bar and no border (the splash window)
    Font font{"Microsoft Sans Serif", 8, 400, -1};
    std::string icon;
    int timer = 0;                     // hundredths of a second
    std::vector<ControlDef> controls;  // menu bar and toolbar are controls of their kinds
};

// ---- Building definitions -------------------------------------------------------------
// The parts that window definitions repeat, one helper each. Texts are given in UTF-8, as
// source files hold them, and kept in CP1250.

// A control at x, y of w by h dialog units.
ControlDef MakeControl(int kind, std::string label, int x, int y, int w, int h, std::string_view text = {},
                       std::uint32_t attrs = 0);
ControlDef MakeControl(int kind, std::string label, int x, int y, int w, int h, std::string_view text,
                       std::string picture, std::uint32_t attrs = 0);

// What a window definition begins with. The defaults are a register's window: a resizable
// child of the application frame, centred.
struct WindowHead {
    std::string module = {};  // "KVD$KVD004"
    std::string name = "QUICKWINDOW";
    std::string_view caption = {};
    int w = 0, h = 0;  // dialog units
    bool center = true;
    bool resizable = true;
    bool mdi = true;  // a child of the application frame
    bool system_menu = true;
};
WindowDef MakeWindow(const WindowHead& head);

struct Rect {
    int x = 0, y = 0, w = -1, h = -1;  // dialog units (w/h -1: default)
};

// A tab of a sheet, ?TAB:n, with the controls on it.
ControlDef MakeTab(int n, std::string_view text, std::vector<ControlDef> controls = {});
// The sheet ?CURRENTTAB with its tabs.
ControlDef MakeSheet(Rect at, std::vector<ControlDef> tabs);
// A sheet of empty tabs: a browse's sort-order tabs, or a form's single tab.
ControlDef MakeTabs(Rect at, std::initializer_list<std::string_view> texts);

// A browse's list ?BROWSE:1 with its columns (see ListFormat), scrolling both ways.
ControlDef MakeBrowseList(Rect at, std::span<const ListColumn> columns);

struct ButtonDef {
    std::string label = {};  // "?BUTTONNORECORDS"
    Rect at = {};
    std::string_view text = {};
    int key = 0;  // the key that presses it
    std::string tip = {};
    std::string icon = {};
    std::uint32_t attrs = 0;
};
ControlDef MakeButton(const ButtonDef& button);

// The seven standard buttons of a browse, hidden: ?SELECT:2, ?VIEW:3, ?INSERT:4,
// ?CHANGE:4, ?DELETE:4, ?CLOSE and ?HELP.
struct BrowseButtonsAt {
    int x = 0, y = 0;  // the first one's place
    // Each beside the one before; otherwise Insert stands on Select's place and Change on
    // View's, since a browse shows one pair or the other.
    bool in_row = false;
    bool change_is_default = false;  // Enter presses Change
};
std::vector<ControlDef> BrowseButtons(const BrowseButtonsAt& at);

// A form's buttons from left to right: ?OK (the default button), ?CANCEL and, for the form
// toolbar, a hidden ?HELP.
struct FormButtonsAt {
    int x = 0, y = 0;
    int w = 45, h = 14, gap = 4;
    std::string_view ok = "&OK", cancel = "&Cancel";
    std::string ok_tip = {}, cancel_tip = {};
    bool help = true;
};
std::vector<ControlDef> FormButtons(const FormButtonsAt& at);

// One line of a form: a prompt and the entry of a field, and the controls that follow the
// entry in the window's order (a lookup button, the option group beside the line, ...).
struct FormLine {
    std::string field = {};  // the variable the entry shows: "KVD:BROJ", the entry ?KVD:BROJ
    std::string_view prompt = {};
    std::string picture = {};
    int w = 0;  // the entry's width
    std::uint32_t attrs = 0;
    std::vector<ControlDef> then = {};
    std::string label = {};         // the entry's label when it shows no field
    std::string prompt_label = {};  // the prompt's label, when not the entry's + ":PROMPT"
};
// Where a form's lines stand: the prompts at x, prompt_w wide, prompt_dy below their
// entries' top; the entries at entry_x; the first line's entry at y, each next one step
// lower.
struct FormGrid {
    int x = 12, prompt_w = 40, entry_x = 56;
    int y = 23, step = 14;
    int prompt_dy = 1;
};
std::vector<ControlDef> FormLines(const FormGrid& grid, std::span<const FormLine> lines);
// One line at the grid's y.
std::vector<ControlDef> PromptAndEntry(const FormGrid& at, const FormLine& line);

// An option group at x, y, w wide, with its radio buttons top to bottom (labelled after
// the group: "?KVD:SP:RADIO1", ...), each standing for its own text. The group shows the
// field, labelled after it ("?KVD:SP").
ControlDef MakeOption(std::string_view field, int x, int y, int w, std::string_view text,
                      std::initializer_list<std::string_view> radios);

// The controls of a window in order, from single controls and lists of them.
inline void AppendControls(std::vector<ControlDef>& to, ControlDef c) { to.push_back(std::move(c)); }
inline void AppendControls(std::vector<ControlDef>& to, std::vector<ControlDef> cs) {
    for (ControlDef& c : cs) to.push_back(std::move(c));
}
template <class... Parts>
std::vector<ControlDef> Controls(Parts&&... parts) {
    std::vector<ControlDef> out;
    (AppendControls(out, std::forward<Parts>(parts)), ...);
    return out;
}
// A window: its head, then its controls in order.
template <class... Parts>
WindowDef MakeWindow(const WindowHead& head, Parts&&... controls) {
    WindowDef d = MakeWindow(head);
    d.controls = Controls(std::forward<Parts>(controls)...);
    return d;
}

// A module's resources by structure name (the module registers them at start).
void RegisterWindow(const WindowDef& def);
const WindowDef* FindWindow(const std::string& module, const std::string& name);

}  // namespace rt::ui
