// The list of tenants, which is not built yet.
#include "billing/kvd003_browse_kvadrin.h"
#include "shell/not_built.h"

namespace kvadrin {

void IspisStanara() { ProcedureNotBuilt("IspisStanara"); }

}  // namespace kvadrin
