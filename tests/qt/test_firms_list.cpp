// The firms list with real widgets over the encrypted firms file one folder above the
// program folder: the browse and its tools button, the form of one firm, the server
// change, the filtered locator, the unique keys, view mode and the choice from the login.
// What the windows wrote is read back from MBASE.DAT through the table layer.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTabWidget>
#include <atomic>
#include <map>

#include "data/access.h"
#include "data/globals.h"
#include "data/keys.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/text.h"
#include "shell/desktop_integration.h"
#include "shell/firms_list.h"
#include "shell/login.h"
#include "shell/procedure.h"
#include "tests/driver/store_fixture.h"
#include "tests/qt/test_login_fixture.h"

namespace fs = std::filesystem;
using namespace kvadrin;
namespace Key = rt::ui::Key;

namespace {

constexpr const char* kBrowse = "BrowseMBase";
constexpr const char* kForm = "UpdateMBASE";
constexpr const char* kChange = "PromenaServeraMB";

// A firm as the file holds it, in UTF-8: name, server, folder and the fifteen lines.
struct StoredFirm {
    std::string name, server, folder;
    std::vector<std::string> lines;
};

std::string Utf8(std::string_view cp1250) { return rt::cp1250_to_utf8(rt::clip(cp1250)); }

// One row: name, server, folder, and PIB (line 7), registration number (10), account (5).
std::string Row(const char* name, const char* server, const char* folder, const char* pib = "",
                const char* mb = "", const char* account = "") {
    MBASERecord m;
    m.NAZIVFIRME = rt::utf8_to_cp1250(name);
    m.SERVERNAME = server;
    m.FOLDERNAME = folder;
    for (auto& line : m.R) line.clear();
    m.R[0] = rt::utf8_to_cp1250(std::string(name) + " d.o.o.");
    m.R[4] = account;
    m.R[6] = pib;
    m.R[9] = mb;
    return std::string(reinterpret_cast<const char*>(&m), sizeof m);
}

class FirmsListGui : public kvtest::BrowseSteps<kvtest::LoginFixture> {
protected:
    FirmsListGui() : BrowseSteps(kBrowse, kForm) {}
    void SetUp() override {
        LoginFixture::SetUp();
        FindHiddenButtons(BrowseMBaseWindow());
    }
    // The firms file read through the table layer, by name.
    std::map<std::string, StoredFirm> Stored() {
        std::map<std::string, StoredFirm> out;
        OnThread([&out] {
            rt::FileManager* fm = Access::MBASE();
            ASSERT_EQ(fm->Open(), 0) << rt::Error();
            ASSERT_EQ(fm->UseTable(rt::kUseOpen), 0);
            rt::File& f = Files::MBASE();
            f.Set(M_PO_NAZIVU);
            while (f.Next() == rt::kNoError) {
                StoredFirm s{
                    Utf8(M.NAZIVFIRME.view()), Utf8(M.SERVERNAME.view()), Utf8(M.FOLDERNAME.view()), {}};
                for (const auto& line : M.R) s.lines.push_back(Utf8(line.view()));
                out[s.name] = s;
            }
            fm->Close();
        });
        return out;
    }
    std::string FirmsFileBytes() { return Slurp(year_ / "MBASE.DAT"); }

    // The browse; the firm it leaves in the buffer is kept for Chosen().
    void StartBrowse(std::uint8_t request) {
        StartChoosing(request, BrowseMBase, [] { return Utf8(M.NAZIVFIRME.view()); });
    }
    std::vector<std::string> Names() { return Column(1); }
    void WaitNames(const std::vector<std::string>& names, const std::string& what) {
        try {
            driver.WaitUntil([&] { return Names() == names; }, what);
        } catch (const rt::qt::DriverError& e) {
            if (driver.MessageOpen()) ADD_FAILURE() << "message: " << driver.MessageText();
            std::string shown;
            for (const std::string& n : Names()) shown += n + ";";
            ADD_FAILURE() << e.what() << ": shown " << shown;
            throw;
        }
    }
    void WaitVisible(const std::vector<const char*>& labels, bool visible) {
        for (const char* l : labels)
            driver.WaitUntil([&] { return driver.Visible(kBrowse, l) == visible; },
                             std::string(l) + (visible ? " visible" : " hidden"));
    }
    // The server change from the tools button: old and new names, then OK or Cancel.
    void ChangeServer(const char* old_name, const char* new_name, const char* button = "?OK") {
        driver.Press(kBrowse, "?BUTTON8");
        WaitVisible({"?BUTTON1"}, true);
        driver.Press(kBrowse, "?BUTTON1");
        driver.WaitForWindow(kChange);
        driver.Type(kChange, "?STARISERV", old_name);
        driver.Type(kChange, "?NOVISERV", new_name);
        driver.Press(kChange, button);
        driver.WaitClosed(kChange);
        WaitVisible({"?BUTTON1"}, false);
    }

