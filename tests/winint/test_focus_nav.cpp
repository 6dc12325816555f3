// Focus marks and Enter-key navigation on a window of the runtime.
#include <gtest/gtest.h>

#include "platform/core/process.h"
#include "platform/ui/backend.h"
#include "platform/ui/window.h"
#include "tests/ui/fake_backend.h"
#include "winint/enter_nav.h"
#include "winint/focus.h"

namespace {

using namespace rt::ui;

ControlDef Make(int kind, const char* label, int x, int y, std::uint32_t attrs = 0) {
    ControlDef c;
    c.kind = kind;
    c.label = label;
    c.x = x;
    c.y = y;
    c.w = 50;
    c.h = 10;
    c.attrs = attrs;
    return c;
}

WindowDef Kinds() {
    WindowDef d;
    d.name = "P1$KINDS";
    d.w = 200;
    d.h = 200;
    d.controls = {Make(Ctl::Entry, "?E", 20, 10),
                  Make(Ctl::Entry, "?REQ", 20, 25, kReq),
                  Make(Ctl::List, "?L", 20, 40),
                  Make(Ctl::Button, "?B", 20, 55),
                  Make(Ctl::Text, "?T1", 20, 70),
                  Make(Ctl::Text, "?TM", 20, 85, kMultiline),
                  Make(Ctl::Rtf, "?R", 20, 100, kMultiline),
                  Make(Ctl::Spin, "?S", 20, 115),
                  Make(Ctl::Combo, "?C", 20, 130),
                  Make(Ctl::Radio, "?RA", 20, 145),
                  Make(Ctl::Check, "?CH", 20, 160),
                  Make(Ctl::Prompt, "?P", 20, 175),
                  Make(Ctl::Button, "?OK", 100, 175)};
    return d;
}

class FocusNav : public ::testing::Test {
protected:
    void SetUp() override {
        rt::set_thread_number(1);
        window.Open();
        Drain();
    }
    void Drain() {
        window.Post(0x4FF);
        while (window.Accept() && window.event() != 0x4FF) {}
    }
    // The keys the window pressed since the last look.
    std::vector<int> Pressed() {
        Drain();
        std::lock_guard lock(backend.mutex);
        std::vector<int> keys;
        for (const WindowState& s : backend.synced)
            keys.insert(keys.end(), s.pressed_keys.begin(), s.pressed_keys.end());
        backend.synced.clear();
        return keys;
    }
    // Delivers an alert key of a control and lets the navigation see it.
    int Alert(int feq, int key) {
        InputEvent ev;
        ev.event = Event::AlertKey;
        ev.feq = feq;
        ev.keycode = key;
        Deliver(window.id(), ev);
        while (window.Accept() && window.event() != Event::AlertKey) {}
        return nav.EnterKeyNav_OnEvent(window);
    }
    int F(const char* label) const { return window.Feq(label); }

