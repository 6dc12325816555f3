#include "platform/files/view.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/core/text.h"
#include "platform/files/record.h"
#include "platform/files/relation.h"
#include "platform/files/sql/connection.h"
#include "platform/files/sql/sql_table.h"

namespace rt {

using expr::Fragment;
using expr::Type;
using expr::Value;
using sql::Dialect;

namespace {

// A field's value as the SQL driver stores it: CSTRING up to its terminator, STRING
// without trailing blanks.
Value field_value(const FieldDef& f, const unsigned char* record, std::size_t element) {
    const unsigned char* p = record + f.offset + element * f.size;
    switch (f.type) {
        case FieldType::Byte: return Value::Int(*p);
        case FieldType::Short: {
            std::int16_t v;
            std::memcpy(&v, p, sizeof v);
            return Value::Int(v);
        }
        case FieldType::Long: {
            std::int32_t v;
            std::memcpy(&v, p, sizeof v);
            return Value::Int(v);
        }
        case FieldType::Real: {
            double v;
            std::memcpy(&v, p, sizeof v);
            return Value::Real(v);
        }
        case FieldType::CString: {
            const char* s = reinterpret_cast<const char*>(p);
            return Value::Text(std::string(s, ::strnlen(s, f.size > 0 ? f.size - 1 : 0)));
        }
        case FieldType::String: {
            std::size_t n = f.size;
            while (n > 0 && p[n - 1] == ' ') --n;
            return Value::Text(std::string(reinterpret_cast<const char*>(p), n));
        }
        case FieldType::Group: break;
    }
    return {};
}

Fragment param(Value v, Type t) {
    Fragment f;
    f.sql = "?";
    f.params.push_back(std::move(v));
    f.type = t;
    return f;
}

void append(Fragment& to, const Fragment& x) {
    to.sql += x.sql;
    to.params.insert(to.params.end(), x.params.begin(), x.params.end());
}

void append(Fragment& to, std::string_view s) { to.sql += s; }

// "a AND b" of conditions, either of which may be empty.
void and_with(Fragment& to, const Fragment& x) {
    if (x.sql.empty()) return;
    if (!to.sql.empty()) to.sql += " AND ";
    append(to, x);
}

std::string trim(std::string_view s) {
    std::size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
    return std::string(s.substr(a, b - a));
}

enum PivotKind : int { kNoPivot, kPivotItems, kPivotRecord };

constexpr std::size_t kStatementCache = 16;

}  // namespace

struct ViewManager::Table {
    File* file = nullptr;
    std::string alias;
    bool joined = false;
    JoinKind kind = JoinKind::LeftOuter;
    // (field index of this table, the field of an earlier table it equals)
    std::vector<std::pair<std::size_t, std::string>> links;
    bool links_nocase = false;  // joined through a key without case
    bool to_one = true;         // at most one match per row of the tables before it
    bool projected = false;
    std::vector<bool> read;  // per field, when projected
    const RecordLayout& layout() const { return file->layout(); }
    bool nullable() const { return joined && kind == JoinKind::LeftOuter; }
    bool reads(std::size_t i) const {
        if (layout().fields[i].type == FieldType::Group) return false;
        return !projected || read[i];
    }
};

struct ViewManager::Item {
    expr::Expression expr;
    bool desc = false;
    bool nocase = false;   // a text field of a key without case
    bool ordered = false;  // from an order text: texts sort as the columns do, without case
};

struct ViewManager::Range {
    std::string field;
    std::function<Value()> value;
};

struct ViewManager::Order {
    int key = -1;
    std::vector<Item> items;
    std::vector<Range> ranges;
};

struct ViewManager::Row {
    std::vector<Value> keys;
    std::vector<std::vector<unsigned char>> images;
    std::vector<char> matched;
};

// The parts of the view's statements, compiled for one reading.
struct ViewManager::Query {
    Dialect dialect = Dialect::Sqlite;
    std::vector<Item> items;       // sort items, then the appended keys
    std::size_t sort_items = 0;    // how many of them the order itself has
    std::vector<Fragment> values;  // per item: its SQL value
    std::vector<std::string> collate;
    Fragment cols, from, where;
    // Where Next and Previous start while no row is held: the buffers' values of the
    // first `pivot_items` items.
    bool has_pivot = false;
    std::vector<Fragment> pivot;
    // Per table and field: read into the buffer.
    std::vector<std::vector<bool>> reads;

    std::string lhs(std::size_t i) const { return values[i].sql + collate[i]; }

    // Rows after (forward) or before the values `rhs` of the first rhs.size() items;
    // `inclusive` lets rows equal to them through.
    Fragment bound(const std::vector<Fragment>& rhs, bool forward, bool inclusive) const {
        Fragment f;
        if (rhs.empty()) return f;
        auto op = [&](std::size_t i, bool eq) {
            bool up = forward != items[i].desc;
            return std::string(up ? (eq ? " >= " : " > ") : (eq ? " <= " : " < "));
        };
        auto side = [&](std::size_t i, std::string_view o) {
            Fragment x;
            append(x, values[i]);
            append(x, collate[i]);
            append(x, o);
            append(x, rhs[i]);
            return x;
        };
        // The first item alone narrows the rows an index can seek.
        append(f, "(");
        append(f, side(0, op(0, true)));
        append(f, " AND (");
        for (std::size_t j = 0; j < rhs.size(); ++j) {
            if (j) append(f, " OR ");
            append(f, "(");
            for (std::size_t i = 0; i < j; ++i) {
                append(f, side(i, " = "));
                append(f, " AND ");
            }
            append(f, side(j, op(j, inclusive && j + 1 == rhs.size())));
            append(f, ")");
        }
        append(f, "))");
        return f;
    }

