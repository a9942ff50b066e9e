#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// Little-endian fields of the report file; callers check the bounds.
namespace report {

inline uint16_t getU16(std::string_view b, size_t at)
{
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}

inline uint32_t getU32(std::string_view b, size_t at)
{
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 |
           uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}

inline double getF64(std::string_view b, size_t at)
{
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | uint8_t(b[at + size_t(i)]);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

inline void putU16(std::string& b, size_t at, uint16_t v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

inline void putU32(std::string& b, size_t at, uint32_t v)
{
    for (size_t i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

inline void putF64(std::string& b, size_t at, double d)
{
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof d);
    for (size_t i = 0; i < 8; ++i)
        b[at + i] = char((bits >> (8 * i)) & 0xFF);
}

inline std::string u32Bytes(uint32_t v)
{
    std::string b(4, '\0');
    putU32(b, 0, v);
    return b;
}

} // namespace report
