// Connection texts, the ODBC connection string, the SQLite form of pass-through SQL, the
// KVCI collation and this thread's connections.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/text.h"
#include "platform/files/file.h"
#include "platform/files/sql/connection.h"
#include "platform/files/sql/kvci.h"
#include "platform/files/transaction.h"

namespace {

using namespace rt::sql;
namespace fs = std::filesystem;

struct ParseCase {
    const char* text;
    const char* server;
    const char* database;
    const char* user;
    const char* password;
    bool embedded;
    const char* instance;
    const char* trusted;  // the TRUSTEDCONNECTION option, nullptr when absent
};

TEST(ConnectionText, SplitsServerDatabaseLoginPasswordAndOptions) {
    const ParseCase cases[] = {
        // The form the login builds for the embedded store.
        {"(localdb)\\MSSQLLocalDB,FIRMA_2024,,;TrustedConnection=True", "(localdb)\\MSSQLLocalDB",
         "FIRMA_2024", "", "", true, "MSSQLLocalDB", "True"},
        {"(LocalDB)\\,FIRMA_2024,,", "(LocalDB)\\", "FIRMA_2024", "", "", true, "", nullptr},
        {"(localdb),DB,,", "(localdb)", "DB", "", "", true, "", nullptr},
        // A password keeps its commas and semicolons unless only options follow.
        {"SRV01,FIRMA_2024,sa,ta,jna;x   ", "SRV01", "FIRMA_2024", "sa", "ta,jna;x", false, "", nullptr},
        {"SRV01,FIRMA_2024,sa,pw;TrustedConnection=yes", "SRV01", "FIRMA_2024", "sa", "pw", false, "", "yes"},
        {"localdbx,DB,u,", "localdbx", "DB", "u", "", false, "", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto t = ParseConnectionText(c.text);
        ASSERT_TRUE(t.has_value());
        EXPECT_EQ(t->server, c.server);
        EXPECT_EQ(t->database, c.database);
        EXPECT_EQ(t->user, c.user);
        EXPECT_EQ(t->password, c.password);
        EXPECT_EQ(t->embedded(), c.embedded);
        EXPECT_EQ(t->instance(), c.instance);
        auto it = t->options.find("TRUSTEDCONNECTION");
        if (c.trusted)
            EXPECT_TRUE(it != t->options.end() && it->second == c.trusted);
        else
            EXPECT_TRUE(it == t->options.end());
    }
    EXPECT_FALSE(ParseConnectionText("SRV01,FIRMA_2024,sa").has_value());
    EXPECT_FALSE(ParseConnectionText("").has_value());
}

struct OdbcCase {
    const char* server;
    const char* user;
    const char* password;
    const char* options;  // "KEY=value;..." of the connection text
    const char* freetds;  // nullptr: refused
    const char* other;    // the string for a driver with the standard syntax
};

// Values are braced only where the driver needs it; FreeTDS reads a braced value to the
// first "};" and undoes no doubled brace, so what it cannot carry is refused. The server
// name carries an instance or a port; FreeTDS gets port 1433 when it names neither.
TEST(ConnectionText, OdbcStringBracesOnlyWhatNeedsItAndRefusesWhatFreeTdsCannotCarry) {
    const OdbcCase cases[] = {
        {"SRV01", "sa", "tajna", "",
         "DRIVER={FreeTDS};SERVER=SRV01;Port=1433;DATABASE=FIRMA_2024;UID=sa;PWD=tajna;APP=kvadrin;"
         "ClientCharset=UTF-8;",
         "DRIVER={X};SERVER=SRV01;DATABASE=FIRMA_2024;UID=sa;PWD=tajna;TrustServerCertificate=yes;APP="
         "kvadrin;"},
        {"SRV01\\SQLEXPRESS", "a;b", "p}w;,=", "",
         "DRIVER={FreeTDS};SERVER=SRV01\\SQLEXPRESS;DATABASE=FIRMA_2024;UID={a;b};PWD={p}w;,=};APP=kvadrin;"
         "ClientCharset=UTF-8;",
         "DRIVER={X};SERVER=SRV01\\SQLEXPRESS;DATABASE=FIRMA_2024;UID={a;b};PWD={p}}w;,=};"
         "TrustServerCertificate=yes;APP=kvadrin;"},
        {"tcp:db.example,14330", " sa ", "{x}", "",
         "DRIVER={FreeTDS};SERVER=db.example;Port=14330;DATABASE=FIRMA_2024;UID= sa ;PWD={{x}};APP=kvadrin;"
         "ClientCharset=UTF-8;",
         "DRIVER={X};SERVER=db.example,14330;DATABASE=FIRMA_2024;UID={ sa };PWD={{x}}};"
         "TrustServerCertificate=yes;APP=kvadrin;"},
        // Options: the port (it wins over an instance), encryption and the certificate.
        {"SRV01\\I", "sa", "x", "Port=2000;Encrypt=yes;TrustServerCertificate=no",
         "DRIVER={FreeTDS};SERVER=SRV01;Port=2000;DATABASE=FIRMA_2024;UID=sa;PWD=x;Encryption=require;"
         "APP=kvadrin;ClientCharset=UTF-8;",
         "DRIVER={X};SERVER=SRV01\\I,2000;DATABASE=FIRMA_2024;UID=sa;PWD=x;Encrypt=yes;"
         "TrustServerCertificate=no;APP=kvadrin;"},
        {"SRV01", "sa", "x", "Encrypt=no",
         "DRIVER={FreeTDS};SERVER=SRV01;Port=1433;DATABASE=FIRMA_2024;UID=sa;PWD=x;Encryption=request;"
         "APP=kvadrin;ClientCharset=UTF-8;",
         "DRIVER={X};SERVER=SRV01;DATABASE=FIRMA_2024;UID=sa;PWD=x;Encrypt=no;TrustServerCertificate=yes;"
         "APP=kvadrin;"},
        {"SRV01", "sa", "x", "TrustedConnection=True",
         "DRIVER={FreeTDS};SERVER=SRV01;Port=1433;DATABASE=FIRMA_2024;Trusted_Connection=Yes;APP=kvadrin;"
         "ClientCharset=UTF-8;",
         "DRIVER={X};SERVER=SRV01;DATABASE=FIRMA_2024;Trusted_Connection=Yes;TrustServerCertificate=yes;"
         "APP=kvadrin;"},
        // "};" ends a braced value for FreeTDS: it cannot carry it.
        {"SRV01", "sa", "a};b", "", nullptr,
         "DRIVER={X};SERVER=SRV01;DATABASE=FIRMA_2024;UID=sa;PWD={a}};b};TrustServerCertificate=yes;"
         "APP=kvadrin;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server + std::string(" ") + c.password);
        ConnectionText t = ParseConnectionText(std::string("S,FIRMA_2024,x,x;") + c.options).value();
        t.server = c.server;
        t.user = c.user;
        t.password = c.password;
        std::string refusal;
        const auto freetds = OdbcConnectionString(t, "FreeTDS", &refusal);
        if (c.freetds) {
            EXPECT_EQ(freetds.value_or("refused: " + refusal), c.freetds);
        } else {
            EXPECT_FALSE(freetds.has_value());
            EXPECT_EQ(refusal, "the password holds \"};\", which the FreeTDS ODBC driver cannot carry");
        }
        EXPECT_EQ(OdbcConnectionString(t, "X").value_or("refused"), c.other);
    }

    // Texts go to the driver as UTF-8.
    ConnectionText t = ParseConnectionText("SRV01,FIRMA_2024,\xC8ika,\x9Aifra").value();
    EXPECT_EQ(OdbcConnectionString(t, "FreeTDS").value(),
              "DRIVER={FreeTDS};SERVER=SRV01;Port=1433;DATABASE=FIRMA_2024;UID=\xC4\x8C"
              "ika;PWD=\xC5\xA1ifra;APP=kvadrin;ClientCharset=UTF-8;");

    // Options of the environment apply where the text gives none.
    setenv("KVADRIN_ODBC_OPTIONS", "Encrypt=strict;Port=2001", 1);
    t.options["PORT"] = "3000";
    EXPECT_EQ(
        OdbcConnectionString(t, "X").value(),
        "DRIVER={X};SERVER=SRV01,3000;DATABASE=FIRMA_2024;UID=\xC4\x8Cika;PWD=\xC5\xA1ifra;Encrypt=strict;"
        "TrustServerCertificate=yes;APP=kvadrin;");
    unsetenv("KVADRIN_ODBC_OPTIONS");

    // The SQLite driver reads its database plain: a name it could misread is refused.
    t = ParseConnectionText("srv,/tmp/a b/FIRMA_2024.sqlite,a;b,p").value();
    EXPECT_EQ(OdbcConnectionString(t, "SQLite3").value(),
              "DRIVER={SQLite3};SERVER=srv;DATABASE=/tmp/a b/FIRMA_2024.sqlite;UID={a;b};PWD=p;");
    for (const char* bad : {"/tmp/x;LoadExt=/evil.so", "/tmp/{x}", " /tmp/x", ""}) {
        t.database = bad;
        EXPECT_FALSE(OdbcConnectionString(t, "SQLite3").has_value()) << bad;
    }
}

struct RewriteCase {
    const char* sql;
    const char* sqlite;
    std::vector<std::string> attach;
};

// Every pass-through text the program sends, and the constructs the rewrite must leave alone.
TEST(SqliteDialect, RewritesOnlyIsnullThreePartNamesAndTempTables) {
    const RewriteCase cases[] = {
        {"SELECT '1','',0,ISNULL(MAX(OBRACUN)+1,1) FROM OBRAC",
         "SELECT '1','',0,IFNULL(MAX(OBRACUN)+1,1) FROM OBRAC",
         {}},
        {"DELETE FROM SFAKT WHERE OBRACUN= 5", "DELETE FROM SFAKT WHERE OBRACUN= 5", {}},
        {"DELETE FROM SPROM WHERE OBRACUN=15", "DELETE FROM SPROM WHERE OBRACUN=15", {}},
        {"DELETE FROM SKPROMET WHERE NALOG='KVD-05'", "DELETE FROM SKPROMET WHERE NALOG='KVD-05'", {}},
        {"UPDATE SKPROMET SET SINTETIKA='435' WHERE SINTETIKA='433'",
         "UPDATE SKPROMET SET SINTETIKA='435' WHERE SINTETIKA='433'",
         {}},
        {"UPDATE SKPROMET SET SINTETIKA='204' WHERE SINTETIKA='202'",
         "UPDATE SKPROMET SET SINTETIKA='204' WHERE SINTETIKA='202'",
         {}},
        {"INSERT INTO FIRMA_2024.dbo.KVADRIN SELECT * FROM FIRMA_2023.dbo.KVADRIN",
         "INSERT INTO main.KVADRIN SELECT * FROM FIRMA_2023.KVADRIN",
         {"FIRMA_2023"}},
        {"INSERT INTO FIRMA_2024.dbo.SPROM SELECT * FROM FIRMA_2023.dbo.SPROM",
         "INSERT INTO main.SPROM SELECT * FROM FIRMA_2023.SPROM",
         {"FIRMA_2023"}},
        {"INSERT INTO FIRMA_0100.dbo.OBRAC SELECT * FROM FIRMA_0099.dbo.OBRAC",
         "INSERT INTO FIRMA_0100.OBRAC SELECT * FROM FIRMA_0099.OBRAC",
         {"FIRMA_0100", "FIRMA_0099"}},
        // Case of keywords and names, several uses of one database.
        {"select isnull(a,0) from x.DBO.t join X.dbo.u on 1=1",
         "select IFNULL(a,0) from x.t join X.u on 1=1",
         {"x"}},
        {"SELECT * FROM #zzz_ainc_kvd", "SELECT * FROM \"#zzz_ainc_kvd\"", {}},
        // Left alone: quoted texts and names, other words, ISNULL without its parenthesis.
        {"SELECT 'ISNULL(x) A.dbo.B #t', \"ISNULL(\" FROM [A.dbo.B]",
         "SELECT 'ISNULL(x) A.dbo.B #t', \"ISNULL(\" FROM [A.dbo.B]",
         {}},
        {"SELECT MYISNULL(1), ISNULL (1), a#b FROM T", "SELECT MYISNULL(1), ISNULL (1), a#b FROM T", {}},
        {"SELECT 'it''s ISNULL(' -- ISNULL(\nFROM T", "SELECT 'it''s ISNULL(' -- ISNULL(\nFROM T", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        auto r = RewriteForSqlite(c.sql, "FIRMA_2024");
        EXPECT_EQ(r.sql, c.sqlite);
        EXPECT_EQ(r.attach, c.attach);
    }
}

TEST(Kvci, FoldsCp1250LettersAndIgnoresTrailingBlanks) {
    using rt::sql::kvci::compare;
    // UTF-8 forms of the CP1250 letters.
    const char* equal[][2] = {{"\xC4\x8C", "\xC4\x8D"},  // Č č
                              {"\xC5\xA0", "\xC5\xA1"},  // Š š
                              {"\xC5\xBD", "\xC5\xBE"},  // Ž ž
                              {"\xC4\x86", "\xC4\x87"},  // Ć ć
                              {"\xC4\x90", "\xC4\x91"},  // Đ đ
                              {"Abc  ", "aBC"},
                              {"\xC4\x8D"
                               "a\xC5\xA1"
                               "a",
                               "\xC4\x8C"
                               "A\xC5\xA0"
                               "A "}};
    for (auto& e : equal) EXPECT_EQ(compare(e[0], e[1]), 0) << e[0] << " / " << e[1];
    EXPECT_LT(compare("a", "B"), 0);
    EXPECT_LT(compare("ab", "abc"), 0);
    EXPECT_NE(compare("C", "\xC4\x8C"), 0);  // C and Č are different letters
    EXPECT_EQ(rt::sql::kvci::upper("\xC4\x8D"
                                   "a\xC5\xA1"
                                   "a \xC4\x91"),
              "\xC4\x8C"
              "A\xC5\xA0"
              "A \xC4\x90");
}

// The loadable extension libkvci.so registers the store's own collation and functions:
// a connection that loaded it answers every query as one the store set up.
TEST(Kvci, TheLoadableExtensionAnswersAsTheStore) {
    struct Case {
        const char* sql;
        const char* expected;
    };
    const Case cases[] = {
        {"SELECT 'čaša' = 'ČAŠA  ' COLLATE KVCI", "1"},
        {"SELECT 'C' = 'Č' COLLATE KVCI", "0"},
        {"SELECT KVUPPER('čaša đ')", "ČAŠA Đ"},
        {"SELECT KVINSTR('Đaković', 'KOV')", "3"},
        {"SELECT KVUPPER(NULL) IS NULL AND KVINSTR(NULL, 'A') IS NULL AND KVINSTR('a', NULL) IS NULL", "1"},
        {"SELECT group_concat(n, ',') FROM (SELECT column1 AS n FROM (VALUES ('Đak'), ('Dab'), ('Čačak'), "
         "('Cvijić'), ('Ćuk')) ORDER BY n COLLATE KVCI)",
         "Cvijić,Čačak,Ćuk,Dab,Đak"},
    };
    sqlite3* store = nullptr;
    sqlite3* loaded = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &store), SQLITE_OK);
    ASSERT_EQ(sqlite3_open(":memory:", &loaded), SQLITE_OK);
    ASSERT_EQ(rt::sql::kvci::Register(store), SQLITE_OK);
    ASSERT_EQ(sqlite3_enable_load_extension(loaded, 1), SQLITE_OK);
    char* err = nullptr;
    ASSERT_EQ(sqlite3_load_extension(loaded, KVADRIN_BUILD_DIR "/libkvci.so", nullptr, &err), SQLITE_OK)
        << (err ? err : "");
    auto answer = [](sqlite3* db, const char* sql) {
        sqlite3_stmt* st = nullptr;
        std::string out = "(no answer)";
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW) {
            const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            out = t ? t : "(null)";
        }
        sqlite3_finalize(st);
        return out;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(answer(store, c.sql), c.expected);
        EXPECT_EQ(answer(loaded, c.sql), c.expected);
    }
    sqlite3_close(store);
    sqlite3_close(loaded);
}

class TempStore : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kv_sqlconn_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        setenv("KVADRIN_LOCALDB", (dir_ / "instance").c_str(), 1);
    }
    void TearDown() override {
        CloseThreadConnections();
        unsetenv("KVADRIN_LOCALDB");
        fs::remove_all(dir_);
    }
    fs::path dir_;
};

