// The overview of obligations, which is not built yet.
#include "billing/kvd020_izbor_za_fakture.h"
#include "shell/not_built.h"

namespace kvadrin {

void SpisakObaveza() { ProcedureNotBuilt("SpisakObaveza"); }

}  // namespace kvadrin
