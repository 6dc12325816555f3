// The progress window of charge creation.
#include "billing/kvd005_browse_obracuni.h"
#include "platform/core/text.h"
#include "platform/ui/events.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& KreirajZaduzenjaWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$KVD019";
        d.name = "P1$WINDOW";
        d.caption = rt::utf8_to_cp1250("OBRAČUN U TOKU...");
        d.w = 380, d.h = 116;
        d.center = true;
        d.resizable = true;
        d.mdi = true;
        d.font = Font{"MS Sans Serif", 8, 400, -1};
        for (int bar = 0; bar < 4; ++bar)
            d.controls.push_back(MakeControl(Ctl::Progress, "?PROGRESS" + std::to_string(bar + 3), 23,
                                             24 + 16 * bar, 335, 12, ""));
        return d;
    }();
    return def;
}

}  // namespace kvadrin
