// The carry-over into a new year, as the user runs it: the question, the progress window,
// and what the two years' databases hold afterwards. On the embedded store the previous
// year is an attached database; on SQL Server the statements go as the recording
// connection shows them.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "data/globals.h"
#include "data/tables.h"
#include "platform/files/file.h"
#include "platform/files/record.h"
#include "platform/files/sql/connection.h"
#include "platform/files/sql/sql_driver.h"
#include "shell/housekeeping.h"
#include "tests/driver/store_fixture.h"

using namespace kvadrin;

namespace kvtest {
namespace {

constexpr TableId kSix[] = {TableId::KVADRIN,  TableId::OBAVEZE, TableId::CENE,
                            TableId::SKLAUZUL, TableId::OBRAC,   TableId::SPROM};

std::string Store(const std::string& database) {
    return "(localdb)\\test," + database + ",,;TrustedConnection=True";
}

// One row of a table as the registers would hold it, the key taken from `n`; texts with
// letters of the Serbian alphabet.
void FillRow(TableId id, int n) {
    rt::clear_record(table_def(id).layout, record_buffer(id));
    const std::string code = "S" + std::to_string(n);
    const std::string name = rt::utf8_to_cp1250("Čačak Šabac Đurđevo " + std::to_string(n));
    switch (id) {
        case TableId::KVADRIN:
            KVD.BROJ = std::to_string(n);
            KVD.VLASNIK = name;
            KVD.POVRSINA = 50.5 + n;
            break;
        case TableId::OBAVEZE:
            OBA.SIFRA = code;
            OBA.NAZIV = name;
            break;
        case TableId::CENE:
            CEN.OBRACUN = static_cast<std::int16_t>(n);
            CEN.SIFRA = code;
            CEN.CENA = 12.34 * n;
            break;
        case TableId::SKLAUZUL:
            SKL.SIFRA = static_cast<std::int16_t>(n);
            SKL.OPIS = name;
            SKL.TEKSTKLAUZULE = "{\\rtf1\\ansi " + name + "}";
            break;
        case TableId::OBRAC:
            OBR.OBRACUN = static_cast<std::int16_t>(n);
            OBR.NAZIV = name;
            break;
        case TableId::SPROM:
            SPR.OBRACUN = static_cast<std::int16_t>(n);
            SPR.SHKORISNIKA = "00001";
            SPR.SIFRA = code;
            SPR.UKUPNO = 99.99;
            break;
        default: break;
    }
}

class PrenosGui : public StoreTest {
protected:
    void SetUp() override { SetUpYear("FIRMA", 2024); }
    void SetUpYear(const std::string& prefix, int year) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04d", year);
        const std::string database = prefix + "_" + buf;
        SetUpStore(database);
        RAD_GOD = year;
        MSBASE = database;
    }
    void TearDown() override {
        StoreTest::TearDown();
        MSBASE = "";
        RAD_GOD = 0;
    }

