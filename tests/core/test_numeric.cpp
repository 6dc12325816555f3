#include "platform/core/numeric.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <limits>

namespace {

struct RoundCase {
    double value, step, expected;
};

TEST(RoundTest, HalvesAwayFromZeroOnTheDecimalValue) {
    const RoundCase cases[] = {
        {1234.5, 1, 1235},
        {1234.49, 1, 1234},
        {-0.5, 1, -1},
        {-1234.5, 1, -1235},
        {0.5, 1, 1},
        {0.49999999999999994, 1, 1},  // 15 digits: 0.500000000000000
        // Binary forms just below the half still round up.
        {0.285, 0.01, 0.29},
        {1.005, 0.01, 1.01},
        {-1.005, 0.01, -1.01},
        {2.675, 0.01, 2.68},
        {1.115 * 100, 1, 112},
        {0.1 + 0.2, 0.01, 0.3},
        {0.004, 0.01, 0},
        {-0.004, 0.01, 0},
        {0.005, 0.01, 0.01},
        {99999999999.995, 0.01, 100000000000.0},
        // Steps that are no power of ten.
        {1234.575, 0.05, 1234.6},
        {1234.56, 0.05, 1234.55},
        {12.5, 5, 15},
        {0.125, 0.25, 0.25},
        {1234, 100, 1200},
        {1250, 100, 1300},
        {7, -1, 7},  // the step's sign does not matter
        // Magnitudes far from the step.
        {1e20, 0.01, 1e20},
        {1e-20, 1, 0},
        {123456789012345.0, 1, 123456789012345.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " step " << c.step);
        EXPECT_EQ(rt::round(c.value, c.step), c.expected);
    }
}

TEST(RoundTest, DegenerateArgumentsComeBackUnchanged) {
    EXPECT_EQ(rt::round(12.345, 0), 12.345);
    EXPECT_TRUE(std::isnan(rt::round(std::nan(""), 0.01)));
    EXPECT_EQ(rt::round(INFINITY, 1), INFINITY);
    EXPECT_EQ(rt::round(0.0, 0.01), 0.0);
}

TEST(DivideTest, OrdinaryAndZeroDivisors) {
    EXPECT_EQ(rt::divide(1, 4), 0.25);
    EXPECT_EQ(rt::divide(1, 0), INFINITY);
    EXPECT_EQ(rt::divide(-1, 0), -INFINITY);
    EXPECT_TRUE(std::isnan(rt::divide(0, 0)));
}

TEST(DivideTest, RestoresTheCallersFlags) {
    std::feclearexcept(FE_ALL_EXCEPT);
    rt::divide(1, 0);
    EXPECT_EQ(std::fetestexcept(FE_DIVBYZERO), 0);
}

#if defined(__GLIBC__)
TEST(DivideDeathTest, NeverTrapsEvenWithTrapsEnabled) {
    // The check itself: with the trap enabled a plain division by zero kills the process
    // (under the address sanitizer, which catches the signal, it ends with an error).
    const auto trapped = [](int status) {
        return testing::KilledBySignal(SIGFPE)(status) || !testing::ExitedWithCode(0)(status);
    };
    EXPECT_EXIT(
        {
            feenableexcept(FE_DIVBYZERO | FE_INVALID);
            volatile double zero = 0;
            volatile double r = 1 / zero;
            (void)r;
            std::exit(0);
        },
        trapped, "");
    // divide() masks the trap for its division and leaves the caller's traps enabled.
    EXPECT_EXIT(
        {
            feenableexcept(FE_DIVBYZERO | FE_INVALID);
            const double inf = rt::divide(1, 0);
            const double nan = rt::divide(0, 0);
            const bool kept = (fegetexcept() & (FE_DIVBYZERO | FE_INVALID)) == (FE_DIVBYZERO | FE_INVALID);
            std::exit(std::isinf(inf) && std::isnan(nan) && kept ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
#endif

TEST(ToNumberTest, LeadingNumberCounts) {
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"2024", 2024}, {"2024 blok 7", 2024}, {"  12abc", 12}, {"-3.5x", -3.5}, {"+7", 7},
        {".5", 0.5},    {"12.", 12},           {"abc", 0},      {"", 0},         {"-", 0},
        {"- 5", 0},     {"0042", 42},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(rt::to_number(c.text), c.expected);
    }
}

TEST(ScaledDecimalTest, DigitsAndSign) {
    const struct {
        double value;
        int decimals;
        bool negative;
        const char* digits;
    } cases[] = {
        {1234.5, 2, false, "123450"},
        {0.285, 2, false, "29"},
        {-0.004, 2, false, "0"},
        {-0.005, 2, true, "1"},
        {9.995, 2, false, "1000"},
        {0, 3, false, "0"},
        {1e20, 0, false, "100000000000000000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " / " << c.decimals);
        const auto sd = rt::to_scaled_decimal(c.value, c.decimals);
        EXPECT_EQ(sd.negative, c.negative);
        EXPECT_EQ(sd.digits, c.digits);
    }
}

TEST(PlainNumberTest, FifteenDigitsWithoutExponent) {
    EXPECT_EQ(rt::plain_number(1234.5), "1234.5");
    EXPECT_EQ(rt::plain_number(12), "12");
    EXPECT_EQ(rt::plain_number(-0.01), "-0.01");
    EXPECT_EQ(rt::plain_number(0.1 + 0.2), "0.3");
    EXPECT_EQ(rt::plain_number(1e20), "100000000000000000000");
    EXPECT_EQ(rt::plain_number(1e-5), "0.00001");
    EXPECT_EQ(rt::plain_number(0), "0");
    EXPECT_EQ(rt::plain_number(INFINITY), "inf");
}

}  // namespace
