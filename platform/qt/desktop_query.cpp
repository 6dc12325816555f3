// The desktop as the Qt back end sees it: screens, window rectangles and the frame's MDI
// area, read on the GUI thread for the procedure thread that asks.
#include <QApplication>
#include <QGuiApplication>
#include <QMdiArea>
#include <QScreen>
#include <QThread>
#include <QWidget>

#include "platform/qt/gui_server.h"
#include "platform/qt/qt_window.h"
#include "platform/ui/desktop.h"

namespace rt::qt {

namespace {

ui::PixelRect RectOf(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

QRect PrimaryArea() {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect();
}

class QtDesktopQuery : public ui::DesktopQuery {
public:
    explicit QtDesktopQuery(GuiServer& server) : server_(server) {}

    ui::PixelRect VirtualScreen() override {
        ui::PixelRect out;
        OnGui([&] {
            QRect all;
            for (QScreen* s : QGuiApplication::screens()) all = all.united(s->geometry());
            if (all.isValid()) out = RectOf(all);
        });
        return out;
    }

    std::optional<ui::PixelRect> WorkArea() override {
        std::optional<ui::PixelRect> out;
        OnGui([&] {
            QRect a = PrimaryArea();
            if (a.isValid()) out = RectOf(a);
        });
        return out;
    }

    std::optional<ui::WindowPixels> Geometry(ui::WindowId id) override {
        std::optional<ui::WindowPixels> out;
        OnGui([&] {
            QtWindow* w = server_.Window(id);
            if (!w || !w->top() || !w->client()) return;
            QWidget* top = w->top();
            ui::WindowPixels p;
            p.outer = RectOf(top->frameGeometry());
            // Xpos and Ypos are those of the frame's corner; Width and Height the client's.
            p.x = top->pos().x();
            p.y = top->pos().y();
            p.w = w->client()->width();
            p.h = w->client()->height();
            out = p;
        });
        return out;
    }

    std::optional<ui::PixelRect> ClientArea(ui::WindowId frame) override {
        std::optional<ui::PixelRect> out;
        OnGui([&] {
            QtWindow* w = server_.Window(frame);
            if (!w || !w->mdi_area()) return;
            out = RectOf(QRect(QPoint(0, 0), w->mdi_area()->viewport()->size()));
        });
        return out;
    }

    void ToUnits(ui::WindowId id, int& x, int& y, int& cx, int& cy) override {
        OnGui([&] {
            QtWindow* w = server_.Window(id);
            if (!w) return;
            // A top-level window's position counts from the primary screen's work area.
            QPoint origin = w->is_child() ? QPoint(0, 0) : PrimaryArea().topLeft();
            x = w->DuX(x - origin.x());
            y = w->DuY(y - origin.y());
            cx = w->DuX(cx);
            cy = w->DuY(cy);
        });
    }

private:
    template <class F>
    void OnGui(F&& f) {
        if (!qApp) return;
        if (QThread::currentThread() == qApp->thread())
            f();
        else
            QMetaObject::invokeMethod(&server_, std::forward<F>(f), Qt::BlockingQueuedConnection);
    }

    GuiServer& server_;
};

}  // namespace

void InstallDesktopQuery(GuiServer* server) {
    static QtDesktopQuery* query = nullptr;
    delete query;
    query = server ? new QtDesktopQuery(*server) : nullptr;
    ui::SetDesktopQuery(query);
}

}  // namespace rt::qt
