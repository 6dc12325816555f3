// Windows built from resources: control numbers, properties, batched changes to the back
// end, alert keys, pressed keys, the drawing layer, the timer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/process.h"
#include "platform/ui/backend.h"
#include "platform/ui/window.h"
#include "tests/ui/fake_backend.h"

namespace {

using namespace rt::ui;

ControlDef ctl(int kind, std::string label, std::vector<ControlDef> children = {}, int number = 0) {
    ControlDef c;
    c.kind = kind;
    c.label = std::move(label);
    c.children = std::move(children);
    c.number = number;
    return c;
}

// A menu bar, a toolbar with an explicitly numbered button, a sheet with two tabs of
// entries, a hidden group with an entry, a list.
WindowDef sample() {
    WindowDef d;
    d.module = "KVD$TEST";
    d.name = "P1$QUICKWINDOW";
    d.caption = "Test";
    d.w = 200;
    d.h = 100;
    d.controls = {
        ctl(Ctl::Menubar, "",
            {ctl(Ctl::Menu, "?FILEMENU", {ctl(Ctl::Item, "?EXIT")}), ctl(Ctl::Item, "?HELP", {}, -9)}),
        ctl(Ctl::Toolbar, "", {ctl(Ctl::Button, "?TOOLBAR:INSERT", {}, 3001)}),
        ctl(Ctl::Sheet, "?SHEET",
            {ctl(Ctl::Tab, "?TAB1", {ctl(Ctl::Entry, "?KVD:BROJ"), ctl(Ctl::Entry, "?KVD:NAZIV")}),
             ctl(Ctl::Tab, "?TAB2", {ctl(Ctl::Entry, "?KVD:ADRESA", {}, 2)})}),
        ctl(Ctl::Group, "?GROUP", {ctl(Ctl::Entry, "?HIDDEN")}),
        ctl(Ctl::List, "?BROWSE:1"),
        ctl(Ctl::Button, "?DUP", {}, 3001),  // a number given twice
    };
    d.controls[3].attrs = kHide;
    return d;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { rt::set_thread_number(1); }
    test::FakeBackend backend;
    WindowDef def = sample();
};

TEST_F(WindowTest, ControlsAreNumberedByDeclarationOrderAndFoundByLabel) {
    Window w(def);
    // Menu bar and its items negative; the rest 1, 2, ... depth-first, skipping the
    // numbers the resource gives explicitly.
    struct Case {
        const char* label;
        int feq;
        int kind;
    };
    const Case cases[] = {
        {"?FILEMENU", -2, Ctl::Menu},           {"?EXIT", -3, Ctl::Item},      {"?HELP", -9, Ctl::Item},
        {"?TOOLBAR:INSERT", 3001, Ctl::Button}, {"?SHEET", 3, Ctl::Sheet},     {"?TAB1", 4, Ctl::Tab},
        {"?KVD:BROJ", 5, Ctl::Entry},           {"?kvd:naziv", 6, Ctl::Entry}, {"?TAB2", 7, Ctl::Tab},
        {"?KVD:ADRESA", 2, Ctl::Entry},         {"?GROUP", 8, Ctl::Group},     {"?HIDDEN", 9, Ctl::Entry},
        {"?BROWSE:1", 10, Ctl::List},           {"?DUP", 11, Ctl::Button},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(w.Feq(c.label), c.feq);
        EXPECT_EQ(w.Get(c.feq, Prop::Type), c.kind);
    }
    EXPECT_EQ(w.Feq("?NOSUCH"), 0);
    EXPECT_EQ(w.Controls(), (std::vector<int>{-9, -3, -2, -1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 3001}));
    EXPECT_EQ(w.Get(-1, Prop::Type), Ctl::Menubar);
    EXPECT_EQ(w.Get(1, Prop::Type), Ctl::Toolbar);
    EXPECT_EQ(w.FirstControl(), 1);
    EXPECT_EQ(w.LastControl(), 3001);
    EXPECT_EQ(w.Control(5)->label, "?KVD:BROJ");
    EXPECT_EQ(w.Control(42), nullptr);
}

TEST_F(WindowTest, VisibilityToolbarAndPropertiesOfControlsAndTheWindow) {
    Window w(def);
    EXPECT_EQ(w.Get(w.Feq("?HIDDEN"), Prop::Visible), 0);  // through its group
    EXPECT_EQ(w.Get(w.Feq("?HIDDEN"), Prop::Hide), 0);
    EXPECT_EQ(w.Get(w.Feq("?KVD:BROJ"), Prop::Visible), 1);
    w.Hide(w.Feq("?TAB1"));
    EXPECT_EQ(w.Get(w.Feq("?KVD:BROJ"), Prop::Visible), 0);
    EXPECT_EQ(w.Get(3001, Prop::InToolbar), 1);
    EXPECT_EQ(w.Get(w.Feq("?KVD:BROJ"), Prop::InToolbar), 0);
    EXPECT_EQ(w.Get(w.Feq("?SHEET"), Prop::Selected), 1);

    w.SetText(0, Prop::Text, "Nova \x9Aifra");
    EXPECT_EQ(w.GetText(0), "Nova \x9Aifra");
    w.Set(0, Prop::Width, 321);
    w.Set(0, Prop::FontColor, 0x808080);
    w.Set(0, Prop::PenColor, 0x0000FF);
    w.Set(0, Prop::AcceptAll, 1);
    EXPECT_EQ(w.Get(0, Prop::Width), 321);
    EXPECT_EQ(w.Get(0, Prop::Height), 100);
    EXPECT_EQ(w.Get(0, Prop::FontColor), 0x808080);
    EXPECT_EQ(w.Get(0, Prop::PenColor), 0x0000FF);
    EXPECT_EQ(w.Get(0, Prop::AcceptAll), 1);

    int e = w.Feq("?KVD:NAZIV");
    w.Set(e, Prop::Background, 0x00FFFF);
    w.Set(e, Prop::FontStyle, 700);
    w.Set(e, Prop::Req, 1);
    w.SetText(e, Prop::Tip, "Naziv");
    EXPECT_EQ(w.Get(e, Prop::Background), 0x00FFFF);
    EXPECT_EQ(w.Get(e, Prop::FontStyle), 700);
    EXPECT_EQ(w.Get(e, Prop::Req), 1);
    EXPECT_EQ(w.GetText(e, Prop::Tip), "Naziv");
    w.SetRows(10, {{"1", "a"}, {"2", "b"}});
    EXPECT_EQ(w.Get(10, Prop::Items), 2);
    EXPECT_EQ(w.Rows(10)[1][1], "b");
}

TEST_F(WindowTest, ChangesReachTheBackEndInOneDeltaAtTheNextAccept) {
    Window w(def);
    w.Open();
    {
        std::lock_guard lock(backend.mutex);
        ASSERT_EQ(backend.opened.size(), 1u);
        EXPECT_EQ(backend.opened[0].controls.size(), w.Controls().size());
        EXPECT_EQ(backend.opened[0].caption, "Test");
    }
    ASSERT_TRUE(w.Accept());
    EXPECT_EQ(w.event(), Event::OpenWindow);
    int e = w.Feq("?KVD:BROJ");
    for (int i = 0; i < 10000; ++i) {
        w.Set(e, Prop::Disable, i % 2);
        w.Set(0, Prop::Xpos, i);
    }
    {
        std::lock_guard lock(backend.mutex);
        EXPECT_TRUE(backend.synced.empty());
    }
    w.Post(Event::User);
    ASSERT_TRUE(w.Accept());
    std::lock_guard lock(backend.mutex);
    ASSERT_EQ(backend.synced.size(), 1u);
    const WindowState& d = backend.synced[0];
    EXPECT_EQ(d.id, w.id());
    EXPECT_EQ(d.x, 9999);
    EXPECT_TRUE(d.has_position);
    EXPECT_TRUE(d.placement);
    ASSERT_EQ(d.controls.size(), 1u);  // only the changed control
    EXPECT_EQ(d.controls[0].feq, e);
    EXPECT_TRUE(d.controls[0].disable);
    EXPECT_FALSE(d.drawing.has_value());
}

TEST_F(WindowTest, AlertKeysPressedKeysAndTheDrawingLayerTravelInTheDelta) {
    Window w(def);
    w.Open();
    int e = w.Feq("?KVD:BROJ");
    w.Alert(e, Key::Enter);
    w.Alert(e, Key::Down);
    w.Alert(e, Key::Enter);  // once only
    w.Alert(0, Key::CtrlN);
    w.PressKey(Key::Tab);
    w.PressKey(Key::ShiftTab);
    DrawItem box;
    box.x = 10;
    box.y = 10;
    box.w = 50;
    box.h = 12;
    box.fill = 0x00FFFF;
    DrawItem mark;
    mark.kind = DrawItem::Kind::Text;
    mark.x = 4;
    mark.y = 12;
    mark.text = "\xBB";
    DrawItem other = box;
    other.x = 100;
    w.Draw(box);
    w.Draw(mark);
    w.Draw(other);
    w.Erase(2, 8, 66, 16);  // holds box and mark, not other
    w.Display();
    {
        std::lock_guard lock(backend.mutex);
        ASSERT_EQ(backend.synced.size(), 1u);
        const WindowState& d = backend.synced[0];
        ASSERT_EQ(d.controls.size(), 1u);
        EXPECT_EQ(d.controls[0].alert_keys, (std::vector<int>{Key::Enter, Key::Down}));
        EXPECT_EQ(d.window_alerts, (std::vector<int>{Key::CtrlN}));
        EXPECT_EQ(d.pressed_keys, (std::vector<int>{Key::Tab, Key::ShiftTab}));
        ASSERT_TRUE(d.drawing.has_value());
        ASSERT_EQ(d.drawing->size(), 1u);
        EXPECT_EQ((*d.drawing)[0].x, 100);
    }
    w.RemoveAlert(e, Key::Enter);
    w.ClearAlerts(0);
    w.Select(e);
    std::lock_guard lock(backend.mutex);
    ASSERT_EQ(backend.synced.size(), 2u);
    const WindowState& d = backend.synced[1];
    EXPECT_EQ(d.focus, e);
    ASSERT_EQ(d.controls.size(), 1u);
    EXPECT_EQ(d.controls[0].alert_keys, (std::vector<int>{Key::Down}));
    EXPECT_TRUE(d.window_alerts.empty());
    EXPECT_TRUE(d.pressed_keys.empty());  // sent once
    EXPECT_FALSE(d.drawing.has_value());
}

TEST_F(WindowTest, SelectWithoutAControlFocusesTheFirstThatTakesTheFocus) {
    def.controls[2].children[0].children[0].attrs = kDisable;  // ?KVD:BROJ
    Window w(def);
    w.Open();
    w.Select(0);
    // 2 (?KVD:ADRESA) comes first by number but lies on the second tab; 5 is disabled.
    EXPECT_EQ(w.FocusedControl(), 6);
    w.Set(w.Feq("?SHEET"), Prop::Selected, 2);
    w.Select(0);
    EXPECT_EQ(w.FocusedControl(), 2);
    InputEvent sel;
    sel.event = Event::Selected;
    sel.feq = 6;
    Deliver(w.id(), sel);
    ASSERT_TRUE(w.Accept());  // OpenWindow
    ASSERT_TRUE(w.Accept());
    EXPECT_EQ(w.event(), Event::Selected);
    EXPECT_EQ(w.field(), 6);
    EXPECT_EQ(w.FocusedControl(), 6);
}

TEST_F(WindowTest, UserInputChangesTheStateWithoutEchoingItBack) {
    Window w(def);
    w.Open();
    ASSERT_TRUE(w.Accept());
    InputEvent sized;
    sized.event = Event::Sized;
    sized.x = 5;
    sized.y = 6;
    sized.w = 300;
    sized.h = 200;
    Deliver(w.id(), sized);
    InputEvent pick;
    pick.event = Event::NewSelection;
    pick.feq = 10;
    pick.selected = 4;
    Deliver(w.id(), pick);
    ASSERT_TRUE(w.Accept());
    EXPECT_EQ(w.event(), Event::Sized);
    EXPECT_EQ(w.field(), 0);
    EXPECT_EQ(w.Get(0, Prop::Width), 300);
    ASSERT_TRUE(w.Accept());
    EXPECT_EQ(w.event(), Event::NewSelection);
    EXPECT_EQ(w.Get(10, Prop::Selected), 4);
    w.Post(Event::User);
    ASSERT_TRUE(w.Accept());
    {
        std::lock_guard lock(backend.mutex);
        EXPECT_TRUE(backend.synced.empty());
    }
    // A later change of the procedure does not send the user's placement back as its own.
    w.Hide(w.Feq("?KVD:BROJ"));
    w.Display();
    std::lock_guard lock(backend.mutex);
    ASSERT_EQ(backend.synced.size(), 1u);
    EXPECT_FALSE(backend.synced[0].placement);
    EXPECT_EQ(backend.synced[0].w, 300);
}

TEST_F(WindowTest, TheTimerRaisesTimerEventsWhileTheWindowWaits) {
    Window w(def);
    w.Set(0, Prop::Timer, 1);
    w.Open();
    ASSERT_TRUE(w.Accept());
    EXPECT_EQ(w.event(), Event::OpenWindow);  // queued events come before the timer
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(w.Accept());
        EXPECT_EQ(w.event(), Event::Timer);
        EXPECT_EQ(w.field(), 0);
    }
    w.Set(0, Prop::Timer, 0);
    w.Post(Event::User);
    ASSERT_TRUE(w.Accept());
    EXPECT_EQ(w.event(), Event::User);
}

