// The billing-run browse's window.
#include "billing/kvd005_browse_obracuni.h"
#include "platform/core/text.h"
#include "platform/ui/events.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& BrowseObracuniWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$KVD005";
        d.name = "P1$QUICKWINDOW";
        d.caption = rt::utf8_to_cp1250("OBRAČUNI");
        d.w = 254, d.h = 253;
        d.center = true;
        d.resizable = true;
        d.mdi = true;
        ControlDef sheet = MakeControl(Ctl::Sheet, "?CURRENTTAB", 4, 4, 246, 221, "");
        sheet.children = {MakeControl(Ctl::Tab, "?TAB:1", 0, 0, -1, -1, "&1) Broj")};
        ControlDef list = MakeControl(Ctl::List, "?BROWSE:1", 8, 22, 238, 198, "", kHScroll | kVScroll);
        list.format = "32C|M*~BROJ~@n02@97L(2)|M*~OPIS~@s20@42C|M*~DATUM~@d5@50C|M*~VALUTA~@d5@";
        ControlDef command =
            MakeControl(Ctl::Button, "?BUTTONNORECORDS", 8, 230, 130, 16, "PARAMETRI ZA OBRAČUN");
        command.font = Font{"Arial", 10, 700, 0x800000};  // bold navy
        command.icon = "BULLETS.ICO";
        const std::uint32_t hide = kHide;
        d.controls = {sheet,
                      list,
                      command,
                      MakeControl(Ctl::Button, "?SELECT:2", 142, 232, 42, 14, "&Select", hide),
                      MakeControl(Ctl::Button, "?VIEW:3", 188, 232, 42, 14, "&View", hide),
                      MakeControl(Ctl::Button, "?INSERT:4", 142, 232, 42, 14, "&Insert", hide),
                      MakeControl(Ctl::Button, "?CHANGE:4", 188, 232, 42, 14, "&Change", hide),
                      MakeControl(Ctl::Button, "?DELETE:4", 142, 232, 42, 14, "&Delete", hide),
                      MakeControl(Ctl::Button, "?CLOSE", 188, 232, 42, 14, "&Close", hide),
                      MakeControl(Ctl::Button, "?HELP", 208, 232, 38, 14, "&Help", hide)};
        return d;
    }();
    return def;
}

}  // namespace kvadrin
