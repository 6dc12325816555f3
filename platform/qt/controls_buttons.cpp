// Builders of buttons, check boxes, radios and the groups around them.
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcutEvent>
#include <QToolButton>

#include "platform/qt/controls.h"
#include "platform/qt/qt_window.h"
#include "platform/ui/control_kinds.h"

namespace rt::qt {

namespace Ctl = ui::Ctl;
namespace Event = ui::Event;

QAbstractButton* NewToggle(const ui::ControlDef* def, QWidget* parent, bool radio) {
    if (def && !def->icon.empty() && def->text.empty()) {
        auto* b = new QToolButton(parent);
        b->setCheckable(true);
        b->setAutoRaise(true);
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
        return b;
    }
    if (radio) return new QRadioButton(parent);
    return new QCheckBox(parent);
}

namespace {

// A button that its hot key presses at once. The toolkit's own answer to the hot key is an
// animated press that clicks only after 100 ms; here the press is painted once and the
// click follows. A hot key that several controls share still moves the focus among them.
class HotKeyButton final : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    bool event(QEvent* e) override {
        auto* se = e->type() == QEvent::Shortcut ? static_cast<QShortcutEvent*>(e) : nullptr;
        if (se && !se->isAmbiguous() && se->key() == QKeySequence::mnemonic(text())) {
            if (!isEnabled() || !isVisible()) return true;
            setDown(true);
            repaint();
            click();
            if (isDown()) setDown(false);
            update();
            return true;
        }
        return QPushButton::event(e);
    }
};

}  // namespace

QWidget* QtWindow::BuildButton(Control& c) {
    const ui::ControlDef* def = c.st.def;
    const int feq = c.st.feq;
    auto* b = new HotKeyButton(client_);
    if (def && (def->attrs & ui::kDefault)) {
        b->setDefault(true);
        default_button_ = feq;
    }
    if (def && (def->attrs & ui::kFlat)) b->setFlat(true);
    if (def && EqualLabel(def->label, "?CANCEL")) cancel_button_ = feq;
    connect(b, &QPushButton::clicked, this, [this, feq] {
        if (feq == cancel_button_) {
            SettleEntryForCancel();
            Deliver(Ev(Event::Accepted, feq));
            return;
        }
        // A button pressed by its hot key leaves the focus where it is: what the user typed
        // there is taken first, as leaving the entry would, and a refused text stops it.
        if (refusing_ || !FinishFocusedEntry()) return;
        Deliver(Ev(Event::Accepted, feq));
    });
    return b;
}

QWidget* QtWindow::BuildCheck(Control& c) {
    const int feq = c.st.feq;
    QAbstractButton* b = NewToggle(c.st.def, client_, false);
    connect(b, &QAbstractButton::clicked, this, [this, feq](bool on) {
        Control* self = Find(feq);
        if (!self || refusing_) return;
        const ui::ControlDef* d = self->st.def;
        std::string value = on ? (d && !d->value.empty() ? d->value : "1")
                               : (d && !d->off_value.empty() ? d->off_value : "0");
        self->st.text = value;
        ui::InputEvent ev = Ev(Event::Accepted, feq);
        ev.text = value;
        Deliver(ev);
    });
    return b;
}

QWidget* QtWindow::BuildGroup(Control& c) {
    auto* g = new QGroupBox(client_);
    g->setFocusPolicy(Qt::NoFocus);
    if (c.st.kind == Ctl::Option) {
        c.radios = new QButtonGroup(this);
        c.radios->setExclusive(true);
        const int feq = c.st.feq;
        connect(c.radios, &QButtonGroup::buttonToggled, this, [this, feq](QAbstractButton*, bool) {
            if (Control* self = Find(feq)) UpdateRadioStops(*self);
        });
    }
    return g;
}

QWidget* QtWindow::BuildRadio(Control& c) {
    const int feq = c.st.feq;
    Control* parent = c.st.parent ? Find(c.st.parent) : nullptr;
    QAbstractButton* r = NewToggle(c.st.def, client_, true);
    r->setAutoExclusive(false);
    if (parent && parent->radios) parent->radios->addButton(r);
    int option = parent && parent->st.kind == Ctl::Option ? parent->st.feq : 0;
    connect(r, &QAbstractButton::clicked, this, [this, feq, option] {
        if (refusing_) return;
        Control* o = option ? Find(option) : nullptr;
        if (o)
            OptionClicked(*o, feq);
        else
            Deliver(Ev(Event::Accepted, feq));
    });
    return r;
}

}  // namespace rt::qt
