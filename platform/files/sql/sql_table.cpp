// Fields of records to and from statements, names and quoting.
#include "platform/files/sql/sql_table.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/files/sql/sql_driver.h"

namespace rt::sql {

std::shared_ptr<Connection> ConnectionOf(File& file) {
    if (auto conn = DriverConnection(file)) return conn;
    if (file.driver() == nullptr && file.def().driver == Driver::Sql) return ConnectionFor(file.Owner());
    return nullptr;
}

std::string QuotedTableName(File& file) {
    auto conn = ConnectionOf(file);
    std::string name = DriverTableName(file);
    if (name.empty()) name = file.Name();
    return QuoteIdent(conn ? conn->dialect() : Dialect::Sqlite, name);
}

std::string QuoteIdent(Dialect dialect, std::string_view name) {
    const char open = dialect == Dialect::SqlServer ? '[' : '"';
    const char close = dialect == Dialect::SqlServer ? ']' : '"';
    std::string out(1, open);
    for (char c : name) {
        out += c;
        if (c == close) out += close;
    }
    out += close;
    return out;
}

std::size_t TextWidth(const FieldDef& field) {
    return field.type == FieldType::CString ? std::max<std::size_t>(field.size, 2) - 1 : field.size;
}

std::string CollateClause(Dialect dialect) {
    return dialect == Dialect::SqlServer ? " COLLATE " + std::string(kNocaseCollation) : " COLLATE KVCI";
}

std::string BinaryCollateClause(Dialect dialect) {
    return dialect == Dialect::SqlServer ? " COLLATE " + std::string(kExactCollation) : " COLLATE BINARY";
}

void BindField(Statement& st, int param, const FieldDef& field, const unsigned char* record,
               std::size_t element) {
    const unsigned char* p = record + field.offset + element * field.size;
    switch (field.type) {
        case FieldType::Byte: st.BindInt(param, *p); break;
        case FieldType::Short: {
            std::int16_t v;
            std::memcpy(&v, p, sizeof v);
            st.BindInt(param, v);
            break;
        }
        case FieldType::Long: {
            std::int32_t v;
            std::memcpy(&v, p, sizeof v);
            st.BindInt(param, v);
            break;
        }
        case FieldType::Real: {
            double v;
            std::memcpy(&v, p, sizeof v);
            st.BindDouble(param, v);
            break;
        }
        case FieldType::CString: {
            // At most n-1 characters, without the terminator and the bytes after it.
            const char* s = reinterpret_cast<const char*>(p);
            st.DeclareText(param, TextWidth(field));
            st.BindText(param, {s, ::strnlen(s, field.size > 0 ? field.size - 1 : 0)});
            break;
        }
        case FieldType::String: {
            std::size_t n = field.size;
            while (n > 0 && p[n - 1] == ' ') --n;
            st.DeclareText(param, TextWidth(field));
            st.BindText(param, {reinterpret_cast<const char*>(p), n});
            break;
        }
        case FieldType::Group: st.BindNull(param); break;
    }
}

namespace {

void put_text(const FieldDef& field, unsigned char* p, std::string_view s) {
    if (field.type == FieldType::CString) {
        const std::size_t n = field.size > 0 ? std::min(s.size(), field.size - 1) : 0;
        std::memcpy(p, s.data(), n);
        std::memset(p + n, 0, field.size - n);
    } else {
        const std::size_t n = std::min(s.size(), field.size);
        std::memcpy(p, s.data(), n);
        std::memset(p + n, ' ', field.size - n);
    }
}

}  // namespace

std::vector<UnheldValue>& ReadNotes() {
    thread_local std::vector<UnheldValue> notes;
    return notes;
}

void NoteUnheld(UnheldValue value) {
    // Readers that never clear the notes keep no more than a row's worth.
    if (ReadNotes().size() < 64) ReadNotes().push_back(std::move(value));
}

namespace {
thread_local std::vector<UnheldValue> t_unheld;

template <typename T>
T held(const FieldDef& field, std::int64_t v) {
    if (v < std::numeric_limits<T>::min() || v > std::numeric_limits<T>::max())
        NoteUnheld({field.name, v, false});
    return static_cast<T>(v);
}
}  // namespace

const std::vector<UnheldValue>& UnheldValues() { return t_unheld; }
void SetUnheldValues(std::vector<UnheldValue> values) { t_unheld = std::move(values); }

void ReadField(Statement& st, int col, const FieldDef& field, unsigned char* record, std::size_t element) {
    unsigned char* p = record + field.offset + element * field.size;
    // The getters read NULL as 0 and "", which is what a field gets for it.
    switch (field.type) {
        case FieldType::Byte: *p = held<std::uint8_t>(field, st.Int(col)); break;
        case FieldType::Short: {
            const auto v = held<std::int16_t>(field, st.Int(col));
            std::memcpy(p, &v, sizeof v);
            break;
        }
        case FieldType::Long: {
            const auto v = held<std::int32_t>(field, st.Int(col));
            std::memcpy(p, &v, sizeof v);
            break;
        }
        case FieldType::Real: {
            const double v = st.Double(col);
            std::memcpy(p, &v, sizeof v);
            break;
        }
        case FieldType::CString:
        case FieldType::String: {
            thread_local std::string text;
            st.TextTo(col, text);
            std::size_t n = text.size();
            while (n > 0 && text[n - 1] == ' ') --n;
            if (n > TextWidth(field)) NoteUnheld({field.name, static_cast<std::int64_t>(n), true});
            put_text(field, p, text);
            break;
        }
        case FieldType::Group: break;
    }
}

std::string SelectList(Dialect dialect, const RecordLayout& layout, std::string_view alias) {
    std::string out;
    auto add = [&](std::string_view column) {
        if (!out.empty()) out += ", ";
        if (!alias.empty()) {
            out.append(alias);
            out += '.';
        }
        out += QuoteIdent(dialect, column);
    };
    for (const FieldDef& f : layout.fields) {
        if (f.type == FieldType::Group) continue;
        if (f.dim <= 1) {
            add(f.column());
        } else {
            for (std::size_t e = 1; e <= f.dim; ++e) add(std::string(f.column()) + "_" + std::to_string(e));
        }
    }
    return out;
}

int ReadRecord(Statement& st, int first, const RecordLayout& layout, unsigned char* record) {
    int col = first;
    for (const FieldDef& f : layout.fields) {
        if (f.type == FieldType::Group) continue;
        for (std::size_t e = 0; e < std::max<std::size_t>(f.dim, 1); ++e) ReadField(st, col++, f, record, e);
    }
    return col - first;
}

}  // namespace rt::sql
