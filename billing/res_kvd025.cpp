// The overview of obligations' progress window and its page: the firm and the run at the
// top with the column heads, one framed line per invoice, the column totals at the end and
// the page number at the foot.
#include <string>
#include <vector>

#include "billing/kvd025_spisak_obaveza.h"
#include "billing/report_frame.h"

namespace kvadrin {
namespace {

using namespace rt::report;

const Font kFirm{"Arial", 10, 400};
const Font kTitle{"Arial", 12, 700};
const Font kRun{"Arial", 10, 700};
const Font kHead{"Arial", 7, 400};
const Font kLine{"Arial", 7, 700};

// The lines between the columns, and each column's head, value and picture.
constexpr double kLines[] = {0, 8, 18, 63, 79, 89, 106, 123, 140, 157, 175, 194};
struct Column {
    const char* head;
    const char* use;
    const char* picture;
    const char* total_picture;  // the footer's sum; null: none
};
const Column kColumns[] = {
    {"RB", "SFA:BROJSTANA", "@n3", nullptr},
    {"Stan", "SFA:BROJSTANA", "@s6", nullptr},
    {"Korisnik", "NAZ:NAZIV1", "@s30", nullptr},
    {"Površina", "KVD:POVRSINA", "@N10.`2", "@n10.2"},
    {"Osoba", "KVD:BROJOSOBA", "@N5.`2", "@n6.2"},
    {"Održavanje", "SFA:ODRZAVANJE", "@N-12.`2", "@N-12.`2"},
    {"El. energija", "SFA:STRUJA", "@N-12.`2", "@N-12.`2"},
    {"Voda", "SFA:VODA", "@N-12.`2", "@N-12.`2"},
    {"Ostalo", "SFA:OSTALO", "@N-12.`2", "@N-12.`2"},
    {"Dug od pre", "SFA:DUG", "@N-12.`2", "@N-12.`2"},
    {"Ukupno", "UKUPNO", "@N-12.`2", "@N-12.`2"},
};
constexpr int kColumnCount = 11;

// A value in column `i`: numbers right-aligned between its lines, texts from its left.
Control InColumn(std::string label, int i, double y, const char* use, const char* picture) {
    const double left = kLines[i] + 0.8, right = kLines[i + 1] - 0.8;
    const bool text = picture[1] == 's';
    return Sized(Field(std::move(label), left, y, use, picture, kLine), right - left, -1,
                 text ? Align::Left : Align::Right);
}

Band Header() {
    Band b;
    b.kind = BandKind::Header;
    b.label = "?HEADER";
    b.x = 6, b.y = 6, b.w = 194, b.h = 25;
    auto& c = b.controls;
    c.push_back(Field("?NAZIVFIRME", 1, 1, "NAZIVFIRME", "@s30", kFirm));
    c.push_back(Field("?ADRESA", 1, 6, "ADRESA", "@s30", kFirm));
    c.push_back(Field("?MESTO", 1, 11, "MESTO", "@s30", kFirm));
    c.push_back(Sized(Text("?STRING1", 76, 4, "PREGLED OBAVEZA", kTitle), 42, -1, Align::Center));
    c.push_back(Sized(Field("?OBR:NAZIV", 78, 11, "OBR:NAZIV", "@s20", kRun), 38, -1, Align::Center));
    c.push_back(BoxCtl(0, 19, 194, 6, 0xEEEEEE));
    for (double x : kLines) c.push_back(LineCtl(x, 19, 0, 6));
    for (int i = 0; i < kColumnCount; ++i)
        c.push_back(Sized(Text("", kLines[i], 20.5, kColumns[i].head, kHead), kLines[i + 1] - kLines[i], -1,
                          Align::Center));
    return b;
}

Band Detail() {
    Band b;
    b.label = "?DETAIL";
    b.w = 194, b.h = 5;
    auto& c = b.controls;
    for (double x : kLines) c.push_back(LineCtl(x, 0, 0, 5));
    c.push_back(LineCtl(0, 5, 194, 0));
    // RB: the running count of the printed lines.
    Control count = InColumn("?COUNT", 0, 1, kColumns[0].use, kColumns[0].picture);
    count.total = Total::Count;
    c.push_back(count);
    for (int i = 1; i < kColumnCount; ++i)
        c.push_back(InColumn("?" + std::string(kColumns[i].use), i, 1, kColumns[i].use, kColumns[i].picture));
    return b;
}

Band GroupFooter() {
    Band b;
    b.kind = BandKind::GroupFooter;
    b.label = "?GROUPFOOTER1";
    b.w = 194, b.h = 7;
    auto& c = b.controls;
    for (int i = 0; i < kColumnCount; ++i) {
        if (!kColumns[i].total_picture) continue;
        Control sum = InColumn("?SUM" + std::to_string(i), i, 1.5, kColumns[i].use, kColumns[i].total_picture);
        sum.total = Total::Sum;
        sum.tally = "?DETAIL";
        sum.reset = Reset::Break;
        c.push_back(sum);
    }
    return b;
}

Band Footer() {
    Band b;
    b.kind = BandKind::Footer;
    b.label = "?FOOTER";
    b.x = 6, b.y = 277, b.w = 194, b.h = 8;
    Control page = Field("?PAGECOUNT", 174, 1, "", "@pStrana <<#p", Font{"Arial", 8, 400});
    page.total = Total::Page;
    page.reset = Reset::Page;
    b.controls.push_back(page);
    return b;
}

}  // namespace

const rt::ui::WindowDef& SpisakObavezaProgressWindow() {
    static const rt::ui::WindowDef def = ProgressWindow("KVD$KVD025", "Report SFAKT");
    return def;
}

const ReportDef& SpisakObavezaReport() {
    static const ReportDef def = [] {
        ReportDef d;
        d.module = "KVD$KVD025";
        d.name = "P1$REPORT";
        d.title = "SFAKT Report";
        d.area_x = 6, d.area_y = 31, d.area_w = 194, d.area_h = 246;
        d.font = Font{"Arial", 8, 400};
        d.bands = {Header(), Detail(), GroupFooter(), Footer()};
        Break br;
        br.label = "?BREAK1";
        br.variable = "SFA:OBRACUN";
        br.bands = {"?DETAIL", "?GROUPFOOTER1"};
        d.breaks.push_back(br);
        return d;
    }();
    return def;
}

}  // namespace kvadrin
