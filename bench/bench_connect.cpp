// The whole program on the demo firm with the real Qt widgets (offscreen): the program's own
// start-up and main procedure run as the program runs them.
//
// Connect: each run times from the press of "&Connect" (a mouse click, or Alt+C) until the
// frame has painted. The baseline of the same run is the toolkit's own animated press of
// the button, which is how a hot key pressed it before.
//
// The units register from the frame's menu: with the frame up, each run times from the
// trigger of the menu item (what a click on it gives) until the register's list has
// painted its first page, at the demo's 5 units and at 10,000; the baseline of the same
// run is a bare window of five controls opened by a procedure thread of its own. Prints
// the median, fastest and slowest of each, with the load.
#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "bench/bare_window.h"
#include "app/demo_layout.h"
#include "bench/units_seed.h"
#include "billing/startup.h"
#include "data/globals.h"
#include "platform/core/datetime.h"
#include "platform/files/sql/connection.h"
#include "platform/qt/gui_server.h"
#include "platform/qt/qt_window.h"
#include "platform/ui/events.h"
#include "platform/ui/window.h"
#include "shell/glavni.h"
#include "tests/driver/test_driver.h"

namespace {

namespace fs = std::filesystem;

struct Demo {
    fs::path root;
    rt::qt::GuiServer* server = nullptr;
};

Demo& TheDemo() {
    static Demo demo = [] {
        Demo d;
        char name[] = "/tmp/kv_bench_connect_XXXXXX";
        if (!::mkdtemp(name)) std::abort();
        d.root = name;
        if (!kvadrin::demo::LayOut(d.root)) std::abort();
        fs::current_path(d.root / "DEMO" / std::to_string(rt::year_of(rt::today())) / "PROGRAM");
        static int argc = 1;
        static char arg0[] = "bench_connect";
        static char* argv[] = {arg0, nullptr};
        kvadrin::StartUp();
        d.server = rt::qt::CreateGui(argc, argv);
        return d;
    }();
    return demo;
}

// Notes the first paint of the frame's window.
class FramePainted : public QObject {
public:
    explicit FramePainted(rt::qt::GuiServer& server) : server_(server) {}
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!painted && event->type() == QEvent::Paint) {
            auto* w = qobject_cast<QWidget*>(watched);
            rt::qt::QtWindow* frame = server_.FindWindow("Main");
            if (w && frame && frame->top() && w->window() == frame->top()->window()) painted = true;
        }
        return false;
    }

private:
    rt::qt::GuiServer& server_;
};

enum class Press { Click, AltC, AnimatedPress };

// One run of the program from its start to the frame and its end; the time from the
// press to the painted frame.
double ConnectOnce(Press how) {
    Demo& demo = TheDemo();
    rt::qt::TestDriver driver(*demo.server, demo.root.string(), 60000);
    kvadrin::ResetProcessData();
    std::atomic<bool> ended{false};
    std::thread program([&] {
        kvadrin::RunProgram();
        ended = true;
    });
    driver.WaitForWindow("MSSQLLogMulti");
    driver.WaitUntil([&] { return !driver.Text("MSSQLLogMulti", "?MSBASE").empty(); }, "the firm proposed");
    auto* ok = qobject_cast<QAbstractButton*>(driver.Widget("MSSQLLogMulti", "?OK"));
    driver.WaitUntil([&] { return ok->isVisible() && ok->isEnabled(); }, "Connect ready");
    FramePainted watch(*demo.server);
    qApp->installEventFilter(&watch);
    const auto start = std::chrono::steady_clock::now();
    switch (how) {
        case Press::Click: QTest::mouseClick(ok, Qt::LeftButton, Qt::NoModifier, ok->rect().center()); break;
        case Press::AltC: {
            QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : ok->window();
            QTest::keyClick(focus, Qt::Key_C, Qt::AltModifier);
            break;
        }
        case Press::AnimatedPress: ok->animateClick(); break;
    }
    while (!watch.painted) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    const auto painted = std::chrono::steady_clock::now();
    qApp->removeEventFilter(&watch);
    // The frame closed as its close box closes it; the program ends.
    rt::ui::rtl_post(rt::ui::Event::CloseWindow, 0, 1);
    driver.WaitUntil([&] { return ended.load(); }, "the program's end");
    program.join();
    return std::chrono::duration<double>(painted - start).count();
}

