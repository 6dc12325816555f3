// Connections over ODBC through a SOCI odbc session: SQL Server, or SQLite behind the
// SQLite ODBC driver (then in the SQLite dialect, with the collation extension loaded).
// Texts go to the driver as UTF-8 (FreeTDS is told so by ClientCharset).
#include <soci/odbc/soci-odbc.h>
#include <soci/soci.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

class OdbcConnection;

// A prepared statement: SOCI binds the parameters and runs it; the result's columns are
// read with SQLGetData (SOCI's own row buffers take the declared size of a column, and a
// long text column would cost 100 MB each).
class OdbcStatement final : public Statement {
public:
    OdbcStatement(std::shared_ptr<OdbcConnection> conn, std::string sql)
        : conn_(std::move(conn)),
          sql_(std::move(sql)),
          params_(static_cast<std::size_t>(count_parameters(sql_))) {}
    ~OdbcStatement() override { close_cursor(); }

    void BindNull(int i) override { at(i).kind = Kind::Null; }
    void BindInt(int i, std::int64_t v) override {
        Param& p = at(i);
        p.kind = Kind::Int;
        p.i = static_cast<long long>(v);
    }
    void BindDouble(int i, double v) override;
    void BindText(int i, std::string_view s) override {
        Param& p = at(i);
        p.kind = Kind::Text;
        p.s = ToUtf8(s);
    }
    int Step() override;
    void Reset() override {
        close_cursor();
        executed_ = false;
    }
    int ColumnCount() override { return static_cast<int>(cells_.size()); }
    bool IsNull(int col) override { return !valid(col) || cells_[static_cast<std::size_t>(col)].null; }
    std::int64_t Int(int col) override;
    double Double(int col) override;
    std::string Text(int col) override;
    std::int64_t AffectedRows() override { return affected_; }

private:
    enum class Kind { Null, Int, Real, Text };
    // Bound values live here, at fixed addresses, for as long as the statement.
    struct Param {
        Kind kind = Kind::Null;
        long long i = 0;
        double d = 0;
        std::string s;
        soci::indicator ind = soci::i_ok;
        Kind bound = Kind::Null;
    };
    // A column of the current row.
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
    SQLHSTMT handle() const {
        return st_ ? static_cast<soci::odbc_statement_backend*>(st_->get_backend())->hstmt_ : SQL_NULL_HSTMT;
    }
    void build();
    void close_cursor();
    int fetch();

    std::shared_ptr<OdbcConnection> conn_;
    std::string sql_;
    std::vector<Param> params_;
    std::unique_ptr<soci::statement> st_;
    std::vector<Kind> col_kinds_;
    std::vector<Cell> cells_;
    bool executed_ = false;
    std::int64_t affected_ = -1;
};

class OdbcConnection final : public BasicConnection, public std::enable_shared_from_this<OdbcConnection> {
public:
    explicit OdbcConnection(std::string database) : database_(std::move(database)) {}

    Dialect dialect() const override { return dialect_; }
    std::string Database() const override { return database_; }
    std::unique_ptr<Statement> Prepare(std::string_view sql) override {
        return std::make_unique<OdbcStatement>(shared_from_this(), ToUtf8(sql));
    }
    // Run directly, not prepared: SQL Server drops a temporary table made by a prepared
    // statement when that statement ends, and "#name" tables must last as the connection.
    bool Execute(std::string_view sql) override {
        auto* be = static_cast<soci::odbc_session_backend*>(session.get_backend());
        SQLHSTMT h = SQL_NULL_HSTMT;
        if (!be || !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, be->hdbc_, &h))) {
            Fail("", "cannot allocate a statement");
            return false;
        }
        std::string text = ToUtf8(sql);
        SQLRETURN rc =
            SQLExecDirect(h, reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
        bool ok = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA;
        // Further results of a batch, so that an error in a later statement is seen.
        while (ok && (rc = SQLMoreResults(h)) != SQL_NO_DATA) ok = SQL_SUCCEEDED(rc);
        if (!ok && !FailFromHandle(h)) Fail("", "statement failed");
        SQLFreeHandle(SQL_HANDLE_STMT, h);
        return ok;
    }

    void FailOdbc(const soci::odbc_soci_error& e) {
        FailOdbc(reinterpret_cast<const char*>(e.odbc_error_code()), e.native_error_code(),
                 reinterpret_cast<const char*>(e.odbc_error_message()));
    }
    // The driver's own diagnostics of a statement handle; false when it holds none.
    bool FailFromHandle(SQLHSTMT h) {
        SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {0}, msg[SQL_MAX_MESSAGE_LENGTH + 1] = {0};
        SQLINTEGER native = 0;
        SQLSMALLINT len = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRec(SQL_HANDLE_STMT, h, 1, state, &native, msg, sizeof msg, &len)))
            return false;
        FailOdbc(reinterpret_cast<const char*>(state), static_cast<int>(native),
                 reinterpret_cast<const char*>(msg));
        return true;
    }
    void FailOdbc(std::string code, int native, std::string_view message) {
        std::string text = FromUtf8(message);
        bool dup = native == 2627 || native == 2601;
        if (!dup && (code.rfind("23", 0) == 0 || dialect_ == Dialect::Sqlite))
            dup = contains(text, "UNIQUE constraint") || contains(text, "PRIMARY KEY must be unique") ||
                  contains(text, "duplicate key");
        Fail(code, text, dup);
    }

    soci::session session;
    Dialect dialect_ = Dialect::SqlServer;

