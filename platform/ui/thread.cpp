#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

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

struct Running {
    std::mutex mutex;
    std::condition_variable cv;
    int count = 0;
};

Running& running() {
    static Running r;
    return r;
}

struct Start {
    int number;
    std::function<void()> procedure;
    std::shared_ptr<detail::ThreadQueue> queue;
};

void thread_body(std::unique_ptr<Start> s) {
    detail::install_thread_queue(s->queue);
    rt::run_procedure_thread(s->number, s->procedure);
    detail::unregister_queue(s->queue);
    s.reset();
    auto& r = running();
    std::lock_guard lock(r.mutex);
    --r.count;
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
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, std::max(stack_bytes, kMinStack));
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t t;
    Start* raw = s.release();
    int rc = pthread_create(&t, &attr, &start_routine, raw);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        s.reset(raw);
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
    std::unique_lock lock(r.mutex);
    return r.cv.wait_for(lock, std::chrono::milliseconds(std::max(timeout_ms, 0)),
                         [&] { return r.count == 0; });
}

int RunningThreads() {
    auto& r = running();
    std::lock_guard lock(r.mutex);
    return r.count;
}

}  // namespace rt::ui
