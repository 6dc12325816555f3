// A second workstation for the tests: a process of its own that works on one row of the
// embedded store, one flat firms list or one settings file, as the tests that start it
// ask, so that what two processes do to the same data can be watched.
//
//   kv_station row-hammer  <store> <A|B> <n>      n increments of the shared row (added
//                                                 by the first station that misses it)
//   kv_station row-step    <store>                commands on stdin: read, inc A|B
//   kv_station firms-hammer <file> <tag> <n>      n firms added, each with an increment
//   kv_station firms-step  <file>                 commands on stdin: read, inc, count
//   kv_station ini-hammer  <file> <tag> <n>       n entries written in section <tag>
//   kv_station leave       <file>                 leaves a temporary copy as a writer that
//                                                 died before its rename would, and ends
//
// A <store> is the folder of the embedded store, or odbc:<database file> for a database
// reached over ODBC (the SQLite ODBC driver, unless KVADRIN_ODBC_DRIVER names another).
//
// The hammers print "ready" when set up, start at the next line on stdin, and at the end
// print "conflicts N" (PUTs answered 89 and done again after a new read) or "retries N"
// (settings writes done again) and end with 0; anything else ends with 1.
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "platform/core/ini.h"
#include "platform/files/file.h"
#include "platform/files/layout.h"
#include "platform/files/record.h"
#include "platform/files/sql/connection.h"

namespace {

// The shared row: KOD "R", a count N of all increments and one count per station.
struct RowRec {
    rt::CString<11> KOD;
    rt::Long N;
    rt::Long A;
    rt::Long B;
    rt::CString<31> NAME;
};

std::string g_row_owner = "(localdb)\\,STATIONS,,";

const rt::TableDef& row_def() {
    static const rt::TableDef d = [] {
        rt::TableDef t;
        t.name = "STATIONS";
        t.owner = g_row_owner;
        t.create = true;
        auto& L = t.layout;
        L.prefix = "S";
        L.record_size = sizeof(RowRec);
        L.fields = {rt::field_for<decltype(RowRec::KOD)>("S:KOD", offsetof(RowRec, KOD)),
                    rt::field_for<decltype(RowRec::N)>("S:N", offsetof(RowRec, N)),
                    rt::field_for<decltype(RowRec::A)>("S:A", offsetof(RowRec, A)),
                    rt::field_for<decltype(RowRec::B)>("S:B", offsetof(RowRec, B)),
                    rt::field_for<decltype(RowRec::NAME)>("S:NAME", offsetof(RowRec, NAME))};
        L.keys.push_back(rt::make_key(L, "S:Po_kodu", {"S:KOD"}, rt::kKeyPrimary | rt::kKeyNoCase));
        return t;
    }();
    return d;
}

// A firms list: sealed fixed-length records keyed by name, as the firms list is.
struct FirmRec {
    rt::FString<20> NAME;
    rt::Long NUM;
    rt::FString<40> NOTE;
};

const rt::TableDef& firm_def() {
    static const rt::TableDef d = [] {
        rt::TableDef t;
        t.name = "FIRMS";
        t.driver = rt::Driver::Flat;
        t.owner = "Tajna!";
        t.create = true;
        t.encrypted = true;
        auto& L = t.layout;
        L.prefix = "F";
        L.record_size = sizeof(FirmRec);
        L.fields = {rt::field_for<decltype(FirmRec::NAME)>("F:NAME", offsetof(FirmRec, NAME)),
                    rt::field_for<decltype(FirmRec::NUM)>("F:NUM", offsetof(FirmRec, NUM)),
                    rt::field_for<decltype(FirmRec::NOTE)>("F:NOTE", offsetof(FirmRec, NOTE))};
        L.keys.push_back(rt::make_key(L, "F:PO_NAZIVU", {"F:NAME"}, rt::kKeyPrimary | rt::kKeyNoCase));
        return t;
    }();
    return d;
}

// Hammers start together: each says "ready" when set up and waits for a line.
void wait_for_go() {
    std::printf("ready\n");
    std::fflush(stdout);
    std::string go;
    std::getline(std::cin, go);
}

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "kv_station: %s (%d %s)\n", what.c_str(), rt::ErrorCode(), rt::FileError().c_str());
    std::fflush(stderr);
    std::_Exit(1);
}

// The shared row read again into the buffer; added first by whichever station finds it
// missing.
void read_row(rt::File& f, RowRec& r) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        f.Clear();
        r.KOD = "R";
        if (f.Get(0) == rt::kNoError) return;
        if (rt::ErrorCode() != rt::kRecordNotFound) break;
        f.Clear();
        r.KOD = "R";
        const int rc = f.Add();
        if (rc != rt::kNoError && rc != rt::kDuplicateKey) break;
    }
    fail("read the row");
}

// One increment by station `tag`; the PUT's answer.
int increment(rt::File& f, RowRec& r, char tag) {
    r.N = r.N.get() + 1;
    rt::Long& mine = tag == 'A' ? r.A : r.B;
    mine = mine.get() + 1;
    return f.Put();
}

