// What a user does on a register's browse and its form, shared by the register tests: a
// fixture base (over GuiTest or a fixture derived from it) that knows the browse's and the
// form's procedure names and the list's label.
#pragma once

#include <QLineEdit>
#include <QTreeView>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "tests/qt/gui_fixture.h"

namespace kvtest {

template <class Base>
class RegisterGui : public Base {
protected:
    RegisterGui(std::string browse, std::string list, std::string form)
        : browse_(std::move(browse)), list_(std::move(list)), form_(std::move(form)) {}

    // Runs `work` on a procedure thread of its own and waits for it alone (the browse's
    // thread may still be running).
    void OnThread(std::function<void()> work) {
        auto done = std::make_shared<std::atomic<bool>>(false);
        this->driver.Start([work = std::move(work), done] {
            work();
            *done = true;
        });
        this->driver.WaitUntil([&] { return done->load(); }, "the work on its thread");
    }
    // Clicks a row of the list (1-based) and waits until it is the current one.
    void PickRow(int row) {
        this->driver.PickRow(browse_, list_, row);
        this->driver.WaitUntil([&] {
            auto* v = qobject_cast<QTreeView*>(this->driver.Widget(browse_, list_));
            return v && v->currentIndex().row() == row - 1;
        }, "row " + std::to_string(row) + " current");
    }
    void WaitForm(const std::string& caption) {
        this->driver.WaitForWindow(form_);
        this->driver.WaitUntil([&] { return this->driver.Caption(form_) == caption; }, "caption " + caption);
    }
    // Waits until the form closed; a message box that keeps it open is reported.
    void FormClosed() {
        try {
            this->driver.WaitClosed(form_);
        } catch (const rt::qt::DriverError&) {
            if (this->driver.MessageOpen()) ADD_FAILURE() << "message: " << this->driver.MessageText();
            throw;
        }
    }
    bool ReadOnly(const std::string& label) {
        auto* e = qobject_cast<QLineEdit*>(this->driver.Widget(form_, label));
        return e && e->isReadOnly();
    }

private:
    std::string browse_, list_, form_;
};

}  // namespace kvtest
