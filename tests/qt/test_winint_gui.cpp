// The desktop-integration objects in real windows: Enter-key navigation and focus marks
// in a form run through the procedure protocol, windows kept on the visible desktop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QMdiArea>
#include <QScreen>
#include <QWheelEvent>
#include <QWidget>
#include <atomic>
#include <filesystem>

#include <unistd.h>

#include "data/program_objects.h"
#include "data/thread_data.h"
#include "platform/qt/qt_window.h"
#include "shell/desktop_integration.h"
#include "shell/glavni.h"
#include "shell/procedure.h"
#include "tests/driver/gui_fixture.h"
#include "winint/alerts.h"
#include "winint/desktop.h"
#include "winint/session.h"

namespace fs = std::filesystem;
using namespace kvadrin;
namespace Ctl = rt::ui::Ctl;
namespace Key = rt::ui::Key;

namespace {

rt::ui::ControlDef Make(int kind, const char* label, int x, int y, int w, int h, const char* text = "") {
    rt::ui::ControlDef c;
    c.kind = kind;
    c.label = label;
    c.x = x, c.y = y, c.w = w, c.h = h;
    c.text = text;
    return c;
}

const rt::ui::WindowDef& FormDef() {
    static const rt::ui::WindowDef def = [] {
        rt::ui::WindowDef d;
        d.module = "KVD$WINTEST";
        d.name = "P1$FORM";
        d.caption = "Navigacija";
        d.w = 220, d.h = 130;
        d.resizable = true;
        d.max_box = true;
        rt::ui::ControlDef ime = Make(Ctl::Entry, "?IME", 60, 8, 100, 10);
        ime.picture = "@s20";
        ime.attrs = rt::ui::kReq;
        rt::ui::ControlDef mesto = Make(Ctl::Entry, "?MESTO", 60, 22, 100, 10);
        mesto.picture = "@s20";
        rt::ui::ControlDef lista = Make(Ctl::List, "?LISTA", 60, 36, 100, 30);
        lista.format = "40L(2)~Stavka~@s5@";
        rt::ui::ControlDef broj = Make(Ctl::Spin, "?BROJ", 60, 70, 40, 10);
        broj.picture = "@n3";
        d.controls = {Make(Ctl::Prompt, "?PIME", 8, 8, 40, 10, "&Ime:"),
                      ime,
                      mesto,
                      lista,
                      broj,
                      Make(Ctl::Check, "?AKTIVAN", 60, 84, 60, 10, "&Aktivan"),
                      Make(Ctl::Button, "?TRAZI", 166, 22, 40, 12, "&Trazi"),
                      Make(Ctl::Button, "?OK", 60, 108, 45, 14, "&OK"),
                      Make(Ctl::Button, "?CANCEL", 110, 108, 45, 14, "&Cancel"),
                      Make(Ctl::Button, "?HELP", 160, 108, 45, 14, "&Help")};
        return d;
    }();
    return def;
}

std::string g_ime, g_mesto;
std::int32_t g_broj = 5;
std::string g_aktivan;
std::atomic<int> g_response{-1};
kvtest::EventLog g_log;
std::atomic<int> g_session_ends{0};
std::int32_t CountedKrajSesije(std::int32_t v) {
    ++g_session_ends;
    return KrajSesije(v);
}

class Form : public ProcedureController {
public:
    using ProcedureController::ProcedureController;
    void RegisterButtons() override {
        AddDialogButton(window().Feq("?OK"), RequestCompleted);
        AddDialogButton(window().Feq("?CANCEL"), RequestCancelled);
        ExcludeFromNavigation(window().Feq("?HELP"));
    }
    int OnEvent() override {
        g_log.Add(window());
        return ProcedureController::OnEvent();
    }
};

void RunForm(const std::string& name, const rt::ui::WindowDef& def) {
    g_response = -1;
    RunWindowProcedure(
        name, WindowKind::Dialog, def,
        [](rt::ui::Window& w) {
            if (int f = w.Feq("?IME")) w.Use(f, rt::ui::Binding::OfText(&g_ime));
            if (int f = w.Feq("?MESTO")) w.Use(f, rt::ui::Binding::OfText(&g_mesto));
            if (int f = w.Feq("?BROJ")) {
                w.Use(f, rt::ui::Binding::OfLong(&g_broj));
                w.Set(f, rt::ui::Prop::RangeLow, 0);
                w.Set(f, rt::ui::Prop::RangeHigh, 99);
            }
            if (int f = w.Feq("?AKTIVAN")) w.Use(f, rt::ui::Binding::OfText(&g_aktivan));
            if (int f = w.Feq("?LISTA")) w.SetRows(f, {{"a"}, {"b"}, {"c"}});
        },
        [](ProcedureObjects& p) { return std::make_unique<Form>(p); });
    g_response = CallResponse;
}

class WinIntGui : public kvtest::GuiTest {
protected:
    void SetUp() override {
        if (!MainModuleReady()) MainModuleInit();
        ProgramErrors.Init();
        dir_ = fs::temp_directory_path() / ("kv_winint_gui_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        ProgramSettings.Init((dir_ / "KVD.INI").string());
        g_ime.clear();
        g_mesto.clear();
        g_broj = 5;
        g_log.Clear();
    }
    void TearDown() override {
        kvtest::GuiTest::TearDown();
        WlResetFrameWindow();
        ProgramSettings.Kill();
        fs::remove_all(dir_);
    }
    void StartForm(const std::string& name = "WinTestForm", const rt::ui::WindowDef* def = nullptr) {
        const rt::ui::WindowDef* d = def ? def : &FormDef();
        driver.Start([name, d] { RunForm(name, *d); });
        driver.WaitForWindow(name);
    }
    void WaitFocus(const std::string& label) {
        driver.WaitUntil([&] { return driver.Focused("WinTestForm") == label; }, "focus on " + label);
    }
    // The window's drawing layer once it holds `n` items.
    std::vector<rt::ui::DrawItem> Marks(std::size_t n) {
        rt::qt::QtWindow& w = driver.WaitForWindow("WinTestForm");
        driver.WaitUntil([&] { return w.drawing().size() == n; }, std::to_string(n) + " drawn marks");
        return w.drawing();
    }

    fs::path dir_;
};

TEST_F(WinIntGui, EnterAndTheArrowsMoveByControlKind) {
    StartForm();
    const std::string P = "WinTestForm";
    driver.Focus(P, "?IME");
    WaitFocus("?IME");
    // Entries: Enter and Down forward, Up back; Left and Right stay in the text.
    driver.Keys(P, {Key::Enter});
    WaitFocus("?MESTO");
    driver.Keys(P, {Key::Up});
    WaitFocus("?IME");
    driver.Keys(P, {Key::Left, Key::Right});
    driver.Pump();
    EXPECT_EQ(driver.Focused(P), "?IME");
    driver.Keys(P, {Key::Down});
    WaitFocus("?MESTO");
    driver.Keys(P, {Key::Tab});
    WaitFocus("?LISTA");
    // A list keeps Up and Down for its rows; Enter goes on, Left comes back.
    driver.PickRow(P, "?LISTA", 1);
    driver.Keys(P, {Key::Down});
    EXPECT_EQ(driver.Focused(P), "?LISTA");
    driver.WaitUntil([&] { return g_log.Last(rt::ui::Event::NewSelection, 4).selected == 2; },
                     "the second row selected");
    driver.Keys(P, {Key::Left});
    WaitFocus("?MESTO");
    driver.Keys(P, {Key::Tab});
    WaitFocus("?LISTA");
    driver.Keys(P, {Key::Enter});
    WaitFocus("?BROJ");
    // A spin box keeps all four arrows; Enter leaves it.
    driver.Keys(P, {Key::Up, Key::Down, Key::Left, Key::Right});
    EXPECT_EQ(driver.Focused(P), "?BROJ");
    driver.Keys(P, {Key::Enter});
    WaitFocus("?AKTIVAN");
    // A check box: every arrow and Enter move.
    driver.Keys(P, {Key::Up});
    WaitFocus("?BROJ");
    driver.Keys(P, {Key::Enter});
    WaitFocus("?AKTIVAN");
    driver.Keys(P, {Key::Right});
    WaitFocus("?TRAZI");
    // A lookup button moves with the arrows.
    driver.Keys(P, {Key::Left});
    WaitFocus("?AKTIVAN");
    driver.Keys(P, {Key::Down});
    WaitFocus("?TRAZI");
    driver.Keys(P, {Key::Down});
    WaitFocus("?OK");
    // The dialog's own buttons keep their keys: Enter on OK completes the dialog.
    driver.Keys(P, {Key::Enter});
    driver.WaitClosed(P);
    driver.WaitForThreads();
    EXPECT_EQ(g_response.load(), 1);
}

TEST_F(WinIntGui, TheFocusedControlIsMarkedAndTheMarksFollow) {
    StartForm();
    const std::string P = "WinTestForm";
    driver.Focus(P, "?IME");
    WaitFocus("?IME");
    // The required entry: yellow background, a red box two units around it, the grey "»"
    // eight units to its left.
    std::vector<rt::ui::DrawItem> marks = Marks(2);
    EXPECT_EQ(marks[0].kind, rt::ui::DrawItem::Kind::Box);
    EXPECT_EQ((std::vector<int>{marks[0].x, marks[0].y, marks[0].w, marks[0].h}),
              (std::vector<int>{58, 6, 104, 14}));
    EXPECT_EQ(marks[0].fill, 0x0000FF);
    EXPECT_EQ(marks[0].pen, 0x000000);
    EXPECT_EQ(marks[1].kind, rt::ui::DrawItem::Kind::Text);
    EXPECT_EQ(marks[1].text, "\xBB");
    EXPECT_EQ(marks[1].color, 0x808080);
    EXPECT_EQ(marks[1].x, 52);
    const std::string snap = driver.Snapshot(P, "winint_focus_required.png");
    QImage img(QString::fromStdString(snap));
    ASSERT_FALSE(img.isNull());

    // An entry that is not required gets a yellow box.
    driver.Keys(P, {Key::Enter});
    WaitFocus("?MESTO");
    driver.WaitUntil(
        [&] {
            auto d = driver.WaitForWindow(P).drawing();
            return d.size() == 2 && d[0].y == 20;
        },
        "marks around ?MESTO");
    marks = Marks(2);
    EXPECT_EQ(marks[0].fill, 0x00FFFF);
    driver.Snapshot(P, "winint_focus_entry.png");

    // A list keeps its colours and gets the marks; a button gets none.
    driver.Keys(P, {Key::Down});
    WaitFocus("?LISTA");
    driver.WaitUntil(
        [&] {
            auto d = driver.WaitForWindow(P).drawing();
            return d.size() == 2 && d[0].y == 34;
        },
        "marks around the list");
    driver.Focus(P, "?TRAZI");
    WaitFocus("?TRAZI");
    Marks(0);

    // Resizing redraws the marks around the control.
    driver.Focus(P, "?MESTO");
    WaitFocus("?MESTO");
    Marks(2);
    QWidget* top = driver.WaitForWindow(P).top();
    top->resize(top->width() + 80, top->height() + 40);
    driver.Pump();
    marks = Marks(2);
    EXPECT_EQ(marks[0].y, 20);
    driver.Snapshot(P, "winint_focus_resized.png");
    driver.Press(P, "?CANCEL");
    driver.WaitClosed(P);
}

TEST_F(WinIntGui, AWindowStoredOffScreenComesBackOnScreen) {
    rt::WindowPlacement p;
    p.x = -4000;
    p.y = -3000;
    p.has_position = true;
    ProgramSettings.SaveWindowPosition("WinTestForm", p, true);
    StartForm();
    QWidget* top = driver.WaitForWindow("WinTestForm").top();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    driver.WaitUntil([&] { return screen.contains(top->frameGeometry().topLeft()); },
                     "the window on the screen");
    driver.Press("WinTestForm", "?CANCEL");
    driver.WaitClosed("WinTestForm");
}

const rt::ui::WindowDef& FrameDef() {
    static const rt::ui::WindowDef def = [] {
        rt::ui::WindowDef d;
        d.module = "KVD$WINTEST";
        d.name = "P1$FRAME";
        d.caption = "Okvir";
        d.w = 400, d.h = 260;
        d.frame = true;
        d.resizable = true;
        return d;
    }();
    return def;
}

const rt::ui::WindowDef& ChildDef() {
    static const rt::ui::WindowDef def = [] {
        rt::ui::WindowDef d = FormDef();
        d.name = "P1$CHILD";
        d.mdi = true;
        return d;
    }();
    return def;
}

TEST_F(WinIntGui, AFrameChildStoredOffTheFrameComesBackIntoIt) {
    rt::WindowPlacement p;
    p.x = -300;
    p.y = -200;
    p.has_position = true;
    ProgramSettings.SaveWindowPosition("WinTestChild", p, true);
    const int frame = driver.Start([] {
        RunWindowProcedure("WinTestFrame", WindowKind::Frame, FrameDef(), nullptr,
                           [](ProcedureObjects& o) { return std::make_unique<ProcedureController>(o); });
    });
    rt::qt::QtWindow& f = driver.WaitForWindow("WinTestFrame");
    ASSERT_NE(f.mdi_area(), nullptr);
    driver.WaitUntil([&] { return WlFrameWindow() == f.id(); }, "the frame registered");
    driver.Start([] { RunForm("WinTestChild", ChildDef()); });
    rt::qt::QtWindow& child = driver.WaitForWindow("WinTestChild");
    ASSERT_TRUE(child.is_child());
    driver.WaitUntil([&] { return child.top()->pos() == QPoint(0, 0); }, "the child at the frame's origin");
    driver.Press("WinTestChild", "?CANCEL");
    driver.WaitClosed("WinTestChild");
    rt::ui::rtl_post(rt::ui::Event::CloseWindow, 0, frame);
    driver.WaitClosed("WinTestFrame");
}

TEST_F(WinIntGui, CtrlWheelAndTheSessionEndReachTheWindowAsEvents) {
    StartForm();
    const std::string P = "WinTestForm";
    QWidget* list = driver.Widget(P, "?LISTA");
    QAbstractScrollArea* area = qobject_cast<QAbstractScrollArea*>(list);
    QWidget* target = area ? area->viewport() : list;
    unsigned long stamp = 1000;
    for (int delta : {120, -120}) {
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        wheel.setTimestamp(++stamp);  // two turns, not one travelling up the parents
        QApplication::sendEvent(target, &wheel);
    }
    driver.WaitUntil([&] { return g_log.Has(kEventWheelForward, 0) && g_log.Has(kEventWheelBack, 0); },
                     "1451 and 1452");

    WlSessionHandler ok = wl_SetOkToEndSessionHandler(&DozvoliKrajSesije);
    WlSessionHandler end = wl_SetEndSessionHandler(&CountedKrajSesije);
    g_session_ends = 0;
    EXPECT_TRUE(driver.Server().SessionMayEnd());
    driver.WaitUntil([&] { return g_log.Has(kEventQueryEndSession, 0); }, "6783");
    driver.Server().SessionEnds();
    EXPECT_EQ(g_session_ends.load(), 1);
    wl_SetOkToEndSessionHandler(ok);
    wl_SetEndSessionHandler(end);
    driver.Press(P, "?CANCEL");
    driver.WaitClosed(P);
}

}  // namespace
