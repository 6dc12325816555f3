#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

#include "platform/core/errors.h"
#include "platform/core/process.h"
#include "platform/ui/backend.h"
#include "platform/ui/queue.h"

namespace rt::ui {
namespace {

std::atomic<Backend*> g_backend{nullptr};
std::atomic<std::uint32_t> g_next_message{1};

// Message box requests waiting for their answer: id -> the asking thread's queue.
std::map<std::uint32_t, std::weak_ptr<detail::ThreadQueue>>& pending_locked() {
    static std::map<std::uint32_t, std::weak_ptr<detail::ThreadQueue>> m;
    return m;
}

std::vector<std::string> split_buttons(std::string_view buttons) {
    std::vector<std::string> v;
    if (buttons.empty()) return {"OK"};
    std::size_t start = 0;
    for (;;) {
        std::size_t bar = buttons.find('|', start);
        v.emplace_back(buttons.substr(start, bar == std::string_view::npos ? bar : bar - start));
        if (bar == std::string_view::npos) break;
        start = bar + 1;
    }
    return v;
}

}  // namespace

void SetBackend(Backend* backend) { g_backend.store(backend); }
Backend* GetBackend() { return g_backend.load(); }

void Beep() {
    if (Backend* b = GetBackend()) b->Beep();
}

void PrinterSetup() {
    if (Backend* b = GetBackend()) b->PrinterSetup(rt::thread_number());
}

namespace {

// Shows a request through the back end (`show` with the request's id and thread) and
// waits on the calling thread for its answer (other input for the thread stays queued);
// `name` receives a file dialog's answer.
int ShowAndWait(const std::function<void(std::uint32_t id, int thread)>& show, std::string* name = nullptr) {
    auto q = detail::current_queue();
    // The user sees the windows as the procedure left them behind the box.
    std::vector<Window*> windows;
    {
        std::lock_guard lock(detail::runtime_mutex());
        for (WindowId id : q->windows)
            if (Window* w = detail::open_window_locked(id)) windows.push_back(w);
    }
    for (Window* w : windows) detail::flush_window(*w);

    const std::uint32_t id = g_next_message.fetch_add(1);
    {
        std::lock_guard lock(detail::runtime_mutex());
        pending_locked()[id] = q;
    }
    show(id, q->number);

    std::unique_lock lock(detail::runtime_mutex());
    q->waiting = true;
    q->cv.wait(lock, [&] { return q->answers.count(id) != 0; });
    q->waiting = false;
    int answer = q->answers[id];
    q->answers.erase(id);
    if (auto it = q->names.find(id); it != q->names.end()) {
        if (name) *name = std::move(it->second);
        q->names.erase(it);
    }
    return answer;
}

int ShowAndWait(MessageRequest& r, bool popup, bool beep) {
    Backend* b = GetBackend();
    return ShowAndWait([&](std::uint32_t id, int thread) {
        r.id = id;
        r.thread = thread;
        if (beep) b->Beep();
        if (popup)
            b->ShowPopup(r);
        else
            b->ShowMessage(r);
    });
}

}  // namespace

int Message(std::string_view text, std::string_view caption, std::string_view icon, std::string_view buttons,
            int default_button) {
    MessageRequest r;
    r.text = std::string(text);
    r.caption = std::string(caption);
    r.icon = std::string(icon);
    r.buttons = split_buttons(buttons);
    int n = static_cast<int>(r.buttons.size());
    r.default_button = default_button < 1 || default_button > n ? 1 : default_button;
    if (!GetBackend()) return r.default_button;
    int answer = ShowAndWait(r, false, buttons.empty() && caption.empty() && icon.empty());
    // Anything outside the buttons counts as the last one, which is how a box that is
    // closed without a choice (Escape, its close box) answers.
    return answer >= 1 && answer <= n ? answer : n;
}

int PopupMenu(std::string_view menu) {
    if (!GetBackend() || menu.empty()) return 0;
    MessageRequest r;
    r.text = std::string(menu);
    int answer = ShowAndWait(r, true, false);
    return answer > 0 ? answer : 0;
}

bool FileDialog(std::string_view title, std::string& name, std::string_view mask, unsigned flags) {
    Backend* b = GetBackend();
    std::string chosen;
    int answer = 0;
    if (b) {
        FileDialogRequest r;
        r.title = std::string(title);
        r.mask = std::string(mask);
        r.start = name;
        r.flags = flags;
        answer = ShowAndWait(
            [&](std::uint32_t id, int thread) {
                r.id = id;
                r.thread = thread;
                b->ShowFileDialog(r);
            },
            &chosen);
    }
    if (answer == 1) {
        name = chosen;
        return true;
    }
    if (flags & FileDialogFlag::ClearOnCancel) name.clear();
    return false;
}

void DeliverFileName(std::uint32_t request_id, bool chosen, const std::string& name) {
    std::lock_guard lock(detail::runtime_mutex());
    auto& pending = pending_locked();
    auto it = pending.find(request_id);
    if (it == pending.end()) return;
    auto q = it->second.lock();
    pending.erase(it);
    if (!q) return;
    if (chosen) q->names[request_id] = name;
    q->answers[request_id] = chosen ? 1 : 0;
    q->cv.notify_all();
}

void DeliverAnswer(std::uint32_t message_id, int answer) {
    std::lock_guard lock(detail::runtime_mutex());
    auto& pending = pending_locked();
    auto it = pending.find(message_id);
    if (it == pending.end()) return;
    auto q = it->second.lock();
    pending.erase(it);
    if (!q) return;
    q->answers[message_id] = answer;
    q->cv.notify_all();
}

void WithdrawOtherThreadsMessages() {
    const int self = rt::thread_number();
    std::vector<int> threads;
    {
        std::lock_guard lock(detail::runtime_mutex());
        for (const auto& [id, weak] : pending_locked()) {
            auto q = weak.lock();
            if (q && q->number != self && std::find(threads.begin(), threads.end(), q->number) == threads.end())
                threads.push_back(q->number);
        }
    }
    if (Backend* b = GetBackend())
        for (int t : threads) b->WithdrawMessages(t);
}

void InstallErrorShower() {
    rt::ErrorManager::SetShower([](const rt::ShownMessage& m) {
        const char* icon = Icon::Asterisk;
        switch (m.kind) {
            case rt::MsgKind::Question: icon = Icon::Question; break;
            case rt::MsgKind::User: icon = Icon::Exclamation; break;
            case rt::MsgKind::Fatal: icon = Icon::Hand; break;
            default: break;
        }
        return Message(m.text, m.title, icon, m.buttons, m.default_button);
    });
}

}  // namespace rt::ui
