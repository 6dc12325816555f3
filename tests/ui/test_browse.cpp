// The browse framework over a table made for these tests on the embedded store: paging,
// locators, header orders, the form call with priming and navigation, the toolbar's
// enabling, list formats kept in a keyed file, column sizing.
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/core/text.h"
#include "platform/files/manager.h"
#include "platform/files/relation.h"
#include "platform/files/sql/connection.h"
#include "platform/files/view.h"
#include "platform/ui/browse.h"
#include "platform/ui/columntracker.h"
#include "platform/ui/controller.h"
#include "platform/ui/formats.h"
#include "platform/ui/locator.h"
#include "platform/ui/sortheader.h"
#include "platform/ui/step.h"
#include "platform/ui/window.h"
#include "tests/ui/fake_backend.h"

namespace {

using namespace rt::ui;
namespace fs = std::filesystem;

constexpr const char* kConnection = "(localdb)\\test,BROWSEDB,,;TrustedConnection=True";

std::string cp(const char* utf8) { return rt::utf8_to_cp1250(utf8); }

struct StavkaRecord {
    rt::CString<8> SIFRA;
    rt::CString<21> NAZIV;
    rt::Real IZNOS;
    rt::CString<6> GRUPA;
};

const rt::TableDef& StavkeDef() {
    static const rt::TableDef def = [] {
        rt::TableDef d;
        d.name = "STAVKE";
        d.driver = rt::Driver::Sql;
        d.owner = "OWNERFIRME";
        rt::RecordLayout& l = d.layout;
        l.prefix = "STV";
        l.record_size = sizeof(StavkaRecord);
        l.fields = {rt::field_for<decltype(StavkaRecord::SIFRA)>("STV:SIFRA", offsetof(StavkaRecord, SIFRA)),
                    rt::field_for<decltype(StavkaRecord::NAZIV)>("STV:NAZIV", offsetof(StavkaRecord, NAZIV)),
                    rt::field_for<decltype(StavkaRecord::IZNOS)>("STV:IZNOS", offsetof(StavkaRecord, IZNOS)),
                    rt::field_for<decltype(StavkaRecord::GRUPA)>("STV:GRUPA", offsetof(StavkaRecord, GRUPA))};
        l.keys = {rt::make_key(l, "STV:Po_sifri", {"STV:SIFRA"}, rt::kKeyPrimary | rt::kKeyNoCase),
                  rt::make_key(l, "STV:Po_nazivu", {"STV:NAZIV"}, rt::kKeyDup | rt::kKeyNoCase)};
        return d;
    }();
    return def;
}

// The list-format file's record.
struct FormatRecord {
    rt::FString<30> APPNAME;
    rt::FString<30> PROCID;
    rt::Short USERID;
    rt::Short CTRLID;
    rt::Short FORMATID;
    rt::FString<30> FORMATNAME;
    rt::Byte FLAG;
    rt::FString<5120> FORMAT;
    rt::FString<2048> VARLINE;
};

const rt::TableDef& FormatsDef(const std::string& path) {
    static rt::TableDef def = [] {
        rt::TableDef d;
        d.driver = rt::Driver::Keyed;
        rt::RecordLayout& l = d.layout;
        l.prefix = "CFG";
        l.record_size = sizeof(FormatRecord);
#define F(name) rt::field_for<decltype(FormatRecord::name)>("CFG:" #name, offsetof(FormatRecord, name))
        l.fields = {F(APPNAME),    F(PROCID), F(USERID), F(CTRLID), F(FORMATID),
                    F(FORMATNAME), F(FLAG),   F(FORMAT), F(VARLINE)};
#undef F
        l.keys = {rt::make_key(l, "CFG:KEY_MAIN",
                               {"CFG:APPNAME", "CFG:PROCID", "CFG:USERID", "CFG:CTRLID", "CFG:FORMATID"},
                               rt::kKeyUnique | rt::kKeyNoCase | rt::kKeyOptional)};
        return d;
    }();
    def.name = path;
    return def;
}

ControlDef control(int kind, const char* label, const char* text = "") {
    ControlDef c;
    c.kind = kind;
    c.label = label;
    c.text = text;
    c.w = 100;
    c.h = 14;
    return c;
}

const WindowDef& BrowseDef() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVT$BROWSE";
        d.name = "P1$QUICKWINDOW";
        d.w = 300;
        d.h = 200;
        ControlDef list = control(Ctl::List, "?BROWSE:1");
        list.h = 150;
        list.format = "40L(2)|M~Sifra~@s7@80L(2)|M~Naziv~@s20@50R(2)|M~Iznos~@n10.2@";
        d.controls = {list,
                      control(Ctl::Button, "?INSERT"),
                      control(Ctl::Button, "?CHANGE"),
                      control(Ctl::Button, "?DELETE"),
                      control(Ctl::Button, "?VIEW"),
                      control(Ctl::Button, "?SELECT"),
                      control(Ctl::Button, "?HELP")};
        return d;
    }();
    return def;
}