    static inline const std::vector<const char*> kMaintenance = {"?INSERT:4", "?CHANGE:4", "?DELETE:4"};
};

TEST_F(FirmsListGui, TheToolsButtonRevealsTheMaintenanceButtonsUntilAnInsert) {
    WriteFirms({Row("Zeta", "(localdb)\\kv", "ZETA", "100200300", "07654321", "160-111-22"),
                Row("alfa", "SRV\\SQL", "ALFA", "101010101", "01234567", "205-1-99"),
                Row("Beta", "(localdb)\\kv", "BETA")});
    StartBrowse(0);
    EXPECT_EQ(driver.Caption(kBrowse), "REGISTROVANI KORISNICI / IZABERITE KORISNIKA");
    auto* tabs = qobject_cast<QTabWidget*>(driver.Widget(kBrowse, "?CURRENTTAB"));
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 1);
    EXPECT_EQ(tabs->tabText(0).toStdString(), "&1) NAZIV");
    const std::vector<std::string> headings = {"NAZIV KORISNIKA", "SERVER",      "DATABASE NAME", "PIB",
                                               "MATIČNI BROJ",    "TEKUĆI RAČUN"};
    for (std::size_t c = 0; c < headings.size(); ++c)
        EXPECT_EQ(driver.Heading(kBrowse, kList, static_cast<int>(c + 1)), headings[c]);
    // Name order without regard to case; the data lines 7, 10 and 5 in their columns.
    WaitNames({"alfa", "Beta", "Zeta"}, "the firms in name order");
    const std::vector<std::string> zeta = {"Zeta",      "(localdb)\\kv", "ZETA",
                                           "100200300", "07654321",      "160-111-22"};
    for (std::size_t c = 0; c < zeta.size(); ++c) EXPECT_EQ(Cell(3, static_cast<int>(c + 1)), zeta[c]);
    EXPECT_EQ(driver.Text(kBrowse, "?RAD_GOD"), "2024");
    EXPECT_TRUE(driver.Visible(kBrowse, "?BUTTON8"));
    for (const char* hidden :
         {"?BUTTON1", "?INSERT:4", "?CHANGE:4", "?DELETE:4", "?SELECT:2", "?VIEW:3", "?CLOSE", "?HELP"})
        EXPECT_FALSE(driver.Visible(kBrowse, hidden)) << hidden;
    driver.Snapshot(kBrowse, "firms_browse.png");

    driver.Press(kBrowse, "?BUTTON8");
    WaitVisible({"?INSERT:4", "?CHANGE:4", "?DELETE:4", "?BUTTON1"}, true);

    // Change, cancelled unchanged, and Delete, not confirmed, leave them visible.
    PickRow(2);
    driver.Press(kBrowse, "?CHANGE:4");
    WaitForm("Record Will Be Changed");
    EXPECT_EQ(rt::clip(driver.Text(kForm, "?M:NAZIVFIRME")), "Beta");
    EXPECT_EQ(rt::clip(driver.Text(kForm, "?M:FOLDERNAME")), "BETA");
    driver.Press(kForm, "?CANCEL");
    FormClosed();
    driver.Press(kBrowse, "?DELETE:4");
    EXPECT_EQ(driver.Answer("No"), "Are you sure you want to delete the highlighted record?");
    driver.Pump();
    for (const char* l : kMaintenance) EXPECT_TRUE(driver.Visible(kBrowse, l)) << l;

