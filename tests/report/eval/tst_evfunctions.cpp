#include "EvalTestSupport.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace evaltest;
using namespace Qt::StringLiterals;

TEST(Functions, BooleansAndChoice)
{
    checkRows({
        {"true without parentheses", "true", B(true)},
        {"false with empty parentheses", "FALSE()", B(false)},
        {"true with an argument", "true(1)", E("Too many arguments")},
        {"if picks the second argument when true", "if(1<2,'yes','no')", S("yes")},
        {"if picks the third argument when false", "if(1>2,'yes','no')", S("no")},
        {"if needs a boolean first", "if(1,2,3)", E("Wrong arguments for IF")},
        {"if needs three arguments", "if(true,1)", E("Wrong arguments for IF")},
        {"if passes an error through as its value", "if(true,1/0,2)", E("Cannot divide by 0")},
    });
}

TEST(Functions, TypeOf)
{
    checkRows({
        {"integer", "typeof(1)", S("INTEGER")},
        {"real", "TYPEOF(1.5)", S("FLOAT")},
        {"string", "typeof('a')", S("STRING")},
        {"boolean", "typeof(true)", S("BOOLEAN")},
        {"error", "typeof(1/0)", S("ERROR")},
        {"two arguments", "typeof(1,2)", E("Wrong arguments for TypeOf")},
    });
}

TEST(Functions, Numbers)
{
    checkRows({
        {"int truncates a real", "int(7.9)", I(7)},
        {"int truncates toward zero", "int(-7.9)", I(-7)},
        {"int keeps an integer", "int(5)", I(5)},
        {"int beyond 32 bits stays a whole real", "int(1e10+0.5)", R(1e10)},
        {"int of a string", "int('a')", E("Wrong arguments for INT")},
        {"frac of a real", "frac(7.25)", R(0.25)},
        {"frac keeps the sign", "frac(-7.25)", R(-0.25)},
        {"frac of an integer", "frac(3)", R(0)},
        {"frac of a string", "frac('a')", E()},
        {"sqrt of an integer", "sqrt(16)", R(4)},
        {"sqrt of a real", "sqrt(2.25)", R(1.5)},
        {"sqrt of a negative number", "sqrt(0-1)", E("Invalid argument to SQRT function")},
        {"sqrt of a string", "sqrt('a')", E("Invalid argument to SQRT function")},
        {"div truncates", "div(7,2)", I(3)},
        {"div truncates toward zero", "div(0-7,2)", I(-3)},
        {"div rounds reals first", "div(7.6,2)", I(4)},
        {"div rounds halves to even", "div(2.5,1)", I(2)},
        {"div by zero", "div(7,0)", E("Division by Zero")},
        {"div by a real that rounds to zero", "div(7,0.4)", E("Division by Zero")},
        {"div with one argument", "div(7)", E("Wrong arguments for DIV")},
        {"div of a string", "div('a',1)", E("Wrong arguments for DIV")},
        {"div beyond 32 bits turns real", "div(0-2147483648.0,0-1)", R(2147483648.0)},
    });
}

TEST(Functions, Str)
{
    checkRows({
        {"integer", "str(42)", S("42")},
        {"real in the general format", "str(1.5)", S("1.5")},
        {"real with 15 significant digits", "str(1/3)", S("0.333333333333333")},
        {"large real in exponent form", "str(1e20)", S("1E20")},
        {"small real in exponent form", "str(0.00001)", S("1E-5")},
        {"boolean", "str(true)", S("True")},
        {"string", "str('a')", E("Conversion error")},
        {"no argument", "str()", E("Conversion error")},
    });
}

