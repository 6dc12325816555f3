#include "tests/driver/test_driver.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>
#include <QtTest/QTest>

#include "platform/qt/controls.h"
#include "platform/qt/gui_server.h"
#include "platform/qt/keys.h"
#include "platform/qt/qt_window.h"
#include "platform/ui/window.h"

namespace rt::qt {
namespace {

QString Plain(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

std::string Utf8(const QString& s) { return s.toStdString(); }

}  // namespace

TestDriver::TestDriver(GuiServer& server, std::string output_folder, int timeout_ms)
    : server_(server), output_(std::move(output_folder)), timeout_ms_(timeout_ms) {}

void TestDriver::Fail(const std::string& message) const { throw DriverError(message); }

int TestDriver::Start(std::function<void()> procedure) { return ui::rtl_start(std::move(procedure)); }

void TestDriver::Pump() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestDriver::WaitUntil(const std::function<bool()>& condition, const std::string& what, int timeout_ms) {
    // A condition that asks for what is not on the screen yet (a list row, a window) is
    // not met yet; at the time limit its last complaint is part of the failure.
    std::string missing;
    auto met = [&] {
        try {
            return condition();
        } catch (const DriverError& e) {
            missing = e.what();
            return false;
        }
    };
    Pump();
    if (met()) return;
    const int limit = timeout_ms < 0 ? timeout_ms_ : timeout_ms;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    bool done = false;
    QTimer poll;
    // The condition may depend on procedure threads, which wake no event loop: look again
    // at short intervals while the GUI keeps working.
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (met()) {
            done = true;
            loop.quit();
        } else if (clock.elapsed() > limit) {
            loop.quit();
        }
    });
    poll.start(5);
    loop.exec();
    if (!done)
        Fail("timed out after " + std::to_string(limit) + " ms waiting for " + what +
             (missing.empty() ? "" : " (" + missing + ")"));
    Pump();
}

QtWindow& TestDriver::WaitForWindow(const std::string& procedure, int timeout_ms) {
    WaitUntil([&] { return server_.FindWindow(procedure) != nullptr; }, "window " + procedure + " to open",
              timeout_ms);
    return *server_.FindWindow(procedure);
}

void TestDriver::WaitClosed(const std::string& procedure, int timeout_ms) {
    WaitUntil([&] { return server_.FindWindow(procedure) == nullptr; }, "window " + procedure + " to close",
              timeout_ms);
}

void TestDriver::WaitForThreads(int timeout_ms) {
    WaitUntil([] { return ui::RunningThreads() == 0; }, "every procedure thread to end", timeout_ms);
}

QtWindow& TestDriver::Window(const std::string& procedure) {
    QtWindow* w = server_.FindWindow(procedure);
    if (!w) Fail("no open window " + procedure);
    return *w;
}

QWidget* TestDriver::Widget(const std::string& procedure, const std::string& label) {
    QtWindow& w = Window(procedure);
    QString name = QString::fromStdString(label);
    if (!w.top()) Fail("window " + procedure + " has no widget");
    for (QWidget* child : w.top()->findChildren<QWidget*>(name, Qt::FindChildrenRecursively)) {
        // A child window's controls of the same label belong to that window.
        for (QWidget* p = child; p; p = p->parentWidget()) {
            QVariant v = p->property(kWindowProperty);
            if (v.isValid()) {
                if (v.toUInt() == w.id()) return child;
                break;
            }
        }
    }
    return nullptr;
}

QAction* TestDriver::Action(const std::string& procedure, const std::string& label) {
    QtWindow& w = Window(procedure);
    if (!w.top()) return nullptr;
    return w.top()->findChild<QAction*>(QString::fromStdString(label));
}

void TestDriver::Activate(QtWindow& window) {
    QWidget* top = window.top();
    if (!top) Fail("window " + window.procedure() + " has no widget");
    QWidget* outer = top->window();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(top)) {
        if (sub->mdiArea()) sub->mdiArea()->setActiveSubWindow(sub);
    }
    if (QApplication::activeWindow() != outer) {
        BringToFront(outer);
        WaitUntil([outer] { return QApplication::activeWindow() == outer; },
                  "window " + window.procedure() + " to become active");
    }
}

