// Two workstations on one firm: real processes (the kv_station helper) working at once on
// one row of the embedded store, one firms list and one settings file. Nothing written is
// lost, the loser of a race for one record is answered 89, and no temporary copy stays.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/core/ini.h"
#include "platform/files/file.h"
#include "platform/files/layout.h"
#include "platform/files/sql/connection.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// A kv_station process with a pipe to its standard input and one from its output.
class Station {
public:
    explicit Station(const std::vector<std::string>& args) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, in[0], 0);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        posix_spawn_file_actions_addclose(&fa, in[1]);
        posix_spawn_file_actions_addclose(&fa, out[0]);
        std::vector<std::string> all = {KV_STATION};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, KV_STATION, &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
        ::close(in[0]);
        ::close(out[1]);
        to_ = ::fdopen(in[1], "w");
        from_ = ::fdopen(out[0], "r");
    }
    ~Station() {
        if (to_) std::fclose(to_);
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (from_) std::fclose(from_);
    }
    bool started() const { return pid_ > 0 && to_ && from_; }
    pid_t pid() const { return pid_; }
    void send(const std::string& command) {
        std::fprintf(to_, "%s\n", command.c_str());
        std::fflush(to_);
    }
    // Sends a command and answers the line it printed.
    std::string ask(const std::string& command) {
        send(command);
        return line();
    }
    std::string line() {
        char buf[256];
        if (!std::fgets(buf, sizeof buf, from_)) return "<no answer>";
        std::string s(buf);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        return s;
    }
    // Closes its input, waits for the end; the exit status (-1 when killed).
    int finish() {
        if (to_) std::fclose(to_);
        to_ = nullptr;
        int status = 0;
        ::waitpid(pid_, &status, 0);
        waited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void kill_now() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        waited_ = true;
    }

private:
    pid_t pid_ = -1;
    bool waited_ = false;
    FILE* to_ = nullptr;
    FILE* from_ = nullptr;
};

// The number after `word` in a station's last line ("conflicts 12").
int count_after(const std::string& line, const std::string& word) {
    if (line.rfind(word + " ", 0) != 0) return -1;
    return std::stoi(line.substr(word.size() + 1));
}

void race_start(Station& a, Station& b) {
    EXPECT_EQ(a.line(), "ready");
    EXPECT_EQ(b.line(), "ready");
    a.send("go");
    b.send("go");
}

// Two hammers, set up, started at once; their last lines.
std::pair<std::string, std::string> race(Station& a, Station& b) {
    race_start(a, b);
    return {a.line(), b.line()};
}

class Stations : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kv_stations_XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { fs::remove_all(dir_); }
    // Names of the temporary copies beside the files of the folder.
    std::vector<std::string> temporaries() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir_))
            if (e.path().filename().string().find(".~") != std::string::npos)
                out.push_back(e.path().filename().string());
        return out;
    }
    fs::path dir_;
};

// One row, two stations: both read it, the first writes, the second is answered 89 and
// keeps being answered so until it reads the row again; then its write goes through.
TEST_F(Stations, TheSecondWriterOfARowReadByBothIsAnswered89) {
    const std::string localdb = (dir_ / "localdb").string();
    Station a({"row-step", localdb}), b({"row-step", localdb});
    ASSERT_TRUE(a.started() && b.started());
    EXPECT_EQ(a.ask("read"), "0 0 0");
    EXPECT_EQ(b.ask("read"), "0 0 0");
    EXPECT_EQ(a.ask("inc A"), "0");
    EXPECT_EQ(b.ask("inc B"), "89");
    EXPECT_EQ(b.ask("inc B"), "89");
    EXPECT_EQ(b.ask("read"), "1 1 0");
    EXPECT_EQ(b.ask("inc B"), "0");
    EXPECT_EQ(a.ask("read"), "2 1 1");
    EXPECT_EQ(a.finish(), 0);
    EXPECT_EQ(b.finish(), 0);
}

// Two stations increment one row a thousand times between them: every increment arrives.
TEST_F(Stations, TwoProcessesHammeringOneRowLoseNothing) {
    constexpr int kEach = 1000;
    const std::string localdb = (dir_ / "localdb").string();
    Station a({"row-hammer", localdb, "A", std::to_string(kEach)});
    Station b({"row-hammer", localdb, "B", std::to_string(kEach)});
    ASSERT_TRUE(a.started() && b.started());
    const auto [la, lb] = race(a, b);
    ASSERT_EQ(a.finish(), 0) << la;
    ASSERT_EQ(b.finish(), 0) << lb;
    Station check({"row-step", localdb});
    const std::string stored = check.ask("read");  // "N A B"
    EXPECT_EQ(check.finish(), 0);
    std::printf(
        "[ numbers  ] one row: %d increments by two processes; stored (all, A, B): %s; %d PUTs "
        "answered 89 and done again after a new read\n",
        2 * kEach, stored.c_str(), count_after(la, "conflicts") + count_after(lb, "conflicts"));
    EXPECT_EQ(stored, std::to_string(2 * kEach) + " " + std::to_string(kEach) + " " + std::to_string(kEach));
}

// The same race on a firms list: the first writer of the shared firm wins, the second is
// answered 89 until it reads the firm again.
TEST_F(Stations, TheSecondWriterOfAFirmReadByBothIsAnswered89) {
    const std::string file = (dir_ / "FIRMS.DAT").string();
    Station a({"firms-step", file}), b({"firms-step", file});
    ASSERT_TRUE(a.started() && b.started());
    EXPECT_EQ(a.ask("read"), "0");
    EXPECT_EQ(b.ask("read"), "0");
    EXPECT_EQ(a.ask("inc"), "0");
    EXPECT_EQ(b.ask("inc"), "89");
    EXPECT_EQ(b.ask("inc"), "89");
    EXPECT_EQ(b.ask("read"), "1");
    EXPECT_EQ(b.ask("inc"), "0");
    EXPECT_EQ(a.ask("read"), "2");
    EXPECT_EQ(a.finish(), 0);
    EXPECT_EQ(b.finish(), 0);
}

