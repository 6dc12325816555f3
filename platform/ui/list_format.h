// The columns of a list control and their format text: per column a width in dialog units,
// an alignment letter with an optional indent, modifiers, a heading between "~" with its own
// alignment, and a picture between "@", e.g. "35L(2)|M~Sifra~C(0)@s7@".
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rt::ui {

enum class Align { Left, Center, Right, Decimal };

// The largest width or indent a format gives a column (dialog units); more digits read as
// this.
inline constexpr int kMaxListNumber = 32767;

// One column. The defaults are the columns windows declare: left aligned with an indent of
// 2, a right border, resizable, the heading aligned as the runtime does by default.
struct ListColumn {
    int width = 0;  // dialog units
    Align align = Align::Left;
    int indent = 2;
    std::string heading = {};  // CP1250 as read from a format; UTF-8 when given to ListFormat
    Align heading_align = Align::Left;
    int heading_indent = 0;
    std::string picture = {};  // "@s7", without the closing "@"
    bool right_border = true;
    bool resizable = true;
    bool colored = false;   // "*": the cells show the colours the rows give them
    std::size_t begin = 0;  // where the column starts in the format it was read from (its width)
};

// The columns of a format text in order. A group's brackets "[...]" and the group's own
// heading and modifiers after "]" make no column; an empty or unreadable text gives none.
std::vector<ListColumn> ParseListFormat(std::string_view format);
// The format text with column `column` (1-based) given a new width.
std::string WithColumnWidth(std::string_view format, int column, int width);

// The format text of the columns, headings given in UTF-8 and written in CP1250. A heading
// aligned otherwise than left without indent carries its alignment ("~Sifra~C(0)").
std::string ListFormat(std::span<const ListColumn> columns);

}  // namespace rt::ui
