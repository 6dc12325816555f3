#include "winint/desktop.h"

#include <atomic>

#include "platform/core/sysinfo.h"
#include "platform/ui/desktop.h"
#include "winint/errors.h"
#include "winint/services.h"

namespace ui = rt::ui;

namespace {

std::atomic<ui::WindowId> g_frame{0};

std::int32_t Failed() {
    WlSetErrorDetail(WlLastSystemErrorText());
    WlReportError(kWlErrVisibleOnDesktop);
    return 1;
}

// A code for "the desktop cannot be queried" (no back end answers).
constexpr int kNoDesktop = 6;  // ENXIO: no such device or address

bool Between(int low, int v, int high) { return low <= v && v <= high; }

// Sets the placement the pixels give; only the values that changed, so that the round
// trip through the window's units does not creep.
void Place(ui::Window& w, ui::DesktopQuery& q, const ui::WindowPixels& was, int x, int y, int cx, int cy,
           bool size) {
    int ux = x, uy = y, uw = cx, uh = cy;
    q.ToUnits(w.id(), ux, uy, uw, uh);
    if (x != was.x) w.Set(0, ui::Prop::Xpos, ux);
    if (y != was.y) w.Set(0, ui::Prop::Ypos, uy);
    if (size && cx != was.w) w.Set(0, ui::Prop::Width, uw);
    if (size && cy != was.h) w.Set(0, ui::Prop::Height, uh);
}

}  // namespace

void WlSetFrameWindow(ui::Window* window) {
    if (window && !window->def().mdi) g_frame = window->id();
}

ui::WindowId WlFrameWindow() { return g_frame; }
void WlResetFrameWindow() { g_frame = 0; }

std::int32_t wl_VisibleOnDesktop(ui::Window& w) {
    if (w.def().mdi) return wl_VisibleOnAppframe(w);
    WlSetContext("wl_VisibleOnDesktop");
    const bool resizable = w.def().resizable;
    ui::DesktopQuery* q = ui::GetDesktopQuery();
    if (!q) {
        rt::sys::SetLastError(kNoDesktop);
        return Failed();
    }
    const std::optional<ui::WindowPixels> g = q->Geometry(w.id());
    if (!g) {
        rt::sys::SetLastError(kNoDesktop);
        return Failed();
    }
    int L = g->outer.left, T = g->outer.top, R = g->outer.right, B = g->outer.bottom;
    const int dx = L - g->x, dy = T - g->y;
    const int dw = (R - L) - g->w, dh = (B - T) - g->h;

    const ui::PixelRect vs = q->VirtualScreen();
    int aX = vs.left, aY = vs.top, aW = vs.right - vs.left, aH = vs.bottom - vs.top;
    const std::optional<ui::PixelRect> wa = q->WorkArea();
    if (!wa) {
        rt::sys::SetLastError(kNoDesktop);
        return Failed();
    }
    if (aW == 0) {
        aX = wa->left;
        aY = wa->top;
        aW = wa->right - wa->left;
        aH = wa->bottom - wa->top;
    }
    const int h2 = 2 * (wa->bottom - wa->top);
    const int w2 = 2 * (wa->right - wa->left);
    const bool over_h =
        Between(wa->left, L + 5, wa->right) || Between(wa->left, R - 5, wa->right) || Between(L, wa->left, R);
    const bool over_v =
        Between(wa->top, T + 5, wa->bottom) || Between(wa->top, B - 5, wa->bottom) || Between(T, wa->top, B);

    if (aY < wa->top && wa->top - aY < h2) {
        if (over_h) {
            aH -= wa->top - aY;
            aY = wa->top;
        }
    } else if (aY + aH > wa->bottom && (aY + aH) - wa->bottom < h2 && over_h) {
        aH -= (aY + aH) - wa->bottom;
    }
    if (aX < wa->left && wa->left - aX < w2) {
        if (over_v) {
            aW -= wa->left - aX;
            aX = wa->left;
        }
    } else if (aX + aW > wa->right && (aX + aW) - wa->right < w2 && over_v) {
        aW -= (aX + aW) - wa->right;
    }

    if (L < aX) {
        R += aX - L;
        L = aX;
    }
    if (T < aY) {
        B += aY - T;
        T = aY;
    }
    if (R > aX + aW) {
        const int d = R - (aX + aW);
        if (d <= L) {
            L -= d;
            R -= d;
        }
    }
    if (B > aY + aH) {
        const int d = B - (aY + aH);
        if (d <= T) {
            T -= d;
            B -= d;
        }
    }
    Place(w, *q, *g, L - dx, T - dy, (R - L) - dw, (B - T) - dh, resizable);
    return 0;
}

std::int32_t wl_VisibleOnAppframe(ui::Window& w) {
    const ui::WindowId frame = g_frame;
    if (!frame) return 1;
    WlSetContext("wl_VisibleOnAppframe");
    const bool resizable = w.def().resizable;
    ui::DesktopQuery* q = ui::GetDesktopQuery();
    std::optional<ui::PixelRect> client = q ? q->ClientArea(frame) : std::nullopt;
    std::optional<ui::WindowPixels> g = q ? q->Geometry(w.id()) : std::nullopt;
    if (!client || !g) {
        rt::sys::SetLastError(kNoDesktop);
        return Failed();
    }
    int cw = client->right - client->left, ch = client->bottom - client->top;
    const int dw = (g->outer.right - g->outer.left) - g->w;
    const int dh = (g->outer.bottom - g->outer.top) - g->h;
    int L = g->x, T = g->y, R = g->x + g->w, B = g->y + g->h;
    cw -= dw;
    ch -= dh;
    bool cut = false;
    // One axis: the low edge moved in first, then the high edge moved or cut.
    auto fit = [&](int& lo, int& hi, int room) {
        if (lo < 0) {
            hi -= lo;
            lo = 0;
            if (hi > room && resizable) {
                hi = room;
                cut = true;
            }
        } else if (hi > room) {
            const int d = hi - room;
            if (lo >= d) {
                lo -= d;
                hi -= d;
            } else {
                // Wider than the room: at the client's edge, keeping its size unless it
                // can be cut.
                hi -= lo;
                lo = 0;
                if (resizable) {
                    hi = room;
                    cut = true;
                }
            }
        }
    };
    fit(L, R, cw);
    fit(T, B, ch);
    Place(w, *q, *g, L, T, R - L, B - T, true);
    if (cut) w.Post(ui::Event::Sized);
    return 0;
}
