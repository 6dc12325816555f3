// The relations of the firm tables as procedures meet them: what a delete or a change of
// a parent refuses, the field checks of CENE and SFAKT, and how the procedures of one
// thread share its open tables.
#include <cstring>
#include <thread>

#include "data/keys.h"
#include "platform/core/process.h"
#include "platform/files/sql/connection.h"
#include "tests/data/test_relations_env.h"

namespace {

using namespace kvadrin;
using kvtest::Firm;

const char* const kDeleteRefused =
    "Referential Integrity Delete Error / This record is referenced from the file %s. This "
    "record cannot be deleted while these references exist.";

std::string refused_by(const char* file) {
    char buf[256];
    std::snprintf(buf, sizeof buf, kDeleteRefused, file);
    return buf;
}

class Relations : public Firm {
protected:
    void run(int n) {
        seed(TableId::OBRAC, [n] {
            OBR.OBRACUN = static_cast<std::int16_t>(n);
            OBR.NAZIV = "run";
        });
    }
    void service(const char* code) {
        seed(TableId::OBAVEZE, [code] {
            OBA.SIFRA = code;
            OBA.NAZIV = "service";
        });
    }
    void price(int run, const char* code) {
        seed(TableId::CENE, [=] {
            CEN.OBRACUN = static_cast<std::int16_t>(run);
            CEN.SIFRA = code;
        });
    }
    void invoice(int run, const char* customer, const char* unit = "") {
        seed(TableId::SFAKT, [=] {
            SFA.OBRACUN = static_cast<std::int16_t>(run);
            SFA.SHKORISNIKA = customer;
            SFA.BROJSTANA = unit;
        });
    }
    void item(int run, const char* customer, const char* code) {
        seed(TableId::SPROM, [=] {
            SPR.OBRACUN = static_cast<std::int16_t>(run);
            SPR.SHKORISNIKA = customer;
            SPR.SIFRA = code;
        });
    }
    void partner(const char* code) {
        seed(TableId::NAZIVI, [code] { NAZ.ANALITIKA = code; });
    }
    void unit(const char* number, const char* owner = "") {
        seed(TableId::KVADRIN, [=] {
            KVD.BROJ = number;
            KVD.SHKORISNIKA = owner;
        });
    }
    void posting(const char* recno, const char* customer, const char* account, const char* voucher = "") {
        seed(TableId::SKPROMET, [=] {
            SKP.RECNO = recno;
            SKP.ANALITIKA = customer;
            SKP.SINTETIKA = account;
            SKP.NALOG = voucher;
        });
    }

