// The update check, as the user meets it: the release notes, the questions with their
// default answers, the log row of an accepted update and the start of the updater; the
// version list is a database of the embedded store.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/globals.h"
#include "data/tables.h"
#include "platform/core/datetime.h"
#include "shell/housekeeping.h"
#include "shell/login.h"
#include "tests/driver/store_fixture.h"
#include "winint/services.h"

using namespace kvadrin;

namespace kvtest {
namespace {

std::atomic<int> g_halts{0};
std::atomic<int> g_exit_code{-1};

struct Version {
    const char* program;
    const char* version;
    const char* notes;  // RTF
};

class ProveraGui : public StoreTest {
protected:
    void SetUp() override {
        SetUpStore("FIRMA_2024");
        OWNERVERZIJE = "(localdb)\\test,VERZIJE,,;TrustedConnection=True";
        ASSERT_TRUE(rt::sql::CreateEmbeddedDatabase(OWNERVERZIJE.view())) << rt::FileError();
        VERZIJA = "1.0.2";
        NAZIVFIRME = "Stambena zajednica";
        marker_ = dir_ / "updater-started";
        const std::filesystem::path updater = dir_ / "updater.sh";
        std::ofstream(updater) << "#!/bin/sh\necho started > '" << marker_.string() << "'\n";
        std::filesystem::permissions(updater, std::filesystem::perms::owner_all);
        ::setenv("KVADRIN_UPDATER", updater.c_str(), 1);
        if (const char* user = std::getenv("USER")) user_ = user;
        g_halts = 0;
        g_exit_code = -1;
        saved_halt_ = HaltProcess;
        HaltProcess = [](int code) {
            ++g_halts;
            g_exit_code = code;
        };
    }
    void TearDown() override {
        // An updater that was started writes into the test's folder: the folder goes only
        // after it has, or its removal would race with the child's write.
        if (g_halts > 0) driver.WaitUntil([&] { return UpdaterStarted(); }, "the updater started");
        StoreTest::TearDown();
        HaltProcess = saved_halt_;
        ::unsetenv("KVADRIN_UPDATER");
        if (user_.empty())
            ::unsetenv("USER");
        else
            ::setenv("USER", user_.c_str(), 1);
        OWNERVERZIJE = "";
        VERZIJA = "";
        NAZIVFIRME = "";
    }

    void Publish(const std::vector<Version>& versions) {
        OnThread([&] {
            rt::File& lver = Files::LVER();
            ASSERT_EQ(lver.Open(), rt::kNoError) << rt::FileError();
            for (const Version& v : versions) {
                lver.Clear();
                LVE.SH_PROG = v.program;
                LVE.VERZIJA = v.version;
                LVE.OPIS = rt::utf8_to_cp1250(v.notes);
                ASSERT_EQ(lver.Add(), rt::kNoError) << rt::FileError();
            }
            lver.Close();
        });
    }
    // The rows of the log of updates: name, program, old version, whether dated today.
    std::vector<std::string> Log() {
        std::vector<std::string> rows;
        OnThread([&] {
            rt::File& lverx = Files::LVERX();
            if (lverx.Open() != rt::kNoError) return;
            lverx.SetPhysical();
            while (lverx.Next() == rt::kNoError)
                rows.push_back(LVEX.COMP_NAME.str() + "|" + LVEX.SH_PROG.str() + "|" + LVEX.STARA.str() +
                               "|" + (LVEX.DATUM == rt::today() && LVEX.VREME > 0 ? "today" : "?"));
            lverx.Close();
        });
        return rows;
    }
    // The notes window: its text, then OK.
    std::string Notes() {
        driver.WaitForWindow("PokaziVer");
        EXPECT_EQ(driver.Caption("PokaziVer"), "AKTUELNE PROMENE");
        driver.WaitUntil([&] { return !driver.Text("PokaziVer", "?LVE:OPIS").empty(); }, "the notes shown");
        const std::string text = driver.Text("PokaziVer", "?LVE:OPIS");
        driver.Snapshot("PokaziVer", "pokazi_ver.png");
        driver.Press("PokaziVer", "?OK");
        driver.WaitClosed("PokaziVer");
        return text;
    }
    // The open question's default button.
    std::string DefaultButton() {
        driver.WaitUntil([&] { return driver.MessageOpen(); }, "the question");
        QMessageBox* box = driver.Server().Messages().front().box;
        return box->defaultButton() ? box->defaultButton()->text().toStdString() : "";
    }
    bool UpdaterStarted() { return std::filesystem::exists(marker_); }

