// The year's housekeeping that the frame's File and Help menus start: the update check,
// the carry-over of the registers into a new year, and the one-time take-over of the
// previous program's data. Each runs on a thread of its own.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ui/resource.h"

namespace kvadrin {

// ---- The update check ----------------------------------------------------------------

// Looks the running version up in the version database, shows the release notes, asks
// whether the latest version is to be fetched and, when it is, logs the acceptance and
// starts the updater; the process then ends. A failed start of the updater is reported
// and the program goes on.
void ProveraVerzije();
// Shows the release notes in this thread's LVER buffer as rich text.
void PokaziVer();
// The updater's command: $KVADRIN_UPDATER when set, else "PreuzmiKvadrine" on the PATH.
std::string UpdaterCommand();
// The version database of a firm on the embedded store: one more database of that store.
// Empty for a firm on a server (the frame's version server is used).
std::string EmbeddedVersionConnection();

// ---- The carry-over into a new year --------------------------------------------------

// Copies units, services, prices, clauses, billing runs and invoice items of the previous
// year's database into this year's, all or nothing; every failed copy is reported.
void PrenosUNovuGodinu();
// The six statements of the carry-over for the database MSBASE of the year RAD_GOD.
std::string CarryOverStatement(const char* table);

// ---- The take-over of the previous program's data ------------------------------------

// The dialog in which the user names the previous program's folder.
void PreuzmiStariProgram();
// Copies the twelve old files into the tables that are still empty, renumbers two
// accounts and reports what it did.
void PreuzmiPodatke();
// The clock the take-over numbers the postings by (the runtime's clock); tests freeze it.
extern std::int32_t (*TakeOverClock)();
// The number a taken-over posting gets: "PREUZETO", the day (five digits), the clock and
// the count of postings added before it (five digits). From a count of 100,000 on the
// clock is written with all its seven digits, so that the text never reads as another
// clock with another count.
std::string TakeOverRecno(std::int32_t day, std::int32_t clock, long count);

// ---- Windows ---------------------------------------------------------------------------

const rt::ui::WindowDef& ProveraVerzijeWindow();
const rt::ui::WindowDef& PokaziVerWindow();
const rt::ui::WindowDef& PrenosUNovuGodinuWindow();
const rt::ui::WindowDef& PreuzmiStariProgramWindow();
const rt::ui::WindowDef& PreuzmiPodatkeWindow();

}  // namespace kvadrin
