// Windows of the firms list: the browse, the form of one firm and the server change.
#include <string>

#include "platform/core/text.h"
#include "platform/ui/events.h"
#include "shell/firms_list.h"

namespace kvadrin {
namespace {

using namespace rt::ui;

constexpr std::int32_t kNavy = 0x800000;

ControlDef Button(const char* label, int x, int y, int w, const char* text, std::uint32_t attrs = 0,
                  const char* tip = "") {
    ControlDef b = MakeControl(Ctl::Button, label, x, y, w, 14, text, "", attrs);
    b.tip = tip;
    return b;
}

// A prompt and its entry on one line; the prompt is labelled after the entry.
void PromptAndEntry(std::vector<ControlDef>& into, const std::string& entry, int y, const char* prompt,
                    const char* picture, int entry_w, int prompt_w = 72) {
    into.push_back(MakeControl(Ctl::Prompt, entry + ":PROMPT", 12, y + 1, prompt_w, 10, prompt));
    into.push_back(MakeControl(Ctl::Entry, entry, 14 + prompt_w, y, entry_w, 10, "", picture));
}

}  // namespace

const WindowDef& BrowseMBaseWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$FIRMS";
        d.name = "BROWSEMBASE";
        d.caption = "REGISTROVANI KORISNICI / IZABERITE KORISNIKA";
        d.w = 628, d.h = 320;
        d.center = true;
        d.resizable = true;
        ControlDef sheet = MakeControl(Ctl::Sheet, "?CURRENTTAB", 4, 4, 620, 292, "");
        ControlDef tab = MakeControl(Ctl::Tab, "?TAB:1", 0, 0, -1, -1, "&1) NAZIV");
        ControlDef year = MakeControl(Ctl::String, "?RAD_GOD", 560, 4, 58, 14, "", "@n04", kRight);
        year.font = Font{"Arial", 14, 700, kNavy};
        ControlDef list = MakeControl(Ctl::List, "?BROWSE:1", 8, 22, 612, 270, "", kHScroll | kVScroll);
        list.format = rt::utf8_to_cp1250(
            "127L(2)|M~NAZIV KORISNIKA~@s30@"
            "122L(2)|M~SERVER~@s50@"
            "80L(2)|M~DATABASE NAME~@s20@"
            "74L(2)|M~PIB~@s30@"
            "82L(2)|M~MATIČNI BROJ~@s30@"
            "120L(2)|M~TEKUĆI RAČUN~@s30@");
        tab.children = {year, list};
        sheet.children = {tab};
        ControlDef tools = MakeControl(Ctl::Button, "?BUTTON8", 8, 300, 18, 16, "", "", kSkip);
        tools.icon = "tools_II.ico";
        const std::uint32_t hide = kHide;
        d.controls = {sheet,
                      tools,
                      MakeControl(Ctl::Button, "?BUTTON1", 30, 300, 80, 16, "PROMENA SERVERA", hide),
                      Button("?SELECT:2", 302, 301, 42, "&Select", hide),
                      Button("?VIEW:3", 348, 301, 42, "&View", hide),
                      Button("?INSERT:4", 394, 301, 42, "&Insert", hide),
                      Button("?CHANGE:4", 440, 301, 42, "&Change", hide | kDefault),
                      Button("?DELETE:4", 486, 301, 42, "&Delete", hide),
                      Button("?CLOSE", 532, 301, 42, "&Close", hide),
                      Button("?HELP", 578, 301, 42, "&Help", hide)};
        return d;
    }();
    return def;
}

const WindowDef& UpdateMBaseWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$FIRMS";
        d.name = "UPDATEMBASE";
        d.caption = "Form MBASE";
        d.w = 364, d.h = 285;
        d.center = true;
        d.resizable = true;
        ControlDef sheet = MakeControl(Ctl::Sheet, "?CURRENTTAB", 4, 4, 356, 258, "");
        ControlDef general = MakeControl(Ctl::Tab, "?TAB:1", 0, 0, -1, -1, "&1) General");
        PromptAndEntry(general.children, "?M:NAZIVFIRME", 24, "NAZIV KORISNIKA:", "@s30", 150);
        PromptAndEntry(general.children, "?M:SERVERNAME", 40, "SERVER:", "@s50", 250);
        PromptAndEntry(general.children, "?M:FOLDERNAME", 56, "DATABASE:", "@s20", 100);
        ControlDef lines = MakeControl(Ctl::Tab, "?TAB:2", 0, 0, -1, -1, "Podaci o korisniku");
        struct Line {
            int number;
            const char* prompt;
            const char* picture;
        };
        const Line kLines[] = {{1, "Naziv firme:", "@s50"},
                               {2, "Adresa:", "@s50"},
                               {3, "PTT i mesto:", "@s50"},
                               {4, "Mesto:", "@s50"},
                               {5, "Tekući račun:", "@s30"},
                               {6, "Telefoni:", "@s50"},
                               {7, "PIB:", "@s30"},
                               {9, "EPPDV:", "@s30"},
                               {10, "Matični broj:", "@s30"},
                               {11, "Reg. broj:", "@s30"},
                               {12, "Šifra delatnosti:", "@s30"},
                               {13, "APR:", "@s30"},
                               {14, "Budžet:", "@s30"},
                               {15, "Sistem:", "@s30"}};
        int y = 22;
        for (const Line& l : kLines) {
            const bool wide = std::string(l.picture) == "@s50";
            PromptAndEntry(lines.children, "?M:R_" + std::to_string(l.number), y, l.prompt, l.picture,
                           wide ? 250 : 150);
            y += 16;
        }
        sheet.children = {general, lines};
        d.controls = {sheet, Button("?OK", 212, 267, 45, "&OK", kDefault, "Accept data and close the window"),
                      Button("?CANCEL", 261, 267, 45, "&Cancel", 0, "Cancel operation"),
                      Button("?HELP", 310, 267, 45, "&Help", kHide)};
        return d;
    }();
    return def;
}

const WindowDef& PromenaServeraWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$FIRMS";
        d.name = "PROMENASERVERA";
        d.caption = "Promena servera";
        d.w = 367, d.h = 97;
        d.center = true;
        d.resizable = true;
        PromptAndEntry(d.controls, "?STARISERV", 14, "STARI SERVER:", "@s50", 260, 70);
        PromptAndEntry(d.controls, "?NOVISERV", 34, "NOVI SERVER:", "@s50", 260, 70);
        d.controls.push_back(Button("?OK", 254, 76, 50, "&OK", kDefault));
        d.controls.push_back(Button("?CANCEL", 310, 76, 50, "&Cancel"));
        return d;
    }();
    return def;
}

}  // namespace kvadrin
