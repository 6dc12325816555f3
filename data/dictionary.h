// The per-thread dictionary: one access object and one relation object per table, built
// and disposed of in reverse declaration order of the tables (SKLAUZUL first, LVERX last).
#pragma once

#include <functional>
#include <string_view>

#include "data/tables.h"

namespace kvadrin {

// Builds this thread's dictionary: RecnikKreiraj, then RecnikPripremi.
void RecnikPostavi();
// Creates each table's access object and then its relation object, in reverse declaration
// order; then makes each relation object this thread's relation object of its table.
void RecnikKreiraj();
// Sets up every relation object (and with it its access object), in reverse order.
void RecnikPripremi();
// Tears every relation object down (and with it its access object) and frees it, in
// reverse order.
void RecnikUkloni();
void RecnikOslobodi();

// Whether this thread has a dictionary, and how many times it was built on it.
bool RecnikPostoji();
int RecnikBrojIzgradnji();

// Follows the steps of this thread's dictionary ("kreiraj", "pripremi", "ukloni" with
// the table); an empty function stops following.
using RecnikKorak = std::function<void(std::string_view step, TableId table)>;
void RecnikPratiKorake(RecnikKorak observer);

}  // namespace kvadrin
