// The price form: the service (looked up in the services register), its quantity and its
// total cost for the run; from these the plain price and the price of the service's
// method over the unit totals that "PARAMETRI ZA OBRAČUN" gathered.
#include <cmath>
#include <string>

#include "billing/kvd005_browse_obracuni.h"
#include "data/globals.h"
#include "data/tables.h"
#include "platform/core/numeric.h"
#include "platform/core/text.h"

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
    const std::string_view nacin = OBA.NACIN.view();
    const bool water = rt::equal_clipped(OBA.KOLONA.view(), "Voda");
    if (rt::equal_clipped(nacin, rt::utf8_to_cp1250("Površina"))) {
        price = Share(CEN.UKUPNO, UKPOVRSINA, "ukupna površina", zero);
        CEN.CENAPOVR = price;
    } else if (rt::equal_clipped(nacin, rt::utf8_to_cp1250("Grejna površina"))) {
        price = Share(CEN.UKUPNO, UKPOVRSINAGR, "ukupna grejna površina", zero);
        CEN.CENAGRPOVRS = price;
    } else if (rt::equal_clipped(nacin, "Osoba") && water) {
        // Water per person: over the persons of units without a water meter, or, when
        // there are none, the plain price.
        price = UKOSOBABEZVODOMERA != 0.0
                    ? Share(CEN.UKUPNO, UKOSOBABEZVODOMERA, "broj osoba bez vodomera", zero)
                    : double(CEN.CENA);
        CEN.CENAVODA = price;
    } else if (rt::equal_clipped(nacin, "Osoba")) {
        price = Share(CEN.UKUPNO, UKOSOBA, "ukupan broj osoba", zero);
        CEN.CENAOSOBA = price;
    } else if (rt::equal_clipped(nacin, "Stan")) {
        price = Share(CEN.UKUPNO, static_cast<double>(UKJEDINICA), "ukupan broj stanova", zero);
        CEN.CENASTAN = price;
    } else if (rt::equal_clipped(nacin, "Fiksno")) {
        price = CEN.CENA;
        CEN.CENAFIKSNO = price;
    }
    if (zero.empty()) return {};
    zero[0] = static_cast<char>(zero[0] - 'a' + 'A');
    return rt::utf8_to_cp1250(zero + " - cena se ne može izračunati i upisuje se 0.");
}

}  // namespace kvadrin
