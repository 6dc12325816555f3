// The benchmarks' firm: owners and units with Serbian names on the embedded store, made on
// the calling procedure thread.
#pragma once

#include <cstdio>
#include <random>
#include <string>

#include "data/access.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/text.h"

namespace kvbench {

inline const char* const kSurnames[] = {"Petrović",   "Jovanović", "Nikolić",   "Marković", "Đorđević",
                                        "Stojanović", "Ilić",      "Stanković", "Pavlović", "Milošević",
                                        "Čolić",      "Šarić",     "Živković",  "Ćirić",    "Kovačević",
                                        "Popović",    "Janković",  "Lukić"};
inline const char* const kNames[] = {"Marko", "Jelena", "Nikola",  "Milica",  "Stefan", "Ana",   "Đorđe",
                                     "Ivana", "Miloš",  "Dragana", "Čedomir", "Šćepan", "Žarko", "Vesna"};

// Owners 00001 .. `owners`.
inline void SeedOwners(int owners) {
    using namespace kvadrin;
    std::mt19937 rng(20240);
    rt::File& naz = Files::NAZIVI();
    naz.Open();
    naz.BeginTransaction();
    char code[16];
    for (int i = 1; i <= owners; ++i) {
        std::snprintf(code, sizeof code, "%05d", i);
        naz.Clear();
        NAZ.ANALITIKA = code;
        NAZ.NAZIV1 = rt::utf8_to_cp1250(std::string(kSurnames[rng() % 18]) + " " + kNames[rng() % 14]);
        NAZ.ADRESA = "Ulica " + std::to_string(i % 300);
        naz.Add();
    }
    naz.Commit();
    naz.Close();
}

// Units `first` .. `last` (numbers of six digits) of owners 1 .. `owners`.
inline void SeedUnits(int first, int last, int owners) {
    using namespace kvadrin;
    std::mt19937 rng(20241 + static_cast<unsigned>(first));
    rt::File& kvd = Files::KVADRIN();
    kvd.Open();
    kvd.BeginTransaction();
    char broj[12], code[16];
    for (int i = first; i <= last; ++i) {
        std::snprintf(broj, sizeof broj, "%06d", i);
        kvd.Clear();
        KVD.BROJ = broj;
        KVD.SP = "Stan";
        // One unit in twenty has an owner code no owner has: listed without an owner's name.
        std::snprintf(code, sizeof code, "%05d", i % 20 == 0 ? 99000 : 1 + static_cast<int>(rng() % owners));
        KVD.SHKORISNIKA = code;
        KVD.VLASNIK = rt::utf8_to_cp1250(std::string(kSurnames[rng() % 18]) + " " + kNames[rng() % 14]);
        KVD.MESTO = "Beograd";
        KVD.POVRSINA = 30 + static_cast<double>(rng() % 9000) / 100;
        KVD.POVRSINAGR = KVD.POVRSINA;
        KVD.BROJOSOBA = 1 + rng() % 5;
        KVD.VODOMER = rng() % 2 ? "Da" : "Ne";
        KVD.KALORIMETAR = "Ne";
        KVD.KOEFICIJENT = 1;
        kvd.Add();
    }
    kvd.Commit();
    kvd.Close();
}

}  // namespace kvbench
