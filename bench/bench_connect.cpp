// Connect at the login to the painted frame, on the demo firm, with the real Qt widgets
// (offscreen): the program's own start-up and main procedure run as the program runs
// them, and each run times from the press of "&Connect" (a mouse click, or Alt+C) until
// the frame has painted. The baseline of the same run is the toolkit's own animated press
// of the button, which is how a hot key pressed it before.
#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QPointer>
#include <QTest>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <unistd.h>

#include "app/demo_layout.h"
#include "billing/startup.h"
#include "data/globals.h"
#include "platform/core/datetime.h"
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

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::error_code ec;
    fs::current_path("/", ec);
    fs::remove_all(TheDemo().root, ec);
    return 0;
}
