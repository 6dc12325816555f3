// Charge creation on the embedded store against raw sqlite3 in the same process: 2,000
// units and 12 services give 24,000 charge lines, 2,000 invoices, 2,000 postings and a
// voucher header. The raw side writes exactly the rows the creation wrote (read back from
// its database) with prepared statements in one transaction, after the same deletions,
// into tables of the same schema. Prints the median of each side's runs and their ratio.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench/raw_sqlite.h"
#include "billing/kvd005_browse_obracuni.h"
#include "data/access.h"
#include "data/dictionary.h"
#include "data/globals.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/text.h"
#include "platform/files/sql/connection.h"

namespace {

namespace fs = std::filesystem;
using namespace kvadrin;

constexpr int kUnits = 2000;
constexpr int kServices = 12;
constexpr int kRun = 5;
// The tables and the run's rows in them.
const char* const kTables[][2] = {{"SPROM", "OBRACUN=5"},
                                  {"SFAKT", "OBRACUN=5"},
                                  {"SKPROMET", "NALOG='KVD-05'"},
                                  {"NALOZIS", "BROJ='KVD-05'"}};

fs::path& store_dir() {
    static fs::path p = [] {
        char tmpl[] = "/tmp/kv_bench_charges_XXXXXX";
        const char* d = mkdtemp(tmpl);
        fs::path dir = d ? d : "/tmp";
        setenv("KVADRIN_LOCALDB", dir.c_str(), 1);
        return dir;
    }();
    return p;
}

void record(const std::string& name, double seconds, benchmark::State& state) {
    state.SetIterationTime(seconds);
    kvbench::runs_ms()[name].push_back(seconds * 1e3);
}
using Clock = std::chrono::steady_clock;
double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

void add(TableId id, const std::function<void()>& fill) {
    rt::File& f = Files::Of(id);
    f.Clear();
    fill();
    f.Add();
}

// The firm: every unit its own customer with one earlier posting; services of every
// method and column; the run's price rows.
void build_firm() {
    store_dir();
    MainModuleInit();
    OWNERFIRME = "(localdb)\\bench,FIRMA_2024,,;TrustedConnection=True";
    // The firm's database, as a firm that has been worked with has one.
    if (!rt::sql::CreateEmbeddedDatabase(kvadrin::OWNERFIRME.view())) std::abort();
    MainThreadFilesInit();
    RecnikPostavi();
    for (TableId id :
         {TableId::KVADRIN, TableId::OBAVEZE, TableId::OBRAC, TableId::CENE, TableId::SKPROMET}) {
        Access::Of(id)->Open();
        Access::Of(id)->UseTable(rt::kUseOpen);
    }
    Files::KVADRIN().BeginTransaction();
    for (int i = 0; i < kUnits; ++i)
        add(TableId::KVADRIN, [i] {
            char code[16], broj[16];
            std::snprintf(code, sizeof code, "%05d", i + 1);
            std::snprintf(broj, sizeof broj, "S%d", i + 1);
            KVD.BROJ = broj;
            KVD.SHKORISNIKA = code;
            KVD.POVRSINA = 40 + i % 50;
            KVD.POVRSINAGR = 30 + i % 40;
            KVD.BROJOSOBA = 1 + i % 5;
            KVD.VODOMER = i % 3 ? "Ne" : "Da";
            KVD.KOEFICIJENT = 1;
        });
    const char* methods[] = {"Površina", "Grejna površina", "Stan", "Osoba", "Fiksno", "Osoba"};
    const char* columns[] = {"Održavanje", "El. energija", "Voda", "Ostalo"};
    for (int s = 0; s < kServices; ++s) {
        add(TableId::OBAVEZE, [s, &methods, &columns] {
            OBA.SIFRA = "U" + std::to_string(s + 1);
            OBA.NAZIV = "Usluga " + std::to_string(s + 1);
            OBA.NACIN = rt::utf8_to_cp1250(methods[s % 6]);
            OBA.KOLONA = rt::utf8_to_cp1250(columns[s % 4]);
        });
        add(TableId::CENE, [s] {
            CEN.OBRACUN = kRun;
            CEN.SIFRA = "U" + std::to_string(s + 1);
            CEN.KOLICINA = 1;
            CEN.UKUPNO = 10000 + s;
            CEN.CENA = CEN.CENAPOVR = CEN.CENAGRPOVRS = CEN.CENAOSOBA = 3.17 + s;
            CEN.CENAFIKSNO = CEN.CENASTAN = CEN.CENAVODA = 250.5 + s;
        });
    }
    // Earlier postings: one per customer.
    for (int i = 0; i < kUnits; ++i)
        add(TableId::SKPROMET, [i] {
            char code[16];
            std::snprintf(code, sizeof code, "%05d", i + 1);
            SKP.SINTETIKA = "204";
            SKP.ANALITIKA = code;
            SKP.DATUM = 88000;
            SKP.DUGPOT = i % 2 ? "D" : "P";
            SKP.IZNOS = 100 + i;
            SKP.RECNO = "OLD" + std::to_string(i);
            SKP.NALOG = "IZV-1";
        });
    add(TableId::OBRAC, [] {
        OBR.OBRACUN = kRun;
        OBR.NAZIV = "Maj";
        OBR.DATUM = 88888;
        OBR.VALUTA = 88900;
    });
    Files::KVADRIN().Commit();
    Files::OBRAC().Clear();
    OBR.OBRACUN = kRun;
    Files::OBRAC().Get(0);
}

void Creation(benchmark::State& state) {
    for (auto _ : state) {
        ChargeProgress progress;
        const auto t = Clock::now();
        const ChargeOutcome out = CreateCharges(progress);
        record("creation", since(t), state);
        if (!out.created) state.SkipWithError(rt::cp1250_to_utf8(out.message).c_str());
        if (out.lines != kUnits * kServices || out.invoices != kUnits || out.postings != kUnits)
            state.SkipWithError("unexpected row counts");
    }
}

// --- raw sqlite3 ----------------------------------------------------------------------

using kvbench::TableRows;
std::vector<TableRows>& written() {
    static std::vector<TableRows> w;
    return w;
}

void RawCopy(benchmark::State& state) {
    const fs::path firm = store_dir() / "FIRMA_2024.sqlite";
    const fs::path rawfile = store_dir() / "RAW.sqlite";
    if (written().empty()) {
        sqlite3* src = kvbench::raw_open(firm, true);
        sqlite3* dst = kvbench::raw_open(rawfile);
        for (const auto& [t, where] : kTables) written().push_back(kvbench::copy_rows(src, t, where, dst));
        sqlite3_close(src);
        sqlite3_close(dst);
    }
    sqlite3* db = kvbench::raw_open(rawfile);
    for (auto _ : state) {
        const auto t = Clock::now();
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        for (const char* del :
             {"DELETE FROM SFAKT WHERE OBRACUN= 5", "DELETE FROM SPROM WHERE OBRACUN= 5",
              "DELETE FROM SKPROMET WHERE NALOG='KVD-05'", "DELETE FROM NALOZIS WHERE BROJ='KVD-05'"})
            sqlite3_exec(db, del, nullptr, nullptr, nullptr);
        for (const TableRows& tr : written())
            if (const std::string error = kvbench::insert_rows(db, tr); !error.empty())
                state.SkipWithError(error.c_str());
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        record("raw", since(t), state);
    }
    sqlite3_close(db);
}

BENCHMARK(Creation)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(RawCopy)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    build_firm();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double creation = kvbench::median_ms("creation"), raw = kvbench::median_ms("raw");
    if (creation > 0 && raw > 0) {
        std::printf(
            "charge creation for %d units x %d services (%d lines, %d invoices, %d postings): median %.1f ms "
            "of %zu runs\n",
            kUnits, kServices, kUnits * kServices, kUnits, kUnits, creation,
            kvbench::runs_ms()["creation"].size());
        std::printf(
            "raw sqlite3 deleting and writing the same rows (every column) in one transaction: median %.1f "
            "ms of %zu runs\n",
            raw, kvbench::runs_ms()["raw"].size());
        std::printf("creation / raw sqlite3: %.2f\n", creation / raw);
    }
    written().clear();
    MainThreadFilesTerm();
    rt::sql::CloseThreadConnections();
    fs::remove_all(store_dir());
    return 0;
}
