// The customer form: the code (fixed once the customer exists), the name lines, address,
// seat, tax number, bank account, contact and telephones.
#include <memory>

#include "billing/kvd011_browse_nazivi.h"
#include "data/access.h"
#include "data/globals.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/text.h"
#include "shell/form.h"

namespace kvadrin {
namespace {

constexpr const char* kName = "UpdateNaziviN05";

const rt::RecordLayout& NazLayout() { return table_def(TableId::NAZIVI).layout; }

class UpdateNaziviController : public FormController {
public:
    explicit UpdateNaziviController(ProcedureObjects& o) : FormController(o, Parts(o.window)) {}

    // A customer's code cannot be changed.
    int Setup() override {
        const int level = FormController::Setup();
        if (level == rt::ui::kLevelGoOn && REQUEST == ChangeRecord)
            window().Disable(window().Feq("?NAZ:ANALITIKA"));
        return level;
    }
    // A new customer: the firm's address and place.
    void DefaultFields() override {
        NAZ.ADRESA = rt::clip(ADRESA.str());
        NAZ.SEDISTE = rt::clip(MESTO.str());
        FormController::DefaultFields();
    }

private:
    static FormParts Parts(rt::ui::Window& w) {
        FormParts p;
        p.updated = Relate::NAZIVI();
        p.history = FormHistory(kName, NazLayout());
        p.recall_fields = RecallFields(w, NazLayout());
        p.first_field = w.Feq("?NAZ:ANALITIKA:PROMPT");
        return p;
    }
};

}  // namespace

void UpdateNaziviN05() {
    RunWindowProcedure(
        kName, WindowKind::Form, UpdateNaziviWindow(),
        [](rt::ui::Window& w) {
            BindFormFields(w, {{NazLayout(), &NAZ}});
        },
        [](ProcedureObjects& o) { return std::make_unique<UpdateNaziviController>(o); });
}

}  // namespace kvadrin
