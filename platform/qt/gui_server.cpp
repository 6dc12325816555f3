#include "platform/qt/gui_server.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>
#include <QSpacerItem>
#include <QStyleFactory>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <thread>

#include "platform/core/text.h"
#include "platform/qt/qt_window.h"
#include "platform/ui/wndproc.h"

namespace rt::qt {

GuiServer::GuiServer() {
    qApp->installEventFilter(this);
    connect(
        qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& m) { CommitData(m); },
        Qt::DirectConnection);
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { AboutToQuit(); });
}

GuiServer::~GuiServer() {
    if (qApp) qApp->removeEventFilter(this);
    for (auto& [id, m] : messages_)
        if (m.box) delete m.box.data();
    windows_.clear();
}

// ---------------------------------------------------------------- any thread

void GuiServer::OpenWindow(const ui::WindowState& state) {
    QMetaObject::invokeMethod(
        this, [this, state] { DoOpen(state); }, Qt::QueuedConnection);
}

void GuiServer::SyncWindow(const ui::WindowState& delta) {
    QMetaObject::invokeMethod(
        this, [this, delta] { DoSync(delta); }, Qt::QueuedConnection);
}

void GuiServer::CloseWindow(ui::WindowId id) {
    QMetaObject::invokeMethod(
        this, [this, id] { DoClose(id); }, Qt::QueuedConnection);
}

void GuiServer::ShowMessage(const ui::MessageRequest& request) {
    QMetaObject::invokeMethod(
        this, [this, request] { DoMessage(request); }, Qt::QueuedConnection);
}

void GuiServer::WithdrawMessages(int thread) {
    QMetaObject::invokeMethod(
        this,
        [this, thread] {
            std::vector<std::uint32_t> ids;
            for (const auto& [id, box] : messages_)
                if (box.thread == thread && !box.answered) ids.push_back(id);
            for (std::uint32_t id : ids) Answer(id, 0);
        },
        Qt::QueuedConnection);
}

void GuiServer::ShowPopup(const ui::MessageRequest& request) {
    QMetaObject::invokeMethod(
        this, [this, request] { DoPopup(request); }, Qt::QueuedConnection);
}

void GuiServer::ToolbarState(ui::WindowId window, std::uint16_t enabled) {
    QMetaObject::invokeMethod(
        this,
        [this, window, enabled] {
            if (!Window(window)) return;
            toolbar_states_[window] = enabled;
            ApplyToolbar();
        },
        Qt::QueuedConnection);
}

void GuiServer::ApplyToolbar() {
    QtWindow* frame = Window(frame_);
    if (!frame) return;
    std::optional<std::uint16_t> enabled;
    auto it = toolbar_states_.find(focused_);
    if (focused_ != frame_ && it != toolbar_states_.end()) enabled = it->second;
    frame->SetToolbarOverride(enabled);
}

void GuiServer::Perform(ui::WindowId window, int feq, const std::string& action, const std::string& value) {
    QMetaObject::invokeMethod(
        this,
        [this, window, feq, action, value] {
            if (QtWindow* w = Window(window)) w->Perform(feq, action, value);
        },
        Qt::QueuedConnection);
}

void GuiServer::Beep() {
    ++beeps_;
    QMetaObject::invokeMethod(
        this, [] { QApplication::beep(); }, Qt::QueuedConnection);
}

void GuiServer::PrinterSetup(int thread) {
    QMetaObject::invokeMethod(
        this, [this, thread] { DoPrinterSetup(thread); }, Qt::QueuedConnection);
}

// ---------------------------------------------------------------- GUI thread

QtWindow* GuiServer::Window(ui::WindowId id) const {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : it->second.get();
}

QtWindow* GuiServer::FindWindow(const std::string& procedure) const {
    for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
        QtWindow* w = Window(*it);
        if (w && rt::equal_nocase(w->procedure(), procedure)) return w;
    }
    return nullptr;
}

std::vector<QtWindow*> GuiServer::Windows() const {
    std::vector<QtWindow*> out;
    for (ui::WindowId id : order_)
        if (QtWindow* w = Window(id)) out.push_back(w);
    return out;
}

