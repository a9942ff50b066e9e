#include "EvalTestSupport.h"

#include <gtest/gtest.h>

using namespace evaltest;

TEST(Operators, Arithmetic)
{
    checkRows({
        {"multiplication binds tighter than addition", "1+2*3", I(7)},
        {"subtraction then addition runs left to right", "10-4+3", I(9)},
        {"two subtractions run left to right", "10-2-3", I(5)},
        {"two divisions run left to right and give a real", "8/2/2", R(2)},
        {"division then multiplication runs left to right", "8/2*3", R(12)},
        {"subtraction after multiplication", "2*3-4", I(2)},
        {"parentheses group first", "(1+2)*3", I(9)},
        {"a quotient of integers is real", "7/2", R(3.5)},
        {"real times integer", "2.5*2", R(5)},
        {"leading sign of an expression", "-5+2", I(-3)},
        {"sign after a subtraction", "5--3", I(8)},
        {"plus sign after a subtraction", "5-+3", I(2)},
        {"sign after an addition", "5+-3", I(2)},
        {"unary plus", "+4", I(4)},
        {"negated parentheses", "-(1+2)", I(-3)},
        {"spaces around operators", " 1 + 2 ", I(3)},
        {"integer sum beyond 32 bits turns real", "2147483647+1", R(2147483648.0)},
        {"integer product beyond 32 bits turns real", "65536*65536", R(4294967296.0)},
    });
}

TEST(Operators, Comparison)
{
    checkRows({
        {"less", "1<2", B(true)},
        {"less or equal", "2<=2", B(true)},
        {"greater", "3>4", B(false)},
        {"greater or equal", "3>=4", B(false)},
        {"equal", "1=1", B(true)},
        {"not equal", "1<>1", B(false)},
        {"integer equals real", "1=1.0", B(true)},
        {"reals compare", "1.5<1.25", B(false)},
        {"strings compare by bytes", "'abc'<'abd'", B(true)},
        {"a longer string after its prefix", "'b'>'abc'", B(true)},
        {"strings are equal only with equal length", "'abc'='abc '", B(false)},
        {"double-byte text sorts after ASCII", "'" + text::cp949("가") + "'>'z'", B(true)},
        {"booleans are equal", "true=true", B(true)},
        {"booleans differ", "true<>false", B(true)},
        {"comparison operator inside a factor is not split again", "1<2<3",
         E("Illegal character in numeric contant \"2<3\"")},
        {"booleans do not order with less", "true<false",
         E("Operator < is not compatible with boolean expressions")},
        {"booleans do not order with greater or equal", "true>=false",
         E("Operator >= is not compatible with boolean expressions")},
    });
}

TEST(Operators, Logical)
{
    checkRows({
        {"integers or bitwise", "12 or 3", I(15)},
        {"integers and bitwise", "12 and 10", I(8)},
        {"booleans or", "false or true", B(true)},
        {"booleans and", "true and false", B(false)},
        {"operator words in any letter case", "TRUE AnD true", B(true)},
        {"comparisons joined by or", "(1=2) or (2=2)", B(true)},
        {"not negates a boolean", "not true", B(false)},
        {"not of a comparison", "NOT (1=2)", B(true)},
        {"not of a number is misuse", "not 5", E("Invalid use of NOT")},
        {"reals have no or", "1.5 or 2",
         E("Operator OR is not compatible with numeric expressions")},
        {"reals have no and", "1.5 and 2.5",
         E("Operator AND is not compatible with numeric expressions")},
        {"strings have no or", "'a' or 'b'",
         E("Operator OR is not compatible with string expressions")},
        {"strings have no and", "'a' and 'b'",
         E("Operator AND is not compatible with string expressions")},
        {"a word ending in or is no operator", "1 xor 2",
         E("Illegal character in numeric contant \"1 xor 2\"")},
    });
}

TEST(Operators, StringsAndBooleans)
{
    checkRows({
        {"strings concatenate", "'ab'+'cd'", S("abcd")},
        {"string plus integer concatenates the text", "'n='+5", S("n=5")},
        {"integer plus string", "5+'a'", S("5a")},
        {"string plus real uses the general format", "'x'+1.5", S("x1.5")},
        {"string plus boolean", "'v'+true", S("vTrue")},
        {"boolean plus integer becomes text", "true+1", S("True1")},
        {"string compared with a number compares texts", "'10'=10", B(true)},
        {"concatenation is cut to 255 bytes",
         "'" + std::string(200, 'a') + "'+'" + std::string(200, 'b') + "'",
         S(std::string(200, 'a') + std::string(55, 'b'))},
        {"strings cannot subtract", "'a'-'b'", E("Cannot subtract string expressions")},
        {"strings cannot multiply", "'a'*'b'", E("Cannot multiply string expressions")},
        {"strings cannot divide", "'a'/'b'", E("Cannot divide string expressions")},
        {"booleans cannot add", "true+false", E("Cannot add boolean expressions")},
        {"booleans cannot subtract", "true-false", E("Cannot subtract boolean expressions")},
        {"booleans cannot multiply", "true*false", E("Cannot multiply boolean expressions")},
        {"booleans cannot divide", "true/false", E("Cannot divide boolean expressions")},
    });
}

TEST(Operators, Errors)
{
    checkRows({
        {"integer division by zero", "7/0", E("Cannot divide by 0")},
        {"real division by zero", "7.5/0", E("Cannot divide by 0")},
        {"division by real zero", "7/0.0", E("Cannot divide by 0")},
        {"an error operand passes through", "(7/0)+'x'", E("Cannot divide by 0")},
        {"the left error wins", "(7/0)=('a'-1)", E("Cannot divide by 0")},
        {"the right error when the left is fine", "1+('a'-1)",
         E("Cannot subtract string expressions")},
    });
}
