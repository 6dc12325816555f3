// The price form's window.
#include "billing/kvd005_browse_obracuni.h"
#include "platform/core/text.h"
#include "platform/ui/events.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& UpdateCeneWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$KVD018";
        d.name = "P1$QUICKWINDOW";
        d.caption = "Form CENE";
        d.w = 264, d.h = 157;
        d.center = true;
        d.resizable = true;
        d.mdi = true;
        const Font shown{"Arial", 10, 700, 0x800000};  // bold navy
        ControlDef sheet = MakeControl(Ctl::Sheet, "?CURRENTTAB", 4, 4, 256, 129, "");
        sheet.children = {MakeControl(Ctl::Tab, "?TAB:1", 0, 0, -1, -1, "&1) General")};
        ControlDef lookup = MakeControl(Ctl::Button, "?CALLLOOKUP", 116, 22, 12, 12, "", kSkip);
        lookup.icon = "LOOKUP.ICO";
        lookup.tip = "Izbor usluge";
        ControlDef service = MakeControl(Ctl::StringPic, "?OBA:NAZIV", 132, 23, 120, 12, "", "@s20");
        service.font = shown;
        ControlDef unit = MakeControl(Ctl::StringPic, "?OBA:JM", 132, 39, 40, 12, "", "@s5");
        unit.font = shown;
        ControlDef price = MakeControl(Ctl::StringPic, "?OBRACUNCENA", 72, 71, 60, 12, "", "@n12.2", kRight);
        price.font = Font{"Arial", 10, 700, -1};
        ControlDef note = MakeControl(Ctl::String, "?NAPOMENA", 12, 104, 244, 24, "");
        note.font = Font{"", 0, 0, 0x0000C0};  // dark red
        d.controls = {sheet,
                      MakeControl(Ctl::Prompt, "?CEN:SIFRA:PROMPT", 12, 24, 56, 10, "O&baveza"),
                      MakeControl(Ctl::Entry, "?CEN:SIFRA", 72, 23, 40, 10, "", "@s7", kReq | kUpr | kLeft),
                      lookup,
                      service,
                      MakeControl(Ctl::Prompt, "?CEN:KOLICINA:PROMPT", 12, 40, 56, 10, "&Kolicina"),
                      MakeControl(Ctl::Entry, "?CEN:KOLICINA", 72, 39, 56, 10, "", "@n-12.2", kReq | kRight),
                      unit,
                      MakeControl(Ctl::Prompt, "?CEN:CENA:PROMPT", 12, 56, 56, 10, "C&ena"),
                      MakeControl(Ctl::Entry, "?CEN:CENA", 72, 55, 56, 10, "", "@n10.2", kRight | kSkip),
                      MakeControl(Ctl::Prompt, "?OBRACUNCENA:PROMPT", 12, 72, 56, 10, "Cena za obračun"),
                      price,
                      MakeControl(Ctl::Prompt, "?CEN:UKUPNO:PROMPT", 12, 88, 56, 10, "&Ukupno dinara"),
                      MakeControl(Ctl::Entry, "?CEN:UKUPNO", 72, 87, 56, 10, "", "@n10.2", kRight),
                      MakeControl(Ctl::Button, "?OK", 116, 138, 45, 14, "&OK", "", kDefault),
                      MakeControl(Ctl::Button, "?CANCEL", 165, 138, 45, 14, "&Cancel"),
                      MakeControl(Ctl::Button, "?HELP", 214, 138, 45, 14, "&Help", "", kHide),
                      note};
        return d;
    }();
    return def;
}

}  // namespace kvadrin
