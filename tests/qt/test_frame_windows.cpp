// The frame after the login with the registers the menu opens: the Window menu's Cascade
// and Tile, the close box of a child that is not the active one, the Help menu's
// separator, and the splash window without caption or frame.
#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QtTest/QTest>

#include "billing/kvd004_browse_obaveze.h"
#include "billing/kvd005_browse_obracuni.h"
#include "billing/kvd028_browse_klauzul.h"
#include "platform/qt/qt_window.h"
#include "platform/ui/events.h"
#include "shell/kvd001_main.h"
#include "tests/qt/test_login_fixture.h"

using namespace kvadrin;
namespace Event = rt::ui::Event;

namespace kvtest {
namespace {

class FrameWindowsGui : public LoginFixture {
protected:
    void SetUp() override {
        LoginFixture::SetUp();
        WriteFirms({Firm("Alfa", "(localdb)\\kv", "ALFA", "Alfa d.o.o.")});
        for (const char* database : {"ALFA_2024", "VERZIJE"}) MakeDatabase(database);
    }
    // Main through the login up to its open frame, the splash closed by the first menu
    // event; returns the frame.
    rt::qt::QtWindow& OpenFrame() {
        WriteLoginIni("(localdb)\\kv", "korisnik", "Alfa");
        frame_thread_ = driver.Start([] { Main(); });
        driver.WaitForWindow("MSSQLLogMulti");
        driver.WaitUntil([&] { return driver.Text("MSSQLLogMulti", "?MSBASE") != ""; }, "the firm proposed");
        driver.Press("MSSQLLogMulti", "?OK");
        rt::qt::QtWindow& frame = driver.WaitForWindow("Main");
        driver.WaitForWindow("BrivantSplash");
        rt::ui::rtl_post(Event::Accepted, 0, frame_thread_);
        driver.WaitClosed("BrivantSplash");
        return frame;
    }
    // A register from the menu, once its list shows.
    rt::qt::QtWindow& Open(const char* item, const char* procedure) {
        driver.Press("Main", item);
        rt::qt::QtWindow& w = driver.WaitForWindow(procedure);
        // Its procedure has opened it, its focus where it put it: the focus marks show.
        driver.WaitUntil([&] { return driver.Focused(procedure) == "?BROWSE:1" && !w.drawing().empty(); },
                         std::string(procedure) + " open");
        return w;
    }
    static QMdiSubWindow* Sub(rt::qt::QtWindow& w) { return qobject_cast<QMdiSubWindow*>(w.top()); }
    // The frame's area inside its border (scroll bars show only while a child lies beyond it).
    static QRect Area(rt::qt::QtWindow& frame) {
        return QRect(QPoint(0, 0), frame.mdi_area()->contentsRect().size());
    }
    void Exit() {
        driver.Press("Main", "?EXIT");
        driver.WaitForThreads();
    }
    int frame_thread_ = 0;
};

// The title bar's close button of a child, in the child's own coordinates.
QPoint CloseBox(QMdiSubWindow& s) {
    QStyleOptionTitleBar opt;
    opt.initFrom(&s);
    opt.subControls = QStyle::SC_All;
    opt.titleBarFlags = s.windowFlags();
    opt.titleBarState = s.windowState();
    const int border = s.style()->styleHint(QStyle::SH_TitleBar_NoBorder, &opt, &s) ? 0 : 4;
    const int height = s.style()->pixelMetric(QStyle::PM_TitleBarHeight, &opt, &s) - border;
    opt.rect = QRect(border, border, s.width() - 2 * border, height);
    return s.style()->subControlRect(QStyle::CC_TitleBar, &opt, QStyle::SC_TitleBarCloseButton, &s).center();
}

// The child whose title bar shows at a point of the area (the topmost there).
QMdiSubWindow* ShownAt(QMdiArea& area, QPoint at) {
    const QList<QMdiSubWindow*> stacked = area.subWindowList(QMdiArea::StackingOrder);
    for (auto it = stacked.rbegin(); it != stacked.rend(); ++it)
        if ((*it)->geometry().contains(at)) return *it;
    return nullptr;
}

struct Child {
    rt::qt::QtWindow* window;
    const rt::ui::WindowDef* def;
};

TEST_F(FrameWindowsGui, CascadeKeepsEachChildsSizeOneTitleBarApartAndTileKeepsThemInside) {
    rt::qt::QtWindow& frame = OpenFrame();
    const Child children[] = {
        {&Open("?MATICNIPODACIUSLUGE", "BrowseObaveze"), &BrowseObavezeWindow()},
        {&Open("?MATICNIPODACIKLAUZULE", "BrowseKlauzul"), &BrowseKlauzulWindow()},
        {&Open("?OBRACUNI", "BrowseObracuni"), &BrowseObracuniWindow()},
    };
    std::map<QMdiSubWindow*, QSize> sizes;
    for (const Child& c : children) {
        ASSERT_NE(Sub(*c.window), nullptr) << c.window->procedure();
        sizes[Sub(*c.window)] = Sub(*c.window)->size();
    }
    const QRect area = Area(frame);

    // Bottom to top as they lie before the cascade.
    const QList<QMdiSubWindow*> stacked = frame.mdi_area()->subWindowList(QMdiArea::StackingOrder);
    driver.Press("Main", "?CASCADE");
    driver.Pump();
    ASSERT_EQ(stacked.size(), 3);
    QStyleOptionTitleBar title;
    title.initFrom(stacked.front());
    const int step =
        stacked.front()->style()->pixelMetric(QStyle::PM_TitleBarHeight, &title, stacked.front());
    for (int k = 0; k < stacked.size(); ++k) {
        QMdiSubWindow* s = stacked[k];
        SCOPED_TRACE(s->windowTitle().toStdString());
        // Where it was, bounded by the area: never a title bar alone.
        EXPECT_EQ(s->size(), sizes[s].boundedTo(area.size()));
        EXPECT_EQ(s->pos(), QPoint(k * step, k * step));
        EXPECT_TRUE(area.contains(s->geometry())) << "inside the area";
    }
    driver.Snapshot("Main", "frame_cascade.png");

    driver.Press("Main", "?TILE");
    // The procedures hear of their new sizes and lay their controls out; once each has
    // done so and the frame has taken what they sent back, nothing has moved back.
    driver.WaitUntil(
        [&] {
            for (const Child& c : children)
                if (!rt::ui::ThreadIdle(c.window->thread())) return false;
            return true;
        },
        "the registers laid out");
    driver.Pump();
    for (const Child& c : children) {
        QMdiSubWindow* s = Sub(*c.window);
        SCOPED_TRACE(c.window->procedure());
        // Inside the area, and its close box shows.
        EXPECT_TRUE(area.contains(s->geometry())) << "inside the area";
        EXPECT_EQ(ShownAt(*frame.mdi_area(), s->pos() + CloseBox(*s)), s) << "its close box covered";
        // At least its resource's size: every column of its list shows.
        EXPECT_GE(c.window->client()->width(), c.window->PxX(c.def->w));
        EXPECT_GE(c.window->client()->height(), c.window->PxY(c.def->h));
    }
    driver.Snapshot("Main", "frame_tile.png");
    Exit();
}

TEST_F(FrameWindowsGui, OneClickOnTheCloseBoxOfAChildNotInUseClosesIt) {
    rt::qt::QtWindow& frame = OpenFrame();
    rt::qt::QtWindow& services = Open("?MATICNIPODACIUSLUGE", "BrowseObaveze");
    Open("?MATICNIPODACIKLAUZULE", "BrowseKlauzul");
    driver.Press("Main", "?TILE");
    driver.Pump();
    QMdiSubWindow* sub = Sub(services);
    ASSERT_NE(frame.mdi_area()->activeSubWindow(), sub);
    // As the pointer reaches the box and clicks it.
    const QPoint box = CloseBox(*sub);
    QTest::mouseMove(sub, box);
    QTest::mouseClick(sub, Qt::LeftButton, {}, box);
    driver.WaitClosed("BrowseObaveze");
    Exit();
}

TEST_F(FrameWindowsGui, TheHelpMenuShowsItsSeparatorBeforeContents) {
    OpenFrame();
    auto* help = qobject_cast<QMenu*>(driver.Widget("Main", "?HELPMENU"));
    ASSERT_NE(help, nullptr);
    QAction *separator = nullptr, *contents = nullptr;
    for (QAction* a : help->actions()) {
        if (a->objectName() == "?SEPARATOR2") separator = a;
        if (a->objectName() == "?HELPINDEX") contents = a;
    }
    ASSERT_NE(separator, nullptr);
    ASSERT_NE(contents, nullptr);
    EXPECT_FALSE(driver.Visible("Main", "?ITEM1")) << "Preuzmi stari program is hidden until Ctrl+P";
    help->popup(QPoint(0, 0));
    driver.Pump();
    // Drawn as a line of its own above Contents, the hidden item above it or not.
    EXPECT_FALSE(help->actionGeometry(separator).isEmpty());
    EXPECT_LT(help->actionGeometry(separator).top(), help->actionGeometry(contents).top());
    help->hide();
    Exit();
}

TEST_F(FrameWindowsGui, TheSplashHasNeitherCaptionNorFrame) {
    WriteLoginIni("(localdb)\\kv", "korisnik", "Alfa");
    frame_thread_ = driver.Start([] { Main(); });
    driver.WaitForWindow("MSSQLLogMulti");
    driver.WaitUntil([&] { return driver.Text("MSSQLLogMulti", "?MSBASE") != ""; }, "the firm proposed");
    driver.Press("MSSQLLogMulti", "?OK");
    rt::qt::QtWindow& splash = driver.WaitForWindow("BrivantSplash");
    const Qt::WindowFlags flags = splash.top()->windowFlags();
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    EXPECT_FALSE(flags & Qt::WindowTitleHint);
    EXPECT_FALSE(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint));
    EXPECT_TRUE(splash.top()->windowTitle().isEmpty());
    rt::ui::rtl_post(Event::Accepted, 0, frame_thread_);
    driver.WaitClosed("BrivantSplash");
    Exit();
}

}  // namespace
}  // namespace kvtest
