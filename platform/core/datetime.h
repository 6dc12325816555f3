// The runtime's calendar and clock. A date is a day number: day n is the date n days
// after 28 December 1800 (1 January 1801 is 4, 31 December 9999 is 2994626), Gregorian
// throughout. A time of day is ((h * 60 + m) * 60 + s) * 100 + hundredths + 1, so
// midnight is 1 and 23:59:59.99 is 8,640,000. Both are stored in LONG fields.
#pragma once

#include <cstdint>

namespace rt {

constexpr std::int32_t kFirstDay = 4;        // 1 January 1801
constexpr std::int32_t kLastDay = 2994626;   // 31 December 9999
constexpr std::int32_t kFirstTime = 1;       // 00:00:00.00
constexpr std::int32_t kLastTime = 8640000;  // 23:59:59.99

// A day number from 4 to 2994626.
bool valid_date(std::int32_t d);
// The day number of a calendar date; 0 when the date does not exist or lies outside
// 1 January 1801 .. 31 December 9999.
std::int32_t date(int month, int day, int year);
// Parts of a day number; 0 for an invalid day number.
int day_of(std::int32_t d);
int month_of(std::int32_t d);
int year_of(std::int32_t d);
// Day of the week: 0 Sunday, 1 Monday, ..., 6 Saturday; -1 for an invalid day number.
int weekday(std::int32_t d);
// Today's date (local time).
std::int32_t today();

// A time value from 1 to 8,640,000.
bool valid_time(std::int32_t t);
// The time value of a time of day; 0 when a part is out of range.
std::int32_t time_of_day(int hours, int minutes, int seconds, int hundredths = 0);
// Parts of a time value; 0 for an invalid time value.
int hours_of(std::int32_t t);
int minutes_of(std::int32_t t);
int seconds_of(std::int32_t t);
int hundredths_of(std::int32_t t);
// The current time of day (local time).
std::int32_t clock();

}  // namespace rt
