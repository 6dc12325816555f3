#include "tests/sqlserver/tds_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/files/sql/connection.h"

namespace kvtest {
namespace {

namespace fs = std::filesystem;

// Once per process, before any ODBC call: unixODBC and FreeTDS read their settings from
// files named by the environment.
class OdbcEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kv_tds_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        std::ofstream(dir_ / "odbcinst.ini") << "[" << kTdsDriver << "]\nDescription=FreeTDS\nDriver="
                                              << KVADRIN_TDSODBC << "\n";
        std::ofstream(dir_ / "odbc.ini") << "";
        std::ofstream(dir_ / "freetds.conf") << "[global]\n";
        ::setenv("ODBCSYSINI", dir_.c_str(), 1);
        ::setenv("ODBCINSTINI", "odbcinst.ini", 1);
        ::setenv("ODBCINI", (dir_ / "odbc.ini").c_str(), 1);
        ::setenv("FREETDSCONF", (dir_ / "freetds.conf").c_str(), 1);
        ::setenv("KVADRIN_ODBC_DRIVER", kTdsDriver, 1);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

private:
    fs::path dir_;
};

[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new OdbcEnvironment);

}  // namespace

void TdsTest::SetUp() {
    ASSERT_STRNE(KVADRIN_TDSODBC, "") << "the FreeTDS ODBC driver (tdsodbc) is not installed";
    ASSERT_TRUE(server_.Start());
}

void TdsTest::TearDown() {
    rt::sql::CloseThreadConnections();
    server_.Stop();
}

std::string TdsTest::Text(const std::string& database, const std::string& user, const std::string& password) const {
    return "127.0.0.1," + database + "," + user + "," + password + ";Port=" + std::to_string(server_.Port());
}

std::vector<tds::Request> TdsTest::Of(tds::Request::Kind kind) const {
    std::vector<tds::Request> out;
    for (auto& r : server_.Requests())
        if (r.kind == kind) out.push_back(r);
    return out;
}

std::vector<std::string> TdsTest::Texts() const {
    std::vector<std::string> out;
    for (auto& r : server_.Requests())
        if (r.kind == tds::Request::Kind::Batch || r.kind == tds::Request::Kind::Rpc) out.push_back(r.text);
    return out;
}

}  // namespace kvtest