// A controller whose form is a function of the test.
class Controller : public WindowController {
public:
    using WindowController::WindowController;
    std::function<int(int request)> form;
    std::vector<int> requests;
    int RunUpdate(int number, int request) override {
        requests.push_back(request);
        return form ? form(request) : kResponseCancelled;
    }
};

// A browse that counts its page loads.
class CountingBrowse : public BrowseManager {
public:
    int loads = 0;
    void LoadPage() override {
        ++loads;
        BrowseManager::LoadPage();
    }
};

class Browse : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char tmpl[] = "/tmp/kvbrowse.XXXXXX";
        dir_ = mkdtemp(tmpl);
        setenv("KVADRIN_LOCALDB", dir_.c_str(), 1);
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }

    void SetUp() override {
        rt::sql::CloseThreadConnections();
        for (const auto& e : fs::directory_iterator(dir_)) fs::remove_all(e.path());
        ASSERT_TRUE(rt::sql::CreateEmbeddedDatabase(kConnection)) << rt::FileError();
        table.BindOwner([] { return std::string(kConnection); });
        ASSERT_EQ(table.Create(), 0) << rt::FileError();
        ASSERT_EQ(table.Open(), 0) << rt::FileError();
        access.Init(table, errors);
        relation.Init(access, false);
    }
    void TearDown() override {
        table.Close();
        rt::sql::CloseThreadConnections();
    }
    void add(const std::string& sifra, const std::string& naziv, double iznos = 0, const char* grupa = "") {
        table.Clear();
        rec.SIFRA = sifra;
        rec.NAZIV = naziv;
        rec.IZNOS = iznos;
        rec.GRUPA = grupa;
        ASSERT_EQ(table.Add(), 0) << rt::FileError();
    }
    // Rows S0001 ... named "Naziv 0001" ...
    void many(int n) {
        char code[16], name[32];
        for (int i = 1; i <= n; ++i) {
            std::snprintf(code, sizeof code, "S%04d", i);
            std::snprintf(name, sizeof name, "Naziv %04d", n + 1 - i);
            add(code, name, i);
        }
    }
    // The browse over the table with orders by code (1) and by name (2), ten rows a page.
    void setup(int request = 0, Locator* code_locator = nullptr, Locator* name_locator = nullptr) {
        controller.REQUEST = static_cast<std::uint8_t>(request);
        browse.Setup(1, view, table, &relation, controller);
        browse.ITEMS = 10;
        browse.DefineSortOrder(&text_step, "STV:Po_sifri");
        if (code_locator) {
            browse.AttachLocator(*code_locator);
            code_locator->Setup(0, "STV:SIFRA", true, &browse);
        }
        browse.DefineSortOrder(&text_step, "STV:Po_nazivu");
        if (name_locator) {
            browse.AttachLocator(*name_locator);
            name_locator->Setup(0, "STV:NAZIV", true, &browse);
        }
        browse.BindFieldPair("STV:SIFRA");
        browse.BindFieldPair("STV:NAZIV");
        browse.BindFieldPair("STV:IZNOS");
        browse.SELECTCONTROL = window.Feq("?SELECT");
        browse.INSERTCONTROL = browse.CHANGECONTROL = browse.DELETECONTROL = 0;
        if (request != 6) {
            browse.INSERTCONTROL = window.Feq("?INSERT");
            browse.CHANGECONTROL = window.Feq("?CHANGE");
            browse.DELETECONTROL = window.Feq("?DELETE");
        }
        browse.VIEWCONTROL = window.Feq("?VIEW");
        browse.HELPCONTROL = window.Feq("?HELP");
        browse.ASKPROCEDURE = 1;
        browse.SetSort(1, true);
    }
    std::vector<std::string> column(int c = 1) const {
        std::vector<std::string> out;
        for (int r = 1; r <= browse.Rows(); ++r) out.push_back(browse.RowText(r, c));
        return out;
    }
    std::string selected_code() const { return browse.RowText(browse.Selected(), 1); }

    static inline std::string dir_;
    test::FakeBackend backend;
    StavkaRecord rec{};
    rt::File table{StavkeDef(), &rec};
    rt::ErrorManager errors;
    rt::FileManager access;
    rt::RelationManager relation;
    Window window{BrowseDef()};
    Controller controller{window};
    rt::ViewManager view;
    CountingBrowse browse;
    ScrollStepText text_step{1, 3};
};

