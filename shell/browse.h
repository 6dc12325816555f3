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
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/view.h"
#include "platform/ui/browse.h"
#include "platform/ui/columntracker.h"
#include "platform/ui/formats.h"
#include "platform/ui/locator.h"
#include "platform/ui/sortheader.h"
#include "platform/ui/step.h"
#include "shell/procedure.h"

namespace rt {
class RelationManager;
}

namespace kvadrin {

// One sort order, as its tab shows it.
struct BrowseOrder {
    std::string key;            // key of the browsed table ("OBA:Po_sifri")
    std::string locator_field;  // the locator's field
    bool filtered = false;      // LocatorFiltered, else LocatorEntry
    bool text_key = true;       // ScrollStepText, else ScrollStep
    // A range attached right after the order is defined (a browse of one parent's rows).
    std::function<void(rt::ui::BrowseManager&)> range;
};

// A button of the browse's own (print, sub-browse, process): its label, the popup text,
// and the procedure it calls.
struct BrowseButton {
    std::string label;  // "?BUTTONNORECORDS"
    std::string text;   // "&ISPIS"
    std::function<void()> call;
};

struct BrowseDefinition {
    rt::File* table = nullptr;               // the browsed table
    rt::RelationManager* relation = nullptr; // its relation object
    bool cascade_open = false;               // SetCascadeOpen before the open
    std::vector<rt::File*> joined;           // further tables of the view (joined by Setup hooks)
    std::vector<BrowseOrder> orders;         // by tab: orders[0] is the first tab's
    std::vector<std::string> fields;         // display fields in column order
    std::vector<std::string> hidden;         // fields only the browse needs
    bool has_form = true;                    // the browse calls a form (ASKPROCEDURE 1)
    std::vector<BrowseButton> buttons;
};

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
    void Reset(int force = 0) override;

    rt::ui::BrowseManager& browse();
    rt::ui::SortHeader& sort_header();
    rt::ui::FormatManager& formats() { return *formats_; }
    rt::ViewManager& view() { return view_; }
    rt::ui::ColumnTracker& column_tracker() { return tracker_; }
    // The list, the sheet of the order tabs (0: none).
    int list() const { return list_; }
    int tabs() const { return tabs_; }
    // The tab position of a browse order (the last order is the first tab).
    int TabOfOrder(int order) const;

protected:
    // Joins and other view definitions, after the view is set over the table.
    virtual void DefineView() {}
    // Per-row values and totals after a page is read.
    virtual void AfterLoadPage() {}
    int FirstEventHandlers() override;
    int NavigationEvent() override;
    void TeardownCompanions() override;

private:
    class Browse;
    class Header;
    int feq_by_prefix(std::string_view prefix) const;

    BrowseDefinition definition_;
    rt::ViewManager view_;
    std::unique_ptr<Browse> browse_;
    std::unique_ptr<Header> header_;
    rt::ui::FormatManager* formats_ = nullptr;
    rt::ui::ColumnTracker tracker_;
    std::vector<std::unique_ptr<rt::ui::ScrollStep>> steps_;
    std::vector<std::unique_ptr<rt::ui::Locator>> locators_;
    int list_ = 0;
    int tabs_ = 0;
    int norecords_ = 0;
    bool sorted_ = false;  // the first order was applied
    bool format_switch_ = true;
};

}  // namespace kvadrin
