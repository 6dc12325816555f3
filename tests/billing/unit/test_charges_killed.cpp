// A creation killed half-way, in a process of its own: the firm's tables hold afterwards
// exactly what they held before it started, and the next creation goes through.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "data/dictionary.h"
#include "data/globals.h"
#include "data/program_objects.h"
#include "data/thread_data.h"
#include "platform/files/sql/connection.h"
#include "tests/billing/unit/billing_fixture.h"

namespace {

// Kills its own process at the n-th step of one bar.
class KillingProgress : public kvadrin::ChargeProgress {
public:
    KillingProgress(int bar, long at) : bar_(bar), at_(at) {}
    void Advance(int bar) override {
        if (bar == bar_ && ++seen_ == at_) ::kill(::getpid(), SIGKILL);
    }

private:
    int bar_;
    long at_, seen_ = 0;
};

// The child: run by the test below in a process of its own, with the firm's folder and
// the kill point in the environment; skipped when run on its own.
TEST(ChargesChild, CreatesUntilKilled) {
    const char* folder = std::getenv("KV_KILL_FIRM");
    const char* bar = std::getenv("KV_KILL_BAR");
    const char* at = std::getenv("KV_KILL_AT");
    if (!folder || !bar || !at) GTEST_SKIP() << "run by ChargesKilled";
    ::setenv("KVADRIN_LOCALDB", folder, 1);
    kvadrin::MainModuleInit();
    kvadrin::OWNERFIRME = "(localdb)\\test,FIRMA_2024,,;TrustedConnection=True";
    ASSERT_TRUE(rt::sql::CreateEmbeddedDatabase(kvadrin::OWNERFIRME.view())) << rt::FileError();
    kvadrin::MainThreadFilesInit();
    kvadrin::RecnikPostavi();
    rt::FileManager* fm = kvadrin::Access::OBRAC();
    ASSERT_EQ(fm->Open(), 0);
    ASSERT_EQ(fm->UseTable(rt::kUseOpen), 0);
    kvadrin::OBR.OBRACUN = 5;
    ASSERT_EQ(kvadrin::Files::OBRAC().Get(0), 0);
    KillingProgress progress(std::atoi(bar), std::atol(at));
    kvadrin::CreateCharges(progress);
    FAIL() << "not killed";
}

class ChargesKilled : public kvtest::Building {
protected:
    // Runs the child in a process of its own; its wait status.
    int RunChild(int bar, long at) {
        const pid_t pid =
            kvtest::SpawnSelf("ChargesChild.CreatesUntilKilled",
                              {"KV_KILL_FIRM=" + folder_.string(), "KV_KILL_BAR=" + std::to_string(bar),
                               "KV_KILL_AT=" + std::to_string(at)});
        if (pid < 0) return -1;
        int status = 0;
        ::waitpid(pid, &status, 0);
        return status;
    }
};

TEST_F(ChargesKilled, HalfWayLeavesTheTablesAsTheyWere) {
    for (int i = 1; i <= 40; ++i)
        AddUnit({("U" + std::to_string(i)).c_str(), ("000" + std::to_string(10 + i)).c_str(), 50, 40, 2, "Ne",
                 1});
    AddService({"POV", "Površina", "Održavanje"});
    AddService({"FIX", "Fiksno", "Ostalo"});
    AddRun(5);
    AddPrices(5, {"POV", 0, 0, 10, 0, 0, 0, 0, 0});
    AddPrices(5, {"FIX", 0, 100, 0, 0, 0, 0, 0, 0});
    AddPosting("204", "00011", kRunDate - 1, "D", 100, "R1");
    ASSERT_TRUE(Create(5).created);
    // The prices change, so that a creation that got through would show.
    Exec("UPDATE CENE SET CENAPOVR=20");
    const std::vector<std::string> before = Written();

    struct Point {
        int bar;
        long at;
    };
    for (const Point p : {Point{1, 20}, Point{2, 50}, Point{3, 30}, Point{4, 39}}) {
        SCOPED_TRACE("bar " + std::to_string(p.bar) + ", step " + std::to_string(p.at));
        const int status = RunChild(p.bar, p.at);
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(WTERMSIG(status), SIGKILL);
        EXPECT_EQ(Written(), before);
    }
    // The database is whole and free: the next creation goes through with the new prices.
    ASSERT_TRUE(Create(5).created);
    EXPECT_EQ(Dump("SPROM", "SIFRA COLLATE BINARY = 'POV'", "DISTINCT UKUPNO"),
              std::vector<std::string>{"1000.0"});
}

}  // namespace
