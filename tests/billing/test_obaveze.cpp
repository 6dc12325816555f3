// The services register with real widgets on the embedded store: the browse and its form
// as the user sees them, services added for every method and column, changed, viewed and
// deleted, deletes of services in use refused, select mode, and the print button.
#include <QApplication>

#include "billing/kvd004_browse_obaveze.h"
#include "platform/qt/qt_window.h"
#include "platform/ui/toolbar.h"
#include "shell/kvd001_main.h"
#include "tests/billing/register_fixture.h"

using namespace kvadrin;
namespace Key = rt::ui::Key;

namespace {

constexpr const char* kBrowse = "BrowseObaveze";
constexpr const char* kForm = "UpdateOBAVEZE";

void AddService(const char* code, const char* name, const char* method, const char* column) {
    Files::OBAVEZE().Clear();
    OBA.SIFRA = code;
    OBA.NAZIV = rt::utf8_to_cp1250(name);
    OBA.JM = "m2";
    OBA.NACIN = rt::utf8_to_cp1250(method);
    OBA.KOLONA = rt::utf8_to_cp1250(column);
    kvtest::StoreTest::AddRowOf(TableId::OBAVEZE);
}

class ObavezeGui : public kvtest::RegisterGui {
protected:
    ObavezeGui() : RegisterGui(kBrowse, kForm) {}
    void SetUp() override { SetUpRegister("OBAVEZEDB", BrowseObavezeWindow()); }
    // A service as stored: "naziv|jm|nacin|kolona" in UTF-8; "" when there is none.
    std::string StoredNow(const std::string& code) {
        std::string out;
        OnThread([&] {
            if (ReadRow(TableId::OBAVEZE, "OBA:Po_sifri", [&] { OBA.SIFRA = code; }))
                out = rt::cp1250_to_utf8(OBA.NAZIV.str() + "|" + OBA.JM.str() + "|" + OBA.NACIN.str() + "|" +
                                         OBA.KOLONA.str());
        });
        return out;
    }
    // The browse; the service it leaves in the buffer is kept for Chosen().
    void Start(std::uint8_t request) {
        StartChoosing(request, BrowseObaveze,
                      [] { return OBA.SIFRA.str() + "|" + rt::cp1250_to_utf8(OBA.NAZIV.str()); });
    }
};

TEST_F(ObavezeGui, TheBrowseAndTheFormShowTheirWindows) {
    Start(0);
    ExpectBrowseWindow("OBAVEZE", {"Sifra", "Naziv", "JM", "Nacin obračuna", "Kolona"},
                       {"&1) Šifra", "&2) Naziv"});
    EXPECT_TRUE(driver.Visible(kBrowse, "?BUTTONNORECORDS"));
    driver.WaitUntil([&] { return !driver.Enabled(kBrowse, "?BUTTONNORECORDS"); },
                     "ISPIS disabled when empty");
    driver.Snapshot(kBrowse, "obaveze_browse_empty.png");

    // F2 does nothing while the list is empty (the Insert after it is handled after it).
    // A new service: "Fiksno" and "Ostalo" chosen, the code, name and unit empty.
    driver.Focus(kBrowse, kList);
    driver.Keys(kBrowse, {Key::F2, Key::Insert});
    WaitForm("Record Will Be Added");
    EXPECT_FALSE(driver.MessageOpen());
    for (const char* entry : {"?OBA:SIFRA", "?OBA:NAZIV", "?OBA:JM"}) {
        EXPECT_EQ(rt::clip(driver.Text(kForm, entry)), "") << entry;
        EXPECT_FALSE(ReadOnly(entry)) << entry;
    }
    EXPECT_TRUE(driver.Checked(kForm, "?OBA:NACIN:RADIO5"));
    EXPECT_TRUE(driver.Checked(kForm, "?OBA:KOLONA:RADIO4"));
    const std::vector<std::string> methods = {"Površina", "Grejna površina", "Stan", "Osoba", "Fiksno"};
    for (std::size_t i = 0; i < methods.size(); ++i)
        EXPECT_EQ(driver.Text(kForm, "?OBA:NACIN:RADIO" + std::to_string(i + 1)), methods[i]);
    const std::vector<std::string> columns = {"Održavanje", "El. energija", "Voda", "Ostalo"};
    for (std::size_t i = 0; i < columns.size(); ++i)
        EXPECT_EQ(driver.Text(kForm, "?OBA:KOLONA:RADIO" + std::to_string(i + 1)), columns[i]);
    EXPECT_FALSE(driver.Visible(kForm, "?HELP"));
    // The code's entry takes seven characters at most.
    driver.Type(kForm, "?OBA:SIFRA", "grejanje");
    driver.Type(kForm, "?OBA:NAZIV", "Grejanje stana");
    driver.Type(kForm, "?OBA:JM", "m2");
    driver.Press(kForm, "?OBA:NACIN:RADIO2");
    driver.Snapshot(kForm, "obaveze_form.png");
    driver.Press(kForm, "?OK");
    FormClosed();
    WaitCell(1, 1, "GREJANJ", "the new service");
    EXPECT_EQ(Cell(1, 4), "Grejna površina");
    EXPECT_EQ(Cell(1, 5), "Ostalo");
    driver.WaitUntil([&] { return driver.Enabled(kBrowse, "?BUTTONNORECORDS"); }, "ISPIS enabled");
    driver.Snapshot(kBrowse, "obaveze_browse.png");
    CloseBrowse(RequestCompleted);
    EXPECT_EQ(StoredNow("GREJANJ"), "Grejanje stana|m2|Grejna površina|Ostalo");
}

TEST_F(ObavezeGui, ServicesAreAddedChangedViewedAndDeleted) {
    // One service per method, the columns in turn; codes typed in lower case.
    struct Row {
        const char* typed;
        const char* code;
        const char* name;
        int method;
        int column;
        const char* stored;
    } rows[] = {
        {"odr", "ODR", "Održavanje zgrade", 1, 1, "Održavanje zgrade|m2|Površina|Održavanje"},
        {"gr", "GR", "Grejanje", 2, 2, "Grejanje|m2|Grejna površina|El. energija"},
        {"lift", "LIFT", "Lift", 3, 3, "Lift|m2|Stan|Voda"},
        {"voda", "VODA", "Voda", 4, 3, "Voda|m2|Osoba|Voda"},
        {"ost", "OST", "Ostalo", 5, 4, "Ostalo|m2|Fiksno|Ostalo"},
    };
    Start(0);
    driver.WaitUntil([&] { return !driver.Enabled(kBrowse, "?BUTTONNORECORDS"); }, "the empty list read");
    int count = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.code);
        driver.Focus(kBrowse, kList);
        driver.Keys(kBrowse, {Key::Insert});
        WaitForm("Record Will Be Added");
        driver.Type(kForm, "?OBA:SIFRA", r.typed);
        driver.Type(kForm, "?OBA:NAZIV", r.name);
        driver.Type(kForm, "?OBA:JM", "m2");
        driver.Press(kForm, "?OBA:NACIN:RADIO" + std::to_string(r.method));
        driver.Press(kForm, "?OBA:KOLONA:RADIO" + std::to_string(r.column));
        driver.Press(kForm, "?OK");
        FormClosed();
        WaitRows(++count, "after the insert");
    }
    // The code order: GR, LIFT, ODR, OST, VODA.
    WaitCell(1, 1, "GR", "the code order");
    EXPECT_EQ(Cell(5, 1), "VODA");
    for (const Row& r : rows) EXPECT_EQ(StoredNow(r.code), r.stored) << r.code;

    // Change LIFT (row 2): another name, method and column.
    PickRow(2);
    Post(rt::ui::Event::Accepted, rt::ui::ToolbarButton::Change);
    WaitForm("Record Will Be Changed");
    EXPECT_EQ(rt::clip(driver.Text(kForm, "?OBA:SIFRA")), "LIFT");
    EXPECT_TRUE(driver.Checked(kForm, "?OBA:NACIN:RADIO3"));
    EXPECT_TRUE(driver.Checked(kForm, "?OBA:KOLONA:RADIO3"));
    driver.Type(kForm, "?OBA:NAZIV", "Lift i hodnik");
    driver.Press(kForm, "?OBA:NACIN:RADIO1");
    driver.Press(kForm, "?OBA:KOLONA:RADIO1");
    driver.Press(kForm, "?OK");
    FormClosed();
    WaitCell(2, 2, "Lift i hodnik", "the changed row");
    EXPECT_EQ(Cell(2, 4), "Površina");
    EXPECT_EQ(Cell(2, 5), "Održavanje");
    EXPECT_EQ(StoredNow("LIFT"), "Lift i hodnik|m2|Površina|Održavanje");

    // View VODA (row 5): the entries read-only, the options enabled, nothing saved.
    PickRow(5);
    Post(rt::ui::Event::Accepted, view_feq);
    WaitForm("View Record");
    driver.WaitUntil([&] { return ReadOnly("?OBA:SIFRA") && ReadOnly("?OBA:NAZIV") && ReadOnly("?OBA:JM"); },
                     "read-only entries");
    EXPECT_TRUE(driver.Enabled(kForm, "?OBA:NACIN:RADIO1"));
    EXPECT_TRUE(driver.Checked(kForm, "?OBA:NACIN:RADIO4"));
    driver.Press(kForm, "?OK");
    FormClosed();
    EXPECT_EQ(StoredNow("VODA"), "Voda|m2|Osoba|Voda");

    // A code that exists already is refused by the insert; the form stays open.
    driver.Focus(kBrowse, kList);
    driver.Keys(kBrowse, {Key::Insert});
    WaitForm("Record Will Be Added");
    driver.Press(kForm, "?OK");  // the empty required code first
    driver.WaitUntil([&] { return driver.Focused(kForm) == "?OBA:SIFRA"; }, "the focus on the empty code");
    EXPECT_FALSE(driver.MessageOpen());
    driver.Type(kForm, "?OBA:SIFRA", "lift");
    driver.Type(kForm, "?OBA:NAZIV", "Drugi lift");
    driver.Press(kForm, "?OK");
    driver.WaitUntil([&] { return driver.MessageOpen(); }, "the duplicate refused");
    EXPECT_EQ(driver.Answer("OK"),
              "Adding this record creates a duplicate entry for the key OBA:Po_sifri in the file OBAVEZE.");
    EXPECT_EQ(driver.Caption(kForm), "Record Will Be Added");
    driver.Press(kForm, "?CANCEL");
    EXPECT_EQ(driver.Answer("Yes"), "Are you sure you want to cancel?");
    FormClosed();
    EXPECT_EQ(StoredNow("LIFT"), "Lift i hodnik|m2|Površina|Održavanje");

    // Delete GR (row 1): asked first; No keeps it, Yes deletes it.
    for (const char* answer : {"No", "Yes"}) {
        SCOPED_TRACE(answer);
        PickRow(1);
        driver.Focus(kBrowse, kList);
        driver.Keys(kBrowse, {Key::Delete});
        EXPECT_EQ(MessageTitle(), "Confirm Delete");
        EXPECT_EQ(driver.Answer(answer), "Are you sure you want to delete the highlighted record?");
    }
    WaitCell(1, 1, "LIFT", "GR deleted");
    WaitRows(4, "after the delete");
    EXPECT_EQ(StoredNow("GR"), "");
    for (const char* kept : {"LIFT", "ODR", "OST", "VODA"}) EXPECT_NE(StoredNow(kept), "") << kept;
    CloseBrowse(RequestCompleted);
}