TEST_F(TempStore, EmbeddedDatabaseIsCreatedInWalModeWithCollationAndUpper) {
    const char* text = "(localdb)\\MSSQLLocalDB,FIRMA_2024,,;TrustedConnection=True";
    ASSERT_TRUE(CreateEmbeddedDatabase(text)) << rt::FileError();
    auto conn = ConnectionFor(text);
    ASSERT_NE(conn, nullptr) << rt::FileError();
    EXPECT_EQ(conn->dialect(), Dialect::Sqlite);
    EXPECT_TRUE(fs::exists(dir_ / "instance" / "FIRMA_2024.sqlite"));

    auto st = conn->Prepare("PRAGMA journal_mode");
    ASSERT_EQ(st->Step(), 1);
    EXPECT_EQ(st->Text(0), "wal");

    // Texts cross in CP1250: "čaša" against "ČAŠA".
    st = conn->Prepare("SELECT ? = ? COLLATE KVCI, KVUPPER(?), ? = ?");
    ASSERT_NE(st, nullptr);
    st->BindText(0,
                 "\xE8"
                 "a\x9A"
                 "a");
    st->BindText(1,
                 "\xC8"
                 "A\x8A"
                 "A  ");
    st->BindText(2,
                 "\xE8"
                 "a\x9A"
                 "a");
    st->BindText(3, "a");
    st->BindText(4, "A");
    ASSERT_EQ(st->Step(), 1);
    EXPECT_EQ(st->Int(0), 1);
    EXPECT_EQ(st->Text(1),
              "\xC8"
              "A\x8A"
              "A");
    EXPECT_EQ(st->Int(2), 0);  // plain comparisons keep case
}

