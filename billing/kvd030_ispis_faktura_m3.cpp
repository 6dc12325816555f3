// The invoice group report, which is not built yet.
#include "billing/kvd020_izbor_za_fakture.h"
#include "shell/not_built.h"

namespace kvadrin {

void IspisFakturaM3() { ProcedureNotBuilt("IspisFakturaM3"); }

}  // namespace kvadrin
