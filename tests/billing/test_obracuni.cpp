// The billing road with real widgets on the embedded store: runs added in the run browse
// (the next number, a typed one, one that exists), "PARAMETRI ZA OBRAČUN" and its unit
// totals, prices entered for every method, "KREIRAJ ZADUŽENJA PO OBRAČUNU", and the run's
// invoices and postings read back from the tables; locked runs in grey without the
// command; totals that are zero.
#include <sqlite3.h>

#include <string>
#include <vector>

#include "billing/kvd005_browse_obracuni.h"
#include "data/keys.h"
#include "platform/core/datetime.h"
#include "platform/core/numeric.h"
#include "shell/kvd001_main.h"
#include "tests/billing/register_fixture.h"

using namespace kvadrin;
namespace Key = rt::ui::Key;

namespace {

constexpr const char* kRuns = "BrowseObracuni";
constexpr const char* kRunForm = "UpdateOBRAC";
constexpr const char* kPrices = "BrowseCene";
constexpr const char* kPriceForm = "UpdateCENE";
const std::int32_t kMay31 = rt::date(5, 31, 2024);

void AddUnit(const char* broj, const char* customer, double area, double heated, double persons,
             const char* water) {
    Files::KVADRIN().Clear();
    KVD.BROJ = broj;
    KVD.SHKORISNIKA = customer;
    KVD.VLASNIK = "Vlasnik";
    KVD.POVRSINA = area;
    KVD.POVRSINAGR = heated;
    KVD.BROJOSOBA = persons;
    KVD.VODOMER = water;
    KVD.KOEFICIJENT = 1;
    kvtest::StoreTest::AddRowOf(TableId::KVADRIN);
}

void AddService(const char* code, const char* method, const char* column) {
    Files::OBAVEZE().Clear();
    OBA.SIFRA = code;
    OBA.NAZIV = rt::utf8_to_cp1250(std::string("Usluga ") + code);
    OBA.JM = "kom";
    OBA.NACIN = rt::utf8_to_cp1250(method);
    OBA.KOLONA = rt::utf8_to_cp1250(column);
    kvtest::StoreTest::AddRowOf(TableId::OBAVEZE);
}

void AddRun(int run, const char* name, std::uint8_t locked = 0) {
    Files::OBRAC().Clear();
    OBR.OBRACUN = static_cast<std::int16_t>(run);
    OBR.NAZIV = name;
    OBR.DATUM = kMay31;
    OBR.ZAKLJUCAN = locked;
    kvtest::StoreTest::AddRowOf(TableId::OBRAC);
}

class ObracuniGui : public kvtest::RegisterGui {
protected:
    ObracuniGui() : RegisterGui(kRuns, kRunForm) {}
    void SetUp() override {
        SetUpRegister("OBRACDB", BrowseObracuniWindow());
    }
    // The run browse, started as the frame's menu item starts it.
    void StartRuns() { StartBrowse(0, MenuProcedure("BrowseObracuni")); }

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
                    const rt::FieldDef* d = l.field(name);
                    const rt::ui::Binding b = rt::ui::Binding::OfField(*d, f.buffer());
                    row += (row.empty() ? "" : "|") +
                           rt::cp1250_to_utf8(b.numeric() ? rt::plain_number(b.number()) : b.text());
                }
                out.push_back(row);
            }
            fm->Close();
        });
        return out;
    }

    void AddRunInForm(const char* number, const char* name, const char* date) {
        KeyOnList(Key::Insert);
        WaitForm("Record Will Be Added");
        EXPECT_EQ(driver.Text(kRunForm, "?OBR:OBRACUN"), "00");
        if (number) driver.Type(kRunForm, "?OBR:OBRACUN", number);
        driver.Type(kRunForm, "?OBR:NAZIV", name);
        driver.Type(kRunForm, "?OBR:DATUM", date);
        driver.Press(kRunForm, "?OK");
    }

    // A price row entered in the price form: the service, its quantity and its total.
    void EnterPrice(const char* code, const char* quantity, const char* total, const char* shown_price) {
        driver.Focus(kPrices, kList);
        driver.Keys(kPrices, {Key::Insert});
        driver.WaitForWindow(kPriceForm);
        driver.Type(kPriceForm, "?CEN:SIFRA", code);
        driver.WaitUntil(
            [&] { return rt::clip(driver.Text(kPriceForm, "?OBA:NAZIV")) == "Usluga " + rt::upper(code); },
            "the service's name shown");
        driver.Type(kPriceForm, "?CEN:KOLICINA", quantity);
        driver.Type(kPriceForm, "?CEN:UKUPNO", total);
        driver.WaitUntil(
            [&] { return rt::clip(rt::left(driver.Text(kPriceForm, "?OBRACUNCENA"))) == shown_price; },
            std::string("the price for the run ") + shown_price);
        EXPECT_EQ(driver.Text(kPriceForm, "?NAPOMENA"), "");
        driver.Press(kPriceForm, "?OK");
        Closed(kPriceForm);
    }
};

