// The table driver of the SQL store on the embedded store and over ODBC (the SQLite ODBC
// driver), keyed files, and concurrent writers of one embedded database.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <thread>

#include "platform/core/text.h"
#include "platform/files/file.h"
#include "platform/files/sql/connection.h"
#include "platform/files/sql/sql_driver.h"
#include "platform/files/sql/sql_table.h"
#include "platform/files/transaction.h"

namespace {

namespace fs = std::filesystem;
using namespace rt;

// A table with every field type: primary key KOD, duplicates key NAZIV, unique key
// (GRUPA, BROJ), all without case.
struct TRec {
    CString<11> KOD;
    CString<26> NAZIV;
    Short BROJ;
    Long DATUM;
    Real IZNOS;
    Byte FLAG;
    FString<5> OZN;
    CString<8> GRUPA;
};

#define T_FIELD(m) field_for<decltype(TRec::m)>("T:" #m, offsetof(TRec, m))

TableDef make_def(const std::string& owner, bool create = true) {
    TableDef d;
    d.name = "TEST";
    d.owner = owner;
    d.create = create;
    d.layout.prefix = "T";
    d.layout.record_size = sizeof(TRec);
    d.layout.fields = {T_FIELD(KOD),   T_FIELD(NAZIV), T_FIELD(BROJ), T_FIELD(DATUM),
                       T_FIELD(IZNOS), T_FIELD(FLAG),  T_FIELD(OZN),  T_FIELD(GRUPA)};
    d.layout.keys.push_back(make_key(d.layout, "T:Po_kodu", {"T:KOD"}, kKeyPrimary | kKeyNoCase));
    d.layout.keys.push_back(make_key(d.layout, "T:Po_nazivu", {"T:NAZIV"}, kKeyDup | kKeyNoCase));
    d.layout.keys.push_back(make_key(d.layout, "T:Po_grupi", {"T:GRUPA", "T:BROJ"}, kKeyUnique | kKeyNoCase));
    return d;
}

enum class Kind { Embedded, Odbc };

std::string kind_name(const testing::TestParamInfo<Kind>& i) {
    return i.param == Kind::Embedded ? "Embedded" : "Odbc";
}

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/kv_sqldrv_XXXXXX";
        if (mkdtemp(tmpl)) path = tmpl;
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

class SqlTable : public testing::TestWithParam<Kind> {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path.empty());
        setenv("KVADRIN_LOCALDB", (dir_.path / "localdb").c_str(), 1);
        if (GetParam() == Kind::Embedded) {
            owner_ = "(localdb)\\test,FIRMA_2024,,;TrustedConnection=True";
            ASSERT_TRUE(rt::sql::CreateEmbeddedDatabase(owner_)) << rt::FileError();
        } else {
            setenv("KVADRIN_ODBC_DRIVER", "SQLite3", 1);
            setenv("KVADRIN_SQLITE_EXT", KVADRIN_BUILD_DIR "/libkvci.so", 1);
            owner_ = "odbc-sqlite," + (dir_.path / "FIRMA_2024.sqlite").string() + ",,";
        }
        def_ = make_def(owner_);
        file_ = std::make_unique<File>(def_, &r_);
        ASSERT_EQ(file_->Open(), kNoError) << FileErrorCode() << " " << FileError();
    }
    void TearDown() override {
        file_.reset();
        sql::CloseThreadConnections();
        unsetenv("KVADRIN_ODBC_DRIVER");
        unsetenv("KVADRIN_SQLITE_EXT");
        unsetenv("KVADRIN_LOCALDB");
    }

    int add(const char* kod, const char* naziv, int broj = 0, const char* grupa = nullptr, double iznos = 0) {
        file_->Clear();
        r_.KOD = kod;
        r_.NAZIV = naziv;
        r_.BROJ = static_cast<std::int16_t>(broj);
        r_.GRUPA = grupa ? grupa : kod;
        r_.IZNOS = iznos;
        return file_->Add();
    }
    // The KOD values read by NEXT (or PREVIOUS) until an error.
    std::vector<std::string> read_all(bool forward = true) {
        std::vector<std::string> out;
        while ((forward ? file_->Next() : file_->Previous()) == kNoError) out.push_back(r_.KOD.str());
        EXPECT_EQ(ErrorCode(), kRecordNotAvailable);
        return out;
    }
    std::vector<std::string> scan(int key) {
        EXPECT_EQ(file_->Set(key), kNoError);
        return read_all();
    }
    // Rows of a query on the table's own connection.
    std::vector<std::string> query(const std::string& sql) {
        auto conn = sql::ConnectionOf(*file_);
        EXPECT_NE(conn, nullptr);
        std::vector<std::string> out;
        auto st = conn->Prepare(sql);
        EXPECT_NE(st, nullptr) << conn->ErrorText();
        if (!st) return out;
        while (st->Step() == 1) out.push_back(st->Text(0));
        return out;
    }

    TempDir dir_;
    std::string owner_;
    TableDef def_;
    TRec r_;
    std::unique_ptr<File> file_;
};

TEST_P(SqlTable, CreatesMissingTableWithItsKeys) {
    const auto tables = query("SELECT sql FROM sqlite_master WHERE type='table' AND name='TEST'");
    ASSERT_EQ(tables.size(), 1u);
    const std::string& t = tables[0];
    EXPECT_NE(t.find("\"KOD\" TEXT COLLATE KVCI"), std::string::npos) << t;
    EXPECT_NE(t.find("\"BROJ\" INTEGER"), std::string::npos) << t;
    EXPECT_NE(t.find("\"IZNOS\" REAL"), std::string::npos) << t;
    EXPECT_NE(t.find("PRIMARY KEY (\"KOD\")"), std::string::npos) << t;

    const auto idx = query(
        "SELECT sql FROM sqlite_master WHERE type='index' AND tbl_name='TEST' AND sql IS NOT NULL ORDER BY "
        "name");
    ASSERT_EQ(idx.size(), 2u);
    // The duplicates key carries the primary key after its component, so ties have an order.
    EXPECT_EQ(idx[0], "CREATE UNIQUE INDEX \"TEST_PO_GRUPI\" ON \"TEST\" (\"GRUPA\", \"BROJ\")");
    EXPECT_EQ(idx[1], "CREATE INDEX \"TEST_PO_NAZIVU\" ON \"TEST\" (\"NAZIV\", \"KOD\")");

    // Opening again keeps the table and its rows.
    ASSERT_EQ(add("A1", "x"), kNoError);
    ASSERT_EQ(file_->Close(), kNoError);
    ASSERT_EQ(file_->Open(), kNoError);
    EXPECT_EQ(file_->Records(), 1);
    EXPECT_EQ(file_->Create(), kNoError);  // an existing table stays as it is
    EXPECT_EQ(file_->Records(), 1);

    // Without create, a missing table is not found.
    TableDef other = make_def(owner_, false);
    other.name = "MISSING";
    TRec rec;
    File missing(other, &rec);
    EXPECT_EQ(missing.Open(), kFileNotFound);
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_TRUE(query("SELECT name FROM sqlite_master WHERE name='MISSING'").empty());

    // REMOVE drops the table; the next open creates it empty.
    EXPECT_EQ(file_->Remove(), kNoError);
    EXPECT_TRUE(query("SELECT name FROM sqlite_master WHERE name='TEST'").empty());
    EXPECT_EQ(file_->Remove(), kFileNotFound);
    ASSERT_EQ(file_->Open(), kNoError);
    EXPECT_EQ(file_->Records(), 0);
}

