// The form's toolbar target and captions by request, without widgets.
#include <gtest/gtest.h>

#include <vector>

#include "data/thread_data.h"
#include "platform/ui/controller.h"
#include "platform/ui/formtoolbar.h"

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

}  // namespace
