// Shared set-up of the desktop-integration tests: a command line of the test's choosing
// and a debug output file in a fresh folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>


#include "platform/core/sysinfo.h"
#include "winint/debug.h"
#include "tests/temp_folder.h"

namespace kvtest {

class WinIntTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FreshFolder(std::string("winint_") +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        log_ = (dir_ / "debug.log").string();
        CommandLine({});
    }
    void TearDown() override {
        rt::sys::SetCommandLine({});
        WlDebugRestart();
        std::filesystem::remove_all(dir_);
    }
    // The command line with the debug output going to the test's file.
    void CommandLine(std::vector<std::string> switches) {
        switches.push_back("DebugOutputFile=" + log_);
        rt::sys::SetCommandLine(switches);
        WlDebugRestart();
    }
    std::string Log() const {
        std::ifstream in(log_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The file's lines without their time stamps and line ends.
    std::vector<std::string> Lines() const {
        std::vector<std::string> out;
        std::string all = Log();
        std::size_t at = 0;
        while (at < all.size()) {
            std::size_t end = all.find("\r\n", at);
            if (end == std::string::npos) end = all.size();
            std::string line = all.substr(at, end - at);
            std::size_t blank = line.find(' ');
            out.push_back(blank == std::string::npos ? line : line.substr(blank + 1));
            at = end + 2;
        }
        return out;
    }
    bool HasLine(const std::string& text) const {
        for (const std::string& l : Lines())
            if (l == text) return true;
        return false;
    }

    std::filesystem::path dir_;
    std::string log_;
};

}  // namespace kvtest