TEST_P(SqlTable, EveryValueOfEveryTypeComesBackUnchanged) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    const double exact[] = {std::numeric_limits<double>::max(),
                            -std::numeric_limits<double>::max(),
                            std::numeric_limits<double>::min(),
                            std::numeric_limits<double>::denorm_min(),
                            0.1 + 0.2,
                            -1234567.891,
                            1e300,
                            inf,
                            -inf,
                            std::numeric_limits<double>::quiet_NaN()};
    // The SQLite ODBC driver carries REAL values as text of 15 significant digits: over it
    // the extremes are those that such a text holds.
    const double fifteen[] = {1.79769313486231e308,
                              -1.79769313486231e308,
                              2.2250738585072e-308,
                              4.94065645841247e-324,
                              0.3,
                              -1234567.891,
                              1e300,
                              inf,
                              -inf,
                              std::numeric_limits<double>::quiet_NaN()};
    const double* reals = GetParam() == Kind::Embedded ? exact : fifteen;
    const std::int16_t shorts[] = {-32768, 32767, -1, 0, 7, 100, -200, 12345, -12345, 1};
    const std::int32_t longs[] = {std::numeric_limits<std::int32_t>::min(),
                                  std::numeric_limits<std::int32_t>::max(),
                                  -1,
                                  0,
                                  4,
                                  2994626,
                                  -5,
                                  80000,
                                  123456789,
                                  1};
    const std::uint8_t bytes[] = {0, 255, 1, 128, 127, 2, 3, 4, 5, 6};
    const char* names[] = {
        "\xC8"
        "a\x9A"
        "a \x8E"
        "ut\xE6"
        "e\xF0",                      // CP1250 letters
        "abcdefghijklmnopqrstuvwxy",  // CSTRING(26) at full length
        "",
        "  lead",
        "x",
        "y",
        "z",
        "Q",
        "R",
        "S"};
    const char* ozn[] = {"ABCDE", "  a", "", "\x8A", "b", "c", "d", "e", "f", "g"};
    std::vector<TRec> written;
    for (int i = 0; i < 10; ++i) {
        file_->Clear();
        r_.KOD = std::string("K") + std::to_string(i) +
                 (i == 0 ? "\xE8\x9A\x9E\xE6\xF0"
                           "123"
                         : "");
        r_.NAZIV = names[i];
        r_.BROJ = shorts[i];
        r_.DATUM = longs[i];
        r_.IZNOS = reals[i];
        r_.FLAG = bytes[i];
        r_.OZN = ozn[i];
        r_.GRUPA = "G";
        ASSERT_EQ(file_->Add(), kNoError) << i << ": " << FileError();
        written.push_back(r_);
    }
    EXPECT_EQ(written[0].KOD.view().size(), 10u);  // the key at full length too
    ASSERT_EQ(file_->SetPhysical(), kNoError);
    for (const TRec& w : written) {
        std::memset(static_cast<void*>(&r_), 0x55, sizeof r_);
        ASSERT_EQ(file_->Next(), kNoError);
        EXPECT_EQ(std::memcmp(&r_, &w, sizeof r_), 0) << "record " << w.KOD.str();
    }
    EXPECT_EQ(file_->Next(), kRecordNotAvailable);

    // Texts are stored as UTF-8, CSTRING without its padding and STRING clipped.
    const auto stored = query("SELECT NAZIV || '|' || OZN FROM TEST ORDER BY rowid LIMIT 1");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0], std::string(names[0]) + "|ABCDE");
    const auto raw = query("SELECT hex(NAZIV) FROM TEST ORDER BY rowid LIMIT 1");
    EXPECT_EQ(raw[0], "C48C61C5A16120C5BD7574C48765C491");
    EXPECT_EQ(query("SELECT '[' || OZN || ']' FROM TEST WHERE KOD = 'K1'"),
              std::vector<std::string>{"[  a]"});
}

TEST_P(SqlTable, LongTextsAreCutAndNullsReadAsEmpty) {
    auto conn = sql::ConnectionOf(*file_);
    ASSERT_TRUE(
        conn->Execute("INSERT INTO TEST (KOD, NAZIV, BROJ, DATUM, IZNOS, FLAG, OZN, GRUPA) "
                      "VALUES ('abcdefghijklmnop', 'n', 1, 2, 3.5, 4, 'ABCDEFGH', 'g')"));
    ASSERT_TRUE(
        conn->Execute("CREATE TABLE NULLS (KOD TEXT, NAZIV TEXT, BROJ INTEGER, DATUM INTEGER, IZNOS REAL, "
                      "FLAG INTEGER, OZN TEXT, GRUPA TEXT)"));
    ASSERT_TRUE(conn->Execute("INSERT INTO NULLS (KOD) VALUES (NULL)"));
    ASSERT_EQ(file_->Set(0), kNoError);
    ASSERT_EQ(file_->Next(), kNoError);
    EXPECT_EQ(r_.KOD.str(), "abcdefghij");
    EXPECT_EQ(r_.OZN.str(), "ABCDE");
    // PUT addresses the row by its key as stored and writes the buffer (the cut key too);
    // reading goes on after the row as it was read, so the rewritten row is not met again.
    r_.IZNOS = 9;
    ASSERT_EQ(file_->Put(), kNoError);
    EXPECT_EQ(query("SELECT KOD || ' ' || printf('%g', IZNOS) FROM TEST"),
              std::vector<std::string>{"abcdefghij 9"});
    EXPECT_EQ(file_->Next(), kRecordNotAvailable);

    TableDef nd = make_def(owner_, false);
    nd.name = "NULLS";
    TRec n;
    std::memset(static_cast<void*>(&n), 0x55, sizeof n);
    File nulls(nd, &n);
    ASSERT_EQ(nulls.Open(), kNoError);
    ASSERT_EQ(nulls.SetPhysical(), kNoError);
    ASSERT_EQ(nulls.Next(), kNoError);
    TRec cleared;
    EXPECT_EQ(std::memcmp(&n, &cleared, sizeof n), 0);
}

