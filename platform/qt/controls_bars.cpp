// Builders of the bars: the menu bar with its menus and items, the tool bar and its entries.
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "platform/qt/controls.h"
#include "platform/qt/qt_window.h"

namespace rt::qt {

namespace Ctl = ui::Ctl;
namespace Event = ui::Event;

void QtWindow::BuildMenu(Control& c) {
    const ui::ControlDef* def = c.st.def;
    QString label = def ? QString::fromStdString(def->label) : QString();
    Control* parent = c.st.parent ? Find(c.st.parent) : nullptr;
    if (c.st.kind == Ctl::Menubar) {
        if (main_) {
            c.w = main_->menuBar();
            c.w->setObjectName(label);
            c.w->setProperty(kControlProperty, c.st.feq);
        }
        return;
    }
    QMenuBar* bar = parent && parent->st.kind == Ctl::Menubar ? qobject_cast<QMenuBar*>(parent->w) : nullptr;
    QMenu* into = parent ? parent->menu : nullptr;
    if (!bar && !into) return;
    const int feq = c.st.feq;
    if (c.st.kind == Ctl::Menu) {
        c.menu = bar ? bar->addMenu(QString()) : into->addMenu(QString());
        c.menu->setObjectName(label);
        // A separator stays where the resource puts it, also next to a hidden item.
        c.menu->setSeparatorsCollapsible(false);
        c.action = c.menu->menuAction();
        if (EqualLabel(def ? def->label : "", "?WINDOWMENU")) {
            QMenu* m = c.menu;
            connect(m, &QMenu::aboutToShow, this, [this, m] { FillWindowMenu(m); });
        }
    } else {
        bool separator = def && (def->text.empty() || def->text == "-");
        if (separator) {
            c.action = bar ? bar->addSeparator() : into->addSeparator();
        } else {
            c.action = bar ? bar->addAction(QString()) : into->addAction(QString());
            connect(c.action, &QAction::triggered, this, [this, feq] {
                Control* self = Find(feq);
                if (self) MenuTriggered(*self);
            });
        }
    }
    c.action->setObjectName(label);
    c.action->setProperty(kControlProperty, feq);
}

void QtWindow::BuildToolbar(Control& c) {
    if (!main_) return;
    auto* tb = new QToolBar(main_);
    tb->setObjectName(c.st.def ? QString::fromStdString(c.st.def->label) : QString());
    tb->setMovable(false);
    tb->setFloatable(false);
    tb->setContextMenuPolicy(Qt::PreventContextMenu);
    main_->addToolBar(Qt::TopToolBarArea, tb);
    toolbar_ = tb;
    c.w = tb;
    c.in_toolbar = true;
    c.w->setProperty(kControlProperty, c.st.feq);
}

void QtWindow::BuildToolbarEntry(Control& c) {
    auto* tb = qobject_cast<QToolBar*>(toolbar_);
    if (!tb) return;
    const ui::ControlDef* def = c.st.def;
    const int feq = c.st.feq;
    QWidget* w = nullptr;
    if (c.st.kind == Ctl::Button) {
        auto* b = new QToolButton(tb);
        b->setAutoRaise(true);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        connect(b, &QToolButton::clicked, this, [this, feq] { Deliver(Ev(Event::Accepted, feq)); });
        w = b;
    } else {
        auto* l = new QLabel(tb);
        l->setTextFormat(Qt::PlainText);
        l->setContentsMargins(8, 0, 8, 0);
        w = l;
    }
    w->setObjectName(def ? QString::fromStdString(def->label) : QString());
    w->setProperty(kControlProperty, feq);
    c.w = w;
    c.action = tb->addWidget(w);
    c.in_toolbar = true;
}

}  // namespace rt::qt
