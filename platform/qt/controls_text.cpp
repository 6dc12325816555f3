// Builders of the controls that show or take text: prompts and strings, entries and spin
// boxes, text boxes and the rich-text control.
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <functional>

#include "platform/qt/controls.h"
#include "platform/qt/qt_window.h"
#include "platform/qt/rtf_control.h"
#include "platform/ui/window.h"

namespace rt::qt {

namespace Event = ui::Event;

namespace {

// An entry takes only what its variable can hold: typed characters that CP1250 has no
// form for are refused with a beep, as a letter in a number is; a paste (keys, menu or
// drop) goes in without its control characters and with its accents composed, and
// `left_out` tells the user when characters were dropped.
class EntryEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    std::function<void()> left_out;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->matches(QKeySequence::Paste)) {
            e->accept();
            if (!isReadOnly()) Paste(QGuiApplication::clipboard()->text());
            return;
        }
        const Qt::KeyboardModifiers mods = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
        if (Printable(e->text())) {
            // Alt with a key that is no hot key of the window types nothing.
            if (mods == Qt::AltModifier) {
                e->accept();
                return;
            }
            if (!mods && !isReadOnly() && !Takes(e->text())) {
                e->accept();
                Type(e->text());
                return;
            }
        }
        QLineEdit::keyPressEvent(e);
    }
    void inputMethodEvent(QInputMethodEvent* e) override {
        if (isReadOnly() || e->commitString().isEmpty()) {
            QLineEdit::inputMethodEvent(e);
            return;
        }
        const QString commit = e->commitString();
        QInputMethodEvent rest(e->preeditString(), e->attributes());
        rest.setCommitString({}, e->replacementStart(), e->replacementLength());
        QLineEdit::inputMethodEvent(&rest);
        Type(commit);
    }
    void contextMenuEvent(QContextMenuEvent* e) override {
        QMenu* menu = createStandardContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        for (QAction* a : menu->actions()) {
            if (a->objectName() != QLatin1String("edit-paste")) continue;
            a->disconnect();
            connect(a, &QAction::triggered, this, [this] { Paste(QGuiApplication::clipboard()->text()); });
        }
        menu->popup(e->globalPos());
    }
    void dropEvent(QDropEvent* e) override {
        if (isReadOnly() || !e->mimeData()->hasText()) {
            QLineEdit::dropEvent(e);
            return;
        }
        e->acceptProposedAction();
        setCursorPosition(cursorPositionAt(e->position().toPoint()));
        Paste(e->mimeData()->text());
    }

private:
    // A text that types something: any character but a control one (format characters
    // such as direction marks too).
    static bool Printable(const QString& text) {
        for (QChar ch : text)
            if (ch.category() != QChar::Other_Control) return true;
        return false;
    }
    // Whether the text goes in as it is typed.
    static bool Takes(const QString& text) {
        if (text.front().category() == QChar::Mark_NonSpacing) return false;
        const rt::EntryText t = rt::entry_text(text.toStdString());
        return !t.left_out && FromCp1250(t.cp1250) == text;
    }
    // What the keyboard typed: a combining accent composes with the letter before the
    // cursor; a character CP1250 cannot hold is refused.
    void Type(const QString& text) {
        const int at = cursorPosition();
        const bool accent = !text.isEmpty() && text.front().category() == QChar::Mark_NonSpacing;
        if (accent && !hasSelectedText() && at > 0) {
            const QString pair = this->text().mid(at - 1, 1) + text;
            const rt::EntryText t = rt::entry_text(pair.toStdString());
            if (!t.left_out && t.cp1250.size() == 1) {
                setSelection(at - 1, 1);
                insert(FromCp1250(t.cp1250));
                return;
            }
        }
        const rt::EntryText t = rt::entry_text(text.toStdString());
        if (t.left_out || t.cp1250.empty()) {
            ui::Beep();
            return;
        }
        insert(FromCp1250(t.cp1250));
    }
    void Paste(const QString& text) {
        const rt::EntryText t = rt::entry_text(text.toStdString());
        if (!t.cp1250.empty()) insert(FromCp1250(t.cp1250));
        if (t.left_out && left_out) left_out();
    }
};

}  // namespace

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
    auto* e = new EntryEdit(client_);
    const int feq = c.st.feq;
    e->left_out = [this, feq] { Deliver(Ev(Event::PasteLeftOut, feq)); };
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
