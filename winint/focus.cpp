#include "winint/focus.h"

#include <algorithm>

#include "platform/core/text.h"

namespace ui = rt::ui;
namespace Ctl = rt::ui::Ctl;
using ui::Prop;

namespace {
constexpr long kBold = 700;
}

void FocusHighlighter::FocusHighlighter_Setup() {
    EXCLUDEDCONTROLTYPE = std::make_unique<std::vector<std::uint16_t>>();
}

void FocusHighlighter::FocusHighlighter_Teardown() { EXCLUDEDCONTROLTYPE.reset(); }

void FocusHighlighter::FocusHighlighter_AddExcludedType(std::uint16_t kind) {
    if (EXCLUDEDCONTROLTYPE) EXCLUDEDCONTROLTYPE->push_back(kind);
}

void FocusHighlighter::FocusHighlighter_Configure(
    std::uint8_t changecolor, std::int32_t backgroundcolor, std::uint8_t useboldtext,
    std::int32_t backgroundcolorrequired, std::uint8_t displaybox, std::int32_t boxfillcolor,
    std::int32_t boxbordercolor, std::int16_t boxsize, std::int32_t boxfillcolorrequired,
    std::int32_t boxbordercolorrequired, std::uint8_t displayindicator, std::int32_t indicatorcolor,
    const std::string& indicatorcharacter, std::int16_t indicatoroffset) {
    CHANGECOLOR = changecolor;
    BACKGROUNDCOLOR = backgroundcolor;
    USEBOLDTEXT = useboldtext;
    BACKGROUNDCOLORREQUIRED = backgroundcolorrequired;
    DISPLAYBOX = displaybox;
    BOXFILLCOLOR = boxfillcolor;
    BOXBORDERCOLOR = boxbordercolor;
    BOXSIZE = boxsize;
    BOXFILLCOLORREQUIRED = boxfillcolorrequired;
    BOXBORDERCOLORREQUIRED = boxbordercolorrequired;
    DISPLAYINDICATOR = displayindicator;
    INDICATORCOLOR = indicatorcolor;
    INDICATORCHARACTER = rt::clip(indicatorcharacter).substr(0, 2);
    INDICATOROFFSET = indicatoroffset;
    for (std::uint16_t kind :
         {1, 2, 3, 4, 5, 6, 7, 10, 13, 18, 25, 32, 35, 270, 128, 19, 20, 22, 24, 37, 38, 39, 9})
        FocusHighlighter_AddExcludedType(kind);
}

void FocusHighlighter::ConfigureStandard() {
    FocusHighlighter_Configure(1, 0x00FFFF, 1, 0x00FFFF, 1, 0x00FFFF, 0x000000, 2, 0x0000FF, 0x000000, 1,
                               0x808080, "\xBB", 8);
}

void FocusHighlighter::FocusHighlighter_OnEvent(ui::Window& w) {
    switch (w.event()) {
        case ui::Event::Maximized:
        case ui::Event::AfterResize: {
            const std::int32_t same = SCFIELD;
            FocusHighlighter_Unhighlight(w);
            FocusHighlighter_Highlight(w, same);
            break;
        }
        case ui::Event::Selected: {
            const int c = w.field() ? w.field() : w.FocusedControl();
            FocusHighlighter_Unhighlight(w);
            FocusHighlighter_Highlight(w, c);
            break;
        }
        case ui::Event::TabChanging:
            FocusHighlighter_Unhighlight(w);
            FocusHighlighter_Highlight(w, 0);
            break;
        default: break;
    }
}

void FocusHighlighter::FocusHighlighter_Unhighlight(ui::Window& w) {
    FocusHighlighter_SetColors(w, 0);
    FocusHighlighter_DrawMarks(w, 0);
}

void FocusHighlighter::FocusHighlighter_Highlight(ui::Window& w, std::int32_t control) {
    if (!FocusHighlighter_Track(w, control)) return;
    FocusHighlighter_SetColors(w, 1);
    FocusHighlighter_DrawMarks(w, 1);
}

std::uint8_t FocusHighlighter::FocusHighlighter_Qualifies(ui::Window& w, std::int32_t c) {
    if (c == 0) return 0;
    if (w.Get(c, Prop::InToolbar)) return 0;
    if (!w.Get(c, Prop::Visible)) return 0;
    if (!EXCLUDEDCONTROLTYPE || EXCLUDEDCONTROLTYPE->empty()) return 1;
    const long type = w.Get(c, Prop::Type);
    for (std::uint16_t kind : *EXCLUDEDCONTROLTYPE)
        if (kind == type) return 0;
    return 1;
}

