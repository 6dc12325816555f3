#include <cstring>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "data/oldfiles.h"
#include "data/tables.h"
#include "platform/files/record.h"

namespace {

using kvadrin::OldFileId;
using kvadrin::TableId;

// "NAME CODE" per field in record order: B BYTE, SH SHORT, L LONG, R REAL, Cn CSTRING(n),
// Sn STRING(n), Gn GROUP of n bytes, "xK" for K elements; with_pos adds "@offset".
std::string field_sig(const rt::RecordLayout& L, bool with_pos) {
    std::string s;
    for (const auto& f : L.fields) {
        if (!s.empty()) s += ",";
        s += std::string(f.column());
        if (with_pos) s += "@" + std::to_string(f.offset);
        s += " ";
        switch (f.type) {
            case rt::FieldType::Byte: s += "B"; break;
            case rt::FieldType::Short: s += "SH"; break;
            case rt::FieldType::Long: s += "L"; break;
            case rt::FieldType::Real: s += "R"; break;
            case rt::FieldType::CString: s += "C" + std::to_string(f.size); break;
            case rt::FieldType::String: s += "S" + std::to_string(f.size); break;
            case rt::FieldType::Group: s += "G" + std::to_string(f.size); break;
        }
        if (f.dim != 1) s += "x" + std::to_string(f.dim);
    }
    return s;
}

// "NAME(COMPONENTS)FLAGS" per key: P primary, U unique, D duplicates, O optional, N no case.
std::string key_sig(const rt::RecordLayout& L) {
    std::string s;
    for (const auto& k : L.keys) {
        if (!s.empty()) s += " ";
        s += k.name + "(";
        for (std::size_t i = 0; i < k.fields.size(); ++i)
            s += (i ? "," : "") + std::string(L.fields.at(k.fields[i]).column());
        s += ")";
        if (k.flags & rt::kKeyPrimary) s += "P";
        if (k.flags & rt::kKeyUnique) s += "U";
        if (k.flags & rt::kKeyDup) s += "D";
        if (k.flags & rt::kKeyOptional) s += "O";
        if (k.flags & rt::kKeyNoCase) s += "N";
    }
    return s;
}

const char* const kSql = "/IGNORETRUNCATION=TRUE /LOGONSCREEN=FALSE";

struct TableCase {
    TableId id;
    const char* name;
    const char* prefix;
    std::size_t size;
    rt::Driver driver;
    const char* options;
    const char* owner;
    const char* fields;
    const char* keys;
};

const TableCase kTables[] = {
    {TableId::LVERX, "LVERX", "LVEX", 68, rt::Driver::Sql, kSql, "OWNERVERZIJE",
     "COMP_NAME C40,SH_PROG C10,STARA C10,DATUM L,VREME L",
     "LVEX:PO_COMP(COMP_NAME,SH_PROG,STARA,DATUM,VREME)PN"},
    {TableId::LVER, "LVER", "LVE", 1047, rt::Driver::Sql, kSql, "OWNERVERZIJE",
     "SH_PROG C9,VERZIJA C10,DATUM L,OPIS C1024", "LVE:PO_PROGRAMU(SH_PROG,VERZIJA)PN"},
    {TableId::AINC, "", "A", 31, rt::Driver::Sql, "/IGNORETRUNCATION=TRUE /LOGONSCREEN=FALSE /TURBOSQL=TRUE",
     "OWNERFIRME", "REC_ID S20,R_STR S5,R_LONG L,R_SHORT SH", "A:PO_RECID(REC_ID)PN"},
    {TableId::MBASE, "..\\MBASE.DAT", "M", 870, rt::Driver::Flat, "", "KeMiR!",
     "NAZIVFIRME S50,SERVERNAME S50,FOLDERNAME S20,R S50x15",
     "M:PO_NAZIVU(NAZIVFIRME)PN M:PO_FOLDERU(FOLDERNAME)UN"},
    {TableId::USERS, "USERS", "USERS", 42, rt::Driver::Sql, kSql, "OWNERFIRME", "USERID C11,IME C31",
     "USERS:PO_ID(USERID)PON"},
    {TableId::NALOZIS, "NALOZIS", "NLS", 61, rt::Driver::Sql, kSql, "OWNERFIRME",
     "LASTUSER B,BROJ C7,DATUM L,OPIS C31,DUGUJE R,POTRAZUJE R,MODEL B,PROKNJ B", "NLS:PO_BROJU(BROJ)PN"},
    {TableId::NAZIVI, "NAZIVI", "NAZ", 778, rt::Driver::Sql, kSql, "OWNERFIRME",
     "LASTUSER B,ANALITIKA C6,NAZIV1 C31,NAZIV2 C31,ADRESA C31,SEDISTE C31,ZIRORACUN C23,"
     "KONTAKT C31,TELEFONI C31,TEKUCI C21,PAK C7,REON C4,BCODE C14,EMAIL C50,DRZAVA C31,"
     "BPG C20,MATBROJ C10,SH_KOM C5,EMAIL2 C50,OZNAKADRZAVE C6,BROJUGOVORA C31,DATUMUGOVORA L,"
     "NAPOMENA C50,CRF B,APRNAZIV C256,NIJESEF B,NIJEPDV B",
     "NAZ:PO_KONTU(ANALITIKA)PN NAZ:PO_NAZIVU(NAZIV1,ANALITIKA)DN"},
    {TableId::SINTETIK, "SINTETIK", "SIN", 57, rt::Driver::Sql, kSql, "OWNERFIRME",
     "LASTUSER B,SINTETIKA C4,NAZIV C51,MODEL B", "SIN:PO_SINT(SINTETIKA)PN"},
    {TableId::SKMATIC, "SKMATIC", "SKM", 27, rt::Driver::Sql, kSql, "OWNERFIRME",
     "LASTUSER B,SINTETIKA C4,ANALITIKA C6,DUGUJE R,POTRAZUJE R", "SKM:PO_KONTU(SINTETIKA,ANALITIKA)PN"},
    {TableId::SKPROMET, "SKPROMET", "SKP", 169, rt::Driver::Sql, kSql, "OWNERFIRME",
     "LASTUSER B,SINTETIKA C4,ANALITIKA C6,NALOG C7,VRSTAVEZE C2,VEZA C10,DATUM L,VALUTA L,"
     "SIMBOL B,OPIS C16,DUGPOT C2,IZNOS R,RECNO C40,DUGUJE R,POTRAZUJE R,SIFRAMAG C4,DEVIZNO B,"
     "OBRKURS R,DUGEUR R,POTEUR R,ZMAG C4,ZARTIKAL C8,TM C7",
     "SKP:PO_KONTU_GR(SINTETIKA,ANALITIKA,DATUM,DUGPOT,RECNO)PN SKP:PO_NALOGU(NALOG,RECNO)DN "
     "SKP:PO_VEZI(SINTETIKA,ANALITIKA,VRSTAVEZE,VEZA)DN SKP:PO_DATUMU(DATUM)DN "
     "SKP:PO_ANALITICI(ANALITIKA)DN"},
    {TableId::KVADRIN, "KVADRIN", "KVD", 209, rt::Driver::Sql, kSql, "OWNERFIRME",
     "BROJ C11,SP C21,VLASNIK C26,ADRESA C31,MESTO C26,SHKORISNIKA C6,POVRSINA R,POVRSINAGR R,"
     "POVRSINAOST R,BROJOSOBA R,VODOMER C3,KALORIMETAR C3,TELEFON C21,MOBILNI C21,KOEFICIJENT R",
     "KVD:Po_broju(BROJ)PN KVD:Po_vlasniku(VLASNIK)DN KVD:Po_analitici(SHKORISNIKA)DN"},
    {TableId::OBRAC, "OBRAC", "OBR", 129, rt::Driver::Sql, kSql, "OWNERFIRME",
     "OBRACUN SH,NAZIV C21,DATUM L,VALUTA L,ZAKLJUCAN B,DATUMPROMETA L,SVRHA1 C31,SVRHA2 C31,"
     "SVRHA3 C31",
     "OBR:Po_obracunu(OBRACUN)PN"},
    {TableId::CENE, "CENE", "CEN", 82, rt::Driver::Sql, kSql, "OWNERFIRME",
     "OBRACUN SH,SIFRA C8,KOLICINA R,CENA R,UKUPNO R,CENAPOVR R,CENAGRPOVRS R,CENAOSOBA R,"
     "CENAFIKSNO R,CENASTAN R,CENAVODA R",
     "CEN:Po_sifri(SIFRA,OBRACUN)PN CEN:Po_obracunu(OBRACUN,SIFRA)UON"},
    {TableId::OBAVEZE, "OBAVEZE", "OBA", 64, rt::Driver::Sql, kSql, "OWNERFIRME",
     "SIFRA C8,NAZIV C21,JM C6,NACIN C16,KOLONA C13", "OBA:Po_sifri(SIFRA)PN OBA:Po_nazivu(NAZIV)DN"},
    {TableId::SPROM, "SPROM", "SPR", 69, rt::Driver::Sql, kSql, "OWNERFIRME",
     "OBRACUN SH,SHKORISNIKA C6,DATUM L,VALUTA L,SIFRA C8,KOLICINA R,CENA R,UKUPNO R,"
     "KOLONA C13,COMP B,BROJSTANA C7",
     "SPR:PO_OBRACUNU(OBRACUN,SHKORISNIKA,SIFRA)PN SPR:PO_SIFRI(SIFRA,OBRACUN)DON"},
    {TableId::SFAKT, "SFAKT", "SFA", 63, rt::Driver::Sql, kSql, "OWNERFIRME",
     "OBRACUN SH,SHKORISNIKA C6,BROJSTANA C7,ODRZAVANJE R,STRUJA R,VODA R,OSTALO R,DUG R,UKUPNO R",
     "SFA:PO_OBRACUNU(OBRACUN,SHKORISNIKA)PN SFA:PO_KORISNIKU(SHKORISNIKA,OBRACUN)DN "
     "SFA:PO_STANU(BROJSTANA,OBRACUN)DN"},
    {TableId::SKLAUZUL, "SKLAUZUL", "SKL", 4129, rt::Driver::Sql, kSql, "OWNERFIRME",
     "TEKSTKLAUZULE C2048,TEKSTPOSLOVNI C2048,SIFRA SH,OPIS C31", "SKL:Po_sifri(SIFRA)PN"},
    {TableId::FORMATS, "Formats.FDB", "CFG", 7265, rt::Driver::Keyed, "", "",
     "APPNAME S30,PROCID S30,USERID SH,CTRLID SH,FORMATID SH,FORMATNAME S30,FLAG B,FORMAT S5120,"
     "VARLINE S2048",
     "CFG:KEY_MAIN(APPNAME,PROCID,USERID,CTRLID,FORMATID)UON"},
};

TEST(Tables, DefinitionsMatchTheirRecords) {
    ASSERT_EQ(std::size(kTables), static_cast<std::size_t>(kvadrin::kTableCount) + 1);
    for (std::size_t i = 0; i < std::size(kTables); ++i) {
        const TableCase& c = kTables[i];
        SCOPED_TRACE(c.prefix);
        ASSERT_EQ(static_cast<std::size_t>(c.id), i);  // declaration order
        const rt::TableDef& d = kvadrin::table_def(c.id);
        EXPECT_EQ(d.name, c.name);
        EXPECT_EQ(d.driver, c.driver);
        EXPECT_EQ(d.options, c.options);
        EXPECT_EQ(d.owner, c.owner);
        EXPECT_TRUE(d.create);
        EXPECT_EQ(d.encrypted, c.id == TableId::MBASE);
        EXPECT_FALSE(d.oem_text);
        EXPECT_EQ(d.name_from, c.id == TableId::AINC ? "AINCIME" : "");
        EXPECT_EQ(d.layout.prefix, c.prefix);
        EXPECT_STREQ(kvadrin::table_prefix(c.id), c.prefix);
        EXPECT_EQ(d.layout.record_size, c.size);
        EXPECT_EQ(field_sig(d.layout, false), c.fields);
        EXPECT_EQ(key_sig(d.layout), c.keys);
        EXPECT_EQ(rt::validate_layout(d.layout), "");
    }
    EXPECT_STREQ(kvadrin::table_name(TableId::MBASE), "MBASE");
    EXPECT_STREQ(kvadrin::table_name(TableId::AINC), "AINC");
    EXPECT_STREQ(kvadrin::table_name(TableId::KVADRIN), "KVADRIN");
}

TEST(Tables, FieldsAndKeysAreFoundByName) {
    const rt::RecordLayout& kvd = kvadrin::table_def(TableId::KVADRIN).layout;
    const rt::FieldDef* f = kvd.field("kvd:koeficijent");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->offset, 201u);
    EXPECT_EQ(kvd.field("SHKORISNIKA")->offset, 115u);
    const rt::KeyDef* k = kvd.key("KVD:PO_BROJU");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->name, "KVD:Po_broju");
    EXPECT_EQ(kvd.primary_key(), k);

    const rt::FieldDef* r = kvadrin::table_def(TableId::MBASE).layout.field("M:R");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->offset, 120u);
    EXPECT_EQ(r->total_size(), 750u);

    // Every key is found under the capitalised name the table structure carries.
    for (int i = 0; i <= static_cast<int>(TableId::FORMATS); ++i) {
        const rt::RecordLayout& L = kvadrin::table_def(static_cast<TableId>(i)).layout;
        for (const auto& key : L.keys) EXPECT_EQ(L.key(key.structure_name()), &key) << key.name;
    }
}

