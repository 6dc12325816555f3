// The services browse's window.
#include "billing/kvd004_browse_obaveze.h"
#include "shell/browse.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& BrowseObavezeWindow() {
    static const ListColumn columns[] = {
        {.width = 40, .heading = "Sifra", .picture = "@s7"},
        {.width = 92, .heading = "Naziv", .picture = "@s20"},
        {.width = 28, .heading = "JM", .picture = "@s5"},
        {.width = 70, .heading = "Nacin obračuna", .picture = "@s15"},
        {.width = 60, .heading = "Kolona", .picture = "@s12"},
    };
    static const WindowDef def = MakeWindow(
        {.module = "KVD$KVD004", .caption = "OBAVEZE", .w = 345, .h = 281},
        MakeTabs({4, 4, 337, 253}, {"&1) Šifra", "&2) Naziv"}), MakeBrowseList({8, 22, 329, 230}, columns),
        PrintButton({8, 262, 56, 14}), BrowseButtons({.x = 120, .y = 262}));
    return def;
}

}  // namespace kvadrin
