// The invoice group report of a run of 1,000 invoices (three items each) to a PDF file
// with a payment QR code per invoice: the real procedure (set-up, the view over the run's
// items with their invoices, units, partners and services, the break per invoice, a QR
// image written per invoice, the pages laid out, the PDF written by the program's painter)
// over the embedded store, on a back end that answers the output choice (PDF) and the
// file name and draws no window. The same report over 10 invoices is the baseline
// measured in the same run. Goal: 10 s for the 1,000. Prints the median of three runs
// (after one that warms the caches) and the time per invoice of each.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/bench_firm.h"
#include "billing/kvd020_izbor_za_fakture.h"
#include "data/access.h"
#include "data/globals.h"
#include "data/keys.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/text.h"
#include "platform/files/sql/connection.h"
#include "platform/qt/report_painter.h"
#include "platform/report/output.h"
#include "platform/ui/backend.h"
#include "platform/ui/window.h"

namespace {

using namespace rt::ui;

std::string g_pdf;

int Feq(const WindowState& s, const std::string& label) {
    for (const ControlState& c : s.controls)
        if (c.def && c.def->label == label) return c.feq;
    return 0;
}

// Chooses PDF in the output choice and names the file; answers every message with its
// first button.
class AnsweringBackend : public Backend {
public:
    void OpenWindow(const WindowState& s) override {
        if (s.procedure == rt::report::kOutputWindowProcedure) {
            Input(s.id, Feq(s, "?OUTPUT"), "PDF");
            Input(s.id, Feq(s, "?OK"));
        } else if (s.procedure == rt::report::kPdfNameWindowProcedure) {
            Input(s.id, Feq(s, "?FILENAME"), g_pdf);
            Input(s.id, Feq(s, "?OK"));
        }
    }
    void SyncWindow(const WindowState&) override {}
    void CloseWindow(WindowId) override {}
    void ShowMessage(const MessageRequest& r) override { DeliverAnswer(r.id, 1); }
    void Beep() override {}
    void PrinterSetup(int) override {}

private:
    static void Input(WindowId w, int feq, std::optional<std::string> text = std::nullopt) {
        InputEvent e;
        e.event = Event::Accepted;
        e.feq = feq;
        e.text = std::move(text);
        Deliver(w, e);
    }
};

// The preview printed at once; the PDF written by the program's painter.
class PdfDevice : public rt::report::ReportDevice {
public:
    rt::report::PreviewAnswer Preview(const rt::report::PreviewRequest&) override {
        rt::report::PreviewAnswer a;
        a.action = rt::report::PreviewAnswer::PrintAll;
        return a;
    }
    std::string Print(const rt::report::Document&, int, int, std::string_view) override {
        return "no printer";
    }
    std::string WritePdf(const rt::report::Document& d, const std::string& file,
                         const rt::report::DocumentInfo& info, bool) override {
        pages = static_cast<int>(d.pages.size());
        return rt::qt::WriteReportPdf(d, file, info);
    }
    int pages = 0;
};
PdfDevice* g_device = nullptr;

void Seed(int run, int invoices, int first) {
    using namespace kvadrin;
    rt::File& kvd = Files::KVADRIN();
    rt::File& naz = Files::NAZIVI();
    rt::File& sfa = Files::SFAKT();
    rt::File& spr = Files::SPROM();
    rt::File& oba = Files::OBAVEZE();
    for (rt::File* f : {&kvd, &naz, &sfa, &spr, &oba, &Files::OBRAC(), &Files::SKLAUZUL()}) f->Open();
    sfa.BeginTransaction();
    if (first == 1) {
        const char* services[][4] = {{"S01", "Održavanje zgrade", "m2", "Održavanje"},
                                     {"S02", "Voda", "osoba", "Voda"},
                                     {"S03", "Čišćenje", "stan", "Ostalo"}};
        for (const auto& s : services) {
            oba.Clear();
            OBA.SIFRA = s[0];
            OBA.NAZIV = rt::utf8_to_cp1250(s[1]);
            OBA.JM = s[2];
            OBA.KOLONA = rt::utf8_to_cp1250(s[3]);
            OBA.NACIN = "Fiksno";
            oba.Add();
        }
    }
    char code[16], unit[16], name[32];
    for (int i = first; i < first + invoices; ++i) {
        std::snprintf(code, sizeof code, "%05d", i);
        std::snprintf(unit, sizeof unit, "%d", i);
        std::snprintf(name, sizeof name, "Vlasnik %05d", i);
        kvd.Clear();
        KVD.BROJ = unit;
        KVD.SHKORISNIKA = code;
        KVD.SP = i % 5 ? "Stan" : "Garaza";
        KVD.VODOMER = i % 3 == 0 ? "Da" : "Ne";
        kvd.Add();
        naz.Clear();
        NAZ.ANALITIKA = code;
        NAZ.NAZIV1 = name;
        NAZ.ADRESA = "Ulica 1";
        naz.Add();
        const double totals[] = {1000.25 + i, 120.75, 55};
        const char* columns[] = {"Održavanje", "Voda", "Ostalo"};
        for (int k = 0; k < 3; ++k) {
            spr.Clear();
            SPR.OBRACUN = static_cast<std::int16_t>(run);
            SPR.SHKORISNIKA = code;
            SPR.BROJSTANA = unit;
            SPR.SIFRA = k == 0 ? "S01" : k == 1 ? "S02" : "S03";
            SPR.KOLICINA = 1;
            SPR.CENA = totals[k];
            SPR.UKUPNO = totals[k];
            SPR.KOLONA = rt::utf8_to_cp1250(columns[k]);
            spr.Add();
        }
        sfa.Clear();
        SFA.OBRACUN = static_cast<std::int16_t>(run);
        SFA.SHKORISNIKA = code;
        SFA.BROJSTANA = unit;
        SFA.ODRZAVANJE = totals[0];
        SFA.VODA = totals[1];
        SFA.OSTALO = totals[2];
        SFA.DUG = (i % 7) * 100.0 - 200.0;
        SFA.UKUPNO = 1176 + i;
        sfa.Add();
    }
    Files::OBRAC().Clear();
    OBR.OBRACUN = static_cast<std::int16_t>(run);
    OBR.NAZIV = "Obracun";
    OBR.SVRHA1 = "Racun za mesec";
    Files::OBRAC().Add();
    Files::SKLAUZUL().Clear();
    SKL.SIFRA = 1;
    SKL.OPIS = "Klauzula";
    SKL.TEKSTKLAUZULE = "{\\rtf1\\ansi Klauzula za stanove.\\par}";
    SKL.TEKSTPOSLOVNI = "{\\rtf1\\ansi Klauzula za poslovni prostor.\\par}";
    Files::SKLAUZUL().Add();
    sfa.Commit();
    for (rt::File* f : {&kvd, &naz, &sfa, &spr, &oba, &Files::OBRAC(), &Files::SKLAUZUL()}) f->Close();
}

// The group report of a run, as the invoice browse's "&GRUPA FAKTURA" calls it.
void GroupReport(int run) {
    kvadrin::OBR.OBRACUN = static_cast<std::int16_t>(run);
    kvadrin::CallRequest = 0;
    kvadrin::IspisFakturaM3();
}

void Measure(benchmark::State& state, int run, int invoices) {
    g_pdf = (std::filesystem::current_path() / ("grupa" + std::to_string(run) + ".pdf")).string();
    for (auto _ : state) GroupReport(run);
    std::vector<double> runs;
    for (int i = 0; i < 3; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        GroupReport(run);
        runs.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(runs.begin(), runs.end());
    const double s = runs[1];
    std::printf(
        "the invoice group report of %d invoices to PDF (%d pages, %ju bytes) with their QR codes: median "
        "%.2f s "
        "of 3 runs, %.1f ms per invoice%s\n",
        invoices, g_device->pages, static_cast<std::uintmax_t>(std::filesystem::file_size(g_pdf)), s,
        s * 1e3 / invoices,
        invoices >= 1000 ? " (goal 10 s for the 1,000)" : " (baseline: the same report of a small run)");
}

void BM_GroupReport10(benchmark::State& state) { Measure(state, 6, 10); }
void BM_GroupReport1000(benchmark::State& state) { Measure(state, 5, 1000); }
BENCHMARK(BM_GroupReport10)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_GroupReport1000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);  // fonts for the PDF
    AnsweringBackend backend;
    SetBackend(&backend);
    PdfDevice device;
    g_device = &device;
    rt::report::SetReportDevice(&device);
    kvbench::Firm firm("bench_group", "GRUPADB");
    kvadrin::NAZIVFIRME = "Stambena zajednica";
    kvadrin::MESTO = "21000 Novi Sad";
    kvadrin::ZIRORAC1 = "160-123456-78";
    kvadrin::RAD_GOD = 2026;
    kvadrin::IZABRANIOBRACUN = 1;
    rtl_start([] {
        Seed(5, 1000, 1);
        Seed(6, 10, 5001);
        benchmark::RunSpecifiedBenchmarks();
    });
    WaitForThreads(24 * 60 * 60 * 1000);
    rt::report::SetReportDevice(nullptr);
    SetBackend(nullptr);
    benchmark::Shutdown();
    return 0;
}
