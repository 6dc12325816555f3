// The browse: a list control showing a page of the rows of a view. Each row of the list
// queue holds its column texts (the display fields through their pictures) and a copy of
// the record buffers of the view's tables, so that choosing a row puts its record back
// into the buffers. The page is read from the view at the current position; scrolling
// past either end of the page reads further rows, never the whole order.
//
// Sort orders each have a scroll step and a locator; the hidden insert, change, delete,
// view and select buttons are reached through the frame's toolbar (a toolbar target), the
// list's popup menu and the list's keys (Insert, Enter or a double click: change, or
// select in select mode; Delete). The browse calls its form through the controller's
// RunUpdate and reads the list again around the changed or added row.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/expr.h"
#include "platform/files/file.h"
#include "platform/ui/list_format.h"
#include "platform/ui/popup.h"
#include "platform/ui/toolbar.h"

namespace rt {
class ViewManager;
class RelationManager;
class FileManager;
}  // namespace rt

namespace rt::ui {

class Window;
struct Binding;
struct CellColors;
class WindowController;
class ScrollStep;
class Locator;
class LocatorFiltered;
class QbeQuery;

class BrowseManager {
public:
    BrowseManager();
    virtual ~BrowseManager();
    BrowseManager(const BrowseManager&) = delete;
    BrowseManager& operator=(const BrowseManager&) = delete;

    // The hidden buttons (0: not bound) and options.
    int SELECTCONTROL = 0;
    int HIDESELECT = 0;  // 1: the select button is hidden (and usable only in select mode)
    int INSERTCONTROL = 0;
    int CHANGECONTROL = 0;
    int DELETECONTROL = 0;
    int VIEWCONTROL = 0;
    int HELPCONTROL = 0;
    int QUERYCONTROL = 0;  // the query button: opens the query window (AttachQuery)
    int ASKPROCEDURE = 0;  // the number RunUpdate is called with; 0: no form
    int ITEMS = 0;         // rows per page; 0: from the list's height

    // Set-up: the list control, the view (Init'ed over `primary`), the relation of the
    // browsed table (for its access object: priming, the original record), the controller.
    virtual void Setup(int list, ViewManager& view, File& primary, RelationManager* relation,
                       WindowController& controller);
    // A joined table whose buffer each row keeps as well.
    void AddTable(File& table);

    // Sort orders (1, 2, ...): by a key of the primary table. The order
    // last defined is the one AttachLocator and LimitToValue add to.
    int DefineSortOrder(ScrollStep* step, int key);
    int DefineSortOrder(ScrollStep* step, std::string_view key_name);
    void AttachLocator(Locator& locator);
    // A range of the order last defined; the value also primes a new record's field.
    void LimitToValue(std::string_view field, std::function<expr::Value()> value);
    // A range on the value a field of another record buffer holds (a parent's key field).
    void LimitToValue(std::string_view field, File& source, std::string_view source_field);
    // The current order sorted by `order_text` with `locator` and `step` (null: none).
    void RedefineSortOrder(Locator* locator, ScrollStep* step, std::string_view order_text);

    // Display fields, in column order: a field of the view's tables shown through the
    // column's picture (or `picture` when given).
    void BindFieldPair(std::string_view field, std::string_view picture = {});
    // A field that only the browse needs (kept in the row's record copy; not shown).
    void BindHidden(std::string_view field);
    // The query by example that QUERYCONTROL opens; with `all_columns` every list column
    // that shows a field is offered to it under the column's heading. The query's filter
    // stays in force across the sort orders.
    void AttachQuery(QbeQuery& query, bool all_columns);
    QbeQuery* Query() const { return query_; }
    // Opens the query window; a query applied there filters the list, read again from
    // the start of its order.
    void AskQuery();
    // The field a column shows ("" for a variable column) and whether it is text.
    std::string ColumnField(int column) const;
    bool ColumnIsText(int column) const;
    int Columns() const { return static_cast<int>(columns_.size()); }
    // The list's format text in use (the resource's until a format is applied).
    std::string ListFormat() const;

    // The framework's operations.
    virtual int SetSort(int order, bool force);
    virtual int SelectSortOrder(int order);   // nonzero when the order changed
    virtual int ReapplySortOrder(int force);  // the order the browse wants now
    virtual void LoadPage();                  // the page from the view at the position asked for
    virtual void RefillList();                // the page to the list control
    virtual int OnNewSelection();
    void RefreshPending();
    void SyncScrollThumb();
    void Reposition();
    // Reads the page again at its first row (force 1: afresh from the order's start).
    void ResetFromView(bool force = false);
    // Reads the page around the record in the buffers (that row selected).
    void ResetToBuffer();

