#pragma once

#include <cstdint>
#include <string_view>

namespace text {

// The platform's string-to-integer conversion: leading blanks, one sign, "$" or "0x" for
// hexadecimal, then digits to the end of the text. Raises EConvertError with
// "'%s' is not a valid integer value" when the text does not convert into 32 bits.
int32_t StrToInt(std::string_view s);

// The same reading without the error: a text that does not convert reads as 0. 64 bits wide,
// so that sums above 2,147,483,647 survive.
int64_t StrToInt64Def(std::string_view s, int64_t def = 0);

// Plain decimal reading of answer amounts: an optional leading "-", then digits only, else 0
// (also when the value does not fit 64 bits).
int64_t plainDecimal(std::string_view s);

} // namespace text
