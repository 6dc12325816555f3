// The clause form's window: the number and description on the first tab, the two rich
// texts each with its tool bar on the second and third.
#include <string>
#include <vector>

#include "billing/kvd028_browse_klauzul.h"
#include "platform/ui/events.h"

namespace kvadrin {
namespace {

using namespace rt::ui;

constexpr const char* kColors =
    "Black|#1|Maroon|#2|Green|#3|Olive|#4|Navy|#5|Purple|#6|Teal|#7|Gray|#8|Silver|#9|Red|#10|Lime|#11|"
    "Yellow|#12|Blue|#13|Fuchia|#14|Aqua|#15|White|#16|Automatic|#0";

// A tool control: its text is its tool tip, its icon what it shows.
ControlDef Tool(int kind, const std::string& label, int x, int y, int w, const char* tip, const char* icon,
                std::uint32_t attrs = 0) {
    ControlDef c = MakeControl(kind, label, x, y, w, kind == Ctl::DropList ? 13 : 14, "", attrs);
    c.tip = tip;
    c.icon = icon;
    return c;
}

ControlDef Drop(const std::string& label, int x, int y, int w, const char* tip, const char* from) {
    ControlDef c = Tool(Ctl::DropList, label, x, y, w, tip, "");
    c.from = from;
    return c;
}

// The tool bar of one rich text, in two rows above it, in the order of the tools.
std::vector<ControlDef> ToolBar(const std::string& prefix) {
    const int top = 19, second = 35;
    std::vector<ControlDef> bar;
    struct Button {
        const char* name;
        const char* tip;
        const char* icon;
        int gap;  // before the button: a group begins
    };
    const Button buttons[] = {
        {"NEW", "New", "RTFNEW.ICO", 0},
        {"OPEN", "Open", "RTFOPEN.ICO", 0},
        {"SAVE", "Save", "RTFSAVE.ICO", 0},
        {"PRINT", "Print", "RTFPRINT.ICO", 0},
        {"FIND", "Find", "FIND.ICO", 4},
        {"REPLACE", "Find and Replace", "RTFREPLACE.ICO", 0},
        {"CUT", "Cut", "RTFCUT.ICO", 4},
        {"COPY", "Copy", "RTFCOPY.ICO", 0},
        {"PASTE", "Paste", "RTFPASTE.ICO", 0},
        {"UNDO", "Undo", "RTFUNDO.ICO", 4},
        {"REDO", "Redo", "RTFREDO.ICO", 0},
        {"TABS", "Tab stops", "RTFTABS.ICO", 4},
        {"INDENTS", "Paragraph indents", "RTFINDENT.ICO", 0},
    };
    int x = 8;
    for (const Button& b : buttons) {
        x += b.gap;
        const std::string name = b.name;
        const bool starts_disabled =
            name == "CUT" || name == "COPY" || name == "PASTE" || name == "UNDO" || name == "REDO";
        bar.push_back(Tool(Ctl::Button, prefix + name, x, top, 14, b.tip, b.icon,
                           starts_disabled ? std::uint32_t{kDisable} : 0u));
        x += 14;
    }
    x += 4;
    ControlDef align = MakeControl(Ctl::Option, prefix + "ALIGN", x, top, 56, 14, "");
    align.tip = "Alignment";
    const struct {
        const char* name;
        const char* tip;
        const char* icon;
        const char* value;
    } radios[] = {{"LEFT", "Left", "RTFLEFT.ICO", "1"},
                  {"CENTER", "Center", "RTFCENTER.ICO", "3"},
                  {"RIGHT", "Right", "RTFRIGHT.ICO", "2"},
                  {"JUSTIFY", "Justify", "RTFJUSTIFY.ICO", "4"}};
    for (const auto& r : radios) {
        ControlDef radio = Tool(Ctl::Radio, prefix + r.name, x, top, 14, r.tip, r.icon);
        radio.value = r.value;
        align.children.push_back(radio);
        x += 14;
    }
    bar.push_back(align);
    x += 4;
    bar.push_back(
        Tool(Ctl::Check, prefix + "BULLETS", x, top, 14, "Bullets and numbering", "RTFBULLETS.ICO"));
    x += 16;
    bar.push_back(
        Drop(prefix + "BULLETSTYLE", x, top, 385 - x, "Bullets styles",
             "Bullets|#1|Arabic numbers|#2|Lower letters|#3|Upper letters|#4|Lower Roman numbers|#5|"
             "Upper Roman numbers|#6"));

    bar.push_back(Drop(prefix + "FONTNAME", 8, second, 84, "Font name", ""));
    bar.push_back(Drop(prefix + "FONTSIZE", 96, second, 30, "Font size",
                       "8|9|10|11|12|14|16|18|20|22|24|26|28|36|48|72"));
    bar.push_back(Drop(prefix + "CHARSET", 130, second, 82, "Font charset",
                       "Western|#0|Central European|#238|Cyrillic|#204|Greek|#161|Turkish|#162|Baltic|#186"));
    bar.push_back(Tool(Ctl::Check, prefix + "BOLD", 216, second, 14, "Bold", "RTFBOLD.ICO"));
    bar.push_back(Tool(Ctl::Check, prefix + "ITALIC", 230, second, 14, "Italic", "RTFITALIC.ICO"));
    bar.push_back(Tool(Ctl::Check, prefix + "UNDERLINE", 244, second, 14, "Underline", "RTFUNDERLINE.ICO"));
    bar.push_back(Drop(prefix + "FONTCOLOR", 264, second, 59, "Font color", kColors));
    bar.push_back(Drop(prefix + "HIGHLIGHT", 326, second, 59, "Highlight", kColors));
    return bar;
}

ControlDef RichText(const char* label, int h) {
    ControlDef c = MakeControl(Ctl::Rtf, label, 8, 51, 373, h, "", kVScroll | kMultiline);
    c.font = Font{"Arial", 10, 400, -1};
    return c;
}

}  // namespace

const WindowDef& UpdateSklauzulWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$KVD029";
        d.name = "QUICKWINDOW";
        d.caption = "Form SKLAUZUL";
        d.w = 397, d.h = 158;
        d.center = true;
        d.resizable = true;
        d.mdi = true;
        ControlDef general = MakeControl(Ctl::Tab, "?TAB:1", 0, 0, -1, -1, "&1) General");
        general.children = {
            MakeControl(Ctl::Prompt, "?SKL:SIFRA:PROMPT", 12, 24, 40, 10, "&Sifra"),
            MakeControl(Ctl::Entry, "?SKL:SIFRA", 56, 23, 24, 10, "", "@n02", kReq | kRight),
            MakeControl(Ctl::Prompt, "?SKL:OPIS:PROMPT", 12, 38, 40, 10, "&Opis"),
            MakeControl(Ctl::Entry, "?SKL:OPIS", 56, 37, 124, 10, "", "@s30"),
        };
        ControlDef flats = MakeControl(Ctl::Tab, "?TAB:2", 0, 0, -1, -1, "&2) Klauzula stanari");
        flats.children = ToolBar(kClauseToolsFlats);
        flats.children.push_back(RichText("?SKL:TEKSTKLAUZULE", 74));
        ControlDef firms = MakeControl(Ctl::Tab, "?TAB:3", 0, 0, -1, -1, "&3) Klauzula firme");
        firms.children = ToolBar(kClauseToolsFirms);
        firms.children.push_back(RichText("?SKL:TEKSTPOSLOVNI", 71));
        ControlDef sheet = MakeControl(Ctl::Sheet, "?CURRENTTAB", 4, 4, 389, 134, "");
        sheet.children = {general, flats, firms};
        d.controls = {sheet, MakeControl(Ctl::Button, "?OK", 250, 141, 45, 14, "&OK", "", kDefault),
                      MakeControl(Ctl::Button, "?CANCEL", 299, 141, 45, 14, "&Cancel"),
                      MakeControl(Ctl::Button, "?HELP", 348, 141, 45, 14, "&Help", "", kHide)};
        return d;
    }();
    return def;
}

}  // namespace kvadrin
