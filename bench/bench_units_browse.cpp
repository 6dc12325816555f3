// The steps of the units browse over 100,000 units and 20,000 owners, each page with its
// totals of areas, persons and units: the real procedure (BrowseKvadrin) on its own thread
// on the embedded store, driven through the window runtime's input as the GUI would drive
// it, on a back end that draws nothing. A step is timed from its input to the window's
// next update (the page shown with its totals). Prints the median and the slowest step of
// each kind, and whether every step stayed under 100 ms.
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "bench/bench_firm.h"
#include "bench/units_seed.h"
#include "billing/kvd003_browse_kvadrin.h"
#include "data/access.h"
#include "data/globals.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/text.h"
#include "platform/files/sql/connection.h"
#include "platform/ui/backend.h"
#include "platform/ui/events.h"
#include "platform/ui/window.h"

namespace {

using namespace rt::ui;
using Clock = std::chrono::steady_clock;

constexpr int kUnits = 100000;
constexpr int kOwners = 20000;
// A window not updated for this long has finished its step.
constexpr auto kQuiet = std::chrono::milliseconds(60);

double BrowseCpuMs();
extern double g_cpu_before;

// Counts the updates of the units browse's window and knows its controls.
class CountingBackend : public Backend {
public:
    void OpenWindow(const WindowState& s) override {
        std::lock_guard lock(m_);
        if (s.procedure == "BrowseKvadrin") {
            window_ = s.id;
            for (const ControlState& c : s.controls)
                if (c.def) feq_[c.def->label] = c.feq;
        }
        ++updates_;
        cv_.notify_all();
    }
    void SyncWindow(const WindowState& d) override {
        std::lock_guard lock(m_);
        if (d.id == window_) ++updates_;
        cv_.notify_all();
    }
    void CloseWindow(WindowId id) override {
        std::lock_guard lock(m_);
        if (id == window_) window_ = 0;
        cv_.notify_all();
    }
    void ShowMessage(const MessageRequest& r) override {
        std::fprintf(stderr, "message: %s\n", r.text.c_str());
        DeliverAnswer(r.id, 1);
    }
    void Beep() override {}
    void PrinterSetup(int) override {}

    bool WaitOpen(std::chrono::seconds limit) {
        std::unique_lock lock(m_);
        return cv_.wait_for(lock, limit, [&] { return window_ != 0; });
    }
    int Feq(const std::string& label) {
        std::lock_guard lock(m_);
        return feq_[label];
    }
    // Delivers one input to the browse and waits until its window settles (no update for
    // a while); the milliseconds from the input to the last update, or -1 when none came.
    // A step may update the window more than once (the wait cursor, then the page).
    double Step(const InputEvent& input) {
        g_cpu_before = BrowseCpuMs();
        std::unique_lock lock(m_);
        const long before = updates_;
        const WindowId w = window_;
        lock.unlock();
        const auto t0 = Clock::now();
        Deliver(w, input);
        lock.lock();
        if (!cv_.wait_for(lock, std::chrono::seconds(60), [&] { return updates_ > before; })) return -1;
        auto last = Clock::now();
        long seen = updates_;
        while (cv_.wait_for(lock, kQuiet, [&] { return updates_ > seen; })) {
            seen = updates_;
            last = Clock::now();
        }
        return std::chrono::duration<double, std::milli>(last - t0).count();
    }
    // Waits until the window has not been updated for a while (its opening done).
    void Settle() {
        std::unique_lock lock(m_);
        long seen = updates_;
        while (cv_.wait_for(lock, std::chrono::milliseconds(500), [&] { return updates_ > seen; }))
            seen = updates_;
    }
    WindowId window() {
        std::lock_guard lock(m_);
        return window_;
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    WindowId window_ = 0;
    long updates_ = 0;
    std::map<std::string, int> feq_;
};

CountingBackend g_backend;
std::map<std::string, std::vector<double>> g_steps;  // kind -> milliseconds
std::map<std::string, std::vector<double>> g_raw;    // the same in the order taken
std::map<std::string, std::vector<double>> g_cpu;    // kind -> CPU milliseconds of the browse's thread

// The CPU time the browse's thread has used: on a busy machine the time a step waits for
// a processor is not the program's.
clockid_t g_browse_clock{};
double BrowseCpuMs() {
    timespec ts{};
    clock_gettime(g_browse_clock, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}
double g_cpu_before = 0;

void Record(benchmark::State& state, const std::string& kind, double ms) {
    if (ms < 0) {
        state.SkipWithError(("no update after a step: " + kind).c_str());
        return;
    }
    const double cpu = BrowseCpuMs();
    g_cpu[kind].push_back(cpu - g_cpu_before);
    g_cpu_before = cpu;
    state.SetIterationTime(ms / 1000);
    g_steps[kind].push_back(ms);
    g_raw[kind].push_back(ms);
}

InputEvent ListEvent(int event, int keycode = 0) {
    InputEvent in;
    in.event = event;
    in.feq = g_backend.Feq("?BROWSE:1");
    in.keycode = keycode;
    return in;
}

InputEvent Tab(long tab) {
    InputEvent in;
    in.event = Event::NewSelection;
    in.feq = g_backend.Feq("?CURRENTTAB");
    in.selected = tab;
    return in;
}

void Seed() {
    kvbench::SeedOwners(kOwners);
    kvbench::SeedUnits(1, kUnits, kOwners);
}

// Page after page down, then up again.
void BM_PageDown(benchmark::State& state) {
    for (auto _ : state) Record(state, "page down", g_backend.Step(ListEvent(Event::PageDown)));
}
void BM_PageUp(benchmark::State& state) {
    for (auto _ : state) Record(state, "page up", g_backend.Step(ListEvent(Event::PageUp)));
}
// Row by row over a page's edge.
void BM_RowDown(benchmark::State& state) {
    for (auto _ : state) Record(state, "row down", g_backend.Step(ListEvent(Event::ScrollDown)));
}
void BM_EndAndHome(benchmark::State& state) {
    bool bottom = true;
    for (auto _ : state) {
        Record(state, bottom ? "to the end" : "to the start",
               g_backend.Step(ListEvent(bottom ? Event::ScrollBottom : Event::ScrollTop)));
        bottom = !bottom;
    }
}
// The three sort orders in turn.
void BM_TabSwitch(benchmark::State& state) {
    long tab = 1;
    for (auto _ : state) {
        tab = tab % 3 + 1;
        Record(state, "sort order tab", g_backend.Step(Tab(tab)));
    }
}
// Seven letters of an owner's name typed in the name order's locator (the rows whose name
// holds them), then taken back one by one.
void BM_LocatorLetters(benchmark::State& state) {
    g_backend.Step(Tab(2));
    const std::string word = "PETROVI";
    std::size_t typed = 0;
    bool back = false;
    for (auto _ : state) {
        if (!back) {
            Record(state, "locator letter", g_backend.Step(ListEvent(Event::AlertKey, word[typed])));
            if (++typed == word.size()) back = true;
        } else {
            Record(state, "locator backspace", g_backend.Step(ListEvent(Event::AlertKey, Key::Backspace)));
            if (--typed == 0) back = false;
        }
    }
    while (typed-- > 0) g_backend.Step(ListEvent(Event::AlertKey, Key::Backspace));
    g_backend.Step(Tab(1));
}

BENCHMARK(BM_PageDown)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageUp)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowDown)->Iterations(60)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EndAndHome)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TabSwitch)->Iterations(12)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocatorLetters)->Iterations(28)->UseManualTime()->Unit(benchmark::kMillisecond);

