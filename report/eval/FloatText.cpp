#include "report/eval/FloatText.h"

#include "text/Cp949.h"

#include <QLocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace report::eval {

DecimalDigits decimalDigits(double value, int significantDigits)
{
    DecimalDigits d;
    d.negative = std::signbit(value);
    if (value == 0)
        return d;
    // "%.*e" rounds the binary value correctly; a double has at most 17 meaningful digits and
    // callers ask for at most 18.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", significantDigits - 1, std::fabs(value));
    const char* p = buf;
    for (; *p && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9')
            d.digits.push_back(*p);
    }
    d.exponent = (*p == 'e') ? std::atoi(p + 1) + 1 : 1;
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

std::string decimalSeparator()
{
    return text::toCp949(QLocale().decimalPoint());
}

std::string generalFloatText(double value)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    constexpr int precision = 15;
    const DecimalDigits d = decimalDigits(value, precision);
    if (d.digits.empty())
        return "0";
    const std::string sep = decimalSeparator();
    std::string out = d.negative ? "-" : "";
    if (d.exponent > precision || d.exponent < -3) {
        out += d.digits[0];
        if (d.digits.size() > 1)
            out += sep + d.digits.substr(1);
        const int e = d.exponent - 1;
        out += "E" + std::to_string(e);
        return out;
    }
    if (d.exponent <= 0) {
        out += "0" + sep + std::string(size_t(-d.exponent), '0') + d.digits;
        return out;
    }
    const size_t whole = size_t(d.exponent);
    if (d.digits.size() <= whole)
        return out + d.digits + std::string(whole - d.digits.size(), '0');
    return out + d.digits.substr(0, whole) + sep + d.digits.substr(whole);
}

} // namespace report::eval
