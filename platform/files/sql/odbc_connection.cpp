// Connections over ODBC, on the ODBC API itself: SQL Server, or SQLite behind the SQLite
// ODBC driver (then in the SQLite dialect, with the collation extension loaded).
//
// On SQL Server texts travel as wide text (UTF-16, SQL_WVARCHAR), so that they arrive whole
// whatever the database's code page; a text parameter is declared with its field's width
// (4000 when the caller names none), integers as int (bigint beyond its range), reals as
// float. A statement is prepared once for its text and shape of parameters: its ODBC
// handle is bound once and executed again with new values, and goes back to a cache of the
// connection when the statement ends, for the next statement of the same text; a row the
// server refuses (a duplicate key) keeps it prepared. A statement
// without parameters runs directly, never prepared (SQL Server drops the temporary tables a
// prepared statement makes when it ends). A result is read to its end before the handle is
// closed, so that the driver has nothing to cancel.
//
// A failure whose state is of class 08 (the connection is gone) marks the connection
// lost: the server has rolled back its open transaction and dropped its temporary tables,
// and the error says so. The next use connects again, unless a transaction was open when
// the connection was lost: then every use fails until the caller rolls it back.
#include <fcntl.h>
#include <spawn.h>
#include <sql.h>
#include <sqlext.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <list>
#include <optional>
#include <vector>

#include "platform/core/text.h"
#include "platform/files/file.h"
#include "platform/files/sql/connection_impl.h"

namespace rt::sql::detail {
namespace {

// Parameters of a statement: one '?' each, outside quotes.
int count_parameters(std::string_view sql) {
    int n = 0;
    char quote = 0;
    for (char c : sql) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '[') {
            quote = ']';
        } else if (c == '?') {
            ++n;
        }
    }
    return n;
}

std::string extension_path() {
    if (const char* env = std::getenv("KVADRIN_SQLITE_EXT"); env && *env) return env;
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    auto lib = exe.parent_path() / "libkvci.so";
    return std::filesystem::exists(lib, ec) ? lib.string() : std::string();
}

bool contains(std::string_view hay, std::string_view needle) {
    return upper(hay).find(upper(needle)) != std::string::npos;
}

// UTF-8 to UTF-16 code units and back (SQLWCHAR is 16 bits).
void to_wide(std::string_view s, std::vector<SQLWCHAR>& out) {
    out.clear();
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i++]);
        std::uint32_t c = b;
        int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        if (extra) c = b & (0x3F >> extra);
        for (; extra > 0 && i < s.size(); --extra) c = (c << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<SQLWCHAR>(0xD800 + (c >> 10)));
            out.push_back(static_cast<SQLWCHAR>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<SQLWCHAR>(c));
        }
    }
}

void append_utf8(const SQLWCHAR* w, std::size_t n, std::string& out) {
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t c = w[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n) c = 0x10000 + ((c - 0xD800) << 10) + (w[++i] - 0xDC00);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
}

// The diagnostic records of a handle.
struct Diagnostic {
    std::string state;
    int native = 0;
    std::string text;  // UTF-8
};
std::vector<Diagnostic> diagnostics(SQLSMALLINT type, SQLHANDLE h, bool wide) {
    std::vector<Diagnostic> out;
    for (SQLSMALLINT i = 1; i < 20; ++i) {
        SQLINTEGER native = 0;
        SQLSMALLINT len = 0;
        Diagnostic d;
        if (wide) {
            SQLWCHAR state[SQL_SQLSTATE_SIZE + 1] = {0}, msg[SQL_MAX_MESSAGE_LENGTH + 1] = {0};
            if (!SQL_SUCCEEDED(SQLGetDiagRecW(type, h, i, state, &native, msg, SQL_MAX_MESSAGE_LENGTH, &len)))
                break;
            append_utf8(state, SQL_SQLSTATE_SIZE, d.state);
            std::size_t n = 0;
            while (n < SQL_MAX_MESSAGE_LENGTH && msg[n]) ++n;
            append_utf8(msg, n, d.text);
        } else {
            SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {0}, msg[SQL_MAX_MESSAGE_LENGTH + 1] = {0};
            if (!SQL_SUCCEEDED(SQLGetDiagRec(type, h, i, state, &native, msg, sizeof msg, &len))) break;
            d.state = reinterpret_cast<const char*>(state);
            d.text = reinterpret_cast<const char*>(msg);
        }
        d.native = static_cast<int>(native);
        out.push_back(std::move(d));
    }
    return out;
}

constexpr std::size_t kIdleHandles = 64;     // prepared handles a connection keeps for reuse
constexpr std::size_t kDefaultWidth = 4000;  // declared size of a text of no known width
constexpr long kDrainRows = 1000;            // rows read past to avoid a cancel; then cancel
constexpr SQLULEN kLoginSeconds = 15;

