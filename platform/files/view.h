// Views: a primary table with joined tables, read row by row in a sort order within
// ranges and filters, each row into the record buffers of its tables. Browses, reports
// and processes read their rows through views.
//
// A view reads its SQL tables through their connection, a page of rows at a time: each
// page continues from the sort values of the last row read (never an offset, never all
// rows at once), so rows added or removed between pages neither repeat nor vanish.
//
// Sort orders: by a key (its fields, without case for a key without case) or by an order
// text such as "+UPPER(KVD:VLASNIK),-KVD:BROJ" ('+' ascending, the default, '-'
// descending, each item an expression of expr.h; texts sort as the store's text columns
// do, without case, in the code page's order). The primary key is always appended, so
// that rows that compare equal keep one order.
//
// A view of a table that is no SQL table (a flat file, held in memory by its driver)
// reads the whole table at each Reset and applies ranges, filters and order to it with the
// same meaning; such a view takes no joins.
//
// Operations report as table operations do: 0 on success, else an error code that the
// calling thread's error state holds as well (ErrorCode(), FileError()). Next and
// Previous answer kRecordNotAvailable past either end; a filter that cannot be compiled
// makes reading fail with kDriverError and the filter's error as FileError(), so a
// broken filter never lets every row through.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/expr.h"
#include "platform/files/file.h"

namespace rt {

namespace sql {
class Connection;
class Statement;
}  // namespace sql

class RelationManager;

enum class JoinKind : std::uint8_t { LeftOuter, Inner };

// Two fields that must be equal: `field` of the table being defined and `other`, a field
// of another table of the view (prefixed names).
struct FieldLink {
    std::string field;
    std::string other;
};

class ViewManager {
public:
    static constexpr int kDefaultPageSize = 100;
    static constexpr int kQuickScanPageSize = 1000;

    ViewManager();
    ~ViewManager();
    ViewManager(const ViewManager&) = delete;
    ViewManager& operator=(const ViewManager&) = delete;

    // Starts the view afresh over a primary table: no joins, one sort order (physical
    // order with the primary key), no range, no filter.
    void Init(File& primary);
    // Forgets the definition and the position; the view must be Init'ed again.
    void Teardown();

    // Definition calls answer "" or what is wrong (an unknown field or key).

    // A table joined through one of its keys: its key's fields equal `fields` of tables
    // defined before it, in order. A left outer join keeps the rows without a match and
    // clears the joined buffer for them; an inner join drops them.
    std::string AddJoin(File& joined, int key, const std::vector<std::string>& fields,
                        JoinKind kind = JoinKind::LeftOuter);
    // A table joined through pairs of fields (`field` of the joined table).
    std::string AddJoin(File& joined, const std::vector<FieldLink>& links,
                        JoinKind kind = JoinKind::LeftOuter);
    // Fields to read. A table none of whose fields is named reads all its fields; of the
    // others only those named (and their key and linking fields) are read, and the rest of
    // their buffers keep their values.
    std::string Project(const std::vector<std::string>& fields);

    // Adds a sort order by a key of the primary table (-1: no key) and makes it current;
    // answers its number (1, 2, ...), or 0 for an unknown key. The first one defined takes
    // the place of Init's order.
    int DefineSortOrder(int key = -1);
    int DefineSortOrder(std::string_view key_name);
    // Makes order `n` current; answers 0, or kRecordNotAvailable for no such order.
    int SetSort(int n);
    // Replaces the current order's sorting by an order text; "" gives it back its key's.
    // Ranges stay.
    std::string SetOrder(std::string_view text);
    // Sorts the current order further by an order text, after what it sorts by already.
    std::string AppendOrder(std::string_view text);

    // Ranges of the current order; their values are taken at each Reset.
    // Rows whose `field`s equal the `other` fields of a parent's record buffer.
    std::string LimitToRelation(File& parent, const std::vector<FieldLink>& links);
    // Rows related to the parent's current record through the parent's relation to the
    // primary table: its linking fields up to and including `field`.
    std::string LimitToRelation(std::string_view field, RelationManager& parent);
    // Rows whose field equals a value.
    std::string LimitToValue(std::string_view field, std::function<expr::Value()> value);
    std::string LimitToValue(std::string_view field, File& source, std::string_view source_field);
    // Rows whose fields equal the values the primary buffer holds at the Reset.
    std::string LimitToCurrent(const std::vector<std::string>& fields);
    void ClearRange();

