// Process-wide data: the firm lines, connection texts, year, version, the unit totals of
// the price form and the hand-over variables between procedures. Plain globals shared by
// every thread without a lock: each is written by one procedure in the course of one user
// action, before the procedures that read it run.
#pragma once

#include "platform/files/types.h"

namespace kvadrin {

// Firm lines, copied from the chosen firm of the firms list at login.
extern rt::FString<255> NAZIVFIRME;
extern rt::FString<50> ADRESA;
extern rt::FString<50> MESTO;
extern rt::FString<50> ZIRORAC1;
extern rt::FString<50> PIB;
extern rt::FString<50> MATBROJ;
extern rt::FString<50> FIRMA_R15;

// Login values (GLO:SERVER, GLO:NAME, GLO:PASSWORD).
struct GloLogin {
    rt::FString<35> SERVER;
    rt::FString<35> NAME;
    rt::FString<35> PASSWORD;
};
extern GloLogin GLO;

extern rt::FString<35> MSBASE;         // name of the firm database
extern rt::FString<140> OWNERFIRME;    // connection text of the firm database
extern rt::FString<140> OWNERVERZIJE;  // connection text of the version database
extern rt::FString<50> FOLDERFIRME;    // firm folder, from the current folder
extern rt::Long RAD_GOD;               // working year, from the current folder
extern rt::CString<10> VERZIJA;        // program version, set by the frame
extern rt::FString<100> AINCIME;       // table name the carrier table addresses
extern rt::FString<1024> QBEFILTER;    // filter handed from the units browse to the tenant list
extern rt::Short IZABRANIOBRACUN;      // number of the clause the invoice reports print

// Unit totals for the price form, summed by the billing-run browse.
extern rt::Short UKJEDINICA;
extern rt::Real UKPOVRSINA;
extern rt::Real UKPOVRSINAGR;
extern rt::Real UKOSOBA;
extern rt::Real UKOSOBABEZVODOMERA;

extern rt::FString<255> BACKUPPATH;   // folder of the previous program (take-over)
extern rt::FString<255> PREUZMIFAJL;  // file name of the old-program file being read

// Blank-fills the strings and zeroes the numbers, as at process start.
void ResetProcessData();

}  // namespace kvadrin
