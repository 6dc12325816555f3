// The billing-run form's window.
#include "billing/kvd005_browse_obracuni.h"
#include "platform/core/text.h"
#include "platform/ui/events.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& UpdateObracWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$KVD016";
        d.name = "P1$QUICKWINDOW";
        d.caption = "Form OBRAC";
        d.w = 246, d.h = 165;
        d.center = true;
        d.resizable = true;
        d.mdi = true;
        ControlDef sheet = MakeControl(Ctl::Sheet, "?CURRENTTAB", 4, 4, 238, 137, "");
        sheet.children = {MakeControl(Ctl::Tab, "?TAB:1", 0, 0, -1, -1, "&1) General")};
        struct Line {
            const char* field;
            const char* prompt;
            const char* picture;
            int w;
            std::uint32_t attrs;
        };
        const Line lines[] = {
            {"OBR:OBRACUN", "BROJ", "@n02", 20, kRight | kSkip},
            {"OBR:NAZIV", "OP&IS", "@s20", 100, 0},
            {"OBR:SVRHA1", "SVRHA (&1)", "@s30", 150, 0},
            {"OBR:SVRHA2", "SVRHA (&2)", "@s30", 150, 0},
            {"OBR:SVRHA3", "SVRHA (&3)", "@s30", 150, 0},
            {"OBR:DATUM", "&DATUM", "@d5", 44, kRight | kReq},
            {"OBR:VALUTA", "&VALUTA", "@d5", 44, kRight},
            {"OBR:DATUMPROMETA", "DATUM P&ROMETA", "@d5", 44, kRight},
        };
        d.controls = {sheet};
        int y = 23;
        for (const Line& l : lines) {
            const std::string label = std::string("?") + l.field;
            d.controls.push_back(MakeControl(Ctl::Prompt, label + ":PROMPT", 12, y + 1, 64, 10, l.prompt));
            d.controls.push_back(MakeControl(Ctl::Entry, label, 80, y, l.w, 10, "", l.picture, l.attrs));
            y += 13;
        }
        ControlDef locked = MakeControl(Ctl::Check, "?OBR:ZAKLJUCAN", 80, y, 80, 10, "&ZAKLJUČAN", kSkip);
        locked.value = "1";
        locked.off_value = "0";
        d.controls.push_back(locked);
        d.controls.push_back(MakeControl(Ctl::Button, "?OK", 98, 146, 45, 14, "&OK", "", kDefault));
        d.controls.push_back(MakeControl(Ctl::Button, "?CANCEL", 147, 146, 45, 14, "&Cancel"));
        d.controls.push_back(MakeControl(Ctl::Button, "?HELP", 196, 146, 45, 14, "&Help", "", kHide));
        return d;
    }();
    return def;
}

}  // namespace kvadrin
