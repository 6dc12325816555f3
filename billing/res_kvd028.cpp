// The clauses browse's window.
#include "billing/kvd028_browse_klauzul.h"
#include "platform/ui/events.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& BrowseKlauzulWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$KVD028";
        d.name = "QUICKWINDOW";
        d.caption = "KLAUZULE";
        d.w = 277, d.h = 180;
        d.center = true;
        d.resizable = true;
        d.mdi = true;
        ControlDef sheet = MakeControl(Ctl::Sheet, "?CURRENTTAB", 4, 4, 269, 172, "");
        sheet.children = {MakeControl(Ctl::Tab, "?TAB:1", 0, 0, -1, -1, "&1) Sifra")};
        ControlDef list = MakeControl(Ctl::List, "?BROWSE:1", 8, 22, 261, 150, "", kHScroll | kVScroll);
        list.format = "24R(2)|M~Sifra~C(0)@n02@80L(2)|M~Opis~L(2)@s30@";
        const std::uint32_t hide = kHide;
        d.controls = {sheet,
                      list,
                      MakeControl(Ctl::Button, "?SELECT:2", 40, 160, 42, 14, "&Select", hide),
                      MakeControl(Ctl::Button, "?VIEW:3", 86, 160, 42, 14, "&View", hide),
                      MakeControl(Ctl::Button, "?INSERT:4", 40, 160, 42, 14, "&Insert", hide),
                      MakeControl(Ctl::Button, "?CHANGE:4", 86, 160, 42, 14, "&Change", hide),
                      MakeControl(Ctl::Button, "?DELETE:4", 132, 160, 42, 14, "&Delete", hide),
                      MakeControl(Ctl::Button, "?CLOSE", 178, 160, 42, 14, "&Close", hide),
                      MakeControl(Ctl::Button, "?HELP", 224, 160, 42, 14, "&Help", hide)};
        return d;
    }();
    return def;
}

}  // namespace kvadrin
