// The clauses browse's window.
#include "billing/kvd028_browse_klauzul.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& BrowseKlauzulWindow() {
    static const ListColumn columns[] = {
        {.width = 24,
         .align = Align::Right,
         .heading = "Sifra",
         .heading_align = Align::Center,
         .picture = "@n02"},
        {.width = 80, .heading = "Opis", .heading_indent = 2, .picture = "@s30"},
    };
    static const WindowDef def =
        MakeWindow({.module = "KVD$KVD028", .caption = "KLAUZULE", .w = 277, .h = 180},
                   MakeTabs({4, 4, 269, 172}, {"&1) Sifra"}), MakeBrowseList({8, 22, 261, 150}, columns),
                   BrowseButtons({.x = 40, .y = 160}));
    return def;
}

}  // namespace kvadrin
