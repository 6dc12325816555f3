// The login with the choice of firm, on the embedded store and against a server that
// cannot be reached, driven as a user would.
#include <gtest/gtest.h>

#include <QPushButton>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <sys/inotify.h>
#include <unistd.h>

#include "data/access.h"
#include "data/globals.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/text.h"
#include "platform/files/flat/flat_file.h"
#include "platform/files/sql/connection.h"
#include "shell/login.h"
#include "tests/qt/test_login_fixture.h"

namespace fs = std::filesystem;
using namespace kvadrin;

namespace kvtest {
namespace {

class LoginGui : public LoginFixture {
protected:
    // Runs OtvoriSQL on its own thread; its response lands in `response`.
    void StartLogin() {
        thread_ = driver.Start([this] {
            OtvoriSQL();
            response = CallResponse;
            users_open = Files::USERS().IsOpen();
        });
    }
    // Waits until the firm login shows the firm it proposes (its last display of Setup).
    void WaitProposed(const std::string& firm) {
        driver.WaitForWindow("MSSQLLogMulti");
        try {
            driver.WaitUntil([&] { return driver.Text("MSSQLLogMulti", "?NAZIVFIRME") == firm; },
                             "the proposed firm " + firm);
        } catch (const rt::qt::DriverError& e) {
            ADD_FAILURE() << e.what() << ": shown \"" << driver.Text("MSSQLLogMulti", "?NAZIVFIRME") << "\"";
        }
    }
    std::atomic<int> response{-1};
    std::atomic<bool> users_open{false};
    int thread_ = 0;
};

TEST_F(LoginGui, FirmChosenFromTheSettingsConnectsToTheEmbeddedStore) {
    WriteFirms({Firm("Alfa", "(localdb)\\kv", "ALFA", "Alfa d.o.o."),
                Firm("Beta", "(LocalDB)\\kv", "BETA", "Beta a.d.", "SISTEM1")});
    WriteLoginIni("stari-server", "korisnik", "beta");
    MakeDatabase("BETA_2024");
    StartLogin();
    // The firm the settings name (found without regard to case) brings its server.
    WaitProposed("Beta");
    EXPECT_EQ(driver.Text("MSSQLLogMulti", "?GLO:SERVER"), "(LocalDB)\\kv");
    EXPECT_EQ(driver.Text("MSSQLLogMulti", "?GLO:NAME"), "korisnik");
    EXPECT_EQ(driver.Text("MSSQLLogMulti", "?MSBASE"), "BETA_2024");
    EXPECT_EQ(driver.Text("MSSQLLogMulti", "?RAD_GOD"), "2024");
    EXPECT_EQ(driver.Caption("MSSQLLogMulti"), "SQL Azure");
    driver.Type("MSSQLLogMulti", "?GLO:PASSWORD", "tajna");
    driver.Snapshot("MSSQLLogMulti", "login_multi.png");
    // Every rewrite of a file in the program folder is a rename onto its name.
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, program_.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE), 0);
    driver.Press("MSSQLLogMulti", "?OK");
    driver.WaitForThreads();
    std::map<std::string, int> written;
    alignas(inotify_event) char events[8192];
    for (ssize_t n; (n = ::read(watch, events, sizeof events)) > 0;)
        for (char* p = events; p < events + n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(p);
            if ((e->mask & IN_MOVED_TO) && e->len) ++written[e->name];
            p += sizeof(inotify_event) + e->len;
        }
    ::close(watch);
    EXPECT_EQ(written["LOGIN_TAVSQL.INI"], 1) << "the login settings written once";
    EXPECT_EQ(written["KVD.INI"], 1) << "the program's settings written once";

