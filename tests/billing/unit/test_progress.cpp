// The progress window of charge creation, seen through a back end that records what the
// window runtime sends: four bars with their ranges and values, shown as their percentage
// changes, the window closed at the end, and a failure told in a message box.
#include <map>
#include <string>
#include <vector>

#include "platform/ui/window.h"
#include "tests/billing/unit/billing_fixture.h"
#include "tests/ui/fake_backend.h"

namespace {

using kvtest::cp;
using rt::ui::ControlState;
using rt::ui::WindowState;

class ProgressWindow : public kvtest::Building {
protected:
    rt::ui::test::FakeBackend backend;

    // Each bar's last value and range as the back end got them, and how often its value
    // was sent.
    struct Bar {
        long value = 0, range = 0;
        int sent = 0;
    };
    std::map<std::string, Bar> Bars() {
        std::map<std::string, Bar> bars;
        std::lock_guard lock(backend.mutex);
        auto take = [&](const WindowState& s) {
            for (const ControlState& c : s.controls) {
                if (c.kind != rt::ui::Ctl::Progress) continue;
                Bar& b = bars[c.def->label];
                if (c.progress != b.value) ++b.sent;
                b.value = c.progress;
                b.range = c.range_high;
            }
        };
        for (const WindowState& s : backend.opened) take(s);
        for (const WindowState& s : backend.synced) take(s);
        return bars;
    }
};

TEST_F(ProgressWindow, FourBarsAdvanceByUnitLineAndInvoiceAndTheWindowCloses) {
    for (int i = 1; i <= 150; ++i)
        AddUnit({("U" + std::to_string(i)).c_str(), ("1" + std::to_string(1000 + i)).c_str(), 50, 40, 2, "Ne",
                 1});
    AddService({"FIX", "Fiksno", "Ostalo"});
    AddService({"POV", "Površina", "Održavanje"});
    AddRun(5);
    AddPrices(5, {"FIX", 0, 10, 0, 0, 0, 0, 0, 0});
    AddPrices(5, {"POV", 0, 0, 2, 0, 0, 0, 0, 0});
    SelectRun(5);
    kvadrin::KreirajZaduzenja();

    const auto bars = Bars();
    std::lock_guard lock(backend.mutex);
    ASSERT_EQ(backend.opened.size(), 1u);
    const WindowState& opened = backend.opened[0];
    EXPECT_EQ(opened.caption, cp("OBRAČUN U TOKU..."));
    EXPECT_EQ(opened.procedure, "KreirajZaduzenja");
    EXPECT_EQ(backend.closed, std::vector<rt::ui::WindowId>{opened.id});
    EXPECT_TRUE(backend.messages.empty());
    // Bars 1 to 3 run to the number of units; bar 2 counts lines (twice as many, so it is
    // full half-way); bar 4 keeps 0 to 100 and stays full after the hundredth invoice.
    EXPECT_EQ(bars.at("?PROGRESS3").range, 150);
    EXPECT_EQ(bars.at("?PROGRESS3").value, 150);
    EXPECT_EQ(bars.at("?PROGRESS4").range, 150);
    EXPECT_EQ(bars.at("?PROGRESS4").value, 150);
    EXPECT_EQ(bars.at("?PROGRESS5").value, 150);
    EXPECT_EQ(bars.at("?PROGRESS6").range, 100);
    EXPECT_EQ(bars.at("?PROGRESS6").value, 100);
    // A bar is sent again only when its percentage changes.
    for (const auto& [label, bar] : bars) EXPECT_LE(bar.sent, 101) << label;
}

TEST_F(ProgressWindow, AFailureIsToldInAMessageBoxAfterTheWindowCloses) {
    SeedSmallBuilding();
    ASSERT_TRUE(Create(5).created);
    const std::vector<std::string> before = Written();
    Exec("CREATE TRIGGER refuse BEFORE INSERT ON SFAKT BEGIN SELECT RAISE(ABORT, 'odbijeno'); END");
    backend.auto_answer = [](const rt::ui::MessageRequest&) { return 1; };
    SelectRun(5);
    kvadrin::KreirajZaduzenja();
    std::lock_guard lock(backend.mutex);
    ASSERT_EQ(backend.messages.size(), 1u);
    const std::string text = backend.messages[0].text;
    EXPECT_EQ(text.rfind(cp("Zaduženja za obračun 05 nisu kreirana: račun za šifru 00001 nije upisan ("), 0),
              0u)
        << rt::cp1250_to_utf8(text);
    EXPECT_NE(text.find("odbijeno"), std::string::npos);
    EXPECT_EQ(backend.beeps, 1);
    EXPECT_EQ(backend.closed.size(), 1u);
    EXPECT_EQ(Written(), before);
}

}  // namespace
