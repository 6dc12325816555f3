// The per-thread dictionary: its objects, the order in which it is built and taken down,
// the relations each table defines, and the key numbers.
#include <iterator>
#include <string>
#include <vector>

#include "data/keys.h"
#include "platform/core/text.h"
#include "tests/data/test_relations_env.h"

namespace {

using namespace kvadrin;
using kvtest::Firm;

TEST(Keys, EachNumberIsItsKeysPlaceInTheLayoutAndEveryKeyHasOne) {
    const struct {
        int number;
        TableId table;
        const char* name;
    } keys[] = {
        {KVD_Po_broju, TableId::KVADRIN, "KVD:Po_broju"},
        {KVD_Po_vlasniku, TableId::KVADRIN, "KVD:Po_vlasniku"},
        {KVD_Po_analitici, TableId::KVADRIN, "KVD:Po_analitici"},
        {NAZ_PO_KONTU, TableId::NAZIVI, "NAZ:PO_KONTU"},
        {NAZ_PO_NAZIVU, TableId::NAZIVI, "NAZ:PO_NAZIVU"},
        {OBA_Po_sifri, TableId::OBAVEZE, "OBA:Po_sifri"},
        {OBA_Po_nazivu, TableId::OBAVEZE, "OBA:Po_nazivu"},
        {OBR_Po_obracunu, TableId::OBRAC, "OBR:Po_obracunu"},
        {CEN_Po_sifri, TableId::CENE, "CEN:Po_sifri"},
        {CEN_Po_obracunu, TableId::CENE, "CEN:Po_obracunu"},
        {SPR_PO_OBRACUNU, TableId::SPROM, "SPR:PO_OBRACUNU"},
        {SPR_PO_SIFRI, TableId::SPROM, "SPR:PO_SIFRI"},
        {SFA_PO_OBRACUNU, TableId::SFAKT, "SFA:PO_OBRACUNU"},
        {SFA_PO_KORISNIKU, TableId::SFAKT, "SFA:PO_KORISNIKU"},
        {SFA_PO_STANU, TableId::SFAKT, "SFA:PO_STANU"},
        {SKL_Po_sifri, TableId::SKLAUZUL, "SKL:Po_sifri"},
        {SKP_PO_KONTU_GR, TableId::SKPROMET, "SKP:PO_KONTU_GR"},
        {SKP_PO_NALOGU, TableId::SKPROMET, "SKP:PO_NALOGU"},
        {SKP_PO_VEZI, TableId::SKPROMET, "SKP:PO_VEZI"},
        {SKP_PO_DATUMU, TableId::SKPROMET, "SKP:PO_DATUMU"},
        {SKP_PO_ANALITICI, TableId::SKPROMET, "SKP:PO_ANALITICI"},
        {NLS_PO_BROJU, TableId::NALOZIS, "NLS:PO_BROJU"},
        {SIN_PO_SINT, TableId::SINTETIK, "SIN:PO_SINT"},
        {SKM_PO_KONTU, TableId::SKMATIC, "SKM:PO_KONTU"},
        {USERS_PO_ID, TableId::USERS, "USERS:PO_ID"},
        {A_PO_RECID, TableId::AINC, "A:PO_RECID"},
        {M_PO_NAZIVU, TableId::MBASE, "M:PO_NAZIVU"},
        {M_PO_FOLDERU, TableId::MBASE, "M:PO_FOLDERU"},
        {LVE_PO_PROGRAMU, TableId::LVER, "LVE:PO_PROGRAMU"},
        {LVEX_PO_COMP, TableId::LVERX, "LVEX:PO_COMP"},
        {CFG_KEY_MAIN, TableId::FORMATS, "CFG:KEY_MAIN"},
    };
    std::size_t all = 0;
    for (int t = 0; t <= static_cast<int>(TableId::FORMATS); ++t)
        all += table_def(static_cast<TableId>(t)).layout.keys.size();
    EXPECT_EQ(std::size(keys), all);
    for (const auto& k : keys) {
        const rt::RecordLayout& L = table_def(k.table).layout;
        ASSERT_EQ(L.key_index(k.name), k.number) << k.name;
        EXPECT_EQ(L.keys[k.number].name, k.name) << "spelt as the table writes it";
    }
}

class Dictionary : public Firm {};

TEST_F(Dictionary, IsBuiltAndTakenDownInReverseDeclarationOrder) {
    MainThreadFilesTerm();  // the fixture's dictionary: start afresh
    MainThreadFilesInit();
    std::vector<std::string> steps;
    RecnikPratiKorake(
        [&](std::string_view step, TableId t) { steps.push_back(std::string(step) + " " + table_name(t)); });
    RecnikPostavi();
    RecnikOslobodi();
    RecnikPratiKorake({});

    std::vector<std::string> expected;
    for (const char* step : {"kreiraj", "pripremi", "ukloni"})
        for (int t = kTableCount - 1; t >= 0; --t)
            expected.push_back(std::string(step) + " " + table_name(static_cast<TableId>(t)));
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(steps.front(), "kreiraj SKLAUZUL");
    EXPECT_EQ(steps.back(), "ukloni LVERX");
    for (int t = 0; t < kTableCount; ++t) {
        EXPECT_EQ(Access::Of(static_cast<TableId>(t)), nullptr);
        EXPECT_EQ(Relate::Of(static_cast<TableId>(t)), nullptr);
    }
    EXPECT_FALSE(RecnikPostoji());
    RecnikPostavi();  // for the fixture's tear-down
}

TEST_F(Dictionary, EachTableHasItsObjectsOverThisThreadsStructure) {
    for (int t = 0; t < kTableCount; ++t) {
        const auto id = static_cast<TableId>(t);
        SCOPED_TRACE(table_name(id));
        rt::FileManager* fm = Access::Of(id);
        rt::RelationManager* rm = Relate::Of(id);
        ASSERT_NE(fm, nullptr);
        ASSERT_NE(rm, nullptr);
        EXPECT_EQ(&rm->Me(), fm);
        EXPECT_EQ(rm->USELOGOUT, 1);
        EXPECT_EQ(rm->DEFEREDRELATIONSDONE, 0);
        EXPECT_EQ(fm->FILE, &Files::Of(id));
        EXPECT_EQ(fm->BUFFER, record_buffer(id));
        EXPECT_EQ(fm->ERRORS, &ProgramErrors);
        EXPECT_EQ(fm->FILENAMEVALUE, table_name(id));
        EXPECT_EQ(fm->LAZYOPEN, 1);
        EXPECT_EQ(fm->OPENED, 0);
        EXPECT_EQ(fm->INITIALIZED, 0);

        EXPECT_EQ(fm->UseTable(rt::kUseInitialise), 0);
        EXPECT_EQ(fm->INITIALIZED, 1);
        EXPECT_EQ(fm->INUSEFILE, 0);
        EXPECT_EQ(fm->CREATE, 1);
        EXPECT_EQ(fm->LOCKRECOVER, 10);
        std::vector<int> in_order;
        for (std::size_t k = 0; k < table_def(id).layout.keys.size(); ++k)
            in_order.push_back(static_cast<int>(k));
        EXPECT_EQ(fm->Keys(), in_order);
        EXPECT_FALSE(Files::Of(id).IsOpen());
    }
}

TEST_F(Dictionary, StructuresTakeTheirConnectionAndNameFromTheProcessWideTexts) {
    OWNERFIRME = "(localdb)\\a,FIRMA_2023,,;TrustedConnection=True";
    OWNERVERZIJE = "verzije\\SQLEXPRESS,VERZIJE,u,p";
    AINCIME = "##UKUPNO";
    EXPECT_EQ(Files::KVADRIN().Owner(), "(localdb)\\a,FIRMA_2023,,;TrustedConnection=True");
    EXPECT_EQ(Files::SKLAUZUL().Owner(), Files::KVADRIN().Owner());
    EXPECT_EQ(Files::LVER().Owner(), "verzije\\SQLEXPRESS,VERZIJE,u,p");
    EXPECT_EQ(Files::LVERX().Owner(), Files::LVER().Owner());
    EXPECT_EQ(Files::MBASE().Owner(), "KeMiR!");
    EXPECT_EQ(Files::AINC().Name(), "##UKUPNO");
    EXPECT_EQ(Access::AINC()->GetName(), "##UKUPNO");
    AINCIME = "OBRACUN07";
    EXPECT_EQ(Files::AINC().Name(), "OBRACUN07");
    EXPECT_EQ(Access::AINC()->GetName(), "OBRACUN07");
    EXPECT_EQ(Files::FORMATS().Name(), "Formats.FDB");
    AINCIME = "";
}

// One line per relation: "child key parent=child ... update/delete", or the child alone
// for a table named only.
std::vector<std::string> describe(rt::RelationManager& rm) {
    std::vector<std::string> out;
    const rt::RecordLayout& pl = rm.Me().Layout();
    for (const rt::Relation& r : rm.Relations()) {
        const rt::FileManager& child = r.other->Me();
        std::string s = child.FILENAMEVALUE;
        if (!r.named_only()) {
            const rt::RecordLayout& cl = child.FILE->layout();
            s += " " + cl.keys[r.child_key].name;
            for (const auto& [p, c] : r.links) s += " " + pl.fields[p].name + "=" + cl.fields[c].name;
            s += " " + std::to_string(r.update_mode) + "/" + std::to_string(r.delete_mode);
        }
        out.push_back(s);
    }
    return out;
}

TEST_F(Dictionary, EachTableDefinesItsRelationsOnceWhenFirstNeeded) {
    using V = std::vector<std::string>;
    const struct {
        TableId parent;
        V relations;
    } tables[] = {
        {TableId::NALOZIS, {"SKPROMET SKP:PO_NALOGU NLS:BROJ=SKP:NALOG 2/2"}},
        {TableId::NAZIVI,
         {"KVADRIN KVD:Po_analitici NAZ:ANALITIKA=KVD:SHKORISNIKA 2/2",
          "SKPROMET SKP:PO_ANALITICI NAZ:ANALITIKA=SKP:ANALITIKA 2/2",
          "SFAKT SFA:PO_KORISNIKU NAZ:ANALITIKA=SFA:SHKORISNIKA 2/2"}},
        {TableId::SINTETIK, {"SKPROMET"}},
        {TableId::SKPROMET, {"NALOZIS", "SINTETIK SIN:PO_SINT SKP:SINTETIKA=SIN:SINTETIKA 0/0", "NAZIVI"}},
        {TableId::KVADRIN, {"SFAKT SFA:PO_STANU KVD:BROJ=SFA:BROJSTANA 2/2", "NAZIVI"}},
        {TableId::OBRAC,
         {"CENE CEN:Po_obracunu OBR:OBRACUN=CEN:OBRACUN 2/2",
          "SFAKT SFA:PO_OBRACUNU OBR:OBRACUN=SFA:OBRACUN 2/2"}},
        {TableId::CENE, {"OBAVEZE", "OBRAC"}},
        {TableId::OBAVEZE,
         {"CENE CEN:Po_sifri OBA:SIFRA=CEN:SIFRA 2/2", "SPROM SPR:PO_SIFRI OBA:SIFRA=SPR:SIFRA 2/2"}},
        {TableId::SPROM, {"SFAKT", "OBAVEZE"}},
        {TableId::SFAKT,
         {"SPROM SPR:PO_OBRACUNU SFA:OBRACUN=SPR:OBRACUN SFA:SHKORISNIKA=SPR:SHKORISNIKA 2/2", "KVADRIN",
          "OBRAC", "NAZIVI"}},
        {TableId::LVERX, {}},
        {TableId::LVER, {}},
        {TableId::AINC, {}},
        {TableId::MBASE, {}},
        {TableId::USERS, {}},
        {TableId::SKMATIC, {}},
        {TableId::SKLAUZUL, {}},
    };
    for (const auto& t : tables) {
        rt::RelationManager& rm = *Relate::Of(t.parent);
        EXPECT_EQ(rm.DEFEREDRELATIONSDONE, 0);
        EXPECT_EQ(describe(rm), t.relations) << table_name(t.parent);
        EXPECT_EQ(rm.DEFEREDRELATIONSDONE, 1);
        EXPECT_EQ(describe(rm), t.relations) << "defined once: " << table_name(t.parent);
    }
}

}  // namespace