// One session with the server.
struct Link {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    bool connected = false;
    bool lost = false;
    ~Link() {
        if (connected) SQLDisconnect(dbc);
        if (dbc != SQL_NULL_HDBC) SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        if (env != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
};

// A parameter as bound to a handle: its types, declared size and buffer (bound once; a new
// binding makes the driver prepare the statement again).
struct Binding {
    SQLSMALLINT c_type = 0, sql_type = 0;
    SQLULEN size = 0;
    std::vector<char> buf;
    SQLLEN ind = 0;
};

// A statement handle of one session, for one text.
struct Handle {
    std::shared_ptr<Link> link;
    SQLHSTMT h = SQL_NULL_HSTMT;
    std::string sql;  // UTF-8
    bool prepared = false;
    std::vector<Binding> bound;  // one per parameter; never resized after creation
    ~Handle() {
        if (h != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, h);
    }
};

class OdbcConnection;

// A statement: parameters are kept as given and bound at the run; the result's columns are
// read with SQLGetData.
class OdbcStatement final : public Statement {
public:
    OdbcStatement(std::shared_ptr<OdbcConnection> conn, std::string sql)
        : conn_(std::move(conn)),
          sql_(std::move(sql)),
          params_(static_cast<std::size_t>(count_parameters(sql_))) {}
    ~OdbcStatement() override;

    void BindNull(int i) override { at(i).kind = Kind::Null; }
    void BindInt(int i, std::int64_t v) override {
        Param& p = at(i);
        p.kind = Kind::Int;
        p.i = v;
    }
    void BindDouble(int i, double v) override {
        Param& p = at(i);
        p.kind = Kind::Real;
        p.d = v;
    }
    void BindText(int i, std::string_view s) override {
        Param& p = at(i);
        p.kind = Kind::Text;
        p.s = ToUtf8(s);
    }
    void DeclareText(int i, std::size_t width) override { at(i).width = width; }
    int Step() override;
    void Reset() override {
        close_cursor();
        state_ = State::Idle;
        cells_.clear();
    }
    int ColumnCount() override { return static_cast<int>(col_kinds_.size()); }
    bool IsNull(int col) override { return !valid(col) || cells_[static_cast<std::size_t>(col)].null; }
    std::int64_t Int(int col) override;
    double Double(int col) override;
    std::string Text(int col) override;
    std::int64_t AffectedRows() override { return affected_; }

private:
    enum class Kind { Null, Int, Real, Text };
    struct Param {
        Kind kind = Kind::Null;
        std::int64_t i = 0;
        double d = 0;
        std::string s;  // UTF-8
        std::size_t width = 0;
    };
    struct Cell {
        bool null = true;
        Kind kind = Kind::Text;
        std::int64_t i = 0;
        double d = 0;
        std::string s;  // UTF-8
    };
    Param& at(int i) {
        if (i < 0 || static_cast<std::size_t>(i) >= params_.size()) {
            static thread_local Param spare;
            return spare;
        }
        return params_[static_cast<std::size_t>(i)];
    }
    bool valid(int col) const { return col >= 0 && static_cast<std::size_t>(col) < cells_.size(); }
    bool bind();
    bool bind_one(std::size_t i, SQLSMALLINT c_type, SQLSMALLINT sql_type, SQLULEN size, std::size_t bytes);
    int start();
    int fetch();
    void close_cursor();
    int failed();
    int refused();

    std::shared_ptr<OdbcConnection> conn_;
    std::string sql_;
    std::vector<Param> params_;
    std::unique_ptr<Handle> h_;
    std::vector<Kind> col_kinds_;
    std::vector<Cell> cells_;
    std::vector<SQLWCHAR> wide_;
    enum class State { Idle, Running, Done } state_ = State::Idle;
    bool open_cursor_ = false;
    std::int64_t affected_ = -1;
};

class OdbcConnection final : public BasicConnection, public std::enable_shared_from_this<OdbcConnection> {
public:
    // `wide`: texts cross the ODBC interface as UTF-16 (the driver manager's narrow calls
    // would pass UTF-8 to a driver that takes them for the locale's code page).
    OdbcConnection(std::string connection_string, std::string database, bool wide)
        : cs_(std::move(connection_string)), database_(std::move(database)), wide_(wide) {}
    ~OdbcConnection() override { idle_.clear(); }

    Dialect dialect() const override { return dialect_; }
    std::string Database() const override { return database_; }
    std::unique_ptr<Statement> Prepare(std::string_view sql) override {
        return std::make_unique<OdbcStatement>(shared_from_this(), ToUtf8(sql));
    }
    bool Execute(std::string_view sql) override;

    // Connects (again); false with the error held.
    bool Connect();
    // Ready for use: connected again when the connection was lost outside a transaction.
    bool Ensure();
    const std::shared_ptr<Link>& link() const { return link_; }
    // A handle for a text: a cached one, else a new one. nullptr with the error held.
    std::unique_ptr<Handle> Acquire(const std::string& sql, std::size_t params);
    void Release(std::unique_ptr<Handle> h);

    // The error of a handle's last call; notes a lost connection. Always false.
    bool FailFrom(SQLSMALLINT type, SQLHANDLE h, const char* what);
    // SQLExecDirect and SQLPrepare of a UTF-8 text.
    SQLRETURN ExecDirect(SQLHSTMT h, std::string& sql);
    SQLRETURN PrepareText(SQLHSTMT h, std::string& sql);
    void FailDriver(std::string code, int native, std::string_view message);

    Dialect dialect_ = Dialect::SqlServer;

protected:
    bool DoBegin() override;
    bool DoCommit() override;
    bool DoRollback() override;

private:
    bool end_transaction(SQLSMALLINT how);
    std::string cs_, database_;
    bool wide_;
    std::vector<SQLWCHAR> text_;
    std::shared_ptr<Link> link_;
    std::list<std::unique_ptr<Handle>> idle_;  // the most recently used first
};

// ---- The connection ------------------------------------------------------------------

bool OdbcConnection::Connect() {
    auto link = std::make_shared<Link>();
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &link->env)) ||
        !SQL_SUCCEEDED(
            SQLSetEnvAttr(link->env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)) ||
        !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, link->env, &link->dbc))) {
        Fail("HY001", "the ODBC driver manager cannot allocate a connection");
        return false;
    }
    // A server that does not answer is given up after a while, as Windows' drivers do.
    SQLSetConnectAttr(link->dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(kLoginSeconds), 0);
    SQLRETURN rc;
    SQLSMALLINT out_len = 0;
    if (wide_) {
        to_wide(cs_, text_);
        SQLWCHAR out[1024];
        rc = SQLDriverConnectW(link->dbc, nullptr, text_.data(), static_cast<SQLSMALLINT>(text_.size()), out,
                               1024, &out_len, SQL_DRIVER_NOPROMPT);
    } else {
        SQLCHAR out[1024];
        rc = SQLDriverConnect(link->dbc, nullptr, reinterpret_cast<SQLCHAR*>(cs_.data()),
                              static_cast<SQLSMALLINT>(cs_.size()), out, sizeof out, &out_len,
                              SQL_DRIVER_NOPROMPT);
    }
    if (!SQL_SUCCEEDED(rc)) return FailFrom(SQL_HANDLE_DBC, link->dbc, "connecting");
    link->connected = true;
    link_ = std::move(link);
    idle_.clear();
    return true;
}

