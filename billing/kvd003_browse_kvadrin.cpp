// The units browse: the units in number, name or customer-code order with their owners'
// names, the totals of areas, persons and units over every unit the order, the locator
// and the query let through, the query by example, the print of the tenant list, and
// select mode for the invoice form's lookup.
#include "billing/kvd003_browse_kvadrin.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "data/access.h"
#include "data/globals.h"
#include "data/tables.h"
#include "platform/core/text.h"
#include "shell/browse.h"
#include "shell/kvd001_main.h"

namespace kvadrin {
namespace {

// The procedure's totals, shown under the list.
struct UnitTotals {
    double areas = 0, heated = 0, other = 0, persons = 0;
    std::int32_t units = 0;
};

class BrowseKvadrinController : public BrowseProcedure {
public:
    static void CheckFields() { CheckBrowseFields("BrowseKvadrin", Definition()); }
    BrowseKvadrinController(ProcedureObjects& o, UnitTotals& totals)
        : BrowseProcedure(o, Definition()), totals_(totals) {
        rt::ui::QbeQuery& q = *query();
        q.QKSUPPORT = 1;
        q.QKICON = "QkLoad.ico";
        q.QKMENUICON = "QkQBE.ico";
    }

    int OnWindowEvent() override {
        const int level = BrowseProcedure::OnWindowEvent();
        if (window().event() == rt::ui::Event::AfterResize) PlaceTotals();
        return level;
    }

    int OnAccepted() override {
        rt::ui::Window& w = window();
        const int feq = w.field();
        if (feq == w.Feq("?BUTTONNORECORDS") && !HandOverQuery()) {
            w.Select(list());
            return rt::ui::kLevelConsumed;
        }
        const int level = BrowseProcedure::OnAccepted();
        if (feq == w.Feq("?QUERY")) {
            UpdateComponents();
            w.Select(list());
        }
        return level;
    }

protected:
    void CallUpdate(int) override { UpdateKVADRIN(); }

    // Each unit with its owner; a unit whose owner is missing keeps an empty name.
    void DefineView() override {
        rt::File& naz = Files::NAZIVI();
        view().AddJoin(naz, naz.KeyIndex("NAZ:PO_KONTU"), {"KVD:SHKORISNIKA"});
    }

    // Before each page: the totals over every row of the order with its filters, read
    // without moving the list. A failed read is reported and closes the browse, the
    // totals keeping their values and the page unread.
    bool BeforeLoadPage() override {
        rt::ui::Window& w = window();
        w.SetWaitCursor(true);
        std::vector<double> sums;
        const long units =
            view().Totals({"KVD:POVRSINA", "KVD:POVRSINAGR", "KVD:POVRSINAOST", "KVD:BROJOSOBA"}, sums);
        w.SetWaitCursor(false);
        if (units < 0) {
            Relate::KVADRIN()->Me().ReportError(rt::Msg::RetrievalError);
            w.Post(rt::ui::Event::CloseWindow);
            return false;
        }
        totals_ = {sums[0], sums[1], sums[2], sums[3], static_cast<std::int32_t>(units)};
        for (const char* total : {"?UKPOVRS", "?UKGRPOVRS", "?UKOSTPOVRS", "?UKOSOBA", "?UKKVADRINA"})
            w.Display(w.Feq(total));
        return true;
    }

    // The totals stay under their columns whatever the window's size and the columns'
    // widths in the list's format.
    void AfterLoadPage() override { PlaceTotals(); }

private:
    void PlaceTotals() {
        rt::ui::Window& w = window();
        const std::pair<int, int> under[] = {{5, w.Feq("?UKPOVRS")},
                                             {6, w.Feq("?UKGRPOVRS")},
                                             {7, w.Feq("?UKOSTPOVRS")},
                                             {8, w.Feq("?UKOSOBA")}};
        PlaceUnderColumns(under);
    }

    // QBEFILTER := the query's filter for the tenant list (blank without a query). A
    // filter longer than QBEFILTER holds is refused rather than cut into another one.
    bool HandOverQuery() {
        const std::string filter = query()->BuildFilter();
        if (filter.size() > QBEFILTER.size) {
            QBEFILTER = "";
            // The plain message sounds its own beep.
            rt::ui::Message(rt::utf8_to_cp1250(
                "Upit je predugačak za ispis: uslovi zajedno imaju " + std::to_string(filter.size()) +
                " znakova, a ispis prima najviše " + std::to_string(QBEFILTER.size) + ". Skratite upit."));
            return false;
        }
        QBEFILTER = filter;
        return true;
    }

    static BrowseDefinition Definition() {
        BrowseDefinition d;
        d.table = &Files::KVADRIN();
        d.relation = Relate::KVADRIN();
        d.joined = {&Files::NAZIVI()};
        // Tabs: number (the default), occupant's name, customer code.
        d.orders = {{.key = "KVD:Po_broju", .locator_field = "KVD:BROJ", .filtered = true},
                    {.key = "KVD:Po_vlasniku", .locator_field = "KVD:VLASNIK", .filtered = true},
                    {.key = "KVD:Po_analitici", .locator_field = "KVD:SHKORISNIKA"}};
        d.fields = {"KVD:BROJ",     "KVD:SHKORISNIKA", "NAZ:NAZIV1",      "KVD:VLASNIK",
                    "KVD:POVRSINA", "KVD:POVRSINAGR",  "KVD:POVRSINAOST", "KVD:BROJOSOBA",
                    "KVD:VODOMER",  "KVD:KALORIMETAR", "KVD:TELEFON"};
        d.hidden = {"NAZ:ANALITIKA"};
        d.buttons = {{.label = "?BUTTONNORECORDS", .text = "&ISPIS", .call = IspisStanara}};
        d.query = true;
        return d;
    }

    UnitTotals& totals_;
};

}  // namespace

void CheckBrowseKvadrinFields() { BrowseKvadrinController::CheckFields(); }

void BrowseKvadrin() {
    UnitTotals totals;
    RunWindowProcedure(
        "BrowseKvadrin", WindowKind::Browse, BrowseKvadrinWindow(),
        [&totals](rt::ui::Window& w) {
            w.Use(w.Feq("?UKPOVRS"), rt::ui::Binding::OfReal(&totals.areas));
            w.Use(w.Feq("?UKGRPOVRS"), rt::ui::Binding::OfReal(&totals.heated));
            w.Use(w.Feq("?UKOSTPOVRS"), rt::ui::Binding::OfReal(&totals.other));
            w.Use(w.Feq("?UKOSOBA"), rt::ui::Binding::OfReal(&totals.persons));
            w.Use(w.Feq("?UKKVADRINA"), rt::ui::Binding::OfLong(&totals.units));
        },
        [&totals](ProcedureObjects& o) { return std::make_unique<BrowseKvadrinController>(o, totals); });
}

void RegisterUnitsMenu() { SetMenuProcedure("BrowseKvadrin", BrowseKvadrin); }

}  // namespace kvadrin