TEST_F(ObavezeGui, AServiceInUseIsNotDeleted) {
    // A service priced in a run (CENE), and one charged on an invoice item (SPROM).
    OnThread([] {
        AddService("CEN", "Cena", "Stan", "Voda");
        AddService("SPR", "Stavka", "Stan", "Voda");
        Files::CENE().Clear();
        CEN.OBRACUN = 1;
        CEN.SIFRA = "CEN";
        AddRowOf(TableId::CENE);
        Files::SPROM().Clear();
        SPR.OBRACUN = 1;
        SPR.SHKORISNIKA = "00001";
        SPR.SIFRA = "SPR";
        AddRowOf(TableId::SPROM);
    });
    Start(0);
    WaitCell(2, 1, "SPR", "the services");
    struct Case {
        int row;
        const char* code;
        const char* table;
        const char* stored;
    } cases[] = {{1, "CEN", "CENE", "Cena|m2|Stan|Voda"}, {2, "SPR", "SPROM", "Stavka|m2|Stan|Voda"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        PickRow(c.row);
        driver.Focus(kBrowse, kList);
        driver.Keys(kBrowse, {Key::Delete});
        EXPECT_EQ(driver.Answer("Yes"), "Are you sure you want to delete the highlighted record?");
        EXPECT_EQ(MessageTitle(), "Referential Integrity Delete Error");
        EXPECT_EQ(driver.Answer("OK"), std::string("This record is referenced from the file ") + c.table +
                                           ". This record cannot be deleted while these references exist.");
        EXPECT_EQ(StoredNow(c.code), c.stored);
    }
    EXPECT_EQ(Rows(), 2);
    CloseBrowse(RequestCompleted);
}

TEST_F(ObavezeGui, SelectModeAnswersWithTheChosenServiceAndCancelsOnClose) {
    OnThread([] {
        AddService("A1", "Prva", "Stan", "Voda");
        AddService("A2", "Druga", "Osoba", "Ostalo");
        AddService("A3", "Treća", "Fiksno", "Ostalo");
    });
    Start(SelectRecord);
    WaitCell(3, 1, "A3", "the services");
    driver.DoubleClickRow(kBrowse, kList, 2);
    driver.WaitForThreads();
    EXPECT_EQ(response, RequestCompleted);
    EXPECT_EQ(Chosen(), "A2|Druga");
    EXPECT_EQ(StoredNow("A2"), "Druga|m2|Osoba|Ostalo");  // selecting changes nothing

    // The name order: Druga, Prva, Treća; Enter selects the highlighted row.
    Start(SelectRecord);
    driver.PickTab(kBrowse, "?CURRENTTAB", 2);
    WaitCell(1, 2, "Druga", "the name order");
    EXPECT_EQ(Cell(3, 2), "Treća");
    PickRow(3);
    driver.Focus(kBrowse, kList);
    driver.Keys(kBrowse, {Key::Enter});
    driver.WaitForThreads();
    EXPECT_EQ(response, RequestCompleted);
    EXPECT_EQ(Chosen(), "A3|Treća");

    for (bool close_box : {false, true}) {
        Start(SelectRecord);
        WaitCell(1, 1, "A1", "the services");
        CloseBrowse(RequestCancelled, close_box);
    }
}

TEST_F(ObavezeGui, PrintSaysTheProcedureIsNotDefinedAndTheListKeepsTheFocus) {
    OnThread([] { AddService("A1", "Prva", "Stan", "Voda"); });
    Start(0);
    WaitCell(1, 1, "A1", "the services");
    driver.WaitUntil([&] { return driver.Enabled(kBrowse, "?BUTTONNORECORDS"); }, "ISPIS enabled");
    // The button, then its key F2 from the list.
    for (bool key : {false, true}) {
        SCOPED_TRACE(key ? "F2" : "button");
        if (key)
            driver.Keys(kBrowse, {Key::F2});
        else
            driver.Press(kBrowse, "?BUTTONNORECORDS");
        EXPECT_EQ(MessageTitle(), "Procedure not defined");
        EXPECT_EQ(driver.Answer("OK"), "The Procedure IspisObaveza has not been defined.");
        driver.WaitUntil([&] { return driver.Focused(kBrowse) == kList; }, "the list focused");
        WaitCell(1, 1, "A1", "the list re-read");
    }
    EXPECT_FALSE(driver.MessageOpen());
    CloseBrowse(RequestCompleted);
}

TEST_F(ObavezeGui, TheFormTakesTheFirstKeysAndTabEntersAGroupAtItsChosenRadio) {
    Start(0);
    KeyOnList(Key::Insert);
    WaitForm("Record Will Be Added");
    // The form's first field is the code's prompt: the code entry takes the keys.
    driver.WaitUntil([&] { return driver.Focused(kForm) == "?OBA:SIFRA"; }, "the code entry focused");
    driver.Keys(kForm, {'9'});
    EXPECT_EQ(rt::clip(driver.Text(kForm, "?OBA:SIFRA")), "9");
    // Each option group is one stop of Tab, at its chosen radio.
    const char* stops[] = {"?OBA:NAZIV", "?OBA:JM", "?OBA:NACIN:RADIO5", "?OBA:KOLONA:RADIO4", "?OK"};
    for (const char* stop : stops) {
        driver.Keys(kForm, {Key::Tab});
        driver.WaitUntil([&] { return driver.Focused(kForm) == stop; }, std::string("Tab to ") + stop);
    }
    driver.Press(kForm, "?CANCEL");
    EXPECT_EQ(driver.Answer("Yes"), "Are you sure you want to cancel?");
    FormClosed();
    driver.WaitUntil([&] { return driver.Focused(kBrowse) == kList; }, "the list focused again");
    CloseBrowse(RequestCompleted);
}

TEST_F(ObavezeGui, CancelByItsHotKeyAsksAboutTheTextStillBeingTyped) {
    Start(0);
    KeyOnList(Key::Insert);
    WaitForm("Record Will Be Added");
    driver.WaitUntil([&] { return driver.Focused(kForm) == "?OBA:SIFRA"; }, "the code entry focused");
    driver.Keys(kForm, {'9', Key::Alt | 'C'});  // the entry never left
    EXPECT_EQ(MessageTitle(), "Changes will be lost!");
    // Enter alone answers No: the form stays.
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused->objectName().toStdString(), "kvButton2") << "the default button, No, has the focus";
    EXPECT_EQ(driver.Answer("Yes"), "Are you sure you want to cancel?");
    FormClosed();
    EXPECT_EQ(StoredNow("9"), "");
    CloseBrowse(RequestCompleted);
}

