// The customer form's window.
#include "billing/kvd011_browse_nazivi.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& UpdateNaziviWindow() {
    static const FormLine lines[] = {
        {.field = "NAZ:ANALITIKA", .prompt = "&ŠIFRA", .picture = "@n05", .w = 30, .attrs = kReq | kRight},
        {.field = "NAZ:NAZIV1", .prompt = "&NAZIV", .picture = "@s30", .w = 124, .attrs = kReq},
        {.field = "NAZ:NAZIV2", .prompt = "NAZIV", .picture = "@s30", .w = 124},
        {.field = "NAZ:ADRESA", .prompt = "&ADRESA", .picture = "@s30", .w = 124},
        {.field = "NAZ:SEDISTE", .prompt = "&SEDIŠTE", .picture = "@s30", .w = 124},
        {.field = "NAZ:ZIRORACUN", .prompt = "&PIB", .picture = "@s22", .w = 92},
        {.field = "NAZ:TEKUCI", .prompt = "&TEKUĆI", .picture = "@s20", .w = 84},
        {.field = "NAZ:KONTAKT", .prompt = "&KONTAKT", .picture = "@s30", .w = 124},
        {.field = "NAZ:TELEFONI", .prompt = "TE&LEFONI", .picture = "@s30", .w = 124},
    };
    static const WindowDef def =
        MakeWindow({.module = "KVD$KVD015", .caption = "Form NAZIVI", .w = 216, .h = 168},
                   MakeTabs({4, 4, 208, 140}, {"&1) General"}),
                   FormLines({.prompt_w = 60, .entry_x = 76, .y = 23, .step = 13}, lines),
                   FormButtons({.x = 68, .y = 150}));
    return def;
}

}  // namespace kvadrin
