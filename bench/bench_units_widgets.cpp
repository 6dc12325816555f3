// The units register with the real Qt widgets (QT_QPA_PLATFORM=offscreen): the program's
// start-up and GUI server, the real procedure (BrowseKvadrin) on its own thread. Measures
// the opening, from the start of the register's thread (the menu's choice starts it) to its
// list's first page painted, for a bare window of five controls (the baseline), for 5 and
// for 10,000 units; then every browse step over 100,000 units, from its input to the
// list's page painted. Prints the median and the slowest of each kind, with the load.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QEvent>
#include <QMetaObject>
#include <QTreeView>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_firm.h"
#include "bench/bare_window.h"
#include "bench/units_seed.h"
#include "billing/kvd003_browse_kvadrin.h"
#include "billing/startup.h"
#include "data/globals.h"
#include "data/program_objects.h"
#include "platform/files/sql/connection.h"
#include "platform/qt/gui_server.h"
#include "platform/qt/qt_window.h"
#include "platform/ui/events.h"
#include "platform/ui/window.h"
#include "shell/procedure.h"

namespace {

using namespace rt::ui;
using Clock = std::chrono::steady_clock;

constexpr int kOwners = 20000;
constexpr auto kQuiet = std::chrono::milliseconds(60);

// Sees every paint of a list on the GUI thread: the paint is carried out inside the filter,
// so that its end is known.
class PaintWatch : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || inside_ || !watched->isWidgetType()) return false;
        auto* view = qobject_cast<QTreeView*>(static_cast<QWidget*>(watched)->parentWidget());
        if (!view || view->viewport() != watched || view->objectName() != QStringLiteral("?BROWSE:1") ||
            !view->model() || view->model()->rowCount() == 0)
            return false;
        inside_ = true;
        QCoreApplication::sendEvent(watched, event);
        inside_ = false;
        {
            std::lock_guard lock(m_);
            ++paints_;
            last_ = Clock::now();
        }
        cv_.notify_all();
        return true;
    }
    long paints() {
        std::lock_guard lock(m_);
        return paints_;
    }
    // The end of the first paint after `before` paints, then of the last one until the list
    // is quiet; false when none came.
    bool Wait(long before, Clock::time_point& first, Clock::time_point& last,
              std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        std::unique_lock lock(m_);
        if (!cv_.wait_for(lock, limit, [&] { return paints_ > before; })) return false;
        first = last = last_;
        long seen = paints_;
        while (cv_.wait_for(lock, kQuiet, [&] { return paints_ > seen; })) {
            seen = paints_;
            last = last_;
        }
        return true;
    }

private:
    bool inside_ = false;
    std::mutex m_;
    std::condition_variable cv_;
    long paints_ = 0;
    Clock::time_point last_;
};

PaintWatch* g_watch = nullptr;
std::map<std::string, std::vector<double>> g_ms;

template <typename F>
void OnGui(F f) {
    QMetaObject::invokeMethod(rt::qt::Server(), f, Qt::BlockingQueuedConnection);
}

// The units window's id and the numbers of its list and tabs (0 when it is not open).
struct Units {
    WindowId id = 0;
    int list = 0, tabs = 0;
};
Units FindUnits() {
    Units u;
    OnGui([&] {
        rt::qt::QtWindow* w = rt::qt::Server()->FindWindow("BrowseKvadrin");
        if (!w || !w->top()) return;
        u.id = w->id();
        for (QWidget* c : w->top()->findChildren<QWidget*>()) {
            if (c->objectName() == QStringLiteral("?BROWSE:1"))
                u.list = c->property(rt::qt::kControlProperty).toInt();
            if (c->objectName() == QStringLiteral("?CURRENTTAB"))
                u.tabs = c->property(rt::qt::kControlProperty).toInt();
        }
    });
    return u;
}

void CloseUnits() {
    const Units u = FindUnits();
    InputEvent close;
    close.event = Event::CloseWindow;
    Deliver(u.id, close);
    WaitForThreads(60 * 1000);
}

