// The collation KVCI and the functions KVUPPER and KVINSTR on UTF-8 texts: what every SQLite connection
// of the program registers, and what the loadable extension libkvci.so offers to SQLite
// connections that others open (the SQLite ODBC driver). Depends on the core text
// functions only.
#pragma once

#include <string>
#include <string_view>

#include "platform/core/text.h"

struct sqlite3;

namespace rt::sql::kvci {

// Registers KVCI, KVUPPER and KVINSTR on the connection (kvci.cpp): SQLITE_OK, or the
// code of the registration that failed.
int Register(sqlite3* db);

inline bool is_ascii(std::string_view s) {
    for (unsigned char c : s)
        if (c & 0x80) return false;
    return true;
}

// The texts compared by their CP1250 form as rt::compare_nocase compares them (letters by
// their upper-case form, Č/č, Š/š, Ž/ž, Ć/ć, Đ/đ included; trailing blanks ignored).
// ASCII text is its own CP1250 form, so it needs no conversion.
inline int compare(std::string_view a, std::string_view b) { return rt::compare_nocase_utf8(a, b); }

// Upper case with the CP1250 letters.
inline std::string upper(std::string_view utf8) {
    std::string out;
    rt::upper_utf8(utf8, out);
    return out;
}

// KVINSTR(hay, needle): INSTR(KVUPPER(hay), needle), the 1-based position in characters
// (0 when absent), without a text result for SQLite to copy: the test of every row of a
// locator's filter.
inline long instr_upper(std::string_view hay, std::string_view needle) {
    return rt::find_in_upper_utf8(hay, needle);
}

}  // namespace rt::sql::kvci
