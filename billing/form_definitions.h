// The program checks its forms' and browses' definitions when it starts: a control or a
// list column that names a field its records do not have stops the program at once with a message saying
// which, rather than leaving the control silently unbound.
#pragma once

namespace kvadrin {

// Aborts with a message on the first control of a form that shows an unknown field.
void CheckFormDefinitions();

// Aborts with a message on the first column or hidden field of a browse that names a field
// none of the browse's tables has.
void CheckBrowseDefinitions();

}  // namespace kvadrin
