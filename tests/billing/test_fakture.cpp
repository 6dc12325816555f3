// The invoices of a run with real widgets on the embedded store, started as the menu item
// "Izrada faktura" starts them: the runs (locked ones in grey), the invoice browse with its
// joins, "UKUPAN DUG", red rows and totals, the clause the reports print; the items of an
// invoice corrected and, on closing, the invoice summed again and its posting replaced
// (as one transaction, also when the database refuses a write); the invoice form's unit
// lookup and its customer.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "billing/kvd020_izbor_za_fakture.h"
#include "data/keys.h"
#include "platform/core/datetime.h"
#include "platform/core/numeric.h"
#include "platform/core/picture.h"
#include "platform/files/sql/connection.h"
#include "shell/kvd001_main.h"
#include "tests/billing/register_fixture.h"
#include "tests/driver/beep_counter.h"
#include "tests/driver/report_fixture.h"

using namespace kvadrin;
namespace Key = rt::ui::Key;
namespace Event = rt::ui::Event;

namespace {

constexpr const char* kRuns = "IzborZaFakture";
constexpr const char* kInvoices = "BrowseSFAKT";
constexpr const char* kItems = "BrowseSPROM";
constexpr const char* kItemForm = "UpdateSPROM";
constexpr const char* kInvoiceForm = "UpdateSFAKT";
constexpr const char* kList = "?BROWSE:1";
const std::int32_t kMay31 = rt::date(5, 31, 2024);
const std::int32_t kJune15 = rt::date(6, 15, 2024);
constexpr long kRed = 0x0000FF;
constexpr long kGrey = 0x808080;

// Rows written straight into the tables (on a procedure thread); texts in UTF-8.
void AddRun(int run, const char* name, std::uint8_t locked = 0) {
    Files::OBRAC().Clear();
    OBR.OBRACUN = static_cast<std::int16_t>(run);
    OBR.NAZIV = rt::utf8_to_cp1250(name);
    OBR.DATUM = kMay31;
    OBR.VALUTA = kJune15;
    OBR.ZAKLJUCAN = locked;
    kvtest::StoreTest::AddRowOf(TableId::OBRAC);
}
void AddUnit(const char* broj, const char* customer, const char* water, double coefficient = 1.0,
             const char* owner = "Vlasnik") {
    Files::KVADRIN().Clear();
    KVD.BROJ = broj;
    KVD.SHKORISNIKA = customer;
    KVD.VLASNIK = rt::utf8_to_cp1250(owner);
    KVD.VODOMER = water;
    KVD.KOEFICIJENT = coefficient;
    kvtest::StoreTest::AddRowOf(TableId::KVADRIN);
}
void AddService(const char* code, const char* name, const char* column) {
    Files::OBAVEZE().Clear();
    OBA.SIFRA = code;
    OBA.NAZIV = rt::utf8_to_cp1250(name);
    OBA.JM = "kom";
    OBA.NACIN = "Fiksno";
    OBA.KOLONA = rt::utf8_to_cp1250(column);
    kvtest::StoreTest::AddRowOf(TableId::OBAVEZE);
}
void AddClause(int number, const char* description, const char* text = "") {
    Files::SKLAUZUL().Clear();
    SKL.SIFRA = static_cast<std::int16_t>(number);
    SKL.OPIS = rt::utf8_to_cp1250(description);
    SKL.TEKSTKLAUZULE = text;
    SKL.TEKSTPOSLOVNI = text;
    kvtest::StoreTest::AddRowOf(TableId::SKLAUZUL);
}
struct Invoice {
    int run;
    const char* customer;
    const char* unit;
    double odrzavanje, struja, voda, ostalo, dug, ukupno;
};
void AddInvoice(const Invoice& i) {
    Files::SFAKT().Clear();
    SFA.OBRACUN = static_cast<std::int16_t>(i.run);
    SFA.SHKORISNIKA = i.customer;
    SFA.BROJSTANA = i.unit;
    SFA.ODRZAVANJE = i.odrzavanje;
    SFA.STRUJA = i.struja;
    SFA.VODA = i.voda;
    SFA.OSTALO = i.ostalo;
    SFA.DUG = i.dug;
    SFA.UKUPNO = i.ukupno;
    kvtest::StoreTest::AddRowOf(TableId::SFAKT);
}
void AddItem(const char* customer, const char* code, double quantity, double price, double total,
             const char* column, const char* unit = "1") {
    Files::SPROM().Clear();
    SPR.OBRACUN = 5;
    SPR.SHKORISNIKA = customer;
    SPR.DATUM = kMay31;
    SPR.VALUTA = kJune15;
    SPR.SIFRA = code;
    SPR.KOLICINA = quantity;
    SPR.CENA = price;
    SPR.UKUPNO = total;
    SPR.KOLONA = rt::utf8_to_cp1250(column);
    SPR.BROJSTANA = unit;
    kvtest::StoreTest::AddRowOf(TableId::SPROM);
}
void AddPosting(const char* account, const char* customer, const char* voucher, double amount,
                const char* recno, const char* side = "D") {
    Files::SKPROMET().Clear();
    SKP.SINTETIKA = account;
    SKP.ANALITIKA = customer;
    SKP.NALOG = voucher;
    SKP.DATUM = kMay31;
    SKP.DUGPOT = side;
    SKP.IZNOS = amount;
    SKP.DUGUJE = side[0] == 'D' ? amount : 0.0;
    SKP.RECNO = recno;
    kvtest::StoreTest::AddRowOf(TableId::SKPROMET);
}

class FaktureGui : public kvtest::StoreTest {
protected:
    void SetUp() override {
        SetUpStore("FAKTDB");
        IZABRANIOBRACUN = 0;
    }
    void TearDown() override {
        StoreTest::TearDown();
        IZABRANIOBRACUN = 0;
    }

