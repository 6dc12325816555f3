// The units register: the browse of the units with its totals, query and print button,
// the unit form with the lookup of the owner, and the list of tenants.
#pragma once

#include "platform/ui/resource.h"

namespace kvadrin {

// The units browse: from the menu (CallRequest 0) or as a lookup (4), where the chosen
// unit is left in the KVADRIN record buffer; answers in CallResponse.
void BrowseKvadrin();
void CheckBrowseKvadrinFields();  // at start-up: the browse shows only fields its tables have

// The unit form, called by the browse with request 1, 2, 3 or 6.
void UpdateKVADRIN();

// The list of tenants in the order the user chooses; the units browse hands it the
// query's filter in QBEFILTER, which it applies once and clears.
void IspisStanara();

// Makes the frame's menu item "Kvadrin" start the units browse.
void RegisterUnitsMenu();

const rt::ui::WindowDef& BrowseKvadrinWindow();
const rt::ui::WindowDef& UpdateKvadrinWindow();

}  // namespace kvadrin
