// The billing-run browse's window.
#include "billing/kvd005_browse_obracuni.h"

namespace kvadrin {

using namespace rt::ui;

std::span<const ListColumn> RunListColumns() {
    // Every column shows the colours of its row (locked runs in grey).
    static const ListColumn columns[] = {
        {.width = 32,
         .align = Align::Center,
         .indent = 0,
         .heading = "BROJ",
         .picture = "@n02",
         .colored = true},
        {.width = 97, .heading = "OPIS", .picture = "@s20", .colored = true},
        {.width = 42,
         .align = Align::Center,
         .indent = 0,
         .heading = "DATUM",
         .picture = "@d5",
         .colored = true},
        {.width = 50,
         .align = Align::Center,
         .indent = 0,
         .heading = "VALUTA",
         .picture = "@d5",
         .colored = true},
    };
    return columns;
}

const WindowDef& BrowseObracuniWindow() {
    static const WindowDef def = [] {
        ControlDef command = MakeButton({.label = "?BUTTONNORECORDS",
                                         .at = {8, 230, 130, 16},
                                         .text = "PARAMETRI ZA OBRAČUN",
                                         .icon = "BULLETS.ICO"});
        command.font = Font{"Arial", 10, 700, 0x800000};  // bold navy
        return MakeWindow({.module = "KVD$KVD005", .caption = "OBRAČUNI", .w = 254, .h = 253},
                          MakeTabs({4, 4, 246, 221}, {"&1) Broj"}),
                          MakeBrowseList({8, 22, 238, 198}, RunListColumns()), command,
                          BrowseButtons({.x = 142, .y = 232}));
    }();
    return def;
}

}  // namespace kvadrin
