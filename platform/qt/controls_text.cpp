// Builders of the controls that show or take text: prompts and strings, entries and spin
// boxes, text boxes and the rich-text control.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "platform/qt/controls.h"
#include "platform/qt/qt_window.h"
#include "platform/qt/rtf_control.h"

namespace rt::qt {

namespace Event = ui::Event;

QString WithoutMnemonic(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') out += '&';
            ++i;
            if (i < text.size() && text[i] != '&') out += text[i];
            continue;
        }
        out += text[i];
    }
    return out;
}

QWidget* QtWindow::BuildLabel(Control& c) {
    auto* l = new QLabel(client_);
    l->setTextFormat(Qt::PlainText);
    const std::uint32_t a = c.st.def ? c.st.def->attrs : 0;
    const Qt::Alignment h = (a & ui::kCenter)  ? Qt::AlignHCenter
                            : (a & ui::kRight) ? Qt::AlignRight
                                               : Qt::AlignLeft;
    l->setAlignment(h | Qt::AlignTop);
    l->setWordWrap(a & ui::kMultiline);  // a text of several lines
    return l;
}

QWidget* QtWindow::BuildEntry(Control& c) {
    const ui::ControlDef* def = c.st.def;
    auto* e = new QLineEdit(client_);
    std::uint32_t a = def ? def->attrs : 0;
    if (a & ui::kPassword) e->setEchoMode(QLineEdit::Password);
    if (def) {
        auto p = rt::parse_picture(def->picture);
        if (p && p->kind == rt::PictureKind::String && p->width > 0) e->setMaxLength(p->width);
        if (a & ui::kCenter)
            e->setAlignment(Qt::AlignHCenter);
        else if ((a & ui::kRight) || (IsNumericPicture(def->picture) && !(a & ui::kLeft)))
            e->setAlignment(Qt::AlignRight);
    }
    if (a & ui::kUpr) {
        connect(e, &QLineEdit::textEdited, this, [e](const QString& t) {
            QString up = t.toUpper();
            if (up == t) return;
            int pos = e->cursorPosition();
            e->setText(up);
            e->setCursorPosition(pos);
        });
    }
    return e;
}

QWidget* QtWindow::BuildTextBox(Control&) { return new QPlainTextEdit(client_); }

QWidget* QtWindow::BuildRichText(Control& c) {
    const int feq = c.st.feq;
    auto* t = new RtfControl(client_);
    // What the user makes of the text goes back as its new value; the format at the cursor
    // as the control's Format with a NewSelection.
    t->on_value = [this, feq](const std::string& value) {
        if (Control* self = Find(feq)) self->st.text = value;
        ui::InputEvent ev = Ev(Event::Accepted, feq);
        ev.text = value;
        Deliver(ev);
    };
    t->on_state = [this, feq](const std::string& state) {
        ui::InputEvent ev = Ev(Event::NewSelection, feq);
        ev.format = state;
        Deliver(ev);
    };
    return t;
}

}  // namespace rt::qt
