// The clauses browse: the clauses in number order, the form for insert, change, delete and
// view.
#include "billing/kvd028_browse_klauzul.h"

#include <memory>

#include "data/access.h"
#include "data/tables.h"
#include "shell/browse.h"
#include "shell/kvd001_main.h"

namespace kvadrin {
namespace {

class BrowseKlauzulController : public BrowseProcedure {
public:
    explicit BrowseKlauzulController(ProcedureObjects& o) : BrowseProcedure(o, Definition()) {}

protected:
    void CallUpdate(int) override { UpdateSKLAUZUL(); }

private:
    static BrowseDefinition Definition() {
        BrowseDefinition d;
        d.table = &Files::SKLAUZUL();
        d.relation = Relate::SKLAUZUL();
        // One tab: the number order with a numeric step and an entry locator.
        d.orders = {{.key = "SKL:Po_sifri", .locator_field = "SKL:SIFRA", .text_key = false}};
        d.fields = {"SKL:SIFRA", "SKL:OPIS"};
        return d;
    }
};

}  // namespace

void BrowseKlauzul() {
    RunWindowProcedure("BrowseKlauzul", WindowKind::Browse, BrowseKlauzulWindow(), {},
                       [](ProcedureObjects& o) { return std::make_unique<BrowseKlauzulController>(o); });
}

void RegisterClausesMenu() { SetMenuProcedure("BrowseKlauzul", BrowseKlauzul); }

}  // namespace kvadrin
