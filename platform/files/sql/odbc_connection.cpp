// Connections over ODBC through a SOCI odbc session: SQL Server, or SQLite behind the
// SQLite ODBC driver (then in the SQLite dialect, with the collation extension loaded).
// Texts go to the driver as UTF-8 (FreeTDS is told so by ClientCharset).
#include <soci/soci.h>
#include <soci/odbc/soci-odbc.h>

#include <cerrno>
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

class OdbcStatement final : public Statement {
public:
    OdbcStatement(std::shared_ptr<OdbcConnection> conn, std::string sql)
        : conn_(std::move(conn)), sql_(std::move(sql)),
          params_(static_cast<std::size_t>(count_parameters(sql_))) {}
    ~OdbcStatement() override { close_cursor(); }

    void BindNull(int i) override { at(i).kind = Kind::Null; }
    void BindInt(int i, std::int64_t v) override {
        Param& p = at(i);
        p.kind = Kind::Int;
        p.i = static_cast<long long>(v);
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
    int Step() override;
    void Reset() override {
        close_cursor();
        executed_ = false;
    }
    int ColumnCount() override { return static_cast<int>(row_->size()); }
    bool IsNull(int col) override { return valid(col) && row_->get_indicator(col) == soci::i_null; }
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
    Param& at(int i) {
        if (i < 0 || static_cast<std::size_t>(i) >= params_.size()) {
            static thread_local Param spare;
            return spare;
        }
        return params_[static_cast<std::size_t>(i)];
    }
    bool valid(int col) const { return col >= 0 && static_cast<std::size_t>(col) < row_->size(); }
    void build();
    void close_cursor();

    std::shared_ptr<OdbcConnection> conn_;
    std::string sql_;
    std::vector<Param> params_;
    std::unique_ptr<soci::statement> st_;
    std::unique_ptr<soci::row> row_ = std::make_unique<soci::row>();
    bool executed_ = false;
    std::int64_t affected_ = -1;
};

class OdbcConnection final : public BasicConnection,
                             public std::enable_shared_from_this<OdbcConnection> {
public:
    explicit OdbcConnection(std::string database) : database_(std::move(database)) {}

    Dialect dialect() const override { return dialect_; }
    std::string Database() const override { return database_; }
    std::unique_ptr<Statement> Prepare(std::string_view sql) override {
        return std::make_unique<OdbcStatement>(shared_from_this(), ToUtf8(sql));
    }
    bool Execute(std::string_view sql) override {
        auto st = Prepare(sql);
        int rc;
        while ((rc = st->Step()) == 1) {
        }
        return rc == 0;
    }

    void FailOdbc(const soci::odbc_soci_error& e) {
        std::string code = reinterpret_cast<const char*>(e.odbc_error_code());
        std::string text = FromUtf8(reinterpret_cast<const char*>(e.odbc_error_message()));
        const int native = e.native_error_code();
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
        } catch (const soci::odbc_soci_error& e) {
            FailOdbc(e);
        } catch (const std::exception& e) {
            Fail("", FromUtf8(e.what()));
        }
        return false;
    }
    std::string database_;
};

void OdbcStatement::close_cursor() {
    if (!st_ || !executed_) return;
    if (auto* be = static_cast<soci::odbc_statement_backend*>(st_->get_backend()))
        SQLFreeStmt(be->hstmt_, SQL_CLOSE);
}

void OdbcStatement::build() {
    st_ = std::make_unique<soci::statement>(conn_->session);
    row_ = std::make_unique<soci::row>();
    for (Param& p : params_) {
        p.bound = p.kind;
        switch (p.kind) {
            case Kind::Int: st_->exchange(soci::use(p.i, p.ind)); break;
            case Kind::Real: st_->exchange(soci::use(p.d, p.ind)); break;
            case Kind::Null:
            case Kind::Text: st_->exchange(soci::use(p.s, p.ind)); break;
        }
    }
    st_->exchange(soci::into(*row_));
    st_->alloc();
    st_->prepare(sql_);
    st_->define_and_bind();
}

int OdbcStatement::Step() {
    try {
        if (!executed_) {
            bool same = st_ != nullptr;
            for (Param& p : params_) {
                // A NULL goes in the slot of whatever type the parameter was prepared with.
                const bool fits = p.kind == p.bound || p.kind == Kind::Null;
                same = same && fits;
            }
            if (!same) build();
            for (Param& p : params_) p.ind = p.kind == Kind::Null ? soci::i_null : soci::i_ok;
            executed_ = true;
            const bool got = st_->execute(true);
            if (row_->size() == 0) {
                affected_ = st_->get_affected_rows();
                return 0;
            }
            return got ? 1 : 0;
        }
        if (row_->size() == 0) return 0;
        return st_->fetch() ? 1 : 0;
    } catch (const soci::odbc_soci_error& e) {
        conn_->FailOdbc(e);
    } catch (const std::exception& e) {
        conn_->Fail("", FromUtf8(e.what()));
    }
    close_cursor();
    return -1;
}

std::int64_t OdbcStatement::Int(int col) {
    if (!valid(col) || row_->get_indicator(col) == soci::i_null) return 0;
    switch (row_->get_properties(col).get_data_type()) {
        case soci::dt_integer: return row_->get<int>(col);
        case soci::dt_long_long: return row_->get<long long>(col);
        case soci::dt_unsigned_long_long: return static_cast<std::int64_t>(row_->get<unsigned long long>(col));
        case soci::dt_double: return static_cast<std::int64_t>(row_->get<double>(col));
        case soci::dt_string: {
            const std::string s = row_->get<std::string>(col);
            if (s.find_first_of(".eE") != std::string::npos) return static_cast<std::int64_t>(std::strtod(s.c_str(), nullptr));
            return std::strtoll(s.c_str(), nullptr, 10);
        }
        default: return 0;
    }
}

double OdbcStatement::Double(int col) {
    if (!valid(col) || row_->get_indicator(col) == soci::i_null) return 0;
    switch (row_->get_properties(col).get_data_type()) {
        case soci::dt_double: return row_->get<double>(col);
        case soci::dt_string: return std::strtod(row_->get<std::string>(col).c_str(), nullptr);
        default: return static_cast<double>(Int(col));
    }
}

std::string OdbcStatement::Text(int col) {
    if (!valid(col) || row_->get_indicator(col) == soci::i_null) return {};
    switch (row_->get_properties(col).get_data_type()) {
        case soci::dt_string: return FromUtf8(row_->get<std::string>(col));
        case soci::dt_double: {
            char buf[40];
            std::snprintf(buf, sizeof buf, "%.15g", row_->get<double>(col));
            return buf;
        }
        default: return std::to_string(Int(col));
    }
}

}  // namespace

std::shared_ptr<Connection> OpenOdbc(const ConnectionText& t) {
    const char* env = std::getenv("KVADRIN_ODBC_DRIVER");
    const std::string driver = env && *env ? env : "FreeTDS";
    const auto cs = OdbcConnectionString(t, driver);
    if (!cs) {
        SetDriverError("", "", "the database \"" + t.database + "\" cannot be named to the ODBC driver " + driver);
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
                SetDriverError("", conn->ErrorCodeText(),
                               "the collation extension libkvci.so could not be loaded (set KVADRIN_SQLITE_EXT): " +
                                   conn->ErrorText());
                return nullptr;
            }
            conn->Execute("PRAGMA journal_mode=WAL");
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