// A commit the database refuses (a deferred foreign key left unsatisfied) leaves the
// transaction open; the guard says the commit failed, with the database's code and text,
// and rolls the work back when it goes.
TEST_F(TempStore, ATransactionGuardSaysTheCommitFailedAndRollsBack) {
    ASSERT_TRUE(CreateEmbeddedDatabase("(localdb)\\MSSQLLocalDB,FIRMA_2024,,")) << rt::FileError();
    auto conn = ConnectionFor("(localdb)\\MSSQLLocalDB,FIRMA_2024,,;TrustedConnection=True");
    ASSERT_NE(conn, nullptr) << rt::FileError();
    ASSERT_TRUE(conn->Execute("PRAGMA foreign_keys = ON"));
    ASSERT_TRUE(conn->Execute("CREATE TABLE P (ID INTEGER PRIMARY KEY)"));
    ASSERT_TRUE(conn->Execute("CREATE TABLE C (P INTEGER REFERENCES P (ID) DEFERRABLE INITIALLY DEFERRED)"));
    auto count = [&] {
        auto st = conn->Prepare("SELECT COUNT(*) FROM C");
        return st && st->Step() == 1 ? st->Int(0) : -1;
    };
    {
        rt::Transaction t;
        ASSERT_TRUE(t.Begin(*conn)) << t.failure().text;
        ASSERT_TRUE(conn->Execute("INSERT INTO C VALUES (7)"));
        EXPECT_FALSE(t.Commit());
        EXPECT_EQ(t.failure().step, "COMMIT");
        EXPECT_EQ(t.failure().code, "787");  // SQLITE_CONSTRAINT_FOREIGNKEY
        EXPECT_NE(t.failure().text.find("FOREIGN KEY"), std::string::npos) << t.failure().text;
        EXPECT_TRUE(t.IsOpen());
        EXPECT_TRUE(conn->InTransaction());
    }
    EXPECT_FALSE(conn->InTransaction());
    EXPECT_EQ(count(), 0);
    {
        rt::Transaction t;
        ASSERT_TRUE(t.Begin(*conn));
        ASSERT_TRUE(conn->Execute("INSERT INTO P VALUES (7)"));
        ASSERT_TRUE(conn->Execute("INSERT INTO C VALUES (7)"));
        EXPECT_TRUE(t.Commit()) << t.failure().text;
    }
    EXPECT_EQ(count(), 1);
}

