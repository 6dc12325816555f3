// Shared set-up of the GUI tests on the embedded store: a fresh folder and firm database per
// test with the program's process-wide objects, rows written straight to the tables and read
// back from them; and what a user does on a browse and its form.
#pragma once

#include <gtest/gtest.h>

#include <QTabWidget>
#include <QTreeView>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "data/access.h"
#include "data/globals.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/text.h"
#include "platform/files/sql/connection.h"
#include "platform/ui/resource.h"
#include "tests/driver/gui_fixture.h"
#include "tests/temp_folder.h"

namespace kvtest {

// A fresh folder, the current one while the test runs, holding the firm database
// `database` on the embedded store and the settings file; the program's process-wide
// objects ready.
class StoreTest : public GuiTest {
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

    // Reads a row by a key, the key's fields set in the buffer by `key`; false when none
    // (on a procedure thread).
    static bool ReadRow(kvadrin::TableId table, const char* key_name, const std::function<void()>& key) {
        rt::FileManager* fm = kvadrin::Access::Of(table);
        fm->Open();
        kvadrin::Files::Of(table).Clear();
        key();
        const bool found = fm->GetByKeyQuiet(kvadrin::table_def(table).layout.key_index(key_name)) == 0;
        fm->Close();
        return found;
    }

protected:
    void SetUpStore(const std::string& database) {
        dir_ = FreshFolder(database);
        ::setenv("KVADRIN_LOCALDB", dir_.c_str(), 1);
        cwd_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);  // Formats.FDB lives in the current folder
        if (!kvadrin::MainModuleReady()) kvadrin::MainModuleInit();
        kvadrin::OWNERFIRME = "(localdb)\\test," + database + ",,;TrustedConnection=True";
        ASSERT_TRUE(rt::sql::CreateEmbeddedDatabase(kvadrin::OWNERFIRME.view())) << rt::FileError();
        kvadrin::ProgramErrors.Init();
        kvadrin::ProgramSettings.Init((dir_ / "KVD.INI").string());
    }
    void TearDown() override {
        GuiTest::TearDown();
        kvadrin::ProgramSettings.Kill();
        std::filesystem::current_path(cwd_);
        std::filesystem::remove_all(dir_);
    }

    std::filesystem::path dir_, cwd_;
};

// What a user does on a browse and its form, over a fixture derived from GuiTest: the
// browse's and the form's procedure names, the browse running on a thread of its own and
// its response, and the numbers of its hidden buttons.
template <class Base>
class BrowseSteps : public Base {
protected:
    static constexpr const char* kList = "?BROWSE:1";

    BrowseSteps(std::string browse, std::string form) : browse_(std::move(browse)), form_(std::move(form)) {}

    // The numbers of the browse window's hidden ?CLOSE and ?VIEW:3, as its keys and popup
    // press them.
    void FindHiddenButtons(const rt::ui::WindowDef& browse_window) {
        this->OnThread([&] {
            rt::ui::Window w(browse_window);
            close_feq = w.Feq("?CLOSE");
            view_feq = w.Feq("?VIEW:3");
        });
    }

