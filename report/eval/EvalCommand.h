#pragma once

#include "report/eval/TRpEvResult.h"

#include <string>
#include <string_view>

namespace report::eval {

// The line `mirola report eval 'EXPR'` prints: the result's kind ("integer", "real", "string",
// "boolean" or "error"), a tab, and its value or message. The expression is evaluated with the
// report constants at their defaults (PAGENUMBER 0, COLUMNNUMBER 0, REPORTTITLE empty). Text in
// and out is cp949 bytes.
std::string evalCommandLine(std::string_view expression);

// The result that line describes; an expression that cannot be parsed or evaluated gives an
// error result.
TRpEvResult evaluateCommandLine(std::string_view expression);

// The printed form of a result: kind, tab, text.
std::string describeResult(const TRpEvResult& result);

} // namespace report::eval
