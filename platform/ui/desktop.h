// What the desktop looks like, for keeping windows where the user can see them: the
// screens' geometry, a window's outer rectangle and placement in pixels, a frame's client
// area. The GUI back end answers these queries (SetDesktopQuery); without one every query
// fails.
#pragma once

#include <optional>

#include "platform/ui/window.h"

namespace rt::ui {

// Right and bottom exclusive.
struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const PixelRect&) const = default;
};

// A window's outer rectangle (frame included) and its Xpos/Ypos/Width/Height in pixels, in
// screen coordinates; for a child of the application frame both relative to the frame's
// client area.
struct WindowPixels {
    PixelRect outer;
    int x = 0, y = 0, w = 0, h = 0;
};

class DesktopQuery {
public:
    virtual ~DesktopQuery() = default;
    // The bounding rectangle of all screens; empty (all 0) when unknown.
    virtual PixelRect VirtualScreen() = 0;
    // The primary screen's area less the task bars and docks.
    virtual std::optional<PixelRect> WorkArea() = 0;
    // An open window's geometry.
    virtual std::optional<WindowPixels> Geometry(WindowId window) = 0;
    // The size of a frame's client area (where its child windows lie).
    virtual std::optional<PixelRect> ClientArea(WindowId frame) = 0;
    // A placement in pixels (as Geometry gives it) in the window's own units for the
    // Xpos, Ypos, Width and Height properties.
    virtual void ToUnits(WindowId window, int& x, int& y, int& w, int& h) = 0;
};

void SetDesktopQuery(DesktopQuery* query);
DesktopQuery* GetDesktopQuery();

}  // namespace rt::ui
