// The three list reports as a user runs them on the embedded store, from the buttons of
// their browses: the invoices of a run with a payment form and its own QR code on every
// page (the code cut out of the page image decodes to that page's invoice), the overview
// of obligations with its rounded line totals, column totals and page numbers, and the
// list of tenants in the chosen order, limited once by the units browse's query.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "billing/kvd003_browse_kvadrin.h"
#include "billing/kvd010_ispis_stanara.h"
#include "billing/kvd020_izbor_za_fakture.h"
#include "billing/kvd030_ispis_faktura_m3.h"
#include "data/keys.h"
#include "platform/core/datetime.h"
#include "platform/core/numeric.h"
#include "platform/core/picture.h"
#include "platform/core/text.h"
#include "shell/kvd001_main.h"
#include "tests/driver/report_fixture.h"

using namespace kvadrin;

namespace kvtest {
namespace {

constexpr const char* kInvoices = "BrowseSFAKT";
constexpr const char* kUnits = "BrowseKvadrin";
constexpr const char* kList = "?BROWSE:1";

// The text of one page of a PDF, as pdftotext lays it out.
std::string PageText(const std::string& pdf, int page) {
    return RunTool(
        QStringLiteral("pdftotext"),
        {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
         QString::number(page), QString::fromStdString(pdf), QStringLiteral("-")});
}

void Contains(const std::string& text, const std::vector<std::string>& parts, const std::string& where) {
    for (const std::string& p : parts)
        EXPECT_NE(text.find(p), std::string::npos) << p << " on " << where << ":\n" << text;
}

class ListReports : public StoreTest {
protected:
    void SetUp() override {
        SetUpStore("LISTE");
        NAZIVFIRME = rt::utf8_to_cp1250("Stambena zajednica Đurđevdan");
        ADRESA = rt::utf8_to_cp1250("Bulevar Oslobođenja 7");
        MESTO = "21000 Novi Sad";
        ZIRORAC1 = "160-123456-54";
        PIB = "101234567";
        MATBROJ = "08123456";
        RAD_GOD = 2026;
        IZABRANIOBRACUN = 1;
        QBEFILTER = "";
        RegisterInvoicesMenu();
        OnThread([] {
            for (int run : {5, 6, 7, 9}) {
                Files::OBRAC().Clear();
                OBR.OBRACUN = static_cast<std::int16_t>(run);
                OBR.NAZIV = "Decembar 2026";
                OBR.DATUM = rt::date(12, 8, 2026);
                OBR.VALUTA = rt::date(12, 20, 2026);
                OBR.DATUMPROMETA = rt::date(11, 30, 2026);
                OBR.SVRHA1 = rt::utf8_to_cp1250("Račun za decembar");
                AddRowOf(TableId::OBRAC);
                // The run's clause, which the invoice browse chooses for the reports.
                Files::SKLAUZUL().Clear();
                SKL.SIFRA = static_cast<std::int16_t>(run);
                SKL.OPIS = "Decembar";
                SKL.TEKSTKLAUZULE = "{\\rtf1\\ansi Klauzula za stanove.\\par}";
                SKL.TEKSTPOSLOVNI = "{\\rtf1\\ansi Klauzula za poslovni prostor.\\par}";
                AddRowOf(TableId::SKLAUZUL);
            }
        });
    }
    void TearDown() override {
        StoreTest::TearDown();
        for (auto* v : {&NAZIVFIRME}) *v = "";
        ADRESA = "";
        MESTO = "";
        ZIRORAC1 = "";
        QBEFILTER = "";
    }

