// Windows of the firms list: the browse, the form of one firm and the server change.
#include "shell/firms_list.h"

namespace kvadrin {

using namespace rt::ui;

namespace {

// The working year, top right of the list.
ControlDef Year() {
    ControlDef year = MakeControl(Ctl::String, "?RAD_GOD", 560, 4, 58, 14, {}, "@n04", kRight);
    year.font = Font{"Arial", 14, 700, 0x800000};  // bold navy
    return year;
}

}  // namespace

const WindowDef& BrowseMBaseWindow() {
    static const ListColumn columns[] = {
        {.width = 127, .heading = "NAZIV KORISNIKA", .picture = "@s30"},
        {.width = 122, .heading = "SERVER", .picture = "@s50"},
        {.width = 80, .heading = "DATABASE NAME", .picture = "@s20"},
        {.width = 74, .heading = "PIB", .picture = "@s30"},
        {.width = 82, .heading = "MATIČNI BROJ", .picture = "@s30"},
        {.width = 120, .heading = "TEKUĆI RAČUN", .picture = "@s30"},
    };
    static const WindowDef def = MakeWindow(
        {.module = "KVD$FIRMS",
         .name = "BROWSEMBASE",
         .caption = "REGISTROVANI KORISNICI / IZABERITE KORISNIKA",
         .w = 628,
         .h = 320,
         .mdi = false},
        MakeSheet({4, 4, 620, 292},
                  {MakeTab(1, "&1) NAZIV", {Year(), MakeBrowseList({8, 22, 612, 270}, columns)})}),
        MakeButton({.label = "?BUTTON8", .at = {8, 300, 18, 16}, .icon = "tools_II.ico", .attrs = kSkip}),
        MakeControl(Ctl::Button, "?BUTTON1", 30, 300, 80, 16, "PROMENA SERVERA", kHide),
        BrowseButtons({.x = 302, .y = 301, .in_row = true, .change_is_default = true}));
    return def;
}

const WindowDef& UpdateMBaseWindow() {
    static const FormLine general[] = {
        {.field = "M:NAZIVFIRME", .prompt = "NAZIV KORISNIKA:", .picture = "@s30", .w = 150},
        {.field = "M:SERVERNAME", .prompt = "SERVER:", .picture = "@s50", .w = 250},
        {.field = "M:FOLDERNAME", .prompt = "DATABASE:", .picture = "@s20", .w = 100},
    };
    // The firm's data lines, by their numbers among the fifteen (line 8 is not shown).
    static const FormLine data[] = {
        {.field = "M:R_1", .prompt = "Naziv firme:", .picture = "@s50", .w = 250},
        {.field = "M:R_2", .prompt = "Adresa:", .picture = "@s50", .w = 250},
        {.field = "M:R_3", .prompt = "PTT i mesto:", .picture = "@s50", .w = 250},
        {.field = "M:R_4", .prompt = "Mesto:", .picture = "@s50", .w = 250},
        {.field = "M:R_5", .prompt = "Tekući račun:", .picture = "@s30", .w = 150},
        {.field = "M:R_6", .prompt = "Telefoni:", .picture = "@s50", .w = 250},
        {.field = "M:R_7", .prompt = "PIB:", .picture = "@s30", .w = 150},
        {.field = "M:R_9", .prompt = "EPPDV:", .picture = "@s30", .w = 150},
        {.field = "M:R_10", .prompt = "Matični broj:", .picture = "@s30", .w = 150},
        {.field = "M:R_11", .prompt = "Reg. broj:", .picture = "@s30", .w = 150},
        {.field = "M:R_12", .prompt = "Šifra delatnosti:", .picture = "@s30", .w = 150},
        {.field = "M:R_13", .prompt = "APR:", .picture = "@s30", .w = 150},
        {.field = "M:R_14", .prompt = "Budžet:", .picture = "@s30", .w = 150},
        {.field = "M:R_15", .prompt = "Sistem:", .picture = "@s30", .w = 150},
    };
    // The entries leave room between them and the longest prompt for the focus mark.
    static const WindowDef def = MakeWindow(
        {.module = "KVD$FIRMS",
         .name = "UPDATEMBASE",
         .caption = "Form MBASE",
         .w = 364,
         .h = 285,
         .mdi = false},
        MakeSheet({4, 4, 356, 258},
                  {MakeTab(1, "&1) General",
                           FormLines({.prompt_w = 80, .entry_x = 98, .y = 24, .step = 16}, general)),
                   MakeTab(2, "Podaci o korisniku",
                           FormLines({.prompt_w = 80, .entry_x = 98, .y = 22, .step = 16}, data))}),
        FormButtons({.x = 212,
                     .y = 267,
                     .ok_tip = "Accept data and close the window",
                     .cancel_tip = "Cancel operation"}));
    return def;
}

const WindowDef& PromenaServeraWindow() {
    static const FormLine lines[] = {
        {.prompt = "STARI SERVER:", .picture = "@s50", .w = 260, .label = "?STARISERV"},
        {.prompt = "NOVI SERVER:", .picture = "@s50", .w = 260, .label = "?NOVISERV"},
    };
    static const WindowDef def =
        MakeWindow({.module = "KVD$FIRMS",
                    .name = "PROMENASERVERA",
                    .caption = "Promena servera",
                    .w = 367,
                    .h = 97,
                    .mdi = false},
                   FormLines({.prompt_w = 70, .entry_x = 84, .y = 14, .step = 20}, lines),
                   FormButtons({.x = 254, .y = 76, .w = 50, .gap = 6, .help = false}));
    return def;
}

}  // namespace kvadrin