bool OdbcConnection::Ensure() {
    if (link_ && !link_->lost) return true;
    if (InTransaction()) {
        Fail("08S01",
             "The connection to the server was lost during a transaction: its changes were not saved. "
             "Roll the transaction back and start the work again.");
        return false;
    }
    return Connect();
}

std::unique_ptr<Handle> OdbcConnection::Acquire(const std::string& sql, std::size_t params) {
    for (auto it = idle_.begin(); it != idle_.end(); ++it)
        if ((*it)->sql == sql) {
            std::unique_ptr<Handle> h = std::move(*it);
            idle_.erase(it);
            return h;
        }
    auto h = std::make_unique<Handle>();
    h->link = link_;
    h->sql = sql;
    h->bound.resize(params);
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, link_->dbc, &h->h))) {
        h->h = SQL_NULL_HSTMT;
        FailFrom(SQL_HANDLE_DBC, link_->dbc, "allocating a statement");
        return nullptr;
    }
    return h;
}

void OdbcConnection::Release(std::unique_ptr<Handle> h) {
    // Only a prepared handle of the current session is worth keeping.
    if (!h || h->link != link_ || link_->lost || !h->prepared) return;
    idle_.push_front(std::move(h));
    if (idle_.size() > kIdleHandles) idle_.pop_back();
}

bool OdbcConnection::FailFrom(SQLSMALLINT type, SQLHANDLE h, const char* what) {
    const std::vector<Diagnostic> recs = diagnostics(type, h, wide_);
    if (recs.empty()) {
        Fail("", std::string(what) + " failed");
        return false;
    }
    // The error by its real state: the first record that is no mere warning.
    const Diagnostic* chosen = &recs[0];
    for (const auto& r : recs)
        if (r.state.rfind("01", 0) != 0) {
            chosen = &r;
            break;
        }
    bool lost = false;
    std::string text;
    for (const auto& r : recs) {
        lost = lost || r.state.rfind("08", 0) == 0;
        if (text.find(r.text) == std::string::npos) text += (text.empty() ? "" : " ") + r.text;
    }
    const bool ours = link_ && link_->connected && (type != SQL_HANDLE_DBC || h == link_->dbc);
    std::string state = chosen->state;
    if (ours && !lost) {
        // The driver may report the broken socket as an unknown error first: ask it.
        SQLUINTEGER dead = SQL_CD_FALSE;
        if (SQL_SUCCEEDED(SQLGetConnectAttr(link_->dbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
            dead == SQL_CD_TRUE) {
            lost = true;
            state = "08S01";
        }
    }
    if (lost && ours) {
        link_->lost = true;
        idle_.clear();
        text += InTransaction()
                    ? " The connection to the server was lost: the open transaction was rolled back and its "
                      "changes were not saved, and temporary tables were dropped."
                    : " The connection to the server was lost: temporary tables were dropped. The next use "
                      "connects again.";
    }
    FailDriver(state, chosen->native, text);
    return false;
}

void OdbcConnection::FailDriver(std::string code, int native, std::string_view message) {
    std::string text = FromUtf8(message);
    bool dup = native == 2627 || native == 2601;
    if (!dup && (code.rfind("23", 0) == 0 || dialect_ == Dialect::Sqlite))
        dup = contains(text, "UNIQUE constraint") || contains(text, "PRIMARY KEY must be unique") ||
              contains(text, "duplicate key");
    Fail(std::move(code), std::move(text), dup);
}

SQLRETURN OdbcConnection::ExecDirect(SQLHSTMT h, std::string& sql) {
    if (!wide_)
        return SQLExecDirect(h, reinterpret_cast<SQLCHAR*>(sql.data()), static_cast<SQLINTEGER>(sql.size()));
    to_wide(sql, text_);
    return SQLExecDirectW(h, text_.data(), static_cast<SQLINTEGER>(text_.size()));
}

SQLRETURN OdbcConnection::PrepareText(SQLHSTMT h, std::string& sql) {
    if (!wide_)
        return SQLPrepare(h, reinterpret_cast<SQLCHAR*>(sql.data()), static_cast<SQLINTEGER>(sql.size()));
    to_wide(sql, text_);
    return SQLPrepareW(h, text_.data(), static_cast<SQLINTEGER>(text_.size()));
}

bool OdbcConnection::Execute(std::string_view sql) {
    if (!Ensure()) return false;
    std::string text = ToUtf8(sql);
    SQLHSTMT h = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, link_->dbc, &h)))
        return FailFrom(SQL_HANDLE_DBC, link_->dbc, "allocating a statement");
    SQLRETURN rc = ExecDirect(h, text);
    bool ok = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA;
    // Further results of a batch, so that an error in a later statement is seen.
    while (ok && (rc = SQLMoreResults(h)) != SQL_NO_DATA) ok = SQL_SUCCEEDED(rc);
    if (!ok) FailFrom(SQL_HANDLE_STMT, h, "the statement");
    SQLFreeHandle(SQL_HANDLE_STMT, h);
    return ok;
}

