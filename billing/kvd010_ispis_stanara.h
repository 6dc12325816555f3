// The list of tenants: the units with their partners, occupants, areas, persons, meters
// and telephones in the order the user chooses, limited by the units browse's query, with
// the totals at the end; landscape pages.
#pragma once

#include "platform/report/resource.h"
#include "platform/ui/resource.h"

namespace kvadrin {

// IspisStanara is declared with the units browse (kvd003_browse_kvadrin.h); it reads the
// query's filter from QBEFILTER and clears it once applied.

// The window in which the user chooses the order before anything is opened.
inline constexpr const char* kSortSelectionProcedure = "SortSelection";
const rt::ui::WindowDef& SortSelectionWindow();
const rt::ui::WindowDef& IspisStanaraProgressWindow();
const rt::report::ReportDef& IspisStanaraReport();

}  // namespace kvadrin
