// The program's pass-through SQL on the embedded store, on the firm's own tables: the
// run-number SELECT through the carrier table, the deletions of charge creation, the
// carry-over between two years' databases and the account renumbering of the take-over.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "data/tables.h"
#include "platform/files/file.h"
#include "platform/files/sql/connection.h"
#include "platform/files/sql/sql_table.h"

namespace {

namespace fs = std::filesystem;
using kvadrin::TableId;

const std::string kFirm2023 = "(localdb)\\MSSQLLocalDB,FIRMA_2023,,;TrustedConnection=True";
const std::string kFirm2024 = "(localdb)\\MSSQLLocalDB,FIRMA_2024,,;TrustedConnection=True";

class PassThrough : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kv_passthrough_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        setenv("KVADRIN_LOCALDB", dir_.c_str(), 1);
        for (const std::string& firm : {kFirm2023, kFirm2024})
            ASSERT_TRUE(rt::sql::CreateEmbeddedDatabase(firm)) << rt::FileError();
    }
    void TearDown() override {
        files_.clear();
        rt::sql::CloseThreadConnections();
        unsetenv("KVADRIN_LOCALDB");
        fs::remove_all(dir_);
    }

    // The table on this thread's record buffer, on the given database; opened.
    rt::File& open(TableId id, const std::string& owner, const char* name = nullptr) {
        auto f = std::make_unique<rt::File>(kvadrin::table_def(id), kvadrin::record_buffer(id));
        f->BindOwner([owner] { return owner; });
        if (name) f->BindName([n = std::string(name)] { return n; });
        if (!name) {
            EXPECT_EQ(f->Open(), rt::kNoError) << kvadrin::table_name(id) << ": " << rt::FileError();
        }
        files_.push_back(std::move(f));
        return *files_.back();
    }
    std::vector<std::string> column(rt::File& f, const std::string& sql) {
        std::vector<std::string> out;
        auto st = rt::sql::ConnectionOf(f)->Prepare(sql);
        EXPECT_NE(st, nullptr) << sql;
        if (!st) return out;
        while (st->Step() == 1) out.push_back(st->Text(0));
        return out;
    }

    fs::path dir_;
    std::vector<std::unique_ptr<rt::File>> files_;
};

TEST_F(PassThrough, RunNumberSelectThroughTheCarrierTable) {
    using kvadrin::A;
    using kvadrin::OBR;
    rt::File& obrac = open(TableId::OBRAC, kFirm2024);
    // The billing-run form on insert: a temporary carrier table of the connection.
    rt::File& ainc = open(TableId::AINC, kFirm2024, "#zzz_ainc_kvd");
    ainc.Create();
    ASSERT_EQ(ainc.Open(rt::kReadWrite | rt::kDenyWrite), rt::kNoError) << rt::FileError();
    EXPECT_EQ(column(ainc, "SELECT name FROM sqlite_temp_master WHERE type='table'"),
              std::vector<std::string>{"#zzz_ainc_kvd"});
    EXPECT_TRUE(column(ainc, "SELECT name FROM sqlite_master WHERE name LIKE '%ainc%'").empty());

    const char* next_run = "SELECT '1','',0,ISNULL(MAX(OBRACUN)+1,1) FROM OBRAC";
    ASSERT_EQ(ainc.SendSql(next_run), rt::kNoError) << rt::FileError();
    ASSERT_EQ(ainc.Next(), rt::kNoError);
    EXPECT_EQ(A.R_SHORT, 1);
    EXPECT_EQ(A.REC_ID.str(), "1" + std::string(19, ' '));
    EXPECT_EQ(A.R_STR.str(), "     ");
    EXPECT_EQ(A.R_LONG, 0);
    EXPECT_EQ(ainc.Next(), rt::kRecordNotAvailable);

    for (int run : {1, 2, 5}) {
        obrac.Clear();
        OBR.OBRACUN = static_cast<std::int16_t>(run);
        ASSERT_EQ(obrac.Add(), rt::kNoError);
    }
    ASSERT_EQ(ainc.SendSql(next_run), rt::kNoError);
    ASSERT_EQ(ainc.Next(), rt::kNoError);
    EXPECT_EQ(A.R_SHORT, 6);  // gaps are not reused

    // The temporary table belongs to this thread's connection only.
    std::vector<std::string> seen_elsewhere;
    std::thread([&] {
        auto conn = rt::sql::ConnectionFor(kFirm2024);
        auto st = conn->Prepare("SELECT name FROM sqlite_temp_master");
        while (st && st->Step() == 1) seen_elsewhere.push_back(st->Text(0));
        rt::sql::CloseThreadConnections();
    }).join();
    EXPECT_TRUE(seen_elsewhere.empty());

    ASSERT_EQ(ainc.Close(), rt::kNoError);
    EXPECT_EQ(ainc.Remove(), rt::kNoError);
    EXPECT_TRUE(column(obrac, "SELECT name FROM sqlite_temp_master WHERE type='table'").empty());

    // On change, delete and view the carrier is the table "zzz_ainc", created and dropped.
    rt::File& plain = open(TableId::AINC, kFirm2024, "zzz_ainc");
    plain.Create();
    ASSERT_EQ(plain.Open(rt::kReadWrite | rt::kDenyWrite), rt::kNoError);
    EXPECT_EQ(column(plain, "SELECT name FROM sqlite_master WHERE name='zzz_ainc'"),
              std::vector<std::string>{"zzz_ainc"});
    plain.Close();
    EXPECT_EQ(plain.Remove(), rt::kNoError);
    EXPECT_TRUE(column(plain, "SELECT name FROM sqlite_master WHERE name='zzz_ainc'").empty());
}

