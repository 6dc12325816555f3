#include "platform/core/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

// The bytes 80h-FFh that CP1250 defines, in order, and the same characters as UTF-8.
std::string defined_cp1250_high_bytes() {
    std::string s;
    for (int b = 0x80; b <= 0xFF; ++b)
        if (b != 0x81 && b != 0x83 && b != 0x88 && b != 0x90 && b != 0x98) s += static_cast<char>(b);
    return s;
}

const char* const kCp1250HighAsUtf8 =
    "€‚„…†‡‰Š‹ŚŤŽŹ‘’“”•–—™š›śťžź\u00A0ˇ˘Ł¤Ą¦§¨©Ş«¬\u00AD®Ż°±˛ł´µ¶·¸ąş»Ľ˝ľżŔÁÂĂÄĹĆÇČÉĘËĚÍÎĎĐŃŇÓÔ"
    "ŐÖ×ŘŮÚŰÜÝŢßŕáâăäĺćçčéęëěíîďđńňóôőö÷řůúűüýţ˙";

std::string utf8_of(char32_t cp) {
    std::string out;
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
    return out;
}

std::string bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) s += static_cast<char>(b);
    return s;
}

TEST(CodePageTest, Cp1250HighBytesAsUtf8) {
    EXPECT_EQ(rt::cp1250_to_utf8(defined_cp1250_high_bytes()), kCp1250HighAsUtf8);
    EXPECT_EQ(rt::utf8_to_cp1250(kCp1250HighAsUtf8), defined_cp1250_high_bytes());
}

TEST(CodePageTest, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(rt::utf8_to_cp1250(rt::cp1250_to_utf8(all)), all);
    // Each byte on its own too, and ASCII stays one byte.
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        const std::string utf8 = rt::cp1250_to_utf8(one);
        EXPECT_EQ(rt::utf8_to_cp1250(utf8), one) << b;
        if (b < 0x80) { EXPECT_EQ(utf8, one); }
    }
}

TEST(CodePageTest, Utf8WithoutCp1250FormOrInvalidGivesQuestionMarks) {
    EXPECT_EQ(rt::utf8_to_cp1250("čćžšđ ČĆŽŠĐ"),
              bytes({0xE8, 0xE6, 0x9E, 0x9A, 0xF0, ' ', 0xC8, 0xC6, 0x8E, 0x8A, 0xD0}));
    EXPECT_EQ(rt::utf8_to_cp1250("a日b"), "a?b");
    EXPECT_EQ(rt::utf8_to_cp1250("x\U0001F600y"), "x?y");             // four-byte sequence
    EXPECT_EQ(rt::utf8_to_cp1250(bytes({'a', 0x80, 'b'})), "a?b");    // stray continuation
    EXPECT_EQ(rt::utf8_to_cp1250(bytes({0xC0, 0xAF})), "??");         // overlong "/"
    EXPECT_EQ(rt::utf8_to_cp1250(bytes({0xE2, 0x82})), "??");         // cut short
    EXPECT_EQ(rt::utf8_to_cp1250(bytes({0xED, 0xA0, 0x80})), "???");  // surrogate
    EXPECT_EQ(rt::utf8_to_cp1250(bytes({0xF5, 0x80, 0x80, 0x80})), "????");
    EXPECT_EQ(rt::utf8_to_cp1250(bytes({0xFF, 'z'})), "?z");
}

// Unicode code points of the 852 code page, bytes 80h-FFh.
constexpr char32_t kOem852[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x016F, 0x0107, 0x00E7, 0x0142, 0x00EB, 0x0150, 0x0151, 0x00EE,
    0x0179, 0x00C4, 0x0106, 0x00C9, 0x0139, 0x013A, 0x00F4, 0x00F6, 0x013D, 0x013E, 0x015A, 0x015B, 0x00D6,
    0x00DC, 0x0164, 0x0165, 0x0141, 0x00D7, 0x010D, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x0104, 0x0105, 0x017D,
    0x017E, 0x0118, 0x0119, 0x00AC, 0x017A, 0x010C, 0x015F, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x00C1, 0x00C2, 0x011A, 0x015E, 0x2563, 0x2551, 0x2557, 0x255D, 0x017B, 0x017C, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x0102, 0x0103, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x00A4, 0x0111, 0x0110, 0x010E, 0x00CB, 0x010F, 0x0147, 0x00CD, 0x00CE, 0x011B, 0x2518, 0x250C,
    0x2588, 0x2584, 0x0162, 0x016E, 0x2580, 0x00D3, 0x00DF, 0x00D4, 0x0143, 0x0144, 0x0148, 0x0160, 0x0161,
    0x0154, 0x00DA, 0x0155, 0x0170, 0x00FD, 0x00DD, 0x0163, 0x00B4, 0x00AD, 0x02DD, 0x02DB, 0x02C7, 0x02D8,
    0x00A7, 0x00F7, 0x00B8, 0x00B0, 0x00A8, 0x02D9, 0x0171, 0x0158, 0x0159, 0x25A0, 0x00A0,
};

