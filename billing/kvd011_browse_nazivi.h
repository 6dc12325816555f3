// The owners and partners register: the browse of the customers and its form.
#pragma once

#include "platform/ui/resource.h"

namespace kvadrin {

// The customers browse, the lookup of the unit form's customer code (CallRequest 4: the
// chosen customer is left in the NAZIVI record buffer); answers in CallResponse. It
// offers insert, change and delete in select mode as well.
void BrowseNazivi();
void CheckBrowseNaziviFields();  // at start-up: the browse shows only fields its tables have

// The customer form, called by the browse with request 1, 2, 3 or 6.
void UpdateNaziviN05();

const rt::ui::WindowDef& BrowseNaziviWindow();
const rt::ui::WindowDef& UpdateNaziviWindow();

}  // namespace kvadrin
