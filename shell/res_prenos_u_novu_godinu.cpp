// The progress window of the carry-over into a new year.
#include "platform/ui/resource.h"
#include "shell/housekeeping.h"

namespace kvadrin {

const rt::ui::WindowDef& PrenosUNovuGodinuWindow() {
    using namespace rt::ui;
    static const WindowDef def = MakeWindow({.module = "KVD$PRENOS",
                                             .name = "PROGRESSWINDOW",
                                             .caption = "INICIJALIZACIJA BAZE...",
                                             .w = 319,
                                             .h = 60,
                                             .mdi = false},
                                            MakeControl(Ctl::Progress, "?PROGRESS2", 20, 24, 279, 12));
    return def;
}

}  // namespace kvadrin
