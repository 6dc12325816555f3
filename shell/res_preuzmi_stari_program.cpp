// Windows of the take-over: the dialog that names the previous program's folder, and the
// progress window of the copy.
#include "platform/ui/resource.h"
#include "shell/housekeeping.h"

namespace kvadrin {

using namespace rt::ui;

namespace {
constexpr std::int32_t kBlue = 0xFF0000;
constexpr std::int32_t kRed = 0x0000FF;
}  // namespace

const WindowDef& PreuzmiStariProgramWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$PREUZMI";
        d.name = "WINDOW";
        d.caption = "Preuzimanje podataka iz starog programa";
        d.w = 300, d.h = 86;
        d.center = true;
        ControlDef hint = MakeControl(Ctl::String, "?STRING1", 8, 6, 284, 20,
                                      "Izaberite folder u kom se nalazi stari program i podaci iz starog "
                                      "programa biće preuzeti. (na primer D:\\PLVN01\\2023)",
                                      kCenter | kMultiline);
        hint.font.color = kBlue;
        ControlDef prompt =
            MakeControl(Ctl::Prompt, "?BACKUPPATH:PROMPT", 8, 36, 84, 10, "Folder starog programa:");
        ControlDef entry = MakeControl(Ctl::Entry, "?BACKUPPATH", 94, 35, 180, 11, "", "@s255");
        entry.use = "BACKUPPATH";
        ControlDef lookup = MakeControl(Ctl::Button, "?LOOKUPFILE", 277, 34, 15, 13, "", kSkip);
        lookup.icon = "LOOKUP.ICO";
        ControlDef ok = MakeControl(Ctl::Button, "?OK", 184, 64, 52, 16, "&OK", kDefault);
        ok.tip = "Accept Operation";
        ControlDef cancel = MakeControl(Ctl::Button, "?CANCEL", 240, 64, 52, 16, "&Cancel");
        cancel.tip = "Cancel Operation";
        d.controls = {hint, prompt, entry, lookup, ok, cancel};
        return d;
    }();
    return def;
}

const WindowDef& PreuzmiPodatkeWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$PREUZMI";
        d.name = "PROGRESSWINDOW";
        d.caption = "Converting File";
        d.w = 200, d.h = 44;
        d.center = true;
        d.system_menu = false;
        ControlDef label = MakeControl(Ctl::String, "?STRING1", 8, 8, 76, 10, "Converting Record #:");
        ControlDef count = MakeControl(Ctl::String, "?COUNT", 84, 8, 40, 10, "", "@n8", kRight);
        ControlDef of = MakeControl(Ctl::String, "?STRING2", 128, 8, 12, 10, "of");
        ControlDef total = MakeControl(Ctl::String, "?UKUPNO", 142, 8, 40, 10, "", "@n8", kRight);
        ControlDef name = MakeControl(Ctl::String, "?IMEDAT", 8, 24, 184, 10, "", "@s10", kCenter);
        name.font.color = kRed;
        d.controls = {label, count, of, total, name};
        return d;
    }();
    return def;
}

}  // namespace kvadrin
