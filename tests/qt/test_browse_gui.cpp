// The browse conventions with real widgets: a services browse over the embedded store,
// driven as a user would: paging, tabs selecting orders and formats, the locators, header
// clicks, toolbar buttons forwarded to the browse's thread, select and view mode, the
// print button of an empty list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTest>
#include <QTreeView>
#include <cstdio>
#include <mutex>

#include "platform/qt/qt_window.h"
#include "platform/ui/toolbar.h"
#include "shell/browse.h"
#include "tests/driver/store_fixture.h"

namespace fs = std::filesystem;
using namespace kvadrin;
namespace Ctl = rt::ui::Ctl;
namespace Key = rt::ui::Key;

namespace {

using rt::ui::MakeControl;

constexpr const char* kBrowse = "BrowseUsluge";
constexpr const char* kList = "?BROWSE:1";

const rt::ui::WindowDef& Def() {
    static const rt::ui::WindowDef def = [] {
        rt::ui::WindowDef d;
        d.module = "KVQ$BROWSE";
        d.name = "P1$QUICKWINDOW";
        d.caption = "Usluge";
        d.w = 300, d.h = 230;
        d.resizable = true;
        rt::ui::ControlDef sheet = MakeControl(Ctl::Sheet, "?CURRENTTAB", 4, 4, 292, 196, "");
        sheet.children = {
            MakeControl(Ctl::Tab, "?TAB1", 0, 0, -1, -1, rt::utf8_to_cp1250("&1) Šifra").c_str()),
            MakeControl(Ctl::Tab, "?TAB2", 0, 0, -1, -1, "&2) Naziv")};
        rt::ui::ControlDef list = MakeControl(Ctl::List, kList, 8, 22, 284, 170, "");
        list.format = "50L(2)|M~Sifra~@s7@120L(2)|M~Naziv~@s20@30L(2)|M~JM~@s5@";
        const std::uint32_t hide = rt::ui::kHide;
        d.controls = {sheet,
                      list,
                      MakeControl(Ctl::Button, "?BUTTONNORECORDS", 8, 206, 50, 14, "&ISPIS"),
                      MakeControl(Ctl::Button, "?SELECT:2", 60, 206, 40, 14, "&Select", hide),
                      MakeControl(Ctl::Button, "?VIEW:3", 60, 206, 40, 14, "&View", hide),
                      MakeControl(Ctl::Button, "?INSERT:4", 60, 206, 40, 14, "&Insert", hide),
                      MakeControl(Ctl::Button, "?CHANGE:4", 60, 206, 40, 14, "&Change", hide),
                      MakeControl(Ctl::Button, "?DELETE:4", 60, 206, 40, 14, "&Delete", hide),
                      MakeControl(Ctl::Button, "?CLOSE", 246, 206, 45, 14, "&Close"),
                      MakeControl(Ctl::Button, "?HELP", 200, 206, 40, 14, "&Help", hide)};
        return d;
    }();
    return def;
}

// What the procedure thread shows the test.
struct Seen {
    std::mutex m;
    std::string format;      // the list format in use
    std::string menu;        // the popup's items
    std::string chosen;      // OBA:SIFRA when the procedure ended
    std::vector<int> calls;  // requests the form was called with
    int prints = 0;
    void Reset() {
        std::lock_guard lock(m);
        format.clear();
        menu.clear();
        chosen.clear();
        calls.clear();
        prints = 0;
    }
} g_seen;

class Usluge : public BrowseProcedure {
public:
    Usluge(ProcedureObjects& o, BrowseDefinition definition) : BrowseProcedure(o, std::move(definition)) {}

