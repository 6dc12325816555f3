// The collation KVCI and the function KVUPPER on UTF-8 texts: what every SQLite connection
// of the program registers, and what the loadable extension libkvci.so offers to SQLite
// connections that others open (the SQLite ODBC driver). Depends on the core text
// functions only.
#pragma once

#include <string>
#include <string_view>

#include "platform/core/text.h"

namespace rt::sql::kvci {

inline bool is_ascii(std::string_view s) {
    for (unsigned char c : s)
        if (c & 0x80) return false;
    return true;
}

// The texts compared by their CP1250 form as rt::compare_nocase compares them (letters by
// their upper-case form, Č/č, Š/š, Ž/ž, Ć/ć, Đ/đ included; trailing blanks ignored).
// ASCII text is its own CP1250 form, so it needs no conversion.
inline int compare(std::string_view a, std::string_view b) {
    if (is_ascii(a) && is_ascii(b)) return rt::compare_nocase(a, b);
    return rt::compare_nocase(rt::utf8_to_cp1250(a), rt::utf8_to_cp1250(b));
}

// Upper case with the CP1250 letters.
inline std::string upper(std::string_view utf8) {
    if (is_ascii(utf8)) return rt::upper(utf8);
    return rt::cp1250_to_utf8(rt::upper(rt::utf8_to_cp1250(utf8)));
}

}  // namespace rt::sql::kvci
