// The customers browse: the customers in code order or as the view delivers them, the
// form for insert, change, delete and view, and select mode for the unit form's lookup.
#include "billing/kvd011_browse_nazivi.h"

#include <memory>

#include "data/access.h"
#include "data/tables.h"
#include "shell/browse.h"

namespace kvadrin {
namespace {

class BrowseNaziviController : public BrowseProcedure {
public:
    static void CheckFields() { CheckBrowseFields("BrowseNazivi", Definition()); }
    explicit BrowseNaziviController(ProcedureObjects& o) : BrowseProcedure(o, Definition()) {}

protected:
    void CallUpdate(int) override { UpdateNaziviN05(); }
    // A header click sorts with the code's entry locator, whichever tab is current.
    rt::ui::Locator* HeaderSortLocator() override { return browse().LocatorOf(browse().Orders()); }

private:
    static BrowseDefinition Definition() {
        BrowseDefinition d;
        d.table = &Files::NAZIVI();
        d.relation = Relate::NAZIVI();
        // First tab: the code order (the default); second tab: no key, no locator.
        d.orders = {{.key = "NAZ:PO_KONTU", .locator_field = "NAZ:ANALITIKA"}, {}};
        d.fields = {"NAZ:ANALITIKA", "NAZ:NAZIV1", "NAZ:ADRESA",  "NAZ:SEDISTE",
                    "NAZ:ZIRORACUN", "NAZ:TEKUCI", "NAZ:KONTAKT", "NAZ:TELEFONI"};
        return d;
    }
};

}  // namespace

void CheckBrowseNaziviFields() { BrowseNaziviController::CheckFields(); }

void BrowseNazivi() {
    RunWindowProcedure("BrowseNazivi", WindowKind::Browse, BrowseNaziviWindow(), {},
                       [](ProcedureObjects& o) { return std::make_unique<BrowseNaziviController>(o); });
}

}  // namespace kvadrin
