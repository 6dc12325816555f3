// Text in the program's code page (CP1250) and the text functions procedures use.
// All functions take and return CP1250 bytes unless their name says UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace rt {

// Code-page conversion at the edges (GUI, SQLite, PDF, QR text).
// The five bytes CP1250 leaves undefined (81, 83, 88, 90, 98) become the control
// characters U+0081 ... U+0098, so that they come back unchanged.
std::string cp1250_to_utf8(std::string_view cp1250);
// Characters without a CP1250 form become '?'; invalid UTF-8 bytes too.
std::string utf8_to_cp1250(std::string_view utf8);
// What an entry takes of a text typed or pasted (UTF-8), in CP1250: a letter followed
// by a combining accent is composed first (NFC) where CP1250 has the accented letter
// (c + U+030C is č); a line break (CR, LF, CR LF, U+2028, U+2029, U+0085) becomes one
// blank; other control characters (NUL, TAB, ESC, DEL, C1) are dropped. Characters that
// CP1250 cannot hold are dropped too and counted in `left_out`.
struct EntryText {
    std::string cp1250;
    std::size_t left_out = 0;
};
EntryText entry_text(std::string_view utf8);
// The DOS code page of the previous program's ledger files (Latin-2, 852) to CP1250.
std::string oem852_to_cp1250(std::string_view oem);

// CLIP: the text without trailing blanks.
std::string clip(std::string_view s);
// UPPER / LOWER with the CP1250 letters (č -> Č, š -> Š, ž -> Ž, ć -> Ć, đ -> Đ, ...).
std::string upper(std::string_view s);
std::string lower(std::string_view s);
char upper_char(char c);
char lower_char(char c);
// LEFT: leading blanks removed, the text kept at its length (blank-padded at the end).
std::string left(std::string_view s);
// LEFT(s, n): leading blanks removed, then blank-padded or cut to n.
std::string left(std::string_view s, std::size_t n);
// RIGHT(s): trailing blanks moved to the front, length kept.
std::string right(std::string_view s);
// CENTER(s, n)
std::string center(std::string_view s, std::size_t n);
// SUB(s, start, length): 1-based slicing, cut at the end of the text. A start of 0 or
// below counts again from the end: 0 is the last character, -1 the one before it; a
// start that still lies before the text, or a length below 1, gives "".
std::string sub(std::string_view s, long start, long length);
// s[from : to], 1-based, inclusive; positions outside the text are clamped to it.
std::string slice(std::string_view s, long from, long to);
// The character at 1-based position i, or "" outside the text.
std::string at(std::string_view s, long i);
// Blank-pad or cut to exactly n bytes (STRING(n) assignment).
std::string fixed(std::string_view s, std::size_t n);
// Cut to at most n-1 bytes and at the first NUL (CSTRING(n) assignment).
std::string cstring(std::string_view s, std::size_t n);
// INSTRING(sub, s, step=1, start=1): 1-based position of sub in s, 0 when absent (or
// when sub is empty). Positions start, start + step, ... are tried; a step below 1
// counts as 1.
long instring(std::string_view needle, std::string_view hay, long step = 1, long start = 1);
// ALL(s, n): s repeated to n bytes (n blanks for an empty s).
std::string all(std::string_view s, std::size_t n);
// Comparison the billing uses: exact, trailing blanks ignored.
bool equal_clipped(std::string_view a, std::string_view b);
// Case-insensitive comparison with the CP1250 letters folded, trailing blanks ignored;
// <0, 0, >0. Letters compare by their upper-case form in the order of the Serbian Latin
// alphabet (C < Č < Ć < D < Dž < Đ, S < Š, Z < Ž; other accented letters after their
// base letter); equal exactly when the upper-case forms are equal.
int compare_nocase(std::string_view a, std::string_view b);
bool equal_nocase(std::string_view a, std::string_view b);
// The same on UTF-8 texts, as if both were converted to CP1250 first (the collation of
// the SQLite store), without converting them.
int compare_nocase_utf8(std::string_view a, std::string_view b);
// UPPER of a UTF-8 text into `out` (UTF-8), as if it went through CP1250.
void upper_utf8(std::string_view utf8, std::string& out);
// The 1-based position (in characters) of `needle` in the upper-case form of `hay`, both
// UTF-8, as if both went through CP1250; 0 when absent.
long find_in_upper_utf8(std::string_view hay, std::string_view needle);

}  // namespace rt
