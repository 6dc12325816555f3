// The overview of obligations: one line per invoice of a run with the unit, the partner,
// the area and persons, the four invoice columns, the earlier debt and the rounded total,
// the column totals at the end and the page numbers.
#pragma once

#include "platform/report/resource.h"
#include "platform/ui/resource.h"

namespace kvadrin {

// SpisakObaveza is declared with the invoice browse (kvd020_izbor_za_fakture.h): called
// with the highlighted invoice in the SFAKT record buffer; it lists that invoice's run.

const rt::ui::WindowDef& SpisakObavezaProgressWindow();
const rt::report::ReportDef& SpisakObavezaReport();

}  // namespace kvadrin
