// The login over the real FreeTDS driver: what the connection text becomes on the wire.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/files/file.h"
#include "platform/files/sql/connection.h"
#include "tests/sqlserver/tds_fixture.h"

namespace kvtest {
namespace {

namespace fs = std::filesystem;
using rt::sql::ConnectionFor;
using rt::sql::ConnectionText;

struct LoginCase {
    const char* user;      // CP1250, as the login's entries hold them
    const char* password;
    const char* database;
    const char* user_utf8;  // what the server must receive
    const char* password_utf8;
    const char* database_utf8;
};

// Values a comma-separated text cannot carry reach the SQL layer through the login's
// registered values; each must reach the server as typed.
TEST_F(TdsTest, TheLoginReachesTheServerWithEveryValueIntact) {
    const LoginCase cases[] = {
        {"sa", "tajna", "FIRMA_2024", "sa", "tajna", "FIRMA_2024"},
        {"ime;prezime", "a;b=c", "FIRMA_2024", "ime;prezime", "a;b=c", "FIRMA_2024"},
        {"sa", "x}y", "FIRMA_2024", "sa", "x}y", "FIRMA_2024"},
        {"sa", "kraj}", "FIRMA_2024", "sa", "kraj}", "FIRMA_2024"},
        {"sa", "{po}\xE8" "etak", "FIRMA_2024", "sa", "{po}\xC4\x8D" "etak", "FIRMA_2024"},
        {"sa", "a;b}", "FIRMA_2024", "sa", "a;b}", "FIRMA_2024"},
        {"sa", "}}", "FIRMA_2024", "sa", "}}", "FIRMA_2024"},
        {" sa ", " razmak ", "FIRMA 2024", " sa ", " razmak ", "FIRMA 2024"},
        {"sa", "=;=,=", "FIRMA_2024", "sa", "=;=,=", "FIRMA_2024"},
        {"\xC8" "ika", "\x8A" "ifra\xF0" "\x9E", "BLOK_\x8E_2024", "\xC4\x8C" "ika",
         "\xC5\xA0" "ifra\xC4\x91\xC5\xBE", "BLOK_\xC5\xBD_2024"},
        {"sa", "", "FIRMA_2024", "sa", "", "FIRMA_2024"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.password_utf8);
        ConnectionText t;
        t.server = "127.0.0.1";
        t.database = c.database;
        t.user = c.user;
        t.password = c.password;
        t.options["PORT"] = std::to_string(server_.Port());
        const std::string key = "login case " + std::to_string(++n);
        rt::sql::SetConnectionValues(key, t);
        ASSERT_NE(ConnectionFor(key), nullptr) << rt::FileErrorCode() << " " << rt::FileError();
        const auto logins = server_.Logins();
        ASSERT_FALSE(logins.empty());
        const tds::Login& l = logins.back();
        EXPECT_EQ(l.user, c.user_utf8);
        EXPECT_EQ(l.password, c.password_utf8);
        EXPECT_EQ(l.database, c.database_utf8);
        EXPECT_EQ(l.app, "kvadrin");
        EXPECT_FALSE(l.integrated);
        rt::sql::CloseThreadConnections();
    }
}

TEST_F(TdsTest, AValueTheDriverCannotCarryIsRefusedBeforeConnecting) {
    ConnectionText t;
    t.server = "127.0.0.1";
    t.database = "FIRMA_2024";
    t.user = "sa";
    t.password = "a};b";
    t.options["PORT"] = std::to_string(server_.Port());
    rt::sql::SetConnectionValues("refused", t);
    EXPECT_EQ(ConnectionFor("refused"), nullptr);
    EXPECT_EQ(rt::ErrorCode(), rt::kDriverError);
    EXPECT_EQ(rt::FileError(),
              "Cannot connect to 127.0.0.1 with the ODBC driver FreeTDS: the password holds \"};\", which the "
              "FreeTDS ODBC driver cannot carry.");
    EXPECT_TRUE(server_.Logins().empty());
}

// The driver's own trace shows where it connects: without a port or instance, to 1433. The
// driver opens its trace once per process, so the connection is tried in a child.
TEST_F(TdsTest, AServerWithoutPortOrInstanceIsReachedOnPort1433) {
    const fs::path dump = fs::temp_directory_path() / ("kv_tdsdump_" + std::to_string(::getpid()));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("TDSDUMP", dump.c_str(), 1);
        ConnectionFor("127.0.0.1,FIRMA_2024,sa,tajna");
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    std::stringstream log;
    log << std::ifstream(dump).rdbuf();
    fs::remove(dump);
    EXPECT_NE(log.str().find("Connecting to 127.0.0.1 port 1433"), std::string::npos) << log.str().substr(0, 3000);
    EXPECT_EQ(log.str().find("invalid port"), std::string::npos);
}

// The encryption option reaches the driver: asked to require encryption, it asks the
// server for it, and this server offers none, so the driver refuses to go on.
TEST_F(TdsTest, TheEncryptionOptionReachesTheDriver) {
    ASSERT_NE(ConnectionFor(Text()), nullptr) << rt::FileError();
    ASSERT_EQ(server_.Logins().size(), 1u);
    EXPECT_EQ(server_.Logins()[0].prelogin_encryption, 0);  // the driver's default: asked, not required
    rt::sql::CloseThreadConnections();

    EXPECT_EQ(ConnectionFor(Text() + ";Encrypt=yes"), nullptr);
    EXPECT_EQ(rt::ErrorCode(), rt::kDriverError);
    EXPECT_EQ(server_.Logins().size(), 1u);  // no login without encryption
}

TEST_F(TdsTest, ATrustedConnectionWithoutAKerberosTicketSaysWhatIsMissing) {
    const char* old = std::getenv("KRB5CCNAME");
    const std::string saved = old ? old : "";
    ::setenv("KRB5CCNAME", ("FILE:/nonexistent/kv_krb5cc_" + std::to_string(::getpid())).c_str(), 1);
    EXPECT_EQ(ConnectionFor("127.0.0.1,FIRMA_2024,,;TrustedConnection=True;Port=" + std::to_string(server_.Port())),
              nullptr);
    if (old)
        ::setenv("KRB5CCNAME", saved.c_str(), 1);
    else
        ::unsetenv("KRB5CCNAME");
    EXPECT_EQ(rt::ErrorCode(), rt::kDriverError);
    EXPECT_EQ(rt::FileError().rfind("A trusted connection signs in with the Kerberos ticket of a Windows domain "
                                    "user, and this workstation has none: sign in to the domain (kinit "
                                    "user@DOMAIN) and connect again.",
                                    0),
              0u)
        << rt::FileError();
    EXPECT_NE(rt::FileError().find("Adaptive Server connection failed"), std::string::npos) << rt::FileError();
}

}  // namespace
}  // namespace kvtest
