// The services form's window.
#include "billing/kvd004_browse_obaveze.h"
#include "platform/core/text.h"
#include "platform/ui/events.h"

namespace kvadrin {
namespace {

using namespace rt::ui;

ControlDef Control(int kind, const char* label, int x, int y, int w, int h, const char* text,
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

// An option group with its radio buttons top to bottom; each radio stores its own text.
ControlDef Choices(const char* label, int x, int y, int w, const char* text,
                   std::initializer_list<const char*> radios) {
    const int h = 12 + 12 * static_cast<int>(radios.size());
    ControlDef option = Control(Ctl::Option, label, x, y, w, h, text);
    int i = 0;
    for (const char* r : radios) {
        ++i;
        const std::string radio_label = std::string(label) + ":RADIO" + std::to_string(i);
        option.children.push_back(
            Control(Ctl::Radio, radio_label.c_str(), x + 8, y + 2 + 12 * i, w - 14, 10, r));
    }
    return option;
}

}  // namespace

const WindowDef& UpdateObavezeWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$KVD006";
        d.name = "QUICKWINDOW";
        d.caption = "Form OBAVEZE";
        d.w = 236, d.h = 164;
        d.center = true;
        d.resizable = true;
        d.mdi = true;
        ControlDef sheet = Control(Ctl::Sheet, "?CURRENTTAB", 4, 4, 228, 136, "");
        sheet.children = {Control(Ctl::Tab, "?TAB:1", 0, 0, -1, -1, "&1) General")};
        d.controls = {
            sheet,
            Control(Ctl::Prompt, "?OBA:SIFRA:PROMPT", 12, 24, 40, 10, "&Sifra"),
            Control(Ctl::Entry, "?OBA:SIFRA", 56, 23, 40, 10, "", "@s7", kReq | kUpr | kLeft),
            Control(Ctl::Prompt, "?OBA:NAZIV:PROMPT", 12, 38, 40, 10, "&Naziv"),
            Control(Ctl::Entry, "?OBA:NAZIV", 56, 37, 100, 10, "", "@s20"),
            Control(Ctl::Prompt, "?OBA:JM:PROMPT", 12, 52, 40, 10, "&JM"),
            Control(Ctl::Entry, "?OBA:JM", 56, 51, 30, 10, "", "@s5"),
            Choices("?OBA:NACIN", 12, 66, 104, "Način obračuna",
                    {"Površina", "Grejna površina", "Stan", "Osoba", "Fiksno"}),
            Choices("?OBA:KOLONA", 122, 66, 104, "Kolona u pregledu",
                    {"Održavanje", "El. energija", "Voda", "Ostalo"}),
            Control(Ctl::Button, "?OK", 88, 146, 45, 14, "&OK", "", kDefault),
            Control(Ctl::Button, "?CANCEL", 137, 146, 45, 14, "&Cancel"),
            Control(Ctl::Button, "?HELP", 186, 146, 45, 14, "&Help", "", kHide)};
        return d;
    }();
    return def;
}

}  // namespace kvadrin
