// Window input through the handle chain, the drawing layer, queued key presses and the
// window's placement.
#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QScrollBar>
#include <QTreeView>
#include <QWheelEvent>

#include "platform/qt/gui_server.h"
#include "platform/qt/qt_window.h"
#include "platform/ui/wndproc.h"
#include "tests/qt/small_window.h"

namespace kvtest {
namespace {

using namespace rt::ui;

std::atomic<bool> g_swallow_close{true};
std::atomic<int> g_closes{0};
std::atomic<WParam> g_wheel{0};
std::atomic<WindowProc> g_previous_window{nullptr}, g_previous_list{nullptr};

LResult WindowHook(Handle h, std::uint32_t message, WParam wparam, LParam lparam) {
    if (message == WM_CLOSE) {
        ++g_closes;
        if (g_swallow_close) return 0;
    }
    return CallWindowProc(g_previous_window, h, message, wparam, lparam);
}

LResult ListHook(Handle h, std::uint32_t message, WParam wparam, LParam lparam) {
    if (message == WM_MOUSEWHEEL) {
        g_wheel = wparam;
        return 0;
    }
    return CallWindowProc(g_previous_list, h, message, wparam, lparam);
}

void Wheel(QWidget* target, Qt::KeyboardModifiers modifiers, int delta) {
    QPointF at(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent ev(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &ev);
}

TEST_F(GuiTest, CloseBoxAndCtrlWheelGoThroughTheHandleChainFirst) {
    g_swallow_close = true;  // as each run of the test begins
    g_closes = 0;
    g_wheel = 0;
    SmallWindow s("Hooked");
    s.on_open = [](Window& w) {
        g_previous_window = SetWindowProc(WindowHandle(w.id()), &WindowHook);
        g_previous_list = SetWindowProc(ControlHandle(w.id(), w.Feq("?LIST")), &ListHook);
    };
    driver.Start([&] { s.Run(); });
    rt::qt::QtWindow& w = driver.WaitForWindow("Hooked");
    const int ping = static_cast<int>(SmallDef().controls.size());  // ?PING is declared last

    // The chain keeps the close box's message: the procedure hears nothing of it.
    w.top()->close();
    driver.Press("Hooked", "?PING");
    driver.WaitUntil([&] { return s.log.Has(Event::Accepted, ping); }, "the ping after the close box");
    EXPECT_EQ(g_closes, 1);
    EXPECT_FALSE(s.log.Has(Event::CloseWindow, 0));

    auto* list = qobject_cast<QTreeView*>(driver.Widget("Hooked", "?LIST"));
    ASSERT_NE(list, nullptr);
    Wheel(list->viewport(), Qt::ControlModifier, 120);
    EXPECT_EQ(g_wheel, WheelWParam(MK_CONTROL, 120));
    EXPECT_EQ(list->verticalScrollBar()->value(), 0) << "the chain kept the turn from the list";
    g_wheel = 0;
    Wheel(list->viewport(), Qt::NoModifier, -120);
    EXPECT_EQ(g_wheel, 0u);
    EXPECT_GT(list->verticalScrollBar()->value(), 0) << "a plain turn scrolls the list";

    // Passed on, the close box closes the window as the procedure decides.
    g_swallow_close = false;
    w.top()->close();
    driver.WaitClosed("Hooked");
    EXPECT_TRUE(s.log.Has(Event::CloseWindow, 0));
}

std::atomic<int> g_queries{0}, g_ends{0};
std::atomic<LResult> g_query_answer{1};
std::atomic<WindowProc> g_previous_session{nullptr};

LResult SessionHook(Handle h, std::uint32_t message, WParam wparam, LParam lparam) {
    if (message == WM_QUERYENDSESSION) {
        ++g_queries;
        return g_query_answer;
    }
    if (message == WM_ENDSESSION && wparam != 0) ++g_ends;
    return CallWindowProc(g_previous_session, h, message, wparam, lparam);
}

TEST_F(GuiTest, SessionEndAsksTheTopLevelWindowsThroughTheirChains) {
    g_queries = 0;  // as each run of the test begins
    g_ends = 0;
    SmallWindow s("Session"), plain("Unhooked");
    s.on_open = [](Window& w) { g_previous_session = SetWindowProc(WindowHandle(w.id()), &SessionHook); };
    driver.Start([&] { s.Run(); });
    driver.Start([&] { plain.Run(); });
    driver.WaitForWindow("Session");
    driver.WaitForWindow("Unhooked");
    rt::qt::GuiServer& server = driver.Server();

    g_query_answer = 0;
    EXPECT_FALSE(server.SessionMayEnd());
    g_query_answer = 1;
    EXPECT_TRUE(server.SessionMayEnd());
    EXPECT_EQ(g_queries, 2);
    server.SessionEnds();
    EXPECT_EQ(g_ends, 1);
    // Neither message closes a window.
    EXPECT_NE(server.FindWindow("Session"), nullptr);
    driver.Press("Session", "?OK");
    driver.Press("Unhooked", "?OK");
    driver.WaitClosed("Session");
    driver.WaitClosed("Unhooked");
}

TEST_F(GuiTest, DrawingLayerLiesBeneathTheControls) {
    SmallWindow s("Drawn");
    driver.Start([&] { s.Run(); });
    rt::qt::QtWindow& w = driver.WaitForWindow("Drawn");
    driver.Press("Drawn", "?DRAW");
    driver.WaitUntil([&] { return w.drawing().size() == 1; }, "the box in the drawing layer");
    QImage image = w.client()->grab().toImage();
    // The box (4,4)-(112,23) is filled red around the entry (8,8)-(108,19), which stays white.
    QColor margin = image.pixelColor(w.PxX(6), w.PxY(14));
    EXPECT_EQ(margin, QColor(255, 0, 0));
    QColor entry = image.pixelColor(w.PxX(60), w.PxY(14));
    EXPECT_EQ(entry, QColor(255, 255, 255));
    driver.Snapshot("Drawn", "drawing_layer.png");
    driver.Press("Drawn", "?OK");
    driver.WaitClosed("Drawn");
}

TEST_F(GuiTest, AQueuedTabMovesTheFocusToTheNextControl) {
    SmallWindow s("Pressing");
    driver.Start([&] { s.Run(); });
    driver.WaitForWindow("Pressing");
    driver.Press("Pressing", "?PRESS");
    driver.WaitUntil([&] { return driver.Focused("Pressing") == "?LOC:OTHER"; }, "the focus after Tab");
    driver.Press("Pressing", "?OK");
    driver.WaitClosed("Pressing");
}

TEST_F(GuiTest, ChangesOfTheProcedureReachTheWidgets) {
    SmallWindow s("Changing");
    s.on_ping = [](Window& w) {
        w.SetText(0, Prop::Text, rt::utf8_to_cp1250("Novi naslov č"));
        w.Hide(w.Feq("?LOC:OTHER"));
        w.Disable(w.Feq("?ASK"));
        w.SetText(w.Feq("?LOC:TEXT"), Prop::Text, "zadato");
        w.SetRows(w.Feq("?LIST"), {{"x"}, {"y"}, {"z"}});
        w.Set(w.Feq("?LIST"), Prop::Selected, 3);
        w.Set(w.Feq("?OK"), Prop::FontStyle, 700);
        w.SetWaitCursor(true);
    };
    driver.Start([&] { s.Run(); });
    rt::qt::QtWindow& w = driver.WaitForWindow("Changing");
    EXPECT_TRUE(driver.Visible("Changing", "?LOC:OTHER"));
    driver.Press("Changing", "?PING");
    driver.WaitUntil([&] { return driver.Caption("Changing") == "Novi naslov č"; }, "the new caption");
    EXPECT_FALSE(driver.Visible("Changing", "?LOC:OTHER"));
    EXPECT_FALSE(driver.Enabled("Changing", "?ASK"));
    EXPECT_TRUE(driver.Enabled("Changing", "?OK"));
    EXPECT_EQ(driver.Text("Changing", "?LOC:TEXT"), "zadato");
    EXPECT_EQ(driver.RowCount("Changing", "?LIST"), 3);
    EXPECT_EQ(driver.Text("Changing", "?LIST"), "z");
    EXPECT_TRUE(driver.Widget("Changing", "?OK")->font().bold());
    EXPECT_EQ(w.top()->cursor().shape(), Qt::WaitCursor);
    // Set by the procedure, the list's selection is no input of the user.
    EXPECT_FALSE(s.log.Has(Event::NewSelection, 3));
    driver.Press("Changing", "?OK");
    driver.WaitClosed("Changing");
}

TEST_F(GuiTest, MovingAndResizingReportThePlacementInDialogUnits) {
    SmallWindow s("Sizing");
    driver.Start([&] { s.Run(); });
    rt::qt::QtWindow& w = driver.WaitForWindow("Sizing");
    EXPECT_EQ(w.client()->width(), w.PxX(200));
    EXPECT_EQ(w.client()->height(), w.PxY(130));
    w.top()->resize(w.PxX(240), w.PxY(150));
    driver.WaitUntil([&] { return s.log.Has(Event::Sized, 0); }, "Sized");
    driver.WaitUntil([&] { return s.Size() == std::pair<long, long>(240, 150); }, "the runtime's new size");
    QRect area = w.top()->screen()->availableGeometry();
    w.top()->move(area.topLeft() + QPoint(w.PxX(30), w.PxY(20)));
    driver.WaitUntil([&] { return s.Position() == std::pair<long, long>(30, 20); },
                     "the runtime's new position");
    EXPECT_TRUE(s.log.Has(Event::Moved, 0));
    w.top()->showMaximized();
    driver.WaitUntil([&] { return s.log.Has(Event::Maximized, 0); }, "Maximized");
    driver.Press("Sizing", "?OK");
    driver.WaitClosed("Sizing");
}

}  // namespace
}  // namespace kvtest