// Seeds on a procedure thread of its own and waits for it.
template <typename F>
void SeedOnThread(F f) {
    rtl_start([f] {
        f();
        rt::sql::CloseThreadConnections();
    });
    WaitForThreads(24 * 60 * 60 * 1000);
}

// The register's thread started, as the menu's choice starts it; the milliseconds until
// its list's first page was painted.
double OpenUnits() {
    const long before = g_watch->paints();
    const auto t0 = Clock::now();
    rtl_start([] {
        kvadrin::CallRequest = 0;
        kvadrin::BrowseKvadrin();
    });
    Clock::time_point first, last;
    if (!g_watch->Wait(before, first, last)) return -1;
    return std::chrono::duration<double, std::milli>(first - t0).count();
}

double OpenBare() {
    const long before = g_watch->paints();
    const auto t0 = Clock::now();
    std::atomic<WindowId> id{0};
    rtl_start([&id] {
        Window w(kvbench::BareDef());
        w.SetRows(w.Feq("?BROWSE:1"), {{"1"}, {"2"}});
        w.Open();
        id = w.id();
        while (w.Accept())
            if (w.event() == Event::CloseWindow) break;
        w.Close();
    });
    Clock::time_point first, last;
    const bool painted = g_watch->Wait(before, first, last);
    while (id == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    InputEvent close;
    close.event = Event::CloseWindow;
    Deliver(id, close);
    WaitForThreads(60 * 1000);
    return painted ? std::chrono::duration<double, std::milli>(first - t0).count() : -1;
}

void BM_OpenBareWindow(benchmark::State& state) {
    for (auto _ : state) {
        const double ms = OpenBare();
        state.SetIterationTime(ms / 1000);
        g_ms["open: bare window of 5 controls"].push_back(ms);
    }
}

void OpenAndClose(benchmark::State& state, const std::string& kind) {
    for (auto _ : state) {
        const double ms = OpenUnits();
        if (ms < 0) {
            state.SkipWithError("the units list was not painted");
            return;
        }
        state.SetIterationTime(ms / 1000);
        g_ms[kind].push_back(ms);
        CloseUnits();
    }
}
void BM_OpenUnits5(benchmark::State& state) {
    SeedOnThread([] {
        kvbench::SeedOwners(kOwners);
        kvbench::SeedUnits(1, 5, kOwners);
    });
    OpenAndClose(state, "open: units register, 5 units");
}
void BM_OpenUnits10k(benchmark::State& state) {
    SeedOnThread([] { kvbench::SeedUnits(6, 10000, kOwners); });
    OpenAndClose(state, "open: units register, 10,000 units");
}

Units g_open;
std::map<std::string, int> g_unpainted;  // steps after which the list was not painted

// One input to the open register; the milliseconds until its list is painted and quiet.
double Step(const InputEvent& input) {
    const long before = g_watch->paints();
    const auto t0 = Clock::now();
    Deliver(g_open.id, input);
    Clock::time_point first, last;
    // A step that changes nothing on the list paints nothing.
    if (!g_watch->Wait(before, first, last, std::chrono::seconds(3))) return -1;
    return std::chrono::duration<double, std::milli>(last - t0).count();
}
InputEvent ListEvent(int event, int keycode = 0) {
    InputEvent in;
    in.event = event;
    in.feq = g_open.list;
    in.keycode = keycode;
    return in;
}
InputEvent Tab(long tab) {
    InputEvent in;
    in.event = Event::NewSelection;
    in.feq = g_open.tabs;
    in.selected = tab;
    return in;
}
void Record(benchmark::State& state, const std::string& kind, double ms) {
    if (ms < 0) {
        ++g_unpainted[kind];
        state.SetIterationTime(0);
        return;
    }
    state.SetIterationTime(ms / 1000);
    g_ms["step: " + kind].push_back(ms);
}

void BM_PageDown(benchmark::State& state) {
    // The steps run over 100,000 units in a register that stays open.
    const auto t0 = Clock::now();
    SeedOnThread([] { kvbench::SeedUnits(10001, 100000, kOwners); });
    std::printf("seeding up to 100,000 units: %.1f s\n",
                std::chrono::duration<double>(Clock::now() - t0).count());
    if (OpenUnits() < 0) {
        state.SkipWithError("the units register did not open");
        return;
    }
    g_open = FindUnits();
    Step(ListEvent(Event::ScrollTop));
    for (auto _ : state) Record(state, "page down", Step(ListEvent(Event::PageDown)));
}
void BM_PageUp(benchmark::State& state) {
    for (auto _ : state) Record(state, "page up", Step(ListEvent(Event::PageUp)));
}
void BM_RowDown(benchmark::State& state) {
    for (auto _ : state) Record(state, "row down", Step(ListEvent(Event::ScrollDown)));
}
void BM_EndAndHome(benchmark::State& state) {
    bool bottom = true;
    for (auto _ : state) {
        Record(state, bottom ? "to the end" : "to the start",
               Step(ListEvent(bottom ? Event::ScrollBottom : Event::ScrollTop)));
        bottom = !bottom;
    }
}
void BM_TabSwitch(benchmark::State& state) {
    long tab = 1;
    for (auto _ : state) {
        tab = tab % 3 + 1;
        Record(state, "sort order tab", Step(Tab(tab)));
    }
}
void BM_LocatorLetters(benchmark::State& state) {
    Step(Tab(2));
    const std::string word = "PETROVI";
    std::size_t typed = 0;
    bool back = false;
    for (auto _ : state) {
        if (!back) {
            Record(state, "locator letter", Step(ListEvent(Event::AlertKey, word[typed])));
            if (++typed == word.size()) back = true;
        } else {
            Record(state, "locator backspace", Step(ListEvent(Event::AlertKey, Key::Backspace)));
            if (--typed == 0) back = false;
        }
    }
    while (typed-- > 0) Step(ListEvent(Event::AlertKey, Key::Backspace));
    Step(Tab(1));
}

void Summary() {
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) < 1) load[0] = -1;
    std::printf(
        "\nthe units register with the real widgets (offscreen), load average %.1f on %ld processors:\n",
        load[0], sysconf(_SC_NPROCESSORS_ONLN));
    for (auto& [kind, ms] : g_ms) {
        std::sort(ms.begin(), ms.end());
        std::printf("  %-40s %3zu times: median %6.1f ms, fastest %6.1f ms, slowest %6.1f ms\n", kind.c_str(),
                    ms.size(), ms[ms.size() / 2], ms.front(), ms.back());
    }
    for (const auto& [kind, n] : g_unpainted)
        std::printf("  %s: %d steps painted nothing\n", kind.c_str(), n);
}

int RunBench() {
    auto add = [](const char* name, void (*f)(benchmark::State&), int iterations) {
        benchmark::RegisterBenchmark(name, f)
            ->Iterations(iterations)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    };
    add("BM_OpenBareWindow", BM_OpenBareWindow, 15);
    add("BM_OpenUnits5", BM_OpenUnits5, 15);
    add("BM_OpenUnits10k", BM_OpenUnits10k, 15);
    add("BM_PageDown", BM_PageDown, 40);
    add("BM_PageUp", BM_PageUp, 40);
    add("BM_RowDown", BM_RowDown, 60);
    add("BM_EndAndHome", BM_EndAndHome, 10);
    add("BM_TabSwitch", BM_TabSwitch, 12);
    add("BM_LocatorLetters", BM_LocatorLetters, 28);
    benchmark::RunSpecifiedBenchmarks();
    if (g_open.id) CloseUnits();
    Summary();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    kvadrin::StartUp();
    kvbench::Firm firm("bench_widgets", "UNITSDB");
    const int code = rt::qt::StartGui(argc, argv, [&] {
        OnGui([] {
            g_watch = new PaintWatch;
            qApp->installEventFilter(g_watch);
        });
        return RunBench();
    });
    benchmark::Shutdown();
    return code;
}