protected:
    bool DoBegin() override {
        if (dialect_ == Dialect::Sqlite) return Execute("BEGIN IMMEDIATE");
        return guarded([this] { session.begin(); });
    }
    bool DoCommit() override {
        if (dialect_ == Dialect::Sqlite) return Execute("COMMIT");
        return guarded([this] { session.commit(); });
    }
    bool DoRollback() override {
        if (dialect_ == Dialect::Sqlite) return Execute("ROLLBACK");
        return guarded([this] { session.rollback(); });
    }

private:
    template <typename F>
    bool guarded(F f) {
        try {
            f();
            return true;
        } catch (const soci::odbc_soci_error& e) { FailOdbc(e); } catch (const std::exception& e) {
            Fail("", FromUtf8(e.what()));
        }
        return false;
    }
    std::string database_;
};

void OdbcStatement::BindDouble(int i, double v) {
    Param& p = at(i);
    if (std::isnan(v) && conn_->dialect() == Dialect::Sqlite) {
        // SQLite keeps no NaN (it would turn NULL): it is stored as the text "NaN".
        p.kind = Kind::Text;
        p.s = "NaN";
        return;
    }
    p.kind = Kind::Real;
    p.d = v;
}

void OdbcStatement::close_cursor() {
    if (st_ && executed_) SQLFreeStmt(handle(), SQL_CLOSE);
}

void OdbcStatement::build() {
    st_ = std::make_unique<soci::statement>(conn_->session);
    for (Param& p : params_) {
        p.bound = p.kind;
        switch (p.kind) {
            case Kind::Int: st_->exchange(soci::use(p.i, p.ind)); break;
            case Kind::Real: st_->exchange(soci::use(p.d, p.ind)); break;
            case Kind::Null:
            case Kind::Text: st_->exchange(soci::use(p.s, p.ind)); break;
        }
    }
    st_->alloc();
    st_->prepare(sql_);
    st_->define_and_bind();
}

int OdbcStatement::Step() {
    try {
        if (!executed_) {
            bool same = st_ != nullptr;
            // A NULL goes in the slot of whatever type the parameter was prepared with.
            for (Param& p : params_) same = same && (p.kind == p.bound || p.kind == Kind::Null);
            if (!same) build();
            for (Param& p : params_) p.ind = p.kind == Kind::Null ? soci::i_null : soci::i_ok;
            executed_ = true;
            cells_.clear();
            st_->execute(false);  // runs it; the rows are fetched here
            SQLSMALLINT n = 0;
            SQLNumResultCols(handle(), &n);
            if (n <= 0) {
                affected_ = st_->get_affected_rows();
                return 0;
            }
            col_kinds_.assign(static_cast<std::size_t>(n), Kind::Text);
            for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(n); ++c) {
                SQLSMALLINT type = 0, dec = 0, nullable = 0, name_len = 0;
                SQLULEN size = 0;
                SQLCHAR name[1];
                SQLDescribeCol(handle(), c, name, sizeof name, &name_len, &type, &size, &dec, &nullable);
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
        }
        if (col_kinds_.empty()) return 0;
        return fetch();
    } catch (const soci::odbc_soci_error& e) { conn_->FailOdbc(e); } catch (const std::exception& e) {
        // SOCI may lose the driver's error while adding context to it; the handle keeps it.
        if (!st_ || !conn_->FailFromHandle(handle())) conn_->Fail("", FromUtf8(e.what()));
    }
    // SOCI keeps the bound texts of a failed run until the statement is destroyed (a new
    // run would leak them): the next run prepares it again.
    close_cursor();
    st_.reset();
    return -1;
}

