#include "platform/ui/window.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "platform/core/numeric.h"
#include "platform/core/picture.h"
#include "platform/core/process.h"
#include "platform/core/text.h"
#include "platform/ui/backend.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/queue.h"
#include "platform/ui/wndproc.h"

namespace rt::ui {
namespace {

using Clock = std::chrono::steady_clock;

std::atomic<WindowId> g_next_window{1};

constexpr const char* kPasteLeftOut = "Characters that cannot be stored were left out of the pasted text.";

// A typed number for a numeric variable without a number picture: blanks around it are
// allowed, anything else that is not part of the number refuses it. Blank reads as 0.
std::optional<double> strict_number(std::string_view t) {
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    if (t.empty()) return 0.0;
    if (t.front() == '+') t.remove_prefix(1);
    double v = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::fixed);
    if (ec != std::errc() || end != t.data() + t.size()) return std::nullopt;
    return v;
}

std::string shown_text(const Binding& b, const std::string& picture) {
    auto p = picture.empty() ? std::nullopt : rt::parse_picture(picture);
    if (!p) return b.text();
    if (p->kind == PictureKind::String || !b.numeric()) return rt::format(b.text(), *p);
    return rt::format(b.number(), *p);
}

// A radio's value: the resource's, else its text without the "&" of its hot key.
std::string radio_value(const ControlDef& d) {
    if (!d.value.empty()) return d.value;
    std::string out;
    for (std::size_t i = 0; i < d.text.size(); ++i) {
        if (d.text[i] == '&' && ++i == d.text.size()) break;
        out += d.text[i];
    }
    return out;
}

// A drop list's fixed items as rows of their text and value.
std::vector<std::vector<std::string>> from_rows(std::string_view from) {
    std::vector<std::vector<std::string>> rows;
    while (!from.empty()) {
        const std::size_t bar = std::min(from.find('|'), from.size());
        const std::string_view item = from.substr(0, bar);
        from.remove_prefix(std::min(bar + 1, from.size()));
        if (!item.empty() && item.front() == '#' && !rows.empty())
            rows.back()[1] = std::string(item.substr(1));
        else
            rows.push_back({std::string(item), std::string(item)});
    }
    return rows;
}

bool same_value(const Binding& b, const std::string& value) {
    if (b.numeric()) return b.number() == rt::to_number(value);
    return rt::clip(b.text()) == rt::clip(value);
}

}  // namespace

struct ControlRec {
    ControlState st;
    Binding use;
    bool dirty = false;
    std::string shown;  // the text Display last showed (at first the resource's)
    bool touched = false;
    std::vector<int> radios;  // an option group's radios, in order
};

struct Window::Impl {
    Window* owner = nullptr;
    const WindowDef* def = nullptr;
    WindowId id = 0;
    int thread = 0;
    std::shared_ptr<detail::ThreadQueue> queue;
    std::string procedure;
    std::vector<ControlRec> controls;  // in declaration order
    std::map<int, std::size_t> index;  // feq -> controls
    WindowState win;                   // window-level values only
    bool win_dirty = false;
    bool placement_dirty = false;  // the procedure changed the placement
    bool accept_all = false;
    std::int32_t pen_color = 0, font_color = -1;
    std::vector<DrawItem> drawing;
    bool drawing_dirty = false;
    std::vector<int> pressed;
    int pending_focus = 0;
    int focus = 0;
    bool open = false;
    int ev = 0, ev_feq = 0, ev_key = 0, ev_col = 0;
    std::string ev_char;
    Clock::time_point next_timer{};

    ControlRec* find(int feq) {
        auto it = index.find(feq);
        return it == index.end() ? nullptr : &controls[it->second];
    }
    const ControlRec* find(int feq) const { return const_cast<Impl*>(this)->find(feq); }

    void build(const WindowDef& d);
    void add(const std::vector<ControlDef>& defs, int parent, bool menubar, const std::set<int>& taken,
             int& next_pos, int& next_neg);

    void set_text(ControlRec& c, std::string t) {
        if (c.st.text != t) {
            c.st.text = std::move(t);
            c.dirty = true;
        }
    }
    template <typename T>
    void set_field(ControlRec& c, T& field, T v) {
        if (field != v) {
            field = v;
            c.dirty = true;
        }
    }
    template <typename T>
    void set_win(T& field, T v) {
        if (field != v) {
            field = v;
            win_dirty = true;
        }
    }
    template <typename T>
    void set_placement(T& field, T v) {
        if (field != v) {
            field = v;
            win_dirty = placement_dirty = true;
        }
    }

