// The list of tenants. Before anything is opened the user chooses the order in "Select the
// Order" (double click, OK or Cancel; Cancel ends the procedure without a table opened or
// anything printed). The view of the units with their partners is sorted by the chosen
// order; the units browse's query, handed over in QBEFILTER, filters it once and is
// cleared, so the next list without a query shows every unit.
#include "billing/kvd010_ispis_stanara.h"

#include <string>

#include "billing/kvd003_browse_kvadrin.h"
#include "billing/report_frame.h"
#include "data/access.h"
#include "data/globals.h"
#include "data/keys.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/text.h"

namespace kvadrin {
namespace {

using namespace rt::ui;

constexpr const char* kName = "IspisStanara";

// The list's entries and the order each gives the view.
struct Order {
    const char* entry;  // UTF-8
    const char* text;
};
constexpr Order kOrders[] = {
    {"PO STANU", "+KVD:BROJ"},
    {"PO VLASNIKU", "+KVD:VLASNIK"},
    {"PO ŠIFRI VLASNIKA", "+KVD:ShKorisnika"},
};

// The sort choice: the chosen entry's text (CP1250), blank when the user cancelled.
std::string ChooseOrder(bool& cancelled) {
    cancelled = true;
    std::string choice;
    Window w(SortSelectionWindow());
    w.SetProcedureName(kSortSelectionProcedure);
    const int list = w.Feq("?SORTSELECTIONLIST");
    const int ok = w.Feq("?SBUTTONOK");
    const int cancel = w.Feq("?SBUTTONCANCEL");
    std::vector<std::vector<std::string>> rows;
    for (const Order& o : kOrders) rows.push_back({rt::utf8_to_cp1250(o.entry)});
    w.SetRows(list, rows);
    w.Open();
    w.Set(list, Prop::Selected, 1);
    w.Alert(list, Key::MouseLeft2);
    w.Select(list);
    auto chosen = [&] {
        const long row = w.Get(list, Prop::Selected);
        return row >= 1 && row <= static_cast<long>(rows.size()) ? rows[static_cast<std::size_t>(row - 1)][0]
                                                                 : std::string();
    };
    while (w.Accept()) {
        const int event = w.event();
        if (event == Event::CloseWindow || event == Event::CloseDown) break;
        const bool double_click =
            event == Event::AlertKey && w.field() == list && w.keycode() == Key::MouseLeft2;
        if (double_click || (event == Event::Accepted && w.field() == ok)) {
            choice = chosen();
            cancelled = false;
            w.Post(Event::CloseWindow);
        } else if (event == Event::Accepted && w.field() == cancel) {
            choice.clear();
            cancelled = true;
            w.Post(Event::CloseWindow);
        }
    }
    if (cancelled) choice.clear();
    w.Close();
    return choice;
}

class Controller;

class TenantProcess : public rt::report::ProcessManager {
public:
    explicit TenantProcess(Controller& c) : c_(c) {}
    int OnRecord() override;

private:
    Controller& c_;
};

class Controller : public ReportFrame {
public:
    explicit Controller(ProcedureObjects& o) : ReportFrame(o, IspisStanaraReport(), kName), process_(*this) {
        report().Use("PRAZNO", Binding::OfText(&break_value_));
    }

    void PrintLine() { report().Print("?DETAIL"); }

protected:
    int BeforeTables() override {
        bool cancelled = true;
        SORTSELECTIONLIST_ = ChooseOrder(cancelled);
        return cancelled ? kLevelFatal : kLevelGoOn;
    }

    void OpenTables() override {
        OpenRelation(*Relate::KVADRIN());
        OpenRelation(*Relate::NAZIVI());
    }

    rt::report::ProcessManager& Process() override { return process_; }

    void DefineView(rt::report::ProcessManager& p) override {
        // Progress by the records read of all the table holds.
        p.Setup(Files::KVADRIN(), Relate::KVADRIN(), &window(), window().Feq("?PROGRESS:THERMOMETER"));
        p.DefineSortOrder();
        const std::string chosen = rt::upper(rt::clip(SORTSELECTIONLIST_));
        for (const Order& o : kOrders)
            if (chosen == rt::upper(rt::utf8_to_cp1250(o.entry))) p.AppendOrder(o.text);
        p.AddJoin(Files::NAZIVI(), NAZ_PO_KONTU, {"KVD:SHKORISNIKA"});
        p.Project({"KVD:BROJ", "KVD:BROJOSOBA", "KVD:KALORIMETAR", "KVD:POVRSINA", "KVD:POVRSINAGR",
                   "KVD:POVRSINAOST", "KVD:TELEFON", "KVD:VLASNIK", "KVD:VODOMER", "KVD:SHKORISNIKA",
                   "NAZ:ANALITIKA", "NAZ:NAZIV1"});
    }

    // The query's filter applies to this list only: taken over and cleared as the view
    // opens.
    int BeginReport() override {
        const std::string filter = rt::clip(QBEFILTER.str());
        if (!filter.empty()) {
            process_.DefineFilter(filter);
            const std::string error = process_.ComposeFilter();
            QBEFILTER = "";
            if (!error.empty()) {
                Message(rt::utf8_to_cp1250("Upit se ne može primeniti na spisak stanara: ") + error,
                        "Spisak stanara", Icon::Exclamation);
                return 1;
            }
        }
        return ReportFrame::BeginReport();
    }

private:
    TenantProcess process_;
    std::string SORTSELECTIONLIST_;
    std::string break_value_;  // the report's break never changes: its footer prints once
};

int TenantProcess::OnRecord() {
    const int level = ProcessManager::OnRecord();
    c_.PrintLine();
    return level;
}

}  // namespace

void IspisStanara() {
    RunWindowProcedure(kName, WindowKind::Report, IspisStanaraProgressWindow(), {},
                       [](ProcedureObjects& o) { return std::make_unique<Controller>(o); });
}

}  // namespace kvadrin
