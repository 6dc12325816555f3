// The frame: its caption after the login, the menu starting procedures on threads of
// their own, the toolbar reaching the active window's thread, the splash window, and the
// close-down of the other threads' windows when the frame closes.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include <QTest>
#include <atomic>
#include <mutex>

#include "data/globals.h"
#include "data/thread_data.h"
#include "platform/core/text.h"
#include "platform/qt/qt_window.h"
#include "platform/ui/events.h"
#include "platform/ui/toolbar.h"
#include "shell/housekeeping.h"
#include "shell/kvd001_main.h"
#include "shell/kvd002_splash.h"
#include "shell/procedure.h"
#include "tests/qt/test_login_fixture.h"

using namespace kvadrin;
namespace Event = rt::ui::Event;
namespace Key = rt::ui::Key;

namespace kvtest {
namespace {

// The probe's window: a child of the frame, or (`outside`) a window of its own.
const rt::ui::WindowDef& ProbeDef(bool outside = false) {
    static const auto make = [](bool mdi) {
        rt::ui::WindowDef d;
        d.module = "KVQ$MAIN";
        d.name = mdi ? "PROBE" : "OUTSIDE";
        d.caption = "Proba";
        d.w = 160, d.h = 60;
        d.mdi = mdi;
        rt::ui::ControlDef ok;
        ok.kind = rt::ui::Ctl::Button;
        ok.label = "?OK";
        ok.text = "OK";
        ok.x = 50, ok.y = 30, ok.w = 50, ok.h = 14;
        d.controls.push_back(ok);
        return d;
    };
    static const rt::ui::WindowDef child = make(true), own = make(false);
    return outside ? own : child;
}

// What the menu's procedures saw: the thread each ran on and the events of its window.
struct Probe {
    std::mutex m;
    std::vector<std::pair<std::string, int>> started;  // procedure, thread
    EventLog log;
    std::atomic<int> thread{0};
};
Probe* g_probe = nullptr;

// A toolbar target that offers Insert and Down only.
class InsertAndDown : public rt::ui::ToolbarTarget {
public:
    bool TakeToolbar(int) override { return true; }
    bool Enabled(int button) const override {
        return button == rt::ui::ToolbarButton::Insert || button == rt::ui::ToolbarButton::Down;
    }
};
std::atomic<bool> g_probe_target{false};

class ProbeController : public ProcedureController {
public:
    using ProcedureController::ProcedureController;
    ~ProbeController() override {
        if (g_probe_target && objects().toolbar) objects().toolbar->RemoveTarget(target_);
    }
    int Setup() override {
        const int level = ProcedureController::Setup();
        if (level == 0 && g_probe_target && objects().toolbar) objects().toolbar->AddTarget(target_);
        return level;
    }
    void RegisterButtons() override { AddDialogButton(window().Feq("?OK"), RequestCompleted); }
    InsertAndDown target_;
    int OnEvent() override {
        g_probe->log.Add(window());
        return ProcedureController::OnEvent();
    }
};

std::function<void()> ProbeProcedure(const std::string& name, bool outside = false) {
    return [name, outside] {
        {
            std::lock_guard lock(g_probe->m);
            g_probe->started.emplace_back(name, rt::ui::rtl_thread());
        }
        g_probe->thread = rt::ui::rtl_thread();
        RunWindowProcedure("Probe", WindowKind::Dialog, ProbeDef(outside), {},
                           [](ProcedureObjects& p) { return std::make_unique<ProbeController>(p); });
    };
}

class MainGui : public LoginFixture {
protected:
    void SetUp() override {
        LoginFixture::SetUp();
        g_probe = &probe;
        for (const char* name : {"BrowseObracuni", "PrenosUNovuGodinu", "BrowseKvadrin"}) {
            saved_menu_[name] = MenuProcedure(name);
            SetMenuProcedure(name, ProbeProcedure(name));
        }
        WriteFirms({Firm("Alfa", "(localdb)\\kv", "ALFA", "Alfa d.o.o."),
                    Firm("Beta", "(localdb)\\kv", "BETA", "")});
        for (const char* database : {"ALFA_2024", "BETA_2024", "VERZIJE"}) MakeDatabase(database);
    }
    void TearDown() override {
        LoginFixture::TearDown();
        // The start-up's registers stay in the menu for the other tests.
        for (auto& [name, procedure] : saved_menu_) SetMenuProcedure(name, procedure);
    }
    std::map<std::string, std::function<void()>> saved_menu_;

