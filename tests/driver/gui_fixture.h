// Shared set-up of the GUI tests: one QApplication with the GUI server on the test's main
// thread, a driver that acts as the user, and a log of the events procedures receive.
#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMessageBox>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "billing/startup.h"
#include "platform/qt/gui_server.h"
#include "platform/ui/window.h"
#include "tests/driver/test_driver.h"

namespace kvtest {

// The program's start-up, then the GUI server on the test's main thread, as the program's
// entry does them.
inline rt::qt::GuiServer& Gui() {
    static int argc = 1;
    static char name[] = "test_qt";
    static char* argv[] = {name, nullptr};
    static rt::qt::GuiServer* server = [] {
        kvadrin::StartUp();
        return rt::qt::CreateGui(argc, argv);
    }();
    return *server;
}

inline std::string OutputFolder() { return std::string(KVADRIN_BUILD_DIR) + "/test-output"; }

struct Seen {
    int event = 0, field = 0, keycode = 0, column = 0;
    long selected = 0;
    bool operator==(const Seen&) const = default;
};

// What a procedure thread saw, read by the test on the GUI thread.
class EventLog {
public:
    void Add(const rt::ui::Window& w) {
        std::lock_guard lock(m_);
        // Selected names its control through the focus.
        int field = w.event() == rt::ui::Event::Selected ? w.FocusedControl() : w.field();
        Seen s{w.event(), field, w.keycode(), w.column(), 0};
        if (field > 0) s.selected = w.Get(field, rt::ui::Prop::Selected);
        seen_.push_back(s);
    }
    std::vector<Seen> All() const {
        std::lock_guard lock(m_);
        return seen_;
    }
    bool Has(int event, int field) const {
        for (const Seen& s : All())
            if (s.event == event && s.field == field) return true;
        return false;
    }
    int Count(int event, int field) const {
        int n = 0;
        for (const Seen& s : All())
            if (s.event == event && s.field == field) ++n;
        return n;
    }
    // The last event with that number and field.
    Seen Last(int event, int field) const {
        Seen found;
        for (const Seen& s : All())
            if (s.event == event && s.field == field) found = s;
        return found;
    }
    void Clear() {
        std::lock_guard lock(m_);
        seen_.clear();
    }

private:
    mutable std::mutex m_;
    std::vector<Seen> seen_;
};

class GuiTest : public ::testing::Test {
protected:
    GuiTest() : driver(Gui(), OutputFolder()) {}
    void TearDown() override {
        try {
            driver.WaitForThreads(5000);
        } catch (const rt::qt::DriverError& e) { ADD_FAILURE() << e.what(); }
    }

    // Runs `work` on a procedure thread of its own and waits for it alone (a browse's
    // thread may still be running).
    void OnThread(std::function<void()> work) {
        auto done = std::make_shared<std::atomic<bool>>(false);
        driver.Start([work = std::move(work), done] {
            work();
            *done = true;
        });
        driver.WaitUntil([&] { return done->load(); }, "the work on its thread");
    }
    // The title of the first message box, once one is open.
    std::string MessageTitle() {
        driver.WaitUntil([&] { return driver.MessageOpen(); }, "a message box");
        return driver.Server().Messages().front().box->windowTitle().toStdString();
    }
    bool ReadOnly(const std::string& procedure, const std::string& label) {
        auto* e = qobject_cast<QLineEdit*>(driver.Widget(procedure, label));
        return e && e->isReadOnly();
    }
    // Waits for a window to close; a message box in the way fails the test with its text.
    void Closed(const std::string& procedure) {
        try {
            driver.WaitClosed(procedure);
        } catch (const rt::qt::DriverError&) {
            if (driver.MessageOpen()) ADD_FAILURE() << "message: " << driver.MessageText();
            throw;
        }
    }

    rt::qt::TestDriver driver;
};

}  // namespace kvtest
