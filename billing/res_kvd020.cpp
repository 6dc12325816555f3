// The window of the choice of a run for its invoices.
#include "billing/kvd005_browse_obracuni.h"
#include "billing/kvd020_izbor_za_fakture.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& IzborZaFaktureWindow() {
    static const WindowDef def = [] {
        ControlDef command = MakeButton({.label = "?BUTTONNORECORDS",
                                         .at = {8, 230, 130, 16},
                                         .text = "&FAKTURE PO OBRAČUNU",
                                         .key = Key::F5,
                                         .tip = "F5",
                                         .icon = "MONEY.ICO"});
        command.number = 4;
        command.font = Font{"Arial", 10, 700, 0x800000};  // bold navy
        // The standard buttons of a browse without a form: select, view, close and help.
        std::vector<ControlDef> standard;
        for (ControlDef& b : BrowseButtons({.x = 142, .y = 232}))
            if (b.label != "?INSERT:4" && b.label != "?CHANGE:4" && b.label != "?DELETE:4")
                standard.push_back(std::move(b));
        return MakeWindow({.module = "KVD$KVD020", .caption = "IZABERI OBRAČUN", .w = 254, .h = 253},
                          MakeTabs({4, 4, 246, 221}, {"&1) Broj"}),
                          MakeBrowseList({8, 22, 238, 198}, RunListColumns()), command, standard);
    }();
    return def;
}

}  // namespace kvadrin
