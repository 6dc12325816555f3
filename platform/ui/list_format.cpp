#include "platform/ui/list_format.h"

#include "platform/core/text.h"

namespace rt::ui {
namespace {

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
        out += '~' + utf8_to_cp1250(c.heading) + '~';
        if (c.heading_align != Align::Left || c.heading_indent != 0)
            out += Aligned(c.heading_align, c.heading_indent);
        if (!c.picture.empty()) out += c.picture + '@';
    }
    return out;
}

}  // namespace rt::ui
