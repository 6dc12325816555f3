#include "winint/alerts.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>

#include "platform/core/picture.h"
#include "platform/core/process.h"
#include "platform/core/sysinfo.h"
#include "winint/debug.h"
#include "winint/errors.h"
#include "winint/services.h"
#include "winint/session.h"

namespace ui = rt::ui;

namespace {

// The window-message number the taskbar announces its restart with; never registered here.
constexpr std::int32_t kTaskbarRestartMessage = 0;

struct ThreadAlerts {
    std::vector<AlertEntry> queue;  // in handle order
    std::vector<std::int32_t> alerted_messages;
    std::int32_t last_sys_command = 0;
    std::int32_t last_wts_code = 0;
    std::int32_t last_wts_session = 0;
    std::int32_t last_alerted_message = 0;
};

// Every runtime thread's alerts, under WinLinkLock.
std::map<int, ThreadAlerts>& Threads() {
    static std::map<int, ThreadAlerts> threads;
    return threads;
}

void ForgetThreadAtEnd() {
    static std::once_flag once;
    std::call_once(once, [] {
        rt::register_thread_hooks([] {},
                                  [] {
                                      std::lock_guard lock(WinLinkLock());
                                      Threads().erase(rt::thread_number());
                                  });
    });
}

ThreadAlerts& Of(int thread) { return Threads()[thread]; }

std::string HandleText(ui::Handle h) { return rt::format(static_cast<double>(h), "@n-16"); }

std::string Num(long long v) { return std::to_string(v); }

WlProcAddress g_wts_register = 0;
WlProcAddress g_wts_unregister = 0;
using WtsRegisterFn = int (*)(ui::Handle, std::uint32_t);
using WtsUnregisterFn = int (*)(ui::Handle);

// Takes and releases WinLinkLock with the "/debugWaitRelease" lines.
class AlertLock {
public:
    AlertLock(std::string who, int thread) : who_(std::move(who)), thread_(thread) {
        if (WlSwitch("/debugWaitRelease"))
            WlDebugWrite("Wait/Release Check. " + who_ + ": Wait! Thread: " + Num(thread_));
        WinLinkLock().lock();
        held_ = true;
    }
    void Release() {
        if (!held_) return;
        held_ = false;
        WinLinkLock().unlock();
        if (WlSwitch("/debugWaitRelease"))
            WlDebugWrite("Wait/Release Check. " + who_ + ": Release! Thread: " + Num(thread_));
    }
    ~AlertLock() { Release(); }

private:
    std::string who_;
    int thread_;
    bool held_ = false;
};

void WlAddAlert(ui::Handle handle, std::int32_t first, std::int32_t last, std::int32_t action,
                ui::Handle client) {
    const int thread = rt::thread_number();
    AlertLock lock("WlAlert", thread);
    ThreadAlerts& t = Of(thread);
    auto has =
        std::find_if(t.queue.begin(), t.queue.end(), [&](const AlertEntry& e) { return e.handel == handle; });
    ui::WindowProc previous = nullptr;
    if (has == t.queue.end()) {
        rt::sys::SetLastError(-1);
        previous = ui::SetWindowProc(handle, &WlAccept);
        if (!previous) {
            WlSetErrorDetail("WlAlert Error : SetLongWindow failed, ch:handel=" + HandleText(handle) + " " +
                             WlLastSystemErrorText());
            WlReportError(kWlErrAddAlerts);
        }
    } else {
        previous = has->returnto;
    }
    for (std::int32_t m = first; m <= last; ++m) {
        auto found = std::find_if(t.queue.begin(), t.queue.end(),
                                  [&](const AlertEntry& e) { return e.handel == handle && e.message == m; });
        if (found != t.queue.end()) {
            found->action = action;
        } else {
            AlertEntry e;
            e.message = m;
            e.action = action;
            e.handel = handle;
            e.returnto = previous;
            e.thread = thread;
            e.wtsnotifyenabled = 0;
            e.isclientarea = handle == client ? 1 : 0;
            if (!e.isclientarea && m == static_cast<std::int32_t>(WM_WTSSESSION_CHANGE) &&
                wl_LoadDLLProc("Wtsapi32", "WTSRegisterSessionNotification", g_wts_register) == 0) {
                auto fn = reinterpret_cast<WtsRegisterFn>(g_wts_register);
                if (fn(handle, 1)) {
                    e.wtsnotifyenabled = 1;
                } else {
                    WlSetErrorDetail("WlAlert Error : WTSRegisterSessionNotification, wa:Handel = " +
                                     HandleText(handle) + " " + WlLastSystemErrorText());
                    WlReportError(kWlErrAddAlerts);
                }
            }
            auto at = std::upper_bound(t.queue.begin(), t.queue.end(), handle,
                                       [](ui::Handle h, const AlertEntry& x) { return h < x.handel; });
            t.queue.insert(at, e);
            if (std::find(t.alerted_messages.begin(), t.alerted_messages.end(), m) ==
                t.alerted_messages.end())
                t.alerted_messages.push_back(m);
        }
        if (WlSwitch("/debug")) WlDebugWrite("WlAlert : Adding Alert: " + Num(m) + " Action: " + Num(action));
    }
}

void WlCloseWindowAlerts(ui::Handle handle) {
    const int thread = rt::thread_number();
    AlertLock lock("WlAlert", thread);
    ThreadAlerts& t = Of(thread);
    ui::WindowProc previous = nullptr;
    for (;;) {
        auto it = std::find_if(t.queue.begin(), t.queue.end(),
                               [&](const AlertEntry& e) { return e.handel == handle; });
        if (it == t.queue.end()) break;
        if (it->message == static_cast<std::int32_t>(WM_WTSSESSION_CHANGE) && it->wtsnotifyenabled == 1 &&
            wl_LoadDLLProc("Wtsapi32", "WTSUnRegisterSessionNotification", g_wts_unregister) == 0) {
            auto fn = reinterpret_cast<WtsUnregisterFn>(g_wts_unregister);
            if (!fn(handle)) {
                WlSetErrorDetail("WlAlert Error : WTSUnRegisterSessionNotification, wa:Handel = " +
                                 HandleText(handle) + " " + WlLastSystemErrorText());
                WlReportError(kWlErrCloseHandle);
            }
        }
        previous = it->returnto;
        t.queue.erase(it);
    }
    if (previous) {
        rt::sys::SetLastError(-1);
        if (!ui::SetWindowProc(handle, previous)) {
            WlSetErrorDetail("WlAlert Error(2) : SetLongWindow failed, ch:handel=" + HandleText(handle) +
                             " " + WlLastSystemErrorText());
            WlReportError(kWlErrCloseHandle);
        }
    }
}

std::vector<ui::Handle> ListHandles(const ui::Window& w) {
    std::vector<ui::Handle> out;
    for (int feq : w.Controls())
        if (w.Get(feq, ui::Prop::Type) == ui::Ctl::List) out.push_back(ui::ControlHandle(w.id(), feq));
    return out;
}

}  // namespace

