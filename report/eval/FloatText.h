#pragma once

#include <string>

namespace report::eval {

// A finite double as decimal digits: value = 0.d1d2d3... × 10^exponent, the digits rounded to
// the requested significant count, trailing zeros dropped (no digits for zero).
struct DecimalDigits
{
    bool negative = false;
    std::string digits;
    int exponent = 0;
};
DecimalDigits decimalDigits(double value, int significantDigits);

// The locale's decimal separator as cp949 bytes.
std::string decimalSeparator();

// The general format with 15 significant digits: plain notation while the value has at most 15
// integer digits and is not below 0.0001, otherwise "1.5E-7" / "1E20"; "INF", "-INF", "NAN".
std::string generalFloatText(double value);

} // namespace report::eval