std::vector<GuiServer::OpenMessage> GuiServer::Messages() const {
    std::vector<OpenMessage> out;
    for (const auto& [id, m] : messages_)
        if (m.box && !m.answered) out.push_back({id, m.thread, m.box.data()});
    return out;
}

QPrinter& GuiServer::printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void GuiServer::DoOpen(const ui::WindowState& state) {
    if (!state.def || windows_.count(state.id)) return;
    QtWindow* frame = Window(frame_);
    QMdiArea* mdi = state.def->mdi && frame ? frame->mdi_area() : nullptr;
    auto window = std::make_unique<QtWindow>(state, mdi);
    QtWindow* w = window.get();
    windows_[state.id] = std::move(window);
    order_.push_back(state.id);
    if (state.def->frame && !frame) {
        frame_ = state.id;
        if (QMdiArea* area = w->mdi_area()) {
            connect(area, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
                QtWindow* child = WindowOfWidget(sub);
                if (!child) return;
                // A window under its thread's newer window or question stays beneath it.
                if (child->blocked() && RaiseNewest(child->thread()) != child) return;
                Focused(child->id());
            });
        }
    }
    UpdateModality(state.thread);
    w->Show();
}

void GuiServer::DoSync(const ui::WindowState& delta) {
    if (QtWindow* w = Window(delta.id)) w->Apply(delta);
}

void GuiServer::DoClose(ui::WindowId id) {
    auto it = windows_.find(id);
    if (it == windows_.end()) return;
    int thread = it->second->thread();
    toolbar_states_.erase(id);
    if (id != frame_) ApplyToolbar();
    std::unique_ptr<QtWindow> closing = std::move(it->second);
    windows_.erase(it);
    order_.erase(std::remove(order_.begin(), order_.end(), id), order_.end());
    if (frame_ == id) frame_ = 0;
    if (focused_ == id) focused_ = 0;
    closing.reset();
    UpdateModality(thread);
}

QtWindow* GuiServer::RaiseNewest(int thread) {
    for (auto it = messages_.rbegin(); it != messages_.rend(); ++it)
        if (it->second.thread == thread && it->second.box && !it->second.answered) {
            BringToFront(it->second.box);
            return nullptr;
        }
    QtWindow* newest = nullptr;
    for (ui::WindowId id : order_)
        if (QtWindow* w = Window(id); w && w->thread() == thread) newest = w;
    if (!newest || !newest->top()) return newest;
    if (auto* sub = qobject_cast<QMdiSubWindow*>(newest->top()); sub && sub->mdiArea())
        sub->mdiArea()->setActiveSubWindow(sub);
    BringToFront(newest->top());
    return newest;
}

// The window the user works in changed: it gains the focus, the previous one loses it.
void GuiServer::Focused(ui::WindowId id) {
    if (id == focused_) return;
    ui::WindowId previous = focused_;
    focused_ = id;
    ApplyToolbar();
    ui::InputEvent ev;
    if (previous && Window(previous)) {
        ev.event = ui::Event::LoseFocus;
        ui::Deliver(previous, ev);
    }
    ev.event = ui::Event::GainFocus;
    ui::Deliver(id, ev);
}

// A thread's newest window takes input; its older ones, and all of them while one of its
// message boxes or dialogs is open, do not. Other threads' windows are left alone.
void GuiServer::UpdateModality(int thread) {
    bool dialog = dialogs_.count(thread) && dialogs_[thread] > 0;
    for (const auto& [id, m] : messages_)
        if (m.thread == thread && m.box && !m.answered) dialog = true;
    QtWindow* newest = nullptr;
    for (ui::WindowId id : order_) {
        QtWindow* w = Window(id);
        if (w && w->thread() == thread) newest = w;
    }
    for (ui::WindowId id : order_) {
        QtWindow* w = Window(id);
        if (w && w->thread() == thread) w->SetBlocked(dialog || w != newest);
    }
}