// A database whose indexes were built when the collation ordered letters by their byte
// (Č, Š, Ž after Z) is rebuilt when it is first opened, so that reads by index and by key
// follow the alphabet; the rebuild is recorded in the database.
TEST_F(TempStore, AnOlderDatabaseIsReindexedInTheAlphabetsOrderWhenOpened) {
    fs::create_directories(dir_ / "instance");
    const std::string file = (dir_ / "instance" / "STARA_2023.sqlite").string();
    const char* names[] = {"Žabalj", "Zeta", "Čačak", "Cvijić", "Đaković", "Dabić", "Šabac", "Sava", "ana"};
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        // The earlier order: the upper-case bytes of the code page, trailing blanks ignored.
        auto old_order = [](void*, int na, const void* a, int nb, const void* b) {
            std::string x =
                rt::clip(rt::upper(rt::utf8_to_cp1250({static_cast<const char*>(a), std::size_t(na)})));
            std::string y =
                rt::clip(rt::upper(rt::utf8_to_cp1250({static_cast<const char*>(b), std::size_t(nb)})));
            return x.compare(y);
        };
        sqlite3_create_collation_v2(db, "KVCI", SQLITE_UTF8, nullptr, old_order, nullptr);
        ASSERT_EQ(
            sqlite3_exec(db,
                         "CREATE TABLE T (NAME TEXT COLLATE KVCI NOT NULL, N INTEGER, PRIMARY KEY (NAME));"
                         "CREATE INDEX T_N ON T (N, NAME)",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
        for (const char* n : names) {
            const std::string sql = std::string("INSERT INTO T VALUES ('") + n + "', 1)";
            ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        }
        sqlite3_close(db);
    }
    auto conn = ConnectionFor("(localdb)\\,STARA_2023,,");
    ASSERT_NE(conn, nullptr) << rt::FileError();
    auto column = [&](const std::string& sql) {
        std::vector<std::string> out;
        auto st = conn->Prepare(rt::utf8_to_cp1250(sql));
        EXPECT_NE(st, nullptr) << conn->ErrorText();
        while (st && st->Step() == 1) out.push_back(rt::cp1250_to_utf8(st->Text(0)));
        return out;
    };
    const std::vector<std::string> alphabet = {"ana",  "Cvijić", "Čačak", "Dabić", "Đaković",
                                               "Sava", "Šabac",  "Zeta",  "Žabalj"};
    EXPECT_EQ(column("SELECT NAME FROM T INDEXED BY sqlite_autoindex_T_1 ORDER BY NAME"), alphabet);
    EXPECT_EQ(column("SELECT NAME FROM T INDEXED BY T_N WHERE N = 1 ORDER BY N, NAME"), alphabet);
    EXPECT_EQ(column("SELECT NAME FROM T WHERE NAME = 'ČAČAK'"), std::vector<std::string>{"Čačak"});
    EXPECT_EQ(column("PRAGMA integrity_check"), std::vector<std::string>{"ok"});
    EXPECT_EQ(column("PRAGMA user_version"), std::vector<std::string>{"2"});
}

TEST_F(TempStore, OneConnectionPerThreadAndText) {
    const std::string text = "(localdb)\\,DB,,";
    ASSERT_TRUE(CreateEmbeddedDatabase(text)) << rt::FileError();
    auto a = ConnectionFor(text);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(ConnectionFor(text + "   "), a);  // trailing blanks of a STRING variable
    std::shared_ptr<Connection> other;
    std::thread([&] {
        other = ConnectionFor(text);
        CloseThreadConnections();
    }).join();
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, a);
    CloseThreadConnections();
    EXPECT_NE(ConnectionFor(text), a);
}