TEST(CodePageTest, Oem852ToCp1250) {
    EXPECT_EQ(rt::oem852_to_cp1250(bytes({0x9F})), bytes({0xE8}));  // č
    EXPECT_EQ(rt::oem852_to_cp1250(bytes({0xAC, 0x86, 0x8F, 0xE7, 0xE6, 0xA7, 0xA6, 0xD0, 0xD1})),
              bytes({0xC8, 0xE6, 0xC6, 0x9A, 0x8A, 0x9E, 0x8E, 0xF0, 0xD0}));  // Č ć Ć š Š ž Ž đ Đ
    EXPECT_EQ(rt::oem852_to_cp1250("Stan 12/a"), "Stan 12/a");
    // Every character of the code page reaches the same character in CP1250; box drawing,
    // shades and blocks, which CP1250 lacks, become plain ASCII look-alikes.
    for (int b = 0x80; b <= 0xFF; ++b) {
        const char32_t cp = kOem852[b - 0x80];
        const std::string got = rt::oem852_to_cp1250(std::string(1, static_cast<char>(b)));
        ASSERT_EQ(got.size(), 1u);
        if (cp >= 0x2500 && cp < 0x2600) {
            EXPECT_NE(std::string("+-|#").find(got[0]), std::string::npos) << std::hex << b;
        } else {
            EXPECT_EQ(rt::cp1250_to_utf8(got), utf8_of(cp)) << std::hex << b;
        }
    }
}

TEST(CaseTest, Cp1250Letters) {
    const std::string small = rt::utf8_to_cp1250("čćžšđ");
    const std::string capital = rt::utf8_to_cp1250("ČĆŽŠĐ");
    EXPECT_EQ(rt::upper(small), capital);
    EXPECT_EQ(rt::lower(capital), small);
    EXPECT_EQ(rt::cp1250_to_utf8(rt::upper(rt::utf8_to_cp1250("abc xyz ąęłńóśźż ľĺŕťďňěřůűőâăîşţ"))),
              "ABC XYZ ĄĘŁŃÓŚŹŻ ĽĹŔŤĎŇĚŘŮŰŐÂĂÎŞŢ");
    EXPECT_EQ(rt::cp1250_to_utf8(rt::lower(rt::utf8_to_cp1250("ÁÄÇÉËÍÓÖÚÜÝ"))), "áäçéëíóöúüý");
    // No single-byte partner: unchanged.
    EXPECT_EQ(rt::cp1250_to_utf8(rt::upper(rt::utf8_to_cp1250("ßµ×÷1-"))), "ßµ×÷1-");
    EXPECT_EQ(rt::cp1250_to_utf8(rt::lower(rt::utf8_to_cp1250("×÷"))), "×÷");
}

TEST(CaseTest, PairsAreConsistent) {
    int pairs = 0;
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const char u = rt::upper_char(c);
        if (u != c) {
            ++pairs;
            EXPECT_EQ(rt::lower_char(u), c) << b;
            EXPECT_EQ(rt::upper_char(u), u) << b;
        }
        const char l = rt::lower_char(c);
        if (l != c) { EXPECT_EQ(rt::upper_char(l), c) << b; }
    }
    EXPECT_EQ(pairs, 26 + 10 + 30);  // A-Z, ten pairs in 8Ah-BFh, C0h-DEh without D7h
}

