#include "EvalTestSupport.h"

#include "report/eval/EvalLimits.h"

#include <gtest/gtest.h>

using namespace evaltest;

TEST(Parser, QuotedLiterals)
{
    checkRows({
        {"an operator inside quotes stays text", "'a+b'", S("a+b")},
        {"a parenthesis inside quotes stays text", "'(1'", S("(1")},
        {"spaces outside the quotes are trimmed", "  'padded'  ", S("padded")},
        {"spaces inside the quotes are kept", "' inner '", S(" inner ")},
        {"double-byte text is taken as it is", "'" + text::cp949("건수") + "'",
         S(text::cp949("건수"))},
        {"a doubled quote inside is kept as two quotes", "'it''s'", S("it''s")},
        {"a single quote inside is kept when nothing splits", "'O'Neil'", S("O'Neil")},
        {"a quote inside with an operator after it splits the literal", "'O'Neil + Co'",
         E("Missing '")},
        {"a literal is cut to 255 bytes", "'" + std::string(300, 'x') + "'",
         S(std::string(255, 'x'))},
        {"an empty literal", "''", S("")},
        {"an empty text reads as one space", "", S(" ")},
        {"two literals joined", "'a'+'b'", S("ab")},
    });
}

TEST(Parser, ScanRules)
{
    checkRows({
        {"an operator at the first byte is a sign", "-2*3", I(-6)},
        {"an operator at the last byte is not split", "1+",
         E("Illegal character in numeric contant \"1+\"")},
        {"an operator inside brackets is part of the name", "[a+b]", E("Unknown function : A+B")},
        {"a quote inside brackets does not open a string", "[it's]+1",
         E("Unknown function : IT'S")},
        {"a comma inside a string does not split arguments", "copy('a,b',1,3)", S("a,b")},
        {"a comma inside parentheses does not split arguments", "if((1=1),div(7,2),0)", I(3)},
        {"or is an operator only between spaces", "true or(false)",
         E("Unknown function : TRUE OR")},
        {"an exponent with a sign splits at the sign", "1E+5",
         E("Illegal character in numeric contant \"1E\"")},
    });
}

TEST(Parser, NumericConstants)
{
    checkRows({
        {"digits give an integer", "42", I(42)},
        {"leading zeros", "007", I(7)},
        {"the largest integer", "2147483647", I(2147483647)},
        {"digits beyond 32 bits give a real", "3000000000", R(3000000000.0)},
        {"a decimal point gives a real", "1.5", R(1.5)},
        {"an exponent gives a real", "1e5", R(100000)},
        {"a point without decimals", "1.", R(1)},
        {"two points are illegal", "1.2.3", E("Illegal character in numeric contant \"1.2.3\"")},
        {"a letter is illegal", "12a", E("Illegal character in numeric contant \"12a\"")},
        {"an exponent without digits", "1e", E("Illegal character in numeric contant \"1e\"")},
        {"a number too large for a real", "1e999",
         E("Illegal character in numeric contant \"1e999\"")},
    });
}

TEST(Parser, Errors)
{
    checkRows({
        {"a quote without its closing quote", "'abc", E("Missing '")},
        {"a lone quote", "'", E("Missing '")},
        {"a parenthesis without its closing one", "(1+2", E("Missing )")},
        {"a bracket without its closing one", "[abc", E("Missing ]")},
        {"only spaces", "   ", E("Error in expression : ")},
        {"a missing right operand", "1 + ", E("Error in expression : ")},
        {"an unknown first character", "#1", E("Error in expression : #1")},
        {"an unknown name", "foo", E("Unknown function : FOO")},
        {"an unknown function", "foo(1)", E("Unknown function : FOO")},
        {"a call without its closing parenthesis has no name", "abs(1", E("Unknown function : ")},
        {"an unknown name in brackets", "[page]", E("Unknown function : PAGE")},
        {"a name starting with not reads as a negation", "nothing", E("Unknown function : HING")},
        {"the first error found wins", "'a + (1", E("Missing '")},
        {"an error inside an argument is the whole value", "typeof('a)", E("Missing '")},
        {"an empty argument", "if(,1,2)", E("Error in expression : ")},
    });
}

TEST(Parser, NestingIsBounded)
{
    using report::eval::maxNestingDepth;
    auto parens = [](int n) {
        return std::string(size_t(n), '(') + "1" + std::string(size_t(n), ')');
    };
    auto chain = [](std::string first, const char* next, int terms) {
        for (int i = 1; i < terms; ++i)
            first += next;
        return first;
    };
    checkRows({
        {"parentheses just inside the limit", parens(maxNestingDepth - 1), I(1)},
        {"parentheses beyond the limit", parens(maxNestingDepth + 1),
         E("Expression too deeply nested")},
        // A flat chain is not nesting, however long it is.
        {"a chain of 300 additions", chain("1", "+1", 300), I(300)},
        {"a chain of 20000 additions", chain("1", "+1", 20000), I(20000)},
        {"a chain of subtractions", chain("1000", "-1", 1000), I(1)},
        {"additions and subtractions in turn", chain("10", "-2+1", 9), I(2)},
        {"a chain of multiplications", chain("1", "*2", 31), I(1 << 30)},
        {"a chain of divisions", chain("1024", "/2", 11), R(1)},
        {"a chain inside the deepest parentheses",
         parens(maxNestingDepth - 10)
             .replace(size_t(maxNestingDepth - 10), 1, chain("1", "+1", 500)),
         I(500)},
        {"chains nested beyond the limit",
         chain("1", "+(1", maxNestingDepth + 1) + std::string(size_t(maxNestingDepth), ')'),
         E("Expression too deeply nested")},
        {"negations beyond the limit",
         [] {
             std::string s;
             for (int i = 0; i < maxNestingDepth + 1; ++i)
                 s += "not ";
             return s + "true";
         }(),
         E("Expression too deeply nested")},
        {"a long text of nested parentheses", parens(1 << 14), E("Expression too deeply nested")},
    });
}
