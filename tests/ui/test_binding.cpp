// Variables shown through pictures and read back from the screen, for every field type.
#include <gtest/gtest.h>

#include <cstddef>
#include <map>
#include <string>

#include "platform/core/process.h"
#include "platform/files/layout.h"
#include "platform/files/types.h"
#include "platform/ui/backend.h"
#include "platform/ui/window.h"
#include "tests/ui/fake_backend.h"

namespace {

using namespace rt::ui;

struct Rec {
    rt::CString<11> cs;
    rt::FString<10> fs;
    rt::Byte b;
    rt::Short s;
    rt::Long l;
    rt::Real r;
};

rt::RecordLayout layout() {
    rt::RecordLayout l;
    l.prefix = "T";
    l.record_size = sizeof(Rec);
    l.fields = {rt::field_for<decltype(Rec::cs)>("T:CS", offsetof(Rec, cs)),
                rt::field_for<decltype(Rec::fs)>("T:FS", offsetof(Rec, fs)),
                rt::field_for<decltype(Rec::b)>("T:B", offsetof(Rec, b)),
                rt::field_for<decltype(Rec::s)>("T:S", offsetof(Rec, s)),
                rt::field_for<decltype(Rec::l)>("T:L", offsetof(Rec, l)),
                rt::field_for<decltype(Rec::r)>("T:R", offsetof(Rec, r))};
    return l;
}

ControlDef entry(std::string label, std::string use, std::string picture, std::uint32_t attrs = 0) {
    ControlDef c;
    c.kind = Ctl::Entry;
    c.label = std::move(label);
    c.use = std::move(use);
    c.picture = std::move(picture);
    c.attrs = attrs;
    return c;
}

class BindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        rt::set_thread_number(1);
        SetUseResolver([this](std::string_view name) -> Binding {
            if (name == "LOC:TEXT") return Binding::OfText(&text);
            if (name == "LOC:COUNT") return Binding::OfLong(&count);
            if (const rt::FieldDef* f = lay.field(name)) return Binding::OfField(*f, &rec);
            return {};
        });
        def.name = "TEST";
        def.controls = {entry("?CS", "T:CS", "@s10"),
                        entry("?FS", "T:FS", "@s10"),
                        entry("?B", "T:B", "@n3"),
                        entry("?S", "T:S", "@n-7"),
                        entry("?L", "T:L", "@d6"),
                        entry("?R", "T:R", "@n12`2"),
                        entry("?TEXT", "LOC:TEXT", "@s5", kUpr),
                        entry("?COUNT", "LOC:COUNT", ""),
                        entry("?FREE", "", "@s5")};
    }
    void TearDown() override { SetUseResolver({}); }

    test::FakeBackend backend;
    rt::RecordLayout lay = layout();
    Rec rec;
    std::string text;
    std::int32_t count = 0;
    WindowDef def;
};

TEST_F(BindingTest, EveryFieldTypeShowsThroughItsPictureAndReadsBack) {
    rec.cs = "Beograd";
    rec.fs =
        "\xC8"
        "a\xE8"
        "ak";  // Čačak in CP1250
    rec.b = 7;
    rec.s = -1234;
    rec.l = 72687;  // 1 January 2000
    rec.r = 1234.5;
    text = "abc";
    count = 42;
    Window w(def);
    w.Display();

    struct Case {
        const char* label;
        const char* shown;
        const char* typed;
    };
    const Case cases[] = {
        {"?CS", "Beograd   ", "Kragujevac-grad"},
        {"?FS",
         "\xC8"
         "a\xE8"
         "ak     ",
         "\x8A"
         "abac"},  // Šabac
        {"?B", "  7", "255"},
        {"?S", " -1,234", "-32,000"},
        {"?L", " 1/01/2000", "15/03/2024"},
        {"?R", "    1.234,50", "99,75"},
        {"?TEXT", "ABC  ",
         "\x9A"
         "ilo"},  // šilo: upper-cased on the way in
        {"?COUNT", "42", " 17 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        int feq = w.Feq(c.label);
        ASSERT_NE(feq, 0);
        EXPECT_EQ(w.ScreenText(feq), c.shown);
        w.SetText(feq, Prop::Text, c.typed);
        EXPECT_TRUE(w.Update(feq));
    }
    EXPECT_EQ(rec.cs.str(), "Kragujevac");  // cut to the picture
    EXPECT_EQ(rec.fs.str(),
              "\x8A"
              "abac     ");
    EXPECT_EQ(w.UseOf(w.Feq("?FS")).text(),
              "\x8A"
              "abac");  // texts come clipped
    EXPECT_EQ(rec.b.get(), 255);
    EXPECT_EQ(rec.s.get(), -32000);
    EXPECT_EQ(rec.l.get(), 81527);  // 15 March 2024
    EXPECT_DOUBLE_EQ(rec.r.get(), 99.75);
    EXPECT_EQ(text,
              "\x8A"
              "ILO");
    EXPECT_EQ(w.ScreenText(w.Feq("?TEXT")),
              "\x8A"
              "ILO");
    EXPECT_EQ(count, 17);
}

TEST_F(BindingTest, TextThatDoesNotFitANumberIsRefusedAndTheVariableKeepsItsValue) {
    rec.b = 7;
    rec.s = 9;
    rec.r = 1234.5;
    count = 5;
    Window w(def);
    w.Display();
    struct Case {
        const char* label;
        const char* typed;
    };
    const Case cases[] = {
        {"?R", "12a4"},            // no number
        {"?COUNT", "12a4"},        // no number
        {"?B", "1000"},            // wider than @n3
        {"?B", "256"},             // fits @n3, not a BYTE
        {"?S", "40000"},           // fits @n-7, not a SHORT
        {"?R", "9999999999,99"},   // "#" in @n12`2
        {"?COUNT", "3000000000"},  // not a LONG
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.label) + " " + c.typed);
        w.SetText(w.Feq(c.label), Prop::Text, c.typed);
        EXPECT_FALSE(w.Update(w.Feq(c.label)));
    }
    EXPECT_EQ(rec.b.get(), 7);
    EXPECT_EQ(rec.s.get(), 9);
    EXPECT_DOUBLE_EQ(rec.r.get(), 1234.5);
    EXPECT_EQ(count, 5);
    EXPECT_FALSE(w.Update());  // all controls: one refusal makes it false
}