    bool visible(const ControlRec& c) const {
        for (const ControlRec* p = &c; p; p = p->st.parent ? find(p->st.parent) : nullptr)
            if (p->st.hide) return false;
        return true;
    }
    // Not on a sheet's tab other than the current one.
    bool on_current_tab(const ControlRec& c) const {
        for (const ControlRec* p = &c; p; p = p->st.parent ? find(p->st.parent) : nullptr) {
            const ControlRec* sheet = p->st.parent ? find(p->st.parent) : nullptr;
            if (p->st.kind != Ctl::Tab || !sheet || sheet->st.kind != Ctl::Sheet) continue;
            long place = 0;
            for (const ControlRec& k : controls) {
                if (k.st.parent == sheet->st.feq && k.st.kind == Ctl::Tab) ++place;
                if (&k == p) break;
            }
            if (place != sheet->st.selected) return false;
        }
        return true;
    }
    bool in_toolbar(const ControlRec& c) const {
        for (const ControlRec* p = c.st.parent ? find(c.st.parent) : nullptr; p;
             p = p->st.parent ? find(p->st.parent) : nullptr)
            if (p->st.kind == Ctl::Toolbar) return true;
        return false;
    }

    // A drop list's row value: a list without a format of columns gives each row as its
    // text and value; one with columns takes its first column.
    static std::string row_value(const ControlRec& c, long row) {
        if (row < 1 || static_cast<std::size_t>(row) > c.st.rows.size()) return {};
        const auto& r = c.st.rows[row - 1];
        if (r.empty()) return {};
        return c.st.format.empty() && r.size() > 1 ? r[1] : r[0];
    }
    void choose_row(ControlRec& list, std::string_view value) {
        long chosen = 0;
        for (std::size_t i = 0; i < list.st.rows.size() && !rt::clip(value).empty(); ++i) {
            if (rt::clip(row_value(list, static_cast<long>(i + 1))) == rt::clip(value)) {
                chosen = static_cast<long>(i + 1);
                break;
            }
        }
        set_field(list, list.st.selected, chosen);
        set_text(list, std::string(value));
    }

    void choose_radio(ControlRec& option, std::string_view value) {
        long chosen = 0;
        for (std::size_t i = 0; i < option.radios.size(); ++i) {
            const ControlRec* r = find(option.radios[i]);
            if (r && rt::clip(radio_value(*r->st.def)) == rt::clip(value)) {
                chosen = static_cast<long>(i + 1);
                break;
            }
        }
        set_field(option, option.st.selected, chosen);
        set_text(option, std::string(value));
    }

    void display(ControlRec& c, bool reset_touched);
    bool update(ControlRec& c);
    void set_timer(int hundredths);
    WindowState window_level() const;
    WindowState full_state() const;
    void flush();
    void set_disabled(bool on) {
        set_win(win.disabled, on);
        flush();
    }
    // Input from the back end applied to the state; false when the event is swallowed.
    bool apply(const InputEvent& in);
};

void Window::Impl::add(const std::vector<ControlDef>& defs, int parent, bool menubar,
                       const std::set<int>& taken, int& next_pos, int& next_neg) {
    for (const ControlDef& d : defs) {
        bool neg = menubar || d.kind == Ctl::Menubar;
        int feq = d.number;
        // A number the resource gives twice goes to the first control only, so that every
        // control (and every control's parent) is found by its number.
        if (feq == 0 || index.count(feq)) {
            if (neg) {
                while (taken.count(next_neg)) --next_neg;
                feq = next_neg--;
            } else {
                while (taken.count(next_pos)) ++next_pos;
                feq = next_pos++;
            }
        }
        ControlRec c;
        ControlState& s = c.st;
        s.feq = feq;
        s.def = &d;
        s.kind = d.kind;
        s.parent = parent;
        s.text = d.kind == Ctl::Check ? CheckValue(d, false) : d.kind == Ctl::Option ? "" : d.text;
        s.hide = d.attrs & kHide;
        s.disable = d.attrs & kDisable;
        s.readonly = d.attrs & kReadOnly;
        s.req = d.attrs & kReq;
        s.skip = d.attrs & kSkip;
        s.font_style = d.font.style;
        s.font_color = d.font.color;
        s.background = d.background;
        s.x = d.x;
        s.y = d.y;
        s.w = d.w;
        s.h = d.h;
        s.format = d.format;
        s.icon = d.icon;
        s.tip = d.tip;
        if (d.kind == Ctl::Sheet && !d.children.empty()) s.selected = 1;
        if (d.kind == Ctl::DropList) {
            s.text.clear();
            if (!d.from.empty()) s.rows = from_rows(d.from);
        }
        index[feq] = controls.size();
        std::size_t at = controls.size();
        controls.push_back(std::move(c));
        add(d.children, feq, neg, taken, next_pos, next_neg);
        if (d.kind == Ctl::Option)
            for (const ControlRec& k : controls)
                if (k.st.parent == feq && k.st.kind == Ctl::Radio) controls[at].radios.push_back(k.st.feq);
    }
}

