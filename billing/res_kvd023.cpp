// The invoice report's progress window and its page: the firm's header, the item lines,
// the totals with the debt lines and the clause, and the payment order form at its place.
#include "billing/invoice_layout.h"
#include "billing/kvd023_ispis_fakture.h"
#include "billing/report_frame.h"

namespace kvadrin {

const rt::ui::WindowDef& IspisFaktureProgressWindow() {
    static const rt::ui::WindowDef def = ProgressWindow("KVD$KVD023", "Report SPROM");
    return def;
}

const rt::report::ReportDef& IspisFaktureReport() {
    static const rt::report::ReportDef def = InvoiceReportDef(InvoiceLayout{.module = "KVD$KVD023"});
    return def;
}

}  // namespace kvadrin
