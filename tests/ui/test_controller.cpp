// The window controller's defaults, its resizer and its toolbar object, on the fake back end.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>


#include "platform/core/errors.h"
#include "platform/core/ini.h"
#include "platform/files/layout.h"
#include "platform/ui/controller.h"
#include "platform/ui/resizer.h"
#include "platform/ui/toolbar.h"
#include "tests/ui/fake_backend.h"
#include "tests/temp_folder.h"

namespace fs = std::filesystem;
using namespace rt::ui;

namespace {

ControlDef MakeControl(int kind, std::string label, int x, int y, int w, int h) {
    ControlDef c;
    c.kind = kind;
    c.label = std::move(label);
    c.x = x, c.y = y, c.w = w, c.h = h;
    return c;
}

// By declaration order: 1 prompt, 2 entry, 3 OK, 4 Cancel, 5 list.
enum { kPrompt = 1, kEntry = 2, kOk = 3, kCancel = 4, kList = 5 };

WindowDef MakeDef(bool resizable) {
    WindowDef d;
    d.module = "KVD$TEST";
    d.name = "P1$WINDOW";
    d.w = 200, d.h = 100;
    d.resizable = resizable;
    d.controls = {MakeControl(Ctl::Prompt, "?PROMPT", 4, 4, 40, 10),
                  MakeControl(Ctl::Entry, "?NAZIV", 50, 4, 140, 10),
                  MakeControl(Ctl::Button, "?OK", 150, 80, 40, 14),
                  MakeControl(Ctl::Button, "?CANCEL", 100, 80, 40, 14),
                  MakeControl(Ctl::List, "?LIST", 4, 20, 180, 60)};
    return d;
}
const WindowDef& Def() {
    static const WindowDef d = MakeDef(true);
    return d;
}

// A controller that logs its handlers and runs a script of posted events once open.
class Probe : public WindowController {
public:
    using WindowController::WindowController;

    std::vector<int> script;  // events posted to the window after it opens
    int setup_level = kLevelGoOn;
    std::function<int()> save;         // SaveChanged / SaveInserted
    std::function<int(int)> accepted;  // replaces OnAccepted's level for a control
    std::vector<std::string> log;
    bool cancel_button = true;  // ?CANCEL closes with response 2

