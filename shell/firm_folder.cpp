#include "shell/firm_folder.h"

#include <cstdlib>

#include "data/globals.h"
#include "platform/core/process.h"
#include "platform/core/text.h"

namespace kvadrin {
namespace {

// The runtime's text-to-number conversion of a year folder's first four characters:
// leading blanks skipped, an optional sign, then the digits up to the first non-digit.
// The result passes through a four-digit picture without sign, so a minus is dropped.
std::int32_t YearFromText(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    std::int32_t n = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) n = n * 10 + (s[i] - '0');
    return n;  // at most four digits: always fits the picture
}

}  // namespace

FirmAndYear DeriveFirmAndYear(std::string_view s, char sep) {
    const long L = static_cast<long>(s.size());
    if (L == 0) return {"GRESKA", 0};

    // Scan backwards over at most 51 characters for the second and third separator.
    int found = 0;
    long k2 = 0, k3 = 0;
    bool ran_out = false;
    for (long j = 0; j <= 50; ++j) {
        long pos = L - j;  // 1-based
        if (pos < 1) {
            // The path is shorter than the scan and holds fewer than three separators:
            // the folder levels that are missing count as empty, as if the path began
            // with a separator, rather than reading characters from the end again.
            ran_out = true;
            break;
        }
        if (s[static_cast<std::size_t>(pos - 1)] == sep) {
            ++found;
            if (found == 2) k2 = j;
            if (found == 3) {
                k3 = j;
                break;
            }
        }
    }
    if (found == 0) return {"GRESKA", 0};

    FirmAndYear r{};
    if (ran_out && found < 3) {
        // Year folder present only when there are two separators (one above it).
        if (found < 2) return {"", 0};
        k3 = L;  // an imagined separator just before the first character
        r.firm = rt::upper(rt::sub(s, L - k3 + 1, k3 - k2 - 1));
    } else {
        if (found < 3) k3 = 51;
        if (found < 2) k2 = 0;
        r.firm = rt::upper(rt::sub(s, L - k3 + 1, k3 - k2 - 1));
    }
    if (r.firm.size() > 50) r.firm.resize(50);
    if (k2 > 0) r.year = YearFromText(rt::sub(s, L - k2 + 1, 4));
    return r;
}

void IzvediFirmuIGodinu() {
    auto r = DeriveFirmAndYear(rt::current_folder_text(), rt::folder_separator());
    FOLDERFIRME = r.firm;
    RAD_GOD = r.year;
}

}  // namespace kvadrin
