#pragma once

#include <climits>
#include <cmath>
#include <cstdint>

namespace report {

// Rounds to the nearest integer, halves to even: every conversion of a length to whole pixels
// or device units goes through here. Values beyond the int range saturate, NaN gives 0.
inline int Round(long double x)
{
    if (std::isnan(x))
        return 0;
    if (x >= static_cast<long double>(INT_MAX))
        return INT_MAX;
    if (x <= static_cast<long double>(INT_MIN))
        return INT_MIN;
    const long double below = std::floor(x);
    const long double fraction = x - below;
    long double r = below;
    if (fraction > 0.5L)
        r = below + 1;
    else if (fraction == 0.5L)
        r = std::fmod(below, 2.0L) == 0 ? below : below + 1;
    return static_cast<int>(r);
}

// The platform's MulDiv: a × b / c with the 64-bit product, rounded half away from zero;
// -1 when c is 0.
inline int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const int64_t product = int64_t(a) * b;
    const int64_t half = (c < 0 ? -int64_t(c) : int64_t(c)) / 2;
    const bool negative = (product < 0) != (c < 0);
    const int64_t magnitude = (product < 0 ? -product : product) + half;
    const int64_t quotient = magnitude / (c < 0 ? -int64_t(c) : int64_t(c));
    const int64_t result = negative ? -quotient : quotient;
    if (result > INT_MAX || result < INT_MIN)
        return -1;
    return static_cast<int>(result);
}

} // namespace report
