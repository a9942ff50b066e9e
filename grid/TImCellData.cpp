#include "grid/TImCellData.h"

#include "text/NumberFormat.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace grid {

namespace {

// A currency amount keeps four decimals; without a format it is shown without trailing zeros.
std::string currencyText(double value, const std::string& format)
{
    const double amount = std::round(value * 10000.0) / 10000.0;
    if (!format.empty()) {
        try {
            return text::FormatFloat(format, std::llround(amount));
        } catch (const std::invalid_argument&) {
            // A mask the number formatter does not know shows the plain amount.
        }
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", amount);
    std::string s = buf;
    s.erase(s.find_last_not_of('0') + 1);
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s == "-0" ? "0" : s;
}

} // namespace

std::string TImCellData::DisplayText() const
{
    if (IsNull())
        return m_displayNullAs;
    if (m_value.isNumeric())
        return currencyText(m_value.toDouble(), m_displayFormat);
    return m_value.toString();
}

} // namespace grid
