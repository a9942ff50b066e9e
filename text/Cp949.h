#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace text {

// The system's text type: cp949 bytes. Convert only where Qt shows or measures text.
QString fromCp949(std::string_view bytes);
// Characters that cp949 cannot hold become "?".
std::string toCp949(const QString& s);

// Shorthand for source literals, which are UTF-8.
inline std::string cp949(const char* utf8)
{
    return toCp949(QString::fromUtf8(utf8));
}

// The bytes of the character that starts at `at`: two for a lead byte with a byte after it,
// otherwise one. Positions must be character starts, counted from the text's first byte.
size_t characterLength(std::string_view bytes, size_t at);
// The longest prefix of at most `limit` bytes that ends on a character boundary: a two-byte
// character is never split.
size_t wholeCharacters(std::string_view bytes, size_t limit);

// Removes leading and trailing bytes of code 32 or less (spaces and control characters).
std::string trim(std::string_view bytes);

} // namespace text
