#include "platform/core/path.h"

namespace rt {

std::string native_path(std::string_view p) {
    while (!p.empty() && p.back() == ' ') p.remove_suffix(1);
    if (p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')))
        p.remove_prefix(2);
    // A root "\" (after the drive, if any) is the program's own root: the current folder.
    while (!p.empty() && p.front() == '\\') p.remove_prefix(1);
    std::string out(p);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

}  // namespace rt
