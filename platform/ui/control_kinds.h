// What the window runtime, its back end and the procedures know of each control kind, in
// one table: whether it takes the focus, gives a value back, is typed into, and which keys
// move the focus on from it in forms and dialogs.
#pragma once

#include <array>

#include "platform/ui/events.h"

namespace rt::ui {

struct ControlKindTraits {
    int kind = 0;
    // A Tab stop: the control can hold the keyboard focus.
    bool takes_focus = false;
    // What the user makes of the control goes back into its variable.
    bool updates_variable = false;
    // The user types the value (read-only while a record is only viewed).
    bool typed = false;
    // One line of text edited in place, completed by Enter or by leaving it.
    bool line_entry = false;
    // Enter without an alert goes to the control instead of pressing the default button.
    bool enter_to_control = false;
    // A text box: Up and Down move within it when it is multi-line.
    bool text_box = false;
    // Rich text: Enter always makes a new line.
    bool rich_text = false;
    // Lies beneath the window's drawing layer (frames and groups around other controls).
    bool beneath_drawing = false;
    // The keys that move the focus on from the control in forms and dialogs, in the order
    // they are declared; 0 ends the list. A multi-line text box keeps Up and Down itself.
    std::array<int, 5> nav_keys{};
};

// The traits of a control kind; a kind the table does not know has none.
const ControlKindTraits& KindTraits(int kind);

inline bool TakesFocus(int kind) { return KindTraits(kind).takes_focus; }

}  // namespace rt::ui
