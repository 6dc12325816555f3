// The item form's window.
#include "billing/kvd020_izbor_za_fakture.h"

namespace kvadrin {

using namespace rt::ui;

ControlDef ShownBeside(const char* field, int x, int y, int w, const char* picture) {
    ControlDef c = MakeControl(Ctl::StringPic, std::string("?") + field, x, y, w, 10, {}, picture);
    c.use = field;
    c.font.color = 0x800000;  // navy
    return c;
}

const WindowDef& UpdateSpromWindow() {
    static const FormLine lines[] = {
        {.field = "SPR:SIFRA",
         .prompt = "&Sifra",
         .picture = "@s7",
         .w = 40,
         .attrs = kReq | kUpr | kLeft,
         .then = {MakeButton({.label = "?CALLLOOKUP",
                              .at = {102, 22, 12, 12},
                              .text = "...",
                              .tip = "Izbor usluge",
                              .attrs = kSkip}),
                  ShownBeside("OBA:NAZIV", 118, 24, 120, "@s20")}},
        {.field = "SPR:KOLICINA",
         .prompt = "&Kolicina",
         .picture = "@n-11.2",
         .w = 50,
         .attrs = kRight,
         .then = {ShownBeside("OBA:JM", 112, 40, 40, "@s5")}},
        {.field = "SPR:CENA", .prompt = "C&ena", .picture = "@n10.2", .w = 50, .attrs = kRight},
        {.field = "SPR:UKUPNO", .prompt = "&Ukupno", .picture = "@n-12.2", .w = 56, .attrs = kRight},
    };
    static const WindowDef def = [] {
        const FormGrid grid{.prompt_w = 40, .entry_x = 56, .y = 23, .step = 16};
        return MakeWindow(
            {.module = "KVD$KVD024", .caption = "Form SPROM", .w = 251, .h = 190},
            MakeTabs({4, 4, 243, 162}, {"&1) General"}), FormLines(grid, lines),
            MakeOption("SPR:KOLONA", 56, 88, 100, "Kolona", {"Održavanje", "El. energija", "Voda", "Ostalo"}),
            FormButtons({.x = 104, .y = 170}));
    }();
    return def;
}

}  // namespace kvadrin