    // Filters by id, all ANDed with each other and with the range. Defining a blank text
    // removes the filter. The answer is a parse error ("" when the text parses); a filter
    // that does not parse still counts, and reading then fails.
    std::string DefineFilter(std::string_view text, std::string_view id = "1");
    // Compiles all filters for the view; "" or the first error.
    std::string ComposeFilter();
    // DefineFilter, then ComposeFilter.
    std::string SetFilter(std::string_view text, std::string_view id = "1");
    // The filters' texts ANDed, in order of their ids.
    std::string FilterText() const;

    // To the start of the current order (Next reads the first row, Previous the last),
    // the range values and filters taken now.
    int Reset();
    // As Reset, positioned at the buffers' values of the order's first `items` sort
    // items (0: all): Next reads the first row at or after them, Previous the last one
    // before them.
    int ResetFrom(std::size_t items = 0);
    // As ResetFrom with all sort items and the appended key: Next reads the row of the
    // record in the buffers (or the first after it when it is gone).
    int ResetToRecord();
    // The next or previous row into the buffers. A view whose definition changed since
    // its last Reset (or never reset) is reset first.
    int Next();
    int Previous();
    // Rows in the range and through the filters.
    long Records();
    // As Records, and the sums of the numeric `fields` over those rows into `sums` (a
    // joined table's field counts 0 for a row without a match); -1 on failure. Neither
    // limited to a page nor moving the reading position. Tables joined outer through a
    // unique key that no summed field, range or filter names are left out of the count.
    long Totals(const std::vector<std::string>& fields, std::vector<double>& sums);
    // Whether any row is in the range and through the filters: 1, 0, or -1 on failure.
    // Stops at the first row.
    int Exists();

    // Quick scan: the rows are read straight through, in larger pages.
    void SetQuickScan(bool on) { quick_scan_ = on; }
    // Rows per page (0: the default).
    void SetPageSize(int rows) { page_size_ = rows < 0 ? 0 : rows; }

private:
    struct Table;
    struct Item;
    struct Order;
    struct Range;
    struct Row;
    struct Query;

    int fail(int code) const;
    int driver_fail(std::string_view code, std::string_view text) const;
    int connect();
    int build_query(Query& q) const;
    // The FROM clause over the tables `included` marks (the primary table always).
    expr::Fragment from_clause(sql::Dialect d, const std::vector<bool>& included) const;
    std::vector<bool> counted_tables(const std::vector<int>& used) const;
    int start(int pivot, std::size_t items);
    sql::Statement* statement(const std::string& text);
    int read_page(const expr::Fragment& text, std::deque<Row>& into);
    int fetch(bool forward, long* got);
    // With `count`, only counts the rows that pass (and hands each to `each`).
    int load_memory(int pivot, std::size_t items, long* count,
                    const std::function<void(const unsigned char*)>& each = {});
    void apply(const Row& row);
    int effective_page() const;
    void invalidate();

    int table_of(std::string_view name) const;
    const FieldDef* field_of(std::string_view name, int* table, std::size_t* element) const;
    std::string column_sql(int table, const FieldDef& f, std::size_t element, bool raw) const;
    std::optional<expr::Fragment> resolve_column(std::string_view name) const;
    std::optional<expr::Fragment> resolve_buffer(std::string_view name) const;
    std::vector<Item> key_items(int key, std::size_t table = 0) const;
    std::string parse_order(std::string_view text, std::vector<Item>& out) const;
    std::string add_range(std::string_view field, std::function<expr::Value()> value);

    std::vector<std::unique_ptr<Table>> tables_;
    std::vector<std::unique_ptr<Order>> orders_;
    int current_ = 0;
    bool orders_defined_ = false;                 // Init's order is replaced by the first one defined
    std::map<std::string, std::string> filters_;  // id -> text
    bool quick_scan_ = false;
    int page_size_ = 0;

    // Reading state, built by Reset.
    std::shared_ptr<sql::Connection> conn_;
    std::unique_ptr<Query> query_;
    std::map<std::string, std::unique_ptr<sql::Statement>> statements_;
    std::deque<Row> rows_;
    long pos_ = -1;
    bool more_before_ = false;
    bool more_after_ = false;
    bool ready_ = false;
    bool memory_ = false;       // the primary table is no SQL table: its rows are held here
    long fresh_previous_ = -1;  // held rows just reset: where Previous starts (-1: not so)
};

}  // namespace rt
