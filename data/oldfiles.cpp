#include "data/oldfiles.h"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace kvadrin {

thread_local INSKPRecord INSKP;
thread_local INSKMRecord INSKM;
thread_local INSINRecord INSIN;
thread_local INNAZRecord INNAZ;
thread_local INNLSRecord INNLS;
thread_local INKVDRecord INKVD;
thread_local INSPRRecord INSPR;
thread_local INSKLRecord INSKL;
thread_local INSFARecord INSFA;
thread_local INOBRRecord INOBR;
thread_local INOBARecord INOBA;
thread_local INCENRecord INCEN;

namespace {

constexpr unsigned kDup = rt::kKeyDup;
constexpr unsigned kOpt = rt::kKeyOptional;
constexpr unsigned kNoCase = rt::kKeyNoCase;
constexpr unsigned kPrimary = rt::kKeyPrimary;
constexpr unsigned kUnique = rt::kKeyUnique;  // a key without DUP

#define KV_FIELD(m) rt::field_for<decltype(Rec::m)>(L.prefix + ":" #m, offsetof(Rec, m))
// The group itself, then its members at their own offsets.
#define KV_GROUP(g) rt::make_field(L.prefix + ":" #g, rt::FieldType::Group, offsetof(Rec, g), sizeof(Rec::g))
#define KV_MEMBER(g, m) \
    rt::field_for<decltype(Rec::g.m)>(L.prefix + ":" #m, offsetof(Rec, g) + offsetof(decltype(Rec::g), m))

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

rt::RecordLayout inskp_layout() {
    using Rec = INSKPRecord;
    auto L = begin<Rec>("INSKP");
    L.fields = {KV_FIELD(LASTUSER),
                KV_GROUP(KONTO),
                KV_MEMBER(KONTO, SINTETIKA),
                KV_MEMBER(KONTO, ANALITIKA),
                KV_FIELD(NALOG),
                KV_FIELD(VRSTAVEZE),
                KV_FIELD(VEZA),
                KV_FIELD(DATUM),
                KV_FIELD(VALUTA),
                KV_FIELD(SIMBOL),
                KV_FIELD(OPIS),
                KV_FIELD(DUGPOT),
                KV_FIELD(IZNOS)};
    key(L, "INSKP:PO_KONTU_GR", {"KONTO", "DATUM"}, kDup | kOpt | kNoCase);
    key(L, "INSKP:PO_NALOGU", {"NALOG"}, kDup | kNoCase);
    key(L, "INSKP:PO_VEZI", {"KONTO", "VRSTAVEZE", "VEZA"}, kDup | kOpt | kNoCase);
    key(L, "INSKP:PO_DATUMU", {"DATUM"}, kDup | kOpt | kNoCase);
    key(L, "INSKP:PO_ANALITICI", {"ANALITIKA"}, kDup | kNoCase);
    return L;
}

rt::RecordLayout inskm_layout() {
    using Rec = INSKMRecord;
    auto L = begin<Rec>("INSKM");
    L.fields = {KV_FIELD(LASTUSER),          KV_GROUP(KONTO),  KV_MEMBER(KONTO, SINTETIKA),
                KV_MEMBER(KONTO, ANALITIKA), KV_FIELD(DUGUJE), KV_FIELD(POTRAZUJE)};
    key(L, "INSKM:PO_KONTU", {"SINTETIKA", "ANALITIKA"}, kUnique | kOpt | kNoCase);
    key(L, "INSKM:PO_KONTU_GR", {"KONTO"}, kDup | kOpt | kNoCase);
    return L;
}

rt::RecordLayout insin_layout() {
    using Rec = INSINRecord;
    auto L = begin<Rec>("INSIN");
    L.fields = {KV_FIELD(LASTUSER), KV_FIELD(SINTETIKA), KV_FIELD(NAZIV), KV_FIELD(MODEL)};
    key(L, "INSIN:PO_SINT", {"SINTETIKA"}, kNoCase | kPrimary);
    return L;
}

rt::RecordLayout innaz_layout() {
    using Rec = INNAZRecord;
    auto L = begin<Rec>("INNAZ");
    L.fields = {KV_FIELD(LASTUSER), KV_FIELD(ANALITIKA), KV_FIELD(NAZIV1),    KV_FIELD(NAZIV2),
                KV_FIELD(ADRESA),   KV_FIELD(SEDISTE),   KV_FIELD(ZIRORACUN), KV_FIELD(KONTAKT),
                KV_FIELD(TELEFONI), KV_FIELD(TEKUCI)};
    key(L, "INNAZ:PO_KONTU", {"ANALITIKA"}, kUnique | kOpt | kNoCase);
    key(L, "INNAZ:PO_NAZIVU", {"NAZIV1"}, kDup | kOpt | kNoCase);
    return L;
}

rt::RecordLayout innls_layout() {
    using Rec = INNLSRecord;
    auto L = begin<Rec>("INNLS");
    L.fields = {KV_FIELD(LASTUSER), KV_FIELD(BROJ),      KV_FIELD(DATUM), KV_FIELD(OPIS),
                KV_FIELD(DUGUJE),   KV_FIELD(POTRAZUJE), KV_FIELD(MODEL), KV_FIELD(PROKNJ)};
    key(L, "INNLS:PO_BROJU", {"BROJ"}, kUnique | kOpt);
    return L;
}

rt::RecordLayout inkvd_layout() {
    using Rec = INKVDRecord;
    auto L = begin<Rec>("INKVD");
    L.fields = {KV_FIELD(BROJ),        KV_FIELD(SP),          KV_FIELD(VLASNIK),    KV_FIELD(ADRESA),
                KV_FIELD(MESTO),       KV_FIELD(SHKORISNIKA), KV_FIELD(POVRSINA),   KV_FIELD(POVRSINAGR),
                KV_FIELD(POVRSINAOST), KV_FIELD(BROJOSOBA),   KV_FIELD(VODOMER),    KV_FIELD(KALORIMETAR),
                KV_FIELD(TELEFON),     KV_FIELD(MOBILNI),     KV_FIELD(KOEFICIJENT)};
    key(L, "INKVD:PO_BROJU", {"BROJ"}, kOpt | kNoCase | kPrimary);
    key(L, "INKVD:PO_VLASNIKU", {"VLASNIK"}, kDup | kOpt | kNoCase);
    key(L, "INKVD:PO_ANALITICI", {"SHKORISNIKA"}, kDup | kOpt | kNoCase);
    return L;
}

rt::RecordLayout inspr_layout() {
    using Rec = INSPRRecord;
    auto L = begin<Rec>("INSPR");
    L.fields = {KV_FIELD(OBRACUN), KV_FIELD(SHKORISNIKA), KV_FIELD(DATUM),    KV_FIELD(VALUTA),
                KV_FIELD(SIFRA),   KV_FIELD(KOLICINA),    KV_FIELD(CENA),     KV_FIELD(UKUPNO),
                KV_FIELD(KOLONA),  KV_FIELD(COMP),        KV_FIELD(BROJSTANA)};
    key(L, "INSPR:PO_OBRACUNU", {"OBRACUN", "SHKORISNIKA", "SIFRA"}, kOpt | kNoCase | kPrimary);
    key(L, "INSPR:PO_SIFRI", {"SIFRA", "OBRACUN"}, kDup | kOpt | kNoCase);
    return L;
}

rt::RecordLayout inskl_layout() {
    using Rec = INSKLRecord;
    auto L = begin<Rec>("INSKL");
    L.fields = {KV_FIELD(TEKSTKLAUZULE), KV_FIELD(TEKSTPOSLOVNI), KV_FIELD(SIFRA), KV_FIELD(OPIS)};
    key(L, "INSKL:PO_SIFRI", {"SIFRA"}, kOpt | kNoCase | kPrimary);
    return L;
}

rt::RecordLayout insfa_layout() {
    using Rec = INSFARecord;
    auto L = begin<Rec>("INSFA");
    L.fields = {KV_FIELD(OBRACUN),    KV_FIELD(SHKORISNIKA), KV_FIELD(BROJSTANA),
                KV_FIELD(ODRZAVANJE), KV_FIELD(STRUJA),      KV_FIELD(VODA),
                KV_FIELD(OSTALO),     KV_FIELD(DUG),         KV_FIELD(UKUPNO)};
    key(L, "INSFA:PO_OBRACUNU", {"OBRACUN", "SHKORISNIKA"}, kOpt | kNoCase | kPrimary);
    key(L, "INSFA:PO_KORISNIKU", {"SHKORISNIKA", "OBRACUN"}, kDup | kOpt | kNoCase);
    key(L, "INSFA:PO_STANU", {"BROJSTANA", "OBRACUN"}, kDup | kOpt | kNoCase);
    return L;
}

rt::RecordLayout inobr_layout() {
    using Rec = INOBRRecord;
    auto L = begin<Rec>("INOBR");
    L.fields = {KV_FIELD(OBRACUN), KV_FIELD(NAZIV),     KV_FIELD(DATUM),
                KV_FIELD(VALUTA),  KV_FIELD(ZAKLJUCAN), KV_FIELD(DATUMPROMETA),
                KV_FIELD(SVRHA1),  KV_FIELD(SVRHA2),    KV_FIELD(SVRHA3)};
    key(L, "INOBR:PO_OBRACUNU", {"OBRACUN"}, kOpt | kNoCase | kPrimary);
    return L;
}

rt::RecordLayout inoba_layout() {
    using Rec = INOBARecord;
    auto L = begin<Rec>("INOBA");
    L.fields = {KV_FIELD(SIFRA), KV_FIELD(NAZIV), KV_FIELD(JM), KV_FIELD(NACIN), KV_FIELD(KOLONA)};
    key(L, "INOBA:PO_SIFRI", {"SIFRA"}, kOpt | kNoCase | kPrimary);
    key(L, "INOBA:PO_NAZIVU", {"NAZIV"}, kDup | kOpt | kNoCase);
    return L;
}

rt::RecordLayout incen_layout() {
    using Rec = INCENRecord;
    auto L = begin<Rec>("INCEN");
    L.fields = {KV_FIELD(OBRACUN),    KV_FIELD(SIFRA),    KV_FIELD(KOLICINA),    KV_FIELD(CENA),
                KV_FIELD(UKUPNO),     KV_FIELD(CENAPOVR), KV_FIELD(CENAGRPOVRS), KV_FIELD(CENAOSOBA),
                KV_FIELD(CENAFIKSNO), KV_FIELD(CENASTAN), KV_FIELD(CENAVODA)};
    key(L, "INCEN:PO_SIFRI", {"SIFRA", "OBRACUN"}, kOpt | kNoCase | kPrimary);
    key(L, "INCEN:PO_OBRACUNU", {"OBRACUN", "SIFRA"}, kUnique | kOpt | kNoCase);
    return L;
}

#undef KV_FIELD
#undef KV_GROUP
#undef KV_MEMBER

rt::TableDef old_file(rt::RecordLayout layout, bool oem) {
    rt::TableDef d;
    d.driver = rt::Driver::Flat;
    d.owner = "PREUZMIFAJL";
    d.name_from = "PREUZMIFAJL";
    d.create = false;
    d.oem_text = oem;
    d.layout = std::move(layout);
    return d;
}

std::array<rt::TableDef, kOldFileCount> build_defs() {
    std::array<rt::TableDef, kOldFileCount> d;
    auto at = [&d](OldFileId id) -> rt::TableDef& { return d[static_cast<std::size_t>(id)]; };
    at(OldFileId::INSKP) = old_file(inskp_layout(), true);
    at(OldFileId::INSKM) = old_file(inskm_layout(), true);
    at(OldFileId::INSIN) = old_file(insin_layout(), true);
    at(OldFileId::INNAZ) = old_file(innaz_layout(), true);
    at(OldFileId::INNLS) = old_file(innls_layout(), true);
    at(OldFileId::INKVD) = old_file(inkvd_layout(), false);
    at(OldFileId::INSPR) = old_file(inspr_layout(), false);
    at(OldFileId::INSKL) = old_file(inskl_layout(), false);
    at(OldFileId::INSKL).driver = rt::Driver::Keyed;
    at(OldFileId::INSFA) = old_file(insfa_layout(), false);
    at(OldFileId::INOBR) = old_file(inobr_layout(), false);
    at(OldFileId::INOBA) = old_file(inoba_layout(), false);
    at(OldFileId::INCEN) = old_file(incen_layout(), false);
    return d;
}

constexpr std::array<const char*, kOldFileCount> kPrefixes = {"INSKP", "INSKM", "INSIN", "INNAZ",
                                                              "INNLS", "INKVD", "INSPR", "INSKL",
                                                              "INSFA", "INOBR", "INOBA", "INCEN"};

std::size_t index_of(OldFileId id) {
    auto i = static_cast<std::size_t>(id);
    if (i >= kOldFileCount) {
        std::fprintf(stderr, "no old file with id %zu\n", i);
        std::abort();
    }
    return i;
}

}  // namespace

const rt::TableDef& old_file_def(OldFileId id) {
    static const std::array<rt::TableDef, kOldFileCount> defs = build_defs();
    return defs[index_of(id)];
}

const char* old_file_prefix(OldFileId id) { return kPrefixes[index_of(id)]; }

void* old_file_buffer(OldFileId id) {
    switch (id) {
        case OldFileId::INSKP: return &INSKP;
        case OldFileId::INSKM: return &INSKM;
        case OldFileId::INSIN: return &INSIN;
        case OldFileId::INNAZ: return &INNAZ;
        case OldFileId::INNLS: return &INNLS;
        case OldFileId::INKVD: return &INKVD;
        case OldFileId::INSPR: return &INSPR;
        case OldFileId::INSKL: return &INSKL;
        case OldFileId::INSFA: return &INSFA;
        case OldFileId::INOBR: return &INOBR;
        case OldFileId::INOBA: return &INOBA;
        case OldFileId::INCEN: return &INCEN;
    }
    return nullptr;
}

}  // namespace kvadrin