    EXPECT_EQ(response, RequestCompleted);
    EXPECT_TRUE(users_open) << "USERS stays open on the login's thread";
    EXPECT_EQ(rt::clip(OWNERFIRME.view()), "(LocalDB)\\kv,BETA_2024,,;TrustedConnection=True");
    EXPECT_EQ(rt::clip(MSBASE.view()), "BETA_2024");
    EXPECT_EQ(rt::clip(NAZIVFIRME.view()), "Beta a.d.");
    EXPECT_EQ(rt::clip(ADRESA.view()), "Adresa 2");
    EXPECT_EQ(rt::clip(MESTO.view()), "Mesto 3");
    EXPECT_EQ(rt::clip(ZIRORAC1.view()), "Racun 5");
    EXPECT_EQ(rt::clip(PIB.view()), "PIB 7");
    EXPECT_EQ(rt::clip(MATBROJ.view()), "MB 10");
    EXPECT_EQ(rt::clip(FIRMA_R15.view()), "SISTEM1");
    EXPECT_TRUE(fs::exists(localdb_ / "BETA_2024.sqlite"));

    // The settings keep the list name chosen and never the password.
    const std::string ini = Slurp(program_ / "LOGIN_TAVSQL.INI");
    EXPECT_NE(ini.find("[Server]\r\nServer=(LocalDB)\\kv"), std::string::npos) << ini;
    EXPECT_NE(ini.find("[Name]\r\nName=korisnik"), std::string::npos) << ini;
    EXPECT_NE(ini.find("[NazivFirme]\r\nNazivFirme=Beta"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("tajna"), std::string::npos) << ini;
    // A plain INI file: the three sections and nothing else.
    EXPECT_EQ(std::count(ini.begin(), ini.end(), '['), 3) << ini;
}

TEST_F(LoginGui, WithoutAFirmInTheSettingsTheFirstFirmAfterTheChoiceTextIsProposed) {
    struct Case {
        std::vector<std::string> firms;
        const char* shown;
        const char* server;
    };
    const Case cases[] = {
        {{"Alfa", "Zeta"}, "Zeta", "(localdb)\\Zeta"},
        {{"Alfa", "Beta"}, "Odaberi firmu !", ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> rows;
        for (const std::string& f : c.firms)
            rows.push_back(Firm(f.c_str(), ("(localdb)\\" + f).c_str(), f.c_str(), f.c_str()));
        WriteFirms(rows);
        fs::remove(program_ / "LOGIN_TAVSQL.INI");
        ResetProcessData();
        SetYear();
        StartLogin();
        WaitProposed(c.shown);
        EXPECT_EQ(driver.Text("MSSQLLogMulti", "?GLO:SERVER"), c.server);
        driver.Press("MSSQLLogMulti", "?CANCEL");
        driver.WaitForThreads();
        EXPECT_EQ(response, RequestCancelled);
        EXPECT_FALSE(users_open);
        EXPECT_FALSE(fs::exists(program_ / "LOGIN_TAVSQL.INI")) << "Cancel writes nothing";
    }
}

TEST_F(LoginGui, AFirmTheListDoesNotHoldCancelsTheLogin) {
    WriteFirms({Firm("Alfa", "(localdb)\\kv", "ALFA", "Alfa d.o.o."),
                Firm("Beta", "(localdb)\\kv", "BETA", "Beta a.d.")});
    WriteLoginIni("(localdb)\\kv", "korisnik", "");
    StartLogin();
    WaitProposed("Odaberi firmu !");
    driver.Press("MSSQLLogMulti", "?OK");
    // No caption: a blank title, as an empty one would show the program's name.
    EXPECT_EQ(MessageTitle(), " ");
    EXPECT_EQ(driver.Answer("OK"), "Izabrana firma nije registrovana !");
    driver.WaitForThreads();
    EXPECT_EQ(response, RequestCancelled);
    EXPECT_FALSE(users_open);
    EXPECT_EQ(rt::clip(OWNERFIRME.view()), "");
    EXPECT_FALSE(fs::exists(localdb_ / "ALFA_2024.sqlite"));
}

TEST_F(LoginGui, AServerThatCannotBeReachedEndsTheProcessAfterTwoBeeps) {
    ::setenv("KVADRIN_ODBC_DRIVER", "kvadrin-no-such-driver", 1);
    WriteFirms({Firm("Alfa", "db.example,1433", "ALFA", "Alfa d.o.o."),
                Firm("Beta", "(localdb)\\kv", "BETA", "Beta a.d.")});
    WriteLoginIni("", "", "Alfa");
    StartLogin();
    // The settings name the firm already; its server replaces the blank one they hold.
    driver.WaitForWindow("MSSQLLogMulti");
    driver.WaitUntil([&] { return driver.Text("MSSQLLogMulti", "?GLO:SERVER") == "db.example,1433"; },
                     "the firm's server");
    // A blank login name only beeps; the window stays.
    driver.Press("MSSQLLogMulti", "?OK");
    driver.WaitUntil([&] { return beeps() == 1; }, "the beep of a blank login name");
    EXPECT_NE(driver.Server().FindWindow("MSSQLLogMulti"), nullptr);

    driver.Type("MSSQLLogMulti", "?GLO:NAME", "sa");
    driver.Type("MSSQLLogMulti", "?GLO:PASSWORD", "p,w;x}");
    driver.Press("MSSQLLogMulti", "?OK");
    driver.WaitForWindow("OtvoriSQL");
    driver.WaitUntil([&] { return driver.MessageOpen(); }, "the message of the failed connection");
    EXPECT_EQ(rt::clip(driver.Text("OtvoriSQL", "?PRIKAZI")), "db.example,1433,ALFA_2024");
    driver.Snapshot("OtvoriSQL", "login_connecting.png");
    const std::string message = driver.Answer("OK");
    EXPECT_NE(message.find(" # "), std::string::npos) << message;
    driver.WaitForThreads();
    ::unsetenv("KVADRIN_ODBC_DRIVER");

    EXPECT_EQ(beeps(), 3) << "two beeps before the message";
    EXPECT_EQ(halted(), 1);
    EXPECT_EQ(exit_code(), 0);
    EXPECT_EQ(rt::clip(OWNERFIRME.view()), "db.example,1433,ALFA_2024,sa,p,w;x}");
    const rt::sql::ConnectionText values = LoginConnection();
    EXPECT_EQ(values.server, "db.example,1433");
    EXPECT_EQ(values.user, "sa");
    EXPECT_EQ(values.password, "p,w;x}");
    EXPECT_EQ(Slurp(program_ / "LOGIN_TAVSQL.INI").find("p,w"), std::string::npos);
}

// A firm name the list does not hold opens the firms list: a choice there brings its
// server and database; the list closed without a choice answers cancelled, which clears
// the server and returns to the firm entry.
TEST_F(LoginGui, AnUnknownFirmNameOpensTheFirmsList) {
    WriteFirms({Firm("Alfa", "(localdb)\\kv", "ALFA", "Alfa d.o.o."),
                Firm("Beta", "(localdb)\\drugi", "BETA", "Beta a.d.")});
    WriteLoginIni("(localdb)\\kv", "korisnik", "Alfa");
    StartLogin();
    WaitProposed("Alfa");
    driver.Type("MSSQLLogMulti", "?NAZIVFIRME", "Bet");
    driver.WaitForWindow("BrowseMBase");
    driver.WaitUntil([&] { return driver.Cell("BrowseMBase", "?BROWSE:1", 2, 1) == "Beta"; },
                     "the firms listed");
    driver.DoubleClickRow("BrowseMBase", "?BROWSE:1", 2);
    driver.WaitUntil([&] { return driver.Text("MSSQLLogMulti", "?MSBASE") == "BETA_2024"; },
                     "the firm chosen");
    EXPECT_EQ(driver.Text("MSSQLLogMulti", "?NAZIVFIRME"), "Beta");
    EXPECT_EQ(driver.Text("MSSQLLogMulti", "?GLO:SERVER"), "(localdb)\\drugi");

    driver.Type("MSSQLLogMulti", "?NAZIVFIRME", "Nepoznata");
    driver.WaitForWindow("BrowseMBase");
    rt::ui::rtl_post(rt::ui::Event::CloseWindow, 0, thread_);  // the list's close box
    driver.WaitClosed("BrowseMBase");
    driver.WaitUntil([&] { return driver.Text("MSSQLLogMulti", "?GLO:SERVER") == ""; }, "the server cleared");
    driver.WaitUntil([&] { return driver.Focused("MSSQLLogMulti") == "?NAZIVFIRME"; },
                     "the focus on the firm entry");
    EXPECT_FALSE(driver.MessageOpen());
    driver.Press("MSSQLLogMulti", "?CANCEL");
    driver.WaitForThreads();
    EXPECT_EQ(response, RequestCancelled);
}

// A "Sistem:" line whose 7th character is "L" keeps the login settings in the per-user
// configuration folder, for reading and for writing.
TEST_F(LoginGui, TheSystemLineMovesTheSettingsToTheUsersConfiguration) {
    const fs::path config = root_ / "config";
    fs::create_directories(config / "kvadrin");
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    WriteFirms({Firm("Alfa", "(localdb)\\kv", "ALFA", "Alfa d.o.o."),
                Firm("Beta", "(localdb)\\kv", "BETA", "Beta a.d.")});
    WriteLoginIni("(localdb)\\kv", "u-programu", "Alfa");
    WriteLoginIni("(localdb)\\kv", "u-konfiguraciji", "Beta", config / "kvadrin" / "LOGIN_TAVSQL.INI");
    FIRMA_R15 = "SISTEML";
    MakeDatabase("BETA_2024");
    StartLogin();
    WaitProposed("Beta");
    EXPECT_EQ(driver.Text("MSSQLLogMulti", "?GLO:NAME"), "u-konfiguraciji");
    driver.Type("MSSQLLogMulti", "?GLO:NAME", "drugi");
    driver.Press("MSSQLLogMulti", "?OK");
    driver.WaitForThreads();
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(response, RequestCompleted);
    EXPECT_NE(Slurp(config / "kvadrin" / "LOGIN_TAVSQL.INI").find("Name=drugi"), std::string::npos);
    EXPECT_NE(Slurp(program_ / "LOGIN_TAVSQL.INI").find("Name=u-programu"), std::string::npos);
    // Beta's own "Sistem:" line is blank: from now on the program folder's copy counts.
    EXPECT_EQ(LoginIniFile(), ".\\LOGIN_TAVSQL.INI");
}

// With a firm name already set, the single-firm login runs: the database is named after
// the firm folder and the settings keep no firm name.
TEST_F(LoginGui, TheSingleFirmLoginNamesTheDatabaseAfterTheFirmFolder) {
    WriteLoginIni("(localdb)\\kv", "korisnik", "Alfa");
    NAZIVFIRME = "Neka firma";
    MakeDatabase("FIRMA_2024");
    StartLogin();
    driver.WaitForWindow("MSSQLLogin");
    driver.WaitUntil([&] { return driver.Text("MSSQLLogin", "?MSBASE") == "FIRMA_2024"; },
                     "the database name");
    EXPECT_EQ(driver.Text("MSSQLLogin", "?GLO:SERVER"), "(localdb)\\kv");
    driver.Snapshot("MSSQLLogin", "login_single.png");
    driver.Press("MSSQLLogin", "?OK");
    driver.WaitForThreads();
    EXPECT_EQ(response, RequestCompleted);
    EXPECT_TRUE(users_open);
    EXPECT_EQ(rt::clip(OWNERFIRME.view()), "(localdb)\\kv,FIRMA_2024,,;TrustedConnection=True");
    EXPECT_EQ(rt::clip(NAZIVFIRME.view()), "Neka firma");
    EXPECT_TRUE(fs::exists(localdb_ / "FIRMA_2024.sqlite"));
    const std::string ini = Slurp(program_ / "LOGIN_TAVSQL.INI");
    EXPECT_NE(ini.find("NazivFirme=Alfa"), std::string::npos) << "the firm name is left as it was: " << ini;
}

// The firm's database is found whatever the case of its folder's name, as the server's
// names ignore case: the folder "demo" opens DEMO_2024, and no second database is made.
TEST_F(LoginGui, TheFirmsDatabaseIsFoundWhateverTheCaseOfItsFolder) {
    WriteFirms({Firm("Demo", "(localdb)\\kv", "demo", "Stambena zajednica Demo")});
    WriteLoginIni("(localdb)\\kv", "korisnik", "Demo");
    MakeDatabase("DEMO_2024");
    {
        auto made = rt::sql::OpenSqliteFile((localdb_ / "DEMO_2024.sqlite").string(), true);
        ASSERT_TRUE(made && made->Execute("CREATE TABLE OZNAKA(X INTEGER)"));
    }
    StartLogin();
    WaitProposed("Demo");
    driver.WaitUntil([&] { return driver.Text("MSSQLLogMulti", "?MSBASE") == "demo_2024"; },
                     "the database named");
    driver.Press("MSSQLLogMulti", "?OK");
    driver.WaitForThreads();
    EXPECT_EQ(response, RequestCompleted);
    EXPECT_TRUE(users_open);
    EXPECT_EQ(beeps(), 0);
    EXPECT_EQ(halted(), 0);
    for (const auto& e : fs::directory_iterator(localdb_))
        EXPECT_EQ(e.path().filename().string().rfind("DEMO_2024.sqlite", 0), 0u) << e.path();
    // The connection is the existing database's: its table is there.
    auto conn = rt::sql::ConnectionFor(OWNERFIRME.view());
    ASSERT_NE(conn, nullptr) << rt::FileError();
    EXPECT_NE(conn->Prepare("SELECT COUNT(*) FROM OZNAKA"), nullptr) << conn->ErrorText();
    rt::sql::CloseThreadConnections();
}

// A database that does not exist (a new firm or year, or a mistyped folder) is made only
// when the user says so; nothing is made before the answer, and any other answer is the
// failed connection: two beeps, the message, the end.
TEST_F(LoginGui, ADatabaseThatDoesNotExistIsMadeOnlyWhenTheUserSaysSo) {
    enum class Answer { Yes, No, Closed };
    const Answer answers[] = {Answer::No, Answer::Closed, Answer::Yes};
    for (Answer answer : answers) {
        SCOPED_TRACE(static_cast<int>(answer));
        fs::remove_all(localdb_);
        ResetProcessData();
        SetYear();
        const int beeps_before = beeps(), halts_before = halted();
        WriteFirms({Firm("Dz", "(localdb)\\kv", "dz1", "Dz d.o.o.")});
        WriteLoginIni("(localdb)\\kv", "korisnik", "Dz");
        StartLogin();
        WaitProposed("Dz");
        driver.Press("MSSQLLogMulti", "?OK");
        EXPECT_EQ(MessageTitle(), "Nova baza podataka");
        QMessageBox* box = driver.Server().Messages().front().box;
        ASSERT_NE(box->defaultButton(), nullptr);
        EXPECT_EQ(box->defaultButton()->text().toStdString(), "&Ne") << "the default answer is no";
        EXPECT_FALSE(fs::exists(localdb_)) << "nothing is made before the answer";
        std::string question;
        if (answer == Answer::Closed) {
            question = box->text().toStdString();
            box->reject();
        } else {
            question = driver.Answer(answer == Answer::Yes ? "Da" : "Ne");
        }
        EXPECT_NE(question.find("dz1_2024"), std::string::npos) << question;
        EXPECT_NE(question.find(localdb_.string()), std::string::npos) << question;
        if (answer == Answer::Yes) {
            driver.WaitForThreads();
            EXPECT_EQ(response, RequestCompleted);
            EXPECT_TRUE(users_open);
            EXPECT_TRUE(fs::exists(localdb_ / "dz1_2024.sqlite"));
            EXPECT_EQ(beeps(), beeps_before);
        } else {
            const std::string failure = driver.Answer("OK");
            EXPECT_NE(failure.find("dz1_2024"), std::string::npos) << failure;
            EXPECT_NE(failure.find(" # "), std::string::npos) << failure;
            driver.WaitForThreads();
            EXPECT_EQ(beeps(), beeps_before + 2) << "two beeps before the message";
            EXPECT_EQ(halted(), halts_before + 1);
            EXPECT_FALSE(users_open);
            EXPECT_FALSE(fs::exists(localdb_ / "dz1_2024.sqlite"));
        }
    }
}

}  // namespace
}  // namespace kvtest
