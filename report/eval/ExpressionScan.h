#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace report::eval {

// The twelve binary operations.
enum class Operator {
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
    Equal,
    NotEqual,
    Add,
    Subtract,
    Multiply,
    Divide,
    Or,
    And
};

// The operator's text as messages show it ("<", "OR", ...).
std::string_view operatorText(Operator op);

// Where the scan stands after each byte: single quotes toggle a string (not inside brackets),
// parentheses count outside strings and brackets, "[" opens and "]" closes a bracket outside
// strings.
class ScanState
{
public:
    void step(char c);
    // Outside strings, brackets and parentheses.
    bool atTop() const { return m_depth == 0 && !m_inString && !m_inBracket; }

private:
    int64_t m_depth = 0;
    bool m_inString = false;
    bool m_inBracket = false;
};

// The precedence levels of the splitting parser, lowest first.
enum class Level { Relational, Additive, Multiplicative };

struct OperatorAt
{
    Operator op;
    size_t position;
    // Bytes the operator takes: 1 or 2, 4 for " or ", 5 for " and ".
    size_t length;
};

// The first operator of the level at the top of the text, never at the first byte; the scan
// stops before the last byte.
std::optional<OperatorAt> findOperator(std::string_view text, Level level);

// Exchanges `a` and `b` wherever findOperator could see them, so that the right part of a
// subtraction or division can be parsed as the continuation it is. A sign at the first byte is
// a sign, not an operator, and stays.
std::string exchangeOperators(std::string_view text, char a, char b);

// The argument texts between the commas at the top of the text.
std::vector<std::string_view> splitArguments(std::string_view text);

} // namespace report::eval