TEST(TextTest, ClipLeftRightCenter) {
    EXPECT_EQ(rt::clip("ab  "), "ab");
    EXPECT_EQ(rt::clip("  ab"), "  ab");
    EXPECT_EQ(rt::clip("   "), "");
    EXPECT_EQ(rt::left("   1234,50"), "1234,50   ");
    EXPECT_EQ(rt::left("   1234,50", 10), "1234,50   ");
    EXPECT_EQ(rt::left("  abc", 2), "ab");
    EXPECT_EQ(rt::clip(rt::left("      0,00", 10)), "0,00");
    EXPECT_EQ(rt::right("ab  "), "  ab");
    EXPECT_EQ(rt::right("ab"), "ab");
    EXPECT_EQ(rt::center("ab", 6), "  ab  ");
    EXPECT_EQ(rt::center("  ab ", 5), " ab  ");
    EXPECT_EQ(rt::center("abcdef", 4), "abcd");
    EXPECT_EQ(rt::center("", 3), "   ");
}

TEST(TextTest, OneBasedSlicing) {
    const std::string s = "D:\\PODACI\\BLOK7";
    EXPECT_EQ(rt::sub(s, 1, 2), "D:");
    EXPECT_EQ(rt::sub(s, 11, 5), "BLOK7");
    EXPECT_EQ(rt::sub(s, 11, 50), "BLOK7");  // cut at the end
    EXPECT_EQ(rt::sub(s, 16, 1), "");
    EXPECT_EQ(rt::sub(s, 3, 0), "");
    EXPECT_EQ(rt::sub(s, 3, -2), "");
    // Starts of 0 and below count again from the end.
    EXPECT_EQ(rt::sub(s, 0, 1), "7");
    EXPECT_EQ(rt::sub(s, -1, 2), "K7");
    EXPECT_EQ(rt::sub(s, -15, 1), "");
    EXPECT_EQ(rt::sub("", 1, 1), "");

    EXPECT_EQ(rt::slice(s, 11, 14), "BLOK");
    EXPECT_EQ(rt::slice(s, 0, 2), "D:");
    EXPECT_EQ(rt::slice(s, 14, 99), "K7");
    EXPECT_EQ(rt::slice(s, 5, 4), "");
    EXPECT_EQ(rt::at(s, 1), "D");
    EXPECT_EQ(rt::at(s, 15), "7");
    EXPECT_EQ(rt::at(s, 0), "");
    EXPECT_EQ(rt::at(s, 16), "");
}

TEST(TextTest, FixedAndCstringAssignment) {
    EXPECT_EQ(rt::fixed("abc", 5), "abc  ");
    EXPECT_EQ(rt::fixed("abcdef", 3), "abc");
    EXPECT_EQ(rt::fixed("", 2), "  ");
    EXPECT_EQ(rt::cstring("abcdef", 4), "abc");
    EXPECT_EQ(rt::cstring("ab ", 6), "ab ");
    EXPECT_EQ(rt::cstring(std::string("ab\0cd", 5), 10), "ab");
    EXPECT_EQ(rt::cstring("abc", 1), "");
    EXPECT_EQ(rt::cstring("abc", 0), "");
}

TEST(TextTest, InstringAndAll) {
    EXPECT_EQ(rt::instring("ODR", "ODRZAVANJE"), 1);
    EXPECT_EQ(rt::instring("ODR", "VODA ODR"), 6);
    EXPECT_EQ(rt::instring("ODR", "VODA"), 0);
    EXPECT_EQ(rt::instring("", "VODA"), 0);
    EXPECT_EQ(rt::instring("VODA ODR X", "VODA"), 0);
    EXPECT_EQ(rt::instring("a", "banana", 1, 3), 4);
    EXPECT_EQ(rt::instring("an", "banana", 2, 2), 2);
    EXPECT_EQ(rt::instring("na", "banana", 2, 2), 0);  // positions 2, 4, 6 hold "an", "an", "a"
    EXPECT_EQ(rt::instring("a", "banana", 0, 1), 2);   // step 0 counts as 1

    EXPECT_EQ(rt::all("-", 5), "-----");
    EXPECT_EQ(rt::all("ab", 5), "ababa");
    EXPECT_EQ(rt::all("", 3), "   ");
    EXPECT_EQ(rt::all("ab", 0), "");
}

