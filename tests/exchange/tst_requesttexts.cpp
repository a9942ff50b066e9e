#include "exchange/RequestTexts.h"
#include "text/Cp949.h"
#include "text/Errors.h"

#include <gtest/gtest.h>

using namespace exchange;

TEST(RequestTexts, CompanyListRequest)
{
    const std::string text = makeKeyText();
    EXPECT_EQ(
        text,
        "select custcode,custname,telno from custs where substring(custcode from 1 for 1) = \"5\" "
        "and controls = 0 order by custcode");
    EXPECT_EQ(text.size(), 121u);
    EXPECT_EQ(formFrame(makeKeyFields, text).size(), 146u);
    EXPECT_EQ(formFrame(makeKeyFields, text).substr(0, 25), "00146MAKEKEY        DATA ");
}

TEST(RequestTexts, ParticularsRequest)
{
    EXPECT_EQ(
        makeCustText("50001", "4321"),
        "select REGITRATION,CUSTNAME,CHIEF,POSTNAME,ADDRESS,JOBKIND,JOBITEM from custs left outer "
        "join posts on (posts.postkey = custs.postkey) where custcode = \"50001\" and USERPASS = "
        "\"4321\"");
}

TEST(RequestTexts, TradingDateRequest)
{
    EXPECT_EQ(
        makeDateText({"2024-02-01", "2024-02-29"}, "50001", "4321"),
        "SELECT SUBULM.SUBULDATE, SUBULM.SUBULSEQ, SUBULM.ICUSTCODE, CUSTS.USERPASS, SUBULM.IOCODE "
        " "
        "FROM SUBULM       LEFT OUTER JOIN CUSTS ON ( CUSTS.CUSTCODE = SUBULM.ICUSTCODE ) WHERE "
        "SUBULM.SUBULDATE >= \"2024-02-01\" AND SUBULM.SUBULDATE <= \"2024-02-29\"   AND "
        "SUBULM.ICUSTCODE = \"50001\"   AND CUSTS.USERPASS = \"4321\"   AND SUBULM.IOCODE NOT IN "
        "(\"CJ1\", \"EJ2\", \"MM1\", \"MM2\") ORDER BY SUBULM.SUBULDATE, SUBULM.SUBULSEQ");
}

TEST(RequestTexts, StatementLineRequest)
{
    EXPECT_EQ(
        makeDataText("2024-02-05", 3),
        "SELECT SUBULD.SUBULDATE, SUBULD.SUBULSEQ, SUBULD.SUBULSER,        ITEMS.ITEMNAME, "
        "SUBULD.REMARK, SUBULD.QTY, ITEMS.UNIT, SUBULD.PRICE, SUBULD.AMOUNT, SUBULD.TAX  FROM "
        "SUBULD       LEFT OUTER JOIN ITEMS ON ( ITEMS.ITEMCODE = SUBULD.ITEMCODE ) WHERE "
        "SUBULD.SUBULDATE = \"2024-02-05\"   AND SUBULD.SUBULSEQ = 3  ORDER BY SUBULD.SUBULDATE, "
        "SUBULD.SUBULSEQ, SUBULD.SUBULSER");
    EXPECT_EQ(formFrame(makeDataFields, socketEnding), "00038MAKEDATA       DATA SOCKET ENDING");
}

TEST(RequestTexts, ValuesAreEscaped)
{
    const std::string text = makeCustText("50001", "\" or \"1\"=\"1");
    EXPECT_NE(text.find("USERPASS = \"\"\" or \"\"1\"\"=\"\"1\""), std::string::npos) << text;
    EXPECT_EQ(escapeValue("a\"\"b"), "a\"\"\"\"b");
    EXPECT_EQ(escapeValue("no quotes'here"), "no quotes'here");
}

