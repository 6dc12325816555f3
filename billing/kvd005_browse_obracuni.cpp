// The billing-run browse: every run in number order, locked runs in grey, and the command
// "PARAMETRI ZA OBRAČUN", which sums the units into the process-wide unit totals and
// opens the run's price list.
#include "billing/kvd005_browse_obracuni.h"

#include <memory>

#include "data/access.h"
#include "data/globals.h"
#include "data/keys.h"
#include "data/tables.h"
#include "platform/core/text.h"
#include "shell/browse.h"
#include "shell/kvd001_main.h"

namespace kvadrin {

int SumUnitTotals() {
    UKPOVRSINA = 0.0;
    UKPOVRSINAGR = 0.0;
    UKOSOBA = 0.0;
    UKOSOBABEZVODOMERA = 0.0;
    UKJEDINICA = 0;
    rt::File& kvadrin = Files::KVADRIN();
    kvadrin.Clear();
    if (const int rc = kvadrin.SetFrom(KVD_Po_broju)) return rc;
    for (;;) {
        const int rc = kvadrin.Next();
        if (rc == rt::kRecordNotAvailable) return 0;
        if (rc != rt::kNoError) return rc;
        UKJEDINICA = static_cast<std::int16_t>(UKJEDINICA + 1);
        UKPOVRSINA += KVD.POVRSINA;
        UKPOVRSINAGR += KVD.POVRSINAGR;
        UKOSOBA += KVD.BROJOSOBA;
        if (rt::equal_clipped(KVD.VODOMER.view(), "Ne")) UKOSOBABEZVODOMERA += KVD.BROJOSOBA;
    }
}

namespace {

constexpr std::int32_t kGrey = 0x808080;

class BrowseObracuniController : public BrowseProcedure {
public:
    static void CheckFields() { CheckBrowseFields("BrowseObracuni", Definition()); }
    explicit BrowseObracuniController(ProcedureObjects& o) : BrowseProcedure(o, Definition()) {}

    // The units are read directly by the command.
    int Setup() override {
        const int level = BrowseProcedure::Setup();
        if (level != rt::ui::kLevelGoOn) return level;
        if (rt::RelationManager* r = Relate::KVADRIN()) {
            OpenRelation(*r);
            r->Me().UseTable(rt::kUseOpen);
        }
        return level;
    }

    // "PARAMETRI ZA OBRAČUN": the unit totals first, then the price list of the run (the
    // browse's own button). A failed read of the units is reported and opens nothing.
    int OnAccepted() override {
        rt::ui::Window& w = window();
        if (w.field() == w.Feq("?BUTTONNORECORDS") && SumUnitTotals() != rt::kNoError) {
            Relate::KVADRIN()->Me().ReportError(rt::Msg::RetrievalError);
            w.Select(list());
            return rt::ui::kLevelConsumed;
        }
        return BrowseProcedure::OnAccepted();
    }

protected:
    void CallUpdate(int) override { UpdateOBRAC(); }

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
        d.orders = {{"OBR:Po_obracunu", "OBR:OBRACUN", false, false, {}}};
        d.fields = {"OBR:OBRACUN", "OBR:NAZIV", "OBR:DATUM", "OBR:VALUTA"};
        d.hidden = {"OBR:ZAKLJUCAN"};
        d.buttons = {{"?BUTTONNORECORDS", rt::utf8_to_cp1250("PARAMETRI ZA OBRAČUN"), [] { BrowseCene(); }}};
        return d;
    }
};

}  // namespace

void CheckBrowseObracuniFields() { BrowseObracuniController::CheckFields(); }

void BrowseObracuni() {
    RunWindowProcedure("BrowseObracuni", WindowKind::Browse, BrowseObracuniWindow(), {},
                       [](ProcedureObjects& o) { return std::make_unique<BrowseObracuniController>(o); });
}

void RegisterBillingMenu() { SetMenuProcedure("BrowseObracuni", BrowseObracuni); }

}  // namespace kvadrin
