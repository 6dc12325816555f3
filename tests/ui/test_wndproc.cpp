// Handles and the window-procedure chain the back end feeds with native-style input.
#include <gtest/gtest.h>

#include <set>

#include "platform/core/process.h"
#include "platform/ui/window.h"
#include "platform/ui/wndproc.h"

namespace {

using namespace rt::ui;

WindowDef with_lists() {
    WindowDef d;
    d.name = "P1$QUICKWINDOW";
    for (int kind : {Ctl::List, Ctl::Entry, Ctl::List}) {
        ControlDef c;
        c.kind = kind;
        d.controls.push_back(c);
    }
    return d;
}

WindowProc g_previous = nullptr;
int g_wheels = 0;

// Swallows Ctrl+wheel turns, passes everything else on.
LResult CtrlWheel(Handle h, std::uint32_t msg, WParam wp, LParam lp) {
    if (msg == WM_MOUSEWHEEL && (wp & MK_CONTROL)) {
        g_wheels += static_cast<std::int16_t>(wp >> 16);
        return 0;
    }
    return CallWindowProc(g_previous, h, msg, wp, lp);
}

LResult AnswerOne(Handle, std::uint32_t, WParam, LParam) { return 1; }

TEST(WindowProcedures, WindowsAndListsHaveUniqueHandlesThatAreNeverReused) {
    rt::set_thread_number(1);
    static const WindowDef def = with_lists();
    std::set<Handle> all;
    WindowId first = 0;
    for (int round = 0; round < 2; ++round) {
        Window w(def);
        if (!first) first = w.id();
        Handle hs[] = {WindowHandle(w.id()), ClientHandle(w.id()), ControlHandle(w.id(), 1),
                       ControlHandle(w.id(), 3)};
        for (Handle h : hs) {
            EXPECT_NE(h, 0u);
            EXPECT_TRUE(all.insert(h).second);
            EXPECT_EQ(GetWindowProc(h), &DefaultWindowProc);
        }
        EXPECT_EQ(ControlHandle(w.id(), 2), 0u);  // an entry has none
        auto info = DescribeHandle(hs[2]);
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->window, w.id());
        EXPECT_EQ(info->feq, 1);
        EXPECT_EQ(info->thread, 1);
        EXPECT_TRUE(DescribeHandle(hs[1])->client);
    }
    EXPECT_EQ(WindowHandle(first), 0u);  // gone with its window
    for (Handle h : all) {
        EXPECT_EQ(GetWindowProc(h), nullptr);
        EXPECT_EQ(SetWindowProc(h, &AnswerOne), nullptr);
    }
}

TEST(WindowProcedures, TheChainDecidesWhetherTheWidgetGetsTheInput) {
    static const WindowDef def = with_lists();
    Window w(def);
    Handle list = ControlHandle(w.id(), 1);
    bool pass = false;
    EXPECT_EQ(DispatchNative(list, WM_MOUSEWHEEL, WheelWParam(MK_CONTROL, 120), 0, &pass), kDefaultHandling);
    EXPECT_TRUE(pass);

    g_previous = SetWindowProc(list, &CtrlWheel);
    EXPECT_EQ(g_previous, &DefaultWindowProc);
    g_wheels = 0;
    struct Case {
        std::uint32_t msg;
        WParam wp;
        bool widget;
    };
    const Case cases[] = {
        {WM_MOUSEWHEEL, WheelWParam(MK_CONTROL, 120), false},
        {WM_MOUSEWHEEL, WheelWParam(MK_CONTROL, -240), false},
        {WM_MOUSEWHEEL, WheelWParam(0, 120), true},  // without Ctrl: passed on to the default
        {WM_LBUTTONDOWN, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.msg);
        DispatchNative(list, c.msg, c.wp, 0, &pass);
        EXPECT_EQ(pass, c.widget);
    }
    EXPECT_EQ(g_wheels, -120);
    // The window's own handle is not affected.
    DispatchNative(WindowHandle(w.id()), WM_MOUSEWHEEL, WheelWParam(MK_CONTROL, 120), 0, &pass);
    EXPECT_TRUE(pass);

    EXPECT_EQ(SetWindowProc(list, g_previous), &CtrlWheel);
    DispatchNative(list, WM_MOUSEWHEEL, WheelWParam(MK_CONTROL, 120), 0, &pass);
    EXPECT_TRUE(pass);
    EXPECT_EQ(CallWindowProc(nullptr, list, WM_CLOSE, 0, 0), 0);
}

}  // namespace