TEST(RequestTexts, DateRange)
{
    struct Case
    {
        const char* name;
        int year, from, to;
        const char* first;
        const char* last;
    };
    const Case cases[] = {
        {"leap february", 2024, 2, 2, "2024-02-01", "2024-02-29"},
        {"common february", 2023, 2, 2, "2023-02-01", "2023-02-28"},
        {"century not leap", 1900, 2, 2, "1900-02-01", "1900-02-28"},
        {"four hundred leap", 2000, 2, 2, "2000-02-01", "2000-02-29"},
        {"december ends on the 31st", 2024, 1, 12, "2024-01-01", "2024-12-31"},
        {"november ends on the 30th", 2024, 11, 11, "2024-11-01", "2024-11-30"},
        {"start after end goes out as is", 2024, 3, 1, "2024-03-01", "2024-01-31"},
        {"last possible year", 9999, 12, 12, "9999-12-01", "9999-12-31"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DateRange r = dateRange(c.year, c.from, c.to);
        EXPECT_EQ(r.from, c.first);
        EXPECT_EQ(r.to, c.last);
    }
}

TEST(RequestTexts, ImpossibleDateRaises)
{
    struct Case
    {
        const char* name;
        int year, from, to;
    };
    const Case cases[] = {
        {"empty end month", 2024, 1, 0},
        {"empty start month", 2024, 0, 1},
        {"month 13", 2024, 1, 13},
        {"negative month", 2024, 1, -1},
        {"year zero", 0, 1, 1},
        {"year past 9999", 10000, 1, 12},
        {"year zero in december", 0, 12, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            dateRange(c.year, c.from, c.to);
            ADD_FAILURE() << "no error";
        } catch (const text::EConvertError& e) {
            EXPECT_STREQ(e.what(), "Invalid argument to date encode");
        }
    }
}

TEST(RequestTexts, InputsReadFromTheFields)
{
    EXPECT_EQ(customerCode("50001 Alpha Trading"), "50001");
    EXPECT_EQ(customerCode("500"), "500");
    EXPECT_EQ(customerCode(""), "");
    EXPECT_EQ(securityNumber("  4321 \t"), "4321");
    EXPECT_EQ(fieldInteger("2024"), 2024);
    EXPECT_EQ(fieldInteger(""), 0);
    EXPECT_EQ(fieldInteger("12a"), 0);
    EXPECT_EQ(fieldInteger("99999999999"), 0);
    EXPECT_EQ(fieldInteger(" 2024 "), 2024);
    EXPECT_EQ(sequenceNumber("3 "), 3);
    EXPECT_EQ(sequenceNumber(" 12"), 12);
    EXPECT_EQ(sequenceNumber("x"), 0);
}

TEST(RequestTexts, PeriodFieldsNameTheWrongField)
{
    struct Case
    {
        const char* name;
        const char* year;
        const char* from;
        const char* to;
        const char* says; // UTF-8; empty when the period is sound
    };
    const Case cases[] = {
        {"a sound period", "2026", "01", "12", ""},
        {"blanks around the numbers", " 2026 ", " 3", "3 ", ""},
        {"a year that is not a number", "20x6", "1", "2",
         "거래년월의 년도 '20x6'이(가) 올바르지 않습니다. 네 자리 숫자로 적어 주세요."},
        {"no year", "", "1", "2",
         "거래년월의 년도 ''이(가) 올바르지 않습니다. 네 자리 숫자로 적어 주세요."},
        {"year 0", "0", "1", "2",
         "거래년월의 년도 '0'이(가) 올바르지 않습니다. 네 자리 숫자로 적어 주세요."},
        {"month 13 at the start", "2026", "13", "12",
         "시작 월 '13'이(가) 올바르지 않습니다. 1에서 12 사이로 적어 주세요."},
        {"empty end month", "2026", "1", "",
         "끝 월 ''이(가) 올바르지 않습니다. 1에서 12 사이로 적어 주세요."},
        {"a sign is not a number", "2026", "+3", "4",
         "시작 월 '+3'이(가) 올바르지 않습니다. 1에서 12 사이로 적어 주세요."},
        {"months out of order", "2026", "3", "1", "시작 월(3)이 끝 월(1)보다 뒤입니다."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(periodFieldError(c.year, c.from, c.to), text::cp949(c.says));
    }
}

TEST(RequestMatch, ReadsBackWhatTheBuildersWrite)
{
    const std::string nasty = "\" or \"1\"=\"1";
    auto cust = matchRequest(Command::MakeCust, makeCustText("50001", nasty));
    ASSERT_TRUE(cust);
    EXPECT_EQ(cust->values, (std::vector<std::string>{"50001", nasty}));

    auto date =
        matchRequest(Command::MakeDate, makeDateText({"2024-01-01", "2024-03-31"}, "5\"", ""));
    ASSERT_TRUE(date);
    EXPECT_EQ(date->values, (std::vector<std::string>{"2024-01-01", "2024-03-31", "5\"", ""}));

    auto data = matchRequest(Command::MakeData, makeDataText("2024-01-05", -12));
    ASSERT_TRUE(data);
    EXPECT_EQ(data->values, (std::vector<std::string>{"2024-01-05"}));
    EXPECT_EQ(data->seq, -12);

    auto key = matchRequest(Command::MakeKey, makeKeyText());
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->values.empty());
}

TEST(RequestMatch, RefusesEverythingElse)
{
    const std::string cust = makeCustText("50001", "4321");
    const std::string data = makeDataText("2024-01-05", 1);
    struct Case
    {
        const char* name;
        Command command;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"socket ending", Command::MakeData, std::string(socketEnding)},
        {"text of another command", Command::MakeKey, cust},
        {"unescaped quote ends the value early", Command::MakeCust,
         "select REGITRATION,CUSTNAME,CHIEF,POSTNAME,ADDRESS,JOBKIND,JOBITEM from custs left outer "
         "join "
         "posts on (posts.postkey = custs.postkey) where custcode = \"5\" or \"1\"=\"1\" and "
         "USERPASS = \"x\""},
        {"trailing bytes", Command::MakeCust, cust + " "},
        {"one byte changed", Command::MakeCust, "S" + cust.substr(1)},
        {"text cut short", Command::MakeCust, cust.substr(0, cust.size() - 1)},
        {"sequence not a number", Command::MakeData,
         data.substr(0, data.find("= 1 ")) +
             "= 1 or 1=1  ORDER BY SUBULD.SUBULDATE, SUBULD.SUBULSEQ, SUBULD.SUBULSER"},
        {"sequence with too many digits", Command::MakeData,
         data.substr(0, data.find("= 1 ") + 2) + std::string(19, '9') +
             data.substr(data.find("= 1 ") + 3)},
        {"command without a request text", Command::Other, cust},
        {"empty text", Command::MakeKey, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(matchRequest(c.command, c.text));
    }
}
