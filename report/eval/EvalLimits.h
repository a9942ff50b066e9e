#pragma once

#include <cstddef>

namespace report::eval {

// Strings and error messages of results are short strings of the report format.
inline constexpr size_t maxResultBytes = 255;

// How deeply elements may nest: operands, arguments, parentheses, signs and negations, and named
// constants evaluated inside one another. Parsing and evaluation recurse once per level, so the
// bound keeps the stack small (about 4 frames a level) whatever text arrives; real layouts stay
// below a dozen levels.
inline constexpr int maxNestingDepth = 256;

} // namespace report::eval
