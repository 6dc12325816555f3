// The unit form's window.
#include "billing/kvd003_browse_kvadrin.h"

namespace kvadrin {

using namespace rt::ui;

namespace {

// The looked-up owner's name, right of the lookup button.
ControlDef OwnerName() {
    ControlDef owner = MakeControl(Ctl::StringPic, "?NAZ:NAZIV1", 124, 39, 190, 10, {}, "@s30");
    owner.use = "NAZ:NAZIV1";
    owner.font.color = 0x800000;  // dark blue
    return owner;
}

}  // namespace

const WindowDef& UpdateKvadrinWindow() {
    static const FormLine coefficient = {
        .field = "KVD:KOEFICIJENT", .prompt = "K.:", .picture = "@n10.4", .w = 54, .attrs = kRight | kSkip};
    static const FormLine lines[] = {
        {.field = "KVD:BROJ",
         .prompt = "&BROJ",
         .picture = "@s10",
         .w = 50,
         .attrs = kReq | kUpr | kLeft,
         .then = Controls(MakeOption("KVD:SP", 196, 52, 118, "SP", {"Stan", "Poslovni prostor", "Garaza"}),
                          PromptAndEntry({.x = 242, .prompt_w = 16, .entry_x = 260, .y = 24}, coefficient))},
        {.field = "KVD:SHKORISNIKA",
         .prompt = "&Šifra",
         .picture = "@n05",
         .w = 30,
         .attrs = kReq | kRight,
         .then = {MakeControl(Ctl::Button, "?CALLLOOKUP", 106, 38, 14, 11, "..."), OwnerName()}},
        {.field = "KVD:VLASNIK", .prompt = "&VLASNIK", .picture = "@s25", .w = 104, .attrs = kReq},
        {.field = "KVD:ADRESA", .prompt = "&Adresa", .picture = "@s30", .w = 118, .attrs = kSkip},
        {.field = "KVD:MESTO", .prompt = "&Mesto", .picture = "@s25", .w = 104, .attrs = kSkip | kReq},
        {.field = "KVD:POVRSINA", .prompt = "&Povrsina", .picture = "@n10.2", .w = 50, .attrs = kRight},
        {.field = "KVD:POVRSINAGR", .prompt = "&Gr. povrsina", .picture = "@n10.2", .w = 50, .attrs = kRight},
        {.field = "KVD:POVRSINAOST",
         .prompt = "Ostala povrsina",
         .picture = "@n10.2",
         .w = 50,
         .attrs = kRight},
        {.field = "KVD:BROJOSOBA",
         .prompt = "B&roj osoba",
         .picture = "@n5.2",
         .w = 30,
         .attrs = kRight,
         .then = {MakeOption("KVD:VODOMER", 196, 106, 57, "Vodomer", {"Da", "Ne"}),
                  MakeOption("KVD:KALORIMETAR", 257, 106, 57, "Kalorimetar", {"Da", "Ne"})}},
        {.field = "KVD:TELEFON", .prompt = "&Telefon", .picture = "@s20", .w = 84},
        {.field = "KVD:MOBILNI", .prompt = "Mobilni", .picture = "@s20", .w = 84},
    };
    static const WindowDef def = MakeWindow(
        {.module = "KVD$KVD008", .caption = "Form KVADRIN", .w = 326, .h = 206},
        MakeTabs({4, 4, 318, 178}, {"&1) General"}),
        FormLines({.prompt_w = 58, .entry_x = 74, .y = 24}, lines), FormButtons({.x = 178, .y = 188}));
    return def;
}

}  // namespace kvadrin
