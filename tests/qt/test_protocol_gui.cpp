// The window procedure protocol with real widgets: a dialog procedure on its own thread,
// driven by the test as a user would.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <cstdlib>

#include <QWidget>
#include <QWindow>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "data/program_objects.h"
#include "data/thread_data.h"
#include "platform/qt/qt_window.h"
#include "platform/ui/controller.h"
#include "shell/procedure.h"
#include "tests/driver/gui_fixture.h"

namespace fs = std::filesystem;
using namespace kvadrin;
namespace Ctl = rt::ui::Ctl;

namespace {

using rt::ui::MakeControl;

enum { kEntry = 2, kOk = 3, kCancel = 4 };

const rt::ui::WindowDef& Def() {
    static const rt::ui::WindowDef def = [] {
        rt::ui::WindowDef d;
        d.module = "KVD$PROTOKOL";
        d.name = "P1$WINDOW";
        d.caption = "Protokol";
        d.w = 200, d.h = 90;
        d.resizable = true;
        d.max_box = true;
        d.controls = {MakeControl(Ctl::Prompt, "?PROMPT", 6, 8, 40, 10, "&Naziv:"),
                      MakeControl(Ctl::Entry, "?NAZIV", 50, 8, 140, 10, ""),
                      MakeControl(Ctl::Button, "?OK", 96, 66, 45, 14, "&OK"),
                      MakeControl(Ctl::Button, "?CANCEL", 146, 66, 45, 14, "&Cancel")};
        d.controls[1].picture = "@s20";
        return d;
    }();
    return def;
}

std::atomic<bool> g_changed{false};
std::string g_naziv;

class Dialog : public ProcedureController {
public:
    using ProcedureController::ProcedureController;
    void RegisterButtons() override {
        AddDialogButton(kOk, RequestCompleted);
        AddDialogButton(kCancel, RequestCancelled);
        if (g_changed) CANCELACTION = 2;
    }

protected:
    bool RecordChanged() const override { return g_changed; }
};

void ProtokolDialog() {
    RunWindowProcedure(
        "ProtokolDialog", WindowKind::Dialog, Def(),
        [](rt::ui::Window& w) { w.Use(kEntry, rt::ui::Binding::OfText(&g_naziv)); },
        [](ProcedureObjects& p) { return std::make_unique<Dialog>(p); });
}

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class ProtocolGui : public kvtest::GuiTest {
protected:
    void SetUp() override {
        if (!MainModuleReady()) MainModuleInit();
        ProgramErrors.Init();
        dir_ = fs::temp_directory_path() / ("kv_protocol_gui_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        ProgramSettings.Init((dir_ / "KVD.INI").string());
        g_changed = false;
        g_naziv.clear();
    }
    void TearDown() override {
        kvtest::GuiTest::TearDown();
        ProgramSettings.Kill();
        fs::remove_all(dir_);
    }
    // Runs the dialog with a request on its own thread; the response lands in `response`.
    void Start(std::uint8_t request) {
        response = -1;
        request_after = -1;
        driver.Start([this, request] {
            CallRequest = request;
            ProtokolDialog();
            request_after = CallRequest;
            response = CallResponse;
        });
    }
    QWidget* Top() { return driver.WaitForWindow("ProtokolDialog").top(); }

    fs::path dir_;
    std::atomic<int> response{-1}, request_after{-1};
};

TEST_F(ProtocolGui, TheDialogAnswersByHowTheUserClosesIt) {
    struct Case {
        const char* what;
        int response;
    } cases[] = {{"?OK", RequestCompleted}, {"?CANCEL", RequestCancelled}, {"close box", RequestCancelled}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start(ChangeRecord);
        QWidget* top = Top();
        driver.Type("ProtokolDialog", "?NAZIV", "Zgrada Čađavica");
        if (std::string(c.what) == "close box")
            top->close();
        else
            driver.Press("ProtokolDialog", c.what);
        driver.WaitClosed("ProtokolDialog");
        driver.WaitForThreads();
        EXPECT_EQ(response, c.response);
        EXPECT_EQ(request_after, 0);  // the request was taken and cleared
        EXPECT_EQ(g_naziv,
                  "Zgrada \xC8"
                  "a\xF0"
                  "avica");  // CP1250 in the variable
    }
}

TEST_F(ProtocolGui, PlacementIsStoredUnderTheProcedureNameAndAMaximizedWindowReopensMaximized) {
    Start(0);
    QWidget* top = Top();
    const QSize grown = top->size() + QSize(120, 60);
    top->resize(grown);
    // The window system's answer has arrived (and gone to the procedure) before OK.
    driver.WaitUntil([&] { return top->size() == grown && top->windowHandle()->geometry().size() == grown; },
                     "resized");
    driver.Pump();
    driver.Press("ProtokolDialog", "?OK");
    driver.WaitForThreads();
    const std::string ini = Slurp(dir_ / "KVD.INI");
    EXPECT_NE(ini.find("[ProtokolDialog]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Maximize=No"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Width="), std::string::npos) << ini;

    // Reopened with the stored size; then closed maximized.
    Start(0);
    top = Top();
    driver.WaitUntil([&] { return top->size() == grown; }, "the stored size restored");
    top->showMaximized();
    driver.WaitUntil([&] { return top->isMaximized(); }, "maximized");
    driver.Pump();
    driver.Press("ProtokolDialog", "?OK");
    driver.WaitForThreads();
    EXPECT_NE(Slurp(dir_ / "KVD.INI").find("Maximize=Yes"), std::string::npos);

    Start(0);
    top = Top();
    driver.WaitUntil([&] { return top->isMaximized(); }, "reopened maximized");
    driver.Press("ProtokolDialog", "?CANCEL");
    driver.WaitForThreads();
}

TEST_F(ProtocolGui, AWindowClosedWithoutBeingMovedStoresWhereItWasCentredAndAMovedOneWhereItWas) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    Start(0);
    QWidget* top = Top();
    driver.WaitUntil([&] { return top->isVisible(); }, "shown");
    const QPoint centred = top->pos();
    EXPECT_LE(std::abs(top->frameGeometry().center().x() - screen.center().x()), 2);
    driver.Press("ProtokolDialog", "?OK");
    driver.WaitForThreads();
    const std::string ini = Slurp(dir_ / "KVD.INI");
    EXPECT_NE(ini.find("[ProtokolDialog]"), std::string::npos) << ini;
    // Stored although it never moved: where it lay, centred.
    EXPECT_NE(ini.find("XPos="), std::string::npos) << ini;

    Start(0);
    top = Top();
    driver.WaitUntil([&] { return top->isVisible(); }, "shown again");
    driver.Pump();
    EXPECT_LE((top->pos() - centred).manhattanLength(), 4) << "reopened where it was, centred";
    const QPoint moved = centred + QPoint(40, 30);
    top->move(moved);
    driver.WaitUntil([&] { return top->pos() == moved; }, "moved");
    driver.Pump();
    driver.Press("ProtokolDialog", "?OK");
    driver.WaitForThreads();
    EXPECT_NE(Slurp(dir_ / "KVD.INI").find("XPos="), std::string::npos);

    Start(0);
    top = Top();
    driver.WaitUntil([&] { return top->isVisible(); }, "shown where it was moved");
    driver.Pump();
    EXPECT_LE((top->pos() - moved).manhattanLength(), 4) << "reopened where it was moved";
    driver.Press("ProtokolDialog", "?CANCEL");
    driver.WaitForThreads();
}

TEST_F(ProtocolGui, CloseDownClosesAChangedWindowAsCancelledWithoutAQuestion) {
    g_changed = true;
    Start(ChangeRecord);
    Top();
    driver.Type("ProtokolDialog", "?NAZIV", "izmena");
    // The frame closes the application: every other thread's window gets CloseDown.
    EXPECT_GE(rt::ui::CloseDownOtherThreads(), 1);
    driver.WaitClosed("ProtokolDialog");
    driver.WaitForThreads();
    EXPECT_FALSE(driver.MessageOpen());
    EXPECT_EQ(response, RequestCancelled);
}

}  // namespace
