// Loadable SQLite extension: the collation KVCI and the functions KVUPPER and KVINSTR, for SQLite
// connections the program does not open itself (the SQLite ODBC driver loads it through
// its LoadExt option). Entry point sqlite3_kvci_init, the name SQLite derives from the
// file name libkvci.so. The registration is the store's own (platform/files/sql/kvci.cpp,
// compiled into this module too).
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

#include "platform/files/sql/kvci.h"

extern "C" __attribute__((visibility("default"))) int sqlite3_kvci_init(sqlite3* db, char** err,
                                                                        const sqlite3_api_routines* api) {
    SQLITE_EXTENSION_INIT2(api);
    const int rc = rt::sql::kvci::Register(db);
    if (rc != SQLITE_OK && err) *err = sqlite3_mprintf("kvci: registration failed (%d)", rc);
    return rc;
}
