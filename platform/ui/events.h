// Event numbers, control kinds, key codes and property numbers of the window runtime.
#pragma once

#include <cstdint>

namespace rt::ui {

// Events. Field events (those of a control) are below 200h; window events from 200h on.
namespace Event {
enum : int {
    None = 0,
    Accepted = 0x01,
    NewSelection = 0x02,
    ScrollUp = 0x03,
    ScrollDown = 0x04,
    PageUp = 0x05,
    PageDown = 0x06,
    ScrollTop = 0x07,
    ScrollBottom = 0x08,
    Locate = 0x09,
    MouseDown = 0x0A,
    MouseUp = 0x0B,
    MouseIn = 0x0C,
    MouseOut = 0x0D,
    MouseMove = 0x0E,
    AlertKey = 0x10,
    PreAlertKey = 0x11,
    Rejected = 0x12,
    HeaderPressed = 0x13,  // a list's column header was clicked (column in Event::column)
    TabChanging = 21,
    PasteLeftOut = 0x1E,  // a paste into an entry left out characters it cannot hold
    ColumnResize = 0x1F,
    Selected = 0x101,  // a control received the focus
    CloseWindow = 0x201,
    CloseDown = 0x202,
    OpenWindow = 0x203,
    LoseFocus = 0x205,
    GainFocus = 0x206,
    Timer = 0x20B,
    Moved = 0x230,
    Sized = 0x231,
    Restored = 0x232,
    Maximized = 0x233,
    Iconized = 0x234,
    Completed = 0x225,
    AfterResize = 1023,  // posted by the window controller to its window after Sized
    User = 0x400,
};
}  // namespace Event

// True for events that name no control (Selected, 101h, names the control that got the
// focus).
inline bool IsWindowEvent(int event) { return event >= 0x200; }

// Control kinds: the runtime's control type numbers.
namespace Ctl {
enum : int {
    StringPic = 1,  // string display with a picture
    String = 2,
    Image = 3,
    Region = 4,
    Line = 5,
    Box = 6,
    Ellipse = 7,
    Entry = 8,
    Button = 9,
    Prompt = 10,
    Option = 11,
    Check = 12,
    Group = 13,
    List = 14,
    Combo = 15,
    Spin = 16,
    Text = 17,
    Custom = 18,
    Menu = 19,
    Item = 20,
    Radio = 21,
    Menubar = 22,
    Toolbar = 23,
    Window = 25,
    Ole = 32,
    DropList = 33,
    DropCombo = 34,
    Progress = 35,
    Slider = 36,
    Sheet = 37,
    Tab = 38,
    Panel = 39,
    Rtf = 40,
};
}  // namespace Ctl

// Key codes: the Windows virtual-key code plus 100h for Shift, 200h for Ctrl, 400h for Alt.
namespace Key {
enum : int {
    Shift = 0x100,
    Ctrl = 0x200,
    Alt = 0x400,
    Backspace = 0x08,
    Tab = 0x09,
    Enter = 0x0D,
    ShiftKey = 0x10,
    Escape = 0x1B,
    PageUp = 0x21,
    PageDown = 0x22,
    End = 0x23,
    Home = 0x24,
    Left = 0x25,
    Up = 0x26,
    Right = 0x27,
    Down = 0x28,
    Insert = 0x2D,
    Delete = 0x2E,
    F1 = 0x70,
    F2 = 0x71,
    F3 = 0x72,
    F4 = 0x73,
    F5 = 0x74,
    F10 = 0x79,
    MouseLeft = 0x01,
    MouseRight = 0x02,
    MouseLeft2 = 0x05,       // double click
    MouseRightUp = 0x82,     // release of the right mouse button
    ShiftTab = Shift | Tab,  // 109h
    ShiftEnter = Shift | Enter,
    CtrlH = Ctrl | 'H',  // 248h
    CtrlN = Ctrl | 'N',
    CtrlP = Ctrl | 'P',
    // Not a key: as an alert key of a control, any key that types a printable character
    // (Window::keychar() holds it), whatever its key code.
    Char = 0x800,
};
}  // namespace Key

// Window and control properties the procedures set and read.
enum class Prop : int {
    Text,  // a control's text or a window's caption
    Hide,
    Disable,
    ReadOnly,
    Req,       // required entry
    Skip,      // not reached by Tab
    Progress,  // 7CA6h: a progress bar's value
    RangeLow,
    RangeHigh,   // 7CE1h
    Selected,    // a list's selected row (1-based), a sheet's current tab (1-based)
    Items,       // rows of a list
    Timer,       // a window's timer in hundredths of a second (0 off)
    AcceptAll,   // the window is accepting all fields (the OK check)
    FontStyle,   // 400 normal, 700 bold
    FontColor,   // 00BBGGRRh
    Background,  // 00BBGGRRh; -1 the default
    Xpos,
    Ypos,
    Width,
    Height,  // dialog units
    Maximize,
    Iconize,  // window state (1 or 0)
    Icon,
    Tip,
    Value,      // a check box's value, an option group's chosen radio text
    Type,       // the control kind (read-only)
    InToolbar,  // 1 when the control stands in the window's toolbar (read-only)
    Visible,    // 1 when shown (read-only: hidden itself or through a parent)
    Format,     // a list's format text; a rich-text control's format at its cursor (read)
    PenColor,   // the window's drawing pen colour
    Touched,    // the user changed the control's text since it was last displayed
};

}  // namespace rt::ui