// Two stations add firms to one firms list and both count in one shared firm: every firm
// and every count arrives, and no temporary copy is left.
TEST_F(Stations, TwoProcessesAddingToOneFirmsListLoseNothing) {
    constexpr int kEach = 100;
    const std::string file = (dir_ / "FIRMS.DAT").string();
    Station a({"firms-hammer", file, "a", std::to_string(kEach)});
    Station b({"firms-hammer", file, "b", std::to_string(kEach)});
    ASSERT_TRUE(a.started() && b.started());
    const auto [la, lb] = race(a, b);
    ASSERT_EQ(a.finish(), 0) << la;
    ASSERT_EQ(b.finish(), 0) << lb;
    Station check({"firms-step", file});
    const std::string shared = check.ask("read"), firms = check.ask("count");
    EXPECT_EQ(check.finish(), 0);
    std::printf(
        "[ numbers  ] firms list: %d firms and %d counts in one shared firm by two processes; "
        "stored: %s firms (the shared one too), count %s; %d PUTs answered 89 and done again\n",
        2 * kEach, 2 * kEach, firms.c_str(), shared.c_str(),
        count_after(la, "conflicts") + count_after(lb, "conflicts"));
    EXPECT_EQ(firms, std::to_string(2 * kEach + 1));
    EXPECT_EQ(shared, std::to_string(2 * kEach));
    // A firm of a station is there: adding it again is refused.
    Station again({"firms-hammer", file, "a", "1"});
    EXPECT_EQ(again.line(), "ready");
    EXPECT_EQ(again.ask("go"), "<no answer>");
    EXPECT_EQ(again.finish(), 1);  // "a-0" is there already
    EXPECT_EQ(temporaries(), std::vector<std::string>{});
}

// Two stations write their own entries into one settings file: every entry arrives.
TEST_F(Stations, TwoProcessesWritingOneSettingsFileLoseNothing) {
    constexpr int kEach = 200;
    const std::string file = (dir_ / "KVD.INI").string();
    Station a({"ini-hammer", file, "A", std::to_string(kEach)});
    Station b({"ini-hammer", file, "B", std::to_string(kEach)});
    ASSERT_TRUE(a.started() && b.started());
    const auto [la, lb] = race(a, b);
    ASSERT_EQ(a.finish(), 0) << la;
    ASSERT_EQ(b.finish(), 0) << lb;
    rt::IniManager ini;
    ini.Init(file);
    int found = 0;
    for (const char* section : {"A", "B"})
        for (int i = 0; i < kEach; ++i) found += ini.Fetch(section, "K" + std::to_string(i), -1L) == i;
    std::printf("[ numbers  ] settings file: %d entries by two processes, %d found, %d writes retried\n",
                2 * kEach, found, count_after(la, "retries") + count_after(lb, "retries"));
    EXPECT_EQ(found, 2 * kEach);
    EXPECT_EQ(temporaries(), std::vector<std::string>{});
}

// Writers killed while they rewrite the settings file or the firms list, and copies left
// by writers that died before their rename (one of them by an earlier process that had
// this process's id): the next write removes them, and its file reads whole. A young copy
// of a process that still runs is left alone.
TEST_F(Stations, CopiesOfDeadWritersAreRemovedByTheNextWrite) {
    const std::string ini_file = (dir_ / "KVD.INI").string();
    const std::string firms_file = (dir_ / "FIRMS.DAT").string();
    std::mt19937 rng(7);
    for (int round = 0; round < 6; ++round) {
        Station ini({"ini-hammer", ini_file, "K" + std::to_string(round), "100000"});
        Station firms({"firms-hammer", firms_file, "f" + std::to_string(round), "100000"});
        race_start(ini, firms);
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + rng() % 80));
        ini.kill_now();
        firms.kill_now();
    }
    for (const std::string& f : {ini_file, firms_file}) {
        Station died({"leave", f});
        EXPECT_EQ(died.finish(), 0);
    }
    // This process writes the settings, the station the firms list: each finds a copy
    // named with its own process id, as an earlier process with that id left it.
    Station firms({"firms-step", firms_file});
    ASSERT_TRUE(firms.started());
    std::ofstream(ini_file + ".~" + std::to_string(::getpid()) + "-1") << "an earlier process with this id";
    std::ofstream(firms_file + ".~" + std::to_string(firms.pid()) + "-1")
        << "an earlier process with this id";
    const std::string young = ini_file + ".~" + std::to_string(firms.pid()) + "-2-0";
    std::ofstream(young) << "a write of a process that runs";
    EXPECT_GE(temporaries().size(), 5u);

    rt::IniManager settings;
    settings.Init(ini_file);
    EXPECT_TRUE(settings.Update("After", "Key", "1"));
    const std::string count = firms.ask("read");
    EXPECT_EQ(firms.ask("inc"), "0");
    EXPECT_EQ(firms.ask("read"), std::to_string(std::stoi(count) + 1));
    EXPECT_EQ(temporaries(), std::vector<std::string>{fs::path(young).filename().string()});
    EXPECT_EQ(settings.Fetch("After", "Key"), "1");
    EXPECT_EQ(firms.finish(), 0);
}

}  // namespace