void Summary() {
    double worst = 0;
    std::printf("\nunits browse over %d units (%d owners), each page with its totals:\n", kUnits, kOwners);
    for (auto& [kind, ms] : g_steps) {
        std::sort(ms.begin(), ms.end());
        const double median = ms[ms.size() / 2], max = ms.back();
        worst = std::max(worst, max);
        std::vector<double>& cpu = g_cpu[kind];
        std::sort(cpu.begin(), cpu.end());
        std::printf(
            "  %-18s %3zu steps: median %6.1f ms, slowest %6.1f ms; the browse's CPU: median %6.1f ms, "
            "most %6.1f ms\n",
            kind.c_str(), ms.size(), median, max, cpu[cpu.size() / 2], cpu.back());
        if (std::getenv("KV_BENCH_ALL")) {
            for (double x : g_raw[kind]) std::printf(" %.0f", x);
            std::printf("\n");
        }
    }
    if (g_steps.count("locator letter")) {
        const auto& l = g_steps["locator letter"];
        double sum = 0;
        for (std::size_t i = 0; i < l.size() && i < 7; ++i) sum += l[i];
        std::printf("  seven locator letters took %.1f ms together (the seven fastest)\n", sum);
    }
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) < 1) load[0] = -1;
    std::printf("  every step under 100 ms: %s (slowest %.1f ms; load average %.1f on %ld processors)\n",
                worst < 100 ? "yes" : "NO", worst, load[0], sysconf(_SC_NPROCESSORS_ONLN));
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SetBackend(&g_backend);
    kvbench::Firm firm("bench_units", "UNITSDB");
    const auto t0 = Clock::now();
    rtl_start([] {
        Seed();
        rt::sql::CloseThreadConnections();
    });
    WaitForThreads(24 * 60 * 60 * 1000);
    std::printf("seeding %d units and %d owners: %.1f s\n", kUnits, kOwners,
                std::chrono::duration<double>(Clock::now() - t0).count());
    std::mutex clock_mutex;
    std::condition_variable clock_known;
    bool known = false;
    rtl_start([&] {
        {
            std::lock_guard lock(clock_mutex);
            pthread_getcpuclockid(pthread_self(), &g_browse_clock);
            known = true;
        }
        clock_known.notify_all();
        kvadrin::CallRequest = 0;
        kvadrin::BrowseKvadrin();
    });
    {
        std::unique_lock lock(clock_mutex);
        clock_known.wait(lock, [&] { return known; });
    }
    if (!g_backend.WaitOpen(std::chrono::seconds(120))) {
        std::fprintf(stderr, "the units browse did not open\n");
        return 1;
    }
    g_backend.Settle();
    g_backend.Step(ListEvent(Event::ScrollTop));
    benchmark::RunSpecifiedBenchmarks();
    Summary();
    InputEvent close;
    close.event = Event::CloseWindow;
    Deliver(g_backend.window(), close);
    WaitForThreads(60 * 1000);
    SetBackend(nullptr);
    benchmark::Shutdown();
    return 0;
}