    int Setup() override {
        const int level = WindowController::Setup();
        if (level || setup_level) return setup_level;
        if (cancel_button) AddButtonAction(kCancel, kResponseCancelled);
        Open(window());
        for (std::size_t i = 0; i + 1 < script.size(); i += 2) window().Post(script[i], script[i + 1]);
        return kLevelGoOn;
    }
    int EventLoop() override {
        log.push_back("EventLoop");
        return WindowController::EventLoop();
    }
    int Teardown() override {
        log.push_back("Teardown");
        return WindowController::Teardown();
    }
    void Opened() override {
        log.push_back("Opened");
        WindowController::Opened();
    }
    void Reset(int force) override {
        log.push_back("Reset");
        WindowController::Reset(force);
    }
    int OnAccepted() override {
        log.push_back("OnAccepted " + std::to_string(window().field()));
        const int level = WindowController::OnAccepted();
        return accepted ? accepted(window().field()) : level;
    }
    int OnSelected() override {
        log.push_back("OnSelected " + std::to_string(window().field()));
        return WindowController::OnSelected();
    }
    int OnRejected() override {
        log.push_back("OnRejected " + std::to_string(window().field()));
        return WindowController::OnRejected();
    }
    int OnNewSelection() override {
        log.push_back("OnNewSelection " + std::to_string(window().field()));
        return WindowController::OnNewSelection();
    }
    int OnCompleted() override {
        log.push_back("OnCompleted");
        return WindowController::OnCompleted();
    }
    int OnCloseEvent() override {
        log.push_back("OnCloseEvent");
        return WindowController::OnCloseEvent();
    }
    int OnWindowEvent() override {
        if (window().event() == Event::AfterResize) log.push_back("AfterResize");
        return WindowController::OnWindowEvent();
    }
    int SaveChanged() override {
        log.push_back("SaveChanged");
        return save ? save() : WindowController::SaveChanged();
    }
    int SaveInserted() override {
        log.push_back("SaveInserted");
        return save ? save() : WindowController::SaveInserted();
    }
};

class Controller : public ::testing::Test {
protected:
    test::FakeBackend backend_;
};

TEST_F(Controller, EventsReachTheirHandlers) {
    Window w(Def());
    Probe p(w);
    p.script = {Event::Accepted,     kEntry, Event::Selected,  kEntry, Event::Rejected, kEntry,
                Event::NewSelection, kList,  Event::GainFocus, 0,      Event::Sized,    0,
                Event::Completed,    0};
    EXPECT_EQ(p.RunWindow(), kResponseCompleted);  // a completion without a request closes
    const std::vector<std::string> expected = {
        "EventLoop",    "Opened",           "Reset",   "OnAccepted 2", "OnSelected 2",
        "OnRejected 2", "OnNewSelection 5", "Reset",   "Reset",        "OnCompleted",
        "AfterResize",  "OnCloseEvent",     "Teardown"};
    EXPECT_EQ(p.log, expected);
    EXPECT_EQ(p.OPENED, 1);
}

TEST_F(Controller, ButtonsCloseWithTheirResponseAndOkCompletesByRequest) {
    struct Case {
        const char* what;
        std::uint8_t request;
        int button;
        bool refuse_save;
        int response;
        const char* saved;  // the save step that ran, or ""
    } cases[] = {
        {"cancel button", 0, kCancel, false, kResponseCancelled, ""},
        {"OK without a request", 0, kOk, false, kResponseCompleted, ""},
        {"OK on a change", 2, kOk, false, kResponseCompleted, "SaveChanged"},
        {"OK on an insert", 1, kOk, false, kResponseCompleted, "SaveInserted"},
        // The save refuses: the window stays, and the user then cancels.
        {"refused change", 2, kOk, true, kResponseCancelled, "SaveChanged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Window w(Def());
        Probe p(w);
        p.REQUEST = c.request;
        p.OKCONTROL = kOk;
        p.script = {Event::Accepted, c.button};
        if (c.refuse_save)
            p.save = [&w] {
                w.Post(Event::Accepted, kCancel);
                return kLevelConsumed;
            };
        EXPECT_EQ(p.RunWindow(), c.response);
        const bool saved = std::find(p.log.begin(), p.log.end(), std::string(c.saved)) != p.log.end();
        EXPECT_EQ(saved, *c.saved != 0);
        EXPECT_EQ(p.ORIGINALREQUEST, c.request);
    }
}

TEST_F(Controller, RunWindowRunsTheLoopOnlyAfterASuccessfulSetupAndAnswersCancelledByDefault) {
    struct Case {
        int setup_level;
        bool fatal_handler;
        bool loop;
    } cases[] = {{kLevelFatal, false, false}, {kLevelConsumed, false, false}, {kLevelGoOn, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setup_level);
        Window w(Def());
        Probe p(w);
        p.setup_level = c.setup_level;
        p.script = {Event::Accepted, kEntry, Event::Accepted, kCancel};
        if (c.fatal_handler) p.accepted = [](int feq) { return feq == kEntry ? kLevelFatal : kLevelGoOn; };
        EXPECT_EQ(p.RunWindow(), kResponseCancelled);
        std::vector<std::string> expected;
        if (c.loop) expected = {"EventLoop", "Opened", "Reset", "OnAccepted 2"};
        expected.push_back("Teardown");
        EXPECT_EQ(p.log, expected);
    }
}

TEST_F(Controller, ADeleteRequestAsksDeletesAndAnswersWithoutOpeningTheWindow) {
    struct Case {
        const char* what;
        int answer;  // 1 yes, 2 no
        int delete_level;
        int response;
        bool deleted;
    } cases[] = {
        {"confirmed", 1, kLevelGoOn, kResponseCompleted, true},
        {"refused by the table", 1, kLevelConsumed, kResponseCancelled, true},
        {"not confirmed", 2, kLevelGoOn, kResponseCancelled, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> asked;
        rt::ErrorManager errors;
        rt::ErrorManager::SetShower([&](const rt::ShownMessage& m) {
            asked.push_back(m.title + ": " + m.text);
            return c.answer;
        });
        struct Deleting : Probe {
            using Probe::Probe;
            int Setup() override {
                WindowController::Setup();
                return PrepareRequest();  // as a form does before it opens its window
            }
            int CompleteDelete() override {
                log.push_back("CompleteDelete");
                return level;
            }
            int level = kLevelGoOn;
        };
        Window w(Def());
        Deleting p(w);
        p.ERRORS = &errors;
        p.REQUEST = 3;
        p.level = c.delete_level;
        EXPECT_EQ(p.RunWindow(), c.response);
        rt::ErrorManager::SetShower({});
        EXPECT_EQ(p.OPENED, 0);
        EXPECT_EQ(asked, (std::vector<std::string>{
                             "Confirm Delete: Are you sure you want to delete the highlighted record?"}));
        EXPECT_EQ(std::count(p.log.begin(), p.log.end(), "CompleteDelete"), c.deleted ? 1 : 0);
        EXPECT_EQ(std::count(p.log.begin(), p.log.end(), "EventLoop"), 0);
    }
}

struct Target : ToolbarTarget {
    bool TakeToolbar(int button) override {
        taken.push_back(button);
        return true;
    }
    std::vector<int> taken;
};

TEST_F(Controller, ToolbarButtonsGoToTheActiveTarget) {
    Window w(Def());
    ToolbarList toolbar;
    Target form, browse;
    Probe p(w);
    p.script = {Event::Accepted, ToolbarButton::Insert,
                Event::Accepted, ToolbarButton::Help,
                Event::Accepted, 3014,
                Event::Accepted, kCancel};
    p.AddFormToolbar(form);
    p.AddToolbar(toolbar);
    toolbar.AddTarget(browse);
    toolbar.RemoveTarget(browse);  // the form's handler is active again
    p.RunWindow();
    EXPECT_EQ(form.taken, (std::vector<int>{3001, 3013}));
    EXPECT_TRUE(browse.taken.empty());
    // Other numbers reach the controller's own handling.
    EXPECT_EQ(std::count(p.log.begin(), p.log.end(), "OnAccepted 3014"), 1);
    EXPECT_EQ(std::count(p.log.begin(), p.log.end(), "OnAccepted 3001"), 0);
    // After Teardown the form's handler no longer receives the toolbar.
    EXPECT_EQ(toolbar.ActiveTarget(), nullptr);
    EXPECT_FALSE(toolbar.TakeEvent(ToolbarButton::Insert));
}

TEST_F(Controller, TheFrameForwardsToolbarButtonsToTheThreadOfTheWindowInUse) {
    Target target;
    rtl_start([&target] {
        Window w(Def());
        ToolbarList toolbar;
        Probe p(w);
        p.AddToolbar(toolbar);
        toolbar.AddTarget(target);
        p.RunWindow();
    });
    const auto child = backend_.WaitForOpen(0);
    ASSERT_TRUE(child.has_value());
    bool forwarded = false, own = true;
    rtl_start([&] {
        forwarded = ForwardToolbarButton(ToolbarButton::Change);
        Window frame(Def());
        frame.Open();  // now the frame is the window in use: it handles its buttons itself
        own = ForwardToolbarButton(ToolbarButton::Delete);
        frame.Close();
    });
    ASSERT_TRUE(backend_.WaitFor([&] { return backend_.closed.size() == 1; }));
    InputEvent cancel;
    cancel.event = Event::Accepted;
    cancel.feq = kCancel;
    Deliver(child->id, cancel);
    ASSERT_TRUE(WaitForThreads(60000));
    EXPECT_TRUE(forwarded);
    EXPECT_FALSE(own);
    EXPECT_EQ(target.taken, (std::vector<int>{ToolbarButton::Change}));
}

// A record of two text fields and its layout.
struct Rec {
    char a[8];
    char b[8];
};
rt::RecordLayout RecLayout() {
    rt::RecordLayout l;
    l.prefix = "REC";
    l.record_size = sizeof(Rec);
    l.fields = {rt::make_field("REC:A", rt::FieldType::String, offsetof(Rec, a), 8),
                rt::make_field("REC:B", rt::FieldType::String, offsetof(Rec, b), 8)};
    return l;
}

TEST_F(Controller, HistoryKeyRecallsTheFieldFromTheLastCompletedRecord) {
    const rt::RecordLayout layout = RecLayout();
    Rec record, history;
    std::memcpy(&record, "first   second  ", sizeof record);
    std::memset(&history, ' ', sizeof history);
    Window w(Def());
    struct Recalling : Probe {
        using Probe::Probe;
        int OnCompleted() override {
            const int level = WindowController::OnCompleted();
            // The user changes both fields and presses Ctrl+H in the second one's entry.
            std::memcpy(rec, "FIRST   SECOND  ", sizeof(Rec));
            InputEvent key;
            key.event = Event::AlertKey;
            key.feq = kEntry;
            key.keycode = Key::CtrlH;
            Deliver(window().id(), key);
            window().Post(Event::Accepted, kCancel);
            return level;
        }
        Rec* rec = nullptr;
    } p(w);
    p.rec = &record;
    p.REQUEST = 6;  // nothing is saved and the window stays: only the history copy matters
    p.HISTORYKEY = Key::CtrlH;
    p.AddRecallBuffers(layout, &record, &history);
    p.AddRecallField(kEntry, 2);
    p.script = {Event::Completed, 0};
    p.RunWindow();
    EXPECT_EQ(std::string(history.a, 8), "first   ");  // copied on completion
    EXPECT_EQ(std::string(record.a, 8), "FIRST   ");   // not recalled
    EXPECT_EQ(std::string(record.b, 8), "second  ");   // recalled
}

TEST_F(Controller, ResizerStretchesWideControlsMovesThoseRightAndBelowAndKeepsTheMinimum) {
    Window w(Def());
    ResizeManager r;
    r.Init(ResizeManager::kKeepLayout, 1, 0);
    r.Attach(w);
    struct Place {
        int feq;
        long x, y, wd, h;
    };
    auto check = [&](int width, int height, std::vector<Place> expected, int fit_w, int fit_h) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        w.Set(0, Prop::Width, width);
        w.Set(0, Prop::Height, height);
        r.Resize();
        EXPECT_EQ(w.Get(0, Prop::Width), fit_w);
        EXPECT_EQ(w.Get(0, Prop::Height), fit_h);
        for (const Place& p : expected) {
            SCOPED_TRACE(p.feq);
            EXPECT_EQ(w.Get(p.feq, Prop::Xpos), p.x);
            EXPECT_EQ(w.Get(p.feq, Prop::Ypos), p.y);
            EXPECT_EQ(w.Get(p.feq, Prop::Width), p.wd);
            EXPECT_EQ(w.Get(p.feq, Prop::Height), p.h);
        }
    };
    const std::vector<Place> design = {{kPrompt, 4, 4, 40, 10},
                                       {kEntry, 50, 4, 140, 10},
                                       {kOk, 150, 80, 40, 14},
                                       {kCancel, 100, 80, 40, 14},
                                       {kList, 4, 20, 180, 60}};
    check(300, 150,
          {{kPrompt, 4, 4, 40, 10},      // left and top: stays
           {kEntry, 50, 4, 240, 10},     // wide: stretches, stays at the top
           {kOk, 250, 130, 40, 14},      // right and below the centre: moves
           {kCancel, 200, 130, 40, 14},  // centre right of the middle: moves too
           {kList, 4, 20, 280, 110}},    // wide and tall: stretches both ways
          300, 150);
    // Smaller than the resource: set back to the minimum, everything at its design place.
    check(150, 60, design, 200, 100);
    EXPECT_EQ(r.MinWidth(), 200);
    EXPECT_EQ(r.MinHeight(), 100);
}

TEST_F(Controller, PlacementAppliesASizeOnlyToAResizableWindowAndSavesOnlyAKnownPosition) {
    const fs::path dir = kvtest::FreshFolder("controller");
    const fs::path file = dir / "KVD.INI";
    {
        std::ofstream out(file);
        out << "[Fixed]\nMaximize=No\nMinimize=No\nXPos=10\nYPos=20\nWidth=500\nHeight=400\n";
    }
    rt::IniManager ini;
    ini.Init(file.string());

    static const WindowDef fixed_def = MakeDef(false);
    Window fixed(fixed_def);
    WindowController fc(fixed);
    EXPECT_TRUE(fc.LoadWindowPosition(ini, "Fixed"));
    EXPECT_EQ(fixed.Get(0, Prop::Xpos), 10);
    EXPECT_EQ(fixed.Get(0, Prop::Ypos), 20);
    EXPECT_EQ(fixed.Get(0, Prop::Width), 200);
    EXPECT_EQ(fixed.Get(0, Prop::Height), 100);

    // A window that was neither restored nor moved has no position of its own to store.
    Window fresh(Def());
    WindowController nc(fresh);
    EXPECT_FALSE(nc.LoadWindowPosition(ini, "Fresh"));
    EXPECT_TRUE(nc.SaveWindowPosition(ini, "Fresh"));
    std::string saved;
    EXPECT_TRUE(ini.TryFetch("Fresh", "Maximize", saved));
    EXPECT_EQ(saved, "No");
    EXPECT_FALSE(ini.TryFetch("Fresh", "XPos", saved));
    EXPECT_EQ(ini.Fetch("Fresh", "Width", 0L), 200);
    ini.Kill();
    fs::remove_all(dir);
}

}  // namespace
