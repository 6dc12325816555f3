#include "platform/core/picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "platform/core/datetime.h"
#include "platform/core/numeric.h"
#include "platform/core/text.h"

namespace {

struct FormatCase {
    double value;
    const char* picture;
    const char* expected;
};

const std::int32_t kDec8th2026 = rt::date(12, 8, 2026);

// Every number and date picture the program uses, with the shown texts they must give.
TEST(PictureTest, FormatsEveryPictureOfTheProgram) {
    const FormatCase cases[] = {
        // Run numbers and codes.
        {5, "@N02", "05"},
        {5, "@N2", " 5"},
        {12, "@N2", "12"},
        {5, "@N09", "000000005"},
        {123, "@N05", "00123"},
        {5, "@n02", "05"},
        {99, "@n02", "99"},
        {100, "@n02", "##"},
        {5, "@n09", "000000005"},
        {12, "@n05", "00012"},
        {0, "@n05", "00000"},
        {123, "@n07", "0000123"},
        {2024, "@n04", "2024"},
        {1, "@n04", "0001"},
        {2024, "@n04b", "2024"},
        {0, "@n04b", "    "},
        {26, "@N02", "26"},
        // Plain counts: thousands grouped with ",".
        {7, "@n2", " 7"},
        {12, "@n3", " 12"},
        {123, "@n4", " 123"},
        {1234, "@n4", "####"},
        {1234, "@n5", "1,234"},
        {123456, "@n8", " 123,456"},
        {-1234, "@n-7", " -1,234"},
        {1234, "@n-7", "  1,234"},
        // Amounts and quantities with a decimal point.
        {1234.5, "@n10.2", "  1,234.50"},
        {0, "@n10.2", "      0.00"},
        {1234567.891, "@n10.2", "##########"},
        {1.23456, "@n10.4", "    1.2346"},
        {1234567.5, "@n12.2", "1,234,567.50"},
        {2.5, "@n5.2", " 2.50"},
        {12.5, "@n6.2", " 12.50"},
        {-150, "@n-12.2", "     -150.00"},
        {150, "@n-12.2", "      150.00"},
        {-1234567.891, "@n-14.2", " -1,234,567.89"},
        {-0.5, "@n-11.2", "      -0.50"},
        {-150, "@n10.2", "    150.00"},  // no sign indicator: no minus
        // Decimal comma with thousands points.
        {-150, "@n12.`2", "      150,00"},
        {1234.5, "@n12.`2", "    1.234,50"},
        {1234.5, "@N10.`2", "  1.234,50"},
        {12.345, "@N10.`2", "     12,35"},
        {2.5, "@N5.`2", " 2,50"},
        {-1234.5, "@N-11.`2", "  -1.234,50"},
        {-1234.5, "@N-12.`2", "   -1.234,50"},
        {1234.5, "@N-12.`2B", "    1.234,50"},
        {0, "@N-12.`2B", "            "},
        {0, "@N-12.`2b", "            "},
        {0, "@N-12.`2", "        0,00"},
        // The payment amount: decimal comma, no grouping.
        {1234.5, "@n_10`2", "   1234,50"},
        {0, "@n_10`2", "      0,00"},
        {9999999.99, "@n_10`2", "9999999,99"},
        {12345678.9, "@n_10`2", "##########"},
        {10000000, "@n_10`2", "##########"},
        // Rounding on the decimal value, halves away from zero.
        {0.285, "@n4.2", "0.29"},
        {1.005, "@n4.2", "1.01"},
        {2.675, "@n-5.2", " 2.68"},
        {-2.675, "@n-5.2", "-2.68"},
        {-0.004, "@n-5.2", " 0.00"},  // rounds to zero: no minus
        {-0.005, "@n-5.2", "-0.01"},
        {999.995, "@n6.2", "######"},  // 1,000.00 no longer fits
        {0.5, "@n1", "1"},
        // Zero fill with a sign; blank fill.
        {-12, "@n-05", "-0012"},
        {-12.5, "@n-08.2", "-0012.50"},
        {12.5, "@n_8.2", "   12.50"},
        // Values that are no numbers do not fit any picture.
        {NAN, "@n10.2", "##########"},
        {INFINITY, "@n-5", "#####"},
        // Dates.
        {static_cast<double>(kDec8th2026), "@d5b", " 8/12/26"},
        {static_cast<double>(kDec8th2026), "@d5", " 8/12/26"},
        {0, "@d5b", "        "},
        {0, "@d5", "        "},
        {static_cast<double>(rt::date(11, 15, 2026)), "@d5", "15/11/26"},
        {static_cast<double>(rt::date(1, 1, 2000)), "@d5", " 1/01/00"},
        {static_cast<double>(kDec8th2026), "@d6", " 8/12/2026"},
        {static_cast<double>(kDec8th2026), "@d1", "12/08/26"},
        {static_cast<double>(kDec8th2026), "@d2", "12/08/2026"},
        {static_cast<double>(rt::date(3, 4, 2026)), "@d1", " 3/04/26"},
        {static_cast<double>(rt::kLastDay + 1), "@d5", "        "},
        {3, "@d6", "          "},
        // Times of day.
        {static_cast<double>(rt::time_of_day(10, 15, 30, 7)), "@t4", "10:15:30"},
        {static_cast<double>(rt::time_of_day(9, 5, 3)), "@t4", "09:05:03"},
        {static_cast<double>(rt::time_of_day(10, 15, 30)), "@t1", "10:15"},
        {1, "@t4", "00:00:00"},
        {8640000, "@t4", "23:59:59"},
        {0, "@t4b", "        "},
        // Page numbers of the list reports.
        {1, "@pStrana <<#p", "Strana 1"},
        {12, "@pStrana <<#p", "Strana 12"},
        {123, "@pStrana <<#p", "Strana 123"},
        {1234, "@pStrana <<#p", "##########"},
        {0, "@pStrana <<#p", "Strana 0"},
        {7, "@p##-##p", "00-07"},
        {1234, "@P##-##P", "12-34"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " " << c.picture);
        EXPECT_EQ(rt::format(c.value, c.picture), c.expected);
    }
}

TEST(PictureTest, TextPictures) {
    const std::string name = rt::utf8_to_cp1250("Šifra");
    for (int width : {2, 5, 6, 7, 9, 10, 11, 12, 15, 20, 22, 25, 30, 35, 50, 60, 70, 80, 100, 255}) {
        SCOPED_TRACE(width);
        const std::string shown = rt::format(name, "@s" + std::to_string(width));
        ASSERT_EQ(shown.size(), static_cast<std::size_t>(width));
        EXPECT_EQ(rt::clip(shown), name.substr(0, static_cast<std::size_t>(width)));
    }
    EXPECT_EQ(rt::format("abc", "@S5"), "abc  ");
    EXPECT_EQ(rt::format(12.5, "@s6"), "12.5  ");
    EXPECT_EQ(rt::deformat_string("abcdef", "@s3"), "abc");
    EXPECT_EQ(rt::deformat_string("ab", "@s3"), "ab");
}

TEST(PictureTest, NumberPictureOfAText) {
    // The year folder's first four characters read through @n04.
    EXPECT_EQ(rt::format("2024", "@n04"), "2024");
    EXPECT_EQ(rt::format("2024 stari", "@n04"), "2024");
    EXPECT_EQ(rt::format("  7", "@n04"), "0007");
    EXPECT_EQ(rt::format("abcd", "@n04"), "0000");
    EXPECT_EQ(rt::format("12345", "@n04"), "####");
    EXPECT_EQ(rt::to_number(rt::format("2024", "@n04")), 2024);
    // Code normalisation of a customer code entry.
    EXPECT_EQ(rt::format(rt::deformat("7", "@n05").value_or(0), "@n05"), "00007");
    EXPECT_EQ(rt::format(rt::deformat("x7", "@n05").value_or(0), "@n05"), "00000");
    EXPECT_EQ(rt::format(rt::deformat("", "@n05").value_or(0), "@n05"), "00000");
}

TEST(PictureTest, ParsedPictures) {
    auto p = rt::parse_picture("@N-12.`2B");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->kind, rt::PictureKind::Number);
    EXPECT_EQ(p->width, 12);
    EXPECT_EQ(p->decimals, 2);
    EXPECT_TRUE(p->sign);
    EXPECT_TRUE(p->decimal_comma);
    EXPECT_EQ(p->grouping, '.');
    EXPECT_TRUE(p->blank_zero);
    EXPECT_FALSE(p->zero_fill);

