// What the two invoice reports compute for an invoice from the record buffers (the
// invoice, its unit and partner, the run, the clause): its number, dates, debt lines,
// amount, clause and payment QR text; the break that keeps the payment form's fields of
// the invoice that closes; the check of the firm's account line.
#pragma once

#include <string>

#include "platform/report/breaks.h"
#include "platform/report/report.h"

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

// Writes the payment QR image of v.QRTEKST to `file` (empty: no file could be had) and
// names it in v.QRSLIKA; where it cannot be written v.QRSLIKA is empty and no file of that
// name is left, so no older image can stand in for it. False on failure.
bool MakeQrImage(InvoiceVars& v, const std::string& file);

// Tells the user once per report that payment forms print without their QR code;
// `which` names the first invoice concerned (CP1250; empty for the one invoice).
void TellQrMissing(const std::string& which);

// One break on SPR:SHKORISNIKA whose close shows the payment form's twelve fields as the
// closing invoice had them.
void SetupInvoiceBreak(rt::report::BreakTracker& tracker, rt::report::BreakGroup& group, InvoiceVars& v);

// An account line FormatirajRacun cannot take gives no payment code a bank would accept:
// the user is told and true answered (nothing is to be printed).
bool AccountLineRefused();

}  // namespace kvadrin
