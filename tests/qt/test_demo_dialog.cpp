// A dialog built from a resource, run by a procedure thread, used by the driver as a user.
#include <QImage>
#include <QLineEdit>
#include <map>

#include "platform/core/text.h"
#include "platform/qt/qt_window.h"
#include "tests/driver/gui_fixture.h"

namespace kvtest {
namespace {

using namespace rt::ui;

std::string Cp(const char* utf8) { return rt::utf8_to_cp1250(utf8); }

ControlDef Make(int kind, const char* label, int x, int y, int w, int h, const char* text = "") {
    ControlDef c;
    c.kind = kind;
    c.label = label;
    c.x = x;
    c.y = y;
    c.w = w;
    c.h = h;
    c.text = Cp(text);
    return c;
}

const WindowDef& DemoDef() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVQ$TEST";
        d.name = "DEMO";
        d.caption = Cp("Demo obrazac");
        d.w = 244;
        d.h = 172;
        ControlDef sheet = Make(Ctl::Sheet, "?SHEET", 4, 4, 236, 134);
        ControlDef tab1 = Make(Ctl::Tab, "?TAB1", 0, 0, -1, -1, "&Osnovno");
        tab1.children.push_back(Make(Ctl::Prompt, "?NAME:PROMPT", 12, 24, 50, 10, "&Naziv:"));
        ControlDef name = Make(Ctl::Entry, "?GLO:NAME", 70, 22, 120, 11);
        name.picture = "@s20";
        tab1.children.push_back(name);
        tab1.children.push_back(Make(Ctl::Prompt, "?CODE:PROMPT", 12, 38, 50, 10, "Š&ifra:"));
        ControlDef code = Make(Ctl::Entry, "?GLO:CODE", 70, 36, 40, 11);
        code.picture = "@s5";
        code.attrs = kUpr;
        tab1.children.push_back(code);
        tab1.children.push_back(Make(Ctl::Prompt, "?AMOUNT:PROMPT", 12, 52, 50, 10, "I&znos:"));
        ControlDef amount = Make(Ctl::Entry, "?LOC:AMOUNT", 70, 50, 60, 11);
        amount.picture = "@n10.2";
        tab1.children.push_back(amount);
        ControlDef active = Make(Ctl::Check, "?LOC:ACTIVE", 70, 66, 80, 10, "&Aktivan");
        active.value = "Da";
        active.off_value = "Ne";
        tab1.children.push_back(active);
        ControlDef kind = Make(Ctl::Option, "?LOC:KIND", 12, 80, 140, 34, "Vrsta");
        ControlDef stan = Make(Ctl::Radio, "?KIND:STAN", 22, 94, 50, 10, "&Stan");
        stan.value = "S";
        ControlDef lokal = Make(Ctl::Radio, "?KIND:LOKAL", 80, 94, 50, 10, "&Lokal");
        lokal.value = "L";
        kind.children = {stan, lokal};
        tab1.children.push_back(kind);
        ControlDef tab2 = Make(Ctl::Tab, "?TAB2", 0, 0, -1, -1, "L&ista");
        ControlDef list = Make(Ctl::List, "?BROWSE:1", 10, 22, 220, 108);
        list.format = Cp("40L(2)|M~Šifra~C(0)@s7@80L(2)|M~Naziv~L(2)@s30@60R(2)|M~Iznos~R(2)@n10.2@");
        tab2.children.push_back(list);
        sheet.children = {tab1, tab2};
        d.controls.push_back(sheet);
        d.controls.push_back(Make(Ctl::String, "?STATUS", 6, 144, 120, 10, "Spremno"));
        ControlDef ok = Make(Ctl::Button, "?OK", 132, 152, 50, 15, "&OK");
        ok.attrs = kDefault;
        d.controls.push_back(ok);
        d.controls.push_back(Make(Ctl::Button, "?CANCEL", 188, 152, 50, 15, "&Cancel"));
        return d;
    }();
    return def;
}

// What the dialog's variables hold, copied out by the procedure after every event.
struct DemoData {
    mutable std::mutex m;
    std::string name, code, active, kind;
    double amount = 0;
    bool completed = false;
    std::map<std::string, int> feqs;  // control numbers by label

    template <typename F>
    auto Read(F f) const {
        std::lock_guard lock(m);
        return f(*this);
    }
};

