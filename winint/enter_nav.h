// Enter-key navigation: in forms and dialogs Enter, Down and Right move the focus to the
// next control in tab order, Up and Left to the previous one, with exceptions by control
// kind (entries keep Left and Right, lists Up and Down, spin boxes all four arrows,
// buttons Enter; rich-text boxes turn Enter into Shift+Enter). The controls added with
// EnterKeyNav_AddControl (the dialog's own OK, Cancel and Help) keep their own keys.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ui/window.h"

class EnterKeyNav {
public:
    virtual ~EnterKeyNav() = default;

    // Declares the alert keys of every control that is not excluded; INITED := 1.
    virtual void EnterKeyNav_DeclareAlertKeys(rt::ui::Window& window);
    // 1 when the current event (an alert key of a control) was used.
    virtual std::uint8_t EnterKeyNav_OnEvent(rt::ui::Window& window);

    void EnterKeyNav_Setup();
    void EnterKeyNav_Teardown();
    void EnterKeyNav_AddControl(std::uint16_t control);
    void EnterKeyNav_PressTab(rt::ui::Window& window, std::int32_t key);

    // Control numbers left alone, sorted, no duplicates; null before the set-up.
    std::unique_ptr<std::vector<std::uint16_t>> EXCLUDEDCONTROL;
    std::uint8_t INITED = 0;

private:
    bool Excluded(int feq) const;
};
