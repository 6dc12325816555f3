#include "winint/enter_nav.h"

#include <algorithm>

#include "platform/ui/control_kinds.h"

namespace ui = rt::ui;
namespace Key = rt::ui::Key;

namespace {

// The Shift key itself, with the Shift bit, sent after the Shift+Enter of a rich-text box.
constexpr int kShiftKeyShifted = Key::Shift | Key::ShiftKey;

bool MultiLine(const ui::Window& w, int feq) {
    const ui::ControlDef* d = w.Control(feq);
    return d && (d->attrs & ui::kMultiline);
}

}  // namespace

void EnterKeyNav::EnterKeyNav_Setup() { EXCLUDEDCONTROL = std::make_unique<std::vector<std::uint16_t>>(); }

void EnterKeyNav::EnterKeyNav_Teardown() { EXCLUDEDCONTROL.reset(); }

void EnterKeyNav::EnterKeyNav_AddControl(std::uint16_t control) {
    if (!EXCLUDEDCONTROL) return;
    auto& list = *EXCLUDEDCONTROL;
    auto at = std::lower_bound(list.begin(), list.end(), control);
    if (at == list.end() || *at != control) list.insert(at, control);
}

bool EnterKeyNav::Excluded(int feq) const {
    if (!EXCLUDEDCONTROL || feq <= 0 || feq > 0xFFFF) return false;
    return std::binary_search(EXCLUDEDCONTROL->begin(), EXCLUDEDCONTROL->end(),
                              static_cast<std::uint16_t>(feq));
}

void EnterKeyNav::EnterKeyNav_DeclareAlertKeys(ui::Window& w) {
    for (int feq : w.Controls()) {
        if (feq <= 0 || Excluded(feq)) continue;
        const ui::ControlKindTraits& t = ui::KindTraits(static_cast<int>(w.Get(feq, ui::Prop::Type)));
        const bool own_lines = t.text_box && MultiLine(w, feq);
        for (int k : t.nav_keys) {
            if (k == 0) break;
            if (own_lines && (k == Key::Up || k == Key::Down)) continue;
            w.Alert(feq, k);
        }
    }
    INITED = 1;
}

std::uint8_t EnterKeyNav::EnterKeyNav_OnEvent(ui::Window& w) {
    if (INITED != 1) return 0;
    const int feq = w.field();
    if (feq == 0 || w.event() != ui::Event::AlertKey || Excluded(feq)) return 0;
    switch (w.keycode()) {
        case Key::Enter: {
            const ui::ControlKindTraits& t = ui::KindTraits(static_cast<int>(w.Get(feq, ui::Prop::Type)));
            if (t.rich_text || (t.text_box && MultiLine(w, feq))) {
                EnterKeyNav_PressTab(w, Key::ShiftEnter);
                EnterKeyNav_PressTab(w, kShiftKeyShifted);
            } else {
                EnterKeyNav_PressTab(w, Key::Tab);
            }
            return 1;
        }
        case Key::Down:
        case Key::Right: EnterKeyNav_PressTab(w, Key::Tab); return 1;
        case Key::Up:
        case Key::Left: EnterKeyNav_PressTab(w, Key::ShiftTab); return 1;
        default: return 0;
    }
}

// Shift+Tab goes as system keyboard input (Shift down, Tab down, Tab up, Shift up), which
// the runtime's key press makes of the combined code; every other key as typed.
void EnterKeyNav::EnterKeyNav_PressTab(ui::Window& w, std::int32_t key) { w.PressKey(key); }