    // Rows `numbers` written into each of `tables` of a database (on a thread of its own).
    void Seed(const std::string& database, std::vector<TableId> tables, std::vector<int> numbers) {
        OnThread([&] {
            ASSERT_TRUE(rt::sql::CreateEmbeddedDatabase(Store(database))) << rt::FileError();
            for (TableId id : tables) {
                rt::File f(table_def(id), record_buffer(id));
                f.BindOwner([database] { return Store(database); });
                ASSERT_EQ(f.Open(), rt::kNoError) << table_name(id) << ": " << rt::FileError();
                for (int n : numbers) {
                    FillRow(id, n);
                    ASSERT_EQ(f.Add(), rt::kNoError) << table_name(id) << ": " << rt::FileError();
                }
            }
        });
    }
    // The rows of a table, each as its bytes; empty when the table or the database is not there.
    std::vector<std::string> Rows(const std::string& database, TableId id) {
        std::vector<std::string> rows;
        if (!std::filesystem::exists(dir_ / (database + ".sqlite"))) return rows;
        OnThread([&] {
            rt::File f(table_def(id), record_buffer(id));
            f.BindOwner([database] { return Store(database); });
            if (f.Open() != rt::kNoError) return;
            f.SetPhysical();
            const std::size_t size = table_def(id).layout.record_size;
            while (f.Next() == rt::kNoError)
                rows.emplace_back(static_cast<const char*>(record_buffer(id)), size);
        });
        return rows;
    }
    // Starts the carry-over from the frame's menu entry and answers its question.
    void Run(const char* answer) {
        driver.Start([] { PrenosUNovuGodinu(); });
        EXPECT_EQ(driver.Answer(answer), "Preuzmi sifarnike iz prethodne godine?");
    }
};

TEST_F(PrenosGui, CopiesTheSixRegistersAndRefusesASecondCopyWhole) {
    Seed("FIRMA_2023", {std::begin(kSix), std::end(kSix)}, {1, 2});
    std::vector<std::vector<std::string>> before;
    for (TableId id : kSix) before.push_back(Rows("FIRMA_2023", id));

    Run("DA");
    driver.WaitForThreads();
    for (std::size_t i = 0; i < std::size(kSix); ++i) {
        SCOPED_TRACE(table_name(kSix[i]));
        EXPECT_EQ(Rows("FIRMA_2024", kSix[i]), before[i]);  // byte for byte
        EXPECT_EQ(Rows("FIRMA_2023", kSix[i]), before[i]);
    }

    // Again into the same year: every table already holds those keys. Each refusal is
    // named with the database's text, and nothing more is copied.
    Run("DA");
    driver.WaitForWindow("PrenosUNovuGodinu");
    const std::string text = driver.MessageText();
    EXPECT_EQ(driver.Caption("PrenosUNovuGodinu"), "INICIJALIZACIJA BAZE...");
    auto* bar = driver.Widget("PrenosUNovuGodinu", "?PROGRESS2");
    ASSERT_NE(bar, nullptr);
    driver.Snapshot("PrenosUNovuGodinu", "prenos_refused.png");
    EXPECT_EQ(bar->property("value").toInt(), 0);  // no claim of a copy
    EXPECT_EQ(text.rfind("Šifarnici nisu preneti, baza tekuće godine nije promenjena.", 0), 0u) << text;
    for (const char* t :
         {"KVADRIN: UNIQUE constraint failed: KVADRIN.BROJ", "OBAVEZE: UNIQUE constraint failed",
          "CENE: UNIQUE constraint failed", "SKLAUZUL: UNIQUE constraint failed",
          "OBRAC: UNIQUE constraint failed", "SPROM: UNIQUE constraint failed"})
        EXPECT_NE(text.find(t), std::string::npos) << t << " in " << text;
    driver.Answer("OK");
    driver.WaitForThreads();
    for (std::size_t i = 0; i < std::size(kSix); ++i) EXPECT_EQ(Rows("FIRMA_2024", kSix[i]).size(), 2u);
}

// One table that cannot be copied keeps the other five from being copied.
TEST_F(PrenosGui, AFailureInALaterTableLeavesTheNewYearAsItWas) {
    Seed("FIRMA_2023", {std::begin(kSix), std::end(kSix)}, {1, 2});
    Seed("FIRMA_2024", {TableId::SPROM}, {2});
    const std::vector<std::string> sprom = Rows("FIRMA_2024", TableId::SPROM);
    Run("DA");
    const std::string text = driver.MessageText();
    EXPECT_NE(text.find("SPROM: UNIQUE constraint failed: SPROM.OBRACUN"), std::string::npos) << text;
    EXPECT_EQ(text.find("KVADRIN"), std::string::npos) << text;
    driver.Answer("OK");
    driver.WaitForThreads();
    for (TableId id : {TableId::KVADRIN, TableId::OBAVEZE, TableId::CENE, TableId::SKLAUZUL, TableId::OBRAC})
        EXPECT_TRUE(Rows("FIRMA_2024", id).empty()) << table_name(id);
    EXPECT_EQ(Rows("FIRMA_2024", TableId::SPROM), sprom);
}

TEST_F(PrenosGui, AnsweringNeTouchesNeitherYear) {
    Seed("FIRMA_2023", {TableId::KVADRIN}, {1});
    Run("NE");
    driver.WaitForThreads();
    EXPECT_EQ(driver.Server().FindWindow("PrenosUNovuGodinu"), nullptr);
    for (TableId id : kSix) EXPECT_TRUE(Rows("FIRMA_2024", id).empty()) << table_name(id);
    EXPECT_EQ(Rows("FIRMA_2023", TableId::KVADRIN).size(), 1u);
}

TEST_F(PrenosGui, WithoutThePreviousYearsDatabaseNothingIsCopied) {
    Run("DA");
    const std::string text = driver.MessageText();
    EXPECT_NE(text.find("KVADRIN: cannot open database FIRMA_2023"), std::string::npos) << text;
    driver.Answer("OK");
    driver.WaitForThreads();
    EXPECT_FALSE(std::filesystem::exists(dir_ / "FIRMA_2023.sqlite"));
    for (TableId id : kSix) EXPECT_TRUE(Rows("FIRMA_2024", id).empty()) << table_name(id);
}

class PrenosYear100 : public PrenosGui {
protected:
    void SetUp() override { SetUpYear("FIRMA", 100); }
};

TEST_F(PrenosYear100, TheYearsAreWrittenInFourDigits) {
    EXPECT_EQ(CarryOverStatement("KVADRIN"),
              "INSERT INTO FIRMA_0100.dbo.KVADRIN SELECT * FROM FIRMA_0099.dbo.KVADRIN");
    Seed("FIRMA_0099", {std::begin(kSix), std::end(kSix)}, {7});
    Run("DA");
    driver.WaitForThreads();
    EXPECT_EQ(Rows("FIRMA_0100", TableId::KVADRIN), Rows("FIRMA_0099", TableId::KVADRIN));
    EXPECT_EQ(Rows("FIRMA_0100", TableId::OBRAC).size(), 1u);
}

// SQL Server's side: the six texts with three-part names, in one transaction.
class Recording : public rt::sql::Connection {
public:
    class Stmt : public rt::sql::Statement {
    public:
        Stmt(Recording& c, std::string sql) : c_(c), sql_(std::move(sql)) {}
        void BindNull(int) override {}
        void BindInt(int, std::int64_t) override {}
        void BindDouble(int, double) override {}
        void BindText(int, std::string_view) override {}
        int Step() override {
            if (sql_.rfind("SELECT", 0) == 0) return rows_++ == 0 ? 1 : 0;  // the table is there, empty
            std::lock_guard lock(c_.m);
            if (sql_.rfind("INSERT INTO FIRMA_", 0) == 0) c_.sent.push_back(sql_);
            if (c_.failing.count(sql_)) {
                c_.code = "23000";
                c_.text = "Violation of PRIMARY KEY constraint in " + sql_.substr(sql_.rfind('.') + 1);
                return -1;
            }
            return 0;
        }
        void Reset() override { rows_ = 0; }
        int ColumnCount() override { return 1; }
        bool IsNull(int) override { return false; }
        std::int64_t Int(int) override { return sql_.find("OBJECT_ID") != std::string::npos ? 1 : 0; }
        double Double(int) override { return 0; }
        std::string Text(int) override { return ""; }

