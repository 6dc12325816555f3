// The table driver of the SQL store: record operations on one SQL table, and its SQL
// property.
//
// Reading in key order pages through the table: each page is one query for the rows after
// the last row delivered (its ordering values as read), with a prepared statement reused
// from page to page. A key that allows duplicates is ordered by its components and then
// by the record's identity (primary key), so ties come in a stable order. Any write
// through the structure drops the page; reading goes on after the last row delivered.
//
// The current record (for PUT and DELETE) is the one last read or added, addressed by its
// primary-key values as read (for a table without one: its first unique key, else its
// SQLite rowid). A failed read leaves no current record.
//
// PUT is optimistic: it changes the row only while every column still holds what the
// record was read with (texts exactly, with their case, as far as the field holds them;
// numbers as read, a REAL within the few last bits a text form of 15 digits may lose; a
// NULL as the 0 or "" it was read as). When another station changed or deleted the row
// since, nothing is written and PUT answers kRecordChanged; the record stays the one read,
// so a further PUT answers the same until the caller reads the row again.
//
// A created table has its primary key and one index per other key: unique unless the key
// allows duplicates. An optional key is indexed like any other (every record is in every
// key); a duplicates key's index carries the identity columns after the components, so
// that the index gives the reading order. Text columns compare without case (KVCI on
// SQLite, a CI collation on SQL Server), unless every key they belong to is case-sensitive.
#include "platform/files/sql/sql_driver.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <map>

#include "platform/core/text.h"
#include "platform/files/drivers.h"
#include "platform/files/sql/sql_table.h"

namespace rt::sql {
namespace {

constexpr int kRowid = -1;  // the rowid of a SQLite table, in place of a field

struct Value {
    enum Kind : std::uint8_t { Null, Int, Real, Text } kind = Null;
    std::int64_t i = 0;
    double d = 0;
    std::string s;
};

// `width`: the characters of the text field the value is of (0: unknown).
void bind_value(Statement& st, int i, const Value& v, std::size_t width = 0) {
    switch (v.kind) {
        case Value::Null: st.BindNull(i); break;
        case Value::Int: st.BindInt(i, v.i); break;
        case Value::Real: st.BindDouble(i, v.d); break;
        case Value::Text:
            st.DeclareText(i, width);
            st.BindText(i, v.s);
            break;
    }
}

// A column as the field it goes to wants it (NULL as 0 or "").
void read_value(Statement& st, int col, FieldType type, Value& v) {
    if (type == FieldType::CString || type == FieldType::String) {
        v.kind = Value::Text;
        st.TextTo(col, v.s);
    } else if (type == FieldType::Real) {
        v.kind = Value::Real;
        v.d = st.Double(col);
    } else {
        v.kind = Value::Int;
        v.i = st.Int(col);
    }
}

// The value a field is written with (as BindField binds it).
Value field_value(const FieldDef& f, const unsigned char* rec) {
    const unsigned char* p = rec + f.offset;
    Value v;
    switch (f.type) {
        case FieldType::Byte:
            v.kind = Value::Int;
            v.i = *p;
            break;
        case FieldType::Short: {
            std::int16_t x;
            std::memcpy(&x, p, sizeof x);
            v.kind = Value::Int;
            v.i = x;
            break;
        }
        case FieldType::Long: {
            std::int32_t x;
            std::memcpy(&x, p, sizeof x);
            v.kind = Value::Int;
            v.i = x;
            break;
        }
        case FieldType::Real:
            v.kind = Value::Real;
            std::memcpy(&v.d, p, sizeof v.d);
            break;
        case FieldType::CString: {
            const char* s = reinterpret_cast<const char*>(p);
            v.kind = Value::Text;
            v.s.assign(s, ::strnlen(s, f.size > 0 ? f.size - 1 : 0));
            break;
        }
        case FieldType::String: {
            std::size_t n = f.size;
            while (n > 0 && p[n - 1] == ' ') --n;
            v.kind = Value::Text;
            v.s.assign(reinterpret_cast<const char*>(p), n);
            break;
        }
        case FieldType::Group: break;
    }
    return v;
}

// A value read that its field cannot hold, as ReadField notes it.
void note_unheld(const FieldDef& f, const Value& v) {
    std::int64_t lo = 0, hi = 0;
    switch (f.type) {
        case FieldType::Byte: hi = 255; break;
        case FieldType::Short:
            lo = std::numeric_limits<std::int16_t>::min();
            hi = std::numeric_limits<std::int16_t>::max();
            break;
        case FieldType::Long:
            lo = std::numeric_limits<std::int32_t>::min();
            hi = std::numeric_limits<std::int32_t>::max();
            break;
        case FieldType::CString:
        case FieldType::String: {
            if (v.kind != Value::Text) return;
            std::size_t n = v.s.size();
            while (n > 0 && v.s[n - 1] == ' ') --n;
            if (n > TextWidth(f)) NoteUnheld({f.name, static_cast<std::int64_t>(n), true});
            return;
        }
        default: return;
    }
    if (v.kind == Value::Int && (v.i < lo || v.i > hi)) NoteUnheld({f.name, v.i, false});
}

// A value of a result row into a field (the SQL property's rows).
void apply_value(const FieldDef& f, unsigned char* rec, std::size_t element, const Value& v) {
    unsigned char* p = rec + f.offset + element * f.size;
    auto as_int = [&]() -> std::int64_t {
        switch (v.kind) {
            case Value::Int: return v.i;
            case Value::Real: return static_cast<std::int64_t>(v.d);
            case Value::Text: return std::strtoll(v.s.c_str(), nullptr, 10);
            default: return 0;
        }
    };
    switch (f.type) {
        case FieldType::Byte: *p = static_cast<std::uint8_t>(as_int()); break;
        case FieldType::Short: {
            const auto x = static_cast<std::int16_t>(as_int());
            std::memcpy(p, &x, sizeof x);
            break;
        }
        case FieldType::Long: {
            const auto x = static_cast<std::int32_t>(as_int());
            std::memcpy(p, &x, sizeof x);
            break;
        }
        case FieldType::Real: {
            double x = v.kind == Value::Real   ? v.d
                       : v.kind == Value::Int  ? static_cast<double>(v.i)
                       : v.kind == Value::Text ? std::strtod(v.s.c_str(), nullptr)
                                               : 0.0;
            std::memcpy(p, &x, sizeof x);
            break;
        }
        case FieldType::CString:
        case FieldType::String: {
            char buf[40] = "";
            std::string_view s;
            if (v.kind == Value::Text) {
                s = v.s;
            } else if (v.kind == Value::Int) {
                s = std::string_view(buf, static_cast<std::size_t>(std::snprintf(
                                              buf, sizeof buf, "%lld", static_cast<long long>(v.i))));
            } else if (v.kind == Value::Real) {
                s = std::string_view(buf,
                                     static_cast<std::size_t>(std::snprintf(buf, sizeof buf, "%.15g", v.d)));
            }
            const bool c = f.type == FieldType::CString;
            const std::size_t n = std::min(s.size(), c ? (f.size > 0 ? f.size - 1 : 0) : f.size);
            std::memcpy(p, s.data(), n);
            std::memset(p + n, c ? 0 : ' ', f.size - n);
            break;
        }
        case FieldType::Group: break;
    }
}

struct Prepared {
    std::unique_ptr<Statement> st;
    std::vector<int> plan;  // tuple index per parameter; -1 the row limit
};

// How rows are read in one order: the ordering columns (fields, or kRowid), and the
// columns whose values as read each row keeps: the ordering columns, then the others of
// the identity.
struct Order {
    std::vector<int> order, kept, id_pos;
    std::vector<int> kept_of_field;  // position in `kept` of each field, -1 when not kept
    bool rowid = false;              // the SELECT carries the rowid last
};

enum class Origin { Reset, Begin, End, After, From };
enum Dir { kForward = 0, kBackward = 1 };

class TableDriver final : public FileDriver {
public:
    TableDriver(File& f, TableSource src) : f_(f), src_(std::move(src)) {
        const RecordLayout& L = f_.layout();
        field_col_.assign(L.fields.size(), -1);
        for (std::size_t i = 0; i < L.fields.size(); ++i) {
            const FieldDef& fd = L.fields[i];
            if (fd.type == FieldType::Group) continue;
            field_col_[i] = ncols_;
            ncols_ += static_cast<int>(std::max<std::size_t>(fd.dim, 1));
        }
        if (const KeyDef* pk = L.primary_key()) {
            for (auto fi : pk->fields) id_fields_.push_back(static_cast<int>(fi));
        } else {
            for (const KeyDef& k : L.keys)
                if (k.unique()) {
                    for (auto fi : k.fields) id_fields_.push_back(static_cast<int>(fi));
                    break;
                }
        }
    }
    ~TableDriver() override { close(); }

