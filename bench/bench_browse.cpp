// Opening a browse over 10,000 services to its first page: the whole browse procedure
// (set-up, relations, orders, formats, the first page read from the view, tear-down) on
// a back end that draws nothing, over the embedded store.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "bench/bench_firm.h"
#include "data/access.h"
#include "data/globals.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/files/sql/connection.h"
#include "platform/ui/backend.h"
#include "platform/ui/window.h"
#include "shell/browse.h"

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

ControlDef Control(int kind, const char* label, int x, int y, int w, int h, const char* text) {
    ControlDef c;
    c.kind = kind;
    c.label = label;
    c.x = x, c.y = y, c.w = w, c.h = h;
    c.text = text;
    return c;
}

const WindowDef& Def() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVB$BROWSE";
        d.name = "P1$QUICKWINDOW";
        d.w = 345, d.h = 281;
        d.resizable = true;
        ControlDef sheet = Control(Ctl::Sheet, "?CURRENTTAB", 4, 4, 337, 240, "");
        sheet.children = {Control(Ctl::Tab, "?TAB1", 0, 0, -1, -1, "&1) Sifra"),
                          Control(Ctl::Tab, "?TAB2", 0, 0, -1, -1, "&2) Naziv")};
        ControlDef list = Control(Ctl::List, "?BROWSE:1", 8, 20, 329, 220, "");
        list.format =
            "40L(2)|M~Sifra~@s7@90L(2)|M~Naziv~@s20@30L(2)|M~JM~@s5@70L(2)|M~Nacin~@s15@"
            "60L(2)|M~Kolona~@s12@";
        d.controls = {sheet,
                      list,
                      Control(Ctl::Button, "?BUTTONNORECORDS", 8, 250, 50, 14, "&ISPIS"),
                      Control(Ctl::Button, "?SELECT:2", 0, 0, 1, 1, "&Select"),
                      Control(Ctl::Button, "?VIEW:3", 0, 0, 1, 1, "&View"),
                      Control(Ctl::Button, "?INSERT:4", 0, 0, 1, 1, "&Insert"),
                      Control(Ctl::Button, "?CHANGE:4", 0, 0, 1, 1, "&Change"),
                      Control(Ctl::Button, "?DELETE:4", 0, 0, 1, 1, "&Delete"),
                      Control(Ctl::Button, "?CLOSE", 290, 250, 45, 14, "&Close")};
        return d;
    }();
    return def;
}

int g_rows = 0;  // rows of the first page, as the browse showed them

// Closes as soon as its first page is shown.
class ClosingBrowse : public kvadrin::BrowseProcedure {
public:
    using BrowseProcedure::BrowseProcedure;
    int rows = 0;
    void Opened() override {
        BrowseProcedure::Opened();
        rows = browse().Rows();
        g_rows = rows;
        CloseWithResponse(kResponseCompleted);
    }
};

void OpenBrowse() {
    using namespace kvadrin;
    BrowseDefinition definition;
    definition.table = &Files::OBAVEZE();
    definition.relation = Relate::OBAVEZE();
    definition.cascade_open = true;
    definition.orders = {{"OBA:Po_sifri", "OBA:SIFRA", false, true, {}},
                         {"OBA:Po_nazivu", "OBA:NAZIV", false, true, {}}};
    definition.fields = {"OBA:SIFRA", "OBA:NAZIV", "OBA:JM", "OBA:NACIN", "OBA:KOLONA"};
    RunWindowProcedure("BenchBrowse", WindowKind::Browse, Def(), {}, [definition](ProcedureObjects& p) {
        auto b = std::make_unique<ClosingBrowse>(p, definition);
        return b;
    });
}

void Seed(int n) {
    using namespace kvadrin;
    rt::File& f = Files::OBAVEZE();
    f.Open();
    f.BeginTransaction();
    char code[16], name[32];
    for (int i = 1; i <= n; ++i) {
        std::snprintf(code, sizeof code, "S%06d", i);
        std::snprintf(name, sizeof name, "Usluga %06d", n + 1 - i);
        f.Clear();
        OBA.SIFRA = code;
        OBA.NAZIV = name;
        OBA.JM = "m2";
        OBA.NACIN = "Fiksno";
        OBA.KOLONA = "Ostalo";
        f.Add();
    }
    f.Commit();
    f.Close();
}

void BM_OpenBrowseToFirstPage(benchmark::State& state) {
    for (auto _ : state) OpenBrowse();
    // Once more, timed on its own, for the line that says how long a user waits.
    auto t0 = std::chrono::steady_clock::now();
    OpenBrowse();
    auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    std::printf("opening a browse over 10,000 rows to its first page (%d rows): %.1f ms\n", g_rows, ms);
}
BENCHMARK(BM_OpenBrowseToFirstPage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    NullBackend backend;
    SetBackend(&backend);
    kvbench::Firm firm("bench_browse", "BROWSEDB");
    rtl_start([] {
        Seed(10000);
        benchmark::RunSpecifiedBenchmarks();
    });
    WaitForThreads(24 * 60 * 60 * 1000);
    SetBackend(nullptr);
    benchmark::Shutdown();
    return 0;
}
