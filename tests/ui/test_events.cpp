// Event queues across threads, procedure threads, posted events and message boxes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/core/errors.h"
#include "platform/core/process.h"
#include "platform/ui/backend.h"
#include "platform/ui/window.h"
#include "tests/ui/fake_backend.h"

namespace {

using namespace rt::ui;

WindowDef simple() {
    WindowDef d;
    d.name = "P1$WINDOW";
    ControlDef b;
    b.kind = Ctl::Button;
    b.label = "?OK";
    d.controls = {b};
    return d;
}

const WindowDef& shared_def() {
    static const WindowDef d = simple();
    return d;
}

struct Seen {
    int event, field;
    bool operator==(const Seen&) const = default;
};

class EventsTest : public ::testing::Test {
protected:
    void SetUp() override { rt::set_thread_number(1); }
    test::FakeBackend backend;
};

TEST_F(EventsTest, InputFromAnotherThreadWakesTheWaitingWindowInOrder) {
    Window w(shared_def());
    w.Open();
    std::thread gui([&] {
        for (int i = 1; i <= 3; ++i) {
            InputEvent in;
            in.event = Event::AlertKey;
            in.feq = 1;
            in.keycode = Key::F1 + i;
            Deliver(w.id(), in);
        }
    });
    std::vector<int> keys;
    ASSERT_TRUE(w.Accept());
    EXPECT_EQ(w.event(), Event::OpenWindow);
    while (keys.size() < 3) {
        ASSERT_TRUE(w.Accept());
        EXPECT_EQ(w.event(), Event::AlertKey);
        EXPECT_EQ(w.field(), 1);
        keys.push_back(w.keycode());
    }
    gui.join();
    EXPECT_EQ(keys, (std::vector<int>{Key::F1 + 1, Key::F1 + 2, Key::F1 + 3}));
}

TEST_F(EventsTest, PostedEventsGoToTheActiveWindowOrWaitForTheNextOne) {
    EXPECT_EQ(rtl_thread(), 1);
    rtl_post(Event::User, 0, 0);       // no window yet: kept for the thread's next window
    rtl_post(Event::User, 0, 987654);  // no such thread: dropped
    Window w(shared_def());
    w.Open();
    rtl_post(Event::User + 1, 1, 1);
    w.Post(Event::CloseWindow);
    std::vector<Seen> seen;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(w.Accept());
        seen.push_back({w.event(), w.field()});
    }
    EXPECT_EQ(seen,
              (std::vector<Seen>{
                  {Event::User, 0}, {Event::OpenWindow, 0}, {Event::User + 1, 1}, {Event::CloseWindow, 0}}));
    EXPECT_TRUE(w.IsOpen());  // Accept never closes by itself
    w.Close();
    EXPECT_FALSE(w.Accept());
    InputEvent late;
    late.event = Event::Accepted;
    Deliver(w.id(), late);  // for a closed window: nobody gets it
}

TEST_F(EventsTest, ProcedureThreadsHaveTheirOwnNumbersWindowsAndEvents) {
    struct Proc {
        std::atomic<int> number{0};
        std::atomic<WindowId> window{0};
        std::vector<Seen> seen;
    };
    Proc a, b;
    auto body = [](Proc& p, std::function<void(Window&)> on_user) {
        p.number = rtl_thread();
        Window w(shared_def());
        p.window = w.id();
        w.Open();
        while (w.Accept()) {
            p.seen.push_back({w.event(), w.field()});
            if (w.event() == Event::User) on_user(w);
            if (w.event() == Event::CloseWindow) w.Close();
        }
    };
    int nb = 0;
    // The old program's 25,000 bytes would not hold this procedure's frames.
    int na = rtl_start(
        [&] {
            volatile char frame[1 << 20];
            frame[0] = 1;
            frame[sizeof frame - 1] = 1;
            body(a, [&](Window& w) {
                rtl_post(Event::User + 5, 0, nb);
                w.Close();
            });
        },
        25000);
    nb = rtl_start([&] { body(b, [](Window&) {}); });
    EXPECT_GT(na, 1);
    EXPECT_EQ(nb, na + 1);
    ASSERT_TRUE(backend.WaitFor([&] { return backend.opened.size() == 2; }));
    InputEvent click;
    click.event = Event::Accepted;
    click.feq = 1;
    Deliver(b.window, click);
    rtl_post(Event::User, 1, na);  // thread a then posts to thread b and closes
    ASSERT_TRUE(backend.WaitFor([&] { return backend.closed.size() == 1; }));
    rtl_post(Event::CloseWindow, 0, nb);
    ASSERT_TRUE(WaitForThreads(60000));
    EXPECT_EQ(RunningThreads(), 0);
    EXPECT_EQ(a.number, na);
    EXPECT_EQ(b.number, nb);
    EXPECT_EQ(WindowThread(a.window), 0);  // closed
    EXPECT_EQ(a.seen, (std::vector<Seen>{{Event::OpenWindow, 0}, {Event::User, 1}}));
    EXPECT_EQ(
        b.seen,
        (std::vector<Seen>{
            {Event::OpenWindow, 0}, {Event::Accepted, 1}, {Event::User + 5, 0}, {Event::CloseWindow, 0}}));
    std::lock_guard lock(backend.mutex);
    for (const WindowState& s : backend.opened) EXPECT_EQ(s.thread, s.id == a.window ? na : nb);
    rtl_post(Event::User, 0, na);  // the thread has ended: dropped
}