    static void AddUnit(const char* broj, const char* code, const char* kind, const char* water,
                        const char* occupant = "Korisnik", double area = 50, double persons = 2) {
        Files::KVADRIN().Clear();
        KVD.BROJ = broj;
        KVD.SHKORISNIKA = code;
        KVD.SP = kind;
        KVD.VODOMER = water;
        KVD.KALORIMETAR = "Ne";
        KVD.VLASNIK = rt::utf8_to_cp1250(occupant);
        KVD.POVRSINA = area;
        KVD.POVRSINAGR = area - 5;
        KVD.BROJOSOBA = persons;
        KVD.TELEFON = "021/555-333";
        AddRowOf(TableId::KVADRIN);
    }
    static void AddService(const char* code, const char* name, const char* jm, const char* kolona) {
        Files::OBAVEZE().Clear();
        OBA.SIFRA = code;
        OBA.NAZIV = rt::utf8_to_cp1250(name);
        OBA.JM = jm;
        OBA.KOLONA = rt::utf8_to_cp1250(kolona);
        OBA.NACIN = "Fiksno";
        AddRowOf(TableId::OBAVEZE);
    }
    static void AddItem(int run, const char* customer, const char* unit, const char* code, double qty,
                        double price, const char* kolona) {
        Files::SPROM().Clear();
        SPR.OBRACUN = static_cast<std::int16_t>(run);
        SPR.SHKORISNIKA = customer;
        SPR.BROJSTANA = unit;
        SPR.SIFRA = code;
        SPR.KOLICINA = qty;
        SPR.CENA = price;
        SPR.UKUPNO = rt::round(qty * price, 0.01);
        SPR.KOLONA = rt::utf8_to_cp1250(kolona);
        AddRowOf(TableId::SPROM);
    }
    struct Invoice {
        int run;
        const char* customer;
        const char* unit;
        double odrzavanje, struja, voda, ostalo, dug;
    };
    static void AddInvoice(const Invoice& i) {
        Files::SFAKT().Clear();
        SFA.OBRACUN = static_cast<std::int16_t>(i.run);
        SFA.SHKORISNIKA = i.customer;
        SFA.BROJSTANA = i.unit;
        SFA.ODRZAVANJE = i.odrzavanje;
        SFA.STRUJA = i.struja;
        SFA.VODA = i.voda;
        SFA.OSTALO = i.ostalo;
        SFA.DUG = i.dug;
        SFA.UKUPNO = rt::round(i.odrzavanje + i.struja + i.voda + i.ostalo, 1);
        AddRowOf(TableId::SFAKT);
    }