std::vector<std::string> codes(int from, int to) {
    std::vector<std::string> out;
    char code[16];
    for (int i = from; i <= to; ++i) {
        std::snprintf(code, sizeof code, "S%04d", i);
        out.push_back(code);
    }
    return out;
}

TEST_F(Browse, PagesDownAndUpThroughTheOrderAndShowsFieldsThroughTheirPictures) {
    many(305);
    LocatorEntry by_code;
    setup(0, &by_code);
    EXPECT_EQ(column(), codes(1, 10));
    EXPECT_EQ(browse.RowText(1, 3), "      1.00");  // @n10.2
    EXPECT_EQ(window.Rows(1).size(), 10u);
    EXPECT_EQ(window.Rows(1)[0][1], "Naziv 0305");
    for (int i = 0; i < 3; ++i) browse.Scroll(Event::PageDown);
    EXPECT_EQ(column(), codes(31, 40));
    browse.Scroll(Event::PageUp);
    EXPECT_EQ(column(), codes(21, 30));
    browse.Scroll(Event::ScrollBottom);
    EXPECT_EQ(column(), codes(296, 305));
    EXPECT_EQ(selected_code(), "S0305");
    browse.SyncScrollThumb();  // the last row's thumb stands at the end of the order
    EXPECT_EQ(browse.ThumbPercent(), 100);
    browse.Scroll(Event::PageDown);  // nothing further: the last row stays selected
    EXPECT_EQ(column(), codes(296, 305));
    browse.Scroll(Event::ScrollTop);
    browse.Scroll(Event::ScrollUp);
    EXPECT_EQ(column(), codes(1, 10));
    EXPECT_EQ(selected_code(), "S0001");
    browse.SyncScrollThumb();
    EXPECT_EQ(browse.ThumbPercent(), 0);
    // Down within the page moves the selection, reading no page (and no totals); at its
    // end the page moves by one row.
    const int loads = browse.loads;
    for (int i = 0; i < 9; ++i) browse.Scroll(Event::ScrollDown);
    EXPECT_EQ(browse.loads, loads);
    EXPECT_EQ(selected_code(), "S0010");
    browse.Scroll(Event::ScrollDown);
    EXPECT_EQ(browse.loads, loads + 1);
    EXPECT_EQ(column(), codes(2, 11));
    EXPECT_EQ(selected_code(), "S0011");
    EXPECT_EQ(rec.SIFRA.str(), "S0011");  // the selected row is in the buffer
    // Thirty pages down reach the end without repeating or skipping a row.
    browse.Scroll(Event::ScrollTop);
    std::vector<std::string> seen = column();
    for (int i = 0; i < 40; ++i) {
        std::string last = browse.RowText(browse.Rows(), 1);
        browse.Scroll(Event::PageDown);
        for (int r = 1; r <= browse.Rows(); ++r)
            if (browse.RowText(r, 1) > last) seen.push_back(browse.RowText(r, 1));
    }
    EXPECT_EQ(seen, codes(1, 305));
    // The other order reads by name.
    browse.SetSort(2, false);
    EXPECT_EQ(browse.RowText(1, 2), "Naziv 0001");
    EXPECT_EQ(selected_code(), "S0305");
}

