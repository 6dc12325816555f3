#include "platform/core/text.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace rt {
namespace {

// Unicode code point of each CP1250 byte from 80h to FFh. The undefined bytes map to
// the C1 control of the same number so that they survive a round trip.
constexpr std::array<char16_t, 128> kCp1250 = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // F8
};

// CP1250 byte of each code-page-852 byte from 80h to FFh. Box-drawing characters become
// '|', '-' or '+', shades and blocks '#'.
constexpr std::array<unsigned char, 128> kOem852 = {
    0xC7, 0xFC, 0xE9, 0xE2, 0xE4, 0xF9, 0xE6, 0xE7,  // 80
    0xB3, 0xEB, 0xD5, 0xF5, 0xEE, 0x8F, 0xC4, 0xC6,  // 88
    0xC9, 0xC5, 0xE5, 0xF4, 0xF6, 0xBC, 0xBE, 0x8C,  // 90
    0x9C, 0xD6, 0xDC, 0x8D, 0x9D, 0xA3, 0xD7, 0xE8,  // 98
    0xE1, 0xED, 0xF3, 0xFA, 0xA5, 0xB9, 0x8E, 0x9E,  // A0
    0xCA, 0xEA, 0xAC, 0x9F, 0xC8, 0xBA, 0xAB, 0xBB,  // A8
    '#',  '#',  '#',  '|',  '+',  0xC1, 0xC2, 0xCC,  // B0
    0xAA, '+',  '|',  '+',  '+',  0xAF, 0xBF, '+',   // B8
    '+',  '+',  '+',  '+',  '-',  '+',  0xC3, 0xE3,  // C0
    '+',  '+',  '+',  '+',  '+',  '-',  '+',  0xA4,  // C8
    0xF0, 0xD0, 0xCF, 0xCB, 0xEF, 0xD2, 0xCD, 0xCE,  // D0
    0xEC, '+',  '+',  '#',  '#',  0xDE, 0xD9, '#',   // D8
    0xD3, 0xDF, 0xD4, 0xD1, 0xF1, 0xF2, 0x8A, 0x9A,  // E0
    0xC0, 0xDA, 0xE0, 0xDB, 0xFD, 0xDD, 0xFE, 0xB4,  // E8
    0xAD, 0xBD, 0xB2, 0xA1, 0xA2, 0xA7, 0xF7, 0xB8,  // F0
    0xB0, 0xA8, 0xFF, 0xFB, 0xD8, 0xF8, '#',  0xA0,  // F8
};

struct CaseTables {
    std::array<unsigned char, 256> up{};
    std::array<unsigned char, 256> low{};
};

// Upper/lower pairs of CP1250: A-Z, the letters in 8Ah-BFh listed below, and C0h-DEh
// against E0h-FEh except the multiplication and division signs (D7h, F7h). ß (DFh) and
// µ (B5h) have no single-byte capital and stay as they are.
constexpr CaseTables make_case_tables() {
    CaseTables t;
    for (int i = 0; i < 256; ++i) {
        t.up[i] = static_cast<unsigned char>(i);
        t.low[i] = static_cast<unsigned char>(i);
    }
    auto pair = [&t](int capital, int small) {
        t.up[small] = static_cast<unsigned char>(capital);
        t.low[capital] = static_cast<unsigned char>(small);
    };
    for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
    pair(0x8A, 0x9A);  // Š š
    pair(0x8C, 0x9C);  // Ś ś
    pair(0x8D, 0x9D);  // Ť ť
    pair(0x8E, 0x9E);  // Ž ž
    pair(0x8F, 0x9F);  // Ź ź
    pair(0xA3, 0xB3);  // Ł ł
    pair(0xA5, 0xB9);  // Ą ą
    pair(0xAA, 0xBA);  // Ş ş
    pair(0xAF, 0xBF);  // Ż ż
    pair(0xBC, 0xBE);  // Ľ ľ
    for (int c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7) pair(c, c + 0x20);
    return t;
}

constexpr CaseTables kCase = make_case_tables();

// The place of each byte in the case-insensitive order, by its upper-case form: the
// Serbian Latin alphabet, A B C Č Ć D Dž Đ E ... S Š T ... Z Ž, with the other accented
// capitals of the code page right after their base letter (before a Serbian letter that
// follows it: C Ç Č Ć, S Ś Ş ß Š, Z Ź Ż Ž). Blanks, digits and the signs before "A" keep
// their place before the letters; every other byte follows the letters in byte order.
// The digraphs are not taken as one letter: Dž orders as D followed by Ž, which, Ž being
// the last letter, puts it after every other D and before Đ, its place in the alphabet,
// while "nadživeti" keeps its own d and ž; Lj and Nj order as L, N followed by J. Two
// texts are equal exactly when their upper-case forms are.
struct OrderTable {
    std::array<unsigned char, 256> weight{};
};

