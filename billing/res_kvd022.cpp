// The items browse's window.
#include "billing/kvd020_izbor_za_fakture.h"
#include "shell/browse.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& BrowseSpromWindow() {
    constexpr Align kR = Align::Right;
    static const ListColumn columns[] = {
        {.width = 43, .align = Align::Center, .indent = 0, .heading = "DATUM", .picture = "@d5"},
        {.width = 39, .align = Align::Center, .indent = 0, .heading = "VALUTA", .picture = "@d5"},
        {.width = 32, .heading = "SIFRA", .picture = "@s7"},
        {.width = 91, .heading = "VRSTA OBAVEZE", .picture = "@s20"},
        {.width = 44,
         .align = kR,
         .heading = "Kolicina",
         .heading_align = Align::Center,
         .picture = "@n-11.2"},
        {.width = 47, .align = kR, .heading = "Cena", .heading_align = Align::Center, .picture = "@n10.2"},
        {.width = 48, .align = kR, .heading = "Ukupno", .heading_align = Align::Center, .picture = "@n-12.2"},
        {.width = 52, .heading = "Kolona", .heading_align = Align::Center, .picture = "@s12"},
    };
    static const WindowDef def = [] {
        constexpr Rect list{8, 38, 425, 132};
        const Font title{"Arial", 10, 700, 0x800000};  // bold navy
        ControlDef partner = MakeControl(Ctl::StringPic, "?NAZ:NAZIV1", 12, 22, 160, 12, "", "@s30");
        partner.font = title;
        ControlDef unit = MakeControl(Ctl::StringPic, "?SFA:BROJSTANA", 178, 22, 40, 12, "", "@s6");
        unit.font = title;
        ControlDef run = MakeControl(Ctl::StringPic, "?OBR:NAZIV", 300, 22, 129, 12, "", "@s20", kRight);
        run.font = title;
        ControlDef sum = TotalUnder(list, columns, 7, "?UKUPNO", 174, "@n-14.2");
        sum.font = Font{"Arial", 0, 700, -1};  // bold
        return MakeWindow({.module = "KVD$KVD022", .caption = "STAVKE FAKTURE", .w = 441, .h = 206},
                          MakeTabs({4, 4, 433, 186}, {"&1) FAKTURA"}), partner, unit, run,
                          MakeBrowseList(list, columns), sum,
                          BrowseButtons({.x = 200, .y = 190, .change_is_default = true}));
    }();
    return def;
}

}  // namespace kvadrin