    Fragment order_by(bool forward) const {
        Fragment f;
        for (std::size_t i = 0; i < items.size(); ++i) {
            append(f, i ? ", " : " ORDER BY ");
            append(f, values[i]);
            append(f, collate[i]);
            append(f, forward != items[i].desc ? " ASC" : " DESC");
        }
        return f;
    }
};

ViewManager::ViewManager() = default;
ViewManager::~ViewManager() = default;

void ViewManager::invalidate() {
    ready_ = false;
    fresh_previous_ = -1;
    query_.reset();
    rows_.clear();
    pos_ = -1;
}

void ViewManager::Init(File& primary) {
    Teardown();
    auto t = std::make_unique<Table>();
    t->file = &primary;
    t->alias = "t0";
    t->read.assign(primary.layout().fields.size(), false);
    tables_.push_back(std::move(t));
    orders_.push_back(std::make_unique<Order>());
    current_ = 0;
}

// Closing a view succeeds: the error state of its last read (the end of the rows) does
// not outlive it.
void ViewManager::Teardown() {
    invalidate();
    statements_.clear();
    conn_.reset();
    tables_.clear();
    orders_.clear();
    filters_.clear();
    current_ = 0;
    ClearError();
}

// ---- Names -----------------------------------------------------------------------------

int ViewManager::table_of(std::string_view name) const {
    auto colon = name.find(':');
    if (colon == std::string_view::npos) return tables_.empty() ? -1 : 0;
    std::string_view prefix = name.substr(0, colon);
    for (std::size_t i = 0; i < tables_.size(); ++i)
        if (equal_nocase(tables_[i]->layout().prefix, prefix)) return static_cast<int>(i);
    return -1;
}

const FieldDef* ViewManager::field_of(std::string_view name, int* table, std::size_t* element) const {
    int t = table_of(name);
    if (t < 0) return nullptr;
    *table = t;
    const FieldDef* f = tables_[static_cast<std::size_t>(t)]->layout().field_or_element(name, element);
    if (!f) return nullptr;
    if (f->type == FieldType::Group) return nullptr;
    return f;
}

std::string ViewManager::column_sql(int table, const FieldDef& f, std::size_t element, bool raw) const {
    const Table& t = *tables_[static_cast<std::size_t>(table)];
    Dialect d = query_ ? query_->dialect : (conn_ ? conn_->dialect() : Dialect::Sqlite);
    std::string column(f.column());
    if (f.dim > 1) column += "_" + std::to_string(element + 1);
    std::string s = t.alias + "." + sql::QuoteIdent(d, column);
    // A joined table without a match reads as its cleared buffer.
    if (!raw && t.nullable()) s = "COALESCE(" + s + (f.is_text() ? ", '')" : ", 0)");
    return s;
}

std::optional<Fragment> ViewManager::resolve_column(std::string_view name) const {
    int t;
    std::size_t e;
    const FieldDef* f = field_of(name, &t, &e);
    if (!f) return std::nullopt;
    Fragment x;
    x.sql = column_sql(t, *f, e, false);
    x.type = f->is_text() ? Type::Text : Type::Number;
    return x;
}

std::optional<Fragment> ViewManager::resolve_buffer(std::string_view name) const {
    int t;
    std::size_t e;
    const FieldDef* f = field_of(name, &t, &e);
    if (!f) return std::nullopt;
    const File& file = *tables_[static_cast<std::size_t>(t)]->file;
    return param(field_value(*f, file.bytes(), e), f->is_text() ? Type::Text : Type::Number);
}

// ---- Definition ------------------------------------------------------------------------

std::string ViewManager::AddJoin(File& joined, int key, const std::vector<std::string>& fields,
                                 JoinKind kind) {
    const RecordLayout& L = joined.layout();
    if (key < 0 || key >= static_cast<int>(L.keys.size()))
        return "No key " + std::to_string(key) + " in " + joined.Label();
    const KeyDef& k = L.keys[static_cast<std::size_t>(key)];
    if (fields.empty() || fields.size() > k.fields.size())
        return "Join through " + k.name + " needs 1 to " + std::to_string(k.fields.size()) + " fields";
    std::vector<FieldLink> links;
    for (std::size_t i = 0; i < fields.size(); ++i) links.push_back({L.fields[k.fields[i]].name, fields[i]});
    std::string err = AddJoin(joined, links, kind);
    if (!err.empty()) return err;
    Table& t = *tables_.back();
    t.links_nocase = k.nocase();
    t.to_one = k.unique() && fields.size() == k.fields.size();
    return {};
}

std::string ViewManager::AddJoin(File& joined, const std::vector<FieldLink>& links, JoinKind kind) {
    if (tables_.empty()) return "The view has no primary table";
    for (const auto& t : tables_)
        if (t->file == &joined || equal_nocase(t->layout().prefix, joined.layout().prefix))
            return joined.Label() + " is in the view already";
    if (links.empty()) return "A join needs linking fields";
    auto t = std::make_unique<Table>();
    t->file = &joined;
    t->alias = "t" + std::to_string(tables_.size());
    t->joined = true;
    t->kind = kind;
    t->to_one = false;
    t->read.assign(joined.layout().fields.size(), false);
    for (const FieldLink& l : links) {
        int i = joined.layout().field_index(l.field);
        int ot;
        std::size_t oe;
        if (i < 0 || joined.layout().fields[static_cast<std::size_t>(i)].type == FieldType::Group)
            return "Unknown field " + l.field;
        if (!field_of(l.other, &ot, &oe)) return "Unknown field " + l.other;
        t->links.emplace_back(static_cast<std::size_t>(i), l.other);
    }
    invalidate();
    tables_.push_back(std::move(t));
    return {};
}

std::string ViewManager::Project(const std::vector<std::string>& fields) {
    for (const std::string& name : fields) {
        int t;
        std::size_t e;
        const FieldDef* f = field_of(name, &t, &e);
        if (!f) return "Unknown field " + name;
        Table& tab = *tables_[static_cast<std::size_t>(t)];
        tab.projected = true;
        tab.read[static_cast<std::size_t>(f - tab.layout().fields.data())] = true;
    }
    invalidate();
    return {};
}

std::vector<ViewManager::Item> ViewManager::key_items(int key, std::size_t table) const {
    std::vector<Item> out;
    const RecordLayout& L = tables_[table]->layout();
    if (key < 0 || key >= static_cast<int>(L.keys.size())) return out;
    const KeyDef& k = L.keys[static_cast<std::size_t>(key)];
    for (std::size_t fi : k.fields) {
        Item it;
        it.expr.Parse(L.fields[fi].name);
        it.nocase = k.nocase() && L.fields[fi].is_text();
        out.push_back(std::move(it));
    }
    return out;
}

int ViewManager::DefineSortOrder(int key) {
    if (tables_.empty()) return 0;
    if (key < -1 || key >= static_cast<int>(tables_[0]->layout().keys.size())) return 0;
    auto o = std::make_unique<Order>();
    o->key = key;
    o->items = key_items(key);
    if (!orders_defined_) orders_.clear();
    orders_defined_ = true;
    orders_.push_back(std::move(o));
    current_ = static_cast<int>(orders_.size()) - 1;
    invalidate();
    return current_ + 1;
}

int ViewManager::DefineSortOrder(std::string_view key_name) {
    if (tables_.empty()) return 0;
    int k = tables_[0]->layout().key_index(key_name);
    return k < 0 ? 0 : DefineSortOrder(k);
}

int ViewManager::SetSort(int n) {
    if (n < 1 || n > static_cast<int>(orders_.size())) return fail(kRecordNotAvailable);
    if (n - 1 != current_) {
        current_ = n - 1;
        invalidate();
    }
    ClearError();
    return kNoError;
}

std::string ViewManager::parse_order(std::string_view text, std::vector<Item>& out) const {
    // Items are separated by commas outside parentheses and quotes.
    std::vector<std::string> parts;
    std::string cur;
    int depth = 0;
    bool quoted = false;
    for (char c : text) {
        if (c == '\'') quoted = !quoted;
        if (!quoted) {
            if (c == '(') ++depth;
            if (c == ')') --depth;
            if (c == ',' && depth == 0) {
                parts.push_back(cur);
                cur.clear();
                continue;
            }
        }
        cur += c;
    }
    parts.push_back(cur);
    if (parts.size() == 1 && trim(parts[0]).empty()) return {};
    for (std::size_t n = 0; n < parts.size(); ++n) {
        std::string p = trim(parts[n]);
        Item it;
        it.ordered = true;
        if (!p.empty() && (p[0] == '+' || p[0] == '-')) {
            it.desc = p[0] == '-';
            p = trim(std::string_view(p).substr(1));
        }
        std::string err = it.expr.Parse(p);
        if (err.empty() && it.expr.empty()) err = "The item is empty";
        if (err.empty()) {
            for (const std::string& name : it.expr.Names()) {
                int t;
                std::size_t e;
                if (!field_of(name, &t, &e)) {
                    err = "Unknown field " + name;
                    break;
                }
            }
        }
        if (!err.empty()) return "Order item " + std::to_string(n + 1) + ": " + err;
        out.push_back(std::move(it));
    }
    return {};
}

std::string ViewManager::SetOrder(std::string_view text) {
    if (orders_.empty()) return "The view has no primary table";
    std::vector<Item> items;
    std::string err = parse_order(text, items);
    if (!err.empty()) return err;
    Order& o = *orders_[static_cast<std::size_t>(current_)];
    o.items = trim(text).empty() ? key_items(o.key) : std::move(items);
    invalidate();
    return {};
}

std::string ViewManager::AppendOrder(std::string_view text) {
    if (orders_.empty()) return "The view has no primary table";
    std::vector<Item> items;
    std::string err = parse_order(text, items);
    if (!err.empty()) return err;
    Order& o = *orders_[static_cast<std::size_t>(current_)];
    for (Item& it : items) o.items.push_back(std::move(it));
    invalidate();
    return {};
}

// ---- Ranges ----------------------------------------------------------------------------

std::string ViewManager::add_range(std::string_view field, std::function<Value()> value) {
    if (orders_.empty()) return "The view has no primary table";
    int t;
    std::size_t e;
    if (!field_of(field, &t, &e) || t != 0) return "Unknown field " + std::string(field);
    orders_[static_cast<std::size_t>(current_)]->ranges.push_back({std::string(field), std::move(value)});
    invalidate();
    return {};
}

std::string ViewManager::LimitToRelation(File& parent, const std::vector<FieldLink>& links) {
    for (const FieldLink& l : links) {
        const FieldDef* pf = parent.layout().field(l.other);
        if (!pf || pf->type == FieldType::Group) return "Unknown field " + l.other;
        File* p = &parent;
        std::string err = add_range(l.field, [p, pf] { return field_value(*pf, p->bytes(), 0); });
        if (!err.empty()) return err;
    }
    return {};
}

std::string ViewManager::LimitToRelation(std::string_view field, RelationManager& parent) {
    if (tables_.empty() || !parent.HasMe()) return "No relation to the view's table";
    const RecordLayout& child = tables_[0]->layout();
    const int fi = child.field_index(field);
    for (const Relation& r : parent.Relations()) {
        if (!r.other || !r.other->HasMe() || r.other->Me().FILE != tables_[0]->file) continue;
        auto last =
            std::find_if(r.links.begin(), r.links.end(), [&](const auto& l) { return l.second == fi; });
        if (last == r.links.end()) continue;
        std::vector<FieldLink> links;
        File& pf = *parent.Me().FILE;
        for (auto l = r.links.begin(); l <= last; ++l)
            links.push_back({child.fields[static_cast<std::size_t>(l->second)].name,
                             pf.layout().fields[static_cast<std::size_t>(l->first)].name});
        return LimitToRelation(pf, links);
    }
    return "No relation to " + tables_[0]->file->Label() + " links " + std::string(field);
}

std::string ViewManager::LimitToValue(std::string_view field, std::function<Value()> value) {
    return add_range(field, std::move(value));
}

std::string ViewManager::LimitToValue(std::string_view field, File& source, std::string_view source_field) {
    const FieldDef* sf = source.layout().field(source_field);
    if (!sf || sf->type == FieldType::Group) return "Unknown field " + std::string(source_field);
    File* s = &source;
    return add_range(field, [s, sf] { return field_value(*sf, s->bytes(), 0); });
}

std::string ViewManager::LimitToCurrent(const std::vector<std::string>& fields) {
    for (const std::string& name : fields) {
        int t;
        std::size_t e;
        const FieldDef* f = field_of(name, &t, &e);
        if (!f || t != 0) return "Unknown field " + name;
        File* p = tables_[0]->file;
        std::string err = add_range(name, [p, f, e] { return field_value(*f, p->bytes(), e); });
        if (!err.empty()) return err;
    }
    return {};
}

void ViewManager::ClearRange() {
    if (orders_.empty()) return;
    orders_[static_cast<std::size_t>(current_)]->ranges.clear();
    invalidate();
}

// ---- Filters ---------------------------------------------------------------------------

std::string ViewManager::DefineFilter(std::string_view text, std::string_view id) {
    std::string key(id);
    invalidate();
    if (trim(text).empty()) {
        filters_.erase(key);
        return {};
    }
    filters_[key] = std::string(text);
    expr::Expression e;
    return e.Parse(text);
}

std::string ViewManager::ComposeFilter() {
    if (tables_.empty()) return "The view has no primary table";
    if (tables_[0]->file->def().driver == Driver::Flat) {
        for (const auto& [id, text] : filters_) {
            expr::Expression e;
            std::string err = e.Parse(text);
            bool yes;
            if (err.empty())
                err = e.EvaluateCondition([this](std::string_view n) { return resolve_buffer(n); }, yes);
            if (!err.empty()) return "Filter " + id + ": " + err;
        }
        return {};
    }
    Dialect d = Dialect::Sqlite;
    if (auto c = conn_ ? conn_ : sql::ConnectionOf(*tables_[0]->file)) d = c->dialect();
    for (const auto& [id, text] : filters_) {
        expr::Expression e;
        std::string err = e.Parse(text);
        Fragment f;
        if (err.empty())
            err = e.CompileCondition(
                d, [this](std::string_view n) { return resolve_column(n); }, f);
        if (!err.empty()) return "Filter " + id + ": " + err;
    }
    return {};
}

std::string ViewManager::SetFilter(std::string_view text, std::string_view id) {
    std::string err = DefineFilter(text, id);
    return err.empty() ? ComposeFilter() : err;
}

std::string ViewManager::FilterText() const {
    std::string s;
    for (const auto& [id, text] : filters_) {
        if (!s.empty()) s += " AND ";
        s += "(" + trim(text) + ")";
    }
    return s;
}

// ---- Reading ---------------------------------------------------------------------------

int ViewManager::fail(int code) const {
    SetError(code, tables_.empty() ? std::string() : tables_[0]->file->Label());
    return code;
}

int ViewManager::driver_fail(std::string_view code, std::string_view text) const {
    SetDriverError(tables_.empty() ? std::string() : tables_[0]->file->Label(), code, text);
    return kDriverError;
}

int ViewManager::effective_page() const {
    int n = page_size_ > 0 ? page_size_ : kDefaultPageSize;
    return quick_scan_ ? std::max(n, kQuickScanPageSize) : n;
}

int ViewManager::connect() {
    if (tables_.empty()) return fail(kFileNotOpen);
    ClearError();
    memory_ = tables_[0]->file->def().driver == Driver::Flat;
    if (memory_) {
        if (tables_.size() > 1)
            return driver_fail("VIEW", tables_[0]->file->Label() + " cannot be joined: it is no SQL table");
        return kNoError;
    }
    auto conn = sql::ConnectionOf(*tables_[0]->file);
    if (!conn) return ErrorCode() != kNoError ? ErrorCode() : fail(kFileNotOpen);
    for (std::size_t i = 1; i < tables_.size(); ++i) {
        if (sql::ConnectionOf(*tables_[i]->file) != conn)
            return driver_fail("VIEW", tables_[i]->file->Label() + " is not in the database of " +
                                           tables_[0]->file->Label());
    }
    if (conn != conn_) {
        statements_.clear();
        conn_ = std::move(conn);
    }
    return kNoError;
}

int ViewManager::build_query(Query& q) const {
    const Dialect d = memory_ ? Dialect::Sqlite : conn_->dialect();
    q.dialect = d;
    const Order& o = *orders_[static_cast<std::size_t>(current_)];
    auto columns = [this](std::string_view n) { return resolve_column(n); };

    // Sort items, then the keys that make the order total: the primary key, and the keys
    // of tables that may match more than once.
    q.items = o.items;
    q.sort_items = q.items.size();
    std::vector<Item> keys;
    for (std::size_t t = 0; t < tables_.size(); ++t) {
        if (t > 0 && tables_[t]->to_one) continue;
        const KeyDef* pk = tables_[t]->layout().primary_key();
        if (!pk) continue;
        int k = static_cast<int>(pk - tables_[t]->layout().keys.data());
        for (Item& it : key_items(k, t)) keys.push_back(std::move(it));
    }
    q.values.clear();
    q.collate.clear();
    std::vector<Item> all;
    auto add_item = [&](const Item& it, bool appended) -> std::string {
        if (memory_) {
            all.push_back(it);
            return {};
        }
        Fragment f;
        std::string err = it.expr.CompileValue(d, columns, f);
        if (!err.empty()) return err;
        const bool nocase = it.nocase || (it.ordered && f.type == Type::Text);
        std::string coll = nocase ? sql::CollateClause(d) : std::string();
        if (appended)
            for (std::size_t i = 0; i < q.values.size(); ++i)
                if (q.values[i].sql == f.sql && q.collate[i] == coll) return {};
        q.values.push_back(std::move(f));
        q.collate.push_back(std::move(coll));
        all.push_back(it);
        return {};
    };
    for (const Item& it : q.items) {
        std::string err = add_item(it, false);
        if (!err.empty()) return driver_fail("VIEW", "Order: " + err);
    }
    for (const Item& it : keys) add_item(it, true);
    q.items = std::move(all);
    if (q.items.empty())
        return driver_fail("VIEW", tables_[0]->file->Label() + " has no primary key to read it in order");

    // What each table reads: its projected fields (all when none is), its key and its
    // linking fields.
    q.reads.clear();
    for (const auto& t : tables_) {
        std::vector<bool> r(t->layout().fields.size());
        for (std::size_t i = 0; i < r.size(); ++i) r[i] = t->reads(i);
        if (const KeyDef* pk = t->layout().primary_key())
            for (std::size_t fi : pk->fields) r[fi] = true;
        for (const auto& l : t->links) r[l.first] = true;
        for (std::size_t i = 0; i < r.size(); ++i)
            if (t->layout().fields[i].type == FieldType::Group) r[i] = false;
        q.reads.push_back(std::move(r));
    }
    for (const auto& t : tables_)
        for (const auto& l : t->links) {
            int ot;
            std::size_t oe;
            if (const FieldDef* f = field_of(l.second, &ot, &oe))
                q.reads[static_cast<std::size_t>(ot)][static_cast<std::size_t>(
                    f - tables_[static_cast<std::size_t>(ot)]->layout().fields.data())] = true;
        }

    if (memory_) return kNoError;

    q.cols = Fragment{};
    for (std::size_t i = 0; i < q.values.size(); ++i) {
        append(q.cols, i ? ", " : "");
        append(q.cols, q.values[i]);
    }
    for (std::size_t t = 0; t < tables_.size(); ++t) {
        const Table& tab = *tables_[t];
        const auto& fields = tab.layout().fields;
        if (tab.joined)
            append(q.cols, ", " + column_sql(static_cast<int>(t), fields[tab.links[0].first], 0, true));
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (!q.reads[t][i]) continue;
            for (std::size_t e = 0; e < fields[i].dim; ++e)
                append(q.cols, ", " + column_sql(static_cast<int>(t), fields[i], e, true));
        }
    }

