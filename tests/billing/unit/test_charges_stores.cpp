// The same creation on the other roads to a firm database: over ODBC with the SQLite ODBC
// driver, and in SQL Server's dialect through a connection that records every statement
// (there is no server here) and runs it, translated, on the firm's SQLite file. Each must
// leave exactly the rows the embedded store does.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "data/globals.h"
#include "platform/files/sql/sql_driver.h"
#include "tests/billing/unit/billing_fixture.h"

namespace {

namespace sql = rt::sql;
using kvadrin::ChargeOutcome;

// SQL Server's texts as the table driver writes them, made runnable by SQLite: the
// existence check, the guarded CREATE TABLE and CREATE INDEX with their collations and
// lock, TOP in place of LIMIT.
// The statements are recorded as they were sent.
class SqlServerOnSqlite : public sql::Connection {
public:
    explicit SqlServerOnSqlite(std::shared_ptr<sql::Connection> inner) : inner_(std::move(inner)) {}

    // A statement whose parameter 0 (TOP's) SQLite takes last.
    class Stmt : public sql::Statement {
    public:
        Stmt(std::unique_ptr<sql::Statement> st, int top_moves_to) : st_(std::move(st)), top_(top_moves_to) {}
        void BindNull(int i) override { st_->BindNull(at(i)); }
        void BindInt(int i, std::int64_t v) override { st_->BindInt(at(i), v); }
        void BindDouble(int i, double v) override { st_->BindDouble(at(i), v); }
        void BindText(int i, std::string_view s) override { st_->BindText(at(i), s); }
        void DeclareText(int i, std::size_t width) override { st_->DeclareText(at(i), width); }
        int Step() override { return st_->Step(); }
        void Reset() override { st_->Reset(); }
        int ColumnCount() override { return st_->ColumnCount(); }
        bool IsNull(int c) override { return st_->IsNull(c); }
        std::int64_t Int(int c) override { return st_->Int(c); }
        double Double(int c) override { return st_->Double(c); }
        std::string Text(int c) override { return st_->Text(c); }
        void TextTo(int c, std::string& out) override { st_->TextTo(c, out); }
        std::int64_t AffectedRows() override { return st_->AffectedRows(); }

    private:
        int at(int i) const {
            if (top_ < 0) return i;
            return i == 0 ? top_ : i - 1;
        }
        std::unique_ptr<sql::Statement> st_;
        int top_;
    };

    sql::Dialect dialect() const override { return sql::Dialect::SqlServer; }
    std::unique_ptr<sql::Statement> Prepare(std::string_view text) override {
        sent.emplace_back(text);
        int top = -1;
        auto st = inner_->Prepare(Translate(std::string(text), top));
        if (!st) return nullptr;
        return std::make_unique<Stmt>(std::move(st), top);
    }
    bool Execute(std::string_view text) override {
        sent.emplace_back(text);
        int top = -1;
        return inner_->Execute(Translate(std::string(text), top));
    }
    bool Begin() override {
        sent.emplace_back("<begin>");
        return inner_->Begin();
    }
    bool Commit() override {
        sent.emplace_back("<commit>");
        return inner_->Commit();
    }
    bool Rollback() override {
        sent.emplace_back("<rollback>");
        return inner_->Rollback();
    }
    bool InTransaction() const override { return inner_->InTransaction(); }
    std::string ErrorCodeText() const override { return inner_->ErrorCodeText(); }
    std::string ErrorText() const override { return inner_->ErrorText(); }
    bool LastErrorWasDuplicate() const override { return inner_->LastErrorWasDuplicate(); }
    std::string Database() const override { return inner_->Database(); }

    std::vector<std::string> sent;

private:
    static std::string Translate(std::string s, int& top) {
        static const std::regex exists(
            R"(^SELECT CASE WHEN OBJECT_ID\(\?, 'U'\) IS NULL THEN 0 ELSE 1 END$)");
        if (std::regex_match(s, exists))
            return "SELECT EXISTS (SELECT 1 FROM sqlite_master WHERE type='table' AND name=?)";
        static const std::regex applock(R"(^EXEC sp_getapplock .*$)");
        if (std::regex_match(s, applock)) return "SELECT 1";
        static const std::regex guard(R"(^IF OBJECT_ID\(N'[^']*', 'U'\) IS NULL )");
        s = std::regex_replace(s, guard, "");
        static const std::regex index_guard(
            R"(^IF NOT EXISTS \(SELECT 1 FROM \S*sys\.indexes WHERE [^)]*\)[^)]*\) )");
        s = std::regex_replace(s, index_guard, "");
        static const std::regex ci(R"( COLLATE \w+_CI_\w+)"), cs(R"( COLLATE \w+_CS_\w+)");
        s = std::regex_replace(s, ci, " COLLATE KVCI");
        s = std::regex_replace(s, cs, " COLLATE BINARY");
        static const std::regex wide(R"(N'')");
        s = std::regex_replace(s, wide, "''");
        if (s.rfind("SELECT TOP (?) ", 0) == 0) {
            s = "SELECT " + s.substr(15) + " LIMIT ?";
            top = static_cast<int>(std::count(s.begin(), s.end(), '?')) - 1;
        } else if (s.rfind("SELECT TOP 1 ", 0) == 0) {
            s = "SELECT " + s.substr(13) + " LIMIT 1";
        }
        return s;
    }
    std::shared_ptr<sql::Connection> inner_;
};

class ChargesElsewhere : public kvtest::Building {
protected:
    void TearDown() override {
        rt::RegisterDriver(rt::Driver::Sql, {});
        ::unsetenv("KVADRIN_ODBC_DRIVER");
        ::unsetenv("KVADRIN_SQLITE_EXT");
        Building::TearDown();
    }

