// The invoice form's window.
#include "billing/kvd020_izbor_za_fakture.h"

namespace kvadrin {

using namespace rt::ui;

namespace {

FormLine Amount(const char* field, std::string_view prompt, std::uint32_t attrs) {
    return {.field = field, .prompt = prompt, .picture = "@n-12.2", .w = 56, .attrs = kRight | attrs};
}

}  // namespace

const WindowDef& UpdateSfaktWindow() {
    static const FormLine lines[] = {
        {.field = "SFA:BROJSTANA",
         .prompt = "&BR. STANA",
         .picture = "@s6",
         .w = 36,
         .attrs = kUpr | kLeft,
         .then = {MakeButton({.label = "?CALLLOOKUP",
                              .at = {110, 22, 12, 12},
                              .text = "...",
                              .tip = "Izbor stana",
                              .attrs = kSkip}),
                  ShownBeside("KVD:VLASNIK", 126, 24, 116, "@s25")}},
        {.field = "SFA:SHKORISNIKA",
         .prompt = "ŠIFRA",
         .picture = "@n05",
         .w = 30,
         .attrs = kRight | kDisable,
         .then = {ShownBeside("NAZ:NAZIV1", 126, 38, 116, "@s30")}},
        Amount("SFA:ODRZAVANJE", "ODRZAVANJE", kDisable),
        Amount("SFA:STRUJA", "STRUJA", kDisable),
        Amount("SFA:VODA", "VODA", kDisable),
        Amount("SFA:OSTALO", "OSTALO", kDisable),
        Amount("SFA:DUG", "&DUG", 0),
        Amount("SFA:UKUPNO", "Ukupno", kDisable),
    };
    static const WindowDef def =
        MakeWindow({.module = "KVD$KVD026", .caption = "Form SFAKT", .w = 251, .h = 168},
                   MakeTabs({4, 4, 243, 140}, {"&1) General"}),
                   FormLines({.prompt_w = 52, .entry_x = 70, .y = 23, .step = 14}, lines),
                   FormButtons({.x = 104, .y = 148}));
    return def;
}

}  // namespace kvadrin
