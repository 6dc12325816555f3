#include "platform/ui/browse.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/core/picture.h"
#include "platform/core/text.h"
#include "platform/files/manager.h"
#include "platform/files/relation.h"
#include "platform/files/view.h"
#include "platform/ui/controller.h"
#include "platform/ui/locator.h"
#include "platform/ui/qbe.h"
#include "platform/ui/step.h"
#include "platform/ui/window.h"

namespace rt::ui {

// ---- The toolbar target --------------------------------------------------------------

class BrowseManager::Toolbar : public ToolbarTarget {
public:
    explicit Toolbar(BrowseManager& b) : b_(b) {}
    bool Enabled(int button) const override { return b_.ToolbarEnabled(button); }
    bool TakeToolbar(int button) override {
        if (!b_.ToolbarEnabled(button)) return button != ToolbarButton::History;
        Window& w = b_.window();
        switch (button) {
            case ToolbarButton::Insert: w.Post(Event::Accepted, b_.INSERTCONTROL); return true;
            case ToolbarButton::Change: w.Post(Event::Accepted, b_.CHANGECONTROL); return true;
            case ToolbarButton::Delete: w.Post(Event::Accepted, b_.DELETECONTROL); return true;
            case ToolbarButton::Select:
                b_.controller().UpdateComponents();
                b_.Select();
                return true;
            case ToolbarButton::Bottom: w.Post(Event::ScrollBottom, b_.list()); return true;
            case ToolbarButton::Top: w.Post(Event::ScrollTop, b_.list()); return true;
            case ToolbarButton::PageDown: w.Post(Event::PageDown, b_.list()); return true;
            case ToolbarButton::PageUp: w.Post(Event::PageUp, b_.list()); return true;
            case ToolbarButton::Down: w.Post(Event::ScrollDown, b_.list()); return true;
            case ToolbarButton::Up: w.Post(Event::ScrollUp, b_.list()); return true;
            case ToolbarButton::Locate: w.Post(Event::Locate, b_.list()); return true;
            case ToolbarButton::Help: w.PressKey(Key::F1); return true;
            default: return false;
        }
    }

private:
    BrowseManager& b_;
};

// ---- Set-up ------------------------------------------------------------------------------

BrowseManager::BrowseManager() = default;
BrowseManager::~BrowseManager() { DetachToolbarHandler(); }

void BrowseManager::Setup(int list, ViewManager& view, File& primary, RelationManager* relation,
                          WindowController& controller) {
    list_ = list;
    view_ = &view;
    controller_ = &controller;
    relation_ = relation;
    tables_ = {&primary};
    view.Init(primary);
    orders_.clear();
    columns_.clear();
    queue_.clear();
    order_ = 0;
    selected_ = 0;
    popup_.Init(controller.window());
    popup_.Clear();
}

void BrowseManager::AddTable(File& table) { tables_.push_back(&table); }

Window& BrowseManager::window() const { return controller_->window(); }
bool BrowseManager::InSelectMode() const { return controller_ && controller_->REQUEST == 4; }
bool BrowseManager::InViewMode() const { return controller_ && controller_->REQUEST == 6; }

int BrowseManager::DefineSortOrder(ScrollStep* step, int key) {
    Order o;
    o.view_order = view_->DefineSortOrder(key);
    o.step = step;
    orders_.push_back(std::move(o));
    return Orders();
}

int BrowseManager::DefineSortOrder(ScrollStep* step, std::string_view key_name) {
    return DefineSortOrder(step, tables_.empty() ? -1 : tables_[0]->KeyIndex(key_name));
}

void BrowseManager::AttachLocator(Locator& locator) {
    if (!orders_.empty()) orders_.back().locator = &locator;
}

void BrowseManager::LimitToValue(std::string_view field, std::function<expr::Value()> value) {
    if (orders_.empty()) return;
    view_->SetSort(orders_.back().view_order);
    view_->LimitToValue(field, value);
    orders_.back().ranges.push_back({std::string(field), std::move(value)});
}

void BrowseManager::LimitToValue(std::string_view field, File& source, std::string_view source_field) {
    const FieldDef* d = source.layout().field(source_field);
    if (!d) return;
    LimitToValue(field, [d, &source] {
        Binding b = Binding::OfField(*d, source.buffer());
        return b.numeric() ? expr::Value::Real(b.number()) : expr::Value::Text(b.text());
    });
}

void BrowseManager::RedefineSortOrder(Locator* locator, ScrollStep* step, std::string_view order_text) {
    if (order_ < 1) return;
    Order& o = orders_[order_ - 1];
    o.locator = locator;
    (void)step;  // a header order has no thumb of its own: the order's step stays
    view_->SetSort(o.view_order);
    view_->SetOrder(order_text);
    o.header_text = order_text;
    if (locator) {
        locator->Clear();
        if (locator->Filtered()) view_->SetFilter("", "locator");
    }
    refresh_pending_ = true;
}

Binding BrowseManager::find_field(std::string_view name) const {
    for (File* f : tables_) {
        std::size_t element = 0;
        if (const FieldDef* d = f->layout().field_or_element(name, &element))
            return Binding::OfField(*d, f->buffer(), element);
    }
    return {};
}

std::string BrowseManager::ListFormat() const {
    std::string format = window().GetText(list_, Prop::Format);
    if (format.empty() && window().Control(list_)) format = window().Control(list_)->format;
    return format;
}

std::string BrowseManager::picture_of(int column, std::string_view given) const {
    if (!given.empty()) return std::string(given);
    auto cols = ParseListFormat(ListFormat());
    if (column >= 1 && column <= static_cast<int>(cols.size()) && !cols[column - 1].picture.empty())
        return cols[column - 1].picture;
    return {};
}

void BrowseManager::BindFieldPair(std::string_view field, std::string_view picture) {
    const Binding b = find_field(field);
    Column c;
    c.field = field;
    std::string pic = picture_of(Columns() + 1, picture);
    if (!b.bound()) {
        // A column for the browse's own row texts has no field; a named field must exist.
        if (!field.empty()) {
            std::fprintf(stderr, "browse: column %d shows unknown field %.*s\n", Columns() + 1,
                         static_cast<int>(field.size()), field.data());
            std::abort();
        }
        c.text = [] { return std::string(); };
    } else {
        c.is_text = !b.numeric();
        c.text = [b, pic] {
            if (b.numeric()) return pic.empty() ? b.text() : rt::format(b.number(), pic);
            return pic.empty() ? b.text() : rt::clip(rt::format(b.text(), pic));
        };
    }
    columns_.push_back(std::move(c));
}

void BrowseManager::BindHidden(std::string_view) {}

void BrowseManager::AttachQuery(QbeQuery& query, bool all_columns) {
    query_ = &query;
    if (!all_columns) return;
    const auto headings = ParseListFormat(ListFormat());
    for (int c = 1; c <= Columns(); ++c) {
        const Column& col = columns_[static_cast<std::size_t>(c - 1)];
        if (col.field.empty()) continue;
        const std::string title =
            c <= static_cast<int>(headings.size()) ? headings[c - 1].heading : col.field;
        query.AddItem(col.field, title, !col.is_text);
    }
}

void BrowseManager::AskQuery() {
    if (!query_ || !query_->Ask()) return;
    if (!query_->ApplyTo(*view_).empty()) {
        // Conditions the view cannot take leave the list unfiltered rather than unreadable.
        query_->ClearConditions();
        view_->DefineFilter("", "QBE");
        Beep();
    }
    ResetFromView(true);
}

std::string BrowseManager::ColumnField(int column) const {
    return column >= 1 && column <= Columns() ? columns_[column - 1].field : std::string();
}
bool BrowseManager::ColumnIsText(int column) const {
    return column >= 1 && column <= Columns() && columns_[column - 1].is_text;
}

// ---- Rows -------------------------------------------------------------------------------

BrowseManager::Row BrowseManager::MakeRow() {
    Row r;
    r.texts.reserve(columns_.size());
    for (const Column& c : columns_) r.texts.push_back(c.text());
    r.records.reserve(tables_.size());
    for (File* f : tables_) r.records.emplace_back(f->bytes(), f->bytes() + f->layout().record_size);
    copying_ = &r;
    UpdateViewPosition();
    copying_ = nullptr;
    return r;
}

void BrowseManager::SetRowColors(const CellColors& colors, int column) {
    if (!copying_) return;
    std::vector<CellColors>& c = copying_->colors;
    if (c.size() < columns_.size()) c.resize(columns_.size());
    if (column == 0) {
        std::fill(c.begin(), c.end(), colors);
    } else if (column >= 1 && column <= static_cast<int>(c.size())) {
        c[static_cast<std::size_t>(column - 1)] = colors;
    }
}

void BrowseManager::SetRowText(int column, std::string text) {
    if (!copying_ || column < 1 || column > static_cast<int>(copying_->texts.size())) return;
    copying_->texts[static_cast<std::size_t>(column - 1)] = std::move(text);
}

void BrowseManager::Restore(const Row& row) const {
    for (std::size_t i = 0; i < tables_.size() && i < row.records.size(); ++i)
        std::memcpy(tables_[i]->bytes(), row.records[i].data(), row.records[i].size());
}

namespace {
bool same_key(const File& f, const std::vector<unsigned char>& a, const unsigned char* b) {
    const KeyDef* k = f.layout().primary_key();
    if (!k) return std::memcmp(a.data(), b, a.size()) == 0;
    for (std::size_t i : k->fields) {
        const FieldDef& d = f.layout().fields[i];
        if (std::memcmp(a.data() + d.offset, b + d.offset, d.total_size()) != 0) return false;
    }
    return true;
}
}  // namespace

int BrowseManager::PageRows() const {
    if (ITEMS > 0) return ITEMS;
    long h = window().Get(list_, Prop::Height);
    int rows = static_cast<int>((h - 10) / 9);
    return rows < 1 ? 1 : rows;
}

std::string BrowseManager::RowText(int row, int column) const {
    if (row < 1 || row > Rows() || column < 1 || column > static_cast<int>(queue_[row - 1].texts.size()))
        return {};
    return queue_[row - 1].texts[column - 1];
}

bool BrowseManager::TakeRow(int row) {
    if (row < 1 || row > Rows()) return false;
    Restore(queue_[row - 1]);
    if (relation_ && relation_->HasMe()) relation_->Me().KeepOriginal();
    return true;
}

bool BrowseManager::ReadTakenRow() {
    // The form changes or deletes the table's current record: that must be the row taken
    // from the list, not the last one the view read. Reading it by its primary key also
    // brings what another station changed since the list was read.
    if (!relation_ || !relation_->HasMe()) return true;
    FileManager& fm = relation_->Me();
    const auto& keys = fm.Layout().keys;
    for (int k = 0; k < static_cast<int>(keys.size()); ++k)
        if (keys[k].primary()) return fm.GetByKeyQuiet(k) == 0;
    return true;
}

void BrowseManager::SelectRow(int row) {
    if (Rows() == 0)
        row = 0;
    else
        row = std::clamp(row, 1, Rows());
    selected_ = row;
    if (controller_ && window().IsOpen()) window().Set(list_, Prop::Selected, selected_);
    TakeRow(selected_);
}

// The next or previous row of the view. A read that fails (other than past the end) is
// reported and closes the browse, as the totals' read does.
bool BrowseManager::step(bool forward) {
    const int rc = forward ? view_->Next() : view_->Previous();
    if (rc == kNoError) return true;
    if (rc != kRecordNotAvailable && !read_failed_) {
        read_failed_ = true;
        if (relation_ && relation_->HasMe()) relation_->Me().ReportError(Msg::RetrievalError);
        if (controller_ && window().IsOpen()) window().Post(Event::CloseWindow);
    }
    return false;
}

void BrowseManager::fill_forward(int rows) {
    while (static_cast<int>(queue_.size()) < rows && step(true)) queue_.push_back(MakeRow());
}

bool BrowseManager::read_after(const Row& row, int count, std::vector<Row>& out) {
    Restore(row);
    if (view_->ResetToRecord() != 0) return false;
    bool first = true;
    while (static_cast<int>(out.size()) < count && step(true)) {
        if (first && same_key(*tables_[0], row.records[0], tables_[0]->bytes())) {
            first = false;
            continue;
        }
        first = false;
        out.push_back(MakeRow());
    }
    return true;
}

bool BrowseManager::read_before(const Row& row, int count, std::vector<Row>& out) {
    Restore(row);
    if (view_->ResetToRecord() != 0) return false;
    while (static_cast<int>(out.size()) < count && step(false)) out.push_back(MakeRow());
    return true;
}

void BrowseManager::fill_around_record() {
    const int n = PageRows();
    Row record = MakeRow();
    queue_.clear();
    if (view_->ResetToRecord() == 0) fill_forward(n);
    const bool found = !queue_.empty();
    if (static_cast<int>(queue_.size()) < n) {
        std::vector<Row> back;
        read_before(queue_.empty() ? record : queue_.front(), n - static_cast<int>(queue_.size()), back);
        std::reverse(back.begin(), back.end());
        queue_.insert(queue_.begin(), back.begin(), back.end());
        selected_ = found ? static_cast<int>(back.size()) + 1 : Rows();
    } else {
        selected_ = 1;
    }
}

// ---- Page loading --------------------------------------------------------------------

namespace {
thread_local std::function<void()>* t_load = nullptr;
}

void BrowseManager::LoadPage() {
    if (t_load && *t_load) {
        auto f = std::move(*t_load);
        *t_load = nullptr;
        f();
    }
}

void BrowseManager::RefillList() {
    if (!controller_) return;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::vector<CellColors>> colors;
    rows.reserve(queue_.size());
    bool colored = false;
    for (const Row& r : queue_) {
        rows.push_back(r.texts);
        colors.push_back(r.colors);
        colored = colored || !r.colors.empty();
    }
    if (!colored) colors.clear();
    window().SetRows(list_, std::move(rows), std::move(colors));
    window().Set(list_, Prop::Selected, selected_);
}

namespace {
// Runs `load` as the page load of LoadPage (which an override may extend), then refills.
template <class F>
void run_load(BrowseManager& b, F load) {
    std::function<void()> f = load;
    std::function<void()>* outer = t_load;
    t_load = &f;
    b.LoadPage();
    t_load = outer;
    b.RefillList();
}
}  // namespace

void BrowseManager::ResetFromView(bool force) {
    run_load(*this, [this, force] {
        const int n = PageRows();
        if (force || queue_.empty()) {
            queue_.clear();
            view_->Reset();
            fill_forward(n);
            if (force) selected_ = queue_.empty() ? 0 : 1;
        } else {
            Row first = queue_.front();
            queue_.clear();
            Restore(first);
            if (view_->ResetToRecord() == 0) fill_forward(n);
            if (static_cast<int>(queue_.size()) < n) {
                std::vector<Row> back;
                read_before(queue_.empty() ? first : queue_.front(), n - Rows(), back);
                std::reverse(back.begin(), back.end());
                queue_.insert(queue_.begin(), back.begin(), back.end());
            }
        }
        selected_ = Rows() == 0 ? 0 : std::clamp(selected_, 1, Rows());
    });
    refresh_pending_ = false;
    TakeRow(selected_);
}

void BrowseManager::ResetToBuffer() {
    run_load(*this, [this] { fill_around_record(); });
    refresh_pending_ = false;
    TakeRow(selected_);
}

void BrowseManager::RefreshPending() {
    if (refresh_pending_) ResetFromView(true);
}

void BrowseManager::Reposition() { ResetFromView(true); }

void BrowseManager::SyncScrollThumb() {
    Locator* loc = CurrentLocator();
    ScrollStep* step = order_ >= 1 ? orders_[order_ - 1].step : nullptr;
    if (!step || !loc || Rows() == 0) {
        thumb_ = 0;
        return;
    }
    const Binding field = find_field(loc->Field());
    if (!field.bound()) return;
    Row keep = MakeRow();
    auto value = [&] { return field.text(); };
    std::string first, last;
    if (view_->Reset() == 0 && view_->Next() == 0) first = value();
    if (view_->Reset() == 0 && view_->Previous() == 0) last = value();
    step->SetLimits(first, last);
    Restore(selected_ ? queue_[selected_ - 1] : keep);
    thumb_ = step->Percent(value());
    Restore(keep);
}

// ---- Sort orders ---------------------------------------------------------------------

Locator* BrowseManager::LocatorOf(int order) const {
    return order >= 1 && order <= Orders() ? orders_[order - 1].locator : nullptr;
}
Locator* BrowseManager::CurrentLocator() const { return LocatorOf(order_); }

int BrowseManager::SetSort(int order, bool force) {
    if (order < 1 || order > Orders()) return 0;
    if (order == order_ && !force) return 0;
    order_ = order;
    Order& o = orders_[order - 1];
    view_->SetSort(o.view_order);
    view_->SetOrder(o.text);
    o.header_text.clear();
    view_->SetFilter("", "locator");
    for (Order& each : orders_)
        if (each.locator) each.locator->Clear();
    ResetFromView(true);
    return 1;
}

int BrowseManager::SelectSortOrder(int order) { return SetSort(order, false); }

int BrowseManager::ReapplySortOrder(int force) {
    int order = order_ ? order_ : Orders();
    return force ? SetSort(order, true) : SelectSortOrder(order);
}

// ---- Locators ---------------------------------------------------------------------------

bool BrowseManager::LocateAt(std::string_view field, std::string_view text) {
    const Binding b = find_field(field);
    if (!b.bound()) return false;
    run_load(*this, [&] {
        const int n = PageRows();
        for (File* f : tables_) f->Clear();
        b.set_text(text);
        queue_.clear();
        if (view_->ResetFrom(1) == 0) fill_forward(n);
        const bool found = !queue_.empty();
        std::vector<Row> back;
        if (!found) {
            view_->Reset();
            while (Rows() + static_cast<int>(back.size()) < n && step(false)) back.push_back(MakeRow());
        } else if (Rows() < n) {
            read_before(queue_.front(), n - Rows(), back);
        }
        std::reverse(back.begin(), back.end());
        queue_.insert(queue_.begin(), back.begin(), back.end());
        selected_ = found ? static_cast<int>(back.size()) + 1 : Rows();
    });
    TakeRow(selected_);
    return true;
}

namespace {
// The first field an order text sorts by: "+UPPER(OBA:NAZIV),-OBA:SIFRA" gives OBA:NAZIV.
std::string first_order_field(std::string_view text) {
    std::string s;
    for (char c : text) {
        if (c == ',') break;
        s += c;
    }
    s = rt::clip(s);
    while (!s.empty() && (s.front() == '+' || s.front() == '-' || s.front() == ' ')) s.erase(0, 1);
    std::size_t open = s.rfind('(');
    if (open != std::string::npos) s = s.substr(open + 1);
    std::size_t close = s.find(')');
    if (close != std::string::npos) s = s.substr(0, close);
    return rt::clip(s);
}
}  // namespace

bool BrowseManager::ApplyFilter(LocatorFiltered& locator, std::string_view previous_text) {
    std::string field = locator.Field();
    if (!locator.USEFREEELEMENTONLY) {
        if (order_ >= 1) {
            const Order& o = orders_[order_ - 1];
            const std::string& text = o.header_text.empty() ? o.text : o.header_text;
            if (!text.empty()) field = first_order_field(text);
        }
    }
    view_->SetFilter(locator.FilterFor(field), "locator");
    if (locator.DISABLEONEMPTYRESULT && !locator.Text().empty() && view_->Exists() == 0) {
        // Back to the filter of the text before the refused character.
        view_->SetFilter(LocatorFilter(field, previous_text, locator.FLOATRIGHT != 0), "locator");
        return false;
    }
    ResetFromView(true);
    return true;
}

// ---- Events -------------------------------------------------------------------------

int BrowseManager::OnNewSelection() {
    if (window().keycode() == Key::MouseRightUp) AskPopup();
    return kLevelGoOn;
}

void BrowseManager::Scroll(int event) {
    const int n = PageRows();
    // A move of the selection within the rows shown loads no page.
    if ((event == Event::ScrollDown && selected_ >= 1 && selected_ < Rows()) ||
        (event == Event::ScrollUp && selected_ > 1 && selected_ <= Rows())) {
        SelectRow(selected_ + (event == Event::ScrollDown ? 1 : -1));
        return;
    }
    run_load(*this, [this, event, n] {
        switch (event) {
            case Event::ScrollTop:
                queue_.clear();
                view_->Reset();
                fill_forward(n);
                selected_ = Rows() ? 1 : 0;
                break;
            case Event::ScrollBottom: {
                queue_.clear();
                view_->Reset();
                while (Rows() < n && step(false)) queue_.push_back(MakeRow());
                std::reverse(queue_.begin(), queue_.end());
                selected_ = Rows();
                break;
            }
            case Event::PageDown:
            case Event::ScrollDown: {
                if (queue_.empty()) {
                    view_->Reset();
                    fill_forward(n);
                    selected_ = Rows() ? 1 : 0;
                    break;
                }
                if (event == Event::ScrollDown && selected_ < Rows()) {
                    ++selected_;
                    break;
                }
                std::vector<Row> got;
                read_after(queue_.back(), event == Event::PageDown ? n : 1, got);
                queue_.insert(queue_.end(), got.begin(), got.end());
                if (Rows() > n) queue_.erase(queue_.begin(), queue_.begin() + (Rows() - n));
                if (event == Event::ScrollDown || static_cast<int>(got.size()) < n) selected_ = Rows();
                break;
            }
            case Event::PageUp:
            case Event::ScrollUp: {
                if (queue_.empty()) break;
                if (event == Event::ScrollUp && selected_ > 1) {
                    --selected_;
                    break;
                }
                std::vector<Row> got;
                read_before(queue_.front(), event == Event::PageUp ? n : 1, got);
                std::reverse(got.begin(), got.end());
                queue_.insert(queue_.begin(), got.begin(), got.end());
                if (Rows() > n) queue_.resize(n);
                if (event == Event::ScrollUp || static_cast<int>(got.size()) < n) selected_ = Rows() ? 1 : 0;
                break;
            }
            default: break;
        }
        selected_ = Rows() == 0 ? 0 : std::clamp(selected_, 1, Rows());
    });
    TakeRow(selected_);
}

int BrowseManager::TakeEvent() {
    if (!controller_) return kLevelGoOn;
    Window& w = window();
    const int ev = w.event(), f = w.field();
    if (f == list_ && f) {
        switch (ev) {
            case Event::NewSelection:
                selected_ = static_cast<int>(w.Get(list_, Prop::Selected));
                TakeRow(selected_);
                return OnNewSelection();
            case Event::ScrollUp:
            case Event::ScrollDown:
            case Event::PageUp:
            case Event::PageDown:
            case Event::ScrollTop:
            case Event::ScrollBottom: Scroll(ev); return kLevelConsumed;
            case Event::Locate: w.Select(list_); return kLevelConsumed;
            case Event::Accepted:
                if (w.keycode() == Key::MouseLeft2) {
                    if (InSelectMode() && SELECTCONTROL)
                        Select();
                    else if (CHANGECONTROL)
                        Ask(2);
                    else if (VIEWCONTROL)
                        Ask(6);
                    return kLevelConsumed;
                }
                return kLevelGoOn;
            case Event::AlertKey: {
                const int key = w.keycode();
                if (key == Key::Insert) {
                    if (bound_and_enabled(INSERTCONTROL)) Ask(1);
                    return kLevelConsumed;
                }
                if (key == Key::Delete) {
                    if (bound_and_enabled(DELETECONTROL)) Ask(3);
                    return kLevelConsumed;
                }
                if (key == Key::Enter) {
                    if (InSelectMode() && SELECTCONTROL)
                        Select();
                    else if (bound_and_enabled(CHANGECONTROL))
                        Ask(2);
                    else if (bound_and_enabled(VIEWCONTROL))
                        Ask(6);
                    return kLevelConsumed;
                }
                if (Locator* l = CurrentLocator(); l && l->TakeKey(key, w.keychar())) return kLevelConsumed;
                return kLevelGoOn;
            }
            default: return kLevelGoOn;
        }
    }
    if (ev == Event::Accepted && f) {
        if (f == QUERYCONTROL && query_) {
            AskQuery();
            return kLevelGoOn;  // the procedure may add to the button's handling
        }
        if (f == INSERTCONTROL) return Ask(1), kLevelConsumed;
        if (f == CHANGECONTROL) return Ask(2), kLevelConsumed;
        if (f == DELETECONTROL) return Ask(3), kLevelConsumed;
        if (f == VIEWCONTROL) return Ask(6), kLevelConsumed;
        if (f == SELECTCONTROL) {
            if (InSelectMode()) Select();
            return kLevelConsumed;
        }
    }
    return kLevelGoOn;
}

void BrowseManager::Select() {
    if (!InSelectMode() || !SELECTCONTROL) return;
    if (!TakeRow(selected_)) return;  // nothing to choose
    controller_->CloseWithResponse(kResponseCompleted);
}

bool BrowseManager::PrimeForInsert() {
    for (File* f : tables_) f->Clear();
    if (order_ >= 1) {
        for (const Order::RangeValue& r : orders_[order_ - 1].ranges) {
            const Binding b = find_field(r.field);
            if (!b.bound()) continue;
            expr::Value v = r.value();
            if (v.kind == expr::Value::Kind::Text)
                b.set_text(v.s);
            else if (v.kind == expr::Value::Kind::Int)
                b.set_number(static_cast<double>(v.i));
            else if (v.kind == expr::Value::Kind::Real)
                b.set_number(v.d);
        }
    }
    if (relation_ && relation_->HasMe() && relation_->Me().PrimeRecord(true) != 0) return false;
    return true;
}

void BrowseManager::handle_nav(int button) {
    switch (button) {
        case ToolbarButton::Bottom: Scroll(Event::ScrollBottom); break;
        case ToolbarButton::Top: Scroll(Event::ScrollTop); break;
        case ToolbarButton::PageDown: Scroll(Event::PageDown); break;
        case ToolbarButton::PageUp: Scroll(Event::PageUp); break;
        case ToolbarButton::Down: Scroll(Event::ScrollDown); break;
        case ToolbarButton::Up: Scroll(Event::ScrollUp); break;
        default: break;
    }
}

int BrowseManager::Ask(int request) {
    const int control = request == 1   ? INSERTCONTROL
                        : request == 2 ? CHANGECONTROL
                        : request == 3 ? DELETECONTROL
                        : request == 6 ? VIEWCONTROL
                                       : 0;
    if (!ASKPROCEDURE || !control) return kResponseCancelled;
    int response = kResponseCancelled;
    for (;;) {
        if (request == 1) {
            if (!PrimeForInsert()) {
                ResetFromView(false);
                return kResponseCancelled;
            }
        } else if (!TakeRow(selected_)) {
            return kResponseCancelled;
        } else if (!ReadTakenRow()) {
            // The row is gone (another station deleted it): show the list as it is now.
            ResetFromView(false);
            return kResponseCancelled;
        }
        if (controller_->VCRREQUEST) *controller_->VCRREQUEST = 0;
        response = controller_->RunUpdate(ASKPROCEDURE, request);
        int nav = controller_->VCRREQUEST ? *controller_->VCRREQUEST : 0;
        if (controller_->VCRREQUEST) *controller_->VCRREQUEST = 0;
        if (response == kResponseCompleted && request != 3)
            ResetToBuffer();
        else
            ResetFromView(false);
        if (!nav || InViewMode()) break;
        if (nav == ToolbarButton::Insert) {
            request = 1;
            continue;
        }
        if (nav >= ToolbarButton::Bottom && nav <= ToolbarButton::Up) {
            handle_nav(nav);
            if (Rows() == 0) break;
            if (request == 1) request = 2;
            continue;
        }
        break;
    }
    return response;
}

// ---- Buttons, toolbar, popup ------------------------------------------------------------

void BrowseManager::DeclareKeys() {
    Window& w = window();
    for (int key : {int(Key::Insert), int(Key::Delete), int(Key::Enter), int(Key::Backspace), 0x20})
        w.Alert(list_, key);
    for (int key = '0'; key <= '9'; ++key) w.Alert(list_, key);
    for (int key = 'A'; key <= 'Z'; ++key) w.Alert(list_, key);
    w.Alert(list_, Key::Char);  // every other printable character, for the locator
    popup_.Clear();
    if (SELECTCONTROL && InSelectMode()) popup_.AddControlItem(SELECTCONTROL, "&Select", "Select");
    if (VIEWCONTROL) popup_.AddControlItem(VIEWCONTROL, "&View", "View");
    if (INSERTCONTROL) popup_.AddControlItem(INSERTCONTROL, "&Insert", "Insert");
    if (CHANGECONTROL) popup_.AddControlItem(CHANGECONTROL, "&Change", "Change");
    if (DELETECONTROL) popup_.AddControlItem(DELETECONTROL, "&Delete", "Delete");
}

bool BrowseManager::bound_and_enabled(int feq) const {
    return feq && controller_ && window().Get(feq, Prop::Disable) == 0;
}

void BrowseManager::AttachToolbarHandler(ToolbarList& toolbar) {
    DetachToolbarHandler();
    toolbar_ = &toolbar;
    toolbar.AddTarget(toolbar_target());
}

void BrowseManager::DetachToolbarHandler() {
    if (toolbar_ && toolbar_target_) toolbar_->RemoveTarget(*toolbar_target_);
    toolbar_ = nullptr;
}

ToolbarTarget& BrowseManager::toolbar_target() {
    if (!toolbar_target_) toolbar_target_ = std::make_unique<Toolbar>(*this);
    return *toolbar_target_;
}

bool BrowseManager::ToolbarEnabled(int button) const {
    switch (button) {
        case ToolbarButton::Insert: return bound_and_enabled(INSERTCONTROL);
        case ToolbarButton::Change: return bound_and_enabled(CHANGECONTROL) && Rows() > 0;
        case ToolbarButton::Delete: return bound_and_enabled(DELETECONTROL) && Rows() > 0;
        case ToolbarButton::Select: return InSelectMode() && bound_and_enabled(SELECTCONTROL) && Rows() > 0;
        case ToolbarButton::Locate: return CurrentLocator() != nullptr;
        case ToolbarButton::History: return false;
        case ToolbarButton::Help: return bound_and_enabled(HELPCONTROL);
        default: return button >= ToolbarButton::Bottom && button <= ToolbarButton::Up;
    }
}

int BrowseManager::AskPopup() {
    const bool rows = Rows() > 0;
    popup_.SetItemEnabled("Insert", bound_and_enabled(INSERTCONTROL));
    popup_.SetItemEnabled("Change", rows && bound_and_enabled(CHANGECONTROL));
    popup_.SetItemEnabled("Delete", rows && bound_and_enabled(DELETECONTROL));
    popup_.SetItemEnabled("View", rows && bound_and_enabled(VIEWCONTROL));
    popup_.SetItemEnabled("Select", rows && InSelectMode());
    return popup_.Ask();
}

}  // namespace rt::ui
