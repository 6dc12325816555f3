// Windows of the update check: the wait window while the version database is reached,
// and the release notes.
#include "platform/ui/resource.h"
#include "shell/housekeeping.h"

namespace kvadrin {

using namespace rt::ui;

namespace {
constexpr std::int32_t kNavy = 0x800000;
}

const WindowDef& ProveraVerzijeWindow() {
    static const WindowDef def = [] {
        ControlDef text =
            MakeControl(Ctl::String, "?STRING1", 10, 10, 220, 14, "Provera poslednje verzije u toku...");
        text.font = Font{"Arial", 10, 700, kNavy};
        ControlDef version = MakeControl(Ctl::String, "?VERZIJA", 236, 12, 60, 10, "", "@s9", kRight);
        version.use = "VERZIJA";
        return MakeWindow({.module = "KVD$PROVERAVERZIJE",
                           .name = "WINDOW",
                           .caption = "SAČEKAJ TRENUTAK",
                           .w = 305,
                           .h = 49,
                           .mdi = false},
                          text, version);
    }();
    return def;
}

const WindowDef& PokaziVerWindow() {
    static const WindowDef def = [] {
        ControlDef notes =
            MakeControl(Ctl::Rtf, "?LVE:OPIS", 4, 4, 280, 174, "", kDisable | kSkip | kVScroll);
        notes.use = "LVE:OPIS";
        ControlDef ok = MakeButton({.label = "?OK",
                                    .at = {230, 184, 54, 16},
                                    .text = "&OK",
                                    .tip = "Accept Operation",
                                    .attrs = kDefault});
        ok.msg = "Accept Operation";
        return MakeWindow({.module = "KVD$POKAZIVER",
                           .name = "WINDOW",
                           .caption = "AKTUELNE PROMENE",
                           .w = 288,
                           .h = 204,
                           .mdi = false},
                          notes, ok);
    }();
    return def;
}

}  // namespace kvadrin