    p = rt::parse_picture("@n_10`2");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->grouping, 0);
    EXPECT_FALSE(p->zero_fill);
    EXPECT_TRUE(p->decimal_comma);

    p = rt::parse_picture("@n05");
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->zero_fill);
    EXPECT_EQ(p->width, 5);
    EXPECT_EQ(p->grouping, 0);

    p = rt::parse_picture("@n10.2");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->grouping, ',');
    EXPECT_FALSE(p->decimal_comma);

    p = rt::parse_picture("@d5b");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->kind, rt::PictureKind::Date);
    EXPECT_EQ(p->format, 5);
    EXPECT_TRUE(p->blank_zero);

    for (const char* bad : {"", "@", "@n", "@n0", "@n-", "@nx", "@n10.2x", "@n10.2BB", "@s", "@s10x", "@d",
                            "@d9", "@d17", "@t2", "@x5", "@n99999"}) {
        EXPECT_FALSE(rt::parse_picture(bad)) << bad;
    }
    // An unknown picture shows the value plainly and a text unchanged.
    EXPECT_EQ(rt::format(12.5, "@x5"), "12.5");
    EXPECT_EQ(rt::format("abc", "@x5"), "abc");
    EXPECT_FALSE(rt::deformat("12", "@x5"));
}

struct DeformatCase {
    const char* text;
    const char* picture;
    std::optional<double> expected;
};

