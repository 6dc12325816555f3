// The rich-text editor object and the window behaviour it relies on, without a toolkit: a
// rich text longer than its variable is refused and never cut; drop lists with fixed
// items choose by value; the editor turns its tool controls' Accepted into actions on the
// control and shows the reported format in the tool controls.
#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/process.h"
#include "platform/files/layout.h"
#include "platform/files/types.h"
#include "platform/ui/backend.h"
#include "platform/ui/richtext.h"
#include "platform/ui/window.h"
#include "tests/ui/fake_backend.h"

namespace {

using namespace rt::ui;
using Tool = RichTextEditor::Tool;

struct Rec {
    rt::CString<9> text;  // 8 characters
    rt::Byte color;
};

rt::RecordLayout layout() {
    rt::RecordLayout l;
    l.prefix = "T";
    l.record_size = sizeof(Rec);
    l.fields = {rt::field_for<decltype(Rec::text)>("T:TEXT", offsetof(Rec, text)),
                rt::field_for<decltype(Rec::color)>("T:COLOR", offsetof(Rec, color))};
    return l;
}

// The fake back end, with the actions asked of it.
class Backend : public test::FakeBackend {
public:
    struct Action {
        int feq;
        std::string action, value;
        bool operator==(const Action&) const = default;
    };
    void Perform(WindowId, int feq, const std::string& action, const std::string& value) override {
        std::lock_guard lock(mutex);
        actions.push_back({feq, action, value});
    }
    std::vector<Action> Taken() {
        std::lock_guard lock(mutex);
        std::vector<Action> out;
        out.swap(actions);
        return out;
    }
    std::vector<Action> actions;
};

ControlDef Control(int kind, std::string label, std::string use = {}) {
    ControlDef c;
    c.kind = kind;
    c.label = std::move(label);
    c.use = std::move(use);
    return c;
}

class RichTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        rt::set_thread_number(1);
        SetUseResolver([this](std::string_view name) -> Binding {
            if (const rt::FieldDef* f = lay.field(name)) return Binding::OfField(*f, &rec);
            return {};
        });
        ControlDef color = Control(Ctl::DropList, "?COLOR", "T:COLOR");
        color.from = "Black|#1|Red|#10|Automatic|#0";
        ControlDef align = Control(Ctl::Option, "?ALIGN");
        for (const char* v : {"1", "3", "2", "4"}) {
            ControlDef radio = Control(Ctl::Radio, "");
            radio.value = v;
            align.children.push_back(radio);
        }
        def.controls = {Control(Ctl::Rtf, "?RTF", "T:TEXT"),
                        Control(Ctl::Check, "?BOLD"),
                        Control(Ctl::Button, "?UNDO"),
                        Control(Ctl::Button, "?NEW"),
                        align,
                        color,
                        Control(Ctl::DropList, "?FONT")};
    }
    void TearDown() override { SetUseResolver(nullptr); }

    // Input as the back end delivers it: the event the procedure sees (on_event runs while
    // it is the current one).
    int Input(Window& w, int event, int feq, std::optional<std::string> text = {},
              std::optional<std::string> format = {}, std::optional<long> selected = {},
              const std::function<void()>& on_event = {}) {
        InputEvent in;
        in.event = event;
        in.feq = feq;
        in.text = std::move(text);
        in.format = std::move(format);
        in.selected = selected;
        Deliver(w.id(), in);
        w.Post(Event::User);
        EXPECT_TRUE(w.Accept());
        const int seen = w.event();
        if (seen != Event::User) {
            if (on_event) on_event();
            EXPECT_TRUE(w.Accept());
            EXPECT_EQ(w.event(), Event::User);
        }
        return seen;
    }

    Backend backend;
    rt::RecordLayout lay = layout();
    Rec rec{};
    WindowDef def;
};

TEST_F(RichTextTest, ARichTextLongerThanItsVariableIsRefusedNeverCut) {
    rec.text = "{\\rtf1}";
    Window w(def);
    w.Open();
    ASSERT_TRUE(w.Accept());
    const int rtf = w.Feq("?RTF");
    EXPECT_EQ(w.UseOf(rtf).capacity(), 8u);

    EXPECT_EQ(Input(w, Event::Accepted, rtf, std::string("{\\rtf1x}")), Event::Accepted);
    EXPECT_EQ(rec.text.str(), "{\\rtf1x}");
    // Nine characters: the variable keeps its value, the screen what the user made.
    EXPECT_EQ(Input(w, Event::Accepted, rtf, std::string("{\\rtf1xy}")), Event::Accepted);
    EXPECT_EQ(rec.text.str(), "{\\rtf1x}");
    EXPECT_EQ(w.ScreenText(rtf), "{\\rtf1xy}");
    EXPECT_FALSE(w.Update(rtf));
    EXPECT_EQ(rec.text.str(), "{\\rtf1x}");
    // Back to the first text: the variable follows.
    EXPECT_EQ(Input(w, Event::Accepted, rtf, std::string("{\\rtf1}")), Event::Accepted);
    EXPECT_EQ(rec.text.str(), "{\\rtf1}");
    std::lock_guard lock(backend.mutex);
    EXPECT_EQ(backend.beeps, 0);
    for (const WindowState& d : backend.synced)
        for (const ControlState& c : d.controls) EXPECT_NE(c.feq, rtf) << "the text was sent back";
}

