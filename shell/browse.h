// The browse conventions, once, as the base every browse procedure derives its controller
// from: the set-up steps of a browse (the close button's response by request, the
// relations, the browse object with its hidden buttons, the sort orders with their steps
// and locators, one per tab, the display fields, the resizer and placement, the toolbar,
// the list formats per order, the alert keys, the column sizer, the popup items of the
// browse's own buttons, the sort header), the tabs selecting orders and formats
// "SortOrder" + the tab's position, header-click sorting, the list-format menu, the
// empty-list rule of ?BUTTONNORECORDS, buttons of the browse's own, select and view mode.
// A browse procedure describes its orders, fields and buttons in a BrowseDefinition and
// overrides CallUpdate (its form) and whatever it adds of its own.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files/view.h"
#include "platform/ui/browse.h"
#include "platform/ui/columntracker.h"
#include "platform/ui/formats.h"
#include "platform/ui/locator.h"
#include "platform/ui/qbe.h"
#include "platform/ui/resource.h"
#include "platform/ui/sortheader.h"
#include "platform/ui/step.h"
#include "shell/procedure.h"

namespace rt {
class RelationManager;
}

namespace kvadrin {

// One sort order, as its tab shows it.
struct BrowseOrder {
    std::string key = {};            // key of the browsed table ("OBA:Po_sifri"); "": no key
                                     // (the rows as the view delivers them) and no step
    std::string locator_field = {};  // the locator's field; "": no locator
    bool filtered = false;           // LocatorFiltered, else LocatorEntry
    bool text_key = true;            // ScrollStepText, else ScrollStep
    // A range attached right after the order is defined (a browse of one parent's rows).
    std::function<void(rt::ui::BrowseManager&)> range = {};
};

// A button of the browse's own (print, sub-browse, process): its label, the popup text,
// and the procedure it calls.
struct BrowseButton {
    std::string label = {};  // "?BUTTONNORECORDS"
    std::string text = {};   // "&ISPIS"
    std::function<void()> call = {};
};

struct BrowseDefinition {
    rt::File* table = nullptr;                // the browsed table
    rt::RelationManager* relation = nullptr;  // its relation object
    bool cascade_open = false;                // SetCascadeOpen before the open
    std::vector<rt::File*> joined = {};       // further tables of the view (joined by Setup hooks)
    std::vector<BrowseOrder> orders = {};     // by tab: orders[0] is the first tab's
    // Display fields in column order; "" for a column bound to no field, whose text the
    // browse gives each row (BrowseManager::SetRowText).
    std::vector<std::string> fields = {};
    std::vector<std::string> hidden = {};  // fields only the browse needs
    bool has_form = true;                  // the browse calls a form (ASKPROCEDURE 1)
    // Buttons of the browse's own; a button whose resource gives it a key is pressed by
    // that key, on the list or the window, while it is enabled.
    std::vector<BrowseButton> buttons = {};
    bool query = false;               // a query by example on every list column, opened by ?QUERY
    std::function<void()> form = {};  // the form the browse calls (its RunUpdate)
};

// Checked when the program starts: aborts with a message naming the browse and the field
// when a column or a hidden field of the definition names a field none of its tables has.
void CheckBrowseFields(std::string_view name, const BrowseDefinition& definition);

// A browse procedure whose definition says all it does.
void RunBrowse(std::string_view name, const rt::ui::WindowDef& window, BrowseDefinition definition);

// A browse's print button: ?BUTTONNORECORDS "&ISPIS", pressed by F2 (disabled while the
// list is empty).
rt::ui::ControlDef PrintButton(rt::ui::Rect at);

// A total under a list's column (1-based): right-aligned as wide as the column, at y.
rt::ui::ControlDef TotalUnder(rt::ui::Rect list, std::span<const rt::ui::ListColumn> columns, int column,
                              std::string label, int y, std::string picture);

// The list-format manager of a browse module on the calling thread, made the first time
// the module's browse runs on it; it lives as long as the thread.
rt::ui::FormatManager& ThreadFormatManager(std::string_view module);

class BrowseProcedure : public ProcedureController {
public:
    BrowseProcedure(ProcedureObjects& objects, BrowseDefinition definition);
    ~BrowseProcedure() override;

    int Setup() override;
    void DeclareAlertKeys() override;
    int OnAccepted() override;
    int OnFieldEvent() override;
    int OnWindowEvent() override;
    void Reset(int force = 0) override;

    rt::ui::BrowseManager& browse();
    rt::ui::FormatManager& formats() { return *formats_; }
    rt::ViewManager& view() { return view_; }
    // The query of a browse defined with one (null otherwise), set up with ProgramSettings,
    // ProgramErrors and the procedure's name.
    rt::ui::QbeQuery* query() { return query_.get(); }
    // The list, the sheet of the order tabs (0: none).
    int list() const { return list_; }
    int tabs() const { return tabs_; }
    // The tab position of a browse order (the last order is the first tab).
    int TabOfOrder(int order) const;
    // Moves each total (control) under the list column (1-based) it totals, as the
    // list's format has the columns now.
    void PlaceUnderColumns(std::span<const std::pair<int, int>> column_and_total);

protected:
    // The definition's form; a browse that calls more overrides this.
    void CallUpdate(int) override {
        if (definition_.form) definition_.form();
    }
    // Joins and other view definitions, after the view is set over the table.
    virtual void DefineView() {}
    // Before each page is read: totals over the view; false leaves the page unread.
    virtual bool BeforeLoadPage() { return true; }
    // Per-row values and totals after a page is read.
    virtual void AfterLoadPage() {}
    // As each row is copied into the list, with its records in the buffers: the row's
    // colours (browse().SetRowColors).
    virtual void UpdateViewPosition() {}
    // The locator a header-click order takes: the current order's.
    virtual rt::ui::Locator* HeaderSortLocator();
    int FirstEventHandlers() override;
    int NavigationEvent() override;
    void TeardownCompanions() override;

private:
    class Browse;
    class Header;
    int feq_by_prefix(std::string_view prefix) const;
    // An AlertKey of a button of the browse's own: pressed while enabled; true when it was one.
    bool ButtonKey();

    BrowseDefinition definition_;
    rt::ViewManager view_;
    std::unique_ptr<Browse> browse_;
    std::unique_ptr<Header> header_;
    rt::ui::FormatManager* formats_ = nullptr;
    rt::ui::ColumnTracker tracker_;
    std::vector<std::unique_ptr<rt::ui::ScrollStep>> steps_;
    std::vector<std::unique_ptr<rt::ui::Locator>> locators_;
    std::unique_ptr<rt::ui::QbeQuery> query_;
    int list_ = 0;
    int tabs_ = 0;
    std::vector<int> norecords_;  // the ?BUTTONNORECORDS buttons
    bool sorted_ = false;         // the first order was applied
    bool format_switch_ = true;
};

}  // namespace kvadrin
