// The billing-run browse: every run in number order, locked runs in grey, and the command
// "PARAMETRI ZA OBRAČUN", which sums the units into the process-wide unit totals and
// opens the run's price list.
#include "billing/kvd005_browse_obracuni.h"

#include "data/access.h"
#include "data/globals.h"
#include "data/keys.h"
#include "data/tables.h"
#include "platform/core/text.h"

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

}  // namespace kvadrin
