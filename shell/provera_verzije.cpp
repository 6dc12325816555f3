// The update check: the running version looked up in the version database, its release
// notes shown, and on the user's word the acceptance logged and the updater started, after
// which the program ends.
#include <cstdlib>
#include <string>

#include "data/access.h"
#include "data/globals.h"
#include "data/tables.h"
#include "platform/core/datetime.h"
#include "platform/core/process.h"
#include "platform/core/text.h"
#include "platform/files/sql/connection.h"
#include "platform/ui/window.h"
#include "shell/housekeeping.h"
#include "shell/login.h"
#include "winint/services.h"

namespace kvadrin {
namespace {

constexpr const char* kProgram = "kvadrin";

std::string Cp(const char* utf8) { return rt::utf8_to_cp1250(utf8); }

// The question whether to fetch the latest version, with the caption and the buttons of
// the case; answers true for yes.
bool WantsUpdate(const char* caption_utf8, const char* buttons, int default_button) {
    return rt::ui::Message(Cp("Želite li preuzeti poslednju verziju programa ?"), Cp(caption_utf8),
                           rt::ui::Icon::Question, buttons, default_button) == 1;
}

// Releases the version database's connection of this thread.
void Disconnect() {
    Files::LVER().Close();
    Files::LVERX().Close();
    rt::sql::CloseThreadConnection(OWNERVERZIJE.view());
}

// Starts the updater and ends the process; a start that fails is reported and the
// program goes on.
void StartUpdaterAndHalt() {
    const std::string command = UpdaterCommand();
    const std::string why = rt::start_program(command);
    if (!why.empty()) {
        rt::ui::Message(Cp("Program za ažuriranje nije pokrenut:\n") + rt::utf8_to_cp1250(why),
                        Cp("Ažuriranje programa"), rt::ui::Icon::Exclamation);
        return;
    }
    HaltProcess(0);
}

// The acceptance as the log of updates keeps it.
void FillLogRow() {
    Files::LVERX().Clear();
    LVEX.COMP_NAME = rt::clip(rt::utf8_to_cp1250(wl_GetUserName())) + "-" +
                     rt::clip(rt::utf8_to_cp1250(wl_GetWorkstationName())) + "-" +
                     rt::clip(NAZIVFIRME.view());
    LVEX.SH_PROG = kProgram;
    LVEX.STARA = VERZIJA.view();
    LVEX.DATUM = rt::today();
    LVEX.VREME = rt::clock();
}

}  // namespace

std::string UpdaterCommand() {
    const char* configured = std::getenv("KVADRIN_UPDATER");
    return configured && *configured ? configured : "PreuzmiKvadrine";
}

std::string EmbeddedVersionConnection() {
    const std::string server = rt::clip(GLO.SERVER.view());
    if (rt::lower(server.substr(0, std::min<std::size_t>(9, server.size()))) != "(localdb)") return {};
    return server + ",VERZIJE,,;TrustedConnection=True";
}

void ProveraVerzije() {
    rt::File& lver = Files::LVER();
    int opened = 0;
    {
        // Visible only while the version database is reached.
        rt::ui::Window wait(ProveraVerzijeWindow());
        wait.SetProcedureName("ProveraVerzije");
        wait.Use(wait.Feq("?VERZIJA"),
                 {rt::ui::Binding::Kind::Field, rt::FieldType::CString, VERZIJA.size, VERZIJA.data()});
        wait.Open();
        wait.Display();
        opened = lver.Open(rt::kReadWrite | rt::kDenyWrite);
        wait.Close();
    }
    if (opened != rt::kNoError) {
        // Unreachable: the question is asked without knowing whether a newer version exists.
        if (WantsUpdate("AŽURIRANJE PROGRAMA", "Yes|No", 2)) StartUpdaterAndHalt();
        Disconnect();
        return;
    }

    lver.Clear();
    LVE.SH_PROG = kProgram;
    LVE.VERZIJA = VERZIJA.view();
    lver.SetFrom(lver.KeyIndex("LVE:PO_PROGRAMU"));
    const bool read = lver.Next() == rt::kNoError;
    const bool ours = read && rt::equal_clipped(LVE.SH_PROG.view(), kProgram);
    const bool current = ours && rt::equal_clipped(LVE.VERZIJA.view(), VERZIJA.view());

    if (current) {
        PokaziVer();
        lver.Close();
        rt::ui::Message(Cp("Vaš program je ažuran. Koristite poslednju verziju programa."));
        if (WantsUpdate("Ažuriranje programa", "Da|Ne", 2)) {
            Disconnect();
            StartUpdaterAndHalt();
        }
        Disconnect();
        return;
    }

    rt::File& lverx = Files::LVERX();
    lverx.Open(rt::kReadWrite | rt::kDenyWrite);
    FillLogRow();
    // The notes of the row read, when it is one of this program (normally the next
    // version); nothing read leaves nothing to show.
    if (ours) PokaziVer();
    lver.Close();
    if (WantsUpdate("Ažuriranje programa", "Da|Ne", 1)) {
        lverx.Add();  // the log is not worth stopping the update for
        lverx.Close();
        Disconnect();
        StartUpdaterAndHalt();
    }
    lverx.Close();
    Disconnect();
}

}  // namespace kvadrin