    test::FakeBackend backend;
    const WindowDef def = Kinds();
    Window window{def};
    EnterKeyNav nav;
    FocusHighlighter marks;
};

TEST_F(FocusNav, AlertKeysByControlKindAndWhatTheyPress) {
    nav.EnterKeyNav_Setup();
    nav.EnterKeyNav_AddControl(static_cast<std::uint16_t>(F("?OK")));
    nav.EnterKeyNav_AddControl(static_cast<std::uint16_t>(F("?OK")));
    EXPECT_EQ(nav.EXCLUDEDCONTROL->size(), 1u);
    EXPECT_EQ(Alert(F("?E"), Key::Enter), 0) << "nothing before the keys are declared";
    nav.EnterKeyNav_DeclareAlertKeys(window);
    Drain();

    // Enter 0Dh, Left 25h, Up 26h, Right 27h, Down 28h: which of them each kind alerts.
    struct Case {
        const char* label;
        std::vector<int> alerted;
    } cases[] = {
        {"?E", {Key::Down, Key::Enter, Key::Up}},
        {"?L", {Key::Enter, Key::Right, Key::Left}},
        {"?B", {Key::Up, Key::Down, Key::Right, Key::Left}},
        {"?T1", {Key::Down, Key::Enter, Key::Up}},
        {"?TM", {Key::Enter}},
        {"?R", {Key::Enter}},
        {"?S", {Key::Enter}},
        {"?C", {Key::Enter}},
        {"?RA", {Key::Enter}},
        {"?CH", {Key::Enter, Key::Up, Key::Down, Key::Right, Key::Left}},
        {"?P", {}},
        {"?OK", {}},
    };
    std::optional<WindowState> open = backend.WaitForOpen();
    ASSERT_TRUE(open.has_value());
    for (const Case& c : cases) {
        std::vector<int> keys;
        for (const WindowState& s : backend.synced)
            for (const ControlState& cs : s.controls)
                if (cs.feq == F(c.label)) keys = cs.alert_keys;
        std::sort(keys.begin(), keys.end());
        std::vector<int> want = c.alerted;
        std::sort(want.begin(), want.end());
        EXPECT_EQ(keys, want) << c.label;
    }
    Pressed();

    EXPECT_EQ(Alert(F("?E"), Key::Enter), 1);
    EXPECT_EQ(Pressed(), std::vector<int>{Key::Tab});
    EXPECT_EQ(Alert(F("?L"), Key::Right), 1);
    EXPECT_EQ(Alert(F("?CH"), Key::Down), 1);
    EXPECT_EQ(Pressed(), (std::vector<int>{Key::Tab, Key::Tab}));
    EXPECT_EQ(Alert(F("?B"), Key::Up), 1);
    EXPECT_EQ(Alert(F("?L"), Key::Left), 1);
    EXPECT_EQ(Pressed(), (std::vector<int>{Key::ShiftTab, Key::ShiftTab}));
    // Rich text and multi-line text take Enter as Shift+Enter and the Shift key.
    EXPECT_EQ(Alert(F("?R"), Key::Enter), 1);
    EXPECT_EQ(Alert(F("?TM"), Key::Enter), 1);
    EXPECT_EQ(Pressed(), (std::vector<int>{Key::ShiftEnter, 0x110, Key::ShiftEnter, 0x110}));
    // Other keys and the excluded controls go on to the window's own handling.
    EXPECT_EQ(Alert(F("?E"), Key::F2), 0);
    EXPECT_EQ(Alert(F("?OK"), Key::Enter), 0);
    EXPECT_TRUE(Pressed().empty());
    nav.EnterKeyNav_Teardown();
    EXPECT_EQ(nav.EXCLUDEDCONTROL, nullptr);
}

TEST_F(FocusNav, TheMarkedControlGetsItsColoursBackWhenTheFocusMoves) {
    marks.FocusHighlighter_Setup();
    marks.ConfigureStandard();
    EXPECT_EQ(marks.EXCLUDEDCONTROLTYPE->size(), 23u);
    window.Set(F("?E"), Prop::Background, 0x123456);
    window.Set(F("?E"), Prop::FontStyle, 400);

    marks.FocusHighlighter_Highlight(window, F("?E"));
    EXPECT_EQ(window.Get(F("?E"), Prop::Background), 0x00FFFF);
    EXPECT_EQ(window.Get(F("?E"), Prop::FontStyle), 700);
    EXPECT_EQ(marks.SCCOLOR, 0x123456);

    // To a button: colours and style back, nothing marked.
    marks.FocusHighlighter_Unhighlight(window);
    marks.FocusHighlighter_Highlight(window, F("?B"));
    EXPECT_EQ(window.Get(F("?E"), Prop::Background), 0x123456);
    EXPECT_EQ(window.Get(F("?E"), Prop::FontStyle), 400);
    EXPECT_EQ(marks.SCFIELD, 0);

    // A list keeps its colours.
    const long list_bg = window.Get(F("?L"), Prop::Background);
    marks.FocusHighlighter_Highlight(window, F("?L"));
    EXPECT_EQ(marks.SCFIELD, F("?L"));
    EXPECT_EQ(window.Get(F("?L"), Prop::Background), list_bg);
    marks.FocusHighlighter_Unhighlight(window);

    // A required entry: yellow too; hidden controls are not marked.
    marks.FocusHighlighter_Highlight(window, F("?REQ"));
    EXPECT_EQ(window.Get(F("?REQ"), Prop::Background), 0x00FFFF);
    marks.FocusHighlighter_Unhighlight(window);
    window.Hide(F("?S"));
    EXPECT_EQ(marks.FocusHighlighter_Qualifies(window, F("?S")), 0);
    EXPECT_EQ(marks.FocusHighlighter_Qualifies(window, F("?C")), 1);
    EXPECT_EQ(marks.FocusHighlighter_Qualifies(window, F("?P")), 0);
    EXPECT_EQ(marks.FocusHighlighter_Qualifies(window, 0), 0);
    marks.FocusHighlighter_Teardown();
}

}  // namespace