TEST_F(BindingTest, UpdateWritesBackOnlyTextsThatChangedOnTheScreen) {
    rec.r = 12.345678;
    rec.l = 72687;
    Window w(def);
    w.Display();
    EXPECT_EQ(w.ScreenText(w.Feq("?R")), "       12,35");
    rec.l = 5;  // set by the procedure after the display
    EXPECT_TRUE(w.Update());
    EXPECT_DOUBLE_EQ(rec.r.get(), 12.345678);  // not cut to the picture's decimals
    EXPECT_EQ(rec.l.get(), 5);
}

TEST_F(BindingTest, NumbersStoredIntoIntegerFieldsTruncateAndWrap) {
    struct Case {
        const char* use;
        double value;
        double stored;
    };
    const Case cases[] = {{"T:B", 300, 44}, {"T:B", 2.9, 2}, {"T:S", 40000, -25536}, {"T:L", -7.8, -7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.use);
        Binding b = Binding::OfField(*lay.field(c.use), &rec);
        b.set_number(c.value);
        EXPECT_EQ(b.number(), c.stored);
    }
    Binding cs = Binding::OfField(*lay.field("T:CS"), &rec);
    cs.set_number(-12.5);
    EXPECT_EQ(rec.cs.str(), "-12.5");
    EXPECT_FALSE(cs.numeric());
}

TEST_F(BindingTest, AcceptedInputUpdatesTheVariableOrIsRefusedWithABeep) {
    rec.r = 1234.5;
    Window w(def);
    w.Open();
    ASSERT_TRUE(w.Accept());
    ASSERT_EQ(w.event(), Event::OpenWindow);
    int r = w.Feq("?R");

    InputEvent bad;
    bad.event = Event::Accepted;
    bad.feq = r;
    bad.text = "12a4";
    Deliver(w.id(), bad);
    w.Post(Event::User);
    ASSERT_TRUE(w.Accept());
    EXPECT_EQ(w.event(), Event::User);  // the refused Accepted never reached the procedure
    EXPECT_DOUBLE_EQ(rec.r.get(), 1234.5);
    EXPECT_EQ(w.ScreenText(r), "    1.234,50");
    {
        std::lock_guard lock(backend.mutex);
        EXPECT_EQ(backend.beeps, 1);
        ASSERT_FALSE(backend.synced.empty());
        const WindowState& d = backend.synced.back();
        EXPECT_EQ(d.focus, r);
        ASSERT_EQ(d.controls.size(), 1u);
        EXPECT_EQ(d.controls[0].text, "    1.234,50");
    }

    InputEvent good = bad;
    good.text = "7,5";
    Deliver(w.id(), good);
    ASSERT_TRUE(w.Accept());
    EXPECT_EQ(w.event(), Event::Accepted);
    EXPECT_EQ(w.field(), r);
    EXPECT_DOUBLE_EQ(rec.r.get(), 7.5);
    EXPECT_EQ(w.ScreenText(r), "        7,50");  // shown again through the picture
    EXPECT_EQ(w.Get(r, Prop::Touched), 1);
}

TEST_F(BindingTest, CheckBoxesAndOptionGroupsShowTheirValues) {
    ControlDef check;
    check.kind = Ctl::Check;
    check.label = "?CHK";
    check.use = "T:FS";
    check.value = "Da";
    check.off_value = "Ne";
    ControlDef option;
    option.kind = Ctl::Option;
    option.label = "?OPT";
    option.use = "T:B";
    for (const char* v : {"1", "2", "3"}) {
        ControlDef radio;
        radio.kind = Ctl::Radio;
        radio.value = v;
        option.children.push_back(radio);
    }
    ControlDef by_text = option;  // radios without values stand for their texts
    by_text.label = "?OPT2";
    by_text.use = "T:CS";
    for (ControlDef& r : by_text.children) r.value.clear();
    by_text.children[0].text = "&Stan";
    by_text.children[1].text = "&Lokal";
    def.controls = {check, option, by_text};
    rec.fs = "Da";
    rec.b = 2;
    rec.cs = "Lokal";
    Window w(def);
    w.Display();
    int chk = w.Feq("?CHK"), opt = w.Feq("?OPT"), opt2 = w.Feq("?OPT2");
    EXPECT_EQ(w.ScreenText(chk), "Da");
    EXPECT_EQ(w.Get(chk, Prop::Value), 1);
    EXPECT_EQ(w.Get(opt, Prop::Selected), 2);
    EXPECT_EQ(w.Get(opt2, Prop::Selected), 2);
    w.Set(opt2, Prop::Selected, 1);

    w.Set(chk, Prop::Value, 0);
    w.Set(opt, Prop::Selected, 3);
    EXPECT_EQ(w.GetText(opt, Prop::Value), "3");
    EXPECT_TRUE(w.Update());
    EXPECT_EQ(rec.fs.str(), "Ne        ");
    EXPECT_EQ(rec.b.get(), 3);
    EXPECT_EQ(rec.cs.str(), "Stan");
}

}  // namespace
