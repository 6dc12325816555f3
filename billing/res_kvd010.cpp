// The list of tenants' windows and landscape page: the sort choice "Select the Order", the
// progress window, and the report with the firm and title at the top, one framed line per
// unit, the totals once at the end and the page number at the foot.
#include <string>
#include <vector>

#include "billing/kvd010_ispis_stanara.h"
#include "billing/list_report.h"
#include "billing/report_frame.h"

namespace kvadrin {
namespace {

using namespace rt::report;

const Font kFirm{"Arial", 10, 400};
const Font kTitle{"Arial", 10, 700};
const Font kHead{"Arial", 7, 400};
const Font kLine{"Arial", 8, 400};
const Font kTotal{"Arial", 8, 700};

// The lines between the columns, each column's value and picture, and the heads.
constexpr double kLines[] = {0, 18, 29, 80, 121, 140, 159, 185, 204, 222, 235, 275};
// The totals' pictures hold a building of thousands of units (12,000.00 persons and more,
// up to 9,999,999.99 square metres) within their columns.
struct Column {
    const char* use;
    const char* picture;
    const char* total_picture;  // null: not summed
};
const Column kColumns[] = {
    {"KVD:BROJ", "@s10", nullptr},           {"NAZ:ANALITIKA", "@n05", nullptr},
    {"NAZ:NAZIV1", "@s30", nullptr},         {"KVD:VLASNIK", "@s25", nullptr},
    {"KVD:POVRSINA", "@n10.2", "@n12.2"},    {"KVD:POVRSINAGR", "@n10.2", "@n12.2"},
    {"KVD:POVRSINAOST", "@n10.2", "@n12.2"}, {"KVD:BROJOSOBA", "@n5.2", "@n9.2"},
    {"KVD:VODOMER", "@s2", nullptr},         {"KVD:KALORIMETAR", "@s2", nullptr},
    {"KVD:TELEFON", "@s20", nullptr},
};
constexpr int kColumnCount = 11;

const ListColumns kList{kLines, 1};

const char* const kHeads[] = {"BROJ",     "ŠIFRA",        "VLASNIK",       "KORISNIK",
                              "Površina", "Gr. površina", "Ost. površina", "Br. osoba",
                              "Vodomer",  "Kalorimetar",  "Telefon"};

Band Header() {
    Band b;
    b.kind = BandKind::Header;
    b.label = "?HEADER";
    b.x = 6, b.y = 6, b.w = 275, b.h = 27;
    auto& c = b.controls;
    c.push_back(Field("?NAZIVFIRME", 3, 2, "NAZIVFIRME", "@s30", kFirm));
    c.push_back(Field("?ADRESA", 3, 7, "ADRESA", "@s30", kFirm));
    c.push_back(Field("?MESTO", 3, 12, "MESTO", "@s30", kFirm));
    c.push_back(Text("?STRING1", 123, 13, "SPISAK STANARA", kTitle));
    ListHeads(kList, 21, kHeads, kHead, c);
    return b;
}

Band Detail() {
    Band b;
    b.label = "?DETAIL";
    b.w = 275, b.h = 6;
    auto& c = b.controls;
    ListLines(kList, 0, 6, c);
    c.push_back(LineCtl(0, 6, 275, 0));
    for (int i = 0; i < kColumnCount; ++i)
        c.push_back(ListValue(kList, "?" + std::string(kColumns[i].use), i, 1.3, kColumns[i].use,
                              kColumns[i].picture, kLine));
    return b;
}

Band GroupFooter() {
    Band b;
    b.kind = BandKind::GroupFooter;
    b.label = "?GROUPFOOTER1";
    b.w = 275, b.h = 9;
    auto& c = b.controls;
    c.push_back(Text("?STRING2", 2, 2, "Ukupno kvadrina:", kTotal));
    Control count = Sized(Field("?COUNT", 25, 2, "KVD:BROJ", "@n4", kTotal), 10, -1, Align::Right);
    count.total = Total::Count;
    count.tally = "?DETAIL";
    count.reset = Reset::Break;
    c.push_back(count);
    for (int i = 0; i < kColumnCount; ++i) {
        if (!kColumns[i].total_picture) continue;
        c.push_back(ListSum(kList, "?SUM" + std::to_string(i), i, 2, kColumns[i].use,
                            kColumns[i].total_picture, kTotal));
    }
    return b;
}

}  // namespace

const rt::ui::WindowDef& SortSelectionWindow() {
    using namespace rt::ui;
    static const WindowDef def = [] {
        ControlDef prompt =
            MakeControl(Ctl::Prompt, "?PROMPT1", 8, 6, 150, 10, "Select the order to process the data.");
        prompt.font.style = 700;
        ControlDef list = MakeControl(Ctl::List, "?SORTSELECTIONLIST", 8, 20, 149, 44, {}, kVScroll);
        list.format = "100L@s100@";
        return MakeWindow(
            WindowHead{.module = "KVD$KVD010",
                       .name = "P3$SORTSELECTIONWINDOW",
                       .caption = "Select the Order",
                       .w = 165,
                       .h = 92,
                       .resizable = false,
                       .mdi = false,
                       .system_menu = true},
            prompt, list,
            MakeButton(
                ButtonDef{.label = "?SBUTTONOK", .at = {56, 70, 48, 15}, .text = "&OK", .attrs = kDefault}),
            MakeButton(ButtonDef{.label = "?SBUTTONCANCEL", .at = {109, 70, 48, 15}, .text = "&Cancel"}));
    }();
    return def;
}

const rt::ui::WindowDef& IspisStanaraProgressWindow() {
    static const rt::ui::WindowDef def = ProgressWindow("KVD$KVD010", "Report KVADRIN");
    return def;
}

const ReportDef& IspisStanaraReport() {
    static const ReportDef def = [] {
        ReportDef d;
        d.module = "KVD$KVD010";
        d.name = "P1$REPORT";
        d.title = "KVADRIN Report";
        d.landscape = true;
        d.area_x = 6, d.area_y = 33, d.area_w = 275, d.area_h = 162;
        d.font = Font{"Arial", 8, 400};
        d.bands = {Header(), Detail(), GroupFooter(), PageNumberFooter(195, 275, 254)};
        Break br;
        br.label = "?BREAK1";
        br.variable = "PRAZNO";
        br.bands = {"?DETAIL", "?GROUPFOOTER1"};
        d.breaks.push_back(br);
        return d;
    }();
    return def;
}

}  // namespace kvadrin
