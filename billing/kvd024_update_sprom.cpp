// The item form: the service (looked up in the services register), quantity, price, total
// and the invoice column. A new item takes the invoice's run, customer, unit and the run's
// dates, and the column "Ostalo" (the user chooses it, it is not the service's). The total
// is quantity × price × the coefficient of the invoice's unit, recomputed when the price
// is accepted and when the form is completed.
#include <memory>

#include "billing/kvd004_browse_obaveze.h"
#include "billing/kvd020_izbor_za_fakture.h"
#include "data/access.h"
#include "data/keys.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "shell/form.h"

namespace kvadrin {
namespace {

constexpr const char* kName = "UpdateSPROM";

const rt::RecordLayout& SprLayout() { return table_def(TableId::SPROM).layout; }
const rt::RecordLayout& ObaLayout() { return table_def(TableId::OBAVEZE).layout; }

class UpdateSpromController : public FormController {
public:
    explicit UpdateSpromController(ProcedureObjects& o) : FormController(o, Parts(o.window)) {
        price_ = o.window.Feq("?SPR:CENA");
        total_ = o.window.Feq("?SPR:UKUPNO");
        FormLookup l;
        l.entry = o.window.Feq("?SPR:SIFRA");
        l.button = o.window.Feq("?CALLLOOKUP");
        l.table = Access::OBAVEZE();
        l.key = OBA_Po_sifri;
        l.to_key = [] { OBA.SIFRA = SPR.SIFRA.view(); };
        l.from_key = [] { SPR.SIFRA = OBA.SIFRA.view(); };
        AddLookup(std::move(l));
    }

    int Setup() override {
        const int level = FormController::Setup();
        if (level != rt::ui::kLevelGoOn) return level;
        for (rt::FileManager* fm : {Access::SFAKT(), Access::KVADRIN()})
            if (fm) fm->UseTable(rt::kUseOpen);
        return level;
    }

    // The list primed the run and the customer; the rest comes from the invoice and its run.
    void DefaultFields() override {
        SPR.DATUM = OBR.DATUM;
        SPR.VALUTA = OBR.VALUTA;
        SPR.BROJSTANA = SFA.BROJSTANA.view();
        SPR.KOLONA = "Ostalo";
        FormController::DefaultFields();
    }

    int OnAccepted() override {
        const int feq = window().field();
        const int level = FormController::OnAccepted();
        if (level == rt::ui::kLevelGoOn && (feq == price_ || feq == ok())) {
            // The unit's coefficient is part of every recomputed total.
            SPR.UKUPNO = SPR.KOLICINA * SPR.CENA * KVD.KOEFICIJENT;
            window().Display(total_);
        }
        return level;
    }

protected:
    void CallUpdate(int) override { BrowseObaveze(); }

private:
    int ok() const { return window().Feq("?OK"); }

    static FormParts Parts(rt::ui::Window& w) {
        FormParts p;
        p.updated = Relate::SPROM();
        p.opened = Relate::OBRAC();
        p.cascade = true;
        p.history = FormHistory(kName, SprLayout());
        p.recall_fields = RecallFields(w, SprLayout(),
                                       {"SPR:SIFRA", "SPR:KOLICINA", "SPR:CENA", "SPR:UKUPNO", "SPR:KOLONA"});
        p.first_field = w.Feq("?SPR:SIFRA:PROMPT");
        return p;
    }

    int price_ = 0, total_ = 0;
};

}  // namespace

void UpdateSPROM() {
    RunWindowProcedure(
        kName, WindowKind::Form, UpdateSpromWindow(),
        [](rt::ui::Window& w) {
            BindFormFields(w, {{SprLayout(), &SPR}, {ObaLayout(), &OBA}});
        },
        [](ProcedureObjects& o) { return std::make_unique<UpdateSpromController>(o); });
}

}  // namespace kvadrin