QWidget* TestDriver::Usable(const std::string& procedure, const std::string& label) {
    QWidget* found = nullptr;
    auto shown = [&] {
        found = server_.FindWindow(procedure) ? Widget(procedure, label) : nullptr;
        return found && found->isVisible() && found->isEnabled();
    };
    const std::string what = "control " + label + " of " + procedure + " to be shown and enabled";
    // A user acts on a window whose procedure waits for input, once what the procedure did
    // so far is on the screen (its focus moves, texts and states).
    WaitUntil(
        [&] {
            QtWindow* w = server_.FindWindow(procedure);
            return w && rt::ui::ThreadIdle(w->thread()) && shown();
        },
        what);
    Pump();
    WaitUntil(shown, what);
    Activate(Window(procedure));
    return found;
}

void TestDriver::TakeFocus(QWidget* w, const std::string& procedure, const std::string& label) {
    WaitUntil(
        [&] {
            if (QApplication::focusWidget() != w) w->setFocus(Qt::MouseFocusReason);
            return QApplication::focusWidget() == w;
        },
        "control " + label + " of " + procedure + " to take the focus");
}

void TestDriver::ChoosePopup(const std::string& item_text, int timeout_ms) {
    QMenu* menu = nullptr;
    WaitUntil(
        [&] {
            menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return menu != nullptr;
        },
        "a popup menu", timeout_ms);
    if (item_text.empty()) {
        menu->close();
        Pump();
        return;
    }
    for (QAction* a : menu->actions()) {
        if (!a->isSeparator() && Plain(a->text()) == QString::fromStdString(item_text)) {
            if (!a->isEnabled()) Fail("popup item " + item_text + " is disabled");
            menu->hide();
            a->trigger();
            Pump();
            return;
        }
    }
    Fail("no popup item " + item_text);
}

void TestDriver::Focus(const std::string& procedure, const std::string& label) {
    TakeFocus(Usable(procedure, label), procedure, label);
}

void TestDriver::Type(const std::string& procedure, const std::string& label, const std::string& text) {
    QWidget* w = Usable(procedure, label);
    TakeFocus(w, procedure, label);
    if (auto* e = qobject_cast<QLineEdit*>(w))
        e->selectAll();
    else if (auto* t = qobject_cast<QPlainTextEdit*>(w))
        t->selectAll();
    else if (auto* r = qobject_cast<QTextEdit*>(w))
        r->selectAll();
    else
        Fail("control " + label + " of " + procedure + " takes no typing");
    TypeChars(w, QString::fromStdString(text));
    Pump();
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : w;
    QTest::keyClick(target, Qt::Key_Tab);
    Pump();
}

void TestDriver::Chars(const std::string& procedure, const std::string& text) {
    QtWindow& w = Window(procedure);
    Activate(w);
    QWidget* target = QApplication::focusWidget();
    if (!target) target = w.top()->focusWidget() ? w.top()->focusWidget() : w.client();
    TypeChars(target, QString::fromStdString(text));
    Pump();
}

void TestDriver::TypeChars(QWidget* w, const QString& text) {
    for (QChar ch : text) {
        Qt::Key key = Qt::Key_unknown;
        char16_t u = ch.toUpper().unicode();
        if (u >= 'A' && u <= 'Z')
            key = static_cast<Qt::Key>(Qt::Key_A + (u - 'A'));
        else if (u >= '0' && u <= '9')
            key = static_cast<Qt::Key>(Qt::Key_0 + (u - '0'));
        else if (u == ' ')
            key = Qt::Key_Space;
        else
            key = static_cast<Qt::Key>(u);  // as X11 sends a letter without a key of its own
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : w;
        QTest::sendKeyEvent(QTest::Press, target, key, QString(ch), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, target, key, QString(ch), Qt::NoModifier);
    }
}

