// The invoice group report's progress window and its page: the invoice report's bands
// where this report places them, its group footer with the invoice's total, and a new page
// after every invoice.
#include "billing/invoice_layout.h"
#include "billing/kvd030_ispis_faktura_m3.h"
#include "billing/report_frame.h"

namespace kvadrin {

const rt::ui::WindowDef& IspisFakturaM3ProgressWindow() {
    static const rt::ui::WindowDef def = ProgressWindow("KVD$KVD030", "Report SPROM");
    return def;
}

const rt::report::ReportDef& IspisFakturaM3Report() {
    static const rt::report::ReportDef def = InvoiceReportDef(InvoiceLayout{
        .module = "KVD$KVD030",
        .area_h = 196,
        .account_y = 20,
        .partner_x = 125,
        .dizd_x = 57,
        .dpro_x = 67,
        .unit_head_x = 88,
        .price_head_x = 104,
        .total_head_x = 178,
        .line_y = 1,
        .quantity_picture = "@N-12.`2",
        .quantity_x = 64,
        .footer_total = "UKUPNOP",
        .to_pay_x = 125,
        .to_pay_w = 29,
        .page_after_footer = true,
        .form = PaymentFormPlaces{.background_y = 3,
                                  .payer_y = 13,
                                  .purpose_y = 36,
                                  .recipient_y = 58,
                                  .code_x = 67,
                                  .code_y = 12,
                                  .currency_x = 66,
                                  .currency_y = 21,
                                  .amount_x = 82,
                                  .amount_y = 12,
                                  .amount_w = 38,
                                  .amount_picture = "@N-23.`2B",
                                  .account_y = 21,
                                  .number_y = 31,
                                  .image_y = 38,
                                  .r_code_y = 12,
                                  .r_currency_y = 21,
                                  .r_amount_x = 148,
                                  .r_amount_y = 12,
                                  .r_amount_w = 39,
                                  .r_amount_picture = "@N-23.`2b",
                                  .r_account_y = 21,
                                  .r_number_x = 149,
                                  .r_number_y = 31,
                                  .r_payer_x = 131,
                                  .r_payer_y = 44,
                                  .r_purpose_y = 62,
                                  .mark_x = 124,
                                  .mark_y = 78},
    });
    return def;
}

}  // namespace kvadrin