TEST_F(WindowTest, ANewerWindowOfTheThreadDisablesTheOlderOneUntilItCloses) {
    Window older(def);
    older.Open();
    ASSERT_TRUE(older.Accept());
    EXPECT_EQ(ActiveWindow(), &older);
    Window newer(def);
    newer.Open();
    EXPECT_EQ(ActiveWindow(), &newer);
    EXPECT_EQ(FocusedWindow(), newer.id());
    EXPECT_EQ(WindowThread(newer.id()), 1);
    {
        std::lock_guard lock(backend.mutex);
        ASSERT_EQ(backend.synced.size(), 1u);
        EXPECT_EQ(backend.synced[0].id, older.id());
        EXPECT_TRUE(backend.synced[0].disabled);
    }
    InputEvent click;
    click.event = Event::Accepted;
    click.feq = 3001;
    Deliver(older.id(), click);  // held for the older window
    newer.Post(Event::User);
    ASSERT_TRUE(newer.Accept());
    EXPECT_EQ(newer.event(), Event::OpenWindow);
    ASSERT_TRUE(newer.Accept());
    EXPECT_EQ(newer.event(), Event::User);
    newer.Post(Event::User + 1);
    newer.Close();
    EXPECT_FALSE(newer.Accept());
    EXPECT_EQ(ActiveWindow(), &older);
    EXPECT_EQ(FocusedWindow(), older.id());
    {
        std::lock_guard lock(backend.mutex);
        ASSERT_EQ(backend.closed, std::vector<WindowId>{newer.id()});
        EXPECT_EQ(backend.synced.back().id, older.id());
        EXPECT_FALSE(backend.synced.back().disabled);
    }
    ASSERT_TRUE(older.Accept());
    EXPECT_EQ(older.event(), Event::Accepted);  // the newer window's last event went with it
    EXPECT_EQ(older.field(), 3001);
}

}  // namespace
