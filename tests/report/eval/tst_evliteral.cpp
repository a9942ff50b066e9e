#include "EvalTestSupport.h"

#include "report/eval/EvalCommand.h"
#include "report/eval/QuotedLiteral.h"

#include <gtest/gtest.h>
#include <optional>
#include <random>

using namespace evaltest;
using namespace report::eval;

TEST(QuotedLiteral, TheLiteralRule)
{
    EXPECT_EQ(quotedLiteral("abc"), "'abc'");
    struct Row
    {
        const char* name;
        std::string expression;
        std::optional<std::string> value;
    };
    const Row rows[] = {
        {"a plain literal", "'abc'", "abc"},
        {"spaces outside are trimmed", "  'a b'  ", "a b"},
        {"a quote and an operator inside stay", "'O'Neil + Co'", "O'Neil + Co"},
        {"an empty literal", "''", ""},
        {"cut to 255 bytes", "'" + std::string(300, 'x') + "'", std::string(255, 'x')},
        {"not a literal", "abc", std::nullopt},
        {"a lone quote", "'", std::nullopt},
        {"no closing quote", "'x", std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(literalValue(row.expression), row.value) << row.name;
}

TEST(QuotedLiteral, WhichValuesReadAsOneLiteral)
{
    struct Row
    {
        const char* name;
        std::string value;
        bool whole;
    };
    const Row rows[] = {
        {"plain text", "plain", true},
        {"Korean text", text::cp949("건수"), true},
        {"a quote with nothing to split at", "O'Neil", true},
        {"two adjacent quotes", "it''s", true},
        {"a quote then a plus", "O'Neil + Co", false},
        {"a quote then an equals sign", "a'b=c", false},
        {"a quote then a less-than sign", "a'<b", false},
        {"a parenthesis after a quote hides what follows", "a'(b+c", true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(readsAsOneLiteral(row.value), row.whole) << row.name;
}

TEST(QuotedLiteral, ExactExpressionGivesTheValueBack)
{
    const std::string values[] = {
        "",
        "plain",
        "O'Neil + Co",
        "'",
        "''",
        "'''",
        "a'b'c",
        "x'(y",
        "'+'",
        "1'=2",
        " ' ",
        "[a'b]c'd",
        text::cp949("홍길동's 상회 - 본점"),
        std::string(255, '\''),
        [] {
            std::string s;
            for (int i = 0; i < 127; ++i)
                s += "a'";
            return s;
        }(),
    };
    for (const std::string& v : values)
        EXPECT_EQ(evalText(exactStringExpression(v)), S(v)) << v;
    const std::string longValue = "x'+" + std::string(300, 'y');
    EXPECT_EQ(evalText(exactStringExpression(longValue)), S(longValue.substr(0, 255)));
}

TEST(QuotedLiteral, ExactExpressionHoldsForGeneratedValues)
{
    const std::string alphabet[] = {
        "a", "'", "+", "-", "(", ")", "[", "]", " ", "=", "<", ",", "*", " or ", text::cp949("가")};
    std::mt19937 random(20240601);
    for (int n = 0; n < 2000; ++n) {
        std::string v;
        const int length = int(random() % 40);
        for (int i = 0; i < length; ++i)
            v += alphabet[random() % std::size(alphabet)];
        EXPECT_EQ(evalText(exactStringExpression(v)), S(v)) << v;
    }
}

TEST(EvalCommand, PrintsKindTabValue)
{
    struct Row
    {
        const char* name;
        const char* expression;
        const char* line;
    };
    const Row rows[] = {
        {"integer", "1+2*3", "integer\t7"},
        {"real", "8/2/2", "real\t2"},
        {"string", "'n='+5", "string\tn=5"},
        {"boolean", "1<2", "boolean\tTrue"},
        {"error", "7/0", "error\tCannot divide by 0"},
        {"page number at its default", "pagenumber", "integer\t0"},
        {"report title at its default", "reporttitle", "string\t"},
        {"unknown name", "foo", "error\tUnknown function : FOO"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(evalCommandLine(row.expression), row.line) << row.name;
}
