#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace report::eval {

// Byte-level rules of the code page: a lead byte (0x81..0xFE) starts a double-byte character
// and the byte after it is its trail byte, whatever its value.
inline bool isLeadByte(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x81 && b <= 0xFE;
}

enum class ByteType { Single, Lead, Trail };
// What the byte at the 0-based index is, reading the text from its start.
ByteType byteTypeAt(std::string_view s, size_t index);

// Case mapping in the code page: ASCII letters and the double-byte letters that have a case
// (full-width Latin, Greek, Cyrillic, Roman numerals); trail bytes are never touched.
std::string upperCase(std::string_view s);
std::string lowerCase(std::string_view s);
// First character upper case, the rest lower case.
std::string prettyCase(std::string_view s);

// The bytes from the 1-based position `start` (0 and below count as 1) for `count` bytes,
// without splitting a double-byte character: a start on a trail byte moves one byte on and
// copies one byte less; a range ending on a lead byte leaves it out.
std::string copyBytes(std::string_view s, int64_t start, int64_t count);

} // namespace report::eval
