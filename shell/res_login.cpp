// Windows of the login module: the connecting window and the two login windows.
#include "platform/ui/resource.h"
#include "shell/login.h"

namespace kvadrin {
namespace {

using namespace rt::ui;

constexpr std::int32_t kNavy = 0x800000;

Font Bold(const char* face, int size, std::int32_t color) { return Font{face, size, 700, color}; }

// Both login windows: the sheet with its tab, the connection group and the buttons; the
// firm login adds the firm entry with its lookup button.
WindowDef LoginDef(const char* name, bool with_firm) {
    std::vector<ControlDef> tab;
    tab.push_back(MakeControl(Ctl::Image, "?IMAGE1", 10, 32, 70, 60));
    tab.back().icon = "SQLServer.jpg";
    const FormGrid at{.x = 92, .prompt_w = 50, .entry_x = 146, .y = 24, .prompt_dy = 0};
    if (with_firm) {
        AppendControls(tab, PromptAndEntry(at, {.prompt = "FIRMA",
                                                .picture = "@s30",
                                                .w = 150,
                                                .label = "?NAZIVFIRME",
                                                .prompt_label = "?PROMPT1:3"}));
        tab.push_back(MakeButton(
            {.label = "?CALLLOOKUP", .at = {300, 23, 14, 12}, .icon = "LOOKUP.ICO", .attrs = kSkip}));
    }
    FormGrid database = at;
    database.y = 38;
    AppendControls(tab, PromptAndEntry(database, {.prompt = "DATABASE",
                                                  .picture = "@s35",
                                                  .w = 150,
                                                  .attrs = kDisable | kSkip | (with_firm ? kReq : 0u),
                                                  .label = "?MSBASE",
                                                  .prompt_label = "?PROMPT1:2"}));
    ControlDef year =
        MakeControl(Ctl::String, "?RAD_GOD", 296, 6, 40, 12, {}, with_firm ? "@n04" : "@n04b", kRight);
    year.font = Bold("Arial", 12, kNavy);
    ControlDef version = MakeControl(Ctl::String, "?VERZIJA", 10, 18, 50, 12, {}, "@s9");
    version.font = Bold("Arial", 12, kNavy);
    FormGrid server = at;
    server.x = 94, server.y = 66;
    AppendControls(
        tab,
        Controls(year, version, MakeControl(Ctl::Group, "?GROUP1", 88, 54, 240, 62, "Connection information"),
                 PromptAndEntry(server, {.prompt = "SERVER",
                                         .picture = "@s70",
                                         .w = 170,
                                         .attrs = kSkip | kReq,
                                         .label = "?GLO:SERVER",
                                         .prompt_label = "?PROMPT1"}),
                 MakeControl(Ctl::String, "?STRING1", 94, 82, 50, 10, "Username"),
                 MakeControl(Ctl::Entry, "?GLO:NAME", 146, 82, 120, 10, {}, "@s35",
                             kReq | (with_firm ? kSkip : 0u)),
                 MakeControl(Ctl::String, "?STRING2", 94, 98, 50, 10, "Password"),
                 MakeControl(Ctl::Entry, "?GLO:PASSWORD", 146, 98, 120, 10, {}, "@s35", kPassword)));
    ControlDef sheet = MakeControl(Ctl::Sheet, "?SHEET1", 4, 4, 340, 124);
    sheet.children = {MakeControl(Ctl::Tab, "?TAB1", 0, 0, 0, 0, "Brivant")};
    sheet.children.front().children = std::move(tab);
    return MakeWindow(
        {.module = "KVD$LOGIN", .name = name, .caption = "SQL Azure", .w = 348, .h = 152, .mdi = false},
        sheet,
        FormButtons({.x = 232,
                     .y = 132,
                     .w = 54,
                     .h = 16,
                     .ok = "&Connect",
                     .cancel = "Cancel",
                     .ok_tip = "Accept Operation",
                     .cancel_tip = "Cancel Operation",
                     .help = false}));
}

WindowDef Connecting() {
    ControlDef icon = MakeControl(Ctl::Image, "?IMAGE1", 6, 6, 20, 20);
    icon.icon = "DATABASE.ICO";
    ControlDef t1 = MakeControl(Ctl::String, "?STRING1", 34, 4, 280, 10,
                                "Please wait while the program connects to the database.");
    t1.font = Font{"", 10, 0, -1};
    ControlDef t2 =
        MakeControl(Ctl::String, "?STRING2", 34, 16, 280, 10, "This process could take several seconds.");
    t2.font = Font{"", 10, 0, -1};
    ControlDef shown = MakeControl(Ctl::String, "?PRIKAZI", 4, 32, 311, 10, {}, "@s80", kCenter);
    shown.font = Bold("Arial", 8, kNavy);
    WindowDef d = MakeWindow({.module = "KVD$LOGIN",
                              .name = "OTVORISQL",
                              .caption = "Initializing Database",
                              .w = 319,
                              .h = 46,
                              .resizable = false,
                              .mdi = false,
                              .system_menu = false},
                             icon, t1, t2, shown);
    return d;
}

}  // namespace

const WindowDef& OtvoriSQLWindow() {
    static const WindowDef def = Connecting();
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
