// Windows of the login module: the connecting window and the two login windows.
#include "platform/core/text.h"
#include "platform/ui/resource.h"
#include "shell/login.h"

namespace kvadrin {
namespace {

using namespace rt::ui;

constexpr std::int32_t kNavy = 0x800000;

ControlDef C(int kind, const char* label, int x, int y, int w, int h, const char* text = "",
             const char* picture = "", std::uint32_t attrs = 0) {
    ControlDef c;
    c.kind = kind;
    c.label = label;
    c.x = x, c.y = y, c.w = w, c.h = h;
    c.text = rt::utf8_to_cp1250(text);
    c.picture = picture;
    c.attrs = attrs;
    return c;
}

Font Bold(const char* face, int size, std::int32_t color) { return Font{face, size, 700, color}; }

// Both login windows: the sheet with its tab, the connection group and the buttons; the
// firm login adds the firm entry with its lookup button.
WindowDef LoginDef(const char* name, bool with_firm) {
    WindowDef d;
    d.module = "KVD$LOGIN";
    d.name = name;
    d.caption = "SQL Azure";
    d.w = 348, d.h = 152;
    d.resizable = true;
    ControlDef sheet = C(Ctl::Sheet, "?SHEET1", 4, 4, 340, 124);
    ControlDef tab = C(Ctl::Tab, "?TAB1", 0, 0, 0, 0, "Brivant");
    tab.children.push_back(C(Ctl::Image, "?IMAGE1", 10, 32, 70, 60));
    tab.children.back().icon = "SQLServer.jpg";
    if (with_firm) {
        tab.children.push_back(C(Ctl::Prompt, "?PROMPT1:3", 92, 24, 50, 10, "FIRMA"));
        tab.children.push_back(C(Ctl::Entry, "?NAZIVFIRME", 146, 24, 150, 10, "", "@s30"));
        ControlDef lookup = C(Ctl::Button, "?CALLLOOKUP", 300, 23, 14, 12, "", "", kSkip);
        lookup.icon = "LOOKUP.ICO";
        tab.children.push_back(lookup);
    }
    tab.children.push_back(C(Ctl::Prompt, "?PROMPT1:2", 92, 38, 50, 10, "DATABASE"));
    tab.children.push_back(
        C(Ctl::Entry, "?MSBASE", 146, 38, 150, 10, "", "@s35", kDisable | kSkip | (with_firm ? kReq : 0u)));
    ControlDef year = C(Ctl::String, "?RAD_GOD", 296, 6, 40, 12, "", with_firm ? "@n04" : "@n04b", kRight);
    year.font = Bold("Arial", 12, kNavy);
    tab.children.push_back(year);
    ControlDef version = C(Ctl::String, "?VERZIJA", 10, 18, 50, 12, "", "@s9");
    version.font = Bold("Arial", 12, kNavy);
    tab.children.push_back(version);
    tab.children.push_back(C(Ctl::Group, "?GROUP1", 88, 54, 240, 62, "Connection information"));
    tab.children.push_back(C(Ctl::Prompt, "?PROMPT1", 94, 66, 50, 10, "SERVER"));
    tab.children.push_back(C(Ctl::Entry, "?GLO:SERVER", 146, 66, 170, 10, "", "@s70", kSkip | kReq));
    tab.children.push_back(C(Ctl::String, "?STRING1", 94, 82, 50, 10, "Username"));
    tab.children.push_back(
        C(Ctl::Entry, "?GLO:NAME", 146, 82, 120, 10, "", "@s35", kReq | (with_firm ? kSkip : 0u)));
    tab.children.push_back(C(Ctl::String, "?STRING2", 94, 98, 50, 10, "Password"));
    tab.children.push_back(C(Ctl::Entry, "?GLO:PASSWORD", 146, 98, 120, 10, "", "@s35", kPassword));
    sheet.children.push_back(tab);
    d.controls.push_back(sheet);
    ControlDef ok = C(Ctl::Button, "?OK", 232, 132, 54, 16, "&Connect", "", kDefault);
    ok.tip = "Accept Operation";
    ControlDef cancel = C(Ctl::Button, "?CANCEL", 290, 132, 54, 16, "Cancel");
    cancel.tip = "Cancel Operation";
    d.controls.push_back(ok);
    d.controls.push_back(cancel);
    return d;
}

}  // namespace

const WindowDef& OtvoriSQLWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$LOGIN";
        d.name = "OTVORISQL";
        d.caption = "Initializing Database";
        d.w = 319, d.h = 46;
        d.system_menu = false;
        ControlDef icon = C(Ctl::Image, "?IMAGE1", 6, 6, 20, 20);
        icon.icon = "DATABASE.ICO";
        d.controls.push_back(icon);
        ControlDef t1 = C(Ctl::String, "?STRING1", 34, 4, 280, 10,
                          "Please wait while the program connects to the database.");
        t1.font = Font{"", 10, 0, -1};
        ControlDef t2 =
            C(Ctl::String, "?STRING2", 34, 16, 280, 10, "This process could take several seconds.");
        t2.font = Font{"", 10, 0, -1};
        ControlDef shown = C(Ctl::String, "?PRIKAZI", 4, 32, 311, 10, "", "@s80", kCenter);
        shown.font = Bold("Arial", 8, kNavy);
        d.controls = {icon, t1, t2, shown};
        return d;
    }();
    return def;
}

const WindowDef& MSSQLLogMultiWindow() {
    static const WindowDef def = LoginDef("MSSQLLOGMULTI", true);
    return def;
}

const WindowDef& MSSQLLoginWindow() {
    static const WindowDef def = LoginDef("MSSQLLOGIN", false);
    return def;
}

}  // namespace kvadrin
