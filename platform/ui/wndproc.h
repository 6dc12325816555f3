// Native-style window handles and window procedures for the desktop-integration library.
// Every window has a window handle and a client-area handle, every list control a handle
// of its own; handles are unique and never reused in a process. Each handle has a chain
// of window procedures: the default one is the toolkit's own handling; a library may put
// its procedure in front (SetWindowProc) and pass messages on to the previous one
// (CallWindowProc). The back end sends input of the kinds below through the chain on the
// GUI thread (DispatchNative) and lets the widget have it only when the chain passes it on.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/ui/window.h"

namespace rt::ui {

using Handle = std::uintptr_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using WindowProc = LResult (*)(Handle, std::uint32_t message, WParam, LParam);

// Message numbers the back end produces.
inline constexpr std::uint32_t WM_CLOSE = 0x10;
inline constexpr std::uint32_t WM_QUERYENDSESSION = 0x11;
inline constexpr std::uint32_t WM_ENDSESSION = 0x16;
inline constexpr std::uint32_t WM_HELP = 0x53;
inline constexpr std::uint32_t WM_SYSCOMMAND = 0x112;
inline constexpr std::uint32_t WM_TIMER = 0x113;
inline constexpr std::uint32_t WM_MOUSEMOVE = 0x200;
inline constexpr std::uint32_t WM_LBUTTONDOWN = 0x201;
inline constexpr std::uint32_t WM_LBUTTONUP = 0x202;
inline constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x203;
inline constexpr std::uint32_t WM_RBUTTONDOWN = 0x204;
inline constexpr std::uint32_t WM_RBUTTONUP = 0x205;
inline constexpr std::uint32_t WM_RBUTTONDBLCLK = 0x206;
inline constexpr std::uint32_t WM_MBUTTONDOWN = 0x207;
inline constexpr std::uint32_t WM_MBUTTONUP = 0x208;
inline constexpr std::uint32_t WM_MBUTTONDBLCLK = 0x209;
inline constexpr std::uint32_t WM_MOUSEWHEEL = 0x20A;
// Key state in the low word of a mouse message's wParam.
inline constexpr WParam MK_CONTROL = 0x8;
// lParam bit of WM_QUERYENDSESSION / WM_ENDSESSION when the user logs off.
inline constexpr LParam ENDSESSION_LOGOFF = static_cast<LParam>(0x80000000u);

// The wParam of WM_MOUSEWHEEL: key state (MK_CONTROL) low, signed wheel delta high.
inline WParam WheelWParam(WParam keys, int delta) {
    return (static_cast<WParam>(static_cast<std::uint16_t>(delta)) << 16) | (keys & 0xFFFF);
}

// What DefaultWindowProc answers: "let the widget have it".
inline constexpr LResult kDefaultHandling = INTPTR_MIN;
LResult DefaultWindowProc(Handle handle, std::uint32_t message, WParam wparam, LParam lparam);

// The procedure installed on a handle (DefaultWindowProc until one is set); null for a
// handle that does not exist (any more).
WindowProc GetWindowProc(Handle handle);
// Installs a procedure and returns the previous one; null (and nothing installed) for a
// handle that does not exist. A null procedure puts the default back.
WindowProc SetWindowProc(Handle handle, WindowProc procedure);
// Calls a previous procedure; a null one answers 0.
LResult CallWindowProc(WindowProc previous, Handle handle, std::uint32_t message, WParam wparam,
                       LParam lparam);

// Runs the handle's chain for one input; *pass_to_widget tells whether the widget gets it
// (the chain answered kDefaultHandling, or the handle is unknown).
LResult DispatchNative(Handle handle, std::uint32_t message, WParam wparam, LParam lparam,
                       bool* pass_to_widget);

// The handles of a window (0 for a window that no longer exists) and of its list controls
// (0 for a control without a handle).
Handle WindowHandle(WindowId window);
Handle ClientHandle(WindowId window);
Handle ControlHandle(WindowId window, int feq);

// What a handle belongs to.
struct HandleInfo {
    WindowId window = 0;
    int feq = 0;          // 0 for the window and its client area
    bool client = false;  // the window's client-area handle
    int thread = 0;       // runtime thread that owns the window
};
std::optional<HandleInfo> DescribeHandle(Handle handle);

// Used by the window runtime: a new handle for a window, its client area or a control;
// ReleaseHandles drops every handle of a window.
Handle NewHandle(const HandleInfo& info);
void ReleaseHandles(WindowId window);

}  // namespace rt::ui
