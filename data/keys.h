// Key numbers of the tables, in each table's key order: the index of the key in its
// record layout, named after the key with ':' as '_'.
#pragma once

namespace kvadrin {

// KVADRIN
constexpr int KVD_Po_broju = 0;
constexpr int KVD_Po_vlasniku = 1;
constexpr int KVD_Po_analitici = 2;
// NAZIVI
constexpr int NAZ_PO_KONTU = 0;
constexpr int NAZ_PO_NAZIVU = 1;
// OBAVEZE
constexpr int OBA_Po_sifri = 0;
constexpr int OBA_Po_nazivu = 1;
// OBRAC
constexpr int OBR_Po_obracunu = 0;
// CENE
constexpr int CEN_Po_sifri = 0;
constexpr int CEN_Po_obracunu = 1;
// SPROM
constexpr int SPR_PO_OBRACUNU = 0;
constexpr int SPR_PO_SIFRI = 1;
// SFAKT
constexpr int SFA_PO_OBRACUNU = 0;
constexpr int SFA_PO_KORISNIKU = 1;
constexpr int SFA_PO_STANU = 2;
// SKLAUZUL
constexpr int SKL_Po_sifri = 0;
// SKPROMET
constexpr int SKP_PO_KONTU_GR = 0;
constexpr int SKP_PO_NALOGU = 1;
constexpr int SKP_PO_VEZI = 2;
constexpr int SKP_PO_DATUMU = 3;
constexpr int SKP_PO_ANALITICI = 4;
// NALOZIS
constexpr int NLS_PO_BROJU = 0;
// SINTETIK
constexpr int SIN_PO_SINT = 0;
// SKMATIC
constexpr int SKM_PO_KONTU = 0;
// USERS
constexpr int USERS_PO_ID = 0;
// AINC
constexpr int A_PO_RECID = 0;
// MBASE
constexpr int M_PO_NAZIVU = 0;
constexpr int M_PO_FOLDERU = 1;
// LVER
constexpr int LVE_PO_PROGRAMU = 0;
// LVERX
constexpr int LVEX_PO_COMP = 0;
// Formats.FDB
constexpr int CFG_KEY_MAIN = 0;

}  // namespace kvadrin
