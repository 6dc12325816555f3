// The unit form: number, kind, the billed customer (looked up in the owners register),
// the occupant's name, address, place, areas, persons, meters, telephones and the
// coefficient. The kind and the meters store the text of their chosen radio button.
#include "billing/kvd003_browse_kvadrin.h"
#include "billing/kvd011_browse_nazivi.h"
#include "data/access.h"
#include "data/globals.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/text.h"
#include "platform/ui/window.h"
#include "shell/form.h"

namespace kvadrin {
namespace {

// The characters of a unit number that its charge lines and invoices keep (BROJSTANA).
constexpr std::size_t kUnitNumberLength = 6;

const rt::RecordLayout& NazLayout() { return table_def(TableId::NAZIVI).layout; }

class UpdateKvadrinController : public FormController {
public:
    explicit UpdateKvadrinController(ProcedureObjects& o)
        : FormController(o, {.updated = Relate::KVADRIN(), .opened = Relate::NAZIVI(), .cascade = true}),
          code_(o.window.Feq("?KVD:SHKORISNIKA")),
          button_(o.window.Feq("?CALLLOOKUP")),
          number_(o.window.Feq("?KVD:BROJ")) {
        AddLookup({.entry = code_,
                   .button = button_,
                   .table = Access::NAZIVI(),
                   .key = NazLayout().key_index("NAZ:PO_KONTU"),
                   .to_key = [] { NAZ.ANALITIKA = KVD.SHKORISNIKA.str(); },
                   .from_key = [] { KVD.SHKORISNIKA = NAZ.ANALITIKA.str(); }});
    }

    // A new unit: a flat with no meters, coefficient 1, at the firm's address and place.
    void DefaultFields() override {
        KVD.VODOMER = "Ne";
        KVD.KALORIMETAR = "Ne";
        KVD.ADRESA = rt::clip(ADRESA.str());
        KVD.MESTO = rt::clip(MESTO.str());
        KVD.SP = "Stan";
        KVD.KOEFICIJENT = 1.0;
        FormController::DefaultFields();
    }

    // The code's lookup and the lookup button as the form conventions have them; a new
    // unit then takes the customer's name and address, once a customer was found or
    // chosen. A changed unit keeps its own, and so does a new one whose choice was
    // cancelled.
    int OnAccepted() override {
        const int feq = window().field();
        const bool lookup_button = button_ && feq == button_;
        if (feq == number_ && !NumberFits()) return rt::ui::kLevelConsumed;
        const int level = FormController::OnAccepted();
        if (REQUEST != InsertRecord || level != rt::ui::kLevelGoOn) return level;
        if (feq == code_ || (lookup_button && CallResponse == RequestCompleted)) TakeCustomer();
        return level;
    }

    // A unit's number is kept by its charge lines and invoices in six characters: a longer
    // one would be cut there and the invoices would find neither the unit nor its payer.
    int OnCompleted() override {
        if ((REQUEST == InsertRecord || REQUEST == ChangeRecord) && !NumberFits())
            return rt::ui::kLevelConsumed;
        return FormController::OnCompleted();
    }

protected:
    void CallUpdate(int) override { BrowseNazivi(); }

private:
    bool NumberFits() {
        rt::ui::Window& w = window();
        if (w.Get(number_, rt::ui::Prop::ReadOnly)) return true;
        w.Update(number_);
        const std::string number = rt::clip(KVD.BROJ.str());
        if (number.size() <= kUnitNumberLength) return true;
        rt::ui::Message(rt::utf8_to_cp1250("Broj stana \"") + number +
                            rt::utf8_to_cp1250("\" ima više od 6 znakova. Zaduženja i fakture pamte broj "
                                               "stana sa najviše 6 znakova, pa duži broj ne bi našle ni "
                                               "stan ni platioca; unesite kraći broj."),
                        rt::utf8_to_cp1250("Broj stana"), rt::ui::Icon::Exclamation);
        w.Select(number_);
        return false;
    }

    void TakeCustomer() {
        if (NAZ.ANALITIKA.empty()) return;  // no such customer: nothing to take
        KVD.VLASNIK = NAZ.NAZIV1.str();
        if (KVD.ADRESA.str() != NAZ.ADRESA.str()) KVD.ADRESA = NAZ.ADRESA.str();
        window().Display();
    }

    int code_ = 0, button_ = 0, number_ = 0;
};

}  // namespace

void UpdateKVADRIN() {
    RunForm<UpdateKvadrinController>("UpdateKVADRIN", UpdateKvadrinWindow(),
                                     {{table_def(TableId::KVADRIN).layout, &KVD}, {NazLayout(), &NAZ}});
}

}  // namespace kvadrin
