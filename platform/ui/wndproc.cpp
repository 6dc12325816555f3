#include "platform/ui/wndproc.h"

#include <map>
#include <mutex>
#include <utility>

namespace rt::ui {
namespace {

struct HandleRec {
    HandleInfo info;
    WindowProc proc = &DefaultWindowProc;
};

struct Handles {
    std::mutex mutex;
    std::map<Handle, HandleRec> by_handle;
    std::map<std::pair<WindowId, int>, Handle> window_handles;  // feq 0: window
    std::map<WindowId, Handle> client_handles;
    Handle next = 0x100;
};

Handles& handles() {
    static Handles h;
    return h;
}

}  // namespace

LResult DefaultWindowProc(Handle, std::uint32_t, WParam, LParam) { return kDefaultHandling; }

WindowProc GetWindowProc(Handle handle) {
    auto& h = handles();
    std::lock_guard lock(h.mutex);
    auto it = h.by_handle.find(handle);
    return it == h.by_handle.end() ? nullptr : it->second.proc;
}

WindowProc SetWindowProc(Handle handle, WindowProc procedure) {
    auto& h = handles();
    std::lock_guard lock(h.mutex);
    auto it = h.by_handle.find(handle);
    if (it == h.by_handle.end()) return nullptr;
    return std::exchange(it->second.proc, procedure ? procedure : &DefaultWindowProc);
}

LResult CallWindowProc(WindowProc previous, Handle handle, std::uint32_t message, WParam wparam,
                       LParam lparam) {
    return previous ? previous(handle, message, wparam, lparam) : 0;
}

LResult DispatchNative(Handle handle, std::uint32_t message, WParam wparam, LParam lparam,
                       bool* pass_to_widget) {
    // The procedure runs without the lock: it may install or restore procedures itself.
    WindowProc proc = GetWindowProc(handle);
    LResult r = proc ? proc(handle, message, wparam, lparam) : kDefaultHandling;
    if (pass_to_widget) *pass_to_widget = r == kDefaultHandling;
    return r;
}

Handle WindowHandle(WindowId window) { return ControlHandle(window, 0); }

Handle ClientHandle(WindowId window) {
    auto& h = handles();
    std::lock_guard lock(h.mutex);
    auto it = h.client_handles.find(window);
    return it == h.client_handles.end() ? 0 : it->second;
}

Handle ControlHandle(WindowId window, int feq) {
    auto& h = handles();
    std::lock_guard lock(h.mutex);
    auto it = h.window_handles.find({window, feq});
    return it == h.window_handles.end() ? 0 : it->second;
}

std::optional<HandleInfo> DescribeHandle(Handle handle) {
    auto& h = handles();
    std::lock_guard lock(h.mutex);
    auto it = h.by_handle.find(handle);
    if (it == h.by_handle.end()) return std::nullopt;
    return it->second.info;
}

Handle NewHandle(const HandleInfo& info) {
    auto& h = handles();
    std::lock_guard lock(h.mutex);
    Handle handle = h.next++;
    h.by_handle[handle] = HandleRec{info};
    if (info.client)
        h.client_handles[info.window] = handle;
    else
        h.window_handles[{info.window, info.feq}] = handle;
    return handle;
}

void ReleaseHandles(WindowId window) {
    auto& h = handles();
    std::lock_guard lock(h.mutex);
    for (auto it = h.by_handle.begin(); it != h.by_handle.end();) {
        if (it->second.info.window == window)
            it = h.by_handle.erase(it);
        else
            ++it;
    }
    h.client_handles.erase(window);
    for (auto it = h.window_handles.lower_bound({window, INT32_MIN});
         it != h.window_handles.end() && it->first.first == window;)
        it = h.window_handles.erase(it);
}

}  // namespace rt::ui