    // The small building with a customer's earlier debt, its run created twice (the second
    // time over the first one's rows); what the tables hold then.
    std::vector<std::string> CreateTwice() {
        SeedSmallBuilding();
        AddPosting("204", "00002", kRunDate - 10, "D", 40.25, "R1");
        for (int i = 0; i < 2; ++i) {
            const ChargeOutcome out = Create(5);
            EXPECT_TRUE(out.created) << rt::cp1250_to_utf8(out.message);
        }
        return Written();
    }
    // Starts again on an empty firm database, reached as `owner` says.
    void Afresh() {
        kvadrin::MainThreadFilesTerm();
        rt::sql::CloseThreadConnections();
        std::filesystem::remove(folder_ / "FIRMA_2024.sqlite");
        std::filesystem::remove(folder_ / "FIRMA_2024.sqlite-wal");
        std::filesystem::remove(folder_ / "FIRMA_2024.sqlite-shm");
        kvadrin::MainThreadFilesInit();
        kvadrin::RecnikPostavi();
    }
};

TEST_F(ChargesElsewhere, OverOdbcWithTheSqliteDriverTheRowsAreTheSame) {
    const std::vector<std::string> embedded = CreateTwice();
    ASSERT_FALSE(embedded.empty());
    Afresh();
    ::setenv("KVADRIN_ODBC_DRIVER", "SQLite3", 1);
    ::setenv("KVADRIN_SQLITE_EXT", KVADRIN_BUILD_DIR "/libkvci.so", 1);
    // The file's path is longer than the connection text holds: the values stand for it.
    sql::ConnectionText values;
    values.server = "odbc-sqlite";
    values.database = (folder_ / "FIRMA_2024.sqlite").string();
    sql::SetConnectionValues("odbc-sqlite,FIRMA_2024,,", values);
    kvadrin::OWNERFIRME = "odbc-sqlite,FIRMA_2024,,";
    EXPECT_EQ(CreateTwice(), embedded);
}

TEST_F(ChargesElsewhere, InSqlServersDialectTheRowsAreTheSameAndAllInOneTransaction) {
    const std::vector<std::string> embedded = CreateTwice();
    ASSERT_FALSE(embedded.empty());
    Afresh();
    std::shared_ptr<SqlServerOnSqlite> conn;
    const std::string path = (folder_ / "FIRMA_2024.sqlite").string();
    rt::RegisterDriver(rt::Driver::Sql, [&conn, path](rt::File& f) {
        if (!conn) conn = std::make_shared<SqlServerOnSqlite>(sql::OpenSqliteFile(path, true));
        sql::TableSource src;
        src.connect = [c = conn] { return c; };
        src.table = [&f] { return f.Name(); };
        return sql::MakeTableDriver(f, std::move(src));
    });
    SeedSmallBuilding();
    AddPosting("204", "00002", kRunDate - 10, "D", 40.25, "R1");
    ASSERT_TRUE(Create(5).created);
    ASSERT_NE(conn, nullptr);
    conn->sent.clear();
    const ChargeOutcome out = Create(5);
    ASSERT_TRUE(out.created) << rt::cp1250_to_utf8(out.message);
    EXPECT_EQ(Written(), embedded);

    // Every statement that changes a row lies between the one BEGIN and the COMMIT; the
    // run's old rows go by the three DELETE texts, in this order, first.
    const std::vector<std::string>& s = conn->sent;
    const auto begin = std::find(s.begin(), s.end(), "<begin>");
    const auto commit = std::find(s.begin(), s.end(), "<commit>");
    ASSERT_NE(begin, s.end());
    ASSERT_NE(commit, s.end());
    EXPECT_EQ(std::count(s.begin(), s.end(), "<begin>"), 1);
    EXPECT_EQ(std::count(s.begin(), s.end(), "<commit>"), 1);
    EXPECT_EQ(std::count(s.begin(), s.end(), "<rollback>"), 0);
    EXPECT_EQ(
        std::vector<std::string>(begin + 1, begin + 4),
        (std::vector<std::string>{"DELETE FROM SFAKT WHERE OBRACUN= 5", "DELETE FROM SPROM WHERE OBRACUN= 5",
                                  "DELETE FROM SKPROMET WHERE NALOG='KVD-05'"}));
    for (auto it = s.begin(); it != s.end(); ++it) {
        const bool writes =
            it->rfind("INSERT", 0) == 0 || it->rfind("UPDATE", 0) == 0 || it->rfind("DELETE", 0) == 0;
        if (writes) { EXPECT_TRUE(it > begin && it < commit) << *it; }
    }
    EXPECT_EQ(std::count_if(begin, commit,
                            [](const std::string& t) { return t.rfind("INSERT INTO [SPROM]", 0) == 0; }),
              1)
        << "one prepared insert of the lines";
}

}  // namespace
