// A report laid out into pages: what each page shows, in millimetres from the page's
// top-left corner, ready to be drawn on any device (preview, printer, PDF).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/report/resource.h"

namespace rt::report {

struct Item {
    Kind kind = Kind::String;  // String for every text; Field is never used here
    double x = 0, y = 0, w = -1, h = -1;
    std::string text;  // a text (CP1250); Rtf: the RTF
    Font font;
    Align align = Align::Left;
    std::int32_t fill = -1, pen = 0;
    double pen_width = 0.2;
    // Image: the file's bytes as they were when the band printed (null: no image), or a
    // vector drawing in `children` scaled from child_w x child_h into the item's box.
    std::shared_ptr<const std::string> image;
    std::string image_name;
    std::vector<Item> children;
    double child_w = 0, child_h = 0;
    // Texts of page totals are filled in once the report is finished.
    Total page_total = Total::None;
    std::string picture;
};

struct Page {
    std::vector<Item> items;
};

// The document information a PDF carries (UTF-8).
struct DocumentInfo {
    std::string title, author, subject, keywords, creator, program;
};

struct Document {
    std::string title;
    double width = 210, height = 297;  // millimetres, as the page is printed
    bool landscape = false;
    std::vector<Page> pages;
};

}  // namespace rt::report
