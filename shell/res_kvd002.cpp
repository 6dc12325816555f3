// The splash window.
#include "platform/ui/resource.h"
#include "shell/kvd002_splash.h"

namespace kvadrin {

const rt::ui::WindowDef& BrivantSplashWindow() {
    using namespace rt::ui;
    static const WindowDef def = [] {
        ControlDef outer = MakeControl(Ctl::Panel, "?PANEL1", 0, 0, 204, 94);
        outer.background = 0xC0C0C0;  // grey
        ControlDef title = MakeControl(Ctl::String, "?STRING1", 10, 10, 184, 14, "PALVIN 1.0", kCenter);
        title.font = Font{"Arial", 12, 700, -1};
        ControlDef logo = MakeControl(Ctl::Image, "?IMAGE1", 62, 32, 80, 36);
        logo.icon = "LogoBrivant.bmp";
        ControlDef contact = MakeControl(Ctl::String, "?STRING2", 10, 74, 184, 10,
                                         "Podrška korisnicima: kvadrin@kvadrin.local", kCenter);
        contact.font = Font{"Arial", 8, 700, 0xFF0000};  // blue
        WindowDef d = MakeWindow({.module = "KVD$KVD002",
                                  .name = "SPLASHWINDOW",
                                  .w = 204,
                                  .h = 94,
                                  .resizable = false,
                                  .mdi = false,
                                  .system_menu = false},
                                 outer, MakeControl(Ctl::Panel, "?PANEL2", 6, 6, 192, 82), title,
                                 MakeControl(Ctl::Panel, "?PANEL3", 12, 26, 180, 2), logo, contact);
        d.tool_window = true;
        d.frameless = true;
        return d;
    }();
    return def;
}

}  // namespace kvadrin
