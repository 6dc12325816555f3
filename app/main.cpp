// Process entry: the GUI server runs on the main thread; the program's main procedure
// runs as thread 1 on a thread of its own, and the process ends when it returns.
#include "billing/form_definitions.h"
#include "billing/kvd003_browse_kvadrin.h"
#include "billing/kvd004_browse_obaveze.h"
#include "billing/kvd005_browse_obracuni.h"
#include "billing/kvd020_izbor_za_fakture.h"
#include "billing/kvd028_browse_klauzul.h"
#include "platform/qt/gui_server.h"
#include "shell/glavni.h"

int main(int argc, char** argv) {
    kvadrin::CheckFormDefinitions();
    // The frame's menu items start the registers built so far.
    kvadrin::RegisterServicesMenu();
    kvadrin::RegisterUnitsMenu();
    kvadrin::RegisterClausesMenu();
    kvadrin::RegisterBillingMenu();
    kvadrin::RegisterInvoicesMenu();
    return rt::qt::StartGui(argc, argv, [] { return kvadrin::RunProgram(); });
}