    std::shared_ptr<Connection> connection(bool connect) {
        if (conn_ || !connect) return conn_;
        return src_.connect();
    }
    std::string table_name() const { return open_ ? table_ : src_.table(); }

    int open(unsigned mode) override;
    int close() override;
    int create() override;
    int remove() override;
    int set_key(int key, bool from_buffer) override;
    int set_physical() override;
    int next() override { return read(kForward); }
    int previous() override { return read(kBackward); }
    int get(int key) override;
    int add() override;
    int put() override;
    int erase() override;
    long records() override;
    int send_sql(std::string_view sql) override;
    int begin_transaction() override;
    int commit() override;
    int rollback() override;

private:
    // Connection and names.
    int attach();  // conn_, dialect, table_; an error code
    std::string q(std::string_view ident) const { return QuoteIdent(dialect_, ident); }
    std::string col_name(int field) const {
        return field == kRowid ? std::string("rowid")
                               : q(f_.layout().fields[static_cast<std::size_t>(field)].column());
    }
    bool temp_table() const { return !table_.empty() && table_[0] == '#'; }
    std::size_t width_of(int field) const {
        return field == kRowid ? 0 : TextWidth(f_.layout().fields[static_cast<std::size_t>(field)]);
    }
    int fail_driver(Connection* c = nullptr);
    int fail(int code, std::string_view key = {}) {
        SetError(code, f_.Label(), key);
        return code;
    }
    int ok() {
        ClearError();
        return kNoError;
    }
    int exists();  // 1, 0, or -1 on error
    bool create_table();
    Prepared* prepare(std::map<int, Prepared>& cache, int id,
                      const std::function<std::string(std::vector<int>&)>& build);

    // Reading.
    Order order_for(int key) const;  // key -1: physical order
    const Order& order_of(int key) const { return orders_[static_cast<std::size_t>(key + 1)]; }
    void choose_order(int key);
    int read(Dir dir);
    int fetch(Dir dir);
    void deliver(std::size_t row);
    void invalidate();
    void read_row(Statement& st, const Order& o, unsigned char* image, Value* tuple);
    std::string select_head(const char* top, bool rowid) const;
    std::string where_cmp(const std::vector<int>& cols, const char* op, bool inclusive,
                          std::vector<int>& plan, int first_tuple) const;
    std::string order_by(const Order& o, Dir dir) const;
    int duplicate_key(bool exclude_current);
    bool writable() const { return !readonly_; }
    void bind_identity(Statement& st, int first);
    void identity_from_buffer();
    std::string as_read_condition(const FieldDef& fd, std::size_t element) const;
    int bind_as_read(Statement& st, int param, const FieldDef& fd, std::size_t element) const;
    int next_sql_row();
    std::vector<Value> sql_row(Statement& st);

    File& f_;
    TableSource src_;
    std::shared_ptr<Connection> conn_;
    Dialect dialect_ = Dialect::Sqlite;
    std::string table_, qtable_;
    bool open_ = false, readonly_ = false;

    std::vector<int> field_col_;  // first column of each field, -1 for groups
    int ncols_ = 0;
    std::vector<int> id_fields_;  // identity: primary key, else first unique key, else rowid

