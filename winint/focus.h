// Focus highlighting: the control that holds the focus gets a coloured background and
// bold text, a box a little larger than the control and an indicator text to its left,
// drawn through the window's drawing layer. The marks follow the focus and are redrawn
// after the window is maximized or resized.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/window.h"

class FocusHighlighter {
public:
    virtual ~FocusHighlighter() = default;

    virtual void FocusHighlighter_Configure(
        std::uint8_t changecolor, std::int32_t backgroundcolor, std::uint8_t useboldtext,
        std::int32_t backgroundcolorrequired, std::uint8_t displaybox, std::int32_t boxfillcolor,
        std::int32_t boxbordercolor, std::int16_t boxsize, std::int32_t boxfillcolorrequired,
        std::int32_t boxbordercolorrequired, std::uint8_t displayindicator, std::int32_t indicatorcolor,
        const std::string& indicatorcharacter, std::int16_t indicatoroffset);
    // The configuration every window uses: yellow, bold, the box (red for a required
    // entry) and a grey "»" eight units to the left.
    void ConfigureStandard();
    virtual void FocusHighlighter_OnEvent(rt::ui::Window& window);
    virtual void FocusHighlighter_Unhighlight(rt::ui::Window& window);
    virtual void FocusHighlighter_Highlight(rt::ui::Window& window, std::int32_t control);
    virtual std::uint8_t FocusHighlighter_Qualifies(rt::ui::Window& window, std::int32_t control);
    virtual void FocusHighlighter_SetColors(rt::ui::Window& window, std::uint8_t on);
    virtual void FocusHighlighter_DrawMarks(rt::ui::Window& window, std::uint8_t on);

    void FocusHighlighter_Setup();
    void FocusHighlighter_Teardown();
    void FocusHighlighter_AddExcludedType(std::uint16_t kind);
    std::uint8_t FocusHighlighter_Track(rt::ui::Window& window, std::int32_t control);

    std::uint8_t CHANGECOLOR = 0;
    std::int32_t BACKGROUNDCOLOR = 0;
    std::uint8_t USEBOLDTEXT = 0;
    std::int32_t BACKGROUNDCOLORREQUIRED = 0;
    std::uint8_t DISPLAYBOX = 0;
    std::int32_t BOXFILLCOLOR = 0;
    std::int32_t BOXBORDERCOLOR = 0;
    std::int16_t BOXSIZE = 0;
    std::int32_t BOXFILLCOLORREQUIRED = 0;
    std::int32_t BOXBORDERCOLORREQUIRED = 0;
    std::uint8_t DISPLAYINDICATOR = 0;
    std::int32_t INDICATORCOLOR = 0;
    std::string INDICATORCHARACTER;  // CP1250, at most two characters
    std::int16_t INDICATOROFFSET = 0;
    std::int32_t SCFIELD = 0;
    std::int32_t SCCOLOR = 0;
    std::int32_t SCSTYLE = 0;
    std::int32_t SCPCOLOR = 0;
    std::int16_t SCX = 0, SCY = 0, SCW = 0, SCH = 0;
    // Control kinds never marked, in order of adding; null before the set-up.
    std::unique_ptr<std::vector<std::uint16_t>> EXCLUDEDCONTROLTYPE;
};