void TestDriver::Press(const std::string& procedure, const std::string& label_or_text) {
    WaitUntil(
        [&] {
            if (!server_.FindWindow(procedure)) return false;
            if (Widget(procedure, label_or_text) || Action(procedure, label_or_text)) return true;
            for (auto* b : Window(procedure).top()->findChildren<QAbstractButton*>())
                if (Plain(b->text()) == QString::fromStdString(label_or_text)) return true;
            return false;
        },
        "control " + label_or_text + " in " + procedure);
    QWidget* w = Widget(procedure, label_or_text);
    if (!w) {
        if (QAction* a = Action(procedure, label_or_text)) {
            if (!a->isEnabled() || !a->isVisible())
                Fail("menu item " + label_or_text + " of " + procedure + " is not available");
            a->trigger();
            Pump();
            return;
        }
        for (auto* b : Window(procedure).top()->findChildren<QAbstractButton*>())
            if (Plain(b->text()) == QString::fromStdString(label_or_text)) w = b;
        QString name = w ? w->objectName() : QString();
        if (!name.isEmpty()) { w = Usable(procedure, name.toStdString()); }
    } else {
        w = Usable(procedure, label_or_text);
    }
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (!button) Fail("control " + label_or_text + " of " + procedure + " is no button");
    // Check boxes and radios take a click on their mark or text, at their left.
    QPoint at = button->rect().center();
    if (qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button))
        at.setX(std::min(8, button->width() / 2));
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, at);
    Pump();
}

namespace {

QTreeView* ListOf(QWidget* w, const std::string& label) {
    auto* v = qobject_cast<QTreeView*>(w);
    if (!v) throw DriverError("control " + label + " is no list");
    return v;
}

}  // namespace

void TestDriver::PickRow(const std::string& procedure, const std::string& label, int row) {
    QTreeView* v = ListOf(Usable(procedure, label), label);
    QModelIndex index = v->model()->index(row - 1, 0);
    if (!index.isValid()) Fail("list " + label + " has no row " + std::to_string(row));
    v->scrollTo(index);
    QTest::mouseClick(v->viewport(), Qt::LeftButton, Qt::NoModifier, v->visualRect(index).center());
    Pump();
}

void TestDriver::RightClickRow(const std::string& procedure, const std::string& label, int row) {
    QTreeView* v = ListOf(Usable(procedure, label), label);
    QModelIndex index = v->model()->index(row - 1, 0);
    if (!index.isValid()) Fail("list " + label + " has no row " + std::to_string(row));
    v->scrollTo(index);
    const QPoint at = v->visualRect(index).center();
    QTest::mousePress(v->viewport(), Qt::RightButton, Qt::NoModifier, at);
    QTest::mouseRelease(v->viewport(), Qt::RightButton, Qt::NoModifier, at);
    Pump();
}

void TestDriver::DoubleClickRow(const std::string& procedure, const std::string& label, int row) {
    QTreeView* v = ListOf(Usable(procedure, label), label);
    QModelIndex index = v->model()->index(row - 1, 0);
    if (!index.isValid()) Fail("list " + label + " has no row " + std::to_string(row));
    v->scrollTo(index);
    QPoint at = v->visualRect(index).center();
    QTest::mouseClick(v->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(v->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    Pump();
}

void TestDriver::ClickHeader(const std::string& procedure, const std::string& label, int column) {
    QTreeView* v = ListOf(Usable(procedure, label), label);
    QHeaderView* h = v->header();
    if (column < 1 || column > h->count()) Fail("list " + label + " has no column " + std::to_string(column));
    int x = h->sectionViewportPosition(column - 1) + h->sectionSize(column - 1) / 2;
    QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, h->height() / 2));
    Pump();
}

void TestDriver::PickTab(const std::string& procedure, const std::string& sheet_label, int tab) {
    auto* t = qobject_cast<QTabWidget*>(Usable(procedure, sheet_label));
    if (!t) Fail("control " + sheet_label + " is no sheet");
    QTabBar* bar = t->tabBar();
    if (tab < 1 || tab > bar->count()) Fail("sheet " + sheet_label + " has no tab " + std::to_string(tab));
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(tab - 1).center());
    Pump();
}

