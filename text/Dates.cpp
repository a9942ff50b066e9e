#include "text/Dates.h"

#include "text/Errors.h"

#include <cstdio>

namespace text {

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

Date EncodeDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        throw EConvertError("Invalid argument to date encode");
    return Date{year, month, day};
}

std::string FormatDateTime(std::string_view format, const Date& date)
{
    std::string out;
    char buf[8];
    for (size_t i = 0; i < format.size();) {
        if (format.substr(i, 4) == "yyyy") {
            std::snprintf(buf, sizeof buf, "%04d", date.year);
            out += buf;
            i += 4;
        } else if (format.substr(i, 2) == "mm") {
            std::snprintf(buf, sizeof buf, "%02d", date.month);
            out += buf;
            i += 2;
        } else if (format.substr(i, 2) == "dd") {
            std::snprintf(buf, sizeof buf, "%02d", date.day);
            out += buf;
            i += 2;
        } else {
            out.push_back(format[i++]);
        }
    }
    return out;
}

} // namespace text