    // The orders of the physical sequence and of each key (set at open), and the one read.
    std::vector<Order> orders_;
    int seq_key_ = -1;
    const Order* seq_ = nullptr;
    Origin origin_ = Origin::Reset;
    std::vector<Value> origin_tuple_;
    // The page: rows fetched in direction page_dir_, of which `delivered_` went out.
    std::vector<unsigned char> images_;
    std::vector<std::vector<UnheldValue>> page_notes_;  // per row of the page: values not held
    std::vector<Value> tuples_;
    std::size_t page_rows_ = 0, delivered_ = 0, page_size_ = 16;
    Dir page_dir_ = kForward;
    bool page_last_ = false;

    bool have_current_ = false;
    std::vector<Value> cur_id_;
    std::vector<unsigned char> cur_image_;  // the current record as read or last written

    // Statements, prepared once per open.
    std::map<int, Prepared> page_st_, get_st_;
    std::map<int, Prepared> misc_st_;

    // The SQL property's result: the rows still to deliver.
    bool sql_pending_ = false;
    std::deque<std::vector<Value>> sql_rows_;
};

int TableDriver::fail_driver(Connection* c) {
    Connection* conn = c ? c : conn_.get();
    if (conn)
        SetDriverError(f_.Label(), conn->ErrorCodeText(), conn->ErrorText());
    else
        SetDriverError(f_.Label(), FileErrorCode(), FileError());
    return kDriverError;
}

int TableDriver::attach() {
    if (open_) return kNoError;
    auto conn = src_.connect();
    if (!conn) {
        if (ErrorCode() != kDriverError && ErrorCode() != kNoError) return ErrorCode();
        SetDriverError(f_.Label(), FileErrorCode(), FileError());
        return kDriverError;
    }
    conn_ = std::move(conn);
    dialect_ = conn_->dialect();
    table_ = src_.table();
    qtable_ = q(table_);
    return kNoError;
}

Prepared* TableDriver::prepare(std::map<int, Prepared>& cache, int id,
                               const std::function<std::string(std::vector<int>&)>& build) {
    auto it = cache.find(id);
    if (it != cache.end()) {
        it->second.st->Reset();
        return &it->second;
    }
    Prepared p;
    const std::string sql = build(p.plan);
    p.st = conn_->Prepare(sql);
    if (!p.st) return nullptr;
    return &cache.emplace(id, std::move(p)).first->second;
}

int TableDriver::exists() {
    std::unique_ptr<Statement> st;
    if (dialect_ == Dialect::Sqlite) {
        st = conn_->Prepare(
            "SELECT 1 FROM sqlite_master WHERE type='table' AND name=? COLLATE NOCASE "
            "UNION ALL SELECT 1 FROM sqlite_temp_master WHERE type='table' AND name=? COLLATE NOCASE");
        if (!st) return -1;
        st->BindText(0, table_);
        st->BindText(1, table_);
    } else {
        st = conn_->Prepare("SELECT CASE WHEN OBJECT_ID(?, 'U') IS NULL THEN 0 ELSE 1 END");
        if (!st) return -1;
        st->BindText(0, temp_table() ? "tempdb.." + table_ : table_);
    }
    const int rc = st->Step();
    if (rc < 0) return -1;
    if (dialect_ == Dialect::Sqlite) return rc;
    return rc == 1 && st->Int(0) == 1 ? 1 : 0;
}

bool TableDriver::create_table() {
    const RecordLayout& L = f_.layout();
    const bool lite = dialect_ == Dialect::Sqlite;
    // Case-insensitive unless every key the column belongs to is case-sensitive.
    std::vector<int> in_keys(L.fields.size(), 0), in_nocase(L.fields.size(), 0);
    for (const KeyDef& k : L.keys)
        for (auto fi : k.fields) {
            in_keys[fi] = 1;
            if (k.nocase()) in_nocase[fi] = 1;
        }
    std::string sql = std::string("CREATE ") + (lite && temp_table() ? "TEMP " : "") + "TABLE " +
                      (lite ? "IF NOT EXISTS " : "") + qtable_ + " (";
    bool first = true;
    for (std::size_t i = 0; i < L.fields.size(); ++i) {
        const FieldDef& fd = L.fields[i];
        if (fd.type == FieldType::Group) continue;
        const bool ci = !in_keys[i] || in_nocase[i];
        std::string type, def = "0";
        switch (fd.type) {
            case FieldType::Byte: type = lite ? "INTEGER" : "tinyint"; break;
            case FieldType::Short: type = lite ? "INTEGER" : "smallint"; break;
            case FieldType::Long: type = lite ? "INTEGER" : "int"; break;
            case FieldType::Real: type = lite ? "REAL" : "float"; break;
            case FieldType::CString:
            case FieldType::String: {
                if (lite) {
                    type = std::string("TEXT COLLATE ") + (ci ? "KVCI" : "BINARY");
                } else {
                    const std::size_t n = TextWidth(fd);
                    type = "nvarchar(" + (n > 4000 ? std::string("max") : std::to_string(n)) + ")" +
                           (ci ? CollateClause(dialect_) : BinaryCollateClause(dialect_));
                }
                def = lite ? "''" : "N''";
                break;
            }
            case FieldType::Group: break;
        }
        const std::size_t dim = std::max<std::size_t>(fd.dim, 1);
        for (std::size_t e = 1; e <= dim; ++e) {
            const std::string name =
                dim > 1 ? std::string(fd.column()) + "_" + std::to_string(e) : std::string(fd.column());
            sql += (first ? "" : ", ") + q(name) + " " + type + " NOT NULL DEFAULT " + def;
            first = false;
        }
    }
    auto cols = [&](const KeyDef& k, bool with_identity) {
        std::string s;
        std::vector<int> used;
        for (auto fi : k.fields) {
            s += (s.empty() ? "" : ", ") + col_name(static_cast<int>(fi));
            used.push_back(static_cast<int>(fi));
        }
        if (with_identity)
            for (int fi : id_fields_)
                if (std::find(used.begin(), used.end(), fi) == used.end()) s += ", " + col_name(fi);
        return s;
    };
    if (const KeyDef* pk = L.primary_key()) sql += ", PRIMARY KEY (" + cols(*pk, false) + ")";
    sql += ")";
    // On SQL Server every statement is guarded, and creators of one table take turns (a
    // lock held to the end of the transaction), so that two workstations creating a missing
    // table at once both succeed.
    auto literal = [](std::string v) {
        for (std::size_t i = 0; (i = v.find('\'', i)) != std::string::npos; i += 2) v.insert(i, 1, '\'');
        return "N'" + v + "'";
    };
    const std::string object = literal(temp_table() ? "tempdb.." + table_ : table_);
    std::vector<std::string> stmts;
    if (lite) {
        stmts.push_back(sql);
    } else {
        if (!temp_table())
            stmts.push_back("EXEC sp_getapplock @Resource = " + literal("kvadrin:create:" + table_) +
                            ", @LockMode = 'Exclusive', @LockOwner = 'Transaction'");
        stmts.push_back("IF OBJECT_ID(" + object + ", 'U') IS NULL " + sql);
    }
    for (const KeyDef& k : L.keys) {
        if (k.primary()) continue;
        std::string kname = k.structure_name();
        if (auto colon = kname.find(':'); colon != std::string::npos) kname = kname.substr(colon + 1);
        std::string iname = (temp_table() ? table_.substr(1) : table_) + "_" + kname;
        const bool uniq = k.unique();
        std::string ix = std::string("CREATE ") + (uniq ? "UNIQUE " : "") + "INDEX " +
                         (lite ? "IF NOT EXISTS " : "") + q(iname) + " ON " + qtable_ + " (" +
                         cols(k, !uniq) + ")";
        if (!lite)
            ix = "IF NOT EXISTS (SELECT 1 FROM " + std::string(temp_table() ? "tempdb." : "") +
                 "sys.indexes WHERE object_id = OBJECT_ID(" + object + ") AND name = " + literal(iname) +
                 ") " + ix;
        stmts.push_back(ix);
    }
    if (!conn_->Begin()) {
        fail_driver();
        return false;
    }
    for (const auto& s : stmts)
        if (!conn_->Execute(s)) {
            const std::string code = conn_->ErrorCodeText(), text = conn_->ErrorText();
            conn_->Rollback();
            SetDriverError(f_.Label(), code, text);
            return false;
        }
    if (!conn_->Commit()) {
        fail_driver();
        conn_->Rollback();
        return false;
    }
    return true;
}

int TableDriver::open(unsigned mode) {
    if (open_) close();
    if (int rc = attach()) return rc;
    if (table_.empty()) {
        conn_.reset();
        SetDriverError(f_.Label(), "", "the table has no name");
        return kDriverError;
    }
    const int ex = exists();
    if (ex < 0) {
        const int rc = fail_driver();
        conn_.reset();
        return rc;
    }
    if (ex == 0) {
        if (!f_.def().create) {
            conn_.reset();
            return fail(kFileNotFound);
        }
        if (!create_table()) {
            conn_.reset();
            return kDriverError;
        }
    }
    readonly_ = (mode & 0x0Fu) == kReadOnly;
    open_ = true;
    orders_.clear();
    for (int k = -1; k < static_cast<int>(f_.layout().keys.size()); ++k) orders_.push_back(order_for(k));
    choose_order(-1);
    have_current_ = false;
    return ok();
}

int TableDriver::close() {
    page_st_.clear();
    get_st_.clear();
    misc_st_.clear();
    sql_rows_.clear();
    sql_pending_ = false;
    page_rows_ = delivered_ = 0;
    have_current_ = false;
    open_ = false;
    conn_.reset();
    return kNoError;
}

int TableDriver::create() {
    const bool was_open = open_;
    if (int rc = attach()) return rc;
    if (table_.empty()) {
        SetDriverError(f_.Label(), "", "the table has no name");
        return kDriverError;
    }
    const int ex = exists();
    int rc = kNoError;
    if (ex < 0)
        rc = fail_driver();
    else if (ex == 0 && !create_table())
        rc = kDriverError;
    if (!was_open) conn_.reset();
    return rc == kNoError ? ok() : rc;
}

int TableDriver::remove() {
    if (open_) close();
    if (int rc = attach()) return rc;
    const int ex = exists();
    int rc;
    if (ex < 0)
        rc = fail_driver();
    else if (ex == 0)
        rc = fail(kFileNotFound);
    else if (!conn_->Execute("DROP TABLE " + qtable_))
        rc = fail_driver();
    else
        rc = ok();
    conn_.reset();
    return rc;
}

Order TableDriver::order_for(int key) const {
    const RecordLayout& L = f_.layout();
    Order o;
    if (key >= 0) {
        const KeyDef& k = L.keys[static_cast<std::size_t>(key)];
        for (auto fi : k.fields) o.order.push_back(static_cast<int>(fi));
        if (!k.unique()) {
            if (id_fields_.empty() && dialect_ == Dialect::Sqlite) o.order.push_back(kRowid);
            for (int fi : id_fields_)
                if (std::find(o.order.begin(), o.order.end(), fi) == o.order.end()) o.order.push_back(fi);
        }
    } else if (dialect_ == Dialect::Sqlite || id_fields_.empty()) {
        o.order.push_back(kRowid);
    } else {
        o.order = id_fields_;
    }
    o.kept = o.order;
    std::vector<int> ids = id_fields_;
    if (ids.empty()) ids.push_back(kRowid);
    for (int fi : ids) {
        auto it = std::find(o.kept.begin(), o.kept.end(), fi);
        if (it == o.kept.end()) {
            o.kept.push_back(fi);
            o.id_pos.push_back(static_cast<int>(o.kept.size() - 1));
        } else {
            o.id_pos.push_back(static_cast<int>(it - o.kept.begin()));
        }
    }
    o.kept_of_field.assign(L.fields.size(), -1);
    for (std::size_t i = 0; i < o.kept.size(); ++i) {
        if (o.kept[i] == kRowid)
            o.rowid = true;
        else
            o.kept_of_field[static_cast<std::size_t>(o.kept[i])] = static_cast<int>(i);
    }
    return o;
}

void TableDriver::choose_order(int key) {
    seq_key_ = key;
    seq_ = &order_of(key);
    origin_ = Origin::Reset;
    origin_tuple_.clear();
    page_rows_ = delivered_ = 0;
    page_last_ = false;
    page_size_ = 16;
}

int TableDriver::set_key(int key, bool from_buffer) {
    if (key < 0 || static_cast<std::size_t>(key) >= f_.layout().keys.size()) {
        SetDriverError(f_.Label(), "", "no key " + std::to_string(key));
        return kDriverError;
    }
    sql_pending_ = false;
    sql_rows_.clear();
    choose_order(key);
    if (from_buffer) {
        origin_ = Origin::From;
        for (auto fi : f_.layout().keys[static_cast<std::size_t>(key)].fields)
            origin_tuple_.push_back(field_value(f_.layout().fields[fi], f_.bytes()));
    }
    return ok();
}

int TableDriver::set_physical() {
    sql_pending_ = false;
    sql_rows_.clear();
    choose_order(-1);
    return ok();
}

// "SELECT [TOP ...] columns [, rowid] FROM table".
std::string TableDriver::select_head(const char* top, bool rowid) const {
    std::string s = "SELECT ";
    if (top && dialect_ == Dialect::SqlServer) s += std::string("TOP ") + top + " ";
    s += SelectList(dialect_, f_.layout());
    if (rowid) s += ", rowid";
    s += " FROM " + qtable_;
    return s;
}

// Columns compared with a tuple of values: row values on SQLite, the expanded form on SQL
// Server. `inclusive` makes the last comparison include equality.
std::string TableDriver::where_cmp(const std::vector<int>& cols, const char* op, bool inclusive,
                                   std::vector<int>& plan, int first_tuple) const {
    std::string s;
    if (dialect_ == Dialect::Sqlite) {
        std::string l, r;
        for (std::size_t i = 0; i < cols.size(); ++i) {
            l += (i ? ", " : "") + col_name(cols[i]);
            r += i ? ", ?" : "?";
            plan.push_back(first_tuple + static_cast<int>(i));
        }
        s = "(" + l + ") " + op + (inclusive ? "= " : " ") + "(" + r + ")";
        return s;
    }
    for (std::size_t i = 0; i < cols.size(); ++i) {
        s += i ? " OR (" : "(";
        for (std::size_t j = 0; j < i; ++j) {
            s += col_name(cols[j]) + " = ? AND ";
            plan.push_back(first_tuple + static_cast<int>(j));
        }
        const bool last = i + 1 == cols.size();
        s += col_name(cols[i]) + " " + op + (inclusive && last ? "=" : "") + " ?)";
        plan.push_back(first_tuple + static_cast<int>(i));
    }
    if (cols.size() < 2) return "(" + s + ")";
    // The first column's bound alone, in front, lets the server seek its index there.
    plan.insert(plan.end() - static_cast<long>(cols.size() * (cols.size() + 1) / 2), first_tuple);
    return col_name(cols[0]) + " " + op + "= ? AND (" + s + ")";
}

std::string TableDriver::order_by(const Order& o, Dir dir) const {
    std::string s = " ORDER BY ";
    for (std::size_t i = 0; i < o.order.size(); ++i)
        s += (i ? ", " : "") + col_name(o.order[i]) + (dir == kBackward ? " DESC" : "");
    return s;
}

// A row into a record image and its kept values; each column is read once.
void TableDriver::read_row(Statement& st, const Order& o, unsigned char* image, Value* tuple) {
    const auto& fields = f_.layout().fields;
    for (std::size_t fi = 0; fi < fields.size(); ++fi) {
        const FieldDef& fd = fields[fi];
        if (fd.type == FieldType::Group) continue;
        const int col = field_col_[fi];
        const int kept = o.kept_of_field[fi];
        if (kept >= 0) {
            read_value(st, col, fd.type, tuple[kept]);
            note_unheld(fd, tuple[kept]);
            apply_value(fd, image, 0, tuple[kept]);
        } else {
            for (std::size_t e = 0; e < std::max<std::size_t>(fd.dim, 1); ++e)
                ReadField(st, col + static_cast<int>(e), fd, image, e);
        }
    }
    for (std::size_t i = 0; i < o.kept.size(); ++i)
        if (o.kept[i] == kRowid) {
            tuple[i].kind = Value::Int;
            tuple[i].i = st.Int(ncols_);
        }
}

int TableDriver::fetch(Dir dir) {
    // Where the page starts.
    enum { kStart, kAfter, kFrom } kind;
    if (origin_ == Origin::Reset || (dir == kForward && origin_ == Origin::Begin) ||
        (dir == kBackward && origin_ == Origin::End)) {
        kind = kStart;
    } else if (origin_ == Origin::Begin || origin_ == Origin::End) {
        return 0;
    } else {
        kind = origin_ == Origin::After ? kAfter : kFrom;
    }
    const int id = ((seq_key_ + 1) * 2 + dir) * 3 + kind;
    const std::size_t from_n =
        seq_key_ >= 0 ? f_.layout().keys[static_cast<std::size_t>(seq_key_)].fields.size() : 0;
    Prepared* p = prepare(page_st_, id, [&](std::vector<int>& plan) {
        std::string s = select_head("(?)", seq_->rowid);
        if (dialect_ == Dialect::SqlServer) plan.push_back(-1);
        const char* op = dir == kForward ? ">" : "<";
        if (kind == kAfter) {
            s += " WHERE " + where_cmp(seq_->order, op, false, plan, 0);
        } else if (kind == kFrom) {
            std::vector<int> kcols(seq_->order.begin(), seq_->order.begin() + static_cast<long>(from_n));
            s += " WHERE " + where_cmp(kcols, op, true, plan, 0);
        }
        s += order_by(*seq_, dir);
        if (dialect_ == Dialect::Sqlite) {
            s += " LIMIT ?";
            plan.push_back(-1);
        }
        return s;
    });
    if (!p) return -1;
    for (std::size_t i = 0; i < p->plan.size(); ++i) {
        const int t = p->plan[i];
        if (t < 0)
            p->st->BindInt(static_cast<int>(i), static_cast<std::int64_t>(page_size_));
        else
            bind_value(*p->st, static_cast<int>(i), origin_tuple_[static_cast<std::size_t>(t)],
                       width_of(seq_->order[static_cast<std::size_t>(t)]));
    }
    const std::size_t rs = f_.layout().record_size, nk = seq_->kept.size();
    if (images_.size() < page_size_ * rs) images_.resize(page_size_ * rs);
    if (tuples_.size() < page_size_ * nk) tuples_.resize(page_size_ * nk);
    if (page_notes_.size() < page_size_) page_notes_.resize(page_size_);
    std::size_t n = 0;
    int rc;
    while (n < page_size_ && (rc = p->st->Step()) == 1) {
        ReadNotes().clear();
        read_row(*p->st, *seq_, images_.data() + n * rs, tuples_.data() + n * nk);
        page_notes_[n] = ReadNotes();
        ++n;
    }
    const bool failed = n < page_size_ && rc < 0;
    p->st->Reset();
    if (failed) return -1;
    page_last_ = n < page_size_;
    page_rows_ = n;
    delivered_ = 0;
    page_dir_ = dir;
    // Pages grow to 1024 rows, or about 1 MiB of records for long ones.
    if (page_size_ < 1024 && page_size_ * rs < (std::size_t{1} << 20)) page_size_ *= 2;
    return static_cast<int>(n);
}

void TableDriver::deliver(std::size_t row) {
    const std::size_t rs = f_.layout().record_size;
    std::memcpy(f_.buffer(), images_.data() + row * rs, rs);
    cur_image_.assign(images_.data() + row * rs, images_.data() + (row + 1) * rs);
    SetUnheldValues(page_notes_[row]);
    const Value* t = tuples_.data() + row * seq_->kept.size();
    cur_id_.resize(seq_->id_pos.size());
    for (std::size_t i = 0; i < seq_->id_pos.size(); ++i) cur_id_[i] = t[seq_->id_pos[i]];
    have_current_ = true;
}

void TableDriver::invalidate() {
    // A page dropped before it was read through (a write between reads) was fetched in
    // vain: the next one starts small again rather than at the grown size.
    if (delivered_ < page_rows_) page_size_ = 16;
    if (page_rows_ > 0 && delivered_ > 0) {
        const Value* t = tuples_.data() + (delivered_ - 1) * seq_->kept.size();
        origin_ = Origin::After;
        origin_tuple_.assign(t, t + seq_->order.size());
    }
    page_rows_ = delivered_ = 0;
}

int TableDriver::read(Dir dir) {
    if (dir == kForward && sql_pending_) return next_sql_row();
    if (page_rows_ > 0 && page_dir_ != dir) invalidate();
    if (delivered_ >= page_rows_) {
        const bool more = page_rows_ == 0 || !page_last_;
        if (page_rows_ > 0) invalidate();
        const int n = more ? fetch(dir) : 0;
        if (n < 0) {
            have_current_ = false;
            return fail_driver();
        }
        if (n == 0) {
            origin_ = dir == kForward ? Origin::End : Origin::Begin;
            origin_tuple_.clear();
            page_rows_ = delivered_ = 0;
            have_current_ = false;
            return fail(kRecordNotAvailable);
        }
    }
    deliver(delivered_++);
    return ok();
}

int TableDriver::get(int key) {
    const RecordLayout& L = f_.layout();
    if (key < 0 || static_cast<std::size_t>(key) >= L.keys.size()) {
        SetDriverError(f_.Label(), "", "no key " + std::to_string(key));
        return kDriverError;
    }
    const KeyDef& k = L.keys[static_cast<std::size_t>(key)];
    const Order& o = order_of(key);
    // The first of equal records in the key's reading order.
    Prepared* p = prepare(get_st_, key, [&](std::vector<int>&) {
        std::string s = select_head(dialect_ == Dialect::SqlServer ? "1" : nullptr, o.rowid) + " WHERE ";
        for (std::size_t i = 0; i < k.fields.size(); ++i)
            s += (i ? " AND " : "") + col_name(static_cast<int>(k.fields[i])) + " = ?";
        s += order_by(o, kForward);
        if (dialect_ == Dialect::Sqlite) s += " LIMIT 1";
        return s;
    });
    if (!p) return fail_driver();
    for (std::size_t i = 0; i < k.fields.size(); ++i)
        BindField(*p->st, static_cast<int>(i), L.fields[k.fields[i]], f_.bytes());
    const int rc = p->st->Step();
    if (rc == 1) {
        std::vector<Value> kept(o.kept.size());
        ReadNotes().clear();
        read_row(*p->st, o, f_.bytes(), kept.data());
        SetUnheldValues(ReadNotes());
        cur_image_.assign(f_.bytes(), f_.bytes() + L.record_size);
        cur_id_.resize(o.id_pos.size());
        for (std::size_t i = 0; i < o.id_pos.size(); ++i)
            cur_id_[i] = std::move(kept[static_cast<std::size_t>(o.id_pos[i])]);
    }
    p->st->Reset();
    have_current_ = rc == 1;
    if (rc < 0) return fail_driver();
    if (rc == 0) return fail(kRecordNotFound);
    return ok();
}

void TableDriver::bind_identity(Statement& st, int first) {
    for (std::size_t i = 0; i < cur_id_.size(); ++i)
        bind_value(st, first + static_cast<int>(i), cur_id_[i],
                   i < id_fields_.size() ? width_of(id_fields_[i]) : 0);
}

void TableDriver::identity_from_buffer() {
    cur_image_.assign(f_.bytes(), f_.bytes() + f_.layout().record_size);
    cur_id_.clear();
    for (int fi : id_fields_)
        cur_id_.push_back(field_value(f_.layout().fields[static_cast<std::size_t>(fi)], f_.bytes()));
    have_current_ = true;
}

// The first unique key whose values the buffer shares with a stored record (other than
// the current one when `exclude_current`).
int TableDriver::duplicate_key(bool exclude_current) {
    const RecordLayout& L = f_.layout();
    std::string key_name;
    for (std::size_t ki = 0; ki < L.keys.size() && key_name.empty(); ++ki) {
        const KeyDef& k = L.keys[ki];
        if (!k.unique()) continue;
        std::string s = "SELECT 1 FROM " + qtable_ + " WHERE ";
        for (std::size_t i = 0; i < k.fields.size(); ++i)
            s += (i ? " AND " : "") + col_name(static_cast<int>(k.fields[i])) + " = ?";
        std::vector<int> ids = id_fields_;
        if (ids.empty()) ids.push_back(kRowid);
        if (exclude_current && have_current_) {
            s += " AND NOT (";
            for (std::size_t i = 0; i < ids.size(); ++i) s += (i ? " AND " : "") + col_name(ids[i]) + " = ?";
            s += ")";
        }
        auto st = conn_->Prepare(s);
        if (!st) continue;
        int pi = 0;
        for (auto fi : k.fields) BindField(*st, pi++, L.fields[fi], f_.bytes());
        if (exclude_current && have_current_) bind_identity(*st, pi);
        if (st->Step() == 1) key_name = k.name;
    }
    if (key_name.empty())
        if (const KeyDef* pk = L.primary_key()) key_name = pk->name;
    SetError(kDuplicateKey, f_.Label(), key_name);
    return kDuplicateKey;
}

int TableDriver::add() {
    if (!writable()) return fail(kAccessDenied);
    const RecordLayout& L = f_.layout();
    Prepared* p = prepare(misc_st_, 0, [&](std::vector<int>&) {
        std::string s = "INSERT INTO " + qtable_ + " (" + SelectList(dialect_, L) + ") VALUES (";
        for (int i = 0; i < ncols_; ++i) s += i ? ", ?" : "?";
        return s + ")";
    });
    if (!p) return fail_driver();
    invalidate();
    int param = 0;
    for (const FieldDef& fd : L.fields) {
        if (fd.type == FieldType::Group) continue;
        for (std::size_t e = 0; e < std::max<std::size_t>(fd.dim, 1); ++e)
            BindField(*p->st, param++, fd, f_.bytes(), e);
    }
    const int rc = p->st->Step();
    p->st->Reset();
    if (rc < 0) {
        if (conn_->LastErrorWasDuplicate()) return duplicate_key(false);
        return fail_driver();
    }
    if (id_fields_.empty()) {
        // Addressed by the rowid SQLite gave it.
        auto st = conn_->Prepare("SELECT last_insert_rowid()");
        cur_id_.assign(1, Value{});
        if (st && st->Step() == 1) {
            cur_id_[0].kind = Value::Int;
            cur_id_[0].i = st->Int(0);
        }
        cur_image_.assign(f_.bytes(), f_.bytes() + L.record_size);
        have_current_ = true;
    } else {
        identity_from_buffer();
    }
    return ok();
}

int TableDriver::put() {
    if (!writable()) return fail(kAccessDenied);
    if (!have_current_) return fail(kRecordNotAvailable);
    const RecordLayout& L = f_.layout();
    Prepared* p = prepare(misc_st_, 1, [&](std::vector<int>&) {
        std::string s = "UPDATE " + qtable_ + " SET ";
        bool first = true;
        for (const FieldDef& fd : L.fields) {
            if (fd.type == FieldType::Group) continue;
            const std::size_t dim = std::max<std::size_t>(fd.dim, 1);
            for (std::size_t e = 1; e <= dim; ++e) {
                const std::string name =
                    dim > 1 ? std::string(fd.column()) + "_" + std::to_string(e) : std::string(fd.column());
                s += (first ? "" : ", ") + q(name) + " = ?";
                first = false;
            }
        }
        s += " WHERE ";
        std::vector<int> ids = id_fields_;
        if (ids.empty()) ids.push_back(kRowid);
        for (std::size_t i = 0; i < ids.size(); ++i) s += (i ? " AND " : "") + col_name(ids[i]) + " = ?";
        for (const FieldDef& fd : L.fields) {
            if (fd.type == FieldType::Group) continue;
            for (std::size_t e = 0; e < std::max<std::size_t>(fd.dim, 1); ++e)
                s += " AND " + as_read_condition(fd, e);
        }
        return s;
    });
    if (!p) return fail_driver();
    invalidate();
    int param = 0;
    for (const FieldDef& fd : L.fields) {
        if (fd.type == FieldType::Group) continue;
        for (std::size_t e = 0; e < std::max<std::size_t>(fd.dim, 1); ++e)
            BindField(*p->st, param++, fd, f_.bytes(), e);
    }
    bind_identity(*p->st, param);
    param += static_cast<int>(cur_id_.size());
    for (const FieldDef& fd : L.fields) {
        if (fd.type == FieldType::Group) continue;
        for (std::size_t e = 0; e < std::max<std::size_t>(fd.dim, 1); ++e)
            param = bind_as_read(*p->st, param, fd, e);
    }
    const int rc = p->st->Step();
    const std::int64_t changed = p->st->AffectedRows();
    p->st->Reset();
    if (rc < 0) {
        if (conn_->LastErrorWasDuplicate()) return duplicate_key(true);
        return fail_driver();
    }
    // Changed or deleted by another station since it was read.
    if (changed == 0) return fail(kRecordChanged);
    if (id_fields_.empty())
        cur_image_.assign(f_.bytes(), f_.bytes() + L.record_size);
    else
        identity_from_buffer();
    return ok();
}

// The column of one field (element) still holding the value the current record was read
// with. Texts compare exactly over the part the field holds (a STRING without trailing
// blanks); a REAL within a relative 2^-40 of the value read.
std::string TableDriver::as_read_condition(const FieldDef& fd, std::size_t element) const {
    const std::size_t dim = std::max<std::size_t>(fd.dim, 1);
    const std::string col =
        q(dim > 1 ? std::string(fd.column()) + "_" + std::to_string(element + 1) : std::string(fd.column()));
    const bool lite = dialect_ == Dialect::Sqlite;
    switch (fd.type) {
        case FieldType::CString:
        case FieldType::String: {
            const std::size_t n = TextWidth(fd);
            const std::string part = std::string(lite ? "SUBSTR(COALESCE(" : "SUBSTRING(COALESCE(") + col +
                                     (lite ? ", '')" : ", N'')") + ", 1, " + std::to_string(n) + ")";
            if (!lite)
                return "CONVERT(nvarchar(" +
                       (n > 4000 ? std::string("max") : std::to_string(std::max<std::size_t>(n, 1))) + "), " +
                       part + ")" + BinaryCollateClause(dialect_) + " = ?";
            return (fd.type == FieldType::String ? "RTRIM(" + part + ")" : part) + " = ?" +
                   BinaryCollateClause(dialect_);
        }
        case FieldType::Real: return "COALESCE(" + col + ", 0) BETWEEN ? AND ?";
        default: return "COALESCE(" + col + ", 0) = ?";
    }
}

int TableDriver::bind_as_read(Statement& st, int param, const FieldDef& fd, std::size_t element) const {
    if (fd.type != FieldType::Real) {
        BindField(st, param, fd, cur_image_.data(), element);
        return param + 1;
    }
    double v;
    std::memcpy(&v, cur_image_.data() + fd.offset + element * fd.size, sizeof v);
    double lo = v, hi = v;
    if (std::isfinite(v) && v != 0) {
        const double slack = std::fabs(v) * std::ldexp(1.0, -40);
        lo = v - slack;
        hi = v + slack;
    }
    st.BindDouble(param, lo);
    st.BindDouble(param + 1, hi);
    return param + 2;
}

int TableDriver::erase() {
    if (!writable()) return fail(kAccessDenied);
    if (!have_current_) return fail(kRecordNotAvailable);
    Prepared* p = prepare(misc_st_, 2, [&](std::vector<int>&) {
        std::string s = "DELETE FROM " + qtable_ + " WHERE ";
        std::vector<int> ids = id_fields_;
        if (ids.empty()) ids.push_back(kRowid);
        for (std::size_t i = 0; i < ids.size(); ++i) s += (i ? " AND " : "") + col_name(ids[i]) + " = ?";
        return s;
    });
    if (!p) return fail_driver();
    invalidate();
    bind_identity(*p->st, 0);
    const int rc = p->st->Step();
    const std::int64_t changed = p->st->AffectedRows();
    p->st->Reset();
    if (rc < 0) return fail_driver();
    have_current_ = false;
    if (changed == 0) return fail(kRecordChanged);
    return ok();
}

long TableDriver::records() {
    Prepared* p = prepare(misc_st_, 3, [&](std::vector<int>&) { return "SELECT COUNT(*) FROM " + qtable_; });
    if (!p) {
        fail_driver();
        return 0;
    }
    const int rc = p->st->Step();
    const long n = rc == 1 ? static_cast<long>(p->st->Int(0)) : 0;
    p->st->Reset();
    if (rc < 0) {
        fail_driver();
        return 0;
    }
    ok();
    return n;
}

int TableDriver::send_sql(std::string_view sql) {
    sql_pending_ = false;
    sql_rows_.clear();
    std::shared_ptr<Connection> conn = conn_;
    if (!conn) {
        conn = src_.connect();
        if (!conn) {
            SetDriverError(f_.Label(), FileErrorCode(), FileError());
            return kDriverError;
        }
    }
    invalidate();
    auto st = conn->PreparePassThrough(sql);
    if (!st) return fail_driver(conn.get());
    // The whole result is read at once: a statement left on its next row would keep the
    // connection busy for every other table on it.
    int rc;
    while ((rc = st->Step()) == 1) sql_rows_.push_back(sql_row(*st));
    if (rc < 0) {
        sql_rows_.clear();
        return fail_driver(conn.get());
    }
    // A statement with result columns is read by the next reads, even when it gave none.
    sql_pending_ = st->ColumnCount() > 0;
    st->Reset();
    return ok();
}

// The statement's current row, each column read as the field it goes to wants it.
std::vector<Value> TableDriver::sql_row(Statement& st) {
    const int ncols = st.ColumnCount();
    std::vector<Value> row(static_cast<std::size_t>(ncols));
    int col = 0;
    for (const FieldDef& fd : f_.layout().fields) {
        if (fd.type == FieldType::Group) continue;
        for (std::size_t e = 0; e < std::max<std::size_t>(fd.dim, 1) && col < ncols; ++e, ++col)
            read_value(st, col, fd.type, row[static_cast<std::size_t>(col)]);
    }
    for (; col < ncols; ++col) read_value(st, col, FieldType::CString, row[static_cast<std::size_t>(col)]);
    return row;
}

int TableDriver::next_sql_row() {
    if (sql_rows_.empty()) {
        sql_pending_ = false;
        return fail(kRecordNotAvailable);
    }
    const std::vector<Value>& row = sql_rows_.front();
    std::size_t col = 0;
    for (const FieldDef& fd : f_.layout().fields) {
        if (fd.type == FieldType::Group) continue;
        for (std::size_t e = 0; e < std::max<std::size_t>(fd.dim, 1) && col < row.size(); ++e, ++col)
            apply_value(fd, f_.bytes(), e, row[col]);
    }
    have_current_ = false;
    sql_rows_.pop_front();
    return ok();
}

int TableDriver::begin_transaction() { return conn_ && conn_->Begin() ? ok() : fail_driver(); }
int TableDriver::commit() { return conn_ && conn_->Commit() ? ok() : fail_driver(); }
int TableDriver::rollback() {
    invalidate();
    return conn_ && conn_->Rollback() ? ok() : fail_driver();
}

}  // namespace

std::unique_ptr<FileDriver> MakeTableDriver(File& file, TableSource source) {
    return std::make_unique<TableDriver>(file, std::move(source));
}

std::shared_ptr<Connection> DriverConnection(File& file) {
    auto* d = dynamic_cast<TableDriver*>(file.driver());
    return d ? d->connection(true) : nullptr;
}

std::string DriverTableName(File& file) {
    auto* d = dynamic_cast<TableDriver*>(file.driver());
    return d ? d->table_name() : std::string();
}

}  // namespace rt::sql

namespace rt {

std::unique_ptr<FileDriver> MakeSqlDriver(File& file) {
    sql::TableSource src;
    src.connect = [&file] { return sql::ConnectionFor(file.Owner()); };
    src.table = [&file] { return file.Name(); };
    return sql::MakeTableDriver(file, std::move(src));
}

}  // namespace rt
