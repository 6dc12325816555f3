// What the benchmarks measure the program against: raw sqlite3 on the same database file,
// with the program's collation and its connection settings, and copies of the rows the
// program wrote, to be written again with prepared statements in one transaction. Also
// the median of a benchmark's runs.
#pragma once

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/files/sql/kvci.h"

namespace kvbench {

// A connection as the program makes it: the collation and its functions, the page cache, WAL, synchronous NORMAL.
inline sqlite3* raw_open(const std::filesystem::path& file, bool readonly = false) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db,
                    readonly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    sqlite3_busy_timeout(db, 10000);
    rt::sql::kvci::Register(db);
    sqlite3_exec(db, "PRAGMA cache_size=-32768; PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr,
                 nullptr, nullptr);
    return db;
}

// The rows of a table the program wrote, as SQLite values, with the insert that writes
// them again (every column).
struct TableRows {
    std::string name, insert;
    int columns = 0;
    std::vector<std::vector<sqlite3_value*>> rows;
    TableRows() = default;
    TableRows(const TableRows&) = delete;
    TableRows& operator=(const TableRows&) = delete;
    TableRows(TableRows&&) = default;
    TableRows& operator=(TableRows&& o) noexcept {
        std::swap(name, o.name);
        std::swap(insert, o.insert);
        std::swap(columns, o.columns);
        std::swap(rows, o.rows);
        return *this;
    }
    ~TableRows() {
        for (auto& row : rows)
            for (sqlite3_value* v : row) sqlite3_value_free(v);
    }
};

// The rows of `table` in `src` that `where` selects; its schema (the table and its
// indexes) made in `dst` when given.
inline TableRows copy_rows(sqlite3* src, const std::string& table, const std::string& where, sqlite3* dst) {
    sqlite3_stmt* st = nullptr;
    if (dst) {
        sqlite3_prepare_v2(src, ("SELECT sql FROM sqlite_master WHERE tbl_name='" + table + "'").c_str(), -1,
                           &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW)
            if (const unsigned char* sql = sqlite3_column_text(st, 0))
                sqlite3_exec(dst, reinterpret_cast<const char*>(sql), nullptr, nullptr, nullptr);
        sqlite3_finalize(st);
    }
    TableRows tr;
    tr.name = table;
    sqlite3_prepare_v2(src, ("SELECT * FROM " + table + (where.empty() ? "" : " WHERE " + where)).c_str(), -1,
                       &st, nullptr);
    tr.columns = sqlite3_column_count(st);
    tr.insert = "INSERT INTO " + table + " VALUES (";
    for (int c = 0; c < tr.columns; ++c) tr.insert += c ? ", ?" : "?";
    tr.insert += ")";
    while (sqlite3_step(st) == SQLITE_ROW) {
        std::vector<sqlite3_value*> row;
        for (int c = 0; c < tr.columns; ++c) row.push_back(sqlite3_value_dup(sqlite3_column_value(st, c)));
        tr.rows.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    return tr;
}

// Writes the rows again with one prepared insert per table; "" or the first error.
inline std::string insert_rows(sqlite3* db, const TableRows& tr) {
    std::string error;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v3(db, tr.insert.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr);
    for (const auto& row : tr.rows) {
        for (int c = 0; c < tr.columns; ++c) sqlite3_bind_value(st, c + 1, row[static_cast<std::size_t>(c)]);
        if (sqlite3_step(st) != SQLITE_DONE && error.empty()) error = sqlite3_errmsg(db);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    return error;
}

// The times of each measured thing, in milliseconds, run by run.
inline std::map<std::string, std::vector<double>>& runs_ms() {
    static std::map<std::string, std::vector<double>> m;
    return m;
}
inline double median_ms(const std::string& name) {
    std::vector<double> v = runs_ms()[name];
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace kvbench
