// The firms list: its browse, the form of one firm, and the replacement of one server
// name by another in every firm. They run on the caller's thread (the main thread during
// the login) and answer in CallResponse.
#pragma once

#include "platform/ui/resource.h"

namespace kvadrin {

// The firms browse. Called by the firm login with request 4 (select): a chosen firm is
// left in the MBASE record buffer with response 1, Close answers 2. Under any other
// request Close answers 1.
void BrowseMBase();
void CheckBrowseMBaseFields();  // at start-up: the browse shows only fields its tables have

// The form of one firm, called by the browse with request 1, 2, 3 or 6.
void UpdateMBASE();

// Asks for an old and a new server name and, on OK, gives every firm whose server is the
// old name (exactly, letter case included) the new one.
void PromenaServeraMB();

const rt::ui::WindowDef& BrowseMBaseWindow();
const rt::ui::WindowDef& UpdateMBaseWindow();
const rt::ui::WindowDef& PromenaServeraWindow();

}  // namespace kvadrin
