// Descriptions of record layouts, keys and tables: what the drivers, views and window
// bindings need to address a record's fields generically.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/files/types.h"

namespace rt {

enum class FieldType : std::uint8_t { Byte, Short, Long, Real, CString, String, Group };

struct FieldDef {
    std::string name;  // prefixed name as the program writes it, e.g. "KVD:BROJ"
    FieldType type;
    std::size_t offset;   // byte position in the record
    std::size_t size;     // bytes of one element (a CSTRING(n) or STRING(n) has n)
    std::size_t dim = 1;  // elements of an array field (M:R has 15)

    // Column name: the name without prefix and colon ("BROJ").
    std::string_view column() const;
    std::size_t total_size() const { return size * dim; }
    bool is_text() const { return type == FieldType::CString || type == FieldType::String; }
};

enum KeyFlags : unsigned {
    kKeyPrimary = 1u << 0,
    kKeyUnique = 1u << 1,  // implied by primary
    kKeyDup = 1u << 2,
    kKeyOptional = 1u << 3,
    kKeyNoCase = 1u << 4,
};

struct KeyDef {
    std::string name;                 // as the access object registers it, e.g. "KVD:Po_broju"
    std::vector<std::size_t> fields;  // indexes into RecordLayout::fields, in order
    unsigned flags = 0;

    bool primary() const { return flags & kKeyPrimary; }
    bool unique() const { return (flags & (kKeyPrimary | kKeyUnique)) != 0 && !(flags & kKeyDup); }
    bool nocase() const { return flags & kKeyNoCase; }
    bool optional() const { return flags & kKeyOptional; }
    // The name as the table structure carries it: in capitals ("KVD:PO_BROJU").
    std::string structure_name() const;
};

struct RecordLayout {
    std::string prefix;  // "KVD"
    std::size_t record_size = 0;
    std::vector<FieldDef> fields;
    std::vector<KeyDef> keys;

    // Field by prefixed name ("KVD:BROJ") or column ("BROJ"), case-insensitive; -1 when absent.
    int field_index(std::string_view name) const;
    const FieldDef* field(std::string_view name) const;
    // A field as field() finds it, or one element of an array field named with its 1-based
    // number after an underscore ("M:R_7" is element 7 of M:R, `*element` 6); null for
    // neither.
    const FieldDef* field_or_element(std::string_view name, std::size_t* element) const;
    // Key by name, case-insensitive; -1 when absent.
    int key_index(std::string_view name) const;
    const KeyDef* key(std::string_view name) const;
    const KeyDef* primary_key() const;
};

// Where and how a table is stored.
enum class Driver : std::uint8_t { Sql, Flat, Keyed };

struct TableDef {
    std::string name;  // "KVADRIN"; for AINC the name is taken from a variable at open
    Driver driver = Driver::Sql;
    std::string options;     // driver options, e.g. "/IGNORETRUNCATION=TRUE /LOGONSCREEN=FALSE"
    std::string owner;       // which connection text or password: "OWNERFIRME", "OWNERVERZIJE", ...
    bool create = true;      // created when missing
    bool encrypted = false;  // flat file encrypted with the owner password
    bool oem_text = false;   // texts stored in the DOS code page, converted on reading
    RecordLayout layout;
    // When not empty, `name` is empty and the name is the value of this process-wide
    // variable at the time of the open ("AINCIME", "PREUZMIFAJL").
    std::string name_from;
};

// Helpers for building layouts from record structs: offsets come from offsetof.
FieldDef make_field(std::string name, FieldType type, std::size_t offset, std::size_t size,
                    std::size_t dim = 1);
// Resolves the components by field_index() ("KVD:BROJ" or "BROJ"); an unknown name is a
// fault in the layout's definition and aborts with a message naming key and component.
KeyDef make_key(const RecordLayout& layout, std::string name, std::initializer_list<std::string_view> fields,
                unsigned flags);

// Type, element size and dimension of a field, from the C++ type of its struct member.
template <typename T>
struct FieldTraits;
template <FieldType Type, std::size_t Size>
struct FieldTraitsOf {
    static constexpr FieldType type = Type;
    static constexpr std::size_t size = Size;
    static constexpr std::size_t dim = 1;
};
template <>
struct FieldTraits<Byte> : FieldTraitsOf<FieldType::Byte, 1> {};
template <>
struct FieldTraits<Short> : FieldTraitsOf<FieldType::Short, 2> {};
template <>
struct FieldTraits<Long> : FieldTraitsOf<FieldType::Long, 4> {};
template <>
struct FieldTraits<Real> : FieldTraitsOf<FieldType::Real, 8> {};
template <std::size_t N>
struct FieldTraits<CString<N>> : FieldTraitsOf<FieldType::CString, N> {};
template <std::size_t N>
struct FieldTraits<FString<N>> : FieldTraitsOf<FieldType::String, N> {};
template <typename T, std::size_t K>
struct FieldTraits<T[K]> {
    static_assert(FieldTraits<T>::dim == 1, "arrays have one dimension");
    static constexpr FieldType type = FieldTraits<T>::type;
    static constexpr std::size_t size = FieldTraits<T>::size;
    static constexpr std::size_t dim = K;
};

// A field whose type, size and dimension follow from the member type T.
template <typename T>
FieldDef field_for(std::string name, std::size_t offset) {
    using Tr = FieldTraits<std::remove_cv_t<T>>;
    return make_field(std::move(name), Tr::type, offset, Tr::size, Tr::dim);
}

// Checks a layout for consistency: fields in order, without gaps or overlaps (groups
// excepted, which cover their members), and ending exactly at the record size.
// Returns an empty text when sound, else what is wrong.
std::string validate_layout(const RecordLayout& layout);

}  // namespace rt
