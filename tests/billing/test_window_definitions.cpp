// What holds for every window the program defines: no two controls that the user can reach
// at once answer the same Alt key; every form's controls show fields its records have, and
// Ctrl+H recalls each by its position in the record.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "billing/form_definitions.h"
#include "billing/kvd003_browse_kvadrin.h"
#include "billing/kvd004_browse_obaveze.h"
#include "billing/kvd005_browse_obracuni.h"
#include "billing/kvd010_ispis_stanara.h"
#include "billing/kvd011_browse_nazivi.h"
#include "billing/kvd020_izbor_za_fakture.h"
#include "billing/kvd028_browse_klauzul.h"
#include "data/access.h"
#include "data/tables.h"
#include "shell/browse.h"
#include "shell/firms_list.h"
#include "shell/form.h"
#include "shell/housekeeping.h"
#include "shell/kvd001_main.h"
#include "shell/kvd002_splash.h"
#include "shell/login.h"

namespace kvtest {
namespace {

using rt::ui::ControlDef;
using rt::ui::Ctl::Menu;
using rt::ui::Ctl::Menubar;

// The letters marked with "&" among the visible controls of one scope: a window's controls
// (its menus apart), or the items of one menu.
using Scope = std::map<char, std::vector<std::string>>;

void Collect(const std::vector<ControlDef>& controls, Scope& scope, std::vector<Scope>& menus) {
    for (const ControlDef& c : controls) {
        if (c.attrs & rt::ui::kHide) continue;
        const std::size_t amp = c.text.find('&');
        if (amp != std::string::npos && amp + 1 < c.text.size())
            scope[static_cast<char>(std::tolower(static_cast<unsigned char>(c.text[amp + 1])))].push_back(
                c.label);
        if (c.kind == Menu || c.kind == Menubar) {
            menus.emplace_back();
            Scope& items = menus.back();
            std::vector<Scope> nested;
            Collect(c.children, items, nested);
            for (Scope& n : nested) menus.push_back(std::move(n));
        } else {
            Collect(c.children, scope, menus);
        }
    }
}

TEST(WindowDefinitions, NoTwoReachableControlsShareAnAccelerator) {
    const std::vector<std::function<const rt::ui::WindowDef&()>> windows = {
        kvadrin::BrowseKvadrinWindow,  kvadrin::UpdateKvadrinWindow,     kvadrin::BrowseObavezeWindow,
        kvadrin::UpdateObavezeWindow,  kvadrin::BrowseNaziviWindow,      kvadrin::UpdateNaziviWindow,
        kvadrin::BrowseKlauzulWindow,  kvadrin::UpdateSklauzulWindow,    kvadrin::BrowseMBaseWindow,
        kvadrin::UpdateMBaseWindow,    kvadrin::PromenaServeraWindow,    kvadrin::MainWindow,
        kvadrin::BrivantSplashWindow,  kvadrin::OtvoriSQLWindow,         kvadrin::MSSQLLogMultiWindow,
        kvadrin::MSSQLLoginWindow,     kvadrin::BrowseObracuniWindow,    kvadrin::UpdateObracWindow,
        kvadrin::BrowseCeneWindow,     kvadrin::UpdateCeneWindow,        kvadrin::KreirajZaduzenjaWindow,
        kvadrin::IzborZaFaktureWindow, kvadrin::BrowseSfaktWindow,       kvadrin::BrowseSpromWindow,
        kvadrin::UpdateSpromWindow,    kvadrin::UpdateSfaktWindow,       kvadrin::ProveraVerzijeWindow,
        kvadrin::PokaziVerWindow,      kvadrin::PrenosUNovuGodinuWindow, kvadrin::PreuzmiStariProgramWindow,
        kvadrin::PreuzmiPodatkeWindow, kvadrin::SortSelectionWindow};
    for (const auto& window : windows) {
        const rt::ui::WindowDef& d = window();
        SCOPED_TRACE(d.module + " " + d.name);
        std::vector<Scope> scopes(1);
        std::vector<Scope> menus;
        Collect(d.controls, scopes.front(), menus);
        for (Scope& m : menus) scopes.push_back(std::move(m));
        for (const Scope& scope : scopes)
            for (const auto& [letter, labels] : scope) {
                std::string all;
                for (const std::string& l : labels) all += l + " ";
                EXPECT_EQ(labels.size(), 1u) << "'" << letter << "': " << all;
            }
    }
}

TEST(WindowDefinitions, FormsRecallTheirFieldsByTheirPositionsInTheRecord) {
    kvadrin::CheckFormDefinitions();  // as the program does when it starts
    using kvadrin::TableId;
    struct Form {
        std::function<const rt::ui::WindowDef&()> window;
        TableId table;
        std::map<std::string, int> numbers;  // control: field number
    };
    const Form forms[] = {
        {kvadrin::UpdateObavezeWindow,
         TableId::OBAVEZE,
         {{"?OBA:SIFRA", 1}, {"?OBA:NAZIV", 2}, {"?OBA:JM", 3}, {"?OBA:NACIN", 4}, {"?OBA:KOLONA", 5}}},
        {kvadrin::UpdateKvadrinWindow,
         TableId::KVADRIN,
         {{"?KVD:BROJ", 1},
          {"?KVD:SP", 2},
          {"?KVD:KOEFICIJENT", 15},
          {"?KVD:SHKORISNIKA", 6},
          {"?KVD:VLASNIK", 3},
          {"?KVD:ADRESA", 4},
          {"?KVD:MESTO", 5},
          {"?KVD:POVRSINA", 7},
          {"?KVD:POVRSINAGR", 8},
          {"?KVD:POVRSINAOST", 9},
          {"?KVD:BROJOSOBA", 10},
          {"?KVD:VODOMER", 11},
          {"?KVD:KALORIMETAR", 12},
          {"?KVD:TELEFON", 13},
          {"?KVD:MOBILNI", 14}}},
        {kvadrin::UpdateNaziviWindow,
         TableId::NAZIVI,
         {{"?NAZ:ANALITIKA", 2},
          {"?NAZ:NAZIV1", 3},
          {"?NAZ:NAZIV2", 4},
          {"?NAZ:ADRESA", 5},
          {"?NAZ:SEDISTE", 6},
          {"?NAZ:ZIRORACUN", 7},
          {"?NAZ:TEKUCI", 10},
          {"?NAZ:KONTAKT", 8},
          {"?NAZ:TELEFONI", 9}}},
        {kvadrin::UpdateSklauzulWindow,
         TableId::SKLAUZUL,
         {{"?SKL:TEKSTKLAUZULE", 1}, {"?SKL:TEKSTPOSLOVNI", 2}, {"?SKL:SIFRA", 3}, {"?SKL:OPIS", 4}}},
        {kvadrin::UpdateObracWindow,
         TableId::OBRAC,
         {{"?OBR:OBRACUN", 1},
          {"?OBR:NAZIV", 2},
          {"?OBR:SVRHA1", 7},
          {"?OBR:SVRHA2", 8},
          {"?OBR:SVRHA3", 9},
          {"?OBR:DATUM", 3},
          {"?OBR:VALUTA", 4},
          {"?OBR:DATUMPROMETA", 6},
          {"?OBR:ZAKLJUCAN", 5}}},
        {kvadrin::UpdateCeneWindow,
         TableId::CENE,
         {{"?CEN:SIFRA", 2}, {"?CEN:KOLICINA", 3}, {"?CEN:CENA", 4}, {"?CEN:UKUPNO", 5}}},
        {kvadrin::UpdateSpromWindow,
         TableId::SPROM,
         {{"?SPR:SIFRA", 5}, {"?SPR:KOLICINA", 6}, {"?SPR:CENA", 7}, {"?SPR:UKUPNO", 8}, {"?SPR:KOLONA", 9}}},
        {kvadrin::UpdateSfaktWindow,
         TableId::SFAKT,
         {{"?SFA:BROJSTANA", 3},
          {"?SFA:SHKORISNIKA", 2},
          {"?SFA:ODRZAVANJE", 4},
          {"?SFA:STRUJA", 5},
          {"?SFA:VODA", 6},
          {"?SFA:OSTALO", 7},
          {"?SFA:DUG", 8},
          {"?SFA:UKUPNO", 9}}},
    };
    for (const Form& f : forms) {
        rt::ui::Window window(f.window());
        SCOPED_TRACE(window.def().module);
        std::map<std::string, int> numbers;
        for (const auto& [feq, number] : kvadrin::RecallFields(window, kvadrin::table_def(f.table).layout))
            numbers[window.Control(feq)->label] = number;
        EXPECT_EQ(numbers, f.numbers);
    }
}

// What the start-up checks: every browse's columns and hidden fields are fields of its
// tables, and every menu item's procedure is registered. A name that does not exist stops
// the program with a message naming it.
TEST(StartUpDeathTest, ABrowseColumnOrAMenuItemBoundToANameThatDoesNotExistStopsTheProgram) {
    kvadrin::CheckBrowseDefinitions();  // the program's own browses pass
    kvadrin::RegisterHousekeepingMenu();
    kvadrin::RegisterServicesMenu();
    kvadrin::RegisterUnitsMenu();
    kvadrin::RegisterClausesMenu();
    kvadrin::RegisterBillingMenu();
    kvadrin::RegisterInvoicesMenu();
    kvadrin::CheckMenuProcedures();  // and so does its menu

    struct BrowseCase {
        std::vector<std::string> fields, hidden;
        const char* message;
    };
    const BrowseCase browses[] = {
        {{"OBA:SIFRA", "OBA:NAZIVV"}, {}, "browse Probe: column 2 shows unknown field OBA:NAZIVV"},
        {{"OBA:SIFRA", "", "NAZ:NAZIV1"}, {}, "browse Probe: column 3 shows unknown field NAZ:NAZIV1"},
        {{"OBA:SIFRA"},
         {"OBA:SIFRA", "KVD:BROJ"},
         "browse Probe: hidden field 2 shows unknown field KVD:BROJ"},
    };
    for (const BrowseCase& c : browses) {
        SCOPED_TRACE(c.message);
        kvadrin::BrowseDefinition d{
            .table = &kvadrin::Files::OBAVEZE(), .fields = c.fields, .hidden = c.hidden};
        EXPECT_DEATH(kvadrin::CheckBrowseFields("Probe", d), c.message);
    }
    // A table joined to the view lends its fields.
    kvadrin::CheckBrowseFields("Probe", {.table = &kvadrin::Files::OBAVEZE(),
                                         .joined = {&kvadrin::Files::NAZIVI()},
                                         .fields = {"OBA:SIFRA", "NAZ:NAZIV1"}});

    const kvadrin::MenuStart unknown[] = {{-99, "IspisNepostojeci", false}};
    EXPECT_DEATH(kvadrin::CheckMenuProcedures(unknown),
                 "menu item -99 starts procedure IspisNepostojeci, which nothing registered");
    EXPECT_DEATH(
        {
            kvadrin::SetMenuProcedure("BrowseKlauzul", nullptr);
            kvadrin::CheckMenuProcedures();
        },
        "menu item -15 starts procedure BrowseKlauzul, which nothing registered");
    EXPECT_DEATH(kvadrin::MenuProcedure("IspisNepostojeci"), "starts procedure IspisNepostojeci");
}

}  // namespace
}  // namespace kvtest
