#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace text {

// Formats an integer with one of the system's masks: "0,." (grouped with the locale's
// thousands separator), "0", "00", "000", "0000", "00000" (zero-padded to the mask's
// width) and "#" (plain digits, empty for 0). Returns cp949 bytes.
std::string FormatFloat(std::string_view mask, int64_t value);

// Plain decimal text: digits with a leading "-" for negative values, no grouping.
std::string decimalText(int64_t value);

} // namespace text
