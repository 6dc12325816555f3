#include "platform/ui/queue.h"

#include <utility>

#include "platform/core/process.h"

namespace rt::ui {
namespace detail {
namespace {

struct OpenWindow {
    std::shared_ptr<ThreadQueue> queue;
    Window* window = nullptr;
};

struct Registry {
    std::mutex mutex;
    std::map<int, std::shared_ptr<ThreadQueue>> queues;  // by thread number
    std::map<WindowId, OpenWindow> windows;
    WindowId focused = 0;
};

Registry& registry() {
    static Registry r;
    return r;
}

thread_local std::shared_ptr<ThreadQueue> t_queue;

}  // namespace

std::mutex& runtime_mutex() { return registry().mutex; }

std::shared_ptr<ThreadQueue> current_queue() {
    auto& r = registry();
    int n = rt::thread_number();
    std::lock_guard lock(r.mutex);
    if (!t_queue) {
        t_queue = std::make_shared<ThreadQueue>();
        t_queue->number = n;
        if (n) r.queues[n] = t_queue;
    } else if (t_queue->number != n) {
        // The thread was given its runtime number after it first used the runtime.
        auto it = r.queues.find(t_queue->number);
        if (it != r.queues.end() && it->second == t_queue) r.queues.erase(it);
        t_queue->number = n;
        if (n) r.queues[n] = t_queue;
    }
    return t_queue;
}

std::shared_ptr<ThreadQueue> queue_of_locked(int thread) {
    auto& r = registry();
    auto it = r.queues.find(thread);
    return it == r.queues.end() ? nullptr : it->second;
}

void install_thread_queue(const std::shared_ptr<ThreadQueue>& q) { t_queue = q; }

void register_queue(const std::shared_ptr<ThreadQueue>& q) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.queues[q->number] = q;
}

void unregister_queue(const std::shared_ptr<ThreadQueue>& q) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.queues.find(q->number);
    if (it != r.queues.end() && it->second == q) r.queues.erase(it);
    q->events.clear();
    if (t_queue == q) t_queue.reset();
}

void add_open_window_locked(WindowId id, const std::shared_ptr<ThreadQueue>& q, Window* w) {
    registry().windows[id] = {q, w};
}

void remove_open_window_locked(WindowId id) {
    auto& r = registry();
    r.windows.erase(id);
    if (r.focused == id) r.focused = 0;
}

Window* open_window_locked(WindowId id) {
    auto& r = registry();
    auto it = r.windows.find(id);
    return it == r.windows.end() ? nullptr : it->second.window;
}

std::shared_ptr<ThreadQueue> window_queue_locked(WindowId id) {
    auto& r = registry();
    auto it = r.windows.find(id);
    return it == r.windows.end() ? nullptr : it->second.queue;
}

void set_focused_locked(WindowId id) { registry().focused = id; }

WindowId focused_locked() { return registry().focused; }

}  // namespace detail

Window* ActiveWindow() {
    auto q = detail::current_queue();
    std::lock_guard lock(detail::runtime_mutex());
    return q->windows.empty() ? nullptr : detail::open_window_locked(q->windows.back());
}

WindowId FocusedWindow() {
    std::lock_guard lock(detail::runtime_mutex());
    return detail::focused_locked();
}

int WindowThread(WindowId window) {
    std::lock_guard lock(detail::runtime_mutex());
    auto q = detail::window_queue_locked(window);
    return q ? q->number : 0;
}

void Deliver(WindowId window, const InputEvent& input) {
    std::lock_guard lock(detail::runtime_mutex());
    auto q = detail::window_queue_locked(window);
    if (!q) return;  // closed meanwhile: the input has nobody to go to
    if (input.event == Event::GainFocus) detail::set_focused_locked(window);
    q->events.push_back({window, true, input});
    q->cv.notify_all();
}

void rtl_post(int event, int feq, int thread) {
    std::shared_ptr<detail::ThreadQueue> q;
    if (thread == 0 || thread == rt::thread_number()) q = detail::current_queue();
    std::lock_guard lock(detail::runtime_mutex());
    if (!q) q = detail::queue_of_locked(thread);
    if (!q) return;  // no such thread (never started or ended)
    InputEvent ev;
    ev.event = event;
    ev.feq = feq;
    // To the active window; a thread without one gets it in its next window.
    q->events.push_back({q->windows.empty() ? 0 : q->windows.back(), false, ev});
    q->cv.notify_all();
}

int rtl_thread() { return rt::thread_number(); }

}  // namespace rt::ui
