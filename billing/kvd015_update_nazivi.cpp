// The customer form: the code (fixed once the customer exists), the name lines, address,
// seat, tax number, bank account, contact and telephones.
#include "billing/kvd011_browse_nazivi.h"
#include "data/access.h"
#include "data/globals.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/text.h"
#include "shell/form.h"

namespace kvadrin {
namespace {

class UpdateNaziviController : public FormController {
public:
    explicit UpdateNaziviController(ProcedureObjects& o) : FormController(o, {.updated = Relate::NAZIVI()}) {}

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
};

}  // namespace

void UpdateNaziviN05() {
    RunForm<UpdateNaziviController>("UpdateNaziviN05", UpdateNaziviWindow(),
                                    {{table_def(TableId::NAZIVI).layout, &NAZ}});
}

}  // namespace kvadrin
