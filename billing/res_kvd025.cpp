// The overview of obligations' progress window and its page: the firm and the run at the
// top with the column heads, one framed line per invoice, the column totals at the end and
// the page number at the foot.
#include <string>
#include <vector>

#include "billing/kvd025_spisak_obaveza.h"
#include "billing/list_report.h"
#include "billing/report_frame.h"

namespace kvadrin {
namespace {

using namespace rt::report;

const Font kFirm{"Arial", 10, 400};
const Font kTitle{"Arial", 12, 700};
const Font kRun{"Arial", 10, 700};
const Font kHead{"Arial", 7, 400};
const Font kLine{"Arial", 7, 700};

// The lines between the columns, each column's value and pictures, and the heads.
constexpr double kLines[] = {0, 8, 18, 63, 79, 89, 106, 123, 140, 157, 175, 194};
struct Column {
    const char* use;
    const char* picture;
    const char* total_picture;  // the footer's sum; null: none
};
const Column kColumns[] = {
    {"SFA:BROJSTANA", "@n4", nullptr},      {"SFA:BROJSTANA", "@s6", nullptr},
    {"NAZ:NAZIV1", "@s30", nullptr},        {"KVD:POVRSINA", "@N10.`2", "@n10.2"},
    {"KVD:BROJOSOBA", "@N5.`2", "@n9.2"},   {"SFA:ODRZAVANJE", "@N-12.`2", "@N-12.`2"},
    {"SFA:STRUJA", "@N-12.`2", "@N-12.`2"}, {"SFA:VODA", "@N-12.`2", "@N-12.`2"},
    {"SFA:OSTALO", "@N-12.`2", "@N-12.`2"}, {"SFA:DUG", "@N-12.`2", "@N-12.`2"},
    {"UKUPNO", "@N-12.`2", "@N-12.`2"},
};
constexpr int kColumnCount = 11;

const ListColumns kList{kLines, 0.8};

const char* const kHeads[] = {"RB",           "Stan", "Korisnik", "Površina",   "Osoba", "Održavanje",
                              "El. energija", "Voda", "Ostalo",   "Dug od pre", "Ukupno"};

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
    ListHeads(kList, 19, kHeads, kHead, c);
    return b;
}

Band Detail() {
    Band b;
    b.label = "?DETAIL";
    b.w = 194, b.h = 5;
    auto& c = b.controls;
    ListLines(kList, 0, 5, c);
    c.push_back(LineCtl(0, 5, 194, 0));
    // RB: the running count of the printed lines.
    Control count = ListValue(kList, "?COUNT", 0, 1, kColumns[0].use, kColumns[0].picture, kLine);
    count.total = Total::Count;
    c.push_back(count);
    for (int i = 1; i < kColumnCount; ++i)
        c.push_back(ListValue(kList, "?" + std::string(kColumns[i].use), i, 1, kColumns[i].use,
                              kColumns[i].picture, kLine));
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
        c.push_back(ListSum(kList, "?SUM" + std::to_string(i), i, 1.5, kColumns[i].use,
                            kColumns[i].total_picture, kLine));
    }
    // The persons' total of a large building (12,000.00) is wider than its narrow column:
    // it reaches into the area's column, whose total ends that much further left.
    Control& area = c[0];  // the first two sums
    Control& persons = c[1];
    area.w -= 2.6;
    persons.x -= 3.0;
    persons.w += 3.0;
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
        d.bands = {Header(), Detail(), GroupFooter(), PageNumberFooter(277, 194, 174)};
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
