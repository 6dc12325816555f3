#include "data/tables.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

namespace kvadrin {

thread_local KVADRINRecord KVD;
thread_local NAZIVIRecord NAZ;
thread_local OBAVEZERecord OBA;
thread_local OBRACRecord OBR;
thread_local CENERecord CEN;
thread_local SPROMRecord SPR;
thread_local SFAKTRecord SFA;
thread_local SKLAUZULRecord SKL;
thread_local SKPROMETRecord SKP;
thread_local NALOZISRecord NLS;
thread_local SINTETIKRecord SIN;
thread_local SKMATICRecord SKM;
thread_local USERSRecord USERS;
thread_local AINCRecord A;
thread_local MBASERecord M;
thread_local LVERRecord LVE;
thread_local LVERXRecord LVEX;
thread_local CFGRecord CFG;

namespace {

constexpr int kDefCount = kTableCount + 1;

constexpr const char* kSqlOptions = "/IGNORETRUNCATION=TRUE /LOGONSCREEN=FALSE";
constexpr const char* kAincOptions = "/IGNORETRUNCATION=TRUE /LOGONSCREEN=FALSE /TURBOSQL=TRUE";

constexpr unsigned kPrimary = rt::kKeyPrimary | rt::kKeyNoCase;
constexpr unsigned kUnique = rt::kKeyUnique | rt::kKeyNoCase;
constexpr unsigned kDup = rt::kKeyDup | rt::kKeyNoCase;
constexpr unsigned kOpt = rt::kKeyOptional;

// One field of record struct Rec, named "<prefix>:<member>", with type, size and offset
// taken from the member itself.
#define KV_FIELD(m) rt::field_for<decltype(Rec::m)>(L.prefix + ":" #m, offsetof(Rec, m))

template <typename R>
rt::RecordLayout begin(const char* prefix) {
    rt::RecordLayout L;
    L.prefix = prefix;
    L.record_size = sizeof(R);
    return L;
}

void key(rt::RecordLayout& L, const char* name, std::initializer_list<std::string_view> fields,
         unsigned flags) {
    L.keys.push_back(rt::make_key(L, name, fields, flags));
}

rt::RecordLayout kvadrin_layout() {
    using Rec = KVADRINRecord;
    auto L = begin<Rec>("KVD");
    L.fields = {KV_FIELD(BROJ),        KV_FIELD(SP),          KV_FIELD(VLASNIK),    KV_FIELD(ADRESA),
                KV_FIELD(MESTO),       KV_FIELD(SHKORISNIKA), KV_FIELD(POVRSINA),   KV_FIELD(POVRSINAGR),
                KV_FIELD(POVRSINAOST), KV_FIELD(BROJOSOBA),   KV_FIELD(VODOMER),    KV_FIELD(KALORIMETAR),
                KV_FIELD(TELEFON),     KV_FIELD(MOBILNI),     KV_FIELD(KOEFICIJENT)};
    key(L, "KVD:Po_broju", {"KVD:BROJ"}, kPrimary);
    key(L, "KVD:Po_vlasniku", {"KVD:VLASNIK"}, kDup);
    key(L, "KVD:Po_analitici", {"KVD:SHKORISNIKA"}, kDup);
    return L;
}

rt::RecordLayout nazivi_layout() {
    using Rec = NAZIVIRecord;
    auto L = begin<Rec>("NAZ");
    L.fields = {KV_FIELD(LASTUSER),    KV_FIELD(ANALITIKA),    KV_FIELD(NAZIV1),    KV_FIELD(NAZIV2),
                KV_FIELD(ADRESA),      KV_FIELD(SEDISTE),      KV_FIELD(ZIRORACUN), KV_FIELD(KONTAKT),
                KV_FIELD(TELEFONI),    KV_FIELD(TEKUCI),       KV_FIELD(PAK),       KV_FIELD(REON),
                KV_FIELD(BCODE),       KV_FIELD(EMAIL),        KV_FIELD(DRZAVA),    KV_FIELD(BPG),
                KV_FIELD(MATBROJ),     KV_FIELD(SH_KOM),       KV_FIELD(EMAIL2),    KV_FIELD(OZNAKADRZAVE),
                KV_FIELD(BROJUGOVORA), KV_FIELD(DATUMUGOVORA), KV_FIELD(NAPOMENA),  KV_FIELD(CRF),
                KV_FIELD(APRNAZIV),    KV_FIELD(NIJESEF),      KV_FIELD(NIJEPDV)};
    key(L, "NAZ:PO_KONTU", {"NAZ:ANALITIKA"}, kPrimary);
    key(L, "NAZ:PO_NAZIVU", {"NAZ:NAZIV1", "NAZ:ANALITIKA"}, kDup);
    return L;
}

rt::RecordLayout obaveze_layout() {
    using Rec = OBAVEZERecord;
    auto L = begin<Rec>("OBA");
    L.fields = {KV_FIELD(SIFRA), KV_FIELD(NAZIV), KV_FIELD(JM), KV_FIELD(NACIN), KV_FIELD(KOLONA)};
    key(L, "OBA:Po_sifri", {"OBA:SIFRA"}, kPrimary);
    key(L, "OBA:Po_nazivu", {"OBA:NAZIV"}, kDup);
    return L;
}

rt::RecordLayout obrac_layout() {
    using Rec = OBRACRecord;
    auto L = begin<Rec>("OBR");
    L.fields = {KV_FIELD(OBRACUN), KV_FIELD(NAZIV),     KV_FIELD(DATUM),
                KV_FIELD(VALUTA),  KV_FIELD(ZAKLJUCAN), KV_FIELD(DATUMPROMETA),
                KV_FIELD(SVRHA1),  KV_FIELD(SVRHA2),    KV_FIELD(SVRHA3)};
    key(L, "OBR:Po_obracunu", {"OBR:OBRACUN"}, kPrimary);
    return L;
}

rt::RecordLayout cene_layout() {
    using Rec = CENERecord;
    auto L = begin<Rec>("CEN");
    L.fields = {KV_FIELD(OBRACUN),    KV_FIELD(SIFRA),    KV_FIELD(KOLICINA),    KV_FIELD(CENA),
                KV_FIELD(UKUPNO),     KV_FIELD(CENAPOVR), KV_FIELD(CENAGRPOVRS), KV_FIELD(CENAOSOBA),
                KV_FIELD(CENAFIKSNO), KV_FIELD(CENASTAN), KV_FIELD(CENAVODA)};
    key(L, "CEN:Po_sifri", {"CEN:SIFRA", "CEN:OBRACUN"}, kPrimary);
    key(L, "CEN:Po_obracunu", {"CEN:OBRACUN", "CEN:SIFRA"}, kUnique | kOpt);
    return L;
}

rt::RecordLayout sprom_layout() {
    using Rec = SPROMRecord;
    auto L = begin<Rec>("SPR");
    L.fields = {KV_FIELD(OBRACUN), KV_FIELD(SHKORISNIKA), KV_FIELD(DATUM),    KV_FIELD(VALUTA),
                KV_FIELD(SIFRA),   KV_FIELD(KOLICINA),    KV_FIELD(CENA),     KV_FIELD(UKUPNO),
                KV_FIELD(KOLONA),  KV_FIELD(COMP),        KV_FIELD(BROJSTANA)};
    key(L, "SPR:PO_OBRACUNU", {"SPR:OBRACUN", "SPR:SHKORISNIKA", "SPR:SIFRA"}, kPrimary);
    key(L, "SPR:PO_SIFRI", {"SPR:SIFRA", "SPR:OBRACUN"}, kDup | kOpt);
    return L;
}

rt::RecordLayout sfakt_layout() {
    using Rec = SFAKTRecord;
    auto L = begin<Rec>("SFA");
    L.fields = {KV_FIELD(OBRACUN),    KV_FIELD(SHKORISNIKA), KV_FIELD(BROJSTANA),
                KV_FIELD(ODRZAVANJE), KV_FIELD(STRUJA),      KV_FIELD(VODA),
                KV_FIELD(OSTALO),     KV_FIELD(DUG),         KV_FIELD(UKUPNO)};
    key(L, "SFA:PO_OBRACUNU", {"SFA:OBRACUN", "SFA:SHKORISNIKA"}, kPrimary);
    key(L, "SFA:PO_KORISNIKU", {"SFA:SHKORISNIKA", "SFA:OBRACUN"}, kDup);
    key(L, "SFA:PO_STANU", {"SFA:BROJSTANA", "SFA:OBRACUN"}, kDup);
    return L;
}

rt::RecordLayout sklauzul_layout() {
    using Rec = SKLAUZULRecord;
    auto L = begin<Rec>("SKL");
    L.fields = {KV_FIELD(TEKSTKLAUZULE), KV_FIELD(TEKSTPOSLOVNI), KV_FIELD(SIFRA), KV_FIELD(OPIS)};
    key(L, "SKL:Po_sifri", {"SKL:SIFRA"}, kPrimary);
    return L;
}

rt::RecordLayout skpromet_layout() {
    using Rec = SKPROMETRecord;
    auto L = begin<Rec>("SKP");
    L.fields = {KV_FIELD(LASTUSER),  KV_FIELD(SINTETIKA), KV_FIELD(ANALITIKA), KV_FIELD(NALOG),
                KV_FIELD(VRSTAVEZE), KV_FIELD(VEZA),      KV_FIELD(DATUM),     KV_FIELD(VALUTA),
                KV_FIELD(SIMBOL),    KV_FIELD(OPIS),      KV_FIELD(DUGPOT),    KV_FIELD(IZNOS),
                KV_FIELD(RECNO),     KV_FIELD(DUGUJE),    KV_FIELD(POTRAZUJE), KV_FIELD(SIFRAMAG),
                KV_FIELD(DEVIZNO),   KV_FIELD(OBRKURS),   KV_FIELD(DUGEUR),    KV_FIELD(POTEUR),
                KV_FIELD(ZMAG),      KV_FIELD(ZARTIKAL),  KV_FIELD(TM)};
    key(L, "SKP:PO_KONTU_GR", {"SKP:SINTETIKA", "SKP:ANALITIKA", "SKP:DATUM", "SKP:DUGPOT", "SKP:RECNO"},
        kPrimary);
    key(L, "SKP:PO_NALOGU", {"SKP:NALOG", "SKP:RECNO"}, kDup);
    key(L, "SKP:PO_VEZI", {"SKP:SINTETIKA", "SKP:ANALITIKA", "SKP:VRSTAVEZE", "SKP:VEZA"}, kDup);
    key(L, "SKP:PO_DATUMU", {"SKP:DATUM"}, kDup);
    key(L, "SKP:PO_ANALITICI", {"SKP:ANALITIKA"}, kDup);
    return L;
}

rt::RecordLayout nalozis_layout() {
    using Rec = NALOZISRecord;
    auto L = begin<Rec>("NLS");
    L.fields = {KV_FIELD(LASTUSER), KV_FIELD(BROJ),      KV_FIELD(DATUM), KV_FIELD(OPIS),
                KV_FIELD(DUGUJE),   KV_FIELD(POTRAZUJE), KV_FIELD(MODEL), KV_FIELD(PROKNJ)};
    key(L, "NLS:PO_BROJU", {"NLS:BROJ"}, kPrimary);
    return L;
}

rt::RecordLayout sintetik_layout() {
    using Rec = SINTETIKRecord;
    auto L = begin<Rec>("SIN");
    L.fields = {KV_FIELD(LASTUSER), KV_FIELD(SINTETIKA), KV_FIELD(NAZIV), KV_FIELD(MODEL)};
    key(L, "SIN:PO_SINT", {"SIN:SINTETIKA"}, kPrimary);
    return L;
}

rt::RecordLayout skmatic_layout() {
    using Rec = SKMATICRecord;
    auto L = begin<Rec>("SKM");
    L.fields = {KV_FIELD(LASTUSER), KV_FIELD(SINTETIKA), KV_FIELD(ANALITIKA), KV_FIELD(DUGUJE),
                KV_FIELD(POTRAZUJE)};
    key(L, "SKM:PO_KONTU", {"SKM:SINTETIKA", "SKM:ANALITIKA"}, kPrimary);
    return L;
}

rt::RecordLayout users_layout() {
    using Rec = USERSRecord;
    auto L = begin<Rec>("USERS");
    L.fields = {KV_FIELD(USERID), KV_FIELD(IME)};
    key(L, "USERS:PO_ID", {"USERS:USERID"}, kPrimary | kOpt);
    return L;
}

rt::RecordLayout ainc_layout() {
    using Rec = AINCRecord;
    auto L = begin<Rec>("A");
    L.fields = {KV_FIELD(REC_ID), KV_FIELD(R_STR), KV_FIELD(R_LONG), KV_FIELD(R_SHORT)};
    key(L, "A:PO_RECID", {"A:REC_ID"}, kPrimary);
    return L;
}

rt::RecordLayout mbase_layout() {
    using Rec = MBASERecord;
    auto L = begin<Rec>("M");
    L.fields = {KV_FIELD(NAZIVFIRME), KV_FIELD(SERVERNAME), KV_FIELD(FOLDERNAME), KV_FIELD(R)};
    key(L, "M:PO_NAZIVU", {"M:NAZIVFIRME"}, kPrimary);
    key(L, "M:PO_FOLDERU", {"M:FOLDERNAME"}, kUnique);
    return L;
}

rt::RecordLayout lver_layout() {
    using Rec = LVERRecord;
    auto L = begin<Rec>("LVE");
    L.fields = {KV_FIELD(SH_PROG), KV_FIELD(VERZIJA), KV_FIELD(DATUM), KV_FIELD(OPIS)};
    key(L, "LVE:PO_PROGRAMU", {"LVE:SH_PROG", "LVE:VERZIJA"}, kPrimary);
    return L;
}

rt::RecordLayout lverx_layout() {
    using Rec = LVERXRecord;
    auto L = begin<Rec>("LVEX");
    L.fields = {KV_FIELD(COMP_NAME), KV_FIELD(SH_PROG), KV_FIELD(STARA), KV_FIELD(DATUM), KV_FIELD(VREME)};
    key(L, "LVEX:PO_COMP", {"LVEX:COMP_NAME", "LVEX:SH_PROG", "LVEX:STARA", "LVEX:DATUM", "LVEX:VREME"},
        kPrimary);
    return L;
}

rt::RecordLayout cfg_layout() {
    using Rec = CFGRecord;
    auto L = begin<Rec>("CFG");
    L.fields = {KV_FIELD(APPNAME), KV_FIELD(PROCID),   KV_FIELD(USERID),
                KV_FIELD(CTRLID),  KV_FIELD(FORMATID), KV_FIELD(FORMATNAME),
                KV_FIELD(FLAG),    KV_FIELD(FORMAT),   KV_FIELD(VARLINE)};
    key(L, "CFG:KEY_MAIN", {"CFG:APPNAME", "CFG:PROCID", "CFG:USERID", "CFG:CTRLID", "CFG:FORMATID"},
        kUnique | kOpt);
    return L;
}

#undef KV_FIELD

rt::TableDef firm_table(const char* name, rt::RecordLayout layout) {
    rt::TableDef d;
    d.name = name;
    d.driver = rt::Driver::Sql;
    d.options = kSqlOptions;
    d.owner = "OWNERFIRME";
    d.layout = std::move(layout);
    return d;
}

rt::TableDef version_table(const char* name, rt::RecordLayout layout) {
    rt::TableDef d = firm_table(name, std::move(layout));
    d.owner = "OWNERVERZIJE";
    return d;
}

std::array<rt::TableDef, kDefCount> build_defs() {
    std::array<rt::TableDef, kDefCount> d;
    auto at = [&d](TableId id) -> rt::TableDef& { return d[static_cast<std::size_t>(id)]; };

    at(TableId::LVERX) = version_table("LVERX", lverx_layout());
    at(TableId::LVER) = version_table("LVER", lver_layout());

    // The carrier table addresses the table that AINCIME names when it is opened.
    rt::TableDef& ainc = at(TableId::AINC) = firm_table("", ainc_layout());
    ainc.options = kAincOptions;
    ainc.name_from = "AINCIME";

    // The firms list: an encrypted flat file one folder above the current one; its owner
    // is the encryption password.
    rt::TableDef& mbase = at(TableId::MBASE);
    mbase.name = "..\\MBASE.DAT";
    mbase.driver = rt::Driver::Flat;
    mbase.owner = "KeMiR!";
    mbase.encrypted = true;
    mbase.layout = mbase_layout();

    at(TableId::USERS) = firm_table("USERS", users_layout());
    at(TableId::NALOZIS) = firm_table("NALOZIS", nalozis_layout());
    at(TableId::NAZIVI) = firm_table("NAZIVI", nazivi_layout());
    at(TableId::SINTETIK) = firm_table("SINTETIK", sintetik_layout());
    at(TableId::SKMATIC) = firm_table("SKMATIC", skmatic_layout());
    at(TableId::SKPROMET) = firm_table("SKPROMET", skpromet_layout());
    at(TableId::KVADRIN) = firm_table("KVADRIN", kvadrin_layout());
    at(TableId::OBRAC) = firm_table("OBRAC", obrac_layout());
    at(TableId::CENE) = firm_table("CENE", cene_layout());
    at(TableId::OBAVEZE) = firm_table("OBAVEZE", obaveze_layout());
    at(TableId::SPROM) = firm_table("SPROM", sprom_layout());
    at(TableId::SFAKT) = firm_table("SFAKT", sfakt_layout());
    at(TableId::SKLAUZUL) = firm_table("SKLAUZUL", sklauzul_layout());

    // The browses' list formats, a keyed file in the current folder.
    rt::TableDef& formats = at(TableId::FORMATS);
    formats.name = "Formats.FDB";
    formats.driver = rt::Driver::Keyed;
    formats.layout = cfg_layout();
    return d;
}

constexpr std::array<const char*, kDefCount> kNames = {
    "LVERX",    "LVER",    "AINC",  "MBASE", "USERS",   "NALOZIS", "NAZIVI", "SINTETIK", "SKMATIC",
    "SKPROMET", "KVADRIN", "OBRAC", "CENE",  "OBAVEZE", "SPROM",   "SFAKT",  "SKLAUZUL", "FORMATS"};

constexpr std::array<const char*, kDefCount> kPrefixes = {"LVEX", "LVE", "A",   "M",   "USERS", "NLS",
                                                          "NAZ",  "SIN", "SKM", "SKP", "KVD",   "OBR",
                                                          "CEN",  "OBA", "SPR", "SFA", "SKL",   "CFG"};

std::size_t index_of(TableId id) {
    auto i = static_cast<std::size_t>(id);
    if (i >= kDefCount) {
        std::fprintf(stderr, "no table with id %zu\n", i);
        std::abort();
    }
    return i;
}

}  // namespace

const rt::TableDef& table_def(TableId id) {
    static const std::array<rt::TableDef, kDefCount> defs = build_defs();
    return defs[index_of(id)];
}

const char* table_name(TableId id) { return kNames[index_of(id)]; }

const char* table_prefix(TableId id) { return kPrefixes[index_of(id)]; }

void* record_buffer(TableId id) {
    switch (id) {
        case TableId::LVERX: return &LVEX;
        case TableId::LVER: return &LVE;
        case TableId::AINC: return &A;
        case TableId::MBASE: return &M;
        case TableId::USERS: return &USERS;
        case TableId::NALOZIS: return &NLS;
        case TableId::NAZIVI: return &NAZ;
        case TableId::SINTETIK: return &SIN;
        case TableId::SKMATIC: return &SKM;
        case TableId::SKPROMET: return &SKP;
        case TableId::KVADRIN: return &KVD;
        case TableId::OBRAC: return &OBR;
        case TableId::CENE: return &CEN;
        case TableId::OBAVEZE: return &OBA;
        case TableId::SPROM: return &SPR;
        case TableId::SFAKT: return &SFA;
        case TableId::SKLAUZUL: return &SKL;
        case TableId::FORMATS: return &CFG;
    }
    return nullptr;
}

}  // namespace kvadrin
