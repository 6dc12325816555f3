// The print of the services list, which is not built.
#include "billing/kvd004_browse_obaveze.h"
#include "shell/not_built.h"

namespace kvadrin {

void IspisObaveza() { ProcedureNotBuilt("IspisObaveza"); }

}  // namespace kvadrin