    private:
        Recording& c_;
        std::string sql_;
        int rows_ = 0;
    };
    rt::sql::Dialect dialect() const override { return rt::sql::Dialect::SqlServer; }
    std::unique_ptr<rt::sql::Statement> Prepare(std::string_view s) override {
        return std::make_unique<Stmt>(*this, std::string(s));
    }
    bool Execute(std::string_view) override { return true; }
    bool Begin() override { return Note("BEGIN", true); }
    bool Commit() override { return Note("COMMIT", false); }
    bool Rollback() override { return Note("ROLLBACK", false); }
    bool InTransaction() const override { return in_transaction; }
    std::string ErrorCodeText() const override { return code; }
    std::string ErrorText() const override { return text; }
    bool LastErrorWasDuplicate() const override { return false; }
    std::string Database() const override { return "FIRMA_2024"; }

    bool Note(const char* what, bool transaction) {
        std::lock_guard lock(m);
        calls.emplace_back(what);
        in_transaction = transaction;
        return true;
    }

    std::mutex m;
    std::vector<std::string> sent, calls;
    std::set<std::string> failing;
    std::string code, text;
    bool in_transaction = false;
};

class PrenosSqlServer : public PrenosGui {
protected:
    void SetUp() override {
        PrenosGui::SetUp();
        conn = std::make_shared<Recording>();
        rt::RegisterDriver(rt::Driver::Sql, [c = conn](rt::File& f) {
            rt::sql::TableSource src;
            src.connect = [c] { return c; };
            src.table = [&f] { return f.Name(); };
            return rt::sql::MakeTableDriver(f, std::move(src));
        });
    }
    void TearDown() override {
        rt::RegisterDriver(rt::Driver::Sql, {});
        PrenosGui::TearDown();
    }
    std::shared_ptr<Recording> conn;
};

TEST_F(PrenosSqlServer, TheSixStatementsRunInOneTransactionAndEveryFailureIsReported) {
    std::vector<std::string> six;
    for (const char* t : {"KVADRIN", "OBAVEZE", "CENE", "SKLAUZUL", "OBRAC", "SPROM"})
        six.push_back(std::string("INSERT INTO FIRMA_2024.dbo.") + t + " SELECT * FROM FIRMA_2023.dbo." + t);
    conn->failing = {six[2], six[5]};
    Run("DA");
    const std::string text = driver.MessageText();
    EXPECT_NE(text.find("CENE: Violation of PRIMARY KEY constraint in CENE (23000)"), std::string::npos)
        << text;
    EXPECT_NE(text.find("SPROM: Violation of PRIMARY KEY constraint in SPROM (23000)"), std::string::npos)
        << text;
    driver.Answer("OK");
    driver.WaitForThreads();
    {
        std::lock_guard lock(conn->m);
        EXPECT_EQ(conn->sent, six);
        EXPECT_EQ(conn->calls, (std::vector<std::string>{"BEGIN", "ROLLBACK"}));
        conn->sent.clear();
        conn->calls.clear();
        conn->failing.clear();
    }

    Run("DA");
    driver.WaitForThreads();
    EXPECT_FALSE(driver.MessageOpen());
    std::lock_guard lock(conn->m);
    EXPECT_EQ(conn->sent, six);
    EXPECT_EQ(conn->calls, (std::vector<std::string>{"BEGIN", "COMMIT"}));
}

}  // namespace
}  // namespace kvtest
