// The price form: the service (looked up in the services register), its quantity and its
// total cost for the run; from these the plain price and the price of the service's
// method over the unit totals that "PARAMETRI ZA OBRAČUN" gathered.
#include <cmath>
#include <memory>
#include <string>

#include "billing/kvd004_browse_obaveze.h"
#include "billing/kvd005_browse_obracuni.h"
#include "billing/price_method.h"
#include "data/access.h"
#include "data/globals.h"
#include "data/keys.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/numeric.h"
#include "platform/core/text.h"
#include "shell/form.h"

namespace kvadrin {
namespace {

// a / b, or 0 when b is zero or the quotient is not finite; a zero divisor's name (UTF-8)
// joins `zero`.
double Share(double a, double b, const char* divisor, std::string& zero) {
    if (b == 0.0) {
        zero += (zero.empty() ? "" : "; ") + std::string(divisor) + " je 0";
        return 0.0;
    }
    const double q = rt::divide(a, b);
    return std::isfinite(q) ? q : 0.0;
}

}  // namespace

std::string ComputePrices(double& price) {
    std::string zero;
    CEN.CENA = Share(CEN.UKUPNO, CEN.KOLICINA, "količina", zero);
    const bool water = rt::equal_clipped(OBA.KOLONA.view(), "Voda");
    switch (PriceMethodOf(OBA.NACIN.view())) {
        case PriceMethod::Area:
            price = Share(CEN.UKUPNO, UKPOVRSINA, "ukupna površina", zero);
            CEN.CENAPOVR = price;
            break;
        case PriceMethod::HeatedArea:
            price = Share(CEN.UKUPNO, UKPOVRSINAGR, "ukupna grejna površina", zero);
            CEN.CENAGRPOVRS = price;
            break;
        case PriceMethod::Person:
            if (water) {
                // Water per person: over the persons of units without a water meter, or, when
                // there are none, the plain price.
                price = UKOSOBABEZVODOMERA != 0.0
                            ? Share(CEN.UKUPNO, UKOSOBABEZVODOMERA, "broj osoba bez vodomera", zero)
                            : double(CEN.CENA);
                CEN.CENAVODA = price;
            } else {
                price = Share(CEN.UKUPNO, UKOSOBA, "ukupan broj osoba", zero);
                CEN.CENAOSOBA = price;
            }
            break;
        case PriceMethod::Unit:
            price = Share(CEN.UKUPNO, static_cast<double>(UKJEDINICA), "ukupan broj stanova", zero);
            CEN.CENASTAN = price;
            break;
        case PriceMethod::Fixed:
            price = CEN.CENA;
            CEN.CENAFIKSNO = price;
            break;
        case PriceMethod::None: break;
    }
    if (zero.empty()) return {};
    zero[0] = static_cast<char>(zero[0] - 'a' + 'A');
    return rt::utf8_to_cp1250(zero + " - cena se ne može izračunati i upisuje se 0.");
}

namespace {

constexpr const char* kName = "UpdateCENE";

const rt::RecordLayout& CenLayout() { return table_def(TableId::CENE).layout; }

// What the form shows besides the record: the price of the method, and a note on a total
// that is zero.
struct Shown {
    double price = 0.0;
    std::string note;  // CP1250
};

class UpdateCeneController : public FormController {
public:
    UpdateCeneController(ProcedureObjects& o, Shown& shown)
        : FormController(o, Parts(o.window)), shown_(shown) {
        code_ = o.window.Feq("?CEN:SIFRA");
        total_ = o.window.Feq("?CEN:UKUPNO");
        FormLookup l;
        l.entry = code_;
        l.button = o.window.Feq("?CALLLOOKUP");
        l.table = Access::OBAVEZE();
        l.key = OBA_Po_sifri;
        l.to_key = [] { OBA.SIFRA = CEN.SIFRA.view(); };
        l.from_key = [] { CEN.SIFRA = OBA.SIFRA.view(); };
        AddLookup(std::move(l));
    }

    // The services and runs are read directly; a row that exists shows its prices at once.
    int Setup() override {
        const int level = FormController::Setup();
        if (level != rt::ui::kLevelGoOn) return level;
        for (rt::FileManager* fm : {Access::OBAVEZE(), Access::OBRAC()})
            if (fm) fm->UseTable(rt::kUseOpen);
        if (REQUEST != InsertRecord) Compute();
        return level;
    }

    // The service's code must name a service; the total and OK compute the prices.
    int OnAccepted() override {
        rt::ui::Window& w = window();
        const int feq = w.field();
        const int level = FormController::OnAccepted();
        if (level != rt::ui::kLevelGoOn) return level;
        if (feq == code_ && REQUEST != ViewRecord && Access::CENE()->CheckField(2, false) != 0) {
            w.Select(code_);
            w.Set(0, rt::ui::Prop::AcceptAll, 0);
            return rt::ui::kLevelConsumed;
        }
        if (feq == total_ || feq == w.Feq("?OK")) Compute();
        return level;
    }

protected:
    void CallUpdate(int) override { BrowseObaveze(); }

private:
    void Compute() {
        shown_.note = ComputePrices(shown_.price);
        window().Display();
    }

    static FormParts Parts(rt::ui::Window& w) {
        FormParts p;
        p.updated = Relate::CENE();
        p.cascade = true;
        p.history = FormHistory(kName, CenLayout());
        p.recall_fields = RecallFields(w, CenLayout());
        p.first_field = w.Feq("?CEN:SIFRA:PROMPT");
        return p;
    }

    Shown& shown_;
    int code_ = 0, total_ = 0;
};

}  // namespace

void UpdateCENE() {
    Shown shown;
    RunWindowProcedure(
        kName, WindowKind::Form, UpdateCeneWindow(),
        [&shown](rt::ui::Window& w) {
            BindFormFields(w, {{CenLayout(), &CEN}, {table_def(TableId::OBAVEZE).layout, &OBA}});
            w.Use(w.Feq("?OBRACUNCENA"), rt::ui::Binding::OfReal(&shown.price));
            w.Use(w.Feq("?NAPOMENA"), rt::ui::Binding::OfText(&shown.note));
        },
        [&shown](ProcedureObjects& o) { return std::make_unique<UpdateCeneController>(o, shown); });
}

}  // namespace kvadrin
