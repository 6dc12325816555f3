// SQLite connections of the program (the embedded store and keyed files): a SOCI session
// for the opening, then prepared statements on its native handle. Waits for other writers
// (busy timeout, then retries), so that threads and processes sharing a database never
// fail with "database is locked".
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <random>
#include <thread>

#include "platform/core/text.h"
#include "platform/files/file.h"
#include "platform/files/sql/busy_wait.h"
#include "platform/files/sql/connection_impl.h"
#include "platform/files/sql/kvci.h"

namespace rt::sql::detail {
namespace {

constexpr int kBusyTimeoutMs = 10000;
// Beyond the busy timeout, a busy statement is tried again until this much time passed.
constexpr auto kBusyDeadline = std::chrono::seconds(120);

bool busy(int rc) {
    rc &= 0xff;
    return rc == SQLITE_BUSY || rc == SQLITE_LOCKED;
}

std::atomic<BusyWaitObserver> g_busy_observer{nullptr};

// This thread's wait for other writers, from its first busy answer until the statement
// goes on, and what of it was reported.
class WaitReport {
public:
    void Tick() {
        const auto now = std::chrono::steady_clock::now();
        if (!active_) {
            active_ = true;
            since_ = now;
        }
        const auto waited = now - since_;
        const BusyWait stage = waited >= kBusyWaitLong    ? BusyWait::WaitingLong
                               : waited >= kBusyWaitShown ? BusyWait::Waiting
                                                          : BusyWait::Ended;
        if (static_cast<int>(stage) > static_cast<int>(shown_)) {
            shown_ = stage;
            if (BusyWaitObserver o = g_busy_observer.load()) o(stage);
        }
    }
    void End() {
        if (!active_) return;
        active_ = false;
        if (shown_ != BusyWait::Ended)
            if (BusyWaitObserver o = g_busy_observer.load()) o(BusyWait::Ended);
        shown_ = BusyWait::Ended;
    }

private:
    bool active_ = false;
    std::chrono::steady_clock::time_point since_;
    BusyWait shown_ = BusyWait::Ended;
};

WaitReport& wait_report() {
    thread_local WaitReport r;
    return r;
}

// The statement ends its wait on every way out.
struct WaitEnds {
    ~WaitEnds() { wait_report().End(); }
};

void pause_a_little() {
    thread_local std::minstd_rand rng{std::random_device{}()};
    wait_report().Tick();
    std::this_thread::sleep_for(std::chrono::milliseconds(5 + rng() % 20));
    wait_report().Tick();
}

// SQLite's busy handler: waits in growing steps up to the busy timeout of one locking
// event, reporting the wait as it goes.
int on_busy(void*, int count) {
    thread_local std::chrono::steady_clock::time_point first;
    const auto now = std::chrono::steady_clock::now();
    if (count == 0) first = now;
    if (now - first >= std::chrono::milliseconds(kBusyTimeoutMs)) return 0;
    static constexpr int kSteps[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50};
    const int ms = count < static_cast<int>(std::size(kSteps)) ? kSteps[count] : 100;
    wait_report().Tick();
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    wait_report().Tick();
    return 1;
}

class SqliteConnection;

class SqliteStatement final : public Statement {
public:
    SqliteStatement(std::shared_ptr<SqliteConnection> conn, sqlite3_stmt* st, bool commit)
        : conn_(std::move(conn)), st_(st), commit_(commit) {}
    ~SqliteStatement() override { sqlite3_finalize(st_); }

    void BindNull(int i) override { sqlite3_bind_null(st_, i + 1); }
    void BindInt(int i, std::int64_t v) override { sqlite3_bind_int64(st_, i + 1, v); }
    // SQLite keeps no NaN (it would read back as NULL): it is stored as the text "NaN".
    void BindDouble(int i, double v) override {
        if (std::isnan(v))
            sqlite3_bind_text(st_, i + 1, "NaN", 3, SQLITE_STATIC);
        else
            sqlite3_bind_double(st_, i + 1, v);
    }
    void BindText(int i, std::string_view s) override {
        if (kvci::is_ascii(s)) {
            sqlite3_bind_text(st_, i + 1, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        } else {
            std::string u = cp1250_to_utf8(s);
            sqlite3_bind_text(st_, i + 1, u.data(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
        }
    }
    int Step() override;
    void Reset() override { sqlite3_reset(st_); }
    int ColumnCount() override { return sqlite3_column_count(st_); }
    bool IsNull(int col) override { return sqlite3_column_type(st_, col) == SQLITE_NULL; }
    std::int64_t Int(int col) override { return sqlite3_column_int64(st_, col); }
    double Double(int col) override {
        const double v = sqlite3_column_double(st_, col);
        // A text such as "NaN" reads as 0 in SQLite; only then is the type looked at.
        if (v == 0.0 && sqlite3_column_type(st_, col) == SQLITE_TEXT) {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st_, col));
            return p ? std::strtod(p, nullptr) : 0.0;
        }
        return v;
    }
    std::string Text(int col) override {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st_, col));
        if (!p) return {};
        return FromUtf8({p, static_cast<std::size_t>(sqlite3_column_bytes(st_, col))});
    }
    void TextTo(int col, std::string& out) override {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st_, col));
        const std::string_view u(p ? p : "",
                                 p ? static_cast<std::size_t>(sqlite3_column_bytes(st_, col)) : 0);
        if (kvci::is_ascii(u))
            out.assign(u);
        else
            out = utf8_to_cp1250(u);
    }
    std::int64_t AffectedRows() override { return changes_; }