    q.from = from_clause(d, std::vector<bool>(tables_.size(), true));

    // Ranges with their values of now, then the filters.
    q.where = Fragment{};
    const KeyDef* okey = o.key >= 0 ? &tables_[0]->layout().keys[static_cast<std::size_t>(o.key)] : nullptr;
    for (const Range& r : o.ranges) {
        int t;
        std::size_t e;
        const FieldDef* f = field_of(r.field, &t, &e);
        bool nocase = false;
        if (okey && okey->nocase() && f->is_text())
            for (std::size_t fi : okey->fields)
                if (&tables_[0]->layout().fields[fi] == f) nocase = true;
        Fragment c;
        append(c,
               "(" + column_sql(t, *f, e, true) + (nocase ? sql::CollateClause(d) : std::string()) + " = ");
        append(c, param(r.value(), Type::Text));
        append(c, ")");
        and_with(q.where, c);
    }
    for (const auto& [id, text] : filters_) {
        expr::Expression e;
        std::string err = e.Parse(text);
        Fragment f;
        if (err.empty()) err = e.CompileCondition(d, columns, f);
        if (!err.empty()) return driver_fail("FILTER", "Filter " + id + ": " + err);
        and_with(q.where, f);
    }
    return kNoError;
}

Fragment ViewManager::from_clause(Dialect d, const std::vector<bool>& included) const {
    Fragment from;
    append(from, "FROM " + sql::QuotedTableName(*tables_[0]->file) + " " + tables_[0]->alias);
    for (std::size_t t = 1; t < tables_.size(); ++t) {
        if (!included[t]) continue;
        const Table& tab = *tables_[t];
        append(from, tab.kind == JoinKind::Inner ? " INNER JOIN " : " LEFT OUTER JOIN ");
        append(from, sql::QuotedTableName(*tab.file) + " " + tab.alias + " ON (");
        for (std::size_t i = 0; i < tab.links.size(); ++i) {
            const FieldDef& f = tab.layout().fields[tab.links[i].first];
            int ot;
            std::size_t oe;
            const FieldDef* of = field_of(tab.links[i].second, &ot, &oe);
            append(from, i ? " AND " : "");
            append(from, column_sql(static_cast<int>(t), f, 0, true));
            if (tab.links_nocase && f.is_text()) append(from, sql::CollateClause(d));
            append(from, " = " + column_sql(ot, *of, oe, true));
        }
        append(from, ")");
    }
    return from;
}

