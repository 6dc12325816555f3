// The form's toolbar target and captions by request, and how a form's controls find the
// fields they show, without widgets.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/ui/controller.h"
#include "platform/ui/formtoolbar.h"
#include "platform/ui/resource.h"
#include "shell/form.h"

namespace {

using namespace kvadrin;
namespace Button = rt::ui::ToolbarButton;

TEST(FormToolbar, OffersTheNavigationButtonsByRequest) {
    rt::ui::WindowDef def;
    def.module = "KVQ$FORMTB";
    def.name = "P1$WINDOW";
    rt::ui::Window window(def);
    rt::ui::WindowController form(window);
    rt::ui::FormToolbarHandler handler;
    handler.Init(form);
    struct Case {
        std::uint8_t request;
        std::vector<int> enabled;
        bool recall;
    } cases[] = {
        {InsertRecord, {Button::Insert, Button::Down}, true},
        {ChangeRecord,
         {Button::Insert, Button::Bottom, Button::Top, Button::PageDown, Button::PageUp, Button::Down,
          Button::Up},
         true},
        {ViewRecord, {}, false},
        {DeleteRecord, {}, false},
        {SelectRecord, {}, false},
        {0, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.request));
        form.REQUEST = c.request;
        std::vector<int> enabled;
        for (int b = 3000; b <= Button::Last; ++b)
            if (handler.Enabled(b)) enabled.push_back(b);
        EXPECT_EQ(enabled, c.enabled);
        EXPECT_EQ(handler.RecallOffered(), c.recall);
    }
}

TEST(FormToolbar, WithoutItsFormTheTargetTakesNothing) {
    rt::ui::FormToolbarHandler handler;
    EXPECT_FALSE(handler.Enabled(Button::Insert));
    EXPECT_FALSE(handler.TakeToolbar(Button::Insert));
}

// A form over the services and units records: two entries, an option group and a display
// of another record's field, each naming the field it shows.
rt::ui::WindowDef ServicesForm(const char* code_field) {
    const rt::ui::FormLine lines[] = {
        {.field = code_field, .prompt = "Sifra", .picture = "@s7", .w = 40},
        {.field = "OBA:JM", .prompt = "JM", .picture = "@s5", .w = 30},
    };
    rt::ui::ControlDef shown = rt::ui::MakeControl(rt::ui::Ctl::StringPic, "?KVD:VLASNIK", 100, 10, 80, 10);
    shown.use = "KVD:VLASNIK";
    return rt::ui::MakeWindow(
        {.module = "KVQ$FORMFIELDS", .caption = "Form", .w = 200, .h = 100}, rt::ui::FormLines({}, lines),
        rt::ui::MakeOption("OBA:KOLONA", 12, 50, 100, "Kolona", {"Voda", "Ostalo"}), shown);
}

const rt::RecordLayout& Services() { return table_def(TableId::OBAVEZE).layout; }
const rt::RecordLayout& Units() { return table_def(TableId::KVADRIN).layout; }

// On a thread of its own, as a form runs: the record buffers are the thread's.
TEST(FormFields, ControlsAreBoundToTheFieldsTheyNameAndRecalledByTheFieldsPositions) {
    std::thread([] {
        const rt::ui::WindowDef def = ServicesForm("OBA:SIFRA");
        rt::ui::Window window(def);
        BindFormFields(window, {{Services(), &OBA}, {Units(), &KVD}});
        OBA.JM = "kom";
        KVD.VLASNIK = "Petar";
        EXPECT_EQ(window.UseOf(window.Feq("?OBA:JM")).text(), "kom");
        EXPECT_EQ(window.UseOf(window.Feq("?KVD:VLASNIK")).text(), "Petar");
        window.UseOf(window.Feq("?OBA:KOLONA")).set_text("Voda");
        EXPECT_EQ(OBA.KOLONA.str(), "Voda");
        // The positions of SIFRA, JM and KOLONA in the services record; the owner's name is
        // another record's and is not recalled.
        const std::vector<std::pair<int, int>> all = {
            {window.Feq("?OBA:SIFRA"), 1}, {window.Feq("?OBA:JM"), 3}, {window.Feq("?OBA:KOLONA"), 5}};
        EXPECT_EQ(RecallFields(window, Services()), all);
        EXPECT_EQ(RecallFields(window, Services(), {"OBA:JM"}), (std::vector<std::pair<int, int>>{all[1]}));
    }).join();
}

TEST(FormFieldsDeathTest, AMisspeltOrForeignFieldStopsTheProgramNamingIt) {
    for (const char* wrong : {"OBA:SIFRRA", "OAB:SIFRA", "NAZ:ANALITIKA"}) {
        SCOPED_TRACE(wrong);
        const rt::ui::WindowDef def = ServicesForm(wrong);
        EXPECT_DEATH(CheckFormFields(def, {&Services(), &Units()}),
                     std::string("\\?") + wrong + ".*" + wrong);
        EXPECT_DEATH(
            {
                rt::ui::Window window(def);
                BindFormFields(window, {{Services(), &OBA}, {Units(), &KVD}});
            },
            wrong);
    }
    CheckFormFields(ServicesForm("OBA:SIFRA"), {&Services(), &Units()});
}

}  // namespace
