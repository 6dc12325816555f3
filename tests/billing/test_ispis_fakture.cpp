// The invoice report as a user runs it on the embedded store: the output choice, the
// preview, the PDF with its header, item lines, totals, debt lines and clause where the
// page places them, and the payment order form whose QR code (cut out of the page image)
// decodes to the invoice's payment text.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QWidget>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "billing/kvd023_ispis_fakture.h"
#include "data/keys.h"
#include "platform/core/datetime.h"
#include "platform/core/numeric.h"
#include "platform/core/text.h"
#include "tests/driver/report_fixture.h"

using namespace kvadrin;

namespace kvtest {
namespace {

constexpr const char* kProc = "IspisFakture";

const std::string kFlatsClause =
    "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fcharset238 Arial;}}\\fs18 Uplatu izvr\\'9aite do "
    "roka "
    "pla\\'e6anja. \\b Klauzula za stanove\\b0 .\\par}";
const std::string kFirmsClause =
    "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fcharset238 Arial;}}\\fs18 Klauzula za poslovni "
    "prostor.\\par}";

void AddService(const char* code, const char* name, const char* jm, const char* kolona) {
    Files::OBAVEZE().Clear();
    OBA.SIFRA = code;
    OBA.NAZIV = rt::utf8_to_cp1250(name);
    OBA.JM = jm;
    OBA.KOLONA = rt::utf8_to_cp1250(kolona);
    OBA.NACIN = rt::utf8_to_cp1250("Površina");
    StoreTest::AddRowOf(TableId::OBAVEZE);
}

void AddItem(const char* customer, const char* code, double qty, double price, const char* kolona) {
    Files::SPROM().Clear();
    SPR.OBRACUN = 5;
    SPR.SHKORISNIKA = customer;
    SPR.SIFRA = code;
    SPR.KOLICINA = qty;
    SPR.CENA = price;
    SPR.UKUPNO = rt::round(qty * price, 0.01);
    SPR.KOLONA = rt::utf8_to_cp1250(kolona);
    SPR.BROJSTANA = "12";
    StoreTest::AddRowOf(TableId::SPROM);
}

// A customer with a unit, an invoice of run 5 and one item of service S03.
void AddInvoice(const char* customer, const char* unit, const char* kind, double total, double debt) {
    StoreTest::AddOwner(customer, "Kupac");
    Files::KVADRIN().Clear();
    KVD.BROJ = unit;
    KVD.SP = kind;
    KVD.SHKORISNIKA = customer;
    KVD.VODOMER = "Ne";
    StoreTest::AddRowOf(TableId::KVADRIN);
    Files::SFAKT().Clear();
    SFA.OBRACUN = 5;
    SFA.SHKORISNIKA = customer;
    SFA.BROJSTANA = unit;
    SFA.UKUPNO = total;
    SFA.DUG = debt;
    StoreTest::AddRowOf(TableId::SFAKT);
    if (total != 0) AddItem(customer, "S03", 1, total, "Ostalo");
}

class InvoiceReportGui : public StoreTest {
protected:
    void SetUp() override {
        SetUpStore("FAKTURA");
        NAZIVFIRME = rt::utf8_to_cp1250("Stambena zajednica Đurđevdan");
        ADRESA = rt::utf8_to_cp1250("Bulevar Oslobođenja 7");
        MESTO = "21000 Novi Sad";
        ZIRORAC1 = "160-123456-78";
        PIB = "101234567";
        MATBROJ = "08123456";
        RAD_GOD = 2026;
        IZABRANIOBRACUN = 1;
        pdf_ = (dir_ / "faktura.pdf").string();
        OnThread([] {
            AddService("S01", "Održavanje zgrade", "m2", "Održavanje");
            AddService("S02", "Voda", "osoba", "Voda");
            AddService("S03", "Čišćenje", "stan", "Ostalo");
            AddOwner("00123", "Petar Petrović", "Zmaj Jovina 5");
            Files::NAZIVI().Clear();
            Files::KVADRIN().Clear();
            KVD.BROJ = "12";
            KVD.SP = "Stan";
            KVD.SHKORISNIKA = "00123";
            KVD.VODOMER = "Da";
            KVD.VLASNIK = rt::utf8_to_cp1250("Petar Petrović");
            AddRowOf(TableId::KVADRIN);
            Files::OBRAC().Clear();
            OBR.OBRACUN = 5;
            OBR.NAZIV = "Decembar 2026";
            OBR.DATUM = rt::date(12, 8, 2026);
            OBR.VALUTA = rt::date(12, 20, 2026);
            OBR.DATUMPROMETA = rt::date(11, 30, 2026);
            OBR.SVRHA1 = rt::utf8_to_cp1250("Račun za decembar");
            OBR.SVRHA2 = "stambene zajednice";
            AddRowOf(TableId::OBRAC);
            Files::SFAKT().Clear();
            SFA.OBRACUN = 5;
            SFA.SHKORISNIKA = "00123";
            SFA.BROJSTANA = "12";
            SFA.UKUPNO = 2326.0;
            SFA.DUG = 2500.0;
            AddRowOf(TableId::SFAKT);
            AddItem("00123", "S01", 54.5, 12.40, "Održavanje");
            AddItem("00123", "S02", 3, 450, "Voda");
            AddItem("00123", "S03", 1, 300, "Ostalo");
            Files::SKLAUZUL().Clear();
            SKL.SIFRA = 1;
            SKL.OPIS = "Decembar";
            SKL.TEKSTKLAUZULE = kFlatsClause;
            SKL.TEKSTPOSLOVNI = kFirmsClause;
            AddRowOf(TableId::SKLAUZUL);
        });
    }
    void TearDown() override {
        StoreTest::TearDown();
        NAZIVFIRME = "";
        ADRESA = "";
        MESTO = "";
        ZIRORAC1 = "";
        PIB = "";
        MATBROJ = "";
    }

