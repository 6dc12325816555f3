// The services browse: the services in code or name order, the form for insert, change,
// delete and view, the print button, and select mode for the lookups of the price and
// invoice-item forms.
#include "billing/kvd004_browse_obaveze.h"

#include <memory>

#include "data/access.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "shell/browse.h"
#include "shell/kvd001_main.h"

namespace kvadrin {
namespace {

class BrowseObavezeController : public BrowseProcedure {
public:
    explicit BrowseObavezeController(ProcedureObjects& o) : BrowseProcedure(o, Definition()) {}

protected:
    void CallUpdate(int) override { UpdateOBAVEZE(); }

private:
    static BrowseDefinition Definition() {
        BrowseDefinition d;
        d.table = &Files::OBAVEZE();
        d.relation = Relate::OBAVEZE();
        d.cascade_open = true;
        // First tab: the code order (the default); second tab: the name order.
        d.orders = {{.key = "OBA:Po_sifri", .locator_field = "OBA:SIFRA"},
                    {.key = "OBA:Po_nazivu", .locator_field = "OBA:NAZIV"}};
        d.fields = {"OBA:SIFRA", "OBA:NAZIV", "OBA:JM", "OBA:NACIN", "OBA:KOLONA"};
        d.buttons = {{.label = "?BUTTONNORECORDS", .text = "&ISPIS", .call = IspisObaveza}};
        return d;
    }
};

}  // namespace

void BrowseObaveze() {
    RunWindowProcedure("BrowseObaveze", WindowKind::Browse, BrowseObavezeWindow(), {},
                       [](ProcedureObjects& o) { return std::make_unique<BrowseObavezeController>(o); });
}

void RegisterServicesMenu() { SetMenuProcedure("BrowseObaveze", BrowseObaveze); }

}  // namespace kvadrin
