// The SQL the program sends to SQL Server, as the server receives it, held against golden
// texts in tests/sqlserver/golden/: the creation of every table of the firm and version
// databases, and the pass-through texts. KVADRIN_UPDATE_GOLDEN=1 writes them anew.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "data/tables.h"
#include "platform/files/file.h"
#include "tests/sqlserver/tds_fixture.h"

namespace kvtest {
namespace {

using kvadrin::TableId;
using tds::Request;

// What the server received, one line a request: its kind and text.
std::string lines(const std::vector<Request>& rs) {
    std::string out;
    for (const Request& r : rs) {
        switch (r.kind) {
            case Request::Kind::Batch: out += r.text + "\n"; break;
            case Request::Kind::Rpc: out += r.proc + ": " + r.text + "\n"; break;
            case Request::Kind::Transaction: out += "-- " + r.proc + "\n"; break;
            case Request::Kind::Attention: out += "-- ATTENTION\n"; break;
        }
    }
    return out;
}

void compare_with_golden(const std::string& name, const std::string& got) {
    const std::string path = std::string(KVADRIN_SOURCE_DIR) + "/tests/sqlserver/golden/" + name;
    if (const char* u = std::getenv("KVADRIN_UPDATE_GOLDEN"); u && *u == '1') {
        std::ofstream(path) << got;
        return;
    }
    std::stringstream want;
    want << std::ifstream(path).rdbuf();
    EXPECT_EQ(got, want.str()) << "golden text " << path;
}

TEST_F(TdsTest, EveryTableIsCreatedAsTheGoldenTextSays) {
    server_.On("SELECT CASE WHEN OBJECT_ID(", tds::Reply::Rows({{"", tds::ColumnType::Int}}, {{std::int64_t{0}}}));
    struct Table {
        TableId id;
        const char* name;  // for AINC: the name the billing-run form gives it
    };
    const Table tables[] = {
        {TableId::LVERX, nullptr},   {TableId::LVER, nullptr},     {TableId::AINC, "#zzz_ainc_kvd"},
        {TableId::AINC, "zzz_ainc"}, {TableId::USERS, nullptr},    {TableId::NALOZIS, nullptr},
        {TableId::NAZIVI, nullptr},  {TableId::SINTETIK, nullptr}, {TableId::SKMATIC, nullptr},
        {TableId::SKPROMET, nullptr}, {TableId::KVADRIN, nullptr}, {TableId::OBRAC, nullptr},
        {TableId::CENE, nullptr},    {TableId::OBAVEZE, nullptr},  {TableId::SPROM, nullptr},
        {TableId::SFAKT, nullptr},   {TableId::SKLAUZUL, nullptr},
    };
    std::string got;
    for (const Table& t : tables) {
        server_.ClearRecords();
        rt::File f(kvadrin::table_def(t.id), kvadrin::record_buffer(t.id));
        const std::string owner = Text();
        f.BindOwner([owner] { return owner; });
        if (t.name) f.BindName([n = std::string(t.name)] { return n; });
        ASSERT_EQ(f.Open(), rt::kNoError) << kvadrin::table_name(t.id) << ": " << rt::FileError();
        got += "-- " + std::string(t.name ? t.name : kvadrin::table_name(t.id)) + "\n" + lines(server_.Requests()) + "\n";
        // Created in one transaction, every statement in a batch of its own.
        const auto rs = server_.Requests();
        ASSERT_GE(rs.size(), 4u);
        EXPECT_EQ(rs[1].proc, "BEGIN");
        EXPECT_EQ(rs[rs.size() - 2].proc, "COMMIT+BEGIN");  // the driver commits, then ends autocommit's
        EXPECT_EQ(rs.back().proc, "ROLLBACK");              // new, empty transaction
    }
    compare_with_golden("create_tables.sql", got);
}

// The pass-through texts of the billing run, charge creation, the carry-over and the
// take-over, as the program writes them: each reaches the server as a batch, unchanged.
TEST_F(TdsTest, PassThroughTextsReachTheServerAsTheGoldenTextSays) {
    server_.On("SELECT CASE WHEN OBJECT_ID(", tds::Reply::Rows({{"", tds::ColumnType::Int}}, {{std::int64_t{1}}}));
    server_.On("ISNULL(MAX(OBRACUN)+1,1)",
               tds::Reply::Rows({{"", tds::ColumnType::NVarChar},
                                 {"", tds::ColumnType::NVarChar},
                                 {"", tds::ColumnType::Int},
                                 {"", tds::ColumnType::Int}},
                                {{std::string("1"), std::string(""), std::int64_t{0}, std::int64_t{6}}}));
    const std::string owner = Text();
    rt::File ainc(kvadrin::table_def(TableId::AINC), kvadrin::record_buffer(TableId::AINC));
    ainc.BindOwner([owner] { return owner; });
    ainc.BindName([] { return std::string("#zzz_ainc_kvd"); });
    rt::File kvadrin(kvadrin::table_def(TableId::KVADRIN), kvadrin::record_buffer(TableId::KVADRIN));
    kvadrin.BindOwner([owner] { return owner; });
    ASSERT_EQ(ainc.Open(), rt::kNoError) << rt::FileError();
    ASSERT_EQ(kvadrin.Open(), rt::kNoError) << rt::FileError();
    server_.ClearRecords();

    ASSERT_EQ(ainc.SendSql("SELECT '1','',0,ISNULL(MAX(OBRACUN)+1,1) FROM OBRAC"), rt::kNoError);
    ASSERT_EQ(ainc.Next(), rt::kNoError);
    EXPECT_EQ(kvadrin::A.R_SHORT, 6);
    std::vector<std::string> texts = {"DELETE FROM SFAKT WHERE OBRACUN= 5", "DELETE FROM SPROM WHERE OBRACUN= 5",
                                      "DELETE FROM SKPROMET WHERE NALOG='KVD-05'"};
    for (const char* t : {"KVADRIN", "CENE", "SKLAUZUL", "SPROM", "OBRAC", "OBAVEZE"})
        texts.push_back(std::string("INSERT INTO FIRMA_2024.dbo.") + t + " SELECT * FROM FIRMA_2023.dbo." + t);
    texts.push_back("UPDATE SKPROMET SET SINTETIKA='435' WHERE SINTETIKA='433'");
    texts.push_back("UPDATE SKPROMET SET SINTETIKA='204' WHERE SINTETIKA='202'");
    for (const auto& t : texts) ASSERT_EQ(kvadrin.SendSql(t), rt::kNoError) << t << ": " << rt::FileError();
    for (const Request& r : server_.Requests()) EXPECT_EQ(r.kind, Request::Kind::Batch) << r.text;
    compare_with_golden("pass_through.sql", lines(server_.Requests()));
}

}  // namespace
}  // namespace kvtest
