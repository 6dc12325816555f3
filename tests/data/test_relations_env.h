// A thread's dictionary over a fresh firm database on the embedded store, with the
// messages it shows captured.
#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/access.h"
#include "data/dictionary.h"
#include "data/globals.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/errors.h"
#include "platform/files/sql/connection.h"

namespace kvtest {

class Firm : public ::testing::Test {
protected:
    void SetUp() override {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        folder_ = std::filesystem::temp_directory_path() /
                  ("kvadrin-firm-" +
                   std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" + name);
        std::filesystem::create_directories(folder_);
        ::setenv("KVADRIN_LOCALDB", folder_.c_str(), 1);
        kvadrin::MainModuleInit();
        kvadrin::OWNERFIRME = "(localdb)\\test,FIRMA_2024,,;TrustedConnection=True";
        ASSERT_TRUE(rt::sql::CreateEmbeddedDatabase(kvadrin::OWNERFIRME.view())) << rt::FileError();
        rt::ErrorManager::SetShower([this](const rt::ShownMessage& m) {
            shown.push_back(m);
            return answer;
        });
        kvadrin::MainThreadFilesInit();
        kvadrin::RecnikPostavi();
    }
    void TearDown() override {
        kvadrin::MainThreadFilesTerm();
        rt::ErrorManager::SetShower({});
        std::filesystem::remove_all(folder_);
    }

    // Adds a row straight to the table (no field checks), leaving the buffer cleared.
    void seed(kvadrin::TableId id, const std::function<void()>& fill) {
        rt::FileManager* fm = kvadrin::Access::Of(id);
        ASSERT_NE(fm, nullptr);
        ASSERT_EQ(fm->Open(), 0);
        ASSERT_EQ(fm->UseTable(rt::kUseOpen), 0);
        rt::File& f = kvadrin::Files::Of(id);
        f.Clear();
        fill();
        ASSERT_EQ(f.Add(), 0) << kvadrin::table_name(id) << ": " << rt::Error();
        f.Clear();
        fm->Close();
    }
    long rows(kvadrin::TableId id) {
        rt::FileManager* fm = kvadrin::Access::Of(id);
        fm->Open();
        fm->UseTable(rt::kUseOpen);
        const long n = kvadrin::Files::Of(id).Records();
        fm->Close();
        return n;
    }
    std::string last() const { return shown.empty() ? "" : shown.back().title + " / " + shown.back().text; }

    std::vector<rt::ShownMessage> shown;
    int answer = 1;
    std::filesystem::path folder_;
};

}  // namespace kvtest
