#include "platform/ui/list_format.h"

#include <algorithm>
#include <cctype>

#include "platform/core/text.h"

namespace rt::ui {
namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// A number of the format grown by one digit, held at kMaxListNumber: a width or an indent
// of more digits (a damaged or hostile format file) reads as the largest one.
int AddDigit(int n, char digit) {
    const int d = digit - '0';
    return n > (kMaxListNumber - d) / 10 ? kMaxListNumber : n * 10 + d;
}

bool ReadAlign(std::string_view f, std::size_t& i, Align& align) {
    if (i >= f.size()) return false;
    switch (std::toupper(static_cast<unsigned char>(f[i]))) {
        case 'L': align = Align::Left; break;
        case 'C': align = Align::Center; break;
        case 'R': align = Align::Right; break;
        case 'D': align = Align::Decimal; break;
        default: return false;
    }
    ++i;
    return true;
}

// "(n)" after an alignment letter; anything else in the brackets reads as 0.
int ReadIndent(std::string_view f, std::size_t& i) {
    if (i >= f.size() || f[i] != '(') return 0;
    std::size_t close = f.find(')', i);
    if (close == std::string_view::npos) {
        i = f.size();
        return 0;
    }
    int n = 0;
    bool negative = false;
    for (std::size_t k = i + 1; k < close; ++k) {
        if (f[k] == '-' && k == i + 1)
            negative = true;
        else if (IsDigit(f[k]))
            n = AddDigit(n, f[k]);
    }
    i = close + 1;
    return negative ? -n : n;
}

// The text up to the next `delim`, moving past it.
std::string ReadDelimited(std::string_view f, std::size_t& i, char delim) {
    std::size_t close = f.find(delim, i + 1);
    if (close == std::string_view::npos) close = f.size();
    std::string text(f.substr(i + 1, close - i - 1));
    i = close < f.size() ? close + 1 : close;
    return text;
}

char AlignLetter(Align a) {
    switch (a) {
        case Align::Center: return 'C';
        case Align::Right: return 'R';
        case Align::Decimal: return 'D';
        default: return 'L';
    }
}

std::string Aligned(Align a, int indent) {
    return std::string(1, AlignLetter(a)) + "(" + std::to_string(indent) + ")";
}

}  // namespace

std::string ListFormat(std::span<const ListColumn> columns) {
    std::string out;
    for (const ListColumn& c : columns) {
        out += std::to_string(c.width) + Aligned(c.align, c.indent);
        if (c.right_border) out += '|';
        if (c.resizable) out += 'M';
        if (c.colored) out += '*';
        out += '~' + utf8_to_cp1250(c.heading) + '~';
        if (c.heading_align != Align::Left || c.heading_indent != 0)
            out += Aligned(c.heading_align, c.heading_indent);
        if (!c.picture.empty()) out += c.picture + '@';
    }
    return out;
}

std::vector<ListColumn> ParseListFormat(std::string_view f) {
    std::vector<ListColumn> columns;
    std::size_t i = 0;
    bool after_group = false;  // between "]" and the next column: the group's own modifiers
    while (i < f.size()) {
        char c = f[i];
        if (IsDigit(c)) {
            ListColumn col{.indent = 0, .right_border = false, .resizable = false, .begin = i};
            while (i < f.size() && IsDigit(f[i])) col.width = AddDigit(col.width, f[i++]);
            if (ReadAlign(f, i, col.align)) col.indent = ReadIndent(f, i);
            columns.push_back(std::move(col));
            after_group = false;
            continue;
        }
        ListColumn* col = columns.empty() || after_group ? nullptr : &columns.back();
        switch (c) {
            case '[': ++i; break;
            case ']':
                after_group = true;
                ++i;
                break;
            case '~': {
                std::string heading = ReadDelimited(f, i, '~');
                Align align = Align::Left;
                int indent = 0;
                std::size_t at = i;
                if (ReadAlign(f, at, align)) {
                    i = at;
                    indent = ReadIndent(f, i);
                }
                if (col) {
                    col->heading = std::move(heading);
                    col->heading_align = align;
                    col->heading_indent = indent;
                }
                break;
            }
            case '@': {
                std::string picture = ReadDelimited(f, i, '@');
                if (col) col->picture = "@" + picture;
                break;
            }
            case '#': ReadDelimited(f, i, '#'); break;  // field number
            case '(': ReadIndent(f, i); break;          // a modifier's argument
            case '|':
                if (col) col->right_border = true;
                ++i;
                break;
            case 'M':
            case 'm':
                if (col) col->resizable = true;
                ++i;
                break;
            case '*':
                if (col) col->colored = true;
                ++i;
                break;
            default: ++i; break;  // other modifiers
        }
    }
    return columns;
}

std::string WithColumnWidth(std::string_view format, int column, int width) {
    const auto cols = ParseListFormat(format);
    if (column < 1 || column > static_cast<int>(cols.size())) return std::string(format);
    const std::size_t begin = cols[column - 1].begin;
    std::size_t digits = begin;
    while (digits < format.size() && IsDigit(format[digits])) ++digits;
    return std::string(format.substr(0, begin)) + std::to_string(std::clamp(width, 1, kMaxListNumber)) +
           std::string(format.substr(digits));
}

}  // namespace rt::ui
