// The price form's window.
#include "billing/kvd005_browse_obracuni.h"

namespace kvadrin {

using namespace rt::ui;

namespace {

// A text shown beside an entry: the looked-up service's name and unit, bold navy.
ControlDef Shown(const char* field, int x, int y, int w, const char* picture) {
    ControlDef c = MakeControl(Ctl::StringPic, std::string("?") + field, x, y, w, 12, {}, picture);
    c.use = field;
    c.font = Font{"Arial", 10, 700, 0x800000};
    return c;
}

}  // namespace

const WindowDef& UpdateCeneWindow() {
    static const FormLine lines[] = {
        {.field = "CEN:SIFRA",
         .prompt = "O&baveza",
         .picture = "@s7",
         .w = 40,
         .attrs = kReq | kUpr | kLeft,
         .then = {MakeButton({.label = "?CALLLOOKUP",
                              .at = {116, 22, 12, 12},
                              .text = "...",
                              .tip = "Izbor usluge",
                              .attrs = kSkip}),
                  Shown("OBA:NAZIV", 132, 23, 120, "@s20")}},
        {.field = "CEN:KOLICINA",
         .prompt = "&Kolicina",
         .picture = "@n-12.2",
         .w = 56,
         .attrs = kReq | kRight,
         .then = {Shown("OBA:JM", 132, 39, 40, "@s5")}},
        {.field = "CEN:CENA", .prompt = "C&ena", .picture = "@n10.2", .w = 56, .attrs = kRight | kSkip},
    };
    static const FormLine total = {
        .field = "CEN:UKUPNO", .prompt = "&Ukupno dinara", .picture = "@n10.2", .w = 56, .attrs = kRight};
    static const WindowDef def = [] {
        const FormGrid grid{.prompt_w = 56, .entry_x = 72, .y = 23, .step = 16};
        ControlDef price = MakeControl(Ctl::StringPic, "?OBRACUNCENA", 72, 71, 60, 12, {}, "@n12.2", kRight);
        price.font = Font{"Arial", 10, 700, -1};
        // Which total is zero, when one is.
        ControlDef note = MakeControl(Ctl::String, "?NAPOMENA", 12, 104, 244, 24, {});
        note.font.color = 0x0000C0;  // dark red
        return MakeWindow({.module = "KVD$KVD018", .caption = "Form CENE", .w = 264, .h = 157},
                          MakeTabs({4, 4, 256, 129}, {"&1) General"}), FormLines(grid, lines),
                          MakeControl(Ctl::Prompt, "?OBRACUNCENA:PROMPT", 12, 72, 56, 10, "Cena za obračun"),
                          price, PromptAndEntry({.prompt_w = 56, .entry_x = 72, .y = 87}, total),
                          FormButtons({.x = 116, .y = 138}), note);
    }();
    return def;
}

}  // namespace kvadrin
