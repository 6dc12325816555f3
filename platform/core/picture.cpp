#include "platform/core/picture.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "platform/core/datetime.h"
#include "platform/core/numeric.h"
#include "platform/core/text.h"

namespace rt {
namespace {

constexpr int kMaxWidth = 4096;
constexpr int kMaxDecimals = 30;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads a decimal count at s[i]; false when there is none or it exceeds `max`.
bool read_count(std::string_view s, std::size_t& i, int max, int& out) {
    if (i >= s.size() || !is_digit(s[i])) return false;
    long n = 0;
    for (; i < s.size() && is_digit(s[i]); ++i) {
        n = n * 10 + (s[i] - '0');
        if (n > max) return false;
    }
    out = static_cast<int>(n);
    return true;
}

bool read_blank_zero(std::string_view s, std::size_t& i) {
    if (i < s.size() && (s[i] == 'b' || s[i] == 'B')) {
        ++i;
        return true;
    }
    return false;
}

std::optional<Picture> parse_number(std::string_view s, std::size_t i) {
    Picture p;
    p.kind = PictureKind::Number;
    if (i < s.size() && s[i] == '-') {
        p.sign = true;
        ++i;
    }
    bool fill = false;
    if (i < s.size() && (s[i] == '0' || s[i] == '_')) {
        p.zero_fill = s[i] == '0';
        fill = true;
        ++i;
    }
    if (!read_count(s, i, kMaxWidth, p.width) || p.width == 0) return std::nullopt;
    char grouping = 0;
    if (i < s.size() && (s[i] == '.' || s[i] == ',') && !(i + 1 < s.size() && is_digit(s[i + 1]))) {
        grouping = s[i++];
    }
    if (i < s.size() && (s[i] == '.' || s[i] == '`')) {
        p.decimal_comma = s[i] == '`';
        ++i;
        if (i < s.size() && is_digit(s[i]) && !read_count(s, i, kMaxDecimals, p.decimals))
            return std::nullopt;
    }
    p.blank_zero = read_blank_zero(s, i);
    if (i != s.size()) return std::nullopt;
    if (!fill) p.grouping = grouping ? grouping : (p.decimal_comma ? '.' : ',');
    return p;
}

std::optional<Picture> parse_date_time(std::string_view s, std::size_t i, PictureKind kind) {
    Picture p;
    p.kind = kind;
    if (!read_count(s, i, 99, p.format)) return std::nullopt;
    p.blank_zero = read_blank_zero(s, i);
    if (i != s.size()) return std::nullopt;
    if (kind == PictureKind::Date) {
        switch (p.format) {
            case 1:
            case 5: p.width = 8; break;
            case 2:
            case 6: p.width = 10; break;
            default: return std::nullopt;
        }
    } else {
        switch (p.format) {
            case 1: p.width = 5; break;
            case 4: p.width = 8; break;
            default: return std::nullopt;
        }
    }
    return p;
}

std::string hashes(const Picture& p) { return std::string(static_cast<std::size_t>(p.width), '#'); }
std::string blanks(const Picture& p) { return std::string(static_cast<std::size_t>(p.width), ' '); }

std::string format_number(double v, const Picture& p) {
    if (!std::isfinite(v)) return hashes(p);
    const ScaledDecimal sd = to_scaled_decimal(v, p.decimals);
    if (p.blank_zero && sd.digits == "0") return blanks(p);

    // Integer and fraction digits of the rounded magnitude.
    std::string digits = sd.digits;
    const std::size_t dec = static_cast<std::size_t>(p.decimals);
    if (digits.size() < dec + 1) digits.insert(0, dec + 1 - digits.size(), '0');
    const std::string int_part = digits.substr(0, digits.size() - dec);
    std::string body;
    if (p.grouping) {
        for (std::size_t k = 0; k < int_part.size(); ++k) {
            if (k > 0 && (int_part.size() - k) % 3 == 0) body += p.grouping;
            body += int_part[k];
        }
    } else {
        body = int_part;
    }
    if (dec > 0) {
        body += p.decimal_comma ? ',' : '.';
        body += digits.substr(digits.size() - dec);
    }

    const bool minus = p.sign && sd.negative;
    const std::size_t width = static_cast<std::size_t>(p.width);
    const std::size_t used = body.size() + (minus ? 1 : 0);
    if (used > width) return hashes(p);
    const std::string pad(width - used, p.zero_fill ? '0' : ' ');
    return p.zero_fill ? (minus ? "-" : "") + pad + body : pad + (minus ? "-" : "") + body;
}

std::string two(int n) { return {static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)}; }

std::string format_date(double v, const Picture& p) {
    if (!(v >= kFirstDay && v <= kLastDay)) return blanks(p);  // 0, invalid, NaN
    const auto d = static_cast<std::int32_t>(v);
    const int day = day_of(d), month = month_of(d), year = year_of(d);
    const bool day_first = p.format == 5 || p.format == 6;
    std::string s = two(day_first ? day : month) + "/" + two(day_first ? month : day) + "/";
    s += (p.format == 1 || p.format == 5) ? two(year % 100) : std::to_string(year);
    if (s[0] == '0') s[0] = ' ';
    return s;
}

std::string format_time(double v, const Picture& p) {
    if (!(v >= kFirstTime && v <= kLastTime)) return blanks(p);
    const auto t = static_cast<std::int32_t>(v);
    std::string s = two(hours_of(t)) + ":" + two(minutes_of(t));
    if (p.format == 4) s += ":" + two(seconds_of(t));
    return s;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::optional<double> parse_decimal(const std::string& s) {
    double v = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    if (res.ec != std::errc() || res.ptr != s.data() + s.size()) return std::nullopt;
    return v + 0.0;
}

std::optional<double> deformat_number(std::string_view text, const Picture& p) {
    std::string_view s = trim(text);
    if (s.empty()) return 0.0;
    std::string clean;
    if (s.front() == '-') {
        if (!p.sign) return std::nullopt;
        clean += '-';
        s.remove_prefix(1);
    }
    const char mark = p.decimal_comma ? ',' : '.';
    const std::size_t mark_at = s.find(mark);
    const std::string_view int_part = s.substr(0, mark_at);
    const std::string_view frac_part =
        mark_at == std::string_view::npos ? std::string_view{} : s.substr(mark_at + 1);

    // Integer part: digits, with grouping characters only between groups of three.
    bool grouped = p.grouping && int_part.find(p.grouping) != std::string_view::npos;
    std::size_t group_len = 0;
    bool first_group = true;
    for (char c : int_part) {
        if (is_digit(c)) {
            clean += c;
            ++group_len;
        } else if (grouped && c == p.grouping) {
            if (group_len == 0 || group_len > 3 || (!first_group && group_len != 3)) return std::nullopt;
            first_group = false;
            group_len = 0;
        } else {
            return std::nullopt;
        }
    }
    if (grouped && group_len != 3) return std::nullopt;
    if (mark_at != std::string_view::npos) {
        clean += '.';
        for (char c : frac_part) {
            if (!is_digit(c)) return std::nullopt;
            clean += c;
        }
    }
    const bool any_digit = clean.find_first_of("0123456789") != std::string::npos;
    if (!any_digit) return std::nullopt;
    return parse_decimal(clean);
}

// Reads `count` numbers of at most four digits separated by `sep`, or, when `sep` is 0,
// by "/", "." or "-" with a trailing "." allowed ("8.12.2026."); false unless exactly
// `count` numbers are found.
bool read_parts(std::string_view s, char sep, int count, int* out, int* lengths) {
    int n = 0;
    std::size_t i = 0;
    while (true) {
        if (n == count) return false;
        std::size_t start = i;
        int v = 0;
        for (; i < s.size() && is_digit(s[i]); ++i) {
            if (i - start >= 4) return false;
            v = v * 10 + (s[i] - '0');
        }
        if (i == start) return false;
        lengths[n] = static_cast<int>(i - start);
        out[n++] = v;
        if (i == s.size()) return n == count;
        const char c = s[i++];
        if (sep ? c != sep : (c != '/' && c != '.' && c != '-')) return false;
        if (i == s.size()) return n == count && c == '.';
    }
}

std::optional<double> deformat_date(std::string_view text, const Picture& p) {
    const std::string_view s = trim(text);
    if (s.empty()) return 0.0;
    int parts[3], lengths[3];
    if (!read_parts(s, 0, 3, parts, lengths)) return std::nullopt;
    const bool day_first = p.format == 5 || p.format == 6;
    const int day = day_first ? parts[0] : parts[1];
    const int month = day_first ? parts[1] : parts[0];
    int year = parts[2];
    if (lengths[2] <= 2)
        year += year < kFirstTwoDigitYear % 100 ? 2000 : 1900;
    else if (lengths[2] != 4)
        return std::nullopt;
    const std::int32_t d = date(month, day, year);
    if (d == 0) return std::nullopt;
    return static_cast<double>(d);
}

std::optional<double> deformat_time(std::string_view text) {
    const std::string_view s = trim(text);
    if (s.empty()) return 0.0;
    int parts[3] = {0, 0, 0}, lengths[3];
    if (!read_parts(s, ':', 3, parts, lengths)) {
        parts[2] = 0;
        if (!read_parts(s, ':', 2, parts, lengths)) return std::nullopt;
    }
    const std::int32_t t = time_of_day(parts[0], parts[1], parts[2]);
    if (t == 0) return std::nullopt;
    return static_cast<double>(t);
}

}  // namespace

std::optional<Picture> parse_picture(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && s[i] == '@') ++i;
    if (i >= s.size()) return std::nullopt;
    const char kind = lower_char(s[i++]);
    switch (kind) {
        case 'n': return parse_number(s, i);
        case 'd': return parse_date_time(s, i, PictureKind::Date);
        case 't': return parse_date_time(s, i, PictureKind::Time);
        case 's': {
            Picture p;
            p.kind = PictureKind::String;
            if (!read_count(s, i, kMaxWidth, p.width) || i != s.size()) return std::nullopt;
            return p;
        }
        default: return std::nullopt;
    }
}

