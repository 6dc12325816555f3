// The billing-run form's window.
#include "billing/kvd005_browse_obracuni.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& UpdateObracWindow() {
    static const FormLine lines[] = {
        {.field = "OBR:OBRACUN", .prompt = "BROJ", .picture = "@n02", .w = 20, .attrs = kRight | kSkip},
        {.field = "OBR:NAZIV", .prompt = "OP&IS", .picture = "@s20", .w = 100},
        {.field = "OBR:SVRHA1", .prompt = "&SVRHA (1)", .picture = "@s30", .w = 150},
        {.field = "OBR:SVRHA2", .prompt = "SVRH&A (2)", .picture = "@s30", .w = 150},
        {.field = "OBR:SVRHA3", .prompt = "SVRHA (&3)", .picture = "@s30", .w = 150},
        {.field = "OBR:DATUM", .prompt = "&DATUM", .picture = "@d5", .w = 44, .attrs = kRight | kReq},
        {.field = "OBR:VALUTA", .prompt = "&VALUTA", .picture = "@d5", .w = 44, .attrs = kRight},
        {.field = "OBR:DATUMPROMETA", .prompt = "DATUM P&ROMETA", .picture = "@d5", .w = 44, .attrs = kRight},
    };
    static const WindowDef def = [] {
        ControlDef locked = MakeControl(Ctl::Check, "?OBR:ZAKLJUCAN", 80, 127, 80, 10, "&ZAKLJUČAN", kSkip);
        locked.use = "OBR:ZAKLJUCAN";
        locked.value = "1";
        locked.off_value = "0";
        return MakeWindow({.module = "KVD$KVD016", .caption = "Form OBRAC", .w = 246, .h = 165},
                          MakeTabs({4, 4, 238, 137}, {"&1) General"}),
                          FormLines({.prompt_w = 64, .entry_x = 80, .y = 23, .step = 13}, lines), locked,
                          FormButtons({.x = 98, .y = 146}));
    }();
    return def;
}

}  // namespace kvadrin