    // The invoice browse of a run, as "Izrada faktura" opens it: the run picked among the
    // runs and its command pressed.
    void StartInvoices(int run) {
        browse_thread_ = driver.Start(MenuProcedure("IzborZaFakture"));
        driver.WaitUntil([&] { return driver.RowCount("IzborZaFakture", kList) > 0; }, "the runs listed");
        const std::string number = rt::format(static_cast<double>(run), "@n02");
        int row = 0;
        for (int r = 1; r <= driver.RowCount("IzborZaFakture", kList) && !row; ++r)
            if (rt::clip(rt::left(driver.Cell("IzborZaFakture", kList, r, 1))) == number) row = r;
        ASSERT_NE(row, 0) << number;
        driver.PickRow("IzborZaFakture", kList, row);
        driver.WaitUntil([&] { return rt::ui::ThreadIdle(browse_thread_); }, "the run taken");
        driver.Press("IzborZaFakture", "?BUTTONNORECORDS");
        driver.WaitUntil(
            [&] {
                return driver.MessageOpen() ||
                       (driver.Server().FindWindow(kInvoices) && driver.RowCount(kInvoices, kList) > 0);
            },
            "the run's invoices");
        if (driver.MessageOpen()) ADD_FAILURE() << driver.MessageText();
    }
    // The report's output chosen as PDF, printed from its preview into `pdf`.
    void ToPdf(const std::string& procedure, const std::string& pdf, const std::string& snapshot = {}) {
        ReportSteps steps(driver);
        steps.ChooseOutput(2);
        QWidget* preview = steps.WaitPreview(procedure);
        if (!snapshot.empty()) preview->grab().save(QString::fromStdString(OutputFolder() + "/" + snapshot));
        steps.PressInPreview(preview, "kvPrint");
        steps.SavePdfAs(pdf);
        driver.WaitUntil([&] { return std::filesystem::exists(pdf) && !FindPreview(procedure); },
                         "the PDF of " + procedure);
    }
    void CloseAll() {
        driver.WaitUntil([&] { return rt::ui::ThreadIdle(browse_thread_); }, "the browse idle");
        for (const char* w : {kInvoices, "IzborZaFakture", kUnits}) {
            if (!driver.Server().FindWindow(w)) continue;
            rt::ui::rtl_post(rt::ui::Event::CloseWindow, 0, browse_thread_);
            driver.WaitClosed(w);
        }
        driver.WaitForThreads(30000);
    }
    int browse_thread_ = 0;
};

// ---- The invoice group report ---------------------------------------------------------

class GroupReport : public ListReports {
protected:
    void SetUp() override {
        ListReports::SetUp();
        std::filesystem::create_directories(OutputFolder());
        OnThread([] {
            AddService("S01", "Održavanje zgrade", "m2", "Održavanje");
            AddService("S02", "Voda", "osoba", "Voda");
            AddService("S03", "Čišćenje", "stan", "Ostalo");
            AddOwner("00300", "Zorana Zorić", "Vojvode Mišića 3");
            AddOwner("00123", "Petar Petrović", "Zmaj Jovina 5");
            AddOwner("00045", "Lokal Kafe", "Trg 1");
            // Written out of the order of their customer codes.
            AddUnit("30", "00300", "Stan", "Da");
            AddUnit("12", "00123", "Stan", "Da");
            AddUnit("3", "00045", "Poslovni prostor", "Ne");
            AddInvoice({5, "00300", "30", 0, 0, 900, 0, 0});
            AddItem(5, "00300", "30", "S02", 2, 450, "Voda");
            AddInvoice({5, "00123", "12", 675.80, 0, 1350, 300, 2500});
            AddItem(5, "00123", "12", "S03", 1, 300, "Ostalo");
            AddItem(5, "00123", "12", "S01", 54.5, 12.40, "Održavanje");
            AddItem(5, "00123", "12", "S02", 3, 450, "Voda");
            AddInvoice({5, "00045", "3", 248, 0, 0, 300, -150});
            AddItem(5, "00045", "3", "S01", 20, 12.40, "Održavanje");
            AddItem(5, "00045", "3", "S03", 1, 300, "Ostalo");
            // Another run's invoice of the same customer is not this run's.
            AddInvoice({6, "00123", "12", 0, 0, 0, 777, 0});
            AddItem(6, "00123", "12", "S03", 1, 777, "Ostalo");
        });
    }
    static std::string QrText(const std::string& number, const std::string& amount) {
        return "K:PR|V:01|C:1|R:160000000012345654|N:Stambena zajednica Đurđevdan 21000 Novi Sad|I:RSD" +
               amount + "|SF:289|S:Račun za decembar|RO:00" + number;
    }
    // The QR code of a page's payment form (band at 6, 200, image at 80, 38, 30 x 30), as
    // both decoders read it.
    std::string QrOfPage(const std::string& pdf, int page, const std::string& name) {
        const std::string png = PdfPage(pdf, page, 300, OutputFolder() + "/" + name + "_page");
        const std::string qr =
            CutOut(png, 300, 86 - 3, 238 - 3, 36, 36, OutputFolder() + "/" + name + "_qr.png");
        const std::string zbar = Zbar(qr);
        EXPECT_EQ(Zxing(qr), zbar) << name;
        return zbar;
    }
};

TEST_F(GroupReport, EveryInvoiceOfTheRunOnItsOwnPageWithItsOwnQrCode) {
    const std::string pdf = (dir_ / "grupa.pdf").string();
    const std::filesystem::path temp = dir_ / "tmp";
    std::filesystem::create_directories(temp);
    TempDir tmp(temp.string());
    StartInvoices(5);
    driver.Press(kInvoices, "?BUTTONNORECORDS:3");

    ReportSteps steps(driver);
    steps.ChooseOutput(2);
    QWidget* preview = steps.WaitPreview("IspisFakturaM3");
    preview->grab().save(QString::fromStdString(OutputFolder() + "/group_preview.png"));
    // While the preview is shown: one numbered image per invoice in the report's own
    // folder, in the order of the customer codes.
    std::vector<std::string> files;
    for (const auto& folder : std::filesystem::recursive_directory_iterator(temp))
        if (folder.is_regular_file()) files.push_back(folder.path().filename().string());
    std::sort(files.begin(), files.end());
    ASSERT_EQ(files, (std::vector<std::string>{"qr0001.png", "qr0002.png", "qr0003.png"}));
    std::vector<std::string> numbers;
    for (const auto& f : std::filesystem::recursive_directory_iterator(temp))
        if (f.is_regular_file()) {
            const std::string text = Zbar(f.path().string());
            numbers.push_back(f.path().filename().string() + " " + text.substr(text.rfind("RO:00") + 5));
        }
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, (std::vector<std::string>{"qr0001.png 00045-05-26", "qr0002.png 00123-05-26",
                                                 "qr0003.png 00300-05-26"}));
    steps.PressInPreview(preview, "kvPrint");
    steps.SavePdfAs(pdf);
    driver.WaitUntil([&] { return std::filesystem::exists(pdf) && !FindPreview("IspisFakturaM3"); },
                     "the PDF");
    // The report's folder goes with it; the user's own folder stays.
    const std::filesystem::path own = temp / ("kvadrin-" + std::to_string(::geteuid()));
    driver.WaitUntil([&] { return std::filesystem::is_directory(own) && std::filesystem::is_empty(own); },
                     "the report's folder removed");