TEST_P(SqlTable, ReadsInKeyOrderWithTiesInPrimaryKeyOrder) {
    // Equal names in any case are ties of the duplicates key; they come by KOD.
    struct Row {
        const char* kod;
        const char* naziv;
    } rows[] = {{"K5", "ana"},
                {"K2", "Zoran"},
                {"K9",
                 "\xC8"
                 "edo"},
                {"K1", "ANA"},
                {"K7", "cedo"},
                {"K3", "Ana"},
                {"K8",
                 "\xE8"
                 "edo"},
                {"K4", "Bane"},
                {"K6", "ana  "}};
    for (auto& x : rows) ASSERT_EQ(add(x.kod, x.naziv), kNoError) << x.kod;
    // The alphabet's order: C, then Č, then the rest up to Z.
    const std::vector<std::string> by_name = {"K1", "K3", "K5", "K6", "K4", "K7", "K8", "K9", "K2"};
    EXPECT_EQ(scan(1), by_name);
    EXPECT_EQ(scan(0), (std::vector<std::string>{"K1", "K2", "K3", "K4", "K5", "K6", "K7", "K8", "K9"}));

    // SET then PREVIOUS reads from the end.
    ASSERT_EQ(file_->Set(1), kNoError);
    auto back = read_all(false);
    EXPECT_EQ(back, std::vector<std::string>(by_name.rbegin(), by_name.rend()));

    // SET(key, key) stands at the first record at or after the buffer's key, whatever its case.
    file_->Clear();
    r_.NAZIV = "aNA";
    ASSERT_EQ(file_->SetFrom(1), kNoError);
    EXPECT_EQ(read_all(), std::vector<std::string>(by_name.begin(), by_name.end()));
    r_.NAZIV = "B";
    ASSERT_EQ(file_->SetFrom(1), kNoError);
    EXPECT_EQ(read_all(), std::vector<std::string>(by_name.begin() + 4, by_name.end()));
    r_.NAZIV = "B";
    ASSERT_EQ(file_->SetFrom(1), kNoError);
    EXPECT_EQ(read_all(false), (std::vector<std::string>{"K6", "K5", "K3", "K1"}));
    r_.NAZIV =
        "\xC8"
        "EDO";
    ASSERT_EQ(file_->SetFrom(1), kNoError);
    EXPECT_EQ(read_all(), (std::vector<std::string>{"K8", "K9", "K2"}));

    // Turning round reads the neighbours of the current record.
    ASSERT_EQ(file_->Set(1), kNoError);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(file_->Next(), kNoError);
    EXPECT_EQ(r_.KOD.str(), "K6");
    ASSERT_EQ(file_->Previous(), kNoError);
    EXPECT_EQ(r_.KOD.str(), "K5");
    ASSERT_EQ(file_->Next(), kNoError);
    EXPECT_EQ(r_.KOD.str(), "K6");
    // Past the end NEXT keeps failing and PREVIOUS reads the last record.
    read_all();
    EXPECT_EQ(file_->Next(), kRecordNotAvailable);
    ASSERT_EQ(file_->Previous(), kNoError);
    EXPECT_EQ(r_.KOD.str(), "K2");

    // A key of two components, the second numeric.
    file_->Remove();
    ASSERT_EQ(file_->Open(), kNoError);
    ASSERT_EQ(add("a", "", 10, "g2"), kNoError);
    ASSERT_EQ(add("b", "", -3, "G2"), kNoError);
    ASSERT_EQ(add("c", "", 2, "g1"), kNoError);
    ASSERT_EQ(add("d", "", 5, "G2"), kNoError);
    EXPECT_EQ(scan(2), (std::vector<std::string>{"c", "b", "d", "a"}));
    file_->Clear();
    r_.GRUPA = "g2";
    r_.BROJ = 0;
    ASSERT_EQ(file_->SetFrom(2), kNoError);
    EXPECT_EQ(read_all(), (std::vector<std::string>{"d", "a"}));
}

TEST_P(SqlTable, UniqueKeysIgnoreCaseAndRefuseDuplicates) {
    ASSERT_EQ(add("\xE8"
                  "a\x9A"
                  "a",
                  "x", 1,
                  "\x9A"
                  "ef"),
              kNoError);  // čaša, šef
    struct Case {
        const char* kod;
        int broj;
        const char* grupa;
        int code;
        const char* key;
    } cases[] = {
        {"\xC8"
         "A\x8A"
         "A",
         2, "other", kDuplicateKey, "T:Po_kodu"},  // ČAŠA
        {"\xE8"
         "a\x9A"
         "a   ",
         2, "other", kDuplicateKey, "T:Po_kodu"},
        {"new", 1,
         "\x8A"
         "EF",
         kDuplicateKey, "T:Po_grupi"},  // ŠEF
        {"new", 2,
         "\x8A"
         "EF",
         kNoError, ""},
        {"\xC8"
         "A\x8A"
         "E",
         3, "z", kNoError, ""},          // ČAŠE differs
        {"caSa", 4, "y", kNoError, ""},  // C is not Č
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kod);
        EXPECT_EQ(add(c.kod, "n", c.broj, c.grupa), c.code);
        EXPECT_EQ(ErrorKey(), c.key);
    }
    EXPECT_EQ(file_->Records(), 4);

    // GET finds a record by its key in any case; a missing key is not found.
    file_->Clear();
    r_.KOD =
        "\xC8"
        "a\x8A"
        "A";
    ASSERT_EQ(file_->Get(0), kNoError);
    EXPECT_EQ(r_.KOD.str(),
              "\xE8"
              "a\x9A"
              "a");
    EXPECT_EQ(r_.BROJ, 1);
    r_.KOD = "none";
    EXPECT_EQ(file_->Get(0), kRecordNotFound);
    file_->Clear();
    r_.GRUPA =
        "\x9A"
        "EF";
    r_.BROJ = 2;
    ASSERT_EQ(file_->Get(2), kNoError);
    EXPECT_EQ(r_.KOD.str(), "new");
    // GET by a duplicates key gives the first of the equal records.
    file_->Clear();
    r_.NAZIV = "N";
    ASSERT_EQ(file_->Get(1), kNoError);
    EXPECT_EQ(r_.KOD.str(), "caSa");
}

