// The receivable posting of an invoice on account 204, as charge creation writes it for
// each new invoice and as closing an invoice's items writes it again for the new total.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvadrin {

// "KVD-05": the voucher number of a run's postings.
std::string VoucherNumber(int run);

struct ReceivablePosting {
    int run = 0;                     // the voucher "KVD-05" and the link "000000005"
    std::int32_t date = 0, due = 0;  // the run's date and due date
    std::string_view run_name = {};  // the description (the field keeps its first 15)
    std::string_view customer = {};
    double amount = 0.0;  // the invoice's total, as debit
    std::string_view recno = {};
};

// Clears this thread's SKPROMET buffer and fills it with the posting, ready for Add.
void FillReceivablePosting(const ReceivablePosting& posting);

}  // namespace kvadrin