TEST_F(Browse, EntryLocatorPositionsAtTheFirstRowBeginningWithTheText) {
    many(60);
    LocatorEntry by_code, by_name;
    setup(0, &by_code, &by_name);
    for (int key : {'S', '0', '0', '4'}) EXPECT_TRUE(by_code.TakeKey(key));
    EXPECT_EQ(by_code.Text(), "S004");
    EXPECT_EQ(selected_code(), "S0040");
    EXPECT_EQ(column().front(), "S0040");
    by_code.TakeKey(Key::Backspace);
    by_code.TakeKey('6');
    // Too few rows from there on: the page is filled from before the located row.
    EXPECT_EQ(selected_code(), "S0060");
    EXPECT_EQ(column(), codes(51, 60));
    EXPECT_EQ(browse.Selected(), 10);
    EXPECT_TRUE(by_code.Set("Z"));  // past the last row: the last page, its last row
    EXPECT_EQ(selected_code(), "S0060");
    EXPECT_FALSE(by_code.TakeKey(Key::F2));  // no character: not the locator's key
}

TEST_F(Browse, FilteredLocatorKeepsRowsContainingTheTextWithoutCase) {
    add("A1", cp("Čišćenje ulaza"));
    add("A2", cp("Održavanje lifta"));
    add("A3", cp("Voda i čistač"));
    add("A4", "O'Brien");
    add("A5", "Struja");
    LocatorFiltered by_name;
    by_name.FLOATRIGHT = 1;
    by_name.USEFREEELEMENTONLY = 1;
    by_name.DISABLEONEMPTYRESULT = 1;
    setup(0, nullptr, &by_name);
    browse.SetSort(2, true);
    ASSERT_EQ(browse.Rows(), 5);
    auto rows = [&] {
        std::vector<std::string> c = column();
        std::sort(c.begin(), c.end());
        return c;
    };
    EXPECT_TRUE(by_name.Set(cp("č")));
    EXPECT_EQ(rows(), (std::vector<std::string>{"A1", "A3"}));  // Č and č alike, anywhere
    EXPECT_TRUE(by_name.Set(cp("ČI")));
    EXPECT_EQ(rows(), (std::vector<std::string>{"A1", "A3"}));
    EXPECT_TRUE(by_name.Set(cp("čiš")));  // š is no s
    EXPECT_EQ(rows(), (std::vector<std::string>{"A1"}));
    // A text that leaves no row is refused: the text and the rows stay.
    EXPECT_FALSE(by_name.Set(cp("čišx")));
    EXPECT_EQ(by_name.Text(), cp("čiš"));
    EXPECT_EQ(rows(), (std::vector<std::string>{"A1"}));
    // A quote is only a character of the text.
    EXPECT_TRUE(by_name.Set("o'b"));
    EXPECT_EQ(rows(), (std::vector<std::string>{"A4"}));
    EXPECT_TRUE(by_name.Set(""));
    EXPECT_EQ(browse.Rows(), 5);
    // Without FLOATRIGHT the text must begin the field.
    by_name.FLOATRIGHT = 0;
    EXPECT_TRUE(by_name.Set("o"));
    EXPECT_EQ(rows(), (std::vector<std::string>{"A2", "A4"}));
    // Under a header order the filter follows the order's first column, unless the
    // locator keeps to its own field.
    by_name.FLOATRIGHT = 1;
    by_name.USEFREEELEMENTONLY = 0;
    browse.RedefineSortOrder(&by_name, nullptr, "-UPPER(STV:SIFRA)");
    browse.RefreshPending();
    EXPECT_EQ(browse.RowText(1, 1), "A5");
    EXPECT_TRUE(by_name.Set("4"));
    EXPECT_EQ(rows(), (std::vector<std::string>{"A4"}));
    by_name.USEFREEELEMENTONLY = 1;
    EXPECT_FALSE(by_name.Set("4"));  // no name holds a 4
    EXPECT_EQ(LocatorFilter("STV:NAZIV", "", true), "");
}

