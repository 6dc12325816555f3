// The take-over of 100,000 ledger postings from the previous program's postings file into
// an empty firm database on the embedded store (goal: under 10 s), against a baseline in
// the same run: the same file read through the flat-file driver and the same rows added
// through the table driver in one transaction, without the take-over's own work (the
// record copy, the posting numbers, the progress window, the summary, the renumbering).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "data/access.h"
#include "data/globals.h"
#include "data/oldfiles.h"
#include "data/tables.h"
#include "platform/files/sql/connection.h"
#include "shell/housekeeping.h"
#include "tests/data/old_file_writer.h"

namespace {

namespace fs = std::filesystem;
using kvadrin::OldFileId;
using kvadrin::TableId;
constexpr int kPostings = 100000;

const fs::path& root() {
    static const fs::path p = [] {
        char tmpl[] = "/tmp/kv_bench_takeover_XXXXXX";
        const char* d = mkdtemp(tmpl);
        fs::path dir = d ? d : "/tmp";
        setenv("KVADRIN_LOCALDB", (dir / "localdb").c_str(), 1);
        kvadrin::ResetProcessData();
        kvadrin::OWNERFIRME = "(localdb)\\bench,FIRMA_2024,,;TrustedConnection=True";
        kvadrin::BACKUPPATH = (dir / "STARI").string();
        // The old postings: accounts, sides and amounts varied, texts with OEM letters.
        kvtest::OldFileWriter old(dir / "STARI");
        std::vector<std::string> records;
        records.reserve(kPostings);
        const char* accounts[] = {"204", "433", "202", "240", "100"};
        for (int i = 0; i < kPostings; ++i) {
            char analitika[8], nalog[8];
            std::snprintf(analitika, sizeof analitika, "%05d", i % 3000);
            std::snprintf(nalog, sizeof nalog, "N%05d", i / 50);
            records.push_back(kvtest::OldFileWriter::Record(OldFileId::INSKP,
                                                            {{"SINTETIKA", accounts[i % 5]},
                                                             {"ANALITIKA", analitika},
                                                             {"NALOG", nalog},
                                                             {"DATUM", std::to_string(80000 + i % 365)},
                                                             {"DUGPOT", i % 3 ? "P" : "D"},
                                                             {"IZNOS", std::to_string(1000 + i % 997)},
                                                             {"OPIS", i % 7 ? "Uplata" : "Račun čekom"}}));
        }
        old.Write(OldFileId::INSKP, records);
        return dir;
    }();
    return p;
}

// An empty firm database for the next round.
void FreshDatabase() {
    kvadrin::Files::SKPROMET().Close();
    rt::sql::CloseThreadConnections();
    for (const char* suffix : {".sqlite", ".sqlite-wal", ".sqlite-shm"})
        fs::remove(root() / "localdb" / (std::string("FIRMA_2024") + suffix));
}

long Postings() {
    rt::File& f = kvadrin::Files::SKPROMET();
    f.Open();
    const long n = f.Records();
    f.Close();
    return n;
}

std::map<std::string, double>& best_ms() {
    static std::map<std::string, double> m;
    return m;
}
using Clock = std::chrono::steady_clock;
void record(const std::string& name, Clock::time_point start, benchmark::State& state) {
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    double& b = best_ms()[name];
    if (b == 0 || seconds * 1e3 < b) b = seconds * 1e3;
}

void TakeOver(benchmark::State& state) {
    root();
    for (auto _ : state) {
        FreshDatabase();
        const auto t = Clock::now();
        kvadrin::PreuzmiPodatke();
        record("take-over", t, state);
        if (Postings() != kPostings) state.SkipWithError("postings missing");
    }
}

void Baseline(benchmark::State& state) {
    root();
    for (auto _ : state) {
        FreshDatabase();
        const auto t = Clock::now();
        kvadrin::PREUZMIFAJL = (root() / "STARI" / "VRK" / "Skpromet").string();
        rt::File old(kvadrin::old_file_def(OldFileId::INSKP), &kvadrin::INSKP);
        old.BindName([] { return kvadrin::PREUZMIFAJL.str(); });
        rt::File& table = kvadrin::Files::SKPROMET();
        if (old.Open(rt::kReadOnly | rt::kDenyNone) != rt::kNoError || table.Open() != rt::kNoError)
            state.SkipWithError("cannot open");
        table.BeginTransaction();
        old.SetPhysical();
        long n = 0;
        while (old.Next() == rt::kNoError) {
            table.Clear();
            kvadrin::SKP.SINTETIKA = kvadrin::INSKP.KONTO.SINTETIKA.view();
            kvadrin::SKP.ANALITIKA = kvadrin::INSKP.KONTO.ANALITIKA.view();
            kvadrin::SKP.DATUM = kvadrin::INSKP.DATUM;
            kvadrin::SKP.DUGPOT = kvadrin::INSKP.DUGPOT.view();
            kvadrin::SKP.IZNOS = kvadrin::INSKP.IZNOS;
            kvadrin::SKP.RECNO = std::to_string(n++);
            if (table.Add() != rt::kNoError) state.SkipWithError(rt::Error().c_str());
        }
        table.Commit();
        old.Close();
        table.Close();
        record("baseline", t, state);
        if (Postings() != kPostings) state.SkipWithError("postings missing");
    }
}

BENCHMARK(Baseline)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(TakeOver)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    auto& b = best_ms();
    if (b["take-over"] > 0 && b["baseline"] > 0)
        std::printf(
            "%d postings: take-over %.1f ms (goal under 10000 ms), baseline read and add %.1f ms, "
            "ratio %.2f\n",
            kPostings, b["take-over"], b["baseline"], b["take-over"] / b["baseline"]);
    FreshDatabase();
    fs::remove_all(root());
    return 0;
}
