// The application frame: its menu bar and toolbar from the resource, child windows of
// other threads inside its MDI area, and the Window menu.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QToolButton>
#include <QtTest/QTest>

#include "platform/qt/gui_server.h"
#include "platform/qt/qt_window.h"
#include "tests/qt/small_window.h"

namespace kvtest {
namespace {

using namespace rt::ui;

ControlDef Entry(int kind, const char* label, int number, const char* text) {
    ControlDef c;
    c.kind = kind;
    c.label = label;
    c.number = number;
    c.text = rt::utf8_to_cp1250(text);
    return c;
}

const WindowDef& FrameDef() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVQ$TEST";
        d.name = "FRAME";
        d.caption = "Okvir";
        d.w = 400;
        d.h = 260;
        d.frame = true;
        d.max_box = true;
        ControlDef bar = Entry(Ctl::Menubar, "?MENUBAR", -1, "");
        ControlDef file = Entry(Ctl::Menu, "?FILEMENU", -2, "&File");
        ControlDef later = Entry(Ctl::Item, "?ITEM3", -7, "Prenos u novu godinu");
        later.attrs = kHide;
        file.children = {Entry(Ctl::Item, "?ITEM2", -6, "Ažuriranje programa"), later,
                         Entry(Ctl::Item, "?SEPARATOR1", -4, ""), Entry(Ctl::Item, "?EXIT", -5, "E&xit")};
        ControlDef window = Entry(Ctl::Menu, "?WINDOWMENU", -18, "&Window");
        window.children = {Entry(Ctl::Item, "?TILE", -19, "T&ile"),
                           Entry(Ctl::Item, "?CASCADE", -20, "&Cascade")};
        bar.children = {file, Entry(Ctl::Item, "?OBRACUNI", -16, "Obračuni"), window};
        d.controls.push_back(bar);
        ControlDef tools = Entry(Ctl::Toolbar, "?TOOLBAR", 0, "");
        ControlDef insert = Entry(Ctl::Button, "?TOOLBAR:INSERT", 3001, "Insert");
        insert.tip = "Insert a New Record";
        ControlDef firm = Entry(Ctl::String, "?NAZIVFIRME", 3014, "FIRMA d.o.o.");
        tools.children = {insert, firm};
        d.controls.push_back(tools);
        return d;
    }();
    return def;
}

const WindowDef& ChildDef() {
    static const WindowDef def = [] {
        WindowDef d = SmallDef();
        d.name = "CHILD";
        d.mdi = true;
        return d;
    }();
    return def;
}

struct Frame {
    EventLog log;
    std::vector<std::unique_ptr<SmallWindow>> children;
    std::mutex m;

    // The frame starts a child on a thread of its own for "Obračuni" and ends on Exit or
    // its close box.
    void Run() {
        Window w(FrameDef());
        w.SetProcedureName("Main");
        w.Alert(0, Key::CtrlN);
        w.Open();
        while (w.Accept()) {
            log.Add(w);
            if (w.event() == Event::CloseWindow) break;
            if (w.event() == Event::AlertKey && w.keycode() == Key::CtrlN) w.Unhide(-7);
            if (w.event() == Event::Accepted && w.field() == -16) {
                SmallWindow* child;
                {
                    std::lock_guard lock(m);
                    children.push_back(
                        std::make_unique<SmallWindow>("Child" + std::to_string(children.size() + 1)));
                    child = children.back().get();
                }
                child->def = &ChildDef();
                rtl_start([child] { child->Run(); });
            }
        }
        w.Close();
    }
};

