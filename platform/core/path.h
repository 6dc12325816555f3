// Mapping of the program's Windows-style file names to paths of this platform.
#pragma once

#include <string>
#include <string_view>

namespace rt {

// The native path for a file name written the Windows way (".\KVD.INI", "..\MBASE.DAT",
// "\KVD\Cene", "D:\PODACI\KVD.INI"): backslashes become '/', a drive letter is dropped and
// a leading "\" names a path relative to the current folder, as ".\" and "..\" do.
// Trailing blanks (a blank-padded STRING field) are not part of the name. A name that
// already uses '/' only keeps its separators. The name is the program's text (CP1250); the
// path returned is its name on disk (UTF-8), so that folders named with letters outside
// ASCII ("Čačak") are found. A path that is already a name on disk (from the environment,
// the file system or a test) is not given here: converting it again would change it.
std::string native_path(std::string_view windows_path);

// The native path of a file that may be spelt with other capitals on disk: each folder
// and the file name are matched without regard to the case of ASCII letters against the
// entries that exist ("vrk/SKPROMET.dat" is found as "VRK/Skpromet.DAT"). An exact match
// is preferred, then the first in name order. From the first part that has no match on,
// the path stays as given.
std::string existing_path_nocase(std::string_view native);

}  // namespace rt
