// The table driver over the real FreeTDS driver: what goes on the wire for adds, key reads,
// pages, the SQL property, errors and a dropped connection.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <thread>

#include "platform/files/file.h"
#include "platform/files/sql/connection.h"
#include "platform/files/view.h"
#include "tests/sqlserver/tds_fixture.h"

namespace kvtest {
namespace {

using tds::Reply;
using tds::Request;

std::size_t count(const std::vector<Request>& rs, Request::Kind kind) {
    std::size_t n = 0;
    for (auto& r : rs) n += r.kind == kind;
    return n;
}

// Texts go out as wide text, declared with their field's width: Serbian letters arrive whole
// in any collation, and one statement shape is prepared once, also across a reopen.
TEST_F(TdsTable, TextsGoOutWideWithTheirFieldsWidthAndEachShapeIsPreparedOnce) {
    const char* names[] = {
        "\xC8"
        "a\xE8"
        "ak \xF0"
        "ak \x8A"
        "abac \x8E"
        "abalj",
        "Ab", "Nikola Pa\x9Ai\xE6"};
    for (int i = 0; i < 3; ++i) {
        file_->Clear();
        r_.KOD = "K" + std::to_string(i);
        r_.NAZIV = names[i];
        r_.BROJ = static_cast<std::int16_t>(i + 5);
        r_.IZNOS = 1.5 * i;
        r_.GRUPA = "g";
        ASSERT_EQ(file_->Add(), rt::kNoError) << rt::FileError();
    }
    ASSERT_EQ(file_->Close(), rt::kNoError);
    ASSERT_EQ(file_->Open(), rt::kNoError);
    file_->Clear();  // blank texts: empty, never NULL (the columns are NOT NULL)
    r_.KOD = "K3";
    ASSERT_EQ(file_->Add(), rt::kNoError) << rt::FileError();

    const auto inserts = Statements("INSERT INTO [TEST]");
    ASSERT_EQ(inserts.size(), 4u);
    EXPECT_EQ(inserts[0].proc, "sp_prepexec");
    EXPECT_EQ(
        inserts[0].text,
        "INSERT INTO [TEST] ([KOD], [NAZIV], [BROJ], [IZNOS], [GRUPA]) VALUES (@P1, @P2, @P3, @P4, @P5)");
    EXPECT_EQ(inserts[0].declaration, "@P1 NVARCHAR(10),@P2 NVARCHAR(25),@P3 INT,@P4 FLOAT,@P5 NVARCHAR(7)");
    for (std::size_t i = 1; i < inserts.size(); ++i) {
        EXPECT_EQ(inserts[i].proc, "sp_execute");
        EXPECT_EQ(inserts[i].handle, inserts[0].handle);
    }
    const std::vector<std::string> types = {"nvarchar(10)", "nvarchar(25)", "int", "float", "nvarchar(7)"};
    const char* utf8[] = {"Čačak đak Šabac Žabalj", "Ab", "Nikola Pašić"};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& p = inserts[i].params;
        ASSERT_EQ(p.size(), 5u);
        std::vector<std::string> got;
        for (auto& x : p) got.push_back(x.TypeName());
        EXPECT_EQ(got, types);
        EXPECT_EQ(p[0].text, "K" + std::to_string(i));
        EXPECT_EQ(p[1].text, utf8[i]);
        EXPECT_EQ(p[2].i, static_cast<std::int64_t>(i + 5));
        EXPECT_EQ(p[3].d, 1.5 * static_cast<double>(i));
    }
    for (std::size_t i : {1u, 4u}) {
        const tds::Param& blank = inserts[3].params.at(i);
        EXPECT_EQ(blank.TypeName(), types[i]);
        EXPECT_FALSE(blank.null) << i;
        EXPECT_EQ(blank.text, "") << i;
    }
    // The existence check of the reopen is the prepared statement of the first open.
    const auto checks = Statements("SELECT CASE WHEN OBJECT_ID(");
    ASSERT_EQ(checks.size(), 2u);
    EXPECT_EQ(checks[0].proc, "sp_prepexec");
    EXPECT_EQ(checks[1].proc, "sp_execute");
    EXPECT_EQ(checks[0].params.at(0).TypeName(), "nvarchar(4000)");
}

// A key read takes its one row and reads on to the end of the answer, so the driver has
// nothing to cancel; a page's condition leads with its first column's bound.
TEST_F(TdsTable, KeyReadsEndWithoutACancelAndPagesLeadWithTheFirstColumn) {
    server_.On("WHERE [KOD] = @P1", Rows({{"K1", "Ana", std::int64_t{1}, 2.5, "g"}}));
    for (const char* k : {"", "K1", "k1", "K2"}) {
        r_.KOD = k;
        ASSERT_EQ(file_->Get(0), rt::kNoError) << rt::FileError();
        EXPECT_EQ(r_.NAZIV.str(), "Ana");
    }
    server_.On("WHERE [GRUPA] >= @P2",
               Rows({{"A", "a", std::int64_t{5}, 0.0, "g"}, {"B", "b", std::int64_t{6}, 0.0, "g"}}));
    file_->Clear();
    r_.GRUPA = "g";
    r_.BROJ = 5;
    ASSERT_EQ(file_->SetFrom(2), rt::kNoError);
    ASSERT_EQ(file_->Next(), rt::kNoError) << rt::FileError();
    EXPECT_EQ(r_.KOD.str(), "A");
    ASSERT_EQ(file_->Next(), rt::kNoError);
    EXPECT_EQ(file_->Next(), rt::kRecordNotAvailable);

    const auto gets = Statements("SELECT TOP 1 ");
    ASSERT_EQ(gets.size(), 4u);
    EXPECT_EQ(gets[0].proc, "sp_prepexec");
    EXPECT_EQ(gets[3].proc, "sp_execute");
    // A blank key goes out as an empty text, not as NULL.
    EXPECT_EQ(gets[0].params.at(0).TypeName(), "nvarchar(10)");
    EXPECT_FALSE(gets[0].params.at(0).null);
    EXPECT_EQ(gets[0].params.at(0).text, "");
    EXPECT_EQ(gets[1].params.at(0).text, "K1");
    const auto pages = Statements("SELECT TOP (@P1)");
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(
        pages[0].text,
        "SELECT TOP (@P1) [KOD], [NAZIV], [BROJ], [IZNOS], [GRUPA] FROM [TEST] WHERE [GRUPA] >= @P2 AND "
        "(([GRUPA] > @P3) OR ([GRUPA] = @P4 AND [BROJ] >= @P5)) ORDER BY [GRUPA], [BROJ]");
    EXPECT_EQ(pages[0].declaration, "@P1 INT,@P2 NVARCHAR(7),@P3 NVARCHAR(7),@P4 NVARCHAR(7),@P5 INT");
    EXPECT_EQ(count(server_.Requests(), Request::Kind::Attention), 0u);
}

// A SELECT sent through the SQL property is read whole: the other tables on the connection
// go on working while its rows are delivered one by one.
TEST_F(TdsTable, AMultiRowSqlPropertyResultDoesNotBlockOtherTables) {
    server_.On("SELECT KOD, NAZIV FROM TEST", Rows({{"A", "a"}, {"B", "b"}, {"C", "c"}}));
    server_.On("WHERE [KOD] = @P1", Rows({{"K", "other", std::int64_t{1}, 0.0, "g"}}));
    Unit other{};
    auto second = Table(other);
    ASSERT_EQ(second->Open(), rt::kNoError);

    ASSERT_EQ(file_->SendSql("SELECT KOD, NAZIV FROM TEST"), rt::kNoError) << rt::FileError();
    std::string seen;
    while (file_->Next() == rt::kNoError) {
        seen += r_.KOD.str();
        other.KOD = "K";
        ASSERT_EQ(second->Get(0), rt::kNoError) << rt::FileErrorCode() << " " << rt::FileError();
        EXPECT_EQ(other.NAZIV.str(), "other");
    }
    EXPECT_EQ(rt::ErrorCode(), rt::kRecordNotAvailable);
    EXPECT_EQ(seen, "ABC");
}

// Texts without parameters go to the server as they are written, in a batch: a temporary
// table they make outlives the statement.
TEST_F(TdsTable, PassThroughTextsAreNotPrepared) {
    const char* texts[] = {"CREATE TABLE #t (x int)", "INSERT INTO #t VALUES (1)", "SELECT x FROM #t"};
    for (const char* t : texts) ASSERT_EQ(file_->SendSql(t), rt::kNoError) << t << ": " << rt::FileError();
    for (const char* t : texts) {
        const auto sent = Statements(t);
        ASSERT_EQ(sent.size(), 1u) << t;
        EXPECT_EQ(sent[0].kind, Request::Kind::Batch) << t;
    }
    for (auto& r : server_.Requests()) EXPECT_NE(r.text.find("#t"), 0u);
    EXPECT_EQ(count(server_.Requests(), Request::Kind::Attention), 0u);
}

// A number that is not finite never reaches the server (it would refuse the stream and
// drop the connection): the write is refused with a clear error, and the next one goes on.
TEST_F(TdsTable, NanAndInfinitiesNeverGoOut) {
    for (double bad :
         {std::nan(""), std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
        file_->Clear();
        r_.KOD = "N";
        r_.IZNOS = bad;
        EXPECT_EQ(file_->Add(), rt::kDriverError);
        EXPECT_EQ(rt::FileErrorCode(), "22003");
        EXPECT_NE(rt::FileError().find("cannot be stored in SQL Server"), std::string::npos)
            << rt::FileError();
    }
    EXPECT_TRUE(Statements("INSERT").empty());
    r_.IZNOS = 2;
    ASSERT_EQ(file_->Add(), rt::kNoError) << rt::FileError();
    const auto inserts = Statements("INSERT");
    ASSERT_EQ(inserts.size(), 1u);
    EXPECT_EQ(inserts[0].params.at(3).d, 2.0);
    EXPECT_EQ(server_.Connections(), 1);
}

// The rows a change touched come from the server's count: none means another station
// changed or deleted the record.
TEST_F(TdsTable, AChangeThatTouchedNoRowIsReportedAsChangedElsewhere) {
    server_.On("WHERE [KOD] = @P1", Rows({{"A", "a", std::int64_t{1}, 0.0, "g"}}));
    r_.KOD = "A";
    ASSERT_EQ(file_->Get(0), rt::kNoError);
    r_.IZNOS = 3;
    EXPECT_EQ(file_->Put(), rt::kNoError) << rt::FileError();
    server_.On("UPDATE [TEST]", Reply::Count(0), 1);
    EXPECT_EQ(file_->Put(), rt::kRecordChanged);
    server_.On("DELETE FROM [TEST]", Reply::Count(0), 1);
    ASSERT_EQ(file_->Get(0), rt::kNoError);
    EXPECT_EQ(file_->Delete(), rt::kRecordChanged);
    ASSERT_EQ(file_->Get(0), rt::kNoError);
    EXPECT_EQ(file_->Delete(), rt::kNoError);
}

// A server error arrives with its state and text, and the connection goes on serving.
TEST_F(TdsTable, AServerErrorIsReportedByItsStateAndTheConnectionGoesOn) {
    server_.On("INSERT INTO [TEST]", Reply::Error(208, "Invalid object name 'TEST'."), 1);
    r_.KOD = "A";
    EXPECT_EQ(file_->Add(), rt::kDriverError);
    EXPECT_EQ(rt::FileErrorCode(), "42S02");
    EXPECT_NE(rt::FileError().find("Invalid object name 'TEST'."), std::string::npos) << rt::FileError();

    server_.On("INSERT INTO [TEST]", Reply::Error(2627, "Violation of PRIMARY KEY constraint 'PK_TEST'."), 1);
    EXPECT_EQ(file_->Add(), rt::kDuplicateKey);

    server_.On("WHERE [KOD] = @P1", Rows({{"A", "a", std::int64_t{1}, 0.0, "g"}}));
    EXPECT_EQ(file_->Add(), rt::kNoError) << rt::FileError();
    EXPECT_EQ(file_->Get(0), rt::kNoError) << rt::FileError();
    EXPECT_EQ(server_.Connections(), 1);
}

// After the server drops the socket the error says what was lost, by its real state; the
// next use connects again. A transaction open at the drop stays failed until rolled back.
TEST_F(TdsTable, ADroppedConnectionIsReopened) {
    server_.On("WHERE [KOD] = @P1", Rows({{"A", "a", std::int64_t{1}, 0.0, "g"}}));
    r_.KOD = "A";
    ASSERT_EQ(file_->Get(0), rt::kNoError);
    server_.DropConnections();
    EXPECT_EQ(file_->Get(0), rt::kDriverError);
    EXPECT_EQ(rt::FileErrorCode().substr(0, 2), "08") << rt::FileErrorCode();
    EXPECT_NE(
        rt::FileError().find("The connection to the server was lost: temporary tables were dropped. The "
                             "next use connects again."),
        std::string::npos)
        << rt::FileError();
    ASSERT_EQ(file_->Get(0), rt::kNoError) << rt::FileError();
    EXPECT_EQ(server_.Logins().size(), 2u);

    // Found at an open: that open fails and says so, the next one connects.
    server_.DropConnections();
    EXPECT_EQ(file_->Close(), rt::kNoError);
    EXPECT_EQ(file_->Open(), rt::kDriverError);
    EXPECT_NE(rt::FileError().find("The connection to the server was lost"), std::string::npos)
        << rt::FileError();
    ASSERT_EQ(file_->Open(), rt::kNoError) << rt::FileError();
    EXPECT_EQ(file_->Get(0), rt::kNoError) << rt::FileError();
    EXPECT_EQ(server_.Logins().size(), 3u);

    ASSERT_EQ(file_->BeginTransaction(), rt::kNoError);
    r_.KOD = "B";
    ASSERT_EQ(file_->Add(), rt::kNoError);
    server_.DropConnections();
    r_.KOD = "C";
    EXPECT_EQ(file_->Add(), rt::kDriverError);
    EXPECT_NE(rt::FileError().find("the open transaction was rolled back and its changes were not saved"),
              std::string::npos)
        << rt::FileError();
    EXPECT_EQ(file_->Add(), rt::kDriverError);
    EXPECT_NE(rt::FileError().find("lost during a transaction"), std::string::npos) << rt::FileError();
    EXPECT_EQ(file_->Commit(), rt::kDriverError);
    EXPECT_EQ(file_->Rollback(), rt::kNoError);
    EXPECT_EQ(file_->Add(), rt::kNoError) << rt::FileError();
    EXPECT_GE(server_.Logins().size(), 4u);
}

// Threads have connections of their own, each with its prepared statements.
TEST_F(TdsTable, ThreadsWriteOnConnectionsOfTheirOwn) {
    constexpr int kThreads = 3, kRows = 40;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            Unit rec{};
            auto f = Table(rec);
            if (f->Open() != rt::kNoError) failures[static_cast<std::size_t>(t)] = -1;
            for (int i = 0; i < kRows; ++i) {
                rec.KOD = std::to_string(t) + "-" + std::to_string(i);
                rec.NAZIV = "\x8Eika";
                if (f->Add() != rt::kNoError) ++failures[static_cast<std::size_t>(t)];
            }
            f.reset();
            rt::sql::CloseThreadConnections();
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
    const auto inserts = Statements("INSERT INTO [TEST]");
    ASSERT_EQ(inserts.size(), static_cast<std::size_t>(kThreads * kRows));
    std::map<int, int> prepared;
    for (auto& r : inserts) {
        prepared[r.connection] += r.proc == "sp_prepexec";
        EXPECT_EQ(r.params.at(1).text, "Žika");
    }
    EXPECT_EQ(prepared.size(), static_cast<std::size_t>(kThreads));
    for (auto& [connection, n] : prepared) EXPECT_EQ(n, 1) << connection;
}

// A row the server refuses as a duplicate leaves the insert prepared: twenty inserts, every
// other one refused (the first among them), are one preparation and nineteen runs of it.
TEST_F(TdsTable, ARefusedDuplicateKeepsTheInsertPrepared) {
    for (int i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        file_->Clear();
        r_.KOD = "K" + std::to_string(i);
        const bool refused = i % 2 == 0;
        if (refused)
            server_.On("INSERT INTO [TEST]",
                       Reply::Error(2627,
                                    "Violation of PRIMARY KEY constraint 'PK_TEST'. Cannot insert duplicate "
                                    "key in object 'dbo.TEST'."),
                       1);
        EXPECT_EQ(file_->Add(), refused ? rt::kDuplicateKey : rt::kNoError) << rt::FileError();
    }
    const auto inserts = Statements("INSERT INTO [TEST]");
    ASSERT_EQ(inserts.size(), 20u);
    EXPECT_EQ(inserts[0].proc, "sp_prepexec");
    for (std::size_t i = 0; i < inserts.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(inserts[i].proc, i == 0 ? "sp_prepexec" : "sp_execute");
        EXPECT_EQ(inserts[i].handle, inserts[0].handle);
        EXPECT_EQ(inserts[i].params.at(0).text, "K" + std::to_string(i));
    }
    EXPECT_EQ(server_.Connections(), 1);
}

// Exact comparisons ask the server for the Serbian binary collation, the one that tells
// "a" from "A" and "č" from "ć" by code point: the conditions of a change that the row
// still holds what was read, and a view's filter comparing a text.
TEST_F(TdsTable, ExactComparisonsAskForTheSerbianBinaryCollation) {
    server_.On("WHERE [KOD] = @P1", Rows({{"A", "\u010Ca\u010Dak", std::int64_t{1}, 0.0, "g"}}));
    r_.KOD = "A";
    ASSERT_EQ(file_->Get(0), rt::kNoError) << rt::FileError();
    r_.IZNOS = 3;
    ASSERT_EQ(file_->Put(), rt::kNoError) << rt::FileError();
    rt::ViewManager view;
    view.Init(*file_);
    ASSERT_EQ(view.SetFilter("T:NAZIV = 'a'"), "");
    ASSERT_EQ(view.Reset(), rt::kNoError) << rt::FileError();
    view.Next();

    // Every statement of the change and of the view's read that compares texts; a
    // collation that only sorts (ORDER BY) is the case-blind one, and no comparison.
    struct Sent {
        const char* head;
        std::size_t exact;  // the exact comparisons each holds
    };
    for (const Sent& expected : {Sent{"UPDATE [TEST]", 3}, Sent{"SELECT", 1}}) {
        SCOPED_TRACE(expected.head);
        std::size_t comparing = 0;
        for (const Request& r : Statements(expected.head)) {
            std::vector<Request::Collated> compared;
            for (const Request::Collated& c : r.collations)
                if (!c.comparison.empty()) compared.push_back(c);
            if (compared.empty()) continue;
            ++comparing;
            SCOPED_TRACE(r.text);
            ASSERT_EQ(compared.size(), expected.exact);
            for (const Request::Collated& c : compared) {
                EXPECT_EQ(c.collation, "Serbian_Latin_100_BIN2");
                EXPECT_TRUE(tds::BinaryCollation(c.collation)) << c.collation;
                EXPECT_EQ(c.comparison, "=");
            }
        }
        EXPECT_GE(comparing, 1u);
    }
}

}  // namespace
}  // namespace kvtest
