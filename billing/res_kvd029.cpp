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

// A rich text showing its field, below its tool bar.
ControlDef RichText(const std::string& field, int h) {
    ControlDef c = MakeControl(Ctl::Rtf, "?" + field, 8, 51, 373, h, {}, kVScroll | kMultiline);
    c.use = field;
    c.font = Font{"Arial", 10, 400, -1};
    return c;
}

}  // namespace

const WindowDef& UpdateSklauzulWindow() {
    static const FormLine lines[] = {
        {.field = "SKL:SIFRA", .prompt = "&Sifra", .picture = "@n02", .w = 24, .attrs = kReq | kRight},
        {.field = "SKL:OPIS", .prompt = "Opis", .picture = "@s30", .w = 124},
    };
    static const WindowDef def = MakeWindow(
        {.module = "KVD$KVD029", .caption = "Form SKLAUZUL", .w = 397, .h = 158},
        MakeSheet({4, 4, 389, 134},
                  {MakeTab(1, "&1) General", FormLines({.prompt_w = 40, .entry_x = 56, .y = 23}, lines)),
                   MakeTab(2, "&2) Klauzula stanari",
                           Controls(ToolBar(kClauseToolsFlats), RichText("SKL:TEKSTKLAUZULE", 74))),
                   MakeTab(3, "&3) Klauzula firme",
                           Controls(ToolBar(kClauseToolsFirms), RichText("SKL:TEKSTPOSLOVNI", 71)))}),
        FormButtons({.x = 250, .y = 141}));
    return def;
}

}  // namespace kvadrin
