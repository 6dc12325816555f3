// The firm folder and working year, derived from the program's current folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvadrin {

struct FirmAndYear {
    std::string firm;   // upper case, at most 50 characters ("GRESKA" for an empty path)
    std::int32_t year;  // 0 when there is none
};

// The layout is root / firm / year / program, the program running in its own folder.
// The firm is the folder two levels above `path`, the year the first four characters of
// the folder one level above, both taken from at most the last 51 characters of the path.
FirmAndYear DeriveFirmAndYear(std::string_view path, char separator);

// Sets FOLDERFIRME and RAD_GOD from the current folder.
void IzvediFirmuIGodinu();

}  // namespace kvadrin
