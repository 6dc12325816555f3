// Shared set-up of the login and frame tests: a root/firm/year/program folder layout with
// the program folder as the current folder, the firms list one folder above it, the
// embedded store in a temporary folder, and the login's beep and process end recorded.
#pragma once

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "data/globals.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/files/file.h"
#include "platform/files/flat/flat_file.h"
#include "platform/ui/window.h"
#include "shell/login.h"
#include "tests/driver/gui_fixture.h"

namespace kvtest {

inline std::atomic<int> g_login_beeps{0};
inline std::atomic<int> g_login_halts{0};
inline std::atomic<int> g_login_exit_code{-1};

class LoginFixture : public GuiTest {
protected:
    void SetUp() override {
        if (!kvadrin::MainModuleReady()) kvadrin::MainModuleInit();
        kvadrin::ProgramErrors.Init();
        root_ = std::filesystem::temp_directory_path() /
                ("kv_login_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root_);
        year_ = root_ / "FIRMA" / "2024";
        program_ = year_ / "PROGRAM";
        localdb_ = root_ / "localdb";
        std::filesystem::create_directories(program_);
        std::filesystem::create_directories(localdb_);
        old_cwd_ = std::filesystem::current_path();
        std::filesystem::current_path(program_);
        ::setenv("KVADRIN_LOCALDB", localdb_.c_str(), 1);
        kvadrin::ProgramSettings.Init((program_ / "KVD.INI").string());
        kvadrin::ResetProcessData();
        SetYear();
        g_login_beeps = 0;
        g_login_halts = 0;
        g_login_exit_code = -1;
        saved_beep_ = kvadrin::SoundBeep;
        saved_halt_ = kvadrin::HaltProcess;
        kvadrin::SoundBeep = [] { ++g_login_beeps; };
        kvadrin::HaltProcess = [](int code) {
            ++g_login_halts;
            g_login_exit_code = code;
        };
    }
    void TearDown() override {
        GuiTest::TearDown();
        kvadrin::SoundBeep = saved_beep_;
        kvadrin::HaltProcess = saved_halt_;
        kvadrin::ProgramSettings.Kill();
        std::filesystem::current_path(old_cwd_);
        ::unsetenv("KVADRIN_LOCALDB");
        std::filesystem::remove_all(root_);
    }

    static void SetYear() {
        kvadrin::RAD_GOD = 2024;
        kvadrin::FOLDERFIRME = "FIRMA";
    }

    // One row of the firms list: name, server, database folder, line 1 (the firm's name)
    // and line 15 ("Sistem:"); the other copied lines say which line they are.
    static std::string Firm(const char* name, const char* server, const char* folder, const char* line1,
                            const char* line15 = "") {
        kvadrin::MBASERecord m;
        m.NAZIVFIRME = name;
        m.SERVERNAME = server;
        m.FOLDERNAME = folder;
        for (auto& line : m.R) line.clear();
        m.R[0] = line1;
        m.R[1] = "Adresa 2";
        m.R[2] = "Mesto 3";
        m.R[3] = "Mesto 4";
        m.R[4] = "Racun 5";
        m.R[6] = "PIB 7";
        m.R[9] = "MB 10";
        m.R[14] = line15;
        return std::string(reinterpret_cast<const char*>(&m), sizeof m);
    }
    void WriteFirms(const std::vector<std::string>& rows) {
        const rt::TableDef& def = kvadrin::table_def(kvadrin::TableId::MBASE);
        ASSERT_EQ(rt::WriteFlatFile((year_ / "MBASE.DAT").string(), def.layout, rows, def.owner), 0);
    }
    void WriteLoginIni(const char* server, const char* name, const char* firm,
                       const std::filesystem::path& file = {}) {
        std::ofstream out(file.empty() ? program_ / "LOGIN_TAVSQL.INI" : file, std::ios::binary);
        out << "[Server]\r\nServer=" << server << "\r\n[Name]\r\nName=" << name
            << "\r\n[NazivFirme]\r\nNazivFirme=" << firm << "\r\n";
    }
    static std::string Slurp(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Makes a database of the embedded store, as a firm that has been worked with has one.
    static void MakeDatabase(const char* name) {
        rt::sql::ConnectionText t;
        t.server = "(localdb)\\kv";
        t.database = name;
        ASSERT_TRUE(rt::sql::CreateEmbeddedDatabase(t)) << rt::FileError();
    }
    static int beeps() { return g_login_beeps; }
    static int halted() { return g_login_halts; }
    static int exit_code() { return g_login_exit_code; }

    void (*saved_beep_)() = nullptr;
    void (*saved_halt_)(int) = nullptr;
    std::filesystem::path root_, year_, program_, localdb_, old_cwd_;
};

}  // namespace kvtest
