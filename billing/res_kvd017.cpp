// The price list's window.
#include "billing/kvd005_browse_obracuni.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& BrowseCeneWindow() {
    static const ListColumn columns[] = {
        {.width = 35, .heading = "Sifra", .heading_align = Align::Center, .picture = "@s7"},
        {.width = 90, .heading = "Naziv", .picture = "@s20"},
        {.width = 44,
         .align = Align::Right,
         .heading = "Kolicina",
         .heading_align = Align::Center,
         .picture = "@n10.2"},
        {.width = 33, .heading = "JM", .heading_align = Align::Center, .picture = "@s5"},
        {.width = 44,
         .align = Align::Right,
         .heading = "Ukupno",
         .heading_align = Align::Center,
         .picture = "@n10.2"},
        {.width = 44,
         .align = Align::Right,
         .heading = "Cena",
         .heading_align = Align::Center,
         .picture = "@n10.2"},
    };
    static const WindowDef def = [] {
        const Font title{"Arial", 10, 700, 0x800000};  // bold navy
        ControlDef run = MakeControl(Ctl::StringPic, "?OBR:OBRACUN", 12, 22, 20, 12, "", "@n02");
        run.font = title;
        ControlDef name = MakeControl(Ctl::StringPic, "?OBR:NAZIV", 36, 22, 120, 12, "", "@s20");
        name.font = title;
        // The sum stands under the column "Ukupno".
        ControlDef sum = MakeControl(Ctl::StringPic, "?UKUPNO", 190, 206, 64, 12, "", "@n-12.2", kRight);
        sum.font = Font{"Arial", 10, 700, -1};
        ControlDef command = MakeButton({.label = "?BUTTONNORECORDS",
                                         .at = {8, 226, 180, 16},
                                         .text = "KREIRAJ ZADUŽENJA PO OBRAČUNU",
                                         .icon = "MONEY.ICO"});
        command.font = title;
        return MakeWindow(
            {.module = "KVD$KVD017", .caption = "UKUPNE OBAVEZE ZA OBRAČUN", .w = 328, .h = 246},
            MakeTabs({4, 4, 320, 218}, {"&1) Obračun"}), run, name,
            MakeBrowseList({8, 38, 312, 164}, columns), sum, command, BrowseButtons({.x = 190, .y = 228}));
    }();
    return def;
}

}  // namespace kvadrin