TEST(TextTest, Comparisons) {
    EXPECT_TRUE(rt::equal_clipped("Da", "Da   "));
    EXPECT_TRUE(rt::equal_clipped("Stan  ", "Stan"));
    EXPECT_FALSE(rt::equal_clipped("Da", "da"));
    EXPECT_FALSE(rt::equal_clipped(" Da", "Da"));
    EXPECT_TRUE(rt::equal_clipped("", "   "));

    const std::string cap = rt::utf8_to_cp1250("ČAČAK ");
    const std::string small = rt::utf8_to_cp1250("čačak");
    EXPECT_EQ(rt::compare_nocase(cap, small), 0);
    EXPECT_TRUE(rt::equal_nocase(cap, small));
    EXPECT_LT(rt::compare_nocase("abc", "ABD"), 0);
    EXPECT_GT(rt::compare_nocase("abd", "ABC"), 0);
    EXPECT_LT(rt::compare_nocase("ab", "abc"), 0);
    EXPECT_GT(rt::compare_nocase("abc", "ab  "), 0);
}

// Names sort as the Serbian Latin alphabet has them, whatever the case of their letters.
TEST(TextTest, NocaseOrderFollowsTheSerbianAlphabet) {
    // In order; sorted from the reverse order they must come back so.
    const char* expected[] = {
        "1. sprat", "Adamović", "Bojić", "Cvijić", "Čačak",  "čvor",    "Ćana",     "Ćirić",
        "Ćuk",      "Dabić",    "dz",    "Džonić", "DŽUDŽA", "Đaković", "đurić",    "Ema",
        "Lazić",    "Ljubić",   "Lukić", "Njegoš", "Nož",    "Sava",    "sz",       "Šabac",
        "Šid",      "Tesla",    "Zeta",  "zvono",  "Žabalj", "žuč",     "[oznaka]",
    };
    std::vector<std::string> want, sorted;
    for (const char* s : expected) want.push_back(rt::utf8_to_cp1250(s));
    sorted.assign(want.rbegin(), want.rend());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const std::string& a, const std::string& b) { return rt::compare_nocase(a, b) < 0; });
    EXPECT_EQ(sorted, want);

    // Pairs: (lower, higher). Other accented letters come right after their base letter.
    const std::pair<const char*, const char*> pairs[] = {
        {"C", "Č"}, {"Cz", "Č"}, {"Č", "Ć"}, {"Ć", "D"}, {"Dz", "Dž"}, {"Dž", "Đ"}, {"Dža", "Đa"},
        {"S", "Š"}, {"Sz", "Š"}, {"Š", "T"}, {"Z", "Ž"}, {"Zz", "Ž"},  {"A", "Ä"},  {"Ä", "B"},
        {"O", "Ö"}, {"Ö", "P"},  {"U", "Ü"}, {"Ü", "V"}, {"Ž", "_"},
    };
    for (const auto& [lo, hi] : pairs) {
        const std::string a = rt::utf8_to_cp1250(lo), b = rt::utf8_to_cp1250(hi);
        EXPECT_LT(rt::compare_nocase(a, b), 0) << lo << " < " << hi;
        EXPECT_GT(rt::compare_nocase(b, a), 0) << hi << " > " << lo;
        EXPECT_LT(rt::compare_nocase(rt::lower(a), rt::upper(b)), 0) << lo << " < " << hi << " in any case";
    }
    // Equal exactly when the upper-case forms are: every byte against every byte.
    for (int x = 1; x < 256; ++x)
        for (int y = 1; y < 256; ++y) {
            const std::string a(1, static_cast<char>(x)), b(1, static_cast<char>(y));
            ASSERT_EQ(rt::compare_nocase(a, b) == 0, rt::upper(a) == rt::upper(b)) << x << " " << y;
            ASSERT_EQ(rt::compare_nocase(a, b), -rt::compare_nocase(b, a)) << x << " " << y;
        }
}