class Header : public SortHeader {
public:
    std::vector<std::string> applied;
    void ApplyOrder(const std::string& text) override { applied.push_back(text); }
};

TEST_F(Browse, HeaderClicksBuildOrdersThatTheBrowseApplies) {
    add("B", "beta", 3);
    add("A", cp("čedo"), 1);
    add("C", "Alfa", 2);
    setup();
    Header header;
    header.Init(window, 1, browse);
    header.Click(2);
    header.Click(2);
    header.Click(3);
    header.Click(1);
    EXPECT_EQ(header.applied, (std::vector<std::string>{"+UPPER(STV:NAZIV)", "-UPPER(STV:NAZIV)",
                                                        "+STV:IZNOS", "+UPPER(STV:SIFRA)"}));
    browse.RedefineSortOrder(nullptr, nullptr, "-UPPER(STV:NAZIV)");
    browse.RefreshPending();
    EXPECT_EQ(column(), (std::vector<std::string>{"A", "B", "C"}));  // č after b in the code page's order
    browse.RedefineSortOrder(nullptr, nullptr, "+STV:IZNOS");
    browse.RefreshPending();
    EXPECT_EQ(column(), (std::vector<std::string>{"A", "C", "B"}));
    header.Reset();
    EXPECT_EQ(header.applied.back(), "");
    browse.SetSort(1, true);  // the order's own sorting again
    EXPECT_EQ(column(), (std::vector<std::string>{"A", "B", "C"}));
}

TEST_F(Browse, AColumnOfAFieldItsTablesDoNotHaveStopsTheProgram) {
    browse.Setup(1, view, table, &relation, controller);
    browse.BindFieldPair("STV:SIFRA");
    browse.BindFieldPair("");  // the browse's own row text
    EXPECT_DEATH(browse.BindFieldPair("STV:SIFRRA"), "column 3 shows unknown field STV:SIFRRA");
}

TEST_F(Browse, InsertPrimesTheRangeAndTheListFollowsTheAddedRow) {
    many(30);
    add("G1", "Grupa jedan", 0, "G");
    add("G2", "Grupa dva", 0, "G");
    controller.REQUEST = 0;
    browse.Setup(1, view, table, &relation, controller);
    browse.ITEMS = 10;
    browse.DefineSortOrder(nullptr, "STV:Po_sifri");
    // The range takes the parent's value at each read: here a record of the same layout.
    StavkaRecord parent{};
    rt::File parent_table(StavkeDef(), &parent);
    parent.GRUPA = "G";
    browse.LimitToValue("STV:GRUPA", parent_table, "STV:GRUPA");
    browse.BindFieldPair("STV:SIFRA");
    browse.INSERTCONTROL = window.Feq("?INSERT");
    browse.CHANGECONTROL = window.Feq("?CHANGE");
    browse.ASKPROCEDURE = 1;
    browse.SetSort(1, true);
    ASSERT_EQ(column(), (std::vector<std::string>{"G1", "G2"}));
    std::string primed_group;
    controller.form = [&](int request) {
        primed_group = rec.GRUPA.str();
        rec.SIFRA = "G0";
        rec.NAZIV = "Nova";
        return table.Add() == 0 ? kResponseCompleted : kResponseCancelled;
    };
    EXPECT_EQ(browse.Ask(1), kResponseCompleted);
    EXPECT_EQ(primed_group, "G");
    EXPECT_EQ(column(), (std::vector<std::string>{"G0", "G1", "G2"}));
    EXPECT_EQ(selected_code(), "G0");
    // A form that answers with a navigation request is called again on the next row.
    std::int32_t nav = 0;
    controller.VCRREQUEST = &nav;
    std::vector<std::string> shown;
    controller.form = [&](int request) {
        shown.push_back(rec.SIFRA.str());
        if (shown.size() == 1) nav = ToolbarButton::Down;
        return kResponseCancelled;
    };
    controller.requests.clear();
    browse.Ask(2);
    EXPECT_EQ(shown, (std::vector<std::string>{"G0", "G1"}));
    EXPECT_EQ(controller.requests, (std::vector<int>{2, 2}));
    EXPECT_EQ(selected_code(), "G1");
    parent.GRUPA = "H";  // another parent: none of its rows
    browse.ResetFromView(true);
    EXPECT_EQ(browse.Rows(), 0);
    EXPECT_EQ(browse.Ask(2), kResponseCancelled);  // nothing to change
}

