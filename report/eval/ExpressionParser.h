#pragma once

#include "report/eval/Element.h"
#include "report/eval/ExpressionScan.h"

#include <memory>
#include <string>
#include <string_view>

namespace report {
class TRpEvEnvironment;
}

namespace report::eval {

// The splitting parser: cuts the text at the first operator of the lowest precedence found at
// its top (outside strings, parentheses and brackets) and parses both sides, down to factors.
// Names are looked up in `functions` (may be null), then in the global environment.
class ExpressionParser
{
public:
    explicit ExpressionParser(TRpEvEnvironment* functions) : m_functions(functions) {}

    // The element tree of the text; the first error found makes the whole expression that
    // error. Never throws for any text.
    std::unique_ptr<Element> parse(std::string_view text);

private:
    std::unique_ptr<Element> parseLevel(std::string_view text, Level level, int depth);
    std::unique_ptr<Element> parseFactor(std::string_view text, int depth);
    std::unique_ptr<Element> parseNumber(const std::string& factor);
    std::unique_ptr<Element> parseCall(const std::string& factor, int depth);
    std::unique_ptr<Element> parseName(std::string_view name);

    TRpEvEnvironment* m_functions;
};

} // namespace report::eval
