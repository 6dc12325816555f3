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
    std::string amount = rt::format(data.amount, "@n_18`2");
    amount.erase(0, amount.find_first_not_of(' '));

    std::string text =
        "K:PR|V:01|C:1|R:" + Value(data.account18) + "|N:" + name + "|I:RSD" + amount + "|SF:289";
    if (const std::string purpose = Value(data.purpose); !purpose.empty()) text += "|S:" + purpose;
    text += "|RO:00" + Value(data.reference);
    if (text.size() > kMaxText) text.resize(kMaxText);
    return text;
}

}  // namespace kvadrin