void TestDriver::ChooseItem(const std::string& procedure, const std::string& label,
                            const std::string& item_text) {
    auto* box = qobject_cast<QComboBox*>(Usable(procedure, label));
    if (!box) Fail("control " + label + " of " + procedure + " is no drop list");
    const int index = box->findText(QString::fromStdString(item_text));
    if (index < 0) Fail("drop list " + label + " of " + procedure + " has no item " + item_text);
    TakeFocus(box, procedure, label);
    box->showPopup();
    Pump();
    QAbstractItemView* view = box->view();
    const QRect item = view->visualRect(view->model()->index(index, box->modelColumn()));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, item.center());
    Pump();
    if (box->currentIndex() != index)
        Fail("drop list " + label + " of " + procedure + " did not take " + item_text);
}

std::vector<std::string> TestDriver::Items(const std::string& procedure, const std::string& label) {
    auto* box = qobject_cast<QComboBox*>(Widget(procedure, label));
    if (!box) Fail("control " + label + " of " + procedure + " is no drop list");
    std::vector<std::string> out;
    for (int i = 0; i < box->count(); ++i) out.push_back(Utf8(box->itemText(i)));
    return out;
}

void TestDriver::Keys(const std::string& procedure, const std::vector<int>& keycodes) {
    QtWindow& w = Window(procedure);
    Activate(w);
    for (int code : keycodes) {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        if (!QtKeyOf(code, key, mods)) Fail("no key for code " + std::to_string(code));
        QWidget* target = QApplication::focusWidget();
        if (!target) target = w.top()->focusWidget() ? w.top()->focusWidget() : w.client();
        QTest::sendKeyEvent(QTest::Press, target, key, KeyText(code), mods);
        if (QApplication::focusWidget()) target = QApplication::focusWidget();
        QTest::sendKeyEvent(QTest::Release, target, key, KeyText(code), mods);
        Pump();
    }
}

bool TestDriver::MessageOpen() const { return !server_.Messages().empty(); }

std::string TestDriver::MessageText(int timeout_ms) {
    WaitUntil([&] { return MessageOpen(); }, "a message box", timeout_ms);
    return Utf8(server_.Messages().front().box->text());
}

std::string TestDriver::Answer(const std::string& button_text, int timeout_ms) {
    WaitUntil([&] { return MessageOpen(); }, "a message box", timeout_ms);
    QMessageBox* box = server_.Messages().front().box;
    std::string text = Utf8(box->text());
    for (QAbstractButton* b : box->buttons()) {
        if (Plain(b->text()) == QString::fromStdString(button_text)) {
            QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, b->rect().center());
            Pump();
            return text;
        }
    }
    Fail("message box \"" + text + "\" has no button " + button_text);
}

std::string TestDriver::ChooseInFileDialog(const std::string& path, int timeout_ms) {
    WaitUntil([&] { return !server_.FileDialogs().empty(); }, "a file dialog", timeout_ms);
    QWidget* dialog = server_.FileDialogs().front();
    const std::string title = Utf8(dialog->windowTitle());
    if (path.empty()) {
        for (auto* b : dialog->findChildren<QAbstractButton*>())
            if (Plain(b->text()) == QStringLiteral("Cancel")) {
                QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, b->rect().center());
                Pump();
                return title;
            }
        Fail("the file dialog has no Cancel button");
    }
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!name) Fail("the file dialog has no name entry");
    name->setFocus();
    name->setText(QString::fromStdString(path));
    Pump();
    QTest::keyClick(name, Qt::Key_Return);
    Pump();
    return title;
}

std::string TestDriver::Text(const std::string& procedure, const std::string& label) {
    QWidget* w = Widget(procedure, label);
    if (!w) {
        if (QAction* a = Action(procedure, label)) return Utf8(a->text());
        Fail("no control " + label + " in " + procedure);
    }
    if (auto* e = qobject_cast<QLineEdit*>(w)) return Utf8(e->text());
    if (auto* l = qobject_cast<QLabel*>(w)) return Utf8(l->text());
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return Utf8(b->text());
    if (auto* g = qobject_cast<QGroupBox*>(w)) return Utf8(g->title());
    if (auto* t = qobject_cast<QPlainTextEdit*>(w)) return Utf8(t->toPlainText());
    if (auto* r = qobject_cast<QTextEdit*>(w)) return Utf8(r->toPlainText());
    if (auto* v = qobject_cast<QTreeView*>(w)) {
        QModelIndex i = v->currentIndex();
        return i.isValid() ? Utf8(v->model()->index(i.row(), 0).data().toString()) : std::string();
    }
    if (auto* s = qobject_cast<QTabWidget*>(w)) return Utf8(s->tabText(s->currentIndex()));
    if (auto* c = qobject_cast<QComboBox*>(w)) return Utf8(c->currentText());
    return {};
}