TEST_F(ObracuniGui, TheRoadFromANewRunThroughItsPricesToItsInvoicesAndPostings) {
    OnThread([] {
        AddUnit("1", "00001", 500, 400, 10, "Ne");
        AddUnit("2", "00002", 600, 500, 15, "Da");
        AddUnit("3", "00003", 400, 300, 20, "Ne");
        AddService("POV", "Površina", "Održavanje");
        AddService("GRP", "Grejna površina", "Ostalo");
        AddService("STN", "Stan", "Ostalo");
        AddService("OSB", "Osoba", "Održavanje");
        AddService("VOD", "Osoba", "Voda");
        AddService("FIX", "Fiksno", "El. energija");
    });
    StartRuns();
    ExpectBrowseWindow("OBRAČUNI", {"BROJ", "OPIS", "DATUM", "VALUTA"}, {"&1) Broj"});
    EXPECT_EQ(driver.Text(kRuns, "?BUTTONNORECORDS"), "PARAMETRI ZA OBRAČUN");
    driver.WaitUntil([&] { return !driver.Enabled(kRuns, "?BUTTONNORECORDS"); },
                     "the command disabled when empty");

    // Two runs left at number 0: they get 1 and 2.
    AddRunInForm(nullptr, "Maj 2024", "31/05/24");
    FormClosed();
    WaitCell(1, 1, "01", "the first run");
    AddRunInForm(nullptr, "Jun 2024", "30/06/24");
    FormClosed();
    WaitColumn(1, {"01", "02"}, "the second run numbered 2");
    EXPECT_EQ(Cell(1, 2), "Maj 2024");
    EXPECT_EQ(Cell(1, 3), "31/05/24");
    driver.WaitUntil([&] { return driver.Enabled(kRuns, "?BUTTONNORECORDS"); }, "the command enabled");
    driver.Snapshot(kRuns, "obracuni_browse.png");

    // "PARAMETRI ZA OBRAČUN" on run 1: the unit totals, and its price list.
    PickRow(1);
    driver.Press(kRuns, "?BUTTONNORECORDS");
    driver.WaitForWindow(kPrices);
    EXPECT_EQ(UKJEDINICA, 3);
    EXPECT_EQ(UKPOVRSINA, 1500.0);
    EXPECT_EQ(UKPOVRSINAGR, 1200.0);
    EXPECT_EQ(UKOSOBA, 45.0);
    EXPECT_EQ(UKOSOBABEZVODOMERA, 30.0);
    EXPECT_EQ(driver.Caption(kPrices), "UKUPNE OBAVEZE ZA OBRAČUN");
    EXPECT_EQ(driver.Text(kPrices, "?OBR:OBRACUN"), "01");
    EXPECT_EQ(rt::clip(driver.Text(kPrices, "?OBR:NAZIV")), "Maj 2024");
    driver.WaitUntil([&] { return !driver.Enabled(kPrices, "?BUTTONNORECORDS"); }, "no prices: no creation");
    EXPECT_EQ(rt::clip(rt::left(driver.Text(kPrices, "?UKUPNO"))), "0.00");

    // A price for every method; the price for the run is shown as it is computed.
    EnterPrice("pov", "3", "12000", "8.00");  // 12000 / 1500 m2
    EnterPrice("GRP", "1", "2400", "2.00");   // 2400 / 1200 m2 heated
    EnterPrice("STN", "3", "900", "300.00");  // 900 / 3 units
    EnterPrice("OSB", "1", "450", "10.00");   // 450 / 45 persons
    EnterPrice("VOD", "20", "900", "30.00");  // 900 / 30 persons without a water meter
    EnterPrice("FIX", "3", "750", "250.00");  // the plain price
    driver.WaitUntil([&] { return driver.RowCount(kPrices, kList) == 6; }, "six price rows");
    driver.WaitUntil([&] { return rt::clip(rt::left(driver.Text(kPrices, "?UKUPNO"))) == "17,400.00"; },
                     "the sum under the list");
    driver.Snapshot(kPrices, "cene_browse.png");
    // CEN:SIFRA|CEN:KOLICINA|CEN:CENA|CEN:UKUPNO|CENAPOVR|CENAGRPOVRS|CENAOSOBA|CENAFIKSNO|CENASTAN|CENAVODA
    EXPECT_EQ(
        TableRows(TableId::CENE, CEN_Po_obracunu,
                  {"CEN:OBRACUN", "CEN:SIFRA", "CEN:KOLICINA", "CEN:CENA", "CEN:UKUPNO", "CEN:CENAPOVR",
                   "CEN:CENAGRPOVRS", "CEN:CENAOSOBA", "CEN:CENAFIKSNO", "CEN:CENASTAN", "CEN:CENAVODA"}),
        (std::vector<std::string>{"1|FIX|3|250|750|0|0|0|250|0|0", "1|GRP|1|2400|2400|0|2|0|0|0|0",
                                  "1|OSB|1|450|450|0|0|10|0|0|0", "1|POV|3|4000|12000|8|0|0|0|0|0",
                                  "1|STN|3|300|900|0|0|0|0|300|0", "1|VOD|20|45|900|0|0|0|0|0|30"}));

    // "KREIRAJ ZADUŽENJA PO OBRAČUNU": the charges are made and the list closes.
    EXPECT_EQ(driver.Text(kPrices, "?BUTTONNORECORDS"), "KREIRAJ ZADUŽENJA PO OBRAČUNU");
    driver.Press(kPrices, "?BUTTONNORECORDS");
    Closed(kPrices);
    EXPECT_FALSE(driver.MessageOpen());
    // OBRACUN|SHKORISNIKA|BROJSTANA|ODRZAVANJE|STRUJA|VODA|OSTALO|DUG|UKUPNO
    EXPECT_EQ(
        TableRows(TableId::SFAKT, SFA_PO_OBRACUNU,
                  {"SFA:OBRACUN", "SFA:SHKORISNIKA", "SFA:BROJSTANA", "SFA:ODRZAVANJE", "SFA:STRUJA",
                   "SFA:VODA", "SFA:OSTALO", "SFA:DUG", "SFA:UKUPNO"}),
        (std::vector<std::string>{"1|00001|1|4100|250|300|1100|0|5750", "1|00002|2|4950|250|0|1300|0|6500",
                                  "1|00003|3|3400|250|600|900|0|5150"}));
    EXPECT_EQ(TableRows(TableId::SKPROMET, SKP_PO_NALOGU,
                        {"SKP:NALOG", "SKP:RECNO", "SKP:SINTETIKA", "SKP:ANALITIKA", "SKP:DUGPOT",
                         "SKP:IZNOS", "SKP:VEZA", "SKP:OPIS", "SKP:DATUM"}),
              (std::vector<std::string>{
                  "KVD-01|KVD0100001|204|00001|D|5750|000000001|Maj 2024|" + std::to_string(kMay31),
                  "KVD-01|KVD0100002|204|00002|D|6500|000000001|Maj 2024|" + std::to_string(kMay31),
                  "KVD-01|KVD0100003|204|00003|D|5150|000000001|Maj 2024|" + std::to_string(kMay31)}));
    EXPECT_EQ(TableRows(TableId::NALOZIS, NLS_PO_BROJU, {"NLS:BROJ", "NLS:OPIS", "NLS:DUGUJE"}),
              std::vector<std::string>{"KVD-01|Maj 2024|17400"});
    EXPECT_EQ(TableRows(TableId::SPROM, SPR_PO_OBRACUNU, {"SPR:SIFRA"}).size(), 18u);
    CloseBrowse(RequestCompleted);
}