void Window::Impl::build(const WindowDef& d) {
    std::set<int> taken;
    auto collect = [&](auto& self, const std::vector<ControlDef>& defs) -> void {
        for (const ControlDef& c : defs) {
            if (c.number) taken.insert(c.number);
            self(self, c.children);
        }
    };
    collect(collect, d.controls);
    int next_pos = 1, next_neg = -1;
    add(d.controls, 0, false, taken, next_pos, next_neg);
    for (ControlRec& c : controls) {
        c.dirty = false;
        c.shown = c.st.text;
        if (!c.st.def->use.empty()) c.use = detail::resolve_use(c.st.def->use);
    }
    win.caption = d.caption;
    win.x = d.x;
    win.y = d.y;
    win.w = d.w;
    win.h = d.h;
    win.maximized = d.maximized;
    win.timer = d.timer;
    font_color = d.font.color;
}

void Window::Impl::display(ControlRec& c, bool reset_touched) {
    if (!c.use.bound()) return;
    const ControlDef& d = *c.st.def;
    std::string t;
    switch (c.st.kind) {
        case Ctl::List: return;  // rows come through SetRows
        case Ctl::Progress: set_field(c, c.st.progress, static_cast<long>(c.use.number())); return;
        case Ctl::Check: t = CheckValue(d, same_value(c.use, CheckValue(d, true))); break;
        case Ctl::Option: {
            long chosen = 0;
            for (std::size_t i = 0; i < c.radios.size(); ++i) {
                const ControlRec* r = find(c.radios[i]);
                if (r && same_value(c.use, radio_value(*r->st.def))) {
                    chosen = static_cast<long>(i + 1);
                    t = radio_value(*r->st.def);
                    break;
                }
            }
            if (!chosen) t = c.use.text();
            set_field(c, c.st.selected, chosen);
            break;
        }
        case Ctl::DropList:
            t = shown_text(c.use, d.picture);
            choose_row(c, t);
            break;
        default: t = shown_text(c.use, d.picture); break;
    }
    if (d.attrs & kUpr) t = rt::upper(t);
    set_text(c, t);
    c.shown = std::move(t);
    if (reset_touched) c.touched = false;
}

bool Window::Impl::update(ControlRec& c) {
    if (!c.use.bound() || !KindTraits(c.st.kind).updates_variable) return true;
    // A text that is still what Display showed leaves the variable as it is, so that a
    // value is not cut to its picture's decimals by merely being shown, and a value the
    // procedure set since is not overwritten by the old screen text.
    if (c.st.text == c.shown) return true;
    const ControlDef& d = *c.st.def;
    std::string t = c.st.text;
    if (d.attrs & kUpr) {
        t = rt::upper(t);
        set_text(c, t);
    }
    if (c.st.kind == Ctl::Check || c.st.kind == Ctl::Option) {
        c.use.set_text(t);
        return true;
    }
    // A rich text that does not fit its variable is refused, never cut: cut RTF is corrupt.
    if (c.st.kind == Ctl::Rtf && c.use.capacity() && t.size() > c.use.capacity()) return false;
    auto p = d.picture.empty() ? std::nullopt : rt::parse_picture(d.picture);
    if (p && p->kind != PictureKind::String) {
        // A value is refused, never cut or wrapped, when its picture cannot show it again
        // (a number as "#", a date of another century) or its variable cannot hold it (a
        // SHORT holds no 70000); a number is stored as the entry shows it, rounded.
        auto v = rt::entry_value(t, *p);
        if (!v || !c.use.fits(*v)) return false;
        c.use.set_number(*v);
    } else if (c.use.numeric()) {
        auto v = strict_number(t);
        if (!v || !c.use.fits(*v)) return false;
        c.use.set_number(*v);
    } else {
        c.use.set_text(p ? rt::deformat_string(t, d.picture) : t);
    }
    return true;
}

void Window::Impl::set_timer(int hundredths) {
    if (hundredths < 0) hundredths = 0;
    set_win(win.timer, hundredths);
    next_timer = Clock::now() + std::chrono::milliseconds(10LL * hundredths);
}

WindowState Window::Impl::window_level() const {
    WindowState s = win;
    s.id = id;
    s.thread = thread;
    s.def = def;
    s.procedure = procedure;
    s.focus = 0;
    s.controls.clear();
    s.drawing.reset();
    s.pressed_keys.clear();
    return s;
}

WindowState Window::Impl::full_state() const {
    WindowState s = window_level();
    s.focus = pending_focus;
    s.controls.reserve(controls.size());
    for (const ControlRec& c : controls) s.controls.push_back(c.st);
    s.drawing = drawing;
    s.pressed_keys = pressed;
    return s;
}