    EXPECT_EQ(PdfInfo(pdf, "Pages"), "3");
    EXPECT_EQ(PdfInfo(pdf, "Subject"), "IspisFakture");
    struct Page {
        std::string number, qr_amount;
        std::vector<std::string> shows, absent;
    };
    const std::vector<Page> pages = {
        {"00045-05-26",
         "398,00",
         {"Lokal Kafe", "248,00", "548,00", "UKUPNO ZA UPLATU:", "Više uplaćeno", "150,00 dinara",
          "Klauzula za poslovni prostor", "NALOG ZA UPLATU", "398,00"},
         {"M3", "-150", "MOLIMO", "Petar"}},
        {"00123-05-26",
         "4826,00",
         {"Petar Petrović", "M3", "1.350,00", "2.325,80", "2.326,00", "Dug iz prethodnog perioda",
          "2.500,00 dinara", "MOLIMO IZMIRITE VAŠA DUGOVANJA", "Klauzula za stanove", "4.826,00"},
         {"777", "osoba", "Lokal"}},
        {"00300-05-26",
         "900,00",
         {"Zorana Zorić", "M3", "900,00", "Klauzula za stanove"},
         {"Dug iz", "Petar"}},
    };
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const Page& p = pages[i];
        const int page = static_cast<int>(i) + 1;
        SCOPED_TRACE(p.number);
        const std::string text = PageText(pdf, page);
        Contains(text, {"RAČUN BROJ: " + p.number}, "page " + std::to_string(page));
        Contains(text, p.shows, "page " + std::to_string(page));
        for (const std::string& a : p.absent)
            EXPECT_EQ(text.find(a), std::string::npos) << a << ":\n" << text;
        // The form's number is the page's.
        const std::vector<PdfWord> words = PdfWords(pdf);
        const PdfWord* reference = FindWord(words, p.number, page, 200);
        ASSERT_NE(reference, nullptr);
        EXPECT_NEAR(reference->x, 89, 1.5);
        EXPECT_EQ(QrOfPage(pdf, page, "group_" + p.number), QrText(p.number, p.qr_amount));
    }
    CloseAll();
}

TEST_F(GroupReport, AnImageThatCannotBeWrittenIsToldAndNoFormShowsACode) {
    const std::string pdf = (dir_ / "bez_qr.pdf").string();
    const std::string blocked = (dir_ / "not-a-folder").string();
    { std::ofstream(blocked) << "x"; }
    StartInvoices(5);
    std::string told;
    {
        TempDir tmp(blocked);
        driver.Press(kInvoices, "?BUTTONNORECORDS:3");
        ReportSteps(driver).ChooseOutput(2);
        told = driver.Answer("OK");
    }
    EXPECT_NE(told.find("QR kod za uplatu fakture 00045-05-26 nije mogao biti napravljen"), std::string::npos)
        << told;
    ReportSteps steps(driver);
    QWidget* preview = steps.WaitPreview("IspisFakturaM3");
    EXPECT_FALSE(driver.MessageOpen()) << "told once";
    steps.PressInPreview(preview, "kvPrint");
    steps.SavePdfAs(pdf);
    driver.WaitUntil([&] { return std::filesystem::exists(pdf) && !FindPreview("IspisFakturaM3"); },
                     "the PDF");
    EXPECT_EQ(PdfInfo(pdf, "Pages"), "3");
    for (int page = 1; page <= 3; ++page) {
        Contains(PageText(pdf, page), {"NALOG ZA UPLATU"}, "page " + std::to_string(page));
        EXPECT_EQ(QrOfPage(pdf, page, "no_qr_" + std::to_string(page)), "") << page;
    }
    CloseAll();
}

TEST_F(GroupReport, AWrongFirmAccountIsToldOnceAndNoFormShowsACode) {
    ZIRORAC1 = "160-123456-78";  // fails mod 97
    const std::string pdf = (dir_ / "pogresan_racun.pdf").string();
    StartInvoices(5);
    driver.Press(kInvoices, "?BUTTONNORECORDS:3");
    const std::string told = driver.Answer("OK");
    EXPECT_NE(told.find("\"160-123456-78\""), std::string::npos) << told;
    ToPdf("IspisFakturaM3", pdf);
    EXPECT_FALSE(driver.MessageOpen()) << "told once, not per invoice";
    EXPECT_EQ(PdfInfo(pdf, "Pages"), "3");
    for (int page = 1; page <= 3; ++page) {
        Contains(PageText(pdf, page), {"NALOG ZA UPLATU", "160-123456-78"}, "page " + std::to_string(page));
        EXPECT_EQ(QrOfPage(pdf, page, "wrong_account_" + std::to_string(page)), "") << page;
    }
    CloseAll();
}

// An invoice whose customer code has no payer (the owner deleted since) is left out,
// and the user told once; the other invoices print.
TEST_F(GroupReport, AnInvoiceWithoutItsPayerIsLeftOutAndTold) {
    OnThread([] {
        AddUnit("99", "00999", "Stan", "Ne");
        AddInvoice({5, "00999", "99", 0, 0, 0, 99, 0});
        AddItem(5, "00999", "99", "S03", 1, 99, "Ostalo");
    });
    const std::string pdf = (dir_ / "bez_platioca.pdf").string();
    StartInvoices(5);
    driver.Press(kInvoices, "?BUTTONNORECORDS:3");
    ReportSteps steps(driver);
    steps.ChooseOutput(2);
    const std::string told = driver.Answer("OK");
    EXPECT_NE(told.find("00999"), std::string::npos) << told;
    QWidget* preview = steps.WaitPreview("IspisFakturaM3");
    EXPECT_FALSE(driver.MessageOpen()) << "told once";
    steps.PressInPreview(preview, "kvPrint");
    steps.SavePdfAs(pdf);
    driver.WaitUntil([&] { return std::filesystem::exists(pdf) && !FindPreview("IspisFakturaM3"); },
                     "the PDF");
    EXPECT_EQ(PdfInfo(pdf, "Pages"), "3");
    EXPECT_EQ(PdfText(pdf).find("00999"), std::string::npos);
    CloseAll();
}

