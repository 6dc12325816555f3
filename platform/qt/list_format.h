// The columns of a list control, read from its format text: per column a width in dialog
// units, an alignment letter with an optional indent, modifiers, a heading between "~"
// with its own alignment, and a picture between "@", e.g. "35L(2)|M~Sifra~C(0)@s7@".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rt::qt {

enum class Align { Left, Center, Right, Decimal };

struct ListColumn {
    int width = 0;  // dialog units
    Align align = Align::Left;
    int indent = 0;
    std::string heading;  // CP1250, as written
    Align heading_align = Align::Left;
    int heading_indent = 0;
    std::string picture;  // "@s7" without the closing "@"
    bool right_border = false;
    bool resizable = false;
    bool colored = false;  // "*": the cells show the colours the rows give them
};

// The columns in order. Group brackets "[...]" and the group's own heading are left out;
// an empty or unreadable text gives no columns.
std::vector<ListColumn> ParseListFormat(std::string_view format);

}  // namespace rt::qt
