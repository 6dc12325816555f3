// The progress window of the carry-over into a new year.
#include "platform/ui/resource.h"
#include "shell/housekeeping.h"

namespace kvadrin {

const rt::ui::WindowDef& PrenosUNovuGodinuWindow() {
    using namespace rt::ui;
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$PRENOS";
        d.name = "PROGRESSWINDOW";
        d.caption = "INICIJALIZACIJA BAZE...";
        d.w = 319, d.h = 60;
        d.resizable = true;
        d.controls = {MakeControl(Ctl::Progress, "?PROGRESS2", 20, 24, 279, 12)};
        return d;
    }();
    return def;
}

}  // namespace kvadrin
