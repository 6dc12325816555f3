#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <mutex>

#include "platform/core/numeric.h"
#include "platform/core/text.h"
#include "platform/ui/queue.h"
#include "platform/ui/window.h"

namespace rt::ui {
namespace {

// A number stored into an integer field: truncated toward zero and wrapped to the
// field's width, as the runtime assigns; values beyond 64 bits saturate first.
template <typename T>
T to_integer(double v) {
    if (!std::isfinite(v)) return 0;
    double t = std::trunc(v);
    constexpr double lim = 9.2e18;
    if (t > lim) t = lim;
    if (t < -lim) t = -lim;
    return static_cast<T>(static_cast<std::int64_t>(t));
}

template <typename T>
T load(const void* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T>
void store(void* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

}  // namespace

Binding Binding::OfField(const FieldDef& f, void* record, std::size_t element) {
    Binding b;
    b.kind = Kind::Field;
    b.field_type = f.type == FieldType::Group ? FieldType::String : f.type;
    b.size = f.size;
    b.target = static_cast<unsigned char*>(record) + f.offset + element * f.size;
    return b;
}

bool Binding::numeric() const {
    switch (kind) {
        case Kind::Real:
        case Kind::Long: return true;
        case Kind::Field:
            return field_type == FieldType::Byte || field_type == FieldType::Short ||
                   field_type == FieldType::Long || field_type == FieldType::Real;
        default: return false;
    }
}

std::string Binding::text() const {
    if (!bound()) return {};
    if (numeric()) return rt::plain_number(number());
    if (kind == Kind::Text) return rt::clip(*static_cast<const std::string*>(target));
    const char* p = static_cast<const char*>(target);
    if (field_type == FieldType::CString) return std::string(p, ::strnlen(p, size));
    return rt::clip(std::string_view(p, size));
}

double Binding::number() const {
    if (!bound()) return 0;
    switch (kind) {
        case Kind::Real: return *static_cast<const double*>(target);
        case Kind::Long: return *static_cast<const std::int32_t*>(target);
        case Kind::Text: return rt::to_number(*static_cast<const std::string*>(target));
        case Kind::Field:
            switch (field_type) {
                case FieldType::Byte: return load<std::uint8_t>(target);
                case FieldType::Short: return load<std::int16_t>(target);
                case FieldType::Long: return load<std::int32_t>(target);
                case FieldType::Real: return load<double>(target);
                default: return rt::to_number(text());
            }
        default: return 0;
    }
}

std::size_t Binding::capacity() const {
    if (kind != Kind::Field || numeric() || size == 0) return 0;
    return field_type == FieldType::CString ? size - 1 : size;
}

namespace {
template <typename T>
bool in_range(double v) {
    const double t = std::trunc(v);
    return std::isfinite(v) && t >= static_cast<double>(std::numeric_limits<T>::min()) &&
           t <= static_cast<double>(std::numeric_limits<T>::max());
}
}  // namespace

bool Binding::fits(double v) const {
    if (!bound()) return true;
    switch (kind) {
        case Kind::Long: return in_range<std::int32_t>(v);
        case Kind::Real: return std::isfinite(v);
        case Kind::Field:
            switch (field_type) {
                case FieldType::Byte: return in_range<std::uint8_t>(v);
                case FieldType::Short: return in_range<std::int16_t>(v);
                case FieldType::Long: return in_range<std::int32_t>(v);
                case FieldType::Real: return std::isfinite(v);
                default: return capacity() == 0 || rt::plain_number(v).size() <= capacity();
            }
        default: return true;
    }
}

void Binding::set_text(std::string_view cp1250) const {
    if (!bound()) return;
    if (numeric()) {
        set_number(rt::to_number(cp1250));
        return;
    }
    if (kind == Kind::Text) {
        *static_cast<std::string*>(target) = std::string(cp1250);
        return;
    }
    char* p = static_cast<char*>(target);
    if (size == 0) return;
    std::string v = field_type == FieldType::CString ? rt::cstring(cp1250, size) : rt::fixed(cp1250, size);
    std::memset(p, 0, size);
    std::memcpy(p, v.data(), v.size());
}

void Binding::set_number(double v) const {
    if (!bound()) return;
    switch (kind) {
        case Kind::Real: *static_cast<double*>(target) = v; return;
        case Kind::Long: *static_cast<std::int32_t*>(target) = to_integer<std::int32_t>(v); return;
        case Kind::Text: *static_cast<std::string*>(target) = rt::plain_number(v); return;
        case Kind::Field:
            switch (field_type) {
                case FieldType::Byte: store(target, to_integer<std::uint8_t>(v)); return;
                case FieldType::Short: store(target, to_integer<std::int16_t>(v)); return;
                case FieldType::Long: store(target, to_integer<std::int32_t>(v)); return;
                case FieldType::Real: store(target, v); return;
                default: set_text(rt::plain_number(v)); return;
            }
        default: return;
    }
}

namespace {
std::mutex& resolver_mutex() {
    static std::mutex m;
    return m;
}
UseResolver& resolver_slot() {
    static UseResolver r;
    return r;
}
}  // namespace

void SetUseResolver(UseResolver resolver) {
    std::lock_guard lock(resolver_mutex());
    resolver_slot() = std::move(resolver);
}

Binding detail::resolve_use(std::string_view name) {
    UseResolver r;
    {
        std::lock_guard lock(resolver_mutex());
        r = resolver_slot();
    }
    return r ? r(name) : Binding{};
}

}  // namespace rt::ui