    // Main through the login of `firm` up to its open frame; returns the frame's thread.
    int OpenFrame(const char* firm) {
        WriteLoginIni("(localdb)\\kv", "korisnik", firm);
        const int thread = driver.Start([] { Main(); });
        driver.WaitForWindow("MSSQLLogMulti");
        driver.WaitUntil([&] { return driver.Text("MSSQLLogMulti", "?MSBASE") != ""; }, "the firm proposed");
        driver.Press("MSSQLLogMulti", "?OK");
        driver.WaitForWindow("Main");
        return thread;
    }
    bool ProbeStarted(const std::string& name) {
        std::lock_guard lock(probe.m);
        for (auto& [n, t] : probe.started)
            if (n == name) return true;
        return false;
    }
    int ProbeThread(const std::string& name) {
        std::lock_guard lock(probe.m);
        for (auto& [n, t] : probe.started)
            if (n == name) return t;
        return 0;
    }

    Probe probe;
};

TEST_F(MainGui, FrameAfterTheLoginStartsTheMenuOnThreadsAndForwardsTheToolbar) {
    const int frame = OpenFrame("Alfa");
    const std::string caption =
        "KVADRIN 1.0.2 - Alfa d.o.o. (2024)" + std::string(10, ' ') + "(localdb)\\kv - ALFA_2024";
    driver.WaitUntil([&] { return driver.Caption("Main") == caption; }, "the frame's caption");
    driver.WaitUntil([&] { return rt::clip(driver.Text("Main", "?NAZIVFIRME")) == "Alfa d.o.o."; },
                     "the firm in the toolbar");
    EXPECT_FALSE(driver.Enabled("Main", "?TOOLBAR:INSERT"));

    // The splash opens with the frame; an Accepted event of the frame that names no
    // control closes it.
    driver.WaitForWindow("BrivantSplash");
    rt::ui::rtl_post(Event::Accepted, 0, frame);
    driver.WaitClosed("BrivantSplash");
    driver.Snapshot("Main", "main_frame.png");

    // A menu item starts its procedure on a new thread.
    driver.Press("Main", "?OBRACUNI");
    driver.WaitForWindow("Probe");
    const int obracuni = ProbeThread("BrowseObracuni");
    EXPECT_NE(obracuni, 0);
    EXPECT_NE(obracuni, frame);

    // A toolbar button reaches the thread of the window the user works in.
    driver.WaitUntil([&] { return rt::ui::WindowThread(rt::ui::FocusedWindow()) == obracuni; },
                     "the started window active");
    rt::ui::rtl_post(Event::Accepted, rt::ui::ToolbarButton::Insert, frame);
    driver.WaitUntil([&] { return probe.log.Has(Event::Accepted, rt::ui::ToolbarButton::Insert); },
                     "the toolbar button on the window's thread");
    driver.Press("Probe", "?OK");
    driver.WaitClosed("Probe");

    // With the frame itself active while a window of another thread is open, the frame
    // handles the button: nothing is forwarded.
    driver.Start(ProbeProcedure("Outside", true));
    driver.WaitForWindow("Probe");
    EXPECT_FALSE(driver.Visible("Main", "?ITEM3"));
    driver.Keys("Main", {Key::CtrlN});
    driver.WaitUntil([&] { return driver.Visible("Main", "?ITEM3"); }, "the item Ctrl+N shows");
    driver.WaitUntil([&] { return rt::ui::WindowThread(rt::ui::FocusedWindow()) == frame; },
                     "the frame active");
    probe.log.Clear();
    rt::ui::rtl_post(Event::Accepted, rt::ui::ToolbarButton::Change, frame);
    // Ctrl+P after the button: once its item shows, the frame has handled the button.
    EXPECT_FALSE(driver.Visible("Main", "?ITEM1"));
    driver.Keys("Main", {Key::CtrlP});
    driver.WaitUntil([&] { return driver.Visible("Main", "?ITEM1"); }, "the item Ctrl+P shows");
    EXPECT_FALSE(probe.log.Has(Event::Accepted, rt::ui::ToolbarButton::Change));
    driver.Press("Probe", "?OK");
    driver.WaitClosed("Probe");

    // The hidden item starts its procedure once and is hidden again.
    driver.Press("Main", "?ITEM3");
    driver.WaitForWindow("Probe");
    EXPECT_TRUE(ProbeStarted("PrenosUNovuGodinu"));
    EXPECT_NE(ProbeThread("PrenosUNovuGodinu"), obracuni);
    driver.WaitUntil([&] { return !driver.Visible("Main", "?ITEM3"); }, "the item hidden after its choice");
    driver.Press("Probe", "?OK");
    driver.WaitClosed("Probe");

    // The update check runs on its own thread: on the embedded store the version list is
    // one more database of the store, here without a row for this program.
    driver.Press("Main", "?ITEM2");
    EXPECT_EQ(driver.Answer("Ne"), "Želite li preuzeti poslednju verziju programa ?");
    EXPECT_TRUE(std::filesystem::exists(localdb_ / "VERZIJE.sqlite"));

    // Exit closes the other threads' windows as cancelled, then the frame; Main returns.
    driver.Press("Main", "?MATICNIPODACIKVADRIN");
    driver.WaitForWindow("Probe");
    probe.log.Clear();
    driver.Press("Main", "?EXIT");
    driver.WaitForThreads();
    EXPECT_TRUE(probe.log.Has(Event::CloseDown, 0));
    EXPECT_EQ(driver.Server().FindWindow("Main"), nullptr);
}

// The housekeeping items start the program's own procedures: the carry-over and the
// take-over from the hidden items, the update check from the File menu.
TEST_F(MainGui, TheHousekeepingItemsStartTheirProcedures) {
    SetMenuProcedure("PrenosUNovuGodinu", PrenosUNovuGodinu);
    const int frame = OpenFrame("Alfa");
    driver.WaitForWindow("BrivantSplash");
    rt::ui::rtl_post(Event::Accepted, 0, frame);
    driver.WaitClosed("BrivantSplash");

    driver.Keys("Main", {Key::CtrlN});
    driver.WaitUntil([&] { return driver.Visible("Main", "?ITEM3"); }, "Prenos u novu godinu shown");
    driver.Press("Main", "?ITEM3");
    EXPECT_EQ(driver.Answer("NE"), "Preuzmi sifarnike iz prethodne godine?");
    EXPECT_FALSE(driver.Visible("Main", "?ITEM3"));

    driver.Keys("Main", {Key::CtrlP});
    driver.WaitUntil([&] { return driver.Visible("Main", "?ITEM1"); }, "Preuzmi stari program shown");
    driver.Press("Main", "?ITEM1");
    driver.WaitForWindow("PreuzmiStariProgram");
    EXPECT_FALSE(driver.Visible("Main", "?ITEM1"));
    driver.Press("PreuzmiStariProgram", "?CANCEL");
    driver.WaitClosed("PreuzmiStariProgram");

    driver.Press("Main", "?ITEM2");
    EXPECT_EQ(driver.Answer("Ne"), "Želite li preuzeti poslednju verziju programa ?");
    driver.Press("Main", "?EXIT");
    driver.WaitForThreads();
}

// Exit while another thread waits on its question: the question closes as the user's
// closing it would (its default answer), that thread ends, and so does the program.
TEST_F(MainGui, ExitWhileAnotherThreadsQuestionIsOpenEndsTheProgram) {
    const int frame = OpenFrame("Alfa");
    driver.WaitForWindow("BrivantSplash");
    rt::ui::rtl_post(Event::Accepted, 0, frame);
    driver.WaitClosed("BrivantSplash");
    driver.Press("Main", "?ITEM2");
    EXPECT_EQ(driver.MessageText(), "Želite li preuzeti poslednju verziju programa ?");
    driver.Press("Main", "?EXIT");
    driver.WaitForThreads();
    EXPECT_FALSE(driver.MessageOpen());
    EXPECT_EQ(driver.Server().FindWindow("Main"), nullptr);
}

TEST_F(MainGui, AFirmWithoutAFirstLineLeavesTheNameOutOfTheCaption) {
    OpenFrame("Beta");
    const std::string caption =
        "KVADRIN 1.0.2 -  (2024)" + std::string(10, ' ') + "(localdb)\\kv - BETA_2024";
    driver.WaitUntil([&] { return driver.Caption("Main") == caption; }, "the caption without a firm name");
    driver.Press("Main", "?EXIT");
    driver.WaitForThreads();
}

TEST_F(MainGui, ACancelledLoginOpensNoFrame) {
    WriteLoginIni("(localdb)\\kv", "korisnik", "Alfa");
    std::atomic<bool> returned{false};
    driver.Start([&] {
        Main();
        returned = true;
    });
    driver.WaitForWindow("MSSQLLogMulti");
    driver.Press("MSSQLLogMulti", "?CANCEL");
    driver.WaitForThreads();
    EXPECT_TRUE(returned);
    EXPECT_EQ(driver.Server().FindWindow("Main"), nullptr);
}

class SplashGui : public GuiTest {
protected:
    void TearDown() override {
        GuiTest::TearDown();
        SplashTimer = 300;
    }
};

TEST_F(SplashGui, WithoutInputTheSplashClosesByItsTimer) {
    driver.Start([] { BrivantSplash(); });
    driver.WaitForWindow("BrivantSplash");
    driver.Snapshot("BrivantSplash", "splash.png");
    driver.WaitClosed("BrivantSplash");
}

// Without its timer only the input closes the splash.
TEST_F(SplashGui, AClickClosesTheSplash) {
    SplashTimer = 0;
    const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::RightButton};
    for (Qt::MouseButton button : buttons) {
        driver.Start([] { BrivantSplash(); });
        rt::qt::QtWindow& splash = driver.WaitForWindow("BrivantSplash");
        QTest::mouseClick(splash.top(), button, {}, QPoint(20, 20));
        driver.WaitClosed("BrivantSplash");
        driver.WaitForThreads();
    }
}

}  // namespace
}  // namespace kvtest

