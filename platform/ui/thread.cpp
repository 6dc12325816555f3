#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/core/process.h"
#include "platform/ui/queue.h"
#include "platform/ui/window.h"

#if __has_include(<pthread.h>)
#include <pthread.h>
#define KV_UI_PTHREAD 1
#endif

namespace rt::ui {
namespace {

// The procedures' frames need far more than the stack sizes the old program asked for
// (25,000 bytes), so a requested size is only a minimum.
constexpr std::size_t kMinStack = 8u << 20;

// Threads started and not yet gone. A thread counts until it has ended completely: after
// its procedure come its thread-local destructors (connections closed, files released) and
// the toolkit's own clean-up of the thread, and a process that ends while one of those runs
// destroys what they still use. So a thread is joined, not detached, and counted until then.
struct Running {
    std::mutex mutex;
    std::condition_variable cv;
    int count = 0;
#ifdef KV_UI_PTHREAD
    std::vector<pthread_t> ended;  // past their procedure, not yet joined
#endif
};

Running& running() {
    static Running r;
    return r;
}

#ifdef KV_UI_PTHREAD
// Joins the ended threads that are gone by now, without waiting for the others (the
// running mutex held).
void reap_locked(Running& r) {
    for (auto it = r.ended.begin(); it != r.ended.end();) {
        if (::pthread_tryjoin_np(*it, nullptr) == 0) {
            it = r.ended.erase(it);
            --r.count;
        } else {
            ++it;
        }
    }
}
#endif

struct Start {
    int number;
    std::function<void()> procedure;
    std::shared_ptr<detail::ThreadQueue> queue;
    bool joined = false;  // a joinable thread, counted until it is joined
};

void thread_body(std::unique_ptr<Start> s) {
    detail::install_thread_queue(s->queue);
    rt::run_procedure_thread(s->number, s->procedure);
    detail::unregister_queue(s->queue);
    const bool joined = s->joined;
    s.reset();
    auto& r = running();
    std::lock_guard lock(r.mutex);
#ifdef KV_UI_PTHREAD
    if (joined)
        r.ended.push_back(::pthread_self());
    else
        --r.count;
#else
    (void)joined;
    --r.count;
#endif
    r.cv.notify_all();
}

#ifdef KV_UI_PTHREAD
extern "C" void* start_routine(void* arg) {
    thread_body(std::unique_ptr<Start>(static_cast<Start*>(arg)));
    return nullptr;
}
#endif

}  // namespace

int rtl_start(std::function<void()> procedure, std::size_t stack_bytes) {
    auto s = std::make_unique<Start>();
    s->number = rt::next_thread_number();
    s->procedure = std::move(procedure);
    s->queue = std::make_shared<detail::ThreadQueue>();
    s->queue->number = s->number;
    // Registered before the thread runs, so that events posted to it at once are kept.
    detail::register_queue(s->queue);
    int number = s->number;
    {
        auto& r = running();
        std::lock_guard lock(r.mutex);
        ++r.count;
    }
#ifdef KV_UI_PTHREAD
    {
        // Threads that ended since the last start are joined now, so that their stacks do
        // not pile up in a program that runs all day.
        auto& r = running();
        std::lock_guard lock(r.mutex);
        reap_locked(r);
    }
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, std::max(stack_bytes, kMinStack));
    pthread_t t;
    s->joined = true;
    Start* raw = s.release();
    int rc = pthread_create(&t, &attr, &start_routine, raw);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        s.reset(raw);
        s->joined = false;
        std::thread(thread_body, std::move(s)).detach();
    }
#else
    (void)stack_bytes;
    std::thread(thread_body, std::move(s)).detach();
#endif
    return number;
}

bool WaitForThreads(int timeout_ms) {
    auto& r = running();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
    std::unique_lock lock(r.mutex);
    for (;;) {
#ifdef KV_UI_PTHREAD
        reap_locked(r);
#endif
        if (r.count == 0) return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
#ifdef KV_UI_PTHREAD
        // A thread past its procedure is gone within moments; it says nothing when it is.
        if (!r.ended.empty()) {
            r.cv.wait_for(lock, std::min<std::chrono::steady_clock::duration>(deadline - now,
                                                                              std::chrono::milliseconds(1)));
            continue;
        }
#endif
        r.cv.wait_until(lock, deadline);
    }
}

int RunningThreads() {
    auto& r = running();
    std::lock_guard lock(r.mutex);
#ifdef KV_UI_PTHREAD
    reap_locked(r);
#endif
    return r.count;
}

}  // namespace rt::ui