TEST(Tables, BufferFieldsSitWhereTheLayoutSays) {
    // Writing a field through the named buffer is seen at the layout's offset of that field.
    kvadrin::SKP.RECNO = "R-1";
    kvadrin::M.R[14] = "Sistem";
    const auto* skp = static_cast<const char*>(kvadrin::record_buffer(TableId::SKPROMET));
    EXPECT_EQ(static_cast<const void*>(skp), static_cast<const void*>(&kvadrin::SKP));
    EXPECT_STREQ(skp + kvadrin::table_def(TableId::SKPROMET).layout.field("RECNO")->offset, "R-1");
    const auto* m = static_cast<const char*>(kvadrin::record_buffer(TableId::MBASE));
    const rt::FieldDef* r = kvadrin::table_def(TableId::MBASE).layout.field("M:R");
    EXPECT_EQ(std::string(m + r->offset + 14 * r->size, 6), "Sistem");
    EXPECT_EQ(kvadrin::record_buffer(TableId::FORMATS), static_cast<void*>(&kvadrin::CFG));
    EXPECT_EQ(kvadrin::record_buffer(TableId::AINC), static_cast<void*>(&kvadrin::A));
    kvadrin::SKP.RECNO.clear();
    kvadrin::M.R[14].clear();
}

TEST(Tables, UnitNumberIsCutToSixCharactersInInvoicesAndItems) {
    kvadrin::KVD.BROJ = "A-12345678";
    EXPECT_EQ(kvadrin::KVD.BROJ.view(), "A-12345678");
    kvadrin::SFA.BROJSTANA = "A-12345";
    kvadrin::SPR.BROJSTANA = kvadrin::KVD.BROJ.view();
    EXPECT_EQ(kvadrin::SFA.BROJSTANA.view(), "A-1234");
    EXPECT_EQ(kvadrin::SPR.BROJSTANA.view(), "A-1234");
    kvadrin::KVD.BROJ.clear();
    kvadrin::SFA.BROJSTANA.clear();
    kvadrin::SPR.BROJSTANA.clear();
}

