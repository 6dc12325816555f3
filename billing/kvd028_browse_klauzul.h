// The clauses register: the browse of the invoice clauses and the form of one clause with
// its two rich texts, the one for flats and the one for business premises.
#pragma once

#include "platform/ui/resource.h"

namespace kvadrin {

// The clauses browse, started from the menu on a thread of its own; answers in
// CallResponse.
void BrowseKlauzul();
void CheckBrowseKlauzulFields();  // at start-up: the browse shows only fields its tables have

// The form of one clause, called by the browse with request 1, 2, 3 or 6 and the clause
// in the SKLAUZUL record buffer.
void UpdateSKLAUZUL();

// Makes the frame's menu item "Klauzule" start the clauses browse.
void RegisterClausesMenu();

// The labels of the two rich texts' tool controls begin with these: "?RTF1:BOLD" is the
// Bold check of the text for flats.
inline constexpr const char* kClauseToolsFlats = "?RTF1:";
inline constexpr const char* kClauseToolsFirms = "?RTF2:";

const rt::ui::WindowDef& BrowseKlauzulWindow();
const rt::ui::WindowDef& UpdateSklauzulWindow();

}  // namespace kvadrin
