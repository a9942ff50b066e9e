#include "text/NumberFormat.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace text;

TEST(FormatFloat, MasksGiveTheirTexts)
{
    QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
    struct Case
    {
        const char* mask;
        int64_t value;
        const char* expected;
    };
    const Case cases[] = {
        {"0,.", 0, "0"},
        {"0,.", 1234567, "1,234,567"},
        {"0,.", -5000, "-5,000"},
        {"0,.", 999, "999"},
        {"0,.", 3000000000LL, "3,000,000,000"},
        {"000", 7, "007"},
        {"000", 1234, "1234"},
        {"00", 7, "07"},
        {"0000", 2004, "2004"},
        {"0000", 0, "0000"},
        {"0", 0, "0"},
        {"0", 1234567, "1234567"},
        {"#", 0, ""},
        {"#", 1234567, "1234567"},
        {"00000", 123, "00123"},
        {"#", -3, "-3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatFloat(c.mask, c.value), c.expected) << c.mask << " " << c.value;
}

TEST(FormatFloat, GroupingFollowsTheLocale)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatFloat("0,.", 1234567), "1.234.567");
    QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
}
