// Keeping windows on the visible desktop, over a desktop the test describes.
#include <gtest/gtest.h>

#include "platform/core/process.h"
#include "platform/ui/desktop.h"
#include "tests/ui/fake_backend.h"
#include "tests/winint/winint_fixture.h"
#include "winint/desktop.h"
#include "winint/errors.h"

namespace {

using namespace rt::ui;

// Pixels are the window's units; the outer rectangle adds a 4-pixel border and a
// 20-pixel caption.
class FakeDesktop : public DesktopQuery {
public:
    PixelRect screen{0, 0, 1000, 800};
    std::optional<PixelRect> work = PixelRect{0, 0, 1000, 760};
    PixelRect client{0, 0, 600, 400};
    int x = 0, y = 0, w = 100, h = 100;
    bool known = true;

    PixelRect VirtualScreen() override { return screen; }
    std::optional<PixelRect> WorkArea() override { return work; }
    std::optional<WindowPixels> Geometry(WindowId) override {
        if (!known) return std::nullopt;
        WindowPixels p;
        p.outer = {x, y, x + w + 8, y + h + 24};
        p.x = x;
        p.y = y;
        p.w = w;
        p.h = h;
        return p;
    }
    std::optional<PixelRect> ClientArea(WindowId) override { return client; }
    void ToUnits(WindowId, int&, int&, int&, int&) override {}
};

class Desktop : public kvtest::WinIntTest {
protected:
    void SetUp() override {
        WinIntTest::SetUp();
        rt::set_thread_number(1);
        SetDesktopQuery(&desk);
    }
    void TearDown() override {
        SetDesktopQuery(nullptr);
        WlResetFrameWindow();
        WinIntTest::TearDown();
    }
    struct Placed {
        long x, y, w, h;
        bool operator==(const Placed&) const = default;
    };
    // Runs the check on a window placed at the desk's geometry; its placement afterwards.
    Placed Check(const WindowDef& def, std::int32_t* result = nullptr) {
        Window window(def);
        window.Open();
        window.Set(0, Prop::Xpos, desk.x);
        window.Set(0, Prop::Ypos, desk.y);
        window.Set(0, Prop::Width, desk.w);
        window.Set(0, Prop::Height, desk.h);
        std::int32_t r = wl_VisibleOnDesktop(window);
        if (result) *result = r;
        Placed p{window.Get(0, Prop::Xpos), window.Get(0, Prop::Ypos), window.Get(0, Prop::Width),
                 window.Get(0, Prop::Height)};
        if (window.Accept() && window.event() == Event::OpenWindow) window.Post(0x4FF);
        sized = false;
        while (window.Accept() && window.event() != 0x4FF) {
            if (window.event() == Event::Sized) sized = true;
            if (window.event() == Event::OpenWindow) window.Post(0x4FF);
        }
        return p;
    }

    test::FakeBackend backend;
    FakeDesktop desk;
    bool sized = false;
};

TEST_F(Desktop, TopLevelWindowsAreMovedOntoTheVisibleArea) {
    WindowDef top;
    top.resizable = true;
    struct Case {
        const char* what;
        PixelRect screen;
        PixelRect work;
        int x, y;
        Placed after;
    } cases[] = {
        {"left of the screen", {0, 0, 1000, 800}, {0, 0, 1000, 760}, -300, 50, {0, 50, 100, 100}},
        {"inside", {0, 0, 1000, 800}, {0, 0, 1000, 760}, 200, 300, {200, 300, 100, 100}},
        {"in the taskbar strip", {0, 0, 1000, 800}, {0, 0, 1000, 760}, 400, 700, {400, 760 - 124, 100, 100}},
        {"beside the work area, its taskbar strip not counted",
         {0, 0, 3000, 800},
         {0, 0, 1000, 760},
         2500,
         700,
         {2500, 800 - 124, 100, 100}},
        {"on a second monitor", {0, 0, 2000, 800}, {0, 0, 1000, 760}, 1500, 100, {1000 - 108, 100, 100, 100}},
        {"a strip twice the work area's height",
         {0, -1600, 1000, 800},
         {0, 0, 1000, 760},
         10,
         -100,
         {10, -100, 100, 100}},
    };
    for (const Case& c : cases) {
        desk.screen = c.screen;
        desk.work = c.work;
        desk.x = c.x;
        desk.y = c.y;
        std::int32_t r = -1;
        EXPECT_EQ(Check(top, &r), c.after) << c.what;
        EXPECT_EQ(r, 0) << c.what;
    }
}

TEST_F(Desktop, AnUnreadableDesktopIsReportedAndChangesNothing) {
    WindowDef top;
    desk.x = -500;
    desk.known = false;
    std::int32_t r = 0;
    EXPECT_EQ(Check(top, &r).x, -500);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(WlErrorCode(), kWlErrVisibleOnDesktop);
    desk.known = true;
    desk.work.reset();
    EXPECT_EQ(Check(top, &r).x, -500);
    EXPECT_EQ(r, 1);
}

TEST_F(Desktop, FrameChildrenAreKeptInsideTheFrame) {
    WindowDef child;
    child.mdi = true;
    child.resizable = true;
    desk.x = -50;
    desk.y = -10;
    std::int32_t r = 0;
    // No frame registered: left where it is.
    EXPECT_EQ(Check(child, &r), (Placed{-50, -10, 100, 100}));
    EXPECT_EQ(r, 1);

    WindowDef frame_def;
    frame_def.frame = true;
    Window frame(frame_def);
    WlSetFrameWindow(&frame);
    Window other(child);
    WlSetFrameWindow(&other);  // a child is never the frame
    EXPECT_EQ(WlFrameWindow(), frame.id());

    EXPECT_EQ(Check(child, &r), (Placed{0, 0, 100, 100}));
    EXPECT_EQ(r, 0);
    EXPECT_FALSE(sized);

    // Wider than the room (600 less its 8-pixel frame): cut, and told to lay itself out.
    desk.w = 700;
    EXPECT_EQ(Check(child), (Placed{0, 0, 592, 100}));
    EXPECT_TRUE(sized);
    // Overflowing at the right: moved left, size kept.
    desk.w = 100;
    desk.x = 550;
    desk.y = 20;
    EXPECT_EQ(Check(child), (Placed{492, 20, 100, 100}));
    EXPECT_FALSE(sized);
    // Not resizable and too wide: at the left edge, its width kept.
    child.resizable = false;
    desk.w = 700;
    desk.x = 10;
    EXPECT_EQ(Check(child), (Placed{0, 20, 700, 100}));
}

}  // namespace
