// The services browse's window.
#include "billing/kvd004_browse_obaveze.h"
#include "platform/core/text.h"
#include "platform/ui/events.h"

namespace kvadrin {
namespace {

using namespace rt::ui;

ControlDef Control(int kind, const char* label, int x, int y, int w, int h, const char* text,
                   std::uint32_t attrs = 0) {
    ControlDef c;
    c.kind = kind;
    c.label = label;
    c.x = x, c.y = y, c.w = w, c.h = h;
    c.text = rt::utf8_to_cp1250(text);
    c.attrs = attrs;
    return c;
}

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
        ControlDef sheet = Control(Ctl::Sheet, "?CURRENTTAB", 4, 4, 337, 253, "");
        sheet.children = {Control(Ctl::Tab, "?TAB:1", 0, 0, -1, -1, "&1) Šifra"),
                          Control(Ctl::Tab, "?TAB:2", 0, 0, -1, -1, "&2) Naziv")};
        ControlDef list = Control(Ctl::List, "?BROWSE:1", 8, 22, 329, 230, "", kHScroll | kVScroll);
        list.format = rt::utf8_to_cp1250(
            "40L(2)|M~Sifra~@s7@"
            "92L(2)|M~Naziv~@s20@"
            "28L(2)|M~JM~@s5@"
            "70L(2)|M~Nacin obračuna~@s15@"
            "60L(2)|M~Kolona~@s12@");
        ControlDef print = Control(Ctl::Button, "?BUTTONNORECORDS", 8, 262, 56, 14, "&ISPIS");
        print.key = Key::F2;
        print.tip = "F2";
        const std::uint32_t hide = kHide;
        d.controls = {sheet,
                      list,
                      print,
                      Control(Ctl::Button, "?SELECT:2", 120, 262, 42, 14, "&Select", hide),
                      Control(Ctl::Button, "?VIEW:3", 166, 262, 42, 14, "&View", hide),
                      Control(Ctl::Button, "?INSERT:4", 120, 262, 42, 14, "&Insert", hide),
                      Control(Ctl::Button, "?CHANGE:4", 166, 262, 42, 14, "&Change", hide),
                      Control(Ctl::Button, "?DELETE:4", 212, 262, 42, 14, "&Delete", hide),
                      Control(Ctl::Button, "?CLOSE", 258, 262, 42, 14, "&Close", hide),
                      Control(Ctl::Button, "?HELP", 302, 262, 38, 14, "&Help", hide)};
        return d;
    }();
    return def;
}

}  // namespace kvadrin