// The bytes of a cleared record of the layout.
std::vector<unsigned char> cleared(const rt::RecordLayout& L) {
    std::vector<unsigned char> v(L.record_size, 0xAA);
    rt::clear_record(L, v.data());
    return v;
}

TEST(Tables, FreshThreadSeesClearedBuffers) {
    kvadrin::KVD.BROJ = "12";
    kvadrin::A.R_STR = "x";
    kvadrin::CFG.USERID = 7;
    kvadrin::INNAZ.NAZIV1 = "Petar";

    std::vector<std::string> dirty;
    std::thread t([&dirty] {
        for (int i = 0; i <= static_cast<int>(TableId::FORMATS); ++i) {
            const rt::RecordLayout& L = kvadrin::table_def(static_cast<TableId>(i)).layout;
            if (std::memcmp(kvadrin::record_buffer(static_cast<TableId>(i)), cleared(L).data(),
                            L.record_size) != 0)
                dirty.push_back(L.prefix);
        }
        for (int i = 0; i < kvadrin::kOldFileCount; ++i) {
            const rt::RecordLayout& L = kvadrin::old_file_def(static_cast<OldFileId>(i)).layout;
            if (std::memcmp(kvadrin::old_file_buffer(static_cast<OldFileId>(i)), cleared(L).data(),
                            L.record_size) != 0)
                dirty.push_back(L.prefix);
        }
        kvadrin::KVD.BROJ = "other";  // the other thread's buffer is its own
    });
    t.join();
    EXPECT_TRUE(dirty.empty()) << dirty.front();
    EXPECT_EQ(kvadrin::KVD.BROJ.view(), "12");
    EXPECT_EQ(kvadrin::A.R_STR.view(), "x    ");
    EXPECT_EQ(kvadrin::CFG.USERID, 7);
    EXPECT_EQ(kvadrin::INNAZ.NAZIV1.view().substr(0, 5), "Petar");
    kvadrin::KVD.BROJ.clear();
    kvadrin::A.R_STR.clear();
    kvadrin::CFG.USERID = 0;
    kvadrin::INNAZ.NAZIV1.clear();
}

