#include "billing/startup.h"

#include "billing/form_definitions.h"
#include "billing/kvd003_browse_kvadrin.h"
#include "billing/kvd004_browse_obaveze.h"
#include "billing/kvd028_browse_klauzul.h"
#include "shell/glavni.h"

namespace kvadrin {

void StartUp() {
    CheckFormDefinitions();
    // The frame's menu items start the registers built so far.
    RegisterServicesMenu();
    RegisterUnitsMenu();
    RegisterClausesMenu();
    PrepareProcess();
}

}  // namespace kvadrin
