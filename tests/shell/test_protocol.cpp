// The window procedure protocol, run through the fake back end: procedures on their own
// threads, the test acting as the user.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>


#include "data/program_objects.h"
#include "data/thread_data.h"
#include "platform/ui/window.h"
#include "shell/not_built.h"
#include "shell/procedure.h"
#include "tests/ui/fake_backend.h"
#include "tests/temp_folder.h"

namespace fs = std::filesystem;
using namespace kvadrin;
using rt::ui::ControlDef;
using rt::ui::InputEvent;
using rt::ui::WindowDef;
namespace Event = rt::ui::Event;
namespace Ctl = rt::ui::Ctl;

namespace {

ControlDef MakeControl(int kind, std::string label, int x, int y, int w, int h, std::string text) {
    ControlDef c;
    c.kind = kind;
    c.label = std::move(label);
    c.x = x, c.y = y, c.w = w, c.h = h;
    c.text = std::move(text);
    return c;
}

// Controls by declaration order: 1 prompt, 2 entry, 3 OK, 4 Cancel, 5 a button that calls
// another procedure.
enum { kPrompt = 1, kEntry = 2, kOk = 3, kCancel = 4, kCall = 5 };

const WindowDef& DialogDef() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$PROBA";
        d.name = "P1$WINDOW";
        d.caption = "Proba";
        d.w = 200, d.h = 100;
        d.resizable = true;
        d.controls = {MakeControl(Ctl::Prompt, "?PROMPT", 4, 4, 40, 10, "Naziv:"),
                      MakeControl(Ctl::Entry, "?NAZIV", 50, 4, 140, 10, ""),
                      MakeControl(Ctl::Button, "?OK", 100, 80, 40, 14, "&OK"),
                      MakeControl(Ctl::Button, "?CANCEL", 150, 80, 40, 14, "&Cancel"),
                      MakeControl(Ctl::Button, "?CALL", 4, 80, 40, 14, "&Poziv")};
        return d;
    }();
    return def;
}

// What the procedures and the integration objects did, in order.
std::mutex g_log_mutex;
std::vector<std::string> g_log;
void Log(std::string s) {
    std::lock_guard lock(g_log_mutex);
    g_log.push_back(std::move(s));
}
std::vector<std::string> TakeLog() {
    std::lock_guard lock(g_log_mutex);
    return std::exchange(g_log, {});
}

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class RecordingFocus : public FocusMarks {
public:
    void Setup() override { Log("focus setup"); }
    void Configure(rt::ui::Window&) override { Log("focus configure"); }
    void Teardown() override { Log("focus teardown"); }
};
class RecordingNavigation : public EnterNavigation {
public:
    void Setup() override { Log("nav setup"); }
    void AddControl(int feq) override { Log("nav exclude " + std::to_string(feq)); }
    void DeclareAlertKeys(rt::ui::Window&, int) override { Log("nav keys"); }
    void Teardown() override { Log("nav teardown"); }
};
class RecordingAlerts : public WindowAlerts {
public:
    void AlertMouseWheel(rt::ui::Window&) override { Log("wheel"); }
    void Alert(rt::ui::Window&, int a, int b, int c, int d, int e, int f) override {
        std::ostringstream s;
        s << "alert " << a << ',' << b << ',' << c << ',' << d << ',' << e << ',' << f;
        Log(s.str());
    }
    int VisibleOnDesktop(rt::ui::Window& w) override {
        ++visible;
        Log("visible at " + std::to_string(w.Get(0, rt::ui::Prop::Xpos)) + "," +
            std::to_string(w.Get(0, rt::ui::Prop::Ypos)));
        return 0;
    }
    std::atomic<int> visible{0};  // windows that have finished opening
};
class RecordingIntegration : public DesktopIntegration {
public:
    std::unique_ptr<FocusMarks> MakeFocusMarks() override { return std::make_unique<RecordingFocus>(); }
    std::unique_ptr<EnterNavigation> MakeEnterNavigation() override {
        return std::make_unique<RecordingNavigation>();
    }
    WindowAlerts& Alerts() override { return alerts; }
    RecordingAlerts alerts;
};

// A table's relation as the procedures use it: opened in Setup, closed in Teardown.
struct ProbeRelation {
    fs::path ini;
    int Open() {
        Log("relation open");
        return 0;
    }
    int Close() {
        // What had already happened when the relation was closed.
        Log("relation close; running " + ProgramErrors.CurrentProcedure() + "; placement " +
            (Slurp(ini).find("[ProbaDialog]") != std::string::npos ? "saved" : "not saved"));
        return 0;
    }
};

// How the probe dialog behaves in one test.
struct Script {
    bool changed_record = false;  // asks before closing, as a changed form does
    bool open_relation = false;
    bool end_setup_early = false;   // Setup ends with 5 after opening the relation
    std::function<void()> on_call;  // what the ?CALL button runs
};
Script g_script;
ProbeRelation g_relation;

