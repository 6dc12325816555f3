// The services form: code, name and unit of measure, the calculation method and the
// invoice column, each stored as the text of its chosen radio button.
#include <memory>
#include <string>

#include "billing/kvd004_browse_obaveze.h"
#include "data/access.h"
#include "data/tables.h"
#include "shell/form.h"

namespace kvadrin {
namespace {

constexpr const char* kName = "UpdateOBAVEZE";

const rt::RecordLayout& ObaLayout() { return table_def(TableId::OBAVEZE).layout; }

class UpdateObavezeController : public FormController {
public:
    explicit UpdateObavezeController(ProcedureObjects& o) : FormController(o, Parts(o.window)) {}

    // A new service: method "Fiksno", column "Ostalo"; code, name and unit empty.
    void DefaultFields() override {
        OBA.NACIN = "Fiksno";
        OBA.KOLONA = "Ostalo";
        FormController::DefaultFields();
    }

private:
    static FormParts Parts(rt::ui::Window& w) {
        FormParts p;
        p.updated = Relate::OBAVEZE();
        p.cascade = true;
        p.history = FormHistory(kName, ObaLayout());
        p.recall_fields = RecallFields(w, ObaLayout());
        p.first_field = w.Feq("?OBA:SIFRA:PROMPT");
        return p;
    }
};

}  // namespace

void UpdateOBAVEZE() {
    RunWindowProcedure(
        kName, WindowKind::Form, UpdateObavezeWindow(),
        [](rt::ui::Window& w) {
            BindFormFields(w, {{ObaLayout(), &OBA}});
        },
        [](ProcedureObjects& o) { return std::make_unique<UpdateObavezeController>(o); });
}

}  // namespace kvadrin
