// The invoice report: the invoice highlighted in the invoice browse with its items, totals,
// the debt or overpayment line, the clause, and the payment order form with its payment QR
// code.
#pragma once

#include "platform/report/resource.h"
#include "platform/ui/resource.h"

namespace kvadrin {

// Called by the invoice browse with the invoice in the SFAKT, KVADRIN and NAZIVI record
// buffers, the run in OBRAC and the clause number in IZABRANIOBRACUN; answers in
// CallResponse.
void IspisFakture();

const rt::ui::WindowDef& IspisFaktureProgressWindow();
const rt::report::ReportDef& IspisFaktureReport();

}  // namespace kvadrin
