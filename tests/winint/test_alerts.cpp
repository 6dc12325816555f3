// Window-message alerts on the handle chain and the end of the desktop session.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "platform/core/process.h"
#include "platform/ui/window.h"
#include "platform/ui/wndproc.h"
#include "tests/ui/fake_backend.h"
#include "tests/winint/winint_fixture.h"
#include "winint/alerts.h"
#include "winint/session.h"

namespace {

using namespace rt::ui;

WindowDef TwoLists() {
    WindowDef d;
    d.name = "P1$ALERTS";
    for (int kind : {Ctl::List, Ctl::Entry, Ctl::List}) {
        ControlDef c;
        c.kind = kind;
        c.w = 40;
        c.h = 20;
        d.controls.push_back(c);
    }
    return d;
}

int g_ok_calls = 0, g_end_calls = 0, g_last_flag = -1;
std::int32_t OkToEnd(std::int32_t logoff) {
    ++g_ok_calls;
    g_last_flag = logoff;
    return 1;
}
std::int32_t EndSession(std::int32_t logoff) {
    ++g_end_calls;
    g_last_flag = logoff;
    return 0;
}

constexpr int kSentinel = 0x4FF;

class Alerts : public kvtest::WinIntTest {
protected:
    void SetUp() override {
        WinIntTest::SetUp();
        rt::set_thread_number(1);
        backend_ = std::make_unique<test::FakeBackend>();
        window_ = std::make_unique<Window>(def_);
        window_->Open();
        Drain();
        old_ok_ = wl_SetOkToEndSessionHandler(&OkToEnd);
        old_end_ = wl_SetEndSessionHandler(&EndSession);
        g_ok_calls = g_end_calls = 0;
        g_last_flag = -1;
    }
    void TearDown() override {
        WlAlert(window_.get(), 0, 1, 0, 1, 1, 0);
        wl_SetOkToEndSessionHandler(old_ok_);
        wl_SetEndSessionHandler(old_end_);
        window_.reset();
        backend_.reset();
        WinIntTest::TearDown();
    }
    // The events posted to the window so far.
    std::vector<int> Drain() {
        rtl_post(kSentinel);
        std::vector<int> seen;
        while (window_->Accept()) {
            if (window_->event() == kSentinel) break;
            seen.push_back(window_->event());
        }
        return seen;
    }
    LResult Send(Handle h, std::uint32_t message, WParam wp, LParam lp, bool* pass) {
        return DispatchNative(h, message, wp, lp, pass);
    }
    Handle Win() const { return WindowHandle(window_->id()); }
    Handle Client() const { return ClientHandle(window_->id()); }
    Handle List(int feq) const { return ControlHandle(window_->id(), feq); }

    const WindowDef def_ = TwoLists();
    std::unique_ptr<test::FakeBackend> backend_;
    std::unique_ptr<Window> window_;
    WlSessionHandler old_ok_ = nullptr, old_end_ = nullptr;
};

TEST_F(Alerts, TheSessionAlertSubclassesTheWindowAndItsClientAreaOnce) {
    WlAlert(window_.get(), 17, 0, 0, 1, 0, 5);
    EXPECT_EQ(GetWindowProc(Win()), &WlAccept);
    EXPECT_EQ(GetWindowProc(Client()), &WlAccept);
    EXPECT_EQ(GetWindowProc(List(1)), &DefaultWindowProc);
    std::vector<AlertEntry> q = AlertQueue();
    ASSERT_EQ(q.size(), 2u);
    for (const AlertEntry& e : q) {
        EXPECT_EQ(e.message, 17);
        EXPECT_EQ(e.action, 5);
        EXPECT_EQ(e.returnto, &DefaultWindowProc);
        EXPECT_EQ(e.thread, 1);
        EXPECT_EQ(e.isclientarea, e.handel == Client() ? 1 : 0);
    }
    WlAlert(window_.get(), 17, 0, 0, 1, 0, 5);
    WlAlert(window_.get(), 17, 0, 0, 1, 1, 0);  // post and pass: action 6
    q = AlertQueue();
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0].action, 6);
    EXPECT_EQ(q[0].returnto, &DefaultWindowProc);  // not subclassed over itself
}