void Window::Impl::flush() {
    if (!open) return;
    bool any = win_dirty || drawing_dirty || !pressed.empty() || pending_focus;
    for (const ControlRec& c : controls) any = any || c.dirty;
    if (!any) return;
    WindowState d = window_level();
    d.placement = placement_dirty;
    d.focus = pending_focus;
    for (ControlRec& c : controls)
        if (c.dirty) {
            d.controls.push_back(c.st);
            c.dirty = false;
        }
    if (drawing_dirty) d.drawing = drawing;
    d.pressed_keys = std::move(pressed);
    pressed.clear();
    win_dirty = drawing_dirty = placement_dirty = false;
    pending_focus = 0;
    if (Backend* b = GetBackend()) b->SyncWindow(d);
}

bool Window::Impl::apply(const InputEvent& in) {
    // The back end shows these changes already; they are not sent back.
    ControlRec* c = in.feq ? find(in.feq) : nullptr;
    if (c && in.selected) {
        c->st.selected = *in.selected;
        if (c->st.kind == Ctl::Option && *in.selected >= 1 &&
            static_cast<std::size_t>(*in.selected) <= c->radios.size())
            if (const ControlRec* r = find(c->radios[*in.selected - 1])) c->st.text = radio_value(*r->st.def);
    }
    if (c && in.selected && c->st.kind == Ctl::DropList && !in.text) c->st.text = row_value(*c, *in.selected);
    if (c && in.text) {
        if (*in.text != c->st.text) c->touched = true;
        c->st.text = *in.text;
    }
    if (c && in.format) c->st.format = *in.format;
    switch (in.event) {
        case Event::Accepted:
            if (c && (in.text || in.selected)) {
                // A rich text keeps what the user made of it on the screen: refused, its
                // variable keeps its value (the control's editor tells the user); taken,
                // the variable and the screen agree without showing it again.
                if (c->st.kind == Ctl::Rtf) {
                    if (update(*c)) c->shown = c->st.text;
                    break;
                }
                if (!update(*c)) {
                    // Refused: the variable keeps its value and shows it again, the
                    // control gets the focus back, and the procedure hears nothing.
                    Beep();
                    display(*c, false);
                    c->dirty = true;
                    focus = pending_focus = c->st.feq;
                    return false;
                }
                if (!(c->st.def->attrs & kImmediate)) display(*c, false);
            }
            break;
        case Event::PasteLeftOut:
            // The user is told; the procedure hears nothing.
            Message(kPasteLeftOut, {}, Icon::Exclamation);
            return false;
        case Event::Selected:
            if (c) focus = c->st.feq;
            break;
        case Event::Moved:
        case Event::Sized:
            win.x = in.x;
            win.y = in.y;
            win.w = in.w;
            win.h = in.h;
            win.has_position = win.has_size = true;
            win.maximized = in.maximized;
            win.minimized = in.minimized;
            break;
        case Event::Maximized:
            win.maximized = true;
            win.minimized = false;
            break;
        case Event::Iconized: win.minimized = true; break;
        case Event::Restored: win.maximized = win.minimized = false; break;
        default: break;
    }
    ev = in.event;
    ev_feq = IsWindowEvent(in.event) ? 0 : in.feq;
    ev_key = in.keycode;
    ev_char = in.keychar;
    ev_col = in.column;
    return true;
}

void detail::flush_window(Window& w) { w.impl().flush(); }

Window::Window(const WindowDef& def) : impl_(std::make_unique<Impl>()) {
    Impl& m = *impl_;
    m.owner = this;
    m.def = &def;
    m.id = g_next_window.fetch_add(1);
    m.thread = rt::thread_number();
    m.queue = detail::current_queue();
    m.build(def);
    NewHandle({m.id, 0, false, m.thread});
    NewHandle({m.id, 0, true, m.thread});
    for (const ControlRec& c : m.controls)
        if (c.st.kind == Ctl::List) NewHandle({m.id, c.st.feq, false, m.thread});
}

Window::~Window() {
    Close();
    ReleaseHandles(impl_->id);
}

const WindowDef& Window::def() const { return *impl_->def; }
WindowId Window::id() const { return impl_->id; }
int Window::thread() const { return impl_->thread; }
void Window::SetProcedureName(std::string_view name) {
    if (impl_->procedure != name) {
        impl_->procedure = std::string(name);
        impl_->win_dirty = true;
    }
}

void Window::SetMinimumSize(int width, int height) {
    impl_->set_win(impl_->win.min_w, std::max(width, 0));
    impl_->set_win(impl_->win.min_h, std::max(height, 0));
}