// A connection never makes a database: one that is not there is refused and stays not
// there; its name is found whatever its case, and of files that differ only by case the
// one named exactly is taken, else the first in the byte order of the names.
TEST_F(TempStore, ADatabaseIsFoundWhateverItsCaseAndNeverMadeByAConnection) {
    EXPECT_EQ(ConnectionFor("(localdb)\\,DZ1_2024,,"), nullptr);
    EXPECT_EQ(rt::ErrorCode(), rt::kDriverError);
    EXPECT_NE(rt::FileError().find("DZ1_2024"), std::string::npos) << rt::FileError();
    EXPECT_FALSE(fs::exists(dir_ / "instance")) << "nothing made, not even the folder";

    struct Case {
        std::vector<const char*> files;  // made in this order, each with its own name in a table
        const char* asked;
        const char* opened;
    };
    const Case cases[] = {
        {{"DEMO_2024"}, "demo_2024", "DEMO_2024"},
        {{"demo_2024"}, "DEMO_2024", "demo_2024"},
        {{"demo_2024", "DEMO_2024", "Demo_2024"}, "dEMO_2024", "DEMO_2024"},
        {{"Demo_2024", "DEMO_2024"}, "Demo_2024", "Demo_2024"},
        {{"\xC8"
          "A\x8A_2024"},
         "\xE8"
         "a\x9A_2024",
         "\xC8"
         "A\x8A_2024"},  // ČAŠ found as čaš
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked);
        CloseThreadConnections();
        fs::remove_all(dir_ / "instance");
        fs::create_directories(dir_ / "instance");
        for (const char* f : c.files) {
            // Files side by side that differ only by case, as another program may leave them.
            auto conn =
                OpenSqliteFile((dir_ / "instance" / (rt::cp1250_to_utf8(f) + ".sqlite")).string(), true);
            ASSERT_NE(conn, nullptr);
            ASSERT_TRUE(conn->Execute(std::string("CREATE TABLE \"") + f + "\"(X)")) << conn->ErrorText();
        }
        const auto databases = [&] {
            std::size_t n = 0;
            for (const auto& e : fs::directory_iterator(dir_ / "instance"))
                n += e.path().extension() == ".sqlite";
            return n;
        };
        EXPECT_EQ(databases(), c.files.size());
        auto conn = ConnectionFor(std::string("(localdb)\\,") + c.asked + ",,");
        ASSERT_NE(conn, nullptr) << rt::FileError();
        EXPECT_NE(conn->Prepare(std::string("SELECT * FROM \"") + c.opened + "\""), nullptr)
            << conn->ErrorText();
        EXPECT_EQ(databases(), c.files.size()) << "no database made beside them";
        // A three-part name finds the other database in the same way.
        if (c.files.size() == 1 && rt::clip(c.asked) == rt::cp1250_to_utf8(c.asked)) {
            ASSERT_TRUE(CreateEmbeddedDatabase("(localdb)\\,GLAVNA,,"));
            auto main = ConnectionFor("(localdb)\\,GLAVNA,,");
            ASSERT_NE(main, nullptr);
            const std::string sql = std::string("SELECT * FROM ") + c.asked + ".dbo.\"" + c.opened + "\"";
            EXPECT_NE(main->PreparePassThrough(sql), nullptr) << main->ErrorText();
        }
    }
}