bool OdbcConnection::DoBegin() {
    if (dialect_ == Dialect::Sqlite) return Execute("BEGIN IMMEDIATE");
    if (!Ensure()) return false;
    if (!SQL_SUCCEEDED(SQLSetConnectAttr(link_->dbc, SQL_ATTR_AUTOCOMMIT,
                                         reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0)))
        return FailFrom(SQL_HANDLE_DBC, link_->dbc, "beginning a transaction");
    return true;
}

bool OdbcConnection::end_transaction(SQLSMALLINT how) {
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, link_->dbc, how)))
        return FailFrom(SQL_HANDLE_DBC, link_->dbc, how == SQL_COMMIT ? "committing" : "rolling back");
    if (!SQL_SUCCEEDED(SQLSetConnectAttr(link_->dbc, SQL_ATTR_AUTOCOMMIT,
                                         reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0)))
        return FailFrom(SQL_HANDLE_DBC, link_->dbc, "ending a transaction");
    return true;
}

bool OdbcConnection::DoCommit() {
    if (dialect_ == Dialect::Sqlite) return Execute("COMMIT");
    if (link_->lost) {
        Fail("08S01",
             "The connection to the server was lost during the transaction: its changes were not saved.");
        return false;
    }
    return end_transaction(SQL_COMMIT);
}

bool OdbcConnection::DoRollback() {
    if (dialect_ == Dialect::Sqlite) return Execute("ROLLBACK");
    // A lost connection's transaction was rolled back by the server.
    if (link_->lost) return true;
    return end_transaction(SQL_ROLLBACK);
}

// ---- Statements ----------------------------------------------------------------------

OdbcStatement::~OdbcStatement() {
    close_cursor();
    conn_->Release(std::move(h_));
}

bool OdbcStatement::bind_one(std::size_t i, SQLSMALLINT c_type, SQLSMALLINT sql_type, SQLULEN size,
                             std::size_t bytes) {
    Binding& b = h_->bound[i];
    if (b.c_type == c_type && b.sql_type == sql_type && b.size == size && b.buf.size() >= bytes) return true;
    b.c_type = c_type;
    b.sql_type = sql_type;
    b.size = size;
    if (b.buf.size() < bytes) b.buf.assign(bytes, 0);
    const SQLRETURN rc =
        SQLBindParameter(h_->h, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT, c_type, sql_type, size, 0,
                         b.buf.data(), static_cast<SQLLEN>(b.buf.size()), &b.ind);
    if (!SQL_SUCCEEDED(rc)) {
        b.c_type = 0;
        return conn_->FailFrom(SQL_HANDLE_STMT, h_->h, "binding a parameter");
    }
    return true;
}