    // Insert hides them again before the form opens; the server change stays offered.
    driver.Press(kBrowse, "?INSERT:4");
    WaitForm("Record Will Be Added");
    for (const char* l : kMaintenance) EXPECT_FALSE(driver.Visible(kBrowse, l)) << l;
    for (const char* entry : {"?M:NAZIVFIRME", "?M:SERVERNAME", "?M:FOLDERNAME", "?M:R_1", "?M:R_15"})
        EXPECT_EQ(rt::clip(driver.Text(kForm, entry)), "") << entry;
    EXPECT_FALSE(driver.Visible(kForm, "?HELP"));
    // The focus mark stands 8 dialog units left of the focused entry: clear of its prompt.
    {
        QWidget* entry = driver.Widget(kForm, "?M:NAZIVFIRME");
        const double unit = entry->fontMetrics().averageCharWidth() / 4.0;
        for (QLabel* prompt : entry->window()->findChildren<QLabel*>()) {
            if (prompt->text() != "NAZIV KORISNIKA:" || !prompt->isVisible()) continue;
            const int text_end =
                prompt
                    ->mapTo(entry->window(),
                            QPoint(prompt->fontMetrics().horizontalAdvance(prompt->text()), 0))
                    .x();
            const int mark = entry->mapTo(entry->window(), QPoint(0, 0)).x() - static_cast<int>(8 * unit);
            EXPECT_GE(mark - text_end, static_cast<int>(2 * unit))
                << "the mark at " << mark << ", the prompt to " << text_end;
        }
    }
    driver.Type(kForm, "?M:NAZIVFIRME", "Delta");
    driver.Type(kForm, "?M:SERVERNAME", "(localdb)\\kv");
    driver.Type(kForm, "?M:FOLDERNAME", "DELTA");
    driver.PickTab(kForm, "?CURRENTTAB", 2);
    const std::map<int, std::string> lines = {{1, "Delta d.o.o."},
                                              {2, "Njegoševa 7"},
                                              {3, "11000 Beograd"},
                                              {4, "Beograd"},
                                              {5, "160-0000000001234-56"},
                                              {6, "011 123 456"},
                                              {7, "109876543"},
                                              {9, "EP-1"},
                                              {10, "21234567"},
                                              {11, "BD 1/2024"},
                                              {12, "6832"},
                                              {13, "APR-9"},
                                              {14, "Ne"},
                                              {15, "SISTEM"}};
    for (const auto& [n, text] : lines) driver.Type(kForm, "?M:R_" + std::to_string(n), text);
    driver.Snapshot(kForm, "firms_form_lines.png");
    driver.Press(kForm, "?OK");
    FormClosed();
    WaitNames({"alfa", "Beta", "Delta", "Zeta"}, "the new firm");
    EXPECT_EQ(Cell(3, 6), "160-0000000001234-56");
    for (const char* l : kMaintenance) EXPECT_FALSE(driver.Visible(kBrowse, l)) << l;
    EXPECT_TRUE(driver.Visible(kBrowse, "?BUTTON1"));
    CloseBrowse(RequestCompleted);

    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 4u);
    const StoredFirm& delta = stored.at("Delta");
    EXPECT_EQ(delta.server, "(localdb)\\kv");
    EXPECT_EQ(delta.folder, "DELTA");
    for (int n = 1; n <= 15; ++n)
        EXPECT_EQ(delta.lines[static_cast<std::size_t>(n - 1)], lines.count(n) ? lines.at(n) : "")
            << "line " << n;
}

TEST_F(FirmsListGui, TheServerChangeReplacesOnlyTheServerWrittenExactlySo) {
    WriteFirms({Row("A", "SERVER1", "A"), Row("B", "server1", "B"), Row("C", "SERVER1", "C"),
                Row("D", "", "D"), Row("E", "SERVER10", "E")});
    StartBrowse(0);
    WaitNames({"A", "B", "C", "D", "E"}, "the firms");
    driver.Press(kBrowse, "?BUTTON8");
    WaitVisible({"?BUTTON1"}, true);
    driver.Press(kBrowse, "?BUTTON1");
    driver.WaitForWindow(kChange);
    EXPECT_EQ(driver.Caption(kChange), "Promena servera");
    EXPECT_EQ(rt::clip(driver.Text(kChange, "?STARISERV")), "");
    EXPECT_EQ(rt::clip(driver.Text(kChange, "?NOVISERV")), "");
    driver.Press(kChange, "?CANCEL");
    driver.WaitClosed(kChange);
    WaitVisible({"?BUTTON1"}, false);  // hidden after the change even when cancelled

    struct Step {
        const char* old_name;
        const char* new_name;
        const char* button;
        std::map<std::string, std::string> servers;
    } steps[] = {
        {"SERVER1",
         "SERVER2",
         "?OK",
         {{"A", "SERVER2"}, {"B", "server1"}, {"C", "SERVER2"}, {"D", ""}, {"E", "SERVER10"}}},
        // A blank old name gives the firms without a server the new one.
        {"",
         "SERVER3",
         "?OK",
         {{"A", "SERVER2"}, {"B", "server1"}, {"C", "SERVER2"}, {"D", "SERVER3"}, {"E", "SERVER10"}}},
        {"server1",
         "X",
         "?CANCEL",
         {{"A", "SERVER2"}, {"B", "server1"}, {"C", "SERVER2"}, {"D", "SERVER3"}, {"E", "SERVER10"}}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.old_name) + " -> " + s.new_name);
        ChangeServer(s.old_name, s.new_name, s.button);
        // The list is read again and shows the names now stored.
        int row = 0;
        for (const auto& [name, server] : s.servers) {
            ++row;
            driver.WaitUntil([&] { return Cell(row, 1) == name && Cell(row, 2) == server; },
                             name + " shows " + server);
        }
        const auto stored = Stored();
        for (const auto& [name, server] : s.servers) EXPECT_EQ(stored.at(name).server, server) << name;
    }
    CloseBrowse(RequestCompleted);
}

