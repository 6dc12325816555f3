// The payment QR code of the invoices: the firm's account line as the 18 digits of the
// payment text, and the payment text itself in the NBS IPS format.
#pragma once

#include <string>
#include <string_view>

namespace kvadrin {

// The firm's account line (blanks and hyphens ignored) as 18 characters: the first three
// (the bank code) in front, the rest right-aligned in the fifteen behind them with zeros
// in the gap ("160-123456-78" gives "160000000012345678"). Of more than 18 characters the
// first three and the last fifteen are kept. Padded with blanks when fewer than three
// characters are given.
std::string FormatirajRacun(std::string_view account);

// The characters of an account line that FormatirajRacun takes (all but blanks and
// hyphens); a line of more than kMaxAccountCharacters of them is no account it can format.
std::size_t AccountCharacters(std::string_view account);
inline constexpr std::size_t kMaxAccountCharacters = 20;

// An account line a bank takes as the payee's account: digits in three groups joined by
// two hyphens (the bank's three digits, one to thirteen of the account, two check digits;
// trailing blanks ignored) whose eighteen digits of FormatirajRacun leave 1 when divided
// by 97. Anything else gives no payment code.
bool IsPaymentAccount(std::string_view account);

// The IPS amount field holds "RSD" and the amount with its decimal comma in at most 18
// characters: amounts up to 999999999999,99 (rounded to the para) fit.
inline constexpr std::size_t kMaxAmountField = 18;
bool AmountFitsPaymentText(double amount);

// What the payment text is built from (CP1250 texts, trailing blanks allowed).
struct PaymentQrData {
    std::string_view account18;  // FormatirajRacun's result
    std::string_view firm;       // the payee's name
    std::string_view place;      // the payee's postal code and place
    double amount = 0;
    std::string_view purpose;
    std::string_view reference;  // the invoice number
};

// The payment text (CP1250): "K:PR|V:01|C:1|R:" account "|N:" firm and place "|I:RSD"
// amount "|SF:289|S:" purpose "|RO:00" reference. Kept to what the IPS rules accept: the
// name is cut to 70 characters, the amount written whole with a decimal comma, a tag whose
// value is empty (the purpose) left out, and "|" or a line break within a value written as
// a blank, so no value can split a tag. At most 511 characters.
std::string PaymentQrText(const PaymentQrData& data);

}  // namespace kvadrin