// The tables that decide which rows pass and how many: the primary table; a table joined
// inner or one that may match more than once; one whose fields `used` names (summed); one
// that a range or filter of the current order names; and every table such a table is
// joined through. A table joined outer through a unique key names at most one row for
// each row before it, so without it the rows and their count stay the same.
std::vector<bool> ViewManager::counted_tables(const std::vector<int>& used) const {
    std::vector<bool> need(tables_.size(), false);
    need[0] = true;
    for (std::size_t t = 1; t < tables_.size(); ++t)
        need[t] = tables_[t]->kind == JoinKind::Inner || !tables_[t]->to_one;
    for (int t : used)
        if (t >= 0) need[static_cast<std::size_t>(t)] = true;
    auto name = [&](std::string_view n) {
        const int t = table_of(n);
        if (t >= 0) need[static_cast<std::size_t>(t)] = true;
    };
    for (const Range& r : orders_[static_cast<std::size_t>(current_)]->ranges) name(r.field);
    for (const auto& [id, text] : filters_) {
        expr::Expression e;
        if (!e.Parse(text).empty()) return std::vector<bool>(tables_.size(), true);  // fails as it will
        for (const std::string& n : e.Names()) name(n);
    }
    for (std::size_t t = tables_.size(); t-- > 1;)
        if (need[t])
            for (const auto& l : tables_[t]->links) name(l.second);
    return need;
}

