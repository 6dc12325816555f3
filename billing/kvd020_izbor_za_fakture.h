// The invoices of a billing run: the choice of the run, the invoice browse with its totals
// and the clause the invoice reports print, the items of an invoice with their correction
// (the invoice summed again and its posting replaced when the items window closes), and
// the invoice form.
#pragma once

#include <string>

#include "platform/ui/resource.h"

namespace kvadrin {

// The billing runs to choose from; "&FAKTURE PO OBRAČUNU" opens the invoices of the
// highlighted run. Started by the menu item "Izrada faktura" on a thread of its own.
void IzborZaFakture();
void CheckIzborZaFaktureFields();  // at start-up: the browse shows only fields its tables have

// The invoices of the run in the OBRAC record buffer, with the unit and the partner of
// each, their totals, the clause drop list and the invoice's reports and items.
void BrowseSFAKT();
void CheckBrowseSFAKTFields();  // at start-up: the browse shows only fields its tables have

// The items of the invoice in the SFAKT record buffer (with its unit in KVADRIN, partner
// in NAZIVI and run in OBRAC); on closing, the invoice is summed again from its items and
// its receivable posting replaced, as one transaction.
void BrowseSPROM();
void CheckBrowseSPROMFields();  // at start-up: the browse shows only fields its tables have

// The item form, called by the items browse with request 1, 2, 3 or 6.
void UpdateSPROM();

// The invoice form, called by the invoice browse with request 1, 2 or 3.
void UpdateSFAKT();

// The invoice group report (every invoice of the run in the OBRAC buffer, each with its
// payment form and QR code) and the overview of obligations (the invoices of the run of
// the invoice in the SFAKT buffer); they answer in CallResponse.
void IspisFakturaM3();
void SpisakObaveza();

// What closing the items window does to the invoice in the SFAKT buffer: its columns and
// total summed again from its items, the invoice written, its posting of the run's voucher
// replaced by one for the new total; all of it or none. False when nothing was written;
// the message says why and the invoice's rows are as they were.
struct InvoiceRewrite {
    bool written = false;
    std::string message;  // the message shown for a failure (CP1250)
};
InvoiceRewrite PreknjiziFakturu();

// Makes the frame's menu item "Izrada faktura" start IzborZaFakture.
void RegisterInvoicesMenu();

// A field shown beside a form's entry (a looked-up name), in navy.
rt::ui::ControlDef ShownBeside(const char* field, int x, int y, int w, const char* picture);

const rt::ui::WindowDef& IzborZaFaktureWindow();
const rt::ui::WindowDef& BrowseSfaktWindow();
const rt::ui::WindowDef& BrowseSpromWindow();
const rt::ui::WindowDef& UpdateSpromWindow();
const rt::ui::WindowDef& UpdateSfaktWindow();

}  // namespace kvadrin