std::string format(double value, const Picture& p) {
    switch (p.kind) {
        case PictureKind::Number: return format_number(value, p);
        case PictureKind::Date: return format_date(value, p);
        case PictureKind::Time: return format_time(value, p);
        case PictureKind::String: return fixed(plain_number(value), static_cast<std::size_t>(p.width));
    }
    return plain_number(value);
}

namespace {

// A pattern picture "@p...p": the text between the two p's with the number's digits in
// its digit positions, filled from the right: "#" a digit (0 when the number has no more),
// "<" a digit left out when the number has no more, so the number stands left-aligned.
// Any other character stands as it is. A number with more digits than positions gives
// "#" over the whole pattern.
std::optional<std::string> format_pattern(double value, std::string_view picture) {
    if (picture.size() < 3 || picture[0] != '@' || lower_char(picture[1]) != 'p' ||
        lower_char(picture.back()) != 'p')
        return std::nullopt;
    const std::string_view pattern = picture.substr(2, picture.size() - 3);
    const double whole = std::round(std::fabs(value));
    std::string digits = std::isfinite(whole) ? plain_number(whole) : std::string();
    std::size_t positions = 0;
    for (char c : pattern)
        if (c == '#' || c == '<') ++positions;
    if (digits.empty() || digits.size() > positions) return std::string(pattern.size(), '#');
    std::string out;
    std::size_t left = digits.size();
    for (std::size_t i = pattern.size(); i-- > 0;) {
        const char c = pattern[i];
        if (c != '#' && c != '<') {
            out.insert(out.begin(), c);
        } else if (left > 0) {
            out.insert(out.begin(), digits[--left]);
        } else if (c == '#') {
            out.insert(out.begin(), '0');
        }
    }
    return out;
}

}  // namespace

