// Numbers as the billing computes with them: ROUND on the 15-digit decimal value,
// division that never traps, and the conversion of a text to a number.
#pragma once

#include <string>
#include <string_view>

namespace rt {

// ROUND(value, step): the value taken as a decimal number of 15 significant digits,
// rounded to the nearest multiple of |step|, halves away from zero (0.285 with step 0.01
// gives 0.29 although its binary form lies just below the half). A step of 0 and values
// that are not finite come back unchanged.
double round(double value, double step);

// a / b with the processor's floating-point exceptions masked for the division, whatever
// the caller enabled: a division by zero gives an infinite or undefined value, never a
// trap. The caller's floating-point environment (masks and flags) is restored.
double divide(double a, double b);

// The runtime's conversion of a text to a number: leading blanks skipped, an optional
// sign, digits with an optional decimal point, up to the first other character. A text
// that does not start with a number gives 0.
double to_number(std::string_view text);

// The value as a decimal number of 15 significant digits, rounded half away from zero to
// `decimals` places (0 to 30): the digits of |value| x 10^decimals without leading
// zeros ("0" for zero), and whether the rounded value is negative. The value must be
// finite.
struct ScaledDecimal {
    bool negative = false;
    std::string digits;
};
ScaledDecimal to_scaled_decimal(double value, int decimals);

// The value as plain text: up to 15 significant digits, no exponent, no trailing zeros
// after the decimal point ("1234.5", "-0.01", "12"); "inf", "-inf" or "nan" when not
// finite.
std::string plain_number(double value);

}  // namespace rt
