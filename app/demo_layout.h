// The demo firm: a root folder laid out as root, firm, year and program folder, with the
// firms list, the login settings and a small building in the embedded store.
#pragma once

#include <filesystem>

namespace kvadrin::demo {

// Lays out the demo under `root` (ROOT/DEMO/<year>/PROGRAM, the database in ROOT/localdb)
// and fills its tables; rows that exist are left alone. False, with a line on stderr, when
// something fails.
bool LayOut(const std::filesystem::path& root);

}  // namespace kvadrin::demo
