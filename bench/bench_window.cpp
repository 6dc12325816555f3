// Costs of the window runtime under the procedure protocol, on a back end that draws
// nothing: opening and closing a 40-control window (alone, and as a whole dialog
// procedure with its placement saved), and property changes from a procedure thread.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>


#include "data/program_objects.h"
#include "platform/ui/backend.h"
#include "platform/ui/window.h"
#include "shell/procedure.h"
#include "tests/temp_folder.h"

namespace {

using namespace rt::ui;

class NullBackend : public Backend {
public:
    void OpenWindow(const WindowState&) override {}
    void SyncWindow(const WindowState&) override {}
    void CloseWindow(WindowId) override {}
    void ShowMessage(const MessageRequest& r) override { DeliverAnswer(r.id, 1); }
    void Beep() override {}
    void PrinterSetup(int) override {}
};

// 20 prompt and entry pairs: 40 controls.
const WindowDef& Def40() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$BENCH";
        d.name = "P1$WINDOW";
        d.caption = "Bench";
        d.w = 400, d.h = 300;
        d.resizable = true;
        for (int i = 0; i < 20; ++i) {
            ControlDef p;
            p.kind = Ctl::Prompt;
            p.label = "?PROMPT" + std::to_string(i);
            p.text = "Polje " + std::to_string(i) + ":";
            p.x = 4, p.y = 4 + 14 * i, p.w = 60, p.h = 10;
            ControlDef e;
            e.kind = Ctl::Entry;
            e.label = "?ENTRY" + std::to_string(i);
            e.picture = "@s20";
            e.x = 70, e.y = 4 + 14 * i, e.w = 120, e.h = 10;
            d.controls.push_back(p);
            d.controls.push_back(e);
        }
        return d;
    }();
    return def;
}

void BM_OpenCloseWindow(benchmark::State& state) {
    for (auto _ : state) {
        Window w(Def40());
        w.Open();
        w.Close();
    }
}
BENCHMARK(BM_OpenCloseWindow);

// A dialog that closes as soon as it is open: the whole body, Setup, event loop and
// Teardown (which writes the placement to the settings file).
class ClosingDialog : public kvadrin::ProcedureController {
public:
    using ProcedureController::ProcedureController;
    void Opened() override {
        ProcedureController::Opened();
        CloseWithResponse(kResponseCompleted);
    }
};

void BM_DialogProcedure(benchmark::State& state) {
    for (auto _ : state) {
        kvadrin::RunWindowProcedure(
            "BenchDialog", kvadrin::WindowKind::Dialog, Def40(), {},
            [](kvadrin::ProcedureObjects& p) { return std::make_unique<ClosingDialog>(p); });
    }
}
BENCHMARK(BM_DialogProcedure);

// 10,000 property changes of an open window, sent to the back end at the next wait. Every
// change sets a value other than the one the property holds (a text, a colour, the
// disabled flag), so none is passed over as no change.
void BM_PropertyChanges(benchmark::State& state) {
    constexpr int kChanges = 10000;
    Window w(Def40());
    w.Open();
    w.Accept();  // OpenWindow
    std::vector<std::string> texts;
    for (int i = 0; i < kChanges; ++i) texts.push_back("vrednost " + std::to_string(i));
    long round = 0;
    for (auto _ : state) {
        ++round;
        for (int i = 0; i < kChanges; ++i) {
            const int feq = 2 + 2 * (i % 20);  // the entries, each in turn
            const int pass = i / 20;           // each entry: text, disabled, enabled, colour
            switch (pass % 4) {
                case 0:
                    w.SetText(feq, Prop::Text, texts[static_cast<std::size_t>((i + round) % kChanges)]);
                    break;
                case 1: w.Set(feq, Prop::Disable, 1); break;
                case 2: w.Set(feq, Prop::Disable, 0); break;
                default: w.Set(feq, Prop::Background, (pass / 4 + round) % 2 ? 0x00FFFF : 0xFFFF00); break;
            }
        }
        w.Post(Event::User);
        w.Accept();  // flushes the changes to the back end
    }
    state.counters["per_change"] = benchmark::Counter(
        kChanges, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    w.Close();
}
BENCHMARK(BM_PropertyChanges)->Unit(benchmark::kMillisecond);

}  // namespace

// The benchmarks run on a procedure thread, as window procedures do.
int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    NullBackend backend;
    SetBackend(&backend);
    kvadrin::MainModuleInit();
    kvadrin::ProgramErrors.Init();
    const auto dir = kvtest::FreshFolder("bench_window");
    kvadrin::ProgramSettings.Init((dir / "KVD.INI").string());
    rtl_start([] { benchmark::RunSpecifiedBenchmarks(); });
    WaitForThreads(24 * 60 * 60 * 1000);
    kvadrin::ProgramSettings.Kill();
    std::filesystem::remove_all(dir);
    SetBackend(nullptr);
    kvadrin::MainModuleTerm();
    benchmark::Shutdown();
    return 0;
}
