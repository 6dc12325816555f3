// Internal to the window runtime: the per-thread event queues and the registry of open
// windows. One process-wide mutex guards every queue and the registry; each thread
// waits on its own condition variable (in Accept and for a message box's answer).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/backend.h"

namespace rt::ui::detail {

struct QueuedEvent {
    WindowId window = 0;  // 0: the thread's active window when it next accepts
    bool input = false;   // from the back end (applied to the window's state)
    InputEvent ev;
};

struct ThreadQueue {
    int number = 0;
    std::condition_variable cv;
    std::deque<QueuedEvent> events;
    std::vector<WindowId> windows;               // open windows, oldest first
    std::map<std::uint32_t, int> answers;        // message box answers by request id
    std::map<std::uint32_t, std::string> names;  // file dialog answers by request id
    bool waiting = false;                        // blocked for input (Accept or a message box)
};

std::mutex& runtime_mutex();

// The registered UseResolver's binding for a USE name (unbound without a resolver).
Binding resolve_use(std::string_view name);

// The calling thread's queue, created on first use and registered under its number.
std::shared_ptr<ThreadQueue> current_queue();
// A thread's queue by number; null when that thread has none. Lock held.
std::shared_ptr<ThreadQueue> queue_of_locked(int thread);

// Threads started by rtl_start: the queue exists before the thread runs.
void install_thread_queue(const std::shared_ptr<ThreadQueue>& q);  // on the new thread
void register_queue(const std::shared_ptr<ThreadQueue>& q);
void unregister_queue(const std::shared_ptr<ThreadQueue>& q);

// Open windows. Lock held for all of these.
void add_open_window_locked(WindowId id, const std::shared_ptr<ThreadQueue>& q, Window* w);
void remove_open_window_locked(WindowId id);
Window* open_window_locked(WindowId id);
std::shared_ptr<ThreadQueue> window_queue_locked(WindowId id);

// Sends a window's pending changes to the back end (from its own thread).
void flush_window(Window& w);

// The window last reported with GainFocus (or opened last).
void set_focused_locked(WindowId id);
WindowId focused_locked();

}  // namespace rt::ui::detail
