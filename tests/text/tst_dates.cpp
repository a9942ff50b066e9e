#include "text/Dates.h"
#include "text/Errors.h"

#include <gtest/gtest.h>

using namespace text;

TEST(Dates, DaysOfAMonthFollowLeapYears)
{
    struct Case
    {
        int year, month, days;
    };
    const Case cases[] = {{2024, 2, 29},  {2023, 2, 28}, {1900, 2, 28}, {2000, 2, 29},
                          {2004, 12, 31}, {2004, 4, 30}, {2004, 1, 31}, {2004, 13, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(DaysInMonth(c.year, c.month), c.days) << c.year << "-" << c.month;
}

TEST(Dates, EncodeRejectsImpossibleDates)
{
    EXPECT_EQ(EncodeDate(2004, 2, 29), (Date{2004, 2, 29}));
    EXPECT_EQ(EncodeDate(9999, 12, 31), (Date{9999, 12, 31}));
    const int bad[][3] = {{2003, 2, 29}, {0, 1, 1},     {10000, 1, 1}, {2004, 0, 1},
                          {2004, 13, 1}, {2004, 4, 31}, {2004, 1, 0}};
    for (const auto& d : bad) {
        try {
            EncodeDate(d[0], d[1], d[2]);
            ADD_FAILURE() << d[0] << "-" << d[1] << "-" << d[2];
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), "Invalid argument to date encode");
        }
    }
}

TEST(Dates, FormatsWithTheSystemsTokens)
{
    const Date d{2004, 3, 9};
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd", d), "2004-03-09");
    EXPECT_EQ(FormatDateTime("yyyy", d), "2004");
    EXPECT_EQ(FormatDateTime("mm", d), "03");
    EXPECT_EQ(FormatDateTime("dd", d), "09");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd", Date{12, 1, 1}), "0012-01-01");
}
