// The page of the invoice reports: the firm's header with the invoice's number and
// partner, the item lines, the group footer with the totals, debt lines and clause, and
// the payment order form at its fixed place. The one invoice and the invoices of a run
// print the same bands; where they stand differs, and that is given here.
#pragma once

#include <string>

#include "platform/report/resource.h"

namespace kvadrin {

// Places (millimetres within the form band) of the payment order form's values.
struct PaymentFormPlaces {
    double background_y = 5;
    double payer_y = 15, purpose_y = 38, recipient_y = 60;  // the first of three lines, 4 apart
    double code_x = 67, code_y = 14, currency_x = 67, currency_y = 23;
    // The amounts are wide enough for every amount a payment code can carry and beyond
    // (up to 999.999.999.999.999,99), right-aligned within their boxes.
    double amount_x = 82, amount_y = 14, amount_w = 40;
    std::string amount_picture = "@N-23.`2B";
    double account_y = 23, number_y = 33, image_y = 40;
    // The receipt on the right.
    double r_code_y = 14, r_currency_y = 23;
    double r_amount_x = 148, r_amount_y = 14, r_amount_w = 39;
    std::string r_amount_picture = "@N-23.`2B";
    double r_account_y = 23, r_number_x = 151, r_number_y = 33;
    double r_payer_x = 132, r_payer_y = 46, r_purpose_y = 64;
    double mark_x = 123, mark_y = 80;
};

struct InvoiceLayout {
    std::string module = {};  // "KVD$KVD023"
    double area_h = 197;      // the detail area's height (it starts at 6, 82)
    double account_y = 19;    // "TEKUĆI RAČUN:"; "MATIČNI BROJ:" and "PIB:" 4 and 8 below
    double partner_x = 123;   // the partner's name, address and seat
    double dizd_x = 56, dpro_x = 69;
    double unit_head_x = 87, price_head_x = 102, total_head_x = 177;
    double line_y = 1.2;  // the values of an item line
    std::string quantity_picture = "@N-11.`2";
    double quantity_x = -1;  // -1: within its column
    // The group footer's sums: the report's own sums of the item lines, or a variable
    // that holds the invoice's total.
    std::string footer_total = {};  // "" or "UKUPNOP"
    // "UKUPNO ZA UPLATU:" and, from to_pay_amount_x to the band's edge, its amount: as wide
    // as the payment form's.
    double to_pay_x = 125, to_pay_w = -1;
    double to_pay_amount_x = 157;
    bool page_after_footer = false;
    PaymentFormPlaces form = {};
};

// The report "P1$REPORT" titled "SPROM Report" with those bands and its break bound to
// SPR:SHKORISNIKA.
rt::report::ReportDef InvoiceReportDef(const InvoiceLayout& layout);

}  // namespace kvadrin