// Binds the parameters' values, binding a parameter anew only when its shape changed.
bool OdbcStatement::bind() {
    const bool server = conn_->dialect() == Dialect::SqlServer;
    for (std::size_t i = 0; i < params_.size(); ++i) {
        Param& p = params_[i];
        Binding& b = h_->bound[i];
        switch (p.kind) {
            case Kind::Null:
                if (b.c_type == 0 && !bind_one(i, SQL_C_SLONG, SQL_INTEGER, 0, sizeof(SQLINTEGER)))
                    return false;
                b.ind = SQL_NULL_DATA;
                break;
            case Kind::Int:
                if (p.i >= INT32_MIN && p.i <= INT32_MAX) {
                    if (!bind_one(i, SQL_C_SLONG, SQL_INTEGER, 0, sizeof(SQLINTEGER))) return false;
                    const auto v = static_cast<SQLINTEGER>(p.i);
                    std::memcpy(b.buf.data(), &v, sizeof v);
                } else {
                    if (!bind_one(i, SQL_C_SBIGINT, SQL_BIGINT, 0, sizeof(SQLBIGINT))) return false;
                    const auto v = static_cast<SQLBIGINT>(p.i);
                    std::memcpy(b.buf.data(), &v, sizeof v);
                }
                b.ind = 0;
                break;
            case Kind::Real:
                if (!std::isfinite(p.d)) {
                    if (server) {
                        // SQL Server refuses such a value as a malformed stream, and the
                        // connection would be lost with it.
                        conn_->Fail("22003",
                                    std::string("A number that is not finite (") +
                                        (std::isnan(p.d) ? "not a number" : "infinite") +
                                        ", as from a division by zero) cannot be stored in SQL Server.");
                        return false;
                    }
                    if (std::isnan(p.d)) {
                        // SQLite keeps no NaN (it would turn NULL): it is stored as the text "NaN".
                        if (!bind_one(i, SQL_C_CHAR, SQL_VARCHAR, 3, 4)) return false;
                        std::memcpy(b.buf.data(), "NaN", 4);
                        b.ind = 3;
                        break;
                    }
                }
                if (!bind_one(i, SQL_C_DOUBLE, SQL_DOUBLE, 0, sizeof(double))) return false;
                std::memcpy(b.buf.data(), &p.d, sizeof(double));
                b.ind = 0;
                break;
            case Kind::Text:
                if (server) {
                    to_wide(p.s, wide_);
                    std::size_t size = p.width ? p.width : kDefaultWidth;
                    if (wide_.size() > size) size = wide_.size();
                    const bool longer = size > kDefaultWidth;
                    if (!bind_one(i, SQL_C_WCHAR, longer ? SQL_WLONGVARCHAR : SQL_WVARCHAR, size,
                                  (size + 1) * sizeof(SQLWCHAR)))
                        return false;
                    // A blank text has no UTF-16 units, and an empty vector's data() may be
                    // null, which memcpy may not be given even for no bytes.
                    if (!wide_.empty())
                        std::memcpy(b.buf.data(), wide_.data(), wide_.size() * sizeof(SQLWCHAR));
                    b.ind = static_cast<SQLLEN>(wide_.size() * sizeof(SQLWCHAR));
                } else {
                    // The SQLite driver prepares locally: the UTF-8 bytes, in a buffer that grows.
                    const std::size_t size =
                        std::max<std::size_t>(p.s.size(), std::max<std::size_t>(b.size, 1));
                    if (!bind_one(i, SQL_C_CHAR, SQL_VARCHAR, size, size + 1)) return false;
                    std::memcpy(b.buf.data(), p.s.data(), p.s.size());
                    b.ind = static_cast<SQLLEN>(p.s.size());
                }
                break;
        }
    }
    return true;
}

int OdbcStatement::failed() {
    close_cursor();
    // A handle whose run failed is not kept: it is made anew for the next run.
    h_.reset();
    state_ = State::Done;
    cells_.clear();
    return -1;
}

int OdbcStatement::refused() {
    SQLFreeStmt(h_->h, SQL_CLOSE);
    open_cursor_ = false;
    state_ = State::Done;
    cells_.clear();
    return -1;
}

// Runs the statement: 1 a row is there, 0 no rows, -1 error.
int OdbcStatement::start() {
    cells_.clear();
    col_kinds_.clear();
    affected_ = -1;
    if (!conn_->Ensure()) return -1;
    if (h_ && h_->link != conn_->link()) h_.reset();  // made on a session that was lost
    if (!h_ && !(h_ = conn_->Acquire(sql_, params_.size()))) return -1;
    state_ = State::Done;
    if (!bind()) return -1;
    SQLRETURN rc;
    if (params_.empty()) {
        // Run directly: nothing to prepare, and temporary tables it makes outlive it.
        rc = conn_->ExecDirect(h_->h, sql_);
    } else {
        if (!h_->prepared) {
            rc = conn_->PrepareText(h_->h, sql_);
            if (!SQL_SUCCEEDED(rc)) {
                conn_->FailFrom(SQL_HANDLE_STMT, h_->h, "preparing the statement");
                return failed();
            }
            h_->prepared = true;
        }
        rc = SQLExecute(h_->h);
    }
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
        conn_->FailFrom(SQL_HANDLE_STMT, h_->h, "the statement");
        // A row the server refused (a duplicate key, another constraint) leaves the
        // statement prepared: the handle serves the next run.
        const std::string state = conn_->ErrorCodeText();
        if (h_->prepared && !h_->link->lost && (conn_->LastErrorWasDuplicate() || state.rfind("23", 0) == 0))
            return refused();
        return failed();
    }
    open_cursor_ = rc != SQL_NO_DATA;
    SQLSMALLINT n = 0;
    if (open_cursor_) SQLNumResultCols(h_->h, &n);
    if (n <= 0) {
        SQLLEN count = -1;
        if (rc == SQL_NO_DATA)
            count = 0;
        else if (!SQL_SUCCEEDED(SQLRowCount(h_->h, &count)))
            count = -1;
        affected_ = count;
        close_cursor();
        return 0;
    }
    col_kinds_.assign(static_cast<std::size_t>(n), Kind::Text);
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(n); ++c) {
        SQLSMALLINT type = 0, dec = 0, nullable = 0, name_len = 0;
        SQLULEN size = 0;
        SQLCHAR name[1];
        SQLDescribeCol(h_->h, c, name, sizeof name, &name_len, &type, &size, &dec, &nullable);
        Kind k = Kind::Text;
        switch (type) {
            case SQL_TINYINT:
            case SQL_SMALLINT:
            case SQL_INTEGER:
            case SQL_BIGINT:
            case SQL_BIT: k = Kind::Int; break;
            case SQL_REAL:
            case SQL_FLOAT:
            case SQL_DOUBLE: k = Kind::Real; break;
            default: break;  // texts, decimals and the rest arrive as text
        }
        col_kinds_[c - 1] = k;
    }
    state_ = State::Running;
    return fetch();
}