    // The invoice report of customer `customer` as the invoice browse calls it: the run,
    // the invoice, its unit and its partner in the thread's buffers.
    void StartReport(const char* customer = "00123") {
        response_ = -1;
        driver.Start([this, customer] {
            ReadRow(TableId::OBRAC, "OBR:Po_obracunu", [] { OBR.OBRACUN = 5; });
            ReadRow(TableId::SFAKT, "SFA:PO_OBRACUNU", [customer] {
                SFA.OBRACUN = 5;
                SFA.SHKORISNIKA = customer;
            });
            ReadRow(TableId::KVADRIN, "KVD:Po_broju", [] { KVD.BROJ = SFA.BROJSTANA.str(); });
            ReadRow(TableId::NAZIVI, "NAZ:PO_KONTU", [] { NAZ.ANALITIKA = KVD.SHKORISNIKA.str(); });
            CallRequest = 0;
            IspisFakture();
            response_ = CallResponse;
        });
    }
    // Through the preview to the PDF file.
    void PrintToPdf(const std::string& snapshot = {}) {
        ReportSteps steps(driver);
        steps.ChooseOutput(2);
        QWidget* preview = steps.WaitPreview(kProc);
        if (!snapshot.empty()) preview->grab().save(QString::fromStdString(OutputFolder() + "/" + snapshot));
        steps.PressInPreview(preview, "kvPrint");
        steps.SavePdfAs(pdf_);
        driver.WaitForThreads(30000);
        EXPECT_EQ(response_, RequestCompleted);
        ASSERT_TRUE(std::filesystem::exists(pdf_));
    }

    // The payment text the QR code cut out of page 1 of the PDF holds (both decoders must
    // agree).
    std::string QrOfPage(const std::string& name) {
        const std::string page = PdfPage(pdf_, 1, 300, OutputFolder() + "/" + name + "_page");
        const std::string qr =
            CutOut(page, 300, 86 - 3, 240 - 3, 36, 36, OutputFolder() + "/" + name + "_qr.png");
        const std::string zbar = Zbar(qr);
        EXPECT_EQ(Zxing(qr), zbar) << name;
        return zbar;
    }

