#include "exchange/ResponseRows.h"

#include <gtest/gtest.h>

using namespace exchange;

TEST(ResponseRows, TakingAColumn)
{
    std::string_view rest = "a|b||c";
    EXPECT_EQ(takeColumn(rest), "a");
    EXPECT_EQ(takeColumn(rest), "b");
    EXPECT_EQ(takeColumn(rest), "");
    // No "|" left: empty, and nothing is removed.
    EXPECT_EQ(takeColumn(rest), "");
    EXPECT_EQ(rest, "c");
    EXPECT_EQ(takeColumn(rest), "");
}

TEST(ResponseRows, CompanyItem)
{
    EXPECT_EQ(companyItem("50001|Alpha Trading|02-555-0101|"), "50001 Alpha Trading");
    EXPECT_EQ(companyItem(""), " ");
    EXPECT_EQ(companyItem("50002|Beta"), "50002 ");
}

TEST(ResponseRows, Particulars)
{
    const CustParticulars c =
        custParticulars("123-45-67890|Alpha|Kim|North district |Main street 1|Retail|Food|");
    EXPECT_EQ(c.registration, "123-45-67890");
    EXPECT_EQ(c.custName, "Alpha");
    EXPECT_EQ(c.chief, "Kim");
    EXPECT_EQ(c.address, "North district Main street 1");
    EXPECT_EQ(c.jobKind, "Retail");
    EXPECT_EQ(c.jobItem, "Food");
    EXPECT_EQ(custParticulars("1|2|3|North|Main|6|7|").address, "NorthMain");
    // A short row leaves the fields of its missing columns empty.
    const CustParticulars s = custParticulars("1|2|");
    EXPECT_EQ(s.custName, "2");
    EXPECT_EQ(s.chief, "");
    EXPECT_EQ(s.jobItem, "");
}

TEST(ResponseRows, TradingDateAndStatementLine)
{
    const TradingDate d = tradingDate("2024-02-05|3|50001||SA1|");
    EXPECT_EQ(d.date, "2024-02-05");
    EXPECT_EQ(d.seq, "3");
    const StatementLine line = statementLine("2024-02-05|3|1|Bolt|M8 x 40|100|EA|120|12000|1200|");
    EXPECT_EQ(line, (StatementLine{"Bolt", "M8 x 40", "100", "EA", "120", "12000", "1200"}));
    // The last "|" missing: the last column reads as empty.
    EXPECT_EQ(statementLine("d|s|n|Bolt|M8|1|EA|1|1000|100")[taxCell], "");
}