TEST(PictureTest, DeformatReadsShownAndTypedTexts) {
    const std::optional<double> none;
    const DeformatCase cases[] = {
        {"  1,234.50", "@n10.2", 1234.5},
        {"1234.5", "@n10.2", 1234.5},
        {"1,234,567.5", "@n12.2", 1234567.5},
        {"1234.", "@n10.2", 1234},
        {".5", "@n10.2", 0.5},
        {"0.285", "@n10.2", 0.285},  // more decimals than shown are kept
        {"1234,5", "@n10.2", none},  // "," is the grouping here, misplaced
        {"12,34.5", "@n10.2", none},
        {",123", "@n10.2", none},
        {"1,2345", "@n10.2", none},
        {"1.2.3", "@n10.2", none},
        {"1 234", "@n10.2", none},
        {"-150.00", "@n10.2", none},  // no sign indicator: no negative values
        {"     -150.00", "@n-12.2", -150},
        {"-", "@n-12.2", none},
        {"--5", "@n-12.2", none},
        {"1.234,50", "@N10.`2", 1234.5},
        {"   -1.234,50", "@N-12.`2", -1234.5},
        {"1234,5", "@N10.`2", 1234.5},
        {"1234.5", "@N10.`2", none},  // "." is the grouping here, misplaced
        {"   1234,50", "@n_10`2", 1234.5},
        {"1.234,50", "@n_10`2", none},  // no grouping in this picture
        {"", "@n05", 0.0},
        {"     ", "@N-12.`2B", 0.0},
        {"00007", "@n05", 7},
        {"7", "@n05", 7},
        {"abc", "@n05", none},
        {"12a", "@n05", none},
        {"##########", "@n_10`2", none},
        {"2024", "@n04", 2024},
        // Dates: day, month, year; two-digit years 00-79 are 20xx, 80-99 19xx.
        {" 8/12/26", "@d5", rt::date(12, 8, 2026)},
        {"08/12/2026", "@d5", rt::date(12, 8, 2026)},
        {"8.12.2026.", "@d5", rt::date(12, 8, 2026)},
        {"8-12-26", "@d5", rt::date(12, 8, 2026)},
        {" 8/12/2026", "@d6", rt::date(12, 8, 2026)},
        {"12/08/26", "@d1", rt::date(12, 8, 2026)},
        {"1/1/80", "@d5", rt::date(1, 1, 1980)},
        {"31/12/79", "@d5", rt::date(12, 31, 2079)},
        {"", "@d5b", 0.0},
        {"31/02/26", "@d5", none},
        {"8/12", "@d5", none},
        {"8/12/26/1", "@d5", none},
        {"8/12/026", "@d5", none},
        {"8/12/26x", "@d5", none},
        {"a/b/c", "@d5", none},
        // Times.
        {"10:15:30", "@t4", rt::time_of_day(10, 15, 30)},
        {"10:15", "@t1", rt::time_of_day(10, 15, 0)},
        {"25:00", "@t1", none},
        {"10-15", "@t1", none},
        {"", "@t4", 0.0},
        // Text pictures hold no number.
        {"12", "@s5", none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" " << c.picture);
        EXPECT_EQ(rt::deformat(c.text, c.picture), c.expected);
    }
}

