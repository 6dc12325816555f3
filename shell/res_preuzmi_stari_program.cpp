// Windows of the take-over: the dialog that names the previous program's folder, and the
// progress window of the copy.
#include "platform/ui/resource.h"
#include "shell/housekeeping.h"

namespace kvadrin {

using namespace rt::ui;

namespace {
constexpr std::int32_t kBlue = 0xFF0000;
constexpr std::int32_t kRed = 0x0000FF;

ControlDef Coloured(ControlDef c, std::int32_t colour) {
    c.font.color = colour;
    return c;
}
}  // namespace

const WindowDef& PreuzmiStariProgramWindow() {
    static const WindowDef def = [] {
        ControlDef entry = MakeControl(Ctl::Entry, "?BACKUPPATH", 94, 35, 180, 11, "", "@s255");
        entry.use = "BACKUPPATH";
        return MakeWindow(
            {.module = "KVD$PREUZMI",
             .name = "WINDOW",
             .caption = "Preuzimanje podataka iz starog programa",
             .w = 300,
             .h = 86,
             .resizable = false,
             .mdi = false},
            Coloured(MakeControl(Ctl::String, "?STRING1", 8, 6, 284, 20,
                                 "Izaberite folder u kom se nalazi stari program i podaci iz starog "
                                 "programa biće preuzeti. (na primer D:\\PLVN01\\2023)",
                                 kCenter | kMultiline),
                     kBlue),
            MakeControl(Ctl::Prompt, "?BACKUPPATH:PROMPT", 8, 36, 84, 10, "Folder starog programa:"), entry,
            MakeButton(
                {.label = "?LOOKUPFILE", .at = {277, 34, 15, 13}, .icon = "LOOKUP.ICO", .attrs = kSkip}),
            FormButtons({.x = 184,
                         .y = 64,
                         .w = 52,
                         .h = 16,
                         .ok_tip = "Accept Operation",
                         .cancel_tip = "Cancel Operation",
                         .help = false}));
    }();
    return def;
}

const WindowDef& PreuzmiPodatkeWindow() {
    static const WindowDef def =
        MakeWindow({.module = "KVD$PREUZMI",
                    .name = "PROGRESSWINDOW",
                    .caption = "Converting File",
                    .w = 200,
                    .h = 44,
                    .resizable = false,
                    .mdi = false,
                    .system_menu = false},
                   MakeControl(Ctl::String, "?STRING1", 8, 8, 76, 10, "Converting Record #:"),
                   MakeControl(Ctl::String, "?COUNT", 84, 8, 40, 10, "", "@n8", kRight),
                   MakeControl(Ctl::String, "?STRING2", 128, 8, 12, 10, "of"),
                   MakeControl(Ctl::String, "?UKUPNO", 142, 8, 40, 10, "", "@n8", kRight),
                   Coloured(MakeControl(Ctl::String, "?IMEDAT", 8, 24, 184, 10, "", "@s10", kCenter), kRed));
    return def;
}

}  // namespace kvadrin