// What the dialog saw.
struct Seen {
    int request = -1, call_request = -1, call_response = -1;
    std::string running;
    long x = -1, y = -1, w = -1, h = -1, maximized = -1;  // when the window opened
};
std::mutex g_seen_mutex;
std::vector<Seen> g_seen;

class ProbaController : public ProcedureController {
public:
    using ProcedureController::ProcedureController;

    int Setup() override {
        if (!g_script.open_relation) {
            const int level = ProcedureController::Setup();
            Note();
            return level;
        }
        const int level = SetupHead();
        Note();
        if (level) return level;
        OpenRelation(g_relation);
        if (g_script.end_setup_early) return rt::ui::kLevelConsumed;
        return SetupDialogSteps();
    }
    void RegisterButtons() override {
        AddDialogButton(kOk, RequestCompleted);
        AddDialogButton(kCancel, RequestCancelled);
        if (g_script.changed_record) CANCELACTION = 2;
    }
    int OnWindowEvent() override {
        const int level = ProcedureController::OnWindowEvent();
        if (window().event() == Event::OpenWindow) {
            std::lock_guard lock(g_seen_mutex);
            Seen& s = g_seen.back();
            rt::ui::Window& w = window();
            s.x = w.Get(0, rt::ui::Prop::Xpos), s.y = w.Get(0, rt::ui::Prop::Ypos);
            s.w = w.Get(0, rt::ui::Prop::Width), s.h = w.Get(0, rt::ui::Prop::Height);
            s.maximized = w.Get(0, rt::ui::Prop::Maximize);
        }
        return level;
    }
    int OnAccepted() override {
        const int level = ProcedureController::OnAccepted();
        if (window().field() == kCall && g_script.on_call) {
            UpdateComponents();
            g_script.on_call();
        }
        return level;
    }

protected:
    bool RecordChanged() const override { return g_script.changed_record; }

private:
    void Note() {
        std::lock_guard lock(g_seen_mutex);
        Seen s;
        s.request = REQUEST;
        s.call_request = CallRequest;
        s.call_response = CallResponse;
        s.running = ProgramErrors.CurrentProcedure();
        g_seen.push_back(s);
    }
};

void ProbaDialog() {
    RunWindowProcedure("ProbaDialog", WindowKind::Dialog, DialogDef(), {},
                       [](ProcedureObjects& p) { return std::make_unique<ProbaController>(p); });
}

// The result of one call of the dialog on its own thread.
struct Call {
    int response = -1, request_after = -1;
    std::string running_after;
};

class Protocol : public ::testing::Test {
protected:
    void SetUp() override {
        if (!MainModuleReady()) MainModuleInit();
        ProgramErrors.Init();
        dir_ = kvtest::FreshFolder("protocol");
        ini_ = dir_ / "KVD.INI";
        ProgramSettings.Init(ini_.string());
        g_relation.ini = ini_;
        rt::ErrorManager::SetShower([this](const rt::ShownMessage& m) {
            std::lock_guard lock(g_log_mutex);
            shown_.push_back(m);
            return answer_;
        });
        SetDesktopIntegration(&integration_);
        g_script = {};
        g_seen.clear();
        TakeLog();
    }
    void TearDown() override {
        SetDesktopIntegration(nullptr);
        rt::ErrorManager::SetShower({});
        ProgramSettings.Kill();
        fs::remove_all(dir_);
    }

