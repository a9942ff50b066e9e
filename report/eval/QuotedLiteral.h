#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace report::eval {

// The literal expression of a value as the statement filling writes it: "'" + value + "'",
// nothing escaped.
std::string quotedLiteral(std::string_view value);

// The literal rule on its own, without the splitting: a text whose first and last bytes (after
// trimming spaces) are single quotes gives the bytes between them, cut to 255. This is the
// value a literal was meant to carry, even where the parser would split it at an operator
// after a quote inside.
std::optional<std::string> literalValue(std::string_view expression);

// Whether the evaluator reads quotedLiteral(value) as that one literal.
bool readsAsOneLiteral(std::string_view value);

// An expression whose value is exactly `value` (cut to 255 bytes): the plain literal where it
// reads as one, otherwise quote-free literals joined with "+" and each run of quotes made by
// COPY from a literal of quotes.
std::string exactStringExpression(std::string_view value);

} // namespace report::eval
