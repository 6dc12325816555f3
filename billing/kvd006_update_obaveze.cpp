// The services form: code, name and unit of measure, the calculation method and the
// invoice column, each stored as the text of its chosen radio button.
#include "billing/kvd004_browse_obaveze.h"
#include "data/access.h"
#include "data/tables.h"
#include "shell/form.h"

namespace kvadrin {
namespace {

class UpdateObavezeController : public FormController {
public:
    explicit UpdateObavezeController(ProcedureObjects& o)
        : FormController(o, {.updated = Relate::OBAVEZE(), .cascade = true}) {}

    // A new service: method "Fiksno", column "Ostalo"; code, name and unit empty.
    void DefaultFields() override {
        OBA.NACIN = "Fiksno";
        OBA.KOLONA = "Ostalo";
        FormController::DefaultFields();
    }
};

}  // namespace

void UpdateOBAVEZE() {
    RunForm<UpdateObavezeController>("UpdateOBAVEZE", UpdateObavezeWindow(),
                                     {{table_def(TableId::OBAVEZE).layout, &OBA}});
}

}  // namespace kvadrin