int OdbcStatement::Step() {
    switch (state_) {
        case State::Idle: return start();
        case State::Running: return fetch();
        case State::Done: break;
    }
    return 0;
}

// Reads what is left of the results (up to a limit), so that closing the cursor has
// nothing to cancel.
void OdbcStatement::close_cursor() {
    if (h_ && open_cursor_ && !h_->link->lost) {
        long rows = 0;
        do {
            SQLSMALLINT n = 0;
            SQLNumResultCols(h_->h, &n);
            while (n > 0 && rows < kDrainRows && SQL_SUCCEEDED(SQLFetch(h_->h))) ++rows;
        } while (rows < kDrainRows && SQL_SUCCEEDED(SQLMoreResults(h_->h)));
        SQLFreeStmt(h_->h, SQL_CLOSE);
    }
    open_cursor_ = false;
}

int OdbcStatement::fetch() {
    const SQLHSTMT h = h_->h;
    SQLRETURN rc = SQLFetch(h);
    if (rc == SQL_NO_DATA) {
        cells_.clear();
        close_cursor();
        state_ = State::Done;
        return 0;
    }
    if (!SQL_SUCCEEDED(rc)) {
        conn_->FailFrom(SQL_HANDLE_STMT, h, "reading a row");
        return failed();
    }
    const bool wide = conn_->dialect() == Dialect::SqlServer;
    cells_.resize(col_kinds_.size());
    for (std::size_t c = 0; c < col_kinds_.size(); ++c) {
        Cell& cell = cells_[c];
        const auto col = static_cast<SQLUSMALLINT>(c + 1);
        SQLLEN ind = 0;
        cell.kind = col_kinds_[c];
        cell.s.clear();
        if (cell.kind == Kind::Int) {
            SQLBIGINT v = 0;
            rc = SQLGetData(h, col, SQL_C_SBIGINT, &v, sizeof v, &ind);
            cell.i = v;
        } else if (cell.kind == Kind::Real) {
            rc = SQLGetData(h, col, SQL_C_DOUBLE, &cell.d, sizeof cell.d, &ind);
        } else if (wide) {
            SQLWCHAR buf[2048];
            for (;;) {
                rc = SQLGetData(h, col, SQL_C_WCHAR, buf, sizeof buf, &ind);
                if (rc == SQL_NO_DATA || !SQL_SUCCEEDED(rc) || ind == SQL_NULL_DATA) break;
                const std::size_t units = ind == SQL_NO_TOTAL || ind >= static_cast<SQLLEN>(sizeof buf)
                                              ? sizeof buf / sizeof(SQLWCHAR) - 1
                                              : static_cast<std::size_t>(ind) / sizeof(SQLWCHAR);
                append_utf8(buf, units, cell.s);
                if (rc == SQL_SUCCESS) break;  // SQL_SUCCESS_WITH_INFO: more to come
            }
            if (rc == SQL_NO_DATA) rc = SQL_SUCCESS;
        } else {
            char buf[4096];
            for (;;) {
                rc = SQLGetData(h, col, SQL_C_CHAR, buf, sizeof buf, &ind);
                if (rc == SQL_NO_DATA || !SQL_SUCCEEDED(rc) || ind == SQL_NULL_DATA) break;
                const std::size_t got = ind == SQL_NO_TOTAL || ind >= static_cast<SQLLEN>(sizeof buf)
                                            ? sizeof buf - 1
                                            : static_cast<std::size_t>(ind);
                cell.s.append(buf, got);
                if (rc == SQL_SUCCESS) break;
            }
            if (rc == SQL_NO_DATA) rc = SQL_SUCCESS;
        }
        if (!SQL_SUCCEEDED(rc)) {
            conn_->FailFrom(SQL_HANDLE_STMT, h, "reading a column");
            return failed();
        }
        cell.null = ind == SQL_NULL_DATA;
    }
    return 1;
}

std::int64_t OdbcStatement::Int(int col) {
    if (IsNull(col)) return 0;
    const Cell& c = cells_[static_cast<std::size_t>(col)];
    switch (c.kind) {
        case Kind::Int: return c.i;
        case Kind::Real: return static_cast<std::int64_t>(c.d);
        default:
            if (c.s.find_first_of(".eEnN") != std::string::npos)
                return static_cast<std::int64_t>(std::strtod(c.s.c_str(), nullptr));
            return std::strtoll(c.s.c_str(), nullptr, 10);
    }
}