TEST_F(ObracuniGui, ATypedNumberMustBeFreeAndNoNumberPastNinetyNineIsGiven) {
    OnThread([] {
        for (int run : {1, 2, 5}) AddRun(run, "Star");
    });
    StartRuns();
    WaitRows(3, "the runs");
    // A typed number that is free is taken.
    AddRunInForm("3", "Treci", "31/03/24");
    FormClosed();
    WaitColumn(1, {"01", "02", "03", "05"}, "run 3 added");
    // One that exists: the message, then the duplicate-key refusal; the form stays.
    AddRunInForm("5", "Peti", "31/05/24");
    EXPECT_EQ(driver.Answer("OK"), "Obračun sa tim rednim brojem već postoji!");
    driver.WaitUntil([&] { return driver.MessageOpen(); }, "the duplicate key refused");
    driver.Answer("OK");
    EXPECT_EQ(driver.Caption(kRunForm), "Record Will Be Added");
    driver.Press(kRunForm, "?CANCEL");
    driver.Answer("Yes");
    FormClosed();

    // Past run 99 the next number would not fit its two digits: no run is written.
    OnThread([] { AddRun(99, "Poslednji"); });
    KeyOnList(Key::Insert);
    WaitForm("Record Will Be Added");
    driver.Type(kRunForm, "?OBR:NAZIV", "Stoti");
    driver.Type(kRunForm, "?OBR:DATUM", "31/12/24");
    driver.Snapshot(kRunForm, "obrac_form.png");
    driver.Press(kRunForm, "?OK");
    EXPECT_EQ(driver.Answer("OK"),
              "Sledeći broj obračuna bio bi 100, a obračuni se broje od 1 do 99 (dve cifre). Novi obračun "
              "nije upisan.");
    EXPECT_EQ(driver.Caption(kRunForm), "Record Will Be Added");
    driver.Press(kRunForm, "?CANCEL");
    driver.Answer("Yes");
    FormClosed();
    EXPECT_EQ(TableRows(TableId::OBRAC, OBR_Po_obracunu, {"OBR:OBRACUN"}),
              (std::vector<std::string>{"1", "2", "3", "5", "99"}));
    CloseBrowse(RequestCompleted);
}

