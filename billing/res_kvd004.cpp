// The services browse's window.
#include "billing/kvd004_browse_obaveze.h"
#include "platform/core/text.h"
#include "platform/ui/events.h"

namespace kvadrin {
namespace {

using namespace rt::ui;

}  // namespace

const WindowDef& BrowseObavezeWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$KVD004";
        d.name = "QUICKWINDOW";
        d.caption = "OBAVEZE";
        d.w = 345, d.h = 281;
        d.center = true;
        d.resizable = true;
        d.mdi = true;
        ControlDef sheet = MakeControl(Ctl::Sheet, "?CURRENTTAB", 4, 4, 337, 253, "");
        sheet.children = {MakeControl(Ctl::Tab, "?TAB:1", 0, 0, -1, -1, "&1) Šifra"),
                          MakeControl(Ctl::Tab, "?TAB:2", 0, 0, -1, -1, "&2) Naziv")};
        ControlDef list = MakeControl(Ctl::List, "?BROWSE:1", 8, 22, 329, 230, "", kHScroll | kVScroll);
        list.format = rt::utf8_to_cp1250(
            "40L(2)|M~Sifra~@s7@"
            "92L(2)|M~Naziv~@s20@"
            "28L(2)|M~JM~@s5@"
            "70L(2)|M~Nacin obračuna~@s15@"
            "60L(2)|M~Kolona~@s12@");
        ControlDef print = MakeControl(Ctl::Button, "?BUTTONNORECORDS", 8, 262, 56, 14, "&ISPIS");
        print.key = Key::F2;
        print.tip = "F2";
        const std::uint32_t hide = kHide;
        d.controls = {sheet,
                      list,
                      print,
                      MakeControl(Ctl::Button, "?SELECT:2", 120, 262, 42, 14, "&Select", hide),
                      MakeControl(Ctl::Button, "?VIEW:3", 166, 262, 42, 14, "&View", hide),
                      MakeControl(Ctl::Button, "?INSERT:4", 120, 262, 42, 14, "&Insert", hide),
                      MakeControl(Ctl::Button, "?CHANGE:4", 166, 262, 42, 14, "&Change", hide),
                      MakeControl(Ctl::Button, "?DELETE:4", 212, 262, 42, 14, "&Delete", hide),
                      MakeControl(Ctl::Button, "?CLOSE", 258, 262, 42, 14, "&Close", hide),
                      MakeControl(Ctl::Button, "?HELP", 302, 262, 38, 14, "&Help", hide)};
        return d;
    }();
    return def;
}

}  // namespace kvadrin
