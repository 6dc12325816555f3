// What the tests of the SQL Server path share: the FreeTDS ODBC driver registered in a
// private odbcinst.ini (and a private freetds.conf) for this process, and a TDS test server
// started and stopped by each test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    // The requests of one kind, or the statements' texts.
    std::vector<tds::Request> Of(tds::Request::Kind kind) const;
    std::vector<std::string> Texts() const;

    tds::Server server_;
};

}  // namespace kvtest