TEST_F(FirmsListGui, TypingPartOfANameNarrowsTheListAndHeadersSortByTheDataLines) {
    WriteFirms({Row("Alfa", "s", "A", "5", "30"), Row("BETON", "s", "B", "4", "10"),
                Row("Zeta", "s", "C", "3", "50"), Row("Petrović", "s", "D", "2", "40"),
                Row("Gama", "s", "E", "1", "20")});
    StartBrowse(0);
    WaitNames({"Alfa", "BETON", "Gama", "Petrović", "Zeta"}, "all firms");
    driver.Focus(kBrowse, kList);
    // The text anywhere in the name, without regard to case.
    driver.Keys(kBrowse, {'E', 'T'});
    WaitNames({"BETON", "Petrović", "Zeta"}, "the names holding ET");
    driver.Keys(kBrowse, {'A'});
    WaitNames({"Zeta"}, "the names holding ETA");
    // A text that leaves no firm is refused; the list stays as it was.
    driver.Keys(kBrowse, {'X', Key::Backspace});
    WaitNames({"BETON", "Petrović", "Zeta"}, "ETA given back ET");
    driver.Keys(kBrowse, {Key::Backspace, Key::Backspace});
    WaitNames({"Alfa", "BETON", "Gama", "Petrović", "Zeta"}, "all firms again");

    // The header of the PIB column (line 7) sorts by it, a second click the other way; the
    // registration number's (line 10) by that line.
    driver.ClickHeader(kBrowse, kList, 4);
    WaitNames({"Gama", "Petrović", "Zeta", "BETON", "Alfa"}, "by PIB");
    driver.ClickHeader(kBrowse, kList, 4);
    WaitNames({"Alfa", "BETON", "Zeta", "Petrović", "Gama"}, "by PIB descending");
    driver.ClickHeader(kBrowse, kList, 5);
    WaitNames({"BETON", "Gama", "Alfa", "Petrović", "Zeta"}, "by registration number");
    CloseBrowse(RequestCompleted);
}