private:
    std::shared_ptr<SqliteConnection> conn_;
    sqlite3_stmt* st_;
    bool commit_;  // COMMIT may be retried inside its transaction
    std::int64_t changes_ = -1;
};

class SqliteConnection final : public BasicConnection, public std::enable_shared_from_this<SqliteConnection> {
public:
    SqliteConnection(SociSqlite soci, std::string database)
        : soci_(std::move(soci)), db_(static_cast<sqlite3*>(soci_.handle)), database_(std::move(database)) {}

    bool Setup(bool wal) {
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_handler(db_, on_busy, nullptr);
        if (kvci::Register(db_) != SQLITE_OK) {
            FailFromDb(sqlite3_extended_errcode(db_));
            return false;
        }
        // A page cache of up to 32 MiB keeps a firm's tables in memory while they are read.
        if (!Execute("PRAGMA cache_size=-32768")) return false;
        // WAL with synchronous NORMAL: a commit is one append, consistent after any crash;
        // only a power cut may take the last commits back.
        if (wal && !(Execute("PRAGMA journal_mode=WAL") && Execute("PRAGMA synchronous=NORMAL")))
            return false;
        return EnsureCollationOrder(*this);
    }

    Dialect dialect() const override { return Dialect::Sqlite; }
    std::string Database() const override { return database_; }

    std::unique_ptr<Statement> Prepare(std::string_view sql) override {
        const WaitEnds ends;
        std::string text = ToUtf8(sql);
        sqlite3_stmt* st = nullptr;
        const auto deadline = std::chrono::steady_clock::now() + kBusyDeadline;
        for (;;) {
            int rc = sqlite3_prepare_v3(db_, text.data(), static_cast<int>(text.size()),
                                        SQLITE_PREPARE_PERSISTENT, &st, nullptr);
            if (rc == SQLITE_OK) break;
            if (busy(rc) && std::chrono::steady_clock::now() < deadline) {
                pause_a_little();
                continue;
            }
            FailFromDb(rc);
            return nullptr;
        }
        if (!st) {  // only blanks or a comment
            Fail("21", "empty statement");
            return nullptr;
        }
        const bool commit = sqlite3_strnicmp(text.c_str(), "COMMIT", 6) == 0;
        return std::make_unique<SqliteStatement>(shared_from_this(), st, commit);
    }

    bool Execute(std::string_view sql) override {
        auto st = Prepare(sql);
        if (!st) return false;
        int rc;
        while ((rc = st->Step()) == 1) {}
        return rc == 0;
    }

    void FailFromDb(int rc) {
        const int ext = rc == SQLITE_ERROR ? sqlite3_extended_errcode(db_) : rc;
        const char* msg = sqlite3_errmsg(db_);
        Fail(std::to_string(ext), FromUtf8(msg ? msg : sqlite3_errstr(rc)),
             ext == SQLITE_CONSTRAINT_UNIQUE || ext == SQLITE_CONSTRAINT_PRIMARYKEY);
    }
    sqlite3* db() const { return db_; }

protected:
    bool DoBegin() override { return Execute("BEGIN IMMEDIATE"); }
    bool DoCommit() override { return Execute("COMMIT"); }
    bool DoRollback() override { return Execute("ROLLBACK"); }

private:
    SociSqlite soci_;
    sqlite3* db_;
    std::string database_;
};

int SqliteStatement::Step() {
    const WaitEnds ends;
    const auto deadline = std::chrono::steady_clock::now() + kBusyDeadline;
    for (;;) {
        int rc = sqlite3_step(st_);
        if (rc == SQLITE_ROW) return 1;
        if (rc == SQLITE_DONE) {
            changes_ = sqlite3_changes64(conn_->db());
            return 0;
        }
        // Outside a transaction a busy statement can simply run again; inside one only
        // COMMIT can (the transaction stays open when it fails busy).
        if (busy(rc) && (sqlite3_get_autocommit(conn_->db()) || commit_) &&
            std::chrono::steady_clock::now() < deadline) {
            sqlite3_reset(st_);
            pause_a_little();
            continue;
        }
        conn_->FailFromDb(rc);
        sqlite3_reset(st_);
        return -1;
    }
}

}  // namespace

std::string ToUtf8(std::string_view cp1250) {
    return kvci::is_ascii(cp1250) ? std::string(cp1250) : cp1250_to_utf8(cp1250);
}
std::string FromUtf8(std::string_view utf8) {
    return kvci::is_ascii(utf8) ? std::string(utf8) : utf8_to_cp1250(utf8);
}

std::shared_ptr<Connection> OpenSqlite(const std::string& path, std::string database, bool wal,
                                       bool create_folders) {
    namespace fs = std::filesystem;
    try {
        const fs::path p(path);
        if (create_folders && p.has_parent_path()) fs::create_directories(p.parent_path());
        auto conn = std::make_shared<SqliteConnection>(OpenSociSqlite(path), std::move(database));
        if (!conn->Setup(wal)) {
            SetDriverError("", conn->ErrorCodeText(), conn->ErrorText());
            return nullptr;
        }
        return conn;
    } catch (const std::exception& e) {
        SetDriverError("", std::to_string(SQLITE_CANTOPEN), FromUtf8(e.what()));
        return nullptr;
    }
}

}  // namespace rt::sql::detail

namespace rt::sql {

void SetBusyWaitObserver(BusyWaitObserver observer) { detail::g_busy_observer.store(observer); }

std::shared_ptr<Connection> OpenSqliteFile(const std::string& path, bool wal) {
    return detail::OpenSqlite(path, std::filesystem::path(path).stem().string(), wal, false);
}

}  // namespace rt::sql
