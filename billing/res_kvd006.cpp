// The services form's window.
#include "billing/kvd004_browse_obaveze.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& UpdateObavezeWindow() {
    static const FormLine lines[] = {
        {.field = "OBA:SIFRA", .prompt = "&Sifra", .picture = "@s7", .w = 40, .attrs = kReq | kUpr | kLeft},
        {.field = "OBA:NAZIV", .prompt = "&Naziv", .picture = "@s20", .w = 100},
        {.field = "OBA:JM", .prompt = "&JM", .picture = "@s5", .w = 30},
    };
    static const WindowDef def =
        MakeWindow({.module = "KVD$KVD006", .caption = "Form OBAVEZE", .w = 236, .h = 164},
                   MakeTabs({4, 4, 228, 136}, {"&1) General"}),
                   FormLines({.prompt_w = 40, .entry_x = 56, .y = 23}, lines),
                   MakeOption("OBA:NACIN", 12, 66, 104, "Način obračuna",
                              {"Površina", "Grejna površina", "Stan", "Osoba", "Fiksno"}),
                   MakeOption("OBA:KOLONA", 122, 66, 104, "Kolona u pregledu",
                              {"Održavanje", "El. energija", "Voda", "Ostalo"}),
                   FormButtons({.x = 88, .y = 146}));
    return def;
}

}  // namespace kvadrin
