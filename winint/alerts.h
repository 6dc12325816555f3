// Window-message alerts. A window procedure names the window messages it wants to hear
// about; WlAccept is put in front of the window's handles and turns each alerted message
// into an event posted to the thread that owns the window, and decides what the message
// chain gets back. The same procedure carries the end of the desktop session.
//
// WlAccept runs on the GUI thread, which delivers the window's input; it works on the
// alerts of the thread that owns the handle, as if it ran on that thread.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ui/window.h"
#include "platform/ui/wndproc.h"

// Action bits of an alert.
inline constexpr std::int32_t kWaAnswerOne = 1;
inline constexpr std::int32_t kWaPassOn = 2;
inline constexpr std::int32_t kWaPostLibraryEvent = 4;
inline constexpr std::int32_t kWaPostRuntimeEvent = 8;
inline constexpr std::int32_t kWaCtrlWheel = 16;
inline constexpr std::int32_t kWaWithLists = 32;

// Events the library posts.
inline constexpr int kEventWheelForward = 1451;
inline constexpr int kEventWheelBack = 1452;
inline constexpr int kEventQueryEndSession = 6783;

inline constexpr std::uint32_t WM_WTSSESSION_CHANGE = 689;
inline constexpr std::uint32_t kTaskbarCallbackMessage = 25000;

struct AlertEntry {
    rt::ui::Handle handel = 0;
    std::int32_t message = 0;
    std::int32_t action = 0;
    rt::ui::WindowProc returnto = nullptr;
    int thread = 0;
    int isclientarea = 0;
    int wtsnotifyenabled = 0;
};

// Adds alerts for firstMessage..last on the target window's handles, or (closing,
// singleMessage and postAndPass all set) removes the window's alerts.
void WlAlert(rt::ui::Window* target, std::int32_t firstMessage, std::uint8_t closing,
             std::int32_t lastMessage, std::uint8_t singleMessage, std::uint8_t postAndPass,
             std::int32_t action);
// WlAlert(522, 0, 522, 0, 0, 48): Ctrl+wheel on the window and its list controls.
void WlAlertMouseWheel(rt::ui::Window* target);

// The window procedure installed on every alerted handle.
rt::ui::LResult WlAccept(rt::ui::Handle hWnd, std::uint32_t message, rt::ui::WParam wParam,
                         rt::ui::LParam lParam);

// The calling thread's last system command, session-change code and session, and last
// other alerted message; a nonzero `clear` resets the value after reading.
std::int32_t WlSysEvent(std::uint8_t clear);
std::int32_t WlWtsEvent(std::uint8_t clear);
std::int32_t WlThreadWordA();
std::int32_t WlThreadWordB();

// The calling thread's alerts and alerted messages (in their order).
std::vector<AlertEntry> AlertQueue();
std::vector<std::int32_t> AlertedMessages();
