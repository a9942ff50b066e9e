#include "report/eval/ExpressionParser.h"

#include "report/eval/Builtins.h"
#include "report/eval/Cp949Bytes.h"
#include "report/eval/EvalLimits.h"
#include "report/eval/EvalMessages.h"
#include "report/eval/FunctionElement.h"
#include "report/eval/NameElement.h"
#include "report/eval/OperatorElement.h"
#include "report/eval/TRpEvEnvironment.h"
#include "text/Cp949.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace report::eval {

namespace {

// Raised inside the parser only: the first error ends the parse.
struct ParseFailure
{
    std::string message;
};

[[noreturn]] void fail(std::string message)
{
    throw ParseFailure{std::move(message)};
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool startsWithNot(std::string_view s)
{
    return s.size() >= 3 && (s[0] == 'n' || s[0] == 'N') && (s[1] == 'o' || s[1] == 'O') &&
           (s[2] == 't' || s[2] == 'T');
}

std::string illegalNumeric(std::string_view constant)
{
    return std::string(msg::illegalNumeric) + '"' + std::string(constant) + '"';
}

} // namespace

std::unique_ptr<Element> ExpressionParser::parse(std::string_view text)
{
    try {
        return parseLevel(text, Level::Relational, 1);
    } catch (const ParseFailure& e) {
        return std::make_unique<ConstantElement>(TRpEvResult::error(e.message));
    }
}

std::unique_ptr<Element> ExpressionParser::parseLevel(std::string_view text, Level level, int depth)
{
    if (depth > maxNestingDepth)
        fail(std::string(msg::tooDeep));
    const std::optional<OperatorAt> found = findOperator(text, level);
    if (!found) {
        if (level == Level::Relational)
            return parseLevel(text, Level::Additive, depth);
        if (level == Level::Additive)
            return parseLevel(text, Level::Multiplicative, depth);
        return parseFactor(text, depth);
    }
    if (level == Level::Relational)
        return std::make_unique<OperatorElement>(
            found->op, parseLevel(text.substr(0, found->position), Level::Additive, depth + 1),
            parseLevel(text.substr(found->position + found->length), Level::Additive, depth + 1));

    // A chain of one level, a + b - c + ..., is read operand by operand rather than by
    // recursion, so that its length does not count as nesting. The right part is read as a
    // whole, so a - b + c is a - (b - c): after a "-" (or "/") the rest has its operators
    // exchanged.
    const bool additive = level == Level::Additive;
    const Operator inverse = additive ? Operator::Subtract : Operator::Divide;
    std::vector<std::pair<Operator, std::unique_ptr<Element>>> operands;
    std::string rest(text);
    std::optional<OperatorAt> at = found;
    while (at) {
        const std::string_view left = std::string_view(rest).substr(0, at->position);
        operands.emplace_back(at->op, additive ? parseLevel(left, Level::Multiplicative, depth + 1)
                                               : parseFactor(left, depth + 1));
        const std::string_view right = std::string_view(rest).substr(at->position + at->length);
        rest = at->op == inverse
                   ? exchangeOperators(right, additive ? '+' : '*', additive ? '-' : '/')
                   : std::string(right);
        at = findOperator(rest, level);
    }
    std::unique_ptr<Element> chain = additive ? parseLevel(rest, Level::Multiplicative, depth + 1)
                                              : parseFactor(rest, depth + 1);
    for (auto it = operands.rbegin(); it != operands.rend(); ++it)
        chain =
            std::make_unique<OperatorElement>(it->first, std::move(it->second), std::move(chain));
    return chain;
}

std::unique_ptr<Element> ExpressionParser::parseFactor(std::string_view text, int depth)
{
    if (depth > maxNestingDepth)
        fail(std::string(msg::tooDeep));
    const std::string f = text::trim(text);
    if (f.empty())
        fail(formatMessage(msg::errorInExpression, {f}));
    if (startsWithNot(f))
        return std::make_unique<NotElement>(
            parseLevel(std::string_view(f).substr(3), Level::Additive, depth + 1));
    const char first = f.front();
    const char last = f.back();
    const bool enclosed = f.size() >= 2;
    if (first == '\'') {
        if (!enclosed || last != '\'')
            fail(formatMessage(msg::missing, {"'"}));
        return std::make_unique<ConstantElement>(
            TRpEvResult::string(std::string_view(f).substr(1, f.size() - 2)));
    }
    if (first == '(') {
        if (!enclosed || last != ')')
            fail(formatMessage(msg::missing, {")"}));
        return parseLevel(std::string_view(f).substr(1, f.size() - 2), Level::Relational,
                          depth + 1);
    }
    if (first == '+')
        return parseFactor(std::string_view(f).substr(1), depth + 1);
    if (first == '-')
        return parseLevel("0-" + f.substr(1), Level::Additive, depth + 1);
    if (isDigit(first))
        return parseNumber(f);
    if (isLetter(first))
        return parseCall(f, depth);
    if (first == '[') {
        if (!enclosed || last != ']')
            fail(formatMessage(msg::missing, {"]"}));
        return parseName(upperCase(std::string_view(f).substr(1, f.size() - 2)));
    }
    fail(formatMessage(msg::errorInExpression, {f}));
}

std::unique_ptr<Element> ExpressionParser::parseNumber(const std::string& f)
{
    size_t digits = 0;
    while (digits < f.size() && isDigit(f[digits]))
        ++digits;
    for (size_t i = digits; i < f.size(); ++i) {
        const char c = f[i];
        if (!isDigit(c) && c != '+' && c != '-' && c != '.' && c != 'E' && c != 'e')
            fail(illegalNumeric(f));
    }
    const char* begin = f.data();
    const char* end = f.data() + f.size();
    if (digits == f.size()) {
        int64_t wide = 0;
        const auto [ptr, ec] = std::from_chars(begin, end, wide);
        if (ec == std::errc() && ptr == end && wide <= std::numeric_limits<int32_t>::max())
            return std::make_unique<ConstantElement>(TRpEvResult::integer(int32_t(wide)));
    }
    // A decimal point is "." whatever the locale says, so a layout reads the same everywhere.
    double value = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end)
        fail(illegalNumeric(f));
    return std::make_unique<ConstantElement>(TRpEvResult::real(value));
}

