// The owners and partners register with real widgets on the embedded store: the browse in
// code order and in the view's own order, header sorting, customers added, changed,
// viewed and deleted, deletes of customers in use refused, and select mode.
#include "billing/kvd011_browse_nazivi.h"
#include "platform/ui/toolbar.h"
#include "tests/billing/register_fixture.h"

using namespace kvadrin;
namespace Key = rt::ui::Key;

namespace {

constexpr const char* kBrowse = "BrowseNazivi";
constexpr const char* kForm = "UpdateNaziviN05";

class NaziviGui : public kvtest::RegisterGui {
protected:
    NaziviGui() : RegisterGui(kBrowse, kForm) {}
    void SetUp() override { SetUpRegister("NAZIVIDB", BrowseNaziviWindow()); }
    // A customer as stored, in UTF-8, its nine fields of the form and two it leaves alone
    // ("" when there is none).
    std::string Stored(const char* code) {
        std::string out;
        OnThread([&] {
            if (!ReadRow(TableId::NAZIVI, "NAZ:PO_KONTU", [&] { NAZ.ANALITIKA = code; })) return;
            out = rt::cp1250_to_utf8(NAZ.NAZIV1.str() + "|" + NAZ.NAZIV2.str() + "|" + NAZ.ADRESA.str() +
                                     "|" + NAZ.SEDISTE.str() + "|" + NAZ.ZIRORACUN.str() + "|" +
                                     NAZ.TEKUCI.str() + "|" + NAZ.KONTAKT.str() + "|" + NAZ.TELEFONI.str() +
                                     "|" + NAZ.EMAIL.str() + "|" + std::to_string(NAZ.DATUMUGOVORA));
        });
        return out;
    }
    // The browse; the customer it leaves in the buffer is kept for Chosen().
    void Start(std::uint8_t request) {
        StartChoosing(request, BrowseNazivi,
                      [] { return NAZ.ANALITIKA.str() + "|" + rt::cp1250_to_utf8(NAZ.NAZIV1.str()); });
    }
};

TEST_F(NaziviGui, TheCodeOrderAndTheSecondTabInTheViewsOwnOrder) {
    OnThread([] {
        AddOwner("00003", "Ana Anić");
        AddOwner("00010", "Branko Babić");
        AddOwner("00001", "Zoran Zec");
        AddOwner("00002", "Milan Mikić");
    });
    Start(0);
    ExpectBrowseWindow(
        "KORISNICI",
        {"ŠIFRA", "NAZIV", "ADRESA", "SEDISTE", "PIB", "TEKUĆI RAČUN", "KONTAKT OSOBA", "TELEFONI"},
        {"&1) Šifra", "&2) Naziv"});

    const std::vector<std::string> by_code = {"00001", "00002", "00003", "00010"};
    WaitColumn(1, by_code, "the code order");
    // The code's entry locator: "0001" then "0" finds 00010.
    driver.Focus(kBrowse, kList);
    driver.Keys(kBrowse, {'0', '0', '0', '1', '0'});
    driver.WaitUntil([&] { return CurrentRow() == 4; }, "the locator on 00010");
    driver.Snapshot(kBrowse, "nazivi_browse.png");

    // The second tab: the rows as the view delivers them, not by name; the locator's
    // keys do nothing there.
    driver.PickTab(kBrowse, "?CURRENTTAB", 2);
    const std::vector<std::string> delivered = {"Zoran Zec", "Milan Mikić", "Ana Anić", "Branko Babić"};
    WaitColumn(2, delivered, "the view's order");
    driver.Keys(kBrowse, {'M'});
    WaitColumn(2, delivered, "no locator");
    // A header click sorts by the column; a second one reverses it.
    driver.ClickHeader(kBrowse, kList, 2);
    WaitColumn(2, {"Ana Anić", "Branko Babić", "Milan Mikić", "Zoran Zec"}, "sorted by name");
    driver.ClickHeader(kBrowse, kList, 2);
    WaitColumn(2, {"Zoran Zec", "Milan Mikić", "Branko Babić", "Ana Anić"}, "by name, descending");
    driver.PickTab(kBrowse, "?CURRENTTAB", 1);
    WaitColumn(1, by_code, "the code order again");
    CloseBrowse(RequestCompleted);
}

TEST_F(NaziviGui, CustomersAreAddedChangedViewedAndDeleted) {
    Start(0);
    driver.WaitUntil([&] { return Rows() == 0; }, "the empty list");
    KeyOnList(Key::Insert);
    WaitForm("Record Will Be Added");
    // A new customer starts at the firm's address and place; the code is editable.
    EXPECT_EQ(driver.Text(kForm, "?NAZ:ADRESA"), "Bulevar Oslobođenja 7");
    EXPECT_EQ(driver.Text(kForm, "?NAZ:SEDISTE"), "21000 Novi Sad");
    EXPECT_TRUE(driver.Enabled(kForm, "?NAZ:ANALITIKA"));
    EXPECT_FALSE(ReadOnly(kForm, "?NAZ:ANALITIKA"));
    EXPECT_FALSE(driver.Visible(kForm, "?HELP"));
    // The code and the name are required; an empty code reads 00000 and is still missing.
    driver.Type(kForm, "?NAZ:NAZIV1", "Petar Petrović");
    driver.Press(kForm, "?OK");
    driver.WaitUntil([&] { return driver.Focused(kForm) == "?NAZ:ANALITIKA"; },
                     "the focus on the empty code");
    EXPECT_EQ(driver.Text(kForm, "?NAZ:ANALITIKA"), "00000");
    driver.Press(kForm, "?OK");
    driver.WaitUntil([&] { return driver.Focused(kForm) == "?NAZ:ANALITIKA"; }, "00000 is no code");
    EXPECT_FALSE(driver.MessageOpen());
    driver.Type(kForm, "?NAZ:ANALITIKA", "12");
    driver.WaitUntil([&] { return driver.Text(kForm, "?NAZ:ANALITIKA") == "00012"; }, "12 becoming 00012");
    driver.Type(kForm, "?NAZ:NAZIV2", "i sinovi");
    driver.Type(kForm, "?NAZ:ZIRORACUN", "101234567");
    driver.Type(kForm, "?NAZ:TEKUCI", "160-123-45");
    driver.Type(kForm, "?NAZ:KONTAKT", "Jovan");
    driver.Type(kForm, "?NAZ:TELEFONI", "021/123-456");
    driver.Snapshot(kForm, "nazivi_form.png");
    driver.Press(kForm, "?OK");
    Closed(kForm);
    driver.WaitUntil([&] { return Rows() == 1 && Cell(1, 1) == "00012"; }, "the new customer");
    EXPECT_EQ(Cell(1, 2), "Petar Petrović");
    EXPECT_EQ(Cell(1, 4), "21000 Novi Sad");
    EXPECT_EQ(Stored("00012"),
              "Petar Petrović|i sinovi|Bulevar Oslobođenja 7|21000 Novi Sad|101234567|160-123-45|"
              "Jovan|021/123-456||0");
    EXPECT_EQ(Stored("00000"), "");

    // The same code again is refused by the table; the form stays until cancelled.
    KeyOnList(Key::Insert);
    WaitForm("Record Will Be Added");
    driver.Type(kForm, "?NAZ:ANALITIKA", "012");
    driver.Type(kForm, "?NAZ:NAZIV1", "Drugi");
    driver.Press(kForm, "?OK");
    EXPECT_EQ(MessageTitle(), "Duplicate Key Error");
    EXPECT_EQ(driver.Answer("OK"),
              "Adding this record creates a duplicate entry for the key NAZ:PO_KONTU in the file NAZIVI.");
    driver.Press(kForm, "?CANCEL");
    EXPECT_EQ(driver.Answer("Yes"), "Are you sure you want to cancel?");
    Closed(kForm);

    // Change: the code cannot be changed, the rest can.
    PickRow(1);
    Post(rt::ui::Event::Accepted, rt::ui::ToolbarButton::Change);
    WaitForm("Record Will Be Changed");
    driver.WaitUntil([&] { return !driver.Enabled(kForm, "?NAZ:ANALITIKA"); }, "the code disabled");
    EXPECT_EQ(driver.Text(kForm, "?NAZ:ANALITIKA"), "00012");
    driver.Type(kForm, "?NAZ:NAZIV1", "Petar Perić");
    driver.Type(kForm, "?NAZ:SEDISTE", "11000 Beograd");
    driver.Press(kForm, "?OK");
    Closed(kForm);
    driver.WaitUntil([&] { return Cell(1, 2) == "Petar Perić"; }, "the changed name");
    EXPECT_EQ(Stored("00012"),
              "Petar Perić|i sinovi|Bulevar Oslobođenja 7|11000 Beograd|101234567|160-123-45|"
              "Jovan|021/123-456||0");

    // View: every entry read-only; nothing is saved.
    Post(rt::ui::Event::Accepted, view_feq);
    WaitForm("View Record");
    for (const char* e : {"?NAZ:ANALITIKA", "?NAZ:NAZIV1", "?NAZ:NAZIV2", "?NAZ:ADRESA", "?NAZ:SEDISTE",
                          "?NAZ:ZIRORACUN", "?NAZ:TEKUCI", "?NAZ:KONTAKT", "?NAZ:TELEFONI"})
        driver.WaitUntil([&] { return ReadOnly(kForm, e); }, std::string(e) + " read-only");
    driver.Press(kForm, "?OK");
    Closed(kForm);

    // Delete, asked first: No keeps the customer, Yes deletes it.
    for (const char* answer : {"No", "Yes"}) {
        KeyOnList(Key::Delete);
        EXPECT_EQ(MessageTitle(), "Confirm Delete");
        EXPECT_EQ(driver.Answer(answer), "Are you sure you want to delete the highlighted record?");
    }
    driver.WaitUntil([&] { return Rows() == 0; }, "the customer deleted");
    EXPECT_EQ(Stored("00012"), "");
    CloseBrowse(RequestCompleted);
}

TEST_F(NaziviGui, ACustomerWithUnitsPostingsOrInvoicesIsNotDeleted) {
    OnThread([] {
        AddOwner("00001", "Vlasnik stana");
        AddOwner("00002", "Ima knjiženje");
        AddOwner("00003", "Ima fakturu");
        AddOwner("00004", "Bez ičega");
        Files::KVADRIN().Clear();
        KVD.BROJ = "1";
        KVD.SHKORISNIKA = "00001";
        AddRowOf(TableId::KVADRIN);
        Files::SKPROMET().Clear();
        SKP.ANALITIKA = "00002";
        SKP.NALOG = "1";
        AddRowOf(TableId::SKPROMET);
        Files::SFAKT().Clear();
        SFA.OBRACUN = 1;
        SFA.SHKORISNIKA = "00003";
        SFA.BROJSTANA = "9";
        AddRowOf(TableId::SFAKT);
    });
    Start(0);
    WaitColumn(1, {"00001", "00002", "00003", "00004"}, "the customers");
    struct Case {
        int row;
        const char* code;
        const char* table;
    } cases[] = {{1, "00001", "KVADRIN"}, {2, "00002", "SKPROMET"}, {3, "00003", "SFAKT"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        PickRow(c.row);
        KeyOnList(Key::Delete);
        EXPECT_EQ(driver.Answer("Yes"), "Are you sure you want to delete the highlighted record?");
        EXPECT_EQ(MessageTitle(), "Referential Integrity Delete Error");
        EXPECT_EQ(driver.Answer("OK"), std::string("This record is referenced from the file ") + c.table +
                                           ". This record cannot be deleted while these references exist.");
        EXPECT_NE(Stored(c.code), "");
    }
    PickRow(4);
    KeyOnList(Key::Delete);
    EXPECT_EQ(driver.Answer("Yes"), "Are you sure you want to delete the highlighted record?");
    WaitColumn(1, {"00001", "00002", "00003"}, "the free customer deleted");
    EXPECT_EQ(Stored("00004"), "");
    CloseBrowse(RequestCompleted);
}

TEST_F(NaziviGui, SelectModeLeavesTheChosenCustomerInTheBufferAndCancelsOnClose) {
    OnThread([] {
        AddOwner("00001", "Prvi", "Prva 1");
        AddOwner("00002", "Drugi", "Druga 2");
    });
    Start(SelectRecord);
    WaitColumn(1, {"00001", "00002"}, "the customers");
    driver.DoubleClickRow(kBrowse, kList, 2);
    driver.WaitForThreads();
    EXPECT_EQ(response, RequestCompleted);
    EXPECT_EQ(Chosen(), "00002|Drugi");
    Start(SelectRecord);
    WaitColumn(1, {"00001", "00002"}, "the customers");
    CloseBrowse(RequestCancelled);
}

}  // namespace