int Window::Feq(std::string_view label) const {
    for (const ControlRec& c : impl_->controls)
        if (!c.st.def->label.empty() && rt::equal_nocase(c.st.def->label, label)) return c.st.feq;
    return 0;
}

std::vector<int> Window::Controls() const {
    std::vector<int> v;
    for (const auto& [feq, i] : impl_->index) v.push_back(feq);
    return v;
}

int Window::FirstControl() const {
    auto it = impl_->index.upper_bound(0);
    return it == impl_->index.end() ? 0 : it->first;
}

int Window::LastControl() const {
    auto& idx = impl_->index;
    return idx.empty() || idx.rbegin()->first <= 0 ? 0 : idx.rbegin()->first;
}

const ControlDef* Window::Control(int feq) const {
    const ControlRec* c = impl_->find(feq);
    return c ? c->st.def : nullptr;
}

void Window::Use(int feq, Binding b) {
    if (ControlRec* c = impl_->find(feq)) c->use = b;
}

Binding Window::UseOf(int feq) const {
    const ControlRec* c = impl_->find(feq);
    return c ? c->use : Binding{};
}

void Window::Open() {
    Impl& m = *impl_;
    if (m.open) return;
    for (ControlRec& c : m.controls) m.display(c, true);
    Window* older = nullptr;
    {
        std::lock_guard lock(detail::runtime_mutex());
        if (!m.queue->windows.empty()) older = detail::open_window_locked(m.queue->windows.back());
        m.queue->windows.push_back(m.id);
        detail::add_open_window_locked(m.id, m.queue, this);
        detail::set_focused_locked(m.id);
        // Queued before the back end hears of the window, so that it comes before any
        // input for it.
        InputEvent open;
        open.event = Event::OpenWindow;
        m.queue->events.push_back({m.id, false, open});
    }
    // A thread's windows are modal among themselves: the older one waits disabled.
    if (older) older->impl().set_disabled(true);
    m.open = true;
    WindowState s = m.full_state();
    for (ControlRec& c : m.controls) c.dirty = false;
    m.win_dirty = m.drawing_dirty = m.placement_dirty = false;
    m.pressed.clear();
    m.pending_focus = 0;
    m.next_timer = Clock::now() + std::chrono::milliseconds(10LL * m.win.timer);
    if (Backend* b = GetBackend()) b->OpenWindow(s);
}

void Window::Close() {
    Impl& m = *impl_;
    if (!m.open) return;
    m.open = false;
    Window* newer_top = nullptr;
    {
        std::lock_guard lock(detail::runtime_mutex());
        auto& ws = m.queue->windows;
        bool was_top = !ws.empty() && ws.back() == m.id;
        ws.erase(std::remove(ws.begin(), ws.end(), m.id), ws.end());
        bool was_focused = detail::focused_locked() == m.id;
        detail::remove_open_window_locked(m.id);
        auto& evs = m.queue->events;
        evs.erase(std::remove_if(evs.begin(), evs.end(),
                                 [&](const detail::QueuedEvent& e) { return e.window == m.id; }),
                  evs.end());
        if (!ws.empty()) {
            if (was_top) newer_top = detail::open_window_locked(ws.back());
            if (was_focused) detail::set_focused_locked(ws.back());
        }
    }
    if (Backend* b = GetBackend()) b->CloseWindow(m.id);
    if (newer_top) newer_top->impl().set_disabled(false);
}

bool Window::IsOpen() const { return impl_->open; }

long Window::Get(int feq, Prop p) const {
    const Impl& m = *impl_;
    if (feq == 0) {
        const WindowState& w = m.win;
        switch (p) {
            case Prop::Text: return static_cast<long>(rt::to_number(w.caption));
            case Prop::Xpos: return w.x;
            case Prop::Ypos: return w.y;
            case Prop::Width: return w.w;
            case Prop::Height: return w.h;
            case Prop::Maximize: return w.maximized;
            case Prop::Iconize: return w.minimized;
            case Prop::Timer: return w.timer;
            case Prop::AcceptAll: return m.accept_all;
            case Prop::PenColor: return m.pen_color;
            case Prop::FontColor: return m.font_color;
            case Prop::Type: return Ctl::Window;
            default: return 0;
        }
    }
    const ControlRec* c = m.find(feq);
    if (!c) return 0;
    const ControlState& s = c->st;
    switch (p) {
        case Prop::Text: return static_cast<long>(rt::to_number(s.text));
        case Prop::Hide: return s.hide;
        case Prop::Disable: return s.disable;
        case Prop::ReadOnly: return s.readonly;
        case Prop::Req: return s.req;
        case Prop::Skip: return s.skip;
        case Prop::Progress: return s.progress;
        case Prop::RangeLow: return s.range_low;
        case Prop::RangeHigh: return s.range_high;
        case Prop::Selected: return s.selected;
        case Prop::Items: return static_cast<long>(s.rows.size());
        case Prop::FontStyle: return s.font_style;
        case Prop::FontColor: return s.font_color;
        case Prop::Background: return s.background;
        case Prop::Xpos: return s.x;
        case Prop::Ypos: return s.y;
        case Prop::Width: return s.w;
        case Prop::Height: return s.h;
        case Prop::Value:
            if (s.kind == Ctl::Check) return s.text == CheckValue(*s.def, true);
            if (s.kind == Ctl::Option) return s.selected;
            return static_cast<long>(rt::to_number(s.text));
        case Prop::Type: return s.kind;
        case Prop::InToolbar: return m.in_toolbar(*c);
        case Prop::Visible: return m.visible(*c);
        case Prop::Touched: return c->touched;
        default: return 0;
    }
}