int ViewManager::start(int pivot, std::size_t items) {
    invalidate();
    int rc = connect();
    if (rc != kNoError) return rc;
    auto q = std::make_unique<Query>();
    rc = build_query(*q);
    if (rc != kNoError) return rc;
    if (memory_) {
        query_ = std::move(q);
        rc = load_memory(pivot, items, nullptr);
        if (rc != kNoError) {
            invalidate();
            return rc;
        }
        ready_ = true;
        ClearError();
        return kNoError;
    }
    if (pivot != kNoPivot) {
        std::size_t m = pivot == kPivotRecord ? q->items.size()
                                              : (items == 0 ? q->sort_items : std::min(items, q->sort_items));
        auto buffers = [this](std::string_view n) { return resolve_buffer(n); };
        for (std::size_t i = 0; i < m; ++i) {
            Fragment f;
            std::string err = q->items[i].expr.CompileValue(q->dialect, buffers, f);
            if (!err.empty()) return driver_fail("VIEW", "Order: " + err);
            q->pivot.push_back(std::move(f));
        }
        q->has_pivot = m > 0;
    }
    query_ = std::move(q);
    more_before_ = more_after_ = false;
    ready_ = true;
    ClearError();
    return kNoError;
}

int ViewManager::Reset() { return start(kNoPivot, 0); }
int ViewManager::ResetFrom(std::size_t items) { return start(kPivotItems, items); }
int ViewManager::ResetToRecord() { return start(kPivotRecord, 0); }