TEST_F(FirmsListGui, ADuplicateNameOrFolderIsRefusedAndNothingIsWritten) {
    WriteFirms({Row("Alfa", "s", "ALFA"), Row("Beta", "s", "BETA")});
    const std::string before = FirmsFileBytes();
    StartBrowse(0);
    WaitNames({"Alfa", "Beta"}, "the firms");
    driver.Press(kBrowse, "?BUTTON8");
    WaitVisible(kMaintenance, true);

    // The list's Insert key hides the maintenance buttons as the Insert button does.
    driver.Focus(kBrowse, kList);
    driver.Keys(kBrowse, {Key::Insert});
    WaitForm("Record Will Be Added");
    for (const char* l : kMaintenance) EXPECT_FALSE(driver.Visible(kBrowse, l)) << l;
    struct Attempt {
        const char* name;
        const char* folder;
        const char* message;
    } inserts[] = {
        {"alfa", "NOVA",
         "Adding this record creates a duplicate entry for the key M:PO_NAZIVU in the file MBASE."},
        {"Nova", "beta",
         "Adding this record creates a duplicate entry for the key M:PO_FOLDERU in the file MBASE."},
    };
    for (const Attempt& a : inserts) {
        driver.Type(kForm, "?M:NAZIVFIRME", a.name);
        driver.Type(kForm, "?M:FOLDERNAME", a.folder);
        driver.Press(kForm, "?OK");
        EXPECT_EQ(driver.Answer("OK"), a.message);
        EXPECT_EQ(driver.Caption(kForm), "Record Will Be Added") << "the form stays";
    }
    driver.Press(kForm, "?CANCEL");
    EXPECT_EQ(driver.Answer("Yes"), "Are you sure you want to cancel?");
    FormClosed();

    // Beta changed to Alfa's folder.
    driver.Press(kBrowse, "?BUTTON8");
    WaitVisible(kMaintenance, true);
    PickRow(2);
    driver.Press(kBrowse, "?CHANGE:4");
    WaitForm("Record Will Be Changed");
    driver.Type(kForm, "?M:FOLDERNAME", "Alfa");
    driver.Press(kForm, "?OK");
    EXPECT_EQ(driver.Answer("OK"),
              "Changing this record creates a duplicate entry for the key M:PO_FOLDERU in the file MBASE.");
    driver.Press(kForm, "?CANCEL");
    EXPECT_EQ(driver.Answer("Yes"), "Are you sure you want to cancel?");
    FormClosed();
    CloseBrowse(RequestCompleted);
    EXPECT_EQ(FirmsFileBytes(), before) << "the firms file was written";
}

TEST_F(FirmsListGui, ViewingShowsEveryEntryReadOnlyAndTheHistoryKeyRecallsTheLastSaved) {
    WriteFirms({Row("Alfa", "stari", "ALFA", "111"), Row("Beta", "s", "BETA", "222")});
    StartBrowse(0);
    WaitNames({"Alfa", "Beta"}, "the firms");

    PickRow(1);
    Post(rt::ui::Event::Accepted, view_feq);
    WaitForm("View Record");
    std::vector<std::string> entries = {"?M:NAZIVFIRME", "?M:SERVERNAME", "?M:FOLDERNAME"};
    for (int n : {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15})
        entries.push_back("?M:R_" + std::to_string(n));
    driver.WaitUntil(
        [&] {
            for (const std::string& e : entries)
                if (!ReadOnly(e)) return false;
            return true;
        },
        "all seventeen entries read-only");
    EXPECT_EQ(driver.Widget(kForm, "?M:R_8"), nullptr) << "line 8 has no entry";
    EXPECT_EQ(rt::clip(driver.Text(kForm, "?M:R_7")), "111");
    driver.Press(kForm, "?OK");
    FormClosed();

    // Alfa's server changed; Enter moves from the name to the server.
    driver.Press(kBrowse, "?BUTTON8");
    WaitVisible(kMaintenance, true);
    driver.Press(kBrowse, "?CHANGE:4");
    WaitForm("Record Will Be Changed");
    driver.Focus(kForm, "?M:NAZIVFIRME");
    driver.Keys(kForm, {Key::Enter});
    driver.WaitUntil([&] { return driver.Focused(kForm) == "?M:SERVERNAME"; }, "Enter to the server");
    driver.Type(kForm, "?M:SERVERNAME", "novi");
    driver.Press(kForm, "?OK");
    FormClosed();

    // In Beta's form Ctrl+H brings back the name and server last saved, Alfa's.
    PickRow(2);
    driver.Press(kBrowse, "?CHANGE:4");
    WaitForm("Record Will Be Changed");
    for (const auto& [entry, recalled] :
         {std::pair{"?M:SERVERNAME", "novi"}, std::pair{"?M:NAZIVFIRME", "Alfa"}}) {
        driver.Focus(kForm, entry);
        driver.Keys(kForm, {Key::CtrlH});
        driver.WaitUntil([&, e = entry, r = recalled] { return rt::clip(driver.Text(kForm, e)) == r; },
                         std::string(entry) + " recalled");
    }
    driver.Press(kForm, "?CANCEL");
    EXPECT_EQ(driver.Answer("Yes"), "Are you sure you want to cancel?");
    FormClosed();
    CloseBrowse(RequestCompleted);

    const auto stored = Stored();
    EXPECT_EQ(stored.at("Alfa").server, "novi");
    EXPECT_EQ(stored.at("Beta").server, "s");
}

