#include "text/NumberFormat.h"

#include "text/Cp949.h"

#include <QLocale>
#include <stdexcept>

namespace text {

std::string decimalText(int64_t value)
{
    return std::to_string(value);
}

std::string FormatFloat(std::string_view mask, int64_t value)
{
    const bool negative = value < 0;
    // Magnitude through unsigned arithmetic so that the smallest 64-bit value survives.
    const uint64_t magnitude = negative ? 0 - uint64_t(value) : uint64_t(value);
    std::string digits = std::to_string(magnitude);

    if (mask == "#")
        return value == 0 ? std::string() : decimalText(value);
    if (mask == "0,.") {
        const std::string separator = toCp949(QLocale().groupSeparator());
        std::string grouped;
        const size_t n = digits.size();
        for (size_t i = 0; i < n; ++i) {
            if (i > 0 && (n - i) % 3 == 0)
                grouped += separator;
            grouped.push_back(digits[i]);
        }
        return negative ? "-" + grouped : grouped;
    }
    if (!mask.empty() && mask.find_first_not_of('0') == std::string_view::npos) {
        if (digits.size() < mask.size())
            digits.insert(0, mask.size() - digits.size(), '0');
        return negative ? "-" + digits : digits;
    }
    throw std::invalid_argument("unsupported number mask: " + std::string(mask));
}

} // namespace text