sql::Statement* ViewManager::statement(const std::string& text) {
    auto it = statements_.find(text);
    if (it != statements_.end()) return it->second.get();
    auto st = conn_->Prepare(text);
    if (!st) return nullptr;
    if (statements_.size() >= kStatementCache) statements_.clear();
    return statements_.emplace(text, std::move(st)).first->second.get();
}

int ViewManager::read_page(const Fragment& text, std::deque<Row>& into) {
    sql::Statement* st = statement(text.sql);
    if (!st) return driver_fail(conn_->ErrorCodeText(), conn_->ErrorText());
    st->Reset();
    expr::Bind(*st, 0, text.params);
    const Query& q = *query_;
    for (;;) {
        int r = st->Step();
        if (r == 0) break;
        if (r < 0) {
            int rc = driver_fail(conn_->ErrorCodeText(), conn_->ErrorText());
            st->Reset();
            return rc;
        }
        Row row;
        int col = 0;
        for (std::size_t i = 0; i < q.items.size(); ++i, ++col) {
            if (st->IsNull(col))
                row.keys.emplace_back();
            else if (q.values[i].type == Type::Text)
                row.keys.push_back(Value::Text(st->Text(col)));
            else
                row.keys.push_back(Value::Real(st->Double(col)));
        }
        for (std::size_t t = 0; t < tables_.size(); ++t) {
            const RecordLayout& L = tables_[t]->layout();
            std::vector<unsigned char> image(L.record_size);
            bool matched = true;
            if (tables_[t]->joined) matched = !st->IsNull(col++);
            for (std::size_t i = 0; i < L.fields.size(); ++i) {
                if (!q.reads[t][i]) continue;
                for (std::size_t e = 0; e < L.fields[i].dim; ++e, ++col)
                    if (matched) sql::ReadField(*st, col, L.fields[i], image.data(), e);
            }
            row.images.push_back(std::move(image));
            row.matched.push_back(matched ? 1 : 0);
        }
        into.push_back(std::move(row));
    }
    st->Reset();
    return kNoError;
}

int ViewManager::fetch(bool forward, long* got) {
    *got = 0;
    if (memory_) return kNoError;  // every row is held already
    const Query& q = *query_;
    const int n = effective_page();
    std::vector<Fragment> rhs;
    bool inclusive = false;
    const bool from_pivot = rows_.empty() && q.has_pivot;
    if (!rows_.empty()) {
        const Row& r = forward ? rows_.back() : rows_.front();
        for (const Value& v : r.keys) rhs.push_back(param(v, Type::Text));
    } else if (from_pivot) {
        rhs = q.pivot;
        inclusive = forward;
    }
    Fragment where = q.where;
    and_with(where, q.bound(rhs, forward, inclusive));
    Fragment text;
    append(text, q.dialect == Dialect::SqlServer ? "SELECT TOP (" + std::to_string(n) + ") " : "SELECT ");
    append(text, q.cols);
    append(text, " ");
    append(text, q.from);
    if (!where.sql.empty()) {
        append(text, " WHERE ");
        append(text, where);
    }
    append(text, q.order_by(forward));
    if (q.dialect == Dialect::Sqlite) append(text, " LIMIT " + std::to_string(n));

    std::deque<Row> page;
    int rc = read_page(text, page);
    if (rc != kNoError) return rc;
    *got = static_cast<long>(page.size());
    const bool full = static_cast<int>(page.size()) == n;
    const bool was_empty = rows_.empty();
    const std::size_t cap = static_cast<std::size_t>(n) * 3;
    if (forward) {
        for (Row& r : page) rows_.push_back(std::move(r));
        more_after_ = full;
        if (was_empty) more_before_ = from_pivot;
        if (rows_.size() > cap) {
            std::size_t k = rows_.size() - cap;
            rows_.erase(rows_.begin(), rows_.begin() + static_cast<long>(k));
            pos_ -= static_cast<long>(k);
            more_before_ = true;
        }
    } else {
        for (Row& r : page) rows_.push_front(std::move(r));
        pos_ += *got;
        more_before_ = full;
        if (was_empty) more_after_ = from_pivot;
        if (rows_.size() > cap) {
            rows_.resize(cap);
            more_after_ = true;
        }
    }
    return kNoError;
}