TEST_F(GroupReport, TenMillionAndMorePrintWholeOnTheFormAndToPay) {
    OnThread([] {
        AddOwner("00900", "Velika Firma", "Bulevar 100");
        AddUnit("90", "00900", "Poslovni prostor", "Ne");
        AddInvoice({7, "00900", "90", 0, 0, 0, 12345678, 0});
        AddItem(7, "00900", "90", "S03", 1, 12345678, "Ostalo");
    });
    const std::string pdf = (dir_ / "milioni.pdf").string();
    StartInvoices(7);
    driver.Press(kInvoices, "?BUTTONNORECORDS:3");
    ToPdf("IspisFakturaM3", pdf);
    const std::string text = PageText(pdf, 1);
    const std::vector<PdfWord> words = PdfWords(pdf);
    const PdfWord* label = FindWord(words, "UPLATU:", 1, 80);
    ASSERT_NE(label, nullptr);
    int form = 0, to_pay = 0;
    for (const PdfWord& w : words) {
        // Whole on the form and beside "UKUPNO ZA UPLATU:" (the item's columns are as
        // narrow as the Part's table has them).
        if (w.y > 200 || std::abs(w.y - label->y) < 1) {
            EXPECT_EQ(w.text.find('#'), std::string::npos) << w.text << " at " << w.x << ", " << w.y;
        }
        if (w.text != "12.345.678,00") continue;
        if (w.y > 200) {
            ++form;
            EXPECT_TRUE((w.x > 86 && w.right < 132) || (w.x > 152 && w.right < 194)) << w.x << " " << w.right;
        } else if (std::abs(w.y - label->y) < 1) {
            ++to_pay;
            EXPECT_GT(w.x, label->right + 1);
        }
    }
    EXPECT_EQ(form, 2) << text;
    EXPECT_EQ(to_pay, 1) << text;
    EXPECT_EQ(QrOfPage(pdf, 1, "millions_group"), QrText("00900-07-26", "12345678,00"));
    CloseAll();
}

TEST(GroupQrFiles, FourDigitsAndBeyondNineThousandNineHundredNinetyNineAFileEach) {
    const std::map<int, std::string> names = {{1, "qr0001.png"},
                                              {42, "qr0042.png"},
                                              {9999, "qr9999.png"},
                                              {10000, "qr10000.png"},
                                              {32768, "qr32768.png"}};
    for (const auto& [n, name] : names) EXPECT_EQ(GroupQrFileName(n), name);
}

// ---- The overview of obligations -------------------------------------------------------

