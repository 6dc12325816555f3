// The collation KVCI and the functions KVUPPER and KVINSTR registered on a SQLite
// connection. One source for both uses: compiled into the store with SQLITE_CORE (the
// plain SQLite API), and into the loadable extension libkvci.so without it (every call
// through the routines the loading SQLite hands over; see platform/sqlite_ext).
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT3

#include <string>

#include "platform/files/sql/kvci.h"

namespace rt::sql::kvci {
namespace {

int collate(void*, int na, const void* a, int nb, const void* b) {
    return compare({static_cast<const char*>(a), static_cast<std::size_t>(na)},
                   {static_cast<const char*>(b), static_cast<std::size_t>(nb)});
}

void kvupper(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const int n = sqlite3_value_bytes(argv[0]);
    thread_local std::string up;  // once per row of a scan: no allocation each time
    rt::upper_utf8({p ? p : "", static_cast<std::size_t>(n)}, up);
    sqlite3_result_text(ctx, up.data(), static_cast<int>(up.size()), SQLITE_TRANSIENT);
}

void kvinstr(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* h = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const std::size_t hn = static_cast<std::size_t>(sqlite3_value_bytes(argv[0]));
    const auto* n = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    const std::size_t nn = static_cast<std::size_t>(sqlite3_value_bytes(argv[1]));
    sqlite3_result_int64(ctx, instr_upper({h ? h : "", hn}, {n ? n : "", nn}));
}

}  // namespace

int Register(sqlite3* db) {
    int rc = sqlite3_create_collation_v2(db, "KVCI", SQLITE_UTF8, nullptr, collate, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(db, "KVUPPER", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                        kvupper, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(db, "KVINSTR", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                        kvinstr, nullptr, nullptr, nullptr);
    return rc;
}

}  // namespace rt::sql::kvci