TEST_P(SqlTable, PutAndDeleteActOnTheCurrentRecord) {
    EXPECT_EQ(file_->Put(), kRecordNotAvailable);
    EXPECT_EQ(file_->Delete(), kRecordNotAvailable);
    ASSERT_EQ(add("A", "a", 1, "g"), kNoError);
    ASSERT_EQ(add("B", "b", 2, "g"), kNoError);
    ASSERT_EQ(add("C", "c", 3, "g"), kNoError);

    // The record just added is current.
    r_.IZNOS = 33;
    ASSERT_EQ(file_->Put(), kNoError);

    // A PUT may change the primary key: the record read is replaced, not copied.
    file_->Clear();
    r_.KOD = "a";
    ASSERT_EQ(file_->Get(0), kNoError);
    r_.KOD = "Z";
    r_.NAZIV = "zz";
    ASSERT_EQ(file_->Put(), kNoError);
    EXPECT_EQ(scan(0), (std::vector<std::string>{"B", "C", "Z"}));
    // ... and the changed record stays current.
    r_.KOD = "Z";
    ASSERT_EQ(file_->Get(0), kNoError);
    r_.IZNOS = 7;
    ASSERT_EQ(file_->Put(), kNoError);

    // A PUT that would duplicate a unique key is refused and changes nothing.
    r_.BROJ = 2;
    EXPECT_EQ(file_->Put(), kDuplicateKey);
    EXPECT_EQ(ErrorKey(), "T:Po_grupi");
    r_.BROJ = 1;
    r_.KOD = "b";
    EXPECT_EQ(file_->Put(), kDuplicateKey);
    EXPECT_EQ(ErrorKey(), "T:Po_kodu");
    EXPECT_EQ(query("SELECT KOD || ',' || BROJ || ',' || IZNOS FROM TEST ORDER BY KOD"),
              (std::vector<std::string>{"B,2,0.0", "C,3,33.0", "Z,1,7.0"}));

    // DELETE removes the current record and leaves none.
    file_->Clear();
    r_.KOD = "c";
    ASSERT_EQ(file_->Get(0), kNoError);
    ASSERT_EQ(file_->Delete(), kNoError);
    EXPECT_EQ(file_->Delete(), kRecordNotAvailable);
    EXPECT_EQ(file_->Put(), kRecordNotAvailable);
    EXPECT_EQ(file_->Records(), 2);

    // A failed read leaves no current record either.
    r_.KOD = "B";
    ASSERT_EQ(file_->Get(0), kNoError);
    r_.KOD = "none";
    EXPECT_EQ(file_->Get(0), kRecordNotFound);
    EXPECT_EQ(file_->Put(), kRecordNotAvailable);

    // A record deleted by someone else since it was read.
    r_.KOD = "B";
    ASSERT_EQ(file_->Get(0), kNoError);
    ASSERT_TRUE(sql::ConnectionOf(*file_)->Execute("DELETE FROM TEST WHERE KOD='B'"));
    EXPECT_EQ(file_->Put(), kRecordChanged);
}

// Another station writes the row between this station's read and its PUT: the PUT
// answers kRecordChanged and writes nothing, again until the row is read anew; a PUT of a
// row nobody changed goes through, whatever NULLs or inexact REAL texts it was read with.
TEST_P(SqlTable, PutWritesOnlyTheRowAsItWasRead) {
    struct Case {
        const char* other;  // what the other station does, "" for nothing
        bool changed;
    };
    const Case cases[] = {
        {"", false},
        {"UPDATE TEST SET NAZIV = NAZIV, IZNOS = IZNOS", false},  // written, the same values
        {"UPDATE TEST SET NAZIV = 'MIKA'", true},                 // only the case of a text
        {"UPDATE TEST SET NAZIV = 'Mika '", true},                // a blank at the end
        {"UPDATE TEST SET BROJ = BROJ + 1", true},                // a number
        {"UPDATE TEST SET IZNOS = IZNOS + 0.01", true},           // a cent of a billion
        {"UPDATE TEST SET OZN = 'XY'", true},                     // a fixed-length text
        {"UPDATE TEST SET NAZIV = ''", true},                     // emptied
        {"DELETE FROM TEST", true},                               // gone
        {"UPDATE TEST SET IZNOS = 0.1 + 0.2", true},              // another value
    };
    auto conn = sql::ConnectionOf(*file_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.other);
        ASSERT_TRUE(conn->Execute("DELETE FROM TEST"));
        ASSERT_EQ(add("A", "Mika", 7, "g", 1e9), kNoError);
        r_.OZN = "XYZ";
        ASSERT_EQ(file_->Put(), kNoError);
        file_->Clear();
        r_.KOD = "A";
        ASSERT_EQ(file_->Get(0), kNoError);
        if (*c.other) { ASSERT_TRUE(conn->Execute(c.other)) << conn->ErrorText(); }
        r_.DATUM = 99;
        if (!c.changed) {
            EXPECT_EQ(file_->Put(), kNoError);
            EXPECT_EQ(query("SELECT DATUM FROM TEST"), std::vector<std::string>{"99"});
            continue;
        }
        const auto before =
            query("SELECT quote(NAZIV) || quote(BROJ) || quote(IZNOS) || quote(DATUM) FROM TEST");
        EXPECT_EQ(file_->Put(), kRecordChanged);
        EXPECT_EQ(file_->Put(), kRecordChanged);  // until the row is read again
        EXPECT_EQ(query("SELECT quote(NAZIV) || quote(BROJ) || quote(IZNOS) || quote(DATUM) FROM TEST"),
                  before);
        file_->Clear();
        r_.KOD = "A";
        if (std::string(c.other).rfind("DELETE", 0) == 0) {
            EXPECT_EQ(file_->Get(0), kRecordNotFound);
            continue;
        }
        ASSERT_EQ(file_->Get(0), kNoError);
        r_.DATUM = 99;
        EXPECT_EQ(file_->Put(), kNoError);
        EXPECT_EQ(query("SELECT DATUM FROM TEST"), std::vector<std::string>{"99"});
    }

    // Read with NULLs and with a REAL the stored text of which has more digits than the
    // ODBC driver carries: nobody changed it, so it is written.
    ASSERT_TRUE(conn->Execute("DELETE FROM TEST"));
    ASSERT_TRUE(conn->Execute("INSERT INTO TEST (KOD, IZNOS) VALUES ('N', 0.1 + 0.2)"));
    ASSERT_TRUE(
        conn->Execute("CREATE TABLE LOOSE (KOD TEXT PRIMARY KEY, NAZIV TEXT, BROJ INTEGER, DATUM "
                      "INTEGER, IZNOS REAL, FLAG INTEGER, OZN TEXT, GRUPA TEXT)"));
    ASSERT_TRUE(conn->Execute("INSERT INTO LOOSE (KOD) VALUES ('L')"));
    file_->Clear();
    r_.KOD = "N";
    ASSERT_EQ(file_->Get(0), kNoError);
    r_.DATUM = 5;
    EXPECT_EQ(file_->Put(), kNoError);
    TableDef ld = make_def(owner_, false);
    ld.name = "LOOSE";
    TRec l;
    File loose(ld, &l);
    ASSERT_EQ(loose.Open(), kNoError);
    ASSERT_EQ(loose.SetPhysical(), kNoError);
    ASSERT_EQ(loose.Next(), kNoError);
    l.DATUM = 6;
    EXPECT_EQ(loose.Put(), kNoError);
    EXPECT_EQ(query("SELECT DATUM FROM LOOSE"), std::vector<std::string>{"6"});
}