TEST_F(GuiTest, FrameHoldsOtherThreadsChildWindowsAndListsThemInItsWindowMenu) {
    Frame frame;
    driver.Start([&] { frame.Run(); });
    rt::qt::QtWindow& main = driver.WaitForWindow("Main");
    ASSERT_NE(main.mdi_area(), nullptr);
    EXPECT_EQ(driver.Caption("Main"), "Okvir");
    EXPECT_EQ(driver.Text("Main", "?OBRACUNI"), "Obračuni");
    EXPECT_EQ(driver.Text("Main", "?NAZIVFIRME"), "FIRMA d.o.o.");
    auto* insert = qobject_cast<QToolButton*>(driver.Widget("Main", "?TOOLBAR:INSERT"));
    ASSERT_NE(insert, nullptr);
    EXPECT_EQ(insert->toolTip().toStdString(), "Insert a New Record");

    EXPECT_FALSE(driver.Visible("Main", "?ITEM3"));
    driver.Keys("Main", {Key::CtrlN});
    driver.WaitUntil([&] { return driver.Visible("Main", "?ITEM3"); }, "the item shown after Ctrl+N");

    driver.Press("Main", "?TOOLBAR:INSERT");
    driver.WaitUntil([&] { return frame.log.Has(Event::Accepted, 3001); }, "the toolbar button");

    driver.Press("Main", "?OBRACUNI");
    driver.Press("Main", "?OBRACUNI");
    rt::qt::QtWindow& one = driver.WaitForWindow("Child1");
    rt::qt::QtWindow& two = driver.WaitForWindow("Child2");
    EXPECT_TRUE(frame.log.Has(Event::Accepted, -16));
    for (rt::qt::QtWindow* child : {&one, &two}) {
        auto* sub = qobject_cast<QMdiSubWindow*>(child->top());
        ASSERT_NE(sub, nullptr) << child->procedure();
        EXPECT_EQ(sub->mdiArea(), main.mdi_area());
        // The child opens at its resource's size, framed, not shrunk to its title bar.
        EXPECT_EQ(child->client()->width(), child->PxX(ChildDef().w)) << child->procedure();
        EXPECT_EQ(child->client()->height(), child->PxY(ChildDef().h)) << child->procedure();
    }
    // Each child runs on its own thread: both take input.
    driver.Type("Child1", "?LOC:TEXT", "jedan");
    driver.Type("Child2", "?LOC:TEXT", "dva");
    driver.WaitUntil(
        [&] { return frame.children[0]->Text() == "jedan" && frame.children[1]->Text() == "dva"; },
        "both children's variables");

    auto* menu = driver.Widget("Main", "?WINDOWMENU");
    ASSERT_NE(qobject_cast<QMenu*>(menu), nullptr);
    emit static_cast<QMenu*>(menu)->aboutToShow();
    QStringList titles;
    for (QAction* a : static_cast<QMenu*>(menu)->actions())
        if (a->property("kvChildWindow").isValid() && !a->isSeparator()) titles << a->text();
    EXPECT_EQ(titles.size(), 2);
    EXPECT_TRUE(titles.join('|').contains("Mali prozor"));

    driver.Press("Main", "?TILE");
    driver.WaitUntil([&] { return frame.log.Has(Event::Accepted, -19); }, "Tile as a menu event");
    QRect a = one.top()->geometry(), b = two.top()->geometry();
    EXPECT_FALSE(a.intersects(b)) << "tiled windows lie side by side";
    driver.Snapshot("Main", "frame.png");

    driver.Press("Child1", "?OK");
    driver.Press("Child2", "?OK");
    driver.WaitClosed("Child1");
    driver.WaitClosed("Child2");
    driver.Press("Main", "?EXIT");
    driver.WaitClosed("Main");
    EXPECT_TRUE(frame.log.Has(Event::Accepted, -5));
}

TEST_F(GuiTest, AClickOnAChildUnderItsThreadsNewerChildKeepsTheNewerOneInFront) {
    Frame frame;
    driver.Start([&] { frame.Run(); });
    rt::qt::QtWindow& main = driver.WaitForWindow("Main");
    driver.Press("Main", "?OBRACUNI");
    rt::qt::QtWindow& older = driver.WaitForWindow("Child1");
    SmallWindow newer("Child1Child");
    newer.def = &ChildDef();
    frame.children[0]->child = &newer;
    driver.Press("Child1", "?CHILD");
    rt::qt::QtWindow& top = driver.WaitForWindow("Child1Child");
    driver.WaitUntil([&] { return main.mdi_area()->activeSubWindow() == top.top(); },
                     "the newer child active");

    // The older child's title bar, as the user clicks it.
    QTest::mouseClick(older.top(), Qt::LeftButton, {}, QPoint(older.top()->width() / 2, 6));
    driver.Pump();
    EXPECT_EQ(main.mdi_area()->activeSubWindow(), top.top()) << "the older child came over the newer one";

    // Closed, the newer child leaves the keyboard with the older one's control.
    driver.Press("Child1Child", "?OK");
    driver.WaitClosed("Child1Child");
    driver.WaitUntil([&] { return driver.Focused("Child1") == "?LOC:TEXT"; },
                     "the older child's entry focused");
    driver.Press("Child1", "?OK");
    driver.WaitClosed("Child1");
    driver.Press("Main", "?EXIT");
    driver.WaitClosed("Main");
}

}  // namespace
}  // namespace kvtest
