// Field types of record buffers. Every type has alignment 1 and the exact size of its
// on-record form, so a record struct built from them has the exact byte layout of its
// table with no padding, and any field can be addressed by pointer.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace rt {

// Little-endian scalar stored in raw bytes (BYTE, SHORT, LONG, REAL).
template <typename T>
class Scalar {
public:
    using value_type = T;
    Scalar() noexcept { std::memset(b_, 0, sizeof b_); }
    Scalar(T v) noexcept { set(v); }  // NOLINT: implicit by design, fields read like numbers
    T get() const noexcept {
        T v;
        std::memcpy(&v, b_, sizeof v);
        return v;
    }
    void set(T v) noexcept { std::memcpy(b_, &v, sizeof v); }
    operator T() const noexcept { return get(); }  // NOLINT
    Scalar& operator=(T v) noexcept {
        set(v);
        return *this;
    }
    Scalar& operator+=(T v) noexcept {
        set(static_cast<T>(get() + v));
        return *this;
    }
    Scalar& operator-=(T v) noexcept {
        set(static_cast<T>(get() - v));
        return *this;
    }
    Scalar& operator*=(T v) noexcept {
        set(static_cast<T>(get() * v));
        return *this;
    }
    Scalar& operator/=(T v) noexcept {
        set(static_cast<T>(get() / v));
        return *this;
    }
    Scalar& operator++() noexcept {
        set(static_cast<T>(get() + 1));
        return *this;
    }
    Scalar& operator--() noexcept {
        set(static_cast<T>(get() - 1));
        return *this;
    }
    unsigned char* bytes() noexcept { return b_; }
    const unsigned char* bytes() const noexcept { return b_; }

private:
    unsigned char b_[sizeof(T)];
};

using Byte = Scalar<std::uint8_t>;
using Short = Scalar<std::int16_t>;
using Long = Scalar<std::int32_t>;
using Real = Scalar<double>;
static_assert(sizeof(Byte) == 1 && sizeof(Short) == 2 && sizeof(Long) == 4 && sizeof(Real) == 8);
static_assert(alignof(Real) == 1);

// CSTRING(n): n bytes, text of at most n-1 CP1250 bytes, NUL-terminated.
template <std::size_t N>
class CString {
    static_assert(N >= 1);

public:
    static constexpr std::size_t size = N;
    CString() noexcept { clear(); }
    CString(std::string_view s) noexcept { assign(s); }  // NOLINT
    void clear() noexcept { std::memset(b_, 0, N); }
    // Assignment cuts to n-1 bytes; the rest of the buffer is zeroed.
    void assign(std::string_view s) noexcept {
        std::size_t n = s.size() < N - 1 ? s.size() : N - 1;
        std::memcpy(b_, s.data(), n);
        std::memset(b_ + n, 0, N - n);
    }
    CString& operator=(std::string_view s) noexcept {
        assign(s);
        return *this;
    }
    std::string_view view() const noexcept { return {b_, ::strnlen(b_, N)}; }
    std::string str() const { return std::string(view()); }
    operator std::string() const { return str(); }  // NOLINT
    bool empty() const noexcept { return b_[0] == 0; }
    char* data() noexcept { return b_; }
    const char* data() const noexcept { return b_; }

private:
    char b_[N];
};

// STRING(n): n bytes of CP1250 text, blank-padded, no terminator.
template <std::size_t N>
class FString {
public:
    static constexpr std::size_t size = N;
    FString() noexcept { clear(); }
    FString(std::string_view s) noexcept { assign(s); }  // NOLINT
    void clear() noexcept { std::memset(b_, ' ', N); }
    // Assignment is blank-padded or cut to n bytes.
    void assign(std::string_view s) noexcept {
        std::size_t n = s.size() < N ? s.size() : N;
        std::memcpy(b_, s.data(), n);
        std::memset(b_ + n, ' ', N - n);
    }
    FString& operator=(std::string_view s) noexcept {
        assign(s);
        return *this;
    }
    // The whole field, trailing blanks included.
    std::string_view view() const noexcept { return {b_, N}; }
    std::string str() const { return std::string(b_, N); }
    operator std::string() const { return str(); }  // NOLINT
    char* data() noexcept { return b_; }
    const char* data() const noexcept { return b_; }

private:
    char b_[N];
};

}  // namespace rt
