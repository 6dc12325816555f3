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
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "billing/kvd023_ispis_fakture.h"
#include "data/keys.h"
#include "platform/core/datetime.h"
#include "platform/core/numeric.h"
#include "platform/core/text.h"
#include "platform/qr/qr.h"
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
        ZIRORAC1 = "160-123456-54";
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
    return "K:PR|V:01|C:1|R:160000000012345654|N:Stambena zajednica Đurđevdan 21000 Novi Sad|I:RSD4826,00"
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
        {"160-123456-54", 35, 25}, {"08123456", 35, 29},     {"101234567", 35, 33}, {"RAČUN", 9, 53},
        {"00123-05-26", 46, 53},   {"Petar", 129, 54},       {"Zmaj", 129, 59},     {"Decembar", 40, 59},
        {"S01", 21, 83.2},         {"S03", 21, 95.2},        {"UKUPNO", 131, 107},  {"Dug", 9, 112},
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
                  "K:PR|V:01|C:1|R:160000000012345654|N:Stambena zajednica Đurđevdan 21000 Novi "
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

// The temporary folder is a name on disk: one named with Serbian letters holds the
// image the slip prints; one named with letters outside the program's code page (Cyrillic)
// cannot be named to the report, so the user is told and the slip prints without a code.
TEST_F(InvoiceReportGui, TheQrImageOfATemporaryFolderNamedWithSerbianLettersPrints) {
    std::filesystem::create_directories(OutputFolder());
    const std::filesystem::path latin = dir_ / "Privremeni Čačak Đurđevdan";
    std::filesystem::create_directories(latin);
    TempDir temp(latin.string());
    StartReport();
    PrintToPdf();
    EXPECT_FALSE(driver.MessageOpen());
    EXPECT_EQ(QrOfPage("latin_temp"), InvoiceQrText());
}

TEST_F(InvoiceReportGui, ATemporaryFolderTheProgramCannotNameIsToldAndTheSlipPrintsWithoutACode) {
    const std::filesystem::path cyrillic = dir_ / "Привремени";
    std::filesystem::create_directories(cyrillic);
    TempDir temp(cyrillic.string());
    StartReport();
    ReportSteps steps(driver);
    steps.ChooseOutput(2);
    const std::string told = driver.Answer("OK");
    EXPECT_NE(told.find("QR kod za uplatu nije mogao biti napravljen"), std::string::npos) << told;
    QWidget* preview = steps.WaitPreview(kProc);
    steps.PressInPreview(preview, "kvPrint");
    steps.SavePdfAs(pdf_);
    driver.WaitForThreads(30000);
    EXPECT_NE(PdfText(pdf_).find("NALOG ZA UPLATU"), std::string::npos);
    EXPECT_EQ(QrOfPage("cyrillic_temp"), "");
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
              "K:PR|V:01|C:1|R:160000000012345654|N:Stambena zajednica Đurđevdan 21000 Novi "
              "Sad|I:RSD400,00|SF:289|S:Račun za decembar|RO:0000401-05-26");
}

// The amounts of the form and the amount to pay print whole (the item's columns are as
// narrow as the Part's table has them).
void NoHashesOnTheFormOrToPay(const std::vector<PdfWord>& words) {
    const PdfWord* label = FindWord(words, "UPLATU:", 1, 80);
    ASSERT_NE(label, nullptr);
    for (const PdfWord& w : words)
        if (w.y > 200 || std::abs(w.y - label->y) < 1) {
            EXPECT_EQ(w.text.find('#'), std::string::npos) << w.text << " at " << w.x << ", " << w.y;
        }
}

// The one message of a report (its text), then the PDF through the preview.
std::string ToldOnce(rt::qt::TestDriver& driver, ReportSteps& steps, bool before_output) {
    std::string told;
    if (before_output) {
        told = driver.Answer("OK");
        steps.ChooseOutput(2);
    } else {
        steps.ChooseOutput(2);
        told = driver.Answer("OK");
    }
    return told;
}

