// The table driver of the embedded store against raw sqlite3 prepared statements doing the
// same work in the same process: 100,000 keyed ADDs in one transaction, then a full scan in
// key order. Both use the same table (primary key and a duplicates index, KVCI collation),
// the same connection settings (page cache, WAL, synchronous NORMAL) and the same text
// conversion. Prints both times and their ratio.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "platform/core/text.h"
#include "platform/files/file.h"
#include "platform/files/sql/connection.h"
#include "platform/files/sql/kvci.h"

namespace {

namespace fs = std::filesystem;
constexpr int kRows = 100000;

struct BRec {
    rt::CString<11> KOD;
    rt::CString<31> NAZIV;
    rt::Long DATUM;
    rt::Real IZNOS;
    rt::Short BROJ;
};

#define B_FIELD(m) rt::field_for<decltype(BRec::m)>("B:" #m, offsetof(BRec, m))

const rt::TableDef& bench_def() {
    static const rt::TableDef def = [] {
        rt::TableDef d;
        d.name = "BENCH";
        d.owner = "(localdb)\\bench,DRIVER,,";
        d.layout.prefix = "B";
        d.layout.record_size = sizeof(BRec);
        d.layout.fields = {B_FIELD(KOD), B_FIELD(NAZIV), B_FIELD(DATUM), B_FIELD(IZNOS), B_FIELD(BROJ)};
        d.layout.keys.push_back(
            rt::make_key(d.layout, "B:Po_kodu", {"B:KOD"}, rt::kKeyPrimary | rt::kKeyNoCase));
        d.layout.keys.push_back(
            rt::make_key(d.layout, "B:Po_nazivu", {"B:NAZIV"}, rt::kKeyDup | rt::kKeyNoCase));
        return d;
    }();
    return def;
}

// The rows, in random key order; one name in ten with a CP1250 letter.
const std::vector<BRec>& rows() {
    static const std::vector<BRec> r = [] {
        std::vector<int> order(kRows);
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), std::mt19937(42));
        std::vector<BRec> out(kRows);
        for (int i = 0; i < kRows; ++i) {
            char kod[16], naziv[40];
            std::snprintf(kod, sizeof kod, "K%07d", order[static_cast<std::size_t>(i)]);
            std::snprintf(naziv, sizeof naziv, "%s %d",
                          i % 10 == 0 ? "\xC8"
                                        "edomir"
                                      : "Petar",
                          i % 997);
            BRec& b = out[static_cast<std::size_t>(i)];
            b.KOD = kod;
            b.NAZIV = naziv;
            b.DATUM = 80000 + i;
            b.IZNOS = i * 1.25;
            b.BROJ = static_cast<std::int16_t>(i % 30000);
        }
        return out;
    }();
    return r;
}

fs::path& store_dir() {
    static fs::path p = [] {
        char tmpl[] = "/tmp/kv_bench_XXXXXX";
        const char* d = mkdtemp(tmpl);
        fs::path dir = d ? d : "/tmp";
        setenv("KVADRIN_LOCALDB", dir.c_str(), 1);
        return dir;
    }();
    return p;
}

std::map<std::string, double>& best_ms() {
    static std::map<std::string, double> m;
    return m;
}
void record(const std::string& name, double seconds, benchmark::State& state) {
    state.SetIterationTime(seconds);
    double& b = best_ms()[name];
    if (b == 0 || seconds * 1e3 < b) b = seconds * 1e3;
}
using Clock = std::chrono::steady_clock;
double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// --- the table driver ---------------------------------------------------------------

void DriverAdd(benchmark::State& state) {
    store_dir();
    for (auto _ : state) {
        BRec r;
        rt::File f(bench_def(), &r);
        f.Remove();
        if (f.Open() != rt::kNoError) state.SkipWithError(rt::FileError().c_str());
        const auto t = Clock::now();
        f.BeginTransaction();
        for (const BRec& row : rows()) {
            r = row;
            if (f.Add() != rt::kNoError) state.SkipWithError(rt::Error().c_str());
        }
        f.Commit();
        record("add driver", since(t), state);
    }
}

void DriverScan(benchmark::State& state) {
    BRec r;
    rt::File f(bench_def(), &r);
    if (f.Open() != rt::kNoError) state.SkipWithError(rt::FileError().c_str());
    for (auto _ : state) {
        const auto t = Clock::now();
        f.Set(0);
        long n = 0;
        double sum = 0;
        while (f.Next() == rt::kNoError) {
            ++n;
            sum += r.IZNOS;
        }
        benchmark::DoNotOptimize(sum);
        if (n != kRows) state.SkipWithError("scan missed rows");
        record("scan driver", since(t), state);
    }
}