// What an entry shows reads back as the value it shows.
TEST(PictureTest, EntryPicturesRoundTrip) {
    const double unsigned_values[] = {0, 1, 7, 12.5, 99.99, 0.285, 1234.5, 98765.43, 123456.789};
    const double signed_values[] = {-0.5, -150, -1234.5, -98765.43};
    const struct {
        const char* picture;
        bool sign;
    } pictures[] = {
        {"@n02", false},    {"@n05", false},    {"@n04", false},    {"@n10.2", false},  {"@n5.2", false},
        {"@n10.4", false},  {"@n12.2", false},  {"@n-12.2", true},  {"@n-11.2", true},  {"@n-14.2", true},
        {"@N-12.`2", true}, {"@N10.`2", false}, {"@n_10`2", false}, {"@n12.`2", false}, {"@N-12.`2B", true},
        {"@n-7", true},     {"@n8", false},
    };
    for (const auto& pic : pictures) {
        const auto p = rt::parse_picture(pic.picture);
        ASSERT_TRUE(p) << pic.picture;
        const double step = std::pow(10.0, -p->decimals);
        auto check = [&](double v) {
            const std::string shown = rt::format(v, pic.picture);
            if (shown.find('#') != std::string::npos) return;  // does not fit this picture
            SCOPED_TRACE(testing::Message() << v << " " << pic.picture << " \"" << shown << '"');
            const auto back = rt::deformat(shown, pic.picture);
            ASSERT_TRUE(back);
            EXPECT_EQ(*back, rt::round(v, step));
        };
        for (double v : unsigned_values) check(v);
        if (pic.sign)
            for (double v : signed_values) check(v);
    }
}

TEST(PictureTest, DatePicturesRoundTrip) {
    // Four-digit years: the whole valid range.
    for (std::int32_t d = rt::kFirstDay; d <= rt::kLastDay; ++d) {
        const std::string shown = rt::format(static_cast<double>(d), "@d6");
        const auto back = rt::deformat(shown, "@d6");
        if (!back || *back != d) FAIL() << d << " shows as \"" << shown << '"';
    }
    // Two-digit years: the century the window gives.
    for (std::int32_t d = rt::date(1, 1, 1980); d <= rt::date(12, 31, 2079); ++d) {
        for (const char* pic : {"@d5", "@d1"}) {
            const std::string shown = rt::format(static_cast<double>(d), pic);
            const auto back = rt::deformat(shown, pic);
            if (!back || *back != d) FAIL() << d << " shows as \"" << shown << "\" with " << pic;
        }
    }
    EXPECT_EQ(rt::deformat(rt::format(0.0, "@d5b"), "@d5b"), 0.0);
}

// What an entry stores: numbers rounded to the picture's decimals, values the picture
// cannot show again refused.
TEST(PictureTest, EntryValueIsWhatThePictureShowsAgain) {
    struct Case {
        const char* text;
        const char* picture;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"0.005", "@n10.2", 0.01},
        {"1.004", "@n10.2", 1.0},
        {"2.675", "@n10.2", 2.68},
        {"999999.99", "@n10.2", 999999.99},
        {"999999.995", "@n10.2", std::nullopt},  // 1,000,000.00 is wider than 10
        {"99999999.99", "@n10.2", std::nullopt},
        {"1.5", "@n05", 2.0},
        {"99999", "@n05", 99999.0},
        {"123456", "@n05", std::nullopt},
        {"-5", "@n10.2", std::nullopt},
        {"-0.125", "@n-7.2", -0.13},
        {"", "@n10.2", 0.0},
        {"31.12.2079", "@d5", rt::date(12, 31, 2079)},
        {"1.1.1980", "@d5", rt::date(1, 1, 1980)},
        {"31/12/24", "@d5", rt::date(12, 31, 2024)},
        {"31.12.9999", "@d5", std::nullopt},
        {"1.1.2080", "@d5", std::nullopt},
        {"31.12.1979", "@d5", std::nullopt},
        {"12/31/1979", "@d1", std::nullopt},
        {"12/31/2079", "@d1", rt::date(12, 31, 2079)},
        {"31.12.9999", "@d6", rt::date(12, 31, 9999)},  // four-digit years show every year
        {"", "@d5", 0.0},
    };
    for (const Case& c : cases) {
        const std::optional<double> v = rt::entry_value(c.text, *rt::parse_picture(c.picture));
        ASSERT_EQ(v.has_value(), c.value.has_value()) << c.text << " " << c.picture;
        if (v) {
            EXPECT_DOUBLE_EQ(*v, *c.value) << c.text << " " << c.picture;
        }
    }
}

}  // namespace