    int OnEvent() override {
        const int level = BrowseProcedure::OnEvent();
        std::lock_guard lock(g_seen.m);
        g_seen.format = formats().CurrentName();
        g_seen.menu = browse().Popup().MenuText();
        return level;
    }

protected:
    // The form: an insert adds the primed record as service "NOVA".
    void CallUpdate(int) override {
        const int request = CallRequest;
        CallRequest = 0;
        {
            std::lock_guard lock(g_seen.m);
            g_seen.calls.push_back(request);
        }
        CallResponse = RequestCancelled;
        if (request == InsertRecord) {
            OBA.SIFRA = "NOVA";
            OBA.NAZIV = "Nova usluga";
            if (Access::OBAVEZE()->Insert() == 0) CallResponse = RequestCompleted;
        }
    }
};

void RunUsluge() {
    BrowseDefinition definition;
    definition.table = &Files::OBAVEZE();
    definition.relation = Relate::OBAVEZE();
    definition.cascade_open = true;
    definition.orders = {{"OBA:Po_sifri", "OBA:SIFRA", false, true, {}},
                         {"OBA:Po_nazivu", "OBA:NAZIV", true, true, {}}};
    definition.fields = {"OBA:SIFRA", "OBA:NAZIV", "OBA:JM"};
    definition.buttons = {{"?BUTTONNORECORDS", "&ISPIS", [] {
                               std::lock_guard lock(g_seen.m);
                               ++g_seen.prints;
                           }}};
    RunWindowProcedure(kBrowse, WindowKind::Browse, Def(), {},
                       [definition](ProcedureObjects& o) { return std::make_unique<Usluge>(o, definition); });
}

std::string Code(int i) {
    char s[16];
    std::snprintf(s, sizeof s, "S%04d", i);
    return s;
}

class BrowseGui : public kvtest::BrowseSteps<kvtest::StoreTest> {
protected:
    BrowseGui() : BrowseSteps(kBrowse, "") {}
    void SetUp() override {
        SetUpStore("BROWSEDB");
        g_seen.Reset();
    }
    // Services with their codes and names (UTF-8).
    void SeedNow(const std::vector<std::pair<std::string, std::string>>& rows) {
        OnThread([&] {
            for (const auto& [code, name] : rows) {
                Files::OBAVEZE().Clear();
                OBA.SIFRA = code;
                OBA.NAZIV = rt::utf8_to_cp1250(name);
                OBA.JM = "m2";
                AddRowOf(TableId::OBAVEZE);
            }
        });
    }
    // Services S0001 ... S0300 named "Naziv 0300" ... "Naziv 0001".
    void SeedMany(int n) {
        std::vector<std::pair<std::string, std::string>> rows;
        char name[32];
        for (int i = 1; i <= n; ++i) {
            std::snprintf(name, sizeof name, "Naziv %04d", n + 1 - i);
            rows.emplace_back(Code(i), name);
        }
        SeedNow(rows);
    }
    void Start(std::uint8_t request) {
        StartBrowse(request, RunUsluge, [] {
            std::lock_guard lock(g_seen.m);
            g_seen.chosen = OBA.SIFRA.str();
        });
    }
    void Toolbar(int button) { Post(rt::ui::Event::Accepted, button); }
    std::string Format() {
        std::lock_guard lock(g_seen.m);
        return g_seen.format;
    }
    void Close(int expected) {
        driver.Press(kBrowse, "?CLOSE");
        driver.WaitForThreads();
        EXPECT_EQ(response, expected);
    }
};

TEST_F(BrowseGui, PagesTabsHeaderClicksAndToolbarButtons) {
    SeedMany(300);
    Start(0);
    WaitCell(1, 1, "S0001", "the first page");
    const int page = Rows();
    ASSERT_GT(page, 5);
    ASSERT_LT(page, 300);
    EXPECT_EQ(Cell(1, 2), "Naziv 0300");
    driver.WaitUntil([&] { return Format() == "SortOrder1"; }, "the first tab's format");
    // Pages down through the whole order with the frame's toolbar, then back up.
    int first = 1;
    while (first + page <= 300 - page + 1) {
        Toolbar(rt::ui::ToolbarButton::PageDown);
        first += page;
        WaitCell(1, 1, Code(first), "page down");
    }
    Toolbar(rt::ui::ToolbarButton::PageDown);
    WaitCell(page, 1, "S0300", "the last page");
    Toolbar(rt::ui::ToolbarButton::PageUp);
    WaitCell(page, 1, Code(300 - page), "page up");
    // Keys: Ctrl+Home to the start, Down at the end of the page reads one row further.
    driver.Focus(kBrowse, kList);
    driver.Keys(kBrowse, {Key::Ctrl | Key::Home});
    WaitCell(1, 1, "S0001", "Ctrl+Home");
    driver.PickRow(kBrowse, kList, page);
    driver.Keys(kBrowse, {Key::Down});
    WaitCell(page, 1, Code(page + 1), "Down past the page");
    driver.Keys(kBrowse, {Key::Ctrl | Key::Home});
    WaitCell(1, 1, "S0001", "Ctrl+Home");
    // The toolbar's Down moves the selection.
    driver.PickRow(kBrowse, kList, 1);
    driver.WaitUntil([&] { return CurrentRow() == 1; }, "row 1 current");
    Toolbar(rt::ui::ToolbarButton::Down);
    driver.WaitUntil([&] { return CurrentRow() == 2; }, "toolbar Down moves to row 2");
    // The second tab: the name order and its format.
    driver.PickTab(kBrowse, "?CURRENTTAB", 2);
    WaitCell(1, 2, "Naziv 0001", "the name order");
    EXPECT_EQ(Cell(1, 1), "S0300");
    driver.WaitUntil([&] { return Format() == "SortOrder2"; }, "the second tab's format");
    // Header clicks: by code ascending, then descending.
    driver.ClickHeader(kBrowse, kList, 1);
    WaitCell(1, 1, "S0001", "header click on Sifra");
    driver.ClickHeader(kBrowse, kList, 1);
    WaitCell(1, 1, "S0300", "second header click on Sifra");
    driver.PickTab(kBrowse, "?CURRENTTAB", 1);
    WaitCell(1, 1, "S0001", "the code order again");
    driver.WaitUntil([&] { return Format() == "SortOrder1"; }, "the first tab's format");
    const std::string png = driver.Snapshot(kBrowse, "browse_usluge.png");
    EXPECT_TRUE(fs::exists(png));
    Close(RequestCompleted);
}

TEST_F(BrowseGui, LocatorsNarrowAndPositionTheList) {
    SeedNow({{"A1", "Voda hladna"},
             {"A2", "Odvod"},
             {"A3", "Struja"},
             {"B1", "voda topla"},
             {"B2", "Grejanje"},
             {"C1", "Lift"}});
    Start(0);
    WaitCell(1, 1, "A1", "the code order");
    driver.Focus(kBrowse, kList);
    // The entry locator of the code order: B positions on B1.
    driver.Keys(kBrowse, {'B'});
    driver.WaitUntil([&] { return CurrentRow() > 0 && Cell(CurrentRow(), 1) == "B1"; }, "B located");
    // The filtered locator of the name order keeps the names that contain the text.
    driver.PickTab(kBrowse, "?CURRENTTAB", 2);
    WaitCell(1, 2, "Grejanje", "the name order");
    driver.Focus(kBrowse, kList);
    driver.Keys(kBrowse, {'V', 'O', 'D'});
    driver.WaitUntil([&] { return Rows() == 3; }, "three names contain vod");
    std::vector<std::string> names;
    for (int r = 1; r <= Rows(); ++r) names.push_back(Cell(r, 2));
    EXPECT_EQ(names, (std::vector<std::string>{"Odvod", "Voda hladna", "voda topla"}));
    // Nothing contains "vodx": the X is refused, so three Backspaces empty the text.
    driver.Keys(kBrowse, {'X', Key::Backspace, Key::Backspace, Key::Backspace});
    driver.WaitUntil([&] { return Rows() == 6; }, "the empty text keeps every row");
    Close(RequestCompleted);
}

TEST_F(BrowseGui, LocatorsTakeEveryPrintableCharacterOfTheCodePage) {
    SeedNow({{"A1", "Šećer d.o.o."}, {"A2", "Sećanje"}, {"A3", "Ulaz 2/B-1"}, {"A4", "Ulaz 2-B"}});
    Start(0);
    driver.PickTab(kBrowse, "?CURRENTTAB", 2);
    WaitCell(1, 2, "Sećanje", "the name order");
    struct Case {
        const char* typed;  // on a list whose locator is empty
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"še", {"Šećer d.o.o."}},  // not "e": the Š counts
        {"ć", {"Sećanje", "Šećer d.o.o."}},
        {"2/b-", {"Ulaz 2/B-1"}},
        {"2-", {"Ulaz 2-B"}},
    };
    for (const Case& c : cases) {
        driver.Focus(kBrowse, kList);
        driver.Chars(kBrowse, c.typed);
        driver.WaitUntil([&] { return Column(2) == c.names; }, std::string("the names holding ") + c.typed);
        for (qsizetype i = 0; i < QString::fromUtf8(c.typed).size(); ++i)
            driver.Keys(kBrowse, {Key::Backspace});
        driver.WaitUntil([&] { return Rows() == 4; }, "every row again");
    }
    Close(RequestCompleted);
}