// Charge creation reads a key's order and writes the rows it reads, and adds rows while
// reading another table: every row is visited once, rows added ahead are read later.
TEST_P(SqlTable, WritesWhileReadingGoOnAfterTheLastRowRead) {
    for (int i = 0; i < 150; ++i) {
        char kod[8], naziv[8];
        std::snprintf(kod, sizeof kod, "K%03d", i);
        std::snprintf(naziv, sizeof naziv, "N%02d", i % 40);
        ASSERT_EQ(add(kod, naziv, i, "g"), kNoError);
    }
    ASSERT_EQ(file_->Set(1), kNoError);
    std::map<std::string, int> seen;
    std::string last_name;
    int added = 0;
    while (file_->Next() == kNoError) {
        EXPECT_LE(last_name, r_.NAZIV.str());
        last_name = r_.NAZIV.str();
        ++seen[r_.KOD.str()];
        if (r_.BROJ % 3 == 0) {
            ASSERT_EQ(file_->Delete(), kNoError);
        } else {
            r_.IZNOS = 1;
            ASSERT_EQ(file_->Put(), kNoError);
        }
        if (r_.KOD.str() == "K010") {
            TRec keep = r_;
            ASSERT_EQ(add("X1", "ZZZ", 1000, "h"), kNoError);  // after the current position
            ASSERT_EQ(add("X2", "A", 1001, "h"), kNoError);    // before it
            ++added;
            r_ = keep;
        }
    }
    EXPECT_EQ(ErrorCode(), kRecordNotAvailable);
    EXPECT_EQ(added, 1);
    EXPECT_EQ(seen.size(), 151u);  // the 150 rows and X1, but not X2
    EXPECT_EQ(seen.count("X1"), 1u);
    EXPECT_EQ(seen.count("X2"), 0u);
    for (auto& [k, n] : seen) EXPECT_EQ(n, 1) << k;
    EXPECT_EQ(file_->Records(), 150 - 50 + 2);
    EXPECT_EQ(query("SELECT COUNT(*) FROM TEST WHERE IZNOS = 1"), std::vector<std::string>{"101"});
}

TEST_P(SqlTable, ReadOnlyOpenRefusesWrites) {
    ASSERT_EQ(add("A", "a"), kNoError);
    ASSERT_EQ(file_->Close(), kNoError);
    ASSERT_EQ(file_->Open(kReadOnly | kDenyNone), kNoError);
    EXPECT_EQ(add("B", "b"), kAccessDenied);
    ASSERT_EQ(file_->Set(0), kNoError);
    ASSERT_EQ(file_->Next(), kNoError);
    EXPECT_EQ(file_->Put(), kAccessDenied);
    EXPECT_EQ(file_->Delete(), kAccessDenied);
    EXPECT_EQ(file_->Records(), 1);
}

