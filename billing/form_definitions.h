// The program checks its forms' definitions when it starts: a control that names a field
// its records do not have stops the program at once with a message saying which, rather
// than leaving the control silently unbound.
#pragma once

namespace kvadrin {

// Aborts with a message on the first control of a form that shows an unknown field.
void CheckFormDefinitions();

}  // namespace kvadrin
