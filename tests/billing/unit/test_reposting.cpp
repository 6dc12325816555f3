// What closing an invoice's items writes, with other stations at work on the same firm:
// two processes re-posting the same invoice at once leave it with exactly one posting of
// its voucher, and what another station wrote to the invoice in the meantime (its earlier
// debt) is kept.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "billing/kvd020_izbor_za_fakture.h"
#include "data/dictionary.h"
#include "data/globals.h"
#include "data/keys.h"
#include "data/program_objects.h"
#include "data/thread_data.h"
#include "platform/files/sql/connection.h"
#include "tests/billing/unit/billing_fixture.h"

namespace {

namespace Access = kvadrin::Access;
namespace Files = kvadrin::Files;

// The run and the invoice of customer 00001 into this thread's buffers, as the invoice
// browse leaves them.
void LoadInvoice() {
    for (rt::FileManager* fm : {Access::OBRAC(), Access::SFAKT()}) {
        ASSERT_EQ(fm->Open(), 0);
        ASSERT_EQ(fm->UseTable(rt::kUseOpen), 0);
    }
    Files::OBRAC().Clear();
    kvadrin::OBR.OBRACUN = 5;
    ASSERT_EQ(Files::OBRAC().Get(kvadrin::OBR_Po_obracunu), 0);
    Files::SFAKT().Clear();
    kvadrin::SFA.OBRACUN = 5;
    kvadrin::SFA.SHKORISNIKA = "00001";
    ASSERT_EQ(Files::SFAKT().Get(kvadrin::SFA_PO_OBRACUNU), 0);
}

// The child: a station that closes the invoice's items `KV_REPOST_TIMES` times; run by
// the test below in a process of its own, skipped when run on its own.
TEST(RepostingChild, RepostsTheInvoice) {
    const char* folder = std::getenv("KV_REPOST_FIRM");
    const char* times = std::getenv("KV_REPOST_TIMES");
    if (!folder || !times) GTEST_SKIP() << "run by Reposting";
    ::setenv("KVADRIN_LOCALDB", folder, 1);
    kvadrin::MainModuleInit();
    kvadrin::OWNERFIRME = "(localdb)\\test,FIRMA_2024,,;TrustedConnection=True";
    ASSERT_TRUE(rt::sql::CreateEmbeddedDatabase(kvadrin::OWNERFIRME.view())) << rt::FileError();
    kvadrin::MainThreadFilesInit();
    kvadrin::RecnikPostavi();
    LoadInvoice();
    for (int i = std::atoi(times); i > 0; --i) {
        const kvadrin::InvoiceRewrite r = kvadrin::PreknjiziFakturu();
        ASSERT_TRUE(r.written) << rt::cp1250_to_utf8(r.message) << " (" << rt::Error() << ")";
    }
}

class Reposting : public kvtest::Building {
protected:
    void SetUp() override {
        Building::SetUp();
        AddRun(5, "Maj 2024");
        AddUnit({"1", "00001", 50, 40, 2, "Ne", 1});
        AddInvoice("00001", 10);
        AddInvoice("00002", 0);
        AddItem("00001", "POV", 100.20, "Održavanje");
        AddItem("00001", "OST", 50.40, "Ostalo");
        AddPosting("204", "00001", kRunDate, "D", 100, "KVD0500001", "KVD-05");
        AddPosting("204", "00001", kRunDate, "D", 12, "RUCNO", "KVD-05");
        AddPosting("204", "00001", kRunDate - 40, "D", 80, "KVD0400001", "KVD-04");
        AddPosting("205", "00001", kRunDate, "D", 9, "KVD0500009", "KVD-05");
        AddPosting("204", "00002", kRunDate, "D", 0, "KVD0500002", "KVD-05");
    }

