// A small window for the tests of threads, message boxes and window input: an entry, a
// list, and buttons that make its procedure open a child window, ask a question, draw or
// press a key.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "platform/core/text.h"
#include "tests/driver/gui_fixture.h"

namespace kvtest {

inline const rt::ui::WindowDef& SmallDef() {
    using namespace rt::ui;
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVQ$TEST";
        d.name = "SMALL";
        d.caption = "Mali prozor";
        d.w = 200;
        d.h = 130;
        d.resizable = true;
        auto add = [&](int kind, const char* label, int x, int y, int w, int h, const char* text) {
            ControlDef c;
            c.kind = kind;
            c.label = label;
            c.x = x;
            c.y = y;
            c.w = w;
            c.h = h;
            c.text = text;
            d.controls.push_back(c);
            return &d.controls.back();
        };
        add(Ctl::Entry, "?LOC:TEXT", 8, 8, 100, 11, "")->picture = "@s20";
        add(Ctl::Entry, "?LOC:OTHER", 8, 24, 100, 11, "")->picture = "@s20";
        add(Ctl::List, "?LIST", 8, 40, 120, 50, "")->format = "40L(2)~A~@s5@";
        const char* buttons[][2] = {{"?OK", "OK"},     {"?CHILD", "Child"}, {"?ASK", "Ask"},
                                    {"?DRAW", "Draw"}, {"?PRESS", "Press"}, {"?PING", "Ping"}};
        int x = 136;
        int y = 8;
        for (auto& b : buttons) {
            add(Ctl::Button, b[0], x, y, 56, 14, b[1]);
            y += 17;
        }
        return d;
    }();
    return def;
}

// A question the test makes the procedure ask, and its answer.
struct Question {
    std::string text, caption, icon, buttons;
    int default_button = 1;
    std::atomic<int> answer{0};
};

// The procedure of a small window, named `name`. Child: opens the same window named
// name + "Child" on the same thread; Ask: asks `question`; Draw: a red box in the
// drawing layer, around the entry; Press: focus to the entry and a queued Tab.
struct SmallWindow {
    explicit SmallWindow(std::string procedure) : name(std::move(procedure)) {}
    std::string name;
    const rt::ui::WindowDef* def = &SmallDef();
    EventLog log;
    Question question;
    std::mutex m;
    std::string text;
    long width = 0, height = 0;  // the window's placement in dialog units as the runtime has it
    long xpos = 0, ypos = 0;
    rt::ui::WindowId id = 0;
    std::function<void(rt::ui::Window&)> on_open;  // run on the procedure thread
    std::function<void(rt::ui::Window&)> on_ping;
    SmallWindow* child = nullptr;

    void Run() {
        using namespace rt::ui;
        std::string value;
        Window w(*def);
        w.SetProcedureName(name);
        w.Use(w.Feq("?LOC:TEXT"), Binding::OfText(&value));
        std::vector<std::vector<std::string>> rows;
        for (int i = 1; i <= 40; ++i) rows.push_back({std::to_string(i)});
        w.SetRows(w.Feq("?LIST"), rows);
        if (on_open) on_open(w);
        w.Open();
        {
            std::lock_guard lock(m);
            id = w.id();
        }
        bool done = false;
        while (!done && w.Accept()) {
            log.Add(w);
            int f = w.field();
            if (w.event() == Event::CloseWindow || (w.event() == Event::Accepted && f == w.Feq("?OK"))) {
                done = true;
            } else if (w.event() == Event::Accepted && f == w.Feq("?CHILD") && child) {
                child->Run();
            } else if (w.event() == Event::Accepted && f == w.Feq("?ASK")) {
                question.answer = Message(question.text, question.caption, question.icon, question.buttons,
                                          question.default_button);
            } else if (w.event() == Event::Accepted && f == w.Feq("?DRAW")) {
                DrawItem box;
                box.x = 4;
                box.y = 4;
                box.w = 108;
                box.h = 19;
                box.fill = 0x0000FF;
                box.pen = 0x000000;
                w.Draw(box);
            } else if (w.event() == Event::Accepted && f == w.Feq("?PING") && on_ping) {
                on_ping(w);
            } else if (w.event() == Event::Accepted && f == w.Feq("?PRESS")) {
                w.Select(w.Feq("?LOC:TEXT"));
                w.PressKey(Key::Tab);
            }
            std::lock_guard lock(m);
            text = value;
            width = w.Get(0, Prop::Width);
            height = w.Get(0, Prop::Height);
            xpos = w.Get(0, Prop::Xpos);
            ypos = w.Get(0, Prop::Ypos);
        }
        w.Close();
    }
    std::string Text() {
        std::lock_guard lock(m);
        return text;
    }
    std::pair<long, long> Size() {
        std::lock_guard lock(m);
        return {width, height};
    }
    std::pair<long, long> Position() {
        std::lock_guard lock(m);
        return {xpos, ypos};
    }
    rt::ui::WindowId Id() {
        std::lock_guard lock(m);
        return id;
    }
};

}  // namespace kvtest
