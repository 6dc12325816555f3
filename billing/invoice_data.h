// What the two invoice reports compute for an invoice from the record buffers (the
// invoice, its unit and partner, the run, the clause): its number, dates, debt lines,
// amount, clause and payment QR text; the break that keeps the payment form's fields of
// the invoice that closes; the check of the firm's account line.
#pragma once

#include <string>
#include <vector>

#include "platform/report/breaks.h"
#include "platform/report/report.h"
#include "platform/report/temp_folder.h"

namespace kvadrin {

// The invoice's variables that the reports print.
struct InvoiceVars {
    std::string BROJ, DIZD, DPRO, DUG_PRETP, MOLBA, KLAUZULA, RACUN18, QRTEKST, QRSLIKA;
    double IZNOS = 0, ZANAPLATU = 0;
};

// The report's controls that print the variables are bound to them.
void UseInvoiceVars(rt::report::Report& report, InvoiceVars& v);

// Number, dates, debt and request lines, amount, amount to pay, clause, the account and
// the payment QR text of the invoice in the SFAKT, KVADRIN and NAZIVI buffers, the run in
// OBRAC and the clause in SKLAUZUL.
void ComputeInvoice(InvoiceVars& v);

// A water line of a unit with a water meter (the service not one of maintenance) prints
// `unit` as its unit of measure: sets OBA:JM in the buffer for this line's printing.
void ApplyWaterUnit(const char* unit);

// The payment QR images of one report, in its own temporary folder. A code banks would
// refuse is not printed: a firm account IsPaymentAccount does not take gives no invoice a
// code, an amount past the IPS amount field gives its invoice none; the slip then prints
// without one (never with an older image) and the user is told once per report and
// reason, with the account, or the first invoice and its amount.
class PaymentCodes {
public:
    // `one_invoice`: the report prints one invoice (its messages name none).
    explicit PaymentCodes(bool one_invoice) : one_invoice_(one_invoice) {}
    // At the report's set-up: checks the firm's account (ZIRORAC1), telling the user now
    // when it gives no code (an account left empty gives none without a word).
    void CheckAccount();
    // The image of v.QRTEKST as file `name` of the report's folder, named in v.QRSLIKA in
    // the program's text (empty when there is none). The same text as the last image
    // needs no new one.
    void Make(InvoiceVars& v, const std::string& name);

private:
    rt::report::TempFolder folder_;
    std::string made_text_, made_name_, made_file_;
    bool one_invoice_;
    bool account_ok_ = true, amount_told_ = false, image_told_ = false;
};

// One break on SPR:SHKORISNIKA whose close shows the payment form's twelve fields as the
// closing invoice had them.
void SetupInvoiceBreak(rt::report::BreakTracker& tracker, rt::report::BreakGroup& group, InvoiceVars& v);

// The payer of the invoice in the SFAKT buffer is the partner of its own customer code
// (the charges were made for it), not the one its unit number leads to: a unit number cut
// by the charge lines, or a unit given to someone else since, must not lose or change the
// payer. Reads the partner into the NAZIVI buffer; where there is none the user is told,
// naming the invoice's customer, and false answered (the invoice is not to be printed).
bool ReadInvoicePayer();

// The customer codes of the invoices of the run in the OBRAC buffer that have no payer
// (the buffers are left as they were), and the message that names them: those invoices
// are not printed.
std::vector<std::string> InvoicesOfTheRunWithoutPayer();
void TellInvoicesWithoutPayer(const std::vector<std::string>& customers);

// An account line FormatirajRacun cannot take gives no payment code a bank would accept:
// the user is told and true answered (nothing is to be printed).
bool AccountLineRefused();

}  // namespace kvadrin