int OdbcStatement::fetch() {
    const SQLHSTMT h = handle();
    SQLRETURN rc = SQLFetch(h);
    if (rc == SQL_NO_DATA) {
        cells_.clear();
        return 0;
    }
    if (!SQL_SUCCEEDED(rc)) {
        if (!conn_->FailFromHandle(h)) conn_->Fail("", "fetch failed");
        close_cursor();
        return -1;
    }
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
        } else {
            char buf[4096];
            for (;;) {
                rc = SQLGetData(h, col, SQL_C_CHAR, buf, sizeof buf, &ind);
                if (rc == SQL_NO_DATA || !SQL_SUCCEEDED(rc) || ind == SQL_NULL_DATA) break;
                const std::size_t got = ind == SQL_NO_TOTAL || ind >= static_cast<SQLLEN>(sizeof buf)
                                            ? sizeof buf - 1
                                            : static_cast<std::size_t>(ind);
                cell.s.append(buf, got);
                if (rc == SQL_SUCCESS) break;  // SQL_SUCCESS_WITH_INFO: more to come
            }
            if (rc == SQL_NO_DATA) rc = SQL_SUCCESS;
        }
        if (!SQL_SUCCEEDED(rc)) {
            if (!conn_->FailFromHandle(h)) conn_->Fail("", "reading a column failed");
            close_cursor();
            return -1;
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

}  // namespace

std::shared_ptr<Connection> OpenOdbc(const ConnectionText& t) {
    const char* env = std::getenv("KVADRIN_ODBC_DRIVER");
    const std::string driver = env && *env ? env : "FreeTDS";
    const auto cs = OdbcConnectionString(t, driver);
    if (!cs) {
        SetDriverError("", "",
                       "the database \"" + t.database + "\" cannot be named to the ODBC driver " + driver);
        return nullptr;
    }
    auto conn = std::make_shared<OdbcConnection>(t.database);
    try {
        conn->session.open(soci::odbc, *cs);
        auto* be = static_cast<soci::odbc_session_backend*>(conn->session.get_backend());
        if (be->get_database_product() == soci::odbc_session_backend::prod_sqlite) {
            // SQLite behind ODBC: open again with the collation extension and a busy wait.
            const std::string ext = extension_path();
            std::string with_ext = *cs + ";Timeout=10000";
            if (!ext.empty() && ext.find_first_of(";{}") == std::string::npos) with_ext += ";LoadExt=" + ext;
            conn->session.close();
            conn->session.open(soci::odbc, with_ext);
            conn->dialect_ = Dialect::Sqlite;
            if (!conn->Execute("SELECT KVUPPER('a')")) {
                SetDriverError(
                    "", conn->ErrorCodeText(),
                    "the collation extension libkvci.so could not be loaded (set KVADRIN_SQLITE_EXT): " +
                        conn->ErrorText());
                return nullptr;
            }
            conn->Execute("PRAGMA journal_mode=WAL");
            if (!EnsureCollationOrder(*conn)) {
                SetDriverError(
                    "", conn->ErrorCodeText(),
                    "the indexes could not be rebuilt in the collation's order: " + conn->ErrorText());
                return nullptr;
            }
        }
    } catch (const soci::odbc_soci_error& e) {
        conn->FailOdbc(e);
        SetDriverError("", conn->ErrorCodeText(), conn->ErrorText());
        return nullptr;
    } catch (const std::exception& e) {
        SetDriverError("", "", FromUtf8(e.what()));
        return nullptr;
    }
    return conn;
}

}  // namespace rt::sql::detail