TEST_F(Browse, ToolbarButtonsAreEnabledAsTheBrowsesButtonsAre) {
    add("A", "a");
    struct Case {
        int request;
        std::vector<int> enabled;
    };
    const Case cases[] = {
        {0, {3001, 3002, 3003, 3005, 3006, 3007, 3008, 3009, 3010, 3013}},
        {4, {3001, 3002, 3003, 3004, 3005, 3006, 3007, 3008, 3009, 3010, 3013}},
        {6, {3005, 3006, 3007, 3008, 3009, 3010, 3013}},
    };
    for (const Case& c : cases) {
        setup(c.request);
        std::vector<int> enabled;
        for (int b = ToolbarButton::First; b <= ToolbarButton::Last; ++b)
            if (browse.ToolbarEnabled(b)) enabled.push_back(b);
        EXPECT_EQ(enabled, c.enabled) << "request " << c.request;
    }
    // View mode calls no form; select outside select mode does nothing.
    setup(6);
    EXPECT_EQ(browse.Ask(1), kResponseCancelled);
    EXPECT_EQ(browse.Ask(3), kResponseCancelled);
    EXPECT_TRUE(controller.requests.empty());
    window.Disable(window.Feq("?HELP"));
    EXPECT_FALSE(browse.ToolbarEnabled(ToolbarButton::Help));
}

TEST_F(Browse, PopupItemsPressTheirButtonsAndInsertedItemsAnswerTheirNumbers) {
    PopupManager popup;
    popup.Init(window);
    popup.AddControlItem(2, "&Insert", "Insert");
    popup.AddControlItem(3, "&Change", "Change");
    popup.AddMenuItemsAt("-|Sa\x9auvaj|~Nema|Podrazumevani", popup.Items(), 1000);
    EXPECT_EQ(popup.MenuText(), "&Insert|&Change|-|Sa\x9auvaj|~Nema|Podrazumevani");
    popup.SetItemEnabled("Insert", false);
    EXPECT_EQ(popup.Choose(1), 2);     // the first enabled item: Change
    EXPECT_EQ(popup.Choose(3), 1002);  // disabled and separator items are not counted
    EXPECT_EQ(popup.Ask(), 0);         // no menu shower: nothing chosen
    popup.Truncate(2);
    EXPECT_EQ(popup.MenuText(), "~&Insert|&Change");
}

