#include "tests/sqlserver/tds_fixture.h"

#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/files/layout.h"
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

#define UNIT_FIELD(m) rt::field_for<decltype(Unit::m)>("T:" #m, offsetof(Unit, m))

void TdsTable::SetUp() {
    TdsTest::SetUp();
    def_.name = "TEST";
    def_.owner = Text();
    def_.create = true;
    def_.layout.prefix = "T";
    def_.layout.record_size = sizeof(Unit);
    def_.layout.fields = {UNIT_FIELD(KOD), UNIT_FIELD(NAZIV), UNIT_FIELD(BROJ), UNIT_FIELD(IZNOS), UNIT_FIELD(GRUPA)};
    using rt::make_key;
    def_.layout.keys.push_back(make_key(def_.layout, "T:Po_kodu", {"T:KOD"}, rt::kKeyPrimary | rt::kKeyNoCase));
    def_.layout.keys.push_back(make_key(def_.layout, "T:Po_nazivu", {"T:NAZIV"}, rt::kKeyDup | rt::kKeyNoCase));
    def_.layout.keys.push_back(
        make_key(def_.layout, "T:Po_grupi", {"T:GRUPA", "T:BROJ"}, rt::kKeyUnique | rt::kKeyNoCase));
    server_.On("SELECT CASE WHEN OBJECT_ID(", tds::Reply::Rows({{"", tds::ColumnType::Int}}, {{std::int64_t{1}}}));
    file_ = Table(r_);
    ASSERT_EQ(file_->Open(), rt::kNoError) << rt::FileErrorCode() << " " << rt::FileError();
}

void TdsTable::TearDown() {
    file_.reset();
    TdsTest::TearDown();
}

tds::Reply TdsTable::Rows(const std::vector<std::vector<tds::Cell>>& rows) {
    using tds::ColumnType;
    return tds::Reply::Rows({{"KOD", ColumnType::NVarChar},
                             {"NAZIV", ColumnType::NVarChar},
                             {"BROJ", ColumnType::Int},
                             {"IZNOS", ColumnType::Float},
                             {"GRUPA", ColumnType::NVarChar}},
                            rows);
}

std::unique_ptr<rt::File> TdsTable::Table(Unit& record) { return std::make_unique<rt::File>(def_, &record); }

std::vector<tds::Request> TdsTable::Statements(const std::string& head) const {
    std::vector<tds::Request> out;
    for (auto& r : server_.Requests())
        if ((r.kind == tds::Request::Kind::Batch || r.kind == tds::Request::Kind::Rpc) && r.proc != "sp_unprepare" &&
            r.text.rfind(head, 0) == 0)
            out.push_back(r);
    return out;
}

}  // namespace kvtest
