#pragma once

#include <string>
#include <string_view>

namespace text {

struct Date
{
    int year = 0;
    int month = 0;
    int day = 0;
    friend bool operator==(const Date&, const Date&) = default;
};

bool IsLeapYear(int year);
// Days of a month of the Gregorian calendar; 0 for a month outside 1..12.
int DaysInMonth(int year, int month);
// Raises EConvertError "Invalid argument to date encode" for an impossible date
// (year outside 1..9999, month outside 1..12, day not in the month).
Date EncodeDate(int year, int month, int day);
// Formats with the tokens "yyyy", "mm" and "dd"; every other byte is copied as it stands.
std::string FormatDateTime(std::string_view format, const Date& date);

} // namespace text
