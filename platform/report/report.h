// A report being printed: its resource with the variables its controls show, the bands
// the procedure prints (rtl_print) laid out into pages as they come, the totals, and the
// breaks of the report's own structure.
//
// Layout: the page header opens every page and the page footer closes it. Bands of the
// flow follow each other down the detail area; a band that does not fit the rest of the
// page (or would run into a band fixed on it) starts a new page, and a band is never
// split. A fixed band stands at its own place on the page; when the flow has passed that
// place it goes on a new page. A band with page_after makes the next band start a new
// page. A report that printed no band still has one page with its header and footer.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/report/document.h"
#include "platform/report/resource.h"
#include "platform/ui/window.h"

namespace rt::report {

class Report {
public:
    explicit Report(const ReportDef& def);
    ~Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    const ReportDef& def() const { return *def_; }

    // The variable a name stands for, for every control and break variable that uses it;
    // BindAll asks `resolve` for each name not bound yet (an unbound name shows blank).
    void Use(std::string_view name, ui::Binding binding);
    void BindAll(const std::function<ui::Binding(std::string_view)>& resolve);

    // A control's text: a String's text, an Image's file name.
    void SetText(std::string_view label, std::string_view text);
    std::string GetText(std::string_view label) const;

    // Starts the document afresh.
    void Open();
    bool IsOpen() const { return open_; }
    // Prints a band: 0, or -1 for a band the report does not have (or a closed report).
    int Print(std::string_view band);
    // Prints the footers of the open groups and closes the last page; the report is then
    // closed and its document handed over.
    Document Finish();
    // Bands printed so far (page headers and footers not counted).
    int Pages() const { return static_cast<int>(doc_.pages.size()); }

private:
    struct Evaluated {
        const Band* band = nullptr;
        std::vector<Item> items;  // relative to the band
    };
    struct TotalState {
        double value = 0;
    };
    struct BreakState {
        const Break* def = nullptr;
        bool open = false;
        std::string last;
        Evaluated footer;  // the footer as it stood when the group's last band printed
        const Band* footer_band = nullptr;
        const Band* header_band = nullptr;
    };

    ui::Binding BindingOf(const std::string& name) const;
    Item Evaluate(const Control& c, const Band& band);
    Evaluated EvaluateBand(const Band& band);
    void Tally(const Band& band);
    void ResetTotals(Reset reset, const Break* within);
    void PrintBand(const Band& band, bool in_break_handling = false);
    void Place(const Evaluated& e);
    void MakeRoom(const Band& band);
    void StartPage();
    void EndPage();
    BreakState* BreakOf(const Band& band);
    void CloseGroup(BreakState& b);
    TotalState& TotalOf(const Control& c);

    const ReportDef* def_;
    std::map<std::string, ui::Binding, std::less<>> bindings_;
    std::map<std::string, std::string, std::less<>> texts_;  // control texts set by the procedure
    std::map<const Control*, TotalState> totals_;
    std::vector<BreakState> breaks_;
    Document doc_;
    bool open_ = false;
    bool page_open_ = false;
    bool new_page_next_ = false;
    double flow_y_ = 0;
    struct Region {
        double top, bottom;
    };
    std::vector<Region> fixed_;  // the fixed bands of the current page
    long printed_ = 0;
};

// Prints one band of the report.
inline int rtl_print(Report& report, std::string_view band) { return report.Print(band); }

}  // namespace rt::report
