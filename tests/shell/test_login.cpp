// The login's connection text, the connection values it hands to the SQL layer, and the
// choice of the login settings file.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <cstdlib>
#include <filesystem>

#include <unistd.h>

#include "data/globals.h"
#include "platform/core/ini.h"
#include "platform/core/text.h"
#include "platform/files/file.h"
#include "platform/files/sql/connection.h"
#include "shell/login.h"
#include "tests/temp_folder.h"

using namespace kvadrin;

namespace {

struct OwnerCase {
    const char* server;
    const char* name;
    const char* password;
    const char* owner;
};

class LoginText : public ::testing::Test {
protected:
    void SetUp() override { ResetProcessData(); }
    void Login(const char* server, const char* name, const char* password, const char* base) {
        GLO.SERVER = server;
        GLO.NAME = name;
        GLO.PASSWORD = password;
        MSBASE = base;
        SetOwnerFirme();
    }
};

TEST_F(LoginText, OwnerFirmeTakesTheTrustedFormForAnEmbeddedServerInAnyCase) {
    const OwnerCase cases[] = {
        {"(localdb)\\kv", "sa", "tajna", "(localdb)\\kv,FIRMA_2024,,;TrustedConnection=True"},
        {"(LocalDB)\\MSSQLLocalDB", "", "", "(LocalDB)\\MSSQLLocalDB,FIRMA_2024,,;TrustedConnection=True"},
        {"SERVER1", "sa", "tajna", "SERVER1,FIRMA_2024,sa,tajna"},
        {"SERVER1\\SQLEXPRESS", "korisnik", "", "SERVER1\\SQLEXPRESS,FIRMA_2024,korisnik,"},
        {"(localdb", "sa", "x", "(localdb,FIRMA_2024,sa,x"},  // eight characters: not embedded
    };
    for (const OwnerCase& c : cases) {
        Login(c.server, c.name, c.password, "FIRMA_2024");
        EXPECT_EQ(rt::clip(OWNERFIRME.view()), c.owner) << c.server;
    }
}

TEST_F(LoginText, OwnerFirmeIsCutToItsWidth) {
    const std::string server(35, 'S'), base(35, 'B'), name(35, 'N'), password(35, 'P');
    Login(server.c_str(), name.c_str(), password.c_str(), base.c_str());
    const std::string full = server + "," + base + "," + name + "," + password;
    EXPECT_EQ(std::string(OWNERFIRME.view()), full.substr(0, 140));
    // The connection still has the whole password.
    EXPECT_EQ(LoginConnection().password, password);
}

// Values with "," or ";" do not survive the comma-separated text; the connection the SQL
// layer builds from the login keeps them whole, braced in the ODBC string.
TEST_F(LoginText, ValuesWithSeparatorsReachTheOdbcStringWhole) {
    struct Case {
        const char* server;
        const char* name;
        const char* password;
        const char* odbc;
        bool text_carries;  // the comma-separated text alone would reach the same values
    };
    const Case cases[] = {
        {"db.example,1433", "sa", "tajna",
         "DRIVER={FreeTDS};SERVER=db.example;Port=1433;DATABASE=FIRMA_2024;UID=sa;PWD=tajna;APP=kvadrin;"
         "ClientCharset=UTF-8;",
         false},
        {"SERVER1", "ime,prezime", "a;b=c",
         "DRIVER={FreeTDS};SERVER=SERVER1;Port=1433;DATABASE=FIRMA_2024;UID=ime,prezime;PWD={a;b=c};"
         "APP=kvadrin;ClientCharset=UTF-8;",
         false},
        {"SERVER1", "sa", "x}y,z",
         "DRIVER={FreeTDS};SERVER=SERVER1;Port=1433;DATABASE=FIRMA_2024;UID=sa;PWD=x}y,z;APP=kvadrin;"
         "ClientCharset=UTF-8;",
         true},
    };
    for (const Case& c : cases) {
        Login(c.server, c.name, c.password, "FIRMA_2024");
        const auto odbc = rt::sql::OdbcConnectionString(LoginConnection(), "FreeTDS");
        ASSERT_TRUE(odbc.has_value()) << c.server;
        EXPECT_EQ(*odbc, c.odbc) << c.server;
        // Parsing the text alone splits a value holding "," or ";" at the wrong place.
        const auto parsed = rt::sql::ParseConnectionText(OWNERFIRME.view());
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(rt::sql::OdbcConnectionString(*parsed, "FreeTDS") == odbc, c.text_carries) << c.server;
    }
}

// The SQL layer connects with the login's values for the text: an embedded server whose
// name holds a comma reaches its own store file.
TEST_F(LoginText, TheSqlLayerConnectsWithTheLoginValues) {
    const std::filesystem::path dir = kvtest::FreshFolder("login_values");
    ::setenv("KVADRIN_LOCALDB", dir.c_str(), 1);
    Login("(localdb)\\a,b", "", "", "FIRMA_2024");
    ASSERT_TRUE(rt::sql::CreateEmbeddedDatabase(OWNERFIRME.view())) << rt::FileError();
    auto conn = rt::sql::ConnectionFor(OWNERFIRME.view());
    ASSERT_NE(conn, nullptr) << rt::FileError();
    EXPECT_EQ(conn->Database(), "FIRMA_2024");
    EXPECT_TRUE(std::filesystem::exists(dir / "FIRMA_2024.sqlite"));
    conn.reset();
    rt::sql::CloseThreadConnections();
    ::unsetenv("KVADRIN_LOCALDB");
    std::filesystem::remove_all(dir);
}

// A firm named with Serbian letters has its embedded store under that name on disk; a
// store made before under the text's own bytes is still found.
TEST_F(LoginText, AFirmNamedWithSerbianLettersHasItsStoreUnderItsNameOnDisk) {
    char made[] = "/tmp/kv_localdb_XXXXXX";
    ASSERT_NE(::mkdtemp(made), nullptr);
    const std::filesystem::path dir(made);
    ::setenv("KVADRIN_LOCALDB", made, 1);
    const std::string firm = rt::utf8_to_cp1250("ČAČAK_2024"), older = rt::utf8_to_cp1250("ŠABAC_2024");
    for (const std::string& name : {firm, older}) {
        Login("(localdb)\\kancelarija", "", "", name.c_str());
        ASSERT_TRUE(rt::sql::CreateEmbeddedDatabase(OWNERFIRME.view())) << rt::FileError();
        auto conn = rt::sql::ConnectionFor(OWNERFIRME.view());
        ASSERT_NE(conn, nullptr) << rt::FileError();
        EXPECT_EQ(conn->Database(), name);
        ASSERT_TRUE(conn->Execute("CREATE TABLE T (A INTEGER)"));
        conn.reset();
        rt::sql::CloseThreadConnections();
        if (name == older)  // as it stood before: named by the text's bytes
            std::filesystem::rename(dir / "ŠABAC_2024.sqlite", dir / (older + ".sqlite"));
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "ČAČAK_2024.sqlite"));
    Login("(localdb)\\kancelarija", "", "", older.c_str());
    auto conn = rt::sql::ConnectionFor(OWNERFIRME.view());
    ASSERT_NE(conn, nullptr) << rt::FileError();
    EXPECT_FALSE(conn->Execute("CREATE TABLE T (A INTEGER)"));  // the older store, with its table
    EXPECT_FALSE(std::filesystem::exists(dir / "ŠABAC_2024.sqlite"));
    conn.reset();
    rt::sql::CloseThreadConnections();
    ::unsetenv("KVADRIN_LOCALDB");
    std::filesystem::remove_all(dir);
}