    // The browse's share of the window's current event (a level; 5 consumed).
    virtual int TakeEvent();
    void Scroll(int event);  // Event::ScrollUp ... ScrollBottom
    // Calls the form with `request` (1 insert, 2 change, 3 delete, 6 view) and its
    // navigation requests; answers the form's response (2 when it was not called).
    int Ask(int request);
    // Select mode: the selected row into the buffers, response 1, the window closes.
    void Select();
    // Fills the buffers of a new record: cleared, the range values set, primed by the
    // table's access object; false when the access object refused it.
    virtual bool PrimeForInsert();

    // The list's keys (Insert, Delete, Enter, the locator's characters) and the popup
    // items of the bound buttons.
    void DeclareKeys();
    void AttachToolbarHandler(ToolbarList& toolbar);
    void DetachToolbarHandler();
    bool ToolbarEnabled(int button) const;  // 3001 to 3013 while the browse is the target
    ToolbarTarget& toolbar_target();

    PopupManager& Popup() { return popup_; }
    // Shows the popup menu with the browse's items and answers the choice.
    int AskPopup();

    // Called as each row is copied into the list queue, with the row's records in the
    // buffers: an override gives the row its colours with SetRowColors.
    virtual void UpdateViewPosition() {}
    // The colours of column `column` (1-based; 0: every column) of the row being copied.
    void SetRowColors(const CellColors& colors, int column = 0);
    // The text of column `column` (1-based) of the row being copied: a value the browse
    // computes per row, shown in a column bound to no field.
    void SetRowText(int column, std::string text);

    // What the list holds.
    int Rows() const { return static_cast<int>(queue_.size()); }
    int Selected() const { return selected_; }  // 1-based, 0 none
    std::string RowText(int row, int column) const;
    // Puts row `row` (1-based) of the page into the record buffers.
    bool TakeRow(int row);
    // Reads the taken row from the table by its primary key (false when it is gone).
    bool ReadTakenRow();
    // Selects a row of the page and puts it into the buffers.
    void SelectRow(int row);
    int ThumbPercent() const { return thumb_; }

    int CurrentOrder() const { return order_; }
    int Orders() const { return static_cast<int>(orders_.size()); }
    Locator* CurrentLocator() const;
    Locator* LocatorOf(int order) const;
    ViewManager& view() const { return *view_; }
    Window& window() const;
    WindowController& controller() const { return *controller_; }
    int list() const { return list_; }
    bool InSelectMode() const;
    bool InViewMode() const;

    // Used by the locators.
    bool LocateAt(std::string_view field, std::string_view text);
    bool ApplyFilter(LocatorFiltered& locator, std::string_view previous_text);

protected:
    struct Row {
        std::vector<std::string> texts;
        std::vector<CellColors> colors;                   // per column; empty: the defaults
        std::vector<std::vector<unsigned char>> records;  // one per table, in tables_ order
    };
    std::vector<Row> queue_;

    // The rows the page should hold (ITEMS, or from the list's height).
    int PageRows() const;
    // Reads a row into a queue entry from the buffers.
    Row MakeRow();
    void Restore(const Row& row) const;

private:
    bool step(bool forward);
    bool read_failed_ = false;  // a read error was reported: the browse is closing
    struct Column {
        std::string field;  // prefixed name, "" for a variable
        std::function<std::string()> text;
        bool is_text = true;
    };
    struct Order {
        int view_order = 0;
        ScrollStep* step = nullptr;
        Locator* locator = nullptr;
        std::string text;         // the order's own order text ("" its key's)
        std::string header_text;  // a header sort in force on it ("" none)
        struct RangeValue {
            std::string field;
            std::function<expr::Value()> value;
        };
        std::vector<RangeValue> ranges;
    };
    class Toolbar;

    // A field of the view's tables, or an element of an array field ("M:R_7"), bound to
    // its buffer; unbound when there is none.
    Binding find_field(std::string_view name) const;
    std::string picture_of(int column, std::string_view given) const;
    void fill_forward(int rows);  // from the view's position onward
    void fill_around_record();
    bool read_after(const Row& row, int count, std::vector<Row>& out);
    bool read_before(const Row& row, int count, std::vector<Row>& out);
    void handle_nav(int button);
    bool bound_and_enabled(int feq) const;

    ViewManager* view_ = nullptr;
    WindowController* controller_ = nullptr;
    RelationManager* relation_ = nullptr;
    std::vector<File*> tables_;
    int list_ = 0;
    std::vector<Column> columns_;
    std::vector<Order> orders_;
    int order_ = 0;  // 1-based, 0 before the first SetSort
    int selected_ = 0;
    bool refresh_pending_ = false;
    int thumb_ = 0;
    PopupManager popup_;
    Row* copying_ = nullptr;  // the row MakeRow is making
    QbeQuery* query_ = nullptr;
    std::unique_ptr<Toolbar> toolbar_target_;
    ToolbarList* toolbar_ = nullptr;
};

}  // namespace rt::ui
