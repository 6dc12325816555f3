// The splash window.
#include "platform/core/text.h"
#include "platform/ui/resource.h"
#include "shell/kvd002_splash.h"

namespace kvadrin {

const rt::ui::WindowDef& BrivantSplashWindow() {
    using namespace rt::ui;
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$KVD002";
        d.name = "SPLASHWINDOW";
        d.caption = "";
        d.w = 204, d.h = 94;
        d.center = true;
        d.system_menu = false;
        d.tool_window = true;
        auto panel = [](const char* label, int x, int y, int w, int h) {
            ControlDef c;
            c.kind = Ctl::Panel;
            c.label = label;
            c.x = x, c.y = y, c.w = w, c.h = h;
            return c;
        };
        ControlDef outer = panel("?PANEL1", 0, 0, 204, 94);
        outer.background = 0xC0C0C0;  // grey
        ControlDef inner = panel("?PANEL2", 6, 6, 192, 82);
        ControlDef title;
        title.kind = Ctl::String;
        title.label = "?STRING1";
        title.text = "PALVIN 1.0";
        title.x = 10, title.y = 10, title.w = 184, title.h = 14;
        title.attrs = kCenter;
        title.font = Font{"Arial", 12, 700, -1};
        ControlDef under = panel("?PANEL3", 12, 26, 180, 2);
        ControlDef logo;
        logo.kind = Ctl::Image;
        logo.label = "?IMAGE1";
        logo.icon = "LogoBrivant.bmp";
        logo.x = 62, logo.y = 32, logo.w = 80, logo.h = 36;
        ControlDef contact;
        contact.kind = Ctl::String;
        contact.label = "?STRING2";
        contact.text = rt::utf8_to_cp1250("Podrška korisnicima: kvadrin@kvadrin.local");
        contact.x = 10, contact.y = 74, contact.w = 184, contact.h = 10;
        contact.attrs = kCenter;
        contact.font = Font{"Arial", 8, 700, 0xFF0000};  // blue
        d.controls = {outer, inner, title, under, logo, contact};
        return d;
    }();
    return def;
}

}  // namespace kvadrin
