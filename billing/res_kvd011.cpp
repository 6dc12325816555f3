// The customers browse's window.
#include "billing/kvd011_browse_nazivi.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& BrowseNaziviWindow() {
    static const ListColumn columns[] = {
        {.width = 32,
         .align = Align::Right,
         .heading = "ŠIFRA",
         .heading_align = Align::Center,
         .picture = "@n05"},
        {.width = 110, .heading = "NAZIV", .picture = "@s30"},
        {.width = 100, .heading = "ADRESA", .picture = "@s30"},
        {.width = 90, .heading = "SEDISTE", .picture = "@s30"},
        {.width = 66, .heading = "PIB", .picture = "@s22"},
        {.width = 68, .heading = "TEKUĆI RAČUN", .picture = "@s20"},
        {.width = 76, .heading = "KONTAKT OSOBA", .picture = "@s30"},
        {.width = 76, .heading = "TELEFONI", .picture = "@s30"},
    };
    static const WindowDef def =
        MakeWindow({.module = "KVD$KVD011", .caption = "KORISNICI", .w = 647, .h = 310},
                   MakeTabs({4, 4, 639, 282}, {"&1) Šifra", "&2) Naziv"}),
                   MakeBrowseList({8, 22, 631, 259}, columns), BrowseButtons({.x = 380, .y = 291}));
    return def;
}

}  // namespace kvadrin