namespace {

QMessageBox::Icon IconOf(const std::string& name) {
    if (rt::equal_nocase(name, "Question")) return QMessageBox::Question;
    if (rt::equal_nocase(name, "Exclamation")) return QMessageBox::Warning;
    if (rt::equal_nocase(name, "Hand")) return QMessageBox::Critical;
    if (rt::equal_nocase(name, "Asterisk")) return QMessageBox::Information;
    return QMessageBox::NoIcon;
}

// The letter that answers with a button, as the box shows its texts: the one its text
// marks with "&", else its first letter or digit that no button before it has taken
// (lower case; none when every one is taken).
QChar HotLetter(const QString& text, const QString& taken) {
    const qsizetype amp = text.indexOf(QLatin1Char('&'));
    if (amp >= 0 && amp + 1 < text.size() && text[amp + 1] != QLatin1Char('&'))
        return text[amp + 1].toLower();
    for (QChar ch : text)
        if (ch.isLetterOrNumber() && !taken.contains(ch.toLower())) return ch.toLower();
    return {};
}

// A box answered from the keyboard: a button's letter presses it (with or without Alt),
// Enter the button that has the focus, which is the default one until Tab moves it.
class BoxKeys : public QObject {
public:
    BoxKeys(QMessageBox* box, std::vector<std::pair<QChar, QAbstractButton*>> letters)
        : QObject(box), box_(box), letters_(std::move(letters)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
        QAbstractButton* pressed = nullptr;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            pressed = qobject_cast<QPushButton*>(QApplication::focusWidget());
            if (!pressed || !box_->isAncestorOf(pressed)) pressed = box_->defaultButton();
        } else {
            // With Alt held the key types nothing: its letter is the key's own.
            QString text = key->text();
            if (text.isEmpty() && key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z)
                text = QChar(static_cast<char16_t>(key->key()));
            for (const auto& [letter, button] : letters_)
                if (text.size() == 1 && !letter.isNull() && letter == text[0].toLower()) {
                    pressed = button;
                    break;
                }
        }
        if (!pressed) return false;
        // Taken as a key of the box, not as a shortcut of another window; pressed once.
        event->accept();
        if (event->type() == QEvent::KeyPress) pressed->click();
        return true;
    }

private:
    QMessageBox* box_;
    std::vector<std::pair<QChar, QAbstractButton*>> letters_;
};

// Wide enough for its caption. The desktop draws the caption in a face of its own, bold
// and often half as wide again as the window's, beside the window's icon and its buttons:
// the toolkit's own estimate of that is short.
int CaptionWidth(const QString& caption) {
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    const QFontMetrics fm(font);
    return fm.horizontalAdvance(caption) * 3 / 2 + 4 * (fm.height() + 8);
}

void FitCaption(QMessageBox& box) {
    int need = CaptionWidth(box.windowTitle());
    if (QScreen* screen = QGuiApplication::primaryScreen())
        need = std::min(need, screen->availableGeometry().width() * 4 / 5);
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid || need <= 0) return;
    grid->addItem(new QSpacerItem(need, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0,
                  1, grid->columnCount());
}

}  // namespace

void GuiServer::DoMessage(const ui::MessageRequest& request) {
    auto* box = new QMessageBox;
    // A caption with a close box only, as a message box has on the desktop.
    box->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowCloseButtonHint);
    box->setObjectName(QStringLiteral("kvMessage%1").arg(request.id));
    box->setWindowModality(Qt::NonModal);
    box->setTextFormat(Qt::PlainText);
    // A blank title, not an empty one: the platform shows the program's name for an empty one.
    box->setWindowTitle(request.caption.empty() ? QStringLiteral(" ") : FromCp1250(request.caption));
    box->setText(FromCp1250(request.text));
    box->setIcon(IconOf(request.icon));
    std::vector<std::string> buttons = request.buttons;
    if (buttons.empty()) buttons.push_back("OK");
    const std::uint32_t id = request.id;
    QList<QAbstractButton*> order;
    QString taken;
    std::vector<std::pair<QChar, QAbstractButton*>> letters;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const QString text = FromCp1250(buttons[i]);
        const QChar letter = HotLetter(text, taken);
        if (!letter.isNull()) taken += letter;
        QPushButton* b = box->addButton(text, QMessageBox::AcceptRole);
        b->setObjectName(QStringLiteral("kvButton%1").arg(i + 1));
        order.push_back(b);
        letters.emplace_back(letter, b);
        if (static_cast<int>(i) + 1 == request.default_button) box->setDefaultButton(b);
    }
    if (buttons.size() == 1) box->setEscapeButton(order.front());
    auto* keys = new BoxKeys(box, std::move(letters));
    box->installEventFilter(keys);
    for (QAbstractButton* b : order) b->installEventFilter(keys);
    FitCaption(*box);
    // The clicked button's place; a box closed otherwise answers its default.
    const int fallback = std::clamp(request.default_button, 1, static_cast<int>(buttons.size()));
    connect(box, &QMessageBox::finished, this, [this, id, fallback, box, order] {
        qsizetype at = order.indexOf(box->clickedButton());
        Answer(id, at >= 0 ? static_cast<int>(at) + 1 : fallback);
    });
    messages_[id] = Box{request.thread, box, false};
    UpdateModality(request.thread);

    // Centred over the asking thread's newest window.
    QWidget* over = nullptr;
    for (ui::WindowId wid : order_) {
        QtWindow* w = Window(wid);
        if (w && w->thread() == request.thread && w->top()) over = w->top()->window();
    }
    // Sized and placed before it is shown: a window manager that is asked to move a mapped
    // window may leave it unpainted until the next expose.
    box->adjustSize();
    QRect area =
        over ? over->frameGeometry()
             : (QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                 : QRect());
    if (area.isValid()) box->move(area.center() - QPoint(box->width() / 2, box->height() / 2));
    box->show();
    BringToFront(box);
    // Enter answers with the default button, not with the first one that took the focus.
    if (QPushButton* b = box->defaultButton()) b->setFocus(Qt::OtherFocusReason);
}

