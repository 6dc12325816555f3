// The forms' definitions checked against the records their controls show.
#include "billing/form_definitions.h"

#include "billing/kvd003_browse_kvadrin.h"
#include "billing/kvd004_browse_obaveze.h"
#include "billing/kvd005_browse_obracuni.h"
#include "billing/kvd011_browse_nazivi.h"
#include "billing/kvd020_izbor_za_fakture.h"
#include "billing/kvd028_browse_klauzul.h"
#include "data/tables.h"
#include "shell/firms_list.h"
#include "shell/form.h"
#include "shell/housekeeping.h"

namespace kvadrin {

void CheckFormDefinitions() {
    auto layout = [](TableId id) { return &table_def(id).layout; };
    CheckFormFields(UpdateObavezeWindow(), {layout(TableId::OBAVEZE)});
    CheckFormFields(UpdateKvadrinWindow(), {layout(TableId::KVADRIN), layout(TableId::NAZIVI)});
    CheckFormFields(UpdateNaziviWindow(), {layout(TableId::NAZIVI)});
    CheckFormFields(UpdateObracWindow(), {layout(TableId::OBRAC)});
    CheckFormFields(UpdateCeneWindow(), {layout(TableId::CENE), layout(TableId::OBAVEZE)});
    CheckFormFields(UpdateSpromWindow(), {layout(TableId::SPROM), layout(TableId::OBAVEZE)});
    CheckFormFields(UpdateSfaktWindow(),
                    {layout(TableId::SFAKT), layout(TableId::KVADRIN), layout(TableId::NAZIVI)});
    CheckFormFields(UpdateSklauzulWindow(), {layout(TableId::SKLAUZUL)});
    CheckFormFields(UpdateMBaseWindow(), {layout(TableId::MBASE)});
    CheckFormFields(PokaziVerWindow(), {layout(TableId::LVER)});
}

void CheckBrowseDefinitions() {
    CheckBrowseObavezeFields();
    CheckBrowseKvadrinFields();
    CheckBrowseNaziviFields();
    CheckBrowseObracuniFields();
    CheckBrowseCeneFields();
    CheckIzborZaFaktureFields();
    CheckBrowseSFAKTFields();
    CheckBrowseSPROMFields();
    CheckBrowseKlauzulFields();
    CheckBrowseMBaseFields();
}

}  // namespace kvadrin
