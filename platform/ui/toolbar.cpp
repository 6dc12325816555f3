#include "platform/ui/toolbar.h"

#include "platform/ui/backend.h"

#include <algorithm>

#include "platform/ui/events.h"
#include "platform/ui/window.h"

namespace rt::ui {

void ToolbarList::AddTarget(ToolbarTarget& target) {
    RemoveTarget(target);
    targets_.push_back(&target);
}

void ToolbarList::RemoveTarget(ToolbarTarget& target) {
    targets_.erase(std::remove(targets_.begin(), targets_.end(), &target), targets_.end());
}

ToolbarTarget* ToolbarList::ActiveTarget() const { return targets_.empty() ? nullptr : targets_.back(); }

bool ToolbarList::TakeEvent(int feq) {
    if (!IsToolbarButton(feq)) return false;
    ToolbarTarget* target = ActiveTarget();
    return target && target->TakeToolbar(feq);
}

bool ForwardToolbarButton(int feq) {
    const WindowId focused = FocusedWindow();
    const int thread = focused ? WindowThread(focused) : 0;
    if (thread == 0 || thread == rtl_thread()) return false;
    rtl_post(Event::Accepted, feq, thread);
    return true;
}

std::uint16_t ToolbarList::EnabledButtons() const {
    ToolbarTarget* t = ActiveTarget();
    std::uint16_t bits = 0;
    if (!t) return bits;
    for (int b = ToolbarButton::First; b <= ToolbarButton::Last; ++b)
        if (t->Enabled(b)) bits = static_cast<std::uint16_t>(bits | (1u << (b - ToolbarButton::First)));
    return bits;
}

void ToolbarList::Publish(Window& window) {
    const int bits = EnabledButtons();
    if (bits == published_ || !window.IsOpen()) return;
    published_ = bits;
    if (Backend* b = GetBackend()) b->ToolbarState(window.id(), static_cast<std::uint16_t>(bits));
}

}  // namespace rt::ui