namespace {

int compare_values(const Value& a, const Value& b, bool nocase) {
    if (a.kind == Value::Kind::Null || b.kind == Value::Kind::Null)
        return (a.kind != Value::Kind::Null) - (b.kind != Value::Kind::Null);
    if (a.kind == Value::Kind::Text && b.kind == Value::Kind::Text) {
        if (nocase) return compare_nocase(a.s, b.s);
        int c = clip(a.s).compare(clip(b.s));
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    double x = a.kind == Value::Kind::Int ? static_cast<double>(a.i) : a.d;
    double y = b.kind == Value::Kind::Int ? static_cast<double>(b.i) : b.d;
    return x < y ? -1 : (y < x ? 1 : 0);
}

}  // namespace

// A table without SQL (a flat file) is read whole, as its driver holds it in memory
// anyway, and ranges, filters and the order are applied to the records here with the
// meaning they have in SQL.
int ViewManager::load_memory(int pivot, std::size_t items, long* count,
                             const std::function<void(const unsigned char*)>& each) {
    File& f = *tables_[0]->file;
    const RecordLayout& L = f.layout();
    Query& q = *query_;
    std::vector<unsigned char> saved(f.bytes(), f.bytes() + L.record_size);
    std::vector<std::vector<unsigned char>> images;
    int rc = f.SetPhysical();
    while (rc == kNoError && (rc = f.Next()) == kNoError)
        images.emplace_back(f.bytes(), f.bytes() + L.record_size);
    std::memcpy(f.bytes(), saved.data(), L.record_size);
    if (rc != kRecordNotAvailable) return rc;

    const Order& o = *orders_[static_cast<std::size_t>(current_)];
    const KeyDef* okey = o.key >= 0 ? &L.keys[static_cast<std::size_t>(o.key)] : nullptr;
    struct Want {
        const FieldDef* field;
        std::size_t element;
        bool nocase;
        Value value;
    };
    std::vector<Want> ranges;
    for (const Range& r : o.ranges) {
        int t;
        std::size_t e;
        const FieldDef* fd = field_of(r.field, &t, &e);
        bool nocase = false;
        if (okey && okey->nocase() && fd->is_text())
            for (std::size_t fi : okey->fields) nocase = nocase || &L.fields[fi] == fd;
        ranges.push_back({fd, e, nocase, r.value()});
    }
    std::vector<expr::Expression> filters;
    for (const auto& [id, text] : filters_) {
        expr::Expression e;
        std::string err = e.Parse(text);
        if (!err.empty()) return driver_fail("FILTER", "Filter " + id + ": " + err);
        filters.push_back(std::move(e));
    }
    auto nocase = [&](std::size_t i) { return q.items[i].nocase || q.items[i].ordered; };
    auto keys_of = [&](const expr::Resolver& values, std::size_t n, std::vector<Value>& out) -> std::string {
        for (std::size_t i = 0; i < n; ++i) {
            Value v;
            std::string err = q.items[i].expr.EvaluateValue(values, v);
            if (!err.empty()) return err;
            out.push_back(std::move(v));
        }
        return {};
    };

    std::vector<Row> rows;
    for (auto& image : images) {
        const unsigned char* rec = image.data();
        bool in = true;
        for (const Want& w : ranges)
            in = in && compare_values(field_value(*w.field, rec, w.element), w.value, w.nocase) == 0;
        auto values = [&](std::string_view name) -> std::optional<Fragment> {
            int t;
            std::size_t e;
            const FieldDef* fd = field_of(name, &t, &e);
            if (!fd) return std::nullopt;
            return param(field_value(*fd, rec, e), fd->is_text() ? Type::Text : Type::Number);
        };
        for (std::size_t i = 0; in && i < filters.size(); ++i) {
            bool yes = false;
            std::string err = filters[i].EvaluateCondition(values, yes);
            if (!err.empty()) return driver_fail("FILTER", "Filter: " + err);
            in = yes;
        }
        if (!in) continue;
        if (count) {
            ++*count;
            if (each) each(rec);
            continue;
        }
        Row row;
        std::string err = keys_of(values, q.items.size(), row.keys);
        if (!err.empty()) return driver_fail("VIEW", "Order: " + err);
        row.images.push_back(std::move(image));
        row.matched.push_back(1);
        rows.push_back(std::move(row));
    }
    if (count) return kNoError;

    // Row a before row b in the order, over the first n items.
    auto cmp = [&](const std::vector<Value>& a, const std::vector<Value>& b, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            int c = compare_values(a[i], b[i], nocase(i));
            if (c) return q.items[i].desc ? -c : c;
        }
        return 0;
    };
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const Row& a, const Row& b) { return cmp(a.keys, b.keys, q.items.size()) < 0; });
    std::size_t start = rows.size();  // where Previous starts; Next starts before it
    if (pivot != kNoPivot) {
        std::size_t m = pivot == kPivotRecord ? q.items.size()
                                              : (items == 0 ? q.sort_items : std::min(items, q.sort_items));
        std::vector<Value> at;
        std::string err = keys_of([this](std::string_view n) { return resolve_buffer(n); }, m, at);
        if (!err.empty()) return driver_fail("VIEW", "Order: " + err);
        std::size_t i = 0;
        while (i < rows.size() && cmp(rows[i].keys, at, m) < 0) ++i;
        start = i;
    }
    rows_.assign(std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    pos_ = pivot == kNoPivot ? -1 : static_cast<long>(start) - 1;
    fresh_previous_ = static_cast<long>(start);
    more_before_ = more_after_ = false;
    return kNoError;
}

void ViewManager::apply(const Row& row) {
    const Query& q = *query_;
    for (std::size_t t = 0; t < tables_.size(); ++t) {
        const RecordLayout& L = tables_[t]->layout();
        unsigned char* buf = tables_[t]->file->bytes();
        if (!row.matched[t]) {
            clear_record(L, buf);
            continue;
        }
        const unsigned char* img = row.images[t].data();
        for (std::size_t i = 0; i < L.fields.size(); ++i)
            if (q.reads[t][i])
                std::memcpy(buf + L.fields[i].offset, img + L.fields[i].offset, L.fields[i].total_size());
    }
}

