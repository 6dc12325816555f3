#include "platform/core/datetime.h"

#include <chrono>
#include <ctime>

namespace rt {
namespace {

// Days from 1 January 1970 of a Gregorian date (proleptic), for any year.
constexpr std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
    int year;
    int month;
    int day;
};

constexpr Civil civil_from_days(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

// Day 0 of the runtime's count.
constexpr std::int64_t kEpoch = days_from_civil(1800, 12, 28);

static_assert(days_from_civil(1801, 1, 1) - kEpoch == kFirstDay);
static_assert(days_from_civil(9999, 12, 31) - kEpoch == kLastDay);

constexpr bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

constexpr int days_in_month(int y, int m) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : kDays[m - 1];
}

Civil civil(std::int32_t d) { return civil_from_days(kEpoch + d); }

std::tm local_now(int& hundredths) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    hundredths = static_cast<int>(ms < 0 ? ms + 1000 : ms) / 10;
    std::tm tm{};
#if defined(_WIN32)
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return tm;
}

}  // namespace

bool valid_date(std::int32_t d) { return d >= kFirstDay && d <= kLastDay; }

std::int32_t date(int month, int day, int year) {
    if (year < 1801 || year > 9999 || month < 1 || month > 12) return 0;
    if (day < 1 || day > days_in_month(year, month)) return 0;
    return static_cast<std::int32_t>(
        days_from_civil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kEpoch);
}

int day_of(std::int32_t d) { return valid_date(d) ? civil(d).day : 0; }
int month_of(std::int32_t d) { return valid_date(d) ? civil(d).month : 0; }
int year_of(std::int32_t d) { return valid_date(d) ? civil(d).year : 0; }

// Day 4 (1 January 1801) was a Thursday, so the day number modulo 7 is the weekday.
int weekday(std::int32_t d) { return valid_date(d) ? d % 7 : -1; }

std::int32_t today() {
    int hs = 0;
    const std::tm tm = local_now(hs);
    return date(tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900);
}

bool valid_time(std::int32_t t) { return t >= kFirstTime && t <= kLastTime; }

std::int32_t time_of_day(int hours, int minutes, int seconds, int hundredths) {
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59 ||
        hundredths < 0 || hundredths > 99)
        return 0;
    return ((hours * 60 + minutes) * 60 + seconds) * 100 + hundredths + 1;
}

int hours_of(std::int32_t t) { return valid_time(t) ? (t - 1) / 360000 : 0; }
int minutes_of(std::int32_t t) { return valid_time(t) ? (t - 1) / 6000 % 60 : 0; }
int seconds_of(std::int32_t t) { return valid_time(t) ? (t - 1) / 100 % 60 : 0; }
int hundredths_of(std::int32_t t) { return valid_time(t) ? (t - 1) % 100 : 0; }

std::int32_t clock() {
    int hs = 0;
    const std::tm tm = local_now(hs);
    // A leap second (tm_sec 60) counts as the last second of its minute.
    return time_of_day(tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec, hs);
}

}  // namespace rt