    void AddInvoice(const char* customer, double debt) {
        seed(kvadrin::TableId::SFAKT, [&] {
            kvadrin::SFA.OBRACUN = 5;
            kvadrin::SFA.SHKORISNIKA = customer;
            kvadrin::SFA.BROJSTANA = "1";
            kvadrin::SFA.DUG = debt;
        });
    }
    void AddItem(const char* customer, const char* code, double total, const char* column) {
        seed(kvadrin::TableId::SPROM, [&] {
            kvadrin::SPR.OBRACUN = 5;
            kvadrin::SPR.SHKORISNIKA = customer;
            kvadrin::SPR.SIFRA = code;
            kvadrin::SPR.KOLICINA = 1;
            kvadrin::SPR.CENA = total;
            kvadrin::SPR.UKUPNO = total;
            kvadrin::SPR.KOLONA = kvtest::cp(column);
        });
    }

    // The postings as "voucher|account|customer|amount", and the invoice of 00001.
    std::vector<std::string> Postings() { return Dump("SKPROMET", "", "NALOG, SINTETIKA, ANALITIKA, IZNOS"); }
    std::vector<std::string> Invoice() {
        return Dump("SFAKT", "SHKORISNIKA COLLATE BINARY = '00001'",
                    "ODRZAVANJE, STRUJA, VODA, OSTALO, DUG, UKUPNO");
    }

    pid_t StartStation(int times) {
        return kvtest::SpawnSelf(
            "RepostingChild.RepostsTheInvoice",
            {"KV_REPOST_FIRM=" + folder_.string(), "KV_REPOST_TIMES=" + std::to_string(times)});
    }
};

TEST_F(Reposting, TwoStationsAtOnceLeaveOnePostingOfTheVoucher) {
    const pid_t a = StartStation(25);
    const pid_t b = StartStation(25);
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    for (pid_t pid : {a, b}) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "station " << pid << ": " << status;
    }
    // 100.20 + 50.40 = 150.60, posted as 151; the other vouchers, accounts and customers
    // keep theirs.
    EXPECT_EQ(Invoice(), std::vector<std::string>{"100.2|0.0|0.0|50.4|10.0|151.0"});
    EXPECT_EQ(Postings(), (std::vector<std::string>{"KVD-04|204|00001|80.0", "KVD-05|204|00001|151.0",
                                                    "KVD-05|204|00002|0.0", "KVD-05|205|00001|9.0"}));
}

TEST_F(Reposting, TheEarlierDebtAnotherStationWroteIsKept) {
    LoadInvoice();
    Exec("UPDATE SFAKT SET DUG = 77.5 WHERE SHKORISNIKA COLLATE BINARY = '00001'");
    const kvadrin::InvoiceRewrite r = kvadrin::PreknjiziFakturu();
    ASSERT_TRUE(r.written) << rt::cp1250_to_utf8(r.message);
    EXPECT_EQ(Invoice(), std::vector<std::string>{"100.2|0.0|0.0|50.4|77.5|151.0"});
    EXPECT_EQ(kvadrin::SFA.DUG, 77.5) << "the buffer holds the invoice as written";
}

TEST_F(Reposting, AnInvoiceAnotherStationDeletedIsNotWrittenAndItsPostingsStay) {
    LoadInvoice();
    const std::vector<std::string> postings = Postings();
    // Another station's connection (with the program's collation, which the table's keys use).
    std::thread other([] {
        auto conn = rt::sql::ConnectionFor(kvadrin::OWNERFIRME.str());
        ASSERT_TRUE(conn && conn->Execute("DELETE FROM SFAKT WHERE SHKORISNIKA = '00001'"));
        rt::sql::CloseThreadConnections();
    });
    other.join();
    const kvadrin::InvoiceRewrite r = kvadrin::PreknjiziFakturu();
    EXPECT_FALSE(r.written);
    EXPECT_EQ(rt::cp1250_to_utf8(r.message), "Greška prilikom upisa iznosa fakture! Pokušaj ponovo.");
    EXPECT_EQ(Postings(), postings);
    EXPECT_TRUE(Invoice().empty());
}

}  // namespace