TEST_F(ObavezeGui, AfterATabSwitchTheListHasItsFocusMarksBack) {
    OnThread([] {
        AddService("1", "Voda", "Osoba", "Voda");
        AddService("2", "Akontacija", "Fiksno", "Ostalo");
    });
    Start(0);
    WaitColumn(1, {"1", "2"}, "by code");
    driver.Focus(kBrowse, kList);
    auto marked = [&] { return !driver.Server().FindWindow(kBrowse)->drawing().empty(); };
    driver.WaitUntil(marked, "the list marked");
    // Each tab's order shown means its change was handled; the marks come back after it.
    const std::pair<int, std::vector<std::string>> tabs[] = {{2, {"2", "1"}}, {1, {"1", "2"}}};
    for (const auto& [tab, codes] : tabs) {
        driver.PickTab(kBrowse, "?CURRENTTAB", tab);
        WaitColumn(1, codes, "the order of tab " + std::to_string(tab));
        driver.WaitUntil(marked, "the list marked again on tab " + std::to_string(tab));
    }
    EXPECT_EQ(driver.Focused(kBrowse), kList);
    CloseBrowse(RequestCompleted);
}

TEST_F(ObavezeGui, TheMenuItemStartsTheServicesBrowse) {
    auto procedure = MenuProcedure("BrowseObaveze");
    ASSERT_TRUE(procedure);
    StartBrowse(0, procedure);
    CloseBrowse(RequestCompleted);
}

}  // namespace
