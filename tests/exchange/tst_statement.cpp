#include "exchange/Statement.h"

#include <gtest/gtest.h>

using namespace exchange;

namespace {

// A lines answer row with the given supply amount and tax.
std::string lineRow(const std::string& amount, const std::string& tax)
{
    return "2024-02-05|3|1|Bolt|M8|1|EA|1|" + amount + "|" + tax + "|";
}

} // namespace

TEST(Statement, Totals)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> rows;
        Totals expected;
    };
    const std::vector<Case> cases = {
        {"two lines",
         {lineRow("1000", "100"), lineRow("2500", "250")},
         {"3500", "350", "3850", "2"}},
        {"thousands separator counts as 0", {lineRow("1,000", "100")}, {"0", "100", "100", "1"}},
        {"decimal point counts as 0", {lineRow("10.5", "")}, {"0", "0", "0", "1"}},
        {"negative amounts",
         {lineRow("-500", "-50"), lineRow("200", "20")},
         {"-300", "-30", "-330", "2"}},
        {"beyond 32 bits",
         {lineRow("1850000000", "185000000"), lineRow("1850000000", "185000000")},
         {"3700000000", "370000000", "4070000000", "2"}},
        {"the smallest 64-bit figure",
         {lineRow("-9223372036854775808", "0")},
         {"-9223372036854775808", "0", "-9223372036854775808", "1"}},
        // A row cut short or without any bar is still a line; its missing figures count as 0.
        {"a row without its tax column",
         {"d|s|n|Bolt|M8|1|EA|1|1000|100"},
         {"1000", "0", "1000", "1"}},
        {"a row without bars", {"Bolt 1000 100", lineRow("7", "1")}, {"7", "1", "8", "2"}},
        // No total rather than a wrong one; the statement is then refused for printing.
        {"a sum beyond 64 bits gives no total",
         {lineRow("9223372036854775807", "0"), lineRow("1", "0")},
         {"", "", "", "2", true}},
        {"a negative sum beyond 64 bits gives no total",
         {lineRow("-9223372036854775808", "0"), lineRow("-1", "0")},
         {"", "", "", "2", true}},
        {"amount and tax together beyond 64 bits",
         {lineRow("9223372036854775807", "1")},
         {"", "", "", "1", true}},
        {"a figure of a line beyond 64 bits",
         {lineRow("99999999999999999999", "0"), lineRow("5", "0")},
         {"", "", "", "2", true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (Statement::Lines kept : {Statement::Lines::Kept, Statement::Lines::Counted}) {
            Statement s(kept);
            for (const std::string& row : c.rows)
                s.addLine(row);
            const Totals t = s.totals();
            EXPECT_EQ(t.amount, c.expected.amount);
            EXPECT_EQ(t.tax, c.expected.tax);
            EXPECT_EQ(t.amountWithTax, c.expected.amountWithTax);
            EXPECT_EQ(t.count, c.expected.count);
            EXPECT_EQ(t.overflow, c.expected.overflow);
        }
    }
}

TEST(Statement, ClearingStartsTheTotalsAfresh)
{
    Statement s;
    EXPECT_EQ(s.totals().count, ""); // blank, as the form shows them before any line
    s.addLine(lineRow("9223372036854775807", "1"));
    ASSERT_TRUE(s.totals().overflow);
    s.clearLines();
    EXPECT_EQ(s.totals().amount, "");
    EXPECT_TRUE(s.lines().empty());
    s.addLine(lineRow("40", "4"));
    EXPECT_EQ(s.totals().amountWithTax, "44");
    EXPECT_FALSE(s.totals().overflow);
}