    // The choice of a run, started as the frame's menu item starts it.
    void StartRuns() {
        thread_ = driver.Start(MenuProcedure("IzborZaFakture"));
        driver.WaitForWindow(kRuns);
        driver.WaitUntil([&] { return driver.RowCount(kRuns, kList) > 0; }, "the runs listed");
    }
    // The invoices of run `row` of the run list, opened with the command.
    void OpenInvoices(int row) {
        PickRow(kRuns, row);
        driver.Press(kRuns, "?BUTTONNORECORDS");
        driver.WaitForWindow(kInvoices);
    }
    void PickRow(const char* procedure, int row) {
        driver.PickRow(procedure, kList, row);
        driver.WaitUntil([&] { return rt::ui::ThreadIdle(thread_); }, "the row taken");
    }
    // Closes the thread's active window with its close box.
    void CloseActive(const char* procedure) {
        rt::ui::rtl_post(Event::CloseWindow, 0, thread_);
        Closed(procedure);
    }
    void CloseAll() {
        CloseActive(kInvoices);
        CloseActive(kRuns);
        driver.WaitForThreads();
    }

    std::string Cell(const char* procedure, int row, int column) {
        return driver.Cell(procedure, kList, row, column);
    }
    std::vector<std::string> Row(const char* procedure, int row) {
        std::vector<std::string> out;
        const int columns = procedure == std::string(kInvoices) ? 10 : 8;
        for (int c = 1; c <= columns; ++c) out.push_back(rt::clip(rt::left(Cell(procedure, row, c))));
        return out;
    }
    std::string Shown(const char* procedure, const char* label) {
        return rt::clip(rt::left(driver.Text(procedure, label)));
    }
    void WaitShown(const char* procedure, const char* label, const std::string& text) {
        driver.WaitUntil([&] { return Shown(procedure, label) == text; },
                         std::string(label) + " shows " + text);
    }
    // The totals line: count, then the seven sums.
    std::vector<std::string> Totals() {
        std::vector<std::string> out;
        for (const char* t :
             {"?UKFAK", "?ODRZAVANJE", "?STRUJA", "?VODA", "?OSTALO", "?UKUPNO", "?UKDUG", "?UKSAMOT"})
            out.push_back(Shown(kInvoices, t));
        return out;
    }

    // Every row of a table as "field|field|..." texts (UTF-8) of the fields named, in key
    // order.
    std::vector<std::string> TableRows(TableId table, int key, const std::vector<std::string>& fields) {
        std::vector<std::string> out;
        OnThread([&] {
            rt::FileManager* fm = Access::Of(table);
            fm->Open();
            fm->UseTable(rt::kUseOpen);
            rt::File& f = Files::Of(table);
            f.Clear();
            f.Set(key);
            const rt::RecordLayout& l = table_def(table).layout;
            while (f.Next() == 0) {
                std::string row;
                for (const std::string& name : fields) {
                    const rt::ui::Binding b = rt::ui::Binding::OfField(*l.field(name), f.buffer());
                    row += (row.empty() ? "" : "|") +
                           rt::cp1250_to_utf8(b.numeric() ? rt::plain_number(b.number()) : b.text());
                }
                out.push_back(row);
            }
            fm->Close();
        });
        return out;
    }
    std::vector<std::string> InvoiceRows() {
        return TableRows(TableId::SFAKT, SFA_PO_OBRACUNU,
                         {"SFA:OBRACUN", "SFA:SHKORISNIKA", "SFA:BROJSTANA", "SFA:ODRZAVANJE", "SFA:STRUJA",
                          "SFA:VODA", "SFA:OSTALO", "SFA:DUG", "SFA:UKUPNO"});
    }
    // The postings without their RECNO, and the RECNOs of the run's voucher.
    std::vector<std::string> PostingRows() {
        return TableRows(
            TableId::SKPROMET, SKP_PO_NALOGU,
            {"SKP:NALOG", "SKP:SINTETIKA", "SKP:ANALITIKA", "SKP:VRSTAVEZE", "SKP:VEZA", "SKP:DATUM",
             "SKP:VALUTA", "SKP:OPIS", "SKP:DUGPOT", "SKP:IZNOS", "SKP:DUGUJE", "SKP:POTRAZUJE"});
    }
    std::vector<std::string> Recnos() {
        return TableRows(TableId::SKPROMET, SKP_PO_NALOGU, {"SKP:NALOG", "SKP:ANALITIKA", "SKP:RECNO"});
    }

    // A statement on the firm's database from another connection (as another program
    // would), such as a trigger that refuses writes.
    void Sql(const std::string& text) {
        OnThread([&] {
            auto conn = rt::sql::ConnectionFor(OWNERFIRME.str());
            ASSERT_TRUE(conn) << "no connection";
            ASSERT_TRUE(conn->Execute(text)) << conn->ErrorText() << ": " << text;
        });
    }

