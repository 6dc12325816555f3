// The clauses browse: the clauses in number order, the form for insert, change, delete and
// view.
#include "billing/kvd028_browse_klauzul.h"

#include "data/access.h"
#include "data/tables.h"
#include "shell/browse.h"
#include "shell/kvd001_main.h"

namespace kvadrin {

namespace {

BrowseDefinition Definition() {
    // One tab: the number order with a numeric step and an entry locator.
    return {.table = &Files::SKLAUZUL(),
            .relation = Relate::SKLAUZUL(),
            .orders = {{.key = "SKL:Po_sifri", .locator_field = "SKL:SIFRA", .text_key = false}},
            .fields = {"SKL:SIFRA", "SKL:OPIS"},
            .form = UpdateSKLAUZUL};
}

}  // namespace

void BrowseKlauzul() { RunBrowse("BrowseKlauzul", BrowseKlauzulWindow(), Definition()); }

void CheckBrowseKlauzulFields() { CheckBrowseFields("BrowseKlauzul", Definition()); }

void RegisterClausesMenu() { SetMenuProcedure("BrowseKlauzul", BrowseKlauzul); }

}  // namespace kvadrin
