// The seventeen tables of the firm and version databases, the firms list and the browses'
// list-format file: record layouts byte for byte, per-thread record buffers (named by the
// table's prefix, so that KVD.BROJ is the field KVD:BROJ) and the table definitions.
#pragma once

#include "platform/files/layout.h"
#include "platform/files/types.h"

namespace kvadrin {

// Units of the buildings.
struct KVADRINRecord {
    rt::CString<11> BROJ;
    rt::CString<21> SP;
    rt::CString<26> VLASNIK;
    rt::CString<31> ADRESA;
    rt::CString<26> MESTO;
    rt::CString<6> SHKORISNIKA;
    rt::Real POVRSINA;
    rt::Real POVRSINAGR;
    rt::Real POVRSINAOST;
    rt::Real BROJOSOBA;
    rt::CString<3> VODOMER;
    rt::CString<3> KALORIMETAR;
    rt::CString<21> TELEFON;
    rt::CString<21> MOBILNI;
    rt::Real KOEFICIJENT;
};
static_assert(sizeof(KVADRINRecord) == 209);

// Owners and business partners.
struct NAZIVIRecord {
    rt::Byte LASTUSER;
    rt::CString<6> ANALITIKA;
    rt::CString<31> NAZIV1;
    rt::CString<31> NAZIV2;
    rt::CString<31> ADRESA;
    rt::CString<31> SEDISTE;
    rt::CString<23> ZIRORACUN;
    rt::CString<31> KONTAKT;
    rt::CString<31> TELEFONI;
    rt::CString<21> TEKUCI;
    rt::CString<7> PAK;
    rt::CString<4> REON;
    rt::CString<14> BCODE;
    rt::CString<50> EMAIL;
    rt::CString<31> DRZAVA;
    rt::CString<20> BPG;
    rt::CString<10> MATBROJ;
    rt::CString<5> SH_KOM;
    rt::CString<50> EMAIL2;
    rt::CString<6> OZNAKADRZAVE;
    rt::CString<31> BROJUGOVORA;
    rt::Long DATUMUGOVORA;
    rt::CString<50> NAPOMENA;
    rt::Byte CRF;
    rt::CString<256> APRNAZIV;
    rt::Byte NIJESEF;
    rt::Byte NIJEPDV;
};
static_assert(sizeof(NAZIVIRecord) == 778);

// Services.
struct OBAVEZERecord {
    rt::CString<8> SIFRA;
    rt::CString<21> NAZIV;
    rt::CString<6> JM;
    rt::CString<16> NACIN;
    rt::CString<13> KOLONA;
};
static_assert(sizeof(OBAVEZERecord) == 64);

// Billing runs.
struct OBRACRecord {
    rt::Short OBRACUN;
    rt::CString<21> NAZIV;
    rt::Long DATUM;
    rt::Long VALUTA;
    rt::Byte ZAKLJUCAN;
    rt::Long DATUMPROMETA;
    rt::CString<31> SVRHA1;
    rt::CString<31> SVRHA2;
    rt::CString<31> SVRHA3;
};
static_assert(sizeof(OBRACRecord) == 129);

// Costs and unit prices of each service in each run.
struct CENERecord {
    rt::Short OBRACUN;
    rt::CString<8> SIFRA;
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
static_assert(sizeof(CENERecord) == 82);

// Charge items.
struct SPROMRecord {
    rt::Short OBRACUN;
    rt::CString<6> SHKORISNIKA;
    rt::Long DATUM;
    rt::Long VALUTA;
    rt::CString<8> SIFRA;
    rt::Real KOLICINA;
    rt::Real CENA;
    rt::Real UKUPNO;
    rt::CString<13> KOLONA;
    rt::Byte COMP;
    rt::CString<7> BROJSTANA;
};
static_assert(sizeof(SPROMRecord) == 69);

// Invoices.
struct SFAKTRecord {
    rt::Short OBRACUN;
    rt::CString<6> SHKORISNIKA;
    rt::CString<7> BROJSTANA;
    rt::Real ODRZAVANJE;
    rt::Real STRUJA;
    rt::Real VODA;
    rt::Real OSTALO;
    rt::Real DUG;
    rt::Real UKUPNO;
};
static_assert(sizeof(SFAKTRecord) == 63);

// Invoice clauses (RTF texts).
struct SKLAUZULRecord {
    rt::CString<2048> TEKSTKLAUZULE;
    rt::CString<2048> TEKSTPOSLOVNI;
    rt::Short SIFRA;
    rt::CString<31> OPIS;
};
static_assert(sizeof(SKLAUZULRecord) == 4129);

// General-ledger postings.
struct SKPROMETRecord {
    rt::Byte LASTUSER;
    rt::CString<4> SINTETIKA;
    rt::CString<6> ANALITIKA;
    rt::CString<7> NALOG;
    rt::CString<2> VRSTAVEZE;
    rt::CString<10> VEZA;
    rt::Long DATUM;
    rt::Long VALUTA;
    rt::Byte SIMBOL;
    rt::CString<16> OPIS;
    rt::CString<2> DUGPOT;
    rt::Real IZNOS;
    rt::CString<40> RECNO;
    rt::Real DUGUJE;
    rt::Real POTRAZUJE;
    rt::CString<4> SIFRAMAG;
    rt::Byte DEVIZNO;
    rt::Real OBRKURS;
    rt::Real DUGEUR;
    rt::Real POTEUR;
    rt::CString<4> ZMAG;
    rt::CString<8> ZARTIKAL;
    rt::CString<7> TM;
};
static_assert(sizeof(SKPROMETRecord) == 169);

// Posting vouchers.
struct NALOZISRecord {
    rt::Byte LASTUSER;
    rt::CString<7> BROJ;
    rt::Long DATUM;
    rt::CString<31> OPIS;
    rt::Real DUGUJE;
    rt::Real POTRAZUJE;
    rt::Byte MODEL;
    rt::Byte PROKNJ;
};
static_assert(sizeof(NALOZISRecord) == 61);

// Synthetic accounts.
struct SINTETIKRecord {
    rt::Byte LASTUSER;
    rt::CString<4> SINTETIKA;
    rt::CString<51> NAZIV;
    rt::Byte MODEL;
};
static_assert(sizeof(SINTETIKRecord) == 57);

// Balances per account and customer.
struct SKMATICRecord {
    rt::Byte LASTUSER;
    rt::CString<4> SINTETIKA;
    rt::CString<6> ANALITIKA;
    rt::Real DUGUJE;
    rt::Real POTRAZUJE;
};
static_assert(sizeof(SKMATICRecord) == 27);

// Users (the connection test).
struct USERSRecord {
    rt::CString<11> USERID;
    rt::CString<31> IME;
};
static_assert(sizeof(USERSRecord) == 42);

// Carrier of the result row of a pass-through SELECT.
struct AINCRecord {
    rt::FString<20> REC_ID;
    rt::FString<5> R_STR;
    rt::Long R_LONG;
    rt::Short R_SHORT;
};
static_assert(sizeof(AINCRecord) == 31);

// The firms list; R[0] to R[14] are the data lines 1 to 15.
struct MBASERecord {
    rt::FString<50> NAZIVFIRME;
    rt::FString<50> SERVERNAME;
    rt::FString<20> FOLDERNAME;
    rt::FString<50> R[15];
};
static_assert(sizeof(MBASERecord) == 870);

// Program versions.
struct LVERRecord {
    rt::CString<9> SH_PROG;
    rt::CString<10> VERZIJA;
    rt::Long DATUM;
    rt::CString<1024> OPIS;
};
static_assert(sizeof(LVERRecord) == 1047);

// Log of update checks.
struct LVERXRecord {
    rt::CString<40> COMP_NAME;
    rt::CString<10> SH_PROG;
    rt::CString<10> STARA;
    rt::Long DATUM;
    rt::Long VREME;
};
static_assert(sizeof(LVERXRecord) == 68);

// The browses' list formats ("Formats.FDB").
struct CFGRecord {
    rt::FString<30> APPNAME;
    rt::FString<30> PROCID;
    rt::Short USERID;
    rt::Short CTRLID;
    rt::Short FORMATID;
    rt::FString<30> FORMATNAME;
    rt::Byte FLAG;
    rt::FString<5120> FORMAT;
    rt::FString<2048> VARLINE;
};
static_assert(sizeof(CFGRecord) == 7265);

// This thread's record buffers. A new thread's are cleared: CSTRING empty, STRING blanks,
// numbers 0.
extern thread_local KVADRINRecord KVD;
extern thread_local NAZIVIRecord NAZ;
extern thread_local OBAVEZERecord OBA;
extern thread_local OBRACRecord OBR;
extern thread_local CENERecord CEN;
extern thread_local SPROMRecord SPR;
extern thread_local SFAKTRecord SFA;
extern thread_local SKLAUZULRecord SKL;
extern thread_local SKPROMETRecord SKP;
extern thread_local NALOZISRecord NLS;
extern thread_local SINTETIKRecord SIN;
extern thread_local SKMATICRecord SKM;
extern thread_local USERSRecord USERS;
extern thread_local AINCRecord A;
extern thread_local MBASERecord M;
extern thread_local LVERRecord LVE;
extern thread_local LVERXRecord LVEX;
extern thread_local CFGRecord CFG;

// The seventeen tables in declaration order (the dictionary builds and disposes of them in
// reverse), then the list-format file, which has no access object.
enum class TableId : int {
    LVERX,
    LVER,
    AINC,
    MBASE,
    USERS,
    NALOZIS,
    NAZIVI,
    SINTETIK,
    SKMATIC,
    SKPROMET,
    KVADRIN,
    OBRAC,
    CENE,
    OBAVEZE,
    SPROM,
    SFAKT,
    SKLAUZUL,
    FORMATS,
};
constexpr int kTableCount = 17;

// The table's definition: name, driver, options, owner, layout and keys. AINC has an empty
// name with name_from "AINCIME": it addresses whatever table that variable names at open.
// MBASE is the encrypted flat file "..\MBASE.DAT" with its password as owner.
const rt::TableDef& table_def(TableId id);
// The name the table's access object reports ("KVADRIN", ..., "AINC", "MBASE"; "FORMATS").
const char* table_name(TableId id);
// "KVD", "NAZ", ..., "CFG".
const char* table_prefix(TableId id);
// This thread's record buffer of the table.
void* record_buffer(TableId id);

}  // namespace kvadrin