double OdbcStatement::Double(int col) {
    if (IsNull(col)) return 0;
    const Cell& c = cells_[static_cast<std::size_t>(col)];
    switch (c.kind) {
        case Kind::Int: return static_cast<double>(c.i);
        case Kind::Real: return c.d;
        default: return std::strtod(c.s.c_str(), nullptr);
    }
}

std::string OdbcStatement::Text(int col) {
    if (IsNull(col)) return {};
    const Cell& c = cells_[static_cast<std::size_t>(col)];
    switch (c.kind) {
        case Kind::Int: return std::to_string(c.i);
        case Kind::Real: {
            char buf[40];
            std::snprintf(buf, sizeof buf, "%.17g", c.d);
            return buf;
        }
        default: return FromUtf8(c.s);
    }
}

// ---- The Kerberos ticket of a trusted connection -------------------------------------

// Reads a credential cache file in the format the Kerberos libraries write (versions 1 to
// 4: a magic 5, the version, for version 4 a header of tags, the default principal, then
// one credential after another to the end of the file). Versions 1 and 2 write numbers in
// the machine's order, 3 and 4 big-endian.
class CacheReader {
public:
    explicit CacheReader(std::vector<unsigned char> data) : d_(std::move(data)) {}

    // Whether the cache holds a ticket valid at `now` (seconds since 1970): a credential
    // that is not one of the cache's configuration entries, started and not yet expired.
    // A cache not in this format holds none.
    bool HoldsValidTicket(std::int64_t now) {
        if (d_.size() < 2 || d_[0] != 5 || d_[1] < 1 || d_[1] > 4) return false;
        version_ = d_[1];
        pos_ = 2;
        if (version_ == 4) {
            std::uint32_t header = 0;
            if (!u16(header) || !skip(header)) return false;
        }
        std::string realm;
        if (!principal(realm)) return false;
        while (pos_ < d_.size()) {
            std::string client_realm, server_realm;
            std::uint32_t n = 0, start = 0, end = 0, times = 0;
            if (!principal(client_realm) || !principal(server_realm)) return false;
            if (!u16(n) || (version_ == 3 && !u16(n)) || !u32(n) || !skip(n)) return false;  // the key
            if (!u32(times) || !u32(start) || !u32(end) || !u32(times))
                return false;                       // auth, start, end, renew
            if (!skip(1) || !u32(n)) return false;  // is_skey, flags
            for (int list = 0; list < 2; ++list) {  // addresses, authdata
                std::uint32_t count = 0;
                if (!u32(count)) return false;
                for (std::uint32_t i = 0; i < count; ++i)
                    if (!u16(n) || !u32(n) || !skip(n)) return false;
            }
            for (int ticket = 0; ticket < 2; ++ticket)  // the ticket, the second ticket
                if (!u32(n) || !skip(n)) return false;
            const bool config = server_realm == "X-CACHECONF:";
            const std::int64_t from = start ? start : 0;
            if (!config && from <= now && static_cast<std::int64_t>(end) > now) return true;
        }
        return false;
    }

private:
    bool number(std::size_t bytes, std::uint32_t& out) {
        if (d_.size() - pos_ < bytes) return false;
        out = 0;
        const bool big = version_ >= 3 || std::endian::native == std::endian::big;
        for (std::size_t i = 0; i < bytes; ++i) {
            const std::size_t at = big ? pos_ + i : pos_ + bytes - 1 - i;
            out = (out << 8) | d_[at];
        }
        pos_ += bytes;
        return true;
    }
    bool u16(std::uint32_t& out) { return number(2, out); }
    bool u32(std::uint32_t& out) { return number(4, out); }
    bool skip(std::size_t n) {
        if (d_.size() - pos_ < n) return false;
        pos_ += n;
        return true;
    }
    bool text(std::string& out) {
        std::uint32_t n = 0;
        if (!u32(n) || d_.size() - pos_ < n) return false;
        out.assign(reinterpret_cast<const char*>(d_.data() + pos_), n);
        pos_ += n;
        return true;
    }
    bool principal(std::string& realm) {
        std::uint32_t type = 0, count = 0;
        if (version_ >= 2 && !u32(type)) return false;
        if (!u32(count)) return false;
        if (version_ == 1) --count;  // version 1 counts the realm among the components
        if (!text(realm)) return false;
        std::string component;
        for (std::uint32_t i = 0; i < count; ++i)
            if (!text(component)) return false;
        return true;
    }

    std::vector<unsigned char> d_;
    std::size_t pos_ = 0;
    int version_ = 0;
};

// klist's answer on the current ticket cache ("-s": silent, the exit status says whether it
// holds a valid ticket); nullopt when klist is not installed.
std::optional<bool> klist_says_valid() {
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    char name[] = "klist", silent[] = "-s";
    char* argv[] = {name, silent, nullptr};
    pid_t child = 0;
    const int rc = ::posix_spawnp(&child, "klist", &quiet, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (rc != 0) return std::nullopt;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return std::nullopt;
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) return std::nullopt;
    return WEXITSTATUS(status) == 0;
}

