#include "platform/ui/resizer.h"

#include <algorithm>

#include "platform/ui/window.h"

namespace rt::ui {

namespace {

bool LeftAlone(const Window& w, int feq) {
    if (feq <= 0) return true;  // menus have negative numbers
    switch (w.Get(feq, Prop::Type)) {
        case Ctl::Menu:
        case Ctl::Item:
        case Ctl::Menubar:
        case Ctl::Toolbar: return true;
        default: return w.Get(feq, Prop::InToolbar) != 0;
    }
}

// One direction of the rule: the new position and extent of a control.
void Place(int pos, int extent, int design, int change, int& new_pos, int& new_extent) {
    new_pos = pos;
    new_extent = extent;
    if (extent > 0 && 2 * extent >= design)
        new_extent = std::max(1, extent + change);
    else if (2 * pos + std::max(extent, 0) > design)
        new_pos = pos + change;
}

}  // namespace

void ResizeManager::Init(int strategy, int minimum_size, int maximum_size) {
    strategy_ = strategy;
    minimum_ = minimum_size != 0;
    maximum_ = maximum_size != 0;
}

void ResizeManager::Attach(Window& window) {
    window_ = &window;
    design_w_ = window.def().w;
    design_h_ = window.def().h;
    controls_.clear();
    for (int feq : window.Controls()) {
        if (LeftAlone(window, feq)) continue;
        controls_.push_back({feq, static_cast<int>(window.Get(feq, Prop::Xpos)),
                             static_cast<int>(window.Get(feq, Prop::Ypos)),
                             static_cast<int>(window.Get(feq, Prop::Width)),
                             static_cast<int>(window.Get(feq, Prop::Height))});
    }
    // The back end keeps the window from getting smaller than this too: the user's drag
    // and the frame's arrangements stop there instead of being set back afterwards.
    if (minimum_ && window.def().resizable) window.SetMinimumSize(design_w_, design_h_);
}

int ResizeManager::MinWidth() const { return minimum_ ? design_w_ : 0; }
int ResizeManager::MinHeight() const { return minimum_ ? design_h_ : 0; }

void ResizeManager::Resize() {
    if (!window_ || strategy_ == 0 || design_w_ <= 0 || design_h_ <= 0) return;
    Window& w = *window_;
    if (w.Get(0, Prop::Maximize) == 0 && w.Get(0, Prop::Iconize) != 0) return;
    int width = static_cast<int>(w.Get(0, Prop::Width));
    int height = static_cast<int>(w.Get(0, Prop::Height));
    if (width <= 0 || height <= 0) return;  // no size known yet
    int fit_w = width, fit_h = height;
    if (minimum_) fit_w = std::max(fit_w, design_w_), fit_h = std::max(fit_h, design_h_);
    if (maximum_) fit_w = std::min(fit_w, design_w_), fit_h = std::min(fit_h, design_h_);
    if (fit_w != width) w.Set(0, Prop::Width, fit_w);
    if (fit_h != height) w.Set(0, Prop::Height, fit_h);
    const int dw = fit_w - design_w_, dh = fit_h - design_h_;
    for (const Placed& c : controls_) {
        int x, y, cw, ch;
        Place(c.x, c.w, design_w_, dw, x, cw);
        Place(c.y, c.h, design_h_, dh, y, ch);
        if (x != w.Get(c.feq, Prop::Xpos)) w.Set(c.feq, Prop::Xpos, x);
        if (y != w.Get(c.feq, Prop::Ypos)) w.Set(c.feq, Prop::Ypos, y);
        if (cw != w.Get(c.feq, Prop::Width)) w.Set(c.feq, Prop::Width, cw);
        if (ch != w.Get(c.feq, Prop::Height)) w.Set(c.feq, Prop::Height, ch);
    }
}

}  // namespace rt::ui
