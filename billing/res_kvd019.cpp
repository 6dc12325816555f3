// The progress window of charge creation.
#include "billing/kvd005_browse_obracuni.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& KreirajZaduzenjaWindow() {
    static const WindowDef def = [] {
        WindowDef d = MakeWindow(
            {.module = "KVD$KVD019", .name = "WINDOW", .caption = "OBRAČUN U TOKU...", .w = 380, .h = 116});
        d.font = Font{"MS Sans Serif", 8, 400, -1};
        for (int bar = 0; bar < 4; ++bar)
            d.controls.push_back(MakeControl(Ctl::Progress, "?PROGRESS" + std::to_string(bar + 3), 23,
                                             24 + 16 * bar, 335, 12));
        return d;
    }();
    return def;
}

}  // namespace kvadrin
