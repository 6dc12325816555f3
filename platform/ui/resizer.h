// Keeps a window's layout when the user resizes it.
//
// The layout rule, per control and per direction, against the window's size in its
// resource (the design size):
//   - a control at least half as wide as the design width stretches with the window
//     (its left edge stays, its width grows or shrinks by the change in window width);
//   - otherwise a control whose centre lies right of the window's centre moves with the
//     right edge (its position changes by the change in width, its width stays);
//   - every other control stays where it is.
// Heights and vertical positions follow the same rule with the design height. Menus and
// the controls of a toolbar are left alone. With the minimum-size flag the design size is
// the window's minimum: a smaller window is set back to it and nothing shrinks below its
// design size. With the maximum-size flag the design size is also the maximum.
#pragma once

#include <vector>

namespace rt::ui {

class Window;

class ResizeManager {
public:
    // Strategies: 0 leaves the controls alone; any other keeps the layout as above (the
    // procedures set up 2).
    static constexpr int kKeepLayout = 2;

    ResizeManager() = default;
    virtual ~ResizeManager() = default;
    ResizeManager(const ResizeManager&) = delete;
    ResizeManager& operator=(const ResizeManager&) = delete;

    void Init(int strategy, int minimum_size, int maximum_size);
    // Takes the window's controls as they stand at the design size. The controller calls
    // it when the resizer is registered.
    void Attach(Window& window);
    // Lays the controls out for the window's current size (after Sized, and after the
    // stored placement has been restored).
    virtual void Resize();

    int MinWidth() const;  // 0 without the minimum-size flag
    int MinHeight() const;

private:
    struct Placed {
        int feq;
        int x, y, w, h;
    };
    Window* window_ = nullptr;
    int strategy_ = 0;
    bool minimum_ = false, maximum_ = false;
    int design_w_ = 0, design_h_ = 0;
    std::vector<Placed> controls_;
};

}  // namespace rt::ui