constexpr OrderTable make_order_table() {
    OrderTable t;
    std::array<bool, 256> placed{};
    int next = 0;
    auto place = [&](int b) {
        if (placed[b]) return;
        placed[b] = true;
        t.weight[b] = static_cast<unsigned char>(next++);
    };
    for (int b = 0; b < 'A'; ++b) place(b);
    // clang-format off
    constexpr unsigned char kLetters[] = {
        'A', 0xC1, 0xC2, 0xC3, 0xC4, 0xA5,        // A Á Â Ă Ä Ą
        'B', 'C',  0xC7, 0xC8, 0xC6,              // B C Ç Č Ć
        'D', 0xCF, 0xD0,                          // D Ď Đ
        'E', 0xC9, 0xCA, 0xCB, 0xCC,              // E É Ę Ë Ě
        'F', 'G',  'H',  'I',  0xCD, 0xCE,        // F G H I Í Î
        'J', 'K',  'L',  0xC5, 0xBC, 0xA3,        // J K L Ĺ Ľ Ł
        'M', 'N',  0xD1, 0xD2,                    // M N Ń Ň
        'O', 0xD3, 0xD4, 0xD5, 0xD6,              // O Ó Ô Ő Ö
        'P', 'Q',  'R',  0xC0, 0xD8,              // P Q R Ŕ Ř
        'S', 0x8C, 0xAA, 0xDF, 0x8A,              // S Ś Ş ß Š
        'T', 0x8D, 0xDE,                          // T Ť Ţ
        'U', 0xDA, 0xD9, 0xDB, 0xDC,              // U Ú Ů Ű Ü
        'V', 'W',  'X',  'Y',  0xDD,              // V W X Y Ý
        'Z', 0x8F, 0xAF, 0x8E,                    // Z Ź Ż Ž
    };
    // clang-format on
    for (unsigned char b : kLetters) place(b);
    for (int b = 0; b < 256; ++b)
        if (kCase.up[b] == b) place(b);
    for (int b = 0; b < 256; ++b) t.weight[b] = t.weight[kCase.up[b]];
    return t;
}

constexpr OrderTable kOrder = make_order_table();

unsigned char byte(char c) { return static_cast<unsigned char>(c); }

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes the UTF-8 sequence at s[i] and advances i past it. An invalid sequence
// (bad lead or continuation byte, cut short, overlong, a surrogate, beyond U+10FFFF)
// consumes one byte and gives kInvalid.
constexpr char32_t kInvalid = 0xFFFFFFFF;