TEST_F(ListReports, TheOverviewOfObligationsRoundsEachLineAndSumsTheColumns) {
    OnThread([] {
        AddOwner("00001", "Ana Anić");
        AddOwner("00002", "Boris Babić");
        AddOwner("00003", "Ceca Cvetić");
        AddOwner("00004", "Dragan Dudić");
        AddUnit("1", "00001", "Stan", "Ne", "", 50.25, 2);
        AddUnit("2", "00002", "Stan", "Ne", "", 1200, 3);
        AddUnit("3", "00003", "Stan", "Ne", "", 30, 1.5);
        AddUnit("4", "00004", "Stan", "Ne", "", 40, 0);
        AddInvoice({7, "00001", "1", 1000.20, 500.20, 300.20, 0, 0});  // 1800.60
        AddInvoice({7, "00002", "2", 1000, 200, 34.50, 0, 0});         // 1234.50
        AddInvoice({7, "00003", "3", 0, 0, 0, -10.50, 0});             // -10.50
        AddInvoice({7, "00004", "4", 100, 0, 0, 0, -150});             // a negative debt
        AddInvoice({6, "00001", "1", 9999, 0, 0, 0, 0});               // another run
    });
    const std::string pdf = (dir_ / "obaveze.pdf").string();
    StartInvoices(7);
    driver.PickRow(kInvoices, kList, 2);
    driver.Press(kInvoices, "?BUTTONNORECORDS:4");
    ToPdf("SpisakObaveza", pdf, "obligations_preview.png");
    EXPECT_EQ(PdfInfo(pdf, "Pages"), "1");
    EXPECT_EQ(PdfInfo(pdf, "Subject"), "SpisakObaveza");
    const std::string text = PdfText(pdf);
    std::vector<std::string> lines;
    for (std::size_t at = 0, nl; at < text.size(); at = nl + 1) {
        nl = text.find('\n', at);
        if (nl == std::string::npos) nl = text.size();
        lines.push_back(text.substr(at, nl - at));
    }
    auto line_of = [&](const std::string& who) {
        for (const std::string& l : lines)
            if (l.find(who) != std::string::npos) return l;
        return std::string();
    };
    // Each line: its count, unit, partner, and the total rounded to whole dinars.
    struct Line {
        std::string who;
        std::vector<std::string> shows;
        std::string total;
    };
    const std::vector<Line> expected = {
        {"Ana Anić", {"1", "50,25", "2,00", "1.000,20", "500,20", "300,20", "0,00"}, "1.801,00"},
        {"Boris Babić", {"2", "1.200,00", "3,00", "1.000,00", "34,50"}, "1.235,00"},
        {"Ceca Cvetić", {"3", "-10,50"}, "-11,00"},
        {"Dragan Dudić", {"4", "100,00", "-150,00"}, "-50,00"},
    };
    for (const Line& e : expected) {
        const std::string l = line_of(e.who);
        ASSERT_FALSE(l.empty()) << e.who << " in\n" << text;
        Contains(l, e.shows, e.who);
        EXPECT_EQ(l.substr(l.find_last_not_of(' ') + 1 - e.total.size()), e.total) << l;
    }
    EXPECT_EQ(text.find("9.999"), std::string::npos) << "another run's invoice";
    Contains(text, {"PREGLED OBAVEZA", "Decembar 2026", "RB", "Dug od pre", "Ukupno", "Strana 1"},
             "the page");
    // The totals once at the end: areas with a decimal point, the money with a comma.
    const std::string footer = line_of("1,320.25");
    ASSERT_FALSE(footer.empty()) << text;
    Contains(footer, {"6.50", "2.100,20", "700,20", "334,70", "-10,50", "-150,00", "2.975,00"}, "the totals");
    CloseAll();
}

TEST_F(ListReports, AnOverviewOfManyInvoicesNumbersItsLinesAndPages) {
    OnThread([] {
        for (int i = 1; i <= 60; ++i) {
            const std::string code = rt::format(static_cast<double>(i), "@n05");
            AddOwner(code.c_str(), ("Vlasnik " + std::to_string(i)).c_str());
            AddUnit(std::to_string(i).c_str(), code.c_str(), "Stan", "Ne");
            AddInvoice({9, code.c_str(), std::to_string(i).c_str(), 10, 0, 0, 0, 0});
        }
    });
    const std::string pdf = (dir_ / "obaveze60.pdf").string();
    StartInvoices(9);
    driver.Press(kInvoices, "?BUTTONNORECORDS:4");
    ToPdf("SpisakObaveza", pdf);
    EXPECT_EQ(PdfInfo(pdf, "Pages"), "2");
    const std::string first = PageText(pdf, 1), second = PageText(pdf, 2);
    Contains(first, {"Strana 1", "Vlasnik 1 ", "PREGLED OBAVEZA"}, "page 1");
    Contains(second, {"Strana 2", "Vlasnik 60", "600,00", "PREGLED OBAVEZA"}, "page 2");
    EXPECT_EQ(first.find("600,00"), std::string::npos) << "the totals only at the end";
    const std::vector<PdfWord> words = PdfWords(pdf);
    EXPECT_NE(FindWord(words, "60", 2), nullptr) << "the running count goes on across pages";
    CloseAll();
}

