#include "text/Integers.h"

#include "text/Errors.h"

#include <limits>
#include <optional>
#include <string>

namespace text {

namespace {

// Reads like the platform's Val: blanks, sign, hex prefix, digits up to the end.
// Decimal values must fit `bits`; hexadecimal ones wrap within them, as the platform's did.
std::optional<int64_t> readInteger(std::string_view s, int bits)
{
    size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == s.size())
        return std::nullopt;

    const uint64_t unsignedMax =
        bits == 64 ? std::numeric_limits<uint64_t>::max() : (uint64_t(1) << bits) - 1;
    const uint64_t positiveMax = unsignedMax >> 1;
    uint64_t value = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        const uint64_t limit = base == 16 ? unsignedMax : positiveMax + (negative ? 1 : 0);
        if (value > (limit - uint64_t(digit)) / uint64_t(base))
            return std::nullopt;
        value = value * uint64_t(base) + uint64_t(digit);
    }
    if (base == 16 && value > positiveMax) {
        // Wraps to the negative half of the width, e.g. $FFFFFFFF is -1 in 32 bits.
        const int64_t wrapped =
            bits == 64 ? int64_t(value) : int64_t(value) - int64_t(unsignedMax) - 1;
        return negative ? -wrapped : wrapped;
    }
    if (negative)
        return value == positiveMax + 1 ? std::numeric_limits<int64_t>::min() >> (64 - bits)
                                        : -int64_t(value);
    return int64_t(value);
}

} // namespace

int32_t StrToInt(std::string_view s)
{
    if (auto v = readInteger(s, 32))
        return int32_t(*v);
    throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
}

int64_t StrToInt64Def(std::string_view s, int64_t def)
{
    return readInteger(s, 64).value_or(def);
}

int64_t plainDecimal(std::string_view s)
{
    size_t i = 0;
    const bool negative = !s.empty() && s[0] == '-';
    if (negative)
        i = 1;
    if (i == s.size())
        return 0;
    uint64_t value = 0;
    const uint64_t limit = uint64_t(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return 0;
        const uint64_t digit = uint64_t(s[i] - '0');
        if (value > (limit - digit) / 10)
            return 0;
        value = value * 10 + digit;
    }
    if (negative)
        return value == limit ? std::numeric_limits<int64_t>::min() : -int64_t(value);
    return int64_t(value);
}

} // namespace text
