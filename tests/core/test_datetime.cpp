#include "platform/core/datetime.h"

#include <gtest/gtest.h>

namespace {

struct KnownDay {
    std::int32_t number;
    int day, month, year, weekday;  // weekday 0 = Sunday
};

// Day numbers counted independently of the code under test.
constexpr KnownDay kKnownDays[] = {
    {4, 1, 1, 1801, 4},      {36163, 1, 1, 1900, 1},  {36222, 1, 3, 1900, 4},  {72687, 1, 1, 2000, 6},
    {72746, 29, 2, 2000, 2}, {81512, 29, 2, 2024, 4}, {82525, 8, 12, 2026, 2}, {2994626, 31, 12, 9999, 5},
};

TEST(DateTest, KnownDayNumbers) {
    for (const auto& k : kKnownDays) {
        SCOPED_TRACE(k.number);
        EXPECT_EQ(rt::date(k.month, k.day, k.year), k.number);
        EXPECT_EQ(rt::day_of(k.number), k.day);
        EXPECT_EQ(rt::month_of(k.number), k.month);
        EXPECT_EQ(rt::year_of(k.number), k.year);
        EXPECT_EQ(rt::weekday(k.number), k.weekday);
    }
}

TEST(DateTest, InvalidDatesGiveZero) {
    EXPECT_EQ(rt::date(2, 29, 1900), 0);  // 1900 is no leap year
    EXPECT_EQ(rt::date(2, 30, 2000), 0);
    EXPECT_EQ(rt::date(4, 31, 2024), 0);
    EXPECT_EQ(rt::date(13, 1, 2024), 0);
    EXPECT_EQ(rt::date(0, 1, 2024), 0);
    EXPECT_EQ(rt::date(1, 0, 2024), 0);
    EXPECT_EQ(rt::date(12, 31, 1800), 0);  // before the first valid day
    EXPECT_EQ(rt::date(1, 1, 10000), 0);
    for (std::int32_t d : {0, 3, -1, rt::kLastDay + 1}) {
        SCOPED_TRACE(d);
        EXPECT_FALSE(rt::valid_date(d));
        EXPECT_EQ(rt::day_of(d), 0);
        EXPECT_EQ(rt::month_of(d), 0);
        EXPECT_EQ(rt::year_of(d), 0);
        EXPECT_EQ(rt::weekday(d), -1);
    }
}

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int month_length(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : kDays[m - 1];
}

// Every valid day: its parts build the same day number again, and the next day number
// is the next calendar day, so the whole calendar follows from day 4 = 1 January 1801.
TEST(DateTest, WholeRangeRoundTripsAndFollowsTheCalendar) {
    int y = 1801, m = 1, dd = 1;
    for (std::int32_t d = rt::kFirstDay; d <= rt::kLastDay; ++d) {
        const int gd = rt::day_of(d), gm = rt::month_of(d), gy = rt::year_of(d);
        if (gd != dd || gm != m || gy != y || rt::date(gm, gd, gy) != d) {
            FAIL() << "day " << d << " gives " << gd << "." << gm << "." << gy << ", expected " << dd << "."
                   << m << "." << y;
        }
        if (++dd > month_length(y, m)) {
            dd = 1;
            if (++m > 12) m = 1, ++y;
        }
    }
    EXPECT_EQ(y, 10000);
}

TEST(TimeTest, EncodingOfTimesOfDay) {
    EXPECT_EQ(rt::time_of_day(0, 0, 0, 0), 1);
    EXPECT_EQ(rt::time_of_day(23, 59, 59, 99), 8640000);
    EXPECT_EQ(rt::time_of_day(10, 15, 30, 7), ((10 * 60 + 15) * 60 + 30) * 100 + 7 + 1);

    EXPECT_EQ(rt::hours_of(8640000), 23);
    EXPECT_EQ(rt::minutes_of(8640000), 59);
    EXPECT_EQ(rt::seconds_of(8640000), 59);
    EXPECT_EQ(rt::hundredths_of(8640000), 99);
    EXPECT_EQ(rt::hours_of(1), 0);
    EXPECT_EQ(rt::hundredths_of(1), 0);

    const std::int32_t t = rt::time_of_day(10, 15, 30, 7);
    EXPECT_EQ(rt::hours_of(t), 10);
    EXPECT_EQ(rt::minutes_of(t), 15);
    EXPECT_EQ(rt::seconds_of(t), 30);
    EXPECT_EQ(rt::hundredths_of(t), 7);
}

TEST(TimeTest, InvalidTimes) {
    EXPECT_EQ(rt::time_of_day(24, 0, 0), 0);
    EXPECT_EQ(rt::time_of_day(0, 60, 0), 0);
    EXPECT_EQ(rt::time_of_day(0, 0, 60), 0);
    EXPECT_EQ(rt::time_of_day(0, 0, 0, 100), 0);
    EXPECT_EQ(rt::time_of_day(-1, 0, 0), 0);
    for (std::int32_t t : {0, -5, 8640001}) {
        EXPECT_FALSE(rt::valid_time(t));
        EXPECT_EQ(rt::hours_of(t), 0);
    }
}

TEST(ClockTest, TodayAndClockAreValid) {
    const std::int32_t d = rt::today();
    EXPECT_TRUE(rt::valid_date(d));
    EXPECT_GE(rt::year_of(d), 2024);
    EXPECT_TRUE(rt::valid_time(rt::clock()));
}

}  // namespace
