// Shared set-up of the register tests on the embedded store: a fresh database and folder
// per test, the program's process-wide objects, rows written straight to the tables and
// read back from them on a procedure thread of their own.
#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMessageBox>
#include <QTabWidget>
#include <QTreeView>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/access.h"
#include "data/globals.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/text.h"
#include "platform/ui/resource.h"
#include "tests/qt/gui_fixture.h"

namespace kvtest {

class RegisterGui : public GuiTest {
public:
    // Writes the record in a table's buffer as a new row (on a procedure thread).
    static void AddRowOf(kvadrin::TableId table) {
        rt::FileManager* fm = kvadrin::Access::Of(table);
        ASSERT_EQ(fm->Open(), 0);
        ASSERT_EQ(fm->UseTable(rt::kUseOpen), 0);
        ASSERT_EQ(kvadrin::Files::Of(table).Add(), 0) << rt::Error();
        fm->Close();
    }

    // A customer of the owners register (texts in UTF-8).
    static void AddOwner(const char* code, const char* name, const char* address = "") {
        kvadrin::Files::NAZIVI().Clear();
        kvadrin::NAZ.ANALITIKA = code;
        kvadrin::NAZ.NAZIV1 = rt::utf8_to_cp1250(name);
        kvadrin::NAZ.ADRESA = rt::utf8_to_cp1250(address);
        AddRowOf(kvadrin::TableId::NAZIVI);
    }

protected:
    static constexpr const char* kList = "?BROWSE:1";

    // A fresh folder and firm database named `database`; the firm's address and place;
    // the browse under test, its form and its window (for the hidden buttons' numbers).
    void SetUpRegister(const std::string& database, const char* browse, const char* form,
                       const rt::ui::WindowDef& browse_window) {
        browse_ = browse;
        form_ = form;
        namespace fs = std::filesystem;
        dir_ = fs::temp_directory_path() /
               ("kv_" + database + "_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(dir_);
        ::setenv("KVADRIN_LOCALDB", dir_.c_str(), 1);
        cwd_ = fs::current_path();
        fs::current_path(dir_);
        if (!kvadrin::MainModuleReady()) kvadrin::MainModuleInit();
        kvadrin::InstallThreadHooks();
        kvadrin::OWNERFIRME = "(localdb)\\test," + database + ",,;TrustedConnection=True";
        kvadrin::ADRESA = rt::utf8_to_cp1250("Bulevar Oslobođenja 7");
        kvadrin::MESTO = "21000 Novi Sad";
        kvadrin::ProgramErrors.Init();
        rt::ui::InstallErrorShower();
        kvadrin::ProgramSettings.Init((dir_ / "KVD.INI").string());
        OnThread([&] {
            rt::ui::Window w(browse_window);
            close_feq = w.Feq("?CLOSE");
            view_feq = w.Feq("?VIEW:3");
        });
    }
    void TearDown() override {
        GuiTest::TearDown();
        kvadrin::ProgramSettings.Kill();
        kvadrin::ADRESA = "";
        kvadrin::MESTO = "";
        std::filesystem::current_path(cwd_);
        std::filesystem::remove_all(dir_);
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

    // Reads a row by a key, the key's fields set in the buffer by `key`; false when none.
    static bool ReadRow(kvadrin::TableId table, const char* key_name, const std::function<void()>& key) {
        rt::FileManager* fm = kvadrin::Access::Of(table);
        fm->Open();
        kvadrin::Files::Of(table).Clear();
        key();
        const bool found = fm->GetByKeyQuiet(kvadrin::table_def(table).layout.key_index(key_name)) == 0;
        fm->Close();
        return found;
    }

    // Runs the browse on a thread of its own, called with `request`; `after` runs on that
    // thread when it returns, before its response is kept.
    void StartBrowse(std::uint8_t request, std::function<void()> browse, std::function<void()> after = {}) {
        response = -1;
        thread = driver.Start([this, request, browse = std::move(browse), after = std::move(after)] {
            kvadrin::CallRequest = request;
            browse();
            if (after) after();
            response = kvadrin::CallResponse;
        });
        driver.WaitForWindow(browse_);
    }
    std::string Cell(int row, int column) { return driver.Cell(browse_, kList, row, column); }
    int Rows() { return driver.RowCount(browse_, kList); }
    std::vector<std::string> Column(int column) {
        std::vector<std::string> out;
        for (int r = 1; r <= Rows(); ++r) out.push_back(Cell(r, column));
        return out;
    }
    void WaitColumn(int column, const std::vector<std::string>& cells, const std::string& what) {
        driver.WaitUntil([&] { return Column(column) == cells; }, what);
    }
    int CurrentRow() {
        auto* v = qobject_cast<QTreeView*>(driver.Widget(browse_, kList));
        return v ? v->currentIndex().row() + 1 : 0;
    }
    void PickRow(int row) {
        driver.PickRow(browse_, kList, row);
        driver.WaitUntil([&] { return CurrentRow() == row; }, "row " + std::to_string(row) + " current");
    }
    void KeyOnList(int key) {
        driver.Focus(browse_, kList);
        driver.Keys(browse_, {key});
    }
    void Post(int event, int feq) { rt::ui::rtl_post(event, feq, thread); }
    // The hidden ?CLOSE, as the keys and the popup press it.
    void CloseBrowse(int expected) {
        Post(rt::ui::Event::Accepted, close_feq);
        driver.WaitForThreads();
        EXPECT_EQ(response, expected);
    }
    void WaitForm(const char* caption) {
        driver.WaitForWindow(form_);
        driver.WaitUntil([&] { return driver.Caption(form_) == caption; }, std::string("caption ") + caption);
    }

    // The browse's caption, its list's headings and its tabs; the standard buttons hidden.
    void ExpectBrowseWindow(const std::string& caption, const std::vector<std::string>& headings,
                            const std::vector<std::string>& tabs) {
        EXPECT_EQ(driver.Caption(browse_), caption);
        for (std::size_t c = 0; c < headings.size(); ++c)
            EXPECT_EQ(driver.Heading(browse_, kList, static_cast<int>(c + 1)), headings[c]);
        auto* sheet = qobject_cast<QTabWidget*>(driver.Widget(browse_, "?CURRENTTAB"));
        ASSERT_NE(sheet, nullptr);
        ASSERT_EQ(sheet->count(), static_cast<int>(tabs.size()));
        for (std::size_t t = 0; t < tabs.size(); ++t)
            EXPECT_EQ(sheet->tabText(static_cast<int>(t)).toStdString(), tabs[t]);
        for (const char* hidden : {"?SELECT:2", "?VIEW:3", "?INSERT:4", "?CHANGE:4", "?DELETE:4", "?CLOSE", "?HELP"})
            EXPECT_FALSE(driver.Visible(browse_, hidden)) << hidden;
    }

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

    std::filesystem::path dir_, cwd_;
    std::string browse_, form_;
    int thread = 0;
    int close_feq = 0, view_feq = 0;  // the browse's hidden buttons
    std::atomic<int> response{-1};
};

}  // namespace kvtest