TEST_F(InvoiceReportGui, AnAccountBanksRefuseGivesTheSlipWithoutACodeAndOneMessage) {
    for (const char* account : {"160-123456-78", "160 123456 54", "16O-123456-54"}) {
        SCOPED_TRACE(account);
        ZIRORAC1 = account;
        pdf_ = (dir_ / "wrong_account.pdf").string();
        std::filesystem::remove(pdf_);
        ReportSteps steps(driver);
        StartReport();
        const std::string told = ToldOnce(driver, steps, true);
        EXPECT_NE(told.find(std::string("\"") + account + "\""), std::string::npos) << told;
        EXPECT_NE(told.find("bez QR koda"), std::string::npos) << told;
        QWidget* preview = steps.WaitPreview(kProc);
        steps.PressInPreview(preview, "kvPrint");
        steps.SavePdfAs(pdf_);
        driver.WaitForThreads(30000);
        EXPECT_FALSE(driver.MessageOpen());
        EXPECT_EQ(response_, RequestCompleted);
        const std::string text = PdfText(pdf_);
        EXPECT_NE(text.find("NALOG ZA UPLATU"), std::string::npos) << text;
        EXPECT_NE(text.find("4.826,00"), std::string::npos) << text;
        // The account on the form, both halves.
        const std::vector<PdfWord> words = PdfWords(pdf_);
        const std::string first_word = std::string(account).substr(0, std::string(account).find(' '));
        int on_form = 0;
        for (const PdfWord& w : words)
            if (w.y > 200 && w.text == first_word) ++on_form;
        EXPECT_EQ(on_form, 2) << first_word;
        EXPECT_EQ(QrOfPage("wrong_account"), "");
    }
}

TEST_F(InvoiceReportGui, AnAmountPastTheIpsFieldPrintsWholeWithoutACode) {
    OnThread([] { AddInvoice("00501", "51", "Stan", 1000000000000.0, 0.0); });
    pdf_ = (dir_ / "trillion.pdf").string();
    ReportSteps steps(driver);
    StartReport("00501");
    const std::string told = ToldOnce(driver, steps, false);
    EXPECT_NE(told.find("1.000.000.000.000,00"), std::string::npos) << told;
    EXPECT_NE(told.find("00501-05-26"), std::string::npos) << told;
    QWidget* preview = steps.WaitPreview(kProc);
    steps.PressInPreview(preview, "kvPrint");
    steps.SavePdfAs(pdf_);
    driver.WaitForThreads(30000);
    EXPECT_FALSE(driver.MessageOpen());
    const std::string text = PdfText(pdf_);
    NoHashesOnTheFormOrToPay(PdfWords(pdf_));
    std::size_t n = 0;
    for (std::size_t at = text.find("1.000.000.000.000,00"); at != std::string::npos;
         at = text.find("1.000.000.000.000,00", at + 1))
        ++n;
    EXPECT_GE(n, 3u) << text;  // the item, to pay and both amounts of the form
    EXPECT_EQ(QrOfPage("trillion"), "");
}

TEST_F(InvoiceReportGui, TenMillionAndMorePrintWholeInTheirBoxes) {
    OnThread([] { AddInvoice("00601", "61", "Stan", 12345678.90, 0.0); });
    pdf_ = (dir_ / "millions.pdf").string();
    StartReport("00601");
    PrintToPdf();
    const std::string text = PdfText(pdf_);
    const std::vector<PdfWord> words = PdfWords(pdf_);
    NoHashesOnTheFormOrToPay(words);
    // "UKUPNO ZA UPLATU:" and its amount beside it, not over it.
    const PdfWord* label = FindWord(words, "UPLATU:", 1, 80);
    ASSERT_NE(label, nullptr);
    const PdfWord* to_pay = nullptr;
    std::vector<const PdfWord*> form;
    for (const PdfWord& w : words) {
        if (w.text != "12.345.678,90") continue;
        if (w.y > 200)
            form.push_back(&w);
        else if (std::abs(w.y - label->y) < 1)
            to_pay = &w;
    }
    ASSERT_NE(to_pay, nullptr) << text;
    EXPECT_GT(to_pay->x, label->right + 1);
    EXPECT_LT(to_pay->right, 200.5);
    // Both "Iznos" boxes of the form (the band at 6, 200, the drawing at 2, 5 within it).
    ASSERT_EQ(form.size(), 2u) << text;
    EXPECT_GT(form[0]->x, 6 + 2 + 78);
    EXPECT_LT(form[0]->right, 6 + 2 + 78 + 46);
    EXPECT_GT(form[1]->x, 6 + 2 + 144);
    EXPECT_LT(form[1]->right, 6 + 2 + 144 + 42);
    EXPECT_EQ(QrOfPage("millions"),
              "K:PR|V:01|C:1|R:160000000012345654|N:Stambena zajednica Đurđevdan 21000 Novi "
              "Sad|I:RSD12345678,90|SF:289|S:Račun za decembar|RO:0000601-05-26");
}