TEST_F(Browse, ListFormatsPerOrderSurviveANewManagerOnTheSameFile) {
    const std::string path = dir_ + "/Formats.FDB";
    const char* def_format = BrowseDef().controls[0].format.c_str();
    const std::string wide = WithColumnWidth(def_format, 2, 120);
    {
        FormatRecord cfg{};
        rt::File file(FormatsDef(path), &cfg);
        FormatManager formats(file);
        formats.SAVEFORMAT = 1;
        formats.Setup("BrowseStavke", "KVD", window, 1, 3);
        EXPECT_FALSE(formats.SetFormat("SortOrder1", 2));  // nothing stored: the default
        EXPECT_EQ(window.GetText(1, Prop::Format), def_format);
        window.SetText(1, Prop::Format, wide);
        formats.SetFormat("SortOrder2", 3);  // leaving the changed layout stores it
        EXPECT_EQ(window.GetText(1, Prop::Format), def_format);
        EXPECT_TRUE(formats.SetFormat("SortOrder1", 2));
        EXPECT_EQ(window.GetText(1, Prop::Format), wide);
        formats.Teardown(0);
    }
    window.SetText(1, Prop::Format, def_format);
    FormatRecord cfg{};
    rt::File file(FormatsDef(path), &cfg);
    FormatManager formats(file);
    formats.Setup("BrowseStavke", "KVD", window, 1, 3);
    EXPECT_TRUE(formats.SetFormat("SortOrder1", 2));
    EXPECT_EQ(window.GetText(1, Prop::Format), wide);
    EXPECT_EQ(formats.Stored(), (std::vector<std::pair<std::string, int>>{{"SortOrder1", 2}}));
    formats.SetMenuPosition(1000);
    EXPECT_EQ(formats.MakePopupMenu(), "Sa\xe8uvaj izgled liste|Podrazumevani izgled liste|-|SortOrder1");
    EXPECT_TRUE(formats.OnPopupChoice(1001));  // the default layout
    EXPECT_EQ(window.GetText(1, Prop::Format), def_format);
    EXPECT_TRUE(formats.OnPopupChoice(1002));  // the stored format
    EXPECT_EQ(window.GetText(1, Prop::Format), wide);
    // Another procedure's list has formats of its own.
    FormatManager other(file);
    other.Setup("BrowseDruga", "KVD", window, 1, 3);
    EXPECT_TRUE(other.Stored().empty());
}

// Two workstations save the same list's layouts at once, format after format, each format
// started by both together: a save that meets the other's (the row added or changed since it
// was read) reads again and retries.
TEST_F(Browse, TwoStationsSavingTheSameFormatsBothSucceed) {
    const std::string path = dir_ + "/Formats.FDB";
    const std::string def_format = BrowseDef().controls[0].format;
    constexpr int kRounds = 150;
    rt::sql::CloseThreadConnections();  // nothing of the file's connection is shared by the fork
    int to_child[2], to_parent[2];
    ASSERT_EQ(pipe(to_child), 0);
    ASSERT_EQ(pipe(to_parent), 0);
    // Saves every format with this station's widths, each round after the other station is
    // ready for it; the number of saves that failed.
    auto station = [&](int width, int tell, int hear) {
        FormatRecord cfg{};
        rt::File file(FormatsDef(path), &cfg);
        FormatManager formats(file);
        formats.Setup("BrowseStavke", "KVD", window, 1, 3);
        int failed = 0;
        char byte = 0;
        for (int r = 1; r <= kRounds; ++r) {
            if (write(tell, "r", 1) != 1 || read(hear, &byte, 1) != 1) return kRounds;
            formats.SetFormat("SortOrder" + std::to_string(r), r + 1);
            window.SetText(1, Prop::Format, WithColumnWidth(def_format, 2, width + r % 7));
            if (!formats.SaveCurrent()) ++failed;
        }
        formats.Teardown(0);
        rt::sql::CloseThreadConnections();
        return failed;
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(std::min(station(200, to_parent[1], to_child[0]), 255));
    const int failed = station(100, to_child[1], to_parent[0]);
    int status = 0;
    waitpid(child, &status, 0);
    for (int fd : {to_child[0], to_child[1], to_parent[0], to_parent[1]}) close(fd);
    EXPECT_EQ(failed, 0) << "saves of this station that failed";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "saves of the other station that failed";
    // Every format holds one station's whole layout.
    FormatRecord cfg{};
    rt::File file(FormatsDef(path), &cfg);
    FormatManager formats(file);
    formats.Setup("BrowseStavke", "KVD", window, 1, 3);
    ASSERT_EQ(formats.Stored().size(), static_cast<std::size_t>(kRounds));
    for (int r = 1; r <= kRounds; ++r) {
        const std::string stored = formats.StoredLayout(r + 1);
        EXPECT_TRUE(stored == WithColumnWidth(def_format, 2, 100 + r % 7) ||
                    stored == WithColumnWidth(def_format, 2, 200 + r % 7))
            << r << ": " << stored;
    }
    formats.Teardown(0);
    rt::sql::CloseThreadConnections();
}

TEST_F(Browse, ColumnFormatsAndTheColumnSizer) {
    auto cols = ParseListFormat("40L(2)|M~Sifra~C(0)@s7@[80L(2)|M~Na@ziv~@s20@]50R(2)~Iznos~@n10.2@");
    ASSERT_EQ(cols.size(), 3u);
    EXPECT_EQ(cols[0].width, 40);
    EXPECT_EQ(cols[0].heading, "Sifra");
    EXPECT_EQ(cols[1].heading, "Na@ziv");
    EXPECT_EQ(cols[1].picture, "@s20");
    EXPECT_EQ(cols[2].picture, "@n10.2");
    EXPECT_EQ(WithColumnWidth("40L~A~@s5@7L~B~@s2@", 2, 123), "40L~A~@s5@123L~B~@s2@");
    EXPECT_EQ(WithColumnWidth("40L~A~@s5@", 3, 1), "40L~A~@s5@");

    window.SetRows(1, {{"S1", "kratko"}, {"S2", "mnogo duži naziv"}});
    ColumnTracker tracker;
    tracker.Setup(window);
    tracker.AddControl(1, false);
    EXPECT_TRUE(tracker.SizeColumn(1, 2));
    EXPECT_EQ(ParseListFormat(window.GetText(1, Prop::Format))[1].width, 17 * 4 + 8);
    EXPECT_FALSE(tracker.SizeColumn(1, 2));  // already as wide as its widest text
    EXPECT_FALSE(tracker.SizeColumn(1, 9));
}

TEST(ScrollSteps, PlaceRowsBetweenTheFirstAndTheLast) {
    ScrollStepText text(1, 3);
    text.SetLimits("A", "Z");
    EXPECT_EQ(text.Percent("a"), 0);
    EXPECT_EQ(text.Percent("Z"), 100);
    EXPECT_NEAR(text.Percent("M"), 48, 1);
    ScrollStep number;
    number.SetLimits("10", "110");
    EXPECT_EQ(number.Percent("60"), 50);
    EXPECT_EQ(number.Percent("500"), 100);
}

}  // namespace

