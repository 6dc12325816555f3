// The services register: the browse of the services table, its form, and the print
// procedure that is not built.
#pragma once

#include "platform/ui/resource.h"

namespace kvadrin {

// The services browse: from the menu (CallRequest 0) or as a lookup (4), where the
// chosen service is left in the OBAVEZE record buffer; answers in CallResponse.
void BrowseObaveze();
void CheckBrowseObavezeFields();  // at start-up: the browse shows only fields its tables have

// The services form, called by the browse with request 1, 2, 3 or 6.
void UpdateOBAVEZE();

// The print of the services list, not built: tells the user so and answers cancelled.
void IspisObaveza();

// Makes the frame's menu item "Usluge" start the services browse.
void RegisterServicesMenu();

const rt::ui::WindowDef& BrowseObavezeWindow();
const rt::ui::WindowDef& UpdateObavezeWindow();

}  // namespace kvadrin