void RunDemo(DemoData& out, EventLog& log) {
    std::string name, code, active = "Ne", kind = "S";
    double amount = 0;
    Window w(DemoDef());
    w.SetProcedureName("DemoDialog");
    w.Use(w.Feq("?GLO:NAME"), Binding::OfText(&name));
    w.Use(w.Feq("?GLO:CODE"), Binding::OfText(&code));
    w.Use(w.Feq("?LOC:AMOUNT"), Binding::OfReal(&amount));
    w.Use(w.Feq("?LOC:ACTIVE"), Binding::OfText(&active));
    w.Use(w.Feq("?LOC:KIND"), Binding::OfText(&kind));
    {
        std::lock_guard lock(out.m);
        for (int feq : w.Controls())
            if (const ControlDef* c = w.Control(feq)) out.feqs[c->label] = feq;
    }
    const int list = w.Feq("?BROWSE:1");
    w.SetRows(list,
              {{"00001", "Prvi", "10.00"}, {"00002", "Drugi", "1,250.50"}, {"00003", Cp("Treći"), "0.00"}});
    w.Alert(w.Feq("?GLO:NAME"), Key::CtrlH);
    w.Alert(0, Key::F2);
    w.Open();
    w.Select(w.Feq("?GLO:NAME"));
    bool done = false;
    while (!done && w.Accept()) {
        log.Add(w);
        if (w.event() == Event::Accepted && w.field() == w.Feq("?OK")) {
            w.Update();
            std::lock_guard lock(out.m);
            out.completed = true;
            done = true;
        } else if ((w.event() == Event::Accepted && w.field() == w.Feq("?CANCEL")) ||
                   w.event() == Event::CloseWindow) {
            done = true;
        } else if (w.event() == Event::AlertKey && w.field() == 0 && w.keycode() == Key::F2) {
            w.SetText(w.Feq("?STATUS"), Prop::Text, "F2");
        } else if (w.event() == Event::Accepted && w.field() == list) {
            w.SetText(w.Feq("?STATUS"), Prop::Text, "Red " + std::to_string(w.Get(list, Prop::Selected)));
        }
        std::lock_guard lock(out.m);
        out.name = name;
        out.code = code;
        out.amount = amount;
        out.active = active;
        out.kind = kind;
    }
    w.Close();
}

class DemoDialog : public GuiTest {
protected:
    void SetUp() override {
        driver.Start([this] { RunDemo(data, log); });
        driver.WaitForWindow("DemoDialog");
        w = driver.Server().FindWindow("DemoDialog");
    }
    int Feq(const char* label) const {
        return data.Read([&](auto& d) {
            auto it = d.feqs.find(label);
            return it == d.feqs.end() ? -1 : it->second;
        });
    }
    void Close() {
        driver.Press("DemoDialog", "?CANCEL");
        driver.WaitClosed("DemoDialog");
    }

    DemoData data;
    EventLog log;
    rt::qt::QtWindow* w = nullptr;
};