TEST_F(TempStore, FailedConnectionsLeaveNoConnectionAndSayWhy) {
    EXPECT_EQ(ConnectionFor("no commas here"), nullptr);
    EXPECT_EQ(rt::ErrorCode(), rt::kDriverError);
    EXPECT_NE(rt::FileError(), "");

    EXPECT_EQ(ConnectionFor("(localdb)\\,../../etc/x,,"), nullptr);  // a database is a file name, not a path
    EXPECT_EQ(rt::ErrorCode(), rt::kDriverError);

    setenv("KVADRIN_ODBC_DRIVER", "No Such Driver Anywhere", 1);
    EXPECT_EQ(ConnectionFor("SRV01,FIRMA_2024,sa,x"), nullptr);
    unsetenv("KVADRIN_ODBC_DRIVER");
    EXPECT_EQ(rt::ErrorCode(), rt::kDriverError);
    EXPECT_NE(rt::FileErrorCode(), "");
    EXPECT_NE(rt::FileError().find("No Such Driver Anywhere"), std::string::npos) << rt::FileError();
}

TEST(LocalDb, FolderFromEnvironmentElseUnderHome) {
    setenv("KVADRIN_LOCALDB", "/srv/kv", 1);
    EXPECT_EQ(LocalDbFolder("X"), "/srv/kv");
    unsetenv("KVADRIN_LOCALDB");
    const char* home = std::getenv("HOME");
    const std::string h = home ? home : "";
    EXPECT_EQ(LocalDbFolder("MSSQLLocalDB"),
              (fs::path(h) / ".local/share/kvadrin/localdb/MSSQLLocalDB").string());
    EXPECT_EQ(LocalDbFolder(""), (fs::path(h) / ".local/share/kvadrin/localdb/default").string());
    EXPECT_EQ(LocalDbFolder("..\\x/y"), (fs::path(h) / ".local/share/kvadrin/localdb/.._x_y").string());
}

}  // namespace