int ViewManager::Next() {
    if (!ready_) {
        int rc = Reset();
        if (rc != kNoError) return rc;
    }
    fresh_previous_ = -1;
    const long size = static_cast<long>(rows_.size());
    if (pos_ + 1 < size) {
        apply(rows_[static_cast<std::size_t>(++pos_)]);
        ClearError();
        return kNoError;
    }
    if (size > 0 && !more_after_) {
        pos_ = size;
        return fail(kRecordNotAvailable);
    }
    pos_ = size - 1;
    long got = 0;
    int rc = fetch(true, &got);
    if (rc != kNoError) return rc;
    if (got == 0) {
        pos_ = static_cast<long>(rows_.size());
        return fail(kRecordNotAvailable);
    }
    apply(rows_[static_cast<std::size_t>(++pos_)]);
    ClearError();
    return kNoError;
}

int ViewManager::Previous() {
    if (!ready_) {
        int rc = Reset();
        if (rc != kNoError) return rc;
    }
    // Held rows just reset: Previous reads the row before the place of the reset.
    if (fresh_previous_ >= 0) pos_ = fresh_previous_;
    fresh_previous_ = -1;
    const long size = static_cast<long>(rows_.size());
    if (pos_ - 1 >= 0 && pos_ - 1 < size) {
        apply(rows_[static_cast<std::size_t>(--pos_)]);
        ClearError();
        return kNoError;
    }
    if (size > 0 && !more_before_) {
        pos_ = -1;
        return fail(kRecordNotAvailable);
    }
    pos_ = 0;
    long got = 0;
    int rc = fetch(false, &got);
    if (rc != kNoError) return rc;
    if (got == 0) {
        pos_ = -1;
        return fail(kRecordNotAvailable);
    }
    apply(rows_[static_cast<std::size_t>(--pos_)]);
    ClearError();
    return kNoError;
}

long ViewManager::Records() {
    std::vector<double> none;
    return Totals({}, none);
}

int ViewManager::Exists() {
    if (connect() != kNoError) return -1;
    if (memory_) {
        const long n = Records();
        return n < 0 ? -1 : n > 0;
    }
    Query q;
    if (build_query(q) != kNoError) return -1;
    Fragment text;
    append(text, q.dialect == Dialect::SqlServer ? "SELECT TOP 1 1 " : "SELECT 1 ");
    append(text, from_clause(q.dialect, counted_tables({})));
    if (!q.where.sql.empty()) {
        append(text, " WHERE ");
        append(text, q.where);
    }
    if (q.dialect == Dialect::Sqlite) append(text, " LIMIT 1");
    sql::Statement* st = statement(text.sql);
    if (!st) {
        driver_fail(conn_->ErrorCodeText(), conn_->ErrorText());
        return -1;
    }
    st->Reset();
    expr::Bind(*st, 0, text.params);
    const int r = st->Step();
    st->Reset();
    if (r < 0) {
        driver_fail(conn_->ErrorCodeText(), conn_->ErrorText());
        return -1;
    }
    ClearError();
    return r == 1 ? 1 : 0;
}

long ViewManager::Totals(const std::vector<std::string>& fields, std::vector<double>& sums) {
    sums.assign(fields.size(), 0.0);
    int rc = connect();
    if (rc != kNoError) return -1;
    struct Summed {
        int table;
        const FieldDef* field;
        std::size_t element;
    };
    std::vector<Summed> summed;
    for (const std::string& name : fields) {
        Summed s{};
        s.field = field_of(name, &s.table, &s.element);
        if (!s.field || s.field->is_text()) {
            driver_fail("VIEW", "Totals: " + name + " is no numeric field of the view");
            return -1;
        }
        summed.push_back(s);
    }
    if (memory_) {
        auto q = std::make_unique<Query>();
        rc = build_query(*q);
        if (rc != kNoError) return -1;
        std::swap(q, query_);  // the reading's own stays as it was
        long n = 0;
        rc = load_memory(kNoPivot, 0, &n, [&](const unsigned char* rec) {
            for (std::size_t i = 0; i < summed.size(); ++i) {
                Value v = field_value(*summed[i].field, rec, summed[i].element);
                sums[i] += v.kind == Value::Kind::Int ? static_cast<double>(v.i) : v.d;
            }
        });
        std::swap(q, query_);
        if (rc != kNoError) {
            sums.assign(fields.size(), 0.0);
            return -1;
        }
        return n;
    }
    Query q;
    rc = build_query(q);
    if (rc != kNoError) return -1;
    std::vector<int> used;
    for (const Summed& s : summed) used.push_back(s.table);
    Fragment text;
    append(text, "SELECT COUNT(*)");
    for (const Summed& s : summed)
        append(text, ", SUM(" + column_sql(s.table, *s.field, s.element, false) + ")");
    append(text, " ");
    append(text, from_clause(q.dialect, counted_tables(used)));
    if (!q.where.sql.empty()) {
        append(text, " WHERE ");
        append(text, q.where);
    }
    sql::Statement* st = statement(text.sql);
    if (!st) {
        driver_fail(conn_->ErrorCodeText(), conn_->ErrorText());
        return -1;
    }
    st->Reset();
    expr::Bind(*st, 0, text.params);
    int r = st->Step();
    if (r < 0) {
        driver_fail(conn_->ErrorCodeText(), conn_->ErrorText());
        st->Reset();
        return -1;
    }
    long n = 0;
    if (r == 1) {
        n = static_cast<long>(st->Int(0));
        for (std::size_t i = 0; i < summed.size(); ++i)
            if (!st->IsNull(static_cast<int>(i) + 1)) sums[i] = st->Double(static_cast<int>(i) + 1);
    }
    st->Reset();
    ClearError();
    return n;
}

}  // namespace rt