    int thread_ = 0;
};

// A posting row as PostingRows shows it: one the re-posting wrote, or one seeded by
// AddPosting.
std::string Posting(const char* voucher, const char* account, const char* customer, double amount) {
    const std::string a = rt::plain_number(amount);
    return std::string(voucher) + "|" + account + "|" + customer + "|Z|000000005|" + std::to_string(kMay31) +
           "|" + std::to_string(kJune15) + "|Maj 2024|D|" + a + "|" + a + "|0";
}
std::string Seeded(const char* voucher, const char* account, const char* customer, double amount,
                   const char* side = "D") {
    const std::string a = rt::plain_number(amount);
    return std::string(voucher) + "|" + account + "|" + customer + "|||" + std::to_string(kMay31) + "|0||" +
           side + "|" + a + "|" + (side[0] == 'D' ? a : "0") + "|0";
}

// ---- The runs and the invoice browse ----------------------------------------------------

class InvoiceBrowse : public FaktureGui {
protected:
    void SetUp() override {
        FaktureGui::SetUp();
        OnThread([] {
            AddRun(4, "April 2024", 1);  // locked, without invoices
            AddRun(5, "Maj 2024");
            AddClause(5, "Klauzula za maj");
            AddClause(7, "Stara klauzula");
            kvtest::StoreTest::AddOwner("00001", "Petrović Petar");
            kvtest::StoreTest::AddOwner("00002", "Jovanović Ana");
            kvtest::StoreTest::AddOwner("00003", "Nikolić Mira");
            AddUnit("1", "00001", "Da");
            AddUnit("2", "00002", "Da");
            AddUnit("3", "00003", "Ne");
            // A water meter and no water: red. A thousandth of water: not red. No meter:
            // not red. No unit and no partner: blanks, not red. Run 6's invoice: not listed.
            AddInvoice({5, "00001", "1", 100.25, 20.5, 0.0, 5, 50, 126});
            AddInvoice({5, "00002", "2", 70, 10, 0.001, 0, -30, 80});
            AddInvoice({5, "00003", "3", 10, 0, 0.0, 0, 0, 10});
            AddInvoice({5, "00004", "9", 1, 2, 3, 4, 5, 10});
            AddInvoice({6, "00001", "1", 1000, 0, 0, 0, 0, 1000});
        });
    }
};

TEST_F(InvoiceBrowse, LockedRunsInGreyTheInvoicesOfTheRunTheirRedRowsAndTotals) {
    StartRuns();
    EXPECT_EQ(driver.Caption(kRuns), "IZABERI OBRAČUN");
    EXPECT_EQ(driver.Text(kRuns, "?BUTTONNORECORDS"), "&FAKTURE PO OBRAČUNU");
    for (const char* hidden : {"?SELECT:2", "?VIEW:3", "?CLOSE", "?HELP"})
        EXPECT_FALSE(driver.Visible(kRuns, hidden)) << hidden;
    EXPECT_EQ(Cell(kRuns, 1, 1), "04");
    EXPECT_EQ(Cell(kRuns, 2, 2), "Maj 2024");
    EXPECT_EQ(Cell(kRuns, 2, 3), "31/05/24");
    EXPECT_EQ(driver.CellColors(kRuns, kList, 1, 2), (std::vector<long>{kGrey, -1, -1, kGrey}));
    EXPECT_EQ(driver.CellColors(kRuns, kList, 2, 2), (std::vector<long>{-1, -1, -1, -1}));

    OpenInvoices(2);
    EXPECT_EQ(IZABRANIOBRACUN, 5) << "the run's own clause";
    EXPECT_FALSE(driver.MessageOpen());
    EXPECT_EQ(driver.Caption(kInvoices), "FAKTURE PO OBRAČUNU");
    EXPECT_EQ(driver.Text(kInvoices, "?OBR:OBRACUN"), "05");
    EXPECT_EQ(Shown(kInvoices, "?OBR:NAZIV"), "Maj 2024");
    EXPECT_EQ(Shown(kInvoices, "?SKL:SIFRA"), "05  Klauzula za maj");
    const std::vector<std::string> headings = {"STAN", "SIFRA",  "KORISNIK", "ODRZAVANJE", "STRUJA",
                                               "VODA", "OSTALO", "UKUPNO",   "DUG OD PRE", "UKUPAN DUG"};
    for (std::size_t c = 0; c < headings.size(); ++c)
        EXPECT_EQ(driver.Heading(kInvoices, kList, static_cast<int>(c + 1)), headings[c]);
    driver.WaitUntil([&] { return driver.RowCount(kInvoices, kList) == 4; }, "the run's four invoices");
    EXPECT_EQ(Row(kInvoices, 1), (std::vector<std::string>{"1", "00001", "Petrović Petar", "100.25", "20.50",
                                                           "0.00", "5.00", "126.00", "50.00", "176.00"}));
    // An overpaid earlier debt lowers what is owed below the invoice's total.
    EXPECT_EQ(Row(kInvoices, 2), (std::vector<std::string>{"2", "00002", "Jovanović Ana", "70.00", "10.00",
                                                           "0.00", "0.00", "80.00", "-30.00", "50.00"}));
    EXPECT_EQ(Row(kInvoices, 4), (std::vector<std::string>{"9", "00004", "", "1.00", "2.00", "3.00", "4.00",
                                                           "10.00", "5.00", "15.00"}));
    const std::vector<long> red = {kRed, -1, -1, kRed}, plain = {-1, -1, -1, -1};
    for (int c : {1, 3, 10}) {
        EXPECT_EQ(driver.CellColors(kInvoices, kList, 1, c), red) << "column " << c;
        for (int row : {2, 3, 4}) EXPECT_EQ(driver.CellColors(kInvoices, kList, row, c), plain) << row;
    }
    EXPECT_EQ(Totals(), (std::vector<std::string>{"4", "181.25", "32.50", "3.00", "9.00", "226.00", "25.00",
                                                  "251.00"}));
    driver.Snapshot(kInvoices, "fakture_browse.png");

    // The popup offers the four commands in its order; all four are enabled.
    for (const char* b :
         {"?BUTTONNORECORDS", "?BUTTONNORECORDS:2", "?BUTTONNORECORDS:3", "?BUTTONNORECORDS:4"})
        EXPECT_TRUE(driver.Enabled(kInvoices, b)) << b;
    EXPECT_EQ(driver.Text(kInvoices, "?BUTTONNORECORDS"), "&STAVKE FAKTURE");
    CloseActive(kInvoices);

    // The locked run opens too; it has no clause of its own (the message, once) and no
    // invoices (the commands disabled, the totals zero). The clause chosen before stays.
    OpenInvoices(1);
    EXPECT_EQ(driver.Answer("OK"), "Unesi klauzulu za ovaj mesec.");
    EXPECT_EQ(IZABRANIOBRACUN, 5);
    driver.WaitUntil([&] { return !driver.Enabled(kInvoices, "?BUTTONNORECORDS"); }, "no invoices: no items");
    for (const char* b : {"?BUTTONNORECORDS:2", "?BUTTONNORECORDS:3", "?BUTTONNORECORDS:4"})
        EXPECT_FALSE(driver.Enabled(kInvoices, b)) << b;
    EXPECT_EQ(Totals(),
              (std::vector<std::string>{"0", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00"}));
    EXPECT_EQ(Shown(kInvoices, "?SKL:SIFRA"), "05  Klauzula za maj");
    EXPECT_FALSE(driver.MessageOpen());

    // Another clause chosen in the drop list is the one every report prints from now on.
    EXPECT_EQ(driver.Items(kInvoices, "?SKL:SIFRA"),
              (std::vector<std::string>{"05  Klauzula za maj", "07  Stara klauzula"}));
    driver.ChooseItem(kInvoices, "?SKL:SIFRA", "07  Stara klauzula");
    driver.WaitUntil([&] { return IZABRANIOBRACUN == 7; }, "clause 7 chosen");
    CloseAll();
    EXPECT_EQ(IZABRANIOBRACUN, 7);
}

TEST_F(InvoiceBrowse, AReportCancelledAtItsOutputChoiceAndTheListIsReadAgain) {
    StartRuns();
    OpenInvoices(2);
    driver.WaitUntil([&] { return driver.RowCount(kInvoices, kList) == 4; }, "the invoices");
    // Another station adds an invoice meanwhile; the list shows it after the command.
    OnThread([] { AddInvoice({5, "00005", "5", 0, 0, 0, 100, 0, 100}); });
    PickRow(kInvoices, 2);
    auto cancel_output = [&] {
        driver.WaitForWindow(rt::report::kOutputWindowProcedure);
        driver.Press(rt::report::kOutputWindowProcedure, "?CANCEL");
        driver.WaitClosed(rt::report::kOutputWindowProcedure);
    };
    driver.Press(kInvoices, "?BUTTONNORECORDS:3");
    cancel_output();
    driver.WaitUntil([&] { return driver.RowCount(kInvoices, kList) == 5; }, "the list read again");
    driver.WaitUntil([&] { return Totals()[0] == "5" && Totals()[4] == "109.00"; }, "the totals with it");
    // The key of "SPISAK OBAVEZA"'s neighbour: F3 presses "GRUPA FAKTURA".
    driver.Focus(kInvoices, kList);
    driver.Keys(kInvoices, {Key::F3});
    cancel_output();
    driver.WaitUntil([&] { return driver.Enabled(kInvoices, kList) && rt::ui::ThreadIdle(thread_); },
                     "the invoices in use again");
    driver.Press(kInvoices, "?BUTTONNORECORDS:4");
    cancel_output();
    driver.WaitUntil([&] { return driver.Enabled(kInvoices, kList) && rt::ui::ThreadIdle(thread_); },
                     "the invoices in use again");
    EXPECT_FALSE(driver.MessageOpen());
    CloseAll();
}

TEST_F(InvoiceBrowse, AReadErrorDuringTheTotalsKeepsThemAndClosesTheWindow) {
    StartRuns();
    OpenInvoices(2);
    driver.WaitUntil([&] { return Totals()[0] == "4"; }, "the totals");
    // The invoices' table goes away under the open list; the next refill fails.
    Sql("ALTER TABLE SFAKT RENAME TO SFAKT_GONE");
    driver.Press(kInvoices, "?BUTTONNORECORDS:4");
    driver.WaitForWindow(rt::report::kOutputWindowProcedure);
    driver.Press(rt::report::kOutputWindowProcedure, "?CANCEL");
    driver.WaitUntil([&] { return driver.MessageOpen(); }, "the read error told");
    EXPECT_EQ(Totals(), (std::vector<std::string>{"4", "181.25", "32.50", "3.00", "9.00", "226.00", "25.00",
                                                  "251.00"}));
    driver.Answer("OK");
    Closed(kInvoices);
    Sql("ALTER TABLE SFAKT_GONE RENAME TO SFAKT");
    CloseActive(kRuns);
    driver.WaitForThreads();
}

// ---- The items and the re-posting ------------------------------------------------------

class InvoiceItems : public FaktureGui {
protected:
    void SetUp() override {
        FaktureGui::SetUp();
        OnThread([] {
            AddRun(5, "Maj 2024");
            AddClause(5, "Klauzula za maj");
            kvtest::StoreTest::AddOwner("00001", "Petrović Petar");
            kvtest::StoreTest::AddOwner("00002", "Jovanović Ana");
            kvtest::StoreTest::AddOwner("00003", "Nikolić Mira");
            AddUnit("1", "00001", "Da", 1.5);
            AddUnit("2", "00002", "Ne");
            AddUnit("3", "00003", "Ne");
            AddService("POV", "Održavanje", "Održavanje");
            AddService("STR", "Struja", "El. energija");
            AddService("VOD", "Voda", "Voda");
            AddService("OST", "Ostalo", "Ostalo");
            // Invoice 00001: its columns as created, before the water was metered.
            AddInvoice({5, "00001", "1", 100.20, 0, 0, 0, 50, 100});
            AddItem("00001", "POV", 1, 100.20, 100.20, "Održavanje");
            AddItem("00001", "VOD", 0, 10, 0, "Voda");
            // Invoice 00002: 100.20 and 50.40, stored with a stale total.
            AddInvoice({5, "00002", "2", 0, 0, 0, 0, 0, 0});
            AddItem("00002", "POV", 1, 100.20, 100.20, "Održavanje", "2");
            AddItem("00002", "OST", 1, 50.40, 50.40, "Ostalo", "2");
            // Invoice 00003: 100.20 and 50.10; one item of a column that is none of the four.
            AddInvoice({5, "00003", "3", 0, 0, 0, 0, 0, 0});
            AddItem("00003", "POV", 1, 100.20, 100.20, "Održavanje", "3");
            AddItem("00003", "STR", 1, 50.10, 50.10, "El. energija", "3");
            AddItem("00003", "VOD", 1, 7, 7, "Grejanje", "3");
            // The ledger: two postings of run 5's voucher for 00001 (both give way), its
            // posting of run 4, a payment, one on another account; and 00002's posting.
            AddPosting("204", "00001", "KVD-05", 100, "KVD0500001");
            AddPosting("204", "00001", "KVD-05", 12, "RUCNO");
            AddPosting("204", "00001", "KVD-04", 80, "KVD0400001");
            AddPosting("204", "00001", "IZV-1", 30, "IZV0000001", "P");
            AddPosting("205", "00001", "KVD-05", 9, "KVD0500009");
            AddPosting("204", "00002", "KVD-05", 0, "KVD0500002");
        });
    }

    // The items of invoice `row` of run 5.
    void OpenItems(int row) {
        StartRuns();
        OpenInvoices(1);
        driver.WaitUntil([&] { return driver.RowCount(kInvoices, kList) == 3; }, "the invoices");
        PickRow(kInvoices, row);
        driver.Focus(kInvoices, kList);
        driver.Keys(kInvoices, {Key::F5});
        driver.WaitForWindow(kItems);
    }
};

TEST_F(InvoiceItems, ACorrectedItemTheInvoiceSummedAgainAndItsPostingReplaced) {
    OpenItems(1);
    EXPECT_EQ(driver.Caption(kItems), "STAVKE FAKTURE");
    EXPECT_EQ(Shown(kItems, "?NAZ:NAZIV1"), "Petrović Petar");
    EXPECT_EQ(Shown(kItems, "?SFA:BROJSTANA"), "1");
    EXPECT_EQ(Shown(kItems, "?OBR:NAZIV"), "Maj 2024");
    driver.WaitUntil([&] { return driver.RowCount(kItems, kList) == 2; }, "the invoice's two items");
    EXPECT_EQ(Row(kItems, 1), (std::vector<std::string>{"31/05/24", "15/06/24", "POV", "Održavanje", "1.00",
                                                        "100.20", "100.20", "Održavanje"}));
    EXPECT_EQ(Shown(kItems, "?UKUPNO"), "100.20");

    // The metered water: 2 at 10.00 on a unit of coefficient 1.5 is 30.00.
    PickRow(kItems, 2);
    driver.Keys(kItems, {Key::Enter});
    driver.WaitForWindow(kItemForm);
    driver.WaitUntil([&] { return driver.Caption(kItemForm) == "Record Will Be Changed"; },
                     "the change form");
    EXPECT_EQ(Shown(kItemForm, "?OBA:NAZIV"), "Voda");
    driver.Type(kItemForm, "?SPR:KOLICINA", "2");
    EXPECT_EQ(Shown(kItemForm, "?SPR:UKUPNO"), "0.00") << "the quantity alone recomputes nothing";
    driver.Type(kItemForm, "?SPR:CENA", "10");
    WaitShown(kItemForm, "?SPR:UKUPNO", "30.00");
    driver.Type(kItemForm, "?SPR:UKUPNO", "999");  // a typed total gives way to the product
    driver.Press(kItemForm, "?OK");
    Closed(kItemForm);
    driver.WaitUntil([&] { return Shown(kItems, "?UKUPNO") == "130.20"; }, "the items' sum");

    // A new item: the invoice's run, customer, unit and dates; the column "Ostalo".
    driver.Focus(kItems, kList);
    driver.Keys(kItems, {Key::Insert});
    driver.WaitForWindow(kItemForm);
    driver.WaitUntil([&] { return driver.Caption(kItemForm) == "Record Will Be Added"; }, "the insert form");
    EXPECT_TRUE(driver.Checked(kItemForm, "?SPR:KOLONA:RADIO4"));
    driver.Type(kItemForm, "?SPR:SIFRA", "str");
    WaitShown(kItemForm, "?OBA:NAZIV", "Struja");
    driver.Type(kItemForm, "?SPR:KOLICINA", "1");
    driver.Type(kItemForm, "?SPR:CENA", "0.4");
    driver.Press(kItemForm, "?OK");
    Closed(kItemForm);
    driver.WaitUntil([&] { return driver.RowCount(kItems, kList) == 3; }, "the new item listed");
    EXPECT_EQ(TableRows(TableId::SPROM, SPR_PO_OBRACUNU,
                        {"SPR:SHKORISNIKA", "SPR:SIFRA", "SPR:DATUM", "SPR:VALUTA", "SPR:BROJSTANA",
                         "SPR:KOLICINA", "SPR:CENA", "SPR:UKUPNO", "SPR:KOLONA"})[1],
              "00001|STR|" + std::to_string(kMay31) + "|" + std::to_string(kJune15) + "|1|1|0.4|0.6|Ostalo");
    WaitShown(kItems, "?UKUPNO", "130.80");

    // Closing: 100.20 + 30.00 + 0.60 gives 130.80, the invoice's total 131; its earlier
    // debt stays. Both postings of the voucher give way to one; the rest stay.
    CloseActive(kItems);
    EXPECT_EQ(InvoiceRows()[0], "5|00001|1|100.2|0|30|0.6|50|131");
    EXPECT_EQ(PostingRows(), (std::vector<std::string>{
                                 Seeded("IZV-1", "204", "00001", 30, "P"),
                                 Seeded("KVD-04", "204", "00001", 80),
                                 Posting("KVD-05", "204", "00001", 131),
                                 Seeded("KVD-05", "204", "00002", 0),
                                 Seeded("KVD-05", "205", "00001", 9),
                             }));
    // The new posting's number: the day in five digits and the time of day in seven.
    const std::string recno = Recnos()[2];
    ASSERT_EQ(recno.substr(0, 13), "KVD-05|00001|");
    EXPECT_EQ(recno.size(), 13u + 12u);
    EXPECT_EQ(recno.substr(13, 5), rt::format(rt::today(), "@n05"));

    // The invoice browse shows the corrected invoice and totals.
    driver.WaitUntil([&] { return Row(kInvoices, 1)[7] == "131.00"; }, "the corrected invoice listed");
    EXPECT_EQ(Row(kInvoices, 1), (std::vector<std::string>{"1", "00001", "Petrović Petar", "100.20", "0.00",
                                                           "30.00", "0.60", "131.00", "50.00", "181.00"}));
    EXPECT_EQ(driver.CellColors(kInvoices, kList, 1, 1), (std::vector<long>{-1, -1, -1, -1}))
        << "water on the invoice: no longer red";
    EXPECT_EQ(Totals()[5], "131.00");
    EXPECT_EQ(Totals()[7], "181.00");
    CloseAll();
}

TEST_F(InvoiceItems, TheTotalIsTheColumnsRoundedAndAnUnchangedInvoiceIsPostedAnew) {
    // Each invoice's items opened and closed without a change. The total is the four
    // columns rounded to whole units; an item of no column counts in the items' sum only.
    struct Case {
        int row;
        const char* items_sum;
        const char* invoice;
        double posted;
    };
    for (const Case& c : {Case{2, "150.60", "5|00002|2|100.2|0|0|50.4|0|151", 151},
                          Case{3, "157.30", "5|00003|3|100.2|50.1|0|0|0|150", 150}}) {
        OpenItems(c.row);
        WaitShown(kItems, "?UKUPNO", c.items_sum);
        CloseActive(kItems);
        CloseAll();
        const std::vector<std::string> invoices = InvoiceRows();
        EXPECT_EQ(invoices[static_cast<std::size_t>(c.row - 1)], c.invoice);
    }
    const std::vector<std::string> postings = PostingRows();
    EXPECT_NE(std::find(postings.begin(), postings.end(), Posting("KVD-05", "204", "00002", 151)),
              postings.end());
    EXPECT_NE(std::find(postings.begin(), postings.end(), Posting("KVD-05", "204", "00003", 150)),
              postings.end());
    EXPECT_EQ(postings.size(), 7u) << "00002's old posting replaced, 00003's added";
    // 00002's posting is a new one: not the row that was there.
    for (const std::string& r : Recnos()) EXPECT_EQ(r.find("KVD0500002"), std::string::npos) << r;
}

TEST_F(InvoiceItems, DeletingEveryItemLeavesAnInvoiceAndAPostingOfZero) {
    OpenItems(1);
    driver.WaitUntil([&] { return driver.RowCount(kItems, kList) == 2; }, "the items");
    for (int left = 2; left > 0; --left) {
        PickRow(kItems, 1);
        driver.Keys(kItems, {Key::Delete});
        EXPECT_EQ(driver.Answer("Yes"), "Are you sure you want to delete the highlighted record?");
        driver.WaitUntil([&] { return driver.RowCount(kItems, kList) == left - 1; }, "an item deleted");
    }
    WaitShown(kItems, "?UKUPNO", "0.00");
    CloseActive(kItems);
    EXPECT_EQ(InvoiceRows()[0], "5|00001|1|0|0|0|0|50|0");
    const std::vector<std::string> postings = PostingRows();
    EXPECT_EQ(postings[2], Posting("KVD-05", "204", "00001", 0));
    EXPECT_EQ(postings.size(), 5u);
    driver.WaitUntil([&] { return Row(kInvoices, 1)[7] == "0.00"; }, "the invoice listed at zero");
    EXPECT_EQ(Row(kInvoices, 1)[9], "50.00");
    CloseAll();
}

TEST_F(InvoiceItems, ARefusedWriteLeavesTheInvoiceAndItsPostingsAsTheyWere) {
    const std::vector<std::string> invoices = InvoiceRows();
    const std::vector<std::string> postings = Recnos();
    struct Case {
        const char* trigger;
        const char* message;
    };
    for (const Case& c :
         {Case{"CREATE TRIGGER REFUSE BEFORE INSERT ON SKPROMET BEGIN SELECT RAISE(ABORT, 'refused'); END",
               "Greška prilikom upisa zaduženja! Proveri."},
          Case{"CREATE TRIGGER REFUSE BEFORE UPDATE ON SFAKT BEGIN SELECT RAISE(ABORT, 'refused'); END",
               "Greška prilikom upisa iznosa fakture! Pokušaj ponovo."}}) {
        OpenItems(1);
        driver.WaitUntil([&] { return driver.RowCount(kItems, kList) == 2; }, "the items");
        Sql(c.trigger);
        kvtest::BeepCounter sounds;
        rt::ui::rtl_post(Event::CloseWindow, 0, thread_);
        EXPECT_EQ(driver.Answer("OK"), c.message);
        EXPECT_EQ(sounds.beeps(), 1) << "the refusal sounds once: " << c.message;
        Closed(kItems);
        CloseAll();
        Sql("DROP TRIGGER REFUSE");
        EXPECT_EQ(InvoiceRows(), invoices) << c.message;
        EXPECT_EQ(Recnos(), postings) << c.message;
    }
}

// ---- The invoice form --------------------------------------------------------------------

TEST_F(InvoiceItems, TheUnitChosenByTheLookupButtonChangesTheCustomerOnlyWhenAccepted) {
    OnThread([] {
        AddUnit("4", "00004", "Ne", 1, "Novi Vlasnik");
        kvtest::StoreTest::AddOwner("00004", "Novaković Nada");
        AddInvoice({5, "00009", "3", 0, 0, 0, 0, 20, 0});  // no items: its customer may change
    });
    StartRuns();
    OpenInvoices(1);
    driver.WaitUntil([&] { return driver.RowCount(kInvoices, kList) == 4; }, "the invoices");
    PickRow(kInvoices, 4);
    driver.Keys(kInvoices, {Key::Enter});
    driver.WaitForWindow(kInvoiceForm);
    driver.WaitUntil([&] { return driver.Caption(kInvoiceForm) == "Record Will Be Changed"; }, "the form");
    EXPECT_EQ(Shown(kInvoiceForm, "?SFA:SHKORISNIKA"), "00009");
    EXPECT_EQ(Shown(kInvoiceForm, "?NAZ:NAZIV1"), "Nikolić Mira") << "the partner of the unit's customer";
    EXPECT_FALSE(driver.Enabled(kInvoiceForm, "?SFA:SHKORISNIKA"));
    EXPECT_FALSE(driver.Enabled(kInvoiceForm, "?SFA:UKUPNO"));

    // Unit 4 chosen in the units list: shown with its owner, the customer not yet taken.
    driver.Press(kInvoiceForm, "?CALLLOOKUP");
    driver.WaitForWindow("BrowseKvadrin");
    driver.WaitUntil([&] { return driver.RowCount("BrowseKvadrin", kList) == 4; }, "the units");
    driver.PickRow("BrowseKvadrin", kList, 4);
    driver.DoubleClickRow("BrowseKvadrin", kList, 4);
    Closed("BrowseKvadrin");
    WaitShown(kInvoiceForm, "?SFA:BROJSTANA", "4");
    WaitShown(kInvoiceForm, "?KVD:VLASNIK", "Novi Vlasnik");
    EXPECT_EQ(Shown(kInvoiceForm, "?NAZ:NAZIV1"), "Novaković Nada");
    EXPECT_EQ(Shown(kInvoiceForm, "?SFA:SHKORISNIKA"), "00009");

    // Another unit typed into the entry and accepted: its customer is taken at once.
    driver.Type(kInvoiceForm, "?SFA:BROJSTANA", "3");
    WaitShown(kInvoiceForm, "?SFA:SHKORISNIKA", "00003");
    driver.Type(kInvoiceForm, "?SFA:BROJSTANA", "4");
    WaitShown(kInvoiceForm, "?SFA:SHKORISNIKA", "00004");
    driver.Type(kInvoiceForm, "?SFA:DUG", "25.5");
    driver.Press(kInvoiceForm, "?OK");
    Closed(kInvoiceForm);
    EXPECT_EQ(InvoiceRows()[3], "5|00004|4|0|0|0|0|25.5|0");
    CloseAll();
}

TEST_F(InvoiceItems, AUnitNotAcceptedLeavesTheCustomerAndOkTakesIt) {
    OnThread([] {
        AddUnit("4", "00004", "Ne", 1, "Novi Vlasnik");
        AddInvoice({5, "00009", "3", 0, 0, 0, 0, 20, 0});
    });
    StartRuns();
    OpenInvoices(1);
    driver.WaitUntil([&] { return driver.RowCount(kInvoices, kList) == 4; }, "the invoices");
    PickRow(kInvoices, 4);
    driver.Keys(kInvoices, {Key::Enter});
    driver.WaitForWindow(kInvoiceForm);
    // The lookup button, then OK without touching the entry: the completion accepts it.
    driver.Press(kInvoiceForm, "?CALLLOOKUP");
    driver.WaitForWindow("BrowseKvadrin");
    driver.WaitUntil([&] { return driver.RowCount("BrowseKvadrin", kList) == 4; }, "the units");
    driver.DoubleClickRow("BrowseKvadrin", kList, 4);
    Closed("BrowseKvadrin");
    WaitShown(kInvoiceForm, "?SFA:BROJSTANA", "4");
    EXPECT_EQ(Shown(kInvoiceForm, "?SFA:SHKORISNIKA"), "00009");
    driver.Press(kInvoiceForm, "?OK");
    Closed(kInvoiceForm);
    EXPECT_EQ(InvoiceRows()[3], "5|00004|4|0|0|0|0|20|0");

    // A unit number that names no unit and whose list is cancelled keeps the form open on it.
    driver.WaitUntil([&] { return Row(kInvoices, 4)[1] == "00004"; }, "the changed invoice listed");
    PickRow(kInvoices, 4);
    driver.Keys(kInvoices, {Key::Enter});
    driver.WaitForWindow(kInvoiceForm);
    driver.Type(kInvoiceForm, "?SFA:BROJSTANA", "77");
    driver.WaitForWindow("BrowseKvadrin");
    rt::ui::rtl_post(Event::CloseWindow, 0, thread_);
    Closed("BrowseKvadrin");
    driver.WaitUntil([&] { return driver.Focused(kInvoiceForm) == "?SFA:BROJSTANA"; },
                     "the focus on the unit");
    EXPECT_EQ(Shown(kInvoiceForm, "?SFA:SHKORISNIKA"), "00004");
    driver.Press(kInvoiceForm, "?CANCEL");
    driver.Answer("Yes");
    Closed(kInvoiceForm);
    CloseAll();
}

// ---- The invoice's print --------------------------------------------------------------

TEST_F(InvoiceItems, TheInvoicePrintTakesTheHighlightedInvoiceAndTheChosenClause) {
    OnThread([] { AddClause(8, "Druga", "{\\rtf1\\ansi\\ansicpg1250 Klauzula osam.\\par}"); });
    const std::string pdf = (dir_ / "faktura.pdf").string();
    StartRuns();
    OpenInvoices(1);
    driver.WaitUntil([&] { return driver.RowCount(kInvoices, kList) == 3; }, "the invoices");
    driver.ChooseItem(kInvoices, "?SKL:SIFRA", "08  Druga");
    driver.WaitUntil([&] { return IZABRANIOBRACUN == 8; }, "clause 8 chosen");
    PickRow(kInvoices, 2);
    driver.Focus(kInvoices, kList);
    driver.Keys(kInvoices, {Key::F2});
    kvtest::ReportSteps steps(driver);
    steps.ChooseOutput(2);
    QWidget* preview = steps.WaitPreview("IspisFakture");
    steps.PressInPreview(preview, "kvPrint");
    steps.SavePdfAs(pdf);
    driver.WaitUntil([&] { return std::filesystem::exists(pdf) && !kvtest::FindPreview("IspisFakture"); },
                     "the PDF written");
    // Back in the invoices once the report has ended.
    driver.WaitUntil([&] { return driver.Enabled(kInvoices, kList) && rt::ui::ThreadIdle(thread_); },
                     "the invoices in use again");
    const std::string text = kvtest::PdfText(pdf);
    EXPECT_NE(text.find("Jovanović Ana"), std::string::npos) << text;
    EXPECT_NE(text.find("Klauzula osam."), std::string::npos) << text;
    CloseAll();
}

}  // namespace
