// Keeping windows on the visible desktop: a window whose stored position lies partly or
// wholly off the screens is moved back; a child of the application frame is moved into
// the frame's client area.
#pragma once

#include <cstdint>

#include "platform/ui/window.h"

// Registers the application frame (a window that is not a frame child).
void WlSetFrameWindow(rt::ui::Window* window);
rt::ui::WindowId WlFrameWindow();
// Forgets the frame. For tests.
void WlResetFrameWindow();

// 0 done, 1 failed (nothing changed). Works on the given window (the calling thread's
// current window).
std::int32_t wl_VisibleOnDesktop(rt::ui::Window& window);
// 0 done, 1 nothing done (no frame registered) or failed.
std::int32_t wl_VisibleOnAppframe(rt::ui::Window& window);
