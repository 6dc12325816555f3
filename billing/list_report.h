// The parts the list reports (the overview of obligations, the list of tenants) build
// their pages from: framed columns between vertical lines, their heads, values and sums,
// and the page footer with the page number.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/report/resource.h"

namespace kvadrin {

// The columns of a list: the x of the lines between them (one more than the columns).
struct ListColumns {
    std::span<const double> lines;
    double pad = 1;  // a value's distance from its column's lines
};

// A value in column `i`: a text (@s) from the column's left, a number right-aligned.
rt::report::Control ListValue(const ListColumns& columns, std::string label, int i, double y, std::string use,
                              std::string picture, const rt::report::Font& font);
// The same value summed over the printed lines of ?DETAIL, from 0 again after the
// footer of its break.
rt::report::Control ListSum(const ListColumns& columns, std::string label, int i, double y, std::string use,
                            std::string picture, const rt::report::Font& font);
// The vertical lines of the columns, `h` high from `y`.
void ListLines(const ListColumns& columns, double y, double h, std::vector<rt::report::Control>& out);
// The heads centred in their columns in a grey box at `y` (6 mm high), with the lines.
void ListHeads(const ListColumns& columns, double y, std::span<const char* const> heads,
               const rt::report::Font& font, std::vector<rt::report::Control>& out);
// The page footer at (6, y) with "Strana n" at page_x.
rt::report::Band PageNumberFooter(double y, double w, double page_x);

}  // namespace kvadrin
