// The customers browse's window.
#include "billing/kvd011_browse_nazivi.h"
#include "platform/core/text.h"
#include "platform/ui/events.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& BrowseNaziviWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$KVD011";
        d.name = "QUICKWINDOW";
        d.caption = "KORISNICI";
        d.w = 647, d.h = 310;
        d.center = true;
        d.resizable = true;
        d.mdi = true;
        ControlDef sheet = MakeControl(Ctl::Sheet, "?CURRENTTAB", 4, 4, 639, 282, "");
        sheet.children = {MakeControl(Ctl::Tab, "?TAB:1", 0, 0, -1, -1, "&1) Šifra"),
                          MakeControl(Ctl::Tab, "?TAB:2", 0, 0, -1, -1, "&2) Naziv")};
        ControlDef list = MakeControl(Ctl::List, "?BROWSE:1", 8, 22, 631, 259, "", kHScroll | kVScroll);
        list.format = rt::utf8_to_cp1250(
            "32R(2)|M~ŠIFRA~C(0)@n05@"
            "110L(2)|M~NAZIV~@s30@"
            "100L(2)|M~ADRESA~@s30@"
            "90L(2)|M~SEDISTE~@s30@"
            "66L(2)|M~PIB~@s22@"
            "68L(2)|M~TEKUĆI RAČUN~@s20@"
            "76L(2)|M~KONTAKT OSOBA~@s30@"
            "76L(2)|M~TELEFONI~@s30@");
        const std::uint32_t hide = kHide;
        d.controls = {sheet,
                      list,
                      MakeControl(Ctl::Button, "?SELECT:2", 380, 291, 42, 14, "&Select", hide),
                      MakeControl(Ctl::Button, "?VIEW:3", 426, 291, 42, 14, "&View", hide),
                      MakeControl(Ctl::Button, "?INSERT:4", 380, 291, 42, 14, "&Insert", hide),
                      MakeControl(Ctl::Button, "?CHANGE:4", 426, 291, 42, 14, "&Change", hide),
                      MakeControl(Ctl::Button, "?DELETE:4", 472, 291, 42, 14, "&Delete", hide),
                      MakeControl(Ctl::Button, "?CLOSE", 518, 291, 42, 14, "&Close", hide),
                      MakeControl(Ctl::Button, "?HELP", 564, 291, 38, 14, "&Help", hide)};
        return d;
    }();
    return def;
}

}  // namespace kvadrin
