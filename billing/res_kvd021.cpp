// The invoice browse's window.
#include "billing/kvd020_izbor_za_fakture.h"
#include "platform/ui/list_format.h"
#include "shell/browse.h"

namespace kvadrin {

using namespace rt::ui;

namespace {

const Font kCommandFont{"Arial", 10, 700, 0x800000};  // bold navy

ControlDef Command(std::string label, int number, int x, int w, std::string_view text, int key) {
    ControlDef b = MakeButton({.label = std::move(label),
                               .at = {x, 298, w, 16},
                               .text = text,
                               .key = key,
                               .tip = key == Key::F2   ? "F2"
                                      : key == Key::F3 ? "F3"
                                      : key == Key::F5 ? "F5"
                                                       : ""});
    b.number = number;
    b.font = kCommandFont;
    return b;
}

}  // namespace

const WindowDef& BrowseSfaktWindow() {
    // Every column shows the colours of its row (red: a water meter without water).
    constexpr Align kR = Align::Right;
    static const ListColumn columns[] = {
        {.width = 40, .heading = "STAN", .heading_align = Align::Center, .picture = "@s6", .colored = true},
        {.width = 31,
         .align = Align::Center,
         .indent = 0,
         .heading = "SIFRA",
         .picture = "@n05",
         .colored = true},
        {.width = 129,
         .heading = "KORISNIK",
         .heading_align = Align::Center,
         .picture = "@s30",
         .colored = true},
        {.width = 56,
         .align = kR,
         .heading = "ODRZAVANJE",
         .heading_align = Align::Center,
         .picture = "@n-12.2",
         .colored = true},
        {.width = 56,
         .align = kR,
         .heading = "STRUJA",
         .heading_align = Align::Center,
         .picture = "@n-12.2",
         .colored = true},
        {.width = 56,
         .align = kR,
         .heading = "VODA",
         .heading_align = Align::Center,
         .picture = "@n-12.2",
         .colored = true},
        {.width = 56,
         .align = kR,
         .heading = "OSTALO",
         .heading_align = Align::Center,
         .picture = "@n-12.2",
         .colored = true},
        {.width = 54,
         .align = kR,
         .heading = "UKUPNO",
         .heading_align = Align::Center,
         .picture = "@n-12.2",
         .colored = true},
        {.width = 56,
         .align = kR,
         .heading = "DUG OD PRE",
         .heading_align = Align::Center,
         .picture = "@n-12.2",
         .colored = true},
        {.width = 56,
         .align = kR,
         .heading = "UKUPAN DUG",
         .heading_align = Align::Center,
         .picture = "@n-14.2",
         .colored = true},
    };
    static const ListColumn clause_columns[] = {
        {.width = 25, .align = Align::Center, .indent = 0, .heading = "Sifra", .picture = "@n02"},
        {.width = 120, .heading = "Opis", .picture = "@s30"},
    };
    static const WindowDef def = [] {
        constexpr Rect list{8, 38, 615, 218};
        constexpr int totals_y = 262;
        ControlDef run = MakeControl(Ctl::StringPic, "?OBR:OBRACUN", 12, 22, 20, 12, "", "@n02");
        run.font = kCommandFont;
        ControlDef name = MakeControl(Ctl::StringPic, "?OBR:NAZIV", 36, 22, 120, 12, "", "@s20");
        name.font = kCommandFont;
        ControlDef clause = MakeControl(Ctl::DropList, "?SKL:SIFRA", 216, 21, 180, 12, {}, "@n02", kSkip);
        clause.use = "SKL:SIFRA";
        clause.drop = 7;
        clause.format = ListFormat(clause_columns);
        // The totals, each under the column it totals.
        std::vector<ControlDef> totals = {
            MakeControl(Ctl::String, "?STRING:UKFAK", list.x + 2, totals_y, 60, 10, "Ukupno faktura:"),
            MakeControl(Ctl::StringPic, "?UKFAK", list.x + 62, totals_y, 30, 10, {}, "@n-7", kRight)};
        const std::pair<const char*, const char*> under[] = {
            {"?ODRZAVANJE", "@n-12.2"}, {"?STRUJA", "@n-12.2"}, {"?VODA", "@n-12.2"},
            {"?OSTALO", "@n-12.2"},     {"?UKUPNO", "@n-12.2"}, {"?UKDUG", "@n-12.2"},
            {"?UKSAMOT", "@n-14.2"}};
        int column = 4;
        for (const auto& [label, picture] : under)
            totals.push_back(TotalUnder(list, columns, column++, label, totals_y, picture));
        return MakeWindow({.module = "KVD$KVD021", .caption = "FAKTURE PO OBRAČUNU", .w = 631, .h = 321},
                          MakeTabs({4, 4, 623, 288}, {"&1) OBRAČUN"}),
                          Command("?BUTTONNORECORDS:2", 3, 8, 70, "&FAKTURA", Key::F2),
                          Command("?BUTTONNORECORDS:3", 4, 82, 90, "&GRUPA FAKTURA", Key::F3),
                          Command("?BUTTONNORECORDS", 5, 176, 96, "&STAVKE FAKTURE", Key::F5),
                          Command("?BUTTONNORECORDS:4", 6, 276, 96, "SPISAK &OBAVEZA", 0), run, name,
                          MakeControl(Ctl::String, "?STRING:KLAUZULA", 180, 23, 34, 10, "Klauzula:"), clause,
                          MakeBrowseList(list, columns), totals, BrowseButtons({.x = 400, .y = 298}));
    }();
    return def;
}

}  // namespace kvadrin
