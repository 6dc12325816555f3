#include "platform/core/ini.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>

#include "platform/core/fileio.h"
#include "platform/core/path.h"
#include "platform/core/text.h"

namespace rt {

struct IniManager::Document {
    std::vector<std::string> lines;  // without their line ends
};

namespace {

namespace fs = std::filesystem;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool same_name(std::string_view a, std::string_view b) { return equal_nocase(a, b); }

// "[name]" (blanks allowed around the name and the brackets; text after "]" ignored).
bool parse_header(std::string_view line, std::string_view& name) {
    line = trim(line);
    if (line.empty() || line.front() != '[') return false;
    auto close = line.find(']');
    if (close == std::string_view::npos) return false;
    name = trim(line.substr(1, close - 1));
    return true;
}

// "key=value"; comments (";") and lines beginning with "[" are no entries.
bool parse_entry(std::string_view line, std::string_view& key, std::string_view& value) {
    line = trim(line);
    if (line.empty() || line.front() == ';' || line.front() == '[') return false;
    auto eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = trim(line.substr(0, eq));
    value = trim(line.substr(eq + 1));
    return true;
}

bool has_line_break(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool valid_section(std::string_view s) {
    return !s.empty() && !has_line_break(s) && s.find(']') == std::string_view::npos;
}

bool valid_key(std::string_view k) {
    return !k.empty() && !has_line_break(k) && k.find('=') == std::string_view::npos && k.front() != ';' &&
           k.front() != '[';
}

const std::string* find_entry(const std::vector<std::string>& lines, std::string_view section,
                              std::string_view key, std::string_view& value) {
    bool in = false;
    for (const std::string& line : lines) {
        std::string_view name, k, v;
        if (parse_header(line, name)) {
            in = same_name(name, section);
        } else if (in && parse_entry(line, k, v) && same_name(k, key)) {
            value = v;
            return &line;
        }
    }
    return nullptr;
}

void set_entry(std::vector<std::string>& lines, std::string_view section, std::string_view key,
               std::string_view value) {
    // An existing entry (the first one, which is the one that reads) keeps its place and
    // the spelling of its key.
    bool in = false;
    for (std::string& line : lines) {
        std::string_view name, k, v;
        if (parse_header(line, name)) {
            in = same_name(name, section);
        } else if (in && parse_entry(line, k, v) && same_name(k, key)) {
            line = std::string(k) + "=" + std::string(value);
            return;
        }
    }
    std::string entry = std::string(key) + "=" + std::string(value);
    // A new entry goes after the last non-blank line of the section's first occurrence.
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view name;
        if (!parse_header(lines[i], name) || !same_name(name, section)) continue;
        std::size_t at = i + 1;
        for (std::size_t j = i + 1; j < lines.size(); ++j) {
            std::string_view other;
            if (parse_header(lines[j], other)) break;
            if (!trim(lines[j]).empty()) at = j + 1;
        }
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
        return;
    }
    lines.push_back("[" + std::string(section) + "]");
    lines.push_back(std::move(entry));
}

void erase_entry(std::vector<std::string>& lines, std::string_view section, std::string_view key) {
    bool in = false;
    std::vector<std::string> kept;
    kept.reserve(lines.size());
    for (std::string& line : lines) {
        std::string_view name, k, v;
        if (parse_header(line, name)) {
            in = same_name(name, section);
        } else if (in && parse_entry(line, k, v) && same_name(k, key)) {
            continue;
        }
        kept.push_back(std::move(line));
    }
    lines = std::move(kept);
}

void erase_section(std::vector<std::string>& lines, std::string_view section) {
    bool in = false;
    std::vector<std::string> kept;
    kept.reserve(lines.size());
    for (std::string& line : lines) {
        std::string_view name;
        if (parse_header(line, name)) in = same_name(name, section);
        if (!in) kept.push_back(std::move(line));
    }
    lines = std::move(kept);
}

bool parse_long(std::string_view v, long& out) {
    v = trim(v);
    if (!v.empty() && v.front() == '+') v.remove_prefix(1);
    long n = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (ec != std::errc() || end == v.data()) return false;
    out = n;
    return true;
}

bool parse_int(std::string_view v, int& out) {
    long n = 0;
    if (!parse_long(v, n) || n < INT_MIN || n > INT_MAX) return false;
    out = static_cast<int>(n);
    return true;
}

// The file's lines; a missing file has none. False when the file exists but cannot be
// read, so that a write never replaces a file it could not read.
bool read_lines(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    std::error_code ec;
    if (!fs::exists(path, ec)) return !ec;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    if (in.bad()) return false;
    const std::string text = all.str();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t nl = text.find('\n', start);
        std::size_t end = nl == std::string::npos ? text.size() : nl;
        std::size_t stop = end;
        if (stop > start && text[stop - 1] == '\r') --stop;
        lines.emplace_back(text, start, stop - start);
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    return true;
}

std::string join_crlf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

// Readers see the old file or the new one, never a part of either.
bool replace_file(const std::string& path, const std::string& text) {
    return write_atomically(path, text) == 0;
}

}  // namespace

IniManager::IniManager() = default;
IniManager::~IniManager() = default;

void IniManager::Init(std::string_view file_name, bool bookkeeping) {
    std::lock_guard guard(mutex_);
    bookkeeping_ = bookkeeping;
    path_ = native_path(file_name);
    file_lock_ = path_.empty() ? nullptr : lock_for(path_);
    sectors_.clear();
}

std::string IniManager::FileName() const {
    std::lock_guard guard(mutex_);
    return path_;
}

void IniManager::Kill() {
    std::lock_guard guard(mutex_);
    if (bookkeeping_ && !sectors_.empty()) {
        modify_locked([this](Document& doc) {
            std::string_view listed;
            std::vector<std::string> names;
            if (find_entry(doc.lines, kBookkeepingSection, kSectorsKey, listed)) {
                while (!listed.empty()) {
                    auto comma = listed.find(',');
                    std::string_view name = trim(listed.substr(0, comma));
                    if (!name.empty()) names.emplace_back(name);
                    listed = comma == std::string_view::npos ? std::string_view() : listed.substr(comma + 1);
                }
            }
            for (const std::string& own : sectors_) {
                bool known = false;
                for (const std::string& name : names) known = known || same_name(name, own);
                if (!known) names.push_back(own);
            }
            std::string value;
            for (const std::string& name : names) value += (value.empty() ? "" : ",") + name;
            set_entry(doc.lines, kBookkeepingSection, kSectorsKey, value);
        });
    }
    sectors_.clear();
    path_.clear();
    file_lock_.reset();
}

bool IniManager::TryFetch(std::string_view section, std::string_view key, std::string& value) const {
    section = trim(section);
    key = trim(key);
    std::lock_guard guard(mutex_);
    if (path_.empty()) return false;
    std::vector<std::string> lines;
    {
        std::lock_guard file_guard(*file_lock_);
        if (!read_lines(path_, lines)) return false;
    }
    std::string_view found;
    if (!find_entry(lines, section, key, found)) return false;
    value.assign(found);
    return true;
}

std::string IniManager::Fetch(std::string_view section, std::string_view key,
                              std::string_view default_value) const {
    std::string value;
    return TryFetch(section, key, value) ? value : std::string(default_value);
}

long IniManager::Fetch(std::string_view section, std::string_view key, long default_value) const {
    std::string value;
    long n = 0;
    return TryFetch(section, key, value) && parse_long(value, n) ? n : default_value;
}

bool IniManager::modify_locked(const std::function<void(Document&)>& edit) {
    if (path_.empty()) return false;
    // Other processes' writes of the file wait from the re-read to the rename.
    FileLock lock(path_);
    if (!lock) return false;
    Document doc;
    if (!read_lines(path_, doc.lines)) return false;
    const std::vector<std::string> before = doc.lines;
    edit(doc);
    // A file that would come out as it is stays as it is: no rewrite, no sync.
    if (doc.lines == before) return true;
    return replace_file(path_, join_crlf(doc.lines));
}

void IniManager::note_section(std::string_view section) {
    if (same_name(section, kBookkeepingSection)) return;
    for (const std::string& name : sectors_)
        if (same_name(name, section)) return;
    sectors_.emplace_back(section);
}

bool IniManager::Update(std::string_view section, std::string_view key, std::string_view value) {
    section = trim(section);
    key = trim(key);
    if (!valid_section(section) || !valid_key(key) || has_line_break(value)) return false;
    std::lock_guard guard(mutex_);
    bool ok = modify_locked([&](Document& doc) { set_entry(doc.lines, section, key, trim(value)); });
    if (ok) note_section(section);
    return ok;
}

bool IniManager::Update(std::initializer_list<Entry> entries) {
    for (const Entry& e : entries)
        if (!valid_section(trim(e.section)) || !valid_key(trim(e.key)) || has_line_break(e.value))
            return false;
    std::lock_guard guard(mutex_);
    bool ok = modify_locked([&](Document& doc) {
        for (const Entry& e : entries) set_entry(doc.lines, trim(e.section), trim(e.key), trim(e.value));
    });
    if (ok)
        for (const Entry& e : entries) note_section(trim(e.section));
    return ok;
}

bool IniManager::Update(std::string_view section, std::string_view key, long value) {
    return Update(section, key, std::string_view(std::to_string(value)));
}

bool IniManager::DeleteKey(std::string_view section, std::string_view key) {
    section = trim(section);
    key = trim(key);
    std::lock_guard guard(mutex_);
    return modify_locked([&](Document& doc) { erase_entry(doc.lines, section, key); });
}

bool IniManager::DeleteSection(std::string_view section) {
    section = trim(section);
    std::lock_guard guard(mutex_);
    return modify_locked([&](Document& doc) { erase_section(doc.lines, section); });
}

bool IniManager::LoadWindowPosition(std::string_view proc_name, WindowPlacement& out, bool resizable) const {
    const std::string_view section = trim(proc_name);
    std::vector<std::string> lines;
    {
        std::lock_guard guard(mutex_);
        if (path_.empty()) return false;
        std::lock_guard file_guard(*file_lock_);
        if (!read_lines(path_, lines)) return false;
    }
    bool found = false;
    auto flag = [&](std::string_view key) {
        std::string_view v;
        if (!find_entry(lines, section, key, v)) return false;
        found = true;
        return equal_nocase(v, "Yes");
    };
    auto pair = [&](std::string_view k1, std::string_view k2, int& a, int& b) {
        std::string_view v1, v2;
        int n1 = 0, n2 = 0;
        if (!find_entry(lines, section, k1, v1) || !find_entry(lines, section, k2, v2) ||
            !parse_int(v1, n1) || !parse_int(v2, n2))
            return false;
        a = n1;
        b = n2;
        found = true;
        return true;
    };
    out.maximized = flag("Maximize");
    out.minimized = flag("Minimize");
    out.has_position = pair("XPos", "YPos", out.x, out.y);
    out.has_size = resizable && pair("Width", "Height", out.width, out.height);
    return found;
}

bool IniManager::SaveWindowPosition(std::string_view proc_name, const WindowPlacement& in, bool resizable) {
    const std::string_view section = trim(proc_name);
    if (!valid_section(section)) return false;
    std::lock_guard guard(mutex_);
    bool ok = modify_locked([&](Document& doc) {
        set_entry(doc.lines, section, "Maximize", in.maximized ? "Yes" : "No");
        set_entry(doc.lines, section, "Minimize", in.minimized ? "Yes" : "No");
        if (in.maximized || in.minimized) return;
        if (in.has_position) {
            set_entry(doc.lines, section, "XPos", std::to_string(in.x));
            set_entry(doc.lines, section, "YPos", std::to_string(in.y));
        }
        if (resizable && in.has_size) {
            set_entry(doc.lines, section, "Width", std::to_string(in.width));
            set_entry(doc.lines, section, "Height", std::to_string(in.height));
        }
    });
    if (ok) note_section(section);
    return ok;
}

}  // namespace rt
