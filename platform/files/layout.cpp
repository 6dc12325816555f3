#include "platform/files/layout.h"

#include <cstdio>
#include <cstdlib>

namespace rt {
namespace {

char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool equal_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_upper(a[i]) != ascii_upper(b[i])) return false;
    return true;
}

std::size_t scalar_size(FieldType t) {
    switch (t) {
        case FieldType::Byte: return 1;
        case FieldType::Short: return 2;
        case FieldType::Long: return 4;
        case FieldType::Real: return 8;
        default: return 0;
    }
}

// True when `name` is "<prefix>:<something>".
bool has_prefix(std::string_view name, std::string_view prefix) {
    return name.size() > prefix.size() + 1 && name.substr(0, prefix.size()) == prefix &&
           name[prefix.size()] == ':';
}

}  // namespace

std::string_view FieldDef::column() const {
    std::string_view n = name;
    auto colon = n.find(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

std::string KeyDef::structure_name() const {
    std::string s = name;
    for (char& c : s) c = ascii_upper(c);
    return s;
}

int RecordLayout::field_index(std::string_view name) const {
    bool prefixed = name.find(':') != std::string_view::npos;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::string_view candidate = prefixed ? std::string_view(fields[i].name) : fields[i].column();
        if (equal_nocase(candidate, name)) return static_cast<int>(i);
    }
    return -1;
}

const FieldDef* RecordLayout::field(std::string_view name) const {
    int i = field_index(name);
    return i < 0 ? nullptr : &fields[static_cast<std::size_t>(i)];
}

const FieldDef* RecordLayout::field_or_element(std::string_view name, std::size_t* element) const {
    *element = 0;
    if (const FieldDef* f = field(name)) return f;
    const auto us = name.rfind('_');
    if (us == std::string_view::npos || us + 1 >= name.size()) return nullptr;
    std::size_t n = 0;
    for (char c : name.substr(us + 1)) {
        if (c < '0' || c > '9' || n > 100000) return nullptr;
        n = n * 10 + static_cast<std::size_t>(c - '0');
    }
    const FieldDef* f = field(name.substr(0, us));
    if (!f || f->dim <= 1 || n < 1 || n > f->dim) return nullptr;
    *element = n - 1;
    return f;
}

int RecordLayout::key_index(std::string_view name) const {
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (equal_nocase(keys[i].name, name)) return static_cast<int>(i);
    return -1;
}

const KeyDef* RecordLayout::key(std::string_view name) const {
    int i = key_index(name);
    return i < 0 ? nullptr : &keys[static_cast<std::size_t>(i)];
}

const KeyDef* RecordLayout::primary_key() const {
    for (const auto& k : keys)
        if (k.primary()) return &k;
    return nullptr;
}

FieldDef make_field(std::string name, FieldType type, std::size_t offset, std::size_t size, std::size_t dim) {
    return FieldDef{std::move(name), type, offset, size, dim};
}

KeyDef make_key(const RecordLayout& layout, std::string name, std::initializer_list<std::string_view> fields,
                unsigned flags) {
    KeyDef key{std::move(name), {}, flags};
    for (std::string_view component : fields) {
        int i = layout.field_index(component);
        if (i < 0) {
            std::fprintf(stderr, "layout %s: key %s names unknown field %.*s\n", layout.prefix.c_str(),
                         key.name.c_str(), static_cast<int>(component.size()), component.data());
            std::abort();
        }
        key.fields.push_back(static_cast<std::size_t>(i));
    }
    return key;
}

std::string validate_layout(const RecordLayout& layout) {
    std::string problems;
    auto fail = [&problems](const std::string& what) {
        if (!problems.empty()) problems += "; ";
        problems += what;
    };
    if (layout.prefix.empty()) fail("no prefix");
    if (layout.record_size == 0) fail("record size 0");
    if (layout.fields.empty()) fail("no fields");

    // Open groups: (index of the group field, its end). Members follow their group and
    // fill it exactly; the group itself takes no room of its own.
    std::vector<std::pair<std::size_t, std::size_t>> groups;
    std::size_t pos = 0;
    auto close_groups = [&groups, &pos] {
        while (!groups.empty() && pos >= groups.back().second) groups.pop_back();
    };
    for (std::size_t i = 0; i < layout.fields.size(); ++i) {
        const FieldDef& f = layout.fields[i];
        if (!has_prefix(f.name, layout.prefix)) fail(f.name + ": name is not " + layout.prefix + ":NAME");
        for (std::size_t j = 0; j < i; ++j)
            if (equal_nocase(layout.fields[j].name, f.name)) fail(f.name + ": name given twice");
        std::size_t want = scalar_size(f.type);
        if (f.size == 0) fail(f.name + ": size 0");
        if (want != 0 && f.size != want)
            fail(f.name + ": size " + std::to_string(f.size) + ", its type has " + std::to_string(want));
        if (f.dim == 0 || (f.type == FieldType::Group && f.dim != 1)) fail(f.name + ": bad dimension");

        close_groups();
        if (f.offset != pos) {
            fail(f.name + ": at " + std::to_string(f.offset) + ", expected " + std::to_string(pos));
            pos = f.offset;  // go on from here so that one fault is reported once
            close_groups();
        }
        std::size_t end = f.offset + f.total_size();
        if (!groups.empty() && end > groups.back().second)
            fail(f.name + ": runs past the end of group " + layout.fields[groups.back().first].name);
        if (f.type == FieldType::Group)
            groups.emplace_back(i, end);
        else
            pos = end;
    }
    close_groups();
    for (const auto& g : groups) fail(layout.fields[g.first].name + ": members do not fill the group");
    if (pos != layout.record_size)
        fail("fields end at " + std::to_string(pos) + ", record size is " +
             std::to_string(layout.record_size));

    int primaries = 0;
    for (std::size_t i = 0; i < layout.keys.size(); ++i) {
        const KeyDef& k = layout.keys[i];
        if (!has_prefix(k.name, layout.prefix)) fail(k.name + ": key name is not " + layout.prefix + ":NAME");
        for (std::size_t j = 0; j < i; ++j)
            if (equal_nocase(layout.keys[j].name, k.name)) fail(k.name + ": key given twice");
        if (k.fields.empty()) fail(k.name + ": key without components");
        for (std::size_t c = 0; c < k.fields.size(); ++c) {
            if (k.fields[c] >= layout.fields.size()) {
                fail(k.name + ": component " + std::to_string(c + 1) + " out of range");
                continue;
            }
            for (std::size_t d = 0; d < c; ++d)
                if (k.fields[d] == k.fields[c]) fail(k.name + ": component given twice");
        }
        if (k.primary()) ++primaries;
        if ((k.flags & kKeyDup) && (k.flags & (kKeyPrimary | kKeyUnique)))
            fail(k.name + ": both unique and with duplicates");
    }
    if (primaries > 1) fail("more than one primary key");
    return problems;
}

}  // namespace rt
