// The window's toolbar object: the frame's toolbar buttons reach a window as Accepted
// events of their numbers (3001 to 3013), and the toolbar object hands them to the window's
// active toolbar target (a browse's or a form's handler).
#pragma once

#include <cstdint>
#include <vector>

namespace rt::ui {

class Window;

// The frame's toolbar buttons.
namespace ToolbarButton {
enum : int {
    Insert = 3001,
    Change = 3002,
    Delete = 3003,
    Select = 3004,
    Bottom = 3005,
    Top = 3006,
    PageDown = 3007,
    PageUp = 3008,
    Down = 3009,
    Up = 3010,
    Locate = 3011,
    History = 3012,
    Help = 3013,
    First = Insert,
    Last = Help,
};
}  // namespace ToolbarButton

inline bool IsToolbarButton(int feq) { return feq >= ToolbarButton::First && feq <= ToolbarButton::Last; }

// What acts on the toolbar's buttons while it is the active target.
class ToolbarTarget {
public:
    virtual ~ToolbarTarget() = default;
    // Acts on a toolbar button; true when the button was handled (the event is consumed).
    virtual bool TakeToolbar(int button) = 0;
    // Whether the target offers the button now (the frame shows the others disabled).
    virtual bool Enabled(int button) const { return button != 0; }
};

class ToolbarList {
public:
    // The target added last is the active one until it is removed.
    void AddTarget(ToolbarTarget& target);
    void RemoveTarget(ToolbarTarget& target);
    ToolbarTarget* ActiveTarget() const;
    // Hands a toolbar button (3001 to 3013) to the active target; true when consumed.
    // Other numbers, and any button while there is no target, are not consumed.
    bool TakeEvent(int feq);
    // The buttons the active target offers, one bit per button (bit 0: 3001); none without
    // a target.
    std::uint16_t EnabledButtons() const;
    // Tells the GUI which of the frame's buttons the window offers, when that changed
    // since the last call (the frame shows them while the window is the one in use).
    void Publish(Window& window);

private:
    std::vector<ToolbarTarget*> targets_;
    int published_ = -1;  // the bits last published, -1 none yet
};

// The frame's side: a toolbar button pressed while a window of another thread is the one
// the user works in is posted to that thread as Accepted with the button's number (true).
// When the caller's own window is that window, nothing is posted (false) and the caller
// handles the button itself.
bool ForwardToolbarButton(int feq);

}  // namespace rt::ui