TEST_F(PassThrough, ChargeCreationDeletesTheRunsRows) {
    using kvadrin::SFA;
    using kvadrin::SKP;
    using kvadrin::SPR;
    rt::File& sfakt = open(TableId::SFAKT, kFirm2024);
    rt::File& sprom = open(TableId::SPROM, kFirm2024);
    rt::File& skp = open(TableId::SKPROMET, kFirm2024);
    for (int run : {5, 15}) {
        for (const char* cust : {"00001", "00002"}) {
            sfakt.Clear();
            SFA.OBRACUN = static_cast<std::int16_t>(run);
            SFA.SHKORISNIKA = cust;
            ASSERT_EQ(sfakt.Add(), rt::kNoError);
            sprom.Clear();
            SPR.OBRACUN = static_cast<std::int16_t>(run);
            SPR.SHKORISNIKA = cust;
            SPR.SIFRA = "VODA";
            ASSERT_EQ(sprom.Add(), rt::kNoError);
            skp.Clear();
            SKP.SINTETIKA = "204";
            SKP.ANALITIKA = cust;
            SKP.NALOG = run == 5 ? "KVD-05" : "KVD-15";
            SKP.DUGPOT = "D";
            SKP.RECNO = std::string("KVD") + (run == 5 ? "05" : "15") + cust;
            ASSERT_EQ(skp.Add(), rt::kNoError);
        }
    }
    // Run 5, as the texts are built from it (@N2 gives " 5", @N02 "05").
    for (const char* sql : {"DELETE FROM SFAKT WHERE OBRACUN= 5", "DELETE FROM SPROM WHERE OBRACUN= 5",
                            "DELETE FROM SKPROMET WHERE NALOG='KVD-05'"}) {
        EXPECT_EQ(sfakt.SendSql(sql), rt::kNoError) << sql << ": " << rt::FileError();
    }
    EXPECT_EQ(column(sfakt, "SELECT DISTINCT OBRACUN FROM SFAKT"), std::vector<std::string>{"15"});
    EXPECT_EQ(column(sfakt, "SELECT DISTINCT OBRACUN FROM SPROM"), std::vector<std::string>{"15"});
    EXPECT_EQ(column(sfakt, "SELECT DISTINCT NALOG FROM SKPROMET"), std::vector<std::string>{"KVD-15"});
    EXPECT_EQ(sfakt.Records(), 2);
}

