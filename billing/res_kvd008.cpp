// The unit form's window.
#include <string>

#include "billing/kvd003_browse_kvadrin.h"
#include "platform/ui/events.h"

namespace kvadrin {

using namespace rt::ui;

const WindowDef& UpdateKvadrinWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$KVD008";
        d.name = "QUICKWINDOW";
        d.caption = "Form KVADRIN";
        d.w = 326, d.h = 206;
        d.center = true;
        d.resizable = true;
        d.mdi = true;
        ControlDef sheet = MakeControl(Ctl::Sheet, "?CURRENTTAB", 4, 4, 318, 178, "");
        sheet.children = {MakeControl(Ctl::Tab, "?TAB:1", 0, 0, -1, -1, "&1) General")};
        auto prompt = [](const char* field, int y, const char* text) {
            return MakeControl(Ctl::Prompt, std::string("?") + field + ":PROMPT", 12, y + 1, 58, 10, text);
        };
        auto entry = [](const char* field, int y, int w, const char* picture, std::uint32_t attrs) {
            return MakeControl(Ctl::Entry, std::string("?") + field, 74, y, w, 10, "", picture, attrs);
        };
        ControlDef name = MakeControl(Ctl::StringPic, "?NAZ:NAZIV1", 124, 39, 190, 10, "", "@s30");
        name.font.color = 0x800000;  // dark blue
        d.controls = {
            sheet,
            prompt("KVD:BROJ", 24, "&BROJ"),
            entry("KVD:BROJ", 24, 50, "@s10", kReq | kUpr | kLeft),
            MakeOption("?KVD:SP", 196, 52, 118, "SP", {"Stan", "Poslovni prostor", "Garaza"}),
            MakeControl(Ctl::Prompt, "?KVD:KOEFICIJENT:PROMPT", 242, 25, 16, 10, "K.:"),
            MakeControl(Ctl::Entry, "?KVD:KOEFICIJENT", 260, 24, 54, 10, "", "@n10.4", kRight | kSkip),
            prompt("KVD:SHKORISNIKA", 38, "&Šifra"),
            entry("KVD:SHKORISNIKA", 38, 30, "@n05", kReq | kRight),
            MakeControl(Ctl::Button, "?CALLLOOKUP", 106, 38, 14, 11, "..."),
            name,
            prompt("KVD:VLASNIK", 52, "&VLASNIK"),
            entry("KVD:VLASNIK", 52, 104, "@s25", kReq),
            prompt("KVD:ADRESA", 66, "&Adresa"),
            entry("KVD:ADRESA", 66, 118, "@s30", kSkip),
            prompt("KVD:MESTO", 80, "&Mesto"),
            entry("KVD:MESTO", 80, 104, "@s25", kSkip | kReq),
            prompt("KVD:POVRSINA", 94, "&Povrsina"),
            entry("KVD:POVRSINA", 94, 50, "@n10.2", kRight),
            prompt("KVD:POVRSINAGR", 108, "&Gr. povrsina"),
            entry("KVD:POVRSINAGR", 108, 50, "@n10.2", kRight),
            prompt("KVD:POVRSINAOST", 122, "&Ostala povrsina"),
            entry("KVD:POVRSINAOST", 122, 50, "@n10.2", kRight),
            prompt("KVD:BROJOSOBA", 136, "B&roj osoba"),
            entry("KVD:BROJOSOBA", 136, 30, "@n5.2", kRight),
            MakeOption("?KVD:VODOMER", 196, 106, 57, "Vodomer", {"Da", "Ne"}),
            MakeOption("?KVD:KALORIMETAR", 257, 106, 57, "Kalorimetar", {"Da", "Ne"}),
            prompt("KVD:TELEFON", 150, "&Telefon"),
            entry("KVD:TELEFON", 150, 84, "@s20", 0),
            prompt("KVD:MOBILNI", 164, "Mo&bilni"),
            entry("KVD:MOBILNI", 164, 84, "@s20", 0),
            MakeControl(Ctl::Button, "?OK", 178, 188, 45, 14, "&OK", "", kDefault),
            MakeControl(Ctl::Button, "?CANCEL", 227, 188, 45, 14, "&Cancel"),
            MakeControl(Ctl::Button, "?HELP", 276, 188, 45, 14, "&Help", "", kHide)};
        return d;
    }();
    return def;
}

}  // namespace kvadrin