TEST_F(Alerts, CtrlWheelPostsItsDirectionAndIsNotPassedOn) {
    WlAlertMouseWheel(window_.get());
    for (Handle h : {Win(), Client(), List(1), List(3)}) EXPECT_EQ(GetWindowProc(h), &WlAccept);
    struct Case {
        WParam keys;
        int delta;
        bool passed;
        std::vector<int> posted;
    } cases[] = {
        {MK_CONTROL, 120, false, {kEventWheelForward}},
        {MK_CONTROL, -240, false, {kEventWheelBack}},
        {MK_CONTROL, 0, false, {}},
        {0, 120, true, {}},
    };
    for (Handle h : {List(1), Win()}) {
        for (const Case& c : cases) {
            bool pass = !c.passed;
            Send(h, WM_MOUSEWHEEL, WheelWParam(c.keys, c.delta), 0, &pass);
            EXPECT_EQ(pass, c.passed) << c.delta;
            EXPECT_EQ(Drain(), c.posted) << c.delta;
        }
    }
}

TEST_F(Alerts, TheSessionEndsWithTheApplicationsCallbacks) {
    WlAlertMouseWheel(window_.get());
    WlAlert(window_.get(), 17, 0, 0, 1, 0, 5);
    bool pass = true;
    EXPECT_EQ(Send(Win(), WM_QUERYENDSESSION, 0, 0, &pass), 1);
    EXPECT_FALSE(pass);
    EXPECT_EQ(g_ok_calls, 1);
    EXPECT_EQ(g_last_flag, 0);
    EXPECT_EQ(Drain(), std::vector<int>{kEventQueryEndSession});
    EXPECT_TRUE(HasLine("  It's going down... the ship's going down..... 1 thread: 1 wa:thread 1"));
    EXPECT_TRUE(HasLine("  Returning(1)...."));

    EXPECT_EQ(Send(Win(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, &pass), 1);
    EXPECT_EQ(g_last_flag, 1);
    Drain();

    // The end itself is not alerted: the end-session callback runs, nothing goes further.
    EXPECT_EQ(Send(Win(), WM_ENDSESSION, 1, ENDSESSION_LOGOFF, &pass), 0);
    EXPECT_FALSE(pass);
    EXPECT_EQ(g_end_calls, 1);
    EXPECT_EQ(g_last_flag, 1);
    // A cancelled end reaches the window's own procedure.
    Send(Win(), WM_ENDSESSION, 0, 0, &pass);
    EXPECT_TRUE(pass);
    EXPECT_EQ(g_end_calls, 1);
    EXPECT_TRUE(Drain().empty());
}

TEST_F(Alerts, AMessageAlertedForAnotherWindowPassesUnchanged) {
    Window other(def_);
    other.Open();
    WlAlert(&other, 17, 0, 0, 1, 0, 5);
    WlAlertMouseWheel(window_.get());
    bool pass = false;
    EXPECT_EQ(Send(Win(), WM_QUERYENDSESSION, 0, 0, &pass), kDefaultHandling);
    EXPECT_TRUE(pass);
    EXPECT_EQ(g_ok_calls, 0);
    WlAlert(&other, 0, 1, 0, 1, 1, 0);
}

TEST_F(Alerts, RuntimeEventsForCloseAndMouse) {
    WlAlert(window_.get(), WM_CLOSE, 0, 0, 1, 0, kWaPostRuntimeEvent);
    WlAlert(window_.get(), WM_LBUTTONDOWN, 0, WM_LBUTTONUP, 0, 0, kWaPostRuntimeEvent + kWaPassOn);
    bool pass = true;
    EXPECT_EQ(Send(Win(), WM_CLOSE, 0, 0, &pass), 0);
    EXPECT_FALSE(pass);
    Send(Win(), WM_LBUTTONDOWN, 0, 0, &pass);
    EXPECT_TRUE(pass);
    Send(Win(), WM_LBUTTONUP, 0, 0, &pass);
    EXPECT_EQ(Drain(), (std::vector<int>{513, 1, 10}));
    EXPECT_EQ(WlThreadWordB(), static_cast<int>(WM_LBUTTONUP));
}

TEST_F(Alerts, TeardownPutsThePreviousProceduresBackOnlyWithAnActiveWindow) {
    WlAlertMouseWheel(window_.get());
    WlAlert(window_.get(), 17, 0, 0, 1, 0, 5);
    const std::size_t entries = AlertQueue().size();
    ASSERT_EQ(entries, 6u);

    WlAlert(window_.get(), 0, 1, 0, 1, 0, 0);  // closing without postAndPass: nothing
    WlAlert(window_.get(), 0, 1, 0, 0, 1, 0);  // closing without singleMessage: nothing
    EXPECT_EQ(AlertQueue().size(), entries);

    std::thread without_window([&] {
        rt::set_thread_number(1);
        WlAlert(window_.get(), 0, 1, 0, 1, 1, 0);
    });
    without_window.join();
    EXPECT_EQ(AlertQueue().size(), entries);
    EXPECT_EQ(GetWindowProc(Win()), &WlAccept);

    WlAlert(window_.get(), 0, 1, 0, 1, 1, 0);
    EXPECT_TRUE(AlertQueue().empty());
    for (Handle h : {Win(), Client(), List(1), List(3)}) EXPECT_EQ(GetWindowProc(h), &DefaultWindowProc);
    const std::vector<std::int32_t> ma = AlertedMessages();
    EXPECT_NE(std::find(ma.begin(), ma.end(), 17), ma.end());
    EXPECT_NE(std::find(ma.begin(), ma.end(), 522), ma.end());
}

TEST_F(Alerts, TraceLinesOfTheSwitches) {
    CommandLine({"/debug", "/debugWlAlert", "/debugWaitRelease"});
    WlAlertMouseWheel(window_.get());
    EXPECT_TRUE(HasLine("WlAlert. Top. In: 522  Action: 48"));
    EXPECT_TRUE(HasLine("WlAlert. Alerting: 522 WE::WM_MOUSEWHEEL Action: 48"));
    EXPECT_TRUE(HasLine("WlAlert : Adding Alert: 522 Action: 48"));
    EXPECT_TRUE(HasLine("Wait/Release Check. WlAlert: Wait! Thread: 1"));
    EXPECT_TRUE(HasLine("Wait/Release Check. WlAlert: Release! Thread: 1"));
    bool pass = false;
    const WParam wp = WheelWParam(MK_CONTROL, 120);
    Send(List(1), WM_MOUSEWHEEL, wp, 7, &pass);
    EXPECT_TRUE(HasLine("Thread: 1 Windows Message: 522 WE::WM_MOUSEWHEEL p1=" + std::to_string(wp) +
                        " p2=7 handle=" + std::to_string(List(1))));
    EXPECT_TRUE(HasLine("Wait/Release Check. WlAccept(2): Wait! Thread: 1"));
    EXPECT_TRUE(HasLine("Found message 522 in ma Queue"));
    EXPECT_TRUE(HasLine("Found message 522 in wa Queue"));
    // A message the table does not know is named so and reported.
    Send(List(1), 4, 0, 0, &pass);
    EXPECT_TRUE(
        HasLine("Thread: 1 Windows Message: 4 [Unknown] p1=0 p2=0 handle=" + std::to_string(List(1))));
    EXPECT_TRUE(HasLine(" WlAccept error, WlAccept unknown message : 000004h 4, WlAccept"));
    Drain();
}

TEST_F(Alerts, SystemCommandsAndTheShutdownSwitches) {
    CommandLine({"/TovrelDebug", "/CheckshutDownStops"});
    WlAlert(window_.get(), WM_SYSCOMMAND, 0, 0, 1, 0, kWaPostLibraryEvent + kWaAnswerOne);
    WlAlert(window_.get(), 17, 0, 0, 1, 0, 5);
    bool pass = true;
    testing::internal::CaptureStderr();
    EXPECT_EQ(Send(Win(), WM_SYSCOMMAND, 0xF060, 0, &pass), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "WlAccept WE::WM_SYSCOMMAND\r\n");
    EXPECT_FALSE(pass);
    EXPECT_EQ(Drain(), std::vector<int>{6782});
    EXPECT_EQ(WlSysEvent(1), 0xF060);
    EXPECT_EQ(WlSysEvent(0), 0);

    Send(Win(), WM_QUERYENDSESSION, 0, 0, &pass);
    const std::string address = std::to_string(reinterpret_cast<std::intptr_t>(&EndSession));
    EXPECT_TRUE(HasLine("  ShowStop2 : " + address));
    EXPECT_TRUE(HasLine("fp_EndSessionHandler: " + address));
    Drain();
}

}  // namespace
