#include "platform/core/path.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/text.h"

namespace rt {

std::string native_path(std::string_view p) {
    while (!p.empty() && p.back() == ' ') p.remove_suffix(1);
    if (p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')))
        p.remove_prefix(2);
    // A root "\" (after the drive, if any) is the program's own root: the current folder.
    while (!p.empty() && p.front() == '\\') p.remove_prefix(1);
    std::string out = cp1250_to_utf8(p);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

namespace {

bool same_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

std::string existing_path_nocase(std::string_view native) {
    namespace fs = std::filesystem;
    const fs::path given{std::string(native)};
    fs::path out = given.root_path();
    bool matching = true;
    for (const fs::path& part : given.relative_path()) {
        const std::string name = part.string();
        if (!matching || name == "." || name == ".." || name.empty()) {
            out /= part;
            continue;
        }
        const fs::path folder = out.empty() ? fs::path(".") : out;
        std::error_code ec;
        if (fs::exists(folder / part, ec)) {
            out /= part;
            continue;
        }
        std::vector<std::string> found;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            std::string entry = it->path().filename().string();
            if (same_nocase(entry, name)) found.push_back(std::move(entry));
        }
        if (found.empty()) {
            matching = false;
            out /= part;
            continue;
        }
        out /= *std::min_element(found.begin(), found.end());
    }
    return out.string();
}

}  // namespace rt