TEST_P(SqlTable, SqlPropertyDeliversResultRowsThenReturnsToReading) {
    ASSERT_EQ(add("A", "a", 5, "g", 1.5), kNoError);
    ASSERT_EQ(add("B", "b", 7, "g", 2.5), kNoError);
    ASSERT_EQ(add("C", "c", 9, "g", 3.5), kNoError);

    // The result's columns go to the fields in order; fields beyond them keep their values.
    file_->Clear();
    r_.GRUPA = "keep";
    ASSERT_EQ(file_->SendSql("SELECT KOD, NAZIV || '!', BROJ * 2, ISNULL(NULL, 20240101), IZNOS FROM TEST "
                             "WHERE BROJ > 5 ORDER BY KOD"),
              kNoError);
    ASSERT_EQ(file_->Next(), kNoError);
    EXPECT_EQ(r_.KOD.str(), "B");
    EXPECT_EQ(r_.NAZIV.str(), "b!");
    EXPECT_EQ(r_.BROJ, 14);
    EXPECT_EQ(r_.DATUM, 20240101);
    EXPECT_EQ(r_.IZNOS, 2.5);
    EXPECT_EQ(r_.GRUPA.str(), "keep");
    ASSERT_EQ(file_->Next(), kNoError);
    EXPECT_EQ(r_.KOD.str(), "C");
    EXPECT_EQ(file_->Next(), kRecordNotAvailable);
    // The result's rows are no records: nothing is current.
    EXPECT_EQ(file_->Put(), kRecordNotAvailable);
    // Then reading is ordinary again.
    EXPECT_EQ(scan(0), (std::vector<std::string>{"A", "B", "C"}));

    // A new statement replaces a result not read to its end; a SELECT without rows ends at
    // the first read; a change runs at once.
    ASSERT_EQ(file_->SendSql("SELECT KOD FROM TEST ORDER BY KOD"), kNoError);
    ASSERT_EQ(file_->Next(), kNoError);
    EXPECT_EQ(r_.KOD.str(), "A");
    ASSERT_EQ(file_->SendSql("SELECT KOD FROM TEST WHERE 1 = 0"), kNoError);
    EXPECT_EQ(file_->Next(), kRecordNotAvailable);
    ASSERT_EQ(file_->SendSql("DELETE FROM TEST WHERE BROJ = 7"), kNoError);
    EXPECT_EQ(file_->Records(), 2);

    // Works without the table open too (on the table's connection).
    ASSERT_EQ(file_->Close(), kNoError);
    ASSERT_EQ(file_->SendSql("UPDATE TEST SET IZNOS = 0"), kNoError);

    // A failed statement gives the driver's code and text.
    EXPECT_EQ(file_->SendSql("UPDATE NO_SUCH_TABLE SET X = 1"), kDriverError);
    EXPECT_EQ(ErrorCode(), kDriverError);
    EXPECT_EQ(FileErrorCode(), GetParam() == Kind::Embedded ? "1" : "HY000");
    EXPECT_NE(FileError().find("no such table: NO_SUCH_TABLE"), std::string::npos) << FileError();
    EXPECT_EQ(ErrorFile(), "TEST");
}

TEST_P(SqlTable, TransactionsNestAndRollBackWhole) {
    ASSERT_EQ(file_->BeginTransaction(), kNoError);
    ASSERT_EQ(add("A", "a"), kNoError);
    ASSERT_EQ(file_->BeginTransaction(), kNoError);
    ASSERT_EQ(add("B", "b"), kNoError);
    ASSERT_EQ(file_->Commit(), kNoError);  // inner: nothing committed yet
    ASSERT_EQ(file_->Rollback(), kNoError);
    EXPECT_EQ(file_->Records(), 0);
    EXPECT_EQ(file_->Commit(), kDriverError);  // no transaction left

    ASSERT_EQ(file_->BeginTransaction(), kNoError);
    ASSERT_EQ(add("C", "c"), kNoError);
    ASSERT_EQ(file_->Commit(), kNoError);
    EXPECT_EQ(file_->Records(), 1);
}

// The guard of a piece of work: what it began and did not commit is gone when it goes,
// however the work ended; what it committed stays.
TEST_P(SqlTable, ATransactionGuardKeepsOnlyWhatItCommitted) {
    {
        Transaction t;
        ASSERT_TRUE(t.Begin(*file_)) << t.failure().text;
        ASSERT_EQ(add("A", "a"), kNoError);
    }  // left without a commit
    EXPECT_EQ(file_->Records(), 0);
    {
        Transaction t;
        ASSERT_TRUE(t.Begin(*file_));
        ASSERT_EQ(add("B", "b"), kNoError);
        ASSERT_TRUE(t.Commit());
        EXPECT_FALSE(t.IsOpen());
    }
    EXPECT_EQ(file_->Records(), 1);
    {
        Transaction t;
        ASSERT_TRUE(t.Begin(*file_));
        ASSERT_EQ(add("C", "c"), kNoError);
        t.Rollback();
        EXPECT_FALSE(t.IsOpen());
        EXPECT_EQ(file_->Records(), 1);
        // A second transaction on the same guard, after the first has ended.
        ASSERT_TRUE(t.Begin(*file_));
        ASSERT_EQ(add("D", "d"), kNoError);
        EXPECT_FALSE(t.Begin(*file_));  // one at a time
        EXPECT_EQ(t.failure().step, "BEGIN");
        ASSERT_TRUE(t.Commit());
    }
    EXPECT_EQ(scan(0), (std::vector<std::string>{"B", "D"}));
    // The connection is left outside any transaction: a plain begin and commit work.
    ASSERT_EQ(file_->BeginTransaction(), kNoError);
    EXPECT_EQ(file_->Commit(), kNoError);
    EXPECT_EQ(file_->Commit(), kDriverError);
}

// A begin that fails says so, with the runtime's error of that moment; a commit without
// a transaction is refused.
TEST_P(SqlTable, ATransactionGuardSaysWhatFailed) {
    File closed(def_, &r_);
    Transaction t;
    EXPECT_FALSE(t.Begin(closed));
    EXPECT_FALSE(t.IsOpen());
    EXPECT_EQ(t.failure().step, "BEGIN");
    EXPECT_EQ(t.failure().code, std::to_string(kFileNotOpen));
    EXPECT_FALSE(t.failure().text.empty());
    EXPECT_FALSE(t.Commit());
    EXPECT_EQ(t.failure().step, "COMMIT");
}

INSTANTIATE_TEST_SUITE_P(Store, SqlTable, testing::Values(Kind::Embedded, Kind::Odbc), kind_name);

// The statements sent to SQL Server, seen through a connection that records them (there is
// no server here): column types and collation of a created table, the paging and key reads.
class RecordingConnection : public sql::Connection {
public:
    struct Sent {
        std::string sql;
        std::vector<std::string> binds;
    };
    class Stmt : public sql::Statement {
    public:
        Stmt(RecordingConnection& c, std::size_t i) : c_(c), i_(i) {}
        void BindNull(int i) override { bind(i, "NULL"); }
        void BindInt(int i, std::int64_t v) override { bind(i, std::to_string(v)); }
        void BindDouble(int i, double v) override { bind(i, std::to_string(v)); }
        void BindText(int i, std::string_view s) override { bind(i, "'" + std::string(s) + "'"); }
        int Step() override {
            return c_.sent[i_].sql.rfind("SELECT CASE WHEN OBJECT_ID", 0) == 0 && !done_++ ? 1 : 0;
        }
        void Reset() override { done_ = 0; }
        int ColumnCount() override { return 1; }
        bool IsNull(int) override { return false; }
        std::int64_t Int(int) override { return 0; }  // the table does not exist yet
        double Double(int) override { return 0; }
        std::string Text(int) override { return ""; }

