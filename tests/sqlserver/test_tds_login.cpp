// The login over the real FreeTDS driver: what the connection text becomes on the wire.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/files/file.h"
#include "platform/files/sql/connection.h"
#include "tests/sqlserver/tds_fixture.h"

namespace kvtest {
namespace {

namespace fs = std::filesystem;
using rt::sql::ConnectionFor;
using rt::sql::ConnectionText;

struct LoginCase {
    const char* user;  // CP1250, as the login's entries hold them
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
        {"sa",
         "{po}\xE8"
         "etak",
         "FIRMA_2024", "sa",
         "{po}\xC4\x8D"
         "etak",
         "FIRMA_2024"},
        {"sa", "a;b}", "FIRMA_2024", "sa", "a;b}", "FIRMA_2024"},
        {"sa", "}}", "FIRMA_2024", "sa", "}}", "FIRMA_2024"},
        {" sa ", " razmak ", "FIRMA 2024", " sa ", " razmak ", "FIRMA 2024"},
        {"sa", "=;=,=", "FIRMA_2024", "sa", "=;=,=", "FIRMA_2024"},
        {"\xC8"
         "ika",
         "\x8A"
         "ifra\xF0"
         "\x9E",
         "BLOK_\x8E_2024",
         "\xC4\x8C"
         "ika",
         "\xC5\xA0"
         "ifra\xC4\x91\xC5\xBE",
         "BLOK_\xC5\xBD_2024"},
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
    EXPECT_EQ(
        rt::FileError(),
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
    EXPECT_NE(log.str().find("Connecting to 127.0.0.1 port 1433"), std::string::npos)
        << log.str().substr(0, 3000);
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

// An environment variable set for one scope, restored after it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A credential cache file as the Kerberos libraries write it (version 4, big-endian): the
// default principal user@EXAMPLE.ORG and one credential per end time given; a server named
// X-CACHECONF: makes a configuration entry rather than a ticket.
std::string CacheFile(const std::vector<std::pair<std::string, std::int64_t>>& credentials) {
    std::string b = {5, 4, 0, 0};
    auto u8 = [&](unsigned v) { b += static_cast<char>(v & 0xFF); };
    auto u16 = [&](unsigned v) { u8(v >> 8), u8(v); };
    auto u32 = [&](std::uint32_t v) { u16(v >> 16), u16(v & 0xFFFF); };
    auto text = [&](const std::string& t) { u32(static_cast<std::uint32_t>(t.size())), b += t; };
    auto principal = [&](const std::string& realm, std::vector<std::string> names) {
        u32(1);
        u32(static_cast<std::uint32_t>(names.size()));
        text(realm);
        for (auto& n : names) text(n);
    };
    principal("EXAMPLE.ORG", {"user"});
    const auto now = static_cast<std::uint32_t>(std::time(nullptr));
    for (const auto& [server_realm, end] : credentials) {
        principal("EXAMPLE.ORG", {"user"});
        principal(server_realm, {"krbtgt", "EXAMPLE.ORG"});
        u16(18);
        text(std::string(32, 'k'));
        u32(now - 60), u32(now - 60), u32(static_cast<std::uint32_t>(end)),
            u32(static_cast<std::uint32_t>(end));
        u8(0);
        u32(0x40e10000);
        u32(0), u32(0);
        text(std::string(40, 't'));
        text("");
    }
    return b;
}

// A trusted connection that fails says what the workstation lacks for it: no ticket cache,
// a cache that is not a file, a cache without a valid ticket; trust asked for by the text
// or by $KVADRIN_ODBC_OPTIONS. With a valid ticket the driver's own error stands alone.
TEST_F(TdsTest, ATrustedConnectionWithoutAValidKerberosTicketSaysWhatIsMissing) {
    char dir_template[] = "/tmp/kv_krb5XXXXXX";
    ASSERT_NE(::mkdtemp(dir_template), nullptr);
    const fs::path dir = dir_template;
    const auto now = static_cast<std::int64_t>(std::time(nullptr));
    auto write = [&](const char* name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return (dir / name).string();
    };
    const std::string expired =
        write("expired", CacheFile({{"EXAMPLE.ORG", now - 3600}, {"X-CACHECONF:", now + 3600}}));
    const std::string damaged = write("damaged", "not a credential cache");
    const std::string valid =
        write("valid", CacheFile({{"EXAMPLE.ORG", now - 3600}, {"EXAMPLE.ORG", now + 3600}}));
    fs::create_directory(dir / "folder");
    const std::string folder = (dir / "folder").string();
    const std::string head =
        "A trusted connection signs in with the Kerberos ticket of a Windows domain user, and ";
    const std::string tail = ": sign in to the domain (kinit user@DOMAIN) and connect again. (";
    const std::string trusted =
        "127.0.0.1,FIRMA_2024,,;TrustedConnection=True;Port=" + std::to_string(server_.Port());
    const std::string plain = "127.0.0.1,FIRMA_2024,,;Port=" + std::to_string(server_.Port());
    struct Case {
        std::string cache, text, options, message;  // message "": the driver's error alone
    };
    const Case cases[] = {
        {"FILE:" + (dir / "none").string(), trusted, "", head + "this workstation has none" + tail},
        {(dir / "none").string(), plain, "TrustedConnection=yes", head + "this workstation has none" + tail},
        {"FILE:" + folder, trusted, "", head + "its ticket cache " + folder + " is not a file" + tail},
        {"FILE:" + expired, trusted, "",
         head + "its ticket cache " + expired + " holds no valid ticket (expired, or none)" + tail},
        {damaged, plain, "TrustedConnection=1",
         head + "its ticket cache " + damaged + " holds no valid ticket (expired, or none)" + tail},
        {"FILE:" + valid, trusted, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cache + " " + c.options);
        {
            ScopedEnv cache("KRB5CCNAME", c.cache);
            std::optional<ScopedEnv> options;
            if (!c.options.empty()) options.emplace("KVADRIN_ODBC_OPTIONS", c.options);
            EXPECT_EQ(ConnectionFor(c.text), nullptr);
        }
        EXPECT_EQ(rt::ErrorCode(), rt::kDriverError);
        const std::string error = rt::FileError();
        if (c.message.empty())
            EXPECT_EQ(error.find("A trusted connection"), std::string::npos) << error;
        else
            EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
        EXPECT_NE(error.find("Adaptive Server connection failed"), std::string::npos) << error;
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace kvtest