TEST_F(BrowseGui, SelectModeAnswersWithTheRowAndCloseCancels) {
    SeedNow({{"A1", "Prva"}, {"A2", "Druga"}, {"A3", "Treca"}});
    Start(SelectRecord);
    WaitCell(3, 1, "A3", "the list");
    driver.DoubleClickRow(kBrowse, kList, 2);
    driver.WaitForThreads();
    EXPECT_EQ(response, RequestCompleted);
    {
        std::lock_guard lock(g_seen.m);
        EXPECT_EQ(g_seen.chosen, "A2");
        EXPECT_TRUE(g_seen.calls.empty());
    }
    Start(SelectRecord);
    WaitCell(3, 1, "A3", "the list");
    Toolbar(rt::ui::ToolbarButton::Bottom);
    driver.WaitUntil([&] { return CurrentRow() == 3; }, "the last row");
    Toolbar(rt::ui::ToolbarButton::Select);
    driver.WaitForThreads();
    EXPECT_EQ(response, RequestCompleted);
    {
        std::lock_guard lock(g_seen.m);
        EXPECT_EQ(g_seen.chosen, "A3");
    }
    Start(SelectRecord);
    WaitCell(1, 1, "A1", "the list");
    Close(RequestCancelled);
}

TEST_F(BrowseGui, ViewModeOffersNoInsertChangeOrDelete) {
    SeedNow({{"A1", "Prva"}, {"A2", "Druga"}});
    Start(ViewRecord);
    WaitCell(2, 1, "A2", "the list");
    driver.PickRow(kBrowse, kList, 1);
    driver.Focus(kBrowse, kList);
    driver.Keys(kBrowse, {Key::Insert, Key::Delete, Key::Enter});
    Toolbar(rt::ui::ToolbarButton::Insert);
    Toolbar(rt::ui::ToolbarButton::Delete);
    Toolbar(rt::ui::ToolbarButton::Down);  // handled after the ones before it
    driver.WaitUntil([&] { return CurrentRow() == 2; }, "toolbar Down");
    {
        std::lock_guard lock(g_seen.m);
        EXPECT_TRUE(g_seen.calls.empty());  // Enter views, and a viewing browse calls no form
        EXPECT_EQ(g_seen.menu, "&View|&ISPIS");
    }
    EXPECT_EQ(Rows(), 2);
    Close(RequestCompleted);
}

