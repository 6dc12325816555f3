// The services form's window.
#include "billing/kvd004_browse_obaveze.h"
#include "platform/core/text.h"
#include "platform/ui/events.h"

namespace kvadrin {
namespace {

using namespace rt::ui;


// An option group with its radio buttons top to bottom; each radio stores its own text.
ControlDef Choices(const char* label, int x, int y, int w, const char* text,
                   std::initializer_list<const char*> radios) {
    const int h = 12 + 12 * static_cast<int>(radios.size());
    ControlDef option = MakeControl(Ctl::Option, label, x, y, w, h, text);
    int i = 0;
    for (const char* r : radios) {
        ++i;
        const std::string radio_label = std::string(label) + ":RADIO" + std::to_string(i);
        option.children.push_back(
            MakeControl(Ctl::Radio, radio_label.c_str(), x + 8, y + 2 + 12 * i, w - 14, 10, r));
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
        ControlDef sheet = MakeControl(Ctl::Sheet, "?CURRENTTAB", 4, 4, 228, 136, "");
        sheet.children = {MakeControl(Ctl::Tab, "?TAB:1", 0, 0, -1, -1, "&1) General")};
        d.controls = {
            sheet,
            MakeControl(Ctl::Prompt, "?OBA:SIFRA:PROMPT", 12, 24, 40, 10, "&Sifra"),
            MakeControl(Ctl::Entry, "?OBA:SIFRA", 56, 23, 40, 10, "", "@s7", kReq | kUpr | kLeft),
            MakeControl(Ctl::Prompt, "?OBA:NAZIV:PROMPT", 12, 38, 40, 10, "&Naziv"),
            MakeControl(Ctl::Entry, "?OBA:NAZIV", 56, 37, 100, 10, "", "@s20"),
            MakeControl(Ctl::Prompt, "?OBA:JM:PROMPT", 12, 52, 40, 10, "&JM"),
            MakeControl(Ctl::Entry, "?OBA:JM", 56, 51, 30, 10, "", "@s5"),
            Choices("?OBA:NACIN", 12, 66, 104, "Način obračuna",
                    {"Površina", "Grejna površina", "Stan", "Osoba", "Fiksno"}),
            Choices("?OBA:KOLONA", 122, 66, 104, "Kolona u pregledu",
                    {"Održavanje", "El. energija", "Voda", "Ostalo"}),
            MakeControl(Ctl::Button, "?OK", 88, 146, 45, 14, "&OK", "", kDefault),
            MakeControl(Ctl::Button, "?CANCEL", 137, 146, 45, 14, "&Cancel"),
            MakeControl(Ctl::Button, "?HELP", 186, 146, 45, 14, "&Help", "", kHide)};
        return d;
    }();
    return def;
}

}  // namespace kvadrin