    private:
        void bind(int i, std::string v) {
            auto& b = c_.sent[i_].binds;
            if (b.size() <= static_cast<std::size_t>(i)) b.resize(static_cast<std::size_t>(i) + 1);
            b[static_cast<std::size_t>(i)] = std::move(v);
        }
        RecordingConnection& c_;
        std::size_t i_;
        int done_ = 0;
    };
    sql::Dialect dialect() const override { return sql::Dialect::SqlServer; }
    std::unique_ptr<sql::Statement> Prepare(std::string_view s) override {
        sent.push_back({std::string(s), {}});
        return std::make_unique<Stmt>(*this, sent.size() - 1);
    }
    bool Execute(std::string_view s) override {
        sent.push_back({std::string(s), {}});
        return true;
    }
    bool Begin() override { return true; }
    bool Commit() override { return true; }
    bool Rollback() override { return true; }
    bool InTransaction() const override { return false; }
    std::string ErrorCodeText() const override { return ""; }
    std::string ErrorText() const override { return ""; }
    bool LastErrorWasDuplicate() const override { return false; }
    std::string Database() const override { return "FIRMA_2024"; }
    std::vector<Sent> sent;
};

TEST(SqlServerDialect, CreatesNvarcharColumnsWithACaseInsensitiveCollationAndPagesWithTop) {
    auto conn = std::make_shared<RecordingConnection>();
    RegisterDriver(Driver::Sql, [conn](File& f) {
        sql::TableSource src;
        src.connect = [conn] { return conn; };
        src.table = [&f] { return f.Name(); };
        return sql::MakeTableDriver(f, std::move(src));
    });
    TableDef d = make_def("SRV,FIRMA_2024,sa,x");
    TRec r;
    {
        File f(d, &r);
        ASSERT_EQ(f.Open(), kNoError);
        ASSERT_GE(conn->sent.size(), 5u);
        EXPECT_EQ(conn->sent[0].sql, "SELECT CASE WHEN OBJECT_ID(?, 'U') IS NULL THEN 0 ELSE 1 END");
        EXPECT_EQ(conn->sent[0].binds, std::vector<std::string>{"'TEST'"});
        // Creators of one table take turns; every statement is guarded.
        EXPECT_EQ(conn->sent[1].sql,
                  "EXEC sp_getapplock @Resource = N'kvadrin:create:TEST', @LockMode = 'Exclusive', "
                  "@LockOwner = 'Transaction'");
        const std::string ci = " COLLATE Serbian_Latin_100_CI_AS NOT NULL DEFAULT N''";
        EXPECT_EQ(
            conn->sent[2].sql,
            "IF OBJECT_ID(N'TEST', 'U') IS NULL CREATE TABLE [TEST] ([KOD] nvarchar(10)" + ci +
                ", [NAZIV] nvarchar(25)" + ci +
                ", [BROJ] smallint NOT NULL DEFAULT 0, [DATUM] int NOT NULL DEFAULT 0, "
                "[IZNOS] float NOT NULL DEFAULT 0, [FLAG] tinyint NOT NULL DEFAULT 0, [OZN] nvarchar(5)" +
                ci + ", [GRUPA] nvarchar(7)" + ci + ", PRIMARY KEY ([KOD]))");
        EXPECT_EQ(conn->sent[3].sql,
                  "IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE object_id = OBJECT_ID(N'TEST') AND name = "
                  "N'TEST_PO_NAZIVU') CREATE INDEX [TEST_PO_NAZIVU] ON [TEST] ([NAZIV], [KOD])");
        EXPECT_EQ(conn->sent[4].sql,
                  "IF NOT EXISTS (SELECT 1 FROM sys.indexes WHERE object_id = OBJECT_ID(N'TEST') AND name = "
                  "N'TEST_PO_GRUPI') CREATE UNIQUE INDEX [TEST_PO_GRUPI] ON [TEST] ([GRUPA], [BROJ])");

        const std::string cols = "[KOD], [NAZIV], [BROJ], [DATUM], [IZNOS], [FLAG], [OZN], [GRUPA]";
        f.Clear();
        r.GRUPA = "g";
        r.BROJ = 5;
        conn->sent.clear();
        ASSERT_EQ(f.SetFrom(2), kNoError);
        EXPECT_EQ(f.Next(), kRecordNotAvailable);
        ASSERT_EQ(conn->sent.size(), 1u);
        // The first column's bound alone comes first, for an index seek.
        EXPECT_EQ(conn->sent[0].sql,
                  "SELECT TOP (?) " + cols +
                      " FROM [TEST] WHERE [GRUPA] >= ? AND (([GRUPA] > ?) OR ([GRUPA] = ? AND [BROJ] >= ?)) "
                      "ORDER BY [GRUPA], [BROJ]");
        EXPECT_EQ(conn->sent[0].binds, (std::vector<std::string>{"16", "'g'", "'g'", "'g'", "5"}));

        conn->sent.clear();
        ASSERT_EQ(f.Set(1), kNoError);
        EXPECT_EQ(f.Previous(), kRecordNotAvailable);
        EXPECT_EQ(conn->sent[0].sql,
                  "SELECT TOP (?) " + cols + " FROM [TEST] ORDER BY [NAZIV] DESC, [KOD] DESC");

        conn->sent.clear();
        r.NAZIV = "n";
        EXPECT_EQ(f.Get(1), kRecordNotFound);
        EXPECT_EQ(conn->sent[0].sql,
                  "SELECT TOP 1 " + cols + " FROM [TEST] WHERE [NAZIV] = ? ORDER BY [NAZIV], [KOD]");

        // Pass-through texts reach SQL Server as they are written.
        for (const char* text :
             {"SELECT '1','',0,ISNULL(MAX(OBRACUN)+1,1) FROM OBRAC",
              "INSERT INTO FIRMA_2024.dbo.KVADRIN SELECT * FROM FIRMA_2023.dbo.KVADRIN",
              "DELETE FROM SKPROMET WHERE NALOG='KVD-05'", "SELECT * FROM #zzz_ainc_kvd"}) {
            conn->sent.clear();
            EXPECT_EQ(f.SendSql(text), kNoError);
            ASSERT_EQ(conn->sent.size(), 1u);
            EXPECT_EQ(conn->sent[0].sql, text);
        }

        // A "#name" table is the connection's temporary table.
        TableDef t = make_def("SRV,FIRMA_2024,sa,x");
        t.name = "#zzz_ainc_kvd";
        File tmp(t, &r);
        conn->sent.clear();
        ASSERT_EQ(tmp.Open(), kNoError);
        EXPECT_EQ(conn->sent[0].binds, std::vector<std::string>{"'tempdb..#zzz_ainc_kvd'"});
        EXPECT_EQ(
            conn->sent[1].sql.rfind(
                "IF OBJECT_ID(N'tempdb..#zzz_ainc_kvd', 'U') IS NULL CREATE TABLE [#zzz_ainc_kvd] (", 0),
            0u);
        EXPECT_EQ(conn->sent[2].sql,
                  "IF NOT EXISTS (SELECT 1 FROM tempdb.sys.indexes WHERE object_id = "
                  "OBJECT_ID(N'tempdb..#zzz_ainc_kvd') AND name = N'zzz_ainc_kvd_PO_NAZIVU') "
                  "CREATE INDEX [zzz_ainc_kvd_PO_NAZIVU] ON [#zzz_ainc_kvd] ([NAZIV], [KOD])");
    }
    RegisterDriver(Driver::Sql, {});
}