// Called for view, the browse calls no form: its view runs nothing and Close answers 1.
TEST_F(FirmsListGui, ABrowseCalledForViewCallsNoForm) {
    WriteFirms({Row("Alfa", "s", "ALFA")});
    StartBrowse(ViewRecord);
    WaitNames({"Alfa"}, "the firm");
    PickRow(1);
    Post(rt::ui::Event::Accepted, view_feq);
    CloseBrowse(RequestCompleted);  // would wait for ever behind an open form
    EXPECT_EQ(ProgramSettings.Fetch(kForm, "Width", "none"), "none") << "the form was opened";
}

// Escape and Ctrl+F4 close the firms list as its close box does, opened on its own and from
// the login's lookup button, whose firm then stays as it was.
TEST_F(FirmsListGui, EscapeAndCtrlF4CloseTheListAsItsCloseBoxDoes) {
    WriteFirms({Row("Alfa", "(localdb)\\kv", "ALFA"), Row("Beta", "(localdb)\\drugi", "BETA")});
    for (int key : {int(Key::Escape), Key::Ctrl | Key::F4}) {
        StartBrowse(0);
        WaitNames({"Alfa", "Beta"}, "the firms");
        PickRow(2);
        KeyOnList(key);
        driver.WaitForThreads();
        EXPECT_EQ(response, RequestCancelled) << key;
    }
    WriteLoginIni("(localdb)\\kv", "korisnik", "Alfa");
    thread = driver.Start([] { OtvoriSQL(); });
    driver.WaitForWindow("MSSQLLogMulti");
    driver.WaitUntil([&] { return driver.Text("MSSQLLogMulti", "?MSBASE") == "ALFA_2024"; }, "Alfa proposed");
    driver.Press("MSSQLLogMulti", "?CALLLOOKUP");
    driver.WaitForWindow(kBrowse);
    WaitNames({"Alfa", "Beta"}, "the firms");
    PickRow(2);
    KeyOnList(Key::Escape);
    driver.WaitClosed(kBrowse);
    driver.Pump();
    EXPECT_EQ(driver.Text("MSSQLLogMulti", "?NAZIVFIRME"), "Alfa");
    driver.Press("MSSQLLogMulti", "?CANCEL");
    driver.WaitForThreads();
}

// From the login's lookup button: a list closed without a choice answers 2 and leaves the
// login as it was; a firm chosen with a double click brings its server and database.
TEST_F(FirmsListGui, TheLoginsLookupButtonChoosesAFirmFromTheList) {
    WriteFirms({Row("Alfa", "(localdb)\\kv", "ALFA"), Row("Beta", "(localdb)\\drugi", "BETA")});
    WriteLoginIni("(localdb)\\kv", "korisnik", "Alfa");
    std::atomic<int> login_response{-1};
    thread = driver.Start([&login_response] {
        OtvoriSQL();
        login_response = CallResponse;
    });
    driver.WaitForWindow("MSSQLLogMulti");
    driver.WaitUntil([&] { return driver.Text("MSSQLLogMulti", "?MSBASE") == "ALFA_2024"; }, "Alfa proposed");

    driver.Press("MSSQLLogMulti", "?CALLLOOKUP");
    driver.WaitForWindow(kBrowse);
    WaitNames({"Alfa", "Beta"}, "the firms");
    Post(rt::ui::Event::Accepted, close_feq);
    driver.WaitClosed(kBrowse);
    driver.Pump();
    EXPECT_EQ(driver.Text("MSSQLLogMulti", "?NAZIVFIRME"), "Alfa");
    EXPECT_EQ(driver.Text("MSSQLLogMulti", "?GLO:SERVER"), "(localdb)\\kv");

    driver.Press("MSSQLLogMulti", "?CALLLOOKUP");
    driver.WaitForWindow(kBrowse);
    WaitNames({"Alfa", "Beta"}, "the firms");
    driver.DoubleClickRow(kBrowse, kList, 2);
    driver.WaitClosed(kBrowse);
    driver.WaitUntil([&] { return driver.Text("MSSQLLogMulti", "?MSBASE") == "BETA_2024"; },
                     "Beta's database");
    EXPECT_EQ(driver.Text("MSSQLLogMulti", "?NAZIVFIRME"), "Beta");
    EXPECT_EQ(driver.Text("MSSQLLogMulti", "?GLO:SERVER"), "(localdb)\\drugi");
    driver.Press("MSSQLLogMulti", "?CANCEL");
    driver.WaitForThreads();
    EXPECT_EQ(login_response, RequestCancelled);
}

}  // namespace
