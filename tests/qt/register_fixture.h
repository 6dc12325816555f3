// Shared set-up of the register tests on the embedded store: a fresh database and folder
// per test, the program's process-wide objects, rows written straight to the tables and
// read back from them on a procedure thread of their own.
#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMessageBox>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "data/access.h"
#include "data/globals.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/text.h"
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

protected:
    // A fresh folder and firm database named `database`; the firm's address and place.
    void SetUpRegister(const std::string& database) {
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
};

}  // namespace kvtest
