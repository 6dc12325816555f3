// An invoice of the demo firm: the demo laid out as the demo command lays it out, the
// charges of its run created by the billing, and the first owner's invoice printed to PDF.
// Its payment slip carries the demo firm's account, and the QR code a banking app reads
// holds that account, the invoice's amount and number.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/demo_layout.h"
#include "billing/kvd005_browse_obracuni.h"
#include "billing/kvd023_ispis_fakture.h"
#include "data/access.h"
#include "data/globals.h"
#include "data/keys.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/datetime.h"
#include "platform/core/picture.h"
#include "platform/core/text.h"
#include "tests/driver/report_fixture.h"

using namespace kvadrin;

namespace kvtest {
namespace {

class DemoInvoiceGui : public GuiTest {
protected:
    void SetUp() override {
        dir_ = FreshFolder("demo_invoice");
        cwd_ = std::filesystem::current_path();
        ASSERT_TRUE(demo::LayOut(dir_));
        year_ = rt::year_of(rt::today());
        std::filesystem::current_path(dir_ / "DEMO" / std::to_string(year_) / "PROGRAM");
        if (!MainModuleReady()) MainModuleInit();
        InstallThreadHooks();
        OWNERFIRME = "(localdb)\\demo,DEMO_" + std::to_string(year_) + ",,;TrustedConnection=True";
        ProgramErrors.Init();
        rt::ui::InstallErrorShower();
        ProgramSettings.Init("KVD.INI");
        // The firm's lines as the login copies them from the demo's firms list.
        NAZIVFIRME = "Stambena zajednica Demo";
        ADRESA = rt::utf8_to_cp1250("Bulevar oslobođenja 1");
        MESTO = "21000 Novi Sad";
        ZIRORAC1 = "160-0000000498672-91";
        PIB = "100000001";
        MATBROJ = "08000001";
        RAD_GOD = year_;
        IZABRANIOBRACUN = 1;
    }
    void TearDown() override {
        GuiTest::TearDown();
        ProgramSettings.Kill();
        std::filesystem::current_path(cwd_);
        std::filesystem::remove_all(dir_);
        ::unsetenv("KVADRIN_LOCALDB");
        NAZIVFIRME = "";
        ADRESA = "";
        MESTO = "";
        ZIRORAC1 = "";
    }

    std::filesystem::path dir_, cwd_;
    int year_ = 0;
};

TEST_F(DemoInvoiceGui, TheFirstInvoiceOfTheDemoCarriesABankableQrCode) {
    // The billing road up to the invoices: the demo's run is priced; its charges made anew.
    std::atomic<double> amount{-1};
    OnThread([&] {
        StoreTest::ReadRow(TableId::OBRAC, "OBR:Po_obracunu", [] { OBR.OBRACUN = 1; });
        ChargeProgress progress;
        const ChargeOutcome outcome = CreateCharges(progress);
        ASSERT_TRUE(outcome.created) << outcome.message;
        ASSERT_TRUE(StoreTest::ReadRow(TableId::SFAKT, "SFA:PO_OBRACUNU", [] {
            SFA.OBRACUN = 1;
            SFA.SHKORISNIKA = "00001";
        }));
        amount = SFA.UKUPNO + SFA.DUG;
    });
    ASSERT_GT(amount.load(), 0);

    // The invoice browse's "&FAKTURA": the invoice with its unit and partner in the buffers.
    std::atomic<int> response{-1};
    driver.Start([&] {
        StoreTest::ReadRow(TableId::OBRAC, "OBR:Po_obracunu", [] { OBR.OBRACUN = 1; });
        StoreTest::ReadRow(TableId::SFAKT, "SFA:PO_OBRACUNU", [] {
            SFA.OBRACUN = 1;
            SFA.SHKORISNIKA = "00001";
        });
        StoreTest::ReadRow(TableId::KVADRIN, "KVD:Po_broju", [] { KVD.BROJ = SFA.BROJSTANA.str(); });
        StoreTest::ReadRow(TableId::NAZIVI, "NAZ:PO_KONTU", [] { NAZ.ANALITIKA = KVD.SHKORISNIKA.str(); });
        IspisFakture();
        response = CallResponse;
    });
    const std::string pdf = (dir_ / "demo_invoice.pdf").string();
    ReportSteps steps(driver);
    steps.ChooseOutput(2);
    steps.PressInPreview(steps.WaitPreview("IspisFakture"), "kvPrint");
    steps.SavePdfAs(pdf);
    driver.WaitForThreads(30000);
    EXPECT_EQ(response, RequestCompleted);

    const std::string number = "00001-01-" + rt::format(static_cast<double>(year_ - 2000), "@N02");
    std::string money = rt::format(amount.load(), "@n_15`2");
    money.erase(0, money.find_first_not_of(' '));
    const std::string text = PdfText(pdf);
    for (const std::string& s : {std::string("Stambena zajednica Demo"), std::string("160-0000000498672-91"),
                                 std::string("RAČUN BROJ: ") + number, std::string("Petar Petrović"),
                                 std::string("Održavanje zgrade"), std::string("NALOG ZA UPLATU")})
        EXPECT_NE(text.find(s), std::string::npos) << s << " in\n" << text;

    const std::string page = PdfPage(pdf, 1, 300, OutputFolder() + "/demo_invoice_page");
    const std::string qr = CutOut(page, 300, 83, 237, 36, 36, OutputFolder() + "/demo_invoice_qr.png");
    // The run has no purpose line: the purpose tag is left out.
    const std::string expected =
        "K:PR|V:01|C:1|R:160000000049867291|N:Stambena zajednica Demo 21000 Novi Sad|I:RSD" + money +
        "|SF:289|RO:00" + number;
    EXPECT_EQ(Zbar(qr), expected);
    EXPECT_EQ(Zxing(qr), expected);
}

}  // namespace
}  // namespace kvtest