void BM_ConnectByClick(benchmark::State& state) {
    for (auto _ : state) state.SetIterationTime(ConnectOnce(Press::Click));
}
void BM_ConnectByAltC(benchmark::State& state) {
    for (auto _ : state) state.SetIterationTime(ConnectOnce(Press::AltC));
}
void BM_ConnectByToolkitAnimatedPress(benchmark::State& state) {
    for (auto _ : state) state.SetIterationTime(ConnectOnce(Press::AnimatedPress));
}

BENCHMARK(BM_ConnectByClick)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ConnectByAltC)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ConnectByToolkitAnimatedPress)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// The program started and connected, its frame up and its splash closed, for the runs
// from the menu; ended after the last of them.
struct Session {
    rt::qt::TestDriver* driver = nullptr;
    std::thread program;
    std::atomic<bool> ended{false};
};
Session g_session;

rt::qt::TestDriver& Frame() {
    Session& s = g_session;
    if (s.driver) return *s.driver;
    Demo& demo = TheDemo();
    s.driver = new rt::qt::TestDriver(*demo.server, demo.root.string(), 120000);
    kvadrin::ResetProcessData();
    s.ended = false;
    s.program = std::thread([] {
        kvadrin::RunProgram();
        g_session.ended = true;
    });
    rt::qt::TestDriver& driver = *s.driver;
    driver.WaitForWindow("MSSQLLogMulti");
    driver.WaitUntil([&] { return !driver.Text("MSSQLLogMulti", "?MSBASE").empty(); }, "the firm proposed");
    driver.Press("MSSQLLogMulti", "?OK");
    driver.WaitForWindow("Main");
    driver.WaitForWindow("BrivantSplash");
    // The frame's first menu event closes the splash.
    rt::ui::rtl_post(rt::ui::Event::Accepted, 0, 1);
    driver.WaitClosed("BrivantSplash");
    return driver;
}

void EndFrame() {
    Session& s = g_session;
    if (!s.driver) return;
    rt::ui::rtl_post(rt::ui::Event::CloseWindow, 0, 1);
    s.driver->WaitUntil([&] { return s.ended.load(); }, "the program's end");
    s.program.join();
    delete s.driver;
    s.driver = nullptr;
}

// The end of the first paint of a window's list (?BROWSE:1) that shows rows: the paint is
// carried out inside the filter, so that its end is known.
class ListPainted : public QObject {
public:
    explicit ListPainted(std::string procedure) : procedure_(std::move(procedure)) {}
    bool painted = false;
    std::chrono::steady_clock::time_point at;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (painted || inside_ || event->type() != QEvent::Paint || !watched->isWidgetType()) return false;
        auto* view = qobject_cast<QTreeView*>(static_cast<QWidget*>(watched)->parentWidget());
        if (!view || view->viewport() != watched || view->objectName() != QStringLiteral("?BROWSE:1") ||
            !view->model() || view->model()->rowCount() == 0)
            return false;
        rt::qt::QtWindow* w = g_session.driver->Server().FindWindow(procedure_);
        if (!w || !w->top() || !w->top()->isAncestorOf(view)) return false;
        inside_ = true;
        QCoreApplication::sendEvent(watched, event);
        inside_ = false;
        at = std::chrono::steady_clock::now();
        painted = true;
        return true;
    }

private:
    std::string procedure_;
    bool inside_ = false;
};

std::map<std::string, std::vector<double>> g_ms;

// Pumps the events until a list has painted; the milliseconds since `start`.
double UntilListPainted(ListPainted& watch, std::chrono::steady_clock::time_point start) {
    g_session.driver->WaitUntil([&] { return watch.painted; }, "a list painted");
    qApp->removeEventFilter(&watch);
    return std::chrono::duration<double, std::milli>(watch.at - start).count();
}