void WlAlert(ui::Window* target, std::int32_t firstMessage, std::uint8_t closing, std::int32_t lastMessage,
             std::uint8_t singleMessage, std::uint8_t postAndPass, std::int32_t action) {
    WlSetContext("WlAlert");
    ForgetThreadAtEnd();
    const bool trace = WlSwitch("/debugWlAlert");
    if (trace) WlDebugWrite("WlAlert. Top. In: " + Num(firstMessage) + " " + " Action: " + Num(action));
    if (closing) {
        if (!singleMessage || !postAndPass) return;
        if (!target || !ui::ActiveWindow()) return;
        WlCloseWindowAlerts(ui::ClientHandle(target->id()));
        WlCloseWindowAlerts(ui::WindowHandle(target->id()));
        for (ui::Handle h : ListHandles(*target)) WlCloseWindowAlerts(h);
        return;
    }
    if (!target) return;
    const std::int32_t last = singleMessage || lastMessage == 0 ? firstMessage : lastMessage;
    const std::int32_t act = postAndPass ? kWaPostLibraryEvent + kWaPassOn : action;
    if (trace) {
        if (MessageNameQueue().empty()) wl_BuildWMQ();
        std::string name;
        {
            std::lock_guard lock(WinLinkLock());
            name = WlMessageName(firstMessage).value_or("");
        }
        WlDebugWrite("WlAlert. Alerting: " + Num(firstMessage) + " " + name + " Action: " + Num(act));
    }
    const ui::Handle client = ui::ClientHandle(target->id());
    WlAddAlert(ui::WindowHandle(target->id()), firstMessage, last, act, client);
    WlAddAlert(client, firstMessage, last, act, client);
    if (act & kWaWithLists)
        for (ui::Handle h : ListHandles(*target)) WlAddAlert(h, firstMessage, last, act, client);
}

