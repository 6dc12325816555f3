// A procedure that the program calls but that is not built.
#pragma once

#include <string_view>

namespace kvadrin {

// Tells the user that the procedure has not been defined (message 30 of the error table,
// the name for %Message) and answers cancelled in CallResponse.
void ProcedureNotBuilt(std::string_view name);

}  // namespace kvadrin
