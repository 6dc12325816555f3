#include "billing/payment_qr.h"

#include <array>

#include "platform/core/picture.h"
#include "platform/core/text.h"

namespace kvadrin {
namespace {

constexpr std::size_t kMaxName = 70;
constexpr std::size_t kMaxText = 511;

bool Collected(char c) { return c != ' ' && c != '-'; }

// A value as it may stand in the text: no separator and no line break within it, no
// trailing blanks.
std::string Value(std::string_view text) {
    std::string v(text);
    for (char& c : v)
        if (c == '|' || c == '\r' || c == '\n') c = ' ';
    return rt::clip(v);
}

}  // namespace

std::size_t AccountCharacters(std::string_view account) {
    std::size_t n = 0;
    for (char c : rt::clip(account))
        if (Collected(c)) ++n;
    return n;
}

bool IsPaymentAccount(std::string_view account) {
    const std::string a = rt::clip(account);
    std::size_t groups[3] = {0, 0, 0};
    std::size_t g = 0;
    for (char c : a) {
        if (c == '-') {
            if (++g > 2) return false;
        } else if (c >= '0' && c <= '9') {
            ++groups[g];
        } else {
            return false;
        }
    }
    if (g != 2 || groups[0] != 3 || groups[1] < 1 || groups[1] > 13 || groups[2] != 2) return false;
    // ISO 7064 MOD 97-10 over the eighteen digits, a digit at a time.
    unsigned rest = 0;
    for (char c : FormatirajRacun(a)) rest = (rest * 10 + static_cast<unsigned>(c - '0')) % 97;
    return rest == 1;
}

namespace {

// The amount as the payment text writes it: a decimal comma, no grouping, no blanks.
std::string AmountText(double amount) {
    std::string t = rt::format(amount, "@n_18`2");
    t.erase(0, t.find_first_not_of(' '));
    return t;
}

}  // namespace

bool AmountFitsPaymentText(double amount) {
    if (!(amount >= 0) || amount >= 1e15) return false;  // NaN, negative or far past the field
    const std::string t = AmountText(amount);
    return t.find('#') == std::string::npos && 3 + t.size() <= kMaxAmountField;
}

std::string FormatirajRacun(std::string_view account) {
    std::string d;  // the characters collected, in order
    for (char c : rt::clip(account))
        if (Collected(c)) d += c;
    std::array<char, 18> o;
    o.fill(' ');
    // From the right: the characters after the first three, then zeros.
    std::size_t k = d.size();
    for (int p = 17; p >= 3; --p) {
        if (k > 3) {
            o[static_cast<std::size_t>(p)] = d[k - 1];
            --k;
        } else {
            o[static_cast<std::size_t>(p)] = '0';
        }
    }
    for (std::size_t p = 0; p < 3 && p < d.size(); ++p) o[p] = d[p];
    std::string out;
    for (char c : o)
        if (c != ' ') out += c;
    out.resize(18, ' ');
    return out;
}

std::string PaymentQrText(const PaymentQrData& data) {
    std::string name = Value(data.firm);
    const std::string place = Value(data.place);
    if (!place.empty()) name += (name.empty() ? "" : " ") + place;
    if (name.size() > kMaxName) name = rt::clip(name.substr(0, kMaxName));

    // The amount with a decimal comma, without grouping and without leading blanks,
    // however large.
    const std::string amount = AmountText(data.amount);

    std::string text =
        "K:PR|V:01|C:1|R:" + Value(data.account18) + "|N:" + name + "|I:RSD" + amount + "|SF:289";
    if (const std::string purpose = Value(data.purpose); !purpose.empty()) text += "|S:" + purpose;
    text += "|RO:00" + Value(data.reference);
    if (text.size() > kMaxText) text.resize(kMaxText);
    return text;
}

}  // namespace kvadrin
