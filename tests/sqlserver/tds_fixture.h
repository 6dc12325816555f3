// What the tests of the SQL Server path share: the FreeTDS ODBC driver registered in a
// private odbcinst.ini (and a private freetds.conf) for this process, and a TDS test server
// started and stopped by each test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files/file.h"
#include "tests/tds/tds_server.h"

namespace kvtest {

// The driver name the private odbcinst.ini registers.
inline constexpr const char* kTdsDriver = "FreeTDS";

class TdsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // "127.0.0.1,DB,USER,PASSWORD;Port=N": a connection text for the test server.
    std::string Text(const std::string& database = "FIRMA_2024", const std::string& user = "sa",
                     const std::string& password = "tajna") const;

    tds::Server server_;
};

// A table on the test server: primary key KOD, duplicates key NAZIV, unique key (GRUPA,
// BROJ), all without case. The server says it exists and answers key reads with `rows_`.
struct Unit {
    rt::CString<11> KOD;
    rt::CString<26> NAZIV;
    rt::Short BROJ;
    rt::Real IZNOS;
    rt::CString<8> GRUPA;
};

class TdsTable : public TdsTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // The table's result rows: KOD, NAZIV, BROJ, IZNOS, GRUPA.
    static tds::Reply Rows(const std::vector<std::vector<tds::Cell>>& rows);
    std::unique_ptr<rt::File> Table(Unit& record);
    // The batches and RPC calls that run a statement starting with `head`.
    std::vector<tds::Request> Statements(const std::string& head) const;

    rt::TableDef def_;
    Unit r_{};
    std::unique_ptr<rt::File> file_;
};

}  // namespace kvtest