TEST_F(DemoDialog, TypedTextsReachTheBoundVariablesThroughTheirPictures) {
    driver.WaitUntil([&] { return log.Has(Event::Selected, Feq("?GLO:NAME")); }, "Selected of the name");
    EXPECT_EQ(driver.Focused("DemoDialog"), "?GLO:NAME");

    driver.Type("DemoDialog", "?GLO:NAME", "Zgrada Čačak");
    driver.WaitUntil([&] { return data.Read([](auto& d) { return d.name; }) == Cp("Zgrada Čačak"); },
                     "the name in its variable");
    EXPECT_EQ(driver.Focused("DemoDialog"), "?GLO:CODE");

    driver.Type("DemoDialog", "?GLO:CODE", "ab1č");
    driver.WaitUntil([&] { return data.Read([](auto& d) { return d.code; }) == Cp("AB1Č"); },
                     "the code upper-cased in its variable");
    EXPECT_EQ(driver.Text("DemoDialog", "?GLO:CODE"), "AB1Č");

    // A text that is no number of the picture is refused: the entry keeps the focus with
    // its text selected, and the procedure hears nothing of it.
    driver.Type("DemoDialog", "?LOC:AMOUNT", "12a4");
    driver.WaitUntil([&] { return driver.Focused("DemoDialog") == "?LOC:AMOUNT"; },
                     "the focus back in the refused entry");
    auto* amount = qobject_cast<QLineEdit*>(driver.Widget("DemoDialog", "?LOC:AMOUNT"));
    ASSERT_NE(amount, nullptr);
    EXPECT_EQ(amount->text().toStdString(), "12a4");
    EXPECT_EQ(amount->selectedText().toStdString(), "12a4");
    EXPECT_FALSE(log.Has(Event::Accepted, Feq("?LOC:AMOUNT")));
    EXPECT_FALSE(log.Has(Event::Selected, Feq("?LOC:ACTIVE")));
    EXPECT_EQ(data.Read([](auto& d) { return d.amount; }), 0.0);
    // OK with the refused text still there does not complete the dialog.
    driver.Press("DemoDialog", "?OK");
    driver.WaitUntil([&] { return driver.Focused("DemoDialog") == "?LOC:AMOUNT"; },
                     "the focus back in the refused entry after OK");
    EXPECT_FALSE(log.Has(Event::Accepted, Feq("?OK")));

    driver.Type("DemoDialog", "?LOC:AMOUNT", "1234.5");
    driver.WaitUntil([&] { return data.Read([](auto& d) { return d.amount; }) == 1234.5; },
                     "the amount in its variable");
    driver.WaitUntil([&] { return driver.Text("DemoDialog", "?LOC:AMOUNT") == "1,234.50"; },
                     "the amount shown through its picture");

    driver.Press("DemoDialog", "?LOC:ACTIVE");
    driver.WaitUntil([&] { return data.Read([](auto& d) { return d.active; }) == "Da"; }, "check box on");
    driver.Press("DemoDialog", "?LOC:ACTIVE");
    driver.WaitUntil([&] { return data.Read([](auto& d) { return d.active; }) == "Ne"; }, "check box off");
    EXPECT_FALSE(driver.Checked("DemoDialog", "?LOC:ACTIVE"));

    EXPECT_TRUE(driver.Checked("DemoDialog", "?KIND:STAN"));
    driver.Press("DemoDialog", "Lokal");
    driver.WaitUntil([&] { return data.Read([](auto& d) { return d.kind; }) == "L"; }, "the radio's value");
    EXPECT_TRUE(driver.Checked("DemoDialog", "?KIND:LOKAL"));
    EXPECT_FALSE(driver.Checked("DemoDialog", "?KIND:STAN"));
    EXPECT_EQ(log.Last(Event::Accepted, Feq("?LOC:KIND")).selected, 2);

    driver.Press("DemoDialog", "OK");
    driver.WaitClosed("DemoDialog");
    EXPECT_TRUE(data.Read([](auto& d) { return d.completed; }));
    EXPECT_EQ(data.Read([](auto& d) { return d.name; }), Cp("Zgrada Čačak"));
}

TEST_F(DemoDialog, EnterInAnEntryAcceptsItThenPressesTheDefaultButton) {
    driver.Focus("DemoDialog", "?GLO:NAME");
    auto* name = qobject_cast<QLineEdit*>(driver.Widget("DemoDialog", "?GLO:NAME"));
    name->selectAll();
    name->insert("Ulaz");
    driver.Keys("DemoDialog", {Key::Enter});
    driver.WaitClosed("DemoDialog");
    std::vector<Seen> seen = log.All();
    auto at = [&](int event, int field) {
        for (std::size_t i = 0; i < seen.size(); ++i)
            if (seen[i].event == event && seen[i].field == field) return static_cast<int>(i);
        return -1;
    };
    ASSERT_GE(at(Event::Accepted, Feq("?GLO:NAME")), 0);
    EXPECT_LT(at(Event::Accepted, Feq("?GLO:NAME")), at(Event::Accepted, Feq("?OK")));
    EXPECT_EQ(data.Read([](auto& d) { return d.name; }), "Ulaz");
}

TEST_F(DemoDialog, AlertKeysRaiseAlertKeyInsteadOfReachingTheControl) {
    driver.Type("DemoDialog", "?GLO:NAME", "Ime");
    driver.Focus("DemoDialog", "?GLO:NAME");
    driver.Keys("DemoDialog", {Key::CtrlH});
    driver.WaitUntil([&] { return log.Has(Event::AlertKey, Feq("?GLO:NAME")); }, "the control's alert key");
    EXPECT_EQ(log.Last(Event::AlertKey, Feq("?GLO:NAME")).keycode, 0x248);
    EXPECT_EQ(driver.Text("DemoDialog", "?GLO:NAME"), "Ime");

    // A window alert key from any control; the procedure answers by changing a text.
    driver.Keys("DemoDialog", {Key::F2});
    driver.WaitUntil([&] { return driver.Text("DemoDialog", "?STATUS") == "F2"; }, "the window's alert key");
    EXPECT_EQ(log.Last(Event::AlertKey, 0).keycode, Key::F2);
    // Ordinary keys still reach the control.
    driver.Keys("DemoDialog", {'X', Key::Shift | 'Y'});
    EXPECT_EQ(driver.Text("DemoDialog", "?GLO:NAME"), "ImexY");
    // A prompt's hot key takes the focus to the control after it.
    driver.Keys("DemoDialog", {Key::Alt | 'Z'});
    driver.WaitUntil([&] { return driver.Focused("DemoDialog") == "?LOC:AMOUNT"; }, "the hot key's control");
    Close();
}