void GuiServer::DoPopup(const ui::MessageRequest& request) {
    auto* menu = new QMenu;
    menu->setObjectName(QStringLiteral("kvPopup%1").arg(request.id));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const std::uint32_t id = request.id;
    int enabled = 0;
    // Items separated by "|": "-" a separator, "~" before a text a disabled item; the
    // answer counts the enabled items only.
    QString text = FromCp1250(request.text);
    for (const QString& item : text.split(QLatin1Char('|'))) {
        if (item == QLatin1String("-")) {
            menu->addSeparator();
            continue;
        }
        const bool off = item.startsWith(QLatin1Char('~'));
        QAction* a = menu->addAction(off ? item.mid(1) : item);
        a->setEnabled(!off);
        if (off) continue;
        const int n = ++enabled;
        connect(a, &QAction::triggered, this, [id, n] { ui::DeliverAnswer(id, n); });
    }
    // Closed without a choice: 0. A choice is delivered first; the later 0 finds no request.
    connect(menu, &QMenu::aboutToHide, this,
            [id] { QTimer::singleShot(0, [id] { ui::DeliverAnswer(id, 0); }); });
    menu->popup(QCursor::pos());
}

void GuiServer::Answer(std::uint32_t id, int answer) {
    auto it = messages_.find(id);
    if (it == messages_.end() || it->second.answered) return;
    it->second.answered = true;
    int thread = it->second.thread;
    QPointer<QMessageBox> box = it->second.box;
    messages_.erase(it);
    if (box) {
        box->hide();
        box->deleteLater();
    }
    ui::DeliverAnswer(id, answer);
    UpdateModality(thread);
}

void GuiServer::BeginThreadDialog(int thread) {
    ++dialogs_[thread];
    UpdateModality(thread);
}

void GuiServer::EndThreadDialog(int thread) {
    if (--dialogs_[thread] <= 0) dialogs_.erase(thread);
    UpdateModality(thread);
}

void GuiServer::DoPrinterSetup(int thread) {
    // The printer, its paper and orientation; what a report prints is chosen elsewhere.
    auto* dialog = new QPrintDialog(&printer());
    dialog->setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::NonModal);
    // A set-up, not a print: its button confirms the choice.
    dialog->setObjectName(QStringLiteral("kvPrintSetup"));
    dialog->setWindowTitle(QStringLiteral("Print Setup"));
    if (auto* buttons = dialog->findChild<QDialogButtonBox*>())
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok)) ok->setText(QStringLiteral("OK"));
    ++dialogs_[thread];
    UpdateModality(thread);
    connect(dialog, &QDialog::finished, this, [this, thread] {
        if (--dialogs_[thread] <= 0) dialogs_.erase(thread);
        UpdateModality(thread);
    });
    dialog->open();
}