// --- raw sqlite3 ----------------------------------------------------------------------

int raw_collate(void*, int na, const void* a, int nb, const void* b) {
    return rt::sql::kvci::compare({static_cast<const char*>(a), static_cast<std::size_t>(na)},
                                  {static_cast<const char*>(b), static_cast<std::size_t>(nb)});
}

sqlite3* raw_open() {
    sqlite3* db = nullptr;
    sqlite3_open((store_dir() / "RAW.sqlite").c_str(), &db);
    sqlite3_busy_timeout(db, 10000);
    sqlite3_create_collation_v2(db, "KVCI", SQLITE_UTF8, nullptr, raw_collate, nullptr);
    sqlite3_exec(db, "PRAGMA cache_size=-32768; PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr,
                 nullptr, nullptr);
    return db;
}

void bind_text(sqlite3_stmt* st, int i, std::string_view cp1250) {
    if (rt::sql::kvci::is_ascii(cp1250)) {
        sqlite3_bind_text(st, i, cp1250.data(), static_cast<int>(cp1250.size()), SQLITE_TRANSIENT);
    } else {
        const std::string u = rt::cp1250_to_utf8(cp1250);
        sqlite3_bind_text(st, i, u.data(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
    }
}

template <std::size_t N>
void read_text(sqlite3_stmt* st, int col, rt::CString<N>& out) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
    const std::string_view u(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(st, col)));
    if (rt::sql::kvci::is_ascii(u))
        out = u;
    else
        out = rt::utf8_to_cp1250(u);
}

void RawAdd(benchmark::State& state) {
    sqlite3* db = raw_open();
    for (auto _ : state) {
        sqlite3_exec(
            db,
            "DROP TABLE IF EXISTS BENCH;"
            "CREATE TABLE BENCH (KOD TEXT COLLATE KVCI NOT NULL DEFAULT '', NAZIV TEXT COLLATE KVCI NOT NULL "
            "DEFAULT '', DATUM INTEGER NOT NULL DEFAULT 0, IZNOS REAL NOT NULL DEFAULT 0, BROJ INTEGER NOT "
            "NULL "
            "DEFAULT 0, PRIMARY KEY (KOD));"
            "CREATE INDEX BENCH_PO_NAZIVU ON BENCH (NAZIV, KOD);",
            nullptr, nullptr, nullptr);
        const auto t = Clock::now();
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v3(db, "INSERT INTO BENCH (KOD, NAZIV, DATUM, IZNOS, BROJ) VALUES (?, ?, ?, ?, ?)",
                           -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr);
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        for (const BRec& row : rows()) {
            bind_text(st, 1, row.KOD.view());
            bind_text(st, 2, row.NAZIV.view());
            sqlite3_bind_int64(st, 3, row.DATUM);
            sqlite3_bind_double(st, 4, row.IZNOS);
            sqlite3_bind_int64(st, 5, row.BROJ);
            if (sqlite3_step(st) != SQLITE_DONE) state.SkipWithError(sqlite3_errmsg(db));
            sqlite3_reset(st);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_finalize(st);
        record("add raw", since(t), state);
    }
    sqlite3_close(db);
}

void RawScan(benchmark::State& state) {
    sqlite3* db = raw_open();
    for (auto _ : state) {
        const auto t = Clock::now();
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v3(db, "SELECT KOD, NAZIV, DATUM, IZNOS, BROJ FROM BENCH ORDER BY KOD", -1,
                           SQLITE_PREPARE_PERSISTENT, &st, nullptr);
        BRec r;
        long n = 0;
        double sum = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            read_text(st, 0, r.KOD);
            read_text(st, 1, r.NAZIV);
            r.DATUM = static_cast<std::int32_t>(sqlite3_column_int64(st, 2));
            r.IZNOS = sqlite3_column_double(st, 3);
            r.BROJ = static_cast<std::int16_t>(sqlite3_column_int64(st, 4));
            ++n;
            sum += r.IZNOS;
        }
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(sum);
        if (n != kRows) state.SkipWithError("scan missed rows");
        record("scan raw", since(t), state);
    }
    sqlite3_close(db);
}

BENCHMARK(RawAdd)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(DriverAdd)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(RawScan)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(DriverScan)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    auto& b = best_ms();
    for (const char* op : {"add", "scan"}) {
        const double raw = b[std::string(op) + " raw"], drv = b[std::string(op) + " driver"];
        if (raw > 0 && drv > 0)
            std::printf("%-4s %6d rows: table driver %8.1f ms, raw sqlite3 %8.1f ms, ratio %.2f\n", op, kRows,
                        drv, raw, drv / raw);
    }
    rt::sql::CloseThreadConnections();
    fs::remove_all(store_dir());
    return 0;
}
