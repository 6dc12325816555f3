// The units register with real widgets on the embedded store: the browse with its totals
// over every unit the order, the locator and the query let through, the query's filter
// handed to the tenant list, the unit form with its defaults and the lookup of the
// customer in the owners register, and the menu item that starts the browse.
#include <QHeaderView>
#include <QTreeView>
#include <cstdio>
#include <vector>

#include "billing/kvd003_browse_kvadrin.h"
#include "billing/kvd005_browse_obracuni.h"
#include "billing/kvd010_ispis_stanara.h"
#include "platform/core/picture.h"
#include "platform/files/view.h"
#include "platform/ui/toolbar.h"
#include "shell/kvd001_main.h"
#include "tests/billing/register_fixture.h"
#include "tests/driver/beep_counter.h"

using namespace kvadrin;
namespace Key = rt::ui::Key;

namespace {

constexpr const char* kBrowse = "BrowseKvadrin";
constexpr const char* kForm = "UpdateKVADRIN";
constexpr const char* kOwners = "BrowseNazivi";
constexpr const char* kOwnerForm = "UpdateNaziviN05";
constexpr const char* kQuery = "QbeWindow";

struct Unit {
    std::string broj;
    const char* code;
    std::string vlasnik;  // UTF-8
    double area, heated, other, persons;
};

void AddUnit(const Unit& u) {
    Files::KVADRIN().Clear();
    KVD.BROJ = u.broj;
    KVD.SHKORISNIKA = u.code;
    KVD.VLASNIK = rt::utf8_to_cp1250(u.vlasnik);
    KVD.POVRSINA = u.area;
    KVD.POVRSINAGR = u.heated;
    KVD.POVRSINAOST = u.other;
    KVD.BROJOSOBA = u.persons;
    KVD.VODOMER = "Ne";
    KVD.KALORIMETAR = "Da";
    kvtest::RegisterGui::AddRowOf(TableId::KVADRIN);
}

// A number as the totals show it (@n10.2, @n5.2 or @n5), without the leading blanks.
std::string Shown(double v, const char* picture) { return rt::clip(rt::left(rt::format(v, picture))); }

class KvadrinGui : public kvtest::RegisterGui {
protected:
    KvadrinGui() : RegisterGui(kBrowse, kForm) {}
    void SetUp() override {
        SetUpRegister("KVADRINDB", BrowseKvadrinWindow());
        QBEFILTER = "";
    }
    void TearDown() override {
        RegisterGui::TearDown();
        QBEFILTER = "";
    }
    // A unit as stored, in UTF-8 ("" when there is none).
    std::string Stored(const std::string& broj) {
        std::string out;
        OnThread([&] {
            if (!ReadRow(TableId::KVADRIN, "KVD:Po_broju", [&] { KVD.BROJ = broj; })) return;
            char numbers[120];
            std::snprintf(numbers, sizeof numbers, "%.2f|%.2f|%.2f|%.2f|%.4f", double(KVD.POVRSINA),
                          double(KVD.POVRSINAGR), double(KVD.POVRSINAOST), double(KVD.BROJOSOBA),
                          double(KVD.KOEFICIJENT));
            out = rt::cp1250_to_utf8(KVD.SP.str() + "|" + KVD.SHKORISNIKA.str() + "|" + KVD.VLASNIK.str() +
                                     "|" + KVD.ADRESA.str() + "|" + KVD.MESTO.str() + "|" + numbers + "|" +
                                     KVD.VODOMER.str() + "|" + KVD.KALORIMETAR.str() + "|" +
                                     KVD.TELEFON.str() + "|" + KVD.MOBILNI.str());
        });
        return out;
    }
    void Start(std::uint8_t request = 0) { StartBrowse(request, BrowseKvadrin); }
    // The five totals as shown: areas, heated, other, persons, units.
    std::vector<std::string> Totals() {
        std::vector<std::string> out;
        for (const char* t : {"?UKPOVRS", "?UKGRPOVRS", "?UKOSTPOVRS", "?UKOSOBA", "?UKKVADRINA"})
            out.push_back(rt::clip(rt::left(driver.Text(kBrowse, t))));
        return out;
    }
    static std::vector<std::string> TotalsOf(const std::vector<Unit>& units) {
        double a = 0, h = 0, o = 0, p = 0;
        for (const Unit& u : units) a += u.area, h += u.heated, o += u.other, p += u.persons;
        return {Shown(a, "@n10.2"), Shown(h, "@n10.2"), Shown(o, "@n10.2"), Shown(p, "@n5.2"),
                Shown(static_cast<double>(units.size()), "@n5")};
    }
    void WaitTotals(const std::vector<std::string>& totals, const std::string& what) {
        driver.WaitUntil([&] { return Totals() == totals; }, what);
    }
    // The print button called the tenant list, whose sort choice is cancelled here.
    void PrintNotDefined() {
        driver.WaitForWindow(kSortSelectionProcedure);
        driver.Press(kSortSelectionProcedure, "?SBUTTONCANCEL");
        driver.WaitClosed(kSortSelectionProcedure);
        driver.WaitUntil([&] { return driver.Focused(kBrowse) == kList; }, "the list focused");
    }
    // Conditions typed into the query window, by the row of the list's column.
    void Query(const std::vector<std::pair<int, std::pair<std::string, std::string>>>& rows) {
        driver.Press(kBrowse, "?QUERY");
        driver.WaitForWindow(kQuery);
        for (const auto& [row, cond] : rows) {
            driver.Type(kQuery, "?QBE:OP" + std::to_string(row), cond.first);
            driver.Type(kQuery, "?QBE:VALUE" + std::to_string(row), cond.second);
        }
        driver.Press(kQuery, "?OK");
        Closed(kQuery);
    }
    std::string HandedOver() { return rt::clip(QBEFILTER.str()); }
    // What a control of the form shows, without the blanks of its picture.
    std::string Shows(const std::string& label) { return rt::clip(rt::left(driver.Text(kForm, label))); }
    void ClearQuery() {
        driver.Press(kBrowse, "?QUERY");
        driver.WaitForWindow(kQuery);
        driver.Press(kQuery, "?CLEAR");
        driver.Press(kQuery, "?OK");
        Closed(kQuery);
    }
};

TEST_F(KvadrinGui, AnEmptyRegisterShowsZeroTotalsAndNoPrint) {
    Start();
    ExpectBrowseWindow("KVADRIN",
                       {"BROJ STANA", "Sifra", "VLASNIK", "KORISNIK", "Povrsina", "Gr. povrsina",
                        "Ostala povrsina", "Osoba", "Vodomer", "Kalorimetar", "Telefon"},
                       {"&1) Broj", "&2) Vlasnik", "&3) Šifra"});
    EXPECT_EQ(driver.Text(kBrowse, "?STRING5"), "Ukupno kvadrina:");
    EXPECT_EQ(driver.Text(kBrowse, "?QUERY"), "&UPIT");
    WaitTotals({"0.00", "0.00", "0.00", "0.00", "0"}, "zero totals");
    driver.WaitUntil([&] { return !driver.Enabled(kBrowse, "?BUTTONNORECORDS"); }, "ISPIS disabled");
    // F2 does nothing on an empty list (the Insert after it is handled after it).
    KeyOnList(Key::F2);
    if (driver.MessageOpen()) ADD_FAILURE() << driver.MessageText();
    KeyOnList(Key::Insert);
    WaitForm("Record Will Be Added");
    EXPECT_FALSE(driver.MessageOpen());
    driver.Press(kForm, "?CANCEL");
    Closed(kForm);
    CloseBrowse(RequestCompleted);
}

TEST_F(KvadrinGui, TotalsCoverEveryUnitTheOrderAndTheLocatorLetThrough) {
    // More units than a page holds; one whose customer has no row in the owners register.
    const char* names[] = {"Ana Petrović", "Boško Ilić", "Dijana Ristić", "Marko Janić"};
    std::vector<Unit> units;
    for (int i = 1; i <= 40; ++i) {
        char broj[8];
        std::snprintf(broj, sizeof broj, "%03d", i);
        units.push_back(
            {broj, i % 2 ? "00001" : "00002", names[i % 4], 40.0 + i, 30.25, double(i % 3), 1.0 + i % 4});
    }
    units.push_back({"099", "00077", "Bez vlasnika", 12.5, 0, 0, 2});
    OnThread([&] {
        AddOwner("00001", "Marko Marković");
        AddOwner("00002", "Jelena Jović");
        for (const Unit& u : units) AddUnit(u);
    });
    Start();
    WaitTotals(TotalsOf(units), "the totals of all 41 units");
    WaitCell(1, 1, "001", "the first page, read after its totals");
    EXPECT_LT(Rows(), 41);  // the list holds one page
    EXPECT_EQ(Cell(1, 1), "001");
    EXPECT_EQ(Cell(1, 2), "00001");
    EXPECT_EQ(Cell(1, 3), "Marko Marković");
    EXPECT_EQ(Cell(1, 4), "Boško Ilić");
    // The last unit: an empty owner's name, counted all the same; the totals stay.
    KeyOnList(Key::Ctrl | Key::End);
    driver.WaitUntil([&] { return Rows() > 0 && Cell(Rows(), 1) == "099"; }, "the last page");
    EXPECT_EQ(Cell(Rows(), 2), "00077");
    EXPECT_EQ(Cell(Rows(), 3), "");
    EXPECT_EQ(Cell(Rows(), 4), "Bez vlasnika");
    EXPECT_EQ(Totals(), TotalsOf(units));

    // The name tab: typing keeps the units whose name holds the text anywhere, and the
    // totals follow them.
    driver.PickTab(kBrowse, "?CURRENTTAB", 2);
    driver.WaitUntil([&] { return Cell(1, 4) == "Ana Petrović"; }, "the name order");
    driver.Focus(kBrowse, kList);
    driver.Keys(kBrowse, {'A', 'N'});  // Ana, Dijana, Janić; not Boško
    std::vector<Unit> an;
    for (const Unit& u : units)
        if (rt::upper(u.vlasnik).find("AN") != std::string::npos) an.push_back(u);
    ASSERT_EQ(an.size(), 30u);
    WaitTotals(TotalsOf(an), "the totals of the units named *an*");
    for (const std::string& name : Column(4))
        EXPECT_NE(rt::upper(name).find("AN"), std::string::npos) << name;
    driver.Keys(kBrowse, {Key::Backspace, Key::Backspace});
    WaitTotals(TotalsOf(units), "all units again");
    CloseBrowse(RequestCompleted);
}

TEST_F(KvadrinGui, TheQuerysFilterIsHandedToTheTenantList) {
    const std::string hostile = "O'Brien'); DROP TABLE KVADRIN; --";
    const std::vector<Unit> units = {{"1", "00001", "O'Brien", 52.4, 48, 3.5, 3},
                                     {"2", "00002", "Ana Jović", 38.75, 38.75, 0, 1},
                                     {"3", "00001", hostile, 71.2, 65, 6, 4},
                                     {"4", "00003", "Zoran Zec", 24, 0, 0, 2},
                                     {"5", "00002", "Lokal 1", 110.5, 90, 12.25, 0}};
    OnThread([&] {
        AddOwner("00001", "Stambena zadruga");
        AddOwner("00002", "Jelena Jović");
        for (const Unit& u : units) AddUnit(u);
    });
    Start();
    WaitTotals(TotalsOf(units), "the totals");
    driver.Snapshot(kBrowse, "kvadrin_browse.png");

    // Without a query the filter handed over is empty.
    QBEFILTER = "stale";
    driver.Press(kBrowse, "?BUTTONNORECORDS");
    PrintNotDefined();
    EXPECT_EQ(HandedOver(), "");

    // A query: the list and its totals follow it; the print gets its filter, the quote
    // kept a literal.
    Query({{4, {"contains", "o'brien"}}});
    WaitColumn(1, {"1", "3"}, "the units the query selects");
    WaitTotals(TotalsOf({units[0], units[2]}), "the totals of the query");
    driver.Focus(kBrowse, kList);
    driver.Keys(kBrowse, {Key::F2});
    PrintNotDefined();
    const std::string filter = HandedOver();
    EXPECT_EQ(filter, "(INSTRING(UPPER('o''brien'), UPPER(KVD:VLASNIK), 1, 1) > 0)");
    // The text as the tenant list will apply it to its view of the units.
    std::vector<std::string> selected;
    OnThread([&] {
        rt::ViewManager v;
        v.Init(Files::KVADRIN());
        rt::File& naz = Files::NAZIVI();
        v.AddJoin(naz, naz.KeyIndex("NAZ:PO_KONTU"), {"KVD:SHKORISNIKA"});
        Access::KVADRIN()->UseTable(rt::kUseOpen);
        EXPECT_EQ(v.SetFilter(filter), "");
        ASSERT_EQ(v.Reset(), 0);
        while (v.Next() == 0) selected.push_back(KVD.BROJ.str());
    });
    EXPECT_EQ(selected, (std::vector<std::string>{"1", "3"}));

    // A query on the owner's name as well; a query cleared lists every unit again.
    Query({{3, {"=", "Stambena zadruga"}}, {5, {">", "60"}}});
    WaitColumn(1, {"3"}, "both conditions");
    ClearQuery();
    WaitColumn(1, {"1", "2", "3", "4", "5"}, "no query");
    WaitTotals(TotalsOf(units), "all units again");

    // Conditions whose filter does not fit QBEFILTER are refused, never cut into another
    // filter: the print is not called and nothing is handed over.
    const std::string quotes(40, '\'');
    const std::string minus_one = "-" + std::string(38, '0') + "1";
    std::vector<std::pair<int, std::pair<std::string, std::string>>> lengthy;
    for (int row : {1, 2, 3, 4, 9, 10, 11}) lengthy.push_back({row, {"<>", quotes}});
    for (int row : {5, 6, 7, 8}) lengthy.push_back({row, {">=", minus_one}});
    Query(lengthy);
    WaitColumn(1, {"1", "2", "3", "4", "5"}, "the lengthy query selecting every unit");
    {
        kvtest::BeepCounter sounds;
        driver.Press(kBrowse, "?BUTTONNORECORDS");
        EXPECT_EQ(driver.Answer("OK"),
                  "Upit je predugačak za ispis: uslovi zajedno imaju 1083 znakova, "
                  "a ispis prima najviše 1024. Skratite upit.");
        EXPECT_EQ(sounds.beeps(), 1) << "the refusal sounds once";
    }
    driver.WaitUntil([&] { return driver.Focused(kBrowse) == kList; }, "the list focused");
    EXPECT_FALSE(driver.MessageOpen());  // no tenant list was called
    EXPECT_EQ(HandedOver(), "");
    CloseBrowse(RequestCompleted);
}

TEST_F(KvadrinGui, ANewUnitTakesItsDefaultsAndTheChosenCustomer) {
    OnThread([] {
        AddOwner("00012", "Petar Petrović", "Njegoševa 12");
        AddOwner("00020", "Mila Milić", "Zmaj Jovina 3");
    });
    Start();
    KeyOnList(Key::Insert);
    WaitForm("Record Will Be Added");
    // A flat without meters, coefficient 1, at the firm's address and place.
    EXPECT_TRUE(driver.Checked(kForm, "?KVD:SP:RADIO1"));
    EXPECT_TRUE(driver.Checked(kForm, "?KVD:VODOMER:RADIO2"));
    EXPECT_TRUE(driver.Checked(kForm, "?KVD:KALORIMETAR:RADIO2"));
    const std::vector<std::string> kinds = {"Stan", "Poslovni prostor", "Garaza"};
    for (std::size_t i = 0; i < kinds.size(); ++i)
        EXPECT_EQ(driver.Text(kForm, "?KVD:SP:RADIO" + std::to_string(i + 1)), kinds[i]);
    EXPECT_EQ(Shows("?KVD:KOEFICIJENT"), "1.0000");
    EXPECT_EQ(Shows("?KVD:ADRESA"), "Bulevar Oslobođenja 7");
    EXPECT_EQ(Shows("?KVD:MESTO"), "21000 Novi Sad");
    EXPECT_EQ(Shows("?NAZ:NAZIV1"), "");

    // "12" becomes "00012"; the customer's name fills VLASNIK and its address the address.
    driver.Type(kForm, "?KVD:BROJ", "a12");
    driver.Type(kForm, "?KVD:SHKORISNIKA", "12");
    driver.WaitUntil([&] { return Shows("?KVD:SHKORISNIKA") == "00012"; }, "12 becoming 00012");
    driver.WaitUntil([&] { return Shows("?NAZ:NAZIV1") == "Petar Petrović"; }, "the customer's name");
    EXPECT_EQ(Shows("?KVD:VLASNIK"), "Petar Petrović");
    EXPECT_EQ(Shows("?KVD:ADRESA"), "Njegoševa 12");
    // The lookup button: another customer chosen in the owners browse.
    driver.Press(kForm, "?CALLLOOKUP");
    driver.WaitForWindow(kOwners);
    driver.WaitUntil([&] { return driver.RowCount(kOwners, kList) == 2; }, "the customers");
    driver.DoubleClickRow(kOwners, kList, 2);
    Closed(kOwners);
    driver.WaitUntil([&] { return Shows("?KVD:SHKORISNIKA") == "00020"; }, "the chosen code");
    driver.WaitUntil([&] { return Shows("?KVD:VLASNIK") == "Mila Milić"; }, "the chosen name");
    EXPECT_EQ(Shows("?NAZ:NAZIV1"), "Mila Milić");
    EXPECT_EQ(Shows("?KVD:ADRESA"), "Zmaj Jovina 3");
    // The lookup button cancelled: the name and address typed since stay.
    driver.Type(kForm, "?KVD:VLASNIK", "Mila i Luka Milić");
    driver.Press(kForm, "?CALLLOOKUP");
    driver.WaitForWindow(kOwners);
    rt::ui::rtl_post(rt::ui::Event::CloseWindow, 0, thread);
    Closed(kOwners);
    driver.WaitUntil([&] { return driver.Focused(kForm) != ""; }, "the form in use again");
    EXPECT_EQ(Shows("?KVD:VLASNIK"), "Mila i Luka Milić");

    driver.Press(kForm, "?KVD:SP:RADIO2");
    driver.Press(kForm, "?KVD:VODOMER:RADIO1");
    driver.Type(kForm, "?KVD:POVRSINA", "55.5");
    driver.Type(kForm, "?KVD:POVRSINAGR", "50");
    driver.Type(kForm, "?KVD:POVRSINAOST", "4.25");
    driver.Type(kForm, "?KVD:BROJOSOBA", "3");
    driver.Type(kForm, "?KVD:TELEFON", "021/555-333");
    driver.Type(kForm, "?KVD:MOBILNI", "064/111-222");
    driver.Snapshot(kForm, "kvadrin_form.png");
    driver.Press(kForm, "?OK");
    Closed(kForm);
    driver.WaitUntil([&] { return Rows() == 1 && Cell(1, 1) == "A12"; }, "the new unit");
    EXPECT_EQ(Cell(1, 3), "Mila Milić");
    EXPECT_EQ(Cell(1, 4), "Mila i Luka Milić");
    EXPECT_EQ(Stored("A12"),
              "Poslovni prostor|00020|Mila i Luka Milić|Zmaj Jovina 3|21000 Novi Sad|"
              "55.50|50.00|4.25|3.00|1.0000|Da|Ne|021/555-333|064/111-222");
    WaitTotals({"55.50", "50.00", "4.25", "3.00", "1"}, "the totals of the new unit");
    CloseBrowse(RequestCompleted);
}

// Charge lines and invoices keep six characters of a unit's number: a longer one is refused
// when typed and when the form is completed, saying why.
TEST_F(KvadrinGui, AUnitNumberOfMoreThanSixCharactersIsRefusedSayingWhy) {
    OnThread([] { AddOwner("00012", "Petar Petrović", "Njegoševa 12"); });
    Start();
    KeyOnList(Key::Insert);
    WaitForm("Record Will Be Added");
    driver.Type(kForm, "?KVD:BROJ", "a-12345");
    std::string told = driver.Answer("OK");
    EXPECT_NE(told.find("\"A-12345\""), std::string::npos) << told;
    EXPECT_NE(told.find("više od 6 znakova"), std::string::npos) << told;
    driver.Type(kForm, "?KVD:SHKORISNIKA", "12");
    driver.WaitUntil([&] { return Shows("?NAZ:NAZIV1") == "Petar Petrović"; }, "the customer's name");
    driver.Press(kForm, "?OK");
    told = driver.Answer("OK");
    EXPECT_NE(told.find("\"A-12345\""), std::string::npos) << told;
    EXPECT_NE(driver.Server().FindWindow(kForm), nullptr) << "the form stays open";
    EXPECT_EQ(Rows(), 0);
    // Six characters are taken.
    driver.Type(kForm, "?KVD:BROJ", "a-1234");
    driver.Press(kForm, "?OK");
    Closed(kForm);
    driver.WaitUntil([&] { return Rows() == 1 && Cell(1, 1) == "A-1234"; }, "the new unit");
    CloseBrowse(RequestCompleted);
}

// A unit of a take-over whose number is longer than six characters is named when the
// charges are made.
TEST_F(KvadrinGui, ChargeCreationNamesTheUnitsWhoseNumberIsTooLong) {
    OnThread([] {
        AddOwner("00012", "Petar Petrović", "Njegoševa 12");
        AddOwner("00013", "Mila Milić", "Zmaj Jovina 3");
        for (const auto& [number, code] : {std::pair{"A-12345B", "00012"}, std::pair{"7", "00013"}}) {
            Files::KVADRIN().Clear();
            KVD.BROJ = number;
            KVD.SHKORISNIKA = code;
            KVD.SP = "Stan";
            KVD.VODOMER = "Ne";
            KVD.KOEFICIJENT = 1;
            AddRowOf(TableId::KVADRIN);
        }
        Files::OBRAC().Clear();
        OBR.OBRACUN = 3;
        OBR.NAZIV = "Mart";
        AddRowOf(TableId::OBRAC);
    });
    driver.Start([] {
        StoreTest::ReadRow(TableId::OBRAC, "OBR:Po_obracunu", [] { OBR.OBRACUN = 3; });
        KreirajZaduzenja();
    });
    const std::string told = driver.Answer("OK");
    EXPECT_NE(told.find("Zaduženja su kreirana"), std::string::npos) << told;
    EXPECT_NE(told.find("A-12345B"), std::string::npos) << told;
    EXPECT_EQ(told.find(": 7"), std::string::npos) << told;
    driver.WaitForThreads(30000);
}

TEST_F(KvadrinGui, AnUnknownCodeOpensTheOwnersBrowseForAChoice) {
    OnThread([] { AddOwner("00012", "Petar Petrović", "Njegoševa 12"); });
    Start();
    KeyOnList(Key::Insert);
    WaitForm("Record Will Be Added");
    driver.Type(kForm, "?KVD:BROJ", "7");
    driver.Type(kForm, "?KVD:VLASNIK", "Stanar");
    // No customer 00099: the owners browse opens; closed without a choice, the code is
    // refused, the focus stays on it and nothing typed is lost.
    driver.Type(kForm, "?KVD:SHKORISNIKA", "99");
    driver.WaitForWindow(kOwners);
    EXPECT_EQ(driver.Caption(kOwners), "KORISNICI");
    rt::ui::rtl_post(rt::ui::Event::CloseWindow, 0, thread);
    Closed(kOwners);
    driver.WaitUntil([&] { return driver.Focused(kForm) == "?KVD:SHKORISNIKA"; },
                     "the focus back on the code");
    EXPECT_EQ(Shows("?KVD:SHKORISNIKA"), "00099");
    EXPECT_EQ(Shows("?NAZ:NAZIV1"), "");
    EXPECT_EQ(Shows("?KVD:VLASNIK"), "Stanar");
    EXPECT_EQ(Shows("?KVD:ADRESA"), "Bulevar Oslobođenja 7");
    // OK cannot complete the form with that code: the owners browse opens again.
    driver.Press(kForm, "?OK");
    driver.WaitForWindow(kOwners);
    rt::ui::rtl_post(rt::ui::Event::CloseWindow, 0, thread);
    Closed(kOwners);
    driver.WaitUntil([&] { return driver.Focused(kForm) == "?KVD:SHKORISNIKA"; }, "the code refused on OK");
    EXPECT_EQ(Stored("7"), "");

    // In the owners browse a new customer is inserted ("77" becoming "00077") and chosen:
    // its code fills the unit's.
    driver.Type(kForm, "?KVD:SHKORISNIKA", "77");
    driver.WaitForWindow(kOwners);
    driver.Focus(kOwners, kList);
    driver.Keys(kOwners, {Key::Insert});
    driver.WaitForWindow(kOwnerForm);
    driver.WaitUntil([&] { return driver.Caption(kOwnerForm) == "Record Will Be Added"; },
                     "the customer form");
    driver.Type(kOwnerForm, "?NAZ:ANALITIKA", "77");
    driver.WaitUntil([&] { return driver.Text(kOwnerForm, "?NAZ:ANALITIKA") == "00077"; },
                     "77 becoming 00077");
    driver.Type(kOwnerForm, "?NAZ:NAZIV1", "Nova Firma doo");
    driver.Type(kOwnerForm, "?NAZ:ADRESA", "Nova 77");
    driver.Press(kOwnerForm, "?OK");
    Closed(kOwnerForm);
    driver.WaitUntil([&] { return driver.RowCount(kOwners, kList) == 2; }, "the new customer listed");
    driver.Focus(kOwners, kList);
    driver.Keys(kOwners, {Key::Enter});  // the new row is the selected one
    Closed(kOwners);
    driver.WaitUntil(
        [&] {
            return Shows("?KVD:SHKORISNIKA") == "00077" && Shows("?KVD:VLASNIK") == "Nova Firma doo" &&
                   Shows("?KVD:ADRESA") == "Nova 77";
        },
        "the new code with its customer's name and address");
    EXPECT_EQ(Shows("?NAZ:NAZIV1"), "Nova Firma doo");
    EXPECT_EQ(Shows("?KVD:VLASNIK"), "Nova Firma doo");
    EXPECT_EQ(Shows("?KVD:ADRESA"), "Nova 77");
    driver.Press(kForm, "?OK");
    Closed(kForm);
    driver.WaitUntil([&] { return Rows() == 1; }, "the unit listed");
    EXPECT_EQ(Stored("7"),
              "Stan|00077|Nova Firma doo|Nova 77|21000 Novi Sad|0.00|0.00|0.00|0.00|1.0000|Ne|Ne||");
    CloseBrowse(RequestCompleted);
}

TEST_F(KvadrinGui, AChangedUnitKeepsItsOwnNameAndAddress) {
    OnThread([] {
        AddOwner("00012", "Petar Petrović", "Njegoševa 12");
        AddOwner("00020", "Mila Milić", "Zmaj Jovina 3");
        Files::KVADRIN().Clear();
        KVD.BROJ = "5";
        KVD.SP = "Stan";
        KVD.SHKORISNIKA = "00012";
        KVD.VLASNIK = "Stanar";
        KVD.ADRESA = "Stara 1";
        KVD.MESTO = "Subotica";
        KVD.POVRSINA = 40;
        KVD.POVRSINAGR = 40;
        KVD.BROJOSOBA = 2;
        KVD.VODOMER = "Ne";
        KVD.KALORIMETAR = "Da";
        KVD.KOEFICIJENT = 1.25;
        AddRowOf(TableId::KVADRIN);
    });
    Start();
    driver.WaitUntil([&] { return Rows() == 1 && Cell(1, 3) == "Petar Petrović"; }, "the unit");
    PickRow(1);
    Post(rt::ui::Event::Accepted, rt::ui::ToolbarButton::Change);
    WaitForm("Record Will Be Changed");
    driver.WaitUntil([&] { return Shows("?NAZ:NAZIV1") == "Petar Petrović"; }, "the customer's name");
    EXPECT_TRUE(driver.Checked(kForm, "?KVD:SP:RADIO1"));
    EXPECT_EQ(Shows("?KVD:KOEFICIJENT"), "1.2500");
    // Another customer: its name is shown, the unit's name and address stay.
    driver.Type(kForm, "?KVD:SHKORISNIKA", "20");
    driver.WaitUntil([&] { return Shows("?NAZ:NAZIV1") == "Mila Milić"; }, "the other customer");
    EXPECT_EQ(Shows("?KVD:VLASNIK"), "Stanar");
    EXPECT_EQ(Shows("?KVD:ADRESA"), "Stara 1");
    driver.Press(kForm, "?OK");
    Closed(kForm);
    driver.WaitUntil([&] { return Cell(1, 3) == "Mila Milić"; }, "the changed unit");
    EXPECT_EQ(Stored("5"), "Stan|00020|Stanar|Stara 1|Subotica|40.00|40.00|0.00|2.00|1.2500|Ne|Da||");

    // View: the entries read-only, the lookup button disabled, the options as they are.
    Post(rt::ui::Event::Accepted, view_feq);
    WaitForm("View Record");
    for (const char* e : {"?KVD:BROJ", "?KVD:KOEFICIJENT", "?KVD:SHKORISNIKA", "?KVD:VLASNIK", "?KVD:ADRESA",
                          "?KVD:MESTO", "?KVD:POVRSINA", "?KVD:POVRSINAGR", "?KVD:POVRSINAOST",
                          "?KVD:BROJOSOBA", "?KVD:TELEFON", "?KVD:MOBILNI"})
        driver.WaitUntil([&] { return ReadOnly(kForm, e); }, std::string(e) + " read-only");
    EXPECT_FALSE(driver.Enabled(kForm, "?CALLLOOKUP"));
    EXPECT_TRUE(driver.Enabled(kForm, "?KVD:SP:RADIO2"));
    driver.Press(kForm, "?OK");
    Closed(kForm);
    CloseBrowse(RequestCompleted);
}

// Another station changes the unit while its form is open: OK is refused with the
// message, nothing of the other change is lost, and the form shows the unit as it is now
// for the change to be made again; a unit another station deleted closes the form.
TEST_F(KvadrinGui, AUnitChangedByAnotherStationIsShownAnewNotOverwritten) {
    OnThread([] {
        AddOwner("00012", "Petar Petrović");
        AddUnit({"5", "00012", "Stanar", 40, 40, 0, 2});
        AddUnit({"6", "00012", "Drugi", 30, 30, 0, 1});
        ASSERT_EQ(Files::KVADRIN().SendSql("UPDATE KVADRIN SET SP = 'Stan', MESTO = 'Subotica'"), 0);
    });
    Start();
    driver.WaitUntil([&] { return Rows() == 2; }, "the units");
    PickRow(1);
    Post(rt::ui::Event::Accepted, rt::ui::ToolbarButton::Change);
    WaitForm("Record Will Be Changed");
    OnThread([] {
        ASSERT_EQ(Files::KVADRIN().SendSql("UPDATE KVADRIN SET TELEFON = '011 555' WHERE BROJ = '5'"), 0);
    });
    driver.Type(kForm, "?KVD:VLASNIK", "Novi stanar");
    driver.Press(kForm, "?OK");
    EXPECT_EQ(MessageTitle(), "Record Changed by Another Station");
    EXPECT_EQ(driver.Answer("OK"),
              "This record in the file KVADRIN has been changed by another station. Your changes have not "
              "been saved.");
    driver.WaitUntil([&] { return Shows("?KVD:TELEFON") == "011 555"; }, "the unit as it is now");
    EXPECT_EQ(Shows("?KVD:VLASNIK"), "Stanar");
    driver.Type(kForm, "?KVD:VLASNIK", "Novi stanar");
    driver.Press(kForm, "?OK");
    Closed(kForm);
    EXPECT_EQ(Stored("5"), "Stan|00012|Novi stanar||Subotica|40.00|40.00|0.00|2.00|0.0000|Ne|Da|011 555|");

    PickRow(2);
    Post(rt::ui::Event::Accepted, rt::ui::ToolbarButton::Change);
    WaitForm("Record Will Be Changed");
    OnThread([] { ASSERT_EQ(Files::KVADRIN().SendSql("DELETE FROM KVADRIN WHERE BROJ = '6'"), 0); });
    driver.Type(kForm, "?KVD:VLASNIK", "Treci");
    driver.Press(kForm, "?OK");
    EXPECT_EQ(MessageTitle(), "Record Changed by Another Station");
    driver.Answer("OK");
    Closed(kForm);
    EXPECT_EQ(Stored("6"), "");
    CloseBrowse(RequestCompleted);
}

TEST_F(KvadrinGui, AFailedReadOfTheTotalsClosesTheBrowse) {
    // The owners' table is gone: the next page cannot be read (its totals need no owner).
    // A column of the totals is gone: the next page's totals cannot be read.
    for (const char* damage : {"DROP TABLE NAZIVI", "ALTER TABLE KVADRIN RENAME COLUMN POVRSINAOST TO X"}) {
        SCOPED_TRACE(damage);
        OnThread([] {
            AddOwner("00001", "Vlasnik");
            AddUnit({"1", "00001", "Stanar", 40, 40, 0, 2});
        });
        Start();
        driver.WaitUntil([&] { return Rows() == 1; }, "the unit");
        OnThread([damage] { ASSERT_EQ(Files::KVADRIN().SendSql(damage), 0) << rt::Error(); });
        driver.PickTab(kBrowse, "?CURRENTTAB", 2);
        EXPECT_EQ(MessageTitle(), "Record Retrieval Error");
        EXPECT_NE(driver.Answer("OK").find("A record could not be read from the file KVADRIN."),
                  std::string::npos);
        driver.WaitForThreads();
        OnThread([] {
            Files::KVADRIN().SendSql("DROP TABLE KVADRIN");
            Files::KVADRIN().SendSql("DROP TABLE IF EXISTS NAZIVI");
        });
    }
}

TEST_F(KvadrinGui, TheTotalsStayUnderTheirColumnsWhenTheWindowIsResized) {
    OnThread([] { AddUnit({"1", "00001", "Prvi", 1234.5, 1000, 12.25, 4}); });
    Start();
    WaitTotals({"1,234.50", "1,000.00", "12.25", "4.00", "1"}, "the totals");
    auto* list = qobject_cast<QTreeView*>(driver.Widget(kBrowse, kList));
    ASSERT_NE(list, nullptr);
    QWidget* top = list->window();
    // How far each total's right edge stands left of its column's (pixels).
    auto gaps = [&] {
        std::vector<int> out;
        int column = 5;
        for (const char* total : {"?UKPOVRS", "?UKGRPOVRS", "?UKOSTPOVRS", "?UKOSOBA"}) {
            QHeaderView* h = list->header();
            const int right = h->sectionViewportPosition(column - 1) + h->sectionSize(column - 1);
            QWidget* t = driver.Widget(kBrowse, total);
            out.push_back(list->viewport()->mapTo(top, QPoint(right, 0)).x() -
                          t->mapTo(top, QPoint(t->width(), 0)).x());
            ++column;
        }
        return out;
    };
    auto under = [&] {
        for (int gap : gaps())
            if (gap < 0 || gap > 6) return false;
        return true;
    };
    EXPECT_TRUE(under()) << ::testing::PrintToString(gaps());
    top->resize(top->width() + 300, top->height() + 60);
    driver.WaitUntil(under, "the totals under their columns in the wider window");
    driver.Snapshot(kBrowse, "kvadrin_browse_wide.png");
    CloseBrowse(RequestCompleted);
}

TEST_F(KvadrinGui, SelectModeLeavesTheChosenUnitInTheBuffer) {
    OnThread([] {
        AddUnit({"1", "00001", "Prvi", 40, 40, 0, 2});
        AddUnit({"2", "00002", "Drugi", 50, 50, 0, 3});
    });
    StartChoosing(SelectRecord, BrowseKvadrin, [] { return KVD.BROJ.str() + "|" + KVD.VLASNIK.str(); });
    WaitColumn(1, {"1", "2"}, "the units");
    driver.DoubleClickRow(kBrowse, kList, 2);
    driver.WaitForThreads();
    EXPECT_EQ(response, RequestCompleted);
    EXPECT_EQ(Chosen(), "2|Drugi");
    StartBrowse(SelectRecord, BrowseKvadrin);
    CloseBrowse(RequestCancelled);
}

TEST_F(KvadrinGui, AnAreaTooWideForItsPictureIsRefusedWithABeepAndTheFocusKept) {
    Start();
    KeyOnList(Key::Insert);
    WaitForm("Record Will Be Added");
    const int beeps = driver.Server().beeps();
    driver.Type(kForm, "?KVD:POVRSINA", "99999999.99");  // @n10.2 would show "##########"
    driver.WaitUntil([&] { return driver.Server().beeps() > beeps; }, "the beep");
    driver.WaitUntil([&] { return driver.Focused(kForm) == "?KVD:POVRSINA"; }, "the focus kept");
    EXPECT_EQ(Shows("?KVD:POVRSINA"), "99999999.99");  // kept to be mended
    driver.Type(kForm, "?KVD:POVRSINA", "999999.99");
    driver.WaitUntil([&] { return Shows("?KVD:POVRSINA") == "999,999.99"; }, "the widest area taken");
    driver.Press(kForm, "?CANCEL");
    EXPECT_EQ(driver.Answer("Yes"), "Are you sure you want to cancel?");
    FormClosed();
    CloseBrowse(RequestCompleted);
}

TEST_F(KvadrinGui, TheMenuItemKvadrinStartsTheUnitsBrowse) {
    StartBrowse(0, MenuProcedure("BrowseKvadrin"));
    CloseBrowse(RequestCompleted);
}

}  // namespace