void WlAlertMouseWheel(ui::Window* target) {
    WlAlert(target, static_cast<std::int32_t>(ui::WM_MOUSEWHEEL), 0,
            static_cast<std::int32_t>(ui::WM_MOUSEWHEEL), 0, 0, kWaCtrlWheel + kWaWithLists);
}

namespace {

int RuntimeEventOf(std::uint32_t m) {
    switch (m) {
        case 0x10: return 513;
        case 0x200:
        case 0xA0: return 13;
        case 0x113: return 523;
        case 0x201:
        case 0x204:
        case 0xA4:
        case 0xA1:
        case 0xA7:
        case 0x207: return 1;
        case 0x202:
        case 0x205:
        case 0xA5:
        case 0xA2:
        case 0xA8:
        case 0x208: return 10;
        default: return 0;
    }
}

// Posts the alert's event; the wheel step may change the action the caller answers by.
void WlPostAlertEvent(AlertEntry& entry, std::uint32_t message, ui::WParam wParam, ui::LParam lParam) {
    const bool trace = WlSwitch("/debugWlAlert");
    if (trace)
        WlDebugWrite("WlPostAlertEvent. Action: " + Num(entry.action) +
                     " Bit8: " + Num((entry.action & kWaPostRuntimeEvent) != 0) + " Bit4: " +
                     Num((entry.action & kWaPostLibraryEvent) != 0) + " Message: " + Num(message));
    if (entry.action & kWaPostRuntimeEvent) {
        if (int ev = RuntimeEventOf(message)) ui::rtl_post(ev, 0, entry.thread);
    } else if (entry.action & kWaCtrlWheel) {
        if (message != ui::WM_MOUSEWHEEL) return;
        if (wParam & ui::MK_CONTROL) {
            const auto delta = static_cast<std::int16_t>((wParam >> 16) & 0xFFFF);
            if (delta > 0)
                ui::rtl_post(kEventWheelForward, 0, entry.thread);
            else if (delta < 0)
                ui::rtl_post(kEventWheelBack, 0, entry.thread);
            entry.action = 0;
        } else {
            entry.action = kWaPassOn;
        }
    } else if (entry.action & kWaPostLibraryEvent) {
        int ev = 1280;
        if (message == kTaskbarCallbackMessage)
            ev = 6280 + static_cast<int>(lParam);
        else if (static_cast<std::int32_t>(message) == kTaskbarRestartMessage)
            ev = 6781;
        else if (message == ui::WM_SYSCOMMAND)
            ev = 6782;
        else if (message == ui::WM_QUERYENDSESSION)
            ev = kEventQueryEndSession;
        else if (message == ui::WM_ENDSESSION)
            ev = wParam == 0 ? 6784 : 6785;
        else if (message == WM_WTSSESSION_CHANGE)
            ev = 6786;
        else if (trace)
            WlDebugWrite("Posting Event " + Num(1280) + " to thread " + Num(entry.thread));
        ui::rtl_post(ev, 0, entry.thread);
    }
}

std::string NameOf(std::uint32_t message) {
    if (message == kTaskbarCallbackMessage) return "TaskBarCallBackMsg";
    if (kTaskbarRestartMessage != 0 && static_cast<std::int32_t>(message) == kTaskbarRestartMessage)
        return "WE::WM_TaskBarRestart";
    if (message >= 1024) return "WE::WM_USER + " + Num(message - 1024);
    if (auto n = WlMessageName(static_cast<std::int32_t>(message))) return *n;
    char hex[16];
    std::snprintf(hex, sizeof hex, "%06X", message);
    WlSetErrorDetail("WlAccept unknown message : " + std::string(hex) + "h " + Num(message));
    WlReportError(kWlErrAccept);
    return "[Unknown]";
}

std::int32_t LogOff(ui::LParam lParam) { return (lParam & ui::ENDSESSION_LOGOFF) ? 1 : 0; }

std::string Address(WlSessionHandler h) {
    return Num(static_cast<long long>(reinterpret_cast<std::intptr_t>(h)));
}

}  // namespace

