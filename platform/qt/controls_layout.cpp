// Builders of the controls that lay a window out or only show something: sheets and their
// tabs, lines, boxes and panels, images and progress bars.
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QTabBar>
#include <QTabWidget>

#include "platform/qt/controls.h"
#include "platform/qt/qt_window.h"

namespace rt::qt {

namespace Ctl = ui::Ctl;

QWidget* QtWindow::BuildSheet(Control& c) {
    const int feq = c.st.feq;
    auto* t = new QTabWidget(client_);
    t->setFocusPolicy(Qt::NoFocus);
    t->tabBar()->setFocusPolicy(Qt::NoFocus);
    connect(t, &QTabWidget::currentChanged, this, [this, feq](int index) {
        Control* self = Find(feq);
        if (self && index >= 0) SheetChanged(*self, index);
    });
    return t;
}

// A tab is a page of its sheet; outside a sheet it has no widget.
void QtWindow::BuildTab(Control& c) {
    Control* sheet = c.st.parent ? Find(c.st.parent) : nullptr;
    if (!sheet || sheet->st.kind != Ctl::Sheet) return;
    auto* tabs = static_cast<QTabWidget*>(sheet->w);
    auto* page = new QWidget;
    page->setObjectName(c.st.def ? QString::fromStdString(c.st.def->label) : QString());
    page->setProperty(kControlProperty, c.st.feq);
    c.tab_index = tabs->addTab(page, QString());
    c.w = page;
}

QWidget* QtWindow::BuildProgress(Control&) {
    auto* p = new QProgressBar(client_);
    p->setTextVisible(false);
    return p;
}

QWidget* QtWindow::BuildImage(Control&) {
    auto* l = new QLabel(client_);
    l->setScaledContents(true);
    return l;
}

QWidget* QtWindow::BuildShape(Control& c) {
    auto* f = new QFrame(client_);
    if (c.st.kind == Ctl::Line) {
        f->setFrameShape(c.st.w > c.st.h ? QFrame::HLine : QFrame::VLine);
        f->setFrameShadow(QFrame::Sunken);
    } else if (c.st.kind == Ctl::Panel) {
        f->setFrameShape(QFrame::StyledPanel);
    } else {
        f->setFrameShape(QFrame::Box);
    }
    return f;
}

}  // namespace rt::qt
