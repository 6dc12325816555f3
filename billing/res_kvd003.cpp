// The units browse's window.
#include "billing/kvd003_browse_kvadrin.h"
#include "shell/browse.h"

namespace kvadrin {

using namespace rt::ui;

namespace {

// The totals under their columns (1-based), right-aligned as the columns are.
std::vector<ControlDef> TotalsUnder(Rect list, std::span<const ListColumn> columns) {
    std::vector<ControlDef> totals;
    for (const auto& [label, column] :
         {std::pair{"?UKPOVRS", 5}, {"?UKGRPOVRS", 6}, {"?UKOSTPOVRS", 7}, {"?UKOSOBA", 8}}) {
        int x = list.x;
        for (int c = 1; c < column; ++c) x += columns[c - 1].width;
        const ListColumn& under = columns[column - 1];
        totals.push_back(
            MakeControl(Ctl::StringPic, label, x, 262, under.width - 2, 10, {}, under.picture, kRight));
    }
    return totals;
}

}  // namespace

const WindowDef& BrowseKvadrinWindow() {
    constexpr Align kR = Align::Right;
    static const ListColumn columns[] = {
        {.width = 50, .heading = "BROJ STANA", .picture = "@s10"},
        {.width = 28, .align = kR, .heading = "Sifra", .picture = "@n05"},
        {.width = 120, .heading = "VLASNIK", .picture = "@s30"},
        {.width = 104, .heading = "KORISNIK", .picture = "@s25"},
        {.width = 48, .align = kR, .heading = "Povrsina", .picture = "@n10.2"},
        {.width = 52, .align = kR, .heading = "Gr. povrsina", .picture = "@n10.2"},
        {.width = 62, .align = kR, .heading = "Ostala povrsina", .picture = "@n10.2"},
        {.width = 30, .align = kR, .heading = "Osoba", .picture = "@n5.2"},
        {.width = 36, .align = Align::Center, .indent = 0, .heading = "Vodomer", .picture = "@s2"},
        {.width = 46, .align = Align::Center, .indent = 0, .heading = "Kalorimetar", .picture = "@s2"},
        {.width = 70, .heading = "Telefon", .picture = "@s20"},
    };
    constexpr Rect list{8, 22, 659, 236};
    static const WindowDef def = MakeWindow(
        {.module = "KVD$KVD003", .caption = "KVADRIN", .w = 675, .h = 318},
        MakeTabs({4, 4, 667, 274}, {"&1) Broj", "&2) Vlasnik", "&3) Šifra"}), MakeBrowseList(list, columns),
        TotalsUnder(list, columns),
        MakeControl(Ctl::String, "?STRING5", list.x + 2, 262, 60, 10, "Ukupno kvadrina:"),
        MakeControl(Ctl::StringPic, "?UKKVADRINA", list.x + 62, 262, 24, 10, {}, "@n5", kRight),
        PrintButton({8, 284, 56, 14}), MakeControl(Ctl::Button, "?QUERY", 68, 284, 56, 14, "&UPIT"),
        BrowseButtons({.x = 408, .y = 284}));
    return def;
}

}  // namespace kvadrin
