// The twelve data files of the previous program, as the take-over reads them: record
// layouts byte for byte (texts blank-padded, no gaps), per-thread record buffers and the
// file definitions. Each file takes its name from PREUZMIFAJL at open.
#pragma once

#include <cstddef>

#include "platform/files/layout.h"
#include "platform/files/types.h"

namespace kvadrin {

// An account: its synthetic and its analytic number.
struct INSKPKonto {
    rt::FString<3> SINTETIKA;
    rt::FString<5> ANALITIKA;
};
static_assert(sizeof(INSKPKonto) == 8);

// Ledger postings.
struct INSKPRecord {
    rt::Byte LASTUSER;
    INSKPKonto KONTO;
    rt::FString<6> NALOG;
    rt::FString<1> VRSTAVEZE;
    rt::FString<9> VEZA;
    rt::Long DATUM;
    rt::Long VALUTA;
    rt::Byte SIMBOL;
    rt::FString<15> OPIS;
    rt::FString<1> DUGPOT;
    rt::Real IZNOS;
};
static_assert(sizeof(INSKPRecord) == 58);
static_assert(offsetof(INSKPRecord, LASTUSER) == 0 && offsetof(INSKPRecord, KONTO) == 1 &&
              offsetof(INSKPRecord, KONTO) + offsetof(INSKPKonto, ANALITIKA) == 4 &&
              offsetof(INSKPRecord, NALOG) == 9 && offsetof(INSKPRecord, VRSTAVEZE) == 15 &&
              offsetof(INSKPRecord, VEZA) == 16 && offsetof(INSKPRecord, DATUM) == 25 &&
              offsetof(INSKPRecord, VALUTA) == 29 && offsetof(INSKPRecord, SIMBOL) == 33 &&
              offsetof(INSKPRecord, OPIS) == 34 && offsetof(INSKPRecord, DUGPOT) == 49 &&
              offsetof(INSKPRecord, IZNOS) == 50);

struct INSKMKonto {
    rt::FString<3> SINTETIKA;
    rt::FString<5> ANALITIKA;
};
static_assert(sizeof(INSKMKonto) == 8);

// Account balances.
struct INSKMRecord {
    rt::Byte LASTUSER;
    INSKMKonto KONTO;
    rt::Real DUGUJE;
    rt::Real POTRAZUJE;
};
static_assert(sizeof(INSKMRecord) == 25);
static_assert(offsetof(INSKMRecord, KONTO) == 1 &&
              offsetof(INSKMRecord, KONTO) + offsetof(INSKMKonto, ANALITIKA) == 4 &&
              offsetof(INSKMRecord, DUGUJE) == 9 && offsetof(INSKMRecord, POTRAZUJE) == 17);

// Synthetic accounts.
struct INSINRecord {
    rt::Byte LASTUSER;
    rt::FString<3> SINTETIKA;
    rt::FString<50> NAZIV;
    rt::Byte MODEL;
};
static_assert(sizeof(INSINRecord) == 55);
static_assert(offsetof(INSINRecord, SINTETIKA) == 1 && offsetof(INSINRecord, NAZIV) == 4 &&
              offsetof(INSINRecord, MODEL) == 54);

// Owners and partners.
struct INNAZRecord {
    rt::Byte LASTUSER;
    rt::FString<5> ANALITIKA;
    rt::FString<30> NAZIV1;
    rt::FString<30> NAZIV2;
    rt::FString<30> ADRESA;
    rt::FString<30> SEDISTE;
    rt::FString<22> ZIRORACUN;
    rt::FString<30> KONTAKT;
    rt::FString<30> TELEFONI;
    rt::FString<20> TEKUCI;
};
static_assert(sizeof(INNAZRecord) == 228);
static_assert(offsetof(INNAZRecord, ANALITIKA) == 1 && offsetof(INNAZRecord, NAZIV1) == 6 &&
              offsetof(INNAZRecord, NAZIV2) == 36 && offsetof(INNAZRecord, ADRESA) == 66 &&
              offsetof(INNAZRecord, SEDISTE) == 96 && offsetof(INNAZRecord, ZIRORACUN) == 126 &&
              offsetof(INNAZRecord, KONTAKT) == 148 && offsetof(INNAZRecord, TELEFONI) == 178 &&
              offsetof(INNAZRecord, TEKUCI) == 208);

// Posting vouchers.
struct INNLSRecord {
    rt::Byte LASTUSER;
    rt::FString<6> BROJ;
    rt::Long DATUM;
    rt::FString<30> OPIS;
    rt::Real DUGUJE;
    rt::Real POTRAZUJE;
    rt::Byte MODEL;
    rt::Byte PROKNJ;
};
static_assert(sizeof(INNLSRecord) == 59);
static_assert(offsetof(INNLSRecord, BROJ) == 1 && offsetof(INNLSRecord, DATUM) == 7 &&
              offsetof(INNLSRecord, OPIS) == 11 && offsetof(INNLSRecord, DUGUJE) == 41 &&
              offsetof(INNLSRecord, POTRAZUJE) == 49 && offsetof(INNLSRecord, MODEL) == 57 &&
              offsetof(INNLSRecord, PROKNJ) == 58);

// Units.
struct INKVDRecord {
    rt::FString<10> BROJ;
    rt::FString<20> SP;
    rt::FString<25> VLASNIK;
    rt::FString<30> ADRESA;
    rt::FString<25> MESTO;
    rt::FString<5> SHKORISNIKA;
    rt::Real POVRSINA;
    rt::Real POVRSINAGR;
    rt::Real POVRSINAOST;
    rt::Real BROJOSOBA;
    rt::FString<2> VODOMER;
    rt::FString<2> KALORIMETAR;
    rt::FString<20> TELEFON;
    rt::FString<20> MOBILNI;
    rt::Real KOEFICIJENT;
};
static_assert(sizeof(INKVDRecord) == 199);
static_assert(offsetof(INKVDRecord, SP) == 10 && offsetof(INKVDRecord, VLASNIK) == 30 &&
              offsetof(INKVDRecord, ADRESA) == 55 && offsetof(INKVDRecord, MESTO) == 85 &&
              offsetof(INKVDRecord, SHKORISNIKA) == 110 && offsetof(INKVDRecord, POVRSINA) == 115 &&
              offsetof(INKVDRecord, POVRSINAGR) == 123 && offsetof(INKVDRecord, POVRSINAOST) == 131 &&
              offsetof(INKVDRecord, BROJOSOBA) == 139 && offsetof(INKVDRecord, VODOMER) == 147 &&
              offsetof(INKVDRecord, KALORIMETAR) == 149 && offsetof(INKVDRecord, TELEFON) == 151 &&
              offsetof(INKVDRecord, MOBILNI) == 171 && offsetof(INKVDRecord, KOEFICIJENT) == 191);

// Invoice items.
struct INSPRRecord {
    rt::Short OBRACUN;
    rt::FString<5> SHKORISNIKA;
    rt::Long DATUM;
    rt::Long VALUTA;
    rt::FString<7> SIFRA;
    rt::Real KOLICINA;
    rt::Real CENA;
    rt::Real UKUPNO;
    rt::FString<12> KOLONA;
    rt::Byte COMP;
    rt::FString<6> BROJSTANA;
};
static_assert(sizeof(INSPRRecord) == 65);
static_assert(offsetof(INSPRRecord, SHKORISNIKA) == 2 && offsetof(INSPRRecord, DATUM) == 7 &&
              offsetof(INSPRRecord, VALUTA) == 11 && offsetof(INSPRRecord, SIFRA) == 15 &&
              offsetof(INSPRRecord, KOLICINA) == 22 && offsetof(INSPRRecord, CENA) == 30 &&
              offsetof(INSPRRecord, UKUPNO) == 38 && offsetof(INSPRRecord, KOLONA) == 46 &&
              offsetof(INSPRRecord, COMP) == 58 && offsetof(INSPRRecord, BROJSTANA) == 59);

// Clauses (keyed file).
struct INSKLRecord {
    rt::FString<2048> TEKSTKLAUZULE;
    rt::FString<2048> TEKSTPOSLOVNI;
    rt::Short SIFRA;
    rt::FString<30> OPIS;
};
static_assert(sizeof(INSKLRecord) == 4128);
static_assert(offsetof(INSKLRecord, TEKSTPOSLOVNI) == 2048 && offsetof(INSKLRecord, SIFRA) == 4096 &&
              offsetof(INSKLRecord, OPIS) == 4098);

// Invoices.
struct INSFARecord {
    rt::Short OBRACUN;
    rt::FString<5> SHKORISNIKA;
    rt::FString<6> BROJSTANA;
    rt::Real ODRZAVANJE;
    rt::Real STRUJA;
    rt::Real VODA;
    rt::Real OSTALO;
    rt::Real DUG;
    rt::Real UKUPNO;
};
static_assert(sizeof(INSFARecord) == 61);
static_assert(offsetof(INSFARecord, SHKORISNIKA) == 2 && offsetof(INSFARecord, BROJSTANA) == 7 &&
              offsetof(INSFARecord, ODRZAVANJE) == 13 && offsetof(INSFARecord, STRUJA) == 21 &&
              offsetof(INSFARecord, VODA) == 29 && offsetof(INSFARecord, OSTALO) == 37 &&
              offsetof(INSFARecord, DUG) == 45 && offsetof(INSFARecord, UKUPNO) == 53);

// Billing runs.
struct INOBRRecord {
    rt::Short OBRACUN;
    rt::FString<20> NAZIV;
    rt::Long DATUM;
    rt::Long VALUTA;
    rt::Byte ZAKLJUCAN;
    rt::Long DATUMPROMETA;
    rt::FString<30> SVRHA1;
    rt::FString<30> SVRHA2;
    rt::FString<30> SVRHA3;
};
static_assert(sizeof(INOBRRecord) == 125);
static_assert(offsetof(INOBRRecord, NAZIV) == 2 && offsetof(INOBRRecord, DATUM) == 22 &&
              offsetof(INOBRRecord, VALUTA) == 26 && offsetof(INOBRRecord, ZAKLJUCAN) == 30 &&
              offsetof(INOBRRecord, DATUMPROMETA) == 31 && offsetof(INOBRRecord, SVRHA1) == 35 &&
              offsetof(INOBRRecord, SVRHA2) == 65 && offsetof(INOBRRecord, SVRHA3) == 95);

// Services.
struct INOBARecord {
    rt::FString<7> SIFRA;
    rt::FString<20> NAZIV;
    rt::FString<5> JM;
    rt::FString<15> NACIN;
    rt::FString<12> KOLONA;
};
static_assert(sizeof(INOBARecord) == 59);
static_assert(offsetof(INOBARecord, NAZIV) == 7 && offsetof(INOBARecord, JM) == 27 &&
              offsetof(INOBARecord, NACIN) == 32 && offsetof(INOBARecord, KOLONA) == 47);

// Prices of billing runs.
struct INCENRecord {
    rt::Short OBRACUN;
    rt::FString<7> SIFRA;
    rt::Real KOLICINA;
    rt::Real CENA;
    rt::Real UKUPNO;
    rt::Real CENAPOVR;
    rt::Real CENAGRPOVRS;
    rt::Real CENAOSOBA;
    rt::Real CENAFIKSNO;
    rt::Real CENASTAN;
    rt::Real CENAVODA;
};
static_assert(sizeof(INCENRecord) == 81);
static_assert(offsetof(INCENRecord, SIFRA) == 2 && offsetof(INCENRecord, KOLICINA) == 9 &&
              offsetof(INCENRecord, CENA) == 17 && offsetof(INCENRecord, UKUPNO) == 25 &&
              offsetof(INCENRecord, CENAPOVR) == 33 && offsetof(INCENRecord, CENAGRPOVRS) == 41 &&
              offsetof(INCENRecord, CENAOSOBA) == 49 && offsetof(INCENRecord, CENAFIKSNO) == 57 &&
              offsetof(INCENRecord, CENASTAN) == 65 && offsetof(INCENRecord, CENAVODA) == 73);

// This thread's record buffers of the old files.
extern thread_local INSKPRecord INSKP;
extern thread_local INSKMRecord INSKM;
extern thread_local INSINRecord INSIN;
extern thread_local INNAZRecord INNAZ;
extern thread_local INNLSRecord INNLS;
extern thread_local INKVDRecord INKVD;
extern thread_local INSPRRecord INSPR;
extern thread_local INSKLRecord INSKL;
extern thread_local INSFARecord INSFA;
extern thread_local INOBRRecord INOBR;
extern thread_local INOBARecord INOBA;
extern thread_local INCENRecord INCEN;

enum class OldFileId : int {
    INSKP,
    INSKM,
    INSIN,
    INNAZ,
    INNLS,
    INKVD,
    INSPR,
    INSKL,
    INSFA,
    INOBR,
    INOBA,
    INCEN,
};
constexpr int kOldFileCount = 12;

// The file's definition: empty name with name_from (and owner) "PREUZMIFAJL"; the flat-file
// driver, which adds ".DAT" to a name without extension, except INSKL on the keyed-file
// driver; never created (the files are only read); oem_text for the five ledger files,
// whose texts are in the DOS code page.
const rt::TableDef& old_file_def(OldFileId id);
// "INSKP", ..., "INCEN": also the file's prefix.
const char* old_file_prefix(OldFileId id);
// This thread's record buffer of the file.
void* old_file_buffer(OldFileId id);

}  // namespace kvadrin
