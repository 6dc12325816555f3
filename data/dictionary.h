// The per-thread dictionary: one access object and one relation object per table.
#pragma once

namespace kvadrin {

// Builds this thread's dictionary: RecnikKreiraj, then RecnikPripremi.
void RecnikPostavi();
// Creates the access and relation objects, in reverse declaration order.
void RecnikKreiraj();
// Sets up every relation object (and with it its access object), in reverse order.
void RecnikPripremi();
// Tears the dictionary down, in reverse declaration order.
void RecnikUkloni();
void RecnikOslobodi();

// Whether this thread has a dictionary, and how many times it was built on it.
bool RecnikPostoji();
int RecnikBrojIzgradnji();

}  // namespace kvadrin