void CloseAndWait(const std::string& procedure, int threads_before) {
    rt::qt::TestDriver& driver = *g_session.driver;
    rt::qt::QtWindow* w = driver.Server().FindWindow(procedure);
    if (!w) return;
    rt::ui::InputEvent close;
    close.event = rt::ui::Event::CloseWindow;
    rt::ui::Deliver(w->id(), close);
    driver.WaitClosed(procedure);
    // The register's thread ends with its window; the frame's thread stays.
    driver.WaitUntil([&] { return rt::ui::RunningThreads() <= threads_before; },
                     procedure + "'s thread ended");
}

// The units register chosen on the frame's menu; the milliseconds until its list's first
// page was painted.
double MenuOpensUnits() {
    rt::qt::TestDriver& driver = Frame();
    QAction* item = driver.Server().FindWindow("Main")->top()->findChild<QAction*>("?MATICNIPODACIKVADRIN");
    if (!item) std::abort();
    const int threads = rt::ui::RunningThreads();
    ListPainted watch("BrowseKvadrin");
    qApp->installEventFilter(&watch);
    const auto start = std::chrono::steady_clock::now();
    item->trigger();
    const double ms = UntilListPainted(watch, start);
    CloseAndWait("BrowseKvadrin", threads);
    return ms;
}

double OpensBareWindow() {
    rt::qt::TestDriver& driver = Frame();
    const int threads = rt::ui::RunningThreads();
    ListPainted watch("BenchBare");
    qApp->installEventFilter(&watch);
    const auto start = std::chrono::steady_clock::now();
    rt::ui::rtl_start([] {
        rt::ui::Window w(kvbench::BareDef());
        w.SetProcedureName("BenchBare");
        w.SetRows(w.Feq("?BROWSE:1"), {{"1"}, {"2"}});
        w.Open();
        while (w.Accept())
            if (w.event() == rt::ui::Event::CloseWindow) break;
        w.Close();
    });
    const double ms = UntilListPainted(watch, start);
    driver.WaitForWindow("BenchBare");
    CloseAndWait("BenchBare", threads);
    return ms;
}

void Timed(benchmark::State& state, const std::string& kind, double (*open)()) {
    for (auto _ : state) {
        const double ms = open();
        state.SetIterationTime(ms / 1000);
        g_ms[kind].push_back(ms);
    }
}

void BM_MenuBaselineBareWindow(benchmark::State& state) {
    Timed(state, "baseline: bare window of 5 controls, its thread started", OpensBareWindow);
}
void BM_MenuOpensUnits5(benchmark::State& state) {
    Timed(state, "menu choice to units list painted, 5 units", MenuOpensUnits);
}
void BM_MenuOpensUnits10k(benchmark::State& state) {
    // The demo's five units and 9,995 more, of its five owners.
    std::atomic<bool> seeded{false};
    const int threads = rt::ui::RunningThreads();
    rt::ui::rtl_start([&seeded] {
        kvbench::SeedUnits(6, 10000, 5);
        rt::sql::CloseThreadConnections();
        seeded = true;
    });
    Frame().WaitUntil([&] { return seeded.load(); }, "10,000 units seeded");
    Frame().WaitUntil([&] { return rt::ui::RunningThreads() <= threads; }, "the seeding thread ended");
    Timed(state, "menu choice to units list painted, 10,000 units", MenuOpensUnits);
    EndFrame();
}

BENCHMARK(BM_MenuBaselineBareWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);
BENCHMARK(BM_MenuOpensUnits5)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);
BENCHMARK(BM_MenuOpensUnits10k)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

void Summary() {
    if (g_ms.empty()) return;
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) < 1) load[0] = -1;
    std::printf(
        "\nthe frame's menu with the real widgets (offscreen), load average %.1f on %ld processors:\n",
        load[0], sysconf(_SC_NPROCESSORS_ONLN));
    for (auto& [kind, ms] : g_ms) {
        std::sort(ms.begin(), ms.end());
        std::printf("  %-56s %3zu times: median %6.1f ms, fastest %6.1f ms, slowest %6.1f ms\n", kind.c_str(),
                    ms.size(), ms[ms.size() / 2], ms.front(), ms.back());
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    EndFrame();
    Summary();
    std::error_code ec;
    fs::current_path("/", ec);
    fs::remove_all(TheDemo().root, ec);
    return 0;
}
