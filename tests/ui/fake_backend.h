// A back end for the window runtime's tests: records every call, and lets a test deliver
// input and answer message boxes as the user would.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/ui/backend.h"

namespace rt::ui::test {

class FakeBackend : public Backend {
public:
    FakeBackend() { SetBackend(this); }
    ~FakeBackend() override { SetBackend(nullptr); }

    void OpenWindow(const WindowState& state) override {
        record([&] { opened.push_back(state); });
    }
    void SyncWindow(const WindowState& delta) override {
        record([&] { synced.push_back(delta); });
    }
    void CloseWindow(WindowId id) override {
        record([&] { closed.push_back(id); });
    }
    void ShowMessage(const MessageRequest& request) override {
        record([&] { messages.push_back(request); });
        if (auto_answer) DeliverAnswer(request.id, auto_answer(request));
    }
    void Beep() override {
        record([&] { ++beeps; });
    }
    void PrinterSetup(int thread) override {
        record([&] { printer_setups.push_back(thread); });
    }

    // Answers every message box at once when set.
    std::function<int(const MessageRequest&)> auto_answer;

    // Blocks until `ready` holds for the recorded calls (a guard against a hang, not a
    // measure: it gives up after a minute and the caller's expectations then fail).
    template <typename Pred>
    bool WaitFor(Pred ready) {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, std::chrono::minutes(1), [&] { return ready(); });
    }
    // The n-th message box request (0-based), once it has been shown.
    std::optional<MessageRequest> WaitForMessage(std::size_t n = 0) {
        if (!WaitFor([&] { return messages.size() > n; })) return std::nullopt;
        std::lock_guard lock(mutex);
        return messages[n];
    }
    std::optional<WindowState> WaitForOpen(std::size_t n = 0) {
        if (!WaitFor([&] { return opened.size() > n; })) return std::nullopt;
        std::lock_guard lock(mutex);
        return opened[n];
    }

    // Everything recorded, under `mutex`.
    std::mutex mutex;
    std::vector<WindowState> opened, synced;
    std::vector<WindowId> closed;
    std::vector<MessageRequest> messages;
    std::vector<int> printer_setups;
    int beeps = 0;

private:
    template <typename F>
    void record(F f) {
        {
            std::lock_guard lock(mutex);
            f();
        }
        cv.notify_all();
    }
    std::condition_variable cv;
};

}  // namespace rt::ui::test