QtWindow* GuiServer::WindowOfWidget(QObject* object) const {
    if (!object || !object->isWidgetType()) return nullptr;
    for (auto* w = static_cast<QWidget*>(object); w; w = w->parentWidget()) {
        QVariant v = w->property(kWindowProperty);
        if (v.isValid()) return Window(v.toUInt());
        // A dialog or a popup that a control opens is a window of its own: its keys and
        // clicks are its own, not the control's.
        if (w->isWindow()) return nullptr;
    }
    return nullptr;
}

bool GuiServer::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::FocusIn:
        case QEvent::FocusOut: break;
        case QEvent::WindowActivate:
            if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
                if (QtWindow* w = WindowOfWidget(watched)) {
                    QMdiArea* area = w->mdi_area();
                    QtWindow* child = area ? WindowOfWidget(area->activeSubWindow()) : nullptr;
                    Focused(child ? child->id() : w->id());
                }
            }
            return false;
        default: return false;
    }
    QtWindow* w = WindowOfWidget(watched);
    if (!w) return false;
    auto* widget = static_cast<QWidget*>(watched);
    // A click on a window under its thread's newer window brings that one forward instead.
    if (event->type() == QEvent::MouseButtonPress && w->blocked() && RaiseNewest(w->thread()) != w)
        return true;
    switch (event->type()) {
        case QEvent::KeyPress: return w->OnKey(widget, static_cast<QKeyEvent*>(event), false);
        case QEvent::ShortcutOverride: return w->OnKey(widget, static_cast<QKeyEvent*>(event), true);
        case QEvent::Wheel: return w->OnWheel(widget, static_cast<QWheelEvent*>(event));
        case QEvent::FocusIn: w->OnFocusIn(widget, static_cast<QFocusEvent*>(event)->reason()); return false;
        case QEvent::FocusOut:
            w->OnFocusOut(widget, static_cast<QFocusEvent*>(event)->reason());
            return false;
        default: return w->OnMouse(widget, static_cast<QMouseEvent*>(event));
    }
}

// The session is asked to end: the handle chain of every top-level window answers (child
// windows of the frame are not asked); one refusal keeps the session.
bool GuiServer::SessionMayEnd() {
    bool allow = true;
    for (QtWindow* w : Windows())
        if (!w->is_child() && !w->SessionMessage(ui::WM_QUERYENDSESSION, 0)) allow = false;
    session_ending_ = allow;
    return allow;
}

void GuiServer::SessionEnds() {
    for (QtWindow* w : Windows())
        if (!w->is_child()) w->SessionMessage(ui::WM_ENDSESSION, 1);
}

void GuiServer::CommitData(QSessionManager& manager) {
    if (!SessionMayEnd()) manager.cancel();
}

void GuiServer::AboutToQuit() {
    if (session_ending_) SessionEnds();
}

// ---------------------------------------------------------------- the process

namespace {
QApplication* g_app = nullptr;
GuiServer* g_server = nullptr;
}  // namespace

GuiServer* CreateGui(int& argc, char** argv) {
    if (g_server) return g_server;
    if (!qApp) g_app = new QApplication(argc, argv);
    QFont::insertSubstitution(QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    QApplication::setQuitOnLastWindowClosed(false);
    g_server = new GuiServer;
    ui::SetBackend(g_server);
    InstallDesktopQuery(g_server);
    InstallReportDevice(g_server);
    return g_server;
}

GuiServer* Server() { return g_server; }

void DestroyGui() {
    ui::SetBackend(nullptr);
    InstallDesktopQuery(nullptr);
    InstallReportDevice(nullptr);
    delete g_server;
    g_server = nullptr;
    delete g_app;
    g_app = nullptr;
}

void QuitGui() {
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
}

int StartGui(int& argc, char** argv, const std::function<int()>& program) {
    CreateGui(argc, argv);
    int code = 0;
    std::thread runner([&] {
        code = program();
        QuitGui();
    });
    QApplication::exec();
    runner.join();
    // Procedure threads still ending (closing their connections and files) finish before
    // the toolkit and the process's statics go; one that hangs does not keep the process.
    ui::WaitForThreads(5000);
    DestroyGui();
    return code;
}

}  // namespace rt::qt