    // Positions the table on the record whose key `key` matches what `fill` sets, then
    // deletes it through its relation object; answers the message shown ("" for none).
    std::string delete_through_relation(TableId id, int key, const std::function<void()>& fill,
                                        int* level = nullptr) {
        shown.clear();
        rt::RelationManager* rel = Relate::Of(id);
        EXPECT_EQ(rel->Open(), 0);
        Files::Of(id).Clear();
        fill();
        EXPECT_EQ(Access::Of(id)->GetByKeyQuiet(key), 0) << table_name(id);
        const int l = rel->Delete();
        if (level) *level = l;
        rel->Close();
        return last();
    }
};

TEST_F(Relations, ARunWithPricesOrInvoicesIsNotDeleted) {
    run(5), run(6), run(7);
    service("VODA");
    price(5, "VODA");
    invoice(6, "00001");
    const struct {
        int run;
        std::string message;
    } cases[] = {{5, refused_by("CENE")}, {6, refused_by("SFAKT")}, {7, ""}};
    for (const auto& c : cases) {
        int level = -1;
        EXPECT_EQ(delete_through_relation(
                      TableId::OBRAC, OBR_Po_obracunu,
                      [&] { OBR.OBRACUN = static_cast<std::int16_t>(c.run); }, &level),
                  c.message)
            << c.run;
        EXPECT_EQ(level != 0, !c.message.empty()) << c.run;
    }
    EXPECT_EQ(rows(TableId::OBRAC), 2);
    EXPECT_EQ(rows(TableId::CENE), 1);
}

TEST_F(Relations, AServiceInPricesOrChargesIsNotDeleted) {
    run(1);
    service("VODA"), service("GREJ"), service("SMECE");
    price(1, "VODA");
    item(1, "00001", "GREJ");
    EXPECT_EQ(delete_through_relation(TableId::OBAVEZE, OBA_Po_sifri, [] { OBA.SIFRA = "VODA"; }),
              refused_by("CENE"));
    EXPECT_EQ(delete_through_relation(TableId::OBAVEZE, OBA_Po_sifri, [] { OBA.SIFRA = "GREJ"; }),
              refused_by("SPROM"));
    EXPECT_EQ(delete_through_relation(TableId::OBAVEZE, OBA_Po_sifri, [] { OBA.SIFRA = "SMECE"; }), "");
    EXPECT_EQ(rows(TableId::OBAVEZE), 2);
}

TEST_F(Relations, APartnerWithUnitsPostingsOrInvoicesIsNotDeleted) {
    partner("00001"), partner("00002"), partner("00003"), partner("00004");
    unit("A1", "00001");
    posting("1", "00002", "2040");
    invoice(1, "00003");
    const struct {
        const char* code;
        std::string message;
    } cases[] = {{"00001", refused_by("KVADRIN")},
                 {"00002", refused_by("SKPROMET")},
                 {"00003", refused_by("SFAKT")},
                 {"00004", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(delete_through_relation(TableId::NAZIVI, NAZ_PO_KONTU, [&] { NAZ.ANALITIKA = c.code; }),
                  c.message)
            << c.code;
    EXPECT_EQ(rows(TableId::NAZIVI), 3);
}

TEST_F(Relations, AnInvoiceWithItemsOfItsRunAndCustomerIsNotDeleted) {
    invoice(1, "00001");
    invoice(2, "00001");
    invoice(1, "00002");
    item(1, "00001", "VODA");
    item(3, "00002", "VODA");  // the second customer's items belong to another run
    EXPECT_EQ(delete_through_relation(TableId::SFAKT, SFA_PO_OBRACUNU,
                                      [] {
                                          SFA.OBRACUN = 1;
                                          SFA.SHKORISNIKA = "00001";
                                      }),
              refused_by("SPROM"));
    EXPECT_EQ(delete_through_relation(TableId::SFAKT, SFA_PO_OBRACUNU,
                                      [] {
                                          SFA.OBRACUN = 2;
                                          SFA.SHKORISNIKA = "00001";
                                      }),
              "");
    EXPECT_EQ(delete_through_relation(TableId::SFAKT, SFA_PO_OBRACUNU,
                                      [] {
                                          SFA.OBRACUN = 1;
                                          SFA.SHKORISNIKA = "00002";
                                      }),
              "");
    EXPECT_EQ(rows(TableId::SFAKT), 1);
}

TEST_F(Relations, AUnitIsNotDeletedWhileInvoicesNameIt) {
    unit("A1"), unit("1234567"), unit("123456");
    invoice(1, "00001", "A1");
    invoice(1, "00002", "123456");
    EXPECT_EQ(delete_through_relation(TableId::KVADRIN, KVD_Po_broju, [] { KVD.BROJ = "A1"; }),
              refused_by("SFAKT"));
    // An invoice holds six characters of the unit number, as charge creation cuts it: the
    // invoices under "123456" are those of unit "1234567" too.
    EXPECT_EQ(delete_through_relation(TableId::KVADRIN, KVD_Po_broju, [] { KVD.BROJ = "1234567"; }),
              refused_by("SFAKT"));
    EXPECT_EQ(delete_through_relation(TableId::KVADRIN, KVD_Po_broju, [] { KVD.BROJ = "123456"; }),
              refused_by("SFAKT"));
    EXPECT_EQ(rows(TableId::KVADRIN), 3);

    // A change of the number beyond its sixth character leaves its invoices naming it; a
    // change within the first six is reset.
    rt::RelationManager* rel = Relate::KVADRIN();
    ASSERT_EQ(rel->Open(), 0);
    KVD.BROJ = "1234567";
    ASSERT_EQ(Access::KVADRIN()->GetByKeyQuiet(KVD_Po_broju), 0);
    KVD.BROJ = "1234568";
    EXPECT_EQ(rel->Update(), 0);
    KVD.BROJ = "1234568";
    ASSERT_EQ(Access::KVADRIN()->GetByKeyQuiet(KVD_Po_broju), 0);
    KVD.BROJ = "9234568";
    EXPECT_NE(rel->Update(), 0);
    EXPECT_EQ(KVD.BROJ.str(), "1234568");
    rel->Close();
}

TEST_F(Relations, ALedgerPostingNeedsNoAccountAndAnAccountNoPostings) {
    seed(TableId::SINTETIK, [] { SIN.SINTETIKA = "2040"; });
    ASSERT_EQ(Relate::SKPROMET()->Open(), 0);
    SKP.RECNO = "1";
    SKP.SINTETIKA = "9999";  // no such account
    SKP.ANALITIKA = "00001";
    EXPECT_EQ(Access::SKPROMET()->Insert(), 0);
    SKP.SINTETIKA = "8888";
    EXPECT_EQ(Relate::SKPROMET()->Update(), 0);
    Relate::SKPROMET()->Close();
    posting("2", "00001", "2040");
    EXPECT_EQ(delete_through_relation(TableId::SINTETIK, SIN_PO_SINT, [] { SIN.SINTETIKA = "2040"; }), "");
    EXPECT_EQ(delete_through_relation(TableId::SKPROMET, SKP_PO_NALOGU,
                                      [] {
                                          SKP.NALOG = "";
                                          SKP.RECNO = "1";
                                      }),
              "");
    EXPECT_TRUE(shown.empty());
}

TEST_F(Relations, AChangedCodeOfAReferencedParentIsResetAndNotWritten) {
    partner("00001");
    partner("00002");
    unit("A1", "00001");
    rt::RelationManager* rel = Relate::NAZIVI();
    ASSERT_EQ(rel->Open(), 0);

    NAZ.ANALITIKA = "00001";
    ASSERT_EQ(Access::NAZIVI()->GetByKeyQuiet(NAZ_PO_KONTU), 0);
    NAZ.ANALITIKA = "00009";
    NAZ.NAZIV1 = "Novo ime";
    EXPECT_NE(rel->Update(), 0);
    EXPECT_EQ(last(),
              "Referential Integrity Update Error / This record is referenced from the file "
              "KVADRIN. Linking field(s) have been restricted from change and have been reset to "
              "original values.");
    EXPECT_EQ(NAZ.ANALITIKA.str(), "00001");
    EXPECT_EQ(NAZ.NAZIV1.str(), "Novo ime");
    NAZ.ANALITIKA = "00009";
    EXPECT_NE(Access::NAZIVI()->GetByKeyQuiet(NAZ_PO_KONTU), 0);

    // The partner without units may take a new code; the other keeps the new name.
    shown.clear();
    NAZ.ANALITIKA = "00001";
    ASSERT_EQ(Access::NAZIVI()->GetByKeyQuiet(NAZ_PO_KONTU), 0);
    NAZ.NAZIV1 = "Novo ime";
    EXPECT_EQ(rel->Update(), 0);
    NAZ.ANALITIKA = "00002";
    ASSERT_EQ(Access::NAZIVI()->GetByKeyQuiet(NAZ_PO_KONTU), 0);
    NAZ.ANALITIKA = "00003";
    EXPECT_EQ(rel->Update(), 0);
    EXPECT_TRUE(shown.empty());
    rel->Close();
    EXPECT_EQ(rows(TableId::NAZIVI), 2);
}

// ---- field checks ----

struct CheckCase {
    TableId table;
    int field;
    std::function<void()> fill;
    bool valid;
    const char* message;  // shown with reporting on, "" for none
};

TEST_F(Relations, PricesAndInvoicesNameExistingRunsServicesAndUnits) {
    run(3);
    service("VODA");
    unit("A1");
    const char* const no_run = "Field contents error / The value of %s must be found in the OBRAC file.";
    auto text = [](const char* pattern, const char* field) {
        char buf[200];
        std::snprintf(buf, sizeof buf, pattern, field);
        return std::string(buf);
    };
    const std::string cen_run = text(no_run, "CEN:Obracun"), sfa_run = text(no_run, "SFA:Obracun");
    const CheckCase cases[] = {
        {TableId::CENE, 1, [] { CEN.OBRACUN = 0; }, true, ""},
        {TableId::CENE, 1, [] { CEN.OBRACUN = 3; }, true, ""},
        {TableId::CENE, 1, [] { CEN.OBRACUN = 4; }, false, cen_run.c_str()},
        {TableId::CENE, 2, [] { CEN.SIFRA = ""; }, true, ""},
        {TableId::CENE, 2, [] { CEN.SIFRA = "voda"; }, true, ""},
        {TableId::CENE, 2, [] { CEN.SIFRA = "GAS"; }, false,
         "Field contents error / The value of CEN:Sifra must be found in the OBAVEZE file."},
        {TableId::CENE, 3, [] { CEN.KOLICINA = -1; }, true, ""},
        {TableId::SFAKT, 1, [] { SFA.OBRACUN = 0; }, true, ""},
        {TableId::SFAKT, 1, [] { SFA.OBRACUN = 9; }, false, sfa_run.c_str()},
        {TableId::SFAKT, 3, [] { SFA.BROJSTANA = ""; }, true, ""},
        {TableId::SFAKT, 3, [] { SFA.BROJSTANA = "A1"; }, true, ""},
        {TableId::SFAKT, 3, [] { SFA.BROJSTANA = "B7"; }, false,
         "Field contents error / The value of SFA:BROJSTANA must be found in the KVADRIN file."},
        {TableId::SFAKT, 2, [] { SFA.SHKORISNIKA = "xx"; }, true, ""},
    };
    for (bool report : {false, true}) {
        for (const CheckCase& c : cases) {
            SCOPED_TRACE(std::string(table_name(c.table)) + " field " + std::to_string(c.field) +
                         (report ? " reporting" : " quiet"));
            Files::Of(c.table).Clear();
            c.fill();
            // The looked-up tables' buffers hold something the check must leave alone.
            OBR.OBRACUN = 42;
            OBR.NAZIV = "kept";
            OBA.SIFRA = "KEPT";
            KVD.BROJ = "KEPT";
            shown.clear();
            const int result = Access::Of(c.table)->CheckField(c.field, report);
            EXPECT_EQ(result == 0, c.valid);
            EXPECT_EQ(last(), report ? c.message : "");
            EXPECT_EQ(OBR.OBRACUN, 42);
            EXPECT_EQ(OBR.NAZIV.str(), "kept");
            EXPECT_EQ(OBA.SIFRA.str(), "KEPT");
            EXPECT_EQ(KVD.BROJ.str(), "KEPT");
        }
    }
    // The checks run on insert: a price of an unknown service is refused.
    ASSERT_EQ(Relate::CENE()->Open(), 0);
    CEN.OBRACUN = 3;
    CEN.SIFRA = "GAS";
    EXPECT_NE(Access::CENE()->Insert(), 0);
    CEN.SIFRA = "VODA";
    EXPECT_EQ(Access::CENE()->Insert(), 0);
    Relate::CENE()->Close();
    EXPECT_EQ(rows(TableId::CENE), 1);
}

// ---- sharing of open tables ----

TEST_F(Relations, AFormOnTheBrowsesThreadSharesItsOpenTable) {
    unit("A1");
    // The browse opens KVADRIN; its form opens NAZIVI with the related tables.
    ASSERT_EQ(Relate::KVADRIN()->Open(), 0);
    ASSERT_EQ(Access::KVADRIN()->UseTable(rt::kUseOpen), 0);
    EXPECT_TRUE(Files::KVADRIN().IsOpen());
    Relate::NAZIVI()->SetCascadeOpen();
    ASSERT_EQ(Relate::NAZIVI()->Open(), 0);
    EXPECT_EQ(Access::KVADRIN()->OPENED, 2);
    EXPECT_EQ(Access::SFAKT()->OPENED, 1);
    KVD.BROJ = "A1";
    EXPECT_EQ(Access::KVADRIN()->GetByKeyQuiet(KVD_Po_broju), 0);
    Relate::NAZIVI()->Close();
    EXPECT_TRUE(Files::KVADRIN().IsOpen()) << "still the browse's";
    EXPECT_EQ(Access::SFAKT()->OPENED, 0);
    Relate::KVADRIN()->Close();
    EXPECT_FALSE(Files::KVADRIN().IsOpen());
}

TEST_F(Relations, ANewThreadCreatesAMissingTableWithItsKeysAndOwnsItsBuffers) {
    KVD.BROJ = "MAIN";
    bool created = false, unique_refused = false, own_buffer = false, dictionary_gone = false;
    InstallThreadHooks();
    std::thread t([&] {
        rt::run_procedure_thread(rt::next_thread_number(), [&] {
            own_buffer = KVD.BROJ.empty() && Access::SKLAUZUL() != nullptr;
            ASSERT_EQ(Relate::SKLAUZUL()->Open(), 0);
            SKL.SIFRA = 1;
            SKL.OPIS = "prva";
            created = Access::SKLAUZUL()->Insert() == 0;
            SKL.OPIS = "druga";
            unique_refused = Access::SKLAUZUL()->TryInsert() != 0;  // SKL:Po_sifri is unique
            Relate::SKLAUZUL()->Close();
            // Left open: the thread's end closes it.
            ASSERT_EQ(Access::SFAKT()->UseTable(rt::kUseOpen), 0);
        });
        dictionary_gone = Access::SFAKT() == nullptr && Relate::SFAKT() == nullptr;
    });
    t.join();
    EXPECT_TRUE(own_buffer);
    EXPECT_TRUE(created);
    EXPECT_TRUE(unique_refused);
    EXPECT_TRUE(dictionary_gone);
    EXPECT_EQ(KVD.BROJ.str(), "MAIN");
    EXPECT_EQ(rows(TableId::SKLAUZUL), 1);

    // SFAKT came with an index for each of its keys besides the primary one.
    auto conn = rt::sql::ConnectionFor(OWNERFIRME.str());
    ASSERT_NE(conn, nullptr);
    auto st = conn->Prepare("SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND tbl_name = 'SFAKT'");
    ASSERT_NE(st, nullptr);
    ASSERT_EQ(st->Step(), 1);
    EXPECT_GE(st->Int(0), 2);
}

}  // namespace