TEST_F(InvoiceReportGui, AnInvoiceOfACutUnitNumberPrintsWithItsOwnPayer) {
    OnThread([] {
        // A unit of a take-over numbered "A-12345B": its charges keep "A-1234".
        AddOwner("00701", "Marko Marković", "Kralja Petra 1");
        Files::KVADRIN().Clear();
        KVD.BROJ = "A-12345B";
        KVD.SP = "Stan";
        KVD.SHKORISNIKA = "00701";
        KVD.VODOMER = "Ne";
        AddRowOf(TableId::KVADRIN);
        Files::SFAKT().Clear();
        SFA.OBRACUN = 5;
        SFA.SHKORISNIKA = "00701";
        SFA.BROJSTANA = "A-1234";
        SFA.UKUPNO = 700;
        StoreTest::AddRowOf(TableId::SFAKT);
        AddItem("00701", "S03", 1, 700, "Ostalo");
    });
    pdf_ = (dir_ / "cut.pdf").string();
    StartReport("00701");
    PrintToPdf();
    const std::string text = PdfText(pdf_);
    EXPECT_NE(text.find("Marko Marković"), std::string::npos) << text;
    EXPECT_NE(text.find("Kralja Petra 1"), std::string::npos) << text;
    EXPECT_NE(text.find("00701-05-26"), std::string::npos) << text;
    EXPECT_EQ(QrOfPage("cut"),
              "K:PR|V:01|C:1|R:160000000012345654|N:Stambena zajednica Đurđevdan 21000 Novi "
              "Sad|I:RSD700,00|SF:289|S:Račun za decembar|RO:0000701-05-26");
}

TEST_F(InvoiceReportGui, AnInvoiceWithoutAPayerIsNotPrinted) {
    OnThread([] {
        Files::SFAKT().Clear();
        SFA.OBRACUN = 5;
        SFA.SHKORISNIKA = "00801";
        SFA.BROJSTANA = "81";
        SFA.UKUPNO = 80;
        StoreTest::AddRowOf(TableId::SFAKT);
        AddItem("00801", "S03", 1, 80, "Ostalo");
    });
    StartReport("00801");
    const std::string told = driver.Answer("OK");
    EXPECT_NE(told.find("00801"), std::string::npos) << told;
    EXPECT_NE(told.find("nije nađen"), std::string::npos) << told;
    driver.WaitForThreads(30000);
    EXPECT_EQ(response_, RequestCancelled);
    EXPECT_EQ(driver.Server().FindWindow(rt::report::kOutputWindowProcedure), nullptr);
}

// Another user's folder where the user's own would be, or a link in its place: the report
// makes its own folder and prints its own code; nothing is written through either.
TEST_F(InvoiceReportGui, AnotherOwnersTemporaryFolderIsNeverWrittenThrough) {
    if (::geteuid() != 0) GTEST_SKIP() << "making another user's folder needs root";
    const std::string temp = (dir_ / "tmp").string();
    const std::string elsewhere = (dir_ / "elsewhere").string();
    std::filesystem::create_directories(temp);
    std::filesystem::create_directories(elsewhere);
    // The user's own folder's name, and the shared name every user's reports once used.
    for (const std::string& way : {temp + "/kvadrin-" + std::to_string(::geteuid()), temp + "/kvadrin"}) {
        for (bool link : {false, true}) {
            SCOPED_TRACE(way + (link ? ": a link" : ": another owner's folder"));
            std::filesystem::remove_all(way);
            std::filesystem::remove_all(elsewhere);
            std::filesystem::create_directories(elsewhere);
            const std::string planted_in = link ? elsewhere : way;
            if (link) {
                std::filesystem::create_directory_symlink(elsewhere, way);
            } else {
                std::filesystem::create_directory(way);
                ASSERT_EQ(::chown(way.c_str(), 54321, 54321), 0);
            }
            ::chmod(planted_in.c_str(), 0777);
            // A stranger's image where a guessed folder would have it.
            ASSERT_EQ(
                rt::qr::GenerateQrCode("K:PR|V:01|C:1|R:908000000000000011|N:Neko drugi|I:RSD1,00|SF:289",
                                       planted_in + "/qr.png", "2", "png", "black", "white"),
                rt::qr::kQrOk);
            pdf_ = (dir_ / (link ? "link.pdf" : "other.pdf")).string();
            {
                TempDir tmp(temp);
                StartReport();
                PrintToPdf();
            }
            EXPECT_EQ(QrOfPage(link ? "link" : "other"), InvoiceQrText());
            std::size_t entries = 0;
            for ([[maybe_unused]] const auto& e : std::filesystem::recursive_directory_iterator(planted_in))
                ++entries;
            EXPECT_EQ(entries, 1u) << "only the stranger's own file in " << planted_in;
        }
        std::filesystem::remove_all(way);
    }
}

}  // namespace
}  // namespace kvtest
