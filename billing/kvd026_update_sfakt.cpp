// The invoice form: its unit (looked up in the units register, the unit's owner and the
// partner of the unit's customer code shown beside it), the customer, which follows the
// unit, and the earlier debt. The column amounts and the total are the items' and are
// only shown.
#include <memory>

#include "billing/kvd003_browse_kvadrin.h"
#include "billing/kvd020_izbor_za_fakture.h"
#include "data/access.h"
#include "data/keys.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/text.h"
#include "shell/form.h"

namespace kvadrin {
namespace {

constexpr const char* kName = "UpdateSFAKT";

const rt::RecordLayout& SfaLayout() { return table_def(TableId::SFAKT).layout; }
const rt::RecordLayout& KvdLayout() { return table_def(TableId::KVADRIN).layout; }
const rt::RecordLayout& NazLayout() { return table_def(TableId::NAZIVI).layout; }

class UpdateSfaktController : public FormController {
public:
    explicit UpdateSfaktController(ProcedureObjects& o) : FormController(o, Parts(o.window)) {
        unit_ = o.window.Feq("?SFA:BROJSTANA");
        FormLookup unit;
        unit.entry = unit_;
        unit.button = o.window.Feq("?CALLLOOKUP");
        unit.table = Access::KVADRIN();
        unit.key = KVD_Po_broju;
        unit.to_key = [] { KVD.BROJ = SFA.BROJSTANA.view(); };
        unit.from_key = [] { SFA.BROJSTANA = KVD.BROJ.view(); };  // cut to the field's six characters
        unit.then = [this] { return TakeUnitsCustomer(); };
        AddLookup(std::move(unit));
        // The partner of the unit's customer code, shown beside the code.
        FormLookup partner;
        partner.table = Access::NAZIVI();
        partner.key = NAZ_PO_KONTU;
        partner.to_key = [] { NAZ.ANALITIKA = KVD.SHKORISNIKA.view(); };
        AddLookup(std::move(partner));
    }

    int Setup() override {
        const int level = FormController::Setup();
        if (level != rt::ui::kLevelGoOn) return level;
        for (rt::FileManager* fm : {Access::KVADRIN(), Access::OBRAC()})
            if (fm) fm->UseTable(rt::kUseOpen);
        return level;
    }

protected:
    void CallUpdate(int) override { BrowseKvadrin(); }

private:
    // Once the unit entry is accepted: a unit number that names no unit keeps the focus
    // on the entry (the OK check stops there); a unit's customer becomes the invoice's.
    // Without a unit there is no owner to take, and the customer stays.
    int TakeUnitsCustomer() {
        rt::ui::Window& w = window();
        if (rt::clip(SFA.BROJSTANA.str()).empty()) return rt::ui::kLevelGoOn;
        auto* sfakt = dynamic_cast<FileManagerSFAKT*>(Access::SFAKT());
        const int field = SfaLayout().field_index("SFA:BROJSTANA") + 1;
        if (sfakt && sfakt->ProveriSfakt(field, false) != rt::Level::Benign) {
            w.Select(unit_);
            return rt::ui::kLevelConsumed;
        }
        SFA.SHKORISNIKA = KVD.SHKORISNIKA.view();
        w.Display();
        return rt::ui::kLevelGoOn;
    }

    static FormParts Parts(rt::ui::Window& w) {
        FormParts p;
        p.updated = Relate::SFAKT();
        p.opened = Relate::NAZIVI();
        p.cascade = true;
        p.history = FormHistory(kName, SfaLayout());
        p.recall_fields = RecallFields(w, SfaLayout());
        p.first_field = w.Feq("?SFA:BROJSTANA:PROMPT");
        return p;
    }

    int unit_ = 0;
};

}  // namespace

void UpdateSFAKT() {
    RunWindowProcedure(
        kName, WindowKind::Form, UpdateSfaktWindow(),
        [](rt::ui::Window& w) {
            BindFormFields(w, {{SfaLayout(), &SFA}, {KvdLayout(), &KVD}, {NazLayout(), &NAZ}});
        },
        [](ProcedureObjects& o) { return std::make_unique<UpdateSfaktController>(o); });
}

}  // namespace kvadrin
