// The price list's window.
#include "billing/kvd005_browse_obracuni.h"
#include "platform/core/text.h"
#include "platform/ui/events.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& BrowseCeneWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$KVD017";
        d.name = "P1$QUICKWINDOW";
        d.caption = rt::utf8_to_cp1250("UKUPNE OBAVEZE ZA OBRAČUN");
        d.w = 328, d.h = 246;
        d.center = true;
        d.resizable = true;
        d.mdi = true;
        const Font title{"Arial", 10, 700, 0x800000};  // bold navy
        ControlDef sheet = MakeControl(Ctl::Sheet, "?CURRENTTAB", 4, 4, 320, 218, "");
        sheet.children = {MakeControl(Ctl::Tab, "?TAB:1", 0, 0, -1, -1, "&1) Obračun")};
        ControlDef run = MakeControl(Ctl::StringPic, "?OBR:OBRACUN", 12, 22, 20, 12, "", "@n02");
        run.font = title;
        ControlDef name = MakeControl(Ctl::StringPic, "?OBR:NAZIV", 36, 22, 120, 12, "", "@s20");
        name.font = title;
        ControlDef list = MakeControl(Ctl::List, "?BROWSE:1", 8, 38, 312, 164, "", kHScroll | kVScroll);
        list.format =
            "35L(2)|M~Sifra~C(0)@s7@90L(2)|M~Naziv~@s20@44R(2)|M~Kolicina~C(0)@n10.2@33L(2)|M~JM~C(0)@s5@"
            "44R(2)|M~Ukupno~C(0)@n10.2@44R(2)|M~Cena~C(0)@n10.2@";
        // The sum stands under the column "Ukupno".
        ControlDef sum = MakeControl(Ctl::StringPic, "?UKUPNO", 190, 206, 64, 12, "", "@n-12.2", kRight);
        sum.font = Font{"Arial", 10, 700, -1};
        ControlDef command =
            MakeControl(Ctl::Button, "?BUTTONNORECORDS", 8, 226, 180, 16, "KREIRAJ ZADUŽENJA PO OBRAČUNU");
        command.font = title;
        command.icon = "MONEY.ICO";
        const std::uint32_t hide = kHide;
        d.controls = {sheet,
                      run,
                      name,
                      list,
                      sum,
                      command,
                      MakeControl(Ctl::Button, "?SELECT:2", 190, 228, 42, 14, "&Select", hide),
                      MakeControl(Ctl::Button, "?VIEW:3", 236, 228, 42, 14, "&View", hide),
                      MakeControl(Ctl::Button, "?INSERT:4", 190, 228, 42, 14, "&Insert", hide),
                      MakeControl(Ctl::Button, "?CHANGE:4", 236, 228, 42, 14, "&Change", hide),
                      MakeControl(Ctl::Button, "?DELETE:4", 190, 228, 42, 14, "&Delete", hide),
                      MakeControl(Ctl::Button, "?CLOSE", 236, 228, 42, 14, "&Close", hide),
                      MakeControl(Ctl::Button, "?HELP", 282, 228, 38, 14, "&Help", hide)};
        return d;
    }();
    return def;
}

}  // namespace kvadrin
