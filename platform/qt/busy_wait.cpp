// A thread's write that waits for another workstation: the wait cursor on its windows at
// once, and after a few seconds a note over its newest window that says so. Its windows
// do not answer while the write waits; now the user sees why.
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/core/text.h"
#include "platform/qt/gui_server.h"
#include "platform/qt/qt_window.h"

namespace rt::qt {

void GuiServer::ShowBusyWait(int thread, int busy) {
    QMetaObject::invokeMethod(
        this, [this, thread, busy] { DoBusyWait(thread, busy); }, Qt::QueuedConnection);
}

void GuiServer::DoBusyWait(int thread, int busy) {
    BusyWait& b = busy_[thread];
    if (busy == 0) {
        for (const QPointer<QWidget>& w : b.cursors)
            if (w && w->cursor().shape() == Qt::WaitCursor) w->unsetCursor();
        if (b.note) b.note->deleteLater();
        busy_.erase(thread);
        return;
    }
    QWidget* over = nullptr;
    for (ui::WindowId id : order_) {
        QtWindow* w = Window(id);
        if (!w || w->thread() != thread || !w->top()) continue;
        over = w->top()->window();
        // A window that shows the wait cursor of its own keeps it afterwards.
        if (w->top()->cursor().shape() != Qt::WaitCursor) {
            w->top()->setCursor(Qt::WaitCursor);
            b.cursors.emplace_back(w->top());
        }
    }
    if (busy < 2 || b.note) return;
    auto* note = new QWidget(over, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    note->setObjectName(QStringLiteral("kvBusyWait"));
    note->setAttribute(Qt::WA_ShowWithoutActivating);
    note->setCursor(Qt::WaitCursor);
    auto* text = new QLabel(QString::fromUtf8("Upis čeka da druga radna stanica završi svoj upis ..."), note);
    text->setObjectName(QStringLiteral("kvBusyWaitText"));
    text->setMargin(12);
    text->setFrameStyle(QFrame::Box | QFrame::Plain);
    auto* layout = new QVBoxLayout(note);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text);
    note->adjustSize();
    const QRect area =
        over ? over->frameGeometry()
             : (QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry()
                                              : QRect(0, 0, 800, 600));
    note->move(area.center() - note->rect().center());
    note->show();
    b.note = note;
}

}  // namespace rt::qt
