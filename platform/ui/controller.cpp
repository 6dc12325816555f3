#include "platform/ui/controller.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/core/errors.h"
#include "platform/core/ini.h"
#include "platform/files/layout.h"
#include "platform/ui/desktop.h"
#include "platform/ui/resizer.h"
#include "platform/ui/toolbar.h"

namespace rt::ui {

namespace {

// Requests as the callers pass them (the program's request codes).
enum : std::uint8_t { kInsert = 1, kChange = 2, kDelete = 3, kView = 6 };

// Every controller that is running its window, with the thread it runs on.
struct Running {
    WindowController* controller;
    int thread;
};
std::mutex g_running_mutex;
std::vector<Running> g_running;

thread_local WindowController* t_active = nullptr;

void Register(WindowController* c) {
    std::lock_guard guard(g_running_mutex);
    g_running.push_back({c, rtl_thread()});
}

void Unregister(WindowController* c) {
    std::lock_guard guard(g_running_mutex);
    g_running.erase(std::remove_if(g_running.begin(), g_running.end(),
                                   [c](const Running& r) { return r.controller == c; }),
                    g_running.end());
}

}  // namespace

WindowController::WindowController(Window& window) : window_(&window) {}

WindowController::~WindowController() {
    Unregister(this);
    if (t_active == this) t_active = outer_;
}

// ---- The virtual operations ----------------------------------------------------------

int WindowController::EventLoop() {
    Window& w = *window_;
    for (;;) {
        // A close-down asked for while a window above this one ran, or before the
        // window accepted, reaches the window now.
        if (close_down_requested_ && !close_down_seen_) {
            close_down_seen_ = true;
            w.Post(Event::CloseDown);
        }
        if (!w.Accept()) break;
        if (w.event() == Event::CloseDown) close_down_seen_ = true;
        const int level = OnEvent();
        if (level == kLevelFatal || closing_) break;
        if (toolbar_) toolbar_->Publish(w);
    }
    return kLevelGoOn;
}

int WindowController::Setup() {
    ORIGINALREQUEST = REQUEST;
    buttons_.clear();
    INSERTACTION = 2;
    CHANGEACTION = 2;
    DELETEACTION = 2;
    CANCELACTION = 3;
    closing_ = false;
    return kLevelGoOn;
}

int WindowController::Teardown() {
    if (toolbar_ && form_toolbar_) toolbar_->RemoveTarget(*form_toolbar_);
    return kLevelGoOn;
}

void WindowController::Opened() {
    Reset(1);
    SelectFirstField();
}

void WindowController::Open(Window& window) {
    window_ = &window;
    window.Open();
    OPENED = 1;
}

void WindowController::DefaultFields() {}

int WindowController::PrepareRequest() {
    switch (REQUEST) {
        case kInsert: DefaultFields(); return kLevelGoOn;
        case kDelete: {
            if (DELETEACTION != 2) return kLevelGoOn;
            // The record is deleted without the form: ask, delete, and answer at once.
            const bool yes = !ERRORS || ERRORS->RaiseMessage(Msg::ConfirmDelete) == Level::Benign;
            RESPONSE = (yes && CompleteDelete() == kLevelGoOn) ? kResponseCompleted : kResponseCancelled;
            return kLevelConsumed;
        }
        default: return kLevelGoOn;
    }
}

void WindowController::Reset(int force) {
    if (force) FORCEDRESET = 1;
    if (window_->IsOpen() && window_->Get(0, Prop::AcceptAll) != 0) return;
    if (window_->IsOpen()) window_->Display();
    FORCEDRESET = 0;
}

void WindowController::RecallField(int feq) {
    if (!recall_layout_ || !recall_record_ || !recall_history_) return;
    for (const RecallPair& p : recall_fields_) {
        if (p.feq != feq) continue;
        if (p.field_number < 1 || static_cast<std::size_t>(p.field_number) > recall_layout_->fields.size())
            return;
        const FieldDef& f = recall_layout_->fields[p.field_number - 1];
        if (f.offset + f.total_size() > recall_layout_->record_size) return;
        std::memcpy(static_cast<unsigned char*>(recall_record_) + f.offset,
                    static_cast<const unsigned char*>(recall_history_) + f.offset, f.total_size());
        window_->Display(feq);
        return;
    }
}

int WindowController::RunWindow() {
    outer_ = t_active;
    t_active = this;
    closing_ = false;
    close_down_requested_ = false;
    close_down_seen_ = false;
    Register(this);
    if (Setup() == kLevelGoOn) EventLoop();
    Teardown();
    Unregister(this);
    t_active = outer_;
    outer_ = nullptr;
    return RESPONSE ? static_cast<int>(RESPONSE) : static_cast<int>(kResponseCancelled);
}

int WindowController::RunUpdate(int, int) { return kResponseCancelled; }

void WindowController::DeclareAlertKeys() {
    if (HISTORYKEY) window_->Alert(0, HISTORYKEY);
}

void WindowController::CloseWithResponse(std::uint8_t response) {
    RESPONSE = response;
    if (OPENED) window_->Post(Event::CloseWindow);
}

int WindowController::OnAccepted() {
    const int feq = window_->field();
    for (const ButtonAction& b : buttons_) {
        if (b.button != feq) continue;
        CloseWithResponse(b.response);
        return kLevelGoOn;
    }
    if (OKCONTROL && feq == OKCONTROL) window_->Post(Event::Completed);
    return kLevelGoOn;
}

int WindowController::OnCompleted() {
    if (recall_layout_ && recall_record_ && recall_history_)
        std::memcpy(recall_history_, recall_record_, recall_layout_->record_size);
    switch (REQUEST) {
        case kInsert: return CompleteInsert();
        case kChange: return CompleteChange();
        case kDelete: return CompleteDelete();
        case kView: return kLevelGoOn;  // a viewed record is never saved
        default: CloseWithResponse(kResponseCompleted); return kLevelGoOn;
    }
}

int WindowController::OnCloseEvent() {
    // Closing after a completion, or with nothing to ask about, goes ahead.
    if (RESPONSE == kResponseCompleted || CANCELACTION == 0 || !RecordChanged()) {
        if (RESPONSE == 0) RESPONSE = kResponseCancelled;
        return kLevelGoOn;
    }
    if (ERRORS && ERRORS->RaiseMessage(Msg::ConfirmCancel) != Level::Benign) {
        SelectFirstField();
        return kLevelConsumed;  // the window stays open
    }
    RESPONSE = kResponseCancelled;
    return kLevelGoOn;
}

int WindowController::OnEvent() {
    Window& w = *window_;
    const int event = w.event();
    if (event == Event::Accepted && toolbar_ && toolbar_->TakeEvent(w.field())) return kLevelConsumed;
    if (event == Event::AlertKey && HISTORYKEY && w.keycode() == HISTORYKEY) {
        RecallField(w.field() ? w.field() : w.FocusedControl());
        return kLevelConsumed;
    }
    if (event == Event::Moved || event == Event::Sized) position_known_ = true;
    if (event == Event::Sized && resizer_) resizer_->Resize();
    const int level = w.field() == 0 ? OnWindowEvent() : OnFieldEvent();
    if (event == Event::Sized && !closing_) w.Post(Event::AfterResize);
    return level;
}

int WindowController::OnFieldEvent() {
    switch (window_->event()) {
        case Event::Accepted: return OnAccepted();
        case Event::Rejected: return OnRejected();
        case Event::Selected: return OnSelected();
        case Event::NewSelection: return OnNewSelection();
        default: return kLevelGoOn;
    }
}

int WindowController::OnNewSelection() { return kLevelGoOn; }
int WindowController::OnRejected() { return kLevelGoOn; }
int WindowController::OnSelected() { return kLevelGoOn; }

int WindowController::OnWindowEvent() {
    switch (window_->event()) {
        case Event::OpenWindow: Opened(); return kLevelGoOn;
        case Event::GainFocus:
        case Event::Sized: Reset(); return kLevelGoOn;
        case Event::Completed: return OnCompleted();
        case Event::CloseWindow:
        case Event::CloseDown: {
            const int level = OnCloseEvent();
            if (level == kLevelGoOn) closing_ = true;
            return level;
        }
        default: return kLevelGoOn;
    }
}

void WindowController::UpdateComponents() { window_->Update(0); }

void WindowController::DisableControl(int feq) { window_->Disable(feq); }

// Completing a record: the write is the form's (SaveInserted, SaveChanged and, for a
// delete, CompleteDelete through PRIMARY); then the window closes as INSERTACTION and
// CHANGEACTION say (2: close with response completed).
int WindowController::CompleteInsert() {
    const int level = SaveInserted();
    if (level != kLevelGoOn) return level;
    if (INSERTACTION == 2) CloseWithResponse(kResponseCompleted);
    return kLevelGoOn;
}

int WindowController::CompleteChange() {
    const int level = SaveChanged();
    if (level != kLevelGoOn) return level;
    if (CHANGEACTION == 2) CloseWithResponse(kResponseCompleted);
    return kLevelGoOn;
}

// Without a table to write there is nothing to save. With one, the form's override
// writes it; this base never claims a write it did not do, and the window stays open.
int WindowController::CompleteDelete() {
    if (PRIMARY) return kLevelConsumed;
    CloseWithResponse(kResponseCompleted);
    return kLevelGoOn;
}

int WindowController::SaveChanged() { return PRIMARY ? kLevelConsumed : kLevelGoOn; }
int WindowController::SaveInserted() { return PRIMARY ? kLevelConsumed : kLevelGoOn; }

void WindowController::SelectFirstField() {
    if (FIRSTFIELD && window_->IsOpen()) window_->Select(FIRSTFIELD);
}

// ---- Registrations -------------------------------------------------------------------

void WindowController::AddToolbar(ToolbarList& toolbar) {
    toolbar_ = &toolbar;
    if (form_toolbar_) toolbar.AddTarget(*form_toolbar_);
}

void WindowController::AddResizer(ResizeManager& resizer) {
    resizer_ = &resizer;
    resizer.Attach(*window_);
}

void WindowController::AddFormToolbar(ToolbarTarget& handler) {
    form_toolbar_ = &handler;
    if (toolbar_) toolbar_->AddTarget(handler);
}

void WindowController::AddButtonAction(int button, std::uint8_t response) {
    for (ButtonAction& b : buttons_) {
        if (b.button == button) {
            b.response = response;
            return;
        }
    }
    buttons_.push_back({button, response});
}

void WindowController::AddUpdatedTable(rt::FileManager& table) { updated_tables_.push_back(&table); }

void WindowController::AddRecallBuffers(const rt::RecordLayout& layout, void* record, void* history) {
    recall_layout_ = &layout;
    recall_record_ = record;
    recall_history_ = history;
}

void WindowController::AddRecallField(int feq, int field_number) {
    recall_fields_.push_back({feq, field_number});
}

// ---- Process-wide ----------------------------------------------------------------------

WindowController* ActiveController() { return t_active; }

int CloseDownOtherThreads() {
    const int self = rtl_thread();
    std::vector<int> threads;
    int asked = 0;
    {
        std::lock_guard guard(g_running_mutex);
        for (const Running& r : g_running) {
            if (r.thread == self) continue;
            r.controller->RequestCloseDown();
            ++asked;
            if (r.thread != 0 && std::find(threads.begin(), threads.end(), r.thread) == threads.end())
                threads.push_back(r.thread);
        }
    }
    // Wakes each thread's active window; the windows below it follow as they uncover. A
    // thread that waits on a question is not reading its window's events: the question
    // is withdrawn first.
    WithdrawOtherThreadsMessages();
    for (int t : threads) rtl_post(Event::CloseDown, 0, t);
    return asked;
}

bool WindowController::LoadWindowPosition(const rt::IniManager& ini, std::string_view procedure) {
    Window& window = *window_;
    const bool resizable = window.def().resizable;
    rt::WindowPlacement p;
    p.x = static_cast<int>(window.Get(0, Prop::Xpos));
    p.y = static_cast<int>(window.Get(0, Prop::Ypos));
    p.width = static_cast<int>(window.Get(0, Prop::Width));
    p.height = static_cast<int>(window.Get(0, Prop::Height));
    if (!ini.LoadWindowPosition(procedure, p, resizable)) return false;
    if (p.has_position) {
        position_known_ = true;
        window.Set(0, Prop::Xpos, p.x);
        window.Set(0, Prop::Ypos, p.y);
    }
    if (resizable && p.has_size) {
        window.Set(0, Prop::Width, p.width);
        window.Set(0, Prop::Height, p.height);
    }
    window.Set(0, Prop::Maximize, p.maximized ? 1 : 0);
    window.Set(0, Prop::Iconize, p.minimized ? 1 : 0);
    return true;
}

bool WindowController::SaveWindowPosition(rt::IniManager& ini, std::string_view procedure) const {
    const Window& window = *window_;
    rt::WindowPlacement p;
    p.maximized = window.Get(0, Prop::Maximize) != 0;
    p.minimized = window.Get(0, Prop::Iconize) != 0;
    p.x = static_cast<int>(window.Get(0, Prop::Xpos));
    p.y = static_cast<int>(window.Get(0, Prop::Ypos));
    p.width = static_cast<int>(window.Get(0, Prop::Width));
    p.height = static_cast<int>(window.Get(0, Prop::Height));
    p.has_position = position_known_;
    // Where the window lies now, moved or not: a window the user never moved lies where
    // it was centred, which only the desktop knows.
    if (!p.maximized && !p.minimized && window.IsOpen()) {
        if (DesktopQuery* q = GetDesktopQuery()) {
            if (const std::optional<WindowPixels> g = q->Geometry(window.id())) {
                int x = g->x, y = g->y, w = g->w, h = g->h;
                q->ToUnits(window.id(), x, y, w, h);
                p.x = x;
                p.y = y;
                p.has_position = true;
            }
        }
    }
    p.has_size = p.width > 0 && p.height > 0;
    return ini.SaveWindowPosition(procedure, p, window.def().resizable);
}

}  // namespace rt::ui