// What a trusted connection lacks for its Kerberos ticket, in a sentence; "" when there is
// a ticket (or a cache of a kind that cannot be looked at here). klist decides where it is
// installed; otherwise the cache file is read.
std::string kerberos_ticket_missing() {
    std::string cache;
    if (const char* env = std::getenv("KRB5CCNAME"); env && *env) {
        cache = env;
        if (cache.rfind("FILE:", 0) == 0)
            cache = cache.substr(5);
        else if (cache.find(':') != std::string::npos)
            return {};  // a cache of another kind (keyring, KCM, ...)
    } else {
        cache = "/tmp/krb5cc_" + std::to_string(::getuid());
    }
    const std::string start =
        "A trusted connection signs in with the Kerberos ticket of a Windows domain user, and ";
    const std::string sign_in = ": sign in to the domain (kinit user@DOMAIN) and connect again.";
    std::error_code ec;
    const auto status = std::filesystem::status(cache, ec);
    if (!std::filesystem::exists(status)) return start + "this workstation has none" + sign_in;
    if (!std::filesystem::is_regular_file(status))
        return start + "its ticket cache " + cache + " is not a file" + sign_in;
    bool valid = false;
    if (const std::optional<bool> klist = klist_says_valid()) {
        valid = *klist;
    } else {
        std::ifstream in(cache, std::ios::binary);
        std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
        valid = CacheReader(std::move(data)).HoldsValidTicket(std::time(nullptr));
    }
    if (!valid)
        return start + "its ticket cache " + cache + " holds no valid ticket (expired, or none)" + sign_in;
    return {};
}

// Whether the connection string asks for a trusted connection (the options of the text and
// of $KVADRIN_ODBC_OPTIONS are both in it). Values in braces may hold any character.
bool asks_trusted(std::string_view cs) {
    std::size_t i = 0;
    while (i < cs.size()) {
        const std::size_t eq = cs.find('=', i);
        if (eq == std::string_view::npos) break;
        const std::string key = upper(cs.substr(i, eq - i));
        std::size_t end = eq + 1;
        std::string value;
        if (end < cs.size() && cs[end] == '{') {
            for (++end; end < cs.size(); ++end) {
                if (cs[end] == '}') {
                    if (end + 1 < cs.size() && cs[end + 1] == '}') {
                        value += '}';
                        ++end;
                        continue;
                    }
                    ++end;
                    break;
                }
                value += cs[end];
            }
        } else {
            const std::size_t semi = cs.find(';', end);
            value =
                std::string(cs.substr(end, semi == std::string_view::npos ? cs.size() - end : semi - end));
            end = semi == std::string_view::npos ? cs.size() : semi;
        }
        if (key == "TRUSTED_CONNECTION") {
            const std::string v = upper(value);
            return v == "YES" || v == "TRUE" || v == "1";
        }
        i = end < cs.size() && cs[end] == ';' ? end + 1 : end;
        while (i < cs.size() && cs[i] == ';') ++i;
    }
    return false;
}

}  // namespace

std::shared_ptr<Connection> OpenOdbc(const ConnectionText& t) {
    const char* env = std::getenv("KVADRIN_ODBC_DRIVER");
    const std::string driver = env && *env ? env : "FreeTDS";
    std::string refusal;
    const auto cs = OdbcConnectionString(t, driver, &refusal);
    if (!cs) {
        SetDriverError(
            "", "",
            "Cannot connect to " + t.server + " with the ODBC driver " + driver + ": " + refusal + ".");
        return nullptr;
    }
    auto conn = std::make_shared<OdbcConnection>(*cs, t.database, !contains(driver, "sqlite"));
    if (!conn->Connect()) {
        std::string text = "Cannot connect to the server " + t.server + " (database " + t.database +
                           ") with the ODBC driver " + driver + ": " + conn->ErrorText();
        if (asks_trusted(*cs))
            if (const std::string missing = kerberos_ticket_missing(); !missing.empty())
                text = missing + " (" + text + ")";
        SetDriverError("", conn->ErrorCodeText(), text);
        return nullptr;
    }
    SQLCHAR product[64] = {0};
    SQLSMALLINT len = 0;
    SQLGetInfo(conn->link()->dbc, SQL_DBMS_NAME, product, sizeof product, &len);
    if (contains(reinterpret_cast<const char*>(product), "sqlite")) {
        // SQLite behind ODBC: open again with the collation extension and a busy wait.
        const std::string ext = extension_path();
        std::string with_ext = *cs + "Timeout=10000;";
        if (!ext.empty() && ext.find_first_of(";{}") == std::string::npos) with_ext += "LoadExt=" + ext + ";";
        conn = std::make_shared<OdbcConnection>(with_ext, t.database, false);
        conn->dialect_ = Dialect::Sqlite;
        if (!conn->Connect()) {
            SetDriverError("", conn->ErrorCodeText(), conn->ErrorText());
            return nullptr;
        }
        if (!conn->Execute("SELECT KVUPPER('a')")) {
            SetDriverError(
                "", conn->ErrorCodeText(),
                "the collation extension libkvci.so could not be loaded (set KVADRIN_SQLITE_EXT): " +
                    conn->ErrorText());
            return nullptr;
        }
        conn->Execute("PRAGMA journal_mode=WAL");
        if (!EnsureCollationOrder(*conn)) {
            SetDriverError("", conn->ErrorCodeText(),
                           "the indexes could not be rebuilt in the collation's order: " + conn->ErrorText());
            return nullptr;
        }
    }
    return conn;
}

}  // namespace rt::sql::detail