std::string Window::GetText(int feq, Prop p) const {
    const Impl& m = *impl_;
    if (feq == 0) return p == Prop::Text ? m.win.caption : std::to_string(Get(0, p));
    const ControlRec* c = m.find(feq);
    if (!c) return {};
    switch (p) {
        case Prop::Text:
        case Prop::Value: return c->st.text;
        case Prop::Tip: return c->st.tip;
        case Prop::Icon: return c->st.icon;
        case Prop::Format: return c->st.format;
        default: return std::to_string(Get(feq, p));
    }
}

void Window::Set(int feq, Prop p, long v) {
    Impl& m = *impl_;
    if (feq == 0) {
        WindowState& w = m.win;
        switch (p) {
            case Prop::Text: m.set_win(w.caption, std::to_string(v)); break;
            case Prop::Xpos:
                m.set_placement(w.x, static_cast<int>(v));
                m.set_placement(w.has_position, true);
                break;
            case Prop::Ypos:
                m.set_placement(w.y, static_cast<int>(v));
                m.set_placement(w.has_position, true);
                break;
            case Prop::Width:
                m.set_placement(w.w, static_cast<int>(v));
                m.set_placement(w.has_size, true);
                break;
            case Prop::Height:
                m.set_placement(w.h, static_cast<int>(v));
                m.set_placement(w.has_size, true);
                break;
            case Prop::Maximize:
                m.set_placement(w.maximized, v != 0);
                if (v) m.set_placement(w.minimized, false);
                break;
            case Prop::Iconize: m.set_placement(w.minimized, v != 0); break;
            case Prop::Timer: m.set_timer(static_cast<int>(v)); break;
            case Prop::AcceptAll: m.accept_all = v != 0; break;
            case Prop::PenColor: m.pen_color = static_cast<std::int32_t>(v); break;
            case Prop::FontColor: m.font_color = static_cast<std::int32_t>(v); break;
            default: break;
        }
        return;
    }
    ControlRec* c = m.find(feq);
    if (!c) return;
    ControlState& s = c->st;
    switch (p) {
        case Prop::Text: m.set_text(*c, std::to_string(v)); break;
        case Prop::Hide: m.set_field(*c, s.hide, v != 0); break;
        case Prop::Disable: m.set_field(*c, s.disable, v != 0); break;
        case Prop::ReadOnly: m.set_field(*c, s.readonly, v != 0); break;
        case Prop::Req: m.set_field(*c, s.req, v != 0); break;
        case Prop::Skip: m.set_field(*c, s.skip, v != 0); break;
        case Prop::Progress: m.set_field(*c, s.progress, v); break;
        case Prop::RangeLow: m.set_field(*c, s.range_low, v); break;
        case Prop::RangeHigh: m.set_field(*c, s.range_high, v); break;
        case Prop::Selected:
            if (s.kind == Ctl::Option && v >= 1 && static_cast<std::size_t>(v) <= c->radios.size()) {
                if (const ControlRec* r = m.find(c->radios[v - 1]))
                    m.choose_radio(*c, radio_value(*r->st.def));
            } else if (s.kind == Ctl::DropList) {
                m.set_field(*c, s.selected, v);
                m.set_text(*c, Impl::row_value(*c, v));
            } else {
                m.set_field(*c, s.selected, v);
            }
            break;
        case Prop::FontStyle: m.set_field(*c, s.font_style, static_cast<int>(v)); break;
        case Prop::FontColor: m.set_field(*c, s.font_color, static_cast<std::int32_t>(v)); break;
        case Prop::Background: m.set_field(*c, s.background, static_cast<std::int32_t>(v)); break;
        case Prop::Xpos: m.set_field(*c, s.x, static_cast<int>(v)); break;
        case Prop::Ypos: m.set_field(*c, s.y, static_cast<int>(v)); break;
        case Prop::Width: m.set_field(*c, s.w, static_cast<int>(v)); break;
        case Prop::Height: m.set_field(*c, s.h, static_cast<int>(v)); break;
        case Prop::Value:
            if (s.kind == Ctl::Check)
                m.set_text(*c, CheckValue(*s.def, v != 0));
            else
                SetText(feq, p, std::to_string(v));
            break;
        case Prop::Touched: c->touched = v != 0; break;
        default: break;  // read-only or not a control's property
    }
}