TEST(Functions, Case)
{
    const std::string ga = text::cp949("가");
    // A Hangul syllable whose trail byte is the letter a.
    const std::string trailA = "\x81\x61";
    checkRows({
        {"upper of ASCII with Hangul", "upper('abc" + ga + "')", S("ABC" + ga)},
        {"lower of ASCII", "lower('ABC')", S("abc")},
        {"pretty", "pretty('hELLO wORLD')", S("Hello world")},
        {"upper of full-width letters", "upper('" + text::cp949("ａｂ") + "')",
         S(text::cp949("ＡＢ"))},
        {"lower of a Greek capital", "lower('" + text::cp949("Ω") + "')", S(text::cp949("ω"))},
        {"pretty with a double-byte first character", "pretty('" + text::cp949("ａＢＣ") + "')",
         S(text::cp949("Ａｂｃ"))},
        {"a trail byte that is a letter stays", "upper('" + trailA + "')", S(trailA)},
        {"upper without an argument", "upper()", E("Missing argument for UPPER")},
        {"lower without parentheses", "lower", E("Missing argument for LOWER")},
        {"pretty without an argument", "pretty()", E("Missing argument for PRETTY")},
        {"upper of a number", "upper(5)", E()},
        {"upper of an error carries its message", "upper(1/0)", E("Cannot divide by 0")},
    });
}

TEST(Functions, Copy)
{
    const std::string ga = text::cp949("가");
    const std::string na = text::cp949("나");
    const std::string gana = "'" + ga + na + "'";
    checkRows({
        {"a range past the end stops at the end", "copy('abc',2,5)", S("bc")},
        {"position 0 counts as 1", "copy('abc',0,2)", S("ab")},
        {"a position past the end", "copy('abc',4,1)", S("")},
        {"a negative count", "copy('abc',2,0-1)", S("")},
        {"a range ending on a lead byte leaves it out", "copy(" + gana + ",1,3)", S(ga)},
        {"a start on a trail byte moves on and copies one byte less", "copy(" + gana + ",2,3)",
         S(na)},
        {"a start on a trail byte with nothing whole left", "copy(" + gana + ",2,2)", S("")},
        {"ASCII then a lead byte at the end of the range", "copy('a" + ga + "',1,2)", S("a")},
        {"copy of a number", "copy(5,1,1)", E()},
        {"copy with a real position", "copy('abc',1.5,1)", E()},
        {"copy with two arguments", "copy('abc',1)", E()},
    });
}

TEST(Functions, FormatNumeric)
{
    checkRows({
        {"grouped thousands", "formatnumeric('#,##0',1234567)", S("1,234,567")},
        {"two decimals rounded", "formatnumeric('0.00',3.14159)", S("3.14")},
        {"arguments in the wrong order", "formatnumeric(1,'0')", E()},
        {"one argument", "formatnumeric('0')", E()},
        {"an infinite value", "formatnumeric('0',1e308*10)",
         E("Invalid format or value specified")},
    });
}

TEST(Functions, DateAndTime)
{
    // Taken before and after, so that a change of day or second between them still matches.
    auto around = [](auto now) {
        std::vector<std::string> texts;
        texts.push_back(now());
        const TRpEvResult r = evalText(now.expression);
        texts.push_back(now());
        return std::make_pair(r, texts);
    };
    struct Date
    {
        const char* expression = "date";
        std::string operator()() const
        {
            return text::toCp949(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
        }
    };
    const auto [date, dates] = around(Date());
    EXPECT_EQ(date.kind(), TRpEvResult::Kind::String);
    EXPECT_TRUE(date.asString() == dates[0] || date.asString() == dates[1]) << date.asString();

    // The long time, as the viewer's Korean locale writes it, without a time zone.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Korean, QLocale::SouthKorea));
    const TRpEvResult time = evalText("time");
    QLocale::setDefault(before);
    EXPECT_EQ(time.kind(), TRpEvResult::Kind::String);
    const QString text = text::fromCp949(time.asString());
    EXPECT_TRUE(QRegularExpression(u"^(오전|오후) \\d{1,2}시 \\d{1,2}분 \\d{1,2}초$"_s)
                    .match(text)
                    .hasMatch())
        << time.asString();
    checkRows({
        {"date with an argument", "date(1)", E()},
        {"time with an argument", "time(1)", E()},
    });
}