struct OldFileCase {
    OldFileId id;
    const char* prefix;
    std::size_t size;
    bool keyed;
    bool oem;
    const char* fields;  // with byte positions
    const char* keys;
};

const OldFileCase kOldFiles[] = {
    {OldFileId::INSKP, "INSKP", 58, false, true,
     "LASTUSER@0 B,KONTO@1 G8,SINTETIKA@1 S3,ANALITIKA@4 S5,NALOG@9 S6,VRSTAVEZE@15 S1,"
     "VEZA@16 S9,DATUM@25 L,VALUTA@29 L,SIMBOL@33 B,OPIS@34 S15,DUGPOT@49 S1,IZNOS@50 R",
     "INSKP:PO_KONTU_GR(KONTO,DATUM)DON INSKP:PO_NALOGU(NALOG)DN "
     "INSKP:PO_VEZI(KONTO,VRSTAVEZE,VEZA)DON INSKP:PO_DATUMU(DATUM)DON "
     "INSKP:PO_ANALITICI(ANALITIKA)DN"},
    {OldFileId::INSKM, "INSKM", 25, false, true,
     "LASTUSER@0 B,KONTO@1 G8,SINTETIKA@1 S3,ANALITIKA@4 S5,DUGUJE@9 R,POTRAZUJE@17 R",
     "INSKM:PO_KONTU(SINTETIKA,ANALITIKA)UON INSKM:PO_KONTU_GR(KONTO)DON"},
    {OldFileId::INSIN, "INSIN", 55, false, true, "LASTUSER@0 B,SINTETIKA@1 S3,NAZIV@4 S50,MODEL@54 B",
     "INSIN:PO_SINT(SINTETIKA)PN"},
    {OldFileId::INNAZ, "INNAZ", 228, false, true,
     "LASTUSER@0 B,ANALITIKA@1 S5,NAZIV1@6 S30,NAZIV2@36 S30,ADRESA@66 S30,SEDISTE@96 S30,"
     "ZIRORACUN@126 S22,KONTAKT@148 S30,TELEFONI@178 S30,TEKUCI@208 S20",
     "INNAZ:PO_KONTU(ANALITIKA)UON INNAZ:PO_NAZIVU(NAZIV1)DON"},
    {OldFileId::INNLS, "INNLS", 59, false, true,
     "LASTUSER@0 B,BROJ@1 S6,DATUM@7 L,OPIS@11 S30,DUGUJE@41 R,POTRAZUJE@49 R,MODEL@57 B,"
     "PROKNJ@58 B",
     "INNLS:PO_BROJU(BROJ)UO"},
    {OldFileId::INKVD, "INKVD", 199, false, false,
     "BROJ@0 S10,SP@10 S20,VLASNIK@30 S25,ADRESA@55 S30,MESTO@85 S25,SHKORISNIKA@110 S5,"
     "POVRSINA@115 R,POVRSINAGR@123 R,POVRSINAOST@131 R,BROJOSOBA@139 R,VODOMER@147 S2,"
     "KALORIMETAR@149 S2,TELEFON@151 S20,MOBILNI@171 S20,KOEFICIJENT@191 R",
     "INKVD:PO_BROJU(BROJ)PON INKVD:PO_VLASNIKU(VLASNIK)DON INKVD:PO_ANALITICI(SHKORISNIKA)DON"},
    {OldFileId::INSPR, "INSPR", 65, false, false,
     "OBRACUN@0 SH,SHKORISNIKA@2 S5,DATUM@7 L,VALUTA@11 L,SIFRA@15 S7,KOLICINA@22 R,CENA@30 R,"
     "UKUPNO@38 R,KOLONA@46 S12,COMP@58 B,BROJSTANA@59 S6",
     "INSPR:PO_OBRACUNU(OBRACUN,SHKORISNIKA,SIFRA)PON INSPR:PO_SIFRI(SIFRA,OBRACUN)DON"},
    {OldFileId::INSKL, "INSKL", 4128, true, false,
     "TEKSTKLAUZULE@0 S2048,TEKSTPOSLOVNI@2048 S2048,SIFRA@4096 SH,OPIS@4098 S30",
     "INSKL:PO_SIFRI(SIFRA)PON"},
    {OldFileId::INSFA, "INSFA", 61, false, false,
     "OBRACUN@0 SH,SHKORISNIKA@2 S5,BROJSTANA@7 S6,ODRZAVANJE@13 R,STRUJA@21 R,VODA@29 R,"
     "OSTALO@37 R,DUG@45 R,UKUPNO@53 R",
     "INSFA:PO_OBRACUNU(OBRACUN,SHKORISNIKA)PON INSFA:PO_KORISNIKU(SHKORISNIKA,OBRACUN)DON "
     "INSFA:PO_STANU(BROJSTANA,OBRACUN)DON"},
    {OldFileId::INOBR, "INOBR", 125, false, false,
     "OBRACUN@0 SH,NAZIV@2 S20,DATUM@22 L,VALUTA@26 L,ZAKLJUCAN@30 B,DATUMPROMETA@31 L,"
     "SVRHA1@35 S30,SVRHA2@65 S30,SVRHA3@95 S30",
     "INOBR:PO_OBRACUNU(OBRACUN)PON"},
    {OldFileId::INOBA, "INOBA", 59, false, false,
     "SIFRA@0 S7,NAZIV@7 S20,JM@27 S5,NACIN@32 S15,KOLONA@47 S12",
     "INOBA:PO_SIFRI(SIFRA)PON INOBA:PO_NAZIVU(NAZIV)DON"},
    {OldFileId::INCEN, "INCEN", 81, false, false,
     "OBRACUN@0 SH,SIFRA@2 S7,KOLICINA@9 R,CENA@17 R,UKUPNO@25 R,CENAPOVR@33 R,CENAGRPOVRS@41 R,"
     "CENAOSOBA@49 R,CENAFIKSNO@57 R,CENASTAN@65 R,CENAVODA@73 R",
     "INCEN:PO_SIFRI(SIFRA,OBRACUN)PON INCEN:PO_OBRACUNU(OBRACUN,SIFRA)UON"},
};

