// The receivable posting of an invoice.
#include "billing/receivable_posting.h"

#include "data/access.h"
#include "data/tables.h"
#include "platform/core/picture.h"

namespace kvadrin {

std::string VoucherNumber(int run) { return "KVD-" + rt::format(run, "@N02"); }

void FillReceivablePosting(const ReceivablePosting& p) {
    Files::SKPROMET().Clear();
    SKP.LASTUSER = 0;
    SKP.SINTETIKA = "204";
    SKP.ANALITIKA = p.customer;
    SKP.NALOG = VoucherNumber(p.run);
    SKP.VRSTAVEZE = "Z";
    SKP.VEZA = rt::format(p.run, "@N09");
    SKP.DATUM = p.date;
    SKP.VALUTA = p.due;
    SKP.SIMBOL = 0;
    SKP.OPIS = p.run_name;
    SKP.DUGPOT = "D";
    SKP.IZNOS = p.amount;
    SKP.RECNO = p.recno;
    SKP.DUGUJE = p.amount;
    SKP.POTRAZUJE = 0.0;
}

}  // namespace kvadrin
