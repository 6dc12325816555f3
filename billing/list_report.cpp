#include "billing/list_report.h"

namespace kvadrin {

using namespace rt::report;

Control ListValue(const ListColumns& columns, std::string label, int i, double y, std::string use,
                  std::string picture, const Font& font) {
    const auto at = static_cast<std::size_t>(i);
    const double left = columns.lines[at] + columns.pad, right = columns.lines[at + 1] - columns.pad;
    const bool text = picture.size() > 1 && (picture[1] == 's' || picture[1] == 'S');
    return Sized(Field(std::move(label), left, y, std::move(use), std::move(picture), font), right - left, -1,
                 text ? Align::Left : Align::Right);
}

Control ListSum(const ListColumns& columns, std::string label, int i, double y, std::string use,
                std::string picture, const Font& font) {
    Control sum = ListValue(columns, std::move(label), i, y, std::move(use), std::move(picture), font);
    sum.total = Total::Sum;
    sum.tally = "?DETAIL";
    sum.reset = Reset::Break;
    return sum;
}

void ListLines(const ListColumns& columns, double y, double h, std::vector<Control>& out) {
    for (double x : columns.lines) out.push_back(LineCtl(x, y, 0, h));
}

void ListHeads(const ListColumns& columns, double y, std::span<const char* const> heads, const Font& font,
               std::vector<Control>& out) {
    const double width = columns.lines.back() - columns.lines.front();
    out.push_back(BoxCtl(columns.lines.front(), y, width, 6, 0xEEEEEE));
    ListLines(columns, y, 6, out);
    for (std::size_t i = 0; i < heads.size() && i + 1 < columns.lines.size(); ++i)
        out.push_back(Sized(Text("", columns.lines[i], y + 1.5, heads[i], font),
                            columns.lines[i + 1] - columns.lines[i], -1, Align::Center));
}

Band PageNumberFooter(double y, double w, double page_x) {
    Band b;
    b.kind = BandKind::Footer;
    b.label = "?FOOTER";
    b.x = 6, b.y = y, b.w = w, b.h = 8;
    Control page = Field("?PAGECOUNT", page_x, 1, "", "@pStrana <<#p", Font{"Arial", 8, 400});
    page.total = Total::Page;
    page.reset = Reset::Page;
    b.controls.push_back(page);
    return b;
}

}  // namespace kvadrin