// Keyed files: a SQLite file at the file's native path, one table named after the prefix.
TEST(KeyedFile, IsASqliteFileWithOneTableNamedAfterThePrefix) {
    TempDir dir;
    TableDef d = make_def("");
    d.driver = Driver::Keyed;
    d.name = ".\\Formats.FDB";
    TRec r;
    const fs::path cwd = fs::current_path();
    fs::current_path(dir.path);
    {
        File f(d, &r);
        ASSERT_EQ(f.Open(), kNoError) << FileError();
        EXPECT_TRUE(fs::exists(dir.path / "Formats.FDB"));
        f.Clear();
        r.KOD =
            "\xC8"
            "1";
        r.GRUPA = "g";
        ASSERT_EQ(f.Add(), kNoError);
        r.KOD =
            "\xE8"
            "1";
        EXPECT_EQ(f.Add(), kDuplicateKey);
        EXPECT_EQ(f.Records(), 1);
        EXPECT_EQ(f.Label(), "Formats");
    }
    fs::current_path(cwd);
    auto conn = sql::OpenSqliteFile((dir.path / "Formats.FDB").string(), false);
    ASSERT_NE(conn, nullptr);
    auto st = conn->Prepare("SELECT name FROM sqlite_master WHERE type='table'");
    ASSERT_EQ(st->Step(), 1);
    EXPECT_EQ(st->Text(0), "T");
    EXPECT_EQ(st->Step(), 0);

    // A keyed file that must not be created is not found.
    TableDef nd = d;
    nd.create = false;
    nd.name = (dir.path / "none.FDB").string();
    File none(nd, &r);
    EXPECT_EQ(none.Open(), kFileNotFound);
    EXPECT_FALSE(fs::exists(dir.path / "none.FDB"));
}

// Two threads with their own buffers in each of two processes write one embedded database
// at once: every row arrives whole, and nobody sees "database is locked".
TEST(EmbeddedStore, ThreadsAndProcessesWriteOneDatabaseAtOnce) {
    TempDir dir;
    setenv("KVADRIN_LOCALDB", dir.path.c_str(), 1);
    const std::string owner = "(localdb)\\,SHARED,,";
    ASSERT_TRUE(rt::sql::CreateEmbeddedDatabase(owner)) << rt::FileError();
    {
        TRec r;
        TableDef d = make_def(owner);
        File f(d, &r);
        ASSERT_EQ(f.Open(), kNoError);  // created before the writers start
    }
    sql::CloseThreadConnections();
    constexpr int kRows = 160;
    // One writer: adds its rows, the second half in transactions of ten, and rewrites each.
    auto writer = [&](const std::string& tag, std::string* failure) {
        TRec r;
        TableDef d = make_def(owner);
        File f(d, &r);
        if (f.Open() != kNoError) {
            *failure = "open: " + FileError();
            return;
        }
        for (int i = 0; i < kRows && failure->empty(); ++i) {
            const bool batched = i >= kRows / 2;
            if (batched && i % 10 == 0 && f.BeginTransaction() != kNoError)
                *failure = "begin: " + FileError();
            f.Clear();
            r.KOD = tag + std::to_string(i);
            r.NAZIV = "name of " + tag + std::to_string(i);
            r.GRUPA = tag;
            r.BROJ = static_cast<std::int16_t>(i);
            r.IZNOS = i * 0.5;
            if (f.Add() != kNoError) *failure = "add: " + std::to_string(ErrorCode()) + " " + FileError();
            r.DATUM = i;
            if (failure->empty() && f.Put() != kNoError) *failure = "put: " + FileError();
            if (batched && i % 10 == 9 && f.Commit() != kNoError) *failure = "commit: " + FileError();
        }
        f.Close();
        sql::CloseThreadConnections();
    };
    auto two_threads = [&](const std::string& prefix) {
        std::string fa, fb;
        std::thread a(writer, prefix + "a", &fa), b(writer, prefix + "b", &fb);
        a.join();
        b.join();
        return fa.empty() && fb.empty() ? std::string() : fa + " | " + fb;
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string failure = two_threads("c");
        if (!failure.empty()) std::fprintf(stderr, "child: %s\n", failure.c_str());
        _exit(failure.empty() ? 0 : 1);
    }
    const std::string failure = two_threads("p");
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(failure, "");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    TRec r;
    TableDef d = make_def(owner);
    File f(d, &r);
    ASSERT_EQ(f.Open(), kNoError);
    EXPECT_EQ(f.Records(), 4 * kRows);
    ASSERT_EQ(f.Set(0), kNoError);
    int n = 0;
    while (f.Next() == kNoError) {
        ++n;
        const std::string kod = r.KOD.str();
        const int i = std::stoi(kod.substr(2));
        EXPECT_EQ(r.NAZIV.str(), "name of " + kod);
        EXPECT_EQ(r.GRUPA.str(), kod.substr(0, 2));
        EXPECT_EQ(r.BROJ, i);
        EXPECT_EQ(r.DATUM, i);
        EXPECT_EQ(r.IZNOS, i * 0.5);
    }
    EXPECT_EQ(n, 4 * kRows);
    f.Close();
    sql::CloseThreadConnections();
    unsetenv("KVADRIN_LOCALDB");
}

}  // namespace
