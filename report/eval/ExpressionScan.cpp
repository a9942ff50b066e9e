#include "report/eval/ExpressionScan.h"

namespace report::eval {

std::string_view operatorText(Operator op)
{
    switch (op) {
    case Operator::Less:
        return "<";
    case Operator::LessEqual:
        return "<=";
    case Operator::Greater:
        return ">";
    case Operator::GreaterEqual:
        return ">=";
    case Operator::Equal:
        return "=";
    case Operator::NotEqual:
        return "<>";
    case Operator::Add:
        return "+";
    case Operator::Subtract:
        return "-";
    case Operator::Multiply:
        return "*";
    case Operator::Divide:
        return "/";
    case Operator::Or:
        return "OR";
    case Operator::And:
        return "AND";
    }
    return {};
}

void ScanState::step(char c)
{
    if (m_inBracket) {
        if (c == ']')
            m_inBracket = false;
        return;
    }
    if (c == '\'') {
        m_inString = !m_inString;
        return;
    }
    if (m_inString)
        return;
    if (c == '(')
        ++m_depth;
    else if (c == ')')
        --m_depth;
    else if (c == '[')
        m_inBracket = true;
}

namespace {

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// A space followed by the word and a space, the word in any letter case.
bool wordAt(std::string_view text, size_t i, std::string_view word)
{
    if (text[i] != ' ' || i + word.size() + 1 >= text.size())
        return false;
    for (size_t k = 0; k < word.size(); ++k) {
        if (lower(text[i + 1 + k]) != word[k])
            return false;
    }
    return text[i + 1 + word.size()] == ' ';
}

std::optional<OperatorAt> operatorAt(std::string_view text, size_t i, Level level)
{
    const char c = text[i];
    const char next = text[i + 1];
    switch (level) {
    case Level::Relational:
        if (c == '<') {
            if (next == '>')
                return OperatorAt{Operator::NotEqual, i, 2};
            if (next == '=')
                return OperatorAt{Operator::LessEqual, i, 2};
            return OperatorAt{Operator::Less, i, 1};
        }
        if (c == '=')
            return OperatorAt{Operator::Equal, i, 1};
        if (c == '>') {
            if (next == '=')
                return OperatorAt{Operator::GreaterEqual, i, 2};
            return OperatorAt{Operator::Greater, i, 1};
        }
        break;
    case Level::Additive:
        if (c == '+')
            return OperatorAt{Operator::Add, i, 1};
        if (c == '-')
            return OperatorAt{Operator::Subtract, i, 1};
        if (wordAt(text, i, "or"))
            return OperatorAt{Operator::Or, i, 4};
        break;
    case Level::Multiplicative:
        if (c == '*')
            return OperatorAt{Operator::Multiply, i, 1};
        if (c == '/')
            return OperatorAt{Operator::Divide, i, 1};
        if (wordAt(text, i, "and"))
            return OperatorAt{Operator::And, i, 5};
        break;
    }
    return std::nullopt;
}

// Calls visit(i) for every position where an operator may be recognised.
template <typename Visit> void forEachOperatorPosition(std::string_view text, Visit visit)
{
    ScanState state;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        state.step(text[i]);
        if (i > 0 && state.atTop() && visit(i))
            return;
    }
}

} // namespace

std::optional<OperatorAt> findOperator(std::string_view text, Level level)
{
    std::optional<OperatorAt> found;
    forEachOperatorPosition(text, [&](size_t i) {
        found = operatorAt(text, i, level);
        return found.has_value();
    });
    return found;
}

std::string exchangeOperators(std::string_view text, char a, char b)
{
    std::string out(text);
    forEachOperatorPosition(text, [&](size_t i) {
        if (out[i] == a)
            out[i] = b;
        else if (out[i] == b)
            out[i] = a;
        return false;
    });
    return out;
}

std::vector<std::string_view> splitArguments(std::string_view text)
{
    std::vector<std::string_view> parts;
    ScanState state;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        state.step(text[i]);
        if (text[i] == ',' && state.atTop()) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

} // namespace report::eval
