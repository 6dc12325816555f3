// Windows of the update check: the wait window while the version database is reached,
// and the release notes.
#include "platform/core/text.h"
#include "platform/ui/resource.h"
#include "shell/housekeeping.h"

namespace kvadrin {

using namespace rt::ui;

namespace {
constexpr std::int32_t kNavy = 0x800000;
}

const WindowDef& ProveraVerzijeWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$PROVERAVERZIJE";
        d.name = "WINDOW";
        d.caption = rt::utf8_to_cp1250("SAČEKAJ TRENUTAK");
        d.w = 305, d.h = 49;
        d.resizable = true;
        ControlDef text =
            MakeControl(Ctl::String, "?STRING1", 10, 10, 220, 14, "Provera poslednje verzije u toku...");
        text.font = Font{"Arial", 10, 700, kNavy};
        ControlDef version = MakeControl(Ctl::String, "?VERZIJA", 236, 12, 60, 10, "", "@s9", kRight);
        version.use = "VERZIJA";
        d.controls = {text, version};
        return d;
    }();
    return def;
}

const WindowDef& PokaziVerWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$POKAZIVER";
        d.name = "WINDOW";
        d.caption = "AKTUELNE PROMENE";
        d.w = 288, d.h = 204;
        d.center = true;
        d.resizable = true;
        ControlDef notes =
            MakeControl(Ctl::Rtf, "?LVE:OPIS", 4, 4, 280, 174, "", kDisable | kSkip | kVScroll);
        notes.use = "LVE:OPIS";
        ControlDef ok = MakeControl(Ctl::Button, "?OK", 230, 184, 54, 16, "&OK", kDefault);
        ok.tip = "Accept Operation";
        ok.msg = "Accept Operation";
        d.controls = {notes, ok};
        return d;
    }();
    return def;
}

}  // namespace kvadrin
