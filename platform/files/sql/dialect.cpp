// The SQLite form of pass-through SQL, and what both connection kinds share.
#include <cctype>
#include <filesystem>

#include "platform/core/text.h"
#include "platform/files/file.h"
#include "platform/files/sql/connection_impl.h"
#include "platform/files/sql/sql_table.h"

namespace rt::sql {
namespace {

bool ident_char(char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) || c == '_' || c == '@' || c == '#' || c == '$' || u >= 0x80;
}
bool ident_start(char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalpha(u) || c == '_' || c == '@' || u >= 0x80;
}

// Copies a quoted span starting at s[i] (closing character `close`, doubled inside) and
// returns the position after it.
std::size_t copy_quoted(std::string_view s, std::size_t i, char close, std::string& out) {
    std::size_t j = i + 1;
    while (j < s.size()) {
        if (s[j] == close) {
            if (j + 1 < s.size() && s[j + 1] == close) {
                j += 2;
                continue;
            }
            ++j;
            break;
        }
        ++j;
    }
    out.append(s.substr(i, j - i));
    return j;
}

}  // namespace

SqliteRewrite RewriteForSqlite(std::string_view s, std::string_view main_database) {
    SqliteRewrite r;
    r.sql.reserve(s.size() + 8);
    std::size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        const bool after_ident = i > 0 && (ident_char(s[i - 1]) || s[i - 1] == '.');
        if (c == '\'') {
            i = copy_quoted(s, i, '\'', r.sql);
        } else if (c == '"') {
            i = copy_quoted(s, i, '"', r.sql);
        } else if (c == '[') {
            i = copy_quoted(s, i, ']', r.sql);
        } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
            std::size_t e = s.find('\n', i);
            e = e == std::string_view::npos ? s.size() : e;
            r.sql.append(s.substr(i, e - i));
            i = e;
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            std::size_t e = s.find("*/", i + 2);
            e = e == std::string_view::npos ? s.size() : e + 2;
            r.sql.append(s.substr(i, e - i));
            i = e;
        } else if (c == '#' && !after_ident && i + 1 < s.size() && ident_char(s[i + 1])) {
            // A temporary table of the connection: a TEMP table whose name keeps the '#'.
            std::size_t j = i + 1;
            while (j < s.size() && ident_char(s[j])) ++j;
            r.sql += '"';
            r.sql.append(s.substr(i, j - i));
            r.sql += '"';
            i = j;
        } else if (std::isdigit(static_cast<unsigned char>(c)) && !after_ident) {
            std::size_t j = i;
            while (j < s.size() && (ident_char(s[j]) || s[j] == '.')) ++j;
            r.sql.append(s.substr(i, j - i));
            i = j;
        } else if (ident_start(c) && !after_ident) {
            std::size_t j = i;
            while (j < s.size() && ident_char(s[j])) ++j;
            const std::string_view word = s.substr(i, j - i);
            const std::string up = upper(word);
            if (up == "ISNULL" && j < s.size() && s[j] == '(') {
                r.sql += "IFNULL";
            } else if (j + 5 < s.size() && upper(s.substr(j, 5)) == ".DBO." &&
                       (ident_char(s[j + 5]) || s[j + 5] == '"' || s[j + 5] == '[')) {
                // X.dbo.T: the table T of the database X.
                if (equal_nocase(word, main_database)) {
                    r.sql += "main.";
                } else {
                    r.sql.append(word);
                    r.sql += '.';
                    bool known = false;
                    for (const auto& a : r.attach) known = known || equal_nocase(a, word);
                    if (!known) r.attach.emplace_back(word);
                }
                j += 5;
            } else {
                r.sql.append(word);
            }
            i = j;
        } else {
            r.sql += c;
            ++i;
        }
    }
    return r;
}