std::uint8_t FocusHighlighter::FocusHighlighter_Track(ui::Window& w, std::int32_t c) {
    if (!FocusHighlighter_Qualifies(w, c)) {
        SCFIELD = 0;
        return 0;
    }
    SCFIELD = c;
    SCSTYLE = static_cast<std::int32_t>(w.Get(c, Prop::FontStyle));
    SCCOLOR = static_cast<std::int32_t>(w.Get(c, Prop::Background));
    SCX = static_cast<std::int16_t>(w.Get(c, Prop::Xpos));
    SCY = static_cast<std::int16_t>(w.Get(c, Prop::Ypos));
    SCW = static_cast<std::int16_t>(w.Get(c, Prop::Width));
    SCH = static_cast<std::int16_t>(w.Get(c, Prop::Height));
    return 1;
}

// Combo boxes of this runtime have no drop-down list control of their own: the list that
// drops down is drawn by the combo itself and keeps its colours, so nothing is noted or
// restored for it.
void FocusHighlighter::FocusHighlighter_SetColors(ui::Window& w, std::uint8_t on) {
    if (SCFIELD == 0) return;
    const long t = w.Get(SCFIELD, Prop::Type);
    if (t == Ctl::Rtf || t == Ctl::List || t == Ctl::DropList) return;
    if (!CHANGECOLOR) return;
    if (on) {
        if (USEBOLDTEXT) w.Set(SCFIELD, Prop::FontStyle, kBold);
        const bool req = w.Get(SCFIELD, Prop::Req) != 0;
        w.Set(SCFIELD, Prop::Background, req ? BACKGROUNDCOLORREQUIRED : BACKGROUNDCOLOR);
    } else {
        w.Set(SCFIELD, Prop::Background, SCCOLOR);
        if (USEBOLDTEXT) w.Set(SCFIELD, Prop::FontStyle, SCSTYLE);
    }
}

void FocusHighlighter::FocusHighlighter_DrawMarks(ui::Window& w, std::uint8_t on) {
    if (SCFIELD == 0) return;
    const int bs = BOXSIZE;
    const int io = INDICATOROFFSET;
    if (on) {
        const bool req = w.Get(SCFIELD, Prop::Req) != 0;
        if (DISPLAYBOX) {
            SCPCOLOR = static_cast<std::int32_t>(w.Get(0, Prop::PenColor));
            w.Set(0, Prop::PenColor, req ? BOXBORDERCOLORREQUIRED : BOXBORDERCOLOR);
            ui::DrawItem box;
            box.kind = ui::DrawItem::Kind::Box;
            box.x = SCX - bs;
            box.y = SCY - bs;
            box.w = SCW + 2 * bs;
            box.h = SCH + 2 * bs;
            box.fill = req ? BOXFILLCOLORREQUIRED : BOXFILLCOLOR;
            box.pen = static_cast<std::int32_t>(w.Get(0, Prop::PenColor));
            w.Draw(box);
            w.Set(0, Prop::PenColor, SCPCOLOR);
        }
        if (DISPLAYINDICATOR) {
            SCPCOLOR = static_cast<std::int32_t>(w.Get(0, Prop::FontColor));
            w.Set(0, Prop::FontColor, INDICATORCOLOR);
            ui::DrawItem text;
            text.kind = ui::DrawItem::Kind::Text;
            text.x = SCX - io;
            text.y = SCY;
            text.w = io;
            text.h = SCH;
            text.color = static_cast<std::int32_t>(w.Get(0, Prop::FontColor));
            text.text = INDICATORCHARACTER;
            w.Draw(text);
            w.Set(0, Prop::FontColor, SCPCOLOR);
        }
        return;
    }
    if (DISPLAYINDICATOR && (!DISPLAYBOX || io > bs))
        w.Erase(SCX - io, SCY - bs, SCW + 2 * io, SCH + 2 * bs);
    else if (DISPLAYBOX)
        w.Erase(SCX - bs, SCY - bs, SCW + 2 * bs, SCH + 2 * bs);
}