void Window::SetText(int feq, Prop p, std::string_view value) {
    Impl& m = *impl_;
    if (feq == 0) {
        if (p == Prop::Text)
            m.set_win(m.win.caption, std::string(value));
        else
            Set(0, p, static_cast<long>(rt::to_number(value)));
        return;
    }
    ControlRec* c = m.find(feq);
    if (!c) return;
    switch (p) {
        case Prop::Text: m.set_text(*c, std::string(value)); break;
        case Prop::Tip: m.set_field(*c, c->st.tip, std::string(value)); break;
        case Prop::Icon: m.set_field(*c, c->st.icon, std::string(value)); break;
        case Prop::Format: m.set_field(*c, c->st.format, std::string(value)); break;
        case Prop::Value:
            if (c->st.kind == Ctl::Option)
                m.choose_radio(*c, value);
            else if (c->st.kind == Ctl::DropList)
                m.choose_row(*c, value);
            else
                m.set_text(*c, std::string(value));
            break;
        default: Set(feq, p, static_cast<long>(rt::to_number(value))); break;
    }
}

void Window::Display(int feq) {
    Impl& m = *impl_;
    if (feq == 0) {
        for (ControlRec& c : m.controls) m.display(c, true);
    } else if (ControlRec* c = m.find(feq)) {
        m.display(*c, true);
    }
    m.flush();
}

bool Window::Update(int feq) {
    Impl& m = *impl_;
    if (feq != 0) {
        ControlRec* c = m.find(feq);
        return !c || m.update(*c);
    }
    bool ok = true;
    for (ControlRec& c : m.controls) ok = m.update(c) && ok;
    return ok;
}

std::string Window::ScreenText(int feq) const {
    const ControlRec* c = impl_->find(feq);
    return c ? c->st.text : std::string();
}

void Window::Select(int feq) {
    Impl& m = *impl_;
    const ControlRec* chosen = m.find(feq);
    // Without a control, or with one that takes no input (a prompt, a string, a sheet),
    // the focus goes to the first control after it that does; an option group hands it on
    // to its chosen radio itself.
    if (feq == 0 || (chosen && !TakesFocus(chosen->st.kind) && chosen->st.kind != Ctl::Option)) {
        for (auto it = m.index.upper_bound(std::max(feq, 0)); it != m.index.end(); ++it) {
            const ControlRec& c = m.controls[it->second];
            if (TakesFocus(c.st.kind) && !c.st.disable && !c.st.skip && m.visible(c) && m.on_current_tab(c)) {
                feq = it->first;
                break;
            }
        }
    }
    if (!m.find(feq)) return;
    m.focus = m.pending_focus = feq;
    m.flush();
}

int Window::FocusedControl() const { return impl_->focus; }

namespace {
// The alert keys of a control (or of the window, feq 0) with the dirty flag their changes
// set; no keys for an unknown control.
struct AlertKeys {
    std::vector<int>* keys = nullptr;
    bool* dirty = nullptr;
};

AlertKeys alert_keys_of(Window::Impl& m, int feq) {
    if (feq == 0) return {&m.win.window_alerts, &m.win_dirty};
    if (auto* c = m.find(feq)) return {&c->st.alert_keys, &c->dirty};
    return {};
}
}  // namespace

void Window::Alert(int feq, int key) {
    AlertKeys a = alert_keys_of(*impl_, feq);
    if (a.keys && std::find(a.keys->begin(), a.keys->end(), key) == a.keys->end()) {
        a.keys->push_back(key);
        *a.dirty = true;
    }
}

void Window::RemoveAlert(int feq, int key) {
    AlertKeys a = alert_keys_of(*impl_, feq);
    if (!a.keys) return;
    auto it = std::find(a.keys->begin(), a.keys->end(), key);
    if (it != a.keys->end()) {
        a.keys->erase(it);
        *a.dirty = true;
    }
}

void Window::ClearAlerts(int feq) {
    AlertKeys a = alert_keys_of(*impl_, feq);
    if (!a.keys) return;
    if (!a.keys->empty()) *a.dirty = true;
    a.keys->clear();
}

void Window::Perform(int feq, std::string_view action, std::string_view value) {
    Impl& m = *impl_;
    if (!m.open || !m.find(feq)) return;
    m.flush();
    if (Backend* b = GetBackend()) b->Perform(m.id, feq, std::string(action), std::string(value));
}