    std::filesystem::path marker_;
    std::string user_;
    void (*saved_halt_)(int) = nullptr;
};

TEST_F(ProveraGui, AListHoldingTheRunningVersionAnswersThatTheProgramIsCurrent) {
    Publish({{"kvadrin", "1.0.2", "{\\rtf1\\ansi\\ansicpg1250 Ispravljen obra\\'e8un grejanja.}"},
             {"kvadrin", "1.0.3", "{\\rtf1\\ansi Nova verzija.}"}});
    driver.Start([] { ProveraVerzije(); });
    EXPECT_EQ(Notes(), "Ispravljen obračun grejanja.");
    EXPECT_EQ(driver.Answer("OK"), "Vaš program je ažuran. Koristite poslednju verziju programa.");
    EXPECT_EQ(DefaultButton(), "Ne");
    EXPECT_EQ(MessageTitle(), "Ažuriranje programa");
    EXPECT_EQ(driver.Answer("Ne"), "Želite li preuzeti poslednju verziju programa ?");
    driver.WaitForThreads();
    EXPECT_TRUE(Log().empty());
    EXPECT_EQ(g_halts, 0);
    EXPECT_FALSE(UpdaterStarted());

    // "Da" starts the updater and ends the program, without a log row.
    driver.Start([] { ProveraVerzije(); });
    Notes();
    driver.Answer("OK");
    driver.Answer("Da");
    driver.WaitForThreads();
    driver.WaitUntil([&] { return UpdaterStarted(); }, "the updater started");
    EXPECT_EQ(g_halts, 1);
    EXPECT_EQ(g_exit_code, 0);
    EXPECT_TRUE(Log().empty());
}

// Without the running version in the list the update is offered with "Da" as default,
// after the notes of the next version of this program when there is one.
TEST_F(ProveraGui, WithoutTheRunningVersionTheUpdateIsOfferedAndItsAcceptanceLogged) {
    const struct {
        std::vector<Version> list;
        const char* notes;  // "" when no notes are shown
    } cases[] = {
        {{{"kvadrin", "1.0.1", "{\\rtf1 Stara.}"}, {"kvadrin", "1.0.3", "{\\rtf1 Dodat \\b QR\\b0  kod.}"}},
         "Dodat QR kod."},
        {{{"palvin", "2.0.0", "{\\rtf1 Drugi program.}"}}, ""},
        {{}, ""},
    };
    const std::string firm_name = rt::clip(wl_GetUserName()) + "-" + rt::clip(wl_GetWorkstationName()) + "-";
    int accepted = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.notes);
        OnThread([] {
            for (rt::File* f : {&Files::LVER(), &Files::LVERX()}) {
                f->Open();
                f->SendSql(std::string("DELETE FROM ") + f->Name());
                f->Close();
            }
        });
        Publish(c.list);
        std::filesystem::remove(marker_);
        driver.Start([] { ProveraVerzije(); });
        if (*c.notes) { EXPECT_EQ(Notes(), c.notes); }
        EXPECT_EQ(DefaultButton(), "Da");
        EXPECT_EQ(MessageTitle(), "Ažuriranje programa");
        EXPECT_FALSE(driver.Server().FindWindow("PokaziVer"));
        driver.Answer("Da");
        driver.WaitForThreads();
        ++accepted;
        driver.WaitUntil([&] { return UpdaterStarted(); }, "the updater started");
        EXPECT_EQ(g_halts, accepted);
        const std::string expected = (firm_name + "Stambena zajednica").substr(0, 39);
        EXPECT_EQ(Log(), std::vector<std::string>{expected + "|kvadrin|1.0.2|today"});
    }

    // "Ne" logs nothing.
    driver.Start([] { ProveraVerzije(); });
    driver.Answer("Ne");
    driver.WaitForThreads();
    EXPECT_EQ(Log().size(), 1u);
    EXPECT_EQ(g_halts, accepted);
}

TEST_F(ProveraGui, ALongUserAndComputerNamePushTheFirmOutOfTheLogRow) {
    ::setenv("USER", "administrator.racunovodstva", 1);
    const std::string name = "administrator.racunovodstva-" + rt::clip(wl_GetWorkstationName()) + "-";
    ASSERT_LT(name.size(), 39u) << "the computer's name alone is long enough";
    driver.Start([] { ProveraVerzije(); });
    driver.Answer("Da");
    driver.WaitForThreads();
    driver.WaitUntil([&] { return UpdaterStarted(); }, "the updater started");
    const std::vector<std::string> log = Log();
    ASSERT_EQ(log.size(), 1u);
    const std::string stored = log[0].substr(0, log[0].find('|'));
    EXPECT_EQ(stored, (name + "Stambena zajednica").substr(0, 39));
    EXPECT_EQ(stored.size(), 39u);
}

// The version list out of reach: the question is asked all the same; an updater that
// cannot be started is reported and the program goes on.
TEST_F(ProveraGui, AnUnreachableVersionListStillOffersTheUpdateAndAFailedStartIsReported) {
    OWNERVERZIJE = "(localdb)\\test,nema/baze,,;TrustedConnection=True";
    ::setenv("KVADRIN_UPDATER", (dir_ / "nema-programa").c_str(), 1);
    driver.Start([] { ProveraVerzije(); });
    EXPECT_EQ(DefaultButton(), "No");
    EXPECT_EQ(MessageTitle(), "AŽURIRANJE PROGRAMA");
    EXPECT_EQ(driver.Answer("Yes"), "Želite li preuzeti poslednju verziju programa ?");
    const std::string text = driver.Answer("OK");
    EXPECT_EQ(text.rfind("Program za ažuriranje nije pokrenut:\n" + (dir_ / "nema-programa").string(), 0), 0u)
        << text;
    driver.WaitForThreads();
    EXPECT_EQ(g_halts, 0);
}

}  // namespace
}  // namespace kvtest