    // Starts the dialog on a new thread with the given request.
    void Start(std::uint8_t request, std::function<void()> procedure = ProbaDialog) {
        done_ = false;
        rt::ui::rtl_start([this, request, procedure] {
            CallRequest = request;
            procedure();
            std::lock_guard lock(g_log_mutex);
            call_ = {CallResponse, CallRequest, ProgramErrors.CurrentProcedure()};
            done_ = true;
        });
    }
    Call Finish() {
        EXPECT_TRUE(rt::ui::WaitForThreads(60000));
        std::lock_guard lock(g_log_mutex);
        EXPECT_TRUE(done_);
        return call_;
    }
    // The n-th window opened in the test, once it has handled its opening (the user acts
    // on a window that is set up).
    rt::ui::WindowId WaitOpen(std::size_t n = 0) {
        auto s = backend_.WaitForOpen(n);
        EXPECT_TRUE(s.has_value());
        EXPECT_TRUE(WaitUntil([&] { return integration_.alerts.visible > static_cast<int>(n); }));
        return s ? s->id : 0;
    }
    void User(rt::ui::WindowId id, int event, int feq = 0) {
        InputEvent in;
        in.event = event;
        in.feq = feq;
        rt::ui::Deliver(id, in);
    }
    // Waits for something the procedure thread does (a guard against a hang: gives up
    // after a minute).
    bool WaitUntil(const std::function<bool()>& ready) {
        for (int i = 0; i < 60000; ++i) {
            {
                std::lock_guard lock(g_log_mutex);
                if (ready()) return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
    std::size_t Closed() {
        std::lock_guard lock(backend_.mutex);
        return backend_.closed.size();
    }

    rt::ui::test::FakeBackend backend_;
    RecordingIntegration integration_;
    fs::path dir_, ini_;
    std::vector<rt::ShownMessage> shown_;
    int answer_ = 1;
    Call call_;
    bool done_ = false;
};

TEST_F(Protocol, RequestIsTakenAndClearedAndTheResponseFollowsHowTheDialogCloses) {
    struct Case {
        const char* what;
        int event, feq;
        int response;
    } cases[] = {
        {"OK", Event::Accepted, kOk, RequestCompleted},
        {"Cancel", Event::Accepted, kCancel, RequestCancelled},
        {"close box", Event::CloseWindow, 0, RequestCancelled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_seen.clear();
        const std::size_t opened = backend_.opened.size();
        Start(ChangeRecord);
        User(WaitOpen(opened), c.event, c.feq);
        const Call call = Finish();
        EXPECT_EQ(call.response, c.response);
        EXPECT_EQ(call.request_after, 0);
        EXPECT_EQ(call.running_after, "");
        ASSERT_EQ(g_seen.size(), 1u);
        EXPECT_EQ(g_seen[0].request, ChangeRecord);
        EXPECT_EQ(g_seen[0].running, "ProbaDialog");
    }
    // After the head, a procedure the dialog calls starts from no request.
    g_script.on_call = [] {
        CallResponse = RequestCompleted;  // left by an earlier call
        ProbaDialog();
    };
    g_seen.clear();
    const std::size_t opened = backend_.opened.size();
    Start(ChangeRecord);
    const rt::ui::WindowId outer = WaitOpen(opened);
    User(outer, Event::Accepted, kCall);
    User(WaitOpen(opened + 1), Event::Accepted, kOk);
    User(outer, Event::Accepted, kCancel);
    const Call call = Finish();
    EXPECT_EQ(call.response, RequestCancelled);
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[1].request, 0);
    EXPECT_EQ(g_seen[1].running, "ProbaDialog");
}

TEST_F(Protocol, PlacementIsSavedUnderTheProcedureNameAndRestoredAtTheNextOpening) {
    Start(0);
    rt::ui::WindowId id = WaitOpen();
    InputEvent sized;
    sized.event = Event::Sized;
    sized.x = 3000, sized.y = 2500, sized.w = 260, sized.h = 140;  // off screen
    rt::ui::Deliver(id, sized);
    User(id, Event::Accepted, kOk);
    Finish();
    const std::string ini = Slurp(ini_);
    EXPECT_NE(ini.find("[ProbaDialog]"), std::string::npos) << ini;
    for (const char* line :
         {"Maximize=No", "Minimize=No", "XPos=3000", "YPos=2500", "Width=260", "Height=140"})
        EXPECT_NE(ini.find(line), std::string::npos) << line << "\n" << ini;

    // Reopened at the stored place and size, then moved onto the desktop (event 1450).
    TakeLog();
    Start(0);
    id = WaitOpen(1);
    User(id, Event::Maximized);
    User(id, Event::Accepted, kOk);
    Finish();
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[1].x, 3000);
    EXPECT_EQ(g_seen[1].y, 2500);
    EXPECT_EQ(g_seen[1].w, 260);
    EXPECT_EQ(g_seen[1].h, 140);
    EXPECT_EQ(g_seen[1].maximized, 0);
    const auto log = TakeLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "visible at 3000,2500"), log.end());

    // Closed maximized: reopens maximized, and keeps the last normal placement.
    const std::string maximized = Slurp(ini_);
    EXPECT_NE(maximized.find("Maximize=Yes"), std::string::npos) << maximized;
    EXPECT_NE(maximized.find("XPos=3000"), std::string::npos) << maximized;
    Start(0);
    id = WaitOpen(2);
    User(id, Event::Accepted, kOk);
    Finish();
    ASSERT_EQ(g_seen.size(), 3u);
    EXPECT_EQ(g_seen[2].maximized, 1);
    std::lock_guard lock(backend_.mutex);
    bool shown_maximized = false;
    for (const auto& s : backend_.synced)
        if (s.id == id && s.maximized) shown_maximized = true;
    EXPECT_TRUE(shown_maximized);
}