TEST(OldFiles, DefinitionsMatchTheirByteLayouts) {
    ASSERT_EQ(std::size(kOldFiles), static_cast<std::size_t>(kvadrin::kOldFileCount));
    for (std::size_t i = 0; i < std::size(kOldFiles); ++i) {
        const OldFileCase& c = kOldFiles[i];
        SCOPED_TRACE(c.prefix);
        ASSERT_EQ(static_cast<std::size_t>(c.id), i);
        const rt::TableDef& d = kvadrin::old_file_def(c.id);
        EXPECT_EQ(d.name, "");
        EXPECT_EQ(d.name_from, "PREUZMIFAJL");
        EXPECT_EQ(d.owner, "PREUZMIFAJL");
        EXPECT_EQ(d.driver, c.keyed ? rt::Driver::Keyed : rt::Driver::Flat);
        EXPECT_EQ(d.oem_text, c.oem);
        EXPECT_FALSE(d.create);
        EXPECT_FALSE(d.encrypted);
        EXPECT_EQ(d.layout.prefix, c.prefix);
        EXPECT_STREQ(kvadrin::old_file_prefix(c.id), c.prefix);
        EXPECT_EQ(d.layout.record_size, c.size);
        EXPECT_EQ(field_sig(d.layout, true), c.fields);
        EXPECT_EQ(key_sig(d.layout), c.keys);
        EXPECT_EQ(rt::validate_layout(d.layout), "");
    }
}