TEST_F(LoginText, TheSeventhCharacterOfTheSystemLineChoosesTheSettingsFile) {
    ::setenv("XDG_CONFIG_HOME", "/tmp/kv_xdg", 1);
    const std::pair<const char*, const char*> cases[] = {
        {"", ".\\LOGIN_TAVSQL.INI"},
        {"SISTEM Lokal", ".\\LOGIN_TAVSQL.INI"},
        {"SISTEML", "/tmp/kv_xdg/kvadrin/LOGIN_TAVSQL.INI"},
        {"abcdefl", "/tmp/kv_xdg/kvadrin/LOGIN_TAVSQL.INI"},
        {"abcdefX", ".\\LOGIN_TAVSQL.INI"},
    };
    for (auto [line, file] : cases) {
        FIRMA_R15 = line;
        EXPECT_EQ(LoginIniFile(), file) << line;
    }
    ::unsetenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    FIRMA_R15 = "SISTEML";
    EXPECT_EQ(LoginIniFile(), std::string(home) + "/.config/kvadrin/LOGIN_TAVSQL.INI");
}

// A settings folder named with Serbian letters (from the environment, a name on disk) is
// written and read where it is.
TEST_F(LoginText, ASettingsFolderNamedWithSerbianLettersIsWrittenAndReadWhereItIs) {
    char made[] = "/tmp/kv_xdg_XXXXXX";
    ASSERT_NE(::mkdtemp(made), nullptr);
    const std::filesystem::path config = std::filesystem::path(made) / "Đorđe Čačak";
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    FIRMA_R15 = "SISTEML";
    std::filesystem::create_directories(config / "kvadrin");
    {
        rt::IniManager ini;
        ini.Init(LoginIniFile(), false);
        EXPECT_TRUE(ini.Update("Name", "Name", rt::utf8_to_cp1250("Đorđe")));
        ini.Kill();
    }
    EXPECT_TRUE(std::filesystem::exists(config / "kvadrin" / "LOGIN_TAVSQL.INI"));
    rt::IniManager ini;
    ini.Init(LoginIniFile(), false);
    EXPECT_EQ(rt::cp1250_to_utf8(ini.Fetch("Name", "Name")), "Đorđe");
    ini.Kill();
    ::unsetenv("XDG_CONFIG_HOME");
    FIRMA_R15 = "";
    std::filesystem::remove_all(made);
}

}  // namespace