// The carry-over copies six tables from the previous year's database by three-part names.
TEST_F(PassThrough, CarryOverCopiesTheRegistersBetweenTwoYears) {
    const TableId tables[] = {TableId::KVADRIN,  TableId::OBAVEZE, TableId::CENE,
                              TableId::SKLAUZUL, TableId::OBRAC,   TableId::SPROM};
    // One row in each table of 2023, texts with CP1250 letters; a clause at full length.
    std::vector<std::vector<unsigned char>> rows;
    for (TableId id : tables) {
        rt::File& f = open(id, kFirm2023);
        f.Clear();
        const auto& L = f.layout();
        for (const auto& fd : L.fields) {
            unsigned char* p = f.bytes() + fd.offset;
            if (fd.type == rt::FieldType::CString) {
                std::string s = fd.size > 100 ? std::string(fd.size - 1, 'x')
                                              : "\xC8"
                                                "a\x9A"
                                                "a " +
                                                    std::string(fd.column());
                s.resize(std::min(s.size(), fd.size - 1));
                std::memcpy(p, s.data(), s.size());
            } else if (fd.type == rt::FieldType::Real) {
                const double v = -1234.5678;
                std::memcpy(p, &v, sizeof v);
            } else if (fd.type == rt::FieldType::Short || fd.type == rt::FieldType::Long) {
                p[0] = 5;
            }
        }
        ASSERT_EQ(f.Add(), rt::kNoError) << kvadrin::table_name(id) << ": " << rt::FileError();
        rows.emplace_back(f.bytes(), f.bytes() + L.record_size);
    }
    // The new year's tables exist (the carry-over opens them first).
    for (TableId id : tables) open(id, kFirm2024);
    rt::File& kvadrin24 = *files_[6];

    // The codes of the six statements; the driver's code and text after the first.
    std::string first_code, first_text;
    auto carry_over = [&](const std::string& prefix, int year) {
        char from[8], to[8];
        std::snprintf(from, sizeof from, "%04d", year - 1);
        std::snprintf(to, sizeof to, "%04d", year);
        std::vector<int> codes;
        for (TableId id : tables) {
            const std::string t = kvadrin::table_name(id);
            codes.push_back(kvadrin24.SendSql("INSERT INTO " + prefix + "_" + to + ".dbo." + t +
                                              " SELECT * FROM " + prefix + "_" + from + ".dbo." + t));
            if (codes.size() == 1) {
                first_code = rt::FileErrorCode();
                first_text = rt::FileError();
            }
        }
        return codes;
    };
    EXPECT_EQ(carry_over("FIRMA", 2024), std::vector<int>(6, rt::kNoError)) << rt::FileError();
    for (std::size_t i = 0; i < 6; ++i) {
        rt::File& f = *files_[6 + i];
        SCOPED_TRACE(kvadrin::table_name(tables[i]));
        EXPECT_EQ(f.Records(), 1);
        ASSERT_EQ(f.SetPhysical(), rt::kNoError);
        std::memset(f.bytes(), 0x55, f.layout().record_size);
        ASSERT_EQ(f.Next(), rt::kNoError);
        EXPECT_EQ(std::memcmp(f.bytes(), rows[i].data(), rows[i].size()), 0);
    }

    // A second carry-over into the same year fails on the first table's key, with the
    // driver's code and message.
    const auto again = carry_over("FIRMA", 2024);
    EXPECT_EQ(again[0], rt::kDriverError);
    EXPECT_EQ(first_code, "1555");  // SQLite's primary-key constraint
    EXPECT_NE(first_text.find("UNIQUE constraint failed: KVADRIN.BROJ"), std::string::npos) << first_text;
    EXPECT_EQ(kvadrin24.Records(), 1);

    // A previous year that has no database is an error, and no database appears for it.
    EXPECT_EQ(carry_over("FIRMA", 2023)[0], rt::kDriverError);
    EXPECT_NE(first_code, "");
    EXPECT_NE(first_text.find("FIRMA_2022"), std::string::npos) << first_text;
    EXPECT_FALSE(fs::exists(dir_ / "FIRMA_2022.sqlite"));
}

TEST_F(PassThrough, TakeOverRenumbersTheAccounts) {
    using kvadrin::SKP;
    rt::File& skp = open(TableId::SKPROMET, kFirm2024);
    rt::File& sintetik = open(TableId::SINTETIK, kFirm2024);
    int n = 0;
    for (const char* account : {"433", "202", "204", "100", "433"}) {
        skp.Clear();
        SKP.SINTETIKA = account;
        SKP.ANALITIKA = "00001";
        SKP.RECNO = "R" + std::to_string(n++);
        ASSERT_EQ(skp.Add(), rt::kNoError);
    }
    EXPECT_EQ(sintetik.SendSql("UPDATE SKPROMET SET SINTETIKA='435' WHERE SINTETIKA='433'"), rt::kNoError);
    EXPECT_EQ(sintetik.SendSql("UPDATE SKPROMET SET SINTETIKA='204' WHERE SINTETIKA='202'"), rt::kNoError);
    EXPECT_EQ(column(skp, "SELECT SINTETIKA FROM SKPROMET ORDER BY RECNO"),
              (std::vector<std::string>{"435", "204", "204", "100", "435"}));
}

}  // namespace