TEST_F(BrowseGui, PrintButtonFollowsWhetherTheListHoldsRows) {
    Start(0);
    driver.WaitUntil([&] { return !driver.Enabled(kBrowse, "?BUTTONNORECORDS"); }, "ISPIS disabled");
    EXPECT_EQ(Rows(), 0);
    driver.Focus(kBrowse, kList);
    driver.Keys(kBrowse, {Key::Insert});
    WaitCell(1, 1, "NOVA", "the inserted row");
    driver.WaitUntil([&] { return driver.Enabled(kBrowse, "?BUTTONNORECORDS"); }, "ISPIS enabled");
    driver.Press(kBrowse, "?BUTTONNORECORDS");
    driver.WaitUntil(
        [&] {
            std::lock_guard lock(g_seen.m);
            return g_seen.prints == 1;
        },
        "the print button's procedure");
    {
        std::lock_guard lock(g_seen.m);
        EXPECT_EQ(g_seen.calls, (std::vector<int>{InsertRecord}));
    }
    Close(RequestCompleted);
}

TEST_F(BrowseGui, AListFormatSurvivesARestart) {
    SeedNow({{"A1", "Prva"}});
    const std::string wide = rt::ui::WithColumnWidth(Def().controls[1].format, 2, 150);
    // A layout stored by one run of the program, on the procedure's thread.
    driver.Start([&] {
        rt::ui::FormatManager f(Files::FORMATS());
        rt::ui::Window w(Def());
        f.Setup(kBrowse, "KVD", w, w.Feq(kList), 3);
        f.SetFormat("SortOrder1", 2);
        w.SetText(w.Feq(kList), rt::ui::Prop::Format, wide);
        EXPECT_TRUE(f.SaveCurrent());
        f.Teardown(0);
    });
    driver.WaitForThreads();
    Start(0);
    WaitCell(1, 1, "A1", "the list");
    auto* v = qobject_cast<QTreeView*>(driver.Widget(kBrowse, kList));
    ASSERT_NE(v, nullptr);
    auto& qw = driver.WaitForWindow(kBrowse);
    driver.WaitUntil([&] { return v->header()->sectionSize(1) == qw.PxX(150); }, "the stored width of Naziv");
    Close(RequestCompleted);
}

