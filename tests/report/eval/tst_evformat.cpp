#include "report/eval/FloatText.h"
#include "report/eval/NumericFormat.h"
#include "text/Cp949.h"

#include <QLocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <optional>

using report::eval::FormatNumeric;
using report::eval::generalFloatText;

TEST(GeneralFormat, FifteenSignificantDigits)
{
    struct Row
    {
        const char* name;
        double value;
        const char* expected;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Row rows[] = {
        {"zero", 0, "0"},
        {"negative zero", -0.0, "0"},
        {"a half", 1.5, "1.5"},
        {"negative", -2.25, "-2.25"},
        {"a third", 1.0 / 3, "0.333333333333333"},
        {"a sum that is not exact in binary", 0.1 + 0.2, "0.3"},
        {"a whole number", 100, "100"},
        {"beyond 32 bits", 2147483648.0, "2147483648"},
        {"fifteen integer digits stay plain", 123456789012345.0, "123456789012345"},
        {"sixteen integer digits turn to exponent form", 1234567890123456.0, "1.23456789012346E15"},
        {"a power of ten in exponent form", 1e15, "1E15"},
        {"the smallest plain value", 0.0001, "0.0001"},
        {"below it in exponent form", 0.00001, "1E-5"},
        {"a small value with decimals", 1.5e-7, "1.5E-7"},
        {"infinity", inf, "INF"},
        {"negative infinity", -inf, "-INF"},
        {"not a number", std::nan(""), "NAN"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(generalFloatText(row.value), row.expected) << row.name;
}

TEST(NumericFormat, Patterns)
{
    struct Row
    {
        const char* name;
        std::string pattern;
        double value;
        std::string expected;
    };
    const Row rows[] = {
        {"zero placeholder", "0", 0, "0"},
        {"halves round away from zero", "0", 2.5, "3"},
        {"negative halves round away from zero", "0", -2.5, "-3"},
        {"below a half rounds down", "0", 1.4, "1"},
        {"hash gives nothing for zero", "#", 0, ""},
        {"hash gives the digits", "#", 12, "12"},
        {"zeros after the point are kept", "0.00", 1, "1.00"},
        {"hashes after the point drop zeros and the point", "0.##", 1, "1"},
        {"hashes after the point keep digits", "0.##", 1.5, "1.5"},
        {"no integer digit for a fraction under hashes", "#.##", 0.5, ".5"},
        {"grouping", "#,##0", 1234567, "1,234,567"},
        {"grouping of a negative value", "#,##0", -1234, "-1,234"},
        {"grouping with decimals", "#,##0.00", 1234.5, "1,234.50"},
        {"padding with zeros", "000", 7, "007"},
        {"digits spread over a literal", "000-0000", 1234567, "123-4567"},
        {"padding around a literal", "000-0000", 12, "000-0012"},
        {"negative section", "0;(0)", -5, "(5)"},
        {"zero section", "0;(0);'zero'", 0, "zero"},
        {"a value rounding to zero takes the zero section", "0.0;;'none'", 0.04, "none"},
        {"a negative value rounding to zero has no sign", "0.0", -0.04, "0.0"},
        {"exponent with sign", "0.00E+00", 12345, "1.23E+04"},
        {"negative exponent", "0.0E-0", 0.00012, "1.2E-4"},
        {"exponent of zero", "0E+0", 0, "0E+0"},
        {"text after the digits", "#,##0" + text::cp949("원"), 5000, "5,000" + text::cp949("원")},
        {"a semicolon inside quotes", "'a;b'0", 5, "a;b5"},
        {"empty pattern gives the general format", "", 1.5, "1.5"},
        {"very large values give the general format", "0", 1e20, "1E20"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FormatNumeric(row.pattern, row.value), std::optional<std::string>(row.expected))
            << row.name;
}

TEST(NumericFormat, FailsForValuesThatAreNotFinite)
{
    EXPECT_EQ(FormatNumeric("0", std::numeric_limits<double>::infinity()), std::nullopt);
    EXPECT_EQ(FormatNumeric("0", std::nan("")), std::nullopt);
}

TEST(NumericFormat, SeparatorsFollowTheLocale)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatNumeric("#,##0.00", 1234.5), std::optional<std::string>("1.234,50"));
    EXPECT_EQ(generalFloatText(1.5), "1,5");
    QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
    EXPECT_EQ(generalFloatText(1.5), "1.5");
}

TEST(NumericFormat, PrintedTextOfResults)
{
    using report::TRpEvResult;
    using report::eval::formatResult;
    struct Row
    {
        const char* name;
        TRpEvResult result;
        const char* mask;
        std::string expected;
    };
    const Row rows[] = {
        {"an integer with a mask", TRpEvResult::integer(1234567), "#,##0", "1,234,567"},
        {"an integer without a mask", TRpEvResult::integer(-42), "", "-42"},
        {"a real with a mask", TRpEvResult::real(2.5), "0.00", "2.50"},
        {"a real without a mask", TRpEvResult::real(1.0 / 3), "", "0.333333333333333"},
        {"an infinite real whatever the mask",
         TRpEvResult::real(std::numeric_limits<double>::infinity()), "0", "INF"},
        {"a string ignores the mask", TRpEvResult::string("0012"), "#,##0", "0012"},
        {"a boolean", TRpEvResult::boolean(false), "0", "False"},
        {"an error prints its message", TRpEvResult::error("Cannot divide by 0"), "0",
         "Cannot divide by 0"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(formatResult(row.result, row.mask), row.expected) << row.name;
}
