#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "data/dictionary.h"
#include "data/globals.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/process.h"
#include "platform/core/text.h"
#include "shell/glavni.h"
#include "winint/session.h"
#include "tests/temp_folder.h"

namespace fs = std::filesystem;
using namespace kvadrin;

namespace {

// What the frame procedure saw when Glavni called it.
struct Seen {
    bool called = false;
    int thread = -1;
    bool matcher_current = false, ignore_case = false, whole_words = true;
    std::string settings_file;
    bool dictionary = false;
    int builds_before = 0;  // this thread's builds before the run (other tests' among them)
    int dictionary_builds = 0;
    std::int32_t ok_to_end = 0;
    std::string firm;
    int year = -1;
    std::string version;
    // A procedure thread started from the frame.
    int child_request = -1, child_response = -1, child_builds = -1;
    bool child_dictionary = false;
};
Seen g_seen;

void ProbeMain() {
    g_seen.called = true;
    g_seen.thread = rt::thread_number();
    g_seen.matcher_current = rt::TextMatcher::Current() == &ProgramMatcher;
    g_seen.ignore_case = ProgramMatcher.Option(rt::TextMatcher::kIgnoreCase);
    g_seen.whole_words = ProgramMatcher.Option(rt::TextMatcher::kWholeWords);
    g_seen.settings_file = ProgramSettings.FileName();
    g_seen.dictionary = RecnikPostoji();
    g_seen.dictionary_builds = RecnikBrojIzgradnji();
    g_seen.ok_to_end = fp_OkToEndSessionHandler ? fp_OkToEndSessionHandler(12345) : -1;
    g_seen.firm = rt::clip(FOLDERFIRME.view());
    g_seen.year = RAD_GOD;
    g_seen.version = VERZIJA.str();

    // The frame's own thread has requests pending; a new thread must not see them.
    CallRequest = ChangeRecord;
    CallResponse = RequestCompleted;
    KVD.BROJ = "A1";
    std::thread t([] {
        rt::run_procedure_thread(rt::next_thread_number(), [] {
            g_seen.child_request = CallRequest;
            g_seen.child_response = CallResponse;
            g_seen.child_dictionary = RecnikPostoji() && KVD.BROJ.empty();
            g_seen.child_builds = RecnikBrojIzgradnji();
        });
    });
    t.join();

    rt::WindowPlacement p;
    p.x = 10, p.y = 20, p.width = 300, p.height = 200, p.has_position = p.has_size = true;
    ProgramSettings.SaveWindowPosition("BrowseKvadrin", p, true);
}

class GlavniTest : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = fs::current_path();
        root_ = kvtest::FreshFolder("glavni");
        prog_ = root_ / "blok7" / "2024" / "PROGRAM";
        fs::create_directories(prog_);
        fs::current_path(prog_);
        thread_ = rt::thread_number();
    }
    void TearDown() override {
        // The program makes its thread number 1 (the main thread, which builds no
        // dictionary in its per-thread start); the tests after this one run on it too.
        rt::set_thread_number(thread_);
        fs::current_path(old_);
        fs::remove_all(root_);
        MainProcedure = nullptr;
    }
    fs::path old_, root_, prog_;
    int thread_ = 0;
};

TEST_F(GlavniTest, StartsUpInOrderCallsTheFrameAndSavesTheSettings) {
    g_seen = {};
    g_seen.builds_before = RecnikBrojIzgradnji();
    MainProcedure = &ProbeMain;
    PrepareProcess();
    EXPECT_EQ(RunProgram(), 0);

    ASSERT_TRUE(g_seen.called);
    EXPECT_EQ(g_seen.thread, 1);
    EXPECT_TRUE(g_seen.matcher_current);
    EXPECT_TRUE(g_seen.ignore_case);
    EXPECT_FALSE(g_seen.whole_words);
    EXPECT_EQ(fs::path(g_seen.settings_file).filename(), "KVD.INI");
    EXPECT_EQ(fs::weakly_canonical(fs::path(g_seen.settings_file)).parent_path(),
              fs::weakly_canonical(prog_));
    // Thread 1 builds its dictionary in Glavni, once; its per-thread start does not.
    EXPECT_TRUE(g_seen.dictionary);
    EXPECT_EQ(g_seen.dictionary_builds - g_seen.builds_before, 1);
    EXPECT_EQ(g_seen.ok_to_end, 1);
    EXPECT_EQ(g_seen.firm, "BLOK7");
    EXPECT_EQ(g_seen.year, 2024);
    // A started thread begins with cleared requests, buffers and a dictionary of its own.
    EXPECT_EQ(g_seen.child_request, 0);
    EXPECT_EQ(g_seen.child_response, 0);
    EXPECT_TRUE(g_seen.child_dictionary);
    EXPECT_EQ(g_seen.child_builds, 1);

    // The settings were saved with their bookkeeping entry, and the objects are gone.
    std::ifstream in(prog_ / "KVD.INI");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("[BrowseKvadrin]"), std::string::npos);
    EXPECT_NE(text.str().find("[__Dont_Touch_Me__]"), std::string::npos);
    EXPECT_NE(text.str().find("Sectors="), std::string::npos);
    EXPECT_FALSE(MainModuleReady());
}

TEST(SessionCallbacks, AllowTheEndOfTheSession) {
    for (std::int32_t v : {0, 1, -1, 0x7fffffff, static_cast<std::int32_t>(0x80000000)}) {
        EXPECT_EQ(DozvoliKrajSesije(v), 1);
    }
    auto prev = wl_SetOkToEndSessionHandler(&DozvoliKrajSesije);
    EXPECT_EQ(wl_SetOkToEndSessionHandler(prev), &DozvoliKrajSesije);
}

}  // namespace