char32_t decode_utf8(std::string_view s, std::size_t& i) {
    const unsigned char b0 = byte(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        ++i;
        return kInvalid;
    }
    if (i + static_cast<std::size_t>(len) > s.size()) {
        ++i;
        return kInvalid;
    }
    for (int k = 1; k < len; ++k) {
        const unsigned char b = byte(s[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kInvalid;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kInvalid;
    }
    i += static_cast<std::size_t>(len);
    return cp;
}

// The CP1250 byte of each code point below 2200h that has one (0: none), so that a text
// is converted without a search.
struct ReverseTable {
    static constexpr char32_t kEnd = 0x2200;
    std::array<unsigned char, kEnd> byte{};
};

constexpr ReverseTable make_reverse_table() {
    ReverseTable t;
    for (std::size_t k = 0; k < kCp1250.size(); ++k)
        t.byte[kCp1250[k]] = static_cast<unsigned char>(0x80 + k);
    return t;
}

constexpr ReverseTable kReverse = make_reverse_table();

char cp1250_of(char32_t cp) {
    if (cp < 0x80) return static_cast<char>(cp);
    if (cp < ReverseTable::kEnd && kReverse.byte[cp]) return static_cast<char>(kReverse.byte[cp]);
    return '?';
}

// The CP1250 byte of the next character of UTF-8 text, as utf8_to_cp1250 converts it.
unsigned char next_cp1250(std::string_view utf8, std::size_t& i) {
    const unsigned char b = byte(utf8[i]);
    if (b < 0x80) {
        ++i;
        return b;
    }
    const char32_t cp = decode_utf8(utf8, i);
    return byte(cp == kInvalid ? '?' : cp1250_of(cp));
}

// Combining accents that compose with a letter into a letter of CP1250, with the upper-
// case letters they make; the lower-case letter is the next code point (Latin Extended-A)
// or 20h above it (Latin-1).
struct Composition {
    char base;
    char32_t mark, upper;
};
constexpr Composition kCompositions[] = {
    {'A', 0x301, 0xC1},  {'A', 0x302, 0xC2},  {'A', 0x306, 0x102}, {'A', 0x308, 0xC4},  {'A', 0x328, 0x104},
    {'C', 0x301, 0x106}, {'C', 0x327, 0xC7},  {'C', 0x30C, 0x10C}, {'D', 0x30C, 0x10E}, {'E', 0x301, 0xC9},
    {'E', 0x328, 0x118}, {'E', 0x308, 0xCB},  {'E', 0x30C, 0x11A}, {'I', 0x301, 0xCD},  {'I', 0x302, 0xCE},
    {'L', 0x301, 0x139}, {'L', 0x30C, 0x13D}, {'N', 0x301, 0x143}, {'N', 0x30C, 0x147}, {'O', 0x301, 0xD3},
    {'O', 0x302, 0xD4},  {'O', 0x30B, 0x150}, {'O', 0x308, 0xD6},  {'R', 0x301, 0x154}, {'R', 0x30C, 0x158},
    {'S', 0x301, 0x15A}, {'S', 0x30C, 0x160}, {'S', 0x327, 0x15E}, {'T', 0x30C, 0x164}, {'T', 0x327, 0x162},
    {'U', 0x30A, 0x16E}, {'U', 0x301, 0xDA},  {'U', 0x30B, 0x170}, {'U', 0x308, 0xDC},  {'Y', 0x301, 0xDD},
    {'Z', 0x301, 0x179}, {'Z', 0x30C, 0x17D}, {'Z', 0x307, 0x17B},
};

// The letter `base` (ASCII) with the combining `mark`, 0 when CP1250 has no such letter.
char32_t compose(char32_t base, char32_t mark) {
    const bool lower = base >= 'a' && base <= 'z';
    const char up = static_cast<char>(lower ? base - 0x20 : base);
    for (const Composition& c : kCompositions)
        if (c.base == up && c.mark == mark)
            return lower ? (c.upper < 0x100 ? c.upper + 0x20 : c.upper + 1) : c.upper;
    return 0;
}

bool is_combining_mark(char32_t cp) {
    return (cp >= 0x300 && cp <= 0x36F) || (cp >= 0x1AB0 && cp <= 0x1AFF) || (cp >= 0x1DC0 && cp <= 0x1DFF) ||
           (cp >= 0x20D0 && cp <= 0x20FF) || (cp >= 0xFE20 && cp <= 0xFE2F);
}

std::size_t first_non_blank(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    return i;
}

std::size_t clipped_length(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return n;
}

}  // namespace

std::string cp1250_to_utf8(std::string_view cp1250) {
    std::string out;
    out.reserve(cp1250.size() + cp1250.size() / 4);
    for (char c : cp1250) {
        const unsigned char b = byte(c);
        append_utf8(out, b < 0x80 ? char32_t{b} : char32_t{kCp1250[b - 0x80]});
    }
    return out;
}

std::string utf8_to_cp1250(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const char32_t cp = decode_utf8(utf8, i);
        out += cp == kInvalid ? '?' : cp1250_of(cp);
    }
    return out;
}

EntryText entry_text(std::string_view utf8) {
    EntryText out;
    out.cp1250.reserve(utf8.size());
    std::size_t i = 0;
    char32_t last = 0;  // the character taken last, for an accent after it
    while (i < utf8.size()) {
        const char32_t cp = decode_utf8(utf8, i);
        if (cp == '\r' || cp == '\n' || cp == 0x85 || cp == 0x2028 || cp == 0x2029) {
            if (cp == '\r' && i < utf8.size() && utf8[i] == '\n') ++i;
            out.cp1250 += ' ';
            last = ' ';
            continue;
        }
        if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) continue;  // control characters
        if (cp != kInvalid && is_combining_mark(cp)) {
            if (const char32_t composed = last < 0x80 ? compose(last, cp) : 0) {
                out.cp1250.back() = cp1250_of(composed);
                last = composed;
            } else {
                ++out.left_out;
            }
            continue;
        }
        const char c = cp == kInvalid ? '?' : cp1250_of(cp);
        if (c == '?' && cp != '?') {
            ++out.left_out;
            last = 0;
            continue;
        }
        out.cp1250 += c;
        last = cp;
    }
    return out;
}

std::string oem852_to_cp1250(std::string_view oem) {
    std::string out(oem);
    for (char& c : out) {
        const unsigned char b = byte(c);
        if (b >= 0x80) c = static_cast<char>(kOem852[b - 0x80]);
    }
    return out;
}

std::string clip(std::string_view s) { return std::string(s.substr(0, clipped_length(s))); }

char upper_char(char c) { return static_cast<char>(kCase.up[byte(c)]); }
char lower_char(char c) { return static_cast<char>(kCase.low[byte(c)]); }

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = upper_char(c);
    return out;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = lower_char(c);
    return out;
}

std::string left(std::string_view s) { return left(s, s.size()); }