    // Runs the browse on a thread of its own, called with `request`; `after` runs on that
    // thread when it returns, before its response is kept.
    void StartBrowse(std::uint8_t request, std::function<void()> browse, std::function<void()> after = {}) {
        response = -1;
        thread = this->driver.Start([this, request, browse = std::move(browse), after = std::move(after)] {
            kvadrin::CallRequest = request;
            browse();
            if (after) after();
            response = kvadrin::CallResponse;
        });
        this->driver.WaitForWindow(browse_);
    }
    // As StartBrowse; what the browse leaves in the buffer when it returns, as `describe`
    // puts it, is kept for Chosen().
    void StartChoosing(std::uint8_t request, std::function<void()> browse,
                       std::function<std::string()> describe) {
        StartBrowse(request, std::move(browse), [this, describe = std::move(describe)] {
            std::lock_guard lock(chosen_mutex_);
            chosen_ = describe();
        });
    }
    std::string Chosen() {
        std::lock_guard lock(chosen_mutex_);
        return chosen_;
    }
    std::string Cell(int row, int column) { return this->driver.Cell(browse_, kList, row, column); }
    int Rows() { return this->driver.RowCount(browse_, kList); }
    std::vector<std::string> Column(int column) {
        std::vector<std::string> out;
        for (int r = 1; r <= Rows(); ++r) out.push_back(Cell(r, column));
        return out;
    }
    void WaitColumn(int column, const std::vector<std::string>& cells, const std::string& what) {
        this->driver.WaitUntil([&] { return Column(column) == cells; }, what);
    }
    void WaitRows(int n, const std::string& what) {
        this->driver.WaitUntil([&] { return Rows() == n; }, what + ": " + std::to_string(n) + " rows");
    }
    void WaitCell(int row, int column, const std::string& text, const std::string& what) {
        this->driver.WaitUntil([&] { return Rows() >= row && Cell(row, column) == text; },
                               what + ": row " + std::to_string(row) + " shows " + text);
    }
    // The current row of the list (1-based), 0 when none.
    int CurrentRow() {
        auto* v = qobject_cast<QTreeView*>(this->driver.Widget(browse_, kList));
        return v ? v->currentIndex().row() + 1 : 0;
    }
    // Clicks a row of the list and waits until it is the current one.
    void PickRow(int row) {
        this->driver.PickRow(browse_, kList, row);
        this->driver.WaitUntil([&] { return CurrentRow() == row; },
                               "row " + std::to_string(row) + " current");
    }
    void KeyOnList(int key) {
        this->driver.Focus(browse_, kList);
        this->driver.Keys(browse_, {key});
    }
    void Post(int event, int feq) { rt::ui::rtl_post(event, feq, thread); }
    // The hidden ?CLOSE, as the keys and the popup press it; or the window's close box.
    void CloseBrowse(int expected = kvadrin::RequestCompleted, bool close_box = false) {
        if (close_box)
            Post(rt::ui::Event::CloseWindow, 0);
        else
            Post(rt::ui::Event::Accepted, close_feq);
        this->driver.WaitForThreads();
        EXPECT_EQ(response, expected);
    }
    void WaitForm(const std::string& caption) {
        this->driver.WaitForWindow(form_);
        this->driver.WaitUntil([&] { return this->driver.Caption(form_) == caption; }, "caption " + caption);
    }
    void FormClosed() { this->Closed(form_); }
    using Base::ReadOnly;
    // An entry of the form.
    bool ReadOnly(const std::string& label) { return this->ReadOnly(form_, label); }

    // The browse's caption, its list's headings and its tabs; the standard buttons hidden.
    void ExpectBrowseWindow(const std::string& caption, const std::vector<std::string>& headings,
                            const std::vector<std::string>& tabs) {
        EXPECT_EQ(this->driver.Caption(browse_), caption);
        for (std::size_t c = 0; c < headings.size(); ++c)
            EXPECT_EQ(this->driver.Heading(browse_, kList, static_cast<int>(c + 1)), headings[c]);
        auto* sheet = qobject_cast<QTabWidget*>(this->driver.Widget(browse_, "?CURRENTTAB"));
        ASSERT_NE(sheet, nullptr);
        ASSERT_EQ(sheet->count(), static_cast<int>(tabs.size()));
        for (std::size_t t = 0; t < tabs.size(); ++t)
            EXPECT_EQ(sheet->tabText(static_cast<int>(t)).toStdString(), tabs[t]);
        for (const char* hidden :
             {"?SELECT:2", "?VIEW:3", "?INSERT:4", "?CHANGE:4", "?DELETE:4", "?CLOSE", "?HELP"})
            EXPECT_FALSE(this->driver.Visible(browse_, hidden)) << hidden;
    }

    std::string browse_, form_;
    int thread = 0;
    int close_feq = 0, view_feq = 0;  // the browse's hidden buttons
    std::atomic<int> response{-1};

private:
    std::mutex chosen_mutex_;
    std::string chosen_;
};

}  // namespace kvtest