namespace {

// A browse that colours the rows whose amount is above 5, as each row is copied.
class ColouringBrowse : public BrowseManager {
public:
    StavkaRecord* rec = nullptr;
    void UpdateViewPosition() override {
        if (rec->IZNOS > 5) {
            SetRowColors({0x808080, -1, -1, 0x808080});
            SetRowColors({0x0000FF, 0xFFFFFF, -1, -1}, 3);
        }
    }
};

TEST_F(Browse, RowsCarryTheColoursTheirHookGivesThemToTheList) {
    many(8);
    ColouringBrowse colouring;
    colouring.rec = &rec;
    colouring.Setup(1, view, table, &relation, controller);
    colouring.ITEMS = 10;
    colouring.DefineSortOrder(&text_step, "STV:Po_sifri");
    colouring.BindFieldPair("STV:SIFRA");
    colouring.BindFieldPair("STV:NAZIV");
    colouring.BindFieldPair("STV:IZNOS");
    colouring.SetSort(1, true);
    const auto& colors = window.RowColors(1);
    ASSERT_EQ(colors.size(), 8u);
    const CellColors grey{0x808080, -1, -1, 0x808080}, red{0x0000FF, 0xFFFFFF, -1, -1};
    for (int r = 0; r < 8; ++r) {
        SCOPED_TRACE(r);
        if (r + 1 > 5) {
            EXPECT_EQ(colors[r], (std::vector<CellColors>{grey, grey, red}));
        } else {
            EXPECT_TRUE(colors[r].empty());
        }
    }
    // Without a hook that colours, the list gets no colours at all.
    browse.Setup(1, view, table, &relation, controller);
    browse.ITEMS = 10;
    browse.DefineSortOrder(&text_step, "STV:Po_sifri");
    browse.BindFieldPair("STV:SIFRA");
    browse.SetSort(1, true);
    EXPECT_TRUE(window.RowColors(1).empty());
}

}  // namespace
