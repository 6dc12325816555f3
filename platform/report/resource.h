// Report resources: declarative descriptions of printed reports, as the procedures'
// modules declare them beside their windows. A report is a page with a page header and a
// page footer, a detail area, and bands the procedure prints into it; positions and sizes
// are in millimetres, a band's controls relative to the band.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rt::report {

struct Font {
    std::string face = "Arial";
    double size = 10;  // points
    int weight = 400;  // 400 normal, 700 bold
    bool italic = false;
    bool underline = false;
    std::int32_t color = 0;  // 00BBGGRRh
};

enum class Kind {
    String,  // a fixed text
    Field,   // a variable through its picture (or a total)
    Line,    // from x, y to x + w, y + h
    Box,
    Image,  // an image file, or the vector drawing in `children`
    Rtf,    // rich text (the variable holds RTF) laid into the control's box
};

enum class Align { Left, Right, Center };

// What a field control shows instead of its variable.
enum class Total {
    None,
    Sum,    // the sum of the variable over the bands that tally it
    Count,  // how many such bands printed
    Page,   // the page number
    Pages,  // the number of pages of the report
};

// When a total starts again from 0.
enum class Reset {
    Report,  // never
    Break,   // after the footer of its band's break printed
    Page,    // at every new page
};

struct Control {
    Kind kind = Kind::String;
    std::string label;  // "?NAZIVFIRME", "?STRING21:3", ""
    double x = 0, y = 0;
    double w = -1, h = -1;  // -1: the text's own extent
    std::string text;       // String: the text (CP1250); Image: the file name
    std::string picture;    // Field: @s30, @N-12.`2 ...
    std::string use;        // Field, Rtf: the variable's name ("SPR:UKUPNO", "BROJ")
    Font font;
    Align align = Align::Left;
    std::int32_t fill = -1;  // Box: the fill colour, -1 none
    std::int32_t pen = 0;    // Line, Box: the pen colour, -1 none
    double pen_width = 0.2;  // millimetres
    Total total = Total::None;
    Reset reset = Reset::Report;
    std::string tally;                // Sum, Count: the band whose printing tallies it ("" its own band)
    std::vector<Control> children;    // Image: a vector drawing in the image's coordinates
    double child_w = 0, child_h = 0;  // the extent the children are drawn in (0: the control's size)
};

enum class BandKind { Header, Footer, Detail, GroupHeader, GroupFooter };

struct Band {
    BandKind kind = BandKind::Detail;
    std::string label;    // "?DETAIL", "?GROUPFOOTER1"
    double x = 0, y = 0;  // a fixed band's place on the page; the header's and footer's place
    double w = 0, h = 0;
    bool keep_together = true;  // a band is never split across pages
    bool fixed = false;         // printed at its own place on the page, outside the flow
    bool page_after = false;    // the next band starts a new page
    bool page_before = false;
    std::vector<Control> controls;
};

// A break of the report structure: when its variable changes between two printed bands of
// the break, its group footer is printed before the later band (and its group header
// after); at the end of the report the open group's footer is printed.
struct Break {
    std::string label;               // "?BREAK1"
    std::string variable;            // the break variable's name ("SPR:SHKORISNIKA")
    std::vector<std::string> bands;  // the labels of the bands inside the break
};

struct ReportDef {
    std::string module;  // "KVD$KVD023"
    std::string name;    // "P1$REPORT"
    std::string title;   // "SPROM Report"
    bool landscape = false;
    double paper_w = 210, paper_h = 297;                    // portrait millimetres (A4)
    double area_x = 0, area_y = 0, area_w = 0, area_h = 0;  // the detail area
    Font font;                                              // the report's own font
    std::vector<Band> bands;  // header, footer and the bands the procedure prints
    std::vector<Break> breaks;

    const Band* band(std::string_view label) const;
    const Band* header() const;
    const Band* footer() const;
};

// Controls, texts given as UTF-8 (as source files hold them) and kept in CP1250.
Control Text(std::string label, double x, double y, std::string_view text, const Font& font = {});
Control Field(std::string label, double x, double y, std::string use, std::string picture,
              const Font& font = {});
Control LineCtl(double x, double y, double w, double h, double pen_width = 0.2);
Control BoxCtl(double x, double y, double w, double h, std::int32_t fill = -1, double pen_width = 0.2);
Control ImageCtl(std::string label, double x, double y, double w, double h, std::string file = {});
Control RtfCtl(std::string label, double x, double y, double w, double h, std::string use);
// The control with its width (and height) fixed and its alignment.
Control Sized(Control c, double w, double h = -1, Align align = Align::Left);

// A module's reports by structure name.
void RegisterReport(const ReportDef& def);
const ReportDef* FindReport(const std::string& module, const std::string& name);

}  // namespace rt::report