    std::string pdf_;
    std::atomic<int> response_{-1};
};

// The payment text of the test's invoice.
std::string InvoiceQrText() {
    return "K:PR|V:01|C:1|R:160000000012345678|N:Stambena zajednica Đurđevdan 21000 Novi Sad|I:RSD4826,00"
           "|SF:289|S:Račun za decembar|RO:0000123-05-26";
}

TEST_F(InvoiceReportGui, APdfOfTheInvoiceWithItsPaymentSlipAndQrCode) {
    std::filesystem::create_directories(OutputFolder());
    StartReport();
    PrintToPdf("invoice_preview.png");

    // The text where the page places it (millimetres from the page's top left: the header
    // band at 6, 6; the item lines from 82 on; the form at 6, 200).
    const std::vector<PdfWord> words = PdfWords(pdf_);
    struct Expect {
        std::string word;
        double x, y;  // the control's place on the page
    };
    const std::vector<Expect> placed = {
        {"Stambena", 9, 10},       {"Bulevar", 9, 14},       {"21000", 9, 18},      {"TEKUĆI", 9, 25},
        {"160-123456-78", 35, 25}, {"08123456", 35, 29},     {"101234567", 35, 33}, {"RAČUN", 9, 53},
        {"00123-05-26", 46, 53},   {"Petar", 129, 54},       {"Zmaj", 129, 59},     {"Decembar", 40, 59},
        {"S01", 21, 83.2},         {"S03", 21, 95.2},        {"UKUPNO", 148, 107},  {"Dug", 9, 112},
        {"MOLIMO", 9, 117},        {"Uplatu", 9, 123},       {"NALOG", 72, 206.2},  {"189", 73, 214},
        {"IZVEŠTAJ", 136, 206.2},  {"00123-05-26", 89, 233}, {"Račun", 11, 238},
    };
    for (const Expect& e : placed) {
        // Below the column heads for the words the heads have too; below the slip's top for
        // the form's own.
        const double below = e.y >= 200 ? 200 : e.y >= 80 ? 80 : 0;
        const PdfWord* w = FindWord(words, e.word, 1, below);
        ASSERT_NE(w, nullptr) << e.word;
        EXPECT_NEAR(w->x, e.x, 1.5) << e.word;
        EXPECT_GE(w->y, e.y - 0.5) << e.word;
        EXPECT_LE(w->y, e.y + 3.0) << e.word;
    }

    // Header, items, totals, debt lines and clause in their order on the page.
    const std::string text = PdfText(pdf_);
    const std::vector<std::string> in_order = {
        "RAČUN BROJ:",
        "DATUM I MESTO IZDAVANJA RAČUNA:",
        " 8/12/26, 21000 Novi Sad",
        "ROK ZA PLAĆANJE:",
        "20/12/26",
        "R.br.",
        "S01",
        "Održavanje zgrade",
        "675,80",
        "S02",
        "m3",
        "1.350,00",
        "S03",
        "Čišćenje",
        "300,00",
        "2.325,80",
        "UKUPNO ZA UPLATU:",
        "2.326,00",
        "Dug iz prethodnog perioda",
        "2.500,00 dinara",
        "MOLIMO IZMIRITE VAŠA DUGOVANJA",
        "Klauzula za stanove",
        "NALOG ZA UPLATU",
        "4.826,00",
    };
    std::size_t at = 0;
    for (const std::string& s : in_order) {
        const std::size_t found = text.find(s, at);
        ASSERT_NE(found, std::string::npos) << "\"" << s << "\" after position " << at << " in:\n" << text;
        at = found + s.size();
    }
    EXPECT_EQ(text.find("poslovni prostor"), std::string::npos);
    EXPECT_EQ(text.find("osoba"), std::string::npos) << "the water line shows m3";

    // The document information.
    EXPECT_EQ(PdfInfo(pdf_, "Title"), "Izveštaj");
    EXPECT_EQ(PdfInfo(pdf_, "Subject"), "IspisFakture");
    EXPECT_EQ(PdfInfo(pdf_, "Creator"), "KVD");
    EXPECT_EQ(PdfInfo(pdf_, "Producer"), "IspisFakture");
    EXPECT_EQ(PdfInfo(pdf_, "Author"), "");
    EXPECT_EQ(PdfInfo(pdf_, "Pages"), "1");

    // The QR code cut out of the page image: band 6, 200 and the image at 80, 40 (30 x 30).
    const std::string page = PdfPage(pdf_, 1, 300, OutputFolder() + "/invoice_page");
    const std::string qr = CutOut(page, 300, 86 - 3, 240 - 3, 36, 36, OutputFolder() + "/invoice_qr.png");
    EXPECT_EQ(Zbar(qr), InvoiceQrText());
    EXPECT_EQ(Zxing(qr), InvoiceQrText());
}

// The PDF file's name proposed in a program folder named with Serbian letters shows the
// folder as it is named, and the file is written there under that name.
TEST_F(InvoiceReportGui, APdfFileInAFolderNamedWithSerbianLettersIsWrittenWhereItIsProposed) {
    char made[] = "/tmp/kv_pdf_XXXXXX";
    ASSERT_NE(::mkdtemp(made), nullptr);
    const std::filesystem::path folder = std::filesystem::path(made) / "Računi Čačak";
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    StartReport();
    ReportSteps steps(driver);
    steps.ChooseOutput(2);
    QWidget* preview = steps.WaitPreview(kProc);
    steps.PressInPreview(preview, "kvPrint");
    driver.WaitForWindow(rt::report::kPdfNameWindowProcedure);
    const std::string proposed = (folder / "IspisFakture.pdf").string();
    EXPECT_EQ(driver.Text(rt::report::kPdfNameWindowProcedure, "?FILENAME"), proposed);
    driver.Press(rt::report::kPdfNameWindowProcedure, "?OK");
    driver.WaitForThreads(30000);
    std::filesystem::current_path(dir_);
    EXPECT_TRUE(std::filesystem::exists(proposed));
    EXPECT_NE(PdfText(proposed).find("RAČUN BROJ:"), std::string::npos);
    std::filesystem::remove_all(made);
}

TEST_F(InvoiceReportGui, DebtAndOverpaymentLinesAmountAndClauseByTheInvoice) {
    OnThread([] {
        AddInvoice("00201", "21", "Stan", 100.0, 0.004);
        AddInvoice("00202", "22", "Stan", 100.0, 1999.99);
        AddInvoice("00203", "23", "Poslovni prostor", 100.0, -150.0);
        AddInvoice("00204", "24", "Garaza", 50.0, 2000.0);
    });
    struct Case {
        const char* customer;
        std::vector<std::string> present, absent;
        std::string amount;  // in the payment text
    };
    const std::vector<Case> cases = {
        {"00201",
         {"UKUPNO ZA UPLATU:", "100,00", "Klauzula za stanove"},
         {"Dug iz", "Više uplaćeno", "MOLIMO", "poslovni prostor"},
         "100,00"},
        {"00202",
         {"Dug iz prethodnog perioda", "1.999,99 dinara", "2.099,99"},
         {"MOLIMO", "Više uplaćeno"},
         "2099,99"},
        // The overpayment without its minus sign; nothing to pay: the form's amount blank.
        {"00203",
         {"Više uplaćeno", "150,00 dinara", "Klauzula za poslovni prostor"},
         {"-150", "Dug iz", "MOLIMO", "Klauzula za stanove"},
         "0,00"},
        {"00204",
         {"Dug iz prethodnog perioda", "2.000,00 dinara", "MOLIMO IZMIRITE VAŠA DUGOVANJA",
          "Klauzula za poslovni prostor"},
         {"Klauzula za stanove"},
         "2050,00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.customer);
        pdf_ = (dir_ / (std::string(c.customer) + ".pdf")).string();
        StartReport(c.customer);
        PrintToPdf();
        const std::string text = PdfText(pdf_);
        for (const std::string& s : c.present)
            EXPECT_NE(text.find(s), std::string::npos) << s << " in\n" << text;
        for (const std::string& s : c.absent)
            EXPECT_EQ(text.find(s), std::string::npos) << s << " in\n" << text;
        const std::string number = std::string(c.customer) + "-05-26";
        EXPECT_EQ(QrOfPage(c.customer),
                  "K:PR|V:01|C:1|R:160000000012345678|N:Stambena zajednica Đurđevdan 21000 Novi "
                  "Sad|I:RSD" +
                      c.amount + "|SF:289|S:Račun za decembar|RO:00" + number);
    }
    // The overpaid invoice's form shows no amount: the only amounts on its page are the
    // item, its totals and the amount to pay.
    pdf_ = (dir_ / "00203.pdf").string();
    const std::vector<PdfWord> words = PdfWords(pdf_);
    for (const PdfWord& w : words) {
        if (w.y > 200) { EXPECT_EQ(w.text.find(",00"), std::string::npos) << w.text << " on the form"; }
    }
}

TEST_F(InvoiceReportGui, AnInvoiceWithoutItemsPrintsItsHeaderWithoutItemsOrForm) {
    OnThread([] { AddInvoice("00301", "31", "Stan", 0.0, 0.0); });
    StartReport("00301");
    PrintToPdf();
    const std::string text = PdfText(pdf_);
    EXPECT_NE(text.find("RAČUN BROJ:"), std::string::npos) << text;
    EXPECT_NE(text.find("R.br."), std::string::npos) << text;
    for (const char* absent : {"S03", "UKUPNO ZA UPLATU:", "NALOG ZA UPLATU", "Klauzula"})
        EXPECT_EQ(text.find(absent), std::string::npos) << absent << " in\n" << text;
}

TEST_F(InvoiceReportGui, WithoutAQrImageTheFormPrintsWithoutACodeAndTheUserIsTold) {
    // A temporary folder that cannot hold the report's folder.
    const std::string blocked = (dir_ / "not-a-folder").string();
    { std::ofstream(blocked) << "x"; }
    std::string told;
    ReportSteps steps(driver);
    {
        TempDir temp(blocked);
        StartReport();
        steps.ChooseOutput(2);
        told = driver.Answer("OK");
    }
    EXPECT_NE(told.find("QR kod za uplatu nije mogao biti napravljen"), std::string::npos) << told;
    QWidget* preview = steps.WaitPreview(kProc);
    steps.PressInPreview(preview, "kvPrint");
    steps.SavePdfAs(pdf_);
    driver.WaitForThreads(30000);
    const std::string text = PdfText(pdf_);
    EXPECT_NE(text.find("NALOG ZA UPLATU"), std::string::npos);
    EXPECT_NE(text.find("4.826,00"), std::string::npos);
    EXPECT_EQ(QrOfPage("no_qr"), "");
}

TEST_F(InvoiceReportGui, AnAccountLineOfMoreThanTwentyCharactersIsRefusedWithItsName) {
    ZIRORAC1 = "160-12345678901234567-89";
    StartReport();
    const std::string told = driver.Answer("OK");
    EXPECT_NE(told.find("160-12345678901234567-89"), std::string::npos) << told;
    driver.WaitForThreads(30000);
    EXPECT_EQ(response_, RequestCancelled);
    EXPECT_EQ(driver.Server().FindWindow(rt::report::kOutputWindowProcedure), nullptr);
    EXPECT_FALSE(std::filesystem::exists(pdf_));
}

TEST_F(InvoiceReportGui, TwoReportsAtOnceEachPrintTheirOwnCode) {
    OnThread([] { AddInvoice("00401", "41", "Stan", 400.0, 0.0); });
    ReportSteps steps(driver);
    // Both reports run up to their previews, each with its QR image made.
    std::atomic<int> second{-1};
    StartReport("00123");
    steps.ChooseOutput(2);
    QWidget* first_preview = steps.WaitPreview(kProc);
    driver.Start([&second] {
        ReadRow(TableId::OBRAC, "OBR:Po_obracunu", [] { OBR.OBRACUN = 5; });
        ReadRow(TableId::SFAKT, "SFA:PO_OBRACUNU", [] {
            SFA.OBRACUN = 5;
            SFA.SHKORISNIKA = "00401";
        });
        ReadRow(TableId::KVADRIN, "KVD:Po_broju", [] { KVD.BROJ = SFA.BROJSTANA.str(); });
        ReadRow(TableId::NAZIVI, "NAZ:PO_KONTU", [] { NAZ.ANALITIKA = KVD.SHKORISNIKA.str(); });
        IspisFakture();
        second = CallResponse;
    });
    steps.ChooseOutput(2);
    QWidget* second_preview = nullptr;
    driver.WaitUntil(
        [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w != first_preview && w->isVisible() &&
                    w->objectName() == QStringLiteral("kvPreviewIspisFakture"))
                    second_preview = w;
            return second_preview != nullptr;
        },
        "the second preview");
    const std::string pdf_first = pdf_, pdf_second = (dir_ / "second.pdf").string();
    steps.PressInPreview(second_preview, "kvPrint");
    steps.SavePdfAs(pdf_second);
    steps.PressInPreview(first_preview, "kvPrint");
    steps.SavePdfAs(pdf_first);
    driver.WaitForThreads(30000);
    EXPECT_EQ(QrOfPage("first"), InvoiceQrText());
    pdf_ = pdf_second;
    EXPECT_EQ(QrOfPage("second"),
              "K:PR|V:01|C:1|R:160000000012345678|N:Stambena zajednica Đurđevdan 21000 Novi "
              "Sad|I:RSD400,00|SF:289|S:Račun za decembar|RO:0000401-05-26");
}

}  // namespace
}  // namespace kvtest