// A column widened with the mouse: its header's right edge dragged `by` pixels.
void DragColumnEdge(QTreeView& view, int section, int by) {
    QHeaderView* header = view.header();
    const int edge = header->sectionViewportPosition(section) + header->sectionSize(section) - 1;
    const int y = header->height() / 2;
    QTest::mousePress(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(edge, y));
    for (int step = 1; step <= 4; ++step) {
        QMouseEvent move(QEvent::MouseMove, QPointF(edge + by * step / 4, y),
                         header->viewport()->mapToGlobal(QPointF(edge + by * step / 4, y)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(header->viewport(), &move);
    }
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(edge + by, y));
}

TEST_F(BrowseGui, AColumnWidenedAndSavedComesBackTabByTab) {
    SeedNow({{"A1", "Prva"}, {"A2", "Druga"}});
    Start(0);
    WaitCell(1, 1, "A1", "the list");
    auto* v = qobject_cast<QTreeView*>(driver.Widget(kBrowse, kList));
    ASSERT_NE(v, nullptr);
    auto& qw = driver.WaitForWindow(kBrowse);
    const int naziv = v->header()->sectionSize(1), sifra = v->header()->sectionSize(0);
    // The first tab: Naziv widened, the layout saved from the list's popup menu.
    DragColumnEdge(*v, 1, 60);
    const int wide = v->header()->sectionSize(1);
    ASSERT_GT(wide, naziv + 40);
    driver.RightClickRow(kBrowse, kList, 1);
    driver.ChoosePopup("Sačuvaj izgled liste");
    // The second tab: Sifra widened; leaving the window keeps it as well.
    driver.PickTab(kBrowse, "?CURRENTTAB", 2);
    driver.WaitUntil([&] { return Format() == "SortOrder2"; }, "the second tab's format");
    EXPECT_EQ(v->header()->sectionSize(1), naziv) << "the second tab has a layout of its own";
    DragColumnEdge(*v, 0, 40);
    const int sifra_wide = v->header()->sectionSize(0);
    ASSERT_GT(sifra_wide, sifra + 25);
    Close(RequestCompleted);

    Start(0);
    WaitCell(1, 1, "A1", "the list again");
    v = qobject_cast<QTreeView*>(driver.Widget(kBrowse, kList));
    ASSERT_NE(v, nullptr);
    auto& again = driver.WaitForWindow(kBrowse);
    driver.WaitUntil([&] { return std::abs(v->header()->sectionSize(1) - wide) <= again.PxX(1); },
                     "the first tab's saved width of Naziv");
    EXPECT_EQ(v->header()->sectionSize(0), sifra);
    driver.PickTab(kBrowse, "?CURRENTTAB", 2);
    driver.WaitUntil([&] { return std::abs(v->header()->sectionSize(0) - sifra_wide) <= again.PxX(1); },
                     "the second tab's width of Sifra");
    EXPECT_EQ(v->header()->sectionSize(1), naziv);
    (void)qw;
    Close(RequestCompleted);
}

}  // namespace

TEST_F(BrowseGui, TheListsPopupMenuPressesTheChosenButton) {
    SeedNow({{"A1", "Prva"}, {"A2", "Druga"}});
    Start(0);
    WaitCell(2, 1, "A2", "the list");
    // Closed without a choice: nothing happens.
    driver.RightClickRow(kBrowse, kList, 2);
    driver.ChoosePopup("");
    driver.RightClickRow(kBrowse, kList, 2);
    driver.ChoosePopup("ISPIS");
    driver.WaitUntil(
        [&] {
            std::lock_guard lock(g_seen.m);
            return g_seen.prints == 1;
        },
        "the print button pressed from the popup menu");
    EXPECT_EQ(CurrentRow(), 2);
    Close(RequestCompleted);
}