ui::LResult WlAccept(ui::Handle hWnd, std::uint32_t message, ui::WParam wParam, ui::LParam lParam) {
    WlSetContext("WlAccept");
    // The thread that owns the window: its alerts answer, as if this ran on it.
    const auto info = ui::DescribeHandle(hWnd);
    const int thread = info ? info->thread : 0;
    const bool trace = WlSwitch("/debugWlAlert");
    int calls = 1;
    if (trace) {
        std::lock_guard lock(WinLinkLock());
        WlDebugWrite("Thread: " + Num(thread) + " Windows Message: " + Num(message) + " " + NameOf(message) +
                     " p1=" + Num(static_cast<long long>(wParam)) + " p2=" + Num(lParam) +
                     " handle=" + Num(static_cast<long long>(hWnd)));
    }
    calls = 2;
    AlertLock lock("WlAccept(" + Num(calls) + ")", thread);
    ThreadAlerts& t = Of(thread);
    const auto m = static_cast<std::int32_t>(message);
    const bool in_ma =
        std::find(t.alerted_messages.begin(), t.alerted_messages.end(), m) != t.alerted_messages.end();
    if (trace && in_ma) WlDebugWrite("Found message " + Num(m) + " in ma Queue");
    AlertEntry buffer{hWnd, m, 0, nullptr, 0, 0, 0};
    std::size_t position = 0;
    if (in_ma) {
        for (std::size_t i = t.queue.size(); i-- > 0;) {
            if (t.queue[i].handel == hWnd && t.queue[i].message == m) {
                buffer = t.queue[i];
                position = i + 1;
                break;
            }
        }
        if (trace && position) WlDebugWrite("Found message " + Num(m) + " in wa Queue");
    }
    bool alerted = position != 0;
    if (alerted && message == 15 && buffer.isclientarea) alerted = false;
    if (message == ui::WM_QUERYENDSESSION)
        WlDebugWrite("Check: WE::WM_QUERYENDSESSION: " + Num(buffer.message) + " =? " + Num(m) + " hnd: " +
                     Num(static_cast<long long>(buffer.handel)) + " =? " + Num(static_cast<long long>(hWnd)) +
                     " y=" + Num(static_cast<long long>(position)) + " vNoEndSession= 0");

    if (!alerted) {
        if (trace && message == 536) WlDebugWrite("Not an alerted Message " + Num(m));
        auto first = std::find_if(t.queue.begin(), t.queue.end(),
                                  [&](const AlertEntry& e) { return e.handel == hWnd; });
        if (first == t.queue.end()) {
            WlSetErrorDetail("WlAccept get on queue WA failed(2), wa:handel = " +
                             Num(static_cast<long long>(hWnd)));
            WlReportError(kWlErrAccept);
            return 0;
        }
        if (message == ui::WM_ENDSESSION && wParam != 0) {
            if (WlSessionHandler end = fp_EndSessionHandler) end(LogOff(lParam));
            return 0;
        }
        ui::WindowProc previous = first->returnto;
        lock.Release();
        return ui::CallWindowProc(previous, hWnd, message, wParam, lParam);
    }
    lock.Release();

    if (m != static_cast<std::int32_t>(kTaskbarCallbackMessage) && m != kTaskbarRestartMessage) {
        std::lock_guard guard(WinLinkLock());
        ThreadAlerts& tt = Of(thread);
        if (message == ui::WM_SYSCOMMAND) {
            tt.last_sys_command = static_cast<std::int32_t>(wParam);
        } else if (message == WM_WTSSESSION_CHANGE) {
            tt.last_wts_code = static_cast<std::int32_t>(wParam);
            tt.last_wts_session = static_cast<std::int32_t>(lParam);
        } else {
            tt.last_alerted_message = m;
        }
    }
    if (WlSwitch("/TovrelDebug")) {
        if (message == ui::WM_SYSCOMMAND) rt::sys::DebuggerOutput("WlAccept WE::WM_SYSCOMMAND\r\n");
        if (message == ui::WM_HELP) {
            rt::sys::DebuggerOutput("WlAccept WE::WM_HELP BEFORE PEEK\r\n");
            rt::sys::DebuggerOutput("WlAccept WE::WM_HELP AFTER PEEK\r\n");
        }
    }

    const WlSessionHandler end = fp_EndSessionHandler;
    const WlSessionHandler ok = fp_OkToEndSessionHandler;
    if (message == ui::WM_QUERYENDSESSION) {
        if (WlSwitch("/CheckshutDownStops")) {
            WlDebugWrite("  ShowStop2 : " + Address(end));
            // The runtime's stop cannot wait for an answer on the GUI thread: its text is
            // written as a line of its own.
            WlDebugWrite("fp_EndSessionHandler: " + Address(end));
        }
        if (end && ok) {
            const std::int32_t r = ok(LogOff(lParam));
            WlDebugWrite("  It's going down... the ship's going down..... " + Num(r) +
                         " thread: " + Num(thread) + " wa:thread " + Num(buffer.thread));
            if (r != 0) {
                WlDebugWrite("  Posting event....");
                WlPostAlertEvent(buffer, message, wParam, lParam);
                WlDebugWrite("  Returning(1)....");
                return 1;
            }
            WlPostAlertEvent(buffer, message, wParam, lParam);
            return 0;
        }
    } else if (message == ui::WM_ENDSESSION && wParam != 0) {
        if (end) end(LogOff(lParam));
        WlPostAlertEvent(buffer, message, wParam, lParam);
        return 0;
    }
    WlPostAlertEvent(buffer, message, wParam, lParam);
    if (buffer.action & kWaPassOn) return ui::CallWindowProc(buffer.returnto, hWnd, message, wParam, lParam);
    if (buffer.action & kWaAnswerOne) return 1;
    return 0;
}

namespace {
ThreadAlerts& Mine() { return Of(rt::thread_number()); }
}  // namespace

std::int32_t WlSysEvent(std::uint8_t clear) {
    WlSetContext("WlSysEvent");
    std::lock_guard lock(WinLinkLock());
    std::int32_t v = Mine().last_sys_command;
    if (clear) Mine().last_sys_command = 0;
    return v;
}

std::int32_t WlWtsEvent(std::uint8_t clear) {
    WlSetContext("WlWtsEvent");
    std::lock_guard lock(WinLinkLock());
    std::int32_t v = Mine().last_wts_code;
    if (clear) Mine().last_wts_code = 0;
    return v;
}

std::int32_t WlThreadWordA() {
    std::lock_guard lock(WinLinkLock());
    return Mine().last_wts_session;
}

std::int32_t WlThreadWordB() {
    std::lock_guard lock(WinLinkLock());
    return Mine().last_alerted_message;
}

std::vector<AlertEntry> AlertQueue() {
    std::lock_guard lock(WinLinkLock());
    return Mine().queue;
}

std::vector<std::int32_t> AlertedMessages() {
    std::lock_guard lock(WinLinkLock());
    return Mine().alerted_messages;
}
