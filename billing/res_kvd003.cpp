// The units browse's window.
#include "billing/kvd003_browse_kvadrin.h"
#include "platform/core/text.h"
#include "platform/ui/events.h"

namespace kvadrin {

using namespace rt::ui;

namespace {

// The list's columns: width in dialog units, alignment, heading, picture.
struct Column {
    int width;
    const char* align;
    const char* heading;
    const char* picture;
};
constexpr Column kColumns[] = {
    {50, "L(2)", "BROJ STANA", "@s10"},
    {28, "R(2)", "Sifra", "@n05"},
    {120, "L(2)", "VLASNIK", "@s30"},
    {104, "L(2)", "KORISNIK", "@s25"},
    {48, "R(2)", "Povrsina", "@n10.2"},
    {52, "R(2)", "Gr. povrsina", "@n10.2"},
    {62, "R(2)", "Ostala povrsina", "@n10.2"},
    {30, "R(2)", "Osoba", "@n5.2"},
    {36, "C(0)", "Vodomer", "@s2"},
    {46, "C(0)", "Kalorimetar", "@s2"},
    {70, "L(2)", "Telefon", "@s20"},
};
constexpr int kListX = 8;

// Where column `n` (1-based) begins on the window.
int ColumnX(int n) {
    int x = kListX;
    for (int i = 1; i < n; ++i) x += kColumns[i - 1].width;
    return x;
}

}  // namespace

const WindowDef& BrowseKvadrinWindow() {
    static const WindowDef def = [] {
        WindowDef d;
        d.module = "KVD$KVD003";
        d.name = "QUICKWINDOW";
        d.caption = "KVADRIN";
        d.w = 675, d.h = 318;
        d.center = true;
        d.resizable = true;
        d.mdi = true;
        ControlDef sheet = MakeControl(Ctl::Sheet, "?CURRENTTAB", 4, 4, 667, 274, "");
        sheet.children = {MakeControl(Ctl::Tab, "?TAB:1", 0, 0, -1, -1, "&1) Broj"),
                          MakeControl(Ctl::Tab, "?TAB:2", 0, 0, -1, -1, "&2) Vlasnik"),
                          MakeControl(Ctl::Tab, "?TAB:3", 0, 0, -1, -1, "&3) Šifra")};
        ControlDef list = MakeControl(Ctl::List, "?BROWSE:1", kListX, 22, 659, 236, "", kHScroll | kVScroll);
        std::string format;
        for (const Column& c : kColumns)
            format += std::to_string(c.width) + c.align + "|M~" + c.heading + "~" + c.picture + "@";
        list.format = rt::utf8_to_cp1250(format);
        d.controls = {sheet, list};
        // The totals under their columns, right-aligned as the columns are.
        struct Total {
            const char* label;
            int column;
            const char* picture;
        };
        const Total totals[] = {{"?UKPOVRS", 5, "@n10.2"},
                                {"?UKGRPOVRS", 6, "@n10.2"},
                                {"?UKOSTPOVRS", 7, "@n10.2"},
                                {"?UKOSOBA", 8, "@n5.2"}};
        for (const Total& t : totals)
            d.controls.push_back(MakeControl(Ctl::StringPic, t.label, ColumnX(t.column), 262,
                                             kColumns[t.column - 1].width - 2, 10, "", t.picture, kRight));
        d.controls.push_back(
            MakeControl(Ctl::String, "?STRING5", kListX + 2, 262, 60, 10, "Ukupno kvadrina:"));
        d.controls.push_back(
            MakeControl(Ctl::StringPic, "?UKKVADRINA", kListX + 62, 262, 24, 10, "", "@n5", kRight));
        ControlDef print = MakeControl(Ctl::Button, "?BUTTONNORECORDS", 8, 284, 56, 14, "&ISPIS");
        print.key = Key::F2;
        print.tip = "F2";
        d.controls.push_back(print);
        d.controls.push_back(MakeControl(Ctl::Button, "?QUERY", 68, 284, 56, 14, "&UPIT"));
        const std::uint32_t hide = kHide;
        for (ControlDef c : {MakeControl(Ctl::Button, "?SELECT:2", 408, 284, 42, 14, "&Select", hide),
                             MakeControl(Ctl::Button, "?VIEW:3", 454, 284, 42, 14, "&View", hide),
                             MakeControl(Ctl::Button, "?INSERT:4", 408, 284, 42, 14, "&Insert", hide),
                             MakeControl(Ctl::Button, "?CHANGE:4", 454, 284, 42, 14, "&Change", hide),
                             MakeControl(Ctl::Button, "?DELETE:4", 500, 284, 42, 14, "&Delete", hide),
                             MakeControl(Ctl::Button, "?CLOSE", 546, 284, 42, 14, "&Close", hide),
                             MakeControl(Ctl::Button, "?HELP", 592, 284, 38, 14, "&Help", hide)})
            d.controls.push_back(c);
        return d;
    }();
    return def;
}

}  // namespace kvadrin