int row_hammer(char tag, int n) {
    RowRec r{};
    rt::File f(row_def(), &r);
    if (f.Open() != rt::kNoError) fail("open the table");
    read_row(f, r);
    wait_for_go();
    int conflicts = 0;
    for (int i = 0; i < n; ++i) {
        for (;;) {
            read_row(f, r);
            const int rc = increment(f, r, tag);
            if (rc == rt::kNoError) break;
            if (rc != rt::kRecordChanged) fail("put");
            ++conflicts;
        }
    }
    std::printf("conflicts %d\n", conflicts);
    f.Close();
    rt::sql::CloseThreadConnections();
    return 0;
}

int row_step() {
    RowRec r{};
    rt::File f(row_def(), &r);
    if (f.Open() != rt::kNoError) fail("open the table");
    std::string cmd;
    while (std::cin >> cmd) {
        if (cmd == "read") {
            read_row(f, r);
            std::printf("%d %d %d\n", r.N.get(), r.A.get(), r.B.get());
        } else if (cmd == "inc") {
            std::string tag;
            std::cin >> tag;
            std::printf("%d\n", increment(f, r, tag.empty() ? 'A' : tag[0]));
        } else {
            fail("unknown command " + cmd);
        }
        std::fflush(stdout);
    }
    f.Close();
    rt::sql::CloseThreadConnections();
    return 0;
}

struct Firms {
    FirmRec r{};
    rt::File f{firm_def(), &r};
    explicit Firms(const std::string& path) {
        f.BindName([path] { return path; });
        if (f.Open() != rt::kNoError) fail("open the firms list");
    }
    void read_shared() {
        for (int attempt = 0; attempt < 2; ++attempt) {
            f.Clear();
            r.NAME = "SHARED";
            if (f.Get(0) == rt::kNoError) return;
            if (rt::ErrorCode() != rt::kRecordNotFound) break;
            f.Clear();
            r.NAME = "SHARED";
            const int rc = f.Add();
            if (rc != rt::kNoError && rc != rt::kDuplicateKey) break;
        }
        fail("read the shared firm");
    }
    int increment() {
        r.NUM = r.NUM.get() + 1;
        return f.Put();
    }
};

int firms_hammer(const std::string& path, const std::string& tag, int n) {
    Firms t(path);
    t.read_shared();
    wait_for_go();
    int conflicts = 0;
    for (int i = 0; i < n; ++i) {
        t.f.Clear();
        t.r.NAME = tag + "-" + std::to_string(i);
        t.r.NUM = i;
        if (t.f.Add() != rt::kNoError) fail("add a firm");
        for (;;) {
            t.read_shared();
            const int rc = t.increment();
            if (rc == rt::kNoError) break;
            if (rc != rt::kRecordChanged) fail("put the shared firm");
            ++conflicts;
        }
    }
    std::printf("conflicts %d\n", conflicts);
    return 0;
}

int firms_step(const std::string& path) {
    Firms t(path);
    std::string cmd;
    while (std::cin >> cmd) {
        if (cmd == "read") {
            t.read_shared();
            std::printf("%d\n", t.r.NUM.get());
        } else if (cmd == "inc") {
            std::printf("%d\n", t.increment());
        } else if (cmd == "count") {
            std::printf("%ld\n", t.f.Records());
        } else {
            fail("unknown command " + cmd);
        }
        std::fflush(stdout);
    }
    return 0;
}

int ini_hammer(const std::string& path, const std::string& tag, int n) {
    rt::IniManager ini;
    ini.Init(path);
    wait_for_go();
    int retries = 0;
    for (int i = 0; i < n; ++i) {
        int tries = 0;
        while (!ini.Update(tag, "K" + std::to_string(i), static_cast<long>(i))) {
            if (++tries > 20) fail("write the settings");
            ++retries;
        }
    }
    std::printf("retries %d\n", retries);
    return 0;
}

int leave(const std::string& path) {
    const std::string tmp = path + ".~" + std::to_string(::getpid()) + "-1-0123456789abcdef";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0) fail("create " + tmp);
    if (::write(fd, "half of a file", 14) != 14) fail("write " + tmp);
    std::_Exit(0);  // dies before the rename
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) fail("usage: kv_station MODE ARGS");
    const std::string mode = argv[1];
    const std::string where = argv[2];
    if (mode == "row-hammer" || mode == "row-step") {
        if (where.rfind("odbc:", 0) == 0) {
            g_row_owner = "odbc-sqlite," + where.substr(5) + ",,";
            ::setenv("KVADRIN_ODBC_DRIVER", "SQLite3", 1);
            ::setenv("KVADRIN_SQLITE_EXT", KVADRIN_BUILD_DIR "/libkvci.so", 0);
        } else {
            ::setenv("KVADRIN_LOCALDB", where.c_str(), 1);
            if (!rt::sql::CreateEmbeddedDatabase(g_row_owner))
                fail("cannot make the database: " + rt::FileError());
        }
        if (mode == "row-step") return row_step();
        if (argc < 5) fail("usage: kv_station row-hammer STORE A|B N");
        return row_hammer(argv[3][0], std::atoi(argv[4]));
    }
    if (mode == "firms-step") return firms_step(where);
    if (mode == "leave") return leave(where);
    if (argc < 5) fail("usage: kv_station " + mode + " FILE TAG N");
    if (mode == "firms-hammer") return firms_hammer(where, argv[3], std::atoi(argv[4]));
    if (mode == "ini-hammer") return ini_hammer(where, argv[3], std::atoi(argv[4]));
    fail("unknown mode " + mode);
}