void Window::SetRows(int feq, std::vector<std::vector<std::string>> rows,
                     std::vector<std::vector<CellColors>> colors) {
    if (ControlRec* c = impl_->find(feq)) {
        c->st.rows = std::move(rows);
        c->st.row_colors = std::move(colors);
        c->dirty = true;
    }
}

const std::vector<std::vector<std::string>>& Window::Rows(int feq) const {
    static const std::vector<std::vector<std::string>> none;
    const ControlRec* c = impl_->find(feq);
    return c ? c->st.rows : none;
}

const std::vector<std::vector<CellColors>>& Window::RowColors(int feq) const {
    static const std::vector<std::vector<CellColors>> none;
    const ControlRec* c = impl_->find(feq);
    return c ? c->st.row_colors : none;
}

void Window::Draw(const DrawItem& item) {
    impl_->drawing.push_back(item);
    impl_->drawing_dirty = true;
}

void Window::Erase(int x, int y, int w, int h) {
    auto& d = impl_->drawing;
    auto within = [&](const DrawItem& i) {
        return i.x >= x && i.y >= y && i.x + i.w <= x + w && i.y + i.h <= y + h;
    };
    auto end = std::remove_if(d.begin(), d.end(), within);
    if (end != d.end()) {
        d.erase(end, d.end());
        impl_->drawing_dirty = true;
    }
}

void Window::SetWaitCursor(bool on) { impl_->set_win(impl_->win.wait_cursor, on); }

void Window::PressKey(int key) { impl_->pressed.push_back(key); }

bool ThreadIdle(int thread) {
    std::lock_guard lock(detail::runtime_mutex());
    auto q = detail::queue_of_locked(thread);
    if (!q || !q->waiting) return false;
    // Events for the thread's older windows wait until those are on top again.
    const WindowId top = q->windows.empty() ? 0 : q->windows.back();
    return std::none_of(q->events.begin(), q->events.end(),
                        [&](const detail::QueuedEvent& e) { return e.window == 0 || e.window == top; });
}

bool Window::Accept() {
    Impl& m = *impl_;
    for (;;) {
        if (!m.open) return false;
        m.flush();
        detail::QueuedEvent got;
        bool timer = false;
        {
            std::unique_lock lock(detail::runtime_mutex());
            auto& q = *m.queue;
            for (;;) {
                bool top = !q.windows.empty() && q.windows.back() == m.id;
                auto it = std::find_if(q.events.begin(), q.events.end(), [&](const detail::QueuedEvent& e) {
                    return e.window == m.id || (e.window == 0 && top);
                });
                if (it != q.events.end()) {
                    got = std::move(*it);
                    q.events.erase(it);
                    break;
                }
                if (m.win.timer > 0) {
                    bool due = Clock::now() >= m.next_timer;
                    if (!due) {
                        q.waiting = true;
                        due = q.cv.wait_until(lock, m.next_timer) == std::cv_status::timeout;
                        q.waiting = false;
                    }
                    if (due) {
                        // A last look: an event that came with the deadline goes first.
                        if (std::none_of(q.events.begin(), q.events.end(), [&](const detail::QueuedEvent& e) {
                                return e.window == m.id || (e.window == 0 && top);
                            })) {
                            timer = true;
                            break;
                        }
                    }
                } else {
                    q.waiting = true;
                    q.cv.wait(lock);
                    q.waiting = false;
                }
            }
        }
        if (timer) {
            m.next_timer = Clock::now() + std::chrono::milliseconds(10LL * m.win.timer);
            m.ev = Event::Timer;
            m.ev_feq = m.ev_key = m.ev_col = 0;
            m.ev_char.clear();
            return true;
        }
        if (got.input) {
            if (m.apply(got.ev)) return true;
            continue;
        }
        m.ev = got.ev.event;
        m.ev_feq = got.ev.feq;  // a posted event names the control it was posted for
        m.ev_key = got.ev.keycode;
        m.ev_char = got.ev.keychar;
        m.ev_col = got.ev.column;
        return true;
    }
}

int Window::event() const { return impl_->ev; }
int Window::field() const { return impl_->ev_feq; }
int Window::keycode() const { return impl_->ev_key; }
const std::string& Window::keychar() const { return impl_->ev_char; }
int Window::column() const { return impl_->ev_col; }

void Window::Post(int event, int feq) {
    Impl& m = *impl_;
    InputEvent ev;
    ev.event = event;
    ev.feq = feq;
    std::lock_guard lock(detail::runtime_mutex());
    m.queue->events.push_back({m.id, false, ev});
    m.queue->cv.notify_all();
}

}  // namespace rt::ui