// Another workstation takes the number between the read of the next number and the insert:
// the insert is refused, the number goes back to 0 and the next OK reads it again.
TEST_F(ObracuniGui, ANumberTakenMeanwhileIsReadAgainAtTheNextOk) {
    OnThread([] {
        AddRun(1, "Prvi");
        AddRun(2, "Drugi");
    });
    const std::string db = (dir_ / "OBRACDB.sqlite").string();
    auto sql = [&db](const char* text) {
        sqlite3* h = nullptr;
        ASSERT_EQ(sqlite3_open(db.c_str(), &h), SQLITE_OK);
        sqlite3_busy_timeout(h, 10000);
        EXPECT_EQ(sqlite3_exec(h, text, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(h);
        sqlite3_close(h);
    };
    sql("CREATE TRIGGER taken BEFORE INSERT ON OBRAC WHEN NEW.OBRACUN = 3 BEGIN SELECT RAISE(ABORT, "
        "'zauzet'); END");
    StartRuns();
    WaitRows(2, "the runs");
    AddRunInForm(nullptr, "Treci", "31/03/24");
    EXPECT_NE(driver.Answer("OK").find("zauzet"), std::string::npos);
    driver.WaitUntil([&] { return driver.Text(kRunForm, "?OBR:OBRACUN") == "00"; }, "the number back at 0");
    sql("DROP TRIGGER taken");
    OnThread([] { AddRun(3, "Tudji"); });  // the other workstation's run
    driver.Press(kRunForm, "?OK");
    FormClosed();
    WaitColumn(1, {"01", "02", "03", "04"}, "the run numbered 4");
    EXPECT_EQ(Cell(4, 2), "Treci");
    CloseBrowse(RequestCompleted);
}

TEST_F(ObracuniGui, ALockedRunIsGreyAndItsPriceListOffersNoCreation) {
    OnThread([] {
        AddRun(1, "Otvoren");
        AddRun(2, "Zakljucan", 1);
    });
    StartRuns();
    WaitRows(2, "the runs");
    const std::vector<long> plain = {-1, -1, -1, -1}, grey = {0x808080, -1, -1, 0x808080};
    for (int column = 1; column <= 4; ++column) {
        EXPECT_EQ(driver.CellColors(kRuns, kList, 1, column), plain) << column;
        EXPECT_EQ(driver.CellColors(kRuns, kList, 2, column), grey) << column;
    }
    PickRow(2);
    driver.Snapshot(kRuns, "obracuni_locked.png");
    driver.Press(kRuns, "?BUTTONNORECORDS");
    driver.WaitForWindow(kPrices);
    driver.WaitUntil([&] { return !driver.Visible(kPrices, "?BUTTONNORECORDS"); },
                     "no creation for a locked run");
    // Prices can still be entered; the command stays away.
    driver.Focus(kPrices, kList);
    driver.Keys(kPrices, {Key::Insert});
    driver.WaitForWindow(kPriceForm);
    driver.Press(kPriceForm, "?CANCEL");
    Closed(kPriceForm);
    EXPECT_FALSE(driver.Visible(kPrices, "?BUTTONNORECORDS"));
    rt::ui::rtl_post(rt::ui::Event::CloseWindow, 0, thread);
    Closed(kPrices);
    CloseBrowse(RequestCompleted);
}

TEST_F(ObracuniGui, ATotalThatIsZeroIsNamedAndGivesAPriceOfZero) {
    OnThread([] {
        AddService("POV", "Površina", "Održavanje");
        AddRun(1, "Prazan");
    });
    StartRuns();
    WaitRows(1, "the run");
    driver.Press(kRuns, "?BUTTONNORECORDS");  // no units: every total 0
    driver.WaitForWindow(kPrices);
    driver.Focus(kPrices, kList);
    driver.Keys(kPrices, {Key::Insert});
    driver.WaitForWindow(kPriceForm);
    driver.Type(kPriceForm, "?CEN:SIFRA", "POV");
    driver.Type(kPriceForm, "?CEN:KOLICINA", "2");
    driver.Type(kPriceForm, "?CEN:UKUPNO", "1000");
    driver.WaitUntil(
        [&] {
            return driver.Text(kPriceForm, "?NAPOMENA") ==
                   "Ukupna površina je 0 - cena se ne može izračunati i upisuje se 0.";
        },
        "the note on the zero total");
    EXPECT_EQ(rt::clip(rt::left(driver.Text(kPriceForm, "?OBRACUNCENA"))), "0.00");
    EXPECT_EQ(rt::clip(rt::left(driver.Text(kPriceForm, "?CEN:CENA"))), "500.00");
    driver.Snapshot(kPriceForm, "cene_form_zero_total.png");
    driver.Press(kPriceForm, "?OK");
    Closed(kPriceForm);
    EXPECT_EQ(TableRows(TableId::CENE, CEN_Po_obracunu, {"CEN:SIFRA", "CEN:CENA", "CEN:CENAPOVR"}),
              std::vector<std::string>{"POV|500|0"});
    rt::ui::rtl_post(rt::ui::Event::CloseWindow, 0, thread);
    Closed(kPrices);
    CloseBrowse(RequestCompleted);
}

}  // namespace
