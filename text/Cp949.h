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

// Removes leading and trailing bytes of code 32 or less (spaces and control characters).
std::string trim(std::string_view bytes);

} // namespace text