// What a thread releases as it ends (its connections, files, the toolkit's record of it)
// is released before the wait for it returns: a process that ends then must not pull its
// statics from under a thread still ending.
TEST_F(EventsTest, AThreadCountsUntilItsThreadLocalsAreGone) {
    static std::atomic<int> released{0};
    struct Held {
        ~Held() {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            ++released;
        }
    };
    released = 0;
    for (int i = 0; i < 3; ++i)
        rtl_start([] {
            thread_local Held held;
            (void)&held;
        });
    ASSERT_TRUE(WaitForThreads(60000));
    EXPECT_EQ(released, 3);
    EXPECT_EQ(RunningThreads(), 0);
    // A wait that runs out while a thread is still ending says so.
    rtl_start([] {
        thread_local Held held;
        (void)&held;
    });
    EXPECT_FALSE(WaitForThreads(20));
    EXPECT_GT(RunningThreads(), 0);
    ASSERT_TRUE(WaitForThreads(60000));
    EXPECT_EQ(released, 4);
}

TEST_F(EventsTest, MessageBoxesAnswerTheChosenButton) {
    backend.auto_answer = [](const MessageRequest& r) { return r.buttons.size() == 1 ? 1 : 2; };
    EXPECT_EQ(Message("Gotovo."), 1);
    EXPECT_EQ(Message("Brisati?", "Pitanje", Icon::Question, "Da|Ne"), 2);
    backend.auto_answer = [](const MessageRequest&) { return 0; };  // closed without a choice
    EXPECT_EQ(Message("Brisati?", "Pitanje", Icon::Question, "Da|Ne"), 2);
    std::lock_guard lock(backend.mutex);
    ASSERT_EQ(backend.messages.size(), 3u);
    const MessageRequest& plain = backend.messages[0];
    EXPECT_EQ(plain.buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(plain.caption, "");
    EXPECT_EQ(plain.thread, 1);
    const MessageRequest& question = backend.messages[1];
    EXPECT_EQ(question.buttons, (std::vector<std::string>{"Da", "Ne"}));
    EXPECT_EQ(question.icon, "Question");
    EXPECT_EQ(question.default_button, 1);
    EXPECT_NE(plain.id, question.id);
    EXPECT_EQ(backend.beeps, 1);  // only the text-only box
}

TEST_F(EventsTest, AMessageBoxWaitsForItsAnswerWhileOtherInputStaysQueued) {
    Window w(shared_def());
    w.Open();
    w.Set(0, Prop::Xpos, 77);  // pending: shown before the box
    std::thread user([&] {
        auto r = backend.WaitForMessage();
        if (!r) return;
        InputEvent click;
        click.event = Event::Accepted;
        click.feq = 1;
        Deliver(w.id(), click);
        DeliverAnswer(r->id + 1000, 1);  // not this box's
        DeliverAnswer(r->id, 2);
    });
    EXPECT_EQ(Message("Snimiti?", "", "", "Da|Ne|Odustani"), 2);
    user.join();
    {
        std::lock_guard lock(backend.mutex);
        ASSERT_EQ(backend.synced.size(), 1u);
        EXPECT_EQ(backend.synced[0].x, 77);
    }
    ASSERT_TRUE(w.Accept());
    EXPECT_EQ(w.event(), Event::OpenWindow);
    ASSERT_TRUE(w.Accept());
    EXPECT_EQ(w.event(), Event::Accepted);
}

TEST_F(EventsTest, ErrorManagerMessagesAppearAsMessageBoxes) {
    InstallErrorShower();
    backend.auto_answer = [](const MessageRequest&) { return 1; };
    rt::ErrorManager errors;
    EXPECT_EQ(errors.RaiseMessage(rt::Msg::ConfirmDelete), rt::Level::Benign);
    rt::ErrorManager::SetShower({});
    std::lock_guard lock(backend.mutex);
    ASSERT_EQ(backend.messages.size(), 1u);
    EXPECT_EQ(backend.messages[0].caption, errors.Title(rt::Msg::ConfirmDelete));
    EXPECT_EQ(backend.messages[0].buttons, (std::vector<std::string>{"Yes", "No"}));
    EXPECT_EQ(backend.messages[0].default_button, 2);
    EXPECT_EQ(backend.messages[0].icon, "Question");
}

TEST(RuntimeWithoutBackEnd, MessagesAnswerTheDefaultAndServicesDoNothing) {
    ASSERT_EQ(GetBackend(), nullptr);
    EXPECT_EQ(Message("Brisati?", "Pitanje", Icon::Question, "Da|Ne", 2), 2);
    EXPECT_EQ(Message("Gotovo."), 1);
    Beep();
    PrinterSetup();
    Window w(shared_def());
    w.Open();
    w.Set(1, Prop::Disable, 1);
    ASSERT_TRUE(w.Accept());
    EXPECT_EQ(w.event(), Event::OpenWindow);
}

TEST_F(EventsTest, PrinterSetupAndBeepGoToTheBackEnd) {
    PrinterSetup();
    Beep();
    std::lock_guard lock(backend.mutex);
    EXPECT_EQ(backend.printer_setups, std::vector<int>{1});
    EXPECT_EQ(backend.beeps, 1);
}

}  // namespace