namespace kvtest {
namespace {

TEST_F(MainGui, TheToolbarShowsTheButtonsTheWindowInUseOffers) {
    g_probe_target = true;
    const int frame = OpenFrame("Alfa");
    driver.WaitForWindow("BrivantSplash");
    rt::ui::rtl_post(Event::Accepted, 0, frame);
    driver.WaitClosed("BrivantSplash");
    for (const char* b : {"?TOOLBAR:INSERT", "?TOOLBAR:DOWN", "?TOOLBAR:DELETE"})
        EXPECT_FALSE(driver.Enabled("Main", b));

    driver.Press("Main", "?OBRACUNI");
    driver.WaitForWindow("Probe");
    driver.WaitUntil([&] { return driver.Enabled("Main", "?TOOLBAR:INSERT"); },
                     "Insert offered by the window");
    EXPECT_TRUE(driver.Enabled("Main", "?TOOLBAR:DOWN"));
    EXPECT_FALSE(driver.Enabled("Main", "?TOOLBAR:DELETE"));
    EXPECT_FALSE(driver.Enabled("Main", "?TOOLBAR:HISTORY"));

    // Once the window is gone the frame's own state (all disabled) is back.
    driver.Press("Probe", "?OK");
    driver.WaitClosed("Probe");
    driver.WaitUntil([&] { return !driver.Enabled("Main", "?TOOLBAR:INSERT"); }, "Insert disabled again");
    EXPECT_FALSE(driver.Enabled("Main", "?TOOLBAR:DOWN"));
    g_probe_target = false;
    driver.Press("Main", "?EXIT");
    driver.WaitForThreads();
}

}  // namespace
}  // namespace kvtest
