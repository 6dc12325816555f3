// The services browse: the services in code or name order, the form for insert, change,
// delete and view, the print button, and select mode for the lookups of the price and
// invoice-item forms.
#include "billing/kvd004_browse_obaveze.h"

#include "data/access.h"
#include "data/tables.h"
#include "shell/browse.h"
#include "shell/kvd001_main.h"

namespace kvadrin {

namespace {

BrowseDefinition Definition() {
    // First tab: the code order (the default); second tab: the name order.
    return {.table = &Files::OBAVEZE(),
            .relation = Relate::OBAVEZE(),
            .cascade_open = true,
            .orders = {{.key = "OBA:Po_sifri", .locator_field = "OBA:SIFRA"},
                       {.key = "OBA:Po_nazivu", .locator_field = "OBA:NAZIV"}},
            .fields = {"OBA:SIFRA", "OBA:NAZIV", "OBA:JM", "OBA:NACIN", "OBA:KOLONA"},
            .buttons = {{.label = "?BUTTONNORECORDS", .text = "&ISPIS", .call = IspisObaveza}},
            .form = UpdateOBAVEZE};
}

}  // namespace

void BrowseObaveze() { RunBrowse("BrowseObaveze", BrowseObavezeWindow(), Definition()); }

void CheckBrowseObavezeFields() { CheckBrowseFields("BrowseObaveze", Definition()); }

void RegisterServicesMenu() { SetMenuProcedure("BrowseObaveze", BrowseObaveze); }

}  // namespace kvadrin