TEST(OldFiles, GroupsAddNothingToTheRecord) {
    for (OldFileId id : {OldFileId::INSKP, OldFileId::INSKM}) {
        const rt::RecordLayout& L = kvadrin::old_file_def(id).layout;
        std::size_t sum = 0;
        for (const auto& f : L.fields)
            if (f.type != rt::FieldType::Group) sum += f.total_size();
        EXPECT_EQ(sum, L.record_size) << L.prefix;
        const rt::FieldDef* konto = L.field("KONTO");
        ASSERT_NE(konto, nullptr);
        EXPECT_EQ(konto->name, L.prefix + ":KONTO");
        EXPECT_EQ(konto->offset, L.field("SINTETIKA")->offset);
        EXPECT_EQ(konto->offset + konto->size, L.field("ANALITIKA")->offset + L.field("ANALITIKA")->size);
    }
    // The group's bytes are its members' bytes.
    kvadrin::INSKP.KONTO.SINTETIKA = "204";
    kvadrin::INSKP.KONTO.ANALITIKA = "00017";
    const auto* b = static_cast<const char*>(kvadrin::old_file_buffer(OldFileId::INSKP));
    EXPECT_EQ(std::string(b + kvadrin::old_file_def(OldFileId::INSKP).layout.field("KONTO")->offset, 8),
              "20400017");
    kvadrin::INSKP.KONTO.SINTETIKA.clear();
    kvadrin::INSKP.KONTO.ANALITIKA.clear();
}

}  // namespace