// A building of hundreds of units: the persons' and areas' totals print whole, each
// where its column is (250 units of 6 persons: 1,500.00; of 48: 12,000.00, what 2,000
// units of six persons come to).
TEST_F(ListReports, TheTotalsOfALargeBuildingPrintWhole) {
    OnThread([] {
        for (int i = 1; i <= 250; ++i) {
            const std::string code = rt::format(static_cast<double>(i), "@n05");
            AddOwner(code.c_str(), ("Vlasnik " + std::to_string(i)).c_str());
            AddUnit(std::to_string(i).c_str(), code.c_str(), "Stan", "Ne", "Stanar", 60, 6);
            AddInvoice({9, code.c_str(), std::to_string(i).c_str(), 10, 0, 0, 0, 0});
        }
    });
    struct Case {
        double persons;
        std::string persons_total;
    };
    for (const Case& c : {Case{6, "1,500.00"}, Case{48, "12,000.00"}}) {
        SCOPED_TRACE(c.persons_total);
        OnThread([&c] {
            ASSERT_EQ(Files::KVADRIN().SendSql("UPDATE KVADRIN SET BROJOSOBA=" +
                                               std::to_string(static_cast<int>(c.persons))),
                      0);
        });
        // The overview: the area's and the persons' totals side by side, apart.
        const std::string overview = (dir_ / ("obaveze_" + c.persons_total + ".pdf")).string();
        StartInvoices(9);
        driver.Press(kInvoices, "?BUTTONNORECORDS:4");
        ToPdf("SpisakObaveza", overview);
        CloseAll();
        const std::string text = PdfText(overview);
        EXPECT_EQ(text.find('#'), std::string::npos) << text;
        const std::vector<PdfWord> words = PdfWords(overview);
        const PdfWord* area = FindWord(words, "15,000.00");
        const PdfWord* persons = FindWord(words, c.persons_total);
        ASSERT_NE(area, nullptr) << text;
        ASSERT_NE(persons, nullptr) << text;
        EXPECT_NEAR(area->y, persons->y, 0.5);
        EXPECT_GT(persons->x, area->right + 0.5) << "apart";
        EXPECT_GT(area->x, 6 + 63.0) << "within the area's column";
        EXPECT_LT(persons->right, 6 + 89.0) << "ends where its column ends";
        EXPECT_NE(FindWord(words, "250"), nullptr) << "the running count of the lines";

        // The list of tenants: every total within its column.
        const std::string tenants = (dir_ / ("stanari_" + c.persons_total + ".pdf")).string();
        browse_thread_ = driver.Start([] {
            CallRequest = 0;
            BrowseKvadrin();
        });
        driver.WaitUntil([&] { return driver.RowCount(kUnits, kList) > 0; }, "the units");
        driver.Press(kUnits, "?BUTTONNORECORDS");
        driver.WaitForWindow(kSortSelectionProcedure);
        driver.Press(kSortSelectionProcedure, "?SBUTTONOK");
        ToPdf("IspisStanara", tenants);
        CloseAll();
        const std::string list = PdfText(tenants);
        EXPECT_EQ(list.find('#'), std::string::npos) << list;
        const std::string totals = list.substr(list.find("Ukupno kvadrina:"));
        Contains(totals.substr(0, totals.find('\n')), {" 250 ", "15,000.00", "13,750.00", c.persons_total},
                 "the totals");
        const std::vector<PdfWord> list_words = PdfWords(tenants);
        const PdfWord* total = FindWord(list_words, c.persons_total);
        ASSERT_NE(total, nullptr);
        EXPECT_GT(total->x, 6 + 185.0);
        EXPECT_LT(total->right, 6 + 204.0);
    }
}

// ---- The list of tenants ----------------------------------------------------------------

class TenantList : public ListReports {
protected:
    void SetUp() override {
        ListReports::SetUp();
        OnThread([] {
            // The occupant's name, the partner's name, the number and the code each order
            // the units differently.
            AddOwner("00003", "Ana Anić");
            AddOwner("00001", "Zorica Zorić");
            AddOwner("00002", "Branko Babić");
            AddOwner("00004", "Milica Mikić");
            AddUnit("1", "00003", "Stan", "Da", "Zoran Zec", 52.4, 3);
            AddUnit("10", "00001", "Stan", "Ne", "Milan Marić", 38.75, 1);
            AddUnit("2", "00002", "Stan", "Da", "Čedomir Čolić", 71.2, 4);
            AddUnit("3", "00004", "Garaza", "Ne", "Ana Jović", 12, 0);
        });
    }
    void StartUnits() {
        browse_thread_ = driver.Start([] {
            CallRequest = 0;
            BrowseKvadrin();
        });
        driver.WaitUntil([&] { return driver.RowCount(kUnits, kList) > 0; }, "the units");
    }
    // The unit numbers in the list's BROJ column, top to bottom.
    static std::vector<std::string> Listed(const std::string& pdf) {
        std::vector<PdfWord> words;
        for (const PdfWord& w : PdfWords(pdf))
            if (w.x < 20 && w.y > 33 && w.y < 190 && w.text != "Ukupno" && w.text != "kvadrina:")
                words.push_back(w);
        std::stable_sort(words.begin(), words.end(), [](const PdfWord& a, const PdfWord& b) {
            return a.page != b.page ? a.page < b.page : a.y < b.y;
        });
        std::vector<std::string> out;
        for (const PdfWord& w : words) out.push_back(w.text);
        return out;
    }
};

