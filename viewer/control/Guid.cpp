#include "viewer/control/Guid.h"

#include <cstdio>

namespace viewer::control {

std::string Guid::toPlainString() const
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  unsigned(data1), unsigned(data2), unsigned(data3), data4[0], data4[1], data4[2],
                  data4[3], data4[4], data4[5], data4[6], data4[7]);
    return buffer;
}

std::string Guid::toString() const
{
    return "{" + toPlainString() + "}";
}

std::optional<Guid> Guid::parse(std::string_view text)
{
    if (text.size() == 38 && text.front() == '{' && text.back() == '}')
        text = text.substr(1, 36);
    if (text.size() != 36)
        return std::nullopt;
    uint8_t bytes[16];
    int count = 0;
    for (size_t i = 0; i < text.size();) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-')
                return std::nullopt;
            ++i;
            continue;
        }
        int value = 0;
        for (int k = 0; k < 2; ++k, ++i) {
            const char c = text[i];
            int digit;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                return std::nullopt;
            value = value * 16 + digit;
        }
        bytes[count++] = uint8_t(value);
    }
    Guid g;
    g.data1 =
        uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    g.data2 = uint16_t(bytes[4] << 8 | bytes[5]);
    g.data3 = uint16_t(bytes[6] << 8 | bytes[7]);
    for (int k = 0; k < 8; ++k)
        g.data4[size_t(k)] = bytes[8 + k];
    return g;
}

} // namespace viewer::control
