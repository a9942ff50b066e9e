#include "report/eval/QuotedLiteral.h"

#include "report/eval/EvalLimits.h"
#include "report/eval/ExpressionParser.h"
#include "text/Cp949.h"

#include <vector>

namespace report::eval {

namespace {

// Pieces joined in one chain nest one level each; longer chains are grouped in parentheses so
// that a value full of quotes stays far inside maxNestingDepth.
constexpr size_t piecesPerGroup = 16;

// A run of n quotes: a literal holding an even number of them (so that the scan leaves it
// outside a string again), copied down to n.
std::string quoteRun(size_t n)
{
    const size_t inner = n + (n % 2);
    return "COPY('" + std::string(inner, '\'') + "',1," + std::to_string(n) + ")";
}

} // namespace

std::string quotedLiteral(std::string_view value)
{
    return "'" + std::string(value) + "'";
}

std::optional<std::string> literalValue(std::string_view expression)
{
    const std::string f = text::trim(expression);
    if (f.size() < 2 || f.front() != '\'' || f.back() != '\'')
        return std::nullopt;
    return f.substr(1, std::min(f.size() - 2, maxResultBytes));
}

bool readsAsOneLiteral(std::string_view value)
{
    const std::unique_ptr<Element> root = ExpressionParser(nullptr).parse(quotedLiteral(value));
    const auto* constant = dynamic_cast<const ConstantElement*>(root.get());
    return constant && constant->value() == TRpEvResult::string(value);
}

std::string exactStringExpression(std::string_view value)
{
    // Cut where the evaluator would, but never inside a character.
    const std::string_view v = value.substr(0, text::wholeCharacters(value, maxResultBytes));
    if (readsAsOneLiteral(v))
        return quotedLiteral(v);
    std::vector<std::string> pieces;
    for (size_t i = 0; i < v.size();) {
        size_t j = i;
        if (v[i] == '\'') {
            while (j < v.size() && v[j] == '\'')
                ++j;
            pieces.push_back(quoteRun(j - i));
        } else {
            while (j < v.size() && v[j] != '\'')
                ++j;
            pieces.push_back(quotedLiteral(v.substr(i, j - i)));
        }
        i = j;
    }
    auto join = [](auto begin, auto end) {
        std::string s;
        for (auto it = begin; it != end; ++it)
            s += (s.empty() ? "" : "+") + *it;
        return s;
    };
    if (pieces.size() <= piecesPerGroup)
        return join(pieces.begin(), pieces.end());
    std::vector<std::string> groups;
    for (size_t i = 0; i < pieces.size(); i += piecesPerGroup) {
        const size_t end = std::min(pieces.size(), i + piecesPerGroup);
        groups.push_back("(" + join(pieces.begin() + long(i), pieces.begin() + long(end)) + ")");
    }
    return join(groups.begin(), groups.end());
}

} // namespace report::eval