std::string left(std::string_view s, std::size_t n) { return fixed(s.substr(first_non_blank(s)), n); }

std::string right(std::string_view s) {
    const std::size_t n = clipped_length(s);
    return std::string(s.size() - n, ' ') + std::string(s.substr(0, n));
}

std::string center(std::string_view s, std::size_t n) {
    const std::size_t end = clipped_length(s);
    const std::size_t from = std::min(first_non_blank(s), end);
    const std::string_view core = s.substr(from, end - from);
    if (core.size() >= n) return std::string(core.substr(0, n));
    const std::size_t before = (n - core.size()) / 2;
    std::string out(before, ' ');
    out += core;
    out.resize(n, ' ');
    return out;
}

std::string sub(std::string_view s, long start, long length) {
    const long L = static_cast<long>(s.size());
    if (start < 1) start += L;
    if (start < 1 || start > L || length < 1) return {};
    const long n = std::min(length, L - start + 1);
    return std::string(s.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(n)));
}

std::string slice(std::string_view s, long from, long to) {
    const long L = static_cast<long>(s.size());
    from = std::max(from, 1L);
    to = std::min(to, L);
    if (from > to) return {};
    return std::string(s.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(to - from + 1)));
}

std::string at(std::string_view s, long i) {
    if (i < 1 || i > static_cast<long>(s.size())) return {};
    return std::string(1, s[static_cast<std::size_t>(i - 1)]);
}

std::string fixed(std::string_view s, std::size_t n) {
    std::string out(s.substr(0, n));
    out.resize(n, ' ');
    return out;
}

std::string cstring(std::string_view s, std::size_t n) {
    if (n == 0) return {};
    s = s.substr(0, std::min(s.find('\0'), n - 1));
    return std::string(s);
}

long instring(std::string_view needle, std::string_view hay, long step, long start) {
    if (needle.empty()) return 0;
    if (step < 1) step = 1;
    if (start < 1) start = 1;
    const long last = static_cast<long>(hay.size()) - static_cast<long>(needle.size()) + 1;
    for (long p = start; p <= last; p += step)
        if (hay.compare(static_cast<std::size_t>(p - 1), needle.size(), needle) == 0) return p;
    return 0;
}

std::string all(std::string_view s, std::size_t n) {
    if (s.empty()) return std::string(n, ' ');
    std::string out;
    out.reserve(n);
    while (out.size() < n) out += s.substr(0, n - out.size());
    return out;
}

bool equal_clipped(std::string_view a, std::string_view b) {
    return a.substr(0, clipped_length(a)) == b.substr(0, clipped_length(b));
}

int compare_nocase(std::string_view a, std::string_view b) {
    a = a.substr(0, clipped_length(a));
    b = b.substr(0, clipped_length(b));
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int x = kOrder.weight[byte(a[i])];
        const int y = kOrder.weight[byte(b[i])];
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool equal_nocase(std::string_view a, std::string_view b) { return compare_nocase(a, b) == 0; }

int compare_nocase_utf8(std::string_view a, std::string_view b) {
    a = a.substr(0, clipped_length(a));
    b = b.substr(0, clipped_length(b));
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const int x = kOrder.weight[next_cp1250(a, i)];
        const int y = kOrder.weight[next_cp1250(b, j)];
        if (x != y) return x < y ? -1 : 1;
    }
    if (i == a.size() && j == b.size()) return 0;
    return i == a.size() ? -1 : 1;
}

long find_in_upper_utf8(std::string_view hay, std::string_view needle) {
    // The needle in CP1250, kept from call to call: a filter tests every row with one.
    thread_local std::string last_needle, needle_cp;
    thread_local bool needle_ok = true;
    if (needle != last_needle) {
        last_needle.assign(needle);
        needle_cp.clear();
        needle_ok = true;
        std::size_t i = 0;
        while (i < needle.size()) {
            const std::size_t at = i;
            const unsigned char c = next_cp1250(needle, i);
            // A character the code page has no byte for is never in an upper-case form.
            if (c == '?' && !(i == at + 1 && needle[at] == '?')) needle_ok = false;
            needle_cp += static_cast<char>(c);
        }
    }
    if (!needle_ok) return 0;
    thread_local std::string up;
    up.clear();
    std::size_t i = 0;
    while (i < hay.size()) up += static_cast<char>(kCase.up[next_cp1250(hay, i)]);
    const std::size_t at = up.find(needle_cp);
    return at == std::string::npos ? 0 : static_cast<long>(at) + 1;
}

void upper_utf8(std::string_view utf8, std::string& out) {
    out.clear();
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char c = kCase.up[next_cp1250(utf8, i)];
        append_utf8(out, c < 0x80 ? char32_t{c} : char32_t{kCp1250[c - 0x80]});
    }
}

}  // namespace rt
