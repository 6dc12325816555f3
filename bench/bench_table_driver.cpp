// The table driver of the embedded store against raw sqlite3 prepared statements doing the
// same work in the same process: 100,000 keyed ADDs in one transaction, a full scan in key
// order, and 20,000 GETs by the primary key in random order. Both use the same table
// (primary key and a duplicates index, KVCI collation), the same connection settings (page
// cache, WAL, synchronous NORMAL) and the same text conversion; the raw side binds its
// texts where they stand (no copy). Each iteration is a pair, the raw run and the driver's
// run one after the other (which goes first alternates), so that both meet the same state
// of the machine; the ratio reported is the median of the pairs' ratios.
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
        // The benchmark's database: the store makes none on its own.
        if (!rt::sql::CreateEmbeddedDatabase("(localdb)\\bench,DRIVER,,")) std::abort();
        return dir;
    }();
    return p;
}

using Clock = std::chrono::steady_clock;
double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

constexpr int kGets = 20000;

// The keys the GETs read, in random order.
const std::vector<std::string>& get_keys() {
    static const std::vector<std::string> k = [] {
        std::vector<std::string> out;
        std::mt19937 rng(7);
        for (int i = 0; i < kGets; ++i) out.push_back(rows()[rng() % kRows].KOD.str());
        return out;
    }();
    return k;
}

