#include "text/Errors.h"
#include "text/Integers.h"

#include <gtest/gtest.h>

using namespace text;

TEST(StrToInt, ReadsIntegersLikeThePlatform)
{
    struct Case
    {
        const char* input;
        int32_t expected;
    };
    const Case cases[] = {
        {"00123", 123},
        {"  42", 42},
        {"-7", -7},
        {"+7", 7},
        {"$1F", 31},
        {"0x1f", 31},
        {"-$10", -16},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"$FFFFFFFF", -1},
        {"00000", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StrToInt(c.input), c.expected) << c.input;
}

TEST(StrToInt, RaisesTheConversionErrorWithTheText)
{
    const char* bad[] = {"",           "12a45", "1 2", "12 ", "abcde",
                         "2147483648", "-",     "$",   "1.5", "1,000"};
    for (const char* s : bad) {
        try {
            StrToInt(s);
            ADD_FAILURE() << "no error for '" << s << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "'" + std::string(s) + "' is not a valid integer value");
        }
    }
}

TEST(StrToInt64Def, ReadsSixtyFourBitsAndFallsBackToZero)
{
    struct Case
    {
        const char* input;
        int64_t expected;
    };
    const Case cases[] = {
        {"2147483648", 2147483648LL},
        {"  -9000000000", -9000000000LL},
        {"0x10", 16},
        {"$ff", 255},
        {"1,000", 0},
        {"12.5", 0},
        {"12 ", 0},
        {"", 0},
        {"abc", 0},
        {"99999999999999999999", 0},
        {"9223372036854775807", INT64_MAX},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StrToInt64Def(c.input), c.expected) << c.input;
}

TEST(PlainDecimal, AcceptsOnlyAnOptionalMinusAndDigits)
{
    struct Case
    {
        const char* input;
        int64_t expected;
    };
    const Case cases[] = {
        {"1000", 1000},
        {"-250", -250},
        {"3000000000", 3000000000LL},
        {"", 0},
        {"-", 0},
        {"1,000", 0},
        {"+5", 0},
        {" 5", 0},
        {"5 ", 0},
        {"0x10", 0},
        {"1.0", 0},
        {"99999999999999999999", 0},
        {"-9223372036854775808", INT64_MIN},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plainDecimal(c.input), c.expected) << c.input;
}