TEST_F(TenantList, TheChosenOrderOnLandscapePagesWithTheTotals) {
    enum How { OkDefault, DoubleClick, PickAndOk };
    struct Case {
        int row;
        How how;
        std::vector<std::string> units;
    };
    const std::vector<Case> cases = {
        {1, OkDefault, {"1", "10", "2", "3"}},    // PO STANU: the numbers as texts
        {2, DoubleClick, {"3", "2", "10", "1"}},  // PO VLASNIKU: the occupant field, Č after C
        {3, PickAndOk, {"10", "2", "1", "3"}},    // PO ŠIFRI VLASNIKA
    };
    StartUnits();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        const std::string pdf = (dir_ / ("stanari" + std::to_string(c.row) + ".pdf")).string();
        driver.Press(kUnits, "?BUTTONNORECORDS");
        driver.WaitForWindow(kSortSelectionProcedure);
        EXPECT_EQ(driver.Caption(kSortSelectionProcedure), "Select the Order");
        EXPECT_EQ(driver.RowCount(kSortSelectionProcedure, "?SORTSELECTIONLIST"), 3);
        EXPECT_EQ(driver.Cell(kSortSelectionProcedure, "?SORTSELECTIONLIST", 3, 1), "PO ŠIFRI VLASNIKA");
        if (c.row == 1) driver.Snapshot(kSortSelectionProcedure, "tenants_sort_choice.png");
        if (c.how == DoubleClick) {
            driver.DoubleClickRow(kSortSelectionProcedure, "?SORTSELECTIONLIST", c.row);
        } else {
            if (c.how == PickAndOk) driver.PickRow(kSortSelectionProcedure, "?SORTSELECTIONLIST", c.row);
            driver.Press(kSortSelectionProcedure, "?SBUTTONOK");
        }
        ToPdf("IspisStanara", pdf, c.row == 2 ? "tenants_preview.png" : "");
        EXPECT_EQ(Listed(pdf), c.units);
        const std::string size = PdfInfo(pdf, "Page size");
        EXPECT_EQ(size.rfind("842 x 595", 0), 0u) << size;
        const std::string text = PdfText(pdf);
        Contains(text,
                 {"SPISAK STANARA", "Stambena zajednica Đurđevdan", "ŠIFRA", "KORISNIK", "Ukupno kvadrina:",
                  "174.35", "Strana 1", "Zorica Zorić", "Milan Marić", "00001", "021/555-333"},
                 "the list");
        const std::string totals = text.substr(text.find("Ukupno kvadrina:"));
        Contains(totals.substr(0, totals.find('\n')), {" 4 ", "174.35", "8.00"}, "the totals");
    }
    CloseAll();
}

TEST_F(TenantList, AQueryLimitsTheNextListOnlyAndACancelledChoicePrintsNothing) {
    StartUnits();
    // A query on the occupant's name: the list limited to it, the text cleared after use.
    driver.Press(kUnits, "?QUERY");
    driver.WaitForWindow("QbeWindow");
    driver.Type("QbeWindow", "?QBE:OP4", "contains");
    driver.Type("QbeWindow", "?QBE:VALUE4", "IĆ");
    driver.Press("QbeWindow", "?OK");
    driver.WaitClosed("QbeWindow");
    driver.WaitUntil([&] { return driver.RowCount(kUnits, kList) == 3; }, "the query's units");
    const std::string limited = (dir_ / "upit.pdf").string();
    driver.Press(kUnits, "?BUTTONNORECORDS");
    driver.WaitForWindow(kSortSelectionProcedure);
    driver.Press(kSortSelectionProcedure, "?SBUTTONOK");
    ToPdf("IspisStanara", limited);
    EXPECT_EQ(Listed(limited), (std::vector<std::string>{"10", "2", "3"}));
    EXPECT_EQ(rt::clip(QBEFILTER.str()), "");

    // Cancelled: no output choice, nothing printed; the filter handed over stays.
    driver.Press(kUnits, "?BUTTONNORECORDS");
    driver.WaitForWindow(kSortSelectionProcedure);
    driver.Press(kSortSelectionProcedure, "?SBUTTONCANCEL");
    driver.WaitClosed(kSortSelectionProcedure);
    driver.WaitUntil([&] { return driver.Enabled(kUnits, kList); }, "back in the units");
    EXPECT_EQ(driver.Server().FindWindow(rt::report::kOutputWindowProcedure), nullptr);
    EXPECT_EQ(driver.Server().FindWindow("IspisStanara"), nullptr);
    EXPECT_NE(rt::clip(QBEFILTER.str()), "");

    // The query cleared: the next list shows every unit.
    driver.Press(kUnits, "?QUERY");
    driver.WaitForWindow("QbeWindow");
    driver.Press("QbeWindow", "?CLEAR");
    driver.Press("QbeWindow", "?OK");
    driver.WaitClosed("QbeWindow");
    driver.WaitUntil([&] { return driver.RowCount(kUnits, kList) == 4; }, "every unit again");
    const std::string all = (dir_ / "svi.pdf").string();
    driver.Press(kUnits, "?BUTTONNORECORDS");
    driver.WaitForWindow(kSortSelectionProcedure);
    driver.Press(kSortSelectionProcedure, "?SBUTTONOK");
    ToPdf("IspisStanara", all);
    EXPECT_EQ(Listed(all), (std::vector<std::string>{"1", "10", "2", "3"}));
    CloseAll();
}

}  // namespace
}  // namespace kvtest
