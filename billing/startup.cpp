#include "billing/startup.h"

#include "billing/form_definitions.h"
#include "billing/kvd003_browse_kvadrin.h"
#include "billing/kvd004_browse_obaveze.h"
#include "billing/kvd005_browse_obracuni.h"
#include "billing/kvd020_izbor_za_fakture.h"
#include "billing/kvd028_browse_klauzul.h"
#include "shell/glavni.h"
#include "shell/kvd001_main.h"

namespace kvadrin {

void StartUp() {
    CheckFormDefinitions();
    CheckBrowseDefinitions();
    // The procedures that the frame's menu items start: the year's housekeeping, the
    // registers, billing runs and invoices.
    RegisterHousekeepingMenu();
    RegisterServicesMenu();
    RegisterUnitsMenu();
    RegisterClausesMenu();
    RegisterBillingMenu();
    RegisterInvoicesMenu();
    CheckMenuProcedures();
    PrepareProcess();
}

}  // namespace kvadrin