TEST_F(RichTextTest, ADropListWithFixedItemsChoosesByValue) {
    rec.color = 10;
    Window w(def);
    w.Open();
    ASSERT_TRUE(w.Accept());
    const int color = w.Feq("?COLOR");
    ASSERT_EQ(w.Rows(color).size(), 3u);
    EXPECT_EQ(w.Rows(color)[1], (std::vector<std::string>{"Red", "10"}));
    EXPECT_EQ(w.Get(color, Prop::Selected), 2);
    w.SetText(color, Prop::Value, "0");
    EXPECT_EQ(w.Get(color, Prop::Selected), 3);
    w.SetText(color, Prop::Value, "7");  // no such item: none chosen
    EXPECT_EQ(w.Get(color, Prop::Selected), 0);
    w.Set(color, Prop::Selected, 1);
    EXPECT_EQ(w.GetText(color, Prop::Value), "1");
    // The user's choice reaches the variable.
    EXPECT_EQ(Input(w, Event::Accepted, color, std::nullopt, std::nullopt, 3), Event::Accepted);
    EXPECT_EQ(rec.color.get(), 0);
}

TEST_F(RichTextTest, TheEditorActsOnItsToolsAndShowsTheFormatAtTheCursor) {
    Window w(def);
    w.Open();
    ASSERT_TRUE(w.Accept());
    const int rtf = w.Feq("?RTF"), bold = w.Feq("?BOLD"), undo = w.Feq("?UNDO"), create = w.Feq("?NEW"),
              align = w.Feq("?ALIGN"), color = w.Feq("?COLOR"), font = w.Feq("?FONT");
    RichTextEditor editor;
    editor.SetToolControl(Tool::Bold, bold);
    editor.SetToolControl(Tool::Undo, undo);
    editor.SetToolControl(Tool::New, create);
    editor.SetToolControl(Tool::Alignment, align);
    editor.SetToolControl(Tool::FontColor, color);
    editor.SetToolControl(Tool::FontName, font);
    editor.Init(w, rtf, "klauzula.rtf");
    using A = Backend::Action;
    EXPECT_EQ(
        backend.Taken(),
        (std::vector<A>{{rtf, "limit", "8"}, {rtf, "empty", kEmptyRtf}, {rtf, "file", "klauzula.rtf"}}));
    EXPECT_FALSE(w.Rows(font).empty());

    // Tools become actions; those that format give the focus back to the text.
    auto act = [&](int event, int feq, std::optional<std::string> text, std::optional<long> selected = {}) {
        Input(w, event, feq, std::move(text), std::nullopt, selected, [&] { editor.TakeEvent(); });
    };
    act(Event::Accepted, bold, std::string("1"));
    act(Event::Accepted, align, std::string("3"), 2);
    act(Event::Accepted, color, std::nullopt, 2);
    act(Event::Accepted, create, std::nullopt);
    EXPECT_EQ(
        backend.Taken(),
        (std::vector<A>{{rtf, "bold", "1"}, {rtf, "align", "3"}, {rtf, "color", "10"}, {rtf, "new", ""}}));

    // The reported format sets the tools; a tool the procedure disabled stays disabled.
    editor.DisableControl(create);
    RichTextState s;
    s.bold = true;
    s.align = 4;
    s.color = 1;
    s.font = "Tahoma";
    s.can_undo = true;
    s.over = 9;
    Input(w, Event::NewSelection, rtf, std::nullopt, s.Encode(), std::nullopt, [&] { editor.TakeEvent(); });
    EXPECT_EQ(editor.state(), s);
    EXPECT_EQ(w.Get(bold, Prop::Value), 1);
    EXPECT_EQ(w.Get(align, Prop::Selected), 4);
    EXPECT_EQ(w.Get(color, Prop::Selected), 1);
    EXPECT_EQ(w.Get(undo, Prop::Disable), 0);
    EXPECT_EQ(w.Get(create, Prop::Disable), 1);
    const auto& fonts = w.Rows(font);
    ASSERT_GE(w.Get(font, Prop::Selected), 1);
    EXPECT_EQ(fonts[w.Get(font, Prop::Selected) - 1][0], "Tahoma");

    // Too long: the user is told, and the check answers false.
    EXPECT_FALSE(editor.TextFits());
    backend.auto_answer = [](const MessageRequest&) { return 1; };
    EXPECT_FALSE(editor.CheckLength());
    {
        std::lock_guard lock(backend.mutex);
        ASSERT_EQ(backend.messages.size(), 1u);
        EXPECT_NE(backend.messages[0].text.find("9 characters, and at most 8"), std::string::npos)
            << backend.messages[0].text;
    }
    editor.Kill();
}

}  // namespace
