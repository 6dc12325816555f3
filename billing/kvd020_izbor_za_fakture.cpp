// The choice of a run for its invoices: every billing run in number order, locked runs in
// grey (they can still be opened), and "&FAKTURE PO OBRAČUNU", which opens the invoices of
// the highlighted run.
#include "billing/kvd020_izbor_za_fakture.h"

#include <memory>

#include "data/access.h"
#include "data/keys.h"
#include "data/tables.h"
#include "platform/core/text.h"
#include "shell/browse.h"
#include "shell/kvd001_main.h"

namespace kvadrin {
namespace {

constexpr std::int32_t kGrey = 0x808080;

class IzborZaFaktureController : public BrowseProcedure {
public:
    static void CheckFields() { CheckBrowseFields("IzborZaFakture", Definition()); }
    explicit IzborZaFaktureController(ProcedureObjects& o) : BrowseProcedure(o, Definition()) {}

    int Setup() override {
        const int level = BrowseProcedure::Setup();
        if (level != rt::ui::kLevelGoOn) return level;
        if (rt::RelationManager* r = Relate::SKLAUZUL()) OpenRelation(*r);
        if (rt::FileManager* kvadrin = Access::KVADRIN()) kvadrin->UseTable(rt::kUseOpen);
        return level;
    }

    // The run's clause is looked up before the invoices open (they look it up again).
    int OnAccepted() override {
        rt::ui::Window& w = window();
        if (w.field() == w.Feq("?BUTTONNORECORDS")) {
            Files::SKLAUZUL().Clear();
            SKL.SIFRA = OBR.OBRACUN;
            if (rt::FileManager* skl = Access::SKLAUZUL()) skl->TryFetch(SKL_Po_sifri);
        }
        return BrowseProcedure::OnAccepted();
    }

protected:
    // A locked run in grey, and on a grey bar when selected.
    void UpdateViewPosition() override {
        if (OBR.ZAKLJUCAN != 0) browse().SetRowColors({kGrey, -1, -1, kGrey});
    }

private:
    static BrowseDefinition Definition() {
        BrowseDefinition d;
        d.table = &Files::OBRAC();
        d.relation = Relate::OBRAC();
        d.cascade_open = true;
        d.orders = {{.key = "OBR:Po_obracunu", .locator_field = "OBR:OBRACUN", .text_key = false}};
        d.fields = {"OBR:OBRACUN", "OBR:NAZIV", "OBR:DATUM", "OBR:VALUTA"};
        d.hidden = {"OBR:ZAKLJUCAN"};
        d.has_form = false;
        d.buttons = {{.label = "?BUTTONNORECORDS",
                      .text = rt::utf8_to_cp1250("&FAKTURE PO OBRAČUNU"),
                      .call = [] { BrowseSFAKT(); }}};
        return d;
    }
};

}  // namespace

void CheckIzborZaFaktureFields() { IzborZaFaktureController::CheckFields(); }

void IzborZaFakture() {
    RunWindowProcedure("IzborZaFakture", WindowKind::Browse, IzborZaFaktureWindow(), {},
                       [](ProcedureObjects& o) { return std::make_unique<IzborZaFaktureController>(o); });
}

void RegisterInvoicesMenu() { SetMenuProcedure("IzborZaFakture", IzborZaFakture); }

}  // namespace kvadrin