std::string format(double value, std::string_view picture) {
    if (auto pattern = format_pattern(value, picture)) return *pattern;
    const auto p = parse_picture(picture);
    return p ? format(value, *p) : plain_number(value);
}

std::string format(std::string_view text, const Picture& p) {
    if (p.kind == PictureKind::String) return fixed(text, static_cast<std::size_t>(p.width));
    return format(to_number(text), p);
}

std::string format(std::string_view text, std::string_view picture) {
    const auto p = parse_picture(picture);
    return p ? format(text, *p) : std::string(text);
}

std::optional<double> deformat(std::string_view text, const Picture& p) {
    switch (p.kind) {
        case PictureKind::Number: return deformat_number(text, p);
        case PictureKind::Date: return deformat_date(text, p);
        case PictureKind::Time: return deformat_time(text);
        case PictureKind::String: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<double> deformat(std::string_view text, std::string_view picture) {
    const auto p = parse_picture(picture);
    if (!p) return std::nullopt;
    return deformat(text, *p);
}

std::optional<double> entry_value(std::string_view text, const Picture& p) {
    auto v = deformat(text, p);
    if (!v) return std::nullopt;
    switch (p.kind) {
        case PictureKind::Number:
            v = round(*v, std::pow(10.0, -p.decimals));
            if (format_number(*v, p).find('#') != std::string::npos) return std::nullopt;
            break;
        case PictureKind::Date:
            if (*v != 0 && (p.format == 1 || p.format == 5)) {
                const int year = year_of(static_cast<std::int32_t>(*v));
                if (year < kFirstTwoDigitYear || year > kLastTwoDigitYear) return std::nullopt;
            }
            break;
        default: break;
    }
    return v;
}

std::string deformat_string(std::string_view text, std::string_view picture) {
    const auto p = parse_picture(picture);
    if (!p || p->kind != PictureKind::String) return std::string(text);
    return std::string(text.substr(0, static_cast<std::size_t>(p->width)));
}

}  // namespace rt
