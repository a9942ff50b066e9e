#pragma once

#include "exchange/Frame.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace exchange {

// The text sent in place of MAKEDATA when there is no trading date to ask for.
inline constexpr std::string_view socketEnding = "SOCKET ENDING";

// A value inside double quotes with every double quote doubled, so that it cannot end the
// literal it stands in.
std::string escapeValue(std::string_view value);

// The first 5 bytes of the selected company item ("code name"), or all of a shorter text.
std::string customerCode(std::string_view itemText);
// The security number as typed, without surrounding bytes of code 32 or less.
std::string securityNumber(std::string_view passText);
// The integer value of a field; 0 for a text that is not a 32-bit integer. Surrounding blanks
// are not part of the number.
int fieldInteger(std::string_view s);
// The sequence number of a trading date as sent in MAKEDATA; a cell with surrounding blanks
// ("3 ") still names statement 3, and a text that is no number reads as 0.
int64_t sequenceNumber(std::string_view cell);
// Which of the year and month fields cannot make a period, as a message that names the field;
// empty when the three make one (months in order within one year).
std::string periodFieldError(std::string_view year, std::string_view startMonth,
                             std::string_view endMonth);

struct DateRange
{
    std::string from; // "yyyy-mm-dd"
    std::string to;
};

// First day of month m1 to last day of month m2 of year y. An end month of 12 or more ends on
// the 31st. Raises EConvertError "Invalid argument to date encode" for an impossible date.
DateRange dateRange(int year, int startMonth, int endMonth);

std::string makeKeyText();
std::string makeCustText(std::string_view code, std::string_view password);
std::string makeDateText(const DateRange& range, std::string_view code, std::string_view password);
std::string makeDataText(std::string_view date, int64_t seq);

// The fields of a request frame for a command ("MAKEKEY        DATA " ...).
std::string_view requestFields(Command command);

// A request text read back: which of the four it is and its values, unescaped, in the order
// of their slots. The sequence number of MAKEDATA is in `seq`.
struct Request
{
    Command command = Command::Other;
    std::vector<std::string> values;
    int64_t seq = 0;
};

// Matches `text` byte for byte against the four templates around their value slots.
std::optional<Request> matchRequest(Command command, std::string_view text);

} // namespace exchange