TEST_F(DemoDialog, SheetAndListInputBecomeEvents) {
    EXPECT_FALSE(driver.Visible("DemoDialog", "?BROWSE:1"));
    driver.PickTab("DemoDialog", "?SHEET", 2);
    driver.WaitUntil([&] { return log.Has(Event::NewSelection, Feq("?SHEET")); }, "the sheet's new tab");
    EXPECT_TRUE(log.Has(Event::TabChanging, Feq("?SHEET")));
    EXPECT_EQ(log.Last(Event::NewSelection, Feq("?SHEET")).selected, 2);
    EXPECT_TRUE(driver.Visible("DemoDialog", "?BROWSE:1"));
    EXPECT_FALSE(driver.Visible("DemoDialog", "?GLO:NAME"));

    EXPECT_EQ(driver.RowCount("DemoDialog", "?BROWSE:1"), 3);
    EXPECT_EQ(driver.Heading("DemoDialog", "?BROWSE:1", 1), "Šifra");
    EXPECT_EQ(driver.Heading("DemoDialog", "?BROWSE:1", 3), "Iznos");
    EXPECT_EQ(driver.Cell("DemoDialog", "?BROWSE:1", 3, 2), "Treći");

    const int list = Feq("?BROWSE:1");
    driver.PickRow("DemoDialog", "?BROWSE:1", 2);
    driver.WaitUntil([&] { return log.Has(Event::NewSelection, list); }, "the list's new selection");
    EXPECT_EQ(log.Last(Event::NewSelection, list).selected, 2);
    driver.Snapshot("DemoDialog", "demo_dialog_list.png");

    driver.Keys("DemoDialog", {Key::Down});
    driver.WaitUntil([&] { return log.Last(Event::NewSelection, list).selected == 3; }, "the row below");
    EXPECT_EQ(log.Last(Event::NewSelection, list).keycode, Key::Down);

    // Beyond the rows it shows, the list asks the procedure for more.
    driver.Keys("DemoDialog", {Key::Down, Key::PageDown, Key::Ctrl | Key::Home});
    driver.WaitUntil([&] { return log.Has(Event::ScrollTop, list); }, "the scroll events");
    EXPECT_EQ(log.Count(Event::ScrollDown, list), 1);
    EXPECT_EQ(log.Count(Event::PageDown, list), 1);
    EXPECT_EQ(log.Last(Event::NewSelection, list).selected, 3);

    driver.DoubleClickRow("DemoDialog", "?BROWSE:1", 1);
    driver.WaitUntil([&] { return driver.Text("DemoDialog", "?STATUS") == "Red 1"; },
                     "the procedure's answer to the double click");
    EXPECT_EQ(log.Last(Event::Accepted, list).keycode, Key::MouseLeft2);

    driver.ClickHeader("DemoDialog", "?BROWSE:1", 2);
    driver.WaitUntil([&] { return log.Has(Event::HeaderPressed, list); }, "the header click");
    EXPECT_EQ(log.Last(Event::HeaderPressed, list).column, 2);
    Close();
}

TEST_F(DemoDialog, SnapshotLooksLikeAFinishedWindow) {
    driver.Type("DemoDialog", "?GLO:NAME", "Zgrada Čačak");
    driver.Press("DemoDialog", "?LOC:ACTIVE");
    driver.WaitUntil([&] { return data.Read([](auto& d) { return d.active; }) == "Da"; }, "check box on");
    std::string path = driver.Snapshot("DemoDialog", "demo_dialog.png");
    QImage image(QString::fromStdString(path));
    ASSERT_FALSE(image.isNull()) << path;
    // The window is the resource's size in dialog units of its font.
    EXPECT_EQ(image.width(), w->PxX(DemoDef().w));
    EXPECT_EQ(image.height(), w->PxY(DemoDef().h));
    EXPECT_EQ(driver.Caption("DemoDialog"), "Demo obrazac");
    Close();
}

}  // namespace
}  // namespace kvtest