std::string TestDriver::Caption(const std::string& procedure) {
    return Utf8(Window(procedure).top()->windowTitle());
}

bool TestDriver::Visible(const std::string& procedure, const std::string& label) {
    if (QWidget* w = Widget(procedure, label)) return w->isVisible();
    if (QAction* a = Action(procedure, label)) return a->isVisible();
    Fail("no control " + label + " in " + procedure);
}

bool TestDriver::Enabled(const std::string& procedure, const std::string& label) {
    if (QWidget* w = Widget(procedure, label)) return w->isEnabled();
    if (QAction* a = Action(procedure, label)) return a->isEnabled();
    Fail("no control " + label + " in " + procedure);
}

bool TestDriver::Checked(const std::string& procedure, const std::string& label) {
    auto* b = qobject_cast<QAbstractButton*>(Widget(procedure, label));
    if (!b) Fail("control " + label + " of " + procedure + " is no check box or radio");
    return b->isChecked();
}

int TestDriver::RowCount(const std::string& procedure, const std::string& label) {
    return ListOf(Widget(procedure, label), label)->model()->rowCount();
}

std::string TestDriver::Cell(const std::string& procedure, const std::string& label, int row, int column) {
    QTreeView* v = ListOf(Widget(procedure, label), label);
    QModelIndex i = v->model()->index(row - 1, column - 1);
    if (!i.isValid())
        Fail("list " + label + " has no cell " + std::to_string(row) + "," + std::to_string(column));
    return Utf8(i.data().toString());
}

std::vector<long> TestDriver::CellColors(const std::string& procedure, const std::string& label, int row,
                                         int column) {
    QTreeView* v = ListOf(Widget(procedure, label), label);
    QModelIndex i = v->model()->index(row - 1, column - 1);
    if (!i.isValid())
        Fail("list " + label + " has no cell " + std::to_string(row) + "," + std::to_string(column));
    std::vector<long> out;
    for (int role :
         {int(Qt::ForegroundRole), int(Qt::BackgroundRole), kSelectedTextRole, kSelectedBackgroundRole}) {
        QVariant value = i.data(role);
        if (!value.isValid()) {
            out.push_back(-1);
            continue;
        }
        const QColor color =
            value.canConvert<QBrush>() ? value.value<QBrush>().color() : value.value<QColor>();
        out.push_back(color.red() | (color.green() << 8) | (color.blue() << 16));
    }
    return out;
}

std::string TestDriver::Heading(const std::string& procedure, const std::string& label, int column) {
    QTreeView* v = ListOf(Widget(procedure, label), label);
    return Utf8(v->model()->headerData(column - 1, Qt::Horizontal).toString());
}

std::string TestDriver::Focused(const std::string& procedure) {
    QtWindow& w = Window(procedure);
    QWidget* f = w.top() ? w.top()->focusWidget() : nullptr;
    for (; f; f = f->parentWidget()) {
        if (f->property(kControlProperty).isValid()) return Utf8(f->objectName());
        if (f->property(kWindowProperty).isValid()) break;
    }
    return {};
}

std::string TestDriver::Snapshot(const std::string& procedure, const std::string& file_name) {
    QtWindow& w = Window(procedure);
    Pump();
    QDir().mkpath(QString::fromStdString(output_));
    std::string path = output_ + "/" + file_name;
    QWidget* shot = w.top();
    if (!shot || !shot->grab().save(QString::fromStdString(path), "PNG"))
        Fail("could not save a snapshot of " + procedure + " to " + path);
    return path;
}

}  // namespace rt::qt