TEST_F(Protocol, CloseDownClosesEveryWindowOfAThreadAsCancelledWithoutAQuestion) {
    // An outer dialog with an inner changed one on the same thread.
    g_script.on_call = [] {
        g_script.changed_record = true;
        ProbaDialog();
        Log("inner answered " + std::to_string(CallResponse));
    };
    answer_ = 2;  // "No" to "Are you sure you want to cancel?"
    Start(0);
    const rt::ui::WindowId outer = WaitOpen(0);
    User(outer, Event::Accepted, kCall);
    const rt::ui::WindowId inner = WaitOpen(1);

    // Closing the changed window asks, and "No" keeps it open: closing again asks again.
    User(inner, Event::CloseWindow);
    ASSERT_TRUE(WaitUntil([&] { return shown_.size() == 1; }));
    User(inner, Event::CloseWindow);
    ASSERT_TRUE(WaitUntil([&] { return shown_.size() == 2; }));
    {
        std::lock_guard lock(g_log_mutex);
        EXPECT_EQ(shown_[0].title, "Changes will be lost!");
        EXPECT_EQ(shown_[0].text, "Are you sure you want to cancel?");
    }
    EXPECT_EQ(Closed(), 0u);

    EXPECT_EQ(rt::ui::CloseDownOtherThreads(), 2);
    const Call call = Finish();
    EXPECT_EQ(call.response, RequestCancelled);
    EXPECT_EQ(Closed(), 2u);
    std::lock_guard lock(g_log_mutex);
    EXPECT_EQ(shown_.size(), 2u);  // no question on close-down
    EXPECT_NE(std::find(g_log.begin(), g_log.end(), "inner answered 2"), g_log.end());
    std::lock_guard backend_lock(backend_.mutex);
    EXPECT_EQ(backend_.closed[0], inner);
    EXPECT_EQ(backend_.closed[1], outer);
}

TEST_F(Protocol, BodySetupAndTeardownRunTheirStepsInOrder) {
    struct Case {
        const char* what;
        bool early;
        std::vector<std::string> log;
    } cases[] = {
        {"opened and closed",
         false,
         {"focus setup", "nav setup", "relation open", "wheel", "alert 17,0,0,1,0,5", "focus configure",
          "nav exclude 3", "nav exclude 4", "nav keys", "visible at 0,0", "alert 0,1,0,1,1,0",
          "relation close; running ProbaDialog; placement not saved", "nav teardown", "focus teardown"}},
        // Setup ended after opening its relation: the window never opened, so neither are
        // alerts removed nor is a placement saved; the relation is still closed.
        {"setup ended early",
         true,
         {"focus setup", "nav setup", "relation open",
          "relation close; running ProbaDialog; placement not saved", "nav teardown", "focus teardown"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_script.open_relation = true;
        g_script.end_setup_early = c.early;
        TakeLog();
        fs::remove(ini_);
        const std::size_t opened = backend_.opened.size();
        Start(0);
        if (!c.early) User(WaitOpen(opened), Event::Accepted, kOk);
        const Call call = Finish();
        EXPECT_EQ(TakeLog(), c.log);
        EXPECT_EQ(call.running_after, "");
        EXPECT_EQ(call.response, c.early ? RequestCancelled : RequestCompleted);
        EXPECT_EQ(fs::exists(ini_) && Slurp(ini_).find("[ProbaDialog]") != std::string::npos, !c.early);
    }
}

TEST_F(Protocol, RunUpdateInViewModeAnswersCancelledWithoutCalling) {
    struct Updating : ProcedureController {
        using ProcedureController::ProcedureController;
        void CallUpdate(int number) override {
            called_with = CallRequest;
            CallResponse = RequestCompleted;
        }
        int called_with = -1;
    };
    rt::ui::Window window(DialogDef());
    rt::ui::ToolbarList toolbar;
    FocusMarks focus;
    WindowAlerts alerts;
    ProcedureObjects objects{"BrowseProba", WindowKind::Browse, window, &toolbar, nullptr, focus, nullptr,
                             alerts};
    struct Case {
        std::uint8_t own_request;
        int response, called_with;
    } cases[] = {{ViewRecord, RequestCancelled, -1},
                 {0, RequestCompleted, ChangeRecord},
                 {SelectRecord, RequestCompleted, ChangeRecord}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.own_request));
        Updating u(objects);
        u.REQUEST = c.own_request;
        CallResponse = 0;
        EXPECT_EQ(u.RunUpdate(1, ChangeRecord), c.response);
        EXPECT_EQ(u.called_with, c.called_with);
    }
}

TEST_F(Protocol, AProcedureNotBuiltSaysSoAndAnswersCancelled) {
    CallResponse = RequestCompleted;
    ProcedureNotBuilt("IspisObaveza");
    EXPECT_EQ(CallResponse, RequestCancelled);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].number, rt::Msg::ProcedureNotDefined);
    EXPECT_EQ(shown_[0].title, "Procedure not defined");
    EXPECT_EQ(shown_[0].text, "The Procedure IspisObaveza has not been defined.");
}

}  // namespace