namespace detail {

void BasicConnection::Fail(std::string code, std::string text, bool duplicate) {
    code_ = std::move(code);
    text_ = std::move(text);
    dup_ = duplicate;
}

bool BasicConnection::Begin() {
    if (depth_ == 0 && !DoBegin()) return false;
    ++depth_;
    return true;
}

bool BasicConnection::Commit() {
    if (depth_ == 0) {
        Fail("", "no transaction to commit");
        return false;
    }
    if (depth_ > 1) {
        --depth_;
        return true;
    }
    if (!DoCommit()) return false;  // still open: the caller may retry or roll back
    depth_ = 0;
    return true;
}

bool BasicConnection::Rollback() {
    if (depth_ == 0) {
        Fail("", "no transaction to roll back");
        return false;
    }
    depth_ = 0;
    return DoRollback();
}

namespace {

// The order of the collation KVCI that a SQLite database's indexes were built in, kept as
// the database's user_version: 0 (nothing recorded) the byte order of the upper-case
// form, 2 the Serbian alphabet of rt::compare_nocase.
constexpr int kCollationOrder = 2;

bool read_order(Connection& c, int& order) {
    auto st = c.Prepare("PRAGMA user_version");
    if (!st) return false;
    const int rc = st->Step();
    if (rc < 0) return false;
    order = rc == 1 ? static_cast<int>(st->Int(0)) : 0;
    return true;
}

}  // namespace

bool EnsureCollationOrder(Connection& c) {
    int order = 0;
    if (!read_order(c, order)) return false;
    if (order == kCollationOrder) return true;
    // One station rebuilds; one that waited finds the order recorded.
    if (!c.Begin()) return false;
    bool ok = read_order(c, order);
    if (ok && order != kCollationOrder)
        ok = c.Execute("REINDEX KVCI") &&
             c.Execute("PRAGMA user_version = " + std::to_string(kCollationOrder));
    if (ok && c.Commit()) return true;
    if (c.InTransaction()) {
        // Keep the failure's own text, not the rollback's.
        auto* b = dynamic_cast<BasicConnection*>(&c);
        const std::string code = c.ErrorCodeText(), text = c.ErrorText();
        c.Rollback();
        if (b) b->Fail(code, text);
    }
    return false;
}

bool BasicConnection::AttachDatabase(const std::string& name, const std::string& folder) {
    namespace fs = std::filesystem;
    const fs::path file =
        name.find_first_of("/\\") == std::string::npos ? FindDatabaseFile(folder, name) : "";
    if (file.empty()) {
        Fail("14", "cannot open database " + name + ": " +
                       FromUtf8((fs::path(folder) / (ToUtf8(name) + ".sqlite")).string()) +
                       " does not exist");
        return false;
    }
    if (InTransaction()) {
        Fail("1", "cannot attach database " + name + " within a transaction");
        return false;
    }
    // Opened once on its own first, so that its indexes follow the collation's order.
    if (!OpenSqlite(file.string(), name, true, false)) {
        Fail(FileErrorCode(), "cannot open database " + name + ": " + FileError());
        return false;
    }
    auto st = Prepare("ATTACH DATABASE ? AS " + QuoteIdent(Dialect::Sqlite, name));
    if (!st) return false;
    st->BindText(0, FromUtf8(file.string()));
    return st->Step() == 0;
}

std::unique_ptr<Statement> BasicConnection::PreparePassThrough(std::string_view sql) {
    if (dialect() != Dialect::Sqlite) return Prepare(sql);
    // The main database's file: its folder holds the other databases, its name is the
    // main database's name.
    std::string main_file;
    if (auto st = Prepare("PRAGMA database_list")) {
        while (st->Step() == 1)
            if (st->Text(1) == "main") main_file = ToUtf8(st->Text(2));
    }
    namespace fs = std::filesystem;
    const fs::path main_path(main_file);
    SqliteRewrite rw = RewriteForSqlite(sql, utf8_to_cp1250(main_path.stem().string()));
    for (const auto& name : rw.attach) {
        const std::string key = upper(name);
        if (attached_.count(key)) continue;
        if (main_file.empty()) {
            Fail("14", "cannot open database " + name + " beside an in-memory database");
            return nullptr;
        }
        if (!AttachDatabase(name, main_path.parent_path().string())) return nullptr;
        attached_.insert(key);
    }
    return Prepare(rw.sql);
}

}  // namespace detail
}  // namespace rt::sql