// Per operation: the seconds of each side and the ratio of each pair.
struct Pairs {
    std::vector<double> raw, driver, ratio;
};
std::map<std::string, Pairs>& pairs() {
    static std::map<std::string, Pairs> m;
    return m;
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// --- the table driver ---------------------------------------------------------------

struct Driver {
    BRec r;
    rt::File f{bench_def(), &r};

    double add() {
        f.Close();
        f.Remove();
        if (f.Open() != rt::kNoError) return -1;
        const auto t = Clock::now();
        f.BeginTransaction();
        for (const BRec& row : rows()) {
            r = row;
            if (f.Add() != rt::kNoError) return -1;
        }
        f.Commit();
        return since(t);
    }
    double scan() {
        if (!f.IsOpen() && f.Open() != rt::kNoError) return -1;
        const auto t = Clock::now();
        f.Set(0);
        long n = 0;
        double sum = 0;
        while (f.Next() == rt::kNoError) {
            ++n;
            sum += r.IZNOS;
        }
        benchmark::DoNotOptimize(sum);
        return n == kRows ? since(t) : -1;
    }
    double get() {
        if (!f.IsOpen() && f.Open() != rt::kNoError) return -1;
        const auto t = Clock::now();
        double sum = 0;
        for (const std::string& key : get_keys()) {
            r.KOD = key;
            if (f.Get(0) != rt::kNoError) return -1;
            sum += r.IZNOS;
        }
        benchmark::DoNotOptimize(sum);
        return since(t);
    }
};

// --- raw sqlite3 ----------------------------------------------------------------------

// A text bound where it stands; a text with letters beyond ASCII is converted into
// `keep`, which the caller keeps until the statement has run.
void bind_text(sqlite3_stmt* st, int i, std::string_view cp1250, std::string& keep) {
    if (rt::sql::kvci::is_ascii(cp1250)) {
        sqlite3_bind_text(st, i, cp1250.data(), static_cast<int>(cp1250.size()), SQLITE_STATIC);
    } else {
        keep = rt::cp1250_to_utf8(cp1250);
        sqlite3_bind_text(st, i, keep.data(), static_cast<int>(keep.size()), SQLITE_STATIC);
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

void read_row(sqlite3_stmt* st, BRec& r) {
    read_text(st, 0, r.KOD);
    read_text(st, 1, r.NAZIV);
    r.DATUM = static_cast<std::int32_t>(sqlite3_column_int64(st, 2));
    r.IZNOS = sqlite3_column_double(st, 3);
    r.BROJ = static_cast<std::int16_t>(sqlite3_column_int64(st, 4));
}

struct Raw {
    sqlite3* db = nullptr;
    Raw() {
        sqlite3_open((store_dir() / "RAW.sqlite").c_str(), &db);
        sqlite3_busy_timeout(db, 10000);
        rt::sql::kvci::Register(db);
        sqlite3_exec(db, "PRAGMA cache_size=-32768; PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL",
                     nullptr, nullptr, nullptr);
    }
    ~Raw() { sqlite3_close(db); }

    double add() {
        sqlite3_exec(db,
                     "DROP TABLE IF EXISTS BENCH;"
                     "CREATE TABLE BENCH (KOD TEXT COLLATE KVCI NOT NULL DEFAULT '', NAZIV TEXT COLLATE KVCI "
                     "NOT NULL DEFAULT '', DATUM INTEGER NOT NULL DEFAULT 0, IZNOS REAL NOT NULL DEFAULT 0, "
                     "BROJ INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (KOD));"
                     "CREATE INDEX BENCH_PO_NAZIVU ON BENCH (NAZIV, KOD);",
                     nullptr, nullptr, nullptr);
        const auto t = Clock::now();
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v3(db, "INSERT INTO BENCH (KOD, NAZIV, DATUM, IZNOS, BROJ) VALUES (?, ?, ?, ?, ?)",
                           -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr);
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        std::string k1, k2;
        bool ok = true;
        for (const BRec& row : rows()) {
            bind_text(st, 1, row.KOD.view(), k1);
            bind_text(st, 2, row.NAZIV.view(), k2);
            sqlite3_bind_int64(st, 3, row.DATUM);
            sqlite3_bind_double(st, 4, row.IZNOS);
            sqlite3_bind_int64(st, 5, row.BROJ);
            ok = ok && sqlite3_step(st) == SQLITE_DONE;
            sqlite3_reset(st);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_finalize(st);
        return ok ? since(t) : -1;
    }
    double scan() {
        const auto t = Clock::now();
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v3(db, "SELECT KOD, NAZIV, DATUM, IZNOS, BROJ FROM BENCH ORDER BY KOD", -1,
                           SQLITE_PREPARE_PERSISTENT, &st, nullptr);
        BRec r;
        long n = 0;
        double sum = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            read_row(st, r);
            ++n;
            sum += r.IZNOS;
        }
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(sum);
        return n == kRows ? since(t) : -1;
    }
    double get() {
        const auto t = Clock::now();
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v3(db, "SELECT KOD, NAZIV, DATUM, IZNOS, BROJ FROM BENCH WHERE KOD = ?", -1,
                           SQLITE_PREPARE_PERSISTENT, &st, nullptr);
        BRec r;
        std::string keep;
        double sum = 0;
        bool ok = true;
        for (const std::string& key : get_keys()) {
            bind_text(st, 1, key, keep);
            ok = ok && sqlite3_step(st) == SQLITE_ROW;
            read_row(st, r);
            sum += r.IZNOS;
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(sum);
        return ok ? since(t) : -1;
    }
};

Raw& raw() {
    static Raw r;
    return r;
}
Driver& driver() {
    static Driver d;
    return d;
}

// One pair a iteration; the time reported is the driver's.
template <class Op>
void Pair(benchmark::State& state, const std::string& name, Op op) {
    store_dir();
    bool raw_first = true;
    for (auto _ : state) {
        double r = 0, d = 0;
        if (raw_first) {
            r = op(raw(), true);
            d = op(driver(), false);
        } else {
            d = op(driver(), false);
            r = op(raw(), true);
        }
        raw_first = !raw_first;
        if (r <= 0 || d <= 0) {
            state.SkipWithError((name + " failed: " + rt::FileError()).c_str());
            return;
        }
        Pairs& p = pairs()[name];
        p.raw.push_back(r);
        p.driver.push_back(d);
        p.ratio.push_back(d / r);
        state.SetIterationTime(d);
    }
    state.counters["ratio"] = median(pairs()[name].ratio);
}

void AddPair(benchmark::State& state) {
    Pair(state, "add", [](auto& side, bool) { return side.add(); });
}
void ScanPair(benchmark::State& state) {
    Pair(state, "scan", [](auto& side, bool) { return side.scan(); });
}
void GetPair(benchmark::State& state) {
    Pair(state, "get", [](auto& side, bool) { return side.get(); });
}

BENCHMARK(AddPair)->Iterations(4)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ScanPair)->Iterations(9)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(GetPair)->Iterations(9)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const char* op : {"add", "scan", "get"}) {
        const Pairs& p = pairs()[op];
        if (p.ratio.empty()) continue;
        std::printf(
            "%-4s %6d %s: table driver %8.1f ms, raw sqlite3 %8.1f ms (medians); median ratio of %zu "
            "pairs %.2f (from %.2f to %.2f)\n",
            op, std::string(op) == "get" ? kGets : kRows, std::string(op) == "get" ? "gets" : "rows",
            median(p.driver) * 1e3, median(p.raw) * 1e3, p.ratio.size(), median(p.ratio),
            *std::min_element(p.ratio.begin(), p.ratio.end()),
            *std::max_element(p.ratio.begin(), p.ratio.end()));
    }
    driver().f.Close();
    rt::sql::CloseThreadConnections();
    fs::remove_all(store_dir());
    return 0;
}
