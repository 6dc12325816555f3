#include "data/globals.h"

namespace kvadrin {

rt::FString<255> NAZIVFIRME;
rt::FString<50> ADRESA;
rt::FString<50> MESTO;
rt::FString<50> ZIRORAC1;
rt::FString<50> PIB;
rt::FString<50> MATBROJ;
rt::FString<50> FIRMA_R15;
GloLogin GLO;
rt::FString<35> MSBASE;
rt::FString<140> OWNERFIRME;
rt::FString<140> OWNERVERZIJE;
rt::FString<50> FOLDERFIRME;
rt::Long RAD_GOD;
rt::CString<10> VERZIJA;
rt::FString<100> AINCIME;
rt::FString<1024> QBEFILTER;
rt::Short IZABRANIOBRACUN;
rt::Short UKJEDINICA;
rt::Real UKPOVRSINA;
rt::Real UKPOVRSINAGR;
rt::Real UKOSOBA;
rt::Real UKOSOBABEZVODOMERA;
rt::FString<255> BACKUPPATH;
rt::FString<255> PREUZMIFAJL;

void ResetProcessData() {
    for (auto* s : {&ADRESA, &MESTO, &ZIRORAC1, &PIB, &MATBROJ, &FIRMA_R15, &FOLDERFIRME}) s->clear();
    NAZIVFIRME.clear();
    GLO = GloLogin{};
    MSBASE.clear();
    OWNERFIRME.clear();
    OWNERVERZIJE.clear();
    AINCIME.clear();
    QBEFILTER.clear();
    BACKUPPATH.clear();
    PREUZMIFAJL.clear();
    VERZIJA.clear();
    RAD_GOD = 0;
    IZABRANIOBRACUN = 0;
    UKJEDINICA = 0;
    UKPOVRSINA = 0.0;
    UKPOVRSINAGR = 0.0;
    UKOSOBA = 0.0;
    UKOSOBABEZVODOMERA = 0.0;
}

}  // namespace kvadrin