std::unique_ptr<Element> ExpressionParser::parseCall(const std::string& f, int depth)
{
    const size_t open = f.find('(');
    if (open == std::string::npos) {
        const std::string name = upperCase(f);
        if (const auto builtin = findBuiltin(name))
            return std::make_unique<FunctionElement>(*builtin,
                                                     std::vector<std::unique_ptr<Element>>());
        return parseName(name);
    }
    // Without its closing parenthesis the call has no name.
    const std::string name = f.back() == ')' ? upperCase(std::string_view(f).substr(0, open)) : "";
    const auto builtin = findBuiltin(name);
    if (!builtin)
        fail(formatMessage(msg::unknownFunction, {name}));
    const std::string_view inside = std::string_view(f).substr(open + 1, f.size() - open - 2);
    std::vector<std::unique_ptr<Element>> arguments;
    if (!text::trim(inside).empty()) {
        for (std::string_view argument : splitArguments(inside))
            arguments.push_back(parseLevel(argument, Level::Relational, depth + 1));
    }
    return std::make_unique<FunctionElement>(*builtin, std::move(arguments));
}

std::unique_ptr<Element> ExpressionParser::parseName(std::string_view name)
{
    // No data sets are bound, so a name is a constant of the report or of the global
    // environment.
    TRpEvEnvironment& global = TRpEvEnvironment::global();
    for (TRpEvEnvironment* env : {m_functions, &global}) {
        if (env && env->contains(name))
            return std::make_unique<NameElement>(env, std::string(name));
    }
    fail(formatMessage(msg::unknownFunction, {name}));
}

} // namespace report::eval
