// The invoice group report: every invoice of the run shown in the invoice browse, each on
// its own page with its items, totals, debt lines, clause and its own payment order form
// and payment QR code.
#pragma once

#include <string>

#include "platform/report/resource.h"
#include "platform/ui/resource.h"

namespace kvadrin {

// IspisFakturaM3 is declared with the invoice browse (kvd020_izbor_za_fakture.h): called
// with the run in the OBRAC record buffer and the clause number in IZABRANIOBRACUN.

const rt::ui::WindowDef& IspisFakturaM3ProgressWindow();
const rt::report::ReportDef& IspisFakturaM3Report();

// The name of the QR image file of the n-th invoice of a report (1-based): qr0001.png,
// ..., qr9999.png, qr10000.png.
std::string GroupQrFileName(int n);

}  // namespace kvadrin