// The UTF-8 forms the SQLite store uses (its collation, KVUPPER, KVINSTR) give what the
// CP1250 forms give, without converting: invalid bytes and characters the code page lacks
// count as "?" in both.
TEST(TextTest, Utf8FormsAgreeWithTheCodePageForms) {
    const std::string texts[] = {"",
                                 "a",
                                 "A",
                                 "Čačak",
                                 "čačak  ",
                                 "ČAČAK",
                                 "Đorđe Živković",
                                 "dž",
                                 "DŽ",
                                 "zz",
                                 "Šid",
                                 "Müller",
                                 "Ж",
                                 "a\xC3",
                                 "\xFF\xFEx",
                                 "?",
                                 "a?b",
                                 "ß",
                                 "€ 5",
                                 "Petrović Čedomir",
                                 "PETROVIĆ"};
    for (const std::string& a : texts) {
        const std::string ca = rt::utf8_to_cp1250(a);
        std::string up;
        rt::upper_utf8(a, up);
        EXPECT_EQ(up, rt::cp1250_to_utf8(rt::upper(ca))) << a;
        for (const std::string& b : texts) {
            const int want = rt::compare_nocase(ca, rt::utf8_to_cp1250(b));
            EXPECT_EQ(rt::compare_nocase_utf8(a, b), want) << a << " / " << b;
        }
    }
    struct Find {
        const char* hay;
        const char* needle;  // upper case, as a locator's filter passes it
        long at;
    };
    const Find finds[] = {{"Petrović Čedomir", "ČED", 10},
                          {"Petrović Čedomir", "VIĆ", 6},
                          {"petrović", "PETROVIĆ", 1},
                          {"Petrović", "VIC", 0},
                          {"Ж x", "X", 3},
                          {"Ж x", "Ж", 0},
                          {"a?b", "?", 2},
                          {"", "A", 0}};
    for (const Find& f : finds)
        EXPECT_EQ(rt::find_in_upper_utf8(f.hay, f.needle), f.at) << f.hay << " / " << f.needle;
    EXPECT_EQ(rt::find_in_upper_utf8("Petrović", "TRO"), 3);  // a second needle
}

// What an entry takes of a typed or pasted text: control characters out (a line break as
// one blank), accents composed where CP1250 has the letter, the rest of CP1250 kept, and
// every character it cannot hold left out and counted.
TEST(TextTest, EntryTextKeepsWhatCp1250HoldsAndCountsWhatItLeavesOut) {
    struct Case {
        std::string utf8;
        const char* taken;  // UTF-8
        std::size_t left_out;
    };
    const Case cases[] = {
        {"A\tB\nC\rD\x7f"
         "E\x1b"
         "F",
         "AB C DEF", 0},
        {"Prvi red\r\nDrugi red\n", "Prvi red Drugi red ", 0},
        {std::string("Ana\0Marija", 10), "AnaMarija", 0},
        {"\xC2\x85x\xE2\x80\xA8y\xE2\x80\xA9z", " x y z", 0},  // U+0085, U+2028, U+2029
        {"\xC2\x81\xC2\x9F"
         "a",
         "a", 0},  // C1 controls
        {"c\xCC\x8C"
         "esma",
         "česma", 0},  // c + caron
        {"C\xCC\x8C"
         "S\xCC\x8CZ\xCC\x8C"
         "c\xCC\x81",
         "ČŠŽć", 0},
        {"Z\xCC\x87 o\xCC\x8B u\xCC\x8A a\xCC\xA8 t\xCC\xA7", "Ż ő ů ą ţ", 0},
        {"n\xCC\x83", "n", 1},          // ñ is no CP1250 letter
        {"c\xCC\x8C\xCC\x81", "č", 1},  // a second accent
        {"\xCC\x8C"
         "a",
         "a", 1},  // an accent on nothing
        {"Žuta Кућа", "Žuta ", 4},
        {"中文 ok", " ok", 2},
        {"emoji \xF0\x9F\x98\x80", "emoji ", 1},
        {"\xE2\x80\x8F"
         "abc\xE2\x80\x8E",
         "abc", 2},  // direction marks
        {"€ „navodnici“ – đ Đ ß", "€ „navodnici“ – đ Đ ß", 0},
        {"bad \xFF byte", "bad  byte", 1},  // an invalid byte is no character
        {"", "", 0},
    };
    for (const Case& c : cases) {
        const rt::EntryText t = rt::entry_text(c.utf8);
        EXPECT_EQ(rt::cp1250_to_utf8(t.cp1250), c.taken) << c.utf8;
        EXPECT_EQ(t.left_out, c.left_out) << c.utf8;
    }
}

}  // namespace
