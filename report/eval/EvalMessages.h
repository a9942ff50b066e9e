#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace report::eval {

// The evaluator's own texts, exactly as users see them; "%s" marks where a value goes.
namespace msg {
inline constexpr std::string_view notPrepared = "Evaluator not prepared";
inline constexpr std::string_view recursiveCall = "Recursive calls not allowed";
inline constexpr std::string_view invalidNot = "Invalid use of NOT";
inline constexpr std::string_view missing = "Missing %s";
inline constexpr std::string_view errorInExpression = "Error in expression : %s";
inline constexpr std::string_view illegalNumeric = "Illegal character in numeric contant ";
inline constexpr std::string_view unknownFunction = "Unknown function : %s";
inline constexpr std::string_view notCompatible =
    "Operator %s is not compatible with %s expressions";
inline constexpr std::string_view cannot = "Cannot %s %s expressions";
inline constexpr std::string_view divideByZero = "Cannot divide by 0";
inline constexpr std::string_view tooManyArguments = "Too many arguments";
inline constexpr std::string_view wrongArguments = "Wrong arguments for %s";
inline constexpr std::string_view invalidSqrt = "Invalid argument to SQRT function";
inline constexpr std::string_view divisionByZero = "Division by Zero";
inline constexpr std::string_view conversionError = "Conversion error";
inline constexpr std::string_view missingArgument = "Missing argument for %s";
inline constexpr std::string_view invalidFormat = "Invalid format or value specified";
inline constexpr std::string_view countPrefix = "COUNT - ";
// Ours: the answer to a text nested beyond maxNestingDepth.
inline constexpr std::string_view tooDeep = "Expression too deeply nested";
} // namespace msg

// Puts the values in place of the pattern's "%s" marks, in order.
std::string formatMessage(std::string_view pattern, std::initializer_list<std::string_view> values);

} // namespace report::eval
