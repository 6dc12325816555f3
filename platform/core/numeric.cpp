#include "platform/core/numeric.h"

#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace rt {
namespace {

// |v| as 15 significant decimal digits d1 d2 ... d15 and the decimal exponent of d1:
// |v| = d1.d2...d15 x 10^exponent. v must be finite and not 0.
struct Digits15 {
    char d[15];
    int exponent;
};

Digits15 digits15(double v) {
    char buf[40];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 14);
    // "d.dddddddddddddde+XX"
    Digits15 out{};
    out.d[0] = buf[0];
    for (int i = 1; i < 15; ++i) out.d[i] = buf[i + 1];
    const char* e = buf + 16;  // the 'e'
    int exp = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), res.ptr, exp);
    out.exponent = exp;
    return out;
}

#if defined(__SIZEOF_INT128__)
__extension__ typedef __int128 Int128;
#define RT_HAVE_INT128 1
#else
#define RT_HAVE_INT128 0
#endif

#if RT_HAVE_INT128
std::string int128_text(Int128 v) {
    if (v == 0) return "0";
    std::string s;
    while (v > 0) {
        s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
        v /= 10;
    }
    return s;
}

Int128 pow10(int n) {
    Int128 p = 1;
    for (int i = 0; i < n; ++i) p *= 10;
    return p;
}

// |v| = mantissa x 10^exponent with a mantissa of at most 15 digits, without trailing
// zeros. v must be finite and not 0.
void decimal_parts(double v, std::int64_t& mantissa, int& exponent) {
    const Digits15 d = digits15(v);
    mantissa = 0;
    for (char c : d.d) mantissa = mantissa * 10 + (c - '0');
    exponent = d.exponent - 14;
    while (mantissa % 10 == 0) {
        mantissa /= 10;
        ++exponent;
    }
}
#endif

double parse_double(const std::string& s) {
    double v = 0;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

}  // namespace

double round(double value, double step) {
    if (!std::isfinite(value) || !std::isfinite(step) || step == 0) return value;
    if (value == 0) return 0.0;
#if RT_HAVE_INT128
    std::int64_t mv = 0, ms = 0;
    int ev = 0, es = 0;
    decimal_parts(value, mv, ev);
    decimal_parts(step, ms, es);

    // q = mv x 10^(ev - es) / ms, rounded half away from zero to the integer n.
    const int d = ev - es;
    Int128 num = mv, den = ms;
    if (d >= 0) {
        if (d > 22) return value;  // the step lies far below the 15 digits of the value
        num *= pow10(d);
    } else {
        if (-d > 17) return 0.0;  // the value lies below half a step
        den *= pow10(-d);
    }
    const Int128 n = (2 * num + den) / (2 * den);
    if (n == 0) return 0.0;

    // n x step, read as the decimal number it is, gives the nearest double.
    const double r = parse_double(int128_text(n * ms) + "e" + std::to_string(es));
    return value < 0 ? -r : r;
#else
    // Without 128-bit integers: the quotient taken to 15 digits, rounded, times the step.
    step = std::fabs(step);
    const ScaledDecimal q = to_scaled_decimal(value / step, 0);
    const double r = parse_double(plain_number(parse_double(q.digits) * step));
    return q.negative ? -r : r;
#endif
}

double divide(double a, double b) {
    std::fenv_t saved;
    std::feholdexcept(&saved);  // saves the environment, clears flags, masks all traps
    volatile double x = a;
    volatile double y = b;
    volatile double r = x / y;
    const double result = r;
    std::fesetenv(&saved);
    return result;
}

double to_number(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    std::string s;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        if (text[i] == '-') s += '-';
        ++i;
    }
    bool any = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, any = true) s += text[i];
    if (i < text.size() && text[i] == '.') {
        s += '.';
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, any = true) s += text[i];
    }
    if (!any) return 0.0;
    return parse_double(s) + 0.0;  // + 0.0 turns -0 into 0
}

ScaledDecimal to_scaled_decimal(double value, int decimals) {
    ScaledDecimal out;
    if (value == 0) {
        out.digits = "0";
        return out;
    }
    const Digits15 d = digits15(value);
    const int keep = d.exponent + 1 + decimals;  // digits before the rounding position
    std::string s;
    if (keep >= 15) {
        s.assign(d.d, 15);
        s.append(static_cast<std::size_t>(keep - 15), '0');
    } else if (keep >= 0) {
        s.assign(d.d, static_cast<std::size_t>(keep));
        if (d.d[keep] >= '5') {
            std::size_t k = s.size();
            while (k > 0 && s[k - 1] == '9') s[--k] = '0';
            if (k == 0)
                s.insert(s.begin(), '1');
            else
                ++s[k - 1];
        }
    }
    const std::size_t nz = s.find_first_not_of('0');
    out.digits = nz == std::string::npos ? "0" : s.substr(nz);
    out.negative = value < 0 && out.digits != "0";
    return out;
}

std::string plain_number(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    if (value == 0) return "0";
    const Digits15 d = digits15(value);
    std::string digits(d.d, 15);
    digits.erase(digits.find_last_not_of('0') + 1);
    const int int_len = d.exponent + 1;  // digits before the decimal point
    std::string s = value < 0 ? "-" : "";
    if (int_len <= 0) {
        s += "0.";
        s.append(static_cast<std::size_t>(-int_len), '0');
        s += digits;
    } else if (static_cast<std::size_t>(int_len) >= digits.size()) {
        s += digits;
        s.append(static_cast<std::size_t>(int_len) - digits.size(), '0');
    } else {
        s += digits.substr(0, static_cast<std::size_t>(int_len));
        s += '.';
        s += digits.substr(static_cast<std::size_t>(int_len));
    }
    return s;
}

}  // namespace rt
