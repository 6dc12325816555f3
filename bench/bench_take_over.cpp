// The take-over of 100,000 ledger postings from the previous program's postings file into
// an empty firm database on the embedded store (goal: under 10 s), against raw sqlite3 in
// the same run writing the very rows the take-over wrote (every column, its RECNO values)
// with one prepared insert in one transaction into the same empty table with its indexes,
// on a connection with the program's collation and settings. The take-over also reads the
// old file and does its own work (the record copy, the posting numbers, the progress
// window, the summary); the raw side only writes. Prints the median of each side's runs.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/raw_sqlite.h"
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
        // The firm's database, as a firm that has been worked with has one.
        if (!rt::sql::CreateEmbeddedDatabase(kvadrin::OWNERFIRME.view())) std::abort();
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
    if (!rt::sql::CreateEmbeddedDatabase(kvadrin::OWNERFIRME.view())) std::abort();
}

long Postings() {
    rt::File& f = kvadrin::Files::SKPROMET();
    f.Open();
    const long n = f.Records();
    f.Close();
    return n;
}

using Clock = std::chrono::steady_clock;
void record(const std::string& name, Clock::time_point start, benchmark::State& state) {
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    kvbench::runs_ms()[name].push_back(seconds * 1e3);
}

// The rows of the first take-over, and an empty database with the table and its indexes.
kvbench::TableRows& taken_over() {
    static kvbench::TableRows rows;
    return rows;
}
fs::path raw_empty() { return root() / "RAW_EMPTY.sqlite"; }
fs::path raw_file() { return root() / "RAW.sqlite"; }

void TakeOver(benchmark::State& state) {
    root();
    for (auto _ : state) {
        FreshDatabase();
        const auto t = Clock::now();
        kvadrin::PreuzmiPodatke();
        record("take-over", t, state);
        if (Postings() != kPostings) state.SkipWithError("postings missing");
        if (taken_over().rows.empty()) {
            rt::sql::CloseThreadConnections();
            sqlite3* src = kvbench::raw_open(root() / "localdb" / "FIRMA_2024.sqlite", true);
            sqlite3* empty = kvbench::raw_open(raw_empty());
            taken_over() = kvbench::copy_rows(src, "SKPROMET", "", empty);
            sqlite3_close(src);
            sqlite3_close(empty);
        }
    }
}

void RawInserts(benchmark::State& state) {
    if (taken_over().rows.size() != static_cast<std::size_t>(kPostings)) {
        state.SkipWithError("the take-over's rows are missing (run TakeOver first)");
        return;
    }
    for (auto _ : state) {
        fs::remove(raw_file());
        fs::copy_file(raw_empty(), raw_file());
        sqlite3* db = kvbench::raw_open(raw_file());
        const auto t = Clock::now();
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        const std::string error = kvbench::insert_rows(db, taken_over());
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        record("raw", t, state);
        if (!error.empty()) state.SkipWithError(error.c_str());
        sqlite3_close(db);
    }
}

BENCHMARK(TakeOver)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(RawInserts)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double take_over = kvbench::median_ms("take-over"), raw = kvbench::median_ms("raw");
    if (take_over > 0 && raw > 0) {
        std::printf(
            "take-over of %d postings from the old postings file into an empty firm database: median %.1f ms "
            "of %zu runs (goal under 10000 ms)\n",
            kPostings, take_over, kvbench::runs_ms()["take-over"].size());
        std::printf(
            "raw sqlite3 writing the same %d rows (every column, the take-over's RECNO) in one transaction: "
            "median %.1f ms of %zu runs\n",
            kPostings, raw, kvbench::runs_ms()["raw"].size());
        std::printf("take-over / raw sqlite3: %.2f\n", take_over / raw);
    }
    taken_over() = {};
    FreshDatabase();
    fs::remove_all(root());
    return 0;
}
