// The frame window: menu bar, toolbar and the firm name.
#include "platform/ui/resource.h"
#include "platform/ui/toolbar.h"
#include "shell/kvd001_main.h"

namespace kvadrin {
namespace {

using namespace rt::ui;

ControlDef Item(const char* label, int number, const char* text, const char* msg = "",
                std::uint32_t attrs = 0) {
    ControlDef c = MakeControl(Ctl::Item, label, 0, 0, -1, -1, text, attrs);
    c.number = number;
    c.msg = msg;
    return c;
}

ControlDef Menu(const char* label, int number, const char* text, std::vector<ControlDef> items) {
    ControlDef c = Item(label, number, text);
    c.kind = Ctl::Menu;
    c.children = std::move(items);
    return c;
}

ControlDef Separator(const char* label, int number) { return Item(label, number, ""); }

ControlDef Tool(const char* label, int number, const char* icon, const char* tip, int x) {
    ControlDef c = MakeButton(
        {.label = label, .at = {x, 2, 16, 14}, .tip = tip, .icon = icon, .attrs = kDisable | kFlat});
    c.number = number;
    return c;
}

}  // namespace

const WindowDef& MainWindow() {
    static const WindowDef def = [] {
        WindowDef d = MakeWindow({.module = "KVD$KVD001",
                                  .name = "APPFRAME",
                                  .caption = "PALVIN 1.0",
                                  .w = 505,
                                  .h = 318,
                                  .resizable = false,
                                  .mdi = false});
        d.frame = true;
        d.maximized = true;
        d.max_box = true;
        d.icon = "WRENCH1.ICO";

        ControlDef bar = MakeControl(Ctl::Menubar, "?MENUBAR", 0, 0, -1, -1);
        bar.number = -1;
        bar.children = {
            Menu("?FILEMENU", -2, "&File",
                 {Item("?PRINTSETUP", kPrintSetupItem, "&Print Setup ...", "Setup printer"),
                  Separator("?SEPARATOR1", -4), Item("?EXIT", kExitItem, "E&xit", "Exit this application"),
                  Item("?ITEM2", -6, "Ažuriranje programa"),
                  Item("?ITEM3", -7, "Prenos u novu godinu", "", kHide)}),
            Menu("?EDITMENU", -8, "&Edit",
                 {Item("?CUT", -9, "Cu&t", "Cut Selection To Clipboard"),
                  Item("?COPY", -10, "&Copy", "Copy Selection To Clipboard"),
                  Item("?PASTE", -11, "&Paste", "Paste From Clipboard")}),
            Menu("?MATICNIPODACI", -12, "Matični podaci",
                 {Item("?MATICNIPODACIKVADRIN", -13, "Kvadrin"), Item("?MATICNIPODACIUSLUGE", -14, "Usluge"),
                  Item("?MATICNIPODACIKLAUZULE", -15, "Klauzule")}),
            Item("?OBRACUNI", -16, "Obračuni"),
            Item("?IZRADAFAKTURA", -17, "Izrada faktura"),
            Menu("?WINDOWMENU", -18, "&Window",
                 {Item("?TILE", -19, "T&ile", "Arrange multiple opened windows"),
                  Item("?CASCADE", -20, "&Cascade", "Arrange multiple opened windows"),
                  Item("?ARRANGE", -21, "&Arrange Icons", "Arrange the icons for minimized windows")}),
            Menu("?HELPMENU", -22, "&Help",
                 {Item("?ITEM1", -23, "Preuzmi stari program", "", kHide), Separator("?SEPARATOR2", -24),
                  Item("?HELPINDEX", -25, "&Contents", "View the contents of the help file"),
                  Item("?HELPSEARCH", -26, "&Search for Help On...", "Search for help on a subject"),
                  Item("?HELPONHELP", -27, "&How to Use Help",
                       "Provides general instructions on using help")}),
        };
        d.controls.push_back(bar);

        ControlDef tools = MakeControl(Ctl::Toolbar, "?TOOLBAR", 0, 0, -1, 18);
        int x = 4;
        auto add = [&](const char* label, int number, const char* icon, const char* tip) {
            tools.children.push_back(Tool(label, number, icon, tip, x));
            x += 16;
        };
        add("?TOOLBAR:TOP", ToolbarButton::Top, "VCRFIRST.ICO", "Go to the First Page");
        add("?TOOLBAR:PAGEUP", ToolbarButton::PageUp, "VCRPRIOR.ICO", "Go to the Prior Page");
        add("?TOOLBAR:UP", ToolbarButton::Up, "VCRUP.ICO", "Go to the Prior Record");
        add("?TOOLBAR:LOCATE", ToolbarButton::Locate, "FIND.ICO", "Locate record");
        add("?TOOLBAR:DOWN", ToolbarButton::Down, "VCRDOWN.ICO", "Go to the Next Record");
        add("?TOOLBAR:PAGEDOWN", ToolbarButton::PageDown, "VCRNEXT.ICO", "Go to the Next Page");
        add("?TOOLBAR:BOTTOM", ToolbarButton::Bottom, "VCRLAST.ICO", "Go to the Last Page");
        add("?TOOLBAR:SELECT", ToolbarButton::Select, "MARK.ICO", "Select This Record");
        add("?TOOLBAR:INSERT", ToolbarButton::Insert, "INSERT.ICO", "Insert a New Record");
        add("?TOOLBAR:CHANGE", ToolbarButton::Change, "EDIT.ICO", "Edit This Record");
        add("?TOOLBAR:DELETE", ToolbarButton::Delete, "DELETE.ICO", "Delete This Record");
        add("?TOOLBAR:HISTORY", ToolbarButton::History, "DITTO.ICO", "Previous value");
        add("?TOOLBAR:HELP", ToolbarButton::Help, "HELP.ICO", "Get Help");
        ControlDef firm = MakeControl(Ctl::String, "?NAZIVFIRME", x + 12, 3, 200, 12, {}, "@s30");
        firm.number = 3014;
        firm.font = Font{"Arial", 10, 700, 0x808000};  // teal
        tools.children.push_back(firm);
        d.controls.push_back(tools);
        return d;
    }();
    return def;
}

}  // namespace kvadrin
