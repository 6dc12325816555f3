// The services form's window.
#include "billing/kvd004_browse_obaveze.h"
#include "platform/core/text.h"
#include "platform/ui/events.h"

namespace kvadrin {
namespace {

using namespace rt::ui;

}  // namespace

const WindowDef& UpdateObavezeWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$KVD006";
        d.name = "QUICKWINDOW";
        d.caption = "Form OBAVEZE";
        d.w = 236, d.h = 164;
        d.center = true;
        d.resizable = true;
        d.mdi = true;
        ControlDef sheet = MakeControl(Ctl::Sheet, "?CURRENTTAB", 4, 4, 228, 136, "");
        sheet.children = {MakeControl(Ctl::Tab, "?TAB:1", 0, 0, -1, -1, "&1) General")};
        d.controls = {sheet,
                      MakeControl(Ctl::Prompt, "?OBA:SIFRA:PROMPT", 12, 24, 40, 10, "&Sifra"),
                      MakeControl(Ctl::Entry, "?OBA:SIFRA", 56, 23, 40, 10, "", "@s7", kReq | kUpr | kLeft),
                      MakeControl(Ctl::Prompt, "?OBA:NAZIV:PROMPT", 12, 38, 40, 10, "&Naziv"),
                      MakeControl(Ctl::Entry, "?OBA:NAZIV", 56, 37, 100, 10, "", "@s20"),
                      MakeControl(Ctl::Prompt, "?OBA:JM:PROMPT", 12, 52, 40, 10, "&JM"),
                      MakeControl(Ctl::Entry, "?OBA:JM", 56, 51, 30, 10, "", "@s5"),
                      MakeOption("?OBA:NACIN", 12, 66, 104, "Način obračuna",
                                 {"Površina", "Grejna površina", "Stan", "Osoba", "Fiksno"}),
                      MakeOption("?OBA:KOLONA", 122, 66, 104, "Kolona u pregledu",
                                 {"Održavanje", "El. energija", "Voda", "Ostalo"}),
                      MakeControl(Ctl::Button, "?OK", 88, 146, 45, 14, "&OK", "", kDefault),
                      MakeControl(Ctl::Button, "?CANCEL", 137, 146, 45, 14, "&Cancel"),
                      MakeControl(Ctl::Button, "?HELP", 186, 146, 45, 14, "&Help", "", kHide)};
        return d;
    }();
    return def;
}

}  // namespace kvadrin
