// The customer form's window.
#include "billing/kvd011_browse_nazivi.h"
#include "platform/ui/events.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& UpdateNaziviWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$KVD015";
        d.name = "QUICKWINDOW";
        d.caption = "Form NAZIVI";
        d.w = 216, d.h = 168;
        d.center = true;
        d.resizable = true;
        d.mdi = true;
        ControlDef sheet = MakeControl(Ctl::Sheet, "?CURRENTTAB", 4, 4, 208, 140, "");
        sheet.children = {MakeControl(Ctl::Tab, "?TAB:1", 0, 0, -1, -1, "&1) General")};
        d.controls = {sheet};
        struct Line {
            const char* field;
            const char* prompt;
            const char* picture;
            int width;
            std::uint32_t attrs;
        };
        const Line lines[] = {
            {"NAZ:ANALITIKA", "&ŠIFRA", "@n05", 30, kReq | kRight},
            {"NAZ:NAZIV1", "&NAZIV", "@s30", 124, kReq},
            {"NAZ:NAZIV2", "NAZIV", "@s30", 124, 0},
            {"NAZ:ADRESA", "&ADRESA", "@s30", 124, 0},
            {"NAZ:SEDISTE", "&SEDIŠTE", "@s30", 124, 0},
            {"NAZ:ZIRORACUN", "&PIB", "@s22", 92, 0},
            {"NAZ:TEKUCI", "&TEKUĆI", "@s20", 84, 0},
            {"NAZ:KONTAKT", "&KONTAKT", "@s30", 124, 0},
            {"NAZ:TELEFONI", "TE&LEFONI", "@s30", 124, 0},
        };
        int y = 23;
        for (const Line& l : lines) {
            const std::string label = std::string("?") + l.field;
            d.controls.push_back(MakeControl(Ctl::Prompt, label + ":PROMPT", 12, y + 1, 60, 10, l.prompt));
            d.controls.push_back(MakeControl(Ctl::Entry, label, 76, y, l.width, 10, "", l.picture, l.attrs));
            y += 13;
        }
        d.controls.push_back(MakeControl(Ctl::Button, "?OK", 68, 150, 45, 14, "&OK", "", kDefault));
        d.controls.push_back(MakeControl(Ctl::Button, "?CANCEL", 117, 150, 45, 14, "&Cancel"));
        d.controls.push_back(MakeControl(Ctl::Button, "?HELP", 166, 150, 45, 14, "&Help", "", kHide));
        return d;
    }();
    return def;
}

}  // namespace kvadrin
